#include <algorithm>
#include <array>
#include <cmath>

#include "models/football_mesh.h"

namespace tavrin::forge {

namespace {

constexpr double kBallRadius = 0.2;
constexpr int kPanelSubdivision = 4;

V3 FromCentre(const V3& p) { return p; }

// A panel of the ball: its corner points on the truncated icosahedron, in order around it.
struct Panel {
    std::vector<V3> corners;
    bool pentagon;
};

std::vector<Panel> TruncatedIcosahedron() {
    const double phi = (1.0 + std::sqrt(5.0)) / 2.0;
    std::vector<V3> ico;
    for (double a : {-1.0, 1.0}) {
        for (double b : {-phi, phi}) {
            ico.push_back({0, a, b});
            ico.push_back({a, b, 0});
            ico.push_back({b, 0, a});
        }
    }
    auto adjacent = [&](size_t i, size_t j) { return std::fabs(Length(ico[i] - ico[j]) - 2.0) < 1e-9; };
    auto third = [&](size_t from, size_t to) { return ico[from] + (ico[to] - ico[from]) / 3.0; };
    auto ordered = [](std::vector<V3> points) {
        V3 centre{};
        for (const V3& p : points) centre = centre + p;
        const V3 n = Normalised(centre);
        const V3 x = Normalised(points[0] - n * Dot(points[0], n));
        const V3 y = Cross(n, x);
        std::sort(points.begin(), points.end(), [&](const V3& a, const V3& b) {
            return std::atan2(Dot(a, y), Dot(a, x)) < std::atan2(Dot(b, y), Dot(b, x));
        });
        return points;
    };
    std::vector<Panel> panels;
    for (size_t i = 0; i < ico.size(); ++i) {
        std::vector<V3> corners;
        for (size_t j = 0; j < ico.size(); ++j) {
            if (adjacent(i, j)) corners.push_back(third(i, j));
        }
        panels.push_back({ordered(corners), true});
    }
    for (size_t i = 0; i < ico.size(); ++i) {
        for (size_t j = i + 1; j < ico.size(); ++j) {
            for (size_t k = j + 1; k < ico.size(); ++k) {
                if (!adjacent(i, j) || !adjacent(j, k) || !adjacent(i, k)) continue;
                panels.push_back({ordered({third(i, j), third(j, i), third(j, k), third(k, j),
                                           third(k, i), third(i, k)}),
                                  false});
            }
        }
    }
    return panels;
}

// A point of a panel pushed onto the ball: panels bulge, sinking a little into the seams.
V3 Inflate(const V3& p, double centreWeight) {
    const double seam = 1.0 - SmoothStep(0.0, 0.3, centreWeight);
    return Normalised(p) * (kBallRadius * (1.0 - 0.035 * seam * seam));
}

}  // namespace

MeshAsset MakeFootball() {
    MeshAsset asset{"Fussball.x", {}, {}};
    TriangleMesh& mesh = asset.mesh;
    mesh.name = "Fussball";
    const uint32_t white = mesh.AddMaterial({"Leder_Weiss", {0.95, 0.95, 0.95, 1}, 40.0, {0.8, 0.8, 0.8}, {}, ""});
    const uint32_t black = mesh.AddMaterial({"Leder_Schwarz", {0.06, 0.06, 0.07, 1}, 40.0, {0.6, 0.6, 0.6}, {}, ""});
    const int n = kPanelSubdivision;
    for (const Panel& panel : TruncatedIcosahedron()) {
        V3 centre{};
        for (const V3& p : panel.corners) centre = centre + p;
        centre = centre / double(panel.corners.size());
        std::vector<std::array<V3, 3>> triangles;
        // Each fan triangle (centre, a, b) on a barycentric grid; the centre's weight says how far
        // a point is from the seam.
        for (size_t k = 0; k < panel.corners.size(); ++k) {
            const V3& a = panel.corners[k];
            const V3& b = panel.corners[(k + 1) % panel.corners.size()];
            auto at = [&](int i, int j) {
                const double wa = double(i) / n, wb = double(j) / n, wc = 1.0 - wa - wb;
                return Inflate(centre * wc + a * wa + b * wb, wc);
            };
            for (int i = 0; i < n; ++i) {
                for (int j = 0; i + j < n; ++j) {
                    triangles.push_back({at(i, j), at(i + 1, j), at(i, j + 1)});
                    if (i + j + 2 <= n) triangles.push_back({at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)});
                }
            }
        }
        AddWeldedSurface(mesh, triangles, FromCentre, panel.pentagon ? black : white);
    }
    return asset;
}

}  // namespace tavrin::forge
