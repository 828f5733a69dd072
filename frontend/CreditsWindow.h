#pragma once
// The credits: the language's credits list (lines and pictures) in a 574 x
// 400 view; a list taller than the view scrolls up without end, four times
// as fast while the mouse button is held on the window.

#include "frontend/FrontendLayout.h"
#include "gui/SpritesWindow.h"

#include <cstdint>
#include <memory>
#include <vector>

class GameLanguage;

constexpr uint32_t kCreditsWindowTag = 0x43726564; // 'Cred'
constexpr uint32_t kCreditsClose = 0xCE000001;

class CreditsWindow : public SpritesWindow {
  public:
    CreditsWindow(WindowManager& manager, const GameLanguage* language);
    ~CreditsWindow() override;

    bool OnKeyDown(uint32_t key, uint32_t flags) override;
    bool Update() override;
    uint32_t OnButtonClick(GameButton* button) override;
    void DrawBackground(DXLViewer& viewer) override;

    const CreditsScroll& Scroll() const { return scroll_; }
    int32_t LoadedCount() const { return loadedEnd_ - loadedFirst_; }

  private:
    struct Block {
        uint32_t kind = 0;
        int32_t x = 0, y = 0, height = 0;
        bool loaded = false;
        std::u16string text;
        DXLTexture* texture = nullptr; // the language's
        SkinText shown;
    };
    void SetLoadedRange(int32_t first, int32_t end);
    void FindVisible(int32_t from);

    int32_t contentTop_ = 0;
    kis::Rect view_{0, 0, 0, 0};
    std::vector<std::unique_ptr<Block>> blocks_;
    CreditsScroll scroll_{0};
    int32_t loadedFirst_ = 0, loadedEnd_ = 0;
    float backgroundOffset_ = 0;
};

CreditsWindow* OpenCreditsWindow();
