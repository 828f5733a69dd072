#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A path as the game writes it: `\` (or `/`) separators, UTF-16 text or 8-bit
// text. 8-bit paths are taken as native bytes (UTF-8, and ASCII paths are the
// same either way); callers holding code-page text convert it to UTF-16 first.
// At the file-system boundary the path becomes the native bytes with `/`
// (Utf16ToNative: the names the system gave, invalid UTF-8 included, come
// back byte for byte, kNativeBackslash as a backslash inside a name), and
// every part of it that does not exist exactly is looked up ignoring case,
// folder by folder.
class GamePath {
  public:
    GamePath(std::u16string_view path);
    GamePath(const char16_t* path) : GamePath(std::u16string_view(path ? path : u"")) {}
    GamePath(const std::u16string& path) : GamePath(std::u16string_view(path)) {}
    GamePath(std::string_view path);
    GamePath(const char* path) : GamePath(std::string_view(path ? path : "")) {}
    GamePath(const std::string& path) : GamePath(std::string_view(path)) {}
    GamePath() = default;
    // A path already in native form (`/` separators, what Utf8 gives), taken
    // byte for byte: a backslash in it is a part of a name.
    static GamePath Native(std::string path);

    // The native path (UTF-8 when valid) with `/` separators, before case resolution.
    const std::string& Utf8() const { return utf8_; }
    bool Empty() const { return utf8_.empty(); }

  private:
    std::string utf8_;
};

// The native path to use for `path`: separators turned to `/`, and each part
// that does not exist under its own spelling replaced by the one entry of its
// folder that matches ignoring (ASCII) case. Parts with no match stay as given,
// so a file that is about to be created keeps the caller's spelling. The
// exact folder (SetExactFolder) and everything below it are taken as given.
std::string NativePath(const GamePath& path);

// The folder whose own path and whose entries' names are used byte for byte,
// never looked up ignoring case: the per-user folder, whose path the system
// gives and whose files the game names itself, so that `GAMES` is never
// `games` and `PROFILE1.DAT.WIN` never one of the game's files. One per
// process; an empty path sets none.
void SetExactFolder(const GamePath& folder);

// Access rights and creation rules of an open, after the Windows file calls
// the game was written against.
enum FileAccess : unsigned { kFileRead = 1, kFileWrite = 2, kFileReadWrite = 3 };
enum class FileCreation {
    OpenExisting, // the file must exist
    CreateAlways, // created, or an existing file emptied
    OpenAlways,   // opened, or created when missing
    CreateNew,    // created; fails when anything (a link too) stands at the name
};
enum class SeekOrigin { Begin = 0, Current = 1, End = 2 };

// An open file. Closes itself when it goes away; movable, not copyable.
class File {
  public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Only regular files open: a folder, a pipe or a device at the path fails
    // the open at once, as a missing file does (OpenRegularFile).
    static File Open(const GamePath& path, FileAccess access, FileCreation creation);
    // The same for a path already in native form (from the command line).
    static File OpenNative(const std::string& nativePath, FileAccess access, FileCreation creation);

    bool IsOpen() const { return fd_ >= 0; }
    // New position from the beginning, or -1 (the position is then unchanged).
    int64_t Seek(int64_t offset, SeekOrigin origin);
    int64_t Tell() const;
    // Bytes moved: fewer than `count` only at the end of the file (reads), -1
    // on an error. A negative count transfers nothing and gives -1.
    int64_t Read(void* buffer, int64_t count);
    int64_t Write(const void* buffer, int64_t count);
    bool ReadExact(void* buffer, int64_t count) { return count >= 0 && Read(buffer, count) == count; }
    bool WriteExact(const void* buffer, int64_t count) { return count >= 0 && Write(buffer, count) == count; }
    // Cuts or extends the file to `size` bytes; the position is not moved.
    bool SetSize(int64_t size);
    // The file's size in bytes, -1 when not open.
    int64_t Size() const;
    // Flushes the file's data to the disk (fsync).
    bool Flush();
    // Closes the file; false when the system reported an error on close.
    bool Close();

  private:
    explicit File(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// The one way the program opens a file by name: open(2) with `flags` that
// never waits (a pipe or a device at the path cannot block it) and gives a
// descriptor in blocking mode for a regular file only; -1 for anything else.
int OpenRegularFile(const std::string& nativePath, int flags, int mode = 0666);

// Whole-file read of a file of at most `maxBytes` bytes; nothing when the
// file cannot be opened or read, or is larger. Each caller caps what its kind
// of file can hold: the buffer is sized from the file, and a file may be of
// any size (a sparse one of 100 GB takes no room on the disk).
std::optional<std::vector<uint8_t>> ReadWholeFile(const GamePath& path, int64_t maxBytes);

// Why a file call failed with the system's `error`, in words for a message
// ("too many files are open", "the disk is full", "the file size limit was
// reached"); `access` says what a refused right was for ("the game may not
// read it", "the game may not write in the folder"). Empty for an error with
// no words of its own here.
std::string FileErrorText(int error, FileAccess access);
// An error that passes by itself (too many files open, out of memory, an
// interrupted call): a file that fails to open with it is neither damaged
// nor unreadable, and nothing is set aside for it.
bool PassingFileError(int error);
// The system's error of an open of `path` for reading: 0 when it opens, and
// for a folder, pipe or device (OpenRegularFile refuses it without one).
int OpenForReadError(const GamePath& path);
// Why `path` does not open for reading (FileErrorText); empty when it opens
// or is missing, and for a folder, pipe or device, which the caller names itself.
std::string OpenForReadFailure(const GamePath& path);

bool FileExists(const GamePath& path);   // a regular file
bool FolderExists(const GamePath& path); // a folder
bool PathExists(const GamePath& path);   // either
int64_t FileSize(const GamePath& path);  // -1 when not a readable regular file
bool DeleteFile(const GamePath& path);
// Removes a regular file or a link at a native path (the name alone, never
// what a link reaches), so that a file made new there (CreateNew) replaces it
// and is never written through a link; a folder, pipe or device stays.
void RemoveForReplacing(const std::string& nativePath);
// Moves `from` to `to` in one step, replacing a file at `to` atomically, and
// flushes the folder so the new name survives a crash. The rename's own
// result: a folder that could not be flushed does not undo the move, and
// only `syncError` (when given: the system's error, 0 when flushed) tells it.
bool RenameFile(const GamePath& from, const GamePath& to, int* syncError = nullptr);
// Creates the folder and any missing parent folders; true when it exists after.
bool CreateFolder(const GamePath& path);
// The names of the entries of a folder (without "." and ".."), in no order,
// in the game form of ToGamePath; empty when it cannot be read.
std::vector<std::u16string> FolderEntries(const GamePath& folder);

// Game-form paths (`\` separators, no trailing separator), UTF-16; names the
// system gives are converted as ToGamePath does, so none is lost and a
// backslash in a folder's name stays a part of the name.
std::u16string ModuleFolder(); // the folder of the running program
std::u16string CurrentFolder();
bool SetCurrentFolder(const GamePath& path);
// The per-user data folder: $XDG_DATA_HOME (else ~/.local/share), then the
// maker and product folders when given. Not created here.
std::u16string UserFolder(std::u16string_view maker, std::u16string_view product);

// Game form of a native path: `/` becomes `\`, a `\` of a name becomes
// kNativeBackslash, bytes as NativeToUtf16 has them.
std::u16string ToGamePath(std::string_view nativePath);

} // namespace platform
