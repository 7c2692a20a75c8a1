#include "labels/ImportTable.h"

#include "labels/LabelColumns.h"
#include "table/Numbers.h"

#include <utility>

namespace quorvel::labels {

using table::FieldType;

std::unique_ptr<table::Table> makeImportTable()
{
    std::vector<table::FieldDef> fields(kLabelColumns.size());
    for (const LabelColumn& c : kLabelColumns) {
        table::FieldDef& f = fields[static_cast<std::size_t>(c.importField)];
        f.name = c.import.name;
        f.type = c.import.type;
        f.width = c.import.width;
        f.required = c.required;
        if (c.import.type == FieldType::Fixed) {
            f.precision = c.import.precision;
            f.scale = c.import.scale;
        }
    }
    return std::make_unique<table::Table>(QStringLiteral("cdsEtqTemp"), std::move(fields));
}

namespace {

constexpr auto kAssignments = columnsBy(&LabelColumn::assignment);

// One assignment, made for its column at compile time: the import calls this ten times a line.
template <std::size_t K>
void assign(table::Table& t, const LabelItem& item)
{
    constexpr const LabelColumn& c = *kAssignments[K];
    if constexpr (c.import.type == FieldType::Text) {
        t.setText(c.importField, item.*(c.item));
    } else if constexpr (c.import.type == FieldType::Fixed) {
        // The price reaches the field through its general text form, as typed text would. A
        // price of up to fifteen digits is that text's amount already, which spares the round trip.
        std::optional<std::int64_t> units;
        if (item.precoDecimal)
            units = table::decimalToFixed(*item.precoDecimal, c.import.scale);
        if (!units || !t.trySetFixedUnits(c.importField, *units))
            t.setText(c.importField, table::formatGeneral(item.preco, table::decimalSeparator()));
    } else {
        static_assert(c.import.type == FieldType::Integer);
        t.setInteger(c.importField, item.qtd);
    }
}

template <std::size_t... K>
void assignAll(table::Table& t, const LabelItem& item, std::index_sequence<K...>)
{
    (assign<K>(t, item), ...);
}

} // namespace

void insereItem(table::Table& t, const LabelItem& item)
{
    t.append();
    assignAll(t, item, std::make_index_sequence<kAssignments.size()>());
    t.store();
}

} // namespace quorvel::labels
