#include "app/ListMarks.h"

#include "app/Dialogs.h"
#include "app/ErrorHandler.h"
#include "printrun/PrintRun.h"
#include "table/TableModel.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHeaderView>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QTableView>

namespace quorvel::app {

namespace {

constexpr int kMarkSize = 12;

/// A small warning sign: white "!" on an orange disc.
const QIcon& markIcon()
{
    static const QIcon icon = [] {
        QPixmap pixmap(kMarkSize, kMarkSize);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(230, 120, 0));
        p.drawEllipse(QRectF(0.5, 0.5, kMarkSize - 1, kMarkSize - 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(kMarkSize / 2.0 - 1, 2.5, 2, 4.5));
        p.drawRect(QRectF(kMarkSize / 2.0 - 1, 8, 2, 1.8));
        p.end();
        return QIcon(pixmap);
    }();
    return icon;
}

} // namespace

ListMarks::ListMarks(table::TableModel& model, QTableView& grid, PathSource definitionPath, ErrorHandler& errors,
                     QObject* parent)
    : QObject(parent), m_model(model), m_pathSource(std::move(definitionPath)), m_path(m_pathSource()), m_errors(errors),
      m_watcher(new QFileSystemWatcher(this))
{
    // Editors often replace the file rather than write it: its folder tells of that.
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, [this] { m_errors.guarded([this] { reload(); }); });
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { m_errors.guarded([this] { reload(); }); });
    QHeaderView* header = grid.verticalHeader();
    header->setFixedWidth(header->minimumWidth() + kMarkSize + 4);
    header->setIconSize(QSize(kMarkSize, kMarkSize));
    readDefinition();
    m_model.setRowHeaderData([this](int row, int role) -> QVariant {
        if (role != Qt::DecorationRole && role != Qt::ToolTipRole)
            return {};
        const QString why = reasons(row);
        if (why.isEmpty())
            return {};
        if (role == Qt::DecorationRole)
            return markIcon();
        return why;
    });
}

ListMarks::~ListMarks()
{
    m_model.setRowHeaderData({});
}

void ListMarks::watch()
{
    if (!m_watcher->files().isEmpty())
        m_watcher->removePaths(m_watcher->files());
    if (!m_watcher->directories().isEmpty())
        m_watcher->removePaths(m_watcher->directories());
    if (QFileInfo::exists(m_path))
        m_watcher->addPath(m_path);
    const QString folder = QFileInfo(m_path).absolutePath();
    if (QFileInfo::exists(folder))
        m_watcher->addPath(folder);
}

void ListMarks::readDefinition()
{
    m_plan = labels::PrintPlan::read(m_path);
    m_codes.setBarcodes(m_plan.codeBarcodes);
    watch();
}

void ListMarks::reload()
{
    m_path = m_pathSource();
    readDefinition();
    m_model.rowHeadersChanged();
}

QString ListMarks::reasons(int row)
{
    return labels::rowProblems(m_model.table(), row, m_codes);
}

bool ListMarks::approvesRun(Dialogs& dialogs, printrun::PrintRun& run, const report::ReportSystem& system)
{
    // The marks follow the definition the run read, and read it no second time.
    m_path = m_pathSource();
    m_plan = run.plan();
    m_codes.setBarcodes(m_plan.codeBarcodes);
    watch();
    m_model.rowHeadersChanged();
    // The page count first: it needs no bar code checked.
    run.checkPages(system);
    const labels::PreflightSummary summary = labels::summarize(m_model.table(), m_plan, m_codes);
    if (summary.errorLabels == 0)
        return true;
    return dialogs.show(Dialogs::printBarcodeErrors(summary.errorLabels, summary.errorRows, summary.errorCodes))
           == Dialogs::Button::Yes;
}

} // namespace quorvel::app
