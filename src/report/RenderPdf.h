// The PDF output (RvRenderPDF1): writes a page description as a PDF file with libharu.
#pragma once

#include "report/FileOutput.h"

namespace quorvel::report {

class RenderPdf : public FileOutput
{
public:
    enum class FontEncoding { WinAnsi };

    QString displayName() const override { return m_displayName; }
    QString fileExtension() const override { return m_fileExtension; }
    void write(const PageDescription& pages, const QString& path) const override;

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
