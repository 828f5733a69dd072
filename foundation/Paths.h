#pragma once
// File paths as the game writes them: '\' separates folders and a drive ends
// in ':'. One template over the character type per operation, with A and W
// names. Buffer sizes are in characters, terminator included; every text
// written is terminated and cut at the buffer's end.

#include <cstdint>

namespace kis {

// The extension: the text after the last '.' when no '\' or ':' follows that
// dot, with the dot when withDot. Null when there is none. Points into path.
template <typename Ch> const Ch* ExtractFileExt(const Ch* path, bool withDot);
// True when the path has an extension and it equals `extension` (no dot)
// ignoring case. False for a null path.
template <typename Ch> bool HasFileExt(const Ch* path, const Ch* extension);
// The part after the last '\' or ':' (the whole path when there is none),
// without its extension unless keepExtension.
template <typename Ch> Ch* ExtractFileName(Ch* buffer, uint32_t size, const Ch* path, bool keepExtension);
// The part up to and including the last '\' or ':'; empty when there is none.
template <typename Ch> Ch* ExtractFilePath(Ch* buffer, uint32_t size, const Ch* path);
// Cuts the extension off in place; with all, every extension.
template <typename Ch> Ch* RemoveFileExt(Ch* path, bool all);
// Appends '\' unless the path is empty, already ends in one, or it does not fit.
template <typename Ch> Ch* IncludeTrailingBackslash(Ch* path, uint32_t size);
// Removes one trailing '\'.
template <typename Ch> Ch* ExcludeTrailingBackslash(Ch* path);
// When name holds no ':', does not begin with "\\" and base is not empty: the
// folder part of base (so base is a folder ending in '\' or a file), then name
// (a leading '\' of name replaces the folder's trailing one), then extension
// when given. Otherwise name unchanged, without extension.
template <typename Ch>
Ch* MakeFullPath(Ch* buffer, uint32_t size, const Ch* name, const Ch* base, const Ch* extension);
// Combines a base path (a folder, or a file when baseIsFile) with a relative
// one: a relative path with its own root (a drive "X:" or a network root
// "\\server\share") is taken whole; otherwise its components follow those of
// base. "." is skipped and ".." removes the last component, never going above
// the root (a drive, a network root, or a leading '\'). Runs of '\' count as
// one. buffer may be base or relative. False, with an empty text in buffer,
// when a root is malformed (a one-character server name) or the result does
// not fit.
template <typename Ch>
bool CombinePath(Ch* buffer, uint32_t size, const Ch* base, const Ch* relative, bool baseIsFile);

// The folder of the program's own file, ending in '\'.
char16_t* GetModuleDirW(char16_t* buffer, uint32_t size);
// The same in the active code page.
char* GetModuleDirA(char* buffer, uint32_t size);
// True when path names an existing regular file (not a folder or a device).
bool FileExistsW(const char16_t* path);

inline const char16_t* ExtractFileExtW(const char16_t* path, bool withDot) {
    return ExtractFileExt(path, withDot);
}
inline char16_t* ExtractFileNameW(char16_t* b, uint32_t size, const char16_t* path, bool keepExtension) {
    return ExtractFileName(b, size, path, keepExtension);
}
inline char16_t* ExtractFilePathW(char16_t* b, uint32_t size, const char16_t* path) {
    return ExtractFilePath(b, size, path);
}
inline char* ExtractFilePathA(char* b, uint32_t size, const char* path) {
    return ExtractFilePath(b, size, path);
}
inline char16_t* RemoveFileExtW(char16_t* path, bool all) {
    return RemoveFileExt(path, all);
}
inline char16_t* IncludeTrailingBackslashW(char16_t* path, uint32_t size) {
    return IncludeTrailingBackslash(path, size);
}
inline char* IncludeTrailingBackslashA(char* path, uint32_t size) {
    return IncludeTrailingBackslash(path, size);
}
inline char16_t* ExcludeTrailingBackslashW(char16_t* path) {
    return ExcludeTrailingBackslash(path);
}
inline char* ExcludeTrailingBackslashA(char* path) {
    return ExcludeTrailingBackslash(path);
}
inline char16_t* MakeFullPathW(char16_t* b, uint32_t size, const char16_t* name, const char16_t* base,
                               const char16_t* extension) {
    return MakeFullPath(b, size, name, base, extension);
}
inline char* MakeFullPathA(char* b, uint32_t size, const char* name, const char* base,
                           const char* extension) {
    return MakeFullPath(b, size, name, base, extension);
}
inline bool CombinePathW(char16_t* b, uint32_t size, const char16_t* base, const char16_t* relative,
                         bool baseIsFile) {
    return CombinePath(b, size, base, relative, baseIsFile);
}

} // namespace kis
