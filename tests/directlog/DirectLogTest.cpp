#include "directlog/DirectLog.h"
#include "support/FakeClock.h"
#include "ui/LiveChartView.h"
#include "core/Module1.h"
#include "support/ScriptedPort.h"
#include "support/ScriptedPrompter.h"
#include "core/Units.h"
#include "directlog/frmDirectLog.h"
#include "support/FocusThief.h"

#include <QApplication>
#include <QChart>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace viscora;
using namespace viscora::test;

namespace {

std::string record(int time, int stress, int speed = 30000)
{
    return "1," + std::to_string(time) + ",35," + std::to_string(stress) + ",0," +
           std::to_string(speed) + ",1\x1a";
}

struct CwdGuard {
    QString saved = QDir::currentPath();
    ~CwdGuard() { QDir::setCurrent(saved); }
};

struct Fixture {
    CwdGuard guard;
    QTemporaryDir dir;
    Module1 m;
    ScriptedPrompter p;
    FakeClock clock{50587.0, 0.01}; // 14:03:07
    ScriptedPort port{clock};
    std::unique_ptr<DirectLog> log;
    Fixture()
    {
        QDir::setCurrent(dir.path());
        port.onWrite = [this](const std::string &b) {
            if (b == "\x05")
                port.deliver(record(1, 12), clock.now + 1);
        };
        log = std::make_unique<DirectLog>(m, port, clock, p);
    }
    std::string file(const char *name)
    {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll().toStdString();
    }
    bool tick(const std::string &bytes)
    {
        port.deliver(bytes, clock.now);
        clock.now += 1;
        return log->poll();
    }
};

} // namespace

TEST(DirectLog, ProgramBytesAndAnUnchosenRotorBob)
{
    struct Case {
        const char *speed;
        const char *field;
    } cases[] = {{"600", "60000"}, {"3", "00300"}, {"300", "30000"}, {"0", "00000"}};
    for (const auto &c : cases) {
        Fixture f;
        EXPECT_EQ(f.log->rotorBob().index, 1);
        ASSERT_TRUE(f.log->SendLogProgram(c.speed));
        EXPECT_EQ(f.port.allWritten(),
                  std::string("\x03") + "01,60000,035," + c.field + ",111" + "99");
        EXPECT_FALSE(f.port.isOpen());
    }
    Fixture f;
    f.m.CommPort = 4;
    EXPECT_FALSE(f.log->SendLogProgram("300"));
    EXPECT_EQ(f.p.shown.back().title, "Comport Error");
}

TEST(DirectLog, SpeedAndRateChecks)
{
    Fixture f;
    EXPECT_EQ(f.log->speedChanged("600"), "600");
    EXPECT_EQ(f.log->speedChanged("601"), "300");
    EXPECT_EQ(f.p.shown.back().text, "Invalid Speed Entry! Please Try Again.");
    EXPECT_EQ(f.p.shown.back().title, "");
    EXPECT_EQ(f.port.allWritten().substr(f.port.allWritten().size() - 11), "30000,111"
                                                                           "99"); // sent again
    EXPECT_EQ(f.log->rateChanged("0.99"), "0.99");
    EXPECT_EQ(f.log->rateChanged("6000"), "6000");
    EXPECT_EQ(f.log->rateChanged("0.98"), "1");
    EXPECT_EQ(f.p.shown.back().text, "Invalid Record Rate Entry! Please Try Again.");
    EXPECT_EQ(f.log->rateChanged("6000.5"), "1");
}

TEST(DirectLog, RunChecksTheFileNameAndWritesAHeaderPerRun)
{
    Fixture f;
    EXPECT_FALSE(f.log->run(""));
    EXPECT_EQ(f.p.shown.back().text, "Please first input Data File Name.");
    EXPECT_EQ(f.p.shown.back().title, "Operation Error");
    EXPECT_FALSE(f.log->run("../escape.txt"));
    EXPECT_EQ(f.p.shown.back().text, "A data file name cannot contain a folder: data files are "
                                     "kept in the program's working folder.");
    EXPECT_EQ(f.p.shown.back().title, "Operation Error");
    EXPECT_EQ(f.port.opens, 0);
    ASSERT_TRUE(f.log->run("data.txt"));
    EXPECT_TRUE(f.log->buttons.stop);
    EXPECT_TRUE(f.log->buttons.startRecord);
    EXPECT_FALSE(f.log->buttons.run);
    f.log->stop();
    EXPECT_EQ(f.port.writes.back().bytes, "\x06");
    EXPECT_FALSE(f.port.isOpen());
    EXPECT_TRUE(f.log->buttons.run);
    ASSERT_TRUE(f.log->run("data.txt"));
    const std::string header = std::string(DirectLog::kHeader) + "\r\n";
    EXPECT_EQ(f.file("data.txt"), header + header);
}

TEST(DirectLog, NoAnswerAndNoPort)
{
    Fixture f;
    f.port.onWrite = nullptr;
    EXPECT_FALSE(f.log->run("x.txt"));
    EXPECT_EQ(f.p.shown.back().text, "No response from K7400r, please check connection.");
    EXPECT_FALSE(f.port.isOpen());
    f.port.availablePort = 5;
    EXPECT_FALSE(f.log->run("x.txt"));
    EXPECT_EQ(f.p.shown.back().title, "Comm Port Error");
}

TEST(DirectLog, DataLinesByteForByteAndTheRate)
{
    const float visc = static_cast<float>((12 + 0.000001) / ((30000 + 0.001) * 1.7023) * 10000);
    EXPECT_EQ(DirectLog::dataLine(27, 50587, 12, 300, visc),
              " 27 ,14:03:07, 12 , 300 , 2.349762 \r\n");
    EXPECT_EQ(DirectLog::number(-1.5), "-1.5 ");
    EXPECT_EQ(singleText(1234567.8f), "1234568");
    EXPECT_EQ(singleText(12345678.f), "1.234568E+07");

    Fixture f;
    f.log->rateChanged("5");
    ASSERT_TRUE(f.log->run("d.txt"));
    f.tick(""); // the first record, not recording yet
    f.log->startRecording();
    EXPECT_TRUE(f.log->buttons.stopRecord);
    f.tick(record(10, 12) + record(11, 12) + record(15, 0, 0));
    f.log->stopRecording();
    f.tick(record(20, 12));
    const std::string header = std::string(DirectLog::kHeader) + "\r\n";
    const std::string data = f.file("d.txt").substr(header.size());
    EXPECT_EQ(data.substr(0, 5), " 10 ,");
    EXPECT_EQ(std::count(data.begin(), data.end(), '\n'), 2);
    EXPECT_NE(data.find(" 15 ,"), std::string::npos);
    EXPECT_NE(data.find(", 0 , 0 , 5.874405 \r\n"), std::string::npos)
        << data; // speed 0 stays finite
    EXPECT_EQ(data.find(" 20 ,"), std::string::npos);

    Fixture g;
    g.log->rateChanged("0.99"); // acts as 1
    ASSERT_TRUE(g.log->run("e.txt"));
    g.log->startRecording();
    g.tick(record(2, 12) + record(3, 12)); // after the first record, which waited since the start
    EXPECT_EQ(g.file("e.txt").size() - header.size(),
              3 * std::string(" 2 ,14:03:12, 12 , 300 , 2.349762 \r\n").size());
}

TEST(DirectLog, RingEndAndUnwritableFile)
{
    Fixture f;
    ASSERT_TRUE(f.log->run("ring.txt"));
    std::string batch;
    for (int i = 0; i < 997; ++i) // and the first record, waiting since the start
        batch += record(i + 2, 12);
    f.tick(batch);
    EXPECT_EQ(f.log->chart.PointIndex, 999);
    f.tick(record(1000, 12));
    EXPECT_EQ(f.log->chart.PointIndex, 800);
    EXPECT_TRUE(f.tick("\x08"));
    EXPECT_FALSE(f.tick(""));
    EXPECT_EQ(f.p.shown.back().text, "Test is finished.");
    EXPECT_EQ(f.p.shown.back().title, "Message");

    Fixture g;
    QDir(g.dir.path()).mkdir("busy.txt"); // a name that cannot be written as a file
    ASSERT_TRUE(g.log->run("busy.txt"));
    EXPECT_EQ(g.p.shown.back().text, "The data file " + g.dir.filePath("busy.txt").toStdString() +
                                         " cannot be written; the readings are only charted.");
    EXPECT_EQ(g.p.shown.back().title, "File Error");
    EXPECT_FALSE(g.log->buttons.startRecord);
    const size_t messages = g.p.shown.size();
    g.log->startRecording();
    EXPECT_FALSE(g.log->Recording);
    EXPECT_TRUE(g.tick(record(2, 12)));
    EXPECT_EQ(g.log->chart.PointIndex, 3);
    EXPECT_EQ(g.p.shown.size(), messages);
}

TEST(DirectLog, WriteFailureMidRunSwitchesRecordingOffOnce)
{
    Fixture f;
    ASSERT_TRUE(f.log->run("gone.txt"));
    f.log->startRecording();
    QFile::remove(f.dir.filePath("gone.txt"));
    QDir(f.dir.path()).mkdir("gone.txt");
    f.tick(record(2, 12) + record(3, 12));
    EXPECT_FALSE(f.log->Recording);
    EXPECT_EQ(f.p.shown.back().text, "The data file " + f.dir.filePath("gone.txt").toStdString() +
                                         " cannot be written; recording is switched off and the "
                                         "readings are only charted.");
    EXPECT_EQ(std::count_if(f.p.shown.begin(), f.p.shown.end(),
                            [](const Shown &s) { return s.title == "File Error"; }),
              1);
    EXPECT_TRUE(f.log->running());
}

TEST(DirectLogWindow, LoadRunStopAndSpeedLockedDuringARun)
{
    CwdGuard guard;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    Module1 m;
    ScriptedPrompter p;
    FakeClock clock{36000.0, 0.01};
    ScriptedPort *port = nullptr;
    frmDirectLog w(DirectLogWindowDeps{m, p, clock,
                                       [&]() -> std::unique_ptr<SerialPort> {
                                           auto sp = std::make_unique<ScriptedPort>(clock);
                                           port = sp.get();
                                           sp->onWrite = [&clock,
                                                          raw = sp.get()](const std::string &b) {
                                               if (b == "\x05")
                                                   raw->deliver(record(1, 12), clock.now + 1);
                                           };
                                           return sp;
                                       },
                                       nullptr, nullptr});
    w.Form_Load();
    EXPECT_EQ(w.windowTitle(), "Direct Data Logging");
    EXPECT_EQ(w.cmbSpeed->currentText(), "300");
    EXPECT_EQ(w.cmbRate->currentText(), "1");
    EXPECT_EQ(w.txtFileName->text(), "Text1");
    EXPECT_EQ(port->allWritten(), "\x03"
                                  "01,60000,035,30000,111"
                                  "99");
    EXPECT_TRUE(w.cmdRun->isEnabled());
    EXPECT_FALSE(w.cmdStop->isEnabled());
    EXPECT_FALSE(w.cmdStartRecord->isEnabled());
    w.cmdRun->click();
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_TRUE(w.cmdStartRecord->isEnabled());
    w.cmbSpeed->setCurrentText("600");
    w.cmbSpeed_LostFocus();
    EXPECT_EQ(p.shown.back().text,
              "The speed cannot be changed while a run is going. Please stop the run first.");
    EXPECT_EQ(p.shown.back().title, "Operation Error");
    EXPECT_EQ(w.cmbSpeed->currentText(), "300");
    w.cmdStartRecord->click();
    EXPECT_TRUE(w.cmdStopRecord->isEnabled());
    clock.now += 1;
    w.Timer1_Timer();
    EXPECT_GT(w.Pesgo1->drawnPoints(0), 0);
    w.cmdStop->click();
    EXPECT_FALSE(w.Timer1->isActive());
    EXPECT_TRUE(w.cmdRun->isEnabled());
    // Exit during a run releases the port and stops the poll.
    w.show();
    w.cmdRun->click();
    ASSERT_TRUE(w.Timer1->isActive());
    const size_t sent = port->writes.size();
    w.cmdExit->click();
    EXPECT_FALSE(w.Timer1->isActive());
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(port->writes.size(), sent);
    EXPECT_TRUE(QFile::exists(dir.filePath("Text1")));
}

namespace {
// The window on screen with the focus in it; its messages take the focus away and back as
// real boxes do, and every write notes whether the busy cursor was up.
struct WindowOnScreen {
    CwdGuard guard;
    QTemporaryDir dir;
    Module1 m;
    ScriptedPrompter p;
    FakeClock clock{36000.0, 0.01}; // 10:00:00
    ScriptedPort *port = nullptr;
    std::vector<bool> busyAtWrite;
    std::unique_ptr<frmDirectLog> w;
    WindowOnScreen()
    {
        QDir::setCurrent(dir.path());
        w = std::make_unique<frmDirectLog>(
            DirectLogWindowDeps{m, p, clock,
                                [this]() -> std::unique_ptr<SerialPort> {
                                    auto sp = std::make_unique<ScriptedPort>(clock);
                                    port = sp.get();
                                    sp->onWrite = [this](const std::string &b) {
                                        const QCursor *c = QApplication::overrideCursor();
                                        busyAtWrite.push_back(c && c->shape() == Qt::WaitCursor);
                                        if (b == "\x05")
                                            port->deliver(record(1, 12), clock.now + 1);
                                    };
                                    return sp;
                                },
                                nullptr, nullptr});
        w->Form_Load();
        w->show();
        w->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w.get()));
        p.onMessage = [this](const Shown &) { stealFocusWhileUp(*w); };
    }
    std::string speedSent() const
    {
        const std::string all = port->allWritten();
        const auto at = all.rfind("35,");
        return at == std::string::npos ? std::string() : all.substr(at + 3, 5);
    }
};
} // namespace

TEST(DirectLogWindow, OnlyAChangedSpeedLeftForAnotherControlIsSent)
{
    WindowOnScreen s;
    const size_t loaded = s.port->writes.size();
    EXPECT_EQ(s.speedSent(), "30000");
    s.w->cmbSpeed->setFocus();
    // Opening the list, or another window taking the focus, sends nothing.
    s.w->cmbSpeed->showPopup();
    QApplication::processEvents();
    s.w->cmbSpeed->hidePopup();
    stealFocusWhileUp(*s.w);
    QTest::keyClick(s.w->cmbSpeed, Qt::Key_Tab); // left unchanged
    EXPECT_EQ(s.port->writes.size(), loaded);

    s.w->cmbSpeed->setFocus();
    s.w->cmbSpeed->lineEdit()->selectAll();
    QTest::keyClicks(s.w->cmbSpeed->lineEdit(), "600");
    stealFocusWhileUp(*s.w);
    EXPECT_EQ(s.port->writes.size(), loaded);
    QTest::keyClick(s.w->cmbSpeed->lineEdit(), Qt::Key_Tab);
    EXPECT_EQ(s.speedSent(), "60000");
    EXPECT_TRUE(s.p.shown.empty());

    s.w->cmbSpeed->setFocus();
    s.w->cmbSpeed->lineEdit()->selectAll();
    QTest::keyClicks(s.w->cmbSpeed->lineEdit(), "700");
    QTest::keyClick(s.w->cmbSpeed->lineEdit(), Qt::Key_Tab);
    ASSERT_EQ(s.p.shown.size(), 1u);
    EXPECT_EQ(s.p.shown[0].text, "Invalid Speed Entry! Please Try Again.");
    EXPECT_EQ(s.p.shown[0].title, "");
    EXPECT_EQ(s.w->cmbSpeed->currentText(), "300");
    EXPECT_EQ(s.speedSent(), "30000");
    // Every byte went out under the busy cursor: each send holds the window a second.
    EXPECT_EQ(std::count(s.busyAtWrite.begin(), s.busyAtWrite.end(), false), 0);
}

TEST(DirectLogWindow, ChartShowsTheTimeOfLoadingAndRunWaitsBusy)
{
    WindowOnScreen s;
    auto *axis = qobject_cast<QDateTimeAxis *>(s.w->Pesgo1->lowerChart()->axes(Qt::Horizontal)[0]);
    ASSERT_TRUE(axis);
    // Loaded at 10:00:00; the program download before the chart takes a second of the clock.
    EXPECT_GE(axis->min().time(), QTime(10, 0, 0));
    EXPECT_LE(axis->min().time(), QTime(10, 0, 2));
    EXPECT_EQ(axis->min().secsTo(axis->max()), 180);
    s.busyAtWrite.clear();
    s.w->cmdRun->click();
    ASSERT_TRUE(s.w->Timer1->isActive());
    ASSERT_EQ(s.busyAtWrite.size(), 1u); // the start byte, then the reply wait
    EXPECT_TRUE(s.busyAtWrite[0]);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    s.w->cmdStop->click();
}
