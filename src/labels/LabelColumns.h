// The label file's columns, one row each: where the column stands in a line, the import-table
// field it fills, the print-table field the expansion copies it to, and its column in the
// window's grid. The reader, both tables, the expansion and the grid are derived from these rows;
// the orders that span several rows are the enums ImportField and PrintField (table order) and
// each row's place in insereItem's and the expansion's assignments.
#pragma once

#include "labels/ImportTable.h"
#include "labels/PrintTable.h"
#include "table/Field.h"

#include <array>
#include <cstddef>
#include <string_view>
#include <utility>

namespace quorvel::labels {

struct ColumnField
{
    const char* name = nullptr;   ///< nullptr: no field
    table::FieldType type = table::FieldType::Text;
    int width = 0;                ///< Text only: bytes kept
    int precision = 0;            ///< Fixed only: digits, `scale` of them after the point
    int scale = 0;
};

struct LabelColumn
{
    int filePosition;                        ///< 1.. among a line's fields
    ImportField::Id importField;
    ColumnField import;
    bool required;
    /// The LabelItem member that carries a text column; null for the price and the quantity,
    /// which LabelItem carries as numbers.
    std::string_view LabelItem::*item;
    int assignment;                          ///< 1.. its place among insereItem's assignments
    int printField;                          ///< a PrintField::Id; kNoField: none
    ColumnField print;
    int copy;                                ///< 1.. its place among the expansion's assignments; 0: none
    const char* gridTitle;                   ///< UTF-8; nullptr: no grid column
    int gridWidthPx;                         ///< 0: the default width for the field's width in characters
    int gridPosition;                        ///< 1.. from the left; 0: no grid column

    static constexpr int kNoField = -1;
};

namespace column_detail {
using table::FieldType;
inline constexpr int kNone = LabelColumn::kNoField;
} // namespace column_detail

inline constexpr std::array<LabelColumn, 10> kLabelColumns = [] {
    using namespace column_detail;
    using I = ImportField;
    using P = PrintField;
    return std::array<LabelColumn, 10>{{
        {1, I::GRUPO, {"GRUPO", FieldType::Text, 20}, false, &LabelItem::grupo,
         1, P::grupo, {"grupo", FieldType::Text, 20}, 2, "Grupo", 0, 1},
        {2, I::SUBGRUPO, {"SUBGRUPO", FieldType::Text, 20}, false, &LabelItem::subgrupo,
         2, P::subgrupo, {"subgrupo", FieldType::Text, 20}, 3, "Subgrupo", 0, 2},
        {3, I::GRIFFE, {"GRIFFE", FieldType::Text, 25}, true, &LabelItem::griffe,
         7, P::Marca, {"Marca", FieldType::Text, 20}, 8, "Griffe", 99, 5},
        {4, I::DESC_COR_PRODUTO, {"DESC_COR_PRODUTO", FieldType::Text, 40}, true, &LabelItem::descCorProduto,
         5, P::cor, {"cor", FieldType::Text, 20}, 6, "Cor", 100, 3},
        {5, I::REFER_FABRICANTE, {"REFER_FABRICANTE", FieldType::Text, 12}, false, &LabelItem::referFabricante,
         4, P::referencia, {"referencia", FieldType::Text, 20}, 5, "Ref. Fornecedor", 97, 4},
        {6, I::TIPO, {"TIPO", FieldType::Text, 20}, false, &LabelItem::tipo,
         3, P::tipo, {"tipo", FieldType::Text, 20}, 4, "Tipo", 0, 6},
        {7, I::TAMANHO, {"TAMANHO", FieldType::Text, 8}, false, &LabelItem::tamanho,
         9, P::Tam, {"Tam", FieldType::Text, 2}, 9, "Tamanho", 55, 8},
        {8, I::CODIGO_BARRA, {"CODIGO_BARRA", FieldType::Text, 25}, true, &LabelItem::codigoBarra,
         8, P::Codigo, {"Codigo", FieldType::Text, 25}, 1, nullptr, 0, 0},
        {9, I::PRECO1, {"PRECO1", FieldType::Fixed, 0, 14, 2}, false, nullptr,
         6, P::preco, {"preco", FieldType::Currency}, 7, "Preço", 50, 7},
        {10, I::qtd, {"qtd", FieldType::Integer}, false, nullptr,
         10, kNone, {}, 0, "Qtde", 31, 9},
    }};
}();

inline constexpr int kFileFields = static_cast<int>(kLabelColumns.size());

/// The print-table fields that no column fills: they never hold a value.
inline constexpr std::array<std::pair<PrintField::Id, ColumnField>, 1> kUnfilledPrintFields{{
    {PrintField::Descricao, {"Descricao", table::FieldType::Text, 50}},
}};

/// The columns in the order of one of their places (a member such as &LabelColumn::assignment);
/// columns whose place is 0 are left out.
template <std::size_t N = kLabelColumns.size()>
constexpr std::array<const LabelColumn*, N> columnsBy(int LabelColumn::*place)
{
    std::array<const LabelColumn*, N> out{};
    std::size_t n = 0;
    for (int p = 1; p <= kFileFields; ++p)
        for (const LabelColumn& c : kLabelColumns)
            if (c.*place == p && n < N)
                out[n++] = &c;
    return out;
}

/// How many columns have a place (non-zero) in that order.
constexpr std::size_t placed(int LabelColumn::*place)
{
    std::size_t n = 0;
    for (const LabelColumn& c : kLabelColumns)
        n += c.*place != 0 ? 1 : 0;
    return n;
}

namespace column_detail {

// Each order a column takes part in is a permutation of 1..n, and each table field is filled once.
constexpr bool isPermutation(int LabelColumn::*place, bool everyColumn)
{
    const std::size_t n = placed(place);
    if (everyColumn && n != kLabelColumns.size())
        return false;
    for (std::size_t p = 1; p <= n; ++p) {
        int seen = 0;
        for (const LabelColumn& c : kLabelColumns)
            seen += c.*place == static_cast<int>(p) ? 1 : 0;
        if (seen != 1)
            return false;
    }
    return true;
}

constexpr bool fillsEachFieldOnce()
{
    std::array<int, kLabelColumns.size()> importUses{};
    std::array<int, placed(&LabelColumn::copy) + kUnfilledPrintFields.size()> printUses{};
    for (const LabelColumn& c : kLabelColumns) {
        if (c.importField < 0 || c.importField >= kFileFields)
            return false;
        ++importUses[static_cast<std::size_t>(c.importField)];
        if ((c.printField == kNone) != (c.copy == 0))
            return false;
        if (c.printField != kNone) {
            if (c.printField < 0 || c.printField >= static_cast<int>(printUses.size()))
                return false;
            ++printUses[static_cast<std::size_t>(c.printField)];
        }
        if ((c.item == nullptr) != (c.import.type != FieldType::Text))
            return false;
        if ((c.gridTitle == nullptr) != (c.gridPosition == 0))
            return false;
    }
    for (const auto& [field, def] : kUnfilledPrintFields)
        ++printUses[static_cast<std::size_t>(field)];
    for (int u : importUses)
        if (u != 1)
            return false;
    for (int u : printUses)
        if (u != 1)
            return false;
    return true;
}

static_assert(isPermutation(&LabelColumn::filePosition, true));
static_assert(isPermutation(&LabelColumn::assignment, true));
static_assert(isPermutation(&LabelColumn::copy, false));
static_assert(isPermutation(&LabelColumn::gridPosition, false));
static_assert(fillsEachFieldOnce());

} // namespace column_detail

/// The column at a position of the label line (1..kFileFields).
constexpr const LabelColumn& columnAt(int filePosition)
{
    return *columnsBy(&LabelColumn::filePosition)[static_cast<std::size_t>(filePosition - 1)];
}

} // namespace quorvel::labels
