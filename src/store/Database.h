#pragma once
// The one database file of a run: opened once, handed to whoever needs it. SQLite through
// Qt SQL; the four tables are created when the file lacks them.

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <functional>
#include <memory>

namespace viscora {

// Outcome of a database operation: ok, or a message fit to show the operator.
struct DbResult {
    bool ok = true;
    QString error;
    static DbResult success() { return {}; }
    static DbResult failure(QString e) { return {false, std::move(e)}; }
    explicit operator bool() const { return ok; }
};

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

// The file in dir whose name is fileName in any letter case; empty when there is none.
QString findFileCaseInsensitive(const QString &dir, const QString &fileName);

} // namespace viscora
