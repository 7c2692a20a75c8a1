// The PDF writer. Text goes out in the encoding fontEncoding names (WinAnsi: the bytes of
// table/Windows1252) in the standard fonts or a referenced, never embedded TrueType font, as
// the engine's font resolver decides; each distinct bar code is one form XObject drawn
// wherever it is placed; pictures are re-encoded as JPEG. The document's objects are ours
// (pdf::ObjectWriter writes them); page contents, forms and pictures wait in a Spool until the
// save, which goes to disk through AtomicFile so a failure never leaves a partial file.
//
// Every picture, JPEG or not, is decoded and encoded again at imageQuality: passing a JPEG
// through would keep whatever quality it was saved with. Page descriptions hold no vector
// pictures; metafileDpi is the resolution one would be drawn at before being stored.
#include "report/outputs/RenderPdf.h"

#include "report/outputs/AtomicFile.h"
#include "report/engine/FontResolver.h"
#include "report/outputs/JpegEncoder.h"
#include "report/outputs/PdfObjects.h"
#include "report/outputs/Spool.h"
#include "report/outputs/TrueTypeFace.h"
#include "report/outputs/TwoLevelPicture.h"
#include "report/engine/PageDescription.h"
#include "table/Windows1252.h"

#include <QDateTime>
#include <QHash>
#include <QImage>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <optional>
#include <string>

#ifndef QUORVEL_VERSION
#define QUORVEL_VERSION "1.0.0.5"
#endif

namespace quorvel::report {

namespace {

/// Pages to a node of the page tree.
constexpr std::size_t kPagesPerNode = 1000;
constexpr std::size_t kSaveChunk = std::size_t{1} << 20;

// ---- text --------------------------------------------------------------------------------

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


/// A page's own size: at most five decimals of its single precision value.
void appendShortReal(std::string& out, float v)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.5f", static_cast<double>(v));
    std::string r = text;
    while (!r.empty() && r.back() == '0')
        r.pop_back();
    if (!r.empty() && r.back() == '.')
        r.pop_back();
    out += r == "-0" ? "0" : r;
}

// ---- the document ------------------------------------------------------------------------

/// The characters Windows-1252 bytes stand for, as a TrueType font's widths are looked up.
const std::array<char16_t, 256>& windows1252Characters()
{
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int c = 0; c < 256; ++c) {
            const char byte = static_cast<char>(c);
            const QString text = table::fromWindows1252(std::string_view(&byte, 1));
            t[static_cast<std::size_t>(c)] = text.size() == 1 ? text.at(0).unicode() : u'\0';
        }
        return t;
    }();
    return table;
}

/// "D:YYYYMMDDHHmmSS" and the offset from UTC as "Z00'00'" or "+HH'mm'".
std::string creationDate(const QDateTime& local)
{
    const int offset = local.offsetFromUtc();
    const char sign = offset == 0 ? 'Z' : offset > 0 ? '+' : '-';
    const QDate d = local.date();
    const QTime t = local.time();
    char text[40];
    std::snprintf(text, sizeof text, "D:%04d%02d%02d%02d%02d%02d%c%02d'%02d'", d.year(), d.month(), d.day(), t.hour(),
                  t.minute(), t.second(), sign, std::abs(offset) / 3600, (std::abs(offset) % 3600) / 60);
    return text;
}

/// Writes the pages. Every object of the document is one small record numbered as it is made
/// (the order readers of earlier files of ours found them in); what each holds is put into
/// words only when the file is written, its streams read back from the spool then.
class PdfWriter
{
public:
    PdfWriter(const RenderPdf& settings, const QString& path)
        : m_settings(settings)
        , m_spool(path)
        , m_created(creationDate(QDateTime::currentDateTime()))
    {
        add(Kind::Catalog);
        add(Kind::RootPages);
        add(Kind::Info);
        m_resources = add(Kind::PageResources);
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

    /// The whole file, handed over in chunks of about a megabyte.
    void save(const std::function<void(const char*, std::size_t)>& sink)
    {
        // Font descriptors are numbered after everything else, in the order of their fonts.
        for (std::size_t i = 0, n = m_objects.size(); i < n; ++i)
            if (m_objects[i].kind == Kind::TrueTypeFont)
                m_trueTypeFonts[m_objects[i].index].descriptor = add(Kind::Descriptor, m_objects[i].index);
        pdf::ObjectWriter out(sink, kSaveChunk);
        out.begin();
        std::string text;
        for (std::uint32_t number = 1; number <= m_objects.size(); ++number) {
            out.beginObject(number);
            text.clear();
            const Object object = m_objects[number - 1];
            writeObject(out, text, object);
            out.endObject();
        }
        out.finish(1, 3);
    }

private:
    enum class Kind : std::uint8_t {
        Catalog, RootPages, Info, PageResources, StandardFont, TrueTypeFont, Descriptor,
        FormResources, Form, Node, Contents, Page, Image, ImageLength, Stencil
    };
    struct Object
    {
        Kind kind;
        std::uint32_t index;   ///< into the list of its kind
    };
    /// Bytes waiting in the spool.
    struct Spooled
    {
        std::uint64_t at = 0;
        std::uint64_t size = 0;
    };
    struct TrueTypeFont
    {
        TrueTypeFace face;
        std::array<std::int16_t, 256> widths{};   ///< only of the characters drawn
        std::array<bool, 256> used{};
        std::uint32_t descriptor = 0;
    };
    struct FormObject
    {
        Spooled bytes;
        std::array<int, 4> box{};
        std::uint32_t resources = 0;
    };
    struct PageObject
    {
        Spooled bytes;
        std::uint32_t node = 0, contents = 0;
        float width = 0, height = 0;   ///< where the page differs from the document's size
    };
    struct ImageObject
    {
        Spooled bytes;
        int width = 0, height = 0, components = 3;
        std::uint32_t stencil = 0;   ///< the /Mask of a picture with transparent areas; 0: none
        Spooled stencilBytes;        ///< its samples, deflated
    };
    struct FontRef
    {
        std::uint32_t object = 0;
        int trueType = -1;         ///< in m_trueTypeFonts; its widths are those of the characters drawn
        float size = 10;
        std::string name;          ///< in the pages' shared resources, once added
    };
    struct XObjectRef
    {
        std::uint32_t object = 0;
        bool tried = false;
        std::string name;
    };

    std::uint32_t add(Kind kind, std::size_t index = 0)
    {
        m_objects.push_back({kind, static_cast<std::uint32_t>(index)});
        return static_cast<std::uint32_t>(m_objects.size());
    }

    Spooled spool(const std::string& bytes) { return {m_spool.append(bytes.data(), bytes.size()), bytes.size()}; }

    static void appendRef(std::string& out, std::uint32_t object)
    {
        out += std::to_string(object);
        out += " 0 R";
    }

    static void appendRefs(std::string& out, const std::vector<std::uint32_t>& objects)
    {
        out += "[ ";
        for (const std::uint32_t object : objects) {
            appendRef(out, object);
            out += ' ';
        }
        out += ']';
    }

    void writeStream(pdf::ObjectWriter& out, std::string& text, const Spooled& bytes)
    {
        text += "\nstream\r\n";
        out.write(text);
        char chunk[1 << 16];
        for (std::uint64_t done = 0; done < bytes.size;) {
            const auto part = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size - done, sizeof chunk));
            if (!m_spool.read(bytes.at + done, chunk, part))
                m_spool.fail();
            out.write(std::string_view(chunk, part));
            done += part;
        }
        out.write("\nendstream");
    }

    void writeObject(pdf::ObjectWriter& out, std::string& text, Object object)
    {
        switch (object.kind) {
        case Kind::Catalog:
            text += "<<\n/Type /Catalog\n/Pages 2 0 R\n>>";
            break;
        case Kind::RootPages:
            text += "<<\n/Type /Pages\n/Kids ";
            appendRefs(text, m_rootKids);
            text += "\n/Count " + std::to_string(m_pages.size()) + '\n';
            if (!m_pages.empty()) {
                text += "/MediaBox [ 0 0 ";
                pdf::appendReal(text, m_width);
                text += ' ';
                pdf::appendReal(text, m_pageHeight);
                text += " ]\n/Resources ";
                appendRef(text, m_resources);
                text += '\n';
            }
            text += ">>";
            break;
        case Kind::Info: {
            const std::string name = "Quorvel " QUORVEL_VERSION;
            text += "<<\n/Producer ";
            pdf::appendString(text, name);
            text += "\n/Creator ";
            pdf::appendString(text, name);
            text += "\n/CreationDate ";
            pdf::appendString(text, m_created);
            text += "\n>>";
            break;
        }
        case Kind::PageResources: {
            text += "<<\n/ProcSet [ /PDF /Text /ImageB /ImageC /ImageI ]\n";
            const auto list = [&](const char* key, char prefix, const std::vector<std::uint32_t>& objects) {
                if (objects.empty())
                    return;
                text += key;
                text += " <<\n";
                for (std::size_t i = 0; i < objects.size(); ++i) {
                    text += '/';
                    text += prefix;
                    text += std::to_string(i + 1) + ' ';
                    appendRef(text, objects[i]);
                    text += '\n';
                }
                text += ">>\n";
            };
            list("/Font", 'F', m_sharedFonts);
            list("/XObject", 'X', m_sharedXObjects);
            text += ">>";
            break;
        }
        case Kind::StandardFont:
            text += "<<\n/Type /Font\n/BaseFont ";
            pdf::appendName(text, m_standardFonts[object.index]);
            text += "\n/Subtype /Type1\n/Encoding /WinAnsiEncoding\n>>";
            break;
        case Kind::TrueTypeFont: {
            const TrueTypeFont& f = m_trueTypeFonts[object.index];
            text += "<<\n/Type /Font\n/BaseFont ";
            pdf::appendName(text, f.face.baseName());
            text += "\n/Subtype /TrueType\n/FirstChar 32\n/LastChar 255\n";
            if (f.face.missingWidth() != 0)
                text += "/MissingWidth " + std::to_string(f.face.missingWidth()) + '\n';
            text += "/FontDescriptor ";
            appendRef(text, f.descriptor);
            text += "\n/Widths [\n";
            for (std::size_t c = 32; c < 256; ++c) {
                text += std::to_string(f.widths[c]) + ' ';
                if ((c + 1) % 16 == 0)
                    text += '\n';
            }
            text += "]\n/Encoding /WinAnsiEncoding\n>>";
            break;
        }
        case Kind::Descriptor: {
            const TrueTypeFace& f = m_trueTypeFonts[object.index].face;
            text += "<<\n/Type /FontDescriptor\n/Ascent " + std::to_string(f.ascent()) + "\n/Descent "
                + std::to_string(f.descent()) + "\n/CapHeight " + std::to_string(f.capHeight()) + "\n/Flags "
                + std::to_string(f.flags()) + "\n/FontBBox [ ";
            for (const int v : f.boundingBox()) {
                pdf::appendReal(text, static_cast<float>(v));
                text += ' ';
            }
            text += "]\n/FontName ";
            pdf::appendName(text, f.baseName());
            text += "\n/ItalicAngle 0\n/StemV 0\n/XHeight " + std::to_string(f.xHeight()) + "\n>>";
            break;
        }
        case Kind::FormResources:
            text += "<<\n";
            if (const std::uint32_t font = m_formResources[object.index]) {
                text += "/Font <<\n/F0 ";
                appendRef(text, font);
                text += "\n>>\n";
            }
            text += ">>";
            break;
        case Kind::Form: {
            const FormObject& f = m_formObjects[object.index];
            char keys[160];
            std::snprintf(keys, sizeof keys, "<<\n/Subtype /Form/BBox[%d %d %d %d]/Resources %u 0 R/Length %llu\n>>",
                          f.box[0], f.box[1], f.box[2], f.box[3], f.resources, static_cast<unsigned long long>(f.bytes.size));
            text += keys;
            writeStream(out, text, f.bytes);
            return;
        }
        case Kind::Node: {
            const std::vector<std::uint32_t>& kids = m_nodes[object.index];
            text += "<<\n/Type /Pages\n/Kids ";
            appendRefs(text, kids);
            text += "\n/Count " + std::to_string(kids.size()) + "\n/Parent 2 0 R\n>>";
            break;
        }
        case Kind::Contents: {
            const Spooled& bytes = m_pages[object.index].bytes;
            text += "<<\n/Length " + std::to_string(bytes.size) + "\n>>";
            writeStream(out, text, bytes);
            return;
        }
        case Kind::Page: {
            // Keys run on without line breaks: on a roll, every byte here is repeated per label.
            const PageObject& p = m_pages[object.index];
            text += "<<\n/Type /Page/Parent ";
            appendRef(text, p.node);
            if (p.width > 0) {
                text += "/MediaBox[0 0 ";
                appendShortReal(text, p.width);
                text += ' ';
                appendShortReal(text, p.height);
                text += ']';
            }
            text += "/Contents ";
            appendRef(text, p.contents);
            text += "\n>>";
            break;
        }
        case Kind::Image: {
            const ImageObject& i = m_imageObjects[object.index];
            text += "<<\n/Length ";
            appendRef(text, m_imageLengths[object.index]);
            text += "\n/Type /XObject\n/Subtype /Image\n/Height " + std::to_string(i.height) + "\n/Width "
                + std::to_string(i.width) + "\n/ColorSpace " + (i.components == 1 ? "/DeviceGray" : "/DeviceRGB")
                + "\n/BitsPerComponent 8\n/Filter [ /DCTDecode ]\n";
            if (i.stencil) {
                text += "/Mask ";
                appendRef(text, i.stencil);
                text += '\n';
            }
            text += ">>";
            writeStream(out, text, i.bytes);
            return;
        }
        case Kind::Stencil: {
            // PDF 1.3's explicit masking: a one-bit picture of where the image is not drawn.
            const ImageObject& i = m_imageObjects[object.index];
            text += "<<\n/Length " + std::to_string(i.stencilBytes.size) + "\n/Type /XObject\n/Subtype /Image\n/Height "
                + std::to_string(i.height) + "\n/Width " + std::to_string(i.width)
                + "\n/ImageMask true\n/BitsPerComponent 1\n/Filter /FlateDecode\n>>";
            writeStream(out, text, i.stencilBytes);
            return;
        }
        case Kind::ImageLength:
            text += std::to_string(m_imageObjects[object.index].bytes.size);
            break;
        }
        out.write(text);
    }

    /// The font object the resolver's choice for `wanted` is drawn with; a TrueType file this
    /// writer cannot reference falls back to the standard sans.
    std::uint32_t fontObject(const FontSpec& wanted, int* trueType)
    {
        const ResolvedFont resolved = resolveFont(wanted);
        StandardFamily standard = resolved.standard;
        if (const QByteArray& file = resolved.trueTypeFile; !file.isEmpty()) {
            auto known = m_trueTypeByFile.constFind(file);
            if (known == m_trueTypeByFile.constEnd()) {
                int index = -1;
                if (std::optional<TrueTypeFace> face = TrueTypeFace::load(file)) {
                    // Two files of one name are one font to a reader: the first one serves.
                    for (std::size_t i = 0; i < m_trueTypeFonts.size() && index < 0; ++i)
                        if (m_trueTypeFonts[i].face.baseName() == face->baseName())
                            index = static_cast<int>(i);
                    if (index < 0) {
                        m_trueTypeFonts.push_back({std::move(*face), {}, {}, 0});
                        index = static_cast<int>(m_trueTypeFonts.size() - 1);
                        m_trueTypeObjects.push_back(add(Kind::TrueTypeFont, m_trueTypeFonts.size() - 1));
                    }
                }
                known = m_trueTypeByFile.insert(file, index);
            }
            if (*known >= 0) {
                *trueType = *known;
                return m_trueTypeObjects[static_cast<std::size_t>(*known)];
            }
            standard = StandardFamily::Sans;
        }
        *trueType = -1;
        const char* name = standardFontName(standard, wanted.bold, wanted.italic);
        for (std::size_t i = 0; i < m_standardFonts.size(); ++i)
            if (m_standardFonts[i] == name)
                return m_standardObjects[i];
        m_standardFonts.emplace_back(name);
        m_standardObjects.push_back(add(Kind::StandardFont, m_standardFonts.size() - 1));
        return m_standardObjects.back();
    }

    FontRef& font(std::uint32_t index)
    {
        static const FontSpec fallback{QStringLiteral("Helvetica"), 10, false, false};
        if (index >= m_fontsByIndex.size()) {
            if (!m_fallbackFont.object)
                m_fallbackFont.object = fontObject(fallback, &m_fallbackFont.trueType);
            return m_fallbackFont;
        }
        FontRef& ref = m_fontsByIndex[index];
        if (!ref.object) {
            ref.object = fontObject(m_doc->fonts[index], &ref.trueType);
            ref.size = static_cast<float>(std::clamp(m_doc->fonts[index].sizePt, 0.1, 600.0));
        }
        return ref;
    }

    /// Records the widths of the characters `bytes` draws in a TrueType font: the only ones its
    /// font object lists.
    void measure(const FontRef& ref, const std::string& bytes)
    {
        if (ref.trueType < 0)
            return;
        TrueTypeFont& f = m_trueTypeFonts[static_cast<std::size_t>(ref.trueType)];
        for (const char ch : bytes) {
            const auto c = static_cast<unsigned char>(ch);
            if (!f.used[c]) {
                f.used[c] = true;
                f.widths[c] = static_cast<std::int16_t>(f.face.width(windows1252Characters()[c]));
            }
        }
    }

    /// The name of a font or a form in the resources every page shares, added on first use.
    const char* sharedName(FontRef& ref) { return resourceName(ref.name, 'F', m_sharedFonts, ref.object); }
    const char* sharedName(XObjectRef& ref) { return resourceName(ref.name, 'X', m_sharedXObjects, ref.object); }

    static const char* resourceName(std::string& name, char prefix, std::vector<std::uint32_t>& list, std::uint32_t object)
    {
        if (name.empty()) {
            list.push_back(object);
            name = prefix + std::to_string(list.size());
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
        // PDF viewers take pages of 3 to 14400 points a side (200 inches).
        const auto width = static_cast<float>(std::clamp(page.widthPt, 3.0, 14400.0));
        const auto height = static_cast<float>(std::clamp(page.heightPt, 3.0, 14400.0));
        // Pages hang a thousand to a node of the page tree, which keeps every array short.
        if (m_nodes.empty() || m_nodes.back().size() == kPagesPerNode) {
            m_nodes.emplace_back();
            m_rootKids.push_back(add(Kind::Node, m_nodes.size() - 1));
        }
        if (m_pages.empty()) {
            // The first page's size is the document's, inherited by every page of the same.
            m_width = width;
            m_pageHeight = height;
        }
        PageObject p;
        p.bytes = spool(m_content);
        p.node = m_rootKids.back();
        if (width != m_width || height != m_pageHeight) {
            p.width = width;
            p.height = height;
        }
        m_content.clear();
        p.contents = add(Kind::Contents, m_pages.size());
        const std::uint32_t pageObject = add(Kind::Page, m_pages.size());
        m_pages.push_back(p);
        m_nodes.back().push_back(pageObject);
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
        m_textFont = 0;
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
            m_textFont = 0;
            m_lineAt = LineStart{};   // BT starts from the identity
        }
        if (fnt.object != m_textFont || fnt.size != m_textSize) {
            name(sharedName(fnt));
            num(fnt.size);
            op("Tf\n");
            m_textFont = fnt.object;
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
        measure(fnt, bytes);
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
                measure(fnt, bytes);
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
        // every reader accepts.
        auto bound = [](double v) { return static_cast<int>(std::clamp(v, -32767.0, 32767.0)); };
        const std::array<int, 4> box{bound(std::floor(-s.widthPt - 72)), bound(std::floor(-s.heightPt - 72)),
                                     bound(std::ceil(2 * s.widthPt + 72)), bound(std::ceil(2 * s.heightPt + 72))};
        const std::uint32_t resources = formResources(captionFont);
        m_formObjects.push_back({spool(content), box, resources});
        ref.object = add(Kind::Form, m_formObjects.size() - 1);
        return ref;
    }

    /// The resources of every form whose captions are in `captionFont` (none: null): one
    /// object for them all.
    std::uint32_t formResources(const FontRef* captionFont)
    {
        const std::uint32_t captions = captionFont ? captionFont->object : 0;
        for (const auto& [f, resources] : m_formResourcesByFont)
            if (f == captions)
                return resources;
        m_formResources.push_back(captions);
        const std::uint32_t resources = add(Kind::FormResources, m_formResources.size() - 1);
        m_formResourcesByFont.emplace_back(captions, resources);
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
            const TwoLevelPicture picture = twoLevelPicture(decoded);
            const QByteArray jpeg = encodeJpeg(picture.image, m_settings.imageQuality);
            ImageObject image;
            image.bytes = spool(jpeg.toStdString());
            image.width = decoded.width();
            image.height = decoded.height();
            image.components = picture.image.isGrayscale() && !picture.image.hasAlphaChannel() ? 1 : 3;   // as encodeJpeg chose
            if (picture.masked) {
                // qCompress's zlib stream follows its 4-byte length: the stream FlateDecode reads.
                const QByteArray deflated = qCompress(stencilBits(picture.image)).mid(4);
                image.stencilBytes = spool(deflated.toStdString());
            }
            m_imageObjects.push_back(image);
            ref.object = add(Kind::Image, m_imageObjects.size() - 1);
            m_imageLengths.push_back(add(Kind::ImageLength, m_imageObjects.size() - 1));
            if (picture.masked)
                m_imageObjects.back().stencil = add(Kind::Stencil, m_imageObjects.size() - 1);
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
    Spool m_spool;
    std::string m_created;
    std::vector<Object> m_objects;   ///< object n is m_objects[n - 1]
    // What the objects of each kind hold, in the order they were made.
    std::vector<std::string> m_standardFonts;
    std::vector<std::uint32_t> m_standardObjects;
    std::vector<TrueTypeFont> m_trueTypeFonts;
    std::vector<std::uint32_t> m_trueTypeObjects;
    QHash<QByteArray, int> m_trueTypeByFile;   ///< -1: not a file this writer can reference
    std::vector<std::uint32_t> m_formResources;   ///< the caption font of each, 0 for none
    std::vector<std::pair<std::uint32_t, std::uint32_t>> m_formResourcesByFont;
    std::vector<FormObject> m_formObjects;
    std::vector<ImageObject> m_imageObjects;
    std::vector<std::uint32_t> m_imageLengths;
    std::vector<std::vector<std::uint32_t>> m_nodes;   ///< each node's pages
    std::vector<std::uint32_t> m_rootKids;
    std::vector<PageObject> m_pages;
    float m_width = 0, m_pageHeight = 0;   ///< the size every page has unless it says otherwise
    std::uint32_t m_resources = 0;         ///< shared by every page
    std::vector<std::uint32_t> m_sharedFonts, m_sharedXObjects;
    std::vector<FontRef> m_fontsByIndex;
    FontRef m_fallbackFont;
    std::vector<XObjectRef> m_forms;
    std::vector<XObjectRef> m_images;
    double m_height = 0;
    std::string m_content;
    bool m_inText = false;
    std::uint32_t m_textFont = 0;
    std::string m_formContent;
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
