#include "app/JpegImage.h"

#include "table/Failure.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace quorvel::app {

namespace {

// libjpeg's error_exit must not return. It jumps back into the two small functions below, which
// hold no C++ objects, so no destructor is ever skipped.
struct ErrorManager
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void errorExit(j_common_ptr info)
{
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, err->message);
    std::longjmp(err->jump, 1);
}

// A corrupt-data warning (such as a cut-off file, which libjpeg pads with grey) is kept so the
// picture can be refused instead of shown damaged.
extern "C" void recordWarning(j_common_ptr info, int level)
{
    if (level >= 0)
        return;
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    if (err->base.num_warnings++ == 0)
        (*info->err->format_message)(info, err->message);
}

class Decompressor
{
public:
    Decompressor()
    {
        info.err = jpeg_std_error(&errors.base);
        errors.base.error_exit = errorExit;
        errors.base.emit_message = recordWarning;
        errors.message[0] = '\0';
        jpeg_create_decompress(&info);
    }
    ~Decompressor() { jpeg_destroy_decompress(&info); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    jpeg_decompress_struct info{};
    ErrorManager errors{};
};

bool readHeader(Decompressor& d, const unsigned char* data, unsigned long size)
{
    if (setjmp(d.errors.jump))
        return false;
    jpeg_mem_src(&d.info, data, size);
    jpeg_read_header(&d.info, TRUE);
    d.info.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&d.info);
    return true;
}

bool readScanlines(Decompressor& d, unsigned char* bits, long bytesPerLine)
{
    if (setjmp(d.errors.jump))
        return false;
    while (d.info.output_scanline < d.info.output_height) {
        JSAMPROW row = bits + static_cast<long>(d.info.output_scanline) * bytesPerLine;
        jpeg_read_scanlines(&d.info, &row, 1);
    }
    jpeg_finish_decompress(&d.info);
    return true;
}

[[noreturn]] void fail(const Decompressor& d)
{
    throw Failure(QStringLiteral("JPEG: %1").arg(QString::fromLocal8Bit(d.errors.message)));
}

} // namespace

QImage decodeJpeg(const QByteArray& data)
{
    Decompressor d;
    if (!readHeader(d, reinterpret_cast<const unsigned char*>(data.constData()), static_cast<unsigned long>(data.size())))
        fail(d);
    QImage image(static_cast<int>(d.info.output_width), static_cast<int>(d.info.output_height), QImage::Format_RGB32);
    if (image.isNull())
        throw Failure(QStringLiteral("JPEG: picture too large"));
    if (!readScanlines(d, image.bits(), static_cast<long>(image.bytesPerLine())) || d.errors.base.num_warnings > 0)
        fail(d);
    return image;
}

} // namespace quorvel::app
