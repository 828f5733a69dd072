#include "foundation/Ident.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

uint32_t Crc(const char* text, uint32_t skip = 0, uint32_t previous = 0) {
    return kis::Crc32(text, uint32_t(std::strlen(text)), skip, previous);
}

} // namespace

TEST(Crc32, MatchesTheStandardCheckValues) {
    EXPECT_EQ(Crc("123456789"), 0xCBF43926u);
    EXPECT_EQ(Crc("abc"), 0x352441C2u);
    EXPECT_EQ(Crc(""), 0u);
}

TEST(Crc32, ChainedCallsEqualOneCallOverTheJoinedBytes) {
    EXPECT_EQ(Crc("c", 0, Crc("ab")), Crc("abc"));
    EXPECT_EQ(Crc("56789", 0, Crc("1234")), 0xCBF43926u);
}

TEST(Crc32, SkipStartsPartWayAndBeyondTheEndReturnsPrevious) {
    EXPECT_EQ(Crc("xx123456789", 2), 0xCBF43926u);
    EXPECT_EQ(Crc("abc", 4, 0x12345678u), 0x12345678u);
    EXPECT_EQ(Crc("abc", 3, 0x12345678u), 0x12345678u);
}

TEST(NameId, GivesTheKnownIdsOfGameNames) {
    EXPECT_EQ(kis::NameId(u"params"), 0x7031F10Cu);
    EXPECT_EQ(kis::NameId(u"wheat"), 0xE92F0DD9u);
    EXPECT_EQ(kis::NameId(u"default"), 0x1CA1FF20u);
    EXPECT_EQ(kis::NameId(u"true"), 0x0203B372u);
    EXPECT_EQ(kis::NameId("params"), 0x7031F10Cu);
    EXPECT_EQ(kis::NameId("WHEAT"), 0xE92F0DD9u);
}

TEST(NameId, IsTheInvertedCrcOfTheLowerCasedName) {
    EXPECT_EQ(kis::NameId(u"Some_Name_42"), ~Crc("some_name_42"));
}

TEST(NameId, IsZeroForInvalidEmptyOrTooLongNames) {
    EXPECT_EQ(kis::NameId(static_cast<const char16_t*>(nullptr)), 0u);
    EXPECT_EQ(kis::NameId(static_cast<const char*>(nullptr)), 0u);
    EXPECT_EQ(kis::NameId(u""), 0u);
    EXPECT_EQ(kis::NameId(u"wheat field"), 0u);
    EXPECT_EQ(kis::NameId(u"wheat-x"), 0u);
    EXPECT_EQ(kis::NameId(u" wheat"), 0u);
    EXPECT_EQ(kis::NameId("abcdefghijklmnopqrstuvwxyz012345"), 0u); // 32 characters
    EXPECT_NE(kis::NameId("abcdefghijklmnopqrstuvwxyz01234"), 0u);  // 31 characters
    // Only the low 8 bits of a character enter the hash, but a non-ASCII
    // character is not a name character at all.
    EXPECT_EQ(kis::NameId(u"wh\u00E9at"), 0u);
}

TEST(IdentParse, StoresTheLowerCasedNameItsLengthAndHash) {
    kis::Ident id;
    ASSERT_TRUE(id.Parse(u"Params", kis::Ident::kTerminated, false));
    EXPECT_EQ(std::u16string(id.name), u"params");
    EXPECT_EQ(id.length, 6u);
    EXPECT_EQ(id.hash, 0x7031F10Cu);
}

TEST(IdentParse, RejectsNullZeroLengthEmptyAndOverlongNames) {
    kis::Ident id;
    EXPECT_FALSE(id.Parse(nullptr, kis::Ident::kTerminated, false));
    EXPECT_FALSE(id.Parse(u"abc", 0, false));
    EXPECT_FALSE(id.Parse(u"", kis::Ident::kTerminated, false));
    EXPECT_FALSE(id.Parse(u"abcdefghijklmnopqrstuvwxyz012345", kis::Ident::kTerminated, false));
    EXPECT_TRUE(id.Parse(u"abcdefghijklmnopqrstuvwxyz01234", kis::Ident::kTerminated, false));
    EXPECT_EQ(id.length, 31u);
}

TEST(IdentParse, EmptyNameLeavesTheHashAsItWas) {
    kis::Ident id;
    ASSERT_TRUE(id.Parse(u"wheat", kis::Ident::kTerminated, false));
    EXPECT_FALSE(id.Parse(u"-", kis::Ident::kTerminated, false));
    EXPECT_EQ(id.hash, 0xE92F0DD9u);
    EXPECT_EQ(id.length, 0u);
}

TEST(IdentParse, SkipsBlanksAroundTheNameWhenAsked) {
    kis::Ident id;
    EXPECT_TRUE(id.Parse(u"wheat ", kis::Ident::kTerminated, true));
    EXPECT_EQ(id.hash, 0xE92F0DD9u);
    EXPECT_TRUE(id.Parse(u" \tWheat\t ", kis::Ident::kTerminated, true));
    EXPECT_EQ(std::u16string(id.name), u"wheat");
    EXPECT_FALSE(id.Parse(u"wheat ", kis::Ident::kTerminated, false));
    EXPECT_FALSE(id.Parse(u" wheat", kis::Ident::kTerminated, false));
}

TEST(IdentParse, ReportsConsumedCharactersInsteadOfRequiringTheWholeText) {
    kis::Ident id;
    EXPECT_FALSE(id.Parse(u"wheat-x", kis::Ident::kTerminated, false));
    uint32_t consumed = 0;
    EXPECT_TRUE(id.Parse(u"wheat-x", kis::Ident::kTerminated, false, &consumed));
    EXPECT_EQ(consumed, 5u);
    EXPECT_TRUE(id.Parse(u"  wheat  =1", kis::Ident::kTerminated, true, &consumed));
    EXPECT_EQ(consumed, 9u);
    // A failed parse leaves consumed at the maximum length.
    EXPECT_FALSE(id.Parse(u"=", 7, false, &consumed));
    EXPECT_EQ(consumed, 7u);
}

TEST(IdentParse, GivenLengthMustBeUsedUpWithoutConsumed) {
    kis::Ident id;
    EXPECT_TRUE(id.Parse(u"wheatfield", 5, false));
    EXPECT_EQ(id.hash, 0xE92F0DD9u);
    EXPECT_FALSE(id.Parse(u"wheat-", 6, false));
    EXPECT_FALSE(id.Parse(u"ab", 5, false)); // stopped by the terminator before the length
    EXPECT_FALSE(id.Parse(u"wheat  ", 7, false));
    EXPECT_TRUE(id.Parse(u"wheat  ", 7, true));
}

TEST(IdentParse, AcceptsExtraCharactersAsTheyAre) {
    kis::Ident id;
    EXPECT_TRUE(id.Parse(u"a.b-C", kis::Ident::kTerminated, false, nullptr, u".-"));
    EXPECT_EQ(std::u16string(id.name), u"a.b-c");
    EXPECT_EQ(id.hash, ~Crc("a.b-c"));
}

TEST(IdentEquals, ComparesHashLengthAndCharacters) {
    kis::Ident a, b, c;
    ASSERT_TRUE(a.Parse(u"Wheat", kis::Ident::kTerminated, false));
    ASSERT_TRUE(b.Parse(u"wHEAT", kis::Ident::kTerminated, false));
    ASSERT_TRUE(c.Parse(u"wheat_", kis::Ident::kTerminated, false));
    EXPECT_TRUE(a.Equals(b));
    EXPECT_FALSE(a.Equals(c));
    b.name[2] = u'x'; // same hash and length, different text
    EXPECT_FALSE(a.Equals(b));
}
