#include "app/Logos.h"
#include "app/AppState.h"

#include "app/App.h"
#include "engine/Log.h"
#include "engine/Texture.h"
#include "engine/Viewer.h"
#include "foundation/StrEdit.h"
#include "platform/Files.h"
#include "platform/Utf.h"

#include <memory>

namespace {

constexpr uint32_t kLongestLogo = 600000;
// A list of a few logos; a larger file is refused as one that cannot be read.
constexpr int64_t kMaxLogoListBytes = 64 << 10;

// The logos being shown, or null.
LogoShow* Show() {
    const AppState* state = RunningAppState();
    return state ? state->logos.get() : nullptr;
}

void EndLogos() {
    SetGameState(kStateDataLoading);
}

// Moves to the next logo whose image loaded; false (and none current) past
// the last one.
bool NextLogo() {
    LogoShow& show = *Show();
    show.shown = 0;
    do {
        ++show.current;
    } while (show.current < int(show.entries.size()) && !show.textures[size_t(show.current)]->IsLive());
    if (show.current < int(show.entries.size())) return true;
    show.current = -1;
    return false;
}

void UpdateLogos(uint32_t ms) {
    LogoShow* show = Show();
    if (!show || show->current < 0) {
        EndLogos();
        return;
    }
    show->shown += ms;
    if (show->shown >= show->entries[size_t(show->current)].milliseconds && !NextLogo()) EndLogos();
}

void DrawLogos() {
    DXLViewer* viewer = GetAppServices().viewer;
    if (!viewer) return;
    viewer->ClearTarget(0xFF000000);
    const LogoShow* show = Show();
    if (!show || show->current < 0) return;
    DXLTexture* texture = show->textures[size_t(show->current)].get();
    const kis::Rect& screen = viewer->GetClientRect();
    float x = float((screen.right - screen.left - texture->GetWidth()) / 2);
    float y = float((screen.bottom - screen.top - texture->GetHeight()) / 2);
    TexturedQuad quad;
    texture->MakeQuad(&quad, x, y, 0xFFFFFFFF);
    if (texture->Bind(true)) {
        viewer->SetBlendMode(kBlendAlpha);
        viewer->DrawTexturedQuad(&quad);
        viewer->BindTexture(nullptr);
    }
}

void SkipLogos(int32_t, int32_t, uint32_t) {
    LogLine(kLogIndent, "Logos skipped by a click.");
    EndLogos();
}

const AppCallbacks kLogosCallbacks = {.update = UpdateLogos, .draw = DrawLogos, .mouseDown = SkipLogos};

} // namespace

bool ParseLogoList(std::string_view text, std::vector<LogoEntry>* out, std::string* error) {
    out->clear();
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        size_t end = text.find('\n');
        std::string_view line = kis::TrimBlanks(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == '#' || line.substr(0, 2) == "//") continue;
        size_t comma = line.rfind(',');
        std::string_view name =
            comma == std::string_view::npos ? std::string_view() : kis::TrimBlanks(line.substr(0, comma));
        std::string_view time =
            comma == std::string_view::npos ? std::string_view() : kis::TrimBlanks(line.substr(comma + 1));
        uint32_t ms = 0;
        bool number = !time.empty() && time.size() <= 7;
        for (char c : time) {
            number = number && c >= '0' && c <= '9';
            ms = ms * 10 + uint32_t(c - '0');
        }
        if (name.empty() || !number || ms > kLongestLogo) {
            if (error)
                *error = "line " + std::to_string(lineNumber) + ": expected \"<image file>, <milliseconds>\"";
            out->clear();
            return false;
        }
        out->push_back({platform::Utf8ToUtf16(name), ms});
    }
    return true;
}

const AppCallbacks& LogosCallbacks() {
    return kLogosCallbacks;
}

void OpenLogos() {
    AppState* state = RunningAppState();
    if (!state) return;
    state->logos = std::make_unique<LogoShow>();
    LogoShow& show = *state->logos;
    auto bytes = platform::ReadWholeFile(platform::GamePath(u"Logos\\Logos.txt"), kMaxLogoListBytes);
    std::string error;
    if (!bytes) {
        LogLine(kLogIndent, "No logos: Logos\\Logos.txt cannot be read.");
    } else if (!ParseLogoList(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()),
                              &show.entries, &error)) {
        LogErrorPrintf(kLogIndent, "%s: %s", AppShownPath(u"Logos\\Logos.txt").c_str(), error.c_str());
    }
    for (const LogoEntry& entry : show.entries) {
        auto texture = std::make_unique<DXLTexture>(GetAppServices().viewer);
        texture->SetImageFilter(kImageFilterNone);
        std::u16string path = u"Logos\\" + entry.image;
        texture->LoadFromFile(path.c_str());
        if (!texture->IsLive())
            LogErrorPrintf(kLogIndent, "Logo image cannot be read: %s", AppShownPath(path).c_str());
        show.textures.push_back(std::move(texture));
    }
    show.current = -1;
    NextLogo(); // with none to show, the first update ends the logos
}

void CloseLogos() {
    if (AppState* state = RunningAppState()) state->logos.reset();
}

int CurrentLogo() {
    const LogoShow* show = Show();
    return show ? show->current : -1;
}
