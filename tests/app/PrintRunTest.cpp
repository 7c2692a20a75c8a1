// The print run from the window: confirmation, expansion, the report loop with its reprint
// question and failure guard, and the end of the program. The engine's windows are replaced by
// a headless double whose preview records what the report received.
#include "WindowFixture.h"

#include "labels/PrintTable.h"
#include "report/engine/PageDescription.h"
#include "report/engine/ReportProject.h"
#include "report/outputs/PageDump.h"
#include "report/outputs/Snapshot.h"
#include "support/HeadlessUi.h"
#include "support/Sanitizers.h"
#include "support/Watchdog.h"

#include <QCursor>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTimer>

using namespace quorvel;
using quorvel::app::test::Button;
using quorvel::app::test::labelLine;
using quorvel::app::test::WindowTest;

namespace {

/// A, B, C, D and E with quantities 2, 0, 1, -1 and 3; C loses its quantity in the grid.
QByteArray fiveItems()
{
    return labelLine("A", "AZUL", "39,90", "2") + labelLine("B", "AZUL", "39,90", "0") + labelLine("C", "AZUL", "39,90", "1")
           + labelLine("D", "AZUL", "39,90", "-1") + labelLine("E", "VERDE", "12,34", "3");
}

struct PreviewSeen
{
    QString grupos;         // the grupo column of the print table, joined
    bool hasLoja = true;
    QString data;
    bool waitCursor = false;
    bool buttonEnabled = true;
    QStringList pages;      // the dump of every page
};

class PrintRunTest : public app::test::WindowTest
{
protected:
    void SetUp() override
    {
        openWindow(&ui);
        if (HasFatalFailure())
            return;
        // The test programs live one folder below the build's Relatorios.
        window->programFolder = QStringLiteral(QUORVEL_BINARY_DIR);
        ui.onPreview = [this](const report::PageDescription& doc) {
            PreviewSeen seen;
            for (std::size_t page = 0; page < doc.pages.size(); ++page)
                seen.pages << report::dumpPage(doc, page);
            for (int row = 0; row < window->cdsImpEtq->rowCount(); ++row)
                seen.grupos += QString::fromStdString(window->cdsImpEtq->textAt(row, labels::PrintField::grupo)) + QLatin1Char(' ');
            seen.grupos = seen.grupos.trimmed();
            seen.hasLoja = false;
            for (const auto& entry : window->RvPrjEtq->params())
                if (entry.first.compare(QLatin1String("loja"), Qt::CaseInsensitive) == 0)
                    seen.hasLoja = true;
            seen.data = window->RvPrjEtq->param(QStringLiteral("data"));
            seen.waitCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            seen.buttonEnabled = window->btnTag_2->isEnabled();
            previews.push_back(seen);
            if (whilePreviewing)
                whilePreviewing();
        };
    }

    void TearDown() override
    {
        app::test::WindowTest::TearDown();
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }

    QString grupos() const
    {
        QString out;
        for (int row = 0; row < window->cdsImpEtq->rowCount(); ++row)
            out += QString::fromStdString(window->cdsImpEtq->textAt(row, labels::PrintField::grupo)) + QLatin1Char(' ');
        return out.trimmed();
    }

    void importFive()
    {
        import(fiveItems());
        table::Table& t = *window->cdsEtqTemp;
        t.moveTo(2);
        t.edit();
        t.setNull(labels::ImportField::qtd);
        t.store();
        settle();
    }

    /// Clicks the print button with answers for the boxes it will show.
    void print(std::initializer_list<Button> answers)
    {
        dialogs.shown.clear();
        dialogs.answers.insert(dialogs.answers.end(), answers);
        window->btnTag_2->click();
    }

    /// A folder to run reports from, holding a definition file (or none when `definition` is null).
    void useProgramFolder(const QByteArray* definition)
    {
        QDir(dir.path()).mkpath(QStringLiteral("program/Relatorios"));
        window->programFolder = dir.filePath(QStringLiteral("program"));
        if (definition) {
            QFile f(window->programFolder + QStringLiteral("/Relatorios/tag_02_Quorvel.rav"));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(*definition);
        }
    }

    static QByteArray shippedDefinition()
    {
        QFile f(QStringLiteral(QUORVEL_SOURCE_DIR "/Relatorios/tag_02_Quorvel.rav"));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }

    report::HeadlessUi ui;
    std::vector<PreviewSeen> previews;
    std::function<void()> whilePreviewing;
};

TEST_F(PrintRunTest, ExpandsReportsAndEndsTheProgramOnNo)
{
    importFive();
    print({Button::Yes, Button::No});

    ASSERT_EQ(previews.size(), 1u);
    EXPECT_EQ(previews[0].grupos, "A A E E E");
    EXPECT_FALSE(previews[0].hasLoja) << "an empty Loja leaves no entry";
    EXPECT_EQ(previews[0].data, QDate::currentDate().toString(QStringLiteral("MM/yy")));
    EXPECT_TRUE(previews[0].waitCursor);
    EXPECT_FALSE(previews[0].buttonEnabled) << "no second run while the report runs";

    ASSERT_EQ(dialogs.shown.size(), 2u);
    const auto& confirm = dialogs.shown[0];
    EXPECT_EQ(confirm.caption, QString::fromUtf8("Confirmação"));
    EXPECT_EQ(confirm.text, QString::fromUtf8("Confirma a impressão das etiquetas?"));
    EXPECT_EQ(confirm.icon, app::Dialogs::Icon::Question);
    const auto& again = dialogs.shown[1];
    EXPECT_EQ(again.caption, "Information");
    EXPECT_EQ(again.text, "Deseja imprimir novamente ?");
    EXPECT_EQ(again.icon, app::Dialogs::Icon::Information);
    EXPECT_EQ(again.defaultButton, Button::Yes);
    EXPECT_EQ(again.escapeButton, Button::No);

    EXPECT_FALSE(window->isVisible()) << "No closes the window, which ends the program";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(window->cdsEtqTemp->currentRow(), 4) << "the walk leaves the last row current";
    EXPECT_EQ(ui.errors, QStringList());
}

TEST_F(PrintRunTest, DateFollowsTheRegionalSeparator)
{
    importFive();
    locale.set(QLocale(QLocale::German, QLocale::Germany));
    print({Button::Yes, Button::No});
    ASSERT_EQ(previews.size(), 1u);
    EXPECT_EQ(previews[0].data, QDate::currentDate().toString(QStringLiteral("MM.yy")));
}

TEST_F(PrintRunTest, YesAndTheCloseBoxPrintTheSameRowsAgain)
{
    importFive();
    print({Button::Yes, Button::Yes, Button::None, Button::No});
    ASSERT_EQ(previews.size(), 3u);
    for (const auto& seen : previews) {
        EXPECT_EQ(seen.grupos, "A A E E E");
        EXPECT_TRUE(seen.waitCursor);
    }
    EXPECT_EQ(ui.generations, 3);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "one wait cursor however many passes";
}

TEST_F(PrintRunTest, AllQuantitiesBelowOneStillRunTheReport)
{
    import(labelLine("B", "AZUL", "39,90", "0") + labelLine("D", "AZUL", "39,90", "-1"));
    print({Button::Yes, Button::No});
    ASSERT_EQ(previews.size(), 1u);
    EXPECT_EQ(previews[0].grupos, "");
}

TEST_F(PrintRunTest, SecondRunCannotStartWhileTheReportRuns)
{
    importFive();
    int boxesBefore = 0;
    whilePreviewing = [&] {
        boxesBefore = static_cast<int>(dialogs.shown.size());
        window->BtnSalvarClick();
        window->edtArquivo->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(window->edtArquivo, Qt::Key_P, Qt::AltModifier);
        window->btnLocaliza->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(window->btnLocaliza, Qt::Key_P);
        QCoreApplication::processEvents();
        EXPECT_EQ(static_cast<int>(dialogs.shown.size()), boxesBefore) << "no confirmation for a second run";
        // A grid change during the run leaves the button disabled.
        window->cdsEtqTemp->first();
        window->cdsEtqTemp->edit();
        window->cdsEtqTemp->setText(labels::ImportField::GRUPO, "XZ");
        window->cdsEtqTemp->store();
        EXPECT_FALSE(window->btnTag_2->isEnabled());
    };
    print({Button::Yes, Button::Yes, Button::No});
    EXPECT_EQ(previews.size(), 2u);
    EXPECT_EQ(ui.generations, 2);
    whilePreviewing = nullptr;
}

TEST_F(PrintRunTest, NoToTheConfirmationChangesNothing)
{
    importFive();
    useProgramFolder(nullptr);
    print({Button::Yes, Button::Ok});   // fails at the missing definition, keeping its rows
    ASSERT_EQ(grupos(), "A A E E E");
    window->cdsEtqTemp->first();
    print({Button::No});
    EXPECT_EQ(grupos(), "A A E E E");
    EXPECT_EQ(window->cdsEtqTemp->currentRow(), 0) << "no walk";
    EXPECT_EQ(ui.generations, 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

struct GuardCase
{
    const char* name;
    enum { MissingDefinition, MissingConnection, NotADefinition } kind;
};

class PrintRunGuard : public PrintRunTest, public ::testing::WithParamInterface<GuardCase>
{
};

// A failure in the loop shows its message as raised, in a plain box, and ends the run with
// the window open and both tables as they were.
TEST_P(PrintRunGuard, ShowsTheMessageAsRaisedAndKeepsTheWindow)
{
    importFive();
    QString expected;
    QByteArray definition;
    switch (GetParam().kind) {
    case GuardCase::MissingDefinition:
        useProgramFolder(nullptr);
        expected = QStringLiteral("The following reporting project does not exist:\r\"%1\"")
                       .arg(QDir(window->programFolder).absoluteFilePath(QStringLiteral("Relatorios/tag_02_Quorvel.rav")));
        break;
    case GuardCase::MissingConnection:
        definition = shippedDefinition().replace("RvDataSetConnection1", "RvConexaoAusente");
        useProgramFolder(&definition);
        window->RvPrjEtq->setConnectionWaits(2);
        expected = QStringLiteral("Operation aborted");
        break;
    case GuardCase::NotADefinition:
        definition = "not a report";
        useProgramFolder(&definition);
        expected = QStringLiteral("Invalid Project Format");
        break;
    }
    print({Button::Yes, Button::Ok});

    ASSERT_EQ(dialogs.shown.size(), 2u);
    const auto& box = dialogs.shown[1];
    EXPECT_EQ(box.text, expected) << "exactly as raised, no full stop added";
    EXPECT_EQ(box.caption, "Zelvora");
    EXPECT_EQ(box.icon, app::Dialogs::Icon::None);
    ASSERT_EQ(box.buttons.size(), 1u);
    EXPECT_EQ(box.buttons[0].button, Button::Ok);

    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->btnTag_2->isEnabled());
    EXPECT_EQ(grupos(), "A A E E E");
    EXPECT_EQ(window->cdsEtqTemp->rowCount(), 5);
    EXPECT_TRUE(previews.empty());
    if (GetParam().kind == GuardCase::MissingConnection) {
        EXPECT_EQ(ui.errors, QStringList{QStringLiteral("Error!  Could not open data connection \"RvConexaoAusente\".  Aborting report.")});
    }
}

INSTANTIATE_TEST_SUITE_P(Failures, PrintRunGuard, ::testing::Values(
    GuardCase{"MissingDefinition", GuardCase::MissingDefinition},
    GuardCase{"MissingDataConnection", GuardCase::MissingConnection},
    GuardCase{"NotADefinition", GuardCase::NotADefinition}),
    [](const ::testing::TestParamInfo<GuardCase>& row) { return std::string(row.param.name); });

TEST_F(PrintRunTest, UnstorablePendingRowReachesTheErrorBoxAfterEmptying)
{
    importFive();
    useProgramFolder(nullptr);
    print({Button::Yes, Button::Ok});
    ASSERT_EQ(grupos(), "A A E E E");

    window->cdsEtqTemp->append();
    window->cdsEtqTemp->setText(labels::ImportField::GRUPO, "NOVO");
    print({Button::Yes, Button::Ok});

    ASSERT_EQ(dialogs.shown.size(), 2u);
    const auto& box = dialogs.shown[1];
    EXPECT_EQ(box.caption, "Zelvora");
    EXPECT_EQ(box.icon, app::Dialogs::Icon::Critical);
    EXPECT_TRUE(box.text.startsWith(QLatin1String("Field '")) && box.text.endsWith(QLatin1String("' must have a value.")))
        << box.text.toStdString();
    EXPECT_EQ(window->cdsImpEtq->rowCount(), 0) << "emptied before the failure";
    EXPECT_EQ(ui.generations, 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(PrintRunTest, TooManyLabelsAreRefusedBeforeExpanding)
{
    import(labelLine("A", "AZUL", "39,90", "999999") + labelLine("B", "AZUL", "39,90", "2"));
    print({Button::Yes, Button::Ok});

    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].caption, "Zelvora");
    EXPECT_TRUE(dialogs.shown[1].text.contains(QLatin1String("1.000.001"))) << dialogs.shown[1].text.toStdString();
    EXPECT_TRUE(dialogs.shown[1].text.contains(QLatin1String("1.000.000")));
    EXPECT_EQ(window->cdsImpEtq->rowCount(), 0);
    EXPECT_EQ(window->cdsEtqTemp->rowCount(), 2);
    EXPECT_EQ(ui.generations, 0);
    EXPECT_TRUE(window->btnTag_2->isEnabled());
}

TEST_F(PrintRunTest, ImportedExampleFileGivesOneRowPerLabel)
{
    dialogs.files.push_back(QStringLiteral(QUORVEL_SOURCE_DIR "/examples/loja-centro.txt"));
    dialogs.answers.push_back(Button::Yes);
    window->btnLocalizaClick();
    ASSERT_GT(window->cdsEtqTemp->rowCount(), 0);
    const std::int64_t labelsWanted = labels::countLabels(*window->cdsEtqTemp);
    print({Button::Yes, Button::No});
    ASSERT_EQ(previews.size(), 1u);
    EXPECT_EQ(window->cdsImpEtq->rowCount(), labelsWanted);
    EXPECT_EQ(ui.errors, QStringList());
    EXPECT_EQ(ui.messages, QStringList());
}

// quorvel-batch print runs the window's own print run: the same file gives the same pages.
TEST_F(PrintRunTest, WindowAndBatchLayTheSamePages)
{
    const QString file = QStringLiteral(QUORVEL_SOURCE_DIR "/examples/loja-centro.txt");
    dialogs.files.push_back(file);
    dialogs.answers.push_back(Button::Yes);
    window->btnLocalizaClick();
    print({Button::Yes, Button::No});
    ASSERT_EQ(previews.size(), 1u);
    ASSERT_FALSE(previews[0].pages.isEmpty());

    const QString snapshot = dir.filePath(QStringLiteral("batch.ndr"));
    QProcess batch;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("LC_ALL"));
    env.remove(QStringLiteral("LC_NUMERIC"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("pt_BR.UTF-8"));
    batch.setProcessEnvironment(env);
    batch.start(QStringLiteral(QUORVEL_BINARY_DIR "/quorvel-batch"), {QStringLiteral("print"), file, QStringLiteral("-o"), snapshot});
    ASSERT_TRUE(batch.waitForFinished(60000));
    ASSERT_EQ(batch.exitCode(), 0) << batch.readAllStandardError().constData();
    const report::PageDescription doc = report::snapshot::read(snapshot);
    QStringList pages;
    for (std::size_t page = 0; page < doc.pages.size(); ++page)
        pages << report::dumpPage(doc, page);
    EXPECT_EQ(pages, previews[0].pages);
}

// The window's own engine windows: the preview opens over the generated labels, and closing it
// leads to the reprint question.
TEST_F(WindowTest, RealPreviewOpensAndClosingItAsksToPrintAgain)
{
    import(labelLine("A", "AZUL", "39,90", "2"));
    window->programFolder = QStringLiteral(QUORVEL_BINARY_DIR);
    QString previewTitle;
    QTimer closer;
    closer.setInterval(50);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("previewWindow") && w->isVisible()) {
                previewTitle = w->windowTitle();
                w->close();
            }
    });
    closer.start();
    dialogs.answers.insert(dialogs.answers.end(), {Button::Yes, Button::No});
    {
        const quorvel::test::Watchdog watchdog("the print run with the real preview");
        window->btnTag_2->click();
    }
    closer.stop();
    EXPECT_EQ(previewTitle, QString::fromUtf8("Visualização de Impressão"));
    ASSERT_EQ(dialogs.shown.size(), 3u);
    EXPECT_EQ(dialogs.shown[2].text, "Deseja imprimir novamente ?");
    EXPECT_FALSE(window->isVisible());
}

/// An EAN-13 of `n` with its check digit.
QByteArray ean13(int n)
{
    QByteArray digits = QByteArray::number(200000000000LL + n);
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += (digits[i] - '0') * (i % 2 == 0 ? 1 : 3);
    return digits + QByteArray::number((10 - sum % 10) % 10);
}

// Yes is answered at once: the status window is up and painted while the checks before the pages
// would still keep an operator waiting.
TEST_F(WindowTest, TheStatusWindowShowsAtOnceOnALongList)
{
    QByteArray lines;
    for (int n = 0; n < 9000; ++n)
        lines += labelLine("A", "AZUL", "39,90", "1", ean13(n));
    import(lines);
    window->programFolder = QStringLiteral(QUORVEL_BINARY_DIR);
    QElapsedTimer sinceYes;
    qint64 statusAfterMs = -1;
    dialogs.onShow = [&](const app::Dialogs::Message& message) {
        if (message.text == QString::fromUtf8("Confirma a impressão das etiquetas?"))
            sinceYes.start();
    };
    QTimer watcher;
    watcher.setInterval(5);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QLatin1String("statusWindow") && w->isVisible() && statusAfterMs < 0) {
                statusAfterMs = sinceYes.elapsed();
                // Cancel ends the run: the rest of 9,000 pages is no part of this.
                if (auto* cancel = w->findChild<QPushButton*>(QStringLiteral("cancelButton")))
                    QTimer::singleShot(0, cancel, &QPushButton::click);
            }
            if (w->objectName() == QLatin1String("previewWindow") && w->isVisible())
                w->close();
        }
    });
    watcher.start();
    dialogs.answers.insert(dialogs.answers.end(), {Button::Yes, Button::No, Button::No});
    {
        const quorvel::test::Watchdog watchdog("the print run of 9,000 tags");
        window->btnTag_2->click();
    }
    watcher.stop();
    dialogs.answers.clear();
    ASSERT_GE(statusAfterMs, 0) << "no status window";
    // The sanitizers slow every step tenfold; the walk that kept the window away took seconds
    // even without them.
    EXPECT_LT(statusAfterMs, QUORVEL_UNDER_ASAN ? 3000 : 300);
}

} // namespace
