#pragma once
// Reading fixed records out of an open chunk of the data pack: every count
// is checked against the bytes the chunk has left before anything is read
// or sized.

#include "engine/LoaderState.h"
#include "farm/FarmRecords.h"
#include "foundation/DataFile.h"

#include <bit>
#include <cstdint>
#include <type_traits>

// The records' fields are little-endian words and UTF-16 units laid out
// without padding, so on a little-endian machine the bytes are the record.
static_assert(std::endian::native == std::endian::little, "farm records are read as little-endian bytes");

template <class Record> bool ReadRecord(kis::BaseDataFile* reader, Record* record) {
    static_assert(std::is_trivially_copyable_v<Record>);
    return reader->ChunkBytesLeft() >= sizeof(Record) && reader->Read(record, sizeof(Record));
}

inline bool ReadCount(kis::BaseDataFile* reader, uint32_t* count) {
    return ReadRecord(reader, count);
}

// A count of records of `size` bytes that the chunk can still hold.
inline bool CountFits(kis::BaseDataFile* reader, uint32_t count, uint32_t size) {
    return uint64_t(count) * size <= reader->ChunkBytesLeft();
}

// The loading step of a chunk of counted records. At the first call it opens
// the chunk and `head(&count)` reads what stands before the records and their
// count (false for a bad head); then each call reads records through
// `record()` (false for a bad one) until all are read or the frame's time is
// up, and last checks that the chunk ends with the last record. Any fault
// sets the state's error flag and closes the chunk.
template <class Head, class Record>
int32_t LoadRecordChunk(kis::BaseDataFile* reader, LoaderState* state, uint32_t id, uint32_t subId, Head head,
                        Record record) {
    auto fail = [&] {
        state->error = 1;
        if (reader->GetOpenChunk()) reader->CloseChunk();
        return kLoaderFinished;
    };
    if (state->done == 0 && state->total == 0) {
        uint32_t count = 0;
        if (!reader->OpenChunk(id, subId) || !head(&count)) return fail();
        state->total = int32_t(count);
    }
    while (state->done < state->total) {
        if (!record()) return fail();
        ++state->done;
        if (GlobalObjectSetFloat(float(state->done) / float(state->total))) return kLoaderCallAgain;
    }
    if (reader->ChunkBytesLeft() != 0) return fail();
    if (!reader->CloseChunk()) state->error = 1;
    return kLoaderFinished;
}

// A name field holds a terminating zero.
inline bool IsNameTerminated(const NameField& name) {
    for (char16_t c : name)
        if (c == 0) return true;
    return false;
}
