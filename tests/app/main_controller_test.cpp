#include "main_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <clocale>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "fake_engine.h"
#include "fake_view.h"

namespace tonvex {
namespace {

using test::FakeEngine;
using test::FakeView;
using Strings = std::vector<std::string>;

// A fake view whose calls also land in the engine's call list, so one timeline shows how
// window and engine calls interleave.
class TimelineView : public FakeView {
public:
    explicit TimelineView(FakeEngine& engine) : m_engine(engine) {}

    void setCaption(Label label, const std::string& text) override { FakeView::setCaption(label, text), mark(); }
    void moveLabel(Label label, int x, int y) override { FakeView::moveLabel(label, x, y), mark(); }
    void setFace(int button, Face face) override { FakeView::setFace(button, face), mark(); }
    void setTimerEnabled(bool enabled) override { FakeView::setTimerEnabled(enabled), mark(); }
    void processEvents() override
    {
        m_engine.calls.push_back("view:processEvents");
        FakeView::processEvents();
    }
    void showMessage(const std::string& text) override { FakeView::showMessage(text), mark(); }
    std::string caption(Label label) const override
    {
        m_engine.calls.push_back("view:caption");
        return FakeView::caption(label);
    }
    void quit() override { FakeView::quit(), mark(); }

private:
    void mark() { m_engine.calls.push_back("view:" + log.back()); }
    FakeEngine& m_engine;
};

// Stands in for the transformation: records what it was asked to do and answers as told.
struct FakeRun {
    struct Call {
        std::string inFileName;
        std::string suffix;
    };
    std::vector<Call> calls;
    RunStatus status = RunStatus::Written;
    // What the run does with its hook before it finishes; returns false to cancel.
    std::function<bool(const YieldHook&)> work;
    Strings* timeline = nullptr;

    Transformation function()
    {
        return [this](const std::string& in, const Preset& preset, const YieldHook& hook) {
            calls.push_back({in, preset.OutSuffix});
            RunResult result;
            result.status = status;
            if (work && !work(hook))
                result.status = RunStatus::Cancelled;
            if (result.status == RunStatus::Written)
                result.outFileName = outputFileName(in, preset.OutSuffix).value_or("");
            if (timeline)
                timeline->push_back("run:end");
            return result;
        };
    }
};

// Sleeps long enough that the next hook call is due to let window events run.
bool yieldOnce(const YieldHook& hook)
{
    std::this_thread::sleep_for(MainController::kYieldInterval * 2);
    return hook();
}

class MainControllerTest : public ::testing::Test {
protected:
    MainControllerTest() { run.timeline = &engine.calls; }

    // The position of the first call starting with `prefix` in the timeline, or -1.
    long indexOf(const std::string& prefix, std::size_t from = 0) const
    {
        for (std::size_t i = from; i < engine.calls.size(); ++i)
            if (engine.calls[i].rfind(prefix, 0) == 0)
                return static_cast<long>(i);
        return -1;
    }
    std::size_t count(const std::string& prefix) const
    {
        return static_cast<std::size_t>(std::count_if(engine.calls.begin(), engine.calls.end(), [&](const std::string& c) {
            return c.rfind(prefix, 0) == 0;
        }));
    }
    void forget()
    {
        engine.calls.clear();
        view.log.clear();
    }
    Face face(int i) const { return view.faces.at(static_cast<std::size_t>(i)); }
    void expectFaces(const std::vector<Face>& expected) const
    {
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(view.faces[i], expected[i]) << "button " << i;
    }

    FakeEngine engine;
    TimelineView view{engine};
    FakeRun run;
    MainController controller{view, engine.rootFactory(), run.function()};
};

const std::string kSong = "/music/Song.mid";
const std::string kOutput = "/music/Song_Mirror.mid";

TEST_F(MainControllerTest, NothingActsBeforeTheFirstAcceptedDrop)
{
    for (int i = 0; i < kButtonCount; ++i)
        controller.ImgBut_MouseDown(i);
    controller.DragFile_OLEDragDrop({"/music/notes.txt"});
    for (int i = 0; i < kButtonCount; ++i)
        controller.ImgBut_MouseDown(i);

    EXPECT_TRUE(engine.calls.empty());
    EXPECT_TRUE(view.log.empty());
    EXPECT_TRUE(run.calls.empty());
    EXPECT_TRUE(controller.state().InFileName.empty());
}

TEST_F(MainControllerTest, DropShowsPathEmptiesOutputClearsFacesStopsAndLoads)
{
    controller.DragFile_OLEDragDrop({kSong});
    controller.ImgBut_MouseDown(0);
    controller.Timer1_Timer();
    controller.ImgBut_MouseDown(4);
    ASSERT_EQ(view.captions[Label::OutputFile], kOutput);
    ASSERT_EQ(view.captions[Label::LabTime], "00:00");
    forget();

    const std::string dropped = "C:\\Music\\song.mid";
    controller.DragFile_OLEDragDrop({dropped});

    EXPECT_EQ(controller.state().InFileName, dropped);
    EXPECT_EQ(view.captions[Label::DragFile], dropped);
    EXPECT_EQ(view.captions[Label::OutputFile], "");
    EXPECT_EQ(controller.state().OutFileName, "");
    expectFaces(std::vector<Face>(kButtonCount, Face::None));

    // Shown first, then stopped, then the output forgotten and the faces cleared, then loaded.
    const long shown = indexOf("view:setCaption(DragFile," + dropped);
    const long stopped = indexOf("view:timer(off)");
    const long outputEmptied = indexOf("view:setCaption(OutputFile,)");
    const long facesCleared = indexOf("view:setFace(8,none)");
    const long loaded = indexOf("LoadSegment(" + dropped);
    ASSERT_GE(shown, 0);
    EXPECT_LT(shown, stopped);
    EXPECT_LT(stopped, indexOf("SendMIDIPMSG"));
    EXPECT_LT(indexOf("SendMIDIPMSG"), outputEmptied);
    EXPECT_LT(outputEmptied, facesCleared);
    EXPECT_LT(facesCleared, indexOf("CloseDown"));
    EXPECT_LT(facesCleared, loaded);
    for (int i = 0; i < kButtonCount; ++i)
        EXPECT_GE(indexOf("view:setFace(" + std::to_string(i) + ",none)"), 0);

    // The time display keeps its place; the time of the old file goes with it.
    EXPECT_EQ(indexOf("view:moveLabel"), -1);
    EXPECT_EQ(view.captions[Label::LabTime], "");
    EXPECT_LT(stopped, indexOf("view:setCaption(LabTime,)"));
}

TEST_F(MainControllerTest, AcceptsAnyPathHoldingDotMidInAnyCase)
{
    for (const std::string path : {"/a/SONG.MID", "/a/Song.Mid", "/a/tune.midi", "/a/take.mid.bak",
                                   "/songs.mid/notes.txt"}) {
        controller.DragFile_OLEDragDrop({path});
        EXPECT_EQ(controller.state().InFileName, path);
        EXPECT_EQ(view.captions[Label::DragFile], path);
    }
}

TEST_F(MainControllerTest, NamesAreTestedTheSameInATurkishLocale)
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "tr_TR.UTF-8"))
        GTEST_SKIP() << "no tr_TR.UTF-8 locale (localedef -i tr_TR -f UTF-8 tr_TR.UTF-8)";
    // Where the C library upper-cases 'i' to 'I', this case proves nothing.
    const bool dotted = std::toupper('i') != 'I';
    controller.DragFile_OLEDragDrop({"/a/song.mid"});
    controller.ImgBut_MouseDown(4);
    std::setlocale(LC_ALL, previous.c_str());
    if (!dotted)
        GTEST_SKIP() << "toupper('i') is 'I' in tr_TR.UTF-8 here";
    EXPECT_EQ(controller.state().InFileName, "/a/song.mid");
    EXPECT_EQ(controller.state().OutFileName, "/a/song_Mirror.mid");
}

TEST_F(MainControllerTest, DropWithoutMidiPathChangesNothing)
{
    controller.DragFile_OLEDragDrop({kSong});
    forget();

    for (const Strings& drop : {Strings{"/a/notes.txt"}, Strings{"/a/song.kar", "/a/song.mi"}, Strings{}}) {
        controller.DragFile_OLEDragDrop(drop);
        EXPECT_EQ(controller.state().InFileName, kSong);
    }
    EXPECT_EQ(view.captions[Label::DragFile], kSong);
    EXPECT_TRUE(view.log.empty());
    EXPECT_TRUE(engine.calls.empty());
}

TEST_F(MainControllerTest, SeveralPathsInOneDropLoadEachAcceptedOneInOrder)
{
    controller.DragFile_OLEDragDrop({"/a/a.mid", "/a/b.txt", "/a/c.mid"});

    EXPECT_EQ(engine.callsOf("LoadSegment"), (Strings{"LoadSegment(/a/a.mid)", "LoadSegment(/a/c.mid)"}));
    EXPECT_EQ(controller.state().InFileName, "/a/c.mid");
    EXPECT_EQ(view.captions[Label::DragFile], "/a/c.mid");
}

TEST_F(MainControllerTest, PlayInputReloadsTheInputAndStartsItFromTheBeginning)
{
    controller.DragFile_OLEDragDrop({kSong});
    for (int press = 0; press < 2; ++press) {
        forget();
        controller.ImgBut_MouseDown(0);

        expectFaces({Face::Play, Face::None, Face::None, Face::None});
        EXPECT_EQ(view.positions[Label::LabTime], std::make_pair(185, 153));
        EXPECT_TRUE(view.timerEnabled);
        const long lastClear = indexOf("view:setFace(3,none)");
        const long lit = indexOf("view:setFace(0,PLAY)");
        const long moved = indexOf("view:moveLabel(LabTime,185,153)");
        const long loaded = indexOf("LoadSegment(" + kSong + ")");
        const long started = indexOf("SetStartPoint(" + kSong + ",0)", static_cast<std::size_t>(loaded));
        ASSERT_GE(lastClear, 0);
        EXPECT_LT(lastClear, lit);
        EXPECT_LT(lit, moved);
        EXPECT_LT(moved, loaded);
        EXPECT_LT(loaded, started);
        EXPECT_LT(started, indexOf("view:timer(on)", static_cast<std::size_t>(started)));
    }
}

TEST_F(MainControllerTest, StopButtonsStopWhateverPlaysAndLightTheirOwnFace)
{
    controller.DragFile_OLEDragDrop({kSong});
    controller.ImgBut_MouseDown(0);
    forget();

    controller.ImgBut_MouseDown(1);
    expectFaces({Face::None, Face::Stop, Face::None, Face::None});
    EXPECT_FALSE(view.timerEnabled);
    EXPECT_EQ(engine.callsOf("SendMIDIPMSG").size(), 16u);
    EXPECT_EQ(engine.callsOf("LoadSegment").size(), 0u);

    controller.ImgBut_MouseDown(4);
    controller.ImgBut_MouseDown(2);
    forget();
    controller.ImgBut_MouseDown(3);
    expectFaces({Face::None, Face::None, Face::None, Face::Stop});
    EXPECT_FALSE(view.timerEnabled);
    EXPECT_EQ(engine.callsOf("SendMIDIPMSG").size(), 16u);
}

TEST_F(MainControllerTest, OutputButtonsActOnlyWhileThereIsAnOutput)
{
    controller.DragFile_OLEDragDrop({kSong});
    controller.ImgBut_MouseDown(0);
    forget();
    controller.ImgBut_MouseDown(2);
    controller.ImgBut_MouseDown(3);
    EXPECT_TRUE(view.log.empty());
    EXPECT_TRUE(engine.calls.empty());
    EXPECT_EQ(face(0), Face::Play);

    controller.ImgBut_MouseDown(4);
    forget();
    controller.ImgBut_MouseDown(2);
    EXPECT_EQ(controller.state().InFileName, kOutput);
    EXPECT_EQ(view.positions[Label::LabTime], std::make_pair(250, 219));
    expectFaces({Face::None, Face::None, Face::Play, Face::None, Face::Select});
    EXPECT_LT(indexOf("view:moveLabel(LabTime,250,219)"), indexOf("LoadSegment(" + kOutput + ")"));
    EXPECT_LT(indexOf("LoadSegment(" + kOutput + ")"), indexOf("PlaySegmentEx(" + kOutput));

    // The next drop forgets the output again.
    controller.DragFile_OLEDragDrop({"/music/Other.mid"});
    forget();
    controller.ImgBut_MouseDown(2);
    controller.ImgBut_MouseDown(3);
    EXPECT_TRUE(view.log.empty());
    EXPECT_TRUE(engine.calls.empty());
}

TEST_F(MainControllerTest, EachTransformationButtonRunsItsPresetOnTheInput)
{
    const Strings suffixes = {"_Mirror.mid", "_Reverse.mid", "_Upside.mid", "_Whole.mid", "_Penta.mid"};
    controller.DragFile_OLEDragDrop({kSong});
    controller.ImgBut_MouseDown(0);
    for (int index = 4; index <= 8; ++index) {
        forget();
        controller.ImgBut_MouseDown(index);

        ASSERT_EQ(run.calls.size(), static_cast<std::size_t>(index - 3));
        EXPECT_EQ(run.calls.back().inFileName, kSong);
        EXPECT_EQ(run.calls.back().suffix, suffixes[static_cast<std::size_t>(index - 4)]);
        for (int b = 4; b <= 8; ++b)
            EXPECT_EQ(face(b), b == index ? Face::Select : Face::None) << "button " << b;
        // Playback stopped with the first press: the transport shows it as at a song's end.
        EXPECT_EQ(face(0), Face::None);
        EXPECT_EQ(face(1), Face::Stop);
        const std::string out = "/music/Song" + suffixes[static_cast<std::size_t>(index - 4)];
        EXPECT_EQ(controller.state().OutFileName, out);
        EXPECT_EQ(view.captions[Label::OutputFile], out);
        // Playback stops before the run; the output is shown after it.
        EXPECT_LT(indexOf("view:setFace(" + std::to_string(index) + ",SELECT)"), indexOf("view:timer(off)"));
        EXPECT_LT(indexOf("view:timer(off)"), indexOf("run:end"));
        EXPECT_LT(indexOf("run:end"), indexOf("view:setCaption(OutputFile," + out));
        EXPECT_FALSE(view.timerEnabled);
    }
    controller.ImgBut_MouseDown(9); // past the last button
    EXPECT_EQ(run.calls.size(), 5u);
}

TEST_F(MainControllerTest, TransformationAfterPlayingTheOutputReadsTheInput)
{
    controller.DragFile_OLEDragDrop({kSong});
    controller.ImgBut_MouseDown(4);
    controller.ImgBut_MouseDown(2);
    ASSERT_EQ(controller.state().InFileName, kOutput);

    controller.ImgBut_MouseDown(5);
    EXPECT_EQ(run.calls.back().inFileName, kSong);
    EXPECT_EQ(controller.state().InFileName, kSong);
    EXPECT_EQ(controller.state().OutFileName, "/music/Song_Reverse.mid");
    expectFaces({Face::None, Face::None, Face::None, Face::Stop});
    EXPECT_EQ(count("view:caption"), 0u) << "the logic keeps its own paths";
}

TEST_F(MainControllerTest, IndicesOutsideTheNineButtonsDoNothing)
{
    controller.DragFile_OLEDragDrop({kSong});
    forget();
    for (int index : {-1, 9, 100})
        controller.ImgBut_MouseDown(index);
    EXPECT_TRUE(view.log.empty());
    EXPECT_TRUE(engine.calls.empty());
}

TEST_F(MainControllerTest, FailedRunShowsItsMessageAndKeepsThePreviousOutput)
{
    controller.DragFile_OLEDragDrop({kSong});
    controller.ImgBut_MouseDown(4);
    ASSERT_EQ(controller.state().OutFileName, kOutput);

    run.status = RunStatus::CannotRead;
    controller.ImgBut_MouseDown(5);
    run.status = RunStatus::CannotWrite;
    controller.ImgBut_MouseDown(6);

    EXPECT_EQ(view.messages, (Strings{"CANNOT READ MIDI FILE!", "CANNOT WRITE MIDI FILE!"}));
    EXPECT_EQ(controller.state().OutFileName, kOutput);
    EXPECT_EQ(view.captions[Label::OutputFile], kOutput);
    EXPECT_FALSE(view.quitRequested);

    // The program goes on: the kept output still plays.
    controller.ImgBut_MouseDown(2);
    EXPECT_EQ(engine.callsOf("PlaySegmentEx").back(), "PlaySegmentEx(" + kOutput + ",0,0)");
}

TEST_F(MainControllerTest, DropsAndPressesDuringARunAreIgnored)
{
    controller.DragFile_OLEDragDrop({kSong});
    int yields = 0;
    view.onProcessEvents = [&] {
        ++yields;
        controller.DragFile_OLEDragDrop({"/music/Other.mid"});
        for (int i = 0; i < kButtonCount; ++i)
            controller.ImgBut_MouseDown(i);
    };
    run.work = [](const YieldHook& hook) { return yieldOnce(hook) && yieldOnce(hook); };
    forget();

    controller.ImgBut_MouseDown(4);

    EXPECT_EQ(yields, 2);
    EXPECT_EQ(run.calls.size(), 1u);
    EXPECT_EQ(controller.state().InFileName, kSong);
    EXPECT_EQ(view.captions[Label::DragFile], kSong);
    EXPECT_EQ(controller.state().OutFileName, kOutput);
    EXPECT_EQ(engine.callsOf("LoadSegment").size(), 0u);
    for (int b = 0; b < kButtonCount; ++b)
        EXPECT_EQ(face(b), b == 4 ? Face::Select : Face::None) << "button " << b;

    // Once the run is over, presses act again.
    view.onProcessEvents = nullptr;
    controller.ImgBut_MouseDown(0);
    EXPECT_EQ(face(0), Face::Play);
}

TEST_F(MainControllerTest, CloseDuringARunCancelsItThenReleasesTheEngineAndQuits)
{
    controller.DragFile_OLEDragDrop({kSong});
    bool keptGoing = true;
    view.onProcessEvents = [&] { controller.Shut_Click(); };
    run.work = [&](const YieldHook& hook) {
        keptGoing = yieldOnce(hook);
        return keptGoing;
    };
    forget();

    controller.ImgBut_MouseDown(4);

    EXPECT_FALSE(keptGoing);
    EXPECT_TRUE(view.quitRequested);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(controller.state().OutFileName, "");
    EXPECT_EQ(view.captions[Label::OutputFile], "");
    // The run ends before the engine goes and the program quits.
    const long ended = indexOf("run:end");
    ASSERT_GE(ended, 0);
    EXPECT_LT(ended, indexOf("CloseDown"));
    EXPECT_LT(indexOf("CloseDown"), indexOf("view:quit"));
}

TEST_F(MainControllerTest, CloseReleasesTheEngineBeforeQuitting)
{
    controller.DragFile_OLEDragDrop({kSong});
    controller.ImgBut_MouseDown(0);
    forget();

    controller.Shut_Click();

    EXPECT_FALSE(view.timerEnabled);
    EXPECT_EQ(engine.openPerformances, 0);
    EXPECT_EQ(engine.liveSegments, 0);
    ASSERT_GE(indexOf("CloseDown"), 0);
    EXPECT_LT(indexOf("SendMIDIPMSG"), indexOf("CloseDown"));
    EXPECT_LT(indexOf("CloseDown"), indexOf("view:quit"));
    EXPECT_EQ(count("view:quit"), 1u);

    // Nothing acts once the program is ending.
    forget();
    controller.Shut_Click();
    controller.ImgBut_MouseDown(0);
    controller.DragFile_OLEDragDrop({kSong});
    EXPECT_TRUE(engine.calls.empty());
}

// A close during the load's first or second pass of window events: the engine's release in
// CloseDevice, or the one after the rebuild.
class CloseDuringLoad : public MainControllerTest, public ::testing::WithParamInterface<int> {};

TEST_P(CloseDuringLoad, NothingOfTheLoadRunsAfterTheClose)
{
    controller.DragFile_OLEDragDrop({kSong});
    int passes = 0;
    view.onProcessEvents = [&] {
        if (++passes == GetParam())
            controller.Shut_Click();
    };
    forget();

    controller.ImgBut_MouseDown(kPlayInput);

    ASSERT_TRUE(view.quitRequested);
    const long quit = indexOf("view:quit");
    for (const char* step : {"InitAudio", "LoadSegment", "PlaySegmentEx"})
        EXPECT_EQ(indexOf(step, static_cast<std::size_t>(quit)), -1) << step << " after the close";
    EXPECT_EQ(engine.openPerformances, 0);
    EXPECT_FALSE(view.timerEnabled);
}

INSTANTIATE_TEST_SUITE_P(EitherPass, CloseDuringLoad, ::testing::Values(1, 2));

TEST_F(MainControllerTest, CloseBeforeAnyFileOnlyQuits)
{
    controller.Shut_Click();
    EXPECT_TRUE(view.quitRequested);
    EXPECT_EQ(engine.callsOf("CloseDown").size(), 0u);
}

TEST_F(MainControllerTest, RunLetsWindowEventsRunOnlyEveryFewMilliseconds)
{
    controller.DragFile_OLEDragDrop({kSong});
    view.processEventsCount = 0;
    std::chrono::steady_clock::duration busy{};
    run.work = [&](const YieldHook& hook) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 20000; ++i)
            if (!hook())
                return false;
        busy = std::chrono::steady_clock::now() - start;
        return true;
    };
    controller.ImgBut_MouseDown(4);

    const auto allowed = busy / MainController::kYieldInterval + 1;
    EXPECT_LE(view.processEventsCount, allowed);
    EXPECT_LT(view.processEventsCount, 20000);

    // A run that works longer than the interval between events yields at each of them.
    view.processEventsCount = 0;
    run.work = [](const YieldHook& hook) { return yieldOnce(hook) && yieldOnce(hook) && yieldOnce(hook); };
    controller.ImgBut_MouseDown(5);
    EXPECT_EQ(view.processEventsCount, 3);
}

TEST_F(MainControllerTest, TimerTickShowsTheTimeOfThePlayingFile)
{
    controller.DragFile_OLEDragDrop({kSong});
    controller.ImgBut_MouseDown(0);
    engine.tempo = 120.0;
    engine.seek = kTicksPerQuarter * 2 * 61; // 61 s at two quarters a second
    controller.Timer1_Timer();
    EXPECT_EQ(view.captions[Label::LabTime], "01:01");
}

} // namespace
} // namespace tonvex
