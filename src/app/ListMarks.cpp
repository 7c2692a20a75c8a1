#include "app/ListMarks.h"

#include "app/Dialogs.h"
#include "app/ErrorHandler.h"
#include "printrun/PrintRun.h"
#include "table/Table.h"
#include "table/TableModel.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHeaderView>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QTableView>

#include <algorithm>

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
    table::Table& rows = m_model.table();
    m_repeated.assign(static_cast<std::size_t>(rows.rowCount()), 0);
    m_originals.assign(static_cast<std::size_t>(rows.rowCount()), {});
    m_subscription = rows.subscribe([this, &rows](const table::Change& change) {
        const std::ptrdiff_t at = std::clamp<std::ptrdiff_t>(change.row, 0, static_cast<std::ptrdiff_t>(m_repeated.size()));
        switch (change.kind) {
        case table::Change::Kind::RowBegun:
            m_repeated.insert(m_repeated.begin() + at, 0);
            m_originals.insert(m_originals.begin() + at, labels::OriginalTexts());
            break;
        case table::Change::Kind::RowAbandoned:
        case table::Change::Kind::RowDeleted:
            if (m_repeated.size() > static_cast<std::size_t>(rows.rowCount()) && at < static_cast<std::ptrdiff_t>(m_repeated.size())) {
                m_repeated.erase(m_repeated.begin() + at);
                m_originals.erase(m_originals.begin() + at);
            }
            break;
        case table::Change::Kind::Emptied:
            m_repeated.clear();
            m_originals.clear();
            break;
        default:
            break;
        }
    });
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
    m_model.table().unsubscribe(m_subscription);
    m_model.setRowHeaderData({});
}

void ListMarks::markRepeated(int first, int end)
{
    for (int row = std::max(first, 0); row < end && row < static_cast<int>(m_repeated.size()); ++row)
        m_repeated[static_cast<std::size_t>(row)] = 1;
    m_model.rowHeadersChanged();
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

void ListMarks::setOriginals(int row, labels::OriginalTexts texts)
{
    if (row >= 0 && row < static_cast<int>(m_originals.size()))
        m_originals[static_cast<std::size_t>(row)] = std::move(texts);
}

QString ListMarks::reasons(int row)
{
    const bool known = row >= 0 && row < static_cast<int>(m_originals.size());
    QString why = labels::rowProblems(m_model.table(), row, m_codes, known ? &m_originals[static_cast<std::size_t>(row)] : nullptr);
    if (row >= 0 && row < static_cast<int>(m_repeated.size()) && m_repeated[static_cast<std::size_t>(row)] != 0)
        why += (why.isEmpty() ? QString() : QStringLiteral("\n")) + QString::fromUtf8("Arquivo já importado: estas linhas estão repetidas");
    return why;
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
    // A pending row the table will refuse stops the run with the table's own message: no
    // question before it.
    const table::Table& rows = m_model.table();
    if (rows.pendingRow() >= 0 && !labels::storable(rows, rows.pendingRow()))
        return true;
    const labels::PreflightSummary summary = labels::summarize(m_model.table(), m_plan, m_codes);
    if (summary.errorLabels == 0)
        return true;
    return dialogs.show(Dialogs::printBarcodeErrors(summary.errorLabels, summary.errorRows, summary.errorCodes))
           == Dialogs::Button::Yes;
}

} // namespace quorvel::app
