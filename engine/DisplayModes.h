#pragma once
#include "engine/ResultNames.h"
#include "foundation/List.h"
#include "platform/GraphicsDevice.h"

#include <cstdint>

// What the viewer knows of a graphics adapter: its identifier, capabilities,
// desktop mode and display modes (all of them, and those the display-mode
// filter lets through, sorted).

class DXLViewer;

struct DXLDISPLAYMODE {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t refreshRate = 0; // Hz
    uint32_t format = 0;
    uint32_t aspectX = 0; // width and height in lowest terms
    uint32_t aspectY = 0;
    uint32_t bits = 0; // bits per pixel of the format
};

// Fills the aspect ratio and bits per pixel from the size and format.
void CompleteDisplayMode(DXLDISPLAYMODE* mode);

// One adapter and device type, as cached by the viewer.
struct DXLADAPTERINFO {
    uint32_t ordinal = 0;
    uint32_t deviceType = 0;
    platform::AdapterIdentifier identifier;
    DXLDISPLAYMODE desktopMode;
    platform::DeviceCaps caps;
    uint32_t noVSync = 0;               // immediate presentation is supported
    uint32_t nonPowerOfTwo = 0;         // always 0
    uint32_t colorWriteEnable = 0;      // the colour-write-enable state is supported
    uint32_t format16 = 0;              // the 16-bit display format, 0 when there is none
    kis::list<DXLDISPLAYMODE> modes;    // owned
    kis::list<DXLDISPLAYMODE> filtered; // points into modes, sorted
    HResult code = 0;                   // 0 or the failing step's own code
    HResult lastError = 0;              // the device result of the failing step

    DXLADAPTERINFO() = default;
    DXLADAPTERINFO(const DXLADAPTERINFO&) = delete;
    DXLADAPTERINFO& operator=(const DXLADAPTERINFO&) = delete;
    ~DXLADAPTERINFO() { modes.DeleteAll(); }
};

// Rules of FindDisplayMode, one per aspect of the request.
struct DXLModeRules {
    uint32_t size = 0;    // 0 or 3 any, 1 equal, 2 not larger
    uint32_t aspect = 0;  // 0 ignore; else only the requested ratio, sized by 1 equal, 2 not larger, 3 any
    uint32_t refresh = 0; // 0 or 3 any, 1 equal, 2 not above
    uint32_t format = 0;  // 0 same format, 1 same bits, 2 bits not above, 3 any
};

// Keeps a mode (true) or drops it from the filtered list.
using DXLDisplayModeFilter = bool (*)(DXLViewer* viewer, kis::list<DXLDISPLAYMODE>* filtered,
                                      DXLDISPLAYMODE* mode);

// The formats in the order of enumeration and preference: the 32-bit group
// (the first three), then the 16-bit group.
constexpr uint32_t kDisplayFormatOrder[6] = {22, 21, 35, 23, 24, 25};

// Sorts the filtered list again from the full list through the filter.
void FilterDisplayModes(DXLViewer* viewer, DXLADAPTERINFO* info, DXLDisplayModeFilter filter);
