#include "report/engine/ReportSystem.h"
#include "report/ui/PreviewWindow.h"
#include "report/cups/CupsDevice.h"
#include "report/ui/PrinterDevice.h"
#include "report/ui/UiFixtures.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <ostream>

#include <memory>


using namespace quorvel;
using namespace quorvel::report;
using namespace quorvel::report::testing;

namespace {

/// Prints from a preview through the real output-options dialog, with a recording driver.
class PrintFromPreview : public ::testing::Test
{
protected:
    PrintFromPreview()
    {
        m_doc.print.printerName = QStringLiteral("Etiquetadora");
        m_window = std::make_unique<PreviewWindow>(m_doc, m_system, m_dialogs,
                                                   [this](const Failure& f) { m_failures << f.message(); });
        m_window->setDeviceFactory([this](const QString& printer) {
            m_printers << printer;
            return std::make_unique<FakeDevice>(m_makesCopies, m_jobs);
        });
    }

    /// Opens the dialog with Print, lets `fill` set it up, then presses OK.
    void print(const std::function<void(OutputOptionsDialog&)>& fill = {})
    {
        m_dialogs.onOutputOptions = [&fill, this](OutputOptionsDialog& dialog) {
            m_copiesShown << dialog.findChild<QLineEdit*>(QStringLiteral("copiesBox"))->text();
            if (fill)
                fill(dialog);
            dialog.accept();
            return true;
        };
        m_window->findChild<QAction*>(QStringLiteral("actionPrint"))->trigger();
    }
    static void setCopies(OutputOptionsDialog& dialog, const QString& copies)
    {
        dialog.findChild<QLineEdit*>(QStringLiteral("copiesBox"))->setText(copies);
    }
    std::vector<int> jobCopies() const
    {
        std::vector<int> copies;
        for (const Job& job : m_jobs)
            copies.push_back(job.copies);
        return copies;
    }

    ReportSystem m_system;
    FakeDialogs m_dialogs;
    PageDescription m_doc = labelPages(3);
    std::unique_ptr<PreviewWindow> m_window;
    bool m_makesCopies = true;
    std::vector<Job> m_jobs;
    QStringList m_printers;
    QStringList m_copiesShown;
    QStringList m_failures;
};

struct CopiesRule
{
    const char* name;
    bool driverMakesCopies;
    const char* copies;
    std::vector<int> jobs;   // copies asked of the driver, one entry per job sent
    friend void PrintTo(const CopiesRule& row, std::ostream* os) { *os << row.name; }
};

class CopiesThroughDriver : public PrintFromPreview, public ::testing::WithParamInterface<CopiesRule>
{
};

TEST_P(CopiesThroughDriver, SendsOnceOrThatManyTimes)
{
    m_makesCopies = GetParam().driverMakesCopies;
    print([](OutputOptionsDialog& d) { setCopies(d, QString::fromUtf8(GetParam().copies)); });
    EXPECT_EQ(jobCopies(), GetParam().jobs);
    for (const Job& job : m_jobs) {
        EXPECT_EQ(job.pages, (std::vector<std::size_t>{0, 1, 2}));
        EXPECT_EQ(job.name, QStringLiteral("Etiquetas"));
    }
    EXPECT_TRUE(m_failures.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Drivers, CopiesThroughDriver,
                         ::testing::Values(CopiesRule{"driverMakesThree", true, "3", {3}},
                                           CopiesRule{"driverCannotSendsThreeTimes", false, "3", {1, 1, 1}},
                                           CopiesRule{"oneCopyCannot", false, "1", {1}},
                                           CopiesRule{"oneCopyCan", true, "1", {1}}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(PrintFromPreview, CopiesOutliveThePrintAndTheRun)
{
    print([](OutputOptionsDialog& d) { setCopies(d, QStringLiteral("3")); });
    print();
    EXPECT_EQ(m_copiesShown, (QStringList{QStringLiteral("1"), QStringLiteral("3")}));
    EXPECT_EQ(m_system.copies, 3);

    // A later run over the same print system starts from the same count.
    PreviewWindow later(m_doc, m_system, m_dialogs, {});
    later.setDeviceFactory([this](const QString&) { return std::make_unique<FakeDevice>(true, m_jobs); });
    m_dialogs.onOutputOptions = [this](OutputOptionsDialog& dialog) {
        m_copiesShown << dialog.findChild<QLineEdit*>(QStringLiteral("copiesBox"))->text();
        return false;
    };
    later.printPages();
    EXPECT_EQ(m_copiesShown.last(), QStringLiteral("3"));
    EXPECT_EQ(jobCopies(), (std::vector<int>{3, 3}));
}

TEST_F(PrintFromPreview, RangeAndPrinterReachTheDriver)
{
    print([](OutputOptionsDialog& d) {
        d.findChild<QRadioButton*>(QStringLiteral("selectionButton"))->click();
        d.findChild<QLineEdit*>(QStringLiteral("selectionBox"))->setText(QStringLiteral("1,3"));
    });
    ASSERT_EQ(m_jobs.size(), 1u);
    EXPECT_EQ(m_jobs[0].pages, (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(m_printers, QStringList{QStringLiteral("Etiquetadora")});
}

TEST_F(PrintFromPreview, WithoutPreviewSetupEveryPageGoesStraightToThePrinter)
{
    m_system.allowPreviewSetup = false;
    m_system.copies = 2;
    bool asked = false;
    m_dialogs.onOutputOptions = [&asked](OutputOptionsDialog&) { return asked = true; };
    m_window->printPages();
    EXPECT_FALSE(asked);
    ASSERT_EQ(m_jobs.size(), 1u);
    EXPECT_EQ(m_jobs[0].pages, (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(m_jobs[0].copies, 2);
}

TEST_F(PrintFromPreview, CancelPrintsNothing)
{
    m_window->goToPage(2);
    m_dialogs.onOutputOptions = [](OutputOptionsDialog&) { return false; };
    m_window->printPages();
    EXPECT_TRUE(m_jobs.empty());
    EXPECT_EQ(m_window->currentPage(), 2);
}

TEST_F(PrintFromPreview, PrintingTwiceUsesTheSamePages)
{
    print();
    print();
    ASSERT_EQ(m_jobs.size(), 2u);
    EXPECT_EQ(m_jobs[0].pages, m_jobs[1].pages);
}

TEST_F(PrintFromPreview, UnusablePrinterReachesTheErrorHandlerAndThePreviewStays)
{
    m_doc.print.printerName = QStringLiteral("NoSuchQueue");
    m_window->setDeviceFactory(
        [](const QString& printer) { return std::make_unique<CupsDevice>(printer); });
    m_window->show();
    m_window->goToPage(2);
    print();
    EXPECT_EQ(m_failures, QStringList{QStringLiteral("The printer \"NoSuchQueue\" cannot be used")});
    EXPECT_TRUE(m_window->isVisible());
    EXPECT_EQ(m_window->currentPage(), 2);
}

/// What pdfinfo says about a PDF file: "Pages" and "Page size" lines.
QString pdfInfo(const QString& path, const char* field)
{
    QProcess pdfinfo;
    pdfinfo.start(QStringLiteral("pdfinfo"), {path});
    if (!pdfinfo.waitForFinished(30000))
        return {};
    const QString out = QString::fromUtf8(pdfinfo.readAllStandardOutput());
    const QRegularExpression line(QStringLiteral("^%1:\\s*(.*)$").arg(QLatin1String(field)),
                                  QRegularExpression::MultilineOption);
    return line.match(out).captured(1).trimmed();
}

TEST(PdfPrinter, WritesEveryPageAtItsSize)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("labels.pdf"));
    PrinterDevice device = PrinterDevice::pdfFile(path);
    EXPECT_FALSE(device.supportsMultipleCopies());
    const PageDescription doc = labelPages(3);
    printCopies(device, doc, {0, 1, 2}, 1, QStringLiteral("Etiquetas"));
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_EQ(pdfInfo(path, "Pages"), QStringLiteral("3"));
    // Qt's PDF writer gives the paper whole points: 70 x 40 mm.
    EXPECT_TRUE(pdfInfo(path, "Page size").startsWith(QStringLiteral("198 x 113 pts")))
        << pdfInfo(path, "Page size").toStdString();
}

} // namespace
