// The value that layout produces and every output only draws: pages of positioned items.
// Units are points (1/72 inch), origin at the top-left corner of the page, y growing down.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace quorvel::report {

struct Rgb
{
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct FontSpec
{
    QString family;   ///< as the definition names it ("Arial", "Helvetica", ...)
    double sizePt = 10;
    bool bold = false;
    bool italic = false;
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

enum class Orientation : std::uint8_t { Portrait, Landscape };

/// Printing properties a definition gives its pages; empty or zero means "the printer's default".
struct PrintSettings
{
    QString printerName;
    int copies = 0;
    QString paperName;    ///< "A4", "Letter", "Custom" ...
    Orientation orientation = Orientation::Portrait;
    int bin = 0;          ///< 0: default source
    int quality = 0;      ///< dpi, 0: default
    friend bool operator==(const PrintSettings&, const PrintSettings&) = default;
};

/// A run of text drawn from its baseline origin. Rotation turns the run counter-clockwise
/// about that origin, in steps of 90 degrees.
struct TextItem
{
    double xPt = 0, baselinePt = 0;
    std::uint32_t font = 0;   ///< index into PageDescription::fonts
    Rgb color;
    std::uint16_t rotation = 0;
    QString text;
    friend bool operator==(const TextItem&, const TextItem&) = default;
};

struct LineItem
{
    double x1Pt = 0, y1Pt = 0, x2Pt = 0, y2Pt = 0;
    double widthPt = 0.5;
    Rgb color;
    friend bool operator==(const LineItem&, const LineItem&) = default;
};

struct RectItem
{
    double xPt = 0, yPt = 0, widthPt = 0, heightPt = 0;
    double strokePt = 0;      ///< 0: no outline
    Rgb stroke;
    bool filled = false;
    Rgb fill;
    friend bool operator==(const RectItem&, const RectItem&) = default;
};

/// A bar code symbol placed on a page; the symbol itself is stored once per document.
struct SymbolItem
{
    double xPt = 0, yPt = 0;  ///< top-left corner of the symbol's box
    std::uint32_t symbol = 0; ///< index into PageDescription::symbols
    friend bool operator==(const SymbolItem&, const SymbolItem&) = default;
};

struct ImageItem
{
    double xPt = 0, yPt = 0, widthPt = 0, heightPt = 0;
    std::uint32_t image = 0;  ///< index into PageDescription::images
    friend bool operator==(const ImageItem&, const ImageItem&) = default;
};

using PageItem = std::variant<TextItem, LineItem, RectItem, SymbolItem, ImageItem>;

struct Page
{
    double widthPt = 595.276, heightPt = 841.89;   // A4
    std::vector<PageItem> items;
    friend bool operator==(const Page&, const Page&) = default;
};

/// An encoded bar code: filled bars and its human-readable text, relative to the symbol's box.
/// A symbol whose data could not be encoded carries the encoder's error text instead of bars;
/// outputs draw it as a marked box so a wrong code is never printed.
struct Symbol
{
    double widthPt = 0, heightPt = 0;
    struct Bar { double xPt, yPt, widthPt, heightPt; friend bool operator==(const Bar&, const Bar&) = default; };
    /// xPt is the left end of the text's baseline, as for TextItem.
    struct Caption { double xPt, baselinePt; QString text; friend bool operator==(const Caption&, const Caption&) = default; };
    std::vector<Bar> bars;
    std::vector<Caption> captions;
    std::uint32_t captionFont = 0;  ///< index into PageDescription::fonts
    QString error;                  ///< non-empty: not encodable, bars is empty
    friend bool operator==(const Symbol&, const Symbol&) = default;
};

struct Image
{
    QByteArray encoded;   ///< the file's bytes as read (JPEG or PNG)
    int widthPx = 0, heightPx = 0;
    friend bool operator==(const Image&, const Image&) = default;
};

struct PageDescription
{
    QString title;                ///< recorded with the pages: "Etiquetas"
    PrintSettings print;
    std::vector<FontSpec> fonts;
    std::vector<Symbol> symbols;
    std::vector<Image> images;
    std::vector<Page> pages;
    friend bool operator==(const PageDescription&, const PageDescription&) = default;
};

} // namespace quorvel::report
