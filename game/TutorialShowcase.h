#pragma once
#include <cstdint>

// The tutorial overlay on the screen after loading, until a level or the map
// starts tutorials: F8 starts a one-step tutorial whose arrow points at the
// click counter and whose hint box asks for a click; a click ends it. F8
// again ends a running one.

// True when the key was F8.
bool TutorialShowcaseKey(uint32_t virtualKey);
// Moves the tutorial on by a frame; deletes it once it has faded out.
void UpdateTutorialShowcase(uint32_t ms);
void CloseTutorialShowcase();
