#include "tutorials/LevelScripts.h"

#include "tutorials/ScriptPieces.h"

#include "farm/AnimalHouse.h"
#include "farm/BuildingPoints.h"
#include "farm/PlantPoints.h"
#include "farm/VillainRules.h"
#include "gui/Notices.h"
#include "level/Job.h"
#include "level/LevelTable.h"
#include "levelui/LevelPanel.h"
#include "levelui/PointPanels.h"
#include "levelui/ScreenSpriteKinds.h"
#include "levelui/WarehouseWindow.h"

#include <memory>

// The scripts name the controls, buttons, jobs, points, notices and villains
// of the level by the ids their owners give them: a renumbered one stops the
// build here rather than a tutorial at run time.
static_assert(tut::kPanelBonus == kCommandBonus && tut::kPanelWarehouse == kCommandWarehouse &&
              tut::kPanelGoal == kCommandGoal);
static_assert(tut::kChildRemove == kCommandRemove && tut::kChildUpgrade == kCommandUpgrade &&
              tut::kChildFeed == kFeedCommand);
static_assert(tut::kChildPlants == kCommandSitePlants && tut::kChildBuildings == kCommandSiteBuildings &&
              tut::kChildPets == kCommandSitePets);
static_assert(tut::kChildPlantChoice == kCommandPlantChoice &&
              tut::kChildBuildingChoice == kCommandBuildingChoice &&
              tut::kChildHouseChoice == kCommandHouseChoice);
static_assert(tut::kWarehouseCloseButton == kWarehouseClose &&
              tut::kWarehouseSellOneButton == kWarehouseSellOne &&
              tut::kWarehouseTileButton == kWarehouseTile &&
              tut::kWarehouseUpgradeButton == kWarehouseUpgrade);
static_assert(tut::kPlantsChildPanel == uint32_t(kSiteChoicesPanelIds[kSitePlants]) &&
              tut::kPetsChildPanel == kPetshousePanelId);
static_assert(tut::kSpriteHarvest == kCommandHarvest && tut::kSpriteWater == kCommandWater &&
              tut::kSpriteProduce == kCommandProduce && tut::kSpriteFeed == kFeedButtonCommand &&
              tut::kSpriteEggs == kEggsCommand);
namespace {
// The same number, whatever enumerations name it.
template <class A, class B> constexpr bool Same(A a, B b) {
    return uint32_t(a) == uint32_t(b);
}
} // namespace
static_assert(Same(tut::kJobPlant, JOBID_PLANT) && Same(tut::kJobWater, JOBID_WATER) &&
              Same(tut::kJobHarvest, JOBID_HARVEST) && Same(tut::kJobBuild, JOBID_BUILD) &&
              Same(tut::kJobFeed, JOBID_FEED) && Same(tut::kJobTakeEggs, JOBID_TAKEEGGS) &&
              Same(tut::kJobRepair, JOBID_REPAIR));
static_assert(Same(tut::kKindSite, kPointEmptySite) && Same(tut::kKindWarehouse, kPointWarehouse) &&
              Same(tut::kKindPlant, kPointPlant) && Same(tut::kKindBuilding, kPointBuilding));
static_assert(tut::kWarehouseFullNotice == kNoticeWarehouseFull && tut::kWarehouseObject == kMapBuildingKind);
static_assert(tut::kVillainShotObject == kShotObjectKind && tut::kVillainObject == kVillainObjectKind);
static_assert(tut::kVillainAttacking == kVillainAttacking && tut::kVillainLeaving == kVillainLeaving &&
              tut::kVillainTutorialHold == kVillainTutorialHold);

namespace tut {

namespace {

using namespace script;

// ---------------------------------------------------------------- level 1

class LevelTutorial_1 : public ScriptTutorial {
  public:
    LevelTutorial_1(TutorialRunner& runner, ScriptLevel& level)
        : ScriptTutorial(runner, kTutorialLevel1, level) {
        const StepRow table[] = {
            // 1: the goal.
            {.step = 1,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock, .after = kStopClock},
             .context = {kTagContextTask, FirstGoal},
             .show =
                 [](ScriptStep& t) {
                     t.Arrow(*GoalButton(t.level));
                     t.BoxOn(FieldCentreTarget(t.level, 270, 80), true, 0);
                     ClickToGoOn(t);
                 }},
            // 2-4: choose the first site and plant wheat on it.
            {.step = 2,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowHoverPoint, .after = kStopClock},
             .piece = [](ScriptStep& s) { SelectPoint(s, 1); }},
            {.step = 3,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kFlagWindows | kStopClock, .after = kStopClock},
             .piece = [](ScriptStep& s) { PressPanelButton(s, kChildPlants); }},
            {.step = 4,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kFlagWindows | kStopClock, .after = kAllowStepAside},
             .piece = [](ScriptStep& s) { PressPanelButton(s, kChildPlantChoice, WheatPlant); },
             .resumeAt = 3},
            // 5: it grows.
            {.step = 5,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kGrowAndStepAside, .after = kStopClock},
             .piece = [](ScriptStep& s) { GrowUntilRipe(s, 1); }},
            // 6: harvest it.
            {.step = 6,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowClickPoint, .after = kAllowStepAside},
             .show =
                 [](ScriptStep& t) {
                     auto target = PointButton(t.level, 1, kSpriteHarvest, 0);
                     t.Arrow(*target);
                     t.Box(*target, false);
                 },
             .mayDo =
                 [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
                     return ClicksButton(t, action, tag, data, kSpriteHarvest, 1);
                 },
             .onEvent =
                 [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject) {
                     if (event == TutorialEvent::JobOrdered && a == kJobHarvest) t.Complete();
                 }},
            // 7: the harvest is in, once the farmer is idle.
            {.step = 7,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock, .after = kStopClock},
             .beginsWhen =
                 [](ScriptStep& t) {
                     uint32_t job = 0;
                     int32_t point = -1;
                     float distance = 0;
                     return t.level.LastQueuedJob() == 0 && !t.level.CurrentJob(&job, &point, &distance);
                 },
             .piece = [](ScriptStep& s) { FieldBox(s, 90, 160); }},
            // 8: the goal again.
            {.step = 8,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock, .after = kStopClock},
             .context = {kTagContextTask, FirstGoal},
             .show =
                 [](ScriptStep& t) {
                     auto target = GoalButton(t.level);
                     t.Arrow(*target);
                     t.Box(*target, true);
                     ClickToGoOn(t);
                 }},
            // 9-11: the second site, its plants, the wheat choice explained.
            {.step = 9,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowHoverPoint, .after = kStopClock},
             .piece = [](ScriptStep& s) { SelectPoint(s, 2); }},
            {.step = 10,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kFlagWindows | kStopClock, .after = kStopClock},
             .piece = [](ScriptStep& s) { PressPanelButton(s, kChildPlants); }},
            {.step = 11,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock, .after = kStopClock},
             .context = {kTagContextPlant, WheatPlant},
             .show =
                 [](ScriptStep& t) {
                     auto target = PanelButton(t.level, kChildPlantChoice, WheatPlant(t.level), 270);
                     t.Arrow(*target);
                     t.Box(*target, true);
                     ClickToGoOn(t);
                 },
             .resumeAt = 10},
            // 12: the money.
            {.step = 12,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock, .after = kStopClock},
             .show =
                 [](ScriptStep& t) {
                     ScriptLevel* where = &t.level;
                     TutTargetCustom money([where](kis::Point& out, float&, uint32_t,
                                                   uint32_t) { return where->MoneyWindowBottom(&out); },
                                           0, 0, 90, 4);
                     t.Arrow(money);
                     t.Box(money, true);
                     ClickToGoOn(t);
                 }},
            // 13: selling.
            {.step = 13,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock, .after = kStopClock},
             .piece = [](ScriptStep& s) { FieldBox(s, 90, 160); }},
            // 14: open the warehouse.
            {.step = 14,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kFlagWindows | kStopClock | kAllowPickObject,
                       .after = kLevelDefaultFlags},
             .piece = OpenWarehouse},
            // 15-19: the warehouse window: the window, the wheat, its price, sell one, close.
            {.step = 15,
             .window = kTagWarehouse,
             .flags = {.whileCurrent = kStopClock, .after = kStopClock},
             .beginsWhen = [](ScriptStep& t) { return t.level.WarehouseOpen(true); },
             .show =
                 [](ScriptStep& t) {
                     ScriptLevel* where = &t.level;
                     auto middle = [where](kis::Point& out, float&, uint32_t, uint32_t) {
                         kis::Rect r{};
                         if (!where->WarehouseRect(&r)) return false;
                         out = {(r.left + r.right) / 2, r.top + 240};
                         return true;
                     };
                     t.BoxOn(std::make_unique<TutTargetCustom>(middle, 0, 0, 90, 0), true, 0);
                     ClickToGoOn(t);
                 },
             .resumeAt = 14},
            {.step = 16,
             .window = kTagWarehouse,
             .flags = {.whileCurrent = kFlagWindows | kLevelDefaultFlags, .after = kLevelDefaultFlags},
             .context = {kTagContextProduct, WheatRecord},
             .show =
                 [](ScriptStep& t) {
                     const uintptr_t wheat = t.level.ProductRecord(Wheat(t.level));
                     if (!wheat) return;
                     auto target = WarehouseButton(t.level, kWarehouseTileButton, wheat, 90);
                     t.Arrow(*target);
                     t.Box(*target, false);
                 },
             .mayDo =
                 [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
                     return IsControl(action, tag, data, kTagWarehouse, kWarehouseTileButton) &&
                            ControlData(data) == t.level.ProductRecord(Wheat(t.level));
                 },
             .onEvent =
                 [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject b) {
                     if (FromControl(event, a, b, kTagWarehouse, kWarehouseTileButton) &&
                         ControlData(b) == t.level.ProductRecord(Wheat(t.level)))
                         t.Complete();
                 },
             .resumeAt = 14},
            {.step = 17,
             .window = kTagWarehouse,
             .flags = {.whileCurrent = kStopClock, .after = kStopClock},
             .context = {kTagContextProduct, WheatRecord},
             .show =
                 [](ScriptStep& t) {
                     ScriptLevel* where = &t.level;
                     TutTargetCustom price([where](kis::Point& out, float&, uint32_t,
                                                   uint32_t) { return where->SelectedRowText(&out); },
                                           0, 0, 270, 0);
                     t.Arrow(price);
                     t.Box(price, true);
                     ClickToGoOn(t);
                 },
             .resumeAt = 14},
            {.step = 18,
             .window = kTagWarehouse,
             .flags = {.whileCurrent = kFlagWindows | kLevelDefaultFlags, .after = kLevelDefaultFlags},
             .show =
                 [](ScriptStep& t) {
                     auto target = WarehouseButton(t.level, kWarehouseSellOneButton, 0, 270);
                     t.Arrow(*target);
                     t.Box(*target, false);
                 },
             .mayDo =
                 [](ScriptStep&, TutorialAction action, uint32_t tag, TutorialObject data) {
                     return IsControl(action, tag, data, kTagWarehouse, kWarehouseSellOneButton);
                 },
             .onEvent =
                 [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject b) {
                     if (FromControl(event, a, b, kTagWarehouse, kWarehouseSellOneButton)) t.Complete();
                 },
             .resumeAt = 14},
            {.step = 19,
             .window = kTagWarehouse,
             .flags = {.whileCurrent = kFlagWindows | kLevelDefaultFlags, .after = kLevelDefaultFlags},
             .piece = CloseWarehouse,
             .resumeAt = 20},
            // 20-22: plant the second site and let it grow; the plants button is
            // skipped when its panel shows already.
            {.step = 20,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kFlagWindows | kStopClock, .after = kStopClock},
             .beginsWhen =
                 [](ScriptStep& t) {
                     if (!t.level.PanelShows(kPlantsChildPanel)) return true;
                     t.Owner().GoToStep(t.NextId());
                     return false;
                 },
             .piece = [](ScriptStep& s) { PressPanelButton(s, kChildPlants); }},
            {.step = 21,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kFlagWindows | kStopClock, .after = kGrowAndStepAside},
             .piece = [](ScriptStep& s) { PressPanelButton(s, kChildPlantChoice, WheatPlant); },
             .resumeAt = 20},
            {.step = 22,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kGrowAndStepAside, .after = kStopClock},
             .piece = [](ScriptStep& s) { GrowUntilRipe(s, 2); }},
            // 23: two harvests at once.
            {.step = 23,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock, .after = kLevelDefaultFlags},
             .piece = [](ScriptStep& s) { FieldBox(s, 90, 160); }},
            // 24: harvest point 1; done once the farmer is near it.
            {.step = 24,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowClickPoint, .after = kLevelDefaultFlags},
             .show =
                 [](ScriptStep& t) {
                     auto target = PointButton(t.level, 1, kSpriteHarvest, 0);
                     t.Arrow(*target);
                     t.Box(*target, false);
                 },
             .mayDo =
                 [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
                     return ClicksButton(t, action, tag, data, kSpriteHarvest, 1);
                 },
             .onEvent =
                 [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject) {
                     if (event == TutorialEvent::JobOrdered && a == kJobHarvest)
                         t.CloseAndSetFlags(kAllowStepAside);
                 },
             .everyFrame =
                 [](ScriptStep& t, uint32_t) {
                     if (WorksNear(t.level, kJobHarvest, 150.0f)) t.Complete();
                 },
             .delayAfter = 0,
             .onActivate =
                 [](ScriptStep& t) {
                     if (t.level.PointKind(1) == kKindPlant && t.level.HasJob(1, kJobHarvest))
                         t.Owner().SetFlags(kAllowStepAside);
                 }},
            // 25: harvest point 2; the harvest leaves it one unit of water.
            {.step = 25,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kLevelDefaultFlags | kAllowClickPoint, .after = kStopClock},
             .show =
                 [](ScriptStep& t) {
                     auto target = PointButton(t.level, 2, kSpriteHarvest, 90);
                     t.Arrow(*target);
                     t.Box(*target, false);
                 },
             .mayDo =
                 [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
                     return ClicksButton(t, action, tag, data, kSpriteHarvest, 2);
                 },
             .onEvent =
                 [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject b) {
                     if (event != TutorialEvent::JobOrdered || a != kJobHarvest) return;
                     t.CloseAndSetFlags(kAllowStepAside);
                     const int32_t point = t.level.JobPoint(b);
                     if (t.level.PointKind(point) == kKindPlant) t.level.SetWater(point, 1);
                 },
             .everyFrame =
                 [](ScriptStep& t, uint32_t) {
                     kis::Rect r{};
                     if (t.level.PointKind(2) == kKindPlant && !t.level.ButtonRect(2, kSpriteHarvest, &r) &&
                         !t.level.HasJob(2, kJobHarvest))
                         t.Complete();
                 },
             .onActivate =
                 [](ScriptStep& t) {
                     if (t.level.PointKind(2) == kKindPlant && t.level.HasJob(2, kJobHarvest))
                         t.Owner().SetFlags(kAllowStepAside);
                 }},
            // 26: water point 2 to the full.
            {.step = 26,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kStopClock | kAllowClickPoint | kAllowStepAside,
                       .after = kAllowPlantGrows},
             .show =
                 [](ScriptStep& t) {
                     // From the right: from the left the box stood by the first field's button.
                     auto target = PointButton(t.level, 2, kSpriteWater, 350);
                     t.Arrow(*target);
                     t.Box(*target, false);
                 },
             .mayDo = [](ScriptStep& t, TutorialAction action, uint32_t tag,
                         TutorialObject data) { return ClicksButton(t, action, tag, data, kSpriteWater, 2); },
             .onEvent =
                 [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject) {
                     if (event == TutorialEvent::JobOrdered && a == kJobWater)
                         if (TutorialLayer* layer = t.Layer()) layer->SetLayerState(kLayerClosing);
                 },
             .everyFrame =
                 [](ScriptStep& t, uint32_t) {
                     if (t.level.PointKind(2) == kKindPlant && t.level.Water(2) == t.level.WaterMax(2))
                         t.Complete();
                 }},
            // 27: free play until the goal's amount of wheat is in stock.
            {.step = 27,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kAllowClickPoint | kAllowPlantGrows | kAllowStepAside, .after = 0},
             .show =
                 [](ScriptStep& t) {
                     for (int32_t point : {1, 2})
                         t.Arrow(*PointButton(t.level, point, kSpriteHarvest, 270), uint32_t(point));
                     t.BoxOn(FieldCentreTarget(t.level, 90, 180), false, 0);
                 },
             .mayDo =
                 [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
                     return ClicksButton(t, action, tag, data, kSpriteHarvest, -1) ||
                            ClicksButton(t, action, tag, data, kSpriteWater, -1) ||
                            action == TutorialAction::PlantGrows;
                 },
             .onEvent =
                 [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject b) {
                     TutorialLayer* layer = t.Layer();
                     if (!layer) return;
                     if (event == TutorialEvent::JobOrdered && a == kJobHarvest) {
                         layer->CloseArrow(uint32_t(t.level.JobPoint(b)));
                     } else if (event == TutorialEvent::PlantRipe) {
                         const int32_t point = t.level.PointIndex(b);
                         if (point < 0) return;
                         if (TutorialArrow* arrow =
                                 layer->AddArrow(std::make_unique<TutorialArrow>(*layer, uint32_t(point)),
                                                 PointButton(t.level, point, kSpriteHarvest, 270)))
                             arrow->SetState(kLayerFadingIn);
                     }
                 },
             .everyFrame =
                 [](ScriptStep& t, uint32_t) {
                     if (t.level.Stock(Wheat(t.level)) == t.level.GoalAmount(0)) t.Complete();
                 }},
        };
        AddSteps(table);
    }
};

// ---------------------------------------------------------------- level 15

class LevelTutorial_15 : public ScriptTutorial {
  public:
    LevelTutorial_15(TutorialRunner& runner, ScriptLevel& level)
        : ScriptTutorial(runner, kTutorialLevel15, level, kLevel15Flags) {
        startDelay = int32_t(kLevel15StartDelayMs);
        const StepRow table[] = {
            {.step = 1,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kLevel15Flags, .after = kLevel15Flags},
             .show =
                 [](ScriptStep& t) {
                     auto target = LevelPoint(t.level, 7);
                     t.Arrow(*target);
                     t.Box(*target, true);
                     ClickToGoOn(t);
                 },
             .everyFrame =
                 [](ScriptStep& t, uint32_t dt) {
                     if (t.timer.Tick(dt)) t.Complete();
                 },
             .onActivate = [](ScriptStep& t) { t.timer.Set(kLevel15StayMs); },
             .onDeactivate = [](ScriptStep& t) { t.Owner().Finish(); }},
        };
        AddSteps(table);
    }
};

// ---------------------------------------------------------------- warehouse

class LevelTutorial_Warehouse : public ScriptTutorial {
  public:
    LevelTutorial_Warehouse(TutorialRunner& runner, ScriptLevel& level)
        : ScriptTutorial(runner, kTutorialWarehouse, level) {
        startDelay = 0;
        const StepRow table[] = {
            {.step = 1,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kFlagWindows | kStopClock, .after = kWarehouseAfterFlags},
             .show =
                 [](ScriptStep& t) {
                     auto target = PanelButton(t.level, kPanelWarehouse, 0, 270);
                     t.Arrow(*target);
                     t.Box(*target, false, 84, u"level_warehouse_1");
                 },
             .mayDo =
                 [](ScriptStep&, TutorialAction action, uint32_t tag, TutorialObject data) {
                     return IsControl(action, tag, data, kTagLevelPanel, kPanelWarehouse);
                 },
             .onEvent =
                 [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject b) {
                     if (FromControl(event, a, b, kTagLevelPanel, kPanelWarehouse)) t.Complete();
                 },
             .everyFrame =
                 [](ScriptStep& t, uint32_t) {
                     if (t.level.WarehouseOpen(false)) t.Complete();
                 },
             .onDeactivate = [](ScriptStep& t) { t.Owner().Finish(); }},
        };
        AddSteps(table);
    }
};

class LevelTutorial_FullWarehouse : public ScriptTutorial {
  public:
    LevelTutorial_FullWarehouse(TutorialRunner& runner, ScriptLevel& level, uint32_t product)
        : ScriptTutorial(runner, kTutorialFullWarehouse, level) {
        startDelay = 0;
        const uint32_t notice = kWarehouseFullNotice + level.ProductNumber(product);
        const StepRow table[] = {
            // Between the notice step and the window step the level stays paused
            // with its clock stopped, the notice no longer clickable.
            {.step = 1,
             .window = kTagLevelPanel,
             .flags = {.whileCurrent = kFlagMessages | kLevelDefaultFlags, .after = kLevelDefaultFlags},
             .show =
                 [notice](ScriptStep& t) {
                     ScriptLevel* where = &t.level;
                     TutTargetCustom corner(
                         [where, notice](kis::Point& out, float&, uint32_t, uint32_t) {
                             if (!where->NoticeCorner(notice, &out)) return false;
                             out.y += 16;
                             return true;
                         },
                         0, 0, 330, 8);
                     t.Arrow(corner);
                     t.Box(corner, false, 84, u"level_fullwarehouse_1");
                 },
             .mayDo =
                 [notice](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
                     return action == TutorialAction::Message && tag == 1 && t.level.NoticeId(data) == notice;
                 },
             .everyFrame =
                 [](ScriptStep& t, uint32_t) {
                     if (t.level.WarehouseOpen(false)) t.Complete();
                 }},
            {.step = 2,
             .window = kTagWarehouse,
             .flags = {.whileCurrent = kFlagWindows | kLevelDefaultFlags, .after = kLevelDefaultFlags},
             .beginsWhen = [](ScriptStep& t) { return t.level.WarehouseOpen(true); },
             .show =
                 [product](ScriptStep& t) {
                     if (t.level.Stock(product) > 0) {
                         auto target = WarehouseButton(t.level, kWarehouseTileButton,
                                                       t.level.ProductRecord(product), 90);
                         t.Arrow(*target);
                         t.Box(*target, true, 84, u"level_fullwarehouse_2");
                     }
                     ClickToGoOn(t);
                 }},
        };
        AddSteps(table);
        StartAtOnce();
    }
};

} // namespace

GameTutorial* MakeLevelTutorial(TutorialRunner& runner, uint32_t levelIndex, ScriptLevel& level) {
    switch (levelIndex) {
    case 0:
        return runner.Make<LevelTutorial_1>(level);
    case 1:
        return script::MakeLevel2(runner, level);
    case 2:
        return script::MakeLevel3(runner, level);
    case 3:
        return script::MakeLevel4(runner, level);
    case 4:
        return script::MakeLevel5(runner, level);
    case 5:
        return script::MakeLevel6(runner, level);
    case 7:
        return script::MakeLevel8(runner, level);
    case 14:
        return runner.Make<LevelTutorial_15>(level);
    case 28:
        return runner.Make<LevelTutorial_Warehouse>(level);
    default:
        return nullptr;
    }
}

GameTutorial* MakeFullWarehouseTutorial(TutorialRunner& runner, ScriptLevel& level, uint32_t productId) {
    return runner.Make<LevelTutorial_FullWarehouse>(level, productId);
}

} // namespace tut
