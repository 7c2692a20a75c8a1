// The label list's grid driven by keys and the mouse: columns, editing, new rows, deletions,
// refused stores and the print-button rule.
#include "WindowFixture.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleOptionSlider>

namespace quorvel::app::test {
namespace {

using labels::ImportField;

class GridTest : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        if (HasFatalFailure())
            return;
        cor = model()->columnOfField(labels::ImportField::DESC_COR_PRODUTO);
        griffe = model()->columnOfField(labels::ImportField::GRIFFE);
        preco = model()->columnOfField(labels::ImportField::PRECO1);
        quantity = model()->columnOfField(labels::ImportField::qtd);
    }

    /// A list of rows A, B, C with the grid focused on the first.
    void threeRows()
    {
        import(labelLine("A") + labelLine("B") + labelLine("C"));
        grid()->setFocus(Qt::OtherFocusReason);
        settle();
        dialogs.shown.clear();
    }

    /// Writes an open editor, then walks to the column with the arrow keys.
    void goToColumn(int column)
    {
        if (grid()->cellEditor())
            press(Qt::Key_Return);
        press(Qt::Key_Home);
        for (int steps = 0; grid()->currentColumn() != column && steps < model()->columnCount(); ++steps)
            press(Qt::Key_Right);
        ASSERT_EQ(grid()->currentColumn(), column);
    }

    QString indicator(int row) { return model()->headerData(row, Qt::Vertical).toString(); }

    int cor = -1, griffe = -1, preco = -1, quantity = -1;
};

// Which columns there are comes from the label file's columns; what is checked here is what the
// grid makes of them.
TEST_F(GridTest, BarCodeHasNoColumnDefaultWidthsFollowTheFieldAndNumbersStandRight)
{
    EXPECT_EQ(model()->columnOfField(labels::ImportField::CODIGO_BARRA), -1);
    const int grupo = model()->columnOfField(labels::ImportField::GRUPO);
    ASSERT_GE(grupo, 0);
    QFontMetrics fm(grid()->font());
    EXPECT_EQ(grid()->columnWidth(grupo), fm.horizontalAdvance(QLatin1Char('0')) * 20 + 4);
    auto alignment = [&](int c) { return model()->index(0, c).data(Qt::TextAlignmentRole).value<Qt::Alignment>(); };
    import(labelLine("A"));
    EXPECT_TRUE(alignment(preco) & Qt::AlignRight);
    EXPECT_TRUE(alignment(quantity) & Qt::AlignRight);
    EXPECT_TRUE(alignment(cor) & Qt::AlignLeft);
    EXPECT_TRUE(grid()->horizontalHeader()->sectionsMovable());
    EXPECT_EQ(grid()->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
}

struct PriceCase
{
    const char* name;
    const char* file;
    const char* shown;
};

class GridPrice : public GridTest, public ::testing::WithParamInterface<PriceCase>
{
};

TEST_P(GridPrice, PriceIsShownInItsShortestFormWithTheRegionalSeparator)
{
    import(labelLine("A", "AZUL", GetParam().file));
    settle();
    EXPECT_EQ(model()->index(0, preco).data().toString(), QString::fromLatin1(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(Prices, GridPrice,
                         ::testing::Values(PriceCase{"RoundsDown", "12,345", "12,34"}, PriceCase{"RoundsUp", "12,355", "12,36"},
                                           PriceCase{"OneDecimal", "12,3", "12,3"}, PriceCase{"Whole", "12", "12"},
                                           PriceCase{"TwoStepRounding", "1,234951", "1,24"},
                                           PriceCase{"Negative", "-0,05", "-0,05"}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(GridTest, LatinTextReachesTheCellsUnchanged)
{
    import("XCAL\xC7" "ADOS|T\xCANIS|NORTE|AZUL|CM-204|BASICA|M|2000|10|-3|\r\n");
    settle();
    EXPECT_EQ(model()->index(0, 0).data().toString(), QString::fromUtf8("CALÇADOS"));
    EXPECT_EQ(model()->index(0, 1).data().toString(), QString::fromUtf8("TÊNIS"));
    EXPECT_EQ(model()->index(0, quantity).data().toString(), "-3");
}

TEST_F(GridTest, IndicatorMarksTheCurrentRowAndHowItIsPending)
{
    threeRows();
    EXPECT_EQ(indicator(0), QString::fromUtf8("\u25B6"));
    EXPECT_EQ(indicator(1), "");
    press(Qt::Key_Down);
    EXPECT_EQ(indicator(0), "");
    EXPECT_EQ(indicator(1), QString::fromUtf8("\u25B6"));
    type("Z");
    EXPECT_EQ(indicator(1), "I");
    press(Qt::Key_Escape);
    press(Qt::Key_Escape);
    press(Qt::Key_Insert);
    EXPECT_EQ(indicator(1), "*");
}

TEST_F(GridTest, F2OpensTheEditorOnTheCellWithItsText)
{
    threeRows();
    goToColumn(cor);
    press(Qt::Key_F2);
    QLineEdit* editor = grid()->cellEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "AZUL");
    EXPECT_EQ(editor->maxLength(), 40) << "the editor takes at most the field's width";
    EXPECT_TRUE(editor->hasFocus());
}

TEST_F(GridTest, TypedTextIsWrittenByEnterAndCutToTheFieldWidth)
{
    threeRows();
    goToColumn(model()->columnOfField(labels::ImportField::TAMANHO));
    type("XGGGGGGGGG");
    ASSERT_NE(grid()->cellEditor(), nullptr);
    EXPECT_EQ(grid()->cellEditor()->text(), "XGGGGGGG");
    EXPECT_EQ(list().state(), table::Table::State::Editing);
    press(Qt::Key_Return);
    EXPECT_EQ(grid()->cellEditor(), nullptr);
    EXPECT_EQ(cell(0, labels::ImportField::TAMANHO), "XGGGGGGG");
    press(Qt::Key_Down);
    EXPECT_EQ(list().state(), table::Table::State::Browsing) << "moving stores the changed row";
    EXPECT_EQ(list().currentRow(), 1);
    EXPECT_EQ(cell(0, labels::ImportField::TAMANHO), "XGGGGGGG");
}

TEST_F(GridTest, MovingToAnotherRowWritesTheEditorAndStores)
{
    threeRows();
    goToColumn(cor);
    type("VERDE");
    press(Qt::Key_Down);
    EXPECT_EQ(cell(0, labels::ImportField::DESC_COR_PRODUTO), "VERDE");
    EXPECT_FALSE(list().isPending());
    EXPECT_EQ(list().currentRow(), 1);
}

TEST_F(GridTest, QuantityCellRefusesLettersAndReportsALoneMinus)
{
    threeRows();
    goToColumn(quantity);
    type("a");
    EXPECT_EQ(grid()->cellEditor(), nullptr) << "a refused key opens nothing";
    type("1");
    ASSERT_NE(grid()->cellEditor(), nullptr);
    type("x.,");
    EXPECT_EQ(grid()->cellEditor()->text(), "1");
    grid()->cellEditor()->selectAll();
    type("-");
    dialogs.answers.push_back(Button::Ok);
    press(Qt::Key_Return);
    ASSERT_EQ(dialogs.shown.size(), 1u) << dialogs.shown.front().text.toStdString();
    EXPECT_EQ(dialogs.shown.back().text, "'-' is not a valid integer value for field 'qtd'") << "a closing quote comes before the full stop";
    EXPECT_NE(grid()->cellEditor(), nullptr) << "the editor stays open";
}

TEST_F(GridTest, PriceCellTakesDigitsSignsAndTheRegionalSeparatorOnly)
{
    threeRows();
    goToColumn(preco);
    type("1a2.3,45e");
    ASSERT_NE(grid()->cellEditor(), nullptr);
    EXPECT_EQ(grid()->cellEditor()->text(), "123,45");
    press(Qt::Key_Return);
    EXPECT_EQ(cell(0, labels::ImportField::PRECO1), "123,45");
}

TEST_F(GridTest, EscUndoesTheEditorFirstThenTheRow)
{
    threeRows();
    goToColumn(cor);
    type("VERDE");
    press(Qt::Key_Return);
    type("ROXO");
    press(Qt::Key_Escape);
    EXPECT_EQ(grid()->cellEditor(), nullptr);
    EXPECT_EQ(cell(0, labels::ImportField::DESC_COR_PRODUTO), "VERDE") << "the first Esc only drops what the editor held";
    press(Qt::Key_Escape);
    EXPECT_FALSE(list().isPending());
    EXPECT_EQ(cell(0, labels::ImportField::DESC_COR_PRODUTO), "AZUL");
}

TEST_F(GridTest, DownOnTheLastRowAppendsAndUpDiscardsIt)
{
    threeRows();
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    EXPECT_EQ(model()->rowCount(), 4);
    EXPECT_EQ(list().state(), table::Table::State::Inserting);
    EXPECT_EQ(list().currentRow(), 3);
    press(Qt::Key_Down);
    EXPECT_EQ(model()->rowCount(), 4) << "an unchanged new row is not followed by another";
    press(Qt::Key_Up);
    EXPECT_EQ(model()->rowCount(), 3);
    EXPECT_EQ(list().currentRow(), 2);
    EXPECT_FALSE(list().isPending());
}

TEST_F(GridTest, TabPastTheLastColumnOfTheLastRowAppends)
{
    threeRows();
    press(Qt::Key_End, Qt::ControlModifier);
    press(Qt::Key_End);
    press(Qt::Key_Tab);
    EXPECT_EQ(model()->rowCount(), 4);
    EXPECT_EQ(list().currentRow(), 3);
    EXPECT_EQ(grid()->currentColumn(), grid()->horizontalHeader()->logicalIndex(0));
    press(Qt::Key_Backtab);
    EXPECT_EQ(list().currentRow(), 2) << "Shift+Tab from the first column goes to the row above";
    EXPECT_EQ(model()->rowCount(), 3);
}

TEST_F(GridTest, InsertAddsARowBeforeTheCurrentOne)
{
    threeRows();
    press(Qt::Key_Down);
    press(Qt::Key_Insert);
    EXPECT_EQ(list().currentRow(), 1);
    EXPECT_EQ(model()->rowCount(), 4);
    EXPECT_EQ(model()->index(2, 0).data().toString(), "B");
    press(Qt::Key_Escape);
    EXPECT_EQ(model()->rowCount(), 3);
    EXPECT_EQ(model()->index(1, 0).data().toString(), "B");
}

TEST_F(GridTest, EmptyListDownStartsARowThatEnablesPrintingUntilEsc)
{
    grid()->setFocus(Qt::OtherFocusReason);
    press(Qt::Key_Down);
    EXPECT_EQ(model()->rowCount(), 1);
    EXPECT_TRUE(window->btnTag_2->isEnabled());
    press(Qt::Key_Escape);
    EXPECT_EQ(model()->rowCount(), 0);
    EXPECT_FALSE(window->btnTag_2->isEnabled());
}

TEST_F(GridTest, TypingIntoAnEmptyListStartsARow)
{
    grid()->setFocus(Qt::OtherFocusReason);
    type("Roupas");
    EXPECT_EQ(model()->rowCount(), 1);
    ASSERT_NE(grid()->cellEditor(), nullptr);
    EXPECT_EQ(grid()->cellEditor()->text(), "Roupas");
    EXPECT_TRUE(window->btnTag_2->isEnabled());
}

TEST_F(GridTest, NewRowCanNeverBeStoredAndEscRemovesIt)
{
    threeRows();
    press(Qt::Key_End, Qt::ControlModifier);
    press(Qt::Key_Down);
    goToColumn(cor);
    type("VERDE");
    goToColumn(griffe);
    type("SUL");
    dialogs.answers.push_back(Button::Ok);
    press(Qt::Key_Up);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown.back().text, "Field 'CODIGO_BARRA' must have a value.");
    EXPECT_EQ(dialogs.shown.back().caption, "Zelvora");
    EXPECT_EQ(list().currentRow(), 3) << "the refused row stays current";
    EXPECT_EQ(grid()->currentColumn(), griffe) << "no column for the bar code: the grid stays put";
    press(Qt::Key_Escape);
    EXPECT_EQ(model()->rowCount(), 3);
    EXPECT_FALSE(list().isPending());
}

TEST_F(GridTest, RefusedStoreOpensTheEditorOfTheMissingField)
{
    threeRows();
    press(Qt::Key_End, Qt::ControlModifier);
    press(Qt::Key_Down);
    goToColumn(0);
    type("GRUPO NOVO");
    // The focus moves to "..." with the changed new row still pending.
    window->btnLocaliza->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(list().isPending());
    EXPECT_EQ(cell(3, labels::ImportField::GRUPO), "GRUPO NOVO");

    dialogs.answers.push_back(Button::Ok);
    import(labelLine("D"));
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown.back().text, "Field 'DESC_COR_PRODUTO' must have a value.");
    EXPECT_EQ(grid()->currentColumn(), cor);
    ASSERT_NE(grid()->cellEditor(), nullptr);
    EXPECT_TRUE(grid()->cellEditor()->hasFocus());
    EXPECT_EQ(list().rowCount(), 4) << "nothing of the file was added";

    // Every further import fails the same way until the row is abandoned.
    dialogs.answers.push_back(Button::Ok);
    import(labelLine("D"));
    EXPECT_EQ(dialogs.shown.back().text, "Field 'DESC_COR_PRODUTO' must have a value.");
    grid()->cellEditor()->setFocus();
    press(Qt::Key_Escape);
    press(Qt::Key_Escape);
    EXPECT_FALSE(list().isPending());
    import(labelLine("D"));
    settle();
    EXPECT_EQ(model()->rowCount(), 4);
    EXPECT_EQ(cell(3, labels::ImportField::GRUPO), "D");
}

TEST_F(GridTest, LeavingTheGridDiscardsAnUnchangedNewRowAndWritesTheEditor)
{
    threeRows();
    press(Qt::Key_Insert);
    window->btnLocaliza->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(model()->rowCount(), 3);
    EXPECT_FALSE(list().isPending());

    grid()->setFocus(Qt::TabFocusReason);
    goToColumn(cor);
    type("PRETO");
    window->edtArquivo->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(cell(0, labels::ImportField::DESC_COR_PRODUTO), "PRETO");
    EXPECT_TRUE(list().isPending()) << "a changed row stays pending";
    EXPECT_EQ(grid()->cellEditor(), nullptr);
}

TEST_F(GridTest, RightClickMakesTheRowCurrentAndExcluirDeletesIt)
{
    threeRows();
    window->edtArquivo->setFocus(Qt::OtherFocusReason);
    QPoint at = cellCentre(1, 0);
    QTest::mousePress(grid()->viewport(), Qt::RightButton, Qt::NoModifier, at);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, grid()->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(grid()->viewport(), &menuEvent);
    EXPECT_EQ(list().currentRow(), 1);
    EXPECT_TRUE(grid()->hasFocus());
    EXPECT_EQ(editColour(), windowColour());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->PopupMenu1->isVisible(); }));
    ASSERT_EQ(window->PopupMenu1->actions().size(), 1);
    EXPECT_EQ(window->PopupMenu1->actions().front()->text(), "Excluir");

    dialogs.answers.push_back(Button::Yes);
    window->Exclui1->trigger();
    window->PopupMenu1->hide();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown.back().caption, "Warning");
    EXPECT_EQ(dialogs.shown.back().text, QString::fromUtf8("Confirma a exclusão deste item ?"));
    EXPECT_EQ(dialogs.shown.back().escapeButton, Button::No);
    ASSERT_EQ(model()->rowCount(), 2);
    EXPECT_EQ(model()->index(0, 0).data().toString(), "A");
    EXPECT_EQ(model()->index(1, 0).data().toString(), "C");
}

struct ExcluiCase
{
    const char* name;
    Button answer;
    int rowsLeft;
};

class GridExclui : public GridTest, public ::testing::WithParamInterface<ExcluiCase>
{
};

TEST_P(GridExclui, OnlyNoKeepsTheRow)
{
    threeRows();
    dialogs.answers.push_back(GetParam().answer);
    window->Exclui1->trigger();
    EXPECT_EQ(dialogs.shown.size(), 1u) << "no message follows";
    EXPECT_EQ(model()->rowCount(), GetParam().rowsLeft);
}

INSTANTIATE_TEST_SUITE_P(Answers, GridExclui,
                         ::testing::Values(ExcluiCase{"Yes", Button::Yes, 2}, ExcluiCase{"No", Button::No, 3},
                                           ExcluiCase{"ClosedBox", Button::None, 2}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(GridTest, ExcluirOnAnEmptyListAsksThenFails)
{
    dialogs.answers = {Button::Yes, Button::Ok};
    window->Exclui1->trigger();
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown.back().text, "cdsEtqTemp: Cannot perform this operation on an empty dataset.");
    EXPECT_EQ(dialogs.shown.back().icon, Dialogs::Icon::Critical);
}

TEST_F(GridTest, DeletingTheOnlyRowGreysThePrintButton)
{
    import(labelLine("A"));
    EXPECT_TRUE(window->btnTag_2->isEnabled());
    dialogs.answers.push_back(Button::Yes);
    window->Exclui1->trigger();
    EXPECT_FALSE(window->btnTag_2->isEnabled());
}

TEST_F(GridTest, CtrlDeleteAsksDeleteRecordAndOnlyOkDeletes)
{
    threeRows();
    dialogs.answers.push_back(Button::Cancel);
    press(Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    const auto& box = dialogs.shown.back();
    EXPECT_EQ(box.caption, "Confirm");
    EXPECT_EQ(box.text, "Delete record?");
    EXPECT_EQ(box.icon, Dialogs::Icon::Question);
    EXPECT_EQ(box.defaultButton, Button::Ok);
    EXPECT_EQ(box.escapeButton, Button::Cancel);
    EXPECT_EQ(model()->rowCount(), 3);
    dialogs.answers.push_back(Button::Ok);
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(model()->rowCount(), 2);
    EXPECT_EQ(dialogs.shown.size(), 2u);
}

TEST_F(GridTest, CtrlDeleteDoesNothingOnAnEmptyList)
{
    grid()->setFocus(Qt::OtherFocusReason);
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(GridTest, ContextMenuKeyOpensTheMenuAtTheGridsCorner)
{
    threeRows();
    QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, QPoint(5, 5), grid()->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(grid(), &menuEvent);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->PopupMenu1->isVisible(); }));
    EXPECT_EQ(window->PopupMenu1->pos(), grid()->mapToGlobal(QPoint(0, 0)));
    window->PopupMenu1->hide();
}

TEST_F(GridTest, LeftClickOnACellMovesThereAndDoubleClickEdits)
{
    threeRows();
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, Qt::NoModifier, cellCentre(2, cor));
    EXPECT_EQ(list().currentRow(), 2);
    EXPECT_EQ(grid()->currentColumn(), cor);
    QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, Qt::NoModifier, cellCentre(2, cor));
    ASSERT_NE(grid()->cellEditor(), nullptr);
    EXPECT_EQ(grid()->cellEditor()->text(), "AZUL");
}

} // namespace
} // namespace quorvel::app::test

namespace quorvel::app::test {
namespace {

struct BarGeometry
{
    QRect groove, handle;
};

BarGeometry barGeometry(QScrollBar* bar)
{
    QStyleOptionSlider opt;
    opt.initFrom(bar);
    opt.subControls = QStyle::SC_All;
    opt.orientation = bar->orientation();
    opt.minimum = bar->minimum();
    opt.maximum = bar->maximum();
    opt.sliderPosition = bar->sliderPosition();
    opt.sliderValue = bar->value();
    opt.singleStep = bar->singleStep();
    opt.pageStep = bar->pageStep();
    opt.upsideDown = bar->invertedAppearance();
    if (bar->orientation() == Qt::Horizontal)
        opt.state |= QStyle::State_Horizontal;
    QStyle* style = bar->style();
    return {style->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarGroove, bar),
            style->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, bar)};
}

// The columns are wider than the grid: the bar's handle starts at the left with the first
// column in view, moves right as later columns come into view, and measures the share in view.
TEST_F(GridTest, HorizontalScrollBarRunsWithTheColumns)
{
    threeRows();
    QScrollBar* bar = grid()->horizontalScrollBar();
    const int last = grid()->horizontalHeader()->logicalIndex(model()->columnCount() - 1);
    ASSERT_GT(bar->maximum(), 0) << "the columns fit: nothing to scroll";
    EXPECT_FALSE(bar->invertedAppearance());
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(grid()->columnViewportPosition(0), 0);
    BarGeometry at0 = barGeometry(bar);
    EXPECT_EQ(at0.handle.left(), at0.groove.left()) << "handle at the left with the first column in view";
    const int viewport = grid()->viewport()->width();
    const double share = double(viewport) / (viewport + bar->maximum());
    EXPECT_NEAR(double(at0.handle.width()) / at0.groove.width(), share, 0.02);

    // The handle, not the trough, is the darker part of the bar.
    const QImage drawn = bar->grab().toImage();
    const QPoint inTrough((at0.handle.right() + at0.groove.right()) / 2, at0.groove.center().y());
    EXPECT_LT(drawn.pixelColor(at0.handle.center()).lightness(), drawn.pixelColor(inTrough).lightness());

    bar->setValue(bar->maximum() / 2);
    EXPECT_EQ(grid()->columnViewportPosition(0), -bar->value()) << "the columns move with the handle";
    BarGeometry half = barGeometry(bar);
    EXPECT_GT(half.handle.left(), at0.handle.left());

    bar->setValue(bar->maximum());
    BarGeometry atEnd = barGeometry(bar);
    EXPECT_EQ(atEnd.handle.right(), atEnd.groove.right()) << "handle at the right with the last column in view";
    EXPECT_EQ(grid()->columnViewportPosition(last) + grid()->columnWidth(last), viewport);

    // Dragging the handle to the right shows later columns.
    bar->setValue(0);
    const QPoint grip = barGeometry(bar).handle.center();
    const QPoint to = grip + QPoint(20, 0);
    auto send = [bar](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, at, bar->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(bar, &event);
    };
    send(QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    EXPECT_GT(bar->value(), 0);
    EXPECT_LT(grid()->columnViewportPosition(0), 0);
}

} // namespace
} // namespace quorvel::app::test
