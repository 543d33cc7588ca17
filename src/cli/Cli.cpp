#include "Cli.h"

#include "ChartView.h"
#include "CliPrompter.h"
#include "Database.h"
#include "Module1.h"
#include "Exchanges.h"
#include "Link.h"
#include "PortMap.h"
#include "QtSerialPortDevice.h"
#include "RelatedInfoEditor.h"
#include "RetrievedTest.h"
#include "SequenceRepository.h"
#include "SetupGrid.h"
#include "TestReview.h"
#include "Units.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
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
    "  steps SEQUENCE [--rotor-bob NAME]\n"
    "                             the sequence's steps as the setup window shows them\n";

namespace {

struct Usage {
    std::string message;
};

struct Args {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    std::string option(const std::string &name) const
    {
        const auto it = options.find(name);
        return it == options.end() ? std::string() : it->second;
    }
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
    size_t positional;
    std::vector<std::string> options;
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

int cmdStart(Context &c, const Args &)
{
    return remoteStart(c.serial(), c.m, c.prompter) ? 0 : 1;
}

int cmdStop(Context &c, const Args &)
{
    return remoteStop(c.serial(), c.m, c.prompter) ? 0 : 1;
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
    rb = rotorBobByCode(seq->rbfactor);
    if (const std::string name = a.option("--rotor-bob"); !name.empty()) {
        rb = rotorBobByName(name);
        if (!rb)
            throw Usage{"--rotor-bob takes one of R1-B1, R2-B1, R3-B1, R1-B2, R1-B5, R1-B4"};
    }
    if (!rb)
        rb = rotorBobByCode(1);
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

const std::map<std::string, CommandDef> &commands()
{
    static const std::map<std::string, CommandDef> k{
        {"tests", {0, {}, cmdTests}},
        {"show", {1, {}, cmdShow}},
        {"delete", {1, {}, cmdDelete}},
        {"chart", {3, {}, cmdChart}},
        {"start", {0, {}, cmdStart}},
        {"stop", {0, {}, cmdStop}},
        {"download", {1, {"--rotor-bob"}, cmdDownload}},
        {"sequences", {0, {}, cmdSequences}},
        {"steps", {1, {"--rotor-bob"}, cmdSteps}},
        {"retrieve", {1, {"--fluid-id", "--sample-time", "--company", "--desc"}, cmdRetrieve}},
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
            if (std::find(def.options.begin(), def.options.end(), s) == def.options.end())
                throw Usage{command + " has no option " + s};
            if (i + 1 >= rest.size())
                throw Usage{s + " needs a value"};
            a.options[s] = rest[++i];
        } else {
            a.positional.push_back(s);
        }
    }
    if (a.positional.size() != def.positional)
        throw Usage{command + " takes " + std::to_string(def.positional) + " argument(s)"};
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
