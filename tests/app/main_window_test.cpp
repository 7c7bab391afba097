#include "main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QFontInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "clickable_label.h"
#include "close_label.h"
#include "drop_label.h"
#include "fake_engine.h"
#include "image_button.h"
#include "path_label.h"

namespace tonvex {
namespace {

using test::FakeEngine;

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
    Transformation function()
    {
        return [this](const std::string& in, const Preset& preset, const YieldHook&) {
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

    const QColor windowText = QApplication::palette().color(QPalette::WindowText);
    const QColor white(255, 255, 255);

    EXPECT_EQ(window.label(Label::DragFile)->geometry(), QRect(132, 117, 307, 28));
    EXPECT_EQ(window.label(Label::OutputFile)->geometry(), QRect(42, 183, 307, 28));
    EXPECT_EQ(window.label(Label::LabTime)->geometry(), QRect(186, 153, 34, 16));
    for (Label path : {Label::DragFile, Label::OutputFile}) {
        expectFont(window.label(path), 8.25, false);
        EXPECT_EQ(window.label(path)->palette().color(QPalette::WindowText), windowText);
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
    EXPECT_EQ(window.shut()->palette().color(QPalette::WindowText), windowText);

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
              (std::vector<std::string>{"LoadSegment(/a/first.mid)", "LoadSegment(/a/Last Song.MID)"}));

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

    drop({QUrl::fromLocalFile("/a/song.mid")});
    QTest::mousePress(window.button(0), Qt::LeftButton);
    QTest::mouseClick(shut, Qt::LeftButton, {}, QPoint(6, 6));
    EXPECT_TRUE(window.quitting());
    EXPECT_FALSE(window.timer1().isActive());
    EXPECT_EQ(engine.openPerformances, 0);
    EXPECT_FALSE(window.isVisible());
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
