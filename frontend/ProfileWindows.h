#pragma once
// The profile windows: the list of players (choose, add, delete with a
// confirmation) and the new-player window with its name field.

#include "frontend/FrontendLayout.h"
#include "gui/Scrollbar.h"
#include "gui/SpritesWindow.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class GameEdit;
class Profile;
class ProfileManager;
class ProfilePanel;
class NewProfileWindow;

constexpr uint32_t kProfilesWindowTag = MakeWindowTag('P', 'r', 'o', 'f');
constexpr uint32_t kNewProfileWindowTag = MakeWindowTag('N', 'e', 'w', 'P');
constexpr uint32_t kProfilesCancel = 0x79000001;
constexpr uint32_t kNewProfileOk = 0x79000001;
constexpr uint32_t kNewProfileCancel = 0x79000002;
constexpr uint32_t kProfilesNew = 0x79000003;
constexpr uint32_t kProfileCross = 0x79000004;
constexpr uint32_t kProfileRow = 0x79000100;
constexpr uint32_t kProfileTutorialBox = 0x787061A1;
constexpr int32_t kProfilesWindowWidth = 488;

using ProfileCallback = void (*)(Profile* profile);
using ProfilesChanged = std::function<void()>;

// The players' list. At most one is open (the window manager's profilesWindow).
class ProfilesWindow : public SpritesWindow {
  public:
    // changed: after the current profile changed; deleting: before the
    // current profile is deleted (may be null).
    ProfilesWindow(WindowManager& manager, ProfileManager* profiles, ProfilesChanged changed,
                   ProfilesChanged deleting);
    ~ProfilesWindow() override;

    bool OnMouseWheel(int32_t x, int32_t y, int32_t delta) override;
    bool OnKeyDown(uint32_t key, uint32_t flags) override;
    uint32_t OnButtonClick(GameButton* button) override;
    void DrawBackground(DXLViewer& viewer) override;

    // The list's operations (also the new-player window's callback).
    void Select(int32_t row);
    void Choose();
    void AddRow(Profile* profile);
    void DeleteRow(int32_t row);

    int32_t RowCount() const { return int32_t(rows_.size()); }
    Profile* RowProfile(int32_t row) const;
    int32_t Selected() const { return selected_; }
    int32_t Scroll() const;
    int32_t ListTop() const { return top_; }
    RowRange Visible() const { return visible_; }
    NewProfileWindow* child = nullptr; // in the stack; it clears this when it goes

    ProfileManager* Profiles() const { return profiles_; }

  private:
    void PlaceRows();

    ProfileManager* profiles_; // the App's store
    ProfilesChanged changed_;
    ProfilesChanged deleting_;
    int32_t top_ = 0;
    kis::Rect viewport_{0, 0, 0, 0};
    GameControls list_;
    std::vector<ProfilePanel*> rows_; // in list_
    ImageButton* newButton_ = nullptr;
    int32_t selected_ = -1;
    RowRange visible_{0, -1};
};

// The new-player window.
class NewProfileWindow : public SpritesWindow {
  public:
    NewProfileWindow(WindowManager& manager, ProfileManager* profiles, const char16_t* initialName,
                     bool withCancel, ProfileCallback created, uint32_t showDelay);
    ~NewProfileWindow() override;

    bool OnKeyDown(uint32_t key, uint32_t flags) override;
    bool OnKeyPress(char16_t ch) override;
    uint32_t OnButtonClick(GameButton* button) override;
    void DrawChildren(DXLViewer& viewer) override;

    bool NameValid() const { return valid_; }
    bool OkShown() const;
    GameEdit* Field() const { return edit_; }
    // Creates the profile from the field (the "ok" button and Enter).
    void Confirm();

    // Validity and the "ok" button after a change of the field.
    void OnEditChanged();

  private:
    ProfileManager* profiles_; // the App's store

    ImageButton* ok_ = nullptr;
    ImageButton* cancel_ = nullptr;
    ImageButton* tutorial_ = nullptr;
    GameEdit* edit_ = nullptr;
    SkinText prompt_;
    bool valid_ = false;
    ProfileCallback created_;
};

// Opens the players' list (nothing when one is open).
ProfilesWindow* OpenProfilesWindow(ProfilesChanged changed, ProfilesChanged deleting);

// Tells the player in a dialog, once a run, which players' files the store
// set aside and whether it made the list of players again when it read them,
// naming the files where they are. True when the dialog opened.
bool ShowProfileLoadReport();
