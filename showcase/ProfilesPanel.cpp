#include "showcase/ProfilesPanel.h"

#include "app/App.h"
#include "app/LoadingScreen.h"
#include "app/Profiles.h"
#include "engine/InputManager.h"
#include "engine/Log.h"
#include "engine/Viewer.h"
#include "engine/VirtualKeys.h"
#include "gui/GameEdit.h"
#include "gui/Window.h"
#include "platform/Utf.h"
#include "text/FontSlots.h"
#include "text/KGEFont.h"

#include <string>

namespace {

constexpr uint32_t kPanelTag = MakeWindowTag('P', 'r', 'f', 'P');
// Where the panel is: right of the middle of the screen, below the title.
constexpr int32_t kPanelWidth = 300;
constexpr int32_t kPanelHeight = 330;
constexpr int32_t kPanelRightMargin = 16;
constexpr int32_t kPanelTop = 120;
constexpr int32_t kMargin = 12;
constexpr int32_t kEditTop = 34;
constexpr int32_t kEditHeight = 32;
constexpr int32_t kListTop = 80;
constexpr int32_t kLineHeight = 18;
constexpr int32_t kTextFont = 6;
constexpr uint32_t kPanelColour = 0xC0203040;
constexpr uint32_t kCurrentColour = 0xFF3C6E8C;

std::string Narrow(const char16_t* text) {
    return platform::Utf16ToUtf8(text ? text : u"");
}

// The characters of the store's allowed map, as the edit field takes them.
std::u16string AcceptedCharacters(const ProfileManager& profiles) {
    std::u16string accepted;
    const std::vector<uint8_t>& map = profiles.AllowedCharacters();
    for (uint32_t c = 32; c < 0x10000; ++c)
        if (map[c]) accepted += char16_t(c);
    return accepted;
}

class ProfilesPanel;
ProfilesPanel* OpenPanel();
void ShowErrorInPanel(const char16_t* caption, const char16_t* text);

class ProfilesPanel final : public GameWindow {
  public:
    ProfilesPanel(WindowManager& manager, ProfileManager* profiles)
        : GameWindow(manager, kPanelTag, false), profiles_(profiles) {
        const int32_t width = manager.ScreenWidth();
        rect = kis::MakeRectWH(width - kPanelWidth - kPanelRightMargin, kPanelTop, kPanelWidth, kPanelHeight);
        const std::u16string accepted = AcceptedCharacters(*profiles_);
        edit_ = Controls().Make<GameEdit>(
            accepted.c_str(), kis::MakeRectWH(kMargin, kEditTop, kPanelWidth - 2 * kMargin, kEditHeight));
        edit_->Focus(true);
        profiles_->AddListener(this, [](ProfileEvent event, Profile* profile) {
            if (event == ProfileEvent::Deleted)
                LogLabelPrintf(kLogIndent, "Profile deleted", "%s", Narrow(GetProfileName(profile)).c_str());
        });
        SetProfileErrorPresenter(ShowErrorInPanel);
    }
    ~ProfilesPanel() override {
        SetProfileErrorPresenter(nullptr);
        profiles_->RemoveListener(this);
    }

    // The error of a refused name is shown in the panel while it is open.
    void ShowError(const char16_t* caption, const char16_t* text) {
        errorText_ = std::u16string(caption) + u": " + text;
    }

    bool OnMouseDown(int32_t x, int32_t y, uint32_t button) override {
        const int32_t line = (y - kListTop) / kLineHeight;
        if (y >= kListTop && line < profiles_->Count() && button == kMouseLeft) {
            Profile* chosen = profiles_->GetProfile(line);
            errorText_.clear();
            if (SelectProfile(chosen))
                LogLabelPrintf(kLogIndent, "Profile selected", "%s (used %u times)",
                               Narrow(chosen->Name()).c_str(), chosen->Record().useCount);
            return true;
        }
        return GameWindow::OnMouseDown(x, y, button);
    }

    bool OnKeyDown(uint32_t key, uint32_t flags) override {
        switch (key) {
        case kVkReturn:
            Create();
            return true;
        case kVkDelete:
            if (Profile* current = profiles_->Current()) profiles_->DeleteProfile(current);
            return true;
        case kVkEscape:
            return false; // the screen's own key
        default:
            return edit_->OnKey(key, flags);
        }
    }

    bool OnKeyPress(char16_t ch) override { return edit_->OnCharacter(ch); }

    void Draw(DXLViewer& viewer) override {
        const float w = float(kPanelWidth), h = float(kPanelHeight);
        FillScreenRect(&viewer, 0, 0, w, h, kPanelColour);
        KGEFont* font = GetFont(kTextFont);
        if (font) {
            viewer.SetBlendMode(kBlendAlpha);
            font->DrawTextAt(float(kMargin), 10, u"Profiles (a name and Enter)");
        }
        for (int32_t i = 0; i < profiles_->Count(); ++i) {
            const Profile* profile = profiles_->GetProfile(i);
            const float top = float(kListTop + i * kLineHeight);
            if (profile == profiles_->Current())
                FillScreenRect(&viewer, float(kMargin - 4), top, w - float(kMargin - 4), top + kLineHeight,
                               kCurrentColour);
            if (!font) continue;
            viewer.SetBlendMode(kBlendAlpha);
            const std::u16string line = (profile == profiles_->Current() ? u"> " : u"  ") +
                                        std::u16string(profile->Name()) +
                                        (profile->Record().useCount < 2 ? u"  (new)" : u"");
            font->DrawTextAt(float(kMargin), top + 2, line.c_str());
        }
        if (font && !errorText_.empty()) {
            viewer.SetBlendMode(kBlendAlpha);
            font->DrawTextAt(float(kMargin), h - 26, errorText_.c_str());
        }
        DrawChildren(viewer);
    }

  private:
    void Create() {
        errorText_.clear();
        std::u16string name(edit_->GetText(), edit_->GetLength());
        int32_t error = kProfileOk;
        Profile* made = profiles_->CreateProfile(name.c_str(), &error);
        if (!made) {
            ShowProfileError(error);
            return;
        }
        LogLabelPrintf(kLogIndent, "Profile created", "%s (profile%u.dat)", Narrow(made->Name()).c_str(),
                       made->Number());
        SelectProfile(made);
        edit_->SetText(u"");
    }

    ProfileManager* profiles_; // the App's
    GameEdit* edit_;           // owned by the window's group
    std::u16string errorText_;
};

// The panel that is open (not closing), or null.
ProfilesPanel* OpenPanel() {
    WindowManager* windows = GetWindowManager();
    GameWindow* window = windows ? windows->FindWindowByLayer(kPanelTag) : nullptr;
    return window && !window->closing ? static_cast<ProfilesPanel*>(window) : nullptr;
}

void ShowErrorInPanel(const char16_t* caption, const char16_t* text) {
    if (ProfilesPanel* panel = OpenPanel()) panel->ShowError(caption, text);
}

} // namespace

bool ProfilesPanelKey(uint32_t virtualKey) {
    if (virtualKey != kVkF1 + 2) return false;
    if (OpenPanel())
        CloseProfilesPanel();
    else
        OpenProfilesPanel();
    return true;
}

void OpenProfilesPanel() {
    WindowManager* windows = GetWindowManager();
    ProfileManager* profiles = AppProfiles();
    if (OpenPanel() || !windows || !profiles) return;
    windows->Open<ProfilesPanel>(profiles);
}

void CloseProfilesPanel() {
    WindowManager* windows = GetWindowManager();
    if (ProfilesPanel* panel = OpenPanel(); panel && windows) windows->Destroy(panel);
}
