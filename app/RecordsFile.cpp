#include "app/RecordsFile.h"

#include "app/App.h"
#include "app/Profiles.h"
#include "app/UserFiles.h"
#include "engine/Log.h"
#include "foundation/Stream.h"
#include "platform/Files.h"
#include "platform/Utf.h"

#include <cerrno>
#include <cstdio>
#include <vector>

namespace {

const char16_t kCrLf[] = u"\r\n";

// The largest records file read: 65,536 lines of a win each, far more than
// any player's wins. A larger one is not read into memory, nor is a new one
// written from it: it is set aside whole.
constexpr int64_t kMaxRecordsBytes = 4 << 20;

// What a records file holds, as far as its lines are concerned.
enum class RecordsText {
    Missing,
    Whole,       // the mark and units without a zero: every line reads (an odd last byte holds no unit)
    Cut,         // the mark, but a U+0000 unit: reading stops short of the end
    Foreign,     // a file without the mark: not a text of ours
    NotAFile,    // a folder, a pipe or a link: nothing to read
    Unreadable,  // a file the game may not read (its mode)
    Unavailable, // a file that does not open now (too many files open, no memory): nothing known of it
    TooLarge,    // larger than a records file is read
};

// error: the system's error when the file did not open.
RecordsText InspectRecords(const std::u16string& path, int* error) {
    const UserEntry entry = InspectUserEntry(path);
    if (entry != UserEntry::File)
        return entry == UserEntry::Missing ? RecordsText::Missing : RecordsText::NotAFile;
    errno = 0;
    platform::File file = platform::File::Open(platform::GamePath(path), platform::kFileRead,
                                               platform::FileCreation::OpenExisting);
    if (!file.IsOpen()) {
        *error = errno;
        return platform::PassingFileError(*error) ? RecordsText::Unavailable : RecordsText::Unreadable;
    }
    if (file.Size() > kMaxRecordsBytes) return RecordsText::TooLarge;
    uint8_t mark[2] = {};
    if (!file.ReadExact(mark, 2) || mark[0] != 0xFF || mark[1] != 0xFE) return RecordsText::Foreign;
    std::vector<uint8_t> chunk(64 * 1024); // on the heap: a frame stays small
    for (int64_t got; (got = file.Read(chunk.data(), int64_t(chunk.size()))) > 0;)
        for (int64_t i = 0; i + 1 < got; i += 2)
            if (chunk[i] == 0 && chunk[i + 1] == 0) return RecordsText::Cut;
    return RecordsText::Whole;
}

} // namespace

std::u16string RecordsLine(const LevelResult& result) {
    char text[64];
    std::snprintf(text, sizeof text, "level_%02u %s: ", result.level + 1,
                  result.regime == uint32_t(kRegimeHard) ? "Hard" : "Easy");
    // The time as the result window shows it.
    return u"Рекорд " + platform::Utf8ToUtf16(text) + FormatLevelTime(result.timeMs);
}

namespace {

// The lines written to `aside` and flushed through the handle that made
// it; the aside is deleted when that fails, and `cause` says why when the
// system does.
bool WriteStringsAside(const kis::WideStrings& lines, const std::u16string& aside, std::string* cause) {
    // Made new: an entry at the name was set aside (ClearWayForWrite), and one that stayed fails this.
    errno = 0;
    platform::File written = platform::File::Open(platform::GamePath(aside), platform::kFileWrite,
                                                  platform::FileCreation::CreateNew);
    if (!written.IsOpen()) {
        *cause = platform::FileErrorText(errno, platform::kFileWrite);
        return false;
    }
    kis::HandleStream stream(&written);
    errno = 0;
    lines.SaveToStream(stream);
    // On the disk before it may replace the old file.
    const int64_t expected = 2 + 2 * int64_t(lines.GetJoinedLength());
    if (written.Size() != expected || !written.Flush() || !written.Close()) {
        *cause = platform::FileErrorText(errno != 0 ? errno : ENOMEM, platform::kFileWrite);
        written.Close();
        platform::DeleteFile(platform::GamePath(aside));
        return false;
    }
    return true;
}

} // namespace

bool LoadStringsFromFile(kis::WideStrings& lines, const std::u16string& path) {
    kis::FileStreamW stream(path.c_str(), kis::kStreamRead, kis::kStreamOpenExisting);
    const bool whole = lines.LoadFromStream(stream);
    return whole && stream.IsOpen();
}

namespace {

// The lines of the records file at `path`, ready for more to be added; false
// when a file there is not ours and cannot be kept, or does not open or read
// whole now for a passing cause (too many files open, no memory): it stays as
// it is, and the lines wait for a later save. A file of ours to read
// that is not ours to write over (no mark, or a zero unit) stays in place
// until the new one is written, and is then renamed to its kept name as the
// new one goes in (PutRecordsInPlace): once, without a copy, whatever its
// size. A file with nothing to read (not a file, or one the game may not
// read) is moved aside at once: renaming it needs no right to read it.
bool ReadRecordsForAdding(const std::u16string& path, kis::WideStrings& lines, RecordsKeeping* keeping) {
    // A new file, or one whose lines have no separator yet, takes CR LF; an
    // existing one keeps the separator its reading found, so that the lines
    // it has are written back as they were.
    lines.separator[0] = kCrLf[0];
    lines.separator[1] = kCrLf[1];
    lines.separator[2] = 0;
    int error = 0;
    const RecordsText text = InspectRecords(path, &error);
    const std::string name = AppShownPath(path);
    errno = 0;
    // A file that does not read whole now (no memory for its lines) stays
    // where it is, and no part of its lines replaces all of them.
    const bool read =
        (text != RecordsText::Whole && text != RecordsText::Cut) || LoadStringsFromFile(lines, path);
    if (!read || text == RecordsText::Unavailable) {
        keeping->cause = platform::FileErrorText(read         ? error
                                                 : errno != 0 ? errno
                                                              : ENOMEM,
                                                 platform::kFileRead);
        LogErrorPrintf(
            kLogIndent,
            "The records file %s cannot be read now (%s); it stays as it is and no line is added yet.",
            name.c_str(), keeping->cause.c_str());
        return false;
    }
    if (text == RecordsText::Whole || text == RecordsText::Missing) return true;
    if (text == RecordsText::Foreign || text == RecordsText::Cut) {
        keeping->keepWhenPlaced = true;
        keeping->cut = text == RecordsText::Cut;
        keeping->linesBefore = int(lines.Count());
        return true;
    }
    const std::u16string kept = KeepAside(path, u".bad");
    if (kept.empty()) {
        if (text == RecordsText::Unreadable) {
            keeping->unreadable = path;
            LogErrorPrintf(kLogIndent,
                           "The records file %s cannot be read, and the folder does not let it be set aside; "
                           "no line added.",
                           name.c_str());
        } else {
            keeping->blocking = path;
            LogErrorPrintf(kLogIndent,
                           "The records file %s is not a file and cannot be set aside; no line added.",
                           name.c_str());
        }
        return false;
    }
    keeping->keptAs = kept;
    const std::string keptName = AppShownPath(kept);
    if (text == RecordsText::TooLarge)
        LogErrorPrintf(
            kLogIndent,
            "The records file %s is larger than %d MiB, more than records hold; it is set aside as %s "
            "and a new one is begun.",
            name.c_str(), int(kMaxRecordsBytes >> 20), keptName.c_str());
    else if (text == RecordsText::NotAFile)
        LogErrorPrintf(kLogIndent, "The records file %s is not a file; it is set aside as %s.", name.c_str(),
                       keptName.c_str());
    else
        LogErrorPrintf(kLogIndent,
                       "The records file %s cannot be read; it is set aside as %s and a new one is begun.",
                       name.c_str(), keptName.c_str());
    return true;
}

} // namespace

bool WriteRecordsAside(const std::u16string& path, const std::vector<std::u16string>& added,
                       const std::u16string& aside, RecordsKeeping* keeping) {
    kis::WideStrings lines;
    if (!ReadRecordsForAdding(path, lines, keeping)) return false;
    for (const std::u16string& line : added)
        lines.Add(line.c_str());
    if (ClearWayForWrite(path, aside, &keeping->blocking) && WriteStringsAside(lines, aside, &keeping->cause))
        return true;
    LogErrorPrintf(kLogIndent, "The records file %s could not be written.", AppShownPath(path).c_str());
    return false;
}

bool PutRecordsInPlace(const std::u16string& path, const std::u16string& aside, RecordsKeeping* keeping) {
    const std::string name = AppShownPath(path);
    std::u16string kept;
    if (keeping->keepWhenPlaced) {
        kept = KeepAside(path, u".bad");
        if (kept.empty()) {
            keeping->blocking = path;
            LogErrorPrintf(kLogIndent, "The records file %s cannot be kept aside; no line added.",
                           name.c_str());
            return false;
        }
    }
    if (!RenameUserFile(aside, path)) {
        if (!kept.empty()) RenameUserFile(kept, path);
        return false;
    }
    if (kept.empty()) return true;
    keeping->keptAs = kept;
    const std::string keptName = AppShownPath(kept);
    if (!keeping->cut)
        LogErrorPrintf(kLogIndent, "The records file %s has no text mark; it is kept as %s.", name.c_str(),
                       keptName.c_str());
    else
        LogErrorPrintf(kLogIndent,
                       "The records file %s holds a zero unit, where its reading stops; it is kept as %s and "
                       "the %d line%s before it went into the new file.",
                       name.c_str(), keptName.c_str(), keeping->linesBefore,
                       keeping->linesBefore == 1 ? "" : "s");
    return true;
}

RecordsFile::RecordsFile(ProfileManager* profiles) : profiles_(profiles) {
    if (profiles_) profiles_->SetWinLine([this](const LevelResult& result) { return TakeWinLine(result); });
}

RecordsFile::~RecordsFile() {
    if (profiles_) profiles_->SetWinLine({});
}

void RecordsFile::Enable(int32_t level) {
    enabled_ = true;
    level_ = level;
}

std::u16string RecordsFile::CurrentPath() const {
    const Profile* profile = profiles_ ? profiles_->Current() : nullptr;
    if (!profile) return {};
    return profiles_->RecordsPath(profile->Number());
}

std::u16string RecordsFile::TakeWinLine(const LevelResult& result) {
    if (!enabled_) return {};
    enabled_ = false;
    return RecordsLine(result);
}
