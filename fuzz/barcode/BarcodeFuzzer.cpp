// The bar-code layer on arbitrary data and options: it never throws for bad data, never alters
// data silently, and an encoded symbol is finite bars inside its own box.
#include "support/FuzzSupport.h"

#include "report/engine/BarcodeEncoder.h"
#include "report/engine/Symbology.h"
#include "report/engine/TextMeasure.h"
#include "table/Failure.h"

#include <QGuiApplication>

#include <cmath>
#include <cstdlib>

using namespace quorvel;

namespace {

report::TextMeasure* g_measure = nullptr;

// A length in millimetres from one byte: mostly ordinary sizes, sometimes the extremes a
// definition may hold.
double lengthMm(std::uint8_t b)
{
    switch (b) {
    case 0: return 0;
    case 1: return 1e-9;
    case 2: return 1e9;
    case 3: return 1e300;
    default: return b / 8.0;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    g_measure = new report::TextMeasure;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 6)
        return 0;
    report::BarcodeOptions options;
    const auto rows = report::symbologies();
    options.symbology = &rows[data[0] % rows.size()];
    options.gs1DigitalLink = options.symbology->digitalLink && (data[0] & 0x80);
    options.humanReadable = data[1] & 1;
    options.quietZones = data[1] & 2;
    options.barHeightMm = std::max(lengthMm(data[2]), 1e-9);
    options.moduleMm = (data[1] & 4) ? lengthMm(data[3]) / 10 : 0;
    constexpr int kResolutions[] = {203, 300, 600};
    const int dpi = kResolutions[(data[1] >> 4) % 3];
    double boxWidthPt = lengthMm(data[4]) * 10;
    double boxHeightPt = lengthMm(data[5]) * 10;
    const char* text = reinterpret_cast<const char*>(data + 6);
    auto length = static_cast<qsizetype>(size - 6);
    // Print-table texts come from Windows-1252 bytes; definitions may hold any Unicode.
    QString value = (data[1] & 8) ? QString::fromUtf8(text, length) : QString::fromLatin1(text, length);

    const QString refusal = report::barcodeError(options, value);
    report::EncodedSymbol encoded;
    try {
        encoded = report::encodeBarcode(value, options, boxWidthPt, boxHeightPt, dpi, *g_measure);
    } catch (const Failure&) {
        fuzz::fail("encodeBarcode threw for data it was given");
    }
    const report::Symbol& s = encoded.symbol;
    if (!refusal.isEmpty() && s.error.isEmpty())
        fuzz::fail("data refused by validation was encoded");
    if (!s.error.isEmpty()) {
        if (!s.bars.empty())
            fuzz::fail("a refused symbol has bars");
        return 0;
    }
    if (s.bars.empty())
        fuzz::fail("an encoded symbol has no bars");
    if (!std::isfinite(s.widthPt) || !std::isfinite(s.heightPt) || s.widthPt <= 0 || s.heightPt <= 0)
        fuzz::fail("an encoded symbol has no finite size");
    const double slack = 1e-6 * std::max(s.widthPt, s.heightPt);
    for (const auto& bar : s.bars) {
        if (!std::isfinite(bar.xPt) || !std::isfinite(bar.yPt) || !(bar.widthPt > 0) || !(bar.heightPt > 0))
            fuzz::fail("a bar is not a finite rectangle");
        if (bar.xPt < -slack || bar.yPt < -slack || bar.xPt + bar.widthPt > s.widthPt + slack
            || bar.yPt + bar.heightPt > s.heightPt + slack)
            fuzz::fail("a bar lies outside its symbol");
    }
    for (const auto& caption : s.captions)
        if (!std::isfinite(caption.xPt) || !std::isfinite(caption.baselinePt))
            fuzz::fail("a caption has no finite position");
    return 0;
}
