#pragma once

#include "d3d/d3d8.h"

// Texture-stage settings several effects share.

namespace tavrin {

// An operation with its two arguments: for D3DTSS_COLOROP the colour arguments, for
// D3DTSS_ALPHAOP the alpha arguments.
void SetStageOp(IDirect3DDevice8* device, DWORD stage, D3DTEXTURESTAGESTATETYPE opState,
                DWORD op, DWORD argument1, DWORD argument2);

// Colour and alpha both the product of the same two arguments.
void SetModulateStage(IDirect3DDevice8* device, DWORD stage, DWORD argument1, DWORD argument2);

// Bilinear magnification and minification, no mip filter, the given addressing along u and v.
void SetLinearSampling(IDirect3DDevice8* device, DWORD stage, D3DTEXTUREADDRESS address);

// Texture matrix turning camera-space normals into sphere-map coordinates:
// (0.5 + scale * n.x, 0.5 - scale * n.y).
D3DMATRIX SphereMapMatrix(float scale);

// Stages 0 and 1 read sphere-map coordinates generated from camera-space normals.
void SetSphereMapStages(IDirect3DDevice8* device, float scale);

// Stage 1 adds half-grey times the environment texture to the result of stage 0
// (MULTIPLYADD of TFACTOR and TEXTURE onto CURRENT).
void SetEnvironmentAddStage(IDirect3DDevice8* device, IDirect3DBaseTexture8* environment);

// Back to plain drawing after sphere-mapped stages: no textures on stages 0 and 1, stage 1
// disabled, both stages reading coordinate set 0 without a texture transform.
void ResetSphereMapStages(IDirect3DDevice8* device);

}  // namespace tavrin
