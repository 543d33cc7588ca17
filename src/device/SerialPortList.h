#pragma once
// The serial devices present, through a seam: the system's list in the program, a fixed
// list in tests. And what `viscora-cli ports` and the Serial Ports dialog show of them.

#include <functional>
#include <string>
#include <vector>

namespace viscora {

class PortMap;

struct SerialDeviceInfo {
    std::string device;       // /dev/ttyUSB0
    std::string byId;         // /dev/serial/by-id/usb-..., empty when the system has none
    std::string manufacturer; // empty when the system does not know it
    std::string product;
};

class SerialPortList {
public:
    virtual ~SerialPortList() = default;
    virtual std::vector<SerialDeviceInfo> devices() const = 0;
};

// What the system lists (ttyS ports that answer, USB and ACM adapters, ...), with the
// stable names from /dev/serial/by-id.
class SystemSerialPortList : public SerialPortList {
public:
    std::vector<SerialDeviceInfo> devices() const override;
};

class FixedSerialPortList : public SerialPortList {
public:
    explicit FixedSerialPortList(std::vector<SerialDeviceInfo> devices)
        : devices_(std::move(devices))
    {}
    std::vector<SerialDeviceInfo> devices() const override { return devices_; }

private:
    std::vector<SerialDeviceInfo> devices_;
};

// Fills in byId from the symbolic links of a by-id folder that lead to each device.
void addByIdNames(std::vector<SerialDeviceInfo> &devices,
                  const std::string &byIdFolder = "/dev/serial/by-id");

// The same file: both paths lead to one device once links are followed.
bool sameDevice(const std::string &a, const std::string &b);

struct PortRow {
    SerialDeviceInfo info;
    std::vector<int> commPorts; // the "Comm n" that lead to it
    std::string problem;        // why this user cannot open it; empty when it can
    std::string description;    // maker and product, or "simulated instrument"
};

// One row per device present, then one per assigned device the system does not list (a
// simulator's pseudo-terminal, an unplugged adapter).
std::vector<PortRow> portRows(const std::vector<SerialDeviceInfo> &present, const PortMap &map,
                              const std::string &simulatorDevice,
                              const std::function<std::string(const std::string &)> &problem);

// "Comm 1, Comm 3"; empty for none.
std::string commList(const std::vector<int> &commPorts);

} // namespace viscora
