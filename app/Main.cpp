#include "engine/PixelFormat.h"
#include "engine/Viewer.h"
#include "platform/Clock.h"
#include "platform/Platform.h"
#include "platform/PngWriter.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

// The game program. It grows with the engine: for now it opens the game
// window through the viewer and draws a few coloured quads under the 2D
// transform every frame until the window is closed or Escape is pressed.
namespace {

struct Options {
    bool headless = false;
    int frames = -1; // run until closed
    std::string screenshot;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--headless") == 0) {
            options.headless = true;
        } else if (std::strcmp(arg, "--frames") == 0 && i + 1 < argc) {
            char* end = nullptr;
            long n = std::strtol(argv[++i], &end, 10);
            if (*end != 0 || n < 1 || n > 1000000)
                return false;
            options.frames = int(n);
        } else if (std::strcmp(arg, "--screenshot") == 0 && i + 1 < argc) {
            options.screenshot = argv[++i];
        } else {
            return false;
        }
    }
    return true;
}

// The game's modes: 32-bit, at least 800 x 600.
bool DisplayModeFilter(DXLViewer*, kis::list<DXLDISPLAYMODE>*, DXLDISPLAYMODE* mode) {
    return mode->format == kFormatX8R8G8B8 && mode->width >= 800 && mode->height >= 600;
}

void FillQuad(DXLViewer& viewer, float x, float y, float w, float h, uint32_t colour) {
    // Corners shifted by half a pixel so that the quad covers whole pixels.
    const platform::ColouredVertex v[4] = {{x - 0.5f, y - 0.5f, 0, colour},
                                           {x + w - 0.5f, y - 0.5f, 0, colour},
                                           {x + w - 0.5f, y + h - 0.5f, 0, colour},
                                           {x - 0.5f, y + h - 0.5f, 0, colour}};
    viewer.FillRect(v);
}

// One frame of the picture; `frame` turns the sun.
void DrawScene(DXLViewer& viewer, uint32_t frame) {
    FillQuad(viewer, 0, 400, 800, 200, 0xFF3C8C2D);   // field
    FillQuad(viewer, 100, 300, 200, 100, 0xFFB5452A); // barn
    FillQuad(viewer, 170, 340, 60, 60, 0xFF5A2A14);   // barn door

    // A sun turning about its centre: save, move, rotate, draw, restore.
    DXLMATRIX saved;
    viewer.GetTransform(&saved);
    viewer.Translate(620, 120);
    viewer.RotateDegrees(float(frame % 360) * 2.0f);
    viewer.ApplyTransform();
    FillQuad(viewer, -40, -40, 80, 80, 0xFFF2C230);
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();

    // A half-transparent cloud drifting over the sun.
    viewer.SetBlendMode(kBlendAlpha);
    FillQuad(viewer, 540.0f + float(frame % 40), 100, 160, 50, 0xB0FFFFFF);
    viewer.SetBlendMode(kBlendOpaque);
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: verbolunde [--headless] [--frames N] [--screenshot FILE.png]\n");
        return 2;
    }

    platform::BackendResult created =
        platform::CreateBackend(options.headless ? platform::BackendKind::Headless : platform::BackendKind::Sdl);
    if (!created.backend) {
        std::fprintf(stderr, "verbolunde: %s\n", created.error.c_str());
        return 2;
    }
    platform::Backend& backend = *created.backend;

    auto viewer = std::make_unique<DXLWindowViewer>(&backend.GetWindow());
    viewer->SetCaption(u"Verbolunde");
    if (Failed(viewer->CreateWindow(u"Verbolunde", 107))) {
        std::fprintf(stderr, "verbolunde: the game window could not be created.\n");
        return 1;
    }
    viewer->SetDisplayModeFilter(DisplayModeFilter);
    if (Failed(viewer->InitializeAdapter(0, kDeviceTypeHal))) {
        std::fprintf(stderr, "verbolunde: no graphics adapter.\n");
        return 1;
    }
    DXLDISPLAYSETTINGS settings;
    viewer->ValidateSettings(&settings, nullptr, nullptr);
    if (HResult hr = viewer->ChangeDisplayMode(&settings); Failed(hr)) {
        std::fprintf(stderr, "verbolunde: the display could not be set up (%s).\n", GetResultName(hr));
        return 1;
    }
    viewer->SetFrameTiming(true);

    int exitCode = 0;
    bool running = true;
    for (uint32_t frame = 0; running; ++frame) {
        backend.PumpEvents();
        platform::WindowEvent event;
        while (backend.GetWindow().PollEvent(event)) {
            if (event == platform::WindowEvent::Close)
                running = false;
        }
        uint8_t keys[256];
        backend.GetInput().ReadKeyboardState(keys);
        if (keys[platform::kDikEscape] & platform::kKeyDown)
            running = false;
        if (!running)
            break;

        if (Succeeded(viewer->BeginScene())) {
            viewer->ClearTarget(0xFF87CEEB);
            DrawScene(*viewer, frame);
            if (HResult hr = viewer->EndFrame(); Failed(hr) && hr != kResultDeviceLost) {
                std::fprintf(stderr, "verbolunde: drawing failed (%s).\n", GetResultName(hr));
                exitCode = 1;
                break;
            }
        } else {
            platform::SleepMilliseconds(10); // lost device: wait for it to come back
        }
        if (options.frames > 0 && int(frame) + 1 >= options.frames)
            running = false;
    }

    if (exitCode == 0 && !options.screenshot.empty()) {
        platform::FrameView last = viewer->HasDevice() ? viewer->GetDevice()->BackBuffer() : platform::FrameView{};
        std::string error;
        if (!last.pixels || !platform::WritePng(options.screenshot, last.pixels, last.width, last.height,
                                                last.pitchInPixels, &error)) {
            std::fprintf(stderr, "verbolunde: the screenshot could not be written: %s\n", error.c_str());
            exitCode = 1;
        }
    }
    viewer.reset();
    return exitCode;
}
