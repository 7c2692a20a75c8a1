// The data grid of the import window: shows a table through its TableModel and edits it in
// place, with the keys, mouse rules and focus rules of a data-aware grid. Every table operation
// runs under the error handler's guard, so a refused store or a bad number reaches the operator
// as an error box and never escapes into Qt.
#pragma once

#include <QPersistentModelIndex>
#include <QPointer>
#include <QTableView>

class QLineEdit;

namespace quorvel::table {
class Table;
class TableModel;
} // namespace quorvel::table

namespace quorvel::app {

class ErrorHandler;
class CellDelegate;

class DbGrid : public QTableView
{
    Q_OBJECT

public:
    DbGrid(ErrorHandler& errors, QWidget* parent = nullptr);
    ~DbGrid() override;

    /// Binds the grid to its data source; the source's table must outlive the binding.
    void setDataSource(table::TableModel* source);
    table::TableModel* dataSource() const { return m_source; }

    /// The model column that is current (stays put while the list is empty).
    int currentColumn() const { return m_column; }
    /// The open cell editor, or null.
    QLineEdit* cellEditor() const;

    /// Writes the open editor's text into its field when it changed since it was last written.
    /// Fails as the table does; the editor then stays open.
    void writeEditor();
    /// Closes the editor without writing what it holds.
    void discardEditor();
    /// Makes the field's column current, takes the focus and opens the cell's editor; nothing
    /// for a field without a column.
    void showField(int field);

signals:
    /// The context menu is wanted at this global position.
    void contextMenuRequestedAt(const QPoint& globalPos);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    friend class CellDelegate;

    table::Table& table() const;
    /// Returns true when the editor's event was dealt with here.
    bool editorEvent(QLineEdit* editor, QEvent* event);
    /// Whether a typed character may go into the column's cell.
    bool accepts(int column, const QString& text) const;

    void handleKey(int key, Qt::KeyboardModifiers modifiers, const QString& text);
    void openEditor(const QString* typed);
    void closeEditor();
    void ensureEditing();
    void down();
    void up();
    void tab(bool forward);
    void moveToRow(int row);
    void setColumn(int column);
    void followCurrentRow(int row);
    void leaveGrid();
    void settle();
    bool ownsWidget(const QWidget* widget) const;

    ErrorHandler& m_errors;
    table::TableModel* m_source = nullptr;
    QMetaObject::Connection m_focusWatch;
    CellDelegate* m_delegate;
    QPersistentModelIndex m_editorIndex;
    QString m_editorBaseline;   // the editor's text as last written into (or read from) the field
    int m_column = 0;
};

} // namespace quorvel::app
