#include "EngineFixtures.h"

#include "report/engine/DataSetConnection.h"
#include "report/engine/PageLayout.h"
#include "report/engine/PageSink.h"
#include "report/outputs/PageDump.h"
#include "report/engine/ReportProject.h"
#include "report/engine/ReportSystem.h"
#include "report/engine/TextMeasure.h"
#include "support/HeadlessUi.h"
#include "table/Failure.h"
#include "support/Scoped.h"

#include <QLocale>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::report;
using namespace quorvel::report::testing;

namespace {

class LayoutTest : public ::testing::Test
{
protected:
    /// Lays out the active report of `definition` over the table.
    void run(const QString& definition)
    {
        ReportProject project(system, ui);
        open(project, definition);
        PageLayout layout(project.workingCopy(), project.params(), connections, system);
        pages = layOutAll(layout);
    }

    /// Opens `definition` in `project` with the run's "data" parameter.
    static void open(ReportProject& project, const QString& definition)
    {
        project.setProjectFile(definition);
        project.setParam(QStringLiteral("data"), QStringLiteral("06/24"));
        project.open();
    }

    // Prices below are written with the regional separator, so the locale comes first.
    quorvel::test::ScopedLocale locale{quorvel::test::brazil()};
    QTemporaryDir dir;
    HeadlessUi ui;
    ReportSystem system;
    PageDescription pages;
    std::unique_ptr<table::Table> table = makeLabelTable(
        {{"7891234000019", "CM-204", "AZUL MARINHO", "P", "NORTE", "39,9"},
         {"ABC-1", "CALCA JEANS SKINNY 2", "VERDE MUSGO ESCURO C", "XG", "MARCA COM NOME LONGO", "1234,5"}});
    DataSetConnection connection{QStringLiteral("RvDataSetConnection1"), table.get()};
    std::vector<DataSetConnection*> connections{&connection};
};

TEST_F(LayoutTest, PriceTagOneLabelPerPage)
{
    run(QStringLiteral(QUORVEL_SOURCE_DIR "/Relatorios/tag_02_Quorvel.rav"));
    ASSERT_EQ(pages.pages.size(), 2u);
    EXPECT_EQ(dumpPage(pages, 0), QStringLiteral(
        "page 141.73 x 85.04\n"
        "text 54.24,11.15 [Arial 9.5 bold] #000000 \"NORTE\"\n"
        "line 5.67,16.30 136.06,16.30 w0.71 #000000\n"
        "text 5.67,22.67 [Arial 5] #000000 \"REF.\"\n"
        "text 5.67,29.30 [Arial 7 bold] #000000 \"CM-204\"\n"
        "text 5.67,36.27 [Arial 5] #000000 \"COR\"\n"
        "text 5.67,42.90 [Arial 7] #000000 \"AZUL MARINHO\"\n"
        "rect 75.40,18.71 18.14x25.51 stroke 0.71 #000000\n"
        "text 79.20,24.37 [Arial 5] #000000 \"TAM\"\n"
        "text 80.80,38.11 [Arial 11 bold] #000000 \"P\"\n"
        "text 95.07,35.25 [Arial 10.1 bold] #000000 \"R$\u00a039,90\"\n"
        "symbol 9.22,45.75 120.24x35.82 bars 30 \"7\" \"891234\" \"000019\"\n"
        "text 139.78,80.79 [Arial 5] #000000 rot90 \"06/24\"\n"));
    // Long values shrink to their boxes, never under 5 pt; a code that is not EAN-13 goes out as
    // Code 128. Bar codes stand on whole 203-dpi dots: 9.22 pt is 26 dots, 45.75 pt 129.
    EXPECT_EQ(dumpPage(pages, 1), QStringLiteral(
        "page 141.73 x 85.04\n"
        "text 6.48,11.15 [Arial 9.5 bold] #000000 \"MARCA COM NOME LONGO\"\n"
        "line 5.67,16.30 136.06,16.30 w0.71 #000000\n"
        "text 5.67,22.67 [Arial 5] #000000 \"REF.\"\n"
        "text 5.67,28.03 [Arial 5.6 bold] #000000 \"CALCA JEANS SKINNY 2\"\n"
        "text 5.67,36.27 [Arial 5] #000000 \"COR\"\n"
        "text 5.67,41.27 [Arial 5.2] #000000 \"VERDE MUSGO ESCURO C\"\n"
        "rect 75.40,18.71 18.14x25.51 stroke 0.71 #000000\n"
        "text 79.20,24.37 [Arial 5] #000000 \"TAM\"\n"
        "text 76.53,38.11 [Arial 11 bold] #000000 \"XG\"\n"
        "text 95.20,34.35 [Arial 7.5 bold] #000000 \"R$\u00a01.234,50\"\n"
        "symbol 11.00,45.75 117.04x37.24 bars 25 \"ABC-1\"\n"
        "text 139.78,80.79 [Arial 5] #000000 rot90 \"06/24\"\n"));
}

// The list of connections is looked into again after each wait: one handed over meanwhile serves.
TEST_F(LayoutTest, AConnectionHandedOverDuringTheWaitIsUsed)
{
    connections.clear();
    ReportProject project(system, ui);
    project.setProjectFile(writeFile(dir.path(), QStringLiteral("wait.rav"), definitionXml(QStringLiteral(
        "<data-view name=\"V\" connection=\"RvDataSetConnection1\"/><report><page>"
        "<labels view=\"V\" label-width=\"10\" label-height=\"10\"><text field=\"Codigo\"/></labels></page></report>"))));
    project.open();
    int waits = 0;
    LayoutHooks hooks;
    hooks.wait = [&](int ms) {
        EXPECT_EQ(ms, 100);
        if (++waits == 2)
            connections.push_back(&connection);
        return true;
    };
    hooks.error = [](const QString& text) { ADD_FAILURE() << text.toStdString(); };
    PageLayout layout(project.workingCopy(), project.params(), connections, system, 1, hooks);
    const std::optional<PageDescription> doc = layOutAll(layout);
    EXPECT_EQ(waits, 2);
    EXPECT_TRUE(dumpPage(*doc, 0).contains(QStringLiteral("\"7891234000019\""))) << dumpPage(*doc, 0).toStdString();
}

TEST_F(LayoutTest, PriceTagsScanOnThermalAndOfficePrinters)
{
    run(QStringLiteral(QUORVEL_SOURCE_DIR "/Relatorios/tag_02_Quorvel.rav"));
    for (double dpi : {203.0, 300.0}) {
        EXPECT_EQ(zbarDecode(rasterPage(pages, 0, dpi)), QStringList{QStringLiteral("EAN-13:7891234000019")}) << dpi;
        EXPECT_EQ(zbarDecode(rasterPage(pages, 1, dpi)), QStringList{QStringLiteral("CODE-128:ABC-1")}) << dpi;
    }
}

// The dot grid a run lays bar codes on: the page's quality, else the printer's resolution, else
// 300 dpi for files.
struct GridChoice
{
    const char* name;
    const char* quality;   ///< the page's attribute, "" for none
    int deviceDpi;
    int dpi;
};

void PrintTo(const GridChoice& c, std::ostream* os) { *os << c.name; }

class LayoutGrid : public LayoutTest, public ::testing::WithParamInterface<GridChoice>
{};

TEST_P(LayoutGrid, SymbolsStandOnTheRunsDotGrid)
{
    const GridChoice& c = GetParam();
    const QString quality = *c.quality ? QStringLiteral(" quality=\"%1\"").arg(QLatin1String(c.quality)) : QString();
    const QString path = writeFile(dir.path(), QStringLiteral("grid.rav"), definitionXml(QStringLiteral(
        "<data-view name=\"V\" connection=\"RvDataSetConnection1\"/><report name=\"R\">"
        "<page size=\"custom\" width=\"50\" height=\"30\"%1><labels view=\"V\" label-width=\"50\" label-height=\"30\">"
        "<barcode x=\"2.05\" y=\"3.1\" width=\"45\" height=\"20\" field=\"Codigo\" bar-height=\"15\" module=\"0.3\"/>"
        "</labels></page></report>").arg(quality)));
    system.deviceDpi = c.deviceDpi;
    run(path);
    ASSERT_FALSE(pages.pages.empty());
    const auto& item = std::get<SymbolItem>(pages.pages[0].items.at(0));
    const Symbol& s = pages.symbols.at(item.symbol);
    const double dots = item.xPt * c.dpi / 72;
    EXPECT_NEAR(dots, std::round(dots), 1e-6);
    double narrowest = 1e9;
    for (const auto& b : s.bars)
        narrowest = std::min(narrowest, b.widthPt);
    EXPECT_NEAR(narrowest, std::round(0.3 * c.dpi / 25.4) * 72 / c.dpi, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Resolutions, LayoutGrid,
    ::testing::Values(GridChoice{"FilesWithoutPrinterOrQuality", "", 0, 300},
                      GridChoice{"PrintersResolution", "", 600, 600},
                      GridChoice{"QualityBeforePrinter", "203", 600, 203}),
    [](const auto& row) { return std::string(row.param.name); });

// The queues' offsets travel with the run for the queues' jobs to apply; the pages themselves,
// which the preview and the files draw, are those of the same definition without them.
TEST_F(LayoutTest, QueueOffsetsGoWithThePagesAndLeaveThemWhereTheyAre)
{
    const QString body = QStringLiteral(
        "%1<data-view name=\"V\" connection=\"RvDataSetConnection1\"/><report name=\"R\">"
        "<page size=\"custom\" width=\"50\" height=\"30\"><labels view=\"V\" label-width=\"50\" label-height=\"30\">"
        "<line x1=\"2\" y1=\"3\" x2=\"40\" y2=\"3\"/><text x=\"2\" y=\"5\" width=\"40\" height=\"6\" field=\"Codigo\"/>"
        "</labels></page></report>");
    run(writeFile(dir.path(), QStringLiteral("plain.rav"), definitionXml(body.arg(QString()))));
    const PageDescription plain = pages;
    run(writeFile(dir.path(), QStringLiteral("moved.rav"), definitionXml(body.arg(QStringLiteral(
        "<printer queue=\"QuorvelZPL\" offset-x=\"2\" offset-y=\"-1\"/><printer queue=\"Escritorio\" offset-y=\"1.5\"/>")))));
    ASSERT_EQ(pages.queueOffsets.size(), 2u);
    EXPECT_EQ(pages.queueOffsets[0].queue, QStringLiteral("QuorvelZPL"));
    EXPECT_DOUBLE_EQ(pages.queueOffsets[0].xPt, 2 * 72 / 25.4);
    EXPECT_DOUBLE_EQ(pages.queueOffsets[0].yPt, -72 / 25.4);
    EXPECT_EQ(pages.queueOffsets[1].queue, QStringLiteral("Escritorio"));
    EXPECT_DOUBLE_EQ(pages.queueOffsets[1].yPt, 1.5 * 72 / 25.4);
    EXPECT_TRUE(plain.queueOffsets.empty());
    EXPECT_TRUE(pages.pages == plain.pages);
}

TEST_F(LayoutTest, SheetFillsAcrossThenDownAndBreaksPages)
{
    std::vector<LabelRow> rows;
    for (int i = 0; i < 31; ++i)
        rows.push_back(LabelRow{"1", nullptr, nullptr, nullptr, "M"});
    table = makeLabelTable(rows);
    connection.setDataSet(table.get());
    run(QStringLiteral(QUORVEL_SOURCE_DIR "/examples/definitions/a4-3x10.rav"));
    ASSERT_EQ(pages.pages.size(), 2u);
    auto brandPositions = [&](std::size_t page) {
        QStringList at;
        for (const PageItem& item : pages.pages[page].items)
            if (const auto* t = std::get_if<TextItem>(&item); t && t->text == u"M")
                at << QStringLiteral("%1,%2").arg(t->xPt, 0, 'f', 1).arg(t->baselinePt, 0, 'f', 1);
        return at;
    };
    const QStringList first = brandPositions(0);
    ASSERT_EQ(first.size(), 30);
    EXPECT_EQ(first.mid(0, 4), QStringList({QStringLiteral("29.1,72.4"), QStringLiteral("216.1,72.4"),
                                             QStringLiteral("403.2,72.4"), QStringLiteral("29.1,144.4")}));
    EXPECT_EQ(brandPositions(1), QStringList{QStringLiteral("29.1,72.4")});
}

// The print system's scale stretches the layout about the page's corner: positions and boxes
// across by ScaleX, down by ScaleY, text and line widths by the smaller; the paper stays.
struct ScaleCase
{
    const char* name;
    int scaleX, scaleY, unitsFactor;
    const char* dump;        ///< the page; "" when the run fails
    const char* failure;     ///< what it fails with
};

void PrintTo(const ScaleCase& c, std::ostream* os) { *os << c.name; }

class LayoutScale : public LayoutTest, public ::testing::WithParamInterface<ScaleCase>
{};

TEST_P(LayoutScale, StretchesWhatTheDefinitionDraws)
{
    const ScaleCase& c = GetParam();
    const QString path = writeFile(dir.path(), QStringLiteral("scale.rav"), definitionXml(QStringLiteral(
        "<data-view name=\"V\" connection=\"RvDataSetConnection1\"/><report name=\"R\">"
        "<page size=\"custom\" width=\"100\" height=\"50\" margin=\"10\">"
        "<labels view=\"V\" label-width=\"50\" label-height=\"30\" x=\"5\" y=\"5\">"
        "<rect x=\"2\" y=\"3\" width=\"20\" height=\"10\" stroke=\"0.5\"/>"
        "<line x1=\"0\" y1=\"20\" x2=\"40\" y2=\"20\" width=\"1\"/>"
        "<text x=\"0\" y=\"0\" width=\"40\" height=\"10\" size=\"10\">A</text>"
        "</labels></page></report>")));
    table = makeLabelTable({{"1"}});
    connection.setDataSet(table.get());
    system.scaleX = c.scaleX;
    system.scaleY = c.scaleY;
    system.unitsFactor = c.unitsFactor;
    if (*c.failure) {
        try {
            run(path);
            ADD_FAILURE() << "the run did not fail";
        } catch (const Failure& f) {
            EXPECT_EQ(f.message(), QString::fromUtf8(c.failure));
        }
        return;
    }
    run(path);
    ASSERT_EQ(pages.pages.size(), 1u);
    EXPECT_EQ(dumpPage(pages, 0), QString::fromUtf8(c.dump));
}

INSTANTIATE_TEST_SUITE_P(
    PrintSystem, LayoutScale,
    ::testing::Values(
        ScaleCase{"AsDesigned", 100, 100, 1,
                  "page 283.46 x 141.73\n"
                  "rect 48.19,51.02 56.69x28.35 stroke 1.42 #000000\n"
                  "line 42.52,99.21 155.91,99.21 w2.83 #000000\n"
                  "text 42.52,51.57 [Arial 10] #000000 \"A\"\n", ""},
        ScaleCase{"HalfAcrossTwiceDown", 50, 200, 1,
                  "page 283.46 x 141.73\n"
                  "rect 24.09,102.05 28.35x56.69 stroke 0.71 #000000\n"
                  "line 21.26,198.43 77.95,198.43 w1.42 #000000\n"
                  "text 21.26,89.57 [Arial 5] #000000 \"A\"\n", ""},
        ScaleCase{"NoScaleRefused", 0, 100, 1, "",
                  "The print system's scale must be above 0 %, not 0 % across and 100 % down."},
        ScaleCase{"UnitsFactorRefused", 100, 100, 254, "",
                  "The print system's units factor must be 1, not 254: a report definition gives every length in millimetres."}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace

namespace {

// Widths are kept per face once measured; a warm measure must give what a fresh one gives for
// every family, weight, slant and size, in any order.
TEST(TextMeasureTest, RememberedWidthsMatchFreshMeasurement)
{
    const std::vector<FontSpec> fonts = {
        {QStringLiteral("Helvetica"), 8, false, false}, {QStringLiteral("Helvetica"), 8, true, false},
        {QStringLiteral("Helvetica"), 8, false, true},  {QStringLiteral("Helvetica"), 13.5, true, true},
        {QStringLiteral("Times New Roman"), 8, false, false}, {QStringLiteral("Courier New"), 11, false, false},
    };
    const QStringList texts = {QStringLiteral("WWWW"), QStringLiteral("iiii"), QStringLiteral("R$ 39,90"),
                               QStringLiteral("CAMISETA AÇÃO")};
    TextMeasure warm;
    for (int round = 0; round < 2; ++round)
        for (const FontSpec& font : fonts)
            for (const QString& text : texts) {
                TextMeasure fresh;
                SCOPED_TRACE(font.family.toStdString() + " " + std::to_string(font.sizePt) + " " + text.toStdString());
                EXPECT_EQ(warm.widthPt(font, text), fresh.widthPt(font, text));
                EXPECT_EQ(warm.ascentPt(font), fresh.ascentPt(font));
            }
    // The faces do differ, so a mix-up between them would show above.
    EXPECT_NE(warm.widthPt(fonts[0], texts[1]), warm.widthPt(fonts[1], texts[1]));
    EXPECT_NE(warm.widthPt(fonts[0], texts[1]), warm.widthPt(fonts[4], texts[1]));
}

// Codes, references and prices are measured by adding up their characters' advances; that
// must give the shaped width of the whole text, so the pages stay as they were. Every pair of
// the characters added up, in each face, shows a ligature or a pair adjustment if one exists.
TEST(TextMeasureTest, SummedWidthsMatchShapedWidths)
{
    const QString chars = QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ ,.-/$%:+#");
    const std::vector<FontSpec> fonts = {
        {QStringLiteral("Helvetica"), 10, false, false}, {QStringLiteral("Helvetica"), 10, true, false},
        {QStringLiteral("Helvetica"), 10, false, true},  {QStringLiteral("Times New Roman"), 10, false, false},
        {QStringLiteral("Courier New"), 10, false, false},
    };
    QStringList texts = {QStringLiteral("7891234000019"), QStringLiteral("REF-000123"), QStringLiteral("R$ 39,90"),
                         QStringLiteral("AV. PAULISTA, 1.000 - 12/26")};
    for (QChar a : chars)
        for (QChar b : chars)
            texts << QString(a) + b;
    for (const FontSpec& font : fonts) {
        QFont reference = toQFont(font);
        reference.setPixelSize(1000);
        const QFontMetricsF shaped(reference);
        TextMeasure measure;
        for (const QString& text : texts)
            ASSERT_EQ(measure.widthPt(font, text), shaped.horizontalAdvance(text) * font.sizePt / 1000)
                << font.family.toStdString() << (font.bold ? " bold" : "") << (font.italic ? " italic" : "") << " \""
                << text.toStdString() << '"';
    }
}

} // namespace

// 75 labels of 40 codes on the A4 sheet: three pages, the first codes drawn again on the third.
class LayoutRun : public LayoutTest
{
protected:
    void SetUp() override
    {
        std::vector<QByteArray> codes;
        for (int i = 0; i < 40; ++i)
            codes.push_back(QByteArray("CODE-") + QByteArray::number(i));
        std::vector<LabelRow> rows;
        for (int i = 0; i < 75; ++i)
            rows.push_back(LabelRow{codes[static_cast<std::size_t>(i % 40)].constData(), "REF", nullptr, "M", "NORTE", "9,9"});
        table = makeLabelTable(rows);
        connection.setDataSet(table.get());
    }

    const QString sheet = QStringLiteral(QUORVEL_SOURCE_DIR "/examples/definitions/a4-3x10.rav");
};

// Handed over one by one, a run's pages are the pages it lays out whole, within the kept range
// too; a sink that draws each symbol once lets the drawings go, and each page still comes with
// the drawings of the symbols it is the first to draw.
TEST_F(LayoutRun, PagesHandedOverOneByOneAreTheWholeRunsPages)
{
    // A sink that sees each page as it comes; `once`: it draws every symbol the first time it
    // sees it, as the PDF writer does.
    class OnceSink final : public PageSink
    {
    public:
        explicit OnceSink(bool drawsOnce) : once(drawsOnce) {}
        bool once;
        std::vector<QString> handed;
        std::vector<bool> drawn;
        void begin(const PageDescription&) override {}
        void add(const PageDescription& doc, const Page& page) override
        {
            PageDescription one = doc;
            one.pages = {page};
            handed.push_back(dumpPage(one, 0));
            drawn.resize(doc.symbols.size());
            for (const PageItem& item : page.items)
                if (const auto* s = std::get_if<SymbolItem>(&item); s && !drawn[s->symbol]) {
                    EXPECT_FALSE(doc.symbols[s->symbol].bars.empty()) << "symbol " << s->symbol;
                    drawn[s->symbol] = true;
                }
        }
        void commit() override {}
        void abandon() noexcept override {}
        bool drawsSymbolsOnce() const override { return once; }
    };
    for (const auto& [first, last] : {std::pair{1, 9999}, std::pair{2, 2}}) {
        SCOPED_TRACE(::testing::Message() << "pages " << first << " to " << last);
        system.firstPage = first;
        system.lastPage = last;
        ReportProject project(system, ui);
        open(project, sheet);
        PageLayout wholeLayout(project.workingCopy(), project.params(), connections, system);
        const PageDescription whole = layOutAll(wholeLayout);
        ASSERT_EQ(whole.pages.size(), first == 1 ? 3u : 1u);

        for (const bool once : {false, true}) {
            SCOPED_TRACE(once ? "drawn once" : "drawn each time");
            PageLayout layout(project.workingCopy(), project.params(), connections, system);
            OnceSink sink(once);
            ASSERT_TRUE(generatePages(layout, {}, sink));
            ASSERT_EQ(sink.handed.size(), whole.pages.size());
            EXPECT_EQ(layout.tables().fonts, whole.fonts);
            EXPECT_EQ(layout.tables().print, whole.print);
            if (!once) {
                for (std::size_t i = 0; i < sink.handed.size(); ++i)
                    EXPECT_EQ(sink.handed[i], dumpPage(whole, i)) << "page " << i;
                EXPECT_EQ(layout.tables().symbols, whole.symbols);
            } else {
                EXPECT_EQ(layout.tables().symbols.size(), whole.symbols.size());
                EXPECT_TRUE(std::all_of(layout.tables().symbols.begin(), layout.tables().symbols.end(),
                                        [](const Symbol& s) { return s.bars.empty(); }));
            }
        }
    }
}

// Any page of a run can be made alone, in any order, while another page is being made (a preview
// repainting during a layout), and comes out as the whole run made it: where it starts is
// arithmetic, and no cursor moves. Pages made on demand are read through a description that
// fails, rather than showing something else, once its run has ended.
TEST_F(LayoutRun, PagesMadeOnDemandAreTheWholeRunsPages)
{
    ReportProject project(system, ui);
    open(project, sheet);
    PageLayout wholeLayout(project.workingCopy(), project.params(), connections, system, 4);
    const PageDescription whole = layOutAll(wholeLayout);
    ASSERT_EQ(whole.pages.size(), 3u);
    EXPECT_EQ(wholeLayout.start(1), (PageStart{0, 27, 0})) << "27 labels fill page 1 after 3 blank slots";
    EXPECT_EQ(wholeLayout.start(2), (PageStart{0, 57, 0}));

    table->moveTo(5);
    PageLayout layout(project.workingCopy(), project.params(), connections, system, 4);
    for (const std::int64_t i : {2, 0, 1, 2, 0}) {
        PageDescription one = whole;
        const std::optional<Page> page = layout.page(i);
        ASSERT_TRUE(page.has_value());
        one.fonts = layout.tables().fonts;
        one.symbols = layout.tables().symbols;
        one.pages = {*page};
        EXPECT_EQ(dumpPage(one, 0), dumpPage(whole, static_cast<std::size_t>(i))) << "page " << i;
    }
    EXPECT_EQ(table->currentRow(), 5) << "making pages moved the table";

    int polls = 0;
    PageDescription onDemand = wholeLayout.onDemand();
    const auto nested = [&] {
        if (++polls % 50 == 0) {
            EXPECT_EQ(dumpPage(onDemand, 2), dumpPage(whole, 2));
        }
        return true;
    };
    for (std::int64_t i = 0; i < 3; ++i) {
        const std::optional<Page> page = wholeLayout.page(i, nested);
        ASSERT_TRUE(page.has_value());
        EXPECT_TRUE(*page == whole.pages[static_cast<std::size_t>(i)]) << "the page under way was disturbed";
    }
    EXPECT_GT(polls, 50);
    EXPECT_TRUE(onDemand == whole);

    wholeLayout.close();
    EXPECT_THROW(onDemand.pages.at(1), Failure) << "a page of an ended run was made";
}

// The print table is frozen for the run: rows added after the layout was prepared are refused
// loudly rather than shifting every page after them.
TEST_F(LayoutRun, AChangedTableFailsThePageRatherThanShiftingIt)
{
    ReportProject project(system, ui);
    open(project, sheet);
    PageLayout layout(project.workingCopy(), project.params(), connections, system);
    table->append();
    EXPECT_THROW(layout.page(0), Failure);
}

