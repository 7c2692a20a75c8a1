// Snapshot files (*.ndr): a page description saved as it is, to reopen, print or save as PDF.
#pragma once

#include <QString>

namespace quorvel::report {

struct PageDescription;

namespace snapshot {

/// Fails with "Cannot create file ..." and never leaves a partial file under `path`.
void write(const PageDescription& pages, const QString& path);
/// Fails with a clear message for a missing, damaged or foreign file; never crashes.
PageDescription read(const QString& path);

} // namespace snapshot
} // namespace quorvel::report
