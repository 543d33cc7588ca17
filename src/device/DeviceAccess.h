#pragma once
// Whether a user may open a serial device for reading and writing, and if not, why, in
// words that say what to do ("permission denied: add the user to the dialout group").

#include <string>
#include <vector>

#include <sys/types.h>

namespace viscora {

struct UserIdentity {
    uid_t uid = 0;
    std::vector<gid_t> groups; // primary and supplementary
    static UserIdentity current();
};

// For this process: the system's own answer, explained when it is no.
std::string accessProblem(const std::string &device);
// For any user, from the file's owner, group and mode (root may open anything).
std::string accessProblem(const std::string &device, const UserIdentity &who);

} // namespace viscora
