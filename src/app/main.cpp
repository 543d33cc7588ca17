// viscora: the desktop program.

#include "store/DatabaseLocator.h"
#include "device/Link.h"
#include "core/Module1.h"
#include "device/PortMap.h"
#include "ui/QtPrompter.h"
#include "device/QtSerialPortDevice.h"
#include "ui/QtTextPrinter.h"
#include "app/SimulatorProcess.h"
#include "app/HelpViewer.h"
#include "app/StartOptions.h"
#include "app/frmMain.h"

#include <QApplication>
#include <QDesktopServices>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QUrl>

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
    if (options.checkHelp) {
        const std::string summary = viscora::helpDocumentSummary();
        std::printf("%s\n", summary.empty() ? "no help document" : summary.c_str());
        return summary.empty() ? 1 : 0;
    }

    viscora::PortMap ports;
    for (const auto &[n, device] : options.commOverrides)
        ports.set(n, device);
    viscora::SimulatorProcess simulator;
    if (options.simulate) {
        const QString device = simulator.start();
        if (device.isEmpty()) {
            std::fprintf(stderr, "viscora: %s\n", qPrintable(simulator.error()));
            return 1;
        }
        ports.set(1, device.toStdString());
        std::fprintf(stderr, "viscora: simulated K7400R on %s (Comm 1)\n", qPrintable(device));
    }

    viscora::Module1 m;
    viscora::QtPrompter prompter;
    viscora::SystemClock clock;
    viscora::QtSerialPortDevice port(ports);
    auto makePort = [&ports]() -> std::unique_ptr<viscora::SerialPort> {
        return std::make_unique<viscora::QtSerialPortDevice>(ports);
    };
    viscora::frmMain *mainWindow = nullptr;
    auto makePrinter = [&mainWindow]() -> std::unique_ptr<viscora::TextPrinter> {
        return std::make_unique<viscora::QtTextPrinter>(mainWindow);
    };
    QPrinter printer(QPrinter::HighResolution);
    auto choosePrinter = [&printer, &mainWindow]() -> QPagedPaintDevice * {
        QPrintDialog dialog(&printer, mainWindow);
        return dialog.exec() == QDialog::Accepted ? &printer : nullptr;
    };
    auto previewReport = [&mainWindow](std::function<void(QPagedPaintDevice &)> draw) {
        auto *preview = new QPrintPreviewDialog(mainWindow);
        preview->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(preview, &QPrintPreviewDialog::paintRequested, preview,
                         [draw](QPrinter *p) { draw(*p); });
        preview->show();
    };
    auto openDocument = [](const std::string &path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
    };
    viscora::frmMain window({m, prompter, clock, port, makePort, makePrinter, choosePrinter,
                             previewReport, openDocument,
                             [&prompter] { return viscora::locateDatabase(prompter); },
                             options.commandLine, viscora::qtPrompterFactory()});
    prompter.setParent(&window);
    mainWindow = &window;
    if (!window.Form_Load())
        return 0;
    window.show();
    return app.exec();
}
