// gtest main with a QApplication, for tests that touch Qt widgets or Qt SQL.
#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // Headless, on a 1280 x 1024 screen (the offscreen platform's own is 800 x 800): the size
    // of a usual desktop, and of the virtual display the program is tried on.
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen")
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" VISCORA_TEST_SCREEN);
    // Qt wants a private runtime folder and warns on every start without one (test discovery
    // at build time included); a root shell or a container has none.
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    // Nothing a test does may read or write the user's own settings.
    QTemporaryDir config;
    if (config.isValid())
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
