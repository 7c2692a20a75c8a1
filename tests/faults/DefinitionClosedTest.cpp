// Report definition files, and the pictures they name, are closed on every way out of opening
// and running a report.
#include "faults/FaultSupport.h"

#include "report/engine/DataLock.h"
#include "report/engine/ReportProject.h"
#include "report/engine/ReportSystem.h"
#include "support/HeadlessUi.h"
#include "table/Failure.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <sys/stat.h>

using namespace quorvel;

namespace {

enum class Setup { Content, NoFile, Folder, Unreadable, ReadError };

struct DefinitionCase
{
    const char* name;
    Setup setup;
    QByteArray content;
    const char* outcome;   ///< "previewed", or how the failure's message begins
};

void PrintTo(const DefinitionCase& c, std::ostream* os) { *os << c.name; }

const QByteArray kPage = R"(<quorvel-report version="1"><report name="R"><page size="A6">)";
const QByteArray kEnd = R"(</page></report></quorvel-report>)";

class DefinitionEnd : public ::testing::TestWithParam<DefinitionCase>
{
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "fault_tests";
        static char* argv[] = {name, nullptr};
        if (!std::getenv("QT_QPA_PLATFORM"))
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        if (!QGuiApplication::instance())
            new QGuiApplication(argc, argv);   // text measurement needs fonts; lives to the end
    }
    void SetUp() override { report::DataLock::setPath(m_dir.filePath(QStringLiteral("data.lock"))); }
    void TearDown() override { report::DataLock::setPath(report::DataLock::defaultPath()); }

    QString prepare(const DefinitionCase& c)
    {
        QString path = m_dir.filePath(QStringLiteral("tag.rav"));
        switch (c.setup) {
        case Setup::NoFile:
            return m_dir.filePath(QStringLiteral("missing.rav"));
        case Setup::Folder:
            QDir(m_dir.path()).mkdir(QStringLiteral("folder.rav"));
            return m_dir.filePath(QStringLiteral("folder.rav"));
        case Setup::ReadError:
            QFile::link(QStringLiteral("/proc/self/mem"), path);   // reading at offset 0 fails with EIO
            return path;
        default:
            break;
        }
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.content);
        file.close();
        QFile picture(m_dir.filePath(QStringLiteral("damaged.jpg")));
        EXPECT_TRUE(picture.open(QIODevice::WriteOnly));
        picture.write("\xff\xd8\xff\xe0 not really a JPEG");
        if (c.setup == Setup::Unreadable) {
            ::chmod(QFile::encodeName(path).constData(), 0);
            QFile::setPermissions(m_dir.path(), QFile::permissions(m_dir.path()) | QFile::ExeOther);
        }
        return path;
    }

    QTemporaryDir m_dir;
};

TEST_P(DefinitionEnd, LeavesNoDescriptorOpen)
{
    const DefinitionCase& c = GetParam();
    QString path = prepare(c);
    report::ReportSystem system;
    report::HeadlessUi ui;
    report::ReportProject project(system, ui);
    project.setProjectFile(path);
    project.setParam(QStringLiteral("data"), QStringLiteral("06/24"));
    std::string outcome;
    int before = faults::openDescriptors();
    {
        std::optional<faults::AsUnprivilegedUser> user;
        if (c.setup == Setup::Unreadable)
            user.emplace();
        try {
            project.execute();
            outcome = ui.previews == 1 ? "previewed" : "no preview";
        } catch (const Failure& failure) {
            outcome = failure.message().toStdString();
        }
    }
    EXPECT_TRUE(outcome.starts_with(c.outcome)) << outcome;
    EXPECT_EQ(faults::openDescriptors(), before);
}

INSTANTIATE_TEST_SUITE_P(Ways, DefinitionEnd, ::testing::Values(
    DefinitionCase{"Runs", Setup::Content, kPage + R"(<text x="1" y="1" width="20" height="5" value="A"/>)" + kEnd, "previewed"},
    DefinitionCase{"ZeroBytes", Setup::Content, "", "previewed"},
    DefinitionCase{"DamagedPicture", Setup::Content,
                   kPage + R"(<image x="1" y="1" width="20" height="20" file="damaged.jpg"/>)" + kEnd, "previewed"},
    DefinitionCase{"MissingPicture", Setup::Content,
                   kPage + R"(<image x="1" y="1" width="20" height="20" file="missing.jpg"/>)" + kEnd, "previewed"},
    DefinitionCase{"NotADefinition", Setup::Content, "RAV\x01\x02", "Invalid Project Format"},
    DefinitionCase{"WrongHeader", Setup::Content, R"(<quorvel-report version="9"/>)", "Invalid Project Header Code"},
    DefinitionCase{"Damaged", Setup::Content, kPage + "<text", "Invalid report definition"},
    DefinitionCase{"NotANumber", Setup::Content,
                   kPage + R"(<barcode x="0" y="0" width="50" height="20" param="data" module="nan"/>)" + kEnd,
                   "Invalid report definition"},
    DefinitionCase{"Infinite", Setup::Content, kPage + R"(<rect x="0" y="0" width="inf" height="5"/>)" + kEnd,
                   "Invalid report definition"},
    DefinitionCase{"NoReport", Setup::Content, R"(<quorvel-report version="1"/>)", "The report definition"},
    DefinitionCase{"NoFile", Setup::NoFile, "", "The following reporting project does not exist:\r"},
    DefinitionCase{"Folder", Setup::Folder, "", "Cannot open file"},
    DefinitionCase{"NoPermission", Setup::Unreadable, kPage + kEnd, "Cannot open file"},
    DefinitionCase{"ReadError", Setup::ReadError, "", "Cannot open file"}),
    [](const ::testing::TestParamInfo<DefinitionCase>& row) { return std::string(row.param.name); });

} // namespace
