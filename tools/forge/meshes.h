#pragma once

#include <string>
#include <vector>

#include "image.h"
#include "mesh.h"

// The show's three models with the textures their materials name.

namespace tavrin::forge {

struct MeshTexture {
    std::string file;  // archive name, as the material names it
    Image image;
    bool alpha = false;  // true: a TGA with cut-out alpha; false: a JPEG
};

struct MeshAsset {
    std::string file;  // archive name of the X file
    Mesh mesh;
    std::vector<MeshTexture> textures;
};

MeshAsset MakeFootball();  // "Fussball.x": a stitched ball of radius 0.2 at the origin
MeshAsset MakeTrophy();    // "Pokal3.x": a golden cup on a plinth standing on y = -0.9
MeshAsset MakeStadium();   // "Stadion.x": pitch at y = 0, stands, floodlights, roof

}  // namespace tavrin::forge
