// The machine-wide data lock after a report run dies: another process that held it in its
// preview is killed, and the lock is free at once.
#include "report/engine/DataLock.h"
#include "support/HeadlessUi.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace quorvel::report;

namespace {

struct KillCase
{
    const char* name;
    int signal;
};

void PrintTo(const KillCase& c, std::ostream* os) { *os << c.name; }

class KilledRun : public ::testing::TestWithParam<KillCase>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_lock = m_dir.filePath(QStringLiteral("data.lock"));
        m_definition = m_dir.filePath(QStringLiteral("tag.rav"));
        QFile file(m_definition);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(R"(<quorvel-report version="1"><report name="R"><page size="A6">)"
                   R"(<text x="5" y="5" width="50" height="6" value="Etiquetas"/></page></report></quorvel-report>)");
    }
    void TearDown() override { DataLock::setPath(DataLock::defaultPath()); }

    QTemporaryDir m_dir;
    QString m_lock, m_definition;
};

TEST_P(KilledRun, LeavesTheLockFree)
{
    QProcess holder;
    holder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    holder.start(QStringLiteral(QUORVEL_LOCK_HOLDER), {m_lock, m_definition});
    ASSERT_TRUE(holder.waitForStarted());
    QByteArray said;
    while (!said.contains("previewing") && holder.state() == QProcess::Running && holder.waitForReadyRead(60000))
        said += holder.readAllStandardOutput();
    ASSERT_TRUE(said.contains("previewing")) << "the holder never reached its preview";

    DataLock::setPath(m_lock);
    HeadlessUi ui;   // answers Cancel to the lock question
    EXPECT_FALSE(DataLock::acquire(ui, 200)) << "the lock was free while another run previewed";
    EXPECT_EQ(ui.lockQuestions, 1);

    ::kill(static_cast<pid_t>(holder.processId()), GetParam().signal);
    ASSERT_TRUE(holder.waitForFinished(10000));
    EXPECT_EQ(holder.exitStatus(), QProcess::CrashExit);

    HeadlessUi after;
    EXPECT_TRUE(DataLock::acquire(after, 200));
    EXPECT_EQ(after.lockQuestions, 0);
    DataLock::release();
    EXPECT_EQ(DataLock::depth(), 0);
}

INSTANTIATE_TEST_SUITE_P(Signals, KilledRun, ::testing::Values(
    KillCase{"Kill", SIGKILL},
    KillCase{"Terminate", SIGTERM},
    KillCase{"Abort", SIGABRT}),
    [](const ::testing::TestParamInfo<KillCase>& row) { return std::string(row.param.name); });

} // namespace
