#pragma once
// Game state kStateComics, the comics: the holder is installed for the run, its pages
// load as the data pack's 'COMX' stage (after the villain kinds), and while
// the state is current the comic window takes the screen: the window manager
// gets the frame update, the drawing, the cursor and all input.

class Comix;

// Installs the holder (which must outlive the run) and registers its loading
// stage and the screen of kStateComics.
void RegisterComics(Comix& comix);
