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

// How a mode's size, or its refresh rate, is held against the request.
enum class ModeMatch : uint32_t {
    Ignore = 0,   // every mode; a requested refresh rate is carried to the result as it is
    Equal = 1,    // only the requested value
    NotAbove = 2, // the requested value or less
    Any = 3,      // every mode; among modes of one size the highest refresh rate is preferred
};

// How a mode's format is held against the request.
enum class FormatMatch : uint32_t {
    SameFormat = 0,
    SameBits = 1,     // any format of the requested bits per pixel
    BitsNotAbove = 2, // any format of those bits or fewer
    Any = 3,          // any format, ranked over every preferred format
};

// Rules of FindDisplayMode, one per aspect of the request.
struct DXLModeRules {
    ModeMatch size = ModeMatch::Ignore;
    // Ignore: any ratio; otherwise only the requested ratio, its size held
    // against the request by this rule.
    ModeMatch aspect = ModeMatch::Ignore;
    ModeMatch refresh = ModeMatch::Ignore; // a request without a rate keeps every rate
    FormatMatch format = FormatMatch::SameFormat;
};

// Keeps a mode (true) or drops it from the filtered list.
using DXLDisplayModeFilter = bool (*)(DXLViewer* viewer, kis::list<DXLDISPLAYMODE>* filtered,
                                      DXLDISPLAYMODE* mode);

// The formats in the order of enumeration and preference: the 32-bit group
// (the first three), then the 16-bit group.
constexpr uint32_t kDisplayFormatOrder[6] = {22, 21, 35, 23, 24, 25};

// Sorts the filtered list again from the full list through the filter.
void FilterDisplayModes(DXLViewer* viewer, DXLADAPTERINFO* info, DXLDisplayModeFilter filter);
