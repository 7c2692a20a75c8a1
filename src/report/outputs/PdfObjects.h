// PDF's file syntax: numbered objects written one after another, the cross-reference table that
// finds them and the trailer, and the few value forms the PDF writer puts in them. The bytes are
// handed on in chunks as they are made, so no copy of the file is ever held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::report::pdf {

/// "/Name", with the characters a name cannot hold as #XX.
void appendName(std::string& out, std::string_view name);
/// "(text)", with parentheses and backslashes escaped and bytes outside printable ASCII in octal.
void appendString(std::string& out, std::string_view bytes);
/// A real with at most five decimals, no trailing zeros, within +-32767, rounded as single
/// precision arithmetic rounds it.
void appendReal(std::string& out, float v);

class ObjectWriter
{
public:
    using Sink = std::function<void(const char*, std::size_t)>;
    /// `sink` receives the file in order, in chunks of about `chunk` bytes; what it throws
    /// leaves through the call that was writing.
    ObjectWriter(Sink sink, std::size_t chunk);

    /// Writes the header; then every object from 1 up, in order.
    void begin();
    /// Starts object `number`, which must be the next one.
    void beginObject(std::uint32_t number);
    void endObject();
    void write(std::string_view bytes);
    /// The cross-reference table of the objects written and the trailer naming `root` and
    /// `info`; then the last bytes go to the sink.
    void finish(std::uint32_t root, std::uint32_t info);

private:
    void flush();

    Sink m_sink;
    std::size_t m_chunk;
    std::string m_buffer;
    std::uint64_t m_offset = 0;
    std::vector<std::uint64_t> m_offsets;
};

} // namespace quorvel::report::pdf
