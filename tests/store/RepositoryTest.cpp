#include "store/SequenceRepository.h"
#include "store/TestNaming.h"
#include "support/DbContent.h"
#include "support/TestDb.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace viscora;
using namespace viscora::test;

namespace {
std::vector<std::pair<int, QString>> headers(TestDb &t)
{
    std::vector<std::pair<int, QString>> out;
    for (const auto &e : must(TestRepository(*t.db).tests()))
        out.emplace_back(e.testId, e.testName);
    return out;
}
class Repository : public ::testing::TestWithParam<Backend> {};
} // namespace

INSTANTIATE_TEST_SUITE_P(Backends, Repository, kBothBackends, backendName);

TEST_P(Repository, NumberingStartsAtOneAndFollowsTheLargest)
{
    TestDb t(GetParam());
    TestRepository repo(*t.db);
    EXPECT_EQ(must(repo.nextTestId()), 1);
    EXPECT_EQ(t.addTest("a", {}), 1);
    EXPECT_EQ(t.addTest("b", {}), 2);
    EXPECT_EQ(t.addTest("c", {}), 3);
    EXPECT_EQ(must(repo.nextTestId()), 4);
}

TEST_P(Repository, DeleteRenumbersHeadersAndPoints)
{
    TestDb t(GetParam());
    t.addTest("one", {point(1, 10, 100, 100, 50)});
    t.addTest("two", {point(1, 10, 100, 100, 60), point(1, 20, 100, 100, 61)});
    t.addTest("three", {point(1, 10, 100, 100, 70)});
    TestRepository repo(*t.db);
    // What the delete question counts.
    EXPECT_EQ(repo.pointCount("two").value(), 2u);
    EXPECT_EQ(repo.pointCount("ghost").value(), 0u);
    ASSERT_TRUE(repo.deleteTest("one").ok);
    EXPECT_EQ(headers(t), (std::vector<std::pair<int, QString>>{{1, "two"}, {2, "three"}}));
    EXPECT_EQ(repo.pointCount("two").value(), 2u);
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM TestResult WHERE TestId=1 AND Shearstress>=60 AND "
                       "Shearstress<70")
                  .toInt(),
              2);
    EXPECT_EQ(t.scalar("SELECT Shearstress FROM TestResult WHERE TestId=2").toDouble(), 70);
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM TestResult").toInt(), 3);

    // The highest renumbers nothing.
    ASSERT_TRUE(repo.deleteTest("three").ok);
    EXPECT_EQ(headers(t), (std::vector<std::pair<int, QString>>{{1, "two"}}));
    ASSERT_TRUE(repo.deleteTest("two").ok);
    EXPECT_TRUE(headers(t).empty());
    EXPECT_EQ(t.addTest("again", {}), 1);
    // A name that is not there changes nothing.
    EXPECT_TRUE(repo.deleteTest("ghost").ok);
    EXPECT_EQ(headers(t).size(), 1u);
}

TEST_P(Repository, NamesWithQuotesAreOrdinary)
{
    TestDb t(GetParam());
    const QString odd = QStringLiteral("Mud \"7\" o'clock");
    t.addTest("plain", {point(1, 1, 1, 1, 1)});
    t.addTest(odd, {point(1, 1, 1, 1, 2)});
    TestRepository repo(*t.db);
    EXPECT_EQ(must(repo.testId(odd)), 2);
    EXPECT_EQ(must(repo.header(odd))->testName, odd);
    EXPECT_TRUE(must(repo.exists(odd, Qt::CaseSensitive)));
    EXPECT_FALSE(must(repo.exists("PLAIN", Qt::CaseSensitive)));
    EXPECT_TRUE(must(repo.exists("PLAIN", Qt::CaseInsensitive)));
    ASSERT_TRUE(repo.deleteTest(odd).ok);
    EXPECT_EQ(headers(t), (std::vector<std::pair<int, QString>>{{1, "plain"}}));
}

TEST_P(Repository, FailedDeleteLeavesEverythingAsItWas)
{
    TestDb t(GetParam());
    t.addTest("one", {point(1, 10, 100, 100, 50)});
    t.addTest("two", {point(1, 10, 100, 100, 60)});
    // A failure half-way, after the points are gone and renumbered.
    ASSERT_TRUE(t.failOn("DELETE", "RelatedInfo", "disk I/O error"));
    TestRepository repo(*t.db);
    const DbResult r = repo.deleteTest("one");
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains("disk I/O error")) << r.error.toStdString();
    EXPECT_EQ(headers(t), (std::vector<std::pair<int, QString>>{{1, "one"}, {2, "two"}}));
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM TestResult").toInt(), 2);
    EXPECT_EQ(t.scalar("SELECT TestId FROM TestResult WHERE Shearstress=60").toInt(), 2);
}

TEST_P(Repository, HeaderUpdateAndInsertPoints)
{
    TestDb t(GetParam());
    t.addTest("a", {});
    TestRepository repo(*t.db);
    ASSERT_TRUE(repo.updateHeader({"a", "F1", "", "Co", "d"}).ok);
    const auto h = must(repo.header("a"));
    EXPECT_EQ(h->mudId, "F1");
    EXPECT_EQ(h->sampleTime, "");
    EXPECT_EQ(h->companyName, "Co");
    ASSERT_TRUE(repo.insertPoints(1, {point(2, 30, 150, 300, 510, 5, 1703)}).ok);
    EXPECT_EQ(must(repo.firstRbfactor("a")), 1703.0);
    EXPECT_FALSE(must(repo.firstRbfactor("nothing")));
}

TEST_P(Repository, StoredPointsInStepAndTimeOrderWithNullsUnread)
{
    TestDb t(GetParam());
    t.addTest("other", {point(1, 5, 1, 1, 1)});
    t.addTest("it's", {point(2, 10, 120, 300, 500, 0, 1), point(1, 20, 100, 600, 900, 4, 1),
                       point(1, 10, 101, 600, 910, 0, 1)});
    ASSERT_TRUE(t.exec("UPDATE TestResult SET Shearstress=NULL WHERE TestId=2 AND StepNo=2"));
    TestRepository repo(*t.db);
    const auto points = must(repo.storedPoints("it's"));
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0].stepNo, 1);
    EXPECT_EQ(points[0].time, 10);
    EXPECT_EQ(points[0].shearStress, 910);
    EXPECT_EQ(points[1].gel, 4);
    EXPECT_EQ(points[2].stepNo, 2);
    EXPECT_TRUE(std::isnan(points[2].shearStress)); // not a reading of 0
    EXPECT_EQ(points[2].temperature, 120);
    EXPECT_TRUE(must(repo.storedPoints("ghost")).empty());
    ASSERT_TRUE(t.exec("ALTER TABLE TestResult RENAME COLUMN Gel TO Other"));
    const auto failed = repo.storedPoints("it's");
    ASSERT_FALSE(failed);
    EXPECT_TRUE(failed.error().startsWith("The test's points could not be read"))
        << failed.error().toStdString();
}

TEST_P(Repository, SequenceDeleteRenumbersAndRollsBack)
{
    TestDb t(GetParam());
    for (int i = 1; i <= 3; ++i) {
        ASSERT_TRUE(
            t.exec(QStringLiteral("INSERT INTO SequenceName VALUES (%1, 'S%1', 1)").arg(i)));
        ASSERT_TRUE(t.exec(
            QStringLiteral("INSERT INTO SequenceSetup VALUES (%1, 1, 600, 100, 100, 10)").arg(i)));
    }
    SequenceRepository repo(*t.db);
    ASSERT_TRUE(repo.deleteSequence("S1").ok);
    const auto seqs = must(repo.sequences());
    ASSERT_EQ(seqs.size(), 2u);
    EXPECT_EQ(seqs[0].sequenceId, 1);
    EXPECT_EQ(seqs[0].name, "S2");
    EXPECT_EQ(seqs[1].sequenceId, 2);
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM SequenceSetup WHERE SequenceId IN (1,2)").toInt(), 2);
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM SequenceSetup").toInt(), 2);

    ASSERT_TRUE(t.failOn("DELETE", "SequenceName", "locked"));
    EXPECT_FALSE(repo.deleteSequence("S2").ok);
    EXPECT_EQ(must(repo.sequences()).size(), 2u);
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM SequenceSetup").toInt(), 2);
}

TEST_P(Repository, NamingANewTestHandsBackWhatToTell)
{
    TestDb t(GetParam());
    t.addTest("taken", {});
    TestRepository repo(*t.db);
    const struct {
        const char *name;
        NamingOutcome outcome;
        std::optional<Failure> told;
    } cases[] = {
        {"", NamingOutcome::RefusedName,
         Failure{"Must input Test name.", "Blank Input Error.", ""}},
        {"taken", NamingOutcome::RefusedName,
         Failure{"Duplicated test name. Please enter a new test name.", "Test Name Error.", ""}},
        {"new", NamingOutcome::Created, std::nullopt},
    };
    for (const auto &c : cases) {
        const Naming n = nameNewTest(repo, {c.name, "", "", "", ""}, Qt::CaseSensitive, {});
        EXPECT_EQ(n.outcome, c.outcome) << c.name;
        EXPECT_EQ(n.failure, c.told) << c.name;
    }
    // Names that cannot be read are the database's failure.
    ASSERT_TRUE(t.exec("ALTER TABLE RelatedInfo RENAME TO Gone"));
    const Naming n = nameNewTest(repo, {"other", "", "", "", ""}, Qt::CaseSensitive, {});
    EXPECT_EQ(n.outcome, NamingOutcome::Failed);
    EXPECT_EQ(n.failure, repo.exists("other", Qt::CaseSensitive).failure());
    EXPECT_EQ(n.failure->title, "Database Error");
}

TEST(NewName, TrimmedAndFreeOfControlCharacters)
{
    const Failure blankTest{"Must input Test name.", "Blank Input Error.", ""};
    const Failure controlTest{
        "A test name cannot hold control characters (tabs, line breaks, escapes).",
        "Test Name Error.", ""};
    const Failure blankSequence{"Please input the new sequence name", "Blank Input Error.", ""};
    const Failure controlSequence{
        "A sequence name cannot hold control characters (tabs, line breaks, escapes).",
        "New Sequence Naming Error", ""};
    const struct {
        QString typed;
        QString kept;
        std::optional<Failure> test, sequence;
    } cases[] = {
        {"LONG", "LONG", std::nullopt, std::nullopt},
        {"  LONG ", "LONG", std::nullopt, std::nullopt},
        {"\tLONG\r\n", "LONG", std::nullopt, std::nullopt},
        {QString::fromUtf8("\u00a0Mud 7\u3000"), "Mud 7", std::nullopt, std::nullopt},
        {"Mud  \"7\" 'x'", "Mud  \"7\" 'x'", std::nullopt, std::nullopt},
        {"", "", blankTest, blankSequence},
        {"   ", "", blankTest, blankSequence},
        {"a\tb", "a\tb", controlTest, controlSequence},
        {"a\nb", "a\nb", controlTest, controlSequence},
        {"\x1b]0;owned\x07", "\x1b]0;owned\x07", controlTest, controlSequence},
        {"a\x1b[2Jb", "a\x1b[2Jb", controlTest, controlSequence},
        {"del\x7f", "del\x7f", controlTest, controlSequence},
        {QString::fromUtf8("c1\u009b2J"), QString::fromUtf8("c1\u009b2J"), controlTest,
         controlSequence},
        {QString(QChar(0)) + "nul", QString(QChar(0)) + "nul", controlTest, controlSequence},
    };
    for (const auto &c : cases) {
        const NewName test = newName(c.typed, NameOf::Test);
        EXPECT_EQ(test.name, c.kept) << c.typed.toStdString();
        EXPECT_EQ(test.failure, c.test) << c.typed.toStdString();
        const NewName sequence = newName(c.typed, NameOf::Sequence);
        EXPECT_EQ(sequence.name, c.kept) << c.typed.toStdString();
        EXPECT_EQ(sequence.failure, c.sequence) << c.typed.toStdString();
    }
}

TEST_P(Repository, NamingANewTestKeepsItTrimmedAndRefusesControlCharacters)
{
    TestDb t(GetParam());
    t.addTest("LONG", {});
    TestRepository repo(*t.db);
    const Failure duplicate{"Duplicated test name. Please enter a new test name.",
                            "Test Name Error.", ""};
    const struct {
        const char *typed;
        NamingOutcome outcome;
        std::optional<Failure> told;
        QString kept;
    } cases[] = {
        {"LONG ", NamingOutcome::RefusedName, duplicate, "LONG"},
        {"  new  ", NamingOutcome::Created, std::nullopt, "new"},
        {"   ", NamingOutcome::RefusedName,
         Failure{"Must input Test name.", "Blank Input Error.", ""}, ""},
        {"tab\there", NamingOutcome::RefusedName,
         Failure{"A test name cannot hold control characters (tabs, line breaks, escapes).",
                 "Test Name Error.", ""},
         "tab\there"},
    };
    for (const auto &c : cases) {
        const Naming n = nameNewTest(repo, {c.typed, "", "", "", ""}, Qt::CaseSensitive, {});
        EXPECT_EQ(n.outcome, c.outcome) << c.typed;
        EXPECT_EQ(n.failure, c.told) << c.typed;
        EXPECT_EQ(n.name, c.kept) << c.typed;
    }
    EXPECT_EQ(headers(t), (std::vector<std::pair<int, QString>>{{1, "LONG"}, {2, "new"}}));
}

TEST_P(Repository, IdsStopAtTheLargestA32BitIdHolds)
{
    TestDb t(GetParam());
    t.addTest("last", {point(1, 10, 100, 100, 50)});
    ASSERT_TRUE(t.exec("UPDATE TestResult SET TestId=2147483647"));
    ASSERT_TRUE(t.exec("UPDATE RelatedInfo SET TestId=2147483647"));
    TestRepository tests(*t.db);
    const Failure full{"The database holds the most tests it can number.", "Database Error", ""};
    EXPECT_EQ(tests.nextTestId().failure(), full);
    int id = 0;
    EXPECT_EQ(tests.createHeader({"direct", "", "", "", ""}, id).failure(), full);
    const Naming n = nameNewTest(tests, {"next", "", "", "", ""}, Qt::CaseSensitive, {});
    EXPECT_EQ(n.outcome, NamingOutcome::Failed);
    EXPECT_EQ(n.failure, full);
    EXPECT_TRUE(n.writeFailure.ok); // said once, by the failure above
    EXPECT_EQ(headers(t), (std::vector<std::pair<int, QString>>{{2147483647, "last"}}));

    SequenceRepository sequences(*t.db);
    ASSERT_TRUE(sequences.createSequence("last", 1, {{1, 600, 100, 100, 10}}, id).ok);
    ASSERT_TRUE(t.exec("UPDATE SequenceSetup SET SequenceId=2147483647"));
    ASSERT_TRUE(t.exec("UPDATE SequenceName SET SequenceId=2147483647"));
    const DbResult r = sequences.createSequence("next", 1, {{1, 600, 100, 100, 10}}, id);
    EXPECT_EQ(r.failure(), (Failure{"The database holds the most sequences it can number.",
                                    "Database Error", ""}));
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM SequenceName").toInt(), 1);
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM SequenceSetup").toInt(), 1);
}

TEST(TestQueryText, VariantsCarryTheirFactorsAndOrder)
{
    RotorBobSetting rb;
    rb.shearFactor = 0.2215f;
    rb.fannFactor = 1.973f;
    TestQuery ei = buildTestQuery(Units::EI, rb, false, QueryOrder::StepThenTime);
    EXPECT_NE(ei.sql.find("Shearstress*0.2088"), std::string::npos);
    EXPECT_NE(ei.sql.find("ORDER BY StepNo, Time ASC"), std::string::npos);
    EXPECT_EQ(ei.factors, (std::vector<double>{0.2215, 0.2215, 1.973}));
    rb.customFactor = 1.703;
    TestQuery si = buildTestQuery(Units::SI, rb, true, QueryOrder::Unordered);
    EXPECT_NE(si.sql.find("(Temperature-32)*5/9.0"), std::string::npos);
    EXPECT_NE(si.sql.find("Rbfactor/1000.0"), std::string::npos);
    EXPECT_EQ(si.sql.find("ORDER BY StepNo"), std::string::npos);
    EXPECT_EQ(si.factors, (std::vector<double>{1.703, 1.703, 1.973}));
    // No value is ever pasted into the text.
    EXPECT_EQ(si.sql.find("1.703"), std::string::npos);
}

// Each statement of a delete failing in turn: the delete is reported failed and leaves the
// database as it was, or it is whole; either way the next delete goes through.
TEST_P(Repository, ADeleteFailingAtAnyStatementIsWholeOrNothing)
{
    const struct {
        const char *what;
        std::function<DbResult(Database &)> remove;
    } cases[] = {
        {"test", [](Database &db) { return TestRepository(db).deleteTest("one"); }},
        {"sequence", [](Database &db) { return SequenceRepository(db).deleteSequence("S1"); }},
    };
    auto filled = [&] {
        auto t = std::make_unique<TestDb>(GetParam());
        for (const char *name : {"one", "two", "three"})
            t->addTest(name, {point(1, 10, 100, 100, 50), point(1, 20, 100, 100, 60)});
        EXPECT_TRUE(TestRepository(*t->db).addEvent("two", {12.5, "gap", "lost"}).ok);
        int id = 0;
        for (const char *name : {"S1", "S2"})
            EXPECT_TRUE(
                SequenceRepository(*t->db)
                    .createSequence(name, 1, {{1, 600, 100, 100, 10}, {2, 60, 90, 3, 1}}, id)
                    .ok);
        return t;
    };
    for (const auto &c : cases) {
        auto fresh = filled();
        const auto before = lines(contentOf(*fresh->db));
        ASSERT_TRUE(c.remove(*fresh->db).ok);
        const auto complete = lines(contentOf(*fresh->db));
        ASSERT_NE(before, complete);
        for (int n = 1;; ++n) {
            ASSERT_LT(n, 200) << c.what;
            auto t = filled();
            DbResult r;
            const StruckStatement struck = failNth(n, [&] { r = c.remove(*t->db); });
            const auto after = lines(contentOf(*t->db));
            const std::string at = std::string(c.what) + ", statement " + std::to_string(n) + ": " +
                                   struck.statement.toStdString();
            if (!struck.struck) {
                EXPECT_TRUE(r.ok) << at;
                EXPECT_EQ(after, complete) << at;
                break;
            }
            if (r.ok) {
                EXPECT_EQ(after, complete) << at;
            } else {
                EXPECT_FALSE(r.error.isEmpty()) << at;
                EXPECT_TRUE(after == before || after == complete) << at;
            }
            // From another connection: nothing of the failed one holds it up.
            auto other = Database::open(t->path, Database::OpenMode::MustExist, 100).db;
            ASSERT_TRUE(other) << at;
            const DbResult again = c.remove(*other);
            EXPECT_TRUE(again.ok) << at << " then " << again.error.toStdString();
            EXPECT_EQ(lines(contentOf(*t->db)), complete) << at;
            EXPECT_TRUE(must(t->db->integrityProblems()).isEmpty()) << at;
        }
    }
}
