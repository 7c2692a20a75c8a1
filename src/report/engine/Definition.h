// A report definition as read from its file: stored parameters, data views, reports with their
// pages, label regions and items, and shared pages. Lengths are typed (Length.h) from the
// file's millimetres; only the bar-code options stay in millimetres, which the encoder turns
// into printer dots.
#pragma once

#include "report/engine/DataSetConnection.h"
#include "report/engine/Length.h"
#include "report/engine/PageDescription.h"
#include "report/engine/Symbology.h"

#include <QString>

#include <optional>
#include <utility>
#include <variant>
#include <vector>

namespace quorvel::report {

/// Where an item's text or bar code data comes from.
enum class Source : std::uint8_t { Literal, Field, Parameter };

enum class HAlign : std::uint8_t { Left, Center, Right };
enum class VAlign : std::uint8_t { Top, Middle, Bottom };

/// The line of the file an element starts on, kept for messages about the element. Where an
/// element stands never makes two definitions differ.
struct SourceLine
{
    qint64 number = 0;
    friend bool operator==(const SourceLine&, const SourceLine&) { return true; }
};

struct Box
{
    Length x, y, width, height;
    friend bool operator==(const Box&, const Box&) = default;
};

struct TextDef
{
    SourceLine line;
    Box box;
    Source source = Source::Literal;
    QString value;            ///< the literal text, or the field's or parameter's name
    FontSpec font{QStringLiteral("Arial"), 10, false, false};
    Rgb color;
    HAlign align = HAlign::Left;
    VAlign valign = VAlign::Top;
    std::uint16_t rotation = 0;   ///< 0, 90, 180 or 270, counter-clockwise
    bool shrinkToFit = false;
    friend bool operator==(const TextDef&, const TextDef&) = default;
};

struct BarcodeOptions
{
    const Symbology* symbology = &defaultSymbology();   ///< a row of symbologies(), never null
    double barHeightMm = 10;
    double moduleMm = 0;      ///< 0: the widest whole number of device dots that fits the box
    bool humanReadable = true;
    bool quietZones = true;
    /// A GTIN-13 encoded as its GS1 Digital Link address; only rows with digitalLink take it.
    bool gs1DigitalLink = false;
    friend bool operator==(const BarcodeOptions&, const BarcodeOptions&) = default;
};

struct BarcodeDef
{
    SourceLine line;
    Box box;
    Source source = Source::Field;
    QString value;
    BarcodeOptions options;
    HAlign align = HAlign::Center;
    friend bool operator==(const BarcodeDef&, const BarcodeDef&) = default;
};

struct LineDef
{
    SourceLine line;
    Length x1, y1, x2, y2;
    Length width = Length::fromMm(0.2);
    Rgb color;
    friend bool operator==(const LineDef&, const LineDef&) = default;
};

struct RectDef
{
    SourceLine line;
    Box box;
    Length strokeWidth = Length::fromMm(0.2);   ///< 0: no outline
    Rgb stroke;
    bool filled = false;
    Rgb fill;
    friend bool operator==(const RectDef&, const RectDef&) = default;
};

struct ImageDef
{
    SourceLine line;
    Box box;
    QString path;             ///< full path, resolved beside the definition file
    friend bool operator==(const ImageDef&, const ImageDef&) = default;
};

using ItemDef = std::variant<TextDef, BarcodeDef, LineDef, RectDef, ImageDef>;

enum class RegionOrder : std::uint8_t { AcrossThenDown, DownThenAcross };

/// The label stock on a page: rows x columns of labels, one label per row of a data view.
struct RegionDef
{
    SourceLine line;
    QString view;
    int rows = 1, columns = 1;
    Length labelWidth = Length::fromMm(50), labelHeight = Length::fromMm(30);
    Length columnGap, rowGap;
    Length x, y;              ///< top-left of the first label, from the page's margin corner
    RegionOrder order = RegionOrder::AcrossThenDown;
    std::vector<ItemDef> items;   ///< positions relative to the label's top-left corner
    friend bool operator==(const RegionDef&, const RegionDef&) = default;
};

struct PageDef
{
    SourceLine line;
    QString name;             ///< shared pages only
    Length width = Length::fromMm(210), height = Length::fromMm(297);   ///< as printed, orientation applied
    Length marginLeft, marginTop, marginRight, marginBottom;
    PrintSettings print;
    std::vector<ItemDef> items;   ///< positions from the margin corner
    std::optional<RegionDef> region;
    friend bool operator==(const PageDef&, const PageDef&) = default;
};

/// A page of a report: its own, or a reference to a shared page by name.
struct PageEntry
{
    std::variant<PageDef, QString> page;
    friend bool operator==(const PageEntry&, const PageEntry&) = default;
};

struct ReportDef
{
    QString name;
    std::vector<PageEntry> pages;
    friend bool operator==(const ReportDef&, const ReportDef&) = default;
};

struct DataViewDef
{
    QString name;
    QString connection;
    /// Declared fields; empty: the view takes every field the connection offers.
    std::vector<std::pair<QString, DataType>> fields;
    friend bool operator==(const DataViewDef&, const DataViewDef&) = default;
};

/// Where one print queue's pages move to (see QueueOffset).
struct PrinterDef
{
    SourceLine line;
    QString queue;
    Length offsetX, offsetY;
    friend bool operator==(const PrinterDef&, const PrinterDef&) = default;
};

struct Definition
{
    std::vector<std::pair<QString, QString>> parameters;   ///< stored with the definition
    QString lastActiveReport;
    std::vector<DataViewDef> views;
    std::vector<ReportDef> reports;
    std::vector<PageDef> sharedPages;
    std::vector<PrinterDef> printers;   ///< one a queue at most
    friend bool operator==(const Definition&, const Definition&) = default;

    /// One report ("Report1") of one blank A4 page: what a file of zero bytes gives.
    static Definition blank();
};

} // namespace quorvel::report
