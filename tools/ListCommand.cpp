// quorvel-batch list: the import table after importing the files, as the grid shows it.
#include "BatchTables.h"
#include "Command.h"
#include "Options.h"

#include "labels/ImportTable.h"

namespace quorvel::batch {
namespace {

int runList(const QStringList& args)
{
    QStringList files;
    bool countOnly = false;
    Options options(listCommand);
    options.flag("--count", countOnly);
    options.operands(files, "label file", true);
    if (!options.parse(args))
        return 2;
    auto importTable = labels::makeImportTable();
    int status = importFiles(files, *importTable);
    if (countOnly)
        std::printf("%d\n", importTable->rowCount());
    else
        printTable(*importTable, stdout);
    return status;
}

} // namespace

const Command listCommand{
    "list",
    "list [--count] FILE...",
    "Imports the label files one after another and prints the import table, tab-separated in\n"
    "      UTF-8 (--count: only the number of rows). A message that stops an import goes to\n"
    "      standard error and the exit status is 1.",
    false,
    runList,
};

} // namespace quorvel::batch
