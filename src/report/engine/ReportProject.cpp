#include "report/engine/ReportProject.h"

#include "report/engine/DataLock.h"
#include "report/engine/DataSetConnection.h"
#include "report/engine/DefinitionReader.h"
#include "report/engine/DeviceGrid.h"
#include "report/engine/EngineUi.h"
#include "report/engine/LabelGrid.h"
#include "report/engine/PageBuilder.h"
#include "report/engine/ReportSystem.h"
#include "table/Failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <utility>

namespace quorvel::report {

namespace {

QString quotedPath(const QString& path)
{
    return QLatin1Char('"') + QDir::toNativeSeparators(path) + QLatin1Char('"');
}

int findParam(const ReportProject::Parameters& params, const QString& name)
{
    for (std::size_t i = 0; i < params.size(); ++i)
        if (params[i].first.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

void setIn(ReportProject::Parameters& params, const QString& name, const QString& value)
{
    int i = findParam(params, name);
    if (value.isEmpty()) {
        if (i >= 0)
            params.erase(params.begin() + i);
    } else if (i >= 0) {
        params[static_cast<std::size_t>(i)].second = value;
    } else {
        params.emplace_back(name, value);
    }
}

/// The page a report's entry stands for: its own, or the shared page it names (compared without
/// regard to case); null when the definition holds no shared page of that name.
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

/// Labels a page of the report's first label region holds; 0 without one.
std::int64_t firstRegionLabels(const Definition& def, const ReportDef& report)
{
    for (const PageEntry& entry : report.pages)
        if (const PageDef* page = entryPage(def, entry); page && page->region)
            return labelsPerPage(*page->region);
    return 0;
}

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

class Run
{
public:
    /// `working` holds exactly the report to run.
    Run(Definition working, ReportProject::Parameters params, ReportSystem& system, EngineUi& ui, int connectionWaits)
        : m_def(std::move(working)), m_report(m_def.reports.front()), m_params(std::move(params)), m_system(system), m_ui(ui),
          m_connectionWaits(connectionWaits)
    {
    }

    ~Run()
    {
        // The ending steps happen on every way out: data views restored, status window closed.
        for (OpenView& v : m_views)
            if (v.connection)
                v.connection->restore();
        if (m_generating)
            m_ui.endGeneration();
    }

    void execute()
    {
        m_ui.beginGeneration(m_system);
        m_generating = true;
        openViews();
        const bool completed = generate();
        m_ui.endGeneration();
        m_generating = false;
        if (!completed || m_ui.abandoned())
            return;
        m_shown = std::move(m_pages);
        // The definition's copies are where this run's copies start; the output options may
        // still change them, and what they write back holds until the next run seeds again.
        if (m_shown->doc.print.copies > 0)
            m_system.copies = m_shown->doc.print.copies;
        Relayout relayout;
        relayout.labelsPerPage = firstRegionLabels(m_def, m_report);
        relayout.relay = [this](int startLabel) -> const PageDescription& { return relay(startLabel); };
        m_ui.preview(m_shown->doc, m_system, relayout);
    }

private:
    /// A document being generated, with the builder that stores its fonts and symbols.
    struct Pages
    {
        explicit Pages(EngineUi& ui) : builder(doc, ui) {}
        PageDescription doc;
        PageBuilder builder;
    };

    /// The preview's start box: the pages again, the first label in another slot. A cancelled
    /// generation keeps what was shown.
    const PageDescription& relay(int startLabel)
    {
        const int before = m_system.startLabel;
        m_system.startLabel = startLabel;
        m_ui.beginGeneration(m_system);
        m_generating = true;
        bool completed = false;
        try {
            completed = generate();
        } catch (...) {
            m_system.startLabel = before;
            throw;
        }
        m_ui.endGeneration();
        m_generating = false;
        if (!completed) {
            m_system.startLabel = before;
            return m_shown->doc;
        }
        // Pages past the kept range would be lost without a word: the layout shown stays.
        if (m_pageNumber > m_system.lastPage) {
            m_system.startLabel = before;
            m_pages.reset();
            throw Failure(QStringLiteral("Starting at label %1 makes %2 pages, more than the %3 pages a run keeps.")
                              .arg(startLabel)
                              .arg(m_pageNumber)
                              .arg(m_system.lastPage));
        }
        m_previous = std::move(m_shown);
        m_shown = std::move(m_pages);
        return m_shown->doc;
    }

    const PageDef& resolvePage(const PageEntry& entry) const
    {
        if (const PageDef* page = entryPage(m_def, entry))
            return *page;
        throw Failure(QStringLiteral("The report \"%1\" uses the shared page \"%2\", which the definition does not hold.")
                          .arg(m_report.name, std::get<QString>(entry.page)));
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
        DataSetConnection* c = DataSetConnection::find(name);
        for (int i = 0; !c && i < m_connectionWaits && !m_ui.abandoned(); ++i) {
            m_ui.wait(100);
            c = DataSetConnection::find(name);
        }
        if (!c && m_ui.abandoned())
            throw SilentAbort();
        if (!c) {
            m_ui.showError(QStringLiteral("Error!  Could not open data connection \"%1\".  Aborting report.").arg(name));
            throw SilentAbort();
        }
        return c;
    }

    void openViews()
    {
        for (const PageEntry& entry : m_report.pages) {
            const PageDef& page = resolvePage(entry);
            if (!page.region || view(page.region->view))
                continue;
            const DataViewDef* def = nullptr;
            for (const DataViewDef& d : m_def.views)
                if (d.name.compare(page.region->view, Qt::CaseInsensitive) == 0)
                    def = &d;
            if (!def)
                throw Failure(QStringLiteral("The report \"%1\" prints the data view \"%2\", which the definition does not hold.")
                                  .arg(m_report.name, page.region->view));
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
        case Source::Parameter: {
            int i = findParam(m_params, value);
            return i < 0 ? QString() : m_params[static_cast<std::size_t>(i)].second;
        }
        case Source::Field:
            return v ? v->value(value) : QString();
        }
        return {};
    }

    /// Starts page number m_pageNumber + 1; false once cancelled. Pages outside the kept range
    /// are generated without being stored.
    bool beginPage(const PageDef& def)
    {
        ++m_pageNumber;
        QString status = m_system.filerStatusFormat;
        status.replace(QStringLiteral("%p"), QString::number(m_pageNumber));
        if (!m_ui.setStatus(status) || m_ui.abandoned())
            return false;
        m_keep = m_pageNumber >= m_system.firstPage && m_pageNumber <= m_system.lastPage;
        m_pages->builder.setDpi(layoutDpi(def.print.quality, m_system.deviceDpi));
        if (m_keep) {
            PageDescription& doc = m_pages->doc;
            if (doc.pages.empty())
                doc.print = def.print;
            doc.pages.push_back(Page{def.width.pt(), def.height.pt(), {}});
        }
        return true;
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
            m_pages->builder.draw(m_pages->doc.pages.back(), item, ox, oy, resolver);
            if (!goOn())
                return false;
        }
        return true;
    }

    /// Lets the GUI in; false once the operator cancelled or the run was abandoned.
    bool goOn() { return m_ui.poll() && !m_ui.abandoned(); }

    bool generate()
    {
        m_pages = std::make_unique<Pages>(m_ui);
        m_pages->doc.title = m_system.printerTitle;
        m_pages->builder.setScale(m_system);
        m_pageNumber = 0;
        bool firstRegion = true;
        for (const PageEntry& entry : m_report.pages) {
            const PageDef& page = resolvePage(entry);
            const Length ox = page.marginLeft, oy = page.marginTop;
            if (!page.region) {
                if (!beginPage(page) || !drawItems(page.items, ox, oy, nullptr))
                    return false;
                continue;
            }
            const RegionDef& region = *page.region;
            OpenView* v = view(region.view);
            v->hasRow = v->connection->first();
            v->fetch();
            const std::int64_t perPage = std::int64_t{region.rows} * region.columns;
            // A partly used sheet: the run's first labels go past the slots already used.
            std::int64_t firstSlot = firstRegion ? skippedSlots(region, m_system.startLabel) : 0;
            firstRegion = false;
            do {
                if (!beginPage(page) || !drawItems(page.items, ox, oy, v))
                    return false;
                for (std::int64_t slot = std::exchange(firstSlot, 0); slot < perPage && v->hasRow; ++slot) {
                    const LabelPlacement at = placeLabel(region, slot);
                    if (!drawItems(region.items, ox + at.x, oy + at.y, v))
                        return false;
                    v->hasRow = v->connection->next();
                    v->fetch();
                }
            } while (v->hasRow);
        }
        return true;
    }

    Definition m_def;
    const ReportDef& m_report;
    ReportProject::Parameters m_params;
    ReportSystem& m_system;
    EngineUi& m_ui;
    int m_connectionWaits;
    std::unique_ptr<Pages> m_pages;      // being generated
    std::unique_ptr<Pages> m_shown;      // in the preview
    std::unique_ptr<Pages> m_previous;   // shown before the last relay, kept for the view
    std::vector<OpenView> m_views;
    bool m_generating = false;
    bool m_keep = false;
    int m_pageNumber = 0;
};

} // namespace

QString dateParameter(const QDate& date, const QLocale& locale)
{
    QString separator = QStringLiteral("/");
    for (QChar c : locale.dateFormat(QLocale::ShortFormat))
        if (!c.isLetter()) {
            separator = c;
            break;
        }
    return date.toString(QStringLiteral("MM")) + separator + date.toString(QStringLiteral("yy"));
}

ReportProject::ReportProject(ReportSystem& engine, EngineUi& ui) : m_engine(engine), m_ui(ui) {}

ReportProject::~ReportProject() = default;

void ReportProject::close()
{
    m_definition.reset();
    m_active = -1;
}

void ReportProject::setProjectFile(const QString& name)
{
    m_projectFile = name;
    if (!name.isEmpty() && !name.contains(u'.'))
        m_projectFile += QStringLiteral(".rav");
}

void ReportProject::setParam(const QString& name, const QString& value)
{
    setIn(m_params, name, value);
}

QString ReportProject::param(const QString& name) const
{
    int i = findParam(m_params, name);
    return i < 0 ? QString() : m_params[static_cast<std::size_t>(i)].second;
}

void ReportProject::open()
{
    if (isOpen())
        return;
    QString name = m_projectFile;
    name.replace(u'\\', u'/');
    const QString path = name.isEmpty() ? QString() : QFileInfo(name).absoluteFilePath();
    if (path.isEmpty() || !QFileInfo::exists(path))
        throw Failure(QStringLiteral("The following reporting project does not exist:\r") + quotedPath(path));
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Cannot open file %1. %2")
                          .arg(quotedPath(path), QFileInfo(path).isDir() ? QStringLiteral("Is a directory") : file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Failure(QStringLiteral("Cannot open file %1. %2").arg(quotedPath(path), file.errorString()));
    auto def = std::make_unique<Definition>(readDefinition(bytes, path, m_ui));
    for (const auto& [pname, value] : def->parameters)
        setIn(m_params, pname, value);
    m_active = def->reports.empty() ? -1 : 0;
    for (std::size_t i = 0; i < def->reports.size(); ++i)
        if (def->reports[i].name.compare(def->lastActiveReport, Qt::CaseInsensitive) == 0) {
            m_active = static_cast<int>(i);
            break;
        }
    m_definition = std::move(def);
}

const ReportDef* ReportProject::activeReport() const
{
    if (!m_definition || m_active < 0)
        return nullptr;
    return &m_definition->reports[static_cast<std::size_t>(m_active)];
}

namespace {

/// The pages of a report as they print, shared pages resolved; those the definition lacks left out.
std::vector<const PageDef*> reportPages(const Definition& def, const ReportDef& report)
{
    std::vector<const PageDef*> pages;
    for (const PageEntry& entry : report.pages)
        if (const PageDef* page = entryPage(def, entry))
            pages.push_back(page);
    return pages;
}

} // namespace

std::int64_t ReportProject::pageCount(std::int64_t labels, int startLabel) const
{
    const ReportDef* report = activeReport();
    if (!report)
        return 0;
    std::int64_t pages = 0;
    bool firstRegion = true;
    for (const PageDef* page : reportPages(*m_definition, *report)) {
        if (!page->region) {
            ++pages;
            continue;
        }
        const int skipped = firstRegion ? skippedSlots(*page->region, startLabel) : 0;
        firstRegion = false;
        pages += regionPageCount(*page->region, labels, skipped);
    }
    return pages;
}

std::int64_t ReportProject::labelsPerPage() const
{
    const ReportDef* report = activeReport();
    return report ? firstRegionLabels(*m_definition, *report) : 0;
}

std::vector<BarcodeOptions> ReportProject::fieldBarcodes(const QString& field) const
{
    std::vector<BarcodeOptions> found;
    const ReportDef* report = activeReport();
    if (!report)
        return found;
    const auto collect = [&](const std::vector<ItemDef>& items) {
        for (const ItemDef& item : items)
            if (const auto* b = std::get_if<BarcodeDef>(&item))
                if (b->source == Source::Field && b->value.compare(field, Qt::CaseInsensitive) == 0)
                    found.push_back(b->options);
    };
    for (const PageDef* page : reportPages(*m_definition, *report)) {
        collect(page->items);
        if (page->region)
            collect(page->region->items);
    }
    return found;
}

void ReportProject::execute()
{
    if (m_ui.abandoned())
        return;
    open();
    const ReportDef* active = activeReport();
    if (!active)
        throw Failure(QStringLiteral("The report definition %1 holds no report to run.")
                          .arg(quotedPath(QFileInfo(QString(m_projectFile).replace(u'\\', u'/')).absoluteFilePath())));
    // The run works on copies: nothing it does reaches the loaded definition or the parameters.
    Definition working;
    working.views = m_definition->views;
    working.sharedPages = m_definition->sharedPages;
    working.reports.push_back(*active);
    DataLockHold lock;
    if (!lock.acquire(m_ui, m_lockAttemptMs))
        return;
    // The start slot suits one sheet only: the next run starts at the first slot again.
    struct StartAgain
    {
        ReportSystem& system;
        ~StartAgain() { system.startLabel = 1; }
    } startAgain{m_engine};
    Run run(std::move(working), m_params, m_engine, m_ui, m_connectionWaits);
    run.execute();
}

} // namespace quorvel::report
