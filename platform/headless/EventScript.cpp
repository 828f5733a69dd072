#include "platform/headless/EventScript.h"

#include "platform/Files.h"
#include "platform/Input.h"
#include "platform/Utf.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

namespace platform {
namespace {

bool ParseInt(std::string_view word, int& value) {
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    return ec == std::errc() && end == word.data() + word.size();
}

// Pointer positions and wheel turns within what a window message carries:
// 16-bit coordinates, and a 16-bit wheel delta of kWheelDelta per notch.
constexpr int kMinCoordinate = -32768, kMaxCoordinate = 32767;
constexpr int kMaxNotches = 32767 / kWheelDelta;

bool ParseInt(std::string_view word, int low, int high, int& value) {
    return ParseInt(word, value) && value >= low && value <= high;
}

// Splits off the next word; `rest` keeps what follows it, leading spaces removed.
std::string_view NextWord(std::string_view& rest) {
    size_t start = rest.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(start);
    size_t end = rest.find_first_of(" \t");
    std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
    size_t next = rest.find_first_not_of(" \t");
    rest.remove_prefix(next == std::string_view::npos ? rest.size() : next);
    return word;
}

const char* ParseLine(std::string_view line, ScriptEvent& event) {
    std::string_view rest = line;
    int time = 0;
    if (!ParseInt(NextWord(rest), time) || time < 0) return "expected a time in milliseconds";
    event.time = uint32_t(time);
    std::string_view verb = NextWord(rest);
    using Type = ScriptEvent::Type;
    if (verb == "key") {
        std::string_view dir = NextWord(rest);
        if (dir != "down" && dir != "up") return "expected key down or key up";
        event.type = Type::Key;
        event.down = dir == "down";
        event.a = DikFromName(NextWord(rest));
        if (event.a == 0) return "unknown key";
    } else if (verb == "mouse") {
        std::string_view what = NextWord(rest);
        if (what == "move") {
            event.type = Type::MouseMove;
            if (!ParseInt(NextWord(rest), kMinCoordinate, kMaxCoordinate, event.a) ||
                !ParseInt(NextWord(rest), kMinCoordinate, kMaxCoordinate, event.b))
                return "expected x and y from -32768 to 32767";
        } else if (what == "down" || what == "up") {
            event.type = Type::Button;
            event.down = what == "down";
            std::string_view button = NextWord(rest);
            if (button == "left")
                event.a = 0;
            else if (button == "right")
                event.a = 1;
            else if (button == "middle")
                event.a = 2;
            else
                return "expected left, right or middle";
        } else if (what == "wheel") {
            event.type = Type::Wheel;
            if (!ParseInt(NextWord(rest), -kMaxNotches, kMaxNotches, event.a))
                return "expected the wheel notches from -273 to 273";
        } else {
            return "expected mouse move, down, up or wheel";
        }
    } else if (verb == "focus") {
        std::string_view what = NextWord(rest);
        if (what == "gained")
            event.type = Type::FocusGained;
        else if (what == "lost")
            event.type = Type::FocusLost;
        else
            return "expected focus gained or focus lost";
    } else if (verb == "minimise") {
        event.type = Type::Minimise;
    } else if (verb == "restore") {
        event.type = Type::Restore;
    } else if (verb == "close") {
        event.type = Type::Close;
    } else if (verb == "text") {
        event.type = Type::Text;
        event.text = Utf8ToUtf16(rest);
        return event.text.empty() ? "expected text" : nullptr;
    } else {
        return "unknown event";
    }
    if (!rest.empty()) return "unexpected words at the end of the line";
    return nullptr;
}

} // namespace

bool ParseEventScript(std::string_view script, std::vector<ScriptEvent>& out, std::string* error) {
    std::vector<ScriptEvent> events;
    size_t lineNumber = 0;
    while (!script.empty()) {
        size_t end = script.find('\n');
        std::string_view line = script.substr(0, end);
        script.remove_prefix(end == std::string_view::npos ? script.size() : end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == '#') continue;
        ScriptEvent event;
        const char* problem = ParseLine(line, event);
        if (!problem && !events.empty() && event.time < events.back().time)
            problem = "events must be in time order";
        if (problem) {
            if (error) *error = "line " + std::to_string(lineNumber) + ": " + problem;
            return false;
        }
        events.push_back(std::move(event));
    }
    out = std::move(events);
    return true;
}

bool LoadEventScript(const std::string& nativePath, std::vector<ScriptEvent>& out, std::string* error) {
    errno = 0; // a path that opens but is no regular file leaves it at zero
    File file = File::OpenNative(nativePath, kFileRead, FileCreation::OpenExisting);
    if (!file.IsOpen()) {
        if (error)
            *error = "cannot open " + nativePath + ": " + (errno ? std::strerror(errno) : "not a file");
        return false;
    }
    const int64_t size = file.Size();
    if (size > kMaxEventScriptBytes) {
        if (error)
            *error = "cannot read " + nativePath + ": it is larger than " +
                     std::to_string(kMaxEventScriptBytes >> 20) + " MiB";
        return false;
    }
    std::string text(size_t(std::max<int64_t>(size, 0)), '\0');
    if (!file.ReadExact(text.data(), int64_t(text.size()))) {
        if (error) *error = "cannot read " + nativePath;
        return false;
    }
    return ParseEventScript(text, out, error);
}

} // namespace platform
