#include "report/engine/PageDescription.h"

#include <algorithm>
#include <stdexcept>
#include <type_traits>

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

const QueueOffset* queueOffset(const PageDescription& doc, const QString& queue)
{
    for (const QueueOffset& offset : doc.queueOffsets)
        if (offset.queue == queue)
            return &offset;
    return nullptr;
}

Page shifted(const Page& page, double dxPt, double dyPt)
{
    Page moved = page;
    for (PageItem& item : moved.items) {
        std::visit([&](auto& i) {
            using T = std::decay_t<decltype(i)>;
            if constexpr (std::is_same_v<T, TextItem>) {
                i.xPt += dxPt;
                i.baselinePt += dyPt;
            } else if constexpr (std::is_same_v<T, LineItem>) {
                i.x1Pt += dxPt; i.x2Pt += dxPt;
                i.y1Pt += dyPt; i.y2Pt += dyPt;
            } else {
                i.xPt += dxPt;
                i.yPt += dyPt;
            }
        }, item);
    }
    return moved;
}

} // namespace quorvel::report
