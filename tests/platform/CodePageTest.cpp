#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <string>

using platform::ConvertStatus;

namespace {

std::u16string Decode(uint32_t cp, const std::string& bytes) {
    char16_t out[64];
    platform::ConvertResult r = platform::MultiByteToUtf16(cp, bytes.data(), bytes.size(), out, 64);
    EXPECT_EQ(r.status, ConvertStatus::Ok) << "code page " << cp;
    return std::u16string(out, r.count);
}

std::string Encode(uint32_t cp, const std::u16string& text) {
    char out[64];
    platform::ConvertResult r = platform::Utf16ToMultiByte(cp, text.data(), text.size(), out, 64);
    EXPECT_EQ(r.status, ConvertStatus::Ok) << "code page " << cp;
    return std::string(out, r.count);
}

} // namespace

TEST(CodePage, BuiltInPagesMapTheirCharacteristicBytes) {
    struct Case {
        uint32_t cp;
        unsigned char byte;
        char16_t unit;
    } cases[] = {
        {1252, 0x80, u'\x20AC'}, {1252, 0xE9, u'\xE9'},  {1252, 0x9F, u'\x178'}, {1250, 0x8A, u'\x160'},
        {1250, 0xE8, u'\x10D'},  {1251, 0xC0, u'\x410'}, {1251, 0xFF, u'\x44F'}, {1253, 0xC1, u'\x391'},
        {1254, 0xF0, u'\x11F'},  {1255, 0xE0, u'\x5D0'}, {1256, 0xC7, u'\x627'}, {1257, 0xE0, u'\x105'},
        {1258, 0xD2, u'\x309'},  {874, 0xA1, u'\xE01'},  {874, 0x80, u'\x20AC'},
    };
    for (const Case& c : cases) {
        std::string byte(1, static_cast<char>(c.byte));
        EXPECT_EQ(Decode(c.cp, byte), std::u16string(1, c.unit)) << c.cp << " byte " << int(c.byte);
        EXPECT_EQ(Encode(c.cp, std::u16string(1, c.unit)), byte) << c.cp << " unit " << int(c.unit);
    }
}

TEST(CodePage, EveryDefinedByteOfTheBuiltInPagesRoundTrips) {
    for (uint32_t cp : {874u, 1250u, 1251u, 1252u, 1253u, 1254u, 1255u, 1256u, 1257u, 1258u}) {
        std::string all;
        for (int b = 1; b < 256; ++b)
            all.push_back(static_cast<char>(b));
        std::u16string wide = platform::ToUtf16(all, cp);
        ASSERT_EQ(wide.size(), all.size());
        std::string back = platform::FromUtf16(wide, cp);
        ASSERT_EQ(back.size(), all.size());
        for (size_t i = 0; i < all.size(); ++i) {
            if (wide[i] == u'?' && all[i] != '?')
                EXPECT_EQ(back[i], '?') << cp; // an undefined byte stays unmapped
            else
                EXPECT_EQ(back[i], all[i]) << cp << " byte " << i + 1;
        }
    }
}

TEST(CodePage, UnmappableCharactersBecomeQuestionMarks) {
    EXPECT_EQ(Decode(1252, "a\x81z"), u"a?z");            // undefined in 1252
    EXPECT_EQ(Encode(1252, u"x\x0410y"), "x?y");          // Cyrillic A is not in 1252
    EXPECT_EQ(Encode(1252, u"\xD83D\xDE00!"), "?!");      // one character outside the BMP: one '?'
    EXPECT_EQ(Encode(28591, u"\x0410\x00E9"), "?\xE9");   // through iconv
    EXPECT_EQ(Encode(932, u"\x3042\x0E01"), "\x82\xA0?"); // hiragana a, then a Thai letter
}

TEST(CodePage, Utf8CodecHandlesAllLengthsAndInvalidInput) {
    const std::u16string text = u"A\xE9\x20AC\xD83D\xDE00";
    const std::string utf8 = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    EXPECT_EQ(Encode(platform::kCodePageUtf8, text), utf8);
    EXPECT_EQ(Decode(platform::kCodePageUtf8, utf8), text);
    // Overlong forms, encoded surrogates and stray continuation bytes are invalid.
    EXPECT_EQ(Decode(platform::kCodePageUtf8, "\xC0\xAF"), u"\xFFFD\xFFFD");
    EXPECT_EQ(Decode(platform::kCodePageUtf8, "\xED\xA0\x80x"), u"\xFFFD\xFFFD\xFFFDx");
    EXPECT_EQ(Decode(platform::kCodePageUtf8, "\xE2\x82"), u"\xFFFD");
    EXPECT_EQ(Decode(platform::kCodePageUtf8, "\x80"), u"\xFFFD");
    // An unpaired surrogate is written as U+FFFD.
    EXPECT_EQ(Encode(platform::kCodePageUtf8, u"\xDC00"), "\xEF\xBF\xBD");
}

TEST(CodePage, IconvCoversMultiByteAndOtherSingleBytePages) {
    EXPECT_EQ(Decode(28595, "\xB0"), u"\x0410");                 // ISO-8859-5
    EXPECT_EQ(Decode(20866, "\xE1"), u"\x0410");                 // KOI8-R
    EXPECT_EQ(Decode(10000, "\x8E"), u"\xE9");                   // Mac Roman
    EXPECT_EQ(Decode(932, "\x93\xFA\x96\x7B"), u"\x65E5\x672C"); // Shift-JIS: "Japan"
    EXPECT_EQ(Decode(936, "\xC4\xE3"), u"\x4F60");
    EXPECT_EQ(Decode(51949, "\xB0\xA1"), u"\xAC00"); // EUC-KR
    // A stateful encoding returns to ASCII at the end of the text.
    std::string jis = Encode(50220, u"\x3042");
    EXPECT_EQ(jis, "\x1B$B$\"\x1B(B");
    EXPECT_EQ(Decode(50220, jis), u"\x3042");
}

TEST(CodePage, HzFramesGb2312InSevenBits) {
    // "a~b", then two Chinese characters in "~{" ... "~}", then "c".
    const std::u16string text = u"a~b\x4E2D\x6587"
                                u"c";
    const std::string hz = "a~~b~{VPND~}c";
    EXPECT_TRUE(platform::IsCodePageAvailable(52936));
    EXPECT_EQ(Encode(52936, text), hz);
    EXPECT_EQ(Decode(52936, hz), text);
    EXPECT_EQ(Decode(52936, "x~\ny"), u"xy");      // a tilde before a line feed joins the lines
    EXPECT_EQ(Encode(52936, u"\x4E2D"), "~{VP~}"); // the text ends back in single bytes
    EXPECT_EQ(platform::ToUtf16("plain text", 52936), u"plain text");

    // Whole characters only, with their shift: "~{VP" needs four bytes.
    char small[5] = {};
    platform::ConvertResult cut = platform::Utf16ToMultiByte(52936, u"ab\x4E2D", 3, small, 5);
    EXPECT_EQ(cut.status, ConvertStatus::BufferTooSmall);
    EXPECT_EQ(cut.count, 2u);
    platform::ConvertResult need = platform::Utf16ToMultiByte(52936, text.data(), text.size(), nullptr, 0);
    EXPECT_TRUE(need.Ok());
    EXPECT_EQ(need.count, hz.size());
}

TEST(CodePage, MeasuresAndFillsExactBuffers) {
    const std::u16string text = u"\x65E5\x672C-\x65E5";
    platform::ConvertResult need = platform::Utf16ToMultiByte(932, text.data(), text.size(), nullptr, 0);
    ASSERT_TRUE(need.Ok());
    EXPECT_EQ(need.count, 7u);
    char exact[7];
    EXPECT_TRUE(platform::Utf16ToMultiByte(932, text.data(), text.size(), exact, 7).Ok());
    // One byte short: whole characters only are written, and the result says why.
    char small[6] = {};
    platform::ConvertResult cut = platform::Utf16ToMultiByte(932, text.data(), text.size(), small, 6);
    EXPECT_EQ(cut.status, ConvertStatus::BufferTooSmall);
    EXPECT_EQ(cut.count, 5u);
    // The same for the UTF-8 codec, the tables and the measuring of long texts.
    char u8[3];
    platform::ConvertResult u8cut = platform::Utf16ToMultiByte(platform::kCodePageUtf8, u"a\x20AC", 2, u8, 3);
    EXPECT_EQ(u8cut.status, ConvertStatus::BufferTooSmall);
    EXPECT_EQ(u8cut.count, 1u);
    char16_t wide[2];
    platform::ConvertResult tcut = platform::MultiByteToUtf16(1251, "abc", 3, wide, 2);
    EXPECT_EQ(tcut.status, ConvertStatus::BufferTooSmall);
    EXPECT_EQ(tcut.count, 2u);
    std::string longText(5000, '\xA4');
    EXPECT_EQ(platform::MultiByteToUtf16(936, longText.data(), longText.size(), nullptr, 0).count, 2500u);
}

TEST(CodePage, UnknownPagesAndBadArgumentsFailDistinctly) {
    char16_t out[4];
    EXPECT_EQ(platform::MultiByteToUtf16(12345, "a", 1, out, 4).status, ConvertStatus::Unavailable);
    EXPECT_EQ(platform::Utf16ToMultiByte(12345, u"a", 1, nullptr, 0).status, ConvertStatus::Unavailable);
    EXPECT_EQ(platform::MultiByteToUtf16(1252, nullptr, 3, out, 4).status, ConvertStatus::BadArgument);
    EXPECT_FALSE(platform::IsCodePageAvailable(12345));
    EXPECT_TRUE(platform::IsCodePageAvailable(28605));
}

TEST(CodePage, ActivePageIs1252UntilChanged) {
    EXPECT_EQ(platform::ActiveCodePage(), 1252u);
    EXPECT_EQ(platform::ToUtf16("\x80"), u"\x20AC");
    EXPECT_TRUE(platform::SetActiveCodePage(1251));
    EXPECT_EQ(platform::ToUtf16("\xC0"), u"\x0410");
    EXPECT_EQ(platform::FromUtf16(u"\x0410", platform::kCodePageActive), "\xC0");
    EXPECT_FALSE(platform::SetActiveCodePage(12345));
    EXPECT_EQ(platform::ActiveCodePage(), 1251u);
    EXPECT_TRUE(platform::SetActiveCodePage(1252));
}
