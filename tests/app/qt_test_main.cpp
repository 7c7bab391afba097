#include <cstdlib>

#include <QApplication>
#include <gtest/gtest.h>

// Widget tests need one QApplication for the whole run. Without an X display the window
// tests skip themselves, but the application must still start.
int main(int argc, char* argv[])
{
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tonvex"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
