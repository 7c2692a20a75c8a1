// The PDF writer. Text goes out in the encoding fontEncoding names (WinAnsi: the bytes of
// table/Windows1252) in the standard fonts or a referenced, never embedded TrueType font, as
// the engine's font resolver decides; each distinct bar code is one form XObject drawn
// wherever it is placed; pictures are re-encoded as JPEG. libharu keeps the document's
// structure; page contents and forms wait in a Spool until the save, which goes to disk
// through AtomicFile so a failure never leaves a partial file.
// This file keeps to libharu's public calls (HPDF_SHARED below makes its handles opaque); what
// they do not offer goes through HaruInternals.
//
// Every picture, JPEG or not, is decoded and encoded again at imageQuality: passing a JPEG
// through would keep whatever quality it was saved with. Page descriptions hold no vector
// pictures; metafileDpi is the resolution one would be drawn at before being stored.
#include "report/outputs/RenderPdf.h"

#include "report/outputs/AtomicFile.h"
#include "report/engine/FontResolver.h"
#include "report/outputs/HaruInternals.h"
#include "report/outputs/JpegEncoder.h"
#include "report/outputs/Spool.h"
#include "report/engine/PageDescription.h"
#include "table/Failure.h"
#include "table/Windows1252.h"

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QTimeZone>

#define HPDF_SHARED
#include <hpdf.h>

#include <array>
#include <charconv>
#include <exception>
#include <functional>
#include <numbers>
#include <cmath>
#include <optional>
#include <string>

#ifndef QUORVEL_VERSION
#define QUORVEL_VERSION "1.0.0.5"
#endif

namespace quorvel::report {

namespace {

/// Pages to a node of the page tree: PDF arrays stay far below libharu's limit of 8191.
constexpr unsigned kPagesPerNode = 1000;
constexpr std::size_t kSaveChunk = std::size_t{1} << 20;

// ---- text --------------------------------------------------------------------------------

/// libharu's name of the encoding fonts are used in.
const char* encodingName(RenderPdf::FontEncoding encoding)
{
    switch (encoding) {
    case RenderPdf::FontEncoding::WinAnsi: break;
    }
    return "WinAnsiEncoding";
}

/// Text as the bytes of `encoding`; what it cannot draw becomes '?'.
std::string encodedText(RenderPdf::FontEncoding encoding, const QString& text)
{
    switch (encoding) {
    case RenderPdf::FontEncoding::WinAnsi: break;
    }
    return table::toWindows1252Glyphs(text);
}

/// `v` with `decimals` places, trailing zeros dropped, and a blank after it.
void appendFixed(std::string& out, double v, int decimals)
{
    char buf[48];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    if (ec != std::errc()) {
        out += "0 ";
        return;
    }
    char* last = end;
    while (last > buf && last[-1] == '0')
        --last;
    if (last > buf && last[-1] == '.')
        --last;
    std::string_view s(buf, static_cast<std::size_t>(last - buf));
    if (s == "-0" || s.empty())
        s = "0";
    out.append(s);
    out += ' ';
}

/// `v` with at most `decimals` places and a blank after it. Below `countedBelow` the digits are
/// counted in an integer, unless the product lies so near half a last digit that its own
/// rounding could tip it; appendFixed takes those, and everything larger.
void appendDecimal(std::string& out, double v, int decimals, double countedBelow)
{
    if (!std::isfinite(v))
        v = 0;
    long long unit = 1;
    for (int i = 0; i < decimals; ++i)
        unit *= 10;
    if (std::fabs(v) < countedBelow) {
        const double scaled = v * static_cast<double>(unit);
        const double whole = std::nearbyint(scaled);
        if (std::fabs(std::fabs(scaled - whole) - 0.5) > 1e-3) {
            auto n = static_cast<long long>(whole);
            if (n == 0) {
                out += "0 ";
                return;
            }
            char buf[48];
            char* end = buf;
            if (n < 0) {
                *end++ = '-';
                n = -n;
            }
            end = std::to_chars(end, buf + sizeof buf, n / unit).ptr;
            if (long long fraction = n % unit; fraction != 0) {
                *end++ = '.';
                for (long long digit = unit / 10; fraction != 0; digit /= 10) {
                    *end++ = static_cast<char>('0' + fraction / digit);
                    fraction %= digit;
                }
            }
            *end++ = ' ';
            out.append(buf, static_cast<std::size_t>(end - buf));
            return;
        }
    }
    appendFixed(out, v, decimals);
}

/// Coordinates on a page, in thousandths of a point.
void appendNumber(std::string& out, double v) { appendDecimal(out, v, 3, 1e9); }

/// `v` in whole thousandths, rounded as appendNumber writes it. Beyond a billion points (only a
/// hand-made snapshot gets there) it stops at the largest number appendNumber counts.
long long thousandths(double v)
{
    if (std::isnan(v))
        v = 0;
    v = std::clamp(v, -999'999'999.0, 999'999'999.0);
    std::string text;
    appendNumber(text, v);
    long long whole = 0, fraction = 0;
    int places = 0;
    bool negative = false;
    for (char c : text) {
        if (c == '-')
            negative = true;
        else if (c == '.')
            places = 1;
        else if (c >= '0' && c <= '9') {
            if (places == 0)
                whole = whole * 10 + (c - '0');
            else if (places++ <= 3)
                fraction = fraction * 10 + (c - '0');
        }
    }
    for (; places > 0 && places <= 3; ++places)
        fraction *= 10;
    const long long n = whole * 1000 + fraction;
    return negative ? -n : n;
}

/// A number of thousandths as appendNumber writes it, blank included.
void appendThousandths(std::string& out, long long n)
{
    appendDecimal(out, static_cast<double>(n) / 1000, 3, 1e9);
}

/// A symbol's origin: it lies on a printer's dot grid (a dot at 203 dpi is 0.35468 pt), and a
/// thousandth of a point off it is enough for a rasteriser to blacken the next dot. Five
/// decimals keep it within a ten-thousandth of a dot.
void appendExact(std::string& out, double v) { appendDecimal(out, v, 5, 1e6); }

/// Rasterisers part ways at an edge that lies exactly on a dot boundary: Ghostscript leaves the
/// dot beyond it white, Poppler's one-bit mode blackens it. Bars written this much narrower on
/// every side (a thirtieth of a dot even at 1200 dpi) come out as the same whole dots in both.
/// Their edges are written in thousandths of a point, within the symbol: the inset still keeps
/// each written edge between a thousandth and three thousandths inside the bar.
constexpr double kBarInsetPt = 0.002;

/// The decimals that keep `v` written within a thousandth of a point when a unit of it is
/// `scalePt` points wide: half the bar inset, so each bar's edges stay inside it.
int decimalsFor(double scalePt)
{
    int decimals = 0;
    for (double error = 0.5 * scalePt; error > 0.001 && decimals < 7; error /= 10)
        ++decimals;
    return decimals;
}

/// A symbol's bars in the units they are made of: across, in modules (every edge a whole number
/// of them from the symbol's left side); up, as parts of the height most bars share. An EAN-13
/// bar then reads "11 0 0.996 1 re" where points took twice the bytes. The scale stays in
/// force after them, so they come last in a form. False, with nothing written, for bars that
/// are not whole modules (a hand-made snapshot): they go in points.
bool appendBarsOnGrid(std::string& out, const Symbol& s)
{
    if (s.bars.size() < 2)
        return false;
    double module = s.bars.front().widthPt;
    for (const auto& b : s.bars)
        module = std::min(module, b.widthPt);
    if (!(module > 2 * kBarInsetPt) || module > 1000)
        return false;
    const auto whole = [module](double pt) {
        const double n = pt / module;
        return std::fabs(n - std::round(n)) < 1e-6 && std::fabs(n) < 1e6;
    };
    // The bottom and height most bars share (an EAN's guard bars stand taller).
    double bottom = 0, height = 0;
    std::size_t sharing = 0;
    for (const auto& candidate : s.bars) {
        std::size_t n = 0;
        for (const auto& b : s.bars)
            n += b.yPt == candidate.yPt && b.heightPt == candidate.heightPt ? 1 : 0;
        if (n > sharing) {
            sharing = n;
            bottom = s.heightPt - candidate.yPt - candidate.heightPt;
            height = candidate.heightPt;
        }
        if (sharing * 2 > s.bars.size())
            break;
    }
    if (!(height > 2 * kBarInsetPt) || height > 30000)
        return false;
    for (const auto& b : s.bars)
        if (!whole(b.xPt) || !whole(b.widthPt) || b.heightPt < 0)
            return false;
    // y = bottom + inset + y' * (height - 2 inset): the shared bars fill 0 to 1 exactly.
    const double span = height - 2 * kBarInsetPt;
    const int across = decimalsFor(module), up = decimalsFor(span);
    appendDecimal(out, module, 7, 1e6);
    out += "0 0 ";
    appendDecimal(out, span, 7, 1e6);
    appendExact(out, kBarInsetPt);
    appendExact(out, bottom + kBarInsetPt);
    out += "cm\n";
    for (const auto& b : s.bars) {
        const double barBottom = s.heightPt - b.yPt - b.heightPt;
        appendDecimal(out, std::round(b.xPt / module), 0, 1e6);
        appendDecimal(out, (barBottom - bottom) / span, up, 1e6);
        appendDecimal(out, std::max(b.widthPt - 2 * kBarInsetPt, 0.0) / module, across, 1e6);
        appendDecimal(out, std::max(b.heightPt - 2 * kBarInsetPt, 0.0) / span, up, 1e6);
        out += "re\n";
    }
    out += "f\n";
    return true;
}

void appendPdfString(std::string& out, const std::string& bytes)
{
    static const char* digits = "01234567";
    out += '(';
    for (unsigned char c : bytes) {
        if (c == '(' || c == ')' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x80) {
            out += '\\';
            out += digits[(c >> 6) & 7];
            out += digits[(c >> 3) & 7];
            out += digits[c & 7];
        } else {
            out += static_cast<char>(c);
        }
    }
    out += ')';
}

// ---- fonts -------------------------------------------------------------------------------

/// libharu names a referenced TrueType font "Family,Style" after the face's style name. For
/// the regular face ("Book", "Regular") that suffix names a style viewers do not know, and
/// they fall back to another font; the plain family name is what they resolve.
void dropRegularStyleName(char* name)
{
    static const char* regular[] = {",Book", ",Regular", ",Roman", ",Normal", ",Medium"};
    const std::string_view value(name);
    for (const char* suffix : regular) {
        const std::string_view s(suffix);
        if (value.size() > s.size() && value.substr(value.size() - s.size()) == s) {
            name[value.size() - s.size()] = 0;
            return;
        }
    }
}

const char* standardFontName(StandardFamily family, bool bold, bool italic)
{
    static const char* names[3][4] = {
        {"Helvetica", "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique"},
        {"Times-Roman", "Times-Bold", "Times-Italic", "Times-BoldItalic"},
        {"Courier", "Courier-Bold", "Courier-Oblique", "Courier-BoldOblique"},
    };
    const int row = family == StandardFamily::Serif ? 1 : family == StandardFamily::Mono ? 2 : 0;
    return names[row][(bold ? 1 : 0) + (italic ? 2 : 0)];
}

// ---- libharu -----------------------------------------------------------------------------

struct HaruStatus
{
    HPDF_STATUS error = HPDF_OK;
    HPDF_STATUS detail = 0;
};

void recordHaruError(HPDF_STATUS error, HPDF_STATUS detail, void* user)
{
    auto* status = static_cast<HaruStatus*>(user);
    if (status->error == HPDF_OK) {
        status->error = error;
        status->detail = detail;
    }
}

/// One libharu document. Errors are only recorded by the callback and turned into failures
/// by check(); libharu's state is sticky until reset().
class HaruDocument
{
public:
    explicit HaruDocument(QString path)
        : m_path(std::move(path))
        , m_doc((haru::checkLibrary(), HPDF_NewEx(recordHaruError, nullptr, nullptr, 0, &m_status)))
    {
        if (!m_doc)
            fail(QStringLiteral("out of memory"));
    }
    ~HaruDocument() { HPDF_Free(m_doc); }
    HaruDocument(const HaruDocument&) = delete;
    HaruDocument& operator=(const HaruDocument&) = delete;

    HPDF_Doc get() const { return m_doc; }
    const QString& path() const { return m_path; }
    bool failed() const { return status().error != HPDF_OK; }
    void reset()
    {
        HPDF_ResetError(m_doc);
        m_status = {};
    }
    /// "Cannot write the PDF file \"<path>\": <why>."
    [[noreturn]] void fail(const QString& why) const
    {
        throw Failure(QStringLiteral("Cannot write the PDF file \"%1\": %2.").arg(m_path, why));
    }
    void check() const
    {
        const HaruStatus s = status();
        if (s.error != HPDF_OK)
            throw Failure(QStringLiteral("Cannot write the PDF file \"%1\": PDF library error 0x%2 (%3).")
                              .arg(m_path)
                              .arg(s.error, 4, 16, QLatin1Char('0'))
                              .arg(s.detail));
    }

private:
    /// Some of libharu's checks set its error without calling the handler (a number out of its
    /// range, for one); every later write into a stream is then skipped, so both are looked at.
    HaruStatus status() const
    {
        if (m_status.error != HPDF_OK)
            return m_status;
        return {HPDF_GetError(m_doc), HPDF_GetErrorDetail(m_doc)};
    }

    QString m_path;
    HaruStatus m_status;
    HPDF_Doc m_doc;
};

HPDF_Date haruDate(const QDateTime& local)
{
    HPDF_Date d{};
    const QDate date = local.date();
    const QTime time = local.time();
    d.year = date.year();
    d.month = date.month();
    d.day = date.day();
    d.hour = time.hour();
    d.minutes = time.minute();
    d.seconds = time.second();
    const int offset = local.offsetFromUtc();
    d.ind = offset == 0 ? 'Z' : offset > 0 ? '+' : '-';
    d.off_hour = std::abs(offset) / 3600;
    d.off_minutes = (std::abs(offset) % 3600) / 60;
    return d;
}

/// Writes the pages. libharu keeps the document's structure (objects, resources, fonts,
/// pictures, cross references); the page contents, where nearly all of the work is, are
/// written here as operators straight into each page's content stream.
class PdfWriter
{
public:
    PdfWriter(const RenderPdf& settings, const QString& path)
        : m_settings(settings)
        , m_pdf(path)
        , m_spool(path)
        , m_pages(m_pdf.get(), kPagesPerNode)
    {
        HPDF_Doc pdf = m_pdf.get();
        HPDF_SetCompressionMode(pdf, HPDF_COMP_NONE);
        const QByteArray name = QByteArrayLiteral("Quorvel " QUORVEL_VERSION);
        HPDF_SetInfoAttr(pdf, HPDF_INFO_CREATOR, name.constData());
        HPDF_SetInfoAttr(pdf, HPDF_INFO_PRODUCER, name.constData());
        HPDF_SetInfoDateAttr(pdf, HPDF_INFO_CREATION_DATE, haruDate(QDateTime::currentDateTime()));
        m_resources = haru::newPageResources(pdf);
        m_pdf.check();
        if (!m_resources)
            m_pdf.fail(QStringLiteral("out of memory"));
        m_content.reserve(1 << 16);
    }

    /// Writes `page`, whose fonts, symbols and pictures are those of `doc`. A layout handing its
    /// pages over one by one passes the same `doc` each time, its tables grown meanwhile.
    void addPage(const PageDescription& doc, const Page& page)
    {
        m_doc = &doc;
        m_fontsByIndex.resize(std::max(m_fontsByIndex.size(), doc.fonts.size()));
        m_forms.resize(std::max(m_forms.size(), doc.symbols.size()));
        m_images.resize(std::max(m_images.size(), doc.images.size()));
        addPage(page);
    }

    /// The whole file as libharu lays it out, handed over in chunks of about a megabyte.
    void save(const std::function<void(const char*, std::size_t)>& sink)
    {
        struct Output
        {
            const std::function<void(const char*, std::size_t)>& sink;
            std::string buffer;
            std::exception_ptr failure;

            bool pass()
            {
                try {
                    sink(buffer.data(), buffer.size());
                } catch (...) {
                    failure = std::current_exception();
                }
                buffer.clear();
                return !failure;
            }
        } out{sink, {}, nullptr};
        out.buffer.reserve(kSaveChunk);
        const auto write = [](void* context, const char* data, std::size_t size) {
            auto* o = static_cast<Output*>(context);
            o->buffer.append(data, size);
            return o->buffer.size() < kSaveChunk || o->pass();
        };
        const bool saved = haru::save(m_pdf.get(), write, &out);
        if (out.failure)
            std::rethrow_exception(out.failure);
        if (m_spool.failed())
            m_spool.fail();
        m_pdf.check();
        if (!saved)
            m_pdf.fail(QStringLiteral("the PDF library could not save it"));
        if (!out.buffer.empty() && !out.pass())
            std::rethrow_exception(out.failure);
    }

private:
    struct FontRef
    {
        HPDF_Font font = nullptr;
        bool trueType = false;     ///< libharu writes widths only for the characters it measured
        float size = 10;
        std::string name;          ///< in the pages' shared resources, once added
    };
    struct XObjectRef
    {
        HPDF_XObject object = nullptr;
        bool tried = false;
        std::string name;
    };

    /// The font the resolver picked for `wanted`; a TrueType file libharu cannot use falls back to
    /// the standard sans.
    HPDF_Font haruFont(const FontSpec& wanted, bool* trueType)
    {
        HPDF_Doc pdf = m_pdf.get();
        const ResolvedFont resolved = resolveFont(wanted);
        StandardFamily standard = resolved.standard;
        if (const QByteArray& file = resolved.trueTypeFile; !file.isEmpty()) {
            auto known = m_trueTypeFonts.constFind(file);
            HPDF_Font f = known != m_trueTypeFonts.constEnd() ? *known : nullptr;
            if (known == m_trueTypeFonts.constEnd()) {
                const char* name = HPDF_LoadTTFontFromFile(pdf, file.constData(), m_settings.embedFonts ? HPDF_TRUE : HPDF_FALSE);
                const std::array<char*, 2> names = haru::fontDefinitionNames(pdf, name);
                if (names[0]) {
                    for (char* n : names)
                        if (n)
                            dropRegularStyleName(n);
                    f = HPDF_GetFont(pdf, names[0], encodingName(m_settings.fontEncoding));
                }
                if (!f || m_pdf.failed()) {
                    m_pdf.reset();
                    f = nullptr;
                }
                m_trueTypeFonts.insert(file, f);
            }
            if (f) {
                *trueType = true;
                return f;
            }
            standard = StandardFamily::Sans;
        }
        *trueType = false;
        HPDF_Font f = HPDF_GetFont(pdf, standardFontName(standard, wanted.bold, wanted.italic), encodingName(m_settings.fontEncoding));
        m_pdf.check();
        return f;
    }

    FontRef& font(std::uint32_t index)
    {
        static const FontSpec fallback{QStringLiteral("Helvetica"), 10, false, false};
        if (index >= m_fontsByIndex.size()) {
            if (!m_fallbackFont.font)
                m_fallbackFont.font = haruFont(fallback, &m_fallbackFont.trueType);
            return m_fallbackFont;
        }
        FontRef& ref = m_fontsByIndex[index];
        if (!ref.font) {
            ref.font = haruFont(m_doc->fonts[index], &ref.trueType);
            ref.size = static_cast<float>(std::clamp(m_doc->fonts[index].sizePt, 0.1, 600.0));
        }
        return ref;
    }

    /// The name of a font or a form in the resources every page shares, added on first use.
    const char* sharedName(FontRef& ref) { return resourceName(ref.name, 'F', [&] { return haru::addFont(m_resources, ref.font); }); }
    const char* sharedName(XObjectRef& ref)
    {
        return resourceName(ref.name, 'X', [&] { return haru::addXObject(m_resources, ref.object); });
    }

    template <class Add>
    const char* resourceName(std::string& name, char prefix, Add add)
    {
        if (name.empty()) {
            const unsigned number = add();
            m_pdf.check();
            if (number == 0)
                m_pdf.fail(QStringLiteral("out of memory"));
            name = prefix + std::to_string(number);
        }
        return name.c_str();
    }

    void num(double v) { appendNumber(m_content, v); }
    void op(const char* text) { m_content += text; }
    void name(const char* n)
    {
        m_content += '/';
        m_content += n;
        m_content += ' ';
    }
    void color(Rgb c)
    {
        num(c.r / 255.0);
        num(c.g / 255.0);
        num(c.b / 255.0);
    }

    /// Adds the page to the document, the operators written its contents, parked in the spool
    /// until the save.
    void finishPage(const Page& page)
    {
        endText();
        const std::uint64_t at = m_spool.append(m_content.data(), m_content.size());
        // PDF viewers take pages of 3 to 14400 points a side (200 inches).
        const bool added = m_pages.add(m_resources, std::clamp(page.widthPt, 3.0, 14400.0),
                                       std::clamp(page.heightPt, 3.0, 14400.0), m_spool, at, m_content.size());
        m_content.clear();
        m_pdf.check();
        if (!added)
            m_pdf.fail(QStringLiteral("out of memory"));
    }

    void endText()
    {
        if (m_inText) {
            op("ET\n");
            m_inText = false;
        }
    }

    void addPage(const Page& pageDescription)
    {
        m_height = pageDescription.heightPt;
        m_inText = false;
        m_textFont = nullptr;
        // The initial graphics state fills and strokes in black, with lines 1 point wide.
        m_fill = Rgb{};
        m_stroke = Rgb{};
        m_lineWidth = 1000;
        for (const PageItem& item : pageDescription.items) {
            const bool isText = std::holds_alternative<TextItem>(item);
            if (!isText)
                endText();
            if (isText)
                text(std::get<TextItem>(item));
            else if (const auto* l = std::get_if<LineItem>(&item))
                line(*l);
            else if (const auto* r = std::get_if<RectItem>(&item))
                rect(*r);
            else if (const auto* s = std::get_if<SymbolItem>(&item))
                symbol(*s);
            else if (const auto* i = std::get_if<ImageItem>(&item))
                image(*i);
        }
        finishPage(pageDescription);
    }

    void setFill(Rgb c)
    {
        if (m_fill && *m_fill == c)
            return;
        color(c);
        op("rg\n");
        m_fill = c;
    }

    void setStroke(double widthPt, Rgb c)
    {
        const long long width = thousandths(widthPt);
        if (width != m_lineWidth) {
            appendThousandths(m_content, width);
            op("w\n");
            m_lineWidth = width;
        }
        if (!m_stroke || *m_stroke != c) {
            color(c);
            op("RG\n");
            m_stroke = c;
        }
    }

    void text(const TextItem& t)
    {
        if (t.text.isEmpty())
            return;
        FontRef& fnt = font(t.font);
        if (!m_inText) {
            op("BT\n");
            m_inText = true;
            m_textFont = nullptr;
            m_lineAt = LineStart{};   // BT starts from the identity
        }
        if (fnt.font != m_textFont || fnt.size != m_textSize) {
            name(sharedName(fnt));
            num(fnt.size);
            op("Tf\n");
            m_textFont = fnt.font;
            m_textSize = fnt.size;
        }
        setFill(t.color);
        double c = 1, s = 0;
        switch (t.rotation % 360) {
        case 0: break;
        case 90: c = 0; s = 1; break;
        case 180: c = -1; s = 0; break;
        case 270: c = 0; s = -1; break;
        default: {
            const double a = (t.rotation % 360) * std::numbers::pi / 180.0;
            c = std::cos(a);
            s = std::sin(a);
        }
        }
        const long long x = thousandths(t.xPt), y = thousandths(m_height - t.baselinePt);
        if (c == 1 && s == 0 && m_lineAt) {
            // Upright text moves from the start of the last line: the same place in fewer bytes.
            appendThousandths(m_content, x - m_lineAt->x);
            appendThousandths(m_content, y - m_lineAt->y);
            op("Td\n");
            m_lineAt = LineStart{x, y};
        } else {
            num(c); num(s); num(-s); num(c);
            appendThousandths(m_content, x);
            appendThousandths(m_content, y);
            op("Tm\n");
            m_lineAt = c == 1 && s == 0 ? std::optional<LineStart>(LineStart{x, y}) : std::nullopt;
        }
        const std::string bytes = encodedText(m_settings.fontEncoding, t.text);
        if (fnt.trueType)
            HPDF_Font_TextWidth(fnt.font, reinterpret_cast<const HPDF_BYTE*>(bytes.c_str()), static_cast<HPDF_UINT>(bytes.size()));
        appendPdfString(m_content, bytes);
        op(" Tj\n");
    }

    void line(const LineItem& l)
    {
        // A hand-made snapshot may hold a negative width, which PDF readers refuse.
        setStroke(std::max(l.widthPt, 0.0), l.color);
        num(l.x1Pt); num(m_height - l.y1Pt);
        op("m\n");
        num(l.x2Pt); num(m_height - l.y2Pt);
        op("l\nS\n");
    }

    void rect(const RectItem& r)
    {
        const double y = m_height - r.yPt - r.heightPt;
        if (r.filled) {
            setFill(r.fill);
            num(r.xPt); num(y); num(r.widthPt); num(r.heightPt);
            op("re\nf\n");
        }
        if (r.strokePt > 0) {
            setStroke(r.strokePt, r.stroke);
            num(r.xPt); num(y); num(r.widthPt); num(r.heightPt);
            op("re\nS\n");
        }
    }

    void symbol(const SymbolItem& item)
    {
        if (item.symbol >= m_doc->symbols.size())
            return;
        const Symbol& s = m_doc->symbols[item.symbol];
        if (!s.error.isEmpty())
            return;   // layout drew its error box (ErrorBox.h) in its place
        XObjectRef& form = symbolForm(item.symbol);
        op("q\n");
        if (m_fill != Rgb{})
            op("0 g\n");   // bars and captions are black, whatever colour text before them had
        op("1 0 0 1 ");
        appendExact(m_content, item.xPt);
        appendExact(m_content, m_height - item.yPt - s.heightPt);
        op("cm\n");
        name(sharedName(form));
        op("Do\nQ\n");
    }

    /// The bars and captions of a symbol, once per document, in the symbol's own space
    /// (origin at its bottom-left corner).
    XObjectRef& symbolForm(std::uint32_t index)
    {
        XObjectRef& ref = m_forms[index];
        if (ref.object)
            return ref;
        const Symbol& s = m_doc->symbols[index];

        // One buffer for every form: a fresh one each time, past malloc's small sizes, made it
        // sweep its free lists once per symbol.
        std::string& content = m_formContent;
        content.clear();
        content.reserve(s.bars.size() * 28 + 64);
        // The fill is black when the form is drawn (symbol() sees to it); the captions go first,
        // as the bars leave their scale in force.
        const FontRef* captionFont = nullptr;
        if (!s.captions.empty()) {
            const FontRef& fnt = font(s.captionFont);
            captionFont = &fnt;
            content += "BT\n/F0 ";
            appendNumber(content, fnt.size);
            content += "Tf\n";
            double x = 0, y = 0;   // Td moves relative to the previous line's start
            for (const auto& c : s.captions) {
                const std::string bytes = encodedText(m_settings.fontEncoding, c.text);
                if (fnt.trueType)
                    HPDF_Font_TextWidth(fnt.font, reinterpret_cast<const HPDF_BYTE*>(bytes.c_str()), static_cast<HPDF_UINT>(bytes.size()));
                const double left = c.xPt;
                const double baseline = s.heightPt - c.baselinePt;
                appendNumber(content, left - x);
                appendNumber(content, baseline - y);
                content += "Td ";
                appendPdfString(content, bytes);
                content += " Tj\n";
                x = left;
                y = baseline;
            }
            content += "ET\n";
        }
        if (!appendBarsOnGrid(content, s)) {
            for (const auto& b : s.bars) {
                appendNumber(content, b.xPt + kBarInsetPt);
                appendNumber(content, s.heightPt - b.yPt - b.heightPt + kBarInsetPt);
                appendNumber(content, std::max(b.widthPt - 2 * kBarInsetPt, 0.0));
                appendNumber(content, std::max(b.heightPt - 2 * kBarInsetPt, 0.0));
                content += "re\n";
            }
            if (!s.bars.empty())
                content += "f\n";
        }
        // Room around the symbol's box, for captions that stand outside it, within the numbers
        // libharu accepts.
        auto bound = [](double v) { return static_cast<int>(std::clamp(v, -32767.0, 32767.0)); };
        const std::array<int, 4> box{bound(std::floor(-s.widthPt - 72)), bound(std::floor(-s.heightPt - 72)),
                                     bound(std::ceil(2 * s.widthPt + 72)), bound(std::ceil(2 * s.heightPt + 72))};
        haru::Handle resources = formResources(captionFont);
        const std::uint64_t at = m_spool.append(content.data(), content.size());
        ref.object = haru::newForm(m_pdf.get(), box, resources, m_spool, at, content.size());
        m_pdf.check();
        if (!ref.object)
            m_pdf.fail(QStringLiteral("the PDF library refused a bar code"));
        return ref;
    }

    /// The resources of every form whose captions are in `captionFont` (none: null): one
    /// object for them all.
    haru::Handle formResources(const FontRef* captionFont)
    {
        HPDF_Font captions = captionFont ? captionFont->font : nullptr;
        for (const auto& [f, resources] : m_formResources)
            if (f == captions)
                return resources;
        haru::Handle resources = haru::newFormResources(m_pdf.get(), captions);
        m_pdf.check();
        if (!resources)
            m_pdf.fail(QStringLiteral("the PDF library refused a bar code"));
        m_formResources.emplace_back(captions, resources);
        return resources;
    }

    XObjectRef* picture(std::uint32_t index)
    {
        XObjectRef& ref = m_images[index];
        if (!ref.tried) {
            ref.tried = true;
            const QImage decoded = QImage::fromData(m_doc->images[index].encoded);
            if (decoded.isNull())
                return nullptr;   // not a picture we can read: nothing is drawn, as in the preview
            const QByteArray jpeg = encodeJpeg(decoded, m_settings.imageQuality);
            ref.object = HPDF_LoadJpegImageFromMem(m_pdf.get(), reinterpret_cast<const HPDF_BYTE*>(jpeg.constData()),
                                                   static_cast<HPDF_UINT>(jpeg.size()));
            m_pdf.check();
        }
        return ref.object ? &ref : nullptr;
    }

    void image(const ImageItem& item)
    {
        if (item.image >= m_doc->images.size())
            return;
        if (XObjectRef* img = picture(item.image)) {
            op("q\n");
            num(item.widthPt); op("0 0 "); num(item.heightPt);
            num(item.xPt); num(m_height - item.yPt - item.heightPt);
            op("cm\n");
            name(sharedName(*img));
            op("Do\nQ\n");
        }
    }

    const PageDescription* m_doc = nullptr;   // of the page being written
    const RenderPdf& m_settings;
    HaruDocument m_pdf;
    Spool m_spool;
    std::vector<FontRef> m_fontsByIndex;
    FontRef m_fallbackFont;
    QHash<QByteArray, HPDF_Font> m_trueTypeFonts;
    std::vector<XObjectRef> m_forms;
    std::vector<XObjectRef> m_images;
    haru::Handle m_resources = nullptr;   // shared by every page
    haru::PageTree m_pages;
    double m_height = 0;
    std::string m_content;
    bool m_inText = false;
    HPDF_Font m_textFont = nullptr;
    std::string m_formContent;
    std::vector<std::pair<HPDF_Font, haru::Handle>> m_formResources;
    float m_textSize = 0;
    /// Where the last text line started, in thousandths of a point, while the text matrix is
    /// upright; empty while it is turned.
    struct LineStart
    {
        long long x = 0, y = 0;
    };
    std::optional<LineStart> m_lineAt;
    std::optional<Rgb> m_fill;
    std::optional<Rgb> m_stroke;
    long long m_lineWidth = 1000;   ///< thousandths of a point
};

} // namespace

void RenderPdf::write(const PageDescription& pages, const QString& path) const
{
    PdfStream stream(*this, path);
    for (const Page& page : pages.pages)
        stream.add(pages, page);
    stream.commit();
}

void RenderPdf::write(const PageDescription& doc, const std::vector<std::size_t>& pages,
                      const std::function<void(const char*, std::size_t)>& sink, const QString& name) const
{
    PdfWriter writer(*this, name);
    for (const std::size_t index : pages)
        writer.addPage(doc, doc.pages.at(index));
    writer.save(sink);
}

struct PdfStream::State
{
    State(const RenderPdf& settings, const QString& path) : file(path), writer(settings, file.finalPath()) {}

    AtomicFile file;   // created first: an unusable name is reported before any work is done
    PdfWriter writer;
};

PdfStream::PdfStream(const RenderPdf& settings, const QString& path) : m_state(std::make_unique<State>(settings, path)) {}

PdfStream::~PdfStream() = default;

void PdfStream::add(const PageDescription& doc, const Page& page) { m_state->writer.addPage(doc, page); }

void PdfStream::commit()
{
    AtomicFile& file = m_state->file;
    m_state->writer.save([&file](const char* data, std::size_t size) { file.write(data, size); });
    file.commit();
}

} // namespace quorvel::report
