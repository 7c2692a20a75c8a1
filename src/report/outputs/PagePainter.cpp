// The painter renderer shared by the preview, the printer and PNG files. Text is drawn in the
// faces the engine's font resolver picks, unhinted and unkerned, so it measures as in the PDF.
#include "report/outputs/PagePainter.h"

#include "report/engine/FontResolver.h"
#include "report/outputs/TwoLevelPicture.h"

#include <QFont>
#include <QImage>
#include <QMutex>
#include <QPaintDevice>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <list>

namespace quorvel::report {

namespace {

QColor toColor(Rgb c) { return QColor(c.r, c.g, c.b); }

/// A QFont whose em is `sizePt` world units on this painter, whatever the device's resolution.
QFont makeFont(const FontSpec& spec, const QPainter& painter)
{
    QFont font = toQFont(spec);
    const QPaintDevice* device = painter.device();
    const int dpi = device ? device->logicalDpiY() : 72;
    font.setPointSizeF(std::max(0.1, spec.sizePt) * 72.0 / (dpi > 0 ? dpi : 72));
    return font;
}

const FontSpec& fontAt(const PageDescription& doc, std::uint32_t index)
{
    static const FontSpec fallback{QStringLiteral("Helvetica"), 10, false, false};
    return index < doc.fonts.size() ? doc.fonts[index] : fallback;
}

// Decoding a picture costs far more than drawing it; labels repeat the same few pictures on
// every page, so the decoded images are kept, keyed by their encoded bytes.
class ImageCache
{
public:
    QImage get(const QByteArray& encoded)
    {
        QMutexLocker lock(&m_mutex);
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->first == encoded) {
                m_entries.splice(m_entries.begin(), m_entries, it);
                return m_entries.front().second;
            }
        }
        QImage image = twoLevelPicture(QImage::fromData(encoded)).image;
        m_entries.emplace_front(encoded, image);
        if (m_entries.size() > kMaxEntries)
            m_entries.pop_back();
        return image;
    }

private:
    static constexpr std::size_t kMaxEntries = 16;
    QMutex m_mutex;
    std::list<std::pair<QByteArray, QImage>> m_entries;
};

ImageCache& imageCache()
{
    static ImageCache cache;
    return cache;
}

void paintText(QPainter& p, const PageDescription& doc, const TextItem& t)
{
    p.save();
    p.setFont(makeFont(fontAt(doc, t.font), p));
    p.setPen(toColor(t.color));
    p.translate(t.xPt, t.baselinePt);
    if (t.rotation % 360 != 0)
        p.rotate(-static_cast<double>(t.rotation % 360));
    p.drawText(QPointF(0, 0), t.text);
    p.restore();
}

void paintLine(QPainter& p, const LineItem& l)
{
    QPen pen(toColor(l.color));
    pen.setWidthF(l.widthPt);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(l.x1Pt, l.y1Pt), QPointF(l.x2Pt, l.y2Pt));
}

void paintRect(QPainter& p, const RectItem& r)
{
    const QRectF rect(r.xPt, r.yPt, r.widthPt, r.heightPt);
    if (r.filled)
        p.fillRect(rect, toColor(r.fill));
    if (r.strokePt > 0) {
        QPen pen(toColor(r.stroke));
        pen.setWidthF(r.strokePt);
        pen.setJoinStyle(Qt::MiterJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect);
    }
}

// A symbol's bars lie on a grid of whole modules. Drawing each module as the same whole
// number of device pixels keeps every bar and space in proportion, which is what lets a
// 203-dpi thermal printer produce a code that scans; rounding each edge on its own would
// make equal bars differ by a pixel. The symbol grows or shrinks a little for that; where
// whole pixels would change it by more than kMaxStretch (a module of 1.5 pixels on screen)
// only the edges are rounded, so the preview keeps the printed proportions.
struct Grid
{
    bool valid = false;
    double modulePt = 0;
};

Grid gridOf(const std::vector<Symbol::Bar>& bars, double Symbol::Bar::*pos, double Symbol::Bar::*size)
{
    Grid g;
    double smallest = 0;
    for (const auto& b : bars)
        if (b.*size > 0 && (smallest == 0 || b.*size < smallest))
            smallest = b.*size;
    if (smallest <= 0)
        return g;
    auto onGrid = [smallest](double v) {
        const double n = v / smallest;
        return std::abs(n - std::round(n)) < 0.02;
    };
    for (const auto& b : bars)
        if (!onGrid(b.*pos) || !onGrid(b.*size))
            return g;
    g.valid = true;
    g.modulePt = smallest;
    return g;
}

constexpr double kMaxStretch = 0.15;

/// The whole number of pixels nearest to a module of `exact` pixels, or 0 when that would
/// change the module by more than kMaxStretch.
double wholePixels(double exact)
{
    if (exact <= 0)
        return 0;
    const double down = std::max(1.0, std::floor(exact)), up = std::max(1.0, std::ceil(exact));
    const double best = exact - down <= up - exact ? down : up;
    return std::abs(best / exact - 1) <= kMaxStretch ? best : 0;
}

void paintSymbol(QPainter& p, const PageDescription& doc, const SymbolItem& item, const Symbol& s)
{
    if (!s.error.isEmpty())
        return;   // layout drew its error box (ErrorBox.h) in its place
    const QTransform t = p.deviceTransform();
    const bool axisAligned = t.type() <= QTransform::TxScale && t.m11() > 0 && t.m22() > 0;
    double stretchX = 1;   // how much wider the snapped symbol came out, for its captions
    if (!axisAligned) {
        for (const auto& b : s.bars)
            p.fillRect(QRectF(item.xPt + b.xPt, item.yPt + b.yPt, b.widthPt, b.heightPt), Qt::black);
    } else {
        Grid gx = gridOf(s.bars, &Symbol::Bar::xPt, &Symbol::Bar::widthPt);
        const Grid gy = gridOf(s.bars, &Symbol::Bar::yPt, &Symbol::Bar::heightPt);
        // Rows of a matrix code are as tall as its modules are wide; bars of a linear code
        // have free heights and only their edges are rounded.
        const bool squareModules = gx.valid && gy.valid && std::abs(gy.modulePt - gx.modulePt) < 0.02 * gx.modulePt;
        const QPointF origin = t.map(QPointF(item.xPt, item.yPt));
        const double ox = std::round(origin.x()), oy = std::round(origin.y());
        double modX = gx.valid ? wholePixels(gx.modulePt * t.m11()) : 0;
        if (modX == 0)
            gx.valid = false;
        const double modY = squareModules && gx.valid ? wholePixels(gy.modulePt * t.m22()) : 0;
        if (gx.valid)
            stretchX = modX / (gx.modulePt * t.m11());
        p.save();
        p.resetTransform();
        p.setViewTransformEnabled(false);
        p.setRenderHint(QPainter::Antialiasing, false);
        for (const auto& b : s.bars) {
            double x0, x1, y0, y1;
            if (gx.valid) {
                x0 = ox + std::round(b.xPt / gx.modulePt) * modX;
                x1 = x0 + std::round(b.widthPt / gx.modulePt) * modX;
            } else {
                x0 = std::round(origin.x() + b.xPt * t.m11());
                x1 = std::round(origin.x() + (b.xPt + b.widthPt) * t.m11());
            }
            if (modY > 0) {
                y0 = oy + std::round(b.yPt / gy.modulePt) * modY;
                y1 = y0 + std::round(b.heightPt / gy.modulePt) * modY;
            } else {
                y0 = std::round(origin.y() + b.yPt * t.m22());
                y1 = std::round(origin.y() + (b.yPt + b.heightPt) * t.m22());
            }
            if (x1 <= x0)
                x1 = x0 + 1;
            if (y1 > y0)
                p.fillRect(QRectF(x0, y0, x1 - x0, y1 - y0), Qt::black);
        }
        p.restore();
    }
    if (s.captions.empty())
        return;
    p.save();
    p.setFont(makeFont(fontAt(doc, s.captionFont), p));
    p.setPen(Qt::black);
    const QFontMetricsF metrics(p.font(), p.device());
    for (const auto& c : s.captions) {
        // A caption keeps its centre under the same bars when the bars were stretched.
        const double width = metrics.horizontalAdvance(c.text);
        const double centre = item.xPt + (c.xPt + width / 2) * stretchX;
        p.drawText(QPointF(centre - width / 2, item.yPt + c.baselinePt), c.text);
    }
    p.restore();
}

void paintImage(QPainter& p, const PageDescription& doc, const ImageItem& item)
{
    if (item.image >= doc.images.size())
        return;
    const QImage image = imageCache().get(doc.images[item.image].encoded);
    if (image.isNull())
        return;
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(QRectF(item.xPt, item.yPt, item.widthPt, item.heightPt), image);
    p.restore();
}

} // namespace

void paintPage(QPainter& painter, const PageDescription& doc, std::size_t index)
{
    if (index < doc.pages.size())
        paintPage(painter, doc, doc.pages[index]);
}

void paintPage(QPainter& painter, const PageDescription& doc, const Page& page)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    for (const PageItem& item : page.items) {
        if (const auto* t = std::get_if<TextItem>(&item))
            paintText(painter, doc, *t);
        else if (const auto* l = std::get_if<LineItem>(&item))
            paintLine(painter, *l);
        else if (const auto* r = std::get_if<RectItem>(&item))
            paintRect(painter, *r);
        else if (const auto* s = std::get_if<SymbolItem>(&item)) {
            if (s->symbol < doc.symbols.size())
                paintSymbol(painter, doc, *s, doc.symbols[s->symbol]);
        } else if (const auto* i = std::get_if<ImageItem>(&item))
            paintImage(painter, doc, *i);
    }
    painter.restore();
}

} // namespace quorvel::report
