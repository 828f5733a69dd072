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

// The next opening of the map follows a finished or left level: once it
// shows, it reveals the level's new medal and the levels that opened.
void RevealOnMapReturn();
// The comic shown after a level closed onto the map, which is open now: it
// reveals the level's new medal and the levels that opened (the comic's
// callback).
void RevealAfterComic();
