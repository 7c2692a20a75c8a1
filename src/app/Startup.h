// Start-up and end of the program: the application's identity, building the one window, the
// fatal box when that fails, and the event loop.
#pragma once

#include <QWidget>

#include <functional>
#include <memory>

class QLocale;
class QTranslator;

namespace quorvel::app {

class Dialogs;

/// Application name (the title the taskbar shows), version and icon.
void setApplicationIdentity();

/// Installs Qt's own translations for `locale`'s language (the file dialog, the standard
/// buttons), from where Qt keeps them. Null when none are there (Qt then speaks English). The
/// translator stays installed while the result lives.
std::unique_ptr<QTranslator> installQtTranslations(const QLocale& locale);

/// Builds the main window with `build`, shows it and runs the event loop until it is closed
/// (status 0). A failure while building shows the "Application Error" box and gives status 1.
int runApplication(Dialogs& dialogs, const std::function<std::unique_ptr<QWidget>()>& build);

} // namespace quorvel::app
