#include "Cli.h"

#include "ChartView.h"
#include "CliPrompter.h"
#include "Database.h"
#include "Module1.h"
#include "CalibrationCheck.h"
#include "DirectLog.h"
#include "Exchanges.h"
#include "Exports.h"
#include "TestReport.h"
#include "Link.h"
#include "PortMap.h"
#include "QtSerialPortDevice.h"
#include "Acquisition.h"
#include "RealTestNaming.h"
#include "RelatedInfoEditor.h"
#include "StepDialogLogic.h"
#include "VbFormat.h"
#include "RetrievedTest.h"
#include "SequenceOperations.h"
#include "SequenceRepository.h"
#include "SetupGrid.h"
#include "TestReview.h"
#include "Units.h"

#include <QDir>
#include <QPdfWriter>
#include <QFileInfo>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <map>

namespace viscora {

const char *const kCliUsage =
    "usage: viscora-cli [--db FILE] [--si] [--port DEVICE] COMMAND [ARGS]\n"
    "\n"
    "  --db FILE      the database (default: k7400r.mdb in the current folder, in any letter\n"
    "                 case; created with its tables when missing)\n"
    "  --si           SI units (degC, dyn/cm2) instead of EI (degF, lb/100ft2)\n"
    "  --port DEVICE  the instrument's serial device (default /dev/ttyS0, \"Comm 1\")\n"
    "\n"
    "commands:\n"
    "  tests                      one line per saved test: TestId<TAB>TestName\n"
    "  show TEST                  the test's grid as tab-separated text\n"
    "  delete TEST                delete a test and renumber the others\n"
    "  chart TEST TYPE FILE.png   chart type TYPE (0 to 9) of TEST as an image\n"
    "  start                      start the downloaded sequence on the instrument\n"
    "  stop                       stop the test running on the instrument\n"
    "  download SEQUENCE [--rotor-bob NAME]\n"
    "                             send a sequence (rotor-bob default: the sequence's own)\n"
    "  retrieve TEST [--fluid-id S] [--sample-time S] [--company S] [--desc S]\n"
    "                             store the instrument's last result as TEST\n"
    "  sequences                  one line per sequence: SequenceId<TAB>SequenceName<TAB>Rbfactor\n"
    "  new-sequence NAME [--rotor-bob NAME] [TIME,TEMP,SPEED,RATE ...]\n"
    "                             a new sequence with these steps (temperature in the unit\n"
    "                             system; without steps, the default step)\n"
    "  steps SEQUENCE [--rotor-bob NAME]\n"
    "                             the sequence's steps as the setup window shows them\n"
    "  export TEST FILE.xlsx      the test as a workbook (units as --si says)\n"
    "  cement TEST FILE.xlsx      the cement lab workbook of dial readings\n"
    "  report TEST FILE.pdf       the printed test report (stored units)\n"
    "  calibrate VISCOSITY        a calibration check with a fluid of VISCOSITY cP; prints\n"
    "                             expected stress, error and percent per reference stress\n"
    "  log --speed RPM --rate S --file NAME [--seconds N]\n"
    "                             a direct log, recording from the start, until N seconds,\n"
    "                             the instrument's end, or ^C\n"
    "  run SEQUENCE TEST [--fluid-id S] [--sample-time S] [--company S] [--desc S]\n"
    "      [--custom STRESS_FACTOR RATE_FACTOR] [--rotor-bob NAME]\n"
    "                             download, name, start and record a real-time test, one\n"
    "                             line per stored row, until the instrument ends it or ^C\n";

namespace {

struct Usage {
    std::string message;
};

volatile std::sig_atomic_t interrupted = 0;
void onInterrupt(int) { interrupted = 1; }


struct Args {
    std::vector<std::string> positional;
    std::map<std::string, std::vector<std::string>> options;
    std::string option(const std::string &name, size_t i = 0) const
    {
        const auto it = options.find(name);
        return it == options.end() || i >= it->second.size() ? std::string() : it->second[i];
    }
    bool has(const std::string &name) const { return options.count(name) > 0; }
};

struct OptionDef {
    std::string name;
    size_t values = 1;
};

struct Context {
    Module1 m;
    std::unique_ptr<Database> db;
    std::ostream &out;
    std::ostream &err;
    CliPrompter prompter;
    PortMap ports;
    SystemClock systemClock;
    std::unique_ptr<SerialPort> ownPort;
    Clock *clock = &systemClock;
    SerialPort *port = nullptr;

    Context(std::ostream &o, std::ostream &e) : out(o), err(e), prompter(e) {}

    Prompter &ask() { return prompter; }
    int fail(const std::string &title, const std::string &message)
    {
        ask().message(message, title);
        return 1;
    }
    SerialPort &serial()
    {
        if (!port) {
            ownPort = std::make_unique<QtSerialPortDevice>(ports);
            port = ownPort.get();
        }
        return *port;
    }
};

using Command = std::function<int(Context &, const Args &)>;

struct CommandDef {
    size_t minPositional;
    size_t maxPositional;
    std::vector<OptionDef> options;
    Command run;
};

bool requireTest(Context &c, const QString &name)
{
    TestRepository repo(*c.db);
    if (repo.testId(name))
        return true;
    c.fail("Selection Error.", "No saved test is named \"" + name.toStdString() + "\".");
    return false;
}

int cmdTests(Context &c, const Args &)
{
    TestRepository repo(*c.db);
    for (const auto &t : repo.tests())
        c.out << t.testId << '\t' << t.testName.toStdString() << '\n';
    return 0;
}

// A two-line header as one line: each line trimmed, joined by one blank.
std::string joinedHeader(const QString &header)
{
    QStringList lines = header.split(QLatin1Char('\n'));
    for (QString &l : lines)
        l = l.trimmed();
    return lines.join(QLatin1Char(' ')).toStdString();
}

void printGrid(Context &c, const TestGridModel &grid)
{
    const QStringList headers = gridHeaders(c.m.isSI());
    for (int col = 0; col < headers.size(); ++col)
        c.out << (col ? "\t" : "") << joinedHeader(headers[col]);
    c.out << '\n';
    for (int r = 0; r < grid.rowCount(); ++r) {
        for (int col = 0; col < 10; ++col)
            c.out << (col ? "\t" : "") << grid.cellText(r, col).toStdString();
        c.out << '\n';
    }
}

int cmdShow(Context &c, const Args &a)
{
    const QString name = QString::fromStdString(a.positional[0]);
    if (!requireTest(c, name))
        return 1;
    TestReview review(c.m, *c.db, c.prompter);
    c.m.CurrentTestName = a.positional[0];
    review.openCurrentTest();
    printGrid(c, review.grid());
    return 0;
}

int cmdDelete(Context &c, const Args &a)
{
    const QString name = QString::fromStdString(a.positional[0]);
    if (!requireTest(c, name))
        return 1;
    TestRepository repo(*c.db);
    const DbResult r = repo.deleteTest(name);
    if (!r)
        return c.fail("Database Error", "The test could not be deleted: " + r.error.toStdString());
    return 0;
}

int cmdChart(Context &c, const Args &a)
{
    const QString name = QString::fromStdString(a.positional[0]);
    const std::string &typeText = a.positional[1];
    char *end = nullptr;
    const long type = std::strtol(typeText.c_str(), &end, 10);
    if (typeText.empty() || *end || type < 0 || type > 9)
        throw Usage{"TYPE must be a chart type from 0 to 9"};
    if (!requireTest(c, name))
        return 1;
    TestReview review(c.m, *c.db, c.prompter);
    c.m.CurrentTestName = a.positional[0];
    review.openCurrentTest();
    review.selectChartType(static_cast<int>(type));
    ChartView view;
    view.resize(900, 600);
    view.redraw(review.chart());
    if (!view.grab().save(QString::fromStdString(a.positional[2]), "PNG"))
        return c.fail("File Error", "The image could not be written to " + a.positional[2] + ".");
    return 0;
}

// Opens a test as the main window does; nullptr (reported) when there is none.
std::unique_ptr<TestReview> openTest(Context &c, const std::string &name)
{
    if (!requireTest(c, QString::fromStdString(name)))
        return nullptr;
    auto review = std::make_unique<TestReview>(c.m, *c.db, c.prompter);
    c.m.CurrentTestName = name;
    review->openCurrentTest();
    return review;
}

template <typename Writer> int exportWorkbook(Context &c, const Args &a, Writer write)
{
    const auto review = openTest(c, a.positional[0]);
    if (!review)
        return 1;
    const ExportInput in = exportInput(*review, c.m);
    const ExportResult r = write(a.positional[1], in, {});
    if (!r.ok)
        return c.fail("Export Error", "The workbook could not be saved to " + a.positional[1] + ": " + r.error);
    c.out << "Wrote " << a.positional[1] << " (" << in.rows->size() << " points).\n";
    return 0;
}

int cmdExport(Context &c, const Args &a) { return exportWorkbook(c, a, writeTestWorkbook); }
int cmdCement(Context &c, const Args &a) { return exportWorkbook(c, a, writeCementWorkbook); }

int cmdReport(Context &c, const Args &a)
{
    const auto review = openTest(c, a.positional[0]);
    if (!review)
        return 1;
    const auto report = loadReport(*c.db, review->CurrentTestId, c.m.RbIndex);
    if (!report)
        return c.fail("Report", "A test with a custom rotor-bob has no printed report.");
    QPdfWriter pdf(QString::fromStdString(a.positional[1]));
    pdf.setPageOrientation(QPageLayout::Portrait);
    renderReport(*report, pdf);
    if (!QFileInfo(QString::fromStdString(a.positional[1])).isFile())
        return c.fail("Report", "The report could not be written to " + a.positional[1] + ".");
    c.out << "Wrote " << a.positional[1] << ".\n";
    return 0;
}

int cmdStart(Context &c, const Args &)
{
    return remoteStart(c.serial(), c.m, c.prompter) ? 0 : 1;
}

int cmdStop(Context &c, const Args &)
{
    return remoteStop(c.serial(), c.m, c.prompter) ? 0 : 1;
}

const RotorBob &rotorBobOption(const Args &a, const RotorBob &fallback)
{
    const std::string name = a.option("--rotor-bob");
    if (name.empty())
        return fallback;
    if (const RotorBob *rb = rotorBobByName(name))
        return *rb;
    throw Usage{"--rotor-bob takes one of R1-B1, R2-B1, R3-B1, R1-B2, R1-B5, R1-B4"};
}

// The sequence named by the first argument, with the rotor-bob in force: --rotor-bob, else
// the sequence's own, else R1-B1 (as the setup window shows a code outside the list).
std::optional<SequenceEntry> sequenceWithRotorBob(Context &c, const Args &a, const RotorBob *&rb)
{
    SequenceRepository repo(*c.db);
    const auto seq = repo.find(QString::fromStdString(a.positional[0]));
    if (!seq) {
        c.fail("Selection Error.", "No sequence is named \"" + a.positional[0] + "\".");
        return std::nullopt;
    }
    const RotorBob *stored = rotorBobByCode(seq->rbfactor);
    rb = &rotorBobOption(a, stored ? *stored : *rotorBobByCode(1));
    c.m.RbIndex = static_cast<std::int16_t>(rb->code);
    c.m.RbShearFactor = rb->shearFactor;
    c.m.RbFannFactor = rb->fannFactor;
    return seq;
}

int cmdSequences(Context &c, const Args &)
{
    for (const auto &s : SequenceRepository(*c.db).sequences())
        c.out << s.sequenceId << '\t' << s.name.toStdString() << '\t' << s.rbfactor << '\n';
    return 0;
}

int cmdSteps(Context &c, const Args &a)
{
    const RotorBob *rb = nullptr;
    const auto seq = sequenceWithRotorBob(c, a, rb);
    if (!seq)
        return 1;
    const QStringList headers = setupHeaders(c.m.isSI());
    for (int col = 0; col < headers.size(); ++col)
        c.out << (col ? "\t" : "") << joinedHeader(headers[col]);
    c.out << '\n';
    const auto rows = setupRows(SequenceRepository(*c.db).steps(seq->sequenceId), c.m.isSI(),
                                c.m.RbShearFactor);
    for (const auto &row : rows) {
        for (size_t col = 0; col < row.size(); ++col)
            c.out << (col ? "\t" : "") << row[col].toStdString();
        c.out << '\n';
    }
    return 0;
}

int cmdDownload(Context &c, const Args &a)
{
    const RotorBob *rb = nullptr;
    const auto seq = sequenceWithRotorBob(c, a, rb);
    if (!seq)
        return 1;
    SequenceRepository repo(*c.db);
    const std::vector<DownloadStep> steps = downloadSteps(repo.steps(seq->sequenceId), c.m.isSI());
    ExchangeObserver observer;
    observer.progress = [&c](int value, int maximum) {
        if (value > 0)
            c.err << "\rSending step " << value << " of " << maximum << std::flush;
        else
            c.err << '\n';
    };
    if (!downloadSequence(c.serial(), *c.clock, c.m, steps, c.prompter, observer))
        return 1;
    c.out << "Sent " << steps.size() << " step(s) of " << a.positional[0] << " with "
          << rb->name << ".\n";
    return 0;
}

int cmdRetrieve(Context &c, const Args &a)
{
    const QString name = QString::fromStdString(a.positional[0]);
    TestRepository repo(*c.db);
    if (repo.exists(name, Qt::CaseSensitive))
        return c.fail("Test Name Error.", "Duplicated test name. Please enter a new test name.");
    if (!retrieveLastResult(c.serial(), *c.clock, c.m, c.prompter))
        return 1;
    RelatedInfoEditor editor(c.m, repo, c.prompter);
    const TestHeader header{name, QString::fromStdString(a.option("--fluid-id")),
                            QString::fromStdString(a.option("--sample-time")),
                            QString::fromStdString(a.option("--company")),
                            QString::fromStdString(a.option("--desc"))};
    if (!storeRetrievedTest(c.m, repo, c.prompter, [&] {
            if (!editor.ok(header))
                editor.cancel();
        }))
        return 1;
    TestReview review(c.m, *c.db, c.prompter);
    review.showNewTest();
    printGrid(c, review.grid());
    return 0;
}

int cmdNewSequence(Context &c, const Args &a)
{
    const RotorBob &rb = rotorBobOption(a, *rotorBobByCode(1));
    std::vector<SequenceStep> steps;
    for (size_t i = 1; i < a.positional.size(); ++i) {
        const QStringList parts = QString::fromStdString(a.positional[i]).split(QLatin1Char(','));
        if (parts.size() != 4)
            throw Usage{"a step is TIME,TEMP,SPEED,RATE, not " + a.positional[i]};
        const StepFields fields{parts[0].toStdString(), parts[1].toStdString(),
                                parts[2].toStdString(),
                                formatMask(formula::shearRateSetup(Val(parts[2].toStdString()),
                                                                   rb.shearFactor), "###.00"),
                                parts[3].toStdString()};
        if (const auto error = acceptStepFields(fields, StepDialogKind::Insert, c.m))
            return c.fail(error->title, error->message + " (step " + std::to_string(i) + ")");
        steps.push_back({static_cast<int>(i), Val(c.m.StepTimeText), Val(c.m.StepTempText),
                         Val(c.m.StepSpeedText),
                         static_cast<int>(roundHalfEven(Val(c.m.StepRecordRateText)))});
    }
    if (steps.empty())
        steps.push_back({1, 600, 100, 100, 10});
    SequenceRepository repo(*c.db);
    const QString name = QString::fromStdString(a.positional[0]);
    if (repo.existsIgnoringCase(name))
        return c.fail("New Sequence Naming Error", "Duplicated test name, please input again.");
    int id = 0;
    const DbResult r = repo.createSequence(name, rb.code, steps, id);
    if (!r)
        return c.fail("Database Error", "The sequence could not be saved: " + r.error.toStdString());
    c.out << id << '\t' << a.positional[0] << '\t' << rb.code << '\n';
    return 0;
}

int cmdRun(Context &c, const Args &a)
{
    const RotorBob *rb = nullptr;
    const auto seq = sequenceWithRotorBob(c, a, rb);
    if (!seq)
        return 1;
    SequenceRepository sequences(*c.db);
    const auto steps = sequences.steps(seq->sequenceId);
    TestRepository tests(*c.db);
    RealTestName name;
    name.header = {QString::fromStdString(a.positional[1]), QString::fromStdString(a.option("--fluid-id")),
                   QString::fromStdString(a.option("--sample-time")),
                   QString::fromStdString(a.option("--company")),
                   QString::fromStdString(a.option("--desc"))};
    name.custom = a.has("--custom");
    name.stressFactor = a.option("--custom", 0);
    name.rateFactor = a.option("--custom", 1);
    // Named before anything is sent, so a refused name costs no download.
    if (tests.exists(name.header.testName, Qt::CaseInsensitive))
        return c.fail("Test Name Error.", "Duplicated test name. Please enter a new test name.");
    if (!downloadSequence(c.serial(), *c.clock, c.m, downloadSteps(steps, c.m.isSI()), c.prompter))
        return 1;
    RealTestNaming naming(c.m, tests, c.prompter);
    if (!naming.ok(name))
        return 1;
    Acquisition acquisition(c.m, c.serial(), *c.clock, tests, c.prompter);
    std::vector<int> rates;
    for (const auto &s : steps)
        rates.push_back(s.recordRate);
    acquisition.setRecordRates(rates);
    acquisition.TestNamed = true;
    acquisition.onStored = [&c](const StoredPoint &p) {
        c.out << p.stepNo << '\t' << shortestText(p.time) << '\t' << shortestText(p.temperature)
              << '\t' << shortestText(p.speed) << '\t' << shortestText(p.shearStress) << '\t'
              << shortestText(p.gel) << '\t' << shortestText(p.rbfactor) << '\n'
              << std::flush;
    };
    if (!acquisition.start())
        return 1;
    interrupted = 0;
    auto previous = std::signal(SIGINT, onInterrupt);
    bool failed = false;
    while (acquisition.TestRunning) {
        BusyWait(*c.clock, 1.0f);
        if (interrupted) {
            acquisition.stop();
            c.err << "Stopped: the rows stored so far are kept.\n";
            break;
        }
        const PollResult r = acquisition.poll();
        failed = r.failed;
    }
    std::signal(SIGINT, previous);
    return failed ? 1 : 0;
}

int cmdCalibrate(Context &c, const Args &a)
{
    ensureRotorBobChosen(c.m);
    CalibrationCheck check(c.m, c.serial(), *c.clock, c.prompter);
    initialCommport(c.serial(), c.m);
    if (!check.start(a.positional[0]))
        return 1;
    interrupted = 0;
    auto previous = std::signal(SIGINT, onInterrupt);
    do
        BusyWait(*c.clock, 1.0f);
    while (!interrupted && check.poll());
    std::signal(SIGINT, previous);
    check.stop();
    for (const auto &row : check.rows)
        c.out << row.Stress3 << '\t' << row.lbl3Err << '\t' << row.lbl3PercentErr << '\n';
    return interrupted ? 1 : 0;
}

int cmdLog(Context &c, const Args &a)
{
    for (const char *required : {"--speed", "--rate", "--file"})
        if (!a.has(required))
            throw Usage{std::string("log needs ") + required};
    const double speed = Val(a.option("--speed")), rate = Val(a.option("--rate"));
    if (speed < 0 || speed > 600)
        return c.fail("Input Error", "Invalid Speed Entry! Please Try Again.");
    if (rate < 0.99 || rate > 6000)
        return c.fail("Input Error", "Invalid Record Rate Entry! Please Try Again.");
    const double seconds = a.has("--seconds") ? Val(a.option("--seconds")) : -1;
    DirectLog log(c.m, c.serial(), *c.clock, c.prompter);
    log.rateChanged(a.option("--rate"));
    if (!log.SendLogProgram(a.option("--speed")) || !log.run(a.option("--file")))
        return 1;
    log.startRecording();
    c.err << "Logging to " << log.dataPath() << (log.Recording ? "" : " (not recording)") << '\n';
    interrupted = 0;
    auto previous = std::signal(SIGINT, onInterrupt);
    bool ended = false;
    for (long elapsed = 0; !ended; ++elapsed) {
        if (interrupted || (seconds >= 0 && elapsed >= seconds)) {
            log.stop();
            break;
        }
        BusyWait(*c.clock, 1.0f);
        ended = !log.poll();
    }
    std::signal(SIGINT, previous);
    return 0;
}

const std::map<std::string, CommandDef> &commands()
{
    const std::vector<OptionDef> header{{"--fluid-id"}, {"--sample-time"}, {"--company"}, {"--desc"}};
    auto with = [](std::vector<OptionDef> a, std::vector<OptionDef> b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    static const std::map<std::string, CommandDef> k{
        {"tests", {0, 0, {}, cmdTests}},
        {"show", {1, 1, {}, cmdShow}},
        {"delete", {1, 1, {}, cmdDelete}},
        {"chart", {3, 3, {}, cmdChart}},
        {"start", {0, 0, {}, cmdStart}},
        {"stop", {0, 0, {}, cmdStop}},
        {"download", {1, 1, {{"--rotor-bob"}}, cmdDownload}},
        {"sequences", {0, 0, {}, cmdSequences}},
        {"steps", {1, 1, {{"--rotor-bob"}}, cmdSteps}},
        {"new-sequence", {1, 1 + kMaxSteps, {{"--rotor-bob"}}, cmdNewSequence}},
        {"retrieve", {1, 1, header, cmdRetrieve}},
        {"export", {2, 2, {}, cmdExport}},
        {"cement", {2, 2, {}, cmdCement}},
        {"report", {2, 2, {}, cmdReport}},
        {"run", {2, 2, with(header, {{"--custom", 2}, {"--rotor-bob"}}), cmdRun}},
        {"calibrate", {1, 1, {}, cmdCalibrate}},
        {"log", {0, 0, {{"--speed"}, {"--rate"}, {"--file"}, {"--seconds"}}, cmdLog}},
    };
    return k;
}

Args parseArgs(const std::string &command, const CommandDef &def,
               const std::vector<std::string> &rest)
{
    Args a;
    for (size_t i = 0; i < rest.size(); ++i) {
        const std::string &s = rest[i];
        if (s.rfind("--", 0) == 0 && s.size() > 2) {
            const auto opt = std::find_if(def.options.begin(), def.options.end(),
                                          [&](const OptionDef &o) { return o.name == s; });
            if (opt == def.options.end())
                throw Usage{command + " has no option " + s};
            if (i + opt->values >= rest.size())
                throw Usage{s + " needs " + std::to_string(opt->values) + " value(s)"};
            auto &values = a.options[s];
            values.clear();
            for (size_t k = 0; k < opt->values; ++k)
                values.push_back(rest[++i]);
        } else {
            a.positional.push_back(s);
        }
    }
    if (a.positional.size() < def.minPositional || a.positional.size() > def.maxPositional)
        throw Usage{command + " takes " + std::to_string(def.minPositional) +
                    (def.maxPositional != def.minPositional ? " or more" : "") + " argument(s)"};
    return a;
}

bool openDatabase(Context &c, const std::string &dbOption)
{
    QString path = QString::fromStdString(dbOption);
    if (path.isEmpty()) {
        path = findFileCaseInsensitive(QDir::currentPath(), QString::fromLatin1(Database::kFileName));
        if (path.isEmpty())
            path = QDir::current().filePath(QString::fromLatin1(Database::kFileName));
    }
    auto opened = Database::open(path, Database::OpenMode::CreateIfMissing);
    if (!opened.db) {
        c.fail("Database Error",
               "Unexpected Error: " + opened.message.toStdString() + " (" + path.toStdString() + ")");
        return false;
    }
    c.db = std::move(opened.db);
    return true;
}

} // namespace

int runCli(const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
           const CliSeams &seams)
{
    Context c(out, err);
    if (seams.clock)
        c.clock = seams.clock;
    c.port = seams.port;
    std::string dbOption;
    size_t i = 0;
    auto usage = [&](const std::string &why) {
        if (!why.empty())
            err << "viscora-cli: " << why << '\n';
        err << kCliUsage;
        return 2;
    };
    for (; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (a == "--db" || a == "--port") {
            if (++i >= args.size())
                return usage(a + " needs a value");
            if (a == "--db")
                dbOption = args[i];
            else
                c.ports.set(1, args[i]);
        } else if (a == "--si") {
            c.m.UnitSystem = 2;
        } else if (a == "-h" || a == "--help") {
            out << kCliUsage;
            return 0;
        } else if (a.rfind("--", 0) == 0) {
            return usage("unknown option " + a);
        } else {
            break;
        }
    }
    if (i >= args.size())
        return usage("no command given");
    const auto it = commands().find(args[i]);
    if (it == commands().end())
        return usage("unknown command " + args[i]);
    try {
        const Args parsed = parseArgs(args[i], it->second,
                                      std::vector<std::string>(args.begin() + static_cast<long>(i) + 1, args.end()));
        if (!openDatabase(c, dbOption))
            return 1;
        return it->second.run(c, parsed);
    } catch (const Usage &u) {
        return usage(u.message);
    }
}

} // namespace viscora
