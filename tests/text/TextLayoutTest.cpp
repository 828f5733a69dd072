#include "text/TextLayout.h"

#include "engine/Log.h"
#include "engine/Texture.h"
#include "platform/Utf.h"
#include "tests/support/TempDir.h"
#include "tests/text/TextTestSupport.h"
#include "text/ObjectRegistry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using texttest::Placed;
using texttest::PlacedGlyphs;

namespace {

class Layout : public texttest::SyntheticText {
  protected:
    void SetUp() override {
        SyntheticText::SetUp();
        font = MakeFont();
        ASSERT_TRUE(font);
    }

    const KGETextLayout& Run(const std::u16string& text, uint32_t flags = 0) {
        params.flags |= flags;
        KGENormalizeTextParams(params);
        EXPECT_EQ(layout.Layout(font.get(), params, text.data(), uint32_t(text.size())), 0);
        return layout;
    }
    // x of every glyph, in text order.
    std::vector<int32_t> Xs() const {
        std::vector<int32_t> xs;
        for (const Placed& p : PlacedGlyphs(layout))
            xs.push_back(p.x);
        return xs;
    }
    std::vector<int32_t> Ys() const {
        std::vector<int32_t> ys;
        for (const Placed& p : PlacedGlyphs(layout))
            ys.push_back(p.y);
        return ys;
    }
    std::u16string Glyphs() const {
        std::u16string s;
        for (const Placed& p : PlacedGlyphs(layout))
            s += p.ch;
        return s;
    }

    std::unique_ptr<KGEWinFont> font;
    KGETextParams params = KGEDefaultTextParams();
    KGETextLayout layout;
};

using Xv = std::vector<int32_t>;

TEST(TextParams, DefaultsAndAdjustments) {
    const KGETextParams d = KGEDefaultTextParams();
    EXPECT_EQ(d.flags, 0u);
    EXPECT_EQ(d.maxChars, 0x80000000u);
    EXPECT_EQ(d.colour, 0xFFFFFFFFu);
    EXPECT_EQ(d.alpha, 0u);
    EXPECT_EQ(d.wrapWidth, 0);
    EXPECT_EQ(d.linePitch, 0);
    EXPECT_EQ(d.tagContext1, 0u);
    EXPECT_EQ(d.tagContext2, 0u);

    KGETextParams p = d;
    p.maxChars = 9000;
    p.colour = 0x00123456;
    p.alpha = 0x80FFFFFF;
    p.rect = kis::Rect{1, 2, 3, 4};
    p.user = 77;
    KGENormalizeTextParams(p);
    EXPECT_EQ(p.maxChars, 8192u);
    EXPECT_EQ(p.colour, 0x00123456u); // untouched without the colour flag
    EXPECT_EQ(p.alpha, 0xFF000000u);
    EXPECT_EQ(p.rect.right, 0);
    EXPECT_EQ(p.user, 0u);

    p = d;
    p.flags = kTextColour | kTextAlpha | kTextRect | kTextKeepUser;
    p.maxChars = 100;
    p.colour = 0x00123456;
    p.alpha = 0x80FFFFFF;
    p.rect = kis::Rect{1, 2, 3, 4};
    p.user = 77;
    KGENormalizeTextParams(p);
    EXPECT_EQ(p.maxChars, 100u);
    EXPECT_EQ(p.colour, 0xFF123456u);
    EXPECT_EQ(p.alpha, 0x80000000u);
    EXPECT_EQ(p.rect.bottom, 4);
    EXPECT_EQ(p.user, 77u);
}

TEST_F(Layout, PlainTextWordsLinesAndSize) {
    Run(u"ab cd\nef");
    EXPECT_EQ(Xs(), (Xv{0, 8, 24, 32, 0, 8}));
    EXPECT_EQ(Ys(), (Xv{0, 0, 0, 0, 13, 13}));
    ASSERT_EQ(layout.Lines().size(), 2u);
    EXPECT_EQ(layout.Lines()[0].reason, kLineBreak);
    EXPECT_EQ(layout.Lines()[1].reason, kLineTextEnd);
    EXPECT_EQ(layout.Lines()[0].width, 40);
    EXPECT_EQ(layout.Lines()[0].ascent, 10);
    EXPECT_EQ(layout.TextWidth(), 40);
    EXPECT_EQ(layout.TextHeight(), 26);
    EXPECT_EQ(layout.Colour(), 0xFFFFFFFFu);

    // The 8-bit twin goes through the byte map to the same places.
    KGETextLayout a;
    ASSERT_EQ(a.LayoutA(font.get(), params, "ab cd\nef", 8), 0);
    EXPECT_EQ(PlacedGlyphs(a), PlacedGlyphs(layout));

    // CR LF is one break; LF LF two.
    Run(u"a\r\nb\n\nc");
    EXPECT_EQ(Ys(), (Xv{0, 13, 39}));
    // A text without a font lays out nothing.
    ASSERT_EQ(layout.Layout(nullptr, params, u"abc", 3), 0);
    EXPECT_TRUE(layout.Lines().empty());
    EXPECT_EQ(layout.TextWidth(), 0);
}

TEST_F(Layout, WrappingMovesWholeWords) {
    params.wrapWidth = 40;
    Run(u"aa bb cc", kTextWrap);
    EXPECT_EQ(Xs(), (Xv{0, 8, 24, 32, 0, 8}));
    EXPECT_EQ(Ys(), (Xv{0, 0, 0, 0, 13, 13}));
    EXPECT_EQ(layout.Lines()[0].reason, kLineWrapped);
    EXPECT_EQ(layout.TextWidth(), 40);

    // A word wider than the wrap width stands alone on its line.
    Run(u"a bbbbbbbbbb c");
    EXPECT_EQ(Ys(), (Xv{0, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 26}));
    EXPECT_EQ(layout.TextWidth(), 80);

    // Single line: no wrapping, and line breaks and "br" do nothing.
    params.flags = 0;
    Run(u"aa bb cc\ndd<br>e", kTextWrap | kTextSingleLine | kTextMarkup);
    EXPECT_EQ(layout.Lines().size(), 1u);
    EXPECT_EQ(Xs(), (Xv{0, 8, 24, 32, 48, 56, 64, 72, 80}));
}

TEST_F(Layout, JustificationCarriesFractionsFromShareToShare) {
    // Three spaces share 4 pixels: 1.33 each, carried as 1, 1, 2.
    params.wrapWidth = 60;
    Run(u"a a a a a", kTextWrap | kTextJustify);
    EXPECT_EQ(Xs(), (Xv{0, 17, 34, 52, 0}));
    EXPECT_EQ(layout.Lines()[0].width, 60);
    EXPECT_EQ(layout.Lines()[1].width, 8); // the last line is not justified
    EXPECT_EQ(layout.TextWidth(), 60);

    // Without spaces the gaps between characters take 5/3 each; the third
    // carry comes to 0.99999 and is rounded up to a whole pixel.
    params.wrapWidth = 37;
    Run(u"abcd e");
    EXPECT_EQ(Xs(), (Xv{0, 9, 19, 29, 0}));

    // With markup the space items themselves grow.
    params.wrapWidth = 60;
    Run(u"a a a a a", kTextMarkup);
    EXPECT_EQ(Xs(), (Xv{0, 17, 34, 52, 0}));
    std::vector<int32_t> spaces;
    for (const KGELayoutItem& item : layout.Items())
        if (item.kind == kLayoutSpace) spaces.push_back(item.width);
    EXPECT_EQ(spaces, (Xv{9, 9, 10}));
}

TEST_F(Layout, AlignmentInTheRectangleAndWithout) {
    struct {
        uint32_t flags;
        int32_t x, y;
    } cases[] = {
        {kTextRect, 10, 20},
        {kTextRect | 1, 10 + 42, 20},
        {kTextRect | 2, 10 + 84, 20},
        {kTextRect | 0x10, 10, 20 + 23},
        {kTextRect | 0x20 | 2, 94, 20 + 47},
        {1, 0, 0}, // without a rectangle a single line is its own reference
    };
    for (const auto& c : cases) {
        params = KGEDefaultTextParams();
        params.rect = kis::Rect{10, 20, 110, 80};
        Run(u"ab", c.flags);
        ASSERT_EQ(PlacedGlyphs(layout).size(), 2u);
        EXPECT_EQ(PlacedGlyphs(layout)[0].x, c.x) << std::hex << c.flags;
        EXPECT_EQ(PlacedGlyphs(layout)[0].y, c.y) << std::hex << c.flags;
    }
    params = KGEDefaultTextParams();
    Run(u"aaaa\nbb\nccc", 1);
    EXPECT_EQ(Xs(), (Xv{0, 8, 16, 24, 8, 16, 4, 12, 20}));
    params = KGEDefaultTextParams();
    Run(u"aaaa\nbb", 2);
    EXPECT_EQ(Xs(), (Xv{0, 8, 16, 24, 16, 24}));
}

TEST_F(Layout, FixedPitchAndLeading) {
    struct {
        uint32_t flags;
        int32_t pitch, leading;
        Xv ys;
        int32_t height;
    } cases[] = {
        {kTextFixedPitch, 20, 0, {0, 20, 40}, 53},
        {kTextFixedPitch | kTextLeading, 20, 2, {0, 22, 44}, 57},
        {kTextFixedPitch, int32_t(0x80000000), 0, {0, 13, 26}, 39},
        {kTextFixedPitch, -5, 0, {0, 0, 0}, 13},
        {kTextLeading, 0, 4, {0, 17, 34}, 47},
        {kTextLeading, 0, -20, {0, 0, 0}, 13}, // a step that is not above 0 is not taken
    };
    for (const auto& c : cases) {
        params = KGEDefaultTextParams();
        params.linePitch = c.pitch;
        params.leading = c.leading;
        Run(u"a\nb\nc", c.flags);
        EXPECT_EQ(Ys(), c.ys) << c.pitch << " " << c.leading;
        EXPECT_EQ(layout.TextHeight(), c.height) << c.pitch << " " << c.leading;
    }
    // A single line keeps its place whatever the pitch.
    params = KGEDefaultTextParams();
    params.linePitch = 50;
    Run(u"a", kTextFixedPitch);
    EXPECT_EQ(layout.TextHeight(), 13);
}

TEST_F(Layout, TrackingAndColourFromTheRecord) {
    params.tracking = 2;
    params.colour = 0x00123456;
    params.alpha = 0x80000000;
    Run(u"ab c", kTextTracking | kTextColour | kTextAlpha);
    EXPECT_EQ(Xs(), (Xv{0, 10, 30}));
    for (const Placed& p : PlacedGlyphs(layout))
        EXPECT_EQ(p.colour, 0x80123456u);
    EXPECT_EQ(layout.Colour(), 0x80123456u);
}

TEST_F(Layout, ColourTags) {
    Run(u"a<c=ff0000>b</c>c<color=00FF00>d</color></color>e<C=000000ff>f<c=>g", kTextMarkup);
    const std::vector<Placed> placed = PlacedGlyphs(layout);
    ASSERT_EQ(Glyphs(), u"abcdefg");
    const uint32_t colours[] = {0xFFFFFFFF, 0xFFFF0000, 0xFFFFFFFF, 0xFF00FF00,
                                0xFFFFFFFF, 0xFF0000FF, 0xFF000000};
    for (size_t i = 0; i < placed.size(); ++i) {
        EXPECT_EQ(placed[i].colour, colours[i]) << i;
        EXPECT_EQ(placed[i].x, int32_t(i) * 8);
    }
    // "default" goes back to the font's colour; the alpha override applies
    // to tag colours too.
    params.flags = kTextColour | kTextAlpha;
    params.colour = 0xFF101010;
    params.alpha = 0x40000000;
    Run(u"a<c=ff>b<c=DEFAULT>c", kTextMarkup);
    const std::vector<Placed> p = PlacedGlyphs(layout);
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0].colour, 0x40101010u);
    EXPECT_EQ(p[1].colour, 0x400000FFu);
    EXPECT_EQ(p[2].colour, 0x40FFFFFFu);
}

TEST_F(Layout, MalformedTagsAreLaidOutAsText) {
    struct {
        const char16_t* text;
        const char16_t* glyphs;
    } cases[] = {
        {u"<c=1000000ff>x", u"<c=1000000ff>x"}, // nine significant digits
        {u"<c=00000000ff>x", u"x"},             // leading zeros are free
        {u"<b", u"<b"},
        {u"<blink>x", u"<blink>x"},
        {u"<abcdefghi>", u"<abcdefghi>"}, // a ninth letter
        {u"<BR>x", u"x"},
        {u"<br x>y", u"<brx>y"},
        {u"</c x>y", u"</cx>y"},
        {u"<space=4 >x", u"x"},
        {u"<space=4x>y", u"<space=4x>y"},
        {u"<space=99999999999>y", u"<space=99999999999>y"},
        {u"<c=ffg>x", u"<c=ffg>x"},
        {u"< c = ff >x", u"x"},
        {u"<font=@>x</font>y", u"y"},                 // no digits: handle 0, no font
        {u"<font=@7fffff00>x", u"<font=@7fffff00>x"}, // names no live font
        {u"<image=@12345678>x", u"<image=@12345678>x"},
        {u"<image=@0 w=4 w=5>x", u"x"},
        {u"<image=@0 w=4 bogus=5>x", u"<image=@0w=4bogus=5>x"},
        {u"<image=@0 w>x", u"<image=@0w>x"},
        {u"<image=@0 layout=middle>x", u"<image=@0layout=middle>x"},
        {u"<image=@0 offset=1,2,3>x", u"<image=@0offset=1,2,3>x"},
        {u"<image=@0 w=1 h=1 color=current layout=top offset=1,1 rect=0,0,1,1>x", u"x"},
        {u"<image=@0 w=1 h=1 color=current layout=top offset=1,1 rect=0,0,1,1 w=2>x",
         u"<image=@0w=1h=1color=currentlayout=topoffset=1,1rect=0,0,1,1w=2>x"},
        {u"<image=@0w=1>x", u"<image=@0w=1>x"}, // an attribute needs a space before it
    };
    for (const auto& c : cases) {
        params = KGEDefaultTextParams();
        Run(c.text, kTextMarkup);
        EXPECT_EQ(Glyphs(), std::u16string(c.glyphs))
            << std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text));
    }
    // Without the markup flag every tag is text.
    params = KGEDefaultTextParams();
    Run(u"<c=ff>x");
    EXPECT_EQ(Glyphs(), u"<c=ff>x");
}

TEST_F(Layout, SpaceAndBreakTags) {
    Run(u"a<space=12>b<space=-5>c<space=>d<br>e", kTextMarkup);
    EXPECT_EQ(Xs(), (Xv{0, 20, 28, 36, 0}));
    EXPECT_EQ(Ys(), (Xv{0, 0, 0, 0, 13}));
}

TEST_F(Layout, FontTagsSwitchRunsAndMeetAtTheBaseline) {
    spec.advance = 12;
    spec.ascent = 20;
    spec.descent = 5;
    spec.boxHeight = 20;
    spec.originY = 20;
    auto big = MakeFont(nullptr, 0xFF00FF00);
    ASSERT_TRUE(big);
    const uint32_t handle = RegisterFont(big.get());
    ASSERT_NE(handle, 0u);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "a<font=@%X>b</font>c<font=@0>xyz</font>d", handle);
    const std::u16string t(buffer, buffer + std::strlen(buffer));
    Run(t, kTextMarkup);
    EXPECT_EQ(Glyphs(), u"abcd");
    EXPECT_EQ(Xs(), (Xv{0, 8, 20, 28}));
    EXPECT_EQ(Ys(), (Xv{10, 0, 10, 10}));
    const std::vector<Placed> p = PlacedGlyphs(layout);
    EXPECT_EQ(p[1].colour, 0xFF00FF00u); // the colour follows the font
    EXPECT_EQ(p[2].colour, 0xFFFFFFFFu);
    EXPECT_EQ(layout.Lines()[0].ascent, 20);
    EXPECT_EQ(layout.Lines()[0].height, 25);
    EXPECT_EQ(layout.TextHeight(), 25);

    // Once forgotten, the handle names nothing: the tag is text, and the
    // closing tag with nothing pushed is dropped.
    UnregisterObject(big.get());
    Run(t, kTextMarkup);
    std::snprintf(buffer, sizeof buffer, "a<font=@%X>bcd", handle);
    EXPECT_EQ(Glyphs(), std::u16string(buffer, buffer + std::strlen(buffer)));
}

TEST_F(Layout, ImagesTakeRoomAndPlaceThemselvesInTheLine) {
    // An image without a texture is invisible but keeps its room.
    struct {
        const char16_t* text;
        int32_t runY, imageY, ascent, height;
    } cases[] = {
        {u"a<image=@0 w=24 h=22>b", 5, 0, 15, 22},
        {u"a<image=@0 w=24 h=22 layout=top>b", 0, 0, 10, 22},
        {u"a<image=@0 w=24 h=22 layout=Bottom>b", 9, 0, 19, 22},
        {u"a<image=@0 w=24 h=6>b", 0, 3, 10, 13},
    };
    for (const auto& c : cases) {
        params = KGEDefaultTextParams();
        Run(c.text, kTextMarkup);
        EXPECT_EQ(Xs(), (Xv{0, 32}));
        EXPECT_EQ(Ys(), (Xv{c.runY, c.runY}));
        ASSERT_EQ(layout.Images().size(), 1u);
        EXPECT_FALSE(layout.Images()[0].visible);
        EXPECT_EQ(layout.Images()[0].y, c.imageY);
        EXPECT_EQ(layout.Images()[0].colour, 0xFFFFFFFFu);
        EXPECT_EQ(layout.Lines()[0].ascent, c.ascent);
        EXPECT_EQ(layout.Lines()[0].height, c.height);
    }

    texttest::TestViewer viewer;
    ASSERT_TRUE(viewer.Open());
    DXLTexture texture(&viewer);
    texture.Create(32, 16, kFormatA8R8G8B8, false);
    ASSERT_TRUE(texture.IsLive());
    texture.SetColour(0xFF808080);
    const uint32_t handle = RegisterTexture(&texture);
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "<c=ff0000>a<image=@%x rect=24, 2, 10, default offset=-5,-5>b",
                  handle);
    Run(std::u16string(buffer, buffer + std::strlen(buffer)), kTextMarkup);
    ASSERT_EQ(layout.Images().size(), 1u);
    const KGELayoutImage& image = layout.Images()[0];
    EXPECT_TRUE(image.visible);
    EXPECT_EQ(image.texture, &texture);
    EXPECT_EQ(image.width, 10);
    EXPECT_EQ(image.height, 16);
    EXPECT_EQ(image.source.left, 24);
    EXPECT_EQ(image.source.right, 32); // clipped to the texture
    EXPECT_EQ(image.source.bottom, 16);
    EXPECT_EQ(image.colour, 0xFF808080u);
    EXPECT_EQ(image.offsetX, -5);
    EXPECT_EQ(Xs(), (Xv{0, 18}));

    std::snprintf(buffer, sizeof buffer, "<c=ff0000>a<image=@%x color=current>", handle);
    Run(std::u16string(buffer, buffer + std::strlen(buffer)), kTextMarkup);
    EXPECT_EQ(layout.Images()[0].colour, 0xFFFF0000u);
    EXPECT_EQ(layout.Images()[0].width, 32);
    std::snprintf(buffer, sizeof buffer, "<image=@%x color=123456 rect=40,0,8,8>", handle);
    Run(std::u16string(buffer, buffer + std::strlen(buffer)), kTextMarkup);
    EXPECT_EQ(layout.Images()[0].colour, 0xFF123456u);
    EXPECT_FALSE(layout.Images()[0].visible); // the source lies off the texture
}

// ---------------------------------------------------------------- square-bracket tags

struct Calls {
    std::vector<std::u16string> tags;
    std::vector<uint32_t> capacities;
    uintptr_t context1 = 0;
    uintptr_t context2 = 0;
};

int32_t Expander(const char16_t* tag, uint32_t length, char16_t* out, uint32_t capacity, uintptr_t context1,
                 uintptr_t context2) {
    Calls* calls = reinterpret_cast<Calls*>(context2);
    calls->tags.emplace_back(tag, length);
    calls->capacities.push_back(capacity);
    calls->context1 = context1;
    const std::u16string t(tag, length);
    const char16_t* replacement = t == u"gold" ? u"<c=ffd700>G</c>" : t == u"long" ? u"0123456789" : nullptr;
    if (!replacement) return 0;
    uint32_t i = 0;
    for (; replacement[i] && i + 1 < capacity; ++i)
        out[i] = replacement[i];
    out[i] = 0;
    return 1;
}

TEST(TagExpansion, CallbackReplacesOrKeepsTags) {
    Calls calls;
    uint32_t length = 0;
    const std::u16string text = u"x[gold]y[nope]z[a[b]c]w[open";
    const char16_t* out = KGEExpandTextTags(text.data(), uint32_t(text.size()), 8192, Expander, 7,
                                            reinterpret_cast<uintptr_t>(&calls), &length);
    EXPECT_EQ(std::u16string(out, length), u"x<c=ffd700>G</c>y[nope]z[a[b]c]w[open");
    EXPECT_EQ(out[length], 0);
    EXPECT_EQ(calls.tags, (std::vector<std::u16string>{u"gold", u"nope", u"a[b]c"}));
    EXPECT_EQ(calls.capacities[0], 8192u);
    EXPECT_EQ(calls.capacities[1], 8192u - 16u);
    EXPECT_EQ(calls.context1, 7u);

    // The output stops at the maximum characters, replacements included.
    calls = Calls{};
    const std::u16string cut = u"ab[long]cd";
    out = KGEExpandTextTags(cut.data(), uint32_t(cut.size()), 6, Expander, 0,
                            reinterpret_cast<uintptr_t>(&calls), &length);
    EXPECT_EQ(std::u16string(out, length), u"ab0123");
    EXPECT_EQ(calls.capacities, (std::vector<uint32_t>{5}));
    out = KGEExpandTextTags(cut.data(), uint32_t(cut.size()), 4, nullptr, 0, 0, &length);
    EXPECT_EQ(out, cut.data());
    EXPECT_EQ(length, 4u);
}

// A tag left as it stands and a text showing the missing-text marker are
// each logged once: a tag the callback refused, the tags of a text without a
// callback (a "[" with no letter after it is no tag), and the marker in the
// expanded or the plain text.
TEST(TagExpansion, UnexpandedTagsAndTheMissingMarkerAreLoggedOnce) {
    testsupport::TempDir dir;
    const std::string log = dir.File("log.txt");
    ASSERT_TRUE(LogStart(platform::Utf8ToUtf16(log).c_str()));
    Calls calls;
    uint32_t length = 0;
    const auto expand = [&](const std::u16string& text, bool withCallback) {
        KGEExpandTextTags(text.data(), uint32_t(text.size()), 8192, withCallback ? Expander : nullptr, 0,
                          reinterpret_cast<uintptr_t>(&calls), &length);
    };
    for (int i = 0; i < 2; ++i) {
        expand(u"a[gold]b[REFUSED_TAG 1]c", true);
        expand(u"[PLAIN_TAG N] and [1] or [ x]", false);
        expand(u"[gold] ?NF? here", true);
        expand(u"left ?NF?", false);
        expand(u"[gold] fine [unclosed", true);
    }
    LogFinish();
    const std::string all = testsupport::ReadFileBytes(log);
    auto count = [&all](const std::string& what) { return testsupport::Occurrences(all, what); };
    EXPECT_EQ(count("Tag unexpanded"), 2u) << all;
    EXPECT_EQ(count("[REFUSED_TAG 1]"), 1u) << all;
    EXPECT_EQ(count("[PLAIN_TAG N]"), 1u) << all;
    EXPECT_EQ(count("Missing text shown"), 2u) << all;
    EXPECT_EQ(count("<c=ffd700>G</c> ?NF? here"), 1u) << "the expanded text is named\n" << all;
    EXPECT_EQ(count("left ?NF?"), 1u) << all;
}

TEST_F(Layout, ExpandedTagsAreLaidOutWithTheirMarkup) {
    Calls calls;
    const std::u16string text = u"x[gold]y";
    uint32_t length = 0;
    const char16_t* out = KGEExpandTextTags(text.data(), uint32_t(text.size()), 8192, Expander, 0,
                                            reinterpret_cast<uintptr_t>(&calls), &length);
    params.flags = kTextMarkup;
    ASSERT_EQ(layout.Layout(font.get(), params, out, length), 0);
    const std::vector<Placed> p = PlacedGlyphs(layout);
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[1], (Placed{u'G', 8, 0, 0xFFFFD700}));
    EXPECT_EQ(p[2], (Placed{u'y', 16, 0, 0xFFFFFFFF}));
}

TEST_F(Layout, LineBoundsCoverTheGlyphImages) {
    texttest::TestViewer viewer;
    ASSERT_TRUE(viewer.Open());
    auto built = MakeFont(&viewer);
    ASSERT_EQ(built->AddRef(), 0);
    params.rect = kis::Rect{5, 7, 200, 100};
    ASSERT_EQ(layout.Layout(
                  built.get(),
                  [&] {
                      KGETextParams p = params;
                      p.flags = kTextRect;
                      return p;
                  }(),
                  u"ab\nc", 4),
              0);
    EXPECT_EQ(layout.DrawableCount(), 3u);
    ASSERT_EQ(layout.Lines().size(), 2u);
    const kis::Rect& b = layout.Lines()[0].bounds;
    EXPECT_EQ(b.left, 5);
    EXPECT_EQ(b.top, 7);
    EXPECT_EQ(b.right, 5 + 8 + 8);
    EXPECT_EQ(b.bottom, 7 + 13);
    EXPECT_EQ(layout.Lines()[1].bounds.top, 20);
}

} // namespace
