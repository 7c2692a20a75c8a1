#include "report/ui/WidgetEngineUi.h"

#include "report/engine/ReportSystem.h"
#include "report/ui/PreviewWindow.h"
#include "report/ui/StatusWindow.h"
#include "report/ui/WidgetDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace quorvel::report {

namespace {

// Generation asks after every drawn item; the GUI is served at most this often in between.
constexpr qint64 pollIntervalMs = 20;

/// Used when the application hands no handler over: the failure's text in an error box.
ErrorHook plainErrorBox(QWidget* parent)
{
    return [parent = QPointer<QWidget>(parent)](const Failure& failure) {
        if (dynamic_cast<const SilentAbort*>(&failure))
            return;
        QMessageBox::critical(parent, QGuiApplication::applicationDisplayName(), failure.message());
    };
}

} // namespace

WidgetEngineUi::WidgetEngineUi(QWidget* parent, ErrorHook onFailure, PreviewDialogs* dialogs)
    : m_parent(parent)
    , m_onFailure(onFailure ? std::move(onFailure) : plainErrorBox(parent))
    , m_ownDialogs(dialogs ? nullptr : std::make_unique<WidgetDialogs>())
    , m_dialogs(dialogs ? dialogs : m_ownDialogs.get())
{
}

WidgetEngineUi::~WidgetEngineUi() = default;

void WidgetEngineUi::showMessage(const QString& text)
{
    if (abandoned())
        return;
    QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok, m_parent);
    box.setObjectName(QStringLiteral("engineMessage"));
    m_modal = &box;
    box.exec();
}

void WidgetEngineUi::showError(const QString& text)
{
    if (abandoned())
        return;
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok, m_parent);
    box.setObjectName(QStringLiteral("engineError"));
    m_modal = &box;
    box.exec();
}

bool WidgetEngineUi::askRetryLock()
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"),
                    QStringLiteral("Unable to gain control of the Report Data Communication System."),
                    QMessageBox::NoButton, m_parent);
    box.setObjectName(QStringLiteral("lockQuestion"));
    QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    QPushButton* retry = box.addButton(QStringLiteral("&Retry"), QMessageBox::AcceptRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    retry->setObjectName(QStringLiteral("retryButton"));
    box.setDefaultButton(retry);
    box.setEscapeButton(cancel);
    m_modal = &box;
    box.exec();
    return box.clickedButton() == retry && !abandoned();
}

void WidgetEngineUi::beginGeneration(const ReportSystem& system)
{
    m_status = std::make_unique<StatusWindow>(system.titleStatus, m_parent);
    m_status->show();
    m_sincePoll.start();
    QCoreApplication::processEvents();
}

bool WidgetEngineUi::setStatus(const QString& text)
{
    if (m_status)
        m_status->setStatus(text);
    return processEvents();
}

bool WidgetEngineUi::poll()
{
    if (m_sincePoll.isValid() && m_sincePoll.elapsed() < pollIntervalMs)
        return !(m_status && m_status->cancelled());
    return processEvents();
}

bool WidgetEngineUi::processEvents()
{
    QCoreApplication::processEvents();
    m_sincePoll.restart();
    return !(m_status && m_status->cancelled());
}

void WidgetEngineUi::endGeneration()
{
    if (m_status)
        m_status->hide();
    m_status.reset();
}

void WidgetEngineUi::preview(const PageDescription& pages, ReportSystem& system, const Relayout& relayout)
{
    PreviewWindow window(pages, system, *m_dialogs, m_onFailure, m_parent);
    window.setOutputs(m_outputs);
    window.setRelayout(relayout);
    m_modal = &window;
    window.exec();
}

void WidgetEngineUi::dismiss()
{
    // Rejecting a box answers nothing, whatever its escape button; the preview ends on close.
    if (auto* box = qobject_cast<QDialog*>(m_modal.data()))
        box->reject();
    else if (m_modal)
        m_modal->close();
}

void WidgetEngineUi::wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace quorvel::report
