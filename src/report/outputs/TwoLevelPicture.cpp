#include "report/outputs/TwoLevelPicture.h"

namespace quorvel::report {

namespace {

constexpr int kOpaqueFrom = 128;

} // namespace

TwoLevelPicture twoLevelPicture(const QImage& image)
{
    if (image.isNull() || !image.hasAlphaChannel())
        return {image, false};
    QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    bool masked = false;
    for (int y = 0; y < pixels.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(pixels.scanLine(y));
        for (int x = 0; x < pixels.width(); ++x) {
            const int alpha = qAlpha(row[x]);
            if (alpha == 255)
                continue;
            masked = true;
            row[x] = alpha >= kOpaqueFrom ? qRgba(qRed(row[x]), qGreen(row[x]), qBlue(row[x]), 255) : qRgba(255, 255, 255, 0);
        }
    }
    if (!masked)
        return {image, false};
    return {pixels, true};
}

QByteArray stencilBits(const QImage& twoLevel)
{
    const QImage pixels = twoLevel.convertToFormat(QImage::Format_ARGB32);
    const int rowBytes = (pixels.width() + 7) / 8;
    QByteArray bits(static_cast<qsizetype>(rowBytes) * pixels.height(), '\0');
    for (int y = 0; y < pixels.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        char* out = bits.data() + static_cast<qsizetype>(y) * rowBytes;
        for (int x = 0; x < pixels.width(); ++x)
            if (qAlpha(row[x]) < kOpaqueFrom)
                out[x / 8] = static_cast<char>(out[x / 8] | (0x80 >> (x % 8)));
    }
    return bits;
}

} // namespace quorvel::report
