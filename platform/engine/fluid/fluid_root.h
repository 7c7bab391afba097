#pragma once

#include <memory>

#include "engine.h"
#include "fluid_core.h"

namespace tonvex {

// The root object: keeps the synthesizer and its SoundFont's catalogue for the program's life
// and makes performances and loaders on it.
class FluidRoot : public MusicRoot {
public:
    explicit FluidRoot(std::shared_ptr<FluidCore> core);

    std::unique_ptr<Performance> DirectMusicPerformanceCreate() override;
    std::unique_ptr<Loader> DirectMusicLoaderCreate() override;

    const FluidCore& core() const { return *m_core; }
    FluidCore& core() { return *m_core; }

private:
    std::shared_ptr<FluidCore> m_core;
};

// The FluidSynth engine's root; throws EngineError when no SoundFont can be loaded.
std::unique_ptr<MusicRoot> createFluidRoot();

// A factory for the engine lifecycle that makes FluidSynth roots. It starts making the
// synthesizer on a worker thread at once; the first root takes it, waiting for what is left
// of that. Making a root throws EngineError when no SoundFont can be loaded.
RootFactory fluidRootFactory();

class FluidPreparation;
// The same on a preparation already started, which the factory shares.
RootFactory fluidRootFactory(std::shared_ptr<FluidPreparation> preparation);

} // namespace tonvex
