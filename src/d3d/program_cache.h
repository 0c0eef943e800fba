#pragma once

#include "d3d/gl_api.h"

#include <array>
#include <cstdint>
#include <memory>
#include <unordered_map>

#include "d3d/fixed_function_key.h"
#include "d3d/gl_state_cache.h"

namespace tavrin::d3d {

// Versions of the groups of uniforms a draw may need to upload; the device bumps a group's
// version when its inputs change, and a program uploads a group whose version it has not seen.
struct UniformVersions {
    uint64_t transforms = 0;
    uint64_t viewport = 0;
    uint64_t textureMatrices = 0;
    uint64_t lighting = 0;
    uint64_t factors = 0;
};

// A linked fixed-function program and where its uniforms are.
struct Program {
    GLuint id = 0;
    GLint worldView = -1;
    GLint projection = -1;
    GLint normalMatrix = -1;
    GLint viewport = -1;
    std::array<GLint, kDrawnStageCount> textureMatrix{-1, -1};
    GLint materialDiffuse = -1;
    GLint materialAmbient = -1;
    GLint materialEmissive = -1;
    GLint ambientLight = -1;
    GLint lightDirection = -1;
    GLint lightDiffuse = -1;
    GLint textureFactor = -1;
    GLint alphaReference = -1;
    UniformVersions uploaded;
};

// One program per fixed-function key, generated and linked on first use. A key GL refused to
// build is remembered as refused, so it is reported once and not compiled again on every draw.
// Programs are used and deleted through `cache`, which therefore must outlive the cache.
class ProgramCache {
public:
    explicit ProgramCache(GlStateCache& cache) : cache_(cache) {}
    ProgramCache(const ProgramCache&) = delete;
    ProgramCache& operator=(const ProgramCache&) = delete;
    ~ProgramCache();

    // The program for `key`; null when GL refuses to build it. Building one leaves it in use.
    Program* Find(const FixedFunctionKey& key);
    // Keys tried, built or refused.
    size_t size() const { return programs_.size(); }

private:
    GlStateCache& cache_;
    // A null entry stands for a key GL refused.
    std::unordered_map<FixedFunctionKey, std::unique_ptr<Program>, FixedFunctionKeyHash> programs_;
};

}  // namespace tavrin::d3d
