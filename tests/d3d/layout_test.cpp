#include <gtest/gtest.h>

#include "d3d/present_layout.h"
#include "d3d/vertex_format.h"

namespace tavrin::d3d {
namespace {

TEST(LetterboxTest, KeepsTheAspectAndCentres) {
    const PixelRect wide = LetterboxRect(800, 600, 1920, 1080);
    EXPECT_EQ(wide.width, 1440);
    EXPECT_EQ(wide.height, 1080);
    EXPECT_EQ(wide.x, 240);
    EXPECT_EQ(wide.y, 0);
    const PixelRect tall = LetterboxRect(800, 600, 1000, 1000);
    EXPECT_EQ(tall.width, 1000);
    EXPECT_EQ(tall.height, 750);
    EXPECT_EQ(tall.y, 125);
    const PixelRect exact = LetterboxRect(800, 600, 1600, 1200);
    EXPECT_EQ(exact.x, 0);
    EXPECT_EQ(exact.width, 1600);
    EXPECT_EQ(exact.height, 1200);
    const PixelRect none = LetterboxRect(800, 600, 0, 0);
    EXPECT_EQ(none.width, 0);
}

TEST(VertexFormatTest, LayoutsOfTheFormatsTheShowDraws) {
    struct Case {
        DWORD fvf;
        int stride;
    };
    for (const Case& c : {Case{D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE, 28},
                          Case{D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1, 24},
                          Case{D3DFVF_XYZRHW | D3DFVF_DIFFUSE, 20},
                          Case{D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1, 28},
                          Case{D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, 32}}) {
        const VertexLayout layout = DecodeVertexFormat(c.fvf);
        EXPECT_TRUE(layout.valid) << c.fvf;
        EXPECT_EQ(layout.stride, c.stride) << c.fvf;
    }
    const VertexLayout mesh = DecodeVertexFormat(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    EXPECT_EQ(mesh.normal, 12);
    EXPECT_EQ(mesh.diffuse, -1);
    EXPECT_EQ(mesh.texCoord[0], 24);
    const VertexLayout screen = DecodeVertexFormat(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX2 |
                                                   D3DFVF_TEXCOORDSIZE3(1));
    EXPECT_TRUE(screen.transformed);
    EXPECT_EQ(screen.diffuse, 16);
    EXPECT_EQ(screen.texCoord[1], 28);
    EXPECT_EQ(screen.texCoordSize[1], 3);
    EXPECT_EQ(screen.stride, 40);

    EXPECT_FALSE(DecodeVertexFormat(0).valid);
    EXPECT_FALSE(DecodeVertexFormat(D3DFVF_XYZB1 | D3DFVF_DIFFUSE).valid);
    EXPECT_FALSE(DecodeVertexFormat(D3DFVF_XYZ | D3DFVF_PSIZE).valid);
}

TEST(VertexFormatTest, VerticesPerPrimitiveCount) {
    EXPECT_EQ(VertexCountFor(D3DPT_TRIANGLELIST, 2), 6u);
    EXPECT_EQ(VertexCountFor(D3DPT_TRIANGLESTRIP, 2), 4u);
    EXPECT_EQ(VertexCountFor(D3DPT_TRIANGLEFAN, 3), 5u);
    EXPECT_EQ(VertexCountFor(D3DPT_LINESTRIP, 3), 4u);
    EXPECT_EQ(VertexCountFor(D3DPT_TRIANGLESTRIP, 0), 0u);
    EXPECT_EQ(VertexCountFor(static_cast<D3DPRIMITIVETYPE>(9), 1), 0u);
}

}  // namespace
}  // namespace tavrin::d3d
