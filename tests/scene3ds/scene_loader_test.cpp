#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include <unistd.h>

#include "chunk_writer.h"
#include "scene3ds/scene3ds.h"

namespace tavrin {
namespace {

using test::ChunkWriter;
using test::KeySpec;
using Writes = std::function<void(ChunkWriter&)>;

// A version 3 file with the given editor and keyframer contents.
std::vector<uint8_t> SceneFile(const Writes& editor, const Writes& keyframer = {}) {
    ChunkWriter w;
    w.Begin(0x4D4D).U32Chunk(0x0002, 3);
    w.Begin(0x3D3D).U32Chunk(0x3D3E, 3);
    editor(w);
    w.End();
    if (keyframer) {
        w.Begin(0xB000);
        keyframer(w);
        w.End();
    }
    return w.End().Bytes();
}

void Material(ChunkWriter& w, const std::string& name, const std::string& texture = "") {
    w.Begin(0xAFFF).StringChunk(0xA000, name);
    if (!texture.empty()) w.Begin(0xA200).Begin(0xA220).U16(0).End().StringChunk(0xA300, texture).End();
    w.End();
}

// A one-triangle mesh whose face list ends with the given sub-chunks.
void TriangleMesh(ChunkWriter& w, const std::string& name, const Writes& faceExtras = {}) {
    w.Begin(0x4000).String(name).Begin(0x4100);
    w.Begin(0x4110).U16(3).Xyz(0, 0, 0).Xyz(1, 0, 0).Xyz(0, 1, 0).End();
    w.Begin(0x4120).U16(1).U16(0).U16(1).U16(2).U16(7);
    if (faceExtras) faceExtras(w);
    w.End();
    w.End().End();
}

void Light(ChunkWriter& w, const std::string& name, float x = 0, float y = 0, float z = 0) {
    w.Begin(0x4000).String(name).Begin(0x4600).Xyz(x, y, z).Begin(0x4610).F32(1).End().End().End();
}

void Camera(ChunkWriter& w, const std::string& name) {
    w.Begin(0x4000).String(name).Begin(0x4700).Xyz(1, 2, 3).Xyz(4, 5, 6).F32(15).F32(35).End().End();
}

void Node(ChunkWriter& w, uint16_t id, const std::string& name, const Writes& body) {
    w.Begin(id).Begin(0xB010).String(name).U16(0x4000).U16(0).U16(0xFFFF).End();
    body(w);
    w.End();
}

void PositionTrack(ChunkWriter& w) { test::WriteTrack(w, 0xB020, {{.frame = 0, .value = {1, 2, 3}}}); }

int Load(const std::vector<uint8_t>& bytes, Scene3ds* scene) { return LoadScene(bytes, scene); }

TEST(SceneFileChecks, MainChunkAndVersions) {
    Scene3ds scene;
    EXPECT_EQ(Load(SceneFile([](ChunkWriter&) {}), &scene), 1);

    ChunkWriter editorFirst;
    editorFirst.Begin(0x3D3D).U32Chunk(0x3D3E, 3).End();
    EXPECT_EQ(Load(editorFirst.Bytes(), &scene), 0);

    ChunkWriter version2;
    version2.Begin(0x4D4D).U32Chunk(0x0002, 2).End();
    EXPECT_EQ(Load(version2.Bytes(), &scene), 0);

    ChunkWriter meshVersion2;
    meshVersion2.Begin(0x4D4D).U32Chunk(0x0002, 3).Begin(0x3D3D).U32Chunk(0x3D3E, 2).End().End();
    EXPECT_EQ(Load(meshVersion2.Bytes(), &scene), 0);

    EXPECT_EQ(Load({}, &scene), 0);
    EXPECT_EQ(LoadScene("/nonexistent/scene.3ds", &scene), 0);
}

TEST(SceneFileChecks, LengthsMustAddUpExactly) {
    const auto file = SceneFile([](ChunkWriter& w) { Light(w, "Sun"); });
    Scene3ds scene;
    ASSERT_EQ(Load(file, &scene), 1);

    auto longer = file;
    longer.push_back(0);
    longer.push_back(0);
    EXPECT_EQ(Load(longer, &scene), 1) << "bytes after the main chunk are not read";
    // The main chunk claims the two bytes its sub-chunks do not fill.
    test::ChunkWriter::Patch32(longer, 2, static_cast<uint32_t>(longer.size()));
    EXPECT_EQ(Load(longer, &scene), 0);

    auto truncated = file;
    truncated.resize(truncated.size() - 3);
    EXPECT_EQ(Load(truncated, &scene), 0);

    // A light chunk with a stray byte after its position overruns into nothing it can parse.
    ChunkWriter stray;
    stray.Begin(0x4D4D).Begin(0x3D3D).Begin(0x4000).String("L").Begin(0x4600).Xyz(0, 0, 0).U16(0).End();
    stray.End().End().End();
    EXPECT_EQ(Load(stray.Bytes(), &scene), 0);

    // A zero-length chunk could never be passed over.
    ChunkWriter zero;
    zero.Begin(0x4D4D).U16(0x1234).U32(0).End();
    EXPECT_EQ(Load(zero.Bytes(), &scene), 0);
}

TEST(SceneChunks, UnknownChunksAreSkippedAtEveryLevel) {
    ChunkWriter w;
    w.Begin(0x4D4D).Begin(0x0001).U32(99).End().U32Chunk(0x0002, 3);
    w.Begin(0x3D3D).Begin(0x0100).F32(1).End();                            // master scale
    w.Begin(0x4000).String("Box").Begin(0x4010).End().Begin(0x4100);      // hidden flag
    w.Begin(0x4110).U16(1).Xyz(1, 2, 3).Begin(0x9999).U32(5).End().End();  // junk inside a data chunk
    w.Begin(0x4150).U32(1).End();                                          // smoothing groups
    w.End().End().End();
    w.Begin(0xB000).Begin(0xB00A).U16(5).String("MAXSCENE").U32(100).End();
    Node(w, 0xB002, "Box", [](ChunkWriter& n) {
        n.Begin(0xB030).U16(1).End();
        test::WriteTrack(n, 0xB021, {{.frame = 0, .value = {0, 0, 0, 1}}});  // rotation
        PositionTrack(n);
    });
    w.End();
    Scene3ds scene;
    ASSERT_EQ(Load(w.End().Bytes(), &scene), 1);
    ASSERT_EQ(scene.meshCount, 1);
    EXPECT_EQ(scene.meshes->vertexCount, 1);
    EXPECT_EQ(scene.trackCount, 1);
}

TEST(SceneGeometry, PointsAreConvertedToYUp) {
    const auto file = SceneFile([](ChunkWriter& w) {
        w.Begin(0x4000).String("Box").Begin(0x4100);
        w.Begin(0x4110).U16(2).Xyz(1, 2, 3).Xyz(-4, 5.5f, 0).End();
        w.Begin(0x4140).U16(2).F32(0.25f).F32(0.75f).F32(1).F32(0).End();
        w.Begin(0x4160).Xyz(1, 2, 3).Xyz(4, 5, 6).Xyz(7, 8, 9).Xyz(10, 11, 12).End();
        w.Begin(0x4120).U16(1).U16(1).U16(0).U16(1).U16(0).End();
        w.End().End();
        Light(w, "Sun", 1, 2, 3);
        Camera(w, "Cam");
    });
    Scene3ds scene;
    ASSERT_EQ(Load(file, &scene), 1);
    const SceneMesh& mesh = *scene.meshes;
    EXPECT_STREQ(mesh.name, "Box");
    ASSERT_EQ(mesh.vertexCount, 2);
    EXPECT_EQ(mesh.vertices[0], DVec3(1, 3, -2));
    EXPECT_EQ(mesh.vertices[1], DVec3(-4, 0, -5.5));
    ASSERT_EQ(mesh.texCoordCount, 2);
    EXPECT_EQ(mesh.u[0], 0.25f);
    EXPECT_EQ(mesh.v[0], 0.75f);
    ASSERT_EQ(mesh.faceCount, 1);
    EXPECT_EQ(mesh.faces[0].vertex[0], 1);
    EXPECT_EQ(mesh.faces[0].vertexAgain[2], 1);
    EXPECT_EQ(mesh.faces[0].material, -1);

    // Columns: axis 1, axis 3, minus axis 2 (each converted); the origin is the last row.
    const double expected[4][4] = {{1, 7, -4, 0}, {3, 9, -6, 0}, {-2, -8, 5, 0}, {10, 12, -11, 1}};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) EXPECT_EQ(mesh.localMatrix.m[r][c], expected[r][c]) << r << "," << c;
    }

    EXPECT_EQ(scene.lights->position, DVec3(1, 3, -2));
    const SceneCamera& camera = *scene.cameras;
    EXPECT_EQ(camera.position, DVec3(1, 3, -2));
    EXPECT_EQ(camera.target, DVec3(4, 6, -5));
    EXPECT_EQ(camera.roll, 15);
    EXPECT_EQ(camera.lens, 35);
}

TEST(SceneGeometry, ListsHoldTheNewestFirst) {
    const auto file = SceneFile([](ChunkWriter& w) {
        Light(w, "First");
        Light(w, "Second");
        Light(w, "Third");
    });
    Scene3ds scene;
    ASSERT_EQ(Load(file, &scene), 1);
    EXPECT_EQ(scene.lightCount, 3);
    EXPECT_STREQ(SceneListAt(scene.lights, 0)->name, "Third");
    EXPECT_STREQ(SceneListAt(scene.lights, 2)->name, "First");
    EXPECT_EQ(SceneListAt(scene.lights, 3), nullptr);
}

TEST(SceneMaterials, FacesTakeTheListIndexOfTheirMaterial) {
    const auto file = SceneFile([](ChunkWriter& w) {
        Material(w, "A", "Bricks.tga");
        Material(w, "B");
        TriangleMesh(w, "Wall", [](ChunkWriter& f) {
            f.Begin(0x4130).String("A").U16(1).U16(0).End();
        });
        TriangleMesh(w, "Floor", [](ChunkWriter& f) {
            f.Begin(0x4130).String("B").U16(2).U16(0).U16(5).End();  // face 5 does not exist
        });
    });
    Scene3ds scene;
    ASSERT_EQ(Load(file, &scene), 1);
    EXPECT_EQ(scene.materialCount, 2);
    EXPECT_STREQ(SceneListAt(scene.materials, 1)->textureName, "Bricks.tga");
    EXPECT_STREQ(SceneListAt(scene.materials, 0)->textureName, "");
    EXPECT_STREQ(SceneListAt(scene.meshes, 1)->name, "Wall");
    EXPECT_EQ(SceneListAt(scene.meshes, 1)->faces[0].material, 1);
    EXPECT_EQ(SceneListAt(scene.meshes, 0)->faces[0].material, 0);
}

TEST(SceneMaterials, UnknownMaterialNameFailsTheLoad) {
    const auto withMaterials = [](bool any, const std::string& asked) {
        return SceneFile([&](ChunkWriter& w) {
            if (any) Material(w, "Steel");
            TriangleMesh(w, "Box", [&](ChunkWriter& f) { f.Begin(0x4130).String(asked).U16(0).End(); });
        });
    };
    Scene3ds scene;
    EXPECT_EQ(Load(withMaterials(true, "Steel"), &scene), 1);
    EXPECT_EQ(Load(withMaterials(true, "steel"), &scene), 0);  // names compare case-sensitively
    EXPECT_EQ(Load(withMaterials(false, "Steel"), &scene), 0);
}

TEST(SceneLimits, DataOutsideItsArraysFailsOrIsCut) {
    Scene3ds scene;
    const std::string longName(300, 'x');
    ASSERT_EQ(Load(SceneFile([&](ChunkWriter& w) { Light(w, longName); }), &scene), 1);
    EXPECT_EQ(std::string(scene.lights->name), std::string(255, 'x'));

    const auto meshWith = [](uint16_t vertexCount, uint16_t faceIndex) {
        return SceneFile([=](ChunkWriter& w) {
            w.Begin(0x4000).String("M").Begin(0x4100);
            w.Begin(0x4120).U16(1).U16(0).U16(0).U16(faceIndex).U16(0).End();
            w.Begin(0x4110).U16(vertexCount);
            for (int i = 0; i < 3; ++i) w.Xyz(0, 0, 0);
            w.End().End().End();
        });
    };
    EXPECT_EQ(Load(meshWith(3, 2), &scene), 1);  // vertices after faces are fine
    EXPECT_EQ(Load(meshWith(3, 3), &scene), 0);
    EXPECT_EQ(Load(meshWith(3, 0x8000), &scene), 0);
    EXPECT_EQ(Load(meshWith(0x8000, 0), &scene), 0);  // count taken as negative
    EXPECT_EQ(Load(meshWith(60, 0), &scene), 0);      // more vertices than the file holds
}

TEST(SceneMeshes, MissingChunksLeaveEmptyArrays) {
    const auto file = SceneFile([](ChunkWriter& w) { w.Begin(0x4000).String("Empty").Begin(0x4100).End().End(); });
    Scene3ds scene;
    ASSERT_EQ(Load(file, &scene), 1);
    const SceneMesh& mesh = *scene.meshes;
    EXPECT_EQ(mesh.vertexCount, 0);
    EXPECT_EQ(mesh.vertices, nullptr);
    EXPECT_EQ(mesh.faces, nullptr);
    EXPECT_EQ(mesh.u, nullptr);
    EXPECT_EQ(mesh.localMatrix.m[1][1], 1);
}

TEST(SceneNodes, TracksFindTheirOwners) {
    const auto file = SceneFile(
        [](ChunkWriter& w) {
            Camera(w, "Cam");
            Light(w, "Sun");
            TriangleMesh(w, "Box");
            TriangleMesh(w, "Box");  // the first "Box" in the file owns Box's tracks
        },
        [](ChunkWriter& w) {
            Node(w, 0xB002, "Box", [](ChunkWriter& n) {
                n.Begin(0xB013).Xyz(1, 2, 3).End();
                PositionTrack(n);
            });
            Node(w, 0xB003, "Cam", [](ChunkWriter& n) {
                PositionTrack(n);
                test::WriteTrack(n, 0xB023, {{.frame = 0, .value = {45}}});
                test::WriteTrack(n, 0xB024, {{.frame = 0, .value = {5}}});
            });
            Node(w, 0xB004, "Cam", PositionTrack);
            Node(w, 0xB005, "Sun", PositionTrack);
            Node(w, 0xB002, "$$$DUMMY", [](ChunkWriter&) {});  // no tracks: harmless
        });
    Scene3ds scene;
    ASSERT_EQ(Load(file, &scene), 1);
    ASSERT_EQ(scene.trackCount, 6);
    struct Expected {
        int ownerKind, ownerIndex, channel, type;
    };
    const Expected expected[] = {
        {kOwnerLight, 0, kChannelPosition, kVectorTrack},   {kOwnerCameraTarget, 0, kChannelPosition, kVectorTrack},
        {kOwnerCamera, 0, kChannelRoll, kScalarTrack},      {kOwnerCamera, 0, kChannelFieldOfView, kScalarTrack},
        {kOwnerCamera, 0, kChannelPosition, kVectorTrack},  {kOwnerMesh, 1, kChannelPosition, kVectorTrack},
    };
    const SceneTrack* track = scene.tracks;
    for (const Expected& e : expected) {
        ASSERT_NE(track, nullptr);
        EXPECT_EQ(track->ownerKind, e.ownerKind);
        EXPECT_EQ(track->ownerIndex, e.ownerIndex);
        EXPECT_EQ(track->channel, e.channel);
        EXPECT_EQ(track->type, e.type);
        track = track->next;
    }
    const SceneTrack& boxTrack = *SceneListAt(scene.tracks, 5);
    EXPECT_EQ(boxTrack.pivot, DVec3(1, 3, -2));
    EXPECT_EQ(boxTrack.vectorKeys[0].value, DVec3(1, 3, -2));
    EXPECT_FLOAT_EQ(SceneListAt(scene.tracks, 3)->scalarKeys[0].value, 45);
}

TEST(SceneNodes, NodeFailsWhenItsLastTrackHasNoOwner) {
    Scene3ds scene;
    // A track read before the node's header has no name to match; only the last track decides.
    ChunkWriter late;
    late.Begin(0x4D4D).Begin(0x3D3D);
    Light(late, "Sun");
    late.End().Begin(0xB000).Begin(0xB005);
    PositionTrack(late);
    late.Begin(0xB010).String("Sun").U16(0).U16(0).U16(0xFFFF).End();
    PositionTrack(late);
    late.End().End().End();
    EXPECT_EQ(Load(late.Bytes(), &scene), 1);
    EXPECT_EQ(scene.tracks->ownerIndex, 0);
    EXPECT_EQ(scene.tracks->next->ownerIndex, -1);

    const auto file = SceneFile([](ChunkWriter& w) { Light(w, "Sun"); },
                                [](ChunkWriter& w) { Node(w, 0xB005, "Moon", PositionTrack); });
    EXPECT_EQ(Load(file, &scene), 0);
    EXPECT_EQ(scene.trackCount, 1);  // the unowned track stays for inspection
}

TEST(SceneNodes, KeyFlagsSelectTheOptionalFloats) {
    const auto file = SceneFile([](ChunkWriter& w) { Light(w, "Sun"); },
                                [](ChunkWriter& w) {
                                    Node(w, 0xB005, "Sun", [](ChunkWriter& n) {
                                        test::WriteTrack(n, 0xB020,
                                                         {{.frame = 0, .flags = 0x10, .optional = {0.5f}, .value = {1, 2, 3}},
                                                          {.frame = 10, .flags = 0x18, .optional = {0.25f, 0.75f}, .value = {4, 5, 6}},
                                                          {.frame = 20, .flags = 0x07, .optional = {0.1f, 0.2f, 0.3f}, .value = {7, 8, 9}}});
                                    });
                                });
    Scene3ds scene;
    ASSERT_EQ(Load(file, &scene), 1);
    const SceneTrack& track = *scene.tracks;
    ASSERT_EQ(track.keyCount, 3);
    const VectorKey* keys = track.vectorKeys.get();
    EXPECT_EQ(keys[0].easeFrom, 0.5);
    EXPECT_EQ(keys[0].easeTo, 0);
    EXPECT_EQ(keys[0].value, DVec3(1, 3, -2));
    EXPECT_EQ(keys[1].easeTo, 0.25);
    EXPECT_EQ(keys[1].easeFrom, 0.75);
    EXPECT_EQ(keys[1].frame, 10);
    EXPECT_EQ(keys[1].value, DVec3(4, 6, -5));
    EXPECT_FLOAT_EQ(static_cast<float>(keys[2].tension), 0.1f);
    EXPECT_FLOAT_EQ(static_cast<float>(keys[2].continuity), 0.2f);
    EXPECT_FLOAT_EQ(static_cast<float>(keys[2].bias), 0.3f);
    EXPECT_EQ(keys[2].easeFrom, 0);
}

TEST(SceneNodes, KeyCountBeyondTheFileFails) {
    const auto file = SceneFile([](ChunkWriter& w) { Light(w, "Sun"); },
                                [](ChunkWriter& w) {
                                    Node(w, 0xB005, "Sun", [](ChunkWriter& n) {
                                        n.Begin(0xB020).U16(0).U32(0).U32(0).U32(0xFFFFFFF0u).End();
                                    });
                                });
    Scene3ds scene;
    EXPECT_EQ(Load(file, &scene), 0);
    EXPECT_EQ(scene.tracks->keyCount, 0);
}

TEST(SceneLifetime, FailedLoadKeepsWhatWasReadAndFreesCleanly) {
    const auto file = SceneFile([](ChunkWriter& w) {
        Material(w, "Gold");
        Light(w, "Sun");
        TriangleMesh(w, "Cup", [](ChunkWriter& f) { f.Begin(0x4130).String("Silver").U16(0).End(); });
        Light(w, "Never read");
    });
    Scene3ds scene;
    EXPECT_EQ(Load(file, &scene), 0);
    EXPECT_EQ(scene.materialCount, 1);
    EXPECT_EQ(scene.lightCount, 1);
    ASSERT_EQ(scene.meshCount, 1);
    EXPECT_EQ(scene.meshes->vertexCount, 3);
    FreeScene(&scene);
    EXPECT_EQ(scene.meshCount, 0);
    EXPECT_EQ(scene.meshes, nullptr);
    FreeScene(&scene);  // freeing twice is harmless

    // Loading again replaces the earlier contents instead of piling on to them.
    const auto good = SceneFile([](ChunkWriter& w) { Light(w, "Sun"); });
    ASSERT_EQ(Load(good, &scene), 1);
    ASSERT_EQ(Load(good, &scene), 1);
    EXPECT_EQ(scene.lightCount, 1);
}

TEST(SceneLifetime, LoadsFromAFile) {
    const auto path = std::filesystem::temp_directory_path() / ("tavrin-scene-" + std::to_string(getpid()) + ".3ds");
    const auto bytes = SceneFile([](ChunkWriter& w) { TriangleMesh(w, "Box"); });
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    Scene3ds scene;
    EXPECT_EQ(LoadScene(path.c_str(), &scene), 1);
    EXPECT_EQ(scene.meshCount, 1);
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace tavrin
