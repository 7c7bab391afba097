// Runs every engine step once where no sound server can be reached; exits with the number
// of the first step that did not behave (0 when all did) and prints nothing.
#include <cstdio>

#include "fluid_root.h"
#include "midi_bytes.h"

using namespace tonvex;

namespace {

template <class Step>
bool succeeds(Step&& step)
{
    try {
        step();
        return true;
    } catch (const EngineError&) {
        return false;
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 100;
    std::unique_ptr<MusicRoot> root;
    if (!succeeds([&] { root = createFluidRoot(); }))
        return 1;
    auto performance = root->DirectMusicPerformanceCreate();
    auto loader = root->DirectMusicLoaderCreate();
    if (succeeds([&] { performance->InitAudio(kAudioFeaturesAll, AudioParams{}, kPathDynamicStereo,
                                              kPerformanceChannels); }))
        return 2;
    if (!succeeds([&] { performance->AddNotificationType(kNotifySegment); }))
        return 3;
    std::unique_ptr<Segment> segment;
    if (!succeeds([&] { segment = loader->LoadSegment(argv[1]); }))
        return 4;
    if (!succeeds([&] { segment->SetStandardMidiFile(); segment->Download(*performance); }))
        return 5;
    if (!succeeds([&] { performance->SetMasterTempo(1.0f); performance->SetMasterVolume(kMasterVolume); }))
        return 6;
    MusicTime time = -1;
    if (!succeeds([&] { time = performance->GetMusicTime(); }) || time != 0)
        return 7;
    if (succeeds([&] { performance->PlaySegmentEx(*segment, 0, 0); }))
        return 8;
    if (!succeeds([&] { performance->GetTempo(0); performance->StopEx(*segment, 0, 0); }))
        return 9;
    for (int channel = 0; channel < 16; ++channel)
        if (!succeeds([&] { performance->SendMIDIPMSG(0, kMessageAtOnce, channel, midi::kControlChange,
                                                      midi::kAllSoundOff, 0); }))
            return 10;
    if (!succeeds([&] { performance->CloseDown(); }))
        return 11;
    std::fflush(stdout);
    return 0;
}
