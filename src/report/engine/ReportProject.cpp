#include "report/engine/ReportProject.h"

#include "report/engine/DataLock.h"
#include "report/engine/DataSetConnection.h"
#include "report/engine/DefinitionReader.h"
#include "report/engine/EngineUi.h"
#include "report/engine/LabelGrid.h"
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
/// system shows one), and the preview's relayouts from another start slot.
class PreviewedRun
{
public:
    PreviewedRun(PageGenerator& generator, ReportSystem& system, EngineUi& ui)
        : m_generator(generator), m_system(system), m_ui(ui)
    {
    }
    ~PreviewedRun() { closeStatus(); }
    PreviewedRun(const PreviewedRun&) = delete;
    PreviewedRun& operator=(const PreviewedRun&) = delete;

    /// Lays the run out with its first label in slot `startLabel`; empty after Cancel.
    std::optional<PageDescription> generate(int startLabel)
    {
        struct CloseStatus
        {
            PreviewedRun* run;
            ~CloseStatus() { run->closeStatus(); }
        } closeStatus{this};
        if (m_system.showStatus) {
            m_ui.beginGeneration(m_system);
            m_statusOpen = true;
        }
        // The preview asks for its pages as it shows, prints or saves them: a run holds where
        // each page starts, not what every page draws.
        return m_generator.generateOnDemand(startLabel);
    }

    void preview(PageDescription pages)
    {
        m_shown = std::make_unique<PageDescription>(std::move(pages));
        Relayout relayout;
        relayout.labelsPerPage = m_generator.labelsPerPage();
        relayout.relay = [this](int startLabel) -> const PageDescription& { return relay(startLabel); };
        m_ui.preview(*m_shown, m_system, relayout);
    }

private:
    void closeStatus()
    {
        if (m_statusOpen)
            m_ui.endGeneration();
        m_statusOpen = false;
    }

    /// The preview's start box: the pages again, the first label in another slot. A cancelled
    /// generation keeps what was shown.
    const PageDescription& relay(int startLabel)
    {
        const int before = m_system.startLabel;
        m_system.startLabel = startLabel;
        std::optional<PageDescription> pages;
        try {
            pages = generate(startLabel);
        } catch (...) {
            m_system.startLabel = before;
            throw;
        }
        if (!pages) {
            m_system.startLabel = before;
            return *m_shown;
        }
        // Pages past the kept range would be lost without a word: the layout shown stays.
        if (m_generator.pagesMade() > m_system.lastPage) {
            m_system.startLabel = before;
            throw Failure(QStringLiteral("Starting at label %1 makes %2 pages, more than the %3 pages a run keeps.")
                              .arg(startLabel)
                              .arg(m_generator.pagesMade())
                              .arg(m_system.lastPage));
        }
        m_previous = std::move(m_shown);
        m_shown = std::make_unique<PageDescription>(std::move(*pages));
        return *m_shown;
    }

    PageGenerator& m_generator;
    ReportSystem& m_system;
    EngineUi& m_ui;
    std::unique_ptr<PageDescription> m_shown;      // in the preview
    std::unique_ptr<PageDescription> m_previous;   // shown before the last relay, kept for the view
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

Definition ReportProject::workingCopy() const
{
    const ReportDef* active = activeReport();
    if (!active)
        throw Failure(QStringLiteral("The report definition %1 holds no report to run.")
                          .arg(quotedPath(QFileInfo(QString(m_projectFile).replace(u'\\', u'/')).absoluteFilePath())));
    Definition working;
    working.views = m_definition->views;
    working.sharedPages = m_definition->sharedPages;
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
    PageGenerator generator(std::move(working), m_params, m_connections, m_engine, uiHooks(m_ui));
    generator.setConnectionWaits(m_connectionWaits);
    PreviewedRun run(generator, m_engine, m_ui);
    std::optional<PageDescription> pages = run.generate(m_engine.startLabel);
    if (!pages || m_ui.abandoned())
        return;
    // The definition's copies are where this run's copies start; the output options may
    // still change them, and what they write back holds until the next run seeds again.
    if (pages->print.copies > 0)
        m_engine.copies = pages->print.copies;
    run.preview(std::move(*pages));
}

} // namespace quorvel::report
