#include "text/ObjectRegistry.h"

#include "engine/Texture.h"
#include "text/KGEBitmapFont.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(ObjectRegistry, HandlesNameLiveObjectsOfTheirKindOnly) {
    int a = 0, b = 0;
    const uint32_t before = RegisteredObjectCount();
    EXPECT_EQ(RegisterObject(nullptr, kObjectKindKgeFont), 0u);
    const uint32_t ha = RegisterObject(&a, kObjectKindKgeFont);
    const uint32_t hb = RegisterObject(&b, kObjectKindTexture);
    EXPECT_NE(ha, 0u);
    EXPECT_NE(hb, 0u);
    EXPECT_NE(ha, hb);
    EXPECT_EQ(RegisterObject(&a, kObjectKindKgeFont), ha); // one handle per object
    EXPECT_EQ(RegisteredObjectCount(), before + 2);
    EXPECT_EQ(FindObject(ha, kObjectKindKgeFont), &a);
    EXPECT_EQ(FindObject(ha, kObjectKindTexture), nullptr); // another kind finds nothing
    EXPECT_EQ(FindObject(0, kObjectKindKgeFont), nullptr);
    EXPECT_EQ(FindHandle(&b), hb);

    UnregisterObject(&a);
    EXPECT_EQ(FindObject(ha, kObjectKindKgeFont), nullptr);
    EXPECT_EQ(FindHandle(&a), 0u);
    // Registered again, it gets a new handle: the old one stays dead.
    const uint32_t again = RegisterObject(&a, kObjectKindKgeFont);
    EXPECT_NE(again, ha);
    EXPECT_EQ(FindObject(ha, kObjectKindKgeFont), nullptr);
    UnregisterObject(&a);
    UnregisterObject(&b);
    UnregisterObject(&b); // forgetting twice is harmless
    EXPECT_EQ(RegisteredObjectCount(), before);
}

TEST(ObjectRegistry, ADestroyedTextureIsForgotten) {
    auto texture = std::make_unique<DXLTexture>();
    const uint32_t handle = RegisterTexture(texture.get());
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(RegisterTexture(texture.get()), handle);
    EXPECT_EQ(FindTexture(handle), texture.get());
    EXPECT_EQ(FindFont(handle), nullptr);
    texture.reset();
    EXPECT_EQ(FindTexture(handle), nullptr);
    EXPECT_EQ(FindObject(handle, kObjectKindTexture), nullptr);
}

TEST(ObjectRegistry, ADestroyedFontIsForgotten) {
    // Whoever deletes the font (the language unloading, a font slot refilled),
    // markup can no longer reach it through its handle.
    auto font = std::make_unique<KGEBitmapFont>(nullptr);
    const uint32_t before = RegisteredObjectCount();
    const uint32_t handle = RegisterFont(font.get());
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(FindFont(handle), font.get());
    font.reset();
    EXPECT_EQ(FindFont(handle), nullptr);
    EXPECT_EQ(RegisteredObjectCount(), before);
}

} // namespace
