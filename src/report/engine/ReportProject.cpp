#include "report/engine/ReportProject.h"

#include "report/engine/DataLock.h"
#include "report/engine/DataSetConnection.h"
#include "report/engine/DefinitionReader.h"
#include "report/engine/EngineUi.h"
#include "report/engine/LabelGrid.h"
#include "report/engine/PageSink.h"
#include "report/engine/ReportSystem.h"
#include "table/Failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>
#include <optional>
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

/// What execute asks of the engine's UI while the layout runs: a run the UI abandons stops at
/// the next page or item, and tells nobody that a connection never came.
LayoutHooks uiHooks(EngineUi& ui)
{
    LayoutHooks hooks;
    hooks.pageBegun = [&ui](const QString& status) { return ui.setStatus(status) && !ui.abandoned(); };
    hooks.poll = [&ui] { return ui.poll() && !ui.abandoned(); };
    hooks.message = [&ui](const QString& text) { ui.showMessage(text); };
    hooks.error = [&ui](const QString& text) {
        if (!ui.abandoned())
            ui.showError(text);
    };
    hooks.wait = [&ui](int ms) {
        if (ui.abandoned())
            return false;
        ui.wait(ms);
        return true;
    };
    return hooks;
}

/// A run as the window sees it: the layout with the status window around it (when the print
/// system shows one), the preview over pages made on demand, and the preview's relayouts from
/// another start slot.
class PreviewedRun
{
public:
    PreviewedRun(Definition working, Parameters params, const std::vector<DataSetConnection*>& connections,
                 ReportSystem& system, EngineUi& ui, int connectionWaits)
        : m_working(std::move(working)), m_params(std::move(params)), m_connections(connections), m_system(system), m_ui(ui),
          m_connectionWaits(connectionWaits)
    {
    }
    ~PreviewedRun() { closeStatus(); }
    PreviewedRun(const PreviewedRun&) = delete;
    PreviewedRun& operator=(const PreviewedRun&) = delete;

    /// Lays the run out with its first label in slot `startLabel`, every page once under the
    /// status window (each distinct code encoded then), and makes it the run shown; false after
    /// Cancel, with the run shown before left as it was.
    bool generate(int startLabel)
    {
        StatusWindow status(*this);
        return generate(layOut(startLabel));
    }

    PageDescription& pages() { return *m_pages; }
    std::int64_t pageCount() const { return m_layout->pageCount(); }

    void preview()
    {
        Relayout relayout;
        relayout.labelsPerPage = m_layout->labelsPerPage();
        relayout.relay = [this](int startLabel) -> const PageDescription& { return relay(startLabel); };
        m_ui.preview(*m_pages, m_system, relayout);
    }

private:
    /// The status window, open while the run is laid out.
    struct StatusWindow
    {
        PreviewedRun& run;
        explicit StatusWindow(PreviewedRun& r) : run(r)
        {
            if (run.m_system.showStatus) {
                run.m_ui.beginGeneration(run.m_system);
                run.m_statusOpen = true;
            }
        }
        ~StatusWindow() { run.closeStatus(); }
    };

    std::unique_ptr<PageLayout> layOut(int startLabel)
    {
        return std::make_unique<PageLayout>(m_working, m_params, m_connections, m_system, startLabel, uiHooks(m_ui),
                                            m_connectionWaits);
    }

    /// Makes every page of `layout` once (each distinct code is encoded then) and makes it the run
    /// shown; false after Cancel, with the run shown before left as it was.
    bool generate(std::unique_ptr<PageLayout> layout)
    {
        DroppedPages counted;
        if (!generatePages(*layout, uiHooks(m_ui), counted))
            return false;
        m_previous = std::move(m_layout);
        m_previousPages = std::move(m_pages);
        m_layout = std::move(layout);
        // The preview asks for its pages as it shows, prints or saves them: the run holds where
        // each page starts, not what every page draws.
        m_pages = std::make_unique<PageDescription>(m_layout->onDemand());
        return true;
    }

    void closeStatus()
    {
        if (m_statusOpen)
            m_ui.endGeneration();
        m_statusOpen = false;
    }

    /// The preview's start box: the pages again, the first label in another slot. A cancelled
    /// generation keeps what was shown; the pages shown before stay valid until the next call.
    const PageDescription& relay(int startLabel)
    {
        std::unique_ptr<PageLayout> layout = layOut(startLabel);
        // Pages past the kept range would be lost without a word: the layout shown stays.
        if (layout->pageCount() > m_system.lastPage)
            throw Failure(QStringLiteral("Starting at label %1 makes %2 pages, more than the %3 pages a run keeps.")
                              .arg(startLabel)
                              .arg(layout->pageCount())
                              .arg(m_system.lastPage));
        StatusWindow status(*this);
        if (generate(std::move(layout)))
            m_system.startLabel = startLabel;
        return *m_pages;
    }

    Definition m_working;
    Parameters m_params;
    const std::vector<DataSetConnection*>& m_connections;
    ReportSystem& m_system;
    EngineUi& m_ui;
    int m_connectionWaits;
    std::unique_ptr<PageLayout> m_layout;               // shown
    std::unique_ptr<PageDescription> m_pages;           // its pages, as the preview reads them
    std::unique_ptr<PageLayout> m_previous;             // shown before the last relay, kept for the view
    std::unique_ptr<PageDescription> m_previousPages;
    bool m_statusOpen = false;
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
    return parameterValue(m_params, name);
}

namespace {

QString fullPath(const QString& projectFile)
{
    QString name = projectFile;
    name.replace(u'\\', u'/');
    return name.isEmpty() ? QString() : QFileInfo(name).absoluteFilePath();
}

/// The messages of a read, kept to be shown when the project opens.
class KeptMessages final : public MessageSink
{
public:
    explicit KeptMessages(QStringList& messages) : m_messages(messages) {}
    void showMessage(const QString& text) override { m_messages.push_back(text); }

private:
    QStringList& m_messages;
};

Definition readAt(const QString& path, MessageSink& messages)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        throw Failure(QStringLiteral("The following reporting project does not exist:\r") + quotedPath(path));
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Cannot open file %1. %2")
                          .arg(quotedPath(path), QFileInfo(path).isDir() ? QStringLiteral("Is a directory") : file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Failure(QStringLiteral("Cannot open file %1. %2").arg(quotedPath(path), file.errorString()));
    return readDefinition(bytes, path, messages);
}

} // namespace

ReportProject::FileRead ReportProject::read(const QString& projectFile)
{
    FileRead file;
    QString name = projectFile;
    if (!name.isEmpty() && !name.contains(u'.'))
        name += QStringLiteral(".rav");
    file.path = fullPath(name);
    KeptMessages messages(file.messages);
    try {
        file.definition = std::make_shared<const Definition>(readAt(file.path, messages));
    } catch (...) {
        file.failure = std::current_exception();
    }
    return file;
}

void ReportProject::open()
{
    if (isOpen())
        return;
    install(std::make_unique<Definition>(readAt(fullPath(m_projectFile), m_ui)));
}

void ReportProject::open(FileRead file)
{
    if (isOpen())
        return;
    if (file.path != fullPath(m_projectFile)) {
        open();
        return;
    }
    for (const QString& message : file.messages)
        m_ui.showMessage(message);
    if (file.failure)
        std::rethrow_exception(file.failure);
    install(std::make_unique<Definition>(*file.definition));
}

void ReportProject::install(std::unique_ptr<Definition> def)
{
    for (const auto& [pname, value] : def->parameters)
        setIn(m_params, pname, value);
    const ReportDef* active = activeReportOf(*def);
    m_active = active ? static_cast<int>(active - def->reports.data()) : -1;
    m_definition = std::move(def);
}

const ReportDef* activeReportOf(const Definition& def)
{
    for (const ReportDef& report : def.reports)
        if (report.name.compare(def.lastActiveReport, Qt::CaseInsensitive) == 0)
            return &report;
    return def.reports.empty() ? nullptr : &def.reports.front();
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

std::int64_t reportPageCount(const Definition& def, const ReportDef& report, std::int64_t labels, int startLabel)
{
    std::int64_t pages = 0;
    bool firstRegion = true;
    for (const PageDef* page : reportPages(def, report)) {
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

std::vector<BarcodeOptions> fieldBarcodes(const Definition& def, const ReportDef& report, const QString& field)
{
    std::vector<BarcodeOptions> found;
    const auto collect = [&](const std::vector<ItemDef>& items) {
        for (const ItemDef& item : items)
            if (const auto* b = std::get_if<BarcodeDef>(&item))
                if (b->source == Source::Field && b->value.compare(field, Qt::CaseInsensitive) == 0)
                    found.push_back(b->options);
    };
    for (const PageDef* page : reportPages(def, report)) {
        collect(page->items);
        if (page->region)
            collect(page->region->items);
    }
    return found;
}

std::int64_t ReportProject::pageCount(std::int64_t labels, int startLabel) const
{
    const ReportDef* report = activeReport();
    return report ? reportPageCount(*m_definition, *report, labels, startLabel) : 0;
}

std::int64_t ReportProject::labelsPerPage() const
{
    const ReportDef* report = activeReport();
    return report ? firstRegionLabels(*m_definition, *report) : 0;
}

std::vector<BarcodeOptions> ReportProject::fieldBarcodes(const QString& field) const
{
    const ReportDef* report = activeReport();
    return report ? report::fieldBarcodes(*m_definition, *report, field) : std::vector<BarcodeOptions>{};
}

Definition ReportProject::workingCopy() const
{
    const ReportDef* active = activeReport();
    if (!active)
        throw Failure(QStringLiteral("The report definition %1 holds no report to run.")
                          .arg(quotedPath(QFileInfo(QString(m_projectFile).replace(u'\\', u'/')).absoluteFilePath())));
    Definition working;
    working.views = m_definition->views;
    working.sharedPages = m_definition->sharedPages;
    working.printers = m_definition->printers;
    working.reports.push_back(*active);
    return working;
}

void ReportProject::execute()
{
    if (m_ui.abandoned())
        return;
    open();
    // The run works on copies: nothing it does reaches the loaded definition or the parameters.
    Definition working = workingCopy();
    DataLockHold lock;
    if (!lock.acquire(m_ui, m_lockAttemptMs))
        return;
    // The start slot suits one sheet only: the next run starts at the first slot again.
    struct StartAgain
    {
        ReportSystem& system;
        ~StartAgain() { system.startLabel = 1; }
    } startAgain{m_engine};
    PreviewedRun run(std::move(working), m_params, m_connections, m_engine, m_ui, m_connectionWaits);
    if (!run.generate(m_engine.startLabel) || m_ui.abandoned())
        return;
    // The definition's copies are where this run's copies start; the output options may
    // still change them, and what they write back holds until the next run seeds again.
    if (run.pages().print.copies > 0)
        m_engine.copies = run.pages().print.copies;
    run.preview();
}

bool ReportProject::write(PageSink& sink)
{
    if (m_ui.abandoned())
        return false;
    open();
    Definition working = workingCopy();
    DataLockHold lock;
    if (!lock.acquire(m_ui, m_lockAttemptMs))
        return false;
    const LayoutHooks hooks = uiHooks(m_ui);
    PageLayout layout(std::move(working), m_params, m_connections, m_engine, m_engine.startLabel, hooks, m_connectionWaits);
    return generatePages(layout, hooks, sink);
}

} // namespace quorvel::report
