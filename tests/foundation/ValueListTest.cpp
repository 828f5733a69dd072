#include "foundation/ValueList.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace kis;

TEST(ValueList, ReadsPairsAndLeavesUnreadableTargetsAlone) {
    uint32_t w = 1, h = 2;
    EXPECT_EQ(ScanValuesW(u"800, 600", u"ui4,ui4", u',', 0, -1, &w, &h), 2);
    EXPECT_EQ(w, 800u);
    EXPECT_EQ(h, 600u);

    w = 1, h = 2;
    EXPECT_EQ(ScanValuesW(u"1024", u"ui4,ui4", u',', 0, -1, &w, &h), 1);
    EXPECT_EQ(w, 1024u);
    EXPECT_EQ(h, 2u);

    w = 1, h = 2;
    EXPECT_EQ(ScanValuesW(u"1024 ,768", u"ui4, ui4", u',', 0, -1, &w, &h), 1); // blank before the comma
    EXPECT_EQ(w, 1u);
    EXPECT_EQ(h, 768u);

    EXPECT_EQ(ScanValuesW(u"", u"ui4", u',', 0, -1, &w), 0);
    EXPECT_EQ(ScanValuesW(nullptr, u"ui4", u',', 0, -1, &w), 0);
}

TEST(ValueList, CodesGiveTheirTypesAndWidths) {
    int8_t i1 = 0;
    int16_t i2 = 0;
    int32_t i4 = 0, b4 = 0;
    uint8_t ui1 = 0, b = 0, x1 = 0;
    uint16_t ui2 = 0, x2 = 0;
    uint32_t ui4 = 0, x4 = 0;
    int8_t c = 0;
    float f = 0;
    int32_t read = ScanValuesW(u"-129,40000,-7,257,65537,4294967295,0x1ff,#FFFF1,$DEADBEEF,-5,300,-2,1.5e+1",
                               u"i1,I2,i4,ui1,ui2,UI4,x1,x2,x4,b4,b,c,f", u',', 0, -1, &i1, &i2, &i4, &ui1,
                               &ui2, &ui4, &x1, &x2, &x4, &b4, &b, &c, &f);
    EXPECT_EQ(read, 13);
    EXPECT_EQ(i1, 127); // -129 cut to 8 bits
    EXPECT_EQ(i2, -25536);
    EXPECT_EQ(i4, -7);
    EXPECT_EQ(ui1, 1);
    EXPECT_EQ(ui2, 1);
    EXPECT_EQ(ui4, 4294967295u);
    EXPECT_EQ(x1, 0xFF);
    EXPECT_EQ(x2, 0xFFF1);
    EXPECT_EQ(x4, 0xDEADBEEFu);
    EXPECT_EQ(b4, -5);
    EXPECT_EQ(b, 44);
    EXPECT_EQ(c, -2);
    EXPECT_FLOAT_EQ(f, 15.0f);

    // Hexadecimal is strict; unknown codes pass over a value; short codes
    // match the first name they begin ("i" is "i1").
    uint8_t strict = 9;
    int32_t after = 0;
    int8_t shortCode = 0;
    EXPECT_EQ(ScanValuesW(u"1g,skipped,3,-4", u"x1,zz,i4,i", u',', 0, -1, &strict, &after, &shortCode), 2);
    EXPECT_EQ(strict, 9);
    EXPECT_EQ(after, 3);
    EXPECT_EQ(shortCode, -4);
    // An empty code is as short as can be: it matches the first name, "i1".
    int8_t empty = 0;
    int32_t second = 0;
    EXPECT_EQ(ScanValuesW(u"-129, 300", u",i4", u',', 0, -1, &empty, &second), 2);
    EXPECT_EQ(empty, 127);
    EXPECT_EQ(second, 300);
}

TEST(ValueList, TextTargetsAlwaysHaveACapacity) {
    char16_t name[6] = u"-----";
    char16_t code[16] = u"";
    char16_t heap[4];
    int32_t n = 0;
    EXPECT_EQ(ScanValuesW(u"wheatfield, ABCDEFGHIJ,xyz,7", u"s,s4,s,i4", u',', 0, -1, name, code,
                          TextOut<char16_t>{heap, 4}, &n),
              4);
    EXPECT_EQ(std::u16string(name), u"wheat"); // the array's own size
    EXPECT_EQ(std::u16string(code), u"ABC");   // s4: three characters
    EXPECT_EQ(std::u16string(heap), u"xyz");
    EXPECT_EQ(n, 7);

    char narrow[8];
    EXPECT_EQ(ScanValuesA("a;b;c", "s,s", ';', 1, -1, narrow, nullptr), 1); // skip one value
    EXPECT_EQ(std::string(narrow), "b");
}

TEST(ValueList, RecordsSkipsPassesAndRunningOutOfTargets) {
    int32_t v[5] = {0, 0, 0, 0, 0};
    EXPECT_EQ(ScanValuesW(u"1,2,3,4,5,6,7", u"i4", u',', 2, 3, &v[0], &v[1], &v[2], &v[3]), 3);
    EXPECT_EQ(v[0], 3);
    EXPECT_EQ(v[2], 5);
    EXPECT_EQ(v[3], 0);

    int32_t a = 0, b = 0;
    float ignored = 0;
    EXPECT_EQ(ScanValuesW(u"10,20,30,40", u"i4", u',', 0, -1, &a, &b), 2); // stops when targets run out
    EXPECT_EQ(ScanValuesW(u"10,20", u"p,i4,i4", u',', 0, -1, &ignored, &a, &b), 2);
    EXPECT_EQ(a, 10);
    EXPECT_EQ(b, 20);
    EXPECT_EQ(ScanValuesW(u"10,20", u"i4,i4", u',', 0, -1, nullptr, &b), 1); // null target passed over
    EXPECT_EQ(ScanValuesW(u"1,2", u"p", u',', 0, -1, &a, &b), 0);            // reads nothing, so ends

    int32_t notAFloat = 5;
    EXPECT_EQ(ScanValuesW(u"2.5", u"f", u',', 0, -1, &notAFloat), 0);
    EXPECT_EQ(notAFloat, 5);
}

TEST(ValueList, SlotsHoldNumbersAndTextsAndNeverOverrun) {
    uint32_t slots[6];
    std::memset(slots, 0xAB, sizeof slots);
    EXPECT_EQ(ScanValueSlotsW(u"7,-1,hello world,0x10", u"i4,i1,s5,x4", u',', 0, -1, slots, 5), 3);
    EXPECT_EQ(slots[0], 7u);
    EXPECT_EQ(slots[1], 0xABABABFFu); // one byte written
    char16_t text[5];
    std::memcpy(text, &slots[2], sizeof text);
    EXPECT_EQ(std::u16string(text), u"hell"); // s5 takes (2 * 5 + 3) / 4 = 3 slots (2..4)...
    EXPECT_EQ(slots[5], 0xABABABABu);         // ...so the x4 had no slot left

    uint32_t many[3];
    std::memset(many, 0, sizeof many);
    EXPECT_EQ(ScanValueSlotsA("1,2,3,4,5,6,7,8", "ui1", ',', 0, -1, many, 2), 2);
    EXPECT_EQ(many[2], 0u);
}
