// viscora-cli: the headless twin of the desktop program.

#include "core/CNumbers.h"
#include "cli/Cli.h"

#include <QApplication>

#include <cerrno>
#include <iostream>

#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    // Charts are drawn off screen; the CLI never shows a window.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QByteArray dir = "/tmp/runtime-" + QByteArray::number(getuid());
        if (mkdir(dir.constData(), 0700) == 0 || errno == EEXIST)
            qputenv("XDG_RUNTIME_DIR", dir);
    }
    QApplication app(argc, argv);
    viscora::keepCNumbers();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return viscora::runCli(args, std::cout, std::cerr);
}
