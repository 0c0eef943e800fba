#include <bit>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

#include "gfxutil/image_codecs.h"

// JPEG through libjpeg(-turbo): baseline, progressive and greyscale, decoded straight into
// B, G, R, A byte order, which is A8R8G8B8 in a little-endian 32-bit word.

namespace tavrin {
namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnError(j_common_ptr info) {
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    info->err->format_message(info, manager->message);
    std::longjmp(manager->jump, 1);
}

// Corrupt-data warnings would otherwise go to stderr; a damaged image still decodes as far as it
// can.
void OnMessage(j_common_ptr, int) {}

// Room for the coefficients of a picture at the pixel limit with three full-resolution
// components (two bytes each per pixel), and a margin.
constexpr long kJpegMemoryLimit = static_cast<long>(kMaxImagePixels * 8);

static_assert(std::endian::native == std::endian::little, "pixels are written as BGRA bytes");

}  // namespace

bool IsJpeg(std::span<const uint8_t> bytes) {
    return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

namespace {

// The libjpeg calls, which leave by longjmp on failure. Nothing in this frame is a C++ object
// that changes after setjmp, so the jump cannot clobber anything; a failure comes back as C text,
// or as "" when the size check has already said why in `error`.
const char* ReadPixels(jpeg_decompress_struct& info, ErrorManager& manager,
                       std::span<const uint8_t> bytes, Image& image, std::string& error) {
    if (setjmp(manager.jump)) return manager.message;
    jpeg_create_decompress(&info);
    // The library's own working memory (a progressive image keeps all its coefficients) is
    // bounded too, whatever the header's size says.
    info.mem->max_memory_to_use = kJpegMemoryLimit;
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    // Refused before decompression starts, which is where the library allocates per pixel.
    if (!CheckImageSize(info.image_width, info.image_height, error)) return "";
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
        return "CMYK images are not supported";
    }
    info.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&info);
    if (!AllocateImage(image, info.output_width, info.output_height, error)) return "";
    while (info.output_scanline < info.output_height) {
        JSAMPROW row =
            reinterpret_cast<JSAMPROW>(&image.pixels[size_t{info.output_scanline} * image.width]);
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return nullptr;
}

}  // namespace

bool DecodeJpeg(std::span<const uint8_t> bytes, Image& image, std::string& error) {
    jpeg_decompress_struct info{};
    ErrorManager manager{};
    info.err = jpeg_std_error(&manager.base);
    manager.base.error_exit = OnError;
    manager.base.emit_message = OnMessage;
    const char* failure = ReadPixels(info, manager, bytes, image, error);
    // Safe on a structure that was never created: it is zeroed above.
    jpeg_destroy_decompress(&info);
    if (failure == nullptr) return true;
    if (*failure != '\0') error = std::string("JPEG: ") + failure;
    return false;
}

}  // namespace tavrin
