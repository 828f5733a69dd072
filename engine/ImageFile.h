#pragma once
#include "engine/Bitmap.h"

#include <cstdint>

// Reads an image file held in memory into a bitmap, choosing the decoder by
// the file's first bytes: PNG and JPEG through the platform's decoder (giving
// A8R8G8B8), BMP, DDS, PPM and icons through the engine's readers. Kinds
// without a signature (Targa and the engine's own bitmap files) are chosen by
// the file name's extension when a name is given, else tried in turn: own
// bitmap, packed own bitmap, Targa. False leaves the bitmap cleared.
bool ReadImageFileFromMemory(const void* data, uint32_t size, const char16_t* fileName, DXLBitmap* bitmap);
