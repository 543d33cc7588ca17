#pragma once
// Starts k7400r-sim beside the program (--simulate) and tells which device it serves.

#include <QProcess>
#include <QString>

namespace viscora {

class SimulatorProcess {
public:
    ~SimulatorProcess();
    // Starts the simulator found next to this program (or on PATH); the device path, or
    // empty with error() set.
    QString start(const QStringList &arguments = {});
    const QString &error() const { return error_; }

private:
    QProcess process_;
    QString error_;
};

} // namespace viscora
