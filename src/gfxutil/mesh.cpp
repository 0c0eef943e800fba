#include "gfxutil/mesh.h"

#include <algorithm>
#include <cstring>

namespace tavrin {

std::unique_ptr<Mesh> Mesh::Create(IDirect3DDevice8* device, MeshData data, std::string& error) {
    if (!device) {
        error = "no device";
        return nullptr;
    }
    if (data.indices.size() != 3 * data.FaceCount() || data.FaceCount() == 0) {
        error = "mesh has no faces or its faces and attributes disagree";
        return nullptr;
    }
    const size_t vertexCount = data.vertices.size();
    if (std::any_of(data.indices.begin(), data.indices.end(),
                    [&](uint32_t i) { return i >= vertexCount; })) {
        error = "mesh index refers past its vertices";
        return nullptr;
    }
    std::unique_ptr<Mesh> mesh(new Mesh(device, std::move(data)));
    if (!mesh->Upload()) {
        error = "the device refused the mesh buffers";
        return nullptr;
    }
    return mesh;
}

Mesh::Mesh(IDirect3DDevice8* device, MeshData data) : device_(device), data_(std::move(data)) {}

Mesh::~Mesh() {
    ReleaseBuffers();
}

void Mesh::ReleaseBuffers() {
    if (vertexBuffer_) vertexBuffer_->Release();
    if (indexBuffer_) indexBuffer_->Release();
    vertexBuffer_ = nullptr;
    indexBuffer_ = nullptr;
}

bool Mesh::Upload() {
    ReleaseBuffers();
    table_ = BuildAttributeTable(data_);
    indexFormat_ = data_.vertices.size() <= 0xFFFF ? D3DFMT_INDEX16 : D3DFMT_INDEX32;
    const size_t vertexBytes = data_.vertices.size() * sizeof(MeshVertex);
    const size_t indexSize = indexFormat_ == D3DFMT_INDEX16 ? 2 : 4;
    const size_t indexBytes = data_.indices.size() * indexSize;
    BYTE* bytes = nullptr;
    if (FAILED(device_->CreateVertexBuffer(static_cast<UINT>(vertexBytes), D3DUSAGE_WRITEONLY, kFvf,
                                           D3DPOOL_MANAGED, &vertexBuffer_)) ||
        FAILED(vertexBuffer_->Lock(0, 0, &bytes, 0))) {
        ReleaseBuffers();
        return false;
    }
    std::memcpy(bytes, data_.vertices.data(), vertexBytes);
    vertexBuffer_->Unlock();
    if (FAILED(device_->CreateIndexBuffer(static_cast<UINT>(indexBytes), D3DUSAGE_WRITEONLY,
                                          indexFormat_, D3DPOOL_MANAGED, &indexBuffer_)) ||
        FAILED(indexBuffer_->Lock(0, 0, &bytes, 0))) {
        ReleaseBuffers();
        return false;
    }
    if (indexSize == 4) {
        std::memcpy(bytes, data_.indices.data(), indexBytes);
    } else {
        auto* out = reinterpret_cast<uint16_t*>(bytes);
        for (uint32_t index : data_.indices) *out++ = static_cast<uint16_t>(index);
    }
    indexBuffer_->Unlock();
    return true;
}

std::vector<uint32_t> Mesh::Optimize(uint32_t flags) {
    std::vector<uint32_t> adjacency = OptimizeMesh(data_, flags);
    if (!Upload()) return {};
    return adjacency;
}

HRESULT Mesh::DrawSubset(uint32_t attribute) {
    if (!vertexBuffer_ || !indexBuffer_) return D3DERR_INVALIDCALL;
    bool bound = false;
    for (const AttributeRange& range : table_) {
        if (range.attribute != attribute) continue;
        if (!bound) {
            device_->SetVertexShader(kFvf);
            device_->SetStreamSource(0, vertexBuffer_, sizeof(MeshVertex));
            device_->SetIndices(indexBuffer_, 0);
            bound = true;
        }
        const HRESULT result =
            device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, range.vertexStart, range.vertexCount,
                                          3 * range.faceStart, range.faceCount);
        if (FAILED(result)) return result;
    }
    return D3D_OK;
}

}  // namespace tavrin
