#pragma once

#include <string>

namespace tonvex {

class Playback;

// mm:ss for a whole number of seconds; minutes are not truncated (6000 s is "100:00").
std::string formatElapsed(long long seconds);

// Play, stop and the 10 ms time display with end-of-song detection.
class Transport {
public:
    explicit Transport(Playback& playback);

    // Starts the loaded song at PlayPosition and enables the timer; failed engine steps are skipped.
    void PlayMidiFile();
    // Cuts all sound, stops and rewinds the song, disables the timer; failed engine steps are skipped.
    void StopMidiFile();
    // Shows the elapsed time and, once the song has ended, stops it; a failed position read shows 00:00.
    void Timer1_Timer();
    // StopMidiFile for a stop that no transport button asked for: a song that was playing
    // leaves the transport faces showing it stopped, as its end would.
    void stopAndShow();

private:
    // Clears the transport faces and lights the Stop button of the file that played.
    void showStopped();

    Playback& m_playback;
    bool m_timerOn = false; // what the window's timer was last told
};

} // namespace tonvex
