#pragma once

#include <functional>
#include <future>
#include <memory>
#include <mutex>

#include "fluid_core.h"

namespace tonvex {

// Makes the synthesizer and reads the SoundFont's catalogue on a worker thread started at
// construction, so that the window thread never waits for it; the first root takes what it
// made.
class FluidPreparation {
public:
    using Create = std::function<std::shared_ptr<FluidCore>()>;

    explicit FluidPreparation(Create create = &FluidCore::create);
    // Waits for the worker, which may still be reading.
    ~FluidPreparation();

    FluidPreparation(const FluidPreparation&) = delete;
    FluidPreparation& operator=(const FluidPreparation&) = delete;

    // Whether the worker has finished, with a core or with a failure.
    bool ready() const;
    // The prepared core, after waiting for what is left of the read; once that has been
    // taken, a new core made on the calling thread. Throws EngineError when no SoundFont loads.
    std::shared_ptr<FluidCore> take();

private:
    Create m_create;
    mutable std::mutex m_mutex;
    std::future<std::shared_ptr<FluidCore>> m_prepared;
};

} // namespace tonvex
