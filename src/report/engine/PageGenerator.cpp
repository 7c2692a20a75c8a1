#include "report/engine/PageGenerator.h"

#include "report/engine/DataSetConnection.h"
#include "report/engine/DeviceGrid.h"
#include "report/engine/LabelGrid.h"
#include "report/engine/MessageSink.h"
#include "report/engine/PageBuilder.h"
#include "report/engine/ReportSystem.h"
#include "table/Failure.h"

#include <QHash>
#include <QThread>

#include <array>
#include <memory>

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

namespace {

// One data view during a run: its connection, the field positions it may read, its current row.
struct OpenView
{
    const DataViewDef* def = nullptr;
    DataSetConnection* connection = nullptr;
    QHash<QString, int> fields;   ///< lower-case name -> position in the connection's row
    std::vector<DataValue> row;
    bool hasRow = false;

    void fetch()
    {
        if (hasRow)
            connection->row(row);
        else
            row.clear();
    }
    QString value(const QString& field) const
    {
        if (!hasRow)
            return {};
        auto it = fields.find(field.toLower());
        return it == fields.end() ? QString() : row[static_cast<std::size_t>(*it)].shown();
    }
};

} // namespace

// Where a kept page starts: its entry in the report, the row of the print table its labels start
// at (-1: none), its first slot and the resolution its bar codes were laid out for.
struct Checkpoint
{
    std::uint32_t entry = 0;
    std::int32_t row = -1;
    std::int32_t firstSlot = 0;
    std::int32_t dpi = 0;
};

// The pages of one generateOnDemand: made again from their checkpoints while the run lasts, and
// held from its end for whoever still has them.
class OnDemandPages final : public PageSource
{
public:
    explicit OnDemandPages(PageGenerator::Run* owner) : run(owner) {}
    std::size_t count() const override { return run ? checkpoints.size() : held.size(); }
    Page page(std::size_t index) const override;

    PageGenerator::Run* run;
    PageDescription tables;                ///< the run's, their symbols' drawings let go
    std::unique_ptr<PageBuilder> builder;  ///< over `tables`, which already hold all it finds
    std::vector<Checkpoint> checkpoints;
    std::vector<Page> held;
};

class PageGenerator::Run final : public MessageSink
{
public:
    Run(Definition working, Parameters params, const std::vector<DataSetConnection*>& connections,
        const ReportSystem& system, LayoutHooks hooks)
        : m_def(std::move(working)), m_params(std::move(params)), m_connections(connections), m_system(system),
          m_hooks(std::move(hooks))
    {
        if (m_def.reports.size() != 1)
            throw Failure(QStringLiteral("A layout runs exactly one report; it was given %1.").arg(m_def.reports.size()));
    }

    ~Run() override
    {
        // Pages still wanted after the run are made now, while the data views are open.
        for (const std::weak_ptr<OnDemandPages>& weak : m_onDemand)
            if (const std::shared_ptr<OnDemandPages> pages = weak.lock()) {
                try {
                    for (std::size_t i = 0; i < pages->checkpoints.size(); ++i)
                        pages->held.push_back(remake(*pages, i));
                } catch (...) {
                    // What could not be made again is left out rather than thrown from here.
                }
                pages->run = nullptr;
            }
        for (OpenView& v : m_views)
            if (v.connection)
                v.connection->restore();
    }

    void showMessage(const QString& text) override
    {
        if (m_hooks.message)
            m_hooks.message(text);
    }

    std::optional<PageDescription> generateOnDemand(int startLabel)
    {
        auto pages = std::make_shared<OnDemandPages>(this);
        pages->builder = std::make_unique<PageBuilder>(pages->tables, *this);
        const PageSink drop = [](const PageDescription&, const Page&) {};
        m_checkpoints = &pages->checkpoints;
        struct Done
        {
            Run& run;
            ~Done() { run.m_checkpoints = nullptr; }
        } done{*this};
        if (!generate(startLabel, &drop, &pages->tables, pages->builder.get()))
            return std::nullopt;
        // The tables go to the result. Made again, a page finds every font, symbol and picture it
        // draws already there, and looks only at a symbol's size and error: the run keeps those.
        PageDescription doc = std::move(pages->tables);
        PageDescription& kept = pages->tables;   // the builder's, emptied by the move
        kept = PageDescription{};
        kept.fonts = doc.fonts;
        kept.images = doc.images;
        kept.symbols.reserve(doc.symbols.size());
        for (const Symbol& symbol : doc.symbols) {
            Symbol& k = kept.symbols.emplace_back();
            k.widthPt = symbol.widthPt;
            k.heightPt = symbol.heightPt;
            k.captionFont = symbol.captionFont;
            k.error = symbol.error;
        }
        doc.pages = PageList(std::shared_ptr<const PageSource>(pages));
        m_onDemand.push_back(pages);
        return doc;
    }

    /// Page `index` of `pages` made again; the run's own cursor and targets are left as found,
    /// as a preview may ask while another layout of the run is under way.
    Page remake(OnDemandPages& pages, std::size_t index)
    {
        const Checkpoint at = pages.checkpoints.at(index);
        const PageDef& def = resolvePage(report().pages.at(at.entry));
        OpenView* v = def.region ? view(def.region->view) : nullptr;
        struct Restore
        {
            Run& run;
            OpenView* v;
            PageDescription* doc = run.m_doc;
            PageBuilder* builder = run.m_builder;
            const PageSink* sink = run.m_sink;
            bool keep = run.m_keep, remaking = run.m_remaking;
            int position = v ? v->connection->position() : -1;
            bool hasRow = v && v->hasRow;
            ~Restore()
            {
                run.m_doc = doc;
                run.m_builder = builder;
                run.m_sink = sink;
                run.m_keep = keep;
                run.m_remaking = remaking;
                if (v) {
                    if (hasRow)
                        v->connection->moveTo(position);
                    v->hasRow = hasRow;
                    v->fetch();
                }
            }
        } restore{*this, v};
        m_doc = &pages.tables;
        m_builder = pages.builder.get();
        m_sink = nullptr;
        m_keep = true;
        m_remaking = true;
        const std::array<std::size_t, 3> sizes{pages.tables.fonts.size(), pages.tables.symbols.size(), pages.tables.images.size()};
        m_builder->setDpi(at.dpi);
        m_doc->pages.clear();
        m_doc->pages.push_back(Page{def.width.pt(), def.height.pt(), {}});
        if (v) {
            v->hasRow = at.row >= 0 && v->connection->moveTo(at.row);
            v->fetch();
        }
        drawPage(def, v, at.firstSlot);
        Page page = std::move(m_doc->pages.back());
        m_doc->pages.clear();
        if (sizes != std::array<std::size_t, 3>{pages.tables.fonts.size(), pages.tables.symbols.size(), pages.tables.images.size()})
            throw Failure(QStringLiteral("Page %1 came out differently when it was made again: the data it shows changed.").arg(index + 1));
        return page;
    }

    std::optional<PageDescription> generate(int startLabel, const PageSink* sink)
    {
        PageDescription doc;
        PageBuilder builder(doc, *this);
        if (!generate(startLabel, sink, &doc, &builder))
            return std::nullopt;
        return doc;
    }

    /// Lays the run out into `doc` through `builder`; false when a hook stopped it.
    bool generate(int startLabel, const PageSink* sink, PageDescription* doc, PageBuilder* builder)
    {
        if (!m_viewsOpen) {
            openViews();
            m_viewsOpen = true;
        }
        m_doc = doc;
        m_builder = builder;
        m_sink = sink;
        m_printSet = false;
        m_symbolsHanded = 0;
        struct Done
        {
            Run& run;
            ~Done()
            {
                run.m_doc = nullptr;
                run.m_builder = nullptr;
                run.m_sink = nullptr;
            }
        } done{*this};
        if (!layOut(startLabel))
            return false;
        handOver();
        return true;
    }

    int pagesMade() const { return m_pageNumber; }
    std::int64_t labelsPerPage() const { return firstRegionLabels(m_def, report()); }

    int connectionWaits = 600;
    bool symbolDrawingsKept = true;

private:
    const ReportDef& report() const { return m_def.reports.front(); }

    const PageDef& resolvePage(const PageEntry& entry) const
    {
        if (const PageDef* page = entryPage(m_def, entry))
            return *page;
        throw Failure(QStringLiteral("The report \"%1\" uses the shared page \"%2\", which the definition does not hold.")
                          .arg(report().name, std::get<QString>(entry.page)));
    }

    OpenView* view(const QString& name)
    {
        for (OpenView& v : m_views)
            if (v.def->name.compare(name, Qt::CaseInsensitive) == 0)
                return &v;
        return nullptr;
    }

    DataSetConnection* waitForConnection(const QString& name)
    {
        DataSetConnection* c = findConnection(m_connections, name);
        for (int i = 0; !c && i < connectionWaits; ++i) {
            if (m_hooks.wait) {
                if (!m_hooks.wait(100))
                    throw SilentAbort();
            } else {
                QThread::msleep(100);
            }
            c = findConnection(m_connections, name);
        }
        if (!c) {
            if (m_hooks.error)
                m_hooks.error(QStringLiteral("Error!  Could not open data connection \"%1\".  Aborting report.").arg(name));
            throw SilentAbort();
        }
        return c;
    }

    void openViews()
    {
        for (const PageEntry& entry : report().pages) {
            const PageDef& page = resolvePage(entry);
            if (!page.region || view(page.region->view))
                continue;
            const DataViewDef* def = nullptr;
            for (const DataViewDef& d : m_def.views)
                if (d.name.compare(page.region->view, Qt::CaseInsensitive) == 0)
                    def = &d;
            if (!def)
                throw Failure(QStringLiteral("The report \"%1\" prints the data view \"%2\", which the definition does not hold.")
                                  .arg(report().name, page.region->view));
            OpenView v;
            v.def = def;
            v.connection = waitForConnection(def->connection);
            m_views.push_back(std::move(v));
            OpenView& open = m_views.back();
            open.connection->open();
            const std::vector<ConnectionField> offered = open.connection->fieldList();
            QHash<QString, int> positions;
            for (std::size_t i = 0; i < offered.size(); ++i)
                positions.insert(offered[i].name.toLower(), static_cast<int>(i));
            if (def->fields.empty()) {
                open.fields = positions;
                continue;
            }
            // A declared type that differs from the offered one leaves the view without fields.
            QHash<QString, int> declared;
            bool matches = true;
            for (const auto& [name, type] : def->fields) {
                auto it = positions.find(name.toLower());
                if (it == positions.end() || offered[static_cast<std::size_t>(*it)].type != type) {
                    matches = false;
                    break;
                }
                declared.insert(name.toLower(), *it);
            }
            if (matches)
                open.fields = std::move(declared);
        }
    }

    QString resolve(Source source, const QString& value, const OpenView* v) const
    {
        switch (source) {
        case Source::Literal:
            return value;
        case Source::Parameter:
            return parameterValue(m_params, value);
        case Source::Field:
            return v ? v->value(value) : QString();
        }
        return {};
    }

    /// Starts page number m_pageNumber + 1; false once stopped. Pages outside the kept range
    /// are generated without being stored.
    bool beginPage(const PageDef& def, Checkpoint at)
    {
        ++m_pageNumber;
        QString status = m_system.filerStatusFormat;
        status.replace(QStringLiteral("%p"), QString::number(m_pageNumber));
        if (m_hooks.pageBegun && !m_hooks.pageBegun(status))
            return false;
        m_keep = m_pageNumber >= m_system.firstPage && m_pageNumber <= m_system.lastPage;
        at.dpi = layoutDpi(def.print.quality, m_system.deviceDpi);
        m_builder->setDpi(at.dpi);
        if (m_keep) {
            if (m_checkpoints)
                m_checkpoints->push_back(at);
            handOver();
            if (!m_printSet)
                m_doc->print = def.print;
            m_printSet = true;
            m_doc->pages.push_back(Page{def.width.pt(), def.height.pt(), {}});
        }
        return true;
    }

    /// Gives a sink the page last begun, now complete.
    void handOver()
    {
        if (!m_sink || m_doc->pages.empty())
            return;
        const Page page = std::move(m_doc->pages.back());
        m_doc->pages.clear();
        (*m_sink)(*m_doc, page);
        // generateOnDemand's own sink drops every page, and its result keeps the drawings.
        if (!symbolDrawingsKept && !m_checkpoints) {
            for (std::size_t i = m_symbolsHanded; i < m_doc->symbols.size(); ++i) {
                Symbol& s = m_doc->symbols[i];
                std::vector<Symbol::Bar>().swap(s.bars);
                std::vector<Symbol::Caption>().swap(s.captions);
            }
            m_symbolsHanded = m_doc->symbols.size();
        }
    }

    bool drawItems(const std::vector<ItemDef>& items, Length ox, Length oy, const OpenView* v)
    {
        if (!m_keep) {
            for (std::size_t i = 0; i < items.size(); ++i)
                if (!goOn())
                    return false;
            return true;
        }
        const auto resolver = [&](Source s, const QString& value) { return resolve(s, value, v); };
        for (const ItemDef& item : items) {
            m_builder->draw(m_doc->pages.back(), item, ox, oy, resolver);
            if (!goOn())
                return false;
        }
        return true;
    }

    bool goOn() { return m_remaking || !m_hooks.poll || m_hooks.poll(); }

    /// Draws a begun page's own items and, on a region's page, its labels from the view's
    /// current row on, from `firstSlot`; leaves the view on the first row not drawn. False once
    /// stopped.
    bool drawPage(const PageDef& page, OpenView* v, std::int64_t firstSlot)
    {
        const Length ox = page.marginLeft, oy = page.marginTop;
        if (!drawItems(page.items, ox, oy, v))
            return false;
        if (!page.region)
            return true;
        const RegionDef& region = *page.region;
        const std::int64_t perPage = std::int64_t{region.rows} * region.columns;
        for (std::int64_t slot = firstSlot; slot < perPage && v->hasRow; ++slot) {
            const LabelPlacement at = placeLabel(region, slot);
            if (!drawItems(region.items, ox + at.x, oy + at.y, v))
                return false;
            v->hasRow = v->connection->next();
            v->fetch();
        }
        return true;
    }

    bool layOut(int startLabel)
    {
        m_doc->title = m_system.printerTitle;
        m_builder->setScale(m_system);
        m_pageNumber = 0;
        bool firstRegion = true;
        for (std::uint32_t entry = 0; entry < report().pages.size(); ++entry) {
            const PageDef& page = resolvePage(report().pages[entry]);
            if (!page.region) {
                if (!beginPage(page, Checkpoint{entry}) || !drawPage(page, nullptr, 0))
                    return false;
                continue;
            }
            const RegionDef& region = *page.region;
            OpenView* v = view(region.view);
            v->hasRow = v->connection->first();
            v->fetch();
            // A partly used sheet: the run's first labels go past the slots already used.
            std::int64_t firstSlot = firstRegion ? skippedSlots(region, startLabel) : 0;
            firstRegion = false;
            do {
                const Checkpoint at{entry, v->hasRow ? v->connection->position() : -1, static_cast<std::int32_t>(firstSlot)};
                if (!beginPage(page, at) || !drawPage(page, v, std::exchange(firstSlot, 0)))
                    return false;
            } while (v->hasRow);
        }
        return true;
    }

    Definition m_def;
    Parameters m_params;
    const std::vector<DataSetConnection*>& m_connections;
    const ReportSystem& m_system;
    LayoutHooks m_hooks;
    std::vector<OpenView> m_views;
    bool m_viewsOpen = false;
    PageDescription* m_doc = nullptr;     // being generated
    PageBuilder* m_builder = nullptr;     // stores its fonts, symbols and images
    const PageSink* m_sink = nullptr;     // takes each page once complete; none: pages are kept
    bool m_printSet = false;
    bool m_remaking = false;              // a page made again: no hooks are called
    std::vector<Checkpoint>* m_checkpoints = nullptr;   // of the kept pages, for generateOnDemand
    std::vector<std::weak_ptr<OnDemandPages>> m_onDemand;
    std::size_t m_symbolsHanded = 0;      // symbols whose drawings a sink has seen
    bool m_keep = false;
    int m_pageNumber = 0;
};

Page OnDemandPages::page(std::size_t index) const
{
    if (!run)
        return held.at(index);
    return run->remake(const_cast<OnDemandPages&>(*this), index);
}

PageGenerator::PageGenerator(Definition working, Parameters params, const std::vector<DataSetConnection*>& connections,
                             const ReportSystem& system, LayoutHooks hooks)
    : m_run(std::make_unique<Run>(std::move(working), std::move(params), connections, system, std::move(hooks)))
{
}

PageGenerator::~PageGenerator() = default;

void PageGenerator::setConnectionWaits(int count) { m_run->connectionWaits = count; }

void PageGenerator::setSymbolDrawingsKept(bool kept) { m_run->symbolDrawingsKept = kept; }

std::optional<PageDescription> PageGenerator::generate(int startLabel) { return m_run->generate(startLabel, nullptr); }

std::optional<PageDescription> PageGenerator::generateOnDemand(int startLabel) { return m_run->generateOnDemand(startLabel); }

std::optional<PageDescription> PageGenerator::generate(int startLabel, const PageSink& sink)
{
    return m_run->generate(startLabel, &sink);
}

int PageGenerator::pagesMade() const { return m_run->pagesMade(); }

std::int64_t PageGenerator::labelsPerPage() const { return m_run->labelsPerPage(); }

} // namespace quorvel::report
