#include "text/XmlDocument.h"

#include "engine/Log.h"
#include "platform/Random.h"
#include "platform/Utf.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using testsupport::TempDir;
using testsupport::WriteFileBytes;

namespace {

std::u16string U(const std::string& s) {
    return platform::Utf8ToUtf16(s);
}

std::string Row(const std::vector<std::string>& cells) {
    std::string row = "<Row>";
    for (const auto& cell : cells)
        row += cell.empty() ? "<Cell/>"
                            : "<Cell ss:StyleID=\"s1\"><Data ss:Type=\"String\">" + cell + "</Data></Cell>";
    return row + "</Row>\r\n";
}

std::string Sheet(const std::string& rows) {
    return "<?xml version=\"1.0\"?>\r\n<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\">\r\n"
           "<Worksheet ss:Name=\"Sheet1\"><Table>\r\n" +
           rows + "</Table></Worksheet></Workbook>\r\n";
}

std::unique_ptr<XMLDocument> Load(const TempDir& dir, const std::string& bytes,
                                  const char* name = "sheet.xml") {
    std::string path = dir.File(name);
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    return std::make_unique<XMLDocument>(U(path).c_str());
}

std::u16string Key(XMLDocument& doc, uint32_t i) {
    uint32_t n = 0;
    const char16_t* key = doc.GetKeyAt(i, &n);
    return key ? std::u16string(key, n) : u"<null>";
}

std::u16string Value(XMLDocument& doc, uint32_t i) {
    uint32_t n = 0;
    const char16_t* value = doc.GetValueAt(i, &n);
    return value ? std::u16string(value, n) : u"<null>";
}

const std::string kMainRows =
    Row({"Ident", "en"}) + Row({"Name", "English"}) + Row({"[Main]"}) + Row({"title", "Hello"}) +
    Row({"", "orphan"}) + Row({"quit", "Bye", "third cell"}) + Row({"[ ]"}) + Row({"[two words]"}) +
    Row({"two words", "x"}) + Row({"  [  Other ]  "}) + Row({" spaced ", "kept  as written "}) +
    Row({"[main]"}) + Row({"title", "Again"});

} // namespace

TEST(XmlDocument, RowsBecomeGroupsAndEntriesByTheRowRules) {
    TempDir dir;
    auto doc = Load(dir, Sheet(kMainRows));
    EXPECT_EQ(doc->GetGroupCount(), 3u);
    ASSERT_EQ(doc->GetEntryCount(), 2u);
    EXPECT_EQ(Key(*doc, 0), u"Ident");
    EXPECT_EQ(Value(*doc, 1), u"English");

    ASSERT_TRUE(doc->EnterSection(u" MAIN "));
    ASSERT_EQ(doc->GetEntryCount(), 2u); // the empty first cell and the two-word rows are ignored
    EXPECT_EQ(Key(*doc, 0), u"title");
    EXPECT_EQ(Value(*doc, 0), u"Hello");
    EXPECT_EQ(Value(*doc, 1), u"Bye"); // a third cell is ignored
    EXPECT_EQ(Key(*doc, 2), u"<null>");
    EXPECT_EQ(doc->GetErrors(), kis::kTdrMissingEntry);

    // "[ ]" and "[two words]" open nothing: their rows stay in the group above.
    ASSERT_TRUE(doc->EnterSection(u"other"));
    ASSERT_EQ(doc->GetEntryCount(), 1u);
    EXPECT_EQ(Key(*doc, 0), u"spaced");
    EXPECT_EQ(Value(*doc, 0), u"kept  as written ");

    // A repeated group name is a second group, reached with NextSection.
    ASSERT_TRUE(doc->EnterSection(u"main"));
    ASSERT_TRUE(doc->NextSection());
    EXPECT_EQ(Value(*doc, 0), u"Again");
    EXPECT_FALSE(doc->NextSection());
    EXPECT_TRUE(doc->Rewind());
    EXPECT_FALSE(doc->Rewind());
    EXPECT_FALSE(doc->NextSection());

    EXPECT_FALSE(doc->EnterSection(u"missing"));
    EXPECT_EQ(doc->GetErrors(), kis::kTdrMissingSection);
    EXPECT_FALSE(doc->EnterSection(u"-"));
    EXPECT_EQ(doc->GetErrors(), kis::kTdrMalformedName | kis::kTdrMissingSection);
    EXPECT_EQ(doc->GetValue(u"bad key", nullptr), nullptr);
    EXPECT_EQ(doc->GetErrors(), kis::kTdrMalformedName | kis::kTdrMissingEntry);

    // Spaces, CR and LF may stand around a group's brackets, a tab may not:
    // that row is an ordinary one (and, being no identifier, ignored).
    auto grouped = Load(dir, Sheet(Row({"\r\n [Lined]\r\n"}) + Row({"a", "1"}) + Row({"\t[Tabbed]"}) +
                                   Row({"b", "2"}) + Row({"[ \tInner\t ]"}) + Row({"c", "3"})));
    EXPECT_EQ(grouped->GetGroupCount(), 2u);
    ASSERT_TRUE(grouped->EnterSection(u"lined"));
    ASSERT_EQ(grouped->GetEntryCount(), 2u);
    EXPECT_EQ(Key(*grouped, 1), u"b");
    EXPECT_FALSE(grouped->EnterSection(u"tabbed"));
    ASSERT_TRUE(grouped->EnterSection(u"inner"));
    EXPECT_EQ(Value(*grouped, 0), u"3");
}

TEST(XmlDocument, CellsAreTakenInOrderAndEmptyCellsCount) {
    TempDir dir;
    std::string rows = "<Row><Cell><Data>a</Data></Cell><Cell/><Cell><Data>third</Data></Cell></Row>"
                       "<Row><Cell><Data>b</Data></Cell><Cell></Cell></Row>"
                       "<Row><Cell><Data>c</Data></Cell><Cell><Data/></Cell></Row>"
                       "<Row/><Row><Cell><Data>d</Data></Cell></Row>"
                       "<Row><Cell><Data>e</Data></Cell><Cell><Data>one</Data><Data>two</Data></Cell></Row>"
                       "<Row><Cell><Data>unfinished</Data></Cell>";
    auto doc = Load(dir, Sheet(rows));
    ASSERT_EQ(doc->GetEntryCount(), 5u);
    const char16_t* keys[] = {u"a", u"b", u"c", u"d", u"e"};
    const char16_t* values[] = {u"", u"", u"", u"", u"two"};
    for (uint32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(Key(*doc, i), keys[i]);
        EXPECT_EQ(Value(*doc, i), values[i]) << i;
    }
}

TEST(XmlDocument, EntitiesReferencesAndLineBreaksDecode) {
    struct Case {
        std::u16string in, out;
    } cases[] = {
        {u"a&amp;b&lt;&gt;&quot;&apos;", u"a&b<>\"'"},
        {u"&#65;&#x41;&#X41;&#x4a;", u"AA&#X41;J"},
        {u"&nbsp; & &amp &#; &#x; &#65", u"&nbsp; & &amp &#; &#x; &#65"},
        {u"one\r\ntwo\rthree\nfour", u"one two three four"},
        {u"smile &#x1F600; end", u"smile \U0001F600 end"},
        {u"zero&#0;gone&#x0;", u"zerogone"},
        {u"&#xD800;&#1114112;&#99999999999999999999;", u"\uFFFD\uFFFD\uFFFD"},
    };
    for (const Case& c : cases) {
        uint32_t n = kis::DecodeXmlText(c.in.data(), uint32_t(c.in.size()), nullptr, 0);
        std::u16string out(n + 1, u'#');
        EXPECT_EQ(kis::DecodeXmlText(c.in.data(), uint32_t(c.in.size()), out.data(), n + 1), n);
        out.resize(n);
        EXPECT_EQ(out, c.out);
    }
    // The capacity holds the terminator's place, and a surrogate pair is never split.
    std::u16string in = u"ab&#x1F600;";
    char16_t small[4] = {u'#', u'#', u'#', u'#'};
    EXPECT_EQ(kis::DecodeXmlText(in.data(), uint32_t(in.size()), small, 4), 2u);
    EXPECT_EQ(small[2], u'#');
    EXPECT_EQ(kis::DecodeXmlText(in.data(), uint32_t(in.size()), small, 0), 0u);
    // A ';' beyond the text's end closes nothing.
    std::u16string cut = u"&amp;";
    EXPECT_EQ(kis::DecodeXmlText(cut.data(), 4, nullptr, 0), 4u);

    TempDir dir;
    auto doc = Load(dir, Sheet(Row({"k", "Tom &amp; Jerry&#10;&#x263A;\r\nline"}) + Row({"q", "\"a\\nb\""})));
    EXPECT_EQ(Value(*doc, 0), u"Tom & Jerry\n\u263A line");
    char16_t buffer[8];
    EXPECT_EQ(doc->GetString(u"q", buffer, 8, u"def"), 3u);
    EXPECT_EQ(std::u16string(buffer), u"a\nb");
    char narrow[2];
    EXPECT_EQ(doc->GetStringA("q", narrow, 2, "d"), 1u);
    EXPECT_EQ(doc->GetErrors(), uint32_t(kis::kTdrTextCut));
    EXPECT_EQ(doc->GetString(u"none", buffer, 8, u"def"), 3u);
    EXPECT_EQ(std::u16string(buffer), u"def");
    EXPECT_EQ(doc->GetErrors(), kis::kTdrMissingEntry);
}

TEST(XmlDocument, EncodingsGiveTheSameDocument) {
    TempDir dir;
    std::string rows =
        Row({"name", "Grüße €"}) + Row({"[Ü]"}) + Row({"[group]"}) + Row({"key", "ä &#x20AC;"});
    std::string utf8 = Sheet(rows);
    std::u16string wide = U(utf8);
    std::string le = "\xFF\xFE", be = "\xFE\xFF";
    for (char16_t c : wide) {
        le += char(c & 0xFF), le += char(c >> 8);
        be += char(c >> 8), be += char(c & 0xFF);
    }
    const std::string files[] = {utf8, "\xEF\xBB\xBF" + utf8, le, be};
    for (const std::string& bytes : files) {
        auto doc = Load(dir, bytes);
        ASSERT_EQ(doc->GetEntryCount(), 1u);
        EXPECT_EQ(Value(*doc, 0), u"Grüße €");
        EXPECT_EQ(doc->GetGroupCount(), 1u);
        ASSERT_TRUE(doc->EnterSection(u"group"));
        EXPECT_EQ(Value(*doc, 0), u"ä €");
    }
    const std::string refused[] = {"",
                                   "\xFF\xFE\x00\x00" + utf8,
                                   std::string("\x00\x00\xFE\xFF", 4) + utf8,
                                   le + "x",
                                   "\xFF\xFE",
                                   "\xEF\xBB\xBF"};
    for (const std::string& bytes : refused) {
        auto doc = Load(dir, bytes);
        EXPECT_EQ(doc->GetGroupCount(), 0u);
        EXPECT_EQ(doc->GetEntryCount(), 0u);
        EXPECT_EQ(doc->GetValue(u"name", nullptr), nullptr);
        EXPECT_EQ(doc->GetErrors(), kis::kTdrMissingEntry);
    }
    XMLDocument missing(U(dir.File("no such file.xml")).c_str());
    EXPECT_EQ(missing.GetEntryCount(), 0u);
}

TEST(XmlDocument, AShortTagEndsTheReadingAndOnlyPlainElementNamesCount) {
    TempDir dir;
    std::string rows = Row({"before", "kept"}) + Row({"bold", "a <B>bold</B> word"}) + Row({"after", "lost"});
    ASSERT_TRUE(LogStart(U(dir.File("log.txt")).c_str()));
    auto doc = Load(dir, Sheet(rows));
    LogFinish();
    EXPECT_NE(
        testsupport::ReadFileBytes(dir.File("log.txt")).find("Spreadsheet reading stopped at character"),
        std::string::npos);
    ASSERT_EQ(doc->GetEntryCount(), 1u);
    EXPECT_EQ(Key(*doc, 0), u"before");
    std::string text = Sheet(rows);
    EXPECT_EQ(doc->ShortTagStop(), int64_t(text.find("<B>")));

    // A short closing tag stops as well; "< Row >" with spaces is still a row.
    auto closing = Load(dir, Sheet(Row({"one", "1"}) + "< Row ><Cell><Data>two</Data></Cell></ Row >" +
                                   "</ab>" + Row({"three", "3"})));
    EXPECT_EQ(closing->GetEntryCount(), 2u);
    EXPECT_GE(closing->ShortTagStop(), 0);

    // Prefixed element names are other elements; empty tags "<>" are skipped.
    auto prefixed =
        Load(dir, Sheet("<ss:Row><ss:Cell><ss:Data>x</ss:Data></ss:Cell></ss:Row><>" + Row({"plain", "y"})));
    ASSERT_EQ(prefixed->GetEntryCount(), 1u);
    EXPECT_EQ(Key(*prefixed, 0), u"plain");
    EXPECT_EQ(prefixed->ShortTagStop(), -1);
}

// Damaged sheets: random byte changes, cuts and inserted markup must never read
// outside the text, and what is read must still follow the row rules.
TEST(XmlDocument, DamagedSheetsReadWithinTheirText) {
    TempDir dir;
    const std::string base =
        Sheet(kMainRows + Row({"amp", "&#x1F600;&amp;&#"}) + Row({"[tail]"}) + Row({"z", "end"}));
    const char* inserts[] = {"<",  ">", "&", "&#x", "</Row>",       "<Cell>", "<Data>", "</Data>",
                             "\r", "[", "]", "<B>", "\xEF\xBB\xBF", "\xC3",   "\0"};
    platform::SeedRand(77);
    std::string path = dir.File("fuzz.xml");
    std::u16string widePath = U(path);
    for (int round = 0; round < 400; ++round) {
        std::string bytes = base;
        int edits = 1 + platform::Rand() % 6;
        for (int e = 0; e < edits && !bytes.empty(); ++e) {
            size_t at = size_t(platform::Rand()) * 32768 + platform::Rand();
            at %= bytes.size();
            switch (platform::Rand() % 4) {
            case 0:
                bytes[at] = char(platform::Rand() & 0xFF);
                break;
            case 1:
                bytes.erase(at, 1 + platform::Rand() % 16);
                break;
            case 2:
                bytes.insert(at, inserts[platform::Rand() % std::size(inserts)]);
                break;
            default:
                bytes.resize(at);
                break;
            }
        }
        if (round % 3 == 0) { // the same damage as UTF-16
            std::u16string wide = U(bytes);
            bytes = "\xFF\xFE";
            for (char16_t c : wide)
                bytes += char(c & 0xFF), bytes += char(c >> 8);
        }
        ASSERT_TRUE(WriteFileBytes(path, bytes));
        XMLDocument doc(widePath.c_str());
        ASSERT_LE(doc.GetGroupCount(), 8u);
        for (uint32_t i = 0; i < doc.GetEntryCount(); ++i) {
            uint32_t n = 0;
            const char16_t* key = doc.GetKeyAt(i, &n);
            ASSERT_NE(key, nullptr);
            ASSERT_EQ(key[n], 0);
            kis::IdentScan scan;
            EXPECT_TRUE(kis::ScanIdent(key, n, kis::kUnboundedLength, false, 0, scan) && scan.length == n);
            const char16_t* value = doc.GetValueAt(i, &n);
            ASSERT_NE(value, nullptr);
            ASSERT_EQ(value[n], 0);
        }
    }
}
