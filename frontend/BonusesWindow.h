#pragma once
// The bonuses window: one panel per bonus the profile owns in its regime and
// three slots of the chosen ones (at most three, in the order chosen). A
// click on a panel chooses its bonus or gives it up; a click on a slot gives
// its bonus up. "OK", Enter and Escape write the selection back.

#include "frontend/AwardsWindow.h"
#include "gui/SpritesWindow.h"

#include <array>
#include <functional>
#include <vector>

class Bonuses;
class Profile;

constexpr uint32_t kBonusesWindowTag = MakeWindowTag('B', 'o', 'n', 'u');
constexpr uint32_t kBonusesOk = 0xB3D00000;
constexpr uint32_t kBonusPanel = 0xB3D00001;
constexpr uint32_t kBonusSlot = 0xB3D00002;
constexpr int32_t kBonusPanelWidth = 637, kBonusPanelHeight = 44;
constexpr int32_t kBonusSlotSize = 63;

class BonusesWindow : public SpritesWindow {
  public:
    // Edits a copy of *selection and writes it back on "OK"; applied (may be
    // empty) then refreshes whoever shows the selection. The table, profile
    // and selection outlive the window.
    BonusesWindow(WindowManager& manager, const Bonuses& table, const Profile* profile,
                  BonusSelection* selection, std::function<void()> applied);

    bool OnKeyDown(uint32_t key, uint32_t flags) override;
    uint32_t OnButtonClick(GameButton* button) override;
    void DrawBackground(DXLViewer& viewer) override;

    void Apply();
    const BonusChoice& Choice() const { return choice_; }
    int32_t PanelCount() const { return int32_t(panels_.size()); }
    // The panel of a bonus (null when the profile does not own it) and slot i.
    GameButton* Panel(int32_t id) const;
    GameButton* Slot(int32_t i) const { return slots_[size_t(i)]; }
    int32_t PanelId(const GameButton* panel) const;

  private:
    const Bonuses* table_;
    BonusSelection* target_;
    std::function<void()> applied_;
    BonusChoice choice_;
    std::vector<std::pair<int32_t, GameButton*>> panels_; // in the window's group, by bonus id
    std::array<GameButton*, kChosenBonusLimit> slots_{};
    int32_t separatorY_ = -1;
};

// The selection of the current regime as the profile keeps it.
BonusSelection ProfileBonusSelection(const Profile& profile);
