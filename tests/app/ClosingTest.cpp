// Closing the window while a print run is busy ends the run: no further pass, no preview, no
// question, the data lock released; the program then ends with status 0. Questions closed
// without an answer, or answered while the window closes, count as No.
#include "WindowFixture.h"

#include "report/engine/DataLock.h"
#include "report/engine/ReportProject.h"
#include "support/HeadlessUi.h"
#include "support/ScopedLockPath.h"
#include "support/Watchdog.h"

#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace quorvel;
using quorvel::app::test::Button;
using quorvel::app::test::labelLine;

namespace {

constexpr int kWatchdogMs = test::Watchdog::kDefaultMs;
using test::Watchdog;

/// Whether another open file description can take the lock file now.
bool lockFileFree(const QString& path)
{
    int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

/// Starts another program that takes the lock file and keeps it while its preview is open.
void holdLock(QProcess& holder, const QString& lock, const QTemporaryDir& dir)
{
    const QString definition = dir.filePath(QStringLiteral("holder.rav"));
    QFile file(definition);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"(<quorvel-report version="1"><report name="R"><page size="A6">)"
               R"(<text x="5" y="5" width="50" height="6" value="Etiquetas"/></page></report></quorvel-report>)");
    file.close();
    holder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    holder.start(QStringLiteral(QUORVEL_LOCK_HOLDER), {lock, definition});
    ASSERT_TRUE(holder.waitForStarted());
    QByteArray said;
    while (!said.contains("previewing") && holder.state() == QProcess::Running && holder.waitForReadyRead(30000))
        said += holder.readAllStandardOutput();
    ASSERT_TRUE(said.contains("previewing")) << "the holder never reached its preview";
}

QWidget* shownWindow(const char* name)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(name) && w->isVisible())
            return w;
    return nullptr;
}

/// A print run driven through the window, with its own lock file.
class ClosingTest : public app::test::WindowTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        lockPath = dir.filePath(QStringLiteral("data.lock"));
        lockScope.emplace(lockPath);
    }

    void TearDown() override
    {
        EXPECT_EQ(report::DataLock::depth(), 0) << "the run kept the data lock";
        EXPECT_TRUE(lockFileFree(lockPath)) << "the lock file is still locked";
        app::test::WindowTest::TearDown();
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }

    /// The window with the engine's windows replaced by `ui`, or the real ones when null.
    void open(report::EngineUi* engineUi)
    {
        locale.set(quorvel::test::brazil());
        window = std::make_unique<TFrmLerEtiqueta>(dialogs, engineUi);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        window->programFolder = QStringLiteral(QUORVEL_BINARY_DIR);
    }

    /// A list of one label line, `qtd` labels; the boxes of the import are forgotten.
    void importOne(const QByteArray& qtd = "2")
    {
        import(labelLine("A", "AZUL", "39,90", qtd));
        dialogs.shown.clear();
    }

    std::vector<QString> texts() const
    {
        std::vector<QString> out;
        for (const auto& m : dialogs.shown)
            out.push_back(m.text);
        return out;
    }

    QString lockPath;
    std::optional<quorvel::test::ScopedLockPath> lockScope;
    report::HeadlessUi ui;
    const QString confirm = QString::fromUtf8("Confirma a impressão das etiquetas?");
    const QString again = QStringLiteral("Deseja imprimir novamente ?");
};

TEST_F(ClosingTest, PrintConfirmationClosedByItsFramePrintsNothing)
{
    open(&ui);
    importOne();
    dialogs.answers.push_back(Button::None);
    dialogs.onShow = [this](const app::Dialogs::Message& m) {
        if (m.text == again) {
            ADD_FAILURE() << "the run started";
            dialogs.answers.push_front(Button::No);
        }
    };
    window->btnTag_2->click();
    dialogs.onShow = nullptr;
    EXPECT_EQ(texts(), std::vector<QString>{confirm});
    EXPECT_EQ(window->cdsImpEtq->rowCount(), 0) << "nothing was expanded";
    EXPECT_EQ(ui.generations, 0);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->btnTag_2->isEnabled());
}

struct AnswerCase
{
    const char* name;
    Button answer;
};

void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.name; }

class ClosingAtTheReprintQuestion : public ClosingTest, public ::testing::WithParamInterface<AnswerCase>
{
};

// The answer given while the window closes is a No, whatever button it names.
TEST_P(ClosingAtTheReprintQuestion, EndsTheRunWithoutAnotherPass)
{
    open(&ui);
    importOne();
    dialogs.answers.insert(dialogs.answers.end(), {Button::Yes, GetParam().answer});
    int asked = 0;
    dialogs.onShow = [&](const app::Dialogs::Message& m) {
        if (m.text != again)
            return;
        if (++asked == 1) {
            window->close();
        } else {
            ADD_FAILURE() << "asked again after the window closed";
            dialogs.answers.push_front(Button::No);
        }
    };
    Watchdog watchdog("the print run");
    window->btnTag_2->click();
    dialogs.onShow = nullptr;
    EXPECT_EQ(ui.generations, 1) << "no second pass";
    EXPECT_EQ(ui.previews, 1);
    EXPECT_EQ(texts(), (std::vector<QString>{confirm, again}));
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Answers, ClosingAtTheReprintQuestion, ::testing::Values(
    AnswerCase{"Yes", Button::Yes},
    AnswerCase{"CloseBox", Button::None},
    AnswerCase{"No", Button::No}),
    [](const ::testing::TestParamInfo<AnswerCase>& row) { return std::string(row.param.name); });

TEST_F(ClosingTest, ClosingDuringThePreviewAsksNothingMore)
{
    open(&ui);
    importOne();
    dialogs.answers.push_back(Button::Yes);
    ui.onPreview = [this](const report::PageDescription&) {
        window->close();
        // A run that goes on anyway is told No, so that the test ends.
        dialogs.answers.push_back(Button::No);
    };
    Watchdog watchdog("the print run");
    window->btnTag_2->click();
    EXPECT_EQ(ui.previews, 1);
    EXPECT_EQ(texts(), std::vector<QString>{confirm}) << "no reprint question";
    EXPECT_FALSE(window->isVisible());
    dialogs.answers.clear();
}

TEST_F(ClosingTest, ExcluirAnsweredWhileTheWindowClosesDeletesNothing)
{
    open(&ui);
    importOne();
    dialogs.answers.push_back(Button::Yes);
    dialogs.onShow = [this](const app::Dialogs::Message&) { window->close(); };
    window->Exclui1Click();
    dialogs.onShow = nullptr;
    EXPECT_EQ(window->cdsEtqTemp->rowCount(), 1);
}

// With the real status window, boxes and preview: the run's own loops.
TEST_F(ClosingTest, ClosingDuringGenerationStopsItWithoutPreview)
{
    open(nullptr);
    importOne("9000");   // pages enough to take a while, within the page limit
    dialogs.answers.push_back(Button::Yes);
    QString statusWhenClosed;
    bool previewSeen = false;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (shownWindow("previewWindow"))
            previewSeen = true;
        QWidget* status = shownWindow("statusWindow");
        if (!status || !statusWhenClosed.isEmpty())
            return;
        QString line = status->findChild<QLabel*>(QStringLiteral("statusLine"))->text();
        if (line.startsWith(QLatin1String("Generating page ")) && line != QLatin1String("Generating page 1")) {
            statusWhenClosed = line;
            window->close();
        }
    });
    driver.start(5);
    Watchdog watchdog("the print run");
    window->btnTag_2->click();
    driver.stop();
    EXPECT_TRUE(statusWhenClosed.startsWith(QLatin1String("Generating page "))) << statusWhenClosed.toStdString();
    EXPECT_FALSE(previewSeen);
    EXPECT_EQ(shownWindow("statusWindow"), nullptr);
    EXPECT_EQ(texts(), std::vector<QString>{confirm}) << "no reprint question";
    EXPECT_FALSE(window->isVisible());
}

struct LockCase
{
    const char* name;
    bool atTheQuestion;   // else during an attempt
};

void PrintTo(const LockCase& c, std::ostream* os) { *os << c.name; }

class ClosingAtTheLock : public ClosingTest, public ::testing::WithParamInterface<LockCase>
{
};

// Another program holds the lock in its preview; the window closes while this run waits.
TEST_P(ClosingAtTheLock, CancelsTheRun)
{
    QProcess holder;
    ASSERT_NO_FATAL_FAILURE(holdLock(holder, lockPath, dir));

    open(nullptr);
    // An attempt longer than the watchdog: only the close can end this wait in time.
    window->RvPrjEtq->setLockAttemptMs(GetParam().atTheQuestion ? 100 : 10 * kWatchdogMs);
    importOne();
    dialogs.answers.push_back(Button::Yes);
    int lockQuestions = 0;
    bool statusSeen = false;
    QPointer<QWidget> lastBox;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (shownWindow("statusWindow"))
            statusSeen = true;
        QWidget* box = QApplication::activeModalWidget();
        if (box && box != lastBox && box->objectName() == QLatin1String("lockQuestion")) {
            lastBox = box;
            ++lockQuestions;
            if (GetParam().atTheQuestion)
                window->close();
        }
    });
    driver.start(5);
    if (!GetParam().atTheQuestion)
        QTimer::singleShot(300, window.get(), [this] { window->close(); });
    Watchdog watchdog("the lock wait");
    window->btnTag_2->click();
    driver.stop();
    EXPECT_EQ(lockQuestions, GetParam().atTheQuestion ? 1 : 0);
    EXPECT_FALSE(statusSeen) << "nothing was generated";
    EXPECT_EQ(texts(), std::vector<QString>{confirm}) << "no reprint question";
    EXPECT_EQ(report::DataLock::depth(), 0);
    holder.kill();
    holder.waitForFinished(10000);
}

INSTANTIATE_TEST_SUITE_P(Moments, ClosingAtTheLock, ::testing::Values(
    LockCase{"DuringAnAttempt", false},
    LockCase{"AtTheRetryQuestion", true}),
    [](const ::testing::TestParamInfo<LockCase>& row) { return std::string(row.param.name); });

struct ProgramCase
{
    const char* name;
    const char* phase;
    bool holdLock;
    // What the program opened before the close: status windows, previews, reprint questions.
    int statuses, previews, reprints;
};

void PrintTo(const ProgramCase& c, std::ostream* os) { *os << c.name; }

class ProgramEnds : public ::testing::TestWithParam<ProgramCase>
{
};

// The whole program, as main() builds it: once the window closes it ends with status 0.
TEST_P(ProgramEnds, WithStatusZeroAfterOnePass)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString lock = dir.filePath(QStringLiteral("data.lock"));
    QProcess holder;
    if (GetParam().holdLock) {
        ASSERT_NO_FATAL_FAILURE(holdLock(holder, lock, dir));
    }
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    const QString labels = QString::fromLatin1(GetParam().phase) == QLatin1String("generation") ? QStringLiteral("9000") : QStringLiteral("2");
    program.start(QStringLiteral(QUORVEL_CLOSING_PROBE), {QString::fromLatin1(GetParam().phase), labels, lock});
    ASSERT_TRUE(program.waitForStarted());
    const bool ended = program.waitForFinished(kWatchdogMs);
    if (!ended) {
        program.kill();
        program.waitForFinished(10000);
    }
    const QString out = QString::fromUtf8(program.readAllStandardOutput());
    EXPECT_TRUE(ended) << "the program was still running after " << kWatchdogMs / 1000 << " s:\n" << out.toStdString();
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << out.toStdString();
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(lines.count(QStringLiteral("closing")), 1) << out.toStdString();
    // A short run's status window may come and go between two looks.
    EXPECT_LE(lines.count(QStringLiteral("status")), GetParam().statuses) << out.toStdString();
    EXPECT_EQ(lines.count(QStringLiteral("preview")), GetParam().previews) << out.toStdString();
    EXPECT_EQ(lines.count(QStringLiteral("box Deseja imprimir novamente ?")), GetParam().reprints) << out.toStdString();
    EXPECT_EQ(lines.filter(QStringLiteral("Unable to gain control")).size(), 0) << out.toStdString();
    if (holder.state() != QProcess::NotRunning) {
        holder.kill();
        holder.waitForFinished(10000);
    }
    EXPECT_TRUE(lockFileFree(lock));
}

INSTANTIATE_TEST_SUITE_P(Closed, ProgramEnds, ::testing::Values(
    ProgramCase{"DuringGeneration", "generation", false, 1, 0, 0},
    ProgramCase{"DuringTheLockWait", "lock", true, 0, 0, 0},
    ProgramCase{"AtTheReprintQuestion", "question", false, 1, 1, 1}),
    [](const ::testing::TestParamInfo<ProgramCase>& row) { return std::string(row.param.name); });

} // namespace
