// Holds the data-communication lock that every Quorvel process of this user and temporary
// folder shares, while it runs the command given: scripts/test.sh runs the test suite under it
// to prove that no test, nor any program a test starts, takes that lock.
// Usage: hold_data_lock COMMAND [ARGUMENT...]; exits with the command's status.
#include "report/engine/DataLock.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: hold_data_lock COMMAND [ARGUMENT...]\n");
        return 2;
    }
    const QByteArray path = QFile::encodeName(quorvel::report::DataLock::defaultPath());
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EACCES)
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr, "hold_data_lock: cannot open %s: %s\n", path.constData(), std::strerror(errno));
        return 2;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        std::fprintf(stderr, "hold_data_lock: %s is held by another process (a Quorvel run?)\n", path.constData());
        return 2;
    }
    std::fprintf(stderr, "hold_data_lock: holding %s\n", path.constData());
    const pid_t child = ::fork();
    if (child < 0) {
        std::perror("hold_data_lock: fork");
        return 2;
    }
    if (child == 0) {   // the descriptor is close-on-exec: the command holds nothing itself
        ::execvp(argv[1], argv + 1);
        std::fprintf(stderr, "hold_data_lock: cannot run %s: %s\n", argv[1], std::strerror(errno));
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
