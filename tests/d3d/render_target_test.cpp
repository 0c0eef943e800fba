#include <gtest/gtest.h>

#include "device_fixture.h"
#include "gfxutil/matrix.h"

namespace tavrin::testing {
namespace {

using RenderTargetTest = DeviceTest;

// Camera orientations for the six cube faces, +X, -X, +Y, -Y, +Z, -Z, as row-vector view matrices.
const D3DMATRIX kFaceViews[6] = {
    {{{0, 0, 1, 0}, {0, 1, 0, 0}, {-1, 0, 0, 0}, {0, 0, 0, 1}}},
    {{{0, 0, -1, 0}, {0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 0, 1}}},
    {{{1, 0, 0, 0}, {0, 0, 1, 0}, {0, -1, 0, 0}, {0, 0, 0, 1}}},
    {{{1, 0, 0, 0}, {0, 0, -1, 0}, {0, 1, 0, 0}, {0, 0, 0, 1}}},
    {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}},
    {{{-1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, -1, 0}, {0, 0, 0, 1}}},
};

// Walls of the box [-1, 1]^3, each split into four quadrants of distinct colours, so a lookup
// shows both which face it hit and where on the face.
D3DCOLOR QuadrantColor(int axis, int sign, int signB, int signC) {
    const int wall = axis * 2 + (sign > 0 ? 0 : 1);
    return D3DCOLOR_XRGB(40 * wall + 20, signB > 0 ? 200 : 80, signC > 0 ? 200 : 80);
}

D3DVECTOR Compose(int axis, float a, float b, float c) {
    float v[3];
    v[axis] = a;
    v[(axis + 1) % 3] = b;
    v[(axis + 2) % 3] = c;
    return {v[0], v[1], v[2]};
}

void DrawWalls(IDirect3DDevice8* device) {
    std::vector<ColorVertex> triangles;
    for (int axis = 0; axis < 3; ++axis) {
        for (int sign : {1, -1}) {
            for (int signB : {1, -1}) {
                for (int signC : {1, -1}) {
                    const D3DCOLOR color = QuadrantColor(axis, sign, signB, signC);
                    const float a = static_cast<float>(sign);
                    const float b0 = 0.0f, b1 = static_cast<float>(signB);
                    const float c0 = 0.0f, c1 = static_cast<float>(signC);
                    const D3DVECTOR corners[4] = {Compose(axis, a, b0, c0), Compose(axis, a, b1, c0),
                                                  Compose(axis, a, b0, c1), Compose(axis, a, b1, c1)};
                    for (int index : {0, 1, 2, 1, 3, 2}) {
                        triangles.push_back({corners[index].x, corners[index].y, corners[index].z, color});
                    }
                }
            }
        }
    }
    ASSERT_EQ(device->SetVertexShader(kColorFvf), D3D_OK);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(triangles.size() / 3),
                                      triangles.data(), sizeof(ColorVertex)),
              D3D_OK);
}

struct CubeLookupVertex {  // D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE3(0)
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v, w;
};

class CubeLookupTest : public DeviceTest {
protected:
    // Stage 0 shows the cube map as it is, looked up by a three-component texture coordinate.
    void BindForLookUp(IDirect3DCubeTexture8* cube) {
        ASSERT_EQ(device->SetTexture(0, cube), D3D_OK);
        ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), D3D_OK);
        ASSERT_EQ(device->SetVertexShader(kScreenTexFvf | D3DFVF_TEXCOORDSIZE3(0)), D3D_OK);
    }

    // The colour the bound cube map holds in direction d.
    uint32_t LookUp(const D3DVECTOR& d) {
        ClearTo(0xFF000000);
        CubeLookupVertex quad[4];
        const float xs[4] = {0, 8, 0, 8};
        const float ys[4] = {0, 0, 8, 8};
        for (int i = 0; i < 4; ++i) quad[i] = {xs[i], ys[i], 0.5f, 1.0f, 0xFFFFFFFF, d.x, d.y, d.z};
        EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(CubeLookupVertex)),
                  D3D_OK);
        return Pixel(4, 4);
    }
};

// Where Direct3D lays each face out: the major axis, and the directions that texel columns (u)
// and rows (v, row 0 at the top) grow towards, in face order +X, -X, +Y, -Y, +Z, -Z.
struct FaceLayout {
    D3DVECTOR major, alongU, alongV;
};
const FaceLayout kFaceLayouts[6] = {
    {{1, 0, 0}, {0, 0, -1}, {0, -1, 0}}, {{-1, 0, 0}, {0, 0, 1}, {0, -1, 0}},
    {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}},   {{0, -1, 0}, {1, 0, 0}, {0, 0, -1}},
    {{0, 0, 1}, {1, 0, 0}, {0, -1, 0}},  {{0, 0, -1}, {-1, 0, 0}, {0, -1, 0}},
};

D3DCOLOR FaceQuadrantColor(int face, bool right, bool bottom) {
    return D3DCOLOR_XRGB(40 * face + 20, right ? 200 : 80, bottom ? 200 : 80);
}

TEST_F(CubeLookupTest, LockedFacesAreSeenWhereDirect3DLaysThemOut) {
    // Each face of a 4 x 4 map gets four 2 x 2 quadrants of distinct colours; looking towards the
    // middle of each quadrant must find it, so a face that is mirrored, turned or swapped fails.
    IDirect3DCubeTexture8* cube = nullptr;
    ASSERT_EQ(device->CreateCubeTexture(4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube), D3D_OK);
    for (int face = 0; face < 6; ++face) {
        D3DLOCKED_RECT locked{};
        const auto faceId = static_cast<D3DCUBEMAP_FACES>(face);
        ASSERT_EQ(cube->LockRect(faceId, 0, &locked, nullptr, 0), D3D_OK);
        for (int row = 0; row < 4; ++row) {
            auto* texels = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) +
                                                       row * locked.Pitch);
            for (int column = 0; column < 4; ++column) {
                texels[column] = FaceQuadrantColor(face, column >= 2, row >= 2);
            }
        }
        ASSERT_EQ(cube->UnlockRect(faceId, 0), D3D_OK);
    }
    BindForLookUp(cube);
    for (int face = 0; face < 6; ++face) {
        const FaceLayout& layout = kFaceLayouts[face];
        for (bool right : {false, true}) {
            for (bool bottom : {false, true}) {
                const float u = right ? 0.5f : -0.5f, v = bottom ? 0.5f : -0.5f;
                const D3DVECTOR d{layout.major.x + u * layout.alongU.x + v * layout.alongV.x,
                                  layout.major.y + u * layout.alongU.y + v * layout.alongV.y,
                                  layout.major.z + u * layout.alongU.z + v * layout.alongV.z};
                EXPECT_EQ(LookUp(d), FaceQuadrantColor(face, right, bottom))
                    << "face " << face << (right ? " right" : " left")
                    << (bottom ? " bottom" : " top");
            }
        }
    }
    device->SetTexture(0, nullptr);
    EXPECT_EQ(cube->Release(), 0u);
}

TEST_F(CubeLookupTest, CubeFaceRenderedWithFaceViewsIsSeenInEveryDirection) {
    IDirect3DCubeTexture8* cube = nullptr;
    ASSERT_EQ(device->CreateCubeTexture(16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &cube),
              D3D_OK);
    IDirect3DSurface8* savedTarget = nullptr;
    IDirect3DSurface8* savedDepth = nullptr;
    ASSERT_EQ(device->GetRenderTarget(&savedTarget), D3D_OK);
    ASSERT_EQ(device->GetDepthStencilSurface(&savedDepth), D3D_OK);

    ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
    ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    const D3DMATRIX projection = MatrixPerspectiveLH(0.2f, 0.2f, 0.1f, 10.0f);  // 90 degrees
    ASSERT_EQ(device->SetTransform(D3DTS_PROJECTION, &projection), D3D_OK);
    for (int face = 0; face < 6; ++face) {
        IDirect3DSurface8* surface = nullptr;
        ASSERT_EQ(cube->GetCubeMapSurface(static_cast<D3DCUBEMAP_FACES>(face), 0, &surface), D3D_OK);
        ASSERT_EQ(device->SetRenderTarget(surface, savedDepth), D3D_OK);
        surface->Release();
        ASSERT_EQ(device->SetTransform(D3DTS_VIEW, &kFaceViews[face]), D3D_OK);
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0), D3D_OK);
        DrawWalls(device);
    }
    ASSERT_EQ(device->SetRenderTarget(savedTarget, savedDepth), D3D_OK);
    savedTarget->Release();
    savedDepth->Release();

    // Look the map up by direction: each quadrant of each wall must come back.
    BindForLookUp(cube);
    for (int axis = 0; axis < 3; ++axis) {
        for (int sign : {1, -1}) {
            for (int signB : {1, -1}) {
                for (int signC : {1, -1}) {
                    const D3DVECTOR d = Compose(axis, static_cast<float>(sign), 0.5f * signB, 0.5f * signC);
                    EXPECT_EQ(LookUp(d), QuadrantColor(axis, sign, signB, signC))
                        << "direction " << d.x << ", " << d.y << ", " << d.z;
                }
            }
        }
    }
    device->SetTexture(0, nullptr);
    EXPECT_EQ(cube->Release(), 0u);
}

TEST_F(RenderTargetTest, SwitchingTargetsSharesTheDepthBufferAndKeepsTheBackBuffer) {
    IDirect3DCubeTexture8* cube = nullptr;
    ASSERT_EQ(device->CreateCubeTexture(16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &cube),
              D3D_OK);
    IDirect3DSurface8* back = nullptr;
    IDirect3DSurface8* depth = nullptr;
    ASSERT_EQ(device->GetRenderTarget(&back), D3D_OK);
    ASSERT_EQ(device->GetDepthStencilSurface(&depth), D3D_OK);
    ClearTo(0xFF0000FF);

    IDirect3DSurface8* face = nullptr;
    ASSERT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACE_POSITIVE_Z, 0, &face), D3D_OK);
    ASSERT_EQ(device->SetRenderTarget(face, depth), D3D_OK);
    IDirect3DSurface8* current = nullptr;
    ASSERT_EQ(device->GetRenderTarget(&current), D3D_OK);
    EXPECT_EQ(current, face);
    current->Release();
    D3DVIEWPORT8 viewport{};
    ASSERT_EQ(device->GetViewport(&viewport), D3D_OK);
    EXPECT_EQ(viewport.Width, 16u);  // the viewport follows the target

    // Depth works on the face with the device's depth buffer.
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0), D3D_OK);
    FillRect(0, 0, 16, 16, 0xFFFF0000, 0.2f);
    FillRect(0, 0, 16, 16, 0xFF00FF00, 0.7f);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(face->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<const uint32_t*>(locked.pBits)[8 * locked.Pitch / 4 + 8], 0xFFFF0000u);
    ASSERT_EQ(face->UnlockRect(), D3D_OK);

    // Without a depth surface nothing is depth tested.
    ASSERT_EQ(device->SetRenderTarget(face, nullptr), D3D_OK);
    IDirect3DSurface8* none = nullptr;
    EXPECT_EQ(device->GetDepthStencilSurface(&none), D3DERR_NOTFOUND);
    EXPECT_EQ(none, nullptr);
    FillRect(0, 0, 16, 16, 0xFF00FF00, 0.7f);
    ASSERT_EQ(cube->LockRect(D3DCUBEMAP_FACE_POSITIVE_Z, 0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<const uint32_t*>(locked.pBits)[8 * locked.Pitch / 4 + 8], 0xFF00FF00u);
    ASSERT_EQ(cube->UnlockRect(D3DCUBEMAP_FACE_POSITIVE_Z, 0), D3D_OK);
    EXPECT_EQ(cube->LockRect(D3DCUBEMAP_FACE_POSITIVE_Z, 0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    face->Release();

    // Back on the back buffer: its picture is intact; the depth written on the face is shared,
    // so the back buffer needs the z clear the cube pass does before drawing on.
    ASSERT_EQ(device->SetRenderTarget(back, depth), D3D_OK);
    EXPECT_EQ(Pixel(40, 40), 0xFF0000FFu);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0), D3D_OK);
    FillRect(0, 0, 16, 16, 0xFFFFFFFF, 0.7f);
    EXPECT_EQ(Pixel(8, 8), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(40, 40), 0xFF0000FFu);
    back->Release();
    depth->Release();
    EXPECT_EQ(cube->Release(), 0u);
}

TEST_F(RenderTargetTest, RefusesTargetsThatCannotBeDrawnInto) {
    IDirect3DTexture8* plain = MakeTexture(4, 4, std::vector<uint32_t>(16, 0));
    IDirect3DSurface8* level = nullptr;
    ASSERT_EQ(plain->GetSurfaceLevel(0, &level), D3D_OK);
    IDirect3DSurface8* depth = nullptr;
    ASSERT_EQ(device->GetDepthStencilSurface(&depth), D3D_OK);
    EXPECT_EQ(device->SetRenderTarget(level, depth), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderTarget(depth, depth), D3DERR_INVALIDCALL);

    // A depth buffer smaller than the target is refused.
    IDirect3DTexture8* large = nullptr;
    ASSERT_EQ(device->CreateTexture(128, 128, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &large),
              D3D_OK);
    IDirect3DSurface8* largeLevel = nullptr;
    ASSERT_EQ(large->GetSurfaceLevel(0, &largeLevel), D3D_OK);
    EXPECT_EQ(device->SetRenderTarget(largeLevel, depth), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderTarget(largeLevel, nullptr), D3D_OK);
    IDirect3DSurface8* back = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    EXPECT_EQ(device->SetRenderTarget(back, depth), D3D_OK);

    back->Release();
    largeLevel->Release();
    EXPECT_EQ(large->Release(), 0u);
    level->Release();
    depth->Release();
    EXPECT_EQ(plain->Release(), 0u);
}

}  // namespace
}  // namespace tavrin::testing
