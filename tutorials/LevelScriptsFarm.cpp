// The tutorials of levels 2 to 5: factories, upgrades, the henhouse and a
// factory with two ingredients.

#include "tutorials/ScriptPieces.h"

#include "gui/Controls.h"

#include <algorithm>

namespace tut::script {

namespace {

// Arrays, not strings: nothing may allocate before main, where memory that
// runs out could not be told.
constexpr char16_t kFlourFactory[] = u"prod_flour";
constexpr char16_t kPieFactory[] = u"prod_pie";
constexpr char16_t kHenhouse[] = u"henhouse";

bool HasButton(ScriptLevel& level, int32_t point, uint32_t command) {
    kis::Rect r{};
    return level.ButtonRect(point, command, &r);
}

// A factory's production button as its arrows point at it: from the side.
// Straight below the button stands its first slot's progress square, where an
// arrow from below would rest its tip on the square instead of the button.
std::unique_ptr<TutorialTarget> ProductionButton(ScriptLevel& level, int32_t point) {
    return PointButton(level, point, kSpriteProduce, 0);
}

// A click inside a point's overhead button (screen pixels).
bool OnButton(ScriptLevel& level, int32_t point, uint32_t command, int32_t x, int32_t y) {
    kis::Rect r{};
    return level.ButtonRect(point, command, &r) && x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// The production button of a point pressed by its click: refused when the
// level can tell it belongs to another point.
bool PressesProduction(ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject sprite,
                       int32_t point) {
    return ClicksButton(t, action, tag, sprite, kSpriteProduce, point);
}

// TutorialAction::Produce for one product only.
bool Produces(TutorialAction action, uint32_t tag, uint32_t product) {
    return action == TutorialAction::Produce && product != 0 && tag == product;
}

// A point's factory runs at the rate while the step is current.
void FactoryRateWhileCurrent(ScriptStep& s, std::vector<int32_t> points, float rate) {
    s.activate = [points, rate](ScriptStep& t) {
        for (int32_t p : points)
            if (t.level.IsFactory(p)) t.level.SetFactoryRate(p, rate);
    };
    s.deactivate = [points](ScriptStep& t) {
        for (int32_t p : points)
            if (t.level.IsFactory(p)) t.level.SetFactoryRate(p, 1.0f);
    };
}

// ---------------------------------------------------------------- level 2

class LevelTutorial_2 : public ScriptTutorial {
    // The units of flour the tutorial has the mills make: the easy goal.
    static constexpr uint32_t kTutorialUnits = 3;

  public:
    LevelTutorial_2(TutorialRunner& runner, ScriptLevel& level)
        : ScriptTutorial(runner, kTutorialLevel2, level) {
        const StepRow table[] = {
            // 1: the goal.
            {.step = 1,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock, .after = kStopClock},
             .show =
                 [](ScriptStep& t) {
                     t.Arrow(*GoalButton(t.level));
                     t.BoxOn(FieldCentreTarget(t.level, 0), true, 0);
                     ClickToGoOn(t);
                 }},
            // 2-4: the first site, its buildings, the flour factory.
            // Its box leaves the beds of points 3 and 4 in sight.
            {.step = 2,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowHoverPoint, .after = kStopClock},
             .piece = [](ScriptStep& s) { SelectPoint(s, 1); },
             .sightPoints = {3, 4}},
            {.step = 3,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kFlagWindows | kStopClock, .after = kStopClock},
             .piece = [](ScriptStep& s) { PressPanelButton(s, kChildBuildings); }},
            {.step = 4,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kFlagWindows | kStopClock | kAllowStepAside, .after = kStopClock},
             .piece = [](ScriptStep& s) { BuildOnSite(s, 1, kChildBuildingChoice, kFlourFactory); }},
            // 5: the production button explained; pressing it is allowed and is not the click.
            {.step = 5,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowClickPoint, .after = kStopClock},
             .show =
                 [](ScriptStep& t) {
                     ArrowAndBox(t, *ProductionButton(t.level, 1), true);
                     ClickToGoOn(t);
                 },
             .mayDo =
                 [](ScriptStep&, TutorialAction action, uint32_t tag, TutorialObject) {
                     return action == TutorialAction::ClickPoint && tag == kSpriteProduce;
                 },
             .notClickArea = [&level](int32_t x,
                                      int32_t y) { return OnButton(level, 1, kSpriteProduce, x, y); }},
            // 6: harvest wheat for it. Its two arrows ask for both beds: the
            // first order closes only its own bed's arrow and keeps the other
            // bed's harvest button pressable (growth and stepping aside, and
            // clicks on points; without the last the second bed's click was
            // refused).
            {.step = 6,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowClickPoint, .after = kStopClock},
             .piece = [](ScriptStep& s) { HarvestBothBeds(s, 1, kAllowStepAside | kAllowClickPoint); }},
            // 7: produce. The farmer may step aside meanwhile (kAllowStepAside): the second
            // bed's harvest that step 6 took stays in her queue and is worked.
            {.step = 7,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowClickPoint | kAllowStepAside, .after = kStopClock},
             .show = [](ScriptStep& t) { ArrowAndBox(t, *ProductionButton(t.level, 1)); },
             .mayDo =
                 [](ScriptStep&, TutorialAction action, uint32_t tag, TutorialObject) {
                     return action == TutorialAction::ClickPoint && tag == kSpriteProduce;
                 },
             .onEvent =
                 [](ScriptStep& t, TutorialEvent event, uint32_t, TutorialObject) {
                     if (event == TutorialEvent::ProductionStarted) t.Complete();
                 }},
            // 8: the factory works, at double rate, until its product is made:
            // done when the factory it sped up finishes a unit.
            {.step = 8,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kGrowAndProduce, .after = kStopClock},
             .show =
                 [](ScriptStep& t) {
                     if (t.level.PointIsType(1, kFlourFactory))
                         ArrowAndBox(t, *PointButton(t.level, 1, kSpriteSlot, 90));
                 },
             .mayDo =
                 [](ScriptStep&, TutorialAction action, uint32_t, TutorialObject) {
                     return action == TutorialAction::PlantGrows || action == TutorialAction::Produce;
                 },
             .onEvent =
                 [](ScriptStep& t, TutorialEvent event, uint32_t, TutorialObject b) {
                     if (event == TutorialEvent::ProductionEnded && t.keptPoint >= 0 &&
                         t.level.PointIndex(b) == t.keptPoint)
                         t.Complete();
                 },
             .onActivate =
                 [](ScriptStep& t) {
                     if (!t.level.PointIsType(1, kFlourFactory)) return;
                     t.keptPoint = 1;
                     t.level.SetFactoryRate(1, 2.0f);
                 },
             .onDeactivate =
                 [](ScriptStep& t) {
                     if (t.keptPoint >= 0) t.level.SetFactoryRate(t.keptPoint, 1.0f);
                     t.keptPoint = -1;
                 }},
            // 9: a second factory; 10-12: its site, its buildings, the flour factory.
            {.step = 9,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock, .after = kStopClock},
             .piece = [](ScriptStep& s) { FieldBox(s, 0, 0); }},
            {.step = 10,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowHoverPoint, .after = kStopClock},
             .piece = [](ScriptStep& s) { SelectPoint(s, 2); }},
            {.step = 11,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kFlagWindows | kStopClock, .after = kStopClock},
             .piece = [](ScriptStep& s) { PressPanelButton(s, kChildBuildings); }},
            {.step = 12,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kFlagWindows | kStopClock | kAllowStepAside, .after = kStopClock},
             .piece = [](ScriptStep& s) { BuildOnSite(s, 2, kChildBuildingChoice, kFlourFactory); }},
            // 13: wheat for both. The first harvest and the mill's unit used the
            // wheat there was, so the second unit has to grow: the plants grow
            // while the step waits (it consents to growth), else it could never end.
            {.step = 13,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowClickPoint | kAllowPlantGrows, .after = kStopClock},
             .piece =
                 [](ScriptStep& s) {
                     HarvestBothBeds(s, 2, kAllowStepAside | kAllowClickPoint | kAllowPlantGrows);
                 }},
            // 14: start both.
            {.step = 14,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowClickPoint, .after = kStopClock},
             .show =
                 [](ScriptStep& t) {
                     for (int32_t p : {1, 2})
                         if (t.level.IsFactory(p) && t.level.SlotsInUse(p) == 0)
                             t.Arrow(*ProductionButton(t.level, p), uint32_t(p));
                     t.BoxOn(FieldCentreTarget(t.level, 90), false, 180);
                 },
             .mayDo =
                 [](ScriptStep&, TutorialAction action, uint32_t tag, TutorialObject) {
                     return action == TutorialAction::ClickPoint && tag == kSpriteProduce;
                 },
             .onEvent =
                 [](ScriptStep& t, TutorialEvent event, uint32_t, TutorialObject b) {
                     if (event != TutorialEvent::ProductionStarted) return;
                     if (TutorialLayer* layer = t.Layer()) layer->CloseArrow(uint32_t(t.level.PointIndex(b)));
                     auto one = [&t](int32_t p) {
                         return t.level.IsFactory(p) && t.level.SlotsInUse(p) == 1;
                     };
                     if (one(1) && one(2)) t.Complete();
                 }},
            // 15: both run at double rate until the goal's amount is in stock
            // (the easy goal is the three units the tutorial has them make).
            // The step takes no clicks, so once both factories have made their
            // units nothing more can come: short of the goal's amount (the hard
            // goal asks more) it lets the player go on rather than wait for ever.
            // Its box says so where the goal asks more than the units the
            // tutorial has the mills make: the rest is the player's to make.
            {.step = 15,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kAllowProduce, .after = 0},
             .piece =
                 [](ScriptStep& s) {
                     FactoryRateWhileCurrent(s, {1, 2}, 2.0f);
                 },
             .show =
                 [](ScriptStep& t) {
                     const bool more = t.level.GoalAmount(0) > kTutorialUnits;
                     t.BoxOn(FieldCentreTarget(t.level, 90), false, 180, true,
                             more ? u"level_02_15_more" : u"");
                 },
             .mayDo = [](ScriptStep&, TutorialAction action, uint32_t,
                         TutorialObject) { return action == TutorialAction::Produce; },
             .onEvent =
                 [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject) {
                     if (event == TutorialEvent::ProductionEnded &&
                         t.level.Stock(uint32_t(a)) == t.level.GoalAmount(0))
                         t.Complete();
                 },
             .everyFrame =
                 [](ScriptStep& t, uint32_t) {
                     for (int32_t p : {1, 2})
                         if (t.level.IsFactory(p) && t.level.SlotsInUse(p) > 0) return;
                     t.Complete();
                 }},
        };
        AddSteps(table);
    }

  private:
    // The harvest buttons of the wheat beds at points 3 and 4 (arrows 3 and
    // 4) until the stock holds the units of wheat. With a harvest queued
    // the flags are `ordered`; a harvest order closes the arrow of its point.
    static void HarvestBothBeds(ScriptStep& s, uint32_t units, uint32_t ordered) {
        s.begin = [](ScriptStep& t) {
            for (int32_t p : {3, 4})
                if (HasButton(t.level, p, kSpriteHarvest))
                    t.Arrow(*PointButton(t.level, p, kSpriteHarvest, 270), uint32_t(p));
            t.BoxOn(FieldCentreTarget(t.level, 90), false, 180);
        };
        s.activate = [ordered](ScriptStep& t) {
            if (t.level.LastQueuedJob() == kJobHarvest) t.Owner().SetFlags(ordered);
        };
        s.allows = [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
            return action == TutorialAction::PlantGrows ||
                   ClicksButton(t, action, tag, data, kSpriteHarvest, -1);
        };
        s.onEvent = [ordered](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject b) {
            if (!JobOrdered(event, a, kJobHarvest)) return;
            t.Owner().SetFlags(ordered);
            if (TutorialLayer* layer = t.Layer()) layer->CloseArrow(uint32_t(t.level.JobPoint(b)));
        };
        s.update = [units](ScriptStep& t, uint32_t) {
            if (t.level.Stock(Wheat(t.level)) >= units) t.Complete();
        };
    }
};

// ---------------------------------------------------------------- level 3

class LevelTutorial_3 : public ScriptTutorial {
  public:
    LevelTutorial_3(TutorialRunner& runner, ScriptLevel& level)
        : ScriptTutorial(runner, kTutorialLevel3, level) {
        const StepRow table[] = {
            {.step = 1,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock, .after = kStopClock},
             .piece = [](ScriptStep& s) { FieldBox(s, 0, 0); }},
            // 2-3: upgrade the wheat bed at point 3.
            {.step = 2,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowHoverPoint, .after = kStopClock},
             .piece = [](ScriptStep& s) { SelectPoint(s, 3, 230); }},
            {.step = 3,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kFlagWindows | kStopClock, .after = kStopClock},
             .piece = [](ScriptStep& s) { Upgrade(s, 3, kKindPlant, kJobPlant); },
             .context = {kTagContextPlantBed, [](ScriptLevel& l) { return l.PlantBedObject(3); }}},
            // 4: where the farmer works at the bed and at the factory.
            {.step = 4,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kLevelDefaultFlags, .after = kStopClock},
             .show =
                 [](ScriptStep& t) {
                     // Up at the bed's place from below: she stands on it.
                     t.ArrowOn(WorkSpot(t.level, 3, 90, 12), 1);
                     t.ArrowOn(WorkSpot(t.level, 2, 180, 12), 2);
                     t.BoxOn(WorkSpot(t.level, 3, 90, 8), true, 24, false);
                     ClickToGoOn(t);
                 },
             .sightPoints = {3, 2}},
            // 5: harvest the bed.
            {.step = 5,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowClickPoint, .after = kStopClock},
             .piece = [](ScriptStep& s) { HarvestForWheat(s, 3, 270, 1); }},
            // 6-7: upgrade the flour factory at point 2.
            {.step = 6,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowHoverPoint, .after = kStopClock},
             .piece = [](ScriptStep& s) { SelectPoint(s, 2, 270); }},
            {.step = 7,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kFlagWindows | kStopClock, .after = kStopClock},
             .piece = [](ScriptStep& s) { Upgrade(s, 2, kKindBuilding, kJobBuild); }},
            // 8: its two slots.
            {.step = 8,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock, .after = kStopClock},
             .show =
                 [](ScriptStep& t) {
                     ScriptLevel* where = &t.level;
                     TutTargetCustom slots(
                         [where](kis::Point& out, float&, uint32_t, uint32_t) {
                             kis::Rect a{}, b{};
                             if (!where->IsFactory(2) || where->SlotCount(2) != 2 ||
                                 !where->ButtonRect(2, kSpriteSlot, &a) ||
                                 !where->ButtonRect(2, kSpriteSlot + 1, &b))
                                 return false;
                             // From their right: the production button stands above them.
                             out = {std::max(a.right, b.right),
                                    (std::min(a.top, b.top) + std::max(a.bottom, b.bottom)) / 2};
                             return true;
                         },
                         0, 0, 0, 4);
                     ArrowAndBox(t, slots, true);
                     ClickToGoOn(t);
                 },
             .sightPoints = {2}},
            // 9: both slots at work, the factories sped up meanwhile.
            {.step = 9,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowClickPoint, .after = kStopClock},
             .show =
                 [](ScriptStep& t) {
                     t.flagsActive = kStopClock | kAllowClickPoint;
                     if (!t.level.PointIsType(2, kFlourFactory)) return;
                     auto target = ProductionButton(t.level, 2);
                     if (t.level.SlotsInUse(2) < 2) {
                         // While the arrow shows the button must be pressable as well.
                         t.Arrow(*target);
                         t.flagsActive = kGrowAndProduce | kAllowClickPoint;
                     }
                     t.Box(*target, false);
                 },
             .mayDo =
                 [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
                     return PressesProduction(t, action, tag, data, 2) ||
                            (action == TutorialAction::PlantGrows && tag == t.level.PlantId(u"wheat")) ||
                            Produces(action, tag, t.level.FirstRecipeProduct(2));
                 },
             .onEvent =
                 [](ScriptStep& t, TutorialEvent event, uint32_t, TutorialObject b) {
                     if (t.level.PointIndex(b) != 2) return;
                     if (event == TutorialEvent::ProductionEnded && t.level.SlotsInUse(2) == 0) {
                         t.Complete();
                     } else if (event == TutorialEvent::ProductionStarted && t.level.SlotsInUse(2) == 2) {
                         if (TutorialLayer* layer = t.Layer()) layer->CloseArrow(1);
                         t.Owner().SetFlags(kGrowAndProduce);
                     }
                 },
             .onActivate = [](ScriptStep& t) { SpeedUpFactories(t.level, true); },
             .onDeactivate = [](ScriptStep& t) { SpeedUpFactories(t.level, false); }},
            {.step = 10,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock, .after = kStopClock},
             .piece = [](ScriptStep& s) { FieldBox(s, 0, 0); }},
            // 11-14: the warehouse window and its upgrade.
            {.step = 11,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kFlagWindows | kStopClock | kAllowPickObject,
                       .after = kLevelDefaultFlags},
             .piece = OpenWarehouse},
            {.step = 12,
             .window = kTagWarehouse,
             .flags = {.whileCurrent = kLevelDefaultFlags, .after = kLevelDefaultFlags},
             .beginsWhen = [](ScriptStep& t) { return t.level.WarehouseOpen(true); },
             .context = {kTagContextProduct, FirstStockRecord},
             .show =
                 [](ScriptStep& t) {
                     const uint32_t product = t.level.FirstStockProduct();
                     if (product)
                         ArrowAndBox(t,
                                     *WarehouseButton(t.level, kWarehouseTileButton,
                                                      t.level.ProductRecord(product), 90),
                                     true);
                     ClickToGoOn(t);
                 },
             .resumeAt = 11},
            {.step = 13,
             .window = kTagWarehouse,
             .flags = {.whileCurrent = kFlagWindows | kLevelDefaultFlags, .after = kLevelDefaultFlags},
             .context = {kTagContextBuilding,
                         [](ScriptLevel& l) {
                             return l.PointKind(0) == kKindWarehouse ? l.BuildingObject(0) : 0;
                         }},
             .show =
                 [](ScriptStep& t) {
                     ArrowAndBox(t, *WarehouseButton(t.level, kWarehouseUpgradeButton, 0, 270));
                 },
             .mayDo =
                 [](ScriptStep&, TutorialAction action, uint32_t tag, TutorialObject data) {
                     return IsControl(action, tag, data, kTagWarehouse, kWarehouseUpgradeButton);
                 },
             .onEvent =
                 [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject b) {
                     if (FromControl(event, a, b, kTagWarehouse, kWarehouseUpgradeButton)) t.Complete();
                 },
             .resumeAt = 11},
            {.step = 14,
             .window = kTagWarehouse,
             .flags = {.whileCurrent = kFlagWindows | kLevelDefaultFlags, .after = kLevelDefaultFlags},
             .piece = CloseWarehouse,
             .context = {kTagContextProduct, FirstStockRecord},
             .resumeAt = 15},
            {.step = 15,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock, .after = kLevelDefaultFlags},
             .piece = [](ScriptStep& s) { FieldBox(s, 0, 0); }},
        };
        AddSteps(table);
    }

  private:
    static std::unique_ptr<TutorialTarget> WorkSpot(ScriptLevel& level, int32_t point, float angle,
                                                    float distance) {
        ScriptLevel* where = &level;
        return std::make_unique<TutTargetCustom>(
            [where, point](kis::Point& out, float&, uint32_t, uint32_t) {
                return where->WorkPosition(point, &out);
            },
            0, 0, angle, distance);
    }
    static void SpeedUpFactories(ScriptLevel& level, bool on) {
        float values[kTrackCount] = {};
        values[kFactoryTrack] = 1.0f;
        level.SetSpeedModifier(values, on, kTwoSlotsModifier);
    }
    // The upgrade button of the selected point, unless its upgrade job runs
    // already; done when the point of the kind reaches stage 2.
    static void Upgrade(ScriptStep& s, int32_t point, uint32_t kind, uint32_t job) {
        s.begin = [point, job](ScriptStep& t) {
            if (!t.level.HasJob(point, job)) ArrowAndBox(t, *PanelButton(t.level, kChildUpgrade, 0, 270));
        };
        s.activate = [point, job](ScriptStep& t) {
            if (t.level.HasJob(point, job)) t.Owner().SetFlags(kGrowAndStepAside);
        };
        s.allows = [](ScriptStep&, TutorialAction action, uint32_t tag, TutorialObject data) {
            return action == TutorialAction::PlantGrows ||
                   IsControl(action, tag, data, kTagLevelPanel, kChildUpgrade);
        };
        s.onEvent = [kind](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject b) {
            if (event == TutorialEvent::PointChanged && a == kind &&
                t.level.PointStage(t.level.PointIndex(b)) == 2)
                t.Complete();
            else if (FromControl(event, a, b, kTagLevelPanel, kChildUpgrade))
                t.CloseAndSetFlags(kGrowAndStepAside);
        };
    }
};

// ---------------------------------------------------------------- level 4

class LevelTutorial_4 : public ScriptTutorial {
  public:
    LevelTutorial_4(TutorialRunner& runner, ScriptLevel& level)
        : ScriptTutorial(runner, kTutorialLevel4, level) {
        const StepRow table[] = {
            // 1-3: the henhouse on the site at point 2.
            {.step = 1,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowHoverPoint, .after = kStopClock},
             .piece = [](ScriptStep& s) { SelectPoint(s, 2); },
             .context = {kTagContextTask, FirstGoal}},
            {.step = 2,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kFlagWindows | kStopClock, .after = kStopClock},
             .piece = [](ScriptStep& s) { PressPanelButton(s, kChildPets); }},
            {.step = 3,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kFlagWindows | kStopClock, .after = kStopClock},
             .piece = [](ScriptStep& s) { BuildOnSite(s, 2, kChildHouseChoice, kHenhouse); }},
            // 4: feeding from the panel and the overhead button. "Hens need
            // wheat": a player answers the box with a click on the ripe bed's
            // harvest button, and the click that ends the step orders the harvest
            // (clicks on points allowed after it; without them it was lost).
            {.step = 4,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kFlagWindows | kStopClock, .after = kStopClock | kAllowClickPoint},
             .show =
                 [](ScriptStep& t) {
                     if (t.level.SelectedPoint() == 2 && t.level.PointIsType(2, kHenhouse)) {
                         if (HasButton(t.level, 2, kSpriteFeed))
                             t.Arrow(*PointButton(t.level, 2, kSpriteFeed, 180), 1);
                         auto feed = PanelButton(t.level, kChildFeed, 0, 270);
                         t.Arrow(*feed, 2);
                         t.Box(*feed, true);
                     }
                     ClickToGoOn(t);
                 },
             // The panel's feed button while it is enabled (the house may be fed).
             .mayDo =
                 [](ScriptStep&, TutorialAction action, uint32_t tag, TutorialObject data) {
                     return IsControl(action, tag, data, kTagLevelPanel, kChildFeed) &&
                            !data.As<GameButton>()->IsDisabled();
                 },
             .notClickArea =
                 [&level](int32_t x, int32_t y) {
                     kis::Rect r{};
                     return level.PanelShows(kPetsChildPanel) &&
                            level.ControlRect(kTagLevelPanel, kChildFeed, &r) && x >= r.left && x < r.right &&
                            y >= r.top && y < r.bottom;
                 }},
            // 5: wheat for the hens.
            {.step = 5,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowClickPoint, .after = kStopClock},
             .piece = [](ScriptStep& s) { HarvestForWheat(s, 4, 135, 1); }},
            // 6: feed them.
            {.step = 6,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowClickPoint, .after = kStopClock},
             .piece = [](ScriptStep& s) { OrderAtButton(s, 2, 110, kSpriteFeed, kJobFeed); },
             .everyFrame =
                 [](ScriptStep& t, uint32_t) {
                     if (t.level.HouseFed(2)) t.Complete();
                 }},
            // 7: the hens lay, at double rate.
            {.step = 7,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kAllowPlantGrows, .after = kStopClock},
             .show = [](ScriptStep& t) { t.BoxOn(LevelPoint(t.level, 2, 90, 80), false, 0, false); },
             .mayDo = [](ScriptStep&, TutorialAction action, uint32_t,
                         TutorialObject) { return action == TutorialAction::PlantGrows; },
             .everyFrame =
                 [](ScriptStep& t, uint32_t) {
                     if (HasButton(t.level, 2, kSpriteEggs)) t.Complete();
                 },
             .onActivate = [](ScriptStep& t) { t.level.SetHouseRate(2, 2.0f); },
             .onDeactivate = [](ScriptStep& t) { t.level.SetHouseRate(2, 1.0f); }},
            // 8: take the eggs to the warehouse.
            {.step = 8,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowClickPoint, .after = kStopClock},
             .piece = [](ScriptStep& s) { TakeEggs(s, 2, 150); }},
            {.step = 9,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock, .after = kStopClock},
             .piece = [](ScriptStep& s) { FieldBox(s, 90, 160); }},
        };
        AddSteps(table);
    }
};

// ---------------------------------------------------------------- level 5

class LevelTutorial_5 : public ScriptTutorial {
  public:
    LevelTutorial_5(TutorialRunner& runner, ScriptLevel& level)
        : ScriptTutorial(runner, kTutorialLevel5, level) {
        const StepRow table[] = {
            // 1-3: the pie factory on the site at point 4; the first box leaves
            // the henhouse, the bed and the mill (points 1, 3 and 5) in sight.
            {.step = 1,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowHoverPoint, .after = kStopClock},
             .piece = [](ScriptStep& s) { SelectPoint(s, 4); },
             .sightPoints = {1, 3, 5}},
            {.step = 2,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kFlagWindows | kStopClock, .after = kStopClock},
             .piece = [](ScriptStep& s) { PressPanelButton(s, kChildBuildings); }},
            {.step = 3,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kFlagWindows | kStopClock | kAllowStepAside, .after = kStopClock},
             .piece = [](ScriptStep& s) { BuildOnSite(s, 4, kChildBuildingChoice, kPieFactory); }},
            // 4: its production button; a pie factory's button may be pressed while it is not locked.
            {.step = 4,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowClickPoint, .after = kStopClock},
             .show =
                 [](ScriptStep& t) {
                     ArrowAndBox(t, *ProductionButton(t.level, 4), true);
                     ClickToGoOn(t);
                 },
             .mayDo =
                 [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject sprite) {
                     if (action != TutorialAction::ClickPoint || tag != kSpriteProduce) return false;
                     const int32_t point = t.level.SpritePoint(sprite);
                     return point >= 0 && t.level.PointIsType(point, kPieFactory) &&
                            t.level.ButtonLock(sprite) == 0;
                 },
             .sightPoints = {1, 5}, // where the egg and the flour come from
             .notClickArea = [&level](int32_t x,
                                      int32_t y) { return OnButton(level, 4, kSpriteProduce, x, y); }},
            // 5: wheat, until it is in the warehouse.
            {.step = 5,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowClickPoint, .after = kStopClock},
             .piece =
                 [](ScriptStep& s) {
                     OrderAtButton(s, 3, 0, kSpriteHarvest, kJobHarvest); // off the bed below it
                     s.onEvent = [ordered = s.onEvent](ScriptStep& t, TutorialEvent event, uint32_t a,
                                                       TutorialObject b) {
                         if (event == TutorialEvent::Delivered && a == Wheat(t.level))
                             t.Complete();
                         else
                             ordered(t, event, a, b);
                     };
                 }},
            // 6: feed the hens; done once the farmer is at the henhouse.
            {.step = 6,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowClickPoint, .after = kLevelDefaultFlags},
             .show =
                 [](ScriptStep& t) {
                     if (t.level.PointIsType(1, kHenhouse) && HasButton(t.level, 1, kSpriteFeed))
                         ArrowAndBox(t, *PointButton(t.level, 1, kSpriteFeed, 45));
                 },
             .mayDo =
                 [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
                     return action == TutorialAction::PlantGrows ||
                            ClicksButton(t, action, tag, data, kSpriteFeed, 1);
                 },
             .onEvent =
                 [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject) {
                     if (JobOrdered(event, a, kJobFeed)) t.CloseAndSetFlags(kGrowAndStepAside);
                 },
             .everyFrame =
                 [](ScriptStep& t, uint32_t) {
                     if (WorksNear(t.level, kJobFeed, 100.0f)) t.Complete();
                 },
             .delayAfter = 0,
             .onActivate =
                 [](ScriptStep& t) {
                     if (t.level.PointIsType(1, kHenhouse) && t.level.HasJob(1, kJobFeed))
                         t.Owner().SetFlags(kGrowAndStepAside);
                 }},
            // 7: flour, while the henhouse stands still.
            {.step = 7,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kLevelDefaultFlags | kAllowClickPoint, .after = kLevelDefaultFlags},
             .show =
                 [](ScriptStep& t) {
                     if (t.level.IsFactory(5)) ArrowAndBox(t, *ProductionButton(t.level, 5));
                 },
             .mayDo =
                 [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
                     return action == TutorialAction::PlantGrows ||
                            PressesProduction(t, action, tag, data, 5);
                 },
             .onEvent =
                 [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject) {
                     if (event == TutorialEvent::ProductionStarted && a == t.level.ProductId(u"flour"))
                         t.Complete();
                 },
             .onActivate = [](ScriptStep& t) { t.level.SetHouseRate(1, 0.0f); },
             .onDeactivate = [](ScriptStep& t) { t.level.SetHouseRate(1, 1.0f); }},
            // 8: flour and eggs come, at double rate; no click.
            {.step = 8,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kAllowPlantGrows | kAllowProduce | kAllowStepAside,
                       .after = kStopClock},
             .piece = [](ScriptStep& s) { FieldBox(s, 90, 160, false); },
             .mayDo =
                 [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject) {
                     return action == TutorialAction::PlantGrows ||
                            Produces(action, tag, t.level.ProductId(u"flour"));
                 },
             .everyFrame =
                 [](ScriptStep& t, uint32_t) {
                     const bool eggs =
                         !t.level.PointIsType(1, kHenhouse) || HasButton(t.level, 1, kSpriteEggs);
                     if (t.level.Stock(t.level.ProductId(u"flour")) >= 1 && eggs) t.Complete();
                 },
             .onActivate =
                 [](ScriptStep& t) {
                     if (t.level.IsFactory(5)) t.level.SetFactoryRate(5, 2.0f);
                     t.level.SetHouseRate(1, 2.0f);
                 },
             .onDeactivate =
                 [](ScriptStep& t) {
                     if (t.level.IsFactory(5)) t.level.SetFactoryRate(5, 1.0f);
                     t.level.SetHouseRate(1, 1.0f);
                 }},
            // 9: the eggs.
            {.step = 9,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowClickPoint, .after = kStopClock},
             .piece = [](ScriptStep& s) { TakeEggs(s, 1, 45); }},
            // 10: pies, at double rate.
            {.step = 10,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowClickPoint, .after = kStopClock},
             .piece = [](ScriptStep& s) { FactoryRateWhileCurrent(s, {4}, 2.0f); },
             .show =
                 [](ScriptStep& t) {
                     if (t.level.IsFactory(4) && t.level.SlotsInUse(4) == 0)
                         ArrowAndBox(t, *ProductionButton(t.level, 4));
                 },
             .mayDo =
                 [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
                     return action == TutorialAction::PlantGrows ||
                            PressesProduction(t, action, tag, data, 4) ||
                            Produces(action, tag, t.level.ProductId(u"pie"));
                 },
             .onEvent =
                 [](ScriptStep& t, TutorialEvent event, uint32_t, TutorialObject) {
                     if (event == TutorialEvent::ProductionEnded)
                         t.Complete();
                     else if (event == TutorialEvent::ProductionStarted)
                         t.CloseAndSetFlags(kGrowAndProduce);
                 }},
            // 11: the goal.
            {.step = 11,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock, .after = kStopClock},
             .show =
                 [](ScriptStep& t) {
                     t.Arrow(*GoalButton(t.level));
                     t.BoxOn(FieldCentreTarget(t.level, 0), true, 0);
                     ClickToGoOn(t);
                 }},
        };
        AddSteps(table);
    }
};

} // namespace

// The henhouse's eggs at a point: its eggs button (while it shows, growing
// and stepping aside as kGrowAndStepAside, and kAllowClickPoint for the point's
// buttons, without which the eggs button the arrow points at could not be
// pressed); done when a building's products reach the warehouse; the
// take-eggs order closes the hint.
void TakeEggs(ScriptStep& s, int32_t point, float angle) {
    s.begin = [point, angle](ScriptStep& t) {
        if (!HasButton(t.level, point, kSpriteEggs)) return;
        // While the arrow shows the eggs button must be pressable as well.
        ArrowAndBox(t, *PointButton(t.level, point, kSpriteEggs, angle));
        t.flagsActive = kGrowAndStepAside | kAllowClickPoint;
    };
    s.allows = [point](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
        return action == TutorialAction::PlantGrows || ClicksButton(t, action, tag, data, kSpriteEggs, point);
    };
    s.onEvent = [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject b) {
        if (event == TutorialEvent::Delivered && t.level.PointKind(t.level.PointIndex(b)) == kKindBuilding)
            t.Complete();
        else if (JobOrdered(event, a, kJobTakeEggs))
            t.CloseAndSetFlags(kGrowAndStepAside);
    };
}

GameTutorial* MakeLevel2(TutorialRunner& runner, ScriptLevel& level) {
    return runner.Make<LevelTutorial_2>(level);
}
GameTutorial* MakeLevel3(TutorialRunner& runner, ScriptLevel& level) {
    return runner.Make<LevelTutorial_3>(level);
}
GameTutorial* MakeLevel4(TutorialRunner& runner, ScriptLevel& level) {
    return runner.Make<LevelTutorial_4>(level);
}
GameTutorial* MakeLevel5(TutorialRunner& runner, ScriptLevel& level) {
    return runner.Make<LevelTutorial_5>(level);
}

} // namespace tut::script
