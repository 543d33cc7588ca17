#include "cli/CliContext.h"

#include "realtime/Acquisition.h"
#include "calib/CalibrationCheck.h"
#include "directlog/DirectLog.h"
#include "device/Exchanges.h"
#include "store/CalibrationRecords.h"
#include "realtime/RealTestNaming.h"
#include "review/RelatedInfoEditor.h"
#include "review/RetrievedTest.h"
#include "setup/SequenceSend.h"
#include "core/VbFormat.h"

namespace viscora::cli {

volatile std::sig_atomic_t interrupted = 0;
void onInterrupt(int) { interrupted = 1; }

int cmdStart(Context &c, const Args &)
{
    const Outcome started = remoteStart(c.serial(), c.m.CommPort);
    return started ? 0 : c.failed(started.failure());
}

int cmdStop(Context &c, const Args &)
{
    const Outcome stopped = remoteStop(c.serial(), c.m.CommPort);
    return stopped ? 0 : c.failed(stopped.failure());
}

int cmdDownload(Context &c, const Args &a)
{
    const RotorBob *rb = nullptr;
    const auto seq = sequenceWithRotorBob(c, a, rb);
    if (!seq)
        return 1;
    const auto stored = SequenceRepository(*c.db).steps(seq->sequenceId);
    if (!stored)
        return c.failed(stored.error());
    ExchangeObserver observer;
    observer.progress = [&c](int value, int maximum) {
        if (value > 0)
            c.err << "\rSending step " << value << " of " << maximum << std::flush;
        else
            c.err << '\n';
    };
    auto sent = sendSequence(c.serial(), *c.clock, c.m, seq->name, *stored, c.prompter, observer);
    if (!sent)
        return 1;
    c.m.keepSent(std::move(*sent));
    c.out << "Sent " << stored->size() << " step(s) of " << a.positional[0] << " with " << rb->name
          << ".\n";
    return 0;
}

int cmdRetrieve(Context &c, const Args &a)
{
    // The name is checked as the dialog will check it, before the instrument is asked.
    const NewName kept = newName(QString::fromStdString(a.positional[0]), NameOf::Test);
    if (kept.failure)
        return c.failed(*kept.failure);
    const QString &name = kept.name;
    TestRepository repo(*c.db);
    const auto exists = repo.exists(name, Qt::CaseSensitive);
    if (!exists)
        return c.failed(exists.error());
    if (*exists)
        return c.failed(kDuplicatedTestName);
    const Retrieval retrieval = retrieveLastResult(c.serial(), *c.clock, c.m.CommPort);
    c.m.keepRetrieval(retrieval.headerAsked, retrieval.customFactor, retrieval.read());
    if (!retrieval.records)
        return c.failed(retrieval.records.failure());
    RelatedInfoEditor editor(repo, c.prompter, std::nullopt);
    const TestHeader header{name, QString::fromStdString(a.option("--fluid-id")),
                            QString::fromStdString(a.option("--sample-time")),
                            QString::fromStdString(a.option("--company")),
                            QString::fromStdString(a.option("--desc"))};
    const auto points = retrievedPoints(*retrieval.records, retrieval.customFactor);
    const auto stored = storeRetrievedTest(
        repo, c.prompter, points,
        [&] { return editor.ok(header) ? editor.created() : std::nullopt; },
        retrievedRecord(points, instrumentLabel(*c.db, c.m.CommPort, c.serial().deviceName()),
                        utcNow()));
    if (!stored)
        return 1;
    c.m.showRetrievedTest(stored->name.toStdString(), stored->id);
    TestReview review(c.m, *c.db, c.prompter);
    const bool shown = review.showNewTest();
    c.m.keep(review.takeChanges());
    if (!shown)
        return 1;
    printGrid(c, review.grid());
    return 0;
}

namespace {
constexpr const char *kFactors = "above 0 and at most 1000";
bool stressFactorFits(double v) { return v > 0 && v <= 1000; }
// One at or below 0 is the naming dialog's to refuse, in its own words.
bool rateFactorFits(double v) { return v <= 1000; }
bool reconnectTimeoutFits(double v) { return v >= 0 && v <= 86400; }
} // namespace

void checkRun(const Context &, const Args &a)
{
    if (a.has("--custom")) {
        numberArg("--custom STRESS_FACTOR", a.option("--custom", 0), kFactors, stressFactorFits);
        numberArg("--custom RATE_FACTOR", a.option("--custom", 1), kFactors, rateFactorFits);
    }
    if (a.has("--reconnect-timeout"))
        numberArg("--reconnect-timeout", a.option("--reconnect-timeout"),
                  "of seconds from 0 to 86400", reconnectTimeoutFits);
}

// Ranges the windows check are said in their words, once the value is known to be a number.
void checkLog(const Context &, const Args &a)
{
    for (const char *required : {"--speed", "--rate", "--file"})
        if (!a.has(required))
            throw Usage{std::string("log needs ") + required};
    numberArg("--speed", a.option("--speed"), "from 0 to 600 rpm");
    numberArg("--rate", a.option("--rate"), "of seconds from 1 to 6000");
    if (a.has("--seconds"))
        numberArg("--seconds", a.option("--seconds"), "of seconds, 0 or more", notNegative);
}

int cmdRun(Context &c, const Args &a)
{
    const RotorBob *rb = nullptr;
    const auto seq = sequenceWithRotorBob(c, a, rb);
    if (!seq)
        return 1;
    const auto steps = SequenceRepository(*c.db).steps(seq->sequenceId);
    if (!steps)
        return c.failed(steps.error());
    TestRepository tests(*c.db);
    RealTestName name;
    name.header = {
        QString::fromStdString(a.positional[1]), QString::fromStdString(a.option("--fluid-id")),
        QString::fromStdString(a.option("--sample-time")),
        QString::fromStdString(a.option("--company")), QString::fromStdString(a.option("--desc"))};
    name.custom = a.has("--custom");
    name.stressFactor = a.option("--custom", 0);
    name.rateFactor = a.option("--custom", 1);
    const double giveUpAfter = a.has("--reconnect-timeout")
                                   ? numberOf(a.option("--reconnect-timeout"))
                                   : Acquisition::kGiveUpAfter;
    // Named before anything is sent: a refused name or a locked database costs no download.
    RealTestNaming naming(tests, c.prompter);
    c.m.RelatedOk = true;
    if (naming.ok(name) != NamingOutcome::Created)
        return 1;
    const NamedRun &run = *naming.created();
    c.m.nameRun(run.id, run.custom);
    name.header.testName = run.name;
    auto sent = sendSequence(c.serial(), *c.clock, c.m, seq->name, *steps, c.prompter);
    if (!sent) {
        // The header was made for this run only; without its download there is no run. One left
        // behind would refuse the name next time, so its failure is said too.
        if (const DbResult removed = tests.deleteTest(name.header.testName); !removed)
            c.failed(removed.error);
        return 1;
    }
    c.m.keepSent(std::move(*sent));
    Acquisition acquisition(c.m, c.serial(), *c.clock, tests, c.prompter);
    acquisition.setGiveUpAfter(giveUpAfter);
    acquisition.setSteps(*steps);
    acquisition.setNamed(true);
    acquisition.setTestName(name.header.testName);
    acquisition.onStored = [&c](const StoredPoint &p) {
        c.out << p.stepNo << '\t' << shortestText(p.time) << '\t' << shortestText(p.temperature)
              << '\t' << shortestText(p.speed) << '\t' << shortestText(p.shearStress) << '\t'
              << shortestText(p.gel) << '\t' << shortestText(p.rbfactor) << '\n'
              << std::flush;
    };
    // What the window's status bar would say, on stderr as it changes.
    std::string said = "Test in progress ...";
    acquisition.onStatus = [&c, &said](const std::string &text) {
        if (text != said)
            c.err << text << '\n' << std::flush;
        said = text;
    };
    if (!acquisition.start())
        return 1;
    const InterruptGuard guard;
    int code = 0;
    while (acquisition.running() || acquisition.holding()) {
        BusyWait(*c.clock, 1.0f);
        if (interrupted && acquisition.running()) {
            interrupted = 0;
            // ^C ends the run even when the instrument cannot be told; that is a failure.
            if (!acquisition.stop()) {
                acquisition.giveUp();
                code = 1;
            }
            c.err << "Stopped: the rows stored so far are kept.\n";
            continue;
        }
        if (interrupted) { // rows still wait for a database that stays busy
            c.fail(kDatabaseErrorTitle, std::to_string(acquisition.heldRows()) +
                                            " rows could not be saved: the database stayed busy.");
            code = 1;
            break;
        }
        if (acquisition.poll().failed)
            code = 1;
    }
    return code;
}

int cmdLog(Context &c, const Args &a)
{
    if (!DirectLog::validSpeed(numberOf(a.option("--speed"))))
        return c.fail("Input Error", "Invalid Speed Entry! Please Try Again.");
    if (!DirectLog::validRate(numberOf(a.option("--rate"))))
        return c.fail("Input Error", "Invalid Record Rate Entry! Please Try Again.");
    const double seconds = a.has("--seconds") ? numberOf(a.option("--seconds")) : -1;
    DirectLog log(c.m, c.serial(), *c.clock, c.prompter);
    log.rateChanged(a.option("--rate"));
    if (!log.SendLogProgram(a.option("--speed")) || !log.run(a.option("--file")))
        return 1;
    log.startRecording();
    c.err << "Logging to " << log.dataPath() << (log.Recording ? "" : " (not recording)") << '\n';
    const InterruptGuard guard;
    bool ended = false;
    for (long elapsed = 0; !ended; ++elapsed) {
        if (interrupted || (seconds >= 0 && static_cast<double>(elapsed) >= seconds)) {
            log.stop();
            break;
        }
        BusyWait(*c.clock, 1.0f);
        ended = !log.poll();
    }
    return 0;
}

} // namespace viscora::cli
