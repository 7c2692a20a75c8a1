// The label files and the tables hold Windows-1252 bytes; these turn them into Unicode where
// they are shown, printed or put into a message, and Unicode back into the code page's bytes.
// This is the one table of the code page: the PDF writer's WinAnsi text comes from here too.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace quorvel::table {

/// Every byte maps to one character; the five bytes the code page leaves undefined (0x81,
/// 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value, so no byte is ever lost.
QString fromWindows1252(std::string_view bytes);

/// Appends the UTF-8 form of Windows-1252 bytes to `out`, without going through QString.
void appendUtf8FromWindows1252(std::string& out, std::string_view bytes);

/// Text typed by the operator as Windows-1252 bytes, the inverse of fromWindows1252; a
/// character the code page cannot hold (a surrogate pair counts as one) becomes '?'.
std::string toWindows1252(const QString& text);

/// Text to be drawn in a font of the code page (PDF's WinAnsiEncoding): as toWindows1252, but
/// what has no glyph there becomes '?' too: control characters and the five undefined bytes.
std::string toWindows1252Glyphs(const QString& text);

} // namespace quorvel::table
