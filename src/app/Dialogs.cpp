#include "app/Dialogs.h"

#include <QLocale>

namespace quorvel::app {

namespace {
const QString kOk = QStringLiteral("OK");
const QString kCancel = QStringLiteral("Cancel");
const QString kYes = QStringLiteral("&Yes");
const QString kNo = QStringLiteral("&No");
} // namespace

Dialogs::Message Dialogs::selectFileRequired()
{
    return {QStringLiteral("Aviso"), QString::fromUtf8("É necessário selecionar o arquivo!"), Icon::Warning,
            {{Button::Ok, kOk}, {Button::Cancel, kCancel}}, Button::Ok, Button::Cancel};
}

Dialogs::Message Dialogs::confirmFile()
{
    return {QStringLiteral("Aviso"), QStringLiteral("Confirma o arquivo de etiquetas selecionado?"), Icon::Question,
            {{Button::Yes, kYes}, {Button::No, kNo}}, Button::Yes, Button::None};
}

Dialogs::Message Dialogs::confirmPrint()
{
    return {QString::fromUtf8("Confirmação"), QString::fromUtf8("Confirma a impressão das etiquetas?"), Icon::Question,
            {{Button::Yes, {}}, {Button::No, {}}}, Button::Yes, Button::None};
}

Dialogs::Message Dialogs::printAgain()
{
    return {QStringLiteral("Information"), QStringLiteral("Deseja imprimir novamente ?"), Icon::Information,
            {{Button::Yes, kYes}, {Button::No, kNo}}, Button::Yes, Button::No};
}

Dialogs::Message Dialogs::printBarcodeErrors(qint64 labels, int rows, const QStringList& codes)
{
    constexpr qsizetype shownCodes = 5;
    const QLocale locale;
    QString listed = codes.mid(0, shownCodes).join(QStringLiteral(", "));
    if (codes.size() > shownCodes)
        listed += QStringLiteral(", ...");
    const QString text =
        QString::fromUtf8("%1 %2 de %3 %4 %5 com uma caixa de erro no lugar do código de barras (%6).\r"
                          "Deseja imprimir assim mesmo?")
            .arg(locale.toString(labels), labels == 1 ? QStringLiteral("etiqueta") : QStringLiteral("etiquetas"),
                 locale.toString(rows), rows == 1 ? QStringLiteral("linha") : QStringLiteral("linhas"),
                 labels == 1 ? QString::fromUtf8("sairá") : QString::fromUtf8("sairão"), listed);
    return {QString::fromUtf8("Confirmação"), text, Icon::Question, {{Button::Yes, kYes}, {Button::No, kNo}}, Button::No,
            Button::No};
}

Dialogs::Message Dialogs::plain(const QString& text)
{
    return {QString::fromLatin1(kApplicationTitle), text, Icon::None, {{Button::Ok, kOk}}, Button::Ok, Button::Ok};
}

Dialogs::Message Dialogs::error(const QString& text)
{
    return {QString::fromLatin1(kApplicationTitle), text, Icon::Critical, {{Button::Ok, kOk}}, Button::Ok, Button::Ok};
}

Dialogs::Message Dialogs::confirmDeleteItem()
{
    return {QStringLiteral("Warning"), QString::fromUtf8("Confirma a exclusão deste item ?"), Icon::Warning,
            {{Button::Yes, kYes}, {Button::No, kNo}}, Button::Yes, Button::No};
}

Dialogs::Message Dialogs::confirmDeleteRecord()
{
    return {QStringLiteral("Confirm"), QStringLiteral("Delete record?"), Icon::Question,
            {{Button::Ok, kOk}, {Button::Cancel, kCancel}}, Button::Ok, Button::Cancel};
}

Dialogs::Message Dialogs::applicationError(const QString& text)
{
    return {QStringLiteral("Application Error"), text, Icon::Critical, {{Button::Ok, kOk}}, Button::Ok, Button::Ok};
}

} // namespace quorvel::app
