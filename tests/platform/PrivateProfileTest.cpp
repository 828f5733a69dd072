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

    // "abc\0de\0\0" needs 8; with 7 the second name is cut to "d".
    EXPECT_EQ(GetPrivateProfileStringW(nullptr, nullptr, nullptr, buffer, 16, file.c_str()), 7u);
    EXPECT_EQ(GetPrivateProfileStringW(nullptr, nullptr, nullptr, buffer, 7, file.c_str()), 5u);
    EXPECT_EQ(std::u16string(buffer, 7), std::u16string(u"abc\0d\0\0", 7));

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
                                   "\r\n"
                                   "[Path]\r\n"
                                   "Language=english.dat\r\n");

    // Deleting: a null value removes the key, a null key the whole section.
    EXPECT_TRUE(WritePrivateProfileStringW(u"Video", u"height", nullptr, file.c_str()));
    EXPECT_TRUE(WritePrivateProfileStringW(u"GAME", nullptr, nullptr, file.c_str()));
    EXPECT_TRUE(WritePrivateProfileStringW(u"Nowhere", u"key", nullptr, file.c_str()));
    EXPECT_EQ(Get(file, u"Video", u"Height"), u"<none>");
    EXPECT_EQ(List(file, nullptr), (V{u"Video", u"Path"}));
    EXPECT_EQ(List(file, u"Video"), (V{u"Width", u"VSync"}));

    // Flushing has nothing to do and succeeds.
    EXPECT_TRUE(WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str()));
    EXPECT_EQ(StrayFiles(dir, "edit.ini"), std::vector<std::string>{});
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
