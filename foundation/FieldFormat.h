#pragma once
// The lexical layer under the text-data document: the identifier scanner, the
// readers of single values (numbers, booleans, floats, characters, texts) and
// the field-format interpreter that reads records described by a format such
// as "Z[260],l,l" from one value text into memory.
//
// Every reader exists for UTF-16 source text (W) and 8-bit source text (A);
// both are one template over the source character type. Source texts are
// terminated. Conversions between 8-bit text and UTF-16 go through the code
// page given to the top-level call.

#include <cstdint>
#include <type_traits>

namespace kis {

constexpr uint32_t kUnboundedLength = 0xFFFFFFFF;

// ---------------------------------------------------------------- identifiers

struct IdentScan {
    uint32_t start = 0;  // characters skipped before the identifier
    uint32_t length = 0; // characters of the identifier
    uint32_t end =
        0; // characters from the text start past the identifier (and its trailing blanks when skipping)
    uint32_t hash = 0;  // CRC-32 register over the lower-cased characters, not inverted
    bool atEnd = false; // nothing remains after `end`
};

// Scans one identifier: ASCII letters, digits, '_' and the extra character
// (ignored when 0 or 128 and above), in any order. `length` bounds the text
// (kUnboundedLength: up to the terminator). Fails for a null or empty text, a
// length of 0, no identifier character, or an identifier longer than maxLength.
template <typename Ch>
bool ScanIdent(const Ch* text, uint32_t length, uint32_t maxLength, bool skipBlanks, uint32_t extra,
               IdentScan& out);
inline bool ScanIdentW(const char16_t* text, uint32_t length, uint32_t maxLength, bool skipBlanks,
                       uint32_t extra, IdentScan& out) {
    return ScanIdent(text, length, maxLength, skipBlanks, extra, out);
}
inline bool ScanIdentifierA(const char* text, uint32_t length, uint32_t maxLength, bool skipBlanks,
                            uint32_t extra, IdentScan& out) {
    return ScanIdent(text, length, maxLength, skipBlanks, extra, out);
}

// The identifier hash of `length` characters (no character classes checked).
template <typename Ch> uint32_t IdentHash(const Ch* text, uint32_t length);

// True when two texts of `length` characters are equal with 'A'-'Z' folded.
template <typename A, typename B> bool EqualsIgnoringAsciiCase(const A* a, const B* b, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i) {
        uint32_t x = static_cast<std::make_unsigned_t<A>>(a[i]);
        uint32_t y = static_cast<std::make_unsigned_t<B>>(b[i]);
        if (x - 'A' < 26) x += 32;
        if (y - 'A' < 26) y += 32;
        if (x != y) return false;
    }
    return true;
}

// ---------------------------------------------------------------- the scanner

// Modes of ScanHex: how a "0x", "0X", "#" or "$" prefix is treated, and the
// exact flag (exactly two digits per byte, leading zeros included).
enum : uint32_t { kHexNoPrefix = 0, kHexAllowPrefix = 1, kHexNeedPrefix = 2, kHexExact = 4 };

// The state of one read: a cursor in the source and where values go. Every
// value reader reads at the cursor and moves it past what it read; it stores
// at `dest` unless that is null, and with `advance` moves `dest` past what it
// stored. Each top-level read makes its own scanner.
template <typename Ch> class TDRFieldScanner {
  public:
    TDRFieldScanner(const Ch* source, uint32_t codePage) : cursor(source), codePage(codePage) {}

    const Ch* cursor;
    uint32_t codePage;
    void* dest = nullptr;
    uint32_t destWidth = 2; // characters and texts at dest: 1 = 8-bit, 2 = UTF-16
    uint32_t capacity = 0;  // room at dest in characters for texts, terminator included; 0 counts only
    uint32_t written = 0;   // text characters written (or counted)
    bool overflow = false;  // a text was cut

    void SkipBlanks();
    // Only blanks, or blanks and a "//" comment, remain. Does not move.
    bool AtValueEnd() const;

    bool ScanInt(uint32_t size, bool advance);  // signed decimal of 1, 2, 4 or 8 bytes
    bool ScanUInt(uint32_t size, bool advance); // unsigned decimal
    bool ScanHex(uint32_t size, uint32_t mode, uint64_t& value);
    bool ScanHexField(uint32_t size, bool advance); // hexadecimal, prefix optional
    bool ScanBool(uint32_t size, bool advance);     // 0/1, true/false, yes/no into 1 or 4 bytes
    bool ScanFloat(bool advance);
    bool ScanChar(bool advance); // one character of destWidth
    // A text into dest (capacity characters of destWidth). fieldFormat: an
    // unquoted text is one bare identifier; otherwise it runs to the value's end.
    bool ScanTextField(bool fieldFormat);

    // Appends n source characters to the text at dest (the text sink).
    void Sink(const Ch* run, uint32_t n);

  private:
    bool ReadDecimal(uint64_t limit, uint64_t& value);
    void Store(uint64_t value, uint32_t size, bool advance);
    void Terminate();
};

using TDRFieldScannerW = TDRFieldScanner<char16_t>;
using TDRFieldScannerA = TDRFieldScanner<char>;

// ---------------------------------------------------------------- the field-format interpreter

enum FieldScanStatus : int { kScanOk = 0, kScanSourceMismatch = 1, kScanBadFormat = 2 };
enum FieldScanMode : int { kScanCount = 0, kScanRecords = 1, kScanPointers = 2 };

// Reads up to maxRecords records described by `format` from `source`.
// Mode 0 counts only; mode 1 stores record k at dest + k * recordSize; mode 2
// stores each field through the next pointer of the list at dest, which holds
// recordSize pointers (running out of pointers is like a field that does not
// fit its record). Returns a FieldScanStatus; on success *recordsRead holds the
// records read, otherwise 0.
template <typename Ch>
int ScanFields(const char16_t* format, int32_t maxRecords, void* dest, uint32_t recordSize, int mode,
               const Ch* source, uint32_t codePage, int32_t* recordsRead);
inline int ScanFieldsW(const char16_t* format, int32_t maxRecords, void* dest, uint32_t recordSize, int mode,
                       const char16_t* source, uint32_t codePage, int32_t* recordsRead) {
    return ScanFields(format, maxRecords, dest, recordSize, mode, source, codePage, recordsRead);
}
inline int ScanFieldsA(const char16_t* format, int32_t maxRecords, void* dest, uint32_t recordSize, int mode,
                       const char* source, uint32_t codePage, int32_t* recordsRead) {
    return ScanFields(format, maxRecords, dest, recordSize, mode, source, codePage, recordsRead);
}

// ---------------------------------------------------------------- whole-value readers

template <typename Ch> bool IsRestEmptyOrComment(const Ch* text);
inline bool IsRestEmptyOrCommentW(const char16_t* text) {
    return IsRestEmptyOrComment(text);
}
inline bool IsRestEmptyOrCommentA(const char* text) {
    return IsRestEmptyOrComment(text);
}

// Each reads one value and then requires that only blanks or a comment follow.
template <typename Ch> bool ParseIntValue(const Ch* text, int32_t& value); // signed 32-bit decimal
template <typename Ch>
bool ParseHexValue(const Ch* text, uint32_t& value); // 32-bit hexadecimal, prefix optional
template <typename Ch>
bool ParseCharValue(const Ch* text, uint32_t codePage, char16_t& value); // one UTF-16 character
inline bool ParseIntValueW(const char16_t* text, int32_t& value) {
    return ParseIntValue(text, value);
}
inline bool ParseHexValueW(const char16_t* text, uint32_t& value) {
    return ParseHexValue(text, value);
}
inline bool ParseCharValueW(const char16_t* text, uint32_t codePage, char16_t& value) {
    return ParseCharValue(text, codePage, value);
}

// Status bits of ScanStringValue.
enum : int { kStringRead = 0, kStringInvalid = 1, kStringNullBuffer = 2, kStringCut = 4 };

// Reads a text value (quoted, or running to the value's end) into a buffer of
// `size` characters (0: only measure). Returns kStringRead, kStringCut,
// kStringInvalid, kStringInvalid | kStringCut, or kStringNullBuffer;
// `written` receives the characters written (or needed when measuring).
template <typename Ch, typename Dst>
int ScanStringValue(const Ch* text, Dst* buffer, uint32_t size, uint32_t codePage, uint32_t& written);
template <typename Dst>
int ScanStringValueW(const char16_t* text, Dst* buffer, uint32_t size, uint32_t codePage, uint32_t& written) {
    return ScanStringValue(text, buffer, size, codePage, written);
}
template <typename Dst>
int ScanStringValueA(const char* text, Dst* buffer, uint32_t size, uint32_t codePage, uint32_t& written) {
    return ScanStringValue(text, buffer, size, codePage, written);
}

// ---------------------------------------------------------------- text copies

// Copies `length` characters (kUnboundedLength: up to the terminator) into a
// buffer of `capacity` characters through the code page, always terminated
// when capacity is not 0; false when the text was cut. `written` (optional)
// receives the characters written, or needed when capacity is 0.
template <typename Src, typename Dst>
bool CopyText(Dst* buffer, uint32_t capacity, const Src* text, uint32_t length, uint32_t codePage,
              uint32_t* written = nullptr);
inline bool CopyTextW(char16_t* buffer, uint32_t capacity, const char16_t* text, uint32_t length,
                      uint32_t codePage, uint32_t* written = nullptr) {
    return CopyText(buffer, capacity, text, length, codePage, written);
}
inline bool CopyTextA(char16_t* buffer, uint32_t capacity, const char* text, uint32_t length,
                      uint32_t codePage, uint32_t* written = nullptr) {
    return CopyText(buffer, capacity, text, length, codePage, written);
}
inline bool CopyTextToAnsiW(char* buffer, uint32_t capacity, const char16_t* text, uint32_t length,
                            uint32_t codePage, uint32_t* written = nullptr) {
    return CopyText(buffer, capacity, text, length, codePage, written);
}

} // namespace kis
