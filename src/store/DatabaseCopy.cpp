#include "store/DatabaseCopy.h"

#include "store/DenseNumbering.h"
#include "store/Schema.h"
#include "store/SequenceRepository.h"
#include "store/ServerStream.h"
#include "store/TestRepository.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace viscora {

namespace {

// A long test tells its progress every this many points.
constexpr long long kProgressPoints = 10000;

using schema::Type;

// Values as the target's columns take them: a missing value stays missing (NaN is missing
// too, as a file keeps it), whatever type the source happened to store it in.
QVariant valueOf(Type type, const QVariant &v)
{
    switch (type) {
    case Type::Integer:
        return v.isNull() ? QVariant(QMetaType::fromType<qlonglong>()) : QVariant(v.toLongLong());
    case Type::Real: {
        const double d = v.toDouble();
        return v.isNull() || std::isnan(d) ? QVariant(QMetaType::fromType<double>()) : QVariant(d);
    }
    case Type::Text:
        break;
    }
    return v.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(v.toString());
}

// The rows that belong to one test or sequence: read by its id in the source (the table's first
// column), written under its new id in the target.
struct ChildRows {
    const char *what; // for a failed read: "<what> could not be read: ..."
    const schema::Table &table;
    const char *order;
    // Every column but the id.
    QString select() const
    {
        return schema::select(table, 1) +
               QStringLiteral(" WHERE %1=? ORDER BY %2")
                   .arg(QLatin1String(table.columns[0].name), QLatin1String(order));
    }
    std::span<const schema::Column> values() const { return table.columns.subspan(1); }
};

const ChildRows kPoints{"The points to copy", schema::TestResult, "StepNo, Time, $ROWID"};
const ChildRows kEvents{"The test events to copy", schema::TestEvents, "Time, $ROWID"};
const ChildRows kSteps{"The steps to copy", schema::SequenceSetup, "StepNo, $ROWID"};
const ChildRows kRecords{"The test records to copy", schema::TestRecords, "Revision, $ROWID"};

// Where one table's copied rows go: added one by one, written by flush() at the latest.
class RowWriter {
public:
    virtual ~RowWriter() = default;
    virtual DbResult add(const QVariantList &row) = 0;
    virtual DbResult flush() = 0;
    // What was added and not written yet is dropped.
    virtual void drop() = 0;
};

// Rows gathered and written many to a statement. A batch that is not full is written in
// statements of 128, 64, ... rows, so a copy prepares only a handful of statements.
class BatchInsert final : public RowWriter {
public:
    BatchInsert(Database &db, const schema::Table &table, int batchRows)
        : db_(db), insert_(schema::insertHead(table)),
          columns_(static_cast<int>(table.columns.size())), batchRows_(std::max(1, batchRows))
    {
        values_.reserve(static_cast<qsizetype>(batchRows_) * columns_);
    }

    DbResult add(const QVariantList &row) override
    {
        values_.append(row);
        return values_.size() >= static_cast<qsizetype>(batchRows_) * columns_
                   ? flush()
                   : DbResult::success();
    }

    DbResult flush() override
    {
        qsizetype at = 0;
        for (int rows = static_cast<int>(values_.size() / columns_); rows > 0;) {
            int n = batchRows_;
            if (rows < n)
                for (n = 1; n * 2 <= rows;)
                    n *= 2;
            QSqlQuery *q = statement(n);
            if (q->lastError().isValid())
                return queryFailure(*q);
            for (int i = 0; i < n * columns_; ++i)
                q->bindValue(i, values_[at + i]);
            if (const DbResult r = execute(*q); !r)
                return r;
            at += static_cast<qsizetype>(n) * columns_;
            rows -= n;
        }
        values_.clear();
        return DbResult::success();
    }
    void drop() override { values_.clear(); }

private:
    QSqlQuery *statement(int rows)
    {
        auto &q = statements_[rows];
        if (!q) {
            const QString row = QLatin1Char('(') + QStringLiteral("?, ").repeated(columns_ - 1) +
                                QStringLiteral("?)");
            QStringList all;
            for (int i = 0; i < rows; ++i)
                all << row;
            q = std::make_unique<QSqlQuery>(db_.sql());
            q->prepare(insert_ + all.join(QStringLiteral(", ")));
        }
        return q.get();
    }

    Database &db_;
    QString insert_;
    int columns_;
    int batchRows_;
    QVariantList values_;
    std::map<int, std::unique_ptr<QSqlQuery>> statements_;
};

// A server takes the rows as one stream (COPY), many times faster than any INSERT.
class StreamInsert final : public RowWriter {
public:
    StreamInsert(Database &db, const schema::Table &table) : copy_(db, table) {}
    DbResult add(const QVariantList &row) override { return copy_.add(row); }
    DbResult flush() override { return copy_.finish(); }
    void drop() override { copy_.abandon(); }

private:
    CopyIn copy_;
};

std::unique_ptr<RowWriter> rowWriter(Database &db, const schema::Table &table, int batchRows)
{
    if (db.dialect().streamsRows())
        return std::make_unique<StreamInsert>(db, table);
    return std::make_unique<BatchInsert>(db, table, batchRows);
}

// One unchanging state of the source for the whole copy, left again without a write. Left by
// end() on every way out: the source is often the window's own database, which must not go on
// reading this state, nor refuse its next write.
class ReadView {
public:
    explicit ReadView(Database &db) : db_(db)
    {
        for (const QString &s : db.dialect().beginRead()) {
            const DbResult r = db.exec(s);
            if (!r) {
                error = QStringLiteral("The database to copy could not be read: ") + r.error;
                break;
            }
            begun_ = true;
        }
    }
    DbResult end()
    {
        if (!begun_)
            return DbResult::success();
        begun_ = false;
        const DbResult r = db_.rollback();
        return r ? r
                 : DbResult::failure(
                       QStringLiteral("The reading of the database to copy could not be ended: ") +
                       r.error);
    }
    ReadView(const ReadView &) = delete;
    ReadView &operator=(const ReadView &) = delete;
    QString error;

private:
    Database &db_;
    bool begun_ = false;
};

struct Owner {
    QVariant sourceId;
    QVariantList header; // the header row's columns after its id
};

// Every test or sequence of the source in table order, as its header table holds it.
DbRead<std::vector<Owner>> owners(Database &db, const char *what, const schema::Table &table)
{
    std::vector<Owner> out;
    const QString sql =
        schema::select(table) +
        QStringLiteral(" ORDER BY %1, $ROWID").arg(QLatin1String(table.columns[0].name));
    if (auto e = readAll(db, what, sql, {}, [&](const QSqlQuery &r) {
            Owner o{r.value(0), {}};
            for (int c = 1; c < static_cast<int>(table.columns.size()); ++c)
                o.header << r.value(c);
            out.push_back(std::move(o));
        }))
        return DbRead<std::vector<Owner>>::failure(*e);
    return out;
}

// `name`, or the first of "name (2)", "name (3)", ... not taken yet.
QString freeName(const QString &name, const std::function<bool(const QString &)> &taken)
{
    QString candidate = name;
    for (int n = 2; taken(candidate); ++n)
        candidate = name + QStringLiteral(" (%1)").arg(n);
    return candidate;
}

// "45,312 points", "1 point".
QString number(long long n, const char *one, const char *many)
{
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    return english.toString(n) + QLatin1Char(' ') + QString::fromLatin1(n == 1 ? one : many);
}

// "12 tests (45,312 points, 2 events) and 4 sequences (37 steps)", and the calibration
// records when there are any.
QString countsText(const CopyCounts &c)
{
    const QString tests =
        QStringLiteral("%1 (%2, %3)")
            .arg(number(c.tests, "test", "tests"), number(c.points, "point", "points"),
                 number(c.events, "event", "events"));
    const QString sequences = QStringLiteral("%1 (%2)").arg(
        number(c.sequences, "sequence", "sequences"), number(c.steps, "step", "steps"));
    if (c.calibrationRecords == 0)
        return tests + QStringLiteral(" and ") + sequences;
    return tests + QStringLiteral(", ") + sequences + QStringLiteral(" and ") +
           number(c.calibrationRecords, "calibration record", "calibration records");
}

// The ids the calibration records name one another by: each appended after the target's own.
enum CalibrationKey { InstrumentRecord, Instrument, PortRecord, FluidRecord, Fluid, Check, Keys };

struct KeyRef {
    int column;
    CalibrationKey key;
};

struct CalibrationTable {
    const schema::Table &table;
    std::vector<KeyRef> keys;
};

const CalibrationTable kCalibrationTables[] = {
    {schema::Instruments, {{0, InstrumentRecord}, {1, Instrument}, {2, InstrumentRecord}}},
    {schema::InstrumentPorts, {{0, PortRecord}, {3, Instrument}}},
    {schema::CalibrationFluids, {{0, FluidRecord}, {1, Fluid}, {2, FluidRecord}}},
    {schema::FluidCertificates, {{0, FluidRecord}}},
    {schema::CalibrationChecks, {{0, Check}, {1, Check}, {2, Instrument}, {5, FluidRecord}}},
    {schema::CalibrationReadings, {{0, Check}}},
};

// Where each key's largest value is kept.
constexpr const char *kKeyMax[Keys] = {
    "SELECT COALESCE(MAX(RecordId), 0) FROM Instruments",
    "SELECT COALESCE(MAX(InstrumentId), 0) FROM Instruments",
    "SELECT COALESCE(MAX(RecordId), 0) FROM InstrumentPorts",
    "SELECT COALESCE(MAX(RecordId), 0) FROM CalibrationFluids",
    "SELECT COALESCE(MAX(FluidId), 0) FROM CalibrationFluids",
    "SELECT COALESCE(MAX(CheckId), 0) FROM CalibrationChecks",
};

class Copier {
public:
    Copier(Database &source, Database &target, const CopyProgressFn &progress, int batchRows,
           long long pointsTotal)
        : source_(source), target_(target), progress_(progress), batchRows_(batchRows),
          pointsTotal_(pointsTotal)
    {}

    // In the target's transaction.
    DbResult run(const std::vector<Owner> &tests, const std::vector<Owner> &sequences)
    {
        if (DbResult r = readTarget(); !r)
            return r;
        if (DbResult r = copyTests(tests); !r)
            return r;
        if (DbResult r = copySequences(sequences); !r)
            return r;
        if (DbResult r = copyCalibration(); !r)
            return r;
        return countCopied();
    }

    bool cancelled = false;
    CopyCounts read, copied;

private:
    DbResult stopped()
    {
        cancelled = true;
        return DbResult::failure(QStringLiteral("The copy was stopped."));
    }

    bool tell(const CopyProgress &p) { return !progress_ || progress_(p); }

    // What the target holds already, as its repositories read it.
    DbResult readTarget()
    {
        const TestRepository tests(target_);
        const auto largest = tests.largestTestId();
        const auto names = tests.testNames();
        const auto sequences = SequenceRepository(target_).sequences();
        for (const QString &e : {largest.error(), names.error(), sequences.error()})
            if (!e.isEmpty())
                return DbResult::failure(e);
        testBase_ = static_cast<int>(*largest);
        for (const QString &name : *names)
            testNames_.insert(name);
        for (const SequenceEntry &s : *sequences) {
            sequenceBase_ = std::max(sequenceBase_, s.sequenceId);
            sequenceNames_.insert(s.name.toCaseFolded());
        }
        return DbResult::success();
    }

    // A header under its new id and name, its other values as the table's columns take them.
    DbResult insertHeader(const schema::Table &table, int id, const QString &name,
                          const QVariantList &rest)
    {
        QVariantList values{id, name};
        for (qsizetype c = 1; c < rest.size(); ++c)
            values << valueOf(table.columns[static_cast<std::size_t>(c) + 1].type, rest[c]);
        return execute(target_, schema::insert(table), values);
    }

    // The rows of one test or sequence, streamed: a long test is never held whole. What was
    // not written on a failure is dropped, leaving the target's connection free for its
    // rollback.
    DbResult copyRows(const ChildRows &table, const QVariant &sourceId, int newId, long long &count,
                      const std::function<bool(long long)> &onPoints = {})
    {
        auto &out = inserts_[&table];
        if (!out)
            out = rowWriter(target_, table.table, batchRows_);
        const DbResult r = copyInto(*out, table, sourceId, newId, count, onPoints);
        if (!r)
            out->drop();
        return r;
    }

    DbResult copyInto(RowWriter &out, const ChildRows &table, const QVariant &sourceId, int newId,
                      long long &count, const std::function<bool(long long)> &onPoints)
    {
        QSqlQuery q(source_.sql());
        q.setForwardOnly(true);
        q.prepare(source_.text(table.select()));
        q.addBindValue(sourceId);
        if (auto e = startRead(q, table.what))
            return DbResult::failure(*e);
        QVariantList row;
        long long rows = 0;
        while (q.next()) {
            row.clear();
            row << newId;
            int c = 0;
            for (const schema::Column &column : table.values())
                row << valueOf(column.type, q.value(c++));
            if (DbResult r = out.add(row); !r)
                return r;
            ++rows;
            if (onPoints && rows % kProgressPoints == 0 && !onPoints(rows))
                return stopped();
        }
        if (q.lastError().isValid())
            return DbResult::failure(readFailure(table.what, q));
        count += rows;
        return out.flush();
    }

    // Each test or sequence in turn, told to the progress, under the id it gets.
    DbResult each(const std::vector<Owner> &all, CopyProgress::Kind kind, int base,
                  const std::function<DbResult(const Owner &, int id, const CopyProgress &)> &copy)
    {
        const int n = static_cast<int>(all.size());
        if (!idsLeftAfter(base, n))
            return DbResult::failure(QString::fromLatin1(
                kind == CopyProgress::Kind::Test ? kNoTestIdLeft : kNoSequenceIdLeft));
        for (int i = 0; i < n; ++i) {
            const Owner &o = all[static_cast<size_t>(i)];
            CopyProgress at{kind, i + 1, n, o.header.value(0).toString()};
            at.pointsDone = read.points;
            at.pointsTotal = pointsTotal_;
            if (!tell(at))
                return stopped();
            if (DbResult r = copy(o, base + i + 1, at); !r)
                return r;
        }
        return DbResult::success();
    }

    DbResult copyTests(const std::vector<Owner> &tests)
    {
        return each(tests, CopyProgress::Kind::Test, testBase_,
                    [&](const Owner &t, int id, const CopyProgress &at) {
                        // Names are unique as the server's key has them: exactly, letter case
                        // and all.
                        const QString name = freeName(
                            at.name, [&](const QString &c) { return testNames_.contains(c); });
                        testNames_.insert(name);
                        if (DbResult r = insertHeader(schema::RelatedInfo, id, name, t.header); !r)
                            return r;
                        ++read.tests;
                        if (DbResult r = copyRows(kPoints, t.sourceId, id, read.points,
                                                  [&](long long points) {
                                                      CopyProgress now = at;
                                                      now.points = points;
                                                      now.pointsDone += points;
                                                      return tell(now);
                                                  });
                            !r)
                            return r;
                        if (DbResult r = copyRows(kEvents, t.sourceId, id, read.events); !r)
                            return r;
                        return copyRows(kRecords, t.sourceId, id, read.testRecords);
                    });
    }

    DbResult copySequences(const std::vector<Owner> &sequences)
    {
        return each(sequences, CopyProgress::Kind::Sequence, sequenceBase_,
                    [&](const Owner &s, int id, const CopyProgress &at) {
                        // Sequences are told apart ignoring letter case, as the setup window
                        // names them.
                        const QString name = freeName(at.name, [&](const QString &c) {
                            return sequenceNames_.contains(c.toCaseFolded());
                        });
                        sequenceNames_.insert(name.toCaseFolded());
                        if (DbResult r = insertHeader(schema::SequenceName, id, name, s.header); !r)
                            return r;
                        ++read.sequences;
                        return copyRows(kSteps, s.sourceId, id, read.steps);
                    });
    }

    // Every calibration record, its ids and those it names moved past the target's own.
    DbResult copyCalibration()
    {
        long long base[Keys] = {};
        for (int k = 0; k < Keys; ++k)
            if (auto e = readAll(target_, "The calibration records", kKeyMax[k], {},
                                 [&](const QSqlQuery &q) { base[k] = q.value(0).toLongLong(); }))
                return DbResult::failure(*e);
        auto count = [&](const schema::Table &t, long long &n) {
            return readAll(target_, "The copied calibration records",
                           QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(t.name)), {},
                           [&](const QSqlQuery &q) { n = q.value(0).toLongLong(); });
        };
        for (const CalibrationTable &t : kCalibrationTables) {
            long long before = 0, after = 0;
            if (auto e = count(t.table, before))
                return DbResult::failure(*e);
            BatchInsert out(target_, t.table, batchRows_);
            QSqlQuery q(source_.sql());
            q.setForwardOnly(true);
            q.prepare(source_.text(schema::select(t.table) + QStringLiteral(" ORDER BY $ROWID")));
            if (auto e = startRead(q, "The calibration records to copy"))
                return DbResult::failure(*e);
            QVariantList row;
            while (q.next()) {
                row.clear();
                int c = 0;
                for (const schema::Column &column : t.table.columns)
                    row << valueOf(column.type, q.value(c++));
                for (const KeyRef &k : t.keys)
                    if (!row[k.column].isNull())
                        row[k.column] = row[k.column].toLongLong() + base[k.key];
                if (DbResult r = out.add(row); !r)
                    return r;
                ++read.calibrationRecords;
            }
            if (q.lastError().isValid())
                return DbResult::failure(readFailure("The calibration records to copy", q));
            if (DbResult r = out.flush(); !r)
                return r;
            if (auto e = count(t.table, after))
                return DbResult::failure(*e);
            copied.calibrationRecords += after - before;
        }
        return DbResult::success();
    }

    // What landed in the target, counted there, against what was read.
    DbResult countCopied()
    {
        const struct {
            const char *sql;
            int base;
            long long &count;
        } counts[] = {
            {"SELECT COUNT(*) FROM RelatedInfo WHERE TestId>?", testBase_, copied.tests},
            {"SELECT COUNT(*) FROM TestResult WHERE TestId>?", testBase_, copied.points},
            {"SELECT COUNT(*) FROM TestEvents WHERE TestId>?", testBase_, copied.events},
            {"SELECT COUNT(*) FROM SequenceName WHERE SequenceId>?", sequenceBase_,
             copied.sequences},
            {"SELECT COUNT(*) FROM SequenceSetup WHERE SequenceId>?", sequenceBase_, copied.steps},
            {"SELECT COUNT(*) FROM TestRecords WHERE TestId>?", testBase_, copied.testRecords},
        };
        for (const auto &c : counts)
            if (auto e = readAll(target_, "The copied tests", c.sql, {c.base},
                                 [&](const QSqlQuery &r) { c.count = r.value(0).toLongLong(); }))
                return DbResult::failure(*e);
        if (copied == read)
            return DbResult::success();
        return DbResult::failure(QStringLiteral("The copy does not match what was read: %1 were "
                                                "read, but the target holds %2.")
                                     .arg(countsText(read), countsText(copied)));
    }

    Database &source_;
    Database &target_;
    const CopyProgressFn &progress_;
    int batchRows_;
    long long pointsTotal_;
    int testBase_ = 0, sequenceBase_ = 0;
    QSet<QString> testNames_, sequenceNames_;
    std::map<const ChildRows *, std::unique_ptr<RowWriter>> inserts_;
};

QString sentence(const QString &text)
{
    return text.endsWith(QLatin1Char('.')) ? text : text + QLatin1Char('.');
}

} // namespace

CopyResult copyDatabase(Database &source, Database &target, const CopyProgressFn &progress,
                        int batchRows)
{
    CopyResult result;
    ReadView *reading = nullptr;
    auto failed = [&](const QString &why) {
        QString text = sentence(why);
        if (reading)
            if (const DbResult left = reading->end(); !left)
                text += QLatin1Char(' ') + sentence(left.error);
        result.error = text + QStringLiteral(" Nothing was copied from %1 into %2.")
                                  .arg(shownLocation(source.path()), shownLocation(target.path()));
        return result;
    };
    if (source.backend() == target.backend()) {
        const QString from = source.dialect().identity(source.sql());
        if (!from.isEmpty() && from == target.dialect().identity(target.sql()))
            return failed(QStringLiteral("A database cannot be copied into itself."));
    }
    ReadView view(source);
    reading = &view;
    if (!view.error.isEmpty())
        return failed(view.error);
    const auto tests = owners(source, "The tests to copy", schema::RelatedInfo);
    if (!tests)
        return failed(tests.error());
    const auto sequences = owners(source, "The sequences to copy", schema::SequenceName);
    if (!sequences)
        return failed(sequences.error());

    // Only for the progress: the copy is checked against the points it reads.
    long long pointsTotal = 0;
    if (auto e = readAll(source, "The points to copy",
                         "SELECT COUNT(*) FROM TestResult WHERE TestId IN (SELECT TestId FROM "
                         "RelatedInfo)",
                         {}, [&](const QSqlQuery &q) { pointsTotal = q.value(0).toLongLong(); }))
        return failed(*e);

    Copier copier(source, target, progress, batchRows, pointsTotal);
    // The source is left before the copy is committed: a failure to leave it still leaves the
    // target as it was.
    const DbResult r = target.transaction([&] {
        const DbResult copied = copier.run(*tests, *sequences);
        return copied ? view.end() : copied;
    });
    result.read = copier.read;
    result.copied = copier.copied;
    result.cancelled = copier.cancelled;
    if (!r)
        return failed(r.error);
    result.ok = true;
    return result;
}

namespace {
// The database at a location, or why it cannot be opened, naming the location once (a
// server's failure names it already) and never with a password.
DbRead<std::unique_ptr<Database>> openForCopy(const char *which, const QString &location,
                                              Database::OpenMode mode)
{
    const bool server = isServerLocation(location);
    auto failure = [&](const QString &why) {
        return DbRead<std::unique_ptr<Database>>::failure(
            QStringLiteral("The database to %1%2 could not be opened: %3")
                .arg(QLatin1String(which),
                     server ? QString() : QStringLiteral(" (%1)").arg(location), why));
    };
    auto opened = Database::open(location, mode);
    // A refused server location is named here, where others read it, without its password.
    if (opened.error == Database::OpenError::Refused && server)
        return failure(opened.message + QStringLiteral(" (") + shownLocation(location) + ')');
    if (!opened.db)
        return failure(opened.message);
    return std::move(opened.db);
}
} // namespace

DbRead<std::unique_ptr<Database>> openCopySource(const QString &location)
{
    return openForCopy("copy", location, Database::OpenMode::MustExist);
}

CopyResult copyDatabaseTo(Database &source, const QString &targetLocation,
                          const CopyProgressFn &progress)
{
    // A file made for the copy goes again when the copy fails: the target is left as it was,
    // or the failure says what is left behind.
    const bool made = !isServerLocation(targetLocation) && !QFileInfo::exists(targetLocation);
    auto removeMade = [&](CopyResult &r) {
        if (!made)
            return;
        QStringList left;
        for (const QString &file : dialectFor(targetLocation)->files(targetLocation)) {
            QFile f(file);
            if (f.exists() && !f.remove())
                left << QStringLiteral("%1 (%2)").arg(f.fileName(), f.errorString());
        }
        if (!left.isEmpty())
            r.error += QStringLiteral(" The file made for the copy could not be removed: %1.")
                           .arg(left.join(QStringLiteral(", ")));
    };
    auto target = openForCopy("copy into", targetLocation, Database::OpenMode::CreateIfMissing);
    if (!target) {
        CopyResult r;
        r.error = target.error();
        removeMade(r);
        return r;
    }
    CopyResult r = copyDatabase(source, **target, progress);
    target.value().reset();
    if (!r.ok)
        removeMade(r);
    return r;
}

QString copyProgressText(const CopyProgress &p)
{
    QString text = QStringLiteral("Copying %1 %2 of %3: %4")
                       .arg(QLatin1String(p.kind == CopyProgress::Kind::Test ? "test" : "sequence"))
                       .arg(p.index)
                       .arg(p.count)
                       .arg(p.name);
    if (p.points > 0)
        text += QStringLiteral(" (%1)").arg(number(p.points, "point", "points"));
    return text;
}

QString copySummary(const CopyCounts &c, const QString &targetLocation)
{
    return QStringLiteral("Copied %1 into %2.").arg(countsText(c), shownLocation(targetLocation));
}

} // namespace viscora
