#include <cctype>
#include <csetjmp>
#include <cstring>
#include <string>
#include <vector>

#include <png.h>

#include "gfxutil/image_codecs.h"

// PNG through libpng: every colour type and bit depth, palettes with tRNS, Adam7 interlacing.
// Everything is expanded to 8-bit B, G, R, A bytes (A8R8G8B8 in a little-endian word).

namespace tavrin {
namespace {

struct ReadState {
    std::span<const uint8_t> bytes;
    size_t position = 0;
    std::string message;
};

void ReadFromMemory(png_structp png, png_bytep out, size_t count) {
    auto* state = static_cast<ReadState*>(png_get_io_ptr(png));
    if (count > state->bytes.size() - state->position) png_error(png, "data ends early");
    std::memcpy(out, state->bytes.data() + state->position, count);
    state->position += count;
}

void OnError(png_structp png, png_const_charp message) {
    auto* state = static_cast<ReadState*>(png_get_error_ptr(png));
    state->message = message;  // NOLINT: set before the jump, read after it
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

}  // namespace

bool IsPng(std::span<const uint8_t> bytes) {
    return bytes.size() >= 8 && png_sig_cmp(bytes.data(), 0, 8) == 0;
}

namespace {

// libpng makes (and clears) a buffer as long as a chunk's header claims before it reads the
// chunk, and lets a claim past its limits off with a warning: a 154-byte file whose text chunk
// claimed 1.97 GB cost that much memory and seven seconds. Every chunk up to IEND must lie in the
// file; a file cut short inside a chunk is left to libpng, which stops where the bytes end.
bool ChunksFitTheFile(std::span<const uint8_t> bytes, std::string& error) {
    size_t at = 8;  // after the signature
    while (at + 8 <= bytes.size()) {
        const uint8_t* header = bytes.data() + at;
        const png_uint_32 length = png_get_uint_32(header);
        const size_t left = bytes.size() - at - 8;
        if (length > left) {
            std::string type;
            for (int i = 4; i < 8; ++i) type += std::isalpha(header[i]) ? char(header[i]) : '?';
            error = "PNG: the " + type + " chunk claims " + std::to_string(length) +
                    " bytes, the file has " + std::to_string(left) + " left";
            return false;
        }
        if (std::memcmp(header + 4, "IEND", 4) == 0) break;
        at += 8 + size_t{length};
        if (bytes.size() - at < 4) break;
        at += 4;  // the CRC
    }
    return true;
}

// The libpng calls, which leave by longjmp on failure. Nothing in this frame is a C++ object
// that changes after setjmp, so the jump cannot clobber anything; a failure comes back as C text,
// or as "" when the size check has already said why in `error`.
const char* ReadPixels(png_structp png, png_infop info, ReadState& state, Image& image,
                       std::vector<png_bytep>& rows, std::string& error) {
    if (setjmp(png_jmpbuf(png))) return state.message.c_str();
    png_set_read_fn(png, &state, ReadFromMemory);
    png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
    // Bounds what compressed text and colour profiles may inflate to as well.
    png_set_chunk_malloc_max(png, state.bytes.size());
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (!CheckImageSize(width, height, error)) return "";
    const int colourType = png_get_color_type(png, info);
    png_set_expand(png);  // palettes, low-depth grey and tRNS become full RGB(A)/grey(A)
    png_set_scale_16(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    }
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);  // no effect where the image has alpha
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t{width} * 4) return "unexpected row layout";
    if (!AllocateImage(image, width, height, error)) return "";
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) {
        rows[y] = reinterpret_cast<png_bytep>(&image.pixels[size_t{y} * width]);
    }
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    return nullptr;
}

}  // namespace

bool DecodePng(std::span<const uint8_t> bytes, Image& image, std::string& error) {
    if (!ChunksFitTheFile(bytes, error)) return false;
    ReadState state;
    state.bytes = bytes;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, OnError, OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        error = "PNG: out of memory";
        return false;
    }
    std::vector<png_bytep> rows;
    const char* failure = ReadPixels(png, info, state, image, rows, error);
    png_destroy_read_struct(&png, &info, nullptr);
    if (failure == nullptr) return true;
    if (*failure != '\0') error = std::string("PNG: ") + failure;
    return false;
}

}  // namespace tavrin
