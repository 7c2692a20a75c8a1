// Streams a label file through a small state machine, one byte class at a time, so memory stays
// bounded whatever the length of a line or of the file. Runs of plain bytes are skipped sixteen
// at a time, and a field is copied only when it does not lie in one piece in the read buffer.
//
// What is kept of a line: the eight text fields up to 255 bytes each (the widest a table text
// can be; the import table cuts them further), and the price and quantity up to 64 KiB each,
// since their whole text goes into the failure message when they are not numbers. A number field
// longer than that is no number in any sensible file; it fails as not valid, its message quoting
// the first 64 KiB followed by "...". Whatever follows the tenth separator is skipped unread.
#include "labels/LabelFileReader.h"

#include "labels/LabelColumns.h"
#include "labels/PriceRule.h"
#include "table/Failure.h"
#include "table/HugePages.h"
#include "table/Numbers.h"
#include "table/Windows1252.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::labels {
namespace {

constexpr std::size_t kBufferSize = table::kHugePage;   // one page fault, where huge pages are offered
constexpr std::size_t kTextCap = 255;
constexpr std::size_t kNumberCap = 64 * 1024;

constexpr int fieldOfType(table::FieldType type)
{
    for (int p = 1; p <= kFileFields; ++p)
        if (columnAt(p).import.type == type)
            return p - 1;
    return -1;
}
// Index of the line's field, from 0.
constexpr int kPriceField = fieldOfType(table::FieldType::Fixed);
constexpr int kQuantityField = fieldOfType(table::FieldType::Integer);
// The reader keeps one price and one quantity, and the quantity, as the line's last field, must
// be ended by a separator of its own.
static_assert(kPriceField >= 0 && kQuantityField == kFileFields - 1);

constexpr std::array<std::size_t, kFileFields> kCaps = [] {
    std::array<std::size_t, kFileFields> caps{};
    for (int p = 1; p <= kFileFields; ++p)
        caps[static_cast<std::size_t>(p - 1)] = columnAt(p).import.type == table::FieldType::Text ? kTextCap : kNumberCap;
    return caps;
}();

// The operator's input/output texts, by cause. POSIX reports causes, not the codes of the
// system the texts come from, so errno is mapped:
//   ENOENT           "File not found", or "Invalid filename" when the folder does not exist
//   ENOTDIR          "Invalid filename" (a folder in the path is a file)
//   EMFILE, ENFILE   "Too many open files"
//   EACCES, EPERM, EISDIR, EROFS
//                    "File access denied" (a folder opened as a file is refused this way too)
//   anything else    "I/O error %d" with errno's own value
[[noreturn]] void failIo(int error, const QString& path)
{
    QString message;
    switch (error) {
    case ENOENT: {
        QFileInfo file(path);
        message = QFileInfo(file.absolutePath()).isDir() ? QStringLiteral("File not found")
                                                          : QStringLiteral("Invalid filename");
        break;
    }
    case ENOTDIR:
        message = QStringLiteral("Invalid filename");
        break;
    case EMFILE:
    case ENFILE:
        message = QStringLiteral("Too many open files");
        break;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        message = QStringLiteral("File access denied");
        break;
    default:
        message = QStringLiteral("I/O error %1").arg(error);
        break;
    }
    throw Failure(message);
}

class FileHandle
{
public:
    explicit FileHandle(const QString& path)
    {
        QByteArray name = QFile::encodeName(path);
        if (name.isEmpty())
            failIo(ENOENT, path);
        do
            m_fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
        while (m_fd < 0 && errno == EINTR);
        if (m_fd < 0)
            failIo(errno, path);
        struct stat info {};
        if (::fstat(m_fd, &info) == 0) {
            if (S_ISDIR(info.st_mode)) {
                ::close(m_fd);
                m_fd = -1;
                failIo(EISDIR, path);
            }
            if (S_ISREG(info.st_mode) && info.st_size > 0)
                m_size = static_cast<std::uint64_t>(info.st_size);
        }
        ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    ~FileHandle()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    /// Bytes read, 0 at the end; fails with the input/output message.
    std::size_t read(char* buffer, std::size_t size, const QString& path)
    {
        for (;;) {
            ssize_t n = ::read(m_fd, buffer, size);
            if (n >= 0)
                return static_cast<std::size_t>(n);
            if (errno != EINTR)
                failIo(errno, path);
        }
    }

    /// The size of a regular file when it was opened; 0 when unknown.
    std::uint64_t size() const { return m_size; }

private:
    int m_fd = -1;
    std::uint64_t m_size = 0;
};

enum ByteClass : std::uint8_t { Plain, Separator, LineFeed, CarriageReturn, CtrlZ };

constexpr std::array<std::uint8_t, 256> makeClasses()
{
    std::array<std::uint8_t, 256> c{};
    c['|'] = Separator;
    c['\n'] = LineFeed;
    c['\r'] = CarriageReturn;
    c[26] = CtrlZ;
    return c;
}
constexpr std::array<std::uint8_t, 256> kClasses = makeClasses();

/// Bit k set where p[k] is not Plain, for the `n` (at most 16) bytes from `p`.
std::uint32_t specialBytes(const char* p, std::size_t n)
{
#if defined(__SSE2__)
    if (n == 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('|')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))),
                                         _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(v, _mm_set1_epi8(26))));
        return static_cast<std::uint32_t>(_mm_movemask_epi8(hit));
    }
#endif
    std::uint32_t mask = 0;
    for (std::size_t k = 0; k < n; ++k)
        if (kClasses[static_cast<unsigned char>(p[k])] != Plain)
            mask |= 1u << k;
    return mask;
}

QString quoted(std::string_view text, bool overlong)
{
    QString s = table::fromWindows1252(text);
    if (overlong)
        s += QStringLiteral("...");
    return s;
}

/// A field's bytes: a view into the read buffer while they lie there in one piece, else a copy
/// of their own (a field cut by a dropped carriage return, or one that runs on past a read).
class FieldText
{
public:
    FieldText() { m_own.reserve(64); }

    std::string_view view() const { return m_owned ? std::string_view(m_own) : std::string_view(m_data, m_size); }
    std::size_t size() const { return m_owned ? m_own.size() : m_size; }

    void append(const char* from, std::size_t n)
    {
        if (!m_owned && m_size == 0) {
            m_data = from;
            m_size = n;
            return;
        }
        own();
        m_own.append(from, n);
    }

    /// Called before the buffer is read into again.
    void own()
    {
        if (m_owned || m_size == 0)
            return;
        m_own.assign(m_data, m_size);
        m_owned = true;
    }

    void clear()
    {
        m_own.clear();
        m_owned = false;
        m_size = 0;
    }

private:
    const char* m_data = nullptr;
    std::size_t m_size = 0;
    bool m_owned = false;
    std::string m_own;
};

class LineReader
{
public:
    LineReader(char separator, const std::function<void(const LabelItem&)>& sink)
        : m_separator(separator), m_sink(sink)
    {
    }

    enum class Step { More, Completed, EmptyLine };

    /// Feeds the bytes of one read; stops early when the reading ends (returned). Fields still
    /// open at the end of the bytes are copied, so the buffer may be read into again.
    Step feed(const char* p, const char* end)
    {
        Step step = scan(p, end);
        if (step == Step::More)
            for (FieldText& f : m_fields)
                f.own();
        return step;
    }

    /// The file ended: a line without a line break still counts.
    Step finish() { return m_started ? endLine() : Step::Completed; }

private:
    /// Walks the bytes that are not Plain, sixteen bytes at a time; the Plain bytes between
    /// two of them belong to the current field.
    Step scan(const char* p, const char* end)
    {
        // The line's state lives in locals while the bytes are walked (the field texts may alias
        // any member), and in the members only around the end of a line and of the bytes.
        int field = m_field;
        bool skip = m_skipToLineEnd;
        bool started = m_started;
        bool haveText = m_haveText;
        auto save = [&] {
            m_field = field;
            m_skipToLineEnd = skip;
            m_started = started;
            m_haveText = haveText;
        };
        auto load = [&] {
            field = m_field;
            skip = m_skipToLineEnd;
            started = m_started;
            haveText = m_haveText;
        };
        // Plain bytes of the current line; the line's first character is never looked at.
        auto plain = [&](const char* from, const char* to) {
            if (from == to)
                return;
            started = true;
            if (!haveText) {
                haveText = true;
                if (++from == to)
                    return;
            }
            append(field, from, to);
        };
        const char* block = p;
        const char* run = p;   // the Plain bytes not yet given to a field start here
        while (block < end) {
            const auto n = std::min<std::size_t>(16, static_cast<std::size_t>(end - block));
            for (std::uint32_t mask = specialBytes(block, n); mask != 0; mask &= mask - 1) {
                const char* q = block + __builtin_ctz(mask);
                if (skip) {
                    if (*q != '\n')
                        continue;
                    run = q + 1;
                    save();
                    if (Step s = endLine(); s != Step::More)
                        return s;
                    load();
                    continue;
                }
                plain(run, q);
                run = q + 1;
                switch (kClasses[static_cast<unsigned char>(*q)]) {
                case Separator:
                    started = true;
                    if (!haveText)
                        haveText = true;   // the discarded first character
                    else if (++field == kFileFields)
                        skip = true;
                    break;
                case LineFeed: {
                    save();
                    if (Step s = endLine(); s != Step::More)
                        return s;
                    load();
                    break;
                }
                case CarriageReturn:
                    // Never part of the text: before a line feed it is the line break, alone it is dropped.
                    started = true;
                    break;
                default:   // Ctrl-Z
                    if (!started)
                        return Step::Completed;
                    skip = true;   // the rest of the line is ignored
                    break;
                }
            }
            block += n;
        }
        if (!skip)
            plain(run, end);
        save();
        return Step::More;
    }

    void append(int index, const char* from, const char* to)
    {
        auto f = static_cast<std::size_t>(index);
        FieldText& field = m_fields[f];
        const std::size_t cap = kCaps[f];
        auto n = static_cast<std::size_t>(to - from);
        if (field.size() + n > cap) {
            m_overlong[f] = true;
            n = cap - field.size();
        }
        if (n > 0)
            field.append(from, n);
    }

    Step endLine()
    {
        Step result = Step::More;
        if (!m_haveText)
            result = Step::EmptyLine;
        else if (m_field < kFileFields - 1)
            result = Step::Completed;
        else
            deliver();
        reset();
        return result;
    }

    void deliver()
    {
        // A quantity not ended by a separator reads as an empty text.
        bool ended = m_field >= kFileFields;
        std::string_view quantityText = ended ? m_fields[kQuantityField].view() : std::string_view();
        bool quantityOverlong = ended && m_overlong[kQuantityField];
        auto quantity = quantityOverlong ? std::nullopt : table::parseInteger(quantityText);
        if (!quantity)
            throw Failure(QStringLiteral("'%1' is not a valid integer value").arg(quoted(quantityText, quantityOverlong)));
        std::string_view priceText = m_fields[kPriceField].view();
        PriceValue price;
        if (!m_overlong[kPriceField])
            price = parsePrice(priceText, m_separator);
        if (price.status == PriceValue::Status::Overflow)
            throw Failure(QStringLiteral("Floating point overflow"));
        if (price.status != PriceValue::Status::Valid)
            throw Failure(QStringLiteral("'%1' is not a valid floating point value").arg(quoted(priceText, m_overlong[kPriceField])));

        LabelItem item;
        for (int p = 1; p <= kFileFields; ++p)
            if (const LabelColumn& c = columnAt(p); c.item)
                item.*(c.item) = m_fields[static_cast<std::size_t>(p - 1)].view();
        item.qtd = *quantity;
        item.preco = price.value;
        item.precoDecimal = price.decimal;
        m_sink(item);
    }

    void reset()
    {
        for (int f = 0; f <= std::min(m_field, kFileFields - 1); ++f)
            m_fields[static_cast<std::size_t>(f)].clear();
        m_overlong = {};
        m_field = 0;
        m_started = false;
        m_haveText = false;
        m_skipToLineEnd = false;
    }

    char m_separator;
    const std::function<void(const LabelItem&)>& m_sink;
    std::array<FieldText, kFileFields> m_fields;
    std::array<bool, kFileFields> m_overlong{};   ///< a field passed its cap
    int m_field = 0;            ///< separators seen after the first character, at most kFileFields
    bool m_started = false;     ///< a byte of this line was consumed
    bool m_haveText = false;    ///< the discarded first character was seen
    bool m_skipToLineEnd = false;
};

} // namespace

QString emptyLineMessage()
{
    return QStringLiteral("Estrutura de arquivo não foi programada!\rEntrar em contato com a Tarbelo!");
}

ReadEnd readLabelFile(const QString& path, const std::function<void(const LabelItem&)>& sink)
{
    return readLabelFile(path, sink, kBufferSize);
}

ReadEnd readLabelFile(const QString& path, const std::function<void(const LabelItem&)>& sink,
                      std::size_t bufferSize)
{
    bufferSize = std::max<std::size_t>(bufferSize, 1);
    table::DecimalSeparatorScope separator;
    FileHandle file(path);
    LineReader reader(separator.separator(), sink);
    // A small file needs no more than its size (and one byte to see its end at once).
    if (file.size() > 0 && file.size() < bufferSize)
        bufferSize = static_cast<std::size_t>(file.size()) + 1;
    std::unique_ptr<char, decltype(&std::free)> buffer(static_cast<char*>(table::allocateLarge(bufferSize)), &std::free);
    for (;;) {
        std::size_t n = file.read(buffer.get(), bufferSize, path);
        LineReader::Step step = n == 0 ? reader.finish() : reader.feed(buffer.get(), buffer.get() + n);
        if (step == LineReader::Step::EmptyLine)
            return ReadEnd::EmptyLine;
        if (step == LineReader::Step::Completed || n == 0)
            return ReadEnd::Completed;
    }
}

} // namespace quorvel::labels
