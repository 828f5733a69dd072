#include "app/LoadingScreen.h"
#include "app/AppState.h"

#include "app/GameStates.h"

#include "engine/Texture.h"
#include "engine/Viewer.h"
#include "text/KGEFont.h"

#include <algorithm>
#include <memory>

namespace {

constexpr uint32_t kBarFrameColour = 0xFFC8C8C8;
constexpr uint32_t kBarEmptyColour = 0xFF202020;
constexpr uint32_t kBarFillColour = 0xFFE0B040;

} // namespace

void LoadingScreen::SetCaption(const char16_t* caption, KGEFont* font) {
    caption_ = caption ? caption : u"";
    font_ = font;
}

void LoadingScreen::SetProgress(float progress) {
    progress_ = std::clamp(progress, 0.0f, 1.0f);
}

void LoadingScreen::Draw(DXLViewer* viewer) const {
    viewer->ClearTarget(0xFF000000);
    const kis::Rect& screen = viewer->GetClientRect();
    const float width = float(screen.right - screen.left);
    const float height = float(screen.bottom - screen.top);

    float below = height * 0.5f;
    if (image_ && image_->IsLive()) {
        float x = float(int(width - float(image_->GetWidth())) / 2);
        float y = float(int(height * 0.45f) - image_->GetHeight());
        TexturedQuad quad;
        image_->MakeQuad(&quad, x, std::max(0.0f, y), 0xFFFFFFFF);
        if (image_->Bind(true)) {
            viewer->SetBlendMode(kBlendAlpha);
            viewer->DrawTexturedQuad(&quad);
            viewer->BindTexture(nullptr);
        }
    }
    if (!caption_.empty()) DrawCentredText(viewer, font_, caption_.c_str(), width * 0.5f, below);

    // The bar: a frame, the empty track and the filled part.
    const float barWidth = std::min(400.0f, width - 40.0f);
    const float left = float(int((width - barWidth) / 2));
    const float top = float(int(height * 0.8f));
    const float right = left + barWidth;
    const float bottom = top + 16.0f;
    viewer->SetBlendMode(kBlendOpaque);
    FillScreenRect(viewer, left - 2, top - 2, right + 2, bottom + 2, kBarFrameColour);
    FillScreenRect(viewer, left, top, right, bottom, kBarEmptyColour);
    const float filled = float(int(barWidth * progress_ + 0.5f));
    if (filled > 0) FillScreenRect(viewer, left, top, left + filled, bottom, kBarFillColour);
}

LoadingScreen* GetLoadingScreen() {
    const AppState* state = RunningAppState();
    return state ? state->loadingScreen.get() : nullptr;
}

LoadingScreen* CreateLoadingScreen() {
    AppState* state = RunningAppState();
    if (!state) return nullptr;
    if (!state->loadingScreen) state->loadingScreen = std::make_unique<LoadingScreen>();
    return state->loadingScreen.get();
}

void DeleteLoadingScreen() {
    if (AppState* state = RunningAppState()) state->loadingScreen.reset();
}

void DrawCentredText(DXLViewer* viewer, KGEFont* font, const char16_t* text, float x, float y) {
    if (!font || !text || !*text) return;
    uint32_t length = 0;
    while (text[length])
        ++length;
    KGESize size = font->MeasureText(text, length);
    viewer->SetBlendMode(kBlendAlpha);
    font->DrawTextAt(float(int(x - float(size.width) / 2)), y, text);
}

void FillScreenRect(DXLViewer* viewer, float left, float top, float right, float bottom, uint32_t colour) {
    // Corners shifted by half a pixel so that the rectangle covers whole pixels.
    const platform::ColouredVertex v[4] = {{left - 0.5f, top - 0.5f, 0, colour},
                                           {right - 0.5f, top - 0.5f, 0, colour},
                                           {right - 0.5f, bottom - 0.5f, 0, colour},
                                           {left - 0.5f, bottom - 0.5f, 0, colour}};
    viewer->FillRect(v);
}

void DrawLoadingScreen() {
    DXLViewer* viewer = GetAppServices().viewer;
    if (!viewer) return;
    if (LoadingScreen* screen = GetLoadingScreen())
        screen->Draw(viewer);
    else
        viewer->ClearTarget(0xFF000000);
}
