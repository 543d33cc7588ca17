#include "device/DeviceAccess.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace viscora {

namespace {
std::string missing(int error)
{
    return error == ENOENT || error == ENOTDIR ? "no such device" : std::strerror(error);
}

std::string groupName(gid_t gid)
{
    const group *g = getgrgid(gid);
    return g ? g->gr_name : std::to_string(gid);
}
} // namespace

UserIdentity UserIdentity::current()
{
    UserIdentity who;
    who.uid = getuid();
    who.groups.push_back(getgid());
    const int n = getgroups(0, nullptr);
    if (n > 0) {
        std::vector<gid_t> more(static_cast<size_t>(n));
        const int got = getgroups(n, more.data());
        if (got > 0)
            who.groups.insert(who.groups.end(), more.begin(), more.begin() + got);
    }
    return who;
}

std::string accessProblem(const std::string &device, const UserIdentity &who)
{
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0)
        return missing(errno);
    if (who.uid == 0)
        return {};
    const mode_t rw = S_IRUSR | S_IWUSR;
    if (st.st_uid == who.uid)
        return (st.st_mode & rw) == rw ? std::string() : "permission denied";
    const bool inGroup =
        std::find(who.groups.begin(), who.groups.end(), st.st_gid) != who.groups.end();
    const bool groupMay = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    if (inGroup)
        return groupMay ? std::string() : "permission denied";
    if ((st.st_mode & (S_IROTH | S_IWOTH)) == (S_IROTH | S_IWOTH))
        return {};
    if (groupMay)
        return "permission denied: add the user to the " + groupName(st.st_gid) + " group";
    return "permission denied";
}

std::string accessProblem(const std::string &device)
{
    if (::access(device.c_str(), R_OK | W_OK) == 0)
        return {};
    const int error = errno;
    if (error != EACCES && error != EPERM)
        return missing(error);
    // Access lists can refuse what the mode bits allow; then the bits explain nothing.
    const std::string why = accessProblem(device, UserIdentity::current());
    return why.empty() ? std::strerror(error) : why;
}

} // namespace viscora
