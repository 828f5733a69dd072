#include "foundation/ValueList.h"
#include "foundation/NumberText.h"

#include <cstring>

namespace kis {
namespace {

enum class Kind { Signed, Unsigned, Hex, Float, Pass, Text, Other };

struct Code {
    Kind kind = Kind::Other;
    int bytes = 0;    // width of a number
    int textSize = 0; // N of "sN"; 0 for a plain "s"
};

struct Name {
    const char* text;
    Kind kind;
    int bytes;
};

// In the order codes are matched. "b4" is tested on its own before these.
constexpr Name kNames[] = {
    {"i1", Kind::Signed, 1},    {"i2", Kind::Signed, 2},    {"i4", Kind::Signed, 4},
    {"ui1", Kind::Unsigned, 1}, {"ui2", Kind::Unsigned, 2}, {"ui4", Kind::Unsigned, 4},
    {"x1", Kind::Hex, 1},       {"x2", Kind::Hex, 2},       {"x4", Kind::Hex, 4},
    {"b", Kind::Unsigned, 1},   {"c", Kind::Signed, 1},     {"f", Kind::Float, 4},
    {"p", Kind::Pass, 0},       {"s", Kind::Text, 0},
};

template <typename Ch> Ch Lower(Ch c) {
    return (c >= 'A' && c <= 'Z') ? Ch(c + 32) : c;
}

template <typename Ch> Code ParseCode(const Ch* code, size_t length) {
    // Compared over the shorter length, an empty code matches the first name.
    Code result;
    if (length >= 2 && Lower(code[0]) == 'b' && code[1] == '4') {
        result.kind = Kind::Signed;
        result.bytes = 4;
        return result;
    }
    for (const Name& name : kNames) {
        size_t nameLength = std::strlen(name.text);
        size_t n = length < nameLength ? length : nameLength;
        size_t i = 0;
        while (i < n && Lower(code[i]) == Ch(name.text[i]))
            ++i;
        if (i < n) continue;
        result.kind = name.kind;
        result.bytes = name.bytes;
        if (name.kind == Kind::Text) {
            int size = 0;
            for (size_t k = 1; k < length && code[k] >= '0' && code[k] <= '9' && size < 1000; ++k)
                size = size * 10 + (code[k] - '0');
            result.textSize = size > 127 ? 127 : size;
        }
        return result;
    }
    return result;
}

// Reads a number value by its code; false when it does not parse.
template <typename Ch>
bool ParseNumber(const Code& code, const Ch* field, int32_t length, scan::Number& out) {
    int32_t used = 0;
    out = {};
    switch (code.kind) {
    case Kind::Float:
        out.isFloat = true;
        out.real = StrToFloat<Ch>(field, length, 0.0f, nullptr, &used);
        return used > 0;
    case Kind::Hex:
        out.integer = HexToIntEx<Ch>(field, length, 0, true, true, &used);
        break;
    default:
        out.integer = StrToInt<Ch>(field, length, 0, nullptr, &used);
        break;
    }
    if (used == 0) return false;
    // Cut to the code's width, with its signedness.
    uint32_t bits = uint32_t(out.integer);
    if (code.kind == Kind::Signed) {
        out.integer = code.bytes == 1 ? int8_t(bits) : code.bytes == 2 ? int16_t(bits) : int32_t(bits);
    } else {
        out.integer = code.bytes == 1 ? uint8_t(bits) : code.bytes == 2 ? uint16_t(bits) : bits;
    }
    return true;
}

enum class Put { Stored, NotStored, Exhausted };

// Walks format and text, handing each value to the sink:
//   Put sink(const Code&, const Ch* field, int32_t length)   (field null for "p")
template <typename Ch, typename Sink>
int32_t Walk(const Ch* text, const Ch* format, Ch separator, int32_t skip, int32_t records, Sink&& sink) {
    if (!text || !text[0] || !format) return 0;
    const Ch* next = text; // the next value; null once the text has ended
    auto readValue = [&](const Ch*& field, int32_t& length) {
        while (*next == ' ' || *next == '\t')
            ++next;
        field = next;
        while (*next && *next != separator)
            ++next;
        length = int32_t(next - field);
        next = *next ? next + 1 : nullptr;
    };
    const Ch* field;
    int32_t length;
    for (int32_t i = 0; i < skip && next; ++i)
        readValue(field, length);

    int32_t stored = 0;
    for (int32_t record = 0; next && (records < 0 || record < records); ++record) {
        const Ch* before = next;
        const Ch* code = format;
        while (next) {
            const Ch* end = code;
            while (*end && *end != ',')
                ++end;
            Code parsed = ParseCode(code, size_t(end - code));
            Put put = Put::NotStored;
            if (parsed.kind == Kind::Pass) {
                put = sink(parsed, nullptr, 0);
            } else {
                readValue(field, length);
                if (parsed.kind != Kind::Other) put = sink(parsed, field, length);
            }
            if (put == Put::Exhausted) return stored;
            if (put == Put::Stored) ++stored;
            if (!*end) break;
            code = end + 1;
            while (*code == ' ' || *code == '\t')
                ++code;
        }
        if (next == before) break; // a format that reads no value would never end
    }
    return stored;
}

template <typename Ch> uint32_t TextRoom(const Code& code, uint32_t capacity) {
    if (code.textSize > 0 && uint32_t(code.textSize) < capacity) return uint32_t(code.textSize);
    return capacity;
}

} // namespace

namespace scan {

template <typename Ch>
int32_t Scan(const Ch* text, const Ch* format, Ch separator, int32_t skip, int32_t records,
             const Target<Ch>* targets, size_t count) {
    size_t index = 0;
    return Walk(text, format, separator, skip, records,
                [&](const Code& code, const Ch* field, int32_t length) {
                    if (index >= count) return Put::Exhausted;
                    const Target<Ch>& target = targets[index++];
                    if (code.kind == Kind::Pass) return Put::NotStored;
                    if (code.kind == Kind::Text) {
                        uint32_t room = TextRoom<Ch>(code, target.capacity);
                        if (!target.text || room == 0) return Put::NotStored;
                        uint32_t n = uint32_t(length) < room - 1 ? uint32_t(length) : room - 1;
                        for (uint32_t i = 0; i < n; ++i)
                            target.text[i] = field[i];
                        target.text[n] = 0;
                        return Put::Stored;
                    }
                    Number number;
                    if (!target.number || !ParseNumber(code, field, length, number)) return Put::NotStored;
                    return target.store(target.number, number) ? Put::Stored : Put::NotStored;
                });
}

template int32_t Scan(const char*, const char*, char, int32_t, int32_t, const Target<char>*, size_t);
template int32_t Scan(const char16_t*, const char16_t*, char16_t, int32_t, int32_t, const Target<char16_t>*,
                      size_t);

} // namespace scan

template <typename Ch>
int32_t ScanValueSlots(const Ch* text, const Ch* format, Ch separator, int32_t skip, int32_t records,
                       uint32_t* slots, uint32_t slotCount) {
    if (!slots) return 0;
    uint32_t index = 0;
    return Walk(
        text, format, separator, skip, records, [&](const Code& code, const Ch* field, int32_t length) {
            if (code.kind == Kind::Text && code.textSize == 0) return Put::NotStored;
            uint32_t needed = code.kind == Kind::Text ? (uint32_t(code.textSize) * sizeof(Ch) + 3) / 4 : 1;
            if (needed > slotCount - index) return Put::Exhausted;
            uint8_t* place = reinterpret_cast<uint8_t*>(slots + index);
            index += needed;
            if (code.kind == Kind::Pass) return Put::NotStored;
            if (code.kind == Kind::Text) {
                uint32_t n = uint32_t(length) < uint32_t(code.textSize) - 1 ? uint32_t(length)
                                                                            : uint32_t(code.textSize) - 1;
                std::memcpy(place, field, n * sizeof(Ch));
                const Ch terminator = 0;
                std::memcpy(place + n * sizeof(Ch), &terminator, sizeof(Ch));
                return Put::Stored;
            }
            scan::Number number;
            if (!ParseNumber(code, field, length, number)) return Put::NotStored;
            uint8_t bytes[4];
            if (number.isFloat) {
                std::memcpy(bytes, &number.real, 4);
            } else {
                uint32_t bits = uint32_t(number.integer);
                for (int i = 0; i < 4; ++i)
                    bytes[i] = uint8_t(bits >> (8 * i));
            }
            std::memcpy(place, bytes, size_t(code.bytes));
            return Put::Stored;
        });
}

template int32_t ScanValueSlots(const char*, const char*, char, int32_t, int32_t, uint32_t*, uint32_t);
template int32_t ScanValueSlots(const char16_t*, const char16_t*, char16_t, int32_t, int32_t, uint32_t*,
                                uint32_t);

} // namespace kis
