#include "store/Recordings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSqlQuery>
#include <QSysInfo>
#include <QVariant>

namespace viscora {

double Recordings::now() { return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1e3; }

namespace {
DbResult run(Database &db, const char *text, const QVariantList &values)
{
    QSqlQuery q(db.sql());
    q.prepare(QString::fromLatin1(text));
    for (const QVariant &v : values)
        q.addBindValue(v);
    return q.exec() ? DbResult::success() : queryFailure(q);
}
} // namespace

DbResult Recordings::begin(const QString &testName, int busyMs)
{
    return db_.transaction(
        [&]() {
            if (const DbResult r = run(db_, "DELETE FROM Recordings WHERE TestName=?", {testName});
                !r)
                return r;
            return run(
                db_, "INSERT INTO Recordings (TestName, Host, Pid, Heartbeat) VALUES (?, ?, ?, ?)",
                {testName, QSysInfo::machineHostName(),
                 static_cast<qlonglong>(QCoreApplication::applicationPid()), now()});
        },
        busyMs);
}

DbResult Recordings::beat(const QString &testName, int busyMs)
{
    return db_.transaction(
        [&]() {
            return run(db_, "UPDATE Recordings SET Heartbeat=? WHERE TestName=?",
                       {now(), testName});
        },
        busyMs);
}

DbResult Recordings::end(const QString &testName, int busyMs)
{
    return db_.transaction(
        [&]() { return run(db_, "DELETE FROM Recordings WHERE TestName=?", {testName}); }, busyMs);
}

DbRead<bool> Recordings::isRecorded(const QString &testName) const
{
    bool live = false;
    QSqlQuery q(db_.sql());
    q.prepare(QStringLiteral("SELECT COUNT(*) FROM Recordings WHERE TestName=? AND Heartbeat>?"));
    q.addBindValue(testName);
    q.addBindValue(now() - kStaleSeconds);
    if (auto e = readRows(q, "The recordings in progress",
                          [&](const QSqlQuery &r) { live = r.value(0).toInt() > 0; }))
        return DbRead<bool>::failure(*e);
    return live;
}

} // namespace viscora
