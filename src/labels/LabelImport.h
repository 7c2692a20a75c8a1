// One import of a label file into the import table: the reader feeding InsereItem.
#pragma once

#include "labels/LabelFileReader.h"
#include "table/Table.h"

#include <functional>

namespace quorvel::labels {

/// Reads `path` into the import table, one insereItem per complete line, and after a normal end
/// moves the table to its first row (which resolves a row pending from elsewhere and can fail).
/// After EmptyLine or a failure the cursor is left where the last row put it.
/// `stored`, when given, is told of each row stored: its view index and the item it came from.
ReadEnd importLabelFile(const QString& path, table::Table& importTable,
                        const std::function<void(int row, const LabelItem& item)>& stored = {});

} // namespace quorvel::labels
