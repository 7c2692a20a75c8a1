// The page an operator prints to read how far a printer puts pages off: the label's outline, a
// millimetre ruler along its top and left edges and a cross near each corner. quorvel-batch's
// calibrate and the designer's test print both print this page.
#pragma once

#include "report/engine/PageDescription.h"

namespace quorvel::report {

struct Definition;

/// Where the calibration page puts its marks, in millimetres from the label's top-left corner.
struct CalibrationMarks
{
    static constexpr double kCrossInsetMm = 6;   ///< each cross's centre, from both nearest edges
    static constexpr double kCrossArmMm = 2;     ///< from the centre to each arm's end
    static constexpr double kTickMm = 1, kTick5Mm = 2, kTick10Mm = 3;   ///< ruler tick lengths
    static constexpr double kLineMm = 0.25;      ///< every line's width
};

/// The calibration page on `def`'s label: its first label region's label size, else its first
/// page's size; the definition's queue offsets go with it, so a queue's job moves it as it moves
/// that queue's labels. One page; its only font is the numbers' (Helvetica 5 pt).
PageDescription calibrationPage(const Definition& def);

} // namespace quorvel::report
