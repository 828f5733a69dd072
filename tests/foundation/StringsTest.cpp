#include "foundation/Strings.h"
#include "foundation/StrFunctions.h"
#include "foundation/Stream.h"
#include "platform/Random.h"
#include "platform/Utf.h"
#include "tests/support/Damage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
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

// ---- The list as a text file --------------------------------------------------

namespace {

// Saves the list into a new file and gives back the file's bytes.
std::string SavedBytes(const kis::WideStrings& list, const testsupport::TempDir& dir) {
    std::string path = dir.File("lines.txt");
    {
        kis::FileStreamW stream(platform::Utf8ToUtf16(path).c_str(), kis::kStreamCreate);
        EXPECT_TRUE(stream.IsOpen());
        list.SaveToStream(stream);
    }
    return testsupport::ReadFileBytes(path);
}

// Loads a list from a file holding exactly these bytes.
void LoadBytes(kis::WideStrings& list, const testsupport::TempDir& dir, const std::string& bytes) {
    std::string path = dir.File("in.txt");
    ASSERT_TRUE(testsupport::WriteFileBytes(path, bytes));
    kis::FileStreamW stream(platform::Utf8ToUtf16(path).c_str(), kis::kStreamRead | kis::kStreamShareRead);
    ASSERT_TRUE(stream.IsOpen());
    list.LoadFromStream(stream);
}

// UTF-16 little-endian bytes of an 8-bit text, after the byte-order mark.
std::string Utf16File(const std::string& text) {
    std::string bytes = "\xFF\xFE";
    for (char c : text) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

} // namespace

TEST(StringListText, JoinsItemsWithTheSeparatorAndCutsToTheBuffer) {
    kis::WideStrings w;
    EXPECT_EQ(w.GetJoinedLength(), 0u);
    w.Add(u"ab");
    EXPECT_EQ(w.GetJoinedLength(), 2u); // one item: no separator
    w.Add(u"c");
    w.Add(u"");
    kis::StrCopyW(w.separator, 3, u"\r\n");
    EXPECT_EQ(w.GetJoinedLength(), 7u);

    char16_t* joined = w.JoinText(nullptr, 0);
    ASSERT_NE(joined, nullptr);
    EXPECT_EQ(std::u16string(joined), u"ab\r\nc\r\n");
    kis::StrFree(joined);

    char16_t small[5] = {u'x', u'x', u'x', u'x', u'x'};
    EXPECT_EQ(w.JoinText(small, 5), small);
    EXPECT_EQ(std::u16string(small), u"ab\r\n"); // cut inside the list, terminated
    char16_t cutInSeparator[4];
    w.JoinText(cutInSeparator, 4);
    EXPECT_EQ(std::u16string(cutInSeparator), u"ab\r");
    char16_t untouched[2] = {u'q', 0};
    EXPECT_EQ(w.JoinText(untouched, 0), untouched);
    EXPECT_EQ(untouched[0], u'q');
}

TEST(StringListText, SavesTheMarkAndTheJoinedTextAndLoadsItBack) {
    testsupport::TempDir dir;
    kis::WideStrings w;
    w.Add(u"a");
    w.Add(u"b");
    kis::StrCopyW(w.separator, 3, u"\r\n");
    EXPECT_EQ(SavedBytes(w, dir), std::string("\xFF\xFE"
                                              "a\0\r\0\n\0b\0",
                                              10));

    kis::WideStrings back;
    LoadBytes(back, dir, SavedBytes(w, dir));
    EXPECT_EQ(All(back), u"a|b");
    EXPECT_EQ(std::u16string(back.separator), u"\r\n");
    EXPECT_EQ(back.items[1]->data, 0u);

    kis::WideStrings empty;
    EXPECT_EQ(SavedBytes(empty, dir), "\xFF\xFE");
}

TEST(StringListText, LinesFollowTheFirstRunOfControlCharacters) {
    testsupport::TempDir dir;
    kis::WideStrings w;
    LoadBytes(w, dir, Utf16File("a\r\nb\r\n"));
    EXPECT_EQ(All(w), u"a|b"); // a separator at the end adds no empty line

    LoadBytes(w, dir, Utf16File("a\r\n\r\nb"));
    EXPECT_EQ(All(w), u"a||b");
    EXPECT_EQ(std::u16string(w.separator), u"\r\n"); // the run of four is cut to two

    LoadBytes(w, dir, Utf16File("a\tb\r\nc"));
    EXPECT_EQ(std::u16string(w.separator), u"\t");
    EXPECT_EQ(All(w), u"a|b\r\nc");

    LoadBytes(w, dir, Utf16File("x\ny"));
    EXPECT_EQ(std::u16string(w.separator), u"\n");
    EXPECT_EQ(All(w), u"x|y");
}

TEST(StringListText, OnlyMarkedUtf16LoadsAndAnythingElseEmptiesTheList) {
    testsupport::TempDir dir;
    kis::WideStrings w;
    w.Add(u"old");
    LoadBytes(w, dir, "a\r\nb\r\n"); // 8-bit text has no mark
    EXPECT_EQ(w.Count(), 0);

    w.Add(u"old");
    LoadBytes(w, dir, "\xFF");
    EXPECT_EQ(w.Count(), 0);

    LoadBytes(w, dir, Utf16File("ab") + "c"); // an odd last byte is ignored
    EXPECT_EQ(All(w), u"ab");

    // A text without control characters keeps the separator it had.
    kis::StrCopyW(w.separator, 3, u"\r\n");
    LoadBytes(w, dir, Utf16File("one line"));
    EXPECT_EQ(All(w), u"one line");
    EXPECT_EQ(std::u16string(w.separator), u"\r\n");

    // A stream that is not open loads nothing.
    kis::FileStreamW missing(platform::Utf8ToUtf16(dir.File("none.txt")).c_str(), kis::kStreamRead);
    w.LoadFromStream(missing);
    EXPECT_EQ(w.Count(), 0);
}

// Random damage to a saved list: without the mark nothing loads; with it the
// lines together hold no more characters than the file, each terminated.
TEST(StringListText, DamagedTextFilesLoadNothingOrLinesWithinTheFile) {
    testsupport::TempDir dir;
    kis::WideStrings saved;
    for (const char16_t* line :
         {u"Ackerbau", u"", u"\u00C4rger \u00FCber Unkraut", u"Stall\tund Scheune", u"x"})
        saved.Add(line);
    kis::StrCopyW(saved.separator, 3, u"\r\n");
    const std::string good = SavedBytes(saved, dir);

    platform::SeedRand(1616);
    int loaded = 0, empty = 0;
    testsupport::ForRounds(1500, 1500, [&](int round) {
        const std::string bytes = testsupport::Damage(good, round);
        kis::WideStrings list;
        list.Add(u"old");
        LoadBytes(list, dir, bytes);
        const bool marked = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
        if (!marked) {
            EXPECT_EQ(list.Count(), 0);
            ++empty;
            return;
        }
        const size_t units = (bytes.size() - 2) / 2;
        size_t total = 0;
        for (int32_t i = 0; i < list.Count(); ++i) {
            const char16_t* text = list.GetText(i);
            ASSERT_NE(text, nullptr);
            total += std::char_traits<char16_t>::length(text);
        }
        EXPECT_LE(total, units);
        EXPECT_LE(size_t(list.Count()), units);
        ++loaded;
    });
    EXPECT_GT(loaded, 0);
    EXPECT_GT(empty, 0);
}

TEST(StringListText, SplitStopsAtTheCountAndAtTheTerminator) {
    kis::WideStrings w;
    w.SplitText(u"ab\ncd\nef", 4); // the line ending past the count is cut there
    EXPECT_EQ(All(w), u"ab|c");
    w.SplitText(u"ab\ncd", 100);
    EXPECT_EQ(All(w), u"ab|cd");
    w.SplitText(nullptr, 5);
    EXPECT_EQ(w.Count(), 0);
    w.Add(u"x");
    w.SplitText(u"abc", 0);
    EXPECT_EQ(w.Count(), 0);
    w.separator[0] = 0; // no separator: one line
    w.SplitText(u"a\nb", 3);
    EXPECT_EQ(All(w), u"a\nb");
}

// A records file of many lines is split in one pass: looking for each line's
// end never walks the rest of the text, so 100,000 lines take milliseconds
// (walking the rest each time takes tens of seconds).
TEST(StringListText, ALongTextSplitsInOnePass) {
    std::u16string text;
    for (int i = 0; i < 100000; ++i)
        text += u"ab\r\n";
    kis::WideStrings w;
    w.separator[0] = u'\r', w.separator[1] = u'\n', w.separator[2] = 0;
    const auto start = std::chrono::steady_clock::now();
    w.SplitText(text.c_str(), uint32_t(text.size()));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    ASSERT_EQ(w.Count(), 100000);
    EXPECT_EQ(Text(w, 99999), u"ab");
}
