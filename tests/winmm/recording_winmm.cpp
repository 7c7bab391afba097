// A stand-in for winmm.dll that records each MIDI output call, with its performance-counter
// time, in the file named by TONVEX_MIDI_RECORD (at each reset and close):
// "<counter> <call> <argument>" a line.
// Placed beside a test program and loaded with WINEDLLOVERRIDES="winmm=n,b".
#define _WINMM_
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <string>

namespace {

SRWLOCK lock = SRWLOCK_INIT;
std::string pending; // written at a reset or close, so that writing costs the player nothing

// Records the call; a reset or close appends the calls so far to the record.
MMRESULT record(const char* call, const std::string& argument = {}, bool flush = false)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    AcquireSRWLockExclusive(&lock);
    pending += std::to_string(now.QuadPart) + " " + call + " " + argument + "\n";
    wchar_t path[MAX_PATH];
    if (flush && GetEnvironmentVariableW(L"TONVEX_MIDI_RECORD", path, MAX_PATH) > 0) {
        const HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(file, pending.data(), static_cast<DWORD>(pending.size()), &written, nullptr);
        CloseHandle(file);
        pending.clear();
    }
    ReleaseSRWLockExclusive(&lock);
    return MMSYSERR_NOERROR;
}

std::string hex(unsigned long value, const char* format = "%06lx")
{
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

#define EXPORT extern "C" __declspec(dllexport)

// Tells a test that it runs against the recording.
EXPORT int tonvexRecordingWinmm() { return 1; }

EXPORT UINT WINAPI midiOutGetNumDevs() { return 1; }

EXPORT MMRESULT WINAPI midiOutOpen(LPHMIDIOUT handle, UINT device, DWORD_PTR, DWORD_PTR, DWORD)
{
    *handle = reinterpret_cast<HMIDIOUT>(0x7E57);
    return record("open", std::to_string(static_cast<int>(device)));
}

EXPORT MMRESULT WINAPI midiOutShortMsg(HMIDIOUT, DWORD message) { return record("short", hex(message)); }

EXPORT MMRESULT WINAPI midiOutPrepareHeader(HMIDIOUT, LPMIDIHDR header, UINT)
{
    header->dwFlags |= MHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

EXPORT MMRESULT WINAPI midiOutLongMsg(HMIDIOUT, LPMIDIHDR header, UINT)
{
    if (!(header->dwFlags & MHDR_PREPARED))
        return MIDIERR_UNPREPARED;
    std::string bytes;
    for (DWORD i = 0; i < header->dwBufferLength; ++i)
        bytes += hex(static_cast<unsigned char>(header->lpData[i]), "%02lx");
    header->dwFlags |= MHDR_DONE;
    return record("long", bytes);
}

EXPORT MMRESULT WINAPI midiOutUnprepareHeader(HMIDIOUT, LPMIDIHDR header, UINT)
{
    header->dwFlags &= ~MHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

EXPORT MMRESULT WINAPI midiOutSetVolume(HMIDIOUT, DWORD volume) { return record("volume", hex(volume)); }
EXPORT MMRESULT WINAPI midiOutReset(HMIDIOUT) { return record("reset", {}, true); }
EXPORT MMRESULT WINAPI midiOutClose(HMIDIOUT) { return record("close", {}, true); }
EXPORT MMRESULT WINAPI timeBeginPeriod(UINT) { return TIMERR_NOERROR; }
EXPORT MMRESULT WINAPI timeEndPeriod(UINT) { return TIMERR_NOERROR; }
