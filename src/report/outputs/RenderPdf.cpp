// The PDF writer. Text goes out in the encoding fontEncoding names (WinAnsi: the bytes of
// table/Windows1252) in the standard fonts or a referenced, never embedded TrueType font, as
// the engine's font resolver decides; each distinct bar code is one form XObject drawn
// wherever it is placed; pictures are re-encoded as JPEG. libharu builds the whole file in
// memory, and the bytes go to disk through AtomicFile so a failure never leaves a partial file.
//
// Every picture, JPEG or not, is decoded and encoded again at imageQuality: passing a JPEG
// through would keep whatever quality it was saved with. Page descriptions hold no vector
// pictures; metafileDpi is the resolution one would be drawn at before being stored.
#include "report/outputs/RenderPdf.h"

#include "report/outputs/AtomicFile.h"
#include "report/engine/FontResolver.h"
#include "report/outputs/JpegEncoder.h"
#include "report/engine/PageDescription.h"
#include "table/Failure.h"
#include "table/Windows1252.h"

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QTimeZone>

#include <hpdf.h>
#include <hpdf_conf.h>

#include <charconv>
#include <numbers>
#include <cmath>
#include <optional>
#include <string>

#ifndef QUORVEL_VERSION
#define QUORVEL_VERSION "1.0.0.5"
#endif

namespace quorvel::report {

namespace {

constexpr HPDF_UINT kPagesPerNode = 1000;

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

/// Bar code geometry: edges lie on a printer's dot grid (a dot at 203 dpi is 0.35468 pt), and a
/// thousandth of a point off it is enough for a rasteriser to blacken the next dot. Five
/// decimals keep every edge within a ten-thousandth of a dot; a symbol's thousands of edges make
/// this the hot path.
void appendExact(std::string& out, double v) { appendDecimal(out, v, 5, 1e6); }

/// Rasterisers part ways at an edge that lies exactly on a dot boundary: Ghostscript leaves the
/// dot beyond it white, Poppler's one-bit mode blackens it. Bars written this much narrower on
/// every side (a thirtieth of a dot even at 1200 dpi) come out as the same whole dots in both.
constexpr double kBarInsetPt = 0.002;

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

void dropRegularStyleName(HPDF_FontDef def)
{
    dropRegularStyleName(def->base_font);
    if (def->type == HPDF_FONTDEF_TYPE_TRUETYPE && def->attr)
        dropRegularStyleName(static_cast<HPDF_TTFontDefAttr>(def->attr)->base_font);
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
        , m_doc(HPDF_New(recordHaruError, &m_status))
    {
        if (!m_doc)
            throw Failure(QStringLiteral("Cannot write the PDF file \"%1\": out of memory.").arg(m_path));
    }
    ~HaruDocument() { HPDF_Free(m_doc); }
    HaruDocument(const HaruDocument&) = delete;
    HaruDocument& operator=(const HaruDocument&) = delete;

    HPDF_Doc get() const { return m_doc; }
    bool failed() const { return status().error != HPDF_OK; }
    void reset()
    {
        HPDF_ResetError(m_doc);
        m_status = {};
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
    PdfWriter(const PageDescription& doc, const RenderPdf& settings, const QString& path)
        : m_doc(doc)
        , m_settings(settings)
        , m_pdf(path)
        , m_fontsByIndex(doc.fonts.size())
        , m_forms(doc.symbols.size())
        , m_images(doc.images.size())
    {
        HPDF_Doc pdf = m_pdf.get();
        HPDF_SetCompressionMode(pdf, HPDF_COMP_NONE);
        // A flat page list holds at most 32767 pages in libharu; a tree of nodes of 1000 pages
        // takes any run.
        HPDF_SetPagesConfiguration(pdf, kPagesPerNode);
        const QByteArray name = QByteArrayLiteral("Quorvel " QUORVEL_VERSION);
        HPDF_SetInfoAttr(pdf, HPDF_INFO_CREATOR, name.constData());
        HPDF_SetInfoAttr(pdf, HPDF_INFO_PRODUCER, name.constData());
        HPDF_SetInfoDateAttr(pdf, HPDF_INFO_CREATION_DATE, haruDate(QDateTime::currentDateTime()));
        m_pdf.check();
        m_content.reserve(1 << 16);
    }

    void addPages()
    {
        for (const Page& page : m_doc.pages)
            addPage(page);
    }

    void addPages(const std::vector<std::size_t>& pages)
    {
        for (const std::size_t index : pages)
            addPage(m_doc.pages.at(index));
    }

    /// The whole file as libharu lays it out, handed over in chunks.
    template<typename Sink>
    void save(Sink&& sink)
    {
        HPDF_Doc pdf = m_pdf.get();
        HPDF_SaveToStream(pdf);
        m_pdf.check();
        std::vector<HPDF_BYTE> buffer(1 << 20);
        HPDF_UINT32 remaining = HPDF_GetStreamSize(pdf);
        while (remaining > 0) {
            HPDF_UINT32 size = std::min<HPDF_UINT32>(remaining, static_cast<HPDF_UINT32>(buffer.size()));
            const HPDF_STATUS rc = HPDF_ReadFromStream(pdf, buffer.data(), &size);
            if (rc != HPDF_OK && rc != HPDF_STREAM_EOF)
                m_pdf.check();
            if (size == 0)
                break;
            sink(reinterpret_cast<const char*>(buffer.data()), size);
            remaining -= std::min(remaining, size);
        }
        if (remaining != 0)
            m_pdf.check();
    }

private:
    struct FontRef
    {
        HPDF_Font font = nullptr;
        bool trueType = false;     ///< libharu writes widths only for the characters it measured
        float size = 10;
        std::size_t stamp = 0;     ///< the page whose resources hold localName
        const char* localName = nullptr;
    };
    struct XObjectRef
    {
        HPDF_XObject object = nullptr;
        bool tried = false;
        std::size_t stamp = 0;
        const char* localName = nullptr;
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
                HPDF_FontDef def = name ? HPDF_GetFontDef(pdf, name) : nullptr;
                if (def) {
                    dropRegularStyleName(def);
                    f = HPDF_GetFont(pdf, def->base_font, encodingName(m_settings.fontEncoding));
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
            ref.font = haruFont(m_doc.fonts[index], &ref.trueType);
            ref.size = static_cast<float>(std::clamp(m_doc.fonts[index].sizePt, 0.1, 600.0));
        }
        return ref;
    }

    const char* localName(FontRef& ref)
    {
        if (ref.stamp != m_pageNumber) {
            ref.localName = HPDF_Page_GetLocalFontName(m_page, ref.font);
            ref.stamp = m_pageNumber;
            m_pdf.check();
        }
        return ref.localName;
    }

    const char* localName(XObjectRef& ref)
    {
        if (ref.stamp != m_pageNumber) {
            ref.localName = HPDF_Page_GetXObjectName(m_page, ref.object);
            ref.stamp = m_pageNumber;
            m_pdf.check();
        }
        return ref.localName;
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

    /// Hands the operators written so far to the page, before libharu writes its own.
    void flush()
    {
        if (m_inText) {
            op("ET\n");
            m_inText = false;
        }
        if (m_content.empty())
            return;
        auto* attr = static_cast<HPDF_PageAttr>(static_cast<HPDF_Dict>(m_page)->attr);
        // A label page's contents are far smaller than libharu's stream buffer; on a roll of
        // one label per page that buffer would be most of the memory used.
        if (HPDF_Stream_Size(attr->stream) == 0 && m_content.size() < HPDF_STREAM_BUF_SIZ) {
            auto* pdf = static_cast<HPDF_Doc>(m_pdf.get());
            if (HPDF_Stream fitted = HPDF_MemStream_New(pdf->mmgr, static_cast<HPDF_UINT>(std::max<std::size_t>(m_content.size(), 64)))) {
                HPDF_Stream_Free(attr->contents->stream);
                attr->contents->stream = fitted;
                attr->stream = fitted;
            }
            m_pdf.check();
        }
        HPDF_Stream_Write(attr->stream, reinterpret_cast<const HPDF_BYTE*>(m_content.data()),
                          static_cast<HPDF_UINT>(m_content.size()));
        m_content.clear();
        m_pdf.check();
    }

    void addPage(const Page& pageDescription)
    {
        HPDF_Doc pdf = m_pdf.get();
        m_page = HPDF_AddPage(pdf);
        m_pdf.check();
        ++m_pageNumber;
        m_height = pageDescription.heightPt;
        // PDF viewers take pages of 3 to 14400 points a side (200 inches); libharu refuses others.
        HPDF_Page_SetWidth(m_page, f(std::clamp(pageDescription.widthPt, 3.0, 14400.0)));
        HPDF_Page_SetHeight(m_page, f(std::clamp(pageDescription.heightPt, 3.0, 14400.0)));
        m_pdf.check();
        m_inText = false;
        m_textFont = nullptr;
        m_fill = Rgb{};   // the initial graphics state fills in black
        for (const PageItem& item : pageDescription.items) {
            const bool isText = std::holds_alternative<TextItem>(item);
            if (m_inText && !isText) {
                op("ET\n");
                m_inText = false;
            }
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
        flush();
    }

    static float f(double v) { return static_cast<float>(v); }

    void setFill(Rgb c)
    {
        if (m_fill && *m_fill == c)
            return;
        color(c);
        op("rg\n");
        m_fill = c;
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
        }
        if (fnt.font != m_textFont || fnt.size != m_textSize) {
            name(localName(fnt));
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
        num(c); num(s); num(-s); num(c); num(t.xPt); num(m_height - t.baselinePt);
        op("Tm\n");
        const std::string bytes = encodedText(m_settings.fontEncoding, t.text);
        if (fnt.trueType)
            HPDF_Font_TextWidth(fnt.font, reinterpret_cast<const HPDF_BYTE*>(bytes.c_str()), static_cast<HPDF_UINT>(bytes.size()));
        appendPdfString(m_content, bytes);
        op(" Tj\n");
    }

    void line(const LineItem& l)
    {
        // A hand-made snapshot may hold a negative width, which PDF readers refuse.
        num(std::max(l.widthPt, 0.0));
        op("w\n");
        color(l.color);
        op("RG\n");
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
            num(r.strokePt);
            op("w\n");
            color(r.stroke);
            op("RG\n");
            num(r.xPt); num(y); num(r.widthPt); num(r.heightPt);
            op("re\nS\n");
        }
    }

    void symbol(const SymbolItem& item)
    {
        if (item.symbol >= m_doc.symbols.size())
            return;
        const Symbol& s = m_doc.symbols[item.symbol];
        if (!s.error.isEmpty())
            return;   // layout drew its error box (ErrorBox.h) in its place
        XObjectRef& form = symbolForm(item.symbol);
        op("q\n1 0 0 1 ");
        appendExact(m_content, item.xPt);
        appendExact(m_content, m_height - item.yPt - s.heightPt);
        op("cm\n");
        name(localName(form));
        op("Do\nQ\n");
    }

    /// The bars and captions of a symbol, once per document, in the symbol's own space
    /// (origin at its bottom-left corner).
    XObjectRef& symbolForm(std::uint32_t index)
    {
        XObjectRef& ref = m_forms[index];
        if (ref.object)
            return ref;
        const Symbol& s = m_doc.symbols[index];
        auto* pdf = static_cast<HPDF_Doc>(m_pdf.get());

        // One buffer for every form: a fresh one each time, past malloc's small sizes, made it
        // sweep its free lists once per symbol.
        std::string& content = m_formContent;
        content.clear();
        content.reserve(s.bars.size() * 28 + 64);
        HPDF_Font captionFont = nullptr;
        content += "0 g\n";
        for (const auto& b : s.bars) {
            appendExact(content, b.xPt + kBarInsetPt);
            appendExact(content, s.heightPt - b.yPt - b.heightPt + kBarInsetPt);
            appendExact(content, std::max(b.widthPt - 2 * kBarInsetPt, 0.0));
            appendExact(content, std::max(b.heightPt - 2 * kBarInsetPt, 0.0));
            content += "re\n";
        }
        if (!s.bars.empty())
            content += "f\n";
        if (!s.captions.empty()) {
            FontRef& fnt = font(s.captionFont);
            captionFont = fnt.font;
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

        HPDF_Dict form = HPDF_DictStream_New(pdf->mmgr, pdf->xref);
        m_pdf.check();
        // A stream sized to its content: the default buffer is several times a symbol's size.
        HPDF_Stream_Free(form->stream);
        form->stream = HPDF_MemStream_New(pdf->mmgr, static_cast<HPDF_UINT>(std::max<std::size_t>(content.size(), 64)));
        if (!form->stream)
            m_pdf.check();
        form->header.obj_class |= HPDF_OSUBCLASS_XOBJECT;
        HPDF_Dict_AddName(form, "Type", "XObject");
        HPDF_Dict_AddName(form, "Subtype", "Form");
        HPDF_Array box = HPDF_Array_New(pdf->mmgr);
        HPDF_Dict_Add(form, "BBox", box);
        // Room around the symbol's box, for captions that stand outside it, within the numbers
        // libharu accepts.
        auto bound = [](double v) { return f(std::clamp(v, -32767.0, 32767.0)); };
        HPDF_Array_AddReal(box, bound(-s.widthPt - 72));
        HPDF_Array_AddReal(box, bound(-s.heightPt - 72));
        HPDF_Array_AddReal(box, bound(2 * s.widthPt + 72));
        HPDF_Array_AddReal(box, bound(2 * s.heightPt + 72));
        HPDF_Dict resources = HPDF_Dict_New(pdf->mmgr);
        HPDF_Dict_Add(form, "Resources", resources);
        if (captionFont) {
            HPDF_Dict fonts = HPDF_Dict_New(pdf->mmgr);
            HPDF_Dict_Add(resources, "Font", fonts);
            HPDF_Dict_Add(fonts, "F0", captionFont);
        }
        HPDF_Stream_Write(form->stream, reinterpret_cast<const HPDF_BYTE*>(content.data()), static_cast<HPDF_UINT>(content.size()));
        m_pdf.check();
        ref.object = form;
        return ref;
    }

    XObjectRef* picture(std::uint32_t index)
    {
        XObjectRef& ref = m_images[index];
        if (!ref.tried) {
            ref.tried = true;
            const QImage decoded = QImage::fromData(m_doc.images[index].encoded);
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
        if (item.image >= m_doc.images.size())
            return;
        if (XObjectRef* img = picture(item.image)) {
            op("q\n");
            num(item.widthPt); op("0 0 "); num(item.heightPt);
            num(item.xPt); num(m_height - item.yPt - item.heightPt);
            op("cm\n");
            name(localName(*img));
            op("Do\nQ\n");
        }
    }

    const PageDescription& m_doc;
    const RenderPdf& m_settings;
    HaruDocument m_pdf;
    std::vector<FontRef> m_fontsByIndex;
    FontRef m_fallbackFont;
    QHash<QByteArray, HPDF_Font> m_trueTypeFonts;
    std::vector<XObjectRef> m_forms;
    std::vector<XObjectRef> m_images;
    HPDF_Page m_page = nullptr;
    std::size_t m_pageNumber = 0;
    double m_height = 0;
    std::string m_content;
    bool m_inText = false;
    HPDF_Font m_textFont = nullptr;
    std::string m_formContent;
    float m_textSize = 0;
    std::optional<Rgb> m_fill;
};

} // namespace

void RenderPdf::write(const PageDescription& pages, const QString& path) const
{
    // Creating the file first reports an unusable name before any work is done.
    AtomicFile file(path);
    PdfWriter writer(pages, *this, file.finalPath());
    writer.addPages();
    writer.save([&file](const char* data, std::size_t size) { file.write(data, size); });
    file.commit();
}

void RenderPdf::write(const PageDescription& doc, const std::vector<std::size_t>& pages,
                      const std::function<void(const char*, std::size_t)>& sink, const QString& name) const
{
    PdfWriter writer(doc, *this, name);
    writer.addPages(pages);
    writer.save(sink);
}

} // namespace quorvel::report
