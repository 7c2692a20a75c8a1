#include "app/DbGrid.h"

#include "app/Dialogs.h"
#include "app/ErrorHandler.h"
#include "table/Numbers.h"
#include "table/Table.h"
#include "table/TableModel.h"
#include "table/Windows1252.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOptionSlider>
#include <QStyledItemDelegate>

namespace quorvel::app {

using table::FieldType;
using table::Table;

// Creates the cell editors and hands their events to the grid instead of the view's own
// commit-and-close machinery, so every write goes through the guard.
class CellDelegate : public QStyledItemDelegate
{
public:
    explicit CellDelegate(DbGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override
    {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        editor->setFont(m_grid->font());
        const auto& def = m_grid->table().field(m_grid->dataSource()->column(index.column()).field);
        if (def.type == FieldType::Text)
            editor->setMaxLength(def.width);
        editor->setAlignment(m_grid->dataSource()->column(index.column()).alignment);
        QObject::connect(editor, &QLineEdit::textEdited, m_grid, [grid = m_grid] { grid->ensureEditing(); });
        return editor;
    }

    void setEditorData(QWidget*, const QModelIndex&) const override {}
    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (auto* editor = qobject_cast<QLineEdit*>(object))
            return m_grid->editorEvent(editor, event);
        return false;
    }

private:
    DbGrid* m_grid;
};

namespace {

// Qt's Fusion style paints a scroll bar's handle paler than its trough, so a handle that
// fills most of the bar reads as the trough and the trough as a handle. The grid's bars
// paint the handle as the darker part, as scroll bars commonly look.
class GridScrollBarStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override
    {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (control != CC_ScrollBar || !bar || bar->maximum == bar->minimum)
            return;
        const QRect groove = subControlRect(control, bar, SC_ScrollBarGroove, widget);
        const QRect handle = subControlRect(control, bar, SC_ScrollBarSlider, widget);
        const QPalette& palette = bar->palette;
        const bool pressed = (bar->state & State_Sunken) && (bar->activeSubControls & SC_ScrollBarSlider);
        painter->save();
        painter->fillRect(groove, palette.color(QPalette::Window).lighter(104));
        painter->setPen(palette.color(QPalette::Dark));
        painter->setBrush(palette.color(QPalette::Button).darker(pressed ? 140 : 125));
        painter->drawRect(handle.adjusted(1, 1, -2, -2));
        painter->restore();
    }
};

} // namespace

DbGrid::DbGrid(ErrorHandler& errors, QWidget* parent)
    : QTableView(parent), m_errors(errors), m_delegate(new CellDelegate(this))
{
    setItemDelegate(m_delegate);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    setSelectionBehavior(SelectItems);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setFocusPolicy(Qt::StrongFocus);
    // Per column the bar has as many positions as columns hidden (here one or two); per pixel
    // the handle follows the mouse and measures the share of the columns' width in view.
    setHorizontalScrollMode(ScrollPerPixel);
    auto* barStyle = new GridScrollBarStyle(QStyleFactory::create(QApplication::style()->name()));
    barStyle->setParent(this);
    horizontalScrollBar()->setStyle(barStyle);
    verticalScrollBar()->setStyle(barStyle);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionsClickable(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    verticalHeader()->setHighlightSections(false);

    m_focusWatch = connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        // Only a move to another control of this window counts; another window taking the
        // focus (a box, a menu, another program) leaves the grid as it is.
        if (old && ownsWidget(old) && now && !ownsWidget(now) && now->window() == window())
            leaveGrid();
    });
}

DbGrid::~DbGrid()
{
    // QWidget's destructor still moves the focus away, after this object has stopped being a grid.
    disconnect(m_focusWatch);
}

void DbGrid::setDataSource(table::TableModel* source)
{
    m_source = source;
    setModel(source);
    connect(source, &table::TableModel::currentRowChanged, this, &DbGrid::followCurrentRow);
    connect(source, &QAbstractItemModel::modelReset, this, [this] { followCurrentRow(table().currentRow()); });
    followCurrentRow(table().currentRow());
}

Table& DbGrid::table() const
{
    return m_source->table();
}

bool DbGrid::ownsWidget(const QWidget* widget) const
{
    return widget == this || isAncestorOf(widget);
}

QLineEdit* DbGrid::cellEditor() const
{
    if (!m_editorIndex.isValid())
        return nullptr;
    return qobject_cast<QLineEdit*>(indexWidget(m_editorIndex));
}

void DbGrid::followCurrentRow(int row)
{
    if (row < 0 || row >= model()->rowCount())
        return;
    QModelIndex index = model()->index(row, m_column);
    if (selectionModel()->currentIndex() != index)
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

void DbGrid::setColumn(int column)
{
    m_column = column;
    followCurrentRow(table().currentRow());
}

void DbGrid::settle()
{
    m_source->flush();
    followCurrentRow(table().currentRow());
}

bool DbGrid::accepts(int column, const QString& text) const
{
    const auto& def = table().field(m_source->column(column).field);
    for (QChar c : text) {
        bool ok = true;
        if (def.type == FieldType::Fixed || def.type == FieldType::Currency)
            ok = c.isDigit() || c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char(table::decimalSeparator());
        else if (def.type == FieldType::Integer)
            ok = c.isDigit() || c == QLatin1Char('+') || c == QLatin1Char('-');
        if (!ok)
            return false;
    }
    return true;
}

void DbGrid::ensureEditing()
{
    m_errors.guarded([this] {
        if (table().state() == Table::State::Browsing && table().currentRow() >= 0)
            table().edit();
    });
}

void DbGrid::openEditor(const QString* typed)
{
    settle();
    int row = table().currentRow();
    if (row < 0 || row >= model()->rowCount())
        return;
    QModelIndex index = model()->index(row, m_column);
    if (cellEditor() && m_editorIndex == index) {
        cellEditor()->setFocus(Qt::OtherFocusReason);
        return;
    }
    closeEditor();
    m_editorIndex = index;
    m_editorBaseline = model()->data(index, Qt::EditRole).toString();
    openPersistentEditor(index);
    QLineEdit* editor = cellEditor();
    if (!editor)
        return;
    editor->setText(m_editorBaseline);
    if (typed) {
        editor->setText(*typed);
        ensureEditing();
    } else {
        editor->selectAll();
    }
    editor->setFocus(Qt::OtherFocusReason);
}

void DbGrid::closeEditor()
{
    if (!m_editorIndex.isValid()) {
        m_editorIndex = QPersistentModelIndex();
        return;
    }
    QLineEdit* editor = cellEditor();
    QModelIndex index = m_editorIndex;
    m_editorIndex = QPersistentModelIndex();
    if (editor && editor->hasFocus())
        setFocus(Qt::OtherFocusReason);
    closePersistentEditor(index);
}

void DbGrid::discardEditor()
{
    closeEditor();
}

void DbGrid::writeEditor()
{
    QLineEdit* editor = cellEditor();
    if (!editor)
        return;
    QString text = editor->text();
    if (text == m_editorBaseline)
        return;
    int field = m_source->column(m_editorIndex.column()).field;
    table().setText(field, table::toWindows1252(text));
    m_editorBaseline = text;
}

void DbGrid::showField(int field)
{
    int column = m_source->columnOfField(field);
    if (column < 0)
        return;
    settle();
    setColumn(column);
    setFocus(Qt::OtherFocusReason);
    openEditor(nullptr);
}

void DbGrid::moveToRow(int row)
{
    closeEditor();
    table().moveTo(row);
    settle();
}

void DbGrid::down()
{
    Table& t = table();
    int last = t.rowCount() - 1;
    if (t.currentRow() < last) {
        moveToRow(t.currentRow() + 1);
        return;
    }
    // On the last row (or in an empty list) Down begins a new row, unless it already is one.
    if (t.state() == Table::State::Inserting && !t.isModified())
        return;
    closeEditor();
    t.append();
    settle();
}

void DbGrid::up()
{
    Table& t = table();
    if (t.state() == Table::State::Inserting && !t.isModified() && t.currentRow() == t.rowCount() - 1) {
        closeEditor();
        t.abandon();
        settle();
        return;
    }
    if (t.currentRow() > 0)
        moveToRow(t.currentRow() - 1);
}

void DbGrid::tab(bool forward)
{
    QHeaderView* header = horizontalHeader();
    int visual = header->visualIndex(m_column);
    int count = header->count();
    if (forward && visual + 1 < count) {
        closeEditor();
        setColumn(header->logicalIndex(visual + 1));
        return;
    }
    if (!forward && visual > 0) {
        closeEditor();
        setColumn(header->logicalIndex(visual - 1));
        return;
    }
    Table& t = table();
    if (forward) {
        if (t.currentRow() < t.rowCount() - 1)
            moveToRow(t.currentRow() + 1);
        else if (!(t.state() == Table::State::Inserting && !t.isModified())) {
            closeEditor();
            t.append();
            settle();
        }
        setColumn(header->logicalIndex(0));
    } else if (t.currentRow() > 0) {
        moveToRow(t.currentRow() - 1);
        setColumn(header->logicalIndex(count - 1));
    }
}

void DbGrid::handleKey(int key, Qt::KeyboardModifiers modifiers, const QString& text)
{
    Table& t = table();
    bool ctrl = modifiers & Qt::ControlModifier;
    QHeaderView* header = horizontalHeader();
    switch (key) {
    case Qt::Key_Down:
        down();
        return;
    case Qt::Key_Up:
        up();
        return;
    case Qt::Key_PageDown:
    case Qt::Key_PageUp: {
        int page = qMax(1, viewport()->height() / qMax(1, verticalHeader()->defaultSectionSize()) - 1);
        int target = t.currentRow() + (key == Qt::Key_PageDown ? page : -page);
        if (t.rowCount() > 0)
            moveToRow(qBound(0, target, t.rowCount() - 1));
        return;
    }
    case Qt::Key_Home:
    case Qt::Key_End:
        if (ctrl) {
            if (t.rowCount() > 0)
                moveToRow(key == Qt::Key_Home ? 0 : t.rowCount() - 1);
        } else {
            closeEditor();
            setColumn(header->logicalIndex(key == Qt::Key_Home ? 0 : header->count() - 1));
        }
        return;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        int visual = header->visualIndex(m_column) + (key == Qt::Key_Right ? 1 : -1);
        if (visual >= 0 && visual < header->count()) {
            closeEditor();
            setColumn(header->logicalIndex(visual));
        }
        return;
    }
    case Qt::Key_Tab:
        tab(true);
        return;
    case Qt::Key_Backtab:
        tab(false);
        return;
    case Qt::Key_F2:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        openEditor(nullptr);
        return;
    case Qt::Key_Escape:
        closeEditor();
        if (t.isPending()) {
            t.abandon();
            settle();
        }
        return;
    case Qt::Key_Insert:
        if (modifiers == Qt::NoModifier) {
            closeEditor();
            t.insert();
            settle();
        }
        return;
    case Qt::Key_Delete:
        if (ctrl && !t.isEmpty()) {
            if (m_errors.dialogs().show(Dialogs::confirmDeleteRecord()) == Dialogs::Button::Ok) {
                closeEditor();
                t.remove();
                settle();
            }
        }
        return;
    default:
        break;
    }
    if (text.isEmpty() || !text.at(0).isPrint() || (modifiers & (Qt::ControlModifier | Qt::AltModifier)))
        return;
    if (!accepts(m_column, text)) {
        QApplication::beep();
        return;
    }
    if (t.isEmpty()) {
        t.append();
        settle();
    }
    openEditor(&text);
}

void DbGrid::keyPressEvent(QKeyEvent* event)
{
    if (!m_source) {
        QTableView::keyPressEvent(event);
        return;
    }
    event->accept();
    int key = event->key();
    auto modifiers = event->modifiers();
    QString text = event->text();
    m_errors.guarded([&] { handleKey(key, modifiers, text); });
}

bool DbGrid::focusNextPrevChild(bool next)
{
    // The grid keeps Tab and Shift+Tab for moving between its cells.
    if (m_source && hasFocus())
        m_errors.guarded([&] { tab(next); });
    return true;
}

bool DbGrid::editorEvent(QLineEdit* editor, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* ke = static_cast<QKeyEvent*>(event);
    int key = ke->key();
    auto modifiers = ke->modifiers();
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_errors.guarded([&] {
            writeEditor();
            closeEditor();
        });
        return true;
    case Qt::Key_Escape:
        m_errors.guarded([&] {
            bool typed = editor->text() != m_editorBaseline;
            closeEditor();
            if (!typed && table().isPending()) {
                table().abandon();
                settle();
            }
        });
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        m_errors.guarded([&] {
            writeEditor();
            handleKey(key, modifiers, QString());
        });
        return true;
    case Qt::Key_Delete:
        if (modifiers & Qt::ControlModifier) {
            m_errors.guarded([&] { handleKey(key, modifiers, QString()); });
            return true;
        }
        return false;
    default:
        break;
    }
    QString text = ke->text();
    if (!text.isEmpty() && text.at(0).isPrint() && !(modifiers & (Qt::ControlModifier | Qt::AltModifier))
        && m_editorIndex.isValid() && !accepts(m_editorIndex.column(), text)) {
        QApplication::beep();
        return true;
    }
    return false;
}

void DbGrid::leaveGrid()
{
    m_errors.guarded([this] {
        writeEditor();
        closeEditor();
        Table& t = table();
        if (t.state() == Table::State::Inserting && !t.isModified()) {
            t.abandon();
            settle();
        }
    });
}

void DbGrid::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid() || !m_source)
        return;
    m_errors.guarded([&] {
        if (index == QModelIndex(m_editorIndex))
            return;
        writeEditor();
        closeEditor();
        if (index.row() != table().currentRow())
            table().moveTo(index.row());
        settle();
        setColumn(index.column());
    });
}

void DbGrid::mouseMoveEvent(QMouseEvent*) {}

void DbGrid::mouseReleaseEvent(QMouseEvent*) {}

void DbGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !indexAt(event->position().toPoint()).isValid())
        return;
    m_errors.guarded([this] { openEditor(nullptr); });
}

void DbGrid::contextMenuEvent(QContextMenuEvent* event)
{
    QPoint global = event->reason() == QContextMenuEvent::Keyboard ? mapToGlobal(QPoint(0, 0)) : event->globalPos();
    emit contextMenuRequestedAt(global);
}

} // namespace quorvel::app
