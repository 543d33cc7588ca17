#include "sim/SimInstrument.h"

#include "core/Units.h"
#include "core/VbFormat.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace viscora::sim {

namespace {
// A TestEnd must arrive alone in a read, so it waits for a quiet line after the last record.
constexpr double kTestEndDelay = 1.5;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Digits at p into value; false when the text ends before a non-digit follows.
bool digits(const std::string &t, size_t &p, long &value, size_t maxDigits = 9)
{
    const size_t start = p;
    value = 0;
    while (p < t.size() && isDigit(t[p])) {
        if (p - start < maxDigits)
            value = value * 10 + (t[p] - '0');
        ++p;
    }
    return p < t.size() && p > start;
}

std::vector<RetrievedRecord> defaultResult()
{
    // A six-speed rheology test at 120 degF, as the instrument holds it out of the box.
    std::vector<RetrievedRecord> r;
    const int speeds[] = {600, 300, 200, 100, 6, 3};
    int step = 1;
    for (int s : speeds) {
        const double rate = s * formula::kShearPerRpm;
        r.push_back({static_cast<double>(step++), 60, 120,
                     static_cast<double>(fluidStress(rate, 120)), s <= 6 ? 25.0 : 0.0,
                     static_cast<double>(s * 100), 1});
    }
    return r;
}
} // namespace

int fluidStress(double shearRate, double fahrenheit)
{
    // A water-based mud: at 120 degF about PV 19 cP, YP 12 lb/100ft2, n 0.69; thinner warm.
    const double tau0 = 20, k = 1.2 * std::exp(-0.01 * (fahrenheit - 120)), n = 0.76;
    const double stress = tau0 + k * std::pow(std::max(0.0, shearRate), n);
    return static_cast<int>(std::lround(stress / 5.0)) * 5;
}

SimInstrument::SimInstrument(SimOptions options)
    : options_(options), rng_(options.seed), lastResult_(defaultResult())
{
    if (options_.rate <= 0)
        options_.rate = 1;
}

void SimInstrument::receive(std::string_view bytes, double now)
{
    for (char c : bytes) {
        if (downloading_) {
            downloadText_.push_back(c);
            parseDownload();
            continue;
        }
        switch (c) {
        case cmd::CmdDownload:
            running_ = false;
            downloading_ = true;
            downloadText_.clear();
            pendingDownload_.clear();
            break;
        case cmd::CmdStart:
            start(now);
            break;
        case cmd::CmdStop:
            if (running_) {
                running_ = false;
                lastResult_ = run_;
            }
            break;
        case cmd::CmdReadHeader:
            if (!running_ && !options_.silent)
                out_ += headerBlock();
            break;
        case cmd::CmdReadData:
            if (!running_ && !options_.silent)
                out_ += dataBlock();
            break;
        default:
            break;
        }
    }
}

// Steps arrive as "SS,TTTTT,FFF,VVVVV,R11"; "99" where a step would start ends the download.
void SimInstrument::parseDownload()
{
    const std::string &t = downloadText_;
    for (;;) {
        // Step numbers stop at 98, so "99" where a step would start ends the download.
        if (t.size() >= 2 && t.compare(0, 2, "99") == 0) {
            downloading_ = false;
            sequence_ = pendingDownload_;
            downloadText_.clear();
            return;
        }
        size_t p = 0;
        long step, time, temp, speed;
        if (!digits(t, p, step) || t[p++] != ',' || !digits(t, p, time) || t[p++] != ',' ||
            !digits(t, p, temp) || t[p++] != ',' || !digits(t, p, speed) || t[p++] != ',')
            return;
        if (p + 3 > t.size())
            return;
        const int rb = isDigit(t[p]) ? t[p] - '0' : 1;
        p += 3; // code and "11"
        if (pendingDownload_.size() < 98)
            pendingDownload_.push_back({static_cast<int>(step), static_cast<int>(time),
                                        static_cast<int>(temp), static_cast<int>(speed), rb});
        downloadText_.erase(0, p);
    }
}

void SimInstrument::start(double now)
{
    if (sequence_.empty())
        sequence_ = {{1, 60, 120, 30000, 1}, {2, 60, 120, 10000, 1}};
    running_ = !options_.silent;
    startTime_ = now;
    sent_ = 0;
    total_ = 0;
    for (const auto &s : sequence_)
        total_ += std::max(0, s.time);
    temperature_ = 75.0;
    run_.clear();
}

std::string SimInstrument::recordText(int k)
{
    int remaining = k;
    const SimStep *step = &sequence_.back();
    int second = 0;
    for (const auto &s : sequence_) {
        if (remaining <= s.time) {
            step = &s;
            second = remaining;
            break;
        }
        remaining -= s.time;
    }
    temperature_ += (step->temperature - temperature_) * (1 - std::exp(-1.0 / 60.0));
    const double rpm = step->speedHundredths / 100.0;
    const RotorBob *rb = rotorBobByCode(step->rbCode);
    const double shearRate =
        rpm * formula::kShearPerRpm * (rb ? factorValue(rb->shearFactor) : 1.0);
    const int stress = fluidStress(shearRate, temperature_);
    const int gel = rpm <= 6 ? stress : 0;
    const long temp = std::lround(temperature_);
    RetrievedRecord rec{
        static_cast<double>(step->stepNo), static_cast<double>(second),
        static_cast<double>(temp),         static_cast<double>(stress),
        static_cast<double>(gel),          static_cast<double>(step->speedHundredths),
        static_cast<double>(step->rbCode)};
    // The instrument keeps a sample of the run for retrieval.
    if ((second == step->time || k % 30 == 0) && run_.size() < kMaxRetrievedRecords) {
        run_.push_back(rec);
    }
    std::string text;
    for (size_t i = 0; i < 7; ++i) {
        if (i)
            text.push_back(',');
        text += std::to_string(static_cast<long>(rec[i]));
    }
    text.push_back(cmd::RecordEnd);
    return text;
}

std::string SimInstrument::state() const
{
    std::string s = "running " + std::to_string(running_ ? 1 : 0) + " start " +
                    shortestText(startTime_) + " temperature " + shortestText(temperature_) + "\n";
    for (const SimStep &st : sequence_)
        s += "step " + std::to_string(st.stepNo) + " " + std::to_string(st.time) + " " +
             std::to_string(st.temperature) + " " + std::to_string(st.speedHundredths) + " " +
             std::to_string(st.rbCode) + "\n";
    return s;
}

bool SimInstrument::restore(const std::string &state)
{
    std::istringstream in(state);
    std::string word;
    int running = 0;
    double start = 0, temperature = 75;
    if (!(in >> word >> running >> word >> start >> word >> temperature))
        return false;
    std::vector<SimStep> steps;
    SimStep st;
    while (in >> word >> st.stepNo >> st.time >> st.temperature >> st.speedHundredths >> st.rbCode)
        if (word == "step" && steps.size() < 98)
            steps.push_back(st);
    sequence_ = steps;
    total_ = 0;
    for (const auto &s : sequence_)
        total_ += std::max(0, s.time);
    running_ = running == 1 && !sequence_.empty() && !options_.silent;
    startTime_ = start;
    temperature_ = temperature;
    resumed_ = running_;
    return true;
}

std::string SimInstrument::poll(double now)
{
    if (running_) {
        const double elapsed = (now - startTime_) * options_.rate;
        const int owed = std::min(total_, static_cast<int>(std::floor(elapsed)));
        if (resumed_) {
            sent_ = std::max(0, owed - 1);
            resumed_ = false;
        }
        std::uniform_real_distribution<double> chance(0, 1);
        std::uniform_int_distribution<int> byte(0, 255), length(1, 12);
        while (sent_ < owed) {
            out_ += recordText(++sent_);
            lastRecordTime_ = now;
            if (options_.noise > 0 && chance(rng_) < options_.noise) {
                const int n = length(rng_);
                for (int i = 0; i < n; ++i) {
                    char c = static_cast<char>(byte(rng_));
                    out_.push_back(c == cmd::TestEnd ? 'x' : c);
                }
            }
        }
        if (sent_ >= total_ && now - lastRecordTime_ >= kTestEndDelay) {
            out_.push_back(cmd::TestEnd);
            running_ = false;
            lastResult_ = run_;
        }
    }
    std::string out;
    out.swap(out_);
    return out;
}

std::string SimInstrument::headerBlock() const
{
    std::string h = options_.customFactor ? formatMask(*options_.customFactor, "0000") + "CUSTM"
                                          : std::string("K7400R V1.0 SIM");
    h.push_back(cmd::BlockEnd);
    return h;
}

std::string SimInstrument::dataBlock() const
{
    std::string d;
    for (const auto &r : lastResult_) {
        for (size_t i = 0; i < 7; ++i) {
            d += std::to_string(static_cast<long>(std::lround(r[i])));
            d.push_back(i == 6 ? ';' : ',');
        }
    }
    d.push_back(cmd::BlockEnd);
    return d;
}

} // namespace viscora::sim
