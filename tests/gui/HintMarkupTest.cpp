// Hints, caption hints, dialogs and notices lay out the markup that the
// custom text tags write (a price as a coloured number): a text with a price
// tag measures as the number alone, never as the markup's letters. The font's
// every glyph is 8 pixels wide, so each character of markup left as text
// would widen the box by 8.

#include "gui/Hint.h"
#include "gui/Notices.h"
#include "gui/Window.h"
#include "tests/text/TextTestSupport.h"
#include "text/FontSlots.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace {

// "[PRICE]" becomes a red 7, the way the game's price tag writes a price.
int32_t PriceTag(const char16_t* tag, uint32_t length, char16_t* out, uint32_t capacity, uintptr_t,
                 uintptr_t) {
    if (std::u16string_view(tag, length).find(u"PRICE") == std::u16string_view::npos) return 0;
    const std::u16string markup = u"<color=ff0000>7</color>";
    if (capacity <= markup.size()) return 0;
    std::memcpy(out, markup.c_str(), (markup.size() + 1) * sizeof(char16_t));
    return 1;
}

class HintMarkup : public texttest::SyntheticText {
  protected:
    void SetUp() override {
        SyntheticText::SetUp();
        ASSERT_TRUE(viewer.Open(1024, 768));
        font = MakeFont(&viewer);
        ASSERT_TRUE(font);
        savedHintFont = AppFontSlots[kHintSlot - 5];
        AppFontSlots[kHintSlot - 5] = font.get(); // the hints' font
        SetLanguageFont(kNoticeSlot, font.get()); // the notices' font
        manager = std::make_unique<WindowManager>(&viewer, nullptr);
        manager->SetTextTagCallback(&PriceTag);
    }
    void TearDown() override {
        manager.reset();
        AppFontSlots[kHintSlot - 5] = savedHintFont;
        SetLanguageFont(kNoticeSlot, nullptr);
        SyntheticText::TearDown();
    }

    static constexpr int32_t kHintSlot = 6, kNoticeSlot = 4;
    texttest::TestViewer viewer;
    std::unique_ptr<KGEWinFont> font;
    KGEFont* savedHintFont = nullptr;
    std::unique_ptr<WindowManager> manager;
};

// Body texts of plain hints and the caption and body of a caption hint.
TEST_F(HintMarkup, HintTextsMeasureAsThePriceTheirTagsWrite) {
    HintWindow hint(*manager);
    const HIText* priced = hint.AddText(u"It costs [PRICE] now", DefaultTextStyle());
    const HIText* plain = hint.AddText(u"It costs 7 now", DefaultTextStyle());
    ASSERT_GT(plain->Width(), 0);
    EXPECT_EQ(priced->Width(), plain->Width());
    EXPECT_EQ(priced->Height(), plain->Height()) << "the markup does not wrap onto a second line";

    CaptionHintWindow tagged(*manager, nullptr, u"[PRICE] coins for the whole lot", u"Sells for [PRICE].",
                             nullptr, kHintWidth);
    CaptionHintWindow written(*manager, nullptr, u"7 coins for the whole lot", u"Sells for 7.", nullptr,
                              kHintWidth);
    tagged.Show();
    written.Show();
    const kis::Rect a = tagged.Box(), b = written.Box();
    ASSERT_GT(b.right - b.left, 2 * kHintPadding);
    EXPECT_EQ(a.right - a.left, b.right - b.left);
    EXPECT_EQ(a.bottom - a.top, b.bottom - b.top);
}

// A notice expands its tags before it lays its text out: the markup they
// wrote is laid out as such, and the notice draws.
TEST_F(HintMarkup, NoticesMeasureAsThePriceTheirTagsWrite) {
    manager->Messages().playSound = [](uint32_t) {};
    const MessageWindow* tagged =
        manager->Messages().Show(1, nullptr, 0, u"It costs [PRICE] now", 0, nullptr, 5000, nullptr, 0);
    const MessageWindow* written =
        manager->Messages().Show(2, nullptr, 0, u"It costs 7 now", 0, nullptr, 5000, nullptr, 0);
    ASSERT_TRUE(tagged && written);
    EXPECT_NE(tagged->content.Text().find(u"<color=ff0000>"), std::u16string::npos) << "the tag was expanded";
    ASSERT_GT(written->content.Width(), 0);
    EXPECT_EQ(tagged->content.Width(), written->content.Width());
    EXPECT_EQ(tagged->content.Height(), written->content.Height());
    manager->Update();
    manager->Draw();
}

} // namespace
