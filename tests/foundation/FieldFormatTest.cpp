#include "foundation/FieldFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <string>

using namespace kis;

namespace {

// Reads records of one format from a UTF-16 value in mode 1.
template <typename Record>
int Read(const char16_t* format, const char16_t* value, Record* records, int max, int32_t* count,
         uint32_t codePage = 1252) {
    return ScanFieldsW(format, max, records, sizeof(Record), kScanRecords, value, codePage, count);
}

#pragma pack(push, 4)
struct NamedPair {
    char16_t name[260];
    int32_t a, b;
};
struct NameColour {
    char16_t name[260];
    uint32_t colour, count, flag;
};
struct CharsAndInt {
    char16_t first, second;
    int32_t value;
};
struct Wide {
    int32_t small;
    int64_t big;
};
#pragma pack(pop)
static_assert(offsetof(NamedPair, a) == 520 && offsetof(NamedPair, b) == 524);
static_assert(offsetof(NameColour, flag) == 528);
static_assert(offsetof(CharsAndInt, value) == 4);
static_assert(sizeof(Wide) == 12);

} // namespace

TEST(IdentScanner, HashesLowerCasedAndReportsItsExtent) {
    IdentScan s;
    ASSERT_TRUE(ScanIdentW(u"  Charset = x", kUnboundedLength, kUnboundedLength, true, 0, s));
    EXPECT_EQ(s.hash, 0x405B31EAu);
    EXPECT_EQ(s.start, 2u);
    EXPECT_EQ(s.length, 7u);
    EXPECT_EQ(s.end, 10u);
    EXPECT_FALSE(s.atEnd);
    ASSERT_TRUE(ScanIdentifierA("TRUE", kUnboundedLength, 10, false, 0, s));
    EXPECT_EQ(s.hash, 0x0203B372u);
    EXPECT_TRUE(s.atEnd);
    // A bounded length stops the scan and decides the at-end flag.
    ASSERT_TRUE(ScanIdentW(u"abcdef", 3, 10, false, 0, s));
    EXPECT_EQ(s.length, 3u);
    EXPECT_TRUE(s.atEnd);
    EXPECT_TRUE(ScanIdentW(u"a-b", kUnboundedLength, 10, false, '-', s));
    EXPECT_EQ(s.length, 3u);
    EXPECT_FALSE(ScanIdentW(u"abcd", kUnboundedLength, 3, false, 0, s)); // longer than the maximum
    EXPECT_FALSE(ScanIdentW(u"", kUnboundedLength, 10, false, 0, s));
    EXPECT_FALSE(ScanIdentW(u"abc", 0, 10, false, 0, s));
    EXPECT_FALSE(ScanIdentW(nullptr, kUnboundedLength, 10, false, 0, s));
    EXPECT_FALSE(ScanIdentW(u"  -", kUnboundedLength, 10, true, 0, s));
}

TEST(FieldFormat, PlacesFieldsByTheAlignmentRule) {
    NamedPair pair{};
    int32_t n = -1;
    ASSERT_EQ(Read(u"Z[260],l,l", u"\"Hay bale\", 12, -7", &pair, 1, &n), kScanOk);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(std::u16string(pair.name), u"Hay bale");
    EXPECT_EQ(pair.a, 12);
    EXPECT_EQ(pair.b, -7);

    NameColour nc{};
    nc.flag = 77;
    ASSERT_EQ(Read(u"Z[260],x4,u4,{b4}", u"\"Cow\", FF, 3", &nc, 1, &n), kScanOk);
    EXPECT_EQ(std::u16string(nc.name), u"Cow");
    EXPECT_EQ(nc.colour, 0xFFu);
    EXPECT_EQ(nc.count, 3u);
    EXPECT_EQ(nc.flag, 77u); // the optional group was not in the value
    ASSERT_EQ(Read(u"Z[260],x4,u4,{b4}", u"\"Cow\", FF, 3, yes", &nc, 1, &n), kScanOk);
    EXPECT_EQ(nc.flag, 1u);

    CharsAndInt ci{};
    ASSERT_EQ(Read(u"W,W,i4", u"'a', u+0042, 9", &ci, 1, &n), kScanOk);
    EXPECT_EQ(ci.first, u'a');
    EXPECT_EQ(ci.second, u'B');
    EXPECT_EQ(ci.value, 9);

    // Eight-byte integers align to 4, not 8.
    Wide w{};
    ASSERT_EQ(Read(u"i4,i8", u"1, -9223372036854775808", &w, 1, &n), kScanOk);
    EXPECT_EQ(int64_t{w.big}, INT64_MIN);

    // The record must hold every field.
    int32_t three[3];
    EXPECT_EQ(ScanFieldsW(u"i4,i4,i4", 1, three, 8, kScanRecords, u"1,2,3", 1252, &n), kScanBadFormat);
    EXPECT_EQ(ScanFieldsW(u"i4,i4,i4", 1, three, 12, kScanRecords, u"1,2,3", 1252, &n), kScanOk);
}

TEST(FieldFormat, HugeCountsAreRefusedNotWrapped) {
    // 2,147,483,647 elements of 8 bytes overflow 32 bits; the room check must still see them.
    char record[16];
    int32_t n;
    EXPECT_EQ(ScanFieldsW(u"u8[2147483647]", 1, record, sizeof record, kScanRecords, u"1", 1252, &n),
              kScanBadFormat);
    EXPECT_EQ(ScanFieldsW(u"i4[1073741825]", 1, record, sizeof record, kScanRecords, u"1", 1252, &n),
              kScanBadFormat);
    EXPECT_EQ(ScanFieldsW(u"Z[2147483647]", 1, record, sizeof record, kScanRecords, u"a", 1252, &n),
              kScanBadFormat);
    EXPECT_EQ(ScanFieldsW(u"i4[2147483648]", 1, record, sizeof record, kScanRecords, u"1", 1252, &n),
              kScanBadFormat);
}

TEST(FieldFormat, RecordsAndTheMaximum) {
    int32_t pairs[4][2] = {};
    int32_t n;
    ASSERT_EQ(ScanFieldsW(u"l,l", 2, pairs, 8, kScanRecords, u"1, 2, 3, 4", 1252, &n), kScanOk);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(pairs[1][0], 3);
    EXPECT_EQ(pairs[1][1], 4);
    ASSERT_EQ(ScanFieldsW(u"l,l", 1, pairs, 8, kScanRecords, u"5, 6, garbage", 1252, &n), kScanOk);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(pairs[0][0], 5);
    ASSERT_EQ(ScanFieldsW(u"l,l", 4, pairs, 8, kScanRecords, u"(1,2) , ( 3 , 4 ) // two", 1252, &n), kScanOk);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(ScanFieldsW(u"l,l", 4, pairs, 8, kScanRecords, u"(1,2,(3,4)", 1252, &n), kScanSourceMismatch);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(ScanFieldsW(u"l,l", 4, pairs, 8, kScanRecords, u"1 2", 1252, &n), kScanSourceMismatch);
    // A record in parentheses may close before the optional group; only the
    // group's fields may be left out.
    int32_t optional[2][2] = {{0, -1}, {0, -1}};
    ASSERT_EQ(ScanFieldsW(u"l,{l}", 2, optional, 8, kScanRecords, u"(1), (2, 3)", 1252, &n), kScanOk);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(optional[0][0], 1);
    EXPECT_EQ(optional[0][1], -1);
    EXPECT_EQ(optional[1][1], 3);
    EXPECT_EQ(ScanFieldsW(u"l,l", 2, optional, 8, kScanRecords, u"(1), (2, 3)", 1252, &n),
              kScanSourceMismatch);
    EXPECT_EQ(ScanFieldsW(u"{l},{l}", 2, optional, 8, kScanRecords, u"1, 2", 1252, &n), kScanBadFormat);
    // Counting only, and storing through a pointer list.
    ASSERT_EQ(ScanFieldsW(u"l,l", 100, nullptr, 0, kScanCount, u"1,2,3,4,5,6", 1252, &n), kScanOk);
    EXPECT_EQ(n, 3);
    int32_t x = 0, y = 0;
    void* list[] = {&x, &y};
    ASSERT_EQ(ScanFieldsW(u"l,l", 1, list, 2, kScanPointers, u"8, 9", 1252, &n), kScanOk);
    EXPECT_EQ(x, 8);
    EXPECT_EQ(y, 9);
    // A list shorter than the fields read is refused before writing past it.
    EXPECT_EQ(ScanFieldsW(u"l,l", 2, list, 2, kScanPointers, u"1,2,3,4", 1252, &n), kScanBadFormat);
    // Bad arguments.
    EXPECT_EQ(ScanFieldsW(u"l", 0, pairs, 8, kScanRecords, u"1", 1252, &n), kScanBadFormat);
    EXPECT_EQ(ScanFieldsW(u"l", 1, nullptr, 8, kScanRecords, u"1", 1252, &n), kScanBadFormat);
    EXPECT_EQ(ScanFieldsW(u"l", 1, nullptr, 0, kScanPointers, u"1", 1252, &n), kScanBadFormat);
}

TEST(FieldFormat, MalformedFormats) {
    int32_t v[4] = {0, 0, 0, 0};
    int32_t n;
    EXPECT_EQ(ScanFieldsW(u"q", 1, v, 16, kScanRecords, u"1", 1252, &n), kScanBadFormat);
    EXPECT_EQ(ScanFieldsW(u"i3", 1, v, 16, kScanRecords, u"1", 1252, &n), kScanBadFormat);
    EXPECT_EQ(ScanFieldsW(u"b2", 1, v, 16, kScanRecords, u"1", 1252, &n), kScanBadFormat);
    EXPECT_EQ(ScanFieldsW(u"l[0]", 1, v, 16, kScanRecords, u"1", 1252, &n), kScanBadFormat);
    EXPECT_EQ(ScanFieldsW(u"l x", 1, v, 16, kScanRecords, u"1", 1252, &n), kScanBadFormat);
    EXPECT_EQ(ScanFieldsW(u"{l},{l}", 1, v, 16, kScanRecords, u"1,2", 1252, &n), kScanBadFormat);
    // A bad code later in the format: the fields before it are already stored.
    EXPECT_EQ(ScanFieldsW(u"l,l,q", 1, v, 16, kScanRecords, u"4,5,6", 1252, &n), kScanBadFormat);
    EXPECT_EQ(v[0], 4);
    EXPECT_EQ(v[1], 5);
    // An empty or comment-only value gives no records, whatever the format.
    EXPECT_EQ(ScanFieldsW(u"q", 1, v, 16, kScanRecords, u"   ", 1252, &n), kScanOk);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(ScanFieldsW(u"i3", 1, v, 16, kScanRecords, u" // note", 1252, &n), kScanOk);
    // Blanks are allowed around codes, counts and separators.
    EXPECT_EQ(ScanFieldsW(u" l [ 2 ] , { l } ", 1, v, 16, kScanRecords, u"1,2,3", 1252, &n), kScanOk);
    EXPECT_EQ(v[2], 3);
}

TEST(FieldFormat, TextFields) {
    struct {
        char16_t text[4];
    } small{};
    int32_t n;
    EXPECT_EQ(Read(u"Z[4]", u"\"abc\"", &small, 1, &n), kScanOk);
    EXPECT_EQ(std::u16string(small.text), u"abc");
    EXPECT_EQ(Read(u"Z[4]", u"\"abcd\"", &small, 1, &n), kScanSourceMismatch);
    EXPECT_EQ(small.text[3], u'\0'); // cut and terminated inside its field
    EXPECT_EQ(ScanFieldsW(u"Z[4]", 1, nullptr, 0, kScanCount, u"\"abcd\"", 1252, &n), kScanSourceMismatch);
    EXPECT_EQ(ScanFieldsW(u"Z[4]", 1, nullptr, 0, kScanCount, u"\"abc\"", 1252, &n), kScanOk);
    // Bare words keep their case; a '-' ends the word and then fails the record.
    EXPECT_EQ(Read(u"Z[4]", u"  AbC  ", &small, 1, &n), kScanOk);
    EXPECT_EQ(std::u16string(small.text), u"AbC");
    EXPECT_EQ(Read(u"Z[4]", u"a-b", &small, 1, &n), kScanSourceMismatch);
    // Brackets around a counted text, escapes, and a missing closing quote.
    struct {
        char16_t text[8];
    } big{};
    EXPECT_EQ(Read(u"Z[8]", u"( \"a\\\"\\n\" )", &big, 1, &n), kScanOk);
    EXPECT_EQ(std::u16string(big.text), u"a\"\n");
    EXPECT_EQ(Read(u"Z[8]", u"[ x ]", &big, 1, &n), kScanOk);
    EXPECT_EQ(Read(u"Z[8]", u"[ x )", &big, 1, &n), kScanSourceMismatch);
    EXPECT_EQ(Read(u"Z[8]", u"\"open", &big, 1, &n), kScanSourceMismatch);
    EXPECT_EQ(Read(u"Z[8]", u"\"end\\", &big, 1, &n), kScanSourceMismatch);
    // Where no word stands, the field is left as it was, in either width.
    struct {
        char16_t text[8];
        int32_t value;
    } kept{u"keep", 0};
    EXPECT_EQ(Read(u"Z[8],l", u"  , 5", &kept, 1, &n), kScanOk);
    EXPECT_EQ(std::u16string(kept.text), u"keep");
    EXPECT_EQ(kept.value, 5);
    struct {
        char text[8];
    } narrow{"keep"};
    EXPECT_EQ(Read(u"S[8]", u"", &narrow, 1, &n), kScanOk);
    EXPECT_STREQ(narrow.text, "keep");
    // 8-bit text fields convert through the code page, UTF-16 sources into S fields too.
    EXPECT_EQ(Read(u"S[8]", u"\"\x20AC\xE9\"", &narrow, 1, &n), kScanOk);
    EXPECT_STREQ(narrow.text, "\x80\xE9");
    EXPECT_EQ(ScanFieldsA(u"Z[8]", 1, &big, sizeof big, kScanRecords, "\"\xC0\xE1\"", 1251, &n), kScanOk);
    EXPECT_EQ(std::u16string(big.text), u"\x0410\x0431");
    // A converted run that does not fit is cut inside the field.
    struct {
        char16_t text[3];
    } three{};
    EXPECT_EQ(ScanFieldsA(u"Z[3]", 1, &three, sizeof three, kScanRecords, "\"abc\"", 1252, &n),
              kScanSourceMismatch);
    EXPECT_EQ(std::u16string(three.text), u"ab");
}

TEST(ValueReaders, IntegerRanges) {
    struct Case {
        const char16_t* format;
        const char16_t* value;
        bool ok;
        int64_t expected;
    } cases[] = {
        {u"i1", u"-128", true, -128},
        {u"i1", u"128", false, 0},
        {u"i1", u"127", true, 127},
        {u"i2", u"-32769", false, 0},
        {u"u2", u"65535", true, 65535},
        {u"u2", u"65536", false, 0},
        {u"u1", u"-1", false, 0},
        {u"i4", u"+12", true, 12},
        {u"i4", u"-", false, 0},
        {u"x1", u"0x0FF", true, 255},
        {u"x1", u"1FF", false, 0},
        {u"x1", u"#0a", true, 10},
        {u"x2", u"$00000ffff", true, 0xFFFF},
        {u"x4", u"0x", false, 0},
        {u"u8", u"18446744073709551615", true, -1},
        {u"u8", u"18446744073709551616", false, 0},
        {u"i8", u"9223372036854775808", false, 0},
        {u"b1", u"2", false, 0},
        {u"b1", u"Yes", true, 1},
        {u"b4", u"FALSE", true, 0},
        {u"b1", u"maybe", false, 0},
        {u"b1", u"1", true, 1},
    };
    for (const Case& c : cases) {
        int64_t v = 0;
        int32_t n;
        int status = ScanFieldsW(c.format, 1, &v, sizeof v, kScanRecords, c.value, 1252, &n);
        EXPECT_EQ(status == kScanOk, c.ok)
            << std::string(c.value, c.value + std::char_traits<char16_t>::length(c.value));
        if (!c.ok || status != kScanOk) continue;
        char16_t d = c.format[1];
        int size = d == '1' ? 1 : d == '2' ? 2 : d == '4' ? 4 : 8;
        int64_t got = 0;
        if (c.format[0] == 'i') {
            if (size == 1)
                got = static_cast<int8_t>(v);
            else if (size == 2)
                got = static_cast<int16_t>(v);
            else if (size == 4)
                got = static_cast<int32_t>(v);
            else
                got = v;
        } else {
            got = size == 8 ? v : static_cast<int64_t>(static_cast<uint64_t>(v) & ((1ull << (size * 8)) - 1));
        }
        EXPECT_EQ(got, c.expected) << static_cast<char>(c.format[0]) << size;
    }
}

TEST(ValueReaders, Floats) {
    struct Case {
        const char16_t* value;
        bool ok;
        float expected;
    } cases[] = {
        {u"1e39", true, 1e38f}, {u"-.5", true, -0.5f},       {u"5.", true, 5.0f}, {u".", false, 0},
        {u"2e", false, 0},      {u"1.25e-2", true, 0.0125f}, {u"+3", true, 3.0f}, {u"1e-99", true, 1e-38f},
    };
    for (const Case& c : cases) {
        float f = 0;
        int32_t n;
        int status = ScanFieldsW(u"f", 1, &f, sizeof f, kScanRecords, c.value, 1252, &n);
        EXPECT_EQ(status == kScanOk, c.ok);
        if (c.ok) {
            EXPECT_FLOAT_EQ(f, c.expected);
        }
    }
}

TEST(ValueReaders, CharactersInEveryForm) {
    char16_t w;
    EXPECT_TRUE(ParseCharValueW(u"u+0041", 1252, w));
    EXPECT_EQ(w, u'A');
    EXPECT_TRUE(ParseCharValueW(u"41", 1252, w));
    EXPECT_EQ(w, u'A');
    EXPECT_TRUE(ParseCharValueW(u"' '", 1252, w));
    EXPECT_EQ(w, u' ');
    EXPECT_FALSE(ParseCharValueW(u"u+041", 1252, w));
    EXPECT_FALSE(ParseCharValueW(u"u+00411", 1252, w));
    EXPECT_FALSE(ParseCharValueW(u"141", 1252, w));
    // Into an 8-bit field the code page decides; a character outside it fails.
    char c[2] = {};
    int32_t n;
    EXPECT_EQ(ScanFieldsW(u"C,C", 1, c, 2, kScanRecords, u"'\x20AC', 0x41", 1252, &n), kScanOk);
    EXPECT_EQ(c[0], '\x80');
    EXPECT_EQ(c[1], 'A');
    EXPECT_EQ(ScanFieldsW(u"C", 1, c, 1, kScanRecords, u"u+65E5", 932, &n), kScanSourceMismatch); // two bytes
    EXPECT_EQ(ScanFieldsW(u"C", 1, c, 1, kScanRecords, u"u+0410", 1252, &n), kScanOk);
    EXPECT_EQ(c[0], '?');
    // From 8-bit text: hexadecimal bytes and quoted characters go through the code page.
    char16_t two[2];
    EXPECT_EQ(ScanFieldsA(u"W,W", 1, two, 4, kScanRecords, "C0, 'z'", 1251, &n), kScanOk);
    EXPECT_EQ(two[0], u'\x0410');
    EXPECT_EQ(two[1], u'z');
    EXPECT_EQ(ScanFieldsA(u"C", 1, c, 1, kScanRecords, "u+0141", 1251, &n), kScanOk);
    EXPECT_EQ(c[0], '\x41');
}

TEST(ValueReaders, WholeValues) {
    int32_t i;
    EXPECT_TRUE(ParseIntValueW(u"-2147483648 // lowest", i));
    EXPECT_EQ(i, INT32_MIN);
    EXPECT_FALSE(ParseIntValueW(u"2147483648", i));
    EXPECT_FALSE(ParseIntValueW(u"0x10", i));
    EXPECT_FALSE(ParseIntValueW(u"12 13", i));
    uint32_t u;
    EXPECT_TRUE(ParseHexValueW(u"10", u));
    EXPECT_EQ(u, 16u);
    EXPECT_TRUE(ParseHexValueW(u"#FFa0b0c0", u));
    EXPECT_EQ(u, 0xFFA0B0C0u);
    EXPECT_FALSE(ParseHexValueW(u"1FFFFFFFF", u));
}

TEST(ValueReaders, StringValuesAreBoundedByTheirBuffer) {
    char16_t buf[6];
    uint32_t written;
    EXPECT_EQ(ScanStringValueW(u"\"hello\" // greeting", buf, 6, 1252, written), kStringRead);
    EXPECT_EQ(std::u16string(buf), u"hello");
    EXPECT_EQ(ScanStringValueW(u"\"hello world\"", buf, 6, 1252, written), kStringCut);
    EXPECT_EQ(written, 5u);
    EXPECT_EQ(std::u16string(buf), u"hello");
    EXPECT_EQ(ScanStringValueW(u"plain // kept", static_cast<char16_t*>(nullptr), 0, 1252, written),
              kStringRead);
    EXPECT_EQ(written, 13u);
    EXPECT_EQ(ScanStringValueW(u"\"a\" b", buf, 6, 1252, written), kStringInvalid);
    EXPECT_EQ(ScanStringValueW(u"\"abcdefgh\" b", buf, 6, 1252, written), kStringInvalid | kStringCut);
    EXPECT_EQ(ScanStringValueW(u"x", static_cast<char16_t*>(nullptr), 4, 1252, written), kStringNullBuffer);
    // Into an 8-bit buffer through the code page, cut at the buffer's end.
    char narrow[3];
    EXPECT_EQ(ScanStringValueW(u"\x0410\x0411\x0412", narrow, 3, 1251, written), kStringCut);
    EXPECT_STREQ(narrow, "\xC0\xC1");
    char16_t one[1];
    EXPECT_EQ(ScanStringValueW(u"abc", one, 1, 1252, written), kStringCut);
    EXPECT_EQ(one[0], u'\0');
}

TEST(TextCopies, CutAndTerminate) {
    char16_t buf[4];
    uint32_t written;
    EXPECT_TRUE(CopyTextW(buf, 4, u"abc", kUnboundedLength, 1252, &written));
    EXPECT_EQ(written, 3u);
    EXPECT_FALSE(CopyTextW(buf, 4, u"abcd", 4, 1252, &written));
    EXPECT_EQ(std::u16string(buf), u"abc");
    EXPECT_FALSE(CopyTextA(buf, 4, "\x80\x80\x80\x80", 4, 1252, &written));
    EXPECT_EQ(std::u16string(buf), u"\x20AC\x20AC\x20AC");
    char narrow[4];
    EXPECT_TRUE(CopyTextToAnsiW(narrow, 4, u"\xE9t\xE9", 3, 1252, &written));
    EXPECT_STREQ(narrow, "\xE9t\xE9");
    // A multi-byte character that does not fit leaves no half behind.
    EXPECT_FALSE(CopyTextToAnsiW(narrow, 4, u"a\x65E5\x672C", 3, 932, &written));
    EXPECT_EQ(written, 3u);
    EXPECT_FALSE(CopyTextToAnsiW(narrow, 3, u"a\x65E5\x672C", 3, 932, &written));
    EXPECT_EQ(written, 1u);
    EXPECT_STREQ(narrow, "a");
    EXPECT_TRUE(CopyTextW(nullptr, 0, u"abc", 3, 1252, &written));
    EXPECT_EQ(written, 3u);
}
