#include "pulse_output.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include <pthread.h>
#include <sched.h>

#include <pulse/error.h>

#include "pulse_stream.h"

namespace tonvex {
namespace {

using namespace std::chrono_literals;

// The thread ends within one period of being asked, unless a call to a hung server holds it.
constexpr auto kEndWait = 100ms;
constexpr int kChannels = 2;
constexpr double kDefaultRate = 44100.0;
// Rendered and written at a time: the thread answers a flush or a stop within this.
constexpr int kChunkFrames = 256;
// Queued ahead of the ear. A busy machine holds the renderer, or the server, back for tens of
// milliseconds at a time; this much keeps playing meanwhile. Starts and stops drop the queue,
// so it adds nothing to the time from a press to the sound.
constexpr auto kQueue = 200ms;
// The server asks for more whenever this much has been played.
constexpr auto kRefill = 10ms;
constexpr std::uint32_t kServerChoice = static_cast<std::uint32_t>(-1); // libpulse's "default"
constexpr const char* kClientName = "Tonvex";
constexpr const char* kStreamName = "Playback";

// How often a renderer held back by loading presets looks again.
constexpr auto kHeldWait = 2ms;

using Connection = std::unique_ptr<PulseStream>;

// A string setting of FluidSynth's; empty when unset or "default" (the server's own choice).
std::string stringSetting(fluid_settings_t* settings, const char* name)
{
    char* value = nullptr;
    if (fluid_settings_dupstr(settings, name, &value) != FLUID_OK || !value)
        return {};
    std::string text = value;
    fluid_free(value);
    return text == "default" ? std::string() : text;
}

int intSetting(fluid_settings_t* settings, const char* name, int fallback)
{
    int value = fallback;
    return fluid_settings_getint(settings, name, &value) == FLUID_OK ? value : fallback;
}

// As FluidSynth's own threads do; without the right to real-time scheduling it runs as it is.
void raisePriority(int priority)
{
    if (priority <= 0)
        return;
    sched_param param{};
    param.sched_priority = priority;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
}

} // namespace

// What the output's thread shares with the window thread. Both own it, so that a thread left
// in a hung call still has it when the call returns.
struct PulseOutput::State {
    std::shared_ptr<FluidCore> core;
    PulseStream::Options options;
    int realtimePriority = 0;
    std::chrono::milliseconds reopenInterval{}; // guarded by mutex
    // Replaced only by the thread, under mutex; used by the thread without it.
    Connection connection;
    // The thread's alone once it runs.
    std::vector<float> left, right, interleaved;

    std::mutex mutex;
    std::condition_variable changed;
    bool ending = false;   // guarded by mutex
    bool reopening = false; // guarded by mutex
    bool ended = false;    // guarded by mutex
    std::atomic<bool> connected{false};

    // A new connection; nullptr when no server answers, with libpulse's code in `error`.
    Connection connect(int& error) const { return PulseStream::connect(options, error); }
};

PulseOutput::PulseOutput(Key, std::shared_ptr<State> state) : m_state(std::move(state)) {}

std::unique_ptr<PulseOutput> PulseOutput::open(std::shared_ptr<FluidCore> core,
                                               std::chrono::milliseconds reopenInterval)
{
    fluid_settings_t* settings = core->settings();
    auto state = std::make_shared<State>();
    PulseStream::Options& options = state->options;
    options.server = stringSetting(settings, "audio.pulseaudio.server");
    options.device = stringSetting(settings, "audio.pulseaudio.device");
    options.clientName = kClientName;
    options.streamName = kStreamName;
    state->realtimePriority = intSetting(settings, "audio.realtime-prio", 0);
    state->reopenInterval = reopenInterval;
    double rate = kDefaultRate;
    fluid_settings_getnum(settings, "synth.sample-rate", &rate);
    options.format = {PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(rate), kChannels};
    const std::uint32_t frameBytes = kChannels * sizeof(float);
    auto bytesFor = [&](std::chrono::milliseconds span) {
        return static_cast<std::uint32_t>(rate * double(span.count()) / 1000.0) * frameBytes;
    };
    // Playback starts again after a flush as soon as two chunks are in.
    options.attributes = {kServerChoice, bytesFor(kQueue), 2 * kChunkFrames * frameBytes, bytesFor(kRefill),
                          kServerChoice};
    state->left.resize(kChunkFrames);
    state->right.resize(kChunkFrames);
    state->interleaved.resize(std::size_t{kChunkFrames} * kChannels);
    // The desktop's routing and volume by role, as FluidSynth's driver sets it; a role the
    // user set already stays.
    const std::string role = stringSetting(settings, "audio.pulseaudio.media-role");
    if (!role.empty())
        ::setenv("PULSE_PROP_media.role", role.c_str(), 0);

    int error = 0;
    state->connection = state->connect(error);
    if (!state->connection) {
        fluid_log(FLUID_ERR, "cannot connect to PulseAudio: %s", pa_strerror(error));
        return nullptr;
    }
    state->connected = true;
    state->core = std::move(core);
    auto output = std::make_unique<PulseOutput>(Key{}, state);
    try {
        output->m_thread = std::thread(&PulseOutput::run, std::move(state));
    } catch (const std::system_error&) {
        return nullptr;
    }
    return output;
}

PulseOutput::~PulseOutput()
{
    if (!m_thread.joinable())
        return;
    std::unique_lock lock(m_state->mutex);
    m_state->ending = true;
    if (m_state->connection)
        m_state->connection->interrupt();
    m_state->changed.notify_all();
    const bool ended = m_state->changed.wait_for(lock, kEndWait, [this] { return m_state->ended; });
    lock.unlock();
    if (ended)
        m_thread.join();
    else
        m_thread.detach();
}

bool PulseOutput::connected() const
{
    return m_state->connected;
}

void PulseOutput::setReopening(bool on)
{
    std::lock_guard lock(m_state->mutex);
    m_state->reopening = on;
    m_state->changed.notify_all();
}

void PulseOutput::discardQueued()
{
    std::lock_guard lock(m_state->mutex);
    if (m_state->connection)
        m_state->connection->flush();
}

void PulseOutput::setReopenInterval(std::chrono::milliseconds interval)
{
    std::lock_guard lock(m_state->mutex);
    m_state->reopenInterval = interval;
}

void PulseOutput::run(std::shared_ptr<State> state) noexcept
{
    pthread_setname_np(pthread_self(), "tonvex-pulse");
    raisePriority(state->realtimePriority);
    try {
        pump(*state);
    } catch (...) {
        // The output falls silent; the performance goes on without it.
    }
    std::lock_guard lock(state->mutex);
    state->connection.reset();
    state->connected = false;
    state->core->setOutputLatency({});
    state->ended = true;
    state->changed.notify_all();
}

void PulseOutput::pump(State& state)
{
    float* planes[kChannels] = {state.left.data(), state.right.data()};
    const auto frames = static_cast<int>(state.left.size());
    std::unique_lock lock(state.mutex);
    while (!state.ending) {
        if (!state.connection) {
            if (!state.reopening) {
                state.changed.wait(lock);
                continue;
            }
            lock.unlock();
            int error = 0;
            Connection fresh = state.connect(error); // a server starting up takes a moment
            lock.lock();
            if (fresh) {
                state.connection = std::move(fresh);
                state.connected = true;
                fluid_log(FLUID_INFO, "PulseAudio output reopened");
            } else {
                state.changed.wait_for(lock, state.reopenInterval,
                                       [&] { return state.ending || !state.reopening; });
            }
            continue;
        }
        lock.unlock();
        if (!state.core->render(frames, kChannels, planes)) {
            // Nothing queued meanwhile, so the song's first notes are heard as soon as they render.
            lock.lock();
            state.changed.wait_for(lock, kHeldWait, [&] { return state.ending; });
            continue;
        }
        for (int i = 0; i < frames; ++i) {
            state.interleaved[2 * i] = state.left[i];
            state.interleaved[2 * i + 1] = state.right[i];
        }
        int error = 0;
        // A slow server holds the write back; only a lost connection fails it.
        const bool written = state.connection->write(state.interleaved.data(),
                                                     state.interleaved.size() * sizeof(float), error);
        if (written)
            state.core->setOutputLatency(state.connection->latency());
        lock.lock();
        if (!written) {
            if (!state.ending)
                fluid_log(FLUID_WARN, "PulseAudio output lost: %s", pa_strerror(error));
            state.connected = false;
            state.connection.reset();
            state.core->setOutputLatency({}); // nothing is queued any more
        }
    }
}

} // namespace tonvex
