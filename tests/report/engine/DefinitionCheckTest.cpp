#include "EngineFixtures.h"

#include "report/engine/DefinitionCheck.h"
#include "report/engine/DefinitionReader.h"
#include "report/engine/TextMeasure.h"
#include "support/HeadlessUi.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace quorvel::report {
void PrintTo(const DefinitionFinding& f, std::ostream* os)
{
    *os << (f.severity == DefinitionFinding::Severity::Error ? "error" : "warning") << " line " << f.line << ": "
        << f.reason.toStdString();
}
} // namespace quorvel::report

using namespace quorvel;
using namespace quorvel::report;
using namespace quorvel::report::testing;

namespace {

using Severity = DefinitionFinding::Severity;

/// A 50 x 30 mm label page; `items` start on line 6 of the file.
QByteArray labelPage(const char* items, const char* pageAttributes = "quality=\"203\"", const char* labels = "label-width=\"50\" label-height=\"30\"")
{
    return definitionXml(QStringLiteral("<data-view name=\"V\" connection=\"RvDataSetConnection1\"/>\n"
                                        "<report name=\"R\"><page size=\"custom\" width=\"50\" height=\"30\" %1>\n"
                                        "<labels view=\"V\" %2>\n%3\n</labels></page></report>")
                             .arg(QLatin1String(pageAttributes), QLatin1String(labels), QLatin1String(items)));
}

std::vector<DefinitionFinding> check(const QByteArray& xml, int dpi)
{
    HeadlessUi ui;
    TextMeasure measure;
    return checkDefinition(readDefinition(xml, QStringLiteral("/tmp/check.rav"), ui), dpi, measure);
}

struct BadDefinition
{
    const char* name;
    QByteArray xml;
    int dpi;                  ///< the printer's, as --dpi gives it
    DefinitionFinding finding;
};

void PrintTo(const BadDefinition& c, std::ostream* os) { *os << c.name; }

class DefinitionCheckFinds : public ::testing::TestWithParam<BadDefinition>
{};

TEST_P(DefinitionCheckFinds, TheProblemOnItsLine)
{
    EXPECT_EQ(check(GetParam().xml, GetParam().dpi), std::vector<DefinitionFinding>{GetParam().finding});
}

// Each bar code element starts on line 6 and goes on over the next, as definitions are written.
INSTANTIATE_TEST_SUITE_P(
    OneProblemEach, DefinitionCheckFinds,
    ::testing::Values(
        BadDefinition{"ModuleUnderOneDot", labelPage(
            "<barcode x=\"2\" y=\"2\" width=\"46\" height=\"14\" field=\"Codigo\" type=\"code128\"\n"
            "         bar-height=\"8\" module=\"0.1\" human-readable=\"no\"/>"), 0,
            {Severity::Error, 6, QStringLiteral("module 0.1 mm is under one dot at 203 dpi (0.125 mm)")}},
        BadDefinition{"EanXDimensionUnder80Percent", labelPage(
            "<barcode x=\"2\" y=\"2\" width=\"46\" height=\"14\" field=\"Codigo\" type=\"ean13\"\n"
            "         bar-height=\"8\" module=\"0.25\"/>"), 0,
            {Severity::Error, 6, QStringLiteral("EAN/UPC X-dimension 0.25 mm (2 dot(s) at 203 dpi) is under 80 % of the nominal 0.33 mm (0.264 mm)")}},
        BadDefinition{"FittedModuleUnder80Percent", labelPage(
            "<barcode x=\"2\" y=\"2\" width=\"40\" height=\"14\" field=\"Codigo\"\n"
            "         bar-height=\"8\"/>"), 0,
            {Severity::Error, 6, QStringLiteral("EAN/UPC X-dimension 0.25 mm (2 dot(s) at 203 dpi) is under 80 % of the nominal 0.33 mm (0.264 mm)")}},
        BadDefinition{"ModuleRoundedToWholeDots", labelPage(
            "<barcode x=\"2\" y=\"2\" width=\"46\" height=\"14\" field=\"Codigo\" type=\"ean13\"\n"
            "         bar-height=\"8\" module=\"0.33\"/>"), 0,
            {Severity::Warning, 6, QStringLiteral("module 0.33 mm is 2.64 dots at 203 dpi: printed as 3 dot(s), 0.375 mm")}},
        BadDefinition{"ModuleRoundedAtThePrintersResolution", labelPage(
            "<barcode x=\"2\" y=\"2\" width=\"46\" height=\"14\" field=\"Codigo\" type=\"ean13\"\n"
            "         bar-height=\"8\" module=\"0.375\"/>", ""), 300,
            {Severity::Warning, 6, QStringLiteral("module 0.375 mm is 4.43 dots at 300 dpi: printed as 4 dot(s), 0.339 mm")}},
        BadDefinition{"QuietZoneUnderText", labelPage(
            "<barcode x=\"2\" y=\"12\" width=\"46\" height=\"14\" field=\"Codigo\" module=\"0.375\"\n"
            "         bar-height=\"8\"/>\n"
            "<text x=\"1\" y=\"14\" width=\"4\" height=\"3\" size=\"6\">A</text>"), 0,
            {Severity::Error, 6, QStringLiteral("the quiet zones (11 modules left, 7 right, 4.129 mm and 2.628 mm) overlap the text on line 8")}},
        BadDefinition{"QuietZoneAcrossAFrame", labelPage(
            "<barcode x=\"4\" y=\"5\" width=\"42.4\" height=\"14\" field=\"Codigo\" module=\"0.375\"\n"
            "         bar-height=\"8\" quiet-zones=\"no\"/>\n"
            "<rect x=\"3\" y=\"4\" width=\"44\" height=\"16\" stroke=\"0.25\"/>"), 0,
            {Severity::Error, 6, QStringLiteral("the quiet zones (11 modules left, 7 right, 4.129 mm and 2.628 mm) overlap the rect on line 8")}},
        BadDefinition{"QuietZonePastTheLabelEdge", labelPage(
            "<barcode x=\"0\" y=\"2\" width=\"40\" height=\"14\" field=\"Codigo\" type=\"code128\" module=\"0.25\"\n"
            "         bar-height=\"8\" quiet-zones=\"no\" align=\"left\"/>"), 0,
            {Severity::Error, 6, QStringLiteral("the quiet zones (10 modules left, 10 right, 2.502 mm and 2.502 mm) reach past the edge of its label")}},
        BadDefinition{"BoxTooNarrowFor13Digits", labelPage(
            "<barcode x=\"2\" y=\"2\" width=\"15\" height=\"14\" field=\"Codigo\" type=\"code128\"\n"
            "         bar-height=\"8\" human-readable=\"no\"/>"), 0,
            {Severity::Error, 6, QStringLiteral("the bar-code box is too narrow: a code of 13 digits needs 17.893 mm at a module of 0.125 mm, the box is 15 mm")}},
        BadDefinition{"BarCodeDigitsTooSmall", labelPage(
            "<barcode x=\"2\" y=\"2\" width=\"46\" height=\"14\" field=\"Codigo\" type=\"code128\"\n"
            "         bar-height=\"8\" module=\"0.125\"/>"), 0,
            {Severity::Error, 6, QStringLiteral("the digits under the bars are 2.5 pt on a 203-dpi page: under 5 pt a thermal head cannot print them legibly")}},
        BadDefinition{"QrModuleUnderOneDot", labelPage(
            "<barcode x=\"2\" y=\"2\" width=\"20\" height=\"20\" field=\"Codigo\" type=\"qr\"\n"
            "         module=\"0.1\"/>"), 0,
            {Severity::Error, 6, QStringLiteral("module 0.1 mm is under one dot at 203 dpi (0.125 mm)")}},
        BadDefinition{"QrQuietZoneOverText", labelPage(
            "<barcode x=\"10\" y=\"5\" width=\"12\" height=\"12\" field=\"Codigo\" type=\"qr\"\n"
            "         module=\"0.375\" quiet-zones=\"no\"/>\n"
            "<text x=\"9\" y=\"6\" width=\"2\" height=\"3\" size=\"6\">A</text>"), 0,
            {Severity::Error, 6, QStringLiteral("the quiet zones (4 modules on each side, 1.501 mm) overlap the text on line 8")}},
        BadDefinition{"DataMatrixQuietZoneUnderTheLabelEdge", labelPage(
            "<barcode x=\"20\" y=\"27.2\" width=\"6\" height=\"2.8\" field=\"Codigo\" type=\"datamatrix\"\n"
            "         gs1-digital-link=\"yes\" module=\"0.125\" quiet-zones=\"no\"/>"), 0,
            {Severity::Error, 6, QStringLiteral("the quiet zones (1 module on each side, 0.125 mm) reach past the edge of its label")}},
        BadDefinition{"DataMatrixBoxTooLow", labelPage(
            "<barcode x=\"2\" y=\"2\" width=\"40\" height=\"2\" field=\"Codigo\" type=\"datamatrix\"/>"), 0,
            {Severity::Error, 6, QStringLiteral("the bar-code box is too low: a code of 13 digits needs 2.002 mm at a module of 0.125 mm, the box is 2 mm")}},
        BadDefinition{"DigitalLinkLiteralNotAGtin", labelPage(
            "<barcode x=\"2\" y=\"2\" width=\"20\" height=\"20\" type=\"qr\" gs1-digital-link=\"yes\">REF-10</barcode>"), 0,
            {Severity::Error, 6, QStringLiteral("the bar code cannot be encoded: A GS1 Digital Link needs a GTIN-13 of 13 digits: \"REF-10\"")}},
        BadDefinition{"GreyText", labelPage(
            "<text x=\"2\" y=\"2\" width=\"20\" height=\"3\" size=\"6\" color=\"#555555\">REF.</text>"), 0,
            {Severity::Error, 6, QStringLiteral("text in grey or colour (#555555) on a 203-dpi page: a thermal head prints black dots only")}},
        BadDefinition{"GreyTextForTheNamedPrinter", labelPage(
            "<text x=\"2\" y=\"2\" width=\"20\" height=\"3\" size=\"6\" color=\"silver\">REF.</text>", ""), 203,
            {Severity::Error, 6, QStringLiteral("text in grey or colour (#c0c0c0) on a 203-dpi page: a thermal head prints black dots only")}},
        BadDefinition{"ColouredLine", labelPage(
            "<line x1=\"2\" y1=\"5\" x2=\"48\" y2=\"5\" color=\"red\"/>"), 0,
            {Severity::Error, 6, QStringLiteral("line in grey or colour (#ff0000) on a 203-dpi page: a thermal head prints black dots only")}},
        BadDefinition{"GreyFill", labelPage(
            "<rect x=\"2\" y=\"2\" width=\"10\" height=\"5\" stroke=\"0\" fill=\"#eeeeee\"/>"), 0,
            {Severity::Error, 6, QStringLiteral("fill in grey or colour (#eeeeee) on a 203-dpi page: a thermal head prints black dots only")}},
        BadDefinition{"TextUnder5Points", labelPage(
            "<text x=\"2\" y=\"2\" width=\"20\" height=\"3\" size=\"4.5\">REF.</text>", "quality=\"300\""), 0,
            {Severity::Error, 6, QStringLiteral("text of 4.5 pt on a 300-dpi page: under 5 pt a thermal head cannot print it legibly")}},
        BadDefinition{"ItemOutsideItsLabel", labelPage(
            "<rect x=\"45\" y=\"2\" width=\"8\" height=\"5\"/>"), 0,
            {Severity::Error, 6, QStringLiteral("rect reaches outside its label (50 mm x 30 mm)")}},
        BadDefinition{"LabelsOutsideThePage", labelPage(
            "<text x=\"2\" y=\"2\" width=\"20\" height=\"3\" size=\"6\">REF.</text>", "quality=\"203\"",
            "columns=\"2\" label-width=\"24\" label-height=\"30\" column-gap=\"3\""), 0,
            {Severity::Error, 5, QStringLiteral("the labels reach outside the page: 2 x 1 labels end at 51 mm across and 30 mm down, "
                                                "the page has 50 mm x 30 mm inside its margins")}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(DefinitionCheck, GreyAndSmallTextAreFineForAnOfficePrinter)
{
    const QByteArray xml = labelPage("<text x=\"2\" y=\"2\" width=\"20\" height=\"3\" size=\"4\" color=\"#777777\">REF.</text>", "");
    EXPECT_TRUE(check(xml, 0).empty());
    EXPECT_TRUE(check(xml, 600).empty());
}

class ShippedDefinition : public ::testing::TestWithParam<QString>
{};

TEST_P(ShippedDefinition, PassesWithoutErrorsOrWarnings)
{
    QFile file(GetParam());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << GetParam().toStdString();
    for (int dpi : {0, 203, 600}) {
        if (dpi == 203 && GetParam().endsWith(QLatin1String("a4-3x10.rav")))
            continue;   // an office sheet, grey heading and all
        EXPECT_EQ(check(file.readAll(), dpi), std::vector<DefinitionFinding>{}) << dpi;
        file.seek(0);
    }
}

QStringList shippedDefinitions()
{
    QStringList files;
    for (const char* dir : {"/Relatorios", "/examples/definitions"})
        for (const QFileInfo& f : QDir(QStringLiteral(QUORVEL_SOURCE_DIR) + QLatin1String(dir)).entryInfoList({QStringLiteral("*.rav")}))
            files << f.absoluteFilePath();
    return files;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ShippedDefinition, ::testing::ValuesIn(shippedDefinitions()),
    [](const auto& row) {
        std::string name = QFileInfo(row.param).completeBaseName().toStdString();
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

} // namespace
