#include "device/SerialPortList.h"

#include "device/PortMap.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>

namespace viscora {

namespace {
QString canonical(const std::string &path)
{
    const QString p = QString::fromStdString(path);
    const QString c = QFileInfo(p).canonicalFilePath();
    return c.isEmpty() ? QDir::cleanPath(p) : c;
}
} // namespace

std::vector<SerialDeviceInfo> SystemSerialPortList::devices() const
{
    std::vector<SerialDeviceInfo> out;
    for (const QSerialPortInfo &p : QSerialPortInfo::availablePorts())
        out.push_back({p.systemLocation().toStdString(),
                       {},
                       p.manufacturer().toStdString(),
                       p.description().toStdString()});
    std::sort(out.begin(), out.end(),
              [](const auto &a, const auto &b) { return a.device < b.device; });
    addByIdNames(out);
    return out;
}

void addByIdNames(std::vector<SerialDeviceInfo> &devices, const std::string &byIdFolder)
{
    const QDir dir(QString::fromStdString(byIdFolder));
    const QFileInfoList links =
        dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (SerialDeviceInfo &d : devices) {
        if (!d.byId.empty())
            continue;
        const QString target = canonical(d.device);
        for (const QFileInfo &link : links)
            if (link.isSymLink() && link.canonicalFilePath() == target) {
                d.byId = link.absoluteFilePath().toStdString();
                break;
            }
    }
}

bool sameDevice(const std::string &a, const std::string &b)
{
    return !a.empty() && !b.empty() && canonical(a) == canonical(b);
}

std::vector<PortRow> portRows(const std::vector<SerialDeviceInfo> &present, const PortMap &map,
                              const std::string &simulatorDevice,
                              const std::function<std::string(const std::string &)> &problem)
{
    std::vector<PortRow> rows;
    auto describe = [&](const SerialDeviceInfo &d) {
        if (sameDevice(d.device, simulatorDevice))
            return std::string("simulated instrument");
        std::string text = d.manufacturer;
        if (!d.product.empty() && d.product != d.manufacturer)
            text += (text.empty() ? "" : " ") + d.product;
        return text;
    };
    for (const SerialDeviceInfo &d : present)
        rows.push_back({d, {}, problem(d.device), describe(d)});
    for (const auto &[n, device] : map.assigned()) {
        if (device.empty())
            continue;
        const bool listed = std::any_of(rows.begin(), rows.end(), [&](const PortRow &r) {
            return sameDevice(r.info.device, device) || r.info.device == device;
        });
        if (!listed) {
            const SerialDeviceInfo d{device, {}, {}, {}};
            rows.push_back({d, {}, problem(device), describe(d)});
        }
    }
    for (PortRow &r : rows)
        for (int n = 1; n <= kCommPorts; ++n) {
            const std::string device = map.device(n);
            if (device == r.info.device || sameDevice(device, r.info.device))
                r.commPorts.push_back(n);
        }
    return rows;
}

std::string commList(const std::vector<int> &commPorts)
{
    std::string out;
    for (int n : commPorts)
        out += (out.empty() ? "Comm " : ", Comm ") + std::to_string(n);
    return out;
}

} // namespace viscora
