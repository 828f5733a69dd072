#include "text/KGEText.h"

#include "text/KGEBitmapFont.h"

#include "tests/text/TextTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

namespace {

class TextObjects : public texttest::SyntheticText {
  protected:
    void SetUp() override {
        SyntheticText::SetUp();
        ASSERT_TRUE(viewer.Open(128, 64));
        font = MakeFont(&viewer);
        ASSERT_TRUE(font);
        ASSERT_EQ(font->AddRef(), 0);
    }

    std::unique_ptr<KGETextW> MakeText(const std::u16string& text, const KGETextParams* params = nullptr,
                                       HResult expected = 0) {
        KGETextW* raw = nullptr;
        EXPECT_EQ(
            KGECreateText(&viewer, font.get(), params, text.c_str(), uint32_t(text.size()), nullptr, &raw),
            expected);
        return std::unique_ptr<KGETextW>(raw);
    }
    std::unique_ptr<KGETextSpriteW> MakeSprite(const std::u16string& text,
                                               const KGETextParams* params = nullptr,
                                               const KGETextBox* box = nullptr) {
        KGETextSpriteW* raw = nullptr;
        EXPECT_EQ(KGECreateTextSprite(&viewer, font.get(), params, box, text.c_str(), uint32_t(text.size()),
                                      nullptr, &raw),
                  0);
        return std::unique_ptr<KGETextSpriteW>(raw);
    }
    uint32_t SpriteTexel(KGEBaseTextSprite& sprite, int x, int y) {
        DXLTexture* texture = sprite.GetSpriteTexture();
        auto* bits = static_cast<uint8_t*>(texture->Lock(platform::kLockReadOnly));
        uint32_t value = 0xDEADBEEF;
        if (bits) {
            std::memcpy(&value, bits + size_t(y) * size_t(texture->GetLockedPitch()) + size_t(x) * 4, 4);
            texture->Unlock();
        }
        return value;
    }
    // Lit pixels (green above half) of the back buffer inside a rectangle.
    int Lit(int left, int top, int right, int bottom) {
        const platform::FrameView frame = viewer.GetDevice()->BackBuffer();
        int lit = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (((frame.pixels[size_t(y) * size_t(frame.pitchInPixels) + size_t(x)] >> 8) & 0xFF) > 128)
                    ++lit;
        return lit;
    }

    texttest::TestViewer viewer;
    std::unique_ptr<KGEWinFont> font;
};

TEST_F(TextObjects, LengthsAreResolvedAndCut) {
    KGETextParams params = KGEDefaultTextParams();
    params.flags = kTextKeepCopy;
    const std::u16string longText(10000, u'a');
    auto text = MakeText(longText, &params);
    EXPECT_EQ(text->GetTextLength(), 8192u);
    EXPECT_EQ(text->GetWidth(), 8192 * 8);
    EXPECT_EQ(text->Quads().size(), 8192u);

    params.maxChars = 100;
    text = MakeText(longText, &params);
    EXPECT_EQ(text->GetTextLength(), 100u);
    EXPECT_EQ(text->GetWidth(), 800);

    // Up to the terminator, at most 8192; a null text is then empty.
    EXPECT_EQ(text->SetText(longText.c_str(), 0xFFFFFFFFu), 0);
    EXPECT_EQ(text->GetTextLength(), 100u);
    EXPECT_EQ(text->SetText(u"abc", 0x80000000u), 0);
    EXPECT_EQ(std::u16string(text->GetText()), u"abc");
    EXPECT_EQ(text->SetText(nullptr, 0xFFFFFFFFu), 0);
    EXPECT_EQ(text->GetLineCount(), 0u);
    EXPECT_EQ(text->GetWidth(), 0);
    // A length without a text fails and leaves the object empty.
    EXPECT_EQ(text->SetText(u"abc", 3), 0);
    EXPECT_EQ(text->SetText(nullptr, 3), kKgeNullText);
    EXPECT_EQ(text->GetLineCount(), 0u);
    EXPECT_TRUE(text->Quads().empty());
    // Setting the object's own copy again keeps it.
    EXPECT_EQ(text->SetText(u"xyz", 3), 0);
    EXPECT_EQ(text->SetText(text->GetText(), 3), 0);
    EXPECT_EQ(std::u16string(text->GetText()), u"xyz");
}

TEST_F(TextObjects, DefaultRecordAndNullBox) {
    auto text = MakeText(u"a");
    const KGETextParams& p = text->GetParams();
    EXPECT_EQ(p.flags, 0u);
    EXPECT_EQ(p.maxChars, 8192u);
    EXPECT_EQ(p.colour, 0xFFFFFFFFu);
    EXPECT_EQ(p.alpha, 0xFF000000u);
    EXPECT_EQ(text->GetColour(), 0xFFFFFFFFu);
    EXPECT_EQ(text->TextureState().blendMode, kBlendAlpha);

    auto sprite = MakeSprite(u"a");
    EXPECT_EQ(sprite->GetBox().flags, 0u);
    EXPECT_EQ(sprite->BoxWidth(), 2048);
    EXPECT_EQ(sprite->BoxHeight(), 2048);
    EXPECT_EQ(sprite->GetBox().outline.mode, 0u);
    EXPECT_EQ(sprite->GetBox().shadow.mode, 0u);
    // A box without the size flag, or with sizes of 0, is as large.
    KGETextBox box{};
    box.width = 10;
    sprite->SetBox(&box);
    EXPECT_EQ(sprite->BoxWidth(), 2048);
    box.flags = kBoxSizeGiven;
    box.width = 0;
    box.height = 20;
    sprite->SetBox(&box);
    EXPECT_EQ(sprite->BoxWidth(), 2048);
    EXPECT_EQ(sprite->BoxHeight(), 20);
    // A text of 300 characters is cut to the 2048 pixels of the box.
    auto wide = MakeSprite(std::u16string(300, u'a'));
    EXPECT_EQ(wide->GetWidth(), 2400);
    EXPECT_EQ(wide->GetSpriteWidth(), 2048);
}

TEST_F(TextObjects, BoxEffectsAreKeptOnlyWhenUsable) {
    struct {
        uint32_t flags;
        float size;
        GlyphShadow shadow;
        uint32_t outlineMode, shadowMode;
    } cases[] = {
        {kBoxOutline | kBoxShadow, 1.0f, {1, 2, 2, 0x80000000}, 1, 1},
        {0, 1.0f, {1, 2, 2, 0x80000000}, 0, 0},
        {kBoxOutline | kBoxShadow, 33.0f, {1, 33, 2, 0x80000000}, 0, 0},
        {kBoxShadow, 1.0f, {1, -32, 32, 0x01000000}, 0, 1},
        {kBoxShadow, 1.0f, {1, 2, 2, 0x00FFFFFF}, 0, 0}, // no alpha
        {kBoxShadow, 1.0f, {0, 2, 2, 0xFF000000}, 0, 0}, // not enabled
    };
    for (const auto& c : cases) {
        KGETextBox box{};
        box.flags = c.flags;
        MakeGlyphEffect(&box.outline, 3, c.size, 0xFF000000, 1, 0);
        box.shadow = c.shadow;
        auto sprite = MakeSprite(u"a", nullptr, &box);
        EXPECT_EQ(sprite->GetBox().outline.mode, c.outlineMode);
        EXPECT_EQ(sprite->GetBox().shadow.mode, c.shadowMode);
    }
}

TEST_F(TextObjects, GlyphQuadsRunsAndLines) {
    auto text = MakeText(u"ab\nc");
    ASSERT_EQ(text->Quads().size(), 3u);
    ASSERT_EQ(text->Runs().size(), 2u); // runs never span lines
    EXPECT_EQ(text->Runs()[0].texture, font->GetTexture());
    EXPECT_EQ(text->Runs()[0].end, 2u);
    EXPECT_EQ(text->Runs()[1].end, 3u);
    ASSERT_EQ(text->Lines().size(), 2u);
    EXPECT_EQ(text->Lines()[1].y, 13);
    EXPECT_EQ(text->Lines()[1].runsBefore, 1u);
    EXPECT_EQ(text->Lines()[1].runsAfter, 2u);
    EXPECT_EQ(text->Lines()[1].firstQuad, 2u);
    // Each quad is the font's quad moved to the glyph.
    const TexturedQuad& base = font->GetQuads()[font->FindGlyph(u'b')->image];
    EXPECT_EQ(text->Quads()[1].v[0].x, base.v[0].x + 8);
    EXPECT_EQ(text->Quads()[1].v[2].y, base.v[2].y);
    EXPECT_EQ(text->Quads()[2].v[0].y, font->GetQuads()[0].v[0].y + 13);
    EXPECT_EQ(text->GetLineCount(), 2u);
    EXPECT_EQ(text->GetWidth(), 16);
    EXPECT_EQ(text->GetHeight(), 26);
}

TEST_F(TextObjects, ColourAndAlphaSetters) {
    KGETextParams params = KGEDefaultTextParams();
    params.flags = kTextMarkup;
    auto text = MakeText(u"a<c=ff0000>b", &params);
    ASSERT_EQ(text->Quads().size(), 2u);
    EXPECT_EQ(text->Quads()[0].v[0].colour, 0xFFFFFFFFu);
    EXPECT_EQ(text->Quads()[1].v[3].colour, 0xFFFF0000u);
    text->SetColor(0xFFFFFFFF); // the current colour: markup colours stay
    EXPECT_EQ(text->Quads()[1].v[3].colour, 0xFFFF0000u);
    text->SetAlpha(0x80000000);
    EXPECT_EQ(text->Quads()[1].v[0].colour, 0x80FF0000u);
    EXPECT_EQ(text->Quads()[0].v[0].colour, 0x80FFFFFFu);
    EXPECT_EQ(text->GetColour(), 0x80FFFFFFu);
    text->SetColor(0xFF00FF00);
    for (const TexturedQuad& q : text->Quads())
        for (const auto& v : q.v)
            EXPECT_EQ(v.colour, 0xFF00FF00u);
}

TEST_F(TextObjects, TextsDrawTheirGlyphs) {
    KGETextParams params = KGEDefaultTextParams();
    params.flags = kTextRect;
    params.rect = kis::Rect{20, 10, 100, 50};
    auto text = MakeText(u"ab", &params);
    auto sprite = MakeSprite(u"ab", &params);
    EXPECT_EQ(sprite->GetSpriteX(), 20);
    EXPECT_EQ(sprite->GetSpriteY(), 10);

    for (KGECustomText* object :
         {static_cast<KGECustomText*>(text.get()), static_cast<KGECustomText*>(sprite.get())}) {
        ASSERT_EQ(viewer.BeginScene(), kResultOk);
        viewer.ClearTarget(0xFF000000);
        object->Draw();
        viewer.EndFrame();
        // Two boxes of 6 x 10, each one pixel right of its pen.
        EXPECT_EQ(Lit(20, 10, 40, 30), 120);
        EXPECT_EQ(Lit(21, 10, 27, 20), 60);
        EXPECT_EQ(Lit(0, 0, 128, 64), 120);
    }
}

// Runs whose font has no texture are skipped, the first run and a run after
// another skipped one alike; they are never drawn untextured.
TEST_F(TextObjects, RunsWithoutTextureAreSkipped) {
    DXLTexture sheet(&viewer);
    sheet.Create(64, 16, kFormatA8R8G8B8, false);
    ASSERT_TRUE(sheet.IsLive());
    auto* bits = static_cast<uint32_t*>(sheet.Lock(0));
    ASSERT_NE(bits, nullptr);
    for (int32_t y = 0; y < 16; ++y)
        std::fill_n(bits + y * (sheet.GetLockedPitch() / 4), 64, 0xFFFFFFFFu);
    sheet.Unlock();

    KGEBitmapFont bitmap(&viewer);
    bitmap.SetTexture(&sheet, false);
    const int32_t areas[] = {0, 0, 6, 6, 0, 6};
    KGEImageDescription images{0, 2, 10, areas, 0, 0, {}, {}};
    ASSERT_EQ(bitmap.SetImages(&images), 0);
    bitmap.AllocGlyphs(kCharsetAnsi, 2);
    bitmap.SetChars(u"ab", 2);
    bitmap.SetMetrics(10, 10, 4, 0);
    for (uint32_t i = 0; i < 2; ++i) {
        bitmap.GetGlyphs()[i].image = i;
        bitmap.GetGlyphs()[i].advance = 8;
    }
    bitmap.BuildCharMap();
    ASSERT_EQ(bitmap.AddRef(), 0);

    auto drawn = [&](KGEFont* font) {
        KGETextW* raw = nullptr;
        EXPECT_EQ(KGECreateText(&viewer, font, nullptr, u"ab\nba", 5, nullptr, &raw), 0);
        std::unique_ptr<KGETextW> text(raw);
        EXPECT_EQ(text->Runs().size(), 2u);
        EXPECT_EQ(viewer.BeginScene(), kResultOk);
        viewer.ClearTarget(0xFF000000);
        text->Draw();
        viewer.EndFrame();
        return Lit(0, 0, 128, 64);
    };
    EXPECT_EQ(drawn(&bitmap), 4 * 6 * 10); // four glyph boxes
    bitmap.SetTexture(nullptr, false);     // the glyph quads stay built
    EXPECT_EQ(drawn(&bitmap), 0);
    bitmap.Release(true);
}

TEST_F(TextObjects, SpritesCompositeInTheirColourOverTransparentWhite) {
    KGETextParams params = KGEDefaultTextParams();
    params.flags = kTextColour | kTextAlpha;
    params.colour = 0xFF0000;
    params.alpha = 0x80000000;
    auto sprite = MakeSprite(u"ab\na", &params);
    ASSERT_NE(sprite->GetSpriteTexture(), nullptr);
    EXPECT_EQ(sprite->GetSpriteWidth(), 16);
    EXPECT_EQ(sprite->GetSpriteHeight(), 26);
    EXPECT_EQ(sprite->GetColour(), 0x80FFFFFFu);
    EXPECT_EQ(sprite->SpriteQuad().v[0].colour, 0x80FFFFFFu);
    ASSERT_EQ(sprite->LineTable().size(), 2u);
    EXPECT_EQ(sprite->LineTable()[1].y, 13);
    EXPECT_EQ(sprite->LineTable()[1].height, 13);
    // A new texture is cleared like a reused one: transparent white where no
    // glyph image lies, the tinted transparent texel inside glyph images.
    EXPECT_EQ(SpriteTexel(*sprite, 12, 20), 0x00FFFFFFu);
    EXPECT_EQ(SpriteTexel(*sprite, 0, 0), 0x00FF0000u);
    EXPECT_EQ(SpriteTexel(*sprite, 1, 0), 0xFFFF0000u);
    EXPECT_EQ(SpriteTexel(*sprite, 14, 9), 0xFFFF0000u);
    EXPECT_EQ(SpriteTexel(*sprite, 3, 22), 0xFFFF0000u);
    // Laid out again: none of the old pixels stay.
    DXLTexture* before = sprite->GetSpriteTexture();
    ASSERT_EQ(sprite->SetText(u"a b", 3), 0);
    EXPECT_EQ(sprite->GetSpriteTexture(), before);
    EXPECT_EQ(sprite->GetSpriteWidth(), 24);
    EXPECT_EQ(SpriteTexel(*sprite, 9, 0), 0x00FFFFFFu);
    EXPECT_EQ(SpriteTexel(*sprite, 17, 0), 0xFFFF0000u);

    // Empty text: a sprite of size 0 that draws nothing.
    ASSERT_EQ(sprite->SetText(u"", 0), 0);
    EXPECT_EQ(sprite->GetSpriteWidth(), 0);
    EXPECT_EQ(sprite->GetLineCount(), 0u);
}

TEST_F(TextObjects, ALargerTextKeepsThePartItsAlignmentChooses) {
    KGETextBox box{};
    box.flags = kBoxSizeGiven;
    box.width = 16;
    box.height = 100;
    struct {
        uint32_t align;
        int32_t x;
    } cases[] = {{0, 0}, {1, 8}, {2, 16}};
    for (const auto& c : cases) {
        KGETextParams params = KGEDefaultTextParams();
        params.flags = c.align;
        auto sprite = MakeSprite(u"abcd", &params, &box);
        EXPECT_EQ(sprite->GetSpriteWidth(), 16);
        EXPECT_EQ(sprite->GetSpriteX(), c.x) << c.align;
    }
    // The centred cut shows the middle: "b" and "c" from their own pixels.
    KGETextParams params = KGEDefaultTextParams();
    params.flags = 1;
    auto sprite = MakeSprite(u"abcd", &params, &box);
    EXPECT_EQ(SpriteTexel(*sprite, 0, 0), 0x00FFFFFFu);
    EXPECT_EQ(SpriteTexel(*sprite, 1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(SpriteTexel(*sprite, 9, 0), 0xFFFFFFFFu);
}

TEST_F(TextObjects, AKeptTextureIsReusedWhileTheTextFits) {
    KGETextBox box{};
    box.flags = kBoxSizeGiven | kBoxKeepTexture;
    box.width = 64;
    box.height = 32;
    auto sprite = MakeSprite(u"ab", nullptr, &box);
    DXLTexture* texture = sprite->GetSpriteTexture();
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->GetWidth(), 64);
    EXPECT_EQ(texture->GetHeight(), 32);
    EXPECT_EQ(sprite->GetSpriteWidth(), 16);
    ASSERT_EQ(sprite->SetText(u"abcd", 4), 0);
    EXPECT_EQ(sprite->GetSpriteTexture(), texture);
    EXPECT_EQ(texture->GetWidth(), 64);
    EXPECT_EQ(sprite->GetSpriteWidth(), 32);
    ASSERT_EQ(sprite->SetText(u"", 0), 0);
    EXPECT_TRUE(texture->IsLive()); // kept even for an empty text
}

TEST_F(TextObjects, ShadowWidensTheSprite) {
    KGETextBox box{};
    box.flags = kBoxShadow;
    SetInt4(&box.shadow, 1, 2, 3, 0xFF000000);
    auto sprite = MakeSprite(u"a", nullptr, &box);
    EXPECT_EQ(sprite->GetSpriteWidth(), 8 + 2);
    EXPECT_EQ(sprite->GetSpriteHeight(), 13 + 3);
    // The shadow lies under the glyph, offset by (2, 3).
    EXPECT_EQ(SpriteTexel(*sprite, 1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(SpriteTexel(*sprite, 8, 12) >> 24, 0xFFu);
    EXPECT_EQ(SpriteTexel(*sprite, 8, 12) & 0xFFFFFF, 0u);
}

} // namespace
