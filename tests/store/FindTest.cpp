// Finding tests by what is known of them, renaming them, and the records that say it, on both
// backends.

#include "store/DatabaseCopy.h"
#include "store/Recordings.h"
#include "store/TestCatalog.h"
#include "store/TestRecords.h"
#include "store/TestRepository.h"
#include "support/TestDb.h"

#include <QDateTime>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace viscora;
using namespace viscora::test;

namespace {

class Find : public ::testing::TestWithParam<Backend> {};

constexpr int kTests = 300;
// Six hours apart from the start of 2026 in local time: four tests a day.
double startOf(int i)
{
    return static_cast<double>(QDate(2026, 1, 1).startOfDay().toSecsSinceEpoch()) + i * 6 * 3600.0;
}
// Every 50th test was made before tests had records.
bool old(int i) { return i % 50 == 0; }

QString company(int i)
{
    if (i % 100 == 7)
        return QStringLiteral("Ölfeld GmbH");
    return i % 3 == 0 ? QStringLiteral("Acme Drilling") : QStringLiteral("Baker");
}

// A few hundred tests with known names, dates and texts; test 5 is being recorded.
struct Fixture {
    TestDb t;
    explicit Fixture(Backend b) : t(b)
    {
        TestRepository repo(*t.db);
        TestRecords records(*t.db);
        EXPECT_TRUE(
            t.db->transaction([&] {
                    for (int i = 0; i < kTests; ++i) {
                        int id = 0;
                        const QString name = QStringLiteral("Test %1").arg(i);
                        if (DbResult r = repo.createHeader(
                                {name, QStringLiteral("mud-%1").arg(i % 7), "", company(i), ""},
                                id);
                            !r)
                            return r;
                        if (old(i)) {
                            if (DbResult r = repo.insertPoints(id, std::vector<StoredPoint>(3)); !r)
                                return r;
                            continue;
                        }
                        TestRecord rec;
                        rec.kind = "ended";
                        rec.startedAt = startOf(i);
                        rec.endedAt =
                            i == 5 ? std::nullopt : std::optional<double>(startOf(i) + 1800);
                        if (i != 5)
                            rec.points = 1000 + i;
                        rec.instrument =
                            QStringLiteral("Comm %1 (/dev/ttyUSB%2)").arg(i % 2 + 1).arg(i % 2);
                        rec.operatorName =
                            i % 4 == 0 ? QStringLiteral("Ana Ruiz") : QStringLiteral("bo");
                        if (DbResult r = records.append(name, rec, startOf(i)); !r)
                            return r;
                    }
                    return DbResult::success();
                })
                .ok);
        // Rows so far of the live test, and rows beside a finished test's count.
        for (int id : {6, 7})
            EXPECT_TRUE(repo.insertPoints(id, std::vector<StoredPoint>(4)).ok);
        EXPECT_TRUE(Recordings(*t.db).begin("Test 5").ok);
    }
    ~Fixture() { (void)Recordings(*t.db).end("Test 5"); }
};

CatalogFilter filter(const char *match, std::optional<double> since = {},
                     std::optional<double> until = {}, const char *instrument = "",
                     bool liveOnly = false)
{
    return {QString::fromUtf8(match), since, until, QString::fromUtf8(instrument), liveOnly};
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Store, Find, kBothBackends, backendName);

TEST_P(Find, SearchAndFiltersTableOfCases)
{
    Fixture f(GetParam());
    const auto all = readCatalog(*f.t.db);
    ASSERT_TRUE(all.ok()) << all.failure().text;
    ASSERT_EQ(all->size(), static_cast<std::size_t>(kTests));
    const double now = startOf(kTests);
    auto day = [](const char *d, bool end) { return filterDate(QString::fromLatin1(d), end); };
    const struct Case {
        const char *what;
        CatalogFilter filter;
        std::size_t count;
        const char *first; // the first found, in table order
    } cases[] = {
        {"everything", filter(""), 300, "Test 0"},
        {"a name, any case", filter("tEST 3"), 11, "Test 3"},
        {"a mud id", filter("mud-3"), 43, "Test 3"},
        {"a company in other letters", filter("ACME"), 99, "Test 0"},
        {"a company beyond ASCII", filter("öLFELD"), 3, "Test 7"},
        {"an operator", filter("ana ruiz"), 72, "Test 4"},
        {"an instrument's device", filter("ttyusb1"), 150, "Test 1"},
        {"what is unknown", filter("unknown"), 6, "Test 0"},
        {"a start date as shown", filter("2026-01-10"), 4, "Test 36"},
        {"a duration as shown", filter("0:30:00"), 293, "Test 1"},
        {"a live test", filter("live"), 1, "Test 5"},
        {"nothing", filter("no such text"), 0, nullptr},
        {"one day", filter("", day("2026-01-10", false), day("2026-01-10", true)), 4, "Test 36"},
        {"from a day on", filter("", day("2026-03-01", false)), 300 - 236 - 1, "Test 236"},
        {"up to an hour", filter("", {}, day("2026-01-01 12:00", false)), 1, "Test 1"},
        {"an instrument", filter("", {}, {}, "comm 2"), 150, "Test 1"},
        {"an instrument and a text", filter("acme", {}, {}, "Comm 2"), 49, "Test 3"},
        {"live only", filter("", {}, {}, "", true), 1, "Test 5"},
        {"a day and a text", filter("mud-1", day("2026-01-02", false), day("2026-01-03", true)), 1,
         "Test 8"},
    };
    for (const Case &c : cases) {
        const auto found = filtered(*all, c.filter, now);
        EXPECT_EQ(found.size(), c.count) << c.what;
        if (c.first && !found.empty()) {
            EXPECT_EQ(found.front().name, QString::fromUtf8(c.first)) << c.what;
        }
    }
}

TEST_P(Find, ColumnsSayWhatIsKnownAndCountOnlyWhatIsNot)
{
    Fixture f(GetParam());
    const auto all = readCatalog(*f.t.db);
    ASSERT_TRUE(all.ok()) << all.failure().text;
    const double now = startOf(5) + 3725;
    auto texts = [&](int i) {
        QStringList out;
        for (int c = 0; c < kCatalogColumns; ++c)
            out << catalogText((*all)[static_cast<std::size_t>(i)], static_cast<CatalogColumn>(c),
                               now);
        return out;
    };
    EXPECT_EQ(texts(4), (QStringList{"Test 4", "2026-01-02 00:00", "0:30:00", "1004", "mud-4",
                                     "Baker", "Comm 1 (/dev/ttyUSB0)", "Ana Ruiz"}));
    // Made before records: only what the four tables hold, its points counted.
    EXPECT_EQ(texts(0), (QStringList{"Test 0", "unknown", "unknown", "3", "mud-0", "Acme Drilling",
                                     "unknown", "unknown"}));
    // Being recorded: its elapsed time, and its points as they are now.
    EXPECT_TRUE((*all)[5].live);
    EXPECT_EQ(texts(5)[2], "live 1:02:05");
    EXPECT_EQ(texts(6)[3], "1006"); // the record's count, not the rows'
    EXPECT_EQ((*all)[5].points, 4);
}

TEST_P(Find, RenameFollowsTheNamingRulesAndKeepsWhatIsKnown)
{
    Fixture f(GetParam());
    const double now = startOf(kTests);
    const struct {
        const char *from, *to;
        const char *refusal; // nullptr: renamed
    } cases[] = {
        {"Test 1", "", "Must input Test name."},
        {"Test 1", "a\tb",
         "A test name cannot hold control characters (tabs, line breaks, "
         "escapes)."},
        {"Test 1", "test 2", "Duplicated test name. Please enter a new test name."},
        {"Test 5", "Mine",
         "the test \"Test 5\" is being recorded; it can be renamed once its "
         "recording has ended"},
        {"No such", "Mine", "There is no test \"No such\" in the database."},
        {"Test 1", "  Well 12 's mud  ", nullptr},
        {"Test 2", "TEST 2", nullptr}, // a new spelling of its own name
        {"Test 0", "Old one", nullptr},
    };
    for (const auto &c : cases) {
        const auto r = renameTest(*f.t.db, QString::fromUtf8(c.from), QString::fromUtf8(c.to), now);
        if (c.refusal) {
            ASSERT_FALSE(r.ok()) << c.to;
            EXPECT_EQ(r.failure().text, c.refusal);
        } else {
            ASSERT_TRUE(r.ok()) << c.to << ": " << r.failure().text;
        }
    }
    TestRepository repo(*f.t.db);
    EXPECT_EQ(repo.testId("Well 12 's mud")->value_or(0), 2);
    EXPECT_EQ(repo.testId("TEST 2")->value_or(0), 3);
    EXPECT_FALSE(repo.testId("Test 1")->has_value());
    // The earlier records stay as they were; the rename is a record of its own.
    const auto history = TestRecords(*f.t.db).history("Well 12 's mud");
    ASSERT_TRUE(history.ok());
    ASSERT_EQ(history->size(), 2u);
    EXPECT_EQ((*history)[0].kind, "ended");
    EXPECT_EQ((*history)[1].kind, "renamed");
    EXPECT_TRUE((*history)[1].note.startsWith("renamed from \"Test 1\" by "));
    EXPECT_EQ((*history)[1].startedAt, startOf(1));
    EXPECT_EQ((*history)[1].points, 1001);
    // A test without records keeps its points counted and its times unknown.
    const auto all = readCatalog(*f.t.db);
    EXPECT_EQ((*all)[0].name, "Old one");
    EXPECT_EQ((*all)[0].points, 3);
    EXPECT_FALSE((*all)[0].startedAt);
}

TEST_P(Find, RecordsFollowTheirTestThroughDeletionAndCopy)
{
    Fixture f(GetParam());
    TestRepository repo(*f.t.db);
    ASSERT_TRUE(repo.deleteTest("Test 1").ok);
    auto latest = TestRecords(*f.t.db).latest("Test 2");
    ASSERT_TRUE(latest.ok() && latest->has_value());
    EXPECT_EQ((*latest)->points, 1002);
    EXPECT_EQ((*latest)->startedAt, startOf(2));
    ASSERT_TRUE(Recordings(*f.t.db).end("Test 5").ok);
    TestDb target(GetParam() == Backend::SQLite ? Backend::PostgreSQL : Backend::SQLite);
    const CopyResult copied = copyDatabase(*f.t.db, *target.db);
    ASSERT_TRUE(copied.ok) << copied.error.toStdString();
    EXPECT_EQ(copied.copied.testRecords, kTests - 1 - 6);
    const auto a = readCatalog(*f.t.db), b = readCatalog(*target.db);
    ASSERT_TRUE(a.ok() && b.ok());
    ASSERT_EQ(a->size(), b->size());
    for (std::size_t i = 0; i < a->size(); ++i) {
        EXPECT_EQ((*a)[i].name, (*b)[i].name);
        EXPECT_EQ((*a)[i].startedAt, (*b)[i].startedAt);
        EXPECT_EQ((*a)[i].endedAt, (*b)[i].endedAt);
        EXPECT_EQ((*a)[i].points, (*b)[i].points);
        EXPECT_EQ((*a)[i].instrument, (*b)[i].instrument);
        EXPECT_EQ((*a)[i].operatorName, (*b)[i].operatorName);
    }
}

TEST(FindDates, TypedDatesAreLocalDaysOrMinutes)
{
    const double day = static_cast<double>(QDate(2026, 3, 4).startOfDay().toSecsSinceEpoch());
    EXPECT_EQ(filterDate(" 2026-03-04 ", false), day);
    EXPECT_EQ(filterDate("2026-03-04", true), day + 86400);
    EXPECT_EQ(filterDate("2026-03-04 13:30", true), day + 13.5 * 3600);
    for (const char *bad : {"", "04.03.2026", "2026-02-30", "yesterday"})
        EXPECT_FALSE(filterDate(bad, false)) << bad;
}
