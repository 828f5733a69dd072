#include "engine/SoundPack.h"
#include "engine/SoundManager.h"

#include "foundation/ByteOrder.h"

#include <cmath>
#include <vector>

namespace {

bool ReadU32(kis::DataFileReaderW& reader, uint32_t& value) {
    uint8_t bytes[4];
    if (!reader.Read(bytes, 4)) return false;
    value = kis::LoadLE32(bytes);
    return true;
}

// Copies the zero-terminated UTF-16 text at units[0..] into name (room for
// kSoundNameUnits). False when no terminator stands within kSoundNameUnits
// units or within `available` units.
bool DecodeName(const uint8_t* units, uint32_t available, char16_t* name) {
    const uint32_t limit = available < kSoundNameUnits ? available : kSoundNameUnits;
    for (uint32_t i = 0; i < limit; ++i) {
        name[i] = char16_t(kis::LoadLE16(units + 2 * i));
        if (name[i] == 0) return true;
    }
    return false;
}

int32_t Fail(kis::DataFileReaderW* reader, LoaderState* state) {
    if (state) state->error = 1;
    if (reader && reader->GetOpenChunk()) reader->CloseChunk();
    return kLoaderFinished;
}

// Opens the chunk and reads the record count on the first call.
bool BeginChunk(kis::DataFileReaderW& reader, LoaderState& state, uint32_t id, uint32_t subId) {
    if (state.done != 0) return true;
    uint32_t count = 0;
    if (!reader.OpenChunk(id, subId) || !ReadU32(reader, count) || count > 0x7FFFFFFFu) return false;
    state.total = int32_t(count);
    return true;
}

// Reads one record's data position and skips the data. `offset` is the data's
// absolute place in the pack.
bool SkipData(kis::DataFileReaderW& reader, uint32_t size, uint32_t& offset) {
    const int64_t position = reader.GetChunkPos();
    const int64_t absolute = reader.Tell();
    if (reader.ChunkBytesLeft() < size || position < 0 || absolute < 0 || absolute > 0xFFFFFFFFll)
        return false;
    offset = uint32_t(absolute);
    return reader.SeekInChunk(uint32_t(position + size));
}

// Reads the records of a sample or music chunk, a call at a time, giving way
// when the progress hook asks. Each record is its data size (0 ends the list),
// its head with the name, then its data, which stays in the pack: `add` takes
// the record in. `finish` runs once the last record is read; false fails the load.
template <typename Head, typename Add, typename Finish>
int32_t LoadRecords(kis::DataFileReaderW* reader, LoaderState* state, uint32_t id, uint32_t subId, Add add,
                    Finish finish) {
    if (!reader || !state) return Fail(reader, state);
    if (!BeginChunk(*reader, *state, id, subId)) return Fail(reader, state);
    while (state->done < state->total) {
        uint32_t size = 0;
        if (!ReadU32(*reader, size)) return Fail(reader, state);
        if (size == 0) {
            state->done = state->total;
        } else {
            Head head;
            char16_t name[kSoundNameUnits];
            uint32_t offset = 0;
            if (!reader->Read(&head, sizeof(head)) || !DecodeName(head.name, kSoundNameUnits, name) ||
                !SkipData(*reader, size, offset))
                return Fail(reader, state);
            add(head, name, offset, size);
            ++state->done;
        }
        if (state->done == state->total && !finish()) return Fail(reader, state);
        if (GlobalObjectSetFloat(float(state->done) / float(state->total))) return kLoaderCallAgain;
    }
    reader->CloseChunk();
    return kLoaderFinished;
}

} // namespace

int32_t SoundManager::LoadSamples(kis::DataFileReaderW* reader, LoaderState* state) {
    auto add = [&](const SampleRecordHead& head, const char16_t* name, uint32_t offset, uint32_t size) {
        LoadSample(reader->GetFileName(), name, offset, size, kis::LoadLE32(head.loop) != 0);
    };
    // After the last sample: the names of the event sounds.
    auto readEventSounds = [&] {
        uint32_t zero = 1, units = 0;
        if (!ReadU32(*reader, zero) || zero != 0 || !ReadU32(*reader, units)) return false;
        if (units > kMaxEventNameUnits || uint64_t(units) * 2 > reader->ChunkBytesLeft()) return false;
        std::vector<uint8_t> block(size_t(units) * 2);
        if (units && !reader->Read(block.data(), units * 2)) return false;
        // Every name is checked before any slot changes.
        uint32_t found[kEventSoundCount];
        uint32_t at = 0;
        for (int slot = 0; slot < kEventSoundCount; ++slot) {
            // A name must end inside the block; one too long for a sample name
            // names no sample and leaves its slot 0.
            uint32_t length = 0;
            while (at + length < units && kis::LoadLE16(block.data() + 2 * (at + length)) != 0)
                ++length;
            if (at + length >= units) return false;
            char16_t name[kSoundNameUnits];
            found[slot] = DecodeName(block.data() + 2 * at, units - at, name) ? FindSample(name) : 0;
            at += length + 2;
        }
        for (int slot = 0; slot < kEventSoundCount; ++slot)
            eventSounds_[slot] = found[slot];
        return true;
    };
    return LoadRecords<SampleRecordHead>(reader, state, kSampleChunkId, kSampleChunkSubId, add,
                                         readEventSounds);
}

int32_t SoundManager::LoadMusic(kis::DataFileReaderW* reader, LoaderState* state) {
    auto add = [&](const MusicRecordHead&, const char16_t* name, uint32_t offset, uint32_t size) {
        AddMusic(reader->GetFileName(), name, offset, size);
    };
    return LoadRecords<MusicRecordHead>(reader, state, kMusicChunkId, kMusicChunkSubId, add,
                                        [] { return true; });
}

uint32_t SoundManager::GetEventSound(int slot) const {
    return slot >= 0 && slot < kEventSoundCount ? eventSounds_[slot] : 0;
}

// ---- Settings ------------------------------------------------------------------------

bool SoundManager::SetVolume(int category, float percent) {
    if (category != kSoundMusic && category != kSoundEffects) return false;
    // A broken settings file may hold NaN or infinity; such a value counts as 0.
    if (!std::isfinite(percent)) percent = 0.0f;
    if (percent < 0.0f) percent = 0.0f;
    if (percent > 100.0f) percent = 100.0f;
    float& stored = category == kSoundMusic ? musicVolume_ : soundsVolume_;
    if (percent == stored) return false;
    stored = percent;
    if (!settingsLock_) ApplyVolume(category);
    return true;
}

void SoundManager::SetEnabled(int category, bool on) {
    if (category != kSoundMusic && category != kSoundEffects) return;
    uint32_t& stored = category == kSoundMusic ? musicOn_ : soundsOn_;
    const uint32_t value = on ? 1 : 0;
    if (value == stored) return;
    stored = value;
    if (!settingsLock_) ApplyVolume(category);
}

void SoundManager::ApplySettings(const SoundSettings* settings) {
    if (!settings) return;
    settingsLock_ = 1;
    SetEnabled(kSoundMusic, settings->musicOn != 0);
    SetVolume(kSoundMusic, settings->musicVolume);
    ApplyVolume(kSoundMusic);
    SetEnabled(kSoundEffects, settings->soundsOn != 0);
    SetVolume(kSoundEffects, settings->soundsVolume);
    ApplyVolume(kSoundEffects);
    settingsLock_ = 0;
}

void SoundManager::GetSettings(SoundSettings* out) const {
    if (!out) return;
    out->musicOn = musicOn_;
    out->musicVolume = musicVolume_;
    out->soundsOn = soundsOn_;
    out->soundsVolume = soundsVolume_;
}

float SoundManager::GetEffectiveVolume(int category) const {
    if (category == kSoundMusic) return musicOn_ ? musicVolume_ : 0.0f;
    if (category == kSoundEffects) return soundsOn_ ? soundsVolume_ : 0.0f;
    return 0.0f;
}

bool SoundManager::IsAudible(int category) const {
    if (category == kSoundMusic) return musicOn_ && musicVolume_ != 0.0f;
    if (category == kSoundEffects) return soundsOn_ && soundsVolume_ != 0.0f;
    return false;
}
