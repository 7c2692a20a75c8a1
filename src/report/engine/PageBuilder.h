// Draws definition items into pages of a page description: where a definition's lengths become
// the page's points, stretched by the print system's scale. Fonts, bar code symbols and images
// are stored once per document and shared by every item that uses them, so each distinct bar
// code is encoded once per run.
#pragma once

#include "report/engine/Definition.h"
#include "report/engine/PageDescription.h"
#include "report/engine/TextMeasure.h"

#include <QHash>

#include <algorithm>
#include <functional>
#include <optional>
#include <unordered_map>

namespace quorvel::report {

class MessageSink;
class ReportSystem;

class PageBuilder
{
public:
    /// Resolves a text or bar code item's value from its source.
    using Resolver = std::function<QString(Source, const QString&)>;

    /// `messages` hears once per run about an image file that cannot be read.
    PageBuilder(PageDescription& doc, MessageSink& messages);

    /// Draws `item` with its positions taken from (originX, originY), measured from the page's
    /// top-left corner. Returns false when nothing was drawn (an empty text, an unreadable image).
    bool draw(Page& page, const ItemDef& item, Length originX, Length originY, const Resolver& resolve);

    /// Stretches what is drawn from now on by the print system's ScaleX and ScaleY percentages,
    /// about the page's top-left corner; 100 and 100 leave the layout as designed. Text sizes and
    /// line widths follow the smaller of the two, so a text still fits its stretched box.
    /// Fails on a scale of 0 or less, and on a UnitsFactor other than 1: every length of a
    /// definition names its own unit, so there is nothing another factor could apply to.
    void setScale(const ReportSystem& system);

    /// The resolution that bar codes drawn from now on are laid out for (see layoutDpi).
    void setDpi(int dpi) { m_dpi = dpi; }
    int dpi() const { return m_dpi; }

    std::uint32_t font(const FontSpec& spec);
    std::uint32_t symbol(const QString& data, const BarcodeOptions& options, double boxWidthPt, double boxHeightPt);
    std::optional<std::uint32_t> image(const QString& path);
    TextMeasure& measure() { return m_measure; }

private:
    bool drawText(Page& page, const TextDef& t, Length ox, Length oy, const QString& text);
    double across(Length v) const { return v.pt() * m_scaleX; }
    double down(Length v) const { return v.pt() * m_scaleY; }
    double size(double pt) const { return pt * std::min(m_scaleX, m_scaleY); }

    struct FontHash
    {
        std::size_t operator()(const FontSpec& f) const noexcept;
    };
    /// What makes two bar code symbols the same drawing.
    struct SymbolKey
    {
        QString data;
        BarcodeOptions options;
        double boxWidthPt = 0, boxHeightPt = 0;
        int dpi = 0;
        friend bool operator==(const SymbolKey&, const SymbolKey&) = default;
    };
    struct SymbolHash
    {
        std::size_t operator()(const SymbolKey& k) const noexcept;
    };

    PageDescription& m_doc;
    MessageSink& m_messages;
    TextMeasure m_measure;
    int m_dpi = 300;
    double m_scaleX = 1, m_scaleY = 1;
    std::unordered_map<FontSpec, std::uint32_t, FontHash> m_fonts;
    std::unordered_map<SymbolKey, std::uint32_t, SymbolHash> m_symbols;
    std::unordered_map<QString, std::optional<std::uint32_t>> m_images;
};

} // namespace quorvel::report
