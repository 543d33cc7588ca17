#pragma once
// A real-time test's acquisition: start with its reply wait, the one-second poll that
// splits, checks, stores and charts the instrument's records, and stop. The window's
// timer and viscora-cli both drive it.
//
// A running test outlasts what goes wrong around it: rows wait in memory while another
// program holds the database and are written when it frees; a silent or vanished instrument
// is reconnected to, and the gap is recorded; rows always land in their own test, found by
// name at every write, whatever renumbering happened meanwhile.

#include "core/Clock.h"
#include "core/DataRecord.h"
#include "core/LiveChart.h"
#include "core/StepTimeline.h"
#include "device/Link.h"
#include "device/SerialPort.h"
#include "store/FileIdentity.h"
#include "store/SequenceRepository.h"
#include "store/TestRecords.h"
#include "store/TestRepository.h"

#include <array>
#include <functional>
#include <optional>
#include <string>

namespace viscora {

struct Module1;
class Prompter;

struct PollResult {
    int records = 0; // taken from the buffer this tick
    int stored = 0;  // rows written this tick
    bool charted = false;
    bool finished = false; // the instrument ended the test (or its time is over)
    bool failed = false;   // a write failed or the instrument was given up: the test was stopped
    std::size_t held = 0;  // rows waiting in memory for the database
    bool connectionLost = false; // no record arrives: reconnecting
};

class Acquisition {
public:
    Acquisition(const Module1 &m, SerialPort &port, Clock &clock, TestRepository &repo,
                Prompter &prompter);

    // The sequence the instrument runs: each step's RecordRate decides which records are
    // stored, and the step times tell when the test is over.
    void setSteps(const std::vector<SequenceStep> &steps);
    // RecordRates: element r is the RecordRate of step r (elements 0..100).
    void setRecordRates(const std::vector<int> &ratesByStep);
    int recordRate(int step) const;

    // Whether Save Result As has named the coming test.
    void setNamed(bool named) { TestNamed = named; }
    bool named() const { return TestNamed; }
    // The name the test's rows are filed under; start refuses a run without one.
    void setTestName(const QString &name) { testName_ = name; }
    bool running() const { return TestRunning; }
    // Rows of an ended test, or the end of its recording mark, still wait for the database:
    // keep polling until they are written.
    bool holding() const { return !held_.empty() || marked_ || recordPending(); }
    std::size_t heldRows() const { return held_.size(); }
    // Seconds since the connection to the instrument was lost; nullopt while connected.
    std::optional<double> lostFor();
    // Records the line spoiled (they failed the record checks) in this run.
    long long spoiledRecords() const { return spoiled_; }
    // Back to the window's opening state: nothing named, nothing running.
    void reset();

    // Start: the three checks, the start byte and the reply wait. True when running.
    bool start();
    // One tick of the timer.
    PollResult poll();
    // Stop: CmdStop on the open port (opened when needed); ends a running test. False when the
    // instrument could not be told (shown, unless its connection was already known to be lost).
    bool stop();
    // Ends a run whose instrument did not come back; rows stored and held are kept.
    void giveUp();
    // How long a lost instrument is waited for before a poll gives the run up (and says so).
    static constexpr double kGiveUpAfter = 600; // s
    void setGiveUpAfter(double seconds) { giveUpAfter_ = seconds; }

    // The running test's time now, counted as its stored rows count it (the last stored row's
    // time and the seconds since it came): where a note made now goes.
    double runningTimeNow();
    // A note on the running test, filed by its name; refused when no test runs.
    Outcome addNote(double seconds, const QString &text);

    std::string elapsedText() const { return elapsedTimeText(RecordsReceived); }
    // Seconds on the run's clock, continuing past midnight.
    double now() { return runClock_.now(); }
    int runTestId() const { return RunTestId; }
    long long recordsReceived() const { return RecordsReceived; }

    LiveChart chart;
    // The wall clock a run's start and end are recorded by: UTC seconds since the epoch.
    std::function<double()> wallClock = utcNow;
    // The record of the run's start, and of its end, are still to be written.
    bool recordPending() const { return startRecord_.has_value() || endRecord_.has_value(); }

    // Called for every row once it is stored (the CLI prints them).
    std::function<void(const StoredPoint &)> onStored;
    // The status line: progress, rows held, a lost connection, the line's spoiled records.
    std::function<void(const std::string &)> onStatus;

    // The fields of a record as they are stored.
    StoredPoint storedPoint(const RecordFields &f) const;

    // Rows held while the database is busy, at most (a day and more at one row a second).
    static constexpr std::size_t kMaxHeldRows = 200000;
    // How long a tick waits for another program's lock before it holds its rows.
    static constexpr int kWriteWaitMs = 200;
    // Silence beyond a step's record interval that means the instrument is gone.
    static constexpr double kSilenceSeconds = 30;
    // An end byte before the sequence's time is over ends the test only when no record
    // follows it for this long; the end is due from this long before the sequence's time.
    static constexpr double kEndQuietSeconds = 5;
    static constexpr double kEndMarginSeconds = 10;

private:
    void status(const std::string &text);
    void endTest();
    // Whether the sequence's time is over (or unknown), so that an end byte is the end.
    bool endIsDue(double t) const;
    // A step of the sequence sent (any step when the sequence is unknown).
    bool knownStep(double step) const;
    void finishRun();
    void loseConnection();
    bool reconnect();
    // Writes what is known of the run once its rows are written; a busy database keeps it for
    // the next tick, any other failure drops it with a word in the status.
    void writeRecords();
    // Writes the held rows (and a pending gap event); false on a real write error.
    bool flush(PollResult &result);
    void failWrite(const DbResult &r, PollResult &result);
    // Marks the run as being recorded, so that nobody deletes it meanwhile, or renews the
    // mark when it is due. A busy database is tried again on the next tick.
    DbResult keepMarked();
    // Takes the mark away; a busy database keeps it for the next tick.
    void unmark();
    // The database file is no longer the one opened: the run stops without writing to it, and
    // its rows go to a file beside it, which the operator is told of. False while it is.
    bool fileChanged(PollResult &result);

    double giveUpAfter_ = kGiveUpAfter;
    const Module1 &m_;
    SerialPort &port_;
    Clock &clock_;
    RunClock runClock_;
    TestRepository &repo_;
    Prompter &prompter_;
    RecordSplitter InBuffer;
    std::array<int, 101> RecordRates{};
    std::vector<double> stepSeconds_;
    bool TestRunning = false;
    bool TestNamed = false;
    int RunTestId = 0;
    long long RecordsReceived = 0;
    QString testName_;
    QString runName_; // the name the running test's rows are filed under
    std::vector<StoredPoint> held_;
    bool waiting_ = false;             // the status says rows are held
    bool marked_ = false;              // the Recordings table holds this run
    std::optional<FileIdentity> file_; // the database file the run writes to
    std::vector<StoredPoint> runRows_; // every row of the run stored so far
    StepTimeline timeline_;
    double startedAt_ = 0, lastRecordAt_ = 0, lastBeat_ = 0;
    int currentStep_ = 1;
    long long spoiled_ = 0;
    std::optional<double> lostAt_;        // run-clock time the connection was lost
    std::optional<double> strayEndAt_;    // an early end byte came then; records may follow
    double lastBytesAt_ = 0;              // anything at all came from the line
    double lastValidAt_ = 0;              // a record that could be used came
    std::optional<TestEvent> pendingGap_; // the gap to record with the first row after it
    std::optional<TestRecord> startRecord_, endRecord_; // not written yet
    TestRecord startRecordWritten_;
    bool onRecord_ = false; // the running test's start is on record (or about to be)
    double gapFrom_ = 0;                  // time of day the last record came before a gap
    double lastStoredTime_ = 0, lastStoredAt_ = 0; // the last stored row's running time, and when
};

extern const char *const kNameFirstMessage;
extern const char *const kSendFirstMessage;
extern const char *const kConnectionLostStatus;
extern const char *const kNoRunningTestForNoteMessage;

} // namespace viscora
