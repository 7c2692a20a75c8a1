#include "report/engine/BarcodeEncoder.h"

#include "report/engine/DeviceGrid.h"
#include "report/engine/TextMeasure.h"
#include "table/Failure.h"

#include <zint.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace quorvel::report {

namespace {

// Owns one zint symbol, made for one encode and deleted after it. zint 2.11 has no call that
// sets a used symbol back to a new one's defaults, so none is reused.
class ZintSymbol
{
public:
    ZintSymbol() : m_symbol(ZBarcode_Create())
    {
        if (!m_symbol)
            throw Failure(QStringLiteral("The bar code library could not allocate a symbol."));
    }
    ~ZintSymbol() { ZBarcode_Delete(m_symbol); }
    ZintSymbol(const ZintSymbol&) = delete;
    ZintSymbol& operator=(const ZintSymbol&) = delete;

    zint_symbol* operator->() const { return m_symbol; }

    /// Encodes without laying out; returns zint's error text or "".
    QString check(const QByteArray& utf8)
    {
        int rc = ZBarcode_Encode(m_symbol, reinterpret_cast<const unsigned char*>(utf8.constData()),
                                 static_cast<int>(utf8.size()));
        return rc >= ZINT_ERROR ? QString::fromUtf8(m_symbol->errtxt) : QString();
    }

    /// Encodes and lays out as vectors at one unit per module; returns zint's error text or "".
    QString encode(const QByteArray& utf8)
    {
        m_symbol->scale = 0.5f;
        if (QString error = check(utf8); !error.isEmpty())
            return error;
        if (ZBarcode_Buffer_Vector(m_symbol, 0) >= ZINT_ERROR)
            return QString::fromUtf8(m_symbol->errtxt);
        if (!m_symbol->vector)
            return QStringLiteral("The bar code library produced no symbol.");
        return {};
    }

private:
    zint_symbol* m_symbol;
};

/// A code as zint gets it, or why it does not get it.
struct Prepared
{
    const Symbology* row = nullptr;
    QString data;
    QString error;
};

QString digitalLinkRefusal(const QString& data)
{
    const bool digits = std::all_of(data.begin(), data.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (data.size() != 13 || !digits)
        return QStringLiteral("A GS1 Digital Link needs a GTIN-13 of 13 digits: \"%1\"").arg(data);
    const QChar check = eanCheckDigit(QStringView(data).first(12));
    if (data[12] != check)
        return QStringLiteral("A GS1 Digital Link needs a valid GTIN-13: check digit '%1' in \"%2\", expecting '%3'")
            .arg(data[12]).arg(data).arg(check);
    return {};
}

Prepared prepare(const BarcodeOptions& options, const QString& data)
{
    Prepared p;
    if (data.isEmpty()) {
        p.error = QStringLiteral("No bar code data");
        return p;
    }
    p.row = &resolvedSymbology(*options.symbology, data);
    if (options.gs1DigitalLink) {
        p.error = digitalLinkRefusal(data);
        p.data = QStringLiteral("https://id.gs1.org/01/0") + data;
    } else {
        if (p.row->refusal)
            p.error = p.row->refusal(data);
        p.data = p.row->prepared ? p.row->prepared(data) : data;
    }
    return p;
}

void configure(ZintSymbol& z, const Symbology& row, const QString& data, const BarcodeOptions& options, double moduleMm)
{
    z->symbology = row.zintFor(data.size());
    z->input_mode = UNICODE_MODE;
    z->show_hrt = options.humanReadable && row.text ? 1 : 0;
    z->output_options = options.quietZones ? BARCODE_QUIET_ZONES : BARCODE_NO_QUIET_ZONES;
    if (row.zintOption3)
        z->option_3 = row.zintOption3;
    if (row.barHeight)
        z->height = static_cast<float>(options.barHeightMm / moduleMm);
    z->warn_level = WARN_FAIL_ALL;
}

Symbol errorSymbol(const QString& error, double boxWidthPt, double boxHeightPt)
{
    Symbol s;
    s.widthPt = boxWidthPt > 0 ? boxWidthPt : 100;
    s.heightPt = boxHeightPt > 0 ? boxHeightPt : 30;
    s.error = error;
    return s;
}

} // namespace

namespace {

// A module of a metre is past any label; beyond it the dot counts would overflow.
constexpr double kMaxModuleDots = 100000;

int clampedDots(double dots)
{
    if (!(dots >= 1))   // not a number too
        return 1;
    return static_cast<int>(std::min(dots, kMaxModuleDots));
}

} // namespace

int moduleDots(double moduleMm, int dpi)
{
    return clampedDots(std::round(moduleMm * dpi / 25.4));
}

QString barcodeError(const BarcodeOptions& options, const QString& rawData)
{
    const Prepared p = prepare(options, rawData);
    if (!p.error.isEmpty())
        return p.error;
    ZintSymbol z;
    configure(z, *p.row, p.data, options, 1.0);
    return z.check(p.data.toUtf8());
}

namespace {

/// zint's rectangles of a 2-D symbol, laid on its grid of modules again: one bar per run of
/// dark modules in a row, each `unit` points square.
std::vector<Symbol::Bar> matrixBars(const zint_vector& v, double unit)
{
    const auto columns = static_cast<std::size_t>(std::lround(v.width));
    const auto rows = static_cast<std::size_t>(std::lround(v.height));
    std::vector<bool> dark(columns * rows);
    const auto cell = [](float at, std::size_t limit) { return std::min(static_cast<std::size_t>(std::max(0L, std::lround(at))), limit); };
    for (const zint_vector_rect* r = v.rectangles; r; r = r->next) {
        if (r->colour != -1 && r->colour != 7)
            continue;
        const std::size_t x0 = cell(r->x, columns), x1 = cell(r->x + r->width, columns);
        const std::size_t y0 = cell(r->y, rows), y1 = cell(r->y + r->height, rows);
        for (std::size_t y = y0; y < y1; ++y)
            for (std::size_t x = x0; x < x1; ++x)
                dark[y * columns + x] = true;
    }
    std::vector<Symbol::Bar> bars;
    for (std::size_t y = 0; y < rows; ++y)
        for (std::size_t x = 0; x < columns;) {
            if (!dark[y * columns + x]) {
                ++x;
                continue;
            }
            std::size_t end = x;
            while (end < columns && dark[y * columns + end])
                ++end;
            bars.push_back(Symbol::Bar{static_cast<double>(x) * unit, static_cast<double>(y) * unit,
                                       static_cast<double>(end - x) * unit, unit});
            x = end;
        }
    return bars;
}

/// zint's vectors are floats in modules: every edge is taken back to its whole dot, so the
/// symbol's bars and spaces are exact multiples of the module in the page description.
std::vector<Symbol::Bar> linearBars(const zint_vector& v, int dots, double dot)
{
    const auto onGrid = [dots, dot](double modules) { return std::round(modules * dots) * dot; };
    std::size_t rectangles = 0;
    for (const zint_vector_rect* r = v.rectangles; r; r = r->next)
        ++rectangles;
    std::vector<Symbol::Bar> bars;
    bars.reserve(rectangles);
    for (const zint_vector_rect* r = v.rectangles; r; r = r->next)
        if (r->colour == -1 || r->colour == 7) {
            const double x0 = onGrid(r->x), y0 = onGrid(r->y);
            bars.push_back(Symbol::Bar{x0, y0, onGrid(double{r->x} + r->width) - x0, onGrid(double{r->y} + r->height) - y0});
        }
    return bars;
}

} // namespace

EncodedSymbol encodeBarcode(const QString& rawData, const BarcodeOptions& options, double boxWidthPt,
                            double boxHeightPt, int dpi, TextMeasure& measure)
{
    EncodedSymbol out;
    // What barcodeError checks, in the encodes that follow: the data is encoded once when the
    // module is given or the symbology fixes the height, twice when it fits the box (once to measure).
    const Prepared p = prepare(options, rawData);
    if (!p.error.isEmpty()) {
        out.symbol = errorSymbol(p.error, boxWidthPt, boxHeightPt);
        return out;
    }
    const Symbology& row = *p.row;
    const QByteArray utf8 = p.data.toUtf8();
    const double dot = dotPt(dpi);

    std::optional<ZintSymbol> probe;
    int dots = 0;
    if (options.moduleMm > 0) {
        dots = moduleDots(options.moduleMm, dpi);
    } else {
        probe.emplace();
        configure(*probe, row, p.data, options, 1.0);
        if (QString error = probe->encode(utf8); !error.isEmpty()) {
            out.symbol = errorSymbol(error, boxWidthPt, boxHeightPt);
            return out;
        }
        double fit = boxWidthPt / (*probe)->vector->width / dot;
        if (row.shape == Symbology::Shape::Matrix && boxHeightPt > 0)
            fit = std::min(fit, boxHeightPt / (*probe)->vector->height / dot);
        dots = boxWidthPt > 0 ? clampedDots(std::floor(fit + 1e-9)) : 2;
    }
    out.moduleDots = dots;

    // Without a bar height of its own the symbol is the same at any module: the probe serves.
    std::optional<ZintSymbol> sized;
    if (!probe || row.barHeight) {
        // Bars as tall as a whole number of dots; zint takes the height in modules.
        BarcodeOptions snapped = options;
        snapped.barHeightMm = std::max(1.0, std::round(options.barHeightMm * dpi / 25.4)) * 25.4 / dpi;
        sized.emplace();
        configure(*sized, row, p.data, snapped, dots * 25.4 / dpi);
        if (QString error = sized->encode(utf8); !error.isEmpty()) {
            out.symbol = errorSymbol(error, boxWidthPt, boxHeightPt);
            return out;
        }
    }
    const zint_vector& v = *(sized ? *sized : *probe)->vector;
    const double unit = dots * dot;
    Symbol& s = out.symbol;
    s.widthPt = std::round(double{v.width} * dots) * dot;
    s.heightPt = std::ceil(double{v.height} * dots - 1e-6) * dot;
    s.bars = row.shape == Symbology::Shape::Matrix ? matrixBars(v, unit) : linearBars(v, dots, dot);
    float fontUnits = 0;
    for (const zint_vector_string* t = v.strings; t; t = t->next)
        fontUnits = std::max(fontUnits, t->fsize);
    out.captionFont = FontSpec{QStringLiteral("Helvetica"), std::round(fontUnits * unit * 10) / 10, false, false};
    for (const zint_vector_string* t = v.strings; t; t = t->next) {
        QString text = QString::fromUtf8(reinterpret_cast<const char*>(t->text), t->length);
        // zint gives the centre of most captions and one end of some (EAN's leading digit);
        // the page description keeps the left end of the baseline, as for any text.
        const double w = measure.widthPt(out.captionFont, text);
        double left = t->x * unit - w / 2;
        if (t->halign == 1)
            left += w / 2;
        else if (t->halign == 2)
            left -= w / 2;
        s.captions.push_back(Symbol::Caption{left, t->y * unit, text});
    }
    return out;
}

} // namespace quorvel::report
