// quorvel-batch expand: the print table the print run builds from the imported files.
#include "BatchTables.h"
#include "Command.h"
#include "Options.h"

#include "labels/ImportTable.h"
#include "labels/PrintTable.h"
#include "printrun/PrintRun.h"
#include "table/Failure.h"

namespace quorvel::batch {
namespace {

int runExpand(const QStringList& args)
{
    QStringList files;
    bool countOnly = false;
    Options options(expandCommand);
    options.flag("--count", countOnly);
    options.operands(files, "label file", true);
    if (!options.parse(args))
        return 2;
    auto importTable = labels::makeImportTable();
    auto labelTable = labels::makePrintTable();
    // Rows read before a message are expanded too, as the window would print them.
    int status = importFiles(files, *importTable);
    try {
        printrun::PrintRun run(*importTable, *labelTable);
        run.checkLabels();
        run.expand();
    } catch (const Failure& failure) {
        std::fprintf(stderr, "%s\n", withFullStop(failure.message()).toUtf8().constData());
        status = 1;
    }
    if (countOnly)
        std::printf("%d\n", labelTable->rowCount());
    else
        printTable(*labelTable, stdout);
    return status;
}

} // namespace

const Command expandCommand{
    "expand",
    "expand [--count] FILE...",
    "Imports like list, then repeats every row by its quantity into the print table, one row\n"
    "      per label, and prints that table like list does.",
    false,
    runExpand,
};

} // namespace quorvel::batch
