// The bar code symbologies a definition can name, one row each: how zint encodes it, which data
// it takes without zint altering it, its quiet zones and its human-readable text. The reader, the
// encoder and check-definition read these rows and nothing else: a new symbology is a new row.
#pragma once

#include <QString>
#include <QAnyStringView>
#include <QStringView>

#include <cstdint>
#include <span>

namespace quorvel::report {

struct Symbology
{
    /// Linear: bars as tall as the definition asks. Matrix: square modules in rows and columns.
    enum class Shape : std::uint8_t { Linear, Matrix };

    /// What scanners need around the symbol, in modules.
    struct QuietZones
    {
        int left = 0, right = 0, top = 0, bottom = 0;
    };

    const char* name = "";              ///< the definition's type="..."
    Shape shape = Shape::Linear;
    int zint = 0;                       ///< zint's symbology
    int zintChecked = 0;                ///< zint's symbology for data of checkedLength; 0: always `zint`
    qsizetype checkedLength = 0;
    int zintOption3 = 0;                ///< zint's option_3 (Data Matrix: square sizes only)
    /// Why `data` cannot be encoded as it is (zint would refuse or alter it); empty when zint may try.
    QString (*refusal)(const QString& data) = nullptr;
    /// `data` as zint gets it, a missing check digit added; null: as it is.
    QString (*prepared)(const QString& data) = nullptr;
    /// Only for "auto": the row `data` stands for.
    const Symbology& (*resolved)(const QString& data) = nullptr;
    bool barHeight = true;              ///< the definition sets the bar height; false: the symbology fixes it
    bool text = true;                   ///< human-readable text by default; false: the row draws none
    QuietZones quietZones;
    bool retailModule = false;          ///< EAN/UPC: the module may not fall under kMinEanModuleMm
    bool fitChecked = true;             ///< check-definition checks the symbol's box and quiet zones
    bool digitalLink = false;           ///< takes gs1-digital-link="yes"
    const char* sample = "7891234567895";   ///< a field's or parameter's code as check-definition tries it

    int zintFor(qsizetype length) const { return zintChecked && length == checkedLength ? zintChecked : zint; }
};

/// Every row, in the order a definition's error lists them.
std::span<const Symbology> symbologies();

/// The row named `name` (letter case aside); null when there is none.
const Symbology* symbologyNamed(QAnyStringView name);

/// "auto": EAN-13 for 12 or 13 digits, otherwise Code 128.
const Symbology& defaultSymbology();

/// The row `data` is encoded with: `s`, or for "auto" the row it stands for.
const Symbology& resolvedSymbology(const Symbology& s, const QString& data);

/// The GTIN-13 check digit of `digits` (12 digits, or 7 for EAN-8 alike).
QChar eanCheckDigit(QStringView digits);

} // namespace quorvel::report
