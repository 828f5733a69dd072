#include "foundation/StrFunctions.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char16_t* const kNullW = nullptr;
const char* const kNullA = nullptr;

} // namespace

TEST(StrLength, CountsCharactersAndTreatsNullAsEmpty) {
    EXPECT_EQ(kis::StrLenW(u"wheat"), 5);
    EXPECT_EQ(kis::StrLenA("wheat"), 5);
    EXPECT_EQ(kis::StrLenW(u""), 0);
    EXPECT_EQ(kis::StrLenW(kNullW), 0);
    EXPECT_EQ(kis::StrSizeW(u"wheat"), 6);
    EXPECT_EQ(kis::StrSizeA(""), 1);
    EXPECT_EQ(kis::StrSizeA(kNullA), 0);
}

TEST(StrCopy, CutsAtTheBufferAndAlwaysTerminates) {
    char16_t buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    EXPECT_EQ(kis::StrCopyW(buffer, 4, u"0123456789"), buffer);
    EXPECT_EQ(std::u16string(buffer), u"012");
    EXPECT_EQ(buffer[4], u'#');

    kis::StrCopyW(buffer, 0, u"abc"); // size 0: untouched
    EXPECT_EQ(std::u16string(buffer), u"012");
    EXPECT_EQ(kis::StrCopyW(nullptr, 4, u"abc"), nullptr);

    kis::StrCopyW(buffer, 8, kNullW);
    EXPECT_EQ(buffer[0], u'\0');
    kis::StrCopyW(buffer, 1, u"abc");
    EXPECT_EQ(buffer[0], u'\0');

    char narrow[4];
    kis::StrCopyA(narrow, sizeof narrow, "ab");
    EXPECT_STREQ(narrow, "ab");
}

TEST(StrCopy, NCopyLimitsToNCharacters) {
    char16_t buffer[8];
    kis::StrNCopyW(buffer, 8, u"harvest", 4);
    EXPECT_EQ(std::u16string(buffer), u"harv");
    kis::StrNCopyW(buffer, 3, u"harvest", 4); // the buffer is the tighter limit
    EXPECT_EQ(std::u16string(buffer), u"ha");
    kis::StrNCopyW(buffer, 8, u"harvest", 0);
    EXPECT_EQ(std::u16string(buffer), u"");
    kis::StrNCopyW(buffer, 8, u"harvest", UINT32_MAX); // n + 1 does not wrap
    EXPECT_EQ(std::u16string(buffer), u"harvest");
    char narrow[8];
    kis::StrNCopyA(narrow, 8, "harvest", 3);
    EXPECT_STREQ(narrow, "har");
}

TEST(StrCat, AppendsWhatFits) {
    char16_t buffer[8] = u"ab";
    kis::StrCatW(buffer, 8, u"cd");
    EXPECT_EQ(std::u16string(buffer), u"abcd");
    kis::StrCatW(buffer, 8, u"efghij");
    EXPECT_EQ(std::u16string(buffer), u"abcdefg");
    kis::StrCatW(buffer, 8, kNullW);
    EXPECT_EQ(std::u16string(buffer), u"abcdefg");

    // An existing text longer than the buffer size is cut at size - 1.
    char16_t longer[8] = u"abcdefg";
    kis::StrCatW(longer, 4, u"x");
    EXPECT_EQ(std::u16string(longer), u"abc");

    char16_t limited[8] = u"ab";
    kis::StrNCatW(limited, 8, u"cdef", 2);
    EXPECT_EQ(std::u16string(limited), u"abcd");
    kis::StrNCatW(limited, 0, u"x", 1); // size 0: untouched
    EXPECT_EQ(std::u16string(limited), u"abcd");

    char narrow[6] = "ab";
    kis::StrCatA(narrow, sizeof narrow, "cdefg");
    EXPECT_STREQ(narrow, "abcde");
}

TEST(StrDup, CopiesOrFollowsTheNullFlag) {
    char16_t* copy = kis::StrDupW(u"plough", false);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::u16string(copy), u"plough");
    kis::StrFree(copy);

    EXPECT_EQ(kis::StrDupW(kNullW, false), nullptr);
    char16_t* empty = kis::StrDupW(kNullW, true);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty[0], u'\0');
    kis::StrFree(empty);

    char* part = kis::StrDupNA("plough", 3, false);
    EXPECT_STREQ(part, "plo");
    kis::StrFree(part);
    char* whole = kis::StrDupNA("ox", 10, false);
    EXPECT_STREQ(whole, "ox");
    kis::StrFree(whole);
    char16_t* none = kis::StrDupNW(u"ox", 0, false);
    EXPECT_EQ(std::u16string(none), u"");
    kis::StrFree(none);
    char* nullA = kis::StrDupA(kNullA, true);
    EXPECT_STREQ(nullA, "");
    kis::StrFree(nullA);
}

TEST(StrCompare, NullEqualsEmptyAndSortsFirst) {
    struct Case {
        const char16_t* a;
        const char16_t* b;
        int expected;
    };
    for (const Case& t : {Case{nullptr, nullptr, 0}, Case{nullptr, u"", 0}, Case{u"", nullptr, 0},
                          Case{nullptr, u"a", -1}, Case{u"a", nullptr, 1}}) {
        EXPECT_EQ(kis::StrCompareW(t.a, t.b), t.expected);
        EXPECT_EQ(kis::StrICompareW(t.a, t.b), t.expected);
        EXPECT_EQ(kis::StrNICompareW(t.a, t.b, 5), t.expected);
    }
}

TEST(StrCompare, OnlyStrCompareRespectsCase) {
    EXPECT_EQ(kis::StrCompareW(u"abc", u"abc"), 0);
    EXPECT_LT(kis::StrCompareW(u"ABC", u"abc"), 0);
    EXPECT_LT(kis::StrCompareW(u"ab", u"abc"), 0);
    EXPECT_GT(kis::StrCompareA("abd", "abc"), 0);
    EXPECT_GT(kis::StrCompareA("\xE9", "e"), 0); // characters compare unsigned
    EXPECT_GT(kis::StrCompareW(u"\uFFFF", u"a"), 0);

    EXPECT_EQ(kis::StrICompareW(u"Wheat", u"wHEAT"), 0);
    EXPECT_EQ(kis::StrICompareA("Wheat", "wHEAT"), 0);
    EXPECT_LT(kis::StrICompareW(u"apple", u"Banana"), 0);
    EXPECT_GT(kis::StrICompareW(u"wheat2", u"WHEAT"), 0);
    // Folding is to lower case: '_' (0x5F) sorts before 'a', as with _stricmp.
    EXPECT_LT(kis::StrICompareA("_", "A"), 0);
    // Only ASCII letters are folded.
    EXPECT_NE(kis::StrICompareW(u"\u00C9", u"\u00E9"), 0);
}

TEST(StrCompare, NICompareLooksAtNCharacters) {
    EXPECT_EQ(kis::StrNICompareW(u"WheatField", u"wheatland", 5), 0);
    EXPECT_NE(kis::StrNICompareW(u"WheatField", u"wheatland", 6), 0);
    EXPECT_EQ(kis::StrNICompareA("abc", "xyz", 0), 0);
    EXPECT_LT(kis::StrNICompareA("ab", "abc", 10), 0);
}

TEST(StrIndex, FindsCharactersButNeverTheTerminator) {
    EXPECT_EQ(kis::StrIndexW(u"barn", u'r'), 2);
    EXPECT_EQ(kis::StrIndexW(u"barn", u'x'), -1);
    EXPECT_EQ(kis::StrIndexW(u"barn", u'\0'), -1);
    EXPECT_EQ(kis::StrIndexA(kNullA, 'a'), -1);
    EXPECT_EQ(kis::StrNIndexW(u"barn", 2, u'r'), -1);
    EXPECT_EQ(kis::StrNIndexW(u"barn", 3, u'r'), 2);
    EXPECT_EQ(kis::StrNIndexA("barn", 0, 'b'), -1);
    EXPECT_EQ(kis::StrNIndexA("ba", 10, 'n'), -1); // stops at the terminator
}

TEST(StrIndex, NChrReturnsAPointerIntoTheText) {
    const char16_t* text = u"silo";
    EXPECT_EQ(kis::StrNChrW(text, 4, u'l'), text + 2);
    EXPECT_EQ(kis::StrNChrW(text, 2, u'l'), nullptr);
    EXPECT_EQ(kis::StrNChrW(text, 0, u's'), nullptr);
    EXPECT_EQ(kis::StrNChrW(kNullW, 4, u's'), nullptr);
    char writable[] = "silo";
    char* found = kis::StrNChrA(writable, 4, 'o');
    ASSERT_EQ(found, writable + 3);
    *found = 'k';
    EXPECT_STREQ(writable, "silk");
}
