#include "fluid_root.h"

#include "fluid_loader.h"
#include "fluid_performance.h"
#include "fluid_preparation.h"

namespace tonvex {

FluidRoot::FluidRoot(std::shared_ptr<FluidCore> core) : m_core(std::move(core)) {}

std::unique_ptr<Performance> FluidRoot::DirectMusicPerformanceCreate()
{
    return std::make_unique<FluidPerformance>(m_core);
}

std::unique_ptr<Loader> FluidRoot::DirectMusicLoaderCreate()
{
    return std::make_unique<FluidLoader>();
}

std::unique_ptr<MusicRoot> createFluidRoot()
{
    return std::make_unique<FluidRoot>(FluidCore::create());
}

RootFactory fluidRootFactory()
{
    return fluidRootFactory(std::make_shared<FluidPreparation>());
}

RootFactory fluidRootFactory(std::shared_ptr<FluidPreparation> preparation)
{
    return [preparation = std::move(preparation)]() -> std::unique_ptr<MusicRoot> {
        return std::make_unique<FluidRoot>(preparation->take());
    };
}

} // namespace tonvex
