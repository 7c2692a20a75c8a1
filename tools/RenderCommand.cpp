// quorvel-batch render: turns a saved snapshot into a PDF, another snapshot or PNG pages,
// exactly as the preview's Save As would from the original run.
#include "Command.h"
#include "Options.h"
#include "PageFiles.h"

#include "report/engine/PageDescription.h"
#include "report/engine/PageSink.h"
#include "report/outputs/Snapshot.h"

#include <cstdio>

namespace quorvel::batch {
namespace {

int runRender(const QStringList& args)
{
    QStringList inputs;
    QString output, pngDir;
    double dpi = 203;
    Options options(renderCommand);
    options.pageOutputs(pngDir, output, dpi);
    options.operands(inputs, "snapshot", false);
    if (!options.parse(args))
        return 2;

    const report::PageDescription doc = report::snapshot::read(inputs.front());
    PageFiles files(pngDir, dpi, output);
    report::writePages(doc, files);
    std::printf("%zu page(s)\n", doc.pages.size());
    return 0;
}

} // namespace

const Command renderCommand{
    "render",
    "render SNAPSHOT.ndr [-o OUT.pdf|OUT.ndr] [--png DIR [--dpi N]]",
    "Turns a report snapshot saved from the preview into a PDF or another snapshot with -o, and\n"
    "      into one PNG per page in DIR with --png, exactly as the preview's Save As would.",
    true,
    runRender,
};

} // namespace quorvel::batch
