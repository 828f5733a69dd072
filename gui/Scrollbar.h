#pragma once
// A vertical scroll bar: arrows at both ends, a track and a thumb whose
// length shows the page. A change of position is reported to the window's
// OnButtonClick with the bar as the button.

#include "gui/Controls.h"
#include "gui/Skin.h"

#include <cstdint>

constexpr int32_t kScrollbarWidth = 16;
constexpr int32_t kScrollArrowHeight = 16;
constexpr int32_t kScrollMinThumb = 12;

class BaseScrollbar : public GameButton {
  public:
    using GameButton::GameButton;
    // The range of positions min..max - page; page is the visible part.
    void SetRange(int32_t min, int32_t max, int32_t page);
    // Clamped into the range; reported when it changed.
    void SetPosition(int32_t position);
    void Scroll(int32_t steps) { SetPosition(position_ + steps * smallStep); }
    int32_t Position() const { return position_; }
    int32_t Min() const { return min_; }
    int32_t MaxPosition() const { return max_ - page_ > min_ ? max_ - page_ : min_; }
    int32_t Page() const { return page_; }
    int32_t smallStep = 1;
    int32_t largeStep = 1;

  protected:
    int32_t min_ = 0, max_ = 0, page_ = 0, position_ = 0;
};

class GameScrollbar : public BaseScrollbar {
  public:
    GameScrollbar(GameWindow* window, GameControls* group, int32_t x, int32_t y, int32_t height);
    bool OnMouseDown(int32_t x, int32_t y, uint32_t button) override;
    bool OnMouseMove(int32_t x, int32_t y, uint32_t buttons) override;
    bool OnMouseUp(int32_t x, int32_t y, uint32_t button) override;
    void Draw(DXLViewer& viewer, float alpha) override;
    // The thumb's rectangle in window coordinates.
    kis::Rect ThumbRect() const;

  private:
    bool dragging_ = false;
    int32_t grabOffset_ = 0;
};
