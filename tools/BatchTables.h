// What the commands share: importing files as the window does, printing a table, the default
// report definition, and reporting a failure as the window's error box would word it.
#pragma once

#include "labels/ImportTable.h"
#include "table/Table.h"

#include <QStringList>

#include <cstdio>
#include <functional>

namespace quorvel::batch {

/// Imports the files one after another into `importTable`. A message that stops an import goes
/// to standard error as the window shows it, and the result is 1; otherwise 0. A row left pending
/// by a failed line is dropped, so only stored rows remain.
int importFiles(const QStringList& files, table::Table& importTable);
/// As importFiles, but the message that stopped an import is returned, not written: empty when
/// every file was read, and a single blank for a silent stop.
QString importStop(const QStringList& files, table::Table& importTable,
                   const std::function<void(int row, const labels::LabelItem& item)>& stored = {});

/// A header of the field names, then one line per row with each value as the grid shows it,
/// tab-separated, in UTF-8.
void printTable(const table::Table& t, std::FILE* out);

/// The default error handler's rule: "." is added when the last character comes after ".".
QString withFullStop(const QString& message);

/// The report definition beside quorvel-batch, as the window reads the one beside it.
QString defaultDefinition();

} // namespace quorvel::batch
