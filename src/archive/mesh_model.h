#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "archive/data_archive.h"
#include "d3d/d3d8.h"
#include "gfxutil/mesh.h"

namespace tavrin {

struct DisplayDevice;

// A mesh from an X file in the archive, optimised so that subset i is drawn with material i and
// texture i. Every material's ambient colour is its diffuse colour. A texture a material names is
// looked up in the archive by that name; one that is missing or unreadable leaves a null entry.
// When the file is missing or unreadable the model has no mesh and no materials.
struct MeshModel {
    DisplayDevice* device;                     // not owned
    std::unique_ptr<Mesh> mesh;                // null when loading failed
    std::vector<D3DMATERIAL8> materials;       // one per material
    std::vector<IDirect3DTexture8*> textures;  // one per material, owned; entries may be null
    uint32_t materialCount = 0;

    // Reads from the program-wide archive (SetMusicArchive).
    MeshModel(DisplayDevice* device, const char* name);
    MeshModel(DisplayDevice* device, DataArchive* archive, const char* name);
    ~MeshModel();
    MeshModel(const MeshModel&) = delete;
    MeshModel& operator=(const MeshModel&) = delete;
};

}  // namespace tavrin
