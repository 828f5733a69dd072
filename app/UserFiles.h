#pragma once
// Entries of the per-user folder as they are met, and the copies kept of
// files the game will not write over. Whatever stands at a path from outside
// may be a folder, a pipe or a link: only a regular file (not a link) is one
// of ours to read, write over or complete.
//
// A kept copy never replaces another: it takes the first free name of
// <file><suffix>, <file><suffix>2, <file><suffix>3, ... (records1.txt.bad,
// records1.txt.bad2, ...), so every copy kept so far stays where it was.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class UserEntry {
    Missing,
    File,  // a regular file, not a link
    Other, // a folder, a pipe, a device or a link (even one to a file)
};
UserEntry InspectUserEntry(const std::u16string& path);
// A regular file (not a link) whose owner is the player running the game.
bool IsPlayersOwnFile(const std::u16string& path);

// The name the next kept copy of `path` takes (see above).
std::u16string KeptName(const std::u16string& path, std::u16string_view suffix);
// Moves `from` to `to` (RenameFile): the rename's own result; a folder that
// could not be flushed after it is logged, the move standing.
bool RenameUserFile(const std::u16string& from, const std::u16string& to);
// Moves the entry at `path`, whatever it is, to its kept name; that name, or
// empty when it could not be moved.
std::u16string KeepAside(const std::u16string& path, std::u16string_view suffix);
// Moves a folder, pipe, device or link at `path` to its kept name (`.bad`,
// ...): it is not the game's, and none of the game's files can be read or
// written while it stands there. The kept name; empty when nothing was moved
// (a regular file or nothing is there, or the folder refused the rename).
std::u16string SetAsideNonFile(const std::u16string& path);
// The log's line for an entry SetAsideNonFile moved.
void LogSetAside(const std::u16string& path, const std::u16string& kept);
// Clears the names a write of `path` goes through, at every save and not
// only at the start, since an entry can appear while the game runs: anything
// but a regular file at `path`, and at `aside` (the name the new file is made
// under, exclusively) anything but a file of the player's own, is set aside
// and logged, so that the file is made anew and renamed into place, never
// written through a link or outside the folder. A file of the player's own at
// `aside` is a stopped write's leftover and is removed without a word. False
// when an entry stays in the way (the folder does not let the game move it,
// or keeps another user's file at `path` from being replaced); `stuck` then
// names it when given.
bool ClearWayForWrite(const std::u16string& path, const std::u16string& aside,
                      std::u16string* stuck = nullptr);
// Why no file can be made and written in `folder` now, in words for a
// message ("too many files are open", "the disk is full", ...; "no file can
// be written in it" where the system gives no reason of its own); empty when
// one can. The probe is a file made new under a name nothing has (write.tmp,
// write2.tmp, ...): whatever stands in the folder already is not the game's,
// proves nothing and stays as it is, however many such names are taken.
std::string WriteFailureIn(const std::u16string& folder);
// The bytes, written to a new file under the kept name of `path` and flushed;
// that name, or empty.
std::u16string KeepBytes(const std::u16string& path, std::u16string_view suffix,
                         const std::vector<uint8_t>& bytes);
