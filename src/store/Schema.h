#pragma once
// The tables and their columns, declared once: what CREATE TABLE makes, what tells a database
// of ours from someone else's, and the column lists the repositories and the copy read and
// write. Column order is the contract with every reader and writer.

#include <QString>

#include <span>
#include <string>

namespace viscora::schema {

enum class Type { Integer, Real, Text };

struct Column {
    const char *name;
    Type type;
    bool keyword = false; // a word of SQL ("Desc"): written quoted
};

struct Table {
    const char *name;
    std::span<const Column> columns;
};

extern const Table RelatedInfo, TestResult, SequenceName, SequenceSetup, TestEvents, Recordings;
extern const Table Instruments, InstrumentPorts, CalibrationFluids, FluidCertificates,
    CalibrationChecks, CalibrationReadings;
extern const Table TestRecords;

// The four tables of the tests and sequences; one of them present makes a database ours.
std::span<const Table *const> testTables();
// Those four, then ours beside them (what happened during a test, the recordings in progress,
// the calibration records, what is known of each test).
std::span<const Table *const> tables();

struct Index {
    const char *name;
    const char *create;
};
std::span<const Index> indexes();

// Which row a name means when several rows share it: the first in id and table order.
// "<name column>=? ORDER BY <id column>, $ROWID LIMIT 1".
std::string firstOfName(const char *nameColumn, const char *idColumn);
// The id of the test a bound name means, as a sub-query.
std::string testOfName();

// A column as SQL names it: quoted when it is a word of SQL.
QString sqlName(const Column &c);
// "TestName, MudId, ...": the columns from the `from`th on.
QString columns(const Table &t, int from = 0);
// "TestName=?, MudId=?, ...": the columns from the `from`th on, each given a value.
QString assignments(const Table &t, int from = 0);
// "SELECT <columns from the `from`th on> FROM <table>".
QString select(const Table &t, int from = 0);
// "INSERT INTO <table> (<every column>) VALUES ", for the rows' placeholders to follow.
QString insertHead(const Table &t);
// The same with one row of placeholders.
QString insert(const Table &t);

} // namespace viscora::schema
