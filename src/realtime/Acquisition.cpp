#include "realtime/Acquisition.h"

#include "core/DataRecord.h"
#include "core/Module1.h"
#include "core/Prompter.h"
#include "core/Protocol.h"
#include "core/Units.h"
#include "core/VbFormat.h"
#include "core/Version.h"
#include "device/Link.h"
#include "store/CalibrationRecords.h"
#include "store/Recordings.h"
#include "store/TestNotes.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <numeric>

namespace viscora {

const char *const kNameFirstMessage =
    "Please first name this test by clicking the 'Save Result As' button.";
const char *const kSendFirstMessage =
    "Please first go to Setup Screen to send the sequence to K7400r before your real time test.";
const char *const kConnectionLostStatus = "Connection to the instrument lost — reconnecting…";
const char *const kNoRunningTestForNoteMessage =
    "No test is running. A saved test takes notes in the main window: Analysis, Add Note.";

namespace {
constexpr const char *kInProgress = "Test in progress ...";
} // namespace

Acquisition::Acquisition(const Module1 &m, SerialPort &port, Clock &clock, TestRepository &repo,
                         Prompter &prompter)
    : m_(m), port_(port), clock_(clock), runClock_(clock), repo_(repo), prompter_(prompter)
{
    chart.Initial_chart(now());
}

void Acquisition::setSteps(const std::vector<SequenceStep> &steps)
{
    std::vector<int> rates;
    stepSeconds_.clear();
    for (const auto &s : steps) {
        rates.push_back(s.recordRate);
        stepSeconds_.push_back(s.time);
    }
    setRecordRates(rates);
}

void Acquisition::setRecordRates(const std::vector<int> &ratesByStep)
{
    RecordRates.fill(0);
    for (size_t r = 0; r < ratesByStep.size() && r + 1 < RecordRates.size(); ++r)
        RecordRates[r + 1] = ratesByStep[r];
}

int Acquisition::recordRate(int step) const
{
    return step >= 0 && step < static_cast<int>(RecordRates.size())
               ? RecordRates[static_cast<size_t>(step)]
               : 0;
}

void Acquisition::reset()
{
    TestRunning = false;
    TestNamed = false;
}

std::optional<double> Acquisition::lostFor()
{
    if (!lostAt_)
        return std::nullopt;
    return now() - *lostAt_;
}

void Acquisition::status(const std::string &text)
{
    if (onStatus)
        onStatus(text);
}

bool Acquisition::start()
{
    if (TestRunning)
        return true;
    RecordsReceived = 0;
    InBuffer.clear();
    if (!TestNamed || testName_.isEmpty()) {
        prompter_.message(kNameFirstMessage, "Communication Error");
        return false;
    }
    if (!m_.SequenceSent) {
        prompter_.message(kSendFirstMessage, "Operation Error");
        return false;
    }
    if (!m_.RelatedOk)
        return false;
    RunTestId = m_.NewTestId;
    runName_ = testName_;
    chart.Initial_chart(now());
    const Outcome started = startAndAwaitReply(
        port_, clock_, m_.CommPort, PortFailureWording::Comport, [this] { status(kInProgress); });
    if (!started) {
        show(prompter_, started.failure());
        return false;
    }
    chart.startAt(now());
    startedAt_ = lastRecordAt_ = lastBytesAt_ = lastValidAt_ = lastBeat_ = now();
    strayEndAt_.reset();
    currentStep_ = 1;
    spoiled_ = 0;
    lostAt_.reset();
    pendingGap_.reset();
    timeline_ = StepTimeline();
    lastStoredTime_ = 0;
    lastStoredAt_ = startedAt_;
    TestRunning = true;
    file_.emplace(repo_.database().path());
    runRows_.clear();
    if (const DbResult marked = keepMarked(); !marked && !marked.busy) {
        PollResult ignored;
        failWrite(marked, ignored);
        return false;
    }
    TestRecord run;
    run.kind = QStringLiteral("recorded");
    run.startedAt = wallClock();
    run.instrument = instrumentLabel(repo_.database(), m_.CommPort, port_.deviceName());
    run.operatorName = operatorName();
    if (m_.LastSentSequence) {
        run.sequenceName = QString::fromStdString(m_.LastSentSequence->name);
        run.steps = stepsText(m_.LastSentSequence->steps);
    }
    run.programVersion = QLatin1String(versionText());
    startRecord_ = run;
    endRecord_.reset();
    onRecord_ = true;
    writeRecords();
    return true;
}

void Acquisition::writeRecords()
{
    if (!held_.empty())
        return;
    for (std::optional<TestRecord> *pending : {&startRecord_, &endRecord_}) {
        if (!*pending)
            continue;
        if (pending == &endRecord_) {
            // The end restates the start, with what only the end knows.
            TestRecord ended = startRecordWritten_;
            ended.kind = QStringLiteral("ended");
            ended.endedAt = endRecord_->endedAt;
            ended.points = static_cast<long long>(runRows_.size());
            **pending = ended;
        }
        const DbResult r =
            TestRecords(repo_.database()).append(runName_, **pending, wallClock(), kWriteWaitMs);
        if (!r && r.busy)
            return;
        if (!r)
            status("What is known of the test could not be recorded: " + r.error.toStdString());
        if (pending == &startRecord_)
            startRecordWritten_ = **pending;
        pending->reset();
    }
}

StoredPoint Acquisition::storedPoint(const RecordFields &f) const
{
    if (!m_.CustomRb)
        return viscora::storedPoint(f, f[5] / 100, 1.0, std::nullopt);
    return viscora::storedPoint(f, f[5] / 100, m_.CustomStressFactor,
                                Int(m_.CustomRbFactor * 1000));
}

void Acquisition::endTest()
{
    if (TestRunning && onRecord_) {
        endRecord_ = TestRecord{};
        endRecord_->endedAt = wallClock();
    }
    onRecord_ = false;
    writeRecords();
    port_.close();
    if (marked_)
        unmark();
    else
        Recordings(repo_.database()).release(runName_);
    TestRunning = false;
    TestNamed = false;
    lostAt_.reset();
    if (spoiled_ > 0)
        status(std::to_string(spoiled_) + (spoiled_ == 1 ? " record was" : " records were") +
               " spoiled by line noise and skipped.");
}

void Acquisition::finishRun()
{
    endTest();
    prompter_.message("Test is finished.", "Message");
}

void Acquisition::loseConnection()
{
    if (!pendingGap_ || pendingGap_->time >= 0)
        gapFrom_ = clock_.secondsSinceMidnight() - (now() - lastRecordAt_);
    lostAt_ = now();
    port_.close();
    InBuffer.clear();
    // The gap's running time is known once the first row after it is stored.
    pendingGap_ = TestEvent{-1, QStringLiteral("gap"), {}};
    status(kConnectionLostStatus);
}

bool Acquisition::reconnect()
{
    initialCommport(port_, m_.CommPort);
    port_.setReadLength(0);
    if (!port_.open())
        return false;
    lostAt_.reset();
    lastRecordAt_ = lastBytesAt_ = lastValidAt_ = now();
    status(kInProgress);
    return true;
}

namespace {
// Where the rows of a run whose database went away are kept: beside the database when its
// folder is still there, else in the current folder; never over an earlier such file.
QString rescueFile(const QString &databasePath, const QString &testName)
{
    QString base = testName;
    for (QChar &c : base)
        if (!c.isLetterOrNumber() && c != QLatin1Char(' ') && c != QLatin1Char('-') &&
            c != QLatin1Char('_'))
            c = QLatin1Char('_');
    QDir dir = QFileInfo(databasePath).absoluteDir();
    if (!dir.exists())
        dir = QDir::current();
    QString path = dir.filePath(base + QStringLiteral(".rescued.csv"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(base + QStringLiteral(".rescued-%1.csv").arg(n));
    return path;
}

// The rows as comma-separated text under the table's column names; the reason when not kept.
std::optional<QString> writeRows(const QString &path, const std::vector<StoredPoint> &rows)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text))
        return f.errorString();
    QTextStream out(&f);
    out << "StepNo,Time,Temperature,Speed,Shearstress,Gel,Rbfactor\n";
    for (const StoredPoint &p : rows)
        out << QString::fromStdString(shortestText(static_cast<double>(p.stepNo))) << ','
            << QString::fromStdString(shortestText(p.time)) << ','
            << QString::fromStdString(shortestText(p.temperature)) << ','
            << QString::fromStdString(shortestText(p.speed)) << ','
            << QString::fromStdString(shortestText(p.shearStress)) << ','
            << QString::fromStdString(shortestText(p.gel)) << ','
            << QString::fromStdString(shortestText(p.rbfactor)) << '\n';
    out.flush();
    if (!f.commit())
        return f.errorString();
    return std::nullopt;
}
} // namespace

bool Acquisition::fileChanged(PollResult &result)
{
    if (!file_)
        return false;
    const std::optional<std::string> why = file_->change();
    if (!why)
        return false;
    result.failed = true;
    const bool wasRunning = TestRunning;
    const bool told = TestRunning && port_.isOpen() && port_.write(std::string(1, cmd::CmdStop));
    marked_ = false; // the mark was in the file that went
    std::vector<StoredPoint> rows = std::move(runRows_);
    rows.insert(rows.end(), held_.begin(), held_.end());
    held_.clear();
    runRows_.clear();
    pendingGap_.reset();
    file_.reset();
    // Nothing more goes into whatever is there now.
    onRecord_ = false;
    startRecord_.reset();
    endTest();
    InBuffer.clear();
    const QString path = rescueFile(repo_.database().path(), runName_);
    const std::optional<QString> unwritten = writeRows(path, rows);
    std::string text = "The database file was " + *why + " while the test was recorded";
    text += wasRunning ? (told ? ": the test was stopped"
                               : ": the test could not be stopped (stop it "
                                 "on the instrument itself)")
                       : "";
    text += unwritten ? ", and its " + std::to_string(rows.size()) +
                            " rows could not be kept: " + unwritten->toStdString() + "."
                      : ". Its " + std::to_string(rows.size()) + " rows are kept in " +
                            path.toStdString() + ".";
    prompter_.message(text, kDatabaseErrorTitle);
    return true;
}

bool Acquisition::endIsDue(double t) const
{
    const double total = std::accumulate(stepSeconds_.begin(), stepSeconds_.end(), 0.0);
    return stepSeconds_.empty() || t - startedAt_ >= total - kEndMarginSeconds;
}

bool Acquisition::knownStep(double step) const
{
    return stepSeconds_.empty() || step <= static_cast<double>(stepSeconds_.size());
}

DbResult Acquisition::keepMarked()
{
    Recordings recordings(repo_.database());
    if (!marked_) {
        const DbResult r = recordings.begin(runName_, kWriteWaitMs);
        if (r) {
            marked_ = true;
            lastBeat_ = now();
        }
        return r;
    }
    if (now() - lastBeat_ < Recordings::kBeatSeconds)
        return {};
    const DbResult r = recordings.beat(runName_, kWriteWaitMs);
    if (r)
        lastBeat_ = now();
    return r;
}

void Acquisition::unmark()
{
    const DbResult r = Recordings(repo_.database()).end(runName_, kWriteWaitMs);
    if (r || !r.busy)
        marked_ = false;
    if (!r && !r.busy)
        status("The test's recording mark could not be removed: " + r.error.toStdString() +
               "; it lapses in " + std::to_string(static_cast<int>(Recordings::kStaleSeconds)) +
               " s.");
}

void Acquisition::failWrite(const DbResult &r, PollResult &result)
{
    result.failed = true;
    const bool told = TestRunning && port_.isOpen() && port_.write(std::string(1, cmd::CmdStop));
    const bool wasRunning = TestRunning;
    endTest();
    InBuffer.clear();
    const std::vector<StoredPoint> unsaved = std::move(held_);
    held_.clear();
    pendingGap_.reset();
    std::string text;
    if (wasRunning && told)
        text = "The test could not be saved and was stopped: " + r.error.toStdString();
    else if (wasRunning)
        text = "The test could not be saved: " + r.error.toStdString() +
               ". The instrument could not be told to stop: stop the test on the instrument "
               "itself.";
    else
        text = std::to_string(unsaved.size()) +
               " rows of the test could not be saved: " + r.error.toStdString();
    // The rows the instrument sent are not lost with the database.
    if (!unsaved.empty()) {
        const QString path = rescueFile(repo_.database().path(), runName_);
        const std::string rows =
            unsaved.size() == 1 ? "The row not saved is"
                                : "The " + std::to_string(unsaved.size()) + " rows not saved are";
        const std::optional<QString> unwritten = writeRows(path, unsaved);
        text += (text.back() == '.' ? " " : ". ") + rows +
                (unwritten ? " lost: " + unwritten->toStdString() + "."
                           : " kept in " + path.toStdString() + ".");
    }
    prompter_.message(text, kDatabaseErrorTitle);
}

bool Acquisition::flush(PollResult &result)
{
    if (!held_.empty()) {
        const DbResult r = repo_.storePoints(runName_, held_, kWriteWaitMs);
        if (!r) {
            if (r.busy && held_.size() <= kMaxHeldRows) {
                status("Waiting for the database: " + std::to_string(held_.size()) + " rows held");
                waiting_ = true;
                result.held = held_.size();
                return true;
            }
            failWrite(r, result);
            return false;
        }
        result.stored += static_cast<int>(held_.size());
        runRows_.insert(runRows_.end(), held_.begin(), held_.end());
        if (onStored)
            for (const auto &p : held_)
                onStored(p);
        held_.clear();
        if (waiting_ && TestRunning && !lostAt_)
            status(kInProgress);
        waiting_ = false;
    }
    if (pendingGap_ && pendingGap_->time >= 0) {
        const DbResult r = repo_.addEvent(runName_, *pendingGap_, kWriteWaitMs);
        if (r)
            pendingGap_.reset();
        else if (!r.busy) {
            failWrite(r, result);
            return false;
        }
    }
    result.held = held_.size();
    writeRecords();
    return true;
}

PollResult Acquisition::poll()
{
    PollResult result;
    if ((TestRunning || !held_.empty()) && fileChanged(result))
        return result;
    if (!TestRunning) {
        flush(result);
        if (marked_ && held_.empty())
            unmark();
        return result;
    }
    if (lostAt_ && !reconnect()) {
        result.connectionLost = true;
        if (now() - *lostAt_ > giveUpAfter_) {
            giveUp();
            prompter_.message("The instrument did not come back within " +
                                  shortestText(giveUpAfter_) +
                                  " s; the run is given up. The rows stored so far are kept.",
                              kCommunicationErrorTitle);
            result.failed = true;
        }
        flush(result);
        return result;
    }
    const double t = now();
    // The end byte, last in what came (noise before it is noise). Before the sequence's time is
    // over it may be a stray byte the line made: the records that follow it tell.
    if (InBuffer.endsWithTestEnd()) {
        InBuffer.clear();
        if (endIsDue(t)) {
            port_.close();
            finishRun();
            result.finished = true;
            flush(result);
            return result;
        }
        if (!strayEndAt_)
            strayEndAt_ = t;
    }
    const std::string bytes = port_.readAll();
    if (!bytes.empty())
        lastBytesAt_ = t;
    InBuffer.append(bytes);
    if (port_.broken()) {
        loseConnection();
        result.connectionLost = true;
        flush(result);
        return result;
    }
    while (auto record = InBuffer.next()) {
        const std::optional<RecordFields> read = readRecord(*record);
        const RecordFields f = read.value_or(RecordFields{});
        ++result.records;
        lastRecordAt_ = t;
        if (read && isValidRecord(f) && isPhysicalRecord(f) && knownStep(f[0])) {
            lastValidAt_ = t;
            if (strayEndAt_) {
                // Records go on: the end byte was the line's.
                strayEndAt_.reset();
                ++spoiled_;
            }
            const int step = static_cast<int>(f[0]);
            currentStep_ = step;
            const int rate = step <= 100 ? recordRate(step) : 0;
            if (rate > 0 && RecordsReceived % rate == 0 && f[6] >= 1 && f[6] < 7) {
                const StoredPoint p = storedPoint(f);
                const double at = timeline_.at(p.stepNo, p.time);
                if (pendingGap_ && pendingGap_->time < 0) {
                    pendingGap_->time = at;
                    pendingGap_->text = QString::fromStdString(
                        "No record reached the program from " + clockText(gapFrom_) + " to " +
                        clockText(clock_.secondsSinceMidnight()) + ".");
                }
                held_.push_back(p);
                lastStoredTime_ = at;
                lastStoredAt_ = t;
            }
            const LiveValues v = liveValues(f, m_.rotorBob(), m_.CustomStressFactor);
            chart.markStep(t, step, f[5] / 100);
            chart.add(t, v.stress, v.viscosity, v.temperature);
            result.charted = true;
        } else {
            ++spoiled_;
        }
        ++RecordsReceived;
    }
    if (strayEndAt_ && t - *strayEndAt_ >= kEndQuietSeconds) {
        // Nothing after it: the instrument did end the test early (stopped at its keys).
        port_.close();
        finishRun();
        result.finished = true;
    } else if (t - lastValidAt_ > kSilenceSeconds + recordRate(currentStep_)) {
        const double total = std::accumulate(stepSeconds_.begin(), stepSeconds_.end(), 0.0);
        if (!stepSeconds_.empty() && t - startedAt_ >= total) {
            // No record once the sequence's time is over is its end, whose byte the line lost.
            finishRun();
            result.finished = true;
        } else if (t - lastBytesAt_ > kSilenceSeconds + recordRate(currentStep_)) {
            loseConnection();
            result.connectionLost = true;
        } else {
            // The line still brings bytes, none of them a record: noise, not a lost instrument.
            status("Only line noise from the instrument: no record for " +
                   std::to_string(static_cast<long long>(t - lastValidAt_)) + " s.");
        }
    }
    if (!flush(result))
        return result;
    if (TestRunning) {
        if (const DbResult marked = keepMarked(); !marked && !marked.busy)
            failWrite(marked, result);
    }
    return result;
}

bool Acquisition::stop()
{
    if (lostAt_ && TestRunning) {
        // The instrument is gone: the run ends here all the same, its rows kept.
        const bool told = sendStop(port_, m_.CommPort);
        InBuffer.clear();
        endTest();
        return told;
    }
    if (!sendStop(port_, m_.CommPort)) {
        show(prompter_, portFailure(PortFailureWording::Comport, port_));
        return false;
    }
    if (TestRunning) {
        InBuffer.clear();
        port_.setReadLength(0);
        endTest();
    }
    return true;
}

void Acquisition::giveUp()
{
    InBuffer.clear();
    endTest();
}

double Acquisition::runningTimeNow()
{
    return TestRunning ? lastStoredTime_ + std::max(0.0, now() - lastStoredAt_) : 0;
}

Outcome Acquisition::addNote(double seconds, const QString &text)
{
    if (!TestRunning)
        return Failure{kNoRunningTestForNoteMessage, kNotesTitle, {}};
    Outcome added = viscora::addNote(repo_, runName_, seconds, text, kWriteWaitMs);
    if (added)
        chart.notes.push_back({lastStoredAt_ + (seconds - lastStoredTime_),
                               text.trimmed().toStdString(), TimeMarkKind::Note});
    return added;
}

} // namespace viscora
