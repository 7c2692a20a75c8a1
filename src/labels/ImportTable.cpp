#include "labels/ImportTable.h"

#include "table/Numbers.h"

#include <array>

namespace quorvel::labels {

using table::FieldType;

std::unique_ptr<table::Table> makeImportTable()
{
    return std::make_unique<table::Table>(QStringLiteral("cdsEtqTemp"), std::vector<table::FieldDef>{
        {"REFER_FABRICANTE", FieldType::Text, 12, false},
        {"DESC_COR_PRODUTO", FieldType::Text, 40, true},
        {"PRECO1", FieldType::Fixed, 0, false, 14, 2},
        {"GRIFFE", FieldType::Text, 25, true},
        {"CODIGO_BARRA", FieldType::Text, 25, true},
        {"TAMANHO", FieldType::Text, 8, false},
        {"qtd", FieldType::Integer, 0, false},
        {"TIPO", FieldType::Text, 20, false},
        {"GRUPO", FieldType::Text, 20, false},
        {"SUBGRUPO", FieldType::Text, 20, false},
    });
}

void insereItem(table::Table& t, const LabelItem& item)
{
    // The price reaches the field through its general text form, as typed text would. A price
    // of up to fifteen digits is that text's amount already, which spares the round trip.
    std::optional<std::int64_t> units;
    if (item.precoDecimal)
        units = table::decimalToFixed(*item.precoDecimal, t.field(ImportField::PRECO1).scale);
    // The common case in one step: every value fitting, nothing pending, nobody watching.
    if (units && !t.isPending()) {
        auto text = [](std::string_view s) { return table::ValueView{s.empty(), s}; };
        std::array<table::ValueView, 10> row;
        row[ImportField::GRUPO] = text(item.grupo);
        row[ImportField::SUBGRUPO] = text(item.subgrupo);
        row[ImportField::TIPO] = text(item.tipo);
        row[ImportField::REFER_FABRICANTE] = text(item.referFabricante);
        row[ImportField::DESC_COR_PRODUTO] = text(item.descCorProduto);
        row[ImportField::PRECO1] = table::ValueView{false, {}, *units};
        row[ImportField::GRIFFE] = text(item.griffe);
        row[ImportField::CODIGO_BARRA] = text(item.codigoBarra);
        row[ImportField::TAMANHO] = text(item.tamanho);
        row[ImportField::qtd] = table::ValueView{false, {}, item.qtd};
        if (t.tryAppendRow(row))
            return;
    }
    t.append();
    t.setText(ImportField::GRUPO, item.grupo);
    t.setText(ImportField::SUBGRUPO, item.subgrupo);
    t.setText(ImportField::TIPO, item.tipo);
    t.setText(ImportField::REFER_FABRICANTE, item.referFabricante);
    t.setText(ImportField::DESC_COR_PRODUTO, item.descCorProduto);
    if (!units || !t.trySetFixedUnits(ImportField::PRECO1, *units))
        t.setText(ImportField::PRECO1, table::formatGeneral(item.preco, table::decimalSeparator()));
    t.setText(ImportField::GRIFFE, item.griffe);
    t.setText(ImportField::CODIGO_BARRA, item.codigoBarra);
    t.setText(ImportField::TAMANHO, item.tamanho);
    t.setInteger(ImportField::qtd, item.qtd);
    t.store();
}

} // namespace quorvel::labels
