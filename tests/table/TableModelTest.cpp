// The item model over a table: structure changes under QAbstractItemModelTester, batched
// announcement of appended rows, the indicator and text conversion.
#include "table/Failure.h"
#include "table/TableModel.h"
#include "table/Windows1252.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace quorvel::table {
namespace {

std::vector<FieldDef> fields()
{
    return {{"NAME", FieldType::Text, 10, true}, {"QTY", FieldType::Integer}};
}

// The tester reports through qWarning: turn its complaints into test failures.
void failOnModelComplaint(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtDebugMsg && context.category && QLatin1String(context.category) == QLatin1String("qt.modeltest"))
        ADD_FAILURE() << message.toStdString();
}

class TableModelTest : public ::testing::Test
{
protected:
    TableModelTest()
        : previousHandler(qInstallMessageHandler(failOnModelComplaint)),
          model(table, {{0, "Name"}, {1, "Qty", Qt::AlignRight | Qt::AlignVCenter}}),
          tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning)
    {
        QObject::connect(&model, &QAbstractItemModel::rowsInserted, [this](const QModelIndex&, int first, int last) {
            insertedBatches.push_back(last - first + 1);
        });
    }

    void addRow(const char* name, int qty = 1)
    {
        table.append();
        table.setText(0, name);
        table.setInteger(1, qty);
        table.store();
    }

    ~TableModelTest() override { qInstallMessageHandler(previousHandler); }

    QString shown(int row, int column = 0) { return model.index(row, column).data().toString(); }

    QtMessageHandler previousHandler;
    Table table{"t", fields()};
    TableModel model;
    QAbstractItemModelTester tester;
    std::vector<int> insertedBatches;
};

TEST_F(TableModelTest, AppendedRowsReachViewsInOneBatch)
{
    for (int i = 0; i < 1000; ++i)
        addRow("R");
    EXPECT_EQ(model.rowCount(), 0) << "nothing announced inside the operation";
    QCoreApplication::processEvents();
    EXPECT_EQ(model.rowCount(), 1000);
    EXPECT_EQ(insertedBatches, std::vector<int>{1000});
}

TEST_F(TableModelTest, FlushAnnouncesAtOnceAndFollowsTheCurrentRow)
{
    QSignalSpy current(&model, &TableModel::currentRowChanged);
    addRow("A");
    addRow("B");
    table.first();
    EXPECT_EQ(model.rowCount(), 0);
    model.flush();
    EXPECT_EQ(model.rowCount(), 2);
    ASSERT_FALSE(current.isEmpty());
    EXPECT_EQ(current.last().at(0).toInt(), 0);
    table.next();
    EXPECT_EQ(current.last().at(0).toInt(), 1) << "moves among known rows are announced at once";
}

TEST_F(TableModelTest, InsertAndRemoveInTheMiddleKeepNeighboursIntact)
{
    addRow("A");
    addRow("B");
    addRow("C");
    model.flush();
    table.moveTo(1);
    table.insert();
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(shown(0), "A");
    EXPECT_EQ(shown(1), "");
    EXPECT_EQ(shown(2), "B");
    table.setText(0, "N");
    EXPECT_EQ(shown(1), "N");
    table.store();
    table.moveTo(2);
    table.remove();
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(shown(0), "A");
    EXPECT_EQ(shown(1), "N");
    EXPECT_EQ(shown(2), "C");
}

TEST_F(TableModelTest, AbandonedNewRowLeavesAndAbandonedEditStays)
{
    addRow("A");
    model.flush();
    table.append();
    model.flush();
    EXPECT_EQ(model.rowCount(), 2);
    table.abandon();
    EXPECT_EQ(model.rowCount(), 1);
    table.setText(0, "Z");
    EXPECT_EQ(shown(0), "Z");
    table.abandon();
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(shown(0), "A");
}

TEST_F(TableModelTest, RowsMayComeAndGoBeforeViewsHearOfThem)
{
    addRow("A");
    model.flush();
    table.append();
    table.abandon();
    table.append();
    table.setText(0, "B");
    table.store();
    table.clear();
    addRow("C");
    QCoreApplication::processEvents();
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(shown(0), "C");
}

TEST_F(TableModelTest, IndicatorMarksBrowsingEditingAndInserting)
{
    addRow("A");
    addRow("B");
    table.first();
    model.flush();
    QSignalSpy header(&model, &QAbstractItemModel::headerDataChanged);
    EXPECT_EQ(model.headerData(0, Qt::Vertical).toString(), QString::fromUtf8("\u25B6"));
    EXPECT_EQ(model.headerData(1, Qt::Vertical).toString(), "");
    table.edit();
    EXPECT_EQ(model.headerData(0, Qt::Vertical).toString(), "I");
    table.abandon();
    table.insert();
    EXPECT_EQ(model.headerData(0, Qt::Vertical).toString(), "*");
    EXPECT_FALSE(header.isEmpty());
}

TEST_F(TableModelTest, ValuesShowAsTextAndNumbersAlignRight)
{
    addRow("A", -7);
    model.flush();
    EXPECT_EQ(shown(0, 1), "-7");
    EXPECT_TRUE(model.index(0, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Qty");
}

struct CodeCase
{
    const char* name;
    std::string bytes;
    QString text;
};

class Windows1252 : public ::testing::TestWithParam<CodeCase>
{
};

TEST_P(Windows1252, ConvertsBothWays)
{
    EXPECT_EQ(fromWindows1252(GetParam().bytes), GetParam().text);
    EXPECT_EQ(toWindows1252(GetParam().text), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Texts, Windows1252,
                         ::testing::Values(CodeCase{"Ascii", "ABC 12,5", "ABC 12,5"},
                                           CodeCase{"Latin", "CAL\xC7" "ADO", QString::fromUtf8("CALÇADO")},
                                           CodeCase{"EuroAndQuotes", "\x80\x93\x94", QString::fromUtf8("€“”")},
                                           CodeCase{"UndefinedByteKeptAsControl", "\x81", QString(QChar(0x81))}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(Windows1252Encode, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    EXPECT_EQ(toWindows1252(QString::fromUtf8("a\u4E2Db")), "a?b");
}

} // namespace
} // namespace quorvel::table
