// Item-model adapter that lets item views show a table::Table, driven by the table's
// notifications. Rows appended at the end are announced to views in batches, so an import of
// many rows costs one insertion for the views, not one per row.
#pragma once

#include "table/Table.h"
#include "table/Windows1252.h"

#include <QAbstractTableModel>
#include <QString>

#include <functional>
#include <vector>

namespace quorvel::table {

class TableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    struct Column
    {
        int field;
        QString title;
        Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    };

    /// Observes `table`, which must outlive the model. Columns show fields in the given order.
    TableModel(Table& table, std::vector<Column> columns, QObject* parent = nullptr);
    ~TableModel() override;

    Table& table() const { return m_table; }
    const Column& column(int column) const { return m_columns[static_cast<std::size_t>(column)]; }
    /// -1 when the field has no column.
    int columnOfField(int field) const;

    /// Announces the rows appended at the end since the last announcement and brings the
    /// current row up to date. Called by views that must see the table as it is now; otherwise
    /// it runs once control returns to the event loop.
    void flush();

    /// While held, a walk of the table's cursor is not followed row by row: views learn where it
    /// stopped at the next flush. A walk of thousands of rows would otherwise have every view lay
    /// itself out again at each row. Nothing is held while nothing holds it.
    void holdCurrent(bool hold) { m_holdCurrent = hold; }

    /// The indicator text of a row: the current row is marked, and how when it is pending.
    QString indicator(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    /// Row-header data beside the indicator text (a decoration, a tool tip ...), asked for a
    /// table row and a role whenever a view wants it. Row headers are announced again whenever
    /// a row's values change.
    using RowHeaderData = std::function<QVariant(int row, int role)>;
    void setRowHeaderData(RowHeaderData data);
    /// Tells views that every row header may read differently now.
    void rowHeadersChanged();

    /// Called on every notification of the table, synchronously, after views were told: the
    /// assigned field, or -1 when the change concerns the row or the table. A plain call, not a
    /// signal: an import raises a dozen notifications per row and a signal's cost shows there.
    using ChangeHandler = std::function<void(int field)>;
    void setChangeHandler(ChangeHandler handler) { m_changeHandler = std::move(handler); }

signals:
    /// The table's current row, once views know that row; -1 when there is none.
    void currentRowChanged(int row);

private:
    void onChange(const Change& change);
    void rowEntered(int row);
    void rowLeft(int row);
    void scheduleFlush();
    void syncCurrent();
    /// Table row shown at a model row while a structural change is being announced; -1 none.
    int tableRow(int modelRow) const;

    enum class Transition { None, Inserting, Removing };

    Table& m_table;
    std::vector<Column> m_columns;
    int m_subscription = 0;
    int m_rows = 0;           // rows the views know about
    int m_tail = 0;           // rows appended at the end, not yet announced
    Transition m_transition = Transition::None;
    int m_transitionRow = -1;
    int m_current = -1;       // current row as last announced
    QString m_currentMark;
    bool m_flushQueued = false;
    bool m_holdCurrent = false;
    ChangeHandler m_changeHandler;
    RowHeaderData m_rowHeaderData;
};

} // namespace quorvel::table
