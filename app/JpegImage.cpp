#include "app/JpegImage.h"

#include <csetjmp>
#include <cstdio>
#include <stdexcept>
#include <string>

#include <jpeglib.h>

namespace nummerix {
namespace {

// libjpeg ends the process on an error unless error_exit returns elsewhere: it jumps back to the decoder
// with the message.
struct TJpegErrors {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

void JumpOnError(j_common_ptr info) {
    auto* errors = reinterpret_cast<TJpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->Message);
    std::longjmp(errors->Jump, 1);
}

// Only C objects live in this frame, so the jump skips no destructor. Returns false with the message.
bool Decode(const QByteArray& data, QImage& image, TJpegErrors& errors) {
    jpeg_decompress_struct info;
    info.err = jpeg_std_error(&errors.Manager);
    errors.Manager.error_exit = JumpOnError;
    if (setjmp(errors.Jump) != 0) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                   QImage::Format_RGB888);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& data) {
    QImage image;
    TJpegErrors errors{};
    if (!Decode(data, image, errors)) {
        throw std::runtime_error(std::string("JPEG: ") + errors.Message);
    }
    return image;
}

}  // namespace nummerix
