#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include <pulse/def.h>
#include <pulse/sample.h>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

namespace tonvex {

// A blocking PulseAudio playback stream on a threaded main loop of its own. Unlike
// libpulse-simple it can drop what is queued (so a deep queue costs no latency at a start or a
// stop), say how far ahead of the ear the written audio is, and be woken out of a write.
class PulseStream {
public:
    struct Options {
        std::string server; // empty: the default server
        std::string device; // empty: the default sink
        const char* clientName = "";
        const char* streamName = "";
        pa_sample_spec format{};
        pa_buffer_attr attributes{};
    };

    // Connects and waits until the stream is ready; nullptr when the server refuses or cannot
    // be reached, with libpulse's error code in `error`.
    static std::unique_ptr<PulseStream> connect(const Options& options, int& error);
    ~PulseStream();

    PulseStream(const PulseStream&) = delete;
    PulseStream& operator=(const PulseStream&) = delete;

    // Writes all bytes, waiting while the queue is full; false (with the code in `error`) when
    // the connection is lost or the stream was interrupted.
    bool write(const void* data, std::size_t bytes, int& error);
    // Drops the audio queued but not yet played; safe from any thread.
    void flush();
    // How long the last written sample waits before it is heard; zero when not known.
    std::chrono::microseconds latency();
    // Makes the write in progress, and every later one, fail at once; safe from any thread.
    void interrupt();

private:
    PulseStream() = default;
    static void notify(pa_context* context, void* self);
    static void notifyStream(pa_stream* stream, void* self);
    static void notifyWritable(pa_stream* stream, std::size_t bytes, void* self);
    bool waitReady(const Options& options, int& error);
    bool usable(int& error);

    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    bool m_interrupted = false; // guarded by the main loop's lock
};

} // namespace tonvex
