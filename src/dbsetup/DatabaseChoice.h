#pragma once
// The server database this user's window opens instead of a file, remembered with the port
// assignment (~/.config/viscora/viscora.conf). Never a password: the server library reads it
// from ~/.pgpass or PGPASSWORD.

#include "core/Failure.h"

#include <QString>

namespace viscora {

class DatabaseChoice {
public:
    explicit DatabaseChoice(QString file) : file_(std::move(file)) {}
    const QString &file() const { return file_; }

    // The remembered server's location; empty for the file. A setting that names no server
    // (a hand-edited file) is a failure that says so, never the file in its place.
    Result<QString> server() const;
    // What the settings hold, as written: to be shown for putting right.
    QString saved() const;
    // Remembers a server (empty: the file again). The reason comes back when the location
    // cannot be used or the settings cannot be written; empty when saved.
    QString setServer(const QString &location) const;

    // What a start opens: --db when given, else the remembered server, else empty (the file
    // is looked for as always).
    Result<QString> startLocation(const QString &option) const;

    // The database file the window last opened at start, to open when the current folder
    // has none; empty when none is remembered.
    QString lastFile() const;
    // Remembers it; false when the settings cannot be written.
    bool rememberFile(const QString &path) const;

private:
    QString file_;
};

} // namespace viscora
