#include "labels/LabelImport.h"

#include "labels/ImportTable.h"

namespace quorvel::labels {

ReadEnd importLabelFile(const QString& path, table::Table& importTable,
                        const std::function<void(int row, const LabelItem& item)>& stored)
{
    ReadEnd end = readLabelFile(path, [&](const LabelItem& item) {
        insereItem(importTable, item);
        if (stored)
            stored(importTable.currentRow(), item);
    });
    if (end == ReadEnd::Completed)
        importTable.first();
    return end;
}

} // namespace quorvel::labels
