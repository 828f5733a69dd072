#pragma once
// The records file: a per-profile text export of won levels,
// "records<N>.txt" in the per-user folder beside profile<N>.dat. It is a
// UTF-16LE text with the byte-order mark FF FE whose lines are separated by
// carriage return and line feed, one line per win:
//   Рекорд level_08 Easy: 00:05:07
// The level's start switches it on; the stored result of that run adds the
// line and switches it off again, so one run adds at most one line.
// The file is written aside and renamed over the old one; the line of a win
// stored in a profile goes to the disk together with that profile
// (ProfileManager::WriteWin). A file without the mark is not a records file
// of ours: it is kept beside as records<N>.txt.bad before a new one takes its
// place. So is one whose reading stops short of its end (a U+0000 unit or an
// odd last byte), so that no line after that point is lost; the lines before
// it go on in the new file.

#include "foundation/Strings.h"

#include <cstdint>
#include <string>

class Profile;
class ProfileManager;
struct LevelResult;

// The line of a result: level numbered from 1, the regime's name and the
// finish time as hh:nn:ss.
std::u16string RecordsLine(const LevelResult& result);

// The file-name wrappers: a text-line file written whole or read whole.
// Saving writes aside, flushes and renames; false when it could not.
bool SaveStringsToFile(const kis::WideStrings& lines, const std::u16string& path);
// A missing file, or one without the mark, reads as an empty list.
void LoadStringsFromFile(kis::WideStrings& lines, const std::u16string& path);

class RecordsFile {
  public:
    // The records of the profiles of this store (not owned; it outlives
    // this), which hands each win's line to this file while it is there.
    explicit RecordsFile(ProfileManager* profiles);
    ~RecordsFile();
    RecordsFile(const RecordsFile&) = delete;
    RecordsFile& operator=(const RecordsFile&) = delete;

    // Switches the file on for a run of the level.
    void Enable(int32_t level);
    bool IsEnabled() const { return enabled_; }
    // Nothing unless switched on; otherwise switches off and appends the
    // result's line to the current profile's records file. (A result stored
    // in the profile has already switched it off: its line went with it.)
    void AddLevelRecord(const LevelResult& result);

    // The current profile's file; empty without a current profile.
    std::u16string CurrentPath() const;

  private:
    // The lines of the file at `path` with the result's line added; false
    // when a file there is not ours and cannot be kept aside.
    static bool LinesWithResult(const std::u16string& path, const LevelResult& result,
                                kis::WideStrings& lines);
    // The store's part for a win: switched on, the profile's records with
    // the result's line are written to `aside` and flushed.
    bool WriteWinAside(const Profile& profile, const LevelResult& result, const std::u16string& aside);

    ProfileManager* profiles_;
    bool enabled_ = false;
    int32_t level_ = -1;
};
