#include "fluid_preparation.h"

#include <chrono>
#include <utility>

namespace tonvex {

FluidPreparation::FluidPreparation(Create create)
    : m_create(std::move(create)), m_prepared(std::async(std::launch::async, m_create))
{
}

FluidPreparation::~FluidPreparation()
{
    if (m_prepared.valid())
        m_prepared.wait();
}

bool FluidPreparation::ready() const
{
    std::lock_guard lock(m_mutex);
    return !m_prepared.valid() || m_prepared.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

std::shared_ptr<FluidCore> FluidPreparation::take()
{
    std::unique_lock lock(m_mutex);
    if (!m_prepared.valid()) {
        lock.unlock();
        return m_create();
    }
    // get() leaves the future empty, so a failed read is tried again on the next take.
    return m_prepared.get();
}

} // namespace tonvex
