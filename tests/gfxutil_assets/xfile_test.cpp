#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "gfxutil/xfile_reader.h"
#include "gfxutil_assets/xfile_writer.h"

namespace tavrin {
namespace {

using testing::XWriter;

// A unit cube: 8 corners, 6 quads with one normal each, texture coordinates per corner, faces
// 0-2 with an inline textured material, faces 3-5 with a reference to the top-level "Red".
XWriter CubeFile() {
    XWriter x;
    x.Object("Material", "Red").Floats({1, 0, 0, 0.5}).Floats({12}).Floats({0.25, 0.5, 0.75});
    x.Floats({0.1, 0.2, 0.3}).Close();
    x.Object("Mesh", "Cube").Ints({8});
    for (int i = 0; i < 8; ++i) x.Floats({double(i & 1), double(i >> 1 & 1), double(i >> 2 & 1)});
    x.Ints({6});
    const uint32_t quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                  {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& q : quads) x.Ints({4, q[0], q[1], q[2], q[3]});
    x.Object("MeshNormals").Ints({6});
    const double normals[6][3] = {{0, 0, -1}, {0, 0, 1},  {0, -1, 0},
                                  {0, 1, 0},  {-1, 0, 0}, {1, 0, 0}};
    for (const auto& n : normals) x.Floats({n[0], n[1], n[2]});
    x.Ints({6});
    for (uint32_t f = 0; f < 6; ++f) x.Ints({4, f, f, f, f});
    x.Close();
    x.Object("MeshTextureCoords").Ints({8});
    for (int i = 0; i < 8; ++i) x.Floats({i * 0.125, 1 - i * 0.125});
    x.Close();
    x.Object("MeshMaterialList").Ints({2}).Ints({6}).Ints({0, 0, 0, 1, 1, 1});
    x.Object("Material").Floats({0, 1, 0, 1}).Floats({5}).Floats({1, 1, 1}).Floats({0, 0, 0});
    x.Object("TextureFilename").String("crate.bmp").Close();
    x.Close();
    x.Reference("Red");
    x.Close();  // material list
    x.Close();  // mesh
    return x;
}

XFileContents ReadOk(const std::vector<uint8_t>& bytes) {
    XFileContents contents;
    std::string error;
    EXPECT_TRUE(ReadXFile(bytes, contents, error)) << error;
    return contents;
}

std::string ReadError(const std::string& text) {
    XFileContents contents;
    std::string error;
    EXPECT_FALSE(
        ReadXFile({reinterpret_cast<const uint8_t*>(text.data()), text.size()}, contents, error))
        << text;
    EXPECT_EQ(contents.mesh.FaceCount(), 0u);
    return error;
}

void ExpectSameMesh(const XFileContents& a, const XFileContents& b) {
    ASSERT_EQ(a.mesh.vertices.size(), b.mesh.vertices.size());
    for (size_t i = 0; i < a.mesh.vertices.size(); ++i) {
        const MeshVertex &p = a.mesh.vertices[i], &q = b.mesh.vertices[i];
        const float pa[8] = {p.x, p.y, p.z, p.nx, p.ny, p.nz, p.u, p.v};
        const float qa[8] = {q.x, q.y, q.z, q.nx, q.ny, q.nz, q.u, q.v};
        for (int k = 0; k < 8; ++k) EXPECT_FLOAT_EQ(pa[k], qa[k]) << "vertex " << i;
    }
    EXPECT_EQ(a.mesh.indices, b.mesh.indices);
    EXPECT_EQ(a.mesh.attributes, b.mesh.attributes);
    ASSERT_EQ(a.materials.size(), b.materials.size());
    for (size_t i = 0; i < a.materials.size(); ++i) {
        EXPECT_EQ(a.materials[i].textureFile, b.materials[i].textureFile);
        EXPECT_FLOAT_EQ(a.materials[i].diffuse[3], b.materials[i].diffuse[3]);
        EXPECT_FLOAT_EQ(a.materials[i].power, b.materials[i].power);
    }
}

TEST(XFileRead, EveryEncodingOfTheCubeReadsAlike) {
    const XWriter cube = CubeFile();
    const XFileContents text = ReadOk(cube.Text());
    ExpectSameMesh(text, ReadOk(cube.Binary()));
    ExpectSameMesh(text, ReadOk(cube.Binary(true)));
    ExpectSameMesh(text, ReadOk(XWriter::Compress(cube.Text())));
    ExpectSameMesh(text, ReadOk(XWriter::Compress(cube.Binary())));
    // Small blocks make every block but the first depend on the history of the ones before.
    ExpectSameMesh(text, ReadOk(XWriter::Compress(cube.Text(), 61)));
}

TEST(XFileRead, CubeGeometryMaterialsAndTriangulation) {
    const XFileContents cube = ReadOk(CubeFile().Binary());
    // Quads become two triangles each; corners with different normals become separate vertices.
    ASSERT_EQ(cube.mesh.FaceCount(), 12u);
    EXPECT_EQ(cube.mesh.vertices.size(), 24u);
    const auto position = [&](size_t face, int corner) {
        const MeshVertex& v = cube.mesh.vertices[cube.mesh.indices[3 * face + corner]];
        return std::array<float, 3>{v.x, v.y, v.z};
    };
    // First quad 0, 2, 3, 1 -> fan (0, 2, 3), (0, 3, 1).
    EXPECT_EQ(position(0, 0), (std::array<float, 3>{0, 0, 0}));
    EXPECT_EQ(position(0, 1), (std::array<float, 3>{0, 1, 0}));
    EXPECT_EQ(position(0, 2), (std::array<float, 3>{1, 1, 0}));
    EXPECT_EQ(position(1, 2), (std::array<float, 3>{1, 0, 0}));
    const MeshVertex& corner = cube.mesh.vertices[cube.mesh.indices[0]];
    EXPECT_FLOAT_EQ(corner.nz, -1);
    EXPECT_FLOAT_EQ(corner.u, 0);
    EXPECT_FLOAT_EQ(corner.v, 1);
    EXPECT_EQ(cube.mesh.attributes, (std::vector<uint32_t>{0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}));

    ASSERT_EQ(cube.materials.size(), 2u);
    EXPECT_EQ(cube.materials[0].textureFile, "crate.bmp");
    EXPECT_FLOAT_EQ(cube.materials[0].diffuse[1], 1);
    EXPECT_FLOAT_EQ(cube.materials[0].power, 5);
    const MeshMaterial& red = cube.materials[1];
    EXPECT_TRUE(red.textureFile.empty());
    EXPECT_FLOAT_EQ(red.diffuse[0], 1);
    EXPECT_FLOAT_EQ(red.diffuse[3], 0.5);
    EXPECT_FLOAT_EQ(red.power, 12);
    EXPECT_FLOAT_EQ(red.specular[2], 0.75);
    EXPECT_FLOAT_EQ(red.emissive[1], 0.2);

    // The cube is closed: through the split vertices every edge still has its neighbour.
    const std::vector<uint32_t> adjacency = ComputeAdjacency(cube.mesh);
    ASSERT_EQ(adjacency.size(), 36u);
    EXPECT_EQ(std::count(adjacency.begin(), adjacency.end(), kNoNeighbour), 0);
    EXPECT_EQ(adjacency[0 * 3 + 2], 1u);  // the quad's diagonal
}

// Hand-written the way exporters write text files: header object, templates, comments, nested
// frames, a mesh without normals or materials and a pentagon.
constexpr char kFramedText[] = R"(xof 0302txt 0032
// exported by hand
template Vector { <3D82AB5E-62DA-11cf-AB39-0020AF71E433> FLOAT x; FLOAT y; FLOAT z; }
Header { 1; 0; 1; }
Material Blue { 0.0;0.0;1.0;1.0;; 8.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
Frame Outer {
  FrameTransformMatrix { 2,0,0,0, 0,2,0,0, 0,0,2,0, 0,0,10,1;; }
  Frame Inner {
    FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 1,0,0,1;; }
    Mesh Tri {
      3; 0;0;0;, 0;1;0;, 1;0;0;;
      1; 3;0,1,2;;
      MeshNormals { 1; 0;0;-1;; 1; 3;0,0,0;; }
      MeshMaterialList { 1; 1; 0;; { Blue } }
      VertexDuplicationIndices { 3; 3; 0, 1, 2; }   # ignored
    }
  }
  Mesh Pentagon {
    5; 0;0;0;, 0;1;0;, 1;2;0;, 2;1;0;, 2;0;0;;
    1; 5;0,1,2,3,4;;
  }
}
AnimationSet { Animation { { Outer } AnimationKey { 0; 1; 0;4;1.0,0.0,0.0,0.0;;; } } }
)";

TEST(XFileRead, FramesPlaceAndMergeMeshes) {
    const XFileContents file = ReadOk({kFramedText, kFramedText + sizeof kFramedText - 1});
    // The triangle (1 face) and the pentagon (3 faces) merged; the pentagon has no material list,
    // so it gets a plain white material of its own after Blue.
    ASSERT_EQ(file.mesh.FaceCount(), 4u);
    ASSERT_EQ(file.materials.size(), 2u);
    EXPECT_FLOAT_EQ(file.materials[0].diffuse[2], 1);
    EXPECT_FLOAT_EQ(file.materials[0].power, 8);
    EXPECT_FLOAT_EQ(file.materials[1].diffuse[0], 1);
    EXPECT_EQ(file.mesh.attributes, (std::vector<uint32_t>{0, 1, 1, 1}));

    // Triangle: inner moves +1 in x, then outer scales by 2 and moves +10 in z.
    const MeshVertex& a = file.mesh.vertices[file.mesh.indices[1]];  // (0, 1, 0)
    EXPECT_FLOAT_EQ(a.x, 2);
    EXPECT_FLOAT_EQ(a.y, 2);
    EXPECT_FLOAT_EQ(a.z, 10);
    EXPECT_FLOAT_EQ(a.nz, -1);  // normals stay unit length under the scale

    // Pentagon (outer frame only): fan from corner 0, normals computed facing -z.
    const MeshVertex& p = file.mesh.vertices[file.mesh.indices[3 * 3 + 2]];  // corner 4 = (2, 0)
    EXPECT_FLOAT_EQ(p.x, 4);
    EXPECT_FLOAT_EQ(p.z, 10);
    EXPECT_NEAR(p.nz, -1, 1e-6);
}

TEST(XFileRead, MirroringFrameKeepsNormalsOutward) {
    const std::string text = R"(xof 0303txt 0032
Frame { FrameTransformMatrix { -1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }
  Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;;
         MeshNormals { 1; 0.6;0;0.8;; 1; 3;0,0,0;; } } })";
    const XFileContents file = ReadOk({text.begin(), text.end()});
    const MeshVertex& v = file.mesh.vertices[0];
    EXPECT_NEAR(v.nx, -0.6, 1e-6);
    EXPECT_NEAR(v.nz, 0.8, 1e-6);
}

// What 3ds Max, DirectX SDK, Blender and trueSpace exporters put around the geometry: template
// declarations, named instances of data objects, top-level objects of unused templates (strings
// included), skinning, vertex declarations with DWORDs above 2^31, and animation that refers to
// frames by name.
XWriter ExporterFile() {
    const std::vector<double> identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::vector<double> translate = identity;
    translate[12] = 2;
    XWriter x;
    x.Template("Frame").Template("Mesh");
    x.Object("Header").Ints({1, 0, 1}).Close();
    x.Object("KeyValuePair").String("Date").String("2006-05-19 14:32:10").Close();
    x.Object("Material", "Mat01").Floats({1, 0.5, 0.25, 1}).Floats({10}).Floats({0, 0, 0});
    x.Floats({0, 0, 0}).Object("TextureFilename", "Diffuse").String("box.bmp").Close().Close();
    x.Object("Frame", "Box01").Object("FrameTransformMatrix", "relative").Floats(translate).Close();
    x.Object("Mesh", "Box01_mesh").Ints({4});
    x.Floats({0, 0, 0}).Floats({0, 1, 0}).Floats({1, 1, 0}).Floats({1, 0, 0});
    x.Ints({2}).Ints({3, 0, 1, 2}).Ints({3, 0, 2, 3});
    x.Object("MeshNormals", "normals").Ints({1}).Floats({0, 0, -1}).Ints({2});
    x.Ints({3, 0, 0, 0}).Ints({3, 0, 0, 0}).Close();
    x.Object("VertexDuplicationIndices").Ints({4}).Ints({4}).Ints({0, 1, 2, 3}).Close();
    x.Object("DeclData").Ints({1}).Ints({2, 0, 5, 0}).Ints({2}).Ints({3212836864u, 4294967295u});
    x.Object("KeyValuePair", "note").String("exporter").String("kW X-port").Close().Close();
    x.Object("MeshMaterialList", "mtls")
        .Ints({1})
        .Ints({2})
        .Ints({0, 0})
        .Reference("Mat01")
        .Close();
    x.Object("XSkinMeshHeader").Ints({1, 3, 1}).Close();
    x.Object("SkinWeights")
        .String("Bone01")
        .Ints({1})
        .Ints({0})
        .Floats({1})
        .Floats(identity)
        .Close();
    x.Close().Close();  // mesh, frame
    x.Reference("Box01");
    x.Object("AnimTicksPerSecond").Ints({4800}).Close();
    x.Object("AnimationSet", "Take_001").Object("Animation", "Anim-Box01").Reference("Box01");
    x.Object("AnimationKey").Ints({4}).Ints({1}).Ints({0, 16}).Floats(identity).Close();
    x.Close().Close();
    return x;
}

TEST(XFileRead, FilesFromCommonExportersLoadInEveryEncoding) {
    const XWriter file = ExporterFile();
    for (const std::vector<uint8_t>& bytes :
         {file.Text(), file.Binary(), file.Binary(true), XWriter::Compress(file.Text(), 90),
          XWriter::Compress(file.Binary(), 90)}) {
        const XFileContents contents = ReadOk(bytes);
        ASSERT_EQ(contents.mesh.FaceCount(), 2u);
        ASSERT_EQ(contents.materials.size(), 1u);
        EXPECT_EQ(contents.materials[0].textureFile, "box.bmp");
        EXPECT_FLOAT_EQ(contents.materials[0].diffuse[1], 0.5f);
        float minX = 100;
        for (const MeshVertex& v : contents.mesh.vertices) {
            minX = std::min(minX, v.x);
            EXPECT_FLOAT_EQ(v.nz, -1);
        }
        EXPECT_FLOAT_EQ(minX, 2);  // placed by the named FrameTransformMatrix
    }
}

// A second MeshNormals block replaces the first: its indices must never mix with the first's,
// which index normals the second does not have.
TEST(XFileRead, RepeatedNormalsBlockReplacesTheFirst) {
    XWriter x;
    x.Object("Mesh").Ints({4}).Floats({0, 0, 0}).Floats({0, 1, 0}).Floats({1, 1, 0}).Floats(
        {1, 0, 0});
    x.Ints({2}).Ints({3, 0, 1, 2}).Ints({3, 0, 2, 3});
    x.Object("MeshNormals").Ints({6});
    for (int i = 0; i < 6; ++i) x.Floats({1, 0, 0});
    x.Ints({2}).Ints({3, 3, 4, 5}).Ints({3, 3, 5, 4}).Close();
    x.Object("MeshNormals")
        .Ints({1})
        .Floats({0, 0, 1})
        .Ints({2})
        .Ints({3, 0, 0, 0})
        .Ints({3, 0, 0, 0});
    x.Close().Close();
    for (const std::vector<uint8_t>& bytes : {x.Text(), x.Binary()}) {
        const XFileContents contents = ReadOk(bytes);
        ASSERT_EQ(contents.mesh.FaceCount(), 2u);
        EXPECT_EQ(contents.mesh.vertices.size(), 4u);
        for (const MeshVertex& v : contents.mesh.vertices) EXPECT_FLOAT_EQ(v.nz, 1);
    }
}

TEST(XFileRead, MeshWithOnlyDegenerateFacesIsAFailedLoad) {
    const std::string head = "xof 0303txt 0032\nMesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; ";
    EXPECT_NE(ReadError(head + "2; 3;0,0,1;, 3;2,2,2;; }").find("degenerate"), std::string::npos);
    // One drawable face among degenerate ones is enough.
    XFileContents contents;
    std::string error;
    const std::string mixed = head + "2; 3;0,0,1;, 3;0,1,2;; }";
    EXPECT_TRUE(
        ReadXFile({reinterpret_cast<const uint8_t*>(mixed.data()), mixed.size()}, contents, error))
        << error;
}

TEST(XFileRead, MalformedFilesFailWithAReason) {
    const std::string mesh = "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; ";
    const std::string head = "xof 0303txt 0032\n";
    EXPECT_NE(ReadError("xof 0303txt").find("not an X file"), std::string::npos);
    ReadError("xof 0201txt 0032");
    ReadError("xof 0303foo 0032");
    ReadError("xof 0303txt 0016");
    EXPECT_NE(ReadError(head).find("no mesh"), std::string::npos);
    ReadError(head + "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,5;; }");  // index past vertices
    ReadError(head + "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 2;0,1;; }");    // two corners
    ReadError(head + "Mesh { 4000000000; 0;0;0;; }");                      // absurd count
    EXPECT_NE(
        ReadError(head + mesh + "MeshMaterialList { 1; 1; 0;; { Nowhere } } }").find("Nowhere"),
        std::string::npos);
    ReadError(head + mesh + "MeshMaterialList { 1; 1; 3;; } }");  // material out of range
    ReadError(head + mesh +
              "MeshMaterialList { 2; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }");
    ReadError(head + mesh + "MeshNormals { 1; 0;0;1;; 1; 4;0,0,0,0;; } }");  // face mismatch
    ReadError(head + mesh + "MeshTextureCoords { 2; 0;0;, 1;1;; } }");       // too few
    ReadError(head + mesh + "MeshNormals { 1; 0;0;1;; 1; 3;0,0,0;; }");      // unclosed
    ReadError(head + mesh + "} \"stray\"");
    ReadError(head + mesh + "} @");
    ReadError(head + "template Vector { <3D82AB5E-62DA");
    std::string deep = head;
    for (int i = 0; i < 100; ++i) deep += "Frame {";
    EXPECT_NE(ReadError(deep).find("nested"), std::string::npos);
}

TEST(XFileRead, EveryTruncationFailsCleanly) {
    const XWriter cube = CubeFile();
    for (const std::vector<uint8_t>& whole :
         {cube.Text(), cube.Binary(), XWriter::Compress(cube.Binary(), 200)}) {
        for (size_t size = 0; size < whole.size(); ++size) {
            XFileContents contents;
            std::string error;
            // A text file may stop right after the last brace and still be whole.
            if (ReadXFile({whole.data(), size}, contents, error)) {
                EXPECT_EQ(contents.mesh.FaceCount(), 12u);
            } else {
                EXPECT_FALSE(error.empty());
            }
        }
    }
}

TEST(XFileRead, DamagedCompressedBlocksFail) {
    std::vector<uint8_t> packed = XWriter::Compress(CubeFile().Text(), 100);
    XFileContents contents;
    std::string error;
    std::vector<uint8_t> badSignature = packed;
    badSignature[16 + 4 + 4] = 'X';
    EXPECT_FALSE(ReadXFile(badSignature, contents, error));
    std::vector<uint8_t> badSize = packed;
    badSize[16] = 3;  // total size below the header's own
    badSize[17] = badSize[18] = badSize[19] = 0;
    EXPECT_FALSE(ReadXFile(badSize, contents, error));
    std::vector<uint8_t> garbled = packed;
    for (size_t i = 30; i < garbled.size(); i += 3) garbled[i] ^= 0xA5;
    EXPECT_FALSE(ReadXFile(garbled, contents, error));
}

}  // namespace
}  // namespace tavrin
