#include "report/outputs/Spool.h"

#include "table/Failure.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace quorvel::report {

namespace {

constexpr std::size_t kChunk = std::size_t{1} << 20;

QString systemText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

} // namespace

Spool::Spool(QString what) : m_what(std::move(what))
{
    const QByteArray dir = QFile::encodeName(QDir::tempPath());
    m_fd = ::open(dir.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        // A file system without unnamed files: a named one, removed at once.
        QByteArray name = dir + "/quorvel-spool-XXXXXX";
        m_fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (m_fd >= 0)
            ::unlink(name.constData());
    }
    if (m_fd < 0)
        throw Failure(QStringLiteral("Cannot write the PDF file \"%1\": cannot create a temporary file in \"%2\". %3")
                          .arg(m_what, QDir::toNativeSeparators(QDir::tempPath()), systemText(errno)));
    m_pending.reserve(kChunk);
}

Spool::~Spool()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::uint64_t Spool::append(const char* data, std::size_t size)
{
    const std::uint64_t at = m_written + m_pending.size();
    if (m_pending.size() + size > kChunk)
        writeOut();
    if (size >= kChunk) {
        m_pending.assign(data, size);
        writeOut();
    } else {
        m_pending.append(data, size);
    }
    return at;
}

void Spool::writeOut()
{
    std::size_t done = 0;
    while (done < m_pending.size()) {
        const ssize_t n = ::pwrite(m_fd, m_pending.data() + done, m_pending.size() - done,
                                   static_cast<off_t>(m_written + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            throw Failure(QStringLiteral("Cannot write the PDF file \"%1\": no room for its temporary data in \"%2\". %3")
                              .arg(m_what, QDir::toNativeSeparators(QDir::tempPath()), systemText(error)));
        }
        done += static_cast<std::size_t>(n);
    }
    m_written += m_pending.size();
    m_pending.clear();
}

bool Spool::read(std::uint64_t at, char* to, std::size_t size) noexcept
{
    while (size > 0) {
        if (at >= m_written) {
            // Still in the append buffer.
            const std::uint64_t offset = at - m_written;
            if (offset + size > m_pending.size()) {
                m_error = EINVAL;
                return false;
            }
            std::memcpy(to, m_pending.data() + offset, size);
            return true;
        }
        if (at < m_windowAt || at >= m_windowAt + m_windowSize) {
            if (m_window.size() < kChunk) {
                try {
                    m_window.resize(kChunk);
                } catch (...) {
                    m_error = ENOMEM;
                    return false;
                }
            }
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(m_window.size(), m_written - at));
            ssize_t n;
            do
                n = ::pread(m_fd, m_window.data(), want, static_cast<off_t>(at));
            while (n < 0 && errno == EINTR);
            if (n <= 0) {
                m_error = n < 0 ? errno : EIO;
                m_windowSize = 0;
                return false;
            }
            m_windowAt = at;
            m_windowSize = static_cast<std::size_t>(n);
        }
        const std::size_t offset = static_cast<std::size_t>(at - m_windowAt);
        const std::size_t part = std::min(size, m_windowSize - offset);
        std::memcpy(to, m_window.data() + offset, part);
        to += part;
        at += part;
        size -= part;
    }
    return true;
}

void Spool::fail() const
{
    throw Failure(QStringLiteral("Cannot write the PDF file \"%1\": its temporary data cannot be read back. %2")
                      .arg(m_what, systemText(m_error)));
}

} // namespace quorvel::report
