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

// A read's value, or the message that says why there is none.
template <typename T> class DbRead {
public:
    DbRead(T value) : value_(std::move(value)) {}
    static DbRead failure(QString message)
    {
        DbRead r;
        r.error_ = std::move(message);
        return r;
    }
    // A read that gave way to an earlier failure.
    template <typename U> static DbRead failure(const DbRead<U> &other)
    {
        return failure(other.error());
    }

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    const T &value() const { return *value_; }
    T &value() { return *value_; }
    const T &operator*() const { return *value_; }
    T &operator*() { return *value_; }
    const T *operator->() const { return &*value_; }
    const QString &error() const { return error_; }
    Failure failure() const { return dbFailure(error_); }

private:
    DbRead() = default;
    std::optional<T> value_;
    QString error_;
};

} // namespace viscora
