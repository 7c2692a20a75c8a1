// JPEG encoding with libjpeg, for the pictures the PDF output stores.
#pragma once

#include <QByteArray>

class QImage;

namespace quorvel::report {

/// Encodes `image` as a baseline JPEG of the given quality (1..100): grey images as one
/// component, everything else as RGB with transparency laid over white. Returns empty bytes
/// for a null image. Fails with quorvel::Failure when libjpeg reports an error.
QByteArray encodeJpeg(const QImage& image, int quality);

} // namespace quorvel::report
