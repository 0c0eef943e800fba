#include "effects/flow_noise.h"

#include "platform/random.h"

namespace tavrin {
namespace {

constexpr int kLattice = 256;
constexpr int kMask = 255;
constexpr float kOffset = 4096.0f;  // keeps the lattice coordinates positive

struct NoiseTables {
    bool initialised = false;
    int permutation[FlowNoise::kTableSize];
    Vec3 gradient[FlowNoise::kTableSize];
};

NoiseTables& Tables() {
    static NoiseTables tables;
    return tables;
}

// One draw scaled to [-1, 1).
float Draw() { return static_cast<float>(Rand() % (2 * kLattice) - kLattice) / kLattice; }

float SCurve(float t) { return t * t * (3.0f - 2.0f * t); }
float Lerp(float t, float a, float b) { return a + t * (b - a); }

}  // namespace

void InitialiseNoiseTables() {
    NoiseTables& tables = Tables();
    if (tables.initialised) return;
    tables.initialised = true;
    for (int i = 0; i < kLattice; ++i) {
        tables.permutation[i] = i;
        // The first three draws belong to lower-dimensional tables nothing reads; they are still
        // drawn so the gradients get the values of the sequence they always had.
        Draw();
        Draw();
        Draw();
        const float x = Draw(), y = Draw(), z = Draw();
        Vec3& g = tables.gradient[i];
        g.Set(x, y, z);
        // All three draws at the centre would leave a zero vector; keep it zero, not NaN.
        if (g.Dot(g) > 0.0f) g.Normalise();
    }
    for (int i = kMask; i > 0; --i) {
        const int k = tables.permutation[i];
        const int j = Rand() % kLattice;
        tables.permutation[i] = tables.permutation[j];
        tables.permutation[j] = k;
    }
    for (int i = 0; i < kLattice + 2; ++i) {
        tables.permutation[kLattice + i] = tables.permutation[i];
        tables.gradient[kLattice + i] = tables.gradient[i];
    }
}

void FlowNoise::SetFrame(const Vec3& row0, const Vec3& row1, const Vec3& row2) {
    InitialiseNoiseTables();
    const Vec3* g = Tables().gradient;
    for (int k = 0; k < kTableSize; ++k) {
        gradients_[k].Set(row0.Dot(g[k]), row1.Dot(g[k]), row2.Dot(g[k]));
    }
}

float FlowNoise::operator()(const Vec3& q) const {
    const int* p = Tables().permutation;
    int b0[3], b1[3];
    float r0[3], r1[3];
    const float axes[3] = {q.x, q.y, q.z};
    for (int a = 0; a < 3; ++a) {
        const float t = axes[a] + kOffset;
        const int whole = static_cast<int>(t);
        b0[a] = whole & kMask;
        b1[a] = (b0[a] + 1) & kMask;
        r0[a] = t - static_cast<float>(whole);
        r1[a] = r0[a] - 1.0f;
    }
    const int i = p[b0[0]], j = p[b1[0]];
    const int b00 = p[i + b0[1]], b10 = p[j + b0[1]];
    const int b01 = p[i + b1[1]], b11 = p[j + b1[1]];
    const float sx = SCurve(r0[0]), sy = SCurve(r0[1]), sz = SCurve(r0[2]);
    auto contrib = [this](int k, float rx, float ry, float rz) {
        const Vec3& g = gradients_[k];
        return rx * g.x + ry * g.y + rz * g.z;
    };
    auto layer = [&](int bz, float rz) {
        const float a = Lerp(sx, contrib(b00 + bz, r0[0], r0[1], rz), contrib(b10 + bz, r1[0], r0[1], rz));
        const float b = Lerp(sx, contrib(b01 + bz, r0[0], r1[1], rz), contrib(b11 + bz, r1[0], r1[1], rz));
        return Lerp(sy, a, b);
    };
    return Lerp(sz, layer(b0[2], r0[2]), layer(b1[2], r1[2]));
}

}  // namespace tavrin
