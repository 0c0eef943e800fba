#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "gfxutil/mesh_data.h"

// Reads a DirectX X file held in memory (text or binary, plain or MSZIP-compressed, 32- or 64-bit
// floats) into one triangle mesh. Every Mesh in the file is placed by the FrameTransformMatrix of
// each Frame around it and merged into the result; polygons are split into triangle fans; each
// mesh's materials are appended to the list so its attributes stay valid.

namespace tavrin {

struct XFileContents {
    MeshData mesh;
    std::vector<MeshMaterial> materials;  // attribute i refers to materials[i]
};

bool ReadXFile(std::span<const uint8_t> bytes, XFileContents& contents, std::string& error);

}  // namespace tavrin
