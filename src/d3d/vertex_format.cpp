#include "d3d/vertex_format.h"

namespace tavrin::d3d {

VertexLayout DecodeVertexFormat(DWORD fvf) {
    VertexLayout layout;
    const DWORD position = fvf & D3DFVF_POSITION_MASK;
    if (position != D3DFVF_XYZ && position != D3DFVF_XYZRHW) return layout;
    if ((fvf & (D3DFVF_PSIZE | D3DFVF_RESERVED0 | D3DFVF_LASTBETA_UBYTE4)) != 0) return layout;
    layout.transformed = position == D3DFVF_XYZRHW;
    int offset = layout.transformed ? 16 : 12;
    if ((fvf & D3DFVF_NORMAL) != 0) {
        layout.normal = offset;
        offset += 12;
    }
    if ((fvf & D3DFVF_DIFFUSE) != 0) {
        layout.diffuse = offset;
        offset += 4;
    }
    if ((fvf & D3DFVF_SPECULAR) != 0) {
        layout.specular = offset;
        offset += 4;
    }
    const int sets = static_cast<int>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
    if (sets > kMaxTexCoordSets) return layout;
    layout.texCoordCount = sets;
    for (int set = 0; set < sets; ++set) {
        static constexpr uint8_t kFloatsForCode[4] = {2, 3, 4, 1};
        const DWORD code = (fvf >> (16 + 2 * set)) & 3;
        layout.texCoord[set] = offset;
        layout.texCoordSize[set] = kFloatsForCode[code];
        offset += 4 * layout.texCoordSize[set];
    }
    layout.stride = offset;
    layout.valid = true;
    return layout;
}

UINT VertexCountFor(D3DPRIMITIVETYPE type, UINT primitives) {
    if (primitives == 0) return 0;
    switch (type) {
        case D3DPT_POINTLIST: return primitives;
        case D3DPT_LINELIST: return primitives * 2;
        case D3DPT_LINESTRIP: return primitives + 1;
        case D3DPT_TRIANGLELIST: return primitives * 3;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN: return primitives + 2;
    }
    return 0;
}

}  // namespace tavrin::d3d
