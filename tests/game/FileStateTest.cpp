// Every piece of the program's state has one owner: the App, a screen, an
// object main makes. A variable a file keeps at namespace scope (static, in an
// anonymous namespace or plain) is state nobody owns, made before main and torn
// down after it in an order nobody chose; a function's static variable is the
// same state, only made when first asked for. The check reads the source tree
// and fails on each such variable that can change (not const, not constexpr)
// outside a short list whose every entry says why it stays.
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The folders checked: every library of the tree and the program.
const std::vector<std::string> kCheckedFolders = {
    "platform", "foundation", "engine",  "text",     "sprites",   "gui",  "pathfinding", "app",
    "level",    "farm",       "levelui", "frontend", "tutorials", "game", "showcase",    "bot"};

// The variables that stay, as "folder/File.cpp name", each with its reason.
const std::map<std::string, std::string> kAllowed = {
    // The shell: the one way from its free functions to their owner, and a signal's flag.
    {"app/WinMain.cpp g_app", "the running App: the free functions of the shell reach its state through it"},
    {"app/WinMain.cpp g_closeSignal", "set by the close signals' handler, which may set nothing else"},
    // The platform stands for the system below the game: one of each per process.
    {"platform/Random.cpp g_state", "the system's random generator has one state per process"},
    {"platform/Clock.cpp g_virtual", "whether the process's clock is the virtual one, read from any thread"},
    {"platform/Clock.cpp g_virtualNow", "the process's virtual clock, read from any thread"},
    {"platform/CodePage.cpp g_activeCodePage", "the system's active code page, one per process"},
    {"platform/Window.cpp raiseRequested", "set from the single-instance signal handler"},
    {"platform/Files.cpp g_exactFolder", "the per-user folder whose names every file call takes as given"},
    {"platform/GlyphFace.cpp gOpenerLock", "guards the glyph library, one per process"},
    {"platform/GlyphFace.cpp gOpener", "the glyph library's handle, opened once per process"},
    {"platform/Rasterizer.cpp gShortcuts",
     "whether the rasteriser takes its shortcuts, switchable for comparison"},
    {"platform/Rasterizer.cpp gKernelWidth",
     "the widest vector kernels the spans use, switchable for comparison"},
    // The engine, text, sprites and window layers keep the tables the game's
    // interfaces name as process-wide (the system's library handles and
    // counts, the keyboard state, the font and texture slots, the current
    // effect and the window manager); they have not yet moved into an owner.
    {"engine/LoaderState.cpp progressHook", "the loaders' progress hook, set by the loading under way"},
    {"engine/Cursors.cpp g_drawing", "the cursor set hooked into the viewer's frame end"},
    {"engine/HelperLibrary.cpp gLiveFonts",
     "the built-in library's count of live fonts, as the system keeps it"},
    {"engine/InputManager.cpp g_clock", "the input's clock, set through SetInputClock"},
    {"engine/InputManager.cpp g_keyboardState", "the keyboard state read into one buffer and used at once"},
    {"engine/Direct3D.cpp g_factory", "the device factory the system library hands out"},
    {"engine/Direct3D.cpp g_display", "the window the device factory shows on"},
    {"engine/Viewer.cpp g_clock", "the frame limiter's clock, set through DXLViewer::SetFrameClock"},
    {"engine/Viewer.cpp g_libraryHolders", "the helper library's load count, as the system keeps it"},
    {"engine/DirectXVersion.cpp gBuiltInModule", "its address is the built-in library's handle"},
    {"text/TextLayout.cpp tagBuffer", "the text tags' scratch buffer"},
    {"text/TextLayout.cpp reportedTags", "the unknown tags the log has named, once per run"},
    {"text/TextLayout.cpp reportedMissing", "the missing texts the log has named, once per run"},
    {"text/FontSlots.cpp AppFontSlots", "the application's font slots the text layer's interface names"},
    {"text/FontSlots.cpp languageFonts", "the language's font slots"},
    {"text/TextureCollections.cpp collections", "the numbered texture collections the markup names"},
    {"sprites/Sprite.cpp g_libraries", "the sprite libraries installed by the program"},
    {"sprites/SpritePack.cpp g_span", "the share of the progress a sprite pack's loading reports in"},
    {"sprites/GameEffect.cpp g_effect", "the full-screen effect under way"},
    {"sprites/GameEffect.cpp g_starts", "how many effects were started"},
    {"sprites/SpriteHost.cpp g_idleHost", "the host that answers while no program installed its own"},
    {"sprites/SpriteHost.cpp g_host", "the host the program installed"},
    {"gui/Window.cpp g_manager", "the window manager the App installed"},
};

// The functions' static variables that stay, as "folder/File.cpp name", each
// with its reason.
const std::map<std::string, std::string> kAllowedFunctionStatics = {
    // The text layer's buffers and tables, shared by its calls (some hand a
    // buffer out to read until the next call); they have not yet moved into
    // an owner.
    {"text/DXLBitmapFont.cpp buffer", "the character list a bitmap font hands out"},
    {"text/DXLRichText.cpp buffer", "the expansion buffer the rich-text calls share"},
    {"text/KGEFont.cpp cachedPage", "the code page the font's character table was made for"},
    {"text/KGEFont.cpp table", "the font's character table for that code page"},
    {"text/TextLayout.cpp layout", "the layout engine the text calls share"},
    {"text/ObjectRegistry.cpp registry",
     "the watched objects' registry, never destroyed: textures may outlive every static object"},
    {"text/EditField.h clipboard", "the clipboard the application gives the edit fields"},
    // The engine keeps what the system's libraries keep once per process.
    {"engine/Cursors.cpp cursors", "the cursor set the viewer's frame end draws"},
    {"engine/HelperLibrary.cpp table", "the helper library's functions, resolved once per load"},
    {"engine/HelperLibrary.cpp resolvedSerial", "the helper library's load the functions came from"},
    {"engine/HelperLibrary.cpp resolved", "whether the helper library's functions were resolved"},
    {"engine/TextureLoader.cpp buffer", "the texture loaders' shared read buffer"},
    {"engine/ImageReaders.cpp table", "the image formats' readers, one table per process"},
    {"engine/Log.cpp state", "the log, written from start-up to the process's end"},
    {"engine/DirectXVersion.cpp procs", "the built-in library's entry points"},
    {"engine/DirectXVersion.cpp state", "the built-in library's load state"},
};

struct Found {
    std::string key;   // "folder/File.cpp name"
    std::string where; // "folder/File.cpp:line"
};

bool IsSource(const fs::path& path) {
    const std::string ext = path.extension().string();
    return ext == ".h" || ext == ".hpp" || ext == ".cpp" || ext == ".cc" || ext == ".inl";
}

// The text with comments, string and character literals and preprocessor lines
// blanked (newlines kept, so that offsets keep their line numbers).
std::string Blank(const std::string& text) {
    std::string out = text;
    size_t i = 0;
    bool lineStart = true;
    auto blank = [&](size_t from, size_t to) {
        for (size_t k = from; k < to && k < out.size(); ++k)
            if (out[k] != '\n') out[k] = ' ';
    };
    while (i < text.size()) {
        const char c = text[i];
        if (lineStart && c == '#') {
            size_t end = i;
            while (end < text.size() && !(text[end] == '\n' && text[end - 1] != '\\'))
                ++end;
            blank(i, end);
            i = end;
            continue;
        }
        if (c == '\n') {
            lineStart = true;
            ++i;
            continue;
        }
        if (!std::isspace(static_cast<unsigned char>(c))) lineStart = false;
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            const size_t end = text.find('\n', i);
            blank(i, end == std::string::npos ? text.size() : end);
            i = end == std::string::npos ? text.size() : end;
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            const size_t end = text.find("*/", i + 2);
            const size_t stop = end == std::string::npos ? text.size() : end + 2;
            blank(i, stop);
            i = stop;
        } else if (c == 'R' && i + 1 < text.size() && text[i + 1] == '"' &&
                   (i == 0 ||
                    !(std::isalnum(static_cast<unsigned char>(text[i - 1])) || text[i - 1] == '_'))) {
            const size_t open = text.find('(', i);
            const std::string close = ")" + text.substr(i + 2, open - i - 2) + "\"";
            const size_t end = text.find(close, open);
            const size_t stop = end == std::string::npos ? text.size() : end + close.size();
            blank(i + 1, stop);
            i = stop;
        } else if (c == '"' ||
                   (c == '\'' && !(i > 0 && std::isxdigit(static_cast<unsigned char>(text[i - 1]))))) {
            size_t end = i + 1;
            while (end < text.size() && text[end] != c && text[end] != '\n')
                end += text[end] == '\\' ? 2 : 1;
            blank(i + 1, end);
            i = end + 1;
        } else {
            ++i;
        }
    }
    return out;
}

bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (IsWordChar(c)) {
            word += c;
        } else if (!word.empty()) {
            words.push_back(word);
            word.clear();
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

bool HasWord(const std::string& text, const std::string& word) {
    for (const std::string& w : Words(text))
        if (w == word) return true;
    return false;
}

// The first character of the text that is not blank, or 0.
char FirstNonBlank(const std::string& text, size_t from) {
    for (size_t i = from; i < text.size(); ++i)
        if (!std::isspace(static_cast<unsigned char>(text[i]))) return text[i];
    return 0;
}

// The position of the first '(' not inside angle brackets, or npos.
size_t TopLevelParen(const std::string& text) {
    int angles = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '<') ++angles;
        if (text[i] == '>' && angles > 0) --angles;
        if (text[i] == '(' && angles == 0) return i;
    }
    return std::string::npos;
}

// A '(' that opens a declarator of a pointer to a function ("void (*hooks[2])()").
bool OpensPointerDeclarator(const std::string& text, size_t paren) {
    const char next = FirstNonBlank(text, paren + 1);
    return next == '*' || next == '&';
}

// The declaration without a leading template clause ("template <class T>"):
// what follows it is a variable, a function or a type like any other. An
// explicit instantiation ("template class X<int>;") has no clause and stays.
std::string WithoutTemplateClause(const std::string& decl) {
    const std::vector<std::string> words = Words(decl);
    if (words.empty() || words[0] != "template") return decl;
    const size_t open = decl.find_first_not_of(" \t\n", decl.find("template") + 8);
    if (open == std::string::npos || decl[open] != '<') return decl;
    int depth = 0;
    for (size_t i = open; i < decl.size(); ++i) {
        if (decl[i] == '<') ++depth;
        if (decl[i] == '>' && --depth == 0) return decl.substr(i + 1);
    }
    return decl;
}

// The name of the variable a declaration at namespace scope defines, or empty
// when it defines none that can change (a function, a type, a constant, an
// alias, a declaration of something defined elsewhere). The declaration comes
// with every brace's contents taken out.
std::string MutableVariable(std::string decl) {
    decl = WithoutTemplateClause(decl);
    const std::vector<std::string> words = Words(decl);
    if (words.empty()) return {};
    static const std::set<std::string> notVariables = {"using",         "typedef",  "template",
                                                       "static_assert", "friend",   "namespace",
                                                       "extern",        "operator", "concept"};
    for (const std::string& w : words)
        if (notVariables.count(w)) return {};
    if (words[0] == "struct" || words[0] == "class" || words[0] == "union" || words[0] == "enum") {
        // A type's definition; "struct T {...} name;" also defines a variable.
        const size_t body = decl.find("{}");
        if (body == std::string::npos) return {};
        decl = words[0] + " T" + decl.substr(body + 2);
        if (Words(decl).size() < 3) return {};
    }
    if (HasWord(decl, "constexpr")) return {};
    // The declarator ends at the initializer.
    size_t end = decl.size();
    for (const char* stop : {"=", "{}"}) {
        const size_t at = decl.find(stop);
        if (at != std::string::npos && at < end) end = at;
    }
    std::string declarator = decl.substr(0, end);
    const size_t paren = TopLevelParen(declarator);
    std::string name;
    if (paren != std::string::npos) {
        if (!OpensPointerDeclarator(declarator, paren)) return {}; // a function
        const std::vector<std::string> inner = Words(declarator.substr(paren));
        if (inner.empty()) return {};
        name = inner[0];
        const size_t close = declarator.find(')', paren);
        const std::string pointer = declarator.substr(paren, close - paren);
        if (HasWord(pointer, "const")) return {};
        return name;
    }
    // Array bounds are not part of the name.
    const size_t bracket = declarator.find('[');
    if (bracket != std::string::npos) declarator = declarator.substr(0, bracket);
    const std::vector<std::string> parts = Words(declarator);
    if (parts.size() < 2) return {};
    name = parts.back();
    // const applies to the variable unless the variable is a pointer to const
    // data: "const char* p" changes, "const char* const p" does not.
    const size_t star = declarator.find_last_of("*");
    if (star == std::string::npos) {
        if (HasWord(declarator, "const")) return {};
    } else if (HasWord(declarator.substr(star), "const")) {
        return {};
    }
    return name;
}

// The mutable variables a file defines at namespace scope, with their lines.
std::vector<std::pair<std::string, int>> FileScopeVariables(const std::string& source) {
    const std::string text = Blank(source);
    enum class Scope { Namespace, Other };
    std::vector<Scope> scopes; // the braces open at the current point
    std::vector<bool> functionBody;
    std::string decl; // the declaration so far, braces' contents taken out
    int declLine = 0;
    int line = 1;
    std::vector<std::pair<std::string, int>> found;
    auto atNamespaceScope = [&] {
        for (Scope s : scopes)
            if (s != Scope::Namespace) return false;
        return true;
    };
    auto finish = [&] {
        const std::string name = MutableVariable(decl);
        if (!name.empty()) found.emplace_back(name, declLine);
        decl.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') ++line;
        if (!atNamespaceScope()) {
            if (c == '{') {
                scopes.push_back(Scope::Other);
                functionBody.push_back(false);
            } else if (c == '}') {
                scopes.pop_back();
                const bool body = functionBody.back();
                functionBody.pop_back();
                if (atNamespaceScope()) {
                    decl += "{}";
                    // A function's body ends its definition, unless a constructor's
                    // member initialisers go on ("a_{1}, b_{2} {").
                    const char next = FirstNonBlank(text, i + 1);
                    if (body && next != ',' && next != '{') decl.clear();
                }
            }
            continue;
        }
        if (c == '{') {
            const std::string head = WithoutTemplateClause(decl);
            const std::vector<std::string> words = Words(head);
            const bool opensNamespace =
                (!words.empty() && (words[0] == "namespace" ||
                                    (words[0] == "inline" && words.size() > 1 && words[1] == "namespace"))) ||
                (words.size() == 1 && words[0] == "extern");
            if (opensNamespace) {
                scopes.push_back(Scope::Namespace);
                functionBody.push_back(false);
                decl.clear();
                continue;
            }
            const size_t paren = TopLevelParen(head);
            const bool isType = !words.empty() && (words[0] == "struct" || words[0] == "class" ||
                                                   words[0] == "union" || words[0] == "enum");
            const bool isFunction = !isType && head.find('=') == std::string::npos &&
                                    paren != std::string::npos && !OpensPointerDeclarator(head, paren);
            scopes.push_back(Scope::Other);
            functionBody.push_back(isFunction);
            continue;
        }
        if (c == '}') {
            if (!scopes.empty()) scopes.pop_back();
            if (!functionBody.empty()) functionBody.pop_back();
            decl.clear();
            continue;
        }
        if (c == ';') {
            finish();
            continue;
        }
        if (decl.empty() && std::isspace(static_cast<unsigned char>(c))) continue;
        if (decl.empty()) declLine = line;
        decl += c;
    }
    return found;
}

// The words of a statement without a leading template clause or access label.
std::vector<std::string> LeadingWords(const std::string& statement) {
    std::vector<std::string> words = Words(WithoutTemplateClause(statement));
    static const std::set<std::string> labels = {"public", "private", "protected"};
    while (!words.empty() && labels.count(words[0]))
        words.erase(words.begin());
    return words;
}

// The mutable static variables the functions of a file define (a static or
// thread_local local that is not const or constexpr), with their lines.
std::vector<std::pair<std::string, int>> FunctionStatics(const std::string& source) {
    const std::string text = Blank(source);
    enum class Scope { Namespace, Type, Code };
    std::vector<Scope> scopes;
    std::string statement; // since the last ';', '{' or '}'
    int statementLine = 0;
    int line = 1;
    std::vector<std::pair<std::string, int>> found;
    auto inCode = [&] { return !scopes.empty() && scopes.back() == Scope::Code; };
    // A statement in a function that defines a static variable ends at its
    // ';' or at the '{' of its initializer.
    auto check = [&] {
        const std::vector<std::string> words = Words(statement);
        if (inCode() && !words.empty() && (words[0] == "static" || words[0] == "thread_local")) {
            const std::string name = MutableVariable(statement);
            if (!name.empty()) found.emplace_back(name, statementLine);
        }
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') ++line;
        if (c == '{') {
            check();
            Scope scope = Scope::Code;
            if (!inCode()) {
                const std::vector<std::string> words = LeadingWords(statement);
                const std::string first = words.empty() ? "" : words[0];
                const std::string second = words.size() > 1 ? words[1] : "";
                if (first == "namespace" || (first == "inline" && second == "namespace") ||
                    (first == "extern" && words.size() == 1))
                    scope = Scope::Namespace;
                else if (first == "struct" || first == "class" || first == "union" || first == "enum" ||
                         (first == "typedef" &&
                          (second == "struct" || second == "union" || second == "enum")))
                    scope = Scope::Type;
            }
            scopes.push_back(scope);
            statement.clear();
        } else if (c == '}') {
            if (!scopes.empty()) scopes.pop_back();
            statement.clear();
        } else if (c == ';') {
            check();
            statement.clear();
        } else if (!statement.empty() || !std::isspace(static_cast<unsigned char>(c))) {
            if (statement.empty()) statementLine = line;
            statement += c;
        }
    }
    return found;
}

// What a reader of one file finds: each variable's name and line.
using Finder = std::vector<std::pair<std::string, int>> (*)(const std::string& source);

std::vector<Found> CheckTree(const fs::path& root, Finder find) {
    std::vector<Found> found;
    for (const std::string& folder : kCheckedFolders) {
        const fs::path top = root / folder;
        if (!fs::is_directory(top)) continue;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(top)) {
            if (!entry.is_regular_file() || !IsSource(entry.path())) continue;
            std::ifstream file(entry.path(), std::ios::binary);
            std::stringstream bytes;
            bytes << file.rdbuf();
            const std::string relative = fs::relative(entry.path(), root).generic_string();
            for (const auto& [name, line] : find(bytes.str()))
                found.push_back({relative + " " + name, relative + ":" + std::to_string(line) + " " + name});
        }
    }
    return found;
}

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

} // namespace

TEST(FileState, NoFileKeepsStateOutsideTheAllowedFew) {
    struct Check {
        const char* what;
        Finder find;
        const std::map<std::string, std::string>& allowed;
    };
    const Check checks[] = {{"file-scope variables", FileScopeVariables, kAllowed},
                            {"functions' static variables", FunctionStatics, kAllowedFunctionStatics}};
    for (const Check& check : checks) {
        std::vector<std::string> unowned;
        std::set<std::string> seen;
        for (const Found& f : CheckTree(VB_SOURCE_DIR, check.find)) {
            seen.insert(f.key);
            if (!check.allowed.count(f.key)) unowned.push_back(f.where);
        }
        EXPECT_TRUE(unowned.empty()) << check.what << " that can change, owned by nobody:\n" << Join(unowned);
        // An entry whose variable has gone is taken off the list, so that the
        // list stays the list of what is there.
        std::vector<std::string> stale;
        for (const auto& [key, why] : check.allowed)
            if (!seen.count(key)) stale.push_back(key + " (" + why + ")");
        EXPECT_TRUE(stale.empty()) << "allowed " << check.what << " no longer in the tree:\n" << Join(stale);
    }
}

namespace {

// A small file and the names a reader should report in it, in order.
struct Case {
    const char* source;
    std::vector<std::string> names;
};

template <size_t N>
void ExpectReported(std::vector<std::pair<std::string, int>> (*reader)(const std::string&),
                    const Case (&cases)[N]) {
    for (const Case& c : cases) {
        std::vector<std::string> names;
        for (const auto& [name, line] : reader(c.source))
            names.push_back(name);
        EXPECT_EQ(names, c.names) << c.source;
    }
}

} // namespace

// The reader on small files: each case is one file and the variables it should report.
TEST(FileState, TheCheckFindsEveryKindOfMutableFileScopeVariable) {
    const Case cases[] = {
        {"int g_count = 0;\n", {"g_count"}},
        {"static int s_count;\n", {"s_count"}},
        {"namespace {\nstd::unique_ptr<Screen> g_screen;\n}\n", {"g_screen"}},
        {"namespace a::b {\nnamespace {\nstd::vector<int> list{1, 2};\n}\n}\n", {"list"}},
        {"Table g_table = {};\n", {"g_table"}},
        {"Timer g_timer{};\n", {"g_timer"}},
        {"const char* g_name = \"x\";\n", {"g_name"}},
        {"void (*g_hooks[4])() = {};\n", {"g_hooks"}},
        {"Screen* Screen::running = nullptr;\n", {"running"}},
        {"inline thread_local int t_depth = 0;\n", {"t_depth"}},
        {"struct Timer { int ms; } g_timer;\n", {"g_timer"}},
        {"std::map<int, std::pair<int, int>> g_map;\n", {"g_map"}},
        {"volatile std::sig_atomic_t g_signal = 0;\n", {"g_signal"}},
        // Constants, functions, types and declarations are not state.
        {"const int kCount = 3;\nconstexpr int kMore = 4;\nstatic const std::string kName = \"a;b\";\n", {}},
        {"const char* const kNames[] = {\"a\", \"b\"};\n", {}},
        {"void (* const kHook)() = nullptr;\n", {}},
        {"int Count();\nvoid Set(int value) {\n    int local = value;\n    static int calls;\n}\n", {}},
        {"struct Timer {\n    int ms = 0;\n    static int made;\n};\nenum class Kind { A, B };\n", {}},
        {"Screen::Screen() : a_(1), b_{2} {\n    int x = 0;\n}\nint g_after = 1;\n", {"g_after"}},
        {"extern bool Cheats;\nusing Hook = void (*)();\ntypedef int Count;\n", {}},
        {"template <class T> T Twice(T v) {\n    return v + v;\n}\nstatic_assert(sizeof(int) == 4);\n", {}},
        // A template's variables are state like any other; its functions and types are not.
        {"template <typename Ch> Ch Buffers<Ch>::keys[64];\ntemplate <class T> inline T g_slot{};\n",
         {"keys", "g_slot"}},
        {"template <class T, class U = int> T Twice(T v) {\n    return v;\n}\nint g_after = 3;\n",
         {"g_after"}},
        {"template class Table<char>;\ntemplate <> struct Codec<int> {\n    int width;\n};\n", {}},
        {"// int g_commented = 0;\n/* int g_block = 0; */\n#define COUNT 3\n", {}},
        {"const char* Text() {\n    return \"}\";\n}\nint g_after = 2;\n", {"g_after"}},
        {"auto g_sort = [](int a, int b) { return a < b; };\n", {"g_sort"}},
        {"TEST(Suite, Name) {\n    int x = 0;\n}\n", {}},
        {"extern \"C\" void OnSignal(int signal) {\n    g_signal = signal;\n}\n", {}},
        {"extern \"C\" {\nint g_inside = 0;\n}\n", {"g_inside"}},
    };
    ExpectReported(FileScopeVariables, cases);
}

// The functions' reader on small files: each case is one file and the
// static variables of its functions it should report.
TEST(FileState, TheCheckFindsEveryMutableStaticOfAFunction) {
    const Case cases[] = {
        {"Table& GameTable() {\n    static Table table;\n    return table;\n}\n", {"table"}},
        {"namespace {\nSprite* Bullet() {\n    static Sprite* sprite = nullptr;\n    static Library* library "
         "= "
         "nullptr;\n    return sprite;\n}\n}\n",
         {"sprite", "library"}},
        {"void Load() {\n    if (ready) {\n        static std::vector<int> seen{1, 2};\n    }\n}\n",
         {"seen"}},
        {"int Next() {\n    thread_local int depth = 0;\n    return ++depth;\n}\n", {"depth"}},
        {"const char* Name() {\n    static const char* last = \"a\";\n    return last;\n}\n", {"last"}},
        {"void Run() {\n    auto step = [] {\n        static int calls = 0;\n        ++calls;\n    };\n}\n",
         {"calls"}},
        // The functions of a class, in its body and outside it.
        {"class Clip {\n  public:\n    static Clip*& Slot() {\n        static Clip* clip = nullptr;\n"
         "        return clip;\n    }\n};\n",
         {"clip"}},
        {"template <class T> struct Cache {\n    T& Get() {\n        static T value;\n        return "
         "value;\n    "
         "}\n};\n",
         {"value"}},
        {"void Screen::Draw() const {\n    static DXLRect rect{0, 0, 1, 1};\n}\n", {"rect"}},
        // Constants, members, file-scope variables and what only looks like a declaration are not.
        {"void Draw() {\n    static const std::string kName = \"a\";\n    static constexpr int kCount = 3;\n"
         "    static const char* const kNames[] = {\"a\"};\n    static const Catalog catalog;\n}\n",
         {}},
        {"struct Timer {\n    static int made;\n    static constexpr int kMs = 4;\n    static Timer* "
         "Make();\n};\n",
         {}},
        {"static int s_count = 0;\nnamespace {\nstatic Table g_table;\n}\n", {}},
        {"void Cast(int v) {\n    auto x = static_cast<long>(v);\n    static_assert(sizeof(int) == 4);\n}\n",
         {}},
        {"void Local() {\n    struct Helper {\n        static int Twice(int v) { return v + v; }\n    "
         "};\n}\n",
         {}},
        {"// static int g_commented = 0;\nvoid F() {\n    /* static int g_block; */\n}\n", {}},
        {"extern \"C\" {\nvoid OnSignal(int) {\n    static int signals = 0;\n}\n}\n", {"signals"}},
    };
    ExpectReported(FunctionStatics, cases);
}

TEST(FileState, AVariableAddedToAFileOfTheTreeIsFoundWithItsLine) {
    testsupport::TempDir dir;
    fs::create_directories(dir.Path() / "app" / "deep");
    std::ofstream(dir.Path() / "app" / "deep" / "Shell.cpp")
        << "#include \"app/Shell.h\"\n\nnamespace {\n\nint g_frames = 0;\n\n} // namespace\n";
    std::ofstream(dir.Path() / "app" / "Notes.md") << "int g_notCode = 0;\n";
    fs::create_directories(dir.Path() / "tests");
    std::ofstream(dir.Path() / "tests" / "ShellTest.cpp") << "int g_testState = 0;\n";
    const std::vector<Found> found = CheckTree(dir.Path(), FileScopeVariables);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].key, "app/deep/Shell.cpp g_frames");
    EXPECT_EQ(found[0].where, "app/deep/Shell.cpp:5 g_frames");

    // A function's static in a header of the tree, and none in the file above.
    std::ofstream(dir.Path() / "app" / "Slots.h")
        << "#pragma once\n\ninline int& FrameSlot() {\n    static int frames = 0;\n    return frames;\n}\n";
    std::ofstream(dir.Path() / "tests" / "SlotTest.cpp") << "void F() {\n    static int testState;\n}\n";
    const std::vector<Found> statics = CheckTree(dir.Path(), FunctionStatics);
    ASSERT_EQ(statics.size(), 1u);
    EXPECT_EQ(statics[0].key, "app/Slots.h frames");
    EXPECT_EQ(statics[0].where, "app/Slots.h:4 frames");
}
