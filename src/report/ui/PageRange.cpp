#include "report/ui/PageRange.h"

#include <QStringList>

#include <algorithm>
#include <optional>
#include <set>

namespace quorvel::report {

namespace {

std::optional<long long> number(const QString& text)
{
    bool ok = false;
    const long long value = text.trimmed().toLongLong(&ok);
    return ok ? std::optional<long long>(value) : std::nullopt;
}

void addRange(std::set<std::size_t>& pages, long long from, long long to, std::size_t pageCount)
{
    if (from > to)
        std::swap(from, to);
    const auto count = static_cast<long long>(pageCount);
    from = std::max(from, 1LL);
    to = std::min(to, count);
    for (long long page = from; page <= to; ++page)
        pages.insert(static_cast<std::size_t>(page - 1));
}

} // namespace

std::vector<std::size_t> selectionPages(const QString& text, std::size_t pageCount)
{
    std::set<std::size_t> pages;
    const auto count = static_cast<long long>(pageCount);
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const auto dash = part.indexOf(QLatin1Char('-'));
        if (dash < 0) {
            if (const auto page = number(part))
                addRange(pages, *page, *page, pageCount);
            continue;
        }
        const QString left = part.left(dash).trimmed();
        const QString right = part.mid(dash + 1).trimmed();
        if (right.contains(QLatin1Char('-')) || (left.isEmpty() && right.isEmpty()))
            continue;
        const auto from = left.isEmpty() ? std::optional<long long>(1) : number(left);
        const auto to = right.isEmpty() ? std::optional<long long>(count) : number(right);
        if (from && to)
            addRange(pages, *from, *to, pageCount);
    }
    return {pages.begin(), pages.end()};
}

std::vector<std::size_t> pagesFromTo(long long from, long long to, std::size_t pageCount)
{
    std::set<std::size_t> pages;
    addRange(pages, from, to, pageCount);
    return {pages.begin(), pages.end()};
}

std::vector<std::size_t> allPages(std::size_t pageCount)
{
    std::vector<std::size_t> pages(pageCount);
    for (std::size_t i = 0; i < pageCount; ++i)
        pages[i] = i;
    return pages;
}

} // namespace quorvel::report
