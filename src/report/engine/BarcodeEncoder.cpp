#include "report/engine/BarcodeEncoder.h"

#include "report/engine/DeviceGrid.h"
#include "report/engine/TextMeasure.h"
#include "table/Failure.h"

#include <zint.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace quorvel::report {

namespace {

// A zint symbol is 30 KB: allocating and clearing a new one for each encode cost more than
// encoding an EAN-13. Symbols handed back are kept and set to what a new one holds.
class SymbolPool
{
public:
    ~SymbolPool()
    {
        for (zint_symbol* s : m_free)
            ZBarcode_Delete(s);
        ZBarcode_Delete(m_pristine);
    }

    zint_symbol* take()
    {
        if (m_free.empty())
            return ZBarcode_Create();
        zint_symbol* s = m_free.back();
        m_free.pop_back();
        return s;
    }

    void give(zint_symbol* s)
    {
        if (!m_pristine)
            m_pristine = ZBarcode_Create();
        if (!m_pristine || m_free.size() >= kKept) {
            ZBarcode_Delete(s);
            return;
        }
        ZBarcode_Clear(s);   // frees what the last encode allocated
        std::memcpy(s, m_pristine, sizeof *s);
        // The alternate spellings point into the symbol itself.
        s->fgcolor = s->fgcolour;
        s->bgcolor = s->bgcolour;
        m_free.push_back(s);
    }

private:
    static constexpr std::size_t kKept = 4;
    zint_symbol* m_pristine = nullptr;
    std::vector<zint_symbol*> m_free;
};

SymbolPool& symbolPool()
{
    thread_local SymbolPool pool;
    return pool;
}

// Owns one zint symbol; every encode starts from a fresh one.
class ZintSymbol
{
public:
    ZintSymbol() : m_symbol(symbolPool().take())
    {
        if (!m_symbol)
            throw Failure(QStringLiteral("The bar code library could not allocate a symbol."));
    }
    ~ZintSymbol() { symbolPool().give(m_symbol); }
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
        int rc = ZBarcode_Encode_and_Buffer_Vector(m_symbol, reinterpret_cast<const unsigned char*>(utf8.constData()),
                                                   static_cast<int>(utf8.size()), 0);
        if (rc >= ZINT_ERROR)
            return QString::fromUtf8(m_symbol->errtxt);
        if (!m_symbol->vector)
            return QStringLiteral("The bar code library produced no symbol.");
        return {};
    }

private:
    zint_symbol* m_symbol;
};

bool allDigits(const QString& s)
{
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

int zintSymbology(BarcodeKind kind, int length)
{
    switch (kind) {
    case BarcodeKind::Code39: return BARCODE_CODE39;
    case BarcodeKind::Ean13: return BARCODE_EANX;
    // Plain EAN mode pads 8 digits into an EAN-13; the check-digit mode keeps EAN-8.
    case BarcodeKind::Ean8: return BARCODE_EANX_CHK;
    case BarcodeKind::UpcA: return BARCODE_UPCA;
    case BarcodeKind::UpcE: return length == 8 ? BARCODE_UPCE_CHK : BARCODE_UPCE;
    case BarcodeKind::Interleaved2of5: return BARCODE_C25INTER;
    case BarcodeKind::PostNet: return BARCODE_POSTNET;
    case BarcodeKind::Auto:
    case BarcodeKind::Code128: break;
    }
    return BARCODE_CODE128;
}

QChar eanCheckDigit(const QString& digits)
{
    int sum = 0;
    const auto n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        int d = digits[n - 1 - i].digitValue();
        sum += (i % 2 == 0) ? 3 * d : d;
    }
    return QChar(u'0' + (10 - sum % 10) % 10);
}

void configure(ZintSymbol& z, BarcodeKind kind, const QString& data, const BarcodeOptions& options, double moduleMm)
{
    z->symbology = zintSymbology(kind, static_cast<int>(data.size()));
    z->input_mode = UNICODE_MODE;
    z->show_hrt = options.humanReadable ? 1 : 0;
    z->output_options = options.quietZones ? BARCODE_QUIET_ZONES : BARCODE_NO_QUIET_ZONES;
    if (kind != BarcodeKind::PostNet)
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

BarcodeKind resolveKind(BarcodeKind kind, const QString& data)
{
    if (kind != BarcodeKind::Auto)
        return kind;
    return allDigits(data) && (data.size() == 12 || data.size() == 13) ? BarcodeKind::Ean13 : BarcodeKind::Code128;
}

QString validateBarcode(BarcodeKind kind, const QString& data)
{
    if (data.isEmpty())
        return QStringLiteral("No bar code data");
    const auto n = data.size();
    switch (resolveKind(kind, data)) {
    case BarcodeKind::Ean13:
        if (!allDigits(data) || (n != 12 && n != 13))
            return QStringLiteral("EAN-13 needs 12 or 13 digits: \"%1\"").arg(data);
        break;
    case BarcodeKind::Ean8:
        if (!allDigits(data) || (n != 7 && n != 8))
            return QStringLiteral("EAN-8 needs 7 or 8 digits: \"%1\"").arg(data);
        break;
    case BarcodeKind::UpcA:
        if (!allDigits(data) || (n != 11 && n != 12))
            return QStringLiteral("UPC-A needs 11 or 12 digits: \"%1\"").arg(data);
        break;
    case BarcodeKind::UpcE:
        if (!allDigits(data) || n < 6 || n > 8)
            return QStringLiteral("UPC-E needs 6 to 8 digits: \"%1\"").arg(data);
        if (n > 6 && data[0] != u'0' && data[0] != u'1')
            return QStringLiteral("UPC-E number system must be 0 or 1: \"%1\"").arg(data);
        break;
    case BarcodeKind::Interleaved2of5:
        if (!allDigits(data) || n % 2 != 0)
            return QStringLiteral("Interleaved 2 of 5 needs an even number of digits: \"%1\"").arg(data);
        break;
    case BarcodeKind::PostNet:
        if (!allDigits(data) || (n != 5 && n != 9 && n != 11))
            return QStringLiteral("PostNet needs 5, 9 or 11 digits: \"%1\"").arg(data);
        break;
    case BarcodeKind::Code39:
        for (QChar c : data)
            if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || QStringView(u" -.$/+%").contains(c)))
                return QStringLiteral("Code 39 cannot encode '%1' in \"%2\"").arg(c).arg(data);
        break;
    case BarcodeKind::Code128:
        for (QChar c : data)
            if (c.unicode() > 0xFF)
                return QStringLiteral("Code 128 cannot encode '%1' in \"%2\"").arg(c).arg(data);
        break;
    case BarcodeKind::Auto:
        break;
    }
    return {};
}

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

namespace {

/// The data as zint gets it: an EAN-8 without its check digit gains it.
QString encodedData(BarcodeKind kind, const QString& data)
{
    if (kind == BarcodeKind::Ean8 && data.size() == 7)
        return data + eanCheckDigit(data);
    return data;
}

} // namespace

QString barcodeError(const BarcodeOptions& options, const QString& rawData)
{
    const BarcodeKind kind = resolveKind(options.kind, rawData);
    if (QString error = validateBarcode(kind, rawData); !error.isEmpty())
        return error;
    const QString data = encodedData(kind, rawData);
    ZintSymbol z;
    configure(z, kind, data, options, 1.0);
    return z.check(data.toUtf8());
}

EncodedSymbol encodeBarcode(const QString& rawData, const BarcodeOptions& options, double boxWidthPt,
                            double boxHeightPt, int dpi, TextMeasure& measure)
{
    EncodedSymbol out;
    const BarcodeKind kind = resolveKind(options.kind, rawData);
    // What barcodeError checks, in the encodes that follow: the data is encoded once when the
    // module is given, twice when it fits the box (once to measure).
    if (QString error = validateBarcode(kind, rawData); !error.isEmpty()) {
        out.symbol = errorSymbol(error, boxWidthPt, boxHeightPt);
        return out;
    }
    const QString data = encodedData(kind, rawData);
    const QByteArray utf8 = data.toUtf8();
    const double dot = dotPt(dpi);

    int dots = 0;
    if (options.moduleMm > 0) {
        dots = moduleDots(options.moduleMm, dpi);
    } else {
        ZintSymbol probe;
        configure(probe, kind, data, options, 1.0);
        if (QString error = probe.encode(utf8); !error.isEmpty()) {
            out.symbol = errorSymbol(error, boxWidthPt, boxHeightPt);
            return out;
        }
        const double modules = probe->vector->width;
        dots = boxWidthPt > 0 ? clampedDots(std::floor(boxWidthPt / modules / dot + 1e-9)) : 2;
    }
    out.moduleDots = dots;
    // Bars as tall as a whole number of dots; zint takes the height in modules.
    BarcodeOptions snapped = options;
    snapped.barHeightMm = std::max(1.0, std::round(options.barHeightMm * dpi / 25.4)) * 25.4 / dpi;
    const double moduleMm = dots * 25.4 / dpi;

    ZintSymbol z;
    configure(z, kind, data, snapped, moduleMm);
    if (QString error = z.encode(utf8); !error.isEmpty()) {
        out.symbol = errorSymbol(error, boxWidthPt, boxHeightPt);
        return out;
    }
    // zint's vectors are floats in modules: every edge is taken back to its whole dot, so the
    // symbol's bars and spaces are exact multiples of the module in the page description.
    const auto onGrid = [dots, dot](double modules) { return std::round(modules * dots) * dot; };
    const double unit = dots * dot;
    const zint_vector* v = z->vector;
    Symbol& s = out.symbol;
    s.widthPt = onGrid(v->width);
    s.heightPt = std::ceil(double{v->height} * dots - 1e-6) * dot;
    std::size_t rectangles = 0;
    for (const zint_vector_rect* r = v->rectangles; r; r = r->next)
        ++rectangles;
    s.bars.reserve(rectangles);
    for (const zint_vector_rect* r = v->rectangles; r; r = r->next)
        if (r->colour == -1 || r->colour == 7) {
            const double x0 = onGrid(r->x), y0 = onGrid(r->y);
            s.bars.push_back(Symbol::Bar{x0, y0, onGrid(double{r->x} + r->width) - x0, onGrid(double{r->y} + r->height) - y0});
        }
    float fontUnits = 0;
    for (const zint_vector_string* t = v->strings; t; t = t->next)
        fontUnits = std::max(fontUnits, t->fsize);
    out.captionFont = FontSpec{QStringLiteral("Helvetica"), std::round(fontUnits * unit * 10) / 10, false, false};
    for (const zint_vector_string* t = v->strings; t; t = t->next) {
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
