#include "d3d/device_state.h"

#include <cstring>

namespace tavrin::d3d {

namespace {

// Through memcpy rather than std::bit_cast, which the browser build's C++ library lacks.
DWORD FloatBits(float value) {
    DWORD bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

}  // namespace

D3DMATRIX IdentityMatrix() {
    D3DMATRIX m{};
    for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
    return m;
}

bool IsKnownRenderState(DWORD state) {
    switch (state) {
        case D3DRS_ZENABLE: case D3DRS_FILLMODE: case D3DRS_SHADEMODE: case D3DRS_LINEPATTERN:
        case D3DRS_ZWRITEENABLE: case D3DRS_ALPHATESTENABLE: case D3DRS_LASTPIXEL:
        case D3DRS_SRCBLEND: case D3DRS_DESTBLEND: case D3DRS_CULLMODE: case D3DRS_ZFUNC:
        case D3DRS_ALPHAREF: case D3DRS_ALPHAFUNC: case D3DRS_DITHERENABLE:
        case D3DRS_ALPHABLENDENABLE: case D3DRS_FOGENABLE: case D3DRS_SPECULARENABLE:
        case D3DRS_ZVISIBLE: case D3DRS_FOGCOLOR: case D3DRS_FOGTABLEMODE: case D3DRS_FOGSTART:
        case D3DRS_FOGEND: case D3DRS_FOGDENSITY: case D3DRS_EDGEANTIALIAS: case D3DRS_ZBIAS:
        case D3DRS_RANGEFOGENABLE: case D3DRS_STENCILENABLE: case D3DRS_STENCILFAIL:
        case D3DRS_STENCILZFAIL: case D3DRS_STENCILPASS: case D3DRS_STENCILFUNC:
        case D3DRS_STENCILREF: case D3DRS_STENCILMASK: case D3DRS_STENCILWRITEMASK:
        case D3DRS_TEXTUREFACTOR: case D3DRS_CLIPPING: case D3DRS_LIGHTING: case D3DRS_AMBIENT:
        case D3DRS_FOGVERTEXMODE: case D3DRS_COLORVERTEX: case D3DRS_LOCALVIEWER:
        case D3DRS_NORMALIZENORMALS: case D3DRS_DIFFUSEMATERIALSOURCE:
        case D3DRS_SPECULARMATERIALSOURCE: case D3DRS_AMBIENTMATERIALSOURCE:
        case D3DRS_EMISSIVEMATERIALSOURCE: case D3DRS_VERTEXBLEND: case D3DRS_CLIPPLANEENABLE:
        case D3DRS_SOFTWAREVERTEXPROCESSING: case D3DRS_POINTSIZE: case D3DRS_POINTSIZE_MIN:
        case D3DRS_POINTSPRITEENABLE: case D3DRS_POINTSCALEENABLE: case D3DRS_POINTSCALE_A:
        case D3DRS_POINTSCALE_B: case D3DRS_POINTSCALE_C: case D3DRS_MULTISAMPLEANTIALIAS:
        case D3DRS_MULTISAMPLEMASK: case D3DRS_PATCHEDGESTYLE: case D3DRS_PATCHSEGMENTS:
        case D3DRS_DEBUGMONITORTOKEN: case D3DRS_POINTSIZE_MAX:
        case D3DRS_INDEXEDVERTEXBLENDENABLE: case D3DRS_COLORWRITEENABLE:
        case D3DRS_TWEENFACTOR: case D3DRS_BLENDOP:
            return true;
        default:
            return state >= D3DRS_WRAP0 && state <= D3DRS_WRAP7;
    }
}

bool IsKnownStageState(DWORD type) {
    return type >= D3DTSS_COLOROP && type <= D3DTSS_RESULTARG && type != 12;
}

D3DMATRIX* TransformSlot(DeviceState& state, DWORD type) {
    switch (type) {
        case D3DTS_WORLD: return &state.world;
        case D3DTS_VIEW: return &state.view;
        case D3DTS_PROJECTION: return &state.projection;
        default:
            if (type >= D3DTS_TEXTURE0 && type <= D3DTS_TEXTURE7) {
                return &state.textureTransforms[type - D3DTS_TEXTURE0];
            }
            return nullptr;
    }
}

void ResetToDefaults(DeviceState& state, bool autoDepthStencil) {
    auto& rs = state.renderStates;
    rs.fill(0);
    rs[D3DRS_ZENABLE] = autoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = TRUE;
    rs[D3DRS_ALPHATESTENABLE] = FALSE;
    rs[D3DRS_LASTPIXEL] = TRUE;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAREF] = 0;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_FOGEND] = FloatBits(1.0f);
    rs[D3DRS_FOGDENSITY] = FloatBits(1.0f);
    rs[D3DRS_STENCILFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILZFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_STENCILMASK] = 0xFFFFFFFF;
    rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
    rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
    rs[D3DRS_CLIPPING] = TRUE;
    rs[D3DRS_LIGHTING] = TRUE;
    rs[D3DRS_AMBIENT] = 0;
    rs[D3DRS_COLORVERTEX] = TRUE;
    rs[D3DRS_LOCALVIEWER] = TRUE;
    rs[D3DRS_NORMALIZENORMALS] = FALSE;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_POINTSIZE] = FloatBits(1.0f);
    rs[D3DRS_POINTSCALE_A] = FloatBits(1.0f);
    rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
    rs[D3DRS_PATCHSEGMENTS] = FloatBits(1.0f);
    rs[D3DRS_POINTSIZE_MAX] = FloatBits(64.0f);
    rs[D3DRS_COLORWRITEENABLE] = 0xF;
    rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;

    for (int stage = 0; stage < kStageCount; ++stage) {
        auto& ss = state.stageStates[stage];
        ss.fill(0);
        ss[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        ss[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        ss[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        ss[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        ss[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        ss[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        ss[D3DTSS_TEXCOORDINDEX] = static_cast<DWORD>(stage);
        ss[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
        ss[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
        ss[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
        ss[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
        ss[D3DTSS_MINFILTER] = D3DTEXF_POINT;
        ss[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
        ss[D3DTSS_MAXANISOTROPY] = 1;
        ss[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
        ss[D3DTSS_COLORARG0] = D3DTA_CURRENT;
        ss[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
        ss[D3DTSS_RESULTARG] = D3DTA_CURRENT;
    }

    state.world = state.view = state.projection = IdentityMatrix();
    state.textureTransforms.fill(IdentityMatrix());
    state.material = D3DMATERIAL8{};
    state.lights = {};
    state.vertexFormat = 0;
}

}  // namespace tavrin::d3d
