#include "raster.h"

#include <algorithm>
#include <cmath>

namespace tavrin::forge::test {
namespace {

Rgba Sample(const Canvas& image, V2 uv) {
    const double x = uv.x * image.width - 0.5, y = uv.y * image.height - 0.5;
    const double fx = std::floor(x), fy = std::floor(y);
    auto at = [&](double px, double py) {
        const int ix = ((static_cast<int>(px) % image.width) + image.width) % image.width;
        const int iy = ((static_cast<int>(py) % image.height) + image.height) % image.height;
        return image.At(ix, iy);
    };
    const double tx = x - fx, ty = y - fy;
    return MixRgba(MixRgba(at(fx, fy), at(fx + 1, fy), tx), MixRgba(at(fx, fy + 1), at(fx + 1, fy + 1), tx), ty);
}

}  // namespace

Raster::Raster(int width, int height, Rgba background)
    : width_(width), height_(height), colour_(size_t(width) * height, background),
      depth_(size_t(width) * height, 1e30) {}

Raster::Basis Raster::ViewBasis(const Camera& camera) const {
    const V3 z = Normalised(camera.target - camera.eye);
    const V3 x = Normalised(Cross(camera.up, z));
    return {x, Cross(z, x), z, height_ / camera.heightAtNear};
}

void Raster::Background(const Camera& camera, const std::function<Rgba(const V3&)>& sky) {
    const Basis view = ViewBasis(camera);
    for (int py = 0; py < height_; ++py) {
        for (int px = 0; px < width_; ++px) {
            const double sx = (px + 0.5 - width_ * 0.5) / view.focal, sy = (height_ * 0.5 - py - 0.5) / view.focal;
            colour_[size_t(py) * width_ + px] = sky(Normalised(view.z + view.x * sx + view.y * sy));
        }
    }
}

void Raster::Draw(const TriangleMesh& mesh, const std::map<std::string, const Canvas*>& textures,
                  const Camera& camera, const Light& light) {
    const Basis view = ViewBasis(camera);
    const V3 &x = view.x, &y = view.y, &z = view.z;
    const double focal = view.focal;
    const V3 toLight = Normalised(-light.direction);
    struct Projected {
        double sx, sy, w;  // screen position and view depth
    };
    std::vector<Projected> projected(mesh.positions.size());
    std::vector<Rgba> lit(mesh.positions.size());
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        const V3 d = mesh.positions[i] - camera.eye;
        const double depth = Dot(d, z);
        projected[i] = {width_ * 0.5 + Dot(d, x) / depth * focal, height_ * 0.5 - Dot(d, y) / depth * focal, depth};
    }
    for (const Face& f : mesh.faces) {
        const Material& m = mesh.materials[f.material];
        const uint32_t ids[3] = {f.a, f.b, f.c};
        const Projected p[3] = {projected[f.a], projected[f.b], projected[f.c]};
        if (p[0].w < 0.05 || p[1].w < 0.05 || p[2].w < 0.05) continue;  // crosses the eye plane
        const double area = (p[1].sx - p[0].sx) * (p[2].sy - p[0].sy) - (p[2].sx - p[0].sx) * (p[1].sy - p[0].sy);
        if (std::fabs(area) < 1e-12) continue;
        const auto found = textures.find(m.texture);
        const Canvas* texture = found == textures.end() ? nullptr : found->second;
        Rgba shade[3];
        for (int k = 0; k < 3; ++k) {
            const double lambert = std::max(0.0, Dot(mesh.normals[ids[k]], toLight));
            auto channel = [&](double material, double amb, double dif, double emissive) {
                return Clamp01(material * (amb + dif * lambert) + emissive);
            };
            shade[k] = {channel(m.diffuse.r, light.ambient.x, light.diffuse.x, m.emissive.x),
                        channel(m.diffuse.g, light.ambient.y, light.diffuse.y, m.emissive.y),
                        channel(m.diffuse.b, light.ambient.z, light.diffuse.z, m.emissive.z), m.diffuse.a};
        }
        const int x0 = std::max(0, static_cast<int>(std::floor(std::min({p[0].sx, p[1].sx, p[2].sx}))));
        const int x1 = std::min(width_ - 1, static_cast<int>(std::ceil(std::max({p[0].sx, p[1].sx, p[2].sx}))));
        const int y0 = std::max(0, static_cast<int>(std::floor(std::min({p[0].sy, p[1].sy, p[2].sy}))));
        const int y1 = std::min(height_ - 1, static_cast<int>(std::ceil(std::max({p[0].sy, p[1].sy, p[2].sy}))));
        for (int py = y0; py <= y1; ++py) {
            for (int px = x0; px <= x1; ++px) {
                const double cx = px + 0.5, cy = py + 0.5;
                double b[3];
                for (int k = 0; k < 3; ++k) {
                    const Projected& a = p[(k + 1) % 3];
                    const Projected& c = p[(k + 2) % 3];
                    b[k] = ((c.sx - a.sx) * (cy - a.sy) - (cx - a.sx) * (c.sy - a.sy)) / area;
                }
                if (b[0] < 0 || b[1] < 0 || b[2] < 0) continue;
                // Perspective-correct weights.
                double inv = 0.0, w[3];
                for (int k = 0; k < 3; ++k) inv += (w[k] = b[k] / p[k].w);
                for (double& wk : w) wk /= inv;
                const double depth = 1.0 / inv;
                const size_t at = size_t(py) * width_ + px;
                if (depth >= depth_[at]) continue;
                Rgba c{0, 0, 0, 0};
                for (int k = 0; k < 3; ++k) {
                    c = {c.r + shade[k].r * w[k], c.g + shade[k].g * w[k], c.b + shade[k].b * w[k], c.a + shade[k].a * w[k]};
                }
                if (texture) {
                    V2 uv{0, 0};
                    for (int k = 0; k < 3; ++k) uv = uv + mesh.uvs[ids[k]] * w[k];
                    const Rgba t = Sample(*texture, uv);
                    c = {c.r * t.r, c.g * t.g, c.b * t.b, c.a * t.a};
                }
                if (c.a * 255.0 <= 64.0) continue;
                depth_[at] = depth;
                colour_[at] = c;
            }
        }
    }
}

std::vector<uint8_t> Raster::Rgba8() const {
    std::vector<uint8_t> out;
    out.reserve(colour_.size() * 4);
    for (const Rgba& c : colour_) {
        out.push_back(ToByte(c.r));
        out.push_back(ToByte(c.g));
        out.push_back(ToByte(c.b));
        out.push_back(255);
    }
    return out;
}

size_t Raster::CoveredPixels() const {
    return static_cast<size_t>(std::count_if(depth_.begin(), depth_.end(), [](double d) { return d < 1e30; }));
}

}  // namespace tavrin::forge::test
