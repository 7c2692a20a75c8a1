// Screenshots for the operators' guide in the README: the file dialog and the print confirmation
// in the desktop's language, the list with its marks (one tool tip open) and the preview's
// "Start at label" box. Not a test: run by hand, under xvfb-run, with LANG=pt_BR.UTF-8.
// Usage: guide_screenshots <folder>      (from the build tree, so Relatorios/ is beside it)
#include "app/DbGrid.h"
#include "app/Dialogs.h"
#include "app/MessageBoxDialogs.h"
#include "app/Startup.h"
#include "app/TFrmLerEtiqueta.h"
#include "report/engine/DataSetConnection.h"
#include "report/engine/ReportProject.h"
#include "report/engine/ReportSystem.h"
#include "report/ui/PreviewDialogs.h"
#include "report/ui/PreviewWindow.h"
#include "support/HeadlessUi.h"
#include "table/Table.h"
#include "table/TableModel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QScreen>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QTranslator>

#include <cstdio>
#include <functional>

using namespace quorvel;

namespace {

// Chooses the file and says Yes to every question.
class YesDialogs : public app::Dialogs
{
public:
    explicit YesDialogs(QString path) : m_path(std::move(path)) {}
    Button show(const Message&) override { return Button::Yes; }
    std::optional<QString> chooseFile(QFileDialog&) override { return m_path; }

private:
    QString m_path;
};

class NoPreviewDialogs : public report::PreviewDialogs
{
public:
    std::optional<QString> askPage(QWidget*, int) override { return std::nullopt; }
    bool runOutputOptions(report::OutputOptionsDialog&) override { return false; }
    bool setupPrinter(QWidget*, QPrinter&) override { return false; }
    std::optional<report::SaveTarget> askSaveFile(QWidget*, const QStringList&) override { return std::nullopt; }
    std::optional<QString> askOpenFile(QWidget*, const QString&) override { return std::nullopt; }
};

void save(const QPixmap& shot, const QDir& out, const char* name)
{
    const QString path = out.filePath(QString::fromLatin1(name));
    shot.save(path);
    std::printf("%s\n", qPrintable(path));
}

/// Shows `open` as the operator would, grabs the dialog it shows once it is painted, and closes it.
void grabModal(const std::function<void()>& open, const QDir& out, const char* name)
{
    QTimer::singleShot(500, [&out, name] {
        if (QWidget* shown = QApplication::activeModalWidget()) {
            save(shown->grab(), out, name);
            if (auto* dialog = qobject_cast<QDialog*>(shown))
                dialog->reject();
        }
    });
    open();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
    QLocale::setDefault(brazil);
    const auto translations = app::installQtTranslations(brazil);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("loja.txt"));
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        f.write("0CAMISETAS|BASICAS|NORTE|AZUL MARINHO|CM-204|MANGA CURTA|M|2000000012346|39,90|2|\r\n"
                "0CAMISETAS|BASICAS|NORTE|BRANCO|CM-205|MANGA CURTA|G|7891000000002|39,90|3|\r\n"
                "0BERMUDAS|JEANS|NORTE|INDIGO|BM-310|SLIM|42|2000000012353|89,90|0|\r\n"
                "0BERMUDAS|JEANS|NORTE|PRETO|BM-311|SLIM|44|2000000012360|89,90|1|\r\n"
                "0ACESSORIOS|CINTOS|NORTE|PRETO FOSCO|CI-07|COURO|100|7891234000309|59,90|4|\r\n");
    }
    YesDialogs dialogs(file);
    auto owned = std::make_unique<TFrmLerEtiqueta>(dialogs);
    TFrmLerEtiqueta& window = *owned;
    window.move(0, 0);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    app::MessageBoxDialogs realDialogs;
    window.OpenDialog1->setDirectory(dir.path());
    grabModal([&] { realDialogs.chooseFile(*window.OpenDialog1); }, out, "1-escolher-arquivo.png");
    window.btnLocalizaClick();
    QTest::qWait(300);
    grabModal([&] { realDialogs.show(app::Dialogs::confirmPrint()); }, out, "3-confirmar.png");
    // The tool tip of the row with the wrong check digit, as the mouse over its mark shows it.
    QHeaderView* header = window.DBGrid1->verticalHeader();
    const int y = header->sectionViewportPosition(1) + header->sectionSize(1) / 2;
    const QPoint at = header->viewport()->mapToGlobal(QPoint(header->width() / 2, y));
    QToolTip::showText(at, window.dsEtqTemp->headerData(1, Qt::Vertical, Qt::ToolTipRole).toString(), header);
    QTest::qWait(500);
    const QRect frame = window.frameGeometry();
    save(window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()), out, "7-marcas.png");
    QToolTip::hideText();

    // The A4 example of 3 x 10 labels, started at label 5.
    auto printTable = std::make_unique<table::Table>(QStringLiteral("cdsImpEtq"), std::vector<table::FieldDef>{
        {"Marca", table::FieldType::Text, 20, false}, {"referencia", table::FieldType::Text, 20, false},
        {"Codigo", table::FieldType::Text, 25, false}});
    for (int i = 0; i < 8; ++i) {
        printTable->append();
        printTable->setText(0, "NORTE");
        printTable->setText(1, "CM-20" + std::to_string(i));
        printTable->setText(2, "2000000012346");
        printTable->store();
    }
    owned.reset();   // the window is done with; the preview below stands alone
    report::DataSetConnection connection(QStringLiteral("RvDataSetConnection1"), printTable.get());
    report::ReportSystem system;
    report::HeadlessUi ui;
    NoPreviewDialogs previewDialogs;
    ui.onPreview = [&](const report::PageDescription& pages) {
        report::PreviewWindow preview(pages, system, previewDialogs, {});
        preview.setRelayout(ui.relayout);
        preview.setGeometry(preview.screen()->availableGeometry());
        preview.show();
        if (!QTest::qWaitForWindowExposed(&preview))
            return;
        preview.fitToPage();
        preview.setStartLabel(5);
        QTest::qWait(1000);
        save(preview.grab(), out, "8-comecar-na-etiqueta.png");
    };
    report::ReportProject project(system, ui);
    project.setConnections({&connection});
    project.setConnectionWaits(0);
    project.setProjectFile(QStringLiteral(QUORVEL_SOURCE_DIR "/examples/definitions/a4-3x10.rav"));
    project.execute();
    return 0;
}
