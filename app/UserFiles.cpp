#include "app/UserFiles.h"

#include "app/App.h"
#include "engine/Log.h"
#include "foundation/NumberText.h"
#include "platform/Files.h"

#include <sys/stat.h>

UserEntry InspectUserEntry(const std::u16string& path) {
    struct stat st;
    if (lstat(platform::NativePath(platform::GamePath(path)).c_str(), &st) != 0) return UserEntry::Missing;
    return S_ISREG(st.st_mode) ? UserEntry::File : UserEntry::Other;
}

std::u16string KeptName(const std::u16string& path, std::u16string_view suffix) {
    const std::u16string first = path + std::u16string(suffix);
    if (InspectUserEntry(first) == UserEntry::Missing) return first;
    for (uint32_t n = 2;; ++n) {
        const std::u16string name = first + kis::DecimalText(n);
        if (InspectUserEntry(name) == UserEntry::Missing) return name;
    }
}

std::u16string KeepAside(const std::u16string& path, std::u16string_view suffix) {
    const std::u16string kept = KeptName(path, suffix);
    return platform::RenameFile(platform::GamePath(path), platform::GamePath(kept)) ? kept : std::u16string();
}

std::u16string SetAsideNonFile(const std::u16string& path) {
    return InspectUserEntry(path) == UserEntry::Other ? KeepAside(path, u".bad") : std::u16string();
}

void LogSetAside(const std::u16string& path, const std::u16string& kept) {
    LogErrorPrintf(kLogIndent, "%s is not a file of the game; it is set aside as %s.",
                   AppShownPath(path).c_str(), AppShownPath(kept).c_str());
}

namespace {

// Writes the copy from `fill`, which writes into the new file; the copy is
// made new (never through an entry that appeared meanwhile) and flushed.
template <class Fill>
std::u16string WriteKept(const std::u16string& path, std::u16string_view suffix, Fill&& fill) {
    const std::u16string kept = KeptName(path, suffix);
    const platform::GamePath game(kept);
    platform::File out = platform::File::Open(game, platform::kFileWrite, platform::FileCreation::CreateNew);
    if (!out.IsOpen()) return {};
    if (fill(out) && out.Flush() && out.Close()) return kept;
    out.Close();
    platform::DeleteFile(game);
    return {};
}

} // namespace

std::u16string KeepCopy(const std::u16string& path, std::u16string_view suffix) {
    if (InspectUserEntry(path) != UserEntry::File) return {};
    platform::File in = platform::File::Open(platform::GamePath(path), platform::kFileRead,
                                             platform::FileCreation::OpenExisting);
    if (!in.IsOpen()) return {};
    return WriteKept(path, suffix, [&](platform::File& out) {
        std::vector<uint8_t> chunk(64 * 1024);
        for (;;) {
            const int64_t got = in.Read(chunk.data(), int64_t(chunk.size()));
            if (got < 0) return false;
            if (got == 0) return true;
            if (!out.WriteExact(chunk.data(), got)) return false;
        }
    });
}

std::u16string KeepBytes(const std::u16string& path, std::u16string_view suffix,
                         const std::vector<uint8_t>& bytes) {
    return WriteKept(path, suffix, [&](platform::File& out) {
        return out.WriteExact(bytes.data(), int64_t(bytes.size()));
    });
}
