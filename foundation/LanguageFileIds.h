#pragma once
// Ids of the compiled language file: its container type and its chunks. The
// chunks' contents are described where they are read (text/Language.h and
// text/GameLanguage.h).

#include <cstdint>

constexpr uint32_t kLanguageFileTypeId = 0xA7F17E1D;
constexpr uint32_t kLanguageFileTypeVersion = 13;
constexpr uint32_t kLanguageFileDataVersion = 1;
// Every chunk of the file has this sub-id.
constexpr uint32_t kLanguageChunkSubId = 1;

// A chunk named by an identifier has the name id (kis::NameId) of the name as
// its id: the header chunk "params" is this one.
constexpr uint32_t kLanguageParamsChunk = 0x7031F10C;
// Text group i is chunk kLanguageGroupChunk | i.
constexpr uint32_t kLanguageGroupChunk = 0xC0000000;
// The game's own chunks, by name.
constexpr const char16_t* kLanguageImagesChunk = u"images";
constexpr const char16_t* kLanguageFarmParamsChunk = u"farm_params";
constexpr const char16_t* kLanguageComixChunk = u"comix_p";
constexpr const char16_t* kLanguageCreditsChunk = u"credits";
constexpr const char16_t* kLanguageFontsChunk = u"fonts";
