#include "platform/Files.h"
#include "platform/Utf.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

using namespace platform;
using testsupport::TempDir;

TEST(Utf, RoundTripsAndReplacesMalformedInput) {
    std::u16string text = u"Gr\u00FC\u00DFe \u20AC \U0001F955";
    EXPECT_EQ(Utf16ToUtf8(text), "Gr\xC3\xBC\xC3\x9F"
                                 "e \xE2\x82\xAC \xF0\x9F\xA5\x95");
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"a"), "\xEF\xBF\xBD"
                                                                       "a");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"
                          "b"),
              u"\uFFFD\uFFFDb");                       // overlong lead bytes
    EXPECT_EQ(Utf8ToUtf16("\xE2\x82"), u"\uFFFD");     // cut sequence
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD"); // encoded surrogate
}

// Names the system gives are bytes: each that is not valid UTF-8 passes
// through UTF-16 and back unchanged, while valid UTF-8 reads as text does.
TEST(Utf, NativeNamesComeBackByteForByte) {
    struct Case {
        std::string bytes;
        std::u16string text;
    };
    const Case cases[] = {
        {"plain", u"plain"},
        {"Gr\xC3\xBC\xC3\x9F", u"Gr\u00FC\u00DF"},     // valid UTF-8 is text
        {"\xE9t\xE9", u"\xDCE9t\xDCE9"},               // Latin-1
        {"\xFF\xFE", u"\xDCFF\xDCFE"},                 // never in UTF-8
        {"a\xC3", u"a\xDCC3"},                         // cut at the end
        {"\xC3(", u"\xDCC3("},                         // cut by a non-continuation
        {"\xC0\xAF", u"\xDCC0\xDCAF"},                 // overlong
        {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},       // an encoded surrogate
        {"\xF0\x9F\xA5\x95\x80", u"\U0001F955\xDC80"}, // a stray continuation
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(NativeToUtf16(c.bytes), c.text);
        EXPECT_EQ(Utf16ToNative(c.text), c.bytes);
    }
    // Surrogates that stand for no byte stay replaced.
    EXPECT_EQ(Utf16ToNative(std::u16string{char16_t(0xDC41), char16_t(0xD800)}), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

// A folder whose name is not UTF-8, met through the environment, a folder
// listing or a path given in UTF-16, is the same folder each way.
TEST(Files, FolderNamesThatAreNotUtf8AreKept) {
    TempDir dir;
    const std::string base = dir.File("share-\xE9\xFF");
    ASSERT_TRUE(std::filesystem::create_directories(base + "/Maker/Game"));
    ASSERT_TRUE(testsupport::WriteFileBytes(base + "/Maker/Game/f-\xE9.txt", "abc"));
    setenv("XDG_DATA_HOME", base.c_str(), 1);
    const std::u16string user = UserFolder(u"Maker", u"Game");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(GamePath(user).Utf8(), base + "/Maker/Game");
    EXPECT_TRUE(FolderExists(user));
    const std::vector<std::u16string> names = FolderEntries(user);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], u"f-\xDCE9.txt");
    EXPECT_EQ(FileSize(user + u"\\" + names[0]), 3);
    EXPECT_TRUE(CreateFolder(user + u"\\new-\xDCFF"));
    EXPECT_TRUE(std::filesystem::is_directory(base + "/Maker/Game/new-\xFF"));
    const std::u16string here = CurrentFolder();
    ASSERT_TRUE(SetCurrentFolder(user));
    EXPECT_EQ(CurrentFolder(), ToGamePath(std::filesystem::canonical(base + "/Maker/Game").string()));
    ASSERT_TRUE(SetCurrentFolder(here));
}

TEST(Files, GamePathsFindFilesIgnoringCaseFolderByFolder) {
    TempDir dir;
    ASSERT_TRUE(CreateFolder(dir.File("Data/Sounds")));
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("Data/Sounds/Click.WAV"), "abc"));
    std::u16string game = ToGamePath(dir.Path().string()) + u"\\data\\SOUNDS\\click.wav";
    EXPECT_TRUE(FileExists(game));
    EXPECT_FALSE(FolderExists(game));
    EXPECT_TRUE(FolderExists(ToGamePath(dir.Path().string()) + u"\\DATA"));
    EXPECT_EQ(FileSize(game), 3);
    EXPECT_EQ(NativePath(game), dir.File("Data/Sounds/Click.WAV"));
    // A missing name keeps the caller's spelling below the resolved folders.
    EXPECT_EQ(NativePath(dir.File("data\\new\\File.txt")), dir.File("Data/new/File.txt"));
    EXPECT_FALSE(PathExists(dir.File("data\\new")));
    auto bytes = ReadWholeFile(game, 3);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "abc");
}

TEST(Files, OpenFollowsTheCreationRules) {
    TempDir dir;
    std::string path = dir.File("f.bin");
    EXPECT_FALSE(File::Open(path, kFileRead, FileCreation::OpenExisting).IsOpen());
    {
        File f = File::Open(path, kFileReadWrite, FileCreation::CreateNew);
        ASSERT_TRUE(f.IsOpen());
        EXPECT_TRUE(f.WriteExact("hello world", 11));
        EXPECT_EQ(f.Seek(-5, SeekOrigin::End), 6);
        char buf[8] = {};
        EXPECT_EQ(f.Read(buf, 8), 5);
        EXPECT_EQ(std::string(buf), "world");
        EXPECT_EQ(f.Read(buf, -1), -1);
        EXPECT_TRUE(f.SetSize(5));
        EXPECT_EQ(f.Size(), 5);
        EXPECT_TRUE(f.Flush());
        File moved = std::move(f);
        EXPECT_FALSE(f.IsOpen());
        EXPECT_TRUE(moved.IsOpen());
    }
    EXPECT_FALSE(File::Open(path, kFileReadWrite, FileCreation::CreateNew).IsOpen());
    EXPECT_EQ(File::Open(path, kFileRead, FileCreation::OpenAlways).Size(), 5);
    EXPECT_EQ(File::Open(path, kFileWrite, FileCreation::CreateAlways).Size(), 0);
    EXPECT_FALSE(File::Open(dir.Path().string(), kFileRead, FileCreation::OpenExisting).IsOpen());
    // A pipe is no file: refused at once, where a blocking open would wait for its other end.
    ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0600), 0);
    for (FileAccess access : {kFileRead, kFileWrite, kFileReadWrite})
        EXPECT_FALSE(File::Open(dir.File("pipe"), access, FileCreation::OpenAlways).IsOpen()) << access;
}

TEST(Files, RenameReplacesTheTargetAndDeleteRemovesOnlyFiles) {
    TempDir dir;
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("new"), "new"));
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("Old"), "old"));
    EXPECT_TRUE(RenameFile(dir.File("new"), dir.File("old")));
    EXPECT_EQ(testsupport::ReadFileBytes(dir.File("Old")), "new");
    EXPECT_FALSE(FileExists(dir.File("new")));
    EXPECT_FALSE(RenameFile(dir.File("new"), dir.File("old")));
    // A folder that cannot be flushed for want of a descriptor does not undo a rename that worked.
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("new"), "new"));
    int syncError = 0;
    ASSERT_TRUE(testsupport::WithNoFreeDescriptor(
        [&] { EXPECT_TRUE(RenameFile(dir.File("new"), dir.File("Old"), &syncError)); }));
    EXPECT_FALSE(FileExists(dir.File("new")));
    EXPECT_EQ(syncError, EMFILE);
    EXPECT_FALSE(DeleteFile(dir.Path().string()));
    EXPECT_TRUE(DeleteFile(dir.File("OLD")));
    EXPECT_FALSE(PathExists(dir.File("Old")));
}

TEST(Files, FoldersOfTheProgramAndTheUser) {
    EXPECT_TRUE(FolderExists(ModuleFolder()));
    std::u16string here = CurrentFolder();
    TempDir dir;
    ASSERT_TRUE(SetCurrentFolder(dir.Path().string()));
    EXPECT_EQ(CurrentFolder(), ToGamePath(std::filesystem::canonical(dir.Path()).string()));
    ASSERT_TRUE(SetCurrentFolder(here));
    setenv("XDG_DATA_HOME", "/x/share/", 1);
    EXPECT_EQ(UserFolder(u"Maker", u"Game"), u"\\x\\share\\Maker\\Game");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(UserFolder(u"", u"").substr(UserFolder(u"", u"").size() - 13), u"\\.local\\share");
}
