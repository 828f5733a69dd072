#pragma once
// The comics: story pages whose panels pop in one after another with a sound
// over a full-screen paper background. The pages are read once from the data
// pack into the one Comix holder; showing comic i changes to the game state
// kStateComics, where one ComixWindow shows it. A click, Enter or Escape first
// completes the panels still coming in, then closes the comic: the map's
// pending event kMapEventComixClosed is raised and the game changes to the map
// (kStateMap), running the caller's callback after the change.
//
// Chunk 'COMX' (0x434F4D58, sub-id 256), little-endian:
//   u32 comic count, then per comic: i32 x, i32 y (the page origin from the
//   screen centre, in design pixels), u32 part count, then the parts.
//   Part: the 44-byte header {u32 size, i32 x, y, pivot x, pivot y, u32 a, b,
//   c, 12 reserved bytes}, then a + b + c items of 72 bytes: the a front
//   pictures, the b late pictures, the c captions. Item: 32 UTF-16 units of
//   name (terminated), i32 dx, i32 dy.
//   size must be 44 + 72 (a + b + c). The reserved words are ignored.
// Every count is checked against the bytes left in the chunk before anything
// is sized for it (a record's counts could otherwise ask for gigabytes, or
// wrap the 32-bit size so that a small size word passes); any fault refuses
// the whole chunk ("Data error!").
//
// Pictures and "comix_back" are sprites of library 16; their textures are
// loaded when a comic opens and released when it closes. Captions are the
// language's comic items (text, position, scale).

#include "gui/Window.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct LoaderState;
class KGETextW;
class Sprite;
class SpriteInstance;
class SpriteEffectQueue;
class GameLanguage;
namespace kis {
class BaseDataFile;
} // namespace kis

constexpr uint32_t kComixChunkId = 0x434F4D58; // 'COMX'
constexpr uint32_t kComixChunkSubId = 256;
constexpr int32_t kComixLibrary = 16;
constexpr const char16_t* kComixBackground = u"comix_back";
constexpr uint32_t kComixPartHeaderSize = 44;
constexpr uint32_t kComixItemSize = 72;
// The map's pending event a closing comic raises: the villains' attack scene.
constexpr uint32_t kMapEventComixClosed = 0x20;
// The page sound: this event sound of the sound pack, in the screen category.
constexpr int kComixPageSound = 7;
// A panel comes in 350 + 250 k ms after the page opens, over 150 ms.
constexpr uint32_t kComixFirstDelay = 350;
constexpr uint32_t kComixPartDelay = 250;
constexpr uint32_t kComixPopIn = 150;
// Captions: game font 4, centred, with markup, in the record's colour.
constexpr int32_t kComixCaptionFont = 4;
constexpr uint32_t kComixCaptionFlags = 0x1801;
constexpr uint32_t kComixCaptionColour = 0xFF103A5F;

struct ComixItem {
    char16_t name[32];
    int32_t dx;
    int32_t dy;
};
static_assert(sizeof(ComixItem) == 72);

// A part's header as stored.
struct ComixPartHeader {
    uint32_t size;
    int32_t x, y;
    int32_t pivotX, pivotY;
    uint32_t a, b, c;     // front pictures, late pictures, captions
    uint32_t reserved[3]; // read and ignored
};
static_assert(sizeof(ComixPartHeader) == kComixPartHeaderSize);

// One panel of a page: its header and its items, front pictures first.
struct COMIXPART {
    ComixPartHeader header{};
    std::vector<ComixItem> items;

    const ComixItem* Front() const { return items.data(); }
    const ComixItem* Late() const { return items.data() + header.a; }
    const ComixItem* Captions() const { return items.data() + header.a + header.b; }
};

struct ComixPage {
    int32_t x = 0, y = 0;
    std::vector<COMIXPART> parts;
    bool spritesLoaded = false;
};

// The record size a part with these counts must state; 64 bits, so that no
// count wraps it.
constexpr uint64_t ComixPartSize(uint32_t a, uint32_t b, uint32_t c) {
    return uint64_t(kComixPartHeaderSize) + uint64_t(kComixItemSize) * (uint64_t(a) + b + c);
}

// The pages of a chunk's bytes. False, with the reason in why and out
// untouched, when the bytes break a rule.
bool ReadComixPages(const uint8_t* bytes, size_t size, std::vector<ComixPage>* out, std::string* why);
// The chunk's bytes for the pages (part sizes as they must be, reserved words zero).
std::vector<uint8_t> EncodeComixPages(const std::vector<ComixPage>& pages);

// ---------------------------------------------------------------- layout

// The page scale for a screen: height / 750 below 750, 1 up to 800, height /
// 800 above; never so large that 980 design pixels overflow the width.
float ComixScale(int32_t screenWidth, int32_t screenHeight);

struct ComixLayout {
    float scale = 1.0f;
    int32_t originX = 0, originY = 0; // the page origin on the screen
    // The background's rectangle: the whole screen.
    int32_t backLeft = 0, backTop = 0, backWidth = 0, backHeight = 0;
};
// The layout of a page with origin offset (pageX, pageY) over a background
// picture of the texture size given (0: none).
ComixLayout ComixPageLayout(int32_t screenWidth, int32_t screenHeight, int32_t pageX, int32_t pageY,
                            int32_t textureWidth, int32_t textureHeight);

// ---------------------------------------------------------------- the holder

class ComixWindow;

class Comix {
  public:
    using Callback = void (*)();
    using MapEventSink = void (*)(uint32_t event);

    Comix();
    ~Comix(); // deletes the open window, then the pages
    Comix(const Comix&) = delete;
    Comix& operator=(const Comix&) = delete;

    // The loading stage: reads the whole chunk in one call; any failure sets
    // the state's error flag and leaves no pages. Always kLoaderFinished.
    int32_t Load(kis::BaseDataFile* reader, LoaderState* state);
    bool Read(const uint8_t* bytes, size_t size, std::string* why);

    uint32_t Count() const { return uint32_t(pages_.size()); }
    ComixPage* Page(uint32_t i) { return i < pages_.size() ? &pages_[i] : nullptr; }

    // False when i is not below the count (the caller goes on as without a
    // comic). Otherwise keeps the callback (run after the change back to the
    // map), deletes a comic window still open, remembers i and changes to
    // kStateComics through a screen-change effect; true.
    bool Show(uint32_t i, Callback callback);
    uint32_t Current() const { return current_; }
    Callback GetCallback() const { return callback_; }

    // Entering kStateComics: opens the window of the remembered comic on the
    // manager; leaving it: deletes the window.
    void OpenWindow(WindowManager& manager);
    void CloseWindow();
    ComixWindow* Window() const { return window_; }

    // The map's pending events: the map screen installs its sink; a closing
    // comic raises kMapEventComixClosed through it (nothing without one).
    void SetMapEventSink(MapEventSink sink) { mapEventSink_ = sink; }
    void RaiseMapEvent(uint32_t event) const {
        if (mapEventSink_) mapEventSink_(event);
    }

  private:
    friend class ComixWindow;
    std::vector<ComixPage> pages_;
    ComixWindow* window_ = nullptr; // owned by its window manager
    uint32_t current_ = 0;
    Callback callback_ = nullptr;
    MapEventSink mapEventSink_ = nullptr;
};

// The program's holder (not owned: the program installs it for the run and
// removes it before it goes). The map, the main menu and the level reach
// the comics through it.
void SetComix(Comix* comix);
Comix* GetComix();
// Shows comic i of the installed holder; false without one or when i is out
// of range.
bool ShowComix(uint32_t i, Comix::Callback callback);

// ---------------------------------------------------------------- the window

// One shown panel: its pictures, captions and pop-in effects.
class ComixPart {
  public:
    ComixPart(const COMIXPART& part, const GameLanguage* language, DXLViewer* viewer, uint32_t delay,
              uint32_t pageSound);
    ~ComixPart();

    // Still coming in: its effects have not all ended.
    bool IsComingIn() const { return effects_ != nullptr; }
    // Drops the effects and makes the panel opaque.
    void Complete();
    // The panel's effects step; the colour takes their alpha.
    void Step(DXLViewer* viewer);
    void DrawFront(DXLViewer& viewer);
    void DrawLate(DXLViewer& viewer);

    const COMIXPART& Part() const { return part_; }
    uint32_t Colour() const { return colour_; }
    int32_t FrontCount() const { return int32_t(front_.size()); }
    int32_t LateCount() const { return int32_t(late_.size()); }
    int32_t CaptionCount() const { return int32_t(captions_.size()); }

  private:
    struct Caption {
        std::unique_ptr<KGETextW> text;
        float x = 0, y = 0;             // the item's position plus (dx, dy)
        float centreX = 0, centreY = 0; // half the text's size
        float scale = 1.0f;
    };
    struct Picture {
        std::unique_ptr<SpriteInstance> instance;
        int32_t dx = 0, dy = 0;
    };

    void DrawPictures(DXLViewer& viewer, std::vector<Picture>& pictures);

    const COMIXPART& part_; // in the holder's page, which outlives the window
    std::unique_ptr<SpriteEffectQueue> effects_;
    std::vector<Picture> front_, late_;
    std::vector<Caption> captions_;
    DXLMatrix transform_{}; // the panel's transform of this frame
    uint32_t colour_ = 0x00FFFFFF;
};

// A modal full-screen window showing one page.
class ComixWindow : public GameWindow {
  public:
    ComixWindow(WindowManager& manager, Comix& holder, uint32_t comic);
    ~ComixWindow() override; // releases the page's textures and the background's

    // A click or Enter/Escape: completes the page, or closes it when it was complete.
    void Advance();
    bool IsClosing() const { return closing_; }
    const std::vector<std::unique_ptr<ComixPart>>& Parts() const { return parts_; }
    const ComixLayout& Layout() const { return layout_; }
    Sprite* Background() const { return background_; }

    bool OnMouseDown(int32_t x, int32_t y, uint32_t button) override;
    bool OnMouseDblClick(int32_t x, int32_t y) override;
    bool OnKeyDown(uint32_t key, uint32_t flags) override;
    void Draw(DXLViewer& viewer) override;
    // The window covers the new screen and the page is laid out on it again.
    void OnScreenResize(int32_t width, int32_t height) override { Place(width, height); }

  private:
    void Place(int32_t width, int32_t height);
    void LoadPictures();
    void ReleasePictures();
    void CompleteAll();

    Comix& holder_;
    ComixPage& page_;
    std::vector<std::unique_ptr<ComixPart>> parts_;
    Sprite* background_ = nullptr; // owned by library 16
    TexturedQuad backQuad_{};
    bool hasBackground_ = false;
    ComixLayout layout_;
    bool closing_ = false;
};
