#include "directlog/DirectLog.h"

#include "device/Link.h"
#include "core/DataRecord.h"
#include "core/Module1.h"
#include "core/Prompter.h"
#include "core/Protocol.h"
#include "core/Units.h"
#include "core/VbFormat.h"

#include <QDir>

#include <cmath>
#include <cstdio>

namespace viscora {

namespace {
// The boxes' first items, which a bad entry returns to.
const std::string kFirstSpeed = "300";
const std::string kFirstRate = "1";
} // namespace

const char *const DirectLog::kHeader =
    "Accu_Time(Sec),Clock_Time,S_Stress(dyn/cm2),Speed(Rpm),Visc(cP)";

DirectLog::DirectLog(const Module1 &m, SerialPort &port, Clock &clock, Prompter &prompter)
    : m_(m), rotorBob_(chosenRotorBob(m.rotorBob())), port_(port), clock_(clock), runClock_(clock),
      prompter_(prompter)
{
    chart.Initial_chart(now());
}

bool DirectLog::validSpeed(double rpm) { return rpm >= 0 && rpm <= 600; }

bool DirectLog::validRate(double seconds) { return seconds >= 0.99 && seconds <= 6000; }

std::string singleText(float v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.7G", static_cast<double>(v));
    return buf;
}

std::string DirectLog::number(double v)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15G", v);
    std::string out = v < 0 ? std::string() : std::string(1, ' ');
    out += buf;
    out += ' ';
    return out;
}

std::string DirectLog::dataLine(double seconds, double clockSeconds, double stress, double rpm,
                                float viscosity)
{
    const std::string clock = clockText(clockSeconds);
    const std::string visc = singleText(viscosity);
    return number(seconds) + "," + clock + "," + number(stress) + "," + number(rpm) + "," +
           (viscosity < 0 ? "" : " ") + visc + " \r\n";
}

bool DirectLog::SendLogProgram(const std::string &text)
{
    // One long step at the speed: 60000 s at 35 degF.
    const ProgramStep step{1, 60000, 35, Val(text) * 100, rotorBob_.index};
    const Outcome sent = sendProgram(port_, clock_, m_.CommPort, {step});
    if (!sent)
        show(prompter_, sent.failure());
    return sent.ok();
}

std::string DirectLog::speedChanged(const std::string &text)
{
    // Sending the program closes the port the running poll reads from.
    if (running_) {
        if (text != speedText)
            prompter_.message("The speed cannot be changed while a run is going. Please stop the "
                              "run first.",
                              "Operation Error");
        return speedText;
    }
    speedText = text;
    if (!validSpeed(Val(text))) {
        prompter_.message("Invalid Speed Entry! Please Try Again.");
        speedText = kFirstSpeed;
    }
    SendLogProgram(speedText);
    return speedText;
}

std::string DirectLog::rateChanged(const std::string &text)
{
    rateText = text;
    if (!validRate(Val(text))) {
        prompter_.message("Invalid Record Rate Entry! Please Try Again.");
        rateText = kFirstRate;
    }
    return rateText;
}

bool DirectLog::append(const std::string &text)
{
    std::FILE *f = std::fopen(path_.c_str(), "ab");
    if (!f)
        return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

bool DirectLog::run(const std::string &fileName)
{
    if (fileName.empty()) {
        prompter_.message("Please first input Data File Name.", "Operation Error");
        return false;
    }
    if (fileName.find('/') != std::string::npos || fileName.find('\\') != std::string::npos) {
        prompter_.message("A data file name cannot contain a folder: data files are kept in the "
                          "program's working folder.",
                          "Operation Error");
        return false;
    }
    InBuffer.clear();
    chart.Initial_chart(now());
    if (const Outcome started =
            startAndAwaitReply(port_, clock_, m_.CommPort, PortFailureWording::CommPort);
        !started) {
        show(prompter_, started.failure());
        return false;
    }
    path_ = QDir::current().filePath(QString::fromStdString(fileName)).toStdString();
    if (!append(std::string(kHeader) + "\r\n")) {
        // The run goes on charting; nothing can be recorded to this file.
        prompter_.message("The data file " + path_ +
                              " cannot be written; the readings are only "
                              "charted.",
                          "File Error");
        path_.clear();
    }
    buttons = {false, true, !path_.empty(), false};
    chart.startAt(now());
    running_ = true;
    return true;
}

bool DirectLog::poll()
{
    if (!running_)
        return false;
    if (!readTick(port_, InBuffer)) {
        running_ = false;
        prompter_.message("Test is finished.", "Message");
        return false;
    }
    while (auto record = InBuffer.next()) {
        const RecordFields f = parseDataRecord(*record);
        if (!isValidRecord(f))
            continue;
        const LiveValues v = liveValues(f, rotorBob_, m_.CustomStressFactor);
        const double t = now();
        chart.add(t, v.stress, v.viscosity, v.temperature);
        const long long rate = roundHalfEven(Val(rateText));
        if (Recording && rate > 0 && static_cast<long long>(f[1]) % rate == 0) {
            const std::string line = dataLine(f[1], clock_.secondsSinceMidnight(), f[3], f[5] / 100,
                                              chart.y(1, chart.PointIndex - 1));
            if (!append(line)) {
                Recording = false;
                buttons.startRecord = true;
                buttons.stopRecord = false;
                prompter_.message("The data file " + path_ +
                                      " cannot be written; recording is "
                                      "switched off and the readings are only charted.",
                                  "File Error");
            }
        }
    }
    return true;
}

void DirectLog::stop()
{
    if (const Outcome stopped = remoteStop(port_, m_.CommPort); !stopped) {
        show(prompter_, stopped.failure());
        return;
    }
    buttons = {true, false, false, false};
    running_ = false;
}

void DirectLog::startRecording()
{
    if (path_.empty())
        return;
    Recording = true;
    buttons = {false, true, false, true};
}

void DirectLog::stopRecording()
{
    Recording = false;
    buttons = {false, true, true, false};
}

} // namespace viscora
