#include <gtest/gtest.h>

#include <cstring>

#include "d3d/gl_device.h"
#include "device_fixture.h"

namespace tavrin::testing {
namespace {

using StateTest = DeviceTest;

bool IsIdentity(const D3DMATRIX& m) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (m.m[r][c] != (r == c ? 1.0f : 0.0f)) return false;
        }
    }
    return true;
}

TEST_F(StateTest, NewDeviceStartsInTheDocumentedDefaults) {
    struct Expect {
        D3DRENDERSTATETYPE state;
        DWORD value;
    };
    for (const Expect& e : {Expect{D3DRS_ZENABLE, D3DZB_TRUE}, Expect{D3DRS_ZWRITEENABLE, TRUE},
                            Expect{D3DRS_CULLMODE, D3DCULL_CCW}, Expect{D3DRS_FILLMODE, D3DFILL_SOLID},
                            Expect{D3DRS_LIGHTING, TRUE}, Expect{D3DRS_ALPHABLENDENABLE, FALSE},
                            Expect{D3DRS_SRCBLEND, D3DBLEND_ONE}, Expect{D3DRS_DESTBLEND, D3DBLEND_ZERO},
                            Expect{D3DRS_ALPHATESTENABLE, FALSE}, Expect{D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
                            Expect{D3DRS_ALPHAREF, 0}, Expect{D3DRS_TEXTUREFACTOR, 0xFFFFFFFF},
                            Expect{D3DRS_AMBIENT, 0}, Expect{D3DRS_SPECULARENABLE, FALSE},
                            Expect{D3DRS_COLORVERTEX, TRUE}, Expect{D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
                            Expect{D3DRS_NORMALIZENORMALS, FALSE}, Expect{D3DRS_LOCALVIEWER, TRUE}}) {
        DWORD value = 0xDEADBEEF;
        ASSERT_EQ(device->GetRenderState(e.state, &value), D3D_OK);
        EXPECT_EQ(value, e.value) << "render state " << e.state;
    }
    DWORD value = 0;
    for (DWORD stage = 0; stage < 2; ++stage) {
        device->GetTextureStageState(stage, D3DTSS_COLOROP, &value);
        EXPECT_EQ(value, stage == 0 ? DWORD{D3DTOP_MODULATE} : DWORD{D3DTOP_DISABLE});
        device->GetTextureStageState(stage, D3DTSS_ALPHAOP, &value);
        EXPECT_EQ(value, stage == 0 ? DWORD{D3DTOP_SELECTARG1} : DWORD{D3DTOP_DISABLE});
        device->GetTextureStageState(stage, D3DTSS_TEXCOORDINDEX, &value);
        EXPECT_EQ(value, stage);
        device->GetTextureStageState(stage, D3DTSS_MINFILTER, &value);
        EXPECT_EQ(value, DWORD{D3DTEXF_POINT});
        device->GetTextureStageState(stage, D3DTSS_MIPFILTER, &value);
        EXPECT_EQ(value, DWORD{D3DTEXF_NONE});
        device->GetTextureStageState(stage, D3DTSS_ADDRESSU, &value);
        EXPECT_EQ(value, DWORD{D3DTADDRESS_WRAP});
        device->GetTextureStageState(stage, D3DTSS_TEXTURETRANSFORMFLAGS, &value);
        EXPECT_EQ(value, DWORD{D3DTTFF_DISABLE});
    }
    for (D3DTRANSFORMSTATETYPE t : {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION, D3DTS_TEXTURE0, D3DTS_TEXTURE1}) {
        D3DMATRIX m{};
        ASSERT_EQ(device->GetTransform(t, &m), D3D_OK);
        EXPECT_TRUE(IsIdentity(m)) << "transform " << t;
    }
    BOOL enabled = TRUE;
    EXPECT_EQ(device->GetLightEnable(0, &enabled), D3DERR_INVALIDCALL);  // no light set yet
    IDirect3DBaseTexture8* texture = reinterpret_cast<IDirect3DBaseTexture8*>(this);
    ASSERT_EQ(device->GetTexture(0, &texture), D3D_OK);
    EXPECT_EQ(texture, nullptr);
}

TEST_F(StateTest, QueriesReturnWhatWasSet) {
    ASSERT_EQ(device->SetRenderState(D3DRS_ALPHAREF, 64), D3D_OK);
    DWORD value = 0;
    ASSERT_EQ(device->GetRenderState(D3DRS_ALPHAREF, &value), D3D_OK);
    EXPECT_EQ(value, 64u);
    ASSERT_EQ(device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR), D3D_OK);
    ASSERT_EQ(device->GetTextureStageState(1, D3DTSS_TEXCOORDINDEX, &value), D3D_OK);
    EXPECT_EQ(value, D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR);

    D3DMATRIX m{};
    for (int i = 0; i < 16; ++i) m.m[i / 4][i % 4] = static_cast<float>(i + 1);
    for (D3DTRANSFORMSTATETYPE t : {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION, D3DTS_TEXTURE0, D3DTS_TEXTURE1}) {
        ASSERT_EQ(device->SetTransform(t, &m), D3D_OK);
        D3DMATRIX read{};
        ASSERT_EQ(device->GetTransform(t, &read), D3D_OK);
        EXPECT_EQ(std::memcmp(&read, &m, sizeof(m)), 0) << "transform " << t;
    }
    // MultiplyTransform applies its matrix first.
    const D3DMATRIX scale{{{2, 0, 0, 0}, {0, 2, 0, 0}, {0, 0, 2, 0}, {0, 0, 0, 1}}};
    const D3DMATRIX move{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {5, 0, 0, 1}}};
    ASSERT_EQ(device->SetTransform(D3DTS_WORLD, &move), D3D_OK);
    ASSERT_EQ(device->MultiplyTransform(D3DTS_WORLD, &scale), D3D_OK);
    ASSERT_EQ(device->GetTransform(D3DTS_WORLD, &m), D3D_OK);
    EXPECT_EQ(m.m[3][0], 5.0f);
    EXPECT_EQ(m.m[0][0], 2.0f);

    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Direction = {-0.8f, -0.4f, 1.0f};
    ASSERT_EQ(device->SetLight(0, &light), D3D_OK);
    ASSERT_EQ(device->LightEnable(0, TRUE), D3D_OK);
    D3DLIGHT8 readLight{};
    ASSERT_EQ(device->GetLight(0, &readLight), D3D_OK);
    EXPECT_EQ(readLight.Direction.x, -0.8f);
    BOOL enabled = FALSE;
    ASSERT_EQ(device->GetLightEnable(0, &enabled), D3D_OK);
    EXPECT_EQ(enabled, TRUE);
    DWORD format = 0;
    ASSERT_EQ(device->SetVertexShader(kLitFvf), D3D_OK);
    ASSERT_EQ(device->GetVertexShader(&format), D3D_OK);
    EXPECT_EQ(format, kLitFvf);

    // Unknown states are refused and leave the known ones alone.
    EXPECT_EQ(device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(3), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTextureStageState(8, D3DTSS_COLOROP, D3DTOP_MODULATE), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(99), &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetLight(8, &light), D3DERR_INVALIDCALL);
}

// Unchanged state costs no GL call, and one program serves every draw with the same state.
TEST_F(StateTest, RepeatedDrawsReuseStateAndProgram) {
    auto* gl = static_cast<d3d::Device*>(device);
    ClearTo(0xFF000000);
    FillRect(0, 0, 8, 8, 0xFFFF0000);
    const size_t programs = gl->programCount();
    const uint64_t calls = gl->glStateCalls();
    ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW), D3D_OK);  // already so
    FillRect(8, 0, 16, 8, 0xFF00FF00);
    EXPECT_EQ(gl->glStateCalls(), calls);
    EXPECT_EQ(gl->programCount(), programs);

    ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    FillRect(16, 0, 24, 8, 0xFF0000FF);
    EXPECT_GT(gl->glStateCalls(), calls);
    EXPECT_EQ(gl->programCount(), programs);  // culling is not part of the program

    ASSERT_EQ(device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF00FF00), D3D_OK);
    ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR), D3D_OK);
    FillRect(24, 0, 32, 8, 0xFFFFFFFF);
    EXPECT_EQ(gl->programCount(), programs + 1);
    EXPECT_EQ(Pixel(28, 4), 0xFF00FF00u);
    ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE), D3D_OK);
    FillRect(32, 0, 40, 8, 0xFFFFFFFF);
    EXPECT_EQ(gl->programCount(), programs + 1);  // back to a state seen before
    EXPECT_EQ(Pixel(4, 4), 0xFFFF0000u);
    EXPECT_EQ(Pixel(12, 4), 0xFF00FF00u);
}

TEST(Direct3DTest, ReportsTheCapabilitiesOfTheBackend) {
    EXPECT_EQ(Direct3DCreate8(121), nullptr);
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DCAPS8 caps{};
    ASSERT_EQ(d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_NE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT, 0u);
    EXPECT_NE(caps.TextureCaps & D3DPTEXTURECAPS_CUBEMAP, 0u);
    EXPECT_NE(caps.TextureOpCaps & D3DTEXOPCAPS_DOTPRODUCT3, 0u);
    EXPECT_NE(caps.TextureOpCaps & D3DTEXOPCAPS_MULTIPLYADD, 0u);
    EXPECT_EQ(caps.TextureOpCaps & D3DTEXOPCAPS_BUMPENVMAP, 0u);
    EXPECT_EQ(caps.MaxSimultaneousTextures, 2u);
    D3DDISPLAYMODE mode{};
    ASSERT_EQ(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
    EXPECT_GT(mode.Width, 0u);
    EXPECT_EQ(d3d->GetAdapterDisplayMode(1, &mode), D3DERR_INVALIDCALL);

    // Creation refuses what it cannot make and leaves the pointer null.
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferFormat = D3DFMT_A8R8G8B8;
    IDirect3DDevice8* device = reinterpret_cast<IDirect3DDevice8*>(d3d);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device),
              D3DERR_INVALIDCALL);  // no size and no window to take one from
    EXPECT_EQ(device, nullptr);
    parameters.BackBufferWidth = 32;
    parameters.BackBufferHeight = 32;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &parameters, &device), D3DERR_INVALIDCALL);
    parameters.BackBufferFormat = D3DFMT_R5G6B5;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &device),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(d3d->Release(), 0u);
}

}  // namespace
}  // namespace tavrin::testing
