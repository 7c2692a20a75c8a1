#include "report/ui/PreviewWindow.h"

#include "report/outputs/FileOutput.h"
#include "report/engine/PageDescription.h"
#include "report/engine/PageSink.h"
#include "report/engine/ReportSystem.h"
#include "report/outputs/Snapshot.h"
#include "report/ui/OutputOptionsDialog.h"
#include "report/ui/PageRange.h"
#include "report/ui/PageView.h"
#include "report/ui/PreviewDialogs.h"
#include "report/cups/PrintDevice.h"
#include "report/cups/CupsDevice.h"
#include "report/ui/PrinterLine.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>

namespace quorvel::report {

namespace {

constexpr double minZoom = 10;
constexpr double maxZoom = 200;

const QString snapshotFilter = QStringLiteral("Report Snapshot Files (*.ndr)");

class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

PreviewWindow::PreviewWindow(const PageDescription& pages, ReportSystem& system, PreviewDialogs& dialogs,
                             ErrorHook onFailure, QWidget* parent)
    : QMainWindow(parent)
    , m_doc(&pages)
    , m_system(system)
    , m_dialogs(dialogs)
    , m_onFailure(std::move(onFailure))
    , m_deviceFactory([](const QString& printer) { return std::make_unique<CupsDevice>(printer); })
    , m_view(new PageView(this))
{
    setObjectName(QStringLiteral("previewWindow"));
    setWindowTitle(system.titlePreview);
    setCentralWidget(m_view);

    m_open = command(QStringLiteral("actionOpen"), QStringLiteral("&Open"), {QKeySequence(Qt::CTRL | Qt::Key_O)},
                     &PreviewWindow::openSnapshot);
    m_print = command(QStringLiteral("actionPrint"), QStringLiteral("&Print"), {QKeySequence(Qt::CTRL | Qt::Key_P)},
                      &PreviewWindow::printPages);
    m_print->setEnabled(system.allowPrintFromPreview);
    m_saveAs = command(QStringLiteral("actionSaveAs"), QStringLiteral("&Save As"), {QKeySequence(Qt::CTRL | Qt::Key_S)},
                       &PreviewWindow::saveAs);
    m_exit = command(QStringLiteral("actionExit"), QStringLiteral("E&xit"), {QKeySequence(Qt::Key_Escape)}, nullptr);
    connect(m_exit, &QAction::triggered, this, &QWidget::close);
    m_first = command(QStringLiteral("actionFirst"), QStringLiteral("&First"), {QKeySequence(Qt::CTRL | Qt::Key_Home)},
                      nullptr);
    m_previous = command(QStringLiteral("actionPrevious"), QStringLiteral("&Previous"),
                         {QKeySequence(Qt::CTRL | Qt::Key_PageUp)}, nullptr);
    m_next = command(QStringLiteral("actionNext"), QStringLiteral("&Next"), {QKeySequence(Qt::CTRL | Qt::Key_PageDown)},
                     nullptr);
    m_last = command(QStringLiteral("actionLast"), QStringLiteral("&Last"), {QKeySequence(Qt::CTRL | Qt::Key_End)},
                     nullptr);
    m_goTo = command(QStringLiteral("actionGoToPage"), QStringLiteral("&Go to Page #"), {QKeySequence(Qt::CTRL | Qt::Key_G)},
                     &PreviewWindow::askPage);
    m_zoomIn = command(QStringLiteral("actionZoomIn"), QStringLiteral("Zoom &In"),
                       {QKeySequence(Qt::Key_Plus), QKeySequence(Qt::KeypadModifier | Qt::Key_Plus)},
                       &PreviewWindow::zoomIn);
    m_zoomOut = command(QStringLiteral("actionZoomOut"), QStringLiteral("Zoom &Out"),
                        {QKeySequence(Qt::Key_Minus), QKeySequence(Qt::KeypadModifier | Qt::Key_Minus)},
                        &PreviewWindow::zoomOut);
    m_fitWidth = command(QStringLiteral("actionFitWidth"), QStringLiteral("Fit to Page &Width"),
                         {QKeySequence(Qt::CTRL | Qt::Key_W)}, &PreviewWindow::fitToWidth);
    m_fitPage = command(QStringLiteral("actionFitPage"), QStringLiteral("Fit to &Page"),
                        {QKeySequence(Qt::CTRL | Qt::Key_F)}, &PreviewWindow::fitToPage);

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("menuFile"));
    file->addActions({m_open, m_print, m_saveAs});
    file->addSeparator();
    file->addAction(m_exit);
    QMenu* page = menuBar()->addMenu(QStringLiteral("&Page"));
    page->setObjectName(QStringLiteral("menuPage"));
    page->addActions({m_first, m_previous, m_next, m_last});
    page->addSeparator();
    page->addAction(m_goTo);
    QMenu* zoomMenu = menuBar()->addMenu(QStringLiteral("&Zoom"));
    zoomMenu->setObjectName(QStringLiteral("menuZoom"));
    zoomMenu->addActions({m_zoomIn, m_zoomOut});
    zoomMenu->addSeparator();
    zoomMenu->addActions({m_fitWidth, m_fitPage});

    QToolBar* tools = addToolBar(QStringLiteral("Preview"));
    tools->setObjectName(QStringLiteral("toolBar"));
    tools->setMovable(false);
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    tools->addActions({m_print, m_saveAs});
    tools->addSeparator();
    tools->addActions({m_first, m_previous, m_next, m_last});
    tools->addSeparator();
    tools->addWidget(new QLabel(QStringLiteral(" Page "), tools));
    m_pageBox = new QLineEdit(tools);
    m_pageBox->setObjectName(QStringLiteral("pageBox"));
    m_pageBox->setValidator(new QIntValidator(0, 999999, m_pageBox));
    m_pageBox->setMaximumWidth(60);
    m_pageBox->setAlignment(Qt::AlignRight);
    tools->addWidget(m_pageBox);
    m_pageCountLabel = new QLabel(tools);
    m_pageCountLabel->setObjectName(QStringLiteral("pageCountLabel"));
    tools->addWidget(m_pageCountLabel);
    tools->addSeparator();
    tools->addActions({m_zoomIn, m_zoomOut, m_fitWidth, m_fitPage});
    tools->addWidget(new QLabel(QStringLiteral(" Zoom "), tools));
    m_zoomBox = new QLineEdit(tools);
    m_zoomBox->setObjectName(QStringLiteral("zoomBox"));
    m_zoomBox->setMaximumWidth(60);
    m_zoomBox->setAlignment(Qt::AlignRight);
    tools->addWidget(m_zoomBox);
    tools->addWidget(new QLabel(QStringLiteral(" % "), tools));
    tools->addSeparator();
    m_startLabelAction = tools->addWidget(new QLabel(QStringLiteral(" Start at label "), tools));
    m_startBox = new QSpinBox(tools);
    m_startBox->setObjectName(QStringLiteral("startBox"));
    m_startBox->setRange(1, 1);
    m_startBox->setKeyboardTracking(false);
    m_startBox->setToolTip(QStringLiteral("The first label goes to this slot of page 1 (1 = top left); the slots before it stay blank"));
    m_startBoxAction = tools->addWidget(m_startBox);
    m_startLabelAction->setVisible(false);
    m_startBoxAction->setVisible(false);
    tools->addSeparator();
    tools->addAction(m_exit);

    m_view->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_view->addActions({m_zoomIn, m_zoomOut});

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("pageStatus"));
    statusBar()->addWidget(m_status, 1);

    connect(m_pageBox, &QLineEdit::editingFinished, this, [this] { guarded(m_onFailure, [this] { pageBoxEdited(); }); });
    connect(m_zoomBox, &QLineEdit::editingFinished, this, [this] { guarded(m_onFailure, [this] { zoomBoxEdited(); }); });
    connect(m_startBox, &QSpinBox::valueChanged, this, [this] { guarded(m_onFailure, [this] { startBoxEdited(); }); });
    connect(m_view, &PageView::downPastBottom, this, [this] {
        if (m_page + 1 < pageCount())
            goToPage(m_page + 2);
    });
    connect(m_view, &PageView::upPastTop, this, [this] {
        if (m_page > 0) {
            goToPage(m_page);
            m_view->scrollToBottom();
        }
    });
    // Paging commands, wired here because they take the page they move to.
    connect(m_first, &QAction::triggered, this, [this] { goToPage(1); });
    connect(m_previous, &QAction::triggered, this, [this] { goToPage(m_page); });
    connect(m_next, &QAction::triggered, this, [this] { goToPage(m_page + 2); });
    connect(m_last, &QAction::triggered, this, [this] { goToPage(pageCount()); });

    resize(1024, 720);
    m_view->setZoom(std::clamp(static_cast<double>(system.zoomFactor), minZoom, maxZoom));
    showDocument(pages);
    m_view->setFocus();
}

PreviewWindow::~PreviewWindow()
{
    // Closing the window takes the focus from a box, which reports its edit: not to a
    // window that is half destroyed.
    disconnect(m_pageBox, nullptr, this, nullptr);
    disconnect(m_zoomBox, nullptr, this, nullptr);
    disconnect(m_startBox, nullptr, this, nullptr);
}

QAction* PreviewWindow::command(const QString& name, const QString& caption, const QList<QKeySequence>& keys,
                                void (PreviewWindow::*slot)())
{
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    if (slot)
        connect(action, &QAction::triggered, this, [this, slot] { guarded(m_onFailure, [this, slot] { (this->*slot)(); }); });
    return action;
}

void PreviewWindow::exec()
{
    setWindowModality(Qt::ApplicationModal);
    if (m_system.previewMaximized)
        showMaximized();
    else
        show();
    QEventLoop loop;
    connect(this, &PreviewWindow::closed, &loop, &QEventLoop::quit);
    if (isVisible())
        loop.exec();
}

void PreviewWindow::setDeviceFactory(DeviceFactory factory) { m_deviceFactory = std::move(factory); }

void PreviewWindow::setOutputs(std::vector<FileOutput*> outputs) { m_outputs = std::move(outputs); }

void PreviewWindow::setRelayout(Relayout relayout)
{
    m_relayout = std::move(relayout);
    const bool shown = m_relayout.relay && m_relayout.labelsPerPage > 1;
    {
        const QSignalBlocker quiet(m_startBox);
        m_startBox->setRange(1, shown ? static_cast<int>(std::min<std::int64_t>(m_relayout.labelsPerPage, 100000)) : 1);
        m_startBox->setValue(std::clamp(m_system.startLabel, 1, m_startBox->maximum()));
    }
    m_startLabelAction->setVisible(shown);
    m_startBoxAction->setVisible(shown);
}

int PreviewWindow::startLabel() const { return m_startBox->value(); }

void PreviewWindow::setStartLabel(int label) { m_startBox->setValue(label); }

void PreviewWindow::startBoxEdited()
{
    if (!m_relayout.relay)
        return;
    // Whatever becomes of the layout, the box shows the slot the pages were laid from.
    struct ShowSlot
    {
        PreviewWindow* w;
        ~ShowSlot()
        {
            const QSignalBlocker quiet(w->m_startBox);
            w->m_startBox->setValue(std::clamp(w->m_system.startLabel, 1, w->m_startBox->maximum()));
        }
    } showSlot{this};
    const int page = currentPage();
    const PageDescription* doc = nullptr;
    {
        const WaitCursor wait;
        doc = &m_relayout.relay(m_startBox->value());
    }
    showDocument(*doc);
    m_opened.reset();
    goToPage(page);
}

int PreviewWindow::currentPage() const { return pageCount() == 0 ? 0 : m_page + 1; }

int PreviewWindow::pageCount() const { return static_cast<int>(m_doc->pages.size()); }

double PreviewWindow::zoom() const { return m_view->zoom(); }

void PreviewWindow::showDocument(const PageDescription& doc)
{
    m_doc = &doc;
    m_page = 0;
    m_view->setDocument(m_doc);
    refresh();
}

void PreviewWindow::goToPage(int page)
{
    const int target = std::clamp(page, 1, std::max(pageCount(), 1)) - 1;
    if (target != m_page) {
        m_page = target;
        m_view->setPage(static_cast<std::size_t>(m_page));
    }
    refresh();
}

void PreviewWindow::setZoom(double percent)
{
    m_view->setZoom(std::clamp(percent, minZoom, maxZoom));
    refresh();
}

void PreviewWindow::refresh()
{
    const int count = pageCount();
    const int page = currentPage();
    m_status->setText(QStringLiteral("Page %1 of %2").arg(page).arg(count));
    m_pageBox->setText(QString::number(page));
    m_pageCountLabel->setText(QStringLiteral(" of %1 ").arg(count));
    m_zoomBox->setText(QString::number(m_view->zoom(), 'f', 1));
    m_first->setEnabled(page > 1);
    m_previous->setEnabled(page > 1);
    m_next->setEnabled(page < count);
    m_last->setEnabled(page < count);
    m_zoomIn->setEnabled(m_view->zoom() < maxZoom);
    m_zoomOut->setEnabled(m_view->zoom() > minZoom);
}

void PreviewWindow::pageBoxEdited()
{
    bool ok = false;
    const int page = m_pageBox->text().toInt(&ok);
    if (ok)
        goToPage(page);
    else
        refresh();
}

void PreviewWindow::zoomBoxEdited()
{
    QString text = m_zoomBox->text().trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double percent = text.toDouble(&ok);
    if (ok)
        setZoom(percent);
    else
        refresh();
}

void PreviewWindow::askPage()
{
    const auto answer = m_dialogs.askPage(this, currentPage());
    if (!answer)
        return;
    bool ok = false;
    const int page = answer->trimmed().toInt(&ok);
    if (ok)
        goToPage(page);
}

void PreviewWindow::zoomIn()
{
    if (m_view->zoom() < maxZoom)
        setZoom(m_view->zoom() + m_system.zoomInc);
}

void PreviewWindow::zoomOut()
{
    if (m_view->zoom() > minZoom)
        setZoom(m_view->zoom() - m_system.zoomInc);
}

void PreviewWindow::fitToWidth() { setZoom(m_view->fitWidthZoom()); }

void PreviewWindow::fitToPage() { setZoom(m_view->fitPageZoom()); }

void PreviewWindow::printPages()
{
    if (!m_system.allowPrintFromPreview)
        return;
    const QString printer = currentPrinter(m_system, *m_doc);
    if (!m_system.allowPreviewSetup) {
        // Without the options dialog every page goes to the current printer.
        const WaitCursor wait;
        printCopies(*m_deviceFactory(printer), *m_doc, allPages(m_doc->pages.size()), std::max(m_system.copies, 1),
                    m_system.printerTitle);
        return;
    }
    OutputOptionsDialog dialog(m_system, *m_doc, printer, m_dialogs, this);
    if (!m_dialogs.runOutputOptions(dialog))
        return;
    const WaitCursor wait;
    const auto device = m_deviceFactory(dialog.printerName());
    printCopies(*device, *m_doc, dialog.pages(), dialog.copies(), m_system.printerTitle);
}

void PreviewWindow::saveAs()
{
    std::vector<FileOutput*> outputs;
    for (FileOutput* output : m_outputs)
        if (output->isActive())
            outputs.push_back(output);
    QStringList filters{snapshotFilter};
    for (const FileOutput* output : outputs)
        filters << QStringLiteral("%1 (%2)").arg(output->displayName(), output->fileExtension());
    const auto target = m_dialogs.askSaveFile(this, filters);
    if (!target)
        return;
    const WaitCursor wait;
    std::unique_ptr<PageSink> sink;
    if (target->filterIndex <= 0 || static_cast<std::size_t>(target->filterIndex) > outputs.size())
        sink = std::make_unique<snapshot::Sink>(target->path);
    else
        sink = outputs[static_cast<std::size_t>(target->filterIndex - 1)]->sink(target->path);
    writePages(*m_doc, *sink);
}

void PreviewWindow::openSnapshot()
{
    const auto path = m_dialogs.askOpenFile(this, snapshotFilter);
    if (!path)
        return;
    auto opened = std::make_unique<PageDescription>([&] {
        const WaitCursor wait;
        return snapshot::read(*path);
    }());
    // The view lets go of the old description before it is freed.
    showDocument(*opened);
    m_opened = std::move(opened);
}

void PreviewWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    emit closed();
}

void PreviewWindow::keyPressEvent(QKeyEvent* event)
{
    const QString key = event->text();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (mods == Qt::NoModifier && key.size() == 1) {
        const auto run = [this](QAction* action) {
            if (action->isEnabled())
                action->trigger();
        };
        switch (key.at(0).unicode()) {
        case 'b': case 'B': run(m_first); return;
        case 'p': case 'P': run(m_previous); return;
        case 'n': case 'N': run(m_next); return;
        case 'e': case 'E': run(m_last); return;
        case 'w': case 'W': run(m_fitWidth); return;
        case 'f': case 'F': run(m_fitPage); return;
        case 'x': run(m_exit); return;
        case '+': run(m_zoomIn); return;
        case '-': run(m_zoomOut); return;
        default: break;
        }
    }
    QMainWindow::keyPressEvent(event);
}

} // namespace quorvel::report
