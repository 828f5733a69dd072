#pragma once
// A screenshot the program wrote, decoded, with the pixel look-ups the
// screen tests make on it.
#include "platform/ImageDecode.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace testsupport {

// Where a thing is drawn: the mean position of its pixels, and how many there are.
struct Spot {
    int x = 0, y = 0;
    int pixels = 0;
};

struct Shot {
    platform::DecodedPicture picture;
    bool ok = false;   // the file was read and decoded
    std::string error; // why not, when it was not

    // The pixel as 0xAARRGGBB; x and y must lie inside the picture.
    uint32_t At(int x, int y) const { return picture.pixels[size_t(y) * size_t(picture.width) + size_t(x)]; }
    // Pixels of a rectangle (clipped to the picture's right and bottom) that pass the test.
    int Count(int left, int top, int right, int bottom,
              const std::function<bool(int r, int g, int b)>& test) const;
    // Pixels of the square of half-size half around (x, y) whose red, green
    // and blue each lie within tolerance of the colour's (0xRRGGBB).
    int Near(int x, int y, int half, uint32_t colour, int tolerance) const;
    // The same in a rectangle (clipped as Count clips).
    int NearIn(int left, int top, int right, int bottom, uint32_t colour, int tolerance) const;
    // Where the colour is drawn in a rectangle (clipped as Count clips): the
    // centre of its pixels within tolerance; none when fewer than minPixels
    // match, so that a stray pixel of the colour is not taken for the thing.
    std::optional<Spot> Find(int left, int top, int right, int bottom, uint32_t colour, int tolerance,
                             int minPixels = 12) const;
};

// With VB_KEEP_SHOTS naming a folder, copies the screenshot there under the
// name, so that a run's pictures can be looked at; nothing otherwise.
void KeepShot(const std::string& path, const std::string& name);

// Whether red, green and blue each lie within tolerance of the colour's (0xRRGGBB).
bool ColourNear(int r, int g, int b, uint32_t colour, int tolerance);

// Pixels of a rectangle whose colours differ between two shots of one size.
int Differing(const Shot& a, const Shot& b, int left, int top, int right, int bottom);

// The program arguments that write a screenshot at the time (ms) into the file.
std::string ScreenshotAt(int ms, const std::string& file);

// Reads and decodes the PNG; ok is false when either fails.
Shot LoadShot(const std::string& path);

} // namespace testsupport
