#pragma once
// The front end's part of the program: the main screen is kStateMainScreen and
// its scene ('MNSC') loads with the game data.

void RegisterFrontendScreens();
