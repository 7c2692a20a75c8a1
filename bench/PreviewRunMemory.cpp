// The window's print run, for memory: a label file imported, checked, expanded and prepared as
// the print button does, laid out by ReportProject::execute for the preview, and saved from the
// preview as a PDF. Prints the pages and the peak memory of the process (VmHWM).
//
// Run by hand on a Release build:
//   build-release/bench/preview_run_memory LABEL_FILE DEFINITION OUT.pdf
// bench/make-label-file.sh writes label files; bench/run-scale-bench.sh runs this on its files.
// Goal: the peak grows with the print table and the distinct codes, not with what the pages draw.
#include "labels/ImportTable.h"
#include "labels/LabelImport.h"
#include "labels/Preflight.h"
#include "labels/PrintTable.h"
#include "printrun/PrintRun.h"
#include "report/engine/DataSetConnection.h"
#include "report/engine/PageDescription.h"
#include "report/engine/ReportProject.h"
#include "report/engine/ReportSystem.h"
#include "report/outputs/RenderPdf.h"
#include "support/HeadlessUi.h"
#include "table/Failure.h"

#include <QDate>
#include <QFile>
#include <QGuiApplication>
#include <QLocale>

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace quorvel;

namespace {

long peakKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return std::strtol(line.mid(6).trimmed().constData(), nullptr, 10);
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: preview_run_memory LABEL_FILE DEFINITION OUT.pdf\n");
        return 2;
    }
    const QString labelFile = QString::fromLocal8Bit(argv[1]), definition = QString::fromLocal8Bit(argv[2]),
                  output = QString::fromLocal8Bit(argv[3]);
    try {
        auto importTable = labels::makeImportTable();
        auto printTable = labels::makePrintTable();
        labels::importLabelFile(labelFile, *importTable);
        report::ReportSystem system;
        printrun::PrintRun run(*importTable, *printTable, definition);
        run.checkLabels();
        run.checkPages(labels::PrintPlan::read(definition), system);
        run.expand();
        const auto connection = printrun::makeConnection(*printTable);
        report::HeadlessUi ui;
        std::size_t pages = 0;
        // The preview's Save as PDF, with the pages the preview was handed.
        ui.onPreview = [&](const report::PageDescription& doc) {
            pages = doc.pages.size();
            report::RenderPdf().write(doc, output);
        };
        report::ReportProject project(system, ui);
        project.setConnections({connection.get()});
        run.prepare(project, QString(), QDate::currentDate());
        project.execute();
        std::printf("%zu page(s), %d label(s), peak %ld MB\n", pages, printTable->rowCount(), peakKb() / 1024);
        return pages > 0 ? 0 : 1;
    } catch (const Failure& failure) {
        std::fprintf(stderr, "%s\n", failure.message().toUtf8().constData());
        return 1;
    }
}
