// Sections:
//   settings: life, fonts, colours and layout settings
//   build: bracket expansion and the markup parsed into runs
//   layout: line metrics, alignment and the quads drawn

#include "text/DXLRichText.h"

#include "foundation/Colour.h"
#include "foundation/Helpers.h"
#include "foundation/NumberText.h"
#include "foundation/StrFunctions.h"

#include <algorithm>
#include <cstring>

namespace {

// Room offered to a bracket callback; the buffer doubles while a callback
// fills all it was given, up to the largest expansion.
constexpr int32_t kExpansionRoom = 1024;
constexpr int32_t kMaxExpansionRoom = 1 << 20;

template <typename Ch> std::vector<Ch>& ExpansionBuffer() {
    static std::vector<Ch> buffer;
    return buffer;
}

template <typename Ch> uint32_t Lower(Ch c) {
    const uint32_t code = CharCode(c);
    return code >= 'A' && code <= 'Z' ? code + 32 : code;
}

template <typename Ch> bool IsSpace(Ch c) {
    return c == Ch(' ') || c == Ch('\t') || c == Ch('\r') || c == Ch('\n');
}

template <typename Ch> bool IsWordChar(Ch c) {
    const uint32_t code = Lower(c);
    return (code >= 'a' && code <= 'z') || (code >= '0' && code <= '9') || code == '_';
}

// The word at p, matched against an ASCII name ignoring case; the length of
// the word when it equals the name, else 0.
template <typename Ch> int32_t MatchWord(const Ch* p, const char* name) {
    int32_t n = 0;
    while (name[n] && Lower(p[n]) == uint32_t(name[n] >= 'A' && name[n] <= 'Z' ? name[n] + 32 : name[n]))
        ++n;
    if (name[n] != 0 || IsWordChar(p[n])) return 0;
    return n;
}

uint32_t OpaqueIfNoAlpha(uint32_t colour) {
    return colour <= 0x00FFFFFFu ? colour | 0xFF000000u : colour;
}

void TranslateQuad(TexturedQuad& quad, float dx, float dy) {
    for (auto& v : quad.v) {
        v.x += dx;
        v.y += dy;
    }
}

} // namespace

// A number of the IMAGE tag: set when it had digits; percent with '%'.
struct TagNumber {
    bool set = false;
    bool percent = false;
    int32_t value = 0;
};

namespace {

// Reads the pieces of a tag, moving p past what it reads.
template <typename Ch> struct TagCursor {
    const Ch* p;

    void SkipSpaces() {
        while (*p == Ch(' '))
            ++p;
    }
    bool Hex(uint32_t* value) {
        int32_t used = 0;
        const uint32_t v = kis::HexToIntEx(p, -1, 0u, true, false, &used);
        p += used;
        if (used > 0) *value = v;
        return used > 0;
    }
    bool Hex64(uint64_t* value) {
        int32_t used = 0;
        const uint64_t v = kis::HexToInt64Ex(p, -1, uint64_t(0), true, false, &used);
        p += used;
        if (used > 0) *value = v;
        return used > 0;
    }
    // Decimal with an optional '-', clamped to low..high, then an optional
    // '%'. Without digits nothing is taken and the number stays unset.
    void Number(TagNumber* out, int32_t low, int32_t high) {
        const Ch* start = p;
        bool negative = false;
        if (*p == Ch('-')) {
            negative = true;
            ++p;
        }
        int64_t v = 0;
        int digits = 0;
        while (CharCode(*p) >= '0' && CharCode(*p) <= '9') {
            v = std::min<int64_t>(v * 10 + (CharCode(*p) - '0'), 1 << 20);
            ++p;
            ++digits;
        }
        if (digits == 0) {
            p = start;
            return;
        }
        out->set = true;
        out->value = int32_t(std::clamp<int64_t>(negative ? -v : v, low, high));
        if (*p == Ch('%')) {
            out->percent = true;
            ++p;
        }
    }
};

// The tag names, in the order of Tag::Name.
constexpr const char* kTagNames[] = {"font", "color", "grad", "image", "link"};

// The attribute keys a tag may carry, in the order of kTagKeys.
enum TagKey : int {
    kTagKeyAddr,
    kTagKeyColor,
    kTagKeyColor1,
    kTagKeyColor2,
    kTagKeyId,
    kTagKeyData,
    kTagKeyQuad,
    kTagKeyLt,
    kTagKeyOfsy,
    kTagKeyAl,
    kTagKeyWidth,
    kTagKeyHeight,
    kTagKeyCount
};
constexpr const char* kTagKeys[kTagKeyCount] = {"addr", "color", "color1", "color2", "id",    "data",
                                                "quad", "lt",    "ofsy",   "al",     "width", "height"};

// "<" is behind the cursor: an optional '/', then a tag name standing alone
// (followed by the end, '=', '>' or a space).
template <typename Ch, typename TagT> bool ReadTagName(TagCursor<Ch>& c, TagT& tag) {
    if (*c.p == Ch('/')) {
        tag.closing = true;
        ++c.p;
    }
    int32_t nameLength = 0;
    for (int n = 0; n < 5 && nameLength == 0; ++n) {
        nameLength = MatchWord(c.p, kTagNames[n]);
        if (nameLength) tag.name = typename TagT::Name(n);
    }
    if (nameLength == 0) return false;
    c.p += nameLength;
    return *c.p == 0 || *c.p == Ch('=') || *c.p == Ch('>') || *c.p == Ch(' ');
}

// The value of one key, the cursor standing after its '=' and the spaces.
// The numbers of the layout keys count for images only.
template <typename Ch, typename TagT> void ReadTagValue(TagCursor<Ch>& c, TagKey key, TagT& tag) {
    const bool image = tag.name == TagT::kImage;
    switch (key) {
    case kTagKeyAddr:
        tag.hasAddress = c.Hex(&tag.address);
        break;
    case kTagKeyColor:
        tag.hasColour = c.Hex(&tag.colour);
        break;
    case kTagKeyColor1:
        tag.hasColour1 = c.Hex(&tag.colour1);
        break;
    case kTagKeyColor2:
        tag.hasColour2 = c.Hex(&tag.colour2);
        break;
    case kTagKeyId:
        tag.hasId = c.Hex(&tag.id);
        break;
    case kTagKeyData: {
        uint64_t data = 0;
        tag.hasData = c.Hex64(&data);
        tag.data = uint32_t(data);
        break;
    }
    case kTagKeyQuad:
        tag.hasQuad = c.Hex64(&tag.quad);
        break;
    case kTagKeyLt:
        if (image) c.Number(&tag.lt, -1024, 1024);
        break;
    case kTagKeyOfsy:
        if (image) c.Number(&tag.ofsy, -1024, 1024);
        break;
    case kTagKeyAl:
        if (image) c.Number(&tag.al, -1024, 1024);
        break;
    case kTagKeyWidth:
        if (image) c.Number(&tag.width, 0, 1024);
        break;
    case kTagKeyHeight:
        if (image) c.Number(&tag.height, 0, 1024);
        break;
    default:
        break;
    }
}

// After the name of an opening tag: an optional "=value" (an address for
// FONT and IMAGE, a colour for COLOR), then "key=value" pairs up to '>' or the
// end. Unknown keys are passed over one character at a time.
template <typename Ch, typename TagT> void ReadTagValues(TagCursor<Ch>& c, TagT& tag) {
    c.SkipSpaces();
    if (*c.p == Ch('=')) {
        tag.sawEquals = true;
        ++c.p;
        c.SkipSpaces();
        if (tag.name == TagT::kFont || tag.name == TagT::kImage)
            tag.hasAddress = c.Hex(&tag.address);
        else if (tag.name == TagT::kColor)
            tag.hasColour = c.Hex(&tag.colour);
    }
    while (*c.p && *c.p != Ch('>')) {
        c.SkipSpaces();
        if (!*c.p || *c.p == Ch('>')) break;
        int key = -1;
        int32_t keyLength = 0;
        for (int k = 0; k < kTagKeyCount && key < 0; ++k) {
            keyLength = MatchWord(c.p, kTagKeys[k]);
            if (keyLength) key = k;
        }
        const Ch* afterKey = c.p + keyLength;
        while (*afterKey == Ch(' '))
            ++afterKey;
        if (key < 0 || *afterKey != Ch('=')) {
            ++c.p;
            continue;
        }
        tag.sawEquals = true;
        c.p = afterKey + 1;
        c.SkipSpaces();
        ReadTagValue(c, TagKey(key), tag);
    }
}

} // namespace

template <typename Ch> struct DXLText<Ch>::Tag {
    enum Name { kFont, kColor, kGrad, kImage, kLink } name = kFont;
    bool closing = false;
    bool sawEquals = false;
    bool hasAddress = false, hasColour = false, hasColour1 = false, hasColour2 = false;
    bool hasId = false, hasData = false, hasQuad = false;
    uint32_t address = 0, colour = 0, colour1 = 0, colour2 = 0, id = 0, data = 0;
    uint64_t quad = 0;
    TagNumber lt, ofsy, al, width, height;
    Font* font = nullptr;
    DXLTexture* texture = nullptr;
    const TexturedQuad* givenQuad = nullptr;
};

// ================================================================ settings

template <typename Ch> DXLText<Ch>::DXLText(DXLViewer* viewer) : viewer_(viewer) {}

template <typename Ch> DXLText<Ch>::~DXLText() {
    UnfollowAll();
    if (font_) font_->RemoveTarget(this);
    if (DXLTexture* texture = ownTexture_) {
        ownTexture_ = nullptr;
        texture->RemoveTarget(this);
        texture->SetSource(nullptr, false);
        delete texture;
    }
    items_.clear();
    links_.clear();
    styles_.clear();
}

template <typename Ch> void DXLText<Ch>::SetText(const Ch* text) {
    if (text && text == text_.get()) return;
    if (maxLength_ == 0) {
        const int32_t length = text ? kis::StrLen(text) : 0;
        std::unique_ptr<Ch[]> copy;
        if (text) {
            copy = std::make_unique<Ch[]>(size_t(length) + 1);
            std::memcpy(copy.get(), text, sizeof(Ch) * size_t(length));
            copy[size_t(length)] = 0;
        }
        text_ = std::move(copy);
        length_ = length;
    } else {
        if (!text_) text_ = std::make_unique<Ch[]>(size_t(maxLength_) + 1);
        int32_t n = 0;
        while (text && text[n] && n < maxLength_) {
            text_[size_t(n)] = text[n];
            ++n;
        }
        text_[size_t(n)] = 0;
        length_ = n;
    }
    flags_ |= kFlagBuild;
    Update(nullptr);
}

template <typename Ch> void DXLText<Ch>::SetMaxLength(uint16_t length) {
    if (length == maxLength_) return;
    std::unique_ptr<Ch[]> old = std::move(text_);
    maxLength_ = length;
    if (length > 0) text_ = std::make_unique<Ch[]>(size_t(length) + 1);
    length_ = 0;
    SetText(old.get());
}

template <typename Ch> void DXLText<Ch>::SetFont(Font* font) {
    if (font == font_) return;
    if (font_) font_->RemoveTarget(this);
    font_ = font;
    if (font_) font_->AddTarget(this);
    flags_ |= kFlagBuild;
    if (!viewer_ && font_ && font_->GetImage()) viewer_ = font_->GetImage()->GetViewer();
    Update(nullptr);
}

template <typename Ch> void DXLText<Ch>::SetWordWrap(bool on) {
    this->SetAndUpdate(wordWrap_, on);
}

template <typename Ch> void DXLText<Ch>::SetAlignment(uint32_t alignment) {
    this->SetAndUpdate(alignment_, alignment);
}

template <typename Ch> void DXLText<Ch>::SetLineSpacing(int16_t spacing) {
    this->SetAndUpdate(lineSpacing_, spacing);
}

template <typename Ch> void DXLText<Ch>::SetWidth(int32_t width) {
    width_ = std::max(0, width);
    if (wordWrap_) Update(nullptr);
}

template <typename Ch> void DXLText<Ch>::AddBracketCallback(BracketCallback callback) {
    if (callback) callbacks_.push_back(callback);
}

template <typename Ch> void DXLText<Ch>::RemoveBracketCallback(BracketCallback callback) {
    auto found = std::find(callbacks_.begin(), callbacks_.end(), callback);
    if (found != callbacks_.end()) callbacks_.erase(found);
}

template <typename Ch> int32_t DXLText<Ch>::GetWidth(bool tight) const {
    if (!wordWrap_ || width_ == 0) return contentWidth_;
    return tight ? widestLine_ : width_;
}

template <typename Ch> void DXLText<Ch>::Update(DXLNotifyObject* sender) {
    flags_ |= kFlagLayout;
    DXLUpdateableObject::Update(sender);
}

template <typename Ch> void DXLText<Ch>::Changed(DXLNotifyObject* sender) {
    // A build can make a font tell the text that it changed (an image tag
    // restores the font's own sheet, and the font rebuilds). That request
    // must not start a second build inside this one: it stays in the flags,
    // and this pass builds once more.
    if (changing_) return;
    changing_ = true;
    for (int pass = 0; pass < kMaxChangePasses && (flags_ & (kFlagBuild | kFlagLayout)); ++pass) {
        if (flags_ & kFlagBuild) Build();
        if (flags_ & kFlagLayout) Layout();
    }
    if (renderToTexture_ && ownTexture_) ownTexture_->Restore();
    changing_ = false;
    DXLUpdateableObject::Changed(sender);
}

template <typename Ch> void DXLText<Ch>::Assign(const DXLText& other) {
    BeginUpdate();
    SetText(nullptr);
    viewer_ = other.viewer_;
    SetFont(other.font_);
    SetWordWrap(other.wordWrap_);
    SetWidth(other.width_);
    SetAlignment(other.alignment_);
    SetLineSpacing(other.lineSpacing_);
    SetMaxLength(other.maxLength_);
    SetRenderToTexture(other.renderToTexture_);
    SetText(other.text_.get());
    EndUpdate();
}

// ================================================================ build

template <typename Ch> const Ch* DXLText<Ch>::ExpandBrackets() {
    std::vector<Ch>& out = ExpansionBuffer<Ch>();
    out.clear();
    const Ch* text = text_.get();
    size_t used = 0;
    auto append = [&](const Ch* from, size_t count) {
        if (out.size() < used + count + 1) out.resize(used + count + 1);
        std::memcpy(out.data() + used, from, sizeof(Ch) * count);
        used += count;
    };
    int32_t level = 0;
    int32_t start = 0;
    for (int32_t i = 0; i < length_; ++i) {
        const Ch c = text[i];
        if (c == Ch('[')) {
            if (level++ == 0) start = i;
            continue;
        }
        if (level == 0) {
            append(&c, 1);
            continue;
        }
        if (c != Ch(']') || --level > 0) continue;
        const int32_t length = i - start - 1;
        bool handled = false;
        for (BracketCallback callback : callbacks_) {
            for (int32_t room = kExpansionRoom;; room *= 2) {
                out.resize(used + size_t(room));
                Ch* output = out.data() + used;
                output[0] = 0;
                if (!callback(this, text + start + 1, length, output, room)) break;
                handled = true;
                output[room - 1] = 0;
                const int32_t written = kis::StrLen(output);
                // A reply that filled the room may have been cut: ask again.
                if (written < room - 1 || room >= kMaxExpansionRoom) {
                    used += size_t(written);
                    break;
                }
            }
            if (handled) break;
        }
        if (!handled) append(text + start, size_t(length) + 2);
    }
    if (level > 0) append(text + start, size_t(length_ - start));
    out.resize(used + 1);
    out[used] = 0;
    return out.data();
}

template <typename Ch> void DXLText<Ch>::Follow(DXLNotifyObject* object) {
    if (!object || object == static_cast<DXLNotifyObject*>(font_) ||
        std::find(followed_.begin(), followed_.end(), object) != followed_.end())
        return;
    object->AddTarget(this);
    followed_.push_back(object);
}

template <typename Ch> void DXLText<Ch>::UnfollowAll() {
    for (DXLNotifyObject* object : followed_)
        if (object != static_cast<DXLNotifyObject*>(font_) && object != ownTexture_)
            object->RemoveTarget(this);
    followed_.clear();
}

template <typename Ch> void DXLText<Ch>::Forget(DXLNotifyObject* object) {
    for (Item& item : items_) {
        if (item.font && static_cast<DXLNotifyObject*>(item.font) == object) {
            item.font = nullptr;
            item.hasQuad.assign(item.hasQuad.size(), 0);
        }
        if (item.texture == object) item.texture = nullptr;
    }
    auto found = std::find(followed_.begin(), followed_.end(), object);
    if (found != followed_.end()) followed_.erase(found);
}

template <typename Ch> void DXLText<Ch>::Build() {
    flags_ &= ~kFlagBuild;
    UnfollowAll();
    items_.clear();
    links_.clear();
    openRun_ = -1;
    if (ownTexture_) ownTexture_->Release();
    expanded_ = text_.get();
    if (!text_ || length_ == 0) return;
    if (!callbacks_.empty()) {
        // The expansion buffer is shared by every text: keep a copy, since
        // the texture is composed again long after this build.
        const Ch* expansion = ExpandBrackets();
        expansion_.assign(expansion, expansion + kis::StrLen(expansion) + 1);
        expanded_ = expansion_.data();
    }

    styles_.clear();
    fontState_ = Style{};
    linkState_ = Style{};
    gradientState_ = Style{};
    if (font_) {
        Style style;
        style.kind = kStyleFont;
        style.font = font_;
        style.colour = font_->GetColor();
        PushStyle(style);
    }
    const Ch* text = expanded_;
    for (int32_t i = 0; text[i];) {
        const Ch c = text[i];
        if (c == Ch('\n')) {
            AddBreak();
        } else if (c == Ch(' ')) {
            AddSpace();
        } else if (c == Ch('<') && !rawMode_) {
            int32_t next = 0;
            if (ParseTag(text, i, &next)) {
                i = next;
                continue;
            }
            AddChar(i);
        } else {
            AddChar(i);
        }
        ++i;
    }
    CloseRun();
    styles_.clear();
    fontState_ = Style{};
    gradientState_ = Style{};
    linkState_ = Style{};
}

template <typename Ch> bool DXLText<Ch>::ParseTag(const Ch* text, int32_t at, int32_t* next) {
    Tag tag;
    TagCursor<Ch> c{text + at + 1};
    if (!ReadTagName(c, tag)) return false;
    if (tag.closing) {
        // Whatever stands before the '>' of a closing tag is passed over.
        while (*c.p && *c.p != Ch('>'))
            ++c.p;
    } else {
        ReadTagValues(c, tag);
    }
    *next = int32_t(c.p - text) + (*c.p ? 1 : 0);
    if (!tag.closing && !FindTagObjects(tag)) return false;
    CloseRun();
    ApplyTag(tag);
    return true;
}

// A handle that names no live object of the expected kind makes the whole tag
// ordinary text.
template <typename Ch> bool DXLText<Ch>::FindTagObjects(Tag& tag) const {
    if ((tag.name == Tag::kFont || tag.name == Tag::kImage) && tag.hasAddress && tag.address != 0) {
        if (tag.name == Tag::kFont) {
            tag.font = static_cast<Font*>(
                FindObject(tag.address, sizeof(Ch) == 1 ? kObjectKindDXLFontA : kObjectKindDXLFontW));
            if (!tag.font) return false;
        } else {
            tag.texture = FindTexture(tag.address);
            if (!tag.texture) return false;
        }
    }
    if (tag.name == Tag::kImage && tag.hasQuad && tag.quad != 0) {
        tag.givenQuad =
            tag.quad <= 0xFFFFFFFFu
                ? static_cast<const TexturedQuad*>(FindObject(uint32_t(tag.quad), kObjectKindQuad))
                : nullptr;
        if (!tag.givenQuad) return false;
    }
    return true;
}

template <typename Ch> void DXLText<Ch>::ApplyTag(const Tag& tag) {
    if (tag.closing) {
        switch (tag.name) {
        case Tag::kFont:
        case Tag::kColor:
            PopStyle(kStyleFont);
            break;
        case Tag::kGrad:
            PopStyle(kStyleGradient);
            break;
        case Tag::kLink:
            PopStyle(kStyleLink);
            break;
        default:
            break;
        }
        return;
    }
    if (!tag.sawEquals) return;
    Style style;
    switch (tag.name) {
    case Tag::kFont:
        style.kind = kStyleFont;
        Follow(tag.font);
        style.font = tag.font ? tag.font : fontState_.font;
        if (tag.hasColour)
            style.colour = OpaqueIfNoAlpha(tag.colour);
        else if (fontState_.kind)
            style.colour = fontState_.colour;
        else
            style.colour = style.font ? style.font->GetColor() : 0xFFFFFFFFu;
        PushStyle(style);
        break;
    case Tag::kColor:
        if (!tag.hasColour || tag.colour == 0) return;
        style.kind = kStyleFont;
        style.font = fontState_.font;
        style.colour = OpaqueIfNoAlpha(tag.colour);
        PushStyle(style);
        break;
    case Tag::kGrad:
        style.kind = kStyleGradient;
        style.colours[0] = !tag.hasColour1 ? 0xFFFFFFFFu : (tag.colour1 == 0 ? 0xFF000000u : tag.colour1);
        style.colours[1] = !tag.hasColour2 ? 0xFFFFFFFFu : (tag.colour2 == 0 ? 0xFF000000u : tag.colour2);
        style.first = int32_t(items_.size());
        PushStyle(style);
        break;
    case Tag::kLink:
        style.kind = kStyleLink;
        style.id = tag.id;
        style.data = tag.data;
        style.first = int32_t(items_.size());
        PushStyle(style);
        break;
    case Tag::kImage:
        AddImage(tag);
        break;
    }
}

template <typename Ch> void DXLText<Ch>::AddImage(const Tag& tag) {
    DXLTexture* texture = tag.texture;
    if (!texture) return;
    if (!texture->IsLive()) texture->Restore();
    Follow(texture);
    Item item;
    item.kind = kTextItemImage;
    item.texture = texture;
    item.colour = tag.hasColour ? OpaqueIfNoAlpha(tag.colour) : 0;
    float sw = 0.0f, sh = 0.0f;
    if (tag.givenQuad) {
        sw = tag.givenQuad->v[1].x - tag.givenQuad->v[0].x;
        sh = tag.givenQuad->v[3].y - tag.givenQuad->v[0].y;
    } else {
        TexturedQuad measure{};
        texture->MakeQuad(&measure, 0.0f, 0.0f, item.colour);
        sw = measure.v[1].x - measure.v[0].x;
        sh = measure.v[3].y - measure.v[0].y;
    }
    auto scaled = [](const TagNumber& n, float base, int32_t absent) {
        if (!n.set) return absent;
        return n.percent ? kis::Round(base * float(n.value) / 100.0f) : n.value;
    };
    item.width = scaled(tag.width, sw, kis::Round(sw));
    item.height = scaled(tag.height, sh, kis::Round(sh));
    item.ascent = scaled(tag.lt, float(item.height), item.height);
    const int32_t offsetX = scaled(tag.al, float(item.width) - sw, 0);
    const int32_t offsetY = scaled(tag.ofsy, sh, 0);
    if (item.width == 0) return;
    if (tag.givenQuad) {
        item.givenQuad = true;
        item.quad = *tag.givenQuad;
        TranslateQuad(item.quad, float(offsetX), float(offsetY));
    } else {
        texture->MakeQuad(&item.quad, float(offsetX), float(offsetY), item.colour);
    }
    items_.push_back(std::move(item));
}

template <typename Ch> void DXLText<Ch>::PushStyle(const Style& style) {
    styles_.push_back(style);
    if (style.kind == kStyleFont)
        fontState_ = style;
    else if (style.kind == kStyleGradient)
        gradientState_ = style;
    else
        linkState_ = style;
}

template <typename Ch> void DXLText<Ch>::PopStyle(uint8_t kind) {
    int32_t index = int32_t(styles_.size()) - 1;
    while (index >= 0 && styles_[size_t(index)].kind != kind)
        --index;
    if (index < 0) return;
    Style entry = styles_[size_t(index)];
    styles_.erase(styles_.begin() + index);
    Style older;
    for (int32_t i = int32_t(styles_.size()) - 1; i >= 0; --i) {
        if (styles_[size_t(i)].kind == kind) {
            older = styles_[size_t(i)];
            break;
        }
    }
    entry.last = int32_t(items_.size()) - 1;
    if (kind == kStyleFont) {
        fontState_ = older;
    } else if (kind == kStyleGradient) {
        ApplyGradient(entry);
        gradientState_ = older;
    } else {
        if (entry.last >= entry.first) AddLink(entry);
        linkState_ = older;
    }
}

template <typename Ch> void DXLText<Ch>::ApplyGradient(const Style& gradient) {
    const int32_t first = std::max(0, gradient.first);
    const int32_t last = std::min(gradient.last, int32_t(items_.size()) - 1);
    int32_t total = 0;
    for (int32_t i = first; i <= last; ++i)
        total += items_[size_t(i)].width;
    if (total <= 0) return;
    const float ftotal = float(total);
    auto at = [&](float x) { return kis::LerpColor(gradient.colours[0], gradient.colours[1], x / ftotal); };
    float x = 0.0f;
    for (int32_t i = first; i <= last; ++i) {
        Item& item = items_[size_t(i)];
        if (item.kind == kTextItemRun) {
            for (int32_t k = 0; k < item.glyphCount; ++k) {
                const Ch ch = item.chars[size_t(k)];
                if (item.hasQuad[size_t(k)]) {
                    TexturedQuad& q = item.quads[size_t(k)];
                    const float left = q.v[0].x - float(item.x + item.offsets[size_t(k)]);
                    const float width = q.v[1].x - q.v[0].x;
                    const uint32_t l = at(x + left);
                    const uint32_t r = at(std::min(ftotal, x + width));
                    q.v[0].colour = q.v[3].colour = l;
                    q.v[1].colour = q.v[2].colour = r;
                }
                if (item.font->GetGlyph(ch)) x += float(item.font->GetAdvance(ch));
            }
        } else if (item.kind == kTextItemSpace) {
            x += float(item.width);
        } else if (item.kind == kTextItemImage) {
            const uint32_t l = at(x);
            const uint32_t r = at(std::min(ftotal, x + float(item.width)));
            item.quad.v[0].colour = item.quad.v[3].colour = l;
            item.quad.v[1].colour = item.quad.v[2].colour = r;
            x += float(item.width);
        }
    }
}

template <typename Ch> void DXLText<Ch>::AddChar(int32_t index) {
    Font* font = fontState_.font;
    if (!font) return; // a run without font is dropped
    if (openRun_ >= 0 && items_[size_t(openRun_)].glyphCount >= kMaxRunLength) CloseRun();
    if (openRun_ < 0) {
        Item item;
        item.kind = kTextItemRun;
        item.font = font;
        item.height = font->GetHeight();
        item.ascent = font->GetAscent();
        item.vSpacing = font->GetVSpacing();
        item.hSpacing = font->GetHSpacing();
        item.firstChar = index;
        items_.push_back(std::move(item));
        openRun_ = int32_t(items_.size()) - 1;
    }
    ++items_[size_t(openRun_)].glyphCount;
}

template <typename Ch> void DXLText<Ch>::CloseRun() {
    if (openRun_ < 0) return;
    Item& item = items_[size_t(openRun_)];
    openRun_ = -1;
    const size_t n = size_t(item.glyphCount);
    item.quads.assign(n, TexturedQuad{});
    item.hasQuad.assign(n, 0);
    item.offsets.assign(n, 0);
    item.chars.assign(expanded_ + item.firstChar, expanded_ + item.firstChar + n);
    const uint32_t colour = CurrentColour();
    int32_t x = 0;
    for (size_t k = 0; k < n; ++k) {
        const Ch ch = item.chars[k];
        item.offsets[k] = x;
        if (const TexturedQuad* quad = item.font->GetGlyphQuad(ch)) {
            item.quads[k] = *quad;
            TranslateQuad(item.quads[k], float(x), 0.0f);
            for (auto& v : item.quads[k].v)
                v.colour = colour;
            item.hasQuad[k] = 1;
        }
        if (item.font->GetGlyph(ch)) x += item.font->GetAdvance(ch) + item.hSpacing;
    }
    item.width = x;
}

template <typename Ch> void DXLText<Ch>::AddSpace() {
    CloseRun();
    Font* font = fontState_.font;
    if (!font) return;
    Item item;
    item.kind = kTextItemSpace;
    item.font = font;
    item.width = font->GetSpaceWidth() + font->GetHSpacing();
    item.height = font->GetHeight();
    item.vSpacing = font->GetVSpacing();
    item.ascent = font->GetAscent();
    if (item.width == 0) return;
    items_.push_back(std::move(item));
}

template <typename Ch> void DXLText<Ch>::AddBreak() {
    CloseRun();
    Font* font = fontState_.font;
    if (!font) return;
    Item item;
    item.kind = kTextItemBreak;
    item.font = font;
    // The font's vertical spacing is in the height already; the item's own
    // spacing stays 0, so that an empty line is as high as a line of text.
    item.height = font->GetHeight() + font->GetVSpacing();
    item.ascent = item.height;
    if (item.height == 0) return;
    items_.push_back(std::move(item));
}

// ================================================================ layout

template <typename Ch>
void DXLText<Ch>::LineMetrics(int32_t first, int32_t last, int32_t* ascent, int32_t* height) const {
    // Every item counts, a line break too: its ascent is its height, so a line
    // that ends in one is at least as tall as the break.
    int32_t tallest = INT32_MIN;
    int32_t lineAscent = 0;
    for (int32_t i = first; i <= last; ++i) {
        const Item& item = items_[size_t(i)];
        if (item.height > tallest) {
            tallest = item.height;
            lineAscent = item.ascent;
        } else if (item.height == tallest) {
            lineAscent = std::max(lineAscent, item.ascent);
        }
    }
    if (tallest == INT32_MIN) {
        *ascent = 0;
        *height = 0;
        return;
    }
    int32_t lineHeight = INT32_MIN;
    for (int32_t i = first; i <= last; ++i) {
        const Item& item = items_[size_t(i)];
        lineHeight = std::max(lineHeight, lineAscent - item.ascent + item.height + item.vSpacing);
    }
    *ascent = lineAscent;
    *height = lineHeight;
}

template <typename Ch> int32_t DXLText<Ch>::LineWidth(int32_t first, int32_t last) const {
    int32_t width = 0;
    int32_t trailing = 0;
    bool sawRun = false;
    for (int32_t i = first; i <= last; ++i) {
        const Item& item = items_[size_t(i)];
        width += item.width;
        if (!sawRun && item.kind == kTextItemRun) {
            trailing = item.hSpacing;
            sawRun = true;
        }
    }
    // The spacing after the last glyph is no part of the visible width.
    return width - trailing;
}

template <typename Ch> void DXLText<Ch>::MoveItem(Item& item, int32_t x, int32_t y) {
    const float dx = float(x - item.x), dy = float(y - item.y);
    if (item.kind == kTextItemRun) {
        for (TexturedQuad& q : item.quads)
            TranslateQuad(q, dx, dy);
    } else if (item.kind == kTextItemImage) {
        TranslateQuad(item.quad, dx, dy);
    }
    item.x = x;
    item.y = y;
}

template <typename Ch> void DXLText<Ch>::MoveGlyph(Item& item, int32_t glyph, int32_t dx) {
    item.offsets[size_t(glyph)] += dx;
    TranslateQuad(item.quads[size_t(glyph)], float(dx), 0.0f);
}

template <typename Ch> void DXLText<Ch>::Layout() {
    flags_ &= ~kFlagLayout;
    paragraphs_.clear();
    lines_.clear();
    contentWidth_ = 0;
    widestLine_ = 0;
    totalHeight_ = 0;
    const int32_t count = int32_t(items_.size());

    for (int32_t i = 0; i < count;) {
        int32_t last = i;
        while (last < count - 1 && items_[size_t(last)].kind != kTextItemBreak)
            ++last;
        Paragraph paragraph;
        paragraph.first = i;
        paragraph.last = last;
        paragraph.width = LineWidth(i, last);
        int32_t ascent = 0;
        LineMetrics(i, last, &ascent, &paragraph.height);
        contentWidth_ = std::max(contentWidth_, paragraph.width);
        paragraphs_.push_back(paragraph);
        i = last + 1;
    }

    const bool wrapping = wordWrap_ && width_ > 0;
    const int32_t layoutWidth = wordWrap_ ? width_ : contentWidth_;
    if (alignment_ == kTextAlignJustify && wrapping) widestLine_ = width_;
    int32_t y = 0;
    for (const Paragraph& paragraph : paragraphs_) {
        const size_t firstLine = lines_.size();
        if (!wrapping || paragraph.width <= width_) {
            lines_.push_back(Line{paragraph.first, paragraph.last + 1, 0, 0});
        } else {
            int32_t i = paragraph.first;
            while (i <= paragraph.last) {
                int32_t end = i + 1;
                int32_t sum = items_[size_t(i)].width;
                while (end <= paragraph.last && sum + items_[size_t(end)].width <= width_)
                    sum += items_[size_t(end++)].width;
                int32_t lineEnd = end;
                if (items_[size_t(lineEnd - 1)].kind == kTextItemSpace &&
                    (lineEnd - 1 == i || items_[size_t(lineEnd - 2)].kind != kTextItemSpace))
                    --lineEnd; // the trailing space is dropped
                lines_.push_back(Line{i, lineEnd, 0, 0});
                int32_t nextStart = lineEnd;
                if (nextStart <= paragraph.last && items_[size_t(nextStart)].kind == kTextItemSpace)
                    ++nextStart;
                if (nextStart <= paragraph.last && items_[size_t(nextStart)].kind == kTextItemBreak)
                    ++nextStart;
                i = nextStart;
            }
        }
        lines_[firstLine].paragraphHeight = paragraph.height;
    }
    // A line left empty by its dropped space is not placed, so the last line
    // of the text is the last one that holds an item.
    size_t lastPlaced = lines_.size();
    for (size_t l = 0; l < lines_.size(); ++l)
        if (lines_[l].end > lines_[l].first) lastPlaced = l;
    for (size_t l = 0; l < lines_.size(); ++l) {
        Line& line = lines_[l];
        if (line.end <= line.first) continue;
        PlaceLine(line.first, line.end - 1, layoutWidth, &y, l == lastPlaced);
        int32_t ascent = 0;
        LineMetrics(line.first, line.end - 1, &ascent, &line.height);
    }
    totalHeight_ = y;
    BuildLinkRects();
}

template <typename Ch>
void DXLText<Ch>::PlaceLine(int32_t first, int32_t last, int32_t layoutWidth, int32_t* y, bool lastLine) {
    int32_t ascent = 0, height = 0;
    LineMetrics(first, last, &ascent, &height);
    const int32_t lineWidth = LineWidth(first, last);
    int32_t x = 0;
    if (alignment_ == kTextAlignCentre)
        x = (layoutWidth - lineWidth) / 2;
    else if (alignment_ == kTextAlignRight)
        x = layoutWidth - lineWidth;
    for (int32_t i = first; i <= last; ++i) {
        Item& item = items_[size_t(i)];
        if (item.kind != kTextItemBreak) MoveItem(item, x, *y + ascent - item.ascent);
        x += item.width;
    }
    if (alignment_ == kTextAlignJustify) Justify(first, last, lineWidth, lastLine);
    widestLine_ = std::max(widestLine_, lineWidth);
    if (lastLine)
        *y += height - (font_ ? font_->GetVSpacing() : 0);
    else
        *y += lineSpacing_ + height;
}

template <typename Ch>
void DXLText<Ch>::Justify(int32_t first, int32_t last, int32_t lineWidth, bool lastLine) {
    // The last line may end before the last item (its trailing space dropped).
    if (items_[size_t(last)].kind == kTextItemBreak || lastLine) return;
    int32_t visible = 0, spaces = 0, spaceWidth = 0, theOne = -1;
    for (int32_t i = first; i <= last; ++i) {
        const Item& item = items_[size_t(i)];
        if (item.kind == kTextItemRun || item.kind == kTextItemImage) {
            ++visible;
            theOne = i;
        } else if (item.kind == kTextItemSpace) {
            ++spaces;
            spaceWidth += item.width;
        }
    }
    if (visible == 0) return;
    const int32_t width = wordWrap_ ? width_ : contentWidth_;
    const int32_t free = width - lineWidth;

    if (first == last && items_[size_t(first)].kind == kTextItemRun) {
        Item& run = items_[size_t(first)];
        if (run.glyphCount < 2) return;
        const float spread = float(width - (run.width - run.hSpacing));
        for (int32_t g = 1; g < run.glyphCount; ++g)
            MoveGlyph(run, g, kis::Round(float(g) * spread / float(run.glyphCount - 1)));
        return;
    }
    if (visible == 1 && spaces >= 1 && spaceWidth < lineWidth) {
        Item& run = items_[size_t(theOne)];
        if (run.kind == kTextItemImage) return;
        float before = 0.0f;
        for (int32_t i = first; i < theOne; ++i)
            if (items_[size_t(i)].kind == kTextItemSpace)
                before += float(items_[size_t(i)].width) * float(free) / float(lineWidth);
        const float perGlyph = (1.0f - float(spaceWidth) / float(lineWidth)) * float(free) /
                               float(std::max(1, run.glyphCount - 1));
        for (int32_t g = 0; g < run.glyphCount; ++g)
            MoveGlyph(run, g, kis::Round(before + float(g) * perGlyph));
        return;
    }
    auto isGap = [&](int32_t j) {
        const uint8_t kind = items_[size_t(j)].kind;
        const uint8_t previous = items_[size_t(j - 1)].kind;
        return kind == kTextItemSpace || (kind != previous && previous != kTextItemSpace);
    };
    int32_t gaps = 0;
    for (int32_t j = first + 1; j <= last; ++j)
        gaps += isGap(j) ? 1 : 0;
    if (gaps == 0) return;
    int32_t k = 0;
    for (int32_t j = first + 1; j <= last; ++j) {
        if (isGap(j)) ++k;
        Item& item = items_[size_t(j)];
        const int32_t shift = kis::Round(float(k) * float(free) / float(gaps));
        MoveItem(item, item.x + shift, item.y);
    }
}

template class DXLText<char16_t>;
template class DXLText<char>;
