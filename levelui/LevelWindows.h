#pragma once
// The windows around a level: the pause menu, the page introducing a
// level's new things, the level window that starts, restarts or continues
// a level, and the result window revealing time, medal and record after a
// win. The window manager owns each of them (they are windows of its
// stack); each sets its single-window pointer in the manager and clears it
// when it goes. What they need of the level and the profile comes through
// LevelWindowsHost, so that they run without a level.

#include "app/Profiles.h"
#include "foundation/OptionalHook.h"
#include "gui/SpritesWindow.h"
#include "level/LevelTable.h"
#include "levelui/LevelWindowsModel.h"
#include "levelui/MedalPieces.h"

#include <functional>
#include <memory>
#include <vector>

class Profile;
class Sprite;
class SpriteInstance;
struct BONUS;

constexpr uint32_t kMenuWindowTag = 0x4D656E75;   // 'Menu'
constexpr uint32_t kInfoWindowTag = 0x496E666F;   // 'Info'
constexpr uint32_t kLevelWindowTag = 0x4C764966;  // 'LvIf'
constexpr uint32_t kResultWindowTag = 0x4C765274; // 'LvRt'

// ---------------------------------------------------------------- pause menu

// Answers the click flags for a command id.
using MenuCallback = std::function<uint32_t(uint32_t command)>;

class MenuWindow : public SpritesWindow {
  public:
    // One list button per command id that has a key, in the given order.
    MenuWindow(WindowManager& manager, bool animate, MenuCallback callback, const std::vector<uint32_t>& ids);
    ~MenuWindow() override;
    bool OnKeyDown(uint32_t key, uint32_t flags) override;
    uint32_t OnButtonClick(GameButton* button) override;
    void Close() override;
    // Centred, but below the level's money strip whenever it fits there.
    void GetCenteredPosition(int32_t* x, int32_t* y) const override;
    const std::vector<ImageButton*>& Buttons() const { return buttons_; }

  private:
    MenuCallback callback_;
    std::vector<ImageButton*> buttons_; // in the own group
};

// ---------------------------------------------------------------- information page

// What a header strip of the information page shows of its entry's object:
// the icon, the name and the highest level the level allows (0: none).
struct InfoObject {
    Sprite* icon = nullptr; // owned by its sprite library; null: none
    int32_t frame = 0;      // the icon's frame to show
    std::u16string name;
    int32_t level = 0;
};
// Describes an entry's object; false leaves the entry's strip out (a plant
// or building type the tables lack or the level does not allow, a bonus
// the table lacks).
using InfoObjectSource = std::function<bool(const InfoEntry& entry, InfoObject* out)>;
// The game's own source: an own-text entry names its icon and its text key
// of "info_panel"; a plant, building type or bonus comes from the farm's
// tables and the bonus table, with the highest stage or level the current
// level allows, named in the language's "plants", "buildings" or "bonuses".
bool DescribeInfoObject(const WindowManager& manager, const InfoEntry& entry, InfoObject* out);

class InfoWindow : public SpritesWindow {
  public:
    // The level decides where a click still reaches its own buttons (the
    // panel's menu and close-tutorial buttons); null: nowhere.
    using PassThrough = std::function<bool(int32_t x, int32_t y)>;
    // The real-time clock the slide-in runs on (ms); null: the game clock.
    using RealClock = std::function<uint32_t()>;
    // objects null: DescribeInfoObject.
    InfoWindow(WindowManager& manager, std::vector<InfoEntry> entries, PassThrough passThrough = {},
               RealClock realClock = {}, InfoObjectSource objects = {});
    ~InfoWindow() override;
    void GetCenteredPosition(int32_t* x, int32_t* y) const override;
    bool HitTest(int32_t x, int32_t y) const override;
    bool OnMouseDown(int32_t x, int32_t y, uint32_t button) override;
    bool OnMouseUp(int32_t x, int32_t y, uint32_t button) override;
    bool OnKeyDown(uint32_t key, uint32_t flags) override;
    uint32_t OnButtonClick(GameButton* button) override;
    void Draw(DXLViewer& viewer) override;
    void DrawChildren(DXLViewer& viewer) override;
    const InfoPageLayout& Layout() const { return layout_; }
    ImageButton* CloseButton() const { return close_; }
    // A header strip as built: its rectangle (window pixels) and its level (0: no level box).
    struct Strip {
        kis::Rect rect;
        int32_t level;
    };
    const std::vector<Strip>& Strips() const { return strips_; }
    // The texts as placed: names, level boxes and bodies, in the page's order.
    // x and y are the text's corner, or its middle on an axis it is centred on;
    // a centred body moves up by half its height, at most half of its limit.
    struct Text {
        float x, y;
        uint32_t colour;
        SkinText text;
        bool centreX = false, centreY = false;
        int32_t heightLimit = 0; // 0: none
        kis::Vector2 Corner();
    };
    std::vector<Text>& Texts() { return texts_; }
    // The strips' icons as placed: their middle and the instance.
    const std::vector<std::pair<kis::Vector2, std::unique_ptr<SpriteInstance>>>& Icons() const {
        return icons_;
    }

  private:
    // The strip's final width; nothing is added when the object is left out.
    int32_t AddStrip(const InfoEntry& e, int32_t x, int32_t y, int32_t width, bool levelBox, int32_t nameX);
    void AddBody(int32_t x, int32_t y, int32_t width, int32_t lines, bool centred, const InfoEntry& e);
    void AddName(const std::u16string& text, float x, float middle);

    std::vector<InfoEntry> entries_;
    InfoObjectSource objects_;
    std::vector<Strip> strips_;
    InfoPageLayout layout_;
    PassThrough passThrough_;
    RealClock realClock_;
    uint32_t realStart_ = 0, gameStart_ = 0;
    uint32_t realNow_ = 0; // the effects' clock while the real one is used
    bool pressed_ = false;
    SkinQuads frame_{}; // the page's panel
    WindowSprites content_;
    std::vector<Text> texts_;
    std::vector<std::pair<kis::Vector2, std::unique_ptr<SpriteInstance>>> icons_;
    std::vector<std::pair<kis::Vector2, std::unique_ptr<SpriteInstance>>> pictures_;
    ImageButton* close_ = nullptr; // in the own group
};

// ---------------------------------------------------------------- level window

// What the level window and the result window read and do beyond the window
// manager: the profile, the level's saved game, and the level's commands.
struct LevelWindowsHost {
    Profile* profile = nullptr; // the current profile (owned by the profile manager), null: none
    // The level title; the level's regime block; whether the level's saved game exists.
    std::function<std::u16string(uint32_t level)> title;
    std::function<bool(uint32_t level, uint32_t regime, RegimeBlock* out)> regimeBlock;
    std::function<bool(uint32_t level)> hasSavedGame;
    // The level's sites to clear (empty sites with garbage) for its garbage goals.
    std::function<int32_t(uint32_t level)> garbageSites;
    // A bonus's icon (owned by its sprite library); null: none.
    std::function<Sprite*(int32_t bonus)> bonusIcon;
    // A bonus's record in the bonus table (its title and description keys); null: none.
    std::function<const BONUS*(int32_t bonus)> bonusRecord;
    // A product, plant or building goal's picture (owned by its sprite
    // library); empty or null: the goal shows none.
    std::function<Sprite*(const GoalRecord& goal)> goalIcon;
    // Whether a product goal's product is made from ingredients.
    std::function<bool(const GoalRecord& goal)> goalHasIngredients;
    // Saves the profiles after a change.
    std::function<void()> saveProfiles;
    // The level leaves for the map (the result window's ok, Escape, Enter).
    // Empty over the map: there is no level to leave, and only the level
    // opens the result window.
    OptionalHook<void()> leaveLevel;
    // Opens the bonuses window on a copy of the selection; applied gets the
    // edited one. Empty: the select button does nothing.
    std::function<void(const BonusSelection& selection, std::function<void(const BonusSelection&)> applied)>
        selectBonuses;
};

// One of the level window's three bonus slots: a face of the "bonus_slot"
// sprite (the first slot has its own), the bonus's icon in its middle and a
// hint with the bonus's title over its description. An empty slot is hidden.
// Its clicks mean nothing to the window, and it makes no click sound. A
// slot's place in the row (0 the first) is not the bonus it shows: the
// player's chosen bonuses fill the row in the order they were chosen.
class LevelWindowBonus : public ImageButton {
  public:
    LevelWindowBonus(GameWindow* window, GameControls* group, int32_t place);
    // Nothing when the id is the one shown; -1 empties the slot and drops its hint.
    void SetBonus(int32_t id, Sprite* icon, const BONUS* record);
    int32_t Bonus() const { return bonus_; }
    const BONUS* Record() const { return record_; }
    void Draw(DXLViewer& viewer, float alpha) override;
    BaseHintWindow* GetHintWindow() override;
    const std::u16string& HintCaption() const { return hintCaption_; }
    const std::u16string& HintBody() const { return hintBody_; }

  private:
    // No bonus has this id: the first SetBonus always applies.
    static constexpr int32_t kNoneShown = 6;
    int32_t bonus_ = kNoneShown;
    const BONUS* record_ = nullptr; // in the bonus table, which outlives the window
};

// result 1 go, 0 cancel; restart 1 afresh, 0 the saved game.
using LevelWindowCallback = std::function<void(uint32_t result, uint32_t level, uint32_t restart)>;

// What opening a level window uses up in the profile: the newly earned
// bonus mark (-1 none, or none to show with the tutorials off) and, the
// first time more than three bonuses are owned, the hint at the bonuses
// button (with the tutorials on).
struct LevelWindowMarks {
    int32_t newBonus = -1;
    bool selectionHint = false;
};
// Takes the marks from the host's profile and saves the profiles after each
// change; whoever opens the level window calls it and hands the marks over.
LevelWindowMarks TakeLevelWindowMarks(const LevelWindowsHost& host);

class LevelWindow : public SpritesWindow {
  public:
    LevelWindow(WindowManager& manager, uint32_t level, uint32_t mode, LevelWindowCallback callback,
                LevelWindowsHost host, LevelWindowMarks marks = {}, const char16_t* playKey = nullptr,
                const char16_t* cancelKey = nullptr);
    ~LevelWindow() override;
    bool OnKeyDown(uint32_t key, uint32_t flags) override;
    uint32_t OnButtonClick(GameButton* button) override;
    void DrawChildren(DXLViewer& viewer) override;

    void Play(uint32_t restart);
    // Writes the window's selection into the profile when it differs as a set.
    bool StoreBonusSelection();
    // The slot ids shown (-1 none).
    std::array<int32_t, kChosenBonusLimit> ShownBonuses() const;
    // The three slots (null without owned bonuses).
    LevelWindowBonus* BonusSlot(int32_t i) const { return slotButtons_[size_t(i)]; }
    // Shows the selection's bonuses in the three slots (after the bonuses window changed it).
    void ShowBonuses();
    BonusSelection& Selection() { return selection_; }
    const std::vector<ImageButton*>& BottomButtons() const { return bottomRow_; }
    int32_t MedalStripTop() const { return stripTop_; }
    const std::vector<int32_t>& MedalRowYs() const { return rowYs_; }
    const std::vector<GoalColumn>& Goals() const { return goals_; }
    const std::vector<GameButton*>& GoalButtons() const { return goalButtons_; }
    int32_t OwnedBonuses() const { return owned_; }
    bool HasSelectButton() const { return select_ != nullptr; }
    int32_t NewBonus() const { return newBonus_; }
    // This opening asked for the hint at the bonuses button (its first with more than three owned).
    bool SelectionHint() const { return selectionHint_; }
    // The data a bonus slot's button carries: its bonus id + 1 (0: the slot is empty).
    static uintptr_t BonusSlotData(int32_t bonus) { return bonus >= 0 ? uintptr_t(bonus) + 1 : 0; }
    uint32_t RecordColour() const { return record_.colour; }

  private:
    // The restart dialog's answer (user1: the window manager).
    static uint32_t OnRestartConfirmed(uintptr_t manager, uintptr_t, uint32_t command);

    struct TimeRow {
        std::unique_ptr<SpriteInstance> icon;
        SkinText text;
        float x = 0, y = 0;
        uint32_t colour = 0;
    };
    void MakeRow(TimeRow& row, const char16_t* sprite, uint32_t ms, float x, float y, bool centre);
    void DrawRow(DXLViewer& viewer, TimeRow& row);
    // The construction's steps, in order: the regime, owned bonuses and
    // selection (the regime's progress, null without a profile); the frames
    // from the content top down; the medal strip; the bottom row; the goals;
    // the bonus slots and the select button.
    const RegimeProgress* ReadProfile();
    void MakeFrames(int32_t top);
    void MakeMedalRows(const LevelProgress& best);
    void MakeBottomRow(const char16_t* playKey, const char16_t* cancelKey);
    void MakeGoals(int32_t top);
    void MakeBonusSlots(bool selectionHint);

    uint32_t level_, mode_, regime_ = 0;
    LevelWindowCallback callback_;
    LevelWindowsHost host_;
    RegimeBlock block_{};
    bool continue_ = false;
    int32_t stripTop_ = 0;
    std::vector<int32_t> rowYs_;
    std::vector<GoalColumn> goals_;
    std::vector<GameButton*> goalButtons_; // in the own group
    std::vector<TimeRow> rows_;
    TimeRow record_;
    std::unique_ptr<SpriteInstance> medal_;
    SkinText recordText_, tasksText_;
    BonusSelection selection_;
    int32_t owned_ = 0;
    int32_t newBonus_ = -1;
    bool selectionHint_ = false;
    std::array<LevelWindowBonus*, kChosenBonusLimit> slotButtons_{}; // in the own group
    ImageButton* select_ = nullptr;                                  // in the own group
    int32_t bonusX_ = 0, bonusY_ = 0;
};

// ---------------------------------------------------------------- result window

class LevelResultWindow : public SpritesWindow {
  public:
    LevelResultWindow(WindowManager& manager, const LevelResult& result, LevelWindowsHost host);
    ~LevelResultWindow() override;
    bool OnMouseDown(int32_t x, int32_t y, uint32_t button) override;
    bool OnMouseDblClick(int32_t x, int32_t y) override;
    bool OnKeyDown(uint32_t key, uint32_t flags) override;
    uint32_t OnButtonClick(GameButton* button) override;
    void DrawChildren(DXLViewer& viewer) override;
    void StartReveal(uint32_t delay);
    void FinishReveal(bool final);
    const ResultReveal& Reveal() const { return reveal_; }
    const LevelResult& Result() const { return result_; }
    // The player's time as the window shows it.
    const std::u16string& TimeText() const { return yourTime_.time.Text(); }

  private:
    struct Row {
        SkinText label, time;
        uint32_t colour = 0;
        float x = 0, y = 0;
    };
    void MakeRow(Row& row, const char16_t* key, uint32_t ms, float x, float y);
    void DrawRow(DXLViewer& viewer, Row& row, float alpha, float scale);

    LevelResult result_;
    LevelWindowsHost host_;
    ResultReveal reveal_;
    ProgressLinePtr progress_;
    std::unique_ptr<SpriteInstance> clock_, before_, medal_;
    std::unique_ptr<SpriteInstance> plate_; // the easy regime's sign in the bronze time's place
    std::array<std::unique_ptr<SpriteInstance>, 3> marks_;
    std::array<Row, 3> columns_;
    Row yourTime_, record_, newRecord_;
    bool left_ = false;
};
