#pragma once
#include "engine/NotifyObject.h"
#include "engine/Texture.h"
#include "text/DXLFont.h"
#include "text/DXLTextRender.h"
#include "text/ObjectRegistry.h"

#include <cstdint>
#include <memory>
#include <vector>

// Rich text over the engine's own fonts: a text with inline tags becomes
// positioned glyph quads. Bracketed fields are expanded through callbacks;
// the tags FONT, COLOR, GRAD, IMAGE and LINK are parsed; the text is cut into
// items (glyph runs, spaces, line breaks, images), broken into lines and
// aligned. The links keep the rectangles their text covers, and the whole
// text can be composed into one texture (DXLTextRender.cpp).
//
// Markup never names memory: fonts, textures and ready quads are written as
// the hexadecimal handles of the object registry (ObjectRegistry.h).

// Registry kinds of the objects this markup names besides textures.
constexpr uint32_t kObjectKindDXLFontW = kObjectKindFirstFree + 0x10;
constexpr uint32_t kObjectKindDXLFontA = kObjectKindFirstFree + 0x11;
constexpr uint32_t kObjectKindQuad = kObjectKindFirstFree + 0x12;

inline uint32_t RegisterDXLFont(DXLFont<char16_t>* font) {
    return RegisterObject(font, kObjectKindDXLFontW);
}
inline uint32_t RegisterDXLFont(DXLFont<char>* font) {
    return RegisterObject(font, kObjectKindDXLFontA);
}
// The quad must stay registered only while it lives; UnregisterObject first.
inline uint32_t RegisterQuad(TexturedQuad* quad) {
    return RegisterObject(quad, kObjectKindQuad);
}

// Item kinds.
constexpr uint8_t kTextItemRun = 1;
constexpr uint8_t kTextItemSpace = 2;
constexpr uint8_t kTextItemBreak = 3;
constexpr uint8_t kTextItemImage = 4;

// Alignments.
constexpr uint32_t kTextAlignLeft = 0;
constexpr uint32_t kTextAlignCentre = 1;
constexpr uint32_t kTextAlignRight = 2;
constexpr uint32_t kTextAlignJustify = 3;

// A run holds at most this many characters; longer ones are split.
constexpr int32_t kMaxRunLength = 255;

template <typename Ch> class DXLText : public DXLUpdateableObject, public DXLTextureSource {
  public:
    using Font = DXLFont<Ch>;
    // Offered a bracketed segment (the characters after '[' up to the
    // matching ']'); writes a terminated replacement of at most capacity
    // characters (terminator included) and returns true, or returns false.
    using BracketCallback = bool (*)(DXLText* text, const Ch* segment, int32_t length, Ch* output,
                                     int32_t capacity);

    struct Item {
        uint8_t kind = 0;
        int32_t vSpacing = 0;
        int32_t height = 0;
        int32_t ascent = 0;
        int32_t hSpacing = 0;
        int32_t width = 0;
        int32_t x = 0;
        int32_t y = 0;
        Font* font = nullptr;
        int32_t glyphCount = 0;
        int32_t firstChar = 0; // index into the expanded text
        // Runs: one quad per character (hasQuad false for one without glyph)
        // at the position given by the layout, and each character's x offset.
        std::vector<TexturedQuad> quads;
        std::vector<uint8_t> hasQuad;
        std::vector<int32_t> offsets;
        std::vector<Ch> chars; // the run's characters
        // Images.
        DXLTexture* texture = nullptr;
        uint32_t colour = 0;
        bool givenQuad = false; // the quad came from the markup
        TexturedQuad quad{};    // positioned
    };
    struct Line {
        int32_t first = 0;
        int32_t end = 0; // one past the last item
        int32_t height = 0;
        int32_t paragraphHeight = 0; // first line of a paragraph only
    };
    struct Paragraph {
        int32_t width = 0;
        int32_t height = 0;
        int32_t first = 0;
        int32_t last = 0;
    };

    explicit DXLText(DXLViewer* viewer = nullptr);
    // Leaves the font's and the own texture's targets, deletes the texture.
    ~DXLText() override;

    // ---- virtual operations
    // From the own texture going away: render-to-texture ends. From the
    // default font: going away clears it, a reload renders the texture again.
    // A font or texture named by a tag that goes away makes the text build
    // again (its tag then names nothing). A font that rebuilt its glyphs
    // (kNotifyFontChanged), the default one or one named by a tag, makes the
    // text build again.
    void OnNotify(DXLNotifyObject* sender, uint32_t code) override;
    // Build when the text changed, layout when needed, then the own texture.
    void Changed(DXLNotifyObject* sender) override;
    // Marks the layout as needed, then the base Update.
    void Update(DXLNotifyObject* sender) override;
    virtual void Assign(const DXLText& other);
    // Composes the text into the texture (A8R8G8B8).
    void Render(DXLTexture* texture) override;

    // ---- settings
    void SetText(const Ch* text);
    void SetMaxLength(uint16_t length);
    void SetFont(Font* font);
    void SetViewer(DXLViewer* viewer) { viewer_ = viewer; }
    void SetWordWrap(bool on);
    void SetAlignment(uint32_t alignment);
    void SetLineSpacing(int16_t spacing);
    void SetWidth(int32_t width);
    void SetRawMode(bool on) { rawMode_ = on; }
    void SetTextureCollection(DXLTextures* collection) { collection_ = collection; }
    void SetRenderToTexture(bool on);
    void AddBracketCallback(BracketCallback callback);
    void RemoveBracketCallback(BracketCallback callback);

    const Ch* GetText() const { return text_.get(); }
    int32_t GetTextLength() const { return length_; }
    const Ch* GetExpandedText() const { return expanded_; }
    Font* GetFont() const { return font_; }
    DXLViewer* GetViewer() const { return viewer_; }
    bool GetWordWrap() const { return wordWrap_; }
    uint32_t GetAlignment() const { return alignment_; }
    int16_t GetLineSpacing() const { return lineSpacing_; }
    uint16_t GetMaxLength() const { return maxLength_; }
    bool GetRenderToTexture() const { return renderToTexture_; }
    DXLTexture* GetOwnTexture() const { return ownTexture_; }
    const TexturedQuad& GetTextQuad() const { return textQuad_; }
    // The content width when not wrapping; else, tight, the widest line (the
    // layout width for justified text), else the layout width.
    int32_t GetWidth(bool tight) const;
    int32_t GetContentWidth() const { return contentWidth_; }
    int32_t GetTotalHeight() const { return totalHeight_; }

    int32_t GetItemCount() const { return int32_t(items_.size()); }
    const Item& GetItem(int32_t i) const { return items_[size_t(i)]; }
    int32_t GetLineCount() const { return int32_t(lines_.size()); }
    const Line& GetLine(int32_t i) const { return lines_[size_t(i)]; }
    int32_t GetParagraphCount() const { return int32_t(paragraphs_.size()); }
    const Paragraph& GetParagraph(int32_t i) const { return paragraphs_[size_t(i)]; }
    int32_t GetLinkCount() const { return int32_t(links_.size()); }
    const DXLTEXTLINK* GetLink(int32_t i) const {
        return i >= 0 && i < GetLinkCount() ? links_[size_t(i)].get() : nullptr;
    }

  private:
    enum StyleKind : uint8_t { kStyleFont = 1, kStyleGradient = 2, kStyleLink = 4 };
    struct Style {
        uint8_t kind = 0;
        Font* font = nullptr;
        uint32_t colour = 0;       // font
        uint32_t colours[2] = {};  // gradient
        uint32_t id = 0, data = 0; // link
        int32_t first = 0, last = -1;
    };
    struct Tag; // a parsed tag (DXLRichText.cpp)

    static constexpr uint32_t kFlagBuild = 1;
    static constexpr uint32_t kFlagLayout = 2;
    // Builds asked for while a build runs are served by the running Changed,
    // at most this many times over.
    static constexpr int kMaxChangePasses = 3;

    // ---- build
    void Build();
    const Ch* ExpandBrackets();
    // Parses the tag at text[at] ('<'); true with *next after its '>' when it
    // is a tag, false when the '<' is an ordinary character.
    bool ParseTag(const Ch* text, int32_t at, int32_t* next);
    // Finds the objects a tag names by handle; false when one is not alive.
    bool FindTagObjects(Tag& tag) const;
    void ApplyTag(const Tag& tag);
    void AddImage(const Tag& tag);
    void PushStyle(const Style& style);
    void PopStyle(uint8_t kind);
    void ApplyGradient(const Style& gradient);
    // Adds the character at that index of the expanded text to the open run.
    void AddChar(int32_t index);
    void CloseRun();
    void AddSpace();
    void AddBreak();
    uint32_t CurrentColour() const { return fontState_.kind ? fontState_.colour : 0xFFFFFFFFu; }
    // The text listens to every font and texture its tags name, so that none
    // of its items outlives them.
    void Follow(DXLNotifyObject* object);
    void UnfollowAll();
    // Clears every item's reference to an object that goes away.
    void Forget(DXLNotifyObject* object);

    // ---- layout
    void Layout();
    void LineMetrics(int32_t first, int32_t last, int32_t* ascent, int32_t* height) const;
    int32_t LineWidth(int32_t first, int32_t last) const;
    void PlaceLine(int32_t first, int32_t last, int32_t layoutWidth, int32_t* y, bool lastLine);
    void Justify(int32_t first, int32_t last, int32_t lineWidth, bool lastLine);
    void MoveItem(Item& item, int32_t x, int32_t y);
    void MoveGlyph(Item& item, int32_t glyph, int32_t dx);

    // ---- links and texture (DXLTextRender.cpp)
    void AddLink(const Style& link);
    void BuildLinkRects();
    static void AddLinkRect(DXLTEXTLINK& link, kis::Rect& rect, const TexturedQuad& quad);
    void ComposeRun(const Item& item, uint32_t* pixels, int32_t width, int32_t height);

    DXLViewer* viewer_ = nullptr;
    Font* font_ = nullptr;
    bool wordWrap_ = false;
    int32_t width_ = 0;
    uint32_t alignment_ = kTextAlignLeft;
    int16_t lineSpacing_ = 0;
    std::unique_ptr<Ch[]> text_;
    const Ch* expanded_ = nullptr; // the text, or the expansion below
    std::vector<Ch> expansion_;    // this text's copy of its expansion
    std::vector<BracketCallback> callbacks_;
    int32_t length_ = 0;
    int32_t contentWidth_ = 0;
    int32_t widestLine_ = 0;
    int32_t totalHeight_ = 0;
    uint16_t maxLength_ = 0;
    bool rawMode_ = false;
    TexturedQuad textQuad_{};
    bool renderToTexture_ = false;
    DXLTexture* ownTexture_ = nullptr;
    DXLTextures* collection_ = nullptr;
    std::vector<Paragraph> paragraphs_;
    std::vector<Item> items_;
    std::vector<Line> lines_;
    std::vector<std::unique_ptr<DXLTEXTLINK>> links_;
    std::vector<Style> styles_;
    Style fontState_;
    Style gradientState_;
    Style linkState_;
    int32_t openRun_ = -1; // the run being filled
    std::vector<DXLNotifyObject*> followed_;
    uint32_t flags_ = 0;
    bool changing_ = false; // inside Changed
};

using DXLTextW = DXLText<char16_t>;
using DXLTextA = DXLText<char>;

extern template class DXLText<char16_t>;
extern template class DXLText<char>;
