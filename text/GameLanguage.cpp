// Sections:
//   interface parameters and helpers
//   life
//   lookups
//   import (from a language source)
//   compiled file: reading
//   compiled file: writing

#include "text/GameLanguage.h"

#include "engine/Log.h"
#include "engine/Texture.h"
#include "engine/TextureLoader.h"
#include "engine/Viewer.h"
#include "foundation/ByteOrder.h"
#include "foundation/FieldFormat.h"
#include "foundation/Paths.h"
#include "platform/Files.h"
#include "platform/Utf.h"
#include "text/FontSlots.h"
#include "text/KGEFontFile.h"
#include "text/LanguageSource.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kSubId = kLanguageChunkSubId;
constexpr uint32_t kImageHeaderSize = 12;
constexpr uint32_t kLogoRecordSize = 12;
constexpr uint32_t kComixRecordSize = 16;
constexpr uint32_t kCreditsHeaderSize = 16;
constexpr uint32_t kMinEntryBytes = 12;
constexpr uint32_t kMinStringBytes = 4;

const char16_t* const kFontKeys[GameLanguage::kFontCount] = {u"buttons_font", u"caption_font", u"main_font",
                                                             u"main_big_font"};

// The text groups of the game's screens, in the order they are imported.
const char16_t* const kTextGroups[] = {
    u"loading",
    u"buildings",
    u"plants",
    u"products",
    u"awards",
    u"buttons",
    u"bonuses",
    u"dialogs",
    u"messages",
    u"main_screen",
    u"menu_window",
    u"options_window",
    u"map_interface",
    u"level_interface",
    u"profiles_window",
    u"level_window",
    u"level_result_window",
    u"warehouse_window",
    u"awards_window",
    u"profile_errors",
    u"levels",
    u"tutorial",
    u"info_panel",
    u"bonuses_window",
    u"regimes",
    u"comix_window",
    u"tasks",
    u"credits_window",
    u"video_options_window",
};

uint32_t ChunkId(const char16_t* name) {
    return kis::NameId(name);
}

// Opens the game's chunk of that name when the file has it.
bool OpenNamedChunk(kis::BaseDataFile& reader, const char16_t* name) {
    const uint32_t id = ChunkId(name);
    return reader.HasChunk(id, kSubId) && reader.OpenChunk(id, kSubId);
}

// A file the language names (an absolute game path), as the player finds it.
std::u16string Shown(const char16_t* path) {
    return platform::Utf8ToUtf16(platform::NativePath(platform::GamePath(path)));
}

const char16_t* FirstText(const DXLLngEntry* entry) {
    return entry != nullptr ? entry->Text(0) : nullptr;
}

// An entry of one text under a key.
DXLLngEntry* MakeSingleEntry(const char16_t* key, const char16_t* text) {
    kis::Ident ident;
    if (!ident.Parse(key, kis::Ident::kTerminated, false)) return nullptr;
    uint32_t length = text != nullptr ? uint32_t(std::char_traits<char16_t>::length(text)) : 0;
    DXLLngEntry* entry = AllocateLngEntry(ident, 1, length);
    if (entry == nullptr) return nullptr;
    char16_t* area = entry->Units();
    if (length != 0) std::memcpy(area, text, size_t{length} * 2);
    area[length] = 0;
    entry->Slots()[0] = {length, area};
    return entry;
}

// A comic position key: longer than 4 and at most 32 characters, ending in
// "_pos" in any case.
bool IsPositionKey(const char16_t* key, uint32_t length) {
    return key != nullptr && length > 4 && length <= 32 &&
           kis::EqualsIgnoringAsciiCase(key + length - 4, u"_pos", 4);
}

// The field format "l,l" of a position value; false unless it gives exactly
// one record.
bool ScanPosition(const char16_t* value, int32_t& x, int32_t& y) {
    int32_t xy[2] = {};
    int32_t records = 0;
    if (value == nullptr ||
        kis::ScanFieldsW(u"l,l", 1, xy, sizeof(xy), kis::kScanRecords, value, 0, &records) != kis::kScanOk ||
        records != 1)
        return false;
    x = xy[0];
    y = xy[1];
    return true;
}

bool ReadBytes(kis::BaseDataFile& file, void* buffer, uint32_t n) {
    return n <= file.ChunkBytesLeft() && file.Read(buffer, n);
}

void AppendU32(std::vector<uint8_t>& out, uint32_t value) {
    size_t at = out.size();
    out.resize(at + 4);
    kis::StoreLE32(&out[at], value);
}

void AppendUnits(std::vector<uint8_t>& out, const char16_t* text, uint32_t length) {
    size_t at = out.size();
    out.resize(at + size_t{length} * 2);
    for (uint32_t i = 0; i < length; ++i)
        kis::StoreLE16(&out[at + 2 * i], text[i]);
}

bool WriteBytes(kis::BaseDataFile& file, const std::vector<uint8_t>& bytes) {
    return bytes.size() < 0x80000000u && file.Write(bytes.data(), uint32_t(bytes.size()));
}

enum class ImageWrite { kWritten, kUnreadable, kFailed };

// One image record, built whole before anything is written: an image whose
// file cannot be read leaves nothing behind in the chunk.
ImageWrite WriteImageRecord(kis::BaseDataFile& file, const char16_t* name, uint32_t nameLength,
                            const DXLTexture* texture) {
    if (texture == nullptr || texture->GetSourceKind() != kSourceFile || texture->GetFileName() == nullptr)
        return ImageWrite::kUnreadable;
    auto data = platform::ReadWholeFile(platform::GamePath(texture->GetFileName()), DXLBitmap::kMaxFileBytes);
    if (!data || data->size() > 0x7FFFFFFFu - 64 - size_t{nameLength} * 2) return ImageWrite::kUnreadable;
    std::vector<uint8_t> bytes;
    bytes.reserve(20 + size_t{nameLength} * 2 + data->size());
    AppendU32(bytes, nameLength);
    AppendUnits(bytes, name, nameLength);
    AppendU32(bytes, kImageHeaderSize);
    AppendU32(bytes, texture->GetState().blendMode);
    AppendU32(bytes, uint32_t(data->size()));
    bytes.insert(bytes.end(), data->begin(), data->end());
    return WriteBytes(file, bytes) ? ImageWrite::kWritten : ImageWrite::kFailed;
}

// A texture for a language image: unfiltered, clamped, modulated, drawn with
// the image's blend.
DXLTexture* NewImageTexture(DXLViewer* viewer, uint32_t blend) {
    auto* texture = new DXLTexture(viewer);
    texture->SetImageFilter(kImageFilterNone);
    texture->SetState(MakeTextureState(
        1, 1, uint32_t(platform::TextureAddress::Clamp), uint32_t(platform::TextureAddress::Clamp), blend,
        uint32_t(platform::TextureOp::Modulate), uint32_t(platform::TextureOp::Modulate)));
    return texture;
}

} // namespace

// ---------------------------------------------------------------- life

GameLanguage::GameLanguage(const char16_t* fileName, DXLViewer* viewer) : viewer_(viewer) {
    Open(fileName);
}

GameLanguage::~GameLanguage() {
    while (GetLoadCount() != 0)
        Release();
}

DXLLngFile* GameLanguage::CreateLngFile(const char16_t* path) {
    return CreateLngFileForPath(path);
}

void GameLanguage::Unload() {
    PublishFonts(false);
    SetProfileChars(nullptr, 0);
    for (KGEFont*& font : fonts_) {
        delete font;
        font = nullptr;
    }
    comix_.clear();
    defaultComix_ = {};
    credits_.clear();
    // The logo's place stays for the next load; its texture goes with the images.
    logo_.texture = nullptr;
    DXLLanguage::Unload(); // the textures go before the loaders they read through
    loaders_.clear();
}

void GameLanguage::SetWindowTitle(DXLLngEntry* entry) {
    windowTitle_.reset(entry);
}

void GameLanguage::SetProfileChars(const char16_t* text, uint32_t length) {
    if (text == nullptr || length == 0)
        profileChars_.clear();
    else
        profileChars_.assign(text, length);
}

// Fonts 1 to 4 of the font lookup are this language's while it is loaded.
void GameLanguage::PublishFonts(bool loaded) {
    for (int i = 0; i < kFontCount; ++i) {
        if (loaded)
            SetLanguageFont(i + 1, fonts_[i]);
        else if (fonts_[i] != nullptr && ::GetFont(i + 1) == fonts_[i])
            SetLanguageFont(i + 1, nullptr);
    }
}

// ---------------------------------------------------------------- lookups

const char16_t* GameLanguage::GetWindowTitle() const {
    const char16_t* title = FirstText(windowTitle_.get());
    return title != nullptr ? title : FirstText(GetFallback());
}

const GameComixItem* GameLanguage::FindComixItem(const char16_t* name) const {
    return const_cast<GameLanguage*>(this)->FindComixSlot(name);
}

GameComixItem* GameLanguage::FindComixSlot(const char16_t* name) {
    kis::Ident ident;
    if (name == nullptr || !ident.Parse(name, kis::Ident::kTerminated, false)) return &defaultComix_;
    for (const auto& item : comix_)
        if (item->entry->key.Equals(ident)) return item.get();
    return &defaultComix_;
}

void GameLanguage::AddComixItem(DXLLngEntry* entry, int32_t x, int32_t y, float scale) {
    std::unique_ptr<DXLLngEntry> owned(entry);
    auto item = std::make_unique<GameComixItem>();
    item->entry = entry;
    item->x = x;
    item->y = y;
    item->scale = scale;
    item->owned = std::move(owned);
    comix_.push_back(std::move(item));
}

const DXLLngImage* GameLanguage::FindImageItem(const DXLTexture* texture) const {
    if (texture == nullptr) return nullptr;
    for (const auto& image : images_)
        if (image->texture.get() == texture) return image.get();
    return nullptr;
}

// ---------------------------------------------------------------- import

void GameLanguage::Import(DXLLngFile& source) {
    ImportProfileChars(source);
    ImportWindowTitle(source);
    ImportImages(source);
    ImportFonts(source);
    for (const char16_t* name : kTextGroups)
        ImportGroup(source, name);
    ImportComix(source);
    defaultComix_.entry = GetFallback();
    ImportCredits(source);
    PublishFonts(true);
}

bool GameLanguage::SourcePath(const char16_t* relative, char16_t* path) const {
    path[0] = 0;
    return relative != nullptr && relative[0] != 0 &&
           kis::CombinePathW(path, kMaxPath, GetPath(), relative, true) && path[0] != 0;
}

DXLLngImage* GameLanguage::CreateImageFromFile(const char16_t* name, const char16_t* path, uint32_t blend) {
    DXLTexture* texture = NewImageTexture(viewer_, blend);
    texture->SetFileName(path, true);
    DXLLngImage* image = AddImage(name, texture);
    if (image != nullptr) texture->Restore();
    return image;
}

void GameLanguage::ImportProfileChars(DXLLngFile& source) {
    uint32_t length = source.GetString(u"ProfileChars", nullptr, 0);
    if (length == 0 || length >= 0x10000000u) {
        SetProfileChars(nullptr, 0);
        return;
    }
    std::vector<char16_t> text(size_t{length} + 1);
    uint32_t read = source.GetString(u"ProfileChars", text.data(), length + 1);
    SetProfileChars(text.data(), read < length ? read : length);
}

void GameLanguage::ImportWindowTitle(DXLLngFile& source) {
    const char16_t* value = source.GetValue(u"WindowTitle", nullptr);
    DXLLngEntry* entry = value != nullptr ? ParseEntry(u"WindowTitle", value) : nullptr;
    if (entry == nullptr) entry = MakeSingleEntry(u"WindowTitle", FirstText(GetFallback()));
    SetWindowTitle(entry);
}

void GameLanguage::ImportImages(DXLLngFile& source) {
    if (!source.EnterSection(u"images")) return;
    char16_t value[kMaxPath];
    char16_t path[kMaxPath];
    if (GetImage(u"loading_logo") == nullptr) {
        source.GetString(u"loading_logo", value, kMaxPath);
        if (source.GetError() == 0 && SourcePath(value, path))
            CreateImageFromFile(u"loading_logo", path, kBlendAlpha);
    }

    struct LogoValue {
        char16_t path[kMaxPath];
        int32_t x;
        int32_t y;
    } logo{};
    static_assert(sizeof(LogoValue) == kMaxPath * 2 + 8);
    int32_t records = 0;
    const char16_t* text = source.GetValue(u"logo", nullptr);
    logo_ = {};
    if (text != nullptr &&
        kis::ScanFieldsW(u"Z[260],l,l", 1, &logo, sizeof(logo), kis::kScanRecords, text, 0, &records) ==
            kis::kScanOk &&
        records == 1 && SourcePath(logo.path, path)) {
        if (DXLLngImage* image = CreateImageFromFile(u"logo", path, kBlendAlpha))
            logo_ = {image->texture.get(), logo.x, logo.y};
    }
    source.LeaveSection();
}

void GameLanguage::ImportFonts(DXLLngFile& source) {
    if (!source.EnterSection(u"fonts")) return;
    char16_t value[kMaxPath];
    char16_t path[kMaxPath];
    for (int i = 0; i < kFontCount; ++i) {
        source.GetString(kFontKeys[i], value, kMaxPath);
        if (source.GetError() != 0 || !SourcePath(value, path)) continue;
        DXLTexture* texture = nullptr;
        KGEBitmapFont* font = nullptr;
        if (KGELoadBitmapFontDesc(viewer_, &texture, nullptr, true, path, nullptr, &font) != 0 ||
            font == nullptr) {
            LogErrorPrintfW(kLogIndent, u"Font \"%s\" (%s) did not load.", kFontKeys[i], Shown(path).c_str());
            continue;
        }
        // Adding the first user loads the image from its file.
        const bool built = font->AddRef() == 0;
        const DXLTexture* image = font->GetTexture();
        if (viewer_ && viewer_->HasDevice() && (!built || image == nullptr || !image->IsLive()))
            LogErrorPrintfW(kLogIndent, u"The image of font \"%s\" (%s) did not load.", kFontKeys[i],
                            Shown(path).c_str());
        fonts_[i] = font;
    }
    source.LeaveSection();
}

void GameLanguage::ImportComix(DXLLngFile& source) {
    CreateGroup(u"comix");
    if (!source.EnterSection(u"comix")) return;
    do {
        const uint32_t n = source.GetEntryCount();
        bool positions = false;
        for (uint32_t i = 0; i < n; ++i) {
            uint32_t length = 0;
            const char16_t* key = source.GetKeyAt(i, &length);
            if (IsPositionKey(key, length)) {
                positions = true;
                continue;
            }
            DXLLngEntry* entry = ParseEntry(key, source.GetValueAt(i, nullptr));
            if (entry == nullptr) continue;
            AddComixItem(entry, 0, 0, 1.0f);
        }
        if (!positions || comix_.empty()) continue;
        for (uint32_t i = 0; i < n; ++i) {
            uint32_t length = 0;
            const char16_t* key = source.GetKeyAt(i, &length);
            if (!IsPositionKey(key, length)) continue;
            char16_t name[32] = {};
            std::memcpy(name, key, size_t{length - 4} * 2);
            GameComixItem* item = FindComixSlot(name);
            if (!ScanPosition(source.GetValueAt(i, nullptr), item->x, item->y)) item->x = item->y = 0;
        }
    } while (source.NextSection());
    source.LeaveSection();
}

bool GameLanguage::AddCreditsLine(const char16_t* text, uint32_t length) {
    if (length > 0x10000000u) return false;
    const uint32_t size = 14 + 2 * length;
    credits_.push_back(
        {size < 16 ? 16 : size, GameCreditsRecord::kLine, length, nullptr, std::u16string(text, length)});
    return true;
}

bool GameLanguage::AddCreditsImage(DXLTexture* texture) {
    credits_.push_back({kCreditsHeaderSize, GameCreditsRecord::kImage, 0, texture, {}});
    return true;
}

void GameLanguage::ImportCredits(DXLLngFile& source) {
    if (!source.EnterSection(u"credits")) return;
    // The keys are told apart by their hash alone.
    const uint32_t linesId = kis::NameId(u"lines");
    const uint32_t imageId = kis::NameId(u"image");
    const uint32_t n = source.GetEntryCount();
    for (uint32_t i = 0; i < n; ++i) {
        const char16_t* key = source.GetKeyAt(i, nullptr);
        const uint32_t id = kis::NameId(key);
        if (id != linesId && id != imageId) continue;
        DXLLngEntry* entry = ParseEntry(key, source.GetValueAt(i, nullptr));
        if (entry == nullptr) continue;
        if (id == linesId) {
            for (uint32_t t = 0; t < entry->count; ++t)
                AddCreditsLine(entry->Slots()[t].text, entry->Slots()[t].length);
        } else {
            char16_t name[32] = {};
            char16_t path[kMaxPath];
            const char16_t* file = entry->Text(0);
            if (file != nullptr && kis::ExtractFileNameW(name, 32, file, false) != nullptr) {
                DXLTexture* texture = GetImage(name);
                if (texture == nullptr && SourcePath(file, path))
                    if (DXLLngImage* image = CreateImageFromFile(name, path, kBlendAlpha))
                        texture = image->texture.get();
                if (texture != nullptr) AddCreditsImage(texture);
            }
        }
        FreeLngEntry(entry);
    }
    source.LeaveSection();
}

// ---------------------------------------------------------------- compiled file: reading

// Each chunk is looked for before it is opened: opening a missing chunk is a
// failure of the container, which would close the file and lose every later
// chunk and every image still to be loaded from it.
void GameLanguage::ReadCompiled(kis::DataFileReaderW& reader) {
    if (ReadFarmParams(reader)) {
        ReadImages(reader);
        logo_.texture = GetImage(u"logo");
        ReadFonts(reader);
        ReadComix(reader);
        ReadCredits(reader);
    }
    defaultComix_.entry = GetFallback();
    PublishFonts(true);
}

bool GameLanguage::ReadFarmParams(kis::DataFileReaderW& reader) {
    if (!OpenNamedChunk(reader, kLanguageFarmParamsChunk)) return false;
    uint32_t length = 0;
    if (!lngfile::ReadU32(reader, length) || length > reader.ChunkBytesLeft() / 2) {
        NoteDamage("the profile characters");
        reader.CloseChunk();
        return false;
    }
    std::vector<uint8_t> bytes(size_t{length} * 2);
    if (!ReadBytes(reader, bytes.data(), length * 2)) {
        NoteDamage("the profile characters");
        reader.CloseChunk();
        return false;
    }
    std::vector<char16_t> text(size_t{length} + 1);
    for (uint32_t i = 0; i < length; ++i)
        text[i] = char16_t(kis::LoadLE16(&bytes[2 * i]));
    SetProfileChars(text.data(), length);

    uint8_t logo[kLogoRecordSize] = {};
    if (!ReadBytes(reader, logo, kLogoRecordSize)) std::memset(logo, 0, sizeof(logo));
    logo_ = {nullptr, int32_t(kis::LoadLE32(logo + 4)), int32_t(kis::LoadLE32(logo + 8))};

    DXLLngEntry* title = lngfile::ReadEntry(reader);
    reader.CloseChunk();
    if (title == nullptr) {
        NoteDamage("the window title");
        return false;
    }
    SetWindowTitle(title);
    return true;
}

DXLTexture* GameLanguage::ReadImageRecord(kis::DataFileReaderW& reader, const char16_t* label) {
    char16_t name[32];
    uint32_t nameLength = 0, header = 0, blend = 0, size = 0;
    if (!lngfile::ReadString(reader, name, 32, nameLength) || !lngfile::ReadU32(reader, header) ||
        header != kImageHeaderSize || !lngfile::ReadU32(reader, blend) || !lngfile::ReadU32(reader, size) ||
        size > reader.ChunkBytesLeft())
        return nullptr;
    auto owned = std::make_unique<DXLTextureLoaderDataFile>(&reader, size);
    if (owned->IsSpent()) return nullptr;
    DXLTextureLoaderDataFile* loader = loaders_.emplace_back(std::move(owned)).get();
    loader->SetLabel(label ? label : name);
    DXLTexture* texture = NewImageTexture(viewer_, blend);
    texture->SetSource(loader, true);
    if (AddImage(name, texture) == nullptr) return nullptr;
    texture->Restore();
    // Without a viewer nothing is ever made; with one, an image that did
    // not come to life failed its checks (its loader logged why).
    if (viewer_ != nullptr && !texture->IsLive())
        NoteDamage("image \"" + platform::Utf16ToUtf8(std::u16string_view(name, nameLength)) + "\"");
    return texture;
}

void GameLanguage::ReadImages(kis::DataFileReaderW& reader) {
    if (!OpenNamedChunk(reader, kLanguageImagesChunk)) return;
    // A record that fails its checks ends the chunk, the last one too.
    bool whole = true;
    while (whole && reader.ChunkBytesLeft() != 0)
        whole = ReadImageRecord(reader) != nullptr;
    if (!whole) {
        NoteDamage("an image record");
        LogErrorPrintfW(kLogIndent,
                        u"An image record of %s cannot be read; it and the images after it did not load.",
                        PackFileName(&reader).c_str());
    }
    reader.CloseChunk();
}

void GameLanguage::ReadFonts(kis::DataFileReaderW& reader) {
    if (!OpenNamedChunk(reader, kLanguageFontsChunk)) return;
    for (int i = 0; i < kFontCount && reader.IsGood(); ++i) {
        DXLTexture* texture = ReadImageRecord(reader, kFontKeys[i]);
        if (texture == nullptr) break;
        KGEBitmapFont* font = nullptr;
        if (KGELoadBitmapFont(viewer_, texture, &reader, &font) != 0 || font == nullptr) continue;
        font->AddRef();
        fonts_[i] = font;
    }
    reader.CloseChunk();
    // A font that did not load leaves its texts out; say which. (An image that
    // did not load was logged by its loader.)
    for (int i = 0; i < kFontCount; ++i)
        if (fonts_[i] == nullptr) {
            NoteDamage("font \"" + platform::Utf16ToUtf8(kFontKeys[i]) + "\"");
            LogErrorPrintfW(kLogIndent, u"Font \"%s\" of %s did not load.", kFontKeys[i],
                            PackFileName(&reader).c_str());
        }
}

void GameLanguage::ReadComix(kis::DataFileReaderW& reader) {
    if (!OpenNamedChunk(reader, kLanguageComixChunk)) return;
    uint32_t count = 0;
    if (!lngfile::ReadU32(reader, count) || int32_t(count) < 0 ||
        count > reader.ChunkBytesLeft() / (kComixRecordSize + kMinEntryBytes))
        NoteDamage("the comic captions' count");
    else
        for (uint32_t i = 0; i < count; ++i) {
            uint8_t record[kComixRecordSize];
            DXLLngEntry* entry =
                ReadBytes(reader, record, kComixRecordSize) ? lngfile::ReadEntry(reader) : nullptr;
            if (entry == nullptr) {
                NoteDamage("comic caption " + std::to_string(i + 1));
                break;
            }
            float scale = 0.0f;
            const uint32_t scaleBits = kis::LoadLE32(record + 12);
            std::memcpy(&scale, &scaleBits, 4);
            AddComixItem(entry, int32_t(kis::LoadLE32(record + 4)), int32_t(kis::LoadLE32(record + 8)),
                         scale);
        }
    reader.CloseChunk();
}

void GameLanguage::ReadCredits(kis::DataFileReaderW& reader) {
    if (!OpenNamedChunk(reader, kLanguageCreditsChunk)) return;
    // The records in turn; false at the first that fails its checks.
    const bool whole = [&] {
        uint32_t count = 0;
        if (!lngfile::ReadU32(reader, count) || count > reader.ChunkBytesLeft() / kCreditsHeaderSize)
            return false;
        std::vector<uint8_t> bytes;
        for (uint32_t i = 0; i < count; ++i) {
            uint8_t head[kCreditsHeaderSize];
            if (!ReadBytes(reader, head, kCreditsHeaderSize)) return false;
            const uint32_t size = kis::LoadLE32(head);
            const uint32_t kind = kis::LoadLE32(head + 4);
            if (size < kCreditsHeaderSize || size - kCreditsHeaderSize > reader.ChunkBytesLeft())
                return false;
            bytes.assign(head, head + kCreditsHeaderSize);
            bytes.resize(size);
            if (!ReadBytes(reader, bytes.data() + kCreditsHeaderSize, size - kCreditsHeaderSize))
                return false;
            if (kind == GameCreditsRecord::kLine) {
                // The text and its terminator must lie inside the record.
                const uint32_t length = kis::LoadLE32(&bytes[8]);
                if (uint64_t{length} * 2 + 14 > size) return false;
                std::vector<char16_t> text(size_t{length} + 1);
                for (uint32_t k = 0; k < length; ++k)
                    text[k] = char16_t(kis::LoadLE16(&bytes[12 + 2 * k]));
                AddCreditsLine(text.data(), length);
            } else if (kind == GameCreditsRecord::kImage) {
                DXLTexture* texture = ReadImageRecord(reader);
                AddCreditsImage(texture);
                if (texture == nullptr) return false; // where the next record starts is unknown
            }
        }
        return true;
    }();
    if (!whole) NoteDamage("the credits");
    reader.CloseChunk();
}

// ---------------------------------------------------------------- compiled file: writing

int GameLanguage::SaveBinary(kis::DataFileWriterW& writer) {
    int code = DXLLanguage::SaveBinary(writer);
    if (code != kCompileOk) return code;
    if ((code = SaveFarmParams(writer)) != kCompileOk) return code;

    // A logo whose file cannot be read is left out of the chunk whole.
    if (!writer.BeginChunk(ChunkId(kLanguageImagesChunk), kSubId)) return kSaveImagesChunk;
    for (const char16_t* name : {u"loading_logo", u"logo"}) {
        const DXLLngImage* image = FindImageItem(GetImage(name));
        if (image != nullptr && WriteImageRecord(writer, image->name.name, image->name.length,
                                                 image->texture.get()) == ImageWrite::kFailed)
            return kSaveImagesChunk;
    }
    if (!writer.EndChunk()) return kSaveImagesChunk;

    if ((code = SaveComix(writer)) != kCompileOk) return code;
    if ((code = SaveCredits(writer)) != kCompileOk) return code;
    return SaveFonts(writer);
}

int GameLanguage::SaveFarmParams(kis::DataFileWriterW& writer) {
    if (!writer.BeginChunk(ChunkId(kLanguageFarmParamsChunk), kSubId)) return kSaveFarmParamsChunk;
    if (!lngfile::WriteString(writer, profileChars_.c_str(), uint32_t(profileChars_.size())))
        return kSaveProfileChars;
    std::vector<uint8_t> logo;
    AppendU32(logo, 0);
    AppendU32(logo, uint32_t(logo_.x));
    AppendU32(logo, uint32_t(logo_.y));
    if (!WriteBytes(writer, logo)) return kSaveLogoRecord;
    if (windowTitle_ == nullptr || !lngfile::WriteEntry(writer, *windowTitle_) || !writer.EndChunk())
        return kSaveWindowTitle;
    return kCompileOk;
}

int GameLanguage::SaveComix(kis::DataFileWriterW& writer) {
    if (!writer.BeginChunk(ChunkId(kLanguageComixChunk), kSubId)) return kSaveComixChunk;
    if (!lngfile::WriteU32(writer, uint32_t(comix_.size()))) return kSaveComixCount;
    for (const auto& owned : comix_) {
        const GameComixItem& item = *owned;
        uint32_t scaleBits = 0;
        std::memcpy(&scaleBits, &item.scale, 4);
        std::vector<uint8_t> record;
        AppendU32(record, 0);
        AppendU32(record, uint32_t(item.x));
        AppendU32(record, uint32_t(item.y));
        AppendU32(record, scaleBits);
        if (!WriteBytes(writer, record) || !lngfile::WriteEntry(writer, *item.entry)) return kSaveComixItem;
    }
    if (!writer.EndChunk()) return kSaveComixItem;
    return kCompileOk;
}

int GameLanguage::SaveCredits(kis::DataFileWriterW& writer) {
    if (!writer.BeginChunk(ChunkId(kLanguageCreditsChunk), kSubId)) return kSaveCreditsChunk;
    if (!lngfile::WriteU32(writer, uint32_t(credits_.size()))) return kSaveCreditsCount;
    for (const GameCreditsRecord& record : credits_) {
        std::vector<uint8_t> bytes;
        AppendU32(bytes, record.size);
        AppendU32(bytes, record.kind);
        if (record.kind == GameCreditsRecord::kLine) {
            AppendU32(bytes, record.length);
            AppendUnits(bytes, record.Text(), record.length);
            AppendUnits(bytes, u"", 1);
        } else {
            AppendU32(bytes, 0); // the texture has no meaning in the file
            AppendU32(bytes, 0);
        }
        bytes.resize(record.size < bytes.size() ? bytes.size() : record.size, 0);
        if (!WriteBytes(writer, bytes)) return kSaveCreditsRecord;
        if (record.kind != GameCreditsRecord::kImage) continue;
        const DXLLngImage* image = FindImageItem(record.texture);
        if (image == nullptr || WriteImageRecord(writer, image->name.name, image->name.length,
                                                 image->texture.get()) != ImageWrite::kWritten)
            return kSaveCreditsImage;
    }
    if (!writer.EndChunk()) return kSaveCreditsRecord;
    return kCompileOk;
}

int GameLanguage::SaveFonts(kis::DataFileWriterW& writer) {
    if (!writer.BeginChunk(ChunkId(kLanguageFontsChunk), kSubId)) return kSaveFontsChunk;
    for (KGEFont* font : fonts_) {
        if (font == nullptr ||
            WriteImageRecord(writer, u"font_image", 10, font->GetTexture()) != ImageWrite::kWritten ||
            KGEWriteFont(&writer, font) != 0)
            return kSaveFont;
    }
    if (!writer.EndChunk()) return kSaveFont;
    return kCompileOk;
}

const char* GameLanguage::StepName(int code) {
    switch (code) {
    case kSaveFarmParamsChunk:
        return "beginning the chunk \"farm_params\"";
    case kSaveProfileChars:
        return "writing the profile characters";
    case kSaveLogoRecord:
        return "writing the logo record";
    case kSaveWindowTitle:
        return "writing the window-title entry";
    case kSaveImagesChunk:
        return "beginning the chunk \"images\"";
    case kSaveComixChunk:
        return "beginning the chunk \"comix_p\"";
    case kSaveComixCount:
        return "writing the comic item count";
    case kSaveComixItem:
        return "writing a comic item or its entry";
    case kSaveCreditsChunk:
        return "beginning the chunk \"credits\"";
    case kSaveCreditsCount:
        return "writing the credits record count";
    case kSaveCreditsRecord:
        return "writing a credits record";
    case kSaveCreditsImage:
        return "writing the image of a credits picture";
    case kSaveFontsChunk:
        return "beginning the chunk \"fonts\"";
    case kSaveFont:
        return "writing a font (a font is missing or its glyph image is not an image file)";
    default:
        return nullptr;
    }
}
