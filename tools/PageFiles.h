// Writing a run's pages to files: PNG pages, and a PDF or snapshot chosen by the file's name.
#pragma once

#include <QString>

namespace quorvel::report {
struct PageDescription;
}

namespace quorvel::batch {

/// True for a name ending in ".pdf" or ".ndr" (any case).
bool isPageFileName(const QString& path);

/// Writes a snapshot for ".ndr", a PDF otherwise; check the name with isPageFileName first.
void writePageFile(const report::PageDescription& doc, const QString& path);

/// One PNG per page, "page-0001.png" and on, at `dpi`, into `dir` (created when missing).
void writePngs(const report::PageDescription& doc, const QString& dir, double dpi);

} // namespace quorvel::batch
