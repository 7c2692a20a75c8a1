#include "labels/PrintTable.h"

#include "labels/ImportTable.h"
#include "table/Failure.h"
#include "table/Numbers.h"

#include <QLocale>

namespace quorvel::labels {

using table::FieldType;

std::unique_ptr<table::Table> makePrintTable()
{
    return std::make_unique<table::Table>(QStringLiteral("cdsImpEtq"), std::vector<table::FieldDef>{
        {"Codigo", FieldType::Text, 25, false},
        {"Descricao", FieldType::Text, 50, false},
        {"referencia", FieldType::Text, 20, false},
        {"cor", FieldType::Text, 20, false},
        {"Tam", FieldType::Text, 2, false},
        {"Marca", FieldType::Text, 20, false},
        {"preco", FieldType::Currency, 0, false},
        {"tipo", FieldType::Text, 20, false},
        {"grupo", FieldType::Text, 20, false},
        {"subgrupo", FieldType::Text, 20, false},
    });
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
    table::DecimalSeparatorScope separator;
    printTable.clear();
    for (importTable.first(); !importTable.atEnd(); importTable.next()) {
        std::int32_t n = importTable.integer(ImportField::qtd);
        if (n < 1)
            continue;
        // Every copy carries the same values: read them once per import-table row.
        const std::string codigo = importTable.text(ImportField::CODIGO_BARRA);
        const std::string grupoText = importTable.text(ImportField::GRUPO);
        const std::string subgrupoText = importTable.text(ImportField::SUBGRUPO);
        const std::string tipoText = importTable.text(ImportField::TIPO);
        const std::string referenciaText = importTable.text(ImportField::REFER_FABRICANTE);
        const std::string corText = importTable.text(ImportField::DESC_COR_PRODUTO);
        const std::string precoText = importTable.text(ImportField::PRECO1);
        const std::string marca = importTable.text(ImportField::GRIFFE);
        const std::string tamanho = importTable.text(ImportField::TAMANHO);
        for (std::int32_t i = 0; i < n; ++i) {
            printTable.append();
            printTable.setText(PrintField::Codigo, codigo);
            printTable.setText(PrintField::grupo, grupoText);
            printTable.setText(PrintField::subgrupo, subgrupoText);
            printTable.setText(PrintField::tipo, tipoText);
            printTable.setText(PrintField::referencia, referenciaText);
            printTable.setText(PrintField::cor, corText);
            printTable.setText(PrintField::preco, precoText);
            printTable.setText(PrintField::Marca, marca);
            printTable.setText(PrintField::Tam, tamanho);
            printTable.store();
        }
    }
}

} // namespace quorvel::labels
