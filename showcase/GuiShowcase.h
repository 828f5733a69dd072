#pragma once
// The window toolkit on the showcase screen: a dialog with two buttons
// (with hints), a check box, a list under a scroll bar, an edit field and
// the medal-time line, so that each can be seen and driven. What the player
// does with it is written to the log.

// Opens the dialog on the installed window manager (nothing without one, or
// while it is open).
void OpenShowcaseDialog();
