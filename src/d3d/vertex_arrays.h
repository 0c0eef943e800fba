#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "d3d/d3dtypes.h"
#include "d3d/gl_api.h"
#include "d3d/gl_state_cache.h"

namespace tavrin::d3d {

// One vertex array object for each buffer and vertex layout drawn from, set up once and bound
// again after. A driver may take an array object that keeps being re-pointed for one that changes
// all the time and feed its attributes to the same shaders another way from then on: Mesa stops
// merging interleaved attributes into one vertex buffer, which needs a new variant of every
// vertex shader drawn before, compiled in the middle of the show.
class VertexArrays {
public:
    struct Source {
        GLuint buffer = 0;
        DWORD fvf = 0;
        UINT stride = 0;
        size_t firstByte = 0;  // where vertex 0 starts in the buffer
        bool operator==(const Source&) const = default;
    };

    VertexArrays() = default;
    VertexArrays(const VertexArrays&) = delete;
    VertexArrays& operator=(const VertexArrays&) = delete;

    // Binds the array object that reads `source`: true when it was just made and its attributes
    // still have to be pointed at the buffer (with it bound).
    bool Bind(GlStateCache& cache, const Source& source);
    // Makes `buffer` the indices of the array object bound last.
    void BindIndices(GLuint buffer);
    // Deletes the array objects that read `buffer`, as vertices or as indices: GL keeps a deleted
    // buffer's store while an array object refers to it, and its name may come back for another.
    void ForgetBuffer(GlStateCache& cache, GLuint buffer);
    // Deletes them all; the context must be current.
    void Clear(GlStateCache& cache);

    size_t size() const { return arrays_.size(); }

private:
    struct SourceHash {
        size_t operator()(const Source& source) const;
    };
    struct Array {
        GLuint name = 0;
        GLuint indices = 0;
    };
    // Callers that draw from ever new buffers and layouts get their array objects made again
    // rather than an ever longer list.
    static constexpr size_t kMostArrays = 256;

    using Arrays = std::unordered_map<Source, Array, SourceHash>;
    Arrays arrays_;
    Arrays::value_type* bound_ = nullptr;  // the entry bound last (its key says what it reads)
};

}  // namespace tavrin::d3d
