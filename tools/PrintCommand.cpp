// quorvel-batch print: the window's print run without a window. Imports the label files, then
// checks, expands and prepares the report as the print button does, and writes the pages the
// preview would show as PNG files and, on request, as a PDF or snapshot file.
#include "BatchTables.h"
#include "BatchUi.h"
#include "Command.h"
#include "Options.h"
#include "PageFiles.h"

#include "labels/ImportTable.h"
#include "labels/PrintTable.h"
#include "printrun/Preflight.h"
#include "printrun/PrintRun.h"
#include "report/engine/DataLock.h"
#include "report/engine/DataSetConnection.h"
#include "report/engine/PageDescription.h"
#include "report/engine/PageGenerator.h"
#include "report/engine/ReportProject.h"
#include "report/engine/ReportSystem.h"

#include <QDate>

#include <cstdio>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

namespace quorvel::batch {
namespace {

int runPrint(const QStringList& args)
{
    QStringList files;
    QString pngDir, definition, output;
    double dpi = 203;
    int startLabel = 1;
    bool allPages = false;
    Options options(printCommand);
    options.pageOutputs(pngDir, output, dpi);
    options.text("--definition", definition);
    options.wholeNumber("--start", startLabel, 1);
    options.flag("--all-pages", allPages);
    options.operands(files, "label file", true);
    if (!options.parse(args))
        return 2;
    if (definition.isEmpty())
        definition = defaultDefinition();

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
    printrun::PrintRun run(*importTable, *printTable, definition);
    run.checkLabels();
    run.checkPages(labels::PrintPlan::read(definition), system);
    run.expand();

    // What the window's preview would show, laid out in its place under the same lock.
    const auto connection = printrun::makeConnection(*printTable);
    BatchUi ui;
    report::ReportProject project(system, ui);
    project.setConnections({connection.get()});
    run.prepare(project, QString(), QDate::currentDate());
    report::Definition working = project.workingCopy();
    report::DataLockHold lock;
    if (!lock.acquire(ui, report::DataLock::kAttemptMs)) {
        std::fprintf(stderr, "Unable to gain control of the Report Data Communication System.\n");
        return 1;
    }
    report::PageGenerator generator(std::move(working), project.params(), project.connections(), system,
                                    BatchUi::layoutHooks());
    generator.setConnectionWaits(0);   // nothing else could offer a connection to a batch run
    if (output.endsWith(QStringLiteral(".ndr"), Qt::CaseInsensitive)) {
        // A snapshot records the run's tables before its pages: the pages are made again one by
        // one as the files are written.
        const std::optional<report::PageDescription> doc = generator.generateOnDemand(system.startLabel);
        if (!doc)
            return 1;
        if (!pngDir.isEmpty())
            writePngs(*doc, pngDir, dpi);
        writePageFile(*doc, output);
        std::printf("%zu page(s), %d label(s)\n", doc->pages.size(), printTable->rowCount());
        return 0;
    }
    // Each page goes to its files as soon as it is laid out, so a run of any size holds one page.
    PageFileWriter pageFiles(pngDir, dpi, output);
    generator.setSymbolDrawingsKept(!pageFiles.drawsSymbolsOnce());
    const std::optional<report::PageDescription> doc = generator.generate(
        system.startLabel, [&pageFiles](const report::PageDescription& tables, const report::Page& page) { pageFiles.add(tables, page); });
    if (!doc)
        return 1;   // nothing here stops a layout
    pageFiles.finish();
    std::printf("%zu page(s), %d label(s)\n", pageFiles.pages(), printTable->rowCount());
    return 0;
}

} // namespace

const Command printCommand{
    "print",
    "print FILE... --png DIR [--definition PATH] [--dpi N] [-o OUT.pdf|OUT.ndr] [--start N] [--all-pages]",
    "Imports like list, then checks, expands and runs the report definition (default: the one\n"
    "      beside the program) as the window's print button does, without a window: one PNG per\n"
    "      page in DIR, and a PDF or snapshot file with -o. --start N leaves the first N-1 labels of\n"
    "      page 1 blank (a partly used sheet). A run of more than 9,999 pages is refused unless\n"
    "      --all-pages, which writes every page.",
    true,
    runPrint,
};

} // namespace quorvel::batch
