#include "report/engine/PageBuilder.h"

#include "report/engine/BarcodeEncoder.h"
#include "report/engine/DeviceGrid.h"
#include "report/engine/MessageSink.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QBuffer>

#include <cmath>

namespace quorvel::report {

PageBuilder::PageBuilder(PageDescription& doc, MessageSink& messages) : m_doc(doc), m_messages(messages) {}

// qHash takes 0 and -0 alike, as their == does.
std::size_t PageBuilder::FontHash::operator()(const FontSpec& f) const noexcept
{
    return qHashMulti(0, f.family, f.sizePt, f.bold, f.italic);
}

std::size_t PageBuilder::SymbolHash::operator()(const SymbolKey& k) const noexcept
{
    const BarcodeOptions& o = k.options;
    return qHashMulti(0, k.data, static_cast<int>(o.kind), o.barHeightMm, o.moduleMm, o.humanReadable, o.quietZones,
                      k.boxWidthPt, k.boxHeightPt, k.dpi);
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
    encoded.symbol.captionFont = font(encoded.symbol.error.isEmpty() ? encoded.captionFont
                                                                      : FontSpec{QStringLiteral("Helvetica"), 6, false, false});
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

bool PageBuilder::drawText(Page& page, const TextDef& t, double ox, double oy, const QString& text)
{
    if (text.isEmpty())
        return false;
    const double x = ox + t.box.xMm * kPtPerMm, y = oy + t.box.yMm * kPtPerMm;
    const double w = t.box.widthMm * kPtPerMm, h = t.box.heightMm * kPtPerMm;
    const bool upright = t.rotation == 0 || t.rotation == 180;
    const double along = upright ? w : h, across = upright ? h : w;

    FontSpec f = t.font;
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
        v = (across - ascent - descent) / 2 + ascent;
    else if (t.valign == VAlign::Bottom)
        v = across - descent;

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

bool PageBuilder::draw(Page& page, const ItemDef& def, double ox, double oy, const Resolver& resolve)
{
    if (const auto* t = std::get_if<TextDef>(&def))
        return drawText(page, *t, ox, oy, resolve(t->source, t->value));
    if (const auto* b = std::get_if<BarcodeDef>(&def)) {
        const double w = b->box.widthMm * kPtPerMm, h = b->box.heightMm * kPtPerMm;
        const std::uint32_t index = symbol(resolve(b->source, b->value), b->options, w, h);
        const Symbol& s = m_doc.symbols[index];
        double dx = 0;
        if (b->align == HAlign::Center)
            dx = (w - s.widthPt) / 2;
        else if (b->align == HAlign::Right)
            dx = w - s.widthPt;
        // The symbol's origin on the dot grid of the page: its bars are whole dots from there.
        const double dot = dotPt(m_dpi);
        page.items.emplace_back(SymbolItem{wholeDots(ox + b->box.xMm * kPtPerMm + dx, m_dpi) * dot,
                                           wholeDots(oy + b->box.yMm * kPtPerMm, m_dpi) * dot, index});
        return true;
    }
    if (const auto* l = std::get_if<LineDef>(&def)) {
        page.items.emplace_back(LineItem{ox + l->x1Mm * kPtPerMm, oy + l->y1Mm * kPtPerMm, ox + l->x2Mm * kPtPerMm,
                                         oy + l->y2Mm * kPtPerMm, l->widthMm * kPtPerMm, l->color});
        return true;
    }
    if (const auto* r = std::get_if<RectDef>(&def)) {
        page.items.emplace_back(RectItem{ox + r->box.xMm * kPtPerMm, oy + r->box.yMm * kPtPerMm,
                                         r->box.widthMm * kPtPerMm, r->box.heightMm * kPtPerMm,
                                         r->strokeMm * kPtPerMm, r->stroke, r->filled, r->fill});
        return true;
    }
    const auto& i = std::get<ImageDef>(def);
    auto index = image(i.path);
    if (!index)
        return false;
    page.items.emplace_back(ImageItem{ox + i.box.xMm * kPtPerMm, oy + i.box.yMm * kPtPerMm,
                                      i.box.widthMm * kPtPerMm, i.box.heightMm * kPtPerMm, *index});
    return true;
}

} // namespace quorvel::report
