#include <QApplication>

#include "fluid_root.h"
#include "main_window.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tonvex"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tonvex"));
    QGuiApplication::setDesktopFileName(QStringLiteral("tonvex"));

    tonvex::MainWindow window(tonvex::fluidRootFactory());
    window.show();
    return QApplication::exec();
}
