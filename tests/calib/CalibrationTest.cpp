#include "calib/CalibrationCheck.h"
#include "report/Exports.h"
#include "support/FakeClock.h"
#include "device/Link.h"
#include "core/Module1.h"
#include "support/ScriptedPort.h"
#include "support/ScriptedPrompter.h"
#include "support/XlsxReader.h"
#include "calib/frmCaliCheck.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace viscora;
using namespace viscora::test;

namespace {

std::string record(int step, int time, int stress)
{
    return std::to_string(step) + "," + std::to_string(time) + ",55," + std::to_string(stress) +
           ",0,17600,1\x1a";
}

struct Fixture {
    Module1 m;
    ScriptedPrompter p;
    FakeClock clock{36000.0, 0.01};
    ScriptedPort port{clock};
    CalibrationCheck check{m, port, clock, p};
    Fixture()
    {
        m.RbIndex = 1;
        initialCommport(port, m.CommPort);
    }
    bool tick(const std::string &bytes)
    {
        port.deliver(bytes, clock.now);
        clock.now += 1;
        return check.poll();
    }
};

} // namespace

TEST(CalibrationCheck, ViscosityBoundsAndNoPortActivityWhenRefused)
{
    for (const char *bad : {"0.89", "5000.01", "abc", ""}) {
        Fixture f;
        EXPECT_FALSE(f.check.start(bad)) << bad;
        EXPECT_EQ(f.p.shown.back().text, "Invalid viscosity input. Please input correct number.");
        EXPECT_EQ(f.p.shown.back().title, "");
        EXPECT_EQ(f.port.opens, 0);
    }
    for (const char *good : {"0.9", "5000"}) {
        Fixture f;
        EXPECT_TRUE(f.check.start(good)) << good;
    }
}

TEST(CalibrationCheck, StepsAndSpeedFields)
{
    struct Case {
        double viscosity;
        int steps;
        std::vector<std::string> speeds;
    } cases[] = {
        {0.9, 2, {"19581", "39163"}},
        {10, 4, {"01762", "03525", "05874", "58744"}},
        {100, 5, {"00176", "00352", "00587", "05874", "46995"}},
        {5000, 5, {"00004", "00007", "00012", "00117", "00940"}},
    };
    for (const auto &c : cases) {
        Fixture f;
        f.check.compute(c.viscosity);
        EXPECT_EQ(f.check.StepCount, c.steps) << c.viscosity;
        for (int i = 1; i <= c.steps; ++i)
            EXPECT_EQ(f.check.stepPieces(i)[6], c.speeds[static_cast<size_t>(i - 1)])
                << c.viscosity << " step " << i;
    }
}

TEST(CalibrationCheck, TheStreamBytesAndWaits)
{
    Fixture f;
    ASSERT_TRUE(f.check.start("100"));
    const std::string expected = "\x06\x03"
                                 "01,00030,055,00176,111"
                                 "02,00030,055,00352,111"
                                 "03,00030,055,00587,111"
                                 "04,00030,055,05874,111"
                                 "05,00030,055,46995,111"
                                 "99\x05";
    EXPECT_EQ(f.port.allWritten(), expected);
    EXPECT_GE(f.port.writes[1].at - f.port.writes[0].at, 2.0);
    EXPECT_GE(f.port.writes[2].at - f.port.writes[1].at, 0.1);
    const auto &w = f.port.writes;
    EXPECT_LT(w[w.size() - 1].at - w[w.size() - 2].at, 0.01); // "99" then at once the start
    EXPECT_TRUE(f.check.running());
    EXPECT_TRUE(f.port.isOpen());
}

TEST(CalibrationCheck, ReadingsFillTheRowsAndTheEndIsAlone)
{
    Fixture f;
    std::string status;
    f.check.onStatus = [&](const std::string &s) { status = s; };
    ASSERT_TRUE(f.check.start("100"));
    EXPECT_EQ(status, "Auto Calibration Check In Progress... ");
    f.tick(record(2, 26, 50) + record(2, 27, 7));
    EXPECT_EQ(f.check.rows[1].lbl3Err, "1.0");
    EXPECT_EQ(f.check.rows[1].lbl3PercentErr, "16.7");
    const std::string r = record(4, 28, 99);
    f.tick(r.substr(0, 4));
    EXPECT_EQ(f.check.rows[3].lbl3Err, "N/A");
    f.tick(r.substr(4) + record(9, 27, 5) + record(1, 27, 60001));
    EXPECT_EQ(f.check.rows[3].lbl3Err, "-1.0");
    EXPECT_EQ(f.check.rows[3].lbl3PercentErr, "-1.0"); // a reading below keeps its sign
    f.tick(record(4, 27, 95));
    EXPECT_EQ(f.check.rows[3].lbl3Err, "-5.0");
    EXPECT_EQ(f.check.rows[3].lbl3PercentErr, "-5.0");
    EXPECT_EQ(f.check.rows[0].lbl3Err, "N/A");
    // Starting again while running: the open port cannot be opened again.
    EXPECT_FALSE(f.check.start("100"));
    EXPECT_EQ(f.p.shown.back().title, "Comm Port Error");
    EXPECT_TRUE(f.check.running());
    EXPECT_TRUE(f.tick("\x08"));
    EXPECT_FALSE(f.tick(""));
    EXPECT_FALSE(f.check.running());
    EXPECT_FALSE(f.port.isOpen());
    EXPECT_EQ(f.p.shown.back().text, "Auto Calibration Check is Finished.");
    EXPECT_EQ(f.p.shown.back().title, "Message");
}

TEST(CalibrationCheck, TestEndWithMoreTextDoesNotEnd)
{
    Fixture f;
    ASSERT_TRUE(f.check.start("100"));
    EXPECT_TRUE(f.tick("\x08z"));
    EXPECT_TRUE(f.tick(""));
    EXPECT_TRUE(f.check.running());
}

TEST(CalibrationCheck, PortFailure)
{
    Fixture f;
    f.m.CommPort = 3;
    initialCommport(f.port, f.m.CommPort);
    EXPECT_FALSE(f.check.start("100"));
    EXPECT_EQ(f.p.shown.back().text,
              "Fail to open comm port, make sure comm port is available and working properly.");
    EXPECT_EQ(f.p.shown.back().title, "Comm Port Error");
    EXPECT_FALSE(f.check.running());
}

TEST(CalibrationWindow, ControlsRunAndExport)
{
    Module1 m; // a rotor-bob never chosen: the check sends code 1
    ScriptedPrompter p;
    FakeClock clock{36000.0, 0.01};
    ScriptedPort *port = nullptr;
    std::string exported;
    frmCaliCheck w(
        CalibrationWindowDeps{m, p, clock,
                              [&]() -> std::unique_ptr<SerialPort> {
                                  auto sp = std::make_unique<ScriptedPort>(clock);
                                  port = sp.get();
                                  return sp;
                              },
                              [&](const std::string &v, const std::array<CalibrationRow, 5> &rows) {
                                  exported = v + rows[0].lbl3Err;
                              },
                              nullptr});
    EXPECT_EQ(w.windowTitle(), "Auto Calibration Check");
    EXPECT_EQ(w.Label6->text(), "Shear Stress  (dyn/cm2)");
    EXPECT_EQ(w.Stress3[4]->text(), "800");
    EXPECT_EQ(w.lbl3Err[0]->text(), "N/A");
    EXPECT_EQ(w.txtVisc->toolTip(), "Enter a number >0 and <6300");
    EXPECT_EQ(w.cmdExport->text(), "&Export Result to Excel");
    EXPECT_EQ(m.RbIndex, 1);
    w.txtVisc->setText("100");
    w.cmdStart->click();
    ASSERT_TRUE(port);
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_EQ(w.CurStatus->text(), "Auto Calibration Check In Progress... ");
    EXPECT_NE(port->allWritten().find("05,00030,055,46995,111"), std::string::npos);
    port->deliver(record(1, 27, 4), clock.now);
    w.Timer1_Timer();
    EXPECT_EQ(w.lbl3Err[0]->text(), "1.0");
    EXPECT_EQ(w.lbl3PercentErr[0]->text(), "33.3");
    w.cmdExport->click();
    EXPECT_EQ(exported, "1001.0");
    w.cmdReturn->click();
    EXPECT_FALSE(port->isOpen());
    EXPECT_FALSE(w.Timer1->isActive());
}

TEST(CalibrationWorkbook, ResultGrid)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("cal.xlsx");
    ASSERT_TRUE(writeCalibrationWorkbook(path.toStdString(), "100",
                                         {{"3", "1.0", "33.3"}, {"6", "N/A", "N/A"}})
                    .ok);
    XlsxReader x(path);
    EXPECT_EQ(x.text("A1"), "Auto Calibration Check");
    EXPECT_EQ(x.number("B3"), 100);
    EXPECT_EQ(x.text("A5"), "Shear Stress  (dyn/cm2)");
    EXPECT_EQ(x.number("B6"), 1.0);
    EXPECT_EQ(x.number("C6"), 33.3);
    EXPECT_EQ(x.text("B7"), "N/A");
    EXPECT_EQ(x.fill("A5"), "FFCCCCFF");
}
