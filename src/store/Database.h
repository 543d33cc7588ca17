#pragma once
// The one database of a run: opened once, handed to whoever needs it. A file (SQLite) by
// default, or a PostgreSQL server a lab shares; the four tables (and ours beside them) are
// created when the database lacks them. What the two backends do differently is the
// Dialect's.

#include "store/DbResult.h"
#include "store/Dialect.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

namespace viscora {

class Database {
public:
    enum class OpenMode { MustExist, CreateIfMissing };
    // Damaged: the message is whole ("The database file is damaged: ..."), not an
    // unexpected error.
    // Refused: a location that must not be used (locationProblem), whatever is there.
    enum class OpenError { None, NotFound, Damaged, Refused, Other };

    struct Opened {
        std::unique_ptr<Database> db;
        OpenError error = OpenError::None;
        QString message;
    };

    // location: a file's path, or a server's connection string (isServerLocation). busyMs:
    // how long a write waits for another program's lock before it fails.
    static Opened open(const QString &location, OpenMode mode, int busyMs = 3000);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // The connection, opened again first when a server's dropped (outside a transaction; in
    // one, every statement fails instead).
    QSqlDatabase &sql();
    const QString &path() const { return path_; }
    Backend backend() const { return dialect_->backend(); }
    const Dialect &dialect() const { return *dialect_; }
    // SQL text with the backend's words in it ($ROWID, $KEY).
    QString text(const char *sql) const { return dialect_->text(sql); }
    QString text(const QString &sql) const { return dialect_->text(sql); }

    // Runs work in one transaction that holds the write lock from its start: committed when
    // it returns ok, rolled back otherwise (and when the commit itself fails), so a failure
    // leaves the file as it was. busyMs >= 0 waits that long for another program's lock
    // instead of the usual time. A transaction begun inside another one joins it.
    DbResult transaction(const std::function<DbResult()> &work, int busyMs = -1);
    // Runs reads on one unchanging state of the database, left again without a write; inside a
    // transaction, on that transaction's.
    DbResult readTogether(const std::function<DbResult()> &work);
    // One statement of our own (no values).
    DbResult exec(const QString &statement);
    // Ends the transaction or read begun on the connection without writing. A connection that
    // cannot is opened again, which ends it: left open, it would hold the file's lock, go on
    // reading an old state and refuse the next transaction. The failure says why when even
    // that fails.
    DbResult rollback();
    // The connection closed and opened again: a server's session ends, and the locks it held
    // go with it. Never inside a transaction, which it would end unseen.
    DbResult reconnect();

    // For tests: any statement (set-up, BEGIN, COMMIT, ROLLBACK, reads and writes) fails as
    // the database would. Given each before it runs; a message fails it with that message,
    // nothing lets it run. Empty: none fail. For every connection of the process.
    using StatementFault = std::function<std::optional<QString>(const QString &statement)>;
    static void setStatementFault(StatementFault fault);

    // The file lies on a network share (its journal is then the rollback journal, not the
    // write-ahead log).
    bool network() const;
    // "wal" or "delete": the journal the file is kept with; "server" for a server.
    const QString &journal() const { return journal_; }
    // Every page and index of a file checked, and on either backend what the program keeps
    // true (dense ids, no orphan rows): empty when all is sound, else what is wrong.
    DbRead<QStringList> integrityProblems();

    static const char *kFileName; // "k7400r.mdb"

private:
    Database(QSqlDatabase db, QString location, Backend backend);
    DbResult ensureSchema();
    // A statement of our own on the connection as it is (never opened again first).
    DbResult run(QSqlQuery &q, const QString &statement);
    DbResult onConnect();
    DbResult setUp();
    // The connection closed and opened as open() left it.
    DbResult reopen();
    // What statements go to while the connection cannot be opened again.
    QSqlDatabase &unreachable();

    QSqlDatabase db_;
    QSqlDatabase unreachable_;
    // Why the connection could not be opened again, while it cannot.
    DbResult lost_;
    QString path_;
    QString connection_;
    std::unique_ptr<Dialect> dialect_;
    QString journal_;
    int busyMs_ = 3000;
    int depth_ = 0;
};

// A write's failure from its query, marked busy when another program held the file.
DbResult queryFailure(const QSqlQuery &query);
DbResult failureOf(const QSqlError &e);
// The failure a test asked of this statement (Database::setStatementFault), if any.
std::optional<QString> injectedFault(const QString &statement);
// Runs a prepared statement: its failure, as queryFailure gives it.
DbResult execute(QSqlQuery &query);

// Why a read failed, for the operator: "<what> could not be read: <error>", or "The database
// file is damaged: <error>" when the file itself is broken.
QString readFailure(const char *what, const QSqlQuery &query);
QString readFailure(const char *what, const QSqlError &e);

// Runs a prepared read, whose rows the caller then walks; its failure as readRows gives it.
std::optional<QString> startRead(QSqlQuery &query, const char *what);

// Runs a prepared read and hands each row to `row`. A failure, also one that ends the walk
// early (a damaged page), comes back as its message: the rows seen so far are not a result.
std::optional<QString> readRows(QSqlQuery &query, const char *what,
                                const std::function<void(const QSqlQuery &)> &row);

// The rows of one statement of ours (its text with the dialect's words), given its values in
// order, as readRows hands them.
std::optional<QString> readAll(Database &db, const char *what, const QString &sql,
                               const QVariantList &values,
                               const std::function<void(const QSqlQuery &)> &row);
std::optional<QString> readAll(Database &db, const char *what, const char *sql,
                               const QVariantList &values,
                               const std::function<void(const QSqlQuery &)> &row);

// Runs one statement of ours (its text with the dialect's words), given its values in order.
DbResult execute(Database &db, const QString &sql, const QVariantList &values);

// The problems a check of the file's pages lists in one of its rows ("ok" lists none).
QStringList pageProblems(const QString &row);

// The file in dir whose name is fileName in any letter case; empty when there is none.
QString findFileCaseInsensitive(const QString &dir, const QString &fileName);

} // namespace viscora
