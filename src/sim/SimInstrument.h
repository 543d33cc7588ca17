#pragma once
// A simulated K7400R: accepts downloads and commands, streams one DataRecord per
// (simulated) second while a test runs, keeps its last result for retrieval. It paces
// itself from the time it is given (records owed = elapsed / period - records sent), so it
// runs at full speed under a fake clock and in real time behind a pseudo-terminal.

#include "core/Protocol.h"

#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace viscora::sim {

struct SimStep {
    int stepNo = 0;
    int time = 0;        // s
    int temperature = 0; // degF
    int speedHundredths = 0;
    int rbCode = 1;
};

// A fluid of known parameters, so that an analysis of its records can be checked against them.
// The values are the option's, in its order and units: MU and MUINF in cP, TAU0 and TAUY in
// lb/100ft2, K in lbf.s^n/100ft2, N without unit.
struct Fluid {
    enum class Model { Newtonian, Bingham, PowerLaw, HerschelBulkley, Casson };
    Model model = Model::Newtonian;
    double a = 0, b = 0, c = 0; // newtonian MU; bingham TAU0,MU; power K,N; hb TAUY,K,N;
                                // casson TAU0,MUINF
};

// Gel strengths in lb/100ft2 after 10 s and after 10 min at rest.
struct Gel {
    double tenSeconds = 0, tenMinutes = 0;
};

// A record of a stored test to serve again, at its second of the test's running time.
struct ReplayRecord {
    double at = 0;
    RetrievedRecord fields{}; // step, time, temperature, stress, gel, speed (1/100 rpm), rotor-bob
};

struct SimOptions {
    double rate = 1.0;               // simulated seconds per real second
    bool silent = false;             // never answers
    double noise = 0.0;              // chance of random bytes after a record
    std::optional<int> customFactor; // header marks a custom rotor-bob (thousandths)
    unsigned seed = 1;
    std::optional<Fluid> fluid; // none: the built-in mud
    std::optional<Gel> gel;     // none: the gel column is the stress at 6 rpm and below
    // When not empty, a start serves these records (in order of `at`) instead of simulated
    // ones, whatever sequence was downloaded; the test ends after the last.
    std::vector<ReplayRecord> replay;
    double stressScale = 1.0;   // an instrument reading high (above 1) or low

    static SimOptions silentOne()
    {
        SimOptions o;
        o.silent = true;
        return o;
    }
};

class SimInstrument {
public:
    explicit SimInstrument(SimOptions options = {});

    // Bytes from the PC at time `now` (seconds, any origin, never going back).
    void receive(std::string_view bytes, double now);
    // Bytes the instrument has to send by time `now`.
    std::string poll(double now);

    const std::vector<SimStep> &sequence() const { return sequence_; }
    bool running() const { return running_; }
    const std::vector<RetrievedRecord> &lastResult() const { return lastResult_; }
    // The record the instrument reports at second `k` (1-based) of the loaded sequence.
    std::string recordText(int k);

    // The loaded sequence and a running test's start, as text. An instrument restored from it
    // goes on with the test from where its time is now, as a real one does while its cable is
    // out: the records of the meantime are not sent.
    std::string state() const;
    bool restore(const std::string &state);

private:
    void parseDownload();
    void start(double now);
    std::string headerBlock() const;
    // The record text of fields, sampled for retrieval at the step's last second or every 30th.
    std::string recordOf(const RetrievedRecord &fields, int k, bool stepEnd);
    std::string dataBlock() const;

    SimOptions options_;
    std::mt19937 rng_;
    std::vector<SimStep> sequence_;
    std::vector<SimStep> pendingDownload_;
    bool downloading_ = false;
    std::string downloadText_;
    bool running_ = false;
    double startTime_ = 0;
    int sent_ = 0;
    int total_ = 0;
    double lastRecordTime_ = 0;
    double temperature_ = 75.0;
    size_t peakStep_ = static_cast<size_t>(-1); // the step whose running peak peak_ holds
    int peak_ = 0;
    bool resumed_ = false; // restored mid-test: the records owed so far were never heard
    std::vector<RetrievedRecord> run_;
    std::vector<RetrievedRecord> lastResult_;
    std::string out_;
};

// The fluid's shear stress in dyn/cm2 at a shear rate and temperature (Herschel-Bulkley,
// thinning as it warms), on the instrument's 5 dyn/cm2 resolution.
int fluidStress(double shearRate, double fahrenheit);
// A known fluid's shear stress in dyn/cm2 at a shear rate (1/s): the same at any temperature,
// and in whole dyn/cm2 so that its parameters can be recovered closely.
int fluidStress(const Fluid &fluid, double shearRate);

// "newtonian:MU", "bingham:TAU0,MU", "power:K,N", "hb:TAUY,K,N" or "casson:TAU0,MUINF";
// nothing, and `error` naming the bad value, unless the whole text is the right count of finite
// numbers in range.
std::optional<Fluid> parseFluid(std::string_view text, std::string &error);
// "G10S,G10MIN" in lb/100ft2, both 0 or more and G10MIN at least G10S.
std::optional<Gel> parseGel(std::string_view text, std::string &error);
// The gel strength in lb/100ft2 after `restSeconds` at rest: G10S * t/10 up to 10 s, then
// growing with the log of the rest through G10MIN at 10 min and on beyond it.
double gelStrength(const Gel &gel, double restSeconds);

} // namespace viscora::sim
