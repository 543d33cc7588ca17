#include "core/Module1.h"
#include "support/ScriptedPrompter.h"
#include "setup/SequenceOperations.h"
#include "setup/SequencePrintout.h"
#include "setup/SequenceSend.h"
#include "support/FakeClock.h"
#include "support/ScriptedPort.h"
#include "support/TestDb.h"
#include "ui/QtTextPrinter.h"

#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>

using namespace viscora;
using namespace viscora::test;

namespace {

struct Fixture {
    TestDb t;
    Module1 m;
    ScriptedPrompter p;
    SequenceRepository repo{*t.db};
    SequenceOperations ops{m, repo, p};

    Fixture()
    {
        m.RbIndex = 1;
        m.RbShearFactor = 1.0f;
    }

    // A sequence whose step i has time 10*i, temperature 100+i, speed i, rate i.
    int addSequence(const QString &name, int steps, int rb = 1)
    {
        std::vector<SequenceStep> s;
        for (int i = 1; i <= steps; ++i)
            s.push_back({i, 10.0 * i, 100.0 + i, static_cast<double>(i), i});
        int id = 0;
        EXPECT_TRUE(repo.createSequence(name, rb, s, id).ok);
        return id;
    }
    // The times of a sequence's steps in step order, as a signature of its order.
    std::vector<double> times(const QString &name)
    {
        std::vector<double> out;
        int expected = 1;
        for (const auto &s : must(repo.steps(must(repo.find(name))->sequenceId))) {
            EXPECT_EQ(s.stepNo, expected++);
            out.push_back(s.time);
        }
        return out;
    }
    std::vector<SetupRow> shown(const QString &name)
    {
        return setupRows(must(repo.steps(must(repo.find(name))->sequenceId)), m.isSI(),
                         m.RbShearFactor);
    }
    void handBack(const char *time, const char *temp, const char *speed, const char *rate)
    {
        m.StepTimeText = time;
        m.StepTempText = temp;
        m.StepSpeedText = speed;
        m.StepRecordRateText = rate;
        m.StepDialogCancelled = false;
    }
};

} // namespace

TEST(NewSequence, FirstOneDefaultsAndCaseInsensitiveDuplicates)
{
    Fixture f;
    f.m.RbIndex = 5;
    f.p.inputAnswers = {std::string("ABC"), std::string("abc"), std::nullopt};
    EXPECT_EQ(f.ops.newSequence(), QString("ABC"));
    ASSERT_EQ(f.p.inputs.size(), 1u);
    EXPECT_EQ(f.p.inputs[0].text, "Please input the new sequence name");
    EXPECT_EQ(f.p.inputs[0].title, "New Squence Name");
    const auto seq = must(f.repo.find("ABC"));
    EXPECT_EQ(seq->sequenceId, 1);
    EXPECT_EQ(seq->rbfactor, 5);
    const auto steps = must(f.repo.steps(1));
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].time, 600);
    EXPECT_EQ(steps[0].temperature, 100);
    EXPECT_EQ(steps[0].speed, 100);
    EXPECT_EQ(steps[0].recordRate, 10);

    EXPECT_FALSE(f.ops.newSequence());
    EXPECT_EQ(f.p.shown.back().text, "Duplicated test name, please input again.");
    EXPECT_EQ(f.p.shown.back().title, "New Sequence Naming Error");
    EXPECT_FALSE(f.ops.newSequence()); // cancelled: nothing
    EXPECT_EQ(must(f.repo.sequences()).size(), 1u);
}

TEST(NewSequence, NamesAreTrimmedAndControlCharactersRefused)
{
    const char *control = "A sequence name cannot hold control characters (tabs, line breaks, "
                          "escapes).";
    const struct {
        const char *typed;
        std::optional<QString> made; // else refused with the message below, or silently
        const char *message;
    } cases[] = {
        {"  Mud  ", QString("Mud"), ""},
        {"MUD ", std::nullopt, "Duplicated test name, please input again."},
        {"   ", std::nullopt, ""}, // as an empty name: nothing
        {"tab\there", std::nullopt, control},
        {"two\nlines", std::nullopt, control},
        {"\x1b]0;title\x07", std::nullopt, control},
        {"del\x7f", std::nullopt, control},
        {"\tPadded\n", QString("Padded"), ""},
    };
    for (const bool saveAs : {false, true}) {
        Fixture f;
        f.addSequence("Base", 1);
        for (const auto &c : cases) {
            f.p.shown.clear();
            f.p.inputAnswers = {std::string(c.typed), std::string("")};
            const auto made = saveAs ? f.ops.saveAs("Base") : f.ops.newSequence();
            EXPECT_EQ(made, c.made) << c.typed;
            if (*c.message) {
                ASSERT_EQ(f.p.shown.size(), 1u) << c.typed;
                EXPECT_EQ(f.p.shown[0].text, c.message) << c.typed;
                EXPECT_EQ(f.p.shown[0].title, "New Sequence Naming Error") << c.typed;
            } else {
                EXPECT_TRUE(f.p.shown.empty()) << c.typed;
            }
        }
        QStringList names;
        for (const auto &s : must(f.repo.sequences()))
            names << s.name;
        EXPECT_EQ(names, QStringList({"Base", "Mud", "Padded"})) << saveAs;
    }
}

TEST(SaveAs, ATargetThatIsNotANumberInFullIsRefused)
{
    Fixture f;
    f.addSequence("Base", 1);
    for (const char *bad : {"150x", "nan", "1 50", "&H96"}) {
        f.p.inputAnswers = {std::string("Copy"), std::string(bad)};
        EXPECT_FALSE(f.ops.saveAs("Base")) << bad;
        EXPECT_EQ(f.p.shown.back().text,
                  "Invalid input of new temperature target. Copy action canceled.");
    }
    f.p.inputAnswers = {std::string("Copy"), std::string(" 1.5e2 ")};
    ASSERT_EQ(f.ops.saveAs("Base"), QString("Copy"));
    EXPECT_EQ(must(f.repo.steps(2))[0].temperature, 150);
}

TEST(SaveAs, CopiesWithOrWithoutANewTarget)
{
    Fixture f;
    f.addSequence("Base", 3);
    f.m.RbIndex = 2;
    f.p.inputAnswers = {std::string("Same"), std::string("")};
    ASSERT_EQ(f.ops.saveAs("Base"), QString("Same"));
    EXPECT_EQ(f.p.inputs[1].text,
              "Please input the new temperature target (°F). Please leave it blank if no change.");
    EXPECT_EQ(f.p.inputs[1].title, "New Temperature Target");
    EXPECT_EQ(must(f.repo.find("Same"))->rbfactor, 2);
    EXPECT_EQ(must(f.repo.steps(2))[2].temperature, 103);
    EXPECT_EQ(f.times("Same"), (std::vector<double>{10, 20, 30}));

    f.m.UnitSystem = 2; // the copy keeps degF whatever is shown
    f.p.inputAnswers = {std::string("Hot"), std::string("150")};
    ASSERT_EQ(f.ops.saveAs("Base"), QString("Hot"));
    for (const auto &s : must(f.repo.steps(3)))
        EXPECT_EQ(s.temperature, 150);

    for (const char *bad : {"210", "20", "5x"}) {
        f.p.inputAnswers = {std::string("Bad"), std::string(bad)};
        EXPECT_FALSE(f.ops.saveAs("Base")) << bad;
        EXPECT_EQ(f.p.shown.back().text,
                  "Invalid input of new temperature target. Copy action canceled.");
        EXPECT_EQ(f.p.shown.back().title, "");
    }
    f.p.inputAnswers = {std::string("same"), std::string("")};
    EXPECT_FALSE(f.ops.saveAs("Base"));
    EXPECT_EQ(f.p.shown.back().text, "Duplicated test name, please input again.");
    EXPECT_EQ(must(f.repo.sequences()).size(), 3u);
}

TEST(SequenceOperations, EmptyTableRefusesSaveAsAndDelete)
{
    Fixture f;
    EXPECT_FALSE(f.ops.saveAs(""));
    EXPECT_FALSE(f.ops.deleteSequence("", SequenceOperations::DeleteQuestion::None));
    EXPECT_EQ(f.p.shown.back().text, "Please select a test sequence first.");
    EXPECT_EQ(f.p.shown.back().title, "Selection Error.");
    EXPECT_TRUE(f.p.inputs.empty());
    EXPECT_EQ(f.t.scalar("SELECT COUNT(*) FROM SequenceName").toInt(), 0);
}

TEST(DeleteSequence, AsksOnlyWhenToldAndRenumbers)
{
    Fixture f;
    for (const char *n : {"S1", "S2", "S3", "S4"})
        f.addSequence(n, 2);
    f.p.answers = {Answer::Cancel};
    EXPECT_FALSE(f.ops.deleteSequence("S2", SequenceOperations::DeleteQuestion::Button));
    EXPECT_EQ(f.p.shown.back().text, "Do you reall want to delete test name S2 ?");
    EXPECT_EQ(f.p.shown.back().title, "Delete Confirmation.");
    EXPECT_EQ(f.p.shown.back().buttons, Buttons::OkCancel);
    f.p.answers = {Answer::Ok};
    EXPECT_TRUE(f.ops.deleteSequence("S2", SequenceOperations::DeleteQuestion::Button));
    const size_t asked = f.p.shown.size();
    EXPECT_TRUE(f.ops.deleteSequence("S4", SequenceOperations::DeleteQuestion::None));
    EXPECT_EQ(f.p.shown.size(), asked);
    const auto all = must(f.repo.sequences());
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].name, "S3");
    EXPECT_EQ(all[1].sequenceId, 2);
    EXPECT_EQ(must(f.repo.steps(2)).size(), 2u);
    EXPECT_EQ(f.t.scalar("SELECT COUNT(*) FROM SequenceSetup").toInt(), 4);
}

TEST(StepEdits, EditInsertDeleteWithBoundNumbers)
{
    Fixture f;
    f.addSequence("Q'uote \"seq\"", 5);
    const QString name = "Q'uote \"seq\"";
    f.handBack("12abc", "150", "300", "2");
    ASSERT_TRUE(f.ops.editStep(name, 2));
    const auto edited = must(f.repo.steps(1))[1];
    EXPECT_EQ(edited.time, 12);
    EXPECT_EQ(edited.temperature, 150);
    EXPECT_EQ(edited.speed, 300);
    EXPECT_EQ(edited.recordRate, 2);

    f.handBack("77", "120", "10", "1");
    ASSERT_TRUE(f.ops.insertStep(name, 3, true));
    EXPECT_EQ(f.times(name), (std::vector<double>{10, 12, 30, 77, 40, 50}));
    f.handBack("88", "120", "10", "1");
    ASSERT_TRUE(f.ops.insertStep(name, 3, false));
    EXPECT_EQ(f.times(name), (std::vector<double>{10, 12, 88, 30, 77, 40, 50}));
    f.m.StepDialogCancelled = true;
    EXPECT_FALSE(f.ops.insertStep(name, 1, true));

    f.p.answers = {Answer::Ok};
    ASSERT_TRUE(f.ops.deleteStep(name, 1));
    EXPECT_EQ(f.p.shown.back().text, "Do you reall want to delete step No. 1 ?");
    EXPECT_EQ(f.times(name), (std::vector<double>{12, 88, 30, 77, 40, 50}));
    f.p.answers = {Answer::Cancel};
    EXPECT_FALSE(f.ops.deleteStep(name, 1));
    EXPECT_EQ(f.times(name).size(), 6u);
}

TEST(StepEdits, InsertIntoEmptyAndTheLimit)
{
    Fixture f;
    f.addSequence("Empty", 0);
    f.handBack("5", "100", "1", "1");
    ASSERT_TRUE(f.ops.insertStep("Empty", 0, false));
    EXPECT_EQ(f.times("Empty"), (std::vector<double>{5}));
    EXPECT_TRUE(f.ops.insertAllowed(97));
    EXPECT_TRUE(f.p.shown.empty());
    EXPECT_FALSE(f.ops.insertAllowed(98));
    EXPECT_EQ(f.p.shown.back().text, "Operation not allowed.  Maximum step is 98.");
    EXPECT_EQ(f.p.shown.back().title, "Too Many Test Steps.");
}

TEST(CopyPaste, ExamplesAndLimits)
{
    struct Case {
        CopyPasteChoice choice;
        std::vector<double> times;
    } cases[] = {
        {{2, 3, 4, 0}, {10, 20, 30, 40, 20, 30, 50}},
        {{2, 3, 1, 1}, {20, 30, 10, 20, 30, 40, 50}},
        {{4, 5, 1, 0}, {10, 40, 50, 20, 30, 40, 50}}, // block after the paste point
        {{3, 3, 5, 0}, {10, 20, 30, 40, 50, 30}},
    };
    for (const auto &c : cases) {
        Fixture f;
        f.addSequence("S", 5);
        ASSERT_TRUE(f.ops.copyPaste("S", c.choice, f.shown("S")));
        EXPECT_EQ(f.times("S"), c.times) << c.choice.copyFrom1 << "-" << c.choice.copyFrom2;
    }
    Fixture f;
    f.addSequence("Long", 96);
    EXPECT_FALSE(f.ops.copyPaste("Long", {1, 3, 96, 0}, f.shown("Long")));
    EXPECT_EQ(f.p.shown.back().text, "Setup steps can not be larger than 98 steps!");
    EXPECT_EQ(f.p.shown.back().title, "Step No input invalid");
    EXPECT_EQ(f.times("Long").size(), 96u);
    EXPECT_TRUE(f.ops.copyPaste("Long", {1, 2, 96, 0}, f.shown("Long")));
    EXPECT_EQ(f.times("Long").size(), 98u);
    EXPECT_FALSE(f.ops.copyPaste("Long", {0, 0, 0, 0}, f.shown("Long")));
}

TEST(CopyPaste, SiShownCelsiusGoesBackToFahrenheit)
{
    Fixture f;
    int id = 0;
    ASSERT_TRUE(f.repo.createSequence("Si", 1, {{1, 60, 212, 100, 10}}, id).ok);
    f.m.UnitSystem = 2;
    EXPECT_EQ(f.shown("Si")[0][2], "100.0");
    ASSERT_TRUE(f.ops.copyPaste("Si", {1, 1, 1, 0}, f.shown("Si")));
    EXPECT_EQ(must(f.repo.steps(id))[1].temperature, 212);
    EXPECT_EQ(f.shown("Si")[1][2], "100.0");
}

TEST(CopyPaste, FailureLeavesTheStepsAsTheyWere)
{
    Fixture f;
    f.addSequence("S", 3);
    ASSERT_TRUE(f.t.exec("CREATE TRIGGER nope BEFORE INSERT ON SequenceSetup "
                         "BEGIN SELECT RAISE(ABORT, 'database is locked'); END"));
    EXPECT_FALSE(f.ops.copyPaste("S", {1, 2, 1, 1}, f.shown("S")));
    EXPECT_EQ(f.p.shown.back().text, "The copied steps could not be saved: database is locked");
    EXPECT_EQ(f.p.shown.back().title, "Database Error");
    EXPECT_EQ(f.times("S"), (std::vector<double>{10, 20, 30}));
}

TEST(SetupGrid, UnitsAndRotorBob)
{
    const std::vector<SequenceStep> steps{{1, 600, 212, 100, 10}, {2, 30.5, 32.5, 0.5, 1}};
    const auto ei = setupRows(steps, false, 1.0f);
    EXPECT_EQ(ei[0], (SetupRow{"1", "600", "212.0", "100.00", "170.23", "10"}));
    const auto si = setupRows(steps, true, 3.185f);
    EXPECT_EQ(si[0][2], "100.0");
    EXPECT_EQ(si[1][2], ".3");
    EXPECT_EQ(si[1][1], "30.5");
    EXPECT_EQ(si[0][4], "542.18");
    EXPECT_EQ(setupHeaders(true)[2], "Temp\n(C°)");
    EXPECT_EQ(setupHeaders(false)[5], "Record Rate\n(Sec/Datum)");
}

TEST(Printout, LinesCellsAndPages)
{
    std::vector<SetupRow> rows;
    for (int i = 1; i <= 40; ++i)
        rows.push_back({QString::number(i), "600", "100.0", "100.00", "170.23", "10"});
    rows.push_back({"41", "123456789012345678901", "1", "2", "3", "4"});
    const auto lines = sequencePrintout("Mud", rows, false);
    ASSERT_EQ(lines.size(), 3u + 41u);
    EXPECT_EQ(lines[0].text, "Below is the list of the test steps of Mud");
    EXPECT_EQ(lines[1].text, "");
    EXPECT_EQ(lines[2].text, printoutHeader(false));
    EXPECT_EQ(lines[3].text.substr(19, 19), "600" + std::string(16, ' '));
    EXPECT_EQ(lines[3].text.size(), 6u * 19u);
    EXPECT_EQ(lines[3].text.substr(5 * 19), "10" + std::string(17, ' '));
    // Step 39 is grid row 40: a new page after it, so step 40 starts page two.
    for (size_t i = 3; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].newPageAfter, i == 3 + 38) << i;
    EXPECT_EQ(lines[43].text.substr(19, 21), "123456789012345678901");
    EXPECT_EQ(lines[43].text.substr(40, 1), "1");
    EXPECT_EQ(sequencePrintout("Mud", {}, false).size(), 3u);
}

// On paper every heading stands over its values, the record rate's too, in either unit system.
TEST(Printout, HeadingsStandOverTheirValues)
{
    const struct {
        bool si;
        const char *temperature;
    } cases[] = {{false, "Temperature(°F)"}, {true, "Temperature(°C)"}};
    QTemporaryDir dir;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.si);
        const std::vector<SetupRow> rows{{"1", "600", "212.0", "100.00", "170.23", "10"},
                                         {"2", "86400", "-40.0", "0.50", "0.85", "6300"}};
        const QString pdf = dir.filePath(QStringLiteral("aligned%1.pdf").arg(c.si));
        QtTextPrinter printer;
        printer.printToPdf(pdf, 1);
        printSequence(printer, "Mud", rows, c.si);
        QProcess text;
        text.start("pdftotext", {"-layout", pdf, "-"});
        text.waitForFinished(20000);
        const QStringList paper = QString::fromUtf8(text.readAllStandardOutput()).split('\n');
        if (const QByteArray shots = qgetenv("VISCORA_SHOTS"); !shots.isEmpty() && !c.si) {
            QDir().mkpath(QString::fromLocal8Bit(shots));
            QProcess::execute("pdftoppm", {"-png", "-r", "80", "-singlefile", pdf,
                                           QString::fromLocal8Bit(shots) + "/steps-printout"});
        }
        const auto header = std::find_if(paper.begin(), paper.end(),
                                         [](const QString &l) { return l.contains("Step No"); });
        ASSERT_NE(header, paper.end());
        const QString headings[] = {
            "Step No",    "Elaps Time(S)",   QString::fromUtf8(c.temperature),
            "Speed(Rpm)", "Shear Rate(1/S)", "Record Rate(Sec/Datum)"};
        for (size_t r = 0; r < rows.size(); ++r) {
            const QString &line = *(header + 1 + static_cast<qsizetype>(r));
            qsizetype from = 0;
            for (size_t col = 0; col < 6; ++col) {
                const qsizetype at = header->indexOf(headings[col]);
                ASSERT_GE(at, 0) << headings[col].toStdString();
                EXPECT_EQ(line.indexOf(rows[r][col], from), at)
                    << headings[col].toStdString() << " in " << line.toStdString();
                from = at + rows[r][col].size();
            }
        }
    }
}

// 39 steps fill the first page exactly and 79 the second: no empty page may follow them.
TEST(Printout, NoEmptyPageAfterTheLastStep)
{
    const struct {
        int steps, pages;
    } cases[] = {{1, 1}, {39, 1}, {40, 2}, {79, 2}, {80, 3}, {98, 3}};
    QTemporaryDir dir;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.steps);
        std::vector<SetupRow> rows;
        for (int i = 1; i <= c.steps; ++i)
            rows.push_back({QString::number(i), "600", "100.0", "100.00", "170.23", "10"});
        const auto lines = sequencePrintout("Mud", rows, false);
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [](const PrintoutLine &l) { return l.newPageAfter; }),
                  c.pages - 1);
        // On paper, through the printer the window uses.
        const QString pdf = dir.filePath(QStringLiteral("steps%1.pdf").arg(c.steps));
        QtTextPrinter printer;
        printer.printToPdf(pdf, 1);
        printSequence(printer, "Mud", rows, false);
        QProcess text;
        text.start("pdftotext", {pdf, "-"});
        text.waitForFinished(20000);
        const QByteArray out = text.readAllStandardOutput();
        EXPECT_EQ(out.count('\f'), c.pages);
        const QList<QByteArray> pages = out.split('\f');
        for (qsizetype i = 0; i + 1 < pages.size(); ++i)
            EXPECT_FALSE(pages[i].trimmed().isEmpty()) << "page " << i + 1;
    }
}

TEST(SequenceOperations, FailedWritesAreReportedAndChangeNothing)
{
    Fixture f;
    f.addSequence("S", 3);
    ASSERT_TRUE(f.t.exec("CREATE TRIGGER nodel BEFORE DELETE ON SequenceSetup "
                         "BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END"));
    f.p.answers = {Answer::Ok};
    EXPECT_FALSE(f.ops.deleteStep("S", 2));
    EXPECT_EQ(f.p.shown.back().text, "The step could not be deleted: disk I/O error");
    EXPECT_EQ(f.p.shown.back().title, "Database Error");
    EXPECT_FALSE(f.ops.deleteSequence("S", SequenceOperations::DeleteQuestion::None));
    EXPECT_EQ(f.p.shown.back().text, "The sequence could not be deleted: disk I/O error");
    EXPECT_EQ(f.times("S"), (std::vector<double>{10, 20, 30}));
    ASSERT_TRUE(f.t.exec("CREATE TRIGGER noadd BEFORE INSERT ON SequenceName "
                         "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
    f.p.inputAnswers = {std::string("New one")};
    EXPECT_FALSE(f.ops.newSequence());
    EXPECT_EQ(f.p.shown.back().text, "The sequence could not be saved: disk full");
    EXPECT_EQ(must(f.repo.sequences()).size(), 1u);
}

TEST(SendSequence, OnlyADownloadTheInstrumentTookCountsAsSent)
{
    struct Case {
        const char *name;
        int commPort, failWriteAfter;
        bool ok;
    } cases[] = {
        {"taken", 1, -1, true},
        {"cut off", 1, 5, false},
        {"no port", 4, -1, false},
    };
    const std::vector<SequenceStep> steps{{1, 600, 212, 100, 10}};
    for (const auto &c : cases) {
        Module1 m;
        m.RbIndex = 2;
        m.CommPort = static_cast<std::int16_t>(c.commPort);
        FakeClock clock;
        ScriptedPort port(clock);
        port.failWriteAfter = c.failWriteAfter;
        ScriptedPrompter p;
        const auto sent = sendSequence(port, clock, m, "Mud", steps, p);
        EXPECT_EQ(sent.has_value(), c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(port.allWritten(), "\x03"
                                         "01,00600,212,10000,211"
                                         "99")
                << c.name;
            EXPECT_EQ(sent->name, "Mud");
            EXPECT_EQ(sent->rbIndex, 2);
            ASSERT_EQ(sent->steps.size(), 1u);
            EXPECT_EQ(sent->steps[0].temperature, 212);
            EXPECT_TRUE(p.shown.empty()) << c.name;
            continue;
        }
        ASSERT_EQ(p.shown.size(), 1u) << c.name;
        EXPECT_EQ(p.shown[0].text,
                  "Fail to open comport, make sure comport is available and working properly.")
            << c.name;
        EXPECT_EQ(p.shown[0].title, "Comport Error") << c.name;
    }
}
