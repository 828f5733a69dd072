#include "frontend/CreditsWindow.h"

#include "app/App.h"
#include "app/GameShell.h"
#include "app/GameStates.h"
#include "engine/Log.h"
#include "engine/SoundManager.h"
#include "engine/Texture.h"
#include "sprites/SpriteHost.h"
#include "text/GameLanguage.h"

#include <algorithm>

namespace {

constexpr int32_t kCreditsWidth = 600;
constexpr int32_t kViewWidth = 574;
constexpr int32_t kCreditsFont = 4;
constexpr int32_t kBlockGap = 8;
constexpr uint32_t kCreditsText = 0xFFFFFFFF;
constexpr uint32_t kCreditsShadow = 0x80000000;

} // namespace

CreditsWindow::CreditsWindow(WindowManager& manager, const GameLanguage* language)
    : SpritesWindow(manager, kCreditsWindowTag, {.hold = true, .modal = true}) {
    AddBackground(kCreditsWidth, 0);
    AddCaptionFrame(300);
    SetCaptionText(manager.Text(u"credits_window", u"caption"));
    contentTop_ = captionTop + kCaptionHeight - 4;
    view_ = kis::MakeRectWH(12, contentTop_ + 7, kViewWidth, CreditsScroll::kView);
    const int32_t height = view_.bottom + kBottomRowMargin * 2 + kButtonHeight;
    rect.bottom = rect.top + height;
    sprites_.ClearElements();
    sprites_.AddFrame(kSkinFrame, kis::MakeRectWH(0, 0, kCreditsWidth, height));
    sprites_.AddFrame(kSkinCaption, captionRect_);
    ImageButton* close = AddBottomButton(kCreditsClose, manager.Text(u"credits_window", u"btn_close"));
    SoundManager* sound = GetSpriteHost().Sound();
    close->clickSound = sound ? sound->FindSample(u"click") : 0;
    const int32_t lineHeight = MeasureSkinText(kCreditsFont, u"Ag").bottom;
    int32_t y = 0;
    const uint32_t count = language ? language->GetCreditsCount() : 0;
    for (uint32_t i = 0; i < count; ++i) {
        const GameCreditsRecord* entry = language->GetCredits(i);
        auto block = std::make_unique<Block>();
        block->kind = entry->kind;
        block->y = blocks_.empty() ? 0 : y;
        if (entry->kind == GameCreditsRecord::kLine) {
            block->text = entry->line;
            block->height = lineHeight; // an empty line still takes a line
        } else if (entry->kind == GameCreditsRecord::kImage && entry->texture) {
            block->texture = entry->texture;
            if (!block->texture->IsLive()) block->texture->Restore();
            block->height = block->texture->GetHeight();
        }
        y = block->y + block->height + kBlockGap;
        blocks_.push_back(std::move(block));
    }
    const int32_t total = blocks_.empty() ? 0 : blocks_.back()->y + blocks_.back()->height;
    scroll_ = CreditsScroll(total);
    if (scroll_.Scrolling())
        FindVisible(0);
    else
        SetLoadedRange(0, int32_t(blocks_.size()));
    Show(0, true);
}

CreditsWindow::~CreditsWindow() {
    SetLoadedRange(0, 0);
}

// The blocks in the view at the current offset, searched from a block on.
void CreditsWindow::FindVisible(int32_t from) {
    const int32_t o = scroll_.Offset();
    int32_t first = -1;
    for (int32_t i = std::max(0, from); i < int32_t(blocks_.size()); ++i) {
        const Block& b = *blocks_[size_t(i)];
        if (b.y < CreditsScroll::kView - o && b.y + b.height > -o) {
            first = i;
            break;
        }
    }
    if (first < 0 && from > 0) return FindVisible(0);
    if (first < 0) return SetLoadedRange(0, 0);
    int32_t end = first + 1;
    while (end < int32_t(blocks_.size()) && blocks_[size_t(end)]->y <= CreditsScroll::kView - o)
        ++end;
    SetLoadedRange(first, end);
}

// Only the blocks in view keep their laid-out texts.
void CreditsWindow::SetLoadedRange(int32_t first, int32_t end) {
    if (first >= end) first = end = 0;
    for (int32_t i = 0; i < int32_t(blocks_.size()); ++i) {
        Block& b = *blocks_[size_t(i)];
        const bool wanted = i >= first && i < end;
        if (wanted && !b.loaded) {
            b.loaded = true;
            if (b.kind == GameCreditsRecord::kLine && !b.text.empty()) {
                b.shown.Set(kCreditsFont, b.text);
                b.x = -b.shown.Width() / 2;
            } else if (b.texture) {
                b.x = -b.texture->GetWidth() / 2;
            }
        } else if (!wanted && b.loaded) {
            b.loaded = false;
            b.shown = SkinText();
        }
    }
    loadedFirst_ = first;
    loadedEnd_ = end;
}

bool CreditsWindow::OnKeyDown(uint32_t key, uint32_t flags) {
    if (key == kKeyEscape || key == kKeyReturn) {
        Close();
        return true;
    }
    return SpritesWindow::OnKeyDown(key, flags);
}

bool CreditsWindow::Update() {
    if (scroll_.Scrolling() && !Effects() && !closing) {
        const bool fast = state.TwoBits() == ControlState::kPressed && manager_.CapturedControl() == nullptr;
        const int32_t before = scroll_.Offset();
        const int32_t delta = scroll_.Step(FrameTime(), fast);
        if (delta != 0) {
            FindVisible(scroll_.Offset() < before ? loadedFirst_ : 0);
            backgroundOffset_ += float(delta);
        }
    }
    return SpritesWindow::Update();
}

uint32_t CreditsWindow::OnButtonClick(GameButton* button) {
    if (button->Command() != kCreditsClose) return 0;
    Close();
    return kClickResetLook;
}

void CreditsWindow::DrawBackground(DXLViewer& viewer) {
    SpritesWindow::DrawBackground(viewer);
    const float alpha = EffectAlpha();
    SkinQuads back;
    InitSkinPiece(&back, kSkinScrollTrack, view_, 0xFF3A2410);
    DrawSkinQuads(viewer, back, alpha);
    const int32_t o = scroll_.Offset();
    // Lines and pictures are cut at the view's edges.
    viewer.BeginClip(view_);
    for (int32_t i = loadedFirst_; i < loadedEnd_; ++i) {
        Block& b = *blocks_[size_t(i)];
        const int32_t x = view_.left + b.x + kViewWidth / 2, y = view_.top + o + b.y;
        if (b.kind == GameCreditsRecord::kLine) {
            if (b.text.empty()) continue;
            b.shown.Draw(viewer, float(x + 2), float(y + 2), ScaleAlpha(kCreditsShadow, alpha));
            b.shown.Draw(viewer, float(x), float(y), ScaleAlpha(kCreditsText, alpha));
        } else if (b.texture && b.height > 0) {
            SkinQuads picture;
            InitQuad(&picture, x, y, b.texture->GetWidth(), b.height, ScaleAlpha(0xFFFFFFFF, alpha),
                     b.texture, kis::MakeRectWH(0, 0, b.texture->GetWidth(), b.height));
            DrawSkinQuads(viewer, picture, 1.0f);
        }
    }
    viewer.EndClip();
}

CreditsWindow* OpenCreditsWindow() {
    WindowManager* manager = GetWindowManager();
    if (!manager || manager->FindWindowByLayer(kCreditsWindowTag)) return nullptr;
    LogLine(kLogIndent, "The credits window opens.");
    return manager->Open<CreditsWindow>(AppLanguage());
}
