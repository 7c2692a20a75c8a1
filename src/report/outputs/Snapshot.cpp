// Snapshot files: the page description as it is, little-endian, guarded by a length and a
// CRC-32 so that a damaged file is refused before any of it is believed. The layout is
// described in docs/snapshot-format.md; change both together.
#include "report/outputs/Snapshot.h"

#include "report/outputs/AtomicFile.h"
#include "report/engine/ErrorBox.h"
#include "report/engine/PageDescription.h"
#include "report/engine/PageSink.h"
#include "report/engine/TextMeasure.h"
#include "table/Failure.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <QFileInfo>

#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <functional>
#include <memory>
#include <vector>
#include <cerrno>

#include <unistd.h>

namespace quorvel::report::snapshot {

namespace {

constexpr char kSignature[8] = {'\x89', 'Q', 'N', 'D', 'R', '\r', '\n', '\x1a'};
constexpr std::uint32_t kVersion = 3;
// A file without queue offsets is written as version 2, whose payload it matches, so the
// versions before 3 still read it.
constexpr std::uint32_t kOffsetsVersion = 3;

std::uint32_t versionFor(const PageDescription& doc)
{
    return doc.queueOffsets.empty() ? kOffsetsVersion - 1 : kOffsetsVersion;
}
constexpr std::size_t kHeaderSize = 8 + 4 + 8;   // signature, version, payload length
constexpr std::size_t kTrailerSize = 4;          // CRC-32 of the payload

enum ItemTag : std::uint8_t { kText = 0, kLine = 1, kRect = 2, kSymbol = 3, kImage = 4 };

class Crc32
{
public:
    void add(const char* data, std::size_t size)
    {
        static const std::array<std::uint32_t, 256> table = [] {
            std::array<std::uint32_t, 256> t{};
            for (std::uint32_t n = 0; n < 256; ++n) {
                std::uint32_t c = n;
                for (int k = 0; k < 8; ++k)
                    c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
                t[n] = c;
            }
            return t;
        }();
        for (std::size_t i = 0; i < size; ++i)
            m_crc = table[(m_crc ^ static_cast<std::uint8_t>(data[i])) & 0xFF] ^ (m_crc >> 8);
    }
    std::uint32_t value() const { return m_crc ^ 0xFFFFFFFFu; }

private:
    std::uint32_t m_crc = 0xFFFFFFFFu;
};

// ---- writing -----------------------------------------------------------------------------

/// Writes the payload's bytes to `out` in chunks, counting them and their CRC.
class Writer
{
public:
    using Out = std::function<void(const char* data, std::size_t size)>;
    explicit Writer(Out out) : m_out(std::move(out)) { m_buffer.reserve(kChunk + 4096); }

    void u8(std::uint8_t v) { m_buffer.push_back(static_cast<char>(v)); }
    void u16(std::uint16_t v) { little(v); }
    void u32(std::uint32_t v) { little(v); }
    void i32(std::int32_t v) { little(static_cast<std::uint32_t>(v)); }
    void u64(std::uint64_t v) { little(v); }
    void f64(double v) { little(std::bit_cast<std::uint64_t>(v)); }
    void boolean(bool v) { u8(v ? 1 : 0); }
    void rgb(Rgb c) { u8(c.r); u8(c.g); u8(c.b); }
    void count(std::size_t n)
    {
        if (n > 0xFFFFFFFFu)
            throw Failure(QStringLiteral("Cannot save the report snapshot: too many elements."));
        u32(static_cast<std::uint32_t>(n));
    }
    void string(const QString& s)
    {
        count(static_cast<std::size_t>(s.size()));
        for (QChar c : s)
            u16(c.unicode());
        maybeFlush();
    }
    void bytes(const QByteArray& b)
    {
        count(static_cast<std::size_t>(b.size()));
        raw(b.constData(), static_cast<std::size_t>(b.size()));
    }
    /// Bytes already in the payload's form.
    void raw(const char* data, std::size_t size)
    {
        flush();
        m_crc.add(data, size);
        m_out(data, size);
        m_length += size;
    }

    void maybeFlush()
    {
        if (m_buffer.size() >= kChunk)
            flush();
    }
    void flush()
    {
        m_crc.add(m_buffer.data(), m_buffer.size());
        m_out(m_buffer.data(), m_buffer.size());
        m_length += m_buffer.size();
        m_buffer.clear();
    }
    std::uint64_t length() const { return m_length; }
    std::uint32_t crc() const { return m_crc.value(); }

private:
    template<typename T>
    void little(T v)
    {
        for (std::size_t i = 0; i < sizeof(T); ++i)
            m_buffer.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }

    static constexpr std::size_t kChunk = 1 << 20;
    Out m_out;
    std::string m_buffer;
    Crc32 m_crc;
    std::uint64_t m_length = 0;
};

void writeItem(Writer& w, const PageItem& item)
{
    if (const auto* t = std::get_if<TextItem>(&item)) {
        w.u8(kText);
        w.f64(t->xPt); w.f64(t->baselinePt); w.u32(t->font); w.rgb(t->color); w.u16(t->rotation);
        w.string(t->text);
    } else if (const auto* l = std::get_if<LineItem>(&item)) {
        w.u8(kLine);
        w.f64(l->x1Pt); w.f64(l->y1Pt); w.f64(l->x2Pt); w.f64(l->y2Pt); w.f64(l->widthPt); w.rgb(l->color);
    } else if (const auto* r = std::get_if<RectItem>(&item)) {
        w.u8(kRect);
        w.f64(r->xPt); w.f64(r->yPt); w.f64(r->widthPt); w.f64(r->heightPt); w.f64(r->strokePt);
        w.rgb(r->stroke); w.boolean(r->filled); w.rgb(r->fill);
    } else if (const auto* s = std::get_if<SymbolItem>(&item)) {
        w.u8(kSymbol);
        w.f64(s->xPt); w.f64(s->yPt); w.u32(s->symbol);
    } else if (const auto* i = std::get_if<ImageItem>(&item)) {
        w.u8(kImage);
        w.f64(i->xPt); w.f64(i->yPt); w.f64(i->widthPt); w.f64(i->heightPt); w.u32(i->image);
    }
}

void writePage(Writer& w, const Page& p)
{
    w.f64(p.widthPt); w.f64(p.heightPt);
    w.count(p.items.size());
    for (const PageItem& item : p.items)
        writeItem(w, item);
    w.maybeFlush();
}

/// Everything before the pages: the title, the print settings and the tables.
void writeTables(Writer& w, const PageDescription& doc)
{
    w.string(doc.title);
    w.string(doc.print.printerName);
    w.i32(doc.print.copies);
    w.string(doc.print.paperName);
    w.u8(static_cast<std::uint8_t>(doc.print.orientation));
    w.i32(doc.print.bin);
    w.i32(doc.print.quality);
    if (versionFor(doc) >= kOffsetsVersion) {
        w.count(doc.queueOffsets.size());
        for (const QueueOffset& o : doc.queueOffsets) {
            w.string(o.queue); w.f64(o.xPt); w.f64(o.yPt);
        }
    }

    w.count(doc.fonts.size());
    for (const FontSpec& f : doc.fonts) {
        w.string(f.family); w.f64(f.sizePt); w.boolean(f.bold); w.boolean(f.italic);
    }
    w.count(doc.symbols.size());
    for (const Symbol& s : doc.symbols) {
        w.f64(s.widthPt); w.f64(s.heightPt);
        w.count(s.bars.size());
        for (const auto& b : s.bars) {
            w.f64(b.xPt); w.f64(b.yPt); w.f64(b.widthPt); w.f64(b.heightPt);
        }
        w.count(s.captions.size());
        for (const auto& c : s.captions) {
            w.f64(c.xPt); w.f64(c.baselinePt); w.string(c.text);
        }
        w.u32(s.captionFont);
        w.string(s.error);
        w.maybeFlush();
    }
    w.count(doc.images.size());
    for (const Image& i : doc.images) {
        w.bytes(i.encoded); w.i32(i.widthPx); w.i32(i.heightPx);
    }
}

// ---- reading -----------------------------------------------------------------------------

/// Thrown inside the reader when the bytes do not make sense; turned into the file's message.
struct Damaged {};

class Reader
{
public:
    Reader(const char* data, std::size_t size) : m_p(data), m_end(data + size) {}

    std::size_t remaining() const { return static_cast<std::size_t>(m_end - m_p); }

    std::uint8_t u8() { return static_cast<std::uint8_t>(*take(1)); }
    std::uint16_t u16() { return little<std::uint16_t>(); }
    std::uint32_t u32() { return little<std::uint32_t>(); }
    std::int32_t i32() { return static_cast<std::int32_t>(little<std::uint32_t>()); }
    double f64() { return std::bit_cast<double>(little<std::uint64_t>()); }
    bool boolean()
    {
        const std::uint8_t v = u8();
        if (v > 1)
            throw Damaged{};
        return v == 1;
    }
    Rgb rgb()
    {
        Rgb c;
        c.r = u8(); c.g = u8(); c.b = u8();
        return c;
    }
    /// A count of elements of at least `minSize` bytes each, checked against what is left,
    /// so no count can make the reader reserve more than the file holds.
    std::size_t count(std::size_t minSize)
    {
        const std::size_t n = u32();
        if (minSize > 0 && n > remaining() / minSize)
            throw Damaged{};
        return n;
    }
    QString string()
    {
        const std::size_t n = count(2);
        QString s(static_cast<qsizetype>(n), Qt::Uninitialized);
        const char* p = take(2 * n);
        for (std::size_t i = 0; i < n; ++i)
            s[static_cast<qsizetype>(i)] = QChar(static_cast<char16_t>(static_cast<std::uint8_t>(p[2 * i]) | (static_cast<std::uint8_t>(p[2 * i + 1]) << 8)));
        return s;
    }
    QByteArray bytes()
    {
        const std::size_t n = count(1);
        return QByteArray(take(n), static_cast<qsizetype>(n));
    }

private:
    const char* take(std::size_t n)
    {
        if (n > remaining())
            throw Damaged{};
        const char* p = m_p;
        m_p += n;
        return p;
    }
    template<typename T>
    T little()
    {
        const char* p = take(sizeof(T));
        T v = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i)
            v |= static_cast<T>(static_cast<T>(static_cast<std::uint8_t>(p[i])) << (8 * i));
        return v;
    }

    const char* m_p;
    const char* m_end;
};

std::uint32_t checkedIndex(std::uint32_t index, std::size_t size)
{
    if (index >= size)
        throw Damaged{};
    return index;
}

PageItem readItem(Reader& r, const PageDescription& doc)
{
    switch (r.u8()) {
    case kText: {
        TextItem t;
        t.xPt = r.f64(); t.baselinePt = r.f64(); t.font = checkedIndex(r.u32(), doc.fonts.size());
        t.color = r.rgb(); t.rotation = r.u16(); t.text = r.string();
        return t;
    }
    case kLine: {
        LineItem l;
        l.x1Pt = r.f64(); l.y1Pt = r.f64(); l.x2Pt = r.f64(); l.y2Pt = r.f64(); l.widthPt = r.f64(); l.color = r.rgb();
        return l;
    }
    case kRect: {
        RectItem x;
        x.xPt = r.f64(); x.yPt = r.f64(); x.widthPt = r.f64(); x.heightPt = r.f64(); x.strokePt = r.f64();
        x.stroke = r.rgb(); x.filled = r.boolean(); x.fill = r.rgb();
        return x;
    }
    case kSymbol: {
        SymbolItem s;
        s.xPt = r.f64(); s.yPt = r.f64(); s.symbol = checkedIndex(r.u32(), doc.symbols.size());
        return s;
    }
    case kImage: {
        ImageItem i;
        i.xPt = r.f64(); i.yPt = r.f64(); i.widthPt = r.f64(); i.heightPt = r.f64();
        i.image = checkedIndex(r.u32(), doc.images.size());
        return i;
    }
    default:
        throw Damaged{};
    }
}

PageDescription readPayload(Reader& r, std::uint32_t version)
{
    PageDescription doc;
    doc.title = r.string();
    doc.print.printerName = r.string();
    doc.print.copies = r.i32();
    doc.print.paperName = r.string();
    const std::uint8_t orientation = r.u8();
    if (orientation > static_cast<std::uint8_t>(Orientation::Landscape))
        throw Damaged{};
    doc.print.orientation = static_cast<Orientation>(orientation);
    doc.print.bin = r.i32();
    doc.print.quality = r.i32();
    if (version >= kOffsetsVersion) {
        doc.queueOffsets.resize(r.count(4 + 8 + 8));
        for (QueueOffset& o : doc.queueOffsets) {
            o.queue = r.string(); o.xPt = r.f64(); o.yPt = r.f64();
        }
    }

    doc.fonts.resize(r.count(4 + 8 + 2));
    for (FontSpec& f : doc.fonts) {
        f.family = r.string(); f.sizePt = r.f64(); f.bold = r.boolean(); f.italic = r.boolean();
    }
    doc.symbols.resize(r.count(16 + 4 + 4 + 4 + 4));
    for (Symbol& s : doc.symbols) {
        s.widthPt = r.f64(); s.heightPt = r.f64();
        s.bars.resize(r.count(32));
        for (auto& b : s.bars) {
            b.xPt = r.f64(); b.yPt = r.f64(); b.widthPt = r.f64(); b.heightPt = r.f64();
        }
        s.captions.resize(r.count(20));
        for (auto& c : s.captions) {
            c.xPt = r.f64(); c.baselinePt = r.f64(); c.text = r.string();
        }
        s.captionFont = r.u32();
        if (!s.captions.empty())
            checkedIndex(s.captionFont, doc.fonts.size());
        s.error = r.string();
    }
    doc.images.resize(r.count(4 + 8));
    for (Image& i : doc.images) {
        i.encoded = r.bytes(); i.widthPx = r.i32(); i.heightPx = r.i32();
    }
    doc.pages.resize(r.count(16 + 4));
    for (Page& p : doc.pages) {
        p.widthPt = r.f64(); p.heightPt = r.f64();
        const std::size_t items = r.count(1 + 20);
        p.items.reserve(items);
        for (std::size_t i = 0; i < items; ++i)
            p.items.push_back(readItem(r, doc));
    }
    if (r.remaining() != 0)
        throw Damaged{};
    return doc;
}

/// Version 1 left a symbol that could not be encoded to the outputs, which drew its error box;
/// since version 2 layout puts that box on the page, so a version 1 file gets it here.
void addErrorBoxes(PageDescription& doc)
{
    std::optional<std::uint32_t> font;
    std::unique_ptr<TextMeasure> measure;
    for (Page& page : doc.pages) {
        std::vector<PageItem> items;
        items.reserve(page.items.size());
        for (const PageItem& item : page.items) {
            items.push_back(item);
            const auto* at = std::get_if<SymbolItem>(&item);
            if (!at || doc.symbols[at->symbol].error.isEmpty())
                continue;
            if (!font) {
                font = static_cast<std::uint32_t>(doc.fonts.size());
                doc.fonts.push_back(errorBoxFont());
                measure = std::make_unique<TextMeasure>();
            }
            appendErrorBox(items, *at, doc.symbols[at->symbol], *font, *measure);
        }
        page.items = std::move(items);
    }
}

template<typename T>
T readLittle(const char* p)
{
    T v = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        v |= static_cast<T>(static_cast<T>(static_cast<std::uint8_t>(p[i])) << (8 * i));
    return v;
}

template<typename T>
void putLittle(char* p, T v)
{
    for (std::size_t i = 0; i < sizeof(T); ++i)
        p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

} // namespace

// A run's pages as they come, parked in a temporary file: the file format puts the tables,
// which are complete only at the end, before them.
struct Sink::Parked
{
    QTemporaryFile file{QDir::tempPath() + QStringLiteral("/quorvel-snapshot-XXXXXX")};
    std::unique_ptr<Writer> pages;
    std::size_t count = 0;
};

Sink::Sink(QString path) : m_path(std::move(path)) {}

Sink::~Sink() = default;

void Sink::begin(const PageDescription& doc)
{
    // A name that cannot be written fails before any page is made.
    m_file = std::make_unique<AtomicFile>(m_path);
    m_parked = std::make_unique<Parked>();
    if (!m_parked->file.open())
        m_file->fail(EIO);
    QTemporaryFile& parked = m_parked->file;
    AtomicFile& file = *m_file;
    m_parked->pages = std::make_unique<Writer>([&parked, &file](const char* data, std::size_t size) {
        for (std::size_t done = 0; done < size;) {
            const ssize_t n = ::write(parked.handle(), data + done, size - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                file.fail(n < 0 ? errno : ENOSPC);
            done += static_cast<std::size_t>(n);
        }
    });
    m_doc = documentSettings(doc);
}

void Sink::add(const PageDescription& doc, const Page& page)
{
    writePage(*m_parked->pages, page);
    ++m_parked->count;
    catchUpTables(m_doc, doc);
}

void Sink::commit()
{
    m_parked->pages->flush();
    AtomicFile& file = *m_file;
    char header[kHeaderSize];
    std::memcpy(header, kSignature, sizeof kSignature);
    putLittle<std::uint32_t>(header + 8, versionFor(m_doc));
    putLittle<std::uint64_t>(header + 12, 0);   // the payload's length, known once it is written
    file.write(header, sizeof header);
    Writer w([&file](const char* data, std::size_t size) { file.write(data, size); });
    writeTables(w, m_doc);
    w.count(m_parked->count);
    const int parked = m_parked->file.handle();
    std::vector<char> chunk(std::size_t{1} << 20);
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(parked, chunk.data(), chunk.size(), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            file.fail(errno);
        if (n == 0)
            break;
        w.raw(chunk.data(), static_cast<std::size_t>(n));
        at += n;
    }
    w.flush();
    char trailer[kTrailerSize];
    putLittle<std::uint32_t>(trailer, w.crc());
    file.write(trailer, sizeof trailer);
    putLittle<std::uint64_t>(header + 12, w.length());
    file.writeAt(12, header + 12, 8);
    file.commit();
    m_file.reset();
    m_parked.reset();
    m_doc = PageDescription{};
}

void Sink::abandon() noexcept
{
    m_parked.reset();
    m_file.reset();   // removes the temporary file beside the final name
    m_doc = PageDescription{};
}

void write(const PageDescription& pages, const QString& path)
{
    Sink sink(path);
    writePages(pages, sink);
}

PageDescription read(const QString& path)
{
    const QString fullPath = QFileInfo(path).absoluteFilePath();
    QFile file(fullPath);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Cannot open file \"%1\". %2").arg(fullPath, file.errorString()));
    auto notSnapshot = [&] { return Failure(QStringLiteral("\"%1\" is not a report snapshot file.").arg(fullPath)); };
    auto damaged = [&] { return Failure(QStringLiteral("The report snapshot file \"%1\" is damaged.").arg(fullPath)); };

    char header[kHeaderSize];
    if (file.read(header, sizeof kSignature) != static_cast<qint64>(sizeof kSignature)
        || std::memcmp(header, kSignature, sizeof kSignature) != 0)
        throw notSnapshot();
    if (file.read(header + 8, kHeaderSize - 8) != static_cast<qint64>(kHeaderSize - 8))
        throw damaged();
    const auto version = readLittle<std::uint32_t>(header + 8);
    if (version == 0)
        throw damaged();
    if (version > kVersion)
        throw Failure(QStringLiteral("The report snapshot file \"%1\" was written by a newer version of Quorvel.").arg(fullPath));
    const auto length = readLittle<std::uint64_t>(header + 12);
    // The length must agree with the file's size before anything is allocated for it.
    if (static_cast<std::uint64_t>(file.size()) < kHeaderSize + kTrailerSize
        || length != static_cast<std::uint64_t>(file.size()) - kHeaderSize - kTrailerSize)
        throw damaged();

    QByteArray copy;
    const char* data = nullptr;
    if (length > 0) {
        if (uchar* mapped = file.map(0, file.size()))
            data = reinterpret_cast<const char*>(mapped) + kHeaderSize;
        else {
            file.seek(0);
            copy = file.readAll();
            if (static_cast<std::uint64_t>(copy.size()) != length + kHeaderSize + kTrailerSize)
                throw damaged();
            data = copy.constData() + kHeaderSize;
        }
    }
    char trailer[kTrailerSize];
    file.seek(static_cast<qint64>(kHeaderSize + length));
    if (file.read(trailer, kTrailerSize) != static_cast<qint64>(kTrailerSize))
        throw damaged();
    Crc32 crc;
    crc.add(data, static_cast<std::size_t>(length));
    if (crc.value() != readLittle<std::uint32_t>(trailer))
        throw damaged();
    try {
        Reader r(data, static_cast<std::size_t>(length));
        PageDescription doc = readPayload(r, version);
        if (version < 2)
            addErrorBoxes(doc);
        return doc;
    } catch (const Damaged&) {
        throw damaged();
    } catch (const std::bad_alloc&) {
        throw damaged();
    }
}

} // namespace quorvel::report::snapshot
