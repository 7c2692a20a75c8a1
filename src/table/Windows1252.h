// The label files and the tables hold Windows-1252 bytes; these turn them into Unicode where
// they are shown, printed or put into a message.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace quorvel::table {

/// Every byte maps to one character; the five bytes the code page leaves undefined map to the
/// C1 control of the same value, so no byte is ever lost.
QString fromWindows1252(std::string_view bytes);

/// Appends the UTF-8 form of Windows-1252 bytes to `out`, without going through QString.
void appendUtf8FromWindows1252(std::string& out, std::string_view bytes);

/// Text typed by the operator as Windows-1252 bytes; what the code page cannot hold becomes '?'.
std::string toWindows1252(const QString& text);

} // namespace quorvel::table
