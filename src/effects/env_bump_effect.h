#pragma once

#include <memory>
#include <vector>

#include "d3d/d3d8.h"
#include "effects/effect.h"
#include "effects/field_source.h"
#include "effects/metaball_field.h"
#include "effects/vec3.h"

namespace tavrin {

// Two tumbling tori melting into one surface, lit per pixel by DOT3: each vertex carries the
// direction from a moving light packed into its colour, and a normal map read through sphere-map
// coordinates supplies the per-pixel normal. The effect is the field source of its own surface.
class EnvBumpEffect : public Effect, public FieldSource {
public:
    struct Torus {
        Vec3 centre;
        Vec3 axisU{1, 0, 0}, axisV{0, 1, 0}, axisW{0, 0, 1};  // the ring lies in the U-V plane
        float ringRadius, tubeRadius;
        float freqX, phaseX, freqY, phaseY, freqZ, phaseZ;
        float spinU, spinV, spinW;
    };

    // Textures are borrowed and may be null. Each torus takes eleven random draws.
    EnvBumpEffect(DisplayDevice* device, int torusCount, IDirect3DTexture8* envTexture,
                  IDirect3DTexture8* bumpTexture);
    ~EnvBumpEffect() override;

    void Render(double frameSeconds) override;

    float Value(const Vec3& point) const override;
    D3DCOLOR Colour(const Vec3& point) const override;
    bool Normal(Vec3& normal, const Vec3& point) const override;

    // Moves the tori and the light by one frame time without drawing.
    void Advance(double frameSeconds);

    const std::vector<Torus>& Tori() const { return tori; }
    const Vec3& LightPos() const { return lightPos; }
    void SetLightPos(const Vec3& position) { lightPos = position; }
    MetaballField& Field() { return *field; }
    static float Clock() { return clock; }
    static void ResetClock() { clock = 0.0f; }

    float shake = 0.0f;

private:
    // The offset from a torus's ring circle to the point, in the torus's own frame.
    struct RingOffset {
        float du, dv, dw, squared;
    };
    static RingOffset OffsetFromRing(const Torus& torus, const Vec3& point);
    static void Tumble(Torus& torus, float frameSeconds);
    void SetStages();

    std::unique_ptr<MetaballField> field;
    [[maybe_unused]] IDirect3DTexture8* envTexture;  // stored for its owner; never bound
    IDirect3DTexture8* bumpTexture;
    Vec3 lightPos;
    std::vector<Torus> tori;

    static float clock;
};

}  // namespace tavrin
