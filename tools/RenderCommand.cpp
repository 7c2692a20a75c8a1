// quorvel-batch render: turns a saved snapshot into a PDF, another snapshot or PNG pages,
// exactly as the preview's Save As would from the original run.
#include "Command.h"
#include "PageFiles.h"

#include "report/engine/PageDescription.h"
#include "report/outputs/PagePainter.h"
#include "report/outputs/RenderPdf.h"
#include "report/outputs/Snapshot.h"
#include "table/Failure.h"

#include <QDir>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdio>

namespace quorvel::batch {

namespace {

int usage(const char* why)
{
    std::fprintf(stderr, "quorvel-batch render: %s\nUsage: quorvel-batch render SNAPSHOT.ndr [-o OUT.pdf|OUT.ndr] [--png DIR [--dpi N]]\n", why);
    return 2;
}

int run(const QStringList& args)
{
    QString input, output, pngDir;
    double dpi = 203;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if ((a == u"-o" || a == u"--png" || a == u"--dpi") && i + 1 >= args.size())
            return usage("an option needs a value");
        if (a == u"-o")
            output = args[++i];
        else if (a == u"--png")
            pngDir = args[++i];
        else if (a == u"--dpi") {
            bool ok = false;
            dpi = args[++i].toDouble(&ok);
            if (!ok || dpi < 10 || dpi > 2400)
                return usage("--dpi takes a resolution between 10 and 2400");
        } else if (a.startsWith(u'-'))
            return usage("unknown option");
        else if (input.isEmpty())
            input = a;
        else
            return usage("one snapshot at a time");
    }
    if (input.isEmpty())
        return usage("no snapshot given");
    if (output.isEmpty() && pngDir.isEmpty())
        return usage("nothing to write: give -o or --png");

    const report::PageDescription doc = report::snapshot::read(input);
    if (!output.isEmpty()) {
        if (!isPageFileName(output))
            return usage("the output's name must end in .pdf or .ndr");
        writePageFile(doc, output);
    }
    if (!pngDir.isEmpty())
        writePngs(doc, pngDir, dpi);
    std::printf("%zu page(s)\n", doc.pages.size());
    return 0;
}

const Registrar registrar({"render", "render SNAPSHOT.ndr [-o OUT.pdf|OUT.ndr] [--png DIR [--dpi N]]",
                           "turns a saved report snapshot into a PDF, a snapshot or PNG pages (203 dpi unless --dpi)",
                           true, run});

} // namespace

} // namespace quorvel::batch
