// Where the n-th label of a region lands: its page and its top-left corner on that page.
#pragma once

#include "report/engine/Definition.h"

#include <cstdint>

namespace quorvel::report {

struct LabelPlacement
{
    std::int64_t page = 0;    ///< 0-based, counted from the region's first page
    int row = 0, column = 0;
    Length x, y;              ///< from the page's margin corner
    friend bool operator==(const LabelPlacement&, const LabelPlacement&) = default;
};

/// Labels fill a page across-then-down (row by row) or down-then-across (column by column);
/// the next label after a full page starts a new page.
LabelPlacement placeLabel(const RegionDef& region, std::int64_t index);

/// Labels one page of the region holds.
std::int64_t labelsPerPage(const RegionDef& region);

/// Slots left blank before the first label when the run starts at `startLabel` (1 = the first
/// slot in the region's fill order); out-of-range values are brought to the nearest slot.
int skippedSlots(const RegionDef& region, int startLabel);

/// Pages the region fills with `labels` labels after `skipped` blank slots: at least one, as a
/// region with no labels still prints its page.
std::int64_t regionPageCount(const RegionDef& region, std::int64_t labels, int skipped);

} // namespace quorvel::report
