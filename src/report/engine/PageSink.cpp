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

PageDescription documentSettings(const PageDescription& doc)
{
    PageDescription settings;
    settings.title = doc.title;
    settings.print = doc.print;
    settings.queueOffsets = doc.queueOffsets;
    return settings;
}

namespace {

template <class T>
void appendNew(std::vector<T>& kept, const std::vector<T>& grown)
{
    kept.insert(kept.end(), grown.begin() + static_cast<std::ptrdiff_t>(kept.size()), grown.end());
}

} // namespace

void catchUpTables(PageDescription& kept, const PageDescription& doc)
{
    appendNew(kept.fonts, doc.fonts);
    appendNew(kept.symbols, doc.symbols);
    appendNew(kept.images, doc.images);
}

void HeldPages::begin(const PageDescription& doc)
{
    m_doc = std::make_unique<PageDescription>(documentSettings(doc));
}

void HeldPages::add(const PageDescription& doc, const Page& page)
{
    catchUpTables(*m_doc, doc);
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
