#pragma once
// The gui's medal icons and progress line, and the goal buttons, for the level windows. The gui's
// progress-line header and the profiles header both name the regimes, so
// the windows that read profiles reach these through here.

#include <cstdint>
#include <memory>

class Sprite;
class DXLViewer;
class GameControls;
class GameWindow;
class GameButton;
struct GoalRecord;
class ProgressLine;
class SpriteInstance;

// A grade's medal icon placed by its centre (the medal's own offset from the
// top-left corner at x, y); null without the sprite.
std::unique_ptr<SpriteInstance> MakeMedalIcon(int32_t grade, float x, float y);

struct ProgressLineDeleter {
    void operator()(ProgressLine* line) const;
};
using ProgressLinePtr = std::unique_ptr<ProgressLine, ProgressLineDeleter>;
// A progress line of a finish time against the limits (bronze, silver, gold)
// with the zones 153, 147 and 153 px wide at (x, y).
ProgressLinePtr MakeResultProgress(int32_t regime, const uint32_t (&limits)[3], int32_t x, int32_t y,
                                   uint32_t timeMs);
void DrawProgressLine(ProgressLine& line, DXLViewer& viewer);

// A goal's button in the level window's goals area (owned by the group),
// with the goal's picture (null: the kind's own or none) and, for a product
// goal, whether its product is made from ingredients (its caption's word).
GameButton* MakeLevelWindowGoal(GameWindow* window, GameControls* group, uint32_t index,
                                const GoalRecord& goal, int32_t x, int32_t y, int32_t width, int32_t progress,
                                Sprite* icon = nullptr, bool ingredients = false);
