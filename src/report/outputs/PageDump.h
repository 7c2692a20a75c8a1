// A page of a page description as plain text, one item per line, in points with two decimals:
// the golden format of layout tests and a quick way to look at a definition's output.
#pragma once

#include <QString>

#include <cstddef>

namespace quorvel::report {

struct PageDescription;

QString dumpPage(const PageDescription& doc, std::size_t index);

} // namespace quorvel::report
