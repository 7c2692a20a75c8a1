// What the report engine needs from whoever runs it: the status window, the engine's own
// message boxes, the lock's Retry/Cancel question, the preview and the GUI-live waits.
// The windows implement it with real dialogs; tests and quorvel-batch supply their own.
#pragma once

#include "report/engine/MessageSink.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace quorvel::report {

struct PageDescription;
class ReportSystem;

/// What the preview may ask of the run whose pages it shows.
struct Relayout
{
    /// Labels a page of the report's first label region holds; 0 without a region.
    std::int64_t labelsPerPage = 0;
    /// Lays the run out again with its first label in slot `startLabel` (1-based, in the region's
    /// fill order) and returns the pages to show from now on; the pages shown before stay valid
    /// until the next call. Fails as the run does.
    std::function<const PageDescription&(int startLabel)> relay;
};

class EngineUi : public MessageSink
{
public:
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
    virtual void preview(const PageDescription& pages, ReportSystem& system, const Relayout& relayout = {}) = 0;

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
