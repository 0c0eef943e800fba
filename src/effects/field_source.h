#pragma once

#include <cstdint>

#include "d3d/d3dtypes.h"
#include "effects/vec3.h"

namespace tavrin {

// A scalar field for MetaballField: values >= 0 are inside, < 0 outside, the surface is where the
// value crosses 0. Effects that show metaballs implement it as their second base. The field never
// owns its source, so the source is not deleted through this interface.
class FieldSource {
public:
    virtual float Value(const Vec3& /*point*/) const { return -1.0f; }
    // Diffuse colour (A8R8G8B8) of a surface vertex at the point.
    virtual D3DCOLOR Colour(const Vec3& /*point*/) const { return 0xFFFFFFFFu; }
    // Holds its place among the operations; no field calls it and every source answers false.
    virtual bool Reserved(int /*first*/, int /*second*/) { return false; }
    // Writes the surface normal at the point when the source can; the field ignores the flag.
    virtual bool Normal(Vec3& /*normal*/, const Vec3& /*point*/) const { return false; }
    // Changes whenever anything Value, Colour or Normal depend on changes, so that a field can
    // tell that a pass would repeat its last one. kUntracked (the default): every pass is made.
    static constexpr uint64_t kUntracked = 0;
    virtual uint64_t Revision() const { return kUntracked; }

    // 0: the field derives vertex normals from its triangles; 1: Normal supplies them; any other
    // value leaves every normal at zero.
    int normalMode = 0;

protected:
    FieldSource() = default;
    FieldSource(const FieldSource&) = default;
    FieldSource& operator=(const FieldSource&) = default;
    ~FieldSource() = default;
};

}  // namespace tavrin
