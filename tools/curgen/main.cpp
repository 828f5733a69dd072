// curgen: draws the game's mouse pointers and writes them as cursor files.
//
//   curgen <folder>
//
// Writes arrow.cur, hand.cur, arrow_gray.cur, ibeam.cur, pan.cur, pan_on.cur
// and delete.cur into the folder: 32 x 32 images, 32 bits with alpha, each
// shape filled and bordered in its own colours.
#include "engine/CurFile.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kSide = 32;
constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kGray = 0xFFA0A0A0;
constexpr uint32_t kRed = 0xFFE02020;

using Shape = std::function<bool(int x, int y)>;

struct Box {
    int left, top, right, bottom; // right and bottom exclusive
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

Shape Boxes(std::vector<Box> boxes) {
    return [boxes](int x, int y) {
        for (const Box& box : boxes)
            if (box.Contains(x, y)) return true;
        return false;
    };
}

// Pixel centres inside the polygon (even-odd rule).
Shape Polygon(std::vector<std::pair<float, float>> points) {
    return [points](int px, int py) {
        const float x = float(px) + 0.5f, y = float(py) + 0.5f;
        bool inside = false;
        for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
            auto [xi, yi] = points[i];
            auto [xj, yj] = points[j];
            if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
        }
        return inside;
    };
}

// The shape's pixels next to the outside become the border, the rest the fill.
CursorImage Draw(const Shape& shape, uint32_t fill, uint32_t border, int hotX, int hotY) {
    CursorImage image;
    image.width = image.height = kSide;
    image.hotX = hotX;
    image.hotY = hotY;
    image.argb.assign(kSide * kSide, 0);
    auto in = [&](int x, int y) { return x >= 0 && y >= 0 && x < kSide && y < kSide && shape(x, y); };
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            if (!in(x, y)) continue;
            bool edge = !in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1);
            image.argb[size_t(y * kSide + x)] = edge ? border : fill;
        }
    return image;
}

Shape Arrow() {
    // The apex lies above the image so that the hot-spot pixel (0, 0) is drawn.
    return Polygon({{0, -1}, {0, 22}, {5.5f, 17}, {9, 25}, {12.5f, 23.5f}, {9, 16}, {16.5f, 16}});
}

Shape Cross() {
    return [](int x, int y) {
        if (x < 5 || x > 26 || y < 5 || y > 26) return false;
        return std::abs(x - y) <= 2 || std::abs(x + y - 31) <= 2;
    };
}

struct Pointer {
    const char* name;
    CursorImage image;
};

std::vector<Pointer> Pointers() {
    return {
        {"arrow", Draw(Arrow(), kWhite, kBlack, 0, 0)},
        {"hand", Draw(Boxes({{9, 0, 14, 14},
                             {13, 7, 17, 14},
                             {17, 9, 21, 14},
                             {21, 11, 24, 14},
                             {7, 12, 24, 27},
                             {3, 14, 8, 20}}),
                      kWhite, kBlack, 11, 0)},
        {"arrow_gray", Draw(Arrow(), kGray, kBlack, 0, 0)},
        {"ibeam", Draw(Boxes({{14, 3, 18, 29}, {10, 2, 22, 6}, {10, 26, 22, 30}}), kBlack, kWhite, 16, 16)},
        {"pan", Draw(Boxes({{7, 5, 10, 15},
                            {11, 2, 14, 15},
                            {15, 3, 18, 15},
                            {19, 6, 22, 15},
                            {7, 14, 24, 28},
                            {2, 15, 8, 21}}),
                     kWhite, kBlack, 16, 16)},
        {"pan_on", Draw(Boxes({{8, 9, 11, 14},
                               {12, 8, 15, 14},
                               {16, 8, 19, 14},
                               {20, 9, 23, 14},
                               {7, 13, 25, 27},
                               {4, 15, 9, 20}}),
                        kWhite, kBlack, 16, 16)},
        {"delete", Draw(Cross(), kRed, kBlack, 16, 16)},
    };
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: curgen <folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    for (const Pointer& pointer : Pointers()) {
        const std::string path = folder + "/" + pointer.name + ".cur";
        const std::vector<uint8_t> bytes = WriteCurFile({pointer.image});
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        out.close();
        if (!out) {
            std::fprintf(stderr, "curgen: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
