#pragma once
// The arithmetic of the front-end screens, kept apart from drawing: where
// the title scene, the title image and the menu go for a screen size, how
// the scene sways, breathes and steps its layers, the rows of the profiles
// list, the volume bars and the scrolling credits.

#include <cstdint>

// ---------------------------------------------------------------- scene

// The scene is authored in 1280 x 800 with its origin at the screen's centre.
struct SceneLayout {
    float scale = 1.0f;
    int32_t centreX = 0, centreY = 0;
};
SceneLayout ComputeSceneLayout(int32_t width, int32_t height);

// The x the menu and the title image are placed from.
int32_t MenuAnchorX(int32_t width, int32_t height, float sceneScale);
constexpr int32_t kMenuAnchorOffset = 141; // the menu's left edge from the anchor

// The title image (512 x 256 at scale 1) above the menu of height menuHeight.
struct TitleLayout {
    int32_t left = 0, top = 0, width = 0, height = 0;
    int32_t menuTop = 0; // the menu's top edge
};
TitleLayout ComputeTitleLayout(int32_t width, int32_t height, float sceneScale, int32_t menuHeight,
                               int32_t imageAdjustX);

// The slow sway and breathing zoom of the whole scene, and the whole ticks
// its layers step in.
class SceneMotion {
  public:
    static constexpr uint32_t kTick = 10;            // ms
    static constexpr uint32_t kMaxCarry = 5 * kTick; // the most the layers step in one frame
    static constexpr uint32_t kSwayPeriod = 10000;
    static constexpr uint32_t kZoomPeriod = 14000;
    static constexpr float kSwayReach = 50.0f;
    static constexpr float kZoomReach = 0.07f;

    void Reset() { *this = SceneMotion(); }
    // Advances by dt ms; answers the step the layers take now (0: none).
    uint32_t Update(uint32_t dt);

    float swayX = 0, swayY = 0, zoom = 0;
    float swayStartX = 0, swayStartY = 0, swayTargetX = 0, swayTargetY = 0;
    uint32_t swayPeriod = 0, swayElapsed = 0;
    float zoomStart = 0, zoomTarget = 0;
    uint32_t zoomPeriod = 0, zoomElapsed = 0;
    uint32_t total = 0, carried = 0;
};

// The ease of the sway, the zoom and the girl's swings: 0 at t = 0, 1 at t = 1.
float SwingEase(float t);

// ---------------------------------------------------------------- menu

// The top of menu button i (0 easy, 1 hard, 2 options, 3 quit) and its size.
constexpr int32_t kMenuButtonX = 16;
constexpr int32_t kMenuButtonWidth = 253;
constexpr int32_t MenuButtonY(int32_t columnTop, int32_t i) {
    return columnTop + 13 + 68 * i;
}

// ---------------------------------------------------------------- profiles list

constexpr int32_t kProfileRowStep = 47;
constexpr int32_t kProfileRowWidth = 371;
constexpr int32_t kProfileRowHeight = 48;
constexpr int32_t ProfileRowTop(int32_t listTop, int32_t row) {
    return listTop + 78 + kProfileRowStep * row;
}
constexpr int32_t ProfileScrollRange(int32_t rows) {
    return rows * kProfileRowStep + 71;
}
struct RowRange {
    int32_t first, last; // last < first: none
};
RowRange VisibleProfileRows(int32_t scroll, int32_t viewportHeight, int32_t rows);
// The scroll offset that shows the row, from the current one.
int32_t ScrollToProfileRow(int32_t scroll, int32_t page, int32_t row);

// ---------------------------------------------------------------- volume bars

// The filled part of a bar of the given width for a category's state.
int32_t SoundBarFill(bool on, float effectiveVolume, int32_t barWidth);
// The volume (0..100, unclamped) a click at x sets on a bar starting at left.
float SoundBarValueAt(int32_t x, int32_t left, int32_t barWidth);
constexpr uint32_t kSoundBarClickInterval = 150; // ms between the bar's click sounds
constexpr float kVolumeSwitchedOn = 33.0f;       // a category switched on at volume 0

// ---------------------------------------------------------------- credits

// The credits' scroll position: a list taller than kCreditsScrollLimit runs
// up through the 400-pixel view without end.
class CreditsScroll {
  public:
    static constexpr int32_t kView = 400;
    static constexpr int32_t kScrollLimit = 368;
    static constexpr int32_t kGap = 8;

    // total: the list's height.
    explicit CreditsScroll(int32_t total);
    bool Scrolling() const { return scrolling_; }
    int32_t Offset() const { return offset_; }
    int32_t Total() const { return total_; }
    // Moves by frameMs / 20 pixels (x 4 when fast); answers how far the list moved up.
    int32_t Step(uint32_t frameMs, bool fast);

  private:
    bool scrolling_;
    int32_t total_;
    int32_t offset_;
    float exact_;
};
