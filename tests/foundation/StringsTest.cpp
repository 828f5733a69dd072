#include "foundation/Strings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Text(const kis::WideStrings& l, int32_t i) {
    const char16_t* t = l.GetText(i);
    return t ? std::u16string(t) : u"<null>";
}

std::u16string All(const kis::WideStrings& l) {
    std::u16string s;
    for (int32_t i = 0; i < l.Count(); ++i)
        s += (i ? u"|" : u"") + Text(l, i);
    return s;
}

// A string list that records which items its FreeItems frees.
struct WatchedStrings : kis::WideStrings {
    std::u16string freed;
    void FreeItems(int32_t newCount) override {
        for (int32_t i = count - 1; i >= newCount; --i)
            freed += Text(*this, i);
        kis::WideStrings::FreeItems(newCount);
    }
};

} // namespace

TEST(StringList, StartsWithALineFeedSeparator) {
    kis::WideStrings w;
    EXPECT_EQ(std::u16string(w.separator), u"\n");
    kis::AnsiStrings a;
    EXPECT_EQ(std::string(a.separator), "\n");
}

TEST(StringList, AddCopiesTextsWithLengthAndData) {
    kis::WideStrings l;
    std::u16string source = u"wheat";
    EXPECT_EQ(l.Add(source.c_str()), 0);
    source[0] = u'X'; // the list holds its own copy
    EXPECT_EQ(l.Add(7u, u"corn"), 1);
    EXPECT_EQ(l.Add(static_cast<const char16_t*>(nullptr)), 2);
    EXPECT_EQ(All(l), u"wheat|corn|");
    EXPECT_EQ(l.Get(0)->length, 5u);
    EXPECT_EQ(l.Get(0)->data, 0u);
    EXPECT_EQ(l.Get(1)->data, 7u);
    ASSERT_NE(l.Get(2)->text, nullptr);
    EXPECT_EQ(l.Get(2)->length, 0u);
}

TEST(StringList, AddNCopiesAtMostNCharacters) {
    kis::WideStrings l;
    l.AddN(u"barley", 3);
    l.AddN(u"oat", 10);
    l.AddN(u"rye", 0);
    l.AddN(5u, nullptr, 4);
    EXPECT_EQ(All(l), u"bar|oat||");
    EXPECT_EQ(l.Get(0)->length, 3u);
    EXPECT_EQ(l.Get(1)->length, 3u);
    EXPECT_EQ(l.Get(2)->length, 0u);
    EXPECT_EQ(l.Get(3)->data, 5u);
}

TEST(StringList, AddEmptyLeavesABufferToFill) {
    kis::AnsiStrings l;
    int32_t i = l.AddEmpty(9u, 3);
    ASSERT_EQ(i, 0);
    kis::StringItemA* item = l.Get(i);
    EXPECT_EQ(item->length, 3u);
    EXPECT_EQ(item->data, 9u);
    EXPECT_EQ(item->text[3], '\0');
    item->text[0] = 'a';
    item->text[1] = 'b';
    item->text[2] = 'c';
    EXPECT_STREQ(l.GetText(0), "abc");
    l.AddEmpty(-4);
    EXPECT_EQ(l.Get(1)->length, 0u);
    EXPECT_STREQ(l.GetText(1), "");
}

TEST(StringList, FindsTextsIgnoringCaseUnlessAsked) {
    kis::WideStrings l;
    l.Add(u"xyz");
    l.Add(u"abc");
    EXPECT_EQ(l.IndexOfText(u"ABC"), 1);
    EXPECT_EQ(l.IndexOfTextEx(u"ABC", false), -1);
    EXPECT_EQ(l.IndexOfTextEx(u"abc", false), 1);
    EXPECT_EQ(l.IndexOfText(u"ab"), -1);
    EXPECT_EQ(l.IndexOfTextEx(l.GetText(0), false), 0);
    l.Add(u"");
    EXPECT_EQ(l.IndexOfText(nullptr), 2); // null equals the empty text
}

TEST(StringList, AddStringsCopiesTextsButNotData) {
    kis::WideStrings source, target;
    source.Add(1u, u"one");
    source.Add(2u, u"two");
    target.Add(3u, u"zero");
    target.AddStrings(&source);
    EXPECT_EQ(All(target), u"zero|one|two");
    EXPECT_EQ(target.capacity, 4); // grew for the first item, then was large enough
    EXPECT_EQ(target.Get(0)->data, 3u);
    EXPECT_EQ(target.Get(1)->data, 0u);
    EXPECT_EQ(target.Get(2)->data, 0u);
    EXPECT_NE(target.GetText(1), source.GetText(0));

    kis::WideStrings wide;
    for (int i = 0; i < 4; ++i)
        wide.Add(u"w");
    wide.AddStrings(&target);
    EXPECT_EQ(wide.capacity, 7); // raised to exactly what is needed
    target.AddStrings(&target);
    EXPECT_EQ(All(target), u"zero|one|two|zero|one|two");
}

TEST(StringList, InsertSetAndAppendText) {
    kis::WideStrings l;
    l.Add(u"b");
    EXPECT_EQ(l.InsertText(0, u"a"), 0);
    EXPECT_EQ(l.InsertText(2, u"c"), 2);
    EXPECT_EQ(l.InsertText(5, u"x"), -1);
    EXPECT_EQ(All(l), u"a|b|c");
    l.SetText(1, u"bee");
    EXPECT_EQ(l.Get(1)->length, 3u);
    l.SetItem(2, u"sea", 4u);
    EXPECT_EQ(l.Get(2)->data, 4u);
    l.SetText(3, u"nothing"); // out of range
    l.SetText(0, nullptr);
    EXPECT_EQ(All(l), u"|bee|sea");
    EXPECT_EQ(l.Get(0)->length, 0u);
    EXPECT_EQ(std::u16string(l.AppendText(1, u"hive")), u"beehive");
    EXPECT_EQ(l.Get(1)->length, 7u);
    EXPECT_EQ(std::u16string(l.AppendText(1, l.GetText(1))), u"beehivebeehive");
    EXPECT_EQ(l.AppendText(3, u"x"), nullptr);
    l.SetText(2, l.GetText(2)); // its own text, same length
    EXPECT_EQ(Text(l, 2), u"sea");
}

TEST(StringList, SetItemFillsANullSlot) {
    kis::WideStrings l;
    l.SetCount(2);
    l.SetItem(1, u"late", 6u);
    EXPECT_EQ(l.GetText(0), nullptr);
    EXPECT_EQ(Text(l, 1), u"late");
    EXPECT_EQ(l.Get(1)->data, 6u);
    l.SetCount(0); // frees the item and skips the null slot
}

TEST(StringList, CopyTextIsBoundedAndSafe) {
    kis::WideStrings l;
    l.Add(u"pumpkin");
    char16_t buffer[5] = u"zzzz";
    EXPECT_EQ(l.CopyText(0, buffer, 5), buffer);
    EXPECT_EQ(std::u16string(buffer), u"pump");
    l.CopyText(1, buffer, 5);
    EXPECT_EQ(std::u16string(buffer), u"");
    EXPECT_EQ(l.CopyText(0, nullptr, 5), nullptr);
    EXPECT_EQ(l.GetText(-1), nullptr);
}

TEST(StringList, ShrinkingFreesItemsFromTheTop) {
    WatchedStrings l;
    l.Add(u"0");
    l.Add(u"1");
    l.Add(u"2");
    l.SetCount(1);
    EXPECT_EQ(l.freed, u"21");
    EXPECT_EQ(All(l), u"0");
    l.Delete(0);
    EXPECT_EQ(l.Count(), 0);
    l.Delete(0); // out of range
}

TEST(StringList, DeleteFreesOnlyThatItem) {
    kis::AnsiStrings l;
    l.Add("a");
    l.Add("b");
    l.Add("c");
    l.Delete(1);
    EXPECT_STREQ(l.GetText(0), "a");
    EXPECT_STREQ(l.GetText(1), "c");
    EXPECT_EQ(l.Count(), 2);
    EXPECT_TRUE(l.Remove(l.Get(0))); // through the list's Delete: freed as well
    EXPECT_STREQ(l.GetText(0), "c");
}
