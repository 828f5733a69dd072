#include "tools/langc/LangCompiler.h"

#include "foundation/DataFile.h"
#include "platform/Utf.h"
#include "text/GameLanguage.h"
#include "text/LanguageSource.h"

#include <memory>

namespace langc {
namespace {

bool SourceOpens(DXLLanguage& language) {
    const char16_t* path = language.GetPath();
    if (path[0] == 0) return false;
    if (IsCompiledLanguagePath(path)) {
        kis::DataFileReaderW* reader = kis::OpenDataFileForRead(
            path, kLanguageFileTypeId, kLanguageFileTypeVersion, kLanguageFileDataVersion);
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
    // No viewer: images and fonts are read from their files when written.
    GameLanguage language(platform::Utf8ToUtf16(args[0]).c_str(), nullptr);
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
