#include "main_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QMimeData>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "command_line.h"
#include "drop_label.h"
#include "fake_engine.h"
#include "fluid_root.h"
#include "image_button.h"
#include "instance_channel.h"
#include "smf_builder.h"
#include "temp_dir.h"
#include "window_handover.h"

namespace tonvex {
namespace {

// What the X server shows at the window's place, as the user would see it.
QImage screenAt(const QWidget& window)
{
    QApplication::processEvents();
    QTest::qWait(150);
    const QImage root = window.screen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    return root.copy(QRect(window.geometry().topLeft(), QSize(MainWindow::kWidth, MainWindow::kHeight)));
}

// The area in which two pictures of the window differ.
QRect changedArea(const QImage& before, const QImage& after)
{
    QRect area;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y))
                area |= QRect(x, y, 1, 1);
    return area;
}

void dropOn(QWidget* target, const QString& path)
{
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(20, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent dropEvent(QPointF(20, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropEvent);
}

// A piano running up and down from middle C in semitone sixteenths at 120 bpm for 30 seconds:
// made here, so the end-to-end tests need no collection of MIDI files.
QString writeSong(const QString& path)
{
    test::TrackBuilder track;
    track.tempo(500000).program(0, 0);
    for (int i = 0; i < 240; ++i) {
        const int note = 78 - std::abs(i % 36 - 18);
        track.at(0).noteOn(0, note, 96).at(120).noteOff(0, note);
    }
    test::writeFile(path.toStdString(), test::smfFile({track.end().chunk()}, 480));
    return path;
}

bool onXServer()
{
    return std::getenv("DISPLAY") && QGuiApplication::platformName() == "xcb";
}

TEST(DesktopWindow, ScreenShowsTheRoundedOutlineAndControlsInPlace)
{
    if (!onXServer())
        GTEST_SKIP() << "no X display";
    test::FakeEngine engine;
    MainWindow window(engine.rootFactory(), [](const std::string&, const Preset&, const YieldHook&) {
        return RunResult{RunStatus::Written, "/music/Song_Mirror.mid", {}};
    });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    const QImage screen = screenAt(window);
    const QImage drawn = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb black = qRgb(0, 0, 0);
    int cut = 0;
    for (int y = 0; y < MainWindow::kHeight; ++y)
        for (int x = 0; x < MainWindow::kWidth; ++x) {
            const bool hidden = x < 5 || x > 475 || y == 0;
            if (hidden) {
                // Nothing runs behind the window: the cut-away shows the black root.
                EXPECT_EQ(screen.pixel(x, y), black) << x << "," << y;
                cut += drawn.pixel(x, y) != black;
            } else if (!((x == 5 || x == 475) && (y == 1 || y == 319))) {
                ASSERT_EQ(screen.pixel(x, y), drawn.pixel(x, y)) << x << "," << y;
            }
        }
    EXPECT_GT(cut, 0) << "the skin is black where it is cut, so the test proves nothing";
    for (QPoint corner : {QPoint(5, 1), QPoint(475, 1), QPoint(5, 319), QPoint(475, 319)})
        EXPECT_EQ(screen.pixel(corner), black) << corner.x() << "," << corner.y();

    // Each control draws inside its own place.
    QImage before = screen;
    window.setCaption(Label::DragFile, "/music/Song.mid");
    QImage after = screenAt(window);
    EXPECT_TRUE(QRect(132, 117, 307, 28).contains(changedArea(before, after)));
    EXPECT_FALSE(changedArea(before, after).isEmpty());

    before = after;
    window.setCaption(Label::LabTime, "01:23");
    after = screenAt(window);
    EXPECT_TRUE(QRect(186, 153, 34, 16).contains(changedArea(before, after)));
    EXPECT_FALSE(changedArea(before, after).isEmpty());

    before = after;
    window.setFace(4, Face::Select);
    after = screenAt(window);
    const QRect face = changedArea(before, after);
    EXPECT_FALSE(face.isEmpty());
    EXPECT_TRUE(QRect(28, 237, 52, 48).contains(face));
    const QImage select = window.button(4)->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
    if (select.devicePixelRatio() == 1.0) {
        EXPECT_EQ(after.pixel(28 + 26, 237 + 24), select.pixel(26, 24));
    }

    before = after;
    QTest::mouseClick(window.aboutZone(), Qt::LeftButton);
    after = screenAt(window);
    EXPECT_EQ(changedArea(before, after), QRect(81, 57, 320, 213));
}

TEST(DesktopWindow, OnWaylandOnlyTheRoundOutlineHidesTheDesktop)
{
    const char* socket = std::getenv("TONVEX_TEST_WAYLAND");
    if (!socket)
        GTEST_SKIP() << "needs TONVEX_TEST_WAYLAND, the socket of a weston with a magenta desktop";
    QTemporaryDir runtime;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.insert("WAYLAND_DISPLAY", socket);
    environment.remove("QT_QPA_PLATFORM"); // Qt picks Wayland by itself, as on a desktop
    environment.insert("XDG_RUNTIME_DIR", runtime.path());
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(TONVEX_PROGRAM, {});
    QImage desktop(1024, 768, QImage::Format_RGB32), screen;
    desktop.fill(qRgb(255, 0, 255));
    QRect shown; // weston places and shows the window in its own time
    for (int i = 0; i < 40 && shown.size() != QSize(471, 319); ++i) {
        QTest::qWait(250);
        QProcess::execute("env", {"-C", runtime.path(), QString("WAYLAND_DISPLAY=") + socket, "weston-screenshooter"});
        const QFileInfoList shots = QDir(runtime.path()).entryInfoList({"wayland-screenshot-*.png"}, QDir::Files, QDir::Time);
        screen = shots.isEmpty() ? QImage() : QImage(shots[0].filePath()).convertToFormat(QImage::Format_RGB32);
        shown = screen.isNull() ? QRect() : changedArea(desktop, screen);
    }
    program.kill();
    program.waitForFinished(5000);
    // Of the 480 x 320 window only the round rectangle shows, corners cut, with the skin in it.
    ASSERT_EQ(shown.size(), QSize(471, 319)) << shown.width() << " x " << shown.height();
    for (QPoint corner : {shown.topLeft(), shown.topRight(), shown.bottomLeft(), shown.bottomRight()})
        EXPECT_EQ(screen.pixel(corner), desktop.pixel(0, 0)) << corner.x() << "," << corner.y();
    const QImage skin = QImage(":/tonvex/skin.png").convertToFormat(QImage::Format_RGB32);
    for (int x = 5; x <= 475; ++x) // row 100, clear of every control
        ASSERT_EQ(screen.pixel(shown.topLeft() + QPoint(x - 5, 99)), skin.pixel(x, 100)) << x;
}

// Peak sample magnitude of 16-bit little-endian audio.
int peak(const QByteArray& pcm)
{
    int loudest = 0;
    for (qsizetype i = 0; i + 1 < pcm.size(); i += 2) {
        std::int16_t sample;
        std::memcpy(&sample, pcm.constData() + i, sizeof sample);
        loudest = std::max(loudest, std::abs(static_cast<int>(sample)));
    }
    return loudest;
}

int shownSeconds(const MainWindow& window)
{
    const QString text = QString::fromStdString(window.caption(Label::LabTime));
    const auto parts = text.split(':');
    return parts.size() == 2 ? parts[0].toInt() * 60 + parts[1].toInt() : -1;
}

TEST(DesktopWindow, DropMirrorPlayAndStopWithTheRealEngine)
{
    const char* sink = std::getenv("TONVEX_TEST_SINK");
    if (!onXServer() || !sink)
        GTEST_SKIP() << "needs an X display and TONVEX_TEST_SINK";

    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString input = writeSong(folder.filePath("Prelude.mid"));

    MainWindow window(fluidRootFactory());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    dropOn(window.dragFile(), input);
    ASSERT_EQ(window.caption(Label::DragFile), input.toStdString());

    QTest::mousePress(window.button(4), Qt::LeftButton);
    const QString output = folder.filePath("Prelude_Mirror.mid");
    ASSERT_TRUE(QFile::exists(output));
    EXPECT_GT(QFile(output).size(), 1000);
    EXPECT_EQ(window.caption(Label::OutputFile), output.toStdString());

    // Without a low-latency recording the null sink runs seconds late.
    QProcess recorder;
    recorder.start("parec", {QString("--device=%1.monitor").arg(sink), "--latency-msec=10", "--format=s16le",
                             "--rate=44100", "--channels=2", "--raw"});
    ASSERT_TRUE(recorder.waitForStarted(5000));
    QTest::qWait(1000);
    recorder.readAllStandardOutput();

    QTest::mousePress(window.button(2), Qt::LeftButton);
    EXPECT_EQ(window.button(2)->face(), Face::Play);
    QTest::qWait(1300);
    const int early = shownSeconds(window);
    QTest::qWait(1500);
    const int later = shownSeconds(window);
    const QByteArray playing = recorder.readAllStandardOutput();

    EXPECT_GE(early, 0);
    EXPECT_GT(later, early);
    EXPECT_GE(later, 1);
    // The piano at the window's master volume peaks well above the null sink's silence.
    EXPECT_GT(peak(playing), 200) << playing.size() << " bytes recorded";

    QTest::mousePress(window.button(3), Qt::LeftButton);
    EXPECT_EQ(window.button(3)->face(), Face::Stop);
    QTest::qWait(300);
    recorder.readAllStandardOutput();
    QTest::qWait(1000);
    const QByteArray stopped = recorder.readAllStandardOutput();
    EXPECT_LT(peak(stopped), 50);
    EXPECT_FALSE(window.timer1().isActive());

    recorder.kill();
    recorder.waitForFinished(2000);
}

// The real program, as a launcher starts it, on Qt's display-less platform and with a
// runtime folder of its own.
class DesktopSession : public ::testing::Test {
protected:
    using Claim = InstanceChannel::Claim;

    void SetUp() override
    {
        ASSERT_TRUE(runtime.isValid() && folder.isValid());
        ASSERT_TRUE(QDir(folder.path()).mkdir("sub"));
    }

    std::unique_ptr<QProcess> start(const QStringList& arguments, const QString& startupId = {})
    {
        auto program = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_RUNTIME_DIR", runtime.path());
        environment.insert("DESKTOP_STARTUP_ID", startupId);
        program->setProcessEnvironment(environment);
        program->setWorkingDirectory(folder.filePath("sub"));
        program->start(TONVEX_PROGRAM, arguments);
        EXPECT_TRUE(program->waitForStarted(5000));
        return program;
    }

    // Runs this process's event loop, so that a channel held here answers, until the
    // program ends; returns how long it ran in milliseconds.
    static qint64 waitForEnd(QProcess& program)
    {
        QElapsedTimer clock;
        clock.start();
        while (program.state() != QProcess::NotRunning && clock.elapsed() < 10000)
            QTest::qWait(2);
        return clock.elapsed();
    }

    bool listening() const
    {
        QLocalSocket probe;
        probe.connectToServer(runtime.filePath("tonvex.socket"));
        return probe.waitForConnected(100);
    }

    QTemporaryDir runtime;
    QTemporaryDir folder;
};

TEST_F(DesktopSession, SecondStartHandsItsFilesToTheFirstAsAbsolutePathsAndEndsAtOnce)
{
    InstanceChannel first(runtime.path());
    ASSERT_EQ(first.claim({}, std::chrono::milliseconds(100)), Claim::First);
    std::vector<Handover> received;
    first.onHandover = [&](const Handover& request) { received.push_back(request); };

    auto second = start({"Song.mid", "../Up Beat.MID", "file:///music/Other%20Tune.mid",
                         "https://example.org/remote.mid", "notes.txt", "--", "-dash.mid"},
                        "launcher-7_TIME4242");
    const qint64 took = waitForEnd(*second);
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0) << second->readAllStandardError().toStdString();
    EXPECT_LT(took, 1000);

    for (int i = 0; i < 100 && received.empty(); ++i)
        QTest::qWait(10);
    ASSERT_EQ(received.size(), 1u);
    const QString sub = folder.filePath("sub");
    EXPECT_EQ(received[0].paths, (QStringList{sub + "/Song.mid", folder.filePath("Up Beat.MID"), "/music/Other Tune.mid",
                                              sub + "/notes.txt", sub + "/-dash.mid"}));
    EXPECT_EQ(received[0].startupId, "launcher-7_TIME4242");
}

TEST_F(DesktopSession, HelpAndVersionAnswerWithoutAnyDisplay)
{
    QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        bare.remove(name);
    for (const auto& [ask, answer] : {std::pair{"--help", "[FILE...]"}, std::pair{"--version", "Tonvex "}}) {
        QProcess program;
        program.setProcessEnvironment(bare);
        program.start(TONVEX_PROGRAM, {ask});
        EXPECT_TRUE(program.waitForFinished(10000) && program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0) << ask;
        EXPECT_TRUE(program.readAllStandardOutput().contains(answer)) << ask;
    }
}

TEST_F(DesktopSession, AWindowThatCrashedLeavesNothingThatStopsTheNextStart)
{
    auto crashed = start({});
    for (int i = 0; i < 500 && !listening(); ++i)
        QTest::qWait(20);
    ASSERT_TRUE(listening());
    crashed->kill();
    crashed->waitForFinished(5000);
    ASSERT_TRUE(QFileInfo::exists(runtime.filePath("tonvex.socket")));
    ASSERT_FALSE(listening());

    auto next = start({});
    for (int i = 0; i < 500 && !listening() && next->state() == QProcess::Running; ++i)
        QTest::qWait(20);
    ASSERT_TRUE(listening()) << next->readAllStandardError().toStdString();

    // Now a window runs: a further start hands over to it rather than opening another.
    auto further = start({"Song.mid"});
    const qint64 took = waitForEnd(*further);
    EXPECT_EQ(further->exitCode(), 0) << further->readAllStandardError().toStdString();
    EXPECT_LT(took, 1000);
    EXPECT_EQ(next->state(), QProcess::Running);
    next->kill();
    next->waitForFinished(5000);
}

TEST_F(DesktopSession, FilesOfTheFirstStartOpenAsOneDropOnceTheEventLoopRuns)
{
    for (const char* name : {"Song.mid", "Other Tune.MID"})
        writeSong(folder.filePath(name));
    test::FakeEngine engine;
    MainWindow window(engine.rootFactory());
    window.show();
    WindowHandover handover(window);

    const QString other = folder.filePath("Other Tune.MID");
    handover.openLater(CommandLine::localPaths({"Song.mid", QUrl::fromLocalFile(other).toString(), "notes.txt"},
                                               QDir(folder.path())));
    EXPECT_EQ(window.caption(Label::DragFile), "");
    for (int i = 0; i < 100 && window.caption(Label::DragFile).empty(); ++i)
        QTest::qWait(10);
    EXPECT_EQ(window.caption(Label::DragFile), other.toStdString());
    EXPECT_EQ(engine.callsOf("LoadSegment"), (std::vector<std::string>{"LoadSegment(" + folder.filePath("Song.mid").toStdString() + ")",
                                                                      "LoadSegment(" + other.toStdString() + ")"}));
}

} // namespace
} // namespace tonvex
