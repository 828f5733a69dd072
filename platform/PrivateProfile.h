#pragma once
#include <cstdint>

// Initialization ("ini") files: sections of "key=value" lines, read and written
// with the semantics of the Windows private-profile calls the game relies on.
//
// - Section and key names compare ignoring case; the first matching section,
//   and in it the first matching key, wins.
// - Names and values are trimmed of blanks and tabs; a value enclosed in a
//   matching pair of single or double quotes loses the quotes.
// - CR LF, LF and CR alone each end a line; a NUL character ends the text
//   (nothing after it is read, nor used to tell the encoding). A new section
//   is written right after the last line, without an empty line before it.
// - Lines starting with ';' are comments. Everything the calls do not change
//   (comments, blank lines, other keys) is written back as it was; so are the
//   bytes from a NUL character on, after the last line.
// - Files in UTF-16LE with a byte-order mark, in UTF-8 (with or without a mark)
//   or in the active code page are read, and written back in the same encoding.
//   A file that does not exist yet is created in UTF-8 without a mark, which
//   keeps every character and reads as the code page while it is plain ASCII.
// - A changed file is written to a temporary file beside it and renamed over
//   the old one, so an interrupted write leaves the old file as it was.
// - A file larger than kMaxIniFileBytes is read as one that cannot be read:
//   it gives the defaults and is never written over; a write that would take
//   a file past that size fails and leaves it as it was. The new file is made
//   new (never through a link) under the temporary name.
//
// Nothing is cached between calls: each call reads the file afresh.
// The 8-bit forms take and give text in the active code page.
namespace platform {

// Far more than any settings file holds; its whole text is read at each call.
constexpr int64_t kMaxIniFileBytes = 1 << 20;

// Copies into `buffer` (size in characters, terminator included):
// - section and key given: the key's value, or `defaultValue` (null counts as
//   empty, trailing blanks removed) when the section or key is absent. A value
//   that does not fit is cut; the result is then size - 1.
// - key null: the names of the section's keys, each terminated, the list ended
//   by a second terminator.
// - section null: the names of the file's sections, in the same form.
//   A list that does not fit with room to spare (one that fills the buffer
//   exactly included) is cut: its last name is shortened to end in two
//   terminators at the buffer's end, and the result is size - 2.
// Returns the characters written, terminators of the last name excluded.
// A null buffer or a size of 0 gives 0 and writes nothing.
uint32_t GetPrivateProfileStringW(const char16_t* section, const char16_t* key, const char16_t* defaultValue,
                                  char16_t* buffer, uint32_t size, const char16_t* fileName);
uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                  char* buffer, uint32_t size, const char* fileName);

// - section, key and value given: sets the key (created at the end of the
//   section, the section at the end of the file, the file when missing).
// - value null: deletes the key. key null: deletes the section with all its keys.
// - section null: false, the file untouched. (With key and value null too it
//   is the flush request; nothing is cached, so there is nothing to flush,
//   and the answer is false as on Windows.)
// False when the file cannot be read or written, or when a name or value holds
// a line break (it would turn into lines of its own).
bool WritePrivateProfileStringW(const char16_t* section, const char16_t* key, const char16_t* value,
                                const char16_t* fileName);
bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName);

} // namespace platform
