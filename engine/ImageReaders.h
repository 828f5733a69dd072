#pragma once
#include "engine/Bitmap.h"
#include "foundation/List.h"
#include "foundation/Stream.h"

#include <cstdint>

// Image-file readers and the table that picks one by file extension.
//
// Every reader has the same contract: (stream, bitmap) -> true with the image
// in the bitmap, or false with the bitmap cleared. Each count, size and
// offset a file gives is held against the bytes the stream still has before
// it is used; no reader raises a message.

using BitmapFileReader = bool (*)(kis::Stream* stream, DXLBitmap* bitmap);

struct DXLBITMAPFILEFORMAT {
    char16_t extension[128];
    char16_t description[512];
    BitmapFileReader reader;
};

// Adds a row unless the extension is null, empty or already registered
// (compared ignoring case).
void RegisterBitmapFileFormat(const char16_t* extension, const char16_t* description,
                              BitmapFileReader reader);
// The first row whose extension equals the given one ignoring case, or null.
const DXLBITMAPFILEFORMAT* FindBitmapFileFormat(const char16_t* extension);
// Builds the table: glb, dxlb, tga, ico, bmp, dds, ppm.
void RegisterBitmapFileFormats();
// Empties the table (it is also destroyed at program exit).
void UnregisterBitmapFileFormats();
const kis::list<DXLBITMAPFILEFORMAT>& BitmapFileFormats();

// "dxlb": six u32 (format, width, height, stored size, unpacked size, RLE
// unit), then the stored bytes exactly as a DXLBitmap holds them.
bool ReadDXLBitmapFile(kis::Stream* stream, DXLBitmap* bitmap);
// "glb": u32 width, u32 height, u8 packing type (0, 1, 2: RLE units of 1, 2,
// 4 bytes; other values raw), u32 stored size, u32 unpacked size; pixels red,
// green, blue, alpha, rows bottom to top.
bool ReadGLBBitmapFile(kis::Stream* stream, DXLBitmap* bitmap);
bool ReadTargaFile(kis::Stream* stream, DXLBitmap* bitmap);
bool ReadIconFile(kis::Stream* stream, DXLBitmap* bitmap);
bool ReadBMPFile(kis::Stream* stream, DXLBitmap* bitmap);
bool ReadDDSFile(kis::Stream* stream, DXLBitmap* bitmap);
// Binary "P6" pixmaps; text "P3" pixmaps are refused.
bool ReadPPMFile(kis::Stream* stream, DXLBitmap* bitmap);
