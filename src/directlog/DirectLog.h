#pragma once
// Direct data logging: the rotor at one speed, a live chart, and while recording is on,
// readings appended to a comma-separated file in the working folder.

#include "core/Clock.h"
#include "core/DataRecord.h"
#include "core/LiveChart.h"
#include "core/Units.h"
#include "device/Link.h"
#include "device/SerialPort.h"

#include <functional>
#include <string>

namespace viscora {

struct Module1;
class Prompter;

struct DirectLogButtons {
    bool run = true, stop = false, startRecord = false, stopRecord = false;
};

class DirectLog {
public:
    DirectLog(const Module1 &m, SerialPort &port, Clock &clock, Prompter &prompter);

    // The one-step program for a speed (text as typed). False on a port failure.
    bool SendLogProgram(const std::string &speedText);
    // Leaving the speed box: checks it (a bad one goes back to "300"), then sends the program.
    // Returns the speed text in force. Refused while a run is going.
    std::string speedChanged(const std::string &speedText);
    // Editing the rate box: the rate text in force (a bad one goes back to "1").
    std::string rateChanged(const std::string &rateText);
    // The speeds and record rates a run takes: 0 to 600 rpm, 0.99 to 6000 s.
    static bool validSpeed(double rpm);
    static bool validRate(double seconds);

    // Run: the file check, CmdStart and its reply, the header line. True when running.
    bool run(const std::string &fileName);
    // One tick; false once the instrument ended the run (or nothing runs).
    bool poll();
    void stop();
    void startRecording();
    void stopRecording();
    // A fresh chart whose time axis starts now.
    void resetChart() { chart.Initial_chart(now()); }

    bool running() const { return running_; }
    // The rotor-bob the log reads by: the chosen one, R1-B1 when none was chosen.
    const RotorBobSetting &rotorBob() const { return rotorBob_; }
    bool Recording = false;
    DirectLogButtons buttons;
    LiveChart chart;
    std::string rateText = "1";
    std::string speedText = "300";
    // The data file's path (working folder + name).
    std::string dataPath() const { return path_; }

    // One data line, CR LF included: " 27 ,14:03:07, 12 , 300 , 2.350471 \r\n".
    static std::string dataLine(double seconds, double clockSeconds, double stress, double rpm,
                                float viscosity);
    static const char *const kHeader;
    // How a number prints: general format, a leading blank unless negative, one trailing blank.
    static std::string number(double v);

private:
    bool append(const std::string &text);
    double now() { return runClock_.now(); }

    const Module1 &m_;
    RotorBobSetting rotorBob_;
    SerialPort &port_;
    Clock &clock_;
    RunClock runClock_;
    Prompter &prompter_;
    RecordSplitter InBuffer;
    bool running_ = false;
    std::string path_;
};

// A single-precision value as it prints: up to 7 significant digits.
std::string singleText(float v);

} // namespace viscora
