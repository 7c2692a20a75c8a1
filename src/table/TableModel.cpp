#include "table/TableModel.h"

#include "table/Windows1252.h"

#include <QMetaObject>

namespace quorvel::table {

TableModel::TableModel(Table& table, std::vector<Column> columns, QObject* parent)
    : QAbstractTableModel(parent), m_table(table), m_columns(std::move(columns)), m_rows(table.rowCount())
{
    m_subscription = m_table.subscribe([this](const Change& change) { onChange(change); });
    m_current = m_table.currentRow();
    m_currentMark = indicator(m_current);
}

TableModel::~TableModel()
{
    m_table.unsubscribe(m_subscription);
}

int TableModel::columnOfField(int field) const
{
    for (std::size_t c = 0; c < m_columns.size(); ++c)
        if (m_columns[c].field == field)
            return static_cast<int>(c);
    return -1;
}

int TableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int TableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

int TableModel::tableRow(int modelRow) const
{
    switch (m_transition) {
    case Transition::Inserting:
        return modelRow < m_transitionRow ? modelRow : modelRow + 1;
    case Transition::Removing:
        if (modelRow == m_transitionRow)
            return -1;
        return modelRow < m_transitionRow ? modelRow : modelRow - 1;
    case Transition::None:
        break;
    }
    return modelRow;
}

QVariant TableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || index.column() >= columnCount())
        return {};
    const Column& col = column(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
        int row = tableRow(index.row());
        if (row < 0)
            return QString();
        return fromWindows1252(m_table.textAt(row, col.field));
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(col.alignment);
    default:
        return {};
    }
}

QString TableModel::indicator(int row) const
{
    if (row < 0 || row != m_table.currentRow())
        return QString();
    switch (m_table.state()) {
    case Table::State::Browsing:
        return QStringLiteral("\u25B6");
    case Table::State::Editing:
        return QStringLiteral("I");
    case Table::State::Inserting:
        return QStringLiteral("*");
    }
    return QString();
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= columnCount())
            return {};
        if (role == Qt::DisplayRole)
            return column(section).title;
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        return {};
    }
    if (section < 0 || section >= m_rows)
        return {};
    if (role == Qt::DisplayRole)
        return indicator(tableRow(section));
    if (m_rowHeaderData) {
        const int row = tableRow(section);
        if (row >= 0)
            return m_rowHeaderData(row, role);
    }
    return {};
}

void TableModel::setRowHeaderData(RowHeaderData data)
{
    m_rowHeaderData = std::move(data);
    rowHeadersChanged();
}

void TableModel::rowHeadersChanged()
{
    if (m_rows > 0)
        emit headerDataChanged(Qt::Vertical, 0, m_rows - 1);
}

Qt::ItemFlags TableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

void TableModel::onChange(const Change& change)
{
    switch (change.kind) {
    case Change::Kind::RowBegun:
        rowEntered(change.row);
        break;
    case Change::Kind::RowAbandoned:
    case Change::Kind::RowDeleted:
        // An abandoned edit leaves the row in place; only a row count that fell means one left.
        if (m_table.rowCount() < m_rows + m_tail)
            rowLeft(change.row);
        else if (change.row >= 0 && change.row < m_rows) {
            emit dataChanged(index(change.row, 0), index(change.row, columnCount() - 1));
            if (m_rowHeaderData)
                emit headerDataChanged(Qt::Vertical, change.row, change.row);
        }
        break;
    case Change::Kind::Emptied:
        beginResetModel();
        m_rows = 0;
        m_tail = 0;
        m_current = -1;
        m_currentMark.clear();
        endResetModel();
        break;
    case Change::Kind::FieldSet:
        if (change.row >= 0 && change.row < m_rows) {
            int col = columnOfField(change.field);
            if (col >= 0)
                emit dataChanged(index(change.row, col), index(change.row, col));
            if (m_rowHeaderData)
                emit headerDataChanged(Qt::Vertical, change.row, change.row);
        }
        break;
    case Change::Kind::RowStored:
        if (change.row >= 0 && change.row < m_rows) {
            emit dataChanged(index(change.row, 0), index(change.row, columnCount() - 1));
            if (m_rowHeaderData)
                emit headerDataChanged(Qt::Vertical, change.row, change.row);
        }
        break;
    case Change::Kind::Moved:
    case Change::Kind::EditBegun:
        break;
    }
    // A value given to a field moves no row and changes no state: the indicator stays as the
    // change before it left it.
    if (change.kind != Change::Kind::FieldSet && !m_holdCurrent)
        syncCurrent();
    if (m_changeHandler)
        m_changeHandler(change.field);
}

void TableModel::rowEntered(int row)
{
    if (row >= m_rows) {
        // Beyond what views know: joins the unannounced rows at the end.
        ++m_tail;
        scheduleFlush();
        return;
    }
    m_transition = Transition::Inserting;
    m_transitionRow = row;
    beginInsertRows({}, row, row);
    ++m_rows;
    m_transition = Transition::None;
    endInsertRows();
    if (m_current >= row)
        ++m_current;
}

void TableModel::rowLeft(int row)
{
    if (row >= m_rows) {
        --m_tail;
        return;
    }
    m_transition = Transition::Removing;
    m_transitionRow = row;
    beginRemoveRows({}, row, row);
    --m_rows;
    m_transition = Transition::None;
    endRemoveRows();
    if (m_current == row)
        m_current = -1;
    else if (m_current > row)
        --m_current;
}

void TableModel::scheduleFlush()
{
    if (m_flushQueued)
        return;
    m_flushQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_flushQueued = false;
            flush();
        },
        Qt::QueuedConnection);
}

void TableModel::flush()
{
    if (m_tail > 0) {
        beginInsertRows({}, m_rows, m_rows + m_tail - 1);
        m_rows += m_tail;
        m_tail = 0;
        endInsertRows();
    }
    syncCurrent();
}

void TableModel::syncCurrent()
{
    int current = m_table.currentRow();
    if (current >= m_rows) {
        scheduleFlush();
        return;
    }
    QString mark = indicator(current);
    if (current == m_current && mark == m_currentMark)
        return;
    int old = m_current;
    m_current = current;
    m_currentMark = mark;
    if (old >= 0 && old < m_rows && old != current)
        emit headerDataChanged(Qt::Vertical, old, old);
    if (current >= 0)
        emit headerDataChanged(Qt::Vertical, current, current);
    emit currentRowChanged(current);
}

} // namespace quorvel::table
