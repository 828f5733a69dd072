#pragma once
// The root chunks of a data file as bytes, for tests that damage one chunk
// and write the file again so the damage reaches the reader behind the
// container. Header-only: only tests that link the foundation include it.
#include "foundation/DataFile.h"
#include "platform/Utf.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace testsupport {

struct DataChunk {
    uint32_t id;
    uint32_t subId;
    std::string bytes;
};

struct DataFileKind {
    uint32_t typeId;
    uint32_t typeVersion;
    uint32_t dataVersion;
};

// Every root chunk in file order; empty when the file cannot be read whole.
inline std::vector<DataChunk> ReadDataChunks(const std::string& path, const DataFileKind& kind) {
    kis::DataFileReaderPtr reader(kis::OpenDataFileForRead(platform::Utf8ToUtf16(path).c_str(), kind.typeId,
                                                           kind.typeVersion, kind.dataVersion));
    std::vector<DataChunk> chunks;
    if (!reader) return chunks;
    for (const kis::DataFileEntry& entry : reader->GetRoot().entries) {
        DataChunk chunk{entry.id, entry.subId, std::string(entry.size, '\0')};
        if (!reader->OpenChunkEntry(&entry) ||
            (entry.size && !reader->Read(chunk.bytes.data(), entry.size)) || !reader->CloseChunk())
            return {};
        chunks.push_back(std::move(chunk));
    }
    return chunks;
}

// Writes the chunks as a new file; false when it cannot be written.
inline bool WriteDataChunks(const std::string& path, const DataFileKind& kind,
                            const std::vector<DataChunk>& chunks) {
    kis::DataFileWriterW* writer = kis::OpenDataFileForWrite(platform::Utf8ToUtf16(path).c_str(), kind.typeId,
                                                             kind.typeVersion, kind.dataVersion, false);
    if (writer == nullptr) return false;
    for (const DataChunk& chunk : chunks)
        if (!writer->BeginChunk(chunk.id, chunk.subId) ||
            (!chunk.bytes.empty() && !writer->Write(chunk.bytes.data(), uint32_t(chunk.bytes.size()))) ||
            !writer->EndChunk())
            break;
    return kis::CloseDataFile(writer);
}

// Writes a file of the kind holding only the chunk and opens it for reading;
// null when either fails.
inline kis::DataFileReaderPtr OnlyChunkFile(const std::string& path, const DataFileKind& kind,
                                            const DataChunk& chunk) {
    if (!WriteDataChunks(path, kind, {chunk})) return nullptr;
    return kis::DataFileReaderPtr(kis::OpenDataFileForRead(platform::Utf8ToUtf16(path).c_str(), kind.typeId,
                                                           kind.typeVersion, kind.dataVersion));
}

} // namespace testsupport
