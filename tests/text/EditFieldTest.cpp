#include "text/EditField.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// A field whose characters are all 10 pixels wide, placed at x 100..260, y 20..40.
class TestEdit final : public _DXLEdit<char16_t, 16, 1> {
  public:
    explicit TestEdit(const char16_t* accepted) : _DXLEdit(accepted) {
        SetFieldRect(kis::Rect{100, 20, 260, 40});
    }

    uint32_t GetCharIndexAt() override {
        const int32_t x = GetMouseX() - GetRect().left;
        if (x <= 0) return 0;
        const uint32_t index = uint32_t(x + 5) / 10;
        return index < GetLength() ? index : GetLength();
    }
    uint32_t GetTextWidth(uint32_t start, uint32_t count) override {
        (void)start;
        return count * 10;
    }
    void OnChanged() override { ++changes; }
    void Reserve(uint32_t newLength) override { reserved = newLength; }

    void SetBlinkPeriod(uint32_t period) { blinkPeriod_ = period; }
    uint32_t BlinkStart() const { return blinkStart_; }
    std::u16string Text() const { return GetText(); }
    void Type(const char16_t* text) {
        for (; *text; ++text)
            OnChar(*text);
    }

    int changes = 0;
    uint32_t reserved = 0;
};

constexpr char16_t kLettersAndBlank[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 -";

// A clipboard that can be told to refuse text.
class FlakyClipboard final : public platform::Clipboard {
  public:
    bool SetText(std::u16string_view text) override {
        if (refuse) return false;
        held = text;
        return true;
    }
    std::u16string Text() const override { return held; }
    bool refuse = false;
    std::u16string held;
};

struct EditRig : ::testing::Test {
    EditRig() { SetEditClipboard(&clipboard); }
    ~EditRig() override { SetEditClipboard(nullptr); }

    std::unique_ptr<TestEdit> Make(const char16_t* accepted = kLettersAndBlank, const char16_t* text = u"") {
        auto edit = std::make_unique<TestEdit>(accepted);
        edit->SetFocused(true);
        edit->Type(text);
        edit->changes = 0;
        return edit;
    }

    FlakyClipboard clipboard;
};

TEST_F(EditRig, ConstructionStartsEmptyUnfocusedWithTheSystemBlink) {
    TestEdit edit(u"AB\t\n");
    EXPECT_EQ(edit.GetLength(), 0u);
    EXPECT_EQ(edit.GetText()[0], 0);
    EXPECT_FALSE(edit.IsFocused());
    EXPECT_EQ(edit.GetBlinkPeriod(), 530u);
    EXPECT_TRUE(edit.IsAccepted(u'A'));
    EXPECT_FALSE(edit.IsAccepted(u'\t')); // control characters are never accepted
    EXPECT_FALSE(edit.IsAccepted(u'\n'));
    EXPECT_FALSE(edit.IsAccepted(u'C'));
    // Unfocused, keys and characters are ignored.
    edit.OnChar(u'A');
    EXPECT_FALSE(edit.OnKeyDown(kEditKeyLeft, 0));
    EXPECT_EQ(edit.GetLength(), 0u);
}

TEST_F(EditRig, AcceptedCharactersFilterTypingAndPasting) {
    auto edit = Make(u"ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    edit->OnChar(u'a');
    EXPECT_EQ(edit->Text(), u"");
    EXPECT_EQ(edit->changes, 0);
    clipboard.held = u"aBcDe";
    EXPECT_TRUE(edit->OnKeyDown(kEditKeyV, kEditCtrl));
    EXPECT_EQ(edit->Text(), u"BD");
    EXPECT_EQ(edit->GetCaret(), 2u);
    EXPECT_EQ(edit->changes, 1);
}

TEST_F(EditRig, TheFieldHoldsAtMostSixteenCharacters) {
    auto edit = Make();
    edit->Type(u"ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ(edit->Text(), u"ABCDEFGHIJKLMNOP");
    EXPECT_EQ(edit->GetLength(), 16u);
    EXPECT_EQ(edit->GetCaret(), 16u);
    EXPECT_EQ(edit->GetText()[16], 0);

    // A full field takes no paste...
    edit->changes = 0;
    clipboard.held = u"XYZ";
    edit->Paste();
    EXPECT_EQ(edit->Text(), u"ABCDEFGHIJKLMNOP");
    EXPECT_EQ(edit->changes, 0);
    // ...but a pasted text replaces a selection within the room left.
    edit->SetSelection(2, 4);
    clipboard.held = u"1234567";
    edit->Paste();
    EXPECT_EQ(edit->Text(), u"AB12EFGHIJKLMNOP");
    EXPECT_EQ(edit->GetCaret(), 4u);
    EXPECT_EQ(edit->GetAnchor(), 4u);
}

TEST_F(EditRig, InsertingInsideMovesTheRestAndAppendingReservesFirst) {
    auto edit = Make(kLettersAndBlank, u"ACE");
    EXPECT_EQ(edit->InsertText(1, u"B", -1), 1u);
    EXPECT_EQ(edit->Text(), u"ABCE");
    EXPECT_EQ(edit->reserved, 3u);                    // from typing "ACE"
    EXPECT_EQ(edit->InsertText(99, u"F\tG", -1), 2u); // clamped to the end, the tab dropped
    EXPECT_EQ(edit->reserved, 6u);
    EXPECT_EQ(edit->Text(), u"ABCEFG");
    // With a count a 0 does not end the source: it is dropped like any refused character.
    const char16_t withZero[] = {u'H', 0, u'I'};
    EXPECT_EQ(edit->InsertText(6, withZero, 3), 2u);
    EXPECT_EQ(edit->Text(), u"ABCEFGHI");
    EXPECT_EQ(edit->InsertText(0, nullptr, -1), 0u);
}

TEST_F(EditRig, ArrowKeysMoveAndShiftExtends) {
    auto edit = Make(kLettersAndBlank, u"ABCD");
    EXPECT_TRUE(edit->OnKeyDown(kEditKeyLeft, 0));
    EXPECT_EQ(edit->GetCaret(), 3u);
    EXPECT_EQ(edit->GetAnchor(), 3u);
    EXPECT_EQ(edit->GetCaretOffset(), 30u);
    edit->OnKeyDown(kEditKeyUp, kEditShift);
    EXPECT_EQ(edit->GetCaret(), 2u);
    EXPECT_EQ(edit->GetAnchor(), 3u);
    EXPECT_EQ(edit->GetSelectionStart(), 2u);
    EXPECT_EQ(edit->GetSelectionLength(), 1u);
    EXPECT_EQ(edit->GetAnchorOffset(), 30u);
    edit->OnKeyDown(kEditKeyHome, kEditShift);
    EXPECT_EQ(edit->GetCaret(), 0u);
    EXPECT_EQ(edit->GetAnchor(), 3u);
    // At 0, Left leaves the selection as it is.
    edit->OnKeyDown(kEditKeyLeft, 0);
    EXPECT_EQ(edit->GetAnchor(), 3u);
    edit->OnKeyDown(kEditKeyEnd, 0);
    EXPECT_EQ(edit->GetCaret(), 4u);
    EXPECT_EQ(edit->GetAnchor(), 4u);
    edit->OnKeyDown(kEditKeyDown, kEditShift | kEditThirdModifier);
    EXPECT_EQ(edit->GetCaret(), 4u);
    edit->OnKeyDown(kEditKeyHome, 0);
    edit->OnKeyDown(kEditKeyRight, 0);
    EXPECT_EQ(edit->GetCaret(), 1u);
    EXPECT_EQ(edit->changes, 0);
}

TEST_F(EditRig, CtrlArrowsJumpByBlankSeparatedWords) {
    auto edit = Make(kLettersAndBlank, u"ab cd  ef");
    edit->OnKeyDown(kEditKeyLeft, kEditCtrl);
    EXPECT_EQ(edit->GetCaret(), 7u);
    edit->OnKeyDown(kEditKeyLeft, kEditCtrl);
    EXPECT_EQ(edit->GetCaret(), 3u);
    edit->OnKeyDown(kEditKeyLeft, kEditCtrl);
    EXPECT_EQ(edit->GetCaret(), 0u);
    edit->OnKeyDown(kEditKeyRight, kEditCtrl);
    EXPECT_EQ(edit->GetCaret(), 3u);
    edit->OnKeyDown(kEditKeyRight, kEditCtrl | kEditShift);
    EXPECT_EQ(edit->GetCaret(), 7u);
    EXPECT_EQ(edit->GetAnchor(), 3u);
    edit->OnKeyDown(kEditKeyRight, kEditCtrl);
    EXPECT_EQ(edit->GetCaret(), 9u);
}

TEST_F(EditRig, BackspaceAndDelete) {
    auto edit = Make(kLettersAndBlank, u"ABCDE");
    edit->OnKeyDown(kEditKeyBack, 0);
    EXPECT_EQ(edit->Text(), u"ABCD");
    EXPECT_EQ(edit->changes, 1);
    edit->OnKeyDown(kEditKeyHome, 0);
    edit->OnKeyDown(kEditKeyBack, 0); // at 0 without a selection: nothing
    EXPECT_EQ(edit->Text(), u"ABCD");
    EXPECT_EQ(edit->changes, 1);
    edit->OnKeyDown(kEditKeyDelete, 0);
    EXPECT_EQ(edit->Text(), u"BCD");
    edit->OnKeyDown(kEditKeyRight, 0);
    edit->OnKeyDown(kEditKeyDelete, kEditCtrl); // to the end
    EXPECT_EQ(edit->Text(), u"B");
    EXPECT_EQ(edit->GetCaret(), 1u);
    edit->OnKeyDown(kEditKeyDelete, 0); // at the end: nothing
    EXPECT_EQ(edit->Text(), u"B");
    EXPECT_EQ(edit->changes, 3);
    // With a selection both keys delete just the selection.
    edit->Type(u"CDEF");
    edit->SetSelection(1, 3);
    edit->OnKeyDown(kEditKeyDelete, kEditCtrl);
    EXPECT_EQ(edit->Text(), u"BEF");
    EXPECT_EQ(edit->GetCaret(), 1u);
}

TEST_F(EditRig, TypingReplacesASelectionMadeRightToLeft) {
    auto edit = Make(kLettersAndBlank, u"ABCDE");
    edit->OnKeyDown(kEditKeyLeft, kEditShift);
    edit->OnKeyDown(kEditKeyLeft, kEditShift);
    edit->OnKeyDown(kEditKeyLeft, kEditShift);
    EXPECT_EQ(edit->GetSelectionStart(), 2u);
    edit->OnChar(u'x');
    EXPECT_EQ(edit->Text(), u"ABx");
    EXPECT_EQ(edit->GetCaret(), 3u);
    EXPECT_EQ(edit->GetAnchor(), 3u);
    EXPECT_EQ(edit->changes, 1);
}

TEST_F(EditRig, CopyCutPasteNeedCtrlAlone) {
    auto edit = Make(kLettersAndBlank, u"HELLO");
    edit->SelectAll();
    clipboard.held = u"before";
    for (uint32_t key : {kEditKeyC, kEditKeyX, kEditKeyV}) {
        EXPECT_TRUE(edit->OnKeyDown(key, kEditCtrl | kEditShift));
        EXPECT_TRUE(edit->OnKeyDown(key, 0));
    }
    EXPECT_EQ(clipboard.held, u"before");
    EXPECT_EQ(edit->Text(), u"HELLO");

    edit->SetSelection(1, 3);
    edit->OnKeyDown(kEditKeyC, kEditCtrl);
    EXPECT_EQ(clipboard.held, u"EL");
    EXPECT_EQ(edit->Text(), u"HELLO");
    edit->OnKeyDown(kEditKeyX, kEditCtrl);
    EXPECT_EQ(edit->Text(), u"HLO");
    EXPECT_EQ(edit->GetCaret(), 1u);
    edit->OnKeyDown(kEditKeyEnd, 0);
    edit->OnKeyDown(kEditKeyV, kEditCtrl);
    EXPECT_EQ(edit->Text(), u"HLOEL");
    // An empty selection copies nothing.
    clipboard.held = u"kept";
    EXPECT_FALSE(edit->Copy());
    EXPECT_EQ(clipboard.held, u"kept");
}

TEST_F(EditRig, ClipboardFailuresLoseNothing) {
    auto edit = Make(kLettersAndBlank, u"HELLO");
    edit->SetSelection(0, 2);
    clipboard.refuse = true;
    EXPECT_FALSE(edit->Copy());
    edit->OnKeyDown(kEditKeyX, kEditCtrl); // the copy failed, so the cut keeps the text
    EXPECT_EQ(edit->Text(), u"HELLO");
    EXPECT_EQ(edit->GetSelectionLength(), 2u);

    SetEditClipboard(nullptr);
    edit->OnKeyDown(kEditKeyV, kEditCtrl);
    edit->OnKeyDown(kEditKeyX, kEditCtrl);
    EXPECT_EQ(edit->Text(), u"HELLO");

    // A paste stops at the first terminator inside the clipboard's text and
    // an empty text leaves the selection alone.
    SetEditClipboard(&clipboard);
    clipboard.refuse = false;
    clipboard.held = std::u16string(u"AB\0CD", 5);
    edit->OnKeyDown(kEditKeyV, kEditCtrl);
    EXPECT_EQ(edit->Text(), u"ABLLO");
    edit->SetSelection(0, 5);
    clipboard.held.clear();
    edit->Paste();
    EXPECT_EQ(edit->Text(), u"ABLLO");
    EXPECT_EQ(edit->GetSelectionLength(), 5u);
}

TEST_F(EditRig, MouseSelectsByClickAndDrag) {
    TestEdit edit(kLettersAndBlank);
    edit.SetFocused(true);
    edit.Type(u"ABCDEFGH");
    edit.SetFocused(false);

    EXPECT_FALSE(edit.OnMouseDown(99, 25, kEditLeftButton, 0));  // left of the field
    EXPECT_FALSE(edit.OnMouseDown(260, 25, kEditLeftButton, 0)); // right edge is outside
    EXPECT_EQ(edit.GetMouseX(), 260);
    EXPECT_FALSE(edit.IsFocused());
    EXPECT_TRUE(edit.OnMouseDown(120, 25, 2, 0)); // inside, but not the left button
    EXPECT_FALSE(edit.IsFocused());

    EXPECT_TRUE(edit.OnMouseDown(120, 20, kEditLeftButton, 0));
    EXPECT_TRUE(edit.IsFocused());
    EXPECT_TRUE(edit.IsDragging());
    EXPECT_EQ(edit.GetCaret(), 2u);
    EXPECT_EQ(edit.GetAnchor(), 2u);
    EXPECT_TRUE(edit.OnMouseMove(151, 30, 1, 0));
    EXPECT_EQ(edit.GetAnchor(), 2u);
    EXPECT_EQ(edit.GetCaret(), 5u);
    edit.OnMouseUp(151, 30, kEditLeftButton, 0);
    EXPECT_FALSE(edit.IsDragging());
    EXPECT_TRUE(edit.OnMouseMove(200, 30, 0, 0)); // no drag: the selection stays
    EXPECT_EQ(edit.GetCaret(), 5u);

    // Shift keeps the anchor; a far click is clamped to the text's end.
    edit.OnMouseDown(250, 25, kEditLeftButton, kEditShift);
    EXPECT_EQ(edit.GetAnchor(), 2u);
    EXPECT_EQ(edit.GetCaret(), 8u);
    // Losing the focus ends the drag.
    edit.SetFocused(false);
    EXPECT_FALSE(edit.IsDragging());

    EXPECT_FALSE(edit.OnSelectClick(10, 10, 0));
    EXPECT_TRUE(edit.OnSelectClick(110, 21, 0));
    EXPECT_TRUE(edit.IsFocused());
    EXPECT_EQ(edit.GetSelectionStart(), 0u);
    EXPECT_EQ(edit.GetSelectionLength(), 8u);
}

TEST_F(EditRig, CaretBlinksOnlyWhileFocused) {
    TestEdit edit(kLettersAndBlank);
    EXPECT_FALSE(edit.IsCaretVisibleAt(edit.BlinkStart()));
    edit.SetFocused(true);
    edit.SetCaret(0); // restarts the blink clock
    const uint32_t start = edit.BlinkStart();
    EXPECT_TRUE(edit.IsCaretVisibleAt(start));
    EXPECT_TRUE(edit.IsCaretVisibleAt(start + 529));
    EXPECT_FALSE(edit.IsCaretVisibleAt(start + 530));
    EXPECT_FALSE(edit.IsCaretVisibleAt(start + 1059));
    EXPECT_TRUE(edit.IsCaretVisibleAt(start + 1060));
    edit.SetBlinkPeriod(0);
    EXPECT_TRUE(edit.IsCaretVisibleAt(start + 530));
    edit.SetFocused(false);
    EXPECT_FALSE(edit.IsCaretVisibleAt(start));
}

TEST_F(EditRig, RectangleHelpersForCaretAndSelection) {
    platform::ColouredVertex v[5];
    for (auto& vertex : v)
        vertex = {-1.0f, -1.0f, 7.0f, 0x12345678u};
    TestEdit::BuildRectQuad(v, 1.0f, 2.0f, 3.0f, 4.0f, true, true);
    const float expected[5][2] = {{1, 2}, {3, 2}, {3, 4}, {1, 4}, {1, 2}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(v[i].x, expected[i][0]);
        EXPECT_EQ(v[i].y, expected[i][1]);
        EXPECT_EQ(v[i].z, 0.0f);
        EXPECT_EQ(v[i].colour, 0x12345678u);
    }
    for (auto& vertex : v)
        vertex = {-1.0f, -1.0f, 7.0f, 0};
    TestEdit::BuildRectQuad(v, 1.0f, 2.0f, 3.0f, 4.0f, false, false);
    EXPECT_EQ(v[3].x, 1.0f);
    EXPECT_EQ(v[3].z, 7.0f);
    EXPECT_EQ(v[4].x, -1.0f); // no fifth vertex without the loop

    // The fifth vertex of a loop is a whole copy of the first, colour too.
    v[0].colour = 0xFF00FF00u;
    v[4].colour = 0x11111111u;
    TestEdit::BuildRectQuad(v, 5.0f, 6.0f, 7.0f, 8.0f, true, false);
    EXPECT_EQ(v[4].x, 5.0f);
    EXPECT_EQ(v[4].y, 6.0f);
    EXPECT_EQ(v[4].z, v[0].z);
    EXPECT_EQ(v[4].colour, 0xFF00FF00u);

    kis::Rect rect;
    TestEdit::SetRect(rect, 5, 6, 10, 20);
    EXPECT_EQ(rect.left, 5);
    EXPECT_EQ(rect.top, 6);
    EXPECT_EQ(rect.right, 15);
    EXPECT_EQ(rect.bottom, 26);
}

} // namespace
