#include "shell/scene_schedule.h"

#include "effects/metaball_field.h"
#include "effects/trophy_scene.h"
#include "platform/random.h"

namespace tavrin {
namespace {

// Every threshold is a single-precision constant compared strictly with the float song time.
constexpr float kFlaresOn = 8.35f;
constexpr float kPassageStart = 81.0f;
constexpr float kPassageEnd = 86.0f;
constexpr float kPassageDistanceBase = 90.0f;
constexpr float kShakeStart = 138.0f;
constexpr float kScrollerStart = 171.0f;
constexpr float kRandomStep = 8.15f;
constexpr int kPassageCells = 79;
constexpr int kDefaultCells = 39;

template <typename T>
void Write(T* member, T value) {
    if (member != nullptr) *member = value;
}

}  // namespace

void ScheduleSlots::AttachTrophy(TrophyScene& scene) {
    trophy = &scene;
    trophyField = scene.field;
    trophyFrozen = &scene.frozen;
    trophyCameraDistance = &scene.cameraDistance;
    trophyOrbitSpeed = &scene.orbitSpeed;
}

SceneSchedule::SceneSchedule(const ScheduleSlots& slots)
    : slots_(slots), randomEffect_(slots.trophy) {}

bool SceneSchedule::ScrollerShown(float songTime) { return songTime > kScrollerStart; }

void SceneSchedule::Run(float t) {
    ChooseEffect(t);
    if (t > kFlaresOn) Write(slots_.flareOn, true);
    if (!metaballFadeDone_ && t > kPassageStart) RunMetaballPassage(t);
    if (t > kShakeStart) {
        Write(slots_.envBumpShake, 1.0f);
        Write(slots_.stadiumShake, 0.5f);
        Write(slots_.stadiumOrbitSpeed, 6.0f);
    }
    if (t > kScrollerStart) {
        Write(slots_.stadiumShake, 0.0f);
        Write(slots_.envBumpShake, 0.0f);
        Write(slots_.stadiumOrbitSpeed, 0.5f);
        PickRandomEffect(t);
        if (randomEffect_ != nullptr) activeEffect_ = randomEffect_;
    }
}

// Each line that holds overrides the ones before it; with none (t <= 0) the choice stays.
void SceneSchedule::ChooseEffect(float t) {
    const struct {
        float after;
        Effect* effect;
    } chain[] = {{0.0f, slots_.flare},     {24.6f, slots_.stadium}, {40.8f, slots_.trophy},
                 {49.2f, slots_.envBump},  {57.0f, slots_.trophy},  {86.0f, slots_.stadium},
                 {138.7f, slots_.envBump}, {155.0f, slots_.stadium}};
    for (const auto& line : chain) {
        if (t > line.after && line.effect != nullptr) activeEffect_ = line.effect;
    }
}

// 81 to 86 s: the trophy scene stands still at 79^3 cells while the camera pulls in from 12 to 7;
// the first frame from 86 s on restores it.
void SceneSchedule::RunMetaballPassage(float t) {
    if (slots_.trophy == nullptr) return;
    if (MetaballField* field = slots_.trophyField) {
        field->SetResolution(kPassageCells, kPassageCells, kPassageCells);
        field->Polygonise();
    }
    Write(slots_.trophyFrozen, true);
    Write(slots_.trophyOrbitSpeed, 0.0f);
    if (t < kPassageEnd) {
        Write(slots_.trophyCameraDistance, 3.0f - (t - kPassageDistanceBase));
        return;
    }
    Write(slots_.trophyCameraDistance, 3.0f);
    Write(slots_.trophyFrozen, false);
    Write(slots_.trophyOrbitSpeed, 0.4f);
    if (MetaballField* field = slots_.trophyField) {
        field->SetResolution(kDefaultCells, kDefaultCells, kDefaultCells);
    }
    metaballFadeDone_ = true;
}

// One pick per frame at most, every 8.15 s of song time after 171 s; a long stall catches up one
// pick per frame. The trophy scene comes up twice as often as each of the others.
void SceneSchedule::PickRandomEffect(float t) {
    // The difference is compared in double precision, as the float operands give it exactly.
    if (static_cast<double>(t) - nextRandomSwitch_ > static_cast<double>(kRandomStep)) {
        nextRandomSwitch_ += kRandomStep;
        Effect* const picks[4] = {slots_.stadium, slots_.envBump, slots_.trophy, slots_.trophy};
        Effect* const pick = picks[Rand() & 3];
        if (pick != nullptr) randomEffect_ = pick;
    }
}

}  // namespace tavrin
