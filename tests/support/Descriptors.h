// How many descriptors the process holds, for checks that a file is closed on every way out.
#pragma once

#include <dirent.h>

namespace quorvel::test {

/// Entries of /proc/self/fd: every descriptor the process holds (the count includes the one
/// used to read the folder, the same on every call).
inline int openDescriptors()
{
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir))
            ++count;
        ::closedir(dir);
    }
    return count;
}

} // namespace quorvel::test
