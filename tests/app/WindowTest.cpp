// The import window as the operator meets it: first show, layout, focus and its colours, the
// print button's access keys, and choosing and importing label files.
#include "WindowFixture.h"

#include "labels/LabelFileReader.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>

namespace quorvel::app::test {
namespace {

TEST_F(WindowTest, FirstShowHasEmptyYellowFocusedEditEmptyGridAndGreyedButton)
{
    EXPECT_EQ(window->windowTitle(), "Quorvel");
    EXPECT_EQ(window->size(), QSize(753, 545));
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "the window must not be resizable";
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window->edtArquivo->text().isEmpty());
    EXPECT_TRUE(window->edtArquivo->hasFocus());
    EXPECT_EQ(editColour(), QColor(255, 255, 0));
    EXPECT_EQ(model()->rowCount(), 0);
    EXPECT_FALSE(window->btnTag_2->isEnabled());
    EXPECT_EQ(window->btnTag_2->text(), QString::fromUtf8("&PADRÃO"));
}

struct Placement
{
    const char* name;
    const char* parent;
    QRect geometry;
};

class WindowLayout : public WindowTest, public ::testing::WithParamInterface<Placement>
{
};

TEST_P(WindowLayout, ControlSitsAtItsPlace)
{
    const Placement& p = GetParam();
    auto* widget = window->findChild<QWidget*>(QString::fromLatin1(p.name));
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->parentWidget()->objectName(), QString::fromLatin1(p.parent));
    EXPECT_EQ(widget->geometry(), p.geometry);
}

INSTANTIATE_TEST_SUITE_P(
    Controls, WindowLayout,
    ::testing::Values(Placement{"GroupBoxEntrada", "FrmLerEtiqueta", {0, 0, 753, 545}},
                      Placement{"Panel2", "GroupBoxEntrada", {2, 525, 749, 18}},
                      Placement{"DBGrid1", "GroupBoxEntrada", {2, 184, 749, 341}},
                      Placement{"grpLocalizarArq", "GroupBoxEntrada", {6, 22, 451, 41}},
                      Placement{"edtArquivo", "grpLocalizarArq", {8, 14, 402, 21}},
                      Placement{"btnLocaliza", "grpLocalizarArq", {416, 13, 25, 22}},
                      Placement{"Panel1", "GroupBoxEntrada", {464, 10, 284, 168}},
                      Placement{"imgFoto", "Panel1", {1, 1, 282, 166}},
                      Placement{"GroupBox3", "FrmLerEtiqueta", {7, 80, 450, 78}},
                      Placement{"btnTag_2", "GroupBox3", {9, 20, 424, 44}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(WindowTest, FontsAndStackingFollowTheWindowDesign)
{
    EXPECT_TRUE(window->GroupBoxEntrada->font().bold());
    EXPECT_TRUE(window->DBGrid1->font().bold()) << "the grid inherits the group box's bold font";
    EXPECT_TRUE(window->edtArquivo->font().bold());
    EXPECT_FALSE(window->GroupBox3->font().bold());
    EXPECT_TRUE(window->btnTag_2->font().bold());
    EXPECT_EQ(window->font().pointSize(), 8);
    EXPECT_EQ(QFontInfo(window->font()).family(), "Liberation Sans");
    EXPECT_EQ(window->grpLocalizarArq->title(), " Localizar Arquivo de Etiquetas");
    EXPECT_EQ(window->GroupBox3->title(), "Etiqueta: ");
    // GroupBox3 lies over GroupBoxEntrada: the window's topmost child at its centre is inside it.
    QWidget* top = window->childAt(window->GroupBox3->geometry().center());
    EXPECT_TRUE(top == window->GroupBox3 || window->GroupBox3->isAncestorOf(top));
}

TEST_F(WindowTest, PictureFillsItsAreaStretched)
{
    QPixmap shown = window->imgFoto->grab();
    EXPECT_EQ(shown.size(), QSize(282, 166));
    EXPECT_TRUE(window->imgFoto->hasScaledContents());
    QImage image = shown.toImage();
    // No band of the label's background shows at any edge: the picture reaches all four.
    QColor background = window->Panel1->palette().color(QPalette::Button);
    for (QPoint corner : {QPoint(0, 0), QPoint(281, 0), QPoint(0, 165), QPoint(281, 165)})
        EXPECT_NE(image.pixelColor(corner), background) << corner.x() << "," << corner.y();
}

TEST_F(WindowTest, TabOrderRunsEditButtonGridAndColoursFollow)
{
    press(Qt::Key_Tab);
    EXPECT_EQ(focus(), window->btnLocaliza);
    EXPECT_EQ(editColour(), windowColour());
    press(Qt::Key_Tab);
    EXPECT_EQ(focus(), window->DBGrid1);
    window->edtArquivo->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(editColour(), QColor(255, 255, 0));
    press(Qt::Key_Backtab);
    EXPECT_EQ(focus(), window->DBGrid1);
    EXPECT_EQ(editColour(), windowColour());
}

TEST_F(WindowTest, TabIntoTheEditSelectsItsWholeText)
{
    window->edtArquivo->setText("/tmp/some/file.txt");
    window->btnLocaliza->setFocus(Qt::OtherFocusReason);
    press(Qt::Key_Backtab);
    EXPECT_TRUE(window->edtArquivo->hasFocus());
    EXPECT_EQ(window->edtArquivo->selectedText(), "/tmp/some/file.txt");
}

TEST_F(WindowTest, AnotherWindowTakingTheFocusLeavesTheEditYellow)
{
    QWidget other;
    other.resize(100, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_EQ(editColour(), QColor(255, 255, 0));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_TRUE(window->edtArquivo->hasFocus());
    EXPECT_EQ(editColour(), QColor(255, 255, 0));
}

TEST_F(WindowTest, ControlsThatTakeNoFocusLeaveTheEditAlone)
{
    import(labelLine("A"));
    window->edtArquivo->setFocus(Qt::OtherFocusReason);
    dialogs.answers.push_back(Button::No);   // the print run's confirmation
    QTest::mouseClick(window->btnTag_2, Qt::LeftButton);
    QTest::mouseClick(window->Panel1, Qt::LeftButton);
    QTest::mouseClick(window->GroupBox3, Qt::LeftButton);
    EXPECT_TRUE(window->edtArquivo->hasFocus());
    EXPECT_EQ(editColour(), QColor(255, 255, 0));
}

TEST_F(WindowTest, AccessKeyClicksThePrintButtonOnlyWhileEnabled)
{
    QSignalSpy clicks(window->btnTag_2, &QPushButton::clicked);
    press(Qt::Key_P, Qt::AltModifier);
    QTest::qWait(200);
    EXPECT_EQ(clicks.count(), 0) << "greyed button";

    import(labelLine("A"));
    // Each click asks for the print run's confirmation, answered No.
    dialogs.answers.insert(dialogs.answers.end(), {Button::No, Button::No, Button::No});
    window->edtArquivo->setFocus(Qt::OtherFocusReason);
    press(Qt::Key_P, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return clicks.count() == 1; }));
    EXPECT_TRUE(window->edtArquivo->hasFocus());
    EXPECT_EQ(editColour(), QColor(255, 255, 0));

    window->DBGrid1->setFocus(Qt::OtherFocusReason);
    press(Qt::Key_P, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return clicks.count() == 2; }));

    window->btnLocaliza->setFocus(Qt::OtherFocusReason);
    press(Qt::Key_P);
    EXPECT_TRUE(QTest::qWaitFor([&] { return clicks.count() == 3; })) << "P alone on the \"...\" button";
    EXPECT_EQ(focus(), window->btnLocaliza);
}

TEST_F(WindowTest, PAloneInTheGridDoesNotPrint)
{
    import(labelLine("A"));
    QSignalSpy clicks(window->btnTag_2, &QPushButton::clicked);
    window->DBGrid1->setFocus(Qt::OtherFocusReason);
    press(Qt::Key_P);
    QTest::qWait(200);
    EXPECT_EQ(clicks.count(), 0);
    ASSERT_NE(grid()->cellEditor(), nullptr) << "the grid keeps the letter for its editor";
    EXPECT_EQ(grid()->cellEditor()->text(), "p");
}

TEST_F(WindowTest, CancelledFirstChoiceAsksForAFileAndReturnsToTheEdit)
{
    window->btnLocaliza->setFocus(Qt::OtherFocusReason);
    dialogs.files.push_back(std::nullopt);
    dialogs.answers.push_back(Button::Cancel);
    window->btnLocalizaClick();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    const auto& box = dialogs.shown.front();
    EXPECT_EQ(box.caption, "Aviso");
    EXPECT_EQ(box.text, QString::fromUtf8("É necessário selecionar o arquivo!"));
    EXPECT_EQ(box.icon, Dialogs::Icon::Warning);
    EXPECT_EQ(box.defaultButton, Button::Ok);
    EXPECT_TRUE(window->edtArquivo->hasFocus());
    EXPECT_EQ(editColour(), QColor(255, 255, 0));
    EXPECT_EQ(model()->rowCount(), 0);
}

TEST_F(WindowTest, AnsweringNoKeepsThePathAndReadsNothing)
{
    QString path = writeFile(labelLine("A"));
    dialogs.files.push_back(path);
    dialogs.answers.push_back(Button::No);
    window->btnLocalizaClick();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown.front().text, "Confirma o arquivo de etiquetas selecionado?");
    EXPECT_EQ(dialogs.shown.front().caption, "Aviso");
    EXPECT_EQ(dialogs.shown.front().icon, Dialogs::Icon::Question);
    EXPECT_EQ(window->edtArquivo->text(), path);
    EXPECT_TRUE(window->edtArquivo->hasFocus());
    EXPECT_EQ(list().rowCount(), 0);
}

TEST_F(WindowTest, ImportsAccumulateAndTheLastChoiceIsOfferedAgain)
{
    import(labelLine("A") + labelLine("B"));
    ASSERT_EQ(list().rowCount(), 2);
    EXPECT_EQ(list().currentRow(), 0) << "a completed import goes to the first row";
    EXPECT_TRUE(window->btnTag_2->isEnabled());
    EXPECT_EQ(model()->rowCount(), 2);

    import(labelLine("C"));
    // Cancel after a choice: the earlier file is taken again.
    dialogs.files.push_back(std::nullopt);
    dialogs.answers.push_back(Button::Yes);
    window->btnLocalizaClick();
    settle();
    ASSERT_EQ(list().rowCount(), 4);
    EXPECT_EQ(cell(0, labels::ImportField::GRUPO), "A");
    EXPECT_EQ(cell(1, labels::ImportField::GRUPO), "B");
    EXPECT_EQ(cell(2, labels::ImportField::GRUPO), "C");
    EXPECT_EQ(cell(3, labels::ImportField::GRUPO), "C");
    EXPECT_EQ(model()->rowCount(), 4);
    EXPECT_EQ(model()->data(model()->index(0, 0)).toString(), "A");
}

TEST_F(WindowTest, EmptyLineShowsThePlainTwoLineMessage)
{
    dialogs.answers.push_back(Button::Ok);
    import(labelLine("A") + "\r\n" + labelLine("B"));
    ASSERT_EQ(dialogs.shown.size(), 2u);
    const auto& box = dialogs.shown.back();
    EXPECT_EQ(box.caption, "Zelvora");
    EXPECT_EQ(box.icon, Dialogs::Icon::None);
    EXPECT_EQ(box.text, labels::emptyLineMessage());
    ASSERT_EQ(box.buttons.size(), 1u);
    EXPECT_EQ(box.buttons.front().text, "OK");
    settle();
    EXPECT_EQ(model()->rowCount(), 1);
}

TEST_F(WindowTest, UnreadableFileReachesTheErrorBoxAndTheWindowGoesOn)
{
    dialogs.files.push_back(dir.filePath("missing.txt"));
    dialogs.answers = {Button::Yes, Button::Ok};
    window->btnLocalizaClick();
    ASSERT_EQ(dialogs.shown.size(), 2u);
    const auto& box = dialogs.shown.back();
    EXPECT_EQ(box.caption, "Zelvora");
    EXPECT_EQ(box.icon, Dialogs::Icon::Critical);
    EXPECT_EQ(box.text, "File not found.");
    EXPECT_TRUE(window->isVisible());
}

TEST_F(WindowTest, BadQuantityKeepsEarlierRowsAndReportsWithAFullStop)
{
    dialogs.answers.push_back(Button::Ok);
    import(labelLine("A") + labelLine("B", "AZUL", "39,90", "dois"));
    EXPECT_EQ(dialogs.shown.back().text, "'dois' is not a valid integer value.");
    settle();
    EXPECT_EQ(model()->rowCount(), 1);
}

} // namespace
} // namespace quorvel::app::test
