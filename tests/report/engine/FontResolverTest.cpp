// The one font decision: what measurement, the painter and the PDF writer draw a family with.
#include "report/engine/FontResolver.h"
#include "report/engine/TextMeasure.h"

#include <QFontDatabase>
#include <QFontInfo>

#include <gtest/gtest.h>

using namespace quorvel::report;

namespace {

struct FontCase
{
    const char* name;
    FontSpec font;
    const char* family;      ///< what Qt measures and paints with
    const char* fileEnd;     ///< the end of the TrueType file the PDF references; "" for a base-14 font
    StandardFamily standard = StandardFamily::Sans;
};

void PrintTo(const FontCase& c, std::ostream* os) { *os << c.name; }

class FontResolution : public ::testing::TestWithParam<FontCase>
{};

TEST_P(FontResolution, OneFaceForMeasureAndOutputs)
{
    const FontCase& c = GetParam();
    const ResolvedFont r = resolveFont(c.font);
    EXPECT_EQ(r.family.toStdString(), c.family);
    EXPECT_TRUE(r.trueTypeFile.endsWith(c.fileEnd) && (r.trueTypeFile.isEmpty() == (*c.fileEnd == 0)))
        << r.trueTypeFile.constData();
    if (r.trueTypeFile.isEmpty()) {
        EXPECT_EQ(r.standard, c.standard);
    }
    // Qt really has the face the PDF draws, so nothing it substitutes goes unnoticed.
    EXPECT_EQ(QFontInfo(toQFont(c.font)).family().toStdString(), c.family);
}

INSTANTIATE_TEST_SUITE_P(
    Families, FontResolution,
    ::testing::Values(
        FontCase{"ArialIsHelvetica", {QStringLiteral("Arial"), 9, false, false}, "Liberation Sans", ""},
        FontCase{"MsSansSerifIsHelvetica", {QStringLiteral("MS Sans Serif"), 8, false, false}, "Liberation Sans", ""},
        FontCase{"NoFamilyIsHelvetica", {QString(), 8, false, false}, "Liberation Sans", ""},
        FontCase{"TimesNewRomanIsTimes", {QStringLiteral("Times New Roman"), 9, true, false}, "Liberation Serif", "", StandardFamily::Serif},
        FontCase{"CourierNewIsCourier", {QStringLiteral("courier new"), 9, false, true}, "Liberation Mono", "", StandardFamily::Mono},
        FontCase{"InstalledTrueType", {QStringLiteral("DejaVu Serif"), 9, false, false}, "DejaVu Serif", "/DejaVuSerif.ttf"},
        FontCase{"InstalledTrueTypeBold", {QStringLiteral("dejavu serif"), 9, true, false}, "DejaVu Serif", "/DejaVuSerif-Bold.ttf"},
        FontCase{"NotInstalledFallsBackToSans", {QStringLiteral("No Such Family"), 9, false, false}, "Liberation Sans", ""},
        // Installed, but only as OpenType, which the PDF cannot reference: sans everywhere.
        FontCase{"OpenTypeOnlyFallsBackToSans", {QStringLiteral("URW Gothic"), 9, false, false}, "Liberation Sans", ""}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(FontFallback, LayoutMeasuresAFallbackInTheSansItIsDrawnIn)
{
    if (!QFontDatabase::hasFamily(QStringLiteral("URW Gothic")))
        GTEST_SKIP() << "URW Gothic is not installed";
    TextMeasure measure;
    const QString text = QStringLiteral("Camisa Polo");
    EXPECT_EQ(measure.widthPt({QStringLiteral("URW Gothic"), 12, false, false}, text),
              measure.widthPt({QStringLiteral("Helvetica"), 12, false, false}, text));
}

} // namespace
