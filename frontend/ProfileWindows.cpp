#include "frontend/ProfileWindows.h"

#include "app/App.h"
#include "app/GameShell.h"
#include "app/Profiles.h"
#include "engine/Log.h"
#include "engine/SoundManager.h"
#include "frontend/FrontendLayout.h"
#include "gui/GameEdit.h"
#include "platform/Files.h"
#include "platform/Utf.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteHost.h"

#include <algorithm>

namespace {

constexpr int32_t kProfilesHeight = 360;
constexpr int32_t kViewportHeight = 236;
constexpr int32_t kNameFont = 4;
constexpr uint32_t kCurrentName = 0xFF80FF80;
constexpr uint32_t kOtherName = 0xFFFFFFFF;
constexpr float kNameOutline = 2.0f;
constexpr uint32_t kNameRim = 0xFF3A2008;
constexpr int32_t kNewProfileHeight = 300;

// The characters the store allows, as the name field takes them.
std::u16string AllowedText(const ProfileManager& profiles) {
    std::u16string accepted;
    const std::vector<uint8_t>& map = profiles.AllowedCharacters();
    for (uint32_t c = 32; c < 0x10000 && c < map.size(); ++c)
        if (map[c]) accepted += char16_t(c);
    return accepted;
}

// The click of the sound pack, 0 without a sound manager.
uint32_t ClickSample() {
    SoundManager* sound = GetSpriteHost().Sound();
    return sound ? sound->FindSample(u"click") : 0;
}

// A file's path as the system names it (the dialog breaks it to its width).
std::u16string NativeText(const std::u16string& gamePath) {
    return platform::Utf8ToUtf16(platform::NativePath(platform::GamePath(gamePath)));
}

uint32_t DeleteConfirmed(uintptr_t window, uintptr_t row, uint32_t command) {
    WindowManager* manager = GetWindowManager();
    auto* list = reinterpret_cast<ProfilesWindow*>(window);
    // The list may have gone while the question was open.
    if ((command == kDialogOk || command == kDialogYes) && manager && manager->profilesWindow == list)
        list->DeleteRow(int32_t(row));
    return 1;
}

} // namespace

// A row of the list: the player's name, the current player's tick and a
// delete cross to its right.
class ProfilePanel : public ActiveButton {
  public:
    ProfilePanel(GameWindow* window, GameControls* group, ProfileManager* profiles, Profile* profile)
        : ActiveButton(window, group, kProfileRow), profile_(profile), profiles_(profiles) {
        name_.Set(kNameFont, GetProfileName(profile));
        // The pale names read on the row's light wood with a dark rim round their letters.
        name_.SetOutline(kNameOutline, kNameRim);
        cross_ = group->Make<ActiveButton>(kProfileCross);
        check_ = GetSprite(1, u"small_green_check");
    }
    void Place(int32_t x, int32_t y) {
        rect = kis::MakeRectWH(x, y, kProfileRowWidth, kProfileRowHeight);
        cross_->rect = kis::MakeRectWH(x + kProfileRowWidth, y, 48, 48);
    }
    void Show(bool shown) {
        SetVisible(shown);
        cross_->SetVisible(shown);
    }
    void Draw(DXLViewer& viewer, float alpha) override {
        if (!HasState()) return;
        const bool current = profiles_->Current() == profile_;
        const uint32_t look = selected ? ControlState::kHover : state_.TwoBits();
        const uint32_t tint = look == ControlState::kPressed ? 0xFFB08040
                              : look == ControlState::kHover ? 0xFFE0B070
                                                             : 0xFFC89858;
        SkinQuads skin;
        InitSkinPiece(&skin, kSkinListButton, rect, tint);
        DrawSkinQuads(viewer, skin, alpha);
        if (current) {
            if (check_ && check_->Acquire()) {
                if (const TexturedQuad* q = check_->GetFrameQuad(0)) {
                    TexturedQuad quad = *q;
                    for (auto& v : quad.v)
                        v.x += float(rect.left + 15), v.y += float(rect.top + 7),
                            v.colour = ScaleAlpha(0xFFFFFFFF, alpha);
                    viewer.SetBlendMode(kBlendAlpha);
                    DrawSprite(viewer, check_->GetTexture(), quad);
                    EndText();
                }
            } else {
                SkinQuads mark;
                InitSkinPiece(&mark, kSkinCheckOn, kis::MakeRectWH(rect.left + 15, rect.top + 12, 24, 24),
                              0xFFFFFFFF);
                DrawSkinQuads(viewer, mark, alpha);
            }
        }
        const float y = float(rect.top + (kProfileRowHeight - name_.Height()) / 2);
        name_.Draw(viewer, float(rect.left + 80), y, ScaleAlpha(current ? kCurrentName : kOtherName, alpha));
        SkinQuads cross;
        const uint32_t crossLook = cross_->State().TwoBits();
        InitSkinPiece(&cross,
                      kSkinButton + (crossLook == ControlState::kPressed ? 2
                                     : crossLook == ControlState::kHover ? 1
                                                                         : 0),
                      kis::MakeRectWH(cross_->rect.left + 9, cross_->rect.top + 8, 30, 32), 0xFFFFFFFF);
        DrawSkinQuads(viewer, cross, alpha);
        const kis::Rect x = MeasureSkinText(kNameFont, u"x");
        crossText_.Set(kNameFont, u"x");
        crossText_.Draw(viewer, float(cross_->rect.left + 24 - (x.right - x.left) / 2),
                        float(cross_->rect.top + 24 - (x.bottom - x.top) / 2), ScaleAlpha(0xFF6A1010, alpha));
    }
    Profile* profile_;    // the store's
    ActiveButton* cross_; // in the same group, drawn by the row
    bool selected = false;

  private:
    ProfileManager* profiles_; // the window's store
    SkinText name_, crossText_;
    Sprite* check_;
};

// ---------------------------------------------------------------- list

ProfilesWindow::ProfilesWindow(WindowManager& manager, ProfileManager* profiles, ProfilesChanged changed,
                               ProfilesChanged deleting)
    : SpritesWindow(manager, kProfilesWindowTag, {.hold = true, .modal = true}), profiles_(profiles),
      changed_(changed), deleting_(deleting), list_(this) {
    manager.profilesWindow = this;
    AddBackground(kProfilesWindowWidth, kProfilesHeight);
    AddCaptionFrame(300);
    SetCaptionText(manager.Text(u"profiles_window", u"caption"));
    top_ = contentTop - 4;
    viewport_ = kis::MakeRectWH(12, top_ + 11, 420, kViewportHeight);
    AddBottomButton(kProfilesCancel, manager.Text(u"profiles_window", u"cancel"));
    AddControls(&list_);
    list_.SetView(viewport_); // rows and "new" show and take clicks only inside the view
    newButton_ = CreateListButton(this, &list_, kProfilesNew, 14, top_ + 10, kProfilesWindowWidth - 73,
                                  manager.Text(u"profiles_window", u"new"));
    newButton_->rect.bottom = newButton_->rect.top + 56;
    newButton_->SetTextLayout(3, 1, 0, 0); // centred on the button's face
    const uint32_t click = ClickSample();
    newButton_->clickSound = click;
    const int32_t count = profiles ? profiles->Count() : 0;
    for (int32_t i = 0; i < count; ++i) // the store lists the newest first: the list shows them in that order
        rows_.push_back(list_.Make<ProfilePanel>(profiles, profiles->GetProfile(i)));
    GameScrollbar* bar = controls_.Make<GameScrollbar>(438, top_ + 8, 241);
    bar->smallStep = 23;
    bar->largeStep = 47;
    bar->SetRange(0, ProfileScrollRange(RowCount()), kViewportHeight);
    scrollbar = bar;
    int32_t current = -1;
    for (int32_t i = 0; i < RowCount(); ++i)
        if (profiles && rows_[size_t(i)]->profile_ == profiles->Current()) current = i;
    PlaceRows();
    Select(current);
    Show(0, true);
}

ProfilesWindow::~ProfilesWindow() {
    if (manager_.profilesWindow == this) manager_.profilesWindow = nullptr;
    if (child) manager_.Destroy(child);
    RemoveControls(&list_);
}

int32_t ProfilesWindow::Scroll() const {
    return scrollbar ? scrollbar->Position() : 0;
}

Profile* ProfilesWindow::RowProfile(int32_t row) const {
    return row >= 0 && row < RowCount() ? rows_[size_t(row)]->profile_ : nullptr;
}

// The rows follow the scroll offset; only the visible ones take input.
void ProfilesWindow::PlaceRows() {
    const int32_t scroll = Scroll();
    visible_ = VisibleProfileRows(scroll, kViewportHeight, RowCount());
    for (int32_t i = 0; i < RowCount(); ++i) {
        ProfilePanel* row = rows_[size_t(i)];
        row->Place(12, ProfileRowTop(top_, i) - scroll);
        row->Show(i >= visible_.first && i <= visible_.last);
        row->selected = i == selected_;
    }
    newButton_->SetPosition(14, top_ + 10 - scroll);
    newButton_->SetVisible(scroll < 74);
}

void ProfilesWindow::Select(int32_t row) {
    if (row >= RowCount()) row = RowCount() - 1;
    if (row >= 0 && scrollbar) scrollbar->SetPosition(ScrollToProfileRow(Scroll(), kViewportHeight, row));
    selected_ = row;
    PlaceRows();
}

void ProfilesWindow::Choose() {
    ProfileManager* profiles = profiles_;
    if (!profiles) return;
    Profile* chosen = selected_ >= 0 ? RowProfile(selected_) : profiles->Current();
    if (chosen == profiles->Current()) {
        Close();
        return;
    }
    // The level kept in memory belongs to the old player; it goes first.
    if (SelectProfile(chosen)) {
        LogLabelPrintf(kLogIndent, "Profile chosen", "%s",
                       platform::Utf16ToUtf8(GetProfileName(chosen)).c_str());
        if (changed_) changed_();
        Close();
    }
}

void ProfilesWindow::AddRow(Profile* profile) {
    rows_.insert(rows_.begin(), list_.Make<ProfilePanel>(profiles_, profile));
    if (selected_ >= 0) ++selected_;
    if (scrollbar) scrollbar->SetRange(0, ProfileScrollRange(RowCount()), kViewportHeight);
    Select(0);
    Choose();
}

void ProfilesWindow::DeleteRow(int32_t row) {
    ProfileManager* profiles = profiles_;
    if (!profiles || row < 0 || row >= RowCount()) return;
    ProfilePanel* panel = rows_[size_t(row)];
    Profile* profile = panel->profile_;
    const bool wasCurrent = profiles->Current() == profile;
    if (wasCurrent && deleting_) deleting_();
    rows_.erase(rows_.begin() + row);
    profiles->DeleteProfile(profile);
    selected_ = -1;
    manager_.Forget(panel->cross_);
    list_.Remove(panel->cross_);
    manager_.Forget(panel);
    list_.Remove(panel);
    if (scrollbar) scrollbar->SetRange(0, ProfileScrollRange(RowCount()), kViewportHeight);
    if (wasCurrent && changed_) changed_(); // the menu no longer greets the deleted player
    Select(RowCount() > 0 ? std::min(row, RowCount() - 1) : -1);
}

bool ProfilesWindow::OnMouseWheel(int32_t x, int32_t y, int32_t delta) {
    const bool taken = SpritesWindow::OnMouseWheel(x, y, delta);
    PlaceRows();
    return taken;
}

bool ProfilesWindow::OnKeyDown(uint32_t key, uint32_t flags) {
    if (key == kKeyEscape) {
        Close();
        return true;
    }
    return SpritesWindow::OnKeyDown(key, flags);
}

uint32_t ProfilesWindow::OnButtonClick(GameButton* button) {
    if (button == scrollbar) {
        PlaceRows();
        return kClickNoSound;
    }
    for (int32_t i = 0; i < RowCount(); ++i) {
        ProfilePanel* row = rows_[size_t(i)];
        if (button == row) {
            Select(i);
            Choose();
            return kClickResetLook;
        }
        if (button == row->cross_) {
            Select(i);
            // The question names the player it deletes.
            std::u16string question = manager_.Text(u"dialogs", u"delete_profile_c");
            if (const size_t mark = question.find(u"%1"); mark != std::u16string::npos && RowProfile(i))
                question.replace(mark, 2, RowProfile(i)->Name());
            LogLabelPrintf(kLogIndent, "Delete question", "%s", platform::Utf16ToUtf8(question).c_str());
            manager_.Open<DialogWindow>(DialogParams::Make(kDialogYes, kDialogNo, nullptr, nullptr),
                                        DialogTexts{question, manager_.Text(u"dialogs", u"delete_profile")},
                                        DeleteConfirmed, reinterpret_cast<uintptr_t>(this), uintptr_t(i));
            return kClickResetLook;
        }
    }
    switch (button->Command()) {
    case kProfilesNew:
        if (!child)
            child = manager_.Open<NewProfileWindow>(
                profiles_, nullptr, true,
                [](Profile* made) {
                    WindowManager* m = GetWindowManager();
                    if (m && m->profilesWindow) static_cast<ProfilesWindow*>(m->profilesWindow)->AddRow(made);
                },
                0);
        return kClickResetLook;
    case kProfilesCancel:
        Close();
        return kClickResetLook;
    default:
        return 0;
    }
}

void ProfilesWindow::DrawBackground(DXLViewer& viewer) {
    SpritesWindow::DrawBackground(viewer);
    SkinQuads strip;
    InitSkinPiece(&strip, kSkinScrollTrack, kis::MakeRectWH(12, top_ + 8, 420, 242), 0xFFFFFFFF);
    DrawSkinQuads(viewer, strip, EffectAlpha());
}

ProfilesWindow* OpenProfilesWindow(ProfilesChanged changed, ProfilesChanged deleting) {
    WindowManager* manager = GetWindowManager();
    if (!manager || manager->profilesWindow || !AppProfiles()) return nullptr;
    return manager->Open<ProfilesWindow>(AppProfiles(), changed, deleting);
}

// ---------------------------------------------------------------- new player

NewProfileWindow::NewProfileWindow(WindowManager& manager, ProfileManager* profiles,
                                   const char16_t* initialName, bool withCancel, ProfileCallback created,
                                   uint32_t showDelay)
    : SpritesWindow(manager, kNewProfileWindowTag, {.hold = true, .modal = true}), profiles_(profiles),
      created_(created) {
    AddBackground(kProfilesWindowWidth, kNewProfileHeight);
    AddCaptionFrame(300);
    SetCaptionText(manager.Text(u"profiles_window", u"new_caption"));
    ok_ = AddBottomButton(kNewProfileOk, manager.Text(u"buttons", u"ok"));
    cancel_ = AddBottomButton(kNewProfileCancel, manager.Text(u"buttons", u"cancel"));
    if (!withCancel) {
        cancel_->SetVisible(false);
        bottomRow_.pop_back();
        LayoutBottomRow();
    }
    const std::u16string allowed = profiles_ ? AllowedText(*profiles_) : std::u16string();
    edit_ =
        controls_.Make<GameEdit>(allowed.c_str(), kis::MakeRectWH(16, 117, kProfilesWindowWidth - 35, 48));
    edit_->SetText(initialName ? initialName : u"");
    edit_->Focus(true);
    prompt_.Set(3, manager.Text(u"profiles_window", u"enter_name"));
    tutorial_ = CreateCheckBox(this, &controls_, kProfileTutorialBox, 26, 117 + 48 + 15,
                               manager.Text(u"options_window", u"tutorial"));
    tutorial_->SetDisabled(true); // ticked
    const uint32_t click = ClickSample();
    ok_->clickSound = cancel_->clickSound = tutorial_->clickSound = click;
    OnEditChanged();
    if (manager.profilesWindow) static_cast<ProfilesWindow*>(manager.profilesWindow)->child = this;
    Show(showDelay, true);
}

NewProfileWindow::~NewProfileWindow() {
    if (auto* list = static_cast<ProfilesWindow*>(manager_.profilesWindow); list && list->child == this)
        list->child = nullptr;
}

bool NewProfileWindow::OkShown() const {
    return ok_->HasState();
}

void NewProfileWindow::OnEditChanged() {
    const ProfileManager* profiles = profiles_;
    const std::u16string name(edit_->GetText(), edit_->GetLength());
    valid_ = profiles && profiles->NormalizeName(name.c_str(), nullptr) == kProfileOk;
    ok_->SetVisible(valid_);
}

void NewProfileWindow::Confirm() {
    ProfileManager* profiles = profiles_;
    if (!profiles || closing) return;
    const std::u16string name(edit_->GetText(), edit_->GetLength());
    int32_t error = kProfileOk;
    Profile* made = profiles->CreateProfile(name.c_str(), &error);
    if (!made) {
        ShowProfileError(error);
        return;
    }
    made->MutableRecord().results.tutorial = tutorial_->IsDisabled() ? 1 : 0;
    made->Save();
    LogLabelPrintf(kLogIndent, "Profile created", "%s", platform::Utf16ToUtf8(made->Name()).c_str());
    Close();
    if (created_) created_(made);
}

bool NewProfileWindow::OnKeyDown(uint32_t key, uint32_t flags) {
    if (key == kKeyReturn) {
        if (valid_) Confirm();
        return true;
    }
    if (key == kKeyEscape) {
        if (cancel_->HasState()) Close();
        return true;
    }
    if (edit_->OnKey(key, flags)) {
        OnEditChanged();
        return true;
    }
    return SpritesWindow::OnKeyDown(key, flags);
}

bool NewProfileWindow::OnKeyPress(char16_t ch) {
    if (ch == u'\r' || ch == 27) return true;
    const bool taken = edit_->OnCharacter(ch);
    OnEditChanged();
    return taken || modal;
}

uint32_t NewProfileWindow::OnButtonClick(GameButton* button) {
    switch (button->Command()) {
    case kNewProfileOk:
        if (valid_) Confirm();
        return kClickResetLook;
    case kNewProfileCancel:
        Close();
        return kClickResetLook;
    case kProfileTutorialBox:
        return 0; // the box flips its own tick
    default:
        return 0;
    }
}

void NewProfileWindow::DrawChildren(DXLViewer& viewer) {
    const float x = float((kProfilesWindowWidth - prompt_.Width()) / 2);
    prompt_.Draw(viewer, x, float(95 - prompt_.Height() / 2), ScaleAlpha(0xFF3A2410, EffectAlpha()));
    SpritesWindow::DrawChildren(viewer);
}

bool ShowProfileLoadReport() {
    ProfileManager* profiles = AppProfiles();
    WindowManager* windows = GetWindowManager();
    if (!profiles || !windows) return false;
    const ProfileManager::LoadReport report = profiles->TakeLoadReport();
    if (report.Empty()) return false;
    std::u16string text;
    if (report.listRebuilt) {
        text = windows->Text(u"dialogs", report.listMissing ? u"profiles_missing" : u"profiles_rebuilt");
        if (!report.listKeptAs.empty())
            text += u"\n" +
                    std::u16string(windows->Text(u"dialogs", report.listUnreadable
                                                                 ? u"profiles_list_unreadable_kept"
                                                                 : u"profiles_list_kept")) +
                    u"\n" + NativeText(report.listKeptAs);
    }
    DialogTexts texts{std::move(text), windows->Text(u"dialogs", u"profiles_set_aside_c"), {}};
    // Each list of files, which the dialog cuts short when it would not fit the screen.
    for (const auto& [files, key] : {std::pair(&report.setAside, u"profiles_set_aside"),
                                     std::pair(&report.winsKept, u"profiles_win_kept")}) {
        if (files->empty()) continue;
        if (!texts.text.empty()) texts.text += u"\n\n";
        texts.text += windows->Text(u"dialogs", key);
        std::vector<std::u16string> shown;
        for (const std::u16string& file : *files)
            shown.push_back(NativeText(file));
        texts.AddList(shown);
    }
    LogLabelPrintf(kLogIndent, "Profiles", "the player is told what was set aside");
    // Each file named whole, however long its folder.
    const auto told = [](const std::string& what, const std::u16string& file) {
        LogLabelValue(kLogIndent, "Profiles",
                      ("told: " + what + platform::NativePath(platform::GamePath(file))).c_str());
    };
    if (!report.listKeptAs.empty())
        told(report.listUnreadable ? "the unreadable list is " : "the damaged list is ", report.listKeptAs);
    for (const std::u16string& file : report.setAside)
        told("set aside ", file);
    for (const std::u16string& file : report.winsKept)
        told("a win's copy that does not read is kept as ", file);
    windows->Open<DialogWindow>(DialogParams::Make(kDialogOk, 0, nullptr, nullptr), texts, nullptr, 0, 0);
    return true;
}
