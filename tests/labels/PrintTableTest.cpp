// The print table and the expansion of the label list into one row per label.
#include "labels/ImportTable.h"
#include "labels/PrintTable.h"
#include "table/Failure.h"
#include "support/Scoped.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::labels;

namespace {

class PrintTableTest : public ::testing::Test
{
protected:
    quorvel::test::ScopedLocale locale{quorvel::test::brazil()};

    void add(const std::string& code, const char* quantity, const char* price = "12,34")
    {
        importTable->append();
        importTable->setText(ImportField::CODIGO_BARRA, code);
        importTable->setText(ImportField::DESC_COR_PRODUTO, "COR");
        importTable->setText(ImportField::GRIFFE, "MARCA");
        importTable->setText(ImportField::PRECO1, price);
        if (quantity)
            importTable->setText(ImportField::qtd, quantity);
        importTable->store();
    }

    std::string codes() const
    {
        std::string out;
        for (int row = 0; row < printTable->rowCount(); ++row)
            out += printTable->textAt(row, PrintField::Codigo);
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
    importTable->setText(ImportField::CODIGO_BARRA, "7891234000019");
    importTable->setText(ImportField::DESC_COR_PRODUTO, std::string(30, 'c'));
    importTable->setText(ImportField::GRIFFE, std::string(25, 'm'));
    importTable->setText(ImportField::TAMANHO, "XGG");
    importTable->setText(ImportField::REFER_FABRICANTE, "CM-204");
    importTable->setText(ImportField::TIPO, "BASICA");
    importTable->setText(ImportField::GRUPO, "VESTUARIO");
    importTable->setText(ImportField::SUBGRUPO, "CAMISETAS");
    importTable->setText(ImportField::PRECO1, "12,34");
    importTable->setText(ImportField::qtd, "1");
    importTable->store();
    expand(*importTable, *printTable);
    ASSERT_EQ(printTable->rowCount(), 1);
    printTable->first();
    EXPECT_EQ(printTable->text(PrintField::cor), std::string(20, 'c'));
    EXPECT_EQ(printTable->text(PrintField::Marca), std::string(20, 'm'));
    EXPECT_EQ(printTable->text(PrintField::Tam), "XG");
    EXPECT_TRUE(printTable->isNull(PrintField::Descricao));
    EXPECT_EQ(printTable->text(PrintField::Codigo), "7891234000019");
    EXPECT_EQ(printTable->text(PrintField::referencia), "CM-204");
    EXPECT_EQ(printTable->text(PrintField::tipo), "BASICA");
    EXPECT_EQ(printTable->text(PrintField::grupo), "VESTUARIO");
    EXPECT_EQ(printTable->text(PrintField::subgrupo), "CAMISETAS");
    EXPECT_EQ(printTable->currency(PrintField::preco), 12.34);
    EXPECT_EQ(printTable->text(PrintField::preco), "12,34");
}

TEST_F(PrintTableTest, RowWithoutPriceGivesNoPrice)
{
    add("A", "1", "");
    expand(*importTable, *printTable);
    printTable->first();
    EXPECT_TRUE(printTable->isNull(PrintField::preco));
}

TEST_F(PrintTableTest, UnstorablePendingRowFailsAfterEmptying)
{
    add("A", "1");
    expand(*importTable, *printTable);
    importTable->append();
    importTable->setText(ImportField::GRUPO, "G");
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
