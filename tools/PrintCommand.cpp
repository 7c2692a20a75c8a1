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
    const auto connection = printrun::makeConnection(*printTable);
    BatchUi ui;
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
