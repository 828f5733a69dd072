#pragma once
// The loading screen: the language's loading image, its caption and a
// progress bar, drawn on black.

#include <cstdint>
#include <string>

class DXLTexture;
class DXLViewer;
class KGEFont;

class LoadingScreen {
  public:
    // The image is the language's (not owned); null shows none.
    void SetImage(DXLTexture* image) { image_ = image; }
    void SetCaption(const char16_t* caption, KGEFont* font);
    // Clamped to 0..1.
    void SetProgress(float progress);
    float GetProgress() const { return progress_; }
    DXLTexture* GetImage() const { return image_; }
    const std::u16string& GetCaption() const { return caption_; }

    // The whole screen: image centred above the middle, caption below it,
    // the bar near the bottom filled to the progress.
    void Draw(DXLViewer* viewer) const;

  private:
    DXLTexture* image_ = nullptr;
    std::u16string caption_;
    KGEFont* font_ = nullptr;
    float progress_ = 0.0f;
};

// The application's loading screen; null until AppLoadLanguage makes it.
LoadingScreen* GetLoadingScreen();
LoadingScreen* CreateLoadingScreen();
void DeleteLoadingScreen();

// The draw callback of the loading states: the loading screen on the shell's
// viewer, or a black frame while there is none.
void DrawLoadingScreen();

// Draws the text centred on x with its top at y (nothing without a font).
void DrawCentredText(DXLViewer* viewer, KGEFont* font, const char16_t* text, float x, float y);

// Screen rectangles filled with one colour.
void FillScreenRect(DXLViewer* viewer, float left, float top, float right, float bottom, uint32_t colour);
