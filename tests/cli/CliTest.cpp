#include "cli/Cli.h"
#include "cli/Replay.h"
#include "support/FakeClock.h"
#include "sim/SimInstrument.h"
#include "sim/SimPort.h"
#include "support/CliRun.h"
#include "support/SixSpeeds.h"
#include "support/TestDb.h"
#include "support/FakeDevices.h"
#include "support/JsonReader.h"
#include "support/XlsxReader.h"
#include "store/SequenceRepository.h"
#include "core/Version.h"
#include "device/PortAssignment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace viscora;
using namespace viscora::test;

namespace {

// The CLI against an in-process simulated instrument on a fake clock.
struct SimBench {
    FakeClock clock;
    sim::SimInstrument instrument;
    sim::SimPort port{instrument, clock};
    CliSeams seams() { return {&clock, &port}; }
};

// A command line refused: its exit status and how its message begins.
struct Refusal {
    std::vector<std::string> args;
    int code;
    std::string err;
};
void expectRefused(const std::string &db, const std::vector<Refusal> &cases)
{
    for (const Refusal &c : cases) {
        std::vector<std::string> args{"--db", db};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun r = cli(args);
        EXPECT_EQ(r.code, c.code) << c.err;
        EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << r.err;
        EXPECT_EQ(r.out, "");
    }
}
} // namespace

TEST(Cli, TestsListsInIdOrderAndCreatesAMissingDatabase)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("new.mdb").toStdString();
    CliRun r = cli({"--db", path, "tests"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(QFile::exists(QString::fromStdString(path)));

    TestDb t;
    t.addTest("first", {});
    t.addTest("with \"quotes\"", {});
    r = cli({"--db", t.path.toStdString(), "tests"});
    EXPECT_EQ(r.out, "1\tfirst\n2\twith \"quotes\"\n");
}

TEST(Cli, UsageErrorsExitWithTwo)
{
    const std::vector<std::vector<std::string>> bad = {
        {}, {"nosuch"}, {"--db"}, {"--bogus", "tests"}, {"show"}, {"tests", "extra"},
    };
    for (const auto &args : bad) {
        CliRun r = cli(args);
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.err.find("usage: viscora-cli"), std::string::npos);
    }
    EXPECT_EQ(cli({"--help"}).code, 0);
}

TEST(Cli, ShowPrintsTheGridAsDisplayed)
{
    TestDb t;
    t.addTest("t", {point(1, 30, 32.5, 300, 1003, 10, 1), point(1, 60, 212, 300, 510, 10, 1)});
    CliRun r = cli({"--db", t.path.toStdString(), "--si", "show", "t"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Step No\tElaps Time (S)\tTemp (C°)\tShear rate (1/S)\tSpeed (Rpm)\t"
                     "Shear Stress (dyn/cm2)\tViscosity (cP)\tGel (dyn/cm2)\tRb Factor\t"
                     "Fann® 35 F1 Reading\n"
                     "1\t30\t.3\t510.69\t300.00\t1003.000\tN/A\t10.000\t1\t196.3\n"
                     "1\t60\t100.0\t510.69\t300.00\t510.000\t99.86\t10.000\t1\t99.8\n");
    CliRun missing = cli({"--db", t.path.toStdString(), "show", "nope"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err, "Selection Error.: No saved test is named \"nope\".\n");
}

TEST(Cli, DeleteRenumbers)
{
    TestDb t;
    t.addTest("a", {point(1, 1, 1, 1, 1)});
    t.addTest("b", {point(1, 1, 1, 1, 2)});
    CliRun r = cli({"--db", t.path.toStdString(), "delete", "a"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(cli({"--db", t.path.toStdString(), "tests"}).out, "1\tb\n");
    EXPECT_EQ(t.scalar("SELECT TestId FROM TestResult").toInt(), 1);
}

TEST(Cli, ChartWritesAnImage)
{
    TestDb t;
    t.addTest("t", {point(1, 30, 100, 100, 300), point(1, 60, 110, 200, 450)});
    const std::string png = t.dir.filePath("c.png").toStdString();
    CliRun r = cli({"--db", t.path.toStdString(), "chart", "t", "4", png});
    ASSERT_EQ(r.code, 0) << r.err;
    QImage img(QString::fromStdString(png));
    EXPECT_FALSE(img.isNull());
    EXPECT_EQ(cli({"--db", t.path.toStdString(), "chart", "t", "10", png}).code, 2);
    EXPECT_EQ(cli({"--db", t.path.toStdString(), "chart", "t", "x", png}).code, 2);
}

TEST(Cli, ForeignFileIsAReportedFailure)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("k7400r.mdb");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    CliRun r = cli({"--db", path.toStdString(), "tests"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.rfind("Database Error: Unexpected Error: ", 0), 0u) << r.err;
}

TEST(Cli, DownloadStartStopRetrieveAgainstTheSimulator)
{
    TestDb t;
    ASSERT_TRUE(t.exec("INSERT INTO SequenceName VALUES (1, 'Mud Check', 6)"));
    ASSERT_TRUE(t.exec("INSERT INTO SequenceSetup VALUES (1, 1, 40, 120, 300, 10)"));
    ASSERT_TRUE(t.exec("INSERT INTO SequenceSetup VALUES (1, 2, 30, 150, 100, 10)"));
    SimBench s;
    const std::string db = t.path.toStdString();
    CliRun r = cli({"--db", db, "download", "Mud Check"}, s.seams());
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Sent 2 step(s) of Mud Check with R1-B4.\n");
    EXPECT_EQ(s.port.written, "\x03"
                              "01,00040,120,30000,611"
                              "02,00030,150,10000,611"
                              "99");
    r = cli({"--db", db, "download", "Mud Check", "--rotor-bob", "r2-b1"}, s.seams());
    EXPECT_EQ(s.instrument.sequence().front().rbCode, 2);
    EXPECT_EQ(cli({"--db", db, "download", "Mud Check", "--rotor-bob", "R9"}, s.seams()).code, 2);
    EXPECT_EQ(cli({"--db", db, "download", "nope"}, s.seams()).code, 1);

    ASSERT_EQ(cli({"--db", db, "start"}, s.seams()).code, 0);
    EXPECT_TRUE(s.instrument.running());
    s.clock.now += 75;
    s.port.bytesWaiting(); // the instrument streams while nobody listens
    ASSERT_EQ(cli({"--db", db, "stop"}, s.seams()).code, 0);
    EXPECT_FALSE(s.instrument.running());

    r = cli({"--db", db, "retrieve", "From K7400R", "--fluid-id", "OBM-2", "--company", "Lab"},
            s.seams());
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 7), "Step No");
    const auto header = must(TestRepository(*t.db).header("From K7400R"));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->mudId, "OBM-2");
    EXPECT_EQ(header->companyName, "Lab");
    // Samples at 30 s, the end of step 1 (40 s), 60 s and the end of step 2 (70 s).
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM TestResult").toInt(), 4);
    r = cli({"--db", db, "retrieve", "From K7400R"}, s.seams());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Test Name Error.: Duplicated test name. Please enter a new test name.\n");
}

TEST(Cli, InstrumentFailuresAreReported)
{
    TestDb t;
    SimBench s;
    s.port.availablePort = 2;
    CliRun r = cli({"--db", t.path.toStdString(), "start"}, s.seams());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Comm Port Error: Fail to open comm port, make sure comm port is available "
                     "and working properly.\n");
    sim::SimInstrument quiet(sim::SimOptions::silentOne());
    sim::SimPort silentPort(quiet, s.clock);
    r = cli({"--db", t.path.toStdString(), "retrieve", "x"}, {&s.clock, &silentPort});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Communication Error: No response from K7400r, please check connection.\n");
    EXPECT_EQ(must(TestRepository(*t.db).tests()).size(), 0u);
}

TEST(Cli, SequencesAndStepsAsTheSetupWindowShowsThem)
{
    TestDb t;
    ASSERT_TRUE(t.exec("INSERT INTO SequenceName VALUES (1, 'Mud', 2)"));
    ASSERT_TRUE(t.exec("INSERT INTO SequenceName VALUES (2, 'Odd', 1703)"));
    ASSERT_TRUE(t.exec("INSERT INTO SequenceSetup VALUES (1, 1, 600, 212, 100, 10)"));
    const std::string db = t.path.toStdString();
    EXPECT_EQ(cli({"--db", db, "sequences"}).out, "1\tMud\t2\n2\tOdd\t1703\n");
    const std::string header = "Step No\tElaps Time (S)\tTemp (F°)\tSpeed (Rpm)\tShear Rate (1/S)\t"
                               "Record Rate (Sec/Datum)\n";
    EXPECT_EQ(cli({"--db", db, "steps", "Mud"}).out,
              header + "1\t600\t212.0\t100.00\t542.18\t10\n");
    EXPECT_EQ(
        cli({"--db", db, "--si", "steps", "Mud", "--rotor-bob", "R1-B1"}).out.substr(header.size()),
        "1\t600\t100.0\t100.00\t170.23\t10\n");
    EXPECT_EQ(cli({"--db", db, "steps", "Odd"}).code, 0); // shown with R1-B1
    EXPECT_EQ(cli({"--db", db, "steps", "None"}).code, 1);
}

TEST(Cli, RunNamesStartsAndRecordsUntilTheEnd)
{
    TestDb t;
    const std::string db = t.path.toStdString();
    CliRun made = cli({"--db", db, "new-sequence", "Quick", "40,150,300,10", "30,180,600,5"});
    ASSERT_EQ(made.code, 0) << made.err;
    EXPECT_EQ(made.out, "1\tQuick\t1\n");
    EXPECT_EQ(cli({"--db", db, "new-sequence", "quick"}).code, 1);
    EXPECT_EQ(cli({"--db", db, "new-sequence", "Hot", "40,210,300,10"}).err,
              "Temperature input out range: Invalid temperature inpute. (step 1)\n");
    EXPECT_EQ(cli({"--db", db, "new-sequence", "Bad", "40,150"}).code, 2);

    SimBench s;
    CliRun r = cli({"--db", db, "run", "Quick", "Run 1", "--fluid-id", "WBM"}, s.seams());
    ASSERT_EQ(r.code, 0) << r.err;
    // Step 1 (40 s, every 10 records) and step 2 (30 s, every 5): 4 + 6 rows.
    const QStringList lines = QString::fromStdString(r.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 10) << r.out;
    EXPECT_TRUE(lines[0].startsWith("1\t1\t")) << lines[0].toStdString();
    EXPECT_TRUE(lines[9].startsWith("2\t")) << lines[9].toStdString();
    EXPECT_EQ(r.err, "Message: Test is finished.\n");
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM TestResult WHERE TestId=1").toInt(), 10);
    EXPECT_EQ(must(TestRepository(*t.db).header("Run 1"))->mudId, "WBM");

    const size_t sent = s.port.written.size();
    r = cli({"--db", db, "run", "Quick", "RUN 1"}, s.seams());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Test Name Error.: Duplicated test name. Please enter a new test name.\n");
    EXPECT_EQ(s.port.written.size(), sent); // refused before anything was sent

    r = cli({"--db", db, "run", "Quick", "Custom", "--custom", "2", "1.5"}, s.seams());
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(t.scalar("SELECT DISTINCT Rbfactor FROM TestResult WHERE TestId=2").toInt(), 1500);
    EXPECT_EQ(cli({"--db", db, "run", "Quick", "Zero", "--custom", "2", "0"}, s.seams()).code, 1);
    EXPECT_EQ(cli({"--db", db, "run", "Quick", "X", "--custom", "2"}, s.seams()).code, 2);
}

TEST(Cli, ExportCementAndReportFiles)
{
    TestDb t;
    t.addTest("T", {point(1, 30, 212, 300, 510, 10, 1)});
    t.addTest("C", {point(1, 30, 212, 300, 510, 10, 1703)});
    const std::string db = t.path.toStdString();
    for (const char *cmd : {"export", "cement"}) {
        const std::string file = t.dir.filePath(QString::fromLatin1(cmd) + ".xlsx").toStdString();
        CliRun r = cli({"--db", db, "--si", cmd, "T", file});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out, "Wrote " + file + " (1 points).\n");
    }
    const std::string pdf = t.dir.filePath("r.pdf").toStdString();
    EXPECT_EQ(cli({"--db", db, "report", "T", pdf}).code, 0);
    EXPECT_GT(QFileInfo(QString::fromStdString(pdf)).size(), 500);
    CliRun custom = cli({"--db", db, "report", "C", t.dir.filePath("c.pdf").toStdString()});
    EXPECT_EQ(custom.code, 1);
    CliRun bad = cli({"--db", db, "export", "T", t.dir.filePath("no/dir/x.xlsx").toStdString()});
    EXPECT_EQ(bad.code, 1);
    EXPECT_EQ(bad.err.rfind("Export Error: ", 0), 0u);
}

TEST(Cli, CalibrateAndLogAgainstTheSimulator)
{
    TestDb t;
    SimBench s;
    const std::string db = t.path.toStdString();
    CliRun r = cli({"--db", db, "calibrate", "100"}, s.seams());
    ASSERT_EQ(r.code, 0) << r.err;
    const QStringList lines = QString::fromStdString(r.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[0].startsWith("3\t"));
    EXPECT_TRUE(lines[4].startsWith("800\t"));
    for (const QString &l : lines)
        EXPECT_FALSE(l.contains("N/A")) << l.toStdString();
    EXPECT_EQ(r.err, "Message: Auto Calibration Check is Finished.\n");
    EXPECT_EQ(cli({"--db", db, "calibrate", "0.5"}, s.seams()).err,
              "Viscora: Invalid viscosity input. Please input correct number.\n");

    const QString cwd = QDir::currentPath();
    QDir::setCurrent(t.dir.path());
    r = cli({"--db", db, "log", "--speed", "600", "--rate", "5", "--file", "log.csv", "--seconds",
             "20"},
            s.seams());
    QDir::setCurrent(cwd);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_FALSE(s.instrument.running());
    QFile f(t.dir.filePath("log.csv"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromLatin1(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_GE(rows.size(), 4);
    EXPECT_EQ(rows[0], "Accu_Time(Sec),Clock_Time,S_Stress(dyn/cm2),Speed(Rpm),Visc(cP)");
    EXPECT_TRUE(rows[1].startsWith(" 5 ,")) << rows[1].toStdString();
    EXPECT_TRUE(rows[1].contains(", 600 ,")) << rows[1].toStdString();
    EXPECT_EQ(
        cli({"--db", db, "log", "--speed", "700", "--rate", "5", "--file", "x"}, s.seams()).code,
        1);
    EXPECT_EQ(cli({"--db", db, "log", "--speed", "300"}, s.seams()).code, 2);
}

// A file whose tables lack a column is someone else's: the CLI says so and exits 1; it never
// prints an empty or partial result as if it were complete.
TEST(Cli, ReadFailuresAreReportedNeverEmpty)
{
    struct Case {
        const char *table, *column;
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {"RelatedInfo", "TestName", {"tests"}},
        {"RelatedInfo", "TestName", {"show", "t"}},
        {"RelatedInfo", "TestName", {"retrieve", "x"}},
        {"TestResult", "Shearstress", {"show", "t"}},
        {"TestResult", "Shearstress", {"export", "t", "t.xlsx"}},
        {"TestResult", "Gel", {"rheology", "t"}},
        {"RelatedInfo", "MudId", {"report", "t", "t.pdf"}},
        {"SequenceName", "Rbfactor", {"sequences"}},
        {"SequenceName", "Rbfactor", {"new-sequence", "n"}},
        {"SequenceSetup", "RecordRate", {"steps", "s"}},
        {"SequenceSetup", "RecordRate", {"download", "s"}},
        {"SequenceSetup", "RecordRate", {"run", "s", "new"}},
    };
    for (const Case &c : cases) {
        TestDb t;
        t.addTest("t", {point(1, 30, 100, 300, 510)});
        ASSERT_TRUE(t.exec(QStringLiteral("INSERT INTO SequenceName VALUES (1, 's', 1)")));
        ASSERT_TRUE(t.exec(QStringLiteral("INSERT INTO SequenceSetup VALUES (1, 1, 60, 100, "
                                          "300, 10)")));
        ASSERT_TRUE(t.exec(QStringLiteral("ALTER TABLE %1 RENAME COLUMN %2 TO Other")
                               .arg(QLatin1String(c.table), QLatin1String(c.column))));
        std::vector<std::string> args{"--db", t.path.toStdString()};
        for (const auto &a : c.args)
            args.push_back(a == "t.xlsx" || a == "t.pdf"
                               ? t.dir.filePath(QString::fromStdString(a)).toStdString()
                               : a);
        SimBench bench;
        const CliRun r = cli(args, bench.seams());
        EXPECT_EQ(r.code, 1) << c.args[0];
        EXPECT_EQ(r.out, "") << c.args[0];
        EXPECT_EQ(r.err.rfind(QStringLiteral("Database Error: Unexpected Error: The file is not a "
                                             "viscometer database: its table %1 lacks the "
                                             "columns %2. It was left unchanged.")
                                  .arg(QLatin1String(c.table), QLatin1String(c.column))
                                  .toStdString(),
                              0),
                  0u)
            << c.args[0] << ": " << r.err;
        // Nothing was sent to the instrument before the failure was found.
        EXPECT_EQ(bench.port.written, "") << c.args[0];
    }
}

TEST(Cli, RheologyAsTablesOrJson)
{
    TestDb t;
    t.addTest("Mud", sixSpeedPoints([](double rate) { return sim::fluidStress(rate, 120); }));
    t.addTest("Empty", {});
    const std::string db = t.path.toStdString();
    const CliRun text = cli({"--db", db, "rheology", "Mud"});
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_EQ(text.out.rfind("Rheology of Mud\nUnits: EI (lb/100ft2, °F)\n\nFlow curve 1 of 1: "
                             "120 °F, steps 1-6\n",
                             0),
              0u)
        << text.out;
    for (const char *s : {"\nReadings\nStep  Speed (rpm)", "\nField values\n", "Plastic viscosity",
                          "\nGels\n", "\nModels\n", "Herschel-Bulkley", "Recommended model: "})
        EXPECT_NE(text.out.find(s), std::string::npos) << s << "\n" << text.out;
    EXPECT_EQ(text.out.find('\t'), std::string::npos);

    const CliRun si = cli({"--db", db, "--si", "rheology", "Mud"});
    EXPECT_NE(si.out.find("Units: SI (dyn/cm2, °C)\n"), std::string::npos) << si.out;
    EXPECT_NE(si.out.find("Stress (dyn/cm2)"), std::string::npos);

    const CliRun empty = cli({"--db", db, "rheology", "Empty", "--json"});
    ASSERT_EQ(empty.code, 0) << empty.err;
    EXPECT_EQ(empty.out, "{\"test\":\"Empty\",\"units\":\"EI\",\"curves\":[]}\n");

    const CliRun missing = cli({"--db", db, "rheology", "Nope"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err, "Selection Error.: No saved test is named \"Nope\".\n");
    for (const auto &bad : std::vector<std::vector<std::string>>{
             {"rheology"}, {"rheology", "Mud", "--bogus"}, {"rheology", "Mud", "Empty"}})
        EXPECT_EQ(cli(bad).code, 2);
    const CliRun help = cli({"--help"});
    EXPECT_NE(help.out.find("  rheology TEST [--json]"), std::string::npos);
}

// A test without points prints its header over an empty table: opened first, it leaves the
// rotor-bob code at 0, which once read as a custom rotor-bob.
TEST(Cli, ReportOfATestWithoutPoints)
{
    TestDb t;
    t.addTest("Empty", {});
    const std::string pdf = t.dir.filePath("e.pdf").toStdString();
    const CliRun r = cli({"--db", t.path.toStdString(), "report", "Empty", pdf});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Wrote " + pdf + ".\n");
    EXPECT_GT(QFileInfo(QString::fromStdString(pdf)).size(), 500);
}

// The port's usual message, then the system's own reason on a line of its own.
TEST(Cli, PortFailureGivesTheSystemsReason)
{
    TestDb t;
    QTemporaryDir dir;
    const std::string device = dir.filePath("ttyUSB9").toStdString();
    const CliRun start = cli({"--db", t.path.toStdString(), "--port", device, "start"});
    EXPECT_EQ(start.code, 1);
    EXPECT_EQ(start.err, "Comm Port Error: Fail to open comm port, make sure comm port is "
                         "available and working properly.\n" +
                             device + ": No such file or directory\n");
    const CliRun stop = cli({"--db", t.path.toStdString(), "--port", device, "stop"});
    EXPECT_EQ(stop.code, 1);
    EXPECT_EQ(stop.err, "Comport Error: Fail to open comport, make sure comport is available and "
                        "working properly.\n" +
                            device + ": No such file or directory\n");
}

TEST(Cli, PortsListsDevicesTheirCommPortsAndAccess)
{
    FakeDevices d;
    const SerialDeviceInfo s0 = d.add("ttyS0", {}, {}, "16550A");
    const SerialDeviceInfo usb = d.add("ttyUSB0", "usb-FTDI-port0", "FTDI", "FT232R USB UART");
    const SerialDeviceInfo pty = d.add("pts-3");
    const FixedSerialPortList list({s0, usb});
    QTemporaryDir config;
    const std::string settings = config.filePath("viscora.conf").toStdString();
    ASSERT_TRUE(PortAssignment(QString::fromStdString(settings))
                    .save({{1, usb.byId}, {2, kSimulatedDevice}, {4, s0.device}}));
    CliSeams seams;
    seams.portList = &list;
    seams.settingsFile = settings;
    const std::string db = config.filePath("k7400r.mdb").toStdString();

    // --comm overrides the saved Comm 4 for this run and adds Comm 3.
    CliRun r =
        cli({"--db", db, "--comm", "3=" + pty.device, "--comm", "4=" + usb.device, "ports"}, seams);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, s0.device + "\t-\t-\tok\t16550A\n" + usb.device + "\t" + usb.byId +
                         "\tComm 1, Comm 4\tok\tFTDI FT232R USB UART\n" +
                         "simulated\t-\tComm 2\tok\tsimulated instrument\n" + pty.device +
                         "\t-\tComm 3\tok\t-\n");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(db))) << "listing ports makes no database";

    // --port is Comm 1; an assigned device that is gone says so.
    r = cli({"--port", d.path("gone"), "ports"}, seams);
    EXPECT_NE(r.out.find(d.path("gone") + "\t-\tComm 1\tno such device\t-\n"), std::string::npos)
        << r.out;

    const FixedSerialPortList nothing({});
    seams.portList = &nothing;
    seams.settingsFile = config.filePath("empty.conf").toStdString();
    r = cli({"ports"}, seams);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "viscora-cli: no serial device found\n");
}

TEST(Cli, VersionAndCommOptionErrors)
{
    CliRun r = cli({"--version"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, std::string("viscora-cli ") + versionText() + "\n");
    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
             {"--comm"}, {"--comm", "13=/dev/x", "ports"}, {"--comm", "/dev/x", "ports"}}) {
        r = cli(args);
        EXPECT_EQ(r.code, 2) << args.size();
        EXPECT_NE(r.err.find("--comm takes N=DEVICE with N from 1 to 12"), std::string::npos);
    }
}

// A damaged page that cuts a read of the test short without an error: every command that
// shows the test fails saying so, and writes none of it.
TEST(Cli, ATestCutShortByADamagedFileIsNeverShown)
{
    QTemporaryDir dir;
    const std::string db = silentlyDamagedDatabase(dir, "leaf", 9, '\x80').toStdString();
    auto file = [&](const char *name) { return dir.filePath(name).toStdString(); };
    for (const std::vector<std::string> &args : {std::vector<std::string>{"show", "long"},
                                                 {"export", "long", file("long.xlsx")},
                                                 {"cement", "long", file("cement.xlsx")},
                                                 {"report", "long", file("long.pdf")},
                                                 {"chart", "long", "0", file("long.png")},
                                                 {"rheology", "long"}}) {
        std::vector<std::string> all{"--db", db};
        all.insert(all.end(), args.begin(), args.end());
        const CliRun r = cli(all);
        EXPECT_EQ(r.code, 1) << args[0];
        EXPECT_EQ(r.out, "") << args[0];
        EXPECT_EQ(r.err, "Database Error: The database file is damaged: the test's rows do not "
                         "match their index.\n")
            << args[0];
        if (args.size() > 2) {
            EXPECT_FALSE(QFile::exists(QString::fromStdString(args.back()))) << args[0];
        }
    }
}

TEST(Cli, ADamagedFileIsAFailureNeverAPartialResult)
{
    QTemporaryDir dir;
    const std::string db = damagedDatabase(dir).toStdString();
    const std::string workbook = dir.filePath("long.xlsx").toStdString();
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"show", "long"}, {"export", "long", workbook}, {"check"}}) {
        std::vector<std::string> all{"--db", db};
        all.insert(all.end(), args.begin(), args.end());
        const CliRun r = cli(all);
        EXPECT_EQ(r.code, 1) << args[0];
        EXPECT_NE(r.err.find("Database Error: The database file is damaged: "), std::string::npos)
            << args[0] << ": " << r.err;
        if (args[0] != "check") {
            EXPECT_EQ(r.out, "") << args[0];
        }
    }
    EXPECT_FALSE(QFile::exists(QString::fromStdString(workbook)));
    TestDb sound;
    sound.addTest("t", {point(1, 1, 100, 300, 510)});
    const CliRun ok = cli({"--db", sound.path.toStdString(), "check"});
    EXPECT_EQ(ok.code, 0);
    EXPECT_EQ(ok.out, "ok\n");
}

TEST(Cli, AnEmptySequenceNameIsRefused)
{
    TestDb t;
    const CliRun r = cli({"--db", t.path.toStdString(), "new-sequence", ""});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Blank Input Error.: Please input the new sequence name\n");
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM SequenceName").toInt(), 0);
}

// A report that cannot be written is a failure, and nothing half-written is left behind.
TEST(Cli, AReportThatCannotBeWrittenSaysSo)
{
    TestDb t;
    t.addTest("t", {point(1, 1, 100, 300, 510)});
    for (const QString &target : {t.dir.filePath("no/such/folder/r.pdf"), t.dir.path()}) {
        const CliRun r = cli({"--db", t.path.toStdString(), "report", "t", target.toStdString()});
        EXPECT_EQ(r.code, 1) << target.toStdString();
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("Report: The report could not be written to " +
                                  target.toStdString() + ": ",
                              0),
                  0u)
            << r.err;
    }
    EXPECT_EQ(QDir(t.dir.path()).entryList({"*.pdf", "*.pdf.*"}, QDir::Files), QStringList{});
    const QString good = t.dir.filePath("r.pdf");
    EXPECT_EQ(cli({"--db", t.path.toStdString(), "report", "t", good.toStdString()}).code, 0);
    EXPECT_GT(QFileInfo(good).size(), 1000);
}

// Everything the CLI prints or writes of the same tests is the same, character for character,
// from a file and from a server.
TEST(Cli, TheSameDigitsFromEitherBackend)
{
    auto everything = [](Backend backend) {
        TestDb t(backend);
        t.addTest("Mud", sixSpeedPoints([](double rate) { return sim::fluidStress(rate, 120); }));
        t.addTest("digits", {point(1, 0.1, 77.7, 3, 0.30000000000000004, 12.345),
                             point(1, 59.99, 212.05, 600, 1234.5678901234, 0, 1.0638),
                             point(2, 3600.5, -40.25, 0.5, 1e-7, 99.999)});
        int id = 0;
        EXPECT_TRUE(SequenceRepository(*t.db)
                        .createSequence("Ramp", 3, {{1, 30.5, 150.25, 300, 1}, {2, 60, 0.1, 6, 2}},
                                        id)
                        .ok);
        const std::string db = t.path.toStdString();
        std::vector<std::string> out;
        for (const char *units : {"", "--si"}) {
            std::vector<std::string> base{"--db", db};
            if (*units)
                base.push_back(units);
            auto with = [&base](std::vector<std::string> more) {
                std::vector<std::string> a = base;
                a.insert(a.end(), more.begin(), more.end());
                return a;
            };
            for (const auto &args : std::vector<std::vector<std::string>>{
                     {"tests"},
                     {"show", "digits"},
                     {"show", "Mud"},
                     {"rheology", "Mud"},
                     {"rheology", "Mud", "--json"},
                     {"sequences"},
                     {"steps", "Ramp"}}) {
                const CliRun r = cli(with(args));
                EXPECT_EQ(r.code, 0) << args[0] << ": " << r.err;
                out.push_back(r.out);
            }
            const std::string book = t.dir.filePath("digits.xlsx").toStdString();
            EXPECT_EQ(cli(with({"export", "digits", book})).code, 0);
            for (const auto &[ref, cell] : XlsxReader(QString::fromStdString(book)).cells)
                out.push_back(ref + "=" + (cell.isNumber ? QString::number(cell.number, 'g', 17).toStdString()
                                                         : cell.text));
        }
        return out;
    };
    const std::vector<std::string> file = everything(Backend::SQLite);
    const std::vector<std::string> server = everything(Backend::PostgreSQL);
    ASSERT_EQ(server.size(), file.size());
    for (size_t i = 0; i < file.size(); ++i)
        EXPECT_EQ(server[i], file[i]) << "output " << i;
}

TEST(Cli, NumbersAreReadWholeBeforeAnythingIsOpenedOrSent)
{
    const std::string stress = ": not a number above 0 and at most 1000";
    const std::string timeout = ": not a number of seconds from 0 to 86400";
    const std::string seconds = ": not a number of seconds, 0 or more";
    const std::string time = ": not a number of seconds from 0 to 6300";
    const struct {
        std::vector<std::string> args;
        std::string why;
    } cases[] = {
        {{"run", "Q", "T", "--custom", "abc", "1"}, "--custom STRESS_FACTOR abc" + stress},
        {{"run", "Q", "T", "--custom", "-1", "1"}, "--custom STRESS_FACTOR -1" + stress},
        {{"run", "Q", "T", "--custom", "0", "1"}, "--custom STRESS_FACTOR 0" + stress},
        {{"run", "Q", "T", "--custom", "1e308", "1"}, "--custom STRESS_FACTOR 1e308" + stress},
        {{"run", "Q", "T", "--custom", "2", "nan"}, "--custom RATE_FACTOR nan" + stress},
        {{"run", "Q", "T", "--custom", "2", "1e308"}, "--custom RATE_FACTOR 1e308" + stress},
        {{"run", "Q", "T", "--reconnect-timeout", "abc"}, "--reconnect-timeout abc" + timeout},
        {{"run", "Q", "T", "--reconnect-timeout", "-1"}, "--reconnect-timeout -1" + timeout},
        {{"run", "Q", "T", "--reconnect-timeout", "nan"}, "--reconnect-timeout nan" + timeout},
        {{"run", "Q", "T", "--reconnect-timeout", "inf"}, "--reconnect-timeout inf" + timeout},
        {{"run", "Q", "T", "--reconnect-timeout", "86401"}, "--reconnect-timeout 86401" + timeout},
        {{"log", "--speed", "nan", "--rate", "5", "--file", "x"},
         "--speed nan: not a number from 0 to 600 rpm"},
        {{"log", "--speed", "6OO", "--rate", "5", "--file", "x"},
         "--speed 6OO: not a number from 0 to 600 rpm"},
        {{"log", "--speed", "600", "--rate", "5s", "--file", "x"},
         "--rate 5s: not a number of seconds from 1 to 6000"},
        {{"log", "--speed", "600", "--rate", "5", "--file", "x", "--seconds", "nan"},
         "--seconds nan" + seconds},
        {{"log", "--speed", "600", "--rate", "5", "--file", "x", "--seconds", "-1"},
         "--seconds -1" + seconds},
        {{"calibrate", "100x"}, "VISCOSITY 100x: not a number from 0.9 to 5000 cP"},
        {{"calibrate", "&H64"}, "VISCOSITY &H64: not a number from 0.9 to 5000 cP"},
        {{"new-sequence", "N", "nan,120,600,5"}, "step 1 TIME nan" + time},
        {{"new-sequence", "N", "60,120,600,5", "inf,120,600,5"}, "step 2 TIME inf" + time},
        {{"new-sequence", "N", "0x10,120,600,5"}, "step 1 TIME 0x10" + time},
        {{"new-sequence", "N", "60,hot,600,5"},
         "step 1 TEMP hot: not a number from 20 to 200 degF"},
        {{"--si", "new-sequence", "N", "60,hot,600,5"},
         "step 1 TEMP hot: not a number from -6 to 90 degC"},
        {{"new-sequence", "N", "60,120,6OO,5"}, "step 1 SPEED 6OO: not a number from 0 to 600 rpm"},
        {{"new-sequence", "N", "60,120,600,ten"},
         "step 1 RATE ten: not a number of seconds from 1 to 6300"},
        {{"chart", "t", "4x", "f.png"}, "TYPE must be a chart type from 0 to 9"},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("never.mdb");
    for (const auto &c : cases) {
        SimBench s;
        std::vector<std::string> args{"--db", path.toStdString()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun r = cli(args, s.seams());
        EXPECT_EQ(r.code, 2) << c.why;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "viscora-cli: " + c.why);
        EXPECT_FALSE(QFile::exists(path)) << c.why;
        EXPECT_TRUE(s.port.written.empty()) << c.why;
    }
}

TEST(Cli, NumbersOutsideTheWindowsRangesGetTheirMessages)
{
    TestDb t;
    const std::string db = t.path.toStdString();
    ASSERT_EQ(cli({"--db", db, "new-sequence", "Quick", "40,150,300,10"}).code, 0);
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"new-sequence", "N", "60,120,600,99999999999"},
         "Shear rate input out range: Invalid real time data recording rate inpute. (step 1)\n"},
        {{"new-sequence", "N", "60,120,600,6301"},
         "Shear rate input out range: Invalid real time data recording rate inpute. (step 1)\n"},
        {{"new-sequence", "N", "6301,120,600,5"},
         "Time input out range: Invalid time inpute. (step 1)\n"},
        {{"run", "Quick", "T", "--custom", "2", "-1"},
         "Input Error: The shear rate factor must be a number greater than 0.\n"},
        {{"log", "--speed", "700", "--rate", "5", "--file", "x"},
         "Input Error: Invalid Speed Entry! Please Try Again.\n"},
        {{"calibrate", "0.5"}, "Viscora: Invalid viscosity input. Please input correct number.\n"},
    };
    for (const auto &c : cases) {
        SimBench s;
        std::vector<std::string> args{"--db", db};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun r = cli(args, s.seams());
        EXPECT_EQ(r.code, 1) << c.err;
        EXPECT_EQ(r.err, c.err);
        EXPECT_TRUE(s.port.written.empty()) << c.err;
    }
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM SequenceName").toInt(), 1);
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM RelatedInfo").toInt(), 0);

    // What is a number in full is taken: blanks around it, a sign, an exponent.
    const CliRun made = cli({"--db", db, "new-sequence", "Spaced", " 60 ,+120, 600.0 ,1e1"});
    ASSERT_EQ(made.code, 0) << made.err;
    const std::string steps = cli({"--db", db, "steps", "Spaced"}).out;
    EXPECT_EQ(steps.substr(steps.find('\n') + 1), "1\t60\t120.0\t600.00\t1021.38\t10\n");
}

TEST(Cli, NewNamesAreTrimmedAndControlCharactersRefused)
{
    TestDb t;
    const std::string db = t.path.toStdString();
    ASSERT_EQ(cli({"--db", db, "new-sequence", "Quick", "40,150,300,10"}).code, 0);
    const std::string testControl = "Test Name Error.: A test name cannot hold control "
                                    "characters (tabs, line breaks, escapes).\n";
    const std::string sequenceControl = "New Sequence Naming Error: A sequence name cannot hold "
                                        "control characters (tabs, line breaks, escapes).\n";
    const std::string duplicateTest =
        "Test Name Error.: Duplicated test name. Please enter a new test name.\n";
    const struct {
        std::vector<std::string> args;
        int code;
        std::string out, err;
    } cases[] = {
        {{"new-sequence", "  Mud  "}, 0, "2\tMud\t1\n", ""},
        {{"new-sequence", "MUD "},
         1,
         "",
         "New Sequence Naming Error: Duplicated test name, please input again.\n"},
        {{"new-sequence", "   "},
         1,
         "",
         "Blank Input Error.: Please input the new sequence name\n"},
        {{"new-sequence", "a\tb"}, 1, "", sequenceControl},
        {{"new-sequence", "\x1b]0;owned\x07"}, 1, "", sequenceControl},
        {{"run", "Quick", "two\nlines"}, 1, "", testControl},
        {{"run", "Quick", "\x1b[2J"}, 1, "", testControl},
        {{"run", "Quick", "   "}, 1, "", "Blank Input Error.: Must input Test name.\n"},
        {{"retrieve", "del\x7f"}, 1, "", testControl},
        {{"run", "Quick", " Padded "}, 0, "", "Message: Test is finished.\n"},
        {{"run", "Quick", "Padded  "}, 1, "", duplicateTest},
        {{"retrieve", " Padded"}, 1, "", duplicateTest},
    };
    for (const auto &c : cases) {
        SimBench s;
        std::vector<std::string> args{"--db", db};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun r = cli(args, s.seams());
        EXPECT_EQ(r.code, c.code) << c.args.back();
        EXPECT_EQ(r.err, c.err) << c.args.back();
        if (c.code) {
            EXPECT_EQ(r.out, "") << c.args.back();
            EXPECT_TRUE(s.port.written.empty()) << c.args.back();
        } else if (!c.out.empty()) {
            EXPECT_EQ(r.out, c.out) << c.args.back();
        }
    }
    EXPECT_EQ(cli({"--db", db, "tests"}).out, "1\tPadded\n");
    EXPECT_GT(t.scalar("SELECT COUNT(*) FROM TestResult WHERE TestId=1").toInt(), 0);
    EXPECT_EQ(cli({"--db", db, "sequences"}).out, "1\tQuick\t1\n2\tMud\t1\n");
}

TEST(Cli, StoredNamesWithControlCharactersPrintOnOneLine)
{
    TestDb t;
    for (const char *name : {"tab\there", "line\nbreak\r", "\x1b]0;title\x07", "del\x7f"})
        t.addTest(QString::fromUtf8(name), {});
    t.addTest(QString::fromUtf8("c1\u009b2J caf\u00e9"), {});
    int id = 0;
    ASSERT_TRUE(
        SequenceRepository(*t.db).createSequence("seq\tname", 2, {{1, 60, 100, 100, 10}}, id).ok);
    const std::string db = t.path.toStdString();
    EXPECT_EQ(cli({"--db", db, "tests"}).out, "1\ttab\\there\n"
                                              "2\tline\\nbreak\\r\n"
                                              "3\t\\x1b]0;title\\x07\n"
                                              "4\tdel\\x7f\n"
                                              "5\tc1\\u009b2J caf\u00e9\n");
    EXPECT_EQ(cli({"--db", db, "sequences"}).out, "1\tseq\\tname\t2\n");
    // The copy's progress, one line rewritten in place, names them the same way.
    const CliRun copied = cli({"copy-db", db, t.dir.filePath("copy.mdb").toStdString()});
    ASSERT_EQ(copied.code, 0) << copied.err;
    EXPECT_NE(copied.err.find("\\x1b]0;title\\x07"), std::string::npos) << copied.err;
    EXPECT_EQ(copied.err.find('\x1b'), std::string::npos);
    EXPECT_EQ(std::count(copied.err.begin(), copied.err.end(), '\n'), 1);
}

TEST(CliNotes, AddedNotesAreListedInTimeOrderAsTextOrJson)
{
    TestDb t;
    t.addTest("Mud", {point(1, 10, 100, 300, 50), point(2, 10, 100, 600, 80)});
    const std::string db = t.path.toStdString();
    for (const std::vector<std::string> &add :
         {std::vector<std::string>{"note", "Mud", "300", "sample foamed"},
          {"note", "Mud", " 60.25 ", "added", "2", "ppb", "polymer"},
          {"note", "Mud", "0", "it's \"odd\" \\ é"}}) {
        std::vector<std::string> args{"--db", db};
        args.insert(args.end(), add.begin(), add.end());
        const CliRun r = cli(args);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out, "");
    }
    const CliRun text = cli({"--db", db, "notes", "Mud"});
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_EQ(text.out, "0\tit's \"odd\" \\ é\n60.25\tadded 2 ppb polymer\n300\tsample foamed\n");

    const CliRun json = cli({"--db", db, "notes", "Mud", "--json"});
    ASSERT_EQ(json.code, 0) << json.err;
    const auto doc = parseJson(json.out);
    ASSERT_TRUE(doc) << json.out;
    EXPECT_EQ((*doc)["test"].text, "Mud");
    const auto &notes = (*doc)["notes"].items;
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0]["text"].text, "it's \"odd\" \\ é");
    EXPECT_EQ(notes[1]["time"].number, 60.25);
    EXPECT_EQ(notes[2]["text"].text, "sample foamed");

    t.addTest("Quiet", {});
    EXPECT_EQ(cli({"--db", db, "notes", "Quiet"}).out, "");
    EXPECT_EQ(cli({"--db", db, "notes", "Quiet", "--json"}).out,
              "{\"test\":\"Quiet\",\"notes\":[]}\n");
}

TEST(CliNotes, WrongArgumentsAndRefusedNotes)
{
    TestDb t;
    t.addTest("Mud", {point(1, 10, 100, 300, 50)});
    const std::string db = t.path.toStdString();
    const std::vector<Refusal> cases{
        {{"note", "Mud", "60"}, 2, "viscora-cli: note takes 3 or more argument(s)"},
        {{"note", "Mud", "-1", "x"},
         2,
         "viscora-cli: TIME -1: not a number of seconds from the test's start, 0 or more"},
        {{"note", "Mud", "1m", "x"},
         2,
         "viscora-cli: TIME 1m: not a number of seconds from the test's start, 0 or more"},
        {{"note", "Mud", "5", " "}, 1, "Notes: A note needs a text.\n"},
        {{"note", "Mud", "5", "two\nlines"},
         1,
         "Notes: A note is one line: it cannot hold tabs, line breaks or other control "
         "characters.\n"},
        {{"note", "Nope", "5", "x"}, 1, "Selection Error.: No saved test is named \"Nope\".\n"},
        {{"notes", "Nope"}, 1, "Selection Error.: No saved test is named \"Nope\".\n"},
        {{"notes"}, 2, "viscora-cli: notes takes 1 argument(s)"},
    };
    expectRefused(db, cases);
    EXPECT_EQ(cli({"--db", db, "notes", "Mud"}).out, "");
}

// A recorded test served again as the instrument sent it, recorded by a sequence that stores
// every record: the same rows come back, on a fake clock at any speed.
TEST(CliReplay, ARecordedReplayGivesBackTheSameRows)
{
    TestDb t;
    const std::string db = t.path.toStdString();
    ASSERT_EQ(cli({"--db", db, "new-sequence", "Quick", "40,150,300,10", "30,180,600,5"}).code, 0);
    ASSERT_EQ(cli({"--db", db, "new-sequence", "Every", "40,150,300,1", "30,180,600,1"}).code, 0);
    SimBench original;
    ASSERT_EQ(cli({"--db", db, "run", "Quick", "Original"}, original.seams()).code, 0);
    TestRepository repo(*t.db);
    const auto stored = must(repo.storedPoints("Original"));
    ASSERT_EQ(stored.size(), 10u);

    const auto records = replayRecords(stored);
    ASSERT_EQ(records.size(), stored.size());
    // Due at the test's running time: step 2 follows step 1's last whole second (31).
    EXPECT_EQ(records[0].at, 1);
    EXPECT_EQ(records[3].at, 31);
    EXPECT_EQ(records[4].at, 32);
    EXPECT_EQ(records[4].fields[5], 60000); // 600 rpm in hundredths
    for (double speed : {1.0, 1000.0}) {
        SCOPED_TRACE(speed);
        FakeClock clock;
        sim::SimOptions options;
        options.rate = speed;
        options.replay = records;
        sim::SimInstrument instrument(options);
        sim::SimPort port(instrument, clock);
        const std::string name = speed == 1 ? "Replayed" : "Fast";
        const CliRun r = cli({"--db", db, "run", "Every", name}, {&clock, &port});
        ASSERT_EQ(r.code, 0) << r.err;
        const auto again = must(repo.storedPoints(QString::fromStdString(name)));
        ASSERT_EQ(again.size(), stored.size());
        for (std::size_t i = 0; i < stored.size(); ++i) {
            const StoredPoint &a = stored[i], &b = again[i];
            EXPECT_EQ(std::tie(a.stepNo, a.time, a.temperature, a.speed, a.shearStress, a.gel,
                               a.rbfactor),
                      std::tie(b.stepNo, b.time, b.temperature, b.speed, b.shearStress, b.gel,
                               b.rbfactor))
                << i;
        }
    }
}

TEST(CliReplay, WrongArgumentsAndTestsWithoutPoints)
{
    TestDb t;
    t.addTest("Empty", {});
    const std::string db = t.path.toStdString();
    const std::vector<Refusal> cases{
        {{"replay"}, 2, "viscora-cli: replay takes 1 argument(s)"},
        {{"replay", "Empty", "--speed", "0"},
         2,
         "viscora-cli: --speed 0: not a number above 0 and at most 1000000"},
        {{"replay", "Empty", "--speed", "fast"},
         2,
         "viscora-cli: --speed fast: not a number above 0 and at most 1000000"},
        {{"replay", "Empty", "--bogus"}, 2, "viscora-cli: replay has no option --bogus"},
        {{"replay", "Nope"}, 1, "Selection Error.: No saved test is named \"Nope\".\n"},
        {{"replay", "Empty"}, 1, "Replay: The test \"Empty\" has no points to replay.\n"},
    };
    expectRefused(db, cases);
}

// The Compare Tests window's table: the tests side by side, as text or JSON.
TEST(CliCompare, TestsSideBySideAsTextOrJson)
{
    TestDb t;
    t.addTest("Mud", sixSpeedPoints([](double rate) { return sim::fluidStress(rate, 120); }));
    t.addTest("Empty", {});
    const std::string db = t.path.toStdString();
    const CliRun text = cli({"--db", db, "compare", "Mud", "Empty"});
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_EQ(text.out.rfind("Units: EI (lb/100ft2, °F)\n\tMud\tEmpty\nθ600 (°)\t", 0), 0u)
        << text.out;
    EXPECT_NE(text.out.find("\nRecommended model\t"), std::string::npos);
    EXPECT_NE(cli({"--db", db, "--si", "compare", "Mud"}).out.find("YP (dyn/cm2)\t"),
              std::string::npos);
    const CliRun json = cli({"--db", db, "compare", "Mud", "Empty", "--json"});
    ASSERT_EQ(json.code, 0) << json.err;
    const auto doc = parseJson(json.out);
    ASSERT_TRUE(doc) << json.out;
    ASSERT_EQ((*doc)["tests"].items.size(), 2u);
    EXPECT_EQ((*doc)["tests"].items[0]["test"].text, "Mud");
    EXPECT_TRUE((*doc)["tests"].items[1]["PV"].isNull());
    expectRefused(
        db,
        {{{"compare"}, 2, "viscora-cli: compare takes 1 or more argument(s)"},
         {{"compare", "Mud", "Nope"}, 1, "Selection Error.: No saved test is named \"Nope\".\n"}});
}
