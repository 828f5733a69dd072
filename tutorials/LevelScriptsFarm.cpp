// The tutorials of levels 2 to 5: factories, upgrades, the henhouse and a
// factory with two ingredients.

#include "tutorials/ScriptPieces.h"

#include "gui/Controls.h"

#include <algorithm>

namespace tut::script {

namespace {

const std::u16string kFlourFactory = u"prod_flour";
const std::u16string kPieFactory = u"prod_pie";
const std::u16string kHenhouse = u"henhouse";

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

// Action 120 (production) for one product only.
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
  public:
    LevelTutorial_2(TutorialRunner& runner, ScriptLevel& level)
        : ScriptTutorial(runner, kTutorialLevel2, level) {
        // 1: the goal.
        ScriptStep& s1 = Step(1, kTagLevelPanel, kStopClock, kStopClock);
        s1.begin = [](ScriptStep& t) {
            t.Arrow(*GoalButton(t.level));
            t.BoxOn(FieldCentreTarget(t.level, 0), true, 0);
            ClickToGoOn(t);
        };
        // 2-4: the first site, its buildings, the flour factory.
        BuildFactorySteps(*this, 2, 1, kFlourFactory);
        // 5: the production button explained; pressing it is allowed and is not the click.
        ScriptStep& s5 = Step(5, kTagLevelPanel, kStopClock | kAllowClickPoint, kStopClock);
        s5.begin = [](ScriptStep& t) {
            ArrowAndBox(t, *ProductionButton(t.level, 1), true);
            ClickToGoOn(t);
        };
        s5.allows = [](ScriptStep&, TutorialAction action, uint32_t tag, TutorialObject) {
            return action == TutorialAction::ClickPoint && tag == kSpriteProduce;
        };
        s5.notClickArea = [&level](int32_t x, int32_t y) { return OnButton(level, 1, kSpriteProduce, x, y); };
        // 6: harvest wheat for it. Its two arrows ask for both beds: the
        // first order closes only its own bed's arrow and keeps the other
        // bed's harvest button pressable (growth and stepping aside, and
        // clicks on points; without the last the second bed's click was
        // refused).
        ScriptStep& s6 = Step(6, kTagLevelPanel, kStopClock | kAllowClickPoint, kStopClock);
        HarvestBothBeds(s6, 1, kAllowStepAside | kAllowClickPoint);
        // 7: produce. The farmer may step aside meanwhile (kAllowStepAside): the second
        // bed's harvest that step 6 took stays in her queue and is worked.
        ScriptStep& s7 = Step(7, kTagLevelPanel, kStopClock | kAllowClickPoint | kAllowStepAside, kStopClock);
        s7.begin = [](ScriptStep& t) { ArrowAndBox(t, *ProductionButton(t.level, 1)); };
        s7.allows = [](ScriptStep&, TutorialAction action, uint32_t tag, TutorialObject) {
            return action == TutorialAction::ClickPoint && tag == kSpriteProduce;
        };
        s7.onEvent = [](ScriptStep& t, TutorialEvent event, uint32_t, TutorialObject) {
            if (event == TutorialEvent::ProductionStarted) t.Complete();
        };
        // 8: the factory works, at double rate, until its product is made.
        ScriptStep& s8 = Step(8, kTagLevelPanel, kGrowAndProduce, kStopClock);
        s8.begin = [](ScriptStep& t) {
            if (t.level.PointIsType(1, kFlourFactory))
                ArrowAndBox(t, *PointButton(t.level, 1, kSpriteSlot, 90));
        };
        s8.activate = [](ScriptStep& t) {
            if (!t.level.PointIsType(1, kFlourFactory)) return;
            t.keptPoint = 1;
            t.level.SetFactoryRate(1, 2.0f);
        };
        s8.deactivate = [](ScriptStep& t) {
            if (t.keptPoint >= 0) t.level.SetFactoryRate(t.keptPoint, 1.0f);
            t.keptPoint = -1;
        };
        s8.allows = [](ScriptStep&, TutorialAction action, uint32_t, TutorialObject) {
            return action == TutorialAction::PlantGrows || action == TutorialAction::Produce;
        };
        // Done when the factory it sped up finishes a unit.
        s8.onEvent = [](ScriptStep& t, TutorialEvent event, uint32_t, TutorialObject b) {
            if (event == TutorialEvent::ProductionEnded && t.keptPoint >= 0 &&
                t.level.PointIndex(b) == t.keptPoint)
                t.Complete();
        };
        // 9: a second factory.
        FieldBox(Step(9, kTagLevelPanel, kStopClock, kStopClock), 0, 0);
        BuildFactorySteps(*this, 10, 2, kFlourFactory);
        // 13: wheat for both. The first harvest and the mill's unit used the
        // wheat there was, so the second unit has to grow: the plants grow
        // while the step waits (it consents to growth), else it could never end.
        ScriptStep& s13 =
            Step(13, kTagLevelPanel, kStopClock | kAllowClickPoint | kAllowPlantGrows, kStopClock);
        HarvestBothBeds(s13, 2, kAllowStepAside | kAllowClickPoint | kAllowPlantGrows);
        // 14: start both.
        ScriptStep& s14 = Step(14, kTagLevelPanel, kStopClock | kAllowClickPoint, kStopClock);
        s14.begin = [](ScriptStep& t) {
            for (int32_t p : {1, 2})
                if (t.level.IsFactory(p) && t.level.SlotsInUse(p) == 0)
                    t.Arrow(*ProductionButton(t.level, p), uint32_t(p));
            t.BoxOn(FieldCentreTarget(t.level, 90), false, 180);
        };
        s14.allows = [](ScriptStep&, TutorialAction action, uint32_t tag, TutorialObject) {
            return action == TutorialAction::ClickPoint && tag == kSpriteProduce;
        };
        s14.onEvent = [](ScriptStep& t, TutorialEvent event, uint32_t, TutorialObject b) {
            if (event != TutorialEvent::ProductionStarted) return;
            if (TutorialLayer* layer = t.Layer()) layer->CloseArrow(uint32_t(t.level.PointIndex(b)));
            auto one = [&t](int32_t p) { return t.level.IsFactory(p) && t.level.SlotsInUse(p) == 1; };
            if (one(1) && one(2)) t.Complete();
        };
        // 15: both run at double rate until the goal's amount is in stock.
        ScriptStep& s15 = Step(15, kTagLevelPanel, kAllowProduce, 0);
        FieldBox(s15, 90, 180, false);
        FactoryRateWhileCurrent(s15, {1, 2}, 2.0f);
        s15.allows = [](ScriptStep&, TutorialAction action, uint32_t, TutorialObject) {
            return action == TutorialAction::Produce;
        };
        s15.onEvent = [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject) {
            if (event == TutorialEvent::ProductionEnded &&
                t.level.Stock(uint32_t(a)) == t.level.GoalAmount(0))
                t.Complete();
        };
        // The step takes no clicks, so once both factories have made their
        // units nothing more can come: short of the goal's amount it lets the
        // player go on rather than wait for ever.
        s15.update = [](ScriptStep& t, uint32_t) {
            for (int32_t p : {1, 2})
                if (t.level.IsFactory(p) && t.level.SlotsInUse(p) > 0) return;
            t.Complete();
        };
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
        FieldBox(Step(1, kTagLevelPanel, kStopClock, kStopClock), 0, 0);
        // 2-3: upgrade the wheat bed at point 3.
        SelectPoint(Step(2, kTagLevelPanel, kStopClock | kAllowHoverPoint, kStopClock), 3, 230);
        ScriptStep& s3 = Step(3, kTagLevelPanel, kFlagWindows | kStopClock, kStopClock);
        s3.SetContext(kTagContextPlantBed, [](ScriptLevel& l) { return l.PlantBedObject(3); });
        Upgrade(s3, 3, kKindPlant, kJobPlant);
        // 4: where the farmer works at the bed and at the factory.
        ScriptStep& s4 = Step(4, kTagLevelPanel, kLevelDefaultFlags, kStopClock);
        s4.sightPoints = {3, 2};
        s4.begin = [](ScriptStep& t) {
            // Up at the bed's place from below: she stands on it.
            t.ArrowOn(WorkSpot(t.level, 3, 90, 12), 1);
            t.ArrowOn(WorkSpot(t.level, 2, 180, 12), 2);
            t.BoxOn(WorkSpot(t.level, 3, 90, 8), true, 24, false);
            ClickToGoOn(t);
        };
        // 5: harvest the bed.
        HarvestForWheat(Step(5, kTagLevelPanel, kStopClock | kAllowClickPoint, kStopClock), 3, 270, 1);
        // 6-7: upgrade the flour factory at point 2.
        SelectPoint(Step(6, kTagLevelPanel, kStopClock | kAllowHoverPoint, kStopClock), 2, 270);
        Upgrade(Step(7, kTagLevelPanel, kFlagWindows | kStopClock, kStopClock), 2, kKindBuilding, kJobBuild);
        // 8: its two slots.
        ScriptStep& s8 = Step(8, kTagLevelPanel, kStopClock, kStopClock);
        s8.sightPoints = {2};
        s8.begin = [](ScriptStep& t) {
            ScriptLevel* where = &t.level;
            TutTargetCustom slots(
                [where](kis::Point& out, float&, uint32_t, uint32_t) {
                    kis::Rect a{}, b{};
                    if (!where->IsFactory(2) || where->SlotCount(2) != 2 ||
                        !where->ButtonRect(2, kSpriteSlot, &a) || !where->ButtonRect(2, kSpriteSlot + 1, &b))
                        return false;
                    out = {(std::min(a.left, b.left) + std::max(a.right, b.right)) / 2,
                           std::min(a.top, b.top)};
                    return true;
                },
                0, 0, 270, 4);
            ArrowAndBox(t, slots, true);
            ClickToGoOn(t);
        };
        // 9: both slots at work, the factories sped up meanwhile.
        ScriptStep& s9 = Step(9, kTagLevelPanel, kStopClock | kAllowClickPoint, kStopClock);
        s9.begin = [](ScriptStep& t) {
            t.flagsActive = kStopClock | kAllowClickPoint;
            if (!t.level.PointIsType(2, kFlourFactory)) return;
            auto target = ProductionButton(t.level, 2);
            if (t.level.SlotsInUse(2) < 2) {
                // While the arrow shows the button must be pressable as well.
                t.Arrow(*target);
                t.flagsActive = kGrowAndProduce | kAllowClickPoint;
            }
            t.Box(*target, false);
        };
        s9.activate = [](ScriptStep& t) { SpeedUpFactories(t.level, true); };
        s9.deactivate = [](ScriptStep& t) { SpeedUpFactories(t.level, false); };
        s9.allows = [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
            return PressesProduction(t, action, tag, data, 2) ||
                   (action == TutorialAction::PlantGrows && tag == t.level.PlantId(u"wheat")) ||
                   Produces(action, tag, t.level.FirstRecipeProduct(2));
        };
        s9.onEvent = [](ScriptStep& t, TutorialEvent event, uint32_t, TutorialObject b) {
            if (t.level.PointIndex(b) != 2) return;
            if (event == TutorialEvent::ProductionEnded && t.level.SlotsInUse(2) == 0) {
                t.Complete();
            } else if (event == TutorialEvent::ProductionStarted && t.level.SlotsInUse(2) == 2) {
                if (TutorialLayer* layer = t.Layer()) layer->CloseArrow(1);
                t.Owner().SetFlags(kGrowAndProduce);
            }
        };
        FieldBox(Step(10, kTagLevelPanel, kStopClock, kStopClock), 0, 0);
        // 11-14: the warehouse window and its upgrade.
        OpenWarehouse(
            Step(11, kTagLevelPanel, kFlagWindows | kStopClock | kAllowPickObject, kLevelDefaultFlags));
        const uint32_t resume11 = StepId(11);
        ScriptStep& s12 = Step(12, kTagWarehouse, kLevelDefaultFlags, kLevelDefaultFlags);
        s12.SetContext(kTagContextProduct, FirstStockRecord);
        s12.begin = [](ScriptStep& t) {
            const uint32_t product = t.level.FirstStockProduct();
            if (product)
                ArrowAndBox(
                    t, *WarehouseButton(t.level, kWarehouseTileButton, t.level.ProductRecord(product), 90),
                    true);
            ClickToGoOn(t);
        };
        s12.canBegin = [](ScriptStep& t) { return t.level.WarehouseOpen(true); };
        s12.resume = [resume11](ScriptStep&) { return resume11; };
        ScriptStep& s13 = Step(13, kTagWarehouse, kFlagWindows | kLevelDefaultFlags, kLevelDefaultFlags);
        s13.SetContext(kTagContextBuilding, [](ScriptLevel& l) {
            return l.PointKind(0) == kKindWarehouse ? l.BuildingObject(0) : 0;
        });
        s13.begin = [](ScriptStep& t) {
            ArrowAndBox(t, *WarehouseButton(t.level, kWarehouseUpgradeButton, 0, 270));
        };
        s13.allows = [](ScriptStep&, TutorialAction action, uint32_t tag, TutorialObject data) {
            return IsControl(action, tag, data, kTagWarehouse, kWarehouseUpgradeButton);
        };
        s13.onEvent = [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject b) {
            if (FromControl(event, a, b, kTagWarehouse, kWarehouseUpgradeButton)) t.Complete();
        };
        s13.resume = [resume11](ScriptStep&) { return resume11; };
        ScriptStep& s14 = Step(14, kTagWarehouse, kFlagWindows | kLevelDefaultFlags, kLevelDefaultFlags);
        s14.SetContext(kTagContextProduct, FirstStockRecord);
        CloseWarehouse(s14);
        const uint32_t resume15 = StepId(15);
        s14.resume = [resume15](ScriptStep&) { return resume15; };
        FieldBox(Step(15, kTagLevelPanel, kStopClock, kLevelDefaultFlags), 0, 0);
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
        // 1-3: the henhouse on the site at point 2.
        ScriptStep& s1 = Step(1, kTagLevelPanel, kStopClock | kAllowHoverPoint, kStopClock);
        s1.SetContext(kTagContextTask, FirstGoal);
        SelectPoint(s1, 2);
        PressPanelButton(Step(2, kTagLevelPanel, kFlagWindows | kStopClock, kStopClock), kChildPets);
        BuildOnSite(Step(3, kTagLevelPanel, kFlagWindows | kStopClock, kStopClock), 2, kChildHouseChoice,
                    kHenhouse);
        // 4: feeding from the panel and the overhead button. "Hens need
        // wheat": a player answers the box with a click on the ripe bed's
        // harvest button, and the click that ends the step orders the harvest
        // (clicks on points allowed after it; without them it was lost).
        ScriptStep& s4 = Step(4, kTagLevelPanel, kFlagWindows | kStopClock, kStopClock | kAllowClickPoint);
        s4.begin = [](ScriptStep& t) {
            if (t.level.SelectedPoint() == 2 && t.level.PointIsType(2, kHenhouse)) {
                if (HasButton(t.level, 2, kSpriteFeed))
                    t.Arrow(*PointButton(t.level, 2, kSpriteFeed, 180), 1);
                auto feed = PanelButton(t.level, kChildFeed, 0, 270);
                t.Arrow(*feed, 2);
                t.Box(*feed, true);
            }
            ClickToGoOn(t);
        };
        s4.allows = [](ScriptStep&, TutorialAction action, uint32_t tag, TutorialObject data) {
            // The panel's feed button while it is enabled (the house may be fed).
            return IsControl(action, tag, data, kTagLevelPanel, kChildFeed) &&
                   !data.As<GameButton>()->IsDisabled();
        };
        s4.notClickArea = [&level](int32_t x, int32_t y) {
            kis::Rect r{};
            return level.PanelShows(kPetsChildPanel) && level.ControlRect(kTagLevelPanel, kChildFeed, &r) &&
                   x >= r.left && x < r.right && y >= r.top && y < r.bottom;
        };
        // 5: wheat for the hens.
        HarvestForWheat(Step(5, kTagLevelPanel, kStopClock | kAllowClickPoint, kStopClock), 4, 135, 1);
        // 6: feed them.
        ScriptStep& s6 = Step(6, kTagLevelPanel, kStopClock | kAllowClickPoint, kStopClock);
        OrderAtButton(s6, 2, 110, kSpriteFeed, kJobFeed);
        s6.update = [](ScriptStep& t, uint32_t) {
            if (t.level.HouseFed(2)) t.Complete();
        };
        // 7: the hens lay, at double rate.
        ScriptStep& s7 = Step(7, kTagLevelPanel, kAllowPlantGrows, kStopClock);
        s7.begin = [](ScriptStep& t) { t.BoxOn(LevelPoint(t.level, 2, 90, 80), false, 0, false); };
        s7.activate = [](ScriptStep& t) { t.level.SetHouseRate(2, 2.0f); };
        s7.deactivate = [](ScriptStep& t) { t.level.SetHouseRate(2, 1.0f); };
        s7.allows = [](ScriptStep&, TutorialAction action, uint32_t, TutorialObject) {
            return action == TutorialAction::PlantGrows;
        };
        s7.update = [](ScriptStep& t, uint32_t) {
            if (HasButton(t.level, 2, kSpriteEggs)) t.Complete();
        };
        // 8: take the eggs to the warehouse.
        TakeEggs(Step(8, kTagLevelPanel, kStopClock | kAllowClickPoint, kStopClock), 2, 150);
        FieldBox(Step(9, kTagLevelPanel, kStopClock, kStopClock), 90, 160);
    }
};

// ---------------------------------------------------------------- level 5

class LevelTutorial_5 : public ScriptTutorial {
  public:
    LevelTutorial_5(TutorialRunner& runner, ScriptLevel& level)
        : ScriptTutorial(runner, kTutorialLevel5, level) {
        // 1-3: the pie factory on the site at point 4.
        BuildFactorySteps(*this, 1, 4, kPieFactory);
        // 4: its production button; a pie factory's button may be pressed while it is not locked.
        ScriptStep& s4 = Step(4, kTagLevelPanel, kStopClock | kAllowClickPoint, kStopClock);
        s4.begin = [](ScriptStep& t) {
            ArrowAndBox(t, *ProductionButton(t.level, 4), true);
            ClickToGoOn(t);
        };
        s4.allows = [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject sprite) {
            if (action != TutorialAction::ClickPoint || tag != kSpriteProduce) return false;
            const int32_t point = t.level.SpritePoint(sprite);
            return point >= 0 && t.level.PointIsType(point, kPieFactory) && t.level.ButtonLock(sprite) == 0;
        };
        s4.notClickArea = [&level](int32_t x, int32_t y) { return OnButton(level, 4, kSpriteProduce, x, y); };
        // 5: wheat, until it is in the warehouse.
        ScriptStep& s5 = Step(5, kTagLevelPanel, kStopClock | kAllowClickPoint, kStopClock);
        OrderAtButton(s5, 3, 90, kSpriteHarvest, kJobHarvest);
        s5.onEvent = [ordered = s5.onEvent](ScriptStep& t, TutorialEvent event, uint32_t a,
                                            TutorialObject b) {
            if (event == TutorialEvent::Delivered && a == Wheat(t.level))
                t.Complete();
            else
                ordered(t, event, a, b);
        };
        // 6: feed the hens; done once the farmer is at the henhouse.
        ScriptStep& s6 = Step(6, kTagLevelPanel, kStopClock | kAllowClickPoint, kLevelDefaultFlags);
        s6.begin = [](ScriptStep& t) {
            if (t.level.PointIsType(1, kHenhouse) && HasButton(t.level, 1, kSpriteFeed))
                ArrowAndBox(t, *PointButton(t.level, 1, kSpriteFeed, 45));
        };
        s6.activate = [](ScriptStep& t) {
            if (t.level.PointIsType(1, kHenhouse) && t.level.HasJob(1, kJobFeed))
                t.Owner().SetFlags(kGrowAndStepAside);
        };
        s6.allows = [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
            return action == TutorialAction::PlantGrows || ClicksButton(t, action, tag, data, kSpriteFeed, 1);
        };
        s6.onEvent = [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject) {
            if (JobOrdered(event, a, kJobFeed)) t.CloseAndSetFlags(kGrowAndStepAside);
        };
        s6.update = [](ScriptStep& t, uint32_t) {
            if (WorksNear(t.level, kJobFeed, 100.0f)) t.Complete();
        };
        s6.delayAfter = 0;
        // 7: flour, while the henhouse stands still.
        ScriptStep& s7 = Step(7, kTagLevelPanel, kLevelDefaultFlags | kAllowClickPoint, kLevelDefaultFlags);
        s7.begin = [](ScriptStep& t) {
            if (t.level.IsFactory(5)) ArrowAndBox(t, *ProductionButton(t.level, 5));
        };
        s7.activate = [](ScriptStep& t) { t.level.SetHouseRate(1, 0.0f); };
        s7.deactivate = [](ScriptStep& t) { t.level.SetHouseRate(1, 1.0f); };
        s7.allows = [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
            return action == TutorialAction::PlantGrows || PressesProduction(t, action, tag, data, 5);
        };
        s7.onEvent = [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject) {
            if (event == TutorialEvent::ProductionStarted && a == t.level.ProductId(u"flour")) t.Complete();
        };
        // 8: flour and eggs come, at double rate; no click.
        ScriptStep& s8 =
            Step(8, kTagLevelPanel, kAllowPlantGrows | kAllowProduce | kAllowStepAside, kStopClock);
        FieldBox(s8, 90, 160, false);
        s8.activate = [](ScriptStep& t) {
            if (t.level.IsFactory(5)) t.level.SetFactoryRate(5, 2.0f);
            t.level.SetHouseRate(1, 2.0f);
        };
        s8.deactivate = [](ScriptStep& t) {
            if (t.level.IsFactory(5)) t.level.SetFactoryRate(5, 1.0f);
            t.level.SetHouseRate(1, 1.0f);
        };
        s8.allows = [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject) {
            return action == TutorialAction::PlantGrows || Produces(action, tag, t.level.ProductId(u"flour"));
        };
        s8.update = [](ScriptStep& t, uint32_t) {
            const bool eggs = !t.level.PointIsType(1, kHenhouse) || HasButton(t.level, 1, kSpriteEggs);
            if (t.level.Stock(t.level.ProductId(u"flour")) >= 1 && eggs) t.Complete();
        };
        // 9: the eggs.
        TakeEggs(Step(9, kTagLevelPanel, kStopClock | kAllowClickPoint, kStopClock), 1, 45);
        // 10: pies, at double rate.
        ScriptStep& s10 = Step(10, kTagLevelPanel, kStopClock | kAllowClickPoint, kStopClock);
        s10.begin = [](ScriptStep& t) {
            if (t.level.IsFactory(4) && t.level.SlotsInUse(4) == 0)
                ArrowAndBox(t, *ProductionButton(t.level, 4));
        };
        FactoryRateWhileCurrent(s10, {4}, 2.0f);
        s10.allows = [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
            return action == TutorialAction::PlantGrows || PressesProduction(t, action, tag, data, 4) ||
                   Produces(action, tag, t.level.ProductId(u"pie"));
        };
        s10.onEvent = [](ScriptStep& t, TutorialEvent event, uint32_t, TutorialObject) {
            if (event == TutorialEvent::ProductionEnded)
                t.Complete();
            else if (event == TutorialEvent::ProductionStarted)
                t.CloseAndSetFlags(kGrowAndProduce);
        };
        // 11: the goal.
        ScriptStep& s11 = Step(11, kTagLevelPanel, kStopClock, kStopClock);
        s11.begin = [](ScriptStep& t) {
            t.Arrow(*GoalButton(t.level));
            t.BoxOn(FieldCentreTarget(t.level, 0), true, 0);
            ClickToGoOn(t);
        };
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
