// Any bytes as a texture file and as an X mesh, made into resources on one headless device: what
// the loaders accept must upload, and what they refuse must leave nothing behind on the device.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "d3d/d3d8.h"
#include "gfxutil/mesh_load.h"
#include "gfxutil/mesh_optimize.h"
#include "gfxutil/texture_create.h"

namespace {

IDirect3DDevice8* Device() {
    static IDirect3DDevice8* device = [] {
        IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS parameters{};
        parameters.BackBufferWidth = 32;
        parameters.BackBufferHeight = 32;
        parameters.BackBufferFormat = D3DFMT_A8R8G8B8;
        parameters.SwapEffect = D3DSWAPEFFECT_FLIP;
        IDirect3DDevice8* created = nullptr;
        if (!d3d || d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                      D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters,
                                      &created) != D3D_OK) {
            std::abort();  // no headless display: nothing could be fuzzed
        }
        return created;
    }();
    return device;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("EGL_PLATFORM", "surfaceless", 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    IDirect3DDevice8* device = Device();
    std::string error;
    if (IDirect3DTexture8* texture =
            tavrin::CreateTextureFromFileInMemory(device, data, size, &error)) {
        D3DSURFACE_DESC top{};
        if (texture->GetLevelDesc(0, &top) != D3D_OK || top.Width == 0 || top.Height == 0)
            std::abort();
        texture->Release();
    } else if (error.empty()) {
        std::abort();
    }

    tavrin::LoadedMesh loaded;
    if (!tavrin::LoadMeshFromXInMemory(device, {data, size}, loaded, error)) {
        if (loaded.mesh || error.empty()) std::abort();
        return 0;
    }
    if (loaded.adjacency.size() != 3 * loaded.mesh->Data().FaceCount()) std::abort();
    // Optimising re-uploads the buffers; a mesh the reader accepted always has faces left to draw.
    using namespace tavrin;
    if (loaded.mesh->Optimize(kMeshOptCompact | kMeshOptAttrSort | kMeshOptVertexCache).empty()) {
        std::abort();
    }
    return 0;
}
