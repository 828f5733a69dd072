#pragma once
#include "platform/GlyphFace.h"

#include <vector>

namespace platform {

// A per-character exception to the common box of a synthetic face.
struct SyntheticGlyph {
    char16_t ch = 0;
    int32_t advance = 0;
    int32_t boxWidth = 0;
};

// Describes a face whose every glyph is a fully covered box, so that layout
// and packing can be tested with numbers that do not depend on a rasteriser.
struct SyntheticFaceSpec {
    int32_t boxWidth = 6;
    int32_t boxHeight = 10;
    int32_t originX = 1;  // box left of the pen
    int32_t originY = 10; // box top above the baseline
    int32_t advance = 8;
    int32_t ascent = 10;
    int32_t descent = 3;
    int32_t internalLeading = 2;
    std::vector<SyntheticGlyph> glyphs; // exceptions, by character
    std::vector<KerningPair> kerning;   // given back sorted
};

// The space (U+0020) has the advance but no ink; every other character is
// the box, or its exception.
class SyntheticFace final : public GlyphFace {
  public:
    explicit SyntheticFace(SyntheticFaceSpec spec, GlyphFaceRequest request = {});

    std::u16string FaceName() const override { return u"Synthetic"; }
    GlyphFaceMetrics Metrics() const override;
    GlyphBox Box(char16_t ch) override;
    GlyphCoverage Coverage(char16_t ch, GlyphLevels levels) override;
    std::vector<KerningPair> KerningPairs() override;

  private:
    SyntheticFaceSpec spec_;
};

} // namespace platform
