#pragma once
// Copies every test (its header, points, events and records), every sequence (with its steps)
// and every calibration record from one database into another, a file or a server either way.
// They are appended after what the target holds, with the ids that follow its own; a name the
// target has already gets " (2)",
// " (3)", ... The whole copy is one transaction on the target, checked by counting what landed
// there against what was read: a failure anywhere leaves the target as it was.

#include "store/Database.h"

#include <QString>

#include <functional>
#include <memory>

namespace viscora {

struct CopyCounts {
    long long tests = 0, points = 0, events = 0, sequences = 0, steps = 0;
    long long testRecords = 0; // what is known of the tests, kept as their records
    long long calibrationRecords = 0; // instruments, fluids, checks and theirs
    bool operator==(const CopyCounts &) const = default;
};

struct CopyProgress {
    enum class Kind { Test, Sequence };
    Kind kind = Kind::Test;
    int index = 0; // 1 to count
    int count = 0;
    QString name;         // as the source names it
    long long points = 0; // of this test, copied so far
    // Of every test: copied so far, and to copy in all.
    long long pointsDone = 0, pointsTotal = 0;
};

// Told when each test and sequence begins, and every few thousand points of a long test.
// Returning false stops the copy, which then writes nothing.
using CopyProgressFn = std::function<bool(const CopyProgress &)>;

struct CopyResult {
    bool ok = false;
    bool cancelled = false;
    QString error;     // complete, fit to show the operator
    CopyCounts read;   // from the source
    CopyCounts copied; // counted in the target, before the copy was committed
};

// Points written by one statement into a file; more rows a statement gain nothing
// (bench/copy_bench.cpp). A server takes them all as one stream (COPY).
constexpr int kCopyBatchRows = 256;

// The source is read as one unchanging state, so a test deleted there meanwhile cannot shift
// the others' rows. Copying a database into itself is refused.
CopyResult copyDatabase(Database &source, Database &target, const CopyProgressFn &progress = {},
                        int batchRows = kCopyBatchRows);

// The database at a location (a file's path or a server's connection string) to copy from,
// never made there; the failure says why it cannot be opened.
DbRead<std::unique_ptr<Database>> openCopySource(const QString &location);

// The same into the database at a location (a file's path or a server's connection string),
// opened or made for it; a file made for a copy that failed is removed again.
CopyResult copyDatabaseTo(Database &source, const QString &targetLocation,
                          const CopyProgressFn &progress = {});

// "Copying test 3 of 12: NAME".
QString copyProgressText(const CopyProgress &p);
// "Copied 12 tests (45,312 points, 2 events) and 4 sequences (37 steps) into TARGET."
QString copySummary(const CopyCounts &copied, const QString &targetLocation);

} // namespace viscora
