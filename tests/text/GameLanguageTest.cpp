#include "text/GameLanguage.h"

#include "engine/Log.h"
#include "engine/Texture.h"
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "foundation/Ident.h"
#include "platform/Random.h"
#include "platform/Utf.h"
#include "tests/engine/TextureTestSupport.h"
#include "tests/support/Damage.h"
#include "tests/support/DataChunks.h"
#include "tests/support/Pattern.h"
#include "tests/support/TempDir.h"
#include "text/FontSlots.h"
#include "text/KGEFont.h"
#include "text/LanguageSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;
using texturetest::TestViewer;

namespace {

std::u16string U(const std::string& s) {
    return platform::Utf8ToUtf16(s);
}
std::string A(const char16_t* s) {
    return s ? platform::Utf16ToUtf8(s) : std::string("(null)");
}

const std::string kContent = VB_LANGUAGE_DIR;

uint32_t Id(const char16_t* name) {
    return kis::NameId(name);
}

// A folder with the sample language's fonts and images, where the test
// sources are written.
class GameLanguageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        fs::copy(fs::path(kContent) / "fonts", dir.Path() / "fonts", fs::copy_options::recursive);
        fs::copy(fs::path(kContent) / "images", dir.Path() / "images", fs::copy_options::recursive);
        ASSERT_TRUE(viewer.Open());
    }

    std::unique_ptr<GameLanguage> Make(const std::string& path, DXLViewer* withViewer) {
        return std::make_unique<GameLanguage>(U(path).c_str(), withViewer);
    }
    // A source of the given body (inside "Language"), with a header.
    std::string Source(const std::string& name, const std::string& body) {
        std::string path = dir.File(name);
        EXPECT_TRUE(WriteFileBytes(path, "Language {\n Ident = test\n Name = \"Test\"\n NF = \"[nf]\"\n" +
                                             body + "}\n"));
        return path;
    }

    TempDir dir;
    TestViewer viewer;
};

const std::string kFonts = " fonts {\n"
                           "  buttons_font = \"fonts\\\\small.txt\"\n"
                           "  caption_font = \"fonts\\\\big.txt\"\n"
                           "  main_font = \"fonts\\\\small.txt\"\n"
                           "  main_big_font = \"fonts\\\\big.txt\"\n"
                           " }\n";

std::vector<std::string> CreditLines(const GameLanguage& language) {
    std::vector<std::string> lines;
    for (uint32_t i = 0; i < language.GetCreditsCount(); ++i) {
        const GameCreditsRecord* r = language.GetCredits(i);
        lines.push_back(r->kind == GameCreditsRecord::kLine ? "line:" + A(r->Text()) : "image");
    }
    return lines;
}

// The root chunk ids of a compiled file in file order.
std::vector<uint32_t> ChunkIds(const std::string& path) {
    kis::DataFileReaderPtr reader(kis::OpenDataFileForRead(U(path).c_str(), 0xA7F17E1D, 13, 1));
    std::vector<uint32_t> ids;
    if (reader)
        for (const auto& entry : reader->GetRoot().entries)
            ids.push_back(entry.id);
    return ids;
}

// Copies a compiled file chunk by chunk; the edit may change a chunk's bytes
// or drop the chunk (false).
bool Rewrite(const std::string& from, const std::string& to,
             const std::function<bool(uint32_t, std::vector<uint8_t>&)>& edit) {
    kis::DataFileReaderPtr reader(kis::OpenDataFileForRead(U(from).c_str(), 0xA7F17E1D, 13, 1));
    kis::DataFileWriterW* writer = kis::OpenDataFileForWrite(U(to).c_str(), 0xA7F17E1D, 13, 1, false);
    if (!reader || !writer) {
        kis::CloseDataFile(writer);
        return false;
    }
    for (const kis::DataFileEntry& entry : reader->GetRoot().entries) {
        std::vector<uint8_t> bytes(entry.size);
        if (!reader->OpenChunkEntry(&entry) || (entry.size && !reader->Read(bytes.data(), entry.size)) ||
            !reader->CloseChunk()) {
            kis::CloseDataFile(writer);
            return false;
        }
        if (!edit(entry.id, bytes)) continue;
        if (!writer->BeginChunk(entry.id, entry.subId) ||
            (!bytes.empty() && !writer->Write(bytes.data(), uint32_t(bytes.size()))) || !writer->EndChunk()) {
            kis::CloseDataFile(writer);
            return false;
        }
    }
    return kis::CloseDataFile(writer);
}

} // namespace

TEST_F(GameLanguageTest, SampleLanguageLoadsFromItsSourceAndFromItsCompiledFile) {
    auto check = [&](GameLanguage& language, const char* form) {
        SCOPED_TRACE(form);
        ASSERT_TRUE(language.Load());
        EXPECT_EQ(A(language.GetWindowTitle()), "Verbolunde");
        // The source is UTF-8: the accented letters of names come through whole.
        EXPECT_EQ(std::u16string(language.GetProfileChars()),
                  u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 -'"
                  u"ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞßàáâãäåæçèéêëìíîïðñòóôõöøùúûüýþÿ");
        EXPECT_EQ(language.GetProfileCharsLength(), 127u);
        EXPECT_EQ(A(language.GetText(u"loading", u"caption", true)), "Loading...");
        EXPECT_EQ(A(language.GetText(u"main_screen", u"welcom", true)),
                  "Welcome, [PROFILE N]!\nClick here to change player");
        EXPECT_EQ(A(language.GetIndexedText(u"products", u"pie", 1, true)), "pies");
        for (const char16_t* group : {u"video_options_window", u"comix_window", u"bonuses", u"comix"})
            EXPECT_NE(language.FindGroup(group), nullptr) << A(group);

        // Images are live on the viewer; the logo record holds the "logo" image.
        DXLTexture* logo = language.GetImage(u"logo");
        ASSERT_NE(logo, nullptr);
        EXPECT_TRUE(logo->IsLive());
        EXPECT_EQ(logo->GetWidth(), 256);
        EXPECT_EQ(language.GetLogo().texture, logo);
        EXPECT_EQ(language.GetLogo().x, -40);
        EXPECT_EQ(language.GetLogo().y, 12);
        ASSERT_NE(language.GetImage(u"loading_logo"), nullptr);
        EXPECT_TRUE(language.GetImage(u"loading_logo")->IsLive());

        // Four built fonts, published as fonts 1 to 4.
        for (int i = 0; i < GameLanguage::kFontCount; ++i) {
            KGEFont* font = language.GetInterfaceFont(i);
            ASSERT_NE(font, nullptr) << i;
            EXPECT_TRUE(font->IsBuilt()) << i;
            EXPECT_EQ(GetFont(i + 1), font) << i;
            EXPECT_NE(font->FindGlyph(u'A'), nullptr);
        }
        EXPECT_EQ(language.GetInterfaceFont(GameLanguage::kMainBigFont)->GetHeight(), 20);
        EXPECT_EQ(language.GetInterfaceFont(GameLanguage::kMainFont)->GetHeight(), 15);

        // Comic captions with their places: the story's three intro captions and five later ones.
        ASSERT_EQ(language.GetComixCount(), 8u);
        const GameComixItem* intro = language.FindComixItem(u"INTRO_2");
        EXPECT_EQ(A(intro->entry->Text(0)), "Time to make it bloom again!");
        EXPECT_EQ(intro->x, 420);
        EXPECT_EQ(intro->y, 300);
        EXPECT_EQ(intro->scale, 1.0f);

        EXPECT_EQ(CreditLines(language), (std::vector<std::string>{"image",
                                                                   "line:Verbolunde",
                                                                   "line:",
                                                                   "line:A farm of your own",
                                                                   "line:",
                                                                   "line:Thank you for playing!",
                                                                   "line:",
                                                                   "line:Design",
                                                                   "line:The Verbolunde team",
                                                                   "line:",
                                                                   "line:Art",
                                                                   "line:Drawn in SVG",
                                                                   "line:",
                                                                   "line:Music",
                                                                   "line:A little tune in C",
                                                                   "line:",
                                                                   "line:Testing",
                                                                   "line:Many headless runs",
                                                                   "line:",
                                                                   "line:Made on Linux"}));
        ASSERT_NE(language.GetCredits(0)->texture, nullptr);
        EXPECT_TRUE(language.GetCredits(0)->texture->IsLive());
        EXPECT_EQ(language.GetCredits(0)->size, 16u);
        EXPECT_EQ(language.GetCredits(1)->size, 14u + 2 * 10);
        EXPECT_EQ(language.GetCredits(2)->size, 16u);
    };

    auto source = Make(kContent + "/english.txt", &viewer);
    check(*source, "source");
    const std::string compiled = dir.File("english.dat");
    ASSERT_EQ(source->Compile(U(compiled).c_str()), 0);
    source.reset();
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(GetFont(i), nullptr) << "a deleted language leaves no font behind";

    // Groups, then the game's chunks in their order.
    std::vector<uint32_t> ids = ChunkIds(compiled);
    ASSERT_EQ(ids.size(), 1u + 30 + 5);
    EXPECT_EQ(std::vector<uint32_t>(ids.end() - 5, ids.end()),
              (std::vector<uint32_t>{Id(u"farm_params"), Id(u"images"), Id(u"comix_p"), Id(u"credits"),
                                     Id(u"fonts")}));

    auto reloaded = Make(compiled, &viewer);
    check(*reloaded, "compiled");
    EXPECT_NE(reloaded->GetImage(u"font_image"), nullptr) << "the glyph images are named after their use";

    // The file the build compiled is the same language.
    auto built = Make(VB_BUILT_LANGUAGE, &viewer);
    check(*built, "built");
}

TEST_F(GameLanguageTest, UnloadingFreesTheAssetsButKeepsTitleAndLogoPlace) {
    auto language = Make(kContent + "/english.txt", &viewer);
    ASSERT_TRUE(language->Load());
    ASSERT_NE(language->GetLogo().texture, nullptr);
    language->Release();
    EXPECT_EQ(language->GetLogo().texture, nullptr) << "the logo's texture went with the images";
    EXPECT_EQ(language->GetLogo().x, -40);
    EXPECT_EQ(A(language->GetWindowTitle()), "Verbolunde");
    EXPECT_EQ(language->GetProfileChars(), nullptr);
    EXPECT_EQ(language->GetInterfaceFont(0), nullptr);
    EXPECT_EQ(GetFont(1), nullptr);
    EXPECT_EQ(language->GetComixCount(), 0u);
    EXPECT_EQ(language->GetCreditsCount(), 0u);
    EXPECT_EQ(language->FindComixItem(u"intro_1")->entry, nullptr);
    // Loading again reads everything again.
    ASSERT_TRUE(language->Load());
    EXPECT_EQ(language->GetLogo().texture, language->GetImage(u"logo"));
    EXPECT_EQ(language->GetComixCount(), 8u);
    // The language's extension hook has nothing to do: what is loaded stays.
    static_cast<DXLLanguage&>(*language).Hook();
    EXPECT_EQ(language->GetLoadCount(), 1u);
    EXPECT_EQ(language->GetLogo().texture, language->GetImage(u"logo"));
    EXPECT_EQ(language->GetComixCount(), 8u);
}

// Every building type, plant and product of the farm tables has its name in
// the group the build menus, panels and text tags take it from (forms: one,
// many), so that none shows the missing-text marker.
TEST_F(GameLanguageTest, EveryFarmThingHasItsNameInItsGroup) {
    auto language = Make(kContent + "/english.txt", nullptr);
    ASSERT_TRUE(language->Load());
    struct Table {
        const char* file;
        const char* block; // the opening line of one record
        const char16_t* group;
    };
    const Table tables[] = {{"buildings.txt", "type {", u"buildings"},
                            {"plants.txt", "plant {", u"plants"},
                            {"products.txt", "product {", u"products"}};
    for (const Table& table : tables) {
        SCOPED_TRACE(table.file);
        const std::string source = ReadFileBytes(kContent + "/../farm/" + table.file);
        ASSERT_FALSE(source.empty());
        size_t records = 0;
        for (size_t at = source.find(std::string("\n") + table.block); at != std::string::npos;
             at = source.find(std::string("\n") + table.block, at + 1)) {
            const size_t name = source.find("name = ", at);
            ASSERT_NE(name, std::string::npos);
            const size_t end = source.find_first_of("\r\n", name);
            const std::string key = source.substr(name + 7, end - name - 7);
            ++records;
            const std::u16string wide = U(key);
            EXPECT_NE(language->GetIndexedText(table.group, wide.c_str(), 0, false), nullptr) << key;
            EXPECT_NE(language->GetIndexedText(table.group, wide.c_str(), 1, false), nullptr)
                << key << ": the name for many";
        }
        EXPECT_GE(records, 2u) << "the table's records were found";
    }
    // A new bonus's tutorial box names it as the bonuses window does.
    const std::string bonuses = ReadFileBytes(kContent + "/../farm/bonuses.txt");
    for (size_t at = bonuses.find("name = "); at != std::string::npos; at = bonuses.find("name = ", at + 1)) {
        const std::u16string name = U(bonuses.substr(at + 7, bonuses.find_first_of("\r\n", at) - at - 7));
        const std::u16string box = language->GetText(u"tutorial", (u"map_bonus_" + name).c_str(), true);
        EXPECT_NE(box.find(language->GetText(u"bonuses", (name + u"_title").c_str(), true)),
                  std::u16string::npos);
    }
}

// A count tag stands right before a thing's name for many ("Gather 4 sacks
// of flour"): an "of" between them reads "4 of sacks of flour".
TEST_F(GameLanguageTest, ACountReadsStraightIntoTheNameForMany) {
    const std::string source = ReadFileBytes(kContent + "/english.txt");
    ASSERT_FALSE(source.empty());
    const testsupport::Pattern countOfMany(R"(\[[A-Za-z]+( [A-Za-z0-9]+)*\] of \[[A-Za-z]+ N 1\])");
    const testsupport::Pattern countThenMany(R"(\[[A-Za-z]+( [A-Za-z0-9]+)*\] \[[A-Za-z]+ N 1\])");
    size_t counts = 0, line = 0;
    for (size_t at = 0; at < source.size(); ++line) {
        const size_t end = std::min(source.find('\n', at), source.size());
        const std::string text = source.substr(at, end - at);
        EXPECT_FALSE(countOfMany.Search(text)) << "line " << line + 1 << ": " << text;
        counts += countThenMany.Search(text) ? 1 : 0;
        at = end + 1;
    }
    EXPECT_GE(counts, 5u) << "the goals' hints and the tutorial's texts count their things";
}

TEST_F(GameLanguageTest, SourceKeysAndSectionsAsTheScreensSeeThem) {
    const std::string path = Source("edge.txt", " images {\n"
                                                "  logo = \"images\\\\logo.png\", 5\n"
                                                " }\n"
                                                " fonts {\n"
                                                "  buttons_font = \"fonts\\\\small.txt\"\n"
                                                "  caption_font {\n   x = y\n  }\n"
                                                "  main_font = \"fonts\\\\missing.txt\"\n"
                                                " }\n"
                                                " comix {\n"
                                                "  p1 = \"first\"\n"
                                                "  P1_POS = 7, 8\n"
                                                "  ghost_pos = 3, 4\n"
                                                " }\n"
                                                " comix {\n"
                                                "  p2 = \"second\"\n"
                                                "  p2_pos = 1\n"
                                                " }\n"
                                                " credits {\n"
                                                "  lines = \"a\", \"b\", \"c\"\n"
                                                "  other = \"ignored\"\n"
                                                "  image = \"images\\\\logo.png\"\n"
                                                " }\n");
    auto language = Make(path, &viewer);
    ASSERT_TRUE(language->Load());

    EXPECT_EQ(A(language->GetWindowTitle()), "[nf]") << "no WindowTitle: the fallback text";
    EXPECT_EQ(language->GetProfileChars(), nullptr);
    EXPECT_EQ(language->GetLogo().texture, nullptr) << "a logo value of one number is no record";
    EXPECT_EQ(language->GetLogo().x, 0);

    // A font from a value; none from a section of that name or an unreadable file.
    EXPECT_NE(language->GetInterfaceFont(GameLanguage::kButtonsFont), nullptr);
    EXPECT_EQ(language->GetInterfaceFont(GameLanguage::kCaptionFont), nullptr);
    EXPECT_EQ(language->GetInterfaceFont(GameLanguage::kMainFont), nullptr);
    EXPECT_EQ(language->GetInterfaceFont(GameLanguage::kMainBigFont), nullptr);

    // p1 at the place of P1_POS; a place without its caption lands on the
    // default item; a place that does not scan is 0, 0.
    const GameComixItem* p1 = language->FindComixItem(u"p1");
    EXPECT_EQ(A(p1->entry->Text(0)), "first");
    EXPECT_EQ(p1->x, 7);
    EXPECT_EQ(p1->y, 8);
    const GameComixItem* p2 = language->FindComixItem(u"P2");
    EXPECT_EQ(p2->x, 0);
    const GameComixItem* none = language->FindComixItem(u"not a name");
    EXPECT_EQ(none, language->FindItem(u"missing"));
    EXPECT_EQ(A(none->entry->Text(0)), "[nf]");
    EXPECT_EQ(none->x, 3);
    EXPECT_EQ(none->y, 4);
    EXPECT_EQ(language->GetComixCount(), 2u);

    EXPECT_EQ(CreditLines(*language), (std::vector<std::string>{"line:a", "line:b", "line:c", "image"}));
    EXPECT_EQ(language->GetCredits(3)->texture, language->GetImage(u"LOGO")) << "named by its file name";

    // Every text group exists, empty when the source has no section for it.
    const DXLLngGroup* tasks = language->FindGroup(u"tasks");
    ASSERT_NE(tasks, nullptr);
    EXPECT_EQ(tasks->Count(), 0u);

    // ".xml" in any case chooses the spreadsheet reader, longer extensions not.
    std::unique_ptr<DXLLngFile> xml(language->CreateLngFile(u"a\\b.XmL"));
    std::unique_ptr<DXLLngFile> longer(language->CreateLngFile(u"a\\b.xmls"));
    EXPECT_NE(dynamic_cast<DXLLngFileXML*>(xml.get()), nullptr);
    EXPECT_NE(dynamic_cast<DXLLngFileTDR*>(longer.get()), nullptr);
}

TEST_F(GameLanguageTest, CompileStepCodesNameTheMissingFontOrPicture) {
    struct Case {
        const char* name;
        std::string body;
        int code;
    } cases[] = {
        {"complete", kFonts, 0},
        {"no big main font",
         " fonts {\n  buttons_font = \"fonts\\\\small.txt\"\n  caption_font = \"fonts\\\\big.txt\"\n"
         "  main_font = \"fonts\\\\small.txt\"\n }\n",
         GameLanguage::kSaveFont},
        {"no fonts", "", 113},
        {"credits picture without its file", kFonts + " credits {\n  image = \"images\\\\gone.png\"\n }\n",
         GameLanguage::kSaveCreditsImage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto language = Make(Source("case.txt", c.body), nullptr);
        const std::string out = dir.File("case.dat");
        EXPECT_EQ(language->Compile(U(out).c_str()), c.code);
        EXPECT_EQ(!ReadFileBytes(out).empty(), c.code == 0) << "a failed compile leaves no file";
        std::filesystem::remove(out);
    }

    for (int code = 100; code <= 113; ++code)
        EXPECT_STRNE(DXLLanguage::StepName(code), "unknown step") << code;
    EXPECT_STREQ(DXLLanguage::StepName(114), "unknown step");
    EXPECT_NE(std::string(DXLLanguage::StepName(113)).find("font"), std::string::npos);
}

TEST_F(GameLanguageTest, AnImageWhoseFileCannotBeReadIsLeftOutWhole) {
    const std::string path = Source("images.txt", kFonts + " images {\n"
                                                           "  loading_logo = \"images\\\\gone.png\"\n"
                                                           "  logo = \"images\\\\logo.png\", 1, 2\n"
                                                           " }\n");
    auto language = Make(path, nullptr);
    const std::string out = dir.File("images.dat");
    ASSERT_EQ(language->Compile(U(out).c_str()), 0);

    auto reloaded = Make(out, &viewer);
    ASSERT_TRUE(reloaded->Load());
    EXPECT_EQ(reloaded->GetImage(u"loading_logo"), nullptr);
    ASSERT_NE(reloaded->GetImage(u"logo"), nullptr);
    EXPECT_TRUE(reloaded->GetImage(u"logo")->IsLive()) << "the record after the left-out one reads whole";
    EXPECT_EQ(reloaded->GetLogo().x, 1);
    EXPECT_EQ(reloaded->GetLogo().y, 2);
}

TEST_F(GameLanguageTest, MissingOrDamagedChunksLoseOnlyThemselves) {
    auto source = Make(kContent + "/english.txt", nullptr);
    const std::string good = dir.File("good.dat");
    ASSERT_EQ(source->Compile(U(good).c_str()), 0);

    auto load = [&](const std::string& name,
                    const std::function<bool(uint32_t, std::vector<uint8_t>&)>& edit) {
        const std::string path = dir.File(name);
        EXPECT_TRUE(Rewrite(good, path, edit));
        auto language = Make(path, &viewer);
        EXPECT_TRUE(language->Load());
        return language;
    };

    {
        SCOPED_TRACE("without images and fonts");
        auto language = load("optional.dat", [](uint32_t id, std::vector<uint8_t>&) {
            return id != Id(u"images") && id != Id(u"fonts");
        });
        EXPECT_EQ(language->GetImage(u"loading_logo"), nullptr);
        EXPECT_EQ(language->GetLogo().texture, nullptr);
        EXPECT_EQ(language->GetInterfaceFont(0), nullptr);
        EXPECT_EQ(language->GetComixCount(), 8u) << "the chunks after a missing one are read";
        EXPECT_EQ(language->GetCreditsCount(), 20u);
        EXPECT_TRUE(language->GetCompiledFile()->IsGood());
    }
    {
        SCOPED_TRACE("without farm_params");
        auto language =
            load("noparams.dat", [](uint32_t id, std::vector<uint8_t>&) { return id != Id(u"farm_params"); });
        EXPECT_EQ(A(language->GetText(u"loading", u"caption", false)), "Loading...");
        EXPECT_EQ(A(language->GetWindowTitle()), "?NF?");
        EXPECT_EQ(language->GetImage(u"logo"), nullptr);
        EXPECT_EQ(language->GetComixCount(), 0u);
    }
    {
        SCOPED_TRACE("counts beyond their chunks");
        auto language = load("counts.dat", [](uint32_t id, std::vector<uint8_t>& bytes) {
            if (id == Id(u"comix_p")) kis::StoreLE32(bytes.data(), 0x7FFFFFFF);
            return true;
        });
        EXPECT_EQ(language->GetComixCount(), 0u);
        EXPECT_EQ(language->GetCreditsCount(), 20u);
        EXPECT_TRUE(language->GetCompiledFile()->IsGood());

        auto noChars = load("chars.dat", [](uint32_t id, std::vector<uint8_t>& bytes) {
            if (id == Id(u"farm_params")) kis::StoreLE32(bytes.data(), 0x40000000);
            return true;
        });
        EXPECT_EQ(noChars->GetProfileChars(), nullptr);
        EXPECT_EQ(noChars->GetImage(u"logo"), nullptr) << "unreadable profile characters end the assets";
        EXPECT_TRUE(noChars->GetCompiledFile()->IsGood());
    }
    {
        SCOPED_TRACE("a credits line longer than its record");
        auto language = load("credits.dat", [](uint32_t id, std::vector<uint8_t>& bytes) {
            if (id != Id(u"credits")) return true;
            // Count 2: a 16-byte line record that claims 200 units, then a good one.
            bytes.clear();
            auto u32 = [&](uint32_t v) {
                bytes.resize(bytes.size() + 4);
                kis::StoreLE32(&bytes[bytes.size() - 4], v);
            };
            u32(2);
            u32(16), u32(1), u32(200), u32(0);
            u32(16), u32(1), u32(1), u32('x');
            return true;
        });
        EXPECT_EQ(language->GetCreditsCount(), 0u);
        EXPECT_TRUE(language->GetCompiledFile()->IsGood());
    }
    {
        SCOPED_TRACE("an image record cut short");
        auto language = load("cut.dat", [](uint32_t id, std::vector<uint8_t>& bytes) {
            if (id == Id(u"images")) bytes.resize(bytes.size() - 3);
            return true;
        });
        EXPECT_NE(language->GetImage(u"loading_logo"), nullptr);
        EXPECT_EQ(language->GetLogo().texture, nullptr) << "the cut record ends the chunk";
        EXPECT_NE(language->GetInterfaceFont(GameLanguage::kMainBigFont), nullptr);
        EXPECT_TRUE(language->GetCompiledFile()->IsGood());
    }
}

// A font or an image of the language that does not load is named in the log
// with the file it comes from, as the player finds it on the disk; the
// language loads anyway, and its damage report says what failed.
TEST_F(GameLanguageTest, FontsAndImagesThatDoNotLoadAreLoggedByNameAndFile) {
    auto source = Make(kContent + "/english.txt", nullptr);
    const std::string good = dir.File("good.dat");
    ASSERT_EQ(source->Compile(U(good).c_str()), 0);
    struct Case {
        const char* what;
        std::function<std::string()> make; // the language file
        std::vector<std::string> logged;   // each a line of the log, after "ERROR! "
        int missingFonts;
    };
    auto compiled = [&](const std::string& name, std::function<void(std::vector<uint8_t>&)> edit) {
        const std::string path = dir.File(name);
        EXPECT_TRUE(Rewrite(good, path, [&](uint32_t id, std::vector<uint8_t>& bytes) {
            if (id == Id(u"fonts")) edit(bytes);
            return true;
        }));
        return path;
    };
    const std::string damagedImage = dir.File("image.dat"), cut = dir.File("cut.dat");
    const Case cases[] = {
        {"the first font's image damaged",
         [&] {
             return compiled("image.dat", [](std::vector<uint8_t>& bytes) {
                 // The record: the name "font_image" (a count and ten units), three words, the PNG.
                 ASSERT_EQ(bytes[36], 0x89);
                 bytes[37] = 'X';
             });
         },
         {"Image \"buttons_font\" of " + damagedImage + " is not an image the engine can load."},
         0},
        {"the chunk cut inside its first font",
         [&] {
             return compiled("cut.dat", [](std::vector<uint8_t>& bytes) {
                 const uint32_t imageSize = kis::LoadLE32(&bytes[32]);
                 bytes.resize(36 + imageSize + 200);
             });
         },
         {"Font \"buttons_font\" of " + cut + " did not load.",
          "Font \"caption_font\" of " + cut + " did not load.",
          "Font \"main_font\" of " + cut + " did not load.",
          "Font \"main_big_font\" of " + cut + " did not load."},
         4},
        {"an image record cut short",
         [&] {
             const std::string path = dir.File("images.dat");
             EXPECT_TRUE(Rewrite(good, path, [](uint32_t id, std::vector<uint8_t>& bytes) {
                 if (id == Id(u"images")) bytes.resize(bytes.size() - 3);
                 return true;
             }));
             return path;
         },
         {"An image record of " + dir.File("images.dat") +
          " cannot be read; it and the images after it did not load."},
         0},
        {"a source naming a font description that is not there",
         [&] {
             return Source("missing.txt", " fonts {\n  buttons_font = \"fonts\\\\small.txt\"\n"
                                          "  main_font = \"fonts\\\\missing.txt\"\n }\n");
         },
         {"Font \"main_font\" (" + dir.File("fonts/missing.txt") + ") did not load."},
         3},
    };
    for (const Case& c : cases) {
        const std::string path = c.make();
        const std::string logPath = dir.File("log.txt");
        ASSERT_TRUE(LogStart(U(logPath).c_str()));
        {
            auto language = Make(path, &viewer);
            EXPECT_TRUE(language->Load()) << c.what;
            int missing = 0;
            for (int i = 0; i < GameLanguage::kFontCount; ++i)
                missing += language->GetInterfaceFont(i) == nullptr;
            EXPECT_EQ(missing, c.missingFonts) << c.what;
        }
        LogFinish();
        const std::string log = ReadFileBytes(logPath);
        std::vector<std::string> errors;
        for (size_t at = log.find("ERROR! "); at != std::string::npos; at = log.find("ERROR! ", at + 1))
            errors.push_back(log.substr(at + 7, log.find('\r', at) - at - 7));
        EXPECT_EQ(errors, c.logged) << c.what << "\n" << log;
    }
}

// Random damage to one of the game's chunks (the profile characters and logo,
// the images, the comic captions, the credits, the fonts): the language still
// loads its groups, and every asset it keeps is usable within its bounds.
TEST_F(GameLanguageTest, DamagedGameChunksAreRefusedOrReadWithinBounds) {
    auto source = Make(kContent + "/english.txt", nullptr);
    const std::string good = dir.File("good.dat");
    ASSERT_EQ(source->Compile(U(good).c_str()), 0);
    const testsupport::DataFileKind kind{0xA7F17E1D, 13, 1};
    const std::vector<testsupport::DataChunk> chunks = testsupport::ReadDataChunks(good, kind);
    std::vector<size_t> gameChunks;
    for (size_t i = 0; i < chunks.size(); ++i)
        if ((chunks[i].id & 0xC0000000u) != 0xC0000000u && chunks[i].id != kLanguageParamsChunk)
            gameChunks.push_back(i);
    ASSERT_EQ(gameChunks.size(), 5u);

    platform::SeedRand(777);
    const std::string path = dir.File("damaged.dat");
    int rounds = testsupport::ForRounds(400, 2500, [&](int round) {
        std::vector<testsupport::DataChunk> damaged = chunks;
        const size_t which = gameChunks[size_t(round) % gameChunks.size()];
        damaged[which].bytes = testsupport::Damage(chunks[which].bytes, round / 5);
        ASSERT_TRUE(testsupport::WriteDataChunks(path, kind, damaged));
        auto language = Make(path, &viewer);
        ASSERT_TRUE(language->Load());
        EXPECT_EQ(A(language->GetText(u"loading", u"caption", true)), "Loading...");
        ASSERT_NE(language->GetWindowTitle(), nullptr);
        if (language->GetProfileChars() != nullptr) {
            EXPECT_EQ(language->GetProfileChars()[language->GetProfileCharsLength()], 0)
                << "terminated at its length";
        }
        for (uint32_t i = 0; i < language->GetComixCount(); ++i) {
            const GameComixItem* item = language->GetComixItem(i);
            ASSERT_NE(item->entry, nullptr);
            for (uint32_t t = 0; t < item->entry->count; ++t)
                std::u16string(item->entry->Text(t), item->entry->Slots()[t].length);
        }
        for (uint32_t i = 0; i < language->GetCreditsCount(); ++i) {
            const GameCreditsRecord* record = language->GetCredits(i);
            if (record->kind == GameCreditsRecord::kLine) {
                EXPECT_EQ(record->Text()[record->length], 0) << "terminated at its length";
            }
        }
        for (int f = 0; f < GameLanguage::kFontCount; ++f)
            if (KGEFont* font = language->GetInterfaceFont(f))
                font->MeasureText(u"Thank you for playing!", kKgeToTerminator);
    });
    EXPECT_GT(rounds, 20);
}

// What a load found present but failing its checks is reported, each with
// what it was; a chunk that is simply absent, or a file read whole, reports
// nothing.
TEST_F(GameLanguageTest, TheDamageReportNamesWhatFailedItsChecks) {
    auto source = Make(kContent + "/english.txt", nullptr);
    const std::string good = dir.File("good.dat");
    ASSERT_EQ(source->Compile(U(good).c_str()), 0);
    // The group chunk whose name is main_screen, cut after its header and a few texts.
    const auto mainScreen = [](uint32_t id, std::vector<uint8_t>& bytes) {
        const std::string name("m\0a\0i\0n\0_\0s\0c\0r\0e\0e\0n\0", 22);
        if ((id & 0xC0000000u) == 0xC0000000u &&
            std::string(bytes.begin(), bytes.end()).compare(4, name.size(), name) == 0)
            bytes.resize(bytes.size() / 2);
        return true;
    };
    struct Case {
        const char* what;
        std::function<bool(uint32_t, std::vector<uint8_t>&)> edit;
        std::string damage; // the first line of the report; empty: none
    };
    const Case cases[] = {
        {"the file as compiled", [](uint32_t, std::vector<uint8_t>&) { return true; }, ""},
        {"without images and fonts",
         [](uint32_t id, std::vector<uint8_t>&) { return id != Id(u"images") && id != Id(u"fonts"); }, ""},
        {"a text group cut short", mainScreen, "in text group \"main_screen\""},
        {"the logo's picture broken",
         [](uint32_t id, std::vector<uint8_t>& bytes) {
             if (id != Id(u"images")) return true;
             const std::string text(bytes.begin(), bytes.end());
             const size_t png = text.find("\x89PNG", text.find(std::string("\x04\0\0\0l\0o\0g\0o\0", 12)));
             EXPECT_NE(png, std::string::npos);
             if (png != std::string::npos) bytes[png + 1] = 'X';
             return true;
         },
         "image \"logo\""},
        {"an image record cut short",
         [](uint32_t id, std::vector<uint8_t>& bytes) {
             if (id == Id(u"images")) bytes.resize(bytes.size() - 3);
             return true;
         },
         "an image record"},
        {"the last image's name not a name",
         [](uint32_t id, std::vector<uint8_t>& bytes) {
             if (id != Id(u"images")) return true;
             // Records: a name (its unit count, the units), three words (the
             // last the data's size), the data.
             size_t last = 0;
             for (size_t at = 0; at + 4 <= bytes.size();) {
                 last = at;
                 at += 4 + 2 * size_t(kis::LoadLE32(&bytes[at]));
                 if (at + 12 > bytes.size()) break;
                 at += 12 + size_t(kis::LoadLE32(&bytes[at + 8]));
             }
             EXPECT_LT(last + 6, bytes.size());
             if (last + 6 < bytes.size()) bytes[last + 4] = '!', bytes[last + 5] = 0;
             return true;
         },
         "an image record"},
        {"a comic count beyond its chunk",
         [](uint32_t id, std::vector<uint8_t>& bytes) {
             if (id == Id(u"comix_p")) kis::StoreLE32(bytes.data(), 0x7FFFFFFF);
             return true;
         },
         "the comic captions' count"},
        {"the window title cut off",
         [](uint32_t id, std::vector<uint8_t>& bytes) {
             if (id == Id(u"farm_params")) bytes.resize(bytes.size() - 2);
             return true;
         },
         "the window title"},
    };
    for (const Case& c : cases) {
        const std::string path = dir.File("edited.dat");
        ASSERT_TRUE(Rewrite(good, path, c.edit)) << c.what;
        auto language = Make(path, &viewer);
        EXPECT_TRUE(language->Load()) << c.what << ": the load goes on past damage";
        const std::vector<std::string>& damage = language->GetDamage();
        if (c.damage.empty()) {
            EXPECT_TRUE(damage.empty()) << c.what << ": " << (damage.empty() ? "" : damage[0]);
            continue;
        }
        ASSERT_FALSE(damage.empty()) << c.what;
        EXPECT_NE(damage[0].find(c.damage), std::string::npos) << c.what << ": " << damage[0];
    }
}
