// Saves screenshots of the preview window at 100 %, fit to page and 200 %, and of the
// output-options dialog, for looking at by eye. Not a test: run by hand, under xvfb-run.
// Usage: preview_screenshots <folder>
#include "report/engine/ReportSystem.h"
#include "report/ui/OutputOptionsDialog.h"
#include "report/ui/PreviewWindow.h"
#include "report/ui/UiFixtures.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTest>

#include <cstdio>

using namespace quorvel::report;
using namespace quorvel::report::testing;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    ReportSystem system;
    FakeDialogs dialogs;
    const PageDescription doc = labelSheets(3);

    PreviewWindow window(doc, system, dialogs, {});
    window.showMaximized();
    // Without a window manager nothing maximizes the window: give it the screen.
    window.setGeometry(window.screen()->availableGeometry());
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    QTest::qWait(200);
    const auto shoot = [&](const char* name) {
        QTest::qWait(100);
        const QString path = out.filePath(QString::fromLatin1(name));
        window.grab().save(path);
        std::printf("%s\n", qPrintable(path));
    };
    shoot("preview-100.png");
    window.fitToPage();
    shoot("preview-fit-page.png");
    window.goToPage(2);
    window.setZoom(200);
    shoot("preview-200.png");

    OutputOptionsDialog options(system, doc, QStringLiteral("QuorvelPDF"), dialogs, &window);
    options.show();
    QTest::qWait(200);
    options.grab().save(out.filePath(QStringLiteral("output-options.png")));
    std::printf("%s\n", qPrintable(out.filePath(QStringLiteral("output-options.png"))));
    return 0;
}
