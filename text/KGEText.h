#pragma once
#include "engine/GlyphEffects.h"
#include "engine/Texture.h"
#include "text/KGEFont.h"
#include "text/TextLayout.h"

#include <cstdint>
#include <memory>
#include <vector>

// Text objects: one laid-out text in one font, drawn each frame. A text
// (KGETextW) keeps one quad per glyph drawn from the font's texture; a text
// sprite (KGETextSpriteW) renders the text once into a texture of its own and
// draws it as a single quad, with an optional outline and drop shadow.
// The font must outlive the text; the text does not count as its user.

constexpr HResult kKgeNullText = MakeResult(0x89C500C9);
constexpr HResult kKgeSpriteTexture = MakeResult(0x89C500D2);

// Box flags of a text sprite.
constexpr uint32_t kBoxSizeGiven = 1;
constexpr uint32_t kBoxKeepTexture = 2; // with kBoxSizeGiven
constexpr uint32_t kBoxSizeOfRect = 4;  // with kBoxSizeGiven
constexpr uint32_t kBoxOutline = 16;
constexpr uint32_t kBoxShadow = 32;
constexpr int32_t kBoxDefaultSize = 2048;

// The box record of a text sprite (12 words).
struct KGETextBox {
    uint32_t flags;
    int32_t width; // the largest sprite; 2048 without kBoxSizeGiven, or when 0 or less
    int32_t height;
    GlyphEffect outline; // mode 1 when in use, else 0
    GlyphShadow shadow;  // mode 1 when in use, else 0
};
static_assert(sizeof(KGETextBox) == 48);

class KGECustomText {
  public:
    explicit KGECustomText(DXLViewer* viewer);
    KGECustomText(const KGECustomText&) = delete;
    KGECustomText& operator=(const KGECustomText&) = delete;

    // ---- virtual operations, in slot order
    // Keeps a copy of the text (with kTextKeepCopy) and lays it out.
    virtual HResult Build(const char16_t* text, uint32_t length);
    // Stores the font and the record (null: the default record), adjusted.
    virtual void Init(KGEFont* font, const KGETextParams* params);
    // Empties the result: nothing is drawn.
    virtual void Clear();
    virtual ~KGECustomText();
    virtual void Draw() = 0;
    // Writes the colour into every vertex (nothing when it is the current one).
    virtual void SetColor(uint32_t colour) = 0;
    // Replaces only the alpha byte (nothing when it is the current one).
    virtual void SetAlpha(uint32_t colour) = 0;

    // The length kKgeToTerminator (or -1) runs to the terminator; at most
    // 8192 characters are used. Tags in square brackets go through the
    // callback with the record's two context words. On failure the object is
    // cleared and the error returned.
    HResult SetText(const char16_t* text, uint32_t length, TextTagCallback callback = nullptr);
    HResult SetTextEx(const char16_t* text, uint32_t length, uintptr_t context1, uintptr_t context2,
                      TextTagCallback callback);

    DXLViewer* GetViewer() const { return viewer_; }
    KGEFont* GetFont() const { return font_; }
    const KGETextParams& GetParams() const { return params_; }
    // The kept copy (empty without kTextKeepCopy).
    const char16_t* GetText() const { return copy_ ? copy_.get() : u""; }
    uint32_t GetTextLength() const { return copyLength_; }
    uint32_t GetLineCount() const { return lineCount_; }
    int32_t GetWidth() const { return width_; }
    int32_t GetHeight() const { return height_; }
    uint32_t GetColour() const { return colour_; }
    // The state applied before drawing; its blend mode is the draw mode
    // (1 normal, 3 additive).
    DXLTextureState& TextureState() { return state_; }

  protected:
    // Lays the text out through the shared engine and stores the size.
    const KGETextLayout& LayOut(const char16_t* text, uint32_t length);

    DXLViewer* viewer_;
    KGEFont* font_ = nullptr;
    KGETextParams params_;
    bool wide_ = true;
    uint32_t copyCapacity_ = 0;
    uint32_t copyLength_ = 0;
    std::unique_ptr<char16_t[]> copy_;
    uint32_t lineCount_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    uint32_t colour_ = 0xFFFFFFFFu;
    DXLTextureState state_;
};

// A text drawn as one quad per glyph (and per inline image).
class KGEBaseText : public KGECustomText {
  public:
    struct Line {
        int32_t y;
        int32_t height;
        uint32_t runsBefore;
        uint32_t runsAfter;
        uint32_t firstQuad;
    };
    struct Run {
        DXLTexture* texture;
        uint32_t end; // one past the run's last quad
    };

    explicit KGEBaseText(DXLViewer* viewer) : KGECustomText(viewer) {}

    HResult Build(const char16_t* text, uint32_t length) override;
    void Clear() override;
    void Draw() override;
    void SetColor(uint32_t colour) override;
    void SetAlpha(uint32_t colour) override;

    const std::vector<Line>& Lines() const { return lines_; }
    const std::vector<Run>& Runs() const { return runs_; }
    const std::vector<TexturedQuad>& Quads() const { return quads_; }

  private:
    std::vector<Line> lines_;
    std::vector<Run> runs_;
    std::vector<TexturedQuad> quads_;
};

// A text rendered into a texture of its own.
class KGEBaseTextSprite : public KGECustomText {
  public:
    struct LineSpan {
        int32_t y;
        int32_t height;
    };

    explicit KGEBaseTextSprite(DXLViewer* viewer);
    ~KGEBaseTextSprite() override;

    HResult Build(const char16_t* text, uint32_t length) override;
    void Draw() override;
    void SetColor(uint32_t colour) override;
    void SetAlpha(uint32_t colour) override;

    // Copies the box (null: 2048 x 2048, no outline, no shadow) and keeps the
    // outline and the shadow only when they are asked for and usable.
    void SetBox(const KGETextBox* box);
    const KGETextBox& GetBox() const { return box_; }
    // The largest sprite the box allows.
    int32_t BoxWidth() const;
    int32_t BoxHeight() const;

    DXLTexture* GetSpriteTexture() const { return texture_.get(); }
    int32_t GetSpriteX() const { return spriteX_; }
    int32_t GetSpriteY() const { return spriteY_; }
    int32_t GetSpriteWidth() const { return spriteWidth_; }
    int32_t GetSpriteHeight() const { return spriteHeight_; }
    const std::vector<LineSpan>& LineTable() const { return lineTable_; }
    const TexturedQuad& SpriteQuad() const { return quad_; }

  private:
    HResult Render(const KGETextLayout& layout);
    // The area the laid-out glyphs and images cover, widened by the outline
    // and the shadow; `any` is false when nothing was placed.
    kis::Rect ContentBounds(const std::vector<KGELayoutLine>& lines, bool* any) const;
    // A live A8R8G8B8 texture of the size, reusing the one there when it may.
    bool PrepareTexture(int32_t width, int32_t height);
    bool KeepsTexture() const {
        return (box_.flags & (kBoxSizeGiven | kBoxKeepTexture)) == (kBoxSizeGiven | kBoxKeepTexture);
    }

    KGETextBox box_{};
    std::unique_ptr<DXLTexture> texture_;
    std::vector<LineSpan> lineTable_;
    int32_t spriteX_ = 0;
    int32_t spriteY_ = 0;
    int32_t spriteWidth_ = 0;
    int32_t spriteHeight_ = 0;
    TexturedQuad quad_{};
};

class KGETextW final : public KGEBaseText {
  public:
    explicit KGETextW(DXLViewer* viewer) : KGEBaseText(viewer) {}
};

class KGETextSpriteW final : public KGEBaseTextSprite {
  public:
    explicit KGETextSpriteW(DXLViewer* viewer) : KGEBaseTextSprite(viewer) {}
};

// Make a text object, set it up with the font and the record, and set its
// text. 0 on success. After a failed text setting the object exists, is
// cleared and is in *out; the caller deletes it.
HResult KGECreateTextSprite(DXLViewer* viewer, KGEFont* font, const KGETextParams* params,
                            const KGETextBox* box, const char16_t* text, uint32_t length,
                            TextTagCallback callback, KGETextSpriteW** out);
HResult KGECreateText(DXLViewer* viewer, KGEFont* font, const KGETextParams* params, const char16_t* text,
                      uint32_t length, TextTagCallback callback, KGETextW** out);
