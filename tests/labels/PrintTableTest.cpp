// The print table and the expansion of the label list into one row per label.
#include "labels/LabelList.h"
#include "labels/PrintTable.h"
#include "table/Failure.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::labels;

namespace {

class PrintTableTest : public ::testing::Test
{
protected:
    PrintTableTest() { QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil)); }

    void add(const std::string& code, const char* quantity, const char* price = "12,34")
    {
        importTable->append();
        importTable->setText(CODIGO_BARRA, code);
        importTable->setText(DESC_COR_PRODUTO, "COR");
        importTable->setText(GRIFFE, "MARCA");
        importTable->setText(PRECO1, price);
        if (quantity)
            importTable->setText(qtd, quantity);
        importTable->store();
    }

    std::string codes() const
    {
        std::string out;
        for (int row = 0; row < printTable->rowCount(); ++row)
            out += printTable->textAt(row, Codigo);
        return out;
    }

    std::unique_ptr<table::Table> importTable = makeImportTable();
    std::unique_ptr<table::Table> printTable = makePrintTable();
};

TEST_F(PrintTableTest, EachRowRepeatedByItsQuantity)
{
    add("A", "2");
    add("B", "0");
    add("C", nullptr);
    add("D", "-1");
    add("E", "3");
    EXPECT_EQ(countLabels(*importTable), 5);
    expand(*importTable, *printTable);
    EXPECT_EQ(codes(), "AAEEE");
    EXPECT_EQ(importTable->currentRow(), 4);
}

TEST_F(PrintTableTest, NoPositiveQuantityGivesAnEmptyTable)
{
    add("A", "0");
    add("B", "-3");
    expand(*importTable, *printTable);
    EXPECT_TRUE(printTable->isEmpty());
}

TEST_F(PrintTableTest, NarrowTargetsAreCutAndDescricaoStaysEmpty)
{
    importTable->append();
    importTable->setText(CODIGO_BARRA, "7891234000019");
    importTable->setText(DESC_COR_PRODUTO, std::string(30, 'c'));
    importTable->setText(GRIFFE, std::string(25, 'm'));
    importTable->setText(TAMANHO, "XGG");
    importTable->setText(REFER_FABRICANTE, "CM-204");
    importTable->setText(TIPO, "BASICA");
    importTable->setText(GRUPO, "VESTUARIO");
    importTable->setText(SUBGRUPO, "CAMISETAS");
    importTable->setText(PRECO1, "12,34");
    importTable->setText(qtd, "1");
    importTable->store();
    expand(*importTable, *printTable);
    ASSERT_EQ(printTable->rowCount(), 1);
    printTable->first();
    EXPECT_EQ(printTable->text(cor), std::string(20, 'c'));
    EXPECT_EQ(printTable->text(Marca), std::string(20, 'm'));
    EXPECT_EQ(printTable->text(Tam), "XG");
    EXPECT_TRUE(printTable->isNull(Descricao));
    EXPECT_EQ(printTable->text(Codigo), "7891234000019");
    EXPECT_EQ(printTable->text(referencia), "CM-204");
    EXPECT_EQ(printTable->text(tipo), "BASICA");
    EXPECT_EQ(printTable->text(grupo), "VESTUARIO");
    EXPECT_EQ(printTable->text(subgrupo), "CAMISETAS");
    EXPECT_EQ(printTable->currency(preco), 12.34);
    EXPECT_EQ(printTable->text(preco), "12,34");
}

TEST_F(PrintTableTest, RowWithoutPriceGivesNoPrice)
{
    add("A", "1", "");
    expand(*importTable, *printTable);
    printTable->first();
    EXPECT_TRUE(printTable->isNull(preco));
}

TEST_F(PrintTableTest, UnstorablePendingRowFailsAfterEmptying)
{
    add("A", "1");
    expand(*importTable, *printTable);
    importTable->append();
    importTable->setText(GRUPO, "G");
    try {
        expand(*importTable, *printTable);
        FAIL() << "expanded";
    } catch (const Failure& f) {
        EXPECT_EQ(f.message(), "Field 'DESC_COR_PRODUTO' must have a value");
    }
    EXPECT_TRUE(printTable->isEmpty());
    EXPECT_EQ(importTable->state(), table::Table::State::Inserting);
}

TEST_F(PrintTableTest, UnchangedPendingRowIsDiscarded)
{
    add("A", "1");
    importTable->append();
    EXPECT_EQ(countLabels(*importTable), 1);
    expand(*importTable, *printTable);
    EXPECT_EQ(codes(), "A");
    EXPECT_EQ(importTable->rowCount(), 1);
}

TEST_F(PrintTableTest, ExpandingAgainRebuilds)
{
    add("A", "2");
    expand(*importTable, *printTable);
    expand(*importTable, *printTable);
    EXPECT_EQ(codes(), "AA");
}

TEST_F(PrintTableTest, TableHasTheTenFieldsInOrder)
{
    const char* names[] = {"Codigo", "Descricao", "referencia", "cor", "Tam", "Marca", "preco", "tipo", "grupo", "subgrupo"};
    const int widths[] = {25, 50, 20, 20, 2, 20, 0, 20, 20, 20};
    ASSERT_EQ(printTable->fieldCount(), 10);
    EXPECT_EQ(printTable->name(), "cdsImpEtq");
    for (int f = 0; f < 10; ++f) {
        EXPECT_EQ(printTable->field(f).name, names[f]);
        EXPECT_EQ(printTable->field(f).width, widths[f]);
        EXPECT_FALSE(printTable->field(f).required);
    }
    EXPECT_EQ(printTable->field(preco).type, table::FieldType::Currency);
}

struct BoundCase
{
    const char* name;
    const char* first;
    const char* second;
    bool refused;
};

class LabelBound : public PrintTableTest, public ::testing::WithParamInterface<BoundCase>
{
};

// The bound counts the whole list, and only quantities of 1 or more.
TEST_P(LabelBound, RefusesOnlyPastTheLimitNamingTotalAndLimit)
{
    add("A", GetParam().first);
    add("B", GetParam().second);
    if (!GetParam().refused) {
        EXPECT_NO_THROW(checkLabelCount(*importTable));
        return;
    }
    try {
        checkLabelCount(*importTable);
        ADD_FAILURE() << "not refused";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.message().toStdString(),
                  "A lista pede 1.000.001 etiquetas, mais que o limite de 1.000.000 etiquetas por impressão. "
                  "Diminua as quantidades e imprima em partes.");
    }
    EXPECT_EQ(importTable->rowCount(), 2);
    EXPECT_EQ(printTable->rowCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Totals, LabelBound, ::testing::Values(
    BoundCase{"AtTheLimit", "999999", "1", false},
    BoundCase{"OnePast", "999999", "2", true},
    BoundCase{"NegativeQuantityDoesNotOffset", "1000001", "-5", true},
    BoundCase{"EachRowSmallTotalLarge", "500001", "500000", true}),
    [](const ::testing::TestParamInfo<BoundCase>& row) { return std::string(row.param.name); });

} // namespace
