#pragma once
// The level's pause menu and what its commands do: go on, quit after a
// confirmation, restart through the level window, leave for the map, the
// options and the awards. The level owns one LevelMenu; the windows it
// opens belong to the window manager.

#include "levelui/LevelWindows.h"

#include <functional>

struct LevelMenuHooks {
    uint32_t level = 0;
    LevelWindowsHost windows;              // for the restart window
    std::function<void()> closeMainWindow; // the application ends (saving level and profiles)
    std::function<void()> leaveLevel;      // play stops, back to the map
    // A screen fade (250 ms out, 250 ms in) calling its argument at the middle; empty: at once.
    std::function<void(std::function<void()>)> fade;
    std::function<void()> restartFromScratch; // the saved game goes, the level starts again
    std::function<void()> openOptions;        // the options window over the level
    std::function<void()> openAwards;         // the awards window over the level
};

class LevelMenu {
  public:
    // The manager outlives the menu.
    LevelMenu(WindowManager& manager, LevelMenuHooks hooks);
    // Opens the menu unless one is open and not closing; the new window or null.
    MenuWindow* Show(bool animate);
    // The click flags for a menu command.
    uint32_t OnMenuResult(uint32_t id);
    // The restart window's answer: 0 closes it (when it is still open), else
    // the fade and the restart.
    void OnRestartChoice(uint32_t go);

  private:
    static uint32_t OnQuitConfirmed(uintptr_t self, uintptr_t, uint32_t command);

    WindowManager& manager_;
    LevelMenuHooks hooks_;
};
