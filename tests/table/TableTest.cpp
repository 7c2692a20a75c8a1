#include "table/Failure.h"
#include "table/Table.h"

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
    TableTest() { QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil)); }
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

} // namespace
