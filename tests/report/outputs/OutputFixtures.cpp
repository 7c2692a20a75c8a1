#include "report/outputs/OutputFixtures.h"

#include "report/engine/ErrorBox.h"
#include "report/engine/TextMeasure.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>

#include <zint.h>

#include <cstring>
#include <memory>
#include <stdexcept>

namespace quorvel::report::testing {

Symbol ean13(const char* digits, double modulePt, std::uint32_t captionFont, double captionSizePt)
{
    constexpr double kDigitEm = 0.556;   // every digit of Helvetica is 556/1000 em wide
    std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)> z(ZBarcode_Create(), &ZBarcode_Delete);
    z->symbology = BARCODE_EANX;
    z->scale = 0.5f;
    z->height = 22;
    const int rc = ZBarcode_Encode_and_Buffer_Vector(z.get(), reinterpret_cast<const unsigned char*>(digits),
                                                     static_cast<int>(std::strlen(digits)), 0);
    if (rc >= ZINT_ERROR)
        throw std::runtime_error(z->errtxt);
    Symbol s;
    s.widthPt = z->vector->width * modulePt;
    s.heightPt = z->vector->height * modulePt;
    s.captionFont = captionFont;
    for (auto* r = z->vector->rectangles; r; r = r->next)
        s.bars.push_back({r->x * modulePt, r->y * modulePt, r->width * modulePt, r->height * modulePt});
    for (auto* t = z->vector->strings; t; t = t->next) {
        const QString text = QString::fromUtf8(reinterpret_cast<const char*>(t->text));
        double x = t->x * modulePt;
        const double width = static_cast<double>(text.size()) * kDigitEm * captionSizePt;
        if (t->halign == 0)
            x -= width / 2;
        else if (t->halign == 2)
            x -= width;
        s.captions.push_back({x, t->y * modulePt, text});
    }
    return s;
}

PageDescription labelDocument(int pages)
{
    PageDescription doc;
    doc.title = QStringLiteral("Etiquetas");
    doc.fonts = {{QStringLiteral("Arial"), 9, false, false}, {QStringLiteral("Arial"), 14, true, false},
                 {QStringLiteral("Helvetica"), 7, false, false}};
    doc.symbols.push_back(ean13("789100031550", 0.9354, 2, 7));
    doc.symbols.push_back(ean13("400638133393", 0.9354, 2, 7));
    for (int i = 0; i < pages; ++i) {
        Page page;
        page.widthPt = 141.73;   // 50 x 30 mm
        page.heightPt = 85.04;
        page.items.push_back(RectItem{2, 2, 137.73, 81.04, 0.5, {}, false, {}});
        page.items.push_back(TextItem{6, 14, 0, {}, 0, QStringLiteral("CAMISA ÇÃÍ € %1").arg(i + 1)});
        page.items.push_back(TextItem{6, 30, 1, {}, 0, QStringLiteral("R$ 39,90")});
        page.items.push_back(SymbolItem{20, 36, static_cast<std::uint32_t>(i % 2)});
        doc.pages.push_back(std::move(page));
    }
    return doc;
}

void markUnencodable(PageDescription& doc, std::uint32_t symbol, const QString& error)
{
    Symbol& s = doc.symbols.at(symbol);
    s.bars.clear();
    s.captions.clear();
    s.error = error;
    s.captionFont = static_cast<std::uint32_t>(doc.fonts.size());
    doc.fonts.push_back(errorBoxFont());
    TextMeasure measure;
    for (Page& page : doc.pages) {
        std::vector<PageItem> items;
        for (const PageItem& item : page.items) {
            items.push_back(item);
            if (const auto* at = std::get_if<SymbolItem>(&item); at && at->symbol == symbol)
                appendErrorBox(items, *at, s, s.captionFont, measure);
        }
        page.items = std::move(items);
    }
}

QByteArray encodedPicture(const char* format, int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.fillRect(0, 0, w / 2, h / 2, QColor(200, 30, 30));
    p.fillRect(w / 2, h / 2, w - w / 2, h - h / 2, QColor(30, 30, 200));
    p.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.write(image);
    return bytes;
}

ToolResult runTool(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    ToolResult r;
    if (!process.waitForStarted(10000))
        return r;
    process.closeWriteChannel();
    process.waitForFinished(120000);
    r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.out = process.readAllStandardOutput();
    r.err = process.readAllStandardError();
    return r;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString scratchDir(const QString& name)
{
    // ctest runs the tests of one program side by side, each in a process of its own (suite
    // set-ups included): the process id keeps their folders apart.
    QString owner = QString::number(QCoreApplication::applicationPid());
    const QString path = QStringLiteral(QUORVEL_BINARY_DIR "/tests/scratch/") + name + u'-' + owner;
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    return path;
}

} // namespace quorvel::report::testing
