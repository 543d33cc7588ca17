#include "store/TestRepository.h"

#include "store/DenseNumbering.h"
#include "store/Recordings.h"
#include "store/Schema.h"
#include "store/ServerStream.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <limits>

namespace viscora {

namespace {

QString text(const QVariant &v) { return v.isNull() ? QString() : v.toString(); }

constexpr const char *kTests = "The saved tests";
constexpr const char *kTest = "The test";
constexpr const char *kPoints = "The test's points";
// Which test a name means.
const std::string kFirstOfName = schema::firstOfName("TestName", "TestId");
const QString kIdOfName =
    QStringLiteral("SELECT TestId FROM RelatedInfo WHERE ") + QString::fromStdString(kFirstOfName);

TestHeader headerOf(const QSqlQuery &q)
{
    return TestHeader{text(q.value(0)), text(q.value(1)), text(q.value(2)), text(q.value(3)),
                      text(q.value(4))};
}

// Why the rows read of a test are not all of them: a damaged page can end a file's read early
// without an error. Nothing when they are, or where the backend reports its damage itself.
std::optional<QString> rowsDamage(Database &db, int testId, std::size_t read)
{
    const Dialect::RowsCheck *check = db.dialect().rowsCheck();
    if (!check)
        return std::nullopt;
    const QString damaged = QStringLiteral("The database file is damaged: ");
    QStringList problems;
    if (auto e = readAll(db, kTest, check->header, {}, [&](const QSqlQuery &r) {
            problems << pageProblems(r.value(0).toString());
        }))
        return e;
    if (!problems.isEmpty())
        return damaged + problems.first();
    long long indexed = 0;
    QVariant first, last;
    if (auto e = readAll(db, kPoints, check->indexed, {testId}, [&](const QSqlQuery &r) {
            indexed = r.value(0).toLongLong();
            first = r.value(1);
            last = r.value(2);
        }))
        return e;
    bool sound = indexed == static_cast<long long>(read);
    if (sound && indexed > 0) {
        long long walked = 0;
        if (auto e = readAll(db, kPoints, check->walked, {first, last, testId},
                             [&](const QSqlQuery &r) { walked = r.value(0).toLongLong(); }))
            return e;
        sound = walked == indexed;
        for (const auto &[sql, key] : {std::pair{check->before, first}, {check->after, last}})
            if (auto e = readAll(db, kPoints, sql, {key}, [&](const QSqlQuery &r) {
                    sound = sound && r.value(0).toInt() != testId;
                }))
                return e;
    }
    if (sound)
        return std::nullopt;
    return damaged + QStringLiteral("the test's rows do not match their index.");
}

// A test's rows, read with their check on one state of the database: the rows a damaged file
// let through are never taken for the whole test.
// `count` says how many rows were read, or nothing when they need no check.
template <typename Rows>
DbRead<Rows> wholeTest(Database &db, const std::function<DbRead<std::optional<int>>()> &id,
                       const std::function<std::optional<std::size_t>(const Rows &)> &count,
                       const std::function<DbRead<Rows>()> &read)
{
    if (!db.dialect().rowsCheck())
        return read();
    std::optional<DbRead<Rows>> rows;
    const DbResult r = db.readTogether([&] {
        rows = read();
        const auto n = rows->ok() ? count(**rows) : std::nullopt;
        if (!n)
            return DbResult::success();
        const auto testId = id();
        if (!testId)
            rows = DbRead<Rows>::failure(testId);
        else if (*testId)
            if (auto e = rowsDamage(db, **testId, *n))
                rows = DbRead<Rows>::failure(*e);
        return DbResult::success();
    });
    if (!r && (!rows || rows->ok()))
        return DbRead<Rows>::failure(r.error);
    return std::move(*rows);
}

template <typename Row> std::optional<std::size_t> size(const std::vector<Row> &rows)
{
    return rows.size();
}

// Rows handed on as they were read: their number.
std::optional<std::size_t> counted(const std::size_t &rows) { return rows; }

} // namespace

DbRead<QStringList> TestRepository::testNames() const
{
    const auto all = tests();
    if (!all)
        return DbRead<QStringList>::failure(all);
    QStringList names;
    for (const auto &t : *all)
        names << t.testName;
    return names;
}

DbRead<std::vector<TestListEntry>> TestRepository::tests() const
{
    std::vector<TestListEntry> out;
    QSqlQuery q(db_.sql());
    q.setForwardOnly(true);
    q.prepare(db_.text("SELECT TestId, TestName FROM RelatedInfo ORDER BY TestId, $ROWID"));
    if (auto e = readRows(q, kTests, [&](const QSqlQuery &r) {
            out.push_back({r.value(0).toInt(), text(r.value(1))});
        }))
        return DbRead<std::vector<TestListEntry>>::failure(*e);
    return out;
}

DbRead<std::optional<int>> TestRepository::testId(const QString &name) const
{
    std::optional<int> id;
    QSqlQuery q(db_.sql());
    q.prepare(db_.text(kIdOfName));
    q.addBindValue(name);
    if (auto e = readRows(q, kTest, [&](const QSqlQuery &r) { id = r.value(0).toInt(); }))
        return DbRead<std::optional<int>>::failure(*e);
    return id;
}

DbRead<bool> TestRepository::exists(const QString &name, Qt::CaseSensitivity cs) const
{
    const auto names = testNames();
    if (!names)
        return DbRead<bool>::failure(names);
    for (const QString &n : *names)
        if (n.compare(name, cs) == 0)
            return true;
    return false;
}

DbRead<int> TestRepository::nextTestId() const
{
    const auto largest = largestTestId();
    if (!largest)
        return DbRead<int>::failure(largest);
    if (!idsLeftAfter(*largest))
        return DbRead<int>::failure(QString::fromLatin1(kNoTestIdLeft));
    return static_cast<int>(*largest + 1);
}

DbRead<long long> TestRepository::largestTestId() const
{
    long long largest = 0;
    QSqlQuery q(db_.sql());
    q.prepare(QStringLiteral("SELECT COUNT(*), MAX(TestId) FROM RelatedInfo"));
    if (auto e = readRows(q, kTests, [&](const QSqlQuery &r) {
            if (r.value(0).toInt() > 0)
                largest = std::max(1LL, r.value(1).toLongLong());
        }))
        return DbRead<long long>::failure(*e);
    return largest;
}

DbRead<std::optional<TestHeader>> TestRepository::header(const QString &name) const
{
    std::optional<TestHeader> h;
    QSqlQuery q(db_.sql());
    q.prepare(db_.text(schema::select(schema::RelatedInfo, 1) + QStringLiteral(" WHERE ") +
                       QString::fromStdString(kFirstOfName)));
    q.addBindValue(name);
    if (auto e = readRows(q, kTest, [&](const QSqlQuery &r) { h = headerOf(r); }))
        return DbRead<std::optional<TestHeader>>::failure(*e);
    return h;
}

DbRead<std::optional<TestHeader>> TestRepository::headerById(int testId) const
{
    std::optional<TestHeader> h;
    QSqlQuery q(db_.sql());
    q.prepare(db_.text(schema::select(schema::RelatedInfo, 1) +
                       QStringLiteral(" WHERE TestId=? ORDER BY $ROWID LIMIT 1")));
    q.addBindValue(testId);
    if (auto e = readRows(q, kTest, [&](const QSqlQuery &r) { h = headerOf(r); }))
        return DbRead<std::optional<TestHeader>>::failure(*e);
    return h;
}

DbResult TestRepository::createHeader(const TestHeader &h, int &newId)
{
    return db_.transaction([&]() {
        const auto id = nextTestId();
        if (!id)
            return DbResult::failure(id.error());
        QSqlQuery q(db_.sql());
        q.prepare(schema::insert(schema::RelatedInfo));
        q.addBindValue(*id);
        q.addBindValue(h.testName);
        q.addBindValue(h.mudId);
        q.addBindValue(h.sampleTime);
        q.addBindValue(h.companyName);
        q.addBindValue(h.desc);
        if (const DbResult r = execute(q); !r)
            return r;
        newId = *id;
        return DbResult::success();
    });
}

NewHeader TestRepository::createUniqueHeader(const TestHeader &h, Qt::CaseSensitivity cs)
{
    NewHeader made;
    made.failure = db_.transaction([&]() {
        const auto taken = exists(h.testName, cs);
        if (!taken)
            return DbResult::failure(taken.error());
        made.outcome = *taken ? NewHeader::Outcome::Duplicate : NewHeader::Outcome::Created;
        return *taken ? DbResult::success() : createHeader(h, made.id);
    });
    if (!made.failure)
        made.outcome = made.failure.error == QLatin1String(kNoTestIdLeft)
                           ? NewHeader::Outcome::Full
                           : NewHeader::Outcome::Failed;
    return made;
}

DbResult TestRepository::updateHeader(const TestHeader &h)
{
    return db_.transaction([&]() {
        QSqlQuery q(db_.sql());
        // Only the first row of that name, as a walk over the table would find it.
        q.prepare(db_.text(
            QStringLiteral("UPDATE RelatedInfo SET %1 WHERE $ROWID=(SELECT $ROWID FROM RelatedInfo "
                           "WHERE %2)")
                .arg(schema::assignments(schema::RelatedInfo, 1),
                     QString::fromStdString(kFirstOfName))));
        q.addBindValue(h.testName);
        q.addBindValue(h.mudId);
        q.addBindValue(h.sampleTime);
        q.addBindValue(h.companyName);
        q.addBindValue(h.desc);
        q.addBindValue(h.testName);
        return execute(q);
    });
}

DbResult TestRepository::deleteTest(const QString &name)
{
    return db_.transaction([&]() {
        if (const DbResult r = Recordings(db_).refuseWhileRecorded(name, "deleted"); !r)
            return r;
        return deleteAndRenumber(db_, kTestTables, name);
    });
}

DbRead<std::size_t> TestRepository::pointCount(const QString &name) const
{
    std::size_t n = 0;
    QSqlQuery q(db_.sql());
    q.prepare(db_.text(QStringLiteral("SELECT COUNT(*) FROM TestResult WHERE TestId=") +
                       QString::fromStdString(schema::testOfName())));
    q.addBindValue(name);
    if (auto e = readRows(q, kTest, [&](const QSqlQuery &r) { n = r.value(0).toULongLong(); }))
        return DbRead<std::size_t>::failure(*e);
    return n;
}

DbRead<std::optional<double>> TestRepository::firstRow(const QString &name) const
{
    std::optional<double> v;
    QSqlQuery q(db_.sql());
    q.prepare(db_.text(QString::fromStdString(firstRbfactorSql())));
    q.addBindValue(name);
    if (auto e = readRows(q, kTest, [&](const QSqlQuery &r) { v = r.value(0).toDouble(); }))
        return DbRead<std::optional<double>>::failure(*e);
    return v;
}

DbRead<std::optional<double>> TestRepository::firstRbfactor(const QString &name) const
{
    // No first row is a test without points only when none of them was cut off.
    using First = std::optional<double>;
    return wholeTest<First>(
        db_, [&] { return testId(name); },
        [](const First &f) { return f ? std::nullopt : std::optional<std::size_t>(0); },
        [&] { return firstRow(name); });
}

namespace {
enum class Nulls { AsZero, AsNaN };

// Hands each row of a query of the test's points to `each`; the number of rows.
template <typename Row>
DbRead<std::size_t> eachRow(Database &db, const TestQuery &tq, const QVariant &key, Nulls nulls,
                            const std::function<void(const Row &)> &each)
{
    std::size_t count = 0;
    Row row;
    if (db.dialect().streamsRows() && canStreamReads(db)) {
        QVariantList values;
        for (double f : tq.factors)
            values << f;
        values << key;
        const double null = nulls == Nulls::AsNaN ? std::numeric_limits<double>::quiet_NaN() : 0;
        if (auto e =
                readServerNumbers(db, "The test's points", QString::fromStdString(tq.sql), values,
                                  static_cast<int>(row.size()), null, [&](const double *v) {
                                      std::copy(v, v + row.size(), row.begin());
                                      each(row);
                                      ++count;
                                  }))
            return DbRead<std::size_t>::failure(*e);
        return count;
    }
    QSqlQuery q(db.sql());
    q.setForwardOnly(true);
    q.prepare(db.text(QString::fromStdString(tq.sql)));
    for (double f : tq.factors)
        q.addBindValue(f);
    q.addBindValue(key);
    if (auto e = readRows(q, "The test's points", [&](const QSqlQuery &r) {
            for (size_t c = 0; c < row.size(); ++c) {
                const QVariant v = r.value(static_cast<int>(c));
                row[c] = v.isNull() && nulls == Nulls::AsNaN
                             ? std::numeric_limits<double>::quiet_NaN()
                             : v.toDouble();
            }
            each(row);
            ++count;
        }))
        return DbRead<std::size_t>::failure(*e);
    return count;
}
} // namespace

DbRead<std::vector<QueryRow>> TestRepository::queryRows(const TestQuery &tq,
                                                        const QString &name) const
{
    return wholeTest<std::vector<QueryRow>>(
        db_, [&] { return testId(name); }, size<QueryRow>,
        [&]() -> DbRead<std::vector<QueryRow>> {
            std::vector<QueryRow> rows;
            const auto read = eachRow<QueryRow>(db_, tq, name, Nulls::AsZero,
                                                [&](const QueryRow &r) { rows.push_back(r); });
            if (!read)
                return DbRead<std::vector<QueryRow>>::failure(read);
            return rows;
        });
}

DbRead<std::size_t>
TestRepository::eachQueryRow(const TestQuery &tq, const QString &name,
                             const std::function<void(const QueryRow &)> &row) const
{
    return wholeTest<std::size_t>(
        db_, [&] { return testId(name); }, counted,
        [&] { return eachRow<QueryRow>(db_, tq, name, Nulls::AsZero, row); });
}

DbRead<std::size_t>
TestRepository::eachReportRow(int testId, double shearFactor,
                              const std::function<void(const ReportRow &)> &row) const
{
    // Rows handed on are checked once all are read: a damaged test fails its report.
    return wholeTest<std::size_t>(
        db_, [&] { return DbRead<std::optional<int>>(testId); }, counted,
        [&] {
            return eachRow<ReportRow>(db_, buildReportQuery(shearFactor), testId, Nulls::AsNaN,
                                      row);
        });
}

DbRead<std::vector<StoredPoint>> TestRepository::storedPoints(const QString &name) const
{
    std::vector<StoredPoint> points;
    const auto read = eachStoredPoint(name, [&](const StoredPoint &p) { points.push_back(p); });
    if (!read)
        return DbRead<std::vector<StoredPoint>>::failure(read);
    return points;
}

DbRead<std::size_t>
TestRepository::eachStoredPoint(const QString &name,
                                const std::function<void(const StoredPoint &)> &point) const
{
    return wholeTest<std::size_t>(
        db_, [&] { return testId(name); }, counted, [&] { return readPoints(name, point); });
}

DbRead<std::size_t>
TestRepository::readPoints(const QString &name,
                           const std::function<void(const StoredPoint &)> &point) const
{
    std::size_t count = 0;
    const QString sql = schema::select(schema::TestResult, 1) + QStringLiteral(" WHERE TestId=") +
                        QString::fromStdString(schema::testOfName()) +
                        QStringLiteral(" ORDER BY StepNo, Time");
    if (db_.dialect().streamsRows() && canStreamReads(db_)) {
        if (auto e =
                readServerNumbers(db_, "The test's points", sql, {name}, 7,
                                  std::numeric_limits<double>::quiet_NaN(), [&](const double *v) {
                                      point({std::isnan(v[0]) ? 0 : static_cast<int>(v[0]), v[1],
                                             v[2], v[3], v[4], v[5], v[6]});
                                      ++count;
                                  }))
            return DbRead<std::size_t>::failure(*e);
        return count;
    }
    QSqlQuery q(db_.sql());
    q.setForwardOnly(true);
    q.prepare(db_.text(sql));
    q.addBindValue(name);
    // A missing value must not pass for a reading of 0.
    auto number = [](const QVariant &v) {
        return v.isNull() ? std::numeric_limits<double>::quiet_NaN() : v.toDouble();
    };
    if (auto e = readRows(q, "The test's points", [&](const QSqlQuery &r) {
            point({r.value(0).toInt(), number(r.value(1)), number(r.value(2)), number(r.value(3)),
                   number(r.value(4)), number(r.value(5)), number(r.value(6))});
            ++count;
        }))
        return DbRead<std::size_t>::failure(*e);
    return count;
}

namespace {
DbResult insertOne(QSqlQuery &q, int testId, const StoredPoint &p)
{
    q.addBindValue(testId);
    q.addBindValue(p.stepNo);
    q.addBindValue(p.time);
    q.addBindValue(p.temperature);
    q.addBindValue(p.speed);
    q.addBindValue(p.shearStress);
    q.addBindValue(p.gel);
    q.addBindValue(p.rbfactor);
    return execute(q);
}
} // namespace

DbResult TestRepository::insertPoints(int testId, const std::vector<StoredPoint> &points)
{
    return db_.transaction([&]() {
        QSqlQuery q(db_.sql());
        q.prepare(schema::insert(schema::TestResult));
        for (const auto &p : points)
            if (const DbResult r = insertOne(q, testId, p); !r)
                return r;
        return DbResult::success();
    });
}

namespace {
// The id of a test as it is now, inside the caller's transaction; a failure when it is gone.
DbResult currentId(const TestRepository &repo, const QString &testName, int &id)
{
    const auto found = repo.testId(testName);
    if (!found)
        return DbResult::failure(found.error());
    if (!*found)
        return DbResult::failure(
            QStringLiteral("the test \"%1\" is no longer in the database").arg(testName));
    id = **found;
    return DbResult::success();
}
} // namespace

DbResult TestRepository::storePoints(const QString &testName,
                                     const std::vector<StoredPoint> &points, int busyMs)
{
    return db_.transaction(
        [&]() {
            int id = 0;
            if (const DbResult r = currentId(*this, testName, id); !r)
                return r;
            return insertPoints(id, points);
        },
        busyMs);
}

DbResult TestRepository::addEvent(const QString &testName, const TestEvent &event, int busyMs)
{
    return db_.transaction(
        [&]() {
            int id = 0;
            if (const DbResult r = currentId(*this, testName, id); !r)
                return r;
            QSqlQuery q(db_.sql());
            q.prepare(schema::insert(schema::TestEvents));
            q.addBindValue(id);
            q.addBindValue(event.time);
            q.addBindValue(event.kind);
            q.addBindValue(event.text);
            return execute(q);
        },
        busyMs);
}

DbRead<std::vector<TestEvent>> TestRepository::events(const QString &testName) const
{
    std::vector<TestEvent> out;
    QSqlQuery q(db_.sql());
    q.setForwardOnly(true);
    q.prepare(db_.text(schema::select(schema::TestEvents, 1) + QStringLiteral(" WHERE TestId=") +
                       QString::fromStdString(schema::testOfName()) +
                       QStringLiteral(" ORDER BY Time, $ROWID")));
    q.addBindValue(testName);
    if (auto e = readRows(q, "The test's events", [&](const QSqlQuery &r) {
            out.push_back({r.value(0).toDouble(), text(r.value(1)), text(r.value(2))});
        }))
        return DbRead<std::vector<TestEvent>>::failure(*e);
    return out;
}

} // namespace viscora
