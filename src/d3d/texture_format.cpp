#include "d3d/texture_format.h"

namespace tavrin::d3d {

namespace {

TextureFormat Packed(int bytes, GLenum internalFormat, GLenum format, GLenum type) {
    TextureFormat result;
    result.supported = true;
    result.bytesPerTexel = bytes;
    result.internalFormat = internalFormat;
    result.format = format;
    result.type = type;
    return result;
}

TextureFormat Swizzled(TextureFormat format, GLint r, GLint g, GLint b, GLint a) {
    format.swizzle[0] = r;
    format.swizzle[1] = g;
    format.swizzle[2] = b;
    format.swizzle[3] = a;
    return format;
}

}  // namespace

TextureFormat DescribeTextureFormat(D3DFORMAT format) {
    // Direct3D names components from the most significant bit down; GL's *_REV types name them
    // from the least significant bit up, so the BGRA orders below are the same bits.
    switch (format) {
        case D3DFMT_A8R8G8B8:
            return Packed(4, GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV);
        case D3DFMT_X8R8G8B8:
            return Swizzled(Packed(4, GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV), GL_RED,
                            GL_GREEN, GL_BLUE, GL_ONE);
        case D3DFMT_R5G6B5:
            return Packed(2, GL_RGB8, GL_RGB, GL_UNSIGNED_SHORT_5_6_5);
        case D3DFMT_A1R5G5B5:
            return Packed(2, GL_RGBA8, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV);
        case D3DFMT_X1R5G5B5:
            return Swizzled(Packed(2, GL_RGBA8, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV), GL_RED,
                            GL_GREEN, GL_BLUE, GL_ONE);
        case D3DFMT_A4R4G4B4:
            return Packed(2, GL_RGBA8, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV);
        case D3DFMT_X4R4G4B4:
            return Swizzled(Packed(2, GL_RGBA8, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV), GL_RED,
                            GL_GREEN, GL_BLUE, GL_ONE);
        case D3DFMT_L8:
            return Swizzled(Packed(1, GL_R8, GL_RED, GL_UNSIGNED_BYTE), GL_RED, GL_RED, GL_RED,
                            GL_ONE);
        case D3DFMT_A8:
            return Swizzled(Packed(1, GL_R8, GL_RED, GL_UNSIGNED_BYTE), GL_ZERO, GL_ZERO, GL_ZERO,
                            GL_RED);
        case D3DFMT_A8L8:
            return Swizzled(Packed(2, GL_RG8, GL_RG, GL_UNSIGNED_BYTE), GL_RED, GL_RED, GL_RED,
                            GL_GREEN);
        default:
            return TextureFormat{};
    }
}

}  // namespace tavrin::d3d
