// The data connection (RvDataSetConnection1): presents an in-memory table to report data views,
// one row at a time, in the table's order. Whoever runs a report hands it the connections it may
// use; a data view finds its own among them by the name the definition gives.
#pragma once

#include "table/Field.h"

#include <QLocale>
#include <QString>

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace quorvel::table {
class Table;
}

namespace quorvel::report {

enum class DataType : std::uint8_t { String, Integer, Float, Currency };

struct ConnectionField
{
    QString name;
    DataType type = DataType::String;
    int width = 0;            ///< text: its length plus one; currency: 8
    friend bool operator==(const ConnectionField&, const ConnectionField&) = default;
};

struct DataValue
{
    bool null = true;
    QString text;             ///< the plain value
    std::int64_t currency = 0;  ///< currency amounts in units of 1/10000
    QString display;          ///< set only where it differs from `text`: currency under the regional settings
    /// What a report shows: the display text where there is one; no value shows empty.
    QString shown() const { return null ? QString() : display.isEmpty() ? text : display; }
    friend bool operator==(const DataValue&, const DataValue&) = default;
};

class DataSetConnection
{
public:
    /// `dataSet` is not owned and must outlive every request made while it is set.
    explicit DataSetConnection(QString name, table::Table* dataSet = nullptr);
    DataSetConnection(const DataSetConnection&) = delete;
    DataSetConnection& operator=(const DataSetConnection&) = delete;

    const QString& name() const { return m_name; }
    table::Table* dataSet() const { return m_dataSet; }
    void setDataSet(table::Table* dataSet) { m_dataSet = dataSet; }

    // Requests of a data view, in the order a run makes them.
    /// Remembers the table's current row.
    void open();
    std::vector<ConnectionField> fieldList() const;
    /// Moves to the first row; false at end of data.
    bool first();
    /// Moves to the following row; false at end of data.
    bool next();
    /// Before the first move: true only for a table without rows.
    bool eof() const;
    /// The current row's values in field-list order.
    void row(std::vector<DataValue>& out) const;
    /// Rows the table holds (a pending row included).
    int rowCount() const;
    /// The values of the row at `position` (below rowCount) in field-list order, read without
    /// moving the table's cursor.
    void rowAt(int position, std::vector<DataValue>& out) const;
    /// Moves back to the row remembered by open.
    void restore();

private:
    const QString& currencyText(std::int64_t amount) const;

    QString m_name;
    table::Table* m_dataSet = nullptr;
    mutable std::vector<table::Value> m_values;
    mutable QLocale m_currencyLocale;
    mutable std::unordered_map<std::int64_t, QString> m_currencyTexts;
    int m_remembered = -1;
    bool m_moved = false;
};

/// The connection of that name among `connections` (compared without regard to case), or null.
DataSetConnection* findConnection(const std::vector<DataSetConnection*>& connections, const QString& name);

} // namespace quorvel::report
