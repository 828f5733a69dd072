#pragma once
#include "foundation/Helpers.h"
#include "platform/Clipboard.h"
#include "platform/Clock.h"
#include "platform/GraphicsDevice.h"
#include "platform/Input.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

// The single-line edit field: a short text, a caret and a selection, typed
// characters filtered against a set of accepted ones, key and mouse events
// turned into editing actions, a blinking caret, and copy, cut and paste
// through the clipboard. Measuring, hit-testing and drawing belong to a
// subclass (the game's profile-name field), which supplies GetTextWidth and
// GetCharIndexAt.
//
// The class chain mirrors how the field's state is layered: the text length,
// the text, the accepted characters, the caret and selection, and the field's
// rectangle and last mouse position.

// Modifier bits of key and mouse events.
constexpr uint32_t kEditCtrl = 1;
constexpr uint32_t kEditShift = 2;
constexpr uint32_t kEditThirdModifier = 4; // passed on, never tested

// Mouse buttons.
constexpr uint32_t kEditLeftButton = 1;

// Virtual key codes the field understands (the Windows numbering).
constexpr uint32_t kEditKeyBack = 8;
constexpr uint32_t kEditKeyEnd = 35;
constexpr uint32_t kEditKeyHome = 36;
constexpr uint32_t kEditKeyLeft = 37;
constexpr uint32_t kEditKeyUp = 38;
constexpr uint32_t kEditKeyRight = 39;
constexpr uint32_t kEditKeyDown = 40;
constexpr uint32_t kEditKeyDelete = 46;
constexpr uint32_t kEditKeyC = 'C';
constexpr uint32_t kEditKeyV = 'V';
constexpr uint32_t kEditKeyX = 'X';

// The clipboard the edit fields copy to and paste from; the application sets
// it from its backend at start-up. Without one, copy and paste do nothing.
inline platform::Clipboard*& EditClipboardSlot() {
    static platform::Clipboard* clipboard = nullptr;
    return clipboard;
}
inline void SetEditClipboard(platform::Clipboard* clipboard) {
    EditClipboardSlot() = clipboard;
}
inline platform::Clipboard* GetEditClipboard() {
    return EditClipboardSlot();
}

// ---------------------------------------------------------------- the chain

template <class C, uint32_t N> class _EditTextValBase {
  public:
    static constexpr uint32_t kMaxLength = N;
    uint32_t GetLength() const { return length_; }

  protected:
    uint32_t length_ = 0;
};

template <class C, uint32_t N, int K> class _EditTextVal : public _EditTextValBase<C, N> {
  public:
    const C* GetText() const { return text_; }

  protected:
    C text_[N + 1] = {}; // always terminated
};

template <class C, uint32_t N, int K> class _EditTextBase : public _EditTextVal<C, N, K> {
  public:
    static constexpr uint32_t kCharacterCount = 1u << (8 * sizeof(C));
    static_assert(sizeof(C) <= 2, "one table byte per code unit");

    bool IsAccepted(C ch) const { return accepted_[static_cast<std::make_unsigned_t<C>>(ch)] != 0; }

  protected:
    // Characters of code 32 and above become accepted; control characters never are.
    explicit _EditTextBase(const C* acceptedCharacters) {
        std::memset(accepted_, 0, sizeof(accepted_));
        if (!acceptedCharacters) return;
        for (const C* p = acceptedCharacters; *p; ++p) {
            const auto code = static_cast<std::make_unsigned_t<C>>(*p);
            if (code >= 32) accepted_[code] = 1;
        }
    }

    uint8_t accepted_[kCharacterCount];
};

template <class C, uint32_t N, int K> class _EditBase : public _EditTextBase<C, N, K> {
    using Base = _EditTextBase<C, N, K>;

  public:
    explicit _EditBase(const C* acceptedCharacters)
        : Base(acceptedCharacters), blinkPeriod_(platform::kCaretBlinkTime),
          blinkStart_(platform::Milliseconds()) {}

    // ---- virtual operations, in slot order
    // Called before the text grows at its end.
    virtual void Reserve(uint32_t newLength) { (void)newLength; }
    virtual ~_EditBase() = default;
    // Called after the text changed.
    virtual void OnChanged() {}
    virtual void SetSelection(uint32_t anchor, uint32_t caret) {
        anchor_ = anchor < this->length_ ? anchor : this->length_;
        caret_ = caret < this->length_ ? caret : this->length_;
        caretOffset_ = caret_ ? GetTextWidth(0, caret_) : 0;
        anchorOffset_ = anchor_ != caret_ ? GetTextWidth(0, anchor_) : caretOffset_;
        blinkStart_ = platform::Milliseconds(); // the caret shows at once after every move
    }
    // The character position under the last mouse position.
    virtual uint32_t GetCharIndexAt() = 0;
    virtual void SetCaret(uint32_t position) { SetSelection(position, position); }
    // True when the clipboard took the selection.
    virtual bool Copy() = 0;
    virtual void Paste() = 0;
    // Width in pixels of count characters from start.
    virtual uint32_t GetTextWidth(uint32_t start, uint32_t count) = 0;

    // ---- selection and caret
    uint32_t GetAnchor() const { return anchor_; }
    uint32_t GetCaret() const { return caret_; }
    uint32_t GetSelectionStart() const { return anchor_ < caret_ ? anchor_ : caret_; }
    uint32_t GetSelectionLength() const { return anchor_ < caret_ ? caret_ - anchor_ : anchor_ - caret_; }
    uint32_t GetCaretOffset() const { return caretOffset_; }
    uint32_t GetAnchorOffset() const { return anchorOffset_; }
    void SelectAll() { SetSelection(0, this->length_); }

    bool IsFocused() const { return focused_; }
    bool IsDragging() const { return dragging_; }
    void SetFocused(bool focused) {
        if (focused == focused_) return;
        ResetActions();
        focused_ = focused;
    }

    uint32_t GetBlinkPeriod() const { return blinkPeriod_; }
    bool IsCaretVisible() const { return IsCaretVisibleAt(platform::Milliseconds()); }
    bool IsCaretVisibleAt(uint32_t now) const {
        if (!focused_) return false;
        if (blinkPeriod_ == 0) return true;
        return (now - blinkStart_) % (2 * blinkPeriod_) < blinkPeriod_;
    }

    // ---- editing
    // Inserts the accepted characters of text (count < 0: up to its terminator)
    // at the position, as many as fit; returns how many were inserted.
    uint32_t InsertText(uint32_t position, const C* text, int32_t count) {
        if (!text) return 0;
        const uint32_t room = N - this->length_;
        C accepted[N];
        uint32_t n = 0;
        for (int32_t i = 0; n < room && (count < 0 || i < count); ++i) {
            const C ch = text[i];
            if (count < 0 && ch == 0) break;
            if (this->IsAccepted(ch)) accepted[n++] = ch;
        }
        if (n == 0) return 0;
        if (position >= this->length_) {
            position = this->length_;
            Reserve(this->length_ + n);
        } else {
            std::memmove(this->text_ + position + n, this->text_ + position,
                         (this->length_ - position) * sizeof(C));
        }
        std::memcpy(this->text_ + position, accepted, n * sizeof(C));
        this->length_ += n;
        this->text_[this->length_] = 0;
        return n;
    }

    // Replaces the selection by the text and puts the caret behind it.
    void InsertAtCaret(const C* text, int32_t count) {
        const bool deleted = RemoveSelection();
        const uint32_t inserted = InsertText(caret_, text, count);
        caret_ += inserted;
        if (deleted || inserted) {
            OnChanged();
            SetSelection(caret_, caret_);
        }
    }

    void DeleteSelection() {
        if (RemoveSelection()) {
            OnChanged();
            SetSelection(caret_, caret_);
        }
    }

    // Word positions: only the blank separates words.
    uint32_t WordLeft(uint32_t from) const {
        uint32_t p = from < this->length_ ? from : this->length_;
        while (p > 0 && this->text_[p - 1] == C(' '))
            --p;
        while (p > 0 && this->text_[p - 1] != C(' '))
            --p;
        return p;
    }
    uint32_t WordRight(uint32_t from) const {
        uint32_t p = from < this->length_ ? from : this->length_;
        while (p < this->length_ && this->text_[p] == C(' '))
            ++p;
        while (p < this->length_ && this->text_[p] != C(' '))
            ++p;
        while (p < this->length_ && this->text_[p] == C(' '))
            ++p;
        return p;
    }

  protected:
    // Removes the selected characters, leaving anchor and caret at the start;
    // true when anything was removed.
    bool RemoveSelection() {
        const uint32_t start = GetSelectionStart();
        const uint32_t count = GetSelectionLength();
        anchor_ = caret_ = start;
        if (count == 0) return false;
        std::memmove(this->text_ + start, this->text_ + start + count,
                     (this->length_ - start - count + 1) * sizeof(C)); // with the terminator
        this->length_ -= count;
        return true;
    }

    void ResetActions() { dragging_ = false; }

    uint32_t anchor_ = 0;
    uint32_t caret_ = 0;
    uint32_t blinkPeriod_;
    uint32_t blinkStart_;
    uint32_t caretOffset_ = 0;
    uint32_t anchorOffset_ = 0;
    bool focused_ = false;
    bool dragging_ = false;
};

template <class C, uint32_t N, int K> class _DXLEditBase : public _EditBase<C, N, K> {
    using Base = _EditBase<C, N, K>;

  public:
    explicit _DXLEditBase(const C* acceptedCharacters) : Base(acceptedCharacters) {}

    // ---- virtual operations, continuing the slots of the base
    virtual bool OnMouseDown(int32_t x, int32_t y, uint32_t button, uint32_t modifiers) {
        StoreMouse(x, y);
        if (!kis::PtInRect(x, y, rect_)) return false;
        if (button == kEditLeftButton) {
            this->SetFocused(true);
            const uint32_t position = this->GetCharIndexAt();
            const uint32_t anchor = (modifiers & kEditShift) ? this->anchor_ : position;
            this->SetSelection(anchor, position);
            this->dragging_ = true;
        }
        return true;
    }
    virtual bool OnMouseMove(int32_t x, int32_t y, uint32_t buttons, uint32_t modifiers) {
        (void)buttons;
        (void)modifiers;
        StoreMouse(x, y);
        if (this->dragging_) this->SetSelection(this->anchor_, this->GetCharIndexAt());
        return true;
    }
    virtual bool OnSelectClick(int32_t x, int32_t y, uint32_t modifiers) {
        (void)modifiers;
        StoreMouse(x, y);
        if (!kis::PtInRect(x, y, rect_)) return false;
        this->SetFocused(true);
        this->SelectAll();
        return true;
    }
    virtual bool OnKeyDown(uint32_t key, uint32_t modifiers) {
        if (!this->focused_) return false;
        const bool ctrl = (modifiers & kEditCtrl) != 0;
        const bool shift = (modifiers & kEditShift) != 0;
        switch (key) {
        case kEditKeyBack:
            Backspace();
            break;
        case kEditKeyEnd:
            if (this->caret_ < this->length_) MoveCaret(this->length_, shift);
            break;
        case kEditKeyHome:
            if (this->caret_ > 0) MoveCaret(0, shift);
            break;
        case kEditKeyLeft:
        case kEditKeyUp:
            if (this->caret_ > 0) MoveCaret(ctrl ? this->WordLeft(this->caret_) : this->caret_ - 1, shift);
            break;
        case kEditKeyRight:
        case kEditKeyDown:
            if (this->caret_ < this->length_)
                MoveCaret(ctrl ? this->WordRight(this->caret_) : this->caret_ + 1, shift);
            break;
        case kEditKeyDelete:
            Delete(ctrl);
            break;
        case kEditKeyC:
            if (modifiers == kEditCtrl) this->Copy();
            break;
        case kEditKeyX:
            // The selection goes only once the clipboard holds it.
            if (modifiers == kEditCtrl && this->Copy()) this->DeleteSelection();
            break;
        case kEditKeyV:
            if (modifiers == kEditCtrl) this->Paste();
            break;
        default:
            break;
        }
        return true;
    }
    virtual void OnChar(C ch) = 0;

    void OnMouseUp(int32_t x, int32_t y, uint32_t button, uint32_t modifiers) {
        (void)modifiers;
        StoreMouse(x, y);
        if (button == kEditLeftButton) this->dragging_ = false;
    }

    // ---- the field's place
    const kis::Rect& GetRect() const { return rect_; }
    void SetFieldRect(const kis::Rect& rect) { rect_ = rect; }
    int32_t GetMouseX() const { return mouseX_; }
    int32_t GetMouseY() const { return mouseY_; }

    // Helpers for the subclass's caret and selection drawing: the corners
    // (left, top), (right, top), (right, bottom), (left, bottom); closeLoop
    // makes a fifth vertex a whole copy of the first, colour included (an
    // outline), zeroZ sets the z of the four corners to 0.
    static void BuildRectQuad(platform::ColouredVertex* quad, float left, float top, float right,
                              float bottom, bool closeLoop, bool zeroZ) {
        const float xs[4] = {left, right, right, left};
        const float ys[4] = {top, top, bottom, bottom};
        for (int i = 0; i < 4; ++i) {
            quad[i].x = xs[i];
            quad[i].y = ys[i];
            if (zeroZ) quad[i].z = 0.0f;
        }
        if (closeLoop) quad[4] = quad[0];
    }
    static void SetRect(kis::Rect& rect, int32_t x, int32_t y, int32_t width, int32_t height) {
        rect = kis::Rect{x, y, x + width, y + height};
    }

  protected:
    void StoreMouse(int32_t x, int32_t y) {
        mouseX_ = x;
        mouseY_ = y;
    }
    void MoveCaret(uint32_t caret, bool keepAnchor) {
        this->SetSelection(keepAnchor ? this->anchor_ : caret, caret);
    }
    void Backspace() {
        if (this->anchor_ == this->caret_ && this->caret_ > 0)
            this->SetSelection(this->caret_, this->caret_ - 1);
        this->DeleteSelection();
    }
    void Delete(bool toEnd) {
        if (this->anchor_ == this->caret_ && this->caret_ < this->length_)
            this->SetSelection(this->caret_, toEnd ? this->length_ : this->caret_ + 1);
        this->DeleteSelection();
    }

    kis::Rect rect_{0, 0, 0, 0};
    int32_t mouseX_ = 0;
    int32_t mouseY_ = 0;
};

template <class C, uint32_t N, int K> class _DXLEdit : public _DXLEditBase<C, N, K> {
    using Base = _DXLEditBase<C, N, K>;

  public:
    explicit _DXLEdit(const C* acceptedCharacters) : Base(acceptedCharacters) {}

    // Puts the selected text on the clipboard; false when there is nothing
    // selected, no clipboard, or the clipboard refused it.
    bool Copy() override {
        const uint32_t count = this->GetSelectionLength();
        platform::Clipboard* clipboard = GetEditClipboard();
        if (count == 0 || !clipboard) return false;
        const C* start = this->text_ + this->GetSelectionStart();
        return clipboard->SetText(std::basic_string_view<C>(start, count));
    }

    // Inserts the clipboard's text up to its first terminator, never past the
    // end of what the clipboard handed over.
    void Paste() override {
        platform::Clipboard* clipboard = GetEditClipboard();
        if (!clipboard) return;
        const std::basic_string<C> text = clipboard->Text();
        const size_t end = std::basic_string_view<C>(text).find(C(0));
        const size_t count = end == std::basic_string_view<C>::npos ? text.size() : end;
        if (count == 0) return;
        // Only N characters can ever go in; the rest would be dropped anyway.
        const int32_t bounded = static_cast<int32_t>(count < 0x7FFFFFFF ? count : 0x7FFFFFFF);
        this->InsertAtCaret(text.data(), bounded);
    }

    void OnChar(C ch) override {
        if (!this->focused_ || !this->IsAccepted(ch)) return;
        this->InsertAtCaret(&ch, 1);
    }
};
