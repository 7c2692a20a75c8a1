// The system's failures: a general failure carrying the exact text the operator sees,
// and the silent abort that ends a handler without any message.
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

} // namespace quorvel
