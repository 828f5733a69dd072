#include "foundation/DataFile.h"
#include "platform/Files.h"
#include "tests/support/RunTool.h"
#include "tests/support/SoundData.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kTypeId = 0xDF17EFA2;
constexpr uint32_t kTypeVersion = 0x6A3E5084;

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

// UTF-16LE text padded with zeros to `units` units.
void PutText(std::vector<uint8_t>& out, const std::u16string& text, size_t units) {
    for (size_t i = 0; i < units; ++i) {
        const char16_t c = i < text.size() ? text[i] : 0;
        out.push_back(uint8_t(c));
        out.push_back(uint8_t(c >> 8));
    }
}

std::vector<uint8_t> Bytes(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

class SoundpackTool : public ::testing::Test {
  protected:
    void SetUp() override {
        click = testsupport::MakeWav16(1, 22050, std::vector<int16_t>(300, 1200));
        hum = testsupport::MakeWav16(2, 44100, std::vector<int16_t>(801, -700)); // odd size
        ASSERT_TRUE(
            testsupport::WriteFileBytes(dir.File("click.wav"), std::string(click.begin(), click.end())));
        std::filesystem::create_directory(dir.Path() / "loops");
        ASSERT_TRUE(
            testsupport::WriteFileBytes(dir.File("loops/hum.wav"), std::string(hum.begin(), hum.end())));
        ogg = Bytes(testsupport::ReadFileBytes(VB_SOUND_OGG));
        ASSERT_FALSE(ogg.empty());
    }

    // Writes the manifest and runs the tool; its exit code.
    int Run(const std::string& manifest) {
        EXPECT_TRUE(testsupport::WriteFileBytes(dir.File("sounds.txt"), manifest));
        return testsupport::RunToolStatus(VB_SOUNDPACK, testsupport::Quote(dir.File("sounds.txt")) + " " +
                                                            testsupport::Quote(dir.File("Sounds.dat")));
    }

    std::vector<uint8_t> Chunk(kis::DataFileReaderW& reader, uint32_t id, uint32_t subId) {
        std::vector<uint8_t> bytes;
        if (!reader.OpenChunk(id, subId)) return bytes;
        bytes.resize(reader.GetOpenChunk()->size);
        EXPECT_TRUE(reader.Read(bytes.data(), uint32_t(bytes.size())));
        reader.CloseChunk();
        return bytes;
    }

    testsupport::TempDir dir;
    std::vector<uint8_t> click, hum, ogg;
};

TEST_F(SoundpackTool, WritesTheChunksInTheLayoutTheGameReads) {
    ASSERT_EQ(Run("# the game's sounds\n"
                  "sample Click click.wav\n"
                  "\n"
                  "sample hum   loops/hum.wav loop\r\n"
                  "music  theme " VB_SOUND_OGG "\n"
                  "event 0 click\n"
                  "event 25 HUM\n"),
              0);
    const std::u16string path = platform::ToGamePath(dir.File("Sounds.dat"));
    kis::DataFileReaderW* reader = kis::OpenDataFileForRead(path.c_str(), kTypeId, kTypeVersion, 1);
    ASSERT_NE(reader, nullptr);

    std::vector<uint8_t> samp;
    Put32(samp, 2);
    Put32(samp, uint32_t(click.size()));
    PutText(samp, u"Click", 32);
    Put32(samp, 0);
    samp.insert(samp.end(), click.begin(), click.end());
    Put32(samp, uint32_t(hum.size()));
    PutText(samp, u"hum", 32);
    Put32(samp, 1);
    samp.insert(samp.end(), hum.begin(), hum.end());
    Put32(samp, 0);
    std::vector<uint8_t> names;
    for (int slot = 0; slot < 26; ++slot) {
        const std::u16string name = slot == 0 ? u"click" : slot == 25 ? u"HUM" : u"";
        PutText(names, name, name.size() + 2);
    }
    Put32(samp, uint32_t(names.size() / 2));
    samp.insert(samp.end(), names.begin(), names.end());
    EXPECT_EQ(Chunk(*reader, 0x53414D50, 282), samp);

    std::vector<uint8_t> musc;
    Put32(musc, 1);
    Put32(musc, uint32_t(ogg.size()));
    PutText(musc, u"theme", 32);
    musc.insert(musc.end(), ogg.begin(), ogg.end());
    EXPECT_EQ(Chunk(*reader, 0x4D555343, 1), musc);
    EXPECT_TRUE(kis::CloseDataFile(reader));
}

TEST_F(SoundpackTool, RefusesBadManifestsAndWritesNothing) {
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("notes.txt"), "not a sound"));
    const char* bad[] = {
        "sound click click.wav\n",                              // unknown entry
        "sample this_name_is_longer_than_31_chars click.wav\n", // name too long
        "sample two-words click.wav\n",                         // not an identifier
        "sample click missing.wav\n",                           // no such file
        "sample click notes.txt\n",                             // not audio
        "sample click click.wav once\n",                        // unknown option
        "music theme click.wav loop\n",                         // music takes no loop flag
        "sample click click.wav\nevent 26 click\n",             // slot out of range
        "sample click click.wav\nevent 3 other\n",              // event names no sample
        "sample click\n",                                       // no file
    };
    for (const char* manifest : bad) {
        EXPECT_EQ(Run(manifest), 1) << manifest;
        EXPECT_FALSE(std::filesystem::exists(dir.File("Sounds.dat"))) << manifest;
    }
}

} // namespace
