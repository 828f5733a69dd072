#include "app/PlayUrl.h"

#include "foundation/StrEdit.h"
#include "platform/Files.h"
#include "platform/OpenUrl.h"

#include <cctype>
#include <vector>

namespace {

// A shortcut is a few lines; anything larger is not one.
constexpr int64_t kMaxPlayUrlBytes = 64 << 10;

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        size_t end = text.find_first_of("\r\n");
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

} // namespace

std::string PlayUrlAddress(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    const std::vector<std::string_view> lines = Lines(text);
    bool inSection = false;
    for (std::string_view raw : lines) {
        std::string_view line = kis::TrimBlanks(raw);
        if (!line.empty() && line.front() == '[') {
            inSection = EqualsIgnoringCase(line, "[InternetShortcut]");
            continue;
        }
        if (!inSection) continue;
        size_t equals = line.find('=');
        if (equals != std::string_view::npos &&
            EqualsIgnoringCase(kis::TrimBlanks(line.substr(0, equals)), "URL"))
            return std::string(kis::TrimBlanks(line.substr(equals + 1)));
    }
    return lines.empty() ? std::string() : std::string(kis::TrimBlanks(lines.front()));
}

bool OpenPlayUrl(const std::u16string& folder) {
    auto bytes = platform::ReadWholeFile(platform::GamePath(folder + u"\\play.url"), kMaxPlayUrlBytes);
    if (!bytes || bytes->empty()) return false;
    const std::string address =
        PlayUrlAddress(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    if (!platform::IsWebAddress(address)) return false;
    return platform::OpenWebAddress(address);
}
