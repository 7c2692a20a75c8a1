#include "EngineFixtures.h"

#include "report/engine/CalibrationPage.h"
#include "report/engine/DefinitionReader.h"
#include "support/HeadlessUi.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace quorvel::report;
using namespace quorvel::report::testing;

namespace {

struct StockCase
{
    const char* name;
    const char* body;   ///< inside the root element
    double widthMm, heightMm;
    int quality;
};

void PrintTo(const StockCase& c, std::ostream* os) { *os << c.name; }

class CalibrationStock : public ::testing::TestWithParam<StockCase> {};

// The page is the label the definition prints on: its first label region's labels, wherever that
// region is, else its first page.
TEST_P(CalibrationStock, IsTheDefinitionsLabel)
{
    HeadlessUi ui;
    const Definition def = readDefinition(definitionXml(QString::fromUtf8(GetParam().body)), QStringLiteral("/tmp/c.rav"), ui);
    const PageDescription doc = calibrationPage(def);
    ASSERT_EQ(doc.pages.size(), 1u);
    EXPECT_NEAR(doc.pages[0].widthPt, GetParam().widthMm * 72 / 25.4, 1e-9);
    EXPECT_NEAR(doc.pages[0].heightPt, GetParam().heightMm * 72 / 25.4, 1e-9);
    EXPECT_EQ(doc.print.quality, GetParam().quality);
}

INSTANTIATE_TEST_SUITE_P(
    Definitions, CalibrationStock,
    ::testing::Values(
        StockCase{"RegionOnASheet",
                  "<data-view name=\"V\" connection=\"C\"/><report><page size=\"A4\" quality=\"600\">"
                  "<labels view=\"V\" rows=\"10\" columns=\"3\" label-width=\"63.5\" label-height=\"25.4\"/></page></report>",
                  63.5, 25.4, 600},
        StockCase{"RegionOnASecondPage",
                  "<data-view name=\"V\" connection=\"C\"/><report><page size=\"A5\"/><page size=\"custom\" width=\"80\" height=\"50\">"
                  "<labels view=\"V\" label-width=\"40\" label-height=\"25\"/></page></report>",
                  40, 25, 0},
        StockCase{"RegionOnASharedPage",
                  "<data-view name=\"V\" connection=\"C\"/><shared-page name=\"S\" size=\"custom\" width=\"50\" height=\"30\">"
                  "<labels view=\"V\" label-width=\"50\" label-height=\"30\"/></shared-page>"
                  "<report><shared-page-ref name=\"S\"/></report>",
                  50, 30, 0},
        StockCase{"NoRegionTakesTheFirstPage",
                  "<report><page size=\"custom\" width=\"100\" height=\"150\" quality=\"203\"/><page size=\"A4\"/></report>",
                  100, 150, 203},
        StockCase{"NoPageAtAllIsA4", "", 210, 297, 0}),
    [](const auto& row) { return std::string(row.param.name); });

// The queues' offsets go with the page, so each queue's job moves it as it moves that queue's labels.
TEST(CalibrationPage, CarriesTheQueueOffsets)
{
    HeadlessUi ui;
    const Definition def = readDefinition(
        definitionXml(QStringLiteral("<printer queue=\"QuorvelZPL\" offset-x=\"1.5\"/><report><page size=\"A6\"/></report>")),
        QStringLiteral("/tmp/c.rav"), ui);
    const PageDescription doc = calibrationPage(def);
    ASSERT_EQ(doc.queueOffsets.size(), 1u);
    EXPECT_EQ(doc.queueOffsets[0].queue, QStringLiteral("QuorvelZPL"));
    EXPECT_NEAR(doc.queueOffsets[0].xPt, 1.5 * 72 / 25.4, 1e-9);
    EXPECT_EQ(doc.queueOffsets[0].yPt, 0);
}

} // namespace
