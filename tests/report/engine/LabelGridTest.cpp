#include "report/engine/LabelGrid.h"

#include <gtest/gtest.h>

using namespace quorvel::report;

namespace {

struct Placed
{
    std::int64_t page;
    int row, column;
    double xMm, yMm;
};

struct GridCase
{
    const char* name;
    int rows, columns;
    double columnGap, rowGap;
    RegionOrder order;
    std::int64_t index;
    Placed expected;
};

void PrintTo(const GridCase& c, std::ostream* os) { *os << c.name; }

class LabelGrid : public ::testing::TestWithParam<GridCase>
{};

TEST_P(LabelGrid, PlacesTheLabel)
{
    const GridCase& c = GetParam();
    RegionDef r;
    r.rows = c.rows;
    r.columns = c.columns;
    r.labelWidth = Length::fromMm(63.5);
    r.labelHeight = Length::fromMm(25.4);
    r.columnGap = Length::fromMm(c.columnGap);
    r.rowGap = Length::fromMm(c.rowGap);
    r.x = Length::fromMm(7.25);
    r.y = Length::fromMm(21.5);
    r.order = c.order;
    const LabelPlacement p = placeLabel(r, c.index);
    EXPECT_EQ(p.page, c.expected.page);
    EXPECT_EQ(p.row, c.expected.row);
    EXPECT_EQ(p.column, c.expected.column);
    EXPECT_NEAR(p.x.mm(), c.expected.xMm, 1e-9);
    EXPECT_NEAR(p.y.mm(), c.expected.yMm, 1e-9);
}

constexpr auto Across = RegionOrder::AcrossThenDown;
constexpr auto Down = RegionOrder::DownThenAcross;

INSTANTIATE_TEST_SUITE_P(
    Region, LabelGrid,
    ::testing::Values(
        GridCase{"FirstLabelAtTheOrigin", 10, 3, 2.5, 0, Across, 0, {0, 0, 0, 7.25, 21.5}},
        GridCase{"AcrossFillsTheRowFirst", 10, 3, 2.5, 0, Across, 1, {0, 0, 1, 73.25, 21.5}},
        GridCase{"AcrossWrapsToTheNextRow", 10, 3, 2.5, 0, Across, 3, {0, 1, 0, 7.25, 46.9}},
        GridCase{"AcrossLastOnThePage", 10, 3, 2.5, 0, Across, 29, {0, 9, 2, 139.25, 250.1}},
        GridCase{"AcrossFullPageStartsANewOne", 10, 3, 2.5, 0, Across, 30, {1, 0, 0, 7.25, 21.5}},
        GridCase{"DownFillsTheColumnFirst", 10, 3, 2.5, 0, Down, 1, {0, 1, 0, 7.25, 46.9}},
        GridCase{"DownWrapsToTheNextColumn", 10, 3, 2.5, 0, Down, 10, {0, 0, 1, 73.25, 21.5}},
        GridCase{"DownNewPage", 10, 3, 2.5, 0, Down, 61, {2, 1, 0, 7.25, 46.9}},
        GridCase{"RowGapAddsBelowEachRow", 2, 2, 0, 3, Across, 3, {0, 1, 1, 70.75, 49.9}},
        GridCase{"OneLabelPerPageRoll", 1, 1, 0, 0, Across, 4, {4, 0, 0, 7.25, 21.5}}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace

namespace {

struct PagesCase
{
    const char* name;
    int rows, columns;
    std::int64_t labels;
    int startLabel;
    int skipped;
    std::int64_t pages;
};

void PrintTo(const PagesCase& c, std::ostream* os) { *os << c.name; }

class RegionPages : public ::testing::TestWithParam<PagesCase>
{};

TEST_P(RegionPages, CountsThePagesAfterTheSkippedSlots)
{
    const PagesCase& c = GetParam();
    RegionDef r;
    r.rows = c.rows;
    r.columns = c.columns;
    EXPECT_EQ(skippedSlots(r, c.startLabel), c.skipped);
    EXPECT_EQ(regionPageCount(r, c.labels, c.skipped), c.pages);
}

INSTANTIATE_TEST_SUITE_P(
    Region, RegionPages,
    ::testing::Values(
        PagesCase{"NoLabelsStillOnePage", 10, 3, 0, 5, 4, 1},
        PagesCase{"FullSheet", 10, 3, 30, 1, 0, 1},
        PagesCase{"OneMoreStartsASheet", 10, 3, 31, 1, 0, 2},
        PagesCase{"UsedSlotsPushLabelsOn", 10, 3, 27, 5, 4, 2},
        PagesCase{"UsedSlotsThatStillFit", 10, 3, 26, 5, 4, 1},
        PagesCase{"StartBelowOneIsTheFirstSlot", 10, 3, 30, 0, 0, 1},
        PagesCase{"StartPastTheSheetIsTheLastSlot", 10, 3, 2, 99, 29, 2},
        PagesCase{"RollOfOneLabelAPage", 1, 1, 10000, 3, 0, 10000}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
