#include "labels/PrintTable.h"

#include "labels/ImportTable.h"
#include "labels/LabelColumns.h"
#include "table/Failure.h"
#include "table/Numbers.h"

#include <QLocale>

#include <array>
#include <string>
#include <utility>

namespace quorvel::labels {

using table::FieldType;

std::unique_ptr<table::Table> makePrintTable()
{
    std::vector<table::FieldDef> fields(placed(&LabelColumn::copy) + kUnfilledPrintFields.size());
    auto define = [&](int field, const ColumnField& def) {
        table::FieldDef& f = fields[static_cast<std::size_t>(field)];
        f.name = def.name;
        f.type = def.type;
        f.width = def.width;
    };
    for (const LabelColumn& c : kLabelColumns)
        if (c.printField != LabelColumn::kNoField)
            define(c.printField, c.print);
    for (const auto& [field, def] : kUnfilledPrintFields)
        define(field, def);
    return std::make_unique<table::Table>(QStringLiteral("cdsImpEtq"), std::move(fields));
}

std::int64_t countLabels(const table::Table& importTable)
{
    std::int64_t total = 0;
    for (int row = 0; row < importTable.rowCount(); ++row) {
        std::int32_t n = importTable.integerAt(row, ImportField::qtd);
        if (n > 0)
            total += n;
    }
    return total;
}

void checkBound(std::int64_t count, std::int64_t limit, const char* sentence)
{
    if (count <= limit)
        return;
    const QLocale locale;
    throw Failure(QString::fromUtf8(sentence).arg(locale.toString(static_cast<qlonglong>(count)),
                                                  locale.toString(static_cast<qlonglong>(limit))));
}

void checkLabelCount(const table::Table& importTable)
{
    checkBound(countLabels(importTable), kMaxLabels,
               "A lista pede %1 etiquetas, mais que o limite de %2 etiquetas por impressão. "
               "Diminua as quantidades e imprima em partes.");
}

void expand(table::Table& importTable, table::Table& printTable)
{
    static constexpr auto kCopies = columnsBy<placed(&LabelColumn::copy)>(&LabelColumn::copy);
    std::array<std::string, kCopies.size()> texts;
    table::DecimalSeparatorScope separator;
    printTable.clear();
    for (importTable.first(); !importTable.atEnd(); importTable.next()) {
        std::int32_t n = importTable.integer(ImportField::qtd);
        if (n < 1)
            continue;
        // Every copy carries the same values: read them once per import-table row.
        for (std::size_t k = 0; k < kCopies.size(); ++k)
            texts[k] = importTable.text(kCopies[k]->importField);
        for (std::int32_t i = 0; i < n; ++i) {
            printTable.append();
            for (std::size_t k = 0; k < kCopies.size(); ++k)
                printTable.setText(kCopies[k]->printField, texts[k]);
            printTable.store();
        }
    }
}

} // namespace quorvel::labels
