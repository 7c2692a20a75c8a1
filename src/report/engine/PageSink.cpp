#include "report/engine/PageSink.h"

#include "report/engine/PageDescription.h"

#include <cstddef>
#include <utility>

namespace quorvel::report {

namespace {

template <class Each>
void send(const PageDescription& doc, PageSink& sink, Each&& each)
{
    try {
        sink.begin(doc);
        each([&](const Page& page) { sink.add(doc, page); });
        sink.commit();
    } catch (...) {
        sink.abandon();
        throw;
    }
}

} // namespace

void writePages(const PageDescription& doc, PageSink& sink)
{
    send(doc, sink, [&](const auto& add) {
        for (std::size_t i = 0; i < doc.pages.size(); ++i)
            add(doc.pages[i]);
    });
}

void writePages(const PageDescription& doc, const std::vector<std::size_t>& indices, PageSink& sink)
{
    send(doc, sink, [&](const auto& add) {
        for (const std::size_t i : indices)
            add(doc.pages.at(i));
    });
}

void HeldPages::begin(const PageDescription& doc)
{
    m_doc = std::make_unique<PageDescription>();
    m_doc->title = doc.title;
    m_doc->print = doc.print;
    m_doc->queueOffsets = doc.queueOffsets;
}

void HeldPages::add(const PageDescription& doc, const Page& page)
{
    // The tables only grow: what is new since the last page is appended.
    m_doc->fonts.insert(m_doc->fonts.end(), doc.fonts.begin() + static_cast<std::ptrdiff_t>(m_doc->fonts.size()), doc.fonts.end());
    m_doc->symbols.insert(m_doc->symbols.end(), doc.symbols.begin() + static_cast<std::ptrdiff_t>(m_doc->symbols.size()),
                          doc.symbols.end());
    m_doc->images.insert(m_doc->images.end(), doc.images.begin() + static_cast<std::ptrdiff_t>(m_doc->images.size()),
                         doc.images.end());
    m_doc->pages.push_back(page);
}

void HeldPages::abandon() noexcept
{
    m_doc.reset();
}

PageDescription HeldPages::take()
{
    PageDescription doc = m_doc ? std::move(*m_doc) : PageDescription{};
    m_doc.reset();
    return doc;
}

void PageSinks::begin(const PageDescription& doc)
{
    for (PageSink* s : m_sinks)
        s->begin(doc);
}

void PageSinks::add(const PageDescription& doc, const Page& page)
{
    for (PageSink* s : m_sinks)
        s->add(doc, page);
}

void PageSinks::commit()
{
    for (PageSink* s : m_sinks)
        s->commit();
}

void PageSinks::abandon() noexcept
{
    for (PageSink* s : m_sinks)
        s->abandon();
}

bool PageSinks::drawsSymbolsOnce() const
{
    for (const PageSink* s : m_sinks)
        if (!s->drawsSymbolsOnce())
            return false;
    return !m_sinks.empty();
}

} // namespace quorvel::report
