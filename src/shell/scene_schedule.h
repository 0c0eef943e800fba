#pragma once

namespace tavrin {

class Effect;
class MetaballField;
class TrophyScene;

// The effects the schedule chooses from and the members it writes on them. A null effect's lines
// are skipped (a null member pointer skips only that write), so the show runs with whatever
// effects exist.
struct ScheduleSlots {
    Effect* flare = nullptr;
    bool* flareOn = nullptr;
    Effect* stadium = nullptr;
    float* stadiumShake = nullptr;
    float* stadiumOrbitSpeed = nullptr;
    Effect* envBump = nullptr;
    float* envBumpShake = nullptr;
    Effect* trophy = nullptr;
    MetaballField* trophyField = nullptr;
    bool* trophyFrozen = nullptr;
    float* trophyCameraDistance = nullptr;
    float* trophyOrbitSpeed = nullptr;
    // Drawn by the main loop on top of the active effect once ScrollerShown says so.
    Effect* scroller = nullptr;

    // Fills the trophy lines from the scene.
    void AttachTrophy(TrophyScene& scene);
};

// The show's script, keyed to the music position. Once per frame, after reading the song time and
// before drawing, the main loop calls Run(songTime), then draws ActiveEffect() (nothing while it
// is null) and, when ScrollerShown(), the scroller over it. Random picks after 171 s draw from
// Rand(), the sequence the effects draw from too.
class SceneSchedule {
public:
    explicit SceneSchedule(const ScheduleSlots& slots);

    void Run(float songTime);

    Effect* ActiveEffect() const { return activeEffect_; }
    Effect* RandomEffect() const { return randomEffect_; }
    float NextRandomSwitch() const { return nextRandomSwitch_; }
    bool MetaballFadeDone() const { return metaballFadeDone_; }

    // From 171 s on the end scroller runs over the effects.
    static bool ScrollerShown(float songTime);

private:
    void ChooseEffect(float t);
    void RunMetaballPassage(float t);
    void PickRandomEffect(float t);

    ScheduleSlots slots_;
    Effect* activeEffect_ = nullptr;
    Effect* randomEffect_;
    float nextRandomSwitch_ = 171.0f;
    bool metaballFadeDone_ = false;
};

}  // namespace tavrin
