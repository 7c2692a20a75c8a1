// What the fault tests share: the process's open descriptors, acting as an unprivileged user
// for file access, a small filesystem that is full, and a file size past which writes fail.
#pragma once

#include "support/Descriptors.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <csignal>
#include <dirent.h>
#include <sys/resource.h>
#include <sys/fsuid.h>
#include <sys/mount.h>
#include <unistd.h>

#include <string>

namespace quorvel::faults {

using test::openDescriptors;

/// File access from this thread is checked as for the user "nobody" while the object lives, so
/// that permission bits hold even when the tests run as root (the file-system uid is per thread
/// and leaving 0 drops the capability to override permissions). A no-op for other users.
class AsUnprivilegedUser
{
public:
    AsUnprivilegedUser()
    {
        if (::geteuid() == 0)
            ::setfsuid(65534);
    }
    ~AsUnprivilegedUser()
    {
        if (::geteuid() == 0)
            ::setfsuid(0);
    }
    AsUnprivilegedUser(const AsUnprivilegedUser&) = delete;
    AsUnprivilegedUser& operator=(const AsUnprivilegedUser&) = delete;
};

/// A tmpfs of `bytes` mounted on a fresh folder, filled to the last byte. Needs root and a
/// system that lets us mount; `reason()` says why not when it is unusable.
class FullFilesystem
{
public:
    explicit FullFilesystem(std::size_t bytes = 64 * 1024)
    {
        if (::geteuid() != 0) {
            m_reason = QStringLiteral("mounting a small filesystem needs root");
            return;
        }
        std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
        if (::mount("tmpfs", m_dir.path().toLocal8Bit().constData(), "tmpfs", 0, options.c_str()) != 0) {
            m_reason = QStringLiteral("mount refused: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        m_mounted = true;
        // Fill it: one file takes every free block.
        FILE* filler = std::fopen(QDir(m_dir.path()).filePath(QStringLiteral("filler")).toLocal8Bit().constData(), "wb");
        if (filler) {
            std::string block(4096, 'x');
            while (std::fwrite(block.data(), 1, block.size(), filler) == block.size()) {
            }
            std::fclose(filler);
        }
    }
    ~FullFilesystem()
    {
        if (m_mounted)
            ::umount2(m_dir.path().toLocal8Bit().constData(), MNT_DETACH);
    }
    FullFilesystem(const FullFilesystem&) = delete;
    FullFilesystem& operator=(const FullFilesystem&) = delete;

    bool usable() const { return m_mounted; }
    const QString& reason() const { return m_reason; }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_reason;
};

/// Writes past `bytes` into any regular file fail with EFBIG while the object lives (the process's
/// RLIMIT_FSIZE, SIGXFSZ ignored): a file can be created and begun, and then its writer fails
/// half-way, as on a disk that fills up meanwhile. Needs no privilege.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_signal = std::signal(SIGXFSZ, SIG_IGN);
        m_ok = ::getrlimit(RLIMIT_FSIZE, &m_saved) == 0;
        rlimit low = m_saved;
        low.rlim_cur = bytes;
        m_ok = m_ok && ::setrlimit(RLIMIT_FSIZE, &low) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_signal);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool active() const { return m_ok; }

private:
    rlimit m_saved{};
    void (*m_signal)(int) = SIG_DFL;
    bool m_ok = false;
};

} // namespace quorvel::faults
