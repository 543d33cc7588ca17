#pragma once
// What "Comm n" means for this user: a device per port, kept with QSettings in the usual
// config folder and handed to the PortMap at start; --comm overrides it for one run. Only
// the meaning of a port is remembered: every start is still on Comm 1.

#include <QString>

#include <map>
#include <string>

namespace viscora {

class PortMap;

// Comm port number (1..12) to a device path, or kSimulatedDevice.
using CommDevices = std::map<int, std::string>;

// The simulated instrument (k7400r-sim) as a port's device, as --simulate gives Comm 1.
inline constexpr const char *kSimulatedDevice = "simulated";

class PortAssignment {
public:
    // An INI file; by default the user's (~/.config/viscora/viscora.conf).
    explicit PortAssignment(QString file = userSettingsFile()) : file_(std::move(file)) {}
    static QString userSettingsFile();
    const QString &file() const { return file_; }

    CommDevices load() const;
    // Replaces what was saved; false with the reason when the file cannot be written.
    bool save(const CommDevices &devices, std::string *error = nullptr) const;

private:
    QString file_;
};

// "N=DEVICE" of --comm, N from 1 to 12; false when malformed.
bool parseCommOption(const std::string &value, CommDevices &into);

// The saved assignment with the run's overrides on top.
CommDevices effectiveDevices(const CommDevices &saved, const CommDevices &overrides);
bool usesSimulator(const CommDevices &devices);
// Gives the map exactly these devices; a port assigned the simulated instrument gets
// simulatorDevice (empty when none runs, so opening it fails as an absent port does).
void applyDevices(PortMap &map, const CommDevices &devices, const std::string &simulatorDevice);

} // namespace viscora
