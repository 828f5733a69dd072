#pragma once
// The level-select map in the program: the 'MAPM' loading stage (after the
// level table, whose cells it places the markers on), kStateMap's screen,
// and the map's part in storing a level result.

void RegisterMapScreen();

// The map's hooks into the program: the level window, the tutorials, the
// award notices, the level starts and the kept level, the overlay's windows
// and the comics.
struct MapHooks;
MapHooks BuildMapHooks();
// The profile store's hooks: the level table's records for a stored result,
// which then reaches the map, and a win counted towards the awards.
struct ProfileHooks;
ProfileHooks BuildProfileHooks();

// The fade from a left level (or from the comic after it) onto the map is
// over: the map, open now, reveals the level's new medal and the levels that
// opened (the fade's after-callback).
void RevealAfterFade();
