// The window's print run, for memory: a label file imported, checked, expanded and prepared as
// the print button does, laid out by ReportProject::execute for the preview, and saved from the
// preview as a PDF. Prints the pages and the peak memory of the process (VmHWM).
//
// Run by hand on a Release build:
//   build-release/bench/preview_run_memory LABEL_FILE DEFINITION OUT.pdf [SHOT.png]
// With SHOT.png the pages are also shown in the preview window: 200 page turns are timed (each
// page made again on demand and painted) and the window is saved as a picture to look at.
// bench/make-label-file.sh writes label files; bench/run-scale-bench.sh runs this on its files.
// Goal: the peak grows with the print table and the distinct codes, not with what the pages draw.
#include "labels/ImportTable.h"
#include "labels/LabelImport.h"
#include "labels/PrintTable.h"
#include "printrun/Preflight.h"
#include "printrun/PrintRun.h"
#include "report/engine/DataSetConnection.h"
#include "report/engine/PageDescription.h"
#include "report/engine/ReportProject.h"
#include "report/engine/ReportSystem.h"
#include "report/outputs/RenderPdf.h"
#include "report/ui/PageView.h"
#include "report/ui/PreviewWindow.h"
#include "report/ui/UiFixtures.h"
#include "support/HeadlessUi.h"
#include "table/Failure.h"

#include <QDate>
#include <QFile>
#include <QApplication>
#include <QElapsedTimer>
#include <QLocale>

#include <algorithm>
#include <cstdio>
#include <vector>
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
    QApplication app(argc, argv);
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: preview_run_memory LABEL_FILE DEFINITION OUT.pdf [SHOT.png]\n");
        return 2;
    }
    const QString shot = argc == 5 ? QString::fromLocal8Bit(argv[4]) : QString();
    const QString labelFile = QString::fromLocal8Bit(argv[1]), definition = QString::fromLocal8Bit(argv[2]),
                  output = QString::fromLocal8Bit(argv[3]);
    try {
        auto importTable = labels::makeImportTable();
        auto printTable = labels::makePrintTable();
        labels::importLabelFile(labelFile, *importTable);
        report::ReportSystem system;
        report::HeadlessUi ui;
        const auto connection = printrun::makeConnection(*printTable);
        report::ReportProject project(system, ui);
        project.setConnections({connection.get()});
        printrun::PrintRun run(*importTable, *printTable, definition, project);
        run.checkLabels();
        run.checkPages(system);
        run.expand();
        std::size_t pages = 0;
        // The preview's Save as PDF, with the pages the preview was handed.
        ui.onPreview = [&](const report::PageDescription& doc) {
            pages = doc.pages.size();
            report::RenderPdf().write(doc, output);
            if (shot.isEmpty())
                return;
            report::testing::FakeDialogs dialogs;
            report::PreviewWindow window(doc, system, dialogs, {});
            window.resize(1280, 900);
            window.show();
            QCoreApplication::processEvents();
            std::vector<double> turns;
            for (int i = 0; i < 200; ++i) {
                QElapsedTimer clock;
                clock.start();
                window.goToPage(static_cast<int>((static_cast<std::size_t>(i) * 7919) % pages) + 1);
                window.pageView()->viewport()->repaint();
                turns.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
            }
            std::sort(turns.begin(), turns.end());
            std::printf("page turns in the preview: median %.2f ms, worst %.2f ms\n", turns[turns.size() / 2], turns.back());
            window.goToPage(2);
            window.pageView()->viewport()->repaint();
            window.grab().save(shot);
        };
        run.preview(QString(), QDate::currentDate());
        std::printf("%zu page(s), %d label(s), peak %ld MB\n", pages, printTable->rowCount(), peakKb() / 1024);
        return pages > 0 ? 0 : 1;
    } catch (const Failure& failure) {
        std::fprintf(stderr, "%s\n", failure.message().toUtf8().constData());
        return 1;
    }
}
