#include "EngineFixtures.h"

#include "report/engine/DataLock.h"
#include "report/engine/DataSetConnection.h"
#include "report/outputs/PageDump.h"
#include "report/engine/ReportProject.h"
#include "report/engine/ReportSystem.h"
#include "support/HeadlessUi.h"
#include "table/Failure.h"
#include "support/Scoped.h"
#include "support/ScopedLockPath.h"

#include <QDir>
#include <QImage>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::report;
using namespace quorvel::report::testing;

namespace {

const char* const kView = "<data-view name=\"V\" connection=\"RvDataSetConnection1\"/>";

class ProjectTest : public ::testing::Test
{
protected:
    ProjectTest()
    {
        project.setLockAttemptMs(100);
        ui.onPreview = [this](const PageDescription& doc) {
            pages = doc;
            pages.pages.hold();   // read after the run
        };
    }

    QString write(const QString& body, const QString& name = QStringLiteral("r.rav"))
    {
        return writeFile(dir.path(), name, definitionXml(body));
    }

    quorvel::test::ScopedLocale locale{quorvel::test::brazil()};
    QTemporaryDir dir;
    quorvel::test::ScopedLockPath lock{dir.filePath(QStringLiteral("data.lock"))};
    HeadlessUi ui;
    ReportSystem system;
    ReportProject project{system, ui};
    PageDescription pages;
};

struct FileNameCase
{
    const char* name;
    QString given;
    QString stored;
};

void PrintTo(const FileNameCase& c, std::ostream* os) { *os << c.name; }

class ProjectFileName : public ::testing::TestWithParam<FileNameCase>
{};

TEST_P(ProjectFileName, RavIsAppendedOnlyWithoutAnyDot)
{
    HeadlessUi ui;
    ReportSystem system;
    ReportProject project(system, ui);
    project.setProjectFile(GetParam().given);
    EXPECT_EQ(project.projectFile(), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    Rule, ProjectFileName,
    ::testing::Values(FileNameCase{"NoDot", QStringLiteral("/opt/q/Relatorios/tag"), QStringLiteral("/opt/q/Relatorios/tag.rav")},
                      FileNameCase{"OwnExtension", QStringLiteral("tag.xml"), QStringLiteral("tag.xml")},
                      FileNameCase{"DotInAFolder", QStringLiteral("/opt/q.1/tag"), QStringLiteral("/opt/q.1/tag")},
                      FileNameCase{"Empty", QString(), QString()}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(ProjectTest, ParametersIgnoreCaseAndAnEmptyValueRemovesTheEntry)
{
    project.setParam(QStringLiteral("Data"), QStringLiteral("01/25"));
    project.setParam(QStringLiteral("DATA"), QStringLiteral("02/25"));
    project.setParam(QStringLiteral("loja"), QString());
    EXPECT_EQ(project.params().size(), 1u);
    EXPECT_EQ(project.param(QStringLiteral("data")), QStringLiteral("02/25"));
    project.setParam(QStringLiteral("dAtA"), QString());
    EXPECT_TRUE(project.params().empty());
    EXPECT_EQ(project.param(QStringLiteral("loja")), QString());
}

TEST_F(ProjectTest, StoredValuesReplaceTheirNamesAndLeaveTheOthers)
{
    project.setProjectFile(write(QStringLiteral("<parameter name=\"DATA\" value=\"12/99\"/>"
                                                "<parameter name=\"loja\" value=\"Centro\"/><report/>")));
    project.setParam(QStringLiteral("data"), QStringLiteral("06/24"));
    project.setParam(QStringLiteral("outro"), QStringLiteral("x"));
    project.open();
    EXPECT_EQ(project.param(QStringLiteral("data")), QStringLiteral("12/99"));
    EXPECT_EQ(project.param(QStringLiteral("loja")), QStringLiteral("Centro"));
    EXPECT_EQ(project.param(QStringLiteral("outro")), QStringLiteral("x"));
    project.close();
    EXPECT_EQ(project.param(QStringLiteral("loja")), QStringLiteral("Centro"));
}

TEST_F(ProjectTest, MissingDefinitionNamesTheFullPathOnASecondLine)
{
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    project.setProjectFile(QStringLiteral("Relatorios\\tag_02_Quorvel.rav"));
    QString message;
    try {
        project.open();
    } catch (const Failure& f) {
        message = f.message();
    }
    QDir::setCurrent(before);
    EXPECT_EQ(message, QStringLiteral("The following reporting project does not exist:\r\"%1/Relatorios/tag_02_Quorvel.rav\"")
                           .arg(QDir(dir.path()).canonicalPath()));
    EXPECT_FALSE(project.isOpen());
}

TEST_F(ProjectTest, UnreadableDefinitionGivesTheSystemText)
{
    const QString folder = dir.filePath(QStringLiteral("folder.rav"));   // exists, cannot be read as a file
    QDir().mkdir(folder);
    project.setProjectFile(folder);
    try {
        project.open();
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(f.message(), QStringLiteral("Cannot open file \"%1\". Is a directory").arg(folder));
    }
}

TEST_F(ProjectTest, ActiveReportIsTheLastActiveOneOrElseTheFirst)
{
    project.setProjectFile(write(QStringLiteral("<report name=\"A\"/><report name=\"B\"/>").prepend(QString())));
    project.open();
    EXPECT_EQ(project.activeReport()->name, QStringLiteral("A"));
    project.close();
    writeFile(dir.path(), QStringLiteral("r.rav"),
              QByteArray("<quorvel-report version=\"1\" active-report=\"b\"><report name=\"A\"/><report name=\"B\"/></quorvel-report>"));
    project.open();
    EXPECT_EQ(project.activeReport()->name, QStringLiteral("B"));
}

TEST_F(ProjectTest, ZeroByteDefinitionPreviewsOneBlankPage)
{
    project.setProjectFile(writeFile(dir.path(), QStringLiteral("empty.rav"), {}));
    project.execute();
    ASSERT_EQ(ui.previews, 1);
    ASSERT_EQ(pages.pages.size(), 1u);
    EXPECT_EQ(dumpPage(pages, 0), QStringLiteral("page 595.28 x 841.89\n"));
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_EQ(ui.statuses, QStringList{QStringLiteral("Generating page 1")});
}

TEST_F(ProjectTest, DefinitionWithoutReportFailsClearly)
{
    project.setProjectFile(write(QString()));
    try {
        project.execute();
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(f.message(), QStringLiteral("The report definition \"%1/r.rav\" holds no report to run.").arg(dir.path()));
    }
    EXPECT_EQ(ui.generations, 0);
}

TEST_F(ProjectTest, EveryRunReadsTheFileAgainAfterClose)
{
    const QString path = write(QStringLiteral("<report><page><text>one</text></page></report>"));
    project.setProjectFile(path);
    project.execute();
    EXPECT_TRUE(dumpPage(pages, 0).contains(QStringLiteral("\"one\"")));
    write(QStringLiteral("<report><page><text>two</text></page></report>"));
    project.execute();   // still open: the loaded definition is used
    EXPECT_TRUE(dumpPage(pages, 0).contains(QStringLiteral("\"one\"")));
    project.close();
    project.execute();
    EXPECT_TRUE(dumpPage(pages, 0).contains(QStringLiteral("\"two\"")));
}

TEST_F(ProjectTest, ParametersShowThroughTheirItemsAndAnAbsentOneShowsNothing)
{
    project.setProjectFile(write(QStringLiteral("<report><page><text param=\"DATA\"/><text param=\"loja\"/></page></report>")));
    project.setParam(QStringLiteral("data"), QStringLiteral("06/24"));
    project.execute();
    EXPECT_EQ(dumpPage(pages, 0), QStringLiteral("page 595.28 x 841.89\ntext 0.00,9.05 [Arial 10] #000000 \"06/24\"\n"));
}

TEST_F(ProjectTest, MissingConnectionWaitsThenShowsTheErrorAndAbortsSilently)
{
    project.setProjectFile(write(QStringLiteral("<data-view name=\"V\" connection=\"RvOutra\"/>"
                                                "<report><page><labels view=\"V\" label-width=\"10\" label-height=\"10\"/></page></report>")));
    project.setConnectionWaits(3);
    EXPECT_THROW(project.execute(), SilentAbort);
    EXPECT_EQ(ui.waits, 3);
    EXPECT_EQ(ui.errors, QStringList{QStringLiteral("Error!  Could not open data connection \"RvOutra\".  Aborting report.")});
    EXPECT_FALSE(ui.generating);
    EXPECT_EQ(ui.previews, 0);
    EXPECT_EQ(DataLock::depth(), 0);
}

// Connections are handed to the project: one that merely exists is not found.
TEST_F(ProjectTest, AConnectionNotHandedOverIsWaitedForThenTheRunAborts)
{
    auto table = makeLabelTable({{"1"}});
    DataSetConnection connection(QStringLiteral("RvDataSetConnection1"), table.get());
    project.setProjectFile(write(QLatin1String(kView) + QStringLiteral("<report><page><labels view=\"V\" label-width=\"10\" label-height=\"10\">"
                                                                       "<text field=\"Codigo\"/></labels></page></report>")));
    project.setConnectionWaits(3);
    EXPECT_THROW(project.execute(), SilentAbort);
    EXPECT_EQ(ui.waits, 3);
    EXPECT_EQ(ui.errors, QStringList{QStringLiteral("Error!  Could not open data connection \"RvDataSetConnection1\".  Aborting report.")});
    EXPECT_EQ(ui.previews, 0);
    EXPECT_EQ(DataLock::depth(), 0);
}

TEST_F(ProjectTest, ConnectionNameIgnoresCaseAndTheTableReturnsToItsRow)
{
    auto table = makeLabelTable({{"1"}, {"2"}, {"3"}});
    table->moveTo(1);
    DataSetConnection connection(QStringLiteral("RvDataSetConnection1"), table.get());
    project.setConnections({&connection});
    project.setProjectFile(write(QStringLiteral("<data-view name=\"V\" connection=\"rvdatasetCONNECTION1\"/>"
                                                "<report><page><labels view=\"V\" rows=\"2\" label-width=\"10\" label-height=\"10\">"
                                                "<text field=\"codigo\"/></labels></page></report>")));
    project.execute();
    ASSERT_EQ(pages.pages.size(), 2u);
    EXPECT_EQ(dumpPage(pages, 1), QStringLiteral("page 595.28 x 841.89\ntext 0.00,9.05 [Arial 10] #000000 \"3\"\n"));
    EXPECT_EQ(table->currentRow(), 1);
    EXPECT_EQ(ui.statuses, QStringList({QStringLiteral("Generating page 1"), QStringLiteral("Generating page 2")}));
}

TEST_F(ProjectTest, ADeclaredTypeThatDiffersLeavesTheViewWithoutFields)
{
    auto table = makeLabelTable({{"789"}});
    DataSetConnection connection(QStringLiteral("RvDataSetConnection1"), table.get());
    project.setConnections({&connection});
    project.setProjectFile(write(QStringLiteral("<data-view name=\"V\" connection=\"RvDataSetConnection1\">"
                                                "<field name=\"Codigo\" type=\"string\"/><field name=\"preco\" type=\"float\"/></data-view>"
                                                "<report><page><labels view=\"V\" label-width=\"10\" label-height=\"10\">"
                                                "<text field=\"Codigo\"/><text>label</text></labels></page></report>")));
    project.execute();
    ASSERT_EQ(pages.pages.size(), 1u);
    EXPECT_FALSE(dumpPage(pages, 0).contains(QStringLiteral("789")));
    EXPECT_TRUE(dumpPage(pages, 0).contains(QStringLiteral("\"label\"")));
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_TRUE(ui.errors.isEmpty());
}

TEST_F(ProjectTest, AnEmptyTableGivesOnePageWithoutLabels)
{
    auto table = makeLabelTable();
    DataSetConnection connection(QStringLiteral("RvDataSetConnection1"), table.get());
    project.setConnections({&connection});
    project.setProjectFile(write(QLatin1String(kView) + QStringLiteral("<report><page><labels view=\"V\" label-width=\"10\" label-height=\"10\">"
                                                                       "<text>label</text></labels></page></report>")));
    project.execute();
    ASSERT_EQ(pages.pages.size(), 1u);
    EXPECT_TRUE(pages.pages[0].items.empty());
}

TEST_F(ProjectTest, DefinitionCopiesSeedTheRunAndWithoutThemTheLastCountStays)
{
    auto table = makeLabelTable();
    DataSetConnection connection(QStringLiteral("RvDataSetConnection1"), table.get());
    project.setConnections({&connection});
    int copiesAtPreview = 0;
    ui.onPreview = [&](const PageDescription&) { copiesAtPreview = system.copies; };
    system.copies = 5;   // entered in an earlier print's options
    project.setProjectFile(write(QLatin1String(kView) + QStringLiteral("<report><page copies=\"2\"/></report>")));
    project.execute();
    EXPECT_EQ(copiesAtPreview, 2);

    system.copies = 5;
    project.close();
    project.setProjectFile(write(QLatin1String(kView) + QStringLiteral("<report><page/></report>"), QStringLiteral("s.rav")));
    project.execute();
    EXPECT_EQ(copiesAtPreview, 5);
}

TEST_F(ProjectTest, CancelInTheStatusWindowStopsWithoutPreview)
{
    auto table = makeLabelTable({{"1"}, {"2"}, {"3"}});
    DataSetConnection connection(QStringLiteral("RvDataSetConnection1"), table.get());
    project.setConnections({&connection});
    project.setProjectFile(write(QLatin1String(kView) + QStringLiteral("<report><page><labels view=\"V\" label-width=\"10\" label-height=\"10\">"
                                                                       "<text>label</text></labels></page></report>")));
    ui.cancelAtPage = 2;
    project.execute();
    EXPECT_EQ(ui.previews, 0);
    EXPECT_EQ(ui.statuses.size(), 2);
    EXPECT_FALSE(ui.generating);
    EXPECT_EQ(DataLock::depth(), 0);
}

TEST_F(ProjectTest, PagesAfterTheLastKeptOneAreGeneratedButNotKept)
{
    std::vector<LabelRow> rows(10001, LabelRow{"7891234567895"});
    auto table = makeLabelTable(rows);
    DataSetConnection connection(QStringLiteral("RvDataSetConnection1"), table.get());
    project.setConnections({&connection});
    project.setProjectFile(write(QLatin1String(kView) + QStringLiteral("<report><page size=\"custom\" width=\"50\" height=\"30\">"
                                                                       "<labels view=\"V\" label-width=\"50\" label-height=\"30\">"
                                                                       "<text field=\"Codigo\"/><barcode field=\"Codigo\" y=\"5\" width=\"45\" height=\"20\"/>"
                                                                       "</labels></page></report>")));
    project.execute();
    EXPECT_EQ(pages.pages.size(), 9999u);
    EXPECT_EQ(ui.statuses.size(), 10001);
    EXPECT_EQ(ui.statuses.back(), QStringLiteral("Generating page 10001"));
    EXPECT_EQ(pages.symbols.size(), 1u);   // one code, encoded once for every label
    EXPECT_EQ(table->currentRow(), 10000);
}

TEST_F(ProjectTest, TheRunWorksOnACopyOfTheParameters)
{
    project.setProjectFile(write(QStringLiteral("<report><page><text param=\"data\"/></page></report>")));
    project.setParam(QStringLiteral("data"), QStringLiteral("01/25"));
    ui.onPreview = [this](const PageDescription& doc) {
        pages = doc;
        pages.pages.hold();
        project.setParam(QStringLiteral("data"), QStringLiteral("02/25"));
    };
    project.execute();
    EXPECT_TRUE(dumpPage(pages, 0).contains(QStringLiteral("01/25")));
}

TEST_F(ProjectTest, SharedPagesPrintWhereAReportRefersToThem)
{
    project.setProjectFile(write(QStringLiteral("<shared-page name=\"Capa\" size=\"A6\"><text param=\"data\"/></shared-page>"
                                                "<report><shared-page-ref name=\"capa\"/><page size=\"A5\"/>"
                                                "<shared-page-ref name=\"Capa\"/></report>")));
    project.setParam(QStringLiteral("data"), QStringLiteral("06/24"));
    project.execute();
    ASSERT_EQ(pages.pages.size(), 3u);
    EXPECT_EQ(dumpPage(pages, 0), QStringLiteral("page 297.64 x 419.53\ntext 0.00,9.05 [Arial 10] #000000 \"06/24\"\n"));
    EXPECT_EQ(dumpPage(pages, 1), QStringLiteral("page 419.53 x 595.28\n"));
    EXPECT_EQ(dumpPage(pages, 2), dumpPage(pages, 0));
}

TEST_F(ProjectTest, AMissingSharedPageFailsTheRunAndEndsItCleanly)
{
    project.setProjectFile(write(QStringLiteral("<report name=\"R\"><shared-page-ref name=\"Capa\"/></report>")));
    try {
        project.execute();
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(f.message(), QStringLiteral("The report \"R\" uses the shared page \"Capa\", which the definition does not hold."));
    }
    EXPECT_FALSE(ui.generating);
    EXPECT_EQ(DataLock::depth(), 0);
}

TEST_F(ProjectTest, ImagesAreStoredOnceAndAnUnreadableOneIsNamed)
{
    QImage logo(40, 20, QImage::Format_RGB32);
    logo.fill(Qt::red);
    QDir(dir.path()).mkdir(QStringLiteral("img"));
    ASSERT_TRUE(logo.save(dir.filePath(QStringLiteral("img/logo.png"))));
    project.setProjectFile(write(QStringLiteral("<report><page>"
                                                "<image x=\"10\" y=\"10\" width=\"20\" height=\"10\" file=\"img\\logo.png\"/>"
                                                "<image x=\"40\" y=\"10\" width=\"20\" height=\"10\" file=\"img/logo.png\"/>"
                                                "<image file=\"gone.jpg\"/></page></report>")));
    project.execute();
    ASSERT_EQ(pages.images.size(), 1u);
    EXPECT_EQ(dumpPage(pages, 0), QStringLiteral("page 595.28 x 841.89\nimage 28.35,28.35 56.69x28.35 40x20px\n"
                                                 "image 113.39,28.35 56.69x28.35 40x20px\n"));
    EXPECT_EQ(ui.messages, QStringList{QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(dir.filePath(QStringLiteral("gone.jpg")))});
}

struct StatusCase
{
    const char* name;
    bool showStatus;
    int statusWindows;
};

void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.name; }

class StatusSetting : public ProjectTest, public ::testing::WithParamInterface<StatusCase>
{};

TEST_P(StatusSetting, DecidesWhetherAStatusWindowOpens)
{
    system.showStatus = GetParam().showStatus;
    project.setProjectFile(write(QStringLiteral("<report><page><text>one</text></page><page/></report>")));
    project.execute();
    EXPECT_EQ(ui.generations, GetParam().statusWindows);
    EXPECT_FALSE(ui.generating);
    ASSERT_EQ(ui.previews, 1);
    EXPECT_EQ(pages.pages.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Setting, StatusSetting,
    ::testing::Values(StatusCase{"Shown", true, 1}, StatusCase{"NotShown", false, 0}),
    [](const auto& row) { return std::string(row.param.name); });

struct DateCase
{
    const char* name;
    QLocale locale;
    QString expected;
};

void PrintTo(const DateCase& c, std::ostream* os) { *os << c.name; }

class DateParameter : public ::testing::TestWithParam<DateCase>
{};

TEST_P(DateParameter, MonthAndTwoDigitYearWithTheRegionalSeparator)
{
    EXPECT_EQ(dateParameter(QDate(2024, 6, 15), GetParam().locale), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Regional, DateParameter,
    ::testing::Values(DateCase{"Brazil", QLocale(QLocale::Portuguese, QLocale::Brazil), QStringLiteral("06/24")},
                      DateCase{"Germany", QLocale(QLocale::German, QLocale::Germany), QStringLiteral("06.24")},
                      DateCase{"Sweden", QLocale(QLocale::Swedish, QLocale::Sweden), QStringLiteral("06-24")}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
