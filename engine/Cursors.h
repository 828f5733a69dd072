#pragma once
#include "engine/NotifyObject.h"
#include "engine/Viewer.h"
#include "foundation/List.h"

#include <cstdint>

// The mouse pointer of the game window. One global set of cursor records,
// each naming a cursor id and an image of one of three kinds: a system
// cursor, a texture shown as the system pointer, or a texture drawn by the
// game at the pointer position at the end of every frame. The program
// registers its cursors, picks a default, attaches its window and forwards
// the set-cursor message; the game then switches cursors by id.

class DXLTexture;
namespace platform {
class Cursors;
class Input;
class Window;
} // namespace platform

// A system cursor: a cursor of the backend's pointer service; 0 is none.
using HCURSOR = uint32_t;

// Cursor kinds.
constexpr uint32_t kCursorNone = 0;
constexpr uint32_t kCursorSystem = 1;   // image: an HCURSOR
constexpr uint32_t kCursorHardware = 2; // image: a DXLTexture shown as the system pointer
constexpr uint32_t kCursorDrawn = 3;    // image: a DXLTexture drawn at the end of each frame

// A hot-spot coordinate meaning the middle of the image.
constexpr int32_t kCursorHotSpotCentre = 0x7FFFFFFF;

// The set-cursor message: wParam is the window the pointer is over, the low
// 16 bits of lParam the part of the window it is over (kHitClient for the
// client area).
constexpr uint32_t kMessageSetCursor = 32;
constexpr uint32_t kHitClient = 1;

// A cursor record; the empty record is all zeros.
struct DXLCURSORDATA {
    uint32_t kind;
    uint32_t id;
    int32_t hotX;
    int32_t hotY;
    uintptr_t image; // kind 1: the HCURSOR; kinds 2 and 3: the DXLTexture* (not owned)
};

inline uintptr_t CursorImageOf(DXLTexture* texture) {
    return reinterpret_cast<uintptr_t>(texture);
}

class DXLCursors : public DXLDeviceObject {
  public:
    DXLCursors();
    // Hides the image and removes every record.
    ~DXLCursors() override;

    void OnNotify(DXLNotifyObject* sender, uint32_t code) override;
    void OnDeviceEvent(DXLViewer* viewer, uint32_t event) override;

    // The backend's pointer images and pointer position (not owned; null
    // detaches them, which the program does before its backend goes away).
    void SetServices(platform::Cursors* pointer, platform::Input* input);

    // Appends a copy (nothing for kind 0); the set listens to the texture of
    // kinds 2 and 3 so that it forgets it when it goes away.
    void Add(uint32_t kind, uint32_t id, int32_t hotX, int32_t hotY, uintptr_t image);
    // The first record with the id, or the empty record.
    void Get(DXLCURSORDATA* out, uint32_t id) const;
    // Makes the record of the id current (the empty record when unknown);
    // nothing when the current id already equals it.
    void Select(uint32_t id);
    // Stores the default record; while the default is in use it is applied
    // again at once.
    void SetDefault(uint32_t kind, uint32_t id, int32_t hotX, int32_t hotY, uintptr_t image);
    // Makes the default current (nothing when it already is in use).
    void UseDefault();
    // Switches the image on when a window is attached.
    void Show();
    // Uninstalls the image and switches it off.
    void Hide();
    void SetWindow(platform::Window* window);
    // Window-procedure hook; true when the cursor was set.
    bool HandleMessage(platform::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
    // Draws a kind-3 cursor: the viewer's end-of-frame callback.
    void Draw(DXLViewer* viewer);

    void RemoveRecord(int32_t index);
    // From the last to the first.
    void RemoveAll();

    int32_t Count() const { return records_.Count(); }
    const DXLCURSORDATA& GetCurrent() const { return current_; }
    const DXLCURSORDATA& GetDefault() const { return default_; }
    bool IsEnabled() const { return enabled_; }
    bool IsInstalled() const { return installed_; }
    bool IsVisible() const { return visible_; }
    bool IsDefaultInUse() const { return defaultInUse_; }
    void SetClientAreaOnly(bool on) { clientAreaOnly_ = on; }
    platform::Window* GetWindow() const { return window_; }
    const TexturedQuad& GetQuad() const { return quad_; }

  private:
    bool MakeCurrent(const DXLCURSORDATA& record);
    void ApplyDefault();
    bool Install();
    void Uninstall();
    bool Update();
    // Shows a system cursor over the window; 0 hides the pointer.
    void SetSystemCursor(HCURSOR cursor);
    void ResolveHotSpot(const DXLCURSORDATA& record, DXLTexture* texture, int32_t* x, int32_t* y) const;
    // Stops listening to the texture unless a record, the default or the
    // current cursor still shows it.
    void Forget(DXLTexture* texture);

    kis::list<DXLCURSORDATA> records_; // owned
    bool enabled_ = false;
    platform::Window* window_ = nullptr;
    DXLCURSORDATA current_ = {};
    DXLCURSORDATA default_ = {};
    bool clientAreaOnly_ = true;
    bool installed_ = false;
    bool visible_ = false;
    bool defaultInUse_ = true;
    TexturedQuad quad_ = {};

    platform::Cursors* pointer_ = nullptr;
    platform::Input* input_ = nullptr;
    HCURSOR hardwareCursor_ = 0;         // the kind-2 image made into a system cursor
    DXLViewer* drawingViewer_ = nullptr; // where the kind-3 image is hooked in
};

// The global set and the functions acting on it.
DXLCursors& GetCursorSet();
void SetCursorServices(platform::Cursors* pointer, platform::Input* input);

// A kind-1 record with hot spot (0, 0).
void MakeCursorData(DXLCURSORDATA* out, uint32_t id, HCURSOR cursor);
void MakeEmptyCursorData(DXLCURSORDATA* out);
void AddCursorData(uint32_t kind, uint32_t id, int32_t hotX, int32_t hotY, uintptr_t image);
void GetCursorData(DXLCURSORDATA* out, uint32_t id);
void SelectCursor(uint32_t id);
void SetDefaultCursorData(uint32_t kind, uint32_t id, int32_t hotX, int32_t hotY, uintptr_t image);
void UseDefaultCursor();
void ShowCursorImage();
void HideCursorImage();
void SetCursorWindow(platform::Window* window);
bool CursorsHandleMessage(platform::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// The end-of-frame callback of a kind-3 cursor.
void DrawCursorImage(DXLViewer* viewer);

// Reads a cursor file (game path) and makes a system cursor of its image
// nearest 32 x 32; 0 when the file cannot be read or the pointer service
// refuses the image.
HCURSOR LoadCursorFromFile(platform::Cursors* pointer, const char16_t* path);
