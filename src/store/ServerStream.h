#pragma once
// A server's own fast paths, taken through its library on the connection the Qt driver opened
// (the same session and transaction): rows streamed in with COPY ... FROM STDIN, and a read's
// rows handed on as they arrive instead of a round of the driver's per row and value.

#include "store/Database.h"

#include <QString>
#include <QVariantList>

#include <functional>
#include <optional>
#include <string>

namespace viscora {

namespace schema {
struct Table;
}

// Rows into one table of a server database. The stream begins with the first row and ends
// with finish(); doubles go in their shortest exact text, so the server stores the very same
// values. An unfinished stream is abandoned, and with it the statement.
class CopyIn {
public:
    CopyIn(Database &db, const schema::Table &table);
    ~CopyIn();
    CopyIn(const CopyIn &) = delete;
    CopyIn &operator=(const CopyIn &) = delete;

    // Every column of the table, in its order; a null value is NULL.
    DbResult add(const QVariantList &row);
    DbResult finish();
    // The rows not finished are dropped, the statement ended without them.
    void abandon();

private:
    DbResult begin();
    DbResult send();

    Database &db_;
    QString statement_;
    void *conn_ = nullptr; // PGconn while the stream is open
    std::string buffer_;
};

// Whether reads of `db` can be streamed by readServerNumbers now: a server connection that is
// open and idle.
bool canStreamReads(Database &db);

// Runs a read of numbers (its text with the dialect's words and '?' placeholders, its values
// bound in order) and hands each row's `columns` values to `row`, a NULL as `null`. The
// failure comes back as readRows gives it.
std::optional<QString> readServerNumbers(Database &db, const char *what, const QString &sql,
                                         const QVariantList &values, int columns, double null,
                                         const std::function<void(const double *)> &row);

} // namespace viscora
