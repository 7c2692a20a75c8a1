#include "EngineFixtures.h"

#include "report/engine/BarcodeEncoder.h"
#include "report/engine/DeviceGrid.h"
#include "report/engine/PageBuilder.h"
#include "report/engine/TextMeasure.h"
#include "report/outputs/PageDump.h"
#include "support/HeadlessUi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

using namespace quorvel;
using namespace quorvel::report;
using namespace quorvel::report::testing;

namespace {

/// One page holding `data` as a symbol of `kind` in a box of `boxWidthMm`.
/// The options symbolPage draws with.
BarcodeOptions optionsOf(BarcodeKind kind)
{
    BarcodeOptions o;
    o.kind = kind;
    o.barHeightMm = 12;
    return o;
}

PageDescription symbolPage(BarcodeKind kind, const QString& data, double boxWidthMm, double moduleMm = 0, int dpi = 203)
{
    PageDescription doc;
    HeadlessUi ui;
    PageBuilder builder(doc, ui);
    builder.setDpi(dpi);
    BarcodeDef def;
    def.box = Box{Length::fromMm(5), Length::fromMm(5), Length::fromMm(boxWidthMm), Length::fromMm(20)};
    def.source = Source::Literal;
    def.value = data;
    def.options.kind = kind;
    def.options.barHeightMm = 12;
    def.options.moduleMm = moduleMm;
    doc.pages.push_back(Page{Length::fromMm(boxWidthMm + 10).pt(), Length::fromMm(30).pt(), {}});
    builder.draw(doc.pages.back(), def, Length(), Length(), [](Source, const QString& v) { return v; });
    return doc;
}

struct ScanCase
{
    const char* name;
    BarcodeKind kind;
    QString data;
    QString decoded;   ///< as zbarimg reports it
};

void PrintTo(const ScanCase& c, std::ostream* os) { *os << c.name; }

class BarcodeScan : public ::testing::TestWithParam<std::tuple<ScanCase, int>>
{};

TEST_P(BarcodeScan, DecodesToTheSameData)
{
    const auto& [c, dpi] = GetParam();
    PageDescription doc = symbolPage(c.kind, c.data, 60);
    ASSERT_EQ(doc.symbols.size(), 1u);
    ASSERT_TRUE(doc.symbols[0].error.isEmpty()) << doc.symbols[0].error.toStdString();
    EXPECT_EQ(barcodeError(optionsOf(c.kind), c.data), QString()) << "the check before a run agrees";
    EXPECT_EQ(zbarDecode(rasterPage(doc, 0, dpi)), QStringList{c.decoded});
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, BarcodeScan,
    ::testing::Combine(
        ::testing::Values(
            ScanCase{"Code128", BarcodeKind::Code128, QStringLiteral("REF-10 a/b"), QStringLiteral("CODE-128:REF-10 a/b")},
            ScanCase{"Code39", BarcodeKind::Code39, QStringLiteral("ABC-123"), QStringLiteral("CODE-39:ABC-123")},
            ScanCase{"Ean13Given", BarcodeKind::Ean13, QStringLiteral("7891234567895"), QStringLiteral("EAN-13:7891234567895")},
            ScanCase{"Ean13CheckAdded", BarcodeKind::Ean13, QStringLiteral("789123456789"), QStringLiteral("EAN-13:7891234567895")},
            ScanCase{"Ean8", BarcodeKind::Ean8, QStringLiteral("9638507"), QStringLiteral("EAN-8:96385074")},
            ScanCase{"UpcA", BarcodeKind::UpcA, QStringLiteral("03600029145"), QStringLiteral("UPC-A:036000291452")},
            ScanCase{"UpcE", BarcodeKind::UpcE, QStringLiteral("0123456"), QStringLiteral("UPC-E:01234565")},
            ScanCase{"Interleaved2of5", BarcodeKind::Interleaved2of5, QStringLiteral("12345678"), QStringLiteral("I2/5:12345678")},
            ScanCase{"AutoDigitsGiveEan13", BarcodeKind::Auto, QStringLiteral("7891234567895"), QStringLiteral("EAN-13:7891234567895")},
            ScanCase{"AutoOtherGivesCode128", BarcodeKind::Auto, QStringLiteral("78912345"), QStringLiteral("CODE-128:78912345")}),
        ::testing::Values(203, 300)),
    [](const auto& row) { return std::string(std::get<0>(row.param).name) + "_" + std::to_string(std::get<1>(row.param)) + "dpi"; });

TEST(Barcode, PostNetHasFrameBarsAndFiveBarsPerDigitInTwoHeights)
{
    // zbarimg cannot read PostNet: its structure is checked instead.
    PageDescription doc = symbolPage(BarcodeKind::PostNet, QStringLiteral("12345"), 60);
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
    PageDescription doc = symbolPage(BarcodeKind::Code128, QStringLiteral("A VERY LONG REFERENCE 1234567890"), 10);
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
    BarcodeKind kind;
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
    def.options.kind = c.kind;
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
        GridCase{"Ean13FitsTheBoxAt203", BarcodeKind::Ean13, QStringLiteral("7891234000019"), 0, 203, 3},
        GridCase{"Ean13ModuleRoundedUpAt203", BarcodeKind::Ean13, QStringLiteral("7891234000019"), 0.33, 203, 3},
        GridCase{"Ean13ModuleRoundedDownAt300", BarcodeKind::Ean13, QStringLiteral("7891234000019"), 0.36, 300, 4},
        GridCase{"Code128FitsTheBoxAt600", BarcodeKind::Code128, QStringLiteral("CM-204-AZUL"), 0, 600, 6},
        GridCase{"Code128ModuleBelowOneDotPrintsOne", BarcodeKind::Code128, QStringLiteral("CM-204"), 0.05, 203, 1},
        GridCase{"Code39At203", BarcodeKind::Code39, QStringLiteral("CM-204"), 0.25, 203, 2}),
    [](const auto& row) { return std::string(row.param.name); });

struct BadCase
{
    const char* name;
    BarcodeKind kind;
    QString data;
    QString error;
};

void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }

class BarcodeRefused : public ::testing::TestWithParam<BadCase>
{};

TEST_P(BarcodeRefused, ShowsAMarkedBoxWithTheErrorAndNothingScans)
{
    const BadCase& c = GetParam();
    PageDescription doc = symbolPage(c.kind, c.data, 60);
    const Symbol& s = doc.symbols.at(0);
    EXPECT_EQ(s.error, c.error);
    EXPECT_EQ(barcodeError(optionsOf(c.kind), c.data), c.error) << "the check before a run finds the same";
    EXPECT_TRUE(s.bars.empty());
    EXPECT_NEAR(s.widthPt, Length::fromMm(60).pt(), 1e-9);
    EXPECT_TRUE(zbarDecode(rasterPage(doc, 0, 300)).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    BadData, BarcodeRefused,
    ::testing::Values(
        BadCase{"EanWithLetters", BarcodeKind::Ean13, QStringLiteral("78912345678A"), QStringLiteral("EAN-13 needs 12 or 13 digits: \"78912345678A\"")},
        BadCase{"EanWrongCheckDigit", BarcodeKind::Ean13, QStringLiteral("7891234567890"), QStringLiteral("Error 275: Invalid check digit '0', expecting '5'")},
        BadCase{"AutoWrongCheckDigit", BarcodeKind::Auto, QStringLiteral("7891234567890"), QStringLiteral("Error 275: Invalid check digit '0', expecting '5'")},
        BadCase{"Ean8NotPaddedToEan13", BarcodeKind::Ean13, QStringLiteral("96385074"), QStringLiteral("EAN-13 needs 12 or 13 digits: \"96385074\"")},
        BadCase{"Ean8WrongLength", BarcodeKind::Ean8, QStringLiteral("12345"), QStringLiteral("EAN-8 needs 7 or 8 digits: \"12345\"")},
        BadCase{"Ean8WrongCheckDigit", BarcodeKind::Ean8, QStringLiteral("96385070"), QStringLiteral("Error 276: Invalid check digit '0', expecting '4'")},
        BadCase{"UpcAWrongLength", BarcodeKind::UpcA, QStringLiteral("123"), QStringLiteral("UPC-A needs 11 or 12 digits: \"123\"")},
        BadCase{"UpcENumberSystem", BarcodeKind::UpcE, QStringLiteral("2123456"), QStringLiteral("UPC-E number system must be 0 or 1: \"2123456\"")},
        BadCase{"Code39NotUpperCased", BarcodeKind::Code39, QStringLiteral("abc"), QStringLiteral("Code 39 cannot encode 'a' in \"abc\"")},
        BadCase{"ItfOddLengthNotPadded", BarcodeKind::Interleaved2of5, QStringLiteral("12345"), QStringLiteral("Interleaved 2 of 5 needs an even number of digits: \"12345\"")},
        BadCase{"PostNetOddLength", BarcodeKind::PostNet, QStringLiteral("123456"), QStringLiteral("PostNet needs 5, 9 or 11 digits: \"123456\"")},
        BadCase{"Code128BeyondLatin1", BarcodeKind::Code128, QStringLiteral("A\u20acB"), QStringLiteral("Code 128 cannot encode '\u20ac' in \"A\u20acB\"")},
        BadCase{"NoData", BarcodeKind::Auto, QString(), QStringLiteral("No bar code data")}),
    [](const auto& row) { return std::string(row.param.name); });

// Layout decides the error box once, as items the outputs draw like any other: a frame at the
// symbol's place and the error wrapped inside it, a word too long for the box cut, lines past
// its bottom left out.
TEST(BarcodeErrorBox, LaidOutAsAFrameAndWrappedLinesInsideIt)
{
    PageDescription doc = symbolPage(BarcodeKind::Code128, QStringLiteral("REF-\u0100-00000000000000000000000000"), 28);
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
    def.options = optionsOf(BarcodeKind::Ean13);
    doc.pages.push_back(Page{});
    builder.draw(doc.pages.back(), def, Length(), Length(), [](Source, const QString& v) { return v; });
    EXPECT_EQ(dumpPage(doc, 0), QStringLiteral(
        "page 595.28 x 841.89\n"
        "symbol 0.00,0.00 42.52x8.50 error \"EAN-13 needs 12 or 13 digits: \"12\"\"\n"
        "rect 0.50,0.50 41.52x7.50 stroke 1.00 #000000 fill #ffffff\n"
        "text 2.00,7.43 [Helvetica 6] #000000 \"Bar code\"\n"));
}

} // namespace
