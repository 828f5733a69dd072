#include "tutorials/MapTutorial.h"

#include "frontend/BonusesWindow.h"
#include "frontend/MapGeometry.h"
#include "frontend/MapInterface.h"
#include "frontend/MapScreen.h"
#include "gui/Controls.h"
#include "levelui/LevelWindows.h"
#include "levelui/LevelWindowsModel.h"
#include "tutorials/LevelTutorial.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

// The map's windows and controls the map tutorials name, by the ids their
// owners give them.
static_assert(tut::kTagMapInterface == kMapInterfaceTag && tut::kTagLevelWindow == kLevelWindowTag &&
              tut::kTagBonusWindow == kBonusesWindowTag);
static_assert(tut::kMapFreeCommands[0] == kMapControlOptions &&
              tut::kMapFreeCommands[1] == kMapControlProfile && tut::kMapFreeCommands[2] == kMapControlBack &&
              tut::kMapRegimeCommand == kMapControlRegime);
static_assert(tut::kLevelWindowBonus == kLevelWindowBonusSlot &&
              tut::kLevelWindowBonuses == kLevelWindowSelectBonuses);

namespace tut {

// ---------------------------------------------------------------- TutorialMapLink

bool TutorialMapLink::Locate(uint32_t level, kis::Vector2& out) const {
    const std::optional<MapPoint> centre = map_.LevelCentre(int32_t(level));
    if (!centre) return false;
    out = kis::MakeVector2FromInt(centre->x, centre->y);
    return true;
}

bool TutorialMapLink::Extent(uint32_t level, kis::Rect& out) const {
    const std::optional<MapPoint> centre = map_.LevelCentre(int32_t(level));
    if (!centre) return false;
    out = {centre->x - 36, centre->y - 36, centre->x + 36, centre->y + 30};
    return true;
}

kis::Point TutorialMapLink::ToScreen(const kis::Vector2& field) const {
    const MapPoint p = map_.MapToScreen(int32_t(std::lround(field.x)), int32_t(std::lround(field.y)));
    return {p.x, p.y};
}

void TutorialMapLink::CheckTutorials() {
    map_.CheckTutorials();
}

void TutorialMapLink::ShowLevels(bool instant) {
    map_.ShowLevels(instant);
}

bool TutorialMapLink::IsOverInterface(int32_t x, int32_t y) const {
    const MapInterface* ui = map_.Interface();
    return ui && ui->Takes(x, y);
}

void TutorialMapLink::AddInterfaceRects(std::vector<kis::Rect>& rects) const {
    if (const MapInterface* ui = map_.Interface()) ui->Places().AddRects(rects);
}

bool TutorialMapLink::VillainsGone() const {
    return map_.Villains().empty();
}

bool TutorialMapLink::ModalOpen() const {
    return windows_ && windows_->ModalCount() > 0;
}

// ---------------------------------------------------------------- MapTutorial

MapTutorial::MapTutorial(TutorialRunner& runner, uint32_t id, std::u16string name, TutorialMap& map)
    : GameTutorial(runner, id), name_(std::move(name)), map_(map) {
    if (name_.size() > 32) name_.resize(32);
    delay_ = kInitialDelayMs;
    defaultFlags_ = 0;
    savedWithLevel_ = false;
}

void MapTutorial::Begin(uint32_t firstStep) {
    startStepId_ = firstStep;
    GoToStep(startStepId_);
    Start();
}

void MapTutorial::OnFinish() {
    map_.CheckTutorials();
}

bool MapTutorial::CanUse(uint32_t key, const GameWindow* window) {
    if ((key == kKeyEscape || key == kKeyEnter) && window) {
        const uint32_t tag = window->tag;
        if (tag == kTagLevelWindow || tag == kTagBonusWindow) return false;
    }
    return true;
}

bool MapTutorial::IsActionAllowed(TutorialAction action, uint32_t tag, TutorialObject data) {
    if (action == TutorialAction::Control) {
        if (tag != kTagLevelWindow && tag != kTagMapInterface) return true;
        if (tag == kTagMapInterface &&
            std::ranges::find(kMapFreeCommands, ControlCommand(data)) != std::end(kMapFreeCommands))
            return true;
    }
    if (action == TutorialAction::HoverMapLevel && !(Flags() & kAllowHoverMapLevel)) return false;
    return GameTutorial::IsActionAllowed(action, tag, data);
}

bool MapTutorial::SaveState(uint32_t, SaveWriter&) {
    return false;
}

bool MapTutorial::LoadState(const uint32_t*, uint32_t) {
    return false;
}

std::u16string MapTutorialStep::GetText(const std::u16string& suffix) const {
    char number[16];
    std::snprintf(number, sizeof number, "_%d", StepNumber(Id()));
    std::u16string key = u"map_" + Map().Name();
    for (const char* c = number; *c; ++c)
        key += char16_t(*c);
    key += suffix;
    return TutorialStep::GetText(key);
}

bool MapTutorialStep::BoxRoom(kis::Rect& room) const {
    return WindowTag() == kTagLevelWindow && Layer() && WindowFaceRoom(Layer()->Manager(), WindowTag(), room);
}

bool MapTutorialStep::IsClickArea(int32_t x, int32_t y) const {
    return !Map().Map().IsOverInterface(x, y);
}

namespace {

std::unique_ptr<TutorialInfo> TextBox(TutorialLayer& layer, std::u16string text, bool clickLine) {
    return std::make_unique<TutorialInfo>(layer, std::move(text), clickLine);
}

// ---- first visit: hover and open the first level
class Step_First_1 : public MapTutorialStep {
  public:
    explicit Step_First_1(MapTutorial& owner) : MapTutorialStep(owner, 0x40010001, kTagMapInterface) {}
    void Begin() override {
        TutorialLayer* layer = Layer();
        TutTargetFieldPoint target(kTargetMapLevel, Map().Map(), 0, 225, kMapLevelDistance);
        layer->AddArrow(std::make_unique<TutorialArrow>(*layer, 1), target.Clone(target.distance));
        layer->AddInfoAtPoint(TextBox(*layer, GetText(u""), false), target, false, kMapInfoDistance);
    }
    void OnActivate() override { Owner().SetFlags(kAllowHoverMapLevel); }
    void OnDeactivate() override { Owner().SetFlags(0); }
    bool IsActionAllowed(TutorialAction action, uint32_t tag, TutorialObject) override {
        return action == TutorialAction::HoverMapLevel && tag == 0;
    }
    void OnEvent(TutorialEvent event, uint32_t a, TutorialObject) override {
        if (event == TutorialEvent::MapLevelClicked && a == 0) Owner().Finish();
    }
};

// ---- a new bonus: the bonus box, then the bonuses button

// The screen rectangle of the level window's bonus slots that hold a bonus,
// together (false without one).
bool BonusSlotsRect(GameWindow& window, kis::Rect* out) {
    bool any = false;
    std::vector<GameControls*> groups = window.Groups();
    groups.push_back(&window.Controls());
    for (GameControls* group : groups)
        for (int32_t i = 0; i < group->Count(); ++i) {
            GameButton* b = group->Get(i);
            if (b->Command() != kLevelWindowBonus || b->userData == 0) continue;
            kis::Rect r = b->rect;
            window.LocalToScreen(&r.left, &r.top);
            window.LocalToScreen(&r.right, &r.bottom);
            *out = any ? kis::Rect{std::min(out->left, r.left), std::min(out->top, r.top),
                                   std::max(out->right, r.right), std::max(out->bottom, r.bottom)}
                       : r;
            any = true;
        }
    return any;
}

// The screen rectangle of the window's control with the command (false without one).
bool ControlRect(GameWindow& window, uint32_t command, kis::Rect* out) {
    std::vector<GameControls*> groups = window.Groups();
    groups.push_back(&window.Controls());
    for (GameControls* group : groups)
        for (int32_t i = 0; i < group->Count(); ++i)
            if (GameButton* b = group->Get(i); b->Command() == command) {
                *out = b->ScreenRect();
                return true;
            }
    return false;
}

// The least width the new-bonus box's text wraps to: narrow enough to stand
// in the bonus area under "choose bonuses", right of the arrow.
constexpr int32_t kBonusBoxLeastTextWidth = 140;

// The arrow points at the bonus's slot from its right (from its left when it
// is the first of several, so that it lies over no other slot), in the
// bonuses' row, and the box stands beside the arrow on the level window's
// face: its goals, medal times, bonus slots and buttons (the bonuses button
// among them) stay in sight.
class Step_Bonus_1 : public MapTutorialStep {
  public:
    Step_Bonus_1(MapTutorial& owner, std::u16string name, uintptr_t record)
        : MapTutorialStep(owner, 0x40030001, kTagLevelWindow), name_(std::move(name)), record_(record) {}
    void Begin() override {
        TutorialLayer* layer = Layer();
        WindowManager& windows = layer->Manager();
        TutTargetButton target(windows, kTagLevelWindow, kLevelWindowBonus, record_, 0, 4);
        target.GetPosition();
        GameWindow* window = windows.FindWindowByLayer(kTagLevelWindow);
        kis::Rect slots{};
        if (target.valid && window && BonusSlotsRect(*window, &slots) && target.object.left <= slots.left &&
            target.object.right < slots.right)
            target.angle = 180;
        layer->AddArrow(std::make_unique<TutorialArrow>(*layer, 1), target.Clone(target.distance));
        auto made = TextBox(*layer, TutorialStep::GetText(u"map_bonus_" + name_), true);
        made->FitSmallRoom(kBonusBoxLeastTextWidth);
        // A window too narrow for the box right of the slots has it at the
        // free place nearest (left of them): the arrow still points at its
        // own slot only, over no other.
        layer->AddInfoAtPoint(std::move(made), target, false, kMapInfoDistance);
        WaitForClick();
    }
    void OnActivate() override { Owner().SetFlags(0); }
    void OnDeactivate() override { Owner().SetFlags(0); }
    void AddSightRects(std::vector<kis::Rect>& rects) const override {
        MapTutorialStep::AddSightRects(rects);
        TutTargetButton slot(Layer()->Manager(), kTagLevelWindow, kLevelWindowBonus, record_, 0, 4);
        slot.GetPosition();
        GameWindow* window = Layer()->Manager().FindWindowByLayer(kTagLevelWindow);
        if (!slot.valid || !window) return;
        // The window above the slot (its goals and medal times), the other
        // slots, the bonuses button and the buttons of the bottom row.
        rects.push_back({window->rect.left, window->rect.top, window->rect.right, slot.object.top - 4});
        kis::Rect r{};
        if (BonusSlotsRect(*window, &r)) rects.push_back(r);
        for (uint32_t command : {kLevelWindowSelectBonuses, kLevelWindowCancel, kLevelWindowPlay,
                                 kLevelWindowRestart, kLevelWindowContinue})
            if (ControlRect(*window, command, &r)) rects.push_back(r);
    }

  private:
    std::u16string name_;
    uintptr_t record_;
};

// The arrow points at the bonuses button from its right and the box stands
// clear of the level window's goals, medal times, record and bonus slots.
class Step_Bonus_2 : public MapTutorialStep {
  public:
    explicit Step_Bonus_2(MapTutorial& owner) : MapTutorialStep(owner, 0x40030002, kTagLevelWindow) {}
    void AddSightRects(std::vector<kis::Rect>& rects) const override {
        MapTutorialStep::AddSightRects(rects);
        GameWindow* window = Layer()->Manager().FindWindowByLayer(kTagLevelWindow);
        kis::Rect slots{};
        if (!window || !BonusSlotsRect(*window, &slots)) return;
        rects.push_back({window->rect.left, window->rect.top, window->rect.right, slots.top - 4});
        rects.push_back(slots);
    }
    void Begin() override {
        TutorialLayer* layer = Layer();
        TutTargetButton target(layer->Manager(), kTagLevelWindow, kLevelWindowBonuses, 0, 0, 4);
        layer->AddArrow(std::make_unique<TutorialArrow>(*layer, 1), target.Clone(target.distance));
        layer->AddInfoAtPoint(TextBox(*layer, TutorialStep::GetText(u"map_select_bonuses"), false), target,
                              false, kMapInfoDistance);
    }
    void OnActivate() override { Owner().SetFlags(kFlagWindows); }
    void OnDeactivate() override { Owner().SetFlags(0); }
    bool IsActionAllowed(TutorialAction action, uint32_t tag, TutorialObject data) override {
        const uint32_t command = ControlCommand(data);
        return action == TutorialAction::Control && tag == kTagLevelWindow &&
               (command == kLevelWindowBonuses || command == kLevelWindowBonus);
    }
    void OnEvent(TutorialEvent event, uint32_t a, TutorialObject b) override {
        if (event == TutorialEvent::Button && a == kTagLevelWindow &&
            ControlCommand(b) == kLevelWindowBonuses)
            Owner().Finish();
    }
};

// ---- the regime switch
class Step_Regime_2 : public MapTutorialStep {
  public:
    explicit Step_Regime_2(MapTutorial& owner) : MapTutorialStep(owner, 0x40050002, kTagMapInterface) {}
    void Begin() override {
        TutorialLayer* layer = Layer();
        TutTargetButton target(layer->Manager(), kTagMapInterface, kMapRegimeCommand, 0, 240, 10);
        layer->AddArrow(std::make_unique<TutorialArrow>(*layer, 1), target.Clone(target.distance));
        layer->AddInfoAtPoint(TextBox(*layer, TutorialStep::GetText(u"map_regime"), true), target, false,
                              120);
        WaitForClick();
    }
    void OnActivate() override {}
    void OnDeactivate() override {}
};

// ---- the hard regime: a centred box
class Step_Hard : public MapTutorialStep {
  public:
    explicit Step_Hard(MapTutorial& owner) : MapTutorialStep(owner, 0x40060001, kTagMapInterface) {}
    void Begin() override {
        TutorialLayer* layer = Layer();
        WindowManager* windows = &layer->Manager();
        auto centre = [windows](kis::Point& out, float&, uint32_t, uint32_t) {
            out = {windows->ScreenWidth() / 2, windows->ScreenHeight() / 2 - 80};
            return true;
        };
        layer->AddInfo(TextBox(*layer, GetText(u""), true),
                       std::make_unique<TutTargetCustom>(centre, 0, 0, 0, 0), true, 0);
        WaitForClick();
    }
    void OnActivate() override {}
    void OnDeactivate() override {}
};

} // namespace

MapTutorial_First::MapTutorial_First(TutorialRunner& runner, TutorialMap& map)
    : MapTutorial(runner, kMapTutorialFirst, u"first", map) {
    AddStep<Step_First_1>(*this);
    Begin(0x40010001);
}

MapTutorial_NewBonus::MapTutorial_NewBonus(TutorialRunner& runner, TutorialMap& map, int32_t bonusIndex,
                                           std::u16string bonusName, uintptr_t bonusRecord,
                                           bool showSelection)
    : MapTutorial(runner, kMapTutorialNewBonus, u"", map) {
    if (showSelection || bonusIndex < 0) AddStep<Step_Bonus_2>(*this);
    if (bonusIndex >= 0) {
        Step_Bonus_1* first = AddStep<Step_Bonus_1>(*this, std::move(bonusName), bonusRecord);
        if (showSelection) first->SetNextId(0x40030002);
        Begin(0x40030001);
    } else {
        Begin(0x40030002);
    }
}

MapTutorial_Regime::MapTutorial_Regime(TutorialRunner& runner, TutorialMap& map)
    : MapTutorial(runner, kMapTutorialRegime, u"regime", map) {
    AddStep<Step_Regime_2>(*this);
    Begin(0x40050002);
}

MapTutorial_Hard::MapTutorial_Hard(TutorialRunner& runner, TutorialMap& map)
    : MapTutorial(runner, kMapTutorialHard, u"hard_regime", map) {
    AddStep<Step_Hard>(*this);
    Begin(0x40060001);
}

MapTutorial_VillainsAttack::MapTutorial_VillainsAttack(TutorialRunner& runner, TutorialMap& map)
    : MapTutorial(runner, kMapTutorialVillains, u"", map) {
    delay_ = 0;
    AddStep<MapTutorialStep_VillainsAttack>(*this);
    Begin(0x40080001);
}

MapTutorialStep_VillainsAttack::MapTutorialStep_VillainsAttack(MapTutorial& owner)
    : MapTutorialStep(owner, 0x40080001, kTagMapInterface) {}

void MapTutorialStep_VillainsAttack::OnActivate() {
    timer_.Set(kVillainsClickDelayMs);
}

void MapTutorialStep_VillainsAttack::Update(uint32_t dt) {
    TutorialMap& map = Map().Map();
    if (map.ModalOpen()) return;
    if (timer_.state != 2 && timer_.Tick(dt) && !waiting_) {
        waiting_ = true;
        WaitForClick();
    }
    if (map.VillainsGone()) {
        // Showing the levels again ends the attack's tutorial on the map's
        // side; the step's own end stands for a map that does not.
        map.ShowLevels(false);
        Owner().Finish();
    }
}

void MapTutorialStep_VillainsAttack::Complete() {
    const bool wasActive = IsActive();
    TutorialStep::Complete();
    if (wasActive) Map().Map().ShowLevels(true);
}

} // namespace tut
