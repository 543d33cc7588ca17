// viscora: the desktop program.

#include "core/CNumbers.h"
#include "dbsetup/DatabaseChoice.h"
#include "dbsetup/frmDatabase.h"
#include "device/Link.h"
#include "core/Module1.h"
#include "core/Version.h"
#include "device/DeviceAccess.h"
#include "device/PortAssignment.h"
#include "device/PortMap.h"
#include "device/SerialPortList.h"
#include "ports/frmSerialPorts.h"
#include "sim/SimulatorProcess.h"
#include "ui/QtPrompter.h"
#include "device/QtSerialPortDevice.h"
#include "ui/QtTextPrinter.h"
#include "ui/WindowPlacement.h"
#include "app/DatabaseLocator.h"
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
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    // Read once, before any window system: help and the version need none. Qt's own options
    // (-platform ...) stay in the command line as typed.
    const viscora::StartOptions options = viscora::parseStartOptions(args);
    if (options.help) {
        std::fputs(viscora::kStartUsage, stdout);
        return 0;
    }
    if (options.version) {
        std::printf("viscora %s\n", viscora::versionText());
        return 0;
    }

    QApplication app(argc, argv);
    const viscora::WindowsKeptOnScreen keptOnScreen;
    viscora::keepCNumbers();
    QApplication::setApplicationName(QStringLiteral("Viscora"));
    QApplication::setApplicationVersion(QString::fromLatin1(viscora::versionText()));
    if (!options.error.empty()) {
        std::fprintf(stderr, "viscora: %s\n", options.error.c_str());
        return 2;
    }
    if (options.checkHelp) {
        const std::string summary = viscora::helpDocumentSummary();
        std::printf("%s\n", summary.empty() ? "no help document" : summary.c_str());
        return summary.empty() ? 1 : 0;
    }

    // What each "Comm n" means: the user's saved assignment, this run's options on top.
    viscora::CommDevices overrides = options.commOverrides;
    if (options.simulate)
        overrides[1] = viscora::kSimulatedDevice;
    const viscora::PortAssignment assignment;
    const viscora::DatabaseChoice databaseChoice(assignment.file());
    viscora::PortMap ports;
    viscora::SimulatorProcess simulator;
    std::string simulatorDevice;
    bool simulatorTried = false;
    auto applyPorts = [&](const viscora::CommDevices &saved) {
        const viscora::CommDevices devices = viscora::effectiveDevices(saved, overrides);
        if (viscora::usesSimulator(devices) && !simulatorTried) {
            simulatorTried = true;
            simulatorDevice = simulator.start().toStdString();
            if (simulatorDevice.empty())
                std::fprintf(stderr, "viscora: %s\n", qPrintable(simulator.error()));
            else
                std::fprintf(stderr, "viscora: simulated K7400R on %s\n", simulatorDevice.c_str());
        }
        viscora::applyDevices(ports, devices, simulatorDevice);
    };
    applyPorts(assignment.load());
    if (options.simulate && simulatorDevice.empty())
        return 1;

    const viscora::SystemSerialPortList systemPorts;
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
    // The Database dialog, when the remembered server cannot be opened: nothing is in use yet.
    auto chooseDatabase = [&] {
        viscora::frmDatabase dialog(
            viscora::DatabaseDialogDeps{prompter, databaseChoice, QString()});
        dialog.exec();
    };
    viscora::frmMain window(viscora::MainWindowDeps{
        .m = m,
        .prompter = prompter,
        .clock = clock,
        .MSComm1 = port,
        .makePort = makePort,
        .makePrinter = makePrinter,
        .choosePrinter = choosePrinter,
        .previewReport = previewReport,
        .openDocument = openDocument,
        .locateDatabase =
            [&] {
                return viscora::locateDatabase(prompter, databaseChoice,
                                               QString::fromStdString(options.db), chooseDatabase);
            },
        .commandLine = options.commandLine,
        .makeSerialPortsDialog = [&](QWidget *parent,
                                     viscora::Database *db) -> std::unique_ptr<QDialog> {
            return std::make_unique<viscora::frmSerialPorts>(
                viscora::SerialPortsDeps{
                    prompter, systemPorts, assignment, ports, overrides,
                    [&simulatorDevice] { return simulatorDevice; }, applyPorts,
                    [](const std::string &device) { return viscora::accessProblem(device); }, db},
                parent);
        },
        .makePrompter = viscora::qtPrompterFactory(),
        .makeDatabaseDialog = [&](QWidget *parent,
                                  const QString &inUse) -> std::unique_ptr<QDialog> {
            return std::make_unique<viscora::frmDatabase>(
                viscora::DatabaseDialogDeps{prompter, databaseChoice, inUse}, parent);
        },
    });
    prompter.setParent(&window);
    mainWindow = &window;
    if (!window.Form_Load())
        return 0;
    window.show();
    return app.exec();
}
