// The real message boxes: captions, texts, icons, buttons and what each way of closing answers.
#include "FakeDialogs.h"
#include "app/MessageBoxDialogs.h"
#include "app/Startup.h"
#include "app/TFrmLerEtiqueta.h"
#include "support/Watchdog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLocale>
#include <QTranslator>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace quorvel::app::test {
namespace {

using Button = Dialogs::Button;

struct Seen
{
    QString caption, text, defaultText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

/// Shows `message` for real; once the box is up, records it and lets `act` close it.
Button showAndAct(const Dialogs::Message& message, Seen& seen, const std::function<void(QMessageBox*)>& act)
{
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll.stop();
        seen.caption = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        for (QAbstractButton* b : box->buttons())
            seen.buttons << b->text();
        if (box->defaultButton())
            seen.defaultText = box->defaultButton()->text();
        act(box);
    });
    poll.start();
    MessageBoxDialogs dialogs;
    const quorvel::test::Watchdog watchdog("the message box");
    return dialogs.show(message);
}

struct BoxCase
{
    const char* name;
    Dialogs::Message message;
    const char* caption;
    const char* text;
    QMessageBox::Icon icon;
    QStringList buttons;
    const char* defaultButton;
    Button onEscape;
};

void PrintTo(const BoxCase& c, std::ostream* os) { *os << c.name; }

class RealBox : public ::testing::TestWithParam<BoxCase>
{
};

TEST_P(RealBox, ShowsItsTextsAndAnswersEnterAndEsc)
{
    const BoxCase& c = GetParam();
    Seen seen;
    Button onEnter = showAndAct(c.message, seen, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
    EXPECT_EQ(seen.caption, QString::fromUtf8(c.caption));
    EXPECT_EQ(seen.text, QString::fromUtf8(c.text));
    EXPECT_EQ(seen.icon, c.icon);
    QStringList sorted = seen.buttons;
    sorted.sort();
    QStringList expected = c.buttons;
    expected.sort();
    EXPECT_EQ(sorted, expected);
    EXPECT_EQ(seen.defaultText, QString::fromUtf8(c.defaultButton));
    EXPECT_EQ(onEnter, c.message.defaultButton);

    Seen again;
    Button onEscape = showAndAct(c.message, again, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(onEscape, c.onEscape);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, RealBox,
    ::testing::Values(
        BoxCase{"SelectFile", Dialogs::selectFileRequired(), "Aviso", "É necessário selecionar o arquivo!", QMessageBox::Warning,
                {"OK", "Cancel"}, "OK", Button::Cancel},
        BoxCase{"ConfirmFile", Dialogs::confirmFile(), "Aviso", "Confirma o arquivo de etiquetas selecionado?", QMessageBox::Question,
                {"&Yes", "&No"}, "&Yes", Button::No},
        BoxCase{"ConfirmPrintWithTheSystemsButtons", Dialogs::confirmPrint(), "Confirmação", "Confirma a impressão das etiquetas?",
                QMessageBox::Question, {"&Yes", "&No"}, "&Yes", Button::No},
        BoxCase{"PrintAgain", Dialogs::printAgain(), "Information", "Deseja imprimir novamente ?", QMessageBox::Information,
                {"&Yes", "&No"}, "&Yes", Button::No},
        BoxCase{"EmptyLine", Dialogs::plain("Estrutura de arquivo não foi programada!\rEntrar em contato com a Tarbelo!"), "Zelvora",
                "Estrutura de arquivo não foi programada!\nEntrar em contato com a Tarbelo!", QMessageBox::NoIcon, {"OK"}, "OK",
                Button::Ok},
        BoxCase{"Error", Dialogs::error("Field 'GRIFFE' must have a value."), "Zelvora", "Field 'GRIFFE' must have a value.",
                QMessageBox::Critical, {"OK"}, "OK", Button::Ok},
        BoxCase{"Excluir", Dialogs::confirmDeleteItem(), "Warning", "Confirma a exclusão deste item ?", QMessageBox::Warning,
                {"&Yes", "&No"}, "&Yes", Button::No},
        BoxCase{"DeleteRecord", Dialogs::confirmDeleteRecord(), "Confirm", "Delete record?", QMessageBox::Question, {"OK", "Cancel"},
                "OK", Button::Cancel},
        BoxCase{"ApplicationError", Dialogs::applicationError("Exception Failure in module quorvel at 00001000.\r\nBroken.\r\n"),
                "Application Error", "Exception Failure in module quorvel at 00001000.\nBroken.\n", QMessageBox::Critical, {"OK"},
                "OK", Button::Ok}),
    [](const auto& row) { return std::string(row.param.name); });

QStringList sortedButtons(const Dialogs::Message& message)
{
    Seen seen;
    showAndAct(message, seen, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    seen.buttons.sort();
    return seen.buttons;
}

// Under Brazilian settings Qt's own words are Portuguese: the system's buttons of the print
// confirmation and the file dialog follow them, the boxes that name their buttons do not.
TEST(QtTranslations, SystemDialogsSpeakTheDesktopsLanguageAndNamedButtonsKeepTheirNames)
{
    const std::unique_ptr<QTranslator> translations = installQtTranslations(QLocale(QLocale::Portuguese, QLocale::Brazil));
    ASSERT_NE(translations, nullptr) << "Qt's Portuguese translations (qt6-translations-l10n) are missing";

    EXPECT_EQ(sortedButtons(Dialogs::confirmPrint()), QStringList({QString::fromUtf8("&Não"), QStringLiteral("&Sim")}));
    EXPECT_EQ(sortedButtons(Dialogs::printAgain()), QStringList({QStringLiteral("&No"), QStringLiteral("&Yes")}));
    EXPECT_EQ(sortedButtons(Dialogs::confirmDeleteRecord()), QStringList({QStringLiteral("Cancel"), QStringLiteral("OK")}));

    MessageBoxDialogs dialogs;
    TFrmLerEtiqueta window(dialogs);
    QStringList fileButtons;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* shown = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!shown || !shown->isVisible())
            return;
        poll.stop();
        for (QAbstractButton* b : shown->findChild<QDialogButtonBox*>()->buttons())
            fileButtons << b->text();
        shown->reject();
    });
    poll.start();
    {
        const quorvel::test::Watchdog watchdog("the file dialog");
        EXPECT_FALSE(dialogs.chooseFile(*window.OpenDialog1).has_value());
    }
    fileButtons.sort();
    EXPECT_EQ(fileButtons, QStringList({QStringLiteral("&Abrir"), QStringLiteral("Cancelar")}));
}

TEST(RealBoxClose, TheCloseBoxAnswersNoButton)
{
    Seen seen;
    Button answer = showAndAct(Dialogs::confirmDeleteItem(), seen, [](QMessageBox* box) { box->close(); });
    EXPECT_EQ(answer, Button::None);
}

} // namespace
} // namespace quorvel::app::test
