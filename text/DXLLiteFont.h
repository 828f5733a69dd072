#pragma once
#include "engine/NotifyObject.h"
#include "text/DXLFont.h"

#include <cstdint>
#include <memory>

// Two small font classes of the engine: a font of the helper library
// (engine/HelperLibrary.h) kept alive across device creation, loss and reset,
// and the lite font tied to one texture.

namespace d3dx {
class Font;
}
class DXLTexture;

// A helper-library font built from font properties that follows its viewer's
// device: created on device creation and after a reset, released before a
// reset and when the device is released.
template <typename Ch> class DXLD3DXFont : public DXLDeviceObject {
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

    d3dx::Font* GetFont() const { return font_; }
    const Props* GetProps() const { return props_.get(); }

  private:
    std::unique_ptr<Props> props_;
    d3dx::Font* font_ = nullptr;
};

// A light font tied to one texture. It watches its texture: when the texture
// goes away it forgets it and raises its texture-lost flag.
template <typename Ch> class DXLLiteFont : public DXLNotifyObject {
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
