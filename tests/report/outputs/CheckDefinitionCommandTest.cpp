// quorvel-batch check-definition: findings as "FILE:LINE: error|warning: reason", exit 1 on errors.
#include "report/outputs/OutputFixtures.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace quorvel::report::testing;

namespace {

const QString kBatch = QStringLiteral(QUORVEL_BINARY_DIR "/quorvel-batch");

QString writeDefinition(const QString& dir, const char* items, const char* pageAttributes)
{
    const QString path = dir + QStringLiteral("/tag.rav");
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<quorvel-report version=\"1\">\n"
                               "<data-view name=\"V\" connection=\"RvDataSetConnection1\"/>\n"
                               "<report name=\"R\"><page size=\"custom\" width=\"50\" height=\"30\" %1>\n"
                               "<labels view=\"V\" label-width=\"50\" label-height=\"30\">\n%2\n</labels></page></report>\n"
                               "</quorvel-report>\n")
                    .arg(QLatin1String(pageAttributes), QLatin1String(items))
                    .toUtf8());
    return path;
}

TEST(CheckDefinitionCommand, ErrorsFailWarningsPass)
{
    const QString dir = scratchDir(QStringLiteral("check-definition-command"));
    const char* grey = "<text x=\"2\" y=\"2\" width=\"20\" height=\"3\" size=\"6\" color=\"#555555\">REF.</text>";
    QString path = writeDefinition(dir, grey, "");
    // Grey is fine for an office printer; the printer named by --dpi makes it a thermal page.
    auto r = runTool(kBatch, {QStringLiteral("check-definition"), path});
    EXPECT_EQ(r.exitCode, 0) << r.out.constData() << r.err.constData();
    r = runTool(kBatch, {QStringLiteral("check-definition"), path, QStringLiteral("--dpi"), QStringLiteral("203")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(r.out), QStringLiteral(
        "%1:6: error: text in grey or colour (#555555) on a 203-dpi page: a thermal head prints black dots only\n"
        "%1: 1 error(s), 0 warning(s)\n").arg(path));

    path = writeDefinition(dir, "<barcode x=\"2\" y=\"2\" width=\"46\" height=\"14\" field=\"Codigo\"\n"
                                "         bar-height=\"8\" module=\"0.33\"/>", "quality=\"203\"");
    r = runTool(kBatch, {QStringLiteral("check-definition"), path});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(r.out), QStringLiteral(
        "%1:6: warning: module 0.33 mm is 2.64 dots at 203 dpi: printed as 3 dot(s), 0.375 mm\n"
        "%1: 0 error(s), 1 warning(s)\n").arg(path));

    EXPECT_EQ(runTool(kBatch, {QStringLiteral("check-definition"), path, QStringLiteral("--dpi"), QStringLiteral("x")}).exitCode, 2);
    r = runTool(kBatch, {QStringLiteral("check-definition"), dir + QStringLiteral("/missing.rav")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("missing.rav")) << r.err.constData();
}

TEST(CheckDefinitionCommand, TheShippedTagPasses)
{
    const auto r = runTool(kBatch, {QStringLiteral("check-definition"), QStringLiteral(QUORVEL_SOURCE_DIR "/Relatorios/tag_02_Quorvel.rav")});
    EXPECT_EQ(r.exitCode, 0) << r.out.constData();
    EXPECT_TRUE(r.out.endsWith(": 0 error(s), 0 warning(s)\n")) << r.out.constData();
}

} // namespace
