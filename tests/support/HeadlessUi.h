// A test double of the engine's UI, for tests of a run as the window makes it (ReportProject::
// execute): messages are recorded (and echoed to standard error when asked), the status window
// is a counter, the preview a callback, waits really sleep. Tests that only want pages lay them
// out with PageLayout.
#pragma once

#include "report/engine/EngineUi.h"

#include <QStringList>

#include <functional>

namespace quorvel::report {

class HeadlessUi : public EngineUi
{
public:
    void showMessage(const QString& text) override;
    void showError(const QString& text) override;
    bool askRetryLock() override;
    void beginGeneration(const ReportSystem& system) override;
    bool setStatus(const QString& text) override;
    bool poll() override;
    void endGeneration() override;
    void preview(const PageDescription& pages, ReportSystem& system, const Relayout& run = {}) override;
    void wait(int ms) override;

    /// Echo messages and errors to standard error as they come.
    bool echo = false;
    /// Answers to the lock question, used up front to back; Cancel once empty.
    QList<bool> retryAnswers;
    /// Pressing Cancel in the status window at this page number (0: never).
    int cancelAtPage = 0;
    /// Called with the generated pages in place of the preview window.
    std::function<void(const PageDescription&)> onPreview;
    /// The run behind the last preview, while onPreview runs.
    Relayout relayout;

    QStringList messages;
    QStringList errors;
    QStringList statuses;     ///< every status text, in order
    int lockQuestions = 0;
    int waits = 0;
    int polls = 0;
    bool generating = false;
    int generations = 0;
    int previews = 0;

private:
    bool m_cancelled = false;
    int m_pages = 0;
};

} // namespace quorvel::report
