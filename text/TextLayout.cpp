// Sections:
//   parameters
//   square-bracket tags
//   markup scanner
//   the engine: layout of lines, tags and their handlers

#include "text/TextLayout.h"

#include "engine/Log.h"
#include "engine/Texture.h"
#include "text/ObjectRegistry.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>

// ---------------------------------------------------------------- parameters

KGETextParams KGEDefaultTextParams() {
    KGETextParams params{};
    params.maxChars = kTextDefaultValue;
    params.colour = 0xFFFFFFFFu;
    return params;
}

void KGENormalizeTextParams(KGETextParams& params) {
    if (params.maxChars == kTextDefaultValue || params.maxChars > kTextMaxChars)
        params.maxChars = kTextMaxChars;
    if (params.flags & kTextColour) params.colour |= 0xFF000000u;
    params.alpha = (params.flags & kTextAlpha) ? (params.alpha & 0xFF000000u) : 0xFF000000u;
    if (!(params.flags & kTextRect)) params.rect = kis::Rect{0, 0, 0, 0};
    if (!(params.flags & kTextKeepUser)) params.user = 0;
}

// ---------------------------------------------------------------- square-bracket tags

namespace {
std::vector<char16_t> tagBuffer;
// What the log has named already: each once per run.
std::set<std::u16string> reportedTags;
std::set<std::u16string> reportedMissing;

// A tag no callback expanded reaches the screen as it stands.
void ReportUnexpanded(std::u16string_view tag) {
    if (!reportedTags.emplace(tag).second) return;
    LogLabelValueW(kLogIndent, u"Tag unexpanded", std::u16string(tag).c_str());
}

// The tags of a text that has no callback: "[" and a letter up to the "]"
// that closes it.
void ReportTagsLeft(const char16_t* text, uint32_t length) {
    for (uint32_t i = 0; i + 1 < length; ++i) {
        if (text[i] != u'[') continue;
        const char16_t next = text[i + 1];
        if (!((next >= u'a' && next <= u'z') || (next >= u'A' && next <= u'Z'))) continue;
        uint32_t end = i + 1;
        while (end < length && text[end] != u']')
            ++end;
        if (end == length) return;
        ReportUnexpanded({text + i, end - i + 1});
        i = end;
    }
}

// A text that holds the missing-text marker: a language text was not found
// where this text was put together.
void ReportMissingShown(const char16_t* text, uint32_t length) {
    const std::u16string_view view(text, length);
    if (view.find(kMissingTextMarker) == std::u16string_view::npos) return;
    if (!reportedMissing.emplace(view).second) return;
    LogLabelValueW(kLogIndent, u"Missing text shown", std::u16string(view).c_str());
}
} // namespace

const char16_t* KGEExpandTextTags(const char16_t* text, uint32_t length, uint32_t maxChars,
                                  TextTagCallback callback, uintptr_t context1, uintptr_t context2,
                                  uint32_t* outLength) {
    if (maxChars > kTextMaxChars) maxChars = kTextMaxChars;
    if (!text) length = 0;
    if (!callback) {
        *outLength = std::min(length, maxChars);
        if (text) {
            ReportTagsLeft(text, *outLength);
            ReportMissingShown(text, *outLength);
        }
        return text;
    }
    if (tagBuffer.size() < size_t(maxChars) + 1) tagBuffer.resize(size_t(maxChars) + 1);
    char16_t* out = tagBuffer.data();
    uint32_t n = 0;
    auto copyLiteral = [&](uint32_t from, uint32_t to) {
        for (uint32_t k = from; k < to && n < maxChars; ++k)
            out[n++] = text[k];
    };

    uint32_t depth = 0;
    uint32_t tagStart = 0;
    for (uint32_t i = 0; i < length && n < maxChars; ++i) {
        const char16_t c = text[i];
        if (c == u'[') {
            if (depth++ == 0) tagStart = i;
            continue;
        }
        if (depth == 0) {
            out[n++] = c;
            continue;
        }
        if (c != u']' || --depth != 0) continue;
        // The outermost tag is closed: ask the caller for its replacement.
        const uint32_t capacity = maxChars - n + 1;
        out[n] = 0;
        if (callback(text + tagStart + 1, i - tagStart - 1, out + n, capacity, context1, context2) != 0) {
            uint32_t k = 0;
            while (k + 1 < capacity && out[n + k] != 0)
                ++k;
            n += k;
        } else {
            ReportUnexpanded({text + tagStart, i - tagStart + 1});
            copyLiteral(tagStart, i + 1);
        }
    }
    if (depth > 0) copyLiteral(tagStart, length); // a "[" never closed stays as it stands
    out[n] = 0;
    *outLength = n;
    ReportMissingShown(out, n);
    return out;
}

// ---------------------------------------------------------------- markup scanner

namespace {

template <class C> struct Scanner {
    const C* text;
    uint32_t length;
    uint32_t p;

    uint32_t Peek() const { return p < length ? uint32_t(std::make_unsigned_t<C>(text[p])) : 0xFFFFFFFFu; }
    static bool IsLetter(uint32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool IsDigit(uint32_t c) { return c >= '0' && c <= '9'; }
    static int HexValue(uint32_t c) {
        if (IsDigit(c)) return int(c - '0');
        if (c >= 'a' && c <= 'f') return int(c - 'a' + 10);
        if (c >= 'A' && c <= 'F') return int(c - 'A' + 10);
        return -1;
    }

    uint32_t SkipSpaces() {
        uint32_t count = 0;
        while (Peek() == ' ') {
            ++p;
            ++count;
        }
        return count;
    }
    bool Take(uint32_t c) {
        if (Peek() != c) return false;
        ++p;
        return true;
    }
    // Letters only, folded to lower case, at most 8.
    bool Keyword(char (&out)[9]) {
        uint32_t n = 0;
        while (IsLetter(Peek())) {
            if (n == 8) return false;
            uint32_t c = Peek();
            out[n++] = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
            ++p;
        }
        out[n] = 0;
        return n > 0;
    }
    // Whether the next run of letters is the word (ignoring ASCII case); it
    // is taken when it is.
    bool Word(const char* word) {
        uint32_t q = p;
        for (; *word; ++word, ++q) {
            if (q >= length) return false;
            uint32_t c = uint32_t(std::make_unsigned_t<C>(text[q]));
            if (c >= 'A' && c <= 'Z') c = c - 'A' + 'a';
            if (c != uint32_t(*word)) return false;
        }
        if (q < length && IsLetter(uint32_t(std::make_unsigned_t<C>(text[q])))) return false;
        p = q;
        return true;
    }
    // Hexadecimal digits, at most 8 significant; none at all reads as 0.
    bool Hex(uint32_t* value) {
        uint32_t v = 0;
        uint32_t significant = 0;
        for (int d; (d = HexValue(Peek())) >= 0; ++p) {
            if (significant > 0 || d != 0) ++significant;
            if (significant > 8) return false;
            v = (v << 4) | uint32_t(d);
        }
        *value = v;
        return true;
    }
    // A colour: its alpha is always opaque.
    bool Colour(uint32_t* value) {
        if (!Hex(value)) return false;
        *value |= 0xFF000000u;
        return true;
    }
    // Decimal with an optional sign, within the 32-bit signed range; none at all reads as 0.
    bool Integer(int32_t* value) {
        const bool negative = Peek() == '-';
        if (negative || Peek() == '+') ++p;
        int64_t v = 0;
        while (IsDigit(Peek())) {
            v = v * 10 + int64_t(Peek() - '0');
            if (v > int64_t(INT32_MAX) + 1) return false;
            ++p;
        }
        if (negative) v = -v;
        if (v > INT32_MAX || v < INT32_MIN) return false;
        *value = int32_t(v);
        return true;
    }
    // "@" and the handle's hexadecimal digits.
    bool Handle(uint32_t* handle) { return Take('@') && Hex(handle); }
    // Spaces, then "=" and spaces.
    bool Equals() {
        SkipSpaces();
        if (!Take('=')) return false;
        SkipSpaces();
        return true;
    }
    // Spaces, then the closing ">".
    bool Close() {
        SkipSpaces();
        return Take('>');
    }
};

bool Is(const char* keyword, const char* name) {
    return std::strcmp(keyword, name) == 0;
}

int32_t CeilHalf(int32_t a) {
    return a >= 0 ? (a + 1) / 2 : a / 2;
}

// Justification shares are single-precision: the fraction is carried from
// share to share, and a carry that has all but reached a pixel becomes one.
struct ShareCarry {
    float carry = 0.0f;
    int32_t Next(float share) {
        const float v = share + carry;
        int32_t whole = int32_t(v);
        carry = v - float(whole);
        if (double(carry) > double(0.9999f)) {
            ++whole;
            carry = 0.0f;
        }
        return whole;
    }
};

} // namespace

// ---------------------------------------------------------------- the engine

template <class T> void KGETextLayout::Push(std::vector<T>& array, const T& value) {
    if (array.size() == array.capacity()) {
        const size_t c = array.capacity();
        array.reserve(c < 64 ? c + 16 : c < 256 ? c + c / 2 : c * 2);
    }
    array.push_back(value);
}

HResult KGETextLayout::Layout(const KGEFont* font, const KGETextParams& params, const char16_t* text,
                              uint32_t length) {
    return Walk(font, params, text, length);
}

HResult KGETextLayout::LayoutA(const KGEFont* font, const KGETextParams& params, const char* text,
                               uint32_t length) {
    return Walk(font, params, text, length);
}

void KGETextLayout::Reset(const KGEFont* font, const KGETextParams& params, uint32_t length, bool wide) {
    params_ = params;
    baseFont_ = font;
    const uint32_t f = params.flags;
    hasRect_ = params.rect.right > params.rect.left && params.rect.bottom > params.rect.top;
    singleLine_ = (f & kTextSingleLine) != 0;
    wrap_ = (f & kTextWrap) && !singleLine_ && params.wrapWidth > 0;
    justify_ = wrap_ && (f & kTextJustify);
    fixedPitch_ = (f & kTextFixedPitch) && !singleLine_;
    alphaOverride_ = (f & kTextAlpha) && params.alpha != 0xFF000000u;
    markup_ = (f & kTextMarkup) != 0;

    chars_.clear();
    items_.clear();
    lines_.clear();
    images_.clear();
    const size_t wanted = (size_t(length) + 127) / 128 * 128;
    if (chars_.capacity() < wanted) chars_.reserve(wanted);
    drawable_ = 0;
    textWidth_ = 0;
    textHeight_ = 0;

    fontStack_.clear();
    colourStack_.clear();
    colourPair_ = ColourPair{!(f & kTextColour), params.colour};
    font_ = nullptr;
    cursor_ = KGETextCursor(nullptr, wide);
    SwitchFont(font);
    baseColour_ = colour_;
    leading_ = (f & kTextLeading) ? params.leading : (font ? font->GetLeading() : 0);

    lineY_ = 0;
    lineWidth_ = 0;
    lineFirstItem_ = 0;
    lineMaxAscent_ = font ? font->GetAscent() : 0;
    lineMaxDescent_ = font ? font->GetDescent() : 0;
    walkState_ = 0;
    wordItems_.clear();
    currentRun_ = -1;
    pending_.clear();
    pendingWidth_ = 0;
}

void KGETextLayout::ResolveColour() {
    uint32_t c = colourPair_.useFont ? (font_ ? font_->GetColour() : 0xFFFFFFFFu) : colourPair_.colour;
    colour_ = (c & 0x00FFFFFFu) | (alphaOverride_ ? params_.alpha : 0xFF000000u);
}

void KGETextLayout::SwitchFont(const KGEFont* font) {
    currentRun_ = -1;
    const bool wide = cursor_.wide;
    KGETextCursor next(font, wide);
    next.lastBreak = cursor_.lastBreak;
    next.penX = cursor_.penX;
    next.extent = cursor_.extent;
    next.lastX = cursor_.lastX;
    next.tracking = (params_.flags & kTextTracking) ? params_.tracking : (font ? font->GetTracking() : 0);
    cursor_ = next;
    font_ = font;
    ResolveColour();
    NoteLineFont(font);
}

void KGETextLayout::NoteLineFont(const KGEFont* font) {
    if (!font) return;
    lineMaxAscent_ = std::max(lineMaxAscent_, font->GetAscent());
    lineMaxDescent_ = std::max(lineMaxDescent_, font->GetDescent());
}

void KGETextLayout::PlaceGlyph() {
    if (walkState_ != 2) {
        // Coming from spaces the pen already stands behind them.
        walkState_ = 2;
        wordStart_ = cursor_.penX;
        cursor_.extent = wordStart_;
        wordItems_.clear();
        currentRun_ = -1;
    }
    if (currentRun_ < 0) {
        KGELayoutItem run{};
        run.kind = kLayoutRun;
        run.x = cursor_.penX - wordStart_;
        run.font = font_;
        run.firstChar = uint32_t(chars_.size());
        Push(wordItems_, run);
        currentRun_ = int32_t(wordItems_.size()) - 1;
    }
    const KGEGlyph* glyph = cursor_.glyph;
    const int32_t x = cursor_.PlaceGlyph();
    KGELayoutItem& run = wordItems_[size_t(currentRun_)];
    const int32_t runStart = wordStart_ + run.x;
    Push(chars_, KGELayoutChar{x + glyph->offsetX - runStart, glyph->offsetY, glyph, colour_});
    ++run.charCount;
    run.width = std::max(run.width, x + glyph->advance - runStart);
    if (glyph->drawable) ++drawable_;
}

void KGETextLayout::AddSpace(int32_t width) {
    EndWord();
    walkState_ = 1;
    Push(pending_, PendingSpace{width});
    pendingWidth_ += width;
    cursor_.penX += width;
}

void KGETextLayout::PlaceImage(const KGELayoutImage& image) {
    EndWord();
    Push(images_, image);
    KGELayoutItem item{};
    item.kind = kLayoutImage;
    item.width = std::max(0, image.width);
    item.image = uint32_t(images_.size()) - 1;
    wordItems_.clear();
    Push(wordItems_, item);
    wordStart_ = cursor_.penX;
    cursor_.extent = wordStart_ + item.width;
    cursor_.penX = cursor_.extent;
    cursor_.previous = nullptr;
    walkState_ = 2;
    EndWord();
}

void KGETextLayout::EndWord() {
    if (walkState_ != 2) return;
    walkState_ = 0;
    currentRun_ = -1;
    const int32_t width = cursor_.extent - wordStart_;
    const int32_t advance = cursor_.penX - wordStart_;
    const int32_t lastX = cursor_.lastX - wordStart_;
    const KGEGlyph* previous = cursor_.previous;
    const bool hasItems = items_.size() > lineFirstItem_;
    if (wrap_ && hasItems && wordStart_ + width > params_.wrapWidth) {
        // The word opens the next line; the spaces before it are dropped.
        EndLine(kLineWrapped);
        cursor_.previous = previous;
        CommitWord(0, width, advance, lastX);
    } else {
        CommitWord(wordStart_, width, advance, lastX);
    }
}

void KGETextLayout::CommitWord(int32_t x, int32_t width, int32_t advance, int32_t lastX) {
    if (x == wordStart_) {
        int32_t spaceX = wordStart_ - pendingWidth_;
        for (const PendingSpace& space : pending_) {
            KGELayoutItem item{};
            item.kind = kLayoutSpace;
            item.x = spaceX;
            item.width = space.width;
            Push(items_, item);
            spaceX += space.width;
        }
    }
    pending_.clear();
    pendingWidth_ = 0;
    for (KGELayoutItem item : wordItems_) {
        item.x += x;
        Push(items_, item);
    }
    wordItems_.clear();
    lineWidth_ = std::max(lineWidth_, x + width);
    cursor_.lastX = x + lastX;
    cursor_.extent = x + width;
    cursor_.penX = x + advance;
}

void KGETextLayout::EndLine(int32_t reason) {
    KGELayoutLine line{};
    line.reason = reason;
    line.y = lineY_;
    line.width = lineWidth_;
    line.firstItem = lineFirstItem_;

    if (markup_) {
        while (items_.size() > lineFirstItem_ && items_.back().kind == kLayoutSpace)
            items_.pop_back();
        int32_t ascent = lineMaxAscent_;
        int32_t height = lineMaxAscent_ + lineMaxDescent_;
        // Images sticking out above the line push everything down; those
        // sticking out below deepen it.
        int32_t top = 0;
        int32_t bottom = height;
        for (size_t i = lineFirstItem_; i < items_.size(); ++i) {
            if (items_[i].kind != kLayoutImage) continue;
            KGELayoutImage& image = images_[items_[i].image];
            const int32_t h = image.height;
            image.y = image.layout == kImageTop      ? 0
                      : image.layout == kImageBottom ? height - h
                                                     : -CeilHalf(h - height);
            top = std::min(top, image.y);
            bottom = std::max(bottom, image.y + h);
        }
        const int32_t extra = -top;
        ascent += extra;
        height = bottom + extra;
        for (size_t i = lineFirstItem_; i < items_.size(); ++i) {
            KGELayoutItem& item = items_[i];
            if (item.kind == kLayoutRun)
                item.y = item.font ? ascent - item.font->GetAscent() : 0;
            else if (item.kind == kLayoutImage)
                images_[item.image].y += extra;
        }
        line.ascent = ascent;
        line.height = height;
    } else {
        line.ascent = baseFont_ ? baseFont_->GetAscent() : 0;
        line.height = baseFont_ ? baseFont_->GetHeight() : 0;
    }
    line.itemCount = uint32_t(items_.size()) - lineFirstItem_;
    if (reason == kLineWrapped && justify_ && line.width < params_.wrapWidth) Justify(line);

    textWidth_ = std::max(textWidth_, line.width);
    textHeight_ = std::max(textHeight_, line.y + line.height);
    const int32_t step = line.height + leading_;
    if (step > 0) lineY_ += step;
    Push(lines_, line);

    lineFirstItem_ = uint32_t(items_.size());
    lineWidth_ = 0;
    lineMaxAscent_ = font_ ? font_->GetAscent() : 0;
    lineMaxDescent_ = font_ ? font_->GetDescent() : 0;
    pending_.clear();
    pendingWidth_ = 0;
    cursor_.penX = 0;
    cursor_.extent = 0;
    cursor_.lastX = 0;
    cursor_.previous = nullptr;
}

void KGETextLayout::Justify(KGELayoutLine& line) {
    const int32_t excess = params_.wrapWidth - line.width;
    KGELayoutItem* first = items_.data() + line.firstItem;
    KGELayoutItem* end = first + line.itemCount;
    uint32_t spaces = 0;
    int32_t spaceWidth = 0;
    for (KGELayoutItem* item = first; item != end; ++item) {
        if (item->kind == kLayoutSpace) {
            ++spaces;
            spaceWidth += item->width;
        }
    }
    ShareCarry carry;
    int32_t shift = 0;
    if (spaces > 0) {
        for (KGELayoutItem* item = first; item != end; ++item) {
            item->x += shift;
            if (item->kind != kLayoutSpace) continue;
            const float share = spaceWidth > 0 ? float(item->width) / float(spaceWidth) * float(excess)
                                               : float(excess) / float(spaces);
            const int32_t applied = carry.Next(share);
            if (markup_) item->width += applied;
            shift += applied;
        }
    } else {
        // No spaces: the excess goes into the gaps between the characters
        // (and images).
        uint32_t units = 0;
        for (KGELayoutItem* item = first; item != end; ++item)
            units += item->kind == kLayoutRun ? item->charCount : item->kind == kLayoutImage ? 1 : 0;
        if (units < 2) return;
        const float share = float(excess) / float(units - 1);
        bool firstUnit = true;
        for (KGELayoutItem* item = first; item != end; ++item) {
            if (item->kind == kLayoutImage) {
                if (!firstUnit) shift += carry.Next(share);
                firstUnit = false;
                item->x += shift;
            } else if (item->kind == kLayoutRun) {
                int32_t runShift = 0;
                for (uint32_t k = 0; k < item->charCount; ++k) {
                    if (!firstUnit) shift += carry.Next(share);
                    firstUnit = false;
                    if (k == 0) {
                        runShift = shift;
                        item->x += shift;
                    } else {
                        chars_[item->firstChar + k].x += shift - runShift;
                    }
                }
                item->width += shift - runShift;
            }
        }
    }
    line.width = params_.wrapWidth;
}

void KGETextLayout::FixPitch() {
    if (!fixedPitch_ || lines_.size() < 2) return;
    int32_t pitch = params_.linePitch;
    if (uint32_t(pitch) == kTextDefaultValue) {
        pitch = 0;
        if (markup_) {
            for (const KGELayoutLine& line : lines_)
                pitch = std::max(pitch, line.height);
        } else {
            pitch = baseFont_ ? baseFont_->GetHeight() : 0;
        }
    } else if (pitch < 0) {
        pitch = 0;
    }
    int32_t baseline = lines_[0].ascent;
    textHeight_ = 0;
    for (KGELayoutLine& line : lines_) {
        line.y = baseline - line.ascent;
        textHeight_ = std::max(textHeight_, line.y + line.height);
        baseline += pitch + leading_;
    }
}

void KGETextLayout::Align() {
    const kis::Rect& r = params_.rect;
    const uint32_t h = params_.flags & kTextAlignMask;
    const uint32_t v = params_.flags & kTextVAlignMask;
    int32_t yOffset = r.top;
    if (hasRect_) {
        const int32_t free = (r.bottom - r.top) - textHeight_;
        yOffset += v == 0x10 ? free / 2 : v == 0x20 ? free : 0;
    }
    const int32_t reference = hasRect_ ? r.right - r.left : textWidth_;
    for (KGELayoutLine& line : lines_) {
        int32_t xOffset = r.left;
        if (h == 1)
            xOffset += (reference - line.width) / 2;
        else if (h == 2)
            xOffset += reference - line.width;
        if (xOffset != 0) {
            for (uint32_t i = 0; i < line.itemCount; ++i)
                items_[line.firstItem + i].x += xOffset;
        }
        line.y += yOffset;
    }
}

void KGETextLayout::ComputeBounds() {
    for (KGELayoutLine& line : lines_) {
        bool any = false;
        kis::Rect bounds{0, 0, 0, 0};
        auto add = [&](int32_t x, int32_t y, int32_t w, int32_t h) {
            if (w <= 0 || h <= 0) return;
            const kis::Rect area{x, y, x + w, y + h};
            if (any)
                kis::UnionRect(bounds, bounds, area);
            else
                bounds = area;
            any = true;
        };
        for (uint32_t i = 0; i < line.itemCount; ++i) {
            const KGELayoutItem& item = items_[line.firstItem + i];
            if (item.kind == kLayoutRun && item.font) {
                const KGEImageRecord* records = item.font->GetImages();
                for (uint32_t k = 0; k < item.charCount; ++k) {
                    const KGELayoutChar& c = chars_[item.firstChar + k];
                    if (!c.glyph->drawable || !records || c.glyph->image >= item.font->GetImageCount())
                        continue;
                    add(item.x + c.x, line.y + item.y + c.y, records[c.glyph->image].width,
                        item.font->GetCellHeight());
                }
            } else if (item.kind == kLayoutImage) {
                const KGELayoutImage& image = images_[item.image];
                if (image.visible)
                    add(item.x + image.offsetX, line.y + image.y + image.offsetY,
                        image.source.right - image.source.left, image.source.bottom - image.source.top);
            }
        }
        line.bounds = bounds;
    }
}

template <class C>
HResult KGETextLayout::Walk(const KGEFont* font, const KGETextParams& params, const C* text,
                            uint32_t length) {
    if (!text) length = 0;
    length = std::min(length, kTextMaxChars);
    Reset(font, params, font ? length : 0, sizeof(C) > 1);
    if (!font) return 0; // a text without a font lays out nothing

    for (uint32_t i = 0; i < length; ++i) {
        const uint32_t ch = uint32_t(std::make_unsigned_t<C>(text[i]));
        if (markup_ && ch == '<') {
            uint32_t next = i;
            if (ApplyTag(text, length, &next)) {
                i = next - 1;
                continue;
            }
        }
        switch (cursor_.Classify(ch)) {
        case KGETextCursor::kGlyph:
            PlaceGlyph();
            break;
        case KGETextCursor::kSpace:
            AddSpace(std::max(0, std::max(0, cursor_.currentSpace) + cursor_.tracking));
            break;
        case KGETextCursor::kLineBreak:
            if (!singleLine_) {
                EndWord();
                EndLine(kLineBreak);
            }
            break;
        default:
            break;
        }
    }
    if (length > 0) {
        EndWord();
        EndLine(kLineTextEnd);
    }
    FixPitch();
    Align();
    ComputeBounds();
    return 0;
}

// A tag is "<", a keyword and what the keyword takes, then ">"; a tag that
// does not read as a whole is not a tag, and its characters are laid out as
// text. Each tag has its own reader below; on success the position moves past
// the tag.
template <class C> bool KGETextLayout::ApplyTag(const C* text, uint32_t length, uint32_t* position) {
    Scanner<C> s{text, length, *position + 1};
    s.SkipSpaces();
    const bool closing = s.Take('/');
    char keyword[9];
    if (!s.Keyword(keyword)) return false;

    bool applied = false;
    if (closing)
        applied = CloseTag(keyword, s);
    else if (Is(keyword, "br"))
        applied = BreakTag(s);
    else if (Is(keyword, "color") || Is(keyword, "c"))
        applied = ColourTag(s);
    else if (Is(keyword, "font"))
        applied = FontTag(s);
    else if (Is(keyword, "space"))
        applied = SpaceTag(s);
    else if (Is(keyword, "image"))
        applied = ImageTag(s);
    if (!applied) return false;
    *position = s.p;
    return true;
}

// "</color>", "</c>" and "</font>": back to the colour or font before the
// matching opening tag (nothing when none is open).
template <class S> bool KGETextLayout::CloseTag(const char* keyword, S& s) {
    if (!s.Close()) return false;
    if (Is(keyword, "color") || Is(keyword, "c")) {
        if (!colourStack_.empty()) {
            colourPair_ = colourStack_.back();
            colourStack_.pop_back();
            ResolveColour();
        }
        return true;
    }
    if (Is(keyword, "font")) {
        if (!fontStack_.empty()) {
            const KGEFont* previous = fontStack_.back();
            fontStack_.pop_back();
            SwitchFont(previous);
        }
        return true;
    }
    return false;
}

// "<br>": a line break, except in single-line text.
template <class S> bool KGETextLayout::BreakTag(S& s) {
    if (!s.Close()) return false;
    if (!singleLine_) {
        EndWord();
        EndLine(kLineBreak);
    }
    return true;
}

// "<color=default>" (the font's colour) or "<color=RRGGBB>".
template <class S> bool KGETextLayout::ColourTag(S& s) {
    ColourPair pair{true, 0};
    if (!s.Equals()) return false;
    if (!s.Word("default")) {
        pair.useFont = false;
        if (!s.Colour(&pair.colour)) return false;
    }
    if (!s.Close()) return false;
    Push(colourStack_, colourPair_);
    colourPair_ = pair;
    ResolveColour();
    return true;
}

// "<font=default>" (the text's own font) or "<font=@handle>" of a live font.
template <class S> bool KGETextLayout::FontTag(S& s) {
    const KGEFont* font = baseFont_;
    if (!s.Equals()) return false;
    if (!s.Word("default")) {
        uint32_t handle = 0;
        if (!s.Handle(&handle)) return false;
        font = FindFont(handle);
        if (handle != 0 && !font) return false; // names no live font
    }
    if (!s.Close()) return false;
    Push(fontStack_, font_);
    SwitchFont(font);
    return true;
}

// "<space=n>": n pixels of space (none when negative).
template <class S> bool KGETextLayout::SpaceTag(S& s) {
    int32_t width = 0;
    if (!s.Equals() || !s.Integer(&width) || !s.Close()) return false;
    AddSpace(std::max(0, width));
    return true;
}

namespace {

// The attributes of an image tag, one bit each. One may be given again (the
// last one counts) until all six have been given; after that, any further
// attribute makes the tag unreadable.
enum ImageAttribute : uint32_t {
    kImageAttributeColour = 1,
    kImageAttributeLayout = 2,
    kImageAttributeWidth = 4,
    kImageAttributeHeight = 8,
    kImageAttributeOffset = 16,
    kImageAttributeRect = 32,
};
constexpr int kImageAttributeCount = 6;

// Where an image tag's colour comes from.
enum class ImageColour { Default, Current, Given };

// What the attributes of an image tag said.
struct ImageTagValues {
    ImageColour colourKind = ImageColour::Default;
    uint32_t colour = 0;
    int32_t layout = kImageCenter;
    int32_t width = 0, height = 0;
    bool widthGiven = false, heightGiven = false;
    int32_t offset[2] = {0, 0};
    int32_t rect[4] = {0, 0, 0, 0};
};

// "color=current", "color=default" or "color=RRGGBB".
template <class S> bool ReadImageColour(S& s, ImageTagValues& v) {
    if (s.Word("current")) {
        v.colourKind = ImageColour::Current;
    } else if (s.Word("default")) {
        v.colourKind = ImageColour::Default;
    } else {
        v.colourKind = ImageColour::Given;
        if (!s.Colour(&v.colour)) return false;
    }
    return true;
}

// "layout=top", "center" or "bottom".
template <class S> bool ReadImageLayout(S& s, ImageTagValues& v) {
    if (s.Word("top"))
        v.layout = kImageTop;
    else if (s.Word("center"))
        v.layout = kImageCenter;
    else if (s.Word("bottom"))
        v.layout = kImageBottom;
    else
        return false;
    return true;
}

// "w=", "width=", "h=" or "height=": a number, or default for the source's size.
template <class S> bool ReadImageSize(S& s, bool isWidth, ImageTagValues& v) {
    bool& isGiven = isWidth ? v.widthGiven : v.heightGiven;
    int32_t& value = isWidth ? v.width : v.height;
    isGiven = !s.Word("default");
    return !isGiven || s.Integer(&value);
}

// "offset=x,y" or "rect=x,y,w,h" (w and h may be default: the texture's
// size). Fewer numbers leave the rest at their defaults. The spaces after the
// list are taken and counted in `spaces`, as the attribute walk needs them.
template <class S>
bool ReadImageList(S& s, bool isRect, int32_t textureWidth, int32_t textureHeight, ImageTagValues& v,
                   uint32_t& spaces) {
    int32_t* values = isRect ? v.rect : v.offset;
    const int count = isRect ? 4 : 2;
    if (isRect) {
        v.rect[0] = v.rect[1] = 0;
        v.rect[2] = textureWidth;
        v.rect[3] = textureHeight;
    } else {
        v.offset[0] = v.offset[1] = 0;
    }
    for (int k = 0;; ++k) {
        if (k == count) return false;
        const bool canDefault = isRect && k >= 2;
        if (!(canDefault && s.Word("default")) && !s.Integer(&values[k])) return false;
        const uint32_t after = s.SkipSpaces();
        if (!s.Take(',')) {
            spaces = after;
            return true;
        }
        s.SkipSpaces();
    }
}

// Reads the attributes up to the closing ">": each preceded by at least one
// space, each a keyword, "=" and its value.
template <class S>
bool ReadImageAttributes(S& s, int32_t textureWidth, int32_t textureHeight, ImageTagValues& v) {
    v.rect[2] = textureWidth;
    v.rect[3] = textureHeight;
    uint32_t given = 0; // ImageAttribute bits
    int attributes = 0;
    uint32_t spaces = s.SkipSpaces();
    while (!s.Take('>')) {
        if (spaces == 0 || attributes == kImageAttributeCount) return false;
        char name[9];
        if (!s.Keyword(name) || !s.Equals()) return false;
        uint32_t bit = 0;
        bool read = false;
        bool spacesTaken = false;
        if (Is(name, "color")) {
            bit = kImageAttributeColour;
            read = ReadImageColour(s, v);
        } else if (Is(name, "layout")) {
            bit = kImageAttributeLayout;
            read = ReadImageLayout(s, v);
        } else if (Is(name, "w") || Is(name, "width") || Is(name, "h") || Is(name, "height")) {
            const bool isWidth = name[0] == 'w';
            bit = isWidth ? kImageAttributeWidth : kImageAttributeHeight;
            read = ReadImageSize(s, isWidth, v);
        } else if (Is(name, "offset") || Is(name, "rect")) {
            const bool isRect = name[0] == 'r';
            bit = isRect ? kImageAttributeRect : kImageAttributeOffset;
            read = ReadImageList(s, isRect, textureWidth, textureHeight, v, spaces);
            spacesTaken = true;
        }
        if (!read) return false;
        if (!(given & bit)) {
            given |= bit;
            ++attributes;
        }
        if (!spacesTaken) spaces = s.SkipSpaces();
    }
    return true;
}

} // namespace

// "<image=@handle attributes>": places a picture of a live texture (or an
// empty box for handle 0).
template <class S> bool KGETextLayout::ImageTag(S& s) {
    uint32_t handle = 0;
    if (!s.Equals() || !s.Handle(&handle)) return false;
    DXLTexture* texture = FindTexture(handle);
    if (handle != 0 && !texture) return false;
    const int32_t textureWidth = texture ? texture->GetWidth() : 0;
    const int32_t textureHeight = texture ? texture->GetHeight() : 0;
    ImageTagValues v;
    if (!ReadImageAttributes(s, textureWidth, textureHeight, v)) return false;

    KGELayoutImage image{};
    image.texture = texture;
    image.layout = v.layout;
    const kis::Rect source{v.rect[0], v.rect[1], v.rect[0] + v.rect[2], v.rect[1] + v.rect[3]};
    image.width = v.widthGiven ? v.width : source.right - source.left;
    image.height = v.heightGiven ? v.height : source.bottom - source.top;
    image.offsetX = v.offset[0];
    image.offsetY = v.offset[1];
    image.source = source;
    kis::IntersectRect(image.source, kis::Rect{0, 0, textureWidth, textureHeight});
    image.visible = texture && texture->IsLive() && image.source.right > image.source.left &&
                    image.source.bottom > image.source.top;
    uint32_t c = v.colourKind == ImageColour::Given     ? v.colour
                 : v.colourKind == ImageColour::Current ? colour_
                 : texture                              ? texture->GetColour()
                                                        : 0xFFFFFFFFu;
    image.colour = (c & 0x00FFFFFFu) | (alphaOverride_ ? params_.alpha : 0xFF000000u);
    PlaceImage(image);
    return true;
}

KGETextLayout& KGESharedTextLayout() {
    static KGETextLayout layout;
    return layout;
}
