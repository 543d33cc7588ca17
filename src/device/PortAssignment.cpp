#include "device/PortAssignment.h"

#include "device/PortMap.h"

#include <QSettings>

#include <cstdlib>

namespace viscora {

namespace {
QString key(int commPort) { return QStringLiteral("ports/comm%1").arg(commPort); }
} // namespace

QString PortAssignment::userSettingsFile()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("viscora"),
                     QStringLiteral("viscora"))
        .fileName();
}

CommDevices PortAssignment::load() const
{
    const QSettings s(file_, QSettings::IniFormat);
    CommDevices out;
    for (int n = 1; n <= kCommPorts; ++n) {
        const std::string device = s.value(key(n)).toString().trimmed().toStdString();
        if (!device.empty())
            out[n] = device;
    }
    return out;
}

bool PortAssignment::save(const CommDevices &devices, std::string *error) const
{
    QSettings s(file_, QSettings::IniFormat);
    s.remove(QStringLiteral("ports"));
    for (const auto &[n, device] : devices)
        if (n >= 1 && n <= kCommPorts && !device.empty())
            s.setValue(key(n), QString::fromStdString(device));
    s.sync();
    if (s.status() == QSettings::NoError)
        return true;
    if (error)
        *error = "cannot write " + file_.toStdString();
    return false;
}

bool parseCommOption(const std::string &value, CommDevices &into)
{
    const auto eq = value.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == value.size())
        return false;
    char *end = nullptr;
    const long n = std::strtol(value.c_str(), &end, 10);
    if (end != value.c_str() + eq || n < 1 || n > kCommPorts)
        return false;
    into[static_cast<int>(n)] = value.substr(eq + 1);
    return true;
}

CommDevices effectiveDevices(const CommDevices &saved, const CommDevices &overrides)
{
    CommDevices out = saved;
    for (const auto &[n, device] : overrides)
        out[n] = device;
    return out;
}

bool usesSimulator(const CommDevices &devices)
{
    for (const auto &[n, device] : devices)
        if (device == kSimulatedDevice)
            return true;
    return false;
}

void applyDevices(PortMap &map, const CommDevices &devices, const std::string &simulatorDevice)
{
    map.clear();
    for (const auto &[n, device] : devices)
        map.set(n, device == kSimulatedDevice ? simulatorDevice : device);
}

} // namespace viscora
