// The painter renderer on raster devices of printer and screen resolutions.
#include "report/outputs/OutputFixtures.h"
#include "report/outputs/PagePainter.h"
#include "support/PageImages.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

using namespace quorvel::report;
using namespace quorvel::report::testing;
using quorvel::test::inkBounds;
using quorvel::test::rasterPage;

namespace {

QString scan(const QImage& image, const QString& name)
{
    const QString file = scratchDir(QStringLiteral("painter-") + name) + QStringLiteral("/page.png");
    image.save(file);
    const auto r = runTool(QStringLiteral("zbarimg"), {QStringLiteral("--quiet"), QStringLiteral("--raw"), file});
    return QString::fromUtf8(r.out).trimmed();
}

struct Resolution
{
    const char* name;
    double dpi;
};

class PainterAtResolution : public ::testing::TestWithParam<Resolution> {};

TEST_P(PainterAtResolution, BarCodeScans)
{
    const PageDescription doc = labelDocument(2);
    EXPECT_EQ(scan(rasterPage(doc, 0, GetParam().dpi), GetParam().name), QStringLiteral("7891000315507"));
    EXPECT_EQ(scan(rasterPage(doc, 1, GetParam().dpi), GetParam().name), QStringLiteral("4006381333931"));
}

TEST_P(PainterAtResolution, EqualModulesGetEqualPixels)
{
    // The narrowest bars of the code must all come out equally wide, whatever the resolution.
    PageDescription doc = labelDocument(1);
    const QImage image = rasterPage(doc, 0, GetParam().dpi);
    const Symbol& s = doc.symbols[0];
    const double scale = GetParam().dpi / 72.0;
    const int row = static_cast<int>((36 + s.bars[1].yPt + 5) * scale);
    std::vector<int> runs;
    int run = 0;
    // Only across the symbol: the label's frame crosses the same row.
    const int from = static_cast<int>((20 - 2) * scale), to = static_cast<int>((20 + s.widthPt + 10) * scale);
    for (int x = from; x < to; ++x) {
        if (qGray(image.pixel(x, row)) < 128)
            ++run;
        else if (run) {
            runs.push_back(run);
            run = 0;
        }
    }
    ASSERT_FALSE(runs.empty());
    const int narrowest = *std::min_element(runs.begin(), runs.end());
    for (int r : runs)
        EXPECT_EQ(r % narrowest, 0) << "bar of " << r << " px with modules of " << narrowest << " px";
}

TEST_P(PainterAtResolution, TextHasItsSizeInPoints)
{
    // "HHHH" in Helvetica 20 pt is 57.8 pt wide and 14.3 pt tall (cap height 718/1000).
    PageDescription doc;
    doc.fonts = {{QStringLiteral("Helvetica"), 20, false, false}};
    Page page;
    page.widthPt = 100;
    page.heightPt = 40;
    page.items.push_back(TextItem{10, 30, 0, {}, 0, QStringLiteral("HHHH")});
    doc.pages.push_back(page);
    const double scale = GetParam().dpi / 72.0;
    for (bool deviceKnowsDpi : {true, false}) {
        const QRect ink = inkBounds(rasterPage(doc, 0, GetParam().dpi, deviceKnowsDpi));
        EXPECT_NEAR(ink.height() / scale, 14.36, 1.0) << "device dpi known: " << deviceKnowsDpi;
        EXPECT_NEAR(ink.width() / scale, 57.8 - 2 * 1.6, 2.5) << "device dpi known: " << deviceKnowsDpi;
        EXPECT_NEAR(ink.bottom() / scale, 30, 0.8);
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, PainterAtResolution,
                         ::testing::Values(Resolution{"thermal203", 203}, Resolution{"laser300", 300},
                                           Resolution{"laser600", 600}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(PagePainter, RotatedTextTurnsCounterClockwiseAboutItsOrigin)
{
    PageDescription doc;
    doc.fonts = {{QStringLiteral("Arial"), 20, false, false}};
    Page page;
    page.widthPt = 100;
    page.heightPt = 100;
    page.items.push_back(TextItem{50, 50, 0, {}, 90, QStringLiteral("HHH")});
    doc.pages.push_back(page);
    const QRect ink = inkBounds(rasterPage(doc, 0, 144));
    // Turned a quarter counter-clockwise, the run goes up from the origin and its glyphs
    // stand to the left of it.
    EXPECT_LT(ink.right() / 2.0, 50.5);
    EXPECT_GT(ink.left() / 2.0, 50 - 16);
    EXPECT_LT(ink.bottom() / 2.0, 50.5);
    EXPECT_LT(ink.top() / 2.0, 50 - 35);
}

TEST(PagePainter, UnencodableSymbolIsAMarkedBoxWithoutBars)
{
    PageDescription doc = labelDocument(1);
    markUnencodable(doc, 0, QStringLiteral("Invalid check digit '3', expecting '7'"));
    const QImage image = rasterPage(doc, 0, 203);
    EXPECT_EQ(scan(image, QStringLiteral("error")), QString());
    const double scale = 203 / 72.0;
    const Symbol& s = doc.symbols[0];
    // The box's outline is drawn along all of its edges.
    const int top = static_cast<int>(std::lround((36 + 0.5) * scale));
    const int left = static_cast<int>(std::lround((20 + 0.5) * scale));
    const int right = static_cast<int>((20 + s.widthPt - 0.5) * scale);
    for (int x = left + 2; x < right - 2; x += 7)
        EXPECT_LT(qGray(image.pixel(x, top)), 128) << x;
}

TEST(PagePainter, ASymbolCarryingAnErrorDrawsNoBarsEvenWhenItHoldsSome)
{
    // The bars of a symbol that failed would be a wrong code; only layout's error box shows.
    PageDescription doc = labelDocument(1);
    doc.symbols[0].error = QStringLiteral("Invalid check digit '3', expecting '7'");
    EXPECT_EQ(scan(rasterPage(doc, 0, 203), QStringLiteral("error-with-bars")), QString());
}

TEST(PagePainter, PicturesAreDrawnFromTheirBytes)
{
    for (const char* format : {"png", "jpeg"}) {
        PageDescription doc;
        doc.images.push_back({encodedPicture(format, 40, 40), 40, 40});
        Page page;
        page.widthPt = 100;
        page.heightPt = 100;
        page.items.push_back(ImageItem{10, 10, 80, 80, 0});
        doc.pages.push_back(page);
        const QImage image = rasterPage(doc, 0, 72);
        const QColor topLeft = image.pixelColor(20, 20);
        const QColor bottomRight = image.pixelColor(80, 80);
        EXPECT_GT(topLeft.red(), 150) << format;
        EXPECT_LT(topLeft.blue(), 90) << format;
        EXPECT_GT(bottomRight.blue(), 150) << format;
        EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::white)) << format;
    }
}

} // namespace
