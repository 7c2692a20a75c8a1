// Memory and time of label-file imports that are huge in one direction: a 1 GB single line
// (in each of its fields, or with no separator at all) and 10 million lines. Each case runs in
// a child process fed through a pipe by a generator thread, so the file never touches the disk
// and the child's peak resident size is the case's alone.
// Usage: label_file_memory [--gb N] [--lines N] [CASE...]
#include "labels/LabelFileReader.h"
#include "labels/LabelImport.h"
#include "labels/ImportTable.h"
#include "table/Failure.h"
#include "table/Numbers.h"

#include <QLocale>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace quorvel;

namespace {

std::uint64_t g_hugeBytes = 1ull << 30;
long g_lines = 10'000'000;

// Writes `count` bytes of `fill` to fd in 1 MiB chunks.
void writeFill(int fd, char fill, std::uint64_t count)
{
    std::string chunk(1 << 20, fill);
    while (count > 0) {
        auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, chunk.size()));
        if (::write(fd, chunk.data(), n) != static_cast<ssize_t>(n))
            return;
        count -= n;
    }
}

void writeText(int fd, const std::string& text)
{
    if (::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        return;
}

const std::string kRow = "XVESTUARIO|CAMISETAS|NORTE|AZUL MARINHO|CM-204|BASICA|M|7891234009005|39,90|3|\r\n";

struct Case
{
    const char* name;
    const char* what;
    std::function<void(int)> generate;
    bool keepRows;   ///< rows go into the import table; otherwise the sink only counts them
};

std::vector<Case> cases()
{
    return {
        {"huge-first-field", "1 GB in the first field of one line, then the other nine",
         [](int fd) { writeText(fd, "X"); writeFill(fd, 'A', g_hugeBytes);
                      writeText(fd, "|B|C|D|E|F|G|H|39,90|1|\r\n"); }, true},
        {"no-separator", "one line of 1 GB without any separator",
         [](int fd) { writeFill(fd, 'A', g_hugeBytes); }, true},
        {"huge-tail", "one complete line followed by 1 GB after its tenth separator",
         [](int fd) { writeText(fd, kRow.substr(0, kRow.size() - 2)); writeFill(fd, 'Z', g_hugeBytes);
                      writeText(fd, "\r\n"); }, true},
        {"huge-price", "1 GB of digits in the price",
         [](int fd) { writeText(fd, "XA|B|C|D|E|F|G|H|"); writeFill(fd, '9', g_hugeBytes);
                      writeText(fd, "|1|\r\n"); }, true},
        {"huge-quantity", "1 GB of blanks before the quantity",
         [](int fd) { writeText(fd, "XA|B|C|D|E|F|G|H|1,5|"); writeFill(fd, ' ', g_hugeBytes);
                      writeText(fd, "1|\r\n"); }, true},
        {"many-lines", "10 million lines into the import table",
         [](int fd) { std::string block; for (int i = 0; i < 1000; ++i) block += kRow;
                      for (long i = 0; i < g_lines / 1000; ++i) writeText(fd, block); }, true},
        {"many-lines-streamed", "10 million lines, rows counted and dropped",
         [](int fd) { std::string block; for (int i = 0; i < 1000; ++i) block += kRow;
                      for (long i = 0; i < g_lines / 1000; ++i) writeText(fd, block); }, false},
    };
}

long residentKb()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// In the child: import from a pipe, print one result line, exit.
int runChild(const Case& c)
{
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    int fds[2];
    if (::pipe(fds) != 0)
        return 3;
    std::thread writer([&] { c.generate(fds[1]); ::close(fds[1]); });
    long baseKb = residentKb();
    auto start = std::chrono::steady_clock::now();
    QString path = QStringLiteral("/proc/self/fd/%1").arg(fds[0]);
    std::string outcome;
    long rows = 0;
    auto table = labels::makeImportTable();
    try {
        labels::ReadEnd end;
        if (c.keepRows) {
            end = labels::importLabelFile(path, *table);
            rows = table->rowCount();
        } else {
            end = labels::readLabelFile(path, [&](const labels::LabelItem&) { ++rows; });
        }
        outcome = end == labels::ReadEnd::EmptyLine ? "empty-line message" : "completed";
    } catch (const Failure& f) {
        QString text = f.message();
        outcome = "refused: " + (text.size() > 60 ? text.left(60) + QStringLiteral("…") : text).toStdString();
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // Drain what the reader left unread so the writer can finish.
    char sink[1 << 16];
    while (::read(fds[0], sink, sizeof sink) > 0) {
    }
    writer.join();
    long peakKb = residentKb();
    std::printf("%-20s %-58s rows %9ld  %6.1f s  peak RSS %7.1f MB (+%.1f MB over start)  %s\n",
                c.name, c.what, rows, seconds, static_cast<double>(peakKb) / 1024.0, static_cast<double>(peakKb - baseKb) / 1024.0,
                outcome.c_str());
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> wanted;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--gb") == 0 && i + 1 < argc)
            g_hugeBytes = static_cast<std::uint64_t>(std::atof(argv[++i]) * (1ull << 30));
        else if (std::strcmp(argv[i], "--lines") == 0 && i + 1 < argc)
            g_lines = std::atol(argv[++i]);
        else
            wanted.emplace_back(argv[i]);
    }
    std::printf("huge: %.2f GB; many: %ld lines of %zu bytes\n",
                static_cast<double>(g_hugeBytes) / (1ull << 30), g_lines, kRow.size());
    std::fflush(stdout);
    for (const Case& c : cases()) {
        if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), c.name) == wanted.end())
            continue;
        pid_t child = fork();
        if (child == 0)
            _exit(runChild(c));
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            std::printf("%-20s the child ended abnormally (status %d)\n", c.name, status);
        std::fflush(stdout);
    }
    return 0;
}
