#include "tools/content/AwardTable.h"

#include "frontend/Awards.h"
#include "tools/content/NameFields.h"

#include <fstream>
#include <sstream>

// Lines: "award <key> <index> <icon> <start> <bronze> <silver> <gold>" and
// "goal <key> <index> <target> <icon>"; "//" starts a comment line. Nine
// awards and eight goals, each in the order they are written.
bool WriteAwardTable(kis::BaseDataFile& writer, const std::string& sourcePath, std::string* error) {
    std::ifstream in(sourcePath);
    if (!in) return *error = "cannot read " + sourcePath, false;
    AwardRecord awards[kAwardCount] = {};
    AwardGoal goals[kGoalCount] = {};
    int awardCount = 0, goalCount = 0, lineNumber = 0;
    std::string line;
    while (std::getline(in, line)) {
        ++lineNumber;
        std::istringstream words(line);
        std::string kind, key, icon;
        if (!(words >> kind) || kind.rfind("//", 0) == 0) continue;
        const std::string where = sourcePath + ":" + std::to_string(lineNumber) + ": ";
        bool ok = false;
        if (kind == "award" && awardCount < kAwardCount) {
            AwardRecord& a = awards[awardCount++];
            ok = bool(words >> key >> a.index >> icon >> a.start >> a.bronze >> a.silver >> a.gold) &&
                 CopyNameUtf8(a.key, key) && CopyNameUtf8(a.icon, icon);
        } else if (kind == "goal" && goalCount < kGoalCount) {
            AwardGoal& g = goals[goalCount++];
            ok = bool(words >> key >> g.index >> g.target >> icon) && CopyNameUtf8(g.key, key) &&
                 CopyNameUtf8(g.icon, icon);
        }
        std::string rest;
        if (!ok || words >> rest) return *error = where + "not an award or goal line, or one too many", false;
    }
    if (awardCount != kAwardCount || goalCount != kGoalCount)
        return *error = sourcePath + ": nine awards and eight goals are needed", false;

    const std::vector<uint8_t> bytes = EncodeAwardTable(awards, goals);
    Awards check;
    std::string why;
    if (!check.Read(bytes.data(), bytes.size(), &why)) return *error = sourcePath + ": " + why, false;
    if (!writer.BeginChunk(kAwardTableChunkId, kAwardTableChunkSubId) ||
        !writer.Write(bytes.data(), uint32_t(bytes.size())) || !writer.EndChunk())
        return *error = "cannot write the award table", false;
    return true;
}
