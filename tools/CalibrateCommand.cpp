// quorvel-batch calibrate: prints the calibration page on a queue, with that queue's offset, so
// an operator can read how far the printer is off; or writes it to files to look at.
#include "BatchTables.h"
#include "Command.h"
#include "Options.h"
#include "PageFiles.h"

#include "report/cups/CupsDevice.h"
#include "report/cups/PrintDevice.h"
#include "report/engine/CalibrationPage.h"
#include "report/engine/DefinitionReader.h"
#include "report/engine/MessageSink.h"
#include "report/engine/PageSink.h"
#include "table/Failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace quorvel::batch {
namespace {

struct Warnings final : report::MessageSink
{
    explicit Warnings(const QString& definition) : path(definition) {}
    void showMessage(const QString& text) override
    {
        std::fprintf(stderr, "%s: warning: %s\n", qPrintable(QDir::toNativeSeparators(path)), qPrintable(text));
    }
    QString path;
};

int runCalibrate(const QStringList& args)
{
    QString pngDir, output, printer, definition;
    double dpi = 203;
    int copies = 0;
    Options options(calibrateCommand);
    options.pageOutputs(pngDir, output, dpi, &printer, &copies);
    options.text("--definition", definition);
    if (!options.parse(args))
        return 2;
    if (definition.isEmpty())
        definition = defaultDefinition();

    QFile file(definition);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(definition), file.errorString()));
    Warnings warnings(definition);
    const report::PageDescription doc =
        report::calibrationPage(report::readDefinition(file.readAll(), QFileInfo(definition).absoluteFilePath(), warnings));

    if (!printer.isEmpty()) {
        report::CupsDevice device(printer);
        device.checkReady();
        report::printCopies(device, doc, {0}, copies > 0 ? copies : 1, doc.title);
        for (const int id : device.jobIds())
            std::printf("job %s-%d\n", printer.toUtf8().constData(), id);
        return 0;
    }
    PageFiles files(pngDir, dpi, output);
    report::writePages(doc, files);
    std::printf("%zu page(s)\n", doc.pages.size());
    return 0;
}

} // namespace

const Command calibrateCommand{
    "calibrate",
    "calibrate [--printer QUEUE] [--copies N] [--definition PATH] [--png DIR] [-o OUT.pdf|OUT.ndr] [--dpi N]",
    "Prints the calibration page on the queue, moved by the queue's offset in the definition\n"
    "      (default: the one beside the program): the label's outline, a millimetre ruler along\n"
    "      its top and left edges and a cross near each corner; --png and -o write it to files.",
    true,
    runCalibrate,
};

} // namespace quorvel::batch
