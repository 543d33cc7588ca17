#include "device/Exchanges.h"
#include "support/FakeClock.h"
#include "device/Link.h"
#include "core/Module1.h"
#include "review/RelatedInfoEditor.h"
#include "review/RetrievedTest.h"
#include "support/ScriptedPort.h"
#include "support/ScriptedPrompter.h"
#include "support/DbContent.h"
#include "support/TestDb.h"

#include <gtest/gtest.h>

using namespace viscora;
using namespace viscora::test;

namespace {
void keepIn(Module1 &m, const Retrieval &r)
{
    m.keepRetrieval(r.headerAsked, r.customFactor, r.read());
}

struct Link {
    FakeClock clock;
    ScriptedPort port{clock};
    // Where the main window keeps a retrieval, and its prompter, for storing it as a test.
    ScriptedPrompter p;
    Module1 m;
    std::vector<std::string> statuses;
    std::vector<std::pair<int, int>> progress;
    ExchangeObserver observer()
    {
        ExchangeObserver o;
        o.status = [this](const std::string &s) { statuses.push_back(s); };
        o.progress = [this](int v, int max) { progress.emplace_back(v, max); };
        return o;
    }
};
} // namespace

TEST(DownloadPieces, EdgeCases)
{
    struct Case {
        DownloadStep step;
        bool si;
        int rb;
        std::vector<std::string> pieces;
    } cases[] = {
        {{1, 600, 100, 100},
         false,
         1,
         {"01", ",", "00600", ",", "100", ",", "10000", ",", "1", "11"}},
        {{2, 30, 20, 0}, false, 1, {"02", ",", "00030", ",", "020", ",", "00000", ",", "1", "11"}},
        {{3, 6300, 100.0, 600.01},
         false,
         6,
         {"03", ",", "06300", ",", "100", ",", "60001", ",", "6", "11"}},
        {{4, 60, (212 - 32) * 5.0 / 9.0, 3},
         true,
         5,
         {"04", ",", "00060", ",", "212", ",", "00300", ",", "5", "11"}},
        {{98, 123456, 350, 1000},
         false,
         2,
         {"98", ",", "123456", ",", "350", ",", "100000", ",", "2", "11"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(programPieces(downloadProgramStep(c.step, c.si, c.rb)), c.pieces)
            << c.step.stepNo;
}

TEST(Download, ExactBytesPacingAndProgress)
{
    Link l;
    const std::vector<DownloadStep> steps{{1, 600, 100, 100}, {2, 30, 20, 0}};
    ASSERT_TRUE(downloadSequence(l.port, l.clock, 1, Units::EI, 6, steps, l.observer()));
    EXPECT_EQ(l.port.allWritten(), "\x03"
                                   "01,00600,100,10000,611"
                                   "02,00030,020,00000,611"
                                   "99");
    ASSERT_EQ(l.port.writes.size(), 1u + 20u + 1u);
    // Every piece but the closing "99" is followed by at least 0.1 s.
    for (size_t i = 1; i < l.port.writes.size(); ++i)
        EXPECT_GE(l.port.writes[i].at - l.port.writes[i - 1].at, 0.1 - 1e-9) << i;
    EXPECT_FALSE(l.port.isOpen());
    EXPECT_EQ(l.statuses,
              (std::vector<std::string>{"Sending Setup Steps ...", "Sending Setups Finished!"}));
    EXPECT_EQ(l.progress, (std::vector<std::pair<int, int>>{{1, 2}, {2, 2}, {-1, 2}}));
}

TEST(Download, NoStepsOrNoPortFails)
{
    const Failure comport{
        "Fail to open comport, make sure comport is available and working properly.",
        "Comport Error", ""};
    Link l;
    const Outcome none = downloadSequence(l.port, l.clock, 1, Units::EI, 1, {}, l.observer());
    ASSERT_FALSE(none);
    EXPECT_EQ(l.port.allWritten(), "\x03");
    EXPECT_EQ(none.failure(), comport);

    Link broken;
    broken.port.failWriteAfter = 5;
    const Outcome cut =
        downloadSequence(broken.port, broken.clock, 1, Units::EI, 1, {{1, 600, 100, 100}});
    ASSERT_FALSE(cut);
    EXPECT_EQ(cut.failure(), comport);

    Link absent;
    const Outcome closed =
        downloadSequence(absent.port, absent.clock, 4, Units::EI, 1, {{1, 600, 100, 100}});
    ASSERT_FALSE(closed);
    EXPECT_EQ(closed.failure(), comport);
    EXPECT_TRUE(absent.port.writes.empty());
}

namespace {
// The instrument answers each read command with the given block.
void answer(Link &l, std::string header, std::string data)
{
    l.port.onWrite = [&l, header, data](const std::string &bytes) {
        if (bytes == "\x08" && !header.empty())
            l.port.deliver(header, l.clock.now + 0.05);
        if (bytes == "\x01" && !data.empty())
            l.port.deliver(data, l.clock.now + 0.05);
    };
}
} // namespace

TEST(Retrieval, ChecksAndTheirMessages)
{
    struct Case {
        const char *name;
        std::string data;
        const char *message; // nullptr: success
    } cases[] = {
        {"empty", "", "No response from K7400r, please check connection."},
        {"wrong end", "1,30,212,510,0,30000,1,",
         "Communication error from K7400r, please download data again."},
        {"end used as separator", std::string("1,30,212,510,0,30000,1\x02", 23),
         "Communication error from K7400r, please download data again."},
        // Nothing to retrieve is no retrieval: no test is made of it.
        {"only the end", "\x02", "K7400r holds no test data: nothing was retrieved."},
        {"one record", std::string("1,30,212,510,0,30000,1;\x02"), nullptr},
    };
    for (const auto &c : cases) {
        Link l;
        answer(l, std::string("K7400R V1.0 SIM\x02"), c.data);
        const Retrieval r = retrieveLastResult(l.port, l.clock, 1, l.observer());
        EXPECT_EQ(l.port.allWritten(), "\x08\x01") << c.name;
        EXPECT_FALSE(l.port.isOpen()) << c.name;
        EXPECT_EQ(l.statuses.front(), "Retrieving Data From K7400r ...") << c.name;
        EXPECT_TRUE(r.headerAsked) << c.name;
        EXPECT_FALSE(r.customFactor) << c.name;
        if (c.message) {
            ASSERT_FALSE(r.records) << c.name;
            EXPECT_NE(l.statuses.back(), "Retrieving Data Finished Successfully!") << c.name;
            EXPECT_EQ(r.records.failure(), (Failure{c.message, "Communication Error", ""}))
                << c.name;
        } else {
            ASSERT_TRUE(r.records) << c.name;
            EXPECT_EQ(l.statuses.back(), "Retrieving Data Finished Successfully!") << c.name;
            keepIn(l.m, r);
            EXPECT_EQ(l.m.RetrievedCount, static_cast<int>(r.records->size()));
        }
    }
}

TEST(Retrieval, LateHeaderReadsEmptyAndANoisyLineStillEnds)
{
    Link l;
    l.port.onWrite = [&l](const std::string &bytes) {
        if (bytes == "\x08")
            l.port.deliver("1702XXXXX\x02", l.clock.now + 0.6); // after the 0.4 s quiet
        if (bytes == "\x01")
            for (int i = 0; i < 1000; ++i) // never falls quiet
                l.port.deliver("junk", l.clock.now + 0.3 * i);
    };
    const Retrieval r = retrieveLastResult(l.port, l.clock, 1);
    EXPECT_TRUE(r.headerAsked);
    EXPECT_FALSE(r.customFactor);
    ASSERT_FALSE(r.records);
    EXPECT_EQ(r.records.failure().text,
              "Communication error from K7400r, please download data again.");
}

TEST(Retrieval, TheHeaderIsKeptOnceAskedEvenWhenTheDataFails)
{
    // No port: nothing asked, the rotor-bob of the test shown stays.
    Link absent;
    absent.m.CustomRb = true;
    absent.m.CustomRbFactor = 1500;
    const Retrieval none = retrieveLastResult(absent.port, absent.clock, 4);
    EXPECT_FALSE(none.headerAsked);
    ASSERT_FALSE(none.records);
    EXPECT_EQ(none.records.failure(),
              (Failure{"Fail to open comport, make sure comport is available and working properly.",
                       "Comport Error", ""}));
    keepIn(absent.m, none);
    EXPECT_TRUE(absent.m.CustomRb);
    EXPECT_EQ(absent.m.CustomRbFactor, 1500);

    // A custom header, then silence: the header counts, the earlier records stay.
    Link l;
    answer(l, "1702XXXXX\x02", "");
    l.m.RetrievedRecords = {{1, 30, 100, 50, 0, 100, 3}};
    l.m.RetrievedCount = 1;
    const Retrieval silent = retrieveLastResult(l.port, l.clock, 1);
    ASSERT_FALSE(silent.records);
    EXPECT_EQ(silent.records.failure().text, "No response from K7400r, please check connection.");
    keepIn(l.m, silent);
    EXPECT_TRUE(l.m.CustomRb);
    EXPECT_DOUBLE_EQ(l.m.CustomRbFactor, 1.702);
    EXPECT_EQ(l.m.RetrievedCount, 1);

    // A listed rotor-bob's header clears a custom one.
    Link listed;
    answer(listed, "K7400R V1.0 SIM\x02", "");
    listed.m.CustomRb = true;
    keepIn(listed.m, retrieveLastResult(listed.port, listed.clock, 1));
    EXPECT_FALSE(listed.m.CustomRb);
}

TEST(Retrieval, StoresNamedTestWithCustomHeaderAndSpeedZero)
{
    Link l;
    TestDb t;
    answer(l, "1702XXXXX\x02", std::string("1,30,212,510,0,0,1,2,60,200,500,,30000,1,\x02"));
    const Retrieval r = retrieveLastResult(l.port, l.clock, 1);
    ASSERT_TRUE(r.records);
    ASSERT_TRUE(r.customFactor);
    EXPECT_EQ(*r.customFactor, 1702);
    keepIn(l.m, r);
    EXPECT_TRUE(l.m.CustomRb);
    EXPECT_DOUBLE_EQ(l.m.CustomRbFactor, 1.702); // shear rate per rpm, as the naming keeps it
    ASSERT_EQ(l.m.RetrievedCount, 2);
    EXPECT_EQ(l.m.RetrievedRecords[1][4], 0);   // empty field reads 0
    EXPECT_EQ(l.m.RetrievedRecords[1][5], 300); // hundredths to rpm
    TestRepository repo(*t.db);
    RelatedInfoEditor editor(repo, l.p, std::nullopt);
    const auto stored =
        storeRetrievedTest(repo, l.p, retrievedPoints(*r.records, r.customFactor), [&] {
            return editor.ok({"R1", "F", "", "", ""}) ? editor.created() : std::nullopt;
        });
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->name, "R1");
    l.m.showRetrievedTest(stored->name.toStdString(), stored->id);
    EXPECT_EQ(l.m.CurrentTestName, "R1");
    EXPECT_EQ(l.m.RbIndex, 1); // the last record's rotor-bob code
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM TestResult WHERE TestId=1 AND Rbfactor=1702").toInt(),
              2);
    EXPECT_DOUBLE_EQ(t.scalar("SELECT Speed FROM TestResult WHERE StepNo=1").toDouble(), 0.000001);
    EXPECT_DOUBLE_EQ(t.scalar("SELECT Speed FROM TestResult WHERE StepNo=2").toDouble(), 300);
}

TEST(Retrieval, CancelledNamingOrAFailedWriteStoresNothing)
{
    Link l;
    TestDb t;
    const std::vector<StoredPoint> points = retrievedPoints({{1, 30, 100, 50, 0, 100, 3}}, {});
    TestRepository repo(*t.db);
    RelatedInfoEditor editor(repo, l.p, std::nullopt);
    EXPECT_FALSE(storeRetrievedTest(repo, l.p, points, [] { return std::nullopt; }));
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM RelatedInfo").toInt(), 0);

    // A failing write leaves no header behind.
    ASSERT_TRUE(t.exec("CREATE TRIGGER full BEFORE INSERT ON TestResult "
                       "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END"));
    EXPECT_FALSE(storeRetrievedTest(repo, l.p, points, [&] {
        return editor.ok({"R2", "", "", "", ""}) ? editor.created() : std::nullopt;
    }));
    EXPECT_EQ(l.p.shown.back().text,
              "The retrieved test could not be saved: database or disk is full");
    EXPECT_EQ(l.p.shown.back().title, "Database Error");
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM RelatedInfo").toInt(), 0);
}

namespace {
class RetrievalOn : public ::testing::TestWithParam<Backend> {};
INSTANTIATE_TEST_SUITE_P(Backends, RetrievalOn, kBothBackends, backendName);
} // namespace

// Each statement of saving a retrieved test failing in turn: the test is saved whole, or the
// operator is told and the database and the window are as they were.
TEST_P(RetrievalOn, SavingFailingAtAnyStatementLeavesNoTestWithoutItsPoints)
{
    for (int n = 1;; ++n) {
        ASSERT_LT(n, 200);
        TestDb t(GetParam());
        t.addTest("old", {point(1, 10, 100, 300, 510)});
        const auto before = lines(contentOf(*t.db));
        Link l;
        l.m.NoTestShown = false;
        l.m.CurrentTestName = "old";
        answer(l, "1702XXXXX\x02", std::string("1,30,212,510,0,0,1,2,60,200,500,,30000,1,\x02"));
        const Retrieval r = retrieveLastResult(l.port, l.clock, 1);
        keepIn(l.m, r);
        ASSERT_EQ(l.m.RetrievedCount, 2);
        TestRepository repo(*t.db);
        RelatedInfoEditor editor(repo, l.p, std::nullopt);
        bool saved = false;
        const StruckStatement struck = failNth(n, [&] {
            const auto stored =
                storeRetrievedTest(repo, l.p, retrievedPoints(*r.records, r.customFactor), [&] {
                    return editor.ok({"R1", "F", "", "", ""}) ? editor.created() : std::nullopt;
                });
            if (stored)
                l.m.showRetrievedTest(stored->name.toStdString(), stored->id);
            saved = stored.has_value();
        });
        const std::string at =
            "statement " + std::to_string(n) + ": " + struck.statement.toStdString();
        if (saved) {
            EXPECT_EQ(l.m.CurrentTestName, "R1") << at;
            EXPECT_EQ(must(repo.pointCount("R1")), 2u) << at;
            EXPECT_TRUE(l.p.shown.empty()) << at;
        } else {
            ASSERT_FALSE(l.p.shown.empty()) << at;
            EXPECT_EQ(l.p.shown.back().title, "Database Error") << at;
            EXPECT_EQ(lines(contentOf(*t.db)), before) << at;
            EXPECT_EQ(l.m.CurrentTestName, "old") << at;
            EXPECT_FALSE(l.m.NoTestShown) << at;
        }
        EXPECT_TRUE(must(t.db->integrityProblems()).isEmpty()) << at;
        if (!struck.struck) {
            EXPECT_TRUE(saved);
            break;
        }
    }
}
