#include "store/TestRecords.h"

#include "core/VbFormat.h"
#include "store/Schema.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <pwd.h>
#include <unistd.h>

namespace viscora {

namespace {
QVariant orNull(const std::optional<double> &v)
{
    return v ? QVariant(*v) : QVariant(QMetaType::fromType<double>());
}

std::optional<double> number(const QVariant &v)
{
    return v.isNull() ? std::nullopt : std::optional<double>(v.toDouble());
}

QString text(const QVariant &v) { return v.isNull() ? QString() : v.toString(); }

const QString kOfTest =
    QStringLiteral(" WHERE TestId=") + QString::fromStdString(schema::testOfName());
} // namespace

DbResult TestRecords::append(const QString &testName, const TestRecord &r, double now, int busyMs)
{
    return db_.transaction(
        [&]() {
            std::optional<int> id;
            int last = 0;
            if (auto e =
                    readAll(db_, "The test's records",
                            QStringLiteral("SELECT r.TestId, (SELECT MAX(Revision) FROM "
                                           "TestRecords WHERE TestId=r.TestId) FROM "
                                           "RelatedInfo r WHERE r.") +
                                QString::fromStdString(schema::firstOfName("TestName", "TestId"))
                                    .replace(QLatin1String("$ROWID"), QLatin1String("r.$ROWID")),
                            {testName}, [&](const QSqlQuery &q) {
                                id = q.value(0).toInt();
                                last = q.value(1).toInt();
                            }))
                return DbResult::failure(*e);
            if (!id)
                return DbResult::failure(
                    QStringLiteral("the test \"%1\" is no longer in the database").arg(testName));
            return execute(
                db_, schema::insert(schema::TestRecords),
                {*id, last + 1, last, r.kind, now, orNull(r.startedAt), orNull(r.endedAt),
                 r.points ? QVariant(static_cast<qlonglong>(*r.points))
                          : QVariant(QMetaType::fromType<qlonglong>()),
                 r.instrument, r.operatorName, r.sequenceName, r.steps, r.programVersion, r.note});
        },
        busyMs);
}

DbRead<std::vector<TestRecord>> TestRecords::read(const QString &testName, bool latestOnly) const
{
    std::vector<TestRecord> out;
    const QString sql = schema::select(schema::TestRecords, 3) + kOfTest +
                        (latestOnly ? QStringLiteral(" ORDER BY Revision DESC LIMIT 1")
                                    : QStringLiteral(" ORDER BY Revision"));
    if (auto e = readAll(db_, "The test's records", sql, {testName}, [&](const QSqlQuery &q) {
            TestRecord r;
            r.kind = text(q.value(0));
            r.startedAt = number(q.value(2));
            r.endedAt = number(q.value(3));
            if (!q.value(4).isNull())
                r.points = q.value(4).toLongLong();
            r.instrument = text(q.value(5));
            r.operatorName = text(q.value(6));
            r.sequenceName = text(q.value(7));
            r.steps = text(q.value(8));
            r.programVersion = text(q.value(9));
            r.note = text(q.value(10));
            out.push_back(std::move(r));
        }))
        return DbRead<std::vector<TestRecord>>::failure(*e);
    return out;
}

DbRead<std::optional<TestRecord>> TestRecords::latest(const QString &testName) const
{
    const auto all = read(testName, true);
    if (!all)
        return DbRead<std::optional<TestRecord>>::failure(all);
    if (all->empty())
        return std::optional<TestRecord>();
    return std::optional<TestRecord>(all->front());
}

DbRead<std::vector<TestRecord>> TestRecords::history(const QString &testName) const
{
    return read(testName, false);
}

QString operatorName()
{
    const passwd *pw = ::getpwuid(::getuid());
    if (!pw)
        return qEnvironmentVariable("USER");
    const QString login = QString::fromLocal8Bit(pw->pw_name);
    // The full name is the first field of the comment.
    const QString full = QString::fromLocal8Bit(pw->pw_gecos ? pw->pw_gecos : "")
                             .section(QLatin1Char(','), 0, 0)
                             .trimmed();
    return full.isEmpty() || full == login ? login : QStringLiteral("%1 (%2)").arg(full, login);
}

QString stepsText(const std::vector<SequenceStep> &steps)
{
    QStringList out;
    for (const SequenceStep &s : steps)
        out << QString::fromStdString(shortestText(s.time) + "," + shortestText(s.temperature) +
                                      "," + shortestText(s.speed) + "," +
                                      std::to_string(s.recordRate));
    return out.join(QLatin1Char(' '));
}

double utcNow() { return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1e3; }

} // namespace viscora
