#pragma once
// Typed value lists: a text of separated values ("800, 600") read into
// targets by a format of type codes ("ui4,ui4").
//
// Format: codes separated by ','; blanks and tabs after each ',' are skipped.
// A code is compared, ignoring case, with the names below over the length of
// the shorter of the two, in this order ("b4" before "b"):
//   i1 i2 i4     signed 8/16/32-bit decimal
//   ui1 ui2 ui4  unsigned 8/16/32-bit decimal
//   x1 x2 x4     8/16/32-bit hexadecimal ('$', '#' or "0x" allowed; strict)
//   b4           signed 32-bit decimal
//   b            unsigned 8-bit decimal
//   c            signed 8-bit decimal
//   f            32-bit float
//   p            takes a target but reads no value
//   s, sN        text; sN keeps at most N - 1 characters (N at most 127)
// Any other code passes over one value and takes no target.
//
// Text: values separated by `separator`; blanks and tabs before each value are
// skipped; a value runs to the next separator or the end. The first `skip`
// values are passed over. The codes are applied in turn and repeated for up
// to `records` records (negative: until the text ends). A value that does not
// parse leaves its target as it was, so the target's value is the default.
//
// Every target has a known capacity: text goes into a character array (its
// length is the capacity) or a kis::TextOut; a bare character pointer does not
// compile. Numbers go to pointers to any arithmetic type (converted; null is
// passed over). Scanning also stops when the targets run out.
// Both forms return the number of values stored.

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace kis {

// A text target of known capacity in characters (terminator included).
template <typename Ch> struct TextOut {
    Ch* buffer;
    uint32_t capacity;
};

namespace scan {

struct Number {
    bool isFloat;
    int64_t integer;
    float real;
};

// Stores a number into a target of type T; false (nothing stored) for a
// float into an integer target.
template <typename T> bool Store(void* target, const Number& n) {
    T* out = static_cast<T*>(target);
    if constexpr (std::is_floating_point_v<T>) {
        *out = n.isFloat ? static_cast<T>(n.real) : static_cast<T>(n.integer);
    } else {
        if (n.isFloat) return false;
        *out = static_cast<T>(n.integer);
    }
    return true;
}

template <typename Ch> struct Target {
    void* number = nullptr;
    bool (*store)(void*, const Number&) = nullptr;
    Ch* text = nullptr;
    uint32_t capacity = 0;
};

template <typename> inline constexpr bool kUnsupported = false;

template <typename Ch, typename A> Target<Ch> MakeTarget(A&& out) {
    using T = std::remove_cvref_t<A>;
    Target<Ch> target;
    if constexpr (std::is_same_v<T, std::nullptr_t>) {
    } else if constexpr (std::is_same_v<T, TextOut<Ch>>) {
        target.text = out.buffer;
        target.capacity = out.capacity;
    } else if constexpr (std::is_array_v<T>) {
        static_assert(std::is_same_v<std::remove_extent_t<T>, Ch>,
                      "a text target holds the text's characters");
        target.text = out;
        target.capacity = static_cast<uint32_t>(std::extent_v<T>);
    } else if constexpr (std::is_pointer_v<T>) {
        using V = std::remove_pointer_t<T>;
        static_assert(!std::is_same_v<std::remove_cv_t<V>, Ch>,
                      "text targets need a capacity: pass a character array or a kis::TextOut");
        static_assert(std::is_arithmetic_v<V> && !std::is_const_v<V>,
                      "number targets are pointers to numbers");
        target.number = out;
        target.store = &Store<V>;
    } else {
        static_assert(kUnsupported<T>, "unsupported scan target");
    }
    return target;
}

template <typename Ch>
int32_t Scan(const Ch* text, const Ch* format, Ch separator, int32_t skip, int32_t records,
             const Target<Ch>* targets, size_t count);

} // namespace scan

template <typename Ch, typename... Out>
int32_t ScanValues(const Ch* text, const Ch* format, Ch separator, int32_t skip, int32_t records,
                   Out&&... outputs) {
    const scan::Target<Ch> targets[] = {scan::MakeTarget<Ch>(outputs)..., scan::Target<Ch>{}};
    return scan::Scan(text, format, separator, skip, records, targets, sizeof...(Out));
}

// The buffer form: each code takes the next 4-byte slot of `slots` (numbers
// in the slot's first 1, 2 or 4 bytes, little-endian), "sN" stores the text in
// the slots themselves and takes (N * character size + 3) / 4 of them, and a
// plain "s" (a slot cannot hold a text pointer) is passed over. Scanning stops
// before a value that would pass `slotCount`.
template <typename Ch>
int32_t ScanValueSlots(const Ch* text, const Ch* format, Ch separator, int32_t skip, int32_t records,
                       uint32_t* slots, uint32_t slotCount);

template <typename... Out>
int32_t ScanValuesW(const char16_t* text, const char16_t* format, char16_t separator, int32_t skip,
                    int32_t records, Out&&... outputs) {
    return ScanValues<char16_t>(text, format, separator, skip, records, static_cast<Out&&>(outputs)...);
}
template <typename... Out>
int32_t ScanValuesA(const char* text, const char* format, char separator, int32_t skip, int32_t records,
                    Out&&... outputs) {
    return ScanValues<char>(text, format, separator, skip, records, static_cast<Out&&>(outputs)...);
}
inline int32_t ScanValueSlotsW(const char16_t* text, const char16_t* format, char16_t separator, int32_t skip,
                               int32_t records, uint32_t* slots, uint32_t slotCount) {
    return ScanValueSlots(text, format, separator, skip, records, slots, slotCount);
}
inline int32_t ScanValueSlotsA(const char* text, const char* format, char separator, int32_t skip,
                               int32_t records, uint32_t* slots, uint32_t slotCount) {
    return ScanValueSlots(text, format, separator, skip, records, slots, slotCount);
}

} // namespace kis
