#include "directlog/DirectLog.h"

#include "device/Link.h"
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

DirectLog::DirectLog(Module1 &m, SerialPort &port, Clock &clock, Prompter &prompter)
    : m_(m), port_(port), clock_(clock), prompter_(prompter)
{
    ensureRotorBobChosen(m_);
    chart.Initial_chart(now());
}

double DirectLog::now()
{
    const double t = clock_.secondsSinceMidnight();
    if (lastClock_ >= 0 && t < lastClock_ - 43200)
        dayOffset_ += 86400;
    lastClock_ = t;
    return t + dayOffset_;
}

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
    const long t = static_cast<long>(std::floor(clockSeconds)) % 86400;
    char clock[16];
    std::snprintf(clock, sizeof clock, "%02ld:%02ld:%02ld", t / 3600, t / 60 % 60, t % 60);
    const std::string visc = singleText(viscosity);
    return number(seconds) + "," + clock + "," + number(stress) + "," + number(rpm) + "," +
           (viscosity < 0 ? "" : " ") + visc + " \r\n";
}

bool DirectLog::SendLogProgram(const std::string &text)
{
    initialCommport(port_, m_);
    port_.setReadLength(0);
    auto fail = [this] {
        port_.close();
        showPortFailure(prompter_, PortFailureWording::Comport);
        return false;
    };
    if (!port_.open() || !port_.write(std::string(1, cmd::CmdDownload)))
        return fail();
    BusyWait(clock_, 0.1f);
    const std::vector<std::string> pieces{"01",
                                          ",",
                                          "60000",
                                          ",",
                                          "035",
                                          ",",
                                          formatMask(Val(text) * 100, "00000"),
                                          ",",
                                          formatMask(m_.RbIndex, "0"),
                                          "11"};
    for (const std::string &piece : pieces) {
        if (!port_.write(piece))
            return fail();
        BusyWait(clock_, 0.1f);
    }
    if (!port_.write("99"))
        return fail();
    port_.close();
    return true;
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
    const double v = Val(text);
    speedText = text;
    if (v < 0 || v > 600) {
        prompter_.message("Invalid Speed Entry! Please Try Again.");
        speedText = kFirstSpeed;
    }
    SendLogProgram(speedText);
    return speedText;
}

std::string DirectLog::rateChanged(const std::string &text)
{
    const double v = Val(text);
    rateText = text;
    if (v < 0.99 || v > 6000) {
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
    initialCommport(port_, m_);
    port_.setReadLength(0);
    if (!port_.open() || !port_.write(std::string(1, cmd::CmdStart))) {
        port_.close();
        showPortFailure(prompter_, PortFailureWording::CommPort);
        return false;
    }
    if (!waitForStartReply(port_, clock_)) {
        prompter_.message("No response from K7400r, please check connection.",
                          "Communication Error");
        port_.close();
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
        const LiveValues v = liveValues(f, m_);
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
    bool ok = true;
    if (!port_.isOpen()) {
        initialCommport(port_, m_);
        ok = port_.open();
    }
    ok = ok && port_.write(std::string(1, cmd::CmdStop));
    port_.setReadLength(0);
    if (port_.isOpen())
        port_.close();
    if (!ok) {
        showPortFailure(prompter_, PortFailureWording::Comport);
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
