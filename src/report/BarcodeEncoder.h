// Bar codes as vectors through libzint: bars become filled rectangles and the human-readable
// text becomes captions, in points relative to the symbol's top-left corner. Data a symbology
// cannot encode is never altered: the symbol then carries an error text and no bars.
#pragma once

#include "report/Definition.h"
#include "report/PageDescription.h"

namespace quorvel::report {

class TextMeasure;

/// One printer dot at 203 dpi, in points: the narrowest module we ever print.
inline constexpr double kMinModulePt = 72.0 / 203.0;

struct EncodedSymbol
{
    Symbol symbol;            ///< captionFont is left for the caller to index
    FontSpec captionFont;
};

/// The symbology "auto" stands for: EAN-13 for 12 or 13 digits, otherwise Code 128.
BarcodeKind resolveKind(BarcodeKind kind, const QString& data);

/// Why `data` cannot be encoded as `kind` without altering it; empty when it can be tried.
QString validateBarcode(BarcodeKind kind, const QString& data);

/// The error text a symbol of `data` would carry in place of its bars, as the page shows it;
/// empty when the symbol prints. The one check behind encodeBarcode, for whoever must know
/// before a run (a wrong check digit is zint's "Error 275: Invalid check digit ...").
QString barcodeError(const BarcodeOptions& options, const QString& data);

/// Encodes `data`. With options.moduleMm 0 the module is the widest whole number of 203-dpi dots
/// whose symbol fits `boxWidthPt`. Never throws for bad data; fails only when zint cannot run.
EncodedSymbol encodeBarcode(const QString& data, const BarcodeOptions& options, double boxWidthPt,
                            double boxHeightPt, TextMeasure& measure);

} // namespace quorvel::report
