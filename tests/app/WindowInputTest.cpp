// The shell's input reaches the game's windows before the screen below
// them, except while a full-screen game effect holds that input.
#include "app/WindowInput.h"
#include "app/GameStates.h"
#include "engine/InputManager.h"
#include "gui/Window.h"
#include "sprites/GameEffect.h"

#include <gtest/gtest.h>

namespace {

class Panel : public GameWindow {
  public:
    explicit Panel(WindowManager& m) : GameWindow(m, MakeWindowTag('P', 'a', 'n', 'l'), false) {
        rect = kis::MakeRectWH(100, 100, 200, 100);
    }
};

TEST(WindowInput, WindowsTakeWhatFallsOnThemUnlessAnEffectHoldsTheInput) {
    EXPECT_FALSE(WindowsTakeMouseDown(150, 150, kMouseLeft)); // no manager installed
    WindowManager manager(nullptr, nullptr);
    SetWindowManager(&manager);
    manager.Open<Panel>();
    struct Case {
        const char* name;
        uint32_t effectMask; // 0: no effect
        int32_t x;
        bool taken;
    };
    const Case cases[] = {
        {"on the window", 0, 150, true},
        {"beside it", 0, 50, false},
        {"an effect that takes the mouse", kCallbackMouse, 150, false},
        {"an effect that takes only keys", kCallbackKeys, 150, true},
    };
    for (const Case& c : cases) {
        if (c.effectMask)
            StartGameEffect(std::make_unique<GameEffect>(GameEffect::kGameClock, 1000, c.effectMask));
        EXPECT_EQ(WindowsTakeMouseDown(c.x, 150, kMouseLeft), c.taken) << c.name;
        EXPECT_EQ(WindowsTakeMouseUp(c.x, 150, kMouseLeft), c.taken) << c.name;
        StartGameEffect(nullptr);
    }
    SetWindowManager(nullptr);
}

} // namespace
