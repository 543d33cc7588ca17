#include "device/DeviceAccess.h"
#include "device/PortMap.h"
#include "ports/frmSerialPorts.h"
#include "support/AltKeys.h"
#include "support/FakeDevices.h"
#include "support/Screenshot.h"
#include "support/ScriptedPrompter.h"
#include "support/Must.h"
#include "support/TestDb.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <grp.h>
#include <unistd.h>

using namespace viscora;
using namespace viscora::test;

namespace {

// A list that changes, as when an adapter is plugged in.
struct PluggableList : SerialPortList {
    std::vector<SerialDeviceInfo> present;
    std::vector<SerialDeviceInfo> devices() const override { return present; }
};

struct Fixture {
    FakeDevices d;
    QTemporaryDir config;
    PluggableList list;
    PortAssignment assignment{config.filePath("viscora/viscora.conf")};
    PortMap map;
    ScriptedPrompter p;
    std::vector<CommDevices> applied;
    // Someone who is not in the dialout group, so the hint shows although the tests run as root.
    UserIdentity operatorUser{4321, {4321}};
    SerialDeviceInfo s0, usb;

    Fixture()
    {
        s0 = d.add("ttyS0", {}, {}, "16550A");
        usb = d.add("ttyUSB0", "usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0", "FTDI",
                    "FT232R USB UART");
        list.present = {s0, usb};
        // As on a real system: the adapter belongs to the dialout group, ttyS0 to everyone.
        const group *dialout = getgrnam("dialout");
        EXPECT_TRUE(dialout);
        EXPECT_EQ(::chown(usb.device.c_str(), 0, dialout ? dialout->gr_gid : 0), 0);
        EXPECT_EQ(::chmod(usb.device.c_str(), 0660), 0);
        EXPECT_EQ(::chmod(s0.device.c_str(), 0666), 0);
    }

    std::unique_ptr<frmSerialPorts> open(CommDevices overrides = {})
    {
        return std::make_unique<frmSerialPorts>(SerialPortsDeps{
            p, list, assignment, map, std::move(overrides), [] { return std::string(); },
            [this](const CommDevices &saved) { applied.push_back(saved); },
            [this](const std::string &device) { return accessProblem(device, operatorUser); }});
    }

    QString cell(frmSerialPorts &w, int row, int column)
    {
        const QTableWidgetItem *item = w.gridDevices->item(row, column);
        return item ? item->text() : QStringLiteral("<none>");
    }

    void shot(QWidget &w, const char *name) { saveScreenshot(w, name); }
};

QStringList items(QComboBox *box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

} // namespace

TEST(SerialPortsDialog, ListsDevicesAndOffersStableNames)
{
    Fixture f;
    ASSERT_TRUE(f.assignment.save({{1, f.usb.byId}, {4, kSimulatedDevice}}));
    f.map.set(1, f.usb.byId);
    f.map.set(2, f.s0.device);
    auto w = f.open({{3, "/dev/ttyACM7"}});
    f.shot(*w, "serial-ports");

    EXPECT_EQ(w->windowTitle(), "Serial Ports");
    EXPECT_EQ(altKeyClashes(*w), "");
    ASSERT_EQ(w->gridDevices->rowCount(), 2);
    EXPECT_EQ(f.cell(*w, 0, 0), QString::fromStdString(f.s0.device));
    EXPECT_EQ(f.cell(*w, 0, 1), "");
    EXPECT_EQ(f.cell(*w, 0, 2), "16550A");
    EXPECT_EQ(f.cell(*w, 0, 3), "Comm 2");
    EXPECT_EQ(f.cell(*w, 0, 4), "ok");
    EXPECT_EQ(f.cell(*w, 1, 1), "usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0");
    EXPECT_EQ(w->gridDevices->item(1, 1)->toolTip(), QString::fromStdString(f.usb.byId));
    EXPECT_EQ(f.cell(*w, 1, 2), "FTDI FT232R USB UART");
    EXPECT_EQ(f.cell(*w, 1, 3), "Comm 1");
    EXPECT_EQ(f.cell(*w, 1, 4), "permission denied: add the user to the dialout group");

    // The by-id name is offered in place of the plain name; the simulator last.
    const QStringList offered{QString::fromStdString(f.s0.device),
                              QString::fromStdString(f.usb.byId), "simulated instrument"};
    for (QComboBox *box : w->cmbComm)
        EXPECT_EQ(items(box), offered);
    EXPECT_EQ(w->cmbComm[0]->currentText(), QString::fromStdString(f.usb.byId));
    EXPECT_EQ(w->cmbComm[1]->currentText(), "");
    EXPECT_EQ(w->cmbComm[1]->lineEdit()->placeholderText(), "/dev/ttyS1");
    EXPECT_EQ(w->cmbComm[3]->currentText(), "simulated instrument");
    // The run's --comm is shown, not put in the boxes.
    EXPECT_EQ(w->cmbComm[2]->currentText(), "");
    EXPECT_FALSE(w->lblOverrides->isHidden());
    EXPECT_EQ(w->lblOverrides->text(), "For this run only (--comm): Comm 3 = /dev/ttyACM7.");
    EXPECT_TRUE(w->lblFile->text().contains(f.assignment.file()));
    EXPECT_TRUE(f.open()->lblOverrides->isHidden());
}

TEST(SerialPortsDialog, RefreshListsAPluggedInAdapterAndKeepsWhatWasTyped)
{
    Fixture f;
    auto w = f.open();
    w->cmbComm[0]->setEditText("/dev/typed");
    const SerialDeviceInfo acm = f.d.add("ttyACM0", "usb-Arduino_Uno-if00", "Arduino", "Uno");
    f.list.present.push_back(acm);
    w->cmdRefresh->click();
    ASSERT_EQ(w->gridDevices->rowCount(), 3);
    EXPECT_EQ(f.cell(*w, 2, 1), "usb-Arduino_Uno-if00");
    EXPECT_EQ(w->cmbComm[0]->currentText(), "/dev/typed");
    EXPECT_EQ(w->cmbComm[0]->count(), 4);
    EXPECT_TRUE(f.applied.empty());
}

TEST(SerialPortsDialog, OkSavesAndAppliesAndTellsWhatCannotBeOpenedYet)
{
    Fixture f;
    ASSERT_TRUE(f.assignment.save({{5, "/dev/ttyS9"}}));
    auto w = f.open();
    EXPECT_EQ(w->cmbComm[4]->currentText(), "/dev/ttyS9");
    w->cmbComm[0]->setCurrentIndex(1); // the adapter's by-id name
    w->cmbComm[1]->setCurrentText("simulated instrument");
    w->cmbComm[4]->setEditText("  "); // back to its default
    w->cmbComm[11]->setEditText(QString::fromStdString(f.d.path("unplugged")));
    w->cmdOk->click();

    const CommDevices expected{{1, f.usb.byId}, {2, kSimulatedDevice}, {12, f.d.path("unplugged")}};
    EXPECT_EQ(f.assignment.load(), expected);
    ASSERT_EQ(f.applied.size(), 1u);
    EXPECT_EQ(f.applied[0], expected);
    ASSERT_EQ(f.p.shown.size(), 1u);
    EXPECT_EQ(f.p.shown[0].title, "Serial Ports");
    EXPECT_EQ(f.p.shown[0].text,
              "Saved, but this user cannot open every device yet:\nComm 1: " + f.usb.byId +
                  ": permission denied: add the user to the dialout group\nComm 12: " +
                  f.d.path("unplugged") + ": no such device\n");
    EXPECT_EQ(f.p.shown[0].icon, Icon::Exclamation);
    EXPECT_EQ(w->result(), QDialog::Accepted);
}

TEST(SerialPortsDialog, CancelChangesNothingAndAFailedSaveKeepsTheDialogOpen)
{
    Fixture f;
    ASSERT_TRUE(f.assignment.save({{1, "/dev/ttyUSB3"}}));
    auto w = f.open();
    w->cmbComm[0]->setEditText("/dev/ttyUSB4");
    w->cmdCancel->click();
    EXPECT_EQ(w->result(), QDialog::Rejected);
    EXPECT_EQ(f.assignment.load(), (CommDevices{{1, "/dev/ttyUSB3"}}));
    EXPECT_TRUE(f.applied.empty());

    // The settings folder is a file: nothing can be saved there.
    QFile blocker(f.config.filePath("blocked"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const PortAssignment unwritable(f.config.filePath("blocked/viscora.conf"));
    frmSerialPorts blocked(
        SerialPortsDeps{f.p,
                        f.list,
                        unwritable,
                        f.map,
                        {},
                        [] { return std::string(); },
                        [&f](const CommDevices &saved) { f.applied.push_back(saved); },
                        [](const std::string &) { return std::string(); }});
    blocked.cmbComm[0]->setEditText("/dev/ttyUSB4");
    blocked.cmdOk->click();
    ASSERT_EQ(f.p.shown.size(), 1u);
    EXPECT_EQ(f.p.shown[0].text, "The port assignment was not saved: cannot write " +
                                     unwritable.file().toStdString() + ".");
    EXPECT_EQ(f.p.shown[0].title, "Serial Ports");
    EXPECT_TRUE(f.applied.empty());
    EXPECT_NE(blocked.result(), QDialog::Accepted);
}

TEST(SerialPortsDialog, NamesTheInstrumentOnEachPortInTheDatabase)
{
    Fixture f;
    TestDb t;
    InstrumentRepository instruments(*t.db);
    const int a = must(instruments.add({0, 0, "SN-A", "K7400R", "", 30, {}}));
    ASSERT_TRUE(instruments.assign(2, a).ok);
    SerialPortsDeps deps{
        f.p,
        f.list,
        f.assignment,
        f.map,
        {},
        [] { return std::string(); },
        [&f](const CommDevices &saved) { f.applied.push_back(saved); },
        [&f](const std::string &device) { return accessProblem(device, f.operatorUser); },
        t.db.get()};
    frmSerialPorts w(deps);
    EXPECT_EQ(items(w.cmbInstrument[0]), (QStringList{"(no instrument named)", "SN-A, K7400R"}));
    EXPECT_EQ(w.cmbInstrument[0]->currentIndex(), 0);
    EXPECT_EQ(w.cmbInstrument[1]->currentText(), "SN-A, K7400R");

    f.p.inputAnswers = {std::string("SN-B"), std::string(""), std::string("Lab 3")};
    w.cmdNewInstrument->click();
    ASSERT_EQ(f.p.inputs.size(), 3u);
    EXPECT_EQ(f.p.inputs[0].text, "The instrument's serial number:");
    EXPECT_EQ(f.p.inputs[0].title, "Name an Instrument");
    EXPECT_EQ(w.cmbInstrument[0]->count(), 3);
    EXPECT_EQ(w.cmbInstrument[1]->currentText(), "SN-A, K7400R"); // kept while named

    w.cmbInstrument[0]->setCurrentText("SN-B");
    w.cmbInstrument[1]->setCurrentIndex(0);
    w.cmdOk->click();
    EXPECT_EQ(must(instruments.assignments()), (std::map<int, int>{{1, 2}}));
    EXPECT_EQ(must(instruments.assignedTo(1))->location, "Lab 3");
    f.shot(w, "serial-ports-instruments");
}
