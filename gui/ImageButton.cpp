#include "gui/ImageButton.h"

#include "engine/Log.h"
#include "engine/Viewer.h"
#include "gui/Window.h"
#include "platform/Utf.h"
#include "sprites/Sprite.h"

#include <algorithm>
#include <cwctype>

namespace {

constexpr int32_t kButtonPieces[8] = {-1, kSkinButton,     kSkinButton + 1, kSkinButton + 2,
                                      -1, kSkinButton + 3, kSkinButton + 3, kSkinButton + 3};
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kButtonText[8] = {0, 0xFF3A1C04, 0xFF1A0800, 0xFF3A1C04,
                                     0, 0xFF6A6058, 0xFF6A6058, 0xFF6A6058};

bool EqualNoCase(const std::u16string& a, const char16_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::towlower(wint_t(a[i])) != std::towlower(wint_t(b[i]))) return false;
    return i == a.size() && b[i] == 0;
}

} // namespace

ImageButton::ImageButton(GameWindow* window, GameControls* group, uint32_t command,
                         const int32_t (&pieces)[8], const char16_t* text, Sprite* icon)
    : ActiveButton(window, group, command) {
    clickSound = InterfaceClick();
    std::copy(std::begin(pieces), std::end(pieces), pieces_);
    std::fill(std::begin(colours_), std::end(colours_), kWhite);
    std::copy(std::begin(kButtonText), std::end(kButtonText), textColours_);
    if (text) SetCaption(text);
    if (icon) SetIcon(icon, 0);
}

ImageButton::ImageButton(GameWindow* window, GameControls* group, uint32_t command, int32_t x, int32_t y,
                         int32_t width, const char16_t* text)
    : ImageButton(window, group, command, kButtonPieces, text, nullptr) {
    rect = kis::MakeRectWH(x, y, width, kButtonHeight);
}

ImageButton::~ImageButton() = default;

void ImageButton::Invalidate() {
    std::fill(std::begin(cached_), std::end(cached_), false);
}

void ImageButton::SetIcon(Sprite* icon, int32_t frame) {
    icon_.reset();
    if (!icon || !icon->GetLibrary()) return;
    icon_ = icon->GetLibrary()->CreateInstance(icon, 0);
    if (icon_) icon_->frame = std::clamp(frame, 0, icon->GetFrameCount() - 1);
}

void ImageButton::SetPosition(int32_t x, int32_t y) {
    rect = kis::MakeRectWH(x, y, rect.right - rect.left, rect.bottom - rect.top);
    Invalidate();
}

void ImageButton::SetStateSprites(const int32_t (&pieces)[8]) {
    std::copy(std::begin(pieces), std::end(pieces), pieces_);
    Invalidate();
}

void ImageButton::SetStateColors(uint32_t normal, uint32_t hover, uint32_t pressed, uint32_t second) {
    const uint32_t colours[8] = {0, normal, hover, pressed, 0, second, second, second};
    SetColorsV(colours);
}

void ImageButton::SetColors(uint32_t normal, uint32_t hover) {
    SetStateColors(normal, hover, hover, normal);
}

void ImageButton::SetColorsV(const uint32_t (&colours)[8]) {
    std::copy(std::begin(colours), std::end(colours), colours_);
    Invalidate();
}

void ImageButton::SetTextColorsV(const uint32_t (&colours)[8]) {
    std::copy(std::begin(colours), std::end(colours), textColours_);
}

void ImageButton::SetFrameGrid(const SkinBorders& borders) {
    customGrid_ = true;
    grid_ = borders;
    Invalidate();
}

void ImageButton::SetImageQuad(Sprite* sheet, const kis::Rect& quad, int32_t faceHeight) {
    sheet_ = sheet;
    sheetQuad_ = quad;
    faceHeight_ = std::max(faceHeight, 1);
    rect = kis::MakeRectWH(rect.left, rect.top, quad.right - quad.left, faceHeight_);
    Invalidate();
}

bool ImageButton::InitImageFace(SkinQuads* record, int32_t face, uint32_t colour) {
    if (!sheet_ || !sheet_->Acquire() || !sheet_->GetTexture()) return false;
    const int32_t top = sheetQuad_.top + face * faceHeight_;
    if (face < 0 || top + faceHeight_ > sheetQuad_.bottom) return false;
    const kis::Rect source{sheetQuad_.left, top, sheetQuad_.right, top + faceHeight_};
    InitQuad(record, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, colour,
             sheet_->GetTexture(), source);
    return true;
}

void ImageButton::SetTextLayout(int32_t fontSlot, int32_t align, int32_t dx, int32_t dy) {
    fontSlot_ = fontSlot;
    align_ = align;
    textDx_ = dx;
    textDy_ = dy;
    const kis::Rect size = MeasureSkinText(fontSlot_, text_.c_str());
    textWidth_ = size.right;
    textHeight_ = size.bottom;
    shown_.Set(fontSlot_, text_);
}

void ImageButton::SetCaption(const char16_t* text) {
    if (!text) text = u"";
    if (EqualNoCase(text_, text)) return;
    text_ = text;
    SetTextLayout(fontSlot_, align_, textDx_, textDy_);
}

void ImageButton::DrawLook(DXLViewer& viewer, uint32_t look, float alpha) {
    look &= 7;
    const int32_t piece = pieces_[look];
    if (piece < 0 || alpha <= 0.0f) return;
    if (!cached_[look]) {
        if (sheet_) {
            if (!InitImageFace(&cache_[look], piece, colours_[look]))
                InitSkinPiece(&cache_[look], kSkinButton + std::min(piece, 3), rect, colours_[look]);
        } else if (customGrid_) {
            kis::Rect source{0, 0, 0, 0};
            if (GetSkinRect(piece, &source))
                InitNinePatch(&cache_[look], rect.left, rect.top, rect.right - rect.left,
                              rect.bottom - rect.top, grid_.left, grid_.top, grid_.right, grid_.bottom,
                              colours_[look], 0, kInterfaceTexture, source);
            else
                InitSkinPiece(&cache_[look], piece, rect, colours_[look]);
        } else {
            // A check box keeps its size; the text stands to its right.
            kis::Rect area = rect;
            if (piece == kSkinCheckOff || piece == kSkinCheckOn)
                area = kis::MakeRectWH(rect.left, rect.top, kCheckBoxSize, kCheckBoxSize);
            InitSkinPiece(&cache_[look], piece, area, colours_[look]);
        }
        cached_[look] = true;
    }
    DrawSkinQuads(viewer, cache_[look], alpha);
}

void ImageButton::Draw(DXLViewer& viewer, float alpha) {
    alpha *= EffectAlpha();
    const float p = state_.Progress();
    const uint32_t look = state_.State(), previous = state_.Previous();
    if (p < 1.0f && (previous & 3) != 0) DrawLook(viewer, previous, alpha);
    DrawLook(viewer, look, (previous & 3) != 0 ? alpha : alpha * p);
    if (icon_) {
        const DXLMatrix saved = viewer.CurrentTransform();
        viewer.Translate(float(rect.left + 6), float(rect.top + (rect.bottom - rect.top) / 2));
        icon_->originY = 0.5f;
        icon_->colour = ScaleAlpha(0xFFFFFFFF, alpha);
        icon_->Draw(viewer);
        viewer.SetTransform(&saved);
        viewer.ApplyTransform();
    }
    DrawStateText(viewer, alpha);
}

void ImageButton::DrawStateText(DXLViewer& viewer, float alpha) {
    const float p = state_.Progress();
    if (p < 1.0f && (state_.Previous() & 3) != 0 &&
        TextColour(state_.Previous()) != TextColour(state_.State()))
        DrawText(viewer, state_.Previous(), alpha * (1.0f - p));
    DrawText(viewer, state_.State(), p < 1.0f ? alpha * p : alpha);
}

// A caption that runs past the button's sides is drawn over its frame or
// beside it: the log tells it once per button, for the screen walks to find.
void ImageButton::TellCaptionPastSides(int32_t x) {
    if (!overflow_.FirstTime(kis::MakeRect(x, rect.top, x + textWidth_, rect.bottom), rect)) return;
    LogLabelPrintf(kLogIndent, "Caption overflows its button", "\"%s\" %d px from %d in (%d, %d)",
                   platform::Utf16ToUtf8(text_).c_str(), int(textWidth_), int(x), int(rect.left),
                   int(rect.right));
}

void ImageButton::DrawText(DXLViewer& viewer, uint32_t look, float alpha) {
    if (text_.empty() || alpha <= 0.0f) return;
    const bool box = pieces_[1] == kSkinCheckOff;
    int32_t x = rect.left + textDx_;
    if (box)
        x += kCheckBoxSize + 8;
    else if (align_ == 1)
        x += (rect.right - rect.left - textWidth_) / 2;
    else if (align_ == 2)
        x = rect.right - textWidth_ - textDx_;
    else
        x += 8;
    if (!box) TellCaptionPastSides(x);
    const int32_t height = box ? kCheckBoxSize : rect.bottom - rect.top;
    const int32_t y = rect.top + (height - textHeight_) / 2 + textDy_ + ((look & 3) == 3 ? 1 : 0);
    shown_.Draw(viewer, float(x), float(y), ScaleAlpha(TextColour(look), alpha));
}

NarrowButton::NarrowButton(GameWindow* window, GameControls* group, uint32_t command, int32_t width,
                           const char16_t* text)
    : ImageButton(window, group, command, 0, 0, width > 0 ? width : kNarrowButtonWidth, text) {}

ImageButton* CreateListButton(GameWindow* window, GameControls* group, uint32_t command, int32_t x, int32_t y,
                              int32_t width, const char16_t* text) {
    (void)window; // the group makes its controls for its own window
    constexpr int32_t pieces[8] = {-1, kSkinListButton, kSkinListButton, kSkinListButton,
                                   -1, kSkinListButton, kSkinListButton, kSkinListButton};
    ImageButton* button = group->Make<ImageButton>(command, pieces, text, nullptr);
    button->rect = kis::MakeRectWH(x, y, width, kListButtonHeight);
    // Chosen (second bank) entries stay lit.
    button->SetColorsV({0, 0xFFE8D8B8, 0xFFFFF0C8, 0xFFD0B890, 0, 0xFFFFD070, 0xFFFFE090, 0xFFE0B060});
    button->SetTextColorsV({0, 0xFF3A2410, 0xFF000000, 0xFF000000, 0, 0xFF3A1000, 0xFF3A1000, 0xFF3A1000});
    button->SetTextLayout(kButtonFont, 0, 0, 0);
    return button;
}

ImageButton* CreateCheckBox(GameWindow* window, GameControls* group, uint32_t command, int32_t x, int32_t y,
                            const char16_t* text) {
    constexpr int32_t pieces[8] = {-1, kSkinCheckOff, kSkinCheckOff, kSkinCheckOff,
                                   -1, kSkinCheckOn,  kSkinCheckOn,  kSkinCheckOn};
    (void)window;
    ImageButton* box = group->Make<ImageButton>(command, pieces, text, nullptr);
    const kis::Rect size = MeasureSkinText(kButtonFont, text ? text : u"");
    box->rect = kis::MakeRectWH(x, y, kCheckBoxSize + 8 + size.right, kCheckBoxSize);
    box->checkable = true;
    box->SetColorsV({0, 0xFFFFFFFF, 0xFFFFF0C0, 0xFFE0D0A0, 0, 0xFFFFFFFF, 0xFFFFF0C0, 0xFFE0D0A0});
    box->SetTextColorsV({0, 0xFF3A2410, 0xFF000000, 0xFF000000, 0, 0xFF3A2410, 0xFF000000, 0xFF000000});
    return box;
}
