#include "main_window.h"

#include <algorithm>
#include <optional>
#include <cmath>
#include <exception>
#include <utility>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStandardPaths>
#include <QWindow>
#include <QtDebug>

#include "about_picture.h"
#include "artwork.h"
#include "clickable_label.h"
#include "close_label.h"
#include "drop_label.h"
#include "image_button.h"
#include "label_button.h"
#include "path_label.h"
#include "pressable_accessible.h"
#include "preset.h"
#include "window_accessible.h"

namespace tonvex {
namespace {

constexpr int kTimerMs = 10;

// Arial is not installed on Linux; fontconfig maps it to the metric-compatible Liberation
// Sans. The bitmap "MS Sans Serif" of the time display has no such twin.
const char* const kArial = "Arial";
const char* const kTimeFamily = "Liberation Sans";

const char* const kTitle = "Tonvex";

// What a screen reader is told a button does, beyond its name.
constexpr const char* kButtonDescriptions[kButtonCount] = {
    "Plays the input file from its start",
    "Stops playback",
    "Plays the last output file from its start",
    "Stops playback",
    "Reflects each note about C, downwards: D becomes B flat, E becomes A flat, G becomes F",
    "Turns the keyboard upside down",
    "Swaps C and A, D and G, E and F within the octave",
    "Doubles each pitch class onto the whole-tone scale",
    "Moves each note by at most a semitone onto C D E G A B",
};

const char* const kOpenTitle = "Open a MIDI File";
// Letters in either case, as the drop takes them: old collections are full of SONG.MID.
// Only names the drop accepts: a .kar or .rmi chosen here would be passed over in silence.
const char* const kMidiFilter = "MIDI files (*.[Mm][Ii][Dd] *.[Mm][Ii][Dd][Ii])";
const char* const kAnyFilter = "All files (*)";

const char* const kAboutText =
    "Tonvex version 1.0, MIDI pitch transformer. Turns a MIDI file into a new piece of music by "
    "moving its notes: mirrored, inverted, turned upside down, spread over whole tones or drawn to "
    "a pentatonic scale. The rhythm stays as it was. Drop a .mid file on the input box, or press "
    "the box to choose one, choose a transformation, then play the input or the result. Press "
    "Escape to close.";

// The focus mark: a thin ring in two tones, so it reads on the dark panel and on the light
// square under "X" alike.
// The TONVEX AUDIO mark as the skin draws it, a little wider than its hot zone: its ring goes
// round the whole mark, not through its last letter.
constexpr QRect kMakersMark(389, 297, 83, 10);
// The white field of the input box: a ring inside it, white on white, would hardly show.
constexpr QRect kInputField(125, 115, 319, 34);
constexpr qreal kMarkOuter = 2.0; // how far the ring's dark line reaches beyond the ring
const QColor kMarkLight(255, 255, 255, 210);
const QColor kMarkDark(0, 0, 0, 170);

QRect toQRect(const layout::Box& box)
{
    return QRect(box.x, box.y, box.width, box.height);
}

QFont makeFont(const char* family, qreal points, bool bold)
{
    QFont font(QString::fromLatin1(family));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

// No exception may leave a Qt event handler; log it and let the program go on.
template <class Handler>
void guarded(const char* what, Handler&& handler) noexcept
{
    try {
        handler();
    } catch (const std::exception& error) {
        qWarning("tonvex: %s failed: %s", what, error.what());
    } catch (...) {
        qWarning("tonvex: %s failed", what);
    }
}

} // namespace

MainWindow::MainWindow(RootFactory createRoot, Transformation transform, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_focusCue([this] { update(); })
{
    // Before any control exists, so no control is ever described by Qt's default interface.
    PressableAccessible::install();
    WindowAccessible::install(*this);
    // On X11 the mask clips what the window shows; on Wayland it sets only the input region,
    // so there the window is see-through and paints nothing outside its outline.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(QString::fromLatin1(kTitle));
    setFixedSize(kWidth, kHeight);
    loadArtwork();

    const QFont arialRegular = makeFont(kArial, layout::kSmallPoints, false);
    const QFont arialBold = makeFont(kArial, layout::kSmallPoints, true);
    const QColor white(255, 255, 255);
    const QColor ink(kInk);

    m_dragFile = std::make_unique<DropLabel>(QString::fromLatin1(layout::kInputTitle), this);
    m_dragFile->setGeometry(toQRect(layout::kInputBox));
    m_dragFile->setFont(arialRegular);
    setTextColour(m_dragFile.get(), ink);
    m_dragFile->onDrop = [this](const std::vector<std::string>& paths) {
        guarded("drop", [&] { m_controller->DragFile_OLEDragDrop(paths); });
    };
    m_dragFile->onClick = [this] { guarded("open", [&] { DragFile_Click(); }); };

    m_outputFile = std::make_unique<PathLabel>(QString::fromLatin1(layout::kOutputTitle), this);
    m_outputFile->setGeometry(toQRect(layout::kOutputBox));
    m_outputFile->setFont(arialRegular);
    setTextColour(m_outputFile.get(), ink);

    m_labTime = std::make_unique<ClickableLabel>(this);
    m_labTime->setGeometry(toQRect(layout::kTimeBox));
    m_labTime->setFont(makeFont(kTimeFamily, layout::kSmallPoints, true));
    setTextColour(m_labTime.get(), white);

    for (int i = 0; i < kLegendCount; ++i) {
        auto legend = std::make_unique<ClickableLabel>(this);
        const layout::Legend& spec = layout::kLegends[static_cast<std::size_t>(i)];
        legend->setText(QString::fromLatin1(spec.text));
        legend->setGeometry(toQRect(spec.box));
        legend->setFont(arialBold);
        setTextColour(legend.get(), white);
        // The buttons and boxes they label carry their names already.
        WindowAccessible::hideFromReaders(*legend);
        m_legends[static_cast<std::size_t>(i)] = std::move(legend);
    }

    for (int i = 0; i < kButtonCount; ++i) {
        auto button = std::make_unique<ImageButton>(i, this);
        button->setGeometry(toQRect(layout::kButtons[static_cast<std::size_t>(i)]));
        button->onPress = [this](int index) {
            guarded("button press", [&] { m_controller->ImgBut_MouseDown(index); });
        };
        m_buttons[static_cast<std::size_t>(i)] = std::move(button);
    }

    m_shut = std::make_unique<CloseLabel>(this);
    m_shut->setText(QStringLiteral("X"));
    m_shut->setGeometry(toQRect(layout::kCloseBox));
    m_shut->setFont(makeFont(kArial, layout::kClosePoints, true));
    setTextColour(m_shut.get(), ink);
    m_shut->onClick = [this] { guarded("close", [&] { m_controller->Shut_Click(); }); };

    m_about = std::make_unique<LabelButton>(this);
    m_about->setGeometry(toQRect(layout::kAboutZone));
    m_about->onClick = [this] { About_Click(); };

    m_imgAbout = std::make_unique<AboutPicture>(this);
    m_imgAbout->setGeometry(toQRect(layout::kAboutPicture));
    m_imgAbout->setPixmap(m_aboutArt);
    m_imgAbout->raise();

    describeControls();
    // Reading order, with the window's own chrome last so that the first Tab never lands on
    // "X"; the about picture is reached only by opening it.
    for (int i = 0; i + 1 < kButtonCount; ++i)
        setTabOrder(button(i), button(i + 1));
    setTabOrder(button(kStopInput), m_dragFile.get());
    setTabOrder(m_dragFile.get(), button(kPlayOutput));
    setTabOrder(button(kButtonCount - 1), m_about.get());
    setTabOrder(m_about.get(), m_shut.get());
    // The window holds the focus at start, so the first Tab goes to the first button.
    setFocusPolicy(Qt::ClickFocus);
    setFocus(Qt::OtherFocusReason);

    m_timer1.setInterval(kTimerMs);
    QObject::connect(&m_timer1, &QTimer::timeout, this,
                     [this] { guarded("timer tick", [&] { m_controller->Timer1_Timer(); }); });

    m_controller = std::make_unique<MainController>(*this, std::move(createRoot), std::move(transform));

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    Form_Load();
    m_focusCue.watch(*this);
}

MainWindow::~MainWindow()
{
    m_timer1.stop();
    // The controller's engine goes before the widgets it might still talk to.
    m_controller.reset();
}

QRegion MainWindow::outline()
{
    // A pixel shows when its centre lies inside the round rectangle; only rows within half
    // an ellipse of the top or bottom are narrowed.
    constexpr layout::Outline kOutline = layout::kOutline;
    const double rx = layout::kCornerSize / 2.0;
    const double ry = layout::kCornerSize / 2.0;
    QRegion region;
    for (int y = kOutline.top; y < kOutline.bottom; ++y) {
        const double centre = y + 0.5;
        double dy = 0.0;
        if (centre < kOutline.top + ry)
            dy = kOutline.top + ry - centre;
        else if (centre > kOutline.bottom - ry)
            dy = centre - (kOutline.bottom - ry);
        int inset = 0;
        if (dy > 0.0) {
            const double halfWidth = rx * std::sqrt(std::max(0.0, 1.0 - (dy / ry) * (dy / ry)));
            inset = std::max(0, static_cast<int>(std::ceil(rx - halfWidth - 0.5)));
        }
        region += QRect(kOutline.left + inset, y, kOutline.right - kOutline.left - 2 * inset, 1);
    }
    return region;
}

void MainWindow::Form_Load()
{
    // In device-independent pixels: the window system scales the mask on dense screens.
    setMask(outline());
}

std::string MainWindow::caption(Label which) const
{
    if (const PathLabel* path = pathLabel(which))
        return path->caption().toStdString();
    return m_labTime->text().toStdString();
}

void MainWindow::setCaption(Label which, const std::string& text)
{
    const QString value = QString::fromStdString(text);
    if (PathLabel* path = pathLabel(which)) {
        path->setCaption(value);
        if (which == Label::DragFile && !value.isEmpty())
            m_lastFolder = QFileInfo(value).absolutePath();
        return;
    }
    // Every tick sets the time; a screen reader hears of it only when the shown second moves.
    if (value == m_labTime->text())
        return;
    m_labTime->setText(value);
    m_labTime->setAccessibleName(value.isEmpty() ? QString::fromLatin1(layout::kTimeName)
                                                 : QString::fromLatin1(layout::kTimeName) + ' ' + value);
}

void MainWindow::moveLabel(Label which, int x, int y)
{
    label(which)->move(x, y);
}

void MainWindow::setFace(int index, Face face)
{
    if (index < 0 || index >= kButtonCount)
        return;
    update(button(index)->setFace(face, facePixmap(face)));
}

void MainWindow::setTimerEnabled(bool enabled)
{
    if (enabled)
        m_timer1.start();
    else
        m_timer1.stop();
}

void MainWindow::processEvents()
{
    QCoreApplication::processEvents();
}

void MainWindow::showMessage(const std::string& text)
{
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kTitle), QString::fromStdString(text),
                    QMessageBox::Ok, this);
    box.exec();
}

void MainWindow::quit()
{
    m_quitting = true;
    m_timer1.stop();
    close();
    // Queued, so that a run or a load that is still on the stack unwinds first.
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

QLabel* MainWindow::label(Label which) const
{
    switch (which) {
    case Label::DragFile: return m_dragFile.get();
    case Label::OutputFile: return m_outputFile.get();
    case Label::LabTime: return m_labTime.get();
    }
    return m_labTime.get();
}

PathLabel* MainWindow::pathLabel(Label which) const
{
    switch (which) {
    case Label::DragFile: return m_dragFile.get();
    case Label::OutputFile: return m_outputFile.get();
    case Label::LabTime: return nullptr;
    }
    return nullptr;
}

QLabel* MainWindow::legend(int index) const { return m_legends.at(static_cast<std::size_t>(index)).get(); }
QLabel* MainWindow::aboutZone() const { return m_about.get(); }
QLabel* MainWindow::aboutPicture() const { return m_imgAbout.get(); }

void MainWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setClipRegion(outline());
    painter.drawPixmap(QRect(0, 0, kWidth, kHeight), m_skin);
    for (const auto& b : m_buttons)
        if (b->face() != Face::None)
            painter.drawPixmap(b->pos(), b->pixmap());
    paintFocusMark(painter);
}

void MainWindow::paintFocusMark(QPainter& painter) const
{
    // Drawn here, under the controls: the buttons' faces are painted here too, and a label
    // paints no background that could hide it.
    QWidget* focused = focusWidget();
    if (!m_focusCue.visible() || !focused || !dynamic_cast<Pressable*>(focused) || !focused->isVisible())
        return;
    QRect area = focused->geometry();
    // A button's key is drawn as large as its lit face, which may be larger than the button.
    if (const auto* b = dynamic_cast<const ImageButton*>(focused))
        area |= QRect(b->pos(), facePixmap(layout::litFace(b->index())).deviceIndependentSize().toSize());
    if (focused == m_about.get())
        area |= kMakersMark;
    else if (focused == m_dragFile.get())
        area |= kInputField;
    const int gap = focused == m_shut.get() ? layout::kCloseRingGap : layout::kRingGap;
    // Never past the window's visible edge, which would cut it off.
    const QRectF inside = QRectF(outline().boundingRect()).adjusted(kMarkOuter, kMarkOuter, -kMarkOuter, -kMarkOuter);
    const QRectF ring = QRectF(area).adjusted(-gap, -gap, gap, gap).intersected(inside);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kMarkDark, 1.0));
    painter.drawRoundedRect(ring.adjusted(-1.5, -1.5, 1.5, 1.5), layout::kRingRadius + 1, layout::kRingRadius + 1);
    painter.setPen(QPen(kMarkLight, 1.0));
    painter.drawRoundedRect(ring.adjusted(-0.5, -0.5, 0.5, 0.5), layout::kRingRadius, layout::kRingRadius);
    painter.restore();
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    // Keys that no control took: Escape closes the about picture, arrows move like Tab.
    switch (event->key()) {
    case Qt::Key_Escape:
        m_imgAbout->dismiss();
        break;
    case Qt::Key_Left:
    case Qt::Key_Up:
        focusNextPrevChild(false);
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        focusNextPrevChild(true);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

bool MainWindow::focusNextPrevChild(bool next)
{
    // While the about picture is shown, the controls beneath it are out of reach.
    if (m_imgAbout->isVisible()) {
        m_imgAbout->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

void MainWindow::mousePressEvent(QMouseEvent* event)
{
    // Only presses on the bare surface arrive here: every control keeps its own.
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    // Without a window manager that moves windows, follow the mouse ourselves.
    m_dragging = !startMove();
    m_dragOffset = event->globalPosition().toPoint() - pos();
}

void MainWindow::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    if (m_dragging && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - m_dragOffset);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
}

bool MainWindow::startMove()
{
    QWindow* window = windowHandle();
    return window && window->startSystemMove();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_quitting) {
        event->accept();
        return;
    }
    // Closed by the desktop: do what "X" does, which closes the window in its own time.
    event->ignore();
    guarded("close", [&] { m_controller->Shut_Click(); });
}

void MainWindow::About_Click()
{
    m_imgAbout->open();
}

void MainWindow::DragFile_Click()
{
    // A transformation lets window events run while it works; a modal dialog opened from one
    // would hold the run until it closed. A drop is ignored then too.
    if (m_quitting || m_controller->transforming())
        return;
    QFileDialog dialog(this, QString::fromLatin1(kOpenTitle), startFolder());
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters({QString::fromLatin1(kMidiFilter), QString::fromLatin1(kAnyFilter)});
    const bool chosen = dialog.exec() == QDialog::Accepted;
    m_lastFolder = dialog.directory().absolutePath();
    const QStringList files = dialog.selectedFiles();
    if (!chosen || files.isEmpty() || m_quitting)
        return;
    // Exactly as a drop of that one file.
    m_controller->DragFile_OLEDragDrop({files.first().toStdString()});
}

QString MainWindow::startFolder() const
{
    if (!m_lastFolder.isEmpty() && QFileInfo(m_lastFolder).isDir())
        return m_lastFolder;
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    return !music.isEmpty() && QFileInfo(music).isDir() ? music : QDir::homePath();
}

void MainWindow::describeControls()
{
    for (int i = 0; i < kButtonCount; ++i) {
        const auto index = static_cast<std::size_t>(i);
        QString description = QString::fromLatin1(kButtonDescriptions[i]);
        if (const std::optional<PresetId> preset = presetOfButton(i)) {
            const std::string_view suffix = presetInfo(*preset).suffix;
            description += QStringLiteral("; writes the result beside the input, ending in %1")
                               .arg(QString::fromLatin1(suffix.data(), static_cast<qsizetype>(suffix.size())));
        }
        m_buttons[index]->setAccessibleName(QString::fromLatin1(layout::kButtonNames[index]));
        m_buttons[index]->setAccessibleDescription(description);
    }
    m_dragFile->setAccessibleDescription(QStringLiteral("Drop a MIDI file here, or press to choose one"));
    m_labTime->setAccessibleName(QString::fromLatin1(layout::kTimeName));
    m_shut->setAccessibleName(QString::fromLatin1(layout::kCloseName));
    m_shut->setAccessibleDescription(QStringLiteral("Stops playback and quits Tonvex"));
    m_about->setAccessibleName(QString::fromLatin1(layout::kAboutName));
    m_imgAbout->setAccessibleName(QString::fromLatin1(layout::kAboutName));
    m_imgAbout->setAccessibleDescription(QString::fromLatin1(kAboutText));
}

void MainWindow::loadArtwork()
{
    const qreal ratio = devicePixelRatioF();
    m_skin = tonvex::loadArtwork(QStringLiteral("skin"), ratio);
    m_play = tonvex::loadArtwork(QStringLiteral("play"), ratio);
    m_stop = tonvex::loadArtwork(QStringLiteral("stop"), ratio);
    m_select = tonvex::loadArtwork(QStringLiteral("select"), ratio);
    m_aboutArt = tonvex::loadArtwork(QStringLiteral("about"), ratio);
    // QIcon picks up the 2x twin of a resource by itself.
    setWindowIcon(QIcon(QStringLiteral(":/tonvex/icon.png")));
}

const QPixmap& MainWindow::facePixmap(Face face) const
{
    switch (face) {
    case Face::Play: return m_play;
    case Face::Stop: return m_stop;
    case Face::Select: return m_select;
    case Face::None: break;
    }
    static const QPixmap none;
    return none;
}

} // namespace tonvex
