#include "pulse_stream.h"

#include <algorithm>
#include <cstdint>

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>

namespace tonvex {
namespace {

// Holds the main loop's lock for a scope.
class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop* loop) : m_loop(loop) { pa_threaded_mainloop_lock(m_loop); }
    ~LoopLock() { pa_threaded_mainloop_unlock(m_loop); }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

private:
    pa_threaded_mainloop* m_loop;
};

const char* orNull(const std::string& text)
{
    return text.empty() ? nullptr : text.c_str();
}

} // namespace

void PulseStream::notify(pa_context*, void* self)
{
    pa_threaded_mainloop_signal(static_cast<PulseStream*>(self)->m_loop, 0);
}

void PulseStream::notifyStream(pa_stream*, void* self)
{
    pa_threaded_mainloop_signal(static_cast<PulseStream*>(self)->m_loop, 0);
}

void PulseStream::notifyWritable(pa_stream*, std::size_t, void* self)
{
    pa_threaded_mainloop_signal(static_cast<PulseStream*>(self)->m_loop, 0);
}

std::unique_ptr<PulseStream> PulseStream::connect(const Options& options, int& error)
{
    std::unique_ptr<PulseStream> stream(new PulseStream);
    error = PA_ERR_INTERNAL;
    if (!(stream->m_loop = pa_threaded_mainloop_new()))
        return nullptr;
    stream->m_context = pa_context_new(pa_threaded_mainloop_get_api(stream->m_loop), options.clientName);
    if (!stream->m_context)
        return nullptr;
    pa_context_set_state_callback(stream->m_context, &PulseStream::notify, stream.get());
    if (pa_context_connect(stream->m_context, orNull(options.server), PA_CONTEXT_NOFLAGS, nullptr) < 0) {
        error = pa_context_errno(stream->m_context);
        return nullptr;
    }
    LoopLock lock(stream->m_loop);
    if (pa_threaded_mainloop_start(stream->m_loop) < 0)
        return nullptr;
    if (!stream->waitReady(options, error))
        return nullptr;
    return stream;
}

bool PulseStream::waitReady(const Options& options, int& error)
{
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(m_context);
        if (state == PA_CONTEXT_READY)
            break;
        if (!PA_CONTEXT_IS_GOOD(state)) {
            error = pa_context_errno(m_context);
            return false;
        }
        pa_threaded_mainloop_wait(m_loop);
    }
    if (!(m_stream = pa_stream_new(m_context, options.streamName, &options.format, nullptr))) {
        error = pa_context_errno(m_context);
        return false;
    }
    pa_stream_set_state_callback(m_stream, &PulseStream::notifyStream, this);
    pa_stream_set_write_callback(m_stream, &PulseStream::notifyWritable, this);
    // The queue is the total latency, split by the server between its own buffer and the
    // device's; timing updates keep latency() current between writes.
    constexpr auto kFlags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING
                                                           | PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(m_stream, orNull(options.device), &options.attributes, kFlags, nullptr,
                                   nullptr) < 0) {
        error = pa_context_errno(m_context);
        return false;
    }
    for (;;) {
        const pa_stream_state_t state = pa_stream_get_state(m_stream);
        if (state == PA_STREAM_READY)
            return true;
        if (!PA_STREAM_IS_GOOD(state)) {
            error = pa_context_errno(m_context);
            return false;
        }
        pa_threaded_mainloop_wait(m_loop);
    }
}

PulseStream::~PulseStream()
{
    if (m_loop)
        pa_threaded_mainloop_stop(m_loop);
    if (m_stream) {
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
    }
    if (m_context) {
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
    }
    if (m_loop)
        pa_threaded_mainloop_free(m_loop);
}

bool PulseStream::usable(int& error)
{
    if (m_interrupted) {
        error = PA_ERR_KILLED;
        return false;
    }
    if (pa_context_get_state(m_context) != PA_CONTEXT_READY || !m_stream
        || pa_stream_get_state(m_stream) != PA_STREAM_READY) {
        error = pa_context_errno(m_context);
        if (error == PA_OK)
            error = PA_ERR_BADSTATE;
        return false;
    }
    return true;
}

bool PulseStream::write(const void* data, std::size_t bytes, int& error)
{
    const auto* next = static_cast<const std::uint8_t*>(data);
    LoopLock lock(m_loop);
    while (bytes > 0) {
        if (!usable(error))
            return false;
        const std::size_t room = pa_stream_writable_size(m_stream);
        if (room == static_cast<std::size_t>(-1)) {
            error = pa_context_errno(m_context);
            return false;
        }
        if (room == 0) {
            pa_threaded_mainloop_wait(m_loop);
            continue;
        }
        const std::size_t part = std::min(room, bytes);
        if (pa_stream_write(m_stream, next, part, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
            error = pa_context_errno(m_context);
            return false;
        }
        next += part;
        bytes -= part;
    }
    return true;
}

void PulseStream::flush()
{
    LoopLock lock(m_loop);
    int error = 0;
    if (!usable(error))
        return;
    if (pa_operation* operation = pa_stream_flush(m_stream, nullptr, nullptr))
        pa_operation_unref(operation);
}

std::chrono::microseconds PulseStream::latency()
{
    LoopLock lock(m_loop);
    int error = 0;
    pa_usec_t usec = 0;
    int negative = 0;
    if (!usable(error) || pa_stream_get_latency(m_stream, &usec, &negative) < 0 || negative)
        return std::chrono::microseconds(0);
    return std::chrono::microseconds(usec);
}

void PulseStream::interrupt()
{
    LoopLock lock(m_loop);
    m_interrupted = true;
    pa_threaded_mainloop_signal(m_loop, 0);
}

} // namespace tonvex
