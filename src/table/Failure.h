// The system's failures: a general failure carrying the exact text the operator sees, the silent
// abort that ends a handler without any message, and the table's refusal of a row that lacks a
// required value, which says which field it was.
#pragma once

#include <QString>

#include <exception>

namespace quorvel {

class Failure : public std::exception
{
public:
    explicit Failure(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}

    /// The message exactly as raised; the default error handler decides about a trailing ".".
    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

/// Ends a handler without a message; the default error handler shows nothing for it.
class SilentAbort : public Failure
{
public:
    SilentAbort() : Failure(QStringLiteral("Operation aborted")) {}
};

namespace table {

class Table;

/// A row could not be stored: its required field `field()` of `table()` holds no value. The
/// message names the field; whoever shows it can go to the field without reading the message.
class MissingValue : public Failure
{
public:
    MissingValue(QString message, const Table& table, int field) : Failure(std::move(message)), m_table(&table), m_field(field) {}

    /// The table that refused the row, for comparison only: it may be gone by the time the
    /// failure is handled.
    const Table* table() const noexcept { return m_table; }
    /// The field's index in that table.
    int field() const noexcept { return m_field; }

private:
    const Table* m_table;
    int m_field;
};

} // namespace table

} // namespace quorvel
