#include "gfxutil/png_write.h"

#include <png.h>

namespace tavrin {

bool WritePngFile(const char* path, const uint32_t* pixels, uint32_t width, uint32_t height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_BGRA;  // A8R8G8B8 in a little-endian word
    return png_image_write_to_file(&image, path, 0, pixels, 0, nullptr) != 0;
}

}  // namespace tavrin
