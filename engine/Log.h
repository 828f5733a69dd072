#pragma once
#include "engine/ResultNames.h"

#include <cstdint>

// The program's plain-text log of its start-up and display set-up.
//
// 8-bit text in the active code page (UTF-16 texts are converted). Every line
// after the first starts with "\r\n" and the indent as spaces (at most 16),
// so the file ends without a final line break after "LOG FINISHED.". The file
// is made new at the start and held open; every write goes to the system at
// once, so the file is complete whenever the program stops, and it is never
// opened again by name, so nothing put at its name later is written through.
// Every write does nothing while the log is inactive; a write that fails
// writes nothing, but the state (column, sections) advances as if it had
// been written.

// Pass as indent to use the current indent (what every engine caller does).
constexpr int kLogIndent = -1;
// The default padding column of label/value lines.
constexpr int kLogLabelColumn = 28;

// Creates the file anew, exclusively, after deleting the regular file of an
// earlier run at the path (relative paths are taken from the program's folder)
// and writes "LOG STARTED:" with the date and time. True when the log is
// active afterwards (at once when it already was).
bool LogStart(const char16_t* path);
// Closes every open section as successful, writes "LOG FINISHED." and stops.
void LogFinish();
bool IsLogActive();

void LogLine(int indent, const char* text);
// The label, spaces up to column 28 (at least one), the value; a null or
// empty value gives the label alone.
void LogLabelValue(int indent, const char* label, const char* value);
void LogLabelValueW(int indent, const char16_t* label, const char16_t* value);
void LogLabelPrintf(int indent, const char* label, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
void LogLabelChoice(int indent, const char* label, bool flag, const char* textIfTrue,
                    const char* textIfFalse);
void LogLabelChoiceW(int indent, const char16_t* label, bool flag, const char16_t* textIfTrue,
                     const char16_t* textIfFalse);
// "ERROR! ", the message, the result's name, " - ", its description.
void LogError(int indent, const char* message, HResult hr);
void LogErrorPrintf(int indent, const char* format, ...) __attribute__((format(printf, 2, 3)));
// The UTF-16 twin: %s takes UTF-16 text and %c a UTF-16 unit (%hs and %hc
// 8-bit ones); the text is formatted into 1024 characters and converted.
void LogErrorPrintfW(int indent, const char16_t* format, ...);

// A section: its title and the local time, then its lines indented by 4 more.
// Unless nested, the innermost open section is closed as successful first.
void LogBeginSection(const char* title, const char* successText, bool nested);
// Restores the indent, writes the success text when successful, then an
// empty line. Nothing without an open section.
void LogEndSection(bool success);
// Pads the current line to the column (negative: 28; capped at 64; 0 writes
// nothing); exactly one space when the line already reaches it.
void LogPadToColumn(int column);

// Appends the text cut or padded to width (below 1: the text's length; at
// most 512) to the current line and returns a handle for rewriting it in
// place, or -1 (inactive log, nothing to write, or the write failed).
int LogPlaceholder(int width, const char* text);
// Writes the formatted text, cut or padded to the placeholder's width, over
// the placeholder, so the file length never changes. Returns the handle, or
// -1 when removed, inactive or unknown.
int LogRewrite(int handle, bool remove, const char* format, ...) __attribute__((format(printf, 3, 4)));
// Drops the placeholder's record; returns -1.
int LogForgetPlaceholder(int handle);
