#include "app/Config.h"

#include "app/App.h"
#include "engine/Log.h"
#include "engine/SoundManager.h"
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "platform/Random.h"
#include "platform/Utf.h"
#include "tests/support/Damage.h"
#include "tests/support/DataChunks.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace {

std::u16string GameForm(const testsupport::TempDir& dir) {
    return platform::Utf8ToUtf16(dir.Path().string());
}

std::vector<uint8_t> ReadChunk(kis::DataFileReaderW& reader, uint32_t id, uint32_t* size) {
    std::vector<uint8_t> bytes;
    for (const kis::DataFileEntry& e : reader.GetRoot().entries)
        if (e.id == id && e.subId == kConfigChunkSubId) *size = e.size;
    if (!reader.OpenChunk(id, kConfigChunkSubId)) return bytes;
    bytes.resize(*size);
    if (!reader.Read(bytes.data(), *size) || !reader.CloseChunk()) bytes.clear();
    return bytes;
}

bool SameScreen(const ScreenParams& a, const ScreenParams& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

// The tests of Config run on an App of their own: the shell's state lives in it.
struct Config : ::testing::Test {
    App app;
};

TEST_F(Config, WrittenFileHasTheTypeVersionAndBothChunksAndReadsBack) {
    testsupport::TempDir dir;
    SetConfigFolders(GameForm(dir), GameForm(dir));
    GameScreen screen;
    screen.SetFullscreen(true);
    SoundManager sound;
    sound.SetVolume(kSoundMusic, 30.0f);
    sound.SetEnabled(kSoundEffects, false);
    sound.SetVolume(kSoundEffects, 80.0f);
    ASSERT_TRUE(SaveConfig(screen, sound));

    // The file as stored.
    kis::DataFileReaderW reader(kConfigTypeId, kConfigTypeVersion, kConfigDataVersion);
    ASSERT_TRUE(reader.Open(ConfigDatPath().c_str()));
    EXPECT_EQ(reader.GetTypeId(), 0x73DA7BBBu);
    EXPECT_EQ(reader.GetTypeVersion(), 0xC04F19F1u);
    EXPECT_EQ(reader.GetDataVersion(), 1u);
    uint32_t screenSize = 0, soundSize = 0;
    std::vector<uint8_t> screenBytes = ReadChunk(reader, 0xF1E2D3C4, &screenSize);
    std::vector<uint8_t> soundBytes = ReadChunk(reader, 0x5004D1DF, &soundSize);
    ASSERT_EQ(screenSize, 28u);
    ASSERT_EQ(soundSize, 16u);
    ASSERT_EQ(screenBytes.size(), 28u);
    ASSERT_EQ(soundBytes.size(), 16u);
    ScreenParams expected;
    screen.GetParams(&expected);
    const uint32_t words[7] = {expected.fullscreen,  expected.windowWidth,  expected.windowHeight,
                               expected.screenWidth, expected.screenHeight, expected.refreshRate,
                               expected.vsync};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(kis::LoadLE32(&screenBytes[size_t(4 * i)]), words[i]) << "word " << i;
    EXPECT_EQ(kis::LoadLE32(&screenBytes[0]), 1u);
    EXPECT_EQ(kis::LoadLE32(&soundBytes[0]), 1u); // music on
    EXPECT_EQ(kis::LoadLE32(&soundBytes[8]), 0u); // sounds off
    float musicVolume;
    std::memcpy(&musicVolume, &soundBytes[4], 4);
    EXPECT_EQ(musicVolume, 30.0f);
    reader.Close();

    // Read back over fresh defaults.
    GameScreen fresh;
    SoundManager freshSound;
    ScreenParams loaded;
    ASSERT_TRUE(LoadConfig(&loaded, fresh, freshSound));
    EXPECT_TRUE(SameScreen(loaded, expected));
    SoundSettings read;
    freshSound.GetSettings(&read);
    EXPECT_EQ(read.musicOn, 1u);
    EXPECT_EQ(read.musicVolume, 30.0f);
    EXPECT_EQ(read.soundsOn, 0u);
    EXPECT_EQ(read.soundsVolume, 80.0f);
}

TEST_F(Config, MissingDamagedOrShortFilesLeaveTheDefaults) {
    testsupport::TempDir dir;
    SetConfigFolders(GameForm(dir), GameForm(dir));
    GameScreen screen;
    ScreenParams defaults;
    screen.GetParams(&defaults);
    SoundManager sound;
    SoundSettings soundDefaults;
    sound.GetSettings(&soundDefaults);
    ScreenParams loaded;

    ASSERT_TRUE(LoadConfig(&loaded, screen, sound)); // no file
    EXPECT_TRUE(SameScreen(loaded, defaults));

    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("config.dat"), "not a data file at all, just text"));
    ASSERT_TRUE(LoadConfig(&loaded, screen, sound));
    EXPECT_TRUE(SameScreen(loaded, defaults));

    // A screen chunk shorter than the record, and a short sound chunk.
    kis::DataFileWriterW* writer =
        kis::OpenDataFileForWrite(ConfigDatPath().c_str(), kConfigTypeId, kConfigTypeVersion, 1, true);
    ASSERT_NE(writer, nullptr);
    const uint8_t shortBytes[12] = {1, 0, 0, 0, 0x20, 3, 0, 0, 0, 2, 0, 0};
    writer->BeginChunk(kConfigScreenChunk, 1);
    writer->Write(shortBytes, sizeof shortBytes);
    writer->EndChunk();
    writer->BeginChunk(kConfigSoundChunk, 1);
    writer->Write(shortBytes, 8);
    writer->EndChunk();
    ASSERT_TRUE(kis::CloseDataFile(writer));
    ASSERT_TRUE(LoadConfig(&loaded, screen, sound));
    EXPECT_TRUE(SameScreen(loaded, defaults));
    SoundSettings after;
    sound.GetSettings(&after);
    EXPECT_EQ(std::memcmp(&after, &soundDefaults, sizeof after), 0);
}

// Random damage to config.dat as a whole or to one of its chunks: loading
// never fails, leaves the file as it was, takes a screen chunk only whole and
// keeps the sound settings within their ranges.
TEST_F(Config, DamagedSettingsFilesLoadWithinRangesAndStayUntouched) {
    testsupport::TempDir dir;
    SetConfigFolders(GameForm(dir), GameForm(dir));
    GameScreen screen;
    screen.SetFullscreen(true);
    SoundManager saved;
    saved.SetVolume(kSoundMusic, 30.0f);
    ASSERT_TRUE(SaveConfig(screen, saved));
    const std::string path = platform::Utf16ToUtf8(ConfigDatPath());
    const std::string good = testsupport::ReadFileBytes(path);
    const testsupport::DataFileKind kind{kConfigTypeId, kConfigTypeVersion, kConfigDataVersion};
    const std::vector<testsupport::DataChunk> chunks = testsupport::ReadDataChunks(path, kind);
    ASSERT_EQ(chunks.size(), 2u);
    ScreenParams written, defaults;
    screen.GetParams(&written);
    GameScreen fresh;
    fresh.GetParams(&defaults);

    platform::SeedRand(28);
    testsupport::ForRounds(1500, 1500, [&](int round) {
        const int which = round % 3; // the whole file, the screen chunk, the sound chunk
        size_t screenBytes = 28;
        if (which == 0) {
            ASSERT_TRUE(testsupport::WriteFileBytes(path, testsupport::Damage(good, round / 3)));
        } else {
            std::vector<testsupport::DataChunk> damaged = chunks;
            damaged[size_t(which - 1)].bytes =
                testsupport::Damage(chunks[size_t(which - 1)].bytes, round / 3);
            screenBytes = damaged[0].bytes.size();
            ASSERT_TRUE(testsupport::WriteDataChunks(path, kind, damaged));
        }
        const std::string before = testsupport::ReadFileBytes(path);
        SoundManager sound;
        ScreenParams loaded;
        ASSERT_TRUE(LoadConfig(&loaded, fresh, sound));
        EXPECT_EQ(testsupport::ReadFileBytes(path), before);
        if (which == 2) {
            EXPECT_TRUE(SameScreen(loaded, written));
        }
        if (screenBytes < 28) {
            EXPECT_TRUE(SameScreen(loaded, defaults)) << "a short screen chunk is not taken";
        }
        SoundSettings settings;
        sound.GetSettings(&settings);
        EXPECT_LE(settings.musicOn, 1u);
        EXPECT_LE(settings.soundsOn, 1u);
        for (float volume : {settings.musicVolume, settings.soundsVolume}) {
            EXPECT_GE(volume, 0.0f);
            EXPECT_LE(volume, 100.0f);
        }
    });
}

// A path too long fails; so does a file that does not open now (too many files open), left as it is.
TEST_F(Config, TooLongAPathOrAPassingShortageFailsTheLoad) {
    SetConfigFolders(std::u16string(300, u'a'), u"");
    GameScreen screen;
    SoundManager sound;
    ScreenParams loaded;
    EXPECT_FALSE(LoadConfig(&loaded, screen, sound));
    EXPECT_FALSE(SaveConfig(screen, sound));
    testsupport::TempDir dir;
    SetConfigFolders(GameForm(dir), GameForm(dir));
    ASSERT_TRUE(SaveConfig(screen, sound));
    ASSERT_TRUE(testsupport::WithNoFreeDescriptor([&] { EXPECT_FALSE(LoadConfig(&loaded, screen, sound)); }));
    EXPECT_FALSE(std::filesystem::exists(dir.File("config.dat.bad")));
}

TEST_F(Config, IniEntriesThatArePresentOverrideTheRecord) {
    testsupport::TempDir dir;
    const std::string ini = dir.File("config.ini");
    ASSERT_TRUE(
        testsupport::WriteFileBytes(ini, "[Video]\r\nFullscreen=1\r\nWindow=1024,768\r\nScreen=1280, 1024\r\n"
                                         "VSync=0\r\nRefreshRate=75\r\n[Game]\r\nCheats=1\r\n"
                                         "[Path]\r\nLanguage=german.dat\r\n"));
    ScreenParams params = {0, 800, 600, 1920, 1080, 60, 1};
    ConfigIni read;
    ReadConfigIni(platform::Utf8ToUtf16(ini), &params, &read);
    EXPECT_EQ(params.fullscreen, 1u);
    EXPECT_EQ(params.windowWidth, 1024u);
    EXPECT_EQ(params.windowHeight, 768u);
    EXPECT_EQ(params.screenWidth, 1280u);
    EXPECT_EQ(params.screenHeight, 1024u);
    EXPECT_EQ(params.vsync, 0u);
    EXPECT_EQ(params.refreshRate, 75u);
    EXPECT_TRUE(read.cheats);
    EXPECT_EQ(read.language, u"german.dat");

    // Absent and malformed entries leave the values.
    ASSERT_TRUE(testsupport::WriteFileBytes(ini, "[Video]\nWindow=wide\nScreen=1280\nRefreshRate=-5\n"));
    ScreenParams kept = {0, 800, 600, 1920, 1080, 60, 1};
    ConfigIni none;
    ReadConfigIni(platform::Utf8ToUtf16(ini), &kept, &none);
    EXPECT_TRUE(SameScreen(kept, ScreenParams{0, 800, 600, 1920, 1080, 60, 1}));
    EXPECT_FALSE(none.cheats);
    EXPECT_TRUE(none.language.empty());
}

TEST_F(Config, LanguageFromTheCommandLineThenTheIniThenTheDefault) {
    ConfigIni ini;
    EXPECT_EQ(ChooseLanguageFile(u"", ini), u"language.dat");
    ini.language = u"german.dat";
    EXPECT_EQ(ChooseLanguageFile(u"", ini), u"german.dat");
    EXPECT_EQ(ChooseLanguageFile(u"french.txt", ini), u"french.txt");
}

// config.ini's single numbers read as the ini file reads integers, hexadecimal
// after "$", "#" or "0x" among them; what is no such number leaves the value.
TEST_F(Config, IniNumbersMayBeHexadecimal) {
    struct Case {
        const char* text;
        uint32_t refreshRate;
    };
    const Case cases[] = {
        {"0x3C", 60}, {"0X3c", 60}, {"$3C", 60}, {"#1E", 30},  {"75", 75}, {" 85 ", 85},
        {"0x", 50},   {"6O", 50},   {"-5", 50},  {"0xZZ", 50}, {"", 50},
    };
    testsupport::TempDir dir;
    const std::string ini = dir.File("config.ini");
    for (const Case& c : cases) {
        ASSERT_TRUE(testsupport::WriteFileBytes(ini, std::string("[Video]\nRefreshRate=") + c.text +
                                                         "\nVSync=0x0\n[Game]\nCheats=$1\n"));
        ScreenParams params = {0, 800, 600, 1920, 1080, 50, 1};
        ConfigIni read;
        ReadConfigIni(platform::Utf8ToUtf16(ini), &params, &read);
        EXPECT_EQ(params.refreshRate, c.refreshRate) << c.text;
        EXPECT_EQ(params.vsync, 0u) << c.text;
        EXPECT_TRUE(read.cheats) << c.text;
    }
}

// A config.dat that is passed over is named in the log with the reason.
TEST_F(Config, ADamagedSettingsFileIsLoggedAsIgnoredWithTheReason) {
    testsupport::TempDir dir;
    SetConfigFolders(GameForm(dir), GameForm(dir));
    GameScreen screen;
    SoundManager sound;
    ASSERT_TRUE(SaveConfig(screen, sound));
    const std::string path = dir.File("config.dat");
    const std::string good = testsupport::ReadFileBytes(path);
    const testsupport::DataFileKind kind{kConfigTypeId, kConfigTypeVersion, kConfigDataVersion};
    const std::vector<testsupport::DataChunk> chunks = testsupport::ReadDataChunks(path, kind);
    ASSERT_EQ(chunks.size(), 2u);

    struct Case {
        const char* name;
        std::string bytes; // empty: made from the chunks below
        std::vector<testsupport::DataChunk> chunks;
        const char* reason; // null: nothing logged
    };
    std::vector<testsupport::DataChunk> shortScreen = chunks, shortSound = chunks, noSound = {chunks[0]};
    shortScreen[0].bytes.resize(12);
    shortSound[1].bytes.resize(8);
    const Case cases[] = {
        {"good", good, {}, nullptr},
        {"text", "not a data file at all, just text", {}, "not a settings file of this game"},
        {"cut", good.substr(0, good.size() / 2), {}, "not a settings file of this game"},
        {"short screen", "", shortScreen, "screen settings are cut short"},
        {"short sound", "", shortSound, "sound settings are cut short"},
        {"no sound", "", noSound, "holds no sound settings"},
    };
    for (const Case& c : cases) {
        if (c.chunks.empty())
            ASSERT_TRUE(testsupport::WriteFileBytes(path, c.bytes));
        else
            ASSERT_TRUE(testsupport::WriteDataChunks(path, kind, c.chunks));
        const std::string logPath = dir.File("log.txt");
        ASSERT_TRUE(LogStart(platform::Utf8ToUtf16(logPath).c_str()));
        ScreenParams loaded;
        EXPECT_TRUE(LoadConfig(&loaded, screen, sound));
        LogFinish();
        const std::string log = testsupport::ReadFileBytes(logPath);
        if (!c.reason) {
            EXPECT_EQ(log.find("config.dat ignored"), std::string::npos) << c.name << "\n" << log;
        } else {
            EXPECT_NE(log.find("config.dat ignored"), std::string::npos) << c.name << "\n" << log;
            EXPECT_NE(log.find(c.reason), std::string::npos) << c.name << "\n" << log;
        }
    }
}
