#pragma once
// The automatic calibration check: up to five 30-second steps at the speeds where a
// calibration fluid of known viscosity gives 3, 6, 10, 100 and 800 dyn/cm2, and the error of
// the instrument's reading near the end of each step.

#include "core/Clock.h"
#include "core/DataRecord.h"
#include "core/Protocol.h"
#include "device/SerialPort.h"

#include <array>
#include <functional>
#include <optional>
#include <string>

namespace viscora {

struct Module1;
class Prompter;

struct CalibrationRow {
    std::string Stress3; // expected stress, as the row's caption
    std::string lbl3Err = "N/A";
    std::string lbl3PercentErr = "N/A";
    std::optional<double> measured; // the reading behind the errors, dyn/cm2
};

class CalibrationCheck {
public:
    CalibrationCheck(const Module1 &m, SerialPort &port, Clock &clock, Prompter &prompter);

    // 0.9 to 5000 cP, both included.
    static bool validViscosity(double cP);
    // RpmPerStress, StepCount and CheckSpeed for a viscosity.
    void compute(double viscosity);

    // Start: checks the viscosity text, downloads the check steps and starts them. True
    // when the check is running.
    bool start(const std::string &viscosityText);
    // One tick: false once the check is over (or not running).
    bool poll();
    void stop();

    bool running() const { return running_; }
    // The instrument said the check was over (not stopped before its end).
    bool finished() const { return finished_; }
    // The viscosity of the check started last, cP.
    double viscosity() const { return viscosity_; }
    double RpmPerStress = 0;
    int StepCount = 0;
    std::array<double, 11> CheckSpeed{};
    std::array<CalibrationRow, 5> rows;
    // Waits that keep the window responsive (WaitSeconds); the events are processed here.
    std::function<void()> processEvents;
    std::function<void(const std::string &)> onStatus;

    // Check step i (1-based) and its ten pieces.
    ProgramStep checkStep(int i) const;
    std::vector<std::string> stepPieces(int i) const;

private:
    void WaitSeconds(float seconds);
    void use(const RecordFields &f);

    const Module1 &m_;
    SerialPort &port_;
    Clock &clock_;
    Prompter &prompter_;
    RecordSplitter InBuffer;
    bool running_ = false;
    bool finished_ = false;
    double viscosity_ = 0;
};

} // namespace viscora
