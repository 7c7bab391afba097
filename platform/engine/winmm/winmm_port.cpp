#include "winmm_port.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>

#include "engine.h"

namespace tonvex {
namespace {

// How long a driver may take over a long message before it is given up.
constexpr auto kLongMessageTimeout = std::chrono::seconds(1);
constexpr double kFullLevel = 0xFFFF;

void check(MMRESULT result, const char* what)
{
    if (result != MMSYSERR_NOERROR)
        throw EngineError(std::string(what) + " failed with MMRESULT " + std::to_string(result));
}

} // namespace

std::unique_ptr<MidiPort> WinmmPort::open()
{
    HMIDIOUT handle = nullptr;
    check(midiOutOpen(&handle, MIDI_MAPPER, 0, 0, CALLBACK_NULL), "midiOutOpen");
    return std::unique_ptr<MidiPort>(new WinmmPort(handle));
}

WinmmPort::~WinmmPort()
{
    // A long message still with the driver would make the close fail.
    if (midiOutClose(m_handle) != MMSYSERR_NOERROR) {
        midiOutReset(m_handle);
        midiOutClose(m_handle);
    }
}

void WinmmPort::shortMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    const DWORD packed = status | (DWORD{data1} << 8) | (DWORD{data2} << 16);
    check(midiOutShortMsg(m_handle, packed), "midiOutShortMsg");
}

void WinmmPort::longMessage(std::span<const std::uint8_t> message)
{
    m_buffer.assign(message.begin(), message.end());
    MIDIHDR header{};
    header.lpData = m_buffer.data();
    header.dwBufferLength = static_cast<DWORD>(m_buffer.size());
    check(midiOutPrepareHeader(m_handle, &header, sizeof header), "midiOutPrepareHeader");
    MMRESULT sent = midiOutLongMsg(m_handle, &header, sizeof header);
    // Without a callback the driver's done flag is all there is to wait on.
    const auto giveUp = std::chrono::steady_clock::now() + kLongMessageTimeout;
    while (sent == MMSYSERR_NOERROR && !(header.dwFlags & MHDR_DONE)) {
        if (std::chrono::steady_clock::now() > giveUp) {
            midiOutReset(m_handle); // returns the buffer
            sent = MIDIERR_STILLPLAYING;
            break;
        }
        std::this_thread::yield();
    }
    midiOutUnprepareHeader(m_handle, &header, sizeof header);
    check(sent, "midiOutLongMsg");
}

void WinmmPort::setVolume(double gain)
{
    const DWORD level = static_cast<DWORD>(std::lround(std::clamp(gain, 0.0, 1.0) * kFullLevel));
    check(midiOutSetVolume(m_handle, level | (level << 16)), "midiOutSetVolume"); // left, right
}

void WinmmPort::reset()
{
    check(midiOutReset(m_handle), "midiOutReset");
}

} // namespace tonvex
