#include "levelui/LevelMenu.h"

LevelMenu::LevelMenu(WindowManager& manager, LevelMenuHooks hooks)
    : manager_(manager), hooks_(std::move(hooks)) {}

MenuWindow* LevelMenu::Show(bool animate) {
    if (manager_.menuWindow && !manager_.menuWindow->closing) return nullptr;
    std::vector<uint32_t> ids;
    for (const MenuCommand& c : kLevelMenuCommands)
        ids.push_back(c.id);
    return manager_.Open<MenuWindow>(
        animate, [this](uint32_t id) { return OnMenuResult(id); }, ids);
}

uint32_t LevelMenu::OnMenuResult(uint32_t id) {
    const MenuDecision decision = DecideMenuResult(id);
    auto closeMenu = [this] {
        if (auto* menu = static_cast<MenuWindow*>(manager_.menuWindow)) menu->Close();
    };
    switch (decision.action) {
    case MenuAction::CloseMenu:
        closeMenu();
        break;
    case MenuAction::AskQuit:
        manager_.Open<DialogWindow>(DialogParams::Make(kDialogYes, kDialogNo, nullptr, nullptr), u"quit_c",
                                    u"quit", &LevelMenu::OnQuitConfirmed, reinterpret_cast<uintptr_t>(this),
                                    0);
        break;
    case MenuAction::OpenRestartWindow: {
        const LevelWindowMarks marks = TakeLevelWindowMarks(hooks_.windows);
        manager_.Open<LevelWindow>(
            hooks_.level, kLevelWindowFromMenu,
            [this](uint32_t result, uint32_t, uint32_t) { OnRestartChoice(result); }, hooks_.windows, marks);
        break;
    }
    case MenuAction::LeaveToMap:
        if (hooks_.leaveLevel) hooks_.leaveLevel();
        break;
    case MenuAction::OpenOptions:
        if (hooks_.openOptions) hooks_.openOptions();
        break;
    case MenuAction::OpenAwards:
        if (hooks_.openAwards) {
            closeMenu();
            hooks_.openAwards();
        }
        break;
    case MenuAction::None:
        break;
    }
    return decision.answer;
}

uint32_t LevelMenu::OnQuitConfirmed(uintptr_t self, uintptr_t, uint32_t command) {
    if (command != kDialogOk && command != kDialogYes) return 1;
    LevelMenu* menu = reinterpret_cast<LevelMenu*>(self);
    if (menu->hooks_.closeMainWindow) menu->hooks_.closeMainWindow();
    return 0;
}

void LevelMenu::OnRestartChoice(uint32_t go) {
    if (!go) {
        // The window may have gone already (the level closed its windows).
        if (auto* window = static_cast<LevelWindow*>(manager_.levelWindow)) window->Close();
        return;
    }
    auto restart = [this] {
        if (hooks_.restartFromScratch) hooks_.restartFromScratch();
    };
    if (hooks_.fade)
        hooks_.fade(restart);
    else
        restart();
}
