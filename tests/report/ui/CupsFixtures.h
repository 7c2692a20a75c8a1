// Printing through real CUPS queues in tests: the test queues, runs of a definition printed
// from the preview, a listener for socket queues, and the label drivers' graphics decoded.
#pragma once

#include "report/engine/PageDescription.h"
#include "report/engine/ReportSystem.h"
#include "report/engine/EngineFixtures.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <atomic>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace quorvel::report::testing {

/// The test queue of a kind ("PDF", "ZPL", "EPL"): $QUORVEL_QUEUE_<kind>, else "Quorvel<kind>",
/// as scripts/test.sh sets them up. Empty when the print system has no such queue.
QString testQueue(const char* kind);
/// True under CI (CI=true), where scripts/test.sh has set up every test queue: a queue missing
/// there is a fault of the run, not a reason to skip.
bool queuesRequired();
/// Skips the test when `present` is false, or fails it under CI.
#define QUORVEL_REQUIRE_QUEUE(present, why)                                                                    \
    do {                                                                                                       \
        if (!(present)) {                                                                                      \
            if (::quorvel::report::testing::queuesRequired())                                                  \
                FAIL() << why << " (CI=true: scripts/test.sh sets the test queues up)";                       \
            else                                                                                               \
                GTEST_SKIP() << why;                                                                           \
        }                                                                                                      \
    } while (false)
/// The port of a queue whose device is socket://127.0.0.1:<port>; 0 otherwise.
int socketPort(const QString& queue);

/// Where cups-pdf writes its files for the user running the tests.
QString cupsPdfOut();
/// The ids of the queue's jobs, finished ones included.
std::vector<int> jobIds(const QString& queue);
/// Waits until the queue has no pending job; false after `ms`.
bool waitUntilIdle(const QString& queue, int ms);
/// Cancels every pending job of the queue (jobs to a socket nobody listens on never end).
void cancelJobs(const QString& queue);
/// The job's attributes as the scheduler holds them, "name=value" separated by blanks.
QByteArray jobOptions(int id);

/// Runs `definition` over `rows` as the print run does and returns the generated pages;
/// the run leaves its copies in `system` as it would for the preview.
PageDescription runDefinition(const QString& definition, const std::vector<LabelRow>& rows, ReportSystem& system);

/// Prints `doc` from a preview window through its Print command and the output-options dialog
/// (OK pressed, with `copies` typed and the `selection` of pages chosen when given), to `queue`
/// chosen as the current printer. Returns the failures the preview reported.
QStringList printFromPreview(const PageDescription& doc, ReportSystem& system, const QString& queue,
                             const std::optional<QString>& copies = {}, const std::optional<QString>& selection = {});

/// Holds the lock of the printing tests while it lives: tests run in parallel would otherwise
/// take each other's jobs for their own. Throws std::runtime_error when another test has held
/// it for kWaitMs.
class PrintQueueLock
{
public:
    static constexpr int kWaitMs = 240000;
    PrintQueueLock();
    ~PrintQueueLock();
    PrintQueueLock(const PrintQueueLock&) = delete;
    PrintQueueLock& operator=(const PrintQueueLock&) = delete;

private:
    int m_fd;
};

/// Collects what arrives on 127.0.0.1:`port` until stopped.
class SocketListener
{
public:
    explicit SocketListener(int port);
    ~SocketListener();
    SocketListener(const SocketListener&) = delete;
    SocketListener& operator=(const SocketListener&) = delete;

    bool listening() const { return m_fd >= 0; }
    QByteArray received() const;
    /// Forgets what arrived so far, between two prints of one test.
    void clear();
    /// How many connections (one a job) have been read to their end.
    int connectionsEnded() const { return m_ended; }

private:
    void serve();
    int m_fd = -1;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_ended{0};
    mutable std::mutex m_mutex;
    QByteArray m_data;
    std::thread m_thread;
};

/// One label as the driver sends it: `width` is what it tells the printer (^PW, q).
struct LabelRaster
{
    QImage image;   ///< black on white, one pixel a dot
    int width = 0;
};

/// Each ~DGR graphic of rastertolabel's ZPL output, decoded (hex with ZPL's compression).
std::vector<LabelRaster> decodeZpl(const QByteArray& data);
/// Each label of rastertolabel's EPL2 output (GW rows), `heightDots` high.
std::vector<LabelRaster> decodeEpl(const QByteArray& data, int heightDots);

/// Mean width gain of the bars over whole modules of `moduleDots`, read along the image row
/// `y` between the first and last black dot of that row in [x0, x1).
double barGain(const QImage& image, int y, int x0, int x1, int moduleDots);

/// The share of black dots two images of one size agree on (intersection over union).
double blackOverlap(const QImage& a, const QImage& b);

} // namespace quorvel::report::testing
