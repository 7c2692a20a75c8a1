// The label file is closed on every way out of the reader: each row below ends the reading in
// a different way, and the process holds as many descriptors afterwards as before.
#include "support/Sanitizers.h"
#include "faults/FaultSupport.h"

#include "labels/LabelFileReader.h"
#include "labels/ImportTable.h"
#include "table/Failure.h"
#include "support/Scoped.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace quorvel;

namespace {

const char kRow[] = "XVESTUARIO|CAMISETAS|NORTE|AZUL|CM-204|BASICA|M|7891234009005|39,90|2|\r\n";

enum class Setup { Content, NoFile, NoFolder, Folder, Unreadable, NoDescriptorLeft, ReadError };

struct EndCase
{
    const char* name;
    Setup setup;
    std::string content;
    const char* outcome;   ///< "completed", "empty line", or the failure's message
};

void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }

class LabelFileEnd : public ::testing::TestWithParam<EndCase>
{
protected:
    quorvel::test::ScopedLocale locale{quorvel::test::brazil()};

    QString prepare(const EndCase& c)
    {
        QString path = m_dir.filePath(QStringLiteral("etiquetas.txt"));
        switch (c.setup) {
        case Setup::NoFile:
            return m_dir.filePath(QStringLiteral("missing.txt"));
        case Setup::NoFolder:
            return m_dir.filePath(QStringLiteral("missing/etiquetas.txt"));
        case Setup::Folder:
            return m_dir.path();
        case Setup::ReadError:
            return QStringLiteral("/proc/self/mem");   // reading at offset 0 fails with EIO
        default:
            break;
        }
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.content.data(), static_cast<qint64>(c.content.size()));
        file.close();
        if (c.setup == Setup::Unreadable)
            ::chmod(QFile::encodeName(path).constData(), 0);
        return path;
    }

    QTemporaryDir m_dir;
};

TEST_P(LabelFileEnd, LeavesNoDescriptorOpen)
{
    const EndCase& c = GetParam();
    QString path = prepare(c);
    auto importTable = labels::makeImportTable();
    std::string outcome;
    int before = faults::openDescriptors();
    {
        std::optional<faults::AsUnprivilegedUser> user;
        if (c.setup == Setup::Unreadable) {
            QFile::setPermissions(m_dir.path(), QFile::permissions(m_dir.path()) | QFile::ExeOther);
            user.emplace();
        }
        rlimit saved {};
        ::getrlimit(RLIMIT_NOFILE, &saved);
        if (c.setup == Setup::NoDescriptorLeft) {
            if (QUORVEL_UNDER_ASAN)
                GTEST_SKIP() << "the sanitizer runtime needs free descriptors of its own";
            rlimit tight = saved;
            // The lowest free descriptor is the next one open() would take: forbid it.
            int lowestFree = ::dup(0);
            ::close(lowestFree);
            tight.rlim_cur = static_cast<rlim_t>(lowestFree);
            ::setrlimit(RLIMIT_NOFILE, &tight);
        }
        try {
            auto end = labels::readLabelFile(path, [&](const labels::LabelItem& item) {
                labels::insereItem(*importTable, item);
            });
            outcome = end == labels::ReadEnd::EmptyLine ? "empty line" : "completed";
        } catch (const Failure& failure) {
            outcome = failure.message().toStdString();
        }
        ::setrlimit(RLIMIT_NOFILE, &saved);
    }
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(faults::openDescriptors(), before);
}

std::string rows(int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += kRow;
    return s;
}

INSTANTIATE_TEST_SUITE_P(Ways, LabelFileEnd, ::testing::Values(
    EndCase{"EndOfFile", Setup::Content, rows(3), "completed"},
    EndCase{"CtrlZ", Setup::Content, rows(1) + "\x1a" + rows(1), "completed"},
    EndCase{"TooFewSeparators", Setup::Content, rows(1) + "XA|B|C\r\n" + rows(1), "completed"},
    EndCase{"EmptyLine", Setup::Content, rows(2) + "\r\n" + rows(1), "empty line"},
    EndCase{"BadQuantity", Setup::Content, rows(1) + "XA|B|C|D|E|F|G|H|1,5|dois|\r\n", "'dois' is not a valid integer value"},
    EndCase{"UnendedQuantity", Setup::Content, "XA|B|C|D|E|F|G|H|1,5|2", "'' is not a valid integer value"},
    EndCase{"BadPrice", Setup::Content, "XA|B|C|D|E|F|G|H|39.90|2|\r\n", "'39.90' is not a valid floating point value"},
    EndCase{"PriceOverflow", Setup::Content, "XA|B|C|D|E|F|G|H|1E400|2|\r\n", "Floating point overflow"},
    EndCase{"RowRefused", Setup::Content, "XA|B|C||E|F|G|H|1|2|\r\n", "Field 'DESC_COR_PRODUTO' must have a value"},
    EndCase{"NoFile", Setup::NoFile, "", "File not found"},
    EndCase{"NoFolder", Setup::NoFolder, "", "Invalid filename"},
    EndCase{"Folder", Setup::Folder, "", "File access denied"},
    EndCase{"NoPermission", Setup::Unreadable, rows(1), "File access denied"},
    EndCase{"TooManyOpenFiles", Setup::NoDescriptorLeft, rows(1), "Too many open files"},
    EndCase{"ReadError", Setup::ReadError, "", "I/O error 5"}),
    [](const ::testing::TestParamInfo<EndCase>& row) { return std::string(row.param.name); });

} // namespace
