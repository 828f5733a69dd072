#pragma once
// The awards window (medal counts of both regimes, the nine awards with their
// bars, the eight goals and the final award, animated from the values seen
// at the last opening), its medals panels, and the bonus selection the
// bonuses window edits.

#include "app/BonusKind.h"
#include "frontend/AwardsAnimation.h"
#include "gui/SpritesWindow.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class Profile;
class ProfileManager;

constexpr uint32_t kAwardsWindowTag = MakeWindowTag('A', 'w', 'a', 'r');
constexpr uint32_t kAwardsClose = 0xA3A4D500;
constexpr uint32_t kAwardButton = 0xA3A4D501, kGoalButton = 0xA3A4D502, kFinalButton = 0xA3A4D503;
constexpr int32_t kAwardsWidth = 545;
constexpr int32_t kAwardsPanelHeight = 244;
constexpr int32_t kAwardButtonWidth = 50, kAwardButtonHeight = 62;

// Where the window places its pieces, in window coordinates from the content top.
struct AwardsLayout {
    static int32_t AwardX(int i) { return i * 57 + 19; }
    // Goal positions, y from the content top - 4.
    static constexpr int32_t kGoalAt[kGoalCount][2] = {{32, 30},  {102, 38}, {391, 20},  {465, 35},
                                                       {19, 136}, {80, 132}, {389, 132}, {454, 136}};
    static constexpr int32_t kFinalX = 176, kFinalDy = 8, kFinalWidth = 188;
};

// ---------------------------------------------------------------- medals panel

// The medal counts of one regime: gold, silver and bronze icons, each with an
// "x" and its count. A count's text is written only when the count changes
// from the one shown, which starts at 0.
class MedalsPanel {
  public:
    MedalsPanel(int32_t left, int32_t top, int32_t right, int32_t bottom, bool titled);
    void SetTitle(const std::u16string& title) { title_ = title; }
    // Reads the profile's counts of the regime; the number of texts rewritten.
    int32_t Update(const Profile* profile, uint32_t regime);
    void Draw(DXLViewer& viewer, float alpha) const;

    int32_t Height() const { return height_; }
    int32_t Width() const;
    // Icon i: 0 bronze, 1 silver, 2 gold.
    std::array<int32_t, 2> IconAt(int i) const { return icons_[size_t(i)]; }
    static constexpr int32_t kXDx = 39, kXDy = 11, kCountDx = 57;
    // The count's offset below the icon for a font of that height.
    static int32_t CountDy(int32_t fontHeight) { return 16 - fontHeight / 2; }
    const std::u16string& CountText(int i) const { return texts_[size_t(i)]; }
    int32_t x = 0, y = 0; // within the owner, set by it

  private:
    bool titled_;
    int32_t height_;
    std::array<std::array<int32_t, 2>, 3> icons_{};
    // The counts shown; none at first, so that a first count of 0 is
    // written too rather than leaving the "x" sign without a number.
    std::array<int32_t, 3> counts_{-1, -1, -1};
    std::array<std::u16string, 3> texts_;
    std::u16string title_;
};

// ---------------------------------------------------------------- awards window

class AwardsWindow : public SpritesWindow {
  public:
    // Shows the changes since the profile's last-seen copy, then makes the
    // current values the seen ones and saves the profiles. The table and the
    // profiles outlive the window.
    // The preview (the map's cheat view) animates random current values and
    // leaves the profile alone. clearTop: the band at the screen's top (a
    // level's money strip) the centred window stays below whenever it fits;
    // clearBottom: the rows at the screen's bottom (the map's medals panel)
    // it stays above whenever it fits between the two.
    AwardsWindow(WindowManager& manager, const Awards& table, ProfileManager* profiles, bool preview = false,
                 int32_t clearTop = 0, int32_t clearBottom = 0);
    ~AwardsWindow() override;

    bool OnMouseDown(int32_t x, int32_t y, uint32_t button) override;
    bool OnMouseDblClick(int32_t x, int32_t y) override;
    bool OnKeyDown(uint32_t key, uint32_t flags) override;
    bool Update() override;
    void DrawBackground(DXLViewer& viewer) override;
    uint32_t OnButtonClick(GameButton* button) override;
    void GetCenteredPosition(int32_t* x, int32_t* y) const override;

    void FinishAll() { animation_->FinishAll(); }
    const AwardsAnimation& Animation() const { return *animation_; }
    const MedalsPanel& Medals(int regime) const { return *medals_[size_t(regime)]; }
    uint32_t OpenedAt() const { return openedAt_; }

  private:
    void DrawAward(DXLViewer& viewer, int i, uint32_t now, float alpha);
    void DrawGoal(DXLViewer& viewer, Sprite* sprite, const GoalReveal& goal, int32_t x, int32_t y,
                  uint32_t now, float alpha);

    const Awards* table_;
    uint32_t openedAt_;
    std::unique_ptr<AwardsAnimation> animation_;
    std::array<std::unique_ptr<MedalsPanel>, 2> medals_;
    uint32_t sound_ = 0;
    int32_t clearTop_;
    int32_t clearBottom_;
};

// Opens the awards window over the current profile (closing one already open).
AwardsWindow* OpenAwardsWindow(WindowManager& manager, const Awards& table, ProfileManager* profiles,
                               bool preview = false, int32_t clearTop = 0, int32_t clearBottom = 0);

// The preview's current values: an award a random part of 1.2 times its gold
// threshold, a goal of twice its target, the final award won (and not yet seen).
void PreviewAwardValues(const Awards& table, int32_t (&seen)[18], int32_t (&current)[18]);

// ---------------------------------------------------------------- bonus selection

// The bonuses window's editing of a selection.
class BonusChoice {
  public:
    // Copies the selection; an id outside 0..5 (a damaged profile) or a
    // repeated one counts as an empty place.
    explicit BonusChoice(const BonusSelection& from);
    // Chooses a bonus; with three chosen, the last chosen one makes room.
    void Select(int32_t id);
    // Removes a bonus; the later ones move forward.
    void Deselect(int32_t id);
    // A panel's click: deselects a chosen bonus, else selects it.
    void Toggle(int32_t id) { IsChosen(id) ? Deselect(id) : Select(id); }
    bool IsChosen(int32_t id) const { return id >= 0 && id < kBonusCount && chosen_[size_t(id)]; }
    const BonusSelection& Selection() const { return edited_; }

  private:
    BonusSelection edited_;
    std::array<bool, kBonusCount> chosen_{};
};

// The bonuses window's panel layout: panel n's top, and whether a separator
// line follows the last panel.
inline int32_t BonusPanelY(int32_t contentTop, int32_t n) {
    return contentTop + n * 47 + 5;
}
inline bool BonusSeparator(int32_t panels) {
    return panels >= 1 && panels <= 5;
}
