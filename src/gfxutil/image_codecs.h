#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "gfxutil/image.h"

// One decoder per file format; DecodeImage picks among them. Each fills width, height and pixels.

namespace tavrin {

bool IsBmp(std::span<const uint8_t> bytes);
bool IsJpeg(std::span<const uint8_t> bytes);
bool IsPng(std::span<const uint8_t> bytes);
bool IsDds(std::span<const uint8_t> bytes);

bool DecodeBmp(std::span<const uint8_t> bytes, Image& image, std::string& error);
bool DecodeTga(std::span<const uint8_t> bytes, Image& image, std::string& error);
bool DecodeJpeg(std::span<const uint8_t> bytes, Image& image, std::string& error);
bool DecodePng(std::span<const uint8_t> bytes, Image& image, std::string& error);
bool DecodeDds(std::span<const uint8_t> bytes, Image& image, std::string& error);

// Largest accepted side and pixel count: beyond these a header is taken for garbage, not an image.
// Every decoder checks its header's size against them before it allocates or decompresses
// anything, so a small file can never claim a large amount of memory.
inline constexpr uint32_t kMaxImageSide = 16384;
inline constexpr uint64_t kMaxImagePixels = uint64_t{1} << 26;

// False, with the reason in `error`, for a size outside the limits above or without pixels.
bool CheckImageSize(uint64_t width, uint64_t height, std::string& error);

// Checks the size with CheckImageSize and allocates the pixel array (filled with `fill`).
bool AllocateImage(Image& image, uint64_t width, uint64_t height, std::string& error,
                   uint32_t fill = 0);

}  // namespace tavrin
