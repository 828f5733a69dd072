#pragma once
#include <cstdint>

// Live objects that texts name in their markup ("<font=@1F>",
// "<image=@2A ...>"). A text never carries a memory address: it carries a
// 32-bit handle that this registry hands out, and a handle is looked up
// together with the kind of object the tag expects. A handle that names no
// live object, or an object of another kind, finds nothing, so text from a
// file can only ever reach objects that were registered for it.
//
// Handle 0 is never handed out; markup uses it to mean "no object".
// Handles are not reused while the program runs (they wrap only after four
// billion registrations, skipping 0).

class DXLTexture;
class KGEFont;

// Kinds of object. Other layers that put objects into markup take a kind of
// their own from kObjectKindFirstFree upwards.
constexpr uint32_t kObjectKindTexture = 1;
constexpr uint32_t kObjectKindKgeFont = 2;
constexpr uint32_t kObjectKindFirstFree = 16;

// The handle of the object, registering it under the kind when it is not yet
// registered; 0 for null. An object keeps one handle for as long as it stays
// registered (asking again gives the same one, whatever kind is asked for).
uint32_t RegisterObject(void* object, uint32_t kind);
// The object of the handle when it is live and of that kind; null otherwise.
void* FindObject(uint32_t handle, uint32_t kind);
// The object's handle, or 0 when it is not registered.
uint32_t FindHandle(const void* object);
// Forgets the object; its handle then names nothing. Whoever deletes a
// registered object calls this first (textures and KGE fonts do it
// themselves, see below).
void UnregisterObject(const void* object);
uint32_t RegisteredObjectCount();

// A texture is forgotten by the registry on its own when it is destroyed.
uint32_t RegisterTexture(DXLTexture* texture);
DXLTexture* FindTexture(uint32_t handle);

// A font is forgotten by the registry when it is destroyed.
uint32_t RegisterFont(KGEFont* font);
KGEFont* FindFont(uint32_t handle);
