#pragma once
// The medal-time line, the medal pictures and the information sprite group.

#include "engine/Viewer.h"
#include "foundation/Vector2.h"
#include "gui/Regime.h"

#include <cstdint>
#include <memory>

class Sprite;
class SpriteInstance;
struct SkinQuads;

// One piece of the line: its width on the screen and the columns of the sprite it is cut from.
struct ProgressPiece {
    int32_t width;
    int32_t sourceX;
    int32_t sourceWidth;
};

class ProgressLine {
  public:
    static constexpr int32_t kPieceCount = 9;
    static constexpr int32_t kRowHeight = 14;
    static constexpr uint32_t kEndColour = 0xFF521D00;

    // Looks up "time_bar_indic" of library 1.
    ProgressLine();
    // limits in ms: bronze, silver, gold; zone widths left to right.
    void Init(int32_t regime, uint32_t bronze, uint32_t silver, uint32_t gold, int32_t z1, int32_t z2,
              int32_t z3, int32_t x, int32_t y);
    // Nothing when unchanged.
    void SetValue(uint32_t elapsed);
    void Draw(DXLViewer& viewer);

    const ProgressPiece& Piece(int32_t i) const { return pieces_[i]; }
    // The source row of the regime's pieces.
    int32_t SourceRow() const { return regime_ == kRegimeHard ? 0 : kRowHeight; }
    int32_t FilledLength() const { return length_; }
    // The quads of the filled length, built by SetValue: whole pieces, the
    // stretched piece it ends in, the end column.
    int32_t QuadCount() const { return quadCount_; }
    const TexturedQuad& Quad(int32_t i) const { return quads_[i]; }

  private:
    void Build();

    Sprite* sprite_ = nullptr; // owned by library 1
    int32_t regime_ = kRegimeEasy;
    uint32_t bronze_ = 0, silver_ = 0, gold_ = 0;
    int32_t z1_ = 0, z2_ = 0, z3_ = 0;
    int32_t x_ = 0, y_ = 0;
    ProgressPiece pieces_[kPieceCount] = {};
    bool valueSet_ = false;
    uint32_t value_ = 0;
    int32_t length_ = 0;
    TexturedQuad quads_[kPieceCount + 2] = {};
    int32_t quadCount_ = 0;
};

// The filled length for an elapsed time (see ProgressLine::SetValue).
int32_t ProgressLength(int32_t regime, uint32_t bronze, uint32_t silver, uint32_t gold, int32_t z1,
                       int32_t z2, int32_t z3, uint32_t elapsed);

// A new instance of a grade's medal: below 3 "level_uncompl" at half size,
// position moved by (43, 42); else "gold_medal" (6), "silver_medal" (5) or
// "bronze_medal", scaled to 42 x 54, position moved by (46, 49). Null
// without the sprite.
std::unique_ptr<SpriteInstance> GetMedalSprite(int32_t grade, kis::Vector2* position);
// The sprite group "info" of library 1.
Sprite* GetInfoSpriteGroup();
// The information sheet's parchment panel, the nine-patch in the first frame
// of "info", laid over the rectangle; false (the record left as it was)
// without the sheet or its frame.
bool InitInfoPanel(SkinQuads* record, int32_t x, int32_t y, int32_t width, int32_t height);
