#include "foundation/Paths.h"
#include "foundation/StrFunctions.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

#include <string>
#include <string_view>

namespace kis {
namespace {

template <typename Ch> using String = std::basic_string<Ch>;
template <typename Ch> using View = std::basic_string_view<Ch>;

template <typename Ch> View<Ch> ViewOf(const Ch* text) {
    return text ? View<Ch>(text, size_t(StrLen(text))) : View<Ch>();
}

template <typename Ch> bool IsSeparator(Ch c) {
    return c == '\\' || c == ':';
}

template <typename Ch> Ch* Put(Ch* buffer, uint32_t size, const String<Ch>& text) {
    return StrCopy(buffer, size, text.c_str());
}

// Length of the root of path: "X:" for a drive, "\\server\share" for a network
// root, 0 when there is none. False for a network root whose server name has
// fewer than two characters.
template <typename Ch> bool RootLength(View<Ch> path, size_t& length) {
    length = 0;
    if (path.size() >= 2 && path[1] == ':') {
        Ch d = path[0];
        if ((d >= 'A' && d <= 'Z') || (d >= 'a' && d <= 'z')) length = 2;
        return true;
    }
    if (path.size() < 2 || path[0] != '\\' || path[1] != '\\') return true;
    size_t serverEnd = path.find(Ch('\\'), 2);
    if (serverEnd == View<Ch>::npos) serverEnd = path.size();
    if (serverEnd - 2 < 2) return false;
    size_t shareEnd = serverEnd < path.size() ? path.find(Ch('\\'), serverEnd + 1) : path.size();
    length = shareEnd == View<Ch>::npos ? path.size() : shareEnd;
    return true;
}

// Cuts the last component, keeping at least the root.
template <typename Ch> void DropLast(String<Ch>& out, size_t root) {
    size_t cut = out.find_last_of(Ch('\\'));
    if (cut == String<Ch>::npos || cut < root) cut = root;
    out.resize(cut);
}

// Appends the components of a path; false as soon as one does not fit into
// `size` characters with the terminator.
template <typename Ch> bool AppendComponents(String<Ch>& out, size_t root, View<Ch> path, size_t size) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(Ch('\\'), start);
        if (end == View<Ch>::npos) end = path.size();
        View<Ch> part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty() || (part.size() == 1 && part[0] == '.')) continue;
        if (part.size() == 2 && part[0] == '.' && part[1] == '.') {
            DropLast(out, root);
            continue;
        }
        if (!out.empty() && out.back() != '\\') out += Ch('\\');
        out += part;
        if (out.size() + 1 > size) return false;
    }
    return true;
}

} // namespace

template <typename Ch> const Ch* ExtractFileExt(const Ch* path, bool withDot) {
    if (!path) return nullptr;
    const Ch* dot = nullptr;
    for (const Ch* p = path; *p; ++p) {
        if (*p == '.')
            dot = p;
        else if (IsSeparator(*p))
            dot = nullptr;
    }
    if (!dot) return nullptr;
    return withDot ? dot : dot + 1;
}

template <typename Ch> bool HasFileExt(const Ch* path, const Ch* extension) {
    const Ch* ext = ExtractFileExt(path, false);
    return ext != nullptr && StrICompare(ext, extension) == 0;
}

template <typename Ch> Ch* ExtractFileName(Ch* buffer, uint32_t size, const Ch* path, bool keepExtension) {
    View<Ch> text = ViewOf(path);
    size_t cut = text.find_last_of(View<Ch>(String<Ch>{Ch('\\'), Ch(':')}));
    size_t start = cut == View<Ch>::npos ? 0 : cut + 1;
    View<Ch> name = text.substr(start);
    if (!keepExtension) {
        if (const Ch* ext = ExtractFileExt(path, true)) name = name.substr(0, size_t(ext - path) - start);
    }
    return Put(buffer, size, String<Ch>(name));
}

template <typename Ch> Ch* ExtractFilePath(Ch* buffer, uint32_t size, const Ch* path) {
    View<Ch> text = ViewOf(path);
    size_t cut = text.find_last_of(View<Ch>(String<Ch>{Ch('\\'), Ch(':')}));
    return Put(buffer, size, cut == View<Ch>::npos ? String<Ch>() : String<Ch>(text.substr(0, cut + 1)));
}

template <typename Ch> Ch* RemoveFileExt(Ch* path, bool all) {
    while (const Ch* dot = ExtractFileExt(path, true)) {
        path[dot - path] = 0;
        if (!all) break;
    }
    return path;
}

template <typename Ch> Ch* IncludeTrailingBackslash(Ch* path, uint32_t size) {
    if (!path) return path;
    int32_t length = StrLen(path);
    if (length == 0 || path[length - 1] == '\\' || uint32_t(length) + 2 > size) return path;
    path[length] = '\\';
    path[length + 1] = 0;
    return path;
}

template <typename Ch> Ch* ExcludeTrailingBackslash(Ch* path) {
    int32_t length = StrLen(path);
    if (length > 0 && path[length - 1] == '\\') path[length - 1] = 0;
    return path;
}

template <typename Ch>
Ch* MakeFullPath(Ch* buffer, uint32_t size, const Ch* name, const Ch* base, const Ch* extension) {
    View<Ch> nameText = ViewOf(name);
    String<Ch> result;
    bool rooted = nameText.find(Ch(':')) != View<Ch>::npos ||
                  (nameText.size() >= 2 && nameText[0] == '\\' && nameText[1] == '\\');
    if (rooted || !base || !base[0]) {
        result = nameText;
        return Put(buffer, size, result);
    }
    View<Ch> baseText = ViewOf(base);
    size_t cut = baseText.find_last_of(View<Ch>(String<Ch>{Ch('\\'), Ch(':')}));
    if (cut != View<Ch>::npos) result = baseText.substr(0, cut + 1);
    if (!nameText.empty() && nameText[0] == '\\' && !result.empty() && result.back() == '\\')
        result.pop_back();
    result += nameText;
    result += ViewOf(extension);
    return Put(buffer, size, result);
}

template <typename Ch>
bool CombinePath(Ch* buffer, uint32_t size, const Ch* base, const Ch* relative, bool baseIsFile) {
    if (!buffer || size == 0) return false;
    // Copies first: buffer may be the memory of either input.
    const String<Ch> baseText(ViewOf(base));
    const String<Ch> relativeText(ViewOf(relative));

    auto fail = [&] {
        buffer[0] = 0;
        return false;
    };
    size_t relativeRoot = 0;
    size_t baseRoot = 0;
    if (!RootLength<Ch>(relativeText, relativeRoot)) return fail();

    // Every root and component must fit when it is written, even one that a
    // later ".." or the dropped file name takes away again.
    String<Ch> out;
    size_t root = 0;
    if (relativeRoot > 0) {
        out = relativeText.substr(0, relativeRoot);
        root = relativeRoot;
        if (out.size() + 1 > size ||
            !AppendComponents<Ch>(out, root, View<Ch>(relativeText).substr(relativeRoot), size))
            return fail();
    } else {
        if (!RootLength<Ch>(baseText, baseRoot)) return fail();
        out = baseText.substr(0, baseRoot);
        // A path that begins with a single '\' starts at the top of its
        // drive (on this system, of the file system): that '\' is its root.
        if (baseRoot == 0 && !baseText.empty() && baseText[0] == '\\') out = String<Ch>(1, Ch('\\'));
        root = out.size();
        if (out.size() + 1 > size ||
            !AppendComponents<Ch>(out, root, View<Ch>(baseText).substr(baseRoot), size))
            return fail();
        if (baseIsFile) DropLast(out, root);
        if (out.empty() && !relativeText.empty() && relativeText[0] == '\\') {
            out = String<Ch>(1, Ch('\\'));
            root = 1;
        }
        if (!AppendComponents<Ch>(out, root, relativeText, size)) return fail();
    }
    if (out.size() + 1 > size) return fail();
    Put(buffer, size, out);
    return true;
}

char16_t* GetModuleDirW(char16_t* buffer, uint32_t size) {
    std::u16string folder = platform::ModuleFolder();
    folder += u'\\';
    return StrCopy(buffer, size, folder.c_str());
}

char* GetModuleDirA(char* buffer, uint32_t size) {
    std::u16string folder = platform::ModuleFolder();
    folder += u'\\';
    return StrCopy(buffer, size, platform::FromUtf16(folder).c_str());
}

bool FileExistsW(const char16_t* path) {
    return path && path[0] && platform::FileExists(platform::GamePath(path));
}

#define KIS_PATHS(Ch)                                                                                        \
    template const Ch* ExtractFileExt(const Ch*, bool);                                                      \
    template bool HasFileExt(const Ch*, const Ch*);                                                          \
    template Ch* ExtractFileName(Ch*, uint32_t, const Ch*, bool);                                            \
    template Ch* ExtractFilePath(Ch*, uint32_t, const Ch*);                                                  \
    template Ch* RemoveFileExt(Ch*, bool);                                                                   \
    template Ch* IncludeTrailingBackslash(Ch*, uint32_t);                                                    \
    template Ch* ExcludeTrailingBackslash(Ch*);                                                              \
    template Ch* MakeFullPath(Ch*, uint32_t, const Ch*, const Ch*, const Ch*);                               \
    template bool CombinePath(Ch*, uint32_t, const Ch*, const Ch*, bool);
KIS_PATHS(char)
KIS_PATHS(char16_t)
#undef KIS_PATHS

} // namespace kis
