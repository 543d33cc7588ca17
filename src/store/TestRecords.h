#pragma once
// What is known of each test beside the tables of the tests and sequences: when and on which
// instrument it ran, who ran it, the sequence sent and the program's version. Records are
// appended, never edited: a later one replaces an earlier one by naming its revision, and the
// latest is what is known.
// Tests made before these records have none, and all of this is unknown for them.

#include "core/SequenceStep.h"
#include "store/Database.h"

#include <QString>

#include <optional>
#include <vector>

namespace viscora {

struct TestRecord {
    QString kind;                             // "recorded", "ended", "retrieved", "renamed"
    std::optional<double> startedAt, endedAt; // UTC seconds since the epoch
    std::optional<long long> points;          // unknown while a recording goes on
    QString instrument, operatorName, sequenceName, steps, programVersion, note;
};

class TestRecords {
public:
    explicit TestRecords(Database &db) : db_(db) {}

    // Appends a record to the test of that name, replacing its latest; `now` is when it is
    // written (UTC seconds since the epoch). In the caller's transaction when there is one.
    DbResult append(const QString &testName, const TestRecord &record, double now, int busyMs = -1);
    // The test's latest record; nothing for a test without any.
    DbRead<std::optional<TestRecord>> latest(const QString &testName) const;
    // Every record of the test, oldest first.
    DbRead<std::vector<TestRecord>> history(const QString &testName) const;

private:
    DbRead<std::vector<TestRecord>> read(const QString &testName, bool latestOnly) const;
    Database &db_;
};

// The user running the program: the login name, with the full name where the system has one.
QString operatorName();
// The steps as sent, a step each "TIME,TEMP,SPEED,RATE", blank-separated, as new-sequence takes
// them.
QString stepsText(const std::vector<SequenceStep> &steps);
// The current time, UTC seconds since the epoch.
double utcNow();

} // namespace viscora
