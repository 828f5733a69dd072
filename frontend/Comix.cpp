#include "frontend/Comix.h"

#include "app/App.h"
#include "app/GameStates.h"
#include "engine/InputManager.h"
#include "engine/LoaderState.h"
#include "engine/Log.h"
#include "engine/SoundManager.h"
#include "engine/Texture.h"
#include "engine/Viewer.h"
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "gui/SpritesWindow.h"
#include "sprites/GameEffect.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteEffect.h"
#include "sprites/SpriteHost.h"
#include "text/FontSlots.h"
#include "text/GameLanguage.h"
#include "text/KGEText.h"

#include <algorithm>
#include <cmath>

// ---------------------------------------------------------------- chunk

namespace {

// A bounded walk over the chunk's bytes: every read checks what is left.
class ByteReader {
  public:
    ByteReader(const uint8_t* bytes, size_t size) : p_(bytes), left_(size) {}
    size_t Left() const { return left_; }
    bool U32(uint32_t* out) {
        if (left_ < 4) return false;
        *out = kis::LoadLE32(p_);
        Skip(4);
        return true;
    }
    bool I32(int32_t* out) {
        uint32_t value = 0;
        if (!U32(&value)) return false;
        *out = int32_t(value);
        return true;
    }
    // A name field: 32 UTF-16 units that hold a terminator.
    bool Name(char16_t (&name)[32]) {
        if (left_ < 64) return false;
        bool terminated = false;
        for (int i = 0; i < 32; ++i) {
            name[i] = char16_t(kis::LoadLE16(p_ + 2 * i));
            terminated = terminated || name[i] == 0;
        }
        Skip(64);
        return terminated;
    }

  private:
    void Skip(size_t n) {
        p_ += n;
        left_ -= n;
    }
    const uint8_t* p_;
    size_t left_;
};

// The fewest bytes a comic (x, y, part count) and a part (its header) take.
constexpr size_t kComicMinSize = 12;

bool ReadPart(ByteReader& in, COMIXPART* part, std::string* why) {
    ComixPartHeader& h = part->header;
    if (in.Left() < kComixPartHeaderSize) return *why = "a part header is cut short", false;
    in.U32(&h.size);
    in.I32(&h.x);
    in.I32(&h.y);
    in.I32(&h.pivotX);
    in.I32(&h.pivotY);
    in.U32(&h.a);
    in.U32(&h.b);
    in.U32(&h.c);
    for (uint32_t& word : h.reserved) {
        in.U32(&word);
        word = 0; // the room the program keeps its pointers in; nothing to read
    }
    const uint64_t expected = ComixPartSize(h.a, h.b, h.c);
    if (h.size != expected)
        return *why = "a part states " + std::to_string(h.size) + " bytes, its counts make " +
                      std::to_string(expected),
               false;
    const uint64_t items = uint64_t(h.a) + h.b + h.c;
    if (items * kComixItemSize > in.Left()) return *why = "a part's items run past the chunk", false;
    part->items.resize(size_t(items));
    for (ComixItem& item : part->items) {
        if (!in.Name(item.name)) return *why = "an item's name is not terminated", false;
        in.I32(&item.dx);
        in.I32(&item.dy);
    }
    return true;
}

void StoreName(std::vector<uint8_t>& out, const char16_t (&name)[32]) {
    for (char16_t unit : name) {
        out.push_back(uint8_t(unit & 0xFF));
        out.push_back(uint8_t(unit >> 8));
    }
}

void StoreU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

} // namespace

bool ReadComixPages(const uint8_t* bytes, size_t size, std::vector<ComixPage>* out, std::string* why) {
    std::string reason;
    std::string* r = why ? why : &reason;
    ByteReader in(bytes, size);
    uint32_t count = 0;
    if (!in.U32(&count)) return *r = "the comic count is missing", false;
    if (uint64_t(count) * kComicMinSize > in.Left())
        return *r = std::to_string(count) + " comics cannot fit in the chunk", false;
    std::vector<ComixPage> pages(count);
    for (ComixPage& page : pages) {
        uint32_t parts = 0;
        if (!in.I32(&page.x) || !in.I32(&page.y) || !in.U32(&parts))
            return *r = "a comic is cut short", false;
        if (uint64_t(parts) * kComixPartHeaderSize > in.Left())
            return *r = std::to_string(parts) + " parts cannot fit in the chunk", false;
        page.parts.resize(parts);
        for (COMIXPART& part : page.parts)
            if (!ReadPart(in, &part, r)) return false;
    }
    *out = std::move(pages);
    return true;
}

std::vector<uint8_t> EncodeComixPages(const std::vector<ComixPage>& pages) {
    std::vector<uint8_t> out;
    StoreU32(out, uint32_t(pages.size()));
    for (const ComixPage& page : pages) {
        StoreU32(out, uint32_t(page.x));
        StoreU32(out, uint32_t(page.y));
        StoreU32(out, uint32_t(page.parts.size()));
        for (const COMIXPART& part : page.parts) {
            const ComixPartHeader& h = part.header;
            StoreU32(out, uint32_t(ComixPartSize(h.a, h.b, h.c)));
            for (int32_t v : {h.x, h.y, h.pivotX, h.pivotY})
                StoreU32(out, uint32_t(v));
            for (uint32_t v : {h.a, h.b, h.c, 0u, 0u, 0u})
                StoreU32(out, v);
            for (const ComixItem& item : part.items) {
                StoreName(out, item.name);
                StoreU32(out, uint32_t(item.dx));
                StoreU32(out, uint32_t(item.dy));
            }
        }
    }
    return out;
}

// ---------------------------------------------------------------- layout

float ComixScale(int32_t screenWidth, int32_t screenHeight) {
    float s = 1.0f;
    if (screenHeight < 750)
        s = float(screenHeight) / 750.0f;
    else if (screenHeight > 800)
        s = float(screenHeight) / 800.0f;
    if (std::lround(980.0f * s) > screenWidth) s = float(screenWidth) / 980.0f;
    return s;
}

ComixLayout ComixPageLayout(int32_t screenWidth, int32_t screenHeight, int32_t pageX, int32_t pageY,
                            int32_t textureWidth, int32_t textureHeight) {
    ComixLayout layout;
    layout.scale = ComixScale(screenWidth, screenHeight);
    layout.originX = screenWidth / 2 + int32_t(float(pageX) * layout.scale);
    layout.originY = screenHeight / 2 + int32_t(float(pageY) * layout.scale);
    if (textureWidth <= 0 || textureHeight <= 0) return layout;
    // The page's dotted border runs along the screen's edges: the picture is
    // stretched over the screen, never cut, whatever the screen's shape.
    layout.backWidth = screenWidth;
    layout.backHeight = screenHeight;
    return layout;
}

// ---------------------------------------------------------------- holder

namespace {
struct InstalledComix {
    Comix* comix = nullptr; // installed by the program, which owns it
};
} // namespace

void SetComix(Comix* comix) {
    if (InstalledComix* installed = comix ? AppPart<InstalledComix>() : ExistingAppPart<InstalledComix>())
        installed->comix = comix;
}

Comix* GetComix() {
    const InstalledComix* installed = ExistingAppPart<InstalledComix>();
    return installed ? installed->comix : nullptr;
}

bool ShowComix(uint32_t i, Comix::Callback callback) {
    Comix* comix = GetComix();
    return comix && comix->Show(i, callback);
}

Comix::Comix() = default;

Comix::~Comix() {
    CloseWindow();
    if (GetComix() == this) SetComix(nullptr);
}

bool Comix::Read(const uint8_t* bytes, size_t size, std::string* why) {
    std::vector<ComixPage> pages;
    if (!ReadComixPages(bytes, size, &pages, why)) return false;
    CloseWindow(); // its panels point into the pages
    pages_ = std::move(pages);
    return true;
}

int32_t Comix::Load(kis::BaseDataFile* reader, LoaderState* state) {
    state->done = state->total = 1;
    if (!reader || !reader->OpenChunk(kComixChunkId, kComixChunkSubId)) {
        state->error = 1;
        return kLoaderFinished;
    }
    const kis::DataFileEntry* chunk = reader->GetOpenChunk();
    std::vector<uint8_t> bytes(chunk ? chunk->size : 0);
    bool ok = chunk && reader->Read(bytes.data(), uint32_t(bytes.size()));
    reader->CloseChunk();
    std::string why;
    if (ok && !Read(bytes.data(), bytes.size(), &why)) {
        LogErrorPrintf(kLogIndent, "The comics are refused: %s.", why.c_str());
        ok = false;
    }
    if (!ok) {
        CloseWindow();
        pages_.clear();
        state->error = 1;
    }
    return kLoaderFinished;
}

bool Comix::Show(uint32_t i, Callback callback) {
    if (i >= pages_.size()) return false;
    callback_ = callback;
    CloseWindow();
    current_ = i;
    StartGameEffect(std::make_unique<GEffect_Regime>(kStateComics, 250, 250, 0, 1));
    return true;
}

void Comix::OpenWindow(WindowManager& manager) {
    CloseWindow();
    if (current_ < pages_.size()) manager.Open<ComixWindow>(*this, current_);
}

void Comix::CloseWindow() {
    if (!window_) return;
    WindowManager& manager = window_->Manager();
    manager.Destroy(window_);
    window_ = nullptr;
    // Destroy only marks the window; outside the manager's own walks it goes now.
    if (!manager.IsDispatching()) manager.DeleteClosedWindows();
}

// ---------------------------------------------------------------- panel

ComixPart::ComixPart(const COMIXPART& part, const GameLanguage* language, DXLViewer* viewer, uint32_t delay,
                     uint32_t pageSound)
    : part_(part) {
    SpriteLibrary* library = GetLibrary(kComixLibrary);
    auto makePictures = [&](const ComixItem* items, uint32_t n, std::vector<Picture>& out) {
        for (uint32_t i = 0; i < n; ++i) {
            std::unique_ptr<SpriteInstance> instance =
                library ? library->CreateInstanceByName(items[i].name, 0) : nullptr;
            if (instance) out.push_back({std::move(instance), items[i].dx, items[i].dy});
        }
    };
    makePictures(part.Front(), part.header.a, front_);
    makePictures(part.Late(), part.header.b, late_);

    KGEFont* font = GetFont(kComixCaptionFont);
    for (uint32_t i = 0; i < part.header.c && language && font; ++i) {
        const ComixItem& item = part.Captions()[i];
        const GameComixItem* text = language->FindItem(item.name);
        const char16_t* words = text && text->entry ? text->entry->Text(0) : nullptr;
        if (!words) continue;
        KGETextParams params = KGEDefaultTextParams();
        params.flags = kComixCaptionFlags;
        params.colour = kComixCaptionColour;
        KGETextW* made = nullptr;
        const HResult hr = KGECreateText(viewer, font, &params, words, kKgeToTerminator, nullptr, &made);
        Caption caption;
        caption.text.reset(made);
        if (Failed(hr) || !caption.text) continue;
        caption.x = float(text->x + item.dx);
        caption.y = float(text->y + item.dy);
        caption.centreX = float(caption.text->GetWidth()) / 2.0f;
        caption.centreY = float(caption.text->GetHeight()) / 2.0f;
        caption.scale = text->scale;
        captions_.push_back(std::move(caption));
    }

    AddSpriteEffect(&effects_, new SEffect_Alpha(0.0f, 1.0f, kComixPopIn, true, delay));
    AddSpriteEffect(&effects_, new SEffect_Scale(0.9f, 1.0f, kComixPopIn, true, delay));
    AddSpriteEffect(&effects_, new SEffect_Sound(pageSound, kSoundCategoryScreen, delay));
}

ComixPart::~ComixPart() = default;

void ComixPart::Complete() {
    effects_.reset();
    colour_ = 0xFFFFFFFF;
}

void ComixPart::Step(DXLViewer* viewer) {
    if (!effects_) return;
    if (viewer) viewer->Translate(float(part_.header.pivotX), float(part_.header.pivotY));
    const bool going = UpdateSpriteEffects(&effects_, viewer);
    if (viewer) viewer->Translate(-float(part_.header.pivotX), -float(part_.header.pivotY));
    if (!going) {
        colour_ = 0xFFFFFFFF;
        return;
    }
    // A panel still waiting for its delay stays invisible.
    if (effects_->mask & kEffectColour) colour_ = (effects_->colour & 0xFF000000) | 0x00FFFFFF;
}

void ComixPart::DrawPictures(DXLViewer& viewer, std::vector<Picture>& pictures) {
    for (Picture& picture : pictures) {
        viewer.SetTransform(&transform_);
        viewer.Translate(float(picture.dx), float(picture.dy));
        picture.instance->colour = colour_;
        picture.instance->Draw(viewer);
    }
}

void ComixPart::DrawFront(DXLViewer& viewer) {
    viewer.GetTransform(&transform_);
    DrawPictures(viewer, front_);
}

void ComixPart::DrawLate(DXLViewer& viewer) {
    if (IsComingIn()) return;
    DrawPictures(viewer, late_);
    for (Caption& caption : captions_) {
        viewer.SetTransform(&transform_);
        viewer.Translate(caption.x, caption.y);
        viewer.Scale(caption.scale);
        viewer.Translate(-caption.centreX, -caption.centreY);
        viewer.ApplyTransform();
        caption.text->SetAlpha(colour_);
        caption.text->Draw();
    }
}

// ---------------------------------------------------------------- window

ComixWindow::ComixWindow(WindowManager& manager, Comix& holder, uint32_t comic)
    : GameWindow(manager, 0, true), holder_(holder), page_(holder.pages_[comic]) {
    LoadPictures();
    if (SpriteLibrary* library = GetLibrary(kComixLibrary))
        background_ = library->FindMapSprite(kComixBackground);
    Place(manager.ScreenWidth(), manager.ScreenHeight());

    const auto* language = static_cast<const GameLanguage*>(AppLanguage());
    SoundManager* sound = GetSpriteHost().Sound();
    const uint32_t pageSound = sound ? sound->GetEventSound(kComixPageSound) : 0;
    for (size_t k = 0; k < page_.parts.size(); ++k)
        parts_.push_back(std::make_unique<ComixPart>(page_.parts[k], language, manager.Viewer(),
                                                     kComixFirstDelay + kComixPartDelay * uint32_t(k),
                                                     pageSound));
    // Last: a constructor that runs out of memory before here leaves the
    // holder no window to close, instead of one that has gone.
    holder_.window_ = this;
}

void ComixWindow::Place(int32_t width, int32_t height) {
    rect = kis::MakeRectWH(0, 0, width, height);
    int32_t backWidth = 0, backHeight = 0;
    if (background_ && background_->Acquire()) {
        backWidth = background_->GetWidth();
        backHeight = background_->GetHeight();
    }
    layout_ = ComixPageLayout(width, height, page_.x, page_.y, backWidth, backHeight);
    hasBackground_ = false;
    if (backWidth > 0) {
        MapDrawItem item;
        const kis::Rect target =
            kis::MakeRectWH(layout_.backLeft, layout_.backTop, layout_.backWidth, layout_.backHeight);
        hasBackground_ =
            static_cast<MapSprite*>(background_)->DrawScaled(&item, 0, target, nullptr, 0xFFFFFFFF, false);
        backQuad_ = item.quad;
    }
}

ComixWindow::~ComixWindow() {
    parts_.clear();
    ReleasePictures();
    if (background_ && background_->GetTexture()) background_->GetTexture()->Release();
    if (holder_.window_ == this) holder_.window_ = nullptr;
}

void ComixWindow::LoadPictures() {
    SpriteLibrary* library = GetLibrary(kComixLibrary);
    if (!library || page_.spritesLoaded) return;
    for (const COMIXPART& part : page_.parts)
        for (uint32_t i = 0; i < part.header.a + part.header.b; ++i)
            if (Sprite* sprite = library->FindSprite(part.items[i].name); sprite && sprite->GetTexture())
                if (!sprite->GetTexture()->IsLive()) sprite->GetTexture()->Restore();
    page_.spritesLoaded = true;
}

void ComixWindow::ReleasePictures() {
    SpriteLibrary* library = GetLibrary(kComixLibrary);
    if (library)
        for (const COMIXPART& part : page_.parts)
            for (uint32_t i = 0; i < part.header.a + part.header.b; ++i)
                if (Sprite* sprite = library->FindSprite(part.items[i].name); sprite && sprite->GetTexture())
                    sprite->GetTexture()->Release();
    page_.spritesLoaded = false;
}

void ComixWindow::CompleteAll() {
    for (auto& part : parts_)
        part->Complete();
}

void ComixWindow::Advance() {
    if (closing_) return;
    // The last panel first: a click while only it is still coming in closes
    // the page at once.
    if (!parts_.empty()) parts_.back()->Complete();
    bool wasComingIn = false;
    for (auto& part : parts_) {
        wasComingIn = wasComingIn || part->IsComingIn();
        part->Complete();
    }
    if (wasComingIn) return;

    closing_ = true;
    CompleteAll();
    holder_.RaiseMapEvent(kMapEventComixClosed);
    auto effect = std::make_unique<GEffect_Regime>(kStateMap, 250, 250, 0, 1);
    effect->afterCallback = holder_.callback_;
    StartGameEffect(std::move(effect));
}

bool ComixWindow::OnMouseDown(int32_t x, int32_t y, uint32_t button) {
    if (button == kMouseLeft && !manager_.CapturedControl()) Advance();
    return GameWindow::OnMouseDown(x, y, button);
}

bool ComixWindow::OnMouseDblClick(int32_t x, int32_t y) {
    if (!manager_.CapturedControl()) Advance();
    return GameWindow::OnMouseDblClick(x, y);
}

bool ComixWindow::OnKeyDown(uint32_t key, uint32_t flags) {
    if (key != kKeyReturn && key != kKeyEscape) return GameWindow::OnKeyDown(key, flags);
    Advance();
    return true;
}

void ComixWindow::Draw(DXLViewer& viewer) {
    viewer.ResetTransform();
    viewer.ApplyTransform();
    viewer.SetBlendMode(kBlendAlpha);
    if (hasBackground_ && background_->Acquire()) {
        SetCurrentTexture(background_->GetTexture());
        viewer.DrawTexturedQuad(&backQuad_);
    }
    viewer.Translate(float(layout_.originX), float(layout_.originY));
    viewer.Scale(layout_.scale);
    DXLMatrix page;
    viewer.GetTransform(&page);
    for (auto& part : parts_) {
        viewer.SetTransform(&page);
        viewer.Translate(float(part->Part().header.x), float(part->Part().header.y));
        part->Step(&viewer);
        part->DrawFront(viewer);
    }
    for (auto& part : parts_)
        part->DrawLate(viewer);
    viewer.ResetTransform();
    viewer.ApplyTransform();
    GameWindow::Draw(viewer);
}
