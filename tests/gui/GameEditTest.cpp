// The edit field inside a window: focus by a click, typing through the
// window, the characters it refuses, and buttons that fade in and out.
#include "gui/GameEdit.h"
#include "gui/Window.h"
#include "tests/sprites/SpriteTestHost.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A window that hands keys and characters to its field.
class FieldWindow : public GameWindow {
  public:
    explicit FieldWindow(WindowManager& m) : GameWindow(m, MakeWindowTag('F', 'i', 'e', 'l'), false) {
        rect = kis::MakeRectWH(100, 100, 300, 100);
        field = controls_.Make<GameEdit>(u"abcdefghijklmnopqrstuvwxyz ", kis::MakeRectWH(10, 10, 200, 28));
    }
    bool OnKeyDown(uint32_t key, uint32_t flags) override { return field->OnKey(key, flags); }
    bool OnKeyPress(char16_t ch) override { return field->OnCharacter(ch); }
    GameEdit* field;
};

TEST(GameEdit, AClickFocusesTheFieldWhichThenTakesAcceptedCharacters) {
    spritetest::TestHost host;
    WindowManager manager(nullptr, nullptr);
    FieldWindow* w = manager.Open<FieldWindow>();
    GameEdit* field = w->field;
    // Unfocused, nothing goes in and the window does not take the key.
    EXPECT_FALSE(manager.OnKeyPress(u'a'));
    EXPECT_EQ(field->GetLength(), 0u);
    ASSERT_TRUE(manager.OnMouseDown(120, 120, 1));
    manager.OnMouseUp(120, 120, 1);
    EXPECT_TRUE(field->IsFocused());
    for (char16_t ch : std::u16string(u"hay BALE 7 x"))
        manager.OnKeyPress(ch);
    EXPECT_EQ(std::u16string(field->GetText()), u"hay   x"); // capitals and digits refused
    EXPECT_EQ(field->ChangeCount(), 7u);                     // one change per accepted character
    manager.OnKeyDown(8, 0);                                 // backspace
    EXPECT_EQ(std::u16string(field->GetText()), u"hay   ");
    field->SetText(u"a longer name than sixteen");
    EXPECT_EQ(field->GetLength(), 16u); // the template's capacity
    field->SelectAll();
    EXPECT_EQ(field->GetSelectionLength(), 16u);
    // A click elsewhere in the window takes the focus away.
    manager.OnMouseDown(380, 180, 1);
    manager.OnMouseUp(380, 180, 1);
    EXPECT_FALSE(field->IsFocused());
}

TEST(GameButtonEffects, AButtonFadesInFromItsStartAndIsHiddenAfterItsCloseEffect) {
    spritetest::TestHost host;
    WindowManager manager(nullptr, nullptr);
    FieldWindow* w = manager.Open<FieldWindow>();
    InvisibleButton* b = w->Controls().Make<InvisibleButton>(3);
    b->ShowWithEffect(host.game + 100, 200);
    struct Sample {
        uint32_t at;
        float alpha;
    };
    const uint32_t start = host.game;
    for (const Sample& s : {Sample{0, 0.0f}, Sample{100, 0.0f}, Sample{200, 0.5f}, Sample{300, 1.0f}}) {
        host.game = start + s.at;
        EXPECT_FLOAT_EQ(b->EffectAlpha(), s.alpha) << s.at;
    }
    b->CloseWithEffect();
    manager.Update();
    EXPECT_TRUE(b->HasState());
    host.game += kDefaultFadeTime;
    manager.Update();
    EXPECT_FALSE(b->HasState());
    EXPECT_EQ(b->GetCursor(), kDefaultCursor);
}

} // namespace
