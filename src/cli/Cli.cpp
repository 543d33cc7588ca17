#include "Cli.h"

#include "ChartView.h"
#include "CliPrompter.h"
#include "Database.h"
#include "Module1.h"
#include "TestReview.h"

#include <QDir>
#include <QFileInfo>

#include <cstdlib>
#include <functional>
#include <map>

namespace viscora {

const char *const kCliUsage =
    "usage: viscora-cli [--db FILE] [--si] COMMAND [ARGS]\n"
    "\n"
    "  --db FILE   the database (default: k7400r.mdb in the current folder, in any letter\n"
    "              case; created with its tables when missing)\n"
    "  --si        SI units (degC, dyn/cm2) instead of EI (degF, lb/100ft2)\n"
    "\n"
    "commands:\n"
    "  tests                      one line per saved test: TestId<TAB>TestName\n"
    "  show TEST                  the test's grid as tab-separated text\n"
    "  delete TEST                delete a test and renumber the others\n"
    "  chart TEST TYPE FILE.png   chart type TYPE (0 to 9) of TEST as an image\n";

namespace {

struct Context {
    Module1 m;
    std::unique_ptr<Database> db;
    std::ostream &out;
    std::ostream &err;
    CliPrompter prompter;
    Context(std::ostream &o, std::ostream &e) : out(o), err(e), prompter(e) {}

    int fail(const std::string &title, const std::string &message)
    {
        static_cast<Prompter &>(prompter).message(message, title);
        return 1;
    }
};

struct Usage {
    std::string message;
};

using Command = std::function<int(Context &, const std::vector<std::string> &)>;

struct CommandDef {
    size_t argCount;
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

int cmdTests(Context &c, const std::vector<std::string> &)
{
    TestRepository repo(*c.db);
    for (const auto &t : repo.tests())
        c.out << t.testId << '\t' << t.testName.toStdString() << '\n';
    return 0;
}

int cmdShow(Context &c, const std::vector<std::string> &a)
{
    const QString name = QString::fromStdString(a[0]);
    if (!requireTest(c, name))
        return 1;
    TestReview review(c.m, *c.db, c.prompter);
    c.m.CurrentTestName = a[0];
    review.openCurrentTest();
    const QStringList headers = gridHeaders(c.m.isSI());
    for (int col = 0; col < headers.size(); ++col) {
        QStringList lines = headers[col].split(QLatin1Char('\n'));
        for (QString &l : lines)
            l = l.trimmed();
        c.out << (col ? "\t" : "") << lines.join(QLatin1Char(' ')).toStdString();
    }
    c.out << '\n';
    const TestGridModel &grid = review.grid();
    for (int r = 0; r < grid.rowCount(); ++r) {
        for (int col = 0; col < 10; ++col)
            c.out << (col ? "\t" : "") << grid.cellText(r, col).toStdString();
        c.out << '\n';
    }
    return 0;
}

int cmdDelete(Context &c, const std::vector<std::string> &a)
{
    const QString name = QString::fromStdString(a[0]);
    if (!requireTest(c, name))
        return 1;
    TestRepository repo(*c.db);
    const DbResult r = repo.deleteTest(name);
    if (!r)
        return c.fail("Database Error", "The test could not be deleted: " + r.error.toStdString());
    return 0;
}

int cmdChart(Context &c, const std::vector<std::string> &a)
{
    const QString name = QString::fromStdString(a[0]);
    char *end = nullptr;
    const long type = std::strtol(a[1].c_str(), &end, 10);
    if (a[1].empty() || *end || type < 0 || type > 9)
        throw Usage{"TYPE must be a chart type from 0 to 9"};
    if (!requireTest(c, name))
        return 1;
    TestReview review(c.m, *c.db, c.prompter);
    c.m.CurrentTestName = a[0];
    review.openCurrentTest();
    review.selectChartType(static_cast<int>(type));
    ChartView view;
    view.resize(900, 600);
    view.redraw(review.chart());
    if (!view.grab().save(QString::fromStdString(a[2]), "PNG"))
        return c.fail("File Error", "The image could not be written to " + a[2] + ".");
    return 0;
}

const std::map<std::string, CommandDef> &commands()
{
    static const std::map<std::string, CommandDef> k{
        {"tests", {0, cmdTests}},
        {"show", {1, cmdShow}},
        {"delete", {1, cmdDelete}},
        {"chart", {3, cmdChart}},
    };
    return k;
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

int runCli(const std::vector<std::string> &args, std::ostream &out, std::ostream &err)
{
    Context c(out, err);
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
        if (a == "--db") {
            if (++i >= args.size())
                return usage("--db needs a file name");
            dbOption = args[i];
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
    const std::vector<std::string> rest(args.begin() + static_cast<long>(i) + 1, args.end());
    if (rest.size() != it->second.argCount)
        return usage(args[i] + " takes " + std::to_string(it->second.argCount) + " argument(s)");
    try {
        if (!openDatabase(c, dbOption))
            return 1;
        return it->second.run(c, rest);
    } catch (const Usage &u) {
        return usage(u.message);
    }
}

} // namespace viscora
