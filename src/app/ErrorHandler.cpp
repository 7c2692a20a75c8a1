#include "app/ErrorHandler.h"

#include "table/Failure.h"

#include <QWidget>

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace quorvel::app {

QString errorBoxText(const QString& message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

QString applicationErrorText(const QString& kind, const QString& module, quintptr offset, const QString& text)
{
    QString withStop = text;
    if (!withStop.endsWith(QLatin1Char('.')))
        withStop += QLatin1Char('.');
    return QStringLiteral("Exception %1 in module %2 at %3.\r\n%4\r\n")
        .arg(kind, module, QStringLiteral("%1").arg(static_cast<qulonglong>(offset) & 0xFFFFFFFFu, 8, 16, QLatin1Char('0')).toUpper(),
             withStop);
}

QString failureKindName(const std::exception& e)
{
    const char* mangled = typeid(e).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    QString name = QString::fromLatin1(status == 0 && demangled ? demangled.get() : mangled);
    qsizetype colon = name.lastIndexOf(QLatin1String("::"));
    return colon < 0 ? name : name.mid(colon + 2);
}

void ErrorHandler::handle(std::exception_ptr failure) noexcept
{
    try {
        if (QWidget* grabber = QWidget::mouseGrabber())
            grabber->releaseMouse();
        try {
            std::rethrow_exception(failure);
        } catch (const SilentAbort&) {
            return;
        } catch (const Failure& f) {
            if (beforeShow)
                beforeShow(f);
            m_dialogs.show(Dialogs::error(errorBoxText(f.message())));
        } catch (const std::exception& e) {
            m_dialogs.show(Dialogs::error(errorBoxText(QString::fromLocal8Bit(e.what()))));
        } catch (...) {
            m_dialogs.show(Dialogs::error(QStringLiteral("Unknown failure.")));
        }
    } catch (...) {
        // Showing the box failed too (out of memory): nothing sensible is left to do.
    }
}

} // namespace quorvel::app
