#include "gui/Hint.h"

#include "engine/Viewer.h"
#include "gui/Controls.h"
#include "gui/Window.h"
#include "sprites/Sprite.h"
#include "text/FontSlots.h"
#include "text/KGEText.h"

#include <algorithm>

namespace {

constexpr int32_t kHintFont = 6;
constexpr uint32_t kHintTextColour = 0xFF3A2410;
constexpr uint32_t kShadowColour = 0x80000000;
constexpr int32_t kCaptionGap = 6; // below the caption, around the separator

} // namespace

// ---------------------------------------------------------------- style

void TextStyle::InitDefault(int32_t width, uint32_t kind, uintptr_t object) {
    *this = TextStyle{};
    // The texts' custom tags write prices, icons and colours as markup.
    flags = kTextWrap | kTextColour | kTextMarkup;
    maxWidth = width;
    colour = kHintTextColour;
    fontSlot = kHintFont;
    contextKind = kind;
    contextObject = object;
}

void TextStyle::SetShadow(const TextStyle* shadow) {
    if (!shadow) {
        shadowFlag = 0;
        return;
    }
    shadowColour = shadow->shadowColour ? shadow->shadowColour : kShadowColour;
    shadowX = shadow->shadowX;
    shadowY = shadow->shadowY;
    shadowFlag = 1;
}

TextStyle DefaultTextStyle() {
    TextStyle style{};
    style.InitDefault();
    style.shadowColour = kShadowColour;
    style.shadowX = style.shadowY = 1;
    return style;
}

std::u16string BreakWideWords(int32_t fontSlot, std::u16string_view text, int32_t width) {
    const KGEFont* font = GetFont(fontSlot);
    if (!font || width <= 0) return std::u16string(text);
    const auto separates = [](char16_t c) { return c == u' ' || c == u'\r' || c == u'\n'; };
    const auto fits = [&](size_t from, size_t to) {
        return font->MeasureText(text.data() + from, uint32_t(to - from)).width <= width;
    };
    std::u16string broken;
    for (size_t i = 0; i < text.size();) {
        if (separates(text[i])) {
            broken += text[i++];
            continue;
        }
        size_t end = i;
        while (end < text.size() && !separates(text[end]))
            ++end;
        while (!fits(i, end)) {
            // The longest head that fits (a character at least), cut after its last slash.
            size_t head = i + 1;
            while (head + 1 < end && fits(i, head + 1))
                ++head;
            size_t cut = head;
            while (cut > i + 1 && text[cut - 1] != u'/' && text[cut - 1] != u'\\')
                --cut;
            if (cut == i + 1 && text[i] != u'/' && text[i] != u'\\') cut = head;
            broken.append(text.substr(i, cut - i)).append(1, u'\n');
            i = cut;
        }
        broken.append(text.substr(i, end - i));
        i = end;
    }
    return broken;
}

std::u16string ShortenWideWords(int32_t fontSlot, std::u16string_view text, int32_t width, int32_t lines) {
    if (lines < 1) return std::u16string(text);
    const auto separates = [](char16_t c) { return c == u' ' || c == u'\r' || c == u'\n'; };
    const auto fits = [&](const std::u16string& word) {
        const std::u16string broken = BreakWideWords(fontSlot, word, width);
        return std::count(broken.begin(), broken.end(), u'\n') < lines;
    };
    std::u16string shortened;
    for (size_t i = 0; i < text.size();) {
        size_t end = i;
        while (end < text.size() && !separates(text[end]))
            ++end;
        std::u16string word(text.substr(i, end - i));
        if (!fits(word)) {
            // The most characters kept that fit, two fifths of them from the head.
            const auto cut = [&](size_t kept) {
                const size_t head = kept * 2 / 5;
                return word.substr(0, head) + u"\u2026" + word.substr(word.size() - (kept - head));
            };
            size_t low = 0, high = word.size() - 1;
            while (low < high) {
                const size_t middle = (low + high + 1) / 2;
                if (fits(cut(middle)))
                    low = middle;
                else
                    high = middle - 1;
            }
            word = cut(low);
        }
        shortened += word;
        if (end < text.size()) shortened += text[end];
        i = end + 1;
    }
    return shortened;
}

// ---------------------------------------------------------------- items

void HintItem::UnionBounds(kis::Rect* rect) const {
    rect->left = std::min(rect->left, x_);
    rect->top = std::min(rect->top, y_);
    rect->right = std::max(rect->right, x_ + Width());
    rect->bottom = std::max(rect->bottom, y_ + Height());
}

HIText::HIText(WindowManager& owner, const TextStyle& style, std::u16string text, uint32_t flags,
               TextTagCallback callback)
    : owner_(owner), style_(style), text_(std::move(text)), flags_(flags), callback_(callback) {
    Refresh();
}

HIText::~HIText() = default;

void HIText::SetText(std::u16string text) {
    text_ = std::move(text);
    Refresh();
}

void HIText::Refresh() {
    laidOut_.reset();
    shadow_.reset();
    width_ = height_ = 0;
    KGEFont* font = GetFont(style_.fontSlot);
    DXLViewer* viewer = owner_.Viewer();
    if (!font || !viewer || text_.empty()) return;
    KGETextParams params = KGEDefaultTextParams();
    params.flags = style_.flags | flags_;
    params.colour = style_.colour;
    params.wrapWidth = style_.maxWidth;
    params.tagContext1 = style_.contextKind;
    params.tagContext2 = style_.contextObject;
    KGETextW* made = nullptr;
    if (Failed(KGECreateText(viewer, font, &params, text_.c_str(), kKgeToTerminator, callback_, &made)))
        return;
    laidOut_.reset(made);
    width_ = laidOut_->GetWidth();
    height_ = laidOut_->GetHeight();
    if ((params.flags & kTextMarkup) && style_.shadowFlag) {
        KGETextW* shadow = nullptr;
        if (!Failed(
                KGECreateText(viewer, font, &params, text_.c_str(), kKgeToTerminator, callback_, &shadow)))
            shadow_.reset(shadow);
    }
}

void HIText::Draw(DXLViewer& viewer, float alpha) {
    if (!laidOut_) return;
    const DXLMatrix saved = viewer.CurrentTransform();
    // A text with markup keeps the colours its markup gave it and only fades.
    const bool markup = shadow_ != nullptr || ((style_.flags | flags_) & kTextMarkup) != 0;
    if (style_.shadowFlag) {
        KGETextW* shadow = shadow_ ? shadow_.get() : laidOut_.get();
        viewer.Translate(float(x_ + style_.shadowX), float(y_ + style_.shadowY));
        viewer.ApplyTransform();
        shadow->SetColor(ScaleAlpha(style_.shadowColour, alpha));
        shadow->Draw();
        viewer.SetTransform(&saved);
    }
    viewer.Translate(float(x_), float(y_));
    viewer.ApplyTransform();
    if (markup)
        laidOut_->SetAlpha(ScaleAlpha(style_.colour, alpha));
    else
        laidOut_->SetColor(ScaleAlpha(style_.colour, alpha));
    laidOut_->Draw();
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}

HISprite::HISprite(Sprite* sprite, int32_t frame) {
    if (sprite && sprite->GetLibrary()) instance_ = sprite->GetLibrary()->CreateInstance(sprite, 0);
    if (instance_) instance_->frame = std::clamp(frame, 0, sprite->GetFrameCount() - 1);
}

HISprite::~HISprite() = default;

int32_t HISprite::Width() const {
    kis::Rect r{0, 0, 0, 0};
    return instance_ && instance_->definition->GetFrameRect(instance_->frame, &r) ? r.right - r.left : 0;
}

int32_t HISprite::Height() const {
    kis::Rect r{0, 0, 0, 0};
    return instance_ && instance_->definition->GetFrameRect(instance_->frame, &r) ? r.bottom - r.top : 0;
}

void HISprite::Draw(DXLViewer& viewer, float alpha) {
    if (!instance_) return;
    const DXLMatrix saved = viewer.CurrentTransform();
    viewer.Translate(float(x_), float(y_));
    instance_->colour = ScaleAlpha(0xFFFFFFFF, alpha);
    instance_->Draw(viewer);
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}

// ---------------------------------------------------------------- box

BaseHintWindow::BaseHintWindow(WindowManager& manager) : manager_(manager) {}

BaseHintWindow::~BaseHintWindow() = default;

void BaseHintWindow::GetPosition(int32_t* x, int32_t* y) const {
    *x = box_.left;
    *y = box_.top;
}

void BaseHintWindow::SetPosition(int32_t x, int32_t y) {
    box_ = kis::MakeRectWH(x, y, box_.right - box_.left, box_.bottom - box_.top);
}

void BaseHintWindow::Show() {
    DoLayout();
    shown_ = true;
    shownAt_ = manager_.Now();
}

void BaseHintWindow::AddFrame(int32_t piece, const kis::Rect& rect) {
    sprites_.AddFrame(piece, rect);
}

void BaseHintWindow::Layout() {
    // The items one below the other; the box covers them and its padding.
    kis::Rect bounds{kHintPadding, kHintPadding, kHintPadding, kHintPadding};
    int32_t y = kHintPadding;
    for (auto& item : items_) {
        item->SetPosition(kHintPadding, y);
        item->UnionBounds(&bounds);
        y += item->Height() + kHintGap;
    }
    const int32_t width = bounds.right + kHintPadding;
    const int32_t height = bounds.bottom + kHintPadding;
    // Below the anchor, centred on it; above it when there is no room below.
    const int32_t sw = manager_.ScreenWidth(), sh = manager_.ScreenHeight();
    int32_t x = (anchor_.left + anchor_.right - width) / 2;
    int32_t top = anchor_.bottom + kHintGap;
    if (top + height > sh) top = anchor_.top - kHintGap - height;
    if (beside_) {
        top = (anchor_.top + anchor_.bottom - height) / 2;
        x = anchor_.right + kHintGap;
        if (x + width > sw) x = anchor_.left - kHintGap - width;
    }
    // Kept inside the bounds where they hold the box, and inside the screen always.
    kis::Rect area{0, 0, sw, sh};
    if (bounded_) {
        area.left = std::max(area.left, bounds_.left);
        area.right = std::min(area.right, bounds_.right);
        area.top = std::max(area.top, bounds_.top);
        area.bottom = std::min(area.bottom, bounds_.bottom);
    }
    if (area.bottom - area.top >= height && top + height > area.bottom) top = anchor_.top - kHintGap - height;
    x = std::clamp(x, area.left, std::max(area.left, area.right - width));
    top = std::clamp(top, area.top, std::max(area.top, area.bottom - height));
    x = std::clamp(x, 0, std::max(0, sw - width));
    top = std::clamp(top, 0, std::max(0, sh - height));
    box_ = kis::MakeRectWH(x, top, width, height);
    sprites_.ClearElements();
    sprites_.AddFrame(kSkinHintBox, kis::MakeRectWH(0, 0, width, height));
}

void BaseHintWindow::SetBounds(const kis::Rect* bounds) {
    bounded_ = bounds != nullptr;
    if (bounds) bounds_ = *bounds;
}

void BaseHintWindow::Draw(DXLViewer& viewer) {
    if (!shown_) return;
    const uint32_t since = manager_.Now() - shownAt_;
    const float fade = since >= kHintFadeTime ? 1.0f : float(since) / float(kHintFadeTime);
    const float alpha = alpha_ * fade;
    const DXLMatrix saved = viewer.CurrentTransform();
    viewer.Translate(float(box_.left), float(box_.top));
    viewer.ApplyTransform();
    sprites_.Draw(viewer, alpha);
    for (auto& item : items_)
        item->Draw(viewer, alpha);
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}

HIText* HintWindow::AddText(const std::u16string& text, const TextStyle& style) {
    auto item = std::make_unique<HIText>(manager_, style, text, 0, manager_.GetTextTagCallback());
    body_ = item.get();
    items_.push_back(std::move(item));
    return body_;
}

void HintWindow::SetText(const std::u16string& text) {
    if (body_) body_->SetText(text);
    if (shown_) DoLayout();
}

void HintWindow::AddSprite(Sprite* sprite, int32_t frame) {
    items_.push_back(std::make_unique<HISprite>(sprite, frame));
}

// ---------------------------------------------------------------- caption hint

namespace {

// The separator under the caption: a skin line as wide as the item.
class HISeparator : public HintItem {
  public:
    explicit HISeparator(int32_t width) : width_(width) {}
    int32_t Width() const override { return width_; }
    int32_t Height() const override { return 2 + kCaptionGap; }
    void Draw(DXLViewer& viewer, float alpha) override {
        SkinQuads quads;
        InitSkinPiece(&quads, kSkinSeparator, kis::MakeRectWH(x_, y_ + kCaptionGap / 2, width_, 2),
                      0xFFFFFFFF);
        DrawSkinQuads(viewer, quads, alpha);
    }

  private:
    int32_t width_;
};

} // namespace

CaptionHintWindow::CaptionHintWindow(WindowManager& manager, GameHint* owner, const char16_t* caption,
                                     const char16_t* body, const kis::Rect* anchor, int32_t width,
                                     uint32_t contextKind, uintptr_t contextObject)
    : HintWindow(manager), owner_(owner) {
    style_.InitDefault(width, contextKind, contextObject);
    if (caption && *caption) AddCaption(caption);
    if (body && *body) AddBody(body);
    SetRect(anchor ? *anchor : owner ? owner->ScreenRect() : kis::Rect{0, 0, 0, 0});
}

CaptionHintWindow::CaptionHintWindow(WindowManager& manager, GameHint* owner)
    : HintWindow(manager), owner_(owner) {
    style_.InitDefault();
}

void CaptionHintWindow::AddCaption(const std::u16string& caption) {
    TextStyle captionStyle = style_;
    captionStyle.colour = 0xFF6A2A00;
    items_.push_back(
        std::make_unique<HIText>(manager_, captionStyle, caption, 0, manager_.GetTextTagCallback()));
    captioned_ = true;
}

// The line parts a caption from the body under it; a hint of a caption alone
// has none.
void CaptionHintWindow::AddBody(const std::u16string& text) {
    if (captioned_) items_.push_back(std::make_unique<HISeparator>(style_.maxWidth));
    AddText(text, style_);
}

void CaptionHintWindow::SetText(const std::u16string& text) {
    if (!body_) {
        if (text.empty()) return;
        AddBody(text);
        if (shown_) DoLayout();
        return;
    }
    HintWindow::SetText(text);
}

void CaptionHintWindow::SetRect(const kis::Rect& anchor) {
    SetAnchor(anchor);
    if (shown_) DoLayout();
}
