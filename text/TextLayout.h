#pragma once
#include "foundation/Helpers.h"
#include "text/KGEFont.h"

#include <cstdint>
#include <vector>

// The one layout engine of the text layer: it turns a text, a font and a
// parameter record into placed glyphs, inline images, lines and a size.
// Square-bracket tags are expanded through a caller's callback first; with
// the markup flag, angle-bracket tags change colour, font and spacing, break
// lines and place images. Then come words, wrapping, line metrics, fixed
// pitch, justification and alignment.
//
// The engine, the tag buffer and the markup scanner are single shared state
// used from the thread that owns the device; their arrays only grow.

class DXLTexture;

// ---------------------------------------------------------------- parameters

// Flags of the parameter record.
constexpr uint32_t kTextAlignMask = 0x3;    // 0 left, 1 centre, 2 right
constexpr uint32_t kTextCentred = 0x1;      // the alignment that centres each line
constexpr uint32_t kTextJustify = 0x4;      // justify wrapped lines
constexpr uint32_t kTextVAlignMask = 0x30;  // 0 top, 0x10 centre, 0x20 bottom
constexpr uint32_t kTextWrap = 0x100;       // wrap at the wrap width
constexpr uint32_t kTextSingleLine = 0x200; // no breaks, no wrapping, no fixed pitch
constexpr uint32_t kTextFixedPitch = 0x400; // line pitch from linePitch
constexpr uint32_t kTextMarkup = 0x800;     // inline markup
constexpr uint32_t kTextColour = 0x1000;    // colour from the record
constexpr uint32_t kTextAlpha = 0x2000;     // alpha from the record
constexpr uint32_t kTextTracking = 0x4000;  // tracking from the record
constexpr uint32_t kTextLeading = 0x8000;   // leading from the record
constexpr uint32_t kTextRect = 0x10000;     // rectangle from the record
constexpr uint32_t kTextKeepCopy = 0x20000; // keep a copy of the text
constexpr uint32_t kTextKeepUser = 0x40000; // keep the caller's value

constexpr uint32_t kTextMaxChars = 8192;
// "The default": maximum characters 8192, line pitch the font's height.
constexpr uint32_t kTextDefaultValue = 0x80000000u;

// The text parameter record. The two tag-context words are pointer-sized:
// the tag callback may receive an object's address through them.
struct KGETextParams {
    uint32_t flags;
    uint32_t maxChars; // kTextDefaultValue = 8192; at most 8192
    uint32_t colour;   // with kTextColour
    uint32_t alpha;    // with kTextAlpha only its alpha byte counts
    int32_t wrapWidth; // with kTextWrap
    int32_t tracking;  // with kTextTracking
    int32_t leading;   // with kTextLeading
    kis::Rect rect;    // with kTextRect
    int32_t linePitch; // with kTextFixedPitch; INT32_MIN = the font's height
    uintptr_t tagContext1;
    uintptr_t tagContext2;
    uint32_t user; // with kTextKeepUser
};

// {0, 0x80000000, 0xFFFFFFFF, 0, ..., 0}: what a null record stands for.
KGETextParams KGEDefaultTextParams();
// The adjustments every text object makes to the record it is given:
// maximum characters resolved and capped, colour alpha forced with
// kTextColour, alpha reduced to its byte (0xFF000000 without kTextAlpha),
// rectangle and caller's value cleared unless their flags keep them.
void KGENormalizeTextParams(KGETextParams& params);

// ---------------------------------------------------------------- square-bracket tags

// The custom-tag callback: the tag's text (after the "["), its length
// without the brackets, the output buffer and its capacity in characters
// (terminator included), and the two context words. Non-zero when it wrote a
// terminated replacement.
using TextTagCallback = int32_t (*)(const char16_t* tag, uint32_t length, char16_t* out, uint32_t capacity,
                                    uintptr_t context1, uintptr_t context2);

// The text a language gives for a text it does not have (unless its file
// names another).
constexpr const char16_t* kMissingTextMarker = u"?NF?";

// Expands the square-bracket tags of the text into the shared buffer, which
// the next expansion reuses; the output holds at most maxChars characters.
// Without a callback only the length is clamped (the text itself is returned).
// The log names, once each, a tag left as it stands ("Tag unexpanded": the
// callback refused it, or a text with tags had no callback) and a text that
// shows the missing-text marker ("Missing text shown").
const char16_t* KGEExpandTextTags(const char16_t* text, uint32_t length, uint32_t maxChars,
                                  TextTagCallback callback, uintptr_t context1, uintptr_t context2,
                                  uint32_t* outLength);

// ---------------------------------------------------------------- results

// A placed glyph: x and y relative to its run (y is the glyph's own offset).
struct KGELayoutChar {
    int32_t x;
    int32_t y;
    const KGEGlyph* glyph;
    uint32_t colour;
};

enum KGELayoutItemKind : int32_t {
    kLayoutSpace = 1,
    kLayoutRun = 2,
    kLayoutImage = 3,
};

// A space, a run of glyphs of one font, or an inline image. x is absolute
// once the layout is done; y is relative to the line's top.
struct KGELayoutItem {
    int32_t kind;
    int32_t x;
    int32_t y;
    int32_t width;
    const KGEFont* font; // runs
    uint32_t image;      // images: index into Images()
    uint32_t firstChar;  // runs
    uint32_t charCount;  // runs
};

enum KGEImageLayout : int32_t {
    kImageTop = 0,
    kImageCenter = 1,
    kImageBottom = 2,
};

struct KGELayoutImage {
    DXLTexture* texture;
    uint32_t colour;
    int32_t layout;
    int32_t width;   // room on the line
    int32_t height;  // room in the line's height
    int32_t offsetX; // shift of the drawn image
    int32_t offsetY;
    kis::Rect source; // clipped to the texture
    bool visible;
    int32_t y; // top of the room, relative to the line's top
};

enum KGELineEnd : int32_t {
    kLineWrapped = 0,
    kLineBreak = 1,
    kLineTextEnd = 2,
};

struct KGELayoutLine {
    int32_t reason;
    int32_t y;
    int32_t width;
    int32_t ascent;
    int32_t height;
    uint32_t firstItem;
    uint32_t itemCount;
    kis::Rect bounds; // the glyph and image areas placed on the line
};

// ---------------------------------------------------------------- the engine

class KGETextLayout {
  public:
    // Lays out UTF-16 text, or 8-bit text through the font's byte map. The
    // length is cut to 8192 characters. A null font lays out nothing.
    HResult Layout(const KGEFont* font, const KGETextParams& params, const char16_t* text, uint32_t length);
    HResult LayoutA(const KGEFont* font, const KGETextParams& params, const char* text, uint32_t length);

    const std::vector<KGELayoutChar>& Chars() const { return chars_; }
    const std::vector<KGELayoutItem>& Items() const { return items_; }
    const std::vector<KGELayoutLine>& Lines() const { return lines_; }
    const std::vector<KGELayoutImage>& Images() const { return images_; }
    uint32_t DrawableCount() const { return drawable_; }
    int32_t TextWidth() const { return textWidth_; }
    int32_t TextHeight() const { return textHeight_; }
    // The text colour at the start (font or record colour, alpha applied).
    uint32_t Colour() const { return baseColour_; }
    const KGEFont* Font() const { return baseFont_; }
    const KGETextParams& Params() const { return params_; }
    bool HasMarkup() const { return (params_.flags & kTextMarkup) != 0; }

  private:
    struct ColourPair {
        bool useFont;
        uint32_t colour;
    };
    struct PendingSpace {
        int32_t width;
    };
    struct Tag;

    template <class C>
    HResult Walk(const KGEFont* font, const KGETextParams& params, const C* text, uint32_t length);
    template <class C> bool ApplyTag(const C* text, uint32_t length, uint32_t* position);
    // One reader per tag, over the markup scanner S standing after the
    // keyword; each answers whether the tag read as a whole and applies it.
    template <class S> bool CloseTag(const char* keyword, S& s);
    template <class S> bool BreakTag(S& s);
    template <class S> bool ColourTag(S& s);
    template <class S> bool FontTag(S& s);
    template <class S> bool SpaceTag(S& s);
    template <class S> bool ImageTag(S& s);

    void Reset(const KGEFont* font, const KGETextParams& params, uint32_t length, bool wide);
    void ResolveColour();
    void SwitchFont(const KGEFont* font);
    void NoteLineFont(const KGEFont* font);
    void PlaceGlyph();
    void AddSpace(int32_t width);
    void PlaceImage(const KGELayoutImage& image);
    void EndWord();
    void CommitWord(int32_t x, int32_t width, int32_t advance, int32_t lastX);
    void EndLine(int32_t reason);
    void Justify(KGELayoutLine& line);
    void FixPitch();
    void Align();
    void ComputeBounds();

    // The arrays grow by 16 entries below 64, by half below 256, and double after.
    template <class T> static void Push(std::vector<T>& array, const T& value);

    // Parameters and derived switches.
    KGETextParams params_{};
    const KGEFont* baseFont_ = nullptr;
    bool hasRect_ = false;
    bool wrap_ = false;
    bool justify_ = false;
    bool fixedPitch_ = false;
    bool alphaOverride_ = false;
    bool singleLine_ = false;
    bool markup_ = false;

    // The walk.
    KGETextCursor cursor_{nullptr, true};
    const KGEFont* font_ = nullptr;
    std::vector<const KGEFont*> fontStack_;
    ColourPair colourPair_{true, 0};
    std::vector<ColourPair> colourStack_;
    uint32_t colour_ = 0;
    uint32_t baseColour_ = 0;
    int32_t leading_ = 0;

    // The current line and word.
    int32_t lineY_ = 0;
    int32_t lineWidth_ = 0;
    uint32_t lineFirstItem_ = 0;
    int32_t lineMaxAscent_ = 0;
    int32_t lineMaxDescent_ = 0;
    int32_t walkState_ = 0; // 0 none, 1 in spaces, 2 in a word
    int32_t wordStart_ = 0; // pen x where the word began
    std::vector<KGELayoutItem> wordItems_;
    int32_t currentRun_ = -1; // index into wordItems_
    std::vector<PendingSpace> pending_;
    int32_t pendingWidth_ = 0;

    // Results.
    std::vector<KGELayoutChar> chars_;
    std::vector<KGELayoutItem> items_;
    std::vector<KGELayoutLine> lines_;
    std::vector<KGELayoutImage> images_;
    uint32_t drawable_ = 0;
    int32_t textWidth_ = 0;
    int32_t textHeight_ = 0;
};

// The engine every text object lays out through.
KGETextLayout& KGESharedTextLayout();
