#include "levelui/MedalPieces.h"

#include "gui/ProgressLine.h"
#include "levelui/PanelDisplays.h"
#include "sprites/Sprite.h"

std::unique_ptr<SpriteInstance> MakeMedalIcon(int32_t grade, float x, float y) {
    kis::Vector2 at{x, y};
    auto medal = GetMedalSprite(grade, &at);
    if (medal) medal->originX = medal->originY = 0.5f;
    return medal;
}

void ProgressLineDeleter::operator()(ProgressLine* line) const {
    delete line;
}

ProgressLinePtr MakeResultProgress(int32_t regime, const uint32_t (&limits)[3], int32_t x, int32_t y,
                                   uint32_t timeMs) {
    ProgressLinePtr line(new ProgressLine());
    line->Init(regime, limits[0], limits[1], limits[2], 153, 147, 153, x, y);
    line->SetValue(timeMs);
    return line;
}

void DrawProgressLine(ProgressLine& line, DXLViewer& viewer) {
    line.Draw(viewer);
}

GameButton* MakeLevelWindowGoal(GameWindow* window, GameControls* group, uint32_t index,
                                const GoalRecord& goal, int32_t x, int32_t y, int32_t width, int32_t progress,
                                Sprite* icon, bool ingredients) {
    (void)window; // the group makes the button for its window
    TaskButton* button =
        group->Make<TaskButton>(nullptr, index, goal, TaskButton::kModeLevelWindow, ingredients);
    button->SetIcon(icon);
    button->SetRect(x, y, width);
    button->SetProgress(progress, false);
    return button;
}
