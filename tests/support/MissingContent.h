#pragma once
// The log lines of a game run that name content it asked for and did not
// find: a sprite ("Sprite missing") or a text ("Text missing") not in the
// packs, a square-bracket tag a text kept as it stands ("Tag unexpanded") and
// a text put together with the missing-text marker ("Missing text shown").
// A run that showed the player everything it meant to has none.
#include <string>
#include <vector>

namespace testsupport {

inline const std::vector<std::string>& MissingContentMarkers() {
    static const std::vector<std::string> markers = {"Sprite missing", "Text missing", "Tag unexpanded",
                                                     "Missing text shown"};
    return markers;
}

// The log's lines that contain the text, in log order.
inline std::vector<std::string> LogLines(const std::string& log, const std::string& text) {
    std::vector<std::string> lines;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) {
        const size_t newline = log.rfind('\n', at);
        const size_t start = newline == std::string::npos ? 0 : newline + 1;
        const size_t end = log.find_first_of("\r\n", at);
        lines.push_back(log.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        at = end;
    }
    return lines;
}

// Every line of the log that names missing content, one per line (empty:
// nothing was missing).
inline std::string MissingContent(const std::string& log) {
    std::string all;
    for (const std::string& marker : MissingContentMarkers())
        for (const std::string& line : LogLines(log, marker))
            all += line + "\n";
    return all;
}

} // namespace testsupport
