#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "scene3ds/dvec3.h"

// Scenes from 3D Studio (.3ds) files: meshes, materials, lights, cameras and keyframe tracks.
// Points are converted on reading from the file's z-up axes to y-up: (x, y, z) becomes (x, z, -y).
// Every list is singly linked, newest first; an element's index is its position from the head
// (0 = the element read last), and material and owner references use those indices.
namespace tavrin {

inline constexpr int kSceneNameSize = 256;  // longer names are cut to 255 characters

struct SceneLight {
    SceneLight* next = nullptr;
    char name[kSceneNameSize] = {};
    DVec3 position;
};

struct SceneCamera {
    SceneCamera* next = nullptr;
    char name[kSceneNameSize] = {};
    DVec3 position;
    DVec3 target;
    double roll = 0;  // the file's bank angle
    double lens = 0;  // the file's focal length
};

struct SceneMaterial {
    SceneMaterial* next = nullptr;
    char name[kSceneNameSize] = {};
    char textureName[kSceneNameSize] = {};  // from the first texture map; empty when none
};

struct SceneFace {
    int vertex[3] = {};
    int vertexAgain[3] = {};  // the same three indices, kept for callers indexing a second stream
    int material = -1;        // material list index, -1 when no face material list names the face
};

struct SceneMesh {
    SceneMesh* next = nullptr;
    char name[kSceneNameSize] = {};
    int texCoordCount = 0;
    std::unique_ptr<float[]> u;
    std::unique_ptr<float[]> v;
    DMatrix4 localMatrix;  // identity unless the file gives one
    int vertexCount = 0;
    std::unique_ptr<DVec3[]> vertices;
    int faceCount = 0;
    std::unique_ptr<SceneFace[]> faces;
};

struct ScalarKey {
    int frame = 0;
    float value = 0;
    float inTangent = 0;
    float outTangent = 0;
    double tension = 0, continuity = 0, bias = 0, easeFrom = 0, easeTo = 0;
};

struct VectorKey {
    int frame = 0;
    DVec3 value;
    DVec3 inTangent;
    DVec3 outTangent;
    double tension = 0, continuity = 0, bias = 0, easeFrom = 0, easeTo = 0;
};

enum SceneTrackType { kScalarTrack = 0, kVectorTrack = 1 };
enum SceneOwnerKind { kOwnerCamera = 0, kOwnerCameraTarget = 1, kOwnerLight = 2, kOwnerMesh = 3 };
enum SceneChannel { kChannelPosition = 0, kChannelFieldOfView = 1, kChannelRoll = 2 };

struct SceneTrack {
    SceneTrack* next = nullptr;
    int type = kScalarTrack;
    int ownerKind = kOwnerMesh;
    int ownerIndex = -1;  // list index of the owner, -1 until matched
    int channel = kChannelPosition;
    int keyCount = 0;
    std::unique_ptr<ScalarKey[]> scalarKeys;  // type 0
    std::unique_ptr<VectorKey[]> vectorKeys;  // type 1
    DVec3 pivot;
};

// Owns everything a load made; FreeScene (or destruction) releases it.
struct Scene3ds {
    Scene3ds() = default;
    ~Scene3ds();
    Scene3ds(const Scene3ds&) = delete;
    Scene3ds& operator=(const Scene3ds&) = delete;

    int lightCount = 0;
    SceneLight* lights = nullptr;
    int cameraCount = 0;
    SceneCamera* cameras = nullptr;
    int meshCount = 0;
    SceneMesh* meshes = nullptr;
    int materialCount = 0;
    SceneMaterial* materials = nullptr;
    int trackCount = 0;
    SceneTrack* tracks = nullptr;
};

// 1 on success, 0 on failure. Whatever was read before a failure stays in the scene; anything the
// scene held before is freed first. The file is read whole and closed before parsing.
int LoadScene(const char* path, Scene3ds* scene);
int LoadScene(std::span<const uint8_t> bytes, Scene3ds* scene);
// Frees every element and array of the scene and leaves it empty.
void FreeScene(Scene3ds* scene);

// The track's value at a frame time: Kochanek-Bartels between keys, the end keys' values outside.
// A track without keys evaluates to 0; one with a single key to that key.
float EvaluateScalarTrack(const SceneTrack& track, double time);
DVec3 EvaluateVectorTrack(const SceneTrack& track, double time);

// The element at index (0 = head) of a scene list, or null.
template <typename Element>
Element* SceneListAt(Element* head, int index) {
    for (; head && index > 0; --index) head = head->next;
    return index == 0 ? head : nullptr;
}

}  // namespace tavrin
