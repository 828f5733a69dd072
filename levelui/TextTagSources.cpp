#include "levelui/TextTagSources.h"

#include "app/App.h"
#include "app/Profiles.h"
#include "sprites/Sprite.h"
#include "text/GameLanguage.h"
#include "text/ObjectRegistry.h"

#include <cstring>

namespace {

const TextTagSources kNoSources;
struct InstalledSources {
    const TextTagSources* sources = nullptr; // owned by whoever installed them
};

} // namespace

const char16_t* TextTagSources::Text(const char16_t* group, const char16_t* key, uint32_t form) const {
    const GameLanguage* language = AppLanguage();
    return language ? language->GetIndexedText(group, key, form, true) : nullptr;
}

bool TextTagSources::FindImage(int32_t library, const char16_t* name, int32_t frame, TagImage* out) const {
    Sprite* sprite = GetSprite(library, name);
    if (!sprite) return false;
    *out = {};
    // A texture of the pack loads when first used: the markup needs it live.
    sprite->Acquire();
    out->texture = RegisterTexture(sprite->GetTexture());
    out->frameCount = sprite->GetFrameCount();
    kis::Rect rect;
    if (sprite->GetFrameRect(frame, &rect)) {
        out->left = rect.left;
        out->top = rect.top;
        out->width = rect.right - rect.left;
        out->height = rect.bottom - rect.top;
    }
    return true;
}

namespace {

const Profile* CurrentProfile() {
    ProfileManager* profiles = AppProfiles();
    return profiles ? profiles->Current() : nullptr;
}

} // namespace

const char16_t* TextTagSources::ProfileName(uintptr_t profile) const {
    const Profile* p = profile ? reinterpret_cast<const Profile*>(profile) : CurrentProfile();
    return p ? GetProfileName(p) : nullptr;
}

bool TextTagSources::CurrentAwards(AwardCounters* out) const {
    const Profile* p = CurrentProfile();
    if (!p) return false;
    static_assert(sizeof(p->Record().awards) == sizeof(AwardCounters));
    std::memcpy(out, p->Record().awards, sizeof(AwardCounters));
    return true;
}

void SetTextTagSources(const TextTagSources* sources) {
    if (InstalledSources* installed =
            sources ? AppPart<InstalledSources>() : ExistingAppPart<InstalledSources>())
        installed->sources = sources;
}

const TextTagSources& GetTextTagSources() {
    const InstalledSources* installed = ExistingAppPart<InstalledSources>();
    return installed && installed->sources ? *installed->sources : kNoSources;
}
