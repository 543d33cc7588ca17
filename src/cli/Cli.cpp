#include "cli/Cli.h"

#include "cli/CliContext.h"
#include "core/NumberText.h"
#include "core/Version.h"
#include "dbsetup/DatabaseChoice.h"
#include "setup/SequenceOperations.h"

#include <QDir>

#include <algorithm>
#include <iostream>
#include <cmath>

#include <unistd.h>

namespace viscora {

const char *const kCliUsage =
    "usage: viscora-cli [--db LOCATION] [--si] [--port DEVICE] [--comm N=DEVICE] COMMAND [ARGS]\n"
    "       viscora-cli --version | --help\n"
    "\n"
    "  --db LOCATION  the database: a file (default: k7400r.mdb in the current folder, in\n"
    "                 any letter case; created with its tables when missing), or a\n"
    "                 PostgreSQL server as postgresql://USER@HOST:PORT/DBNAME or\n"
    "                 \"host=HOST dbname=NAME ...\"; its password from ~/.pgpass or\n"
    "                 PGPASSWORD, never here\n"
    "  --si           SI units (degC, dyn/cm2) instead of EI (degF, lb/100ft2)\n"
    "  --port DEVICE  the instrument's serial device, \"Comm 1\" (default: the device the\n"
    "                 Serial Ports dialog assigned to it, else /dev/ttyS0)\n"
    "  --comm N=DEVICE\n"
    "                 the device of \"Comm N\" (1 to 12) for this run, over the saved\n"
    "                 assignment; DEVICE \"simulated\" starts the simulated instrument\n"
    "  --version      print the version and end\n"
    "  -h, --help     print this help and end\n"
    "\n"
    "commands:\n"
    "  tests                      one line per saved test: TestId<TAB>TestName\n"
    "  show TEST                  the test's grid as tab-separated text\n"
    "  delete TEST                delete a test and renumber the others\n"
    "  find [--match TEXT] [--since DATE] [--until DATE] [--instrument NAME] [--live] [--json]\n"
    "                             every test with its start, duration, points, mud id,\n"
    "                             company, instrument and operator, tab-separated under a\n"
    "                             heading or as JSON; TEXT in any of them (any letter case),\n"
    "                             started from DATE until DATE (YYYY-MM-DD [HH:MM], local\n"
    "                             time), on an instrument whose name holds NAME, or only the\n"
    "                             tests being recorded now\n"
    "  rename OLD NEW             rename a test (not while it is recorded)\n"
    "  chart TEST TYPE FILE.png   chart type TYPE (0 to 9) of TEST as an image\n"
    "  check                      check every page of the database file; \"ok\" or what is wrong\n"
    "  copy-db FROM TO            copy every test and sequence of database FROM into TO (each\n"
    "                             a LOCATION as for --db), after TO's own; a name TO has\n"
    "                             already gets \" (2)\"\n"
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
    "  export-many FILE.xlsx TEST...\n"
    "                             several tests in one workbook: a first sheet \"Summary\"\n"
    "                             with a row per test (dates, instrument, each flow curve's\n"
    "                             field values and recommended model), then a sheet per test\n"
    "  cement TEST FILE.xlsx      the cement lab workbook of dial readings\n"
    "  report TEST FILE.pdf [--summary]\n"
    "                             the printed test report (stored units): every point, or\n"
    "                             with --summary each step's last reading under a chart of\n"
    "                             the test; ^C stops it and writes nothing\n"
    "  rheology TEST [--json]     the test's rheology: readings, field values, gels and model\n"
    "                             fits of each flow curve (units as --si says), as text\n"
    "                             tables or as JSON\n"
    "  compare TEST... [--json]   the tests' rheology side by side: each one's first flow\n"
    "                             curve's dial readings, PV, YP, LSYP, n, K, gels and\n"
    "                             recommended model (units as --si says), as tab-separated\n"
    "                             text or JSON\n"
    "  note TEST TIME TEXT        add a note to TEST at TIME seconds from its start (\"added\n"
    "                             2 ppb polymer\"); a running test takes notes too\n"
    "  notes TEST [--json]        the test's notes, one line each: TIME<TAB>TEXT, or as JSON\n"
    "  replay TEST [--speed N] [--link PATH]\n"
    "                             serve TEST on a pseudo-terminal as the instrument sent it,\n"
    "                             N times faster (default 1), for the program to record; prints\n"
    "                             the device (PATH also links to it) and serves until ^C\n"
    "  calibrate VISCOSITY        a calibration check with a fluid of VISCOSITY cP; prints\n"
    "                             expected stress, error and percent per reference stress;\n"
    "                             the check is recorded\n"
    "  calibrate --fluid NAME --temperature T [--operator NAME] [--percent P] [--floor F]\n"
    "      [--use-expired]\n"
    "                             a recorded check with a certified fluid at the sample's\n"
    "                             temperature T (the unit system's, or 25C, 77F); adds the\n"
    "                             reading and pass or fail to each line, then the verdict;\n"
    "                             an expired fluid only with --use-expired\n"
    "  calibrations [--instrument ID] [--json]\n"
    "                             the recorded checks, newest first: ID, time (UTC),\n"
    "                             instrument, fluid, lot, viscosity, verdict, corrections\n"
    "  calibration ID [--pdf FILE]\n"
    "                             one recorded check, or its one-page record as a PDF\n"
    "  fluids                     the certified fluids: ID, name, lot, expiry, tolerance,\n"
    "                             certificate values\n"
    "  fluid add NAME --lot LOT --expiry YYYY-MM-DD [--percent P] [--floor F] TEMP,CP ...\n"
    "  fluid show NAME | fluid remove NAME\n"
    "                             a certified fluid: its certificate's viscosity at each\n"
    "                             temperature (the unit system's, or 25C, 77F), its\n"
    "                             tolerance (2 % of the stress, at least 1 dyn/cm2)\n"
    "  instruments                the instruments: ID, serial, model, location, Comm ports,\n"
    "                             check interval, next check due\n"
    "  instrument add SERIAL [--model M] [--location L] [--interval DAYS] [--comm N]\n"
    "                             name an instrument (and the Comm port it is on)\n"
    "  log --speed RPM --rate S --file NAME [--seconds N]\n"
    "                             a direct log, recording from the start, until N seconds,\n"
    "                             the instrument's end, or ^C\n"
    "  ports                      one line per serial device present or assigned:\n"
    "                             DEVICE<TAB>BY-ID<TAB>COMM PORTS<TAB>ACCESS<TAB>DESCRIPTION\n"
    "  run SEQUENCE TEST [--fluid-id S] [--sample-time S] [--company S] [--desc S]\n"
    "      [--custom STRESS_FACTOR RATE_FACTOR] [--rotor-bob NAME] [--reconnect-timeout S]\n"
    "                             name, download, start and record a real-time test, one\n"
    "                             line per stored row, until the instrument ends it or ^C;\n"
    "                             a lost instrument is waited for S seconds (default 600)\n";

namespace cli {
namespace {
// More tests than any workbook of sheets is read comfortably with.
constexpr std::size_t kMaxExportedTests = 1000;

const std::map<std::string, CommandDef> &commands()
{
    const std::vector<OptionDef> header{
        {"--fluid-id"}, {"--sample-time"}, {"--company"}, {"--desc"}};
    auto with = [](std::vector<OptionDef> a, std::vector<OptionDef> b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    static const std::map<std::string, CommandDef> k{
        {"tests", {0, 0, {}, cmdTests}},
        {"show", {1, 1, {}, cmdShow}},
        {"delete", {1, 1, {}, cmdDelete}},
        {"find",
         {0,
          0,
          {{"--match"}, {"--since"}, {"--until"}, {"--instrument"}, {"--live", 0}, {"--json", 0}},
          cmdFind,
          checkFind}},
        {"rename", {2, 2, {}, cmdRename}},
        {"chart", {3, 3, {}, cmdChart, checkChart}},
        {"check", {0, 0, {}, cmdCheck}},
        {"copy-db", {2, 2, {}, cmdCopyDb}},
        {"start", {0, 0, {}, cmdStart}},
        {"stop", {0, 0, {}, cmdStop}},
        {"download", {1, 1, {{"--rotor-bob"}}, cmdDownload}},
        {"sequences", {0, 0, {}, cmdSequences}},
        {"steps", {1, 1, {{"--rotor-bob"}}, cmdSteps}},
        {"new-sequence", {1, 1 + kMaxSteps, {{"--rotor-bob"}}, cmdNewSequence, checkNewSequence}},
        {"retrieve", {1, 1, header, cmdRetrieve}},
        {"export", {2, 2, {}, cmdExport}},
        {"export-many", {2, 1 + kMaxExportedTests, {}, cmdExportMany}},
        {"cement", {2, 2, {}, cmdCement}},
        {"report", {2, 2, {{"--summary", 0}}, cmdReport}},
        {"rheology", {1, 1, {{"--json", 0}}, cmdRheology}},
        {"compare", {1, 1000, {{"--json", 0}}, cmdCompare}},
        {"note", {3, 1000, {}, cmdNote, checkNote}},
        {"notes", {1, 1, {{"--json", 0}}, cmdNotes}},
        {"replay", {1, 1, {{"--speed"}, {"--link"}}, cmdReplay, checkReplay}},
        {"run",
         {2, 2, with(header, {{"--custom", 2}, {"--rotor-bob"}, {"--reconnect-timeout"}}), cmdRun,
          checkRun}},
        {"calibrate",
         {0,
          1,
          {{"--fluid"},
           {"--temperature"},
           {"--operator"},
           {"--percent"},
           {"--floor"},
           {"--use-expired", 0}},
          cmdCalibrate,
          checkCalibrate}},
        {"calibrations",
         {0, 0, {{"--instrument"}, {"--json", 0}}, cmdCalibrations, checkCalibrations}},
        {"calibration", {1, 1, {{"--pdf"}}, cmdCalibration, checkCalibration}},
        {"fluids", {0, 0, {}, cmdFluids}},
        {"fluid",
         {1, 2 + 20, {{"--lot"}, {"--expiry"}, {"--percent"}, {"--floor"}}, cmdFluid, checkFluid}},
        {"instruments", {0, 0, {}, cmdInstruments}},
        {"instrument",
         {1,
          2,
          {{"--model"}, {"--location"}, {"--interval"}, {"--comm"}},
          cmdInstrument,
          checkInstrument}},
        {"log", {0, 0, {{"--speed"}, {"--rate"}, {"--file"}, {"--seconds"}}, cmdLog, checkLog}},
        {"ports", {0, 0, {}, cmdPorts}},
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

} // namespace

double numberArg(const std::string &what, const std::string &text, const std::string &range,
                 bool (*fits)(double))
{
    const auto v = parseNumber(text);
    if (!v || (fits && !fits(*v)))
        throw Usage{what + " " + text + ": not a number " + range};
    return *v;
}

double numberOf(const std::string &text) { return parseNumber(text).value_or(NAN); }

std::string oneLine(const QString &name)
{
    QString out;
    for (const QChar ch : name) {
        const char16_t u = ch.unicode();
        if (u == '\t')
            out += QLatin1String("\\t");
        else if (u == '\n')
            out += QLatin1String("\\n");
        else if (u == '\r')
            out += QLatin1String("\\r");
        else if (u < 0x20 || u == 0x7f)
            out += QStringLiteral("\\x%1").arg(static_cast<uint>(u), 2, 16, QLatin1Char('0'));
        else if (u >= 0x80 && u < 0xa0)
            out += QStringLiteral("\\u%1").arg(static_cast<uint>(u), 4, 16, QLatin1Char('0'));
        else
            out += ch;
    }
    return out.toStdString();
}

namespace {

bool openDatabase(Context &c, const std::string &dbOption, const DatabaseChoice &choice)
{
    // What the window opens: --db, else the server remembered for the user, else the file.
    const auto location = choice.startLocation(QString::fromStdString(dbOption));
    if (!location) {
        show(c.ask(), location.failure());
        return false;
    }
    QString path = *location;
    const bool remembered = dbOption.empty() && !path.isEmpty();
    if (path.isEmpty()) {
        path =
            findFileCaseInsensitive(QDir::currentPath(), QString::fromLatin1(Database::kFileName));
        if (path.isEmpty())
            path = QDir::current().filePath(QString::fromLatin1(Database::kFileName));
    }
    const bool server = isServerLocation(path);
    auto opened = Database::open(path, Database::OpenMode::CreateIfMissing);
    if (opened.error == Database::OpenError::Refused) {
        c.fail(kDatabaseErrorTitle, (remembered ? "" : "--db: ") + opened.message.toStdString());
        return false;
    }
    if (!opened.db) {
        // A server's failure names its location already, without the password.
        std::string text = opened.message.toStdString();
        if (opened.error != Database::OpenError::Damaged)
            text = "Unexpected Error: " + text;
        if (!server)
            text += " (" + path.toStdString() + ")";
        if (remembered)
            text += " It is the database remembered in " + choice.file().toStdString() +
                    ": --db LOCATION opens another.";
        c.fail(kDatabaseErrorTitle, text);
        return false;
    }
    c.db = std::move(opened.db);
    return true;
}

} // namespace
} // namespace cli

int runCli(const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
           const CliSeams &seams)
{
    using namespace cli;
    Context c(out, err);
    c.errIsTerminal = &err == &std::cerr && isatty(STDERR_FILENO);
    if (seams.clock)
        c.clock = seams.clock;
    c.port = seams.port;
    c.portList = seams.portList;
    CommDevices overrides;
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
                overrides[1] = args[i];
        } else if (a == "--comm") {
            if (++i >= args.size() || !parseCommOption(args[i], overrides))
                return usage("--comm takes N=DEVICE with N from 1 to 12");
        } else if (a == "--version") {
            out << "viscora-cli " << versionText() << '\n';
            return 0;
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
    const PortAssignment saved(seams.settingsFile.empty()
                                   ? PortAssignment::userSettingsFile()
                                   : QString::fromStdString(seams.settingsFile));
    c.devices = effectiveDevices(saved.load(), overrides);
    applyDevices(c.ports, c.devices, {});
    const auto it = commands().find(args[i]);
    if (it == commands().end())
        return usage("unknown command " + args[i]);
    try {
        const Args parsed = parseArgs(
            args[i], it->second,
            std::vector<std::string>(args.begin() + static_cast<long>(i) + 1, args.end()));
        if (it->second.check)
            it->second.check(c, parsed);
        // Listing the ports must not leave a database behind; a copy names its own two.
        if (args[i] != "ports" && args[i] != "copy-db" &&
            !openDatabase(c, dbOption, DatabaseChoice(saved.file())))
            return 1;
        return it->second.run(c, parsed);
    } catch (const Usage &u) {
        return usage(u.message);
    }
}

} // namespace viscora
