#include "sim/SimulatorProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace viscora {

SimulatorProcess::~SimulatorProcess()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(2000))
            process_.kill();
    }
}

QString SimulatorProcess::start(const QStringList &arguments)
{
    const QDir appDir(QCoreApplication::applicationDirPath());
    QStringList candidates{appDir.filePath(QStringLiteral("k7400r-sim")),
                           appDir.filePath(QStringLiteral("../sim/k7400r-sim"))};
    QString program;
    for (const QString &c : candidates)
        if (QFileInfo(c).isExecutable()) {
            program = c;
            break;
        }
    if (program.isEmpty())
        program = QStandardPaths::findExecutable(QStringLiteral("k7400r-sim"));
    if (program.isEmpty()) {
        error_ = QStringLiteral("k7400r-sim was not found next to the program or on PATH.");
        return {};
    }
    process_.setProgram(program);
    process_.setArguments(QStringList{QStringLiteral("--exit-with-parent")} + arguments);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start();
    if (!process_.waitForStarted(5000) || !process_.waitForReadyRead(5000)) {
        error_ = QStringLiteral("k7400r-sim did not start: ") + process_.errorString();
        return {};
    }
    return QString::fromLocal8Bit(process_.readLine()).trimmed();
}

} // namespace viscora
