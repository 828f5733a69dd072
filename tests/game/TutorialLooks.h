#pragma once
// The looks of the tutorial overlay that the program tests find in their
// screenshots: the info box's parchment face and the arrow's body.

namespace tutorialplay {

// The tutorial box's parchment face.
inline bool Parchment(int r, int g, int b) {
    return r > 240 && g > 225 && b > 190 && b < 235;
}
// The arrow's orange yellow (240, 160, 32 in its body), not the gold of
// the stage stars over the points (255, 208, 48).
inline bool ArrowYellow(int r, int g, int b) {
    return r > 230 && g > 150 && g < 200 && b < 90;
}
// The arrow's orange body, a little wider in its limits than ArrowYellow.
inline bool Orange(int r, int g, int b) {
    return r > 220 && g > 130 && g < 190 && b < 80;
}

} // namespace tutorialplay
