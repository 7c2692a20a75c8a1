// Start-up and end of the program: the application's identity, building the one window, the
// fatal box when that fails, and the event loop.
#pragma once

#include <QWidget>

#include <functional>
#include <memory>

namespace quorvel::app {

class Dialogs;

/// Application name (the title the taskbar shows), version and icon.
void setApplicationIdentity();

/// Builds the main window with `build`, shows it and runs the event loop until it is closed
/// (status 0). A failure while building shows the "Application Error" box and gives status 1.
int runApplication(Dialogs& dialogs, const std::function<std::unique_ptr<QWidget>()>& build);

} // namespace quorvel::app
