#pragma once
// Small drawing pieces the level panel and the level's windows share: a
// sprite instance centred on its point and drawn at a place, and the bounds
// of the picture an instance shows.

#include "engine/Quad.h"

#include <cstdint>
#include <memory>

class DXLTexture;
class DXLViewer;
class Sprite;
class SpriteInstance;

// A texture of the interface library by name, made ready to draw; null when
// it is missing or cannot be restored.
DXLTexture* InterfaceTexture(const char16_t* name);

// A new instance of the sprite at a frame (held to the sprite's frames),
// scaled and with its origin at its middle; null without a sprite or library.
std::unique_ptr<SpriteInstance> CentredInstance(Sprite* sprite, int32_t frame, float scale);

// Draws the instance in the colour at (x, y) from the current transform,
// which it leaves as it was.
void DrawInstanceAt(DXLViewer& viewer, SpriteInstance& instance, float x, float y, uint32_t colour);

// The bounds of the picture the instance shows at its frame, as its frame's
// quad lies (unscaled, around the picture's own origin); all 0 without one.
DXLRectF PictureBounds(const SpriteInstance& instance);
