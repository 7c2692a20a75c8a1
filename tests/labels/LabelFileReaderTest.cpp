// The label-file reader through importLabelFile: line breaks, Ctrl-Z, the stops of the reading
// and what each leaves behind, input/output failures, and bounded memory on long lines.
#include "support/Descriptors.h"
#include "support/Sanitizers.h"
#include "labels/LabelFixtures.h"
#include "labels/LabelFileReader.h"
#include "labels/LabelImport.h"
#include "labels/ImportTable.h"
#include "table/Failure.h"
#include "support/Scoped.h"
#include "support/Unprivileged.h"

#include <QDir>
#include <QLocale>

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <random>
#include <string>
#include <vector>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quorvel;
using namespace quorvel::labels;
using quorvel::test::item;
using quorvel::test::labelLine;

namespace {

using test::openDescriptors;

struct Outcome
{
    std::string groups;      ///< GRUPO of the rows in view, in order
    std::string message;     ///< the failure's message, "EmptyLine", or "" after a normal end
    int current = -1;
    bool pending = false;
};

Outcome importBytes(const std::string& bytes, table::Table* keep = nullptr)
{
    test::Files files;
    std::string path = files.write("etiquetas.txt", bytes);
    auto owned = makeImportTable();
    table::Table& t = keep ? *keep : *owned;
    Outcome o;
    try {
        if (importLabelFile(QString::fromStdString(path), t) == ReadEnd::EmptyLine)
            o.message = "EmptyLine";
    } catch (const Failure& f) {
        o.message = f.message().toStdString();
    }
    o.groups = test::column(t, ImportField::GRUPO);
    o.current = t.currentRow();
    o.pending = t.isPending();
    return o;
}

class ReaderTest : public ::testing::Test
{
protected:
    quorvel::test::ScopedLocale locale{quorvel::test::brazil()};
};

struct FileCase
{
    const char* name;
    std::string bytes;
    std::string groups;
    std::string message;
    int current;   ///< the cursor afterwards: first row after a normal end, untouched otherwise
};

void PrintTo(const FileCase& c, std::ostream* os) { *os << test::escaped(c.bytes); }

class FileRules : public ReaderTest, public ::testing::WithParamInterface<FileCase> {};

TEST_P(FileRules, RowsMessageAndCursor)
{
    const FileCase& c = GetParam();
    int before = openDescriptors();
    Outcome o = importBytes(c.bytes);
    EXPECT_EQ(o.groups, c.groups);
    EXPECT_EQ(o.message, c.message);
    EXPECT_EQ(o.current, c.current);
    EXPECT_EQ(openDescriptors(), before) << "the file was left open";
}

const std::string A = item("A"), B = item("B"), C = item("C");

INSTANTIATE_TEST_SUITE_P(Lines, FileRules, ::testing::Values(
    FileCase{"EmptyFile", "", "", "", -1},
    FileCase{"CtrlZAtStart", "\x1a" + A + "\r\n", "", "", -1},
    FileCase{"CtrlZAfterLastBreak", A + "\r\n\x1a", "A", "", 0},
    FileCase{"CtrlZStartsALaterLine", A + "\r\n\x1a" + B + "\r\n", "A", "", 0},
    FileCase{"LastLineWithoutBreak", A + "\r\n" + B, "A,B", "", 0},
    FileCase{"LineFeedsOnly", A + "\n" + B + "\n" + C + "\n", "A,B,C", "", 0},
    FileCase{"MixedBreaks", A + "\n" + B + "\r\n" + C, "A,B,C", "", 0},
    FileCase{"LoneCarriageReturnsMakeOneLine", A + "\r" + B + "\r" + C + "\r", "A", "", 0},
    FileCase{"CarriageReturnInsideAFieldIsDropped", labelLine({"A\rB", "S", "M", "C", "R", "T", "P", "1", "1", "1"}) + "\r\n", "AB", "", 0},
    FileCase{"CarriageReturnBeforeTheBreakIsDropped", A + "\r\r\n" + B + "\r\n", "A,B", "", 0},
    FileCase{"EndsWithEmptyLine", A + "\r\n" + B + "\r\n\r\n", "A,B", "EmptyLine", 1},
    FileCase{"EmptyLineInTheMiddle", A + "\n\n" + B + "\n", "A", "EmptyLine", 0},
    FileCase{"LeadingSeparatorIsTheDiscardedCharacter", labelLine({"A", "S", "M", "C", "R", "T", "P", "1", "1", "1"}, '|') + "\r\n", "A", "", 0},
    FileCase{"ShortLineStopsSilently", A + "\r\nXSHORT|x|y|\r\n" + B + "\r\n", "A", "", 0},
    FileCase{"EightSeparatorsIsShort", A + "\r\nXB|S|M|C|R|T|P|1|39,90\r\n" + C + "\r\n", "A", "", 0},
    FileCase{"EightSeparatorsAtTheEndIsShort", A + "\r\nXB|S|M|C|R|T|P|1|39,90", "A", "", 0},
    FileCase{"OneCharacterLineIsShort", A + "\r\nX\r\n" + B + "\r\n", "A", "", 0},
    FileCase{"ExtraFieldsAreIgnored", A + "MORE|FIELDS|\r\n" + B + "|||\r\n", "A,B", "", 0},
    FileCase{"QuantityNotEnded", A + "\r\n" + B + "\r\n" + "XC|S|M|C|R|T|P|1|39,90|2\r\n", "A,B", "'' is not a valid integer value", 1},
    FileCase{"NineSeparatorsGiveAnEmptyQuantity", A + "\r\nXC|S|M|C|R|T|P|1|39,90|\r\n", "A", "'' is not a valid integer value", 0},
    FileCase{"QuantityBeforePrice", A + "\r\n" + item("B", "x", "y") + "\r\n", "A", "'x' is not a valid integer value", 0},
    FileCase{"PointIsNoSeparatorHere", item("A", "2", "39.90"), "", "'39.90' is not a valid floating point value", -1},
    FileCase{"PriceBeyondDouble", A + "\r\n" + item("B", "2", "1E400"), "A", "Floating point overflow", 0},
    FileCase{"PriceBeyondExtended", item("B", "2", "1E5000"), "", "'1E5000' is not a valid floating point value", -1},
    FileCase{"CtrlZInsideALineEndsThatLineOnly", A + "\x1aGARBAGE|||||||||\r\n" + B + "\r\n", "A,B", "", 0},
    FileCase{"CtrlZCutsTheQuantity", "XA|S|M|C|R|T|P|1|39,90|2\x1a|\r\n", "", "'' is not a valid integer value", -1},
    FileCase{"CtrlZCutsALineShort", A + "\r\nXB|S\x1a|M|C|R|T|P|1|39,90|2|\r\n" + C + "\r\n", "A", "", 0},
    FileCase{"CarriageReturnThenCtrlZIsAnEmptyLine", A + "\r\n\r\x1a" + B + "\r\n", "A", "EmptyLine", 0}),
    [](const ::testing::TestParamInfo<FileCase>& row) { return std::string(row.param.name); });

TEST_F(ReaderTest, WorkedExampleFillsEveryField)
{
    auto t = makeImportTable();
    Outcome o = importBytes("XVESTUARIO|CAMISETAS|NORTE|AZUL MARINHO|CM-204|BASICA|M|2000000012346|39,90|2|\r\n", t.get());
    ASSERT_EQ(o.message, "");
    EXPECT_EQ(t->text(ImportField::GRUPO), "VESTUARIO");
    EXPECT_EQ(t->text(ImportField::SUBGRUPO), "CAMISETAS");
    EXPECT_EQ(t->text(ImportField::GRIFFE), "NORTE");
    EXPECT_EQ(t->text(ImportField::DESC_COR_PRODUTO), "AZUL MARINHO");
    EXPECT_EQ(t->text(ImportField::REFER_FABRICANTE), "CM-204");
    EXPECT_EQ(t->text(ImportField::TIPO), "BASICA");
    EXPECT_EQ(t->text(ImportField::TAMANHO), "M");
    EXPECT_EQ(t->text(ImportField::CODIGO_BARRA), "2000000012346");
    EXPECT_EQ(t->text(ImportField::PRECO1), "39,9");
    EXPECT_EQ(t->integer(ImportField::qtd), 2);
}

TEST_F(ReaderTest, TextKeepsItsWindows1252BytesAndMessagesDecodeThem)
{
    auto t = makeImportTable();
    std::string line = labelLine({"A\xC7" "A\xCD", "S", "CORA\xC7\xC3O", "C", "R", "T", "P", "1", "39,90", "1"});
    importBytes(line + "\r\n" + item("B", "2", "39,9\xC7"), t.get());
    EXPECT_EQ(t->textAt(0, ImportField::GRUPO), "A\xC7" "A\xCD");
    EXPECT_EQ(t->textAt(0, ImportField::GRIFFE), "CORA\xC7\xC3O");
    Outcome o = importBytes(item("B", "2", "39,9\xC7"));
    EXPECT_EQ(QString::fromStdString(o.message), QString::fromUtf8("'39,9Ç' is not a valid floating point value"));
}

TEST_F(ReaderTest, EmptyRequiredTextStopsWithTheFieldAndLeavesTheRowPending)
{
    auto t = makeImportTable();
    std::string noBrand = labelLine({"B", "S", "", "COR", "R", "T", "P", "1", "39,90", "1"});
    Outcome o = importBytes(item("A") + "\r\n" + noBrand + "\r\n" + item("C") + "\r\n", t.get());
    EXPECT_EQ(o.message, "Field 'GRIFFE' must have a value");
    EXPECT_TRUE(o.pending);
    EXPECT_EQ(o.groups, "A,B");
    EXPECT_EQ(t->text(ImportField::DESC_COR_PRODUTO), "COR");
    // The pending row blocks the next import before its first line.
    Outcome again = importBytes(item("D") + "\r\n", t.get());
    EXPECT_EQ(again.message, "Field 'GRIFFE' must have a value");
    EXPECT_EQ(again.groups, "A,B");
}

TEST_F(ReaderTest, ImportsAccumulate)
{
    auto t = makeImportTable();
    importBytes(item("A") + "\r\n" + item("B") + "\r\n", t.get());
    Outcome o = importBytes(item("A") + "\r\n", t.get());
    EXPECT_EQ(o.groups, "A,B,A");
    EXPECT_EQ(o.current, 0);
}

TEST_F(ReaderTest, SeparatorFollowsTheRegionalSettings)
{
    locale.set(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(importBytes(item("A", "2", "39.90")).message, "");
    EXPECT_EQ(importBytes(item("A", "2", "39,90")).message, "'39,90' is not a valid floating point value");
}

TEST_F(ReaderTest, LinesAcrossReadBuffersAndVeryLongLines)
{
    // Enough lines to cross several read buffers at every offset of a line, then a line whose
    // colour and ignored tail are megabytes long.
    std::string bytes;
    std::string expected;
    for (int i = 0; i < 40000; ++i) {
        std::string g = "G" + std::to_string(i);
        bytes += item(g) + (i % 3 == 0 ? "\n" : "\r\n");
        expected += (i ? "," : "") + g;
    }
    bytes += labelLine({"LONG", "S", "M", std::string(3 << 20, 'c'), "R", "T", "P", "1", "1", "1"}) + std::string(5 << 20, 't') + "\r\n";
    expected += ",LONG";
    auto t = makeImportTable();
    Outcome o = importBytes(bytes, t.get());
    EXPECT_EQ(o.message, "");
    EXPECT_EQ(o.groups, expected);
    EXPECT_EQ(t->textAt(t->rowCount() - 1, ImportField::DESC_COR_PRODUTO), std::string(40, 'c'));
}

TEST_F(ReaderTest, NumberLongerThanItsLimitIsNotANumber)
{
    std::string price = std::string(100000, ' ') + "5";
    Outcome o = importBytes(item("A", "1", price));
    ASSERT_FALSE(o.message.empty());
    const std::string tail = " ...' is not a valid floating point value";
    ASSERT_GT(o.message.size(), tail.size());
    EXPECT_EQ(o.message.substr(o.message.size() - tail.size()), tail) << "the message quotes the first 64 KiB: blanks only";
    EXPECT_LT(o.message.size(), 70000u);
}

struct IoCase
{
    const char* name;
    std::string message;
};

void PrintTo(const IoCase& c, std::ostream* os) { *os << c.name; }

class IoFailures : public ReaderTest, public ::testing::WithParamInterface<IoCase> {};

TEST_P(IoFailures, NameTheCause)
{
    test::Files files;
    files.write("present.txt", item("A"));
    std::string name = GetParam().name;
    std::string path = name == "MissingFile"      ? files.path("absent.txt")
                       : name == "MissingFolder"  ? files.path("no-such-folder/absent.txt")
                       : name == "FolderInPath"   ? files.path("present.txt/absent.txt")
                       : name == "Folder"         ? files.path("")
                                                  : files.path("present.txt");
    auto t = makeImportTable();
    int before = openDescriptors();
    try {
        importLabelFile(QString::fromStdString(path), *t);
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_EQ(f.message().toStdString(), GetParam().message);
    }
    EXPECT_TRUE(t->isEmpty());
    EXPECT_EQ(openDescriptors(), before);
}

INSTANTIATE_TEST_SUITE_P(Open, IoFailures, ::testing::Values(
    IoCase{"MissingFile", "File not found"},
    IoCase{"MissingFolder", "Invalid filename"},
    IoCase{"FolderInPath", "Invalid filename"},
    IoCase{"Folder", "File access denied"}),
    [](const ::testing::TestParamInfo<IoCase>& row) { return std::string(row.param.name); });

class UnprivilegedReaderTest : public ReaderTest {};

TEST_F(UnprivilegedReaderTest, UnreadableFileIsAccessDenied)
{
    QUORVEL_REQUIRE_UNPRIVILEGED_USER();
    test::Files files;
    std::string path = files.write("locked.txt", item("A"));
    ::chmod(path.c_str(), 0);
    auto t = makeImportTable();
    try {
        importLabelFile(QString::fromStdString(path), *t);
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(f.message(), "File access denied");
    }
}

TEST_F(ReaderTest, NoDescriptorLeftIsTooManyOpenFiles)
{
    if (QUORVEL_UNDER_ASAN)
        GTEST_SKIP() << "the sanitizer runtime needs free descriptors of its own";
    test::Files files;
    std::string path = files.write("present.txt", item("A"));
    rlimit saved{};
    ::getrlimit(RLIMIT_NOFILE, &saved);
    rlimit low = saved;
    low.rlim_cur = static_cast<rlim_t>(openDescriptors() + 8);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> held;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
        held.push_back(fd);
    std::string message;
    auto t = makeImportTable();
    try {
        importLabelFile(QString::fromStdString(path), *t);
    } catch (const Failure& f) {
        message = f.message().toStdString();
    }
    for (int fd : held)
        ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(message, "Too many open files");
}

// Lines that lie whole in one read are split in place; lines across reads go byte by byte.
// Random files with separators, carriage returns and Ctrl-Z anywhere must read the same
// whichever way each line takes.
std::string readAll(const std::string& path, std::size_t bufferSize)
{
    std::string record;
    auto field = [&](std::string_view v) {
        record.append(v);
        record.push_back('\x1f');
    };
    try {
        ReadEnd end = readLabelFile(QString::fromStdString(path), [&](const LabelItem& i) {
            for (std::string_view v : {i.grupo, i.subgrupo, i.griffe, i.descCorProduto, i.referFabricante, i.tipo,
                                       i.tamanho, i.codigoBarra})
                field(v);
            field(std::to_string(i.qtd));
            char price[64];
            std::snprintf(price, sizeof price, "%a", i.preco);
            field(price);
            if (i.precoDecimal)
                field(std::to_string(i.precoDecimal->digits) + "e" + std::to_string(i.precoDecimal->exponent));
            record.push_back('\n');
        }, bufferSize);
        record += end == ReadEnd::EmptyLine ? "<empty line>" : "<end>";
    } catch (const Failure& f) {
        record += "<" + f.message().toStdString() + ">";
    }
    return record;
}

TEST_F(ReaderTest, LinesReadWholeOrAcrossReadsGiveTheSameItems)
{
    const std::vector<std::string> pieces = {
        "|", "|", "|", "|", "AB", "CAMISETA AZUL", "\r", "\x1a", "39,9", "2", " 7 ", "-1", "$1F", "1E2", "x",
        "", "\xC7\xC3O", std::string(20, 'a'), "12,345", "0", "\r\n",
    };
    const std::vector<std::string> breaks = {"\n", "\r\n", "\r\n", "\n\r", ""};
    std::mt19937 random(11);
    test::Files files;
    for (int n = 0; n < 400; ++n) {
        std::string bytes;
        int lines = 1 + static_cast<int>(random() % 12);
        for (int l = 0; l < lines; ++l) {
            if (random() % 3 != 0) {
                // Mostly sound lines with one piece changed, so readings go on past them.
                std::vector<std::string> f = {"G" + std::to_string(l), "S", "B", "COR", "R", "T", "M", "789", "39,9", "2"};
                if (random() % 2 == 0)
                    f[random() % f.size()] = pieces[random() % pieces.size()];
                bytes += labelLine({f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9]},
                                   random() % 8 == 0 ? '\x1a' : 'X');
            } else {
                bytes.push_back('X');
                int count = static_cast<int>(random() % 24);
                for (int k = 0; k < count; ++k)
                    bytes += pieces[random() % pieces.size()];
            }
            bytes += breaks[random() % breaks.size()];
        }
        std::string path = files.write("random" + std::to_string(n) + ".txt", bytes);
        std::string whole = readAll(path, 1 << 20);
        for (std::size_t size : {1, 2, 5, 16, 17, 33})
            ASSERT_EQ(readAll(path, size), whole) << "buffer " << size << ", file " << test::escaped(bytes);
    }
}

TEST_F(ReaderTest, EmptyLineMessageHasTwoLinesJoinedByACarriageReturn)
{
    EXPECT_EQ(emptyLineMessage(), QString::fromUtf8("Estrutura de arquivo não foi programada!\rEntrar em contato com a Tarbelo!"));
}

} // namespace
