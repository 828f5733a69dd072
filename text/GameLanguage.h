#pragma once
// The game's language: the text groups of every screen plus the assets and
// interface parameters that change with the language - the window title, the
// characters allowed in profile names, the loading and title logos, the four
// interface fonts, the comic panels with their positions and the credits.
//
// A source (text-data or spreadsheet) names its image and font files relative
// to itself. A compiled file carries them inside, in five chunks written after
// the groups (every chunk sub-id 1, id = name id of its name):
//
//   "farm_params" u32 n, n UTF-16 profile characters; logo {u32 0, i32 x, i32 y};
//                 Entry window title
//   "images"      image records, to the chunk's end: String name, u32 12,
//                 u32 blend mode, u32 size n, the n bytes of the image file
//   "comix_p"     u32 count; per item {u32 0, i32 x, i32 y, f32 scale}, Entry
//   "credits"     u32 count; per record its bytes (u32 size >= 16, u32 kind;
//                 kind 1: u32 n, n units, u16 0; kind 2: u32 0, u32 0 and then
//                 the image record of its image)
//   "fonts"       four times: the image record "font_image" of the glyph
//                 texture, then the bitmap font's stream
//
// Only "farm_params" is required when reading.

#include "text/Language.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class DXLTextureLoaderDataFile;
class DXLViewer;
class KGEFont;

// A comic panel's caption: its texts (under the panel's key), its position
// and its scale.
struct GameComixItem {
    const DXLLngEntry* entry = nullptr; // the item's own, or the fallback for the default item
    int32_t x = 0;
    int32_t y = 0;
    float scale = 0.0f;
    std::unique_ptr<DXLLngEntry> owned; // the entry, unless it is the fallback
};

// One line or one picture of the credits. Kind 1 keeps `length` UTF-16 units
// (and a terminator) in `line`; kind 2 keeps the picture's texture (owned by
// the language's images). `size` is the record's size in the compiled file:
// 14 + 2 * length for a line, at least 16.
struct GameCreditsRecord {
    static constexpr uint32_t kLine = 1;
    static constexpr uint32_t kImage = 2;

    uint32_t size;
    uint32_t kind;
    uint32_t length;
    DXLTexture* texture;
    std::u16string line;

    const char16_t* Text() const { return kind == kLine ? line.c_str() : nullptr; }
};

// The title logo: the image "logo" and where the title screen puts it.
struct GameLogoRecord {
    DXLTexture* texture = nullptr;
    int32_t x = 0;
    int32_t y = 0;
};

class GameLanguage : public DXLLanguage {
  public:
    // The interface fonts, in the order of font numbers 1 to 4.
    enum FontIndex : int {
        kButtonsFont = 0,
        kCaptionFont = 1,
        kMainFont = 2,
        kMainBigFont = 3,
        kFontCount = 4
    };

    // Step codes of SaveBinary after the groups were written.
    enum : int {
        kSaveFarmParamsChunk = 100,
        kSaveProfileChars = 101,
        kSaveLogoRecord = 102,
        kSaveWindowTitle = 103,
        kSaveImagesChunk = 104,
        kSaveComixChunk = 105,
        kSaveComixCount = 106,
        kSaveComixItem = 107,
        kSaveCreditsChunk = 108,
        kSaveCreditsCount = 109,
        kSaveCreditsRecord = 110,
        kSaveCreditsImage = 111,
        kSaveFontsChunk = 112,
        kSaveFont = 113,
    };
    // The name of a step code of this class, or null for any other code.
    static const char* StepName(int code);

    // Image textures and fonts are made for the viewer (null: they are
    // declared but never loaded, which is enough for compiling). Reads only
    // the header of the file; groups and assets come with the first Load.
    GameLanguage(const char16_t* fileName, DXLViewer* viewer);
    ~GameLanguage() override;

    DXLLngFile* CreateLngFile(const char16_t* path) override;
    void Import(DXLLngFile& source) override;
    void ReadCompiled(kis::DataFileReaderW& reader) override;
    void Unload() override;
    void Hook() override {}
    int SaveBinary(kis::DataFileWriterW& writer) override;

    // The window title's first text, else the fallback's first text.
    const char16_t* GetWindowTitle() const;
    // The first comic item with that key; the default item (the fallback's
    // texts at 0, 0) when there is none or the name is not an identifier.
    const GameComixItem* FindComixItem(const char16_t* name) const;
    const GameComixItem* FindItem(const char16_t* name) const { return FindComixItem(name); }

    // Null (length 0) when the language gives none.
    const char16_t* GetProfileChars() const {
        return profileChars_.empty() ? nullptr : profileChars_.c_str();
    }
    uint32_t GetProfileCharsLength() const { return uint32_t(profileChars_.size()); }
    const GameLogoRecord& GetLogo() const { return logo_; }
    // Interface font by FontIndex; null when the language has none.
    KGEFont* GetInterfaceFont(int index) const {
        return index >= 0 && index < kFontCount ? fonts_[index] : nullptr;
    }
    uint32_t GetComixCount() const { return uint32_t(comix_.size()); }
    const GameComixItem* GetComixItem(uint32_t i) const {
        return i < comix_.size() ? comix_[i].get() : nullptr;
    }
    uint32_t GetCreditsCount() const { return uint32_t(credits_.size()); }
    const GameCreditsRecord* GetCredits(uint32_t i) const {
        return i < credits_.size() ? &credits_[i] : nullptr;
    }
    DXLViewer* GetViewer() const { return viewer_; }

  private:
    GameComixItem* FindComixSlot(const char16_t* name);
    void AddComixItem(DXLLngEntry* entry, int32_t x, int32_t y, float scale);

    // Import steps.
    void ImportProfileChars(DXLLngFile& source);
    void ImportWindowTitle(DXLLngFile& source);
    void ImportImages(DXLLngFile& source);
    void ImportFonts(DXLLngFile& source);
    void ImportComix(DXLLngFile& source);
    void ImportCredits(DXLLngFile& source);
    // A path named by the source, relative to the language file; false when
    // it is empty or does not fit.
    bool SourcePath(const char16_t* relative, char16_t* path) const;
    // A new image item whose texture loads the file at once; null on failure.
    DXLLngImage* CreateImageFromFile(const char16_t* name, const char16_t* path, uint32_t blend);
    bool AddCreditsLine(const char16_t* text, uint32_t length);
    bool AddCreditsImage(DXLTexture* texture);

    // Compiled chunks.
    bool ReadFarmParams(kis::DataFileReaderW& reader);
    void ReadImages(kis::DataFileReaderW& reader);
    void ReadFonts(kis::DataFileReaderW& reader);
    void ReadComix(kis::DataFileReaderW& reader);
    void ReadCredits(kis::DataFileReaderW& reader);
    // Reads one image record into a new image item; its texture, or null
    // when the record is bad (the reading of the chunk then ends).
    // label: the name a failure to load the image is logged by (the
    // record's own name when null).
    DXLTexture* ReadImageRecord(kis::DataFileReaderW& reader, const char16_t* label = nullptr);
    // The image item that holds the texture, or null.
    const DXLLngImage* FindImageItem(const DXLTexture* texture) const;
    int SaveFarmParams(kis::DataFileWriterW& writer);
    int SaveComix(kis::DataFileWriterW& writer);
    int SaveCredits(kis::DataFileWriterW& writer);
    int SaveFonts(kis::DataFileWriterW& writer);

    void SetWindowTitle(DXLLngEntry* entry);
    void SetProfileChars(const char16_t* text, uint32_t length);
    void PublishFonts(bool loaded);

    DXLViewer* viewer_;
    std::unique_ptr<DXLLngEntry> windowTitle_;
    KGEFont* fonts_[kFontCount] = {};
    std::u16string profileChars_;
    GameLogoRecord logo_;
    std::vector<std::unique_ptr<GameComixItem>> comix_;
    GameComixItem defaultComix_;
    std::vector<GameCreditsRecord> credits_;
    // The sources of the images read from the compiled file.
    std::vector<std::unique_ptr<DXLTextureLoaderDataFile>> loaders_;
};
