// quorvel-batch expand: the print table the print run builds from the imported files.
#include "BatchTables.h"
#include "Command.h"

#include "labels/ImportTable.h"
#include "labels/PrintTable.h"
#include "table/Failure.h"

namespace quorvel::batch {
namespace {

int runExpand(const QStringList& args)
{
    QStringList files;
    bool countOnly = false;
    if (!parseFileArguments(args, files, countOnly)) {
        std::fprintf(stderr, "usage: quorvel-batch expand [--count] FILE...\n");
        return 2;
    }
    auto importTable = labels::makeImportTable();
    auto labelTable = labels::makePrintTable();
    // Rows read before a message are expanded too, as the window would print them.
    int status = importFiles(files, *importTable);
    try {
        labels::checkLabelCount(*importTable);
        labels::expand(*importTable, *labelTable);
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

const Registrar registrar({
    "expand",
    "expand [--count] FILE...",
    "Imports like list, then repeats every row by its quantity into the print table, one row\n"
    "      per label, and prints that table like list does.",
    false,
    runExpand,
});

} // namespace
} // namespace quorvel::batch
