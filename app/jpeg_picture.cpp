#include "app/jpeg_picture.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace {

// Far beyond any picture the window shows; keeps a hostile header from asking
// for a huge bitmap.
const unsigned kMaxSide = 8192;

struct DecodeErrors {
    jpeg_error_mgr manager;
    jmp_buf escape;
};

void OnFatalError(j_common_ptr decoder) {
    longjmp(reinterpret_cast<DecodeErrors *>(decoder->err)->escape, 1);
}
// Nothing is ever shown or logged, so the library's own message formatting
// (and the printf family behind it) is not linked in at all.
void OnMessage(j_common_ptr, int) {}
void OnOutput(j_common_ptr) {}
void OnFormat(j_common_ptr, char *buffer) { buffer[0] = '\0'; }
void OnReset(j_common_ptr decoder) {
    decoder->err->num_warnings = 0;
    decoder->err->msg_code = 0;
}

void InitErrors(DecodeErrors &errors) {
    std::memset(&errors.manager, 0, sizeof errors.manager);
    errors.manager.error_exit = OnFatalError;
    errors.manager.emit_message = OnMessage;
    errors.manager.output_message = OnOutput;
    errors.manager.format_message = OnFormat;
    errors.manager.reset_error_mgr = OnReset;
}

} // namespace

HBITMAP DecodeJpegToBitmap(const unsigned char *bytes, size_t length) {
    if (!bytes || length == 0 || length > 0x7FFFFFFF)
        return nullptr;
    jpeg_decompress_struct decoder;
    DecodeErrors errors;
    InitErrors(errors);
    decoder.err = &errors.manager;
    // volatile: it must survive the longjmp back here.
    HBITMAP volatile bitmap = nullptr;
    if (setjmp(errors.escape)) {
        jpeg_destroy_decompress(&decoder);
        if (bitmap)
            DeleteObject(bitmap);
        return nullptr;
    }
    jpeg_create_decompress(&decoder);
    jpeg_mem_src(&decoder, bytes, static_cast<unsigned long>(length));
    if (jpeg_read_header(&decoder, TRUE) != JPEG_HEADER_OK || decoder.image_width == 0 ||
        decoder.image_height == 0 || decoder.image_width > kMaxSide ||
        decoder.image_height > kMaxSide) {
        jpeg_destroy_decompress(&decoder);
        return nullptr;
    }
    // Windows keeps 24-bit pixels as blue, green, red.
    decoder.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&decoder);

    const int width = static_cast<int>(decoder.output_width);
    const int height = static_cast<int>(decoder.output_height);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down, the order the rows come in
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void *pixels = nullptr;
    bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (!bitmap) {
        jpeg_destroy_decompress(&decoder);
        return nullptr;
    }
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
    while (decoder.output_scanline < decoder.output_height) {
        JSAMPROW row = static_cast<JSAMPROW>(pixels) + stride * decoder.output_scanline;
        jpeg_read_scanlines(&decoder, &row, 1);
    }
    jpeg_finish_decompress(&decoder);
    jpeg_destroy_decompress(&decoder);
    return bitmap;
}
