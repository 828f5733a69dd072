// content: writes the game's sample data folder, apart from the cursors
// (curgen) and the language (langc).
//
//   content <Data folder> [<farm source folder> [<scenario level source>]]
//
// With a scenario level source only Data.dat is written: the campaign's
// levels with the source's levels in place of those of the same index (the
// program tests' own layouts, tests/content/scenario-levels.txt).
//
// Writes into the folder:
//   Data.dat     the data pack (ids in foundation/DataPackIds.h): a
//                digit fonts ('DIGF', ids 1 and 3, drawn from the textures "digits"
//                and "digits_small")
//                and the game's five rasterised fonts ('FONT', DejaVu faces
//                at five sizes), the character descriptions ('CHQR',
//                LevelChunks.h), the farm tables ('PROD', 'PLNT', 'BLDN',
//                'VLNS') from content/farm (FarmSources.h) or the folder
//                given, the level table ('LVLS': every level from the map's
//                template, MapChunks.h, the scenario levels from
//                content/levels, LevelSources.h) and the bonuses ('BONS',
//                from bonuses.txt of the farm folder, FarmSources.h),
//                then the award table (from content/awards.txt, see
//                AwardTable.h), the level-select map ('MAPM', MapChunks.h)
//                and the comics ('COMX', from content/comics.txt, see ComixPages.h)
//   Sounds.dat   the sound pack: the effects and tunes synthesised from the
//                recipes in content/sound, with the event-sound table
//   Logos\       two generated logo pictures and Logos.txt listing them
// The sprite pack comes from the art (tools/spritepack). The packs hold the
// chunks whose loaders exist; the pictures and sounds are
// drawn and synthesised here, so the sample game needs no outside files.

#include "engine/SoundPackWriter.h"
#include "engine/TextureLoader.h"
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "foundation/DataPackIds.h"
#include "foundation/SpritePackIds.h"
#include "level/Bonuses.h"
#include "platform/Files.h"
#include "platform/PngWriter.h"
#include "platform/Utf.h"
#include "text/DigitalText.h"
#include "text/KGEFontFile.h"
#include "text/KGEWinFont.h"
#include "tools/content/AwardTable.h"
#include "tools/content/ComixPages.h"
#include "tools/content/FarmSources.h"
#include "tools/content/LevelChunks.h"
#include "tools/content/LevelSources.h"
#include "tools/content/MainScreenChunk.h"
#include "tools/content/MapChunks.h"
#include "tools/soundsynth/SoundContent.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::u16string Wide(const std::string& utf8) {
    return platform::Utf8ToUtf16(utf8);
}

bool WriteU32(kis::BaseDataFile& writer, uint32_t value) {
    uint8_t bytes[4];
    kis::StoreLE32(bytes, value);
    return writer.Write(bytes, 4);
}

// ---------------------------------------------------------------- pictures

using Picture = std::vector<uint32_t>; // A8R8G8B8, rows top to bottom

uint32_t Mix(uint32_t a, uint32_t b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    auto channel = [&](int shift) {
        double x = double((a >> shift) & 0xFF) * (1 - t) + double((b >> shift) & 0xFF) * t;
        return uint32_t(std::lround(x)) << shift;
    };
    return 0xFF000000 | channel(16) | channel(8) | channel(0);
}

// The digit fonts: ten digits and a minus sign side by side in one row of a
// texture drawn from content/art/interface/digits.svg, each image `width`
// wide with `step` empty pixels between them; `gap` pixels between two
// drawn digits. Font 1 draws money and counts; font 3, the same digits at
// half size ("digits_small"), the prices on buttons.
struct DigitFontSpec {
    uint32_t id;
    const char16_t* texture;
    uint32_t width, height, step, gap;
};
constexpr DigitFontSpec kDigitFonts[] = {
    {1, u"digits", 14, 22, 2, 2},
    {3, u"digits_small", 7, 11, 1, 1},
};

// ---------------------------------------------------------------- data pack

bool WriteDigitFonts(kis::BaseDataFile& writer) {
    if (!writer.BeginChunk(kDigitalFontChunkId, kDigitalFontChunkSubId) ||
        !WriteU32(writer, uint32_t(std::size(kDigitFonts))))
        return false;
    for (const DigitFontSpec& font : kDigitFonts) {
        const uint32_t modeCount = 1;
        std::vector<uint32_t> header = {kDigitalFontHeaderSize, kDigitalFontHasTexture, font.id};
        for (int i = 0; i < kDigitImages; ++i)
            header.push_back(font.width);
        header.push_back(font.gap);
        header.push_back(1); // has a minus sign
        header.push_back(modeCount);
        header.push_back(modeCount * kDigitalFontModeSize);
        const uint32_t mode[4] = {0, 0, font.height, font.step}; // x, y, height, step
        for (uint32_t word : header)
            if (!WriteU32(writer, word)) return false;
        for (uint32_t word : mode)
            if (!WriteU32(writer, word)) return false;
        uint8_t entry[kTextureEntryHeaderSize];
        WriteTextureEntryHeader(entry, font.texture, 0);
        if (!writer.Write(entry, sizeof entry)) return false;
    }
    return writer.EndChunk();
}

// The game's fonts 5 to 9, rasterised again from their descriptions on load.
bool WriteFonts(kis::BaseDataFile& writer, std::string* error) {
    struct FontSpec {
        const char16_t* face;
        int32_t points;
        int32_t weight;
    };
    static const FontSpec kFonts[kFontChunkCount] = {{u"Arial", 9, 400},
                                                     {u"Arial", 11, 700},
                                                     {u"Arial", 14, 700},
                                                     {u"Times New Roman", 12, 400},
                                                     {u"Courier New", 10, 400}};
    // ASCII and the Latin-1 letters and signs (players' names have accents), and the ellipsis.
    std::u16string chars;
    for (char16_t c = 0x20; c < 0x7F; ++c)
        chars.push_back(c);
    for (char16_t c = 0xA1; c <= 0xFF; ++c)
        if (c != 0xAD) chars.push_back(c); // the soft hyphen draws nothing
    chars.push_back(u'\u2026');            // the ellipsis of a folder shortened in the middle
    if (!writer.BeginChunk(kFontChunkId, kFontChunkSubId) || !WriteU32(writer, kFontChunkCount)) return false;
    for (const FontSpec& spec : kFonts) {
        KGEWinFont* font = nullptr;
        HResult hr = KGECreateWinFont(nullptr, 0, spec.points, spec.weight, 0, 0, 0, 0, 0xFFFFFF, spec.face,
                                      kSpaceFromFont, uint32_t(chars.size()), chars.c_str(), u'?', nullptr,
                                      nullptr, 0, 0, 0xFFFFFFFF, &font);
        if (Failed(hr) || !font) {
            *error = "the font " + platform::Utf16ToUtf8(spec.face) + " cannot be built";
            return false;
        }
        hr = KGEWriteFont(&writer, font);
        delete font;
        if (Failed(hr)) return false;
    }
    return writer.EndChunk();
}

bool WriteDataPack(const std::string& path, const std::string& farmSources, const std::string& scenarioLevels,
                   std::string* error) {
    FarmTablesSource farm;
    if (!ReadFarmSources(farmSources, &farm, error)) return false;
    Bonuses bonuses;
    if (!ReadBonusSource(farmSources, &bonuses, error)) return false;
    // One table: every level from the map's template, the scenario levels
    // from their source in their places.
    LevelTable levels;
    if (!levels.Parse(SampleLevelTableChunk(), nullptr, error)) return false;
    if (!ReadLevelSources(VB_LEVEL_SOURCES, bonuses, &levels, error)) return false;
    if (!scenarioLevels.empty() && !ReadLevelSources(scenarioLevels, bonuses, &levels, error)) return false;
    kis::DataFileWriterW* writer =
        kis::OpenDataFileForWrite(Wide(path).c_str(), kDataPackTypeId, kDataPackTypeVersion, 1, false);
    if (!writer) return *error = "cannot write " + path, false;
    bool ok = WriteDigitFonts(*writer) && WriteFonts(*writer, error) && WriteCharacterChunk(*writer) &&
              WriteFarmChunks(*writer, farm) && WriteLevelTableAndBonuses(*writer, levels, bonuses) &&
              WriteAwardTable(*writer, VB_CONTENT_DIR "/awards.txt", error) && WriteMapChunks(*writer) &&
              WriteComixPages(*writer, VB_CONTENT_DIR "/comics.txt", error) && WriteMainScreenChunk(*writer);
    if (!kis::CloseDataFile(writer) || !ok) {
        if (error->empty()) *error = "cannot write " + path;
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- sounds

// Every effect, tune and event sound of the recipes in content/sound,
// synthesised (tools/soundsynth).
bool WriteSounds(const std::string& path, std::string* error) {
    SoundPackContent content;
    return soundsynth::MakeSoundPackContent(VB_CONTENT_DIR "/sound", &content, error) &&
           WriteSoundPack(Wide(path).c_str(), content, error);
}

// ---------------------------------------------------------------- logos

// The maker's emblem: a golden ring around a green field with a sun.
Picture MakerLogo(int w, int h) {
    Picture p(size_t(w) * size_t(h), 0xFF000000);
    const double cx = w / 2.0, cy = h / 2.0, r = h * 0.42;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            uint32_t& px = p[size_t(y) * size_t(w) + size_t(x)];
            if (d < r - 8) {
                const bool field = y > cy + 10;
                px = field ? Mix(0xFF3C8C2D, 0xFF2A6A20, (y - cy) / r)
                           : Mix(0xFF87CEEB, 0xFFD8EEF8, (cy - y) / r);
                if (std::hypot(x - cx, y - (cy - r * 0.3)) < r * 0.22) px = 0xFFF2C230;
            } else if (d < r) {
                px = Mix(0xFFE0B040, 0xFF9A7020, (d - (r - 8)) / 8.0);
            }
        }
    }
    return p;
}

// The game's picture: a red barn with a roof and a door on a green hill.
Picture GameLogo(int w, int h) {
    Picture p(size_t(w) * size_t(h), 0xFF000000);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint32_t& px = p[size_t(y) * size_t(w) + size_t(x)];
            const double hill = h * 0.72 + 12 * std::sin(x * 0.03);
            px = y > hill ? 0xFF3C8C2D : Mix(0xFF203060, 0xFF87CEEB, double(y) / h);
            const int barnLeft = w / 2 - 60, barnRight = w / 2 + 60, barnTop = int(h * 0.40);
            if (x >= barnLeft && x < barnRight && y >= barnTop && y < int(h * 0.78)) px = 0xFFB5452A;
            const int roofRise = barnTop - std::abs(x - w / 2) / 2;
            if (x >= barnLeft - 10 && x < barnRight + 10 && y >= barnTop - 30 + std::abs(x - w / 2) / 2 &&
                y < barnTop && y >= roofRise - 30)
                px = 0xFF5A2A14;
            if (x >= w / 2 - 18 && x < w / 2 + 18 && y >= int(h * 0.58) && y < int(h * 0.78)) px = 0xFF5A2A14;
        }
    }
    return p;
}

bool WriteLogos(const std::string& folder, std::string* error) {
    if (!platform::CreateFolder(platform::GamePath(folder))) return *error = "cannot make " + folder, false;
    const int w = 400, h = 240;
    if (!platform::WritePng(folder + "/maker.png", MakerLogo(w, h).data(), w, h, w, error) ||
        !platform::WritePng(folder + "/game.png", GameLogo(w, h).data(), w, h, w, error))
        return false;
    const std::string list = "// Logos shown at start: <image file>, <milliseconds>\n"
                             "maker.png, 1500\n"
                             "game.png, 1500\n";
    platform::File file = platform::File::Open(platform::GamePath(folder + "/Logos.txt"),
                                               platform::kFileWrite, platform::FileCreation::CreateAlways);
    if (!file.IsOpen() || !file.WriteExact(list.data(), int64_t(list.size())) || !file.Close())
        return *error = "cannot write " + folder + "/Logos.txt", false;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: content DATA_FOLDER [FARM_SOURCE_FOLDER [SCENARIO_LEVELS]]\n");
        return 2;
    }
    const std::string folder = argv[1];
    std::string error;
    if (!platform::CreateFolder(platform::GamePath(folder))) {
        std::fprintf(stderr, "content: cannot make %s\n", folder.c_str());
        return 1;
    }
    const std::string scenarioLevels = argc == 4 ? argv[3] : "";
    if (!WriteDataPack(folder + "/Data.dat", argc >= 3 ? argv[2] : VB_FARM_SOURCES, scenarioLevels, &error)) {
        std::fprintf(stderr, "content: %s\n", error.c_str());
        return 1;
    }
    if (!scenarioLevels.empty()) return 0;
    if (!WriteSounds(folder + "/Sounds.dat", &error) || !WriteLogos(folder + "/Logos", &error)) {
        std::fprintf(stderr, "content: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
