#pragma once
// Typed access to an initialization file (sections of "key=value" lines)
// through the platform's private-profile calls. IniFileW works on UTF-16
// names and texts, IniFileA on 8-bit ones in the active code page; both are
// the one template IniFile over the character type.
//
// No file handle is held between calls and no error is reported: a missing
// file or key reads as the default, a write creates what is missing.

#include "foundation/Strings.h"
#include "foundation/ValueList.h"

#include <cstdint>
#include <vector>

namespace kis {

template <typename Ch> class CustomIniFile {
  public:
    using Strings = StringList<Ch>;
    static constexpr uint32_t kNameSize = 260;

    // The file name, made absolute: a name holding ':', a network name
    // ("\\server\...") and a name rooted at the top of the file system
    // (leading '\' or '/') stay as they are; any other name is put under the
    // current folder. Cut at 259 characters.
    explicit CustomIniFile(const Ch* fileName);
    virtual ~CustomIniFile() = default;
    CustomIniFile(const CustomIniFile&) = delete;
    CustomIniFile& operator=(const CustomIniFile&) = delete;

    // Copies the key's value (or def) into buffer; the characters copied.
    virtual uint32_t ReadString(const Ch* section, const Ch* key, const Ch* def, Ch* buffer,
                                uint32_t size) = 0;
    virtual bool WriteString(const Ch* section, const Ch* key, const Ch* value) = 0;
    virtual void Flush() = 0;
    // Clears the list, then adds every key name of the section.
    virtual void ReadKeys(const Ch* section, Strings& list) = 0;
    // Clears the list, then adds every section name of the file.
    virtual void ReadSections(Strings& list) = 0;
    // ReadKeys, then each item becomes key, "=" and the key's value.
    virtual void ReadSectionValues(const Ch* section, Strings& list) = 0;
    virtual void EraseSection(const Ch* section) = 0;
    virtual void DeleteKey(const Ch* section, const Ch* key) = 0;
    // Erases every section of the file.
    virtual void EraseAll() = 0;

    const Ch* FileName() const { return fileName_; }

  protected:
    Ch fileName_[kNameSize];
};

template <typename Ch> class IniFile : public CustomIniFile<Ch> {
  public:
    using typename CustomIniFile<Ch>::Strings;
    static constexpr uint32_t kValuesSize = 4096;

    explicit IniFile(const Ch* fileName) : CustomIniFile<Ch>(fileName) {}
    // Flushes first.
    ~IniFile() override;

    uint32_t ReadString(const Ch* section, const Ch* key, const Ch* def, Ch* buffer, uint32_t size) override;
    bool WriteString(const Ch* section, const Ch* key, const Ch* value) override;
    void Flush() override;
    void ReadKeys(const Ch* section, Strings& list) override;
    void ReadSections(Strings& list) override;
    void ReadSectionValues(const Ch* section, Strings& list) override;
    void EraseSection(const Ch* section) override;
    void DeleteKey(const Ch* section, const Ch* key) override;
    void EraseAll() override;

    // Decimal, or hexadecimal after "$", "#", "0x" or "0X"; def when the key
    // is absent or its value is not such a number.
    int32_t ReadInteger(const Ch* section, const Ch* key, int32_t def);
    bool ReadBool(const Ch* section, const Ch* key, bool def) { return ReadInteger(section, key, def) != 0; }
    void WriteInteger(const Ch* section, const Ch* key, int32_t value);
    // True when the section has the key (names compare ignoring case).
    bool KeyExists(const Ch* section, const Ch* key);
    // True when the section has at least one key: a section without keys
    // counts as absent.
    bool SectionExists(const Ch* section);

    // Reads the value as comma-separated typed values by format into the
    // targets (see ValueList.h); the number of values stored.
    template <typename... Out>
    int32_t ReadValues(const Ch* section, const Ch* key, const Ch* format, Out&&... outputs) {
        std::vector<Ch> text(kValuesSize);
        ReadString(section, key, nullptr, text.data(), kValuesSize);
        return ScanValues<Ch>(text.data(), format, Ch(','), 0, 1, static_cast<Out&&>(outputs)...);
    }
};

using CustomIniFileW = CustomIniFile<char16_t>;
using CustomIniFileA = CustomIniFile<char>;
using IniFileW = IniFile<char16_t>;
using IniFileA = IniFile<char>;

extern template class CustomIniFile<char>;
extern template class CustomIniFile<char16_t>;
extern template class IniFile<char>;
extern template class IniFile<char16_t>;

} // namespace kis
