#pragma once
// Whether a database file is still the one a program opened: the same file under its path
// (device and inode), not shrunk below what was seen. A file removed, replaced (moved over)
// or truncated under a running recording must not be written into, nor its end taken for
// success.

#include <QString>

#include <optional>
#include <string>
#include <sys/types.h>

namespace viscora {

class FileIdentity {
public:
    // Of the file at `path` now; a server location (or a path that is no file) has none.
    explicit FileIdentity(const QString &path);
    bool known() const { return known_; }
    // Why the file is no longer the one seen ("removed", "replaced by another file",
    // "truncated"); nullopt while it is, or when there is none to check.
    std::optional<std::string> change();

private:
    QString path_;
    bool known_ = false;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    off_t size_ = 0;
};

} // namespace viscora
