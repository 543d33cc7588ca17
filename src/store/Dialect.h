#pragma once
// Everything the two database backends do differently, in one place: the SQLite file the
// program has always used, and a PostgreSQL server a whole lab can share. The repositories
// write one SQL text for both, with a few words this fills in.

#include "store/DbResult.h"
#include "store/Schema.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>

#include <memory>

namespace viscora {

enum class Backend { SQLite, PostgreSQL };

class Dialect {
public:
    virtual ~Dialect() = default;
    static std::unique_ptr<Dialect> make(Backend backend);

    virtual Backend backend() const = 0;
    virtual const char *driver() const = 0;

    // The text with the dialect's words in it: $ROWID, a row's key in table order; $KEY, a
    // bound value of such a key.
    QString text(const char *sql) const;
    QString text(QString sql) const;

    // The names of the tables, and of the indexes, the database holds (any letter case).
    virtual const char *tableListSql() const = 0;
    virtual const char *indexListSql() const = 0;
    // Every table's columns, a row each: the table's name, the column's (any letter case).
    virtual const char *columnListSql() const = 0;
    // Statements that make a table, with its columns' types in the backend's words, and
    // anything the backend adds: the server's keys.
    virtual QStringList createTable(const schema::Table &t) const = 0;
    // What opens a write transaction that holds the writers' lock from its start, waiting at
    // most busyMs for another program's.
    virtual QStringList beginWrite(int busyMs) const = 0;
    // Statements run whenever a connection opens, before anything else.
    virtual QStringList onConnect() const { return {}; }
    // Statements run once the schema is known to be ours.
    virtual QStringList setUp(bool network, int busyMs) const = 0;
    // The journal a database is kept with ("wal", "delete", "server"): from the answer of a
    // set-up statement, or, given none, the backend's own. Empty: the answer does not say.
    virtual QString journal(QSqlQuery *answer) const = 0;
    // The options of a connection to a file, which waits busyMs for another program's lock.
    virtual QString connectOptions(int busyMs) const = 0;
    // What sets the usual wait back after a transaction that waited its own time.
    virtual QStringList endWrite(int usualBusyMs) const = 0;
    // The database is a file on this machine's file systems (else a server's).
    virtual bool file() const = 0;
    // Many rows go in and out through the backend's own library (store/ServerStream.h), past
    // the Qt driver's round per row and value.
    virtual bool streamsRows() const { return false; }
    // The statement that checks every page of the database, a problem a line ("ok": none);
    // null where the backend keeps its pages itself.
    virtual const char *pageCheckSql() const { return nullptr; }
    // The files a database at location is kept in: the file and its journals.
    virtual QStringList files(const QString &location) const = 0;
    // The operator's words for an error the backend words its own way; empty: its own words.
    virtual QString plainText(const QSqlError &) const { return {}; }

    // The file or server is broken, not merely busy.
    virtual bool damaged(const QSqlError &e) const = 0;
    // Another program holds the lock for now: trying again later may well succeed.
    virtual bool busy(const QSqlError &e) const = 0;
    // The database cannot be written at all: a read-only file, folder or server.
    virtual bool readOnly(const QSqlError &e) const = 0;
    // What was opened is no database of this backend at all: someone else's file.
    virtual bool foreign(const QSqlError &) const { return false; }
    // The connection itself is gone (a server restarted, a network cut).
    virtual bool connectionLost(const QSqlDatabase &db) const = 0;

    // What opens a transaction that reads one unchanging state of the database while other
    // programs go on writing (a copy must not see a renumbering half-way).
    virtual QStringList beginRead() const = 0;
    // Reads that tell whether all of a test's rows were read, for a backend on which a damaged
    // page can end a read early without an error (a file's). Bound: the test's id, and the
    // bounds of its rows. Null where the backend reports damage itself.
    struct RowsCheck {
        const char *header;         // the test headers' table and indexes checked: "ok" when sound
        const char *indexed;        // the test's rows by the index alone: count, first and last key
        const char *walked;         // the table alone between those keys: count of the test's rows
        const char *before, *after; // the test id of the row before and after those keys
    };
    virtual const RowsCheck *rowsCheck() const { return nullptr; }
    // What names the database a connection reaches, alike from every connection to it;
    // empty when it cannot be told.
    virtual QString identity(QSqlDatabase &db) const = 0;

protected:
    QString createText(const schema::Table &t) const;
    virtual const char *rowId() const = 0;
    virtual const char *rowKey() const = 0;
    // The type of a measured value.
    virtual const char *realType() const = 0;
};

// The dialect of the database at a location (a file's path, or a server's connection string).
std::unique_ptr<Dialect> dialectFor(const QString &location);

// A database location is a server's when it reads as a PostgreSQL connection string: a
// postgresql:// or postgres:// URI, or keyword=value settings ("host=lab dbname=viscora").
bool isServerLocation(const QString &location);

// A server location's settings as the Qt driver takes them; the message says why it cannot
// be read when it cannot.
struct ServerSettings {
    QString host, user, password, database, options;
    int port = -1;
};
DbRead<ServerSettings> serverSettings(const QString &location);

// A server location for messages and settings shown: without a password that may stand in it.
QString shownLocation(const QString &location);

// Why a server location typed by the operator cannot be used; empty when it can. A password
// is refused: a command line and a settings file are read by others, ~/.pgpass and
// PGPASSWORD are where the server library looks for it.
QString serverLocationProblem(const QString &location);

// Why a database location cannot be used, whatever it names; empty when it can. None given; a
// server's with a password; a file's with SQLite's options, which could turn off its locking.
QString locationProblem(const QString &location);

} // namespace viscora
