#include "platform/PrivateProfile.h"
#include "platform/Random.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using platform::GetPrivateProfileStringA;
using platform::GetPrivateProfileStringW;
using platform::WritePrivateProfileStringA;
using platform::WritePrivateProfileStringW;
using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

namespace {

std::u16string Wide(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// Reads one value with a small buffer the way the game does.
std::u16string Get(const std::u16string& file, const char16_t* section, const char16_t* key,
                   const char16_t* def = u"<none>") {
    char16_t buffer[256];
    uint32_t n = GetPrivateProfileStringW(section, key, def, buffer, 256, file.c_str());
    std::u16string value(buffer);
    EXPECT_EQ(n, value.size());
    return value;
}

// Splits a list of terminated names ended by an empty name.
std::vector<std::u16string> Names(const char16_t* buffer) {
    std::vector<std::u16string> names;
    for (const char16_t* p = buffer; *p; p += names.back().size() + 1)
        names.emplace_back(p);
    return names;
}

std::vector<std::u16string> List(const std::u16string& file, const char16_t* section) {
    char16_t buffer[1024];
    GetPrivateProfileStringW(section, nullptr, nullptr, buffer, 1024, file.c_str());
    return Names(buffer);
}

std::vector<std::string> StrayFiles(const TempDir& dir, const std::string& keep) {
    std::vector<std::string> stray;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        if (entry.path().filename() != keep) stray.push_back(entry.path().filename().string());
    return stray;
}

using V = std::vector<std::u16string>;

// The bytes of a literal that may hold NUL characters, its terminator left out.
template <size_t N> std::string Bin(const char (&text)[N]) {
    return std::string(text, N - 1);
}

} // namespace

TEST(PrivateProfile, ReadsNamesIgnoringCaseTrimmedAndUnquoted) {
    TempDir dir;
    std::string path = dir.File("game.ini");
    WriteFileBytes(path, "; leading comment\r\n"
                         "orphan=before any section\r\n"
                         "[Video]\r\n"
                         "  Width =  800  \r\n"
                         "Title=\"  spaced  \"\r\n"
                         "Single='x'\r\n"
                         "Mixed=\"half'\r\n"
                         ";Width=1\r\n"
                         "Bare\r\n"
                         "width=second\r\n"
                         "[ video ]\r\n"
                         "Height=600\r\n"
                         "[Game]\r\n"
                         "Cheats=1\r\n");
    std::u16string file = Wide(path);
    EXPECT_EQ(Get(file, u"VIDEO", u"width"), u"800");
    EXPECT_EQ(Get(file, u" video ", u" WIDTH "), u"800");
    EXPECT_EQ(Get(file, u"Video", u"Title"), u"  spaced  ");
    EXPECT_EQ(Get(file, u"Video", u"Single"), u"x");
    EXPECT_EQ(Get(file, u"Video", u"Mixed"), u"\"half'");
    // The first [Video] wins: the second one's keys are not seen.
    EXPECT_EQ(Get(file, u"Video", u"Height"), u"<none>");
    EXPECT_EQ(Get(file, u"Game", u"Cheats"), u"1");
    // A bare key is listed but has no value; a comment is neither.
    EXPECT_EQ(Get(file, u"Video", u"Bare"), u"<none>");
    EXPECT_EQ(List(file, u"video"), (V{u"Width", u"Title", u"Single", u"Mixed", u"Bare"}));
    EXPECT_EQ(List(file, nullptr), (V{u"Video", u"Game"}));
    EXPECT_EQ(List(file, u"Missing"), V{});
}

TEST(PrivateProfile, DefaultsLoseTrailingBlanksAndMissingFilesReadEmpty) {
    TempDir dir;
    std::u16string file = Wide(dir.File("absent.ini"));
    EXPECT_EQ(Get(file, u"a", u"b", u"fallback  \t "), u"fallback");
    EXPECT_EQ(Get(file, u"a", u"b", nullptr), u"");
    EXPECT_EQ(List(file, nullptr), V{});
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "absent.ini"));
}

TEST(PrivateProfile, CutsValuesAndListsThatDoNotFit) {
    TempDir dir;
    std::string path = dir.File("cut.ini");
    WriteFileBytes(path, "[abc]\nkey=abcdefgh\n[de]\n");
    std::u16string file = Wide(path);

    char16_t buffer[16];
    EXPECT_EQ(GetPrivateProfileStringW(u"abc", u"key", u"", buffer, 5, file.c_str()), 4u);
    EXPECT_EQ(std::u16string(buffer), u"abcd");
    EXPECT_EQ(GetPrivateProfileStringW(u"abc", u"key", u"", buffer, 1, file.c_str()), 0u);
    EXPECT_EQ(buffer[0], 0);

    // "abc\0de\0\0" needs 8 and room to spare; with 7 the second name is cut to "d".
    EXPECT_EQ(GetPrivateProfileStringW(nullptr, nullptr, nullptr, buffer, 16, file.c_str()), 7u);
    EXPECT_EQ(GetPrivateProfileStringW(nullptr, nullptr, nullptr, buffer, 7, file.c_str()), 5u);
    EXPECT_EQ(std::u16string(buffer, 7), std::u16string(u"abc\0d\0\0", 7));
    // Exactly 8 holds the whole list but still counts as cut.
    EXPECT_EQ(GetPrivateProfileStringW(nullptr, nullptr, nullptr, buffer, 8, file.c_str()), 6u);
    EXPECT_EQ(std::u16string(buffer, 8), std::u16string(u"abc\0de\0\0", 8));

    buffer[0] = u'x';
    EXPECT_EQ(GetPrivateProfileStringW(u"abc", u"key", u"", nullptr, 5, file.c_str()), 0u);
    EXPECT_EQ(GetPrivateProfileStringW(u"abc", u"key", u"", buffer, 0, file.c_str()), 0u);
    EXPECT_EQ(buffer[0], u'x');
}

TEST(PrivateProfile, WritesChangeOnlyWhatTheyTouch) {
    TempDir dir;
    std::string path = dir.File("edit.ini");
    WriteFileBytes(path, "; keep me\r\n"
                         "[Video]\r\n"
                         "Width=800 ; note\r\n"
                         "Height=600\r\n"
                         "\r\n"
                         "[Game]\r\n"
                         "Cheats=0\r\n");
    std::u16string file = Wide(path);
    EXPECT_TRUE(WritePrivateProfileStringW(u"video", u"WIDTH", u"1024", file.c_str()));
    EXPECT_TRUE(WritePrivateProfileStringW(u"Video", u"VSync", u"1", file.c_str()));
    EXPECT_TRUE(WritePrivateProfileStringW(u"Path", u"Language", u"english.dat", file.c_str()));
    EXPECT_EQ(ReadFileBytes(path), "; keep me\r\n"
                                   "[Video]\r\n"
                                   "Width=1024\r\n"
                                   "Height=600\r\n"
                                   "VSync=1\r\n"
                                   "\r\n"
                                   "[Game]\r\n"
                                   "Cheats=0\r\n"
                                   "[Path]\r\n"
                                   "Language=english.dat\r\n");

    // Deleting: a null value removes the key, a null key the whole section.
    EXPECT_TRUE(WritePrivateProfileStringW(u"Video", u"height", nullptr, file.c_str()));
    EXPECT_TRUE(WritePrivateProfileStringW(u"GAME", nullptr, nullptr, file.c_str()));
    EXPECT_TRUE(WritePrivateProfileStringW(u"Nowhere", u"key", nullptr, file.c_str()));
    EXPECT_EQ(Get(file, u"Video", u"Height"), u"<none>");
    EXPECT_EQ(List(file, nullptr), (V{u"Video", u"Path"}));
    EXPECT_EQ(List(file, u"Video"), (V{u"Width", u"VSync"}));

    EXPECT_EQ(StrayFiles(dir, "edit.ini"), std::vector<std::string>{});
}

// CR LF, LF and CR alone each end a line, in any mix; a write keeps the
// file's first line end.
TEST(PrivateProfile, EveryKindOfLineEndEndsALine) {
    TempDir dir;
    std::string path = dir.File("ends.ini");
    std::u16string file = Wide(path);
    const std::pair<std::string, std::string> cases[] = {
        {"[a]\rx=1\ry=2\r[b]\rz=3\r", "[a]\rx=1\ry=2\r[b]\rz=3\rn=4\r"},
        {"[a]\nx=1\ny=2\n[b]\nz=3", "[a]\nx=1\ny=2\n[b]\nz=3\nn=4\n"},
        {"[a]\r\nx=1\r\ny=2\r\n[b]\r\nz=3\r\n", "[a]\r\nx=1\r\ny=2\r\n[b]\r\nz=3\r\nn=4\r\n"},
        {"[a]\rx=1\r\ny=2\n[b]\n\rz=3", "[a]\rx=1\ry=2\r[b]\r\rz=3\rn=4\r"},
        {"[a]\r\r\nx=1\n\ny=2\r\r[b]\rz=3\r\n", "[a]\r\rx=1\r\ry=2\r\r[b]\rz=3\rn=4\r"},
    };
    for (const auto& [before, after] : cases) {
        SCOPED_TRACE(before);
        ASSERT_TRUE(WriteFileBytes(path, before));
        EXPECT_EQ(List(file, nullptr), (V{u"a", u"b"}));
        EXPECT_EQ(List(file, u"a"), (V{u"x", u"y"}));
        EXPECT_EQ(Get(file, u"a", u"x"), u"1");
        EXPECT_EQ(Get(file, u"a", u"y"), u"2");
        EXPECT_EQ(Get(file, u"b", u"z"), u"3");
        EXPECT_TRUE(WritePrivateProfileStringW(u"b", u"n", u"4", file.c_str()));
        EXPECT_EQ(ReadFileBytes(path), after);
    }
    // The same in a UTF-16 file.
    ASSERT_TRUE(WriteFileBytes(path, Bin("\xFF\xFE[\0s\0]\0\r\0k\0=\0v\0\r\0")));
    EXPECT_EQ(Get(file, u"s", u"k"), u"v");
}

// A NUL character ends what is read of a file: nothing after it is a key or
// a section, and no name holds it.
TEST(PrivateProfile, ANulCharacterEndsTheText) {
    TempDir dir;
    std::string path = dir.File("nul.ini");
    std::u16string file = Wide(path);
    struct Case {
        std::string bytes;
        V sections, keys;
    } cases[] = {
        {Bin("[s]\r\na=1\r\nb=2\r\n\0"), {u"s"}, {u"a", u"b"}},
        {Bin("[s]\na=1\nb=2\0"), {u"s"}, {u"a", u"b"}},
        {Bin("[s]\na=1\0\nb=2\n[t]\nc=3\n"), {u"s"}, {u"a"}},
        {Bin("[s]\na=1\nb\0c=2\n"), {u"s"}, {u"a", u"b"}},
        {Bin("\0[s]\na=1\n"), {}, {}},
        {Bin("\xFF\xFE[\0s\0]\0\n\0a\0=\0\x31\0\0\0b\0=\0\x32\0"), {u"s"}, {u"a"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.size());
        ASSERT_TRUE(WriteFileBytes(path, c.bytes));
        EXPECT_EQ(List(file, nullptr), c.sections);
        EXPECT_EQ(List(file, u"s"), c.keys);
        EXPECT_EQ(Get(file, u"s", u"c"), u"<none>");
        if (!c.keys.empty()) {
            EXPECT_EQ(Get(file, u"s", u"a"), u"1");
        }
    }
}

// What a file holds from its NUL character on is not read, but a write keeps
// it byte for byte after the text it rewrites; so are the odd last byte of a
// UTF-16 file and the bytes that are no text of the file's encoding. The
// encoding is told from the text before the NUL alone.
TEST(PrivateProfile, AWriteKeepsTheBytesFromTheNulOn) {
    TempDir dir;
    std::string path = dir.File("tail.ini");
    std::u16string file = Wide(path);
    const std::string crlf = Bin("[s]\r\nname1=val1\r\n\0[t]\r\nk=v\r\n");
    const std::string utf16 = Bin("\xFF\xFE[\0s\0]\0\n\0a\0=\0\x31\0\0\0b\0=\0\x32\0");
    struct Case {
        std::string before;
        const char16_t *section, *key, *value;
        std::string after;
    } cases[] = {
        {crlf, u"s", u"name1", u"new", Bin("[s]\r\nname1=new\r\n\0[t]\r\nk=v\r\n")},
        {crlf, u"S", u"name2", u"x", Bin("[s]\r\nname1=val1\r\nname2=x\r\n\0[t]\r\nk=v\r\n")},
        // The [t] after the NUL is not read: a new one is written before it.
        {crlf, u"t", u"k", u"w", Bin("[s]\r\nname1=val1\r\n[t]\r\nk=w\r\n\0[t]\r\nk=v\r\n")},
        {crlf, u"s", nullptr, nullptr, Bin("\0[t]\r\nk=v\r\n")},
        {crlf, u"s", u"name1", nullptr, Bin("[s]\r\n\0[t]\r\nk=v\r\n")},
        // A NUL inside a line: the line read so far ends there.
        {Bin("[s]\na=1\0junk\nb=2\n"), u"s", u"a", u"3", Bin("[s]\na=3\n\0junk\nb=2\n")},
        {Bin("\0[s]\na=1\n"), u"s", u"a", u"3", Bin("[s]\r\na=3\r\n\0[s]\na=1\n")},
        {utf16, u"s", u"a", u"9", Bin("\xFF\xFE[\0s\0]\0\n\0a\0=\0\x39\0\n\0\0\0b\0=\0\x32\0")},
        {Bin("\xFF\xFE[\0s\0]\0\n\0a\0=\0\x31\0\n\0\x7F"), u"s", u"a", u"9",
         Bin("\xFF\xFE[\0s\0]\0\n\0a\0=\0\x39\0\n\0\x7F")},
        // UTF-8 text before a NUL followed by bytes that are no UTF-8.
        {Bin("[s]\nk=\xC3\xA9\n\0\xFF\xE9"), u"s", u"n", u"\u00FC",
         Bin("[s]\nk=\xC3\xA9\nn=\xC3\xBC\n\0\xFF\xE9")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.before));
        ASSERT_TRUE(WriteFileBytes(path, c.before));
        EXPECT_TRUE(WritePrivateProfileStringW(c.section, c.key, c.value, file.c_str()));
        EXPECT_EQ(ReadFileBytes(path), c.after);
        if (c.value) {
            EXPECT_EQ(Get(file, c.section, c.key), c.value);
        }
    }
    EXPECT_EQ(Get(file, u"s", u"k"), u"\u00E9");
    EXPECT_EQ(StrayFiles(dir, "tail.ini"), std::vector<std::string>{});
}

// Without a section a write fails and leaves the file as it was, the flush
// request (all three null) included, as on Windows.
TEST(PrivateProfile, AWriteWithoutASectionFailsAndTouchesNothing) {
    TempDir dir;
    std::string path = dir.File("keep.ini");
    const std::string before = "[s]\r\nk=v\r\n";
    ASSERT_TRUE(WriteFileBytes(path, before));
    std::u16string file = Wide(path);
    EXPECT_FALSE(WritePrivateProfileStringW(nullptr, u"k", u"new", file.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringW(nullptr, u"k", nullptr, file.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringW(nullptr, nullptr, u"new", file.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringA(nullptr, "k", "new", path.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str()));
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_EQ(StrayFiles(dir, "keep.ini"), std::vector<std::string>{});
    std::u16string missing = Wide(dir.File("missing.ini"));
    EXPECT_FALSE(WritePrivateProfileStringW(nullptr, u"k", u"v", missing.c_str()));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "missing.ini"));
}

// A new section follows the last line directly, whatever that line is.
TEST(PrivateProfile, ANewSectionIsWrittenWithoutAnEmptyLineBeforeIt) {
    TempDir dir;
    std::string path = dir.File("add.ini");
    std::u16string file = Wide(path);
    const std::pair<std::string, std::string> cases[] = {
        {"[a]\r\nx=1\r\n", "[a]\r\nx=1\r\n[b]\r\ny=2\r\n"},
        {"[a]\nx=1", "[a]\nx=1\n[b]\ny=2\n"},
        {"[a]\nx=1\n\n", "[a]\nx=1\n\n[b]\ny=2\n"},
        {"; only a comment\n", "; only a comment\n[b]\ny=2\n"},
        {"", "[b]\r\ny=2\r\n"},
    };
    for (const auto& [before, after] : cases) {
        SCOPED_TRACE(before);
        ASSERT_TRUE(WriteFileBytes(path, before));
        EXPECT_TRUE(WritePrivateProfileStringW(u"b", u"y", u"2", file.c_str()));
        EXPECT_EQ(ReadFileBytes(path), after);
    }
}

// Section-name lists cut as Windows cuts them: a buffer the list fills
// exactly counts as too small (size - 2, two terminators at its end), and
// one unit less shortens the last name.
TEST(PrivateProfile, SectionNameListsAreCutAsWindowsCutsThem) {
    TempDir dir;
    std::string path = dir.File("names.ini");
    ASSERT_TRUE(WriteFileBytes(path, "[ section1 ]\r\n[section2]\r\n[section3]\r\n"));
    std::u16string file = Wide(path);
    const std::string full("section1\0section2\0section3\0\0", 28);
    struct Case {
        uint32_t size, result;
        std::string content; // the buffer's first size units
    } cases[] = {
        {40, 27, full},
        {29, 27, full},
        {28, 26, full},
        {27, 25, Bin("section1\0section2\0section\0\0")},
        {20, 18, Bin("section1\0section2\0\0\0")}, // the last name cut to nothing
        {19, 17, Bin("section1\0section2\0\0")},
        {18, 16, Bin("section1\0section\0\0")},
        {3, 1, Bin("s\0\0")},
        {2, 0, Bin("\0\0")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        std::vector<char16_t> wide(c.size + 1, u'#');
        EXPECT_EQ(GetPrivateProfileStringW(nullptr, nullptr, nullptr, wide.data(), c.size, file.c_str()),
                  c.result);
        const size_t shown = std::min<size_t>(c.size, c.content.size());
        EXPECT_EQ(std::u16string(wide.data(), shown), Wide(c.content.substr(0, shown)));
        EXPECT_EQ(wide[c.size], u'#');
        std::string narrow(c.size + 1, '#');
        EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, nullptr, narrow.data(), c.size, path.c_str()),
                  c.result);
        EXPECT_EQ(narrow.substr(0, shown), c.content.substr(0, shown));
        EXPECT_EQ(narrow[c.size], '#');
    }
}

TEST(PrivateProfile, DeletingASectionRemovesEveryCopyOfIt) {
    TempDir dir;
    std::string path = dir.File("dup.ini");
    WriteFileBytes(path, "[a]\nx=1\n[b]\ny=2\n[A]\nz=3\n");
    std::u16string file = Wide(path);
    EXPECT_TRUE(WritePrivateProfileStringW(u"a", nullptr, nullptr, file.c_str()));
    EXPECT_EQ(ReadFileBytes(path), "[b]\ny=2\n"); // line ends of the file are kept
}

TEST(PrivateProfile, RefusesLineBreaksAndKeepsTheFile) {
    TempDir dir;
    std::string path = dir.File("safe.ini");
    WriteFileBytes(path, "[s]\nk=v\n");
    std::u16string file = Wide(path);
    EXPECT_FALSE(WritePrivateProfileStringW(u"s", u"k", u"a\r\n[evil]", file.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringW(u"s\n", u"k", u"v", file.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringW(u"s", u"k=x", u"v", file.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringW(u"s", u"  ", u"v", file.c_str()));
    EXPECT_EQ(ReadFileBytes(path), "[s]\nk=v\n");
    const std::string atCap = "[s]\nk=v\n;" + std::string((1 << 20) - 9, 'x');
    WriteFileBytes(path, atCap);
    EXPECT_FALSE(WritePrivateProfileStringW(u"s", u"k2", u"v", file.c_str())) << "it would pass the read cap";
    EXPECT_EQ(ReadFileBytes(path), atCap);
}

TEST(PrivateProfile, CreatesFilesAndFailsCleanlyWhereNoneCanBeMade) {
    TempDir dir;
    std::u16string file = Wide(dir.File("new.ini"));
    EXPECT_TRUE(WritePrivateProfileStringW(u"Größe", u"Name", u"Łukasz", file.c_str()));
    EXPECT_EQ(ReadFileBytes(dir.File("new.ini")), "[Größe]\r\nName=Łukasz\r\n");
    EXPECT_EQ(Get(file, u"GRÖßE", u"name"), u"Łukasz");

    std::u16string nowhere = Wide(dir.File("missing/folder.ini"));
    EXPECT_FALSE(WritePrivateProfileStringW(u"a", u"b", u"c", nowhere.c_str()));
    EXPECT_EQ(StrayFiles(dir, "new.ini"), std::vector<std::string>{});
}

TEST(PrivateProfile, FindsFilesAndFoldersIgnoringCase) {
    TempDir dir;
    std::filesystem::create_directory(dir.Path() / "Data");
    WriteFileBytes(dir.File("Data/Config.INI"), "[Path]\r\nLanguage=nl.dat\r\n");
    std::u16string file = Wide(dir.Path().string()) + u"\\data\\config.ini";
    for (char16_t& c : file)
        if (c == u'/') c = u'\\';
    EXPECT_EQ(Get(file, u"path", u"language"), u"nl.dat");
    EXPECT_TRUE(WritePrivateProfileStringW(u"Path", u"Language", u"de.dat", file.c_str()));
    EXPECT_EQ(ReadFileBytes(dir.File("Data/Config.INI")), "[Path]\r\nLanguage=de.dat\r\n");
}

TEST(PrivateProfile, KeepsEachFilesOwnEncoding) {
    TempDir dir;
    struct Case {
        const char* name;
        std::string before;
        std::string after;
    };
    const std::string utf16Before("\xFF\xFE[\0s\0]\0\r\0\n\0k\0=\0\xE9\0\r\0\n\0", 22);
    const std::string utf16After("\xFF\xFE[\0s\0]\0\r\0\n\0k\0=\0\x41\x01\r\0\n\0", 22);
    const Case cases[] = {
        {"utf16.ini", utf16Before, utf16After},
        {"utf8mark.ini", "\xEF\xBB\xBF[s]\nk=\xC3\xA9\n", "\xEF\xBB\xBF[s]\nk=\xC5\x81\n"},
        {"utf8.ini", "[s]\nk=\xC3\xA9\n", "[s]\nk=\xC5\x81\n"},
        // Code page 1252 has no L with stroke: it becomes '?'.
        {"cp1252.ini", "[s]\nk=\xE9\n", "[s]\nk=?\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileBytes(dir.File(c.name), c.before);
        std::u16string file = Wide(dir.File(c.name));
        EXPECT_EQ(Get(file, u"S", u"K"), u"é");
        EXPECT_TRUE(WritePrivateProfileStringW(u"s", u"k", u"Ł", file.c_str()));
        EXPECT_EQ(ReadFileBytes(dir.File(c.name)), c.after);
    }
}

TEST(PrivateProfile, EightBitCallsSpeakTheCodePage) {
    TempDir dir;
    std::string path = dir.File("a.ini");
    WriteFileBytes(path, "[s]\nk=\xC3\xA9t\xC3\xA9\n"); // UTF-8 "été"
    char buffer[16];
    EXPECT_EQ(GetPrivateProfileStringA("S", "K", "", buffer, 16, path.c_str()), 3u);
    EXPECT_EQ(std::string(buffer), "\xE9t\xE9");
    EXPECT_TRUE(WritePrivateProfileStringA("s", "n\xE4me", "\xFC", path.c_str()));
    EXPECT_EQ(ReadFileBytes(path), "[s]\nk=\xC3\xA9t\xC3\xA9\nn\xC3\xA4me=\xC3\xBC\n");
    EXPECT_EQ(GetPrivateProfileStringA("s", nullptr, nullptr, buffer, 16, path.c_str()), 7u);
    EXPECT_EQ(std::string(buffer, 8), std::string("k\0n\xE4me\0\0", 8));
}

TEST(PrivateProfile, DamagedFilesReadWithinTheirBuffers) {
    TempDir dir;
    std::string path = dir.File("noise.ini");
    std::u16string file = Wide(path);
    const std::string pieces[] = {"[",
                                  "]",
                                  "=",
                                  "\r\n",
                                  "\n",
                                  "\r",
                                  ";",
                                  "\"",
                                  "'",
                                  " ",
                                  "\t",
                                  "a",
                                  "B",
                                  "\xFF\xFE",
                                  "\xEF\xBB\xBF",
                                  "\xC3",
                                  "\xA9",
                                  "\x80",
                                  std::string(1, '\0')};
    platform::SeedRand(7);
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        int count = platform::Rand() % 40;
        for (int i = 0; i < count; ++i)
            bytes += pieces[platform::Rand() % std::size(pieces)];
        ASSERT_TRUE(WriteFileBytes(path, bytes));
        for (uint32_t size = 1; size <= 6; ++size) {
            std::vector<char16_t> buffer(size + 1, u'#');
            uint32_t n =
                GetPrivateProfileStringW(nullptr, nullptr, nullptr, buffer.data(), size, file.c_str());
            ASSERT_LT(n, size);
            ASSERT_EQ(buffer[n], 0);
            ASSERT_EQ(buffer[size], u'#'); // nothing written past the buffer
            n = GetPrivateProfileStringW(u"a", nullptr, nullptr, buffer.data(), size, file.c_str());
            ASSERT_LT(n, size);
            n = GetPrivateProfileStringW(u"a", u"a", u"dflt", buffer.data(), size, file.c_str());
            ASSERT_LT(n, size);
            ASSERT_EQ(buffer[n], 0);
            ASSERT_EQ(buffer[size], u'#');
        }
        ASSERT_TRUE(WritePrivateProfileStringW(u"a", u"k", u"v", file.c_str()));
        EXPECT_EQ(Get(file, u"a", u"k"), u"v");
    }
}
