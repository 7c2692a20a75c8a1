// The in-memory table service: ordered fields, rows in insertion order with no key, a current
// row, and the browsing / editing / inserting states with one pending row.
#pragma once

#include "table/Field.h"

#include <QString>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::table {

/// What a data-change notification says. `field` is the assigned field, or -1 when the change
/// concerns the row or the table. `row` is the view index the change concerns (-1: whole table).
struct Change
{
    enum class Kind : std::uint8_t {
        Moved,        ///< the current row moved, or a move ran into an end
        RowBegun,     ///< a new pending row entered the view at `row`
        EditBegun,    ///< the current row started being edited
        FieldSet,     ///< a field of the current (pending) row received a value
        RowStored,    ///< the pending row joined the table
        RowAbandoned, ///< the pending row's changes were dropped; a new row left the view (`row`)
        RowDeleted,   ///< the row at `row` was removed
        Emptied,      ///< every row was removed
    };
    Kind kind;
    int row = -1;
    int field = -1;
};

class Table
{
public:
    enum class State : std::uint8_t { Browsing, Editing, Inserting };
    using Observer = std::function<void(const Change&)>;

    Table(QString name, std::vector<FieldDef> fields);
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    const QString& name() const { return m_name; }
    int fieldCount() const { return static_cast<int>(m_fields.size()); }
    const FieldDef& field(int index) const { return m_fields[static_cast<std::size_t>(index)]; }
    /// -1 when there is no field of that name (compared without regard to case).
    int fieldIndex(std::string_view name) const;

    State state() const { return m_state; }
    bool isPending() const { return m_state != State::Browsing; }
    /// The pending row received a value since it was begun or since editing started.
    bool isModified() const { return m_modified; }
    /// Rows in view; a pending new row counts.
    int rowCount() const { return m_storedRows + (m_state == State::Inserting ? 1 : 0); }
    bool isEmpty() const { return rowCount() == 0; }
    /// View index of the current row; -1 when the view is empty.
    int currentRow() const { return m_current; }
    /// True after a move ran past the last row (or on an empty table after first()).
    bool atEnd() const { return m_atEnd; }

    // Moves. Each resolves the pending row first, which can fail with the store's message.
    void first();
    void next();
    void prior();
    void last();
    void moveTo(int row);

    void append();
    void insert();
    void edit();
    void store();
    void abandon();
    /// Stores a changed pending row, abandons an unchanged one; nothing when browsing.
    void resolvePending();
    void remove();
    void clear();

    /// Assigns from text: a text field keeps its first `width` bytes; numeric fields convert
    /// (a failure names the text and the field); an empty text gives no value.
    // Inlined into the import's eight calls a row, where the calls cost more than the copies.
    [[gnu::always_inline]] void setText(int field, std::string_view text)
    {
        checkField(field);
        const FieldDef& def = m_fields[static_cast<std::size_t>(field)];
        if (def.type != FieldType::Text || !isPending()) {
            setTextBeginning(field, text);
            return;
        }
        Value& v = m_pending[static_cast<std::size_t>(field)];
        v.null = text.empty();
        v.number = 0;
        v.real = 0;
        v.text.assign(text.data(), std::min(text.size(), static_cast<std::size_t>(def.width)));
        m_modified = true;
        notify(Change::Kind::FieldSet, m_current, field);
    }
    void setInteger(int field, std::int32_t value);
    void setCurrency(int field, double value);
    /// Assigns an amount in units of 10^-scale to a fixed-point field, as the text of that
    /// amount would. False, with nothing changed, when the field cannot hold it.
    bool trySetFixedUnits(int field, std::int64_t units);
    void setNull(int field);

    bool isNull(int field) const { return isNullAt(m_current, field); }
    /// As text: numbers in their shortest form with the regional decimal separator; no value: "".
    std::string text(int field) const { return textAt(m_current, field); }
    /// No value reads as 0.
    std::int32_t integer(int field) const { return integerAt(m_current, field); }
    double currency(int field) const { return currencyAt(m_current, field); }
    /// A fixed-point field's amount in units of 10^-scale; no value reads as 0.
    std::int64_t fixedUnits(int field) const { return fixedUnitsAt(m_current, field); }

    // Reads of any row in view, for views; they never move the cursor.
    bool isNullAt(int row, int field) const;
    std::string textAt(int row, int field) const;
    std::int32_t integerAt(int row, int field) const;
    double currencyAt(int row, int field) const;
    std::int64_t fixedUnitsAt(int row, int field) const;
    /// Every field of a row in view, in field order, as stored: text bytes, whole and fixed-point
    /// numbers in `number`, currency in `real`. A row out of view gives no values.
    void values(int row, std::vector<Value>& out) const;
    /// View index of the pending row, -1 when browsing.
    int pendingRow() const { return isPending() ? m_current : -1; }

    /// Observers are called synchronously inside the operation that changes the table.
    int subscribe(Observer observer);
    void unsubscribe(int id);

private:
    class Rows;

    void notify(Change::Kind kind, int row = -1, int field = -1)
    {
        if (!m_observers.empty())
            notifyObservers(kind, row, field);
    }
    void notifyObservers(Change::Kind kind, int row, int field);
    bool leftBefore(int id, std::uint64_t serial) const;
    void endNotifying()
    {
        if (--m_notifying == 0 && (!m_leaving.empty() || !m_joining.empty()))
            settleSubscriptions();
    }
    /// Applies the subscriptions and unsubscriptions made while notifying.
    void settleSubscriptions();
    void beginRow(int position);
    void beginEditIfBrowsing()
    {
        if (!isPending())
            edit();
    }
    void checkField(int field) const
    {
        if (field < 0 || field >= fieldCount())
            failNoField();
    }
    [[noreturn]] static void failNoField();
    void setNumberText(int field, std::string_view text);
    /// setText for a number field, or on a row not yet pending.
    void setTextBeginning(int field, std::string_view text);
    void requireCurrent() const;
    [[noreturn]] void failEmpty() const;
    const Value* pendingValue(int row, int field) const;

    QString m_name;
    std::vector<FieldDef> m_fields;
    std::vector<std::size_t> m_required;   ///< fields a stored row must give a value
    std::unique_ptr<Rows> m_rows;
    std::vector<Value> m_pending;   ///< the pending row's values; kept from row to row
    State m_state = State::Browsing;
    int m_storedRows = 0;   ///< the rows stored, as m_rows holds them; read on every notification
    bool m_modified = false;
    bool m_atEnd = true;
    int m_current = -1;
    int m_beforeInsert = -1;
    std::vector<std::pair<int, Observer>> m_observers;
    std::vector<std::pair<int, Observer>> m_joining;   ///< subscribed while notifying
    int m_nextObserver = 1;
    int m_notifying = 0;                      ///< depth of notifyObservers calls under way
    std::uint64_t m_notificationSerial = 0;   ///< the number of the latest notification begun
    /// Unsubscribed while notifying, with the last notification they still hear; removed from
    /// m_observers once no notification is under way.
    std::vector<std::pair<int, std::uint64_t>> m_leaving;
};

} // namespace quorvel::table
