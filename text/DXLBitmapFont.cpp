#include "text/DXLBitmapFont.h"

#include "foundation/Paths.h"
#include "foundation/StrFunctions.h"
#include "platform/CodePage.h"

#include <algorithm>
#include <string>

namespace {

constexpr uint32_t kKeyTextSize = 1024;
constexpr uint32_t kCharsKeySize = 256;
constexpr uint32_t kImageNameSize = 260;
constexpr uint32_t kLookupNameSize = 64;

bool IsBlank(uint32_t c) {
    return c == ' ' || c == '\t';
}

// A decimal or hexadecimal code after '#' or '$'; it ends at a space, '=',
// '-', ',', the terminator or the text's end. False for a malformed code.
template <typename Ch> bool ReadCode(const Ch*& p, Ch terminator, int64_t* code) {
    const bool hex = *p == Ch('$');
    ++p;
    int64_t value = 0;
    bool negative = false;
    if (*p == Ch('-')) {
        negative = true;
        ++p;
    }
    int digits = 0;
    for (;; ++p) {
        const uint32_t c = CharCode(*p);
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = int(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            digit = int(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            digit = int(c - 'A' + 10);
        if (digit < 0) break;
        value = value * (hex ? 16 : 10) + digit;
        if (value > 0xFFFFFFFFLL) value = 0xFFFFFFFFLL;
        ++digits;
    }
    const uint32_t c = CharCode(*p);
    const bool ended =
        c == 0 || IsBlank(c) || c == '=' || c == '-' || c == ',' || (terminator && *p == terminator);
    if (digits == 0 || !ended) return false;
    *code = negative ? -value : value;
    return true;
}

template <typename Ch> Ch* SharedListBuffer() {
    static Ch buffer[kDXLCharListSize];
    return buffer;
}

template <typename Ch> std::u16string ToWide(const Ch* text) {
    if constexpr (std::is_same_v<Ch, char16_t>)
        return std::u16string(text);
    else
        return platform::ToUtf16(text);
}

// "Chars", "Chars2", "Chars3", ...
template <typename Ch> std::basic_string<Ch> NumberedKey(const char* base, int number) {
    std::string key = base;
    if (number > 1) key += std::to_string(number);
    return DXLLiteral<Ch>(key.c_str());
}

// Skips blanks; reads a decimal integer (optional '-') that ends at a blank,
// one of the two enders or the end. False when malformed.
template <typename Ch> bool ReadDecimal(const Ch*& p, char ender, int32_t* value) {
    while (IsBlank(CharCode(*p)))
        ++p;
    bool negative = false;
    if (*p == Ch('-')) {
        negative = true;
        ++p;
    }
    int64_t v = 0;
    int digits = 0;
    while (CharCode(*p) >= '0' && CharCode(*p) <= '9') {
        v = std::min<int64_t>(v * 10 + (CharCode(*p) - '0'), 0x7FFFFFFF);
        ++p;
        ++digits;
    }
    const uint32_t c = CharCode(*p);
    if (digits == 0 || !(c == 0 || IsBlank(c) || c == uint32_t(ender))) return false;
    *value = int32_t(negative ? -v : v);
    return true;
}

// After a value: blanks, then ',' (consumed) or the end. False otherwise.
template <typename Ch> bool NextItem(const Ch*& p) {
    while (IsBlank(CharCode(*p)))
        ++p;
    if (*p == Ch(','))
        ++p;
    else if (*p != 0)
        return false;
    return true;
}

} // namespace

template <typename Ch>
const Ch* DecodeCharList(const Ch* text, Ch terminator, const Ch** end, int32_t* count) {
    using Font = DXLFont<Ch>;
    Ch* out = SharedListBuffer<Ch>();
    int32_t n = 0;
    const int32_t capacity = kDXLCharListSize - 1;
    auto put = [&](uint32_t code) {
        if (code != 0 && code < Font::kCharCount && n < capacity) out[n++] = Ch(code);
    };
    auto isEnd = [&](const Ch* p) { return *p == 0 || (terminator && *p == terminator); };

    static const Ch kEmpty[1] = {0};
    const Ch* p = text ? text : kEmpty;
    while (IsBlank(CharCode(*p)))
        ++p;
    const uint32_t first = CharCode(*p);
    const bool marked = first == '"' || first == '#' || first == '$' || first == '\'';
    bool valid = true;
    if (!marked) {
        // Taken whole, character by character.
        for (; !isEnd(p); ++p)
            put(CharCode(*p));
    } else {
        int64_t codes[2] = {};
        int codeCount = 0;
        bool dash = false;
        auto flush = [&]() -> bool {
            if (dash && codeCount != 2) return false;
            if (codeCount == 1) {
                put(uint32_t(codes[0]));
            } else if (codeCount == 2) {
                const int64_t from = codes[0] < 33 ? 32 : codes[0];
                for (int64_t c = from; c <= codes[1] && c < int64_t(Font::kCharCount); ++c)
                    put(uint32_t(c));
            }
            codeCount = 0;
            dash = false;
            return true;
        };
        while (valid && !isEnd(p)) {
            const uint32_t c = CharCode(*p);
            if (IsBlank(c)) {
                ++p;
            } else if (c == ',') {
                valid = flush();
                ++p;
            } else if (c == '"') {
                if (codeCount != 0 || dash) {
                    valid = false;
                    break;
                }
                ++p;
                while (*p != 0 && *p != Ch('"'))
                    put(CharCode(*p++));
                if (*p != Ch('"')) {
                    valid = false;
                    break;
                }
                ++p;
            } else if (c == '\'') {
                if (codeCount != 0 || dash || p[1] == 0 || p[2] != Ch('\'')) {
                    valid = false;
                    break;
                }
                put(CharCode(p[1]));
                p += 3;
            } else if (c == '#' || c == '$') {
                int64_t code = 0;
                if (codeCount >= 2 || (codeCount == 1 && !dash) || !ReadCode(p, terminator, &code) ||
                    code < 0) {
                    valid = false;
                    break;
                }
                codes[codeCount++] = code;
            } else if (c == '-') {
                if (codeCount != 1 || dash) {
                    valid = false;
                    break;
                }
                dash = true;
                ++p;
            } else {
                valid = false;
            }
        }
        if (valid) valid = flush();
        while (!isEnd(p))
            ++p;
    }
    if (!valid) n = 0;
    out[n] = 0;
    if (end) *end = p;
    if (count) *count = n;
    return out;
}

template <typename Ch> DXLBitmapFont<Ch>::~DXLBitmapFont() {
    if (this->image_) this->image_->RemoveTarget(this);
}

template <typename Ch> void DXLBitmapFont<Ch>::OnNotify(DXLNotifyObject* sender, uint32_t code) {
    if (!sender || sender != this->image_) return;
    if (code == kNotifyDestroyed) this->image_ = nullptr;
    this->Update(nullptr);
}

template <typename Ch> void DXLBitmapFont<Ch>::SetImage(DXLTexture* texture) {
    if (texture == this->image_) return;
    if (this->image_) this->image_->RemoveTarget(this);
    this->image_ = texture;
    if (texture) texture->AddTarget(this);
    this->Update(nullptr);
}

template <typename Ch> void DXLBitmapFont<Ch>::CopyFrom(const Base& other) {
    const auto* bitmap = dynamic_cast<const DXLBitmapFont*>(&other);
    if (!bitmap) return;
    this->BeginUpdate();
    this->Assign(other);
    SetImage(bitmap->GetImage());
    this->SetVSkip(bitmap->GetVSkip());
    this->SetHSkip(bitmap->GetHSkip());
    this->EndUpdate();
}

namespace {

// Walks comma-separated items "characters=value": `apply` reads the value at p,
// moving p past it, and applies it to the listed characters. The walk stops at
// the first item that does not read.
template <typename Ch, typename Apply> void ForEachCharListItem(const Ch* text, Apply apply) {
    const Ch* p = text;
    while (p && *p) {
        const Ch* end = nullptr;
        int32_t count = 0;
        const Ch* list = DecodeCharList(p, Ch('='), &end, &count);
        if (*end != Ch('=')) return;
        p = end + 1;
        if (!apply(p, list, count) || !NextItem(p)) return;
    }
}

} // namespace

template <typename Ch> void DXLBitmapFont<Ch>::ParseCustomWidth(const Ch* text) {
    ForEachCharListItem(text, [this](const Ch*& p, const Ch* list, int32_t count) {
        int32_t width = 0;
        if (!ReadDecimal(p, ',', &width) || width < 0) return false;
        for (int32_t i = 0; i < count; ++i)
            this->SetCellWidth(list[i], width);
        return true;
    });
}

template <typename Ch> void DXLBitmapFont<Ch>::ParseCustomSpaces(const Ch* text) {
    ForEachCharListItem(text, [this](const Ch*& p, const Ch* list, int32_t count) {
        int32_t left = 0, right = 0;
        if (!ReadDecimal(p, ':', &left)) return false;
        while (IsBlank(CharCode(*p)))
            ++p;
        if (*p != Ch(':')) return false;
        ++p;
        if (!ReadDecimal(p, ',', &right)) return false;
        for (int32_t i = 0; i < count; ++i)
            this->SetBearings(list[i], -left, -right);
        return true;
    });
}

template <typename Ch> void DXLBitmapFont<Ch>::FindImage(IniFile* ini, DXLTextures* textures) {
    const std::basic_string<Ch> section = DXLLiteral<Ch>("BitmapFont");
    Ch name[kImageNameSize] = {};
    if (ini->KeyExists(section.c_str(), DXLLiteral<Ch>("ImageName").c_str())) {
        ini->ReadString(section.c_str(), DXLLiteral<Ch>("ImageName").c_str(), nullptr, name, kImageNameSize);
        SetImage(textures->Find(ToWide(name).c_str()));
        return;
    }
    if (!ini->KeyExists(section.c_str(), DXLLiteral<Ch>("ImageFile").c_str())) return;
    ini->ReadString(section.c_str(), DXLLiteral<Ch>("ImageFile").c_str(), nullptr, name, kImageNameSize);
    Ch path[kImageNameSize] = {};
    kis::MakeFullPath(path, kImageNameSize, name, ini->FileName(), static_cast<const Ch*>(nullptr));
    const std::u16string widePath = ToWide(path);
    char16_t lookup[kLookupNameSize] = {};
    kis::ExtractFileName(lookup, kLookupNameSize, widePath.c_str(), false);
    DXLTexture* texture = textures->Find(lookup);
    if (!texture) {
        texture = textures->NewTexture();
        if (!texture) return;
        texture->SetFileName(widePath.c_str(), true);
        texture->SetName(lookup);
        texture->SetRestorable(true);
        texture->SetState(MakeTextureStateUniform(1, 3, 1, 4));
    }
    SetImage(texture);
}

template <typename Ch>
void DXLBitmapFont<Ch>::LoadDescription(IniFile* ini, DXLTextures* textures, bool restore) {
    const std::basic_string<Ch> sectionText = DXLLiteral<Ch>("BitmapFont");
    const Ch* section = sectionText.c_str();
    if (!ini || !ini->SectionExists(section)) return;
    auto key = [](const char* name) { return DXLLiteral<Ch>(name); };
    auto exists = [&](const char* name) { return ini->KeyExists(section, key(name).c_str()); };
    auto integer = [&](const char* name) { return ini->ReadInteger(section, key(name).c_str(), 0); };

    this->BeginUpdate();
    if (textures) FindImage(ini, textures);
    if (restore && this->image_ && !this->image_->IsLive()) this->image_->Restore();

    this->ReadCommonKeys(ini, section);
    this->RemoveGlyphRange(1, Base::kCharCount - 1);

    Ch text[kKeyTextSize] = {};
    uint32_t nextNumber = 0;
    for (int number = 1;; ++number) {
        const std::basic_string<Ch> name = NumberedKey<Ch>("Chars", number);
        if (number > 1 && !ini->KeyExists(section, name.c_str())) break;
        if (number == 1 && !ini->KeyExists(section, name.c_str()))
            continue; // "Chars2" is read even when "Chars" is absent
        ini->ReadString(section, name.c_str(), nullptr, text, kCharsKeySize);
        int32_t count = 0;
        const Ch* list = DecodeCharList<Ch>(text, Ch(0), nullptr, &count);
        // AddGlyphs reads the shared buffer before the next decoding.
        this->AddGlyphs(list, count, nextNumber, true);
        nextNumber += uint32_t(count);
    }

    this->SetEmptyCharWidth(uint8_t(std::clamp(integer("EmptyCharWidth"), 0, 255)));
    this->SetDescent(integer("Descent"));
    this->SetHeight(integer("CharHeight"));
    if (exists("CharWidth")) this->SetAllCellWidths(integer("CharWidth"));
    this->SetSpaceWidth(uint16_t(std::clamp(integer("Space"), 0, 65535)));
    if (exists("Skip")) {
        int32_t h = 0, v = 0;
        ini->ReadValues(section, key("Skip").c_str(), key("i4,i4").c_str(), &h, &v);
        this->SetHSkip(uint8_t(std::clamp(h, 0, 255)));
        this->SetVSkip(uint8_t(std::clamp(v, 0, 255)));
    } else {
        this->SetHSkip(uint8_t(std::clamp(integer("HSkip"), 0, 255)));
        this->SetVSkip(uint8_t(std::clamp(integer("VSkip"), 0, 255)));
    }

    customWidth_ = exists("CustomWidth") ? 1 : 0;
    if (customWidth_) {
        for (int number = 1;
             number == 1 || ini->KeyExists(section, NumberedKey<Ch>("CustomWidth", number).c_str());
             ++number) {
            ini->ReadString(section, NumberedKey<Ch>("CustomWidth", number).c_str(), nullptr, text,
                            kKeyTextSize);
            ParseCustomWidth(text);
        }
    }
    if (exists("CustomSpaces")) {
        for (int number = 1;
             number == 1 || ini->KeyExists(section, NumberedKey<Ch>("CustomSpaces", number).c_str());
             ++number) {
            ini->ReadString(section, NumberedKey<Ch>("CustomSpaces", number).c_str(), nullptr, text,
                            kKeyTextSize);
            ParseCustomSpaces(text);
        }
    }
    this->EndUpdate();
}

template const char16_t* DecodeCharList(const char16_t*, char16_t, const char16_t**, int32_t*);
template const char* DecodeCharList(const char*, char, const char**, int32_t*);
template class DXLBitmapFont<char16_t>;
template class DXLBitmapFont<char>;
