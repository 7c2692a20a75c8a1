// Every question and message the program puts to the operator goes through Dialogs: the window
// asks, MessageBoxDialogs shows real boxes, and tests answer through a fake.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class QFileDialog;

namespace quorvel::app {

/// The application title: the taskbar's name for the program and the caption of its boxes.
inline constexpr char kApplicationTitle[] = "Zelvora";

class Dialogs
{
public:
    enum class Icon { None, Information, Question, Warning, Critical };
    /// `None` answers a box closed by its close button (or any way that pressed no button).
    enum class Button { None, Ok, Cancel, Yes, No };

    struct Choice
    {
        Button button;
        QString text;   ///< empty: the system's own button for the answer, in the desktop's language
    };

    struct Message
    {
        QString caption;
        QString text;          ///< a CR alone or CR LF breaks the line
        Icon icon = Icon::None;
        std::vector<Choice> buttons;
        Button defaultButton = Button::None;
        Button escapeButton = Button::None;   ///< None: the box decides
    };

    virtual ~Dialogs() = default;

    /// Shows the message modally and returns the button pressed.
    virtual Button show(const Message& message) = 0;
    /// Runs the file dialog modally: the path confirmed, or nothing after a cancel.
    virtual std::optional<QString> chooseFile(QFileDialog& dialog) = 0;
    /// Closes the box now shown, if any, as if no button was pressed (the program is ending).
    virtual void dismiss() {}

    // The program's boxes, with their exact texts.
    static Message selectFileRequired();
    static Message confirmFile();
    /// Caption the application title, no icon, one OK button.
    static Message plain(const QString& text);
    /// The default error box; `text` already carries the full stop rule.
    static Message error(const QString& text);
    static Message confirmDeleteItem();
    static Message confirmDeleteRecord();
    static Message applicationError(const QString& text);
    static Message confirmPrint();
    /// The reprint question: "&Yes" on Enter, "&No" on Esc.
    static Message printAgain();
    /// Asked after the print confirmation when labels would carry a bar-code error box: how
    /// many labels of how many rows, the first few codes; "&No" on Enter and Esc.
    static Message printBarcodeErrors(qint64 labels, int rows, const QStringList& codes);
};

} // namespace quorvel::app
