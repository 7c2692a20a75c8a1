#include "report/engine/DataLock.h"

#include "report/engine/EngineUi.h"
#include "table/Failure.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quorvel::report {

namespace {

struct LockState
{
    QString path = DataLock::defaultPath();
    int fd = -1;
    int depth = 0;
};

LockState& state()
{
    static LockState s;
    return s;
}

constexpr int kPollMs = 50;

} // namespace

QString DataLock::defaultPath()
{
    return QDir::tempPath() + QStringLiteral("/quorvel-report-data.lock");
}

void DataLock::setPath(const QString& path)
{
    if (state().depth == 0)
        state().path = path;
}

QString DataLock::path()
{
    return state().path;
}

int DataLock::depth()
{
    return state().depth;
}

bool DataLock::acquire(EngineUi& ui, int attemptMs)
{
    LockState& s = state();
    if (s.depth > 0) {
        ++s.depth;
        return true;
    }
    const QByteArray file = QFile::encodeName(s.path);
    int fd = ::open(file.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EACCES)   // created by another user: a read handle locks as well
        fd = ::open(file.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw Failure(QStringLiteral("Cannot open file \"%1\". %2")
                          .arg(QDir::toNativeSeparators(s.path), QString::fromLocal8Bit(std::strerror(errno))));
    for (;;) {
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
                s.fd = fd;
                s.depth = 1;
                return true;
            }
            if (timer.elapsed() >= attemptMs || ui.abandoned())
                break;
            ui.wait(static_cast<int>(std::min<qint64>(kPollMs, attemptMs - timer.elapsed())));
        }
        // A question answered while the run is being abandoned counts as Cancel.
        if (ui.abandoned() || !ui.askRetryLock() || ui.abandoned()) {
            ::close(fd);
            return false;
        }
    }
}

void DataLock::release()
{
    LockState& s = state();
    if (s.depth == 0)
        return;
    if (--s.depth == 0) {
        ::flock(s.fd, LOCK_UN);
        ::close(s.fd);
        s.fd = -1;
    }
}

} // namespace quorvel::report
