#include "tutorials/LevelScripts.h"

#include "tutorials/ScriptPieces.h"

#include "gui/Controls.h"
#include "level/SaveStream.h"
#include "level/SpriteObject.h"

#include <memory>

namespace tut {

kis::Point FieldCentre(const ScriptLevel& level) {
    return {level.ScreenWidth() / 2, (level.ScreenHeight() - kFieldCentrePanel) / 2};
}

// ---------------------------------------------------------------- targets

std::unique_ptr<TutorialTarget> PanelButton(ScriptLevel& level, uint32_t command, uintptr_t data, float angle,
                                            float distance) {
    return std::make_unique<TutTargetButton>(*level.Windows(), kTagLevelPanel, command, data, angle,
                                             distance);
}

std::unique_ptr<TutorialTarget> WarehouseButton(ScriptLevel& level, uint32_t command, uintptr_t data,
                                                float angle, float distance) {
    return std::make_unique<TutTargetButton>(*level.Windows(), kTagWarehouse, command, data, angle, distance);
}

std::unique_ptr<TutorialTarget> LevelPoint(ScriptLevel& level, int32_t point, float angle, float distance) {
    return std::make_unique<TutTargetFieldPoint>(kTargetLevelPoint, level, uint32_t(point), angle, distance);
}

std::unique_ptr<TutorialTarget> PointButton(ScriptLevel& level, int32_t point, uint32_t command, float angle,
                                            float distance) {
    ScriptLevel* where = &level;
    auto edge = [where, point, command](kis::Point& out, float& a, uint32_t, uint32_t) {
        kis::Rect rect{};
        if (!where->ButtonRect(point, command, &rect)) return false;
        kis::RectEdgePointAtAngle(rect, a, out);
        return true;
    };
    return std::make_unique<TutTargetCustom>(edge, 0, 0, angle, distance);
}

std::unique_ptr<TutorialTarget> FieldSpot(ScriptLevel& level, kis::Vector2 field, float angle,
                                          float distance) {
    ScriptLevel* where = &level;
    auto spot = [where, field](kis::Point& out, float&, uint32_t, uint32_t) {
        out = where->ToScreen(field);
        return true;
    };
    return std::make_unique<TutTargetCustom>(spot, 0, 0, angle, distance);
}

bool ScriptLevel::ControlRect(uint32_t windowTag, uint32_t command, kis::Rect* out) const {
    WindowManager* windows = Windows();
    GameWindow* window = windows ? windows->FindWindowByLayer(windowTag) : nullptr;
    GameButton* button = window ? ::TutTargetButton::FindTarget(window, command, 0) : nullptr;
    if (!button) return false;
    *out = button->rect;
    window->LocalToScreen(&out->left, &out->top);
    window->LocalToScreen(&out->right, &out->bottom);
    return true;
}

std::unique_ptr<TutorialTarget> FieldCentreTarget(ScriptLevel& level, float angle, float distance) {
    ScriptLevel* where = &level;
    auto centre = [where](kis::Point& out, float&, uint32_t, uint32_t) {
        out = FieldCentre(*where);
        return true;
    };
    return std::make_unique<TutTargetCustom>(centre, 0, 0, angle, distance);
}

// ---------------------------------------------------------------- ScriptStep

void ScriptStep::Complete() {
    const bool wasActive = IsActive();
    LevelTutorialStep::Complete();
    if (wasActive && delayAfter >= 0) Owner().SetDelay(uint32_t(delayAfter));
}

bool ScriptStep::SaveState(SaveWriter& stream) {
    if (!LevelTutorialStep::SaveState(stream)) return false;
    const uint32_t resumeId = resume ? resume(*this) : 0;
    if (resumeId == 0) return true;
    stream.PatchU32(Owner().SaveRecord() + 8, resumeId);
    return !stream.Failed();
}

bool ScriptStep::OnPointedControl(int32_t x, int32_t y) const {
    const TutorialLayer* layer = Layer();
    if (!layer) return false;
    for (const auto& arrow : layer->Arrows()) {
        const TutorialTarget* target = arrow->Target();
        if (arrow->State() >= kLayerClosing || !target || target->kind != kTargetButton || !target->valid ||
            !target->hasObject)
            continue;
        const kis::Rect& r = target->object;
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    }
    return false;
}

void ScriptStep::CloseAndSetFlags(uint32_t flags) {
    if (TutorialLayer* layer = Layer()) layer->SetLayerState(kLayerClosing);
    Owner().SetFlags(flags);
}

void ScriptStep::Arrow(const TutorialTarget& target, uint32_t id, bool levelArrow) {
    TutorialLayer* layer = Layer();
    if (!layer) return;
    std::unique_ptr<TutorialArrow> arrow;
    if (levelArrow) {
        ScriptLevel* where = &level;
        arrow = std::make_unique<LevelTutorialArrow>(
            *layer, id, 0, [where](uint32_t mask) { return where->IsPausedExcept(mask); });
    } else {
        arrow = std::make_unique<TutorialArrow>(*layer, id);
    }
    layer->AddArrow(std::move(arrow), target.Clone(target.distance));
}

std::unique_ptr<TutorialInfo> ScriptStep::MakeBox(TutorialLayer& layer, const std::u16string& key,
                                                  bool clickLine) {
    const uintptr_t object = contextKind && contextObject ? contextObject(level) : 0;
    return std::make_unique<TutorialInfo>(layer, GetText(key), clickLine, object ? contextKind : 0, object);
}

void ScriptStep::Box(const TutorialTarget& target, bool clickLine, float distance,
                     const std::u16string& key) {
    if (TutorialLayer* layer = Layer())
        layer->AddInfoAtPoint(MakeBox(*layer, key, clickLine), target, false, distance);
}

void ScriptStep::ArrowOn(std::unique_ptr<TutorialTarget> target, uint32_t id) {
    if (TutorialLayer* layer = Layer())
        layer->AddArrow(std::make_unique<TutorialArrow>(*layer, id), std::move(target));
}

void ScriptStep::BoxOn(std::unique_ptr<TutorialTarget> target, bool clickLine, float distance, bool centred,
                       const std::u16string& key) {
    if (TutorialLayer* layer = Layer())
        layer->AddInfo(MakeBox(*layer, key, clickLine), std::move(target), centred, distance);
}

// ---------------------------------------------------------------- shared step kinds

namespace script {

uintptr_t ControlData(TutorialObject control) {
    const GameButton* button = control.As<GameButton>();
    return button ? button->userData : 0;
}

bool IsControl(TutorialAction action, uint32_t tag, TutorialObject data, uint32_t windowTag,
               uint32_t command) {
    return action == TutorialAction::Control && tag == windowTag && ControlCommand(data) == command;
}

bool FromControl(TutorialEvent event, uint32_t a, TutorialObject b, uint32_t windowTag, uint32_t command) {
    return event == TutorialEvent::Button && a == windowTag && ControlCommand(b) == command;
}

bool ClicksButton(ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject sprite, uint32_t command,
                  int32_t point) {
    if (action != TutorialAction::ClickPoint || tag != command) return false;
    const int32_t owner = point < 0 ? -1 : t.level.SpritePoint(sprite);
    return owner < 0 || owner == point;
}

bool WorksNear(const ScriptLevel& level, uint32_t jobId, float distance) {
    uint32_t job = 0;
    int32_t point = -1;
    float away = 0;
    return level.CurrentJob(&job, &point, &away) && job == jobId && away < distance;
}

void ClickToGoOn(ScriptStep& s) {
    s.WaitForClick();
}

void FieldBox(ScriptStep& s, float angle, float distance, bool clickLine) {
    s.begin = [angle, distance, clickLine](ScriptStep& t) {
        t.BoxOn(FieldCentreTarget(t.level, angle), clickLine, distance);
        if (clickLine) ClickToGoOn(t);
    };
}

void ArrowAndBox(ScriptStep& t, const TutorialTarget& target, bool clickLine) {
    t.Arrow(target);
    t.Box(target, clickLine);
}

void PressPanelButton(ScriptStep& s, uint32_t command, std::function<uintptr_t(ScriptLevel&)> data) {
    s.begin = [command, data](ScriptStep& t) {
        ArrowAndBox(t, *PanelButton(t.level, command, data ? data(t.level) : 0, 270));
    };
    s.allows = [command, data](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject control) {
        return IsControl(action, tag, control, kTagLevelPanel, command) &&
               (!data || ControlData(control) == data(t.level));
    };
    s.onEvent = [command, data](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject b) {
        if (FromControl(event, a, b, kTagLevelPanel, command) && (!data || ControlData(b) == data(t.level)))
            t.Complete();
    };
}

void SelectPoint(ScriptStep& s, int32_t point, float angle) {
    s.begin = [point, angle](ScriptStep& t) {
        auto target = LevelPoint(t.level, point, angle);
        t.Arrow(*target, 1, true);
        t.Box(*target, false);
    };
    s.allows = [point](ScriptStep&, TutorialAction action, uint32_t tag, TutorialObject) {
        return (action == TutorialAction::HoverPoint || action == TutorialAction::SelectHovered) &&
               int32_t(tag) == point;
    };
    s.onEvent = [point](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject) {
        if (event == TutorialEvent::PointSelected && int32_t(a) == point) t.Complete();
    };
}

void GrowUntilRipe(ScriptStep& s, int32_t point) {
    s.begin = [point](ScriptStep& t) {
        auto target = LevelPoint(t.level, point);
        t.Arrow(*target, 1, true);
        t.Box(*target, false);
    };
    s.allows = [](ScriptStep&, TutorialAction action, uint32_t, TutorialObject) {
        return action == TutorialAction::PlantGrows;
    };
    s.update = [point](ScriptStep& t, uint32_t) {
        if (t.level.SelectedPoint() == point && t.level.PointKind(point) == kKindPlant &&
            t.level.Ripeness(point) >= 100.0f)
            t.Complete();
    };
}

std::unique_ptr<TutorialTarget> GoalButton(ScriptLevel& level) {
    return PanelButton(level, kPanelGoal, level.GoalData(0), 270);
}

void OpenWarehouse(ScriptStep& s) {
    s.begin = [](ScriptStep& t) {
        auto button = PanelButton(t.level, kPanelWarehouse, 0, 270);
        t.Arrow(*button);
        t.Arrow(*LevelPoint(t.level, 0, 70, 48), 2);
        t.Box(*button, false);
    };
    // The warehouse is point 0: a pick of any other building stays refused.
    s.allows = [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
        return IsControl(action, tag, data, kTagLevelPanel, kPanelWarehouse) ||
               (action == TutorialAction::PickObject && tag == kWarehouseObject &&
                data.Is(t.level.PointMapObject(0)));
    };
    s.onEvent = [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject b) {
        if (FromControl(event, a, b, kTagLevelPanel, kPanelWarehouse)) t.Complete();
    };
    s.update = [](ScriptStep& t, uint32_t) {
        if (t.level.WarehouseOpen(false)) t.Complete();
    };
}

void CloseWarehouse(ScriptStep& s) {
    s.begin = [](ScriptStep& t) {
        t.Arrow(*WarehouseButton(t.level, kWarehouseCloseButton, 0, 0));
        t.BoxOn(WarehouseButton(t.level, kWarehouseCloseButton, 0, 270), false, 84, false);
    };
    s.allows = [](ScriptStep&, TutorialAction action, uint32_t tag, TutorialObject data) {
        return IsControl(action, tag, data, kTagWarehouse, kWarehouseCloseButton);
    };
    s.onEvent = [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject b) {
        if (FromControl(event, a, b, kTagWarehouse, kWarehouseCloseButton)) t.Complete();
    };
    s.delayAfter = 400;
}

void BuildFactorySteps(ScriptTutorial& t, uint32_t first, int32_t point, std::u16string type) {
    SelectPoint(t.Step(first, kTagLevelPanel, kStopClock | kAllowHoverPoint, kStopClock), point);
    PressPanelButton(t.Step(first + 1, kTagLevelPanel, kFlagWindows | kStopClock, kStopClock),
                     kChildBuildings);
    BuildOnSite(t.Step(first + 2, kTagLevelPanel, kFlagWindows | kStopClock | kAllowStepAside, kStopClock),
                point, kChildBuildingChoice, std::move(type));
}

void BuildOnSite(ScriptStep& s, int32_t point, uint32_t choice, std::u16string type) {
    s.begin = [point, choice, type](ScriptStep& t) {
        if (t.level.PointKind(point) == kKindSite)
            ArrowAndBox(t, *PanelButton(t.level, choice, t.level.BuildingType(type), 270));
    };
    s.activate = [point](ScriptStep& t) {
        if (t.level.PointKind(point) == kKindBuilding) t.Owner().SetFlags(kGrowAndStepAside);
    };
    s.allows = [choice, type](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
        return action == TutorialAction::PlantGrows ||
               (IsControl(action, tag, data, kTagLevelPanel, choice) &&
                ControlData(data) == t.level.BuildingType(type));
    };
    s.onEvent = [choice](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject b) {
        if (event == TutorialEvent::PointChanged && a == kKindBuilding &&
            t.level.PointStage(t.level.PointIndex(b)) == 1)
            t.Complete();
        else if (FromControl(event, a, b, kTagLevelPanel, choice))
            t.CloseAndSetFlags(kGrowAndStepAside);
    };
    const uint32_t before = s.Id() - 1;
    s.resume = [point, before](ScriptStep& t) { return t.level.PointKind(point) == kKindSite ? before : 0u; };
}

void OrderAtButton(ScriptStep& s, int32_t point, float angle, uint32_t button, uint32_t job) {
    s.begin = [point, angle, button](ScriptStep& t) {
        kis::Rect r{};
        if (t.level.ButtonRect(point, button, &r))
            ArrowAndBox(t, *PointButton(t.level, point, button, angle));
    };
    s.activate = [job](ScriptStep& t) {
        if (t.level.LastQueuedJob() == job) t.Owner().SetFlags(kAllowStepAside);
    };
    s.allows = [button](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
        return ClicksButton(t, action, tag, data, button, -1);
    };
    s.onEvent = [job](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject) {
        if (JobOrdered(event, a, job)) t.CloseAndSetFlags(kAllowStepAside);
    };
}

void HarvestForWheat(ScriptStep& s, int32_t point, float angle, uint32_t units) {
    OrderAtButton(s, point, angle, kSpriteHarvest, kJobHarvest);
    s.update = [units](ScriptStep& t, uint32_t) {
        if (t.level.Stock(Wheat(t.level)) >= units) t.Complete();
    };
}

uint32_t Wheat(ScriptLevel& level) {
    return level.PlantProduct(u"wheat");
}
uintptr_t WheatPlant(ScriptLevel& level) {
    return level.PlantType(u"wheat");
}
uintptr_t FirstGoal(ScriptLevel& level) {
    return level.GoalEntry(0);
}
uintptr_t WheatRecord(ScriptLevel& level) {
    return level.ProductRecord(Wheat(level));
}
uintptr_t FirstStockRecord(ScriptLevel& level) {
    const uint32_t product = level.FirstStockProduct();
    return product ? level.ProductRecord(product) : 0;
}

} // namespace script

namespace {

using namespace script;

// ---------------------------------------------------------------- level 1

class LevelTutorial_1 : public ScriptTutorial {
  public:
    LevelTutorial_1(TutorialRunner& runner, ScriptLevel& level)
        : ScriptTutorial(runner, kTutorialLevel1, level) {
        const uint32_t id = kTutorialLevel1;
        auto resumeAt = [id](uint32_t number) { return [id, number](ScriptStep&) { return id | number; }; };

        // 1: the goal.
        ScriptStep& s1 = Step(1, kTagLevelPanel, kStopClock, kStopClock);
        s1.SetContext(kTagContextTask, FirstGoal);
        s1.begin = [](ScriptStep& t) {
            t.Arrow(*GoalButton(t.level));
            t.BoxOn(FieldCentreTarget(t.level, 270, 80), true, 0);
            ClickToGoOn(t);
        };
        // 2-4: choose the first site and plant wheat on it.
        SelectPoint(Step(2, kTagLevelPanel, kStopClock | kAllowHoverPoint, kStopClock), 1);
        PressPanelButton(Step(3, kTagLevelPanel, kFlagWindows | kStopClock, kStopClock), kChildPlants);
        ScriptStep& s4 = Step(4, kTagLevelPanel, kFlagWindows | kStopClock, kAllowStepAside);
        PressPanelButton(s4, kChildPlantChoice, WheatPlant);
        s4.resume = resumeAt(3);
        // 5: it grows.
        GrowUntilRipe(Step(5, kTagLevelPanel, kGrowAndStepAside, kStopClock), 1);
        // 6: harvest it.
        ScriptStep& s6 = Step(6, kTagLevelPanel, kStopClock | kAllowClickPoint, kAllowStepAside);
        s6.begin = [](ScriptStep& t) {
            auto target = PointButton(t.level, 1, kSpriteHarvest, 0);
            t.Arrow(*target);
            t.Box(*target, false);
        };
        s6.allows = [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
            return ClicksButton(t, action, tag, data, kSpriteHarvest, 1);
        };
        s6.onEvent = [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject) {
            if (event == TutorialEvent::JobOrdered && a == kJobHarvest) t.Complete();
        };
        // 7: the harvest is in, once the farmer is idle.
        ScriptStep& s7 = Step(7, kTagLevelPanel, kStopClock, kStopClock);
        FieldBox(s7, 90, 160);
        s7.canBegin = [](ScriptStep& t) {
            uint32_t job = 0;
            int32_t point = -1;
            float distance = 0;
            return t.level.LastQueuedJob() == 0 && !t.level.CurrentJob(&job, &point, &distance);
        };
        // 8: the goal again.
        ScriptStep& s8 = Step(8, kTagLevelPanel, kStopClock, kStopClock);
        s8.SetContext(kTagContextTask, FirstGoal);
        s8.begin = [](ScriptStep& t) {
            auto target = GoalButton(t.level);
            t.Arrow(*target);
            t.Box(*target, true);
            ClickToGoOn(t);
        };
        // 9-11: the second site, its plants, the wheat choice explained.
        SelectPoint(Step(9, kTagLevelPanel, kStopClock | kAllowHoverPoint, kStopClock), 2);
        PressPanelButton(Step(10, kTagLevelPanel, kFlagWindows | kStopClock, kStopClock), kChildPlants);
        ScriptStep& s11 = Step(11, kTagLevelPanel, kStopClock, kStopClock);
        s11.SetContext(kTagContextPlant, WheatPlant);
        s11.begin = [](ScriptStep& t) {
            auto target = PanelButton(t.level, kChildPlantChoice, WheatPlant(t.level), 270);
            t.Arrow(*target);
            t.Box(*target, true);
            ClickToGoOn(t);
        };
        s11.resume = resumeAt(10);
        // 12: the money.
        ScriptStep& s12 = Step(12, kTagLevelPanel, kStopClock, kStopClock);
        s12.begin = [](ScriptStep& t) {
            ScriptLevel* where = &t.level;
            TutTargetCustom money([where](kis::Point& out, float&, uint32_t,
                                          uint32_t) { return where->MoneyWindowBottom(&out); },
                                  0, 0, 90, 4);
            t.Arrow(money);
            t.Box(money, true);
            ClickToGoOn(t);
        };
        // 13: selling.
        FieldBox(Step(13, kTagLevelPanel, kStopClock, kStopClock), 90, 160);
        // 14: open the warehouse.
        OpenWarehouse(
            Step(14, kTagLevelPanel, kFlagWindows | kStopClock | kAllowPickObject, kLevelDefaultFlags));
        // 15-19: the warehouse window: the window, the wheat, its price, sell one, close.
        ScriptStep& s15 = Step(15, kTagWarehouse, kStopClock, kStopClock);
        s15.begin = [](ScriptStep& t) {
            ScriptLevel* where = &t.level;
            auto middle = [where](kis::Point& out, float&, uint32_t, uint32_t) {
                kis::Rect r{};
                if (!where->WarehouseRect(&r)) return false;
                out = {(r.left + r.right) / 2, r.top + 240};
                return true;
            };
            t.BoxOn(std::make_unique<TutTargetCustom>(middle, 0, 0, 90, 0), true, 0);
            ClickToGoOn(t);
        };
        s15.canBegin = [](ScriptStep& t) { return t.level.WarehouseOpen(true); };
        s15.resume = resumeAt(14);
        ScriptStep& s16 = Step(16, kTagWarehouse, kFlagWindows | kLevelDefaultFlags, kLevelDefaultFlags);
        s16.SetContext(kTagContextProduct, WheatRecord);
        s16.begin = [](ScriptStep& t) {
            const uintptr_t wheat = t.level.ProductRecord(Wheat(t.level));
            if (!wheat) return;
            auto target = WarehouseButton(t.level, kWarehouseTileButton, wheat, 90);
            t.Arrow(*target);
            t.Box(*target, false);
        };
        s16.allows = [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
            return IsControl(action, tag, data, kTagWarehouse, kWarehouseTileButton) &&
                   ControlData(data) == t.level.ProductRecord(Wheat(t.level));
        };
        s16.onEvent = [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject b) {
            if (FromControl(event, a, b, kTagWarehouse, kWarehouseTileButton) &&
                ControlData(b) == t.level.ProductRecord(Wheat(t.level)))
                t.Complete();
        };
        s16.resume = resumeAt(14);
        ScriptStep& s17 = Step(17, kTagWarehouse, kStopClock, kStopClock);
        s17.SetContext(kTagContextProduct, WheatRecord);
        s17.begin = [](ScriptStep& t) {
            ScriptLevel* where = &t.level;
            TutTargetCustom price(
                [where](kis::Point& out, float&, uint32_t, uint32_t) { return where->SelectedRowText(&out); },
                0, 0, 270, 0);
            t.Arrow(price);
            t.Box(price, true);
            ClickToGoOn(t);
        };
        s17.resume = resumeAt(14);
        ScriptStep& s18 = Step(18, kTagWarehouse, kFlagWindows | kLevelDefaultFlags, kLevelDefaultFlags);
        s18.begin = [](ScriptStep& t) {
            auto target = WarehouseButton(t.level, kWarehouseSellOneButton, 0, 270);
            t.Arrow(*target);
            t.Box(*target, false);
        };
        s18.allows = [](ScriptStep&, TutorialAction action, uint32_t tag, TutorialObject data) {
            return IsControl(action, tag, data, kTagWarehouse, kWarehouseSellOneButton);
        };
        s18.onEvent = [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject b) {
            if (FromControl(event, a, b, kTagWarehouse, kWarehouseSellOneButton)) t.Complete();
        };
        s18.resume = resumeAt(14);
        ScriptStep& s19 = Step(19, kTagWarehouse, kFlagWindows | kLevelDefaultFlags, kLevelDefaultFlags);
        CloseWarehouse(s19);
        s19.resume = resumeAt(20);
        // 20-22: plant the second site and let it grow.
        ScriptStep& s20 = Step(20, kTagLevelPanel, kFlagWindows | kStopClock, kStopClock);
        PressPanelButton(s20, kChildPlants);
        s20.canBegin = [](ScriptStep& t) {
            if (!t.level.PanelShows(kPlantsChildPanel)) return true;
            t.Owner().GoToStep(t.NextId());
            return false;
        };
        ScriptStep& s21 = Step(21, kTagLevelPanel, kFlagWindows | kStopClock, kGrowAndStepAside);
        PressPanelButton(s21, kChildPlantChoice, WheatPlant);
        s21.resume = resumeAt(20);
        GrowUntilRipe(Step(22, kTagLevelPanel, kGrowAndStepAside, kStopClock), 2);
        // 23: two harvests at once.
        FieldBox(Step(23, kTagLevelPanel, kStopClock, kLevelDefaultFlags), 90, 160);
        // 24: harvest point 1; done once the farmer is near it.
        ScriptStep& s24 = Step(24, kTagLevelPanel, kStopClock | kAllowClickPoint, kLevelDefaultFlags);
        s24.begin = [](ScriptStep& t) {
            auto target = PointButton(t.level, 1, kSpriteHarvest, 0);
            t.Arrow(*target);
            t.Box(*target, false);
        };
        s24.activate = [](ScriptStep& t) {
            if (t.level.PointKind(1) == kKindPlant && t.level.HasJob(1, kJobHarvest))
                t.Owner().SetFlags(kAllowStepAside);
        };
        s24.allows = [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
            return ClicksButton(t, action, tag, data, kSpriteHarvest, 1);
        };
        s24.onEvent = [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject) {
            if (event == TutorialEvent::JobOrdered && a == kJobHarvest) t.CloseAndSetFlags(kAllowStepAside);
        };
        s24.update = [](ScriptStep& t, uint32_t) {
            if (WorksNear(t.level, kJobHarvest, 150.0f)) t.Complete();
        };
        s24.delayAfter = 0;
        // 25: harvest point 2; the harvest leaves it one unit of water.
        ScriptStep& s25 = Step(25, kTagLevelPanel, kLevelDefaultFlags | kAllowClickPoint, kStopClock);
        s25.begin = [](ScriptStep& t) {
            auto target = PointButton(t.level, 2, kSpriteHarvest, 90);
            t.Arrow(*target);
            t.Box(*target, false);
        };
        s25.activate = [](ScriptStep& t) {
            if (t.level.PointKind(2) == kKindPlant && t.level.HasJob(2, kJobHarvest))
                t.Owner().SetFlags(kAllowStepAside);
        };
        s25.allows = [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
            return ClicksButton(t, action, tag, data, kSpriteHarvest, 2);
        };
        s25.onEvent = [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject b) {
            if (event != TutorialEvent::JobOrdered || a != kJobHarvest) return;
            t.CloseAndSetFlags(kAllowStepAside);
            const int32_t point = t.level.JobPoint(b);
            if (t.level.PointKind(point) == kKindPlant) t.level.SetWater(point, 1);
        };
        s25.update = [](ScriptStep& t, uint32_t) {
            kis::Rect r{};
            if (t.level.PointKind(2) == kKindPlant && !t.level.ButtonRect(2, kSpriteHarvest, &r) &&
                !t.level.HasJob(2, kJobHarvest))
                t.Complete();
        };
        // 26: water point 2 to the full.
        ScriptStep& s26 =
            Step(26, kTagLevelPanel, kStopClock | kAllowClickPoint | kAllowStepAside, kAllowPlantGrows);
        s26.begin = [](ScriptStep& t) {
            auto target = PointButton(t.level, 2, kSpriteWater, 190);
            t.Arrow(*target);
            t.Box(*target, false);
        };
        s26.allows = [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
            return ClicksButton(t, action, tag, data, kSpriteWater, 2);
        };
        s26.onEvent = [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject) {
            if (event == TutorialEvent::JobOrdered && a == kJobWater)
                if (TutorialLayer* layer = t.Layer()) layer->SetLayerState(kLayerClosing);
        };
        s26.update = [](ScriptStep& t, uint32_t) {
            if (t.level.PointKind(2) == kKindPlant && t.level.Water(2) == t.level.WaterMax(2)) t.Complete();
        };
        // 27: free play until the goal's amount of wheat is in stock.
        ScriptStep& s27 = Step(27, kTagLevelPanel, kAllowClickPoint | kAllowPlantGrows | kAllowStepAside, 0);
        s27.begin = [](ScriptStep& t) {
            for (int32_t point : {1, 2})
                t.Arrow(*PointButton(t.level, point, kSpriteHarvest, 270), uint32_t(point));
            t.BoxOn(FieldCentreTarget(t.level, 90, 180), false, 0);
        };
        s27.allows = [](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
            return ClicksButton(t, action, tag, data, kSpriteHarvest, -1) ||
                   ClicksButton(t, action, tag, data, kSpriteWater, -1) ||
                   action == TutorialAction::PlantGrows;
        };
        s27.onEvent = [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject b) {
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
        };
        s27.update = [](ScriptStep& t, uint32_t) {
            if (t.level.Stock(Wheat(t.level)) == t.level.GoalAmount(0)) t.Complete();
        };
    }
};

// ---------------------------------------------------------------- level 15

class LevelTutorial_15 : public ScriptTutorial {
  public:
    LevelTutorial_15(TutorialRunner& runner, ScriptLevel& level)
        : ScriptTutorial(runner, kTutorialLevel15, level, kLevel15Flags) {
        startDelay = int32_t(kLevel15StartDelayMs);
        ScriptStep& s = Step(1, kTagLevelPanel, kLevel15Flags, kLevel15Flags);
        s.begin = [](ScriptStep& t) {
            auto target = LevelPoint(t.level, 7);
            t.Arrow(*target);
            t.Box(*target, true);
            ClickToGoOn(t);
        };
        s.activate = [](ScriptStep& t) { t.timer.Set(kLevel15StayMs); };
        s.update = [](ScriptStep& t, uint32_t dt) {
            if (t.timer.Tick(dt)) t.Complete();
        };
        s.deactivate = [](ScriptStep& t) { t.Owner().Finish(); };
    }
};

// ---------------------------------------------------------------- warehouse

class LevelTutorial_Warehouse : public ScriptTutorial {
  public:
    LevelTutorial_Warehouse(TutorialRunner& runner, ScriptLevel& level)
        : ScriptTutorial(runner, kTutorialWarehouse, level) {
        startDelay = 0;
        ScriptStep& s = Step(1, kTagLevelPanel, kFlagWindows | kStopClock, kWarehouseAfterFlags);
        s.begin = [](ScriptStep& t) {
            auto target = PanelButton(t.level, kPanelWarehouse, 0, 270);
            t.Arrow(*target);
            t.Box(*target, false, 84, u"level_warehouse_1");
        };
        s.allows = [](ScriptStep&, TutorialAction action, uint32_t tag, TutorialObject data) {
            return IsControl(action, tag, data, kTagLevelPanel, kPanelWarehouse);
        };
        s.onEvent = [](ScriptStep& t, TutorialEvent event, uint32_t a, TutorialObject b) {
            if (FromControl(event, a, b, kTagLevelPanel, kPanelWarehouse)) t.Complete();
        };
        s.update = [](ScriptStep& t, uint32_t) {
            if (t.level.WarehouseOpen(false)) t.Complete();
        };
        s.deactivate = [](ScriptStep& t) { t.Owner().Finish(); };
    }
};

class LevelTutorial_FullWarehouse : public ScriptTutorial {
  public:
    LevelTutorial_FullWarehouse(TutorialRunner& runner, ScriptLevel& level, uint32_t product)
        : ScriptTutorial(runner, kTutorialFullWarehouse, level) {
        startDelay = 0;
        const uint32_t notice = kWarehouseFullNotice + level.ProductNumber(product);
        // Between the notice step and the window step the level stays paused
        // with its clock stopped, the notice no longer clickable.
        ScriptStep& s1 = Step(1, kTagLevelPanel, kFlagMessages | kLevelDefaultFlags, kLevelDefaultFlags);
        s1.begin = [notice](ScriptStep& t) {
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
        };
        s1.allows = [notice](ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject data) {
            return action == TutorialAction::Message && tag == 1 && t.level.NoticeId(data) == notice;
        };
        s1.update = [](ScriptStep& t, uint32_t) {
            if (t.level.WarehouseOpen(false)) t.Complete();
        };
        ScriptStep& s2 = Step(2, kTagWarehouse, kFlagWindows | kLevelDefaultFlags, kLevelDefaultFlags);
        s2.begin = [product](ScriptStep& t) {
            if (t.level.Stock(product) > 0) {
                auto target =
                    WarehouseButton(t.level, kWarehouseTileButton, t.level.ProductRecord(product), 90);
                t.Arrow(*target);
                t.Box(*target, true, 84, u"level_fullwarehouse_2");
            }
            ClickToGoOn(t);
        };
        s2.canBegin = [](ScriptStep& t) { return t.level.WarehouseOpen(true); };
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
