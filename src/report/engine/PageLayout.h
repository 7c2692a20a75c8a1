// Layout: the one page function. A prepared run (the working copy of one report, its parameters,
// the print settings and the start slot) over a frozen view of its data views' rows gives each
// page as a value. Where page n starts is arithmetic on the row counts, so any page can be made
// alone, in any order, as often as asked, and always comes out the same; nothing moves a
// table's cursor. Whole runs, streamed runs, the preview and the designer's canvas all call it.
#pragma once

#include "report/engine/Definition.h"
#include "report/engine/MessageSink.h"
#include "report/engine/PageDescription.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace quorvel::report {

class DataSetConnection;
class PageBuilder;
class PageSink;
class ReportSystem;

/// Report parameters as name=value pairs; names compare without regard to case.
using Parameters = std::vector<std::pair<QString, QString>>;

/// The value of the parameter `name`; "" when there is none.
QString parameterValue(const Parameters& params, const QString& name);

/// The page a report's entry stands for: its own, or the shared page it names (compared without
/// regard to case); null when the definition holds no shared page of that name.
const PageDef* entryPage(const Definition& def, const PageEntry& entry);

/// Labels a page of the report's first label region holds; 0 without one.
std::int64_t firstRegionLabels(const Definition& def, const ReportDef& report);

/// How a layout talks to whoever runs it. Any member may stay empty: then no status is shown,
/// nothing stops the layout, messages are dropped and a wait sleeps.
struct LayoutHooks
{
    /// A page begins; `status` is its status line ("Generating page 3"). False stops the layout.
    std::function<bool(const QString& status)> pageBegun;
    /// After each drawn item, to let the GUI in. False stops the layout.
    std::function<bool()> poll;
    /// A plain message: an image file that cannot be read.
    std::function<void(const QString& text)> message;
    /// The error box shown before the layout gives up on a data connection it was not handed.
    std::function<void(const QString& text)> error;
    /// One wait of about `ms` milliseconds for that connection, the GUI live. False gives up at
    /// once, without the error box.
    std::function<bool(int ms)> wait;
};

/// Where a page starts: its entry in the report, the first row of its data view it shows (-1:
/// none) and the slot that row's label takes.
struct PageStart
{
    std::uint32_t entry = 0;
    std::int64_t row = -1;
    std::int32_t firstSlot = 0;
    friend bool operator==(const PageStart&, const PageStart&) = default;
};

class PageLayout final : public MessageSink
{
public:
    /// Prepares the run: `working` holds exactly one report (ReportProject::workingCopy) and what
    /// it uses; `params` are the values the run sees; `system`'s settings (scale, kept page range,
    /// device resolution, title, status format) are read now. The report's data views are opened
    /// here, each on the connection of its name among `connections`, waiting `connectionWaits`
    /// waits of 100 ms through the hooks for one that is missing (the list is looked into again
    /// after each wait). The connections must outlive the layout, and their tables must not
    /// change while it is open: the rows are counted once, here.
    /// Fails when the report uses a shared page or data view the definition lacks, on a scale the
    /// layout cannot apply, and with SilentAbort after the error box for a connection that never
    /// came (or at once when a wait gives up).
    PageLayout(Definition working, Parameters params, const std::vector<DataSetConnection*>& connections,
               const ReportSystem& system, int startLabel = 1, LayoutHooks hooks = {}, int connectionWaits = 600);
    /// Closes the data views (the connection's restore).
    ~PageLayout() override;
    PageLayout(const PageLayout&) = delete;
    PageLayout& operator=(const PageLayout&) = delete;

    /// Pages the report makes, counted from 1: a page without a label region once, a region's
    /// page as often as its rows need (once when it has none), the first region's first page
    /// starting at the start slot. Kept or not.
    std::int64_t pageCount() const { return m_pageCount; }
    /// The pages a run keeps, the print system's first to last page: their count, and the index
    /// (0-based, among all pages) of the first of them.
    std::int64_t keptCount() const;
    std::int64_t firstKept() const { return m_firstKept; }
    /// Where page `index` (0-based, below pageCount) starts. Arithmetic: nothing is laid out.
    PageStart start(std::int64_t index) const;
    /// Labels a page of the report's first label region holds; 0 without one.
    std::int64_t labelsPerPage() const;
    int startLabel() const { return m_startLabel; }
    /// The status line of page `number` (1-based): the print system's status format.
    QString status(std::int64_t number) const;

    /// Page `index` (0-based, below pageCount), laid out from its start. The same index gives
    /// the same page every time, in any order, also while another page of the run is being made
    /// (from `poll`); rows are read by position and no cursor moves. The fonts, symbols and
    /// pictures a page draws join tables() the first time any page draws them (each distinct
    /// bar code is encoded once per layout). `poll` runs after each drawn item; empty when it
    /// stopped the page. Fails when the data view's table changed since the layout was prepared,
    /// and after close().
    std::optional<Page> page(std::int64_t index, const std::function<bool()>& poll = {});

    /// The run's title, print settings (the first kept page's) and the fonts, symbols and
    /// pictures the pages made so far draw; no pages.
    const PageDescription& tables() const { return m_tables; }
    /// Lets go of the bars and captions of symbols from `first` on, keeping their size and
    /// error: for a sink that draws each symbol once, after the page that first drew them.
    /// A page made afterwards that draws such a symbol finds it without bars.
    void releaseSymbolDrawings(std::size_t first);

    /// Closes the data views now; every page asked for afterwards fails. Never fails.
    void close() noexcept;
    bool isOpen() const { return m_open; }

    /// The run's pages made on demand, read by whoever shows, prints or saves them: a page
    /// description with the tables as they stand, whose page list makes each page when it is
    /// read (the last few are kept). Reading a page after the layout closed fails.
    PageDescription onDemand();

    /// An image file that cannot be read: through the hooks' message.
    void showMessage(const QString& text) override;

private:
    struct View;
    struct Entry;
    class Pages;

    void openViews(const std::vector<DataSetConnection*>& connections, int connectionWaits);
    View* view(const QString& name);

    Definition m_def;
    Parameters m_params;
    LayoutHooks m_hooks;
    int m_startLabel = 1;
    int m_deviceDpi = 0;
    QString m_statusFormat;
    std::vector<View> m_views;
    std::vector<Entry> m_entries;
    std::int64_t m_pageCount = 0;
    std::int64_t m_firstKept = 0;
    std::int64_t m_lastKept = 0;   // one past the last kept page
    PageDescription m_tables;
    std::unique_ptr<PageBuilder> m_builder;
    std::shared_ptr<PageLayout*> m_self;   // what the on-demand pages reach the layout through
    bool m_open = false;
};

/// Makes the run's pages in order and hands each kept page to `sink` (begin, add, commit; abandon
/// on every other way out), as a report run does: every page begun, kept or not, is announced
/// through `hooks.pageBegun` with the print system's status format, and `hooks.poll` runs after
/// each drawn item. A sink that draws each symbol once lets the layout drop each code's bars
/// once the page that first drew it was handed over. False, with the sink abandoned, when a
/// hook stopped the run; failures pass on after the sink was abandoned.
bool generatePages(PageLayout& layout, const LayoutHooks& hooks, PageSink& sink);

/// Every kept page of `layout`, held: for tests and small runs.
PageDescription layOutAll(PageLayout& layout);

} // namespace quorvel::report
