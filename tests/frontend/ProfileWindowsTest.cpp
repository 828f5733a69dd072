// The players' list and the new-player window on their own manager and a
// store in a temporary folder: names the field takes, rows added, chosen
// and deleted with the list scrolled, and the current player's deletion.
#include "frontend/ProfileWindows.h"
#include "app/App.h"
#include "app/Profiles.h"
#include "gui/GameEdit.h"
#include "gui/Window.h"
#include "platform/Utf.h"
#include "tests/sprites/SpriteTestHost.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_calls; // the callbacks in the order they ran
ProfileManager* g_store = nullptr;

void Changed() {
    g_calls.push_back(g_store->Current() ? "changed to " + platform::Utf16ToUtf8(g_store->Current()->Name())
                                         : "changed to none");
}
void Deleting() {
    g_calls.push_back("deleting " + platform::Utf16ToUtf8(g_store->Current()->Name()));
}

class ProfileWindowsTest : public ::testing::Test {
  protected:
    App app; // the shell's state the test runs on
    void SetUp() override {
        g_calls.clear();
        g_store = &store;
        SetWindowManager(&manager);
    }
    void TearDown() override {
        manager.DeleteAllWindows();
        SetWindowManager(nullptr);
        SetProfileErrorPresenter(nullptr);
    }
    // Profiles made oldest first; the store lists the newest first.
    void Make(std::initializer_list<const char16_t*> names) {
        for (const char16_t* name : names)
            ASSERT_NE(store.CreateProfile(name), nullptr);
    }
    std::vector<std::string> Rows(const ProfilesWindow* w) const {
        std::vector<std::string> out;
        for (int32_t i = 0; i < w->RowCount(); ++i)
            out.push_back(platform::Utf16ToUtf8(w->RowProfile(i)->Name()));
        return out;
    }

    spritetest::TestHost clock{1000};
    testsupport::TempDir dir;
    ProfileManager store{platform::Utf8ToUtf16(dir.Path().string())};
    WindowManager manager{nullptr, nullptr};
};

} // namespace

TEST_F(ProfileWindowsTest, TheFieldTakesOnlyNamesTheStoreAccepts) {
    Make({u"Bo"});
    NewProfileWindow* w = manager.Open<NewProfileWindow>(&store, u"user", true, nullptr, 0);
    EXPECT_TRUE(w->NameValid()) << "the offered name";
    struct Case {
        const char16_t* text;
        bool valid;
    };
    const Case cases[] = {
        {u"  Ann   Lee  ", true}, {u"", false},     {u"   ", false},
        {u"Bo", false},           {u" Bo ", false}, {u"abcdefghijklmnop", true},
    };
    for (const Case& c : cases) {
        w->Field()->SetText(c.text);
        w->OnEditChanged();
        EXPECT_EQ(w->NameValid(), c.valid) << platform::Utf16ToUtf8(c.text);
        EXPECT_EQ(w->OkShown(), c.valid) << platform::Utf16ToUtf8(c.text) << ": ok only for a valid name";
    }
    // The field holds 16 characters: a 17th never enters it.
    w->Field()->SetText(u"abcdefghijklmnopq");
    EXPECT_EQ(w->Field()->GetLength(), 16u);
    w->Field()->SetText(u"  Ann   Lee  ");
    w->OnEditChanged();
    w->Confirm();
    ASSERT_EQ(store.Count(), 2);
    EXPECT_EQ(std::u16string(store.GetProfile(0)->Name()), u"Ann Lee");
    EXPECT_EQ(store.GetProfile(0)->Record().results.tutorial, 1u);
    EXPECT_TRUE(w->closing);
}

TEST_F(ProfileWindowsTest, ANameTheStoreRefusesShowsTheErrorAndKeepsTheWindow) {
    static std::vector<std::string> shown;
    shown.clear();
    SetProfileErrorPresenter(
        [](const char16_t*, const char16_t* text) { shown.push_back(platform::Utf16ToUtf8(text)); });
    for (int i = 0; i < kMaxProfiles; ++i)
        ASSERT_NE(store.CreateProfile((u"p" + std::u16string(1, char16_t(u'a' + i))).c_str()), nullptr);
    NewProfileWindow* w = manager.Open<NewProfileWindow>(&store, u"thirteenth", true, nullptr, 0);
    ASSERT_TRUE(w->NameValid());
    w->Confirm();
    EXPECT_EQ(store.Count(), kMaxProfiles);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "err_unknown");
    EXPECT_FALSE(w->closing);
}

TEST_F(ProfileWindowsTest, RowsAreTheStoresNewestFirstWithTheCurrentOneSelectedAndScrolledTo) {
    Make({u"a", u"b", u"c", u"d", u"e", u"f", u"g", u"h", u"i", u"j", u"k", u"l"});
    store.SetCurrent(store.GetProfile(11)); // "a", the oldest: the last row
    ProfilesWindow* w = manager.Open<ProfilesWindow>(&store, Changed, Deleting);
    EXPECT_EQ(manager.profilesWindow, w);
    ASSERT_EQ(w->RowCount(), 12);
    EXPECT_EQ(Rows(w).front(), "l");
    EXPECT_EQ(w->Selected(), 11);
    EXPECT_EQ(w->Scroll(), 47 * 11 + 115 - 236);
    EXPECT_EQ(w->Visible().first, (w->Scroll() - 70) / 47);
    EXPECT_EQ(w->Visible().last, 11);
    w->Select(0);
    EXPECT_EQ(w->Scroll(), 67);
    EXPECT_EQ(w->Visible().first, 0);
    w->Choose();
    EXPECT_EQ(g_calls, std::vector<std::string>{"changed to l"});
    EXPECT_TRUE(w->closing);
}

TEST_F(ProfileWindowsTest, DeletingARowSelectsTheRowThatTookItsPlace) {
    struct Case {
        const char* name;
        int rows, deleted;
        std::vector<std::string> left;
        int selected;
    };
    const Case cases[] = {
        {"the only row", 1, 0, {}, -1},
        {"the fourth of five", 5, 3, {"5", "4", "3", "1"}, 3},
        {"the last of several", 3, 2, {"3", "2"}, 1},
    };
    for (const Case& c : cases) {
        TearDown();
        for (int i = store.Count() - 1; i >= 0; --i)
            store.DeleteProfile(store.GetProfile(i));
        SetUp();
        for (int i = 1; i <= c.rows; ++i)
            ASSERT_NE(store.CreateProfile(std::u16string(1, char16_t(u'0' + i)).c_str()), nullptr);
        ProfilesWindow* w = manager.Open<ProfilesWindow>(&store, Changed, Deleting);
        w->DeleteRow(c.deleted);
        EXPECT_EQ(Rows(w), c.left) << c.name;
        EXPECT_EQ(w->Selected(), c.selected) << c.name;
        EXPECT_EQ(store.Count(), c.rows - 1) << c.name;
        EXPECT_TRUE(g_calls.empty()) << c.name << ": no player was current";
    }
}

TEST_F(ProfileWindowsTest, DeletingTheCurrentPlayerTellsTheMenuBeforeAndAfter) {
    Make({u"ann", u"bo"});
    store.SetCurrent(store.GetProfile(0)); // bo
    ProfilesWindow* w = manager.Open<ProfilesWindow>(&store, Changed, Deleting);
    ASSERT_EQ(w->Selected(), 0);
    w->DeleteRow(0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"deleting bo", "changed to none"}));
    EXPECT_EQ(store.Current(), nullptr);
    EXPECT_EQ(w->Selected(), 0) << "ann's row, which moved up";
    g_calls.clear();
    w->Choose(); // the list offers the players left: choosing one makes it current
    EXPECT_EQ(g_calls, std::vector<std::string>{"changed to ann"});
    EXPECT_EQ(store.Current(), store.GetProfile(0));
}

TEST_F(ProfileWindowsTest, APlayerMadeFromTheListBecomesCurrentAtOnce) {
    Make({u"ann"});
    store.SetCurrent(store.GetProfile(0));
    ProfilesWindow* w = manager.Open<ProfilesWindow>(&store, Changed, Deleting);
    ASSERT_TRUE(store.CreateProfile(u"cy"));
    w->AddRow(store.GetProfile(0));
    EXPECT_EQ(Rows(w), (std::vector<std::string>{"cy", "ann"}));
    EXPECT_EQ(w->Selected(), 0);
    EXPECT_EQ(g_calls, std::vector<std::string>{"changed to cy"});
    EXPECT_TRUE(w->closing);
}
