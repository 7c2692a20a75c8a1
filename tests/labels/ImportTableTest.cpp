// The import table and insereItem: field order, notifications, the two-step price conversion,
// the required fields and what a failure leaves behind.
#include "labels/ImportTable.h"
#include "labels/PriceRule.h"
#include "table/Failure.h"
#include "support/Scoped.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

using namespace quorvel;
using namespace quorvel::labels;

namespace {

LabelItem everyday()
{
    LabelItem i;
    i.grupo = "VESTUARIO";
    i.subgrupo = "CAMISETAS";
    i.tipo = "BASICA";
    i.referFabricante = "CM-204";
    i.descCorProduto = "AZUL MARINHO";
    i.griffe = "NORTE";
    i.codigoBarra = "2000000012346";
    i.tamanho = "M";
    i.qtd = 2;
    i.preco = 39.9;
    return i;
}

std::string failureOf(table::Table& t, const LabelItem& i)
{
    try {
        insereItem(t, i);
    } catch (const Failure& f) {
        return f.message().toStdString();
    }
    return {};
}

class ImportTableTest : public ::testing::Test
{
protected:
    quorvel::test::ScopedLocale locale{quorvel::test::brazil()};
    std::unique_ptr<table::Table> t = makeImportTable();
};

TEST_F(ImportTableTest, AssignsInItsOrderWithOneNotificationEach)
{
    std::vector<std::pair<table::Change::Kind, int>> seen;
    t->subscribe([&](const table::Change& c) { seen.emplace_back(c.kind, c.field); });
    insereItem(*t, everyday());
    using K = table::Change::Kind;
    std::vector<std::pair<K, int>> expected = {
        {K::RowBegun, -1}, {K::FieldSet, ImportField::GRUPO}, {K::FieldSet, ImportField::SUBGRUPO}, {K::FieldSet, ImportField::TIPO},
        {K::FieldSet, ImportField::REFER_FABRICANTE}, {K::FieldSet, ImportField::DESC_COR_PRODUTO}, {K::FieldSet, ImportField::PRECO1},
        {K::FieldSet, ImportField::GRIFFE}, {K::FieldSet, ImportField::CODIGO_BARRA}, {K::FieldSet, ImportField::TAMANHO}, {K::FieldSet, ImportField::qtd},
        {K::RowStored, -1}};
    EXPECT_EQ(seen, expected);
    EXPECT_FALSE(t->isPending());
    EXPECT_EQ(t->currentRow(), 0);
}

TEST_F(ImportTableTest, TextsAreCutToTheirWidths)
{
    LabelItem i = everyday();
    std::string colour(50, 'c'), size = "0123456789", reference = "REF-1234567890";
    i.descCorProduto = colour;
    i.tamanho = size;
    i.referFabricante = reference;
    insereItem(*t, i);
    EXPECT_EQ(t->text(ImportField::DESC_COR_PRODUTO), std::string(40, 'c'));
    EXPECT_EQ(t->text(ImportField::TAMANHO), "01234567");
    EXPECT_EQ(t->text(ImportField::REFER_FABRICANTE), "REF-12345678");
}

TEST_F(ImportTableTest, QuantityIsStoredUnchanged)
{
    for (std::int32_t n : {0, -1, 2147483647, -2147483647 - 1}) {
        LabelItem i = everyday();
        i.qtd = n;
        insereItem(*t, i);
        EXPECT_EQ(t->integer(ImportField::qtd), n);
        EXPECT_EQ(t->text(ImportField::qtd), std::to_string(n));
    }
}

struct PriceCase
{
    const char* name;
    double price;
    const char* shown;     ///< under a comma separator; "" when the row fails
};

void PrintTo(const PriceCase& c, std::ostream* os) { *os << c.price; }

class PriceIntoPreco1 : public ImportTableTest, public ::testing::WithParamInterface<PriceCase> {};

TEST_P(PriceIntoPreco1, IsRoundedTwiceAndShownShortest)
{
    LabelItem i = everyday();
    i.preco = GetParam().price;
    std::string failure = failureOf(*t, i);
    if (*GetParam().shown == '\0') {
        EXPECT_NE(failure, "");
        return;
    }
    ASSERT_EQ(failure, "");
    EXPECT_EQ(t->text(ImportField::PRECO1), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Rounding, PriceIntoPreco1, ::testing::Values(
    PriceCase{"TieToEvenDown", 12.345, "12,34"},
    PriceCase{"TieToEvenUp", 12.355, "12,36"},
    PriceCase{"OneDecimal", 12.3, "12,3"},
    PriceCase{"Whole", 12, "12"},
    PriceCase{"FirstRoundingMakesATie", 1.234951, "1,24"},
    PriceCase{"EvenCentTie", 0.125, "0,12"},
    PriceCase{"OddCentTie", 0.135, "0,14"},
    PriceCase{"NegativeTie", -12.345, "-12,34"},
    PriceCase{"SmallNegative", -0.05, "-0,05"},
    PriceCase{"BelowHalfACentInExponentForm", 0.00001, "0"},
    PriceCase{"Zero", 0, "0"},
    PriceCase{"LargestThatFits", 999999999999.99, "999999999999,99"},
    PriceCase{"RoundsUpToTheLimit", 999999999999.996, ""},
    PriceCase{"TenToTheTwelve", 1e12, ""},
    PriceCase{"ExponentForm", 1e15, ""}),
    [](const ::testing::TestParamInfo<PriceCase>& row) { return std::string(row.param.name); });

// A price read from a file carries its own decimal, which spares the text round trip; the row
// must come out exactly as the round trip would make it, failures included.
TEST_F(ImportTableTest, PriceWithItsDecimalStoresWhatTheGeneralTextWould)
{
    std::vector<std::string> texts = {
        "39,9", "12,345", "12,355", "1,234951", "0,125", "0,135", "-12,345", "-0,05", "0,00005",
        "0,000049999", "0,000050001", "0", "-0", "0,000", "999999999999,99", "999999999999,995",
        "999999999999,996", "1000000000000", "1E15", "1E14", "12E-1", "1,5E2", "-7,25e+3",
        "123456789012345", "12345678901234,5", "1234567890123,45", "0,123456789012345",
        "1234567890123456", "0,1234567890123456", "99999999999999,5", "0,00015", "0,00025",
        "5E-5", "15E-5", "25E-5", "1E-27", "9E27", "100000000000000000000", ",5", "5,", "  7,5  ",
    };
    std::mt19937_64 random(7);
    for (int n = 0; n < 20000; ++n) {
        std::string s = random() % 5 == 0 ? "-" : "";
        s += std::to_string(random() % 1000000);
        s += ',';
        std::size_t decimals = random() % 9;
        for (std::size_t k = 0; k < decimals; ++k)
            s.push_back(static_cast<char>('0' + random() % 10));
        if (random() % 7 == 0)
            s += "E" + std::to_string(static_cast<int>(random() % 21) - 10);
        texts.push_back(s);
    }
    auto byText = makeImportTable();
    auto byDecimal = makeImportTable();
    for (const std::string& text : texts) {
        PriceValue price = parsePrice(text, ',');
        ASSERT_EQ(price.status, PriceValue::Status::Valid) << text;
        LabelItem viaText = everyday();
        viaText.preco = price.value;
        LabelItem viaDecimal = viaText;
        viaDecimal.precoDecimal = price.decimal;
        byText->abandon();
        byDecimal->abandon();
        std::string failure = failureOf(*byText, viaText);
        ASSERT_EQ(failureOf(*byDecimal, viaDecimal), failure) << text;
        ASSERT_EQ(byDecimal->isNull(ImportField::PRECO1), byText->isNull(ImportField::PRECO1)) << text;
        ASSERT_EQ(byDecimal->fixedUnits(ImportField::PRECO1), byText->fixedUnits(ImportField::PRECO1)) << text;
    }
}

// Rows nobody watches are stored in one step; a watched table takes every step with its
// notifications. Both must end with the same rows, the same pending row and the same failures.
TEST_F(ImportTableTest, RowsStoredInOneStepEqualRowsStoredFieldByField)
{
    const std::vector<std::string> texts = {"", "A", "AZUL MARINHO", std::string(60, 'x'), "CAL\xC7" "ADO", " "};
    const std::vector<std::string> prices = {"39,9", "0", "-12,345", "999999999999,99", "1E12", "0,125", "1234567890123456"};
    auto quiet = makeImportTable();
    auto watched = makeImportTable();
    int notifications = 0;
    watched->subscribe([&](const table::Change&) { ++notifications; });
    std::mt19937 random(5);
    auto pick = [&](const std::vector<std::string>& from) { return std::string_view(from[random() % from.size()]); };
    for (int n = 0; n < 3000; ++n) {
        const std::string_view price = pick(prices);
        PriceValue parsed = parsePrice(price, ',');
        ASSERT_EQ(parsed.status, PriceValue::Status::Valid) << price;
        LabelItem i;
        i.grupo = pick(texts);
        i.subgrupo = pick(texts);
        i.tipo = pick(texts);
        i.referFabricante = pick(texts);
        i.descCorProduto = random() % 4 ? std::string_view("AZUL") : pick(texts);
        i.griffe = random() % 4 ? std::string_view("NORTE") : pick(texts);
        i.codigoBarra = random() % 4 ? std::string_view("789") : pick(texts);
        i.tamanho = pick(texts);
        i.qtd = static_cast<std::int32_t>(random() % 7) - 2;
        i.preco = parsed.value;
        i.precoDecimal = parsed.decimal;
        std::string failure = failureOf(*quiet, i);
        ASSERT_EQ(failureOf(*watched, i), failure) << n;
        ASSERT_EQ(quiet->rowCount(), watched->rowCount()) << n;
        ASSERT_EQ(quiet->state(), watched->state()) << n;
        ASSERT_EQ(quiet->currentRow(), watched->currentRow()) << n;
        for (int f = 0; f < quiet->fieldCount(); ++f)
            ASSERT_EQ(quiet->text(f), watched->text(f)) << n << ", field " << f;
        if (!failure.empty()) {
            quiet->abandon();
            watched->abandon();
        }
    }
    ASSERT_GT(quiet->rowCount(), 1000);
    for (int row = 0; row < quiet->rowCount(); ++row)
        for (int f = 0; f < quiet->fieldCount(); ++f)
            ASSERT_EQ(quiet->textAt(row, f), watched->textAt(row, f)) << row << ", field " << f;
    EXPECT_GT(notifications, 0);
}

TEST_F(ImportTableTest, PriceWithoutRoomFailsNamingItsTextAndLeavesTheFirstFiveAssigned)
{
    LabelItem i = everyday();
    i.preco = 1e12;
    EXPECT_EQ(failureOf(*t, i), "'1000000000000' is not a valid floating point value for field 'PRECO1'");
    EXPECT_EQ(t->state(), table::Table::State::Inserting);
    EXPECT_EQ(t->text(ImportField::GRUPO), "VESTUARIO");
    EXPECT_EQ(t->text(ImportField::DESC_COR_PRODUTO), "AZUL MARINHO");
    EXPECT_TRUE(t->isNull(ImportField::PRECO1));
    EXPECT_TRUE(t->isNull(ImportField::GRIFFE));
    EXPECT_TRUE(t->isNull(ImportField::qtd));
    t->abandon();
    i.preco = 1e15;
    EXPECT_EQ(failureOf(*t, i), "'1E15' is not a valid floating point value for field 'PRECO1'");
}

TEST_F(ImportTableTest, PointSeparatorSettings)
{
    locale.set(QLocale(QLocale::English, QLocale::UnitedStates));
    LabelItem i = everyday();
    i.preco = 12.345;
    insereItem(*t, i);
    EXPECT_EQ(t->text(ImportField::PRECO1), "12.34");
}

struct RequiredCase
{
    const char* name;
    bool colour, brand, code;
    const char* message;
    ImportField::Id field;   ///< the field the failure names, as data
};

void PrintTo(const RequiredCase& c, std::ostream* os) { *os << c.name; }

class RequiredFields : public ImportTableTest, public ::testing::WithParamInterface<RequiredCase> {};

TEST_P(RequiredFields, FirstEmptyInFieldOrderFailsAndTheRowStaysPending)
{
    const RequiredCase& c = GetParam();
    LabelItem i = everyday();
    if (!c.colour)
        i.descCorProduto = "";
    if (!c.brand)
        i.griffe = "";
    if (!c.code)
        i.codigoBarra = "";
    EXPECT_EQ(failureOf(*t, i), c.message);
    try {
        t->store();
        ADD_FAILURE() << "the row was stored";
    } catch (const table::MissingValue& f) {
        EXPECT_EQ(f.field(), c.field);
        EXPECT_EQ(f.table(), t.get());
    }
    EXPECT_EQ(t->state(), table::Table::State::Inserting);
    EXPECT_EQ(t->rowCount(), 1);
    EXPECT_EQ(t->text(ImportField::TAMANHO), "M");
    EXPECT_EQ(t->integer(ImportField::qtd), 2);
    // The next row cannot begin while this one is pending.
    EXPECT_EQ(failureOf(*t, everyday()), c.message);
    EXPECT_EQ(t->rowCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Order, RequiredFields, ::testing::Values(
    RequiredCase{"Colour", false, true, true, "Field 'DESC_COR_PRODUTO' must have a value", ImportField::DESC_COR_PRODUTO},
    RequiredCase{"Brand", true, false, true, "Field 'GRIFFE' must have a value", ImportField::GRIFFE},
    RequiredCase{"BarCode", true, true, false, "Field 'CODIGO_BARRA' must have a value", ImportField::CODIGO_BARRA},
    RequiredCase{"ColourBeforeBarCode", false, true, false, "Field 'DESC_COR_PRODUTO' must have a value", ImportField::DESC_COR_PRODUTO},
    RequiredCase{"BrandBeforeBarCode", true, false, false, "Field 'GRIFFE' must have a value", ImportField::GRIFFE}),
    [](const ::testing::TestParamInfo<RequiredCase>& row) { return std::string(row.param.name); });

TEST_F(ImportTableTest, UnchangedGridRowIsDiscardedFirst)
{
    insereItem(*t, everyday());
    t->append();
    insereItem(*t, everyday());
    EXPECT_EQ(t->rowCount(), 2);
    EXPECT_FALSE(t->isPending());
}

} // namespace
