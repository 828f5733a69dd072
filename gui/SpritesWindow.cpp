#include "gui/SpritesWindow.h"

#include "engine/Viewer.h"
#include "foundation/NumberText.h"

#include <algorithm>

namespace {

constexpr uint32_t kCaptionColour = 0xFFFFF4D8;
constexpr int32_t kDialogWidth = 420;
constexpr int32_t kDialogMinHeight = 180;
// The least room a dialog leaves above and below itself on the screen.
constexpr int32_t kDialogScreenMargin = 8;

// The largest count up to most that fits (fits(0) is never asked; 0 when no other count fits).
template <class Fits> size_t MostThatFit(size_t most, Fits fits) {
    size_t low = 0, high = most;
    while (low < high) {
        const size_t middle = (low + high + 1) / 2;
        if (fits(middle))
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

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

void DialogTexts::AddList(const std::vector<std::u16string>& items) {
    if (items.empty()) return;
    lists.emplace_back(size_t(std::count(text.begin(), text.end(), u'\n')) + 1, items.size());
    for (const std::u16string& item : items)
        text += u"\n" + item;
}

DialogWindow::DialogWindow(WindowManager& manager, const DialogParams& params, const char16_t* textKey,
                           const char16_t* captionKey, DialogResultCallback callback, uintptr_t user1,
                           uintptr_t user2)
    : BaseDialogWindow(manager, params, callback, user1, user2) {
    const char16_t* text = manager.Text(u"dialogs", textKey);
    const char16_t* caption = captionKey ? manager.Text(u"dialogs", captionKey) : nullptr;
    Build(params, DialogTexts{text ? text : u"", caption ? caption : u"", {}});
}

DialogWindow::DialogWindow(WindowManager& manager, const DialogParams& params, const DialogTexts& texts,
                           DialogResultCallback callback, uintptr_t user1, uintptr_t user2)
    : BaseDialogWindow(manager, params, callback, user1, user2) {
    Build(params, texts);
}

void DialogWindow::Build(const DialogParams& params, DialogTexts texts) {
    texts_ = std::move(texts);
    Fit();
    CreateButtons(params);
    // Centred on the screen from the start (the windows that open one never move it).
    Show(0, false);
}

// No dialog is taller than the screen. Its text stands as it is, with a
// folder named in it broken to the width, as no word of it would, where it
// fits; else each long folder is shortened in the middle to three lines,
// then to one; then each list shows as many of its first items as fit and
// how many more there are; last, the text's first lines that fit and "…".
// The callers log the whole text.
void DialogWindow::Fit() {
    WindowManager& manager = manager_;
    TextStyle style = DefaultTextStyle();
    style.maxWidth = kDialogWidth - 2 * kContentMargin;
    // Dark ink on the dialog's light parchment face.
    style.colour = 0xFF3A2410;
    style.flags |= kTextCentred;
    const int32_t chrome = 8 + kCaptionHeight + 12 + 24 + kButtonHeight + kBottomRowMargin;
    const int32_t room = manager.ScreenHeight() - 2 * kDialogScreenMargin - chrome;

    std::vector<std::u16string> lines(1);
    for (const char16_t c : texts_.text)
        if (c == u'\n')
            lines.emplace_back();
        else
            lines.back().push_back(c);
    size_t longest = 0;
    for (const auto& list : texts_.lists)
        longest = std::max(longest, list.second);
    // The lines with each list's items past the first `kept` told as a count.
    const auto listed = [&](size_t kept) {
        std::vector<std::u16string> shown;
        size_t line = 0;
        for (const auto& [first, count] : texts_.lists) {
            for (; line < first && line < lines.size(); ++line)
                shown.push_back(lines[line]);
            for (size_t i = 0; i < count && line < lines.size(); ++i, ++line)
                if (i < kept) shown.push_back(lines[line]);
            if (count > kept) {
                std::u16string more = manager.Text(u"dialogs", u"list_more");
                if (const size_t mark = more.find(u"%1"); mark != std::u16string::npos)
                    more.replace(mark, 2, kis::DecimalText(int64_t(count - kept)));
                shown.push_back(more);
            }
        }
        for (; line < lines.size(); ++line)
            shown.push_back(lines[line]);
        return shown;
    };
    const auto fits = [&](const std::vector<std::u16string>& shown, int32_t wordLines) {
        std::u16string text;
        for (size_t i = 0; i < shown.size(); ++i)
            text += (i ? u"\n" : u"") + shown[i];
        if (wordLines > 0) text = ShortenWideWords(style.fontSlot, text, style.maxWidth, wordLines);
        body_ = std::make_unique<HIText>(manager, style, BreakWideWords(style.fontSlot, text, style.maxWidth),
                                         0, manager.GetTextTagCallback());
        return body_->Height() <= room;
    };
    const std::vector<std::u16string> whole = listed(longest);
    if (!fits(whole, 0) && !fits(whole, 3) && !fits(whole, 1)) {
        const size_t kept = MostThatFit(longest, [&](size_t k) { return fits(listed(k), 1); });
        const std::vector<std::u16string> shown = listed(kept);
        if (!fits(shown, 1)) {
            const auto head = [&](size_t n) {
                std::vector<std::u16string> first(shown.begin(), shown.begin() + std::ptrdiff_t(n));
                first.push_back(u"\u2026");
                return first;
            };
            fits(head(MostThatFit(shown.size() - 1, [&](size_t n) { return fits(head(n), 1); })), 1);
        }
    }

    const int32_t height = std::max(kDialogMinHeight, chrome + body_->Height());
    sprites_.ClearElements();
    contentTop = 0;
    AddBackground(kDialogWidth, height);
    if (!texts_.caption.empty()) {
        AddCaptionFrame(kDialogWidth - 120);
        SetCaptionText(texts_.caption);
    }
    // The lines are centred on the widest one: the block itself is centred in the window.
    body_->SetPosition((kDialogWidth - body_->Width()) / 2, contentTop);
}

void DialogWindow::OnScreenResize(int32_t width, int32_t height) {
    Fit();
    LayoutBottomRow();
    SpritesWindow::OnScreenResize(width, height);
}

void DialogWindow::DrawBackground(DXLViewer& viewer) {
    SpritesWindow::DrawBackground(viewer);
    body_->Draw(viewer, EffectAlpha());
}
