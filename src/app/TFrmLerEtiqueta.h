// The import window: the program's one window, holding the label list's grid, the file chooser
// and the print button, and the handlers that bind them to the label import.
#pragma once

#include "app/ErrorHandler.h"

#include <QSet>
#include <QString>
#include <QWidget>

#include <memory>

class QFileDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;

namespace quorvel::table {
class Table;
class TableModel;
} // namespace quorvel::table

namespace quorvel::labels {
struct LabelItem;
}

namespace quorvel::report {
class DataSetConnection;
class EngineUi;
class RenderPdf;
class ReportProject;
class ReportSystem;
} // namespace quorvel::report

namespace quorvel::printrun {
class PrintRun;
}

namespace quorvel::app {
class DbGrid;
class Dialogs;
class ListMarks;
} // namespace quorvel::app

class TFrmLerEtiqueta : public QWidget
{
    Q_OBJECT

public:
    /// Builds the window with every component; questions and messages go through `dialogs`,
    /// which must outlive the window.
    explicit TFrmLerEtiqueta(quorvel::app::Dialogs& dialogs, QWidget* parent = nullptr);
    /// As above, with the report engine's windows replaced by `engineUi` (not owned; it must
    /// outlive the window). Null: the real status window, boxes and preview.
    TFrmLerEtiqueta(quorvel::app::Dialogs& dialogs, quorvel::report::EngineUi* engineUi, QWidget* parent = nullptr);
    ~TFrmLerEtiqueta() override;

    /// Appends one row to the import table from a line of a label file and stores it.
    void InsereItem(const quorvel::labels::LabelItem& item);

    quorvel::app::ErrorHandler& errorHandler() { return m_errors; }
    /// The grid's marks of rows that will not print as expected.
    quorvel::app::ListMarks& listMarks() { return *m_marks; }

    QGroupBox* GroupBoxEntrada;
    QMenu* PopupMenu1;
    QAction* Exclui1;
    QFrame* Panel2;
    quorvel::app::DbGrid* DBGrid1;
    quorvel::table::TableModel* dsEtqTemp;
    QGroupBox* GroupBox3;
    QPushButton* btnTag_2;
    std::unique_ptr<quorvel::table::Table> cdsImpEtq;
    QGroupBox* grpLocalizarArq;
    QLineEdit* edtArquivo;
    QPushButton* btnLocaliza;
    QFileDialog* OpenDialog1;
    QFrame* Panel1;
    QLabel* imgFoto;
    std::unique_ptr<quorvel::table::Table> cdsEtqTemp;
    QString Loja;
    // The report components, built after the print table they read and destroyed before it.
    std::unique_ptr<quorvel::report::ReportSystem> RvSystemEtq;
    std::unique_ptr<quorvel::report::RenderPdf> RvRenderPDF1;
    std::unique_ptr<quorvel::report::DataSetConnection> RvDataSetConnection1;
    std::unique_ptr<quorvel::report::ReportProject> RvPrjEtq;
    /// The folder whose Relatorios/ holds the report definition: the program's own folder.
    QString programFolder;

public slots:
    void btnLocalizaClick();
    void BtnSalvarClick();
    void Exclui1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormShow();
    void edtArquivoEnter(Qt::FocusReason reason);
    void edtArquivoExit();
    void dsEtqTempDataChange(int field);
    void LeArquivo();
    void buildControls();
    void buildGrid();
    void placeOnScreen();
    void buildReportComponents(quorvel::report::EngineUi* engineUi);
    /// The report loop over the expanded print table: passes until the operator is done.
    void runReports(quorvel::printrun::PrintRun& run);
    /// The report definition the print run uses, beside the program.
    QString definitionPath() const;

    quorvel::app::Dialogs& m_dialogs;
    quorvel::app::ErrorHandler m_errors;
    QSet<QString> m_importedFiles;   // path and contents of each file imported since the window opened
    QString m_openDialogFileName;   // the name OpenDialog1 confirmed last
    bool m_placed = false;
    std::unique_ptr<quorvel::report::EngineUi> m_ownEngineUi;   // the real windows, unless replaced
    bool m_printing = false;   // a print run is under way: no second one may start
    quorvel::app::ListMarks* m_marks = nullptr;
    bool m_closing = false;    // the window is closing: questions count as No, the run ends
    quorvel::report::EngineUi* m_engineUi = nullptr;
};
