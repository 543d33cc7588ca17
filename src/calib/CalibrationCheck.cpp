#include "calib/CalibrationCheck.h"

#include "device/Link.h"
#include "core/Module1.h"
#include "core/Prompter.h"
#include "core/Protocol.h"
#include "core/Units.h"
#include "core/VbFormat.h"

#include <cmath>

namespace viscora {

namespace {
constexpr const char *kStresses[] = {"3", "6", "10", "100", "800"};
} // namespace

CalibrationCheck::CalibrationCheck(const Module1 &m, SerialPort &port, Clock &clock,
                                   Prompter &prompter)
    : m_(m), port_(port), clock_(clock), prompter_(prompter)
{
    for (size_t r = 0; r < rows.size(); ++r)
        rows[r].Stress3 = kStresses[r];
}

bool CalibrationCheck::validViscosity(double cP) { return cP >= 0.9 && cP <= 5000; }

void CalibrationCheck::compute(double viscosity)
{
    RpmPerStress = 1.0 / viscosity / formula::kShearPerRpm * 100;
    const double r = 600 / RpmPerStress;
    StepCount = r < 3 ? 0 : r < 6 ? 1 : r < 10 ? 2 : r < 100 ? 3 : r < 800 ? 4 : 5;
    const double stresses[] = {3, 6, 10, 100, 800};
    for (int i = 1; i <= 5; ++i)
        CheckSpeed[static_cast<size_t>(i)] = RpmPerStress * stresses[i - 1];
}

ProgramStep CalibrationCheck::checkStep(int i) const
{
    // 30 s at 55 degF; the speed is rounded to whole hundredths before it is written.
    return {i, 30, 55, std::round(CheckSpeed[static_cast<size_t>(i)] * 100), m_.RbIndex};
}

std::vector<std::string> CalibrationCheck::stepPieces(int i) const
{
    return programPieces(checkStep(i));
}

void CalibrationCheck::WaitSeconds(float seconds) { BusyWait(clock_, seconds, processEvents); }

bool CalibrationCheck::start(const std::string &viscosityText)
{
    const double viscosity = Val(viscosityText);
    if (!validViscosity(viscosity)) {
        prompter_.message("Invalid viscosity input. Please input correct number.");
        return false;
    }
    auto fail = [this] {
        show(prompter_, portFailure(PortFailureWording::CommPort, port_));
        return false;
    };
    // A check already running holds the port: opening it again fails.
    if (port_.isOpen() || !port_.open())
        return fail();
    compute(viscosity);
    viscosity_ = viscosity;
    finished_ = false;
    for (auto &row : rows) {
        row.lbl3Err = row.lbl3PercentErr = "N/A";
        row.measured.reset();
    }
    if (!port_.write(std::string(1, cmd::CmdStop)))
        return fail();
    WaitSeconds(2);
    std::vector<ProgramStep> program;
    for (int i = 1; i <= StepCount; ++i)
        program.push_back(checkStep(i));
    ProgramPacing pacing;
    pacing.wait = [this](float seconds) { WaitSeconds(seconds); };
    if (!writeProgram(port_, clock_, program, pacing) ||
        !port_.write(std::string(1, cmd::CmdStart)))
        return fail();
    if (onStatus)
        onStatus("Auto Calibration Check In Progress... ");
    InBuffer.clear();
    running_ = true;
    return true;
}

void CalibrationCheck::use(const RecordFields &f)
{
    if (!isValidRecord(f) || (f[1] != 27 && f[1] != 28))
        return;
    const int r = static_cast<int>(f[0]) - 1;
    if (r < 0 || r >= static_cast<int>(rows.size())) // no row for that step
        return;
    CalibrationRow &row = rows[static_cast<size_t>(r)];
    const double expected = Val(row.Stress3);
    row.measured = f[3];
    row.lbl3Err = formatMask(f[3] - expected, "0.0");
    row.lbl3PercentErr = formatMask(Val(row.lbl3Err) / expected * 100, "0.0");
}

bool CalibrationCheck::poll()
{
    if (!running_)
        return false;
    if (!readTick(port_, InBuffer)) {
        running_ = false;
        finished_ = true;
        prompter_.message("Auto Calibration Check is Finished.", "Message");
        return false;
    }
    while (auto record = InBuffer.next())
        use(parseDataRecord(*record));
    return true;
}

void CalibrationCheck::stop()
{
    running_ = false;
    if (port_.isOpen())
        port_.close();
}

} // namespace viscora
