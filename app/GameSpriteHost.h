#pragma once
// The shell's side of the sprites subsystem: the clocks its effects run on,
// and the callback slots a full-screen game effect takes over. A state
// change while an effect runs (a screen fade's mid-point) installs the new
// state's callbacks underneath: the effect keeps its slots, and when it ends
// the new state's callbacks come back, not the old state's.

// Installs the host (start-up) and removes it (shut-down, after the game
// effect is gone).
void InstallGameSpriteHost();
void RemoveGameSpriteHost();
