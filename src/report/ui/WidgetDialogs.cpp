#include "report/ui/WidgetDialogs.h"

#include "report/ui/OutputOptionsDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QPrintDialog>
#include <QRegularExpression>

namespace quorvel::report {

namespace {

/// "Adobe Acrobat (PDF) (*.pdf)" -> "pdf"; empty when the pattern names no single suffix.
QString suffixOf(const QString& filter)
{
    static const QRegularExpression pattern(QStringLiteral(R"(\(\*\.([^ ;)*]+)\)\s*$)"));
    const auto match = pattern.match(filter);
    return match.hasMatch() ? match.captured(1) : QString();
}

} // namespace

std::optional<QString> WidgetDialogs::askPage(QWidget* parent, int currentPage)
{
    QInputDialog box(parent);
    box.setObjectName(QStringLiteral("goToPageDialog"));
    box.setWindowTitle(QStringLiteral("Go to Page"));
    box.setLabelText(QStringLiteral("Enter page to move to:"));
    box.setInputMode(QInputDialog::TextInput);
    box.setTextValue(QString::number(currentPage));
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.textValue();
}

bool WidgetDialogs::runOutputOptions(OutputOptionsDialog& dialog)
{
    return dialog.exec() == QDialog::Accepted;
}

bool WidgetDialogs::setupPrinter(QWidget* parent, QPrinter& printer)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<SaveTarget> WidgetDialogs::askSaveFile(QWidget* parent, const QStringList& filters)
{
    QFileDialog dialog(parent, QStringLiteral("Save File"));
    dialog.setObjectName(QStringLiteral("saveFileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    // A name typed without a suffix gets the chosen type's, and the overwrite question then
    // asks about the file that would really be written.
    dialog.setDefaultSuffix(suffixOf(filters.value(0)));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& filter) { dialog.setDefaultSuffix(suffixOf(filter)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QFileInfo file(dialog.selectedFiles().constFirst());
    int index = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
    // A name typed with another type's suffix ("etiquetas.pdf" under the snapshot type) is
    // written in the format its name promises.
    if (suffixOf(filters.value(index)).compare(file.suffix(), Qt::CaseInsensitive) != 0)
        for (qsizetype i = 0; i < filters.size(); ++i)
            if (suffixOf(filters[i]).compare(file.suffix(), Qt::CaseInsensitive) == 0)
                index = static_cast<int>(i);
    return SaveTarget{file.absoluteFilePath(), index < 0 ? 0 : index};
}

std::optional<QString> WidgetDialogs::askOpenFile(QWidget* parent, const QString& filter)
{
    const QString path = QFileDialog::getOpenFileName(parent, QStringLiteral("Open File"), QString(), filter);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

} // namespace quorvel::report
