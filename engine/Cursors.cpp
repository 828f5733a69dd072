#include "engine/Cursors.h"

#include "engine/CurFile.h"
#include "engine/Texture.h"
#include "platform/Files.h"
#include "platform/Input.h"

#include <optional>
#include <type_traits>
#include <vector>

namespace {

// The set whose drawn cursor is hooked into a viewer's frame end.
DXLCursors* g_drawing = nullptr;

bool IsTextureKind(uint32_t kind) {
    return kind == kCursorHardware || kind == kCursorDrawn;
}

DXLTexture* TextureOf(const DXLCURSORDATA& record) {
    return IsTextureKind(record.kind) ? reinterpret_cast<DXLTexture*>(record.image) : nullptr;
}

// Compares addresses only: the sender may be a texture that is being destroyed.
bool ShowsSender(const DXLCURSORDATA& record, const DXLNotifyObject* sender) {
    return IsTextureKind(record.kind) && record.image &&
           record.image == reinterpret_cast<uintptr_t>(static_cast<const void*>(sender));
}

bool IsWindowValid(const platform::Window* window) {
    return window && reinterpret_cast<uintptr_t>(window) != ~uintptr_t(0);
}

} // namespace

// A texture is a notify object first, so a texture's address is that of its
// notify object; the checks above rely on it.
static_assert(std::is_base_of_v<DXLNotifyObject, DXLTexture>);

DXLCursors::DXLCursors() = default;

DXLCursors::~DXLCursors() {
    // The backend may already be gone when the global set is destroyed at exit.
    pointer_ = nullptr;
    input_ = nullptr;
    Hide();
    DetachFromViewer();
    RemoveAll();
    DXLTexture* shown[2] = {TextureOf(default_), TextureOf(current_)};
    default_ = {};
    current_ = {};
    for (DXLTexture* texture : shown)
        Forget(texture);
    if (g_drawing == this) g_drawing = nullptr;
}

void DXLCursors::SetServices(platform::Cursors* pointer, platform::Input* input) {
    pointer_ = pointer;
    input_ = input;
}

// ---------------------------------------------------------------- records

void DXLCursors::Add(uint32_t kind, uint32_t id, int32_t hotX, int32_t hotY, uintptr_t image) {
    if (kind == kCursorNone) return;
    auto* record = new DXLCURSORDATA{kind, id, hotX, hotY, image};
    records_.Add(record);
    if (DXLTexture* texture = TextureOf(*record)) texture->AddTarget(this);
}

void DXLCursors::Get(DXLCURSORDATA* out, uint32_t id) const {
    for (int32_t i = 0; i < records_.Count(); ++i) {
        const DXLCURSORDATA* record = records_.Get(i);
        if (record && record->id == id) {
            *out = *record;
            return;
        }
    }
    *out = {};
}

void DXLCursors::RemoveRecord(int32_t index) {
    DXLCURSORDATA* record = records_.Get(index);
    if (!record) return;
    records_.Delete(index);
    DXLTexture* texture = TextureOf(*record);
    delete record;
    Forget(texture);
}

void DXLCursors::RemoveAll() {
    for (int32_t i = records_.Count() - 1; i >= 0; --i)
        RemoveRecord(i);
}

void DXLCursors::Forget(DXLTexture* texture) {
    if (!texture) return;
    if (TextureOf(default_) == texture || TextureOf(current_) == texture) return;
    for (int32_t i = 0; i < records_.Count(); ++i)
        if (records_.Get(i) && TextureOf(*records_.Get(i)) == texture) return;
    texture->RemoveTarget(this);
}

// ---------------------------------------------------------------- choosing

void DXLCursors::Select(uint32_t id) {
    if (current_.id == id) return;
    DXLCURSORDATA record;
    Get(&record, id);
    MakeCurrent(record);
}

void DXLCursors::SetDefault(uint32_t kind, uint32_t id, int32_t hotX, int32_t hotY, uintptr_t image) {
    DXLTexture* previous = TextureOf(default_);
    default_ = {kind, id, hotX, hotY, image};
    // The set listens to the default's texture too, so that it never keeps a
    // default whose texture is gone.
    if (DXLTexture* texture = TextureOf(default_)) texture->AddTarget(this);
    if (previous != TextureOf(default_)) Forget(previous);
    if (defaultInUse_) ApplyDefault();
}

void DXLCursors::UseDefault() {
    if (defaultInUse_) return;
    ApplyDefault();
}

void DXLCursors::ApplyDefault() {
    MakeCurrent(default_);
    defaultInUse_ = true;
}

bool DXLCursors::MakeCurrent(const DXLCURSORDATA& record) {
    defaultInUse_ = false;
    Uninstall();
    DXLTexture* previous = TextureOf(current_);
    DetachFromViewer();
    current_ = record;
    // The set hears the device events of the viewer its texture is on.
    DXLTexture* texture = TextureOf(current_);
    if (texture && texture->GetViewer()) AttachToViewer(texture->GetViewer());
    if (previous != texture) Forget(previous);
    return Update();
}

// ---------------------------------------------------------------- showing

void DXLCursors::ResolveHotSpot(const DXLCURSORDATA& record, DXLTexture* texture, int32_t* x,
                                int32_t* y) const {
    *x = record.hotX != kCursorHotSpotCentre ? record.hotX : texture ? texture->GetWidth() / 2 : 0;
    *y = record.hotY != kCursorHotSpotCentre ? record.hotY : texture ? texture->GetHeight() / 2 : 0;
}

bool DXLCursors::Install() {
    if (installed_) return true;
    if (!enabled_) return false;
    DXLTexture* texture = TextureOf(current_);
    switch (current_.kind) {
    case kCursorSystem:
        installed_ = true;
        return true;
    case kCursorHardware: {
        if (!texture || !texture->IsLive() || !pointer_ || !texture->GetDeviceTexture()) return false;
        // The image part of level 0 becomes a system pointer image.
        platform::Texture& surface = *texture->GetDeviceTexture();
        const int width = texture->GetWidth(), height = texture->GetHeight();
        const uint32_t* texels = surface.Expanded();
        std::vector<uint32_t> pixels(size_t(width) * size_t(height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels[size_t(y) * size_t(width) + size_t(x)] =
                    texels[size_t(y) * surface.Width() + size_t(x)];
        int32_t hotX, hotY;
        ResolveHotSpot(current_, texture, &hotX, &hotY);
        HCURSOR cursor = pointer_->CreateCursor(pixels.data(), width, height, hotX, hotY);
        if (!cursor) return false;
        hardwareCursor_ = cursor;
        installed_ = true;
        return true;
    }
    case kCursorDrawn: {
        if (!texture || !texture->IsLive() || !texture->GetViewer()) return false;
        int32_t hotX, hotY;
        ResolveHotSpot(current_, texture, &hotX, &hotY);
        texture->MakeQuadInt(&quad_, -hotX, -hotY);
        drawingViewer_ = texture->GetViewer();
        drawingViewer_->SetEndFrameCallback(DrawCursorImage);
        g_drawing = this;
        installed_ = true;
        return true;
    }
    default:
        return false;
    }
}

void DXLCursors::Uninstall() {
    if (!installed_) return;
    installed_ = false;
    switch (current_.kind) {
    case kCursorHardware:
        if (pointer_ && hardwareCursor_) pointer_->DestroyCursor(hardwareCursor_);
        hardwareCursor_ = 0;
        break;
    case kCursorDrawn:
        // The viewer may be gone already: then there is nothing to unhook.
        if (drawingViewer_) drawingViewer_->SetEndFrameCallback(nullptr);
        drawingViewer_ = nullptr;
        if (g_drawing == this) g_drawing = nullptr;
        break;
    default:
        break;
    }
}

void DXLCursors::SetSystemCursor(HCURSOR cursor) {
    if (!pointer_) return;
    if (!cursor) {
        pointer_->SetCursorHidden(true);
        return;
    }
    pointer_->SetCursorHidden(false);
    pointer_->SetCursor(cursor);
}

bool DXLCursors::Update() {
    if (!Install()) return false;
    switch (current_.kind) {
    case kCursorSystem:
        if (visible_) SetSystemCursor(HCURSOR(current_.image));
        return visible_;
    case kCursorHardware:
        if (!visible_) return false;
        SetSystemCursor(hardwareCursor_);
        return true;
    case kCursorDrawn:
        SetSystemCursor(0); // the game draws the pointer itself
        return visible_;
    default:
        return false;
    }
}

void DXLCursors::Show() {
    if (IsWindowValid(window_)) enabled_ = true;
}

void DXLCursors::Hide() {
    Uninstall();
    enabled_ = false;
    visible_ = false;
}

void DXLCursors::SetWindow(platform::Window* window) {
    if (window == window_) return;
    bool wasEnabled = enabled_;
    if (wasEnabled) Hide();
    window_ = window;
    if (wasEnabled) Show();
}

bool DXLCursors::HandleMessage(platform::Window*, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (message != kMessageSetCursor || !enabled_) return false;
    visible_ = wParam == reinterpret_cast<uintptr_t>(window_) &&
               ((uint32_t(lParam) & 0xFFFF) == kHitClient || !clientAreaOnly_);
    return Update();
}

void DXLCursors::Draw(DXLViewer* viewer) {
    DXLTexture* texture = TextureOf(current_);
    if (!viewer || !visible_ || !texture) return;
    if (!texture->Bind(true)) return;
    int x = 0, y = 0;
    // The platform gives the pointer in the window's frame pixels: the
    // viewer's client coordinates.
    if (input_) input_->CursorPosition(x, y);
    viewer->ApplyTranslationMatrix(float(x), float(y));
    viewer->DrawTexturedQuad(&quad_);
    texture->Unbind(true);
}

// ---------------------------------------------------------------- events

void DXLCursors::OnNotify(DXLNotifyObject* sender, uint32_t code) {
    if (!sender) return;
    const bool destroyed = code == kNotifyDestroyed;
    // A default whose texture goes away is emptied first, so that switching to
    // the default below never shows it.
    if (destroyed && ShowsSender(default_, sender)) default_ = {};

    for (int32_t i = records_.Count() - 1; i >= 0; --i) {
        DXLCURSORDATA* record = records_.Get(i);
        if (!record || !ShowsSender(*record, sender)) continue;
        if (record->id == current_.id) {
            if (destroyed)
                ApplyDefault();
            else if (code == kNotifyTextureReleased)
                Uninstall();
        }
        if (destroyed) {
            // The texture forgets its targets itself; it must not be called now.
            records_.Delete(i);
            delete record;
        }
    }

    // The current cursor may show the texture without a record of it (it was
    // the default, or a record of another id).
    if (ShowsSender(current_, sender)) {
        if (destroyed)
            MakeCurrent(DXLCURSORDATA{});
        else if (code == kNotifyTextureReleased)
            Uninstall();
    }
}

void DXLCursors::OnDeviceEvent(DXLViewer* viewer, uint32_t event) {
    switch (event) {
    case kDeviceDetach:
        UseDefault();
        // Nothing may stay hooked into a viewer that is going away.
        if (drawingViewer_ == viewer) Uninstall();
        if (GetViewer() == viewer && viewer) DetachFromViewer();
        break;
    case kDeviceCreated:
    case kDeviceReleasing:
    case kDeviceResetting:
        Uninstall();
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- global set

DXLCursors& GetCursorSet() {
    static DXLCursors cursors;
    return cursors;
}

void SetCursorServices(platform::Cursors* pointer, platform::Input* input) {
    GetCursorSet().SetServices(pointer, input);
}

void MakeCursorData(DXLCURSORDATA* out, uint32_t id, HCURSOR cursor) {
    *out = {kCursorSystem, id, 0, 0, cursor};
}

void MakeEmptyCursorData(DXLCURSORDATA* out) {
    *out = {};
}

void AddCursorData(uint32_t kind, uint32_t id, int32_t hotX, int32_t hotY, uintptr_t image) {
    GetCursorSet().Add(kind, id, hotX, hotY, image);
}

void GetCursorData(DXLCURSORDATA* out, uint32_t id) {
    GetCursorSet().Get(out, id);
}

void SelectCursor(uint32_t id) {
    GetCursorSet().Select(id);
}

void SetDefaultCursorData(uint32_t kind, uint32_t id, int32_t hotX, int32_t hotY, uintptr_t image) {
    GetCursorSet().SetDefault(kind, id, hotX, hotY, image);
}

void UseDefaultCursor() {
    GetCursorSet().UseDefault();
}

void ShowCursorImage() {
    GetCursorSet().Show();
}

void HideCursorImage() {
    GetCursorSet().Hide();
}

void SetCursorWindow(platform::Window* window) {
    GetCursorSet().SetWindow(window);
}

bool CursorsHandleMessage(platform::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return GetCursorSet().HandleMessage(window, message, wParam, lParam);
}

void DrawCursorImage(DXLViewer* viewer) {
    if (g_drawing) g_drawing->Draw(viewer);
}

HCURSOR LoadCursorFromFile(platform::Cursors* pointer, const char16_t* path) {
    if (!pointer || !path) return 0;
    std::optional<std::vector<uint8_t>> bytes =
        platform::ReadWholeFile(platform::GamePath(path), kMaxCursorFileBytes);
    if (!bytes) return 0;
    std::vector<CursorImage> images;
    if (!ReadCurFile(bytes->data(), bytes->size(), &images, nullptr)) return 0;
    int pick = PickCursorImage(images);
    if (pick < 0) return 0;
    const CursorImage& image = images[size_t(pick)];
    return pointer->CreateCursor(image.argb.data(), image.width, image.height, image.hotX, image.hotY);
}
