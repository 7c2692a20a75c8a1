#include "report/engine/LabelGrid.h"

#include <algorithm>

namespace quorvel::report {

LabelPlacement placeLabel(const RegionDef& region, std::int64_t index)
{
    const std::int64_t perPage = std::int64_t{region.rows} * region.columns;
    LabelPlacement p;
    p.page = index / perPage;
    const auto onPage = static_cast<int>(index % perPage);
    if (region.order == RegionOrder::AcrossThenDown) {
        p.row = onPage / region.columns;
        p.column = onPage % region.columns;
    } else {
        p.column = onPage / region.rows;
        p.row = onPage % region.rows;
    }
    p.x = region.x + p.column * (region.labelWidth + region.columnGap);
    p.y = region.y + p.row * (region.labelHeight + region.rowGap);
    return p;
}

std::int64_t labelsPerPage(const RegionDef& region)
{
    return std::max<std::int64_t>(std::int64_t{region.rows} * region.columns, 1);
}

int skippedSlots(const RegionDef& region, int startLabel)
{
    const std::int64_t last = labelsPerPage(region) - 1;
    return static_cast<int>(std::clamp<std::int64_t>(std::int64_t{startLabel} - 1, 0, last));
}

std::int64_t regionPageCount(const RegionDef& region, std::int64_t labels, int skipped)
{
    if (labels <= 0)
        return 1;
    const std::int64_t perPage = labelsPerPage(region);
    return (labels + skipped + perPage - 1) / perPage;
}

} // namespace quorvel::report
