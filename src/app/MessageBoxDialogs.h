// Dialogs shown with Qt's message boxes and file dialog, modal for the whole application.
#pragma once

#include "app/Dialogs.h"

#include <QPointer>

class QDialog;

namespace quorvel::app {

class MessageBoxDialogs : public Dialogs
{
public:
    Button show(const Message& message) override;
    std::optional<QString> chooseFile(QFileDialog& dialog) override;
    void dismiss() override;

private:
    QPointer<QDialog> m_shown;   // the box or file dialog now running
};

} // namespace quorvel::app
