// The engine's user interface with real windows: status window, message boxes, preview.
#pragma once

#include "report/engine/EngineUi.h"
#include "report/ui/ErrorHook.h"

#include <QElapsedTimer>
#include <QPointer>

#include <memory>
#include <utility>
#include <vector>

class QWidget;

namespace quorvel::report {

class FileOutput;
class PreviewDialogs;
class StatusWindow;

class WidgetEngineUi : public EngineUi
{
public:
    /// `parent` (may be null) owns the boxes and windows while they are shown. Failures of the
    /// preview's commands go to `onFailure` (the application's default error handler; without
    /// one, a plain error box). `dialogs` answers the preview's questions; null means real dialogs.
    explicit WidgetEngineUi(QWidget* parent, ErrorHook onFailure, PreviewDialogs* dialogs = nullptr);
    ~WidgetEngineUi() override;
    WidgetEngineUi(const WidgetEngineUi&) = delete;
    WidgetEngineUi& operator=(const WidgetEngineUi&) = delete;

    /// The file outputs the preview's Save As offers (PreviewWindow::setOutputs); not owned.
    void setOutputs(std::vector<FileOutput*> outputs) { m_outputs = std::move(outputs); }

    void showMessage(const QString& text) override;
    void showError(const QString& text) override;
    bool askRetryLock() override;

    void beginGeneration(const ReportSystem& system) override;
    bool setStatus(const QString& text) override;
    bool poll() override;
    void endGeneration() override;

    void preview(const PageDescription& pages, ReportSystem& system, const Relayout& relayout = {}) override;
    void wait(int ms) override;

    /// The status window while pages are generated, else null.
    StatusWindow* statusWindow() const { return m_status.get(); }

protected:
    void dismiss() override;

private:
    bool processEvents();

    QPointer<QWidget> m_parent;
    ErrorHook m_onFailure;
    std::unique_ptr<PreviewDialogs> m_ownDialogs;
    PreviewDialogs* m_dialogs;
    std::vector<FileOutput*> m_outputs;
    std::unique_ptr<StatusWindow> m_status;
    QElapsedTimer m_sincePoll;
    QPointer<QWidget> m_modal;   // the box or preview now shown

};

} // namespace quorvel::report
