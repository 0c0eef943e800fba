#include "effects/env_bump_effect.h"

#include <cmath>
#include <numbers>

#include "effects/camera_shake.h"
#include "effects/stage_states.h"
#include "gfxutil/display_device.h"
#include "gfxutil/matrix.h"

namespace tavrin {

float EnvBumpEffect::clock = 0.0f;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// Turns the pair (a, b) by angle in their plane, in place; b is turned with the a just written,
// so the pair drifts from orthogonality by rounding until it is re-orthonormalised.
void Turn(Vec3& a, Vec3& b, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    a = a * c + b * s;
    b = b * c - a * s;
}

}  // namespace

EnvBumpEffect::EnvBumpEffect(DisplayDevice* display, int torusCount, IDirect3DTexture8* env,
                             IDirect3DTexture8* bump)
    : Effect(display), envTexture(env), bumpTexture(bump) {
    normalMode = 1;
    tori.resize(static_cast<size_t>(std::max(torusCount, 0)));
    for (Torus& torus : tori) {
        torus.ringRadius = 0.3f + 0.1f * UnitRandom();
        torus.tubeRadius = (0.7f + 0.2f * UnitRandom()) * torus.ringRadius;
        torus.freqX = 4.0f * UnitRandom() - 2.0f;
        torus.phaseX = kPi * UnitRandom();
        torus.freqY = 4.0f * UnitRandom() - 2.0f;
        torus.phaseY = kPi * UnitRandom();
        torus.freqZ = 4.0f * UnitRandom() - 2.0f;
        torus.phaseZ = kPi * UnitRandom();
        torus.spinU = UnitRandom();
        torus.spinV = UnitRandom();
        torus.spinW = UnitRandom();
    }
    field = std::make_unique<MetaballField>(display, 39, 39, 39, Vec3(-1, -1, -1), 2.0f, 2.0f, 2.0f,
                                            this);
}

EnvBumpEffect::~EnvBumpEffect() = default;

EnvBumpEffect::RingOffset EnvBumpEffect::OffsetFromRing(const Torus& torus, const Vec3& point) {
    const Vec3 d = point - torus.centre;
    const float u = d.Dot(torus.axisU), v = d.Dot(torus.axisV), w = d.Dot(torus.axisW);
    const float scale = torus.ringRadius / std::sqrt(u * u + v * v);
    const float du = u - u * scale, dv = v - v * scale;
    return {du, dv, w, du * du + dv * dv + w * w};
}

float EnvBumpEffect::Value(const Vec3& point) const {
    float sum = -1.0f;
    for (const Torus& torus : tori) {
        const RingOffset offset = OffsetFromRing(torus, point);
        sum += torus.tubeRadius * torus.tubeRadius / offset.squared - 1.0f;
    }
    return sum;
}

bool EnvBumpEffect::Normal(Vec3& normal, const Vec3& point) const {
    Vec3 sum;
    for (const Torus& torus : tori) {
        const RingOffset o = OffsetFromRing(torus, point);
        const float distance = std::sqrt(o.squared);
        const float weight =
            1.0f / (torus.tubeRadius * torus.tubeRadius * o.squared * distance);
        sum += (torus.axisU * o.du + torus.axisV * o.dv + torus.axisW * o.dw) * weight;
    }
    normal = sum;
    return true;
}

D3DCOLOR EnvBumpEffect::Colour(const Vec3& point) const {
    Vec3 n = point - lightPos;
    n.Normalise();
    return PackDirection(n);
}

void EnvBumpEffect::Tumble(Torus& torus, float frameSeconds) {
    Turn(torus.axisV, torus.axisW, frameSeconds * torus.spinU);
    Turn(torus.axisU, torus.axisW, frameSeconds * torus.spinV);
    Turn(torus.axisU, torus.axisV, frameSeconds * torus.spinW);
    Reorthonormalise(torus.axisU, torus.axisV, torus.axisW);
}

void EnvBumpEffect::Advance(double frameSeconds) {
    clock += static_cast<float>(frameSeconds);
    for (Torus& torus : tori) {
        torus.centre = Vec3(std::sin(clock * torus.freqX + torus.phaseX),
                            std::sin(clock * torus.freqY + torus.phaseY),
                            std::sin(clock * torus.freqZ + torus.phaseZ)) *
                       0.4f;
        Tumble(torus, static_cast<float>(frameSeconds));
    }
    lightPos = Vec3(std::sin(1.45f * clock + 1.2f), std::sin(1.62f * clock + 4.12f),
                    std::sin(1.29f * clock + 0.65f));
}

void EnvBumpEffect::SetStages() {
    IDirect3DDevice8* d3d = device->device;
    SetSphereMapStages(d3d, 0.49f);
    d3d->SetTexture(0, bumpTexture);
    SetStageOp(d3d, 0, D3DTSS_COLOROP, D3DTOP_DOTPRODUCT3, D3DTA_DIFFUSE, D3DTA_TEXTURE);
    SetStageOp(d3d, 0, D3DTSS_ALPHAOP, D3DTOP_MODULATE, D3DTA_DIFFUSE, D3DTA_TEXTURE);
    SetLinearSampling(d3d, 0, D3DTADDRESS_WRAP);
    d3d->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF808080u);
    // Stage 1 is prepared as the stadium prepares it, then switched off and left without texture.
    SetEnvironmentAddStage(d3d, nullptr);
    d3d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
}

void EnvBumpEffect::Render(double frameSeconds) {
    Advance(frameSeconds);
    field->Polygonise();
    // The shake draws happen on every frame, drawn or not, so the shared sequence stays in step.
    const D3DMATRIX view = ShakenLookAt(Vec3(0, 0, -3), Vec3(0, 0, 0), Vec3(0, 1, 0), shake);
    if (!device || !device->device) return;

    IDirect3DDevice8* d3d = device->device;
    const D3DMATRIX projection = MatrixPerspectiveLH(aspect, 1.0f, 1.0f, 1000.0f);
    const D3DMATRIX identity = MatrixIdentity();
    d3d->SetTransform(D3DTS_PROJECTION, &projection);
    d3d->SetTransform(D3DTS_WORLD, &identity);
    d3d->SetTransform(D3DTS_VIEW, &view);
    d3d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    d3d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    d3d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d3d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d3d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d3d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    SetStages();
    field->Render();
    ResetSphereMapStages(d3d);
}

}  // namespace tavrin
