// Streams a label file through a small state machine, one byte class at a time, so memory stays
// bounded whatever the length of a line or of the file.
//
// What is kept of a line: the eight text fields up to 255 bytes each (the widest a table text
// can be; the import table cuts them further), and the price and quantity up to 64 KiB each,
// since their whole text goes into the failure message when they are not numbers. A number field
// longer than that is no number in any sensible file; it fails as not valid, its message quoting
// the first 64 KiB followed by "...". Whatever follows the tenth separator is skipped unread.
#include "labels/LabelFileReader.h"

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
constexpr int kPriceField = 8;
constexpr int kQuantityField = 9;

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

// The first byte at or after `p` that is not Plain, or `end`.
const char* skipPlain(const char* p, const char* end)
{
#if defined(__SSE2__)
    const __m128i bar = _mm_set1_epi8('|');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i eof = _mm_set1_epi8(26);
    while (end - p >= 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, bar), _mm_cmpeq_epi8(v, lf)),
                                   _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, eof)));
        auto mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
        if (mask != 0)
            return p + __builtin_ctz(mask);
        p += 16;
    }
#endif
    while (p < end && kClasses[static_cast<unsigned char>(*p)] == Plain)
        ++p;
    return p;
}

QString quoted(std::string_view text, bool overlong)
{
    QString s = table::fromWindows1252(text);
    if (overlong)
        s += QStringLiteral("...");
    return s;
}

class LineReader
{
public:
    LineReader(char separator, const std::function<void(const LabelItem&)>& sink)
        : m_separator(separator), m_sink(sink)
    {
        for (std::size_t f = 0; f < m_fields.size(); ++f)
            m_fields[f].reserve(64);
    }

    enum class Step { More, Completed, EmptyLine };

    /// Feeds bytes; stops early when the reading ends (returned).
    Step feed(const char* p, const char* end)
    {
        while (p < end) {
            if (!m_started) {
                Step step = Step::More;
                if (const char* next = wholeLine(p, end, step)) {
                    if (step != Step::More)
                        return step;
                    p = next;
                    continue;
                }
            }
            if (m_skipToLineEnd) {
                const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
                if (!lf)
                    return Step::More;
                p = static_cast<const char*>(lf) + 1;
                if (Step s = endLine(); s != Step::More)
                    return s;
                continue;
            }
            auto c = static_cast<unsigned char>(*p);
            switch (kClasses[c]) {
            case LineFeed:
                ++p;
                if (Step s = endLine(); s != Step::More)
                    return s;
                continue;
            case CarriageReturn:
                // Never part of the text: before a line feed it is the line break, alone it is dropped.
                m_started = true;
                ++p;
                continue;
            case CtrlZ:
                if (!m_started)
                    return Step::Completed;
                m_skipToLineEnd = true;
                ++p;
                continue;
            case Separator:
                m_started = true;
                ++p;
                if (!m_haveText) {
                    m_haveText = true;
                } else if (++m_field == 10) {
                    m_skipToLineEnd = true;
                }
                continue;
            default:
                break;
            }
            m_started = true;
            if (!m_haveText) {
                m_haveText = true;   // the first character is never looked at
                ++p;
                continue;
            }
            // A run of plain bytes belongs to the current field.
            const char* run = p;
            p = skipPlain(p, end);
            append(run, p);
        }
        return Step::More;
    }

    /// The file ended: a line without a line break still counts.
    Step finish() { return m_started ? endLine() : Step::Completed; }

private:
    void append(const char* from, const char* to)
    {
        auto f = static_cast<std::size_t>(m_field);
        std::string& field = m_fields[f];
        std::size_t cap = m_field >= kPriceField ? kNumberCap : kTextCap;
        auto n = static_cast<std::size_t>(to - from);
        if (field.size() + n > cap) {
            if (m_field >= kPriceField)
                m_overlong[f - kPriceField] = true;
            n = cap - field.size();
        }
        field.append(from, n);
    }

    Step endLine()
    {
        Step result = Step::More;
        if (!m_haveText)
            result = Step::EmptyLine;
        else if (m_field < 9)
            result = Step::Completed;
        else
            deliver();
        reset();
        return result;
    }

    using Fields = std::array<std::string_view, 10>;

    /// The common case: a line that lies whole in the buffer, with no carriage return but the
    /// one of its line break and no Ctrl-Z, is split in place. Returns where the next line
    /// starts, or nullptr to let the byte-by-byte path take the line.
    const char* wholeLine(const char* p, const char* end, Step& step)
    {
        const auto* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        if (!lf)
            return nullptr;
        const char* lineEnd = lf > p && lf[-1] == '\r' ? lf - 1 : lf;
        if (lineEnd == p || *p == 26 || *p == '\r')
            return nullptr;
        Fields fields;
        int separators = 0;
        const char* fieldStart = p + 1;
        // The separators of the line, and any carriage return or Ctrl-Z before the tenth,
        // found sixteen bytes at a time.
        const char* q = fieldStart;
        while (separators < 10 && q < lineEnd) {
            const char* base = q;
            auto n = static_cast<std::size_t>(lineEnd - q);
            std::uint32_t bars = 0;
            std::uint32_t others = 0;
#if defined(__SSE2__)
            if (end - q >= 16) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
                std::uint32_t inLine = n >= 16 ? 0xFFFFu : (1u << n) - 1;
                bars = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('|')))) & inLine;
                others = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_or_si128(
                             _mm_cmpeq_epi8(v, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(v, _mm_set1_epi8(26)))))
                         & inLine;
                q += n >= 16 ? 16 : n;
            } else
#endif
            {
                n = std::min<std::size_t>(n, 16);
                for (std::size_t k = 0; k < n; ++k) {
                    if (q[k] == '|')
                        bars |= 1u << k;
                    else if (q[k] == '\r' || q[k] == 26)
                        others |= 1u << k;
                }
                q += n;
            }
            while (bars != 0 && separators < 10) {
                auto k = static_cast<unsigned>(__builtin_ctz(bars));
                if (others & ((1u << k) - 1))
                    return nullptr;   // a carriage return or Ctrl-Z inside a field
                fields[static_cast<std::size_t>(separators++)] = {fieldStart, static_cast<std::size_t>(base + k - fieldStart)};
                fieldStart = base + k + 1;
                bars &= bars - 1;
            }
            if (separators < 10 && others != 0)
                return nullptr;
        }
        if (separators < 10)
            fields[static_cast<std::size_t>(separators)] = {fieldStart, static_cast<std::size_t>(lineEnd - fieldStart)};
        if (separators < 9) {
            step = Step::Completed;
            return lf + 1;
        }
        std::array<bool, 2> overlong{false, false};
        for (std::size_t f = 0; f < 10; ++f) {
            std::size_t cap = f >= kPriceField ? kNumberCap : kTextCap;
            if (fields[f].size() > cap) {
                if (f >= kPriceField)
                    overlong[f - kPriceField] = true;
                fields[f] = fields[f].substr(0, cap);
            }
        }
        deliver(fields, separators, overlong);
        return lf + 1;
    }

    void deliver()
    {
        Fields fields;
        for (std::size_t f = 0; f < 10; ++f)
            fields[f] = m_fields[f];
        deliver(fields, m_field, m_overlong);
    }

    void deliver(const Fields& fields, int separators, std::array<bool, 2> overlong)
    {
        // A quantity not ended by a separator reads as an empty text.
        bool ended = separators >= 10;
        std::string_view quantityText = ended ? fields[kQuantityField] : std::string_view();
        bool quantityOverlong = ended && overlong[1];
        auto quantity = quantityOverlong ? std::nullopt : table::parseInteger(quantityText);
        if (!quantity)
            throw Failure(QStringLiteral("'%1' is not a valid integer value").arg(quoted(quantityText, quantityOverlong)));
        std::string_view priceText = fields[kPriceField];
        PriceValue price;
        if (!overlong[0])
            price = parsePrice(priceText, m_separator);
        if (price.status == PriceValue::Status::Overflow)
            throw Failure(QStringLiteral("Floating point overflow"));
        if (price.status != PriceValue::Status::Valid)
            throw Failure(QStringLiteral("'%1' is not a valid floating point value").arg(quoted(priceText, overlong[0])));

        LabelItem item;
        item.grupo = fields[0];
        item.subgrupo = fields[1];
        item.griffe = fields[2];
        item.descCorProduto = fields[3];
        item.referFabricante = fields[4];
        item.tipo = fields[5];
        item.tamanho = fields[6];
        item.codigoBarra = fields[7];
        item.qtd = *quantity;
        item.preco = price.value;
        item.precoDecimal = price.decimal;
        m_sink(item);
    }

    void reset()
    {
        for (std::string& f : m_fields)
            f.clear();
        m_overlong = {false, false};
        m_field = 0;
        m_started = false;
        m_haveText = false;
        m_skipToLineEnd = false;
    }

    char m_separator;
    const std::function<void(const LabelItem&)>& m_sink;
    std::array<std::string, 10> m_fields;
    std::array<bool, 2> m_overlong{false, false};
    int m_field = 0;            ///< separators seen after the first character, at most 10
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
