#include "report/engine/DataSetConnection.h"

#include "table/Windows1252.h"
#include "table/Numbers.h"
#include "table/Table.h"

#include <QLocale>

#include <cmath>
#include <utility>

namespace quorvel::report {

DataSetConnection::DataSetConnection(QString name, table::Table* dataSet)
    : m_name(std::move(name)), m_dataSet(dataSet)
{
}

DataSetConnection* findConnection(const std::vector<DataSetConnection*>& connections, const QString& name)
{
    for (DataSetConnection* c : connections)
        if (c && c->name().compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return nullptr;
}

void DataSetConnection::open()
{
    m_moved = false;
    m_remembered = m_dataSet ? m_dataSet->currentRow() : -1;
}

std::vector<ConnectionField> DataSetConnection::fieldList() const
{
    std::vector<ConnectionField> fields;
    if (!m_dataSet)
        return fields;
    for (int i = 0; i < m_dataSet->fieldCount(); ++i) {
        const table::FieldDef& f = m_dataSet->field(i);
        ConnectionField c{QString::fromLatin1(f.name.data(), static_cast<qsizetype>(f.name.size())),
                          DataType::String, 0};
        switch (f.type) {
        case table::FieldType::Text:
            c.type = DataType::String;
            c.width = f.width + 1;
            break;
        case table::FieldType::Currency:
            c.type = DataType::Currency;
            c.width = 8;
            break;
        case table::FieldType::Integer:
            c.type = DataType::Integer;
            c.width = 4;
            break;
        case table::FieldType::Fixed:
            c.type = DataType::Float;
            c.width = 8;
            break;
        }
        fields.push_back(std::move(c));
    }
    return fields;
}

bool DataSetConnection::first()
{
    if (!m_dataSet)
        return false;
    m_moved = true;
    m_dataSet->first();
    return !m_dataSet->atEnd();
}

bool DataSetConnection::next()
{
    if (!m_dataSet)
        return false;
    m_moved = true;
    m_dataSet->next();
    return !m_dataSet->atEnd();
}

bool DataSetConnection::eof() const
{
    if (!m_dataSet)
        return true;
    return m_moved ? m_dataSet->atEnd() : m_dataSet->isEmpty();
}

void DataSetConnection::row(std::vector<DataValue>& out) const
{
    rowAt(m_dataSet ? m_dataSet->currentRow() : -1, out);
}

int DataSetConnection::rowCount() const
{
    return m_dataSet ? m_dataSet->rowCount() : 0;
}

void DataSetConnection::rowAt(int position, std::vector<DataValue>& out) const
{
    out.assign(m_dataSet ? static_cast<std::size_t>(m_dataSet->fieldCount()) : 0u, DataValue{});
    if (!m_dataSet || position < 0 || position >= m_dataSet->rowCount())
        return;
    const char separator = table::decimalSeparator();
    m_dataSet->values(position, m_values);
    for (int i = 0; i < m_dataSet->fieldCount(); ++i) {
        const table::Value& stored = m_values[static_cast<std::size_t>(i)];
        DataValue& v = out[static_cast<std::size_t>(i)];
        if (stored.null)
            continue;
        v.null = false;
        switch (m_dataSet->field(i).type) {
        case table::FieldType::Text:
            v.text = table::fromWindows1252(stored.text);
            break;
        case table::FieldType::Currency: {
            v.currency = std::llround(stored.real * 10000.0);
            v.text = QString::fromStdString(table::formatFixed(v.currency, 4, separator));
            v.display = currencyText(v.currency);
            if (v.display == v.text)
                v.display.clear();
            break;
        }
        default:
            v.text = QString::fromStdString(m_dataSet->textAt(position, i));
            break;
        }
    }
}

const QString& DataSetConnection::currencyText(std::int64_t amount) const
{
    // Labels repeat their prices; formatting one under the regional settings is the costly part.
    constexpr std::size_t kMaxTexts = 4096;
    QLocale locale;
    if (locale != m_currencyLocale) {
        m_currencyLocale = locale;
        m_currencyTexts.clear();
    }
    auto it = m_currencyTexts.find(amount);
    if (it == m_currencyTexts.end()) {
        if (m_currencyTexts.size() >= kMaxTexts)
            m_currencyTexts.clear();
        it = m_currencyTexts.emplace(amount, locale.toCurrencyString(static_cast<double>(amount) / 10000.0)).first;
    }
    return it->second;
}

void DataSetConnection::restore()
{
    if (m_dataSet && m_remembered >= 0 && m_remembered < m_dataSet->rowCount())
        m_dataSet->moveTo(m_remembered);
    m_moved = false;
}

} // namespace quorvel::report
