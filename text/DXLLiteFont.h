#pragma once
#include "engine/NotifyObject.h"
#include "engine/ResultNames.h"
#include "text/DXLFont.h"

#include <cstdint>
#include <memory>

// Two small font classes of the engine: a helper-library font kept alive
// across device creation, loss and reset, and the lite font tied to one
// texture.

namespace platform {
class GraphicsDevice;
class GlyphFace;
}
class DXLTexture;

// The description the helper library's font is created from.
template <typename Ch>
struct D3DXFontDesc {
    int32_t height;
    uint32_t width;
    uint32_t weight;
    uint32_t mipLevels;
    int32_t italic;
    uint8_t charSet;
    uint8_t outputPrecision;
    uint8_t quality;
    uint8_t pitchAndFamily;
    Ch faceName[32];
};
using D3DXFONT_DESCW = D3DXFontDesc<char16_t>;
using D3DXFONT_DESCA = D3DXFontDesc<char>;

// The font object of the built-in helper library: the glyph face the
// description asks for, on one device. Reference counted like the library's
// objects; Release deletes it at 0.
class D3DXFont {
public:
    D3DXFont(platform::GraphicsDevice* device, const D3DXFONT_DESCW& desc, std::unique_ptr<platform::GlyphFace> face);
    ~D3DXFont();
    D3DXFont(const D3DXFont&) = delete;
    D3DXFont& operator=(const D3DXFont&) = delete;

    uint32_t AddRef() { return ++references_; }
    uint32_t Release();

    const D3DXFONT_DESCW& GetDesc() const { return desc_; }
    platform::GraphicsDevice* GetDevice() const { return device_; }
    platform::GlyphFace* GetFace() const { return face_.get(); }
    // Fonts of the library alive now (for leak checks).
    static int32_t LiveCount();

private:
    platform::GraphicsDevice* device_;
    D3DXFONT_DESCW desc_;
    std::unique_ptr<platform::GlyphFace> face_;
    uint32_t references_ = 1;
};

// The library's creation functions, registered with the built-in helper
// library under "D3DXCreateFontIndirectW" and "D3DXCreateFontIndirectA".
// kResultInvalidCall without device, description or output; kResultFail when
// no face can be opened.
using D3DXCreateFontIndirectWProc = HResult (*)(platform::GraphicsDevice* device, const D3DXFONT_DESCW* desc,
                                                D3DXFont** font);
using D3DXCreateFontIndirectAProc = HResult (*)(platform::GraphicsDevice* device, const D3DXFONT_DESCA* desc,
                                                D3DXFont** font);
HResult D3DXCreateFontIndirectW(platform::GraphicsDevice* device, const D3DXFONT_DESCW* desc, D3DXFont** font);
HResult D3DXCreateFontIndirectA(platform::GraphicsDevice* device, const D3DXFONT_DESCA* desc, D3DXFont** font);
// Registers both with the built-in helper library (done once at start-up).
void RegisterD3DXFontProcs();

// A helper-library font built from font properties that follows its viewer's
// device: created on device creation and after a reset, released before a
// reset and when the device is released.
template <typename Ch>
class DXLD3DXFont : public DXLDeviceObject {
public:
    using Props = DXLFontProps<Ch>;

    DXLD3DXFont() = default;
    // Leaves its viewer, deletes its properties and releases its font.
    ~DXLD3DXFont() override;

    void OnDeviceEvent(DXLViewer* viewer, uint32_t event) override;
    // Leaves the old viewer's device objects, joins the new one's, Create.
    void SetViewer(DXLViewer* viewer);
    // The font owns a copy of the properties; Create follows.
    void SetProps(const Props* props);
    // Releases the font; with properties and a viewer creates it again.
    void Create();
    void ReleaseFont();

    D3DXFont* GetFont() const { return font_; }
    const Props* GetProps() const { return props_.get(); }

private:
    std::unique_ptr<Props> props_;
    D3DXFont* font_ = nullptr;
};

// A light font tied to one texture. It watches its texture: when the texture
// goes away it forgets it and raises its texture-lost flag.
template <typename Ch>
class DXLLiteFont : public DXLNotifyObject {
public:
    static constexpr uint32_t kCharCount = DXLFontTraits<Ch>::kCharCount;
    using Entry = std::conditional_t<sizeof(Ch) == 1, uint8_t, uint16_t>;

    DXLLiteFont() = default;
    // Leaves its texture's notify targets and frees both buffers.
    ~DXLLiteFont() override;

    void OnNotify(DXLNotifyObject* sender, uint32_t code) override;
    void SetTexture(DXLTexture* texture);
    DXLTexture* GetTexture() const { return texture_; }
    bool IsTextureLost() const { return textureLost_; }
    Entry* GetTable() { return table_; }

private:
    std::unique_ptr<uint8_t[]> buffer_;
    DXLTexture* texture_ = nullptr;
    std::unique_ptr<uint8_t[]> secondBuffer_;
    Entry table_[kCharCount] = {};
    bool textureLost_ = false;
};

using DXLD3DXFontW = DXLD3DXFont<char16_t>;
using DXLD3DXFontA = DXLD3DXFont<char>;
using DXLLiteFontW = DXLLiteFont<char16_t>;
using DXLLiteFontA = DXLLiteFont<char>;

extern template class DXLD3DXFont<char16_t>;
extern template class DXLD3DXFont<char>;
extern template class DXLLiteFont<char16_t>;
extern template class DXLLiteFont<char>;
