// soundpack: builds the sound pack "Sounds.dat" from WAV and Ogg Vorbis files.
//
//   soundpack <manifest> <output>
//
// The manifest holds one entry a line; '#' starts a comment line. File paths
// are relative to the manifest's folder unless they begin with '/'.
//
//   sample <name> <file> [loop]   a sound effect; "loop" makes it loop as loaded
//   music  <name> <file>          a music track
//   event  <slot> <sample name>   names the sample of event-sound slot 0..25
//                                 (a sample listed in the same manifest)
//
// Names are identifiers of at most 31 characters (letters, digits, '_').

#include "engine/SoundPackWriter.h"
#include "platform/AudioDecoder.h"
#include "platform/Files.h"
#include "platform/Utf.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool IsIdentifier(const std::string& name) {
    if (name.empty() || name.size() > 31) return false;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
    return true;
}

struct Manifest {
    SoundPackContent content;
    std::string error;
};

bool LoadAudio(const std::filesystem::path& file, std::vector<uint8_t>& data, std::string& error) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = "cannot read " + file.string();
        return false;
    }
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::string reason;
    if (!platform::OpenAudioDecoder(data, &reason)) {
        error = file.string() + " is not a sound the game can play: " + reason;
        return false;
    }
    return true;
}

bool ReadManifest(const std::string& path, Manifest& manifest) {
    std::ifstream in(path);
    if (!in) {
        manifest.error = "cannot read " + path;
        return false;
    }
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::vector<std::string> sampleNames;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::string kind, name, third, extra;
        if (!(words >> kind) || kind[0] == '#') continue;
        words >> name >> third;
        const bool hasExtra = bool(words >> extra);
        auto fail = [&](const std::string& why) {
            manifest.error = path + ":" + std::to_string(number) + ": " + why;
            return false;
        };
        if (kind == "event") {
            char* end = nullptr;
            const long slot = std::strtol(name.c_str(), &end, 10);
            if (name.empty() || *end || slot < 0 || slot >= kEventSoundCount)
                return fail("event slot must be 0..25");
            if (!IsIdentifier(third) || hasExtra) return fail("expected: event <slot> <sample name>");
            manifest.content.eventSounds[size_t(slot)] = platform::Utf8ToUtf16(third);
            continue;
        }
        if (kind != "sample" && kind != "music") return fail("unknown entry \"" + kind + "\"");
        if (!IsIdentifier(name))
            return fail("\"" + name + "\" is not a name of at most 31 letters, digits or '_'");
        if (third.empty()) return fail("missing file");
        const bool loop = hasExtra && extra == "loop";
        if (hasExtra && (!loop || kind == "music")) return fail("unexpected \"" + extra + "\"");
        SoundPackEntry entry;
        entry.name = platform::Utf8ToUtf16(name);
        entry.loop = loop;
        std::filesystem::path file(third);
        if (file.is_relative()) file = folder / file;
        if (!LoadAudio(file, entry.data, manifest.error)) return fail(manifest.error);
        if (kind == "sample") {
            sampleNames.push_back(Lower(name));
            manifest.content.samples.push_back(std::move(entry));
        } else {
            manifest.content.music.push_back(std::move(entry));
        }
    }
    // Every event slot must name a sample of this pack (names ignore case).
    for (const std::u16string& event : manifest.content.eventSounds) {
        if (event.empty()) continue;
        const std::string name = Lower(platform::Utf16ToUtf8(event));
        if (std::find(sampleNames.begin(), sampleNames.end(), name) == sampleNames.end()) {
            manifest.error = path + ": event sound \"" + name + "\" is not a sample of the manifest";
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: soundpack <manifest> <output>\n");
        return 2;
    }
    Manifest manifest;
    if (!ReadManifest(argv[1], manifest)) {
        std::fprintf(stderr, "soundpack: %s\n", manifest.error.c_str());
        return 1;
    }
    const std::u16string output = platform::ToGamePath(argv[2]);
    std::string error;
    if (!WriteSoundPack(output.c_str(), manifest.content, &error)) {
        std::fprintf(stderr, "soundpack: %s: %s\n", argv[2], error.c_str());
        return 1;
    }
    std::printf("%s: %zu samples, %zu music tracks\n", argv[2], manifest.content.samples.size(),
                manifest.content.music.size());
    return 0;
}
