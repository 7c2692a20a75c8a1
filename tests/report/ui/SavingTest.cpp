#include "report/outputs/FileOutput.h"
#include "report/engine/ReportSystem.h"
#include "report/outputs/Snapshot.h"
#include "report/ui/PageView.h"
#include "report/ui/PreviewWindow.h"
#include "report/ui/UiFixtures.h"
#include "report/ui/WidgetDialogs.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace quorvel;
using namespace quorvel::report;
using namespace quorvel::report::testing;

namespace {

class RecordingOutput : public FileOutput
{
public:
    RecordingOutput(QString name, QString extension) : m_name(std::move(name)), m_extension(std::move(extension)) {}
    QString displayName() const override { return m_name; }
    QString fileExtension() const override { return m_extension; }
    void write(const PageDescription& pages, const QString& path) const override
    {
        written.push_back({path, pages.pages.size()});
    }
    mutable std::vector<std::pair<QString, std::size_t>> written;

private:
    QString m_name, m_extension;
};

class SaveFromPreview : public ::testing::Test
{
protected:
    SaveFromPreview()
    {
        m_inactive.setActive(false);
        m_window = std::make_unique<PreviewWindow>(m_doc, m_system, m_dialogs,
                                                   [this](const Failure& f) { m_failures << f.message(); });
        m_window->setOutputs(m_outputs);
        m_window->show();
        m_window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
        m_window->goToPage(2);
    }
    void save(const QString& path, int filter)
    {
        m_dialogs.saveAnswer = SaveTarget{path, filter};
        QTest::keyClick(m_window->pageView(), Qt::Key_S, Qt::ControlModifier);
    }
    /// The index of `output` among the offered file types.
    int filterOf(const FileOutput& output) const
    {
        int index = 1;
        for (const FileOutput* handed : m_outputs) {
            if (handed == &output)
                return index;
            if (handed->isActive())
                ++index;
        }
        return -1;
    }

    RecordingOutput m_fake{QStringLiteral("Fake Format"), QStringLiteral("*.fak")};
    RecordingOutput m_inactive{QStringLiteral("Never Offered"), QStringLiteral("*.no")};
    std::vector<FileOutput*> m_outputs{&m_fake, &m_inactive};   ///< handed to the preview
    ReportSystem m_system;
    FakeDialogs m_dialogs;
    PageDescription m_doc = labelPages(3);
    std::unique_ptr<PreviewWindow> m_window;
    QStringList m_failures;
    QTemporaryDir m_dir;
};

TEST_F(SaveFromPreview, OffersSnapshotsThenActiveOutputsInCreationOrder)
{
    m_window->saveAs();
    ASSERT_FALSE(m_dialogs.offeredFilters.isEmpty());
    EXPECT_EQ(m_dialogs.offeredFilters.first(), QStringLiteral("Report Snapshot Files (*.ndr)"));
    EXPECT_TRUE(m_dialogs.offeredFilters.contains(QStringLiteral("Fake Format (*.fak)")));
    EXPECT_FALSE(m_dialogs.offeredFilters.contains(QStringLiteral("Never Offered (*.no)")));
    EXPECT_EQ(m_dialogs.offeredFilters.size(), static_cast<qsizetype>(m_outputs.size()));
}

TEST_F(SaveFromPreview, SnapshotKeepsThePagesAndThePreviewItsPage)
{
    const QString path = m_dir.filePath(QStringLiteral("labels.ndr"));
    save(path, 0);
    EXPECT_TRUE(m_failures.isEmpty()) << m_failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(snapshot::read(path).pages.size(), 3u);
    EXPECT_TRUE(m_fake.written.empty());
    EXPECT_EQ(m_window->currentPage(), 2);
    EXPECT_TRUE(m_window->isVisible());
}

TEST_F(SaveFromPreview, OtherTypesGoThroughTheirOutput)
{
    const QString path = m_dir.filePath(QStringLiteral("labels.fak"));
    save(path, filterOf(m_fake));
    ASSERT_EQ(m_fake.written.size(), 1u);
    EXPECT_EQ(m_fake.written[0].first, path);
    EXPECT_EQ(m_fake.written[0].second, 3u);
    EXPECT_FALSE(QFile::exists(path));   // the fake output writes nothing itself
    EXPECT_EQ(m_window->currentPage(), 2);
}

TEST_F(SaveFromPreview, FileThatCannotBeCreatedReachesTheErrorHandler)
{
    const QString path = m_dir.filePath(QStringLiteral("missing-folder/labels.ndr"));
    save(path, 0);
    ASSERT_EQ(m_failures.size(), 1);
    EXPECT_TRUE(m_failures[0].startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(path)))
        << m_failures[0].toStdString();
    EXPECT_TRUE(m_window->isVisible());
    EXPECT_EQ(m_window->currentPage(), 2);
}

TEST_F(SaveFromPreview, CancelledDialogWritesNothing)
{
    m_dialogs.saveAnswer.reset();
    m_window->saveAs();
    EXPECT_TRUE(m_fake.written.empty());
    EXPECT_TRUE(QDir(m_dir.path()).isEmpty());
}

TEST(SaveFileDialog, AsksBeforeOverwritingAndAddsTheTypesSuffix)
{
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("labels.ndr"));
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    WidgetDialogs dialogs;
    const QStringList filters{QStringLiteral("Report Snapshot Files (*.ndr)"), QStringLiteral("Adobe Acrobat (PDF) (*.pdf)")};
    QString title, question;
    QStringList offered;
    bool confirms = false;
    whenModal([&](QWidget* modal) {
        auto* chooser = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(chooser, nullptr);
        title = chooser->windowTitle();
        offered = chooser->nameFilters();
        confirms = chooser->acceptMode() == QFileDialog::AcceptSave &&
                   !chooser->testOption(QFileDialog::DontConfirmOverwrite);
        chooser->setDirectory(dir.path());
        chooser->selectFile(QStringLiteral("labels"));   // the suffix of the type is added
        whenModal([&](QWidget* box) {
            if (auto* ask = qobject_cast<QMessageBox*>(box)) {
                question = ask->text();
                ask->button(QMessageBox::Yes)->click();
            }
        });
        static_cast<QDialog*>(chooser)->accept();
    });
    const auto target = dialogs.askSaveFile(nullptr, filters);
    ASSERT_TRUE(target.has_value());
    EXPECT_EQ(target->path, existing);
    EXPECT_EQ(target->filterIndex, 0);
    EXPECT_EQ(title, QStringLiteral("Save File"));
    EXPECT_EQ(offered, filters);
    EXPECT_TRUE(confirms);
    EXPECT_TRUE(question.contains(QStringLiteral("already exists"))) << question.toStdString();
}

TEST(SaveFileDialog, TypedSuffixOfAnotherTypeChoosesThatType)
{
    QTemporaryDir dir;
    WidgetDialogs dialogs;
    const QStringList filters{QStringLiteral("Report Snapshot Files (*.ndr)"), QStringLiteral("Adobe Acrobat (PDF) (*.pdf)")};
    whenModal([&](QWidget* modal) {
        auto* chooser = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(chooser, nullptr);
        chooser->setDirectory(dir.path());
        chooser->selectFile(QStringLiteral("labels.pdf"));   // snapshot type still selected
        static_cast<QDialog*>(chooser)->accept();
    });
    const auto target = dialogs.askSaveFile(nullptr, filters);
    ASSERT_TRUE(target.has_value());
    EXPECT_EQ(target->path, dir.filePath(QStringLiteral("labels.pdf")));
    EXPECT_EQ(target->filterIndex, 1);
}

} // namespace
