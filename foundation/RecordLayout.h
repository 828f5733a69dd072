#pragma once
// Fixed-size little-endian records described once. A record is a plain
// struct; its layout is one table of fields, each the offset and width of a
// field in the bytes and the struct member that holds it. The same table
// writes the record and reads it back, so a writer and a reader can no longer
// drift apart.
//
//   struct ScoreRecord { uint32_t level; int32_t points; char16_t name[32]; };
//   constexpr auto kScoreLayout = kis::Layout(72, kis::Field<&ScoreRecord::level>(0),
//                                             kis::Field<&ScoreRecord::points>(4),
//                                             kis::Field<&ScoreRecord::name>(8));
//
// Layout is evaluated by the compiler: a field that lies outside the record,
// overlaps another or comes before the one listed ahead of it does not
// compile. Bytes no field covers are gaps: the writer leaves them as they
// are (a save stream hands out zeroed bytes) and the reader ignores them.
// Checking the values read is the caller's: Load refuses only what cannot be
// held at all (a name without its ending zero).

#include "foundation/ByteOrder.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kis {

// How one type of member travels: its width in bytes, its store and its load
// (false: the bytes cannot be that member).
template <class T> struct FieldCodec;

template <> struct FieldCodec<uint32_t> {
    static constexpr size_t kWidth = 4;
    static void Store(const uint32_t& value, uint8_t* bytes) { StoreLE32(bytes, value); }
    static bool Load(uint32_t& value, const uint8_t* bytes) {
        value = LoadLE32(bytes);
        return true;
    }
};

template <> struct FieldCodec<int32_t> {
    static constexpr size_t kWidth = 4;
    static void Store(const int32_t& value, uint8_t* bytes) {
        StoreLE32(bytes, static_cast<uint32_t>(value));
    }
    static bool Load(int32_t& value, const uint8_t* bytes) {
        value = static_cast<int32_t>(LoadLE32(bytes));
        return true;
    }
};

template <> struct FieldCodec<float> {
    static constexpr size_t kWidth = 4;
    static void Store(const float& value, uint8_t* bytes) {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        StoreLE32(bytes, bits);
    }
    static bool Load(float& value, const uint8_t* bytes) {
        const uint32_t bits = LoadLE32(bytes);
        std::memcpy(&value, &bits, sizeof value);
        return true;
    }
};

// A name: n UTF-16 units, zero-padded. Written cut to n - 1 units, so a zero
// always ends it; read refused when no unit is zero, and everything after the
// first zero reads as zero (padding is ignored).
inline void StoreName(const char16_t* name, size_t n, uint8_t* bytes) {
    std::memset(bytes, 0, 2 * n);
    for (size_t i = 0; i + 1 < n && name[i]; ++i)
        StoreLE16(bytes + 2 * i, static_cast<uint16_t>(name[i]));
}
inline bool LoadName(char16_t* name, size_t n, const uint8_t* bytes) {
    bool ended = false;
    for (size_t i = 0; i < n; ++i) {
        const char16_t unit = static_cast<char16_t>(LoadLE16(bytes + 2 * i));
        name[i] = ended ? u'\0' : unit;
        if (unit == 0) ended = true;
    }
    return ended;
}

template <size_t N> struct FieldCodec<char16_t[N]> {
    static constexpr size_t kWidth = 2 * N;
    static void Store(const char16_t (&name)[N], uint8_t* bytes) { StoreName(name, N, bytes); }
    static bool Load(char16_t (&name)[N], const uint8_t* bytes) { return LoadName(name, N, bytes); }
};

template <size_t N> struct FieldCodec<std::array<char16_t, N>> {
    static constexpr size_t kWidth = 2 * N;
    static void Store(const std::array<char16_t, N>& name, uint8_t* bytes) {
        StoreName(name.data(), N, bytes);
    }
    static bool Load(std::array<char16_t, N>& name, const uint8_t* bytes) {
        return LoadName(name.data(), N, bytes);
    }
};

// A run of like fields, one after another.
template <class T, size_t N> struct FieldCodec<std::array<T, N>> {
    using Element = FieldCodec<T>;
    static constexpr size_t kWidth = N * Element::kWidth;
    static void Store(const std::array<T, N>& values, uint8_t* bytes) {
        for (size_t i = 0; i < N; ++i)
            Element::Store(values[i], bytes + i * Element::kWidth);
    }
    static bool Load(std::array<T, N>& values, const uint8_t* bytes) {
        for (size_t i = 0; i < N; ++i)
            if (!Element::Load(values[i], bytes + i * Element::kWidth)) return false;
        return true;
    }
};

// One field of a Record: where it lies and how its member is written and read.
template <class Record> struct RecordField {
    size_t offset = 0;
    size_t width = 0;
    void (*store)(const Record& record, uint8_t* bytes) = nullptr;
    bool (*load)(Record& record, const uint8_t* bytes) = nullptr;
};

template <class Member> struct MemberTraits;
template <class Record, class T> struct MemberTraits<T Record::*> {
    using Owner = Record;
    using Type = T;
};

// The field at offset held by Member (&Record::member), its width that of the
// member's type.
template <auto Member>
constexpr RecordField<typename MemberTraits<decltype(Member)>::Owner> Field(size_t offset) {
    using Record = typename MemberTraits<decltype(Member)>::Owner;
    using Codec = FieldCodec<typename MemberTraits<decltype(Member)>::Type>;
    return {offset, Codec::kWidth,
            [](const Record& record, uint8_t* bytes) { Codec::Store(record.*Member, bytes); },
            [](Record& record, const uint8_t* bytes) { return Codec::Load(record.*Member, bytes); }};
}

// A record's layout: its size in bytes and its fields in offset order.
template <class RecordType, size_t N> struct RecordLayout {
    using Record = RecordType;

    size_t size = 0;
    std::array<RecordField<Record>, N> fields{};

    // Writes every field of record into the size bytes at bytes.
    void Store(const Record& record, uint8_t* bytes) const {
        for (const RecordField<Record>& field : fields)
            field.store(record, bytes + field.offset);
    }
    // Reads every field from the size bytes at bytes into record; false when
    // one of them cannot be held (the others are read all the same).
    bool Load(const uint8_t* bytes, Record* record) const {
        bool held = true;
        for (const RecordField<Record>& field : fields)
            held = field.load(*record, bytes + field.offset) && held;
        return held;
    }
};

// A record inside a record, or a run of them, laid out by Sub.
template <class T, const auto& Sub> struct SubRecordCodec {
    static constexpr size_t kWidth = Sub.size;
    static void Store(const T& value, uint8_t* bytes) { Sub.Store(value, bytes); }
    static bool Load(T& value, const uint8_t* bytes) { return Sub.Load(bytes, &value); }
};
template <class T, size_t N, const auto& Sub> struct SubRecordCodec<std::array<T, N>, Sub> {
    static constexpr size_t kWidth = N * Sub.size;
    static void Store(const std::array<T, N>& values, uint8_t* bytes) {
        for (size_t i = 0; i < N; ++i)
            Sub.Store(values[i], bytes + i * Sub.size);
    }
    static bool Load(std::array<T, N>& values, const uint8_t* bytes) {
        for (size_t i = 0; i < N; ++i)
            if (!Sub.Load(bytes + i * Sub.size, &values[i])) return false;
        return true;
    }
};

// The field at offset held by Member, a record (or an array of records) whose
// own layout is Sub.
template <auto Member, const auto& Sub>
constexpr RecordField<typename MemberTraits<decltype(Member)>::Owner> Field(size_t offset) {
    using Record = typename MemberTraits<decltype(Member)>::Owner;
    using Codec = SubRecordCodec<typename MemberTraits<decltype(Member)>::Type, Sub>;
    return {offset, Codec::kWidth,
            [](const Record& record, uint8_t* bytes) { Codec::Store(record.*Member, bytes); },
            [](Record& record, const uint8_t* bytes) { return Codec::Load(record.*Member, bytes); }};
}

// Reached only while the compiler evaluates a layout that does not fit:
// calling it there stops the build at the layout.
inline void LayoutFieldOutOfPlace() {}

// The layout of a record of size bytes with these fields. Evaluated at
// compile time, where a field past the end, overlapping its neighbour or out
// of offset order stops the build.
template <class Record, class... More>
consteval RecordLayout<Record, 1 + sizeof...(More)> Layout(size_t size, RecordField<Record> first,
                                                           More... more) {
    RecordLayout<Record, 1 + sizeof...(More)> layout{size, {first, RecordField<Record>(more)...}};
    size_t end = 0;
    for (const RecordField<Record>& field : layout.fields) {
        if (field.offset < end || field.width > size || field.offset > size - field.width)
            LayoutFieldOutOfPlace();
        end = field.offset + field.width;
    }
    return layout;
}

} // namespace kis
