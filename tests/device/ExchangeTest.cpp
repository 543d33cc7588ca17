#include "device/Exchanges.h"
#include "support/FakeClock.h"
#include "device/Link.h"
#include "core/Module1.h"
#include "review/RelatedInfoEditor.h"
#include "review/RetrievedTest.h"
#include "support/ScriptedPort.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDb.h"

#include <gtest/gtest.h>

using namespace viscora;
using namespace viscora::test;

namespace {
struct Link {
    FakeClock clock;
    ScriptedPort port{clock};
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
    l.m.RbIndex = 6;
    const std::vector<DownloadStep> steps{{1, 600, 100, 100}, {2, 30, 20, 0}};
    ASSERT_TRUE(downloadSequence(l.port, l.clock, l.m, steps, l.p, l.observer()));
    EXPECT_EQ(l.port.allWritten(), "\x03"
                                   "01,00600,100,10000,611"
                                   "02,00030,020,00000,611"
                                   "99");
    ASSERT_EQ(l.port.writes.size(), 1u + 20u + 1u);
    // Every piece but the closing "99" is followed by at least 0.1 s.
    for (size_t i = 1; i < l.port.writes.size(); ++i)
        EXPECT_GE(l.port.writes[i].at - l.port.writes[i - 1].at, 0.1 - 1e-9) << i;
    EXPECT_TRUE(l.m.SequenceSent);
    EXPECT_FALSE(l.port.isOpen());
    EXPECT_EQ(l.statuses,
              (std::vector<std::string>{"Sending Setup Steps ...", "Sending Setups Finished!"}));
    EXPECT_EQ(l.progress, (std::vector<std::pair<int, int>>{{1, 2}, {2, 2}, {-1, 2}}));
    EXPECT_TRUE(l.p.shown.empty());
}

TEST(Download, NoStepsOrNoPortFailsWithoutSettingSent)
{
    Link l;
    EXPECT_FALSE(downloadSequence(l.port, l.clock, l.m, {}, l.p, l.observer()));
    EXPECT_EQ(l.port.allWritten(), "\x03");
    EXPECT_EQ(l.p.shown.back().text,
              "Fail to open comport, make sure comport is available and working properly.");
    EXPECT_EQ(l.p.shown.back().title, "Comport Error");
    EXPECT_FALSE(l.m.SequenceSent);

    Link broken;
    broken.m.SequenceSent = true;
    broken.port.failWriteAfter = 5;
    EXPECT_FALSE(
        downloadSequence(broken.port, broken.clock, broken.m, {{1, 600, 100, 100}}, broken.p));
    EXPECT_TRUE(broken.m.SequenceSent); // keeps its earlier value
    EXPECT_EQ(broken.p.shown.back().title, "Comport Error");

    Link absent;
    absent.m.CommPort = 4;
    EXPECT_FALSE(
        downloadSequence(absent.port, absent.clock, absent.m, {{1, 600, 100, 100}}, absent.p));
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
        {"only the end", "\x02", nullptr},
        {"one record", std::string("1,30,212,510,0,30000,1;\x02"), nullptr},
    };
    for (const auto &c : cases) {
        Link l;
        answer(l, std::string("K7400R V1.0 SIM\x02"), c.data);
        const auto r = retrieveLastResult(l.port, l.clock, l.m, l.p, l.observer());
        EXPECT_EQ(l.port.allWritten(), "\x08\x01") << c.name;
        EXPECT_FALSE(l.port.isOpen()) << c.name;
        EXPECT_EQ(l.statuses.front(), "Retrieving Data From K7400r ...") << c.name;
        if (c.message) {
            EXPECT_FALSE(r) << c.name;
            ASSERT_EQ(l.p.shown.size(), 1u) << c.name;
            EXPECT_EQ(l.p.shown[0].text, c.message) << c.name;
            EXPECT_EQ(l.p.shown[0].title, "Communication Error") << c.name;
        } else {
            ASSERT_TRUE(r) << c.name;
            EXPECT_TRUE(l.p.shown.empty()) << c.name;
            EXPECT_EQ(l.statuses.back(), "Retrieving Data Finished Successfully!") << c.name;
            EXPECT_EQ(l.m.RetrievedCount, static_cast<int>(r->size()));
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
    const auto r = retrieveLastResult(l.port, l.clock, l.m, l.p);
    EXPECT_FALSE(l.m.CustomRb);
    EXPECT_FALSE(r);
    EXPECT_EQ(l.p.shown.back().text,
              "Communication error from K7400r, please download data again.");
}

TEST(Retrieval, StoresNamedTestWithCustomHeaderAndSpeedZero)
{
    Link l;
    TestDb t;
    answer(l, "1702XXXXX\x02", std::string("1,30,212,510,0,0,1,2,60,200,500,,30000,1,\x02"));
    ASSERT_TRUE(retrieveLastResult(l.port, l.clock, l.m, l.p));
    EXPECT_TRUE(l.m.CustomRb);
    EXPECT_EQ(l.m.CustomRbFactor, 1702);
    ASSERT_EQ(l.m.RetrievedCount, 2);
    EXPECT_EQ(l.m.RetrievedRecords[1][4], 0);   // empty field reads 0
    EXPECT_EQ(l.m.RetrievedRecords[1][5], 300); // hundredths to rpm
    TestRepository repo(*t.db);
    RelatedInfoEditor editor(l.m, repo, l.p);
    ASSERT_TRUE(storeRetrievedTest(l.m, repo, l.p, [&] { editor.ok({"R1", "F", "", "", ""}); }));
    EXPECT_EQ(l.m.CurrentTestName, "R1");
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM TestResult WHERE TestId=1 AND Rbfactor=1702").toInt(),
              2);
    EXPECT_DOUBLE_EQ(t.scalar("SELECT Speed FROM TestResult WHERE StepNo=1").toDouble(), 0.000001);
    EXPECT_DOUBLE_EQ(t.scalar("SELECT Speed FROM TestResult WHERE StepNo=2").toDouble(), 300);
}

TEST(Retrieval, CancelledNamingStoresNothingAndRestores)
{
    Link l;
    TestDb t;
    l.m.NoTestShown = false;
    l.m.CurrentTestName = "shown";
    l.m.RetrievedRecords = {{1, 30, 100, 50, 0, 100, 3}};
    l.m.RetrievedCount = 1;
    TestRepository repo(*t.db);
    RelatedInfoEditor editor(l.m, repo, l.p);
    EXPECT_FALSE(storeRetrievedTest(l.m, repo, l.p, [&] {
        EXPECT_TRUE(l.m.NoTestShown);
        EXPECT_TRUE(l.m.CurrentTestName.empty());
        editor.cancel();
    }));
    EXPECT_FALSE(l.m.NoTestShown);
    EXPECT_EQ(l.m.CurrentTestName, "shown");
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM RelatedInfo").toInt(), 0);

    // A failing write leaves no header behind.
    ASSERT_TRUE(t.exec("CREATE TRIGGER full BEFORE INSERT ON TestResult "
                       "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END"));
    EXPECT_FALSE(storeRetrievedTest(l.m, repo, l.p, [&] { editor.ok({"R2", "", "", "", ""}); }));
    EXPECT_EQ(l.p.shown.back().text,
              "The retrieved test could not be saved: database or disk is full");
    EXPECT_EQ(l.p.shown.back().title, "Database Error");
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM RelatedInfo").toInt(), 0);
    EXPECT_EQ(l.m.CurrentTestName, "shown");
}
