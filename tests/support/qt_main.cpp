// gtest main with a QApplication, for tests that touch Qt widgets or Qt SQL.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // Headless, on a 1280 x 1024 screen (the offscreen platform's own is 800 x 800): the size
    // of a usual desktop, and of the virtual display the program is tried on.
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen")
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" VISCORA_TEST_SCREEN);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
