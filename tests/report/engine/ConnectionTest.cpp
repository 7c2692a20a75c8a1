#include "EngineFixtures.h"

#include "report/engine/DataSetConnection.h"
#include "support/Scoped.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::report;
using namespace quorvel::report::testing;

namespace {

class ConnectionTest : public ::testing::Test
{
protected:
    quorvel::test::ScopedLocale locale{quorvel::test::brazil()};
};

// A text of n bytes is offered with room for its terminator; numbers with their binary sizes.
TEST_F(ConnectionTest, OffersEachFieldWithItsEngineTypeAndWidth)
{
    using table::FieldType;
    table::Table t(QStringLiteral("t"), {{"Codigo", FieldType::Text, 25}, {"preco", FieldType::Currency},
                                         {"qtd", FieldType::Integer}, {"valor", FieldType::Fixed}});
    DataSetConnection c(QStringLiteral("RvDataSetConnection1"), &t);
    const std::vector<ConnectionField> expected{{QStringLiteral("Codigo"), DataType::String, 26},
                                                {QStringLiteral("preco"), DataType::Currency, 8},
                                                {QStringLiteral("qtd"), DataType::Integer, 4},
                                                {QStringLiteral("valor"), DataType::Float, 8}};
    EXPECT_EQ(c.fieldList(), expected);
}

TEST_F(ConnectionTest, RowsCarryNullsTextsAndCurrencyWithItsRegionalDisplay)
{
    auto table = makeLabelTable({{"7891234567895", "REF-1", "AZUL \x80", "G", "MARCA", "39,9"}, {"2", nullptr, nullptr, nullptr, nullptr, nullptr}});
    DataSetConnection c(QStringLiteral("RvDataSetConnection1"), table.get());
    c.open();
    EXPECT_FALSE(c.eof());
    std::vector<DataValue> row;
    ASSERT_TRUE(c.first());
    c.row(row);
    ASSERT_EQ(row.size(), 10u);
    EXPECT_EQ(row[0].shown(), QStringLiteral("7891234567895"));
    EXPECT_TRUE(row[1].null);
    EXPECT_EQ(row[3].shown(), QStringLiteral("AZUL €"));
    EXPECT_EQ(row[6].currency, 399000);
    EXPECT_EQ(row[6].text, QStringLiteral("39,9"));
    EXPECT_EQ(row[6].shown(), QStringLiteral("R$\u00a039,90"));
    EXPECT_TRUE(row[0].display.isEmpty());
    ASSERT_TRUE(c.next());
    c.row(row);
    EXPECT_TRUE(row[6].null);
    EXPECT_EQ(row[6].shown(), QString());
    EXPECT_FALSE(c.next());
    EXPECT_TRUE(c.eof());
}

TEST_F(ConnectionTest, CurrencyFollowsTheRegionalSettingsOfTheMomentRowByRow)
{
    auto table = makeLabelTable({{"1", "REF-1", "AZUL", "G", "MARCA", "39,9"}, {"2", "REF-2", "AZUL", "G", "MARCA", "39,9"},
                                 {"3", "REF-3", "AZUL", "G", "MARCA", "1234,5"}});
    DataSetConnection c(QStringLiteral("RvDataSetConnection1"), table.get());
    c.open();
    std::vector<DataValue> row;
    ASSERT_TRUE(c.first());
    c.row(row);
    EXPECT_EQ(row[6].shown(), QStringLiteral("R$\u00a039,90"));
    locale.set(QLocale(QLocale::English, QLocale::UnitedStates));
    ASSERT_TRUE(c.next());
    c.row(row);
    EXPECT_EQ(row[6].shown(), QStringLiteral("$39.90"));
    locale.set(quorvel::test::brazil());
    ASSERT_TRUE(c.next());
    c.row(row);
    EXPECT_EQ(row[6].shown(), QStringLiteral("R$\u00a01.234,50"));
}

TEST_F(ConnectionTest, AnEmptyTableIsAtEndFromTheFirstCheck)
{
    auto table = makeLabelTable();
    DataSetConnection c(QStringLiteral("RvDataSetConnection1"), table.get());
    c.open();
    EXPECT_TRUE(c.eof());
    EXPECT_FALSE(c.first());
    c.restore();
}

TEST_F(ConnectionTest, RestoreReturnsToTheRowCurrentAtOpen)
{
    auto table = makeLabelTable({{"1"}, {"2"}, {"3"}});
    DataSetConnection c(QStringLiteral("RvDataSetConnection1"), table.get());
    c.open();
    ASSERT_TRUE(c.first());
    while (c.next()) {
    }
    c.restore();
    EXPECT_EQ(table->currentRow(), 2);   // the last appended row was current
}

TEST_F(ConnectionTest, ConnectionsAreFoundByNameAmongThoseHandedOver)
{
    DataSetConnection c(QStringLiteral("RvDataSetConnection1"));
    DataSetConnection other(QStringLiteral("RvOutra"));
    EXPECT_EQ(findConnection({&other, &c}, QStringLiteral("RVDATASETCONNECTION1")), &c);
    EXPECT_EQ(findConnection({&other}, QStringLiteral("RvDataSetConnection1")), nullptr);
}

} // namespace
