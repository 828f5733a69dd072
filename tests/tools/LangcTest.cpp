#include "foundation/DataFile.h"
#include "foundation/Ident.h"
#include "platform/Utf.h"
#include "tests/support/RunTool.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

namespace {

using Result = testsupport::ToolRun;

// Runs the built langc with the given arguments (none may hold a quote).
Result RunTool(const TempDir& dir, const std::string& args) {
    return testsupport::RunTool(VB_LANGC, dir, args);
}

std::string Q(const std::string& path) {
    return testsupport::Quote(path);
}

const char kFonts[] = "  fonts {\n"
                      "    buttons_font = \"fonts\\\\small.txt\"\n    caption_font = \"fonts\\\\big.txt\"\n"
                      "    main_font = \"fonts\\\\small.txt\"\n    main_big_font = \"fonts\\\\big.txt\"\n"
                      "  }\n";

const std::string kSource = std::string("Language {\n"
                                        "  Ident = en\n  Name = English\n  NF = \"?\"\n") +
                            kFonts +
                            "  buttons {\n    ok = \"OK\"\n    cancel = \"Cancel\"\n  }\n"
                            "  dialogs {\n    quit = \"Quit?\"\n  }\n"
                            "  not_a_game_group {\n    x = y\n  }\n"
                            "}\n";

std::string Cell(const std::string& text) {
    return "<Cell><Data>" + text + "</Data></Cell>";
}
std::string Row(const std::string& a, const std::string& b = "") {
    return "<Row>" + Cell(a) + (b.empty() ? "" : Cell(b)) + "</Row>";
}

const std::string kSheet = "<Workbook><Table>" + Row("Ident", "en") + Row("[buttons]") + Row("ok", "OK") +
                           Row("[fonts]") + Row("buttons_font", "\"fonts\\\\small.txt\"") +
                           Row("caption_font", "\"fonts\\\\big.txt\"") +
                           Row("main_font", "\"fonts\\\\small.txt\"") +
                           Row("main_big_font", "\"fonts\\\\big.txt\"") + "</Table></Workbook>";

// The sample language's fonts beside the test's sources.
void CopyFonts(const TempDir& dir) {
    std::filesystem::copy(std::filesystem::path(VB_LANGUAGE_DIR) / "fonts", dir.Path() / "fonts",
                          std::filesystem::copy_options::recursive);
}

uint32_t Id(const char* name) {
    return kis::NameId(name);
}

// The ids of the root chunks of a compiled language file, or nothing.
std::vector<uint32_t> ChunkIds(const std::string& path) {
    kis::DataFileReaderPtr reader(
        kis::OpenDataFileForRead(platform::Utf8ToUtf16(path).c_str(), 0xA7F17E1D, 13, 1));
    std::vector<uint32_t> ids;
    if (reader)
        for (const auto& entry : reader->GetRoot().entries)
            ids.push_back(entry.id);
    return ids;
}

} // namespace

TEST(Langc, CompilesTextDataAndSpreadsheetSources) {
    TempDir dir;
    CopyFonts(dir);
    ASSERT_TRUE(WriteFileBytes(dir.File("english.txt"), kSource));
    ASSERT_TRUE(WriteFileBytes(dir.File("english.XML"), kSheet));

    Result text = RunTool(dir, Q(dir.File("english.txt")) + " " + Q(dir.File("english.dat")));
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.err, "");
    // params, every text group of the game (29) and "comix", whether the source
    // has them or not, then the game's own five chunks.
    std::vector<uint32_t> ids = ChunkIds(dir.File("english.dat"));
    ASSERT_EQ(ids.size(), 36u);
    EXPECT_EQ(ids[0], 0x7031F10Cu);
    EXPECT_EQ(ids[30], 0xC0000000u | 29);
    EXPECT_EQ(
        std::vector<uint32_t>(ids.begin() + 31, ids.end()),
        (std::vector<uint32_t>{Id("farm_params"), Id("images"), Id("comix_p"), Id("credits"), Id("fonts")}));
    EXPECT_NE(text.out.find("30 groups"), std::string::npos);

    Result sheet = RunTool(dir, Q(dir.File("english.XML")) + " " + Q(dir.File("sheet.dat")));
    EXPECT_EQ(sheet.status, 0) << sheet.err;
    EXPECT_EQ(ChunkIds(dir.File("sheet.dat")).size(), 36u);

    // The fonts of a compiled file keep no image files to be written from.
    Result again = RunTool(dir, Q(dir.File("english.dat")) + " " + Q(dir.File("copy.dat")));
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("compile step 113 failed"), std::string::npos) << again.err;

    // The game's own sample language.
    Result sample =
        RunTool(dir, Q(std::string(VB_LANGUAGE_DIR) + "/english.txt") + " " + Q(dir.File("game.dat")));
    EXPECT_EQ(sample.status, 0) << sample.err;
}

TEST(Langc, FailuresNameTheSourceOrTheStep) {
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.File("english.txt"), kSource));
    ASSERT_TRUE(WriteFileBytes(dir.File("nolanguage.txt"), "Other {\n  a = b\n}\n"));
    ASSERT_TRUE(WriteFileBytes(dir.File("utf32.xml"), std::string("\xFF\xFE\0\0", 4) + kSheet));

    const std::string unreadable[] = {"missing.txt", "nolanguage.txt", "utf32.xml", "missing.dat"};
    for (const std::string& name : unreadable) {
        Result r = RunTool(dir, Q(dir.File(name)) + " " + Q(dir.File("out.dat")));
        EXPECT_EQ(r.status, 3) << name;
        EXPECT_NE(r.err.find("cannot open the language source"), std::string::npos) << r.err;
        EXPECT_EQ(ReadFileBytes(dir.File("out.dat")), "");
    }

    Result noFolder = RunTool(dir, Q(dir.File("english.txt")) + " " + Q(dir.File("no/such/folder/out.dat")));
    EXPECT_EQ(noFolder.status, 1);
    EXPECT_NE(noFolder.err.find("compile step 1 failed: creating the compiled file"), std::string::npos)
        << noFolder.err;

    // Compiling onto the source itself is refused and leaves the source intact.
    Result self = RunTool(dir, Q(dir.File("english.txt")) + " " + Q(dir.File("ENGLISH.txt")));
    EXPECT_EQ(self.status, 1);
    EXPECT_NE(self.err.find("compile step 1 failed"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(dir.File("english.txt")), kSource);

    // Without the big main font.
    std::string noBigFont = kSource;
    noBigFont.erase(noBigFont.find("    main_big_font"),
                    noBigFont.find("  }\n") - noBigFont.find("    main_big_font"));
    ASSERT_TRUE(WriteFileBytes(dir.File("nobig.txt"), noBigFont));
    Result font = RunTool(dir, Q(dir.File("nobig.txt")) + " " + Q(dir.File("out.dat")));
    EXPECT_EQ(font.status, 1);
    EXPECT_NE(font.err.find("compile step 113 failed: writing a font"), std::string::npos) << font.err;

    Result usage = RunTool(dir, Q(dir.File("english.txt")));
    EXPECT_EQ(usage.status, 2);
    EXPECT_NE(usage.err.find("usage: langc SOURCE OUTPUT"), std::string::npos);
}
