// Sections:
//   format parsing helpers
//   identifiers
//   value readers
//   the field-format interpreter
//   whole-value readers

#include "foundation/FieldFormat.h"

#include "foundation/Ident.h"
#include "platform/CodePage.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace kis {
namespace {

template <typename Ch> uint32_t Unit(Ch c) {
    return static_cast<std::make_unsigned_t<Ch>>(c);
}

template <typename Ch> bool IsBlank(Ch c) {
    return c == ' ' || c == '\t';
}

template <typename Ch> bool IsDigit(Ch c) {
    return Unit(c) - '0' < 10;
}

template <typename Ch> bool IsIdentChar(Ch c, uint32_t extra) {
    uint32_t u = Unit(c);
    return (u | 32) - 'a' < 26 || u - '0' < 10 || u == '_' || (u == extra && extra != 0 && extra < 128);
}

template <typename Ch> int HexDigit(Ch c) {
    uint32_t u = Unit(c);
    if (u - '0' < 10) return static_cast<int>(u - '0');
    if (u - 'a' < 6) return static_cast<int>(u - 'a' + 10);
    if (u - 'A' < 6) return static_cast<int>(u - 'A' + 10);
    return -1;
}

// One step of the identifier hash: the CRC-32 register update with the low 8
// bits of the character. Crc32 inverts on entry and exit, so passing and taking
// back the complement leaves the bare register step.
uint32_t HashStep(uint32_t reg, uint32_t c) {
    uint8_t byte = static_cast<uint8_t>(c);
    return ~Crc32(&byte, 1, 0, ~reg);
}

template <typename Ch> const Ch* OrEmpty(const Ch* text) {
    static const Ch empty[1] = {};
    return text ? text : empty;
}

uint32_t FoldAscii(uint32_t u) {
    return u - 'A' < 26 ? u + 32 : u;
}

// Writes n units of Src into a Dst buffer of `room` units through the code
// page, or measures when dst is null.
platform::ConvertResult ConvertRun(uint32_t codePage, const char16_t* src, uint32_t n, char* dst,
                                   size_t room) {
    return platform::Utf16ToMultiByte(codePage, src, n, dst, room);
}
platform::ConvertResult ConvertRun(uint32_t codePage, const char* src, uint32_t n, char16_t* dst,
                                   size_t room) {
    return platform::MultiByteToUtf16(codePage, src, n, dst, room);
}

} // namespace

// ---------------------------------------------------------------- identifiers

template <typename Ch> uint32_t IdentHash(const Ch* text, uint32_t length) {
    uint32_t reg = 0xFFFFFFFF;
    for (uint32_t i = 0; i < length; ++i)
        reg = HashStep(reg, FoldAscii(Unit(text[i])));
    return reg;
}

template <typename Ch>
bool ScanIdent(const Ch* text, uint32_t length, uint32_t maxLength, bool skipBlanks, uint32_t extra,
               IdentScan& out) {
    if (text == nullptr || length == 0) return false;
    const bool bounded = length != kUnboundedLength;
    auto has = [&](uint32_t i) { return bounded ? i < length : text[i] != 0; };
    if (!has(0)) return false;
    uint32_t i = 0;
    if (skipBlanks)
        while (has(i) && IsBlank(text[i]))
            ++i;
    const uint32_t start = i;
    uint32_t reg = 0xFFFFFFFF;
    while (has(i) && IsIdentChar(text[i], extra)) {
        if (i - start >= maxLength) return false;
        reg = HashStep(reg, FoldAscii(Unit(text[i])));
        ++i;
    }
    if (i == start) return false;
    out.start = start;
    out.length = i - start;
    out.hash = reg;
    if (skipBlanks)
        while (has(i) && IsBlank(text[i]))
            ++i;
    out.end = i;
    out.atEnd = !has(i);
    return true;
}

// ---------------------------------------------------------------- value readers

template <typename Ch> void TDRFieldScanner<Ch>::SkipBlanks() {
    while (IsBlank(*cursor))
        ++cursor;
}

template <typename Ch> bool IsRestEmptyOrComment(const Ch* text) {
    if (text == nullptr) return true;
    while (IsBlank(*text))
        ++text;
    return *text == 0 || (text[0] == '/' && text[1] == '/');
}

template <typename Ch> bool TDRFieldScanner<Ch>::AtValueEnd() const {
    return IsRestEmptyOrComment(cursor);
}

template <typename Ch> void TDRFieldScanner<Ch>::Store(uint64_t value, uint32_t size, bool advance) {
    if (dest == nullptr) return;
    // Little-endian: the low `size` bytes of the value are the stored integer.
    std::memcpy(dest, &value, size);
    if (advance) dest = static_cast<char*>(dest) + size;
}

// At least one digit; the value may not exceed `limit` (checked before each digit).
template <typename Ch> bool TDRFieldScanner<Ch>::ReadDecimal(uint64_t limit, uint64_t& value) {
    value = 0;
    if (!IsDigit(*cursor)) return false;
    for (; IsDigit(*cursor); ++cursor) {
        uint64_t digit = Unit(*cursor) - '0';
        if (value > (limit - digit) / 10) return false;
        value = value * 10 + digit;
    }
    return true;
}

template <typename Ch> bool TDRFieldScanner<Ch>::ScanInt(uint32_t size, bool advance) {
    bool negative = *cursor == '-';
    if (*cursor == '-' || *cursor == '+') ++cursor;
    uint64_t limit = (uint64_t{1} << (size * 8 - 1)) - 1 + (negative ? 1 : 0);
    uint64_t value;
    if (!ReadDecimal(limit, value)) return false;
    Store(negative ? 0 - value : value, size, advance);
    return true;
}

template <typename Ch> bool TDRFieldScanner<Ch>::ScanUInt(uint32_t size, bool advance) {
    uint64_t limit = size == 8 ? UINT64_MAX : (uint64_t{1} << (size * 8)) - 1;
    uint64_t value;
    if (!ReadDecimal(limit, value)) return false;
    Store(value, size, advance);
    return true;
}

template <typename Ch> bool TDRFieldScanner<Ch>::ScanHex(uint32_t size, uint32_t mode, uint64_t& value) {
    uint32_t prefix = 0;
    if (cursor[0] == '0' && (cursor[1] == 'x' || cursor[1] == 'X'))
        prefix = 2;
    else if (cursor[0] == '#' || cursor[0] == '$')
        prefix = 1;
    uint32_t prefixRule = mode & 3;
    if (prefixRule == kHexNoPrefix)
        prefix = 0; // "0x" then reads as the digit 0 followed by an 'x'
    else if (prefixRule == kHexNeedPrefix && prefix == 0)
        return false;
    const Ch* p = cursor + prefix;
    value = 0;
    uint32_t digits = 0, significant = 0;
    for (int d; (d = HexDigit(*p)) >= 0; ++p) {
        if (significant > 0 || d != 0) {
            if (significant == 2 * size) return false;
            ++significant;
        }
        value = (value << 4) | static_cast<uint64_t>(d);
        ++digits;
    }
    if (digits == 0 || ((mode & kHexExact) && digits != 2 * size)) return false;
    cursor = p;
    return true;
}

template <typename Ch> bool TDRFieldScanner<Ch>::ScanHexField(uint32_t size, bool advance) {
    uint64_t value;
    if (!ScanHex(size, kHexAllowPrefix, value)) return false;
    Store(value, size, advance);
    return true;
}

template <typename Ch> bool TDRFieldScanner<Ch>::ScanBool(uint32_t size, bool advance) {
    uint64_t value;
    if (IsDigit(*cursor)) {
        if (!ReadDecimal(255, value) || value > 1) return false;
    } else {
        IdentScan word;
        if (!ScanIdent(cursor, kUnboundedLength, kUnboundedLength, true, 0, word)) return false;
        static const uint32_t kTrue = IdentHash(u"true", 4), kYes = IdentHash(u"yes", 3);
        static const uint32_t kFalse = IdentHash(u"false", 5), kNo = IdentHash(u"no", 2);
        const Ch* w = cursor + word.start;
        auto is = [&](uint32_t hash, const char* text, uint32_t length) {
            return word.hash == hash && word.length == length && EqualsIgnoringAsciiCase(w, text, length);
        };
        if (is(kTrue, "true", 4) || is(kYes, "yes", 3))
            value = 1;
        else if (is(kFalse, "false", 5) || is(kNo, "no", 2))
            value = 0;
        else
            return false;
        cursor += word.end;
    }
    Store(value, size, advance);
    return true;
}

template <typename Ch> bool TDRFieldScanner<Ch>::ScanFloat(bool advance) {
    bool negative = *cursor == '-';
    if (*cursor == '-' || *cursor == '+') ++cursor;
    float value = 0.0f;
    uint32_t digits = 0;
    for (; IsDigit(*cursor); ++cursor, ++digits)
        value = value * 10.0f + static_cast<float>(Unit(*cursor) - '0');
    if (*cursor == '.') {
        const Ch* first = ++cursor;
        while (IsDigit(*cursor))
            ++cursor;
        float fraction = 0.0f;
        for (const Ch* p = cursor; p != first;) {
            --p;
            fraction = (static_cast<float>(Unit(*p) - '0') + fraction) / 10.0f;
        }
        digits += static_cast<uint32_t>(cursor - first);
        value += fraction;
    }
    if (digits == 0) return false;
    if (*cursor == 'e' || *cursor == 'E') {
        ++cursor;
        bool negativeExponent = *cursor == '-';
        if (*cursor == '-' || *cursor == '+') ++cursor;
        uint64_t magnitude;
        if (!ReadDecimal(negativeExponent ? 2147483648u : 2147483647u, magnitude)) return false;
        int32_t exponent = negativeExponent ? -static_cast<int32_t>(std::min<uint64_t>(magnitude, 38))
                                            : static_cast<int32_t>(std::min<uint64_t>(magnitude, 38));
        for (; exponent > 0; --exponent)
            value *= 10.0f;
        for (; exponent < 0; ++exponent)
            value /= 10.0f;
    }
    if (negative) value = -value;
    if (dest != nullptr) {
        std::memcpy(dest, &value, sizeof value);
        if (advance) dest = static_cast<char*>(dest) + sizeof value;
    }
    return true;
}

template <typename Ch> bool TDRFieldScanner<Ch>::ScanChar(bool advance) {
    enum { Quoted, Code, Byte } form;
    uint32_t unit;
    if (cursor[0] == '\'' && cursor[1] != 0 && cursor[2] == '\'') {
        form = Quoted;
        unit = Unit(cursor[1]);
        cursor += 3;
    } else if ((cursor[0] == 'u' || cursor[0] == 'U') && cursor[1] == '+') {
        cursor += 2;
        uint64_t value;
        if (!ScanHex(2, kHexNoPrefix | kHexExact, value)) return false;
        form = Code;
        unit = static_cast<uint32_t>(value);
    } else {
        uint64_t value;
        if (!ScanHex(1, kHexAllowPrefix, value)) return false;
        form = Byte;
        unit = static_cast<uint32_t>(value);
    }

    uint32_t result = unit;
    constexpr bool wideSource = sizeof(Ch) == 2;
    if (wideSource && destWidth == 1 && form != Byte) {
        char16_t wide = static_cast<char16_t>(unit);
        char narrow[4];
        platform::ConvertResult r = platform::Utf16ToMultiByte(codePage, &wide, 1, narrow, sizeof narrow);
        if (!r.Ok() || r.count != 1) return false;
        result = static_cast<unsigned char>(narrow[0]);
    } else if (!wideSource && destWidth == 2 && form != Code) {
        char narrow = static_cast<char>(unit);
        char16_t wide[2];
        platform::ConvertResult r = platform::MultiByteToUtf16(codePage, &narrow, 1, wide, 2);
        if (!r.Ok() || r.count != 1) return false;
        result = wide[0];
    } else if (!wideSource && destWidth == 1) {
        result = unit & 0xFF;
    }
    Store(result, destWidth, advance);
    return true;
}

template <typename Ch> void TDRFieldScanner<Ch>::Terminate() {
    if (dest == nullptr || capacity == 0) return;
    if (destWidth == 1)
        static_cast<char*>(dest)[written] = 0;
    else
        static_cast<char16_t*>(dest)[written] = 0;
}

template <typename Ch> void TDRFieldScanner<Ch>::Sink(const Ch* run, uint32_t n) {
    if (destWidth == sizeof(Ch)) {
        if (capacity == 0 || dest == nullptr) {
            written += n;
            return;
        }
        uint32_t room = capacity - 1 - written;
        uint32_t take = std::min(n, room);
        std::memcpy(static_cast<Ch*>(dest) + written, run, static_cast<size_t>(take) * sizeof(Ch));
        written += take;
        if (take < n) overflow = true;
        Terminate();
        return;
    }
    // The run crosses between 8-bit text and UTF-16.
    using Other = std::conditional_t<sizeof(Ch) == 2, char, char16_t>;
    if (capacity == 0 || dest == nullptr) {
        platform::ConvertResult need = ConvertRun(codePage, run, n, static_cast<Other*>(nullptr), 0);
        if (need.Ok()) written += static_cast<uint32_t>(need.count);
        return;
    }
    if (n == 0) {
        Terminate();
        return;
    }
    // Convert into the room before the terminator's place. Whole characters
    // only are written, so a cut never leaves half a multi-byte character.
    uint32_t room = capacity - 1 - written;
    if (room == 0) {
        overflow = true;
    } else {
        platform::ConvertResult r = ConvertRun(codePage, run, n, static_cast<Other*>(dest) + written, room);
        if (r.status == platform::ConvertStatus::BufferTooSmall) {
            written += static_cast<uint32_t>(r.count);
            overflow = true;
        } else if (r.Ok()) {
            written += static_cast<uint32_t>(r.count);
        }
    }
    Terminate();
}

template <typename Ch> bool TDRFieldScanner<Ch>::ScanTextField(bool fieldFormat) {
    written = 0;
    overflow = false;
    bool quoted = *cursor == '"';
    if (!quoted && fieldFormat) {
        // A bare identifier; where none stands the destination keeps its text.
        IdentScan word;
        if (ScanIdent(cursor, kUnboundedLength, kUnboundedLength, true, 0, word)) {
            Terminate();
            Sink(cursor + word.start, word.length);
            cursor += word.end;
        }
        return true;
    }
    Terminate();
    if (quoted) ++cursor;
    for (;;) {
        const Ch* run = cursor;
        while (*cursor != 0 && *cursor != '\\' && !(quoted && *cursor == '"'))
            ++cursor;
        Sink(run, static_cast<uint32_t>(cursor - run));
        if (*cursor == 0) return !quoted; // a quoted text needs its closing quote
        if (*cursor == '"') {
            ++cursor;
            return true;
        }
        // A backslash takes the next character literally; \n and \r are line breaks.
        Ch next = cursor[1];
        if (next == 0) return false;
        Ch escaped = next == 'n' ? Ch('\n') : next == 'r' ? Ch('\r') : next;
        Sink(&escaped, 1);
        cursor += 2;
    }
}

// ---------------------------------------------------------------- the field-format interpreter

namespace {

enum class FieldKind { Signed, Unsigned, Hex, Bool, Float, CharA, CharW, CharCounted, TextA, TextW };

struct Field {
    FieldKind kind;
    uint32_t size;  // bytes per element
    uint32_t align; // alignment in a record
    uint32_t count; // n
    bool hasCount;
    bool IsText() const { return kind == FieldKind::TextA || kind == FieldKind::TextW; }
};

// The codes of a format's fields; a size of 0 means a size digit (1, 2, 4 or
// 8) follows the code.
struct FieldCode {
    char16_t code;
    FieldKind kind;
    uint32_t size;
};
constexpr FieldCode kFieldCodes[] = {
    {u'i', FieldKind::Signed, 0}, {u'u', FieldKind::Unsigned, 0}, {u'x', FieldKind::Hex, 0},
    {u'b', FieldKind::Bool, 0},   {u'l', FieldKind::Signed, 4},   {u'f', FieldKind::Float, 4},
    {u'C', FieldKind::CharA, 1},  {u'W', FieldKind::CharW, 2},    {u'c', FieldKind::CharCounted, 2},
    {u'S', FieldKind::TextA, 1},  {u'Z', FieldKind::TextW, 2},    {u's', FieldKind::TextW, 2},
};

void SkipFormatBlanks(const char16_t*& f) {
    while (*f == ' ' || *f == '\t')
        ++f;
}

// Reads a field code and the size digit it may need; false when malformed.
bool ReadFieldKind(const char16_t*& f, Field& field) {
    SkipFormatBlanks(f);
    const char16_t code = *f++;
    const FieldCode* entry = std::find_if(std::begin(kFieldCodes), std::end(kFieldCodes),
                                          [code](const FieldCode& c) { return c.code == code; });
    if (entry == std::end(kFieldCodes)) return false;
    uint32_t size = entry->size;
    if (size == 0) {
        const char16_t d = *f;
        size = d == '1' ? 1 : d == '2' ? 2 : d == '4' ? 4 : d == '8' ? 8 : 0;
        // A boolean is stored in 1 or 4 bytes only.
        if (size == 0 || (entry->kind == FieldKind::Bool && size != 1 && size != 4)) return false;
        ++f;
    }
    field = {entry->kind, size, std::min(size, 4u), 1, false};
    return true;
}

// Reads the optional element count "[n]" after a field code (1 to 2^31 - 1)
// and the blanks after it; false when malformed.
bool ReadFieldCount(const char16_t*& f, Field& field) {
    SkipFormatBlanks(f);
    if (*f != '[') return true;
    ++f;
    SkipFormatBlanks(f);
    if (!IsDigit(*f)) return false;
    uint64_t n = 0;
    for (; IsDigit(*f); ++f) {
        n = n * 10 + (*f - '0');
        if (n > 2147483647) return false;
    }
    SkipFormatBlanks(f);
    if (n == 0 || *f != ']') return false;
    ++f;
    SkipFormatBlanks(f);
    field.count = static_cast<uint32_t>(n);
    field.hasCount = true;
    return true;
}

// The walk through the format for one record. One group in braces may hold
// the last fields; a record may leave those out.
struct FormatWalk {
    const char16_t* f;
    bool groupOpen = false;   // the group's '{' was passed
    bool groupClosed = false; // and its '}'

    explicit FormatWalk(const char16_t* format) : f(format) {
        SkipFormatBlanks(f);
        if (*f == '{') {
            groupOpen = true;
            ++f;
        }
    }

    // Reads the next field and what follows it: a comma (more fields follow)
    // or the format's end. False when the format is malformed.
    bool Next(Field& field, bool& moreFields) {
        if (!ReadFieldKind(f, field) || !ReadFieldCount(f, field)) return false;
        moreFields = *f == ',';
        if (moreFields) {
            ++f;
            SkipFormatBlanks(f);
            if (*f != '{') return true;
            if (groupOpen) return false; // only one group
            groupOpen = true;
            ++f;
            return true;
        }
        if (*f == '}' && groupOpen) {
            ++f;
            SkipFormatBlanks(f);
            groupClosed = true;
        }
        return *f == 0;
    }
};

// Where the fields go: into records laid out by the alignment rule, through a
// list of pointers, or nowhere when only counting.
class FieldTargets {
  public:
    FieldTargets(int mode, void* dest, uint32_t recordSize)
        : mode_(mode), recordSize_(recordSize), record_(static_cast<char*>(dest)),
          pointers_(static_cast<void* const*>(dest)) {}

    // The next field's place (null when counting); false when the field does
    // not fit its record or the pointer list has run out.
    bool Place(const Field& field, void*& target) {
        target = nullptr;
        if (mode_ == kScanRecords) {
            offset_ = (offset_ + field.align - 1) / field.align * field.align;
            const uint64_t need = uint64_t{field.count} * field.size;
            if (offset_ > recordSize_ || need > recordSize_ - offset_) return false;
            target = record_ + offset_;
            offset_ += need;
        } else if (mode_ == kScanPointers) {
            if (nextPointer_ >= recordSize_) return false;
            target = pointers_[nextPointer_++];
        }
        return true;
    }

    void NextRecord() {
        if (mode_ == kScanRecords) record_ += recordSize_;
        offset_ = 0;
    }

  private:
    int mode_;
    uint32_t recordSize_; // bytes per record, or pointers in the list
    char* record_;
    void* const* pointers_;
    uint32_t nextPointer_ = 0;
    uint64_t offset_ = 0; // in the current record
};

// Reads one element of a number, boolean or character field.
template <typename Ch> bool ScanElement(TDRFieldScanner<Ch>& scan, const Field& field) {
    switch (field.kind) {
    case FieldKind::Signed:
        return scan.ScanInt(field.size, true);
    case FieldKind::Unsigned:
        return scan.ScanUInt(field.size, true);
    case FieldKind::Hex:
        return scan.ScanHexField(field.size, true);
    case FieldKind::Bool:
        return scan.ScanBool(field.size, true);
    case FieldKind::Float:
        return scan.ScanFloat(true);
    case FieldKind::CharA:
        scan.destWidth = 1;
        return scan.ScanChar(true);
    default:
        scan.destWidth = 2;
        return scan.ScanChar(true);
    }
}

// Reads the elements of a number, boolean or character field, separated by commas.
template <typename Ch> bool ScanElements(TDRFieldScanner<Ch>& scan, const Field& field) {
    // A counted character is read once; its count only reserves room.
    const uint32_t elements = field.kind == FieldKind::CharCounted ? 1 : field.count;
    for (uint32_t e = 0; e < elements; ++e) {
        scan.SkipBlanks();
        if (e > 0) {
            if (*scan.cursor != ',') return false;
            ++scan.cursor;
            scan.SkipBlanks();
        }
        if (!ScanElement(scan, field)) return false;
        scan.SkipBlanks();
    }
    return true;
}

// Reads a text field; one with a count may stand in parentheses or brackets.
template <typename Ch> bool ScanText(TDRFieldScanner<Ch>& scan, const Field& field, bool counting) {
    Ch closer = 0;
    scan.SkipBlanks();
    if (field.hasCount && (*scan.cursor == '(' || *scan.cursor == '[')) {
        closer = *scan.cursor == '(' ? Ch(')') : Ch(']');
        ++scan.cursor;
        scan.SkipBlanks();
    }
    scan.destWidth = field.kind == FieldKind::TextA ? 1 : 2;
    scan.capacity = counting ? 0 : field.count;
    if (!scan.ScanTextField(true)) return false;
    // Counting has no room to cut the text at, so its length meets the count here.
    if (counting ? scan.written >= field.count : scan.overflow) return false;
    scan.SkipBlanks();
    if (closer == 0) return true;
    if (*scan.cursor != closer) return false;
    ++scan.cursor;
    scan.SkipBlanks();
    return true;
}

// What follows a field that more fields follow in the format: a comma, or,
// once the optional group has begun, the record's end, which leaves the rest
// of the group out. False when neither stands there.
template <typename Ch>
bool ScanFieldSeparator(TDRFieldScanner<Ch>& scan, bool groupBegun, bool& inParens, bool& restLeftOut) {
    scan.SkipBlanks();
    if (*scan.cursor == ',') {
        ++scan.cursor;
        scan.SkipBlanks();
        return true;
    }
    if (!groupBegun) return false;
    if (!inParens && scan.AtValueEnd()) {
        restLeftOut = true;
        return true;
    }
    if (inParens && *scan.cursor == ')') {
        ++scan.cursor;
        inParens = false;
        restLeftOut = true;
        return true;
    }
    return false;
}

// Reads one record, bare or in parentheses. Returns a FieldScanStatus. The
// format is walked to its end even when the source leaves the group out, so
// that a malformed format or a record too small is refused all the same.
template <typename Ch>
int ScanRecord(TDRFieldScanner<Ch>& scan, const char16_t* format, FieldTargets& targets, bool counting) {
    scan.SkipBlanks();
    bool inParens = *scan.cursor == '(';
    if (inParens) {
        ++scan.cursor;
        scan.SkipBlanks();
    }
    FormatWalk walk(format);
    bool restLeftOut = false;
    for (bool moreFields = true; moreFields;) {
        Field field;
        if (!walk.Next(field, moreFields)) return kScanBadFormat;
        void* target;
        if (!targets.Place(field, target)) return kScanBadFormat;
        if (restLeftOut) continue;
        scan.dest = target;
        const bool read = field.IsText() ? ScanText(scan, field, counting) : ScanElements(scan, field);
        if (!read) return kScanSourceMismatch;
        if (moreFields && !ScanFieldSeparator(scan, walk.groupOpen, inParens, restLeftOut))
            return kScanSourceMismatch;
    }
    if (walk.groupOpen && !walk.groupClosed) return kScanSourceMismatch;
    if (inParens) {
        scan.SkipBlanks();
        if (*scan.cursor != ')') return kScanSourceMismatch;
        ++scan.cursor;
    }
    return kScanOk;
}

} // namespace

template <typename Ch>
int ScanFields(const char16_t* format, int32_t maxRecords, void* dest, uint32_t recordSize, int mode,
               const Ch* source, uint32_t codePage, int32_t* recordsRead) {
    if (recordsRead) *recordsRead = 0;
    if (format == nullptr || maxRecords < 1 || mode < kScanCount || mode > kScanPointers ||
        (mode == kScanRecords && (dest == nullptr || recordSize == 0)) ||
        (mode == kScanPointers && dest == nullptr))
        return kScanBadFormat;
    TDRFieldScanner<Ch> scan(OrEmpty(source), codePage);
    if (scan.AtValueEnd()) return kScanOk;

    FieldTargets targets(mode, dest, recordSize);
    int32_t records = 0;
    for (;;) {
        const int status = ScanRecord(scan, format, targets, mode == kScanCount);
        if (status != kScanOk) return status;
        ++records;
        targets.NextRecord();
        // Records are separated by commas; a comma may also end the value.
        scan.SkipBlanks();
        const bool ended = scan.AtValueEnd();
        if (!ended && *scan.cursor != ',') return kScanSourceMismatch;
        if (ended || records == maxRecords) break;
        ++scan.cursor;
        if (scan.AtValueEnd()) break;
    }
    if (recordsRead) *recordsRead = records;
    return kScanOk;
}

// ---------------------------------------------------------------- whole-value readers

template <typename Ch> bool ParseIntValue(const Ch* text, int32_t& value) {
    if (text == nullptr) return false;
    TDRFieldScanner<Ch> scan(text, 0);
    int32_t read;
    scan.dest = &read;
    scan.SkipBlanks();
    if (!scan.ScanInt(4, false) || !scan.AtValueEnd()) return false;
    value = read;
    return true;
}

template <typename Ch> bool ParseHexValue(const Ch* text, uint32_t& value) {
    if (text == nullptr) return false;
    TDRFieldScanner<Ch> scan(text, 0);
    uint32_t read;
    scan.dest = &read;
    scan.SkipBlanks();
    if (!scan.ScanHexField(4, false) || !scan.AtValueEnd()) return false;
    value = read;
    return true;
}

template <typename Ch> bool ParseCharValue(const Ch* text, uint32_t codePage, char16_t& value) {
    if (text == nullptr) return false;
    TDRFieldScanner<Ch> scan(text, codePage);
    char16_t read;
    scan.dest = &read;
    scan.destWidth = 2;
    scan.SkipBlanks();
    if (!scan.ScanChar(false) || !scan.AtValueEnd()) return false;
    value = read;
    return true;
}

template <typename Ch, typename Dst>
int ScanStringValue(const Ch* text, Dst* buffer, uint32_t size, uint32_t codePage, uint32_t& written) {
    written = 0;
    if (buffer == nullptr && size != 0) return kStringNullBuffer;
    TDRFieldScanner<Ch> scan(OrEmpty(text), codePage);
    scan.dest = buffer;
    scan.destWidth = sizeof(Dst);
    scan.capacity = size;
    scan.SkipBlanks();
    bool ok = scan.ScanTextField(false) && scan.AtValueEnd();
    written = scan.written;
    return (ok ? kStringRead : kStringInvalid) | (scan.overflow ? kStringCut : 0);
}

template <typename Src, typename Dst>
bool CopyText(Dst* buffer, uint32_t capacity, const Src* text, uint32_t length, uint32_t codePage,
              uint32_t* written) {
    if (written) *written = 0;
    if (buffer == nullptr) capacity = 0;
    if (text == nullptr)
        length = 0;
    else if (length == kUnboundedLength)
        for (length = 0; text[length] != 0; ++length) {
        }
    TDRFieldScanner<Src> scan(text, codePage);
    scan.dest = buffer;
    scan.destWidth = sizeof(Dst);
    scan.capacity = capacity;
    if (capacity != 0) buffer[0] = 0;
    if (length != 0) scan.Sink(text, length);
    if (written) *written = scan.written;
    return !scan.overflow;
}

template class TDRFieldScanner<char>;
template class TDRFieldScanner<char16_t>;
template bool ScanIdent(const char*, uint32_t, uint32_t, bool, uint32_t, IdentScan&);
template bool ScanIdent(const char16_t*, uint32_t, uint32_t, bool, uint32_t, IdentScan&);
template uint32_t IdentHash(const char*, uint32_t);
template uint32_t IdentHash(const char16_t*, uint32_t);
template bool ParseIntValue(const char*, int32_t&);
template bool ParseIntValue(const char16_t*, int32_t&);
template bool ParseHexValue(const char*, uint32_t&);
template bool ParseHexValue(const char16_t*, uint32_t&);
template bool ParseCharValue(const char*, uint32_t, char16_t&);
template bool ParseCharValue(const char16_t*, uint32_t, char16_t&);
template bool IsRestEmptyOrComment(const char*);
template bool IsRestEmptyOrComment(const char16_t*);
template int ScanFields(const char16_t*, int32_t, void*, uint32_t, int, const char*, uint32_t, int32_t*);
template int ScanFields(const char16_t*, int32_t, void*, uint32_t, int, const char16_t*, uint32_t, int32_t*);
template int ScanStringValue(const char*, char*, uint32_t, uint32_t, uint32_t&);
template int ScanStringValue(const char*, char16_t*, uint32_t, uint32_t, uint32_t&);
template int ScanStringValue(const char16_t*, char*, uint32_t, uint32_t, uint32_t&);
template int ScanStringValue(const char16_t*, char16_t*, uint32_t, uint32_t, uint32_t&);
template bool CopyText(char*, uint32_t, const char*, uint32_t, uint32_t, uint32_t*);
template bool CopyText(char16_t*, uint32_t, const char*, uint32_t, uint32_t, uint32_t*);
template bool CopyText(char*, uint32_t, const char16_t*, uint32_t, uint32_t, uint32_t*);
template bool CopyText(char16_t*, uint32_t, const char16_t*, uint32_t, uint32_t, uint32_t*);

} // namespace kis
