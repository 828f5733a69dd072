#include "foundation/IniFile.h"
#include "foundation/NumberText.h"
#include "foundation/Paths.h"
#include "foundation/StrFunctions.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/PrivateProfile.h"

#include <string>
#include <vector>

namespace kis {
namespace {

constexpr uint32_t kListSize = 16384;

// The private-profile calls by character type.
uint32_t ProfileGet(const char16_t* section, const char16_t* key, const char16_t* def, char16_t* buffer,
                    uint32_t size, const char16_t* file) {
    return platform::GetPrivateProfileStringW(section, key, def, buffer, size, file);
}
uint32_t ProfileGet(const char* section, const char* key, const char* def, char* buffer, uint32_t size,
                    const char* file) {
    return platform::GetPrivateProfileStringA(section, key, def, buffer, size, file);
}
bool ProfilePut(const char16_t* section, const char16_t* key, const char16_t* value, const char16_t* file) {
    return platform::WritePrivateProfileStringW(section, key, value, file);
}
bool ProfilePut(const char* section, const char* key, const char* value, const char* file) {
    return platform::WritePrivateProfileStringA(section, key, value, file);
}

std::u16string CurrentFolder(char16_t) {
    return platform::CurrentFolder();
}
std::string CurrentFolder(char) {
    return platform::FromUtf16(platform::CurrentFolder());
}

// Adds each name of a list of terminated names ended by an empty one.
template <typename Ch> void AddNames(StringList<Ch>& list, const Ch* names, uint32_t length) {
    if (length == 0) return;
    for (const Ch* p = names; *p; p += StrLen(p) + 1)
        list.Add(p);
}

} // namespace

template <typename Ch> CustomIniFile<Ch>::CustomIniFile(const Ch* fileName) {
    StrCopy(fileName_, kNameSize, fileName);
    // A drive, a network name or a native absolute path is complete; any other
    // name, one that starts with a single backslash too, is under the current
    // folder.
    const bool network = fileName_[0] == '\\' && fileName_[1] == '\\';
    bool keep = StrIndex(fileName_, Ch(':')) >= 0 || network || fileName_[0] == '/';
    if (keep) return;
    Ch name[kNameSize];
    StrCopy(name, kNameSize, fileName_);
    StrCopy(fileName_, kNameSize, CurrentFolder(Ch()).c_str());
    if (name[0] != '\\') IncludeTrailingBackslash(fileName_, kNameSize);
    StrCat(fileName_, kNameSize, name);
}

template <typename Ch> IniFile<Ch>::~IniFile() {
    Flush();
}

template <typename Ch>
uint32_t IniFile<Ch>::ReadString(const Ch* section, const Ch* key, const Ch* def, Ch* buffer, uint32_t size) {
    return ProfileGet(section, key, def, buffer, size, this->fileName_);
}

template <typename Ch> bool IniFile<Ch>::WriteString(const Ch* section, const Ch* key, const Ch* value) {
    return ProfilePut(section, key, value, this->fileName_);
}

template <typename Ch> void IniFile<Ch>::Flush() {
    ProfilePut(static_cast<const Ch*>(nullptr), nullptr, nullptr, this->fileName_);
}

template <typename Ch> void IniFile<Ch>::ReadKeys(const Ch* section, Strings& list) {
    list.Clear();
    // A null section is the empty name, not the request for the section list.
    const Ch empty[1] = {0};
    std::vector<Ch> names(kListSize);
    AddNames(
        list, names.data(),
        ProfileGet(section ? section : empty, nullptr, nullptr, names.data(), kListSize, this->fileName_));
}

template <typename Ch> void IniFile<Ch>::ReadSections(Strings& list) {
    list.Clear();
    std::vector<Ch> names(kListSize);
    AddNames(list, names.data(),
             ProfileGet(static_cast<const Ch*>(nullptr), nullptr, nullptr, names.data(), kListSize,
                        this->fileName_));
}

template <typename Ch> void IniFile<Ch>::ReadSectionValues(const Ch* section, Strings& list) {
    ReadKeys(section, list);
    const Ch empty[1] = {0};
    const Ch equals[2] = {'=', 0};
    std::vector<Ch> value(kListSize);
    for (int32_t i = 0; i < list.Count(); ++i) {
        ReadString(section, list.GetText(i), empty, value.data(), kListSize);
        list.AppendText(i, equals);
        list.AppendText(i, value.data());
    }
}

template <typename Ch> void IniFile<Ch>::EraseSection(const Ch* section) {
    ProfilePut(section, nullptr, nullptr, this->fileName_);
}

template <typename Ch> void IniFile<Ch>::DeleteKey(const Ch* section, const Ch* key) {
    ProfilePut(section, key, nullptr, this->fileName_);
}

template <typename Ch> void IniFile<Ch>::EraseAll() {
    Strings sections;
    ReadSections(sections);
    for (int32_t i = 0; i < sections.Count(); ++i)
        EraseSection(sections.GetText(i));
}

template <typename Ch> int32_t IniFile<Ch>::ReadInteger(const Ch* section, const Ch* key, int32_t def) {
    Ch text[64];
    const Ch empty[1] = {0};
    ReadString(section, key, empty, text, 64);
    int32_t prefix = 0;
    if (text[0] == '$' || text[0] == '#')
        prefix = 1;
    else if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        prefix = 2;
    if (prefix > 0) return int32_t(HexToIntEx<Ch>(text + prefix, -1, uint32_t(def), false, true, nullptr));
    return StrToInt<Ch>(text, -1, def, nullptr, nullptr);
}

template <typename Ch> void IniFile<Ch>::WriteInteger(const Ch* section, const Ch* key, int32_t value) {
    Ch text[64];
    IntToStr(text, 64, value);
    WriteString(section, key, text);
}

template <typename Ch> bool IniFile<Ch>::KeyExists(const Ch* section, const Ch* key) {
    Strings keys;
    ReadKeys(section, keys);
    return keys.IndexOfTextEx(key, true) >= 0;
}

template <typename Ch> bool IniFile<Ch>::SectionExists(const Ch* section) {
    Strings keys;
    ReadKeys(section, keys);
    return keys.Count() > 0;
}

template class CustomIniFile<char>;
template class CustomIniFile<char16_t>;
template class IniFile<char>;
template class IniFile<char16_t>;

} // namespace kis
