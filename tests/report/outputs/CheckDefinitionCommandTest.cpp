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

struct FieldBoxCase
{
    const char* name;
    const char* text;
    const char* findings;   ///< the lines before the totals; %1 is the file
    const char* totals;
};

void PrintTo(const FieldBoxCase& c, std::ostream* os) { *os << c.name; }

class FieldBoxes : public ::testing::TestWithParam<FieldBoxCase>
{};

// The print table keeps 20 characters of the brand and 2 of the size: a box that cannot take
// them at its size, unless it shrinks its text, cuts what the table kept.
TEST_P(FieldBoxes, WarnWhenTheFieldsFullWidthDoesNotFit)
{
    const QString dir = scratchDir(QStringLiteral("check-definition-fields"));
    const QString path = writeDefinition(dir, GetParam().text, "");
    const auto r = runTool(kBatch, {QStringLiteral("check-definition"), path});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(QString::fromUtf8(r.out), QString::fromUtf8(GetParam().findings).arg(path) + path + QString::fromUtf8(GetParam().totals));
}

INSTANTIATE_TEST_SUITE_P(
    PrintFields, FieldBoxes,
    ::testing::Values(
        FieldBoxCase{"BrandTooNarrow", "<text x=\"2\" y=\"2\" width=\"20\" height=\"3\" field=\"Marca\" font=\"Arial\" size=\"7\"/>",
                     "%1:6: warning: the text box of field 'Marca' is 20 mm long: its 20 characters at 7 pt need up to 35.666 mm, "
                     "and without shrink-to-fit the label cuts them\n",
                     ": 0 error(s), 1 warning(s)\n"},
        FieldBoxCase{"BrandThatShrinks",
                     "<text x=\"2\" y=\"2\" width=\"20\" height=\"3\" field=\"Marca\" font=\"Arial\" size=\"7\" shrink-to-fit=\"yes\"/>",
                     "", ": 0 error(s), 0 warning(s)\n"},
        FieldBoxCase{"SizeFits", "<text x=\"2\" y=\"2\" width=\"5\" height=\"3\" field=\"Tam\" font=\"Arial\" size=\"7\"/>", "",
                     ": 0 error(s), 0 warning(s)\n"},
        FieldBoxCase{"ALiteralIsNoField", "<text x=\"2\" y=\"2\" width=\"2\" height=\"3\" font=\"Arial\" size=\"7\">Marca</text>", "",
                     ": 0 error(s), 0 warning(s)\n"}),
    [](const ::testing::TestParamInfo<FieldBoxCase>& row) { return std::string(row.param.name); });

TEST(CheckDefinitionCommand, TheShippedTagPasses)
{
    const auto r = runTool(kBatch, {QStringLiteral("check-definition"), QStringLiteral(QUORVEL_SOURCE_DIR "/Relatorios/tag_02_Quorvel.rav")});
    EXPECT_EQ(r.exitCode, 0) << r.out.constData();
    EXPECT_TRUE(r.out.endsWith(": 0 error(s), 0 warning(s)\n")) << r.out.constData();
}

} // namespace
