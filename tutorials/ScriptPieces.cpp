#include "tutorials/ScriptPieces.h"

#include "gui/Controls.h"
#include "level/SaveStream.h"
#include "level/SpriteObject.h"

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

// ---------------------------------------------------------------- step pieces

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

} // namespace tut
