#include "showcase/GuiShowcase.h"

#include "app/App.h"
#include "engine/Log.h"
#include "engine/SoundManager.h"
#include "gui/GameEdit.h"
#include "gui/ProgressLine.h"
#include "gui/Scrollbar.h"
#include "gui/SpritesWindow.h"
#include "platform/Utf.h"

#include <algorithm>
#include <string>

namespace {

constexpr int32_t kWidth = 460;
constexpr int32_t kHeight = 370;
constexpr uint32_t kDarkText = 0xFF3A2410;
constexpr int32_t kListEntries = 8;
constexpr int32_t kListShown = 4;
constexpr int32_t kListTop = 96;
constexpr int32_t kListWidth = 200;
constexpr uint32_t kCheckCommand = 1;
constexpr uint32_t kListCommand = 10; // + entry
// The line runs through the medal limits once every 20 s of game clock.
constexpr uint32_t kLineCycle = 20000;
constexpr uint32_t kBronze = 15000, kSilver = 10000, kGold = 5000;

const char16_t* CommandName(uint32_t command) {
    switch (command) {
    case kDialogOk:
        return u"ok";
    case kDialogCancel:
        return u"cancel";
    default:
        return u"other";
    }
}

uint32_t LogResult(uintptr_t, uintptr_t, uint32_t command) {
    LogLabelPrintf(kLogIndent, "Dialog result", "%s (0x%08X)",
                   platform::Utf16ToUtf8(CommandName(command)).c_str(), command);
    return 1;
}

class ShowcaseDialog : public BaseDialogWindow {
  public:
    explicit ShowcaseDialog(WindowManager& m)
        : BaseDialogWindow(m, DialogParams::Make(kDialogOk, kDialogCancel, nullptr, nullptr), LogResult, 0,
                           0),
          list_(this) {
        AddBackground(kWidth, kHeight);
        AddCaptionFrame(kWidth - 140);
        SetCaptionText(m.Text(u"dialogs", u"showcase"));
        CreateButtons(DialogParams::Make(kDialogOk, kDialogCancel, nullptr, nullptr));
        FindButton(kDialogOk)->SetHint(m.Text(u"dialogs", u"ok"), m.Text(u"dialogs", u"showcase_ok_hint"));
        FindButton(kDialogCancel)
            ->SetHint(m.Text(u"dialogs", u"cancel"), m.Text(u"dialogs", u"showcase_cancel_hint"));

        const uint32_t click = GetSoundManager().FindSample(u"click");
        FindButton(kDialogOk)->clickSound = FindButton(kDialogCancel)->clickSound = click;
        check_ = CreateCheckBox(this, &controls_, kCheckCommand, 32, contentTop,
                                m.Text(u"dialogs", u"showcase_check"));
        check_->clickSound = click;
        AddControls(&list_);
        for (int32_t i = 0; i < kListEntries; ++i) {
            const std::u16string text = std::u16string(m.Text(u"dialogs", u"showcase_entry")) + u" " +
                                        std::u16string(1, char16_t(u'1' + i));
            ImageButton* entry =
                CreateListButton(this, &list_, kListCommand + uint32_t(i), 32, 0, kListWidth, text.c_str());
            entry->checkable = true;
            entry->radioId = 1;
            entries_[i] = entry;
        }
        GameScrollbar* bar =
            list_.Make<GameScrollbar>(32 + kListWidth + 4, kListTop, kListShown * kListButtonHeight);
        bar->SetRange(0, kListEntries, kListShown);
        PlaceEntries();

        edit_ = controls_.Make<GameEdit>(u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 ",
                                         kis::MakeRectWH(264, kListTop + 20, 164, 28));
        edit_->SetText(m.Text(u"dialogs", u"showcase_name"));
        label_.Set(kButtonFont, m.Text(u"dialogs", u"showcase_name_label"));
        line_.Init(kRegimeHard, kBronze, kSilver, kGold, 130, 130, 130, (kWidth - 390) / 2,
                   kListTop + kListShown * kListButtonHeight + 36);
        Show(0, true);
    }

    bool Update() override {
        // The line is laid out in window coordinates; it runs with the game clock.
        line_.SetValue((manager_.Now() - openedAt_) % kLineCycle);
        return BaseDialogWindow::Update();
    }

    void DrawBackground(DXLViewer& viewer) override {
        BaseDialogWindow::DrawBackground(viewer);
        label_.Draw(viewer, 264, float(kListTop), ScaleAlpha(kDarkText, EffectAlpha()));
        line_.Draw(viewer);
    }

    uint32_t OnButtonClick(GameButton* button) override {
        if (button == check_) {
            LogLabelPrintf(kLogIndent, "Check box", "%s", check_->IsDisabled() ? "ticked" : "cleared");
            return 0;
        }
        if (button == scrollbar) {
            PlaceEntries();
            LogLabelPrintf(kLogIndent, "Scroll bar", "position %d", scrollbar->Position());
            return kClickNoSound;
        }
        if (button->Command() >= kListCommand && button->Command() < kListCommand + kListEntries) {
            LogLabelPrintf(kLogIndent, "List entry", "%u chosen", button->Command() - kListCommand + 1);
            return kClickSelectRadio;
        }
        return BaseDialogWindow::OnButtonClick(button);
    }

    bool OnKeyDown(uint32_t key, uint32_t flags) override {
        if (edit_->IsFocused() && key != kKeyReturn && key != kKeyEscape) {
            edit_->OnKey(key, flags);
            return true;
        }
        return BaseDialogWindow::OnKeyDown(key, flags);
    }

    bool OnKeyPress(char16_t ch) override {
        if (edit_->OnCharacter(ch))
            LogLabelPrintf(kLogIndent, "Edit field", "%s", platform::Utf16ToUtf8(edit_->GetText()).c_str());
        return true;
    }

    ~ShowcaseDialog() override { LogLine(kLogIndent, "The toolkit dialog is closed."); }

  private:
    // The entries from the bar's position are shown in the list's place; the others are hidden.
    void PlaceEntries() {
        const int32_t first = scrollbar ? scrollbar->Position() : 0;
        for (int32_t i = 0; i < kListEntries; ++i) {
            const bool shown = i >= first && i < first + kListShown;
            entries_[i]->SetVisible(shown, false);
            if (shown) entries_[i]->SetPosition(32, kListTop + (i - first) * kListButtonHeight);
        }
    }

    GameControls list_;
    ImageButton* check_ = nullptr;
    ImageButton* entries_[kListEntries] = {};
    GameEdit* edit_ = nullptr;
    ProgressLine line_;
    SkinText label_;
    uint32_t openedAt_ = manager_.Now();
};

} // namespace

void OpenShowcaseDialog() {
    WindowManager* manager = GetWindowManager();
    if (!manager || manager->FindWindowByLayer(kDialogTag)) return;
    manager->Open<ShowcaseDialog>();
    LogLine(kLogIndent, "The toolkit dialog is open.");
}
