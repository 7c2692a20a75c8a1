// The value that layout produces and every output only draws: pages of positioned items.
// Units are points (1/72 inch), origin at the top-left corner of the page, y growing down.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <memory>
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

/// Pages a layout can make again when they are asked for, rather than hold them all.
class PageSource
{
public:
    virtual ~PageSource() = default;
    virtual std::size_t count() const = 0;
    /// Page `index` (below count()), exactly as the layout first made it. May lay it out; fails
    /// as the layout does.
    virtual Page page(std::size_t index) const = 0;
};

/// The pages of a description: held, or made on demand by a source, of which the last few asked
/// for are kept. Reading an on-demand list is lazy: it lays the page out again through its run's
/// page function (which moves no data and gives the same page every time) and may fail as that
/// function does, for example once the run has ended; hold() first for a list that must outlive
/// its run. A change (adding, resizing, writing into a page) first makes every page and holds them.
class PageList
{
public:
    /// Pages made on demand that are kept; a page read from the list stays valid until this
    /// many other pages have been asked for.
    static constexpr std::size_t kKept = 8;

    PageList() = default;
    PageList(std::vector<Page> pages) : m_held(std::move(pages)) {}
    PageList(std::initializer_list<Page> pages) : m_held(pages) {}
    explicit PageList(std::shared_ptr<const PageSource> source) : m_source(std::move(source)) {}
    /// A copy starts with no pages made.
    PageList(const PageList& other) : m_held(other.m_held), m_source(other.m_source) {}
    PageList& operator=(const PageList& other)
    {
        if (this != &other) {
            m_held = other.m_held;
            m_source = other.m_source;
            m_kept.clear();
        }
        return *this;
    }
    PageList(PageList&&) noexcept = default;
    PageList& operator=(PageList&&) noexcept = default;

    bool onDemand() const { return m_source != nullptr; }
    std::size_t size() const { return m_source ? m_source->count() : m_held.size(); }
    bool empty() const { return size() == 0; }
    const Page& operator[](std::size_t index) const { return m_source ? made(index) : m_held[index]; }
    const Page& at(std::size_t index) const;
    const Page& front() const { return (*this)[0]; }
    const Page& back() const { return (*this)[size() - 1]; }

    class const_iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Page;
        using difference_type = std::ptrdiff_t;
        using pointer = const Page*;
        using reference = const Page&;
        const_iterator() = default;
        const_iterator(const PageList* list, std::size_t index) : m_list(list), m_index(index) {}
        reference operator*() const { return (*m_list)[m_index]; }
        pointer operator->() const { return &(*m_list)[m_index]; }
        const_iterator& operator++() { ++m_index; return *this; }
        const_iterator operator++(int) { const_iterator before = *this; ++m_index; return before; }
        friend bool operator==(const const_iterator& a, const const_iterator& b) { return a.m_index == b.m_index; }
    private:
        const PageList* m_list = nullptr;
        std::size_t m_index = 0;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

    // Changes: the pages are made and held first.
    Page& operator[](std::size_t index) { return held()[index]; }
    Page& at(std::size_t index) { return held().at(index); }
    Page& front() { return held().front(); }
    Page& back() { return held().back(); }
    std::vector<Page>::iterator begin() { return held().begin(); }
    std::vector<Page>::iterator end() { return held().end(); }
    void push_back(Page page) { held().push_back(std::move(page)); }
    template <class... Args>
    Page& emplace_back(Args&&... args) { return held().emplace_back(std::forward<Args>(args)...); }
    void resize(std::size_t n) { held().resize(n); }
    void resize(std::size_t n, const Page& page) { held().resize(n, page); }
    void reserve(std::size_t n) { held().reserve(n); }
    void clear();
    /// Makes every page now and holds it: a list made on demand that must outlive its run.
    void hold() { held(); }

    friend bool operator==(const PageList& a, const PageList& b);

private:
    const Page& made(std::size_t index) const;
    std::vector<Page>& held();

    std::vector<Page> m_held;
    std::shared_ptr<const PageSource> m_source;
    struct Kept
    {
        std::size_t index;
        std::shared_ptr<const Page> page;
    };
    mutable std::vector<Kept> m_kept;   ///< the pages last made, oldest first
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

/// How far the pages move on one print queue, to make up for where that printer puts them:
/// positive x moves them right, positive y down. Only that queue's jobs apply it.
struct QueueOffset
{
    QString queue;
    double xPt = 0, yPt = 0;
    friend bool operator==(const QueueOffset&, const QueueOffset&) = default;
};

struct PageDescription
{
    QString title;                ///< recorded with the pages: "Etiquetas"
    PrintSettings print;
    std::vector<QueueOffset> queueOffsets;
    std::vector<FontSpec> fonts;
    std::vector<Symbol> symbols;
    std::vector<Image> images;
    PageList pages;
    friend bool operator==(const PageDescription&, const PageDescription&) = default;
};

/// The offset `doc` gives `queue`; null when it gives none.
const QueueOffset* queueOffset(const PageDescription& doc, const QString& queue);

/// `page` with every item moved by `dxPt` across and `dyPt` down; its size stays.
Page shifted(const Page& page, double dxPt, double dyPt);

} // namespace quorvel::report
