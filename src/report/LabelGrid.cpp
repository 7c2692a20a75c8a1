#include "report/LabelGrid.h"

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
    p.xMm = region.xMm + p.column * (region.labelWidthMm + region.columnGapMm);
    p.yMm = region.yMm + p.row * (region.labelHeightMm + region.rowGapMm);
    return p;
}

} // namespace quorvel::report
