// quorvel-batch print: the print run without a window. Imports the label files, expands them
// into the print table and runs a report definition over it, writing the pages the preview
// would show as PNG files and, on request, as a PDF or snapshot file.
#include "BatchTables.h"
#include "BatchUi.h"
#include "PageFiles.h"
#include "Command.h"

#include "labels/LabelList.h"
#include "labels/Preflight.h"
#include "labels/PrintTable.h"
#include "report/engine/DataLock.h"
#include "report/engine/DataSetConnection.h"
#include "report/engine/PageDescription.h"
#include "report/engine/PageGenerator.h"
#include "report/outputs/PagePainter.h"
#include "report/outputs/RenderPdf.h"
#include "report/engine/ReportProject.h"
#include "report/engine/ReportSystem.h"
#include "report/outputs/Snapshot.h"
#include "table/Failure.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <utility>

namespace quorvel::batch {
namespace {

int usage(const char* why)
{
    std::fprintf(stderr,
                 "quorvel-batch print: %s\nUsage: quorvel-batch print FILE... --png DIR [--definition PATH] [--dpi N] "
                 "[-o OUT.pdf|OUT.ndr] [--start N] [--all-pages]\n",
                 why);
    return 2;
}

int runPrint(const QStringList& args)
{
    QStringList files;
    QString pngDir, definition, output;
    double dpi = 203;
    int startLabel = 1;
    bool allPages = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool takesValue = a == u"--png" || a == u"--definition" || a == u"--dpi" || a == u"-o" || a == u"--start";
        if (takesValue && i + 1 >= args.size())
            return usage("an option needs a value");
        if (a == u"--png")
            pngDir = args[++i];
        else if (a == u"--definition")
            definition = args[++i];
        else if (a == u"-o")
            output = args[++i];
        else if (a == u"--all-pages")
            allPages = true;
        else if (a == u"--start") {
            bool ok = false;
            startLabel = args[++i].toInt(&ok);
            if (!ok || startLabel < 1)
                return usage("--start takes a label number from 1");
        } else if (a == u"--dpi") {
            bool ok = false;
            dpi = args[++i].toDouble(&ok);
            if (!ok || dpi < 10 || dpi > 2400)
                return usage("--dpi takes a number from 10 to 2400");
        } else if (a.startsWith(u'-'))
            return usage("unknown option");
        else
            files << a;
    }
    if (files.isEmpty())
        return usage("no label file named");
    if (pngDir.isEmpty() && output.isEmpty())
        return usage("name an output: --png DIR or -o FILE");
    if (!output.isEmpty() && !isPageFileName(output))
        return usage("-o writes a .pdf or a .ndr file");
    if (definition.isEmpty())
        definition = defaultDefinition();

    auto importTable = labels::makeImportTable();
    auto printTable = labels::makePrintTable();
    if (importFiles(files, *importTable) != 0)
        return 1;
    labels::checkLabelCount(*importTable);

    report::DataSetConnection connection(QStringLiteral("RvDataSetConnection1"), printTable.get());
    const std::vector<report::DataSetConnection*> connections{&connection};
    report::ReportSystem system;
    BatchUi ui;
    report::ReportProject project(system, ui);
    project.close();
    project.setProjectFile(definition);
    project.setParam(QStringLiteral("loja"), QString());
    project.setParam(QStringLiteral("data"), report::dateParameter(QDate::currentDate()));
    project.open();
    // The preview keeps the engine's page limit; with --all-pages nothing previews, so every page
    // reaches the files.
    if (allPages)
        system.lastPage = std::numeric_limits<int>::max();
    else
        labels::checkPageCount(project.pageCount(labels::countLabels(*importTable), startLabel), system.lastPage);
    labels::expand(*importTable, *printTable);
    report::Definition working = project.workingCopy();
    report::DataLockHold lock;
    if (!lock.acquire(ui, 5000)) {
        std::fprintf(stderr, "Unable to gain control of the Report Data Communication System.\n");
        return 1;
    }
    report::PageGenerator generator(std::move(working), project.params(), connections, system, BatchUi::layoutHooks());
    generator.setConnectionWaits(0);   // nothing else could offer a connection to a batch run
    const std::optional<report::PageDescription> doc = generator.generate(startLabel);
    if (!doc)
        return 1;   // nothing here stops a layout
    const std::size_t pages = doc->pages.size();
    if (!pngDir.isEmpty())
        writePngs(*doc, pngDir, dpi);
    if (!output.isEmpty())
        writePageFile(*doc, output);
    std::printf("%zu page(s), %d label(s)\n", pages, printTable->rowCount());
    return 0;
}

const Registrar registrar({
    "print",
    "print FILE... --png DIR [--definition PATH] [--dpi N] [-o OUT.pdf|OUT.ndr] [--start N] [--all-pages]",
    "Imports and expands like expand, then runs the report definition (default: the one beside\n"
    "      the program) without a window: one PNG per page in DIR, and a PDF or snapshot file with -o.\n"
    "      --start N leaves the first N-1 labels of page 1 blank (a partly used sheet). A run of more\n"
    "      than 9,999 pages is refused unless --all-pages, which writes every page.",
    true,
    runPrint,
});

} // namespace
} // namespace quorvel::batch
