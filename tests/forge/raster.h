#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "lib/canvas.h"
#include "lib/triangle_mesh.h"

// A small software renderer for looking at the forge's meshes: z-buffered, perspective-correct
// textures with bilinear filtering and wrap addressing, the fixed-function light model with one
// directional light (ambient = diffuse, as the show's loader sets it), and the stadium's alpha
// test (alpha 64 and below is discarded).

namespace tavrin::forge::test {

struct Camera {
    V3 eye, target, up{0, 1, 0};
    double heightAtNear = 1.0;  // view-volume height at distance 1 (the show's projection)
};

struct Light {
    V3 direction{1.0, -0.8, 0.0};
    V3 diffuse{0.6, 0.6, 0.6};
    V3 ambient{0.5, 0.5, 0.6};
};

class Raster {
public:
    Raster(int width, int height, Rgba background);

    // Fills every pixel with the colour seen along its view ray (a sky behind everything).
    void Background(const Camera& camera, const std::function<Rgba(const V3&)>& sky);
    // Textures keyed by the names the materials give.
    void Draw(const TriangleMesh& mesh, const std::map<std::string, const Canvas*>& textures,
              const Camera& camera, const Light& light);

    // 8-bit RGBA, top row first.
    std::vector<uint8_t> Rgba8() const;
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Pixels some triangle covered.
    size_t CoveredPixels() const;

private:
    struct Basis {
        V3 x, y, z;
        double focal;  // pixels per unit at distance 1
    };
    Basis ViewBasis(const Camera& camera) const;

    int width_, height_;
    std::vector<Rgba> colour_;
    std::vector<double> depth_;
};

}  // namespace tavrin::forge::test
