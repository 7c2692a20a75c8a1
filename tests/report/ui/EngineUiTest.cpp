#include "report/engine/ReportSystem.h"
#include "report/outputs/RenderPdf.h"
#include "report/ui/PreviewWindow.h"
#include "report/ui/StatusWindow.h"
#include "report/ui/UiFixtures.h"
#include "report/ui/WidgetEngineUi.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <ostream>

using namespace quorvel;
using namespace quorvel::report;
using namespace quorvel::report::testing;

namespace {

struct BoxSeen
{
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

/// Records the next message box and presses the button whose text is `press`.
void answerBox(BoxSeen& seen, const QString& press)
{
    whenModal([&seen, press](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        for (QAbstractButton* button : box->buttons())
            seen.buttons << button->text();
        seen.buttons.sort();
        if (press == QStringLiteral("<Esc>")) {
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        for (QAbstractButton* button : box->buttons())
            if (button->text() == press)
                button->click();
    });
}

struct LockAnswer
{
    const char* name;
    const char* press;
    bool retry;
    friend void PrintTo(const LockAnswer& row, std::ostream* os) { *os << row.name; }
};

class LockQuestion : public ::testing::TestWithParam<LockAnswer>
{
};

TEST_P(LockQuestion, RetryOrCancel)
{
    WidgetEngineUi ui(nullptr, {});
    BoxSeen seen;
    answerBox(seen, QString::fromUtf8(GetParam().press));
    EXPECT_EQ(ui.askRetryLock(), GetParam().retry);
    EXPECT_EQ(seen.title, QStringLiteral("Error"));
    EXPECT_EQ(seen.text, QStringLiteral("Unable to gain control of the Report Data Communication System."));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, (QStringList{QStringLiteral("&Retry"), QStringLiteral("Cancel")}));
}

INSTANTIATE_TEST_SUITE_P(Buttons, LockQuestion,
                         ::testing::Values(LockAnswer{"retry", "&Retry", true}, LockAnswer{"cancel", "Cancel", false},
                                           LockAnswer{"escape", "<Esc>", false}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(EngineMessages, ErrorBoxAndPlainMessage)
{
    QApplication::setApplicationDisplayName(QStringLiteral("Zelvora"));
    WidgetEngineUi ui(nullptr, {});
    BoxSeen error;
    answerBox(error, QStringLiteral("OK"));
    ui.showError(QStringLiteral("Error!  Could not open data connection \"X\".  Aborting report."));
    EXPECT_EQ(error.title, QStringLiteral("Error"));
    EXPECT_EQ(error.icon, QMessageBox::Critical);
    EXPECT_EQ(error.buttons, QStringList{QStringLiteral("OK")});

    BoxSeen plain;
    answerBox(plain, QStringLiteral("OK"));
    ui.showMessage(QStringLiteral("Unknown class \"TFoo\" found."));
    EXPECT_EQ(plain.title, QStringLiteral("Zelvora"));
    EXPECT_EQ(plain.text, QStringLiteral("Unknown class \"TFoo\" found."));
    EXPECT_EQ(plain.icon, QMessageBox::NoIcon);
    EXPECT_EQ(plain.buttons, QStringList{QStringLiteral("OK")});
}

TEST(StatusWindowOfARun, ShowsProgressWithoutCloseBox)
{
    WidgetEngineUi ui(nullptr, {});
    ReportSystem system;
    ui.beginGeneration(system);
    StatusWindow* window = ui.statusWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Status de Impressão"));
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    auto* line = window->findChild<QLabel*>(QStringLiteral("statusLine"));
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->alignment().testFlag(Qt::AlignHCenter));
    EXPECT_EQ(window->findChild<QPushButton*>(QStringLiteral("cancelButton"))->text(), QStringLiteral("Cancel"));

    EXPECT_TRUE(ui.setStatus(QStringLiteral("Generating page 1")));
    EXPECT_EQ(line->text(), QStringLiteral("Generating page 1"));
    window->close();   // no way to close it but Cancel
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(ui.poll());
    ui.endGeneration();
    EXPECT_EQ(ui.statusWindow(), nullptr);
}

TEST(StatusWindowOfARun, CancelStopsGeneration)
{
    WidgetEngineUi ui(nullptr, {});
    ui.beginGeneration(ReportSystem());
    auto* cancel = ui.statusWindow()->findChild<QPushButton*>(QStringLiteral("cancelButton"));
    QTimer::singleShot(30, cancel, [cancel] { QTest::mouseClick(cancel, Qt::LeftButton); });

    // A generation that asks after every item and at every page, as the engine does.
    int page = 0;
    bool going = true;
    QElapsedTimer clock;
    clock.start();
    while (going && clock.elapsed() < 10000) {
        going = ui.setStatus(QStringLiteral("Generating page %1").arg(++page));
        for (int item = 0; going && item < 50; ++item)
            going = ui.poll();
    }
    EXPECT_FALSE(going);
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_FALSE(ui.setStatus(QStringLiteral("Generating page %1").arg(page + 1)));
    ui.endGeneration();

    // The next run starts afresh.
    ui.beginGeneration(ReportSystem());
    EXPECT_TRUE(ui.setStatus(QStringLiteral("Generating page 1")));
    ui.endGeneration();
}

TEST(EngineWait, KeepsTheGuiLive)
{
    WidgetEngineUi ui(nullptr, {});
    bool fired = false;
    QTimer::singleShot(10, qApp, [&fired] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    ui.wait(100);
    EXPECT_TRUE(fired);
    EXPECT_GE(clock.elapsed(), 90);
}

TEST(EnginePreview, ReturnsWhenTheOperatorClosesIt)
{
    FakeDialogs dialogs;
    WidgetEngineUi ui(nullptr, {}, &dialogs);
    ReportSystem system;
    const PageDescription pages = labelSheets(2);
    QString caption;
    whenModal([&caption](QWidget* modal) {
        caption = modal->windowTitle();
        modal->close();   // a key would need the window active first
    });
    ui.preview(pages, system);
    EXPECT_EQ(caption, QStringLiteral("Visualização de Impressão"));
}

// The outputs Save As offers are the ones handed over, not every output alive.
TEST(EnginePreview, SaveAsOffersTheOutputsHandedOver)
{
    FakeDialogs dialogs;
    WidgetEngineUi ui(nullptr, {}, &dialogs);
    RenderPdf handed;
    RenderPdf notHanded;
    ui.setOutputs({&handed});
    ReportSystem system;
    const PageDescription pages = labelSheets(1);
    whenModal([](QWidget* modal) {
        if (auto* preview = qobject_cast<PreviewWindow*>(modal))
            preview->saveAs();   // no answer: nothing is saved
        else
            ADD_FAILURE() << "no preview";
        modal->close();
    });
    ui.preview(pages, system);
    EXPECT_EQ(dialogs.offeredFilters,
              (QStringList{QStringLiteral("Report Snapshot Files (*.ndr)"), QStringLiteral("Adobe Acrobat (PDF) (*.pdf)")}));
}

} // namespace
