// Pictures with transparent areas, as every output draws them. A PDF 1.3 page can only mask a
// picture with one bit a pixel, so the painter draws the very same two-level picture: the preview,
// PNG files, the PDF and the printed page show the same pixels.
#pragma once

#include <QImage>

namespace quorvel::report {

struct TwoLevelPicture
{
    QImage image;
    bool masked = false;   ///< some pixels are transparent; those of image have alpha 0
};

/// `image` made two-level: a pixel whose alpha is at least half (128 of 255) is drawn opaque in
/// its own colour, one below that is not drawn at all (alpha 0, colour white). A picture without
/// a transparent pixel comes back unchanged and not masked.
TwoLevelPicture twoLevelPicture(const QImage& image);

/// The stencil of a masked picture as a PDF /ImageMask samples it: one bit a pixel, rows padded
/// to whole bytes, 1 where the picture is not drawn.
QByteArray stencilBits(const QImage& twoLevel);

} // namespace quorvel::report
