#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// One scripted event for the headless backend, due `time` ms after the
// backend first pumps events.
struct ScriptEvent {
    enum class Type { Key, MouseMove, Button, Wheel, FocusGained, FocusLost, Minimise, Restore, Close, Text };
    uint32_t time = 0;
    Type type = Type::Close;
    int a = 0;         // key code, x, button (0 left, 1 right, 2 middle) or wheel notches
    int b = 0;         // y
    bool down = false; // key and button events
    std::u16string text;
};

// Reads a script of events, one per line, in time order:
//   <ms> key down|up <key name or code>     e.g. "100 key down ESCAPE", "120 key up 0x1C"
//   <ms> mouse move <x> <y>                  pointer position in frame pixels, -32768..32767
//   <ms> mouse down|up left|right|middle
//   <ms> mouse wheel <notches>               positive away from the user, -273..273
//   <ms> focus gained|lost
//   <ms> minimise | restore | close
//   <ms> text <the rest of the line>         typed text, UTF-8
// Blank lines and lines starting with '#' are skipped. False, with the line
// number and the reason, for anything else.
bool ParseEventScript(std::string_view script, std::vector<ScriptEvent>& out, std::string* error);
// The file must be a regular file of at most kMaxEventScriptBytes.
constexpr int64_t kMaxEventScriptBytes = 64 << 20; // some two million events
bool LoadEventScript(const std::string& nativePath, std::vector<ScriptEvent>& out, std::string* error);

} // namespace platform
