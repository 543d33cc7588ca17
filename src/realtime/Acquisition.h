#pragma once
// A real-time test's acquisition: start with its reply wait, the one-second poll that
// splits, checks, stores and charts the instrument's records, and stop. The window's
// timer and viscora-cli both drive it.

#include "core/Clock.h"
#include "core/DataRecord.h"
#include "core/LiveChart.h"
#include "device/Link.h"
#include "device/SerialPort.h"
#include "store/SequenceRepository.h"
#include "store/TestRepository.h"

#include <array>
#include <functional>
#include <string>

namespace viscora {

struct Module1;
class Prompter;

struct PollResult {
    int records = 0; // taken from the buffer this tick
    int stored = 0;  // rows written this tick
    bool charted = false;
    bool finished = false; // the instrument sent TestEnd
    bool failed = false;   // a database write failed; the test was stopped
};

class Acquisition {
public:
    Acquisition(Module1 &m, SerialPort &port, Clock &clock, TestRepository &repo,
                Prompter &prompter);

    // The sequence the instrument runs: each step's RecordRate decides which records are
    // stored.
    void setSteps(const std::vector<SequenceStep> &steps);
    // RecordRates: element r is the RecordRate of step r (elements 0..100).
    void setRecordRates(const std::vector<int> &ratesByStep);
    int recordRate(int step) const;

    // Whether Save Result As has named the coming test.
    void setNamed(bool named) { TestNamed = named; }
    bool named() const { return TestNamed; }
    bool running() const { return TestRunning; }
    // Back to the window's opening state: nothing named, nothing running.
    void reset();

    // Start: the three checks, the start byte and the reply wait. True when running.
    bool start();
    // One tick of the timer.
    PollResult poll();
    // Stop: CmdStop on the open port (opened when needed); ends a running test.
    void stop();

    std::string elapsedText() const { return elapsedTimeText(RecordsReceived); }
    // Seconds on the run's clock, continuing past midnight.
    double now() { return runClock_.now(); }
    int runTestId() const { return RunTestId; }
    long long recordsReceived() const { return RecordsReceived; }

    LiveChart chart;
    // Called for every stored row (the CLI prints them).
    std::function<void(const StoredPoint &)> onStored;
    std::function<void(const std::string &)> onStatus;

    // The fields of a record as they are stored.
    StoredPoint storedPoint(const RecordFields &f) const;

private:
    void endTest();

    Module1 &m_;
    SerialPort &port_;
    Clock &clock_;
    RunClock runClock_;
    TestRepository &repo_;
    Prompter &prompter_;
    RecordSplitter InBuffer;
    std::array<int, 101> RecordRates{};
    bool TestRunning = false;
    bool TestNamed = false;
    int RunTestId = 0;
    long long RecordsReceived = 0;
};

extern const char *const kNameFirstMessage;
extern const char *const kSendFirstMessage;

} // namespace viscora
