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

    // Runs work in one transaction: committed when it returns ok, rolled back otherwise
    // (and when the commit itself fails), so a failure leaves the file as it was.
    DbResult transaction(const std::function<DbResult()> &work);

    static const char *kFileName; // "k7400r.mdb"

private:
    Database(QSqlDatabase db, QString path);
    DbResult ensureSchema();

    QSqlDatabase db_;
    QString path_;
    QString connection_;
};

// The message of a query's last error, for the operator.
QString errorOf(const QSqlQuery &query);

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
