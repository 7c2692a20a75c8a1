// The print run shared by the window and quorvel-batch: which runs the label bound and the page
// limit refuse, and what one pass hands the report project.
#include "labels/ImportTable.h"
#include "labels/PrintTable.h"
#include "printrun/Preflight.h"
#include "printrun/PrintRun.h"
#include "report/engine/ReportProject.h"
#include "report/engine/ReportSystem.h"
#include "table/Failure.h"
#include "support/HeadlessUi.h"
#include "support/QtPrinters.h"
#include "support/Scoped.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>
#include <vector>

using namespace quorvel;

namespace {

const QString kShipped = QStringLiteral(QUORVEL_SOURCE_DIR "/Relatorios/tag_02_Quorvel.rav");   // a label a page
const QString kA4 = QStringLiteral(QUORVEL_SOURCE_DIR "/examples/definitions/a4-3x10.rav");      // 30 a page

class PrintRunFixture : public ::testing::Test
{
protected:
    void addRow(int quantity)
    {
        importTable->append();
        importTable->setText(labels::ImportField::DESC_COR_PRODUTO, "AZUL");
        importTable->setText(labels::ImportField::GRIFFE, "NORTE");
        importTable->setText(labels::ImportField::CODIGO_BARRA, "2000000012346");
        importTable->setInteger(labels::ImportField::qtd, quantity);
        importTable->store();
    }

    test::ScopedLocale locale{test::brazil()};
    std::unique_ptr<table::Table> importTable = labels::makeImportTable();
    std::unique_ptr<table::Table> printTable = labels::makePrintTable();
    report::ReportSystem system;
    report::HeadlessUi ui;
    report::ReportProject project{system, ui};
};

struct BoundCase
{
    const char* name;
    std::vector<int> quantities;
    QString definition;   ///< empty: one that cannot be read
    int startLabel;
    int lastPage;
    const char* refusal;  ///< UTF-8; empty: the run goes on
};

void PrintTo(const BoundCase& c, std::ostream* os) { *os << c.name; }

class Bounds : public PrintRunFixture, public ::testing::WithParamInterface<BoundCase>
{};

TEST_P(Bounds, RefuseARunBeforeAnythingChanges)
{
    const BoundCase& c = GetParam();
    for (int q : c.quantities)
        addRow(q);
    importTable->first();
    system.startLabel = c.startLabel;
    system.lastPage = c.lastPage;
    printrun::PrintRun run(*importTable, *printTable,
                           c.definition.isEmpty() ? QStringLiteral("/nonexistent/x.rav") : c.definition, project);
    QString refusal;
    try {
        run.checkLabels();
        run.checkPages(system);
    } catch (const Failure& f) {
        refusal = f.message();
    }
    EXPECT_EQ(refusal, QString::fromUtf8(c.refusal));
    EXPECT_EQ(importTable->currentRow(), 0) << "the checks move nothing";
}

const char* const kLabels = "A lista pede 1.000.001 etiquetas, mais que o limite de 1.000.000 etiquetas por impressão. "
                            "Diminua as quantidades e imprima em partes.";

INSTANTIATE_TEST_SUITE_P(
    LabelsAndPages, Bounds,
    ::testing::Values(
        BoundCase{"LabelsUpToTheBound", {999'999, 1}, {}, 1, 9999, ""},
        BoundCase{"OneLabelPastTheBound", {999'999, 0, 2}, {}, 1, 9999, kLabels},
        BoundCase{"QuantitiesBelowOneCountForNothing", {1'000'000, -5, 0}, {}, 1, 9999, ""},
        BoundCase{"LabelBoundBeforeThePageLimit", {999'999, 2}, kShipped, 1, 9999, kLabels},
        BoundCase{"PagesUpToTheLimit", {9'000, 999}, kShipped, 1, 9999, ""},
        BoundCase{"OnePagePastTheLimit", {9'000, 1'000}, kShipped, 1, 9999,
                  "A impressão teria 10.000 páginas, mais que o limite de 9.999 páginas por impressão. "
                  "Diminua as quantidades e imprima em partes."},
        BoundCase{"FullSheetFromTheFirstSlot", {30}, kA4, 1, 1, ""},
        BoundCase{"LaterStartSlotNeedsAnotherPage", {30}, kA4, 2, 1,
                  "A impressão teria 2 páginas, mais que o limite de 1 páginas por impressão. "
                  "Diminua as quantidades e imprima em partes."},
        BoundCase{"NoPageLimit", {10'000}, kShipped, 1, INT_MAX, ""},
        BoundCase{"UnreadableDefinitionLeavesThePagesToThePass", {10'000}, {}, 1, 9999, ""}),
    [](const ::testing::TestParamInfo<BoundCase>& row) { return std::string(row.param.name); });

struct PassCase
{
    const char* name;
    QString loja;
    QDate today;
    QLocale locale;
    QString data;
};

void PrintTo(const PassCase& c, std::ostream* os) { *os << c.name; }

class Pass : public PrintRunFixture, public ::testing::WithParamInterface<PassCase>
{};

TEST_P(Pass, HandsTheProjectItsDefinitionAndParameters)
{
    const PassCase& c = GetParam();
    locale.set(c.locale);
    printrun::PrintRun(*importTable, *printTable, kShipped, project).prepare(c.loja, c.today);
    EXPECT_TRUE(project.isOpen());
    EXPECT_EQ(project.projectFile(), kShipped);
    EXPECT_EQ(project.param(QStringLiteral("data")), c.data);
    bool hasLoja = false;
    for (const auto& [name, value] : project.params())
        if (name.compare(QLatin1String("loja"), Qt::CaseInsensitive) == 0) {
            hasLoja = true;
            EXPECT_EQ(value, c.loja);
        }
    EXPECT_EQ(hasLoja, !c.loja.isEmpty()) << "an empty loja leaves no entry";
    EXPECT_EQ(ui.messages, QStringList());
}

INSTANTIATE_TEST_SUITE_P(
    Parameters, Pass,
    ::testing::Values(
        PassCase{"EmptyLojaAndMonthOverYear", {}, QDate(2025, 1, 5), QLocale(QLocale::Portuguese, QLocale::Brazil),
                 QStringLiteral("01/25")},
        PassCase{"LojaIsSent", QStringLiteral("CENTRO"), QDate(2025, 1, 5), QLocale(QLocale::Portuguese, QLocale::Brazil),
                 QStringLiteral("01/25")},
        PassCase{"RegionalDateSeparator", {}, QDate(2025, 1, 5), QLocale(QLocale::German, QLocale::Germany),
                 QStringLiteral("01.25")},
        PassCase{"TwoDigitsOfTheYear", {}, QDate(2009, 12, 31), QLocale(QLocale::Portuguese, QLocale::Brazil),
                 QStringLiteral("12/09")}),
    [](const ::testing::TestParamInfo<PassCase>& row) { return std::string(row.param.name); });

TEST_F(Pass, EveryPassReadsTheDefinitionAgain)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tag.rav"));
    ASSERT_TRUE(QFile::copy(kShipped, path));
    printrun::PrintRun run(*importTable, *printTable, path, project);
    run.prepare({}, QDate(2025, 1, 5));
    EXPECT_EQ(project.labelsPerPage(), 1);
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::copy(kA4, path));
    run.prepare({}, QDate(2025, 1, 5));
    EXPECT_EQ(project.labelsPerPage(), 30);
}

// The checks and the first pass see one read of the definition, so what was checked is what
// runs; the reprints read the file again.
TEST_F(Pass, TheFirstPassRunsTheDefinitionTheChecksRead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tag.rav"));
    ASSERT_TRUE(QFile::copy(kShipped, path));
    printrun::PrintRun run(*importTable, *printTable, path, project);
    EXPECT_EQ(run.plan().labelsPerPage, 1);
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::copy(kA4, path));
    run.prepare({}, QDate(2025, 1, 5));
    EXPECT_EQ(project.labelsPerPage(), 1) << "the first pass read the file again";
    run.prepare({}, QDate(2025, 1, 5));
    EXPECT_EQ(project.labelsPerPage(), 30) << "a reprint did not read the file again";
}

// A definition the checks could not read fails the first pass with the engine's text, and the
// messages of a read (an unknown element) are shown when the pass opens it, once.
TEST_F(Pass, TheChecksReadFailsOrSpeaksWhenThePassOpensIt)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("missing.rav"));
    printrun::PrintRun lost(*importTable, *printTable, missing, project);
    EXPECT_FALSE(lost.plan().pages);
    EXPECT_THROW(lost.prepare({}, QDate(2025, 1, 5)), Failure);

    const QString odd = dir.filePath(QStringLiteral("odd.rav"));
    QFile file(odd);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<?xml version=\"1.0\"?><quorvel-report version=\"1\"><gadget/><report/></quorvel-report>");
    file.close();
    printrun::PrintRun run(*importTable, *printTable, odd, project);
    run.plan();
    EXPECT_EQ(ui.messages, QStringList()) << "the checks spoke";
    run.prepare({}, QDate(2025, 1, 5));
    EXPECT_EQ(ui.messages.size(), 1) << ui.messages.join(u'|').toStdString();
}

TEST_F(Pass, AMissingDefinitionFailsWithTheEngineText)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Relatorios/tag_02_Quorvel.rav"));
    try {
        printrun::PrintRun(*importTable, *printTable, printrun::definitionBeside(dir.path()), project).prepare({}, QDate(2025, 1, 5));
        ADD_FAILURE() << "the pass went on";
    } catch (const Failure& f) {
        EXPECT_EQ(f.message(), QStringLiteral("The following reporting project does not exist:\r\"%1\"").arg(path));
    }
    EXPECT_FALSE(project.isOpen());
}

} // namespace
