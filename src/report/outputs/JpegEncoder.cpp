#include "report/outputs/JpegEncoder.h"

#include "table/Failure.h"

#include <QImage>
#include <QPainter>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace quorvel::report {

namespace {

// libjpeg's default error handler ends the process; ours jumps back to the caller instead.
// No C++ object with a destructor lives between the setjmp and a longjmp.
struct ErrorManager
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr info)
{
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    info->err->format_message(info, err->message);
    std::longjmp(err->jump, 1);
}

/// Returns false and leaves libjpeg's text in `message` on failure; `out` is malloc'ed.
bool compress(const uchar* pixels, int width, int height, qsizetype stride, int components, int quality,
              unsigned char** out, unsigned long* outSize, char* message)
{
    jpeg_compress_struct cinfo;
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = onError;
    err.message[0] = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.message);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, out, outSize);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels + static_cast<qsizetype>(cinfo.next_scanline) * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

QByteArray encodeJpeg(const QImage& image, int quality)
{
    if (image.isNull())
        return {};
    QImage pixels;
    if (image.isGrayscale() && !image.hasAlphaChannel()) {
        pixels = image.convertToFormat(QImage::Format_Grayscale8);
    } else {
        pixels = QImage(image.size(), QImage::Format_RGB888);
        pixels.fill(Qt::white);
        QPainter p(&pixels);
        p.drawImage(0, 0, image);
    }
    unsigned char* out = nullptr;
    unsigned long size = 0;
    char message[JMSG_LENGTH_MAX];
    const bool ok = compress(pixels.constBits(), pixels.width(), pixels.height(), pixels.bytesPerLine(),
                             pixels.format() == QImage::Format_Grayscale8 ? 1 : 3, quality, &out, &size, message);
    QByteArray bytes;
    if (ok)
        bytes = QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
    std::free(out);
    if (!ok)
        throw Failure(QStringLiteral("JPEG encoding failed: %1").arg(QString::fromLocal8Bit(message)));
    return bytes;
}

} // namespace quorvel::report
