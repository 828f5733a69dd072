#pragma once
// The figures and decisions of the windows around a level, kept apart from
// drawing so that they can be checked alone: the pause menu's commands and
// their answers, the information page's rows, the level window's buttons,
// rows and goal columns, and the result window's reveal timeline.

#include "app/BonusKind.h"
#include "level/LevelTable.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// ---------------------------------------------------------------- pause menu

constexpr uint32_t kMenuContinue = 0x20000001;
constexpr uint32_t kMenuQuit = 0x20000002;
constexpr uint32_t kMenuRestart = 0x20000003;
constexpr uint32_t kMenuToMap = 0x20000004;
constexpr uint32_t kMenuOptions = 0x20000005;
constexpr uint32_t kMenuAwards = 0x20000006;
constexpr int32_t kMenuButtonX = 16, kMenuButtonTop = 94, kMenuButtonStep = 68, kMenuButtonWidth = 221;

struct MenuCommand {
    uint32_t id;
    const char16_t* key; // group "menu_window"
};
// The level's six commands in their order.
extern const std::array<MenuCommand, 6> kLevelMenuCommands;
// The key of a command id; null for an id without one (it adds no button).
const char16_t* MenuCommandKey(uint32_t id);
constexpr int32_t MenuButtonY(int32_t n) {
    return kMenuButtonTop + kMenuButtonStep * n;
}

// What the level panel does with a menu result, and the click answer.
enum class MenuAction { None, CloseMenu, AskQuit, OpenRestartWindow, LeaveToMap, OpenOptions, OpenAwards };
struct MenuDecision {
    MenuAction action;
    uint32_t answer;
};
MenuDecision DecideMenuResult(uint32_t id);

// ---------------------------------------------------------------- information page

enum InfoRowKind : uint32_t {
    kInfoPictureRow = 0,
    kInfoLineRow = 1,
    kInfoSeparator16 = 2,
    kInfoSeparator4 = 3
};
enum InfoObjectKind : uint32_t { kInfoOwnText = 0, kInfoPlant = 1, kInfoBuilding = 2, kInfoBonus = 3 };

constexpr int32_t kInfoMarginLeft = 26, kInfoMarginTop = 24, kInfoMarginRight = 26, kInfoMarginBottom = 29;
constexpr int32_t kInfoInnerWidth = 628;
constexpr int32_t kInfoWidth = kInfoMarginLeft + kInfoInnerWidth + kInfoMarginRight;
constexpr int32_t kInfoLevelBoxWidth = 70;
constexpr int32_t kInfoPictureStripWidth = 404, kInfoLineStripWidth = 292;
constexpr uint32_t kInfoCloseCommand = 0x13870000;
constexpr int32_t kInfoCloseWidth = 26, kInfoCloseHeight = 27; // one of the strip's three state frames
constexpr uint32_t kInfoShowDelay = 300;

int32_t InfoRowHeight(uint32_t rowKind);
struct InfoPageLayout {
    int32_t width = kInfoWidth;
    int32_t height = 0;
    std::vector<int32_t> rowTops;
};
InfoPageLayout LayoutInfoPage(const std::vector<InfoEntry>& entries);
// A header strip's width: the level box adds 70 px when there is a level and it is wanted.
int32_t InfoStripWidth(int32_t width, int32_t level, bool withLevelBox);
// The page's centred place (never above 0; 20 px higher unless that is above 20).
void InfoPagePosition(int32_t screenW, int32_t screenH, int32_t w, int32_t h, int32_t* x, int32_t* y);
// The close button's left edge in a page of the given width.
constexpr int32_t InfoCloseX(int32_t width) {
    return width - 31;
}

// ---------------------------------------------------------------- level window

constexpr uint32_t kLevelWindowCancel = 0x35000000;
constexpr uint32_t kLevelWindowPlay = 0x35000001;
constexpr uint32_t kLevelWindowRestart = 0x35000002;
constexpr uint32_t kLevelWindowContinue = 0x35000004;
constexpr uint32_t kLevelWindowBonusSlot = 0x35000010;
constexpr uint32_t kLevelWindowSelectBonuses = 0x35000020;
constexpr int32_t kLevelWindowWidth = 600;
constexpr int32_t kMedalStripHeight = 105;
constexpr uint32_t kLevelWindowTimeColour = 0xFFFFFF8B, kLevelWindowNoTimeColour = 0xFFB28A69;

// Where the level window was opened from.
enum LevelWindowMode : uint32_t {
    kLevelWindowGameOver = 0,
    kLevelWindowFromMenu = 1,
    kLevelWindowFromMap = 2
};
constexpr bool ContinueOffered(uint32_t mode, bool savedGame) {
    return mode == kLevelWindowFromMap && savedGame;
}
// The bottom row's commands, left to right.
std::vector<uint32_t> LevelWindowButtons(uint32_t mode, bool savedGame);
// Enter: continues when continue is offered, else plays afresh.
enum class LevelWindowGo { Cancel, PlayAfresh, Continue, ConfirmRestart, SelectBonuses, Nothing };
LevelWindowGo LevelWindowKey(uint32_t key, uint32_t mode, bool savedGame);
LevelWindowGo LevelWindowCommand(uint32_t command, uint32_t mode, bool savedGame);

// The medal-time rows' y (relative to the strip top): 2 rows 40 apart in
// the easy regime, 3 rows 32 apart in the hard one, centred on 53.
std::vector<int32_t> MedalRowOffsets(uint32_t regime);
struct GoalColumn {
    int32_t x, width;
};
// Goal i of count across the window (width - 29), each end rounded to the nearest pixel.
std::vector<GoalColumn> GoalColumns(uint32_t count, int32_t windowWidth = kLevelWindowWidth);
constexpr int32_t kGoalTopOffset = 38;

// A bonus id from the profile, or -1 when it is outside the six bonuses.
constexpr int32_t CheckedBonusId(int64_t id) {
    return id >= 0 && id < kBonusCount ? int32_t(id) : -1;
}
// The same bonuses in any order.
bool SameBonuses(const BonusSelection& a, const BonusSelection& b);
// Takes the newly earned bonus out of the regime's word 0 (top byte: id + 1):
// the byte is cleared; the id (or -1) stays only with the tutorial option on.
int32_t TakeNewBonus(uint32_t* word0, bool tutorialOn);

// ---------------------------------------------------------------- result window

constexpr uint32_t kResultWindowOk = 0xCA000001;
constexpr int32_t kResultWidth = 488;
constexpr uint32_t kResultTimeColour = 0xFFFFFF8B, kResultNoTimeColour = 0xFFB0B0B0;
constexpr uint32_t kMarkFrameMs = 50;
constexpr int32_t ResultColumnX(int32_t column) {
    return 45 + 147 * column;
}
constexpr int32_t kResultColumnTop = 49;
// Column 0 (bronze) only in the hard regime.
constexpr bool ResultColumnShown(int32_t column, uint32_t regime) {
    return column > 0 || regime == 1;
}
// A tick when the grade reached the column's medal (kGradeBronze, kGradeSilver, kGradeGold).
constexpr bool ResultColumnTicked(int32_t column, uint32_t grade) {
    return int64_t(grade) >= column + 4;
}

// The reveal's timeline on the game clock: each part starts at a moment
// and runs for a duration; a finished reveal shows everything.
class ResultReveal {
  public:
    // Starts the reveal at now + delay.
    void Start(uint32_t now, uint32_t delay, bool newRecord);
    // Ends it at once: with final every effect goes; otherwise the medal's
    // drop plays again 250 ms on, but only the first time.
    void Finish(uint32_t now, bool final);
    bool Animating(uint32_t now) const;

    // A column's mark: shown once its wait ends, and its frame (50 ms each, held at the last).
    bool MarkShown(int32_t column, uint32_t now) const;
    uint32_t MarkFrame(int32_t column, uint32_t now, uint32_t frames) const;
    // The record row (fades out when beaten) and the new-record row.
    float RecordAlpha(uint32_t now) const;
    float RecordScale(uint32_t now) const;
    bool NewRecordShown(uint32_t now) const;
    float NewRecordScale(uint32_t now) const;
    float NewRecordAlpha(uint32_t now) const;
    // The "before" icon fades out as the medal drops.
    float BeforeAlpha(uint32_t now) const;
    bool MedalShown(uint32_t now) const;
    float MedalScale(uint32_t now) const;
    float MedalAlpha(uint32_t now) const;
    int64_t MedalStart() const { return medal_; }
    int64_t MarkStart(int32_t column) const { return marks_[size_t(column)]; }
    int64_t RecordStart() const { return record_; }

  private:
    bool newRecord_ = false;
    std::array<int64_t, 3> marks_{-1, -1, -1};
    int64_t record_ = -1; // the record row's fade; the new row grows 200 ms later
    int64_t before_ = -1;
    int64_t medal_ = -1;
    bool finished_ = false; // every effect but maybe the medal's replay is over
    bool replayed_ = false;
};
