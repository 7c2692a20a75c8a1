// Starting a run at another label of a partly used sheet: the preview's "Start at label" box lays
// the run again, and what the preview shows is what is saved and printed.
#include "report/engine/DataSetConnection.h"
#include "report/outputs/RenderPdf.h"
#include "report/engine/ReportProject.h"
#include "report/engine/ReportSystem.h"
#include "report/ui/PreviewWindow.h"
#include "report/cups/CupsDevice.h"
#include "report/ui/CupsFixtures.h"
#include "report/ui/PrinterDevice.h"
#include "report/ui/UiFixtures.h"
#include "support/HeadlessUi.h"
#include "table/Table.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QImage>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <cmath>
#include <functional>

using namespace quorvel;
using namespace quorvel::report;
using namespace quorvel::report::testing;

namespace {

constexpr double kMm = 72.0 / 25.4;

// The A4 example: 3 x 10 labels of 63.5 x 25.4 mm, 2.5 mm between columns, from (7.25, 21.5) mm.
int slotAt(double xPt, double yPt)
{
    const double xMm = xPt / kMm - 7.25, yMm = yPt / kMm - 21.5;
    if (yMm < 0)
        return -1;   // the sheet's heading
    return static_cast<int>(std::floor(yMm / 25.4)) * 3 + static_cast<int>(std::floor(xMm / 66.0));
}

struct Word
{
    QString text;
    double xPt, yPt;
};

/// The words of page 1 of a PDF with their top-left corners, through pdftotext -bbox.
std::vector<Word> firstPageWords(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"),
                                          QStringLiteral("-l"), QStringLiteral("1"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000))
        return {};
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"[\\d.]+\" yMax=\"[\\d.]+\">([^<]*)</word>"));
    std::vector<Word> words;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        words.push_back({m.captured(3), m.captured(1).toDouble(), m.captured(2).toDouble()});
    }
    return words;
}

/// The filled of page 1 that hold a text item of the description.
std::vector<int> textSlots(const PageDescription& doc)
{
    std::vector<int> filled;
    for (const PageItem& item : doc.pages.front().items)
        if (const auto* t = std::get_if<TextItem>(&item))
            if (int slot = slotAt(t->xPt, t->baselinePt - 2); slot >= 0)
                filled.push_back(slot);
    return filled;
}

class StartLabel : public ::testing::Test
{
protected:
    StartLabel() : m_table(QStringLiteral("cdsImpEtq"), {{"Marca", table::FieldType::Text, 20, false},
                                                         {"Codigo", table::FieldType::Text, 25, false}})
    {
        for (int i = 1; i <= 8; ++i) {
            m_table.append();
            m_table.setText(0, "MARCA" + std::to_string(i));
            m_table.setText(1, "2000000012346");
            m_table.store();
        }
    }

    /// Runs the definition and calls `check` with the preview open over its pages.
    void preview(const QString& definition, const std::function<void(PreviewWindow&)>& check)
    {
        ui.onPreview = [&](const PageDescription& pages) {
            PreviewWindow window(pages, system, dialogs, [this](const Failure& f) { failures << f.message(); });
            window.setRelayout(ui.relayout);
            window.setOutputs(outputs);
            window.show();
            check(window);
        };
        ReportProject project(system, ui);
        project.setConnections({&m_connection});
        project.setConnectionWaits(0);
        project.setProjectFile(definition);
        project.execute();
        ASSERT_EQ(ui.previews, 1);
        if (!failureExpected) {
            EXPECT_EQ(failures, QStringList());
        }
    }

    static QString a4() { return QStringLiteral(QUORVEL_SOURCE_DIR "/examples/definitions/a4-3x10.rav"); }

    QSpinBox* startBox(PreviewWindow& w) { return w.findChild<QSpinBox*>(QStringLiteral("startBox")); }

    table::Table m_table;
    DataSetConnection m_connection{QStringLiteral("RvDataSetConnection1"), &m_table};
    ReportSystem system;
    HeadlessUi ui;
    FakeDialogs dialogs;
    std::vector<FileOutput*> outputs;   ///< what the preview's Save As offers
    QStringList failures;
    bool failureExpected = false;
    QTemporaryDir dir;
};

TEST_F(StartLabel, FiveLeavesTheFirstFourSlotsBlankInThePreview)
{
    preview(a4(), [&](PreviewWindow& w) {
        ASSERT_NE(startBox(w), nullptr);
        EXPECT_TRUE(startBox(w)->isVisibleTo(&w));
        EXPECT_EQ(startBox(w)->maximum(), 30);
        EXPECT_EQ(textSlots(w.document()).front(), 0);
        startBox(w)->setValue(5);
        const std::vector<int> filled = textSlots(w.document());
        ASSERT_FALSE(filled.empty());
        EXPECT_EQ(*std::min_element(filled.begin(), filled.end()), 4);
        EXPECT_EQ(*std::max_element(filled.begin(), filled.end()), 11) << "eight labels from the fifth slot";
        EXPECT_EQ(w.pageCount(), 1);
        startBox(w)->setValue(29);
        EXPECT_EQ(w.pageCount(), 2) << "labels past the sheet go on to the next";
        EXPECT_EQ(textSlots(w.document()).front(), 28);
    });
    EXPECT_EQ(system.startLabel, 1) << "the next run starts at the first slot again";
}

TEST_F(StartLabel, SavedPdfHasTheSameBlankSlots)
{
    RenderPdf pdf;
    outputs = {&pdf};
    const QString path = dir.filePath(QStringLiteral("start5.pdf"));
    preview(a4(), [&](PreviewWindow& w) {
        startBox(w)->setValue(5);
        dialogs.saveAnswer = SaveTarget{path, 1};
        w.saveAs();
    });
    const std::vector<Word> words = firstPageWords(path);
    bool sawFirst = false;
    for (const Word& word : words) {
        const int slot = slotAt(word.xPt, word.yPt);
        if (slot < 0)
            continue;
        EXPECT_GE(slot, 4) << word.text.toStdString() << " at " << word.xPt << ", " << word.yPt;
        if (word.text == u"MARCA1") {
            sawFirst = true;
            EXPECT_EQ(slot, 4);
        }
    }
    EXPECT_TRUE(sawFirst) << words.size() << " words";
}

TEST_F(StartLabel, PrintedPagesHaveTheSameBlankSlots)
{
    const QString path = dir.filePath(QStringLiteral("printed.pdf"));
    preview(a4(), [&](PreviewWindow& w) {
        w.setDeviceFactory([&](const QString&) { return std::make_unique<PrinterDevice>(PrinterDevice::pdfFile(path)); });
        startBox(w)->setValue(5);
        w.printPages();
    });
    int first = -1;
    for (const Word& word : firstPageWords(path)) {
        const int slot = slotAt(word.xPt, word.yPt);
        if (slot >= 0) {
            EXPECT_GE(slot, 4) << word.text.toStdString();
        }
        if (word.text == u"MARCA1")
            first = slot;
    }
    EXPECT_EQ(first, 4);
}

TEST_F(StartLabel, ALayoutPastThePagesARunKeepsIsRefused)
{
    system.lastPage = 1;
    failureExpected = true;
    preview(a4(), [&](PreviewWindow& w) {
        startBox(w)->setValue(29);
        EXPECT_EQ(w.pageCount(), 1) << "the pages shown stay";
        EXPECT_EQ(startBox(w)->value(), 1);
    });
    EXPECT_EQ(failures, QStringList{QStringLiteral("Starting at label 29 makes 2 pages, more than the 1 pages a run keeps.")});
}

TEST_F(StartLabel, HiddenForOneLabelAPage)
{
    preview(QStringLiteral(QUORVEL_SOURCE_DIR "/Relatorios/tag_02_Quorvel.rav"), [&](PreviewWindow& w) {
        ASSERT_NE(startBox(w), nullptr);
        EXPECT_FALSE(startBox(w)->isVisibleTo(&w));
        EXPECT_EQ(w.pageCount(), 8);
    });
}

/// Whether any pixel of the rectangle (millimetres on an A4 page image) is darker than paper.
bool inked(const QImage& page, double xMm, double yMm, double wMm, double hMm)
{
    const double px = page.width() / 210.0;
    for (int y = static_cast<int>(yMm * px); y < static_cast<int>((yMm + hMm) * px); ++y)
        for (int x = static_cast<int>(xMm * px); x < static_cast<int>((xMm + wMm) * px); ++x)
            if (qGray(page.pixel(x, y)) < 200)
                return true;
    return false;
}

// Through a real queue: cups-pdf's file passes Ghostscript, so the page is looked at as an image.
TEST_F(StartLabel, CupsPdfPrintHasTheSameBlankSlots)
{
    const QString queue = report::testing::testQueue("PDF");
    QUORVEL_REQUIRE_QUEUE(!queue.isEmpty(), "no cups-pdf test queue (scripts/test.sh adds it as root, with cupsd running)");
    const report::testing::PrintQueueLock lock;
    const QDir out(cupsPdfOut());
    const QDateTime started = QDateTime::currentDateTime().addSecs(-1);
    preview(a4(), [&](PreviewWindow& w) {
        w.setDeviceFactory([&](const QString&) { return std::make_unique<CupsDevice>(queue); });
        startBox(w)->setValue(5);
        w.printPages();
    });
    QString written;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        for (const QFileInfo& file : out.entryInfoList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Time))
            if (file.lastModified() >= started) {
                written = file.absoluteFilePath();
                return true;
            }
        return false;
    }, 90000)) << "no new PDF in " << out.path().toStdString();
    ASSERT_TRUE(report::testing::waitUntilIdle(queue, 60000)) << "cups-pdf still writing";   // its job ends once the file is whole
    const QString png = dir.filePath(QStringLiteral("page"));
    QProcess render;
    render.setStandardErrorFile(QProcess::nullDevice());
    render.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("50"), QStringLiteral("-f"), QStringLiteral("1"),
                                              QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-png"),
                                              QStringLiteral("-singlefile"), written, png});
    ASSERT_TRUE(render.waitForFinished(60000));
    const QImage page(png + QStringLiteral(".png"));
    ASSERT_FALSE(page.isNull());
    for (int slot = 0; slot < 6; ++slot) {
        const double x = 7.25 + (slot % 3) * 66.0 + 1, y = 21.5 + (slot / 3) * 25.4 + 1;
        EXPECT_EQ(inked(page, x, y, 61.5, 23.4), slot >= 4) << "slot " << slot + 1;
    }
    QFile::remove(written);
}

} // namespace
