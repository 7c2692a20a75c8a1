// The print table cdsImpEtq and the expansion of the label list into one row per label.
#pragma once

#include "table/Table.h"

#include <cstdint>
#include <memory>

namespace quorvel::labels {

/// Field positions of the print table under the fields' own names: the table's field order. What
/// each field is comes from the column that fills it (LabelColumns.h), or from kUnfilledPrintFields.
struct PrintField
{
    enum Id : int {
        Codigo, Descricao, referencia, cor, Tam, Marca, preco, tipo, grupo, subgrupo,
    };
};

/// The print table "cdsImpEtq", open and empty.
std::unique_ptr<table::Table> makePrintTable();

/// Labels the import table asks for: the sum of its quantities of 1 or more over the rows in
/// view, a pending row included. Moves nothing.
std::int64_t countLabels(const table::Table& importTable);

/// The most labels one print run makes: the print table holds one row per label in memory.
inline constexpr std::int64_t kMaxLabels = 1'000'000;

/// Fails with `sentence` ("%1" the count, "%2" the limit, both as the regional settings write
/// numbers; UTF-8) when `count` passes `limit`: the print run's bounds.
void checkBound(std::int64_t count, std::int64_t limit, const char* sentence);

/// Fails, naming the total and the limit, when the import table asks for more than kMaxLabels.
/// Moves nothing; call it before expand.
void checkLabelCount(const table::Table& importTable);

/// Empties the print table and fills it with qtd copies of every import-table row, walking the
/// import table from its first row (which resolves a pending row and can fail). After the walk
/// the import table's last row is current.
void expand(table::Table& importTable, table::Table& printTable);

} // namespace quorvel::labels
