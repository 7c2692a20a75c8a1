#include "app/MessageBoxDialogs.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QHash>
#include <QMessageBox>
#include <QPushButton>

namespace quorvel::app {

namespace {

// Tells a press of the close box apart from the escape button, which QMessageBox conflates.
class Box : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;
    bool closedByFrame = false;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        closedByFrame = true;
        QMessageBox::closeEvent(event);
    }
};

QMessageBox::Icon boxIcon(Dialogs::Icon icon)
{
    switch (icon) {
    case Dialogs::Icon::Information:
        return QMessageBox::Information;
    case Dialogs::Icon::Question:
        return QMessageBox::Question;
    case Dialogs::Icon::Warning:
        return QMessageBox::Warning;
    case Dialogs::Icon::Critical:
        return QMessageBox::Critical;
    case Dialogs::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::ButtonRole role(Dialogs::Button button)
{
    switch (button) {
    case Dialogs::Button::Yes:
        return QMessageBox::YesRole;
    case Dialogs::Button::No:
        return QMessageBox::NoRole;
    case Dialogs::Button::Cancel:
        return QMessageBox::RejectRole;
    default:
        return QMessageBox::AcceptRole;
    }
}

QMessageBox::StandardButton standard(Dialogs::Button button)
{
    switch (button) {
    case Dialogs::Button::Yes:
        return QMessageBox::Yes;
    case Dialogs::Button::No:
        return QMessageBox::No;
    case Dialogs::Button::Cancel:
        return QMessageBox::Cancel;
    default:
        return QMessageBox::Ok;
    }
}

} // namespace

Dialogs::Button MessageBoxDialogs::show(const Message& message)
{
    QString text = message.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    Box box(boxIcon(message.icon), message.caption, text);
    box.setWindowModality(Qt::ApplicationModal);
    box.setTextFormat(Qt::PlainText);
    QHash<QAbstractButton*, Button> answers;
    for (const Choice& choice : message.buttons) {
        QPushButton* b = choice.text.isEmpty() ? box.addButton(standard(choice.button))
                                               : box.addButton(choice.text, role(choice.button));
        answers.insert(b, choice.button);
        if (choice.button == message.defaultButton)
            box.setDefaultButton(b);
        if (choice.button == message.escapeButton)
            box.setEscapeButton(b);
    }
    m_shown = &box;
    box.exec();
    if (box.closedByFrame)
        return Button::None;
    return answers.value(box.clickedButton(), Button::None);
}

std::optional<QString> MessageBoxDialogs::chooseFile(QFileDialog& dialog)
{
    m_shown = &dialog;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void MessageBoxDialogs::dismiss()
{
    if (m_shown && m_shown->isVisible())
        m_shown->reject();
}

} // namespace quorvel::app
