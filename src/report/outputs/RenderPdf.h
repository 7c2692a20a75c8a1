// The PDF output (RvRenderPDF1): writes a page description as a PDF file with libharu.
#pragma once

#include "report/outputs/FileOutput.h"

#include <cstddef>
#include <functional>
#include <vector>

namespace quorvel::report {

class RenderPdf : public FileOutput
{
public:
    /// How text is written: WinAnsi is PDF's WinAnsiEncoding, Windows-1252 bytes.
    enum class FontEncoding { WinAnsi };

    QString displayName() const override { return m_displayName; }
    QString fileExtension() const override { return m_fileExtension; }
    void write(const PageDescription& pages, const QString& path) const override;
    /// Writes `pages` (0-based, in that order) as one PDF handed to `sink` in chunks, for
    /// printing; `name` names the document in failures.
    void write(const PageDescription& doc, const std::vector<std::size_t>& pages,
               const std::function<void(const char*, std::size_t)>& sink, const QString& name) const;

    // Settings of the design.
    bool embedFonts = false;
    int imageQuality = 90;
    int metafileDpi = 300;
    FontEncoding fontEncoding = FontEncoding::WinAnsi;

private:
    QString m_displayName = QStringLiteral("Adobe Acrobat (PDF)");
    QString m_fileExtension = QStringLiteral("*.pdf");
};

} // namespace quorvel::report
