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

struct SimOptions {
    double rate = 1.0;               // simulated seconds per real second
    bool silent = false;             // never answers
    double noise = 0.0;              // chance of random bytes after a record
    std::optional<int> customFactor; // header marks a custom rotor-bob (thousandths)
    unsigned seed = 1;

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
    int recordsSent() const { return sent_; }
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
    bool resumed_ = false; // restored mid-test: the records owed so far were never heard
    std::vector<RetrievedRecord> run_;
    std::vector<RetrievedRecord> lastResult_;
    std::string out_;
};

// The fluid's shear stress in dyn/cm2 at a shear rate and temperature (Herschel-Bulkley,
// thinning as it warms), on the instrument's 5 dyn/cm2 resolution.
int fluidStress(double shearRate, double fahrenheit);

} // namespace viscora::sim
