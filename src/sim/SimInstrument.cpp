#include "sim/SimInstrument.h"

#include "core/Units.h"
#include "core/VbFormat.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <span>
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

// A low-speed step after a rest starts at the gel and is back at the flow stress this many
// seconds later, as a broken gel is.
constexpr double kGelBreakSeconds = 5;
constexpr double kGelMaxRpm = 6;

// The option's units in the protocol's: lb/100ft2 -> dyn/cm2, cP -> poise.
double dynFromEI(double lbPer100ft2) { return formula::stressFromEI(lbPer100ft2); }
constexpr double kPoisePerCp = 0.01;

std::vector<RetrievedRecord> defaultResult(const std::optional<Fluid> &fluid)
{
    // A six-speed rheology test at 120 degF, as the instrument holds it out of the box.
    std::vector<RetrievedRecord> r;
    const int speeds[] = {600, 300, 200, 100, 6, 3};
    int step = 1;
    for (int s : speeds) {
        const double rate = s * formula::kShearPerRpm;
        const int stress = fluid ? fluidStress(*fluid, rate) : fluidStress(rate, 120);
        const double gel = s > 6 ? 0.0 : fluid ? stress : 25.0;
        r.push_back({static_cast<double>(step++), 60, 120, static_cast<double>(stress), gel,
                     static_cast<double>(s * 100), 1});
    }
    return r;
}

struct ModelText {
    std::string_view key;
    Fluid::Model model;
    std::array<std::string_view, 3> names;
    size_t count;
};
constexpr ModelText kModels[] = {
    {"newtonian", Fluid::Model::Newtonian, {"MU"}, 1},
    {"bingham", Fluid::Model::Bingham, {"TAU0", "MU"}, 2},
    {"power", Fluid::Model::PowerLaw, {"K", "N"}, 2},
    {"hb", Fluid::Model::HerschelBulkley, {"TAUY", "K", "N"}, 3},
    {"casson", Fluid::Model::Casson, {"TAU0", "MUINF"}, 2},
};

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// The comma-separated numbers of `text`, exactly `names.size()` of them, each finite and in
// the range its name stands for.
bool parseNumbers(std::string_view text, std::span<const std::string_view> names, double *out,
                  std::string &error)
{
    std::vector<std::string_view> fields;
    for (size_t from = 0;;) {
        const size_t comma = text.find(',', from);
        fields.push_back(text.substr(from, comma == std::string_view::npos ? comma : comma - from));
        if (comma == std::string_view::npos)
            break;
        from = comma + 1;
    }
    if (fields.size() != names.size()) {
        std::string list;
        for (std::string_view n : names)
            list += (list.empty() ? "" : ",") + std::string(n);
        error = "expected " + std::to_string(names.size()) + " value" +
                (names.size() == 1 ? "" : "s") + " (" + list + "), not " +
                std::to_string(fields.size()) + ": " + quoted(text);
        return false;
    }
    for (size_t i = 0; i < fields.size(); ++i) {
        const std::string_view field = fields[i], name = names[i];
        double v = 0;
        const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), v);
        if (field.empty() || ec != std::errc() || end != field.data() + field.size() ||
            !std::isfinite(v)) {
            error = std::string(name) + " " + quoted(field) + " is not a finite number";
            return false;
        }
        const char *range = nullptr;
        if (name == "N") {
            if (!(v > 0 && v <= 3))
                range = "must be above 0 and at most 3";
        } else if (name == "MU" || name == "MUINF" || name == "K") {
            if (!(v > 0))
                range = "must be above 0";
        } else if (!(v >= 0)) {
            range = "must be 0 or more";
        }
        if (range) {
            error = std::string(name) + " " + quoted(field) + " " + range;
            return false;
        }
        out[i] = v;
    }
    return true;
}
} // namespace

int fluidStress(double shearRate, double fahrenheit)
{
    // A water-based mud: at 120 degF about PV 19 cP, YP 12 lb/100ft2, n 0.69; thinner warm.
    const double tau0 = 20, k = 1.2 * std::exp(-0.01 * (fahrenheit - 120)), n = 0.76;
    const double stress = tau0 + k * std::pow(std::max(0.0, shearRate), n);
    return static_cast<int>(std::lround(stress / 5.0)) * 5;
}

int fluidStress(const Fluid &f, double shearRate)
{
    const double g = std::max(0.0, shearRate);
    double stress = 0;
    switch (f.model) {
    case Fluid::Model::Newtonian:
        stress = f.a * kPoisePerCp * g;
        break;
    case Fluid::Model::Bingham:
        stress = dynFromEI(f.a) + f.b * kPoisePerCp * g;
        break;
    case Fluid::Model::PowerLaw:
        stress = dynFromEI(f.a) * std::pow(g, f.b);
        break;
    case Fluid::Model::HerschelBulkley:
        stress = dynFromEI(f.a) + dynFromEI(f.b) * std::pow(g, f.c);
        break;
    case Fluid::Model::Casson: {
        const double root = std::sqrt(dynFromEI(f.a)) + std::sqrt(f.b * kPoisePerCp * g);
        stress = root * root;
        break;
    }
    }
    return static_cast<int>(std::lround(stress));
}

std::optional<Fluid> parseFluid(std::string_view text, std::string &error)
{
    const size_t colon = text.find(':');
    const std::string_view key = text.substr(0, colon);
    for (const ModelText &m : kModels) {
        if (key != m.key)
            continue;
        if (colon == std::string_view::npos) {
            error = "no values after " + quoted(key) + " (" + quoted(text) + ")";
            return std::nullopt;
        }
        double v[3] = {0, 0, 0};
        if (!parseNumbers(text.substr(colon + 1), std::span(m.names).first(m.count), v, error))
            return std::nullopt;
        return Fluid{m.model, v[0], v[1], v[2]};
    }
    error = "unknown model " + quoted(key) + " (newtonian, bingham, power, hb or casson)";
    return std::nullopt;
}

std::optional<Gel> parseGel(std::string_view text, std::string &error)
{
    static constexpr std::string_view names[] = {"G10S", "G10MIN"};
    double v[2] = {0, 0};
    if (!parseNumbers(text, names, v, error))
        return std::nullopt;
    if (v[1] < v[0]) {
        error = "G10MIN " + quoted(text.substr(text.find(',') + 1)) + " is below G10S " +
                quoted(text.substr(0, text.find(',')));
        return std::nullopt;
    }
    return Gel{v[0], v[1]};
}

double gelStrength(const Gel &gel, double restSeconds)
{
    const double t = std::max(0.0, restSeconds);
    if (t < 10)
        return gel.tenSeconds * t / 10;
    return gel.tenSeconds + (gel.tenMinutes - gel.tenSeconds) * std::log(t / 10) / std::log(60.0);
}

SimInstrument::SimInstrument(SimOptions options)
    : options_(options), rng_(options.seed), lastResult_(defaultResult(options.fluid))
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
    if (!options_.replay.empty())
        total_ = static_cast<int>(options_.replay.size());
    temperature_ = 75.0;
    peakStep_ = static_cast<size_t>(-1);
    run_.clear();
}

std::string SimInstrument::recordText(int k)
{
    const auto &replay = options_.replay;
    if (!replay.empty()) {
        const auto i = static_cast<std::size_t>(std::clamp(k, 1, static_cast<int>(replay.size())));
        const bool stepEnd = i == replay.size() || replay[i].fields[0] != replay[i - 1].fields[0];
        return recordOf(replay[i - 1].fields, k, stepEnd);
    }
    int remaining = k;
    size_t index = sequence_.size() - 1;
    int second = 0;
    for (size_t i = 0; i < sequence_.size(); ++i) {
        if (remaining <= sequence_[i].time) {
            index = i;
            second = remaining;
            break;
        }
        remaining -= sequence_[i].time;
    }
    const SimStep *step = &sequence_[index];
    temperature_ += (step->temperature - temperature_) * (1 - std::exp(-1.0 / 60.0));
    const double rpm = step->speedHundredths / 100.0;
    const RotorBob *rb = rotorBobByCode(step->rbCode);
    const double shearRate =
        rpm * formula::kShearPerRpm * (rb ? factorValue(rb->shearFactor) : 1.0);
    const int flow =
        static_cast<int>(std::lround((options_.fluid ? fluidStress(*options_.fluid, shearRate)
                                                     : fluidStress(shearRate, temperature_)) *
                                     options_.stressScale));
    int stress = flow;
    int gel = rpm <= kGelMaxRpm ? stress : 0;
    if (options_.gel) {
        // Speeds are held in hundredths, so a rest is a speed of 0.
        auto resting = [](const SimStep &s) { return s.speedHundredths <= 0; };
        double rest = 0;
        for (size_t i = index; i > 0 && resting(sequence_[i - 1]); --i)
            rest += std::max(0, sequence_[i - 1].time);
        gel = 0;
        if (resting(*step)) {
            stress = 0;
        } else if (rpm <= kGelMaxRpm && rest > 0) {
            // A gel in lb/100ft2 is a dial reading, as labs report it, not a true stress.
            const double strength = gelStrength(*options_.gel, rest) * formula::kDialDivisor;
            const double left = std::clamp(1 - (second - 1) / kGelBreakSeconds, 0.0, 1.0);
            stress = static_cast<int>(std::lround(flow + std::max(0.0, strength - flow) * left));
            peak_ = peakStep_ == index ? std::max(peak_, stress) : stress;
            peakStep_ = index;
            gel = peak_;
        }
    }
    const long temp = std::lround(temperature_);
    const RetrievedRecord rec{
        static_cast<double>(step->stepNo), static_cast<double>(second),
        static_cast<double>(temp),         static_cast<double>(stress),
        static_cast<double>(gel),          static_cast<double>(step->speedHundredths),
        static_cast<double>(step->rbCode)};
    return recordOf(rec, k, second == step->time);
}

std::string SimInstrument::recordOf(const RetrievedRecord &rec, int k, bool stepEnd)
{
    // The instrument keeps a sample of the run for retrieval.
    if ((stepEnd || k % 30 == 0) && run_.size() < kMaxRetrievedRecords)
        run_.push_back(rec);
    std::string text;
    for (size_t i = 0; i < 7; ++i) {
        if (i)
            text.push_back(',');
        text += std::to_string(std::lround(rec[i]));
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
    peakStep_ = static_cast<size_t>(-1);
    resumed_ = running_;
    return true;
}

std::string SimInstrument::poll(double now)
{
    if (running_) {
        const double elapsed = (now - startTime_) * options_.rate;
        int owed = std::min(total_, static_cast<int>(std::floor(elapsed)));
        if (!options_.replay.empty())
            owed = static_cast<int>(
                std::upper_bound(options_.replay.begin(), options_.replay.end(), elapsed,
                                 [](double t, const ReplayRecord &r) { return t < r.at; }) -
                options_.replay.begin());
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
