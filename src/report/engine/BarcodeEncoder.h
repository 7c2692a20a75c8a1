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

/// The error text a symbol of `data` would carry in place of its bars, as the page shows it;
/// empty when the symbol prints. The checks encodeBarcode makes as it encodes (the row's own,
/// then zint's), for whoever must know before a run (a wrong check digit is zint's "Error 275:
/// Invalid check digit ...").
QString barcodeError(const BarcodeOptions& options, const QString& data);

/// Encodes `data` for a printer of `dpi`: the module is options.moduleMm rounded to whole dots, or
/// with moduleMm 0 the widest whole number of dots whose symbol fits `boxWidthPt` (a 2-D symbol:
/// fits `boxWidthPt` x `boxHeightPt`); the bar height is rounded to whole dots too. Every edge
/// then lies on the dot grid of the symbol's origin; a 2-D symbol's modules come as one bar per
/// run of dark modules in a row. Never throws for bad data; fails only when zint cannot run.
EncodedSymbol encodeBarcode(const QString& data, const BarcodeOptions& options, double boxWidthPt,
                            double boxHeightPt, int dpi, TextMeasure& measure);

} // namespace quorvel::report
