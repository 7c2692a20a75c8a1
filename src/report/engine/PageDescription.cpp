#include "report/engine/PageDescription.h"

#include <algorithm>
#include <stdexcept>

namespace quorvel::report {

const Page& PageList::at(std::size_t index) const
{
    if (index >= size())
        throw std::out_of_range("page index past the last page");
    return (*this)[index];
}

const Page& PageList::made(std::size_t index) const
{
    for (std::size_t i = m_kept.size(); i-- > 0;)
        if (m_kept[i].index == index)
            return *m_kept[i].page;
    auto page = std::make_shared<const Page>(m_source->page(index));
    if (m_kept.size() == kKept)
        m_kept.erase(m_kept.begin());
    m_kept.push_back({index, std::move(page)});
    return *m_kept.back().page;
}

std::vector<Page>& PageList::held()
{
    if (m_source) {
        std::vector<Page> pages;
        pages.reserve(m_source->count());
        for (std::size_t i = 0; i < m_source->count(); ++i)
            pages.push_back(m_source->page(i));
        m_held = std::move(pages);
        m_source.reset();
        m_kept.clear();
    }
    return m_held;
}

void PageList::clear()
{
    m_source.reset();
    m_kept.clear();
    m_held.clear();
}

bool operator==(const PageList& a, const PageList& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!(a[i] == b[i]))
            return false;
    return true;
}

} // namespace quorvel::report
