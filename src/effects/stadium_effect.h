#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "d3d/d3d8.h"
#include "effects/effect.h"
#include "effects/field_source.h"
#include "effects/metaball_field.h"
#include "effects/vec3.h"

namespace tavrin {

struct MeshModel;

// The stadium seen from a circling camera, with metaballs floating above the pitch. The effect is
// the field source of its own metaball surface.
class StadiumEffect : public Effect, public FieldSource {
public:
    struct Ball {
        Vec3 position;
        float radius = 0.2f;
        float freqX, phaseX;
        float freqY, phaseY;
        float freqZ, phaseZ;
    };

    // Textures and mesh are borrowed and may be null. Each ball takes six random draws.
    StadiumEffect(DisplayDevice* device, int ballCount, IDirect3DTexture8* envTexture,
                  IDirect3DTexture8* bumpTexture, const MeshModel* stadium);
    ~StadiumEffect() override;

    void Render(double frameSeconds) override;

    float Value(const Vec3& point) const override;
    D3DCOLOR Colour(const Vec3& point) const override;
    bool Normal(Vec3& normal, const Vec3& point) const override;

    const std::vector<Ball>& Balls() const { return balls; }
    MetaballField& Field() { return *field; }
    // One clock for the effect, advanced only by Render.
    static float Clock() { return clock; }
    static void ResetClock() { clock = 0.0f; }

    // The view of the frame last rendered.
    D3DMATRIX LastView() const { return lastView; }

    float shake = 0.0f;
    float orbitSpeed = 0.5f;

private:
    D3DMATRIX CameraView() const;
    void SetCamera(const D3DMATRIX& view);
    void SetLight();
    void DrawStadium();
    void SetBallStages();
    void CleanUp();

    std::unique_ptr<MetaballField> field;
    IDirect3DTexture8* envTexture;
    IDirect3DTexture8* bumpTexture;
    const MeshModel* stadium;
    D3DCOLOR vertexColour = 0xFFFFFFFFu;
    std::vector<Ball> balls;
    D3DMATRIX lastView{};

    static float clock;
};

}  // namespace tavrin
