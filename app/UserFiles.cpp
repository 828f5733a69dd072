#include "app/UserFiles.h"

#include "app/App.h"
#include "engine/Log.h"
#include "foundation/NumberText.h"
#include "platform/Files.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

UserEntry InspectUserEntry(const std::u16string& path) {
    struct stat st;
    if (lstat(platform::NativePath(platform::GamePath(path)).c_str(), &st) != 0) return UserEntry::Missing;
    return S_ISREG(st.st_mode) ? UserEntry::File : UserEntry::Other;
}

bool IsPlayersOwnFile(const std::u16string& path) {
    struct stat st;
    return lstat(platform::NativePath(platform::GamePath(path)).c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           st.st_uid == geteuid();
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

bool ClearWayForWrite(const std::u16string& path, const std::u16string& aside, std::u16string* stuck) {
    bool clear = true;
    for (const std::u16string& name : {path, aside}) {
        const UserEntry entry = InspectUserEntry(name);
        if (entry == UserEntry::Missing || (entry == UserEntry::File && name != aside)) continue;
        if (const std::u16string kept = KeepAside(name, u".bad"); !kept.empty()) {
            LogSetAside(name, kept);
            continue;
        }
        LogErrorPrintf(kLogIndent,
                       "%s is not a file of the game, and the folder does not let it be set aside.",
                       AppShownPath(name).c_str());
        if (clear && stuck) *stuck = name;
        clear = false;
    }
    return clear;
}

std::u16string KeepBytes(const std::u16string& path, std::u16string_view suffix,
                         const std::vector<uint8_t>& bytes) {
    // Made new, never through an entry that appeared meanwhile, and flushed.
    const std::u16string kept = KeptName(path, suffix);
    const platform::GamePath game(kept);
    platform::File out = platform::File::Open(game, platform::kFileWrite, platform::FileCreation::CreateNew);
    if (!out.IsOpen()) return {};
    if (out.WriteExact(bytes.data(), int64_t(bytes.size())) && out.Flush() && out.Close()) return kept;
    out.Close();
    platform::DeleteFile(game);
    return {};
}

namespace {

std::string WriteErrorText(int error) {
    switch (error) {
    case EMFILE:
    case ENFILE:
        return "too many files are open";
    case ENOSPC:
    case EDQUOT:
        return "the disk is full";
    case EROFS:
        return "the folder is on a read-only disk";
    case EACCES:
    case EPERM:
        return "the game may not write in the folder";
    case ENOMEM:
        return "the system is out of memory";
    default:
        return "no file can be written in it";
    }
}

} // namespace

std::string WriteFailureIn(const std::u16string& folder) {
    for (uint32_t n = 1; n != 0; ++n) {
        const std::u16string probe = folder + u"\\write" + (n > 1 ? kis::DecimalText(n) : u"") + u".tmp";
        if (InspectUserEntry(probe) != UserEntry::Missing) continue;
        errno = 0;
        platform::File file = platform::File::Open(platform::GamePath(probe), platform::kFileWrite,
                                                   platform::FileCreation::CreateNew);
        if (!file.IsOpen()) {
            const int error = errno;
            if (InspectUserEntry(probe) != UserEntry::Missing) continue; // made meanwhile by another
            return WriteErrorText(error);
        }
        errno = 0;
        const bool written = file.WriteExact("x", 1) && file.Close();
        const int error = errno;
        platform::DeleteFile(platform::GamePath(probe));
        return written ? std::string() : WriteErrorText(error);
    }
    return WriteErrorText(0);
}
