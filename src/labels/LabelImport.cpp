#include "labels/LabelImport.h"

#include "labels/ImportTable.h"

namespace quorvel::labels {

ReadEnd importLabelFile(const QString& path, table::Table& importTable)
{
    ReadEnd end = readLabelFile(path, [&](const LabelItem& item) { insereItem(importTable, item); });
    if (end == ReadEnd::Completed)
        importTable.first();
    return end;
}

} // namespace quorvel::labels
