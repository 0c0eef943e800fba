#pragma once

#include <string>

#include "d3d/fixed_function_key.h"

namespace tavrin::d3d {

// Vertex attribute locations the generated programs read.
inline constexpr int kPositionAttribute = 0;
inline constexpr int kNormalAttribute = 1;
inline constexpr int kDiffuseAttribute = 2;
inline constexpr int kSpecularAttribute = 3;
inline constexpr int kTexCoordAttribute0 = 4;  // one per coordinate set

// GLSL 3.30 sources of the fixed-function pipeline a key describes. Uniforms:
//  uWorldView, uProjection (row-vector matrices uploaded as they are, read as column-major),
//  uNormalMatrix, uViewport (x, y, width, height in pixels), uTextureMatrix0/1, uMaterialDiffuse,
//  uMaterialAmbient, uMaterialEmissive, uAmbientLight, uLightDirection[] (towards the light, camera
//  space), uLightDiffuse[], uTextureFactor, uAlphaReference (0..255), samplers uTexture0/1.
std::string VertexShaderSource(const FixedFunctionKey& key);
std::string FragmentShaderSource(const FixedFunctionKey& key);

}  // namespace tavrin::d3d
