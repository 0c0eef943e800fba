#pragma once

struct IDirect3DTexture8;
struct IDirect3DVertexBuffer8;

namespace tavrin {

struct DisplayDevice;

// A textured cube of half-size 40 around the origin, drawn as the background of the trophy scene
// (before anything inside it, since it writes depth). Faces come from "<directory>/Front.jpg",
// Right, Back, Left, Top and Bottom in the program-wide archive; a face whose image is missing
// is drawn white.
class SkyBox {
public:
    SkyBox(DisplayDevice* device, const char* directory);
    ~SkyBox();
    SkyBox(const SkyBox&) = delete;
    SkyBox& operator=(const SkyBox&) = delete;

    // Draws with the current transforms; leaves culling and lighting off and no texture set.
    void Render();

    static constexpr int kFaces = 6;
    static constexpr float kHalfSize = 40.0f;

private:
    IDirect3DTexture8* textures_[kFaces] = {};  // Front, Right, Back, Left, Top, Bottom
    IDirect3DVertexBuffer8* vertexBuffer_ = nullptr;
    DisplayDevice* device_;
};

}  // namespace tavrin
