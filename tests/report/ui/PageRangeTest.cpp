#include "report/ui/PageRange.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace quorvel::report;

namespace {

struct SelectionCase
{
    const char* name;
    const char* text;
    std::size_t pageCount;
    std::vector<std::size_t> pages;   // 0-based

    friend void PrintTo(const SelectionCase& c, std::ostream* os) { *os << '"' << c.text << "\" of " << c.pageCount; }
};

class Selection : public ::testing::TestWithParam<SelectionCase>
{
};

TEST_P(Selection, NamesThePages)
{
    const SelectionCase& c = GetParam();
    EXPECT_EQ(selectionPages(QString::fromUtf8(c.text), c.pageCount), c.pages);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Selection,
    ::testing::Values(SelectionCase{"preset", "1-5", 5, {0, 1, 2, 3, 4}},
                      SelectionCase{"single", "3", 5, {2}},
                      SelectionCase{"list", "1,3,5", 5, {0, 2, 4}},
                      SelectionCase{"mixed", "1-2,4", 5, {0, 1, 3}},
                      SelectionCase{"openEnd", "4-", 6, {3, 4, 5}},
                      SelectionCase{"openStart", "-2", 6, {0, 1}},
                      SelectionCase{"reversed", "3-1", 5, {0, 1, 2}},
                      SelectionCase{"overlapsOnce", "1-3,2-4", 5, {0, 1, 2, 3}},
                      SelectionCase{"sortedAscending", "5,1", 5, {0, 4}},
                      SelectionCase{"cutToPages", "4-99", 5, {3, 4}},
                      SelectionCase{"beyondPages", "7,9-12", 5, {}},
                      SelectionCase{"pageZero", "0", 5, {}},
                      SelectionCase{"empty", "", 5, {}},
                      SelectionCase{"strayCommas", ",,2,,", 5, {1}},
                      SelectionCase{"loneDash", "-", 5, {}},
                      SelectionCase{"doubleDash", "1--3", 5, {}},
                      SelectionCase{"hugeNumber", "99999999999999999999", 5, {}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(FromTo, CutsToThePagesInEitherOrder)
{
    EXPECT_EQ(pagesFromTo(2, 4, 5), (std::vector<std::size_t>{1, 2, 3}));
    EXPECT_EQ(pagesFromTo(4, 2, 5), (std::vector<std::size_t>{1, 2, 3}));
    EXPECT_EQ(pagesFromTo(0, 99, 3), (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_TRUE(pagesFromTo(6, 9, 5).empty());
}

} // namespace
