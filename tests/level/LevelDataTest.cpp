#include "level/LevelData.h"
#include "app/GameDataLoader.h"
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "level/Bonuses.h"
#include "level/GameCharacter.h"
#include "level/Records.h"
#include "platform/Random.h"
#include "platform/Utf.h"
#include "tests/support/Damage.h"
#include "tests/support/FakeLevel.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>

namespace {

void SetName(std::array<char16_t, 32>& field, const char16_t* name) {
    field.fill(0);
    for (size_t i = 0; name[i] && i < 31; ++i)
        field[i] = name[i];
}

void SetName(char16_t (&field)[32], const char16_t* name) {
    std::fill(std::begin(field), std::end(field), u'\0');
    for (size_t i = 0; name[i] && i < 31; ++i)
        field[i] = name[i];
}

// The farmer, chicken, cow, sheep body and head, villain and catapult.
std::vector<std::unique_ptr<GameCharacter>> SevenCharacters() {
    std::vector<std::unique_ptr<GameCharacter>> characters;
    const char16_t* names[] = {u"farmer",     u"chicken", u"cow",     u"sheep",
                               u"sheep_head", u"villain", u"catapult"};
    for (uint32_t id = 1; id <= 7; ++id) {
        auto c = std::make_unique<GameCharacter>();
        c->id = id;
        c->variantCount = 4;
        c->walkSpeed = id == 1 ? 1.5f : 0.5f;
        c->clearanceClass = id == 1 ? 1 : 0;
        c->shadowOpacity = 0.5f;
        c->shadowDy = int32_t(id);
        SetName(c->shadowTexture, u"shadow");
        c->kinds.resize(id == 1 ? 2 : 1);
        std::u16string standing = std::u16string(names[id - 1]) + u"_stand";
        std::u16string walk = std::u16string(names[id - 1]) + u"_walk";
        SetName(c->kinds[0].standing, standing.c_str());
        // The sheep's head and the catapult do not walk.
        if (id != 5 && id != 7) SetName(c->kinds[0].walk, walk.c_str());
        if (id == 1) SetName(c->kinds[1].standing, u"farmer_carry");
        characters.push_back(std::move(c));
    }
    return characters;
}

Bonuses SixBonuses() {
    Bonuses bonuses;
    const char16_t* names[] = {u"bees", u"rain", u"fast_hands", u"growth", u"shepherd", u"factory"};
    for (int i = 0; i < 6; ++i) {
        BONUS& b = bonuses.Edit(i);
        SetName(b.name, names[i]);
        SetName(b.title, (std::u16string(names[i]) + u"_title").c_str());
        SetName(b.description, (std::u16string(names[i]) + u"_text").c_str());
        b.id = uint32_t(i);
        b.rechargeMs = 60000 + uint32_t(i) * 1000;
        b.durationMs = 20000;
        b.soundId = 0x1234 + uint32_t(i);
        bonuses.SetSpeedModifier(i, i, 0.25f * float(i));
    }
    bonuses.SetBeeSprite(0, u"bee_1");
    bonuses.SetBeeSprite(1, u"bee_2");
    bonuses.SetBeeSprite(2, u"bee_3");
    bonuses.MarkLoaded();
    return bonuses;
}

std::vector<uint8_t> Bytes(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}
std::string Text(const std::vector<uint8_t>& v) {
    return std::string(v.begin(), v.end());
}

TEST(Characters, SevenCharactersSurviveTheirChunkAndAreFoundById) {
    const auto characters = SevenCharacters();
    const std::vector<uint8_t> chunk = SerializeCharacters(characters);
    EXPECT_EQ(chunk.size(), 4 + 7 * 160 + 8 * 128u);

    std::vector<std::unique_ptr<GameCharacter>> read;
    std::string why;
    ASSERT_TRUE(ParseCharacters(chunk, &read, &why)) << why;
    ASSERT_EQ(read.size(), 7u);
    EXPECT_EQ(SerializeCharacters(read), chunk);

    const GameCharacter* farmer = FindById(read, kCharacterFarmer);
    ASSERT_NE(farmer, nullptr);
    EXPECT_EQ(FindById(read, 8), nullptr);
    EXPECT_EQ(FindById(read, 0), nullptr);
    EXPECT_FLOAT_EQ(farmer->walkSpeed, 1.5f);
    EXPECT_EQ(FindById(read, kCharacterCatapult)->shadowDy, 7);

    struct NameCase {
        uint32_t id;
        int32_t kind, variant;
        const char16_t* standing; // null: none
        const char16_t* walk;
    };
    const NameCase names[] = {
        {1, 0, 0, u"farmer_stand", u"farmer_walk"}, {1, 0, 3, u"farmer_stand", u"farmer_walk"},
        {1, 1, 0, u"farmer_carry", nullptr},        {1, 2, 0, nullptr, nullptr},
        {1, 0, 4, nullptr, u"farmer_walk"},         {1, -1, 0, nullptr, nullptr},
        {5, 0, 0, u"sheep_head_stand", nullptr},    {2, 0, 1, u"chicken_stand", u"chicken_walk"},
    };
    for (const NameCase& c : names) {
        const GameCharacter* character = FindById(read, c.id);
        const char16_t* standing = character->GetAnimationName(c.kind, c.variant);
        const char16_t* walk = character->GetWalkAnimationName(c.kind);
        EXPECT_EQ(standing ? std::u16string(standing) : u"-", c.standing ? c.standing : u"-")
            << c.id << " kind " << c.kind << " variant " << c.variant;
        EXPECT_EQ(walk ? std::u16string(walk) : u"-", c.walk ? c.walk : u"-") << c.id << " kind " << c.kind;
    }
}

TEST(Characters, BrokenRulesAreRefused) {
    const std::vector<uint8_t> good = SerializeCharacters(SevenCharacters());
    // Offsets into the first record (the farmer) start at 4.
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
    };
    const Case cases[] = {
        {"count 0", [](auto& b) { kis::StoreLE32(b.data(), 0); }},
        {"count 33", [](auto& b) { kis::StoreLE32(b.data(), 33); }},
        {"count past the bytes", [](auto& b) { kis::StoreLE32(b.data(), 8); }},
        {"id 0", [](auto& b) { kis::StoreLE32(b.data() + 4 + 64, 0); }},
        {"id twice", [](auto& b) { kis::StoreLE32(b.data() + 4 + 64, 2); }},
        {"no farmer", [](auto& b) { kis::StoreLE32(b.data() + 4 + 64, 9); }},
        {"shadow name without end", [](auto& b) { std::memset(b.data() + 4 + 68, 'a', 64); }},
        {"opacity 1.5", [](auto& b) { PutF32(b.data() + 4, 140, 1.5f); }},
        {"opacity NaN", [](auto& b) { PutF32(b.data() + 4, 140, std::numeric_limits<float>::quiet_NaN()); }},
        {"variants 0", [](auto& b) { kis::StoreLE32(b.data() + 4 + 144, 0); }},
        {"variants 9", [](auto& b) { kis::StoreLE32(b.data() + 4 + 144, 9); }},
        {"walker with speed 0", [](auto& b) { PutF32(b.data() + 4, 148, 0.0f); }},
        {"speed infinite",
         [](auto& b) { PutF32(b.data() + 4, 148, std::numeric_limits<float>::infinity()); }},
        {"kinds 0", [](auto& b) { kis::StoreLE32(b.data() + 4 + 156, 0); }},
        {"kinds 9", [](auto& b) { kis::StoreLE32(b.data() + 4 + 156, 9); }},
        {"kinds past the bytes", [](auto& b) { kis::StoreLE32(b.data() + 4 + 156, 8); }},
        {"animation name without end", [](auto& b) { std::memset(b.data() + 4 + 160, 'a', 64); }},
        {"a byte too many", [](auto& b) { b.push_back(0); }},
        {"a byte too few", [](auto& b) { b.pop_back(); }},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = good;
        c.damage(bad);
        std::vector<std::unique_ptr<GameCharacter>> read;
        read.push_back(std::make_unique<GameCharacter>()); // kept on failure
        std::string why;
        EXPECT_FALSE(ParseCharacters(bad, &read, &why)) << c.what;
        EXPECT_FALSE(why.empty()) << c.what;
        EXPECT_EQ(read.size(), 1u) << c.what;
    }
}

TEST(Bonuses, SixBonusesSurviveTheirChunkAndAreFoundByName) {
    const Bonuses source = SixBonuses();
    const auto chunk = source.Serialize();
    Bonuses read;
    std::string why;
    ASSERT_TRUE(read.Parse(chunk, &why)) << why;
    EXPECT_EQ(read.Serialize(), chunk);
    const BONUS* rain = read.FindByName(u"rain");
    ASSERT_NE(rain, nullptr);
    EXPECT_EQ(rain->id, 1u);
    EXPECT_EQ(rain->rechargeMs, 61000u);
    EXPECT_EQ(read.FindByName(u"Rain"), nullptr);
    EXPECT_EQ(read.FindByName(u""), nullptr);
    EXPECT_EQ(read.Get(6), nullptr);
    EXPECT_FLOAT_EQ(read.SpeedModifier(4, 4), 1.0f);
    EXPECT_FLOAT_EQ(read.SpeedModifier(4, 3), 0.0f);
    EXPECT_EQ(std::u16string(read.BeeSprite(2)), u"bee_3");
    EXPECT_EQ(Bonuses().FindByName(u"rain"), nullptr) << "an unloaded table finds nothing";
}

TEST(Bonuses, BrokenRulesAreRefusedAndTheOldTableKept) {
    const auto good = SixBonuses().Serialize();
    auto base = [&] { return std::vector<uint8_t>(good.begin(), good.end()); };
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
    };
    const Case cases[] = {
        {"short", [](auto& b) { b.pop_back(); }},
        {"long", [](auto& b) { b.push_back(0); }},
        {"id not position", [](auto& b) { kis::StoreLE32(b.data() + 216 + 128, 0); }},
        {"empty name", [](auto& b) { std::memset(b.data() + 216 * 2 + 132, 0, 64); }},
        {"name twice", [](auto& b) { std::memcpy(b.data() + 216 * 3 + 132, b.data() + 132, 64); }},
        {"title without end", [](auto& b) { std::memset(b.data() + 216 * 5, 'x', 64); }},
        {"recharge 0", [](auto& b) { kis::StoreLE32(b.data() + 196, 0); }},
        {"duration 0", [](auto& b) { kis::StoreLE32(b.data() + 216 + 200, 0); }},
        {"modifier NaN",
         [](auto& b) { PutF32(b.data() + 1296, 4 * 20, std::numeric_limits<float>::quiet_NaN()); }},
        {"bee name without end", [](auto& b) { std::memset(b.data() + 1440 + 128, 'b', 64); }},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = base();
        c.damage(bad);
        Bonuses table = SixBonuses();
        std::string why;
        EXPECT_FALSE(table.Parse(bad, &why)) << c.what;
        EXPECT_FALSE(why.empty()) << c.what;
        EXPECT_NE(table.FindByName(u"rain"), nullptr) << c.what;
    }
}

TEST(LevelData, RandomDamageIsRefusedOrReadWithinBounds) {
    platform::SeedRand(19);
    const std::string characters = Text(SerializeCharacters(SevenCharacters()));
    const auto bonusChunk = SixBonuses().Serialize();
    const std::string bonuses(bonusChunk.begin(), bonusChunk.end());
    int accepted = 0;
    const int rounds = testsupport::ForRounds(4000, 5000, [&](int round) {
        const std::vector<uint8_t> c = Bytes(testsupport::Damage(characters, round));
        std::vector<std::unique_ptr<GameCharacter>> read;
        if (ParseCharacters(c, &read, nullptr)) {
            ++accepted;
            // What is accepted keeps every rule.
            for (const auto& character : read) {
                EXPECT_NE(character->id, 0u);
                EXPECT_GE(character->variantCount, 1u);
                EXPECT_LE(character->variantCount, 8u);
                EXPECT_LE(character->kinds.size(), 8u);
                for (int k = 0; k < 9; ++k)
                    character->GetAnimationName(k, 0), character->GetWalkAnimationName(k);
            }
            EXPECT_EQ(SerializeCharacters(read).size(), c.size());
        }
        const std::vector<uint8_t> b = Bytes(testsupport::Damage(bonuses, round));
        Bonuses table;
        if (table.Parse(b, nullptr)) {
            ++accepted;
            EXPECT_EQ(b.size(), Bonuses::kChunkSize);
            for (int i = 0; i < 6; ++i)
                EXPECT_EQ(table.FindByName(table.Get(i)->name), table.Get(i));
        }
    });
    EXPECT_GT(rounds, 100);
    EXPECT_LT(accepted, 2 * rounds);
}

// The two loading stages read their chunks from a data pack.
TEST(LevelData, StagesLoadTheChunksOfAPackAndFlagAMissingOne) {
    testsupport::TempDir dir;
    const std::u16string path = platform::Utf8ToUtf16(dir.File("Data.dat"));
    auto write = [&](bool withBonuses) {
        kis::DataFileWriterW* writer = kis::OpenDataFileForWrite(
            path.c_str(), kDataPackTypeId, kDataPackTypeVersion, kPackDataVersion, false);
        ASSERT_NE(writer, nullptr);
        const std::vector<uint8_t> c = SerializeCharacters(SevenCharacters());
        ASSERT_TRUE(writer->BeginChunk(kChunkCharacters, 1) && writer->Write(c.data(), uint32_t(c.size())) &&
                    writer->EndChunk());
        if (withBonuses) {
            const auto b = SixBonuses().Serialize();
            ASSERT_TRUE(writer->BeginChunk(kChunkBonuses, 1) && writer->Write(b.data(), uint32_t(b.size())) &&
                        writer->EndChunk());
        }
        ASSERT_TRUE(kis::CloseDataFile(writer));
    };
    testsupport::TestLevelData levelData;
    for (bool withBonuses : {true, false}) {
        FreeLevelGameData();
        write(withBonuses);
        kis::DataFileReaderW* reader =
            kis::OpenDataFileForRead(path.c_str(), kDataPackTypeId, kDataPackTypeVersion, kPackDataVersion);
        ASSERT_NE(reader, nullptr);
        LoaderState state{};
        EXPECT_EQ(CharactersStage().load(reader, &state), kLoaderFinished);
        EXPECT_EQ(state.error, 0);
        EXPECT_EQ(levelData.data.characters.size(), 7u);
        EXPECT_EQ(GameCharacters().size(), 7u);
        state = {};
        EXPECT_EQ(BonusesStage().load(reader, &state), kLoaderFinished);
        EXPECT_EQ(state.error, withBonuses ? 0 : 1);
        EXPECT_EQ(levelData.data.bonuses.IsLoaded(), withBonuses);
        EXPECT_EQ(&GameBonuses(), &levelData.data.bonuses);
        kis::CloseDataFile(reader);
    }
    FreeLevelGameData();
    EXPECT_TRUE(levelData.data.characters.empty());
    EXPECT_FALSE(levelData.data.bonuses.IsLoaded());

    // Without the game's level data a stage fails instead of reading into
    // nothing, and the readers see empty tables.
    SetLevelGameData(nullptr);
    kis::DataFileReaderW* reader =
        kis::OpenDataFileForRead(path.c_str(), kDataPackTypeId, kDataPackTypeVersion, kPackDataVersion);
    ASSERT_NE(reader, nullptr);
    for (const GameDataStage& stage : {CharactersStage(), BonusesStage()}) {
        LoaderState state{};
        EXPECT_EQ(stage.load(reader, &state), kLoaderFinished);
        EXPECT_EQ(state.error, 1) << stage.name;
    }
    kis::CloseDataFile(reader);
    EXPECT_TRUE(levelData.data.characters.empty());
    EXPECT_TRUE(GameCharacters().empty());
    EXPECT_FALSE(GameBonuses().IsLoaded());
}

} // namespace
