#include "table/Failure.h"
#include "table/Table.h"
#include "support/Scoped.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::table;

namespace {

std::vector<FieldDef> twoFields()
{
    return {{"NOME", FieldType::Text, 5, true}, {"QTD", FieldType::Integer}};
}

class TableTest : public ::testing::Test
{
protected:
    quorvel::test::ScopedLocale locale{quorvel::test::brazil()};
    Table t{"cdsTest", twoFields()};
};

TEST_F(TableTest, StoredTextIsCutToItsWidthAndKeepsTrailingBlanks)
{
    t.append();
    t.setText(0, "ABCDEFG");
    t.store();
    EXPECT_EQ(t.text(0), "ABCDE");
    t.append();
    t.setText(0, "AB  ");
    t.store();
    EXPECT_EQ(t.text(0), "AB  ");
}

TEST_F(TableTest, RequiredEmptyTextFailsAndRowStaysPending)
{
    t.append();
    t.setText(1, "3");
    try {
        t.store();
        FAIL() << "store succeeded";
    } catch (const Failure& f) {
        EXPECT_EQ(f.message(), "Field 'NOME' must have a value");
    }
    EXPECT_EQ(t.state(), Table::State::Inserting);
    EXPECT_EQ(t.rowCount(), 1);
    EXPECT_THROW(t.first(), Failure);
    t.abandon();
    EXPECT_TRUE(t.isEmpty());
}

TEST_F(TableTest, DeleteOnEmptyTableNamesTheTable)
{
    try {
        t.remove();
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(f.message(), "cdsTest: Cannot perform this operation on an empty dataset");
    }
}

TEST_F(TableTest, WalkEndsPastTheLastRowWhichStaysCurrent)
{
    for (const char* name : {"A", "B", "C"}) {
        t.append();
        t.setText(0, name);
        t.store();
    }
    std::string seen;
    for (t.first(); !t.atEnd(); t.next())
        seen += t.text(0);
    EXPECT_EQ(seen, "ABC");
    EXPECT_EQ(t.text(0), "C");
}

TEST_F(TableTest, UnchangedNewRowIsDiscardedByAMove)
{
    t.append();
    t.setText(0, "A");
    t.store();
    t.append();
    EXPECT_EQ(t.rowCount(), 2);
    t.first();
    EXPECT_EQ(t.rowCount(), 1);
}

TEST_F(TableTest, InsertGoesBeforeTheCurrentRow)
{
    for (const char* name : {"A", "C"}) {
        t.append();
        t.setText(0, name);
        t.store();
    }
    t.insert();
    EXPECT_EQ(t.currentRow(), 1);
    t.setText(0, "B");
    EXPECT_EQ(t.textAt(2, 0), "C");
    t.store();
    EXPECT_EQ(t.textAt(0, 0) + t.textAt(1, 0) + t.textAt(2, 0), "ABC");
}

TEST_F(TableTest, NotificationsCarryTheAssignedField)
{
    std::vector<int> fields;
    t.subscribe([&](const Change& c) { fields.push_back(c.field); });
    t.append();
    t.setText(0, "A");
    t.setInteger(1, 2);
    t.store();
    EXPECT_EQ(fields, (std::vector<int>{-1, 0, 1, -1}));
}

TEST_F(TableTest, ObserversLeavingOrJoiningDuringANotification)
{
    // Whoever was subscribed when a change happened hears of it; one that left hears no later
    // change, even one raised while the first is still being heard; one that joined hears only
    // changes raised after it joined.
    std::vector<std::string> heard;
    int second = 0;
    int late = 0;
    bool nested = false;
    const int first = t.subscribe([&](const Change& c) {
        heard.push_back("first:" + std::to_string(static_cast<int>(c.kind)));
        if (second != 0 && c.kind == Change::Kind::RowBegun) {
            t.unsubscribe(second);
            late = t.subscribe([&](const Change&) { heard.push_back("late"); });
            if (!nested) {
                nested = true;
                t.setText(0, "x");   // a change raised while the first is still being heard
            }
        }
    });
    second = t.subscribe([&](const Change&) { heard.push_back("second"); });
    t.append();
    const std::vector<std::string> expected = {
        "first:" + std::to_string(static_cast<int>(Change::Kind::RowBegun)),
        "first:" + std::to_string(static_cast<int>(Change::Kind::FieldSet)),   // the nested change:
        "late",                                                                  // second has left, late has come
        "second",   // the change second was subscribed for
    };
    EXPECT_EQ(heard, expected);
    heard.clear();
    t.setText(0, "y");
    EXPECT_EQ(heard, (std::vector<std::string>{"first:" + std::to_string(static_cast<int>(Change::Kind::FieldSet)), "late"}));
    t.unsubscribe(first);
    t.unsubscribe(late);
}

TEST_F(TableTest, BadIntegerTextNamesTheField)
{
    t.append();
    try {
        t.setText(1, "-");
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(f.message(), "'-' is not a valid integer value for field 'QTD'");
    }
}

TEST_F(TableTest, EveryKindOfChangeIsNotified)
{
    using K = Change::Kind;
    std::vector<std::pair<K, int>> seen;
    t.subscribe([&](const Change& c) { seen.emplace_back(c.kind, c.field); });
    t.append();
    t.setText(0, "A");
    t.store();
    t.setText(1, "7");   // editing begins on its own
    t.abandon();
    t.first();
    t.next();
    t.remove();
    t.clear();
    std::vector<std::pair<K, int>> expected = {
        {K::RowBegun, -1}, {K::FieldSet, 0}, {K::RowStored, -1}, {K::EditBegun, -1}, {K::FieldSet, 1},
        {K::RowAbandoned, -1}, {K::Moved, -1}, {K::Moved, -1}, {K::RowDeleted, -1}, {K::Emptied, -1}};
    EXPECT_EQ(seen, expected);
}

TEST_F(TableTest, AbandonedEditKeepsTheStoredValues)
{
    t.append();
    t.setText(0, "A");
    t.setText(1, "1");
    t.store();
    t.setText(0, "B");
    t.setNull(1);
    EXPECT_EQ(t.text(0), "B");
    t.abandon();
    EXPECT_EQ(t.text(0), "A");
    EXPECT_EQ(t.integer(1), 1);
    EXPECT_EQ(t.state(), Table::State::Browsing);
}

TEST_F(TableTest, BadNumberLeavesTheRowUntouched)
{
    t.append();
    t.setText(0, "A");
    t.setText(1, "5");
    t.store();
    EXPECT_THROW(t.setText(1, "x"), Failure);
    EXPECT_EQ(t.state(), Table::State::Browsing);
    EXPECT_EQ(t.integer(1), 5);
}

TEST_F(TableTest, PendingNewRowCountsAndDeleteDropsIt)
{
    EXPECT_TRUE(t.isEmpty());
    t.append();
    EXPECT_FALSE(t.isEmpty());
    t.remove();
    EXPECT_TRUE(t.isEmpty());
    EXPECT_EQ(t.state(), Table::State::Browsing);
    EXPECT_THROW(t.remove(), Failure);
}

TEST_F(TableTest, DeletingAnEditedRowDropsItsChanges)
{
    for (const char* name : {"A", "B"}) {
        t.append();
        t.setText(0, name);
        t.store();
    }
    t.first();
    t.setText(0, "Z");
    t.remove();
    EXPECT_EQ(t.rowCount(), 1);
    EXPECT_EQ(t.textAt(0, 0), "B");
    EXPECT_EQ(t.state(), Table::State::Browsing);
}

TEST_F(TableTest, ManyRowsSurviveEditsAndEmptying)
{
    // More rows than one storage block holds; an edited row is read back from its new place.
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 200000; ++i) {
            t.append();
            t.setText(0, std::to_string(i % 100000));
            t.setInteger(1, i);
            t.store();
        }
        t.moveTo(123456);
        t.setText(0, "EDIT");
        t.store();
        EXPECT_EQ(t.textAt(123455, 0), "23455");
        EXPECT_EQ(t.textAt(123456, 0), "EDIT");
        EXPECT_EQ(t.integerAt(123456, 1), 123456);
        EXPECT_EQ(t.integerAt(199999, 1), 199999);
        t.clear();
        EXPECT_TRUE(t.isEmpty());
    }
}

TEST_F(TableTest, AbandonedInsertReturnsToTheRowThatWasCurrent)
{
    for (const char* name : {"A", "B", "C"}) {
        t.append();
        t.setText(0, name);
        t.store();
    }
    t.moveTo(1);
    t.insert();
    EXPECT_EQ(t.rowCount(), 4);
    t.abandon();
    EXPECT_EQ(t.currentRow(), 1);
    EXPECT_EQ(t.text(0), "B");
}

// A whole row read at once must agree with field-by-field reads, whether the row is stored,
// being edited, or sits after a new row inserted before it.
TEST(TableRowValues, AgreeWithFieldReadsInEveryState)
{
    const quorvel::test::ScopedLocale locale(quorvel::test::brazil());
    Table t("cdsTest", {{"NOME", FieldType::Text, 5}, {"QTD", FieldType::Integer}, {"PRECO", FieldType::Fixed, 0, false, 14, 2},
                        {"VALOR", FieldType::Currency}, {"COR", FieldType::Text, 10}});
    const char* rows[][5] = {{"A", "1", "39,9", "10,5", "AZUL"}, {"", "-70000", "", "0", ""}, {"C", "", "0,01", "", "VERDE"}};
    for (const auto& r : rows) {
        t.append();
        for (int f = 0; f < 5; ++f)
            t.setText(f, r[f]);
        t.store();
    }
    auto check = [&](const char* state) {
        std::vector<Value> values;
        for (int row = -1; row <= t.rowCount(); ++row) {
            t.values(row, values);
            ASSERT_EQ(values.size(), 5u);
            for (int f = 0; f < 5; ++f) {
                const Value& v = values[static_cast<std::size_t>(f)];
                SCOPED_TRACE(std::string(state) + ", row " + std::to_string(row) + ", field " + std::to_string(f));
                EXPECT_EQ(v.null, t.isNullAt(row, f));
                if (t.field(f).type == FieldType::Text)
                    EXPECT_EQ(v.text, t.textAt(row, f));
                else if (t.field(f).type == FieldType::Currency)
                    EXPECT_EQ(v.real, t.currencyAt(row, f));
                else if (t.field(f).type == FieldType::Fixed)
                    EXPECT_EQ(v.number, t.fixedUnitsAt(row, f));
                else
                    EXPECT_EQ(v.number, t.integerAt(row, f));
            }
        }
    };
    check("browsing");
    t.moveTo(1);
    t.setText(0, "EDIT");
    t.setText(1, "5");
    check("editing");
    t.store();
    t.moveTo(1);
    t.insert();
    t.setText(4, "NOVA");
    check("inserting");
}

TEST(TableFieldKinds, WholeNumbersIntoDecimalAndTextFields)
{
    Table t("cdsKinds", {{"PRECO", FieldType::Fixed, 0, false, 14, 2}, {"NOME", FieldType::Text, 5}, {"VALOR", FieldType::Currency}});
    t.append();
    t.setInteger(0, 5);
    t.setInteger(1, -42);
    t.setInteger(2, 3);
    EXPECT_EQ(t.fixedUnits(0), 500);
    EXPECT_EQ(t.text(1), "-42");
    EXPECT_EQ(t.currency(2), 3.0);
}

TEST(TableFieldKinds, StoredNumbersReadBackExactly)
{
    const quorvel::test::ScopedLocale locale(quorvel::test::brazil());
    Table t("cdsKinds", {{"PRECO", FieldType::Fixed, 0, false, 14, 2}, {"QTD", FieldType::Integer}, {"VALOR", FieldType::Currency},
                         {"NOME", FieldType::Text, 3}});
    const char* prices[] = {"-999999999999,99", "999999999999,99", "0", "-0,01", "63,5", "64", "-64,01"};
    const std::int32_t quantities[] = {-2147483647 - 1, 2147483647, 0, -1, 63, 64, -65};
    for (int i = 0; i < 7; ++i) {
        t.append();
        t.setText(0, prices[i]);
        t.setInteger(1, quantities[i]);
        t.setText(2, prices[i]);
        t.setText(3, "abc");
        t.store();
    }
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(t.textAt(i, 0), prices[i]);
        EXPECT_EQ(t.integerAt(i, 1), quantities[i]);
        EXPECT_EQ(t.textAt(i, 2), prices[i]);
        EXPECT_EQ(t.textAt(i, 3), "abc");
    }
}

TEST(TableFieldKinds, FailureMessagesShowTheTextsCharacters)
{
    Table t("cdsKinds", {{"QTD", FieldType::Integer}});
    t.append();
    try {
        t.setText(0, "5\xC7\x80");
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(f.message(), QString::fromUtf8("'5Ç€' is not a valid integer value for field 'QTD'"));
    }
}

} // namespace
