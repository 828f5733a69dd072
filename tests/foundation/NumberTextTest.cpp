#include "foundation/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace kis;

namespace {
std::u16string W(const char16_t* text) {
    return text;
}
} // namespace

TEST(NumberText, DecimalTextIsCutToTheBufferAndAlwaysTerminated) {
    char16_t b[16];
    EXPECT_EQ(W(IntToStrW(b, 16, -2147483647 - 1)), u"-2147483648");
    EXPECT_EQ(W(IntToStrW(b, 16, 0)), u"0");
    EXPECT_EQ(W(UIntToStrW(b, 16, 4294967295u)), u"4294967295");
    EXPECT_EQ(W(IntToStrW(b, 4, -12345)), u"-12");
    EXPECT_EQ(W(IntToStrW(b, 1, 7)), u"");
    b[0] = u'x';
    IntToStrW(b, 0, 7);
    IntToStrW(nullptr, 16, 7);
    EXPECT_EQ(b[0], u'x');

    char a[8];
    EXPECT_EQ(std::string(IntToStrA(a, 8, -42)), "-42");
}

TEST(NumberText, WholeDecimalStringsKeepTheirSign) {
    struct Case {
        int64_t value;
        const char16_t* text;
    } cases[] = {{0, u"0"},
                 {7, u"7"},
                 {-2, u"-2"},
                 {1000000, u"1000000"},
                 {-2147483648LL, u"-2147483648"},
                 {4294967295LL, u"4294967295"}};
    for (const Case& c : cases)
        EXPECT_EQ(DecimalText(c.value), c.text);
}

TEST(NumberText, PaddingAppendingAndRectangles) {
    char16_t b[32];
    EXPECT_EQ(W(IntToStrZeroPadW(b, 32, 7, 3)), u"007");
    EXPECT_EQ(W(IntToStrZeroPadW(b, 32, -7, 3)), u"-007");
    EXPECT_EQ(W(IntToStrZeroPadW(b, 32, 1234, 2)), u"1234");
    EXPECT_EQ(W(IntToStrZeroPadW(b, 32, 5, 40)), u"0000000005"); // at most 10 digits

    IntToStrCatW(b, 32, 12, false);
    EXPECT_EQ(W(IntToStrCatW(b, 32, -3, true)), u"12-3");
    EXPECT_EQ(W(IntToStrCatW(b, 5, 456, true)), u"12-3"); // one character of room is left
    EXPECT_EQ(W(IntToStrCatW(b, 32, 9, false)), u"9");

    Rect r{10, 20, 110, 70};
    EXPECT_EQ(W(RectToStrW(b, 32, r, true)), u"10, 20, 110, 70");
    EXPECT_EQ(W(RectToStrW(b, 32, r, false)), u"10, 20, 100, 50");
    EXPECT_EQ(W(RectToStrW(b, 32, -1, -2, 3, 4, false)), u"-1, -2, 4, 6");
}

TEST(NumberText, HexadecimalTextFollowsItsFlags) {
    char16_t b[32];
    EXPECT_EQ(W(IntToHexW(b, 32, 0xBEEF, 8, nullptr, 0)), u"0000BEEF");
    EXPECT_EQ(W(IntToHexW(b, 32, 0xBEEF, 4, u"0x", kHexLower)), u"0xbeef");
    EXPECT_EQ(W(IntToHexW(b, 32, 0x12345, 2, nullptr, 0)), u"45");
    EXPECT_EQ(W(IntToHexW(b, 32, 0, 8, u"$", kHexMinimal)), u"$0");
    EXPECT_EQ(W(IntToHexW(b, 32, 0xA, 1, u"-", kHexAppend)), u"$0-A");
    EXPECT_EQ(W(IntToHexW(b, 32, 0xFFFFFFFFFFFFFFFFull, 99, nullptr, 0)), u"FFFFFFFFFFFFFFFF");
    EXPECT_EQ(W(IntToHexW(b, 5, 0xABCDEF, 6, nullptr, 0)), u"ABCD");

    char16_t raw[8] = {u'z', u'z', u'z', u'z', u'z', u'z', u'z', 0};
    IntToHexW(raw, 8, 0x1F, 2, nullptr, kHexNoTerminator);
    EXPECT_EQ(W(raw), u"1Fzzzzz");
}

TEST(NumberText, DecimalParsingUsesTerminatorsAndDefaults) {
    int32_t used = -1;
    EXPECT_EQ(StrToIntW(u"12a", -1, 99), 99);
    EXPECT_EQ(StrToIntW(u"12a", -1, 99, u"a", &used), 12);
    EXPECT_EQ(used, 2);
    EXPECT_EQ(StrToIntW(u"-", -1, 99), 99);
    EXPECT_EQ(StrToIntW(u"", -1, 99), 99);
    EXPECT_EQ(StrToIntW(nullptr, -1, 99), 99);
    EXPECT_EQ(StrToIntW(u"-305", -1, 99), -305);
    EXPECT_EQ(StrToIntW(u"12345", 3, 99), 123);
    EXPECT_EQ(StrToIntW(u"+5", -1, 99), 99);
    EXPECT_EQ(StrToIntW(u" 5", -1, 99), 99);
    EXPECT_EQ(StrToIntW(u"4294967295", -1, 0), -1); // wraps like 32-bit arithmetic
    EXPECT_EQ(StrToIntW(u"x", -1, 99, u"x", &used), 99);
    EXPECT_EQ(used, 0);
    EXPECT_EQ(StrToIntA("77;", -1, 0, ";", nullptr), 77);
}

TEST(NumberText, HexParsingWithPrefixesAndStrictness) {
    for (const char16_t* text : {u"0x1F", u"0X1f", u"$1f", u"#1F"}) {
        SCOPED_TRACE(std::string(text, text + std::char_traits<char16_t>::length(text)));
        EXPECT_EQ(HexToIntW(text, -1, 7, true, true), 31u);
    }
    EXPECT_EQ(HexToIntW(u"1G", -1, 7, false, true), 7u);
    EXPECT_EQ(HexToIntW(u"1G", -1, 7, false, false), 1u);
    EXPECT_EQ(HexToIntW(u"$1F", -1, 7, false, false), 7u); // no digit before the '$'
    EXPECT_EQ(HexToIntW(u"0x", -1, 7, true, false), 7u);
    EXPECT_EQ(HexToIntW(u"", -1, 7), 7u);
    EXPECT_EQ(HexToIntW(u"ffffffff", -1, 7), 0xFFFFFFFFu);
    EXPECT_EQ(HexToIntW(u"123456789", -1, 7, false, true), 7u); // a ninth digit is not a 32-bit number

    int32_t used = 0;
    EXPECT_EQ(HexToInt64ExW(u"0xFFFFFFFFFFFFFFFF", -1, 1, true, true, &used), 0xFFFFFFFFFFFFFFFFull);
    EXPECT_EQ(used, 18);
    EXPECT_EQ(HexToIntExW(u"abcdef", 4, 0, false, true, &used), 0xABCDu);
    EXPECT_EQ(used, 4);
    EXPECT_EQ(HexToIntA("#ff", -1, 0, true, true), 255u);
}

TEST(NumberText, FloatParsing) {
    EXPECT_FLOAT_EQ(StrToFloatW(u"1.5e+2", -1, -1), 150.0f);
    EXPECT_FLOAT_EQ(StrToFloatW(u"1.5e-2", -1, -1), 0.015f);
    EXPECT_FLOAT_EQ(StrToFloatW(u"1.5e2", -1, -1), -1.0f);
    EXPECT_FLOAT_EQ(StrToFloatW(u"1e+101", -1, -1), -1.0f);
    EXPECT_FLOAT_EQ(StrToFloatW(u"2e+30", -1, -1), 2e30f); // scaled in steps of 1e9
    EXPECT_FLOAT_EQ(StrToFloatW(u"0.1234567", -1, -1), 0.123456f);
    EXPECT_FLOAT_EQ(StrToFloatW(u"-3.25", -1, 0), -3.25f);
    EXPECT_FLOAT_EQ(StrToFloatW(u".5", -1, 0), 0.5f);
    EXPECT_FLOAT_EQ(StrToFloatW(u"-", -1, 9), 9.0f);
    EXPECT_FLOAT_EQ(StrToFloatW(u"1.5x", -1, 9), 9.0f);
    int32_t used = 0;
    EXPECT_FLOAT_EQ(StrToFloatW(u"1.5x", -1, 9, u"x", &used), 1.5f);
    EXPECT_EQ(used, 3);
    EXPECT_FLOAT_EQ(StrToFloatW(u"12.75", 4, 9), 12.7f);
    EXPECT_FLOAT_EQ(StrToFloatA("4.5", -1, 0), 4.5f);
}
