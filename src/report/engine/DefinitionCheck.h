// Checks a report definition for what prints badly on a label printer: bar codes that do not
// scan or do not fit, grey and small text on a one-bit thermal head, items off their label.
// Used by quorvel-batch check-definition; needs a QGuiApplication (text and symbols are measured).
#pragma once

#include "report/engine/Definition.h"

#include <QString>

#include <map>
#include <vector>

namespace quorvel::report {

class TextMeasure;

struct DefinitionFinding
{
    enum class Severity : std::uint8_t { Warning, Error };
    Severity severity = Severity::Error;
    qint64 line = 0;          ///< where the element starts in the file
    QString reason;
    friend bool operator==(const DefinitionFinding&, const DefinitionFinding&) = default;
};

/// Every finding for every page of `def`, reports' pages and shared pages alike, in file order.
/// `deviceDpi` is the printer's resolution (0: not known): it sets the dot grid of a page without
/// `quality`, as for a run (layoutDpi), and with `quality` or `deviceDpi` of 300 or less the page
/// counts as printed by a thermal head. Warnings: a module rounded to whole dots. Everything else
/// is an error.
///
/// `fieldWidths` (field name in lower case -> the most characters the field holds): a text box
/// of such a field, without shrink-to-fit, too narrow for that many capitals at its size is a
/// warning, as the label would cut what the table keeps.
using FieldWidths = std::map<QString, int>;
std::vector<DefinitionFinding> checkDefinition(const Definition& def, int deviceDpi, TextMeasure& measure,
                                               const FieldWidths& fieldWidths = {});

/// The narrowest X-dimension we accept for EAN and UPC: 80 % of the nominal 0.33 mm.
inline constexpr double kMinEanModuleMm = 0.264;
/// The smallest text a thermal head prints legibly, in points.
inline constexpr double kMinThermalTextPt = 5;

} // namespace quorvel::report
