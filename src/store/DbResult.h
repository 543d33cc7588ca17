#pragma once
// What the store hands back: a write's outcome, or a read's value, each with a message fit to
// show the operator when it failed. A failed read is never an empty result.

#include "core/Failure.h"

#include <QString>

#include <optional>
#include <string>
#include <utility>

namespace viscora {

extern const char *const kDatabaseErrorTitle; // "Database Error"

// A store message as the operator is shown it: complete, under the database error title.
Failure dbFailure(const QString &message);

// Outcome of a database write: ok, or a message fit to show the operator.
struct DbResult {
    bool ok = true;
    QString error;
    // The file was held by another program for longer than the wait: trying again later
    // may well succeed, unlike a full disk or a read-only file.
    bool busy = false;
    // The file cannot be written at all (a read-only file or folder): no fault of what was
    // typed, and no use trying again.
    bool readOnly = false;
    // The database is broken (a damaged page), not merely unusable for now.
    bool damaged = false;
    static DbResult success() { return {}; }
    static DbResult failure(QString e)
    {
        DbResult r;
        r.ok = false;
        r.error = std::move(e);
        return r;
    }
    explicit operator bool() const { return ok; }
    Failure failure() const { return dbFailure(error); }
};

// A read's value, or the failure (under the database title) that says why there is none.
template <typename T> class DbRead : public Result<T> {
public:
    DbRead(T value) : Result<T>(std::move(value)) {}
    static DbRead failure(const QString &message) { return DbRead(dbFailure(message)); }
    // A read that gave way to an earlier failure.
    template <typename U> static DbRead failure(const DbRead<U> &other)
    {
        return DbRead(other.Result<U>::failure());
    }
    using Result<T>::failure;
    // The store's message, as its callers word their own around it.
    QString error() const
    {
        return this->ok() ? QString() : QString::fromStdString(Result<T>::failure().text);
    }

private:
    explicit DbRead(Failure f) : Result<T>(std::move(f)) {}
};

} // namespace viscora
