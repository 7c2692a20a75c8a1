#include "EngineFixtures.h"

#include "report/engine/DataLock.h"
#include "report/engine/ReportProject.h"
#include "report/engine/ReportSystem.h"
#include "support/HeadlessUi.h"
#include "support/ScopedLockPath.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using namespace quorvel::report;

namespace {

class LockTest : public ::testing::Test
{
protected:
    ~LockTest() override { EXPECT_EQ(DataLock::depth(), 0); }

    /// A second process that holds the lock until it reads a byte from the returned pipe.
    pid_t holdInChild(int& release)
    {
        int ready[2], go[2];
        if (pipe(ready) != 0 || pipe(go) != 0)
            return -1;
        pid_t pid = fork();
        if (pid == 0) {
            HeadlessUi childUi;
            char c = DataLock::acquire(childUi, 1000) ? 'y' : 'n';
            (void)!write(ready[1], &c, 1);
            (void)!read(go[0], &c, 1);
            _exit(0);
        }
        char c = 0;
        (void)!read(ready[0], &c, 1);
        EXPECT_EQ(c, 'y');
        release = go[1];
        return pid;
    }

    void finish(pid_t pid, int release)
    {
        (void)!write(release, "x", 1);
        int status = 0;
        waitpid(pid, &status, 0);
    }

    QTemporaryDir dir;
    quorvel::test::ScopedLockPath lock{dir.filePath(QStringLiteral("data.lock"))};
    HeadlessUi ui;
};

TEST_F(LockTest, NestedTakesInOneProcessNeverBlock)
{
    ASSERT_TRUE(DataLock::acquire(ui, 100));
    ASSERT_TRUE(DataLock::acquire(ui, 100));
    EXPECT_EQ(DataLock::depth(), 2);
    DataLock::release();
    EXPECT_EQ(DataLock::depth(), 1);
    DataLock::release();
    EXPECT_EQ(ui.lockQuestions, 0);
}

TEST_F(LockTest, AnotherProcessHoldingItAsksRetryOrCancel)
{
    int release = -1;
    pid_t pid = holdInChild(release);
    ASSERT_GT(pid, 0);
    ui.retryAnswers = {true};   // Retry once, then Cancel
    EXPECT_FALSE(DataLock::acquire(ui, 150));
    EXPECT_EQ(ui.lockQuestions, 2);
    EXPECT_EQ(DataLock::depth(), 0);
    finish(pid, release);
    EXPECT_TRUE(DataLock::acquire(ui, 150));
    DataLock::release();
}

TEST_F(LockTest, TakenOnceTheOtherProcessLetsGo)
{
    int release = -1;
    pid_t pid = holdInChild(release);
    ASSERT_GT(pid, 0);
    EXPECT_FALSE(DataLock::acquire(ui, 100));
    finish(pid, release);
    ui.retryAnswers = {true};
    EXPECT_TRUE(DataLock::acquire(ui, 100));
    DataLock::release();
}

TEST_F(LockTest, ARunHoldsTheLockUntilThePreviewClosesAndCancelAbandonsIt)
{
    using namespace quorvel::report::testing;
    ReportSystem system;
    ReportProject project(system, ui);
    project.setLockAttemptMs(100);
    project.setProjectFile(writeFile(dir.path(), QStringLiteral("blank.rav"), {}));
    int depthInPreview = -1;
    ui.onPreview = [&](const PageDescription&) { depthInPreview = DataLock::depth(); };
    project.execute();
    EXPECT_EQ(depthInPreview, 1);

    int release = -1;
    pid_t pid = holdInChild(release);
    ASSERT_GT(pid, 0);
    project.execute();   // Cancel: no generation, no preview, no failure
    finish(pid, release);
    EXPECT_EQ(ui.lockQuestions, 1);
    EXPECT_EQ(ui.generations, 1);
    EXPECT_EQ(ui.previews, 1);
}

} // namespace
