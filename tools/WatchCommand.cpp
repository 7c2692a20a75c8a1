// quorvel-batch watch: a hot folder. The ERP drops label files into a folder and each complete one
// is printed once, even across a watcher killed at any moment. A file is claimed by renaming it
// into printing/ before its job is made, and its job is named after that file's identity
// (inode, size, modification time); a watcher starting again asks CUPS, for each file still in
// printing/, whether a job of that name was handed over before it prints it again.
#include "BatchTables.h"
#include "CheckReport.h"
#include "Command.h"
#include "Options.h"
#include "QueuePrint.h"

#include "report/cups/CupsDevice.h"
#include "table/Failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::batch {
namespace {

constexpr qsizetype kJobNameBytes = 200;   // IPP names hold 255 octets

QByteArray encoded(const QString& path) { return QFile::encodeName(path); }

/// Files that are not the ERP's: hidden ones (a writer's temporary name) and anything not a file.
bool isLabelFile(const QString& path)
{
    struct stat st{};
    return !QFileInfo(path).fileName().startsWith(u'.') && ::lstat(encoded(path).constData(), &st) == 0
           && S_ISREG(st.st_mode);
}

/// Renames without ever replacing a file; false when `to` exists or `from` is gone.
bool renameNew(const QString& from, const QString& to)
{
    return ::renameat2(AT_FDCWD, encoded(from).constData(), AT_FDCWD, encoded(to).constData(), RENAME_NOREPLACE) == 0;
}

/// A name in `dir` free for `name` and its log: name, name.1, name.2 ...
QString freeName(const QDir& dir, const QString& name)
{
    QString candidate = name;
    for (int n = 1; QFileInfo::exists(dir.filePath(candidate)) || QFileInfo::exists(dir.filePath(candidate + ".log")); ++n)
        candidate = QStringLiteral("%1.%2").arg(name).arg(n);
    return candidate;
}

class Watcher
{
public:
    Watcher(const QString& dir, QueuePrint job) : m_dir(QDir(dir).absolutePath()), m_job(std::move(job)), m_device(m_job.queue) {}

    int run()
    {
        if (!QFileInfo(m_dir.path()).isDir())
            throw Failure(QStringLiteral("The folder \"%1\" does not exist.").arg(m_dir.path()));
        for (const char* sub : {"printing", "done", "failed"})
            if (!m_dir.mkpath(QLatin1String(sub)))
                throw Failure(QStringLiteral("Cannot create the folder \"%1\".").arg(m_dir.filePath(QLatin1String(sub))));
        m_device.checkReady();
        if (!watchSignals() || !watchFolder())
            throw Failure(QStringLiteral("Cannot watch the folder \"%1\": %2").arg(m_dir.path(), QString::fromLocal8Bit(std::strerror(errno))));
        std::fprintf(stderr, "Watching %s for label files to print on %s\n", encoded(m_dir.path()).constData(),
                     m_job.queue.toUtf8().constData());

        const QDir printing(m_dir.filePath(QStringLiteral("printing")));
        for (const QString& name : printing.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
            if (stopAsked())
                return 0;
            finish(name);
        }
        scan();
        while (!stopAsked()) {
            pollfd fds[2] = {{m_inotify, POLLIN, 0}, {m_signals, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR)
                throw Failure(QStringLiteral("Cannot watch the folder \"%1\": %2").arg(m_dir.path(), QString::fromLocal8Bit(std::strerror(errno))));
            if (fds[0].revents & POLLIN)
                readEvents();
        }
        return 0;
    }

    ~Watcher()
    {
        if (m_inotify >= 0)
            ::close(m_inotify);
        if (m_signals >= 0)
            ::close(m_signals);
    }
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

private:
    bool watchSignals()
    {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGTERM);
        sigaddset(&set, SIGINT);
        // Blocked, a stop waits for the file being printed to reach done/ or failed/.
        if (::sigprocmask(SIG_BLOCK, &set, nullptr) != 0)
            return false;
        m_signals = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
        return m_signals >= 0;
    }

    bool watchFolder()
    {
        m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        return m_inotify >= 0
               && ::inotify_add_watch(m_inotify, encoded(m_dir.path()).constData(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_ONLYDIR) >= 0;
    }

    bool stopAsked()
    {
        signalfd_siginfo info;
        if (!m_stop && ::read(m_signals, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
            m_stop = true;
        return m_stop;
    }

    void scan()
    {
        for (const QString& name : m_dir.entryList(QDir::Files, QDir::Name)) {
            if (stopAsked())
                return;
            claim(name);
        }
    }

    void readEvents()
    {
        alignas(inotify_event) char buffer[16384];
        for (;;) {
            const ssize_t n = ::read(m_inotify, buffer, sizeof buffer);
            if (n <= 0)
                return;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                if (event->mask & IN_Q_OVERFLOW)
                    scan();
                else if (event->len > 0 && !(event->mask & IN_ISDIR) && !stopAsked())
                    claim(QFile::decodeName(event->name));
            }
        }
    }

    /// Takes a file dropped in the folder into printing/, then prints it.
    void claim(const QString& name)
    {
        const QString from = m_dir.filePath(name);
        if (!isLabelFile(from))
            return;
        const QString to = m_dir.filePath(QStringLiteral("printing/") + name);
        if (!renameNew(from, to)) {
            if (errno == EEXIST)
                std::fprintf(stderr, "%s waits: a file of that name is still being printed\n", encoded(name).constData());
            return;
        }
        print(name);
    }

    /// A file found in printing/ when the watcher starts: printed unless its job was handed over.
    void finish(const QString& name)
    {
        if (m_device.hasJobNamed(jobName(name)))
            moveTo(QStringLiteral("done"), name, {});
        else
            print(name);
    }

    QString jobName(const QString& name) const
    {
        struct stat st{};
        ::stat(encoded(m_dir.filePath(QStringLiteral("printing/") + name)).constData(), &st);
        const QString key = QStringLiteral("%1-%2-%3.%4 ")
                                .arg(st.st_ino)
                                .arg(st.st_size)
                                .arg(st.st_mtim.tv_sec)
                                .arg(st.st_mtim.tv_nsec, 9, 10, QLatin1Char('0'));
        QString title = key + name;
        while (title.toUtf8().size() > kJobNameBytes)
            title.chop(1);
        return title;
    }

    void print(const QString& name)
    {
        const QString path = m_dir.filePath(QStringLiteral("printing/") + name);
        QString why;
        try {
            const CheckReport check = checkFiles({path}, m_job.definition);
            if (check.status != 0) {
                why = check.out + check.err;
            } else {
                QueuePrint job = m_job;
                job.jobName = jobName(name);
                const QueueResult result = printToQueue({path}, job);
                for (const int id : result.jobIds)
                    std::printf("job %s-%d %s\n", m_job.queue.toUtf8().constData(), id, encoded(name).constData());
                std::fflush(stdout);
            }
        } catch (const Failure& failure) {
            why = failure.message() + u'\n';
        }
        moveTo(why.isEmpty() ? QStringLiteral("done") : QStringLiteral("failed"), name, why);
    }

    /// Moves a file from printing/ into done/ or failed/; a log, when given, goes beside it first.
    void moveTo(const QString& sub, const QString& name, const QString& log)
    {
        const QDir to(m_dir.filePath(sub));
        const QString target = freeName(to, name);
        if (!log.isEmpty()) {
            QSaveFile file(to.filePath(target + QStringLiteral(".log")));
            if (file.open(QIODevice::WriteOnly)) {
                file.write(log.toUtf8());
                file.commit();
            }
            std::fprintf(stderr, "%s failed: %s", encoded(name).constData(), log.toUtf8().constData());
        }
        if (!renameNew(m_dir.filePath(QStringLiteral("printing/") + name), to.filePath(target)))
            throw Failure(QStringLiteral("Cannot move \"%1\" into %2/: %3")
                              .arg(name, sub, QString::fromLocal8Bit(std::strerror(errno))));
    }

    QDir m_dir;
    QueuePrint m_job;
    report::CupsDevice m_device;
    int m_inotify = -1;
    int m_signals = -1;
    bool m_stop = false;
};

int runWatch(const QStringList& args)
{
    QStringList dirs;
    QString printer, definition;
    int lockWait = 0;
    Options options(watchCommand);
    options.text("--printer", printer);
    options.required("--printer", printer);
    options.text("--definition", definition);
    options.lockWait(lockWait);
    options.operands(dirs, "folder", false);
    if (!options.parse(args))
        return 2;
    QueuePrint job;
    job.queue = printer;
    job.definition = definition.isEmpty() ? defaultDefinition() : QFileInfo(definition).absoluteFilePath();
    job.lockWaitS = lockWait;
    return Watcher(dirs.front(), job).run();
}

} // namespace

const Command watchCommand{
    "watch",
    "watch DIR --printer QUEUE [--definition PATH] [--wait SECONDS]",
    "Prints each label file written into DIR (or moved in) on the CUPS queue as print does, then\n"
    "      moves it to DIR/done/, or to DIR/failed/ with a .log saying why (check's and print's\n"
    "      messages). Files there at start are printed first; hidden files are left alone. A file\n"
    "      is claimed into DIR/printing/ before its job is made: started again after being killed,\n"
    "      the watcher prints every file once. Runs until SIGTERM or SIGINT.",
    true,
    runWatch,
};

} // namespace quorvel::batch
