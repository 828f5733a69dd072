#include "app/Profiles.h"
#include "app/App.h"
#include "foundation/DataFile.h"
#include "platform/Random.h"
#include "platform/Utf.h"
#include "tests/support/Damage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

std::u16string U16(const std::string& s) {
    return platform::Utf8ToUtf16(s);
}

std::string U8(const std::u16string& s) {
    return platform::Utf16ToUtf8(s);
}

struct ProfilesTest : ::testing::Test {
    App app; // the shell's state the test runs on
    TempDir dir;
    std::u16string folder = U16(dir.Path().string());
    std::string File(const std::string& name) const { return dir.File(name); }

    std::set<std::string> Names(const ProfileManager& m) const {
        std::set<std::string> names;
        for (int i = 0; i < m.Count(); ++i)
            names.insert(U8(m.GetProfile(i)->Name()));
        return names;
    }
};

TEST_F(ProfilesTest, NamesAreCheckedAndNormalisedBeforeAnyFileIsNamed) {
    ProfileManager m(folder);
    ASSERT_NE(m.CreateProfile(u"Anna"), nullptr);
    struct Case {
        const char16_t* name;
        int32_t error;
        const char* normal;
    } cases[] = {
        {u"", kProfileErrorEmpty, ""},
        {u"   \t ", kProfileErrorEmpty, ""},
        {nullptr, kProfileErrorEmpty, ""},
        {u"  Bo    Ek  ", kProfileOk, "Bo Ek"},
        {u"abcdefghijklmnop", kProfileOk, "abcdefghijklmnop"},
        {u"abcdefghijklmnopq", kProfileErrorTooLong, ""},
        {u"  abcdefgh   ijklmno ", kProfileOk, "abcdefgh ijklmno"},
        {u"a\x01", kProfileErrorCharacter, ""},
        {u"..\\..\\x", kProfileOk, "..\\..\\x"}, // a name, never a path
        {u"Anna", kProfileErrorUsed, ""},
        {u"  Anna ", kProfileErrorUsed, ""},
        {u"Йорик", kProfileOk, "Йорик"},
    };
    for (const Case& c : cases) {
        std::u16string normal;
        EXPECT_EQ(m.NormalizeName(c.name, &normal), c.error) << (c.name ? U8(c.name) : "null");
        if (c.error == kProfileOk) {
            EXPECT_EQ(U8(normal), c.normal);
        }
    }
    // The name that looks like a path makes profile2.dat, nothing else.
    ASSERT_NE(m.CreateProfile(u"..\\..\\x"), nullptr);
    EXPECT_TRUE(std::filesystem::exists(File("profile2.dat")));
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 3); // two profiles and profiles.dat

    // A narrower allowed map refuses what it does not hold.
    std::vector<uint8_t> map(65537, 0);
    for (char16_t c = u'a'; c <= u'z'; ++c)
        map[c] = 1;
    m.SetAllowedCharacters(map);
    EXPECT_EQ(m.NormalizeName(u"abc", nullptr), kProfileOk);
    EXPECT_EQ(m.NormalizeName(u"abC", nullptr), kProfileErrorCharacter);
}

TEST_F(ProfilesTest, TwelveProfilesAtMostListedNewestFirst) {
    ProfileManager m(folder);
    for (int i = 0; i < kMaxProfiles; ++i) {
        int32_t error = -1;
        ASSERT_NE(m.CreateProfile(U16("p" + std::to_string(i)).c_str(), &error), nullptr);
        EXPECT_EQ(error, kProfileOk);
    }
    int32_t error = 0;
    EXPECT_EQ(m.CreateProfile(u"thirteenth", &error), nullptr);
    EXPECT_EQ(error, kProfileErrorTooMany);
    EXPECT_EQ(U8(m.GetProfile(0)->Name()), "p11");
    EXPECT_EQ(U8(m.GetProfile(11)->Name()), "p0");
    EXPECT_EQ(m.GetProfile(12), nullptr);
    EXPECT_EQ(m.GetProfile(-1), nullptr);

    ProfileManager again(folder);
    again.Load();
    ASSERT_EQ(again.Count(), kMaxProfiles);
    for (int i = 0; i < kMaxProfiles; ++i)
        EXPECT_EQ(U8(again.GetProfile(i)->Name()), U8(m.GetProfile(i)->Name()));
}

TEST_F(ProfilesTest, SelectingCountsUsesAndTheGreetingFollows) {
    ProfileManager m(folder);
    Profile* a = m.CreateProfile(u"Anna");
    Profile* b = m.CreateProfile(u"Bo");
    EXPECT_STREQ(U8(a->GreetingKey()).c_str(), "welcom");
    EXPECT_TRUE(SelectProfile(a));
    EXPECT_EQ(a->Record().useCount, 1u);
    EXPECT_TRUE(SelectProfile(a)); // already current: nothing
    EXPECT_EQ(a->Record().useCount, 1u);
    EXPECT_STREQ(U8(a->GreetingKey()).c_str(), "welcom");
    EXPECT_TRUE(SelectProfile(b));
    EXPECT_TRUE(SelectProfile(a));
    EXPECT_EQ(a->Record().useCount, 2u);
    EXPECT_STREQ(U8(a->GreetingKey()).c_str(), "hello");
    EXPECT_FALSE(SelectProfile(nullptr));

    // The greeting's profile tag, in any case and with its number, becomes the name.
    const struct {
        const char16_t* text;
        const char* named;
    } greetings[] = {
        {u"Hello, [PROFILE N]!", "Hello, Anna!"},
        {u"[profile] and [Profile 2]", "Anna and Anna"},
        {u"[PRODUCT 3] stays, [unclosed", "[PRODUCT 3] stays, [unclosed"},
        {u"", ""},
    };
    for (const auto& g : greetings)
        EXPECT_EQ(U8(a->NameInGreeting(g.text).c_str()), g.named) << g.named;

    // The use counter and the current profile survive a restart.
    ProfileManager again(folder);
    again.Load();
    ASSERT_NE(again.Current(), nullptr);
    EXPECT_EQ(U8(again.Current()->Name()), "Anna");
    EXPECT_EQ(again.Current()->Record().useCount, 2u);
}

TEST_F(ProfilesTest, ANameThatNoLongerPassesShowsTheErrorInsteadOfSelecting) {
    std::vector<std::pair<std::string, std::string>> shown;
    static std::vector<std::pair<std::string, std::string>>* sink;
    sink = &shown;
    SetProfileErrorPresenter([](const char16_t* caption, const char16_t* text) {
        sink->emplace_back(platform::Utf16ToUtf8(caption), platform::Utf16ToUtf8(text));
    });
    ProfileManager m(folder);
    Profile* a = m.CreateProfile(u"anna");
    std::vector<uint8_t> map(65537, 0);
    map[u'b'] = 1;
    m.SetAllowedCharacters(map);
    EXPECT_FALSE(SelectProfile(a));
    EXPECT_EQ(m.Current(), nullptr);
    EXPECT_EQ(a->Record().useCount, 0u);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].second, "err_unknown"); // no language loaded: the key itself
    SetProfileErrorPresenter(nullptr);

    EXPECT_STREQ(U8(ProfileErrorKey(kProfileErrorEmpty)).c_str(), "err_empty");
    EXPECT_STREQ(U8(ProfileErrorKey(kProfileErrorUsed)).c_str(), "err_used");
    EXPECT_STREQ(U8(ProfileErrorKey(kProfileErrorTooLong)).c_str(), "err_unknown");
}

TEST_F(ProfilesTest, DeletingTheCurrentProfileLeavesNoPointerToIt) {
    ProfileManager m(folder);
    Profile* a = m.CreateProfile(u"Anna");
    m.CreateProfile(u"Bo");
    ASSERT_TRUE(SelectProfile(a));
    std::vector<std::string> heard;
    Profile* held = a; // as a screen would hold it
    m.AddListener(&heard, [&](ProfileEvent event, Profile* p) {
        if (event == ProfileEvent::Deleted && p == held) held = nullptr;
        heard.push_back(event == ProfileEvent::Deleted ? "deleted " + U8(p->Name())
                        : event == ProfileEvent::CurrentLeaving
                            ? "leaving " + U8(p->Name())
                            : "current " + (p ? U8(p->Name()) : std::string("none")));
    });
    m.DeleteProfile(a);
    EXPECT_EQ(held, nullptr);
    EXPECT_EQ(m.Current(), nullptr);
    EXPECT_EQ(heard, (std::vector<std::string>{"leaving Anna", "deleted Anna", "current none"}));
    EXPECT_FALSE(std::filesystem::exists(File("profile1.dat")));
    EXPECT_EQ(Names(m), (std::set<std::string>{"Bo"}));
    m.RemoveListener(&heard);

    ProfileManager again(folder);
    again.Load();
    EXPECT_EQ(again.Current(), nullptr);
    EXPECT_EQ(Names(again), (std::set<std::string>{"Bo"}));

    // A number whose records file is still there is not given again.
    ASSERT_TRUE(WriteFileBytes(File("records1.txt"), "\xFF\xFE"));
    Profile* c = again.CreateProfile(u"Cy");
    EXPECT_EQ(c->Number(), 3u);
    std::filesystem::remove(File("records1.txt"));
    EXPECT_EQ(again.CreateProfile(u"Di")->Number(), 1u);
}

// A level table of ten levels: three per group, level 2 gives bonus 1, level
// 5 bonus 4; limits gold 60 s, silver 90 s, bronze 120 s (hard: half).
ProfileHooks TestTable(std::vector<std::string>* calls) {
    ProfileHooks hooks;
    hooks.levelInfo = [](int32_t level, ProfileLevelInfo* info) {
        if (level >= 10) return false;
        info->group = uint32_t(level / 3);
        info->bonus = level == 2 ? 1 : level == 5 ? 4 : -1;
        const uint32_t easy[3] = {120000, 90000, 60000};
        for (int i = 0; i < 3; ++i) {
            info->limits[kRegimeEasy][i] = easy[i];
            info->limits[kRegimeHard][i] = easy[i] / 2;
        }
        return true;
    };
    hooks.setCurrentLevel = [calls](int32_t level) { calls->push_back("current " + std::to_string(level)); };
    hooks.setMapState = [calls](const LevelResult& r) {
        calls->push_back("state " + std::to_string(r.level));
    };
    return hooks;
}

// A bonus new to the profile goes into the next level with the player: it
// is appended to the chosen bonuses, or takes the third's place when three
// are chosen; winning the level again changes no choice.
TEST_F(ProfilesTest, ANewBonusJoinsTheChosenBonuses) {
    struct Case {
        uint32_t count;
        std::array<int32_t, 3> before;
        std::array<int32_t, 3> after;
        uint32_t countAfter;
    };
    for (const Case c : {Case{0, {-1, -1, -1}, {1, -1, -1}, 1}, Case{2, {0, 3, -1}, {0, 3, 1}, 3},
                         Case{3, {0, 3, 5}, {0, 3, 1}, 3}}) {
        std::vector<std::string> calls;
        ProfileManager m(folder);
        m.SetHooks(TestTable(&calls));
        Profile* a = m.CreateProfile(u"Anna");
        RegimeProgress& easy = a->MutableRecord().results.regimes[kRegimeEasy];
        easy.chosenCount = c.count;
        for (int i = 0; i < 3; ++i) {
            easy.chosen[i] = c.before[size_t(i)];
            if (c.before[size_t(i)] >= 0) easy.owned[c.before[size_t(i)]] = 1;
        }
        LevelResult r;
        for (int win = 0; win < 2; ++win) {
            a->StoreLevelResult(2, 75000, &r); // level 2 gives bonus 1
            EXPECT_EQ(easy.chosenCount, c.countAfter) << c.count << " win " << win;
            EXPECT_EQ((std::array<int32_t, 3>{easy.chosen[0], easy.chosen[1], easy.chosen[2]}), c.after)
                << c.count << " win " << win;
        }
        m.DeleteProfile(a);
    }
}

TEST_F(ProfilesTest, StoringALevelResultFillsTheRecordAndUnlocksTheNextGroup) {
    std::vector<std::string> calls;
    ProfileManager m(folder);
    m.SetHooks(TestTable(&calls));
    Profile* a = m.CreateProfile(u"Anna");
    Profile* b = m.CreateProfile(u"Bo");
    const auto& easy = a->Record().results.regimes[kRegimeEasy].levels;

    a->StoreSavedLevel(2, {1, 2, 3});
    LevelResult r;
    a->StoreLevelResult(2, 75000, &r); // silver, first finish
    const uint32_t expected[11] = {2,
                                   kResultNewBest | kResultRecord | kResultNewBonus,
                                   kRegimeEasy,
                                   120000,
                                   90000,
                                   60000,
                                   kLevelLocked,
                                   kLevelSilver,
                                   0,
                                   75000,
                                   1};
    EXPECT_EQ(std::vector<uint32_t>(reinterpret_cast<uint32_t*>(&r), reinterpret_cast<uint32_t*>(&r) + 11),
              std::vector<uint32_t>(expected, expected + 11));
    EXPECT_EQ(easy[2].status, kLevelSilver);
    EXPECT_EQ(easy[3].status, kLevelOpen);     // the next level
    EXPECT_EQ(easy[4].status, kLevelUpcoming); // the rest of the following group
    EXPECT_EQ(easy[5].status, kLevelUpcoming);
    EXPECT_EQ(easy[6].status, kLevelLocked); // two groups on
    EXPECT_TRUE(a->HasBonus(1));
    EXPECT_EQ(a->Record().results.regimes[kRegimeEasy].newBonus >> 24, 2u);
    EXPECT_FALSE(a->HasSavedLevel(2));
    EXPECT_EQ(calls, (std::vector<std::string>{"current 2", "state 2"}));

    // Slower again: no new best, the status keeps the higher grade, the bonus is not new.
    a->StoreLevelResult(2, 110000, &r);
    EXPECT_EQ(r.grade, kLevelBronze);
    EXPECT_EQ(r.flags, 0u);
    EXPECT_EQ(r.statusBefore, kLevelSilver);
    EXPECT_EQ(r.bestBefore, 75000u);
    EXPECT_EQ(easy[2].status, kLevelSilver);

    // Another profile: its own first best, but not every profile's best; then gold beats everyone.
    b->StoreLevelResult(2, 80000, &r);
    EXPECT_EQ(r.flags & (kResultNewBest | kResultRecord), kResultNewBest);
    b->StoreLevelResult(2, 50000, &r);
    EXPECT_EQ(r.grade, kLevelGold);
    EXPECT_EQ(r.flags & (kResultNewBest | kResultRecord), kResultNewBest | kResultRecord);
    EXPECT_EQ(m.BestTime(kRegimeEasy, 2), 50000u);
    EXPECT_EQ(U8(m.BestHolder(kRegimeEasy, 2)), "Bo");
    // Bests go by the shown second: 49,100 ms reads 00:00:50 as Bo's best and the record do, so it is
    // neither.
    b->StoreLevelResult(2, 49100, &r);
    EXPECT_EQ(r.flags & (kResultNewBest | kResultRecord), 0u);

    // Beyond the bronze limit the easy regime still gives bronze. Without a level object: bronze.
    a->StoreLevelResult(4, 130000, &r);
    EXPECT_EQ(r.grade, kLevelBronze);
    a->StoreLevelResult(6, -1, &r);
    EXPECT_EQ(r.grade, kLevelBronze);
    EXPECT_EQ(r.timeMs, 0u);

    // The eighth level opens the hard regime once.
    a->StoreLevelResult(kHardRegimeLevel, 1000, &r);
    EXPECT_TRUE(r.flags & kResultHardRegime);
    EXPECT_EQ(a->Record().results.hardAvailable, 1u);
    a->StoreLevelResult(kHardRegimeLevel, 1000, &r);
    EXPECT_FALSE(r.flags & kResultHardRegime);

    // The last level of the table opens nothing beyond it.
    a->StoreLevelResult(9, 1000, &r);
    EXPECT_EQ(easy[10].status, kLevelLocked);

    int32_t medals[3];
    EXPECT_EQ(a->CountMedals(kRegimeEasy, medals), 5); // levels 2, 4, 6, 7, 9
    EXPECT_EQ(medals[0], 2);
    EXPECT_EQ(medals[1], 1);
    EXPECT_EQ(medals[2], 2);
    EXPECT_EQ(a->CountPassedLevels(kRegimeEasy), 5);
    EXPECT_EQ(a->CountPassedLevels(kRegimeHard), 0);

    // The regime switches what the bonuses and saved games answer.
    int32_t list[kBonusCount];
    EXPECT_EQ(a->ListBonuses(list), 1);
    EXPECT_EQ(list[0], 1);
    a->StoreSavedLevel(3, {9});
    a->SetRegime(kRegimeHard);
    EXPECT_EQ(a->ListBonuses(nullptr), 0);
    EXPECT_FALSE(a->HasSavedLevel(3));
    a->StoreLevelResult(4, 70000, &r); // beyond the hard bronze limit: passed without a medal
    EXPECT_EQ(r.grade, kLevelPassed);
    a->StoreLevelResult(5, 20000, &r);
    EXPECT_EQ(r.regime, uint32_t(kRegimeHard));
    EXPECT_EQ(r.limits[2], 30000u);
    EXPECT_EQ(r.grade, kLevelGold);
    EXPECT_TRUE(a->HasBonus(4));
    a->SetRegime(kRegimeEasy);
    ASSERT_TRUE(a->HasSavedLevel(3));
    EXPECT_EQ(*a->GetSavedLevel(3), (SavedLevelBytes{9}));

    // Everything above is in the files.
    a->Save();
    ProfileManager again(folder);
    again.Load();
    const Profile* a2 = again.FindByNumber(a->Number());
    ASSERT_NE(a2, nullptr);
    EXPECT_EQ(std::memcmp(&a2->Record(), &a->Record(), sizeof(ProfileRecord)), 0);
    EXPECT_EQ(*a2->GetSavedLevel(3), (SavedLevelBytes{9}));
    EXPECT_EQ(again.BestTime(kRegimeEasy, 2), 50000u);
    EXPECT_EQ(U8(again.BestHolder(kRegimeEasy, 2)), "Bo");
}

TEST_F(ProfilesTest, FlagsAreAddedOnceAndTested) {
    ProfileManager m(folder);
    Profile* a = m.CreateProfile(u"Anna");
    EXPECT_FALSE(HasFlags(a, kProfileFlagBonusHint));
    a->AddAwards(kProfileFlagBonusHint | kProfileFlagWarehouseFull);
    EXPECT_TRUE(HasFlags(a, kProfileFlagBonusHint));
    EXPECT_TRUE(HasFlags(a, kProfileFlagBonusHint | kProfileFlagWarehouseFull));
    EXPECT_FALSE(HasFlags(a, kProfileFlagBonusHint | kProfileFlagHardMapTutorial));
    EXPECT_FALSE(HasFlags(nullptr, 0));
    ProfileManager again(folder);
    again.Load();
    EXPECT_TRUE(HasFlags(again.GetProfile(0), kProfileFlagBonusHint | kProfileFlagWarehouseFull));
    EXPECT_EQ(U8(GetProfileName(again.GetProfile(0))), "Anna");
}

// Writes a profile file whose record is given, for the repair and refusal cases.
void WriteProfileFile(const std::string& path, const std::vector<uint8_t>& record,
                      uint32_t type = 0x164902A4) {
    kis::DataFileWriterA writer(type, 0x02BE2E2A, 0x80000001);
    ASSERT_TRUE(writer.Open(path.c_str(), true));
    ASSERT_TRUE(writer.BeginChunk(0x5052464C, 1));
    ASSERT_TRUE(writer.Write(record.data(), uint32_t(record.size())));
    ASSERT_TRUE(writer.EndChunk());
    ASSERT_TRUE(writer.Close());
}

TEST_F(ProfilesTest, OutOfRangeValuesAreMendedAndWrongFilesLeftOut) {
    ProfileManager m(folder);
    m.CreateProfile(u"Anna");
    m.CreateProfile(u"Bo");
    m.CreateProfile(u"Cy");
    const std::string good = ReadFileBytes(File("profile1.dat"));

    // Profile 1: values out of range.
    ProfileRecord r = m.FindByNumber(1)->Record();
    r.results.regime = 7;
    r.results.tutorial = 3;
    r.results.regimes[0].levels[4].status = 9;
    r.results.regimes[1].chosenCount = 5;
    r.results.regimes[1].chosen[1] = 6;
    r.results.regimes[0].newBonus = 0x07000000;
    std::vector<uint8_t> bytes(reinterpret_cast<uint8_t*>(&r), reinterpret_cast<uint8_t*>(&r) + sizeof r);
    WriteProfileFile(File("profile1.dat"), bytes);
    // Profile 2: a record one byte short; profile 3: another container type.
    std::vector<uint8_t> shortRecord(bytes.begin(), bytes.end() - 1);
    WriteProfileFile(File("profile2.dat"), shortRecord);
    WriteProfileFile(File("profile3.dat"), bytes, 0x12345678);
    const std::string two = ReadFileBytes(File("profile2.dat"));
    const std::string three = ReadFileBytes(File("profile3.dat"));

    ProfileManager again(folder);
    again.Load();
    ASSERT_EQ(again.Count(), 1);
    const ProfileResults& res = again.GetProfile(0)->Record().results;
    EXPECT_EQ(res.regime, uint32_t(kRegimeEasy));
    EXPECT_EQ(res.tutorial, 1u);
    EXPECT_EQ(res.regimes[0].levels[4].status, kLevelLocked);
    EXPECT_EQ(res.regimes[1].chosenCount, 0u);
    EXPECT_EQ(res.regimes[1].chosen[1], -1);
    EXPECT_EQ(res.regimes[0].newBonus, 0u);

    // Saving the store never touches the files it left out, and their numbers stay taken.
    again.SaveCurrent();
    EXPECT_EQ(again.CreateProfile(u"Di")->Number(), 4u);
    EXPECT_EQ(ReadFileBytes(File("profile2.dat")), two);
    EXPECT_EQ(ReadFileBytes(File("profile3.dat")), three);
}

// The names listed in profiles.dat, read with the container alone.
std::vector<uint32_t> ListedNumbers(const std::string& path) {
    std::vector<uint32_t> numbers;
    kis::DataFileReaderA reader(0x5C542C92, 0x02822C7C, 0x80000001);
    if (!reader.Open(path.c_str()) || !reader.OpenChunk(0x504C5354, 1)) return numbers;
    uint32_t head[2];
    if (!reader.Read(head, 8)) return numbers;
    numbers.resize(head[1]);
    if (!reader.Read(numbers.data(), head[1] * 4)) numbers.clear();
    return numbers;
}

TEST_F(ProfilesTest, AnUnreadableListIsKeptAsideAndMadeAgainFromTheProfileFiles) {
    {
        ProfileManager m(folder);
        Profile* anna = m.CreateProfile(u"Anna");
        Profile* bo = m.CreateProfile(u"Bo");
        anna->MutableRecord().results.regimes[kRegimeEasy].levels[0] = {kLevelGold, 41000};
        bo->MutableRecord().results.regimes[kRegimeEasy].levels[0] = {kLevelBronze, 39000};
        bo->MutableRecord().results.regimes[kRegimeHard].levels[2] = {kLevelSilver, 77000};
        anna->Save();
        bo->Save();
    }
    struct Case {
        const char* what;
        std::string list;
    };
    const Case cases[] = {{"text", "not a profile list"}, {"empty", ""}, {"zeros", std::string(700, '\0')}};
    for (const Case& c : cases) {
        std::filesystem::remove(File("profiles.dat.bad"));
        ASSERT_TRUE(WriteFileBytes(File("profiles.dat"), c.list));
        ProfileManager m(folder);
        m.Load();
        EXPECT_EQ(Names(m), (std::set<std::string>{"Anna", "Bo"})) << c.what;
        EXPECT_EQ(m.Current(), nullptr) << c.what;
        // The best times come back from the players' own.
        EXPECT_EQ(m.BestTime(kRegimeEasy, 0), 39000u) << c.what;
        EXPECT_EQ(std::u16string(m.BestHolder(kRegimeEasy, 0)), u"Bo") << c.what;
        EXPECT_EQ(m.BestTime(kRegimeHard, 2), 77000u) << c.what;
        EXPECT_EQ(m.BestTime(kRegimeHard, 0), 0u) << c.what;
        const ProfileManager::LoadReport report = m.TakeLoadReport();
        EXPECT_TRUE(report.listRebuilt) << c.what;
        EXPECT_TRUE(report.setAside.empty()) << c.what;
        EXPECT_EQ(report.listKeptAs, folder + u"\\profiles.dat.bad") << c.what;
        EXPECT_TRUE(m.TakeLoadReport().Empty()) << "told once";
        EXPECT_EQ(ReadFileBytes(File("profiles.dat.bad")), c.list) << c.what;
        EXPECT_EQ(ListedNumbers(File("profiles.dat")), (std::vector<uint32_t>{1, 2})) << "written at once";
    }
    ProfileManager m(folder);
    m.Load();
    EXPECT_TRUE(m.TakeLoadReport().Empty());
    EXPECT_EQ(m.CreateProfile(u"Cy")->Number(), 3u);
}

// Anything but a list of ours at the list's names is set aside, never over a kept one; the list is written.
TEST_F(ProfilesTest, AnUnreadableListOrAnEntryInItsPlaceIsSetAsideWithoutReplacingAKeptOne) {
    ProfileManager(folder).CreateProfile(u"Anna");
    namespace fs = std::filesystem;
    fs::create_directories(File("profiles.dat.bad/kept before"));
    const std::pair<const char*, const char*> cases[] = {{"profiles.dat", "profiles.dat.bad2"},
                                                         {"profiles.dat", "profiles.dat.bad3"},
                                                         {"profiles.dat.bak", "profiles.dat.bak.bad"}};
    for (const auto& [at, keptAs] : cases) {
        fs::remove(File(at));
        const bool dangling = !fs::exists(File("profiles.dat.bad2")); // a link to nowhere, then folders
        ASSERT_EQ(
            dangling ? symlink(File("nowhere").c_str(), File(at).c_str()) : mkdir(File(at).c_str(), 0700), 0);
        ProfileManager m(folder);
        m.Load();
        EXPECT_TRUE(m.SaveList() && m.Count() == 1);
        EXPECT_TRUE(fs::exists(fs::symlink_status(File(keptAs))) &&
                    fs::exists(File("profiles.dat.bad/kept before")));
    }
}

TEST_F(ProfilesTest, AMissingListIsMadeAgainFromTheProfileFilesAndAFreshFolderStaysEmpty) {
    {
        ProfileManager m(folder);
        m.Load();
        EXPECT_TRUE(m.TakeLoadReport().Empty());
        EXPECT_FALSE(std::filesystem::exists(File("profiles.dat"))) << "nothing written for nothing";
        m.CreateProfile(u"Anna");
        m.CreateProfile(u"Bo");
    }
    // Files the store does not write are not players.
    ASSERT_TRUE(WriteFileBytes(File("profile01.dat"), ReadFileBytes(File("profile1.dat"))));
    ASSERT_TRUE(WriteFileBytes(File("profilex.dat"), ReadFileBytes(File("profile1.dat"))));
    std::filesystem::remove(File("profiles.dat"));
    ProfileManager m(folder);
    m.Load();
    EXPECT_EQ(Names(m), (std::set<std::string>{"Anna", "Bo"}));
    const ProfileManager::LoadReport report = m.TakeLoadReport();
    EXPECT_TRUE(report.listRebuilt && report.listMissing);
    EXPECT_TRUE(report.listKeptAs.empty());
    EXPECT_FALSE(std::filesystem::exists(File("profiles.dat.bad")));
    EXPECT_EQ(ListedNumbers(File("profiles.dat")), (std::vector<uint32_t>{1, 2}));
}

TEST_F(ProfilesTest, APlayerWhoseFileDoesNotReadKeepsItsPlaceAndComesBackWhenItReads) {
    {
        ProfileManager m(folder);
        Profile* anna = m.CreateProfile(u"Anna");
        m.CreateProfile(u"Bo");
        anna->MutableRecord().results.regimes[kRegimeEasy].levels[0] = {kLevelGold, 41000};
        anna->Save();
        m.SetCurrent(anna);
    }
    const std::string good = ReadFileBytes(File("profile1.dat"));
    ASSERT_GT(good.size(), 700u);
    ASSERT_TRUE(WriteFileBytes(File("profile1.dat"), good.substr(0, 700)));
    {
        ProfileManager m(folder);
        m.Load();
        EXPECT_EQ(Names(m), (std::set<std::string>{"Bo"}));
        EXPECT_EQ(m.SetAsideCount(), 1);
        EXPECT_EQ(m.Current(), nullptr);
        const ProfileManager::LoadReport report = m.TakeLoadReport();
        EXPECT_FALSE(report.listRebuilt);
        EXPECT_EQ(report.setAside, (std::vector<std::u16string>{folder + u"\\profile1.dat"}));
        // Saving the list keeps the entry and the current player; a new
        // player gets another number; the twelve count the one set aside.
        Profile* cy = m.CreateProfile(u"Cy");
        ASSERT_NE(cy, nullptr);
        EXPECT_EQ(cy->Number(), 3u);
        EXPECT_EQ(ListedNumbers(File("profiles.dat")), (std::vector<uint32_t>{2, 3, 1}));
        for (int i = 3; i < kMaxProfiles; ++i) {
            const std::string name = "P" + std::to_string(i);
            ASSERT_NE(m.CreateProfile(std::u16string(name.begin(), name.end()).c_str()), nullptr) << i;
        }
        int32_t error = 0;
        EXPECT_EQ(m.CreateProfile(u"Last", &error), nullptr);
        EXPECT_EQ(error, kProfileErrorTooMany);
        m.DeleteProfile(m.FindByNumber(3));
        EXPECT_EQ(ReadFileBytes(File("profile1.dat")), good.substr(0, 700)) << "never written over";
    }
    ASSERT_TRUE(WriteFileBytes(File("profile1.dat"), good));
    ProfileManager m(folder);
    m.Load();
    Profile* anna = m.FindByNumber(1);
    ASSERT_NE(anna, nullptr);
    EXPECT_EQ(m.Current(), anna) << "still the current player";
    EXPECT_EQ(anna->Record().results.regimes[kRegimeEasy].levels[0].bestMs, 41000u);
    EXPECT_EQ(m.SetAsideCount(), 0);
    EXPECT_TRUE(m.TakeLoadReport().Empty());
}

// A win's copy left by a stop is put in place only as a whole file of that player; anything
// else is kept under a name of its own, never over an earlier one, and the player's file stays.
TEST_F(ProfilesTest, AWinsCopyIsTakenOnlyWhenItReadsWholeAndKeptAsideOtherwise) {
    ProfileManager(folder).CreateProfile(u"Anna");
    const std::string good = ReadFileBytes(File("profile1.dat")), win = File("profile1.dat.win");
    const std::string cases[] = {good.substr(0, 19), "", "\x92\x2c\x54\x5c random", "pipe", "link", good};
    for (size_t i = 0; i < std::size(cases); ++i) {
        ASSERT_TRUE(cases[i] == "pipe"   ? mkfifo(win.c_str(), 0600) == 0
                    : cases[i] == "link" ? symlink(File("profile1.dat").c_str(), win.c_str()) == 0
                                         : WriteFileBytes(win, cases[i]));
        ProfileManager m(folder);
        m.Load();
        EXPECT_NE(m.FindByNumber(1), nullptr) << i;
        const std::string kept = "profile1.dat.win.bad" + (i ? std::to_string(i + 1) : "");
        EXPECT_EQ(m.TakeLoadReport().winsKept,
                  std::vector<std::u16string>(cases[i] != good, folder + u"\\" + U16(kept)));
        EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status(File(kept))), cases[i] != good)
            << i;
    }
}

TEST_F(ProfilesTest, DamagedUserFilesNeverStopTheGameNorGetOverwrittenUnread) {
    {
        ProfileManager m(folder);
        Profile* a = m.CreateProfile(u"Anna");
        m.CreateProfile(u"Bo");
        a->StoreSavedLevel(1, SavedLevelBytes(100, 7));
        SelectProfile(a);
        std::vector<std::string> calls;
        m.SetHooks(TestTable(&calls));
        a->StoreLevelResult(0, 5000, nullptr);
        a->StoreSavedLevel(3, SavedLevelBytes(40, 1));
        a->Save();
    }
    const std::string list = ReadFileBytes(File("profiles.dat"));
    const std::string profile = ReadFileBytes(File("profile1.dat"));
    const std::string other = ReadFileBytes(File("profile2.dat"));
    platform::SeedRand(2121);
    int rounds = testsupport::ForRounds(400, 15000, [&](int round) {
        const bool damageList = round % 2 == 0;
        const std::string bad = testsupport::Damage(damageList ? list : profile, round / 2);
        ASSERT_TRUE(WriteFileBytes(File("profiles.dat"), damageList ? bad : list));
        ASSERT_TRUE(WriteFileBytes(File("profile1.dat"), damageList ? profile : bad));
        ASSERT_TRUE(WriteFileBytes(File("profile2.dat"), other));
        std::filesystem::remove(File("profiles.dat.bad"));
        ProfileManager m(folder);
        m.Load();
        ASSERT_LE(m.Count(), 2);
        for (int i = 0; i < m.Count(); ++i) {
            const Profile* p = m.GetProfile(i);
            const ProfileResults& r = p->Record().results;
            ASSERT_LE(r.regime, 1u);
            for (const RegimeProgress& g : r.regimes) {
                ASSERT_LE(g.chosenCount, 3u);
                for (const LevelProgress& level : g.levels)
                    ASSERT_LE(level.status, kLevelGold);
            }
            p->HasSavedLevel(1);
        }
        const bool profileListed = m.FindByNumber(1) != nullptr;
        m.SaveCurrent();
        if (!damageList && !profileListed) { // left out: never written over
            ASSERT_EQ(ReadFileBytes(File("profile1.dat")), bad);
        }
        if (damageList && std::filesystem::exists(File("profiles.dat.bad"))) { // kept aside, not lost
            ASSERT_EQ(ReadFileBytes(File("profiles.dat.bad")), bad);
            ASSERT_EQ(m.Count(), 2) << "made again from the good profile files";
        }
        if (!damageList && !profileListed) { // the player keeps the entry
            const std::vector<uint32_t> listed = ListedNumbers(File("profiles.dat"));
            ASSERT_NE(std::find(listed.begin(), listed.end(), 1u), listed.end());
        }
    });
    EXPECT_GT(rounds, 50);
}

TEST_F(ProfilesTest, AKillBetweenAnyTwoWritesLeavesFilesThatLoad) {
    // A run that selects Bo, creates Cy, stores a result for Bo and deletes
    // Anna, killed after each possible number of completed writes.
    auto prepare = [&] {
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            std::filesystem::remove_all(entry.path());
        ProfileManager m(folder);
        SelectProfile(m.CreateProfile(u"Anna"));
        m.CreateProfile(u"Bo");
    };
    const std::set<std::set<std::string>> states = {{"Anna", "Bo"}, {"Anna", "Bo", "Cy"}, {"Bo", "Cy"}};
    int writes = 0;
    for (int allowed = 0;; ++allowed) {
        prepare();
        int done = 0;
        bool killed = false;
        {
            ProfileManager m(folder);
            m.Load();
            m.SetWriteGate([&](const std::u16string&) {
                if (done == allowed) {
                    killed = true;
                    return false;
                }
                ++done;
                return true;
            });
            std::vector<std::string> calls;
            m.SetHooks(TestTable(&calls));
            Profile* bo = m.GetProfile(0);
            SelectProfile(bo);
            m.CreateProfile(u"Cy");
            bo->StoreLevelResult(0, 1000, nullptr);
            m.DeleteProfile(m.GetProfile(2));
        }
        ProfileManager after(folder);
        after.Load();
        const std::vector<uint32_t> listed = ListedNumbers(File("profiles.dat"));
        EXPECT_EQ(size_t(after.Count()), listed.size()) << "killed after " << allowed << " writes";
        EXPECT_TRUE(states.count(Names(after))) << "killed after " << allowed << " writes";
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            EXPECT_EQ(entry.path().extension(), ".dat") << entry.path(); // nothing half-written left
        if (!killed) {
            EXPECT_EQ(Names(after), (std::set<std::string>{"Bo", "Cy"}));
            EXPECT_EQ(U8(after.Current()->Name()), "Bo");
            writes = allowed;
            break;
        }
    }
    EXPECT_GE(writes, 5);
}

} // namespace
