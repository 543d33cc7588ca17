// The serial ports: what is present, what each "Comm n" leads to, and the simulated
// instrument when a port is assigned to it.

#include "cli/CliContext.h"
#include "device/DeviceAccess.h"
#include "device/SerialPortList.h"

namespace viscora::cli {

void startAssignedSimulator(Context &c)
{
    if (c.simulatorStarted || !usesSimulator(c.devices))
        return;
    c.simulatorStarted = true;
    const QString device = c.simulator.start();
    if (device.isEmpty())
        c.err << "viscora-cli: " << c.simulator.error().toStdString() << '\n';
    else
        c.err << "viscora-cli: simulated K7400R on " << device.toStdString() << '\n';
    applyDevices(c.ports, c.devices, device.toStdString());
}

int cmdPorts(Context &c, const Args &)
{
    SystemSerialPortList system;
    const SerialPortList &list = c.portList ? *c.portList : system;
    // Listing never starts the simulator; a port assigned to it says so.
    PortMap shown;
    applyDevices(shown, c.devices, kSimulatedDevice);
    const auto rows = portRows(list.devices(), shown, kSimulatedDevice, [](const std::string &d) {
        return d == kSimulatedDevice ? std::string() : accessProblem(d);
    });
    if (rows.empty())
        c.err << "viscora-cli: no serial device found\n";
    auto field = [](const std::string &s) { return s.empty() ? std::string("-") : s; };
    for (const PortRow &r : rows)
        c.out << r.info.device << '\t' << field(r.info.byId) << '\t' << field(commList(r.commPorts))
              << '\t' << (r.problem.empty() ? std::string("ok") : r.problem) << '\t'
              << field(r.description) << '\n';
    return 0;
}

} // namespace viscora::cli
