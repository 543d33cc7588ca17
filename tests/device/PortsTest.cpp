#include "device/DeviceAccess.h"
#include "device/PortAssignment.h"
#include "device/PortMap.h"
#include "device/SerialPortList.h"
#include "support/FakeDevices.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace viscora;
using namespace viscora::test;

TEST(SerialPortList, ByIdNamesAreTheLinksThatLeadToEachDevice)
{
    FakeDevices d;
    SerialDeviceInfo usb = d.add("ttyUSB0", "usb-FTDI_FT232R_A10K-if00-port0");
    const SerialDeviceInfo acm = d.add("ttyACM0");
    d.add("ttyUSB1", "usb-Prolific_2303-if00-port0");
    usb.byId.clear();
    std::vector<SerialDeviceInfo> list{usb, acm};
    addByIdNames(list, d.byIdFolder());
    EXPECT_EQ(list[0].byId, d.byId("usb-FTDI_FT232R_A10K-if00-port0"));
    EXPECT_EQ(list[1].byId, "");
    // A missing folder (no USB adapter ever plugged in) leaves the names empty.
    std::vector<SerialDeviceInfo> none{acm};
    addByIdNames(none, d.path("no-such-folder"));
    EXPECT_EQ(none[0].byId, "");
}

TEST(SerialPortList, RowsShowEachDeviceWithItsCommPortsAndAssignedOnesNotListed)
{
    FakeDevices d;
    const SerialDeviceInfo s0 = d.add("ttyS0", {}, {}, "16550A");
    const SerialDeviceInfo usb = d.add("ttyUSB0", "usb-FTDI-port0", "FTDI", "FT232R USB UART");
    const SerialDeviceInfo pty = d.add("pts-7"); // a simulator's pseudo-terminal
    PortMap map;
    map.set(1, s0.device); // the default of Comm 1 is /dev/ttyS0; this one is named outright
    map.set(2, usb.byId);
    map.set(5, usb.device);
    map.set(3, pty.device);
    map.set(4, d.path("gone")); // an adapter that is not plugged in
    const auto rows = portRows({s0, usb}, map, pty.device, [&](const std::string &device) {
        return device == d.path("gone") ? std::string("no such device") : std::string();
    });
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].info.device, s0.device);
    EXPECT_EQ(commList(rows[0].commPorts), "Comm 1");
    EXPECT_EQ(rows[0].description, "16550A");
    EXPECT_EQ(rows[1].info.byId, usb.byId);
    EXPECT_EQ(commList(rows[1].commPorts), "Comm 2, Comm 5");
    EXPECT_EQ(rows[1].description, "FTDI FT232R USB UART");
    EXPECT_EQ(rows[2].info.device, pty.device);
    EXPECT_EQ(commList(rows[2].commPorts), "Comm 3");
    EXPECT_EQ(rows[2].description, "simulated instrument");
    EXPECT_EQ(rows[3].info.device, d.path("gone"));
    EXPECT_EQ(rows[3].problem, "no such device");
    EXPECT_EQ(commList(rows[3].commPorts), "Comm 4");
}

TEST(DeviceAccess, SaysWhyAUserCannotOpenADevice)
{
    QTemporaryDir dir;
    const group *dialout = getgrnam("dialout");
    ASSERT_TRUE(dialout) << "the dialout group is part of every Debian system";
    const gid_t dialoutGid = dialout->gr_gid;
    const uid_t someone = 4321;
    const gid_t ownGroup = 4321;
    struct Case {
        const char *name;
        uid_t owner;
        gid_t group;
        mode_t mode;
        std::vector<gid_t> userGroups;
        uid_t user;
        const char *expected;
    } cases[] = {
        {"dialout-device",
         0,
         dialoutGid,
         0660,
         {ownGroup},
         someone,
         "permission denied: add the user to the dialout group"},
        {"member", 0, dialoutGid, 0660, {ownGroup, dialoutGid}, someone, ""},
        {"group-cannot-write",
         0,
         dialoutGid,
         0640,
         {ownGroup, dialoutGid},
         someone,
         "permission denied"},
        {"own-device", someone, dialoutGid, 0600, {ownGroup}, someone, ""},
        {"root-only", 0, 0, 0600, {ownGroup}, someone, "permission denied"},
        {"everyone", 0, 0, 0666, {ownGroup}, someone, ""},
        {"root-opens-anything", 0, dialoutGid, 0000, {0}, 0, ""},
    };
    for (const Case &c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.close();
        const QByteArray p = QFile::encodeName(path);
        ASSERT_EQ(::chown(p.constData(), c.owner, c.group), 0) << "the tests run as root";
        ASSERT_EQ(::chmod(p.constData(), c.mode), 0);
        EXPECT_EQ(accessProblem(p.toStdString(), UserIdentity{c.user, c.userGroups}), c.expected)
            << c.name;
    }
    EXPECT_EQ(accessProblem(dir.filePath("absent").toStdString(), UserIdentity{someone, {}}),
              "no such device");
    // This process: what the system says.
    EXPECT_EQ(accessProblem(dir.filePath("absent").toStdString()), "no such device");
    EXPECT_EQ(accessProblem(dir.filePath("everyone").toStdString()), "");
}

TEST(PortAssignment, SavedReadBackReplacedAndOverridden)
{
    QTemporaryDir dir;
    const PortAssignment a(dir.filePath("config/viscora.conf"));
    EXPECT_TRUE(a.load().empty());
    ASSERT_TRUE(a.save({{1, "/dev/serial/by-id/usb-FTDI-port0"}, {3, kSimulatedDevice}}));
    EXPECT_EQ(a.load(), (CommDevices{{1, "/dev/serial/by-id/usb-FTDI-port0"}, {3, "simulated"}}));
    // A new save replaces the whole assignment; a port left empty is back to its default.
    ASSERT_TRUE(a.save({{2, "/dev/ttyACM0"}, {4, ""}}));
    EXPECT_EQ(a.load(), (CommDevices{{2, "/dev/ttyACM0"}}));

    const CommDevices inForce = effectiveDevices(a.load(), {{2, "/dev/ttyUSB1"}, {1, "simulated"}});
    EXPECT_EQ(inForce, (CommDevices{{1, "simulated"}, {2, "/dev/ttyUSB1"}}));
    EXPECT_TRUE(usesSimulator(inForce));
    PortMap map;
    map.set(7, "/dev/left-over");
    applyDevices(map, inForce, "/dev/pts/9");
    EXPECT_EQ(map.device(1), "/dev/pts/9");
    EXPECT_EQ(map.device(2), "/dev/ttyUSB1");
    EXPECT_EQ(map.device(7), "/dev/ttyS6");
    applyDevices(map, inForce, ""); // the simulator could not start: the port cannot open
    EXPECT_EQ(map.device(1), "");

    // A settings file that cannot be written says so.
    QFile blocker(dir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    std::string error;
    EXPECT_FALSE(PortAssignment(dir.filePath("file/viscora.conf")).save({{1, "/dev/x"}}, &error));
    EXPECT_EQ(error, "cannot write " + dir.filePath("file/viscora.conf").toStdString());
}

TEST(PortAssignment, CommOptionTakesNumberEqualsDevice)
{
    struct Case {
        const char *value;
        bool ok;
    } cases[] = {{"1=/dev/ttyUSB0", true}, {"12=simulated", true}, {"3=a=b", true},
                 {"0=/dev/x", false},      {"13=/dev/x", false},   {"1", false},
                 {"=/dev/x", false},       {"1=", false},          {"x1=/dev/y", false},
                 {"1x=/dev/y", false}};
    for (const Case &c : cases) {
        CommDevices into;
        EXPECT_EQ(parseCommOption(c.value, into), c.ok) << c.value;
        EXPECT_EQ(into.size(), c.ok ? 1u : 0u) << c.value;
    }
    CommDevices into;
    ASSERT_TRUE(parseCommOption("3=a=b", into));
    EXPECT_EQ(into[3], "a=b");
}
