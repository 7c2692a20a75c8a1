#include "report/engine/ReportSystem.h"
#include "report/ui/CupsFixtures.h"
#include "report/ui/OutputOptionsDialog.h"
#include "report/ui/PrinterLine.h"
#include "report/ui/UiFixtures.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <ostream>

#include <memory>

using namespace quorvel::report;
using namespace quorvel::report::testing;

namespace {

class OutputOptions : public ::testing::Test
{
protected:
    void open(const QString& printer = QStringLiteral("Etiquetadora"))
    {
        m_dialog = std::make_unique<OutputOptionsDialog>(m_system, m_doc, printer, m_dialogs);
        m_dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
    }
    template <class W>
    W* find(const char* name) const
    {
        auto* found = m_dialog->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QLineEdit* box(const char* name) const { return find<QLineEdit>(name); }

    ReportSystem m_system;
    PageDescription m_doc = labelPages(5);
    FakeDialogs m_dialogs;
    std::unique_ptr<OutputOptionsDialog> m_dialog;
};

TEST_F(OutputOptions, OpensWithTheSettingsOfThePrintSystem)
{
    m_system.copies = 4;
    open();
    EXPECT_EQ(m_dialog->windowTitle(), QStringLiteral("Output Options"));
    QStringList groups;
    for (const QGroupBox* group : m_dialog->findChildren<QGroupBox*>())
        groups << group->title();
    EXPECT_EQ(groups, (QStringList{QStringLiteral("Selected Printer"), QStringLiteral("Options"), QStringLiteral("Print Range")}));
    EXPECT_EQ(find<QLabel>("printerLine")->text(), QStringLiteral("Etiquetadora"));
    EXPECT_TRUE(find<QPushButton>("setupButton")->isEnabled());
    EXPECT_EQ(find<QPushButton>("setupButton")->text(), QStringLiteral("&Setup"));
    EXPECT_EQ(box("copiesBox")->text(), QStringLiteral("4"));
    EXPECT_TRUE(box("copiesBox")->isEnabled());
    EXPECT_EQ(find<QCheckBox>("collateBox")->text(), QStringLiteral("C&ollate"));
    EXPECT_FALSE(find<QCheckBox>("collateBox")->isEnabled());
    EXPECT_EQ(find<QCheckBox>("duplexBox")->text(), QStringLiteral("&Duplex"));
    EXPECT_FALSE(find<QCheckBox>("duplexBox")->isEnabled());
    EXPECT_TRUE(find<QRadioButton>("allButton")->isChecked());
    EXPECT_EQ(box("selectionBox")->text(), QStringLiteral("1-5"));
    EXPECT_EQ(box("fromBox")->text(), QStringLiteral("1"));
    EXPECT_EQ(box("toBox")->text(), QStringLiteral("5"));
    auto* ok = find<QPushButton>("okButton");
    EXPECT_EQ(ok->text(), QStringLiteral("   OK   "));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(find<QPushButton>("cancelButton")->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(m_dialog->pages(), (std::vector<std::size_t>{0, 1, 2, 3, 4}));
}

TEST_F(OutputOptions, WithoutPrinterCopiesAndSetupAreDisabled)
{
    open(QString());
    EXPECT_EQ(find<QLabel>("printerLine")->text(), QStringLiteral("No printers installed!"));
    EXPECT_FALSE(box("copiesBox")->isEnabled());
    EXPECT_FALSE(find<QPushButton>("setupButton")->isEnabled());
}

TEST(PrinterLine, NamesPrinterAndPort)
{
    EXPECT_EQ(printerLine(QStringLiteral("Zebra"), QStringLiteral("usb://Zebra/ZD220")),
              QStringLiteral("Zebra on usb://Zebra/ZD220"));
    EXPECT_EQ(printerLine(QStringLiteral("Zebra"), QString()), QStringLiteral("Zebra"));
    EXPECT_EQ(printerLine(QString(), QString()), QStringLiteral("No printers installed!"));
}

struct RangeState
{
    bool selectionShown, selectionEnabled, fromToShown, fromToEnabled;
    friend bool operator==(const RangeState&, const RangeState&) = default;
    friend void PrintTo(const RangeState& s, std::ostream* os)
    {
        *os << "selection " << (s.selectionShown ? "shown" : "hidden") << '/' << (s.selectionEnabled ? "on" : "off")
            << ", from-to " << (s.fromToShown ? "shown" : "hidden") << '/' << (s.fromToEnabled ? "on" : "off");
    }
};

struct RangeCase
{
    const char* name;
    std::vector<const char*> clicks;
    RangeState state;
    friend void PrintTo(const RangeCase& row, std::ostream* os) { *os << row.name; }
};

class RangeChoices : public OutputOptions, public ::testing::WithParamInterface<RangeCase>
{
};

TEST_P(RangeChoices, ShowHideAndEnableTheirBoxes)
{
    open();
    for (const char* button : GetParam().clicks)
        find<QRadioButton>(button)->click();
    const RangeState state{!box("selectionBox")->isHidden(), box("selectionBox")->isEnabled(),
                           !box("fromBox")->isHidden(), box("fromBox")->isEnabled()};
    EXPECT_EQ(state, GetParam().state);
    EXPECT_EQ(box("toBox")->isHidden(), box("fromBox")->isHidden());
    EXPECT_EQ(box("toBox")->isEnabled(), box("fromBox")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, RangeChoices,
    ::testing::Values(RangeCase{"atFirst", {}, {true, false, false, false}},
                      RangeCase{"selection", {"selectionButton"}, {true, true, false, false}},
                      RangeCase{"pages", {"pagesButton"}, {false, false, true, true}},
                      RangeCase{"pagesThenSelection", {"pagesButton", "selectionButton"}, {true, true, false, false}},
                      RangeCase{"selectionThenAll", {"selectionButton", "allButton"}, {true, false, false, false}},
                      RangeCase{"pagesThenAll", {"pagesButton", "allButton"}, {false, false, true, false}}),
    [](const auto& row) { return std::string(row.param.name); });

struct Typing
{
    const char* name;
    const char* box;
    const char* typed;
    const char* kept;
    friend void PrintTo(const Typing& row, std::ostream* os) { *os << row.name; }
};

class BoxInput : public OutputOptions, public ::testing::WithParamInterface<Typing>
{
};

TEST_P(BoxInput, KeepsOnlyWhatTheBoxAccepts)
{
    open();
    find<QRadioButton>("selectionButton")->click();
    QLineEdit* edit = box(GetParam().box);
    if (edit->isHidden())
        find<QRadioButton>("pagesButton")->click();
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, QString::fromUtf8(GetParam().typed));
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), QString::fromUtf8(GetParam().kept));
}

INSTANTIATE_TEST_SUITE_P(Keys, BoxInput,
                         ::testing::Values(Typing{"copiesDigitsOnly", "copiesBox", "1a-2,b3", "12"},
                                           Typing{"selectionDigitsDashComma", "selectionBox", "1-3;,x5 7", "1-3,5"},
                                           Typing{"fromDigitsOnly", "fromBox", "2-a4", "2"},
                                           Typing{"toDigitsOnly", "toBox", "x9.1", "9"}),
                         [](const auto& row) { return std::string(row.param.name); });

struct CopiesCase
{
    const char* name;
    const char* typed;
    bool ok;
    int copies;     // of this print
    int keptInSystem;
    friend void PrintTo(const CopiesCase& row, std::ostream* os) { *os << row.name; }
};

class Copies : public OutputOptions, public ::testing::WithParamInterface<CopiesCase>
{
};

TEST_P(Copies, ValidCountIsWrittenBackOnOk)
{
    m_system.copies = 2;
    open();
    box("copiesBox")->setText(QString::fromUtf8(GetParam().typed));
    find<QPushButton>(GetParam().ok ? "okButton" : "cancelButton")->click();
    EXPECT_EQ(m_dialog->result(), GetParam().ok ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_EQ(m_dialog->copies(), GetParam().copies);
    EXPECT_EQ(m_system.copies, GetParam().keptInSystem);
}

INSTANTIATE_TEST_SUITE_P(Texts, Copies,
                         ::testing::Values(CopiesCase{"three", "3", true, 3, 3},
                                           CopiesCase{"cancelKeepsSystem", "3", false, 3, 2},
                                           CopiesCase{"emptyKeepsSystem", "", true, 2, 2},
                                           CopiesCase{"zeroPrintsNoneAndIsWrittenBack", "0", true, 0, 0},
                                           CopiesCase{"tooLargeIsNoNumber", "99999999999", true, 2, 2}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(OutputOptions, RangeBecomesThePagesPrinted)
{
    open();
    find<QRadioButton>("selectionButton")->click();
    box("selectionBox")->setText(QStringLiteral("2,4-"));
    EXPECT_EQ(m_dialog->pages(), (std::vector<std::size_t>{1, 3, 4}));
    find<QRadioButton>("pagesButton")->click();
    box("fromBox")->setText(QStringLiteral("2"));
    box("toBox")->setText(QStringLiteral("3"));
    EXPECT_EQ(m_dialog->pages(), (std::vector<std::size_t>{1, 2}));
    box("toBox")->clear();
    EXPECT_TRUE(m_dialog->pages().empty());
    find<QRadioButton>("allButton")->click();
    EXPECT_EQ(m_dialog->pages().size(), 5u);
}

TEST_F(OutputOptions, CancelledSetupKeepsThePrinter)
{
    open();
    find<QPushButton>("setupButton")->click();
    EXPECT_EQ(m_dialog->printerName(), QStringLiteral("Etiquetadora"));
    EXPECT_TRUE(m_system.printerName.isEmpty());
}

TEST_F(OutputOptions, PrinterChosenInSetupIsKeptAndShownWithItsPort)
{
    QUORVEL_REQUIRE_QUEUE(!QPrinterInfo::printerInfo(QStringLiteral("QuorvelPDF")).isNull(),
                          "no print queue QuorvelPDF (scripts/test.sh sets one up with cupsd and cups-pdf)");
    open();
    m_dialogs.onSetup = [](QPrinter& printer) {
        printer.setPrinterName(QStringLiteral("QuorvelPDF"));
        return true;
    };
    find<QPushButton>("setupButton")->click();
    EXPECT_EQ(m_dialog->printerName(), QStringLiteral("QuorvelPDF"));
    EXPECT_EQ(m_system.printerName, QStringLiteral("QuorvelPDF"));
    EXPECT_EQ(find<QLabel>("printerLine")->text(), QStringLiteral("QuorvelPDF on cups-pdf:/"));
}

} // namespace
