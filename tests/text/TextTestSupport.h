#pragma once
// Shared by the text-layer tests: fonts over the synthetic glyph face (every
// glyph a 6 x 10 box one pixel right of the pen, advance 8, space 8, ascent
// 10, descent 3), a viewer with the software device, and positions of laid-
// out glyphs.
#include "engine/Viewer.h"
#include "platform/GlyphFace.h"
#include "platform/SyntheticFace.h"
#include "tests/engine/ViewerTestSupport.h"
#include "text/KGEWinFont.h"
#include "text/TextLayout.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace texttest {

constexpr const char16_t* kLatin =
    u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789<>=/@[].,-_";

// A windowed viewer with the software device, 128 x 64 unless told otherwise.
class TestViewer : public viewertest::WindowedViewer {
  public:
    bool Open(uint32_t width = 128, uint32_t height = 64) { return WindowedViewer::Open(width, height); }
};

class SyntheticText : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ =
            platform::SetGlyphFaceOpener([this](const platform::GlyphFaceRequest& request, std::string*) {
                requests.push_back(request);
                return std::make_unique<platform::SyntheticFace>(spec, request);
            });
    }
    void TearDown() override { platform::SetGlyphFaceOpener(previous_); }

    // A font of the current face description (10 points: the description gives the pixels).
    std::unique_ptr<KGEWinFont> MakeFont(DXLViewer* viewer = nullptr, uint32_t colour = 0xFFFFFFFF,
                                         int32_t tracking = 0, int32_t leading = 0, uint32_t flags = 0) {
        KGEWinFont* font = nullptr;
        const HResult hr =
            KGECreateWinFont(viewer, flags, 10, 400, 0, 0, 0, 5, 0xFFFFFF, u"Arial", kSpaceFromFont,
                             0xFFFFFFFF, kLatin, 0, nullptr, nullptr, tracking, leading, colour, &font);
        EXPECT_EQ(hr, 0);
        return std::unique_ptr<KGEWinFont>(font);
    }

    platform::SyntheticFaceSpec spec;
    std::vector<platform::GlyphFaceRequest> requests; // what the fonts asked the face for, in order

  private:
    platform::GlyphFaceOpener previous_;
};

struct Placed {
    char16_t ch;
    int32_t x;
    int32_t y;
    uint32_t colour;
    bool operator==(const Placed&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Placed& p) {
    return out << "{'" << char(p.ch) << "' " << p.x << "," << p.y << " " << std::hex << p.colour << std::dec
               << "}";
}

// Every placed glyph of the layout with its absolute position.
inline std::vector<Placed> PlacedGlyphs(const KGETextLayout& layout) {
    std::vector<Placed> out;
    for (const KGELayoutLine& line : layout.Lines()) {
        for (uint32_t i = 0; i < line.itemCount; ++i) {
            const KGELayoutItem& item = layout.Items()[line.firstItem + i];
            if (item.kind != kLayoutRun) continue;
            for (uint32_t k = 0; k < item.charCount; ++k) {
                const KGELayoutChar& c = layout.Chars()[item.firstChar + k];
                out.push_back({c.glyph->character, item.x + c.x, line.y + item.y + c.y, c.colour});
            }
        }
    }
    return out;
}

} // namespace texttest
