#include "report/ui/PageView.h"

#include "report/engine/PageDescription.h"
#include "report/outputs/PagePainter.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace quorvel::report {

namespace {
constexpr int margin = 12;   // grey border around the page, in pixels
constexpr int shadow = 4;
} // namespace

PageView::PageView(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    setObjectName(QStringLiteral("pageView"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
}

void PageView::setDocument(const PageDescription* doc)
{
    m_doc = doc;
    m_page = 0;
    updateScrollBars();
    scrollToTop();
    viewport()->update();
}

void PageView::setPage(std::size_t index)
{
    m_page = index;
    updateScrollBars();
    scrollToTop();
    viewport()->update();
}

void PageView::setZoom(double percent)
{
    if (percent == m_zoom)
        return;
    // Keep the point at the middle of the area where it was.
    const double h = horizontalScrollBar()->maximum() > 0
                         ? (horizontalScrollBar()->value() + viewport()->width() / 2.0) / (pagePixels(m_zoom).width() + 2 * margin)
                         : 0.5;
    const double v = verticalScrollBar()->maximum() > 0
                         ? (verticalScrollBar()->value() + viewport()->height() / 2.0) / (pagePixels(m_zoom).height() + 2 * margin)
                         : 0.0;
    m_zoom = percent;
    updateScrollBars();
    const QSize size = pagePixels(m_zoom);
    horizontalScrollBar()->setValue(static_cast<int>(std::lround(h * (size.width() + 2 * margin) - viewport()->width() / 2.0)));
    verticalScrollBar()->setValue(v == 0.0 ? 0 : static_cast<int>(std::lround(v * (size.height() + 2 * margin) - viewport()->height() / 2.0)));
    viewport()->update();
}

double PageView::scale() const { return m_zoom / 100.0 * logicalDpiX() / 72.0; }

QSize PageView::pagePixels(double zoom) const
{
    if (!m_doc || m_page >= m_doc->pages.size())
        return {};
    const Page& page = m_doc->pages[m_page];
    const double s = zoom / 100.0 * logicalDpiX() / 72.0;
    return {static_cast<int>(std::lround(page.widthPt * s)), static_cast<int>(std::lround(page.heightPt * s))};
}

double PageView::fitWidthZoom() const
{
    if (!m_doc || m_page >= m_doc->pages.size())
        return m_zoom;
    const Page& page = m_doc->pages[m_page];
    const QSize area = maximumViewportSize();
    const double perPercent = logicalDpiX() / 72.0 / 100.0;
    double zoom = (area.width() - 2 * margin) / (page.widthPt * perPercent);
    // A page taller than the area brings the vertical scroll bar, which takes width.
    if (page.heightPt * perPercent * zoom + 2 * margin > area.height())
        zoom = (area.width() - verticalScrollBar()->sizeHint().width() - 2 * margin) / (page.widthPt * perPercent);
    return zoom;
}

double PageView::fitPageZoom() const
{
    if (!m_doc || m_page >= m_doc->pages.size())
        return m_zoom;
    const Page& page = m_doc->pages[m_page];
    const QSize area = maximumViewportSize();
    const double perPercent = logicalDpiX() / 72.0 / 100.0;
    return std::min((area.width() - 2 * margin) / (page.widthPt * perPercent),
                    (area.height() - 2 * margin) / (page.heightPt * perPercent));
}

void PageView::scrollToTop() { verticalScrollBar()->setValue(verticalScrollBar()->minimum()); }

void PageView::scrollToBottom() { verticalScrollBar()->setValue(verticalScrollBar()->maximum()); }

QRect PageView::pageRect() const
{
    const QSize size = pagePixels(m_zoom);
    const QSize area = viewport()->size();
    const int x = size.width() + 2 * margin <= area.width() ? (area.width() - size.width()) / 2
                                                            : margin - horizontalScrollBar()->value();
    const int y = size.height() + 2 * margin <= area.height() ? (area.height() - size.height()) / 2
                                                              : margin - verticalScrollBar()->value();
    return {QPoint(x, y), size};
}

void PageView::updateScrollBars()
{
    const QSize size = pagePixels(m_zoom);
    const QSize area = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, size.width() + 2 * margin - area.width()));
    horizontalScrollBar()->setPageStep(area.width());
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setRange(0, std::max(0, size.height() + 2 * margin - area.height()));
    verticalScrollBar()->setPageStep(area.height());
    verticalScrollBar()->setSingleStep(20);
}

void PageView::paintEvent(QPaintEvent*)
{
    // The page is drawn into an image of the area first: the painter renderer snaps bars to
    // device pixels, which a widget's redirected painter would place off by the widget's
    // position in its window.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = viewport()->size() * ratio;
    if (m_canvas.size() != pixels)
        m_canvas = QImage(pixels, QImage::Format_RGB32);
    m_canvas.setDevicePixelRatio(ratio);
    {
        QPainter painter(&m_canvas);
        painter.fillRect(QRect(QPoint(0, 0), viewport()->size()), palette().color(QPalette::Dark));
        // A page made on demand could fail to be made (out of memory): nothing leaves a paint
        // event, and the area stays empty; printing or saving the page reports the failure.
        try {
            if (m_doc && m_page < m_doc->pages.size()) {
                const QRect page = pageRect();
                painter.fillRect(page.translated(shadow, shadow), palette().color(QPalette::Shadow));
                painter.fillRect(page, Qt::white);
                painter.setClipRect(page);
                painter.setRenderHint(QPainter::Antialiasing);
                painter.setRenderHint(QPainter::TextAntialiasing);
                painter.translate(page.topLeft());
                painter.scale(scale(), scale());
                paintPage(painter, *m_doc, m_page);
            }
        } catch (...) {
        }
    }
    QPainter(viewport()).drawImage(QPoint(0, 0), m_canvas);
}

void PageView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void PageView::keyPressEvent(QKeyEvent* event)
{
    QScrollBar* bar = verticalScrollBar();
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Down && bar->value() >= bar->maximum()) {
            emit downPastBottom();
            return;
        }
        if (event->key() == Qt::Key_Up && bar->value() <= bar->minimum()) {
            emit upPastTop();
            return;
        }
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void PageView::scrollContentsBy(int, int) { viewport()->update(); }

} // namespace quorvel::report
