// Bar codes as vectors through libzint: bars become filled rectangles and the human-readable
// text becomes captions, in points relative to the symbol's top-left corner. Data a symbology
// cannot encode is never altered: the symbol then carries an error text and no bars.
#pragma once

#include "report/engine/Definition.h"
#include "report/engine/PageDescription.h"

namespace quorvel::report {

class TextMeasure;

struct EncodedSymbol
{
    Symbol symbol;            ///< captionFont is left for the caller to index
    FontSpec captionFont;
    int moduleDots = 0;       ///< the module printed, in dots; 0 for a symbol that failed
};

/// A definition's module as printed at `dpi`: the nearest whole number of dots, at least one.
int moduleDots(double moduleMm, int dpi);

/// The symbology "auto" stands for: EAN-13 for 12 or 13 digits, otherwise Code 128.
BarcodeKind resolveKind(BarcodeKind kind, const QString& data);

/// Why `data` cannot be encoded as `kind` without altering it; empty when it can be tried.
QString validateBarcode(BarcodeKind kind, const QString& data);

/// The error text a symbol of `data` would carry in place of its bars, as the page shows it;
/// empty when the symbol prints. The checks encodeBarcode makes as it encodes (validation, then
/// zint's own), for whoever must know before a run (a wrong check digit is zint's "Error 275:
/// Invalid check digit ...").
QString barcodeError(const BarcodeOptions& options, const QString& data);

/// Encodes `data` for a printer of `dpi`: the module is options.moduleMm rounded to whole dots, or
/// with moduleMm 0 the widest whole number of dots whose symbol fits `boxWidthPt`; the bar height
/// is rounded to whole dots too. Every bar edge then lies on the dot grid of the symbol's origin.
/// Never throws for bad data; fails only when zint cannot run.
EncodedSymbol encodeBarcode(const QString& data, const BarcodeOptions& options, double boxWidthPt,
                            double boxHeightPt, int dpi, TextMeasure& measure);

} // namespace quorvel::report
