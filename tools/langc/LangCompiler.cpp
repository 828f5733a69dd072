#include "tools/langc/LangCompiler.h"

#include "foundation/DataFile.h"
#include "platform/Utf.h"
#include "text/Language.h"
#include "text/LanguageSource.h"

#include <memory>

namespace langc {
namespace {

// The text groups the game reads, in the order it imports them.
const char16_t* const kTextGroups[] = {
    u"loading",          u"buildings",       u"plants",           u"products",
    u"awards",           u"buttons",         u"bonuses",          u"dialogs",
    u"messages",         u"main_screen",     u"menu_window",      u"options_window",
    u"map_interface",    u"level_interface", u"profiles_window",  u"level_window",
    u"level_result_window", u"warehouse_window", u"awards_window", u"profile_errors",
    u"levels",           u"tutorial",        u"info_panel",       u"bonuses_window",
    u"regimes",          u"comix_window",    u"tasks",            u"credits_window",
    u"video_options_window",
};

// The language as far as its texts go: header, fallback and text groups.
class TextLanguage : public DXLLanguage {
public:
    explicit TextLanguage(const std::u16string& path) { Open(path.c_str()); }
    ~TextLanguage() override {
        while (GetLoadCount() != 0)
            Release();
    }
    DXLLngFile* CreateLngFile(const char16_t* path) override { return CreateLngFileForPath(path); }
    void Import(DXLLngFile& source) override {
        for (const char16_t* name : kTextGroups)
            ImportGroup(source, name);
    }
    void ReadCompiled(kis::DataFileReaderW&) override {}
};

bool SourceOpens(DXLLanguage& language) {
    const char16_t* path = language.GetPath();
    if (path[0] == 0)
        return false;
    if (IsCompiledLanguagePath(path)) {
        kis::DataFileReaderW* reader =
            kis::OpenDataFileForRead(path, DXLLanguage::kTypeId, DXLLanguage::kTypeVersion, DXLLanguage::kDataVersion);
        return kis::CloseDataFile(reader);
    }
    std::unique_ptr<DXLLngFile> source(language.CreateLngFile(path));
    return source != nullptr && source->IsOpened();
}

} // namespace

int Run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    if (args.size() != 2 || args[0].empty() || args[1].empty()) {
        std::fprintf(err, "usage: langc SOURCE OUTPUT\n"
                          "  SOURCE  language source: text-data document, or spreadsheet XML (.xml)\n"
                          "  OUTPUT  compiled language file to write\n");
        return kBadUsage;
    }
    TextLanguage language(platform::Utf8ToUtf16(args[0]));
    if (!SourceOpens(language)) {
        std::fprintf(err, "langc: cannot open the language source %s\n", args[0].c_str());
        return kSourceUnreadable;
    }
    int code = language.Compile(platform::Utf8ToUtf16(args[1]).c_str());
    if (code != DXLLanguage::kCompileOk) {
        std::fprintf(err, "langc: compile step %d failed: %s\n", code, DXLLanguage::StepName(code));
        return kCompileFailed;
    }
    language.Load();
    std::fprintf(out, "%s: %u groups -> %s\n", args[0].c_str(), language.GetGroupCount(), args[1].c_str());
    language.Release();
    return kDone;
}

} // namespace langc
