// How quickly the preview opens a long report, turns pages and steps the zoom.
// Run by hand: build/bench/preview_bench [turns]. Goal: every step well under 50 ms.
#include "report/engine/ReportSystem.h"
#include "report/ui/PageView.h"
#include "report/ui/PreviewWindow.h"
#include "report/ui/UiFixtures.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace quorvel::report;
using namespace quorvel::report::testing;

namespace {

struct Figures
{
    double median, worst;
};

Figures summarise(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

double elapsedMs(const QElapsedTimer& clock) { return static_cast<double>(clock.nsecsElapsed()) / 1e6; }

/// Page turns and zoom steps, each with its page painted at once.
void measure(const char* what, const PageDescription& doc, int turns)
{
    ReportSystem system;
    FakeDialogs dialogs;
    PreviewWindow window(doc, system, dialogs, {});
    window.resize(1280, 800);
    window.show();
    QCoreApplication::processEvents();
    QWidget* area = window.pageView()->viewport();

    std::vector<double> pageTurns;
    for (int i = 0; i < turns; ++i) {
        QElapsedTimer clock;
        clock.start();
        window.goToPage(window.currentPage() % window.pageCount() + 1);
        area->repaint();
        pageTurns.push_back(elapsedMs(clock));
    }
    std::vector<double> zoomSteps;
    for (int i = 0; i < turns; ++i) {
        QElapsedTimer clock;
        clock.start();
        if (window.zoom() >= 200)
            window.setZoom(10);
        else
            window.zoomIn();
        area->repaint();
        zoomSteps.push_back(elapsedMs(clock));
    }
    const Figures turn = summarise(pageTurns);
    const Figures zoom = summarise(zoomSteps);
    std::printf("%-26s page turn median %6.2f ms, worst %6.2f ms | zoom step median %6.2f ms, worst %6.2f ms\n",
                what, turn.median, turn.worst, zoom.median, zoom.worst);
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const int turns = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;

    QElapsedTimer clock;
    clock.start();
    const PageDescription longReport = labelPages(9999);
    const double built = elapsedMs(clock);
    const PageDescription shortReport = labelPages(1);
    // The first window of a process pays for fonts and styles: open a one-page preview before
    // and after, so the figure for 9,999 pages compares with a one-page report.
    const auto open = [](const PageDescription& doc) {
        ReportSystem system;
        FakeDialogs dialogs;
        QElapsedTimer timer;
        timer.start();
        PreviewWindow window(doc, system, dialogs, {});
        window.resize(1280, 800);
        window.show();
        window.pageView()->viewport()->repaint();
        return elapsedMs(timer);
    };
    const double firstWindow = open(shortReport);
    const double onePage = open(shortReport);
    const double allPages = open(longReport);
    std::printf("preview open, first page painted: first window of the process %.2f ms, 1 page %.2f ms, "
                "9,999 pages %.2f ms (description built beforehand in %.1f ms)\n",
                firstWindow, onePage, allPages, built);
    measure("label page (70 x 40 mm)", longReport, turns);
    measure("A4 sheet of 21 labels", labelSheets(50), turns);
    return 0;
}
