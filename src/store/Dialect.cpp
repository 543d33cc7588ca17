#include "store/Dialect.h"

#include <QRegularExpression>
#include <QSqlRecord>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QVariant>

#include <libpq-fe.h>

#include <sys/stat.h>

namespace viscora {

QString Dialect::text(const char *sql) const { return text(QString::fromLatin1(sql)); }

QString Dialect::text(QString sql) const
{
    return sql.replace(QLatin1String("$ROWID"), QLatin1String(rowId()))
        .replace(QLatin1String("$KEY"), QLatin1String(rowKey()));
}

QString Dialect::createText(const schema::Table &t) const
{
    QStringList columns;
    for (const schema::Column &c : t.columns)
        columns << schema::sqlName(c) + QLatin1Char(' ') +
                       QLatin1String(c.type == schema::Type::Integer ? "INTEGER"
                                     : c.type == schema::Type::Text  ? "TEXT"
                                                                     : realType());
    return QStringLiteral("CREATE TABLE %1 (%2)")
        .arg(QLatin1String(t.name), columns.join(QStringLiteral(", ")));
}

namespace {

// The first value of a statement's first row; empty when it fails or has none.
QString firstValue(QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    return q.exec(sql) && q.next() ? q.value(0).toString() : QString();
}

int primaryCode(const QSqlError &e)
{
    bool ok = false;
    const int code = e.nativeErrorCode().toInt(&ok);
    return ok ? code & 0xFF : -1;
}

class SqliteDialect final : public Dialect {
public:
    Backend backend() const override { return Backend::SQLite; }
    const char *driver() const override { return "QSQLITE"; }
    const char *tableListSql() const override
    {
        // Not SQLite's own tables.
        return "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite\\_%' "
               "ESCAPE '\\'";
    }
    const char *indexListSql() const override
    {
        return "SELECT name FROM sqlite_master WHERE type='index'";
    }
    const char *columnListSql() const override
    {
        return "SELECT m.name, c.name FROM sqlite_master AS m, pragma_table_info(m.name) AS c "
               "WHERE m.type='table'";
    }
    QStringList createTable(const schema::Table &t) const override { return {createText(t)}; }
    QStringList beginWrite(int busyMs) const override
    {
        return {busyTimeout(busyMs), QStringLiteral("BEGIN IMMEDIATE")};
    }
    QStringList endWrite(int usualBusyMs) const override { return {busyTimeout(usualBusyMs)}; }
    QString connectOptions(int busyMs) const override
    {
        return QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyMs);
    }
    // The journal pragma answers with the journal the file is kept with now.
    QString journal(QSqlQuery *answer) const override
    {
        return answer && answer->next() ? answer->value(0).toString().toLower() : QString();
    }
    bool file() const override { return true; }
    const char *pageCheckSql() const override { return "PRAGMA integrity_check"; }
    QStringList files(const QString &location) const override
    {
        QStringList out;
        for (const char *suffix : {"", "-wal", "-shm", "-journal"})
            out << location + QLatin1String(suffix);
        return out;
    }
    QStringList setUp(bool network, int) const override
    {
        // A local file gets the write-ahead log, so that readers never hold up a recording;
        // a file on a network share keeps the rollback journal, which works across machines.
        return {network ? QStringLiteral("PRAGMA journal_mode=DELETE")
                        : QStringLiteral("PRAGMA journal_mode=WAL")};
    }
    // SQLITE_CORRUPT and SQLITE_NOTADB.
    bool damaged(const QSqlError &e) const override
    {
        const int code = primaryCode(e);
        return code == 11 || code == 26;
    }
    // SQLITE_BUSY and SQLITE_LOCKED.
    bool busy(const QSqlError &e) const override
    {
        const int code = primaryCode(e);
        return code == 5 || code == 6;
    }
    // SQLITE_READONLY.
    bool readOnly(const QSqlError &e) const override { return primaryCode(e) == 8; }
    // SQLITE_NOTADB.
    bool foreign(const QSqlError &e) const override { return primaryCode(e) == 26; }
    // Only a connection that could not be set up again is closed: it is tried again.
    bool connectionLost(const QSqlDatabase &db) const override { return !db.isOpen(); }
    const RowsCheck *rowsCheck() const override
    {
        // Two ways to the same rows: the index, and the table's own order; where one was cut
        // short by a damaged page they disagree. The rows either side belong to other tests
        // unless the index lost the test's first or last ones.
        static const RowsCheck check{
            "PRAGMA quick_check(RelatedInfo)",
            "SELECT COUNT(*), MIN(rowid), MAX(rowid) FROM TestResult WHERE TestId=?",
            "SELECT COUNT(*) FROM TestResult NOT INDEXED WHERE rowid BETWEEN ? AND ? AND +TestId=?",
            "SELECT TestId FROM TestResult NOT INDEXED WHERE rowid<? ORDER BY rowid DESC LIMIT 1",
            "SELECT TestId FROM TestResult NOT INDEXED WHERE rowid>? ORDER BY rowid LIMIT 1"};
        return &check;
    }
    // Deferred: the view is taken at the first read.
    QStringList beginRead() const override { return {QStringLiteral("BEGIN")}; }
    // The file itself, however its path was written (a link, a relative path).
    QString identity(QSqlDatabase &db) const override
    {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("PRAGMA database_list")))
            return {};
        while (q.next()) {
            struct stat st {};
            if (q.value(1).toString() == QLatin1String("main") &&
                ::stat(q.value(2).toString().toLocal8Bit().constData(), &st) == 0)
                return QStringLiteral("file:%1:%2")
                    .arg(static_cast<qulonglong>(st.st_dev))
                    .arg(static_cast<qulonglong>(st.st_ino));
        }
        return {};
    }

protected:
    const char *rowId() const override { return "rowid"; }
    const char *rowKey() const override { return "?"; }
    const char *realType() const override { return "REAL"; }

private:
    static QString busyTimeout(int ms) { return QStringLiteral("PRAGMA busy_timeout=%1").arg(ms); }
};

class PostgresDialect final : public Dialect {
public:
    Backend backend() const override { return Backend::PostgreSQL; }
    const char *driver() const override { return "QPSQL"; }
    const char *tableListSql() const override
    {
        return "SELECT table_name FROM information_schema.tables WHERE table_schema = "
               "current_schema()";
    }
    const char *indexListSql() const override
    {
        return "SELECT indexname FROM pg_indexes WHERE schemaname = current_schema()";
    }
    const char *columnListSql() const override
    {
        return "SELECT table_name, column_name FROM information_schema.columns WHERE "
               "table_schema = current_schema()";
    }
    QStringList createTable(const schema::Table &t) const override
    {
        QStringList out{createText(t)};
        // Keys the server keeps for every program at once: ids are unique by the end of each
        // transaction (renumbering moves them one by one), names are unique.
        if (&t == &schema::RelatedInfo)
            out << QStringLiteral("ALTER TABLE RelatedInfo ADD CONSTRAINT RelatedInfoIdKey "
                                  "UNIQUE (TestId) DEFERRABLE INITIALLY DEFERRED")
                << QStringLiteral("ALTER TABLE RelatedInfo ADD CONSTRAINT RelatedInfoNameKey "
                                  "UNIQUE (TestName)");
        else if (&t == &schema::SequenceName)
            out << QStringLiteral("ALTER TABLE SequenceName ADD CONSTRAINT SequenceNameIdKey "
                                  "UNIQUE (SequenceId) DEFERRABLE INITIALLY DEFERRED")
                << QStringLiteral("ALTER TABLE SequenceName ADD CONSTRAINT SequenceNameNameKey "
                                  "UNIQUE (SequenceName)");
        return out;
    }
    QStringList beginWrite(int busyMs) const override
    {
        // Writers queue on one lock of the database, as SQLite's writers do on the file;
        // readers never wait for it.
        return {QStringLiteral("BEGIN"),
                QStringLiteral("SET LOCAL lock_timeout = %1").arg(std::max(1, busyMs)),
                QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kWritersLock)};
    }
    QStringList setUp(bool, int) const override { return {}; }
    QString journal(QSqlQuery *) const override { return QStringLiteral("server"); }
    QString connectOptions(int) const override { return {}; }
    // The wait was the transaction's own (SET LOCAL).
    QStringList endWrite(int) const override { return {}; }
    bool file() const override { return false; }
    bool streamsRows() const override { return true; }
    QStringList files(const QString &) const override { return {}; }
    // The server's lock timeout is what SQLite says of a file held by another writer; the
    // operator is told the same words whichever backend holds the tests.
    QString plainText(const QSqlError &e) const override
    {
        return e.nativeErrorCode() == QLatin1String("55P03") ? QStringLiteral("database is locked")
                                                             : QString();
    }
    QStringList onConnect() const override
    {
        // The server's notices ("already exists, skipping") are not the operator's business.
        // Its just-in-time compiling took a third of a second before the Find list's read of
        // 10,000 tests, which itself takes a few milliseconds; no statement here gains by it.
        return {QStringLiteral("SET client_min_messages = warning"), QStringLiteral("SET jit = off")};
    }
    // data_corrupted, index_corrupted.
    bool damaged(const QSqlError &e) const override
    {
        const QString code = e.nativeErrorCode();
        return code == QLatin1String("XX001") || code == QLatin1String("XX002");
    }
    // lock_not_available, deadlock_detected, serialization_failure; a lost connection and a
    // server shutting down or starting up (classes 08 and 57P).
    bool busy(const QSqlError &e) const override
    {
        const QString code = e.nativeErrorCode();
        return code == QLatin1String("55P03") || code == QLatin1String("40P01") ||
               code == QLatin1String("40001") || code.startsWith(QLatin1String("08")) ||
               code.startsWith(QLatin1String("57P"));
    }
    // read_only_sql_transaction: a server or database set to read only.
    bool readOnly(const QSqlError &e) const override
    {
        return e.nativeErrorCode() == QLatin1String("25006");
    }
    bool connectionLost(const QSqlDatabase &db) const override
    {
        if (!db.isOpen())
            return true;
        const QVariant handle = db.driver()->handle();
        auto *conn = handle.isValid() ? *static_cast<PGconn *const *>(handle.data()) : nullptr;
        return !conn || PQstatus(conn) != CONNECTION_OK;
    }
    QStringList beginRead() const override
    {
        return {QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")};
    }
    // The cluster's own identifier and the database's name: alike whichever host name, socket
    // or port reaches them.
    QString identity(QSqlDatabase &db) const override
    {
        const QString id = firstValue(
            db, QStringLiteral("SELECT system_identifier::text || ':' || current_database() FROM "
                               "pg_control_system()"));
        return id.isEmpty() ? id : QStringLiteral("server:") + id;
    }

protected:
    const char *rowId() const override { return "ctid"; }
    const char *rowKey() const override { return "?::tid"; }
    const char *realType() const override { return "DOUBLE PRECISION"; }

private:
    static constexpr long long kWritersLock = 0x5649534C; // "VISL"
};

} // namespace

std::unique_ptr<Dialect> Dialect::make(Backend backend)
{
    if (backend == Backend::PostgreSQL)
        return std::make_unique<PostgresDialect>();
    return std::make_unique<SqliteDialect>();
}

std::unique_ptr<Dialect> dialectFor(const QString &location)
{
    return Dialect::make(isServerLocation(location) ? Backend::PostgreSQL : Backend::SQLite);
}

bool isServerLocation(const QString &location)
{
    static const QRegularExpression keyword(QStringLiteral("^\\s*[A-Za-z_]+\\s*="));
    return location.startsWith(QLatin1String("postgresql://")) ||
           location.startsWith(QLatin1String("postgres://")) || keyword.match(location).hasMatch();
}

namespace {
// A value as the server library reads it in a connection string: bare when it can be, else
// quoted, so that a value never adds settings of its own.
QString connectionValue(const QString &value)
{
    static const QRegularExpression bare(QStringLiteral("^[A-Za-z0-9_.:/,+@-]+$"));
    if (bare.match(value).hasMatch())
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}
} // namespace

DbRead<ServerSettings> serverSettings(const QString &location)
{
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(location.toUtf8().constData(), &error);
    if (!options) {
        const QString why = error ? QString::fromUtf8(error).trimmed()
                                  : QStringLiteral("the connection string cannot be read");
        PQfreemem(error);
        return DbRead<ServerSettings>::failure(why);
    }
    ServerSettings s;
    QStringList rest;
    bool timeout = false;
    QString unpassable;
    for (PQconninfoOption *o = options; o->keyword; ++o) {
        if (!o->val || !*o->val)
            continue;
        const QString key = QString::fromLatin1(o->keyword), value = QString::fromUtf8(o->val);
        bool number = false;
        const int port = key == QLatin1String("port") ? value.toInt(&number) : -1;
        if (key == QLatin1String("host"))
            s.host = value;
        else if (number)
            s.port = port;
        else if (key == QLatin1String("user"))
            s.user = value;
        else if (key == QLatin1String("password"))
            s.password = value;
        else if (key == QLatin1String("dbname"))
            s.database = value;
        else if (value.contains(QLatin1Char(';')))
            // The Qt driver turns every ';' of its options into a space.
            unpassable = key;
        else
            rest << key + QLatin1Char('=') + connectionValue(value);
        timeout = timeout || key == QLatin1String("connect_timeout");
    }
    PQconninfoFree(options);
    if (!unpassable.isEmpty())
        return DbRead<ServerSettings>::failure(
            QStringLiteral("the setting %1 cannot hold a ';'").arg(unpassable));
    // An unreachable server must not hold the window for the system's minutes.
    if (!timeout && qEnvironmentVariableIsEmpty("PGCONNECT_TIMEOUT"))
        rest << QStringLiteral("connect_timeout=10");
    s.options = rest.join(QLatin1Char(';'));
    return s;
}

QString shownLocation(const QString &location)
{
    QString shown = location;
    static const QRegularExpression uriPassword(QStringLiteral("(://[^:/@]*):[^@]*@"));
    static const QRegularExpression keyPassword(QStringLiteral("password\\s*=\\s*\\S+"));
    shown.replace(uriPassword, QStringLiteral("\\1@"));
    shown.replace(keyPassword, QStringLiteral("password=…"));
    return shown;
}

QString serverLocationProblem(const QString &location)
{
    const auto settings = serverSettings(location);
    if (!settings)
        return settings.error();
    if (!settings->password.isEmpty())
        return QStringLiteral("a password does not belong in the database location, where others "
                              "can read it: put it in ~/.pgpass or PGPASSWORD");
    return {};
}

QString locationProblem(const QString &location)
{
    if (location.trimmed().isEmpty())
        return QStringLiteral("no database location was given");
    if (isServerLocation(location))
        return serverLocationProblem(location);
    // SQLite reads a file: location as a URI, whose options can open the file without its
    // locks (vfs=unix-none, nolock, immutable) while other programs write it.
    if (location.startsWith(QLatin1String("file:"), Qt::CaseInsensitive) &&
        location.contains(QLatin1Char('?')))
        return QStringLiteral("SQLite's options in a database location (%1) could turn off the "
                              "locking that keeps the file safe for several programs: give the "
                              "file's path alone")
            .arg(location.section(QLatin1Char('?'), 1));
    return {};
}

} // namespace viscora
