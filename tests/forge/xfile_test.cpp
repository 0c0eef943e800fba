// The X files as the show's own reader sees them: the same triangles, windings, normals,
// texture coordinates and materials the forge built.

#include <cmath>

#include <gtest/gtest.h>

#include "forge_fixture.h"
#include "gfxutil/xfile_reader.h"
#include "models/football_mesh.h"
#include "models/stadium_mesh.h"
#include "models/trophy_mesh.h"

namespace tavrin::forge::test {
namespace {

void ExpectSameMesh(const MeshAsset& asset) {
    SCOPED_TRACE(asset.file);
    XFileContents read;
    std::string error;
    ASSERT_TRUE(ReadXFile(LoadEntry(asset.file), read, error)) << error;
    const TriangleMesh& built = asset.mesh;
    // The reader may merge vertices that are equal in every component, so compare the corners
    // of every face rather than vertex numbers.
    ASSERT_LE(read.mesh.vertices.size(), built.positions.size());
    ASSERT_EQ(read.mesh.FaceCount(), built.faces.size());
    ASSERT_EQ(read.materials.size(), built.materials.size());
    double worst = 0.0;
    for (size_t f = 0; f < built.faces.size(); ++f) {
        const Face& face = built.faces[f];
        const uint32_t corners[3] = {face.a, face.b, face.c};
        for (int k = 0; k < 3; ++k) {
            const MeshVertex& v = read.mesh.vertices.at(read.mesh.indices[3 * f + k]);
            const uint32_t i = corners[k];
            const V3& p = built.positions[i];
            const V3& n = built.normals[i];
            for (double d : {v.x - p.x, v.y - p.y, v.z - p.z, v.nx - n.x, v.ny - n.y, v.nz - n.z,
                             v.u - built.uvs[i].x, v.v - built.uvs[i].y}) {
                worst = std::max(worst, std::fabs(d));
            }
        }
        ASSERT_EQ(read.mesh.attributes[f], face.material);
    }
    EXPECT_LT(worst, 5e-6) << "six decimals in the file, read as floats";
    for (size_t m = 0; m < built.materials.size(); ++m) {
        const Material& want = built.materials[m];
        const MeshMaterial& got = read.materials[m];
        EXPECT_EQ(got.textureFile, want.texture);
        EXPECT_NEAR(got.diffuse[0], want.diffuse.r, 1e-6);
        EXPECT_NEAR(got.diffuse[3], want.diffuse.a, 1e-6);
        EXPECT_NEAR(got.power, want.power, 1e-6);
        EXPECT_NEAR(got.emissive[2], want.emissive.z, 1e-6);
    }
}

TEST(XFiles, ReadBackThroughTheShowsReaderExactlyAsBuilt) {
    ExpectSameMesh(MakeFootball());
    ExpectSameMesh(MakeTrophy());
    ExpectSameMesh(MakeStadium());
}

}  // namespace
}  // namespace tavrin::forge::test
