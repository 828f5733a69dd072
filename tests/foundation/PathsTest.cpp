#include "foundation/Paths.h"
#include "platform/Files.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

using namespace kis;

namespace {
std::u16string W(const char16_t* text) {
    return text ? text : u"<null>";
}
} // namespace

TEST(Paths, TakesPathsApart) {
    char16_t b[64];
    EXPECT_EQ(W(ExtractFileExtW(u"C:\\a.b\\file.txt", false)), u"txt");
    EXPECT_EQ(W(ExtractFileExtW(u"C:\\a.b\\file.txt", true)), u".txt");
    EXPECT_EQ(W(ExtractFileExtW(u"C:\\a.b\\file", true)), u"<null>");
    EXPECT_EQ(W(ExtractFileExtW(u"x.y:z", true)), u"<null>");
    // Loaders choose a reader by extension: case is ignored, only the last
    // part of the path counts, and a longer or shorter extension is another.
    EXPECT_TRUE(HasFileExt(u"Lang\\English.DAT", u"dat"));
    EXPECT_TRUE(HasFileExt("font.Tga", "tga"));
    EXPECT_FALSE(HasFileExt(u"a.dat\\file", u"dat"));
    EXPECT_FALSE(HasFileExt(u"file.data", u"dat"));
    EXPECT_FALSE(HasFileExt(u"file.xm", u"xml"));
    EXPECT_FALSE(HasFileExt<char16_t>(nullptr, u"dat"));
    EXPECT_EQ(W(ExtractFileNameW(b, 64, u"C:\\Data\\map.tar.gz", true)), u"map.tar.gz");
    EXPECT_EQ(W(ExtractFileNameW(b, 64, u"C:\\Data\\map.tar.gz", false)), u"map.tar");
    EXPECT_EQ(W(ExtractFileNameW(b, 64, u"C:map.dat", false)), u"map");
    EXPECT_EQ(W(ExtractFileNameW(b, 64, u"plain", false)), u"plain");
    EXPECT_EQ(W(ExtractFilePathW(b, 64, u"C:\\Data\\map.dat")), u"C:\\Data\\");
    EXPECT_EQ(W(ExtractFilePathW(b, 64, u"C:map.dat")), u"C:");
    EXPECT_EQ(W(ExtractFilePathW(b, 64, u"map.dat")), u"");
    char a[16];
    EXPECT_EQ(std::string(ExtractFilePathA(a, 16, "Sounds\\a.ogg")), "Sounds\\");

    char16_t name[] = u"a.b\\c.tar.gz";
    EXPECT_EQ(W(RemoveFileExtW(name, false)), u"a.b\\c.tar");
    EXPECT_EQ(W(RemoveFileExtW(name, true)), u"a.b\\c");
}

TEST(Paths, TrailingBackslashes) {
    char16_t b[6] = u"abc";
    EXPECT_EQ(W(IncludeTrailingBackslashW(b, 6)), u"abc\\");
    EXPECT_EQ(W(IncludeTrailingBackslashW(b, 6)), u"abc\\");
    EXPECT_EQ(W(ExcludeTrailingBackslashW(b)), u"abc");
    char16_t full[5] = u"abcd";
    EXPECT_EQ(W(IncludeTrailingBackslashW(full, 5)), u"abcd"); // no room
    char16_t empty[4] = u"";
    EXPECT_EQ(W(IncludeTrailingBackslashW(empty, 4)), u"");
    char a[8] = "x\\\\";
    EXPECT_EQ(std::string(ExcludeTrailingBackslashA(a)), "x\\");
}

TEST(Paths, MakeFullPathPutsNamesUnderTheBaseFolder) {
    char16_t b[64];
    EXPECT_EQ(W(MakeFullPathW(b, 64, u"click", u"Sounds\\", u".ogg")), u"Sounds\\click.ogg");
    EXPECT_EQ(W(MakeFullPathW(b, 64, u"\\click", u"C:\\Game\\x.exe", nullptr)), u"C:\\Game\\click");
    EXPECT_EQ(W(MakeFullPathW(b, 64, u"D:\\click", u"Sounds\\", u".ogg")), u"D:\\click");
    EXPECT_EQ(W(MakeFullPathW(b, 64, u"\\\\srv\\x", u"Sounds\\", u".ogg")), u"\\\\srv\\x");
    EXPECT_EQ(W(MakeFullPathW(b, 64, u"click", u"", u".ogg")), u"click");
    EXPECT_EQ(W(MakeFullPathW(b, 8, u"click", u"Sounds\\", u".ogg")), u"Sounds\\");
    char a[32];
    EXPECT_EQ(std::string(MakeFullPathA(a, 32, "a", "b\\", ".c")), "b\\a.c");
}

TEST(Paths, CombineWalksComponentsAndStopsAtTheRoot) {
    struct Case {
        const char16_t* base;
        const char16_t* relative;
        bool baseIsFile;
        const char16_t* expected; // null: fails
    };
    const Case cases[] = {
        {u"C:\\Game\\Data\\lang.txt", u"..\\images\\logo.png", true, u"C:\\Game\\images\\logo.png"},
        {u"C:\\Game\\Data\\", u".\\a\\\\b", false, u"C:\\Game\\Data\\a\\b"},
        {u"C:\\Game\\Data\\lang.txt", u"D:\\x\\..\\y", true, u"D:\\y"},
        {u"C:\\Game", u"..\\..\\..\\x", false, u"C:\\x"},
        {u"\\\\server\\share\\a", u"..\\..\\b", false, u"\\\\server\\share\\b"},
        {u"C:\\a", u"\\\\s\\share\\b", false, nullptr},
        {u"\\opt\\game\\lang.txt", u"..\\..\\..\\..\\x", true, u"\\x"},
        {u"data\\lang.txt", u"img\\a.png", true, u"data\\img\\a.png"},
        {u"", u"img\\a.png", false, u"img\\a.png"},
        {nullptr, u"\\img", false, u"\\img"},
        {u"C:\\Game\\", nullptr, false, u"C:\\Game"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "case " << (&c - cases));
        char16_t b[64] = u"junk";
        bool ok = CombinePathW(b, 64, c.base, c.relative, c.baseIsFile);
        EXPECT_EQ(ok, c.expected != nullptr);
        EXPECT_EQ(W(b), c.expected ? c.expected : u"");
    }
}

TEST(Paths, CombineFailsCleanlyWhenTooSmallAndMayReuseItsInput) {
    char16_t small[8] = u"junk";
    EXPECT_FALSE(CombinePathW(small, 8, u"C:\\Game", u"Data", false));
    EXPECT_EQ(W(small), u"");
    char16_t exact[10];
    EXPECT_TRUE(CombinePathW(exact, 10, u"C:\\Game", u"..\\Data", false));
    EXPECT_EQ(W(exact), u"C:\\Data");

    // A component that does not fit fails at once, even when a later ".." or
    // the dropped file name would make the result short enough.
    char16_t eleven[11];
    EXPECT_TRUE(CombinePathW(eleven, 11, u"C:\\Game", u"x", false));
    EXPECT_EQ(W(eleven), u"C:\\Game\\x");
    EXPECT_FALSE(CombinePathW(eleven, 11, u"C:\\Game\\Folder", u"..\\x", false));
    EXPECT_FALSE(CombinePathW(eleven, 11, u"C:\\Game\\lang.txt", u"x", true));
    EXPECT_FALSE(CombinePathW(eleven, 11, u"D:\\", u"C:\\Game\\Folder\\..\\x", false));

    char16_t shared[64] = u"C:\\Game\\Data\\lang.txt";
    EXPECT_TRUE(CombinePathW(shared, 64, shared, u"..\\x", true));
    EXPECT_EQ(W(shared), u"C:\\Game\\x");
}

TEST(Paths, ProgramFolderAndFileExistence) {
    char16_t dir[512];
    GetModuleDirW(dir, 512);
    std::u16string folder = dir;
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), u'\\');
    EXPECT_TRUE(platform::FolderExists(platform::GamePath(folder)));
    char dirA[512];
    EXPECT_EQ(std::string(GetModuleDirA(dirA, 512)).size(), folder.size()); // ASCII folder here

    testsupport::TempDir temp;
    testsupport::WriteFileBytes(temp.File("Here.txt"), "x");
    std::u16string base = platform::ToGamePath(temp.Path().string());
    EXPECT_TRUE(FileExistsW((base + u"\\here.TXT").c_str()));
    EXPECT_FALSE(FileExistsW(base.c_str())); // a folder
    EXPECT_FALSE(FileExistsW((base + u"\\missing").c_str()));
    EXPECT_FALSE(FileExistsW(nullptr));
}
