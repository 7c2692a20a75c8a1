#include "QueuePrint.h"

#include "BatchTables.h"
#include "BatchUi.h"

#include "labels/ImportTable.h"
#include "labels/PrintTable.h"
#include "printrun/PrintRun.h"
#include "report/cups/CupsDevice.h"
#include "report/cups/PrintDevice.h"
#include "report/engine/DataSetConnection.h"
#include "report/engine/PageDescription.h"
#include "report/engine/PageSink.h"
#include "report/engine/ReportProject.h"
#include "report/engine/ReportSystem.h"
#include "table/Failure.h"

#include <QDate>

#include <limits>

namespace quorvel::batch {

namespace {

/// Counts the pages on their way to the job.
class CountedPages final : public report::PageSink
{
public:
    explicit CountedPages(report::PageSink& next) : m_next(next) {}
    void begin(const report::PageDescription& doc) override { m_next.begin(doc); }
    void add(const report::PageDescription& doc, const report::Page& page) override
    {
        m_next.add(doc, page);
        ++m_pages;
    }
    void commit() override { m_next.commit(); }
    void abandon() noexcept override { m_next.abandon(); }
    std::size_t pages() const { return m_pages; }

private:
    report::PageSink& m_next;
    std::size_t m_pages = 0;
};

} // namespace

QueueResult printToQueue(const QStringList& files, const QueuePrint& job)
{
    report::CupsDevice device(job.queue);
    device.checkReady();

    auto importTable = labels::makeImportTable();
    auto printTable = labels::makePrintTable();
    if (const QString stop = importStop(files, *importTable); !stop.isEmpty())
        throw Failure(stop.trimmed());

    report::ReportSystem system;
    system.startLabel = job.startLabel;
    if (job.allPages)
        system.lastPage = std::numeric_limits<int>::max();
    // Bar codes go on the queue's dot grid, as the window lays them out for its printer.
    system.deviceDpi = report::queueResolution(job.queue);
    const auto connection = printrun::makeConnection(*printTable);
    BatchUi ui;
    ui.setLockWait(job.lockWaitS);
    report::ReportProject project(system, ui);
    project.setConnections({connection.get()});
    project.setConnectionWaits(0);
    printrun::PrintRun run(*importTable, *printTable, job.definition, project);
    run.checkLabels();
    run.checkPages(system);
    run.expand();

    const auto sink = report::copiesJob(device, job.jobName, job.copies);
    CountedPages counted(*sink);
    if (!run.write(QString(), QDate::currentDate(), counted))
        throw Failure(QStringLiteral("Unable to gain control of the Report Data Communication System."));
    return {device.jobIds(), counted.pages(), printTable->rowCount()};
}

} // namespace quorvel::batch
