#include "app/Config.h"
#include "app/App.h"
#include "app/AppState.h"
#include "app/UserFiles.h"

#include "engine/Log.h"
#include "engine/SoundManager.h"
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "foundation/IniFile.h"
#include "platform/Files.h"
#include "platform/PrivateProfile.h"
#include "platform/Utf.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr size_t kMaxPath = 259;

std::u16string Join(const std::u16string& folder, const char16_t* name) {
    if (folder.empty()) return name;
    return folder + u"\\" + name;
}

// The records as stored: little-endian words in field order.
void StoreWords(uint8_t* bytes, const uint32_t* words, int count) {
    for (int i = 0; i < count; ++i)
        kis::StoreLE32(bytes + 4 * i, words[i]);
}
void LoadWords(uint32_t* words, const uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i)
        words[i] = kis::LoadLE32(bytes + 4 * i);
}

ScreenParams ScreenParamsFromBytes(const uint8_t (&bytes)[28]) {
    uint32_t w[7];
    LoadWords(w, bytes, 7);
    return {w[0], w[1], w[2], w[3], w[4], w[5], w[6]};
}

SoundSettings SoundSettingsFromBytes(const uint8_t (&bytes)[16]) {
    uint32_t w[4];
    LoadWords(w, bytes, 4);
    SoundSettings s;
    s.musicOn = w[0];
    std::memcpy(&s.musicVolume, &w[1], 4);
    s.soundsOn = w[2];
    std::memcpy(&s.soundsVolume, &w[3], 4);
    return s;
}

// The key's value, or empty when the key is absent.
std::u16string ReadIniString(const std::u16string& path, const char16_t* section, const char16_t* key) {
    char16_t buffer[261] = {};
    platform::GetPrivateProfileStringW(section, key, u"", buffer, 261, path.c_str());
    return buffer;
}

// A whole decimal number of the text, or false.
bool ParseNumber(std::u16string_view text, uint32_t* out) {
    while (!text.empty() && (text.front() == u' ' || text.front() == u'\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == u' ' || text.back() == u'\t'))
        text.remove_suffix(1);
    if (text.empty() || text.size() > 9) return false;
    uint32_t value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return false;
        value = value * 10 + uint32_t(c - u'0');
    }
    *out = value;
    return true;
}

// A single number of config.ini as the ini file reads integers: decimal, or
// hexadecimal after "$", "#" or "0x" ("RefreshRate=0x3C" is 60). False when
// the key is absent, or its value is not such a number or is negative.
bool ReadIniNumber(kis::IniFileW& ini, const char16_t* section, const char16_t* key, uint32_t* out) {
    constexpr int32_t kNone = INT32_MIN;
    const int32_t value = ini.ReadInteger(section, key, kNone);
    if (value == kNone || value < 0) return false;
    *out = uint32_t(value);
    return true;
}

// "<width>,<height>".
bool ParsePair(const std::u16string& text, uint32_t* width, uint32_t* height) {
    size_t comma = text.find(u',');
    if (comma == std::u16string::npos) return false;
    uint32_t w = 0, h = 0;
    if (!ParseNumber(std::u16string_view(text).substr(0, comma), &w) ||
        !ParseNumber(std::u16string_view(text).substr(comma + 1), &h))
        return false;
    *width = w;
    *height = h;
    return true;
}

// The settings the player chose, taken from a saved file. Full screen keeps
// the desktop's own display mode: the screen size and refresh rate saved are
// the desktop's at the time, and the desktop in use now (`current`) may differ.
ScreenParams SavedScreenParams(const ScreenParams& saved, const ScreenParams& current) {
    ScreenParams params = saved;
    params.screenWidth = current.screenWidth;
    params.screenHeight = current.screenHeight;
    params.refreshRate = current.refreshRate;
    return params;
}

} // namespace

void SetConfigFolders(const std::u16string& userFolder, const std::u16string& programFolder) {
    if (AppState* state = RunningAppState()) {
        state->configUserFolder = userFolder;
        state->configProgramFolder = programFolder;
    }
}

std::u16string ConfigDatPath() {
    const AppState* state = RunningAppState();
    return Join(state ? state->configUserFolder : std::u16string(), u"config.dat");
}

std::u16string ConfigIniPath() {
    const AppState* state = RunningAppState();
    return Join(state ? state->configProgramFolder : std::u16string(), u"config.ini");
}

bool LoadConfig(ScreenParams* out, const GameScreen& screen, SoundManager& sound) {
    screen.GetParams(out);
    const std::u16string path = ConfigDatPath();
    if (path.size() > kMaxPath) return false;
    // A damaged file is passed over with the reason in the log; it is written
    // anew from the settings in use.
    auto ignored = [](const char* why) { LogLabelPrintf(kLogIndent, "config.dat ignored", "%s", why); };
    if (!platform::PathExists(platform::GamePath(path))) return true; // the first start
    if (platform::FileSize(platform::GamePath(path)) < 0) {
        ignored("it is not a readable file.");
        return true;
    }
    // A file the game may not read is never written over unread: it goes aside first. One that does
    // not open now for a passing cause is neither: it stays, and keeps the player's settings.
    if (const int error = platform::OpenForReadError(platform::GamePath(path)); error != 0) {
        if (platform::PassingFileError(error)) {
            ignored(("it cannot be read now (" + platform::FileErrorText(error, platform::kFileRead) +
                     "); it stays as it is, and the settings in use are the defaults.")
                        .c_str());
            return false;
        }
        const std::u16string kept = KeepAside(path, u".bad");
        ignored(kept.empty() ? "it cannot be read, and the folder does not let it be set aside."
                             : ("it cannot be read; it is set aside as " + AppShownPath(kept) + ".").c_str());
        return true;
    }
    kis::DataFileReaderPtr reader(
        kis::OpenDataFileForRead(path.c_str(), kConfigTypeId, kConfigTypeVersion, kConfigDataVersion));
    if (!reader) {
        ignored("it is not a settings file of this game, or its header or directory is damaged.");
        return true;
    }
    // Each record is taken only whole.
    uint8_t screenBytes[sizeof(ScreenParams)];
    if (!reader->OpenChunk(kConfigScreenChunk, kConfigChunkSubId))
        ignored("it holds no screen settings.");
    else if (!reader->Read(screenBytes, sizeof screenBytes) || !reader->CloseChunk())
        ignored("its screen settings are cut short or damaged.");
    else
        *out = SavedScreenParams(ScreenParamsFromBytes(screenBytes), *out);
    uint8_t soundBytes[sizeof(SoundSettings)];
    if (!reader->IsGood()) return true; // the screen chunk's failure stops the file
    if (!reader->OpenChunk(kConfigSoundChunk, kConfigChunkSubId)) {
        ignored("it holds no sound settings.");
    } else if (!reader->Read(soundBytes, sizeof soundBytes) || !reader->CloseChunk()) {
        ignored("its sound settings are cut short or damaged.");
    } else {
        SoundSettings settings = SoundSettingsFromBytes(soundBytes);
        sound.ApplySettings(&settings);
    }
    return true;
}

bool SaveConfig(const GameScreen& screen, const SoundManager& sound, std::u16string* stuck,
                std::string* cause) {
    const std::u16string path = ConfigDatPath();
    if (path.size() > kMaxPath) return false;
    if (!ClearWayForWrite(path, path + u".bak", stuck)) return false; // logs what it sets aside
    kis::DataFileWriterW writer(kConfigTypeId, kConfigTypeVersion, kConfigDataVersion);
    auto failed = [&] {
        if (cause) *cause = platform::FileErrorText(writer.GetError(), platform::kFileWrite);
        return false;
    };
    if (!writer.Open(path.c_str(), true)) return failed();
    ScreenParams params;
    screen.GetParams(&params);
    SoundSettings settings;
    sound.GetSettings(&settings);
    const uint32_t screenWords[7] = {params.fullscreen,  params.windowWidth,  params.windowHeight,
                                     params.screenWidth, params.screenHeight, params.refreshRate,
                                     params.vsync};
    uint32_t soundWords[4] = {settings.musicOn, 0, settings.soundsOn, 0};
    std::memcpy(&soundWords[1], &settings.musicVolume, 4);
    std::memcpy(&soundWords[3], &settings.soundsVolume, 4);
    uint8_t screenBytes[sizeof(ScreenParams)];
    uint8_t soundBytes[sizeof(SoundSettings)];
    StoreWords(screenBytes, screenWords, 7);
    StoreWords(soundBytes, soundWords, 4);
    writer.BeginChunk(kConfigScreenChunk, kConfigChunkSubId);
    writer.Write(screenBytes, sizeof screenBytes);
    writer.EndChunk();
    writer.BeginChunk(kConfigSoundChunk, kConfigChunkSubId);
    writer.Write(soundBytes, sizeof soundBytes);
    writer.EndChunk();
    return writer.Close() || failed();
}

void ReadConfigIni(const std::u16string& iniPath, ScreenParams* params, ConfigIni* out) {
    // The ini file class joins a name that starts with one backslash to the
    // current folder (Data by now), and the program folder's game form starts
    // with one: it is named in native form, which the class takes as complete.
    std::u16string nativePath = platform::ToGamePath(platform::GamePath(iniPath).Utf8());
    std::replace(nativePath.begin(), nativePath.end(), u'\\', u'/');
    kis::IniFileW ini(nativePath.c_str());
    if (platform::FileSize(platform::GamePath(iniPath)) > platform::kMaxIniFileBytes)
        LogLabelPrintf(kLogIndent, "config.ini ignored", "it is larger than %lld bytes.",
                       static_cast<long long>(platform::kMaxIniFileBytes));
    uint32_t value = 0;
    if (ReadIniNumber(ini, u"Video", u"Fullscreen", &value)) params->fullscreen = value ? 1 : 0;
    ParsePair(ReadIniString(iniPath, u"Video", u"Window"), &params->windowWidth, &params->windowHeight);
    ParsePair(ReadIniString(iniPath, u"Video", u"Screen"), &params->screenWidth, &params->screenHeight);
    if (ReadIniNumber(ini, u"Video", u"VSync", &value)) params->vsync = value ? 1 : 0;
    if (ReadIniNumber(ini, u"Video", u"RefreshRate", &value)) params->refreshRate = value;
    if (ReadIniNumber(ini, u"Game", u"Cheats", &value)) out->cheats = value != 0;
    out->language = ReadIniString(iniPath, u"Path", u"Language");
}

std::u16string ChooseLanguageFile(const std::u16string& commandLine, const ConfigIni& ini) {
    if (!commandLine.empty()) return commandLine;
    if (!ini.language.empty()) return ini.language;
    return u"language.dat";
}
