// Label data to PDF, timed: builds the page description a run would produce (one label per
// page on a 50 x 30 mm thermal roll, or an A4 sheet of 3 x 10), encoding each distinct bar
// code once, then writes it with the PDF output. Prints wall times, peak memory and size.
//
//   bench_pdf_output --labels N --layout thermal|a4 [--per-item Q] [--out FILE.pdf] [--ndr FILE.ndr]
//
// Until the engine lays out definitions, the layout here stands in for the default label.
#include "report/engine/PageDescription.h"
#include "report/outputs/RenderPdf.h"
#include "report/outputs/Snapshot.h"

#include <QFileInfo>
#include <QHash>
#include <QString>

#include <zint.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include <sys/resource.h>

using namespace quorvel::report;

namespace {

constexpr double kMm = 72.0 / 25.4;

struct Item
{
    QString group, subgroup, brand, colour, reference, size, barcode, price;
};

/// The print table: `labels` rows, each item repeated `perItem` times in a row.
Item itemFor(int label, int perItem)
{
    static const char* colours[] = {"AZUL", "PRETO", "BRANCO", "VERMELHO", "VERDE"};
    static const char* sizes[] = {"P", "M", "G", "GG", "XG"};
    const int i = label / perItem;
    Item item;
    item.group = QStringLiteral("CAMISETA");
    item.subgroup = QStringLiteral("MANGA CURTA");
    item.brand = QStringLiteral("QUORVEL");
    item.colour = QString::fromLatin1(colours[i % 5]);
    item.reference = QStringLiteral("REF-%1").arg(i, 6, 10, QLatin1Char('0'));
    item.size = QString::fromLatin1(sizes[i % 5]);
    item.barcode = QStringLiteral("789%1").arg(i, 9, 10, QLatin1Char('0'));
    item.price = QStringLiteral("R$ %1,90").arg(19 + i % 80);
    return item;
}

/// One zint symbol for the whole run: creating one clears a large structure each time.
Symbol encodeEan13(zint_symbol* z, const QString& digits, double modulePt, std::uint32_t captionFont)
{
    ZBarcode_Clear(z);
    z->symbology = BARCODE_EANX;
    z->scale = 0.5f;
    z->height = 28;
    const QByteArray data = digits.toLatin1();
    Symbol s;
    s.captionFont = captionFont;
    if (ZBarcode_Encode_and_Buffer_Vector(z, reinterpret_cast<const unsigned char*>(data.constData()),
                                          static_cast<int>(data.size()), 0) >= ZINT_ERROR) {
        s.error = QString::fromLatin1(z->errtxt);
        return s;
    }
    s.widthPt = z->vector->width * modulePt;
    s.heightPt = z->vector->height * modulePt;
    for (auto* r = z->vector->rectangles; r; r = r->next)
        s.bars.push_back({r->x * modulePt, r->y * modulePt, r->width * modulePt, r->height * modulePt});
    // Captions are placed by the left end of their baselines; the digits of Helvetica are
    // 556/1000 em wide and the caption font here is 7 pt.
    for (auto* t = z->vector->strings; t; t = t->next) {
        const QString text = QString::fromLatin1(reinterpret_cast<const char*>(t->text));
        const double width = static_cast<double>(text.size()) * 0.556 * 7;
        const double x = t->x * modulePt - (t->halign == 0 ? width / 2 : t->halign == 2 ? width : 0);
        s.captions.push_back({x, t->y * modulePt, text});
    }
    return s;
}

struct Layout
{
    double pageW, pageH, labelW, labelH;
    int columns, rows;
};

PageDescription build(int labels, int perItem, const Layout& layout)
{
    PageDescription doc;
    doc.title = QStringLiteral("Etiquetas");
    doc.fonts = {{QStringLiteral("Arial"), 6, false, false},
                 {QStringLiteral("Arial"), 7, true, false},
                 {QStringLiteral("Arial"), 12, true, false},
                 {QStringLiteral("Arial"), 7, false, false}};
    QHash<QString, std::uint32_t> symbols;   // each distinct code is encoded once per run
    std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)> zint(ZBarcode_Create(), &ZBarcode_Delete);
    const QString date = QStringLiteral("09/12/2026");
    const int perPage = layout.columns * layout.rows;
    for (int k = 0; k < labels; ++k) {
        if (k % perPage == 0) {
            doc.pages.emplace_back();
            doc.pages.back().widthPt = layout.pageW;
            doc.pages.back().heightPt = layout.pageH;
            doc.pages.back().items.reserve(static_cast<std::size_t>(perPage) * 8);
        }
        const int slot = k % perPage;
        const double x = (slot % layout.columns) * layout.labelW, y = (slot / layout.columns) * layout.labelH;
        const Item item = itemFor(k, perItem);
        auto& items = doc.pages.back().items;
        items.push_back(TextItem{x + 6, y + 10, 1, {}, 0, QStringLiteral("QUORVEL - LOJA 01")});
        items.push_back(TextItem{x + 6, y + 18, 0, {}, 0, item.group + QLatin1Char(' ') + item.subgroup});
        items.push_back(TextItem{x + 6, y + 25, 0, {}, 0, item.brand + QLatin1Char(' ') + item.colour});
        items.push_back(TextItem{x + 6, y + 32, 0, {}, 0, QStringLiteral("%1  TAM %2").arg(item.reference, item.size)});
        items.push_back(TextItem{x + 84, y + 22, 2, {}, 0, item.price});
        items.push_back(TextItem{x + 100, y + 32, 0, {}, 0, date});
        auto it = symbols.constFind(item.barcode);
        if (it == symbols.constEnd()) {
            it = symbols.insert(item.barcode, static_cast<std::uint32_t>(doc.symbols.size()));
            doc.symbols.push_back(encodeEan13(zint.get(), item.barcode, 0.85, 3));
        }
        items.push_back(SymbolItem{x + 14, y + 36, *it});
    }
    return doc;
}

double peakMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

/// Processor time of this process (user and system): the machine may be shared.
double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0)
           + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

double msSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    int labels = 10000, perItem = 5;
    std::string layoutName = "a4", out = "bench.pdf", ndr;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--labels"))
            labels = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--layout"))
            layoutName = argv[i + 1];
        else if (!std::strcmp(argv[i], "--per-item"))
            perItem = std::max(1, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--out"))
            out = argv[i + 1];
        else if (!std::strcmp(argv[i], "--ndr"))
            ndr = argv[i + 1];
    }
    Layout layout;
    if (layoutName == "thermal")
        layout = {50 * kMm, 30 * kMm, 50 * kMm, 30 * kMm, 1, 1};
    else
        layout = {210 * kMm, 297 * kMm, 70 * kMm, 29.7 * kMm, 3, 10};

    const auto start = std::chrono::steady_clock::now();
    const PageDescription doc = build(labels, perItem, layout);
    const double buildMs = msSince(start);
    const auto pdfStart = std::chrono::steady_clock::now();
    try {
        RenderPdf().write(doc, QString::fromStdString(out));
        const double pdfMs = msSince(pdfStart);
        double ndrMs = 0;
        if (!ndr.empty()) {
            const auto ndrStart = std::chrono::steady_clock::now();
            snapshot::write(doc, QString::fromStdString(ndr));
            ndrMs = msSince(ndrStart);
        }
        std::printf("layout=%s labels=%d pages=%zu distinct_codes=%zu build_ms=%.0f pdf_ms=%.0f total_ms=%.0f "
                    "cpu_ms=%.0f peak_mb=%.1f pdf_mb=%.2f",
                    layoutName.c_str(), labels, doc.pages.size(), doc.symbols.size(), buildMs, pdfMs, msSince(start),
                    cpuMs(), peakMb(), static_cast<double>(QFileInfo(QString::fromStdString(out)).size()) / 1e6);
        if (!ndr.empty())
            std::printf(" ndr_ms=%.0f ndr_mb=%.2f", ndrMs, static_cast<double>(QFileInfo(QString::fromStdString(ndr)).size()) / 1e6);
        std::printf("\n");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
