#pragma once
// The front end's part of the program: the main screen is kStateMainScreen and
// its scene ('MNSC') loads with the game data.

#include <functional>

void RegisterFrontendScreens();

// The players' list: before runs before the current player is deleted,
// chosen after another player became current.
void OpenPlayersWindow(std::function<void()> before, std::function<void()> chosen);
