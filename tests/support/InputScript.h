#pragma once
// Lines of the headless input scripts the program tests write: one event a
// line, "<ms> key down|up NAME" and "<ms> mouse move X Y" / "mouse down|up
// left" (README: the headless options). A key tap and a click come in two
// timings: quick (a key held 30 ms; the button pressed 20 ms after the move
// and released 60 ms later) and held (50 ms; pressed 50 ms after the move,
// released 100 ms later), for screens that look at a control's pressed
// state or give it time to light up under the pointer.

#include <string>

namespace testsupport::script {

inline std::string Move(int ms, int x, int y) {
    return std::to_string(ms) + " mouse move " + std::to_string(x) + " " + std::to_string(y) + "\n";
}

inline std::string KeyTap(int ms, const std::string& key, int holdMs) {
    return std::to_string(ms) + " key down " + key + "\n" + std::to_string(ms + holdMs) + " key up " + key +
           "\n";
}

inline std::string ClickAt(int ms, int x, int y, int pressMs, int releaseMs) {
    return Move(ms, x, y) + std::to_string(ms + pressMs) + " mouse down left\n" +
           std::to_string(ms + releaseMs) + " mouse up left\n";
}

// A click at 40 ms, which skips the logos (any click in them does).
inline std::string SkipLogos() {
    return "40 mouse move 400 300\n60 mouse down left\n160 mouse up left\n";
}

namespace quick {
inline std::string Key(int ms, const std::string& key) {
    return KeyTap(ms, key, 30);
}
inline std::string Click(int ms, int x, int y) {
    return ClickAt(ms, x, y, 20, 80);
}
} // namespace quick

namespace held {
inline std::string Key(int ms, const std::string& key) {
    return KeyTap(ms, key, 50);
}
inline std::string Click(int ms, int x, int y) {
    return ClickAt(ms, x, y, 50, 150);
}
// On the showcase screen: the level number's digits, then F6, which opens
// that level (100 ms apart, the first 100 ms after ms).
inline std::string OpenLevel(int ms, const std::string& number) {
    std::string keys;
    for (char digit : number)
        keys += Key(ms += 100, std::string(1, digit));
    return keys + Key(ms + 100, "F6");
}
} // namespace held

} // namespace testsupport::script
