// Glyph faces rasterised by FreeType 2 from the DejaVu fonts. Every face name
// maps to one of three DejaVu families by the kind of face it names; the
// bold and italic styles come from their own files, or are made by FreeType's
// emboldening and slanting when a style file is not installed (the basic
// DejaVu package carries no oblique files).

#include "platform/GlyphFace.h"

#include "platform/AudioDecoder.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_DRIVER_H
#include FT_MODULE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

namespace platform {
namespace {

// Larger requests are drawn at this size; nothing the fonts ask for comes
// near it, and it bounds the size of one glyph's coverage.
constexpr int32_t kMaxPixelHeight = 2048;
constexpr int32_t kDefaultCharacterHeight = 16;

enum class Family { Sans, Serif, Mono };

// Lower-cased ASCII of the name before any NUL, without surrounding spaces.
std::string FoldName(std::u16string_view name) {
    name = name.substr(0, std::min(name.find(u'\0'), name.size()));
    std::string folded;
    for (char16_t ch : name) {
        if (ch >= u'A' && ch <= u'Z')
            folded += char(ch - u'A' + 'a');
        else if (ch < 0x80)
            folded += char(ch);
        else
            folded += '?';
    }
    size_t first = folded.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return folded.substr(first, folded.find_last_not_of(' ') - first + 1);
}

Family FamilyOf(std::u16string_view faceName) {
    static const char* const kMono[] = {
        "courier new", "courier",       "consolas",      "lucida console", "lucida sans typewriter",
        "fixedsys",    "terminal",      "monospace",     "mono",           "dejavu sans mono",
        "andale mono", "cascadia mono", "cascadia code", "monaco",         "menlo",
        "ms gothic",   "nsimsun",       "simsun-extb",   "ocr a extended"};
    static const char* const kSerif[] = {"times new roman",
                                         "times",
                                         "georgia",
                                         "garamond",
                                         "book antiqua",
                                         "palatino linotype",
                                         "palatino",
                                         "cambria",
                                         "constantia",
                                         "century schoolbook",
                                         "century",
                                         "bookman old style",
                                         "ms serif",
                                         "serif",
                                         "dejavu serif",
                                         "sylfaen",
                                         "baskerville old face",
                                         "bodoni mt",
                                         "californian fb",
                                         "perpetua",
                                         "goudy old style",
                                         "rockwell",
                                         "centaur",
                                         "high tower text",
                                         "poor richard",
                                         "bell mt",
                                         "mongolian baiti"};
    std::string name = FoldName(faceName);
    for (const char* mono : kMono)
        if (name == mono) return Family::Mono;
    for (const char* serif : kSerif)
        if (name == serif) return Family::Serif;
    return Family::Sans;
}

std::string FileName(Family family, bool bold, bool italic) {
    std::string name;
    const char* italicSuffix = "Oblique";
    switch (family) {
    case Family::Sans:
        name = "DejaVuSans";
        break;
    case Family::Serif:
        name = "DejaVuSerif";
        italicSuffix = "Italic";
        break;
    case Family::Mono:
        name = "DejaVuSansMono";
        break;
    }
    if (bold || italic) name += '-';
    if (bold) name += "Bold";
    if (italic) name += italicSuffix;
    return name + ".ttf";
}

struct Candidate {
    std::string file;
    bool emboldened = false; // bold made by FreeType from a lighter file
    bool slanted = false;    // italic made by FreeType from an upright file
};

// The style's own file first, then the nearest file with the missing style
// synthesised; the same again from Sans when the family has no file at all.
std::vector<Candidate> CandidatesFor(Family family, bool bold, bool italic) {
    std::vector<Family> families{family};
    if (family != Family::Sans) families.push_back(Family::Sans);
    std::vector<Candidate> list;
    for (Family f : families) {
        list.push_back({FileName(f, bold, italic), false, false});
        if (italic) list.push_back({FileName(f, bold, false), false, true});
        if (bold) list.push_back({FileName(f, false, italic), true, false});
        if (bold && italic) list.push_back({FileName(f, false, false), true, true});
    }
    return list;
}

int32_t RoundDiv(int64_t numerator, int64_t denominator) {
    return int32_t(std::llround(double(numerator) / double(denominator)));
}

uint16_t ReadU16(const uint8_t* p) {
    return uint16_t(p[0] << 8 | p[1]);
}

// FreeType allocates through the C++ allocator, and so under the program's
// new-handler: a face that cannot be opened for want of memory marks the run
// as short of memory and is told as out of memory, not as a missing font.
void* FreeTypeAlloc(FT_Memory, long size) {
    return ::operator new(size_t(size), std::nothrow);
}
void FreeTypeFree(FT_Memory, void* block) {
    ::operator delete(block);
}
void* FreeTypeRealloc(FT_Memory, long size, long newSize, void* block) {
    void* moved = ::operator new(size_t(newSize), std::nothrow);
    if (!moved) return nullptr; // the block stays, as a failed realloc leaves it
    if (block) std::memcpy(moved, block, size_t(std::min(size, newSize)));
    ::operator delete(block);
    return moved;
}

// A FreeType library of its own for each face, made with that allocator; the
// memory record outlives it.
struct FreeTypeLibrary {
    std::unique_ptr<FT_MemoryRec_> memory;
    FT_Library library = nullptr;
    FT_Error error = 0;
};

FreeTypeLibrary NewFreeTypeLibrary() {
    FreeTypeLibrary made;
    made.memory =
        std::make_unique<FT_MemoryRec_>(FT_MemoryRec_{nullptr, FreeTypeAlloc, FreeTypeFree, FreeTypeRealloc});
    made.error = FT_New_Library(made.memory.get(), &made.library);
    if (made.error != 0) return made;
    FT_Add_Default_Modules(made.library);
    FT_Set_Default_Properties(made.library);
    return made;
}

class FreeTypeFace final : public GlyphFace {
  public:
    FreeTypeFace(const GlyphFaceRequest& request, FreeTypeLibrary library, std::vector<uint8_t> file,
                 FT_Face face, const Candidate& candidate)
        : GlyphFace(request), memory_(std::move(library.memory)), file_(std::move(file)),
          library_(library.library), face_(face), emboldened_(candidate.emboldened),
          slanted_(candidate.slanted) {
        mono_ = request.quality == kGlyphQualityNonAntialiased;
        SetSize();
        boxes_.resize(size_t(face_->num_glyphs));
        boxKnown_.assign(size_t(face_->num_glyphs), false);
    }

    ~FreeTypeFace() override {
        FT_Done_Face(face_);
        FT_Done_Library(library_);
    }

    std::u16string FaceName() const override {
        std::u16string name;
        for (const char* p = face_->family_name ? face_->family_name : ""; *p; ++p)
            name += char16_t(uint8_t(*p));
        return name;
    }

    GlyphFaceMetrics Metrics() const override { return metrics_; }

    GlyphBox Box(char16_t ch) override {
        FT_UInt index = FT_Get_Char_Index(face_, ch);
        if (index < boxKnown_.size() && boxKnown_[index]) return boxes_[index];
        GlyphBox box;
        if (FT_GlyphSlot slot = Render(index)) box = BoxOf(slot);
        if (index < boxKnown_.size()) {
            boxes_[index] = box;
            boxKnown_[index] = true;
        }
        return box;
    }

    GlyphCoverage Coverage(char16_t ch, GlyphLevels levels) override {
        GlyphCoverage coverage;
        coverage.levels = levels;
        FT_GlyphSlot slot = Render(FT_Get_Char_Index(face_, ch));
        if (!slot) return coverage;
        coverage.box = BoxOf(slot);
        const GlyphBox& box = coverage.box;
        coverage.values.resize(size_t(box.width) * size_t(box.height));
        const FT_Bitmap& bitmap = slot->bitmap;
        for (int32_t y = 0; y < box.height; ++y) {
            const uint8_t* row = bitmap.buffer + ptrdiff_t(y) * bitmap.pitch;
            uint8_t* out = coverage.values.data() + size_t(y) * size_t(box.width);
            for (int32_t x = 0; x < box.width; ++x) {
                uint32_t value;
                if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
                    value = (row[x >> 3] >> (7 - (x & 7)) & 1) ? 255 : 0;
                else
                    value = row[x] * 255u / std::max<uint32_t>(bitmap.num_grays - 1, 1);
                out[x] = uint8_t(levels == GlyphLevels::k65 ? (value * 64 + 127) / 255 : value);
            }
        }
        return coverage;
    }

    std::vector<KerningPair> KerningPairs() override {
        if (!kerningRead_) {
            kerning_ = ReadKerning();
            kerningRead_ = true;
        }
        return kerning_;
    }

  private:
    void SetSize() {
        const GlyphFaceRequest& request = Request();
        int64_t unitsPerEm = std::max<int64_t>(face_->units_per_EM, 1);
        int64_t ascentUnits = face_->ascender;
        int64_t descentUnits = -int64_t(face_->descender);
        auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
        if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
            ascentUnits = os2->usWinAscent;
            descentUnits = os2->usWinDescent;
        }
        int64_t cellUnits = std::max<int64_t>(ascentUnits + descentUnits, 1);

        int32_t height = request.height == 0 ? -kDefaultCharacterHeight : request.height;
        height = std::clamp(height, -kMaxPixelHeight, kMaxPixelHeight);
        int32_t emPixels;
        if (height < 0) {
            emPixels = -height;
            metrics_.ascent = RoundDiv(ascentUnits * emPixels, unitsPerEm);
            metrics_.descent = RoundDiv(descentUnits * emPixels, unitsPerEm);
        } else {
            emPixels = std::max(RoundDiv(int64_t(height) * unitsPerEm, cellUnits), 1);
            metrics_.ascent = RoundDiv(ascentUnits * height, cellUnits);
            metrics_.descent = height - metrics_.ascent;
        }
        metrics_.height = metrics_.ascent + metrics_.descent;
        metrics_.internalLeading = metrics_.height - emPixels;
        FT_Set_Pixel_Sizes(face_, 0, FT_UInt(emPixels));

        auto pixels = [&](int64_t units) { return RoundDiv(units * emPixels, unitsPerEm); };
        // The underline position is the centre of the stroke, upwards positive.
        metrics_.underlineThickness = std::max(pixels(face_->underline_thickness), 1);
        int32_t underlineCentre = -pixels(face_->underline_position);
        metrics_.underlineOffset = std::max(underlineCentre - metrics_.underlineThickness / 2, 1);
        metrics_.underlineOffset =
            std::min(metrics_.underlineOffset, metrics_.descent - metrics_.underlineThickness);
        if (os2 && os2->yStrikeoutSize > 0) {
            metrics_.strikeOutThickness = std::max(pixels(os2->yStrikeoutSize), 1);
            metrics_.strikeOutOffset = -pixels(os2->yStrikeoutPosition);
        } else {
            metrics_.strikeOutThickness = metrics_.underlineThickness;
            metrics_.strikeOutOffset = -(metrics_.ascent / 3);
        }
    }

    // Loads and renders one glyph into the face's slot; null when FreeType
    // cannot, even for the missing-character glyph.
    FT_GlyphSlot Render(FT_UInt index) {
        FT_Int32 flags = FT_LOAD_NO_BITMAP | (mono_ ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
        if (FT_Load_Glyph(face_, index, flags) != 0 && (index == 0 || FT_Load_Glyph(face_, 0, flags) != 0))
            return nullptr;
        FT_GlyphSlot slot = face_->glyph;
        if (slanted_) FT_GlyphSlot_Oblique(slot);
        if (emboldened_) FT_GlyphSlot_Embolden(slot);
        if (FT_Render_Glyph(slot, mono_ ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return nullptr;
        return slot;
    }

    static GlyphBox BoxOf(FT_GlyphSlot slot) {
        GlyphBox box;
        box.advance = int32_t((slot->advance.x + 32) >> 6);
        if (slot->bitmap.width == 0 || slot->bitmap.rows == 0) return box;
        box.width = int32_t(slot->bitmap.width);
        box.height = int32_t(slot->bitmap.rows);
        box.originX = slot->bitmap_left;
        box.originY = slot->bitmap_top;
        return box;
    }

    // Pairs of the horizontal format-0 subtables of the 'kern' table, the
    // table character-pair kerning queries read. Layout-engine kerning (GPOS)
    // is not looked at.
    std::vector<KerningPair> ReadKerning() {
        std::vector<KerningPair> pairs;
        FT_ULong length = 0;
        if (FT_Load_Sfnt_Table(face_, TTAG_kern, 0, nullptr, &length) != 0 || length < 4) return pairs;
        std::vector<uint8_t> table(length);
        if (FT_Load_Sfnt_Table(face_, TTAG_kern, 0, table.data(), &length) != 0) return pairs;
        const uint8_t* data = table.data();
        if (ReadU16(data) != 0) return pairs; // only the common version-0 table

        std::map<uint32_t, int32_t> byGlyphs; // (left << 16 | right) -> font units
        size_t subtableCount = ReadU16(data + 2);
        size_t offset = 4;
        for (size_t t = 0; t < subtableCount && length - offset >= 14; ++t) {
            const uint8_t* sub = data + offset;
            size_t declared = ReadU16(sub + 2);
            uint16_t coverage = ReadU16(sub + 4);
            size_t pairCount = ReadU16(sub + 6);
            // The 16-bit length overflows in large tables; the pair count is
            // the trustworthy size of a format-0 subtable.
            size_t needed = 14 + pairCount * 6;
            bool horizontalFormat0 = (coverage >> 8) == 0 && (coverage & 0x7) == 0x1;
            if (horizontalFormat0) {
                if (needed > length - offset) break;
                bool replaces = coverage & 0x8;
                for (size_t i = 0; i < pairCount; ++i) {
                    const uint8_t* pair = sub + 14 + i * 6;
                    uint32_t key = uint32_t(ReadU16(pair)) << 16 | ReadU16(pair + 2);
                    int32_t value = int16_t(ReadU16(pair + 4));
                    if (replaces)
                        byGlyphs[key] = value;
                    else
                        byGlyphs[key] += value;
                }
            }
            size_t step = horizontalFormat0 ? std::max(declared, needed) : declared;
            if (step < 6) break;
            offset += step;
            if (offset > length) break;
        }
        if (byGlyphs.empty()) return pairs;

        // Glyphs back to the characters that show them.
        std::multimap<FT_UInt, char16_t> charactersOf;
        FT_UInt index = 0;
        for (FT_ULong code = FT_Get_First_Char(face_, &index); index != 0 && code <= 0xFFFF;
             code = FT_Get_Next_Char(face_, code, &index))
            charactersOf.emplace(index, char16_t(code));

        for (const auto& [key, units] : byGlyphs) {
            int32_t amount = int32_t((FT_MulFix(units, face_->size->metrics.x_scale) + 32) >> 6);
            auto lefts = charactersOf.equal_range(key >> 16);
            auto rights = charactersOf.equal_range(key & 0xFFFF);
            for (auto left = lefts.first; left != lefts.second; ++left)
                for (auto right = rights.first; right != rights.second; ++right)
                    pairs.push_back({left->second, right->second, amount});
        }
        std::sort(pairs.begin(), pairs.end(), [](const KerningPair& a, const KerningPair& b) {
            return a.first != b.first ? a.first < b.first : a.second < b.second;
        });
        return pairs;
    }

    std::unique_ptr<FT_MemoryRec_> memory_; // outlives library_
    std::vector<uint8_t> file_;             // the face's file, read by face_
    FT_Library library_;
    FT_Face face_;
    bool emboldened_;
    bool slanted_;
    bool mono_ = false;
    GlyphFaceMetrics metrics_;
    std::vector<GlyphBox> boxes_; // by glyph index, filled on first use
    std::vector<bool> boxKnown_;
    bool kerningRead_ = false;
    std::vector<KerningPair> kerning_;
};

} // namespace

std::unique_ptr<GlyphFace> OpenFreeTypeFace(const GlyphFaceRequest& request, const std::string& fontFolder,
                                            std::string* error) {
    FreeTypeLibrary made = NewFreeTypeLibrary();
    if (made.error != 0) {
        if (error)
            *error = made.error == FT_Err_Out_Of_Memory ? "out of memory" : "FreeType could not be started";
        if (made.library) FT_Done_Library(made.library);
        return nullptr;
    }
    FT_Library library = made.library;
    // The classic TrueType interpreter snaps stems to whole pixels in both
    // directions, the way the fonts' hints were written for; the newer one
    // leaves horizontal positions unhinted and small text looks blurred.
    FT_UInt interpreter = TT_INTERPRETER_VERSION_35;
    FT_Property_Set(library, "truetype", "interpreter-version", &interpreter);
    bool bold = request.weight >= kGlyphWeightSemiBold;
    std::string tried;
    bool memoryShort = false;
    for (const Candidate& candidate : CandidatesFor(FamilyOf(request.faceName), bold, request.italic)) {
        std::string path = fontFolder + "/" + candidate.file;
        // The face reads its file from memory of the C++ allocator: FreeType's
        // own file reading, when it cannot map the file, takes its memory
        // with malloc, past the new-handler.
        std::vector<uint8_t> file;
        FT_Face face = nullptr;
        bool read = false;
        try { // a shortage fails this face as FreeType's own does, not its caller
            read = ReadFileRegion(path, 0, 0, file);
        } catch (const std::bad_alloc&) {
            memoryShort = true;
        }
        if (!read) {
            tried += (tried.empty() ? "" : ", ") + candidate.file;
            continue;
        }
        if (const FT_Error opened = FT_New_Memory_Face(library, file.data(), FT_Long(file.size()), 0, &face);
            opened != 0) {
            memoryShort = memoryShort || opened == FT_Err_Out_Of_Memory;
            tried += (tried.empty() ? "" : ", ") + candidate.file;
            continue;
        }
        if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0 || !FT_IS_SCALABLE(face)) {
            FT_Done_Face(face);
            tried += (tried.empty() ? "" : ", ") + candidate.file + " (not a scalable Unicode font)";
            continue;
        }
        return std::make_unique<FreeTypeFace>(request, std::move(made), std::move(file), face, candidate);
    }
    FT_Done_Library(library);
    if (error)
        *error = memoryShort ? "out of memory while the fonts of " + fontFolder + " were opened"
                             : "no usable DejaVu font in " + fontFolder + " (tried " + tried +
                                   "); the package fonts-dejavu-core provides them";
    return nullptr;
}

} // namespace platform
