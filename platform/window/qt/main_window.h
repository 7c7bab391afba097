#pragma once

#include <array>
#include <memory>

#include <QColor>
#include <QLabel>
#include <QPixmap>
#include <QRegion>
#include <QTimer>
#include <QWidget>

#include "focus_cue.h"
#include "main_controller.h"
#include "skin_layout.h"
#include "view.h"

namespace tonvex {

class AboutPicture;
class ClickableLabel;
class CloseLabel;
class DropLabel;
class ImageButton;
class LabelButton;
class PathLabel;

// The borderless, skinned window Main: its controls, outline, moving and about view.
class MainWindow : public QWidget, public View {
public:
    static constexpr int kWidth = layout::kWidth;
    static constexpr int kHeight = layout::kHeight;
    static constexpr int kLegendCount = layout::kLegendCount;
    // The ink of the texts on the white path boxes and the light square under "X": the skin
    // is fixed art, so its texts keep their colours whatever the desktop's palette.
    static constexpr QRgb kInk = 0xff1b1d20;

    explicit MainWindow(RootFactory createRoot, Transformation transform = tonvex::MIRROR,
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    // The visible part of the window: a rectangle with rounded corners.
    static QRegion outline();

    std::string caption(Label label) const override;
    void setCaption(Label label, const std::string& text) override;
    void moveLabel(Label label, int x, int y) override;
    void setFace(int button, Face face) override;
    void setTimerEnabled(bool enabled) override;
    void processEvents() override;
    void showMessage(const std::string& text) override;
    void quit() override;

    // The controls, for the tests and the drop and press plumbing.
    QLabel* label(Label label) const;
    PathLabel* pathLabel(Label label) const;
    DropLabel* dragFile() const { return m_dragFile.get(); }
    ImageButton* button(int index) const { return m_buttons.at(static_cast<std::size_t>(index)).get(); }
    QLabel* legend(int index) const;
    CloseLabel* shut() const { return m_shut.get(); }
    QLabel* aboutZone() const;
    QLabel* aboutPicture() const;
    const QTimer& timer1() const { return m_timer1; }
    MainController& controller() { return *m_controller; }
    bool quitting() const { return m_quitting; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Hands the move of the window to the window system; returns false when it cannot.
    virtual bool startMove();

private:
    void Form_Load();
    void About_Click();
    void DragFile_Click();
    QString startFolder() const;
    void loadArtwork();
    void describeControls();
    void paintFocusMark(QPainter& painter) const;
    const QPixmap& facePixmap(Face face) const;

    // Children of this window, owned here; they go before the QWidget base is destroyed.
    std::unique_ptr<DropLabel> m_dragFile;
    std::unique_ptr<PathLabel> m_outputFile;
    std::unique_ptr<ClickableLabel> m_labTime;
    std::array<std::unique_ptr<ClickableLabel>, kLegendCount> m_legends;
    std::array<std::unique_ptr<ImageButton>, kButtonCount> m_buttons;
    std::unique_ptr<CloseLabel> m_shut;
    std::unique_ptr<LabelButton> m_about;
    std::unique_ptr<AboutPicture> m_imgAbout;
    QTimer m_timer1;
    FocusCue m_focusCue;

    QPixmap m_skin;
    QPixmap m_play;
    QPixmap m_stop;
    QPixmap m_select;
    QPixmap m_aboutArt;

    QString m_lastFolder; // of the input, or where the file dialog was left; this run only
    bool m_quitting = false;
    bool m_dragging = false;
    QPoint m_dragOffset;
    std::unique_ptr<MainController> m_controller;
};

} // namespace tonvex
