#include "report/engine/PageBuilder.h"

#include "report/engine/BarcodeEncoder.h"
#include "report/engine/DeviceGrid.h"
#include "report/engine/ErrorBox.h"
#include "report/engine/MessageSink.h"
#include "report/engine/ReportSystem.h"
#include "table/Failure.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QBuffer>

#include <cmath>

namespace quorvel::report {

PageBuilder::PageBuilder(PageDescription& doc, MessageSink& messages) : m_doc(doc), m_messages(messages) {}

void PageBuilder::setScale(const ReportSystem& system)
{
    if (system.scaleX <= 0 || system.scaleY <= 0)
        throw Failure(QStringLiteral("The print system's scale must be above 0 %, not %1 % across and %2 % down.")
                          .arg(system.scaleX)
                          .arg(system.scaleY));
    if (system.unitsFactor != 1)
        throw Failure(QStringLiteral("The print system's units factor must be 1, not %1: a report definition gives "
                                     "every length in millimetres.")
                          .arg(system.unitsFactor));
    m_scaleX = system.scaleX / 100.0;
    m_scaleY = system.scaleY / 100.0;
}

// qHash takes 0 and -0 alike, as their == does.
std::size_t PageBuilder::FontHash::operator()(const FontSpec& f) const noexcept
{
    return qHashMulti(0, f.family, f.sizePt, f.bold, f.italic);
}

std::size_t PageBuilder::SymbolHash::operator()(const SymbolKey& k) const noexcept
{
    const BarcodeOptions& o = k.options;
    return qHashMulti(0, k.data, static_cast<const void*>(o.symbology), o.barHeightMm, o.moduleMm, o.humanReadable, o.quietZones,
                      o.gs1DigitalLink, k.boxWidthPt, k.boxHeightPt, k.dpi);
}

std::uint32_t PageBuilder::font(const FontSpec& spec)
{
    auto it = m_fonts.find(spec);
    if (it != m_fonts.end())
        return it->second;
    auto index = static_cast<std::uint32_t>(m_doc.fonts.size());
    m_doc.fonts.push_back(spec);
    m_fonts.emplace(spec, index);
    return index;
}

std::uint32_t PageBuilder::symbol(const QString& data, const BarcodeOptions& o, double boxWidthPt, double boxHeightPt)
{
    SymbolKey key{data, o, boxWidthPt, boxHeightPt, m_dpi};
    auto it = m_symbols.find(key);
    if (it != m_symbols.end())
        return it->second;
    EncodedSymbol encoded = encodeBarcode(data, o, boxWidthPt, boxHeightPt, m_dpi, m_measure);
    encoded.symbol.captionFont = font(encoded.symbol.error.isEmpty() ? encoded.captionFont : errorBoxFont());
    auto index = static_cast<std::uint32_t>(m_doc.symbols.size());
    m_doc.symbols.push_back(std::move(encoded.symbol));
    m_symbols.emplace(std::move(key), index);
    return index;
}

std::optional<std::uint32_t> PageBuilder::image(const QString& path)
{
    auto it = m_images.find(path);
    if (it != m_images.end())
        return it->second;
    std::optional<std::uint32_t> index;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_messages.showMessage(QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    } else {
        Image img;
        img.encoded = file.readAll();
        QBuffer buffer(&img.encoded);
        QImageReader reader(&buffer);
        const QByteArray format = reader.format();
        const QSize size = reader.size();
        if ((format != "jpeg" && format != "png") || !size.isValid()) {
            m_messages.showMessage(QStringLiteral("The image \"%1\" is not a JPEG or PNG file.").arg(QDir::toNativeSeparators(path)));
        } else {
            img.widthPx = size.width();
            img.heightPx = size.height();
            index = static_cast<std::uint32_t>(m_doc.images.size());
            m_doc.images.push_back(std::move(img));
        }
    }
    m_images.emplace(path, index);
    return index;
}

bool PageBuilder::drawText(Page& page, const TextDef& t, Length ox, Length oy, const QString& text)
{
    if (text.isEmpty())
        return false;
    const double x = across(ox) + across(t.box.x), y = down(oy) + down(t.box.y);
    const double w = across(t.box.width), h = down(t.box.height);
    const bool upright = t.rotation == 0 || t.rotation == 180;
    const double along = upright ? w : h, thick = upright ? h : w;

    FontSpec f = t.font;
    f.sizePt = size(f.sizePt);
    double width = m_measure.widthPt(f, text);
    if (t.shrinkToFit && along > 0 && width > along) {
        // Widths scale with the size: one step gives the size that fits, kept to tenths.
        f.sizePt = std::max(std::floor(f.sizePt * along / width * 10) / 10, 1.0);
        width = m_measure.widthPt(f, text);
    }
    const double ascent = m_measure.ascentPt(f), descent = m_measure.descentPt(f);
    double u = 0;
    if (t.align == HAlign::Center)
        u = (along - width) / 2;
    else if (t.align == HAlign::Right)
        u = along - width;
    double v = ascent;
    if (t.valign == VAlign::Middle)
        v = (thick - ascent - descent) / 2 + ascent;
    else if (t.valign == VAlign::Bottom)
        v = thick - descent;

    TextItem item;
    switch (t.rotation) {
    case 90: item.xPt = x + v; item.baselinePt = y + h - u; break;
    case 180: item.xPt = x + w - u; item.baselinePt = y + h - v; break;
    case 270: item.xPt = x + w - v; item.baselinePt = y + u; break;
    default: item.xPt = x + u; item.baselinePt = y + v; break;
    }
    item.font = font(f);
    item.color = t.color;
    item.rotation = t.rotation;
    item.text = text;
    page.items.emplace_back(std::move(item));
    return true;
}

bool PageBuilder::draw(Page& page, const ItemDef& def, Length ox, Length oy, const Resolver& resolve)
{
    if (const auto* t = std::get_if<TextDef>(&def))
        return drawText(page, *t, ox, oy, resolve(t->source, t->value));
    if (const auto* b = std::get_if<BarcodeDef>(&def)) {
        const double w = across(b->box.width), h = down(b->box.height);
        BarcodeOptions options = b->options;
        options.barHeightMm *= m_scaleY;
        options.moduleMm *= m_scaleX;
        const std::uint32_t index = symbol(resolve(b->source, b->value), options, w, h);
        const Symbol& s = m_doc.symbols[index];
        double dx = 0;
        if (b->align == HAlign::Center)
            dx = (w - s.widthPt) / 2;
        else if (b->align == HAlign::Right)
            dx = w - s.widthPt;
        // The symbol's origin on the dot grid of the page: its bars are whole dots from there.
        const double dot = dotPt(m_dpi);
        const SymbolItem placed{wholeDots(across(ox) + across(b->box.x) + dx, m_dpi) * dot,
                                wholeDots(down(oy) + down(b->box.y), m_dpi) * dot, index};
        page.items.emplace_back(placed);
        if (!s.error.isEmpty())
            appendErrorBox(page.items, placed, s, s.captionFont, m_measure);
        return true;
    }
    const double x0 = across(ox), y0 = down(oy);
    if (const auto* l = std::get_if<LineDef>(&def)) {
        page.items.emplace_back(LineItem{x0 + across(l->x1), y0 + down(l->y1), x0 + across(l->x2), y0 + down(l->y2),
                                         size(l->width.pt()), l->color});
        return true;
    }
    if (const auto* r = std::get_if<RectDef>(&def)) {
        page.items.emplace_back(RectItem{x0 + across(r->box.x), y0 + down(r->box.y), across(r->box.width),
                                         down(r->box.height), size(r->strokeWidth.pt()), r->stroke, r->filled, r->fill});
        return true;
    }
    const auto& i = std::get<ImageDef>(def);
    auto index = image(i.path);
    if (!index)
        return false;
    page.items.emplace_back(ImageItem{x0 + across(i.box.x), y0 + down(i.box.y), across(i.box.width), down(i.box.height), *index});
    return true;
}

} // namespace quorvel::report
