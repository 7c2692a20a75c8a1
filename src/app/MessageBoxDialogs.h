// Dialogs shown with Qt's message boxes and file dialog, modal for the whole application.
#pragma once

#include "app/Dialogs.h"

namespace quorvel::app {

class MessageBoxDialogs : public Dialogs
{
public:
    Button show(const Message& message) override;
    std::optional<QString> chooseFile(QFileDialog& dialog) override;
};

} // namespace quorvel::app
