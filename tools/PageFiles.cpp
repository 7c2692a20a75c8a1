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

void writePngs(const report::PageDescription& doc, const QString& dir, double dpi)
{
    if (!QDir().mkpath(dir))
        throw Failure(QStringLiteral("Cannot create folder \"%1\".").arg(QDir(dir).absolutePath()));
    const double scale = dpi / 72.0;
    const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
    for (std::size_t i = 0; i < doc.pages.size(); ++i) {
        const report::Page& page = doc.pages[i];
        QImage image(static_cast<int>(std::ceil(page.widthPt * scale)), static_cast<int>(std::ceil(page.heightPt * scale)),
                     QImage::Format_RGB32);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.scale(scale, scale);
        report::paintPage(painter, doc, i);
        painter.end();
        const QString file = QDir(dir).absoluteFilePath(QStringLiteral("page-%1.png").arg(i + 1, 4, 10, QLatin1Char('0')));
        if (!image.save(file, "PNG"))
            throw Failure(QStringLiteral("Cannot create file \"%1\".").arg(file));
    }
}

} // namespace quorvel::batch
