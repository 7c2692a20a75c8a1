// A report run that stays in its preview: runs the definition given, says "previewing" on
// standard output once the preview is open, and then waits to be killed.
// Usage: fault_lock_holder LOCK_FILE DEFINITION
#include "report/engine/DataLock.h"
#include "report/engine/ReportProject.h"
#include "report/engine/ReportSystem.h"
#include "support/HeadlessUi.h"
#include "table/Failure.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    quorvel::report::DataLock::setPath(QString::fromLocal8Bit(argv[1]));
    quorvel::report::ReportSystem system;
    quorvel::report::HeadlessUi ui;
    ui.onPreview = [](const quorvel::report::PageDescription&) {
        std::printf("previewing\n");
        std::fflush(stdout);
        for (;;)
            ::pause();
    };
    quorvel::report::ReportProject project(system, ui);
    project.setLockAttemptMs(0);
    project.setProjectFile(QString::fromLocal8Bit(argv[2]));
    try {
        project.execute();
    } catch (const quorvel::Failure& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return 1;
    }
    std::fprintf(stderr, "the run ended without a preview\n");
    return 1;
}
