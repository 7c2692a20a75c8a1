// The preview's questions as real modal dialogs.
#pragma once

#include "report/ui/PreviewDialogs.h"

namespace quorvel::report {

class WidgetDialogs : public PreviewDialogs
{
public:
    std::optional<QString> askPage(QWidget* parent, int currentPage) override;
    bool runOutputOptions(OutputOptionsDialog& dialog) override;
    bool setupPrinter(QWidget* parent, QPrinter& printer) override;
    std::optional<SaveTarget> askSaveFile(QWidget* parent, const QStringList& filters) override;
    std::optional<QString> askOpenFile(QWidget* parent, const QString& filter) override;
};

} // namespace quorvel::report
