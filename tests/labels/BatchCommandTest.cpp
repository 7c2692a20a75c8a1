// quorvel-batch list and expand end to end: the built program run on small label files.
#include "labels/LabelFixtures.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sys/wait.h>

using quorvel::test::item;
using quorvel::test::labelLine;

namespace {

struct Result
{
    std::string out, err;
    int status = -1;
};

std::string slurp(const std::string& path)
{
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll().toStdString();
}

class BatchTest : public ::testing::Test
{
protected:
    static constexpr int kBatchSeconds = 120;

    Result run(const std::string& args, const char* lang = "pt_BR.UTF-8")
    {
        // timeout(1) bounds the wait: it ends the program and says 124.
        std::string command = "timeout -k 5 " + std::to_string(kBatchSeconds) + " env -u LC_ALL -u LC_NUMERIC LANG="
                              + std::string(lang) + " '" QUORVEL_BINARY_DIR
                              "/quorvel-batch' " + args + " >'" + files.path("out") + "' 2>'" + files.path("err") + "'";
        int raw = std::system(command.c_str());
        Result r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = slurp(files.path("out"));
        r.err = slurp(files.path("err"));
        if (r.status == 124)
            ADD_FAILURE() << "watchdog: quorvel-batch " << args << " did not end within " << kBatchSeconds << " s";
        return r;
    }
    std::string file(const std::string& name, const std::string& bytes) { return "'" + files.write(name, bytes) + "'"; }

    quorvel::test::Files files;
};

const std::string kHeader = "REFER_FABRICANTE\tDESC_COR_PRODUTO\tPRECO1\tGRIFFE\tCODIGO_BARRA\tTAMANHO\tqtd\tTIPO\tGRUPO\tSUBGRUPO\n";

TEST_F(BatchTest, ListsTheRowsOfSuccessiveFilesInUtf8)
{
    std::string accents = labelLine({"CAL\xC7" "ADOS", "T\xCANIS", "CORA\xC7\xC3O", "A\xC7" "A\xCD", "TN-9", "CORRIDA", "39", "7891234000019", "299,90", "1"});
    std::string first = file("a.txt", accents + "\r\n" + item("B", "0", "12,345") + "\r\n");
    std::string second = file("b.txt", labelLine({"C", "S", "M", "COR", "", "", "", "1", ",", "-1"}) + "\r\n");
    Result r = run("list " + first + " " + second);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, kHeader
                         + "TN-9\tAÇAÍ\t299,9\tCORAÇÃO\t7891234000019\t39\t1\tCORRIDA\tCALÇADOS\tTÊNIS\n"
                         + "CM-204\tAZUL MARINHO\t12,34\tNORTE\t2000000012346\tM\t0\tBASICA\tB\tCAMISETAS\n"
                         + "\tCOR\t0\tM\t1\t\t-1\t\tC\tS\n");
}

TEST_F(BatchTest, CountOnly)
{
    Result r = run("list --count " + file("a.txt", item("A") + "\r\n" + item("B") + "\r\n"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "2\n");
}

struct StopCase
{
    const char* name;
    std::string bytes;
    int rows;
    std::string err;
    int status;
};

void PrintTo(const StopCase& c, std::ostream* os) { *os << quorvel::test::escaped(c.bytes); }

class BatchStops : public BatchTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(BatchStops, RowsSoFarThenTheMessage)
{
    const StopCase& c = GetParam();
    Result r = run("list --count " + file("stop.txt", c.bytes) + " " + file("next.txt", item("N") + "\n"));
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, std::to_string(c.rows) + "\n");
}

INSTANTIATE_TEST_SUITE_P(Messages, BatchStops, ::testing::Values(
    StopCase{"ShortLineIsSilentAndTheNextFileIsRead", item("A") + "\r\nXSHORT|\r\n", 2, "", 0},
    StopCase{"BadPriceGetsAFullStop", item("A") + "\r\n" + item("B", "1", "39.90"), 1, "'39.90' is not a valid floating point value.\n", 1},
    StopCase{"BadQuantity", item("B", "5 "), 0, "'5 ' is not a valid integer value.\n", 1},
    StopCase{"Overflow", item("B", "1", "1E400"), 0, "Floating point overflow.\n", 1},
    StopCase{"RequiredField", labelLine({"A", "S", "", "COR", "R", "T", "P", "1", "1", "1"}), 0, "Field 'GRIFFE' must have a value.\n", 1},
    StopCase{"MessageEndingInAQuoteGetsNoFullStop", item("B", "1", "1E15"), 0, "'1E15' is not a valid floating point value for field 'PRECO1'\n", 1},
    StopCase{"EmptyLineWithItsLineBreak", item("A") + "\r\n\r\n", 1, "Estrutura de arquivo não foi programada!\rEntrar em contato com a Tarbelo!\n", 1}),
    [](const ::testing::TestParamInfo<StopCase>& row) { return std::string(row.param.name); });

TEST_F(BatchTest, FileErrors)
{
    Result r = run("list '" + files.path("absent.txt") + "'");
    EXPECT_EQ(r.err, "File not found.\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, kHeader);
    r = run("list '" + files.path("nowhere/absent.txt") + "'");
    EXPECT_EQ(r.err, "Invalid filename.\n");
}

TEST_F(BatchTest, SeparatorFromTheEnvironment)
{
    std::string f = file("a.txt", item("A", "1", "39.90") + "\r\n");
    Result r = run("list " + f, "C");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\t39.9\t"), std::string::npos) << r.out;
    r = run("list " + f, "pt_BR.UTF-8");
    EXPECT_EQ(r.status, 1);
}

TEST_F(BatchTest, ExpandPrintsOneRowPerLabel)
{
    std::string bytes = item("A", "2", "12,34") + "\r\n" + item("B", "0") + "\r\n" + item("D", "-1") + "\r\n"
                        + labelLine({"E", "S", "MARCA COM VINTE E CINCO", "COR", "R", "T", "XGG", "E", "5", "3"}) + "\r\n";
    Result r = run("expand " + file("a.txt", bytes));
    EXPECT_EQ(r.status, 0);
    const std::string header = "Codigo\tDescricao\treferencia\tcor\tTam\tMarca\tpreco\ttipo\tgrupo\tsubgrupo\n";
    const std::string a = "2000000012346\t\tCM-204\tAZUL MARINHO\tM\tNORTE\t12,34\tBASICA\tA\tCAMISETAS\n";
    const std::string e = "E\t\tR\tCOR\tXG\tMARCA COM VINTE E CI\t5\tT\tE\tS\n";
    EXPECT_EQ(r.out, header + a + a + e + e + e);
}

TEST_F(BatchTest, ExpandRefusesMoreLabelsThanTheLimit)
{
    Result r = run("expand --count " + file("big.txt", item("A", "999999") + "\r\n" + item("B", "2") + "\r\n"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "0\n") << "nothing expanded";
    EXPECT_NE(r.err.find("1.000.001"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("1.000.000"), std::string::npos) << r.err;
}

TEST_F(BatchTest, PrintRefusesMoreLabelsThanTheLimitAndWritesNothing)
{
    const std::string pdf = files.path("big.pdf");
    Result r = run("print " + file("big.txt", item("A", "999999") + "\r\n" + item("B", "2") + "\r\n") + " -o '" + pdf + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("1.000.001"), std::string::npos) << r.err;
    EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));
}

TEST_F(BatchTest, HelpNamesTheCommands)
{
    Result r = run("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("list [--count] FILE..."), std::string::npos);
    EXPECT_NE(r.out.find("expand"), std::string::npos);
    EXPECT_NE(r.out.find("check [--definition PATH] FILE..."), std::string::npos);
}

struct UsageCase
{
    const char* name;
    std::string args;
    std::string why;   ///< the first line on standard error, after "quorvel-batch COMMAND: "
};

void PrintTo(const UsageCase& c, std::ostream* os) { *os << c.args; }

class BatchUsage : public BatchTest, public ::testing::WithParamInterface<UsageCase>
{};

// print and render read their options alike and word a wrong one alike, before reading any file.
TEST_P(BatchUsage, NamesWhatIsWrongThenTheUsageLine)
{
    const UsageCase& c = GetParam();
    Result r = run(c.args);
    EXPECT_EQ(r.status, 2);
    const std::string command = c.args.substr(0, c.args.find(' '));
    const std::string first = r.err.substr(0, r.err.find('\n'));
    EXPECT_EQ(first, "quorvel-batch " + command + ": " + c.why);
    EXPECT_NE(r.err.find("\nUsage: quorvel-batch " + command + " "), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    PrintAndRender, BatchUsage,
    ::testing::Values(
        UsageCase{"PrintWithoutFiles", "print -o x.pdf", "no label file named"},
        UsageCase{"RenderWithoutSnapshot", "render -o x.pdf", "no snapshot named"},
        UsageCase{"RenderOfTwoSnapshots", "render a.ndr b.ndr -o x.pdf", "one snapshot at a time"},
        UsageCase{"PrintWithoutOutput", "print absent.txt", "name an output: --png DIR, -o FILE or --printer QUEUE"},
        UsageCase{"PrintToAQueueAndAFile", "print absent.txt --printer Q -o x.pdf", "--printer prints to a queue: give no --png or -o with it"},
        UsageCase{"WatchWithoutQueue", "watch dir", "--printer must be given"},
        UsageCase{"RenderWithoutOutput", "render absent.ndr", "name an output: --png DIR or -o FILE"},
        UsageCase{"PrintToAnotherKindOfFile", "print absent.txt -o x.png", "-o writes a .pdf or a .ndr file"},
        UsageCase{"RenderToAnotherKindOfFile", "render absent.ndr -o x.png", "-o writes a .pdf or a .ndr file"},
        UsageCase{"PrintDpiOutOfRange", "print absent.txt --png out --dpi 5", "--dpi takes a number from 10 to 2400"},
        UsageCase{"RenderDpiNotANumber", "render absent.ndr --png out --dpi x", "--dpi takes a number from 10 to 2400"},
        UsageCase{"PrintStartBelowOne", "print absent.txt -o x.pdf --start 0", "--start takes a whole number from 1"},
        UsageCase{"PrintOptionWithoutValue", "print absent.txt --definition", "--definition needs a value"},
        UsageCase{"RenderOptionWithoutValue", "render absent.ndr -o", "-o needs a value"},
        UsageCase{"PrintCopiesWithoutQueue", "print absent.txt -o x.pdf --copies 2", "--copies goes with --printer"},
        UsageCase{"PrintUnknownOption", "print absent.txt -o x.pdf --dpu 2", "unknown option '--dpu'"},
        UsageCase{"RenderUnknownOption", "render absent.ndr -o x.pdf --start 2", "unknown option '--start'"}),
    [](const ::testing::TestParamInfo<UsageCase>& row) { return std::string(row.param.name); });

/// An item line with its own bar code.
std::string coded(const std::string& grupo, const std::string& qtd, const std::string& code)
{
    return labelLine({grupo, "CAMISETAS", "NORTE", "AZUL", "CM-204", "BASICA", "M", code, "39,90", qtd}) + "\r\n";
}

const std::string kA4 = QUORVEL_SOURCE_DIR "/examples/definitions/a4-3x10.rav";

struct CheckCase
{
    const char* name;
    std::string lines;
    std::string definition;   ///< empty: the one beside the program
    std::string out;
    std::string err;
    int status;
};

void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.name; }

class BatchCheck : public BatchTest, public ::testing::WithParamInterface<CheckCase>
{};

TEST_P(BatchCheck, ReportsMarkedRowsAndTotals)
{
    const CheckCase& c = GetParam();
    std::string args = "check ";
    if (!c.definition.empty())
        args += "--definition '" + c.definition + "' ";
    Result r = run(args + file("a.txt", c.lines));
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.status, c.status);
}

INSTANTIATE_TEST_SUITE_P(
    EachProblem, BatchCheck,
    ::testing::Values(
        CheckCase{"NothingWrong", coded("A", "2", "2000000012346"), "",
                  "rows: 1\nlabels: 2\npages: 2\nlabels with an error box: 0\n", "", 0},
        CheckCase{"WrongCheckDigit", coded("A", "1", "2000000012346") + coded("B", "3", "7891000000002"), "",
                  "a.txt:2\t7891000000002\tCódigo de barras inválido: dígito verificador deveria ser 7\n"
                  "rows: 2\nlabels: 4\npages: 4\nlabels with an error box: 3\n", "", 1},
        CheckCase{"WrongLengthForTheSymbology", coded("A", "1", "12345"),
                  QUORVEL_SOURCE_DIR "/tests/labels/data/ean13-only.rav",
                  "a.txt:1\t12345\tCódigo de barras inválido: EAN-13 precisa de 12 ou 13 dígitos\n"
                  "rows: 1\nlabels: 1\npages: 1\nlabels with an error box: 1\n", "", 1},
        CheckCase{"QuantityZeroAndNegative", coded("A", "0", "2000000012346") + coded("B", "-2", "2000000012346"), "",
                  "a.txt:1\t2000000012346\tQuantidade 0: esta linha não gera etiquetas\n"
                  "a.txt:2\t2000000012346\tQuantidade negativa (-2): esta linha não gera etiquetas\n"
                  "rows: 2\nlabels: 0\npages: 1\nlabels with an error box: 0\n", "", 0},
        CheckCase{"BadCodeOnARowWithoutLabels", coded("A", "0", "7891000000002"), "",
                  "a.txt:1\t7891000000002\tCódigo de barras inválido: dígito verificador deveria ser 7; "
                  "Quantidade 0: esta linha não gera etiquetas\n"
                  "rows: 1\nlabels: 0\npages: 1\nlabels with an error box: 0\n", "", 0},
        CheckCase{"PagesOfTheNamedDefinition", coded("A", "31", "2000000012346"), kA4,
                  "rows: 1\nlabels: 31\npages: 2\nlabels with an error box: 0\n", "", 0},
        CheckCase{"CutValuesWarnWithoutChangingTheStatus",
                  labelLine({"A", "CAMISETAS", "ESTRELA DO NORTE CONFECCOES", "AZUL", "REF-1234567890", "BASICA", "100",
                             "2000000012346", "39,90", "1"}) + "\r\n",
                  "", "a.txt:1\t2000000012346\tRef. Fornecedor \"REF-1234567890\" sairá como \"REF-12345678\" na etiqueta; "
                  "Griffe \"ESTRELA DO NORTE CONFECCOES\" sairá como \"ESTRELA DO NORTE CON\" "
                  "na etiqueta; Tamanho \"100\" sairá como \"10\" na etiqueta\n"
                  "rows: 1\nlabels: 1\npages: 1\nlabels with an error box: 0\n", "", 0},
        CheckCase{"StopNamesItsLineAfterTheRowsBeforeIt",
                  coded("A", "0", "2000000012346") + coded("B", "1", "2000000012346") + item("C", "1", "39.90") + "\r\n",
                  "", "a.txt:1\t2000000012346\tQuantidade 0: esta linha não gera etiquetas\n"
                  "rows: 2\nlabels: 1\npages: 1\nlabels with an error box: 0\n",
                  "a.txt:3: '39.90' is not a valid floating point value.\n", 1},
        CheckCase{"PageLimit", coded("A", "10000", "2000000012346"), "",
                  "rows: 1\nlabels: 10000\npages: 10000\nlabels with an error box: 0\n",
                  "A impressão teria 10.000 páginas, mais que o limite de 9.999 páginas por impressão. "
                  "Diminua as quantidades e imprima em partes.\n", 1}),
    [](const ::testing::TestParamInfo<CheckCase>& row) { return std::string(row.param.name); });

TEST_F(BatchTest, CheckNamesTheLineInEachFile)
{
    Result r = run("check " + file("a.txt", coded("A", "1", "2000000012346")) + " "
                   + file("b.txt", coded("B", "1", "2000000012346") + coded("C", "0", "2000000012346")));
    EXPECT_EQ(r.out, "b.txt:2\t2000000012346\tQuantidade 0: esta linha não gera etiquetas\n"
                     "rows: 3\nlabels: 2\npages: 2\nlabels with an error box: 0\n");
    EXPECT_EQ(r.status, 0);
}

TEST_F(BatchTest, CheckNamesTheSizeTheExampleTagWillCut)
{
    Result r = run("check '" QUORVEL_SOURCE_DIR "/examples/loja-centro.txt'");
    EXPECT_NE(r.out.find("loja-centro.txt:30\t7891234000309\tTamanho \"100\" sairá como \"10\" na etiqueta\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(BatchTest, PrintRefusesErrorBoxesUnlessAllowed)
{
    const std::string labels = file("bad.txt", coded("A", "1", "2000000012346") + coded("B", "2", "7891000000002"));
    const std::string pdf = files.path("bad.pdf");
    Result refused = run("print " + labels + " -o '" + pdf + "'");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "bad.txt:2\t7891000000002\tCódigo de barras inválido: dígito verificador deveria ser 7\n"
                           "quorvel-batch print: labels of these rows would print an error box; "
                           "--allow-error-boxes prints them anyway\n");
    EXPECT_EQ(refused.out, "");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));

    Result allowed = run("print " + labels + " --allow-error-boxes -o '" + pdf + "'");
    EXPECT_EQ(allowed.status, 0) << allowed.err;
    EXPECT_EQ(allowed.out, "3 page(s), 3 label(s)\n");
    EXPECT_TRUE(QFile::exists(QString::fromStdString(pdf)));
}

class BatchCommandHelp : public BatchTest, public ::testing::WithParamInterface<const char*>
{};

// Wherever --help stands among a command's words, it answers with that command's usage and runs nothing.
TEST_P(BatchCommandHelp, AnswersWithItsOwnUsage)
{
    const std::string command = GetParam();
    for (const std::string& args : {command + " --help", command + " absent.txt --help"}) {
        Result r = run(args);
        EXPECT_EQ(r.status, 0) << args << ": " << r.err;
        EXPECT_EQ(r.err, "") << args;
        EXPECT_EQ(r.out.rfind("Usage: quorvel-batch " + command + " ", 0), 0u) << args << ": " << r.out;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, BatchCommandHelp,
                         ::testing::Values("list", "expand", "check", "print", "watch", "render", "check-definition"),
                         [](const ::testing::TestParamInfo<const char*>& row) {
                             std::string name = row.param;
                             name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                             return name;
                         });

TEST_F(BatchTest, CheckReportsAMissingDefinition)
{
    Result r = run("check --definition '" + files.path("none.rav") + "' " + file("a.txt", coded("A", "1", "2000000012346")));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("The following reporting project does not exist:"), std::string::npos) << r.err;
}

TEST_F(BatchTest, PrintRefusesMorePagesThanTheLimitUnlessAllPages)
{
    // An empty label a page keeps 10,000 pages quick to write.
    const std::string definition = files.write(
        "blank.rav", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<quorvel-report version=\"1\">\n"
                     "<data-view name=\"E\" connection=\"RvDataSetConnection1\"/>\n<report name=\"R\">\n"
                     "<page size=\"custom\" width=\"50\" height=\"30\"><labels view=\"E\" rows=\"1\" columns=\"1\" "
                     "label-width=\"50\" label-height=\"30\"/></page></report></quorvel-report>\n");
    const std::string labels = file("many.txt", coded("A", "9999", "2000000012346") + coded("B", "1", "2000000012346"));
    const std::string pdf = files.path("all.pdf");
    Result refused = run("print " + labels + " --definition '" + definition + "' -o '" + pdf + "'");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "A impressão teria 10.000 páginas, mais que o limite de 9.999 páginas por impressão. "
                           "Diminua as quantidades e imprima em partes.\n");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));

    Result all = run("print " + labels + " --definition '" + definition + "' --all-pages -o '" + pdf + "'");
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out, "10000 page(s), 10000 label(s)\n");
    ASSERT_TRUE(QFile::exists(QString::fromStdString(pdf)));
    QProcess pdfinfo;
    pdfinfo.start(QStringLiteral("pdfinfo"), {QString::fromStdString(pdf)});
    ASSERT_TRUE(pdfinfo.waitForFinished(60000));
    const QString info = QString::fromUtf8(pdfinfo.readAllStandardOutput());
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+10000\\n")))) << info.toStdString();
}

TEST_F(BatchTest, PrintStartsAtTheLabelAsked)
{
    const std::string pdf = files.path("start.pdf");
    Result r = run("print " + file("a.txt", coded("A", "27", "2000000012346")) + " --definition '" + kA4 + "' --start 5 -o '"
                   + pdf + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2 page(s), 27 label(s)\n") << "27 labels after 4 used slots pass one sheet of 30";
    Result bad = run("print " + file("b.txt", coded("A", "1", "2000000012346")) + " --start 0 -o '" + pdf + "'");
    EXPECT_EQ(bad.status, 2);
}

} // namespace
