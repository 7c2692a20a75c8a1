#include "EngineFixtures.h"

#include "report/engine/BarcodeEncoder.h"
#include "report/engine/DefinitionReader.h"
#include "report/engine/DeviceGrid.h"
#include "report/engine/PageBuilder.h"
#include "report/engine/TextMeasure.h"
#include "report/outputs/PageDump.h"
#include "report/outputs/RenderPdf.h"
#include "support/HeadlessUi.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

using namespace quorvel;
using namespace quorvel::report;
using namespace quorvel::report::testing;

namespace {

/// The options symbolPage draws with.
BarcodeOptions optionsOf(const char* type, bool digitalLink = false)
{
    BarcodeOptions o;
    o.symbology = symbologyNamed(QLatin1String(type));
    o.barHeightMm = 12;
    o.humanReadable = o.symbology->text;
    o.gs1DigitalLink = digitalLink;
    return o;
}

/// One page holding `data` as a symbol in a box of `boxWidthMm`.
PageDescription symbolPage(const BarcodeOptions& options, const QString& data, double boxWidthMm, double moduleMm = 0, int dpi = 203)
{
    PageDescription doc;
    HeadlessUi ui;
    PageBuilder builder(doc, ui);
    builder.setDpi(dpi);
    BarcodeDef def;
    def.box = Box{Length::fromMm(5), Length::fromMm(5), Length::fromMm(boxWidthMm), Length::fromMm(20)};
    def.source = Source::Literal;
    def.value = data;
    def.options = options;
    def.options.moduleMm = moduleMm;
    doc.pages.push_back(Page{Length::fromMm(boxWidthMm + 10).pt(), Length::fromMm(30).pt(), {}});
    builder.draw(doc.pages.back(), def, Length(), Length(), [](Source, const QString& v) { return v; });
    return doc;
}

struct ScanCase
{
    const char* name;
    const char* type;   ///< the definition's type="..."
    QString data;
    QString decoded;   ///< as zbarimg reports it
};

void PrintTo(const ScanCase& c, std::ostream* os) { *os << c.name; }

class BarcodeScan : public ::testing::TestWithParam<std::tuple<ScanCase, int>>
{};

TEST_P(BarcodeScan, DecodesToTheSameData)
{
    const auto& [c, dpi] = GetParam();
    PageDescription doc = symbolPage(optionsOf(c.type), c.data, 60);
    ASSERT_EQ(doc.symbols.size(), 1u);
    ASSERT_TRUE(doc.symbols[0].error.isEmpty()) << doc.symbols[0].error.toStdString();
    EXPECT_EQ(barcodeError(optionsOf(c.type), c.data), QString()) << "the check before a run agrees";
    EXPECT_EQ(zbarDecode(rasterPage(doc, 0, dpi)), QStringList{c.decoded});
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, BarcodeScan,
    ::testing::Combine(
        ::testing::Values(
            ScanCase{"Code128", "code128", QStringLiteral("REF-10 a/b"), QStringLiteral("CODE-128:REF-10 a/b")},
            ScanCase{"Code39", "code39", QStringLiteral("ABC-123"), QStringLiteral("CODE-39:ABC-123")},
            ScanCase{"Ean13Given", "ean13", QStringLiteral("7891234567895"), QStringLiteral("EAN-13:7891234567895")},
            ScanCase{"Ean13CheckAdded", "ean13", QStringLiteral("789123456789"), QStringLiteral("EAN-13:7891234567895")},
            ScanCase{"Ean8", "ean8", QStringLiteral("9638507"), QStringLiteral("EAN-8:96385074")},
            ScanCase{"UpcA", "upca", QStringLiteral("03600029145"), QStringLiteral("UPC-A:036000291452")},
            ScanCase{"UpcE", "upce", QStringLiteral("0123456"), QStringLiteral("UPC-E:01234565")},
            ScanCase{"Interleaved2of5", "itf", QStringLiteral("12345678"), QStringLiteral("I2/5:12345678")},
            ScanCase{"AutoDigitsGiveEan13", "auto", QStringLiteral("7891234567895"), QStringLiteral("EAN-13:7891234567895")},
            ScanCase{"AutoOtherGivesCode128", "auto", QStringLiteral("78912345"), QStringLiteral("CODE-128:78912345")}),
        ::testing::Values(203, 300)),
    [](const auto& row) { return std::string(std::get<0>(row.param).name) + "_" + std::to_string(std::get<1>(row.param)) + "dpi"; });

TEST(Barcode, PostNetHasFrameBarsAndFiveBarsPerDigitInTwoHeights)
{
    // zbarimg cannot read PostNet: its structure is checked instead.
    PageDescription doc = symbolPage(optionsOf("postnet"), QStringLiteral("12345"), 60);
    const Symbol& s = doc.symbols.at(0);
    ASSERT_TRUE(s.error.isEmpty()) << s.error.toStdString();
    ASSERT_EQ(s.bars.size(), 2u + 6u * 5u);   // frame bars, five digits and the check digit
    std::set<long> heights;
    for (const auto& b : s.bars)
        heights.insert(std::lround(b.heightPt * 100));
    EXPECT_EQ(heights.size(), 2u);
    // digit 1 is 00011: three short bars then two tall ones, after the tall frame bar
    std::vector<Symbol::Bar> bars = s.bars;
    std::sort(bars.begin(), bars.end(), [](const auto& a, const auto& b) { return a.xPt < b.xPt; });
    const double tall = bars[0].heightPt;
    std::string pattern;
    for (std::size_t i = 1; i <= 5; ++i)
        pattern += bars[i].heightPt == tall ? '1' : '0';
    EXPECT_EQ(pattern, "00011");
}

TEST(Barcode, ModulesAreNeverNarrowerThanOnePrinterDot)
{
    PageDescription doc = symbolPage(optionsOf("code128"), QStringLiteral("A VERY LONG REFERENCE 1234567890"), 10);
    const Symbol& s = doc.symbols.at(0);
    ASSERT_TRUE(s.error.isEmpty());
    double narrowest = 1e9;
    for (const auto& b : s.bars)
        narrowest = std::min(narrowest, b.widthPt);
    EXPECT_NEAR(narrowest, dotPt(203), 1e-9);
}

// Every edge of a symbol lies on the dot grid of the page's resolution, measured from the page's
// origin, wherever the box stands; a module that is not whole dots is rounded to the nearest.
struct GridCase
{
    const char* name;
    const char* type;   ///< the definition's type="..."
    QString data;
    double moduleMm;
    int dpi;
    int moduleDots;   ///< the narrowest bar, as printed
};

void PrintTo(const GridCase& c, std::ostream* os) { *os << c.name; }

class BarcodeOnDotGrid : public ::testing::TestWithParam<GridCase>
{};

TEST_P(BarcodeOnDotGrid, EveryEdgeAndHeightIsWholeDotsFromThePageOrigin)
{
    const GridCase& c = GetParam();
    PageDescription doc;
    HeadlessUi ui;
    PageBuilder builder(doc, ui);
    builder.setDpi(c.dpi);
    BarcodeDef def;
    def.box = Box{Length::fromMm(3.3), Length::fromMm(7.77), Length::fromMm(45), Length::fromMm(12.4)};
    def.source = Source::Literal;
    def.value = c.data;
    def.options.symbology = symbologyNamed(QLatin1String(c.type));
    def.options.barHeightMm = 9.1;
    def.options.moduleMm = c.moduleMm;
    doc.pages.push_back(Page{Length::fromMm(60).pt(), Length::fromMm(30).pt(), {}});
    builder.draw(doc.pages.back(), def, Length::fromPt(1.234), Length::fromPt(0.5), [](Source, const QString& v) { return v; });
    const auto& item = std::get<SymbolItem>(doc.pages.back().items.at(0));
    const Symbol& s = doc.symbols.at(item.symbol);
    ASSERT_TRUE(s.error.isEmpty()) << s.error.toStdString();
    const double dot = dotPt(c.dpi);
    auto whole = [dot](double pt) { return std::abs(pt / dot - std::round(pt / dot)) < 1e-6; };
    EXPECT_TRUE(whole(item.xPt) && whole(item.yPt)) << item.xPt << "," << item.yPt;
    double narrowest = 1e9;
    for (const auto& b : s.bars) {
        EXPECT_TRUE(whole(item.xPt + b.xPt) && whole(item.xPt + b.xPt + b.widthPt)) << b.xPt << " " << b.widthPt;
        EXPECT_TRUE(whole(item.yPt + b.yPt) && whole(item.yPt + b.yPt + b.heightPt)) << b.yPt << " " << b.heightPt;
        narrowest = std::min(narrowest, b.widthPt);
    }
    EXPECT_EQ(std::lround(narrowest / dot), c.moduleDots);
    EXPECT_TRUE(whole(s.widthPt));
    EXPECT_EQ(zbarDecode(rasterPage(doc, 0, c.dpi)).size(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Resolutions, BarcodeOnDotGrid,
    ::testing::Values(
        GridCase{"Ean13FitsTheBoxAt203", "ean13", QStringLiteral("7891234000019"), 0, 203, 3},
        GridCase{"Ean13ModuleRoundedUpAt203", "ean13", QStringLiteral("7891234000019"), 0.33, 203, 3},
        GridCase{"Ean13ModuleRoundedDownAt300", "ean13", QStringLiteral("7891234000019"), 0.36, 300, 4},
        GridCase{"Code128FitsTheBoxAt600", "code128", QStringLiteral("CM-204-AZUL"), 0, 600, 6},
        GridCase{"Code128ModuleBelowOneDotPrintsOne", "code128", QStringLiteral("CM-204"), 0.05, 203, 1},
        GridCase{"Code39At203", "code39", QStringLiteral("CM-204"), 0.25, 203, 2}),
    [](const auto& row) { return std::string(row.param.name); });

struct BadCase
{
    const char* name;
    const char* type;   ///< the definition's type="..."
    QString data;
    QString error;
    bool digitalLink = false;
};

void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }

class BarcodeRefused : public ::testing::TestWithParam<BadCase>
{};

TEST_P(BarcodeRefused, ShowsAMarkedBoxWithTheErrorAndNothingScans)
{
    const BadCase& c = GetParam();
    PageDescription doc = symbolPage(optionsOf(c.type, c.digitalLink), c.data, 60);
    const Symbol& s = doc.symbols.at(0);
    EXPECT_EQ(s.error, c.error);
    EXPECT_EQ(barcodeError(optionsOf(c.type, c.digitalLink), c.data), c.error) << "the check before a run finds the same";
    EXPECT_TRUE(s.bars.empty());
    EXPECT_NEAR(s.widthPt, Length::fromMm(60).pt(), 1e-9);
    EXPECT_TRUE(zbarDecode(rasterPage(doc, 0, 300)).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    BadData, BarcodeRefused,
    ::testing::Values(
        BadCase{"EanWithLetters", "ean13", QStringLiteral("78912345678A"), QStringLiteral("EAN-13 needs 12 or 13 digits: \"78912345678A\"")},
        BadCase{"EanWrongCheckDigit", "ean13", QStringLiteral("7891234567890"), QStringLiteral("Error 275: Invalid check digit '0', expecting '5'")},
        BadCase{"AutoWrongCheckDigit", "auto", QStringLiteral("7891234567890"), QStringLiteral("Error 275: Invalid check digit '0', expecting '5'")},
        BadCase{"Ean8NotPaddedToEan13", "ean13", QStringLiteral("96385074"), QStringLiteral("EAN-13 needs 12 or 13 digits: \"96385074\"")},
        BadCase{"Ean8WrongLength", "ean8", QStringLiteral("12345"), QStringLiteral("EAN-8 needs 7 or 8 digits: \"12345\"")},
        BadCase{"Ean8WrongCheckDigit", "ean8", QStringLiteral("96385070"), QStringLiteral("Error 276: Invalid check digit '0', expecting '4'")},
        BadCase{"UpcAWrongLength", "upca", QStringLiteral("123"), QStringLiteral("UPC-A needs 11 or 12 digits: \"123\"")},
        BadCase{"UpcENumberSystem", "upce", QStringLiteral("2123456"), QStringLiteral("UPC-E number system must be 0 or 1: \"2123456\"")},
        BadCase{"Code39NotUpperCased", "code39", QStringLiteral("abc"), QStringLiteral("Code 39 cannot encode 'a' in \"abc\"")},
        BadCase{"ItfOddLengthNotPadded", "itf", QStringLiteral("12345"), QStringLiteral("Interleaved 2 of 5 needs an even number of digits: \"12345\"")},
        BadCase{"PostNetOddLength", "postnet", QStringLiteral("123456"), QStringLiteral("PostNet needs 5, 9 or 11 digits: \"123456\"")},
        BadCase{"Code128BeyondLatin1", "code128", QStringLiteral("A\u20acB"), QStringLiteral("Code 128 cannot encode '\u20ac' in \"A\u20acB\"")},
        BadCase{"NoData", "auto", QString(), QStringLiteral("No bar code data")},
        BadCase{"QrBeyondLatin1", "qr", QStringLiteral("A\u20acB"), QStringLiteral("QR Code cannot encode '\u20ac' in \"A\u20acB\"")},
        BadCase{"DigitalLinkOf12Digits", "qr", QStringLiteral("789123456789"),
                QStringLiteral("A GS1 Digital Link needs a GTIN-13 of 13 digits: \"789123456789\""), true},
        BadCase{"DigitalLinkWrongCheckDigit", "datamatrix", QStringLiteral("7891234567890"),
                QStringLiteral("A GS1 Digital Link needs a valid GTIN-13: check digit '0' in \"7891234567890\", expecting '5'"), true},
        BadCase{"DigitalLinkOfLetters", "datamatrix", QStringLiteral("REF-10"),
                QStringLiteral("A GS1 Digital Link needs a GTIN-13 of 13 digits: \"REF-10\""), true}),
    [](const auto& row) { return std::string(row.param.name); });

// Layout decides the error box once, as items the outputs draw like any other: a frame at the
// symbol's place and the error wrapped inside it, a word too long for the box cut, lines past
// its bottom left out.
TEST(BarcodeErrorBox, LaidOutAsAFrameAndWrappedLinesInsideIt)
{
    PageDescription doc = symbolPage(optionsOf("code128"), QStringLiteral("REF-\u0100-00000000000000000000000000"), 28);
    EXPECT_EQ(dumpPage(doc, 0), QStringLiteral(
        "page 107.72 x 85.04\n"
        "symbol 14.19,14.19 79.37x56.69 error \"Code 128 cannot encode '\u0100' in \"REF-\u0100-00000000000000000000000000\"\"\n"
        "rect 14.69,14.69 78.37x55.69 stroke 1.00 #000000 fill #ffffff\n"
        "text 16.19,21.62 [Helvetica 6] #000000 \"Bar code error: Code 128\"\n"
        "text 16.19,28.52 [Helvetica 6] #000000 \"cannot encode '\u0100' in\"\n"
        "text 16.19,35.42 [Helvetica 6] #000000 \"\"REF-\u0100-000000000000000\"\n"
        "text 16.19,42.32 [Helvetica 6] #000000 \"00000000000\"\"\n"));
    // Every line stays inside the frame, 2 pt from it.
    const auto& at = std::get<SymbolItem>(doc.pages[0].items.at(0));
    const Symbol& s = doc.symbols.at(at.symbol);
    TextMeasure measure;
    for (const PageItem& item : doc.pages[0].items)
        if (const auto* t = std::get_if<TextItem>(&item)) {
            const FontSpec& f = doc.fonts.at(t->font);
            EXPECT_LE(t->xPt + measure.widthPt(f, t->text), at.xPt + s.widthPt - 2) << t->text.toStdString();
            EXPECT_LE(t->baselinePt + measure.descentPt(f), at.yPt + s.heightPt - 1) << t->text.toStdString();
        }
}

TEST(BarcodeErrorBox, LinesBelowTheBoxAreLeftOutButTheFirstStays)
{
    PageDescription doc;
    HeadlessUi ui;
    PageBuilder builder(doc, ui);
    BarcodeDef def;
    def.box = Box{Length(), Length(), Length::fromMm(15), Length::fromMm(3)};
    def.source = Source::Literal;
    def.value = QStringLiteral("12");
    def.options = optionsOf("ean13");
    doc.pages.push_back(Page{});
    builder.draw(doc.pages.back(), def, Length(), Length(), [](Source, const QString& v) { return v; });
    EXPECT_EQ(dumpPage(doc, 0), QStringLiteral(
        "page 595.28 x 841.89\n"
        "symbol 0.00,0.00 42.52x8.50 error \"EAN-13 needs 12 or 13 digits: \"12\"\"\n"
        "rect 0.50,0.50 41.52x7.50 stroke 1.00 #000000 fill #ffffff\n"
        "text 2.00,7.43 [Helvetica 6] #000000 \"Bar code\"\n"));
}

// Every row's sample is the code check-definition tries a field's bar code with: it must encode.
class EverySymbology : public ::testing::TestWithParam<const Symbology*>
{};

TEST_P(EverySymbology, EncodesTheCodeCheckDefinitionTriesItWith)
{
    const Symbology& row = *GetParam();
    EXPECT_EQ(symbologyNamed(QLatin1String(row.name)), &row) << "one row per name";
    BarcodeOptions o;
    o.symbology = &row;
    o.humanReadable = row.text;
    const QString sample = QString::fromLatin1(row.sample);
    EXPECT_EQ(barcodeError(o, sample), QString());
    const PageDescription doc = symbolPage(o, sample, 80);
    const Symbol& s = doc.symbols.at(0);
    ASSERT_TRUE(s.error.isEmpty()) << s.error.toStdString();
    EXPECT_FALSE(s.bars.empty());
    if (!row.text) {
        EXPECT_TRUE(s.captions.empty());
    }
    if (row.shape == Symbology::Shape::Matrix) {
        EXPECT_DOUBLE_EQ(s.widthPt, s.heightPt);
    }
}

std::vector<const Symbology*> everyRow()
{
    std::vector<const Symbology*> rows;
    for (const Symbology& s : symbologies())
        rows.push_back(&s);
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Rows, EverySymbology, ::testing::ValuesIn(everyRow()),
                         [](const auto& row) { return std::string(row.param->name); });

/// What a scanner reads in the picture `png`: zbarimg for QR, dmtxread for Data Matrix.
QStringList scanMatrix(const QString& type, const QString& png)
{
    QProcess scanner;
    if (type == u"qr")
        scanner.start(QStringLiteral("zbarimg"), {QStringLiteral("--quiet"), QStringLiteral("--raw"), QStringLiteral("-S*.enable=0"),
                                                  QStringLiteral("-Sqrcode.enable"), png});
    else
        scanner.start(QStringLiteral("dmtxread"), {QStringLiteral("--newline"), QStringLiteral("--milliseconds=20000"), png});
    if (!scanner.waitForFinished(30000)) {
        scanner.kill();
        scanner.waitForFinished();
        return {QStringLiteral("(the scanner did not finish)")};
    }
    QStringList out;
    for (const QString& line : QString::fromUtf8(scanner.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts))
        out << line.trimmed();
    return out;
}

// 2-D codes from a definition: the painter's picture and the PDF both scan, the symbol square,
// its modules whole dots on the page's grid, one bar per run of dark modules in a row.
struct MatrixCase
{
    const char* name;
    const char* attributes;   ///< of the <barcode> element
    QString code;             ///< the label's Codigo
    int dpi;
    QString decoded;
};

void PrintTo(const MatrixCase& c, std::ostream* os) { *os << c.name; }

class MatrixFromDefinition : public ::testing::TestWithParam<MatrixCase>
{};

TEST_P(MatrixFromDefinition, ScansOnThePaintedPageAndInThePdf)
{
    const MatrixCase& c = GetParam();
    HeadlessUi ui;
    const Definition definition = readDefinition(
        definitionXml(QStringLiteral("<data-view name=\"V\" connection=\"RvDataSetConnection1\"/>\n"
                                     "<report name=\"R\"><page size=\"custom\" width=\"40\" height=\"40\">\n"
                                     "<labels view=\"V\" label-width=\"40\" label-height=\"40\">\n"
                                     "<barcode x=\"4.3\" y=\"5.1\" width=\"30\" height=\"30\" field=\"Codigo\" %1/>\n"
                                     "</labels></page></report>")
                          .arg(QLatin1String(c.attributes))),
        QStringLiteral("/tmp/matrix.rav"), ui);
    const auto& page = std::get<PageDef>(definition.reports.at(0).pages.at(0).page);
    const auto& def = std::get<BarcodeDef>(page.region->items.at(0));
    const QString type = QLatin1String(def.options.symbology->name);

    PageDescription doc;
    PageBuilder builder(doc, ui);
    builder.setDpi(c.dpi);
    doc.pages.push_back(Page{Length::fromMm(40).pt(), Length::fromMm(40).pt(), {}});
    builder.draw(doc.pages.back(), def, Length::fromPt(0.37), Length::fromPt(0.21), [&](Source, const QString&) { return c.code; });
    const auto& item = std::get<SymbolItem>(doc.pages.back().items.at(0));
    const Symbol& s = doc.symbols.at(item.symbol);
    ASSERT_TRUE(s.error.isEmpty()) << s.error.toStdString();
    EXPECT_TRUE(s.captions.empty());
    EXPECT_DOUBLE_EQ(s.widthPt, s.heightPt);

    const double dot = dotPt(c.dpi);
    auto whole = [dot](double pt) { return std::abs(pt / dot - std::round(pt / dot)) < 1e-6; };
    ASSERT_FALSE(s.bars.empty());
    const double module = s.bars.front().heightPt;
    EXPECT_TRUE(whole(module) && module > 0) << module;
    std::vector<Symbol::Bar> bars = s.bars;
    std::sort(bars.begin(), bars.end(), [](const auto& a, const auto& b) { return std::tie(a.yPt, a.xPt) < std::tie(b.yPt, b.xPt); });
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const auto& b = bars[i];
        EXPECT_DOUBLE_EQ(b.heightPt, module);
        EXPECT_TRUE(whole(item.xPt + b.xPt) && whole(item.yPt + b.yPt)) << b.xPt << "," << b.yPt;
        EXPECT_NEAR(std::remainder(b.widthPt, module), 0, 1e-6) << b.widthPt;
        if (i > 0 && bars[i - 1].yPt == b.yPt) {
            EXPECT_GT(b.xPt, bars[i - 1].xPt + bars[i - 1].widthPt + 1e-6) << "a run of a row cut in two at " << b.xPt << "," << b.yPt;
        }
    }

    QTemporaryDir dir;
    const QString painted = dir.filePath(QStringLiteral("painted.png"));
    ASSERT_TRUE(rasterPage(doc, 0, c.dpi).save(painted));
    EXPECT_EQ(scanMatrix(type, painted), QStringList{c.decoded}) << "painted";

    const QString pdf = dir.filePath(QStringLiteral("label.pdf"));
    RenderPdf().write(doc, pdf);
    QProcess render;
    render.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(c.dpi), QStringLiteral("-png"), QStringLiteral("-singlefile"),
                                              pdf, dir.filePath(QStringLiteral("rendered"))});
    ASSERT_TRUE(render.waitForFinished(30000) && render.exitCode() == 0) << render.readAllStandardError().toStdString();
    EXPECT_EQ(scanMatrix(type, dir.filePath(QStringLiteral("rendered.png"))), QStringList{c.decoded}) << "from the PDF";
}

INSTANTIATE_TEST_SUITE_P(
    Codes, MatrixFromDefinition,
    ::testing::Values(
        MatrixCase{"QrDigitalLinkFitsTheBoxAt203", "type=\"qr\" gs1-digital-link=\"yes\"", QStringLiteral("7891234567895"), 203,
                   QStringLiteral("https://id.gs1.org/01/07891234567895")},
        MatrixCase{"QrTextModuleGivenAt300", "type=\"qr\" module=\"0.5\"", QStringLiteral("REF-10 AZUL/P"), 300, QStringLiteral("REF-10 AZUL/P")},
        MatrixCase{"QrOneDotModulesAt203", "type=\"qr\" module=\"0.125\"", QStringLiteral("CM-204"), 203, QStringLiteral("CM-204")},
        MatrixCase{"DataMatrixDigitalLinkAt203", "type=\"datamatrix\" gs1-digital-link=\"yes\" module=\"0.5\"",
                   QStringLiteral("7891234000019"), 203, QStringLiteral("https://id.gs1.org/01/07891234000019")},
        MatrixCase{"DataMatrixTextFitsTheBoxAt300", "type=\"DataMatrix\"", QStringLiteral("CM-204-AZUL"), 300, QStringLiteral("CM-204-AZUL")}),
    [](const auto& row) { return std::string(row.param.name); });

// The module of a 2-D code: the largest whole number of dots whose symbol, quiet zones and all,
// fits the box on both sides; the quiet zones are the symbol's own margins.
struct MatrixFit
{
    const char* name;
    const char* type;
    bool quietZones;
    double boxWidthMm, boxHeightMm;
    int dpi;
    int moduleDots;
    int quietModules;   ///< on each side
};

void PrintTo(const MatrixFit& c, std::ostream* os) { *os << c.name; }

class MatrixModule : public ::testing::TestWithParam<MatrixFit>
{};

TEST_P(MatrixModule, IsTheLargestWholeDotsThatFitAndTheQuietZonesAreItsMargins)
{
    const MatrixFit& c = GetParam();
    BarcodeOptions o = optionsOf(c.type);
    o.quietZones = c.quietZones;
    TextMeasure measure;
    const EncodedSymbol e = encodeBarcode(QStringLiteral("7891234567895"), o, Length::fromMm(c.boxWidthMm).pt(),
                                          Length::fromMm(c.boxHeightMm).pt(), c.dpi, measure);
    const Symbol& s = e.symbol;
    ASSERT_TRUE(s.error.isEmpty()) << s.error.toStdString();
    EXPECT_EQ(e.moduleDots, c.moduleDots);
    const double module = c.moduleDots * dotPt(c.dpi);
    double left = 1e9, top = 1e9, right = 0, bottom = 0;
    for (const auto& b : s.bars) {
        EXPECT_NEAR(b.heightPt, module, 1e-9);
        left = std::min(left, b.xPt);
        top = std::min(top, b.yPt);
        right = std::max(right, b.xPt + b.widthPt);
        bottom = std::max(bottom, b.yPt + b.heightPt);
    }
    EXPECT_NEAR(left, c.quietModules * module, 1e-9);
    EXPECT_NEAR(top, c.quietModules * module, 1e-9);
    EXPECT_NEAR(s.widthPt - right, c.quietModules * module, 1e-9);
    EXPECT_NEAR(s.heightPt - bottom, c.quietModules * module, 1e-9);
    const double boxPt = Length::fromMm(std::min(c.boxWidthMm, c.boxHeightMm)).pt();
    EXPECT_LE(s.widthPt, boxPt + 1e-9);
    EXPECT_GT(s.widthPt / c.moduleDots * (c.moduleDots + 1), boxPt) << "a module of one dot more would fit";
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, MatrixModule,
    ::testing::Values(
        MatrixFit{"QrInAWideBoxFitsItsHeight", "qr", true, 40, 15, 203, 4, 4},
        MatrixFit{"QrInATallBoxFitsItsWidth", "qr", true, 15, 40, 300, 6, 4},
        MatrixFit{"QrWithoutQuietZones", "qr", false, 15, 40, 203, 5, 0},
        MatrixFit{"DataMatrixSquareAt300", "datamatrix", true, 20, 20, 300, 14, 1},
        MatrixFit{"DataMatrixWithoutQuietZones", "datamatrix", false, 20, 20, 300, 16, 0}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
