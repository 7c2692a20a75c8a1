// The modal questions the preview asks. The windows use real dialogs (WidgetDialogs);
// tests answer them with their own implementation, without a screen.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QPrinter;
class QWidget;

namespace quorvel::report {

class OutputOptionsDialog;

struct SaveTarget
{
    QString path;
    int filterIndex = 0;   ///< index into the filters offered
};

class PreviewDialogs
{
public:
    virtual ~PreviewDialogs() = default;

    /// "Go to Page": the text the operator typed, or nothing when cancelled.
    virtual std::optional<QString> askPage(QWidget* parent, int currentPage) = 0;
    /// Runs the output-options dialog modally; true for OK.
    virtual bool runOutputOptions(OutputOptionsDialog& dialog) = 0;
    /// The system's printer-setup dialog over `printer`; true when the operator accepted it.
    virtual bool setupPrinter(QWidget* parent, QPrinter& printer) = 0;
    /// "Save File": asks before overwriting; `filters` in the order offered.
    virtual std::optional<SaveTarget> askSaveFile(QWidget* parent, const QStringList& filters) = 0;
    /// A snapshot file to open, or nothing when cancelled.
    virtual std::optional<QString> askOpenFile(QWidget* parent, const QString& filter) = 0;
};

} // namespace quorvel::report
