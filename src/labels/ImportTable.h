// The import table cdsEtqTemp: its fields and InsereItem.
#pragma once

#include "table/Numbers.h"
#include "table/Table.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace quorvel::labels {

/// Field positions of the import table under the fields' own names: the table's field order, which
/// is also the order in which a stored row's required fields are examined. What each field is
/// comes from its column (LabelColumns.h).
struct ImportField
{
    enum Id : int {
        REFER_FABRICANTE, DESC_COR_PRODUTO, PRECO1, GRIFFE, CODIGO_BARRA,
        TAMANHO, qtd, TIPO, GRUPO, SUBGRUPO,
    };
};

/// The import table "cdsEtqTemp", open and empty.
std::unique_ptr<table::Table> makeImportTable();

/// One line of a label file, its texts as the file's bytes (Windows-1252), in the order of
/// InsereItem's inputs.
struct LabelItem
{
    std::string_view grupo, subgrupo, tipo, referFabricante, descCorProduto, griffe, codigoBarra, tamanho;
    std::int32_t qtd = 0;
    double preco = 0;
    /// The price text's exact amount when it has at most 15 significant digits.
    std::optional<table::Decimal> precoDecimal;
};

/// Appends one row from the item and stores it; resolves a pending row first. Fails with the
/// table's messages; a failure leaves the new row pending.
void insereItem(table::Table& importTable, const LabelItem& item);

} // namespace quorvel::labels
