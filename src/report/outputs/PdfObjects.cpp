#include "report/outputs/PdfObjects.h"

#include <cstdio>
#include <stdexcept>

namespace quorvel::report::pdf {

void appendName(std::string& out, std::string_view name)
{
    static const char* hex = "0123456789ABCDEF";
    out += '/';
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x21 || c > 0x7e || std::string_view("#%()/<>[]{}").find(ch) != std::string_view::npos) {
            out += '#';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += ch;
        }
    }
}

void appendString(std::string& out, std::string_view bytes)
{
    out += '(';
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '(' || c == ')' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c > 0x7e) {
            char octal[5];
            std::snprintf(octal, sizeof octal, "\\%03o", c);
            out += octal;
        } else {
            out += ch;
        }
    }
    out += ')';
}

void appendReal(std::string& out, float v)
{
    v = v > 32767.0f ? 32767.0f : v < -32767.0f ? -32767.0f : v;
    std::string text;
    if (v < 0) {
        text += '-';
        v = -v;
    }
    // The whole part with the rounding half added in double, the fraction in single precision.
    const auto whole = static_cast<std::int32_t>(static_cast<double>(v) + 0.000005);
    auto fraction = static_cast<std::int32_t>(static_cast<float>(static_cast<double>(v) - whole + 0.000005) * 100000);
    text += std::to_string(whole);
    char digits[6] = {};
    for (int i = 4; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    text += '.';
    text += digits;
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    out += text;
}

ObjectWriter::ObjectWriter(Sink sink, std::size_t chunk) : m_sink(std::move(sink)), m_chunk(chunk)
{
    m_buffer.reserve(chunk + (chunk >> 4));
}

void ObjectWriter::begin() { write("%PDF-1.3\n%\xb7\xbe\xad\xaa\n"); }

void ObjectWriter::beginObject(std::uint32_t number)
{
    if (number != m_offsets.size() + 1)
        throw std::logic_error("PDF objects out of order");
    m_offsets.push_back(m_offset);
    write(std::to_string(number));
    write(" 0 obj\n");
}

void ObjectWriter::endObject() { write("\nendobj\n"); }

void ObjectWriter::write(std::string_view bytes)
{
    m_offset += bytes.size();
    if (m_buffer.size() + bytes.size() > m_chunk && !m_buffer.empty())
        flush();
    if (bytes.size() >= m_chunk) {
        m_sink(bytes.data(), bytes.size());
        return;
    }
    m_buffer.append(bytes);
}

void ObjectWriter::flush()
{
    if (!m_buffer.empty())
        m_sink(m_buffer.data(), m_buffer.size());
    m_buffer.clear();
}

void ObjectWriter::finish(std::uint32_t root, std::uint32_t info)
{
    const std::uint64_t table = m_offset;
    const auto count = m_offsets.size() + 1;
    write("xref\n0 " + std::to_string(count) + "\n0000000000 65535 f\r\n");
    char entry[32];
    for (const std::uint64_t at : m_offsets) {
        std::snprintf(entry, sizeof entry, "%010llu 00000 n\r\n", static_cast<unsigned long long>(at));
        write(entry);
    }
    write("trailer\n<<\n/Root " + std::to_string(root) + " 0 R\n/Info " + std::to_string(info) + " 0 R\n/Size "
          + std::to_string(count) + "\n>>\nstartxref\n" + std::to_string(table) + "\n%%EOF\n");
    flush();
}

} // namespace quorvel::report::pdf
