#pragma once
#include <cstdint>

// The profiles on the showcase screen: a panel window on the right with an edit field for
// a new name (Enter creates the profile), the profiles listed newest first
// with the current one marked (a click makes a profile current), and the
// Delete key deleting the current profile. A name the store refuses shows
// the error's text in the panel. The window manager owns the panel; these
// find it there.

// F3 on the screen opens the panel and closes it again; true when the key was F3.
bool ProfilesPanelKey(uint32_t virtualKey);
// Opens the panel in the window manager (nothing without one or without a
// profile store) and closes it.
void OpenProfilesPanel();
void CloseProfilesPanel();
