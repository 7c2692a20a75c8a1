// Helpers shared by the fuzz targets: inputs as files, and the process's open descriptors.
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <sys/mman.h>
#include <unistd.h>

namespace quorvel::fuzz {

/// An in-memory file holding the bytes, reachable by a path while the object lives.
class MemoryFile
{
public:
    MemoryFile(const std::uint8_t* data, std::size_t size)
    {
        m_fd = memfd_create("fuzz-input", MFD_CLOEXEC);
        if (m_fd < 0)
            std::abort();
        for (std::size_t done = 0; done < size;) {
            ssize_t n = ::write(m_fd, data + done, size - done);
            if (n <= 0)
                std::abort();
            done += static_cast<std::size_t>(n);
        }
    }
    ~MemoryFile() { ::close(m_fd); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    QString path() const { return QStringLiteral("/proc/self/fd/%1").arg(m_fd); }

private:
    int m_fd = -1;
};

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

[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

} // namespace quorvel::fuzz
