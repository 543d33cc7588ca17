#pragma once
// Serial Ports: the devices present, and the device each "Comm n" leads to, saved for this
// user. A by-id name is offered first: it stays the same when the adapter is plugged in again.

#include "device/PortAssignment.h"
#include "store/CalibrationRecords.h"

#include <QDialog>

#include <array>
#include <functional>
#include <map>
#include <vector>
#include <string>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace viscora {

class Prompter;
class PortMap;
class SerialPortList;

struct SerialPortsDeps {
    Prompter &prompter;
    const SerialPortList &list;
    // Where the assignment is saved.
    const PortAssignment &assignment;
    // What each port leads to now, for the device list.
    const PortMap &map;
    // This run's --comm: shown, never saved.
    CommDevices overrides;
    // The running simulator's device; empty when none runs.
    std::function<std::string()> simulatorDevice;
    // Puts a saved assignment in force for the rest of the run.
    std::function<void(const CommDevices &saved)> apply;
    // Why this user cannot open a device; empty when it can.
    std::function<std::string(const std::string &device)> problem;
    // The database whose instruments the ports are assigned to; none: no instrument column.
    Database *db = nullptr;
};

class frmSerialPorts : public QDialog {
    Q_OBJECT
public:
    explicit frmSerialPorts(SerialPortsDeps deps, QWidget *parent = nullptr);

    // Lists the devices again (after plugging an adapter in).
    void cmdRefresh_Click();
    void cmdOk_Click();
    // The assignment as the boxes show it.
    CommDevices chosen() const;

    QTableWidget *gridDevices;
    std::array<QComboBox *, 12> cmbComm{};
    // The named instrument on each port ("(none)" first), and naming a new one.
    std::array<QComboBox *, 12> cmbInstrument{};
    QPushButton *cmdNewInstrument = nullptr;
    void cmdNewInstrument_Click();
    QLabel *lblOverrides, *lblFile;
    QPushButton *cmdRefresh, *cmdOk, *cmdCancel;

    static constexpr const char *kTitle = "Serial Ports";
    static constexpr const char *kSimulatedText = "simulated instrument";

private:
    void fillDevices();
    void fillInstruments();
    // Each port's instrument as the boxes show it, stored where it changed; false on a failure.
    bool saveInstruments();
    std::vector<Instrument> instruments_;
    std::map<int, int> assigned_;
    SerialPortsDeps deps_;
};

} // namespace viscora
