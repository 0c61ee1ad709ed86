#include "JpegImage.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

// libjpeg reports faults through this: every error, and every warning too
// (a warning is how it reports data that ended early), jumps back out.
struct ErrorManager
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void fail(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager *>(info->err)->jump, 1);
}

void onMessage(j_common_ptr info, int level)
{
    if (level < 0)
        fail(info);
}

void silence(j_common_ptr) {}

// Owns the decompressor; destroyed on every path, the jump included.
struct Decompressor
{
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    bool created = false;

    ~Decompressor()
    {
        if (created)
            jpeg_destroy_decompress(&info);
    }

    // No C++ object may begin its life between setjmp and a jump to it;
    // everything this touches exists before.
    bool run(const unsigned char *bytes, unsigned long size, QImage &image)
    {
        info.err = jpeg_std_error(&errors.base);
        errors.base.error_exit = fail;
        errors.base.emit_message = onMessage;
        errors.base.output_message = silence;
        if (setjmp(errors.jump))
            return false;
        jpeg_create_decompress(&info);
        created = true;
        jpeg_mem_src(&info, bytes, size);
        jpeg_read_header(&info, TRUE);
        if (info.image_width > unsigned(JpegImage::MaxSide) || info.image_height > unsigned(JpegImage::MaxSide))
            return false;
        info.out_color_space = JCS_RGB;
        jpeg_start_decompress(&info);
        if (info.output_components != 3)
            return false;
        image = QImage(int(info.output_width), int(info.output_height), QImage::Format_RGB888);
        if (image.isNull())
            return false;
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = image.scanLine(int(info.output_scanline));
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        return true;
    }
};

} // namespace

QImage JpegImage::decode(QByteArrayView data)
{
    if (data.isEmpty())
        return {};
    QImage image;
    Decompressor decompressor;
    if (!decompressor.run(reinterpret_cast<const unsigned char *>(data.data()),
                          static_cast<unsigned long>(data.size()), image))
        return {};
    return image;
}

QImage JpegImage::load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Our pictures are small; a huge file is no picture of ours.
    if (file.size() > 64 * 1024 * 1024)
        return {};
    return decode(file.readAll());
}
