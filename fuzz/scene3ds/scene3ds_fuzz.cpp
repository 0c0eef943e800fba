// Loads arbitrary bytes as a 3DS scene, walks what came out and evaluates every track.
#include <cstddef>
#include <cstdint>
#include <span>

#include "scene3ds/scene3ds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tavrin::Scene3ds scene;
    const bool loaded = tavrin::LoadScene(std::span<const uint8_t>(data, size), &scene) == 1;
    for (const tavrin::SceneMesh* mesh = scene.meshes; mesh; mesh = mesh->next) {
        // A scene that loaded has no face pointing at a vertex that does not exist.
        for (int f = 0; loaded && f < mesh->faceCount; ++f) {
            for (int v : mesh->faces[f].vertex) {
                if (v < 0 || v >= mesh->vertexCount) __builtin_trap();
            }
        }
    }
    for (const tavrin::SceneTrack* track = scene.tracks; track; track = track->next) {
        for (double frame : {-1.0, 0.0, 0.5, 7.0, 100.0, 1e9}) {
            tavrin::EvaluateScalarTrack(*track, frame);
            tavrin::EvaluateVectorTrack(*track, frame);
        }
    }
    tavrin::FreeScene(&scene);
    return 0;
}
