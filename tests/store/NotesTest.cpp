#include "store/TestNotes.h"
#include "support/TestDb.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace viscora;
using namespace viscora::test;

namespace {
class Notes : public ::testing::TestWithParam<Backend> {};

std::vector<std::pair<double, QString>> listed(TestDb &t, const QString &name)
{
    std::vector<std::pair<double, QString>> out;
    for (const TestEvent &e : must(testNotes(TestRepository(*t.db), name)))
        out.emplace_back(e.time, e.text);
    return out;
}
} // namespace

INSTANTIATE_TEST_SUITE_P(Backends, Notes, kBothBackends, backendName);

// Notes come back in time order, trimmed, apart from the gaps beside them and from other tests'.
TEST_P(Notes, AreKeptWithTheirTestInTimeOrderBesideTheGaps)
{
    TestDb t(GetParam());
    t.addTest("mud", {point(1, 10, 100, 300, 50)});
    t.addTest("other", {point(1, 10, 100, 300, 50)});
    TestRepository repo(*t.db);
    ASSERT_TRUE(addNote(repo, "mud", 300, "  sample foamed "));
    ASSERT_TRUE(repo.addEvent("mud", {120, "gap", "lost"}).ok);
    ASSERT_TRUE(addNote(repo, "mud", 60.25, "added 2 ppb polymer; it's \"thick\""));
    ASSERT_TRUE(addNote(repo, "other", 5, "elsewhere"));
    EXPECT_EQ(listed(t, "mud"),
              (std::vector<std::pair<double, QString>>{
                  {60.25, "added 2 ppb polymer; it's \"thick\""}, {300, "sample foamed"}}));
    EXPECT_EQ(must(repo.events("mud")).size(), 3u);
    EXPECT_TRUE(listed(t, "nothing").empty());
}

// A bad text or time is refused with its reason and writes nothing; so is a missing test.
TEST_P(Notes, RefusesWhatCannotBeANote)
{
    TestDb t(GetParam());
    t.addTest("mud", {point(1, 10, 100, 300, 50)});
    TestRepository repo(*t.db);
    const struct {
        const char *test;
        double time;
        QString text;
        std::string message;
    } cases[] = {
        {"mud", 1, "   ", "A note needs a text."},
        {"mud", 1, "two\nlines",
         "A note is one line: it cannot hold tabs, line breaks or other "
         "control characters."},
        {"mud", 1, "a\tb",
         "A note is one line: it cannot hold tabs, line breaks or other "
         "control characters."},
        {"mud", 1, QString(501, 'x'), "A note holds at most 500 characters."},
        {"mud", -1, "early", "A note's time is in seconds from the test's start, 0 or more."},
        {"mud", NAN, "never", "A note's time is in seconds from the test's start, 0 or more."},
        {"mud", INFINITY, "late", "A note's time is in seconds from the test's start, 0 or more."},
        {"gone", 1, "where", "the test \"gone\" is no longer in the database"},
    };
    for (const auto &c : cases) {
        const Outcome o = addNote(repo, c.test, c.time, c.text);
        ASSERT_FALSE(o) << c.message;
        EXPECT_NE(o.failure().text.find(c.message), std::string::npos) << o.failure().text;
    }
    EXPECT_TRUE(must(repo.events("mud")).empty());
    EXPECT_TRUE(addNote(repo, "mud", 0, QString(500, 'x')));
}

TEST(NoteTime, IsWrittenWithoutTrailingZeros)
{
    const std::pair<double, const char *> cases[] = {
        {0, "0"}, {12.5, "12.5"}, {60, "60"}, {0.125, "0.125"}, {604800, "604800"}, {1.0004, "1"}};
    for (const auto &[v, text] : cases)
        EXPECT_EQ(noteTimeText(v), text) << v;
}
