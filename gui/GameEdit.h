#pragma once
// The one-line text field of the toolkit: the edit template with the game's
// measuring, hit-testing and drawing, living in a window's button group.

#include "gui/Controls.h"
#include "gui/Skin.h"
#include "text/EditField.h"

#include <cstdint>

constexpr int32_t kEditFont = 6;
// The text keeps clear of the field's frame, which is 4 pixels wide.
constexpr int32_t kEditPadding = 12;

class GameEdit : public GameButton, public _DXLEdit<char16_t, 16, 1> {
    using Edit = _DXLEdit<char16_t, 16, 1>;

  public:
    // accepted: the characters the field takes; area in window coordinates.
    GameEdit(GameWindow* window, GameControls* group, const char16_t* accepted, const kis::Rect& area);

    // ---- the template's slots
    uint32_t GetCharIndexAt() override;
    uint32_t GetTextWidth(uint32_t start, uint32_t count) override;
    void OnChanged() override;
    void SetSelection(uint32_t anchor, uint32_t caret) override;

    // ---- control input (window coordinates)
    bool OnMouseDown(int32_t x, int32_t y, uint32_t button) override;
    bool OnMouseMove(int32_t x, int32_t y, uint32_t buttons) override;
    bool OnMouseUp(int32_t x, int32_t y, uint32_t button) override;
    bool OnMouseDblClick(int32_t x, int32_t y) override;
    void Draw(DXLViewer& viewer, float alpha) override;
    // Keys and characters while focused; false when not focused.
    bool OnKey(uint32_t key, uint32_t modifiers);
    bool OnCharacter(char16_t ch);

    void SetText(const char16_t* text);
    void Focus(bool focused) { SetFocused(focused); }
    // Counts changes, for the owner to notice them.
    uint32_t ChangeCount() const { return changes_; }

  private:
    platform::ColouredVertex caretQuad_[5] = {};
    platform::ColouredVertex selectionQuad_[5] = {};
    uint32_t changes_ = 0;
    SkinText shown_;
};
