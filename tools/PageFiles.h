// Writing a run's pages to files: PNG pages, and a PDF or snapshot chosen by the file's name.
#pragma once

#include <QString>

#include <cstddef>
#include <memory>
#include <optional>

namespace quorvel::report {
struct Page;
struct PageDescription;
class PdfStream;
class RenderPdf;
}

namespace quorvel::batch {

/// True for a name ending in ".pdf" or ".ndr" (any case).
bool isPageFileName(const QString& path);

/// Writes a snapshot for ".ndr", a PDF otherwise; check the name with isPageFileName first.
void writePageFile(const report::PageDescription& doc, const QString& path);

/// One PNG per page, "page-0001.png" and on, at `dpi`, into `dir` (created when missing).
void writePngs(const report::PageDescription& doc, const QString& dir, double dpi);

/// A run's page files written as layout hands its pages over: each PNG at once, a PDF page by
/// page, so neither holds the run. Either name may be empty; a snapshot is not written here.
class PageFileWriter
{
public:
    /// `output` names a PDF. Fails at once for a name that cannot be written, before any page is
    /// laid out.
    PageFileWriter(QString pngDir, double dpi, QString output);
    ~PageFileWriter();
    PageFileWriter(const PageFileWriter&) = delete;
    PageFileWriter& operator=(const PageFileWriter&) = delete;

    /// True when a symbol's drawing is needed only with the page that first draws it: no PNGs,
    /// which draw every use.
    bool drawsSymbolsOnce() const { return m_pngDir.isEmpty(); }

    void add(const report::PageDescription& doc, const report::Page& page);
    /// Completes the files.
    void finish();
    std::size_t pages() const { return m_pages; }

private:
    QString m_pngDir;
    double m_dpi;
    QString m_output;
    std::unique_ptr<report::RenderPdf> m_pdfSettings;
    std::unique_ptr<report::PdfStream> m_pdf;
    std::size_t m_pages = 0;
};

} // namespace quorvel::batch
