#include "report/outputs/PngFiles.h"

#include "report/engine/PageDescription.h"
#include "report/outputs/PagePainter.h"
#include "table/Failure.h"

#include <QDir>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <utility>

namespace quorvel::report {

PngFiles::PngFiles(QString dir, double dpi) : m_dir(std::move(dir)), m_dpi(dpi) {}

void PngFiles::begin(const PageDescription&)
{
    m_pages = 0;
    if (!QDir().mkpath(m_dir))
        throw Failure(QStringLiteral("Cannot create folder \"%1\".").arg(QDir(m_dir).absolutePath()));
}

void PngFiles::add(const PageDescription& doc, const Page& page)
{
    ++m_pages;
    const double scale = m_dpi / 72.0;
    const int dotsPerMeter = static_cast<int>(std::lround(m_dpi / 0.0254));
    QImage image(static_cast<int>(std::ceil(page.widthPt * scale)), static_cast<int>(std::ceil(page.heightPt * scale)),
                 QImage::Format_RGB32);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    paintPage(painter, doc, page);
    painter.end();
    const QString file = QDir(m_dir).absoluteFilePath(QStringLiteral("page-%1.png").arg(m_pages, 4, 10, QLatin1Char('0')));
    if (!image.save(file, "PNG"))
        throw Failure(QStringLiteral("Cannot create file \"%1\".").arg(file));
}

} // namespace quorvel::report
