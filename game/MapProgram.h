#pragma once
// The level-select map in the program: the 'MAPM' loading stage (after the
// level table, whose cells it places the markers on), kStateMap's screen,
// and the map's part in storing a level result.

void RegisterMapScreen();

// The next opening of the map follows a finished or left level: once it
// shows, it reveals the level's new medal and the levels that opened.
void RevealOnMapReturn();
// The comic shown after a level closed onto the map, which is open now: it
// reveals the level's new medal and the levels that opened (the comic's
// callback).
void RevealAfterComic();
