#include "EngineFixtures.h"

#include "report/engine/DefinitionReader.h"
#include "support/HeadlessUi.h"
#include "table/Failure.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::report;
using namespace quorvel::report::testing;

namespace {

struct BadFile
{
    const char* name;
    QByteArray bytes;
    QString message;
};

void PrintTo(const BadFile& c, std::ostream* os) { *os << c.name; }

class DefinitionFailures : public ::testing::TestWithParam<BadFile>
{};

TEST_P(DefinitionFailures, OpenFailsWithItsText)
{
    HeadlessUi ui;
    try {
        readDefinition(GetParam().bytes, QStringLiteral("/tmp/x.rav"), ui);
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_EQ(f.message(), GetParam().message);
    }
}

const QString kFormat = QStringLiteral("Invalid Project Format");
const QString kHeader = QStringLiteral("Invalid Project Header Code");

INSTANTIATE_TEST_SUITE_P(
    Reader, DefinitionFailures,
    ::testing::Values(
        BadFile{"NotXml", QByteArray("TPF0\x0bTRaveProject", 17), kFormat},
        BadFile{"PlainText", "just some words\n", kFormat},
        BadFile{"OtherRoot", "<?xml version=\"1.0\"?><report version=\"1\"/>", kFormat},
        BadFile{"OnlyProlog", "<?xml version=\"1.0\"?>", kFormat},
        BadFile{"NoVersion", "<quorvel-report><report/></quorvel-report>", kHeader},
        BadFile{"LaterVersion", "<quorvel-report version=\"2\"/>", kHeader},
        BadFile{"DamagedAfterHeader",
                "<quorvel-report version=\"1\">\n<report name=\"A\">\n<page>\n</report>",
                QStringLiteral("Invalid report definition \"/tmp/x.rav\", line 4: Opening and ending tag mismatch.")},
        BadFile{"BadNumber",
                "<quorvel-report version=\"1\">\n<report><page><text x=\"1,5\">a</text></page></report></quorvel-report>",
                QStringLiteral("Invalid report definition \"/tmp/x.rav\", line 2: \"1,5\" is not a number for x")},
        BadFile{"RegionWithoutView",
                "<quorvel-report version=\"1\"><report><page><labels label-width=\"5\" label-height=\"5\"/></page></report></quorvel-report>",
                QStringLiteral("Invalid report definition \"/tmp/x.rav\", line 1: a <labels> region needs the data view it prints")},
        BadFile{"UnknownBarcodeType",
                "<quorvel-report version=\"1\"><report><page><barcode type=\"aztec\" field=\"Codigo\"/></page></report></quorvel-report>",
                QStringLiteral("Invalid report definition \"/tmp/x.rav\", line 1: \"aztec\" is not one of auto, code128, code39, "
                               "ean13, ean8, upca, upce, itf, postnet, qr, datamatrix for type")},
        BadFile{"DigitalLinkOnALinearCode",
                "<quorvel-report version=\"1\"><report><page><barcode type=\"ean13\" gs1-digital-link=\"yes\" field=\"Codigo\"/></page></report></quorvel-report>",
                QStringLiteral("Invalid report definition \"/tmp/x.rav\", line 1: gs1-digital-link is for the types qr, datamatrix, not ean13")},
        BadFile{"TextUnderA2DCode",
                "<quorvel-report version=\"1\"><report><page><barcode type=\"datamatrix\" human-readable=\"yes\" field=\"Codigo\"/></page></report></quorvel-report>",
                QStringLiteral("Invalid report definition \"/tmp/x.rav\", line 1: type datamatrix draws no human-readable text: human-readable must be no")},
        BadFile{"PrinterWithoutQueue", "<quorvel-report version=\"1\"><printer offset-x=\"1\"/></quorvel-report>",
                QStringLiteral("Invalid report definition \"/tmp/x.rav\", line 1: a printer needs the queue it is for")},
        BadFile{"PrinterGivenTwice",
                "<quorvel-report version=\"1\"><printer queue=\"ZPL\" offset-x=\"1\"/>\n<printer queue=\"ZPL\"/></quorvel-report>",
                QStringLiteral("Invalid report definition \"/tmp/x.rav\", line 2: the printer \"ZPL\" is given twice")},
        BadFile{"PrinterOffsetNotANumber", "<quorvel-report version=\"1\"><printer queue=\"ZPL\" offset-y=\"1,5\"/></quorvel-report>",
                QStringLiteral("Invalid report definition \"/tmp/x.rav\", line 1: \"1,5\" is not a number for offset-y")}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(DefinitionReader, PrinterOffsetsAreMillimetresForTheirQueue)
{
    HeadlessUi ui;
    const Definition def = readDefinition(
        "<quorvel-report version=\"1\"><printer queue=\"QuorvelZPL\" offset-x=\"2\" offset-y=\"-1.5\"/>"
        "<printer queue=\"Escritorio\" offset-y=\"0.5\"/><report/></quorvel-report>",
        QStringLiteral("/tmp/x.rav"), ui);
    ASSERT_EQ(def.printers.size(), 2u);
    EXPECT_EQ(def.printers[0].queue, QStringLiteral("QuorvelZPL"));
    EXPECT_EQ(def.printers[0].offsetX.mm(), 2);
    EXPECT_EQ(def.printers[0].offsetY.mm(), -1.5);
    EXPECT_EQ(def.printers[1].offsetX.mm(), 0);
    EXPECT_EQ(def.printers[1].offsetY.mm(), 0.5);
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST(DefinitionReader, ZeroBytesGiveOneReportOfOneBlankA4Page)
{
    HeadlessUi ui;
    Definition def = readDefinition({}, QStringLiteral("/tmp/empty.rav"), ui);
    ASSERT_EQ(def.reports.size(), 1u);
    ASSERT_EQ(def.reports[0].pages.size(), 1u);
    const auto& page = std::get<PageDef>(def.reports[0].pages[0].page);
    EXPECT_EQ(page.width.mm(), 210);
    EXPECT_EQ(page.height.mm(), 297);
    EXPECT_TRUE(page.items.empty());
    EXPECT_FALSE(page.region);
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST(DefinitionReader, UnknownElementsAreReportedSkippedAndLoadingGoesOn)
{
    HeadlessUi ui;
    Definition def = readDefinition(definitionXml(QStringLiteral(
                                        "<TRvCustomChart/>\n"
                                        "<report name=\"R\"><page><sparkline x=\"1\"><text>inner</text></sparkline>"
                                        "<text>kept</text></page></report>")),
                                    QStringLiteral("/tmp/x.rav"), ui);
    EXPECT_EQ(ui.messages,
              QStringList({QStringLiteral("Unknown class \"TRvCustomChart\" found.  You will need to include the unit "
                                          "containing this component to your uses clause."),
                           QStringLiteral("Unknown class \"sparkline\" found.  You will need to include the unit "
                                          "containing this component to your uses clause.")}));
    ASSERT_EQ(def.reports.size(), 1u);
    const auto& page = std::get<PageDef>(def.reports[0].pages[0].page);
    ASSERT_EQ(page.items.size(), 1u);
    EXPECT_EQ(std::get<TextDef>(page.items[0]).value, QStringLiteral("kept"));
}

TEST(DefinitionReader, LandscapeSwapsANamedSizeAndImagesResolveBesideTheFile)
{
    HeadlessUi ui;
    Definition def = readDefinition(
        definitionXml(QStringLiteral("<report><page size=\"a4\" orientation=\"landscape\" margin=\"5\" margin-top=\"7\">"
                                     "<image x=\"1\" y=\"2\" width=\"3\" height=\"4\" file=\"img\\logo.png\"/>"
                                     "</page></report>")),
        QStringLiteral("/srv/defs/tag.rav"), ui);
    const auto& page = std::get<PageDef>(def.reports[0].pages[0].page);
    EXPECT_EQ(page.width.mm(), 297);
    EXPECT_EQ(page.height.mm(), 210);
    EXPECT_EQ(page.marginLeft.mm(), 5);
    EXPECT_EQ(page.marginTop.mm(), 7);
    EXPECT_EQ(page.print.orientation, Orientation::Landscape);
    EXPECT_EQ(std::get<ImageDef>(page.items[0]).path, QStringLiteral("/srv/defs/img/logo.png"));
}

TEST(DefinitionReader, ShippedDefinitionsLoadWithoutMessages)
{
    for (const char* file : {"/Relatorios/tag_02_Quorvel.rav", "/examples/definitions/a4-3x10.rav",
                             "/examples/definitions/roll-2x-33x22.rav", "/examples/definitions/tag-50x30-code128.rav"}) {
        QFile f(QStringLiteral(QUORVEL_SOURCE_DIR) + QLatin1String(file));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << file;
        HeadlessUi ui;
        Definition def = readDefinition(f.readAll(), f.fileName(), ui);
        EXPECT_TRUE(ui.messages.isEmpty()) << file << ui.messages.join(u'\n').toStdString();
        ASSERT_EQ(def.reports.size(), 1u) << file;
        EXPECT_TRUE(std::get<PageDef>(def.reports[0].pages[0].page).region) << file;
    }
}

} // namespace
