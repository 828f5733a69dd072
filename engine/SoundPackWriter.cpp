#include "engine/SoundPackWriter.h"

#include "foundation/ByteOrder.h"

namespace {

bool WriteU32(kis::BaseDataFile& writer, uint32_t value) {
    uint8_t bytes[4];
    kis::StoreLE32(bytes, value);
    return writer.Write(bytes, 4);
}

void StoreName(uint8_t* field, const std::u16string& name) {
    for (uint32_t i = 0; i < kSoundNameUnits; ++i)
        kis::StoreLE16(field + 2 * i, i < name.size() ? uint16_t(name[i]) : 0);
}

bool ValidName(const std::u16string& name) {
    if (name.size() >= kSoundNameUnits) return false;
    for (char16_t c : name)
        if (c == 0) return false;
    return true;
}

std::string Narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text)
        out += c < 0x80 ? char(c) : '?';
    return out;
}

} // namespace

std::string CheckSoundPackContent(const SoundPackContent& content) {
    for (const auto* list : {&content.samples, &content.music}) {
        for (const SoundPackEntry& entry : *list) {
            if (!ValidName(entry.name))
                return "name \"" + Narrow(entry.name) + "\" is longer than 31 characters";
            if (entry.data.empty()) return "sound \"" + Narrow(entry.name) + "\" has no data";
            if (entry.data.size() > 0x7FFFFFFFu) return "sound \"" + Narrow(entry.name) + "\" is too large";
        }
    }
    // 26 names of at most 31 units, each with two more, stay within the
    // loader's 862-unit limit.
    for (const std::u16string& name : content.eventSounds)
        if (!ValidName(name)) return "event sound name \"" + Narrow(name) + "\" is longer than 31 characters";
    return {};
}

bool WriteSampleChunk(kis::BaseDataFile& writer, const SoundPackContent& content) {
    if (!writer.BeginChunk(kSampleChunkId, kSampleChunkSubId)) return false;
    if (!WriteU32(writer, uint32_t(content.samples.size()))) return false;
    for (const SoundPackEntry& entry : content.samples) {
        SampleRecordHead head;
        StoreName(head.name, entry.name);
        kis::StoreLE32(head.loop, entry.loop ? 1 : 0);
        if (!WriteU32(writer, uint32_t(entry.data.size())) || !writer.Write(&head, sizeof(head)) ||
            !writer.Write(entry.data.data(), uint32_t(entry.data.size())))
            return false;
    }
    std::vector<uint8_t> names;
    for (const std::u16string& name : content.eventSounds) {
        for (char16_t c : name) {
            names.push_back(uint8_t(c));
            names.push_back(uint8_t(c >> 8));
        }
        names.insert(names.end(), 4, 0); // terminator and the unit skipped after it
    }
    return WriteU32(writer, 0) && WriteU32(writer, uint32_t(names.size() / 2)) &&
           writer.Write(names.data(), uint32_t(names.size())) && writer.EndChunk();
}

bool WriteMusicChunk(kis::BaseDataFile& writer, const SoundPackContent& content) {
    if (!writer.BeginChunk(kMusicChunkId, kMusicChunkSubId)) return false;
    if (!WriteU32(writer, uint32_t(content.music.size()))) return false;
    for (const SoundPackEntry& entry : content.music) {
        MusicRecordHead head;
        StoreName(head.name, entry.name);
        if (!WriteU32(writer, uint32_t(entry.data.size())) || !writer.Write(&head, sizeof(head)) ||
            !writer.Write(entry.data.data(), uint32_t(entry.data.size())))
            return false;
    }
    return writer.EndChunk();
}

bool WriteSoundPack(const char16_t* path, const SoundPackContent& content, std::string* error) {
    std::string reason = CheckSoundPackContent(content);
    if (reason.empty()) {
        kis::DataFileWriterW* writer = kis::OpenDataFileForWrite(
            path, kSoundPackTypeId, kSoundPackTypeVersion, kSoundPackDataVersion, true);
        bool written = writer && WriteMusicChunk(*writer, content) && WriteSampleChunk(*writer, content);
        if (!kis::CloseDataFile(writer) || !written) reason = "the pack file cannot be written";
    }
    if (error) *error = reason;
    return reason.empty();
}
