// The preview window: the run's pages one at a time, with paging, zoom, printing and saving.
#pragma once

#include "report/engine/EngineUi.h"
#include "report/ui/ErrorHook.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace quorvel::report {

class FileOutput;
class PageView;
class PreviewDialogs;
class PrintDevice;
class ReportSystem;
struct PageDescription;

class PreviewWindow : public QMainWindow
{
    Q_OBJECT
public:
    /// `pages`, `system` and `dialogs` must outlive the window. Failures of its commands go to
    /// `onFailure` and the window stays open.
    PreviewWindow(const PageDescription& pages, ReportSystem& system, PreviewDialogs& dialogs,
                  ErrorHook onFailure, QWidget* parent = nullptr);
    ~PreviewWindow() override;

    /// Shows the window modal (maximized as the system says) and returns when it is closed.
    void exec();

    /// Makes the device a print goes to, for the chosen printer. By default a system print queue.
    using DeviceFactory = std::function<std::unique_ptr<PrintDevice>(const QString& printerName)>;
    void setDeviceFactory(DeviceFactory factory);

    /// The file outputs Save As offers after the snapshot type, in this order, those marked
    /// active only. Not owned: each must outlive the window. None by default.
    void setOutputs(std::vector<FileOutput*> outputs);

    /// The run behind the pages: with more than one label a page, the toolbar's "Start at label"
    /// box lays the run again from the slot chosen. Without it, or with one label a page, the box
    /// stays hidden.
    void setRelayout(Relayout relayout);
    /// The start box's value: 1 = the first slot of the first page.
    int startLabel() const;
    /// What the start box does when its value changes: the pages again from that slot.
    void setStartLabel(int label);

    int currentPage() const;   ///< 1-based; 0 without pages
    int pageCount() const;
    double zoom() const;
    const PageDescription& document() const { return *m_doc; }
    PageView* pageView() const { return m_view; }

    /// Moves to `page` (1-based), cut to the pages there are.
    void goToPage(int page);
    /// Sets the zoom in percent, kept between 10 and 200.
    void setZoom(double percent);

    void printPages();
    void saveAs();
    void openSnapshot();
    void askPage();
    void zoomIn();
    void zoomOut();
    void fitToWidth();
    void fitToPage();

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QAction* command(const QString& name, const QString& caption, const QList<QKeySequence>& keys,
                     void (PreviewWindow::*slot)());
    void showDocument(const PageDescription& doc);
    void refresh();
    void pageBoxEdited();
    void zoomBoxEdited();

    void startBoxEdited();

    const PageDescription* m_doc;
    Relayout m_relayout;
    QSpinBox* m_startBox;
    QAction* m_startBoxAction;
    QAction* m_startLabelAction;
    std::unique_ptr<PageDescription> m_opened;   // a snapshot opened from the File menu
    ReportSystem& m_system;
    PreviewDialogs& m_dialogs;
    ErrorHook m_onFailure;
    DeviceFactory m_deviceFactory;
    std::vector<FileOutput*> m_outputs;
    int m_page = 0;   // 0-based

    PageView* m_view;
    QLabel* m_status;
    QLineEdit* m_pageBox;
    QLabel* m_pageCountLabel;
    QLineEdit* m_zoomBox;
    QAction* m_open;
    QAction* m_print;
    QAction* m_saveAs;
    QAction* m_exit;
    QAction* m_first;
    QAction* m_previous;
    QAction* m_next;
    QAction* m_last;
    QAction* m_goTo;
    QAction* m_zoomIn;
    QAction* m_zoomOut;
    QAction* m_fitWidth;
    QAction* m_fitPage;
};

} // namespace quorvel::report
