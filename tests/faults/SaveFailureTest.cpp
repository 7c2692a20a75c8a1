// Saving from the preview when the save cannot succeed, before the file is begun or half-way
// through it: the failure is reported with the file's name, nothing is left under the chosen
// name (nor any temporary file beside it), an existing file stays as it was, and no descriptor
// stays open.
#include "faults/FaultSupport.h"

#include "report/engine/PageDescription.h"
#include "report/outputs/RenderPdf.h"
#include "report/outputs/Snapshot.h"
#include "table/Failure.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <sys/stat.h>

using namespace quorvel;

namespace {

enum class Output { Pdf, Snapshot };
enum class Setup { NoFolder, FolderRemoved, NoPermission, ReadOnlyFile, DiskFull, FailsHalfWay };

struct SaveCase
{
    const char* name;
    Setup setup;
    const char* reason;   ///< what the message ends with
};

void PrintTo(const SaveCase& c, std::ostream* os) { *os << c.name; }

/// A few pages, each file far longer than FailsHalfWay's limit.
report::PageDescription labelPages()
{
    report::PageDescription doc;
    doc.title = QStringLiteral("Etiquetas");
    doc.fonts.push_back(report::FontSpec{QStringLiteral("Helvetica"), 9, false, false});
    report::Symbol wrong;
    wrong.widthPt = 90;
    wrong.heightPt = 40;
    wrong.error = QStringLiteral("EAN-13 needs 12 or 13 digits");
    doc.symbols.push_back(wrong);
    report::Page page;
    page.items.push_back(report::TextItem{20, 40, 0, {}, 0, QStringLiteral("CAMISETA BÁSICA R$ 39,90")});
    page.items.push_back(report::RectItem{10, 10, 200, 100, 0.5, {}, false, {}});
    page.items.push_back(report::SymbolItem{20, 60, 0});
    for (int i = 0; i < 4; ++i)
        doc.pages.push_back(page);
    return doc;
}

/// Where FailsHalfWay's writes begin to fail: past the first bytes of either kind of file.
constexpr rlim_t kHalfWayBytes = 64;

class FailedSave : public ::testing::TestWithParam<std::tuple<Output, SaveCase>>
{
protected:
    void save(Output output, const report::PageDescription& doc, const QString& path)
    {
        if (output == Output::Pdf)
            report::RenderPdf().write(doc, path);
        else
            report::snapshot::write(doc, path);
    }

    QTemporaryDir m_dir;
};

TEST_P(FailedSave, LeavesNothingBehind)
{
    const auto& [output, c] = GetParam();
    const QString name = output == Output::Pdf ? QStringLiteral("etiquetas.pdf") : QStringLiteral("etiquetas.ndr");
    QString folder = m_dir.filePath(QStringLiteral("saida"));
    QDir().mkpath(folder);
    std::optional<faults::FullFilesystem> full;
    std::optional<faults::AsUnprivilegedUser> user;
    std::optional<faults::FileSizeLimit> limit;
    switch (c.setup) {
    case Setup::NoFolder:
        folder = m_dir.filePath(QStringLiteral("missing"));
        break;
    case Setup::FolderRemoved:
        QDir(folder).removeRecursively();
        break;
    case Setup::NoPermission:
        QFile::setPermissions(m_dir.path(), QFile::permissions(m_dir.path()) | QFile::ExeOther);
        ::chmod(QFile::encodeName(folder).constData(), 0555);
        break;
    case Setup::ReadOnlyFile: {
        QFile old(QDir(folder).filePath(name));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the earlier save");
        old.close();
        QFile::setPermissions(m_dir.path(), QFile::permissions(m_dir.path()) | QFile::ExeOther);
        ::chmod(QFile::encodeName(folder).constData(), 0777);
        ::chmod(QFile::encodeName(old.fileName()).constData(), 0444);
        break;
    }
    case Setup::DiskFull:
        full.emplace();
        if (!full->usable()) {
            // CI runs as root, where the filesystem can be mounted: there a refusal is a fault.
            if (qEnvironmentVariable("CI") == QLatin1String("true"))
                FAIL() << "no full filesystem to save to: " << full->reason().toStdString();
            GTEST_SKIP() << "no full filesystem to save to: " << full->reason().toStdString();
        }
        folder = full->path();
        break;
    case Setup::FailsHalfWay:
        break;
    }
    const QStringList entriesBefore = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    const QString path = QDir(folder).filePath(name);
    const report::PageDescription doc = labelPages();

    std::string message;
    int before = faults::openDescriptors();
    if (c.setup == Setup::NoPermission || c.setup == Setup::ReadOnlyFile)
        user.emplace();
    if (c.setup == Setup::FailsHalfWay) {
        limit.emplace(kHalfWayBytes);
        ASSERT_TRUE(limit->active()) << "cannot lower the file size limit";
    }
    try {
        save(output, doc, path);
    } catch (const Failure& failure) {
        message = failure.message().toStdString();
    }
    user.reset();
    limit.reset();

    EXPECT_FALSE(message.empty()) << "the save reported success";
    const std::string prefix = "Cannot create file \"" + path.toStdString() + "\". ";
    EXPECT_TRUE(message.starts_with(prefix)) << message;
    EXPECT_TRUE(message.ends_with(c.reason)) << message;
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), entriesBefore)
        << "a file was left in the folder";
    if (c.setup == Setup::ReadOnlyFile) {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), "the earlier save");
    }
    EXPECT_EQ(faults::openDescriptors(), before);
}

INSTANTIATE_TEST_SUITE_P(Ways, FailedSave, ::testing::Combine(
    ::testing::Values(Output::Pdf, Output::Snapshot),
    ::testing::Values(
        SaveCase{"NoFolder", Setup::NoFolder, "No such file or directory"},
        SaveCase{"FolderRemoved", Setup::FolderRemoved, "No such file or directory"},
        SaveCase{"NoPermission", Setup::NoPermission, "Permission denied"},
        SaveCase{"ReadOnlyFile", Setup::ReadOnlyFile, "Permission denied"},
        SaveCase{"DiskFull", Setup::DiskFull, "No space left on device"},
        SaveCase{"FailsHalfWay", Setup::FailsHalfWay, "File too large"})),
    [](const ::testing::TestParamInfo<std::tuple<Output, SaveCase>>& row) {
        return std::string(std::get<0>(row.param) == Output::Pdf ? "Pdf" : "Snapshot") + "_"
               + std::get<1>(row.param).name;
    });

} // namespace
