// Sections:
//   byte helpers
//   WinFont stream
//   BitmapFont stream
//   loaders
//   descriptions
//   the keys a description holds
//   reading descriptions
//   writing descriptions

#include "text/KGEFontFile.h"

#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "foundation/FieldFormat.h"
#include "foundation/Ident.h"
#include "foundation/NumberText.h"
#include "foundation/Paths.h"
#include "text/OutOfMemory.h"

#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr uint32_t kImageRecordSize = 16;
constexpr uint32_t kGridRecordSize = 44;
constexpr uint32_t kGlyphRecordSize = 32;
constexpr uint32_t kKerningPairSize = 8;

// ---------------------------------------------------------------- byte helpers

class ByteWriter {
  public:
    void U16(uint16_t v) {
        size_t at = bytes.size();
        bytes.resize(at + 2);
        kis::StoreLE16(&bytes[at], v);
    }
    void U32(uint32_t v) {
        size_t at = bytes.size();
        bytes.resize(at + 4);
        kis::StoreLE32(&bytes[at], v);
    }
    void I32(int32_t v) { U32(uint32_t(v)); }
    void Rect(const kis::Rect& r) {
        I32(r.left);
        I32(r.top);
        I32(r.right);
        I32(r.bottom);
    }
    uint32_t Size() const { return uint32_t(bytes.size()); }
    const uint8_t* Data() const { return bytes.data(); }
    uint32_t Crc() const { return kis::Crc32(bytes.data(), Size(), 0, 0); }

    std::vector<uint8_t> bytes;
};

class ByteReader {
  public:
    explicit ByteReader(const uint8_t* p) : p_(p) {}
    uint16_t U16() {
        uint16_t v = kis::LoadLE16(p_);
        p_ += 2;
        return v;
    }
    uint32_t U32() {
        uint32_t v = kis::LoadLE32(p_);
        p_ += 4;
        return v;
    }
    int32_t I32() { return int32_t(U32()); }
    uint8_t U8() { return *p_++; }
    void Skip(int n) { p_ += n; }
    kis::Rect Rect() {
        kis::Rect r;
        r.left = I32();
        r.top = I32();
        r.right = I32();
        r.bottom = I32();
        return r;
    }

  private:
    const uint8_t* p_;
};

// The header word i of a header held in bytes.
uint32_t Word(const uint8_t* header, int i) {
    return kis::LoadLE32(header + 4 * i);
}

// Refuses the stream: the data file's sticky failure is raised as well.
HResult Refuse(kis::BaseDataFile* file) {
    file->Fail();
    return kKgeFail;
}

// Reads an array of `size` bytes whose CRC-32 must be `crc`.
bool ReadArray(kis::BaseDataFile* file, std::vector<uint8_t>& bytes, uint32_t size, uint32_t crc) {
    if (size > file->ChunkBytesLeft()) return false;
    bytes.assign(size, 0);
    return size == 0 || file->ReadVerified(bytes.data(), size, crc);
}

bool WriteAll(kis::BaseDataFile* writer, const uint32_t magic[2],
              const std::vector<const ByteWriter*>& parts) {
    ByteWriter head;
    head.U32(magic[0]);
    head.U32(magic[1]);
    bool ok = writer->Write(head.Data(), head.Size());
    for (const ByteWriter* part : parts)
        ok = ok && (part->Size() == 0 || writer->Write(part->Data(), part->Size()));
    return ok;
}

// The header's word 1: the CRC-32 of every byte after the first two words.
void SealHeader(ByteWriter& header) {
    kis::StoreLE32(&header.bytes[4], kis::Crc32(header.Data(), header.Size(), 8, 0));
}

// Reads a header of `size` bytes: its size word, then the rest with its CRC-32.
bool ReadHeader(kis::BaseDataFile* reader, uint8_t* header, uint32_t size) {
    if (!reader->Read(header, 4) || Word(header, 0) != size) return false;
    if (!reader->Read(header + 4, size - 4)) return false;
    return kis::Crc32(header, size, 8, 0) == Word(header, 1);
}

} // namespace

// ---------------------------------------------------------------- WinFont stream

HResult KGEWinFont::WriteBinary(kis::BaseDataFile* writer) {
    if (!writer) return kKgeFail;
    ByteWriter chars;
    for (uint32_t i = 0; i < glyphCount_; ++i)
        chars.U16(glyphs_[i].character);

    ByteWriter header;
    header.U32(kWinFontHeaderSize);
    header.U32(0);
    header.I32(desc_.pointSize);
    header.I32(desc_.weight);
    header.U32(desc_.charset);
    header.U32(uint32_t(desc_.style) | uint32_t(desc_.pitchAndFamily) << 8 | uint32_t(desc_.quality) << 16 |
               uint32_t(desc_.spare) << 24);
    header.U32(desc_.colour);
    for (char16_t ch : desc_.faceName)
        header.U16(ch);
    header.U32(desc_.effectFlags);
    header.U32(desc_.spaceSetting);
    header.U32(defaultChar_);
    header.U32(glyphCount_);
    header.U32(chars.Size());
    header.U32(chars.Crc());
    header.I32(tracking_);
    header.I32(leading_);
    header.U32(colour_);
    const GlyphEffect outline = outline_ ? *outline_ : GlyphEffect{};
    header.U32(outline.mode);
    header.U32(std::bit_cast<uint32_t>(outline.size));
    header.U32(outline.colour);
    header.U32(outline.threshold);
    header.U32(outline.soft);
    const GlyphShadow shadow = shadow_ ? *shadow_ : GlyphShadow{};
    header.U32(shadow.mode);
    header.I32(shadow.offsetX);
    header.I32(shadow.offsetY);
    header.U32(shadow.colour);
    SealHeader(header);

    return WriteAll(writer, kWinFontMagic, {&header, &chars}) ? 0 : kKgeFail;
}

HResult KGEWinFont::ReadBinary(kis::BaseDataFile* reader) {
    uint8_t header[kWinFontHeaderSize];
    if (!ReadHeader(reader, header, kWinFontHeaderSize)) return Refuse(reader);
    // Only lists of exactly one character per glyph, for at most 4096
    // glyphs, are accepted: the build reads as many characters as glyphs.
    const uint32_t count = Word(header, 26);
    const uint32_t size = Word(header, 27);
    if (count > kKgeMaxGlyphs || size != count * 2) return Refuse(reader);
    std::vector<uint8_t> bytes;
    if (count != 0 && !ReadArray(reader, bytes, size, Word(header, 28))) return Refuse(reader);
    std::vector<char16_t> chars(count);
    for (uint32_t i = 0; i < count; ++i)
        chars[i] = kis::LoadLE16(&bytes[2 * i]);

    ByteReader in(header + 8);
    KGEWinFontDesc desc{};
    desc.pointSize = in.I32();
    desc.weight = in.I32();
    desc.charset = in.U32();
    desc.style = in.U8();
    desc.pitchAndFamily = in.U8();
    desc.quality = in.U8();
    desc.spare = in.U8();
    desc.colour = in.U32();
    for (char16_t& ch : desc.faceName)
        ch = in.U16();
    desc.effectFlags = in.U32();
    desc.spaceSetting = in.U32();
    const uint32_t defaultChar = in.U32();
    in.Skip(12); // count, size and CRC of the characters
    const int32_t tracking = in.I32();
    const int32_t leading = in.I32();
    const uint32_t quadColour = in.U32();
    GlyphEffect outline{};
    outline.mode = in.U32();
    outline.size = std::bit_cast<float>(in.U32());
    outline.colour = in.U32();
    outline.threshold = uint8_t(in.U32());
    outline.soft = in.U32();
    GlyphShadow shadow{};
    shadow.mode = in.U32();
    shadow.offsetX = in.I32();
    shadow.offsetY = in.I32();
    shadow.colour = in.U32();
    // The shadow's offsets widen every glyph image; beyond the largest glyph
    // they can only be damage.
    if (shadow.offsetX < -kMaxPointSize || shadow.offsetX > kMaxPointSize ||
        shadow.offsetY < -kMaxPointSize || shadow.offsetY > kMaxPointSize)
        return Refuse(reader);

    HResult hr = Build(true, desc.effectFlags, &desc, desc.spaceSetting, defaultChar, count, chars.data(),
                       &outline, &shadow);
    if (hr != 0) return hr;
    tracking_ = tracking;
    leading_ = leading;
    colour_ = quadColour;
    return 0;
}

// ---------------------------------------------------------------- BitmapFont stream

HResult KGEBitmapFont::WriteBinary(kis::BaseDataFile* writer) {
    if (!writer) return kKgeFail;
    ByteWriter images;
    for (uint32_t i = 0; i < imageCount_; ++i) {
        const KGEImageRecord& image = images_[i];
        images.I32(image.x);
        images.I32(image.y);
        images.I32(image.width);
        images.U32(uint32_t(image.visible) | uint32_t(image.spare[0]) << 8 | uint32_t(image.spare[1]) << 16 |
                   uint32_t(image.spare[2]) << 24);
    }
    ByteWriter grid;
    if (grid_) {
        grid.U32(grid_->flags);
        grid.I32(grid_->skipX);
        grid.I32(grid_->skipY);
        grid.Rect(grid_->rect);
        grid.Rect(grid_->borders);
    }
    ByteWriter glyphs;
    for (uint32_t i = 0; i < glyphCount_; ++i) {
        const KGEGlyph& glyph = glyphs_[i];
        glyphs.U16(glyph.character);
        glyphs.U16(glyph.index);
        glyphs.U32(glyph.image);
        glyphs.U32(glyph.drawable);
        glyphs.I32(glyph.advance);
        glyphs.I32(glyph.offsetX);
        glyphs.I32(glyph.offsetY);
        glyphs.U32(glyph.kerningCount);
        glyphs.U32(glyph.kerningFirst);
    }
    ByteWriter kerning;
    for (uint32_t i = 0; i < kerningCount_; ++i) {
        kerning.U32(kerning_[i].second);
        kerning.I32(kerning_[i].amount);
    }

    ByteWriter header;
    header.U32(kBitmapFontHeaderSize);
    header.U32(0);
    header.I32(cellHeight_);
    header.U32(imageCount_);
    header.U32(images.Size());
    header.U32(grid.Size());
    header.U32(images.Crc());
    header.U32(grid.Crc());
    header.U32(charset_);
    header.I32(height_);
    header.I32(ascent_);
    header.I32(spaceWidth_);
    header.U32(defaultChar_);
    header.U32(glyphCount_);
    header.U32(glyphs.Size());
    header.U32(glyphs.Crc());
    header.U32(kerningCount_);
    header.U32(kerning.Size());
    header.U32(kerning.Crc());
    header.I32(tracking_);
    header.I32(leading_);
    header.U32(colour_);
    SealHeader(header);

    return WriteAll(writer, kBitmapFontMagic, {&header, &images, &grid, &glyphs, &kerning}) ? 0 : kKgeFail;
}

HResult KGEBitmapFont::ReadBinary(kis::BaseDataFile* reader) {
    uint8_t header[kBitmapFontHeaderSize];
    if (!ReadHeader(reader, header, kBitmapFontHeaderSize)) return Refuse(reader);
    std::vector<uint8_t> bytes;

    // Image records. A count above the limit is clamped, so its size word no
    // longer matches.
    grid_.reset();
    AllocImages(Word(header, 3));
    SetCellHeight(int32_t(Word(header, 2)));
    if (uint64_t(Word(header, 4)) != uint64_t(imageCount_) * kImageRecordSize ||
        !ReadArray(reader, bytes, Word(header, 4), Word(header, 6)))
        return Refuse(reader);
    ByteReader images(bytes.data());
    for (uint32_t i = 0; i < imageCount_; ++i) {
        KGEImageRecord& image = images_[i];
        image.x = images.I32();
        image.y = images.I32();
        image.width = images.I32();
        image.visible = images.U8();
        for (uint8_t& spare : image.spare)
            spare = images.U8();
    }

    const uint32_t gridSize = Word(header, 5);
    if (gridSize != 0 && gridSize != kGridRecordSize) return Refuse(reader);
    if (gridSize != 0) {
        if (!ReadArray(reader, bytes, gridSize, Word(header, 7))) return Refuse(reader);
        ByteReader in(bytes.data());
        auto grid = std::make_unique<KGEGridRecord>();
        grid->flags = in.U32();
        grid->skipX = in.I32();
        grid->skipY = in.I32();
        grid->rect = in.Rect();
        grid->borders = in.Rect();
        grid_ = std::move(grid);
    }

    AllocGlyphs(Word(header, 8), Word(header, 13));
    if (uint64_t(Word(header, 14)) != uint64_t(glyphCount_) * kGlyphRecordSize ||
        !ReadArray(reader, bytes, Word(header, 14), Word(header, 15)))
        return Refuse(reader);
    ByteReader glyphs(bytes.data());
    for (uint32_t i = 0; i < glyphCount_; ++i) {
        KGEGlyph& glyph = glyphs_[i];
        glyph.character = glyphs.U16();
        glyph.index = glyphs.U16();
        glyph.image = glyphs.U32();
        glyph.drawable = glyphs.U32();
        glyph.advance = glyphs.I32();
        glyph.offsetX = glyphs.I32();
        glyph.offsetY = glyphs.I32();
        glyph.kerningCount = glyphs.U32();
        glyph.kerningFirst = glyphs.U32();
    }

    SetMetrics(int32_t(Word(header, 9)), int32_t(Word(header, 10)), int32_t(Word(header, 11)),
               char16_t(Word(header, 12)));
    BuildCharMap();

    // The pair count is held against the glyphs and the bytes that remain
    // before anything is allocated for it.
    const uint64_t pairs = Word(header, 16);
    if (pairs > uint64_t(glyphCount_) * glyphCount_) return kKgeTooManyKerningPairs;
    if (uint64_t(Word(header, 17)) != pairs * kKerningPairSize || Word(header, 17) > reader->ChunkBytesLeft())
        return Refuse(reader);
    AllocKerning(pairs);
    if (!ReadArray(reader, bytes, Word(header, 17), Word(header, 18))) return Refuse(reader);
    ByteReader kerning(bytes.data());
    for (uint32_t i = 0; i < kerningCount_; ++i) {
        kerning_[i].second = kerning.U32();
        kerning_[i].amount = kerning.I32();
    }
    // Every glyph's pairs must lie inside the table.
    for (uint32_t i = 0; i < glyphCount_; ++i)
        if (uint64_t(glyphs_[i].kerningFirst) + glyphs_[i].kerningCount > kerningCount_)
            return Refuse(reader);

    tracking_ = int32_t(Word(header, 19));
    leading_ = int32_t(Word(header, 20));
    colour_ = Word(header, 21);
    return 0;
}

// ---------------------------------------------------------------- loaders

HResult KGEWriteFont(kis::BaseDataFile* writer, KGEFont* font) {
    if (!writer || !font) return kKgeFail;
    return font->WriteBinary(writer);
}

namespace {

// A short read fails the stream and the data file with it; a magic of
// another class only refuses this font, the data file stays good.
HResult ReadMagic(kis::BaseDataFile* reader, const uint32_t magic[2]) {
    uint8_t bytes[8];
    if (!reader->Read(bytes, 8)) return Refuse(reader);
    return kis::LoadLE32(bytes) == magic[0] && kis::LoadLE32(bytes + 4) == magic[1] ? 0 : kKgeFail;
}

template <typename Font, typename Body>
HResult LoadFont(DXLViewer* viewer, kis::BaseDataFile* reader, const uint32_t magic[2], Font** out,
                 Body body) {
    if (out) *out = nullptr;
    if (!reader) return kKgeFail;
    if (HResult hr = ReadMagic(reader, magic); hr != 0) return hr;
    auto* font = KGENew<Font>(viewer);
    HResult hr = body(font);
    if (hr != 0 || !out) {
        delete font;
        return hr;
    }
    *out = font;
    return 0;
}

} // namespace

HResult KGELoadWinFont(DXLViewer* viewer, kis::BaseDataFile* reader, KGEWinFont** out) {
    return LoadFont(viewer, reader, kWinFontMagic, out,
                    [&](KGEWinFont* font) { return font->ReadBinary(reader); });
}

HResult KGELoadBitmapFont(DXLViewer* viewer, DXLTexture* texture, kis::BaseDataFile* reader,
                          KGEBitmapFont** out) {
    return LoadFont(viewer, reader, kBitmapFontMagic, out, [&](KGEBitmapFont* font) {
        font->SetTexture(texture, false);
        return font->ReadBinary(reader);
    });
}

// ---------------------------------------------------------------- descriptions

namespace {

struct CharsetKeyword {
    const char16_t* name;
    uint32_t charset;
};
constexpr CharsetKeyword kCharsetKeywords[] = {
    {u"ansi", 0},         {u"default", 1},  {u"shiftjis", 128},    {u"hangul", 129}, {u"hangeul", 129},
    {u"johab", 130},      {u"gb2312", 134}, {u"chinesebig5", 136}, {u"greek", 161},  {u"turkish", 162},
    {u"vietnamese", 163}, {u"hebrew", 177}, {u"arabic", 178},      {u"baltic", 186}, {u"russian", 204},
    {u"cyrillic", 204},   {u"thai", 222},   {u"easteurope", 238},
};

using Document = kis::TDRDocument;
using Entry = Document::Entry;

// Failure bits of a getter, not counting a key that is simply absent.
bool GetterFailed(Document* document) {
    return (document->GetErrors() & ~uint32_t(kis::kTdrMissingEntry)) != 0;
}

// Reads the records of every line of the key (only the first line unless
// repeatable) into one list. False when a line does not match the format.
template <typename Record>
bool ReadLines(Document* document, const char16_t* key, const char16_t* format, bool repeatable,
               std::vector<Record>& out) {
    out.clear();
    for (const Entry* entry = document->FindEntry(key, false); entry;
         entry = repeatable ? document->FindEntry(key, true) : nullptr) {
        int32_t count = 0;
        if (kis::ScanFieldsW(format, INT32_MAX, nullptr, 0, kis::kScanCount, entry->Value(),
                             document->GetCodePage(), &count) != kis::kScanOk)
            return false;
        size_t at = out.size();
        out.resize(at + size_t(count));
        int32_t read = 0;
        if (count > 0 && (kis::ScanFieldsW(format, count, &out[at], sizeof(Record), kis::kScanRecords,
                                           entry->Value(), document->GetCodePage(), &read) != kis::kScanOk ||
                          read != count))
            return false;
    }
    return true;
}

// True when the value is the identifier "default" in any case.
bool IsDefaultKeyword(const char16_t* value) {
    kis::Ident ident;
    return ident.Parse(value, kis::Ident::kTerminated, true) && ident.length == 7 &&
           std::u16string_view(ident.name, 7) == u"default";
}

// A line height or ascent: an integer, or "default" (also when absent).
bool ReadMetricValue(Document* document, const char16_t* key, int32_t* value) {
    const Entry* entry = document->FindEntry(key, false);
    *value = kKgeDefault;
    if (!entry || IsDefaultKeyword(entry->Value())) return true;
    return kis::ParseIntValueW(entry->Value(), *value);
}

// An unsigned value, decimal or hexadecimal with a prefix.
bool ReadUnsigned(Document* document, const char16_t* key, uint32_t def, uint32_t* value) {
    const Entry* entry = document->FindEntry(key, false);
    *value = def;
    if (!entry) return true;
    const char16_t* text = entry->Value();
    while (*text == u' ' || *text == u'\t')
        ++text;
    if (text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) return kis::ParseHexValueW(text, *value);
    kis::TDRFieldScannerW scanner(text, document->GetCodePage());
    scanner.dest = value;
    return scanner.ScanUInt(4, false) && kis::IsRestEmptyOrCommentW(scanner.cursor);
}

// Every line of a text key, joined.
bool ReadJoinedText(Document* document, const char16_t* key, std::u16string& out, bool* found) {
    out.clear();
    *found = false;
    for (const Entry* entry = document->FindEntry(key, false); entry;
         entry = document->FindEntry(key, true)) {
        *found = true;
        uint32_t needed = 0;
        int status = kis::ScanStringValueW(entry->Value(), static_cast<char16_t*>(nullptr), 0,
                                           document->GetCodePage(), needed);
        if (status & kis::kStringInvalid) return false;
        std::u16string part(size_t(needed) + 1, u'\0');
        uint32_t written = 0;
        if (kis::ScanStringValueW(entry->Value(), part.data(), needed + 1, document->GetCodePage(),
                                  written) != kis::kStringRead)
            return false;
        out.append(part.data(), written);
    }
    return true;
}

const char16_t* FileNamePart(const char16_t* path) {
    const char16_t* name = path;
    for (const char16_t* p = path; *p; ++p)
        if (*p == u'\\' || *p == u'/') name = p + 1;
    return name;
}

struct OffsetRecord {
    int32_t x;
    int32_t y;
};

} // namespace

bool CharsetFromKeyword(const char16_t* keyword, uint32_t* charset) {
    kis::Ident ident;
    if (!keyword || !ident.Parse(keyword, kis::Ident::kTerminated, true)) return false;
    for (const CharsetKeyword& entry : kCharsetKeywords) {
        if (std::u16string_view(ident.name, ident.length) == entry.name) {
            *charset = entry.charset;
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------- the keys a description holds

namespace {

// Numbers joined by ", ", each record in brackets when it has several fields.
template <typename Values> void AppendRecord(std::u16string& out, const Values& values) {
    out += u'(';
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) out += u',';
        out += kis::DecimalText(values[i]);
    }
    out += u')';
}

void AppendLine(std::u16string& out, bool indented, const char16_t* key, const std::u16string& value) {
    if (indented) out += u'\t';
    out += key;
    out += u" = ";
    out += value;
    out += u"\r\n";
}

std::u16string Numbers(std::initializer_list<int64_t> values) {
    std::u16string text;
    for (int64_t v : values) {
        if (!text.empty()) text += u", ";
        text += kis::DecimalText(v);
    }
    return text;
}

// A quoted character; the reader takes whatever stands between the quotes.
std::u16string QuotedChar(char16_t c) {
    return std::u16string{u'\'', c, u'\''};
}

// A quoted text, its quotes and backslashes escaped.
std::u16string QuotedText(std::u16string_view text) {
    std::u16string quoted = u"\"";
    for (char16_t c : text) {
        if (c == u'"' || c == u'\\') quoted += u'\\';
        quoted += c;
    }
    return quoted + u'"';
}

// The font's single values, gathered so that one table reads and writes them.
struct FontNumbers {
    int64_t height = 0;
    int64_t ascent = 0;
    int64_t space = 0;
    int64_t defaultChar = 0;
    int64_t tracking = 0;
    int64_t leading = 0;
    int64_t colour = 0;
};

enum class NumberForm {
    Integer,
    Metric, // an integer, or "default" (also when absent)
    Char,   // a quoted character; written only when it is not 0
    Colour, // decimal or hexadecimal with a prefix; written as 0x and eight digits
};

struct NumberKey {
    const char16_t* key;
    NumberForm form;
    int64_t FontNumbers::*field;
};

// The metrics, after the characters.
constexpr NumberKey kMetricKeys[] = {
    {u"height", NumberForm::Metric, &FontNumbers::height},
    {u"ascent", NumberForm::Metric, &FontNumbers::ascent},
    {u"space", NumberForm::Integer, &FontNumbers::space},
    {u"defchar", NumberForm::Char, &FontNumbers::defaultChar},
};

// How the text is set and coloured, after the kerning.
constexpr NumberKey kLookKeys[] = {
    {u"tracking", NumberForm::Integer, &FontNumbers::tracking},
    {u"leading", NumberForm::Integer, &FontNumbers::leading},
    {u"color", NumberForm::Colour, &FontNumbers::colour},
};

bool ReadNumber(Document* document, const NumberKey& key, FontNumbers& numbers) {
    int64_t& value = numbers.*key.field;
    switch (key.form) {
    case NumberForm::Integer:
        value = document->GetInt(key.key, 0);
        return !GetterFailed(document);
    case NumberForm::Metric: {
        int32_t metric = 0;
        const bool ok = ReadMetricValue(document, key.key, &metric);
        value = metric;
        return ok;
    }
    case NumberForm::Char:
        value = document->GetChar(key.key, 0);
        return !GetterFailed(document);
    case NumberForm::Colour: {
        uint32_t colour = 0;
        const bool ok = ReadUnsigned(document, key.key, 0xFFFFFFFFu, &colour);
        value = colour;
        return ok;
    }
    }
    return false;
}

void WriteNumber(std::u16string& out, const NumberKey& key, const FontNumbers& numbers) {
    const int64_t value = numbers.*key.field;
    switch (key.form) {
    case NumberForm::Integer:
    case NumberForm::Metric:
        AppendLine(out, false, key.key, Numbers({value}));
        break;
    case NumberForm::Char:
        if (value != 0) AppendLine(out, false, key.key, QuotedChar(char16_t(value)));
        break;
    case NumberForm::Colour: {
        char colour[16];
        std::snprintf(colour, sizeof colour, "0x%08x", uint32_t(value));
        AppendLine(out, false, key.key, std::u16string(colour, colour + std::strlen(colour)));
        break;
    }
    }
}

template <size_t N> bool ReadNumbers(Document* document, const NumberKey (&keys)[N], FontNumbers& numbers) {
    for (const NumberKey& key : keys)
        if (!ReadNumber(document, key, numbers)) return false;
    return true;
}

template <size_t N>
void WriteNumbers(std::u16string& out, const NumberKey (&keys)[N], const FontNumbers& numbers) {
    for (const NumberKey& key : keys)
        WriteNumber(out, key, numbers);
}

FontNumbers NumbersOf(const KGEBitmapFont& font) {
    FontNumbers numbers;
    numbers.height = font.GetHeight();
    numbers.ascent = font.GetAscent();
    numbers.space = font.GetSpaceWidth();
    numbers.defaultChar = font.GetDefaultChar();
    numbers.tracking = font.GetTracking();
    numbers.leading = font.GetLeading();
    numbers.colour = font.GetColour();
    return numbers;
}

// The grid's optional keys inside "glyphs": one record of numbers each, set
// under its flag.
using GridValues = std::array<int32_t, 4>;
struct GridKey {
    const char16_t* key;
    const char16_t* format;
    uint32_t flag;
    // Sets the description from the values; false leaves the flag unset.
    bool (*read)(const GridValues& values, KGEImageDescription& desc);
    std::u16string (*write)(const KGEGridRecord& grid);
};

const GridKey kGridKeys[] = {
    {u"skip", u"i4,i4", kGridSkip,
     [](const GridValues& v, KGEImageDescription& desc) {
         desc.skipX = v[0];
         desc.skipY = v[1];
         return true;
     },
     [](const KGEGridRecord& grid) {
         return Numbers({grid.skipX, grid.skipY});
     }},
    // left, top, width, height; a rectangle without area is no rectangle.
    {u"rect", u"l,l,l,l", kGridRect,
     [](const GridValues& v, KGEImageDescription& desc) {
         if (v[2] < 1 || v[3] < 1) return false;
         desc.rect = kis::MakeRect(v[0], v[1], v[0] + v[2], v[1] + v[3]);
         return true;
     },
     [](const KGEGridRecord& grid) {
         const kis::Rect& r = grid.rect;
         return Numbers({r.left, r.top, int64_t(r.right) - r.left, int64_t(r.bottom) - r.top});
     }},
    {u"borders", u"l,l,l,l", kGridBorders,
     [](const GridValues& v, KGEImageDescription& desc) {
         desc.borders = kis::MakeRect(v[0], v[1], v[2], v[3]);
         return true;
     },
     [](const KGEGridRecord& grid) {
         const kis::Rect& b = grid.borders;
         return Numbers({b.left, b.top, b.right, b.bottom});
     }},
};

// ---------------------------------------------------------------- reading descriptions

// The image the glyphs are cut from: found in the collection by its file
// name, or made there (or made on the viewer and owned by the font), its path
// taken relative to the description's file.
HResult FindImage(Document* document, DXLTextures* collection, KGEBitmapFont& font) {
    char16_t image[kis::kTdrMaxFileName + 1] = {};
    document->GetString(u"image", image, kis::kTdrMaxFileName + 1, nullptr);
    if (document->GetErrors() != 0 || image[0] == 0) return kKgeBadDescription;
    const char16_t* name = FileNamePart(image);
    DXLTexture* texture = collection ? collection->FindByName(name) : nullptr;
    if (texture) {
        font.SetTexture(texture, false);
        return 0;
    }
    char16_t documentName[kis::kTdrMaxFileName + 1] = {};
    char16_t path[kis::kTdrMaxFileName + 1] = {};
    document->GetFileName(documentName, kis::kTdrMaxFileName + 1);
    if (!kis::CombinePathW(path, kis::kTdrMaxFileName + 1, documentName, image, true))
        return kKgeBadDescription;
    texture = collection ? collection->NewTexture() : KGENew<DXLTexture>(font.GetViewer());
    if (!texture) KGEOutOfMemory();
    texture->SetState(MakeTextureStateUniform(1, 3, kBlendAlpha, 4));
    texture->SetImageFilter(kImageFilterNone);
    texture->SetFileName(path, true);
    texture->SetName(name);
    font.SetTexture(texture, collection == nullptr);
    return 0;
}

// A grid of one width for all images or a width list, with the optional keys.
bool ReadGrid(Document* document, KGEImageDescription& desc, std::vector<int32_t>& list) {
    desc.flags = kGridOn;
    if (document->HasKey(u"widthlist")) {
        if (!ReadLines(document, u"widthlist", u"i4", true, list)) return false;
        desc.flags |= kGridWidthList;
        desc.imageCount = uint32_t(list.size());
    } else {
        list.push_back(document->GetInt(u"width", 0));
        if (GetterFailed(document)) return false;
        desc.imageCount = kKgeMaxImages;
    }
    for (const GridKey& key : kGridKeys) {
        if (!document->HasKey(key.key)) continue;
        std::vector<GridValues> values;
        if (!ReadLines(document, key.key, key.format, false, values) || values.size() != 1) return false;
        if (key.read(values[0], desc)) desc.flags |= key.flag;
    }
    return true;
}

// Where the images lie: explicit (x, y, width) areas, or a grid.
HResult ReadImageAreas(Document* document, KGEBitmapFont& font) {
    KGEImageDescription desc{};
    desc.cellHeight = document->GetInt(u"height", 0);
    if (GetterFailed(document)) return kKgeBadDescription;
    std::vector<int32_t> list;
    if (document->HasKey(u"glyphs")) {
        std::vector<std::array<int32_t, 3>> areas;
        if (!ReadLines(document, u"glyphs", u"i4,i4,i4", true, areas)) return kKgeBadDescription;
        for (const auto& area : areas)
            list.insert(list.end(), area.begin(), area.end());
        desc.imageCount = uint32_t(areas.size());
    } else if (!ReadGrid(document, desc, list)) {
        return kKgeBadDescription;
    }
    desc.list = list.data();
    return font.SetImages(&desc);
}

// The charset (by keyword) and the characters, one glyph each.
bool ReadChars(Document* document, KGEBitmapFont& font) {
    uint32_t charset = kCharsetDefault;
    if (document->HasKey(u"charset")) {
        char16_t keyword[12] = {};
        document->GetString(u"charset", keyword, 12, nullptr);
        if (document->GetErrors() != 0 || !CharsetFromKeyword(keyword, &charset)) return false;
    }
    std::u16string chars;
    bool found = false;
    if (!ReadJoinedText(document, u"chars", chars, &found) || !found) return false;
    font.AllocGlyphs(charset, uint32_t(std::min<size_t>(chars.size(), kKgeMaxGlyphs)));
    font.SetChars(chars.data(), uint32_t(chars.size()));
    return true;
}

// Glyph images, advances and offsets: one value per glyph, or the defaults
// (glyph i shows image i and advances by its width).
bool ReadGlyphLists(Document* document, KGEBitmapFont& font) {
    const uint32_t glyphCount = font.GetGlyphCount();
    std::vector<int32_t> imageList, widthList;
    std::vector<OffsetRecord> offsetList;
    const Entry* glyphList = document->FindEntry(u"glyphlist", false);
    if (glyphList && !IsDefaultKeyword(glyphList->Value()) &&
        (!ReadLines(document, u"glyphlist", u"i4", false, imageList) || imageList.size() != glyphCount))
        return false;
    if (document->HasKey(u"widthlist") &&
        (!ReadLines(document, u"widthlist", u"i4", false, widthList) || widthList.size() != glyphCount))
        return false;
    if (document->HasKey(u"offsetlist") &&
        (!ReadLines(document, u"offsetlist", u"l,l", false, offsetList) || offsetList.size() != glyphCount))
        return false;
    const KGEImageRecord* images = font.GetImages();
    for (uint32_t i = 0; i < glyphCount; ++i) {
        KGEGlyph& glyph = font.GetGlyphs()[i];
        glyph.image = imageList.empty() ? i : uint32_t(imageList[i]);
        const int32_t imageWidth = glyph.image < font.GetImageCount() ? images[glyph.image].width : 0;
        const int32_t width = widthList.empty() ? -1 : widthList[i];
        glyph.advance = (width == -1 || width == kKgeDefault) ? imageWidth : width;
        glyph.offsetX = offsetList.empty() ? 0 : offsetList[i].x;
        glyph.offsetY = offsetList.empty() ? 0 : offsetList[i].y;
    }
    return true;
}

// ---------------------------------------------------------------- writing descriptions

// The "glyphs" section: the image by its texture's name, the cell height, and
// the explicit areas or the grid.
void WriteImages(const KGEBitmapFont& font, std::u16string& out) {
    out += u"glyphs {\r\n";
    const DXLTexture* texture = font.GetTexture();
    if (texture && texture->GetName() && texture->GetName()[0])
        AppendLine(out, true, u"image", QuotedText(texture->GetName()));
    AppendLine(out, true, u"height", Numbers({font.GetCellHeight()}));
    const KGEImageRecord* images = font.GetImages();
    const KGEGridRecord* grid = font.GetGrid();
    if (!grid) {
        std::u16string areas;
        for (uint32_t i = 0; i < font.GetImageCount(); ++i) {
            if (i > 0) areas += u", ";
            AppendRecord(areas, std::array<int64_t, 3>{images[i].x, images[i].y, images[i].width});
        }
        AppendLine(out, true, u"glyphs", areas);
    } else {
        if (grid->flags & kGridWidthList) {
            std::u16string widths;
            for (uint32_t i = 0; i < font.GetImageCount(); ++i) {
                if (i > 0) widths += u", ";
                widths += kis::DecimalText(images[i].width);
            }
            AppendLine(out, true, u"widthlist", widths);
        } else {
            AppendLine(out, true, u"width", Numbers({images[0].width}));
        }
        for (const GridKey& key : kGridKeys)
            if (grid->flags & key.flag) AppendLine(out, true, key.key, key.write(*grid));
    }
    out += u"}\r\n";
}

// Images and advances are written as lists only where a glyph departs from
// the defaults (glyph i shows image i, advancing by its width), so reading
// the description back gives the same font.
void WriteGlyphLists(const KGEBitmapFont& font, std::u16string& out) {
    const KGEImageRecord* images = font.GetImages();
    bool ownImages = false, ownAdvances = false;
    std::u16string imageList, advances, offsets;
    for (uint32_t i = 0; i < font.GetGlyphCount(); ++i) {
        const KGEGlyph& glyph = font.GetGlyphs()[i];
        const int32_t imageWidth = glyph.image < font.GetImageCount() ? images[glyph.image].width : 0;
        ownImages = ownImages || glyph.image != i;
        ownAdvances = ownAdvances || glyph.advance != imageWidth;
        if (i > 0) {
            imageList += u", ";
            advances += u", ";
            offsets += u", ";
        }
        imageList += kis::DecimalText(glyph.image);
        advances += kis::DecimalText(glyph.advance);
        AppendRecord(offsets, std::array<int64_t, 2>{glyph.offsetX, glyph.offsetY});
    }
    AppendLine(out, false, u"glyphlist", ownImages ? imageList : u"default");
    if (ownAdvances) AppendLine(out, false, u"widthlist", advances);
    AppendLine(out, false, u"offsetlist", offsets);
}

// Every glyph's kerning pairs as (first, second, amount); false when a pair
// lies outside the tables.
bool WriteKerning(const KGEBitmapFont& font, std::u16string& out) {
    const uint32_t kerningCount = font.GetKerningCount();
    if (kerningCount == 0) return true;
    const KGEGlyph* glyphs = font.GetGlyphs();
    const KGEKerningPair* kerning = font.GetKerning();
    std::u16string pairs;
    for (uint32_t i = 0; i < font.GetGlyphCount(); ++i) {
        const KGEGlyph& glyph = glyphs[i];
        for (uint32_t k = 0; k < glyph.kerningCount; ++k) {
            const uint64_t at = uint64_t(glyph.kerningFirst) + k;
            if (at >= kerningCount || kerning[at].second >= font.GetGlyphCount()) return false;
            if (!pairs.empty()) pairs += u", ";
            pairs += u'(' + QuotedChar(glyph.character) + u',' +
                     QuotedChar(glyphs[kerning[at].second].character) + u',';
            pairs += kis::DecimalText(kerning[at].amount);
            pairs += u')';
        }
    }
    AppendLine(out, false, u"kerning", pairs);
    return true;
}

} // namespace

HResult KGEBitmapFont::ReadDescription(kis::TDRDocument* document, DXLTextures* collection, bool loadImage) {
    if (!document || !document->EnterSection(u"glyphs", true)) return kKgeBadDescription;
    HResult hr = (loadImage || collection) ? FindImage(document, collection, *this) : 0;
    if (hr == 0) hr = ReadImageAreas(document, *this);
    document->LeaveSection();
    if (hr != 0) return hr;

    if (!ReadChars(document, *this)) return kKgeBadDescription;
    FontNumbers numbers;
    if (!ReadNumbers(document, kMetricKeys, numbers)) return kKgeBadDescription;
    SetMetrics(int32_t(numbers.height), int32_t(numbers.ascent), int32_t(numbers.space),
               char16_t(numbers.defaultChar));
    if (!ReadGlyphLists(document, *this)) return kKgeBadDescription;
    BuildCharMap();

    std::vector<KGECharKerning> kerning;
    if (!ReadLines(document, u"kerning", u"W,W,i4", true, kerning)) return kKgeBadDescription;
    hr = SetKerning(kerning.data(), uint32_t(kerning.size()));
    if (hr != 0) return hr;

    if (!ReadNumbers(document, kLookKeys, numbers)) return kKgeBadDescription;
    tracking_ = int32_t(numbers.tracking);
    leading_ = int32_t(numbers.leading);
    colour_ = uint32_t(numbers.colour);
    return 0;
}

HResult KGEBitmapFont::WriteDescription(std::u16string& out) const {
    if (imageCount_ == 0 || !images_ || glyphCount_ == 0) return kKgeFail;
    WriteImages(*this, out);
    std::u16string chars;
    for (uint32_t i = 0; i < glyphCount_; ++i)
        chars += glyphs_[i].character;
    AppendLine(out, false, u"chars", QuotedText(chars));
    const FontNumbers numbers = NumbersOf(*this);
    WriteNumbers(out, kMetricKeys, numbers);
    WriteGlyphLists(*this, out);
    if (!WriteKerning(*this, out)) return kKgeFail;
    WriteNumbers(out, kLookKeys, numbers);
    return 0;
}

HResult KGESaveBitmapFontDesc(const KGEBitmapFont* font, const char16_t* fileName) {
    if (!font || !fileName || !fileName[0]) return kKgeFail;
    std::u16string text;
    HResult hr = font->WriteDescription(text);
    if (hr != 0) return hr;
    // UTF-16 with its byte-order mark, so every character of the font keeps.
    std::vector<uint8_t> bytes{0xFF, 0xFE};
    bytes.reserve(2 + text.size() * 2);
    for (char16_t c : text) {
        bytes.push_back(uint8_t(c & 0xFF));
        bytes.push_back(uint8_t(c >> 8));
    }
    platform::File file = platform::File::Open(platform::GamePath(fileName), platform::kFileWrite,
                                               platform::FileCreation::CreateAlways);
    if (!file.IsOpen() || !file.WriteExact(bytes.data(), int64_t(bytes.size())) || !file.Close())
        return kKgeFail;
    return 0;
}

HResult KGECreateBitmapFont(DXLViewer* viewer, DXLTexture** texture, DXLTextures* collection, bool loadImage,
                            kis::TDRDocument* document, KGEBitmapFont** out) {
    if (out) *out = nullptr;
    auto* font = KGENew<KGEBitmapFont>(viewer);
    if (!loadImage && texture) font->SetTexture(*texture, false);
    HResult hr = font->ReadDescription(document, collection, loadImage);
    if (hr != 0) {
        delete font;
        return hr;
    }
    if (loadImage && texture) *texture = font->GetTexture();
    if (out)
        *out = font;
    else
        delete font;
    return 0;
}

HResult KGELoadBitmapFontDesc(DXLViewer* viewer, DXLTexture** texture, DXLTextures* collection,
                              bool loadImage, const char16_t* fileName, const char16_t* section,
                              KGEBitmapFont** out) {
    if (out) *out = nullptr;
    kis::TDRDocument* document = nullptr;
    if (!kis::TDRDocument::Load(fileName, document)) return kKgeBadDescription;
    std::unique_ptr<kis::TDRDocument> owner(document);
    if (section && !document->EnterSection(section, false)) return kKgeBadDescription;
    return KGECreateBitmapFont(viewer, texture, collection, loadImage, document, out);
}
