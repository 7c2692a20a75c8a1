// The PDF output (RvRenderPDF1): writes a page description as a PDF 1.3 file whose objects it
// makes itself (report/outputs/PdfObjects), with no PDF library.
#pragma once

#include "report/outputs/FileOutput.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace quorvel::report {

struct Page;

class RenderPdf : public FileOutput
{
public:
    /// How text is written: WinAnsi is PDF's WinAnsiEncoding, Windows-1252 bytes.
    enum class FontEncoding { WinAnsi };

    QString displayName() const override { return m_displayName; }
    QString fileExtension() const override { return m_fileExtension; }
    void write(const PageDescription& pages, const QString& path) const override;
    /// A PdfSink over `path` (report/outputs/PdfSink).
    std::unique_ptr<PageSink> sink(const QString& path) const override;
    /// Writes `pages` (0-based, in that order) as one PDF handed to `sink` in chunks, for
    /// printing; `name` names the document in failures.
    void write(const PageDescription& doc, const std::vector<std::size_t>& pages,
               const std::function<void(const char*, std::size_t)>& sink, const QString& name) const;

    // Settings of the design.
    /// Kept for the design's sake: TrueType fonts are referenced, never embedded.
    bool embedFonts = false;
    int imageQuality = 90;
    int metafileDpi = 300;
    FontEncoding fontEncoding = FontEncoding::WinAnsi;

private:
    QString m_displayName = QStringLiteral("Adobe Acrobat (PDF)");
    QString m_fileExtension = QStringLiteral("*.pdf");
};

/// A PDF written a page at a time, as a layout hands its pages over: for runs too large to hold
/// as one page description. Page contents and bar codes wait in a temporary file until commit,
/// so memory follows the number of pages and distinct codes, not what they draw. Nothing
/// appears under the file's name unless commit succeeds.
class PdfStream
{
public:
    /// Fails at once, with the create text of FileOutput::write, for a name that cannot be written.
    PdfStream(const RenderPdf& settings, const QString& path);
    ~PdfStream();
    PdfStream(const PdfStream&) = delete;
    PdfStream& operator=(const PdfStream&) = delete;

    /// Adds `page`, drawn with the fonts, symbols and pictures of `doc` (whose pages are not read).
    void add(const PageDescription& doc, const Page& page);
    /// Writes the file and puts it under its name.
    void commit();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace quorvel::report
