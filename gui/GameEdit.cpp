#include "gui/GameEdit.h"

#include "engine/Texture.h"
#include "engine/Viewer.h"
#include "gui/Window.h"
#include "text/FontSlots.h"
#include "text/KGEFont.h"

#include <algorithm>

namespace {

constexpr uint32_t kEditTextColour = 0xFF2A1808;
constexpr uint32_t kSelectionColour = 0x804080FF;
constexpr uint32_t kCaretColour = 0xFF000000;

} // namespace

GameEdit::GameEdit(GameWindow* window, GameControls* group, const char16_t* accepted, const kis::Rect& area)
    : GameButton(window, group, 0), Edit(accepted) {
    GameButton::rect = area;
    SetFieldRect(area);
    cursor_ = kDefaultCursor;
}

uint32_t GameEdit::GetCharIndexAt() {
    KGEFont* font = GetFont(kEditFont);
    if (!font) return 0;
    const int32_t x = GetMouseX() - GetRect().left - kEditPadding;
    if (x <= 0) return 0;
    const int32_t index = font->GetCharIndexAt(x, GetText(), GetLength());
    return uint32_t(std::clamp<int32_t>(index, 0, int32_t(GetLength())));
}

uint32_t GameEdit::GetTextWidth(uint32_t start, uint32_t count) {
    KGEFont* font = GetFont(kEditFont);
    if (!font || start >= GetLength()) return 0;
    count = std::min(count, GetLength() - start);
    return uint32_t(std::max(0, font->MeasureText(GetText() + start, count).width));
}

void GameEdit::OnChanged() {
    ++changes_;
}

void GameEdit::SetSelection(uint32_t anchor, uint32_t caret) {
    Edit::SetSelection(anchor, caret);
    const kis::Rect& r = GetRect();
    const float left = float(r.left + kEditPadding);
    const float top = float(r.top + 4), bottom = float(r.bottom - 4);
    const float caretX = left + float(GetCaretOffset());
    BuildRectQuad(caretQuad_, caretX, top, caretX + 1.0f, bottom, /*closeLoop=*/false, /*zeroZ=*/true);
    const float start = left + float(GetTextWidth(0, GetSelectionStart()));
    const float end = start + float(GetTextWidth(GetSelectionStart(), GetSelectionLength()));
    BuildRectQuad(selectionQuad_, start, top, end, bottom, /*closeLoop=*/false, /*zeroZ=*/true);
}

bool GameEdit::OnMouseDown(int32_t x, int32_t y, uint32_t button) {
    if (!HasState()) return false;
    const bool inside = Edit::OnMouseDown(x, y, button, 0);
    if (!inside) SetFocused(false);
    if (inside) Manager().SetCapture(this);
    return inside;
}

bool GameEdit::OnMouseMove(int32_t x, int32_t y, uint32_t buttons) {
    if (IsDragging()) Edit::OnMouseMove(x, y, buttons, 0);
    return GameButton::OnMouseMove(x, y, buttons);
}

bool GameEdit::OnMouseUp(int32_t x, int32_t y, uint32_t button) {
    if (Manager().CapturedControl() == this) Manager().SetCapture(nullptr);
    const bool wasDragging = IsDragging();
    Edit::OnMouseUp(x, y, button, 0);
    return wasDragging;
}

bool GameEdit::OnMouseDblClick(int32_t x, int32_t y) {
    return Edit::OnSelectClick(x, y, 0);
}

bool GameEdit::OnKey(uint32_t key, uint32_t modifiers) {
    return Edit::OnKeyDown(key, modifiers);
}

bool GameEdit::OnCharacter(char16_t ch) {
    if (!IsFocused()) return false;
    OnChar(ch);
    return true;
}

void GameEdit::SetText(const char16_t* text) {
    SetSelection(0, GetLength());
    DeleteSelection();
    InsertAtCaret(text, -1);
    SetSelection(GetLength(), GetLength());
}

void GameEdit::Draw(DXLViewer& viewer, float alpha) {
    SkinQuads frame;
    InitSkinPiece(&frame, kSkinEditField, GetRect(), IsFocused() ? 0xFFFFFFFF : 0xFFF0E8D8);
    DrawSkinQuads(viewer, frame, alpha);
    ClearCurrentTexture(&viewer);
    if (IsFocused() && GetSelectionLength() > 0) {
        for (auto& v : selectionQuad_)
            v.colour = ScaleAlpha(kSelectionColour, alpha);
        viewer.FillRect(selectionQuad_);
    }
    KGEFont* font = GetFont(kEditFont);
    const int32_t height = font ? font->GetHeight() : 0;
    shown_.Set(kEditFont, GetText());
    shown_.Draw(viewer, float(GetRect().left + kEditPadding),
                float(GetRect().top + (GetRect().bottom - GetRect().top - height) / 2),
                ScaleAlpha(kEditTextColour, alpha));
    if (IsCaretVisible()) {
        ClearCurrentTexture(&viewer);
        for (auto& v : caretQuad_)
            v.colour = ScaleAlpha(kCaretColour, alpha);
        viewer.FillRect(caretQuad_);
    }
}
