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

bool RenameUserFile(const std::u16string& from, const std::u16string& to) {
    int syncError = 0;
    if (!platform::RenameFile(platform::GamePath(from), platform::GamePath(to), &syncError)) return false;
    if (syncError != 0) {
        const std::string why = platform::FileErrorText(syncError, platform::kFileRead);
        LogErrorPrintf(kLogIndent,
                       "%s is renamed to %s, but its folder could not be flushed (%s); the new name may not "
                       "survive a crash.",
                       AppShownPath(from).c_str(), AppShownPath(to).c_str(),
                       why.empty() ? "the system gives no reason" : why.c_str());
    }
    return true;
}

std::u16string KeepAside(const std::u16string& path, std::u16string_view suffix) {
    const std::u16string kept = KeptName(path, suffix);
    return RenameUserFile(path, kept) ? kept : std::u16string();
}

std::u16string SetAsideNonFile(const std::u16string& path) {
    return InspectUserEntry(path) == UserEntry::Other ? KeepAside(path, u".bad") : std::u16string();
}

void LogSetAside(const std::u16string& path, const std::u16string& kept) {
    LogErrorPrintf(kLogIndent, "%s is not a file of the game; it is set aside as %s.",
                   AppShownPath(path).c_str(), AppShownPath(kept).c_str());
}

namespace {

// Another user's entry in a folder with the sticky bit that is not this
// user's either: the folder lets the game neither move nor replace it.
bool HeldByStickyFolder(const std::u16string& path) {
    const std::string native = platform::NativePath(platform::GamePath(path));
    const size_t slash = native.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : native.substr(0, slash);
    struct stat entry, parent;
    return geteuid() != 0 && lstat(native.c_str(), &entry) == 0 && entry.st_uid != geteuid() &&
           stat(folder.c_str(), &parent) == 0 && (parent.st_mode & S_ISVTX) != 0 &&
           parent.st_uid != geteuid();
}

} // namespace

bool ClearWayForWrite(const std::u16string& path, const std::u16string& aside, std::u16string* stuck) {
    bool clear = true;
    auto blocked = [&](const std::u16string& name, const char* why) {
        LogErrorPrintf(kLogIndent, "%s %s.", AppShownPath(name).c_str(), why);
        if (clear && stuck) *stuck = name;
        clear = false;
    };
    for (const std::u16string& name : {path, aside}) {
        const UserEntry entry = InspectUserEntry(name);
        if (entry == UserEntry::Missing) continue;
        if (entry == UserEntry::File && name != aside) {
            // Written over by the rename, unless the folder keeps it for its owner.
            if (HeldByStickyFolder(name))
                blocked(name, "is another user's, and the folder does not let it be replaced");
            continue;
        }
        // A file of the player's own at the aside name is a write's leftover
        // (its program was stopped): the writer's own, it gives way silently.
        if (name == aside && IsPlayersOwnFile(name) && platform::DeleteFile(platform::GamePath(name)))
            continue;
        if (const std::u16string kept = KeepAside(name, u".bad"); !kept.empty()) {
            LogSetAside(name, kept);
            continue;
        }
        blocked(name, "is not a file of the game, and the folder does not let it be set aside");
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
    const std::string text = platform::FileErrorText(error, platform::kFileWrite);
    return text.empty() ? "no file can be written in it" : text;
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
