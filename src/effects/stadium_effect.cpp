#include "effects/stadium_effect.h"

#include <cmath>
#include <numbers>

#include "archive/mesh_model.h"
#include "effects/camera_shake.h"
#include "effects/draw_mesh.h"
#include "effects/stage_states.h"
#include "gfxutil/display_device.h"
#include "gfxutil/matrix.h"

namespace tavrin {

float StadiumEffect::clock = 0.0f;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

}  // namespace

StadiumEffect::StadiumEffect(DisplayDevice* display, int ballCount, IDirect3DTexture8* env,
                             IDirect3DTexture8* bump, const MeshModel* stadiumMesh)
    : Effect(display), envTexture(env), bumpTexture(bump), stadium(stadiumMesh) {
    normalMode = 1;
    balls.resize(static_cast<size_t>(std::max(ballCount, 0)));
    for (Ball& ball : balls) {
        ball.freqX = 4.0f * UnitRandom() - 2.0f;
        ball.phaseX = kPi * UnitRandom();
        ball.freqY = 4.0f * UnitRandom() - 2.0f;
        ball.phaseY = kPi * UnitRandom();
        ball.freqZ = 4.0f * UnitRandom() - 2.0f;
        ball.phaseZ = kPi * UnitRandom();
    }
    field = std::make_unique<MetaballField>(display, 39, 39, 39, Vec3(-1, -1, -1), 2.0f, 2.0f, 2.0f,
                                            this);
}

StadiumEffect::~StadiumEffect() = default;

float StadiumEffect::Value(const Vec3& point) const {
    float sum = -1.0f;
    for (const Ball& ball : balls) {
        const Vec3 d = point - ball.position;
        sum += ball.radius * ball.radius / d.Dot(d);
    }
    return sum;
}

D3DCOLOR StadiumEffect::Colour(const Vec3&) const { return vertexColour; }

bool StadiumEffect::Normal(Vec3& normal, const Vec3& point) const {
    Vec3 sum;
    for (const Ball& ball : balls) {
        const Vec3 d = point - ball.position;
        const float ratio = ball.radius / d.Length();
        sum += d * (ratio * ratio * ratio);
    }
    normal = sum;
    return true;
}

D3DMATRIX StadiumEffect::CameraView() const {
    // The angle is a product, not an integral: a new orbit speed jumps the camera along its circle.
    const float angle = clock * orbitSpeed;
    return ShakenLookAt(Vec3(30.0f * std::sin(angle), 15.0f, 30.0f * std::cos(angle)),
                        Vec3(0, 10, 0), Vec3(0, 1, 0), shake);
}

void StadiumEffect::SetCamera(const D3DMATRIX& view) {
    IDirect3DDevice8* d3d = device->device;
    const D3DMATRIX projection = MatrixPerspectiveLH(aspect, 1.0f, 1.0f, 1000.0f);
    const D3DMATRIX identity = MatrixIdentity();
    d3d->SetTransform(D3DTS_PROJECTION, &projection);
    d3d->SetTransform(D3DTS_WORLD, &identity);
    d3d->SetTransform(D3DTS_VIEW, &view);
}

void StadiumEffect::SetLight() {
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Direction = {1.0f, -0.8f, 0.0f};
    light.Diffuse = {0.6f, 0.6f, 0.6f, 1.0f};
    light.Specular = {0.6f, 0.6f, 0.6f, 1.0f};
    light.Ambient = {0.5f, 0.5f, 0.6f, 1.0f};
    device->device->SetLight(0, &light);
    device->device->LightEnable(0, TRUE);
}

void StadiumEffect::DrawStadium() {
    IDirect3DDevice8* d3d = device->device;
    SetStageOp(d3d, 0, D3DTSS_COLOROP, D3DTOP_MODULATE, D3DTA_DIFFUSE, D3DTA_TEXTURE);
    SetStageOp(d3d, 0, D3DTSS_ALPHAOP, D3DTOP_MODULATE, D3DTA_DIFFUSE, D3DTA_TEXTURE);
    d3d->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    d3d->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    d3d->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
    d3d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    d3d->SetRenderState(D3DRS_ALPHAREF, 64);
    d3d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    if (stadium) DrawMesh(*stadium);
}

void StadiumEffect::SetBallStages() {
    IDirect3DDevice8* d3d = device->device;
    SetSphereMapStages(d3d, 0.4f);
    if (device->hasDot3) {
        d3d->SetTexture(0, bumpTexture);
        SetStageOp(d3d, 0, D3DTSS_COLOROP, D3DTOP_DOTPRODUCT3, D3DTA_DIFFUSE, D3DTA_TEXTURE);
        SetStageOp(d3d, 0, D3DTSS_ALPHAOP, D3DTOP_MODULATE, D3DTA_DIFFUSE, D3DTA_TEXTURE);
        SetLinearSampling(d3d, 0, D3DTADDRESS_WRAP);
        d3d->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF808080u);
        SetEnvironmentAddStage(d3d, envTexture);
    } else {
        d3d->SetTexture(1, nullptr);
        d3d->SetTexture(0, envTexture);
        SetStageOp(d3d, 0, D3DTSS_COLOROP, D3DTOP_MODULATE, D3DTA_CURRENT, D3DTA_TEXTURE);
        SetStageOp(d3d, 0, D3DTSS_ALPHAOP, D3DTOP_MODULATE, D3DTA_CURRENT, D3DTA_TEXTURE);
        SetLinearSampling(d3d, 0, D3DTADDRESS_WRAP);
    }
}

void StadiumEffect::CleanUp() {
    IDirect3DDevice8* d3d = device->device;
    const D3DMATRIX identity = MatrixIdentity();
    d3d->SetTransform(D3DTS_WORLD, &identity);
    ResetSphereMapStages(d3d);
    d3d->LightEnable(0, FALSE);
}

void StadiumEffect::Render(double frameSeconds) {
    clock += static_cast<float>(frameSeconds);
    for (Ball& ball : balls) {
        ball.position = Vec3(std::sin(clock * ball.freqX + ball.phaseX),
                             std::sin(clock * ball.freqY + ball.phaseY),
                             std::sin(clock * ball.freqZ + ball.phaseZ)) *
                        0.4f;
    }
    // The shake draws happen on every frame, drawn or not, so the shared sequence stays in step.
    const D3DMATRIX view = CameraView();
    lastView = view;
    if (!device || !device->device) {
        field->Polygonise();
        return;
    }
    IDirect3DDevice8* d3d = device->device;
    SetCamera(view);
    d3d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    d3d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d3d->SetRenderState(D3DRS_LIGHTING, TRUE);
    d3d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d3d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d3d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);

    if (device->hasDot3) {
        Vec3 light(std::sin(clock), 0.5f * std::sin(3.0f * clock), std::cos(clock));
        light.Normalise();
        vertexColour = PackDirection(light * 0.5f);
    } else {
        vertexColour = 0xFFFFFFFFu;
    }
    SetLight();
    DrawStadium();
    field->Polygonise();

    d3d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    d3d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    d3d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    d3d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d3d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d3d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d3d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    const D3DMATRIX aboveThePitch =
        MatrixMultiply(MatrixScaling(10.0f, 10.0f, 10.0f), MatrixTranslation(0.0f, 15.0f, 0.0f));
    d3d->SetTransform(D3DTS_WORLD, &aboveThePitch);
    SetBallStages();
    field->Render();
    CleanUp();
}

}  // namespace tavrin
