#include "app/RecordsFile.h"
#include "app/Profiles.h"
#include "engine/Log.h"
#include "platform/Random.h"
#include "platform/Utf.h"
#include "tests/support/Damage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

std::u16string U16(const std::string& s) {
    return platform::Utf8ToUtf16(s);
}

std::vector<std::string> Lines(const kis::WideStrings& list) {
    std::vector<std::string> lines;
    for (int32_t i = 0; i < list.Count(); ++i)
        lines.push_back(platform::Utf16ToUtf8(list.GetText(i)));
    return lines;
}
std::vector<std::string> Lines(const std::u16string& path) {
    kis::WideStrings list;
    LoadStringsFromFile(list, path);
    return Lines(list);
}

struct RecordsFileTest : ::testing::Test {
    TempDir dir;
    std::u16string folder = U16(dir.Path().string());
};

TEST_F(RecordsFileTest, ATextLineFileIsTheMarkAndTheLinesJoinedByTheSeparator) {
    const std::u16string path = U16(dir.File("ab.txt"));
    RecordsKeeping keeping;
    ASSERT_TRUE(WriteRecordsAside(U16(dir.File("new.txt")), {u"a", u"b"}, path, &keeping));
    EXPECT_EQ(ReadFileBytes(dir.File("ab.txt")), std::string("\xFF\xFE\x61\x00\x0D\x00\x0A\x00\x62\x00", 10));
    EXPECT_TRUE(keeping.keptAs.empty());

    kis::WideStrings back;
    LoadStringsFromFile(back, path);
    EXPECT_EQ(Lines(back), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(std::u16string(back.separator), u"\r\n");

    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {"no mark", std::string("a\r\nb"), {}},
        {"mark only", std::string("\xFF\xFE"), {}},
        {"one byte", std::string("\xFF"), {}},
        {"big-endian mark", std::string("\xFE\xFF\x00\x61", 4), {}},
        {"trailing line end", std::string("\xFF\xFE\x61\0\r\0\n\0b\0\r\0\n\0", 14), {"a", "b"}},
        {"empty line", std::string("\xFF\xFE\x61\0\r\0\n\0\r\0\n\0b\0", 14), {"a", "", "b"}},
        {"zero ends the text", std::string("\xFF\xFE\x61\0\n\0b\0\0\0c\0", 12), {"a", "b"}},
        {"odd last byte", std::string("\xFF\xFE\x61\0\n\0b\0c", 9), {"a", "b"}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFileBytes(dir.File("case.txt"), c.bytes));
        EXPECT_EQ(Lines(U16(dir.File("case.txt"))), c.lines) << c.name;
    }
    kis::WideStrings missing;
    missing.Add(u"x");
    LoadStringsFromFile(missing, U16(dir.File("none.txt")));
    EXPECT_EQ(missing.Count(), 0);
}

// The win's line goes with the stored result, as the level stores it.
TEST_F(RecordsFileTest, AWonRunAddsOneLineToTheCurrentProfilesFile) {
    ProfileManager profiles(folder);
    RecordsFile records(&profiles);
    Profile* anna = profiles.CreateProfile(u"Anna");
    ASSERT_TRUE(SelectProfile(anna));
    LevelResult result = {};
    anna->StoreLevelResult(7, 307000 + 999, &result); // not switched on; 5 min 7.999 s, rounded up
    EXPECT_EQ(platform::Utf16ToUtf8(RecordsLine(result)), "Рекорд level_08 Easy: 00:05:08");
    EXPECT_FALSE(std::filesystem::exists(dir.File("records1.txt")));

    records.Enable(7);
    anna->StoreLevelResult(7, 307000 + 999, &result);
    EXPECT_FALSE(records.IsEnabled());
    anna->StoreLevelResult(7, 307000 + 999, &result); // the run's one line only
    records.Enable(40);
    anna->MutableRecord().results.regime = kRegimeHard;
    anna->StoreLevelResult(40, (12 * 3600 + 34 * 60 + 56) * 1000, &result);

    EXPECT_EQ(Lines(records.CurrentPath()),
              (std::vector<std::string>{"Рекорд level_08 Easy: 00:05:08", "Рекорд level_41 Hard: 12:34:56"}));
    const std::string bytes = ReadFileBytes(dir.File("records1.txt"));
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(bytes.find(std::string("\r\0\n\0", 4)), 2 + 2 * 30u);
    EXPECT_NE(bytes.substr(bytes.size() - 2), std::string("\n\0", 2)); // nothing after the last line
}

TEST_F(RecordsFileTest, AFileThatIsNotOursIsKeptAsideAndDamageNeverStopsTheGame) {
    ProfileManager profiles(folder);
    RecordsFile records(&profiles);
    ASSERT_TRUE(SelectProfile(profiles.CreateProfile(u"Anna")));
    const auto win = [&] {
        records.Enable(0);
        profiles.Current()->StoreLevelResult(0, 1000, nullptr);
    };

    const std::string foreign = "my own notes, 8-bit";
    ASSERT_TRUE(WriteFileBytes(dir.File("records1.txt"), foreign));
    struct stat notes = {}, kept = {};
    ASSERT_EQ(stat(dir.File("records1.txt").c_str(), &notes), 0);
    win();
    EXPECT_EQ(ReadFileBytes(dir.File("records1.txt.bad")), foreign);
    EXPECT_TRUE(stat(dir.File("records1.txt.bad").c_str(), &kept) == 0 && kept.st_ino == notes.st_ino);
    EXPECT_EQ(Lines(records.CurrentPath()).size(), 1u);

    // A zero unit in line 3 of 10 ends the reading: the file goes aside by the last copy, earlier text stays.
    std::string cut = "\xFF\xFE";
    for (int i = 0; i < 10; ++i) {
        if (i > 0) cut.append("\r\0\n\0", 4);
        for (char c : std::string("line ") + char('0' + i))
            cut.append({c, '\0'});
    }
    cut.replace(42, 4, std::string("\0\0\0\x80", 4));
    ASSERT_TRUE(WriteFileBytes(dir.File("records1.txt"), cut));
    win();
    EXPECT_EQ(ReadFileBytes(dir.File("records1.txt.bad2")), cut);
    EXPECT_EQ(Lines(records.CurrentPath()),
              (std::vector<std::string>{"line 0", "line 1", "line", "Рекорд level_01 Easy: 00:00:01"}));

    // Lines are written back with their own separator; an odd last byte is no damage: nothing kept aside.
    const std::string vtCr("\xFF\xFE\x61\0\v\0\r\0\n\0\x62\0", 12);
    for (const std::string& own : {std::string("\xFF\xFE\x61\0x", 5), vtCr}) {
        ASSERT_TRUE(WriteFileBytes(dir.File("records1.txt"), own));
        win();
    }
    EXPECT_EQ(ReadFileBytes(dir.File("records1.txt")).substr(0, 16), vtCr + std::string("\v\0\r\0", 4));
    EXPECT_FALSE(std::filesystem::exists(dir.File("records1.txt.bad3")));

    // Random damage to a good file: it loads as some list and one more line is added.
    win();
    const std::string good = ReadFileBytes(dir.File("records1.txt"));
    platform::SeedRand(1021);
    testsupport::ForRounds(300, 5000, [&](int round) {
        const std::string bad = testsupport::Damage(good, round);
        ASSERT_TRUE(WriteFileBytes(dir.File("records1.txt"), bad));
        std::filesystem::remove(dir.File("records1.txt.bad"));
        kis::WideStrings before;
        LoadStringsFromFile(before, records.CurrentPath());
        win();
        kis::WideStrings after;
        LoadStringsFromFile(after, records.CurrentPath());
        if (bad.size() >= 2 && bad[0] == '\xFF' && bad[1] == '\xFE') {
            ASSERT_GE(after.Count(), 1);
            ASSERT_EQ(platform::Utf16ToUtf8(after.GetText(after.Count() - 1)),
                      "Рекорд level_01 Easy: 00:00:01");
        } else {
            ASSERT_EQ(ReadFileBytes(dir.File("records1.txt.bad")), bad);
            ASSERT_EQ(after.Count(), 1);
        }
    });
    // A file larger than records are read is set aside whole, unread.
    std::filesystem::remove(dir.File("records1.txt.bad"));
    ASSERT_TRUE(WriteFileBytes(dir.File("records1.txt"), "\xFF\xFE" + std::string(5 << 20, 'a')));
    win();
    EXPECT_EQ(std::filesystem::file_size(dir.File("records1.txt.bad")), (5u << 20) + 2);
    EXPECT_EQ(Lines(records.CurrentPath()).size(), 1u);
    // Too many files open while a win is saved: nothing is set aside, the cause is told, trying again adds
    // it.
    ASSERT_TRUE(testsupport::WithNoFreeDescriptor(win));
    EXPECT_FALSE(std::filesystem::exists(dir.File("records1.txt.bad3"))) << "the next kept name";
    EXPECT_EQ(profiles.FailureCause(), "too many files are open");
    EXPECT_TRUE(profiles.RetryWrites());
    EXPECT_EQ(Lines(records.CurrentPath()).size(), 2u);
}

// A win goes into the profile and the records file together: wherever the program stops while it puts them in
// place (the gate leaves what was written aside as a stop would), the next start finds both with the win or
// both without it, no copy left over, and a records file cut short keeps its line.
TEST_F(RecordsFileTest, AStopWhileAWinIsSavedLeavesRecordsAndProfileAlike) {
    std::vector<int> withWin;
    const std::string cut("\xFF\xFE\x61\0\0\0\x62\0", 8);
    for (int stopAt = 1; stopAt <= 12; ++stopAt) {
        SCOPED_TRACE(stopAt);
        const bool damaged = stopAt > 6;
        TempDir run;
        const std::u16string user = U16(run.Path().string());
        {
            ProfileManager profiles(user);
            RecordsFile records(&profiles);
            ASSERT_TRUE(SelectProfile(profiles.CreateProfile(u"Anna")));
            ASSERT_TRUE(!damaged || WriteFileBytes(run.File("records1.txt"), cut));
            int asked = 0;
            profiles.SetWriteGate([&](const std::u16string&) { return ++asked != (stopAt - 1) % 6 + 1; });
            records.Enable(3);
            LevelResult result = {};
            profiles.Current()->StoreLevelResult(3, 61000, &result);
        }
        ProfileManager again(user);
        again.Load();
        ASSERT_NE(again.Current(), nullptr);
        const bool won =
            again.Current()->Record().results.regimes[kRegimeEasy].levels[3].status >= kLevelBronze;
        const std::vector<std::string> lines = Lines(again.RecordsPath(1));
        EXPECT_EQ(lines.size(), size_t(won + damaged));
        EXPECT_EQ(!lines.empty() && lines.back() == "Рекорд level_04 Easy: 00:01:01", won)
            << (lines.empty() ? "" : lines.back());
        for (const auto& entry : std::filesystem::directory_iterator(run.Path()))
            EXPECT_NE(entry.path().extension(), ".win") << entry.path();
        withWin.push_back(won);
    }
    // The stops fall before and after the moment the win counts; without one it is kept.
    EXPECT_EQ(withWin, (std::vector<int>{0, 0, 1, 1, 1, 1, 0, 0, 1, 1, 1, 1}));

    // An entry in a win's way after the first win is set aside and logged; wins kept, nothing made outside.
    for (const char* name : {"profile1.dat.bak", "profile1.dat.win", "profile1.dat.win.bak",
                             "records1.txt.win", "profiles.dat.bak"})
        for (const char* make : {"ln -s ../outside", "ln -s ../made", "mkdir", "mkfifo", "echo mine >"}) {
            // A link to a file, to nowhere, a folder, a pipe; a file of the player's is a stopped write's.
            SCOPED_TRACE(std::string(name) + " " + make);
            const bool own = make[0] == 'e';
            TempDir run;
            const std::string user = run.File("user"), outside = run.File("outside"), at = user + "/" + name;
            ASSERT_TRUE(std::filesystem::create_directory(user) && WriteFileBytes(outside, "not ours"));
            ASSERT_TRUE(LogStart(U16(run.File("log.txt")).c_str()));
            ProfileManager profiles(U16(user));
            RecordsFile records(&profiles);
            ASSERT_TRUE(SelectProfile(profiles.CreateProfile(u"Anna")));
            for (int level = 0; level < 3; ++level) {
                ASSERT_EQ(level != 1 ? 0 : std::system((std::string(make) + " '" + at + "'").c_str()), 0);
                records.Enable(level);
                profiles.Current()->StoreLevelResult(level, 61000 - level * 1000, nullptr);
            }
            EXPECT_TRUE(profiles.SaveCurrent()); // as the game's end saves
            LogFinish();
            EXPECT_EQ(Lines(profiles.RecordsPath(1)).size(), 3u);
            EXPECT_EQ(ReadFileBytes(outside), "not ours");
            EXPECT_FALSE(std::filesystem::exists(run.File("made")));
            EXPECT_EQ(ReadFileBytes(run.File("log.txt")).find(at + " is not a file of the game") != at.npos,
                      !own);
            EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status(at + ".bad")), !own);
        }
}

} // namespace
