// quorvel-batch print --printer, --wait and watch, run as the built program. The printing cases
// go through the cups-pdf queue and CUPS's ZPL driver sending to a socket the test listens on;
// every run keeps off the machine-wide data lock by a temporary folder of its own (TMPDIR).
#include "report/ui/CupsFixtures.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cups/cups.h>

#include <gtest/gtest.h>

#include <csignal>
#include <map>

using namespace quorvel::report::testing;

namespace {

const QString kBatch = QStringLiteral(QUORVEL_BINARY_DIR "/quorvel-batch");
const QString kTag = QStringLiteral(QUORVEL_SOURCE_DIR "/Relatorios/tag_02_Quorvel.rav");
const char* const kCodes[] = {"7891234000019", "7891234000026", "5601234567892"};

QByteArray labelFile(int labels = 3)
{
    QByteArray bytes;
    for (int i = 0; i < labels; ++i)
        bytes += QByteArray("0VESTUARIO|CAMISETAS|NORTE|AZUL MARINHO|CM-204|BASICA|M|") + kCodes[i % 3] + "|39,90|1|\r\n";
    return bytes;
}

struct Outcome
{
    int status = -1;
    QString out, err;
    qint64 ms = 0;
};

/// A queue the test needs: under CI a missing one is a failure, elsewhere a skip.
#define REQUIRE_QUEUE(queue, kind)                                                                   \
    do {                                                                                             \
        if ((queue).isEmpty()) {                                                                     \
            if (qEnvironmentVariable("CI") == QLatin1String("true"))                                 \
                FAIL() << "no print queue Quorvel" kind " (scripts/test.sh adds it as root)";        \
            GTEST_SKIP() << "no print queue Quorvel" kind " (scripts/test.sh adds it as root)";       \
        }                                                                                            \
    } while (false)

class BatchQueue : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LANG"), QStringLiteral("pt_BR.UTF-8"));
        env.remove(QStringLiteral("LC_ALL"));
        env.insert(QStringLiteral("TMPDIR"), m_dir.path());   // the lock file lives there
        if (!m_home.isEmpty())
            env.insert(QStringLiteral("HOME"), m_home);
        return env;
    }

    Outcome batch(const QStringList& args, int watchdogMs = 120000)
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        QElapsedTimer timer;
        timer.start();
        p.start(kBatch, args);
        Outcome r;
        if (!p.waitForFinished(watchdogMs)) {
            p.kill();
            p.waitForFinished();
            ADD_FAILURE() << "quorvel-batch did not end within " << watchdogMs << " ms";
            return r;
        }
        r.ms = timer.elapsed();
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    QString write(const QString& name, const QByteArray& bytes) const { return writeFile(m_dir.path(), name, bytes); }

    QTemporaryDir m_dir;
    QString m_home;   ///< the runs' home folder; empty: the user's
};

std::vector<int> printedIds(const QString& out)
{
    std::vector<int> ids;
    for (const QString& line : out.split(u'\n'))
        if (line.startsWith(QLatin1String("job ")))
            ids.push_back(line.section(u'-', -1).toInt());
    return ids;
}

/// What a quorvel-batch run sent to the ZPL queue: its outcome, the job ids it printed and the
/// labels that arrived at the queue's socket.
struct ZplRun
{
    Outcome outcome;
    std::vector<int> ids;
    std::vector<LabelRaster> labels;
};

/// Runs quorvel-batch with `args` while listening on the ZPL queue's socket, and waits (bounded)
/// for `count` labels to arrive. Take the print lock first.
ZplRun runOnZpl(const QString& queue, const std::function<Outcome()>& run, std::size_t count)
{
    SocketListener listener(socketPort(queue));
    EXPECT_TRUE(listener.listening());
    cancelJobs(queue);
    ZplRun z;
    z.outcome = run();
    z.ids = printedIds(z.outcome.out);
    if (z.outcome.status == 0)
        (void)QTest::qWaitFor([&] {
            if (listener.connectionsEnded() == 0)
                return false;
            z.labels = decodeZpl(listener.received());
            return z.labels.size() >= count;
        }, 120000);
    cancelJobs(queue);
    return z;
}

TEST_F(BatchQueue, TagsReachTheZplPrinterAsFiftyByThirtyLabelsThatScan)
{
    const QString queue = testQueue("ZPL");
    REQUIRE_QUEUE(queue, "ZPL");
    const PrintQueueLock lock;
    const QString file = write(QStringLiteral("tags.txt"), labelFile());
    const ZplRun z = runOnZpl(queue, [&] {
        return batch({QStringLiteral("print"), file, QStringLiteral("--printer"), queue, QStringLiteral("--definition"), kTag});
    }, 3);
    const Outcome& r = z.outcome;
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const std::vector<int>& ids = z.ids;
    ASSERT_EQ(ids.size(), 1u) << r.out.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("3 page(s), 3 label(s)\njob %1-%2\n").arg(queue).arg(ids[0])));
    const std::vector<LabelRaster>& labels = z.labels;
    ASSERT_GE(labels.size(), 3u) << labels.size() << " labels arrived";
    EXPECT_TRUE(jobOptions(ids[0]).contains(" PageSize=Custom.50x30mm ")) << jobOptions(ids[0]).toStdString();
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(labels[i].width, 400);
        EXPECT_EQ(labels[i].image.height(), 240);
        EXPECT_EQ(zbarDecode(labels[i].image.copy(0, 0, 400, 240)),
                  QStringList{QStringLiteral("EAN-13:") + QLatin1String(kCodes[i])});
    }
}

/// A 50 x 30 mm label and, in `printers`, the definition's queue offsets.
QByteArray calibrationDefinition(const QString& printers)
{
    return definitionXml(printers + QStringLiteral("<report name=\"R\"><page size=\"custom\" width=\"50\" height=\"30\"/></report>"));
}

struct CalibrationCase
{
    const char* name;
    const char* printers;   ///< %1: the ZPL queue's name
    int dxDots, dyDots;     ///< where the marks move on the ZPL queue, in 203-dpi dots
};

void PrintTo(const CalibrationCase& c, std::ostream* os) { *os << c.name; }

class CalibrationPrint : public BatchQueue, public ::testing::WithParamInterface<CalibrationCase> {};

// The calibration page on CUPS's ZPL driver: its crosses 6 mm in from each corner and its ruler
// ticks (1, 2 and 3 mm long every 1, 5 and 10 mm) lie where they belong on the label's 8 dots a
// millimetre, moved by the queue's own offset and by no other queue's.
TEST_P(CalibrationPrint, MarksLieOnTheQueuesDotsMovedByItsOffset)
{
    const QString queue = testQueue("ZPL");
    REQUIRE_QUEUE(queue, "ZPL");
    const PrintQueueLock lock;
    const QString definition = write(QStringLiteral("calibration.rav"),
                                     calibrationDefinition(QString::fromLatin1(GetParam().printers).arg(queue)));
    const ZplRun z = runOnZpl(queue, [&] {
        return batch({QStringLiteral("calibrate"), QStringLiteral("--printer"), queue, QStringLiteral("--definition"), definition});
    }, 1);
    ASSERT_EQ(z.outcome.status, 0) << z.outcome.err.toStdString();
    ASSERT_EQ(z.ids.size(), 1u) << z.outcome.out.toStdString();
    const std::vector<LabelRaster>& labels = z.labels;
    ASSERT_FALSE(labels.empty()) << "no label arrived";
    const QImage& label = labels.front().image;
    ASSERT_EQ(labels.front().width, 400);
    ASSERT_GE(label.height(), 240);
    const int dx = GetParam().dxDots, dy = GetParam().dyDots;
    const auto black = [&](int x, int y) { return qGray(label.pixel(x + dx, y + dy)) < 128; };

    for (const QPoint centre : {QPoint(48, 48), QPoint(352, 48), QPoint(48, 192), QPoint(352, 192)}) {
        SCOPED_TRACE(testing::Message() << "cross at " << centre.x() << "," << centre.y());
        EXPECT_TRUE(black(centre.x(), centre.y()));
        for (const QPoint arm : {QPoint(12, 0), QPoint(-12, 0), QPoint(0, 12), QPoint(0, -12)})
            EXPECT_TRUE(black(centre.x() + arm.x(), centre.y() + arm.y())) << "arm " << arm.x() << "," << arm.y();
        for (const QPoint past : {QPoint(22, 0), QPoint(-22, 0), QPoint(0, 22), QPoint(0, -22), QPoint(8, 8)})
            EXPECT_FALSE(black(centre.x() + past.x(), centre.y() + past.y())) << "past " << past.x() << "," << past.y();
    }
    // Top ruler: 20 dots down only the 10 mm ticks reach, 12 down the 5 mm ones too.
    EXPECT_TRUE(black(80, 20));
    EXPECT_TRUE(black(160, 20));
    EXPECT_FALSE(black(40, 20));
    EXPECT_TRUE(black(40, 12));
    EXPECT_FALSE(black(56, 12));
    EXPECT_TRUE(black(56, 5));
    EXPECT_FALSE(black(60, 5));
    // Left ruler, the same across.
    EXPECT_TRUE(black(20, 80));
    EXPECT_TRUE(black(20, 160));
    EXPECT_FALSE(black(20, 120));
    EXPECT_TRUE(black(12, 120));
    EXPECT_FALSE(black(12, 136));
    EXPECT_TRUE(black(5, 136));
}

INSTANTIATE_TEST_SUITE_P(Offsets, CalibrationPrint, ::testing::Values(
    CalibrationCase{"none", "", 0, 0},
    CalibrationCase{"twoMillimetresRightAndDown", "<printer queue=\"%1\" offset-x=\"2\" offset-y=\"2\"/>", 16, 16},
    CalibrationCase{"leftInWholeDotsAndDown", "<printer queue=\"%1\" offset-x=\"-0.5\" offset-y=\"1\"/>", -4, 8},
    CalibrationCase{"anotherQueuesOffset", "<printer queue=\"%1-not\" offset-x=\"2\" offset-y=\"2\"/>", 0, 0}),
    [](const auto& row) { return std::string(row.param.name); });

// Files show the page where the definition puts it, whatever the queues' offsets.
TEST_F(BatchQueue, CalibrationFilesIgnoreTheQueueOffsets)
{
    const QString plain = write(QStringLiteral("plain.rav"), calibrationDefinition(QString()));
    const QString moved = write(QStringLiteral("moved.rav"),
                                calibrationDefinition(QStringLiteral("<printer queue=\"QuorvelZPL\" offset-x=\"2\" offset-y=\"2\"/>")));
    QStringList pngs;
    for (const QString& definition : {plain, moved}) {
        const QString dir = m_dir.filePath(QFileInfo(definition).baseName());
        const Outcome r = batch({QStringLiteral("calibrate"), QStringLiteral("--png"), dir, QStringLiteral("--definition"), definition});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        pngs << dir + QStringLiteral("/page-0001.png");
    }
    const QImage a(pngs[0]), b(pngs[1]);
    ASSERT_FALSE(a.isNull());
    EXPECT_EQ(a.convertToFormat(QImage::Format_RGB32), b.convertToFormat(QImage::Format_RGB32));
}

// The choices an operator saved for the ZPL driver's own options (lpoptions, as the printers'
// settings dialogs keep them in the user's home) go with the job.
TEST_F(BatchQueue, SavedDriverChoicesReachTheJob)
{
    const QString queue = testQueue("ZPL");
    REQUIRE_QUEUE(queue, "ZPL");
    const PrintQueueLock lock;
    SocketListener listener(socketPort(queue));
    ASSERT_TRUE(listener.listening());
    cancelJobs(queue);
    m_home = m_dir.filePath(QStringLiteral("home"));
    ASSERT_TRUE(QDir().mkpath(m_home + QStringLiteral("/.cups")));
    writeFile(m_home + QStringLiteral("/.cups"), QStringLiteral("lpoptions"),
              "Dest " + queue.toUtf8() + " Darkness=25 zePrintRate=2 zeMediaTracking=Web\n");
    const Outcome r = batch({QStringLiteral("calibrate"), QStringLiteral("--printer"), queue, QStringLiteral("--definition"),
                             write(QStringLiteral("calibration.rav"), calibrationDefinition(QString()))});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const std::vector<int> ids = printedIds(r.out);
    ASSERT_EQ(ids.size(), 1u) << r.out.toStdString();
    const QByteArray options = jobOptions(ids[0]);
    EXPECT_TRUE(QTest::qWaitFor([&] { return listener.connectionsEnded() > 0; }, 120000));
    cancelJobs(queue);
    for (const char* chosen : {" Darkness=25 ", " zePrintRate=2 ", " zeMediaTracking=Web "})
        EXPECT_TRUE(options.contains(chosen)) << chosen << " in " << options.toStdString();
    EXPECT_TRUE(options.contains(" PageSize=Custom.50x30mm ")) << options.toStdString();
}

// The tags' run with a 2 mm offset for the ZPL queue: the labels arrive 16 dots right and 16
// down of where they arrive without it, while the same run's PNG pages stay where they were.
TEST_F(BatchQueue, AQueuesOffsetMovesTheTagsOnThatQueueOnly)
{
    const QString queue = testQueue("ZPL");
    REQUIRE_QUEUE(queue, "ZPL");
    QFile tag(kTag);
    ASSERT_TRUE(tag.open(QIODevice::ReadOnly));
    QByteArray moved = tag.readAll();
    const qsizetype root = moved.indexOf('>', moved.indexOf("<quorvel-report"));
    ASSERT_GT(root, 0);
    moved.insert(root + 1, "<printer queue=\"" + queue.toUtf8() + "\" offset-x=\"2\" offset-y=\"2\"/>");
    const QString movedPath = write(QStringLiteral("moved.rav"), moved);
    const QString labels = write(QStringLiteral("tags.txt"), labelFile(1));

    const PrintQueueLock lock;
    SocketListener listener(socketPort(queue));
    ASSERT_TRUE(listener.listening());
    cancelJobs(queue);
    std::vector<QImage> printed;
    for (const QString& definition : {kTag, movedPath}) {
        listener.clear();
        const int before = listener.connectionsEnded();
        const Outcome r = batch({QStringLiteral("print"), labels, QStringLiteral("--printer"), queue, QStringLiteral("--definition"), definition});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        std::vector<LabelRaster> arrived;
        ASSERT_TRUE(QTest::qWaitFor([&] {
            if (listener.connectionsEnded() == before)
                return false;
            arrived = decodeZpl(listener.received());
            return !arrived.empty();
        }, 120000));
        printed.push_back(arrived.front().image.copy(0, 0, 400, 240));
    }
    cancelJobs(queue);
    QImage shifted(400, 240, QImage::Format_RGB32);
    shifted.fill(Qt::white);
    {
        QPainter p(&shifted);
        p.drawImage(16, 16, printed[0]);
    }
    const QImage moved32 = printed[1].convertToFormat(QImage::Format_RGB32);
    EXPECT_GT(blackOverlap(shifted, moved32), 0.9);
    EXPECT_LT(blackOverlap(printed[0].convertToFormat(QImage::Format_RGB32), moved32), 0.6);

    QStringList pngs;
    for (const QString& definition : {kTag, movedPath}) {
        const QString dir = m_dir.filePath(QFileInfo(definition).baseName() + QStringLiteral("-png"));
        const Outcome r = batch({QStringLiteral("print"), labels, QStringLiteral("--png"), dir, QStringLiteral("--definition"), definition});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        pngs << dir + QStringLiteral("/page-0001.png");
    }
    EXPECT_EQ(QImage(pngs[0]).convertToFormat(QImage::Format_RGB32), QImage(pngs[1]).convertToFormat(QImage::Format_RGB32));
}

struct QueueCase
{
    const char* name;
    bool make;      ///< a queue made for the test, then stopped
    const char* message;
};

void PrintTo(const QueueCase& c, std::ostream* os) { *os << c.name; }

class UnusableQueue : public BatchQueue, public ::testing::WithParamInterface<QueueCase> {};

TEST_P(UnusableQueue, FailsWithTheMessage)
{
    const QString queue = QStringLiteral("QuorvelTest%1%2").arg(GetParam().name).arg(::getpid());
    if (GetParam().make) {
        if (testQueue("ZPL").isEmpty() && qEnvironmentVariable("CI") != QLatin1String("true"))
            GTEST_SKIP() << "no print system to add a queue to (scripts/test.sh starts cupsd as root)";
        ASSERT_EQ(QProcess::execute(QStringLiteral("lpadmin"), {QStringLiteral("-p"), queue, QStringLiteral("-v"),
                                                                QStringLiteral("socket://127.0.0.1:9"), QStringLiteral("-m"),
                                                                QStringLiteral("drv:///sample.drv/zebra.ppd")}), 0);
        QProcess::execute(QStringLiteral("cupsdisable"), {queue});
    }
    const Outcome r = batch({QStringLiteral("print"), write(QStringLiteral("tags.txt"), labelFile()), QStringLiteral("--printer"),
                         queue, QStringLiteral("--definition"), kTag});
    if (GetParam().make)
        QProcess::execute(QStringLiteral("lpadmin"), {QStringLiteral("-x"), queue});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.startsWith(QString::fromUtf8(GetParam().message).arg(queue))) << r.err.toStdString();
    EXPECT_EQ(r.out, QString());
}

INSTANTIATE_TEST_SUITE_P(Queues, UnusableQueue, ::testing::Values(
    QueueCase{"Missing", false, "The printer \"%1\" cannot be used\n"},
    QueueCase{"Stopped", true, "The printer \"%1\" cannot be used: it is stopped"}),
    [](const auto& row) { return std::string(row.param.name); });

/// Holds the data lock in the test's temporary folder from another process, for `seconds` (0: until killed).
class LockHolder
{
public:
    LockHolder(const QString& lockFile, int seconds)
    {
        m_process.start(QStringLiteral("flock"), {lockFile, QStringLiteral("-c"),
                                                  QStringLiteral("echo held; exec sleep %1").arg(seconds > 0 ? seconds : 600)});
        m_process.waitForStarted();
        while (!m_said.contains("held") && m_process.waitForReadyRead(10000))
            m_said += m_process.readAllStandardOutput();
    }
    ~LockHolder()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    bool holding() const { return m_said.contains("held"); }

private:
    QProcess m_process;
    QByteArray m_said;
};

const QString kLockFailure = QStringLiteral("Unable to gain control of the Report Data Communication System.\n");

TEST_F(BatchQueue, WaitsForTheLockUntilAnotherRunFreesIt)
{
    const LockHolder holder(m_dir.filePath(QStringLiteral("quorvel-report-data.lock")), 7);
    ASSERT_TRUE(holder.holding());
    const Outcome r = batch({QStringLiteral("print"), write(QStringLiteral("tags.txt"), labelFile()), QStringLiteral("-o"),
                         m_dir.filePath(QStringLiteral("tags.pdf")), QStringLiteral("--definition"), kTag,
                         QStringLiteral("--wait"), QStringLiteral("20")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QStringLiteral("Waiting up to 20 s for the Report Data Communication System: another report run holds it.\n"));
    EXPECT_TRUE(QFileInfo::exists(m_dir.filePath(QStringLiteral("tags.pdf"))));
}

TEST_F(BatchQueue, GivesUpAfterItsWaitWhenNobodyFreesTheLock)
{
    const LockHolder holder(m_dir.filePath(QStringLiteral("quorvel-report-data.lock")), 0);
    ASSERT_TRUE(holder.holding());
    struct Case { QString wait; qint64 leastMs; QString said; } cases[] = {
        {QStringLiteral("0"), 5000, QString()},
        {QStringLiteral("10"), 10000, QStringLiteral("Waiting up to 10 s for the Report Data Communication System: another report run holds it.\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wait.toStdString());
        const Outcome r = batch({QStringLiteral("print"), write(QStringLiteral("tags.txt"), labelFile()), QStringLiteral("-o"),
                             m_dir.filePath(QStringLiteral("tags.pdf")), QStringLiteral("--definition"), kTag,
                             QStringLiteral("--wait"), c.wait});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, c.said + kLockFailure);
        EXPECT_GE(r.ms, c.leastMs);
    }
}

/// The jobs the queue handed on or printed, by name (cancelled and aborted ones left out).
std::map<QString, int> jobsByName(const QString& queue)
{
    std::map<QString, int> names;
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.toUtf8().constData(), 1, CUPS_WHICHJOBS_ALL);
    for (int i = 0; i < count; ++i)
        if (jobs[i].state != IPP_JSTATE_CANCELED && jobs[i].state != IPP_JSTATE_ABORTED && jobs[i].state != IPP_JSTATE_HELD)
            ++names[QString::fromUtf8(jobs[i].title)];
    cupsFreeJobs(count, jobs);
    return names;
}

TEST_F(BatchQueue, WatcherKilledAtRandomPrintsEveryFileExactlyOnce)
{
    const QString queue = testQueue("PDF");
    REQUIRE_QUEUE(queue, "PDF");
    const PrintQueueLock lock;
    const QString hot = m_dir.filePath(QStringLiteral("hot"));
    ASSERT_TRUE(QDir().mkpath(hot));
    // Names of this run only: the queue remembers the jobs of earlier ones.
    const QString tag = QStringLiteral("w%1-%2").arg(::getpid()).arg(QDateTime::currentMSecsSinceEpoch());
    constexpr int kFiles = 12;
    QStringList names;
    for (int i = 0; i < kFiles; ++i)
        names << QStringLiteral("%1-%2.txt").arg(tag).arg(i, 2, 10, QLatin1Char('0'));
    // One file the check refuses: a bar code with a wrong check digit prints an error box.
    const QByteArray refused = "0VESTUARIO|CAMISETAS|NORTE|AZUL|CM-1|BASICA|M|7891234000010|39,90|1|\r\n";

    QRandomGenerator random(20261211);
    QElapsedTimer watchdog;
    watchdog.start();
    int dropped = 0;
    const auto settled = [&] {
        return QDir(hot).entryList(QDir::Files).isEmpty()
               && QDir(hot + QStringLiteral("/printing")).entryList(QDir::Files).isEmpty() && dropped == kFiles;
    };
    for (int round = 0; round < 40 && !settled() && watchdog.elapsed() < 240000; ++round) {
        QProcess watcher;
        watcher.setProcessEnvironment(environment());
        watcher.start(kBatch, {QStringLiteral("watch"), hot, QStringLiteral("--printer"), queue,
                               QStringLiteral("--definition"), kTag});
        ASSERT_TRUE(watcher.waitForStarted());
        // A few files land while it runs, some before it starts its next life.
        for (int n = 0; n < 3 && dropped < kFiles; ++n, ++dropped)
            writeFile(hot, names[dropped], dropped == 5 ? refused : labelFile(1 + dropped % 3));
        QTest::qWait(static_cast<int>(random.bounded(100, 1500)));
        ::kill(static_cast<pid_t>(watcher.processId()), SIGKILL);
        ASSERT_TRUE(watcher.waitForFinished(10000));
    }
    // A last life that is let finish, then stopped the way systemd stops it.
    QProcess watcher;
    watcher.setProcessEnvironment(environment());
    watcher.setReadChannel(QProcess::StandardError);
    watcher.start(kBatch, {QStringLiteral("watch"), hot, QStringLiteral("--printer"), queue, QStringLiteral("--definition"), kTag});
    ASSERT_TRUE(watcher.waitForStarted());
    QByteArray said;
    while (!said.contains("Watching") && watcher.waitForReadyRead(30000))
        said += watcher.readAllStandardError();
    ASSERT_TRUE(said.contains("Watching")) << said.toStdString();
    EXPECT_TRUE(QTest::qWaitFor(settled, 120000)) << "files left unprinted";
    ::kill(static_cast<pid_t>(watcher.processId()), SIGTERM);
    ASSERT_TRUE(watcher.waitForFinished(60000));
    EXPECT_EQ(watcher.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(watcher.exitCode(), 0);
    EXPECT_TRUE(waitUntilIdle(queue, 120000));

    std::map<QString, int> perFile;
    for (const auto& [title, count] : jobsByName(queue))
        for (const QString& name : names)
            if (title.endsWith(u' ' + name))
                perFile[name] += count;
    for (int i = 0; i < kFiles; ++i) {
        SCOPED_TRACE(names[i].toStdString());
        const bool fails = i == 5;
        EXPECT_EQ(perFile[names[i]], fails ? 0 : 1);
        EXPECT_EQ(QFileInfo::exists(hot + QStringLiteral("/done/") + names[i]), !fails);
        EXPECT_EQ(QFileInfo::exists(hot + QStringLiteral("/failed/") + names[i]), fails);
    }
    QFile log(hot + QStringLiteral("/failed/") + names[5] + QStringLiteral(".log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("labels with an error box: 1"));
    for (const QString& name : QDir(cupsPdfOut()).entryList({QStringLiteral("*%1*").arg(tag)}, QDir::Files))
        QFile::remove(QDir(cupsPdfOut()).filePath(name));
}

} // namespace
