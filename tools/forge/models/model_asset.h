#pragma once

#include <string>
#include <vector>

#include "lib/canvas.h"
#include "lib/triangle_mesh.h"

// A model of the show: its X file with the textures its materials name.

namespace tavrin::forge {

struct MeshTexture {
    std::string file;  // archive name, as the material names it
    Canvas image;
    bool alpha = false;  // true: a TGA with cut-out alpha; false: a JPEG
};

struct MeshAsset {
    std::string file;  // archive name of the X file
    TriangleMesh mesh;
    std::vector<MeshTexture> textures;
};

}  // namespace tavrin::forge
