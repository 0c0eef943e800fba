// tavrin-3ds FILE [--frames A:B:STEP]: prints a 3DS scene as the loader sees it and, on request,
// every track's value at the given frames.
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "cli/command_line.h"
#include "scene3ds/scene3ds.h"

namespace {

using namespace tavrin;

struct FrameRange {
    double first = 0, last = 0, step = 1;
};

constexpr long kMaxSamples = 100000;

constexpr cli::Option kOptions[] = {
    {"frames", "A:B:STEP", "also print every track's value at frames A, A+STEP, ... up to B", true},
};

constexpr cli::Program kProgram{
    .name = "tavrin-3ds",
    .operands = "FILE",
    .summary = "Print a 3D Studio scene as the Tavrin 3DS loader reads it.",
    .options = kOptions,
    .minOperands = 1,
    .maxOperands = 1,
    .details = "Lights, cameras, materials, meshes and keyframe tracks are listed; a file the loader\n"
               "refuses is shown as far as it was read, and the exit status is 1.\n",
};

bool ParseFrames(const char* text, FrameRange* range) {
    char* end = nullptr;
    range->first = std::strtod(text, &end);
    if (*end != ':') return false;
    range->last = std::strtod(end + 1, &end);
    if (*end != ':') return false;
    range->step = std::strtod(end + 1, &end);
    return *end == '\0' && range->step > 0 && range->last >= range->first &&
           (range->last - range->first) / range->step < kMaxSamples;
}

void PrintVec(const DVec3& v) { std::printf("(%g, %g, %g)", v.x, v.y, v.z); }

const char* OwnerKindName(int kind) {
    switch (kind) {
        case kOwnerCamera: return "camera";
        case kOwnerCameraTarget: return "camera target";
        case kOwnerLight: return "light";
        case kOwnerMesh: return "mesh";
        default: return "?";
    }
}

const char* ChannelName(int channel) {
    switch (channel) {
        case kChannelPosition: return "position";
        case kChannelFieldOfView: return "field of view";
        case kChannelRoll: return "roll";
        default: return "?";
    }
}

const char* OwnerName(const Scene3ds& scene, const SceneTrack& track) {
    const char* name = nullptr;
    switch (track.ownerKind) {
        case kOwnerCamera:
        case kOwnerCameraTarget: {
            const SceneCamera* c = SceneListAt(scene.cameras, track.ownerIndex);
            name = c ? c->name : nullptr;
            break;
        }
        case kOwnerLight: {
            const SceneLight* l = SceneListAt(scene.lights, track.ownerIndex);
            name = l ? l->name : nullptr;
            break;
        }
        case kOwnerMesh: {
            const SceneMesh* m = SceneListAt(scene.meshes, track.ownerIndex);
            name = m ? m->name : nullptr;
            break;
        }
    }
    return name ? name : "(no owner)";
}

void PrintScene(const Scene3ds& scene) {
    std::printf("lights %d\n", scene.lightCount);
    int i = 0;
    for (const SceneLight* l = scene.lights; l; l = l->next, ++i) {
        std::printf("  [%d] \"%s\" at ", i, l->name);
        PrintVec(l->position);
        std::printf("\n");
    }
    std::printf("cameras %d\n", scene.cameraCount);
    i = 0;
    for (const SceneCamera* c = scene.cameras; c; c = c->next, ++i) {
        std::printf("  [%d] \"%s\" at ", i, c->name);
        PrintVec(c->position);
        std::printf(" looking at ");
        PrintVec(c->target);
        std::printf(", roll %g, lens %g\n", c->roll, c->lens);
    }
    std::printf("materials %d\n", scene.materialCount);
    i = 0;
    for (const SceneMaterial* m = scene.materials; m; m = m->next, ++i) {
        std::printf("  [%d] \"%s\" texture %s\n", i, m->name, m->textureName[0] ? m->textureName : "(none)");
    }
    std::printf("meshes %d\n", scene.meshCount);
    i = 0;
    for (const SceneMesh* m = scene.meshes; m; m = m->next, ++i) {
        std::set<int> used;
        for (int f = 0; f < m->faceCount; ++f) used.insert(m->faces[f].material);
        std::printf("  [%d] \"%s\" vertices %d, faces %d, texture coordinates %d, origin ", i, m->name,
                    m->vertexCount, m->faceCount, m->texCoordCount);
        PrintVec({m->localMatrix.m[3][0], m->localMatrix.m[3][1], m->localMatrix.m[3][2]});
        std::printf(", materials");
        for (int material : used) {
            const SceneMaterial* found = SceneListAt(scene.materials, material);
            std::printf(" \"%s\"", found ? found->name : "(none)");
        }
        std::printf("\n");
    }
    std::printf("tracks %d\n", scene.trackCount);
    i = 0;
    for (const SceneTrack* t = scene.tracks; t; t = t->next, ++i) {
        std::printf("  [%d] %s of %s \"%s\" [%d], %d keys", i, ChannelName(t->channel), OwnerKindName(t->ownerKind),
                    OwnerName(scene, *t), t->ownerIndex, t->keyCount);
        if (t->keyCount > 0) {
            const bool vector = t->type == kVectorTrack;
            std::printf(", frames %d to %d", vector ? t->vectorKeys[0].frame : t->scalarKeys[0].frame,
                        vector ? t->vectorKeys[t->keyCount - 1].frame : t->scalarKeys[t->keyCount - 1].frame);
        }
        std::printf(", pivot ");
        PrintVec(t->pivot);
        std::printf("\n");
    }
}

void PrintSamples(const Scene3ds& scene, const FrameRange& range) {
    int i = 0;
    for (const SceneTrack* t = scene.tracks; t; t = t->next, ++i) {
        std::printf("track [%d] %s of \"%s\"\n", i, ChannelName(t->channel), OwnerName(scene, *t));
        const long samples = static_cast<long>((range.last - range.first) / range.step) + 1;
        for (long s = 0; s < samples; ++s) {
            const double frame = range.first + static_cast<double>(s) * range.step;
            std::printf("  %10g  ", frame);
            if (t->type == kVectorTrack) {
                PrintVec(EvaluateVectorTrack(*t, frame));
            } else {
                std::printf("%g", EvaluateScalarTrack(*t, frame));
            }
            std::printf("\n");
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    cli::CommandLine line;
    int exitCode = 0;
    if (cli::ParseOrExit(kProgram, argc, argv, line, exitCode)) return exitCode;
    const char* path = line.arguments.operands.front().c_str();
    FrameRange frames;
    const std::string* frameText = line.arguments.Value("frames");
    if (frameText && !ParseFrames(frameText->c_str(), &frames)) {
        return cli::UsageError(kProgram, "--frames wants A:B:STEP with A <= B, STEP > 0, at most " +
                                             std::to_string(kMaxSamples) + " samples");
    }
    const bool sample = frameText != nullptr;

    Scene3ds scene;
    const bool loaded = LoadScene(path, &scene) == 1;
    std::printf("%s: %s\n", path, loaded ? "loaded" : "FAILED to load; what was read before the failure:");
    PrintScene(scene);
    if (sample) PrintSamples(scene, frames);
    FreeScene(&scene);
    if (!loaded) std::fprintf(stderr, "tavrin-3ds: %s: not a 3DS scene the loader accepts\n", path);
    return loaded ? 0 : 1;
}
