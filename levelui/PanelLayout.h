#pragma once
// The level panel's geometry and its small rules, kept apart from the windows
// so that the figures can be checked without a screen: the blocks of the
// bottom bar, the goal buttons' split, the bonus row, the close-tutorial
// button, the time bar's zones and warning, the button parts, the level
// marks, the pulsing "click to start" text, the empty panel's rows and the
// goal buttons' progress text.

#include "foundation/Helpers.h"

#include <array>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

constexpr int32_t kPanelHeight = 115;
constexpr int32_t kPanelMinWidth = 800;
constexpr int32_t kPanelMaxContent = 900;
constexpr int32_t kGoalsBlockWidth = 279;
constexpr int32_t kWarehouseBlockWidth = 101;
constexpr int32_t kChildPanelHeight = 91;
constexpr int32_t kMenuCornerHeight = 31;
constexpr int32_t kMoneyStripWidth = 570;
constexpr int32_t kMoneyStripHeight = 47;
// The gap a centred window keeps below the money strip when it can.
constexpr int32_t kBelowMoneyStrip = 8;
constexpr int32_t kTaskButtonHeight = 108;
constexpr int32_t kGoalButtonTop = 4; // the goal buttons' top in the panel
constexpr int32_t kBonusRowOffset = -56;
constexpr int32_t kBonusOverlap = 2;
constexpr int32_t kMinTimeZone = 41;
constexpr uint32_t kMaxMarks = 3;
constexpr uint32_t kMaxButtonParts = 10;

// The bottom bar's blocks for a screen size.
struct PanelLayout {
    int32_t contentWidth; // the screen width, at least 800
    int32_t goalsLeft, goalsWidth;
    int32_t childLeft, childWidth;
    int32_t warehouseLeft;
    int32_t padLeft, padRight; // beyond 900 px of content
    kis::Rect panel;           // screen
};
PanelLayout ComputePanelLayout(int32_t screenWidth, int32_t screenHeight);

// The goal buttons across the goals block: x and width of each (at most 3),
// neighbours overlapping by one pixel.
struct Span {
    int32_t x, width;
};
std::vector<Span> LayoutGoalSpans(int32_t goalsLeft, int32_t goalsWidth, uint32_t count);

// The x of each bonus button in a row centred on the screen; neighbours
// overlap by 2 px. Empty when the row has no width.
std::vector<int32_t> LayoutBonusRow(int32_t screenWidth, const std::vector<int32_t>& widths);

// The close-tutorial button's screen position: (3, 3) unless its right edge
// would come nearer than 2 px to the money strip's left edge; then below the
// strip at the screen's right edge, under the menu button, where it hides
// nothing of the warehouse (which every level has at the field's top left).
struct PanelPoint {
    int32_t x, y;
};
PanelPoint PlaceTutorialButton(int32_t buttonWidth, int32_t moneyStripLeft, int32_t screenWidth);

// The time bar's zones left to right (bronze, silver, gold) for the child
// area's width. Times that are not 0 < gold < silver (< bronze in the hard
// regime) give equal zones.
std::array<int32_t, 3> TimeBarZones(uint32_t regime, uint32_t bronzeMs, uint32_t silverMs, uint32_t goldMs,
                                    int32_t childWidth);
// Whether the medal times order the zones (see TimeBarZones).
bool AreMedalTimesOrdered(uint32_t regime, uint32_t bronzeMs, uint32_t silverMs, uint32_t goldMs);

// The time left before the next medal is lost at the grade; false when none
// can be lost any more.
bool TimeToNextLoss(uint32_t regime, uint32_t grade, uint32_t bronzeMs, uint32_t silverMs, uint32_t goldMs,
                    uint32_t levelMs, int64_t* left);
// Whether the ticking warning sounds.
bool TimeBarWarning(uint32_t regime, uint32_t grade, bool hasLeft, int64_t leftMs, bool animate, bool playing,
                    bool levelOver);
// The medal icons' x in the bar for the zones.
std::array<int32_t, 3> TimeBarIconX(const std::array<int32_t, 3>& zones);

// How a red cross looks the time after it was stamped over a lost medal: its
// alpha goes from 0.25 to 1 in 100 ms, its scale from 3 to 1 in 200 ms.
struct CrossStampLook {
    float alpha, scale;
};
CrossStampLook CrossStampAt(uint32_t elapsedMs);

// Parts of a length: each starts where the one before ends. At most 10
// parts; a negative count taken as unsigned gives 10.
struct ButtonParts {
    int32_t length = 0;
    uint32_t count = 0;
    std::array<Span, kMaxButtonParts> parts{};
};
void SplitIntoParts(ButtonParts* record, int32_t length, int32_t count);

// The level marks of a level block: count - 1 marks (at most 3), offsets
// from (width / 2 - 10, 50); mark n (from 1) is lit below the stage.
struct LevelMark {
    int32_t dx, dy;
    bool lit;
};
std::vector<LevelMark> LevelBlockMarks(uint32_t levelCount, uint32_t stage);

// The "click to start" text's scale at the panel clock (1.5 to 1.7, 1,200 ms).
float ClickToStartScale(uint32_t clockMs);
// Its alpha: fading in over 500 ms from fadeIn, fading out over 200 ms from
// fadeOut (-1: none); below 0 the text is gone.
float ClickToStartAlpha(uint32_t clockMs, int64_t fadeIn, int64_t fadeOut);

// The empty panel's medal rows: gold, silver (and bronze in the hard regime).
struct MedalRows {
    uint32_t count;
    std::array<int32_t, 3> y;
};
MedalRows EmptyPanelRows(uint32_t regime);
constexpr int32_t kEmptyPanelClockY = 62;
constexpr int32_t kEmptyPanelCaptionY = 30;
// The left column's centre; the right one is the width minus it.
int32_t EmptyPanelLeftColumn(int32_t width);

// A goal button's shown text for a value in the level panel.
struct GoalText {
    std::u16string text; // with the met colour as markup
    bool met;
    int32_t shown; // the value the text shows
};
// A goal's progress text: its scale, its shadow and the dark outline that
// keeps its light face readable on the frame.
constexpr float kProgressScale = 1.5f;
constexpr float kProgressY = 83.0f; // its middle in the button
constexpr int32_t kGoalFont = 3;    // the captions', targets' and progress's font
constexpr float kProgressRim = 1.0f;
constexpr uint32_t kProgressRimColour = 0xFF2A1A0C;
constexpr uint32_t kProgressShadowColour = 0xA0000000;
// kind: the goal kind; slash: the target follows "/".
GoalText GoalProgressText(uint32_t kind, uint32_t target, int32_t value, bool slash);
// The last value a goal button starts from: no goal shows it, so the first
// progress always writes its text.
constexpr int32_t kNoGoalValue = INT32_MIN;

// A bonus button's display state from its slot: 1 ready, 2 recharging, 3 running.
uint32_t BonusDisplayState(bool running, bool ready);
// The recharge split line for a fraction (0 none; the button height minus
// 6 scaled, plus 3), and the alpha of the blended row above it.
struct RechargeSplit {
    bool none, whole;
    int32_t line;
    int32_t alpha;
};
RechargeSplit RechargeSplitLine(int32_t buttonHeight, float fraction);
// The rows of an icon that stand above a split line: the line less the
// icon's top, held to the icon's height.
int32_t IconRowsAbove(int32_t line, int32_t iconTop, int32_t iconHeight);
// The running line's indicator for a fraction: its whole pixels, and the
// alpha (0-255) of the one pixel after them.
struct RunLineLength {
    int32_t whole;
    int32_t alpha;
};
RunLineLength RunLineIndicator(int32_t room, float fraction);
// The running line's look while its effect runs: t ms after a bonus began
// running (growing) or stopped (shrinking). The line grows from half size
// to whole in 130 ms, fading in over the first 65; it shrinks from whole to
// half and fades out in 65 ms. done: the effect is over.
struct RunLineLook {
    float scale, alpha;
    bool done;
};
RunLineLook RunLineEffect(bool growing, uint32_t t);
// The flash of a bonus that is ready again: the colour added to its icon
// and frame, black to 0x808080 in 200 ms, held 100 ms, back in 200 ms;
// 0 once over.
uint32_t BonusFlashColour(uint32_t t);
