// Draws definition items into pages of a page description. Fonts, bar code symbols and images
// are stored once per document and shared by every item that uses them, so each distinct bar
// code is encoded once per run.
#pragma once

#include "report/engine/Definition.h"
#include "report/engine/PageDescription.h"
#include "report/engine/TextMeasure.h"

#include <QHash>

#include <functional>
#include <optional>
#include <unordered_map>

namespace quorvel::report {

class MessageSink;

inline constexpr double kPtPerMm = 72.0 / 25.4;

class PageBuilder
{
public:
    /// Resolves a text or bar code item's value from its source.
    using Resolver = std::function<QString(Source, const QString&)>;

    /// `messages` hears once per run about an image file that cannot be read.
    PageBuilder(PageDescription& doc, MessageSink& messages);

    /// Draws `item` with the item's millimetres taken from (originXPt, originYPt). Returns false
    /// when nothing was drawn (an empty text, an unreadable image).
    bool draw(Page& page, const ItemDef& item, double originXPt, double originYPt, const Resolver& resolve);

    /// The resolution that bar codes drawn from now on are laid out for (see layoutDpi).
    void setDpi(int dpi) { m_dpi = dpi; }
    int dpi() const { return m_dpi; }

    std::uint32_t font(const FontSpec& spec);
    std::uint32_t symbol(const QString& data, const BarcodeOptions& options, double boxWidthPt, double boxHeightPt);
    std::optional<std::uint32_t> image(const QString& path);
    TextMeasure& measure() { return m_measure; }

private:
    bool drawText(Page& page, const TextDef& t, double ox, double oy, const QString& text);

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
    std::unordered_map<FontSpec, std::uint32_t, FontHash> m_fonts;
    std::unordered_map<SymbolKey, std::uint32_t, SymbolHash> m_symbols;
    std::unordered_map<QString, std::optional<std::uint32_t>> m_images;
};

} // namespace quorvel::report
