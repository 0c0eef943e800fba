#include "gfxutil/texture_mips.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace tavrin {

uint32_t FullMipLevelCount(uint32_t width, uint32_t height) {
    return static_cast<uint32_t>(std::bit_width(std::max({width, height, 1u})));
}

std::vector<uint32_t> BoxFilterHalf(const uint32_t* pixels, uint32_t width, uint32_t height) {
    const uint32_t outWidth = std::max(width / 2, 1u), outHeight = std::max(height / 2, 1u);
    // Odd sides drop their last row or column, as each level is half the one above.
    const uint32_t spanX = width > 1 ? 2 : 1, spanY = height > 1 ? 2 : 1;
    std::vector<uint32_t> out(size_t{outWidth} * outHeight);
    for (uint32_t y = 0; y < outHeight; ++y) {
        const uint32_t* row0 = pixels + size_t{y * spanY} * width;
        const uint32_t* row1 = row0 + size_t{spanY - 1} * width;
        for (uint32_t x = 0; x < outWidth; ++x) {
            const uint32_t x0 = x * spanX, x1 = x0 + spanX - 1;
            const uint32_t block[4] = {row0[x0], row0[x1], row1[x0], row1[x1]};
            uint32_t result = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                uint32_t sum = 0;
                for (uint32_t i = 0; i < 4; ++i) sum += (block[i] >> shift) & 255;
                // With a side of 1 the block holds each sample twice; the mean is unchanged.
                result |= ((sum + 2) / 4) << shift;
            }
            out[size_t{y} * outWidth + x] = result;
        }
    }
    return out;
}

namespace {

bool ReadLevel(IDirect3DTexture8* texture, UINT level, std::vector<uint32_t>& pixels,
               uint32_t& width, uint32_t& height) {
    D3DSURFACE_DESC desc{};
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->GetLevelDesc(level, &desc)) || desc.Format != D3DFMT_A8R8G8B8 ||
        FAILED(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY))) {
        return false;
    }
    width = desc.Width, height = desc.Height;
    pixels.resize(size_t{width} * height);
    for (uint32_t y = 0; y < height; ++y) {
        std::memcpy(&pixels[size_t{y} * width],
                    static_cast<const uint8_t*>(locked.pBits) + size_t{y} * locked.Pitch,
                    size_t{width} * 4);
    }
    texture->UnlockRect(level);
    return true;
}

bool WriteLevel(IDirect3DTexture8* texture, UINT level, const std::vector<uint32_t>& pixels,
                uint32_t width, uint32_t height) {
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->LockRect(level, &locked, nullptr, 0))) return false;
    for (uint32_t y = 0; y < height; ++y) {
        std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t{y} * locked.Pitch,
                    &pixels[size_t{y} * width], size_t{width} * 4);
    }
    texture->UnlockRect(level);
    return true;
}

}  // namespace

bool RegenerateMipLevels(IDirect3DTexture8* texture) {
    std::vector<uint32_t> pixels;
    uint32_t width = 0, height = 0;
    if (!texture || !ReadLevel(texture, 0, pixels, width, height)) return false;
    const DWORD levels = texture->GetLevelCount();
    for (DWORD level = 1; level < levels; ++level) {
        pixels = BoxFilterHalf(pixels.data(), width, height);
        width = std::max(width / 2, 1u), height = std::max(height / 2, 1u);
        D3DSURFACE_DESC desc{};
        if (FAILED(texture->GetLevelDesc(level, &desc)) || desc.Width != width ||
            desc.Height != height || !WriteLevel(texture, level, pixels, width, height)) {
            return false;
        }
    }
    return true;
}

}  // namespace tavrin
