#include "text/Language.h"

#include "engine/Log.h"
#include "engine/Texture.h"
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "foundation/Ident.h"
#include "platform/Random.h"
#include "platform/Utf.h"
#include "tests/support/Damage.h"
#include "tests/support/DataChunks.h"
#include "tests/support/TempDir.h"
#include "text/LanguageSource.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

namespace {

std::u16string U(const std::string& s) {
    return platform::Utf8ToUtf16(s);
}

const char16_t* const kGroups[] = {u"buttons", u"missing", u"dialogs", u"messages"};

// A language of a few groups, read from any source or compiled file.
class TestLanguage : public DXLLanguage {
  public:
    explicit TestLanguage(const std::string& path) { header = Open(U(path).c_str()); }
    ~TestLanguage() override {
        while (GetLoadCount() != 0)
            Release();
    }
    DXLLngFile* CreateLngFile(const char16_t* path) override { return CreateLngFileForPath(path); }
    void Import(DXLLngFile& source) override {
        for (const char16_t* name : kGroups)
            ImportGroup(source, name);
        if (withImages) {
            logo = new DXLTexture();
            AddImage(u"Logo", logo);
            refused = AddImage(u"bad name", new DXLTexture()) == nullptr;
        }
    }
    void ReadCompiled(kis::DataFileReaderW&) override { ++compiledReads; }
    void Hook() override { ++hooks; }

    bool header = false;
    int compiledReads = 0;
    int hooks = 0;
    bool withImages = false;
    DXLTexture* logo = nullptr;
    bool refused = false;
};

const char kTextData[] = "// the test language\r\n"
                         "Language {\r\n"
                         "  Ident = En_GB\r\n"
                         "  Name = \"English\"\r\n"
                         "  NF = \"[missing]\"\r\n"
                         "  buttons {\r\n"
                         "    OK_Button = \"OK\"\r\n"
                         "    Cancel = Cancel\\n now\r\n"
                         "    quit = \"Quit\" x\r\n"
                         "    list = \"a\", \"b\" // two lines\r\n"
                         "    slash = ends with \\\r\n"
                         "    qslash = \"open \\\r\n"
                         "    dup = first\r\n"
                         "    DUP = second\r\n"
                         "  }\r\n"
                         "  dialogs {\r\n"
                         "    hello = \"Hello, \\\"friend\\\"\"\r\n"
                         "  }\r\n"
                         "  messages {\r\n"
                         "    saved = Saved.\r\n"
                         "  }\r\n"
                         "  dialogs {\r\n"
                         "    bye = \"Bye\\r\\n\"\r\n"
                         "  }\r\n"
                         "}\r\n";

std::string Row(const std::string& a, const std::string& b = "") {
    std::string row = "<Row><Cell><Data ss:Type=\"String\">" + a + "</Data></Cell>";
    if (!b.empty()) row += "<Cell><Data ss:Type=\"String\">" + b + "</Data></Cell>";
    return row + "</Row>\n";
}

// The same language as a spreadsheet.
std::string Spreadsheet() {
    return "<?xml version=\"1.0\"?>\n<Workbook><Worksheet><Table>\n" + Row("Ident", "En_GB") +
           Row("Name", "English") + Row("NF", "\"[missing]\"") + Row("[ buttons ]") +
           Row("OK_Button", "\"OK\"") + Row("Cancel", "Cancel\\n now") + Row("quit", "\"Quit\" x") +
           Row("list", "\"a\", \"b\" // two lines") + Row("slash", "ends with \\") +
           Row("qslash", "\"open \\") + Row("dup", "first") + Row("DUP", "second") + Row("[dialogs]") +
           Row("hello", "\"Hello, \\\"friend\\\"\"") + Row("[messages]") + Row("saved", "Saved.") +
           Row("[dialogs]") + Row("bye", "\"Bye\\r\\n\"") + "</Table></Worksheet></Workbook>\n";
}

// Every group (or the first `groups`), key and text in order, as one text.
std::u16string Dump(const DXLLanguage& language, uint32_t groups = UINT32_MAX) {
    std::u16string out;
    for (uint32_t g = 0; g < language.GetGroupCount() && g < groups; ++g) {
        const DXLLngGroup* group = language.GetGroup(g);
        out += u"[" + std::u16string(group->name.name, group->name.length) + u"]";
        for (const auto& entry : group->entries) {
            out += std::u16string(entry->key.name, entry->key.length) + u"=";
            for (uint32_t t = 0; t < entry->count; ++t)
                out += u"<" + std::u16string(entry->Text(t), entry->Slots()[t].length) + u">";
            out += u";";
        }
    }
    return out;
}

const std::u16string kExpectedDump = u"[buttons]ok_button=<OK>;cancel=<Cancel\n now>;quit=<\"Quit\" x>;"
                                     u"list=<a><b>;slash=<ends with \\>;qslash=<\"open \\>;dup=<second>;"
                                     u"[missing][dialogs]hello=<Hello, \"friend\">;bye=<Bye\r\n>;"
                                     u"[messages]saved=<Saved.>;";

std::vector<std::string> WriteSources(const TempDir& dir) {
    EXPECT_TRUE(WriteFileBytes(dir.File("english.txt"), kTextData));
    EXPECT_TRUE(WriteFileBytes(dir.File("english.Xml"), Spreadsheet()));
    return {dir.File("english.txt"), dir.File("english.Xml")};
}

} // namespace

TEST(Language, TextDataAndSpreadsheetSourcesLoadIdenticalGroups) {
    TempDir dir;
    for (const std::string& path : WriteSources(dir)) {
        TestLanguage language(path);
        EXPECT_TRUE(language.header) << path;
        EXPECT_EQ(std::u16string(language.GetIdent().name), u"en_gb");
        EXPECT_EQ(std::u16string(language.GetName()), u"English");
        EXPECT_EQ(language.GetGroupCount(), 0u); // Open reads the header only
        ASSERT_TRUE(language.Load());
        EXPECT_EQ(Dump(language), kExpectedDump) << path;
        EXPECT_EQ(language.compiledReads, 0);
    }
}

// The extension points of both interfaces reach the subclass; the source
// readers' own hook leaves the reader where it stood.
TEST(Language, ExtensionHooksReachTheSubclassAndChangeNothingInTheReaders) {
    TempDir dir;
    for (const std::string& path : WriteSources(dir)) {
        TestLanguage language(path);
        DXLLanguage& base = language;
        base.Hook();
        EXPECT_EQ(language.hooks, 1);
        std::unique_ptr<DXLLngFile> source(language.CreateLngFile(U(path).c_str()));
        ASSERT_NE(source, nullptr);
        ASSERT_TRUE(source->IsOpened()) << path;
        ASSERT_TRUE(source->EnterSection(u"buttons")) << path;
        const uint32_t entries = source->GetEntryCount();
        source->Hook(1, 2);
        EXPECT_EQ(source->GetEntryCount(), entries) << path;
        EXPECT_EQ(source->GetError(), 0u) << path;
        EXPECT_TRUE(source->LeaveSection()) << path;
    }
}

TEST(Language, LookupsIgnoreCaseAndFallBackOnlyWhenAsked) {
    TempDir dir;
    const std::string log = dir.File("log.txt");
    ASSERT_TRUE(LogStart(platform::Utf8ToUtf16(log).c_str()));
    TestLanguage language(WriteSources(dir)[0]);
    ASSERT_TRUE(language.Load());
    EXPECT_EQ(std::u16string(language.GetText(u"BUTTONS", u"ok_BUTTON", false)), u"OK");
    EXPECT_EQ(std::u16string(language.GetText(u"buttons", u"nothing", true)), u"[missing]");
    EXPECT_EQ(language.GetText(u"buttons", u"nothing", false), nullptr);
    EXPECT_EQ(std::u16string(language.GetText(u"no_group", u"ok_button", true)), u"[missing]");
    EXPECT_EQ(language.GetText(u"no_group", u"ok_button", false), nullptr);
    // Keys that are not identifiers find nothing, fallback or not.
    const char16_t* badKeys[] = {u"ok-button", u"ok button", u" ok_button",
                                 u"abcdefghijabcdefghijabcdefghijab"};
    for (const char16_t* key : badKeys)
        EXPECT_EQ(language.GetText(u"buttons", key, true), nullptr);
    EXPECT_EQ(std::u16string(language.GetIndexedText(u"buttons", u"list", 1, true)), u"b");
    EXPECT_EQ(std::u16string(language.GetIndexedText(u"buttons", u"list", 2, true)), u"[missing]");
    EXPECT_EQ(language.GetIndexedText(u"buttons", u"list", 2, false), nullptr);
    EXPECT_EQ(language.FindGroup(u"missing")->Count(), 0u);
    EXPECT_EQ(language.GetImage(u"logo"), nullptr);

    // Each text the fallback stood in for is logged once; lookups that did
    // not ask for the fallback are not.
    EXPECT_EQ(std::u16string(language.GetText(u"buttons", u"nothing", true)), u"[missing]");
    LogFinish();
    const std::string all = testsupport::ReadFileBytes(log);
    auto count = [&all](const std::string& what) { return testsupport::Occurrences(all, what); };
    EXPECT_EQ(count("Text missing"), 3u) << all;
    EXPECT_EQ(count("buttons/nothing"), 1u) << all;
    EXPECT_EQ(count("no_group/ok_button"), 1u) << all;
    EXPECT_EQ(count("buttons/list"), 1u) << all;
}

TEST(Language, ImagesAreFoundByNameAndGoAwayWithTheLoad) {
    TempDir dir;
    TestLanguage language(WriteSources(dir)[0]);
    language.withImages = true;
    ASSERT_TRUE(language.Load());
    ASSERT_NE(language.logo, nullptr);
    EXPECT_EQ(language.GetImage(u"LOGO"), language.logo);
    EXPECT_TRUE(language.refused); // and its texture is freed, not leaked
    EXPECT_EQ(language.GetImage(u"lo go"), nullptr);
    language.Release();
    EXPECT_EQ(language.GetImage(u"logo"), nullptr);
}

TEST(Language, ValuesParseIntoTextsWithEscapes) {
    struct Case {
        const char16_t* value;
        std::vector<std::u16string> texts;
    } cases[] = {
        {u"\"a\", \"b\" // comment", {u"a", u"b"}},
        {u"\"a\",\t\"b\"", {u"a", u"b"}},
        {u"line\\none", {u"line\none"}},
        {u"\"quoted\" x", {u"\"quoted\" x"}},
        {u"\"a\", b", {u"\"a\", b"}},
        {u"\"a\",", {u"\"a\","}},
        {u"\"unclosed", {u"\"unclosed"}},
        {u"\"\\\\\\\"\\q\"", {u"\\\"q"}},
        {u"ends in \\", {u"ends in \\"}},
        {u"\"ends in \\", {u"\"ends in \\"}},
        {u"\"\"", {u""}},
        {u"", {u""}},
    };
    for (const Case& c : cases) {
        std::unique_ptr<DXLLngEntry, void (*)(DXLLngEntry*)> entry(DXLLanguage::ParseEntry(u"Key", c.value),
                                                                   FreeLngEntry);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(std::u16string(entry->key.name), u"key");
        ASSERT_EQ(entry->count, c.texts.size()) << std::string(platform::Utf16ToUtf8(c.value));
        for (uint32_t i = 0; i < entry->count; ++i) {
            EXPECT_EQ(std::u16string(entry->Text(i)), c.texts[i]);
            EXPECT_EQ(entry->Slots()[i].length, c.texts[i].size());
        }
    }
    EXPECT_EQ(DXLLanguage::ParseEntry(u"bad key", u"x"), nullptr);
    EXPECT_EQ(DXLLanguage::ParseEntry(u"key", nullptr), nullptr);
}

TEST(Language, HeaderFallbackAndLoadCounting) {
    TempDir dir;
    struct Case {
        const char* source;
        bool header;
        const char16_t* fallback;
    } cases[] = {
        {"Language {\n Ident = de\n Name = Deutsch\n}\n", true, u"?NF?"},
        {"Language {\n Ident = de\n Name = Deutsch\n NF = \"\"\n}\n", true, u"?NF?"},
        {"Language {\n Name = Deutsch\n NF = gone\n}\n", false, u"?NF?"},
        {"Language {\n Ident = abcdefghijabcdefghijabcdefghijabc\n Name = x\n}\n", false, u"?NF?"},
        {"Other {\n Ident = de\n}\n", false, u"?NF?"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFileBytes(dir.File("lang.txt"), c.source));
        TestLanguage language(dir.File("lang.txt"));
        EXPECT_EQ(language.header, c.header) << c.source;
        EXPECT_EQ(std::u16string(language.GetText(u"buttons", u"x", true)), c.fallback);
        EXPECT_EQ(language.GetIdent().length, c.header ? 2u : 0u);
    }
    // An unreadable sheet gives a reader that is not opened.
    ASSERT_TRUE(WriteFileBytes(dir.File("wide.xml"), std::string("\xFF\xFE\0\0<Row>", 9)));
    std::unique_ptr<DXLLngFile> sheet(CreateLngFileForPath(U(dir.File("wide.xml")).c_str()));
    EXPECT_FALSE(sheet->IsOpened());
    EXPECT_EQ(sheet->GetEntryCount(), 0u);

    TestLanguage language(WriteSources(dir)[1]);
    EXPECT_TRUE(language.Load());
    EXPECT_TRUE(language.Load());
    language.Release();
    EXPECT_EQ(language.GetGroupCount(), 4u);
    language.Release();
    EXPECT_EQ(language.GetGroupCount(), 0u);
    language.Release(); // nothing left to release
    EXPECT_EQ(language.GetLoadCount(), 0u);
    EXPECT_EQ(std::u16string(language.GetName()), u"English"); // the header stays
}

TEST(Language, TheExtensionChoosesTheSourceReader) {
    struct Case {
        const char16_t* path;
        bool xml;
    } cases[] = {{u"a.xml", true},   {u"a.XML", true},     {u"b\\a.Xml", true},
                 {u"a.xmlx", false}, {u"a.xm", false},     {u"a.txt", false},
                 {u"a", false},      {u"a.xml\\b", false}, {u"x.xml:stream", false}};
    for (const Case& c : cases) {
        std::unique_ptr<DXLLngFile> file(CreateLngFileForPath(c.path));
        EXPECT_EQ(dynamic_cast<DXLLngFileXML*>(file.get()) != nullptr, c.xml);
        EXPECT_FALSE(file->IsOpened());
    }
}

TEST(Language, CompiledFileHasTheContainerLayoutAndReloadsTheSameTexts) {
    TempDir dir;
    std::string compiled = dir.File("english.dat");
    {
        TestLanguage source(WriteSources(dir)[1]);
        ASSERT_EQ(source.Compile(U(compiled).c_str()), 0);
        EXPECT_EQ(source.GetLoadCount(), 0u);
    }
    std::string bytes = ReadFileBytes(compiled);
    ASSERT_GE(bytes.size(), 20u);
    auto u32 = [&](size_t at) { return kis::LoadLE32(reinterpret_cast<const uint8_t*>(bytes.data() + at)); };
    EXPECT_EQ(u32(0), 0xA7F17E1Du);
    EXPECT_EQ(u32(4), 13u);
    EXPECT_EQ(u32(12), 1u);
    EXPECT_EQ(kis::NameId(u"params"), kLanguageParamsChunk);

    {
        kis::DataFileReaderPtr reader(kis::OpenDataFileForRead(U(compiled).c_str(), 0xA7F17E1D, 13, 1));
        ASSERT_NE(reader, nullptr);
        const auto& entries = reader->GetRoot().entries;
        ASSERT_EQ(entries.size(), 5u);
        EXPECT_EQ(entries[0].id, 0x7031F10Cu);
        for (uint32_t i = 0; i < 4; ++i)
            EXPECT_EQ(entries[i + 1].id, 0xC0000000u | i);
        for (const auto& entry : entries)
            EXPECT_EQ(entry.subId, 1u);
        // "params": String "en_gb", String "English", Entry {"nf", 1, 9, "[missing]"}.
        const size_t p = entries[0].offset;
        EXPECT_EQ(u32(p), 5u);
        EXPECT_EQ(bytes.substr(p + 4, 10), std::string("e\0n\0_\0g\0b\0", 10));
        EXPECT_EQ(u32(p + 14), 7u);
        const size_t fallback = p + 14 + 4 + 14;
        EXPECT_EQ(u32(fallback), 2u);
        EXPECT_EQ(bytes.substr(fallback + 4, 4), std::string("n\0f\0", 4));
        EXPECT_EQ(u32(fallback + 8), 1u);
        EXPECT_EQ(u32(fallback + 12), 9u);
        EXPECT_EQ(u32(fallback + 16), 9u);
        EXPECT_EQ(entries[0].size, 14 + 4 + 14 + 20 + 18u);
        // Group 0: String "buttons", u32 7, then the first entry "ok_button".
        const size_t g = entries[1].offset;
        EXPECT_EQ(u32(g), 7u);
        EXPECT_EQ(u32(g + 18), 7u);
        EXPECT_EQ(u32(g + 22), 9u);
    }

    TestLanguage reloaded(compiled);
    EXPECT_TRUE(reloaded.header);
    EXPECT_EQ(std::u16string(reloaded.GetName()), u"English");
    ASSERT_TRUE(reloaded.Load());
    EXPECT_EQ(Dump(reloaded), kExpectedDump);
    EXPECT_EQ(reloaded.compiledReads, 1);
    EXPECT_NE(reloaded.GetCompiledFile(), nullptr); // kept open while loaded
    EXPECT_EQ(std::u16string(reloaded.GetText(u"Dialogs", u"BYE", false)), u"Bye\r\n");
    EXPECT_EQ(std::u16string(reloaded.GetText(u"dialogs", u"none", true)), u"[missing]");
    reloaded.Release();
    EXPECT_EQ(reloaded.GetCompiledFile(), nullptr);

    // A compiled language compiles again into the same bytes.
    std::string again = dir.File("again.dat");
    ASSERT_EQ(reloaded.Compile(U(again).c_str()), 0);
    EXPECT_EQ(ReadFileBytes(again), bytes);
}

TEST(Language, CompilingOntoTheLanguagesOwnFileIsRefused) {
    TempDir dir;
    std::string path = WriteSources(dir)[0];
    TestLanguage source(path);
    const std::string sameFiles[] = {path, dir.File("ENGLISH.TXT"), dir.File("./sub/../english.txt")};
    for (const std::string& target : sameFiles) {
        EXPECT_EQ(source.Compile(U(target).c_str()), DXLLanguage::kCompileCreateFailed) << target;
        EXPECT_EQ(ReadFileBytes(path), kTextData);
    }
    std::string compiled = dir.File("english.dat");
    ASSERT_EQ(source.Compile(U(compiled).c_str()), 0);
    std::string bytes = ReadFileBytes(compiled);
    TestLanguage binary(compiled);
    EXPECT_EQ(binary.Compile(U(dir.File("English.DAT")).c_str()), DXLLanguage::kCompileCreateFailed);
    EXPECT_EQ(ReadFileBytes(compiled), bytes);

    // A writer that has failed stops at the first step.
    kis::DataFileWriterW* writer =
        kis::OpenDataFileForWrite(U(dir.File("failed.dat")).c_str(), 0xA7F17E1D, 13, 1, true);
    ASSERT_NE(writer, nullptr);
    writer->Fail();
    EXPECT_EQ(source.SaveBinary(*writer), DXLLanguage::kSaveParamsChunk);
    kis::CloseDataFile(writer);
}

// Counts and lengths in a damaged file are held against the bytes left in
// their chunk: nothing huge is allocated, and the groups before the damage stay.
TEST(Language, DamagedCompiledFilesKeepWhatWasReadBefore) {
    TempDir dir;
    auto str = [](const std::u16string& s) {
        std::string out(4, '\0');
        kis::StoreLE32(reinterpret_cast<uint8_t*>(out.data()), uint32_t(s.size()));
        for (char16_t c : s)
            out += char(c & 0xFF), out += char(c >> 8);
        return out;
    };
    auto u32 = [](uint32_t v) {
        std::string out(4, '\0');
        kis::StoreLE32(reinterpret_cast<uint8_t*>(out.data()), v);
        return out;
    };
    auto entry = [&](const std::u16string& key, const std::u16string& text) {
        return str(key) + u32(1) + u32(uint32_t(text.size())) + str(text);
    };
    const std::string params = str(u"xx") + str(u"Test") + entry(u"nf", u"NF!");
    struct Case {
        std::vector<std::string> groups;
        std::u16string dump;
    } cases[] = {
        // A huge entry count ends the reading of groups.
        {{str(u"a") + u32(1) + entry(u"k", u"v"), str(u"b") + u32(0xFFFFFFF0) + entry(u"k", u"v"),
          str(u"c") + u32(1) + entry(u"k", u"v")},
         u"[a]k=<v>;"},
        // A huge text count or total ends that group's entries only.
        {{str(u"a") + u32(2) + entry(u"k", u"v") + str(u"j") + u32(0x40000000) + u32(1) + str(u"w"),
          str(u"b") + u32(1) + str(u"k") + u32(1) + u32(0x7FFFFFFF) + str(u"w"),
          str(u"c") + u32(1) + entry(u"k", u"v")},
         u"[a]k=<v>;[b][c]k=<v>;"},
        // A text longer than the entry's total, a bad key, a 32-unit name.
        {{str(u"a") + u32(1) + str(u"k") + u32(1) + u32(1) + str(u"vv"),
          str(u"b") + u32(1) + entry(u"b-d", u"v"), str(std::u16string(32, u'n')) + u32(0),
          str(u"d") + u32(0)},
         u"[a][b]"},
    };
    for (const Case& c : cases) {
        std::string path = dir.File("damaged.dat");
        {
            kis::DataFileWriterW* writer =
                kis::OpenDataFileForWrite(U(path).c_str(), 0xA7F17E1D, 13, 1, false);
            ASSERT_NE(writer, nullptr);
            writer->BeginChunk(kLanguageParamsChunk, 1);
            writer->Write(params.data(), uint32_t(params.size()));
            writer->EndChunk();
            for (size_t i = 0; i < c.groups.size(); ++i) {
                writer->BeginChunk(0xC0000000u | uint32_t(i), 1);
                writer->Write(c.groups[i].data(), uint32_t(c.groups[i].size()));
                writer->EndChunk();
            }
            ASSERT_TRUE(kis::CloseDataFile(writer));
        }
        TestLanguage language(path);
        EXPECT_TRUE(language.header);
        EXPECT_EQ(std::u16string(language.GetText(u"x", u"y", true)), u"NF!");
        language.Load();
        EXPECT_EQ(Dump(language), c.dump);
    }
}

// Random damage to one chunk of a compiled file, past the container's checks:
// the header is refused or read whole, and the groups before a damaged group
// chunk load exactly as from the good file.
TEST(Language, DamagedCompiledLanguageFilesAreRefusedOrReadWithinBounds) {
    TempDir dir;
    const std::string good = dir.File("english.dat");
    {
        TestLanguage source(WriteSources(dir)[0]);
        ASSERT_EQ(source.Compile(U(good).c_str()), 0);
    }
    const testsupport::DataFileKind kind{0xA7F17E1D, 13, 1};
    const std::vector<testsupport::DataChunk> chunks = testsupport::ReadDataChunks(good, kind);
    ASSERT_EQ(chunks.size(), 5u);
    TestLanguage reference(good);
    ASSERT_TRUE(reference.Load());
    ASSERT_EQ(reference.GetGroupCount(), 4u);

    platform::SeedRand(1313);
    const std::string path = dir.File("damaged.dat");
    int headers = 0, refused = 0;
    testsupport::ForRounds(1500, 2500, [&](int round) {
        std::vector<testsupport::DataChunk> damaged = chunks;
        const uint32_t which = uint32_t(platform::Rand()) % uint32_t(chunks.size());
        damaged[which].bytes = testsupport::Damage(chunks[which].bytes, round);
        ASSERT_TRUE(testsupport::WriteDataChunks(path, kind, damaged));
        TestLanguage language(path);
        (language.header ? headers : refused)++;
        if (which != 0) {
            EXPECT_TRUE(language.header);
        }
        // A refused header leaves the stand-in fallback; a read one its text.
        ASSERT_NE(language.GetText(u"none", u"none", true), nullptr);
        ASSERT_TRUE(language.Load());
        if (which == 0) {
            EXPECT_EQ(Dump(language), Dump(reference)) << "the groups do not depend on the header chunk";
            return;
        }
        // Group chunk `which - 1` is damaged: every group before it is whole.
        EXPECT_GE(language.GetGroupCount(), which - 1);
        EXPECT_EQ(Dump(language, which - 1), Dump(reference, which - 1));
        Dump(language); // every text of what was read is within its block
    });
    EXPECT_GT(headers, 0);
    EXPECT_GT(refused, 0);
}

// Random damage to both source forms: the header is read or refused, and
// every text of every entry loaded is terminated at its length.
TEST(Language, DamagedSourceFilesLoadTerminatedTextsOrNothing) {
    TempDir dir;
    const std::string sources[] = {kTextData, Spreadsheet()};
    const std::string paths[] = {dir.File("damaged.txt"), dir.File("damaged.xml")};
    platform::SeedRand(2718);
    int headers = 0, refused = 0;
    testsupport::ForRounds(1500, 1200, [&](int round) {
        const int form = round % 2;
        ASSERT_TRUE(WriteFileBytes(paths[form], testsupport::Damage(sources[form], round / 2)));
        TestLanguage language(paths[form]);
        (language.header ? headers : refused)++;
        ASSERT_NE(language.GetText(u"none", u"none", true), nullptr);
        language.Load();
        for (uint32_t g = 0; g < language.GetGroupCount(); ++g) {
            const DXLLngGroup* group = language.GetGroup(g);
            for (const auto& entry : group->entries) {
                for (uint32_t t = 0; t < entry->count; ++t)
                    EXPECT_EQ(entry->Text(t)[entry->Slots()[t].length], 0);
            }
        }
    });
    EXPECT_GT(headers, 0);
    EXPECT_GT(refused, 0);
}
