#include "report/outputs/PageDump.h"

#include "report/engine/PageDescription.h"

namespace quorvel::report {

namespace {

QString n(double v)
{
    QString s = QString::number(v, 'f', 2);
    return s == u"-0.00" ? QStringLiteral("0.00") : s;
}

QString rgb(Rgb c)
{
    return QStringLiteral("#%1%2%3")
        .arg(c.r, 2, 16, QLatin1Char('0'))
        .arg(c.g, 2, 16, QLatin1Char('0'))
        .arg(c.b, 2, 16, QLatin1Char('0'));
}

QString font(const PageDescription& doc, std::uint32_t index)
{
    const FontSpec& f = doc.fonts.at(index);
    QString s = f.family + QLatin1Char(' ') + QString::number(f.sizePt);
    if (f.bold)
        s += QStringLiteral(" bold");
    if (f.italic)
        s += QStringLiteral(" italic");
    return s;
}

} // namespace

QString dumpPage(const PageDescription& doc, std::size_t index)
{
    const Page& page = doc.pages.at(index);
    QString out = QStringLiteral("page %1 x %2\n").arg(n(page.widthPt), n(page.heightPt));
    for (const PageItem& item : page.items) {
        if (const auto* t = std::get_if<TextItem>(&item)) {
            out += QStringLiteral("text %1,%2 [%3] %4").arg(n(t->xPt), n(t->baselinePt), font(doc, t->font), rgb(t->color));
            if (t->rotation)
                out += QStringLiteral(" rot%1").arg(t->rotation);
            out += QStringLiteral(" \"%1\"\n").arg(t->text);
        } else if (const auto* l = std::get_if<LineItem>(&item)) {
            out += QStringLiteral("line %1,%2 %3,%4 w%5 %6\n")
                       .arg(n(l->x1Pt), n(l->y1Pt), n(l->x2Pt), n(l->y2Pt), n(l->widthPt), rgb(l->color));
        } else if (const auto* r = std::get_if<RectItem>(&item)) {
            out += QStringLiteral("rect %1,%2 %3x%4").arg(n(r->xPt), n(r->yPt), n(r->widthPt), n(r->heightPt));
            if (r->strokePt > 0)
                out += QStringLiteral(" stroke %1 %2").arg(n(r->strokePt), rgb(r->stroke));
            if (r->filled)
                out += QStringLiteral(" fill %1").arg(rgb(r->fill));
            out += QLatin1Char('\n');
        } else if (const auto* s = std::get_if<SymbolItem>(&item)) {
            const Symbol& sym = doc.symbols.at(s->symbol);
            out += QStringLiteral("symbol %1,%2 %3x%4").arg(n(s->xPt), n(s->yPt), n(sym.widthPt), n(sym.heightPt));
            if (!sym.error.isEmpty()) {
                out += QStringLiteral(" error \"%1\"\n").arg(sym.error);
                continue;
            }
            out += QStringLiteral(" bars %1").arg(sym.bars.size());
            for (const Symbol::Caption& c : sym.captions)
                out += QStringLiteral(" \"%1\"").arg(c.text);
            out += QLatin1Char('\n');
        } else if (const auto* i = std::get_if<ImageItem>(&item)) {
            const Image& img = doc.images.at(i->image);
            out += QStringLiteral("image %1,%2 %3x%4 %5x%6px\n")
                       .arg(n(i->xPt), n(i->yPt), n(i->widthPt), n(i->heightPt))
                       .arg(img.widthPx)
                       .arg(img.heightPx);
        }
    }
    return out;
}

} // namespace quorvel::report
