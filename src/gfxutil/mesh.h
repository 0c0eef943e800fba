#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "d3d/d3d8.h"
#include "gfxutil/mesh_data.h"
#include "gfxutil/mesh_optimize.h"

namespace tavrin {

// A triangle mesh on the device: vertices (position, normal, one texture coordinate) and indices in
// managed buffers, 16-bit indices while the vertices allow, 32-bit beyond; one attribute per face.
// Its subsets are the faces of one attribute, drawn with whatever device state is current.
class Mesh {
public:
    static constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

    // Null when the device cannot hold the buffers or the data is inconsistent (an index past the
    // vertices, a face count that does not match the attributes), with the reason in `error`.
    static std::unique_ptr<Mesh> Create(IDirect3DDevice8* device, MeshData data,
                                        std::string& error);
    ~Mesh();
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    const MeshData& Data() const { return data_; }
    const std::vector<AttributeRange>& AttributeTable() const { return table_; }
    bool Uses32BitIndices() const { return indexFormat_ == D3DFMT_INDEX32; }

    // Optimises in place (see MeshOptimizeFlags) and refills the buffers. Returns the new
    // adjacency, or nothing when the device refused the new buffers (the mesh then draws nothing).
    std::vector<uint32_t> Optimize(uint32_t flags);

    // Draws every face whose attribute is `attribute`; a subset without faces draws nothing.
    HRESULT DrawSubset(uint32_t attribute);

private:
    Mesh(IDirect3DDevice8* device, MeshData data);
    bool Upload();
    void ReleaseBuffers();

    IDirect3DDevice8* device_;
    MeshData data_;
    std::vector<AttributeRange> table_;
    IDirect3DVertexBuffer8* vertexBuffer_ = nullptr;
    IDirect3DIndexBuffer8* indexBuffer_ = nullptr;
    D3DFORMAT indexFormat_ = D3DFMT_INDEX16;
};

}  // namespace tavrin
