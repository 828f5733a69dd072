#pragma once
// The log lines of a game run that name content it asked for and did not
// find: a sprite ("Sprite missing") or a text ("Text missing") not in the
// packs, a square-bracket tag a text kept as it stands ("Tag unexpanded") and
// a text put together with the missing-text marker ("Missing text shown").
// A run that showed the player everything it meant to has none.
#include "tests/support/TempDir.h"

#include <string>
#include <vector>

namespace testsupport {

inline const std::vector<std::string>& MissingContentMarkers() {
    static const std::vector<std::string> markers = {"Sprite missing", "Text missing", "Tag unexpanded",
                                                     "Missing text shown"};
    return markers;
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
