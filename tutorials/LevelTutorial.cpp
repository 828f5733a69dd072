#include "tutorials/LevelTutorial.h"

#include "gui/Controls.h"
#include "gui/SpritesWindow.h"
#include "gui/Window.h"
#include "level/GameLevel.h"
#include "level/SaveStream.h"
#include "levelui/LevelPanel.h"
#include "tutorials/TutorialLayer.h"

#include <algorithm>
#include <cstdio>

// The level's pause reason and clock-stop bit, the panel, its free controls
// and the keys, by the ids their owners give them.
static_assert(tut::kLevelPauseReason == kPauseTutorial && tut::kLevelClockStopBit == kClockStopTutorial &&
              tut::kLevelArrowPauses == (kPauseClockNotStarted | kPauseTutorial));
static_assert(tut::kTagLevelPanel == kLevelPanelTag && tut::kPanelFreeCommands[0] == kCommandMenu &&
              tut::kPanelFreeCommands[1] == kCommandCloseTutorial &&
              tut::kPanelFreeCommands[2] == kCommandGoal);
static_assert(tut::kKeyEnter == kKeyReturn && tut::kKeyEscape == kKeyEscape);

namespace tut {

// ---------------------------------------------------------------- helpers

std::u16string LevelStepKey(uint32_t stepId) {
    char key[32];
    std::snprintf(key, sizeof key, "level_%02u_%d", TutorialNumber(stepId), StepNumber(stepId));
    return std::u16string(key, key + std::char_traits<char>::length(key));
}

uint32_t ControlCommand(TutorialObject control) {
    const GameButton* button = control.As<GameButton>();
    return button ? button->Command() : 0;
}

// ---------------------------------------------------------------- LevelTutorial

LevelTutorial::LevelTutorial(TutorialRunner& runner, uint32_t id, TutorialLevel& level)
    : GameTutorial(runner, id), level_(level) {
    delay_ = kInitialDelayMs;
    defaultFlags_ = kLevelDefaultFlags;
}

void LevelTutorial::OnFlagsChanged(uint32_t flags) {
    const uint32_t changed = flags ^ Flags();
    if (changed & kPauseLevel) {
        if (flags & kPauseLevel)
            level_.Pause(kLevelPauseReason);
        else
            level_.Resume(kLevelPauseReason);
    }
    if (changed & kStopClock) level_.SetClockStop((flags & kStopClock) != 0);
}

void LevelTutorial::OnFirstStepShown() {
    level_.ShowTutorialButton(true);
}

void LevelTutorial::OnEnd() {
    level_.ShowTutorialButton(false);
}

bool LevelTutorial::CanUse(uint32_t key, const GameWindow* window) {
    if (key == kKeyEnter && window && window->tag == kTagWarehouse) return false;
    return GameTutorial::CanUse(key, window);
}

bool LevelTutorial::IsActionAllowed(TutorialAction action, uint32_t tag, TutorialObject data) {
    if (action == TutorialAction::Drag && tag != kTagWarehouse) return true;
    if (action == TutorialAction::Control && tag != kTagWarehouse) {
        if (tag != kTagLevelPanel) return true;
        const uint32_t command = ControlCommand(data);
        if (std::find(std::begin(kPanelFreeCommands), std::end(kPanelFreeCommands), command) !=
            std::end(kPanelFreeCommands))
            return true;
    }
    uint32_t needed = 0;
    switch (action) {
    case TutorialAction::ClickPoint:
        needed = kAllowClickPoint;
        break;
    case TutorialAction::PickObject:
        needed = kAllowPickObject;
        break;
    case TutorialAction::HoverPoint:
    case TutorialAction::SelectHovered:
        needed = kAllowHoverPoint;
        break;
    case TutorialAction::StartJob:
        needed = kAllowStartJob;
        break;
    case TutorialAction::PlantGrows:
        needed = kAllowPlantGrows;
        break;
    case TutorialAction::Produce:
        needed = kAllowProduce;
        break;
    case TutorialAction::Walk:
        needed = kAllowWalk;
        break;
    case TutorialAction::StepAside:
        return (Flags() & kAllowStepAside) != 0;
    case TutorialAction::Villains:
        return (Flags() & kAllowVillains) != 0;
    default:
        break;
    }
    if (needed && !(Flags() & needed)) return false;
    return GameTutorial::IsActionAllowed(action, tag, data);
}

bool LevelTutorial::SaveState(uint32_t size, SaveWriter& stream) {
    if (!GameTutorial::SaveState(std::max(size, kLevelRecordSize), stream)) return false;
    stream.PatchU32(SaveRecord() + 16, uint32_t(level_.SelectedPoint()));
    return !stream.Failed();
}

bool LevelTutorial::LoadState(const uint32_t* record, uint32_t size) {
    if (size < kLevelRecordSize || !GameTutorial::LoadState(record, size)) return false;
    const int32_t point = int32_t(record[4]);
    level_.SelectPoint(point);
    return level_.SelectedPoint() == point;
}

void LevelTutorial::Update(uint32_t dt) {
    // A paused level holds its tutorial, but not one that is finishing: its
    // boxes and arrows go with the level's end (the game-over dialog and the
    // windows after it keep the level paused for good).
    if (State() < kFinishing && level_.IsPausedExcept(kLevelTutorialPauseMask)) return;
    GameTutorial::Update(dt);
}

void LevelTutorial::OnEvent(TutorialEvent event, uint32_t a, TutorialObject b) {
    if (event == TutorialEvent::ClockStarted) Start();
    GameTutorial::OnEvent(event, a, b);
}

// ---------------------------------------------------------------- LevelTutorialStep

LevelTutorialStep::LevelTutorialStep(LevelTutorial& owner, uint32_t id, uint32_t windowTag,
                                     uint32_t flagsActive, uint32_t flagsAfter)
    : TutorialStep(owner, id, windowTag), flagsActive(flagsActive), flagsAfter(flagsAfter) {}

void LevelTutorialStep::OnActivate() {
    Owner().SetFlags(flagsActive);
}

void LevelTutorialStep::OnDeactivate() {
    Owner().SetFlags(flagsAfter);
}

std::u16string LevelTutorialStep::GetText(const std::u16string& key) const {
    return TutorialStep::GetText(key.empty() ? LevelStepKey(Id()) : key);
}

bool LevelTutorialStep::IsClickArea(int32_t x, int32_t y) const {
    return !static_cast<const LevelTutorial&>(Owner()).Level().IsOverPanel(x, y);
}

} // namespace tut
