// viscora: the desktop program.

#include "DatabaseLocator.h"
#include "Module1.h"
#include "QtPrompter.h"
#include "StartOptions.h"
#include "frmMain.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Viscora"));
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    const viscora::StartOptions options = viscora::parseStartOptions(args);
    if (!options.error.empty()) {
        std::fprintf(stderr, "viscora: %s\n", options.error.c_str());
        return 2;
    }

    viscora::Module1 m;
    viscora::QtPrompter prompter;
    viscora::frmMain window({m, prompter, [&prompter] { return viscora::locateDatabase(prompter); },
                             options.commandLine});
    prompter.setParent(&window);
    if (!window.Form_Load())
        return 0;
    window.show();
    return app.exec();
}
