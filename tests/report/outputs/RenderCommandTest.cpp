// quorvel-batch render: a snapshot in, a PDF, snapshot or PNG pages out, failures on stderr.
#include "report/outputs/OutputFixtures.h"
#include "report/outputs/Snapshot.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace quorvel::report;
using namespace quorvel::report::testing;

namespace {

const QString kBatch = QStringLiteral(QUORVEL_BINARY_DIR "/quorvel-batch");

TEST(RenderCommand, TurnsASnapshotIntoPdfSnapshotAndPngs)
{
    const QString dir = scratchDir(QStringLiteral("render-command"));
    const PageDescription doc = labelDocument(3);
    snapshot::write(doc, dir + QStringLiteral("/run.ndr"));
    const auto r = runTool(kBatch, {QStringLiteral("render"), dir + QStringLiteral("/run.ndr"), QStringLiteral("-o"),
                                    dir + QStringLiteral("/run.pdf"), QStringLiteral("--png"), dir + QStringLiteral("/png")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(runTool(QStringLiteral("qpdf"), {QStringLiteral("--show-npages"), dir + QStringLiteral("/run.pdf")}).out.trimmed(), QByteArray("3"));
    EXPECT_EQ(runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), dir + QStringLiteral("/run.pdf")}).exitCode, 0);
    EXPECT_EQ(QDir(dir + QStringLiteral("/png")).entryList(QDir::Files).size(), 3);
    const auto scanned = runTool(QStringLiteral("zbarimg"), {QStringLiteral("--quiet"), QStringLiteral("--raw"), dir + QStringLiteral("/png/page-0002.png")});
    EXPECT_EQ(scanned.out.trimmed(), QByteArray("4006381333931"));

    ASSERT_EQ(runTool(kBatch, {QStringLiteral("render"), dir + QStringLiteral("/run.ndr"), QStringLiteral("-o"), dir + QStringLiteral("/copy.ndr")}).exitCode, 0);
    EXPECT_TRUE(snapshot::read(dir + QStringLiteral("/copy.ndr")) == doc);
}

TEST(RenderCommand, ADamagedSnapshotFailsWithItsMessageAndWritesNothing)
{
    const QString dir = scratchDir(QStringLiteral("render-command-damaged"));
    QFile f(dir + QStringLiteral("/bad.ndr"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a snapshot at all");
    f.close();
    const auto r = runTool(kBatch, {QStringLiteral("render"), f.fileName(), QStringLiteral("-o"), dir + QStringLiteral("/out.pdf")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("\"%1\" is not a report snapshot file.").arg(f.fileName()).toUtf8())) << r.err.constData();
    EXPECT_FALSE(QFileInfo::exists(dir + QStringLiteral("/out.pdf")));
}

} // namespace
