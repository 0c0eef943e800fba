#pragma once

#include "d3d/gl_api.h"

#include "d3d/d3dtypes.h"

namespace tavrin::d3d {

// How a texture format is stored in GL: texels are kept in the API's own layout (so a lock
// reads and writes exactly what Direct3D would) and uploaded with a matching GL format/type.
struct TextureFormat {
    bool supported = false;
    int bytesPerTexel = 0;
    GLenum internalFormat = 0;
    GLenum format = 0;
    GLenum type = 0;
    GLint swizzle[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
};

// Supported: A8R8G8B8, X8R8G8B8, R5G6B5, X1R5G5B5, A1R5G5B5, A4R4G4B4, X4R4G4B4, L8, A8 (reads
// as black with alpha), A8L8.
TextureFormat DescribeTextureFormat(D3DFORMAT format);

}  // namespace tavrin::d3d
