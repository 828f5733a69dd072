#pragma once
// The records file: a per-profile text export of won levels,
// "records<N>.txt" in the per-user folder beside profile<N>.dat. It is a
// UTF-16LE text with the byte-order mark FF FE whose lines are separated by
// carriage return and line feed, one line per win:
//   Рекорд level_08 Easy: 00:05:07
// The level's start switches it on; the result of that run, stored in the
// profile, takes the line and switches it off again, so one run adds at most
// one line.
// The file is made anew aside and renamed over the old one; the line of a
// win stored in a profile goes to the disk together with that profile
// (ProfileManager::WriteWin). A file that is not ours to write over unread
// is kept first: one without the mark, or one with a U+0000 unit, where its
// reading stops (the lines before it go on in the new file), stays in place
// until the new file is written and is then renamed to a kept name
// (records<N>.txt.bad, .bad2, ... see app/UserFiles.h) as the new one takes
// its place; a folder, pipe or link there, or a file the game may not read,
// is moved to that name at once and a new file begun. A file that does not
// open or read now for a passing cause (too many files open, no memory) is
// left as it is: the win's line waits, and the save is told as failed. Setting aside is a
// rename, never a copy, so a file of any size goes aside at once and once.
// An odd last byte holds no unit: it is dropped, not kept.

#include "foundation/Strings.h"

#include <cstdint>
#include <string>
#include <vector>

class Profile;
class ProfileManager;
struct LevelResult;

// The line of a result: level numbered from 1, the regime's name and the
// finish time as hh:nn:ss.
std::u16string RecordsLine(const LevelResult& result);

// A text-line file read whole: a missing file, or one without the mark,
// reads as an empty list. False when the file did not open or read whole
// (no memory for its lines): the list is then empty.
bool LoadStringsFromFile(kis::WideStrings& lines, const std::u16string& path);

// What adding lines did with a records file that was not ours to write over.
struct RecordsKeeping {
    std::u16string keptAs;     // where it was kept (game form); empty: nothing kept
    std::u16string unreadable; // the file, when the game may not read it and could not set it aside
    std::u16string blocking;   // an entry in the way that the folder does not let the game move
    std::string cause;         // why the file could not be read or written now, where the system says
    // A file of its own that is not ours to write over: it goes to its kept
    // name as the new one takes its place (PutRecordsInPlace).
    bool keepWhenPlaced = false;
    bool cut = false;    // it holds a zero unit (else it has no mark)
    int linesBefore = 0; // the lines that read before the zero unit
};

// The records of the file at `path` with the lines added after its own,
// written to a new file at `aside` and flushed; the file's separator is kept
// (CR LF for a new file). False, and logged, when the file there is not ours
// and cannot be kept, or the copy could not be written; `keeping` says what
// was kept and what is to be kept.
bool WriteRecordsAside(const std::u16string& path, const std::vector<std::u16string>& added,
                       const std::u16string& aside, RecordsKeeping* keeping);
// Renames the copy at `aside` over `path`, the old file first to its kept
// name when `keeping` asks for it (put back should the copy not go in);
// false when either rename failed.
bool PutRecordsInPlace(const std::u16string& path, const std::u16string& aside, RecordsKeeping* keeping);

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
    // The current profile's file; empty without a current profile.
    std::u16string CurrentPath() const;

  private:
    // The store's part for a win: switched on, this run's line for the
    // result, and switched off; empty when the run adds none.
    std::u16string TakeWinLine(const LevelResult& result);

    ProfileManager* profiles_;
    bool enabled_ = false;
    int32_t level_ = -1;
};
