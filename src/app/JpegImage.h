// Decodes JPEG data with libjpeg into a QImage.
#pragma once

#include <QByteArray>
#include <QImage>

namespace quorvel::app {

/// Decodes baseline or progressive JPEG data (grey or colour) into an RGB32 image. Fails with
/// quorvel::Failure naming libjpeg's complaint when the data is not a JPEG or is damaged.
QImage decodeJpeg(const QByteArray& data);

} // namespace quorvel::app
