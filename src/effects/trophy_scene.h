#pragma once

#include <cstdint>

#include "d3d/d3dtypes.h"
#include "effects/effect.h"
#include "effects/field_source.h"
#include "effects/flow_noise.h"
#include "effects/vec3.h"

struct IDirect3DCubeTexture8;
struct IDirect3DTexture8;

namespace tavrin {

class MetaballField;
class SkyBox;
struct MeshModel;

// The trophy inside a sky box, a football circling and tumbling around it, and a translucent,
// environment-mapped blob of animated noise rising out of a rippling pool. Pool and blob are one
// iso-surface: the scene is the FieldSource of its own MetaballField. The camera orbits.
//
// Besides Render, the shell drives it through its public members: the schedule writes `frozen`,
// `cameraDistance` and `orbitSpeed` and calls SetResolution and Polygonise on `field`; the 'A'
// and 'Y' keys call StepResolution. The resolution notice is printed through `printText`, which
// the shell points at its text overlay (nothing is printed while it is null).
class TrophyScene : public Effect, public FieldSource {
public:
    // Draws on the device; sphereMap is the blob's texture without cube maps. The meshes and the
    // texture stay the caller's. Draws the noise tables (if not yet drawn) and polygonises once,
    // so the first frame has a surface.
    TrophyScene(DisplayDevice* device, IDirect3DTexture8* sphereMap, MeshModel* trophy,
                MeshModel* ball);
    ~TrophyScene() override;

    void Render(double frameSeconds) override;

    // Pool and noisy blob shell: >= 0 inside.
    float Value(const Vec3& p) const override;
    // White at alpha 160.
    D3DCOLOR Colour(const Vec3& p) const override;
    // Moves on with every animation step: a frozen scene's field needs no new pass.
    uint64_t Revision() const override { return revision_; }

    // The 'A' (+1) and 'Y' (-1) keys: the grid becomes resolution + step cells along each axis
    // unless the field refuses it; either way the notice shows for two seconds.
    void StepResolution(int step);

    // Advances the scene clock by frameSeconds and moves the blob, the pool ripples and the
    // football; Render does this on every frame that is not frozen.
    void Animate(double frameSeconds);

    // The football's placement: translation, then the rows of its orientation.
    struct Frame {
        Vec3 translation{0, 0, 0};
        Vec3 rows[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    };

    MetaballField* field = nullptr;  // owned
    float cameraDistance = 3.0f;
    float orbitSpeed = 0.4f;  // radians per second of scene clock
    bool frozen = false;      // while set, Render neither animates nor polygonises
    int resolution = 39;      // grid resolution last asked for with the keys
    float resolutionNoticeTime = 0.0f;
    void (*printText)(int x, int y, const char* text, uint32_t colour) = nullptr;

    // Whether a sphere (world centre, radius) can show in the cube face seen through `faceView`:
    // false only when it lies wholly outside the face's square 90-degree frustum.
    static bool SphereMayShowInFace(const D3DMATRIX& faceView, const Vec3& centre, float radius);

    float SceneClock() const { return sceneClock_; }
    float BlobHeight() const { return blobHeight_; }
    const Frame& BallFrame() const { return ballFrame_; }
    IDirect3DCubeTexture8* EnvironmentCube() const { return environmentCube_; }

private:
    void SetLight();
    void LookAt(const Vec3& eye);
    void SetProjection(float width, float zNear, float zFar);
    void DrawEnvironment(bool withBall = true);
    void RenderCubeFaces();
    void DrawBlob(const Vec3& eye);
    void DrawResolutionNotice(double frameSeconds);
    void CleanUp();

    IDirect3DTexture8* sphereMap_;  // not owned
    MeshModel* trophy_;             // not owned
    MeshModel* ball_;               // not owned
    IDirect3DCubeTexture8* environmentCube_ = nullptr;
    SkyBox* skyBox_ = nullptr;  // owned
    Vec3 blobOffset_{0, 0, 0};
    Vec3 blobFrequencies_{0.2689f, 0.34218f, 0.21216f};
    float ripplePhase_ = 0.0f;
    Frame ballFrame_;
    float blobHeight_ = 0.2f;
    // The scene's own clock and tumbling angles, advanced only while the scene is not frozen.
    float sceneClock_ = 0.0f;
    float angles_[3] = {1.0f, 1.32f, 2.31f};
    FlowNoise noise_;  // gradients turned by the football's frame
    uint64_t revision_ = 1;
    float ballRadius_ = 0.0f;  // of the football mesh around its origin
};

}  // namespace tavrin
