#include <chrono>
#include <cstdio>

#include <QApplication>

#include "command_line.h"
#include "fluid_root.h"
#include "instance_channel.h"
#include "main_window.h"
#include "window_handover.h"

namespace {

// Long enough for a window that is still starting, short enough that a start handed over
// ends within a second.
constexpr std::chrono::milliseconds kHandoverPatience{800};

QStringList argumentsOf(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.push_back(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Tonvex"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TONVEX_VERSION));
    // A QApplication needs a display; the help and version texts do not.
    if (tonvex::CommandLine::asksForText(argumentsOf(argc, argv))) {
        QCoreApplication app(argc, argv);
        tonvex::CommandLine answered(app); // prints the text and ends the process
        return 0;
    }

    // Read before Qt's X11 connection takes the startup id out of the environment.
    tonvex::Handover request;
    request.startupId = qgetenv("DESKTOP_STARTUP_ID");
    request.activationToken = qgetenv("XDG_ACTIVATION_TOKEN");

    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Tonvex"));
    QGuiApplication::setDesktopFileName(QStringLiteral(TONVEX_APP_ID));
    request.paths = tonvex::CommandLine(app).files();

    tonvex::InstanceChannel channel(tonvex::InstanceChannel::userFolder());
    switch (channel.claim(request, kHandoverPatience)) {
    case tonvex::InstanceChannel::Claim::HandedOver:
        return 0;
    case tonvex::InstanceChannel::Claim::Unanswered:
        std::fputs("tonvex: a Tonvex window is running but does not answer\n", stderr);
        return 1;
    case tonvex::InstanceChannel::Claim::First:
    case tonvex::InstanceChannel::Claim::Alone:
        break;
    }

    tonvex::MainWindow window(tonvex::fluidRootFactory());
    tonvex::WindowHandover handover(window);
    channel.onHandover = [&handover](const tonvex::Handover& handed) { handover.take(handed); };
    window.show();
    handover.openLater(request.paths);
    const int status = QApplication::exec();
    channel.onHandover = nullptr; // the window may still yield to events while it goes
    return status;
}
