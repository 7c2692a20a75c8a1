#include "report/engine/ReportSystem.h"
#include "report/outputs/Snapshot.h"
#include "report/ui/PageView.h"
#include "report/ui/PreviewWindow.h"
#include "report/ui/UiFixtures.h"
#include "report/ui/WidgetDialogs.h"
#include "support/Watchdog.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <ostream>

#include <memory>

using namespace quorvel;
using namespace quorvel::report;
using namespace quorvel::report::testing;

namespace {

class Preview : public ::testing::Test
{
protected:
    void open(PageDescription doc)
    {
        m_doc = std::move(doc);
        m_window = std::make_unique<PreviewWindow>(m_doc, m_system, m_dialogs,
                                                   [this](const Failure& f) { m_failures << f.message(); });
        m_window->show();
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    }

    QAction* action(const char* name) const
    {
        auto* found = m_window->findChild<QAction*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString text(const char* name) const
    {
        if (auto* label = m_window->findChild<QLabel*>(QString::fromLatin1(name)))
            return label->text().trimmed();
        if (auto* box = m_window->findChild<QLineEdit*>(QString::fromLatin1(name)))
            return box->text();
        ADD_FAILURE() << "no " << name;
        return {};
    }
    QWidget* pageArea() const { return m_window->pageView(); }
    void type(const char* box, const QString& text)
    {
        auto* edit = m_window->findChild<QLineEdit*>(QString::fromLatin1(box));
        ASSERT_NE(edit, nullptr);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    std::vector<bool> navigationEnabled() const
    {
        return {action("actionFirst")->isEnabled(), action("actionPrevious")->isEnabled(),
                action("actionNext")->isEnabled(), action("actionLast")->isEnabled()};
    }

    ReportSystem m_system;
    FakeDialogs m_dialogs;
    PageDescription m_doc;
    std::unique_ptr<PreviewWindow> m_window;
    QStringList m_failures;
};

TEST_F(Preview, OpensOnTheFirstPageAtHundredPercent)
{
    open(labelSheets(3));
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("Visualização de Impressão"));
    EXPECT_EQ(text("pageStatus"), QStringLiteral("Page 1 of 3"));
    EXPECT_EQ(text("pageBox"), QStringLiteral("1"));
    EXPECT_EQ(text("pageCountLabel"), QStringLiteral("of 3"));
    EXPECT_EQ(text("zoomBox"), QStringLiteral("100.0"));
    EXPECT_EQ(navigationEnabled(), (std::vector<bool>{false, false, true, true}));
    // 100 % is the page at its size on the screen.
    const QRect page = m_window->pageView()->pageRect();
    EXPECT_NEAR(page.width(), 595.276 / 72 * m_window->pageView()->logicalDpiX(), 1.0);
}

TEST_F(Preview, BarsLandWhereThePageSaysInsideTheWindow)
{
    open(labelPages(1));
    PageView* view = m_window->pageView();
    const QImage shot = m_window->grab().toImage();
    const QRect page = view->pageRect().translated(view->viewport()->mapTo(m_window.get(), QPoint(0, 0)));
    const double scale = view->logicalDpiY() / 72.0;
    // The fixture's symbol sits 8 pt from the label's left and 40 pt from its top, below a rule at 33 pt.
    const int left = page.left() + static_cast<int>(8 * scale);
    const int right = left + static_cast<int>(20 * scale);
    int firstDark = -1;
    for (int y = page.top() + static_cast<int>(36 * scale); y < page.bottom() && firstDark < 0; ++y)
        for (int x = left; x < right; ++x)
            if (qGray(shot.pixel(x, y)) < 80) {
                firstDark = y;
                break;
            }
    EXPECT_NEAR(firstDark, page.top() + 40 * scale, 2.0);
}

TEST_F(Preview, MenusHoldTheCommandsInOrder)
{
    open(labelSheets(2));
    QStringList menus;
    for (QAction* menu : m_window->menuBar()->actions()) {
        QStringList entries;
        for (QAction* entry : menu->menu()->actions())
            if (!entry->isSeparator())
                entries << entry->text();
        menus << menu->text() + QStringLiteral(": ") + entries.join(QStringLiteral(", "));
    }
    EXPECT_EQ(menus, (QStringList{
                         QStringLiteral("&File: &Open, &Print, &Save As, E&xit"),
                         QStringLiteral("&Page: &First, &Previous, &Next, &Last, &Go to Page #"),
                         QStringLiteral("&Zoom: Zoom &In, Zoom &Out, Fit to Page &Width, Fit to &Page"),
                     }));
    const QList<QAction*> context = m_window->pageView()->actions();
    EXPECT_EQ(m_window->pageView()->contextMenuPolicy(), Qt::ActionsContextMenu);
    EXPECT_EQ(context, (QList<QAction*>{action("actionZoomIn"), action("actionZoomOut")}));
}

struct PageKey
{
    const char* name;
    Qt::Key key;
    char letter;   // sent as typed text when set
    Qt::KeyboardModifiers modifiers;
    int from;
    int to;
    friend void PrintTo(const PageKey& row, std::ostream* os) { *os << row.name; }
};

class PageKeys : public Preview, public ::testing::WithParamInterface<PageKey>
{
};

TEST_P(PageKeys, MoveToThePage)
{
    const PageKey& k = GetParam();
    open(labelSheets(3));
    m_window->goToPage(k.from);
    pageArea()->setFocus();
    if (k.letter)
        QTest::keyClick(pageArea(), k.letter, k.modifiers);
    else
        QTest::keyClick(pageArea(), k.key, k.modifiers);
    EXPECT_EQ(m_window->currentPage(), k.to);
    EXPECT_EQ(text("pageStatus"), QStringLiteral("Page %1 of 3").arg(k.to));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, PageKeys,
    ::testing::Values(PageKey{"nextLower", Qt::Key_N, 'n', Qt::NoModifier, 1, 2},
                      PageKey{"nextUpper", Qt::Key_N, 'N', Qt::ShiftModifier, 1, 2},
                      PageKey{"nextCtrlPageDown", Qt::Key_PageDown, 0, Qt::ControlModifier, 1, 2},
                      PageKey{"nextOnLastStays", Qt::Key_N, 'n', Qt::NoModifier, 3, 3},
                      PageKey{"lastLower", Qt::Key_E, 'e', Qt::NoModifier, 1, 3},
                      PageKey{"lastUpper", Qt::Key_E, 'E', Qt::ShiftModifier, 1, 3},
                      PageKey{"lastCtrlEnd", Qt::Key_End, 0, Qt::ControlModifier, 1, 3},
                      PageKey{"previousLower", Qt::Key_P, 'p', Qt::NoModifier, 3, 2},
                      PageKey{"previousUpper", Qt::Key_P, 'P', Qt::ShiftModifier, 3, 2},
                      PageKey{"previousCtrlPageUp", Qt::Key_PageUp, 0, Qt::ControlModifier, 3, 2},
                      PageKey{"previousOnFirstStays", Qt::Key_P, 'p', Qt::NoModifier, 1, 1},
                      PageKey{"firstLower", Qt::Key_B, 'b', Qt::NoModifier, 3, 1},
                      PageKey{"firstUpper", Qt::Key_B, 'B', Qt::ShiftModifier, 3, 1},
                      PageKey{"firstCtrlHome", Qt::Key_Home, 0, Qt::ControlModifier, 3, 1}),
    [](const auto& row) { return std::string(row.param.name); });

struct CloseKey
{
    const char* name;
    Qt::Key key;
    char letter;
    Qt::KeyboardModifiers modifiers;
    bool closes;
    friend void PrintTo(const CloseKey& row, std::ostream* os) { *os << row.name; }
};

class CloseKeys : public Preview, public ::testing::WithParamInterface<CloseKey>
{
};

TEST_P(CloseKeys, CloseThePreview)
{
    const CloseKey& k = GetParam();
    open(labelSheets(2));
    bool closed = false;
    QObject::connect(m_window.get(), &PreviewWindow::closed, [&closed] { closed = true; });
    if (k.letter)
        QTest::keyClick(pageArea(), k.letter, k.modifiers);
    else
        QTest::keyClick(pageArea(), k.key, k.modifiers);
    EXPECT_EQ(closed, k.closes);
    EXPECT_EQ(m_window->isVisible(), !k.closes);
}

INSTANTIATE_TEST_SUITE_P(Keys, CloseKeys,
                         ::testing::Values(CloseKey{"xLower", Qt::Key_X, 'x', Qt::NoModifier, true},
                                           CloseKey{"xUpperDoesNot", Qt::Key_X, 'X', Qt::ShiftModifier, false},
                                           CloseKey{"escape", Qt::Key_Escape, 0, Qt::NoModifier, true}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(Preview, OnePageReportHasNoPaging)
{
    open(labelPages(1));
    EXPECT_EQ(navigationEnabled(), (std::vector<bool>{false, false, false, false}));
    QTest::keyClick(pageArea(), 'n');
    QTest::keyClick(pageArea(), Qt::Key_Down);
    EXPECT_EQ(m_window->currentPage(), 1);
    EXPECT_EQ(text("pageStatus"), QStringLiteral("Page 1 of 1"));
}

TEST_F(Preview, PagingEnablesByPosition)
{
    open(labelSheets(3));
    m_window->goToPage(2);
    EXPECT_EQ(navigationEnabled(), (std::vector<bool>{true, true, true, true}));
    m_window->goToPage(3);
    EXPECT_EQ(navigationEnabled(), (std::vector<bool>{true, true, false, false}));
}

TEST_F(Preview, ZoomStepsStayBetweenTenAndTwoHundred)
{
    open(labelSheets(1));
    for (int i = 0; i < 12; ++i)
        QTest::keyClick(pageArea(), Qt::Key_Plus);
    EXPECT_DOUBLE_EQ(m_window->zoom(), 200.0);
    EXPECT_EQ(text("zoomBox"), QStringLiteral("200.0"));
    EXPECT_FALSE(action("actionZoomIn")->isEnabled());
    action("actionZoomIn")->trigger();
    EXPECT_DOUBLE_EQ(m_window->zoom(), 200.0);

    QTest::keyClick(pageArea(), Qt::Key_Minus);
    EXPECT_DOUBLE_EQ(m_window->zoom(), 190.0);
    for (int i = 0; i < 25; ++i)
        m_window->zoomOut();
    EXPECT_DOUBLE_EQ(m_window->zoom(), 10.0);
    EXPECT_FALSE(action("actionZoomOut")->isEnabled());
    QTest::keyClick(pageArea(), Qt::Key_Minus);
    EXPECT_DOUBLE_EQ(m_window->zoom(), 10.0);
    QTest::keyClick(pageArea(), Qt::Key_Plus);
    EXPECT_DOUBLE_EQ(m_window->zoom(), 20.0);
}

TEST_F(Preview, ZoomOutBelowTheStepStopsAtTen)
{
    open(labelSheets(1));
    m_window->setZoom(15);
    m_window->zoomOut();
    EXPECT_DOUBLE_EQ(m_window->zoom(), 10.0);
}

struct TypedZoom
{
    const char* name;
    const char* typed;
    double zoom;
    const char* shown;
    friend void PrintTo(const TypedZoom& row, std::ostream* os) { *os << row.name; }
};

class ZoomBox : public Preview, public ::testing::WithParamInterface<TypedZoom>
{
};

TEST_P(ZoomBox, SetsTheZoomWithinBounds)
{
    open(labelSheets(1));
    type("zoomBox", QString::fromUtf8(GetParam().typed));
    EXPECT_DOUBLE_EQ(m_window->zoom(), GetParam().zoom);
    EXPECT_EQ(text("zoomBox"), QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(Typed, ZoomBox,
                         ::testing::Values(TypedZoom{"belowTenBecomesTen", "5", 10, "10.0"},
                                           TypedZoom{"aboveMaximum", "250", 200, "200.0"},
                                           TypedZoom{"decimal", "55.5", 55.5, "55.5"},
                                           TypedZoom{"decimalComma", "75,5", 75.5, "75.5"},
                                           TypedZoom{"notANumberKeepsZoom", "abc", 100, "100.0"},
                                           TypedZoom{"emptyKeepsZoom", "", 100, "100.0"}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(Preview, LeavingTheZoomBoxAppliesIt)
{
    open(labelSheets(1));
    auto* box = m_window->findChild<QLineEdit*>(QStringLiteral("zoomBox"));
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("150"));
    pageArea()->setFocus();
    EXPECT_DOUBLE_EQ(m_window->zoom(), 150.0);
}

struct FitKey
{
    const char* name;
    Qt::Key key;
    char letter;
    Qt::KeyboardModifiers modifiers;
    bool wholePage;
    friend void PrintTo(const FitKey& row, std::ostream* os) { *os << row.name; }
};

class FitKeys : public Preview, public ::testing::WithParamInterface<FitKey>
{
};

TEST_P(FitKeys, FitThePageToTheWindow)
{
    const FitKey& k = GetParam();
    open(labelSheets(1));
    if (k.letter)
        QTest::keyClick(pageArea(), k.letter, k.modifiers);
    else
        QTest::keyClick(pageArea(), k.key, k.modifiers);
    PageView* view = m_window->pageView();
    const QRect page = view->pageRect();
    const QSize area = view->viewport()->size();
    if (k.wholePage) {
        EXPECT_TRUE(view->viewport()->rect().contains(page)) << page.width() << "x" << page.height();
        EXPECT_TRUE(area.width() - page.width() < 30 || area.height() - page.height() < 30);
    } else {
        EXPECT_NEAR(page.width(), area.width() - 24, 2);
        EXPECT_EQ(view->horizontalScrollBar()->maximum(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, FitKeys,
                         ::testing::Values(FitKey{"widthLower", Qt::Key_W, 'w', Qt::NoModifier, false},
                                           FitKey{"widthUpper", Qt::Key_W, 'W', Qt::ShiftModifier, false},
                                           FitKey{"widthCtrlW", Qt::Key_W, 0, Qt::ControlModifier, false},
                                           FitKey{"pageLower", Qt::Key_F, 'f', Qt::NoModifier, true},
                                           FitKey{"pageUpper", Qt::Key_F, 'F', Qt::ShiftModifier, true},
                                           FitKey{"pageCtrlF", Qt::Key_F, 0, Qt::ControlModifier, true}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(Preview, FitZoomStaysWithinBounds)
{
    open(labelPages(1));   // a small label fits the window far beyond 200 %
    m_window->fitToPage();
    EXPECT_DOUBLE_EQ(m_window->zoom(), 200.0);
}

struct Jump
{
    const char* name;
    std::optional<QString> answer;
    int page;
    friend void PrintTo(const Jump& row, std::ostream* os) { *os << row.name; }
};

class GoToPage : public Preview, public ::testing::WithParamInterface<Jump>
{
};

TEST_P(GoToPage, MovesOrIgnores)
{
    open(labelSheets(5));
    m_window->goToPage(2);
    m_dialogs.pageAnswer = GetParam().answer;
    QTest::keyClick(pageArea(), Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(m_dialogs.pageAskedWith, 2);
    EXPECT_EQ(m_window->currentPage(), GetParam().page);
}

INSTANTIATE_TEST_SUITE_P(Answers, GoToPage,
                         ::testing::Values(Jump{"number", QStringLiteral("4"), 4},
                                           Jump{"spaces", QStringLiteral(" 5 "), 5},
                                           Jump{"notANumber", QStringLiteral("four"), 2},
                                           Jump{"empty", QString(), 2},
                                           Jump{"cancelled", std::nullopt, 2},
                                           Jump{"beyondLast", QStringLiteral("99"), 5},
                                           Jump{"zero", QStringLiteral("0"), 1}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(GoToPageBox, AsksWithTheCurrentPage)
{
    WidgetDialogs dialogs;
    QString title, label, preset;
    whenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QInputDialog*>(modal);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        label = box->labelText();
        preset = box->textValue();
        box->setTextValue(QStringLiteral("7"));
        box->accept();
    });
    EXPECT_EQ(dialogs.askPage(nullptr, 2), QStringLiteral("7"));
    EXPECT_EQ(title, QStringLiteral("Go to Page"));
    EXPECT_EQ(label, QStringLiteral("Enter page to move to:"));
    EXPECT_EQ(preset, QStringLiteral("2"));
}

TEST_F(Preview, PageBoxMovesToTheTypedPage)
{
    open(labelSheets(4));
    type("pageBox", QStringLiteral("3"));
    EXPECT_EQ(m_window->currentPage(), 3);
    EXPECT_EQ(text("pageStatus"), QStringLiteral("Page 3 of 4"));
    type("pageBox", QStringLiteral("9"));
    EXPECT_EQ(m_window->currentPage(), 4);
    type("pageBox", QString());
    EXPECT_EQ(text("pageBox"), QStringLiteral("4"));
}

TEST_F(Preview, DownAndUpCrossPageEnds)
{
    open(labelSheets(3));
    m_window->setZoom(200);   // taller than the window: the page scrolls
    PageView* view = m_window->pageView();
    QScrollBar* bar = view->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);

    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(m_window->currentPage(), 1);
    EXPECT_GT(bar->value(), 0);

    QTest::keyClick(view, Qt::Key_PageDown);
    bar->setValue(bar->maximum());
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(m_window->currentPage(), 2);
    EXPECT_EQ(bar->value(), 0);

    QTest::keyClick(view, Qt::Key_Up);
    EXPECT_EQ(m_window->currentPage(), 1);
    EXPECT_EQ(bar->value(), bar->maximum());

    QTest::keyClick(view, Qt::Key_Up);
    EXPECT_EQ(m_window->currentPage(), 1);
    EXPECT_LT(bar->value(), bar->maximum());
}

TEST_F(Preview, ExecIsModalAndMaximizedUntilClosed)
{
    m_doc = labelSheets(2);
    PreviewWindow window(m_doc, m_system, m_dialogs, {});
    bool modal = false, maximized = false;
    QTimer::singleShot(50, &window, [&] {
        modal = window.isModal();
        maximized = window.isMaximized();
        window.close();
    });
    {
        const quorvel::test::Watchdog watchdog("the preview's own loop");
        window.exec();
    }
    EXPECT_TRUE(modal);
    EXPECT_TRUE(maximized);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(Preview, OpenShowsASavedSnapshot)
{
    open(labelSheets(3));
    const QString path = QDir::temp().filePath(QStringLiteral("quorvel-preview-open.ndr"));
    const PageDescription saved = labelPages(5);
    snapshot::write(saved, path);
    m_dialogs.openAnswer = path;
    m_window->goToPage(2);
    QTest::keyClick(pageArea(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(text("pageStatus"), QStringLiteral("Page 1 of 5"));
    EXPECT_EQ(m_window->document().pages.size(), 5u);
    QFile::remove(path);
}

TEST_F(Preview, UnreadableSnapshotKeepsThePagesShown)
{
    open(labelSheets(3));
    m_window->goToPage(2);
    m_dialogs.openAnswer = QDir::temp().filePath(QStringLiteral("quorvel-no-such-snapshot.ndr"));
    action("actionOpen")->trigger();
    ASSERT_EQ(m_failures.size(), 1);
    EXPECT_TRUE(m_window->isVisible());
    EXPECT_EQ(text("pageStatus"), QStringLiteral("Page 2 of 3"));
}

} // namespace
