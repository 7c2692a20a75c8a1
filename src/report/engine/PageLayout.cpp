#include "report/engine/PageLayout.h"

#include "report/engine/DataSetConnection.h"
#include "report/engine/DeviceGrid.h"
#include "report/engine/LabelGrid.h"
#include "report/engine/PageBuilder.h"
#include "report/engine/PageSink.h"
#include "report/engine/ReportSystem.h"
#include "table/Failure.h"

#include <QHash>
#include <QThread>

#include <algorithm>
#include <array>

namespace quorvel::report {

QString parameterValue(const Parameters& params, const QString& name)
{
    for (const auto& [n, value] : params)
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

const PageDef* entryPage(const Definition& def, const PageEntry& entry)
{
    if (const auto* page = std::get_if<PageDef>(&entry.page))
        return page;
    const QString& name = std::get<QString>(entry.page);
    for (const PageDef& p : def.sharedPages)
        if (p.name.compare(name, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

std::int64_t firstRegionLabels(const Definition& def, const ReportDef& report)
{
    for (const PageEntry& entry : report.pages)
        if (const PageDef* page = entryPage(def, entry); page && page->region)
            return labelsPerPage(*page->region);
    return 0;
}

// A data view of the run: its connection, the field positions it may read and the rows it had
// when the layout was prepared.
struct PageLayout::View
{
    const DataViewDef* def = nullptr;
    DataSetConnection* connection = nullptr;
    QHash<QString, int> fields;   ///< lower-case name -> position in the connection's row
    std::int64_t rows = 0;
};

// An entry of the report resolved: its page, its view and the run's pages it makes.
struct PageLayout::Entry
{
    const PageDef* page = nullptr;
    View* view = nullptr;
    std::int64_t firstPage = 0;   ///< index among the run's pages
    std::int64_t pages = 1;
    std::int64_t perPage = 0;     ///< labels a page of its region holds
    std::int32_t skipped = 0;     ///< blank slots before its first label
};

namespace {

// A row of a view, read by position for the page being made.
struct RowCursor
{
    const DataSetConnection* connection = nullptr;
    const QHash<QString, int>* fields = nullptr;
    std::int64_t row = -1;
    std::vector<DataValue> values;

    bool hasRow() const { return row >= 0; }
    void read() { connection->rowAt(static_cast<int>(row), values); }
    QString value(const QString& field) const
    {
        if (!hasRow() || !fields)
            return {};
        auto it = fields->find(field.toLower());
        return it == fields->end() ? QString() : values[static_cast<std::size_t>(*it)].shown();
    }
};

} // namespace

// The pages of one layout made when they are read, through the layout while it is open.
class PageLayout::Pages final : public PageSource
{
public:
    Pages(std::shared_ptr<PageLayout*> layout, std::int64_t first, std::size_t count, std::array<std::size_t, 3> tables)
        : m_layout(std::move(layout)), m_first(first), m_count(count), m_tables(tables)
    {
    }
    std::size_t count() const override { return m_count; }
    Page page(std::size_t index) const override
    {
        PageLayout* layout = *m_layout;
        if (!layout || !layout->isOpen())
            throw Failure(QStringLiteral("Page %1 cannot be made any more: its run has ended.").arg(index + 1));
        std::optional<Page> page = layout->page(m_first + static_cast<std::int64_t>(index));
        const PageDescription& t = layout->tables();
        // The description handed out holds the tables as they stood: a page drawing anything
        // new would point past them.
        if (std::array<std::size_t, 3>{t.fonts.size(), t.symbols.size(), t.images.size()} != m_tables)
            throw Failure(QStringLiteral("Page %1 draws what its run had not made when its pages were handed out.").arg(index + 1));
        return std::move(*page);
    }

private:
    std::shared_ptr<PageLayout*> m_layout;
    std::int64_t m_first;
    std::size_t m_count;
    std::array<std::size_t, 3> m_tables;
};

PageLayout::PageLayout(Definition working, Parameters params, const std::vector<DataSetConnection*>& connections,
                       const ReportSystem& system, int startLabel, LayoutHooks hooks, int connectionWaits)
    : m_def(std::move(working)), m_params(std::move(params)), m_hooks(std::move(hooks)), m_startLabel(startLabel),
      m_deviceDpi(system.deviceDpi), m_statusFormat(system.filerStatusFormat),
      m_self(std::make_shared<PageLayout*>(this))
{
    if (m_def.reports.size() != 1)
        throw Failure(QStringLiteral("A layout runs exactly one report; it was given %1.").arg(m_def.reports.size()));
    const ReportDef& report = m_def.reports.front();
    m_entries.reserve(report.pages.size());
    for (const PageEntry& entry : report.pages) {
        const PageDef* page = entryPage(m_def, entry);
        if (!page)
            throw Failure(QStringLiteral("The report \"%1\" uses the shared page \"%2\", which the definition does not hold.")
                              .arg(report.name, std::get<QString>(entry.page)));
        m_entries.push_back(Entry{page});
    }
    m_open = true;
    struct CloseOnFailure
    {
        PageLayout* layout;
        ~CloseOnFailure()
        {
            if (layout)
                layout->close();
        }
    } closeOnFailure{this};
    openViews(connections, connectionWaits);

    m_tables.title = system.printerTitle;
    for (const PrinterDef& printer : m_def.printers)
        m_tables.queueOffsets.push_back(QueueOffset{printer.queue, printer.offsetX.pt(), printer.offsetY.pt()});
    m_builder = std::make_unique<PageBuilder>(m_tables, *this);
    m_builder->setScale(system);

    // Where every page starts follows from the row counts alone.
    bool firstRegion = true;
    for (Entry& e : m_entries) {
        e.firstPage = m_pageCount;
        if (e.page->region) {
            const RegionDef& region = *e.page->region;
            e.view = view(region.view);
            e.perPage = report::labelsPerPage(region);
            e.skipped = firstRegion ? skippedSlots(region, startLabel) : 0;
            firstRegion = false;
            e.pages = regionPageCount(region, e.view->rows, e.skipped);
        }
        m_pageCount += e.pages;
    }
    m_firstKept = std::clamp<std::int64_t>(std::int64_t{system.firstPage} - 1, 0, m_pageCount);
    m_lastKept = std::clamp<std::int64_t>(system.lastPage, m_firstKept, m_pageCount);
    if (m_firstKept < m_lastKept)
        m_tables.print = m_entries[start(m_firstKept).entry].page->print;
    closeOnFailure.layout = nullptr;
}

PageLayout::~PageLayout()
{
    close();
    *m_self = nullptr;
}

void PageLayout::close() noexcept
{
    if (!m_open)
        return;
    m_open = false;
    for (View& v : m_views)
        if (v.connection)
            v.connection->restore();
}

void PageLayout::showMessage(const QString& text)
{
    if (m_hooks.message)
        m_hooks.message(text);
}

PageLayout::View* PageLayout::view(const QString& name)
{
    for (View& v : m_views)
        if (v.def->name.compare(name, Qt::CaseInsensitive) == 0)
            return &v;
    return nullptr;
}

void PageLayout::openViews(const std::vector<DataSetConnection*>& connections, int connectionWaits)
{
    const ReportDef& report = m_def.reports.front();
    // Views are opened in the order the report first prints them, and live in place from here.
    std::size_t regions = 0;
    for (const Entry& e : m_entries)
        regions += e.page->region ? 1 : 0;
    m_views.reserve(regions);
    for (const Entry& e : m_entries) {
        if (!e.page->region || view(e.page->region->view))
            continue;
        const QString& name = e.page->region->view;
        const DataViewDef* def = nullptr;
        for (const DataViewDef& d : m_def.views)
            if (d.name.compare(name, Qt::CaseInsensitive) == 0)
                def = &d;
        if (!def)
            throw Failure(QStringLiteral("The report \"%1\" prints the data view \"%2\", which the definition does not hold.")
                              .arg(report.name, name));
        DataSetConnection* c = findConnection(connections, def->connection);
        for (int i = 0; !c && i < connectionWaits; ++i) {
            if (m_hooks.wait) {
                if (!m_hooks.wait(100))
                    throw SilentAbort();
            } else {
                QThread::msleep(100);
            }
            c = findConnection(connections, def->connection);
        }
        if (!c) {
            if (m_hooks.error)
                m_hooks.error(QStringLiteral("Error!  Could not open data connection \"%1\".  Aborting report.").arg(def->connection));
            throw SilentAbort();
        }
        View& v = m_views.emplace_back();
        v.def = def;
        v.connection = c;
        c->open();
        v.rows = c->rowCount();
        const std::vector<ConnectionField> offered = c->fieldList();
        QHash<QString, int> positions;
        for (std::size_t i = 0; i < offered.size(); ++i)
            positions.insert(offered[i].name.toLower(), static_cast<int>(i));
        if (def->fields.empty()) {
            v.fields = std::move(positions);
            continue;
        }
        // A declared type that differs from the offered one leaves the view without fields.
        QHash<QString, int> declared;
        bool matches = true;
        for (const auto& [field, type] : def->fields) {
            auto it = positions.find(field.toLower());
            if (it == positions.end() || offered[static_cast<std::size_t>(*it)].type != type) {
                matches = false;
                break;
            }
            declared.insert(field.toLower(), *it);
        }
        if (matches)
            v.fields = std::move(declared);
    }
}

std::int64_t PageLayout::keptCount() const
{
    return m_lastKept - m_firstKept;
}

std::int64_t PageLayout::labelsPerPage() const
{
    return firstRegionLabels(m_def, m_def.reports.front());
}

QString PageLayout::status(std::int64_t number) const
{
    QString status = m_statusFormat;
    status.replace(QStringLiteral("%p"), QString::number(number));
    return status;
}

PageStart PageLayout::start(std::int64_t index) const
{
    if (index < 0 || index >= m_pageCount)
        throw Failure(QStringLiteral("The run has no page %1: it makes %2.").arg(index + 1).arg(m_pageCount));
    // The entry whose pages hold `index`: the last one starting at or before it.
    const auto it = std::upper_bound(m_entries.begin(), m_entries.end(), index,
                                     [](std::int64_t i, const Entry& e) { return i < e.firstPage; });
    const Entry& e = *(it - 1);
    PageStart at;
    at.entry = static_cast<std::uint32_t>((it - 1) - m_entries.begin());
    if (!e.view)
        return at;
    const std::int64_t k = index - e.firstPage;
    at.firstSlot = k == 0 ? e.skipped : 0;
    const std::int64_t row = k == 0 ? 0 : k * e.perPage - e.skipped;
    at.row = row < e.view->rows ? row : -1;
    return at;
}

void PageLayout::releaseSymbolDrawings(std::size_t first)
{
    for (std::size_t i = first; i < m_tables.symbols.size(); ++i) {
        Symbol& s = m_tables.symbols[i];
        std::vector<Symbol::Bar>().swap(s.bars);
        std::vector<Symbol::Caption>().swap(s.captions);
    }
}

std::optional<Page> PageLayout::page(std::int64_t index, const std::function<bool()>& poll)
{
    if (!m_open)
        throw Failure(QStringLiteral("Page %1 cannot be made any more: its run has ended.").arg(index + 1));
    const PageStart at = start(index);
    const Entry& e = m_entries[at.entry];
    const PageDef& def = *e.page;

    RowCursor cursor;
    if (e.view) {
        if (e.view->connection->rowCount() != e.view->rows)
            throw Failure(QStringLiteral("The data of data view \"%1\" changed while its pages were being made.").arg(e.view->def->name));
        cursor.connection = e.view->connection;
        cursor.fields = &e.view->fields;
        cursor.row = at.row;
        if (cursor.hasRow())
            cursor.read();
    }

    // A page asked for while another is being made (a preview repainting) leaves that one's
    // resolution as it found it.
    struct Resolution
    {
        PageBuilder& builder;
        int saved = builder.dpi();
        ~Resolution() { builder.setDpi(saved); }
    } resolution{*m_builder};
    m_builder->setDpi(layoutDpi(def.print.quality, m_deviceDpi));

    Page page{def.width.pt(), def.height.pt(), {}};
    const auto drawItems = [&](const std::vector<ItemDef>& items, Length ox, Length oy) {
        const auto resolver = [&](Source source, const QString& value) -> QString {
            switch (source) {
            case Source::Literal:
                return value;
            case Source::Parameter:
                return parameterValue(m_params, value);
            case Source::Field:
                return cursor.value(value);
            }
            return {};
        };
        for (const ItemDef& item : items) {
            m_builder->draw(page, item, ox, oy, resolver);
            if (poll && !poll())
                return false;
        }
        return true;
    };

    const Length ox = def.marginLeft, oy = def.marginTop;
    if (!drawItems(def.items, ox, oy))
        return std::nullopt;
    if (!def.region)
        return page;
    const RegionDef& region = *def.region;
    for (std::int64_t slot = at.firstSlot; slot < e.perPage && cursor.hasRow(); ++slot) {
        const LabelPlacement place = placeLabel(region, slot);
        if (!drawItems(region.items, ox + place.x, oy + place.y))
            return std::nullopt;
        if (++cursor.row >= e.view->rows)
            cursor.row = -1;
        else
            cursor.read();
    }
    return page;
}

PageDescription PageLayout::onDemand()
{
    PageDescription doc = m_tables;
    const std::array<std::size_t, 3> sizes{m_tables.fonts.size(), m_tables.symbols.size(), m_tables.images.size()};
    doc.pages = PageList(std::make_shared<Pages>(m_self, m_firstKept, static_cast<std::size_t>(keptCount()), sizes));
    return doc;
}

bool generatePages(PageLayout& layout, const LayoutHooks& hooks, PageSink& sink)
{
    const bool once = sink.drawsSymbolsOnce();
    try {
        sink.begin(layout.tables());
        std::size_t symbolsHanded = 0;
        for (std::int64_t i = 0; i < layout.pageCount(); ++i) {
            if (hooks.pageBegun && !hooks.pageBegun(layout.status(i + 1))) {
                sink.abandon();
                return false;
            }
            // Pages outside the kept range are begun, and shown as begun, but not made.
            if (i < layout.firstKept() || i >= layout.firstKept() + layout.keptCount())
                continue;
            std::optional<Page> page = layout.page(i, hooks.poll);
            if (!page) {
                sink.abandon();
                return false;
            }
            sink.add(layout.tables(), *page);
            if (once) {
                layout.releaseSymbolDrawings(symbolsHanded);
                symbolsHanded = layout.tables().symbols.size();
            }
        }
        sink.commit();
    } catch (...) {
        sink.abandon();
        throw;
    }
    return true;
}

PageDescription layOutAll(PageLayout& layout)
{
    HeldPages held;
    generatePages(layout, {}, held);
    return held.take();
}

} // namespace quorvel::report
