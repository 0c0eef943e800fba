// A scene written by another program's 3DS exporter (assimp), not by our own chunk writer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "scene3ds/scene3ds.h"

namespace tavrin {
namespace {

TEST(ExportedScene, AssimpCubeLoads) {
    if (std::system("command -v assimp > /dev/null 2>&1") != 0) GTEST_SKIP() << "assimp is not installed";
    const auto dir = std::filesystem::temp_directory_path() / ("tavrin-3ds-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "box.mtl") << "newmtl Red\nKd 1 0 0\nmap_Kd red.png\nnewmtl Blue\nKd 0 0 1\n";
    std::ofstream(dir / "box.obj") << "mtllib box.mtl\no Box\n"
                                      "v 1 2 3\nv 4 2 3\nv 4 5 3\nv 1 5 6\n"
                                      "usemtl Red\nf 1 2 3\nusemtl Blue\nf 1 3 4\n";
    const std::string command = "cd '" + dir.string() + "' && assimp export box.obj box.3ds > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);

    Scene3ds scene;
    ASSERT_EQ(LoadScene((dir / "box.3ds").c_str(), &scene), 1);
    std::filesystem::remove_all(dir);

    EXPECT_EQ(scene.meshCount, 2);  // one mesh per material
    bool foundRedTexture = false;
    for (const SceneMaterial* m = scene.materials; m; m = m->next) {
        foundRedTexture = foundRedTexture || std::string(m->textureName) == "red.png";
    }
    EXPECT_TRUE(foundRedTexture);
    bool foundFirstVertex = false;
    for (const SceneMesh* mesh = scene.meshes; mesh; mesh = mesh->next) {
        ASSERT_EQ(mesh->faceCount, 1);
        const SceneMaterial* material = SceneListAt(scene.materials, mesh->faces[0].material);
        ASSERT_NE(material, nullptr);
        for (int v = 0; v < mesh->vertexCount; ++v) {
            foundFirstVertex = foundFirstVertex || mesh->vertices[v] == DVec3(1, 3, -2);
        }
    }
    // assimp writes the points as given; the file's (1, 2, 3) reads as (1, 3, -2).
    EXPECT_TRUE(foundFirstVertex);
}

}  // namespace
}  // namespace tavrin
