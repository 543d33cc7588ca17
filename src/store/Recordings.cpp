#include "store/Recordings.h"

#include "store/Schema.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QSqlQuery>
#include <QSysInfo>
#include <QVariant>

#include <map>
#include <mutex>

#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace viscora {

double Recordings::now() { return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1e3; }

namespace {
// The locks this program holds, by database and test: a file's descriptor, or -1 for a
// server's advisory lock (held by the connection's session).
struct Held {
    std::mutex mutex;
    std::map<std::pair<QString, QString>, int> locks;
};
Held &held()
{
    static Held h;
    return h;
}

QString lockFile(const Database &db, const QString &testName)
{
    const QByteArray hash =
        QCryptographicHash::hash(testName.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return db.path() + QStringLiteral(".recording-") + QString::fromLatin1(hash);
}

// The server's advisory lock of a test: one class of keys for recordings, the name's hash.
constexpr int kLockClass = 0x56495343;
int lockKey(const QString &testName)
{
    quint32 h = 2166136261u;
    for (const char c : testName.toUtf8()) {
        h ^= static_cast<unsigned char>(c);
        h *= 16777619u;
    }
    return static_cast<int>(h);
}

flock wholeFile(short type)
{
    flock l{};
    l.l_type = type;
    l.l_whence = SEEK_SET;
    return l;
}

std::optional<bool> serverLock(Database &db, const char *function, const QString &testName)
{
    QSqlQuery q(db.sql());
    q.prepare(QStringLiteral("SELECT %1(?, ?)").arg(QString::fromLatin1(function)));
    q.addBindValue(kLockClass);
    q.addBindValue(lockKey(testName));
    if (!execute(q) || !q.next())
        return std::nullopt;
    return q.value(0).toBool();
}

// Takes the test's lock; false when another recording holds it.
std::optional<bool> takeLock(Database &db, const QString &testName)
{
    const auto key = std::make_pair(db.path(), testName);
    std::lock_guard guard(held().mutex);
    if (held().locks.contains(key))
        return true;
    if (db.backend() == Backend::PostgreSQL) {
        const auto got = serverLock(db, "pg_try_advisory_lock", testName);
        if (got && *got)
            held().locks[key] = -1;
        return got;
    }
    const int fd = ::open(lockFile(db, testName).toLocal8Bit().constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return std::nullopt;
    flock l = wholeFile(F_WRLCK);
    if (::fcntl(fd, F_OFD_SETLK, &l) != 0) {
        const bool taken = errno == EAGAIN || errno == EACCES;
        ::close(fd);
        return taken ? std::optional<bool>(false) : std::nullopt;
    }
    held().locks[key] = fd;
    return true;
}

void dropLock(Database &db, const QString &testName)
{
    const auto key = std::make_pair(db.path(), testName);
    std::lock_guard guard(held().mutex);
    const auto it = held().locks.find(key);
    if (it == held().locks.end())
        return;
    if (it->second >= 0) {
        ::unlink(lockFile(db, testName).toLocal8Bit().constData());
        ::close(it->second);
    } else if (!serverLock(db, "pg_advisory_unlock", testName)) {
        // The session would hold the lock for as long as it lasts: it ends here.
        (void)db.reconnect();
    }
    held().locks.erase(it);
}
} // namespace

DbResult Recordings::begin(const QString &testName, int busyMs)
{
    if (const auto got = takeLock(db_, testName); got && !*got)
        return DbResult::failure(QStringLiteral("the test \"%1\" is being recorded by another "
                                                "program")
                                     .arg(testName));
    return db_.transaction(
        [&]() {
            if (const DbResult r = execute(
                    db_, QStringLiteral("DELETE FROM Recordings WHERE TestName=?"), {testName});
                !r)
                return r;
            return execute(db_, schema::insert(schema::Recordings),
                           {testName, QSysInfo::machineHostName(),
                            static_cast<qlonglong>(QCoreApplication::applicationPid()), now()});
        },
        busyMs);
}

DbResult Recordings::beat(const QString &testName, int busyMs)
{
    return db_.transaction(
        [&]() {
            return execute(db_,
                           QStringLiteral("UPDATE Recordings SET Heartbeat=? WHERE TestName=?"),
                           {now(), testName});
        },
        busyMs);
}

DbResult Recordings::end(const QString &testName, int busyMs)
{
    const DbResult r = db_.transaction(
        [&]() {
            return execute(db_, QStringLiteral("DELETE FROM Recordings WHERE TestName=?"),
                           {testName});
        },
        busyMs);
    // Once the row is gone (or could not be taken away for good), the lock goes too; a busy
    // database keeps both for the next try.
    if (r || !r.busy)
        dropLock(db_, testName);
    return r;
}

void Recordings::release(const QString &testName) { dropLock(db_, testName); }

std::optional<bool> Recordings::lockHeld(const QString &testName) const
{
    {
        std::lock_guard guard(held().mutex);
        if (held().locks.contains(std::make_pair(db_.path(), testName)))
            return true;
    }
    if (db_.backend() == Backend::PostgreSQL) {
        // Looked up, not taken: a check that failed half-way would leave its session holding
        // the lock, which only the session's end could free (inside a transaction, not at all).
        // Advisory locks belong to one database; pg_locks lists the whole server's.
        bool locked = false;
        QSqlQuery q(db_.sql());
        q.prepare(QStringLiteral("SELECT COUNT(*) FROM pg_locks WHERE locktype='advisory' AND "
                                 "granted AND classid::bigint=? AND objid::bigint=? AND "
                                 "objsubid=2 AND database=(SELECT oid FROM pg_database WHERE "
                                 "datname=current_database())"));
        q.addBindValue(static_cast<qlonglong>(kLockClass));
        q.addBindValue(static_cast<qlonglong>(static_cast<quint32>(lockKey(testName))));
        if (readRows(q, "The recordings in progress",
                     [&](const QSqlQuery &r) { locked = r.value(0).toInt() > 0; }))
            return std::nullopt;
        return locked;
    }
    const int fd = ::open(lockFile(db_, testName).toLocal8Bit().constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? std::optional<bool>(false) : std::nullopt;
    flock l = wholeFile(F_WRLCK);
    const bool asked = ::fcntl(fd, F_OFD_GETLK, &l) == 0;
    ::close(fd);
    if (!asked)
        return std::nullopt;
    return l.l_type != F_UNLCK;
}

DbResult Recordings::refuseWhileRecorded(const QString &testName, const char *done) const
{
    const auto recording = isRecorded(testName);
    if (!recording)
        return DbResult::failure(recording.error());
    if (*recording)
        return DbResult::failure(QStringLiteral("the test \"%1\" is being recorded; it can be %2 "
                                                "once its recording has ended")
                                     .arg(testName, QLatin1String(done)));
    return DbResult::success();
}

DbRead<bool> Recordings::isRecorded(const QString &testName) const
{
    if (const auto locked = lockHeld(testName))
        return *locked;
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
