// What the report engine needs from whoever runs it: the status window, the engine's own
// message boxes, the lock's Retry/Cancel question, the preview and the GUI-live waits.
// The windows implement it with real dialogs; tests and quorvel-batch supply their own.
#pragma once

#include <QString>

namespace quorvel::report {

struct PageDescription;
class ReportSystem;

class EngineUi
{
public:
    virtual ~EngineUi() = default;

    /// A plain message (no icon, OK), e.g. an unknown element in a definition.
    virtual void showMessage(const QString& text) = 0;
    /// An error box: caption "Error", error icon, OK.
    virtual void showError(const QString& text) = 0;
    /// The lock stayed taken: true for "&Retry", false for "Cancel".
    virtual bool askRetryLock() = 0;

    /// The status window opens (caption from the print system, a status line, "Cancel").
    virtual void beginGeneration(const ReportSystem& system) = 0;
    /// Sets the status line; lets the GUI process events. False once Cancel was pressed.
    virtual bool setStatus(const QString& text) = 0;
    /// Lets the GUI process events after a drawn item. False once Cancel was pressed.
    virtual bool poll() = 0;
    /// The status window closes.
    virtual void endGeneration() = 0;

    /// Shows the generated pages; returns when the operator closes the preview.
    virtual void preview(const PageDescription& pages, ReportSystem& system) = 0;

    /// Waits about `ms` milliseconds with the GUI live (the missing-connection wait).
    virtual void wait(int ms) = 0;

    /// Whoever runs the reports is going away (its window closes): from now on every run ends
    /// at its next chance as after Cancel, with no further question, message or preview, and
    /// a question or preview now open is closed.
    void abandon()
    {
        m_abandoned = true;
        dismiss();
    }
    bool abandoned() const { return m_abandoned; }

protected:
    /// Closes the modal window now open (the preview, a question), if any, answering nothing.
    virtual void dismiss() {}

private:
    bool m_abandoned = false;
};

} // namespace quorvel::report
