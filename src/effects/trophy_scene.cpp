#include "effects/trophy_scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "d3d/d3d8.h"
#include "effects/draw_mesh.h"
#include "effects/metaball_field.h"
#include "effects/sky_box.h"
#include "effects/stage_states.h"
#include "gfxutil/display_device.h"
#include "gfxutil/matrix.h"
#include "platform/hardware_threads.h"

namespace tavrin {
namespace {

constexpr int kConstructionCells = 99;  // room for 100^3 samples over [-1, 1]^3
constexpr int kCubeEdge = 64;
constexpr D3DCOLOR kBlobColour = 0xA0FFFFFF;
const Vec3 kLookAt(0.0f, 0.25f, 0.0f);
const Vec3 kUp(0.0f, 1.0f, 0.0f);

// Views into the six cube faces, Direct3D's face order +X, -X, +Y, -Y, +Z, -Z.
constexpr D3DMATRIX kCubeFaceViews[6] = {
    {{{0, 0, 1, 0}, {0, 1, 0, 0}, {-1, 0, 0, 0}, {0, 0, 0, 1}}},
    {{{0, 0, -1, 0}, {0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 0, 1}}},
    {{{1, 0, 0, 0}, {0, 0, 1, 0}, {0, -1, 0, 0}, {0, 0, 0, 1}}},
    {{{1, 0, 0, 0}, {0, 0, -1, 0}, {0, 1, 0, 0}, {0, 0, 0, 1}}},
    {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}},
    {{{-1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, -1, 0}, {0, 0, 0, 1}}}};

// Angles wrap once per step; a step never turns more than a revolution.
void Advance(float& angle, double rate, double frameSeconds) {
    angle = static_cast<float>(angle + rate * frameSeconds);
    if (angle > 6.28318530718) angle -= 6.2831855f;
}

void DrawModel(MeshModel* model) {
    if (model != nullptr) DrawMesh(*model);
}

// The radius around the model's origin that holds all its vertices.
float BoundingRadius(const MeshModel* model) {
    float radius2 = 0.0f;
    if (model == nullptr || model->mesh == nullptr) return 0.0f;
    for (const MeshVertex& vertex : model->mesh->Data().vertices) {
        const Vec3 p(vertex.x, vertex.y, vertex.z);
        radius2 = std::max(radius2, p.Dot(p));
    }
    return std::sqrt(radius2);
}

// The faces' near and far planes.
constexpr float kFaceNear = 0.5f;
constexpr float kFaceFar = 150.0f;

}  // namespace

TrophyScene::TrophyScene(DisplayDevice* display, IDirect3DTexture8* sphereMap, MeshModel* trophy,
                         MeshModel* ball)
    : Effect(display), sphereMap_(sphereMap), trophy_(trophy), ball_(ball) {
    normalMode = 0;
    IDirect3DDevice8* d3d = display != nullptr ? display->device : nullptr;
    if (d3d != nullptr && display->hasCubeMaps) {
        d3d->CreateCubeTexture(kCubeEdge, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                               D3DPOOL_DEFAULT, &environmentCube_);
    }
    field = new MetaballField(display, kConstructionCells, kConstructionCells, kConstructionCells,
                              Vec3(-1, -1, -1), 2.0f, 2.0f, 2.0f, this);
    field->SetResolution(resolution, resolution, resolution);
    skyBox_ = new SkyBox(display, "SkyBox");
    ballRadius_ = BoundingRadius(ball_);
    // The first polygonisation is the first noise evaluation: the tables are drawn here.
    noise_.SetFrame(ballFrame_.rows[0], ballFrame_.rows[1], ballFrame_.rows[2]);
    // Value only reads the scene and the noise tables, so the field may sample it in parallel. The
    // renderer rasterises on every core at the same time, so sampling takes half of them: on two
    // cores a helper only competes with the rasteriser and the frame is slower with it.
    field->SetSamplingThreads(static_cast<int>(std::clamp(HardwareThreads() / 2, 1u, 8u)));
    field->Polygonise();
}

TrophyScene::~TrophyScene() {
    delete skyBox_;
    if (environmentCube_ != nullptr) environmentCube_->Release();
    delete field;
}

float TrophyScene::Value(const Vec3& p) const {
    float base = -1.0f;
    const float rho2 = p.x * p.x + p.z * p.z;
    if (p.y < -0.9f && rho2 < 1.0f) {
        // The pool: a disc at about -0.95 with circular ripples.
        base = -19.0f - 20.0f * (p.y - 0.02f * std::sin(15.0f * std::sqrt(rho2) + ripplePhase_));
    }
    const float dy = p.y - blobHeight_;
    const float d = std::sqrt(rho2 + dy * dy);
    if (d > 0.9f || d < 0.1f) return base;
    const Vec3 q(2.0f * (blobOffset_.x + p.x), 2.0f * (blobOffset_.y + dy),
                 2.0f * (blobOffset_.z + p.z));
    // A bump that is 1 half-way out and 0 at 0.1 and 0.9: a noisy shell around the blob centre.
    const float s = 2.5f * (d - 0.5f);
    return (noise_(q) + 1.0f) * (1.0f - s * s) + base;
}

D3DCOLOR TrophyScene::Colour(const Vec3&) const { return kBlobColour; }

void TrophyScene::StepResolution(int step) {
    resolution += step;
    if (!field->SetResolution(resolution, resolution, resolution)) resolution -= step;
    resolutionNoticeTime = 1.0f;
}

void TrophyScene::Animate(double frameSeconds) {
    ++revision_;
    sceneClock_ = static_cast<float>(sceneClock_ + frameSeconds);
    const float clock = sceneClock_;
    blobOffset_.Set(2.0f * std::sin(clock * blobFrequencies_.x),
                    2.0f * std::sin(clock * blobFrequencies_.y),
                    2.0f * std::sin(clock * blobFrequencies_.z));
    // The blob rises from -3 to 0.2 over the first eight seconds.
    blobHeight_ = clock < 8.0f ? (clock - 6.0f) * (clock - 10.0f) * -0.05f : 0.2f;
    ripplePhase_ = -6.0f * clock;

    ballFrame_ = Frame();
    Vec3* rows = ballFrame_.rows;
    Advance(angles_[0], 2.1762, frameSeconds);
    Advance(angles_[1], 1.6762, frameSeconds);
    Advance(angles_[2], 2.0122, frameSeconds);
    const float alpha = angles_[0], beta = angles_[1], gamma = angles_[2];
    rows[1] = rows[1] * std::cos(alpha) + rows[2] * std::sin(alpha);
    Reorthonormalise(rows[0], rows[1], rows[2]);
    rows[0] = rows[0] * std::cos(beta) + rows[2] * std::sin(beta);
    Reorthonormalise(rows[0], rows[1], rows[2]);
    const Vec3 r0 = rows[0], r1 = rows[1];
    rows[0] = r0 * std::cos(gamma) + r1 * std::sin(gamma);
    rows[1] = r1 * std::cos(gamma) - r0 * std::sin(gamma);
    Reorthonormalise(rows[0], rows[1], rows[2]);
    ballFrame_.translation.Set(1.5f * std::sin(clock), 0.3f * std::sin(0.7934819f * clock + 0.23f),
                               1.5f * std::cos(clock));
    noise_.SetFrame(rows[0], rows[1], rows[2]);
}

void TrophyScene::Render(double frameSeconds) {
    if (!frozen) Animate(frameSeconds);
    IDirect3DDevice8* d3d = device != nullptr ? device->device : nullptr;
    if (d3d == nullptr) {
        if (!frozen) field->Polygonise();
        return;
    }
    SetLight();

    const float theta = sceneClock_ * orbitSpeed;
    const Vec3 orbit(3.0f * std::sin(theta), std::sin(0.312f * sceneClock_) + 0.5f,
                     3.0f * std::cos(theta));
    const Vec3 eye = orbit * (cameraDistance / orbit.Length());
    const D3DMATRIX identity = MatrixIdentity();

    if (environmentCube_ != nullptr) {
        SetProjection(aspect, 1.0f, 1000.0f);
        d3d->SetTransform(D3DTS_WORLD, &identity);
        LookAt(eye);
        RenderCubeFaces();
    }

    SetProjection(aspect, 1.0f, 1000.0f);
    d3d->SetTransform(D3DTS_WORLD, &identity);
    LookAt(eye);
    DrawEnvironment();
    d3d->SetRenderState(D3DRS_ZENABLE, TRUE);
    d3d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    d3d->SetRenderState(D3DRS_LIGHTING, TRUE);
    d3d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d3d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d3d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    DrawModel(trophy_);
    if (!frozen) {
        // The renderer draws the cube faces, sky and trophy while this thread samples the field.
        d3d->Flush();
        field->Polygonise();
    }
    d3d->LightEnable(0, FALSE);
    d3d->SetRenderState(D3DRS_LIGHTING, FALSE);

    DrawBlob(eye);
    DrawResolutionNotice(frameSeconds);
    CleanUp();
}

void TrophyScene::SetLight() {
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {0.6f, 0.6f, 0.5f, 0.0f};
    light.Specular = {0.6f, 0.6f, 0.6f, 0.0f};
    light.Ambient = {0.5f, 0.55f, 0.6f, 0.0f};
    light.Direction = {-0.8f, -0.4f, 1.0f};
    device->device->SetLight(0, &light);
    device->device->LightEnable(0, TRUE);
}

void TrophyScene::LookAt(const Vec3& eye) {
    const D3DMATRIX view = MatrixLookAtLH(eye, kLookAt, kUp);
    device->device->SetTransform(D3DTS_VIEW, &view);
}

void TrophyScene::SetProjection(float width, float zNear, float zFar) {
    const D3DMATRIX projection = MatrixPerspectiveLH(width, 1.0f, zNear, zFar);
    device->device->SetTransform(D3DTS_PROJECTION, &projection);
}

bool TrophyScene::SphereMayShowInFace(const D3DMATRIX& faceView, const Vec3& centre, float radius) {
    const float(*m)[4] = faceView.m;
    const float x = centre.x * m[0][0] + centre.y * m[1][0] + centre.z * m[2][0] + m[3][0];
    const float y = centre.x * m[0][1] + centre.y * m[1][1] + centre.z * m[2][1] + m[3][1];
    const float z = centre.x * m[0][2] + centre.y * m[1][2] + centre.z * m[2][2] + m[3][2];
    if (z + radius < kFaceNear || z - radius > kFaceFar) return false;
    // The side planes |x| = z and |y| = z, with a margin for rounding.
    const float reach = radius * 1.41421356f * 1.001f + 1e-4f;
    return std::abs(x) - z <= reach && std::abs(y) - z <= reach;
}

// The sky box and the football: what the blob reflects, drawn in the main pass and in every face
// (without the football where it cannot show).
void TrophyScene::DrawEnvironment(bool withBall) {
    IDirect3DDevice8* d3d = device->device;
    skyBox_->Render();
    d3d->SetRenderState(D3DRS_ZENABLE, TRUE);
    d3d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    d3d->SetRenderState(D3DRS_LIGHTING, TRUE);
    d3d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d3d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d3d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    const Vec3* r = ballFrame_.rows;
    const Vec3& t = ballFrame_.translation;
    const D3DMATRIX placement = {{{r[0].x, r[0].y, r[0].z, 0.0f},
                                  {r[1].x, r[1].y, r[1].z, 0.0f},
                                  {r[2].x, r[2].y, r[2].z, 0.0f},
                                  {t.x, t.y, t.z, 1.0f}}};
    d3d->SetTransform(D3DTS_WORLD, &placement);
    if (withBall) DrawModel(ball_);
    const D3DMATRIX identity = MatrixIdentity();
    d3d->SetTransform(D3DTS_WORLD, &identity);
}

// The environment cube, re-rendered every frame from the orbiting camera. The frame's scene is
// usually open already: a face then draws inside it, and only opens and ends a scene of its own
// when none was open.
void TrophyScene::RenderCubeFaces() {
    IDirect3DDevice8* d3d = device->device;
    SetProjection(1.0f, kFaceNear, kFaceFar);
    D3DMATRIX savedView;
    d3d->GetTransform(D3DTS_VIEW, &savedView);
    IDirect3DSurface8* savedTarget = nullptr;
    IDirect3DSurface8* savedDepth = nullptr;
    d3d->GetRenderTarget(&savedTarget);
    d3d->GetDepthStencilSurface(&savedDepth);
    for (int face = 0; face < 6; ++face) {
        const D3DMATRIX view = MatrixMultiply(savedView, kCubeFaceViews[face]);
        d3d->SetTransform(D3DTS_VIEW, &view);
        IDirect3DSurface8* surface = nullptr;
        environmentCube_->GetCubeMapSurface(static_cast<D3DCUBEMAP_FACES>(face), 0, &surface);
        d3d->SetRenderTarget(surface, savedDepth);
        if (surface != nullptr) surface->Release();
        d3d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        const bool ownScene = !FAILED(d3d->BeginScene());
        DrawEnvironment(SphereMayShowInFace(view, ballFrame_.translation, ballRadius_));
        if (ownScene) d3d->EndScene();
    }
    d3d->SetRenderTarget(savedTarget, savedDepth);
    if (savedTarget != nullptr) savedTarget->Release();
    if (savedDepth != nullptr) savedDepth->Release();
    d3d->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
}

// The blob, seen from a camera at the eye's height and distance that does not orbit, blended
// over the scene and looked up in the environment cube by reflection (or the sphere map).
void TrophyScene::DrawBlob(const Vec3& eye) {
    IDirect3DDevice8* d3d = device->device;
    SetProjection(aspect, 1.0f, 1000.0f);
    const D3DMATRIX identity = MatrixIdentity();
    d3d->SetTransform(D3DTS_WORLD, &identity);
    LookAt(Vec3(0.0f, eye.y, std::sqrt(eye.x * eye.x + eye.z * eye.z)));
    d3d->SetRenderState(D3DRS_ZENABLE, TRUE);
    d3d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    d3d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d3d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d3d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d3d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    d3d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d3d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    if (environmentCube_ != nullptr) {
        d3d->SetTransform(D3DTS_TEXTURE0, &identity);
        d3d->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR);
        d3d->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT3);
        d3d->SetTexture(0, environmentCube_);
    } else {
        const D3DMATRIX sphereLookup = SphereMapMatrix(0.49f);
        d3d->SetTransform(D3DTS_TEXTURE0, &sphereLookup);
        d3d->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACENORMAL);
        d3d->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
        d3d->SetTexture(0, sphereMap_);
    }
    SetModulateStage(d3d, 0, D3DTA_DIFFUSE, D3DTA_TEXTURE);
    SetLinearSampling(d3d, 0, D3DTADDRESS_WRAP);
    field->Render();
}

// After a key press the resolution shows for two seconds, fading out.
void TrophyScene::DrawResolutionNotice(double frameSeconds) {
    if (!(resolutionNoticeTime > 0.0f)) return;
    resolutionNoticeTime = static_cast<float>(resolutionNoticeTime - 0.5 * frameSeconds);
    if (!(resolutionNoticeTime > 0.0f) || printText == nullptr) return;
    const auto alpha = static_cast<uint32_t>(static_cast<int>(resolutionNoticeTime * 255.0f));
    char text[32];
    std::snprintf(text, sizeof text, "MC Res: %i", resolution);
    printText(600, 10, text, (alpha << 24) | 0x00FFFFFFu);
}

// Alpha blending stays on and lighting off for whoever draws next.
void TrophyScene::CleanUp() {
    IDirect3DDevice8* d3d = device->device;
    const D3DMATRIX identity = MatrixIdentity();
    d3d->SetTransform(D3DTS_TEXTURE0, &identity);
    d3d->SetTexture(0, nullptr);
    d3d->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    d3d->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    d3d->LightEnable(0, FALSE);
    d3d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
}

}  // namespace tavrin
