// The one way out of a run: every output (a PDF file, a snapshot file, PNG files, a print job,
// pages held in memory) takes the pages through this interface, whoever runs the report. A new
// output is one class.
#pragma once

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace quorvel::report {

struct Page;
struct PageDescription;

class PageSink
{
public:
    PageSink() = default;
    virtual ~PageSink() = default;
    PageSink(const PageSink&) = delete;
    PageSink& operator=(const PageSink&) = delete;

    /// The document begins. `doc` holds its title and print settings, and the fonts, symbols and
    /// pictures drawn so far; its page list is not read.
    virtual void begin(const PageDescription& doc) = 0;
    /// One page, complete, drawn with the tables of `doc` (which only grow during a run, so an
    /// index a page uses stays valid; its page list is not read). Each page keeps its own size.
    virtual void add(const PageDescription& doc, const Page& page) = 0;
    /// The output is complete: a file appears under its name, a job is sent. Fails with the
    /// output's own texts, and then leaves nothing behind.
    virtual void commit() = 0;
    /// What was begun is dropped: no file, no job. Never fails; safe after a failed commit.
    virtual void abandon() noexcept = 0;

    /// True when a symbol's bars are needed only with the first page that draws it (the PDF
    /// writer makes one form of each code): a long run may then let those drawings go.
    virtual bool drawsSymbolsOnce() const { return false; }
};

/// What a sink keeps of the document it is begun with: its title, print settings and queue
/// offsets, without tables or pages.
PageDescription documentSettings(const PageDescription& doc);
/// Appends to `kept` the fonts, symbols and pictures `doc` gained since `kept` last caught up:
/// a run's tables only grow, so this keeps a sink's copy of them whole page by page.
void catchUpTables(PageDescription& kept, const PageDescription& doc);

/// Sends `doc`'s pages (all of them, in order) to `sink`: begin, add each, commit; on any
/// failure the sink is abandoned and the failure passed on.
void writePages(const PageDescription& doc, PageSink& sink);

/// As writePages, the pages at `indices` (0-based, in that order).
void writePages(const PageDescription& doc, const std::vector<std::size_t>& indices, PageSink& sink);

/// A sink that holds the pages it is given: a whole run as one page description.
class HeldPages final : public PageSink
{
public:
    void begin(const PageDescription& doc) override;
    void add(const PageDescription& doc, const Page& page) override;
    void commit() override {}
    void abandon() noexcept override;

    /// What was handed over: the tables as the last page left them, and every page.
    PageDescription take();

private:
    std::unique_ptr<PageDescription> m_doc;
};

/// Several sinks as one: each page goes to each, in order; commit commits each in order.
class PageSinks final : public PageSink
{
public:
    /// Not owned: each must outlive this.
    explicit PageSinks(std::vector<PageSink*> sinks) : m_sinks(std::move(sinks)) {}

    void begin(const PageDescription& doc) override;
    void add(const PageDescription& doc, const Page& page) override;
    void commit() override;
    void abandon() noexcept override;
    /// Only when every one of them does.
    bool drawsSymbolsOnce() const override;

private:
    std::vector<PageSink*> m_sinks;
};

/// A sink that drops every page: a run made only for its tables and its count.
class DroppedPages final : public PageSink
{
public:
    void begin(const PageDescription&) override {}
    void add(const PageDescription&, const Page&) override {}
    void commit() override {}
    void abandon() noexcept override {}
};

} // namespace quorvel::report
