#include "gui/SpritesWindow.h"

#include "engine/Viewer.h"

#include <algorithm>

namespace {

constexpr uint32_t kCaptionColour = 0xFFFFF4D8;
constexpr int32_t kDialogWidth = 420;
constexpr int32_t kDialogMinHeight = 180;

} // namespace

SpritesWindow::SpritesWindow(WindowManager& manager, uint32_t windowId, SpritesWindowOptions options)
    : DragWindow(manager, windowId, options.modal) {
    if (options.hold) {
        held_ = manager.TopSpritesWindow();
        if (held_) {
            held_->onHold_ = true;
            held_->holdStart_ = manager.Now();
        }
    }
    manager.AddSpritesWindow(this);
}

SpritesWindow::~SpritesWindow() {
    manager_.RemoveSpritesWindow(this);
    if (held_ && manager_.HasSpritesWindow(held_)) held_->onHold_ = false;
}

void SpritesWindow::AddBackground(int32_t width, int32_t height) {
    rect = kis::MakeRectWH(rect.left, rect.top, width, height);
    sprites_.AddFrame(kSkinFrame, kis::MakeRectWH(0, 0, width, height));
    if (contentTop == 0) contentTop = kContentMargin;
}

void SpritesWindow::AddCaptionFrame(int32_t width) {
    const int32_t w = rect.right - rect.left;
    width = std::min(width, w - 2 * kContentMargin);
    captionTop = 8;
    captionRect_ = kis::MakeRectWH((w - width) / 2, captionTop, width, kCaptionHeight);
    sprites_.AddFrame(kSkinCaption, captionRect_);
    contentTop = captionTop + kCaptionHeight + 12;
}

ImageButton* SpritesWindow::AddBottomButton(uint32_t command, const char16_t* text, int32_t width) {
    ImageButton* button = controls_.Make<ImageButton>(command, 0, 0, width, text);
    bottomRow_.push_back(button);
    LayoutBottomRow();
    return button;
}

void SpritesWindow::LayoutBottomRow() {
    constexpr int32_t kGap = 16;
    int32_t total = 0;
    for (ImageButton* b : bottomRow_)
        total += b->rect.right - b->rect.left;
    total += kGap * (int32_t(bottomRow_.size()) - 1);
    int32_t x = (rect.right - rect.left - total) / 2;
    const int32_t y = rect.bottom - rect.top - kBottomRowMargin - kButtonHeight;
    for (ImageButton* b : bottomRow_) {
        b->SetPosition(x, y);
        x += b->rect.right - b->rect.left + kGap;
    }
}

void SpritesWindow::Show(uint32_t delay, bool animated) {
    int32_t x = 0, y = 0;
    GetCenteredPosition(&x, &y);
    MoveTo(x, y);
    if (!animated) return;
    const uint32_t start = delay + kSlideInDelay;
    // Out of sight until the slide begins, then down from above the screen.
    AddEffect(new SEffect_Alpha(0.0f, 0.0f, start, true, 0));
    AddEffect(new SEffect_Pos(0.0f, -float(rect.bottom), 0.0f, 0.0f, kSlideInTime, true, start));
}

void SpritesWindow::Recentre() {
    int32_t x = 0, y = 0;
    GetCenteredPosition(&x, &y);
    MoveTo(x, y);
}

void SpritesWindow::OnScreenResize(int32_t, int32_t) {
    Recentre();
}

void SpritesWindow::Close() {
    DragWindow::Close();
}

void SpritesWindow::Draw(DXLViewer& viewer) {
    DrawBackground(viewer);
    DrawChildren(viewer);
}

void SpritesWindow::DrawBackground(DXLViewer& viewer) {
    const float alpha = EffectAlpha();
    sprites_.Draw(viewer, alpha);
    if (!caption_.Text().empty()) {
        const float x =
            float(captionRect_.left + (captionRect_.right - captionRect_.left - caption_.Width()) / 2);
        const float y =
            float(captionRect_.top + (captionRect_.bottom - captionRect_.top - caption_.Height()) / 2);
        caption_.Draw(viewer, x, y, ScaleAlpha(kCaptionColour, alpha));
    }
}

void SpritesWindow::DrawChildren(DXLViewer& viewer) {
    GameWindow::DrawChildren(viewer);
}

// ---------------------------------------------------------------- dialogs

DialogParams DialogParams::Make(uint32_t first, uint32_t second, const char16_t* firstText,
                                const char16_t* secondText) {
    DialogParams params;
    params.commands[0] = first;
    params.commands[1] = second;
    if (firstText) params.texts[0] = firstText;
    if (secondText) params.texts[1] = secondText;
    return params;
}

BaseDialogWindow::BaseDialogWindow(WindowManager& manager, const DialogParams& params,
                                   DialogResultCallback callback, uintptr_t user1, uintptr_t user2)
    : SpritesWindow(manager, kDialogTag, {.hold = true, .modal = true}), callback_(callback), user1_(user1),
      user2_(user2) {
    (void)params; // the subclass sizes the window first, then makes the buttons
}

const char16_t* BaseDialogWindow::DefaultText(uint32_t command) const {
    switch (command) {
    case kDialogOk:
        return manager_.Text(u"dialogs", u"ok");
    case kDialogCancel:
        return manager_.Text(u"dialogs", u"cancel");
    case kDialogYes:
        return manager_.Text(u"dialogs", u"yes");
    case kDialogNo:
        return manager_.Text(u"dialogs", u"no");
    default:
        return u"";
    }
}

void BaseDialogWindow::CreateButtons(const DialogParams& params) {
    for (int i = 0; i < 2; ++i) {
        if (params.commands[i] == 0) continue;
        const char16_t* text =
            params.texts[i].empty() ? DefaultText(params.commands[i]) : params.texts[i].c_str();
        AddBottomButton(params.commands[i], text);
    }
}

ImageButton* BaseDialogWindow::FindButton(uint32_t command) const {
    for (ImageButton* b : bottomRow_)
        if (b->Command() == command) return b;
    return nullptr;
}

bool BaseDialogWindow::OnKeyDown(uint32_t key, uint32_t flags) {
    ImageButton* confirm = FindButton(kDialogOk);
    if (!confirm) confirm = FindButton(kDialogYes);
    if (key == kKeyReturn) {
        if (confirm) Press(confirm->Command());
        return true;
    }
    if (key == kKeyEscape) {
        ImageButton* cancel = FindButton(kDialogCancel);
        if (!cancel) cancel = FindButton(kDialogNo);
        if (!cancel) cancel = confirm;
        if (cancel) Press(cancel->Command());
        return true;
    }
    return SpritesWindow::OnKeyDown(key, flags);
}

uint32_t BaseDialogWindow::OnButtonClick(GameButton* button) {
    if (std::find(bottomRow_.begin(), bottomRow_.end(), button) != bottomRow_.end()) Press(button->Command());
    return 0;
}

void BaseDialogWindow::Press(uint32_t command) {
    if (closing) return;
    const uint32_t answer = callback_ ? callback_(user1_, user2_, command) : 1;
    if (answer != 0) Close();
}

DialogWindow::DialogWindow(WindowManager& manager, const DialogParams& params, const char16_t* textKey,
                           const char16_t* captionKey, DialogResultCallback callback, uintptr_t user1,
                           uintptr_t user2)
    : BaseDialogWindow(manager, params, callback, user1, user2) {
    Build(params, manager.Text(u"dialogs", textKey),
          captionKey ? manager.Text(u"dialogs", captionKey) : nullptr);
}

DialogWindow::DialogWindow(WindowManager& manager, const DialogParams& params, const DialogTexts& texts,
                           DialogResultCallback callback, uintptr_t user1, uintptr_t user2)
    : BaseDialogWindow(manager, params, callback, user1, user2) {
    Build(params, texts.text.c_str(), texts.caption.empty() ? nullptr : texts.caption.c_str());
}

void DialogWindow::Build(const DialogParams& params, const char16_t* text, const char16_t* caption) {
    WindowManager& manager = manager_;
    TextStyle style = DefaultTextStyle();
    style.maxWidth = kDialogWidth - 2 * kContentMargin;
    // Dark ink on the dialog's light parchment face.
    style.colour = 0xFF3A2410;
    style.flags |= kTextCentred;
    // A folder named in the text breaks to the width, as no word of it would.
    body_ = std::make_unique<HIText>(manager, style,
                                     BreakWideWords(style.fontSlot, text ? text : u"", style.maxWidth), 0,
                                     manager.GetTextTagCallback());
    const int32_t contentHeight = body_->Height();
    const int32_t height = std::max(kDialogMinHeight, 8 + kCaptionHeight + 12 + contentHeight + 24 +
                                                          kButtonHeight + kBottomRowMargin);
    AddBackground(kDialogWidth, height);
    if (caption) {
        AddCaptionFrame(kDialogWidth - 120);
        SetCaptionText(caption);
    }
    // The lines are centred on the widest one: the block itself is centred in the window.
    body_->SetPosition((kDialogWidth - body_->Width()) / 2, contentTop);
    CreateButtons(params);
    // Centred on the screen from the start (the windows that open one never move it).
    Show(0, false);
}

void DialogWindow::DrawBackground(DXLViewer& viewer) {
    SpritesWindow::DrawBackground(viewer);
    body_->Draw(viewer, EffectAlpha());
}
