// Snapshot files are closed on every way out of reading them, whatever their state.
#include "faults/FaultSupport.h"

#include "report/engine/PageDescription.h"
#include "report/outputs/Snapshot.h"
#include "table/Failure.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace quorvel;

namespace {

struct SnapshotCase
{
    const char* name;
    std::function<QByteArray(QByteArray)> damage;   ///< from a good snapshot's bytes to the file's
    const char* outcome;                            ///< "opened", or how the failure's message ends
};

void PrintTo(const SnapshotCase& c, std::ostream* os) { *os << c.name; }

class SnapshotEnd : public ::testing::TestWithParam<SnapshotCase>
{
};

TEST_P(SnapshotEnd, LeavesNoDescriptorOpen)
{
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.ndr"));
    report::PageDescription doc;
    doc.fonts.push_back(report::FontSpec{QStringLiteral("Helvetica"), 9, false, false});
    report::Page page;
    page.items.push_back(report::TextItem{20, 40, 0, {}, 0, QStringLiteral("CAMISETA 39,90")});
    doc.pages.push_back(page);
    report::snapshot::write(doc, good);
    QFile in(good);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = GetParam().damage(in.readAll());
    const QString path = dir.filePath(QStringLiteral("test.ndr"));
    if (!bytes.isNull()) {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }

    std::string outcome;
    int before = faults::openDescriptors();
    try {
        outcome = report::snapshot::read(path) == doc ? "opened" : "opened differently";
    } catch (const Failure& failure) {
        outcome = failure.message().toStdString();
    }
    EXPECT_TRUE(outcome.ends_with(GetParam().outcome)) << outcome;
    EXPECT_EQ(faults::openDescriptors(), before);
}

QByteArray flipped(QByteArray b, qsizetype at)
{
    b[at] = static_cast<char>(b[at] ^ 0x20);
    return b;
}

INSTANTIATE_TEST_SUITE_P(Ways, SnapshotEnd, ::testing::Values(
    SnapshotCase{"Good", [](QByteArray b) { return b; }, "opened"},
    SnapshotCase{"Missing", [](QByteArray) { return QByteArray(); }, "No such file or directory"},
    SnapshotCase{"Foreign", [](QByteArray) { return QByteArray("%PDF-1.3\n"); }, "is not a report snapshot file."},
    SnapshotCase{"Truncated", [](QByteArray b) { return b.left(b.size() - 7); }, "is damaged."},
    SnapshotCase{"ChangedByte", [](QByteArray b) { return flipped(b, b.size() / 2); }, "is damaged."},
    SnapshotCase{"NewerVersion", [](QByteArray b) { b[8] = 9; return b; }, "was written by a newer version of Quorvel."}),
    [](const ::testing::TestParamInfo<SnapshotCase>& row) { return std::string(row.param.name); });

} // namespace
