// Times the import of a large label file the way `quorvel-batch list --count` does, beside
// `wc -l` and an awk line that splits every field of the same file.
//
//   import_bench [LINES] [FILE]      defaults: 1000000 lines, a file in the temporary folder
//
// Each program runs as a child process, so its wall time and peak memory are its own.
#include "labels/LabelImport.h"
#include "labels/ImportTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>
#include <vector>

namespace {

// Realistic values of a clothing shop, with Windows-1252 accents (written as escapes).
const std::vector<std::string> kGroups = {"VESTUARIO", "CAL\xC7" "ADOS", "ACESS\xD3RIOS", "INFANTIL"};
const std::vector<std::string> kSubgroups = {"CAMISETAS", "CAL\xC7" "AS", "VESTIDOS", "T\xCANIS", "BOLSAS", "PIJAMAS"};
const std::vector<std::string> kBrands = {"NORTE", "CORA\xC7\xC3O DE JEANS", "MAR\xC9 ALTA", "PASSO FIRME", "FLOR DE LIS"};
const std::vector<std::string> kColours = {"AZUL MARINHO ESTONADO", "ESTAMPA A\xC7" "A\xCD", "BRANCO GELO", "ROSA CH\xC1", "CAF\xC9 COM LEITE"};
const std::vector<std::string> kTypes = {"BASICA MANGA CURTA", "SKINNY", "MIDI", "CORRIDA", "TIRACOLO"};
const std::vector<std::string> kSizes = {"P", "M", "G", "GG", "38", "40", "42", "U"};

std::string ean13(std::uint64_t n)
{
    std::string s = "789" + std::to_string(1000000000ull + n % 1000000000ull).substr(1);
    int sum = 0;
    for (std::size_t i = 0; i < 12; ++i)
        sum += (s[i] - '0') * (i % 2 ? 3 : 1);
    s.push_back(static_cast<char>('0' + (10 - sum % 10) % 10));
    return s;
}

qint64 writeFile(const QString& path, long lines)
{
    std::FILE* f = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!f) {
        std::perror("open");
        std::exit(1);
    }
    std::mt19937_64 random(42);
    auto pick = [&](const std::vector<std::string>& v) -> const std::string& { return v[random() % v.size()]; };
    std::string line;
    for (long i = 0; i < lines; ++i) {
        line.clear();
        line.push_back('0');
        line += pick(kGroups) + '|' + pick(kSubgroups) + '|' + pick(kBrands) + '|' + pick(kColours) + '|';
        line += "CM-" + std::to_string(100000 + random() % 900000) + '|' + pick(kTypes) + '|' + pick(kSizes) + '|';
        line += ean13(static_cast<std::uint64_t>(i)) + '|';
        line += std::to_string(10 + random() % 490) + ',' + std::to_string(10 + random() % 90) + '|';
        line += std::to_string(1 + random() % 5) + "|\r\n";
        std::fwrite(line.data(), 1, line.size(), f);
    }
    std::fclose(f);
    return QFileInfo(path).size();
}

struct Run
{
    double seconds = 0;
    double cpuSeconds = 0;   ///< user + system: steadier than wall time on a busy machine
    long peakKb = 0;
    int status = 0;
};

Run runChild(const std::vector<std::string>& argv)
{
    // posix_spawn shares no memory with this process, so the child's peak is its own.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
        std::perror(args[0]);
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Run r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.peakKb = usage.ru_maxrss;
    auto toSeconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    r.cpuSeconds = toSeconds(usage.ru_utime) + toSeconds(usage.ru_stime);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

Run best(const std::vector<std::string>& argv, int times)
{
    Run b;
    for (int i = 0; i < times; ++i) {
        Run r = runChild(argv);
        if (i == 0 || r.seconds < b.seconds)
            b = r;
    }
    return b;
}

} // namespace

int main(int argc, char** argv)
{
    // Prices are written with a comma: read them under Brazilian settings, in here and in children.
    unsetenv("LC_ALL");
    unsetenv("LC_NUMERIC");
    setenv("LANG", "pt_BR.UTF-8", 1);
    QCoreApplication app(argc, argv);
    long lines = argc > 1 ? std::atol(argv[1]) : 1000000;
    QString path = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::temp().filePath(QStringLiteral("quorvel-bench.txt"));
    qint64 bytes = writeFile(path, lines);
    std::fflush(stdout);
    std::printf("file: %s, %ld lines, %.1f MB (%.1f bytes a line)\n", qPrintable(path), lines, static_cast<double>(bytes) / 1e6,
                static_cast<double>(bytes) / static_cast<double>(lines));

    std::string batch = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("quorvel-batch")).toStdString();
    std::string file = QFile::encodeName(path).toStdString();
    const int times = 3;
    Run list = best({batch, "list", "--count", file}, times);
    Run wc = best({"wc", "-l", file}, times);
    Run awk = best({"awk", "-F|", "{s+=$10; n+=NF} END{print s, n}", file}, times);
    auto show = [&](const char* name, const Run& r) {
        std::printf("%-28s %7.3f s (cpu %.3f s)  %10.0f rows/s  peak %7.1f MB (%.2f x file)  exit %d\n", name, r.seconds, r.cpuSeconds,
                    static_cast<double>(lines) / r.seconds, static_cast<double>(r.peakKb) / 1024.0,
                    static_cast<double>(r.peakKb) * 1024.0 / static_cast<double>(bytes), r.status);
    };
    std::printf("best of %d runs:\n", times);
    show("quorvel-batch list --count", list);
    show("wc -l", wc);
    show("awk -F'|' (every field)", awk);
    // In this process: the import alone, without starting a program.
    {
        auto table = quorvel::labels::makeImportTable();
        QElapsedTimer timer;
        timer.start();
        quorvel::labels::importLabelFile(path, *table);
        double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        std::printf("in-process import: %d rows in %.3f s, %.0f rows/s\n", table->rowCount(), seconds,
                    table->rowCount() / seconds);
    }

    if (argc <= 2)
        QFile::remove(path);
    return 0;
}
