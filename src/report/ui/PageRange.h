// The pages an output-options range stands for.
#pragma once

#include <QString>

#include <cstddef>
#include <vector>

namespace quorvel::report {

/// Pages named by a selection text such as "1-3,5,8-": 0-based, ascending, each once.
/// A part "a-" runs to the last page, "-b" from the first, "b-a" is read as "a-b"; numbers
/// beyond the pages are cut to them and parts that name no page are left out.
std::vector<std::size_t> selectionPages(const QString& text, std::size_t pageCount);

/// Pages `from` to `to` (1-based, both included, in either order), cut to the pages there are.
std::vector<std::size_t> pagesFromTo(long long from, long long to, std::size_t pageCount);

/// Every page.
std::vector<std::size_t> allPages(std::size_t pageCount);

} // namespace quorvel::report
