#include "report/engine/DefinitionCheck.h"

#include "report/engine/BarcodeEncoder.h"
#include "report/engine/DeviceGrid.h"
#include "report/engine/TextMeasure.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace quorvel::report {

namespace {

constexpr double kEpsMm = 1e-6;

struct RectMm
{
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool overlaps(const RectMm& o) const
    {
        return x0 < o.x1 - kEpsMm && o.x0 < x1 - kEpsMm && y0 < o.y1 - kEpsMm && o.y0 < y1 - kEpsMm;
    }
    bool inside(double width, double height) const
    {
        return x0 >= -kEpsMm && y0 >= -kEpsMm && x1 <= width + kEpsMm && y1 <= height + kEpsMm;
    }
};

RectMm rectOf(const Box& b) { return {b.x.mm(), b.y.mm(), (b.x + b.width).mm(), (b.y + b.height).mm()}; }

QString mm(double v) { return QString::number(std::round(v * 1000) / 1000, 'f', 3).remove(QRegularExpression(QStringLiteral("\\.?0+$"))) + QStringLiteral(" mm"); }

QString hex(Rgb c) { return QStringLiteral("#%1%2%3").arg(c.r, 2, 16, QLatin1Char('0')).arg(c.g, 2, 16, QLatin1Char('0')).arg(c.b, 2, 16, QLatin1Char('0')); }

bool blackOrWhite(Rgb c) { return c == Rgb{0, 0, 0} || c == Rgb{255, 255, 255}; }

qint64 lineOf(const ItemDef& item)
{
    return std::visit([](const auto& i) { return i.line.number; }, item);
}

const char* kindOf(const ItemDef& item)
{
    switch (item.index()) {
    case 0: return "text";
    case 1: return "barcode";
    case 2: return "line";
    case 3: return "rect";
    default: return "image";
    }
}

/// Where an item lies, for "outside its label": its box, or a line's end points.
RectMm extentOf(const ItemDef& item)
{
    return std::visit([](const auto& i) -> RectMm {
        if constexpr (std::is_same_v<std::decay_t<decltype(i)>, LineDef>)
            return {std::min(i.x1.mm(), i.x2.mm()), std::min(i.y1.mm(), i.y2.mm()), std::max(i.x1.mm(), i.x2.mm()),
                    std::max(i.y1.mm(), i.y2.mm())};
        else
            return rectOf(i.box);
    }, item);
}

/// Where an item puts ink, for overlaps; a hollow rectangle only along its outline.
std::vector<RectMm> inkOf(const ItemDef& item)
{
    if (const auto* l = std::get_if<LineDef>(&item)) {
        const double half = l->width.mm() / 2;
        const RectMm e = extentOf(item);
        return {{e.x0 - half, e.y0 - half, e.x1 + half, e.y1 + half}};
    }
    if (const auto* r = std::get_if<RectDef>(&item)) {
        const RectMm b = rectOf(r->box);
        if (r->filled)
            return {b};
        if (r->strokeWidth <= Length())
            return {};
        const double h = r->strokeWidth.mm() / 2;
        return {{b.x0 - h, b.y0 - h, b.x1 + h, b.y0 + h}, {b.x0 - h, b.y1 - h, b.x1 + h, b.y1 + h},
                {b.x0 - h, b.y0 - h, b.x0 + h, b.y1 + h}, {b.x1 - h, b.y0 - h, b.x1 + h, b.y1 + h}};
    }
    return {extentOf(item)};
}

class Checker
{
public:
    Checker(int deviceDpi, TextMeasure& measure, const FieldWidths& fieldWidths)
        : m_deviceDpi(deviceDpi), m_measure(measure), m_fieldWidths(fieldWidths)
    {
    }

    void page(const PageDef& page)
    {
        m_dpi = layoutDpi(page.print.quality, m_deviceDpi);
        const int named = page.print.quality > 0 ? page.print.quality : m_deviceDpi;
        m_thermal = named > 0 && named <= 300;
        const double width = (page.width - page.marginLeft - page.marginRight).mm();
        const double height = (page.height - page.marginTop - page.marginBottom).mm();
        items(page.items, width, height, "the page's margins");
        if (!page.region)
            return;
        const RegionDef& r = *page.region;
        const double across = (r.x + r.columns * r.labelWidth + (r.columns - 1) * r.columnGap).mm();
        const double down = (r.y + r.rows * r.labelHeight + (r.rows - 1) * r.rowGap).mm();
        if (r.x.mm() < -kEpsMm || r.y.mm() < -kEpsMm || across > width + kEpsMm || down > height + kEpsMm)
            error(r.line.number, QStringLiteral("the labels reach outside the page: %1 x %2 labels end at %3 across and %4 down, "
                                                "the page has %5 x %6 inside its margins")
                                     .arg(r.columns).arg(r.rows).arg(mm(across), mm(down), mm(width), mm(height)));
        items(r.items, r.labelWidth.mm(), r.labelHeight.mm(), "its label");
    }

    std::vector<DefinitionFinding> findings;

private:
    void error(qint64 line, const QString& reason) { findings.push_back({DefinitionFinding::Severity::Error, line, reason}); }
    void warning(qint64 line, const QString& reason) { findings.push_back({DefinitionFinding::Severity::Warning, line, reason}); }

    void items(const std::vector<ItemDef>& list, double width, double height, const char* container)
    {
        for (std::size_t i = 0; i < list.size(); ++i) {
            const ItemDef& item = list[i];
            const qint64 line = lineOf(item);
            if (!extentOf(item).inside(width, height))
                error(line, QStringLiteral("%1 reaches outside %2 (%3 x %4)").arg(QLatin1String(kindOf(item)), QLatin1String(container), mm(width), mm(height)));
            if (m_thermal)
                thermal(item, line);
            if (const auto* t = std::get_if<TextDef>(&item))
                fieldFits(*t, line);
            if (const auto* b = std::get_if<BarcodeDef>(&item))
                barcode(*b, list, i, width, height, container);
        }
    }

    // A field's full width in capitals of middling width: narrower letters fit, and a box that
    // cannot take these cuts a value the table keeps whole.
    void fieldFits(const TextDef& t, qint64 line)
    {
        if (t.source != Source::Field || t.shrinkToFit)
            return;
        const auto width = m_fieldWidths.find(t.value.toLower());
        if (width == m_fieldWidths.end() || width->second <= 0)
            return;
        const double availableMm = (t.rotation == 90 || t.rotation == 270 ? t.box.height : t.box.width).mm();
        const double needMm = Length::fromPt(m_measure.widthPt(t.font, QString(width->second, QLatin1Char('N')))).mm();
        if (needMm > availableMm + kEpsMm)
            warning(line, QStringLiteral("the text box of field '%1' is %2 long: its %3 characters at %4 pt need up to %5, "
                                         "and without shrink-to-fit the label cuts them")
                              .arg(t.value, mm(availableMm))
                              .arg(width->second)
                              .arg(t.font.sizePt)
                              .arg(mm(needMm)));
    }

    void colour(qint64 line, const char* what, Rgb c)
    {
        if (!blackOrWhite(c))
            error(line, QStringLiteral("%1 in grey or colour (%2) on a %3-dpi page: a thermal head prints black dots only")
                            .arg(QLatin1String(what), hex(c)).arg(m_dpi));
    }

    void thermal(const ItemDef& item, qint64 line)
    {
        if (const auto* t = std::get_if<TextDef>(&item)) {
            colour(line, "text", t->color);
            if (t->font.sizePt < kMinThermalTextPt)
                error(line, QStringLiteral("text of %1 pt on a %2-dpi page: under %3 pt a thermal head cannot print it legibly")
                                .arg(t->font.sizePt).arg(m_dpi).arg(kMinThermalTextPt));
        } else if (const auto* l = std::get_if<LineDef>(&item)) {
            colour(line, "line", l->color);
        } else if (const auto* r = std::get_if<RectDef>(&item)) {
            if (r->strokeWidth > Length())
                colour(line, "outline", r->stroke);
            if (r->filled)
                colour(line, "fill", r->fill);
        }
    }

    void barcode(const BarcodeDef& b, const std::vector<ItemDef>& list, std::size_t self, double width, double height,
                 const char* container)
    {
        const qint64 line = b.line.number;
        const QString data = b.source == Source::Literal ? b.value : QString::fromLatin1(b.options.symbology->sample);
        const Symbology& row = resolvedSymbology(*b.options.symbology, data);
        const double dotMm = 25.4 / m_dpi;
        if (b.options.moduleMm > 0) {
            // A module written to a thousandth of a millimetre counts as the whole dots it stands for.
            const double exact = b.options.moduleMm / dotMm;
            const int dots = moduleDots(b.options.moduleMm, m_dpi);
            if (b.options.moduleMm < dotMm - 0.0005 - kEpsMm)
                error(line, QStringLiteral("module %1 is under one dot at %2 dpi (%3)").arg(mm(b.options.moduleMm)).arg(m_dpi).arg(mm(dotMm)));
            else if (std::abs(b.options.moduleMm - dots * dotMm) > 0.0005 + kEpsMm)
                warning(line, QStringLiteral("module %1 is %2 dots at %3 dpi: printed as %4 dot(s), %5")
                                  .arg(mm(b.options.moduleMm), QString::number(exact, 'f', 2)).arg(m_dpi).arg(dots).arg(mm(dots * dotMm)));
        }
        if (!row.fitChecked)
            return;
        const double boxWidthMm = b.box.width.mm(), boxHeightMm = b.box.height.mm();
        const EncodedSymbol encoded = encodeBarcode(data, b.options, b.box.width.pt(), b.box.height.pt(), m_dpi, m_measure);
        const Symbol& s = encoded.symbol;
        if (!s.error.isEmpty()) {
            error(line, QStringLiteral("the bar code cannot be encoded: %1").arg(s.error));
            return;
        }
        const double moduleMm = encoded.moduleDots * dotMm;
        if (row.retailModule && moduleMm < kMinEanModuleMm - kEpsMm)
            error(line, QStringLiteral("EAN/UPC X-dimension %1 (%2 dot(s) at %3 dpi) is under 80 % of the nominal 0.33 mm (%4)")
                            .arg(mm(moduleMm)).arg(encoded.moduleDots).arg(m_dpi).arg(mm(kMinEanModuleMm)));
        if (m_thermal && b.options.humanReadable && !s.captions.empty() && encoded.captionFont.sizePt < kMinThermalTextPt)
            error(line, QStringLiteral("the digits under the bars are %1 pt on a %2-dpi page: under %3 pt a thermal head cannot print them legibly")
                            .arg(encoded.captionFont.sizePt).arg(m_dpi).arg(kMinThermalTextPt));
        const QString what = b.source == Source::Literal ? QStringLiteral("\"%1\"").arg(data) : QStringLiteral("a code of %1 digits").arg(data.size());
        const double symbolMm = Length::fromPt(s.widthPt).mm();
        if (symbolMm > boxWidthMm + kEpsMm) {
            error(line, QStringLiteral("the bar-code box is too narrow: %1 needs %2 at a module of %3, the box is %4")
                            .arg(what, mm(symbolMm), mm(moduleMm), mm(boxWidthMm)));
            return;
        }
        // A bar code's bars are as tall as the definition asks; a 2-D symbol is as tall as it is wide.
        const double symbolHeightMm = Length::fromPt(s.heightPt).mm();
        if (row.shape == Symbology::Shape::Matrix && symbolHeightMm > boxHeightMm + kEpsMm) {
            error(line, QStringLiteral("the bar-code box is too low: %1 needs %2 at a module of %3, the box is %4")
                            .arg(what, mm(symbolHeightMm), mm(moduleMm), mm(boxHeightMm)));
            return;
        }
        const Symbology::QuietZones q = row.quietZones;
        double dx = 0;
        if (b.align == HAlign::Center)
            dx = (boxWidthMm - symbolMm) / 2;
        else if (b.align == HAlign::Right)
            dx = boxWidthMm - symbolMm;
        double left = 1e9, right = -1e9, top = 1e9, bottom = -1e9;
        for (const auto& bar : s.bars) {
            left = std::min(left, bar.xPt);
            right = std::max(right, bar.xPt + bar.widthPt);
            top = std::min(top, bar.yPt);
            bottom = std::max(bottom, bar.yPt + bar.heightPt);
        }
        const double boxX = b.box.x.mm(), boxY = b.box.y.mm();
        const double x0 = boxX + dx + Length::fromPt(left).mm(), x1 = boxX + dx + Length::fromPt(right).mm();
        const RectMm zones{x0 - q.left * moduleMm, boxY + Length::fromPt(top).mm() - q.top * moduleMm, x1 + q.right * moduleMm,
                           boxY + Length::fromPt(bottom).mm() + q.bottom * moduleMm};
        const bool allSides = q.top == q.left && q.bottom == q.left && q.right == q.left;
        const QString which = allSides
            ? QStringLiteral("the quiet zones (%1 %2 on each side, %3)")
                  .arg(q.left).arg(q.left == 1 ? QStringLiteral("module") : QStringLiteral("modules"), mm(q.left * moduleMm))
            : QStringLiteral("the quiet zones (%1 modules left, %2 right, %3 and %4)")
                  .arg(q.left).arg(q.right).arg(mm(q.left * moduleMm), mm(q.right * moduleMm));
        if (!zones.inside(width, height))
            error(line, QStringLiteral("%1 reach past the edge of %2").arg(which, QLatin1String(container)));
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (i == self)
                continue;
            for (const RectMm& ink : inkOf(list[i]))
                if (zones.overlaps(ink)) {
                    error(line, QStringLiteral("%1 overlap the %2 on line %3").arg(which, QLatin1String(kindOf(list[i]))).arg(lineOf(list[i])));
                    break;
                }
        }
    }

    int m_deviceDpi;
    TextMeasure& m_measure;
    const FieldWidths& m_fieldWidths;
    int m_dpi = kFileDpi;
    bool m_thermal = false;
};

} // namespace

std::vector<DefinitionFinding> checkDefinition(const Definition& def, int deviceDpi, TextMeasure& measure,
                                               const FieldWidths& fieldWidths)
{
    Checker checker(deviceDpi, measure, fieldWidths);
    std::vector<const PageDef*> pages;
    for (const PageDef& p : def.sharedPages)
        pages.push_back(&p);
    for (const ReportDef& r : def.reports)
        for (const PageEntry& e : r.pages)
            if (const auto* p = std::get_if<PageDef>(&e.page))
                pages.push_back(p);
    std::stable_sort(pages.begin(), pages.end(), [](const PageDef* a, const PageDef* b) { return a->line.number < b->line.number; });
    for (const PageDef* p : pages)
        checker.page(*p);
    std::stable_sort(checker.findings.begin(), checker.findings.end(),
                     [](const DefinitionFinding& a, const DefinitionFinding& b) { return a.line < b.line; });
    return std::move(checker.findings);
}

} // namespace quorvel::report
