#include "fluid_driver_output.h"

namespace tonvex {
namespace {

// The driver's callback: the synthesizer rendered under the core's render lock.
int renderBlock(void* core, int frames, int, float*[], int outputs, float* out[])
{
    static_cast<FluidCore*>(core)->render(frames, outputs, out);
    return FLUID_OK;
}

} // namespace

std::unique_ptr<FluidDriverOutput> FluidDriverOutput::open(std::shared_ptr<FluidCore> core,
                                                           const char* name)
{
    auto output = std::make_unique<FluidDriverOutput>(Key{});
    output->m_core = std::move(core);
    FluidCore& held = *output->m_core;
    fluid_settings_setstr(held.settings(), "audio.driver", name);
    output->m_driver.reset(new_fluid_audio_driver2(held.settings(), renderBlock, &held));
    if (!output->m_driver)
        return nullptr;
    output->m_name = name;
    return output;
}

} // namespace tonvex
