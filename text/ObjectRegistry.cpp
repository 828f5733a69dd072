#include "text/ObjectRegistry.h"

#include "engine/Texture.h"

#include <type_traits>
#include <unordered_map>

namespace {

struct Entry {
    void* object;
    uint32_t kind;
};

// Follows the destruction of registered textures.
class TextureWatcher final : public DXLNotifyObject {
  public:
    void OnNotify(DXLNotifyObject* sender, uint32_t code) override;
};

struct Registry {
    std::unordered_map<uint32_t, Entry> byHandle;
    std::unordered_map<const void*, uint32_t> byObject;
    uint32_t lastHandle = 0;
    TextureWatcher watcher;
};

// Never destroyed: textures may outlive every static object and still tell
// the watcher that they go away.
Registry& TheRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}

void TextureWatcher::OnNotify(DXLNotifyObject* sender, uint32_t code) {
    // The texture is already partly destroyed: compare addresses only. The
    // notifying base sits at the start of a texture, so they are the same.
    if (code == kNotifyDestroyed) UnregisterObject(static_cast<const void*>(sender));
}

} // namespace

uint32_t RegisterObject(void* object, uint32_t kind) {
    if (!object) return 0;
    Registry& r = TheRegistry();
    auto found = r.byObject.find(object);
    if (found != r.byObject.end()) return found->second;
    do {
        ++r.lastHandle;
    } while (r.lastHandle == 0 || r.byHandle.count(r.lastHandle));
    r.byHandle[r.lastHandle] = Entry{object, kind};
    r.byObject[object] = r.lastHandle;
    return r.lastHandle;
}

void* FindObject(uint32_t handle, uint32_t kind) {
    if (handle == 0) return nullptr;
    Registry& r = TheRegistry();
    auto found = r.byHandle.find(handle);
    if (found == r.byHandle.end() || found->second.kind != kind) return nullptr;
    return found->second.object;
}

uint32_t FindHandle(const void* object) {
    if (!object) return 0;
    Registry& r = TheRegistry();
    auto found = r.byObject.find(object);
    return found == r.byObject.end() ? 0 : found->second;
}

void UnregisterObject(const void* object) {
    Registry& r = TheRegistry();
    auto found = r.byObject.find(object);
    if (found == r.byObject.end()) return;
    r.byHandle.erase(found->second);
    r.byObject.erase(found);
}

uint32_t RegisteredObjectCount() {
    return static_cast<uint32_t>(TheRegistry().byHandle.size());
}

uint32_t RegisterTexture(DXLTexture* texture) {
    if (!texture) return 0;
    static_assert(std::is_base_of_v<DXLNotifyObject, DXLTexture>);
    if (static_cast<void*>(static_cast<DXLNotifyObject*>(texture)) != static_cast<void*>(texture))
        return 0; // cannot be followed to its end
    const bool known = FindHandle(texture) != 0;
    const uint32_t handle = RegisterObject(texture, kObjectKindTexture);
    if (!known) texture->AddTarget(&TheRegistry().watcher);
    return handle;
}

DXLTexture* FindTexture(uint32_t handle) {
    return static_cast<DXLTexture*>(FindObject(handle, kObjectKindTexture));
}

uint32_t RegisterFont(KGEFont* font) {
    return RegisterObject(font, kObjectKindKgeFont);
}

KGEFont* FindFont(uint32_t handle) {
    return static_cast<KGEFont*>(FindObject(handle, kObjectKindKgeFont));
}
