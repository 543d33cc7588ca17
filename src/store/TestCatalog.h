#pragma once
// Every test with what is known of it, for finding one: the list the Find window shows and
// `viscora-cli find` prints, its search and filters, and renaming a test. The list is one read
// whose cost does not grow with the points: a finished test's point count is kept in its
// records; only tests still recorded, and those made before records existed, are counted.

#include "store/Database.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace viscora {

struct CatalogEntry {
    int testId = 0;
    QString name, mudId, company, instrument, operatorName;
    std::optional<double> startedAt, endedAt; // UTC seconds since the epoch
    long long points = 0;
    bool live = false; // being recorded now
    QString startText; // the start as shown, made once when read (empty: made when asked)
    // Every column's text as shown, a line each, but a live test's duration, which moves on.
    QString searchText;
};

// The columns, in the order the window and the CLI show them.
enum class CatalogColumn { Name, Start, Duration, Points, MudId, Company, Instrument, Operator };
constexpr int kCatalogColumns = 8;
// "Test Name", "Start", "Duration", "Points", "Mud ID", "Company", "Instrument", "Operator".
const std::array<const char *, kCatalogColumns> &catalogHeadings();

// Every test in table order.
DbRead<std::vector<CatalogEntry>> readCatalog(Database &db);

struct CatalogFilter {
    QString match;                      // in any column's text, ignoring case; empty: any
    std::optional<double> since, until; // the start, UTC; `until` not included
    QString instrument;                 // in the instrument's label, ignoring case
    bool liveOnly = false;
};

// A column's text as shown: local time "yyyy-MM-dd HH:mm", "h:mm:ss" ("live h:mm:ss" while
// recorded, measured to `now`), "unknown" where nothing is known.
QString catalogText(const CatalogEntry &e, CatalogColumn c, double now);
// Seconds the test ran (to `now` while it is recorded); nothing when unknown.
std::optional<double> catalogDuration(const CatalogEntry &e, double now);
bool matches(const CatalogEntry &e, const CatalogFilter &f, double now);
std::vector<CatalogEntry> filtered(const std::vector<CatalogEntry> &all, const CatalogFilter &f,
                                   double now);

// A date typed for a filter, "yyyy-MM-dd" or "yyyy-MM-dd HH:mm" in local time, as UTC seconds;
// a day alone is its start, or with `endOfDay` the start of the next day.
std::optional<double> filterDate(const QString &typed, bool endOfDay);

// Renames a test, with the naming rules of a new test (ignoring letter case for duplicates),
// refused while it is recorded; a record of the rename is appended, at `now`. The name as kept,
// or why not.
Result<QString> renameTest(Database &db, const QString &oldName, const QString &typed, double now);

// Deletes the tests named, each as a single delete does, all or none; refused while any of
// them is recorded.
DbResult deleteTests(Database &db, const QStringList &names);

} // namespace viscora
