#include "store/TestRepository.h"

#include "store/DenseNumbering.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace viscora {

namespace {

QString text(const QVariant &v) { return v.isNull() ? QString() : v.toString(); }

} // namespace

QStringList TestRepository::testNames() const
{
    QStringList names;
    for (const auto &t : tests())
        names << t.testName;
    return names;
}

std::vector<TestListEntry> TestRepository::tests() const
{
    std::vector<TestListEntry> out;
    QSqlQuery q(db_.sql());
    q.setForwardOnly(true);
    if (q.exec(QStringLiteral("SELECT TestId, TestName FROM RelatedInfo ORDER BY TestId, rowid")))
        while (q.next())
            out.push_back({q.value(0).toInt(), text(q.value(1))});
    return out;
}

std::optional<int> TestRepository::testId(const QString &name) const
{
    QSqlQuery q(db_.sql());
    q.prepare(
        QStringLiteral("SELECT TestId FROM RelatedInfo WHERE TestName=? ORDER BY TestId, rowid"));
    q.addBindValue(name);
    if (q.exec() && q.next())
        return q.value(0).toInt();
    return std::nullopt;
}

bool TestRepository::exists(const QString &name, Qt::CaseSensitivity cs) const
{
    const QStringList names = testNames();
    for (const QString &n : names)
        if (n.compare(name, cs) == 0)
            return true;
    return false;
}

int TestRepository::nextTestId() const
{
    QSqlQuery q(db_.sql());
    if (q.exec(QStringLiteral("SELECT COUNT(*), MAX(TestId) FROM RelatedInfo")) && q.next()) {
        if (q.value(0).toInt() == 0)
            return 1;
        return std::max(1, q.value(1).toInt()) + 1;
    }
    return 1;
}

std::optional<TestHeader> TestRepository::header(const QString &name) const
{
    QSqlQuery q(db_.sql());
    q.prepare(QStringLiteral("SELECT TestName, MudId, SampleTime, CompanyName, \"Desc\" "
                             "FROM RelatedInfo WHERE TestName=? ORDER BY TestId, rowid"));
    q.addBindValue(name);
    if (!q.exec() || !q.next())
        return std::nullopt;
    return TestHeader{text(q.value(0)), text(q.value(1)), text(q.value(2)), text(q.value(3)),
                      text(q.value(4))};
}

DbResult TestRepository::createHeader(const TestHeader &h, int &newId)
{
    return db_.transaction([&]() {
        const int id = nextTestId();
        QSqlQuery q(db_.sql());
        q.prepare(QStringLiteral("INSERT INTO RelatedInfo (TestId, TestName, MudId, SampleTime, "
                                 "CompanyName, \"Desc\") VALUES (?, ?, ?, ?, ?, ?)"));
        q.addBindValue(id);
        q.addBindValue(h.testName);
        q.addBindValue(h.mudId);
        q.addBindValue(h.sampleTime);
        q.addBindValue(h.companyName);
        q.addBindValue(h.desc);
        if (!q.exec())
            return DbResult::failure(errorOf(q));
        newId = id;
        return DbResult::success();
    });
}

DbResult TestRepository::updateHeader(const TestHeader &h)
{
    return db_.transaction([&]() {
        QSqlQuery q(db_.sql());
        // Only the first row of that name, as a walk over the table would find it.
        q.prepare(QStringLiteral(
            "UPDATE RelatedInfo SET TestName=?, MudId=?, SampleTime=?, CompanyName=?, \"Desc\"=? "
            "WHERE rowid=(SELECT rowid FROM RelatedInfo WHERE TestName=? ORDER BY TestId, rowid "
            "LIMIT 1)"));
        q.addBindValue(h.testName);
        q.addBindValue(h.mudId);
        q.addBindValue(h.sampleTime);
        q.addBindValue(h.companyName);
        q.addBindValue(h.desc);
        q.addBindValue(h.testName);
        if (!q.exec())
            return DbResult::failure(errorOf(q));
        return DbResult::success();
    });
}

DbResult TestRepository::deleteTest(const QString &name)
{
    return deleteAndRenumber(db_, kTestTables, name);
}

std::optional<double> TestRepository::firstRbfactor(const QString &name) const
{
    QSqlQuery q(db_.sql());
    q.prepare(QString::fromStdString(firstRbfactorSql()));
    q.addBindValue(name);
    if (q.exec() && q.next())
        return q.value(0).toDouble();
    return std::nullopt;
}

std::vector<QueryRow> TestRepository::queryRows(const TestQuery &tq, const QString &name,
                                                QString *error) const
{
    std::vector<QueryRow> rows;
    QSqlQuery q(db_.sql());
    q.setForwardOnly(true);
    q.prepare(QString::fromStdString(tq.sql));
    for (double f : tq.factors)
        q.addBindValue(f);
    q.addBindValue(name);
    if (!q.exec()) {
        if (error)
            *error = errorOf(q);
        return rows;
    }
    while (q.next()) {
        QueryRow r;
        for (int c = 0; c < col::Count; ++c)
            r[static_cast<size_t>(c)] = q.value(c).toDouble();
        rows.push_back(r);
    }
    return rows;
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
                return DbResult::failure(errorOf(q));
        return DbResult::success();
    });
}

} // namespace viscora
