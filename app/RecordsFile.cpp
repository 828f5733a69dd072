#include "app/RecordsFile.h"

#include "app/App.h"
#include "app/Profiles.h"
#include "engine/Log.h"
#include "foundation/Stream.h"
#include "platform/Files.h"
#include "platform/Utf.h"

#include <cstdio>

namespace {

const char16_t kCrLf[] = u"\r\n";

// What a records file holds, as far as its lines are concerned.
enum class RecordsText {
    Missing,
    Whole,   // the mark and units without a zero: every line reads
    Cut,     // the mark, but a U+0000 unit or an odd last byte: reading stops short of the end
    Foreign, // no mark: not a text of ours
};

RecordsText InspectRecords(const std::u16string& path) {
    platform::File file = platform::File::Open(platform::GamePath(path), platform::kFileRead,
                                               platform::FileCreation::OpenExisting);
    if (!file.IsOpen())
        return platform::FileExists(platform::GamePath(path)) ? RecordsText::Foreign : RecordsText::Missing;
    uint8_t mark[2] = {};
    if (!file.ReadExact(mark, 2) || mark[0] != 0xFF || mark[1] != 0xFE) return RecordsText::Foreign;
    if (file.Size() % 2 != 0) return RecordsText::Cut;
    uint8_t chunk[64 * 1024];
    for (int64_t got; (got = file.Read(chunk, sizeof chunk)) > 0;)
        for (int64_t i = 0; i + 1 < got; i += 2)
            if (chunk[i] == 0 && chunk[i + 1] == 0) return RecordsText::Cut;
    return RecordsText::Whole;
}

} // namespace

std::u16string RecordsLine(const LevelResult& result) {
    const uint32_t seconds = result.timeMs / 1000;
    char text[64];
    std::snprintf(text, sizeof text, "level_%02u %s: %02u:%02u:%02u", result.level + 1,
                  result.regime == uint32_t(kRegimeHard) ? "Hard" : "Easy", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return u"Рекорд " + platform::Utf8ToUtf16(text);
}

namespace {

// The lines written to `aside` and flushed; the aside is deleted when that fails.
bool WriteStringsAside(const kis::WideStrings& lines, const std::u16string& aside) {
    {
        kis::FileStreamW stream(aside.c_str(), kis::kStreamWrite, kis::kStreamCreateAlways);
        if (!stream.IsOpen()) return false;
        lines.SaveToStream(stream);
    }
    // On the disk before it may replace the old file.
    platform::File written = platform::File::Open(platform::GamePath(aside), platform::kFileWrite,
                                                  platform::FileCreation::OpenExisting);
    const int64_t expected = 2 + 2 * int64_t(lines.GetJoinedLength());
    if (!written.IsOpen() || written.Size() != expected || !written.Flush() || !written.Close()) {
        platform::DeleteFile(platform::GamePath(aside));
        return false;
    }
    return true;
}

} // namespace

bool SaveStringsToFile(const kis::WideStrings& lines, const std::u16string& path) {
    const std::u16string aside = path + u".bak";
    if (!WriteStringsAside(lines, aside)) return false;
    if (platform::RenameFile(platform::GamePath(aside), platform::GamePath(path))) return true;
    platform::DeleteFile(platform::GamePath(aside));
    return false;
}

void LoadStringsFromFile(kis::WideStrings& lines, const std::u16string& path) {
    kis::FileStreamW stream(path.c_str(), kis::kStreamRead, kis::kStreamOpenExisting);
    lines.LoadFromStream(stream);
}

RecordsFile::RecordsFile(ProfileManager* profiles) : profiles_(profiles) {
    if (profiles_)
        profiles_->SetWinRecords(
            [this](const Profile& profile, const LevelResult& result, const std::u16string& aside) {
                return WriteWinAside(profile, result, aside);
            });
}

RecordsFile::~RecordsFile() {
    if (profiles_) profiles_->SetWinRecords({});
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

bool RecordsFile::LinesWithResult(const std::u16string& path, const LevelResult& result,
                                  kis::WideStrings& lines) {
    const std::string name = AppShownPath(path);
    const RecordsText text = InspectRecords(path);
    if (text == RecordsText::Whole || text == RecordsText::Cut) LoadStringsFromFile(lines, path);
    if (text == RecordsText::Cut || text == RecordsText::Foreign) {
        // Not ours to overwrite unread: the whole file is kept beside under
        // another name; the lines that read go on in the new one.
        const std::u16string aside = path + u".bad";
        if (!platform::RenameFile(platform::GamePath(path), platform::GamePath(aside))) {
            LogErrorPrintf(kLogIndent, "The records file %s cannot be read or kept aside; no line added.",
                           name.c_str());
            return false;
        }
        if (text == RecordsText::Foreign)
            LogErrorPrintf(kLogIndent, "The records file %s has no text mark; it is kept as %s.bad.",
                           name.c_str(), name.c_str());
        else
            LogErrorPrintf(
                kLogIndent,
                "The records file %s holds a zero unit or an odd last byte, where its reading stops; "
                "it is kept as %s.bad and the %d lines before go on in the new file.",
                name.c_str(), name.c_str(), int(lines.Count()));
    }
    lines.separator[0] = kCrLf[0];
    lines.separator[1] = kCrLf[1];
    lines.separator[2] = 0;
    lines.Add(RecordsLine(result).c_str());
    return true;
}

void RecordsFile::AddLevelRecord(const LevelResult& result) {
    if (!enabled_) return;
    enabled_ = false;
    const std::u16string path = CurrentPath();
    if (path.empty()) return;
    kis::WideStrings lines;
    if (!LinesWithResult(path, result, lines)) return;
    if (!profiles_->WriteAllowed(path) || !SaveStringsToFile(lines, path))
        LogErrorPrintf(kLogIndent, "The records file %s could not be written.", AppShownPath(path).c_str());
}

bool RecordsFile::WriteWinAside(const Profile& profile, const LevelResult& result,
                                const std::u16string& aside) {
    if (!enabled_) return false;
    enabled_ = false;
    const std::u16string path = profiles_->RecordsPath(profile.Number());
    kis::WideStrings lines;
    if (!LinesWithResult(path, result, lines)) return false;
    if (WriteStringsAside(lines, aside)) return true;
    LogErrorPrintf(kLogIndent, "The records file %s could not be written.", AppShownPath(path).c_str());
    return false;
}
