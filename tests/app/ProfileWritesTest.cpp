// A profile store's file that cannot be written: the old file stays, the store keeps what was to be written
// and says so, and trying again writes it once the cause is gone. A file size limit makes the write fall
// short as a full disk would (a folder in the way of the list's copy would be set aside).
#include "app/Profiles.h"
#include "app/UserFiles.h"
#include "platform/Utf.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using testsupport::TempDir;

struct Case {
    const char* name;
    const char* blocked; // the file whose write aside is blocked
    // Changes something that goes into the blocked file and writes it.
    bool (*change)(ProfileManager& store, Profile& profile);
    // Reads the change back from a store loaded afresh.
    bool (*kept)(const ProfileManager& store);
};

const Case kCases[] = {
    {"a profile's file", "profile1.dat",
     [](ProfileManager&, Profile& profile) {
         profile.MutableRecord().flags |= kProfileFlagBonusHint;
         return profile.Save();
     },
     [](const ProfileManager& store) {
         return store.Count() == 1 && HasFlags(store.GetProfile(0), kProfileFlagBonusHint);
     }},
    {"the list", "profiles.dat",
     [](ProfileManager& store, Profile&) {
         store.SetCurrent(nullptr);
         return !store.HasUnsavedFiles();
     },
     [](const ProfileManager& store) { return store.Count() == 1 && store.Current() == nullptr; }},
};

} // namespace

TEST(ProfileWrites, AFailedWriteKeepsTheOldFileAndIsWrittenOnTryingAgain) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::u16string folder = platform::Utf8ToUtf16(dir.Path().string());
        ProfileManager store(folder);
        store.Load();
        Profile* profile = store.CreateProfile(u"Mira");
        ASSERT_NE(profile, nullptr);
        store.SetCurrent(profile);
        ASSERT_FALSE(store.HasUnsavedFiles());
        ASSERT_EQ(store.FailedWrites(), 0u);
        const std::string file = dir.File(c.blocked);
        const std::string before = testsupport::ReadFileBytes(file);
        ASSERT_FALSE(before.empty());

        uint32_t failures = 0;
        ASSERT_TRUE(testsupport::WithFileSizeLimit(512, [&] {
            EXPECT_FALSE(c.change(store, *profile));
            EXPECT_TRUE(store.HasUnsavedFiles());
            failures = store.FailedWrites();
            EXPECT_GE(failures, 1u);
            EXPECT_EQ(store.FailureCause(), "the file size limit was reached") << "not a full disk";
            EXPECT_EQ(testsupport::ReadFileBytes(file), before) << "the old file stays as it was";
            EXPECT_FALSE(store.RetryWrites()) << "the cause is still there";
            EXPECT_EQ(store.FailedWrites(), failures + 1) << "one file tried again";
            EXPECT_TRUE(store.HasUnsavedFiles());
            ProfileManager fresh(folder);
            fresh.Load();
            EXPECT_FALSE(c.kept(fresh)) << "not on the disk yet";
        }));
        EXPECT_TRUE(store.RetryWrites());
        EXPECT_FALSE(store.HasUnsavedFiles());
        EXPECT_EQ(store.FailedWrites(), failures + 1);
        // A copy a stop left before its rename goes at the next start.
        ASSERT_TRUE(testsupport::WriteFileBytes(file + ".bak", "written aside"));
        ProfileManager fresh(folder);
        fresh.Load();
        EXPECT_TRUE(c.kept(fresh)) << "written on trying again";
        EXPECT_FALSE(std::filesystem::exists(file + ".bak"));
    }
}

// A write that succeeds later clears the failure by itself, and a profile
// deleted while unsaved is not written again.
TEST(ProfileWrites, ALaterWriteOrADeletionSettlesAnUnsavedProfile) {
    for (const bool deleteIt : {false, true}) {
        SCOPED_TRACE(deleteIt ? "deleted" : "written later");
        TempDir dir;
        const std::u16string folder = platform::Utf8ToUtf16(dir.Path().string());
        ProfileManager store(folder);
        store.Load();
        Profile* profile = store.CreateProfile(u"Olle");
        ASSERT_NE(profile, nullptr);
        const std::string file = dir.File("profile1.dat");
        ASSERT_TRUE(testsupport::WithFileSizeLimit(512, [&] { EXPECT_FALSE(profile->Save()); }));
        EXPECT_TRUE(store.HasUnsavedFiles());
        if (deleteIt) {
            store.DeleteProfile(profile);
            EXPECT_FALSE(std::filesystem::exists(file));
            EXPECT_TRUE(store.RetryWrites());
            EXPECT_FALSE(std::filesystem::exists(file)) << "a deleted profile is not written again";
        } else {
            EXPECT_TRUE(profile->Save());
        }
        EXPECT_FALSE(store.HasUnsavedFiles());
    }
}

// A profile whose first file cannot be written is not made, and nothing of
// it waits to be saved.
TEST(ProfileWrites, ANewProfileThatCannotBeWrittenIsNotMade) {
    TempDir dir;
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("plain"), "x"));
    // A folder below a regular file can never be written in.
    ProfileManager store(platform::Utf8ToUtf16(dir.File("plain") + "/store"));
    store.Load();
    int32_t error = kProfileOk;
    EXPECT_EQ(store.CreateProfile(u"Ada", &error), nullptr);
    EXPECT_EQ(error, kProfileErrorWrite);
    EXPECT_EQ(store.Count(), 0);
    EXPECT_FALSE(store.HasUnsavedFiles());
    EXPECT_EQ(store.FailedWrites(), 1u);
}

// What stops a new file is named as the system says (too many files open, not a full disk); no probe stays.
TEST(ProfileWrites, WhatStopsANewFileIsNamedWithItsCause) {
    TempDir dir;
    const std::u16string folder = platform::Utf8ToUtf16(dir.Path().string());
    EXPECT_EQ(WriteFailureIn(folder), "");
    ASSERT_TRUE(testsupport::WithNoFreeDescriptor(
        [&] { EXPECT_EQ(WriteFailureIn(folder), "too many files are open"); }));
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
    // A list that does not open for it is neither damaged nor set aside: a later start has its player.
    ProfileManager made(folder);
    made.Load();
    made.SetCurrent(made.CreateProfile(u"Mira"));
    ProfileManager store(folder);
    ASSERT_TRUE(testsupport::WithNoFreeDescriptor([&] {
        store.Load();
        EXPECT_FALSE(store.SaveList());
    }));
    EXPECT_EQ(store.FailureCause(), "too many files are open");
    ProfileManager later(folder);
    later.Load();
    EXPECT_NE(later.Current(), nullptr);
}
