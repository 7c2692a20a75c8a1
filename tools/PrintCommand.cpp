// quorvel-batch print: the window's print run without a window. Imports the label files, then
// checks, expands and prepares the report as the print button does, and writes the pages the
// preview would show as PNG files and, on request, as a PDF or snapshot file.
#include "BatchTables.h"
#include "BatchUi.h"
#include "CheckReport.h"
#include "Command.h"
#include "Options.h"
#include "PageFiles.h"
#include "QueuePrint.h"

#include "labels/ImportTable.h"
#include "labels/PrintTable.h"
#include "printrun/Preflight.h"
#include "printrun/PrintRun.h"
#include "report/engine/DataSetConnection.h"
#include "report/engine/PageDescription.h"
#include "report/engine/PageSink.h"
#include "report/engine/ReportProject.h"
#include "report/engine/ReportSystem.h"

#include <QDate>

#include <cstdio>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

namespace quorvel::batch {
namespace {

int runPrint(const QStringList& args)
{
    QStringList files;
    QString pngDir, definition, output, printer;
    double dpi = 203;
    int startLabel = 1, copies = 0, lockWait = 0;
    bool allPages = false, allowErrorBoxes = false;
    Options options(printCommand);
    options.pageOutputs(pngDir, output, dpi, &printer, &copies);
    options.lockWait(lockWait);
    options.text("--definition", definition);
    options.wholeNumber("--start", startLabel, 1);
    options.flag("--all-pages", allPages);
    options.flag("--allow-error-boxes", allowErrorBoxes);
    options.operands(files, "label file", true);
    if (!options.parse(args))
        return 2;
    if (definition.isEmpty())
        definition = defaultDefinition();

    // The window asks before it prints a label with an error box; nobody is here to answer.
    if (!allowErrorBoxes) {
        if (const QString rows = errorBoxRows(files, definition); !rows.isEmpty()) {
            std::fprintf(stderr, "%squorvel-batch print: labels of these rows would print an error box; "
                                 "--allow-error-boxes prints them anyway\n",
                         rows.toUtf8().constData());
            return 1;
        }
    }

    if (!printer.isEmpty()) {
        QueuePrint job;
        job.queue = printer;
        job.definition = definition;
        job.copies = copies;
        job.lockWaitS = lockWait;
        job.startLabel = startLabel;
        job.allPages = allPages;
        const QueueResult result = printToQueue(files, job);
        std::printf("%zu page(s), %d label(s)\n", result.pages, result.labels);
        for (const int id : result.jobIds)
            std::printf("job %s-%d\n", printer.toUtf8().constData(), id);
        return 0;
    }

    auto importTable = labels::makeImportTable();
    auto printTable = labels::makePrintTable();
    if (importFiles(files, *importTable) != 0)
        return 1;

    report::ReportSystem system;
    system.startLabel = startLabel;
    // The preview keeps the engine's page limit; with --all-pages nothing previews, so every page
    // reaches the files.
    if (allPages)
        system.lastPage = std::numeric_limits<int>::max();
    const auto connection = printrun::makeConnection(*printTable);
    BatchUi ui;
    ui.setLockWait(lockWait);
    report::ReportProject project(system, ui);
    project.setConnections({connection.get()});
    project.setConnectionWaits(0);   // nothing else could offer a connection to a batch run
    printrun::PrintRun run(*importTable, *printTable, definition, project);
    run.checkLabels();
    run.checkPages(system);
    run.expand();

    // Each page goes to its files as soon as it is laid out, so a run of any size holds one page.
    PageFiles pageFiles(pngDir, dpi, output);
    if (!run.write(QString(), QDate::currentDate(), pageFiles)) {
        std::fprintf(stderr, "Unable to gain control of the Report Data Communication System.\n");
        return 1;
    }
    std::printf("%zu page(s), %d label(s)\n", pageFiles.pages(), printTable->rowCount());
    return 0;
}

} // namespace

const Command printCommand{
    "print",
    "print FILE... [--png DIR] [-o OUT.pdf|OUT.ndr] [--printer QUEUE] [--copies N] [--definition PATH] [--dpi N] [--start N] [--all-pages] [--allow-error-boxes] [--wait SECONDS]",
    "Imports like list, then checks, expands and runs the report definition (default: the one\n"
    "      beside the program) as the window's print button does, without a window: one PNG per\n"
    "      page in DIR, and a PDF or snapshot file with -o; or the pages printed on the CUPS queue\n"
    "      as the preview's Print sends them, N copies (default: the definition's), one line\n"
    "      \"job QUEUE-ID\" per CUPS job. --start N leaves the first N-1 labels of page 1 blank (a\n"
    "      partly used sheet). A run of more than 9,999 pages is refused unless --all-pages, which\n"
    "      writes every page. --wait waits up to SECONDS for the data-communication lock while\n"
    "      another run holds it, in 5-second attempts. A run whose labels would print a bar-code\n"
    "      error box is refused, naming the rows as check does, unless --allow-error-boxes.",
    true,
    runPrint,
};

} // namespace quorvel::batch
