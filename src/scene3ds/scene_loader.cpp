#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "scene3ds/chunk_cursor.h"
#include "scene3ds/keyframe_track.h"
#include "scene3ds/scene3ds.h"

namespace tavrin {
namespace {

constexpr size_t kChunkHeaderSize = 6;

enum ChunkId : uint16_t {
    kMain = 0x4D4D,
    kVersion = 0x0002,
    kEditor = 0x3D3D,
    kMeshVersion = 0x3D3E,
    kObject = 0x4000,
    kTriangleMesh = 0x4100,
    kVertexList = 0x4110,
    kFaceList = 0x4120,
    kFaceMaterials = 0x4130,
    kTexCoords = 0x4140,
    kLocalMatrix = 0x4160,
    kLight = 0x4600,
    kCamera = 0x4700,
    kMaterial = 0xAFFF,
    kMaterialName = 0xA000,
    kTextureMap = 0xA200,
    kTextureFile = 0xA300,
    kKeyframer = 0xB000,
    kMeshNode = 0xB002,
    kCameraNode = 0xB003,
    kCameraTargetNode = 0xB004,
    kLightNode = 0xB005,
    kNodeHeader = 0xB010,
    kPivot = 0xB013,
    kPositionTrack = 0xB020,
    kFieldOfViewTrack = 0xB023,
    kRollTrack = 0xB024,
};

struct Chunk {
    uint16_t id = 0;
    uint32_t length = 0;  // header included
    size_t start = 0;
};

using NameField = char[kSceneNameSize];

// List index of the element named name; the one furthest from the head (first in the file) wins.
template <typename Element>
int FindByName(const Element* head, const char* name) {
    int found = -1;
    for (int index = 0; head; head = head->next, ++index) {
        if (!std::strcmp(head->name, name)) found = index;
    }
    return found;
}

template <typename Element>
Element* PushFront(Element*& head, int& count) {
    auto* element = new Element;
    element->next = head;
    head = element;
    ++count;
    return element;
}

template <typename Element>
void FreeList(Element*& head, int& count) {
    while (head) {
        Element* next = head->next;
        delete head;
        head = next;
    }
    count = 0;
}

// One load: walks the chunk tree with exact length accounting and fills the scene. Unknown
// chunks are skipped by their length at every level, so nesting depth is fixed by the handlers.
class SceneLoader {
public:
    SceneLoader(std::span<const uint8_t> bytes, Scene3ds& scene) : cursor_(bytes), scene_(scene) {}

    bool Load() {
        Chunk main;
        return ReadHeader(&main) && main.id == kMain && ReadMain(main);
    }

private:
    size_t Consumed(const Chunk& chunk) const { return cursor_.Position() - chunk.start; }

    bool ReadHeader(Chunk* chunk) {
        chunk->start = cursor_.Position();
        chunk->id = cursor_.U16();
        chunk->length = cursor_.U32();
        // A chunk shorter than its header could never be passed over.
        return cursor_.ok() && chunk->length >= kChunkHeaderSize;
    }

    bool Skip(const Chunk& chunk) { return cursor_.Seek(uint64_t{chunk.start} + chunk.length); }

    // Reads sub-chunks with read until the parent's count reaches its length; the parent succeeds
    // only when every sub-chunk did and the count lands exactly on the length.
    template <typename Read>
    bool ReadSubChunks(const Chunk& parent, Read read) {
        while (cursor_.ok() && Consumed(parent) < parent.length) {
            Chunk sub;
            if (!ReadHeader(&sub) || !read(sub)) return false;
        }
        return cursor_.ok() && Consumed(parent) == parent.length;
    }

    // The end of a chunk whose sub-chunks are all skipped.
    bool SkipSubChunks(const Chunk& chunk) {
        return ReadSubChunks(chunk, [this](const Chunk& sub) { return Skip(sub); });
    }

    bool ReadVersion(const Chunk& chunk) { return cursor_.U32() > 2 && SkipSubChunks(chunk); }

    bool ReadMain(const Chunk& chunk) {
        return ReadSubChunks(chunk, [this](const Chunk& sub) {
            switch (sub.id) {
                case kVersion: return ReadVersion(sub);
                case kEditor: return ReadEditor(sub);
                case kKeyframer: return ReadKeyframer(sub);
                default: return Skip(sub);
            }
        });
    }

    bool ReadEditor(const Chunk& chunk) {
        return ReadSubChunks(chunk, [this](const Chunk& sub) {
            switch (sub.id) {
                case kMeshVersion: return ReadVersion(sub);
                case kObject: return ReadObject(sub);
                case kMaterial: return ReadMaterial(sub);
                default: return Skip(sub);
            }
        });
    }

    bool ReadObject(const Chunk& chunk) {
        char name[kSceneNameSize];
        if (!cursor_.String(name, sizeof name)) return false;
        return ReadSubChunks(chunk, [&](const Chunk& sub) {
            switch (sub.id) {
                case kTriangleMesh: return ReadMesh(sub, name);
                case kLight: return ReadLight(sub, name);
                case kCamera: return ReadCamera(sub, name);
                default: return Skip(sub);
            }
        });
    }

    bool ReadLight(const Chunk& chunk, const NameField& name) {
        SceneLight* light = PushFront(scene_.lights, scene_.lightCount);
        std::memcpy(light->name, name, kSceneNameSize);
        light->position = cursor_.Point();
        return SkipSubChunks(chunk);
    }

    bool ReadCamera(const Chunk& chunk, const NameField& name) {
        SceneCamera* camera = PushFront(scene_.cameras, scene_.cameraCount);
        std::memcpy(camera->name, name, kSceneNameSize);
        camera->position = cursor_.Point();
        camera->target = cursor_.Point();
        camera->roll = cursor_.F32();
        camera->lens = cursor_.F32();
        return SkipSubChunks(chunk);
    }

    bool ReadMesh(const Chunk& chunk, const NameField& name) {
        SceneMesh* mesh = PushFront(scene_.meshes, scene_.meshCount);
        std::memcpy(mesh->name, name, kSceneNameSize);
        const bool read = ReadSubChunks(chunk, [&](const Chunk& sub) {
            switch (sub.id) {
                case kVertexList: return ReadVertices(sub, *mesh);
                case kFaceList: return ReadFaces(sub, *mesh);
                case kTexCoords: return ReadTexCoords(sub, *mesh);
                case kLocalMatrix: return ReadLocalMatrix(sub, *mesh);
                default: return Skip(sub);
            }
        });
        return read && FacesUseExistingVertices(*mesh);
    }

    // The vertex list may follow the face list, so faces are checked once the mesh is complete.
    static bool FacesUseExistingVertices(const SceneMesh& mesh) {
        for (int f = 0; f < mesh.faceCount; ++f) {
            for (int index : mesh.faces[f].vertex) {
                if (index < 0 || index >= mesh.vertexCount) return false;
            }
        }
        return true;
    }

    // A 16-bit count, refused when negative or when its records cannot fit in the rest of the file.
    bool ReadCount(size_t recordSize, int* count) {
        *count = cursor_.I16();
        return cursor_.ok() && *count >= 0 && static_cast<size_t>(*count) * recordSize <= cursor_.Remaining();
    }

    bool ReadVertices(const Chunk& chunk, SceneMesh& mesh) {
        int count = 0;
        if (!ReadCount(12, &count)) return false;
        mesh.vertices = std::make_unique<DVec3[]>(static_cast<size_t>(count));
        mesh.vertexCount = count;
        for (int i = 0; i < count; ++i) mesh.vertices[i] = cursor_.Point();
        return SkipSubChunks(chunk);
    }

    bool ReadFaces(const Chunk& chunk, SceneMesh& mesh) {
        int count = 0;
        if (!ReadCount(8, &count)) return false;
        mesh.faces = std::make_unique<SceneFace[]>(static_cast<size_t>(count));
        mesh.faceCount = count;
        for (int i = 0; i < count; ++i) {
            SceneFace& face = mesh.faces[i];
            for (int corner = 0; corner < 3; ++corner) {
                face.vertex[corner] = face.vertexAgain[corner] = cursor_.I16();
            }
            cursor_.U16();  // edge visibility flags
        }
        return ReadSubChunks(chunk, [&](const Chunk& sub) {
            return sub.id == kFaceMaterials ? ReadFaceMaterials(sub, mesh) : Skip(sub);
        });
    }

    bool ReadFaceMaterials(const Chunk& chunk, SceneMesh& mesh) {
        char name[kSceneNameSize];
        int count = 0;
        if (!cursor_.String(name, sizeof name) || !ReadCount(2, &count)) return false;
        const int material = FindByName(scene_.materials, name);
        if (material < 0) return false;
        for (int i = 0; i < count; ++i) {
            const int face = cursor_.I16();
            // A face number outside the mesh has no face to colour: it is dropped.
            if (face >= 0 && face < mesh.faceCount) mesh.faces[face].material = material;
        }
        return SkipSubChunks(chunk);
    }

    bool ReadTexCoords(const Chunk& chunk, SceneMesh& mesh) {
        int count = 0;
        if (!ReadCount(8, &count)) return false;
        mesh.u = std::make_unique<float[]>(static_cast<size_t>(count));
        mesh.v = std::make_unique<float[]>(static_cast<size_t>(count));
        mesh.texCoordCount = count;
        for (int i = 0; i < count; ++i) {
            mesh.u[i] = cursor_.F32();
            mesh.v[i] = cursor_.F32();
        }
        return SkipSubChunks(chunk);
    }

    bool ReadLocalMatrix(const Chunk& chunk, SceneMesh& mesh) {
        const DVec3 axis1 = cursor_.Point(), axis2 = cursor_.Point(), axis3 = cursor_.Point();
        const DVec3 origin = cursor_.Point();
        // The file's axes are z-up; columns 1 and 2 trade places (with a sign) to make them y-up.
        const DVec3 columns[3] = {axis1, axis3, -axis2};
        DMatrix4 matrix;
        for (int column = 0; column < 3; ++column) {
            matrix.m[0][column] = columns[column].x;
            matrix.m[1][column] = columns[column].y;
            matrix.m[2][column] = columns[column].z;
        }
        matrix.m[3][0] = origin.x;
        matrix.m[3][1] = origin.y;
        matrix.m[3][2] = origin.z;
        mesh.localMatrix = matrix;
        return SkipSubChunks(chunk);
    }

    bool ReadMaterial(const Chunk& chunk) {
        SceneMaterial* material = PushFront(scene_.materials, scene_.materialCount);
        return ReadSubChunks(chunk, [&](const Chunk& sub) {
            switch (sub.id) {
                case kMaterialName: return cursor_.String(material->name, kSceneNameSize) && SkipSubChunks(sub);
                case kTextureMap: return ReadTextureMap(sub, *material);
                default: return Skip(sub);
            }
        });
    }

    bool ReadTextureMap(const Chunk& chunk, SceneMaterial& material) {
        return ReadSubChunks(chunk, [&](const Chunk& sub) {
            if (sub.id != kTextureFile) return Skip(sub);
            return cursor_.String(material.textureName, kSceneNameSize) && SkipSubChunks(sub);
        });
    }

    bool ReadKeyframer(const Chunk& chunk) {
        return ReadSubChunks(chunk, [this](const Chunk& sub) {
            switch (sub.id) {
                case kMeshNode: return ReadNode(sub, kOwnerMesh);
                case kCameraNode: return ReadNode(sub, kOwnerCamera);
                case kCameraTargetNode: return ReadNode(sub, kOwnerCameraTarget);
                case kLightNode: return ReadNode(sub, kOwnerLight);
                default: return Skip(sub);
            }
        });
    }

    struct Node {
        SceneOwnerKind ownerKind = kOwnerMesh;
        char name[kSceneNameSize] = {};
        DVec3 pivot;
        bool lastTrackOwned = true;  // a node without tracks needs no owner
    };

    bool ReadNode(const Chunk& chunk, SceneOwnerKind ownerKind) {
        Node node;
        node.ownerKind = ownerKind;
        const bool read = ReadSubChunks(chunk, [&](const Chunk& sub) {
            switch (sub.id) {
                case kNodeHeader: return ReadNodeHeader(sub, node);
                case kPivot:
                    node.pivot = cursor_.Point();
                    return SkipSubChunks(sub);
                case kPositionTrack: return ReadTrack(sub, node, kVectorTrack, kChannelPosition);
                case kFieldOfViewTrack: return ReadTrack(sub, node, kScalarTrack, kChannelFieldOfView);
                case kRollTrack: return ReadTrack(sub, node, kScalarTrack, kChannelRoll);
                default: return Skip(sub);
            }
        });
        return read && node.lastTrackOwned;
    }

    bool ReadNodeHeader(const Chunk& chunk, Node& node) {
        if (!cursor_.String(node.name, sizeof node.name)) return false;
        cursor_.Skip(6);  // two flag words and the parent number
        return SkipSubChunks(chunk);
    }

    int FindOwner(SceneOwnerKind kind, const char* name) const {
        switch (kind) {
            case kOwnerCamera:
            case kOwnerCameraTarget: return FindByName(scene_.cameras, name);
            case kOwnerLight: return FindByName(scene_.lights, name);
            case kOwnerMesh: return FindByName(scene_.meshes, name);
        }
        return -1;
    }

    bool ReadTrack(const Chunk& chunk, Node& node, SceneTrackType type, SceneChannel channel) {
        SceneTrack* track = PushFront(scene_.tracks, scene_.trackCount);
        track->type = type;
        track->ownerKind = node.ownerKind;
        track->channel = channel;
        track->pivot = node.pivot;
        track->ownerIndex = FindOwner(node.ownerKind, node.name);
        node.lastTrackOwned = track->ownerIndex >= 0;

        cursor_.U16();   // track flags
        cursor_.Skip(8);
        const uint32_t keyCount = cursor_.U32();
        // Each key takes at least its frame, its flags and its value.
        const size_t smallestKey = 4 + 2 + (type == kVectorTrack ? 12 : 4);
        if (!cursor_.ok() || keyCount > INT_MAX || keyCount > cursor_.Remaining() / smallestKey) return false;
        const int count = static_cast<int>(keyCount);
        if (type == kVectorTrack) {
            track->vectorKeys = std::make_unique<VectorKey[]>(keyCount);
            for (int i = 0; i < count; ++i) ReadKey(track->vectorKeys[i]);
        } else {
            track->scalarKeys = std::make_unique<ScalarKey[]>(keyCount);
            for (int i = 0; i < count; ++i) ReadKey(track->scalarKeys[i]);
        }
        track->keyCount = count;
        if (!cursor_.ok()) return false;
        PrepareTangents(track);
        return SkipSubChunks(chunk);
    }

    template <typename Key>
    void ReadKey(Key& key) {
        key.frame = static_cast<int>(cursor_.U32());
        const uint16_t flags = cursor_.U16();
        const auto optional = [&](int bit) { return (flags & (1u << bit)) ? double{cursor_.F32()} : 0.0; };
        key.tension = optional(0);
        key.continuity = optional(1);
        key.bias = optional(2);
        key.easeTo = optional(3);
        key.easeFrom = optional(4);
        ReadValue(key);
    }
    void ReadValue(ScalarKey& key) { key.value = cursor_.F32(); }
    void ReadValue(VectorKey& key) { key.value = cursor_.Point(); }

    ChunkCursor cursor_;
    Scene3ds& scene_;
};

}  // namespace

Scene3ds::~Scene3ds() { FreeScene(this); }

void FreeScene(Scene3ds* scene) {
    if (!scene) return;
    FreeList(scene->lights, scene->lightCount);
    FreeList(scene->cameras, scene->cameraCount);
    FreeList(scene->meshes, scene->meshCount);
    FreeList(scene->materials, scene->materialCount);
    FreeList(scene->tracks, scene->trackCount);
}

int LoadScene(std::span<const uint8_t> bytes, Scene3ds* scene) {
    if (!scene) return 0;
    FreeScene(scene);
    return SceneLoader(bytes, *scene).Load() ? 1 : 0;
}

int LoadScene(const char* path, Scene3ds* scene) {
    if (!scene) return 0;
    FreeScene(scene);
    std::FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (!file) return 0;
    std::vector<uint8_t> bytes;
    uint8_t block[65536];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) bytes.insert(bytes.end(), block, block + got);
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    return readError ? 0 : LoadScene(bytes, scene);
}

}  // namespace tavrin
