// The tables hold single-byte text in Windows-1252, as label files are written.
#pragma once

#include <QString>

#include <string_view>

namespace quorvel::report {

QString fromWindows1252(std::string_view bytes);

} // namespace quorvel::report
