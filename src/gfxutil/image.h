#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Decoding of image files held in memory into 32-bit A8R8G8B8 pixels (alpha in the top byte),
// top row first. Images without alpha come out opaque (alpha 255).

namespace tavrin {

enum class ImageFormat { Bmp, Tga, Jpeg, Png, Dds };

const char* ImageFormatName(ImageFormat format);

struct Image {
    ImageFormat format = ImageFormat::Bmp;
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> pixels;  // width * height, row by row from the top

    uint32_t At(uint32_t x, uint32_t y) const { return pixels[size_t{y} * width + x]; }
};

// Recognises the format by its signature (TGA, which has none, by a plausible header) and decodes
// it. On failure returns false and says why in `error`; `image` is then unspecified.
bool DecodeImage(std::span<const uint8_t> bytes, Image& image, std::string& error);

}  // namespace tavrin
