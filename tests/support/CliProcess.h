#pragma once
// The programs as built, started by a test: the simulated instrument behind a pseudo-terminal
// and viscora-cli. Needs VISCORA_CLI_BIN and VISCORA_SIM_BIN defined by the build.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace viscora::test {

// How long a test waits for what a program it started is to do (start, print, end): generous,
// for a machine busy with other work; every wait ends as soon as the thing happens.
constexpr int kEventWaitMs = 120000;

struct Simulator {
    QProcess process;
    QString device;
    explicit Simulator(const QStringList &args)
    {
        process.start(QStringLiteral(VISCORA_SIM_BIN), args);
        if (process.waitForStarted(kEventWaitMs) && process.waitForReadyRead(kEventWaitMs))
            device = QString::fromLocal8Bit(process.readLine()).trimmed();
    }
    ~Simulator()
    {
        process.terminate();
        process.waitForFinished(3000);
    }
};

struct ProcessResult {
    int code;
    QString out, err;
};

inline ProcessResult run(const QString &program, const QStringList &args,
                         const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(kEventWaitMs);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

inline ProcessResult
runCli(const QStringList &args,
       const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    return run(QStringLiteral(VISCORA_CLI_BIN), args, env);
}

} // namespace viscora::test
