#include "effects/stage_states.h"

namespace tavrin {

void SetStageOp(IDirect3DDevice8* device, DWORD stage, D3DTEXTURESTAGESTATETYPE opState, DWORD op,
                DWORD argument1, DWORD argument2) {
    const bool colour = opState == D3DTSS_COLOROP;
    device->SetTextureStageState(stage, opState, op);
    device->SetTextureStageState(stage, colour ? D3DTSS_COLORARG1 : D3DTSS_ALPHAARG1, argument1);
    device->SetTextureStageState(stage, colour ? D3DTSS_COLORARG2 : D3DTSS_ALPHAARG2, argument2);
}

void SetModulateStage(IDirect3DDevice8* device, DWORD stage, DWORD argument1, DWORD argument2) {
    SetStageOp(device, stage, D3DTSS_COLOROP, D3DTOP_MODULATE, argument1, argument2);
    SetStageOp(device, stage, D3DTSS_ALPHAOP, D3DTOP_MODULATE, argument1, argument2);
}

void SetLinearSampling(IDirect3DDevice8* device, DWORD stage, D3DTEXTUREADDRESS address) {
    device->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(stage, D3DTSS_MIPFILTER, D3DTEXF_NONE);
    device->SetTextureStageState(stage, D3DTSS_ADDRESSU, address);
    device->SetTextureStageState(stage, D3DTSS_ADDRESSV, address);
}

D3DMATRIX SphereMapMatrix(float scale) {
    return D3DMATRIX{{{scale, 0, 0, 0}, {0, -scale, 0, 0}, {0, 0, 1, 0}, {0.5f, 0.5f, 0, 1}}};
}

void SetSphereMapStages(IDirect3DDevice8* device, float scale) {
    const D3DMATRIX sphereMap = SphereMapMatrix(scale);
    device->SetTransform(D3DTS_TEXTURE0, &sphereMap);
    device->SetTransform(D3DTS_TEXTURE1, &sphereMap);
    for (DWORD stage = 0; stage < 2; ++stage) {
        device->SetTextureStageState(stage, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACENORMAL);
        device->SetTextureStageState(stage, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    }
}

void SetEnvironmentAddStage(IDirect3DDevice8* device, IDirect3DBaseTexture8* environment) {
    device->SetTexture(1, environment);
    SetStageOp(device, 1, D3DTSS_COLOROP, D3DTOP_MULTIPLYADD, D3DTA_TFACTOR, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_COLORARG0, D3DTA_CURRENT);
    SetStageOp(device, 1, D3DTSS_ALPHAOP, D3DTOP_MODULATE, D3DTA_CURRENT, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_ALPHAARG0, D3DTA_CURRENT);
    SetLinearSampling(device, 1, D3DTADDRESS_WRAP);
}

void ResetSphereMapStages(IDirect3DDevice8* device) {
    device->SetTexture(0, nullptr);
    device->SetTexture(1, nullptr);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    for (DWORD stage = 0; stage < 2; ++stage) {
        device->SetTextureStageState(stage, D3DTSS_TEXCOORDINDEX, 0);
        device->SetTextureStageState(stage, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    }
}

}  // namespace tavrin
