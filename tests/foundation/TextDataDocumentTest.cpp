#include "foundation/TextDataDocument.h"
#include "platform/Random.h"
#include "platform/Utf.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

using namespace kis;

namespace {

struct Loaded {
    std::unique_ptr<TDRDocument> doc;
    bool ok = false;
};

// Writes the bytes to a file and loads it.
Loaded LoadBytes(const std::string& bytes) {
    testsupport::TempDir dir;
    std::string path = dir.File("doc.txt");
    EXPECT_TRUE(testsupport::WriteFileBytes(path, bytes));
    std::u16string name = platform::Utf8ToUtf16(path);
    TDRDocument* doc = nullptr;
    Loaded result;
    result.ok = TDRDocument::Load(name.c_str(), doc);
    result.doc.reset(doc);
    EXPECT_EQ(result.ok, doc != nullptr);
    return result;
}

std::string Utf16LE(const std::u16string& text, bool mark = true) {
    std::string out = mark ? "\xFF\xFE" : "";
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

std::string Utf16BE(const std::u16string& text) {
    std::string out = "\xFE\xFF";
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c >> 8));
        out.push_back(static_cast<char>(c & 0xFF));
    }
    return out;
}

std::u16string Str(TDRDocument& doc, const char16_t* key) {
    char16_t buf[128];
    uint32_t n = doc.GetString(key, buf, 128, u"<none>");
    return std::u16string(buf, n);
}

} // namespace

TEST(TextDataDocument, LoadsEveryEncodingAndCharsetHeader) {
    const std::u16string body = u"name = \"K\x00E4se\"\r\n";
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"8-bit", "name = \"K\xE4se\"\r\n"},
        {"UTF-8", "\xEF\xBB\xBFname = \"K\xC3\xA4se\"\n"},
        {"UTF-16LE", Utf16LE(body)},
        {"UTF-16BE", Utf16BE(body)},
        {"charset header", "<charset=\"windows-1252\">\nname = \"K\xE4se\""},
    };
    for (const Case& c : cases) {
        Loaded l = LoadBytes(c.bytes);
        ASSERT_TRUE(l.ok) << c.what;
        EXPECT_EQ(Str(*l.doc, u"name"), u"K\x00E4se") << c.what;
    }
    // The header's code page decides how 8-bit text reads, bare or quoted, in any case.
    for (const char* header : {"<charset=windows-1251>", "  < CHARSET = \"Windows-1251\" >"}) {
        Loaded l = LoadBytes(std::string(header) + "\nname = \xC0\xC1\n");
        ASSERT_TRUE(l.ok);
        EXPECT_EQ(l.doc->GetCodePage(), 1251u);
        EXPECT_EQ(Str(*l.doc, u"name"), u"\x0410\x0411");
    }
    Loaded unknown = LoadBytes("<charset=klingon-1>\nname = \xC0\n");
    ASSERT_TRUE(unknown.ok);
    EXPECT_EQ(unknown.doc->GetCodePage(), 1252u);
    // A header in UTF-16 text is read too, and converts the 8-bit getter's output.
    Loaded wide = LoadBytes(Utf16LE(u"<charset=\"windows-1251\">\r\nname=\x0410"));
    ASSERT_TRUE(wide.ok);
    char narrow[8];
    EXPECT_EQ(wide.doc->GetStringA("name", narrow, 8, "x"), 1u);
    EXPECT_STREQ(narrow, "\xC0");
    // 8-bit text in a multi-byte code page loads only when every character is one byte.
    EXPECT_TRUE(LoadBytes("<charset=shift-jis>\nname = abc\n").ok);
    EXPECT_FALSE(LoadBytes("<charset=shift-jis>\nname = \x93\xFA\n").ok);
}

TEST(TextDataDocument, MarksAndSizeLimits) {
    EXPECT_TRUE(LoadBytes("").ok);
    EXPECT_TRUE(LoadBytes("\xEF\xBB\xBF").ok);
    EXPECT_TRUE(LoadBytes("\xFF\xFE").ok);
    EXPECT_FALSE(LoadBytes("// only a comment\r\n\r\n").ok);
    EXPECT_FALSE(LoadBytes(std::string("\xFF\xFE\0\0a=1", 7)).ok);
    EXPECT_FALSE(LoadBytes(std::string("\0\0\xFE\xFF", 4)).ok);
    EXPECT_FALSE(LoadBytes("\xFF\xFE"
                           "a=1")
                     .ok); // odd UTF-16

    // 8-bit: 4,194,304 bytes load, one more does not.
    std::string narrow = "a=" + std::string(kTdrMaxNarrowBytes - 2, 'x');
    EXPECT_TRUE(LoadBytes(narrow).ok);
    EXPECT_FALSE(LoadBytes(narrow + "x").ok);
    // UTF-16: the whole file may hold 8,388,608 bytes, mark included.
    std::string wide = Utf16LE(u"a=") + std::string(kTdrMaxFileBytes - 6, ' ');
    ASSERT_EQ(wide.size(), kTdrMaxFileBytes);
    EXPECT_TRUE(LoadBytes(wide).ok);
    EXPECT_FALSE(LoadBytes(wide + "  ").ok);
    EXPECT_TRUE(LoadBytes(Utf16LE(u"a=") + std::string(4194306 - 4, ' ')).ok);
    // UTF-8: at most 4,194,304 UTF-16 characters after conversion.
    std::string utf8 = "\xEF\xBB\xBF"
                       "a=" +
                       std::string(kTdrMaxUtf8Characters - 2, 'y');
    EXPECT_TRUE(LoadBytes(utf8).ok);
    EXPECT_FALSE(LoadBytes(utf8 + "y").ok);
}

TEST(TextDataDocument, LineGrammar) {
    Loaded l = LoadBytes("// settings\r\n"
                         "Speed = 12   \r\n"
                         "empty =   \n"
                         "note = a // b \"q\" \\x\n"
                         "quoted = \"hay\"   // comment\n"
                         "9lives=cat\n"
                         "barn { color = 1\n"
                         "  size = 3\n"
                         "}\n"
                         "shed { }\n"
                         "junk line here\n"
                         "shed {\n"
                         "  size = 4\n"
                         "}\n");
    ASSERT_TRUE(l.ok);
    TDRDocument& d = *l.doc;
    EXPECT_EQ(d.GetInt(u"speed", 0), 12);
    uint32_t len = 99;
    EXPECT_EQ(std::u16string(d.GetValue(u"empty", &len)), u"");
    EXPECT_EQ(len, 0u);
    EXPECT_EQ(std::u16string(d.GetValue(u"NOTE", &len)), u"a // b \"q\" \\x");
    EXPECT_EQ(Str(d, u"note"), u"a // b \"q\" x");
    EXPECT_EQ(Str(d, u"quoted"), u"hay");
    EXPECT_EQ(Str(d, u"9lives"), u"cat");
    EXPECT_EQ(d.GetEntryCount(), 5u);
    EXPECT_EQ(std::u16string(d.GetKeyAt(0, &len)), u"Speed");
    EXPECT_EQ(d.GetKeyAt(5, &len), nullptr);
    EXPECT_EQ(d.GetErrors(), kTdrMissingEntry);

    ASSERT_TRUE(d.EnterSection(u"barn", false));
    EXPECT_FALSE(d.HasKey(u"color")); // lost after "{" on the section's own line
    EXPECT_EQ(d.GetInt(u"size", 0), 3);
    ASSERT_TRUE(d.EnterSection(u"shed", false));
    EXPECT_EQ(d.GetEntryCount(), 0u); // the empty, closed one
    ASSERT_TRUE(d.NextSection());
    EXPECT_EQ(d.GetInt(u"size", 0), 4);
    EXPECT_FALSE(d.NextSection());
    EXPECT_TRUE(d.LeaveSection());
    EXPECT_FALSE(d.LeaveSection());
    EXPECT_FALSE(d.Rewind());

    EXPECT_FALSE(LoadBytes("a=1\n}\n").ok);
    EXPECT_FALSE(LoadBytes("a=1\nb {\n").ok);
}

TEST(TextDataDocument, SectionPathsAndErrorBits) {
    Loaded l = LoadBytes("a {\n b {\n  k = 1\n }\n}\n");
    ASSERT_TRUE(l.ok);
    TDRDocument& d = *l.doc;
    for (const char16_t* path : {u"a\\b", u"  a\\b  ", u"\\\\a\\\\b\\"}) {
        ASSERT_TRUE(d.EnterSection(path, false));
        EXPECT_EQ(d.GetInt(u"k", 0), 1);
        EXPECT_TRUE(d.Rewind());
    }
    EXPECT_FALSE(d.EnterSection(u"a b", false));
    EXPECT_EQ(d.GetErrors(), kTdrMalformedName | kTdrMissingSection);
    EXPECT_FALSE(d.EnterSection(u"\\ ", false));
    EXPECT_EQ(d.GetErrors(), 0x300u);
    ASSERT_TRUE(d.EnterSection(u"a", false));
    EXPECT_FALSE(d.EnterSection(u"c", true));
    EXPECT_EQ(d.GetErrors(), kTdrMissingSection);
    EXPECT_TRUE(d.EnterSection(u"b", true)); // the cursor stayed in a
    EXPECT_EQ(d.GetInt(u"k k", 5), 5);
    EXPECT_EQ(d.GetErrors(), kTdrMalformedName | kTdrMissingEntry);
    EXPECT_EQ(d.GetInt(u"missing", 6), 6);
    EXPECT_EQ(d.GetErrors(), kTdrMissingEntry);
    EXPECT_FALSE(d.EnterSection(nullptr, false));
    EXPECT_EQ(d.GetErrors(), 0x300u);
}

// The public finders start from clean error bits, so a caller reads only the
// outcome of its own call, never one left over from an earlier failure.
TEST(TextDataDocument, FindersReportOnlyTheirOwnErrors) {
    Loaded l = LoadBytes("a {\n k = 1\n}\nk = 2\n");
    ASSERT_TRUE(l.ok);
    TDRDocument& d = *l.doc;
    struct Case {
        const char* name;
        bool found;
        std::function<bool()> find;
    };
    const Case cases[] = {
        {"FindEntry", true, [&] { return d.FindEntry(u"k", false) != nullptr; }},
        {"FindEntryA", true, [&] { return d.FindEntryA("k", false) != nullptr; }},
        {"FindSectionPath", true, [&] { return d.FindSectionPath(u"a", false) != nullptr; }},
        {"FindEntry missing", false, [&] { return d.FindEntry(u"nope", false) != nullptr; }},
        {"FindSectionPath missing", false, [&] { return d.FindSectionPath(u"b", false) != nullptr; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(d.GetInt(u"k k", 0), 0); // leaves 0x500 behind
        ASSERT_NE(d.GetErrors(), 0u);
        EXPECT_EQ(c.find(), c.found);
        if (c.found)
            EXPECT_EQ(d.GetErrors(), 0u);
        else
            EXPECT_EQ(d.GetErrors() & kTdrMalformedName, 0u);
    }
}

TEST(TextDataDocument, TypedGetters) {
    Loaded l = LoadBytes("hex = 0x10\nten = 10\nbig = 2147483648\nlow = -2147483648\nch = u+0041\n"
                         "long = \"abcdefghij\"\nbad = \"open\n");
    ASSERT_TRUE(l.ok);
    TDRDocument& d = *l.doc;
    EXPECT_EQ(d.GetInt(u"hex", 7), 7);
    EXPECT_EQ(d.GetErrors(), kTdrInvalidValue);
    EXPECT_EQ(d.GetUInt(u"ten", 0), 16u);
    EXPECT_EQ(d.GetInt(u"big", 7), 7);
    EXPECT_EQ(d.GetErrors(), kTdrInvalidValue);
    EXPECT_EQ(d.GetInt(u"low", 7), INT32_MIN);
    EXPECT_EQ(d.GetErrors(), 0u);
    EXPECT_EQ(d.GetChar(u"ch", u'?'), u'A');

    char16_t buf[5];
    EXPECT_EQ(d.GetString(u"long", buf, 5, u"d"), 4u);
    EXPECT_EQ(std::u16string(buf), u"abcd");
    EXPECT_EQ(d.GetErrors(), kTdrTextCut);
    EXPECT_EQ(d.GetString(u"long", nullptr, 0, u"d"), 10u); // measuring
    EXPECT_EQ(d.GetString(u"bad", buf, 5, u"default"), 4u); // invalid: the default, cut
    EXPECT_EQ(std::u16string(buf), u"defa");
    EXPECT_EQ(d.GetErrors(), kTdrInvalidValue | kTdrTextCut);
    EXPECT_EQ(d.GetString(u"nope", nullptr, 0, u"default"), 7u);
    EXPECT_EQ(d.GetString(u"nope", nullptr, 3, u"default"), 0u);
    EXPECT_EQ(d.GetErrors(), kTdrMissingEntry | kTdrBadArgument);

    char16_t name[300];
    uint32_t n = d.GetFileName(name, 300);
    EXPECT_GT(n, 0u);
    EXPECT_EQ(std::u16string(name).size(), n);
    EXPECT_EQ(d.GetFileName(name, 3), n);
    EXPECT_EQ(d.GetErrors(), kTdrTextCut);
}

TEST(TextDataDocument, RecordsAndRepeatedKeys) {
    Loaded l = LoadBytes("item = \"Cow\", FF, 3\n"
                         "item = (\"Hen\", 0A, 2, no), (\"Pig\", 1, 1)\n"
                         "pair = 4, 5\n");
    ASSERT_TRUE(l.ok);
    TDRDocument& d = *l.doc;
    EXPECT_EQ(d.CountRecords(u"item", u"Z[16],x4,u4,{b4}"), 1);
    EXPECT_EQ(d.CountRecordsEx(u"item", false, u"Z[16],x4,u4,{b4}"), 2);
    EXPECT_EQ(d.CountRecordsEx(u"item", false, u"Z[16],x4,u4,{b4}"), 0);
    EXPECT_EQ(d.GetErrors(), kTdrMissingEntry);

    struct Item {
        char16_t name[16];
        uint32_t colour, count, flag;
    } items[2] = {};
    items[1].flag = 9;
    EXPECT_EQ(d.ReadRecordsEx(u"item", true, u"Z[16],x4,u4,{b4}", 2, items, sizeof(Item)), 1);
    EXPECT_EQ(d.ReadRecordsEx(u"item", false, u"Z[16],x4,u4,{b4}", 2, items, sizeof(Item)), 2);
    EXPECT_EQ(std::u16string(items[1].name), u"Pig");
    EXPECT_EQ(items[0].flag, 0u);
    EXPECT_EQ(items[1].flag, 9u);
    EXPECT_EQ(d.ReadRecords(u"item", u"Z[16],x4,u4,{b4}", 1, items, 20), 0);
    EXPECT_EQ(d.GetErrors(), kTdrBadArgument);

    int32_t a = 0, b = 0;
    EXPECT_EQ(d.ReadValues(u"pair", u"l,l", 1, &a, &b), 1);
    EXPECT_EQ(a + b, 9);
    EXPECT_EQ(d.ReadValuesAt(2, u"l,l", 1, &b, &a), 1);
    EXPECT_EQ(a, 5);
    EXPECT_EQ(d.ReadValuesAt(3, u"l,l", 1, &b, &a), 0);
    EXPECT_EQ(d.GetErrors(), kTdrMissingEntry);
    EXPECT_EQ(d.ReadValues(u"item", u"l", 1, &a), 0);
    EXPECT_EQ(d.GetErrors(), kTdrInvalidValue);
}

TEST(TextDataDocument, NarrowDocumentUsesTheSameGrammar) {
    testsupport::TempDir dir;
    std::string path = dir.File("narrow.txt");
    ASSERT_TRUE(testsupport::WriteFileBytes(path, Utf16LE(u"a {\r\n name = \"\x00E9t\x00E9\"\r\n}\r\n")));
    TDRDocumentA doc;
    ASSERT_TRUE(doc.SetFileName(path.c_str()));
    ASSERT_TRUE(doc.Open());
    ASSERT_TRUE(doc.EnterSection(u"a", false));
    char buf[8];
    EXPECT_EQ(doc.GetStringA("NAME", buf, 8, ""), 3u);
    EXPECT_STREQ(buf, "\xE9t\xE9");
    EXPECT_FALSE(doc.SetFileName(std::string(260, 'x').c_str()));
}

// Nesting deep enough to exhaust the stack of a recursive clear; the load
// fails at the end (sections left open) and the failed load frees them all.
TEST(TextDataDocumentFuzz, DeepNestingIsFreedWithoutRecursion) {
    std::string deep;
    for (int i = 0; i < 1000000; ++i)
        deep += "a{\n";
    ASSERT_LT(deep.size(), kTdrMaxNarrowBytes);
    EXPECT_FALSE(LoadBytes(deep).ok);
    std::string lines;
    for (int i = 0; i < 200000; ++i)
        lines += "}\n";
    Loaded ok = LoadBytes(deep.substr(0, 3 * 200000) + lines);
    ASSERT_TRUE(ok.ok);
    std::u16string path = u"a";
    for (int i = 0; i < 999; ++i)
        path += u"\\a";
    EXPECT_TRUE(ok.doc->EnterSection(path.c_str(), false));
}

TEST(TextDataDocumentFuzz, DamagedAndRandomDocumentsNeverBreakTheReader) {
    const std::string seed =
        "\xEF\xBB\xBF<charset=windows-1250>\r\n// c\r\nkey = \"v\\\"x\", 1, 2\r\nsec {\r\n inner {\r\n"
        "  n = (1,2),(3,4)\r\n }\r\n s2 { }\r\n}\r\nlast = 0x7F\r\n";
    const char alphabet[] = "ab_9 \t=\"{}(),[]\\/\r\n<>-'u+#x\xFF\xFE\xEF\xBB\x00";
    platform::SeedRand(2024);
    int loaded = 0;
    for (int round = 0; round < 300; ++round) {
        std::string bytes = seed;
        int edits = 1 + platform::Rand() % 12;
        for (int e = 0; e < edits; ++e) {
            size_t at = bytes.empty() ? 0 : static_cast<size_t>(platform::Rand()) % bytes.size();
            char c = alphabet[platform::Rand() % (sizeof alphabet - 1)];
            switch (platform::Rand() % 3) {
            case 0:
                if (!bytes.empty()) bytes[at] = c;
                break;
            case 1:
                bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), c);
                break;
            default:
                if (!bytes.empty()) bytes.erase(at, 1 + platform::Rand() % 8);
                break;
            }
        }
        if (round % 5 == 0) { // wholly random text
            bytes.clear();
            for (int i = platform::Rand() % 200; i > 0; --i)
                bytes.push_back(alphabet[platform::Rand() % (sizeof alphabet - 1)]);
        }
        Loaded l = LoadBytes(bytes);
        if (!l.ok) continue;
        ++loaded;
        // Walk everything and read each value in every way; nothing may go out of bounds.
        TDRDocument& d = *l.doc;
        char16_t small[3];
        char tiny[2];
        for (uint32_t i = 0; i < d.GetEntryCount(); ++i) {
            uint32_t len;
            std::u16string key(d.GetKeyAt(i, &len));
            d.GetString(key.c_str(), small, 3, u"default");
            d.GetStringA(std::string(key.begin(), key.end()).c_str(), tiny, 2, "dd");
            d.GetInt(key.c_str(), 0);
            d.GetUInt(key.c_str(), 0);
            d.GetChar(key.c_str(), 0);
            struct {
                char16_t name[4];
                int32_t a, b;
                uint8_t flag;
            } rec[2];
            d.ReadRecords(key.c_str(), u"Z[4],l,l,{b1}", 2, rec, sizeof rec[0]);
            d.CountRecords(key.c_str(), u"S[3],f,{C,W}");
        }
        for (const char16_t* path : {u"sec", u"sec\\inner", u"sec\\s2", u"inner"}) {
            if (d.EnterSection(path, false)) {
                EXPECT_TRUE(d.Rewind());
            }
        }
    }
    EXPECT_GT(loaded, 10); // the damage leaves many documents loadable
}
