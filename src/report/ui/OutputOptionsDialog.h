// "Output Options": the printer, the copies and the pages of a print from the preview.
#pragma once

#include <QDialog>

#include <cstddef>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace quorvel::report {

class PreviewDialogs;
class ReportSystem;
struct PageDescription;

class OutputOptionsDialog : public QDialog
{
    Q_OBJECT
public:
    /// The dialog starts from `system`'s copies and from `printerName` (empty: none installed).
    /// OK writes a valid copies count back; a printer chosen through "&Setup" is kept in `system`.
    OutputOptionsDialog(ReportSystem& system, const PageDescription& pages, const QString& printerName,
                        PreviewDialogs& dialogs, QWidget* parent = nullptr);

    /// The printer the print goes to; empty when none is installed.
    QString printerName() const { return m_printerName; }
    /// The copies of this print: the box's number when it holds a valid one, else the system's.
    int copies() const;
    /// The pages of the chosen range, 0-based.
    std::vector<std::size_t> pages() const;

    void accept() override;

private:
    void setupPrinter();
    void refreshPrinter();
    void rangeChosen();

    ReportSystem& m_system;
    std::size_t m_pageCount;
    PreviewDialogs& m_dialogs;
    QString m_printerName;

    QLabel* m_printerLine;
    QPushButton* m_setup;
    QLineEdit* m_copies;
    QCheckBox* m_collate;
    QCheckBox* m_duplex;
    QRadioButton* m_all;
    QRadioButton* m_selection;
    QRadioButton* m_range;
    QLineEdit* m_selectionBox;
    QLabel* m_fromLabel;
    QLineEdit* m_fromBox;
    QLabel* m_toLabel;
    QLineEdit* m_toBox;
};

} // namespace quorvel::report
