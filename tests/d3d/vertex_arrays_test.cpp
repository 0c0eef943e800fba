#include <gtest/gtest.h>

#include "d3d/vertex_arrays.h"
#include "device_fixture.h"

namespace tavrin::testing {
namespace {

using VertexArraysTest = DeviceTest;  // for its GL context

// An array object is made once per buffer and layout, and goes with the buffers it reads: GL
// would keep a deleted buffer's store for it, and a new buffer under the old name would find it.
TEST_F(VertexArraysTest, MadeOncePerSourceAndDeletedWithTheBuffersTheyRead) {
    d3d::GlStateCache cache;
    d3d::VertexArrays arrays;
    GLuint buffers[3] = {};
    glGenBuffers(3, buffers);
    const auto [vertices, others, indices] = buffers;
    const d3d::VertexArrays::Source screen{vertices, kScreenFvf, sizeof(ScreenVertex), 0};
    const d3d::VertexArrays::Source textured{vertices, kScreenTexFvf, sizeof(ScreenTexVertex), 0};

    EXPECT_TRUE(arrays.Bind(cache, screen));
    const GLuint first = cache.vertexArray();
    EXPECT_TRUE(arrays.Bind(cache, textured));
    EXPECT_TRUE(arrays.Bind(cache, {others, kScreenFvf, sizeof(ScreenVertex), 0}));
    EXPECT_FALSE(arrays.Bind(cache, screen));
    EXPECT_EQ(cache.vertexArray(), first);
    EXPECT_FALSE(arrays.Bind(cache, screen));  // already bound
    EXPECT_EQ(arrays.size(), 3u);

    arrays.BindIndices(indices);  // read by `screen`'s array object only
    arrays.ForgetBuffer(cache, indices);
    EXPECT_EQ(arrays.size(), 2u);
    EXPECT_FALSE(glIsVertexArray(first));
    EXPECT_EQ(cache.vertexArray(), 0u);
    arrays.ForgetBuffer(cache, vertices);
    EXPECT_EQ(arrays.size(), 1u);
    EXPECT_TRUE(arrays.Bind(cache, screen));  // made again

    // A caller that keeps drawing from new sources gets a bounded number of them.
    for (UINT stride = 1; stride <= 1000; ++stride) arrays.Bind(cache, {others, kScreenFvf, stride, 0});
    EXPECT_LE(arrays.size(), 256u);
    arrays.Clear(cache);
    EXPECT_EQ(arrays.size(), 0u);
    glBindVertexArray(0);
    glDeleteBuffers(3, buffers);
}

}  // namespace
}  // namespace tavrin::testing
