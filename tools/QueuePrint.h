// Label files printed on a CUPS queue through the window's print run and the preview's own
// printing path: the job options, the queue's dot grid and the copies rule.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace quorvel::batch {

struct QueuePrint
{
    QString queue;
    QString definition;
    QString jobName = QStringLiteral("Etiquetas");   ///< the window's printerTitle
    int copies = 0;       ///< 0: the definition's, else one
    int lockWaitS = 0;    ///< how long to wait for the data-communication lock
    int startLabel = 1;
    bool allPages = false;
};

struct QueueResult
{
    std::vector<int> jobIds;
    std::size_t pages = 0;
    int labels = 0;
};

/// Imports `files`, checks, expands and runs the definition as `print` does, the pages sent to
/// the queue as they are laid out. Fails (quorvel::Failure) with the message `print` gives: the
/// import's stop, the engine's failure, a queue that is missing, stopped or refuses the job,
/// and "Unable to gain control of the Report Data Communication System." after the lock wait.
QueueResult printToQueue(const QStringList& files, const QueuePrint& job);

} // namespace quorvel::batch
