// Printing from the preview through real CUPS queues (scripts/test.sh sets them up as root):
// cups-pdf, and CUPS's sample Zebra ZPL and EPL2 label drivers sending to a socket the test
// listens on. Without a queue its tests skip and say why.
#include "report/ui/CupsFixtures.h"

#include "report/engine/ReportSystem.h"
#include "report/cups/CupsDevice.h"
#include "report/outputs/PngFiles.h"
#include "report/outputs/RenderPdf.h"
#include "support/PageImages.h"

#include <QBuffer>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <variant>

#include <pwd.h>
#include <unistd.h>

using namespace quorvel;
using namespace quorvel::report;
using namespace quorvel::report::testing;

namespace {

const QString tagDefinition = QStringLiteral(QUORVEL_SOURCE_DIR "/Relatorios/tag_02_Quorvel.rav");
const QString sheetDefinition = QStringLiteral(QUORVEL_SOURCE_DIR "/examples/definitions/a4-3x10.rav");

const std::vector<LabelRow> tagRows = {
    {"7891234000019", "CM-204", "AZUL MARINHO", "P", "NORTE", "39,9"},
    {"7891234000026", "BL-11", "BRANCO", "M", "NORTE", "59,9"},
    {"5601234567892", "SAIA 3", "PRETO", "G", "SUL", "129"},
};

/// A 50 x 30 mm label whose EAN-13 sits on whole 203-dpi dots: origin 40,24, module 3 dots,
/// bars 96 dots high (one dot is 25.4 / 203 mm).
QByteArray dotGridLabel(const char* pageAttributes = "")
{
    return definitionXml(QStringLiteral(
        "<data-view name=\"E\" connection=\"RvDataSetConnection1\"><field name=\"Codigo\" type=\"string\"/></data-view>"
        "<report name=\"R\"><page size=\"custom\" width=\"50\" height=\"30\" orientation=\"landscape\" quality=\"203\" %1>"
        "<labels view=\"E\" rows=\"1\" columns=\"1\" label-width=\"50\" label-height=\"30\">"
        "<barcode x=\"5.004926\" y=\"3.002956\" width=\"43\" height=\"20\" field=\"Codigo\" type=\"ean13\""
        " module=\"0.375369\" bar-height=\"12.011823\" human-readable=\"no\" align=\"left\"/>"
        "</labels></page></report>").arg(QLatin1String(pageAttributes)));
}

/// What pdfinfo says about a PDF file: the value of one of its lines.
QString pdfInfo(const QString& path, const char* field)
{
    QProcess pdfinfo;
    pdfinfo.start(QStringLiteral("pdfinfo"), {path});
    if (!pdfinfo.waitForFinished(30000))
        return {};
    const QRegularExpression line(QStringLiteral("^%1:\\s*(.*)$").arg(QLatin1String(field)),
                                  QRegularExpression::MultilineOption);
    return line.match(QString::fromUtf8(pdfinfo.readAllStandardOutput())).captured(1).trimmed();
}

/// Page `page` (1-based) of a PDF rendered at `dpi`, one bit deep.
QImage renderPdfPage(const QString& path, int page, int dpi)
{
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("page"));
    QProcess render;
    render.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-mono"),
                                              QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                              QString::number(page), QStringLiteral("-singlefile"), path, prefix});
    if (!render.waitForFinished(60000)) {
        render.kill();
        render.waitForFinished(5000);
        ADD_FAILURE() << "pdftoppm did not end within 60 s on " << path.toStdString();
        return {};
    }
    return QImage(prefix + QStringLiteral(".pbm"));
}

/// Prints from the preview to the cups-pdf queue and returns the PDF it wrote for each new job.
class CupsPdfPrint : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_queue = testQueue("PDF");
        QUORVEL_REQUIRE_QUEUE(!m_queue.isEmpty(),
                              "no cups-pdf print queue QuorvelPDF (scripts/test.sh starts cupsd and adds it as root)");
        m_lock = std::make_unique<PrintQueueLock>();
    }

    QStringList print(const PageDescription& doc, const std::optional<QString>& copies = {},
                      const std::optional<QString>& selection = {})
    {
        const std::vector<int> before = jobIds(m_queue);
        const QStringList failures = printFromPreview(doc, m_system, m_queue, copies, selection);
        EXPECT_TRUE(failures.isEmpty()) << failures.join(u'\n').toStdString();
        EXPECT_TRUE(waitUntilIdle(m_queue, 120000));
        QStringList files;
        const QDir out(cupsPdfOut());
        for (const int id : jobIds(m_queue)) {
            if (std::find(before.begin(), before.end(), id) != before.end())
                continue;
            m_jobs.push_back(id);
            const QStringList written = out.entryList({QStringLiteral("*job_%1.pdf").arg(id)}, QDir::Files);
            for (const QString& name : written)
                files << out.filePath(name);
        }
        return files;
    }

    void TearDown() override
    {
        for (const int id : m_jobs)
            for (const QString& name :
                 QDir(cupsPdfOut()).entryList({QStringLiteral("*job_%1.pdf").arg(id)}, QDir::Files))
                QFile::remove(QDir(cupsPdfOut()).filePath(name));
    }

    QString m_queue;
    std::unique_ptr<PrintQueueLock> m_lock;
    ReportSystem m_system;
    std::vector<int> m_jobs;
};

TEST_F(CupsPdfPrint, TagArrivesAsALandscapeFiftyByThirtyPageTheRightWayRound)
{
    const PageDescription doc = runDefinition(tagDefinition, tagRows, m_system);
    ASSERT_EQ(doc.pages.size(), 3u);
    const QStringList files = print(doc);
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(pdfInfo(files[0], "Pages"), QStringLiteral("3"));
    EXPECT_TRUE(pdfInfo(files[0], "Page size").startsWith(QStringLiteral("141.73 x 85.04 pts")))
        << pdfInfo(files[0], "Page size").toStdString();
    EXPECT_TRUE(jobOptions(m_jobs.front()).contains(" PageSize=Custom.50x30mm ")) << jobOptions(m_jobs.front()).toStdString();

    // The page as printed lies over the page as laid out; turned, it would not.
    const QImage printed = renderPdfPage(files[0], 1, 203);
    const QImage laidOut = rasterPage(doc, 0, 203);
    ASSERT_EQ(printed.size(), laidOut.size());
    const double straight = blackOverlap(printed, laidOut);
    EXPECT_GT(straight, 0.6);
    EXPECT_LT(blackOverlap(printed.mirrored(true, true), laidOut), straight / 2);
    EXPECT_EQ(zbarDecode(printed), QStringList{QStringLiteral("EAN-13:7891234000019")});
}

// A report of two page sizes (an A5 cover, then 50 x 30 mm tags): a queue prints a job at one
// size, so each run of pages of one size is its own job, and every page arrives at its size, in
// the order laid out.
TEST_F(CupsPdfPrint, EachPageOfATwoSizeReportArrivesAtItsOwnSize)
{
    QTemporaryDir dir;
    const QString definition = writeFile(dir.path(), QStringLiteral("cover.rav"), QByteArray(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<quorvel-report version=\"1\"><data-view name=\"V\" connection=\"RvDataSetConnection1\"/><report>"
        "<page size=\"A5\"><text x=\"10\" y=\"10\" width=\"100\" height=\"10\">CAPA</text></page>"
        "<page size=\"custom\" width=\"50\" height=\"30\"><labels view=\"V\" label-width=\"50\" label-height=\"30\">"
        "<barcode x=\"5\" y=\"3\" width=\"40\" height=\"22\" field=\"Codigo\"/></labels></page>"
        "</report></quorvel-report>\n"));
    const PageDescription doc = runDefinition(definition, tagRows, m_system);
    ASSERT_EQ(doc.pages.size(), 4u);
    const QStringList files = print(doc);
    ASSERT_EQ(files.size(), 2) << "one job for each size";
    QStringList sizes;
    for (const int id : m_jobs) {
        const QStringList written = QDir(cupsPdfOut()).entryList({QStringLiteral("*job_%1.pdf").arg(id)}, QDir::Files);
        ASSERT_EQ(written.size(), 1);
        const QString file = QDir(cupsPdfOut()).filePath(written.front());
        sizes << pdfInfo(file, "Pages") + QStringLiteral(" x ") + pdfInfo(file, "Page size").section(QStringLiteral(" pts"), 0, 0);
    }
    EXPECT_EQ(sizes, (QStringList{QStringLiteral("1 x 419.53 x 595.28"), QStringLiteral("3 x 141.73 x 85.04")}));
    // The cups-pdf driver names no A5: the custom size of the same page.
    const QByteArray cover = jobOptions(m_jobs.front());
    EXPECT_TRUE(cover.contains(" PageSize=A5 ") || cover.contains(" PageSize=Custom.148x210mm ")) << cover.toStdString();
    EXPECT_TRUE(jobOptions(m_jobs.back()).contains(" PageSize=Custom.50x30mm ")) << jobOptions(m_jobs.back()).toStdString();
}

TEST_F(CupsPdfPrint, OnlyTheChosenPagesArrive)
{
    const PageDescription doc = runDefinition(tagDefinition, tagRows, m_system);
    const QStringList files = print(doc, {}, QStringLiteral("3,1"));
    ASSERT_EQ(files.size(), 1);
    ASSERT_EQ(pdfInfo(files[0], "Pages"), QStringLiteral("2"));
    EXPECT_EQ(zbarDecode(renderPdfPage(files[0], 1, 203)), QStringList{QStringLiteral("EAN-13:7891234000019")});
    EXPECT_EQ(zbarDecode(renderPdfPage(files[0], 2, 203)), QStringList{QStringLiteral("EAN-13:5601234567892")});
}

TEST_F(CupsPdfPrint, SheetDefinitionArrivesAsA4)
{
    const PageDescription doc = runDefinition(sheetDefinition, tagRows, m_system);
    ASSERT_EQ(doc.pages.size(), 1u);
    const QStringList files = print(doc);
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(pdfInfo(files[0], "Page size").endsWith(QStringLiteral("(A4)")))
        << pdfInfo(files[0], "Page size").toStdString();
    EXPECT_TRUE(jobOptions(m_jobs.front()).contains(" PageSize=A4 ")) << jobOptions(m_jobs.front()).toStdString();
}

TEST_F(CupsPdfPrint, DefinitionCopiesArriveAsCopiesAndTheBoxStillOverridesThem)
{
    QTemporaryDir dir;
    const QString definition = writeFile(dir.path(), QStringLiteral("two.rav"), dotGridLabel("copies=\"2\""));
    const PageDescription doc = runDefinition(definition, {{"7891234000019"}}, m_system);
    ASSERT_EQ(doc.pages.size(), 1u);
    EXPECT_EQ(m_system.copies, 2);
    EXPECT_TRUE(CupsDevice(m_queue).supportsMultipleCopies());

    QStringList files = print(doc);
    ASSERT_EQ(files.size(), 1);
    // The queue makes the copies: one job, two copies of its page.
    EXPECT_EQ(pdfInfo(files[0], "Pages"), QStringLiteral("2"));

    files = print(doc, QStringLiteral("3"));
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(pdfInfo(files[0], "Pages"), QStringLiteral("3"));
    EXPECT_EQ(m_system.copies, 3);
}

/// Page 1 of a PDF rendered at `dpi` in grey levels.
QImage grayPdfPage(const QString& path, int dpi)
{
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("page"));
    QProcess render;
    render.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-gray"),
                                              QStringLiteral("-singlefile"), path, prefix});
    if (!render.waitForFinished(60000)) {
        render.kill();
        render.waitForFinished(5000);
        ADD_FAILURE() << "pdftoppm did not end within 60 s on " << path.toStdString();
        return {};
    }
    return QImage(prefix + QStringLiteral(".pgm")).convertToFormat(QImage::Format_Grayscale8);
}

/// A 48 x 48 picture of four bands 12 pixels high, each of one colour and alpha: white at 200
/// (drawn), white at 60 (not drawn), black at 200 (drawn), black at 100 (not drawn).
QByteArray bandedPicture()
{
    QImage image(48, 48, QImage::Format_ARGB32);
    const QRgb bands[] = {qRgba(255, 255, 255, 200), qRgba(255, 255, 255, 60), qRgba(0, 0, 0, 200), qRgba(0, 0, 0, 100)};
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x)
            image.setPixel(x, y, bands[y / 12]);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// A picture with partly transparent bands over a black box that covers its left half: every
// output shows the box where the picture is not drawn and the picture's own colour where it is,
// alpha below half counting as not drawn. A PDF that paints the transparent bands white, or a
// preview that blends the partial alpha, shows other grey levels.
TEST_F(CupsPdfPrint, TransparentPictureShowsTheSamePixelsInEveryOutput)
{
    QTemporaryDir dir;
    writeFile(dir.path(), QStringLiteral("bands.png"), bandedPicture());
    const QString definition = writeFile(dir.path(), QStringLiteral("picture.rav"), definitionXml(QStringLiteral(
        "<data-view name=\"E\" connection=\"RvDataSetConnection1\"><field name=\"Codigo\" type=\"string\"/></data-view>"
        "<report name=\"R\"><page size=\"custom\" width=\"40\" height=\"30\" quality=\"203\">"
        "<labels view=\"E\" rows=\"1\" columns=\"1\" label-width=\"40\" label-height=\"30\">"
        "<rect x=\"8\" y=\"3\" width=\"12\" height=\"24\" stroke=\"0\" fill=\"#000000\"/>"
        "<image x=\"8\" y=\"3\" width=\"24\" height=\"24\" file=\"bands.png\"/>"
        "</labels></page></report>")));
    const PageDescription doc = runDefinition(definition, {{"7891234000019"}}, m_system);
    ASSERT_EQ(doc.pages.size(), 1u);

    struct Output
    {
        const char* name;
        QImage image;
    };
    std::vector<Output> outputs;
    outputs.push_back({"preview painter", rasterPage(doc, 0, 203).convertToFormat(QImage::Format_Grayscale8)});
    {
        PngFiles png(dir.filePath(QStringLiteral("png")), 203);
        writePages(doc, png);
        outputs.push_back({"PNG file", QImage(dir.filePath(QStringLiteral("png/page-0001.png"))).convertToFormat(QImage::Format_Grayscale8)});
    }
    const QString pdf = dir.filePath(QStringLiteral("picture.pdf"));
    RenderPdf().write(doc, pdf);
    outputs.push_back({"PDF file", grayPdfPage(pdf, 203)});
    const QStringList printed = print(doc);
    ASSERT_EQ(printed.size(), 1);
    outputs.push_back({"cups-pdf", grayPdfPage(printed[0], 203)});

    // Band centres (mm) and the grey each must show: the box is black on the left, paper white
    // on the right.
    struct Spot
    {
        double xMm, yMm;
        int gray;
    };
    const Spot spots[] = {
        {14, 6, 255}, {26, 6, 255},    // white, drawn: over the box too
        {14, 12, 0},  {26, 12, 255},   // white, not drawn: the box shows
        {14, 18, 0},  {26, 18, 0},     // black, drawn
        {14, 24, 0},  {26, 24, 255},   // black, not drawn
    };
    const double dotsPerMm = 203 / 25.4;
    for (const Output& out : outputs) {
        SCOPED_TRACE(out.name);
        ASSERT_EQ(out.image.size(), outputs.front().image.size());
        for (const Spot& spot : spots) {
            const int cx = static_cast<int>(std::lround(spot.xMm * dotsPerMm));
            const int cy = static_cast<int>(std::lround(spot.yMm * dotsPerMm));
            int sum = 0;
            for (int y = cy - 3; y <= cy + 3; ++y)
                for (int x = cx - 3; x <= cx + 3; ++x)
                    sum += qGray(out.image.pixel(x, y));
            EXPECT_NEAR(sum / 49, spot.gray, 24) << "at " << spot.xMm << ", " << spot.yMm << " mm";
        }
        // Pixel by pixel against the preview: only the edges of the bands and of the box differ.
        int differing = 0;
        const QImage& preview = outputs.front().image;
        for (int y = 0; y < preview.height(); ++y)
            for (int x = 0; x < preview.width(); ++x)
                differing += std::abs(qGray(out.image.pixel(x, y)) - qGray(preview.pixel(x, y))) > 64;
        EXPECT_LT(differing, preview.width() * preview.height() / 50) << differing << " pixels differ";
    }
}

/// One of CUPS's sample label drivers, on a queue that sends to a socket the test listens on.
struct LabelDriver
{
    const char* name;
    const char* kind;   ///< the test queue's kind
    bool zpl;
};

void PrintTo(const LabelDriver& d, std::ostream* os) { *os << d.name; }

class LabelDriverPrint : public ::testing::TestWithParam<LabelDriver>
{
protected:
    void SetUp() override
    {
        m_queue = testQueue(GetParam().kind);
        QUORVEL_REQUIRE_QUEUE(!m_queue.isEmpty(), "no print queue Quorvel" << GetParam().kind << " on CUPS's sample "
                                                  << GetParam().name << " driver (scripts/test.sh starts cupsd and adds it as root)");
        const int port = socketPort(m_queue);
        ASSERT_GT(port, 0) << "the queue does not send to socket://127.0.0.1:<port>";
        m_lock = std::make_unique<PrintQueueLock>();
        m_listener = std::make_unique<SocketListener>(port);
        ASSERT_TRUE(m_listener->listening()) << "cannot listen on port " << port;
        cancelJobs(m_queue);   // leftovers of an earlier run would arrive first
    }

    void TearDown() override
    {
        if (!m_queue.isEmpty())
            cancelJobs(m_queue);   // a job the listener missed would retry for ever
    }

    /// Prints the pages from the preview and decodes the labels that reach the printer.
    std::vector<LabelRaster> print(const PageDescription& doc)
    {
        const std::vector<int> before = jobIds(m_queue);
        const int connectionsBefore = m_listener->connectionsEnded();
        const QStringList failures = printFromPreview(doc, m_system, m_queue);
        EXPECT_TRUE(failures.isEmpty()) << failures.join(u'\n').toStdString();
        for (const int id : jobIds(m_queue))
            if (std::find(before.begin(), before.end(), id) == before.end())
                m_job = id;
        std::vector<LabelRaster> labels;
        const bool arrived = QTest::qWaitFor([&] {
            // The job is whole once the backend has closed its connection: a label decoded from
            // a part that is still arriving may lack its width.
            if (m_listener->connectionsEnded() == connectionsBefore)
                return false;
            labels = decode(m_listener->received());
            return labels.size() >= doc.pages.size() && waitUntilIdle(m_queue, 1);
        }, 120000);
        EXPECT_TRUE(arrived) << labels.size() << " labels arrived of " << doc.pages.size();
        return labels;
    }

    std::vector<LabelRaster> decode(const QByteArray& data) const
    {
        return GetParam().zpl ? decodeZpl(data) : decodeEpl(data, 240);
    }

    QString m_queue;
    std::unique_ptr<PrintQueueLock> m_lock;
    ReportSystem m_system;
    std::unique_ptr<SocketListener> m_listener;
    int m_job = 0;
};

TEST_P(LabelDriverPrint, DefaultTagsReachThePrinterAsFiftyByThirtyLabelsThatScan)
{
    const PageDescription doc = runDefinition(tagDefinition, tagRows, m_system);
    ASSERT_EQ(doc.pages.size(), tagRows.size());
    const std::vector<LabelRaster> labels = print(doc);
    ASSERT_EQ(labels.size(), tagRows.size());
    EXPECT_TRUE(jobOptions(m_job).contains(" PageSize=Custom.50x30mm ")) << jobOptions(m_job).toStdString();
    for (std::size_t i = 0; i < labels.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(labels[i].width, 400);
        EXPECT_EQ(labels[i].image.height(), 240);
        const QImage label = labels[i].image.copy(0, 0, 400, 240);
        EXPECT_EQ(zbarDecode(label), QStringList{QStringLiteral("EAN-13:") + QLatin1String(tagRows[i].codigo)});
        EXPECT_GT(blackOverlap(label, rasterPage(doc, i, 203)), 0.6);
    }
}

TEST_P(LabelDriverPrint, BarsOnWholeDotsComeOutAsWholeModules)
{
    QTemporaryDir dir;
    const QString grid = writeFile(dir.path(), QStringLiteral("grid.rav"), dotGridLabel());
    for (const QString& definition : {tagDefinition, grid}) {
        SCOPED_TRACE(definition.toStdString());
        const PageDescription doc = runDefinition(definition, {{"7891234000019"}, {"5601234567892"}}, m_system);
        ASSERT_EQ(doc.pages.size(), 2u);
        const std::vector<LabelRaster> labels = print(doc);
        ASSERT_EQ(labels.size(), 2u);
        for (std::size_t i = 0; i < labels.size(); ++i) {
            ASSERT_EQ(labels[i].width, 400);
            // Along the middle of the bars, across the symbol's width.
            const auto* item = [&]() -> const SymbolItem* {
                for (const auto& it : doc.pages[i].items)
                    if (const auto* s = std::get_if<SymbolItem>(&it))
                        return s;
                return nullptr;
            }();
            ASSERT_NE(item, nullptr);
            const Symbol& symbol = doc.symbols.at(item->symbol);
            ASSERT_FALSE(symbol.bars.empty());
            const auto dots = [](double pt) { return static_cast<int>(std::lround(pt * 203 / 72)); };
            const int row = dots(item->yPt + symbol.bars.front().yPt + symbol.bars.front().heightPt / 2);
            const auto narrowest = std::min_element(symbol.bars.begin(), symbol.bars.end(),
                                                    [](const auto& x, const auto& y) { return x.widthPt < y.widthPt; });
            const int moduleDots = std::max(1, dots(narrowest->widthPt));
            EXPECT_LT(std::abs(barGain(labels[i].image, row, dots(item->xPt), dots(item->xPt + symbol.widthPt), moduleDots)), 0.25);
        }
        m_listener->clear();
    }
}

INSTANTIATE_TEST_SUITE_P(SampleDrivers, LabelDriverPrint,
                         ::testing::Values(LabelDriver{"Zebra ZPL", "ZPL", true}, LabelDriver{"Zebra EPL2", "EPL", false}),
                         [](const auto& row) { return std::string(row.param.kind); });

} // namespace
