// What the operator learns before labels are wasted: marks on the rows that will not print as
// expected, the question before bar-code error boxes, and the page limit of one run.
#include "WindowFixture.h"

#include "app/ListMarks.h"
#include "labels/PrintTable.h"
#include "support/HeadlessUi.h"

#include <QDir>
#include <QSignalSpy>

namespace quorvel::app::test {
namespace {

const QByteArray kBadCheckDigit = "7891000000002";   // EAN-13 whose check digit should be 7
const QByteArray kGood = "2000000012346";

class PreflightTest : public WindowTest
{
protected:
    void SetUp() override
    {
        openWindow(&ui);
        if (HasFatalFailure())
            return;
        // The shipped definition beside the build's programs: EAN-13 (type auto), one label a page.
        window->programFolder = QStringLiteral(QUORVEL_BINARY_DIR);
        window->listMarks().reload();
        ui.onPreview = [this](const report::PageDescription&) { ++previews; };
    }

    void TearDown() override
    {
        WindowTest::TearDown();
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }

    QString tip(int row) { return model()->headerData(row, Qt::Vertical, Qt::ToolTipRole).toString(); }
    bool marked(int row) { return !model()->headerData(row, Qt::Vertical, Qt::DecorationRole).isNull(); }

    void print(std::initializer_list<Button> answers)
    {
        dialogs.shown.clear();
        dialogs.answers.insert(dialogs.answers.end(), answers);
        window->btnTag_2->click();
    }

    /// The grupo of every print-table row, joined.
    std::string printed()
    {
        std::string out;
        for (int row = 0; row < window->cdsImpEtq->rowCount(); ++row)
            out += window->cdsImpEtq->textAt(row, labels::PrintField::grupo) + " ";
        return out;
    }

    void writeDefinition(const QString& folder, const QByteArray& barcodeType)
    {
        QDir().mkpath(folder + QStringLiteral("/Relatorios"));
        QFile f(folder + QStringLiteral("/Relatorios/tag_02_Quorvel.rav"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<quorvel-report version=\"1\">\n"
                "<data-view name=\"E\" connection=\"RvDataSetConnection1\"/>\n<report name=\"R\">\n"
                "<page size=\"custom\" width=\"50\" height=\"30\"><labels view=\"E\" rows=\"1\" columns=\"1\" "
                "label-width=\"50\" label-height=\"30\">\n<barcode x=\"2\" y=\"2\" width=\"45\" height=\"12\" field=\"Codigo\" type=\""
                + barcodeType + "\"/>\n</labels></page></report></quorvel-report>\n");
    }

    report::HeadlessUi ui;
    int previews = 0;
};

TEST_F(PreflightTest, MarksRowsThatWillNotPrintAsExpected)
{
    import(labelLine("A", "AZUL", "39,90", "2", kBadCheckDigit) + labelLine("B", "AZUL", "39,90", "0", kGood)
           + labelLine("C", "AZUL", "39,90", "1", kGood) + labelLine("D", "AZUL", "39,90", "-3", kGood)
           + labelLine("E", "AZUL", "39,90", "1", kGood));
    settle();
    // A price emptied in the list: a file always brings one.
    list().moveTo(2);
    list().edit();
    list().setNull(labels::ImportField::PRECO1);
    list().store();

    EXPECT_EQ(tip(0), QString::fromUtf8("Código de barras inválido: dígito verificador deveria ser 7"));
    EXPECT_EQ(tip(1), QString::fromUtf8("Quantidade 0: esta linha não gera etiquetas"));
    EXPECT_EQ(tip(2), QString::fromUtf8("Preço vazio: a etiqueta sairá sem preço"));
    EXPECT_EQ(tip(3), QString::fromUtf8("Quantidade negativa (-3): esta linha não gera etiquetas"));
    EXPECT_EQ(tip(4), QString());
    for (int row = 0; row < 4; ++row)
        EXPECT_TRUE(marked(row)) << "row " << row;
    EXPECT_FALSE(marked(4));
    EXPECT_EQ(model()->headerData(4, Qt::Vertical).toString(), QString()) << "the indicator text stays as it was";
}

TEST_F(PreflightTest, CorrectingTheQuantityInTheGridRemovesItsMark)
{
    import(labelLine("A", "AZUL", "39,90", "1", kGood) + labelLine("B", "AZUL", "39,90", "0", kGood));
    settle();
    ASSERT_TRUE(marked(1));
    grid()->setFocus(Qt::OtherFocusReason);
    press(Qt::Key_Down);
    press(Qt::Key_End);
    ASSERT_EQ(grid()->currentColumn(), model()->columnOfField(labels::ImportField::qtd));
    QSignalSpy announced(model(), &QAbstractItemModel::headerDataChanged);
    type("3");
    press(Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return list().integerAt(1, labels::ImportField::qtd) == 3; }, 2000));
    EXPECT_FALSE(marked(1)) << tip(1).toStdString();
    EXPECT_FALSE(announced.isEmpty()) << "the row's header is drawn again";
    // Emptying it marks the row again.
    type("1");
    ASSERT_NE(grid()->cellEditor(), nullptr);
    grid()->cellEditor()->clear();
    press(Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return list().isNullAt(1, labels::ImportField::qtd); }, 2000));
    EXPECT_EQ(tip(1), QString::fromUtf8("Quantidade vazia: esta linha não gera etiquetas"));
}

TEST_F(PreflightTest, MarksFollowTheDefinitionFileWhenItChanges)
{
    const QString folder = dir.filePath(QStringLiteral("program"));
    writeDefinition(folder, "code128");
    window->programFolder = folder;
    window->listMarks().reload();
    import(labelLine("A", "AZUL", "39,90", "1", kBadCheckDigit));
    settle();
    EXPECT_FALSE(marked(0)) << "Code 128 prints any digits";
    writeDefinition(folder, "ean13");
    EXPECT_TRUE(QTest::qWaitFor([&] { return marked(0); }, 10000)) << "the watcher reads the new definition";
    EXPECT_EQ(tip(0), QString::fromUtf8("Código de barras inválido: dígito verificador deveria ser 7"));
}

TEST_F(PreflightTest, NoQuestionWhenNoLabelCarriesAnErrorBox)
{
    // A bad code whose row prints nothing is marked, but wastes no label.
    import(labelLine("A", "AZUL", "39,90", "2", kGood) + labelLine("B", "AZUL", "39,90", "0", kBadCheckDigit));
    print({Button::Yes, Button::No});
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].text, QString::fromUtf8("Confirma a impressão das etiquetas?"));
    EXPECT_EQ(dialogs.shown[1].text, QStringLiteral("Deseja imprimir novamente ?"));
    EXPECT_EQ(previews, 1);
}

TEST_F(PreflightTest, QuestionBeforeErrorBoxesAndNoChangesNothing)
{
    import(labelLine("A", "AZUL", "39,90", "2", kBadCheckDigit) + labelLine("B", "AZUL", "39,90", "1", kGood)
           + labelLine("C", "AZUL", "39,90", "1", "7891000000003"));
    settle();
    list().first();
    print({Button::Yes, Button::No});
    ASSERT_EQ(dialogs.shown.size(), 2u);
    const Dialogs::Message& question = dialogs.shown[1];
    EXPECT_EQ(question.caption, QString::fromUtf8("Confirmação"));
    EXPECT_EQ(question.icon, Dialogs::Icon::Question);
    EXPECT_EQ(question.defaultButton, Button::No);
    EXPECT_EQ(question.escapeButton, Button::No);
    EXPECT_EQ(question.text, QString::fromUtf8("3 etiquetas de 2 linhas sairão com uma caixa de erro no lugar do código "
                                               "de barras (7891000000002, 7891000000003).\rDeseja imprimir assim mesmo?"));
    EXPECT_EQ(printed(), "") << "the print table was not touched";
    EXPECT_EQ(list().currentRow(), 0) << "no walk of the list";
    EXPECT_EQ(ui.generations, 0);
    EXPECT_TRUE(window->isVisible());

    print({Button::Yes, Button::Yes, Button::No});
    EXPECT_EQ(dialogs.shown.size(), 3u);
    EXPECT_EQ(printed(), "A A B C ");
    EXPECT_EQ(previews, 1);
}

TEST_F(PreflightTest, ThePendingRowTheTableRefusesStopsTheRunBeforeAnyQuestion)
{
    import(labelLine("A", "AZUL", "39,90", "1", kBadCheckDigit));
    settle();
    // A new row with labels and a bad code, but no brand: it can never be stored.
    list().append();
    list().setText(labels::ImportField::DESC_COR_PRODUTO, "VERDE");
    list().setText(labels::ImportField::CODIGO_BARRA, kBadCheckDigit.toStdString());
    list().setInteger(labels::ImportField::qtd, 2);
    print({Button::Yes, Button::Ok});
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].text, "Field 'GRIFFE' must have a value.");
    EXPECT_EQ(ui.generations, 0);

    // Once it can be stored it is a row like the others, and the question counts its labels.
    list().setText(labels::ImportField::GRIFFE, "NORTE");
    print({Button::Yes, Button::No});
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_TRUE(dialogs.shown[1].text.startsWith(QString::fromUtf8("3 etiquetas de 2 linhas"))) << dialogs.shown[1].text.toStdString();
}

TEST_F(PreflightTest, TheShippedExampleMarksTheSizeTheTagWillCutUntilItFits)
{
    QFile example(QStringLiteral(QUORVEL_SOURCE_DIR "/examples/loja-centro.txt"));
    ASSERT_TRUE(example.open(QIODevice::ReadOnly));
    import(example.readAll());
    settle();
    int ci07 = -1;
    for (int row = 0; row < list().rowCount(); ++row)
        if (list().textAt(row, labels::ImportField::CODIGO_BARRA) == "7891234000309")
            ci07 = row;
    ASSERT_GE(ci07, 0);
    EXPECT_TRUE(marked(ci07));
    EXPECT_EQ(tip(ci07), QString::fromUtf8("Tamanho \"100\" sairá como \"10\" na etiqueta"));

    list().moveTo(ci07);
    list().edit();
    list().setText(labels::ImportField::TAMANHO, "10");
    list().store();
    settle();
    EXPECT_FALSE(marked(ci07)) << tip(ci07).toStdString();
}

// The grid shows what the import table kept of a long brand; the mark names what the line gave.
TEST_F(PreflightTest, AValueTheImportCutIsNamedWholeUntilItIsEdited)
{
    import("XA|CAMISETAS|ESTRELA DO NORTE CONFECCOES|AZUL|CM-204|BASICA|M|2000000012346|39,90|1|\r\n");
    settle();
    EXPECT_EQ(tip(0), QString::fromUtf8("Griffe \"ESTRELA DO NORTE CONFECCOES\" sairá como \"ESTRELA DO NORTE CON\" na etiqueta"));
    list().first();
    list().edit();
    list().setText(labels::ImportField::GRIFFE, "ESTRELA");
    list().store();
    EXPECT_FALSE(marked(0)) << tip(0).toStdString();
}

TEST_F(PreflightTest, ASecondImportOfTheSameFileMarksItsRowsUntilTheyAreDeleted)
{
    const QString path = writeFile(labelLine("A") + labelLine("B"));
    const QString repeated = QString::fromUtf8("Arquivo já importado: estas linhas estão repetidas");
    for (int i = 0; i < 2; ++i) {
        dialogs.files.push_back(path);
        dialogs.answers.push_back(Button::Yes);
        window->btnLocalizaClick();
    }
    // The same bytes under another name are another file.
    import(labelLine("A") + labelLine("B"));
    settle();
    ASSERT_EQ(list().rowCount(), 6);
    for (int row = 0; row < 6; ++row)
        EXPECT_EQ(tip(row), row == 2 || row == 3 ? repeated : QString()) << "row " << row;

    // A file changed since is not the same file.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(labelLine("C"));
    f.close();
    dialogs.files.push_back(path);
    dialogs.answers.push_back(Button::Yes);
    window->btnLocalizaClick();
    settle();
    EXPECT_EQ(tip(6), QString());

    // The marks leave with their rows, and the rows before them keep theirs.
    list().moveTo(0);
    list().remove();
    EXPECT_EQ(tip(1), repeated);
    EXPECT_EQ(tip(2), repeated);
    list().moveTo(1);
    list().remove();
    list().remove();
    for (int row = 0; row < list().rowCount(); ++row)
        EXPECT_EQ(tip(row), QString()) << "row " << row;
}

TEST_F(PreflightTest, ARunOfMoreThan9999PagesIsRefused)
{
    import(labelLine("A", "AZUL", "39,90", "9000", kGood) + labelLine("B", "AZUL", "39,90", "1000", kGood));
    print({Button::Yes, Button::Ok});
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].caption, QStringLiteral("Zelvora"));
    EXPECT_EQ(dialogs.shown[1].icon, Dialogs::Icon::Critical);
    EXPECT_EQ(dialogs.shown[1].text, QString::fromUtf8("A impressão teria 10.000 páginas, mais que o limite de 9.999 "
                                                       "páginas por impressão. Diminua as quantidades e imprima em partes."));
    EXPECT_EQ(window->cdsImpEtq->rowCount(), 0) << "the print table is left as it was";
    EXPECT_EQ(ui.generations, 0);
}

} // namespace
} // namespace quorvel::app::test
