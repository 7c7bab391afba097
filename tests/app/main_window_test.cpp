#include "main_window.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFontInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <memory>

#include "clickable_label.h"
#include "close_label.h"
#include "drop_label.h"
#include "fake_engine.h"
#include "image_button.h"
#include "path_label.h"

namespace tonvex {
namespace {

using test::FakeEngine;

// WCAG relative luminance and contrast.
double luminance(QRgb c)
{
    auto lin = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(qRed(c)) + 0.7152 * lin(qGreen(c)) + 0.0722 * lin(qBlue(c));
}

double contrast(double a, double b) { return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05); }

double darkest(const QImage& image, const QRect& r)
{
    double lo = 1.0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            lo = std::min(lo, luminance(image.pixel(x, y)));
    return lo;
}

int changedPixels(const QImage& a, const QImage& b, const QRect& r)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

// Counts the window moves it would hand to the window system.
class CountingWindow : public MainWindow {
public:
    using MainWindow::MainWindow;
    int moves = 0;
    bool systemMoves = true; // whether the window system takes the move over

protected:
    bool startMove() override
    {
        ++moves;
        return systemMoves;
    }
};

struct RunScript {
    RunStatus status = RunStatus::Written;
    std::function<void()> during; // what the user does while the run works
    Transformation function()
    {
        return [this](const std::string& in, const Preset& preset, const YieldHook&) {
            if (during)
                during();
            RunResult result;
            result.status = status;
            if (status == RunStatus::Written)
                result.outFileName = outputFileName(in, preset.OutSuffix).value_or("");
            return result;
        };
    }
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Every file dialog the window opens is answered at once, so none waits for a user.
        QObject::connect(&dialogWatch, &QTimer::timeout, [this] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget()))
                answer(*dialog), ++dialogs;
        });
        dialogWatch.start(10);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    void drop(const QList<QUrl>& urls)
    {
        QMimeData mime;
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.dragFile(), &enter);
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.dragFile(), &event);
    }

    static void expectFont(const QWidget* widget, qreal points, bool bold)
    {
        const QFontInfo info(widget->font());
        EXPECT_TRUE(info.family() == "Liberation Sans" || info.family() == "Arial") << info.family().toStdString();
        EXPECT_DOUBLE_EQ(widget->font().pointSizeF(), points);
        EXPECT_EQ(info.bold(), bold);
    }

    QTimer dialogWatch;
    int dialogs = 0;
    std::function<void(QFileDialog&)> answer = [](QFileDialog& dialog) { dialog.reject(); };
    FakeEngine engine;
    RunScript run;
    CountingWindow window{engine.rootFactory(), run.function()};
};

TEST_F(MainWindowTest, ControlsSitWhereTheLayoutPutsThemWithTheirFontsAndColours)
{
    EXPECT_EQ(window.size(), QSize(480, 320));
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window.windowTitle(), "Tonvex");
    EXPECT_FALSE(window.windowIcon().isNull());

    const QColor ink(MainWindow::kInk);
    const QColor white(255, 255, 255);

    EXPECT_EQ(window.label(Label::DragFile)->geometry(), QRect(132, 117, 307, 28));
    EXPECT_EQ(window.label(Label::OutputFile)->geometry(), QRect(42, 183, 307, 28));
    EXPECT_EQ(window.label(Label::LabTime)->geometry(), QRect(186, 153, 34, 16));
    for (Label path : {Label::DragFile, Label::OutputFile}) {
        expectFont(window.label(path), 8.25, false);
        EXPECT_EQ(window.label(path)->palette().color(QPalette::WindowText), ink);
        EXPECT_TRUE(window.label(path)->text().isEmpty());
    }
    EXPECT_EQ(QFontInfo(window.label(Label::LabTime)->font()).family(), "Liberation Sans");
    EXPECT_DOUBLE_EQ(window.label(Label::LabTime)->font().pointSizeF(), 8.25);
    EXPECT_TRUE(QFontInfo(window.label(Label::LabTime)->font()).bold());
    EXPECT_EQ(window.label(Label::LabTime)->palette().color(QPalette::WindowText), white);
    EXPECT_TRUE(window.label(Label::LabTime)->text().isEmpty());

    const struct {
        const char* text;
        QRect rect;
    } legends[] = {
        {"PLAY", {33, 153, 34, 16}},         {"PLAY", {381, 219, 34, 16}},    {"STOP", {72, 153, 34, 16}},
        {"INPUT FILE", {123, 153, 61, 16}},  {"OUTPUT FILE", {288, 219, 73, 16}}, {"STOP", {417, 219, 34, 16}},
        {"Mirror", {36, 288, 43, 16}},       {"Reverse", {101, 288, 50, 16}}, {"Upside-D", {171, 288, 73, 16}},
        {"WholeT", {247, 288, 62, 16}},      {"Penta", {323, 288, 52, 16}},
    };
    for (int i = 0; i < MainWindow::kLegendCount; ++i) {
        const QLabel* legend = window.legend(i);
        EXPECT_EQ(legend->text(), legends[i].text);
        EXPECT_EQ(legend->geometry(), legends[i].rect) << legends[i].text;
        expectFont(legend, 8.25, true);
        EXPECT_EQ(legend->palette().color(QPalette::WindowText), white);
        EXPECT_FALSE(legend->autoFillBackground());
    }

    const QRect buttons[] = {{32, 109, 33, 41}, {69, 108, 33, 37}, {375, 177, 33, 41},
                             {414, 174, 33, 41}, {28, 237, 54, 47}, {99, 237, 54, 47},
                             {170, 237, 54, 47}, {240, 237, 54, 47}, {311, 237, 54, 47}};
    for (int i = 0; i < kButtonCount; ++i) {
        EXPECT_EQ(window.button(i)->geometry(), buttons[i]) << "button " << i;
        EXPECT_EQ(window.button(i)->face(), Face::None);
    }

    EXPECT_EQ(window.shut()->text(), "X");
    EXPECT_EQ(window.shut()->geometry(), QRect(453, 12, 13, 13));
    expectFont(window.shut(), 11.25, true);
    EXPECT_EQ(window.shut()->palette().color(QPalette::WindowText), ink);

    EXPECT_EQ(window.aboutZone()->geometry(), QRect(387, 294, 82, 16));
    EXPECT_TRUE(window.aboutZone()->text().isEmpty());
    EXPECT_EQ(window.aboutPicture()->geometry(), QRect(81, 57, 320, 213));
    EXPECT_FALSE(window.aboutPicture()->isVisible());

    EXPECT_EQ(window.timer1().interval(), 10);
    EXPECT_FALSE(window.timer1().isActive());
}

TEST_F(MainWindowTest, OutlineShowsOnlyTheRoundRectangle)
{
    EXPECT_EQ(window.mask(), MainWindow::outline());
    const QRegion outline = MainWindow::outline();
    for (int y = 0; y < 320; ++y) {
        for (int x : {0, 4, 476, 479})
            EXPECT_FALSE(outline.contains(QPoint(x, y))) << x << "," << y;
    }
    for (int x = 0; x < 480; ++x)
        EXPECT_FALSE(outline.contains(QPoint(x, 0))) << x;
    EXPECT_EQ(outline.boundingRect(), QRect(QPoint(5, 1), QPoint(475, 319)));
    // Straight edges reach the bounds; the four corner pixels are cut.
    for (QPoint p : {QPoint(5, 160), QPoint(475, 160), QPoint(240, 1), QPoint(240, 319), QPoint(6, 1), QPoint(5, 2)})
        EXPECT_TRUE(outline.contains(p)) << p.x() << "," << p.y();
    for (QPoint p : {QPoint(5, 1), QPoint(475, 1), QPoint(5, 319), QPoint(475, 319)})
        EXPECT_FALSE(outline.contains(p)) << p.x() << "," << p.y();
}

TEST_F(MainWindowTest, DropTakesLocalFilesInOrderAndIgnoresOthers)
{
    QMimeData uris;
    uris.setUrls({QUrl::fromLocalFile("/a/x.mid")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &uris, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.dragFile(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    // Answered as a copy even when the source proposes a move, so the file manager keeps
    // the file; a source that can only move is refused.
    auto offer = [&](int kind, Qt::DropActions actions, Qt::KeyboardModifiers keys) {
        const QPointF at(5, 5);
        std::unique_ptr<QDropEvent> event;
        if (kind == 0)
            event = std::make_unique<QDragEnterEvent>(at.toPoint(), actions, &uris, Qt::LeftButton, keys);
        else if (kind == 1)
            event = std::make_unique<QDragMoveEvent>(at.toPoint(), actions, &uris, Qt::LeftButton, keys);
        else
            event = std::make_unique<QDropEvent>(at, actions, &uris, Qt::LeftButton, keys);
        event->ignore();
        QApplication::sendEvent(window.dragFile(), event.get());
        return event;
    };
    for (int kind = 0; kind < 3; ++kind) {
        const auto copyOrMove = offer(kind, Qt::CopyAction | Qt::MoveAction, Qt::ShiftModifier);
        ASSERT_EQ(copyOrMove->proposedAction(), Qt::MoveAction);
        EXPECT_TRUE(copyOrMove->isAccepted()) << kind;
        EXPECT_EQ(copyOrMove->dropAction(), Qt::CopyAction) << kind;
    }
    EXPECT_EQ(window.controller().state().InFileName, "/a/x.mid");
    EXPECT_FALSE(offer(0, Qt::MoveAction, Qt::NoModifier)->isAccepted());
    // A drag that holds no MIDI file is refused while it passes, so the pointer says so.
    uris.setUrls({QUrl::fromLocalFile("/a/notes.txt"), QUrl("https://example.org/remote.mid")});
    EXPECT_FALSE(offer(0, Qt::CopyAction, Qt::NoModifier)->isAccepted());
    EXPECT_FALSE(offer(1, Qt::CopyAction, Qt::NoModifier)->isAccepted());
    QMimeData text;
    text.setText("/a/x.mid");
    QDragEnterEvent plain(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    plain.ignore();
    QApplication::sendEvent(window.dragFile(), &plain);
    EXPECT_FALSE(plain.isAccepted());
    EXPECT_TRUE(window.label(Label::OutputFile)->acceptDrops() == false);

    drop({QUrl::fromLocalFile("/a/first.mid"), QUrl("https://example.org/remote.mid"),
          QUrl::fromLocalFile("/a/b.txt"), QUrl::fromLocalFile("/a/Last Song.MID")});
    EXPECT_EQ(window.controller().state().InFileName, "/a/Last Song.MID");
    EXPECT_EQ(window.caption(Label::DragFile), "/a/Last Song.MID");
    EXPECT_EQ(engine.callsOf("LoadSegment"),
              (std::vector<std::string>{"LoadSegment(/a/x.mid)", "LoadSegment(/a/first.mid)",
                                        "LoadSegment(/a/Last Song.MID)"}));

    drop({QUrl("https://example.org/remote.mid")});
    EXPECT_EQ(window.controller().state().InFileName, "/a/Last Song.MID");
}

TEST_F(MainWindowTest, LongPathIsElidedInTheMiddleButKeptWhole)
{
    const std::string longPath = "/home/musician/Music/" + std::string(200, 'x') + "/the very end.mid";
    window.setCaption(Label::DragFile, longPath);
    const QLabel* label = window.label(Label::DragFile);
    EXPECT_EQ(window.caption(Label::DragFile), longPath);
    EXPECT_NE(label->text().toStdString(), longPath);
    EXPECT_TRUE(label->text().startsWith("/home/musician"));
    EXPECT_TRUE(label->text().endsWith("the very end.mid"));
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), 307);
    EXPECT_EQ(label->toolTip().toStdString(), longPath);

    window.setCaption(Label::DragFile, "/a/short.mid");
    EXPECT_EQ(label->text(), "/a/short.mid");
    EXPECT_TRUE(label->toolTip().isEmpty());
}

TEST_F(MainWindowTest, FacesAreShownAtNaturalSizeAndCleared)
{
    drop({QUrl::fromLocalFile("/a/song.mid")});
    QTest::mousePress(window.button(0), Qt::RightButton);
    EXPECT_EQ(window.button(0)->face(), Face::Play);
    EXPECT_EQ(window.button(0)->pixmap().deviceIndependentSize().toSize(), QSize(37, 42));
    EXPECT_TRUE(window.timer1().isActive());
    QTest::mousePress(window.button(1), Qt::LeftButton);
    EXPECT_EQ(window.button(0)->face(), Face::None);
    EXPECT_TRUE(window.button(0)->pixmap().isNull());
    EXPECT_EQ(window.button(1)->pixmap().deviceIndependentSize().toSize(), QSize(37, 42));
    EXPECT_FALSE(window.timer1().isActive());
    QTest::mousePress(window.button(6), Qt::LeftButton);
    EXPECT_EQ(window.button(6)->face(), Face::Select);
    EXPECT_EQ(window.button(6)->pixmap().deviceIndependentSize().toSize(), QSize(52, 48));
    EXPECT_EQ(window.caption(Label::OutputFile), "/a/song_Upside.mid");

    // The lit face is painted over the skin, beyond the button's own area.
    const QImage shown = window.grab().toImage();
    const QImage face = window.button(6)->pixmap().toImage();
    const QPoint corner = window.button(6)->pos() + QPoint(51, 47);
    EXPECT_EQ(shown.pixel(corner), face.pixel(face.width() - 1, face.height() - 1));
}

TEST_F(MainWindowTest, AboutPictureOpensFromTheMarkAndClosesOnClick)
{
    for (int round = 0; round < 2; ++round) {
        QTest::mouseClick(window.aboutZone(), Qt::LeftButton);
        ASSERT_TRUE(window.aboutPicture()->isVisible());
        // Above everything it covers.
        EXPECT_EQ(window.childAt(QPoint(200, 130)), window.aboutPicture());
        EXPECT_FALSE(window.aboutPicture()->pixmap().isNull());
        QTest::mouseClick(window.aboutPicture(), Qt::LeftButton, {}, QPoint(160, 100));
        EXPECT_FALSE(window.aboutPicture()->isVisible());
    }
    QTest::mouseClick(window.aboutZone(), Qt::RightButton);
    EXPECT_FALSE(window.aboutPicture()->isVisible());
}

TEST_F(MainWindowTest, CloseLabelShiftsWhileHeldAndClosesOnAClick)
{
    CloseLabel* shut = window.shut();
    QTest::mousePress(shut, Qt::LeftButton, {}, QPoint(6, 6));
    EXPECT_EQ(shut->pos(), QPoint(454, 13));
    QTest::mouseRelease(shut, Qt::LeftButton, {}, QPoint(-30, 40));
    EXPECT_EQ(shut->pos(), QPoint(453, 12));
    EXPECT_FALSE(window.quitting());

    QTest::mousePress(shut, Qt::RightButton, {}, QPoint(6, 6));
    EXPECT_EQ(shut->pos(), QPoint(454, 13));
    QTest::mouseRelease(shut, Qt::RightButton, {}, QPoint(6, 6));
    EXPECT_EQ(shut->pos(), QPoint(453, 12));
    EXPECT_FALSE(window.quitting());

    // Through the window, as the window system delivers them, a release is relative to the
    // label shifted by the press; the click is judged on the label's own 13 x 13 pixels.
    QWindow* handle = window.windowHandle();
    QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(459, 18));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(466, 25)); // just past its corner
    EXPECT_FALSE(window.quitting());
    EXPECT_EQ(shut->pos(), QPoint(453, 12));

    drop({QUrl::fromLocalFile("/a/song.mid")});
    QTest::mousePress(window.button(0), Qt::LeftButton);
    QTest::mouseClick(handle, Qt::LeftButton, {}, QPoint(453, 12)); // its top-left pixel
    EXPECT_TRUE(window.quitting());
    EXPECT_FALSE(window.timer1().isActive());
    EXPECT_EQ(engine.openPerformances, 0);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindowTest, TextsOnTheSkinKeepTheirInkUnderADarkPalette)
{
    const QPalette light = QApplication::palette();
    struct Restore {
        QPalette palette;
        ~Restore() { QApplication::setPalette(palette); }
    } restore{light};
    QPalette dark = light;
    dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Window, QColor(0x24, 0x24, 0x24));
    dark.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
    QApplication::setPalette(dark);
    QApplication::processEvents(); // the widgets take the new palette from a posted event

    window.setCaption(Label::DragFile, "/music/MMMM.mid");
    window.setCaption(Label::OutputFile, "/music/MMMM_Mirror.mid");
    const QImage shot = window.grab().toImage();
    for (Label box : {Label::DragFile, Label::OutputFile})
        EXPECT_GE(contrast(1.0, darkest(shot, window.label(box)->geometry())), 7.0);
    // "X" on its light square: its ink against the darkest of the square beneath.
    const QRect shut = window.shut()->geometry();
    QImage skin(QStringLiteral(":/tonvex/skin.png"));
    EXPECT_GE(contrast(darkest(skin.convertToFormat(QImage::Format_RGB32), shut), darkest(shot, shut)), 4.5);
    // The legends stay white.
    EXPECT_EQ(window.legend(0)->palette().color(QPalette::WindowText), QColor(255, 255, 255));
}

TEST_F(MainWindowTest, SecondClickOfADoubleClickPressesAgainButNeverBeneathTheHiddenPicture)
{
    drop({QUrl::fromLocalFile("/a/song.mid")});
    QWindow* handle = window.windowHandle();
    const QPoint reverse = window.button(5)->geometry().center();
    QTest::mouseClick(window.aboutZone(), Qt::LeftButton);
    ASSERT_TRUE(window.aboutPicture()->geometry().contains(reverse));
    QTest::mouseDClick(handle, Qt::LeftButton, {}, reverse);
    EXPECT_FALSE(window.aboutPicture()->isVisible());
    EXPECT_EQ(window.button(5)->face(), Face::None);
    EXPECT_TRUE(window.caption(Label::OutputFile).empty());

    // With nothing hidden, each press of a double-click acts, as two presses would.
    const std::size_t loads = engine.callsOf("LoadSegment").size();
    QTest::mouseDClick(handle, Qt::LeftButton, {}, window.button(0)->geometry().center());
    EXPECT_EQ(engine.callsOf("LoadSegment").size(), loads + 2);
    QTest::mouseDClick(handle, Qt::LeftButton, {}, reverse);
    EXPECT_EQ(window.caption(Label::OutputFile), "/a/song_Reverse.mid");
}

TEST_F(MainWindowTest, KeyboardReachesEveryControlInReadingOrderAndPressesLikeTheMouse)
{
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    drop({QUrl::fromLocalFile("/a/song.mid")});
    QWindow* handle = window.windowHandle();
    const QImage unmarked = window.grab().toImage();

    std::vector<QWidget*> order{window.button(0), window.button(1), window.dragFile()};
    for (int i = 2; i < kButtonCount; ++i)
        order.push_back(window.button(i));
    order.push_back(window.aboutZone());
    order.push_back(window.shut());
    order.push_back(window.button(0)); // round again; the hidden picture is no stop
    for (QWidget* expected : order) {
        QTest::keyClick(handle, Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), expected);
    }
    QTest::keyClick(handle, Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), window.shut());
    QTest::keyClick(handle, Qt::Key_Right);
    ASSERT_EQ(QApplication::focusWidget(), window.button(0));

    QTest::keyClick(handle, Qt::Key_Space);
    EXPECT_EQ(window.button(0)->face(), Face::Play);
    EXPECT_TRUE(window.timer1().isActive());
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(handle, Qt::Key_Tab);
    QTest::keyClick(handle, Qt::Key_Return);
    EXPECT_EQ(window.caption(Label::OutputFile), "/a/song_Mirror.mid");

    // The focused button is marked once the keyboard is used, and no longer after a click:
    // the rows just above its key show the ring and nothing else.
    const QRect band(window.button(4)->x() - 4, window.button(4)->y() - 4, window.button(4)->width() + 8, 4);
    EXPECT_GT(changedPixels(unmarked, window.grab().toImage(), band), 20);
    QTest::mouseClick(handle, Qt::LeftButton, {}, window.button(4)->geometry().center());
    ASSERT_EQ(QApplication::focusWidget(), window.button(4));
    EXPECT_EQ(changedPixels(unmarked, window.grab().toImage(), band), 0);

    // The about picture keeps the focus while shown; Escape gives it back.
    window.aboutZone()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(handle, Qt::Key_Space);
    ASSERT_TRUE(window.aboutPicture()->isVisible());
    QTest::keyClick(handle, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window.aboutPicture());
    QTest::keyClick(handle, Qt::Key_Escape);
    EXPECT_FALSE(window.aboutPicture()->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), window.aboutZone());

    window.shut()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(handle, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(window.quitting());
}

TEST_F(MainWindowTest, ScreenReaderHearsEachControlByNameAndRoleAndPressesTheButtons)
{
    auto a11y = [](QWidget* widget) { return QAccessible::queryAccessibleInterface(widget); };
    const char* names[kButtonCount] = {"Play input", "Stop input", "Play output", "Stop output", "Mirror",
                                       "Reverse",    "Upside-down", "Whole tone", "Pentatonic"};
    std::vector<std::pair<QWidget*, QString>> buttons;
    for (int i = 0; i < kButtonCount; ++i)
        buttons.emplace_back(window.button(i), names[i]);
    buttons.emplace_back(window.aboutZone(), "About Tonvex");
    buttons.emplace_back(window.shut(), "Close");
    for (const auto& [widget, name] : buttons) {
        QAccessibleInterface* iface = a11y(widget);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), QAccessible::Button) << name.toStdString();
        EXPECT_EQ(iface->text(QAccessible::Name), name);
        ASSERT_NE(iface->actionInterface(), nullptr);
        EXPECT_EQ(iface->actionInterface()->actionNames().value(0), QAccessibleActionInterface::pressAction());
    }
    EXPECT_EQ(a11y(window.aboutPicture())->role(), QAccessible::Graphic);
    EXPECT_EQ(a11y(window.label(Label::DragFile))->role(), QAccessible::Button);
    EXPECT_EQ(a11y(window.label(Label::DragFile))->text(QAccessible::Name), "Input file: none");
    // A frame named Tonvex, without the legends: the controls carry their names.
    QAccessibleInterface* frame = a11y(&window);
    EXPECT_EQ(frame->role(), QAccessible::Window);
    EXPECT_EQ(frame->text(QAccessible::Name), "Tonvex");
    EXPECT_EQ(frame->childCount(), 3 + kButtonCount + 3); // texts, buttons, "X", mark, about picture

    drop({QUrl::fromLocalFile("/music/Song.mid")});
    EXPECT_EQ(a11y(window.label(Label::DragFile))->text(QAccessible::Name), "Input file: /music/Song.mid");
    window.setCaption(Label::LabTime, "01:23");
    EXPECT_EQ(a11y(window.label(Label::LabTime))->role(), QAccessible::StaticText);
    EXPECT_EQ(a11y(window.label(Label::LabTime))->text(QAccessible::Name), "Elapsed time 01:23");

    // The press action does what a mouse press does; the lit button reads as checked.
    EXPECT_FALSE(a11y(window.button(4))->state().checked);
    a11y(window.button(4))->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(window.button(4)->face(), Face::Select);
    EXPECT_TRUE(a11y(window.button(4))->state().checkable && a11y(window.button(4))->state().checked);
    EXPECT_EQ(a11y(window.label(Label::OutputFile))->text(QAccessible::Name), "Output file: /music/Song_Mirror.mid");
    a11y(window.aboutZone())->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(window.aboutPicture()->isVisible());
}

TEST_F(MainWindowTest, InputBoxOpensAFileDialogWhoseChoiceActsAsADrop)
{
    QTemporaryDir folder;
    for (const char* name : {"SONG.MID", "notes.txt"})
        ASSERT_TRUE(QFile(folder.filePath(name)).open(QIODevice::WriteOnly));
    QString chosen = folder.filePath("SONG.MID"), startedIn;
    answer = [&](QFileDialog& dialog) {
        startedIn = dialog.directory().absolutePath();
        EXPECT_TRUE(dialog.nameFilters().value(0).contains("*.[Mm][Ii][Dd]"));
        dialog.selectFile(chosen);
        static_cast<QDialog&>(dialog).accept(); // as its Open button does
    };
    QTest::mouseClick(window.dragFile(), Qt::LeftButton);
    EXPECT_EQ(engine.callsOf("LoadSegment"), std::vector<std::string>{"LoadSegment(" + chosen.toStdString() + ")"});
    // Space on the focused box opens it where the input lies; a name without ".MID" is skipped.
    chosen = folder.filePath("notes.txt");
    window.dragFile()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(window.dragFile(), Qt::Key_Space);
    EXPECT_EQ(startedIn, folder.path());
    EXPECT_EQ(engine.callsOf("LoadSegment").size(), 1u);
    // Not while a transformation works, which the dialog would hold up.
    run.during = [&] { window.dragFile()->press(); };
    QTest::mousePress(window.button(4), Qt::LeftButton);
    EXPECT_EQ(window.caption(Label::OutputFile), folder.filePath("SONG_Mirror.mid").toStdString());
    EXPECT_EQ(dialogs, 2);
}

TEST_F(MainWindowTest, ClosingByTheDesktopDoesWhatTheCloseLabelDoes)
{
    drop({QUrl::fromLocalFile("/a/song.mid")});
    QTest::mousePress(window.button(0), Qt::LeftButton);
    window.close();
    EXPECT_TRUE(window.quitting());
    EXPECT_EQ(engine.openPerformances, 0);
    EXPECT_FALSE(engine.callsOf("CloseDown").empty());
}

TEST_F(MainWindowTest, OnlyALeftPressOnTheBareSurfaceMovesTheWindow)
{
    const QPoint bare(240, 60);
    ASSERT_EQ(window.childAt(bare), nullptr);
    QTest::mousePress(&window, Qt::RightButton, {}, bare);
    QTest::mouseRelease(&window, Qt::RightButton, {}, bare);
    EXPECT_EQ(window.moves, 0);
    for (QWidget* control : std::initializer_list<QWidget*>{window.label(Label::DragFile), window.legend(3),
                                                             window.label(Label::LabTime), window.button(4),
                                                             window.aboutZone()}) {
        QTest::mousePress(control, Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseRelease(control, Qt::LeftButton, {}, QPoint(3, 3));
    }
    EXPECT_EQ(window.moves, 0);
    QTest::mousePress(&window, Qt::LeftButton, {}, bare);
    QTest::mouseRelease(&window, Qt::LeftButton, {}, bare);
    EXPECT_EQ(window.moves, 1);
}

TEST_F(MainWindowTest, WindowFollowsTheMouseWhenTheWindowSystemCannotMoveIt)
{
    window.systemMoves = false;
    const QPoint start = window.pos();
    const QPoint bare(240, 60);
    QTest::mousePress(&window, Qt::LeftButton, {}, bare);
    QMouseEvent drag(QEvent::MouseMove, QPointF(bare + QPoint(30, 20)), QPointF(window.mapToGlobal(bare) + QPoint(30, 20)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drag);
    EXPECT_EQ(window.pos(), start + QPoint(30, 20));
    QTest::mouseRelease(&window, Qt::LeftButton, {}, bare + QPoint(30, 20));
    QMouseEvent hover(QEvent::MouseMove, QPointF(bare), QPointF(window.mapToGlobal(bare) + QPoint(50, 50)),
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &hover);
    EXPECT_EQ(window.pos(), start + QPoint(30, 20));
}

TEST_F(MainWindowTest, FailedRunShowsAModalBoxAndTheWindowGoesOn)
{
    drop({QUrl::fromLocalFile("/a/song.mid")});
    run.status = RunStatus::CannotWrite;
    QString title, text;
    int buttons = 0;
    QTimer::singleShot(50, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        buttons = static_cast<int>(box->buttons().size());
        box->button(QMessageBox::Ok)->click();
    });
    QTest::mousePress(window.button(4), Qt::LeftButton);
    EXPECT_EQ(title, "Tonvex");
    EXPECT_EQ(text, "CANNOT WRITE MIDI FILE!");
    EXPECT_EQ(buttons, 1);
    EXPECT_TRUE(window.caption(Label::OutputFile).empty());
    EXPECT_FALSE(window.quitting());
    EXPECT_TRUE(window.isVisible());
}

} // namespace
} // namespace tonvex
