#pragma once
// The awards window in the program: opened over the current profile from the
// map's awards button.

// Opens the awards window when the window manager and the award table are there.
void OpenProgramAwards();
