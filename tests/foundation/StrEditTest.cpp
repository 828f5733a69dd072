#include "foundation/StrEdit.h"

#include <gtest/gtest.h>

#include <string>

using namespace kis;

TEST(StrEdit, FindGivesMinusOneForNothingToFind) {
    EXPECT_EQ(StrFindW(u"abc\r\ndef", u"\r\n", 2), 3);
    EXPECT_EQ(StrFindW(u"abcabc", u"cab", 3), 2);
    EXPECT_EQ(StrFindW(u"abcabc", u"cxx", 1), 2); // only the first n characters count
    EXPECT_EQ(StrFindW(u"abc", u"ABC", 3), -1);
    EXPECT_EQ(StrFindW(u"abc", u"abcd", 4), -1);
    EXPECT_EQ(StrFindW(u"ab", u"ab", 5), -1); // text shorter than n
    EXPECT_EQ(StrFindW(u"xxab", u"ab", -1), 2);
    EXPECT_EQ(StrFindW(nullptr, u"a", 1), -1);
    EXPECT_EQ(StrFindW(u"a", nullptr, 1), -1);
    EXPECT_EQ(StrFindW(u"", u"a", 1), -1);
    EXPECT_EQ(StrFindW(u"a", u"", 1), -1);
    EXPECT_EQ(StrFindW(u"a", u"a", 0), -1);
}

TEST(StrEdit, AppendCharsWritesARunAndTerminates) {
    char16_t b[8] = u"ab";
    EXPECT_EQ(std::u16string(StrAppendCharsW(b, 8, u'.', 3, -1)), u"ab...");
    EXPECT_EQ(std::u16string(StrAppendCharsW(b, 8, u'-', 10, -1)), u"ab...--");
    EXPECT_EQ(std::u16string(StrAppendCharsW(b, 8, u'x', 2, 1)), u"axx");
    EXPECT_EQ(std::u16string(StrAppendCharsW(b, 8, u'y', 1, 50)), u"axxy");
    char a[4] = "";
    EXPECT_EQ(std::string(StrAppendCharsA(a, 4, '0', 5, 0)), "000");
}

TEST(StrEdit, InsertCutsTheTailThatNoLongerFits) {
    char16_t b[10] = u"walk_";
    EXPECT_EQ(std::u16string(StrInsertW(b, 10, 5, u"left")), u"walk_left");
    EXPECT_EQ(std::u16string(StrInsertW(b, 10, 0, u"up")), u"upwalk_le");
    EXPECT_EQ(std::u16string(StrInsertW(b, 10, 2, u"0123456789")), u"up0123456");
    EXPECT_EQ(std::u16string(StrInsertW(b, 10, 10, u"x")), u"up0123456");
    EXPECT_EQ(std::u16string(StrInsertW(b, 10, -1, u"x")), u"up0123456");
    char16_t c[8] = u"abc";
    EXPECT_EQ(std::u16string(StrInsertW(c, 8, 1, u"XY")), u"aXYbc");
    EXPECT_EQ(std::u16string(StrInsertW(c, 8, 1, nullptr)), u"aXYbc");
}
