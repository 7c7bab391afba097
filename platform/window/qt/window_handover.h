#pragma once

#include <QStringList>

#include "instance_channel.h"

namespace tonvex {

class MainWindow;

// Hands files from a start of the program to the window, as one drop of those paths.
class WindowHandover {
public:
    explicit WindowHandover(MainWindow& window) : m_window(window) {}

    // The files of this start, dropped once the event loop runs, after the window shows.
    void openLater(const QStringList& files);

    // A request of a later start: brings the window forward, passing on the launcher's
    // startup id or activation token so the window system allows it and the launcher ends
    // its busy feedback, then drops the files. Nothing once the window is closing.
    void take(const Handover& request);

private:
    static void open(MainWindow& window, const QStringList& files) noexcept;
    void raise(const Handover& request);

    MainWindow& m_window;
};

} // namespace tonvex
