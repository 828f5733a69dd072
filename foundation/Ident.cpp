#include "foundation/Ident.h"

#include <array>
#include <type_traits>

namespace kis {
namespace {

constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        table[i] = c;
    }
    return table;
}

// The one CRC table: the data-file checksums, identifiers and name ids.
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

inline uint32_t CrcStep(uint32_t reg, uint32_t byte) {
    return (reg >> 8) ^ kCrcTable[(reg ^ byte) & 0xFF];
}

bool IsBlank(uint32_t c) {
    return c == ' ' || c == '\t';
}

template <typename Ch> bool InExtra(const Ch* extra, Ch c) {
    if (!extra) return false;
    for (; *extra; ++extra) {
        if (*extra == c) return true;
    }
    return false;
}

// The parser behind Ident::Parse and both NameId forms. The stored name is
// UTF-16 whatever the source width; only the low 8 bits of each character
// enter the hash.
template <typename Ch>
bool ParseIdent(Ident& id, const Ch* text, uint32_t maxLength, bool skipBlanks, uint32_t* consumed,
                const Ch* extra) {
    if (!text || maxLength == 0) return false;
    if (consumed) *consumed = maxLength;
    const bool terminated = maxLength == Ident::kTerminated;
    auto code = [](Ch c) { return uint32_t(static_cast<std::make_unsigned_t<Ch>>(c)); };

    uint32_t pos = 0;
    auto available = [&] { return (terminated || pos < maxLength) && text[pos] != 0; };

    if (skipBlanks) {
        while (available() && IsBlank(code(text[pos])))
            ++pos;
    }

    uint32_t reg = 0xFFFFFFFF;
    uint32_t length = 0;
    while (available()) {
        uint32_t c = code(text[pos]);
        if (c >= 'A' && c <= 'Z') {
            c += 'a' - 'A';
        } else if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
                     InExtra(extra, text[pos]))) {
            break;
        }
        if (length == Ident::kMaxLength) return false;
        id.name[length++] = char16_t(c);
        reg = CrcStep(reg, c);
        ++pos;
    }
    id.name[length] = 0;
    id.length = length;
    if (length == 0) return false;
    id.hash = reg;

    if (skipBlanks) {
        while (available() && IsBlank(code(text[pos])))
            ++pos;
    }
    if (consumed) {
        *consumed = pos;
        return true;
    }
    return terminated ? text[pos] == 0 : pos == maxLength;
}

template <typename Ch> uint32_t NameIdOf(const Ch* name) {
    Ident id;
    if (!ParseIdent<Ch>(id, name, Ident::kTerminated, false, nullptr, nullptr)) return 0;
    return id.hash;
}

} // namespace

uint32_t Crc32(const void* buffer, uint32_t length, uint32_t skip, uint32_t previous) {
    if (!buffer || skip >= length) return previous;
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    uint32_t reg = ~previous;
    for (uint32_t i = skip; i < length; ++i)
        reg = CrcStep(reg, bytes[i]);
    return ~reg;
}

bool Ident::Parse(const char16_t* text, uint32_t maxLength, bool skipBlanks, uint32_t* consumed,
                  const char16_t* extra) {
    return ParseIdent<char16_t>(*this, text, maxLength, skipBlanks, consumed, extra);
}

bool Ident::Equals(const Ident& other) const {
    if (hash != other.hash || length != other.length || length > kMaxLength) return false;
    for (uint32_t i = 0; i < length; ++i) {
        if (name[i] != other.name[i]) return false;
    }
    return true;
}

uint32_t NameId(const char16_t* name) {
    return NameIdOf(name);
}
uint32_t NameId(const char* name) {
    return NameIdOf(name);
}

} // namespace kis
