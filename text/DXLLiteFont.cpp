#include "text/DXLLiteFont.h"

#include "engine/DirectXVersion.h"
#include "engine/HelperLibrary.h"
#include "engine/Log.h"
#include "engine/Texture.h"
#include "engine/Viewer.h"
#include "foundation/StrFunctions.h"
#include "platform/GlyphFace.h"

namespace {

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    const int64_t p = int64_t(a) * b;
    return int32_t(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}

} // namespace

// ================================================================ helper-library font

template <typename Ch> DXLD3DXFont<Ch>::~DXLD3DXFont() {
    OnDeviceEvent(GetViewer(), kDeviceDetach);
    ReleaseFont();
}

template <typename Ch> void DXLD3DXFont<Ch>::SetViewer(DXLViewer* viewer) {
    if (viewer == GetViewer()) return;
    ChangeViewer(viewer);
    Create();
}

template <typename Ch> void DXLD3DXFont<Ch>::SetProps(const Props* props) {
    if (!props) {
        props_.reset();
    } else {
        if (!props_) props_ = std::make_unique<Props>();
        props_->Assign(*props);
    }
    Create();
}

template <typename Ch> void DXLD3DXFont<Ch>::ReleaseFont() {
    if (font_) font_->Release();
    font_ = nullptr;
}

template <typename Ch> void DXLD3DXFont<Ch>::Create() {
    ReleaseFont();
    DXLViewer* viewer = GetViewer();
    if (!props_ || !viewer) return;
    d3dx::FontDesc<Ch> desc{};
    desc.height = -MulDiv(props_->GetSize(), platform::kGlyphDpi, 72);
    desc.width = 0;
    desc.weight = (props_->GetStyle() & kDXLFontBold) ? 700 : 400;
    desc.mipLevels = 1;
    desc.italic = (props_->GetStyle() & kDXLFontItalic) ? 1 : 0;
    desc.charSet = uint8_t(props_->GetCharSet());
    desc.outputPrecision = 0;
    desc.quality = props_->GetQuality();
    desc.pitchAndFamily = props_->GetPitchAndFamily();
    kis::StrCopy(desc.faceName, 32, props_->GetFaceName());

    HResult hr = kResultFail;
    if constexpr (std::is_same_v<Ch, char16_t>) {
        auto create = d3dx::Library().createFontIndirectW;
        if (!create) return; // the library was not loaded; its loading logged that
        hr = create(viewer->GetDevice(), &desc, &font_);
    } else {
        auto create = d3dx::Library().createFontIndirectA;
        if (!create) return;
        hr = create(viewer->GetDevice(), &desc, &font_);
    }
    if (Failed(hr)) {
        font_ = nullptr;
        LogError(kLogIndent, "D3DXCreateFontIndirect: ", hr);
    }
}

template <typename Ch> void DXLD3DXFont<Ch>::OnDeviceEvent(DXLViewer* viewer, uint32_t event) {
    switch (event) {
    case kDeviceAttach:
        AttachToViewer(viewer);
        break;
    case kDeviceDetach:
        ReleaseFont();
        DetachFromViewer();
        break;
    case kDeviceCreated:
    case kDeviceResetComplete:
        Create();
        break;
    case kDeviceReleasing:
    case kDeviceResetting:
        ReleaseFont();
        break;
    default:
        break;
    }
}

// ================================================================ lite font

template <typename Ch> DXLLiteFont<Ch>::~DXLLiteFont() {
    if (texture_) texture_->RemoveTarget(this);
}

template <typename Ch> void DXLLiteFont<Ch>::SetTexture(DXLTexture* texture) {
    if (texture == texture_) return;
    if (texture_) texture_->RemoveTarget(this);
    texture_ = texture;
    if (texture_) texture_->AddTarget(this);
    textureLost_ = false;
}

template <typename Ch> void DXLLiteFont<Ch>::OnNotify(DXLNotifyObject* sender, uint32_t code) {
    if (sender && sender == texture_ && code == kNotifyDestroyed) {
        texture_ = nullptr;
        textureLost_ = true;
    }
}

template class DXLD3DXFont<char16_t>;
template class DXLD3DXFont<char>;
template class DXLLiteFont<char16_t>;
template class DXLLiteFont<char>;
