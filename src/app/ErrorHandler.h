// The default error handler: what the operator sees of a failure that escapes an event handler,
// and the guard every slot and event handler runs its body under.
#pragma once

#include "app/Dialogs.h"

#include <QString>

#include <exception>
#include <functional>

namespace quorvel {
class Failure;
}

namespace quorvel::app {

/// The message, with "." appended when its last character comes after "." in byte order.
QString errorBoxText(const QString& message);

/// The fatal start-up text: "Exception <kind> in module <module> at <offset>.\r\n<text>[.]\r\n".
QString applicationErrorText(const QString& kind, const QString& module, quintptr offset, const QString& text);

/// The unqualified type name of the exception `e` (e.g. "Failure").
QString failureKindName(const std::exception& e);

class ErrorHandler
{
public:
    explicit ErrorHandler(Dialogs& dialogs) : m_dialogs(dialogs) {}

    /// Runs `body`; a failure escaping it is handled here and never leaves.
    template <class Body>
    void guarded(Body&& body) noexcept
    {
        try {
            body();
        } catch (...) {
            handle(std::current_exception());
        }
    }

    /// Releases any mouse grab, shows nothing for a silent abort and the error box otherwise.
    void handle(std::exception_ptr failure) noexcept;

    /// Sees every shown failure before its box appears (the grid uses it to go to a field).
    std::function<void(const Failure&)> beforeShow;

    Dialogs& dialogs() const { return m_dialogs; }

private:
    Dialogs& m_dialogs;
};

} // namespace quorvel::app
