#include "report/outputs/AtomicFile.h"

#include "table/Failure.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::report {

namespace {

[[noreturn]] void cannotCreate(const QString& fullPath, int error)
{
    throw Failure(QStringLiteral("Cannot create file \"%1\". %2").arg(fullPath, QString::fromLocal8Bit(std::strerror(error))));
}

} // namespace

AtomicFile::AtomicFile(const QString& path)
    : m_finalPath(QFileInfo(path).absoluteFilePath())
{
    const QByteArray finalName = QFile::encodeName(m_finalPath);
    // An existing file must be one we could overwrite in place; opening it for writing without
    // truncation asks the system exactly that and changes nothing.
    struct stat st {};
    if (::stat(finalName.constData(), &st) == 0) {
        const int probe = ::open(finalName.constData(), O_WRONLY | O_CLOEXEC);
        if (probe < 0)
            cannotCreate(m_finalPath, errno);
        ::close(probe);
    }
    const QFileInfo info(m_finalPath);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = info.absolutePath() + QStringLiteral("/.") + info.fileName()
                                  + QStringLiteral(".%1.part").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const QByteArray name = QFile::encodeName(candidate);
        m_fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            m_tempPath = candidate;
            return;
        }
        if (errno != EEXIST)
            cannotCreate(m_finalPath, errno);
    }
    cannotCreate(m_finalPath, EEXIST);
}

AtomicFile::~AtomicFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_committed && !m_tempPath.isEmpty())
        ::unlink(QFile::encodeName(m_tempPath).constData());
}

void AtomicFile::closeDescriptor()
{
    if (m_fd >= 0 && ::close(m_fd) != 0) {
        m_fd = -1;
        fail(errno);
    }
    m_fd = -1;
}

void AtomicFile::write(const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

void AtomicFile::writeAt(std::uint64_t offset, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(m_fd, data, size, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        data += n;
        offset += static_cast<std::uint64_t>(n);
        size -= static_cast<std::size_t>(n);
    }
}

void AtomicFile::commit()
{
    const QByteArray temp = QFile::encodeName(m_tempPath);
    if (m_fd < 0) {
        m_fd = ::open(temp.constData(), O_WRONLY | O_CLOEXEC);
        if (m_fd < 0)
            fail(errno);
    }
    if (::fsync(m_fd) != 0 && errno != EINVAL)
        fail(errno);
    closeDescriptor();
    if (::rename(temp.constData(), QFile::encodeName(m_finalPath).constData()) != 0)
        fail(errno);
    m_committed = true;
}

void AtomicFile::fail(int error) const { cannotCreate(m_finalPath, error); }

} // namespace quorvel::report
