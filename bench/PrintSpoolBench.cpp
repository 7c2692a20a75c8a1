// From Print/OK in the preview to a queued CUPS job, for 9,999 price tags: the preview's own
// print path (our PDF handed to CUPS through libcups) against Qt's painter printing to the
// queue, the route the preview used before. Each job is cancelled as soon as it is queued, so
// the drivers never rasterise it.
//
// Run by hand on a Release build, as root with cupsd running and the queues of scripts/test.sh
// (or queues of your own named on the command line):
//   build-release/bench/print_spool_bench [QUEUE ...]     (default: QuorvelPDF QuorvelZPL)
// Goal: <= 1 s from OK to the queued job on either queue.
#include "labels/PrintTable.h"
#include "report/engine/DataSetConnection.h"
#include "report/engine/PageDescription.h"
#include "report/engine/PageLayout.h"
#include "report/engine/PageSink.h"
#include "report/outputs/PagePainter.h"
#include "report/outputs/RenderPdf.h"
#include "report/engine/ReportProject.h"
#include "report/engine/ReportSystem.h"
#include "report/ui/PreviewWindow.h"
#include "report/ui/UiFixtures.h"
#include "support/HeadlessUi.h"
#include "table/Failure.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLocale>
#include <QPainter>
#include <QPrinter>

#include <cups/cups.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace quorvel;
using namespace quorvel::report;

namespace {

constexpr int kTags = 9999;

/// The preview's former printer: Qt's painter on a QPrinter for the queue.
class QtPainterDevice : public PrintDevice
{
public:
    explicit QtPainterDevice(QString queue) : m_queue(std::move(queue)) {}
    bool supportsMultipleCopies() const override { return true; }
    std::unique_ptr<PageSink> job(const QString& jobName, int copies) override
    {
        return std::make_unique<Job>(m_queue, jobName, copies);
    }

private:
    /// Holds the pages, then paints them at commit.
    class Job final : public PageSink
    {
    public:
        Job(QString queue, QString name, int copies) : m_queue(std::move(queue)), m_name(std::move(name)), m_copies(copies) {}
        void begin(const PageDescription& doc) override { m_held.begin(doc); }
        void add(const PageDescription& doc, const Page& page) override { m_held.add(doc, page); }
        void abandon() noexcept override { m_held.abandon(); }
        void commit() override
        {
            const PageDescription doc = m_held.take();
            std::vector<std::size_t> pages;
            for (std::size_t i = 0; i < doc.pages.size(); ++i)
                pages.push_back(i);
            print(doc, pages, m_copies, m_name);
        }
    private:
        void print(const PageDescription& doc, const std::vector<std::size_t>& pages, int copies, const QString& jobName)
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPrinterName(m_queue);
        printer.setDocName(jobName);
        printer.setCopyCount(copies);
        printer.setFullPage(true);
        if (doc.print.quality > 0)
            printer.setResolution(doc.print.quality);
        const Page& first = doc.pages.at(pages.front());
        const bool landscape = first.widthPt > first.heightPt;
        printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        printer.setPageSize(QPageSize(QSizeF(std::min(first.widthPt, first.heightPt), std::max(first.widthPt, first.heightPt)),
                                      QPageSize::Point));
        printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
        QPainter painter;
        if (!painter.begin(&printer))
            throw Failure(QStringLiteral("The printer \"%1\" cannot be used").arg(m_queue));
        bool firstPage = true;
        for (const std::size_t index : pages) {
            if (!firstPage)
                printer.newPage();
            firstPage = false;
            painter.save();
            painter.scale(printer.resolution() / 72.0, printer.resolution() / 72.0);
            paintPage(painter, doc, index);
            painter.restore();
        }
        painter.end();
    }

        QString m_queue, m_name;
        int m_copies;
        HeldPages m_held;
    };

    QString m_queue;
};

PageDescription generateTags()
{
    auto t = labels::makePrintTable();
    char code[16];
    for (int i = 0; i < kTags; ++i) {
        std::snprintf(code, sizeof code, "789%09d", i);   // the engine adds the check digit
        t->append();
        t->setText(labels::PrintField::Codigo, code);
        t->setText(labels::PrintField::referencia, "CM-204");
        t->setText(labels::PrintField::cor, "AZUL MARINHO");
        t->setText(labels::PrintField::Tam, "GG");
        t->setText(labels::PrintField::Marca, "NORTE CONFECCOES");
        t->setText(labels::PrintField::preco, "139,9");
        t->store();
    }
    DataSetConnection connection(QStringLiteral("RvDataSetConnection1"), t.get());
    const std::vector<DataSetConnection*> connections{&connection};
    ReportSystem system;
    HeadlessUi ui;
    ReportProject project(system, ui);
    project.setProjectFile(QStringLiteral(QUORVEL_SOURCE_DIR "/Relatorios/tag_02_Quorvel.rav"));
    project.setParam(QStringLiteral("data"), QStringLiteral("06/24"));
    project.open();
    PageLayout layout(project.workingCopy(), project.params(), connections, system);
    return layOutAll(layout);
}

/// The newest job of the queue: its id and size in kilobytes.
std::pair<int, int> newestJob(const QString& queue)
{
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.toUtf8().constData(), 0, CUPS_WHICHJOBS_ALL);
    std::pair<int, int> newest{0, 0};
    for (int i = 0; i < count; ++i)
        if (jobs[i].id > newest.first)
            newest = {jobs[i].id, jobs[i].size};
    cupsFreeJobs(count, jobs);
    return newest;
}

/// Best of `runs` prints from the preview (Print, then OK in the output options), in ms.
void measure(const char* route, const PageDescription& doc, const QString& queue, bool painter, int runs)
{
    double best = 1e300;
    int sizeKb = 0;
    for (int run = 0; run < runs; ++run) {
        ReportSystem system;
        system.printerName = queue;
        report::testing::FakeDialogs dialogs;
        QString failure;
        PreviewWindow window(doc, system, dialogs, [&failure](const Failure& f) { failure = f.message(); });
        if (painter)
            window.setDeviceFactory([](const QString& printer) { return std::make_unique<QtPainterDevice>(printer); });
        QAction* print = window.findChild<QAction*>(QStringLiteral("actionPrint"));
        const int before = newestJob(queue).first;
        QElapsedTimer clock;
        clock.start();
        print->trigger();
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        const auto [job, kb] = newestJob(queue);
        cupsCancelJob2(CUPS_HTTP_DEFAULT, queue.toUtf8().constData(), CUPS_JOBID_ALL, 0);
        if (!failure.isEmpty() || job == before) {
            std::printf("%-12s %-34s failed: %s\n", qPrintable(queue), route,
                        failure.isEmpty() ? "no job queued" : qPrintable(failure));
            return;
        }
        best = std::min(best, ms);
        sizeKb = kb;
    }
    std::printf("%-12s %-34s %8.0f ms  job %6.1f MB\n", qPrintable(queue), route, best, sizeKb / 1024.0);
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QStringList queues;
    for (int i = 1; i < argc; ++i)
        queues << QString::fromLocal8Bit(argv[i]);
    if (queues.isEmpty())
        queues = {QStringLiteral("QuorvelPDF"), QStringLiteral("QuorvelZPL")};

    const PageDescription doc = generateTags();
    std::printf("%zu tags of 50 x 30 mm, best of 3, Print/OK to the queued job\n", doc.pages.size());
    QElapsedTimer save;
    save.start();
    RenderPdf().write(doc, QDir::tempPath() + QStringLiteral("/quorvel-print-bench.pdf"));
    std::printf("(saving them as PDF: %lld ms)\n", static_cast<long long>(save.elapsed()));
    QFile::remove(QDir::tempPath() + QStringLiteral("/quorvel-print-bench.pdf"));
    for (const QString& queue : queues) {
        measure("Qt painter to the queue (before)", doc, queue, true, 3);
        measure("our PDF through libcups (now)", doc, queue, false, 3);
    }
    return 0;
}
