// The manual pages and the shell completion say what the programs' --help says.

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

namespace {

QString help(const char *program)
{
    QProcess p;
    p.start(QString::fromLatin1(program), {QStringLiteral("--help")});
    EXPECT_TRUE(p.waitForFinished(10000)) << program;
    EXPECT_EQ(p.exitCode(), 0) << program;
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

QString read(const QString &path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(f.readAll());
}

// -x and --xx words that stand on their own (not the -sim of k7400r-sim).
QSet<QString> options(const QString &text)
{
    QSet<QString> out;
    static const QRegularExpression word(QStringLiteral("(?:^|[\\s\\[|(,\"])(--?[a-zA-Z][\\w-]*)"));
    for (const auto &m : word.globalMatch(text))
        out << m.captured(1);
    return out;
}

// The first word of each entry of the help's "commands:" list.
QSet<QString> helpCommands(const QString &text)
{
    QSet<QString> out;
    const qsizetype start = text.indexOf(QStringLiteral("\ncommands:\n"));
    if (start < 0)
        return out;
    static const QRegularExpression entry(QStringLiteral("^  ([a-z][\\w-]*)"),
                                          QRegularExpression::MultilineOption);
    for (const auto &m : entry.globalMatch(text.mid(start)))
        out << m.captured(1);
    return out;
}

struct ManPage {
    QSet<QString> options;  // of the OPTIONS entries and the COMMANDS entries
    QSet<QString> commands; // the first word of each COMMANDS entry
};

// The entry lines (the line after each .TP) of the OPTIONS and COMMANDS sections.
ManPage manPage(const QString &roff)
{
    ManPage page;
    QString section;
    bool entryNext = false;
    for (QString line : roff.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String(".SH "))) {
            section = line.mid(4).trimmed();
            continue;
        }
        if (line.startsWith(QLatin1String(".TP"))) {
            entryNext = true;
            continue;
        }
        if (!entryNext)
            continue;
        entryNext = false;
        if (section != QLatin1String("OPTIONS") && section != QLatin1String("COMMANDS"))
            continue;
        line.replace(QLatin1String("\\-"), QLatin1String("-"));
        line.remove(QRegularExpression(QStringLiteral("\\\\f[BIRP]")));
        line.remove(QRegularExpression(QStringLiteral("^\\.[A-Z]+ ")));
        line.remove(QLatin1Char('"'));
        page.options += options(line);
        if (section == QLatin1String("COMMANDS"))
            page.commands << line.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    }
    return page;
}

// "a b c", for a readable failure.
std::string sorted(const QSet<QString> &s)
{
    QStringList l(s.begin(), s.end());
    l.sort();
    return l.join(QLatin1Char(' ')).toStdString();
}

} // namespace

TEST(ManPages, ListEveryOptionAndCommandOfTheHelpAndNothingElse)
{
    struct Program {
        const char *name, *path;
    } programs[] = {{"viscora", VISCORA_APP_BIN},
                    {"viscora-cli", VISCORA_CLI_BIN},
                    {"k7400r-sim", VISCORA_SIM_BIN}};
    for (const Program &p : programs) {
        const QString text = help(p.path);
        const ManPage page =
            manPage(read(QStringLiteral(VISCORA_MAN_DIR "/%1.1").arg(QLatin1String(p.name))));
        EXPECT_FALSE(page.options.isEmpty()) << p.name;
        EXPECT_EQ(sorted(page.options), sorted(options(text))) << p.name;
        EXPECT_EQ(sorted(page.commands), sorted(helpCommands(text))) << p.name;
    }
    // The Windows-style switch is an option of the window too.
    EXPECT_TRUE(help(VISCORA_APP_BIN).contains(QLatin1String("/debug")));
    EXPECT_TRUE(read(QStringLiteral(VISCORA_MAN_DIR "/viscora.1")).contains("\n.B /debug\n"));
}

TEST(Completion, OffersEveryCommandAndOptionOfTheHelp)
{
    const QString text = help(VISCORA_CLI_BIN);
    const QString script = read(QStringLiteral(VISCORA_COMPLETION));
    auto wordsOf = [&script](const char *variable) {
        const QRegularExpression assignment(
            QStringLiteral("local %1=\"([^\"]*)\"").arg(QLatin1String(variable)));
        const QString list = assignment.match(script).captured(1).simplified();
        const QStringList words = list.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        return QSet<QString>(words.begin(), words.end());
    };
    EXPECT_EQ(sorted(wordsOf("commands")), sorted(helpCommands(text)));
    // Every option of the help is offered somewhere (-h is the short --help).
    QSet<QString> offered = options(script);
    offered << QStringLiteral("-h");
    for (const QString &o : options(text))
        EXPECT_TRUE(offered.contains(o)) << o.toStdString();
}
