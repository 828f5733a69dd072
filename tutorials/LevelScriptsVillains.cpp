// The tutorials of levels 6 and 8: a villain fires, the player picks the
// shot and the villain and repairs the damage; the bee bonus against
// villains and removing a plant bed.

#include "tutorials/ScriptPieces.h"

#include "level/SaveStream.h"

#include <cmath>

namespace tut::script {

namespace {

constexpr int32_t kMaxPoints = 64;
// Level 6's record: the base level record and three words of its own.
constexpr uint32_t kLevel6RecordSize = 32;
// The box around a villain's field position that its arrow points at.
constexpr float kVillainBoxLeft = 32, kVillainBoxTop = 64, kVillainBoxWidth = 64, kVillainBoxHeight = 96;
// How far from a flying shot its arrow stands.
constexpr float kShotArrowOffset = 40;
// Level 6's first box stands on this field point.
constexpr float kLevel6BoxX = 680, kLevel6BoxY = 520;

int32_t FirstDamagedPoint(const ScriptLevel& level) {
    for (int32_t p = 0; p < kMaxPoints; ++p)
        if (level.PointKind(p) != kNoPoint && level.IsDamaged(p)) return p;
    return -1;
}

int32_t FirstPointWithButton(const ScriptLevel& level, uint32_t command) {
    kis::Rect r{};
    for (int32_t p = 0; p < kMaxPoints; ++p)
        if (level.PointKind(p) != kNoPoint && level.ButtonRect(p, command, &r)) return p;
    return -1;
}

float Degrees(float dx, float dy) {
    return std::atan2(dy, dx) * 180.0f / 3.14159265f;
}

// The edge of the box around a villain, on the side facing the field's centre.
std::unique_ptr<TutorialTarget> VillainTarget(ScriptLevel& level, const int32_t& slot) {
    ScriptLevel* where = &level;
    const int32_t* tracked = &slot;
    auto edge = [where, tracked](kis::Point& out, float& angle, uint32_t, uint32_t) {
        kis::Vector2 v{};
        if (*tracked < 0 || !where->VillainPosition(*tracked, &v)) return false;
        const kis::Point topLeft =
            where->ToScreen(kis::MakeVector2(v.x - kVillainBoxLeft, v.y - kVillainBoxTop));
        const kis::Point bottomRight = where->ToScreen(kis::MakeVector2(
            v.x - kVillainBoxLeft + kVillainBoxWidth, v.y - kVillainBoxTop + kVillainBoxHeight));
        const kis::Point at = where->ToScreen(v);
        const kis::Point centre = FieldCentre(*where);
        angle = Degrees(float(centre.x - at.x), float(centre.y - at.y));
        kis::RectEdgePointAtAngle(kis::Rect{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y}, angle, out);
        return true;
    };
    return std::make_unique<TutTargetCustom>(edge, 0, 0, 90, 0);
}

// Beside the first flying shot, towards the middle of the screen from the quarter it is in.
std::unique_ptr<TutorialTarget> ShotTarget(ScriptLevel& level) {
    ScriptLevel* where = &level;
    auto beside = [where](kis::Point& out, float& angle, uint32_t, uint32_t) {
        kis::Vector2 field{};
        float progress = 0;
        bool picked = false;
        if (where->ShotsInFlight() < 1 || !where->ShotAt(0, &field, &progress, &picked)) return false;
        const kis::Point at = where->ToScreen(field);
        const bool right = at.x >= where->ScreenWidth() / 2, top = at.y < where->ScreenHeight() / 2;
        angle = right ? (top ? 135.0f : 225.0f) : (top ? 45.0f : 315.0f);
        kis::MoveByAngleF(field, angle, kShotArrowOffset, false);
        out = where->ToScreen(field);
        return true;
    };
    return std::make_unique<TutTargetCustom>(beside, 0, 0, 90, 0);
}

// ---------------------------------------------------------------- level 6

class LevelTutorial_6 : public ScriptTutorial {
  public:
    LevelTutorial_6(TutorialRunner& runner, ScriptLevel& level)
        : ScriptTutorial(runner, kTutorialLevel6, level) {
        const StepRow table[] = {
            // 1: a villain hit a point; it fires again once the box is read.
            {.step = 1,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kPauseLevel, .after = 0},
             .beginsWhen = [this](ScriptStep& t) { return tracked_ >= 0 && FirstDamagedPoint(t.level) >= 0; },
             .show =
                 [this](ScriptStep& t) {
                     const int32_t damaged = FirstDamagedPoint(t.level);
                     if (damaged >= 0) t.Arrow(*LevelPoint(t.level, damaged));
                     t.ArrowOn(VillainTarget(t.level, tracked_), 2);
                     t.BoxOn(FieldSpot(t.level, kis::MakeVector2(kLevel6BoxX, kLevel6BoxY), 90), true, 0);
                     ClickToGoOn(t);
                 },
             .onDeactivate =
                 [this](ScriptStep& t) {
                     if (tracked_ >= 0) t.level.VillainShoot(tracked_);
                 }},
            // 2: pick the shot in flight.
            {.step = 2,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kPauseLevel | kAllowPickObject, .after = 0},
             .beginsWhen =
                 [](ScriptStep& t) {
                     kis::Vector2 field{};
                     float progress = 0;
                     bool picked = false;
                     return t.level.ShotsInFlight() > 0 && t.level.ShotAt(0, &field, &progress, &picked) &&
                            progress >= 0.5f;
                 },
             .show =
                 [](ScriptStep& t) {
                     auto target = ShotTarget(t.level);
                     ArrowAndBox(t, *target);
                     // The shot flies on: the step's rules apply at once.
                     t.Owner().SetDelay(0);
                 },
             .mayDo =
                 [](ScriptStep&, TutorialAction action, uint32_t tag, TutorialObject) {
                     return action == TutorialAction::PickObject && tag == kVillainShotObject;
                 },
             .everyFrame =
                 [](ScriptStep& t, uint32_t) {
                     for (int32_t i = 0; i < t.level.ShotsInFlight(); ++i) {
                         kis::Vector2 field{};
                         float progress = 0;
                         bool picked = false;
                         if (t.level.ShotAt(i, &field, &progress, &picked) && !picked) return;
                     }
                     t.Complete();
                 }},
            // 3: pick the villain.
            {.step = 3,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowPickObject, .after = 0},
             .show =
                 [this](ScriptStep& t) {
                     auto target = VillainTarget(t.level, tracked_);
                     ArrowAndBox(t, *target);
                 },
             .mayDo =
                 [](ScriptStep&, TutorialAction action, uint32_t tag, TutorialObject) {
                     return action == TutorialAction::PickObject && tag == kVillainObject;
                 },
             .everyFrame =
                 [this](ScriptStep& t, uint32_t) {
                     const int32_t state = tracked_ < 0 ? -1 : t.level.VillainState(tracked_);
                     if (state < 0 || (state >= kVillainLeaving && state != kVillainTutorialHold))
                         t.Complete();
                 }},
            // 4: order the repair.
            {.step = 4,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowClickPoint, .after = 0},
             .show =
                 [](ScriptStep& t) {
                     t.keptPoint = FirstPointWithButton(t.level, kSpriteRepair);
                     if (t.keptPoint >= 0)
                         ArrowAndBox(t, *PointButton(t.level, t.keptPoint, kSpriteRepair, 0));
                 },
             .mayDo =
                 [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
                     return t.keptPoint >= 0 &&
                            ClicksButton(t, action, tag, data, kSpriteRepair, t.keptPoint);
                 },
             .onEvent =
                 [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject) {
                     if (JobOrdered(event, a, kJobRepair)) t.Complete();
                 }},
            // 5: the repair runs until the point is whole.
            {.step = 5,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kAllowStepAside, .after = 0},
             .show =
                 [](ScriptStep& t) {
                     t.keptPoint = FirstDamagedPoint(t.level);
                     if (t.keptPoint >= 0) t.BoxOn(LevelPoint(t.level, t.keptPoint), false, 84, false);
                 },
             .everyFrame =
                 [](ScriptStep& t, uint32_t) {
                     if (t.keptPoint < 0 || !t.level.IsDamaged(t.keptPoint)) t.Complete();
                 }},
        };
        AddSteps(table);
    }

    void OnStart() override {
        SetFlags(kAllowVillains);
        if (level_.VillainsEnabled() && toCall_) {
            toCall_ = 0;
            level_.SetVillainTimer(0);
        }
    }

    void OnEvent(TutorialEvent event, uint32_t a, TutorialObject b) override {
        if (event == TutorialEvent::Shot) {
            shots_ = std::min(shots_ + 1, kShotsCounted);
            const int32_t slot = level_.VillainSlot(b);
            if (tracked_ < 0) {
                tracked_ = slot;
                if (slot >= 0) level_.ArmVillain(slot, kVillainTutorialHold);
            } else if (slot >= 0) {
                level_.ArmVillain(slot, kVillainAttacking);
            }
        }
        ScriptTutorial::OnEvent(event, a, b);
    }

    bool IsActionAllowed(TutorialAction action, uint32_t tag, TutorialObject data) override {
        if (action != TutorialAction::Villains) return ScriptTutorial::IsActionAllowed(action, tag, data);
        switch (tag) {
        case kVillainShotObject:
            // The first shot flies; the second stops halfway until its step shows.
            if (shots_ == 1) return true;
            return shots_ == 2 && level_.ShotProgress(data) < 0.5f;
        case kVillainObject:
            return tracked_ < 0;
        case kVillainHeldObject:
            return false;
        default:
            return true;
        }
    }

    void Update(uint32_t dt) override {
        ScriptTutorial::Update(dt);
        if (!adjusted_ && shots_ == 1 && level_.ShotsInFlight() > 0) {
            // The first shot takes a second, so that the player sees it land.
            adjusted_ = 1;
            level_.RetimeShot(0, 1000 / std::max(level_.TickMs(), 1u));
        }
    }

    bool SaveState(uint32_t size, SaveWriter& stream) override {
        if (!ScriptTutorial::SaveState(std::max(size, kLevel6RecordSize), stream)) return false;
        stream.PatchU32(SaveRecord() + 20, toCall_);
        stream.PatchU32(SaveRecord() + 24, uint32_t(tracked_));
        stream.PatchU32(SaveRecord() + 28, shots_);
        return !stream.Failed();
    }

    bool LoadState(const uint32_t* record, uint32_t size) override {
        if (size < kLevel6RecordSize || !ScriptTutorial::LoadState(record, size)) return false;
        // The villain is called once; the one followed is in one of the level's villain slots.
        if (record[5] > 1 || int32_t(record[6]) < -1 || int32_t(record[6]) >= level_.VillainSlots() ||
            record[7] > kShotsCounted)
            return false;
        toCall_ = record[5];
        tracked_ = int32_t(record[6]);
        shots_ = record[7];
        return true;
    }

    int32_t Tracked() const { return tracked_; }

  private:
    // The steps tell of the first two shots; the later ones all count as the third.
    static constexpr uint32_t kShotsCounted = 3;
    uint32_t toCall_ = 1;
    int32_t tracked_ = -1;
    uint32_t shots_ = 0;
    uint32_t adjusted_ = 0;
};

// ---------------------------------------------------------------- level 8

class LevelTutorial_8 : public ScriptTutorial {
  public:
    LevelTutorial_8(TutorialRunner& runner, ScriptLevel& level)
        : ScriptTutorial(runner, kTutorialLevel8, level) {
        const StepRow table[] = {
            // The bee bonus against the villains, when the level has both.
            {.step = kStepBonusBees,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kFlagWindows | kPauseLevel, .after = kStopClock},
             .beginsWhen =
                 [](ScriptStep& t) {
                     if (!t.level.VillainsEnabled() || !t.level.HasBonus(BonusKind::Bees)) {
                         if (t.NextId())
                             t.Owner().GoToStep(t.NextId());
                         else
                             t.Owner().Finish();
                         return false;
                     }
                     for (int32_t slot = 0; slot < t.level.VillainSlots(); ++slot)
                         if (t.level.VillainState(slot) == kVillainAttacking) return true;
                     if (!t.prepared) {
                         // Let the villains come, the first one at once.
                         t.prepared = true;
                         t.Owner().SetFlags(kAllowVillains);
                         bool any = false;
                         for (int32_t slot = 0; slot < t.level.VillainSlots(); ++slot)
                             any = any || t.level.VillainState(slot) >= 0;
                         if (!any) t.level.SetVillainTimer(0);
                     }
                     return false;
                 },
             .show =
                 [](ScriptStep& t) {
                     auto target =
                         PanelButton(t.level, kPanelBonus, t.level.BonusButtonData(BonusKind::Bees), 270);
                     t.Arrow(*target);
                     t.Box(*target, false, 84, u"level_bonus_bees_1");
                 },
             .mayDo =
                 [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
                     return IsControl(action, tag, data, kTagLevelPanel, kPanelBonus) &&
                            !t.level.BonusButtonBlocked(BonusKind::Bees);
                 },
             .onEvent =
                 [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject b) {
                     if (FromControl(event, a, b, kTagLevelPanel, kPanelBonus) &&
                         !t.level.BonusButtonBlocked(BonusKind::Bees))
                         t.Complete();
                 },
             .delayAfter = int32_t(kBonusBeesDelayMs)},
            // 1-4: removing the bed at point 6.
            {.step = 1,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock, .after = kStopClock},
             .piece = [](ScriptStep& s) { FieldBox(s, 90, 160); }},
            {.step = 2,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowHoverPoint, .after = kStopClock},
             .piece = [](ScriptStep& s) { SelectPoint(s, 6); }},
            {.step = 3,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kFlagWindows | kStopClock, .after = kStopClock},
             .context = {kTagContextPlantBed, [](ScriptLevel& l) { return l.PlantBedObject(6); }},
             .show =
                 [](ScriptStep& t) {
                     if (!t.level.HasJob(6, kJobAny))
                         ArrowAndBox(t, *PanelButton(t.level, kChildRemove, 0, 270));
                 },
             .mayDo =
                 [](ScriptStep&, TutorialAction action, uint32_t tag, TutorialObject data) {
                     return IsControl(action, tag, data, kTagLevelPanel, kChildRemove);
                 },
             .onEvent =
                 [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject b) {
                     if (event == TutorialEvent::PointChanged && a == kKindSite && t.level.PointIndex(b) == 6)
                         t.Complete();
                     else if (FromControl(event, a, b, kTagLevelPanel, kChildRemove))
                         t.CloseAndSetFlags(kAllowStepAside);
                 },
             .onActivate =
                 [](ScriptStep& t) {
                     if (t.level.HasJob(6, kJobAny)) t.Owner().SetFlags(kAllowStepAside);
                 }},
            // 4: its box leaves the site it tells of in sight.
            {.step = 4,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock, .after = kStopClock},
             .piece = [](ScriptStep& s) { FieldBox(s, 90, 160); },
             .sightPoints = {6}},
        };
        AddSteps(table);
    }
};

} // namespace

GameTutorial* MakeLevel6(TutorialRunner& runner, ScriptLevel& level) {
    return runner.Make<LevelTutorial_6>(level);
}
GameTutorial* MakeLevel8(TutorialRunner& runner, ScriptLevel& level) {
    return runner.Make<LevelTutorial_8>(level);
}

} // namespace tut::script
