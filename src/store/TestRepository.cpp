#include "store/TestRepository.h"

#include "store/DenseNumbering.h"
#include "store/Recordings.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <limits>

namespace viscora {

namespace {

QString text(const QVariant &v) { return v.isNull() ? QString() : v.toString(); }

constexpr const char *kTests = "The saved tests";
constexpr const char *kTest = "The test";

TestHeader headerOf(const QSqlQuery &q)
{
    return TestHeader{text(q.value(0)), text(q.value(1)), text(q.value(2)), text(q.value(3)),
                      text(q.value(4))};
}

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
    q.prepare(db_.text(
        "SELECT TestId FROM RelatedInfo WHERE TestName=? ORDER BY TestId, $ROWID LIMIT 1"));
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
    long long largest = 0;
    QSqlQuery q(db_.sql());
    q.prepare(QStringLiteral("SELECT COUNT(*), MAX(TestId) FROM RelatedInfo"));
    if (auto e = readRows(q, kTests, [&](const QSqlQuery &r) {
            if (r.value(0).toInt() > 0)
                largest = std::max(1LL, r.value(1).toLongLong());
        }))
        return DbRead<int>::failure(*e);
    if (!idsLeftAfter(largest))
        return DbRead<int>::failure(QString::fromLatin1(kNoTestIdLeft));
    return static_cast<int>(largest + 1);
}

DbRead<std::optional<TestHeader>> TestRepository::header(const QString &name) const
{
    std::optional<TestHeader> h;
    QSqlQuery q(db_.sql());
    q.prepare(db_.text("SELECT TestName, MudId, SampleTime, CompanyName, \"Desc\" "
                       "FROM RelatedInfo WHERE TestName=? ORDER BY TestId, $ROWID LIMIT 1"));
    q.addBindValue(name);
    if (auto e = readRows(q, kTest, [&](const QSqlQuery &r) { h = headerOf(r); }))
        return DbRead<std::optional<TestHeader>>::failure(*e);
    return h;
}

DbRead<std::optional<TestHeader>> TestRepository::headerById(int testId) const
{
    std::optional<TestHeader> h;
    QSqlQuery q(db_.sql());
    q.prepare(db_.text("SELECT TestName, MudId, SampleTime, CompanyName, \"Desc\" FROM "
                       "RelatedInfo WHERE TestId=? ORDER BY $ROWID LIMIT 1"));
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
        q.prepare(QStringLiteral("INSERT INTO RelatedInfo (TestId, TestName, MudId, SampleTime, "
                                 "CompanyName, \"Desc\") VALUES (?, ?, ?, ?, ?, ?)"));
        q.addBindValue(*id);
        q.addBindValue(h.testName);
        q.addBindValue(h.mudId);
        q.addBindValue(h.sampleTime);
        q.addBindValue(h.companyName);
        q.addBindValue(h.desc);
        if (!q.exec())
            return queryFailure(q);
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
            "UPDATE RelatedInfo SET TestName=?, MudId=?, SampleTime=?, CompanyName=?, \"Desc\"=? "
            "WHERE $ROWID=(SELECT $ROWID FROM RelatedInfo WHERE TestName=? ORDER BY TestId, $ROWID "
            "LIMIT 1)"));
        q.addBindValue(h.testName);
        q.addBindValue(h.mudId);
        q.addBindValue(h.sampleTime);
        q.addBindValue(h.companyName);
        q.addBindValue(h.desc);
        q.addBindValue(h.testName);
        if (!q.exec())
            return queryFailure(q);
        return DbResult::success();
    });
}

DbResult TestRepository::deleteTest(const QString &name)
{
    return db_.transaction([&]() {
        const auto recording = Recordings(db_).isRecorded(name);
        if (!recording)
            return DbResult::failure(recording.error());
        if (*recording)
            return DbResult::failure(QStringLiteral("the test \"%1\" is being recorded; it can be "
                                                    "deleted once its recording has ended")
                                         .arg(name));
        return deleteAndRenumber(db_, kTestTables, name);
    });
}

DbRead<std::size_t> TestRepository::pointCount(const QString &name) const
{
    std::size_t n = 0;
    QSqlQuery q(db_.sql());
    q.prepare(db_.text("SELECT COUNT(*) FROM TestResult WHERE TestId=(SELECT TestId FROM "
                       "RelatedInfo WHERE TestName=? ORDER BY TestId, $ROWID LIMIT 1)"));
    q.addBindValue(name);
    if (auto e = readRows(q, kTest, [&](const QSqlQuery &r) { n = r.value(0).toULongLong(); }))
        return DbRead<std::size_t>::failure(*e);
    return n;
}

DbRead<std::optional<double>> TestRepository::firstRbfactor(const QString &name) const
{
    std::optional<double> v;
    QSqlQuery q(db_.sql());
    q.prepare(QString::fromStdString(firstRbfactorSql()));
    q.addBindValue(name);
    if (auto e = readRows(q, kTest, [&](const QSqlQuery &r) { v = r.value(0).toDouble(); }))
        return DbRead<std::optional<double>>::failure(*e);
    return v;
}

namespace {
enum class Nulls { AsZero, AsNaN };

// Hands each row of a query of the test's points to `each`; the number of rows.
template <typename Row>
DbRead<std::size_t> eachRow(Database &db, const TestQuery &tq, const QVariant &key, Nulls nulls,
                            const std::function<void(const Row &)> &each)
{
    QSqlQuery q(db.sql());
    q.setForwardOnly(true);
    q.prepare(QString::fromStdString(tq.sql));
    for (double f : tq.factors)
        q.addBindValue(f);
    q.addBindValue(key);
    std::size_t count = 0;
    Row row;
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
    std::vector<QueryRow> rows;
    const auto read = eachRow<QueryRow>(db_, tq, name, Nulls::AsZero,
                                        [&](const QueryRow &r) { rows.push_back(r); });
    if (!read)
        return DbRead<std::vector<QueryRow>>::failure(read);
    return rows;
}

DbRead<std::size_t>
TestRepository::eachReportRow(int testId, double shearFactor,
                              const std::function<void(const ReportRow &)> &row) const
{
    return eachRow<ReportRow>(db_, buildReportQuery(shearFactor), testId, Nulls::AsNaN, row);
}

DbRead<std::vector<StoredPoint>> TestRepository::storedPoints(const QString &name) const
{
    std::vector<StoredPoint> points;
    QSqlQuery q(db_.sql());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT StepNo, Time, Temperature, Speed, Shearstress, Gel, Rbfactor "
                             "FROM TestResult WHERE TestId=(SELECT TestId FROM RelatedInfo WHERE "
                             "TestName=?) ORDER BY StepNo, Time"));
    q.addBindValue(name);
    // A missing value must not pass for a reading of 0.
    auto number = [](const QVariant &v) {
        return v.isNull() ? std::numeric_limits<double>::quiet_NaN() : v.toDouble();
    };
    if (auto e = readRows(q, "The test's points", [&](const QSqlQuery &r) {
            points.push_back({r.value(0).toInt(), number(r.value(1)), number(r.value(2)),
                              number(r.value(3)), number(r.value(4)), number(r.value(5)),
                              number(r.value(6))});
        }))
        return DbRead<std::vector<StoredPoint>>::failure(*e);
    return points;
}

namespace {
bool insertOne(QSqlQuery &q, int testId, const StoredPoint &p)
{
    q.addBindValue(testId);
    q.addBindValue(p.stepNo);
    q.addBindValue(p.time);
    q.addBindValue(p.temperature);
    q.addBindValue(p.speed);
    q.addBindValue(p.shearStress);
    q.addBindValue(p.gel);
    q.addBindValue(p.rbfactor);
    return q.exec();
}
constexpr auto kInsertPoint = "INSERT INTO TestResult (TestId, StepNo, Time, Temperature, Speed, "
                              "Shearstress, Gel, Rbfactor) VALUES (?, ?, ?, ?, ?, ?, ?, ?)";
} // namespace

DbResult TestRepository::insertPoints(int testId, const std::vector<StoredPoint> &points)
{
    return db_.transaction([&]() {
        QSqlQuery q(db_.sql());
        q.prepare(QString::fromLatin1(kInsertPoint));
        for (const auto &p : points)
            if (!insertOne(q, testId, p))
                return queryFailure(q);
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
            q.prepare(QStringLiteral(
                "INSERT INTO TestEvents (TestId, Time, Kind, Text) VALUES (?, ?, ?, ?)"));
            q.addBindValue(id);
            q.addBindValue(event.time);
            q.addBindValue(event.kind);
            q.addBindValue(event.text);
            return q.exec() ? DbResult::success() : queryFailure(q);
        },
        busyMs);
}

DbRead<std::vector<TestEvent>> TestRepository::events(const QString &testName) const
{
    std::vector<TestEvent> out;
    QSqlQuery q(db_.sql());
    q.setForwardOnly(true);
    q.prepare(db_.text("SELECT Time, Kind, Text FROM TestEvents WHERE TestId=(SELECT TestId "
                       "FROM RelatedInfo WHERE TestName=? ORDER BY TestId, $ROWID LIMIT 1) "
                       "ORDER BY Time, $ROWID"));
    q.addBindValue(testName);
    if (auto e = readRows(q, "The test's events", [&](const QSqlQuery &r) {
            out.push_back({r.value(0).toDouble(), text(r.value(1)), text(r.value(2))});
        }))
        return DbRead<std::vector<TestEvent>>::failure(*e);
    return out;
}

} // namespace viscora
