// The PDF output, checked on the files it writes with the tools a user's machine has:
// qpdf, pdffonts, pdfinfo, pdfimages, pdftotext, pdftoppm and zbarimg.
#include "report/engine/DeviceGrid.h"
#include "report/engine/TextMeasure.h"
#include "report/outputs/OutputFixtures.h"
#include "report/engine/PageBuilder.h"
#include "report/outputs/PagePainter.h"
#include "report/outputs/RenderPdf.h"
#include "report/outputs/Snapshot.h"
#include "support/HeadlessUi.h"
#include "support/PageImages.h"
#include "support/Unprivileged.h"
#include "table/Failure.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

using namespace quorvel::report;
using namespace quorvel::report::testing;

namespace {

/// Every PDF a test writes passes through this: the file must be structurally sound.
void expectSound(const QString& pdf)
{
    const auto r = runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdf});
    EXPECT_EQ(r.exitCode, 0) << r.out.constData() << r.err.constData();
}

QString write(const PageDescription& doc, const QString& dir, const QString& name)
{
    const QString path = dir + QLatin1Char('/') + name;
    RenderPdf pdf;
    pdf.write(doc, path);
    expectSound(path);
    return path;
}

/// The quantisation tables (DQT segments) of a JPEG stream, in file order.
QList<QByteArray> quantTables(const QByteArray& jpeg)
{
    QList<QByteArray> tables;
    qsizetype i = 2;
    while (i + 4 <= jpeg.size() && static_cast<uchar>(jpeg[i]) == 0xFF) {
        const uchar marker = static_cast<uchar>(jpeg[i + 1]);
        const int length = (static_cast<uchar>(jpeg[i + 2]) << 8) | static_cast<uchar>(jpeg[i + 3]);
        if (marker == 0xDB)
            tables.append(jpeg.mid(i + 4, length - 2));
        if (marker == 0xDA)
            break;
        i += 2 + length;
    }
    return tables;
}

QByteArray qtJpeg(const QImage& image, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.write(image);
    return bytes;
}

// One document holding every kind of item, written once for the checks of the file itself.
class PdfFile : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        PageDescription doc = labelDocument(2);
        doc.fonts.push_back({QStringLiteral("Times New Roman"), 10, false, true});
        doc.fonts.push_back({QStringLiteral("Courier"), 8, true, false});
        doc.fonts.push_back({QStringLiteral("DejaVu Serif"), 9, false, false});
        doc.images.push_back({encodedPicture("png", 40, 30), 40, 30});
        doc.images.push_back({encodedPicture("jpeg", 24, 24), 24, 24});
        doc.pages[0].items.push_back(TextItem{80, 30, 3, {}, 0, QStringLiteral("Itálico")});
        doc.pages[0].items.push_back(TextItem{80, 40, 4, {}, 0, QStringLiteral("Mono")});
        doc.pages[0].items.push_back(TextItem{80, 50, 5, {}, 0, QStringLiteral("Serifada")});
        doc.pages[1].items.push_back(ImageItem{100, 10, 30, 22.5, 0});
        doc.pages[1].items.push_back(ImageItem{100, 40, 18, 18, 1});
        s_dir = scratchDir(QStringLiteral("pdf-file"));
        s_path = write(doc, s_dir, QStringLiteral("labels.pdf"));
        s_bytes = readAll(s_path);
    }

    static QString tool(const char* program, QStringList args)
    {
        args.append(s_path);
        if (QLatin1String(program) == QLatin1String("pdftotext"))
            args.append(QStringLiteral("-"));
        const auto r = runTool(QString::fromLatin1(program), args);
        EXPECT_EQ(r.exitCode, 0) << program << ": " << r.err.constData();
        return QString::fromUtf8(r.out);
    }

    static inline QString s_dir, s_path;
    static inline QByteArray s_bytes;
};

TEST_F(PdfFile, BeginsWithTheVersion13Header)
{
    EXPECT_TRUE(s_bytes.startsWith("%PDF-1.3\n")) << s_bytes.left(10).constData();
}

TEST_F(PdfFile, NothingIsCompressedButThePictures)
{
    EXPECT_FALSE(s_bytes.contains("FlateDecode"));
    const QString qdf = tool("qpdf", {QStringLiteral("--show-npages")});
    EXPECT_EQ(qdf.trimmed(), QStringLiteral("2"));
    // Page contents are plain operators that anyone can read in the file.
    EXPECT_TRUE(s_bytes.contains(" Tj\n"));
    EXPECT_TRUE(s_bytes.contains(" Do\n"));
    const auto filters = QRegularExpression(QStringLiteral("/Filter\\s*\\[?\\s*/(\\w+)")).globalMatch(QString::fromLatin1(s_bytes));
    int count = 0;
    for (auto it = filters; it.hasNext();) {
        EXPECT_EQ(it.next().captured(1), QStringLiteral("DCTDecode"));
        ++count;
    }
    EXPECT_EQ(count, 2);
}

TEST_F(PdfFile, FontsAreReferencedByNameInWinAnsi)
{
    const QStringList lines = tool("pdffonts", {}).split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
    QStringList names;
    for (const QString& line : lines) {
        const QStringList cols = line.simplified().split(QLatin1Char(' '));
        ASSERT_GE(cols.size(), 7) << line.toStdString();
        names.append(cols[0]);
        // name type... encoding emb sub uni object ID
        EXPECT_EQ(cols[cols.size() - 6], QStringLiteral("WinAnsi")) << line.toStdString();
        EXPECT_EQ(cols[cols.size() - 5], QStringLiteral("no")) << "embedded: " << line.toStdString();
    }
    names.sort();
    EXPECT_EQ(names, QStringList({QStringLiteral("Courier-Bold"), QStringLiteral("DejaVuSerif"), QStringLiteral("Helvetica"),
                                  QStringLiteral("Helvetica-Bold"), QStringLiteral("Times-Italic")}));
    EXPECT_FALSE(s_bytes.contains("/FontFile"));
}

TEST_F(PdfFile, TextsComeBackWithTheirAccents)
{
    const QString text = tool("pdftotext", {QStringLiteral("-enc"), QStringLiteral("UTF-8")}) + QLatin1Char(' ');
    for (const char* expected : {"CAMISA ÇÃÍ € 1", "CAMISA ÇÃÍ € 2", "R$ 39,90", "Itálico", "Mono", "Serifada", "891000", "315507"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << " not in\n" << text.toStdString();
}

TEST_F(PdfFile, EveryBarCodeScansAt300Dpi)
{
    const QString prefix = s_dir + QStringLiteral("/page");
    ASSERT_EQ(runTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-png"), s_path, prefix}).exitCode, 0);
    const char* codes[] = {"EAN-13:7891000315507", "EAN-13:4006381333931"};
    for (int page = 1; page <= 2; ++page) {
        const QString png = prefix + QStringLiteral("-%1.png").arg(page);
        const auto r = runTool(QStringLiteral("zbarimg"), {QStringLiteral("--quiet"), png});
        EXPECT_EQ(QString::fromUtf8(r.out).trimmed(), QString::fromLatin1(codes[page - 1])) << png.toStdString();
    }
}

TEST_F(PdfFile, EachDistinctSymbolIsWrittenOnce)
{
    EXPECT_EQ(s_bytes.count("/Subtype /Form"), 2);
}

TEST_F(PdfFile, PicturesAreJpegsAtQuality90)
{
    const QString prefix = s_dir + QStringLiteral("/img");
    ASSERT_EQ(runTool(QStringLiteral("pdfimages"), {QStringLiteral("-all"), s_path, prefix}).exitCode, 0);
    const QStringList files = QDir(s_dir).entryList({QStringLiteral("img-*")}, QDir::Files, QDir::Name);
    ASSERT_EQ(files, QStringList({QStringLiteral("img-000.jpg"), QStringLiteral("img-001.jpg")}));
    QImage sample(16, 16, QImage::Format_RGB32);
    sample.fill(Qt::red);
    const auto q90 = quantTables(qtJpeg(sample, 90));
    ASSERT_FALSE(q90.isEmpty());
    ASSERT_NE(q90, quantTables(qtJpeg(sample, 75)));
    for (const QString& file : files) {
        const QByteArray jpeg = readAll(s_dir + QLatin1Char('/') + file);
        EXPECT_EQ(quantTables(jpeg), q90) << file.toStdString();
    }
    const QImage first(s_dir + QStringLiteral("/img-000.jpg"));
    EXPECT_EQ(first.size(), QSize(40, 30));
}

TEST_F(PdfFile, InformationHoldsDateCreatorAndProducerOnly)
{
    const QString info = tool("pdfinfo", {});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("^Creator:\\s+Quorvel 1\\.0\\.0\\.5$"), QRegularExpression::MultilineOption))) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("^Producer:\\s+Quorvel 1\\.0\\.0\\.5$"), QRegularExpression::MultilineOption))) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("^CreationDate:\\s+\\S"), QRegularExpression::MultilineOption))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("141.73 x 85.04 pts"))) << info.toStdString();
    for (const char* key : {"/Title", "/Author", "/Subject", "/Keywords", "Haru"})
        EXPECT_FALSE(s_bytes.contains(key)) << key;
}

// The PDF must look like the preview: the same page drawn by the painter and by a PDF
// rasteriser puts its ink in the same place.
struct LikePreview
{
    const char* name;
    PageItem item;
    FontSpec font;
    double tolerancePx = 2.5;   ///< two device pixels at 144 dpi: one point
};

void PrintTo(const LikePreview& row, std::ostream* os) { *os << row.name; }

class PdfLikePreview : public ::testing::TestWithParam<LikePreview> {};

TEST_P(PdfLikePreview, InkLandsWhereThePainterPutsIt)
{
    PageDescription doc;
    doc.fonts = {GetParam().font};
    doc.symbols.push_back(ean13("789100031550", 0.75, 0, GetParam().font.sizePt));
    Page page;
    page.widthPt = 200;
    page.heightPt = 200;
    page.items.push_back(GetParam().item);
    doc.pages.push_back(page);
    const QString dir = scratchDir(QStringLiteral("like-preview-") + QString::fromLatin1(GetParam().name));
    const QString pdf = write(doc, dir, QStringLiteral("page.pdf"));
    ASSERT_EQ(runTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("144"), QStringLiteral("-png"),
                                                   QStringLiteral("-singlefile"), pdf, dir + QStringLiteral("/pdf")}).exitCode, 0);
    const QImage fromPdf(dir + QStringLiteral("/pdf.png"));
    ASSERT_EQ(fromPdf.size(), QSize(400, 400));
    QImage painted(400, 400, QImage::Format_RGB32);
    painted.fill(Qt::white);
    QPainter p(&painted);
    p.scale(2, 2);
    paintPage(p, doc, 0);
    p.end();
    painted.save(dir + QStringLiteral("/painted.png"));
    const QRect a = quorvel::test::inkBounds(fromPdf, 160), b = quorvel::test::inkBounds(painted, 160);
    ASSERT_FALSE(a.isEmpty());
    const double tolerance = GetParam().tolerancePx;
    EXPECT_NEAR(a.left(), b.left(), tolerance);
    EXPECT_NEAR(a.right(), b.right(), tolerance);
    EXPECT_NEAR(a.top(), b.top(), tolerance);
    EXPECT_NEAR(a.bottom(), b.bottom(), tolerance);
}

const FontSpec kSans{QStringLiteral("Arial"), 18, false, false};

INSTANTIATE_TEST_SUITE_P(
    Items, PdfLikePreview,
    ::testing::Values(
        LikePreview{"text", TextItem{20, 100, 0, {}, 0, QStringLiteral("Preço R$ 9,90")}, kSans},
        LikePreview{"rotated90", TextItem{100, 150, 0, {}, 90, QStringLiteral("Vertical")}, kSans},
        LikePreview{"rotated180", TextItem{150, 100, 0, {}, 180, QStringLiteral("Invertido")}, kSans},
        LikePreview{"rotated270", TextItem{100, 30, 0, {}, 270, QStringLiteral("Descendo")}, kSans},
        LikePreview{"boldSerif", TextItem{20, 100, 0, {}, 0, QStringLiteral("Times Bold")}, FontSpec{QStringLiteral("Times New Roman"), 20, true, false}},
        LikePreview{"italicMono", TextItem{20, 100, 0, {}, 0, QStringLiteral("Courier")}, FontSpec{QStringLiteral("Courier New"), 16, false, true},
                    4.5 /* Nimbus Mono's capitals stand taller than Liberation Mono's */},
        LikePreview{"trueTypeFamily", TextItem{20, 100, 0, {}, 0, QStringLiteral("DejaVu Serif")}, FontSpec{QStringLiteral("DejaVu Serif"), 16, false, false}},
        LikePreview{"familyNotInstalled", TextItem{20, 100, 0, {}, 0, QStringLiteral("Sem fonte")}, FontSpec{QStringLiteral("No Such Family"), 16, false, false}},
        LikePreview{"openTypeOnlyFamily", TextItem{20, 100, 0, {}, 0, QStringLiteral("Gothic 123")}, FontSpec{QStringLiteral("URW Gothic"), 16, false, false}},
        LikePreview{"framedRect", RectItem{30, 40, 100, 50, 2, {}, false, {}}, kSans},
        LikePreview{"filledRect", RectItem{30, 40, 100, 50, 0, {}, true, Rgb{20, 20, 20}}, kSans},
        LikePreview{"line", LineItem{10, 10, 150, 120, 1.5, {}}, kSans},
        LikePreview{"symbol", SymbolItem{30, 40, 0}, FontSpec{QStringLiteral("Helvetica"), 8, false, false}}),
    [](const auto& row) { return std::string(row.param.name); });

// A TrueType face is referenced by the name its file gives, with its style after a comma unless
// it is the regular one, and the widths it lists for the characters drawn are the face's own:
// a reader places the text's end where the painter does.
struct TrueTypeRow
{
    const char* name;
    FontSpec font;
    const char* baseFont;   ///< as pdffonts shows it
};

void PrintTo(const TrueTypeRow& row, std::ostream* os) { *os << row.name; }

class PdfTrueType : public ::testing::TestWithParam<TrueTypeRow> {};

TEST_P(PdfTrueType, IsReferencedByItsNameWithItsOwnWidths)
{
    const QString text = QStringLiteral("Preço Ação");
    PageDescription doc;
    doc.fonts = {GetParam().font};
    doc.pages.push_back(Page{300, 100, {TextItem{20, 50, 0, {}, 0, text}}});
    const QString pdf = write(doc, scratchDir(QStringLiteral("pdf-truetype-") + QLatin1String(GetParam().name)), QStringLiteral("t.pdf"));

    const auto fonts = runTool(QStringLiteral("pdffonts"), {pdf});
    const QStringList lines = QString::fromUtf8(fonts.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << fonts.out.constData();
    const QStringList cols = lines[2].simplified().split(QLatin1Char(' '));
    ASSERT_GE(cols.size(), 7);
    EXPECT_EQ(cols[0].toStdString(), GetParam().baseFont);
    EXPECT_EQ(cols[1], QStringLiteral("TrueType"));
    EXPECT_EQ(cols[cols.size() - 5], QStringLiteral("no")) << "embedded";

    const auto r = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    const auto words = QRegularExpression(QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"([0-9.]+)\""))
                           .globalMatch(QString::fromUtf8(r.out));
    double left = -1, right = -1;
    for (auto it = words; it.hasNext();) {
        const auto m = it.next();
        if (left < 0)
            left = m.captured(1).toDouble();
        right = m.captured(2).toDouble();
    }
    ASSERT_GE(left, 0) << r.out.constData();
    const double painted = TextMeasure().widthPt(GetParam().font, text);
    EXPECT_NEAR(left, 20, 0.2);
    EXPECT_NEAR(right - left, painted, 0.2) << "the widths the font object lists";
}

INSTANTIATE_TEST_SUITE_P(
    Faces, PdfTrueType,
    ::testing::Values(TrueTypeRow{"regular", FontSpec{QStringLiteral("DejaVu Sans"), 16, false, false}, "DejaVuSans"},
                      TrueTypeRow{"bold", FontSpec{QStringLiteral("DejaVu Sans"), 16, true, false}, "DejaVuSans-Bold,Bold"},
                      TrueTypeRow{"oblique", FontSpec{QStringLiteral("DejaVu Sans Mono"), 16, false, true}, "DejaVuSansMono-Oblique,Oblique"},
                      TrueTypeRow{"boldItalicStopsAtTheBlank", FontSpec{QStringLiteral("DejaVu Serif"), 16, true, true},
                                  "DejaVuSerif-BoldItalic,Bold"}),
    [](const auto& row) { return std::string(row.param.name); });

// A symbol that layout put on a printer's dot grid comes out of every rasteriser with each bar
// and space the same whole number of dots as laid out: no dot gained at a partly covered edge.
enum class Rasteriser { Painter, Poppler, Ghostscript };

struct DotGridSymbol
{
    const char* name;
    const char* type;
    const char* data;
    double moduleMm;   ///< 0: fit the box
    const char* decoded;
};

void PrintTo(const DotGridSymbol& row, std::ostream* os) { *os << row.name; }

std::string rasteriserName(Rasteriser r)
{
    switch (r) {
    case Rasteriser::Painter: return "painter";
    case Rasteriser::Poppler: return "poppler";
    case Rasteriser::Ghostscript: return "ghostscript";
    }
    return {};
}

class DotExactRaster : public ::testing::TestWithParam<std::tuple<Rasteriser, DotGridSymbol>> {};

/// (first dot, length) of every black run on row `y`.
std::vector<std::pair<int, int>> inkRuns(const QImage& image, int y)
{
    std::vector<std::pair<int, int>> runs;
    for (int x = 0; x < image.width(); ++x) {
        if (qGray(image.pixel(x, y)) >= 128)
            continue;
        int end = x;
        while (end < image.width() && qGray(image.pixel(end, y)) < 128)
            ++end;
        runs.emplace_back(x, end - x);
        x = end;
    }
    return runs;
}

TEST_P(DotExactRaster, EveryBarAndSpaceKeepsItsDots)
{
    constexpr int kDpi = 203;
    const auto& [rasteriser, symbol] = GetParam();
    PageDescription doc;
    HeadlessUi ui;
    PageBuilder builder(doc, ui);
    builder.setDpi(kDpi);
    doc.pages.push_back(Page{Length::fromMm(50).pt(), Length::fromMm(30).pt(), {}});
    BarcodeDef def;
    def.box = Box{Length::fromMm(2.1), Length::fromMm(16.6), Length::fromMm(45), Length::fromMm(12.4)};
    def.source = Source::Literal;
    def.value = QString::fromLatin1(symbol.data);
    def.options.symbology = symbologyNamed(QLatin1String(symbol.type));
    def.options.barHeightMm = 9;
    def.options.moduleMm = symbol.moduleMm;
    // An origin off the grid, as a label's margin or column may put it.
    builder.draw(doc.pages.back(), def, Length::fromPt(0.37), Length::fromPt(0.21), [](Source, const QString& v) { return v; });
    const auto& item = std::get<SymbolItem>(doc.pages.back().items.at(0));
    const Symbol& s = doc.symbols.at(item.symbol);
    ASSERT_TRUE(s.error.isEmpty()) << s.error.toStdString();

    const double dot = dotPt(kDpi);
    std::vector<Symbol::Bar> bars = s.bars;
    std::sort(bars.begin(), bars.end(), [](const auto& a, const auto& b) { return a.xPt < b.xPt; });
    double top = 0, bottom = 1e9;
    for (const auto& b : bars) {
        top = std::max(top, b.yPt);
        bottom = std::min(bottom, b.yPt + b.heightPt);
    }
    const int row = static_cast<int>((item.yPt + (top + bottom) / 2) / dot);
    std::vector<std::pair<int, int>> expected;
    for (const auto& b : bars)
        expected.emplace_back(static_cast<int>(std::lround((item.xPt + b.xPt) / dot)), static_cast<int>(std::lround(b.widthPt / dot)));

    const QString dir = scratchDir(QStringLiteral("dot-exact-%1-%2").arg(static_cast<int>(rasteriser)).arg(QLatin1String(symbol.name)));
    QImage image;
    if (rasteriser == Rasteriser::Painter) {
        image = quorvel::test::rasterPage(doc, 0, kDpi);
    } else {
        const QString pdf = write(doc, dir, QStringLiteral("tag.pdf"));
        const QString pbm = dir + QStringLiteral("/tag.pbm");
        const auto r = rasteriser == Rasteriser::Poppler
            ? runTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(kDpi), QStringLiteral("-mono"),
                                                   QStringLiteral("-singlefile"), pdf, dir + QStringLiteral("/tag")})
            : runTool(QStringLiteral("gs"), {QStringLiteral("-q"), QStringLiteral("-dNOPAUSE"), QStringLiteral("-dBATCH"),
                                             QStringLiteral("-dSAFER"), QStringLiteral("-sDEVICE=pbmraw"),
                                             QStringLiteral("-r%1").arg(kDpi), QStringLiteral("-sOutputFile=") + pbm, pdf});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        image = QImage(pbm);
    }
    ASSERT_FALSE(image.isNull());
    image.save(dir + QStringLiteral("/tag.png"));
    EXPECT_EQ(inkRuns(image, row), expected) << "row " << row << ", module " << std::lround(bars.front().widthPt / dot);
    const auto scan = runTool(QStringLiteral("zbarimg"), {QStringLiteral("--quiet"), QStringLiteral("--raw"), QStringLiteral("-S*.enable=0"),
                                                          QStringLiteral("-Sean13.enable"), QStringLiteral("-Scode128.enable"),
                                                          dir + QStringLiteral("/tag.png")});
    EXPECT_EQ(scan.out.trimmed(), QByteArray(symbol.decoded));
}

INSTANTIATE_TEST_SUITE_P(
    At203Dpi, DotExactRaster,
    ::testing::Combine(
        ::testing::Values(Rasteriser::Painter, Rasteriser::Poppler, Rasteriser::Ghostscript),
        ::testing::Values(DotGridSymbol{"ean13FitsTheBox", "ean13", "7891234000019", 0, "7891234000019"},
                          DotGridSymbol{"ean13ModuleRounded", "ean13", "7891234000026", 0.33, "7891234000026"},
                          DotGridSymbol{"code128TwoDots", "code128", "CM-204-P", 0.25, "CM-204-P"})),
    [](const auto& row) { return rasteriserName(std::get<0>(row.param)) + "_" + std::get<1>(row.param).name; });

// Bars are written in modules when every one is a whole number of the narrowest, in points
// otherwise; either way Ghostscript, which prints the PDF, puts each bar on the dots it covers.
struct HandMadeBars
{
    const char* name;
    std::vector<Symbol::Bar> bars;   ///< at 288 dpi a point is 4 dots
};

void PrintTo(const HandMadeBars& row, std::ostream* os) { *os << row.name; }

class BarsOnTheirDots : public ::testing::TestWithParam<HandMadeBars> {};

TEST_P(BarsOnTheirDots, InEveryRowTheyCross)
{
    constexpr int kDpi = 288;
    constexpr double kDot = 0.25;
    PageDescription doc;
    Symbol s;
    s.widthPt = 40;
    s.heightPt = 20;
    s.bars = GetParam().bars;
    doc.symbols.push_back(s);
    doc.pages.push_back(Page{60, 40, {SymbolItem{10, 10, 0}}});
    const QString dir = scratchDir(QStringLiteral("hand-made-bars-") + QLatin1String(GetParam().name));
    const QString pdf = write(doc, dir, QStringLiteral("bars.pdf"));
    const QString pbm = dir + QStringLiteral("/bars.pbm");
    const auto r = runTool(QStringLiteral("gs"), {QStringLiteral("-q"), QStringLiteral("-dNOPAUSE"), QStringLiteral("-dBATCH"),
                                                  QStringLiteral("-dSAFER"), QStringLiteral("-sDEVICE=pbmraw"),
                                                  QStringLiteral("-r%1").arg(kDpi), QStringLiteral("-sOutputFile=") + pbm, pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QImage image(pbm);
    ASSERT_FALSE(image.isNull());
    for (double yPt = 10.125; yPt < 30; yPt += 0.5) {
        std::vector<std::pair<int, int>> expected;
        for (const auto& b : s.bars)
            if (10 + b.yPt < yPt && yPt < 10 + b.yPt + b.heightPt)
                expected.emplace_back(static_cast<int>(std::lround((10 + b.xPt) / kDot)), static_cast<int>(std::lround(b.widthPt / kDot)));
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(inkRuns(image, static_cast<int>(yPt / kDot)), expected) << "at " << yPt << " pt";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Symbols, BarsOnTheirDots,
    ::testing::Values(
        HandMadeBars{"wholeModules", {{0, 2, 0.75, 14}, {1.5, 0, 1.5, 18}, {4.5, 2, 2.25, 14}, {7.5, 2, 0.75, 14}, {9, 0, 0.75, 18}}},
        HandMadeBars{"notWholeModules", {{0, 2, 1, 14}, {1.5, 2, 1.5, 14}, {4.25, 0, 2.5, 18}}},
        HandMadeBars{"eachItsOwnHeight", {{0, 1, 1, 15}, {2, 2, 1, 14}, {4, 3, 1, 13}, {6, 0, 2, 18.5}}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(PdfOutput, UnencodableSymbolShowsItsErrorInAMarkedBox)
{
    PageDescription doc = labelDocument(1);
    markUnencodable(doc, 0, QStringLiteral("Invalid check digit '3', expecting '7' in a rather long message that wraps"));
    const QString dir = scratchDir(QStringLiteral("pdf-error-symbol"));
    const QString pdf = write(doc, dir, QStringLiteral("error.pdf"));
    const auto text = runTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    EXPECT_TRUE(QString::fromUtf8(text.out).simplified().contains(QStringLiteral("Bar code error: Invalid check digit"))) << text.out.constData();
    ASSERT_EQ(runTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-png"),
                                                   QStringLiteral("-singlefile"), pdf, dir + QStringLiteral("/page")}).exitCode, 0);
    EXPECT_EQ(runTool(QStringLiteral("zbarimg"), {QStringLiteral("--quiet"), dir + QStringLiteral("/page.png")}).out, QByteArray());
}

TEST(PdfOutput, AnErrorBoxAfterASymbolWiderThanThePdfNumbersStillMakesAValidFile)
{
    // PDF readers take no number beyond 32767: the form's box is kept within it, and what
    // follows the wide symbol is still drawn.
    PageDescription doc = labelDocument(1);
    Symbol wide = doc.symbols[0];
    wide.widthPt = 20000;
    Symbol broken;
    broken.widthPt = 100;
    broken.heightPt = 40;
    doc.symbols = {wide, broken};
    Page page;
    page.items = {SymbolItem{10, 10, 0}, SymbolItem{10, 100, 1}};
    doc.pages = {page};
    markUnencodable(doc, 1, QStringLiteral("Invalid check digit '3', expecting '7'"));
    const QString pdf = write(doc, scratchDir(QStringLiteral("pdf-wide-symbol")), QStringLiteral("wide.pdf"));
    const auto text = runTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    EXPECT_TRUE(QString::fromUtf8(text.out).simplified().contains(QStringLiteral("Bar code error: Invalid check digit"))) << text.out.constData();
}

TEST(PdfOutput, CaptionsStartAtTheirPosition)
{
    // A caption's x is the left end of its baseline; pdftotext reports where each word starts.
    PageDescription doc;
    doc.fonts = {{QStringLiteral("Helvetica"), 10, false, false}};
    Symbol s;
    s.widthPt = 100;
    s.heightPt = 40;
    s.bars = {{10, 0, 2, 30}, {20, 0, 2, 30}};
    s.captions = {{15, 39, QStringLiteral("12345")}};
    doc.symbols = {s};
    Page page;
    page.items.push_back(SymbolItem{100, 200, 0});
    doc.pages.push_back(page);
    const QString pdf = write(doc, scratchDir(QStringLiteral("pdf-caption")), QStringLiteral("caption.pdf"));
    const auto r = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    const auto word = QRegularExpression(QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"([0-9.]+)\"[^>]*>12345</word>"))
                          .match(QString::fromUtf8(r.out));
    ASSERT_TRUE(word.hasMatch()) << r.out.constData();
    EXPECT_NEAR(word.captured(1).toDouble(), 115, 0.3);
    EXPECT_NEAR(word.captured(2).toDouble(), 115 + 5 * 5.56, 0.3);
}

TEST(PdfOutput, CharactersOutsideWindows1252BecomeQuestionMarks)
{
    PageDescription doc;
    doc.fonts = {kSans};
    Page page;
    page.items.push_back(TextItem{20, 100, 0, {}, 0, QStringLiteral("a\u4e2db\U0001F600c–d")});
    doc.pages.push_back(page);
    const QString pdf = write(doc, scratchDir(QStringLiteral("pdf-unmappable")), QStringLiteral("t.pdf"));
    const auto text = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    EXPECT_EQ(QString::fromUtf8(text.out).trimmed(), QStringLiteral("a?b?c–d"));
}

TEST(PdfOutput, AnEmptyDocumentAndDegeneratePagesStillMakeValidFiles)
{
    write(PageDescription{}, scratchDir(QStringLiteral("pdf-empty")), QStringLiteral("empty.pdf"));
    PageDescription odd;
    odd.pages = {Page{0, 0, {}}, Page{-5, 20, {}}, Page{1e6, 50, {}}};
    const QString pdf = write(odd, scratchDir(QStringLiteral("pdf-odd-pages")), QStringLiteral("odd.pdf"));
    EXPECT_EQ(runTool(QStringLiteral("qpdf"), {QStringLiteral("--show-npages"), pdf}).out.trimmed(), QByteArray("3"));
}

TEST(PdfOutput, RunsOfMoreThan32767PagesAreWritten)
{
    // One label per page on a thermal roll: 100,000 labels are 100,000 pages.
    PageDescription doc;
    doc.fonts = {kSans};
    doc.pages.resize(33000, Page{141.73, 85.04, {}});
    doc.pages.back().items.push_back(TextItem{10, 40, 0, {}, 0, QStringLiteral("última")});
    const QString pdf = write(doc, scratchDir(QStringLiteral("pdf-many-pages")), QStringLiteral("roll.pdf"));
    EXPECT_EQ(runTool(QStringLiteral("qpdf"), {QStringLiteral("--show-npages"), pdf}).out.trimmed(), QByteArray("33000"));
    const auto last = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-f"), QStringLiteral("33000"), QStringLiteral("-enc"),
                                                            QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    EXPECT_EQ(QString::fromUtf8(last.out).trimmed(), QStringLiteral("última"));
}

TEST(PdfOutput, ReplacesAnExistingFileWholeAndLeavesNoTemporaryFile)
{
    const QString dir = scratchDir(QStringLiteral("pdf-replace"));
    const QString first = write(labelDocument(3), dir, QStringLiteral("labels.pdf"));
    const QString second = write(labelDocument(1), dir, QStringLiteral("labels.pdf"));
    EXPECT_EQ(runTool(QStringLiteral("qpdf"), {QStringLiteral("--show-npages"), second}).out.trimmed(), QByteArray("1"));
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList({QStringLiteral("labels.pdf")}));
}

// A small run of every kind of item but pictures, in standard fonts and hand-made bar codes (no
// font file, zint or libjpeg in it), must come out as the very bytes of the golden file, which
// the writer made before its document structure was its own. Only the creation date may differ.
TEST(PdfOutput, AHandMadeRunIsTheGoldenFileByteForByte)
{
    PageDescription doc;
    doc.fonts = {{QStringLiteral("Arial"), 9, false, false}, {QStringLiteral("Arial"), 12, true, false},
                 {QStringLiteral("Times New Roman"), 8, false, true}, {QStringLiteral("Courier New"), 10, false, false},
                 {QStringLiteral("Arial"), 9, false, false}};
    Symbol modules;
    modules.widthPt = 40;
    modules.heightPt = 20;
    modules.bars = {{0, 0, 0.75, 16}, {1.5, 0, 1.5, 18}, {4.5, 0, 0.75, 16}, {6, 0, 2.25, 16}};
    modules.captions = {{1, 19.5, QStringLiteral("123")}, {20, 19.5, QStringLiteral("456")}};
    modules.captionFont = 4;
    Symbol points;
    points.widthPt = 30;
    points.heightPt = 15;
    points.bars = {{0, 1, 1, 14}, {1.7, 0, 0.9, 15}, {4.25, 2, 2.5, 12}};
    doc.symbols = {modules, points};
    Page first{141.73, 85.04, {}};
    first.items = {RectItem{2, 2, 137.73, 81.04, 0.5, {}, false, {}},
                   TextItem{6, 14, 0, {}, 0, QStringLiteral("Preço ÇÃÍ € (1)")},
                   TextItem{6, 30, 1, {200, 0, 0}, 0, QStringLiteral("R$ 39,90")},
                   SymbolItem{20, 36, 0},
                   TextItem{130, 80, 0, {}, 90, QStringLiteral("Vertical")},
                   LineItem{4, 60, 120, 62.5, 1.25, {0, 0, 255}},
                   RectItem{100, 10, 20, 8, 0, {}, true, {20, 120, 40}}};
    Page second{141.73, 85.04, {}};
    second.items = {SymbolItem{10, 5, 1}, SymbolItem{60, 40, 0},
                    TextItem{6, 70, 2, {}, 0, QStringLiteral("Itálico")}, TextItem{6, 80, 3, {}, 180, QStringLiteral("Mono\\")},
                    TextItem{70, 20, 1, {}, 33, QStringLiteral("Oblíquo")}};
    Page third{200, 100, {TextItem{10, 50, 4, {}, 0, QStringLiteral("Outra medida")}, SymbolItem{100, 40, 1}}};
    doc.pages = {first, second, third};
    const QString dir = scratchDir(QStringLiteral("pdf-golden"));
    snapshot::write(doc, dir + QStringLiteral("/run.ndr"));   // what the golden file was made from
    const QString pdf = write(doc, dir, QStringLiteral("run.pdf"));
    const QRegularExpression date(QStringLiteral("/CreationDate \\(D:[0-9]{14}[-+Z][0-9]{2}'[0-9]{2}'\\)"));
    const auto undated = [&date](const QByteArray& bytes) {
        QString text = QString::fromLatin1(bytes);
        EXPECT_EQ(text.count(date), 1);
        return text.replace(date, QStringLiteral("/CreationDate ()"));
    };
    const QString golden = undated(readAll(QStringLiteral(QUORVEL_SOURCE_DIR "/tests/report/outputs/golden/hand-made-run.pdf")));
    const QString written = undated(readAll(pdf));
    ASSERT_GT(golden.size(), 2000);
    // The first differing line says what changed.
    const QStringList a = golden.split(QLatin1Char('\n')), b = written.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i)
        ASSERT_EQ(b[i].toStdString(), a[i].toStdString()) << "line " << i + 1;
    EXPECT_EQ(b.size(), a.size());
}

// A file that cannot be created: the exact text, and nothing left behind.
struct CreateFailure
{
    const char* name;
    const char* relativePath;   ///< below the scratch folder
    const char* systemText;
    bool needsPermissions;      ///< root ignores a folder's permissions
};

void PrintTo(const CreateFailure& row, std::ostream* os) { *os << row.name; }

class PdfCreateFailure : public ::testing::TestWithParam<CreateFailure> {};

TEST_P(PdfCreateFailure, NamesTheFileAndTheSystemsReason)
{
    if (GetParam().needsPermissions)
        QUORVEL_REQUIRE_UNPRIVILEGED_USER();
    // In the private temporary folder: the unprivileged run cannot write to the build tree.
    const QTemporaryDir scratch;
    const QString dir = scratch.path();
    QDir(dir).mkdir(QStringLiteral("locked"));
    ::chmod(QFile::encodeName(dir + QStringLiteral("/locked")).constData(), 0555);
    QDir(dir).mkdir(QStringLiteral("folder.pdf"));
    QFile plain(dir + QStringLiteral("/plain.txt"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QStringList before = QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    const QString path = dir + QLatin1Char('/') + QString::fromLatin1(GetParam().relativePath);
    try {
        RenderPdf().write(labelDocument(1), path);
        ADD_FAILURE() << "written to " << path.toStdString();
    } catch (const quorvel::Failure& f) {
        EXPECT_EQ(f.message(), QStringLiteral("Cannot create file \"%1\". %2").arg(path, QString::fromLatin1(GetParam().systemText)));
    }
    EXPECT_EQ(QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
    EXPECT_TRUE(QDir(dir + QStringLiteral("/locked")).isEmpty());
    ::chmod(QFile::encodeName(dir + QStringLiteral("/locked")).constData(), 0755);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PdfCreateFailure,
    ::testing::Values(CreateFailure{"missingFolder", "missing/labels.pdf", "No such file or directory", false},
                      CreateFailure{"folderIsAFile", "plain.txt/labels.pdf", "Not a directory", false},
                      CreateFailure{"nameIsAFolder", "folder.pdf", "Is a directory", false}),
    [](const auto& row) { return std::string(row.param.name); });
INSTANTIATE_TEST_SUITE_P(
    Unprivileged, PdfCreateFailure,
    ::testing::Values(CreateFailure{"unwritableFolder", "locked/labels.pdf", "Permission denied", true}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace

// A run written a page at a time, as layout hands its pages over with its tables still growing
// and each symbol's drawing let go once its page is written, is the same file as the whole run.
TEST(PdfStreamTest, PageByPageIsTheSameFileAsTheWholeRun)
{
    const QString dir = scratchDir(QStringLiteral("pdf-stream"));
    PageDescription whole = labelDocument(5);
    whole.pages[1].items.push_back(TextItem{6, 8, 2, {200, 0, 0}, 0, QStringLiteral("red before a code")});
    whole.pages[1].items.push_back(SymbolItem{60, 36, 0});
    whole.pages[4].widthPt = 200;   // a page of another size
    const QString wholePath = write(whole, dir, QStringLiteral("whole.pdf"));

    PageDescription tables = whole;
    tables.pages.clear();
    tables.symbols.resize(1);   // the second code first appears on the second page
    const QString streamedPath = dir + QStringLiteral("/streamed.pdf");
    {
        RenderPdf settings;
        PdfStream stream(settings, streamedPath);
        for (std::size_t i = 0; i < whole.pages.size(); ++i) {
            if (i == 1)
                tables.symbols.push_back(whole.symbols[1]);
            stream.add(tables, whole.pages[i]);
            for (Symbol& s : tables.symbols) {
                s.bars.clear();
                s.captions.clear();
            }
        }
        EXPECT_FALSE(QFile::exists(streamedPath)) << "nothing under the name before commit";
        stream.commit();
    }
    expectSound(streamedPath);
    const QRegularExpression date(QStringLiteral("/CreationDate \\([^)]*\\)"));
    const QString a = QString::fromLatin1(readAll(wholePath)).replace(date, QString());
    const QString b = QString::fromLatin1(readAll(streamedPath)).replace(date, QString());
    EXPECT_GT(a.size(), 2000);
    EXPECT_TRUE(a == b);

    const auto info = runTool(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("4"), QStringLiteral("-l"),
                                                          QStringLiteral("5"), streamedPath});
    const QString sizes = QString::fromUtf8(info.out).simplified();
    EXPECT_TRUE(sizes.contains(QStringLiteral("Page 4 size: 141.73 x 85.04 pts"))) << sizes.toStdString();
    EXPECT_TRUE(sizes.contains(QStringLiteral("Page 5 size: 200 x 85.04 pts"))) << sizes.toStdString();
    // The code drawn after red text is still black: its form does not set a colour of its own.
    const QString png = dir + QStringLiteral("/page2");
    ASSERT_EQ(runTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-f"),
                                                   QStringLiteral("2"), QStringLiteral("-l"), QStringLiteral("2"),
                                                   QStringLiteral("-png"), QStringLiteral("-singlefile"), streamedPath, png})
                  .exitCode,
              0);
    const QImage page(png + QStringLiteral(".png"));
    ASSERT_FALSE(page.isNull());
    int red = 0;
    for (int y = 20 * 300 / 72; y < page.height(); ++y)   // below the red line
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            red += c.red() > 150 && c.green() < 80 ? 1 : 0;
        }
    EXPECT_EQ(red, 0) << "the second code took the text's colour";
}

TEST(PdfStreamTest, AnUnwritableNameFailsBeforeAnyPage)
{
    const QString dir = scratchDir(QStringLiteral("pdf-stream-fail"));
    RenderPdf settings;
    EXPECT_THROW(PdfStream(settings, dir + QStringLiteral("/missing/run.pdf")), quorvel::Failure);
}

TEST(PdfStreamTest, NoRoomForTheTemporaryDataSaysWhereAndLeavesNothing)
{
    const QString dir = scratchDir(QStringLiteral("pdf-no-spool"));
    // A temporary "folder" that is a file: nothing can be created in it.
    const QString notAFolder = dir + QStringLiteral("/not-a-folder");
    QFile file(notAFolder);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QByteArray before = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(notAFolder));
    try {
        RenderPdf().write(labelDocument(2), dir + QStringLiteral("/run.pdf"));
        ADD_FAILURE() << "saved without a temporary file";
    } catch (const quorvel::Failure& failure) {
        EXPECT_TRUE(failure.message().contains(notAFolder)) << failure.message().toStdString();
        EXPECT_TRUE(failure.message().startsWith(QStringLiteral("Cannot write the PDF file \""))) << failure.message().toStdString();
    }
    if (before.isEmpty())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", before);
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList({QStringLiteral("not-a-folder")}));
}
