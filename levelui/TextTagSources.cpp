#include "levelui/TextTagSources.h"

#include "app/App.h"
#include "text/GameLanguage.h"

namespace {

const TextTagSources kNoSources;
const TextTagSources* g_sources = nullptr; // owned by whoever installed them

} // namespace

const char16_t* TextTagSources::Text(const char16_t* group, const char16_t* key, uint32_t form) const {
    const GameLanguage* language = AppLanguage();
    return language ? language->GetIndexedText(group, key, form, true) : nullptr;
}

bool TextTagSources::FindImage(int32_t, const char16_t*, int32_t, TagImage*) const {
    return false;
}

void SetTextTagSources(const TextTagSources* sources) {
    g_sources = sources;
}

const TextTagSources& GetTextTagSources() {
    return g_sources ? *g_sources : kNoSources;
}
