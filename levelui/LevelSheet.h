#pragma once
// The "level" sprite of library 1: one sheet holding the pieces of the level
// panel's skin (block frames, the child panels' background and strip,
// button frames, the level block, marks, goal and bonus frames, the
// warehouse and menu buttons). The pieces are cut by their rectangles on the
// sheet; a missing sheet leaves every piece out.

#include "gui/Skin.h"

#include <cstdint>
#include <vector>

class Sprite;

enum LevelPiece : int32_t {
    kPieceEdge,                                // the side pads, stretched
    kPieceGoalsFrame,                          // goals block (nine-patch)
    kPieceChildFrame,                          // child area (nine-patch)
    kPieceWarehouseBlock,                      // 101 x 115
    kPieceSeam,                                // over the joins of the blocks
    kPieceMenuBack,                            // the menu corner (nine-patch)
    kPieceMenuButton,                          // the menu button (nine-patch, 6-px sides)
    kPieceChildBack,                           // the child panels' 91-px background
    kPieceChildStrip,                          // framed strip (left cap, middle, right cap)
    kPieceChoiceButton,                        // choice button frames, looks kHidden to kPressed follow
    kPieceIconButton = kPieceChoiceButton + 4, // icon button frames, looks kHidden to kPressed
    kPieceJoint = kPieceIconButton + 4,        // between neighbouring buttons
    kPieceLevelBlock,                          // 100 x 77
    kPieceMarksBack,                           // 143 x 36
    kPieceMarkOff,                             // 21 x 20
    kPieceMarkOn,
    kPieceSmallMark,                              // 18 x 17
    kPieceLevelPicture,                           // three 46 x 21 pictures, one under another
    kPieceGoalFrame = kPieceLevelPicture + 3,     // not met; met lies 54 px to the right
    kPieceBonusFrame,                             // six 54 x 48 frames at 50-px steps
    kPieceWarehouseButton = kPieceBonusFrame + 6, // 79 x 94, three looks in 239 px
    kPieceMoneyStrip,                             // 93 x 47: left end, middle, right end in thirds
    kLevelPieceCount
};

// The rectangle of a piece on the sheet and the borders it keeps when stretched.
struct LevelPieceInfo {
    kis::Rect source;
    SkinBorders borders;
};
const LevelPieceInfo& GetLevelPiece(int32_t piece);

// The sheet (null without library 1 or the sprite).
Sprite* GetLevelSpriteGroup();

// A piece over a rectangle (nine-patch with its borders) added to a list of
// quads; nothing without the sheet. dx, dy move the source (met frames);
// flags as InitNinePatch's (1: a frame without its middle).
void AddLevelPiece(std::vector<SkinQuads>* list, int32_t piece, const kis::Rect& rect,
                   uint32_t colour = 0xFFFFFFFF, int32_t dx = 0, int32_t dy = 0, uint32_t flags = 0);
void DrawLevelQuads(DXLViewer& viewer, std::vector<SkinQuads>& list, float alpha);

// The level marks of a button: nothing when count is 0; for a count of 3 the
// level's picture (46 x 21) at (x - 23, y - 9); otherwise level 18-px marks,
// 17 px high, centred on x at y - 8.
void BuildLevelMarks(std::vector<SkinQuads>* list, uint32_t level, uint32_t count, int32_t x, int32_t y,
                     uint32_t colour);
// Where BuildLevelMarks puts its pieces (for the sheet-less tests too).
std::vector<kis::Rect> LevelMarkRects(uint32_t level, uint32_t count, int32_t x, int32_t y);
