// What check finds in label files, as text: the check command prints it, the watcher logs it.
#pragma once

#include <QString>
#include <QStringList>

namespace quorvel::batch {

struct CheckReport
{
    QString out;      ///< the rows the window would mark, then the totals
    QString err;      ///< an import's stop or the page limit's failure
    int status = 0;   ///< 1 when a label would print an error box or the run would fail
};

/// Checks `files` under `definition` as `quorvel-batch check` does. Fails (quorvel::Failure) when
/// the definition cannot be opened.
CheckReport checkFiles(const QStringList& files, const QString& definition);

/// The rows of `files` whose labels would print a bar-code error box under `definition`, one line
/// each as check prints them; empty when none would, or when an import stops (the run says why).
QString errorBoxRows(const QStringList& files, const QString& definition);

} // namespace quorvel::batch
