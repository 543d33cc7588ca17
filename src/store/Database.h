#pragma once
// The one database file of a run: opened once, handed to whoever needs it. SQLite through
// Qt SQL; the four tables are created when the file lacks them.

#include "store/DbResult.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace viscora {

class Database {
public:
    enum class OpenMode { MustExist, CreateIfMissing };
    enum class OpenError { None, NotFound, Other };

    struct Opened {
        std::unique_ptr<Database> db;
        OpenError error = OpenError::None;
        QString message;
    };

    // busyMs: how long a statement waits for another program's lock before it fails.
    static Opened open(const QString &path, OpenMode mode, int busyMs = 3000);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    QSqlDatabase &sql() { return db_; }
    const QString &path() const { return path_; }

    // Runs work in one transaction that holds the write lock from its start: committed when
    // it returns ok, rolled back otherwise (and when the commit itself fails), so a failure
    // leaves the file as it was. busyMs >= 0 waits that long for another program's lock
    // instead of the usual time. A transaction begun inside another one joins it.
    DbResult transaction(const std::function<DbResult()> &work, int busyMs = -1);
    // One statement of our own (no values).
    DbResult exec(const char *statement);

    // The file lies on a network share (its journal is then the rollback journal, not the
    // write-ahead log).
    bool network() const;
    // "wal" or "delete": the journal the file is kept with.
    const QString &journal() const { return journal_; }
    // Every page and index checked: empty when the file is sound, else what is wrong in it.
    DbRead<QStringList> integrityProblems();

    static const char *kFileName; // "k7400r.mdb"

private:
    Database(QSqlDatabase db, QString path);
    DbResult ensureSchema();
    void chooseJournal();
    void setBusyTimeout(int ms);

    QSqlDatabase db_;
    QString path_;
    QString connection_;
    QString journal_;
    int busyMs_ = 3000;
    int depth_ = 0;
};

// A write's failure from its query, marked busy when another program held the file.
DbResult queryFailure(const QSqlQuery &query);

// Why a read failed, for the operator: "<what> could not be read: <error>", or "The database
// file is damaged: <error>" when the file itself is broken.
QString readFailure(const char *what, const QSqlQuery &query);

// Runs a prepared read and hands each row to `row`. A failure, also one that ends the walk
// early (a damaged page), comes back as its message: the rows seen so far are not a result.
std::optional<QString> readRows(QSqlQuery &query, const char *what,
                                const std::function<void(const QSqlQuery &)> &row);

// The file in dir whose name is fileName in any letter case; empty when there is none.
QString findFileCaseInsensitive(const QString &dir, const QString &fileName);

} // namespace viscora
