#include "store/FileIdentity.h"

#include "store/Dialect.h"

#include <sys/stat.h>

namespace viscora {

FileIdentity::FileIdentity(const QString &path) : path_(path)
{
    struct stat s {};
    if (isServerLocation(path) || ::stat(path.toLocal8Bit().constData(), &s) != 0 ||
        !S_ISREG(s.st_mode))
        return;
    known_ = true;
    device_ = s.st_dev;
    inode_ = s.st_ino;
    size_ = s.st_size;
}

std::optional<std::string> FileIdentity::change()
{
    if (!known_)
        return std::nullopt;
    struct stat s {};
    if (::stat(path_.toLocal8Bit().constData(), &s) != 0)
        return "removed";
    if (s.st_dev != device_ || s.st_ino != inode_)
        return "replaced by another file";
    // The file never shrinks while it is written to: only something outside can cut it.
    if (s.st_size < size_)
        return "truncated";
    size_ = s.st_size;
    return std::nullopt;
}

} // namespace viscora
