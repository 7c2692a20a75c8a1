#include "PageFiles.h"

#include "report/engine/PageDescription.h"
#include "report/outputs/PagePainter.h"
#include "report/outputs/RenderPdf.h"
#include "report/outputs/Snapshot.h"
#include "table/Failure.h"

#include <QDir>
#include <QImage>
#include <QPainter>

#include <cmath>

namespace quorvel::batch {

bool isPageFileName(const QString& path)
{
    return path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)
        || path.endsWith(QStringLiteral(".ndr"), Qt::CaseInsensitive);
}

void writePageFile(const report::PageDescription& doc, const QString& path)
{
    if (path.endsWith(QStringLiteral(".ndr"), Qt::CaseInsensitive))
        report::snapshot::write(doc, path);
    else
        report::RenderPdf().write(doc, path);
}

namespace {

QDir pngFolder(const QString& dir)
{
    if (!QDir().mkpath(dir))
        throw Failure(QStringLiteral("Cannot create folder \"%1\".").arg(QDir(dir).absolutePath()));
    return QDir(dir);
}

/// Page `number` (1-based) as "page-0001.png" in `dir`.
void writePng(const report::PageDescription& doc, const report::Page& page, const QDir& dir, std::size_t number,
              double dpi)
{
    const double scale = dpi / 72.0;
    const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
    QImage image(static_cast<int>(std::ceil(page.widthPt * scale)), static_cast<int>(std::ceil(page.heightPt * scale)),
                 QImage::Format_RGB32);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    report::paintPage(painter, doc, page);
    painter.end();
    const QString file = dir.absoluteFilePath(QStringLiteral("page-%1.png").arg(number, 4, 10, QLatin1Char('0')));
    if (!image.save(file, "PNG"))
        throw Failure(QStringLiteral("Cannot create file \"%1\".").arg(file));
}

} // namespace

void writePngs(const report::PageDescription& doc, const QString& dir, double dpi)
{
    const QDir folder = pngFolder(dir);
    for (std::size_t i = 0; i < doc.pages.size(); ++i)
        writePng(doc, doc.pages[i], folder, i + 1, dpi);
}

PageFileWriter::PageFileWriter(QString pngDir, double dpi, QString output)
    : m_pngDir(std::move(pngDir)), m_dpi(dpi), m_output(std::move(output))
{
    if (!m_pngDir.isEmpty())
        pngFolder(m_pngDir);
    if (!m_output.isEmpty()) {
        m_pdfSettings = std::make_unique<report::RenderPdf>();
        m_pdf = std::make_unique<report::PdfStream>(*m_pdfSettings, m_output);
    }
}

PageFileWriter::~PageFileWriter() = default;

void PageFileWriter::add(const report::PageDescription& doc, const report::Page& page)
{
    ++m_pages;
    if (!m_pngDir.isEmpty())
        writePng(doc, page, QDir(m_pngDir), m_pages, m_dpi);
    if (m_pdf)
        m_pdf->add(doc, page);
}

void PageFileWriter::finish()
{
    if (m_pdf)
        m_pdf->commit();
}

} // namespace quorvel::batch
