#include "foundation/IniFile.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <vector>

using namespace kis;
using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

namespace {

// Runs a test inside a fresh temporary folder, the current folder for its
// length, so relative ini names land there.
class IniFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char buffer[4096];
        ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
        previous_ = buffer;
        ASSERT_EQ(chdir(dir_.Path().c_str()), 0);
    }
    void TearDown() override { ASSERT_EQ(chdir(previous_.c_str()), 0); }

    std::u16string Folder() const { return platform::ToGamePath(dir_.Path().string()); }

    TempDir dir_;
    std::string previous_;
};

std::vector<std::u16string> Texts(const WideStrings& list) {
    std::vector<std::u16string> texts;
    for (int32_t i = 0; i < list.Count(); ++i)
        texts.emplace_back(list.GetText(i));
    return texts;
}

using V = std::vector<std::u16string>;

} // namespace

TEST_F(IniFileTest, RelativeNamesResolveUnderTheCurrentFolder) {
    EXPECT_EQ(std::u16string(IniFileW(u"config.ini").FileName()), Folder() + u"\\config.ini");
    EXPECT_EQ(std::u16string(IniFileW(u"Data\\a.ini").FileName()), Folder() + u"\\Data\\a.ini");
    EXPECT_EQ(std::u16string(IniFileW(u"C:\\Game\\config.ini").FileName()), u"C:\\Game\\config.ini");
    EXPECT_EQ(std::u16string(IniFileW(u"\\\\server\\share\\a.ini").FileName()), u"\\\\server\\share\\a.ini");
    // One leading backslash joins the name to the current folder, without a second one.
    EXPECT_EQ(std::u16string(IniFileW(u"\\data\\a.ini").FileName()), Folder() + u"\\data\\a.ini");
    std::u16string longName(400, u'x');
    EXPECT_EQ(std::u16string(IniFileW((u"C:" + longName).c_str()).FileName()).size(), 259u);
    EXPECT_EQ(std::u16string(IniFileW(longName.c_str()).FileName()).size(), 259u);
    EXPECT_EQ(std::string(IniFileA("x.ini").FileName()), platform::FromUtf16(Folder()) + "\\x.ini");

    // Relative names reach the file in the current folder.
    WriteFileBytes(dir_.File("config.ini"), "[Game]\r\nCheats=1\r\n");
    EXPECT_TRUE(IniFileW(u"config.ini").ReadBool(u"game", u"cheats", false));
}

TEST_F(IniFileTest, IntegersInDecimalOrHexadecimal) {
    WriteFileBytes(dir_.File("n.ini"),
                   "[n]\n"
                   "dollar=$FF\nhash=#ff\nzerox=0xff\nupper=0XfF\n"
                   "plain=12\nnegative=-7\nbad=0xZZ\nmixed=12abc\nempty=\nspaced=  42  \n");
    IniFileW ini(u"n.ini");
    for (const char16_t* key : {u"dollar", u"hash", u"zerox", u"upper"})
        EXPECT_EQ(ini.ReadInteger(u"n", key, -1), 255);
    EXPECT_EQ(ini.ReadInteger(u"n", u"plain", -1), 12);
    EXPECT_EQ(ini.ReadInteger(u"n", u"negative", -1), -7);
    EXPECT_EQ(ini.ReadInteger(u"n", u"spaced", -1), 42);
    EXPECT_EQ(ini.ReadInteger(u"n", u"bad", -1), -1);
    EXPECT_EQ(ini.ReadInteger(u"n", u"mixed", -1), -1);
    EXPECT_EQ(ini.ReadInteger(u"n", u"empty", -1), -1);
    EXPECT_EQ(ini.ReadInteger(u"n", u"missing", 33), 33);
    EXPECT_EQ(ini.ReadInteger(u"nowhere", u"plain", 33), 33);
    EXPECT_TRUE(ini.ReadBool(u"n", u"plain", false));
    EXPECT_FALSE(ini.ReadBool(u"n", u"missing", false));

    ini.WriteInteger(u"out", u"value", -2147483647 - 1);
    EXPECT_EQ(ini.ReadInteger(u"out", u"value", 0), -2147483647 - 1);
    EXPECT_EQ(ReadFileBytes(dir_.File("n.ini")).substr(ReadFileBytes(dir_.File("n.ini")).find("[out]")),
              "[out]\nvalue=-2147483648\n");
}

TEST_F(IniFileTest, SectionsWithoutKeysDoNotExist) {
    WriteFileBytes(dir_.File("s.ini"), "[Empty]\n; only a comment\n\n[Full]\nKey=\n[Last]\n");
    IniFileW ini(u"s.ini");
    EXPECT_FALSE(ini.SectionExists(u"Empty"));
    EXPECT_FALSE(ini.SectionExists(u"Last"));
    EXPECT_FALSE(ini.SectionExists(u"Missing"));
    EXPECT_TRUE(ini.SectionExists(u"full"));
    EXPECT_TRUE(ini.KeyExists(u"FULL", u"key"));
    EXPECT_FALSE(ini.KeyExists(u"Full", u"other"));
    EXPECT_FALSE(ini.KeyExists(u"Empty", u"Key"));

    WideStrings sections;
    sections.Add(u"stale");
    ini.ReadSections(sections);
    EXPECT_EQ(Texts(sections), (V{u"Empty", u"Full", u"Last"}));
}

TEST_F(IniFileTest, ListsValuesAndErasesByKeySectionAndWhole) {
    WriteFileBytes(dir_.File("v.ini"), "[s]\na=1\nb = \"two words\"\nc=3\n[t]\nx=y\n");
    IniFileW ini(u"v.ini");
    WideStrings list;
    ini.ReadSectionValues(u"s", list);
    EXPECT_EQ(Texts(list), (V{u"a=1", u"b=two words", u"c=3"}));
    ini.ReadKeys(u"t", list);
    EXPECT_EQ(Texts(list), V{u"x"});

    ini.DeleteKey(u"s", u"B");
    ini.ReadKeys(u"s", list);
    EXPECT_EQ(Texts(list), (V{u"a", u"c"}));
    ini.EraseSection(u"S");
    ini.ReadSections(list);
    EXPECT_EQ(Texts(list), V{u"t"});
    EXPECT_TRUE(ini.WriteString(u"u", u"k", u"v"));
    ini.EraseAll();
    ini.ReadSections(list);
    EXPECT_EQ(Texts(list), V{});
    EXPECT_EQ(ReadFileBytes(dir_.File("v.ini")), "");
}

TEST_F(IniFileTest, ReadsTypedValueListsFromOneKey) {
    WriteFileBytes(dir_.File("config.ini"), "[Video]\nWindow=1024, 768\nScreen=800\nName=farm house,3\n");
    IniFileW ini(u"config.ini");
    uint32_t w = 1, h = 2;
    EXPECT_EQ(ini.ReadValues(u"Video", u"Window", u"ui4,ui4", &w, &h), 2);
    EXPECT_EQ(w, 1024u);
    EXPECT_EQ(h, 768u);
    w = 1, h = 2;
    EXPECT_EQ(ini.ReadValues(u"Video", u"Screen", u"ui4,ui4", &w, &h), 1);
    EXPECT_EQ(w, 800u);
    EXPECT_EQ(h, 2u);
    EXPECT_EQ(ini.ReadValues(u"Video", u"Missing", u"ui4,ui4", &w, &h), 0);
    char16_t name[8];
    int32_t count = 0;
    EXPECT_EQ(ini.ReadValues(u"video", u"name", u"s,i4", name, &count), 2);
    EXPECT_EQ(std::u16string(name), u"farm ho");
    EXPECT_EQ(count, 3);
}

TEST_F(IniFileTest, EightBitTwinSpeaksTheCodePage) {
    WriteFileBytes(dir_.File("a.ini"), "[Fonts]\nFace=Caf\xC3\xA9\nSize=#10\n"); // UTF-8 file
    IniFileA ini("a.ini");
    char face[16];
    EXPECT_EQ(ini.ReadString("fonts", "face", "", face, 16), 4u);
    EXPECT_EQ(std::string(face), "Caf\xE9"); // code page 1252
    EXPECT_EQ(ini.ReadInteger("Fonts", "Size", 0), 16);
    ini.WriteInteger("Fonts", "Size", 12);
    AnsiStrings values;
    ini.ReadSectionValues("Fonts", values);
    ASSERT_EQ(values.Count(), 2);
    EXPECT_EQ(std::string(values.GetText(0)), "Face=Caf\xE9");
    EXPECT_EQ(std::string(values.GetText(1)), "Size=12");
    EXPECT_EQ(ReadFileBytes(dir_.File("a.ini")), "[Fonts]\nFace=Caf\xC3\xA9\nSize=12\n");
}

// Through the class: lines ended by CR alone, a NUL at the end of the file
// or before more text, and a new section added after the last line.
TEST_F(IniFileTest, LineEndsNulAndNewSectionsAsWindowsHasThem) {
    using namespace std::string_literals;
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"CR", "[s]\ra=1\rb=2\r[t]\rx=y\r"},
        {"LF", "[s]\na=1\nb=2\n[t]\nx=y"},
        {"CR LF and a final NUL", "[s]\r\na=1\r\nb=2\r\n[t]\r\nx=y\r\n\0"s},
        {"NUL hiding the rest", "[s]\na=1\nb=2\n[t]\nx=y\n\0[u]\nz=1\n"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteFileBytes(dir_.File("e.ini"), c.bytes));
        IniFileW ini(u"e.ini");
        WideStrings list;
        ini.ReadSections(list);
        EXPECT_EQ(Texts(list), (V{u"s", u"t"}));
        ini.ReadSectionValues(u"s", list);
        EXPECT_EQ(Texts(list), (V{u"a=1", u"b=2"}));
        EXPECT_EQ(ini.ReadInteger(u"s", u"b", -1), 2);
        EXPECT_TRUE(ini.KeyExists(u"t", u"x"));
        EXPECT_TRUE(ini.WriteString(u"n", u"k", u"v"));
        ini.ReadSections(list);
        EXPECT_EQ(Texts(list), (V{u"s", u"t", u"n"}));
    }
    // The new section follows the last line without an empty line; what the
    // NUL hides stays after it.
    EXPECT_EQ(ReadFileBytes(dir_.File("e.ini")), "[s]\na=1\nb=2\n[t]\nx=y\n[n]\nk=v\n\0[u]\nz=1\n"s);
}
