#include "tests/support/Screenshot.h"

#include "tests/support/TempDir.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace testsupport {

int Shot::Count(int left, int top, int right, int bottom,
                const std::function<bool(int r, int g, int b)>& test) const {
    // The rectangle is clipped to the picture on every side.
    int n = 0;
    for (int y = std::max(top, 0); y < bottom && y < picture.height; ++y)
        for (int x = std::max(left, 0); x < right && x < picture.width; ++x) {
            const uint32_t c = At(x, y);
            n += test(int(c >> 16 & 0xFF), int(c >> 8 & 0xFF), int(c & 0xFF));
        }
    return n;
}

int Shot::Near(int x, int y, int half, uint32_t colour, int tolerance) const {
    return NearIn(x - half, y - half, x + half + 1, y + half + 1, colour, tolerance);
}

int Shot::NearIn(int left, int top, int right, int bottom, uint32_t colour, int tolerance) const {
    return Count(left, top, right, bottom,
                 [&](int r, int g, int b) { return ColourNear(r, g, b, colour, tolerance); });
}

std::optional<Spot> Shot::Find(int left, int top, int right, int bottom, uint32_t colour, int tolerance,
                               int minPixels) const {
    long long sumX = 0, sumY = 0;
    int n = 0;
    for (int y = std::max(top, 0); y < bottom && y < picture.height; ++y)
        for (int x = std::max(left, 0); x < right && x < picture.width; ++x) {
            const uint32_t c = At(x, y);
            if (!ColourNear(int(c >> 16 & 0xFF), int(c >> 8 & 0xFF), int(c & 0xFF), colour, tolerance))
                continue;
            sumX += x, sumY += y, ++n;
        }
    if (n < std::max(minPixels, 1)) return std::nullopt;
    return Spot{int((sumX + n / 2) / n), int((sumY + n / 2) / n), n};
}

bool ColourNear(int r, int g, int b, uint32_t colour, int tolerance) {
    return std::abs(r - int(colour >> 16 & 0xFF)) <= tolerance &&
           std::abs(g - int(colour >> 8 & 0xFF)) <= tolerance &&
           std::abs(b - int(colour & 0xFF)) <= tolerance;
}

int Differing(const Shot& a, const Shot& b, int left, int top, int right, int bottom) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            n += (a.At(x, y) & 0xFFFFFF) != (b.At(x, y) & 0xFFFFFF);
    return n;
}

std::string ScreenshotAt(int ms, const std::string& file) {
    return " --screenshot-at " + std::to_string(ms) + " '" + file + "'";
}

void KeepShot(const std::string& path, const std::string& name) {
    const char* keep = std::getenv("VB_KEEP_SHOTS");
    if (!keep || !std::filesystem::exists(path)) return;
    std::filesystem::copy_file(path, std::filesystem::path(keep) / name,
                               std::filesystem::copy_options::overwrite_existing);
}

Shot LoadShot(const std::string& path) {
    Shot shot;
    const std::string bytes = ReadFileBytes(path);
    shot.ok = platform::DecodePicture(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                      &shot.picture, &shot.error);
    return shot;
}

} // namespace testsupport
