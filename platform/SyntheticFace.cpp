#include "platform/SyntheticFace.h"

#include <algorithm>

namespace platform {

SyntheticFace::SyntheticFace(SyntheticFaceSpec spec, GlyphFaceRequest request)
    : GlyphFace(std::move(request)), spec_(std::move(spec)) {
    spec_.boxWidth = std::max(spec_.boxWidth, 0);
    spec_.boxHeight = std::max(spec_.boxHeight, 0);
    for (SyntheticGlyph& glyph : spec_.glyphs)
        glyph.boxWidth = std::max(glyph.boxWidth, 0);
    std::stable_sort(spec_.kerning.begin(), spec_.kerning.end(),
                     [](const KerningPair& a, const KerningPair& b) {
                         return a.first != b.first ? a.first < b.first : a.second < b.second;
                     });
}

GlyphFaceMetrics SyntheticFace::Metrics() const {
    GlyphFaceMetrics metrics;
    metrics.ascent = spec_.ascent;
    metrics.descent = spec_.descent;
    metrics.height = spec_.ascent + spec_.descent;
    metrics.internalLeading = spec_.internalLeading;
    metrics.underlineOffset = 1;
    metrics.underlineThickness = 1;
    metrics.strikeOutOffset = -(spec_.ascent / 3);
    metrics.strikeOutThickness = 1;
    return metrics;
}

GlyphBox SyntheticFace::Box(char16_t ch) {
    GlyphBox box;
    box.advance = spec_.advance;
    box.width = spec_.boxWidth;
    for (const SyntheticGlyph& glyph : spec_.glyphs) {
        if (glyph.ch == ch) {
            box.advance = glyph.advance;
            box.width = glyph.boxWidth;
        }
    }
    if (ch == u' ' || box.width == 0 || spec_.boxHeight == 0) return GlyphBox{box.advance, 0, 0, 0, 0};
    box.height = spec_.boxHeight;
    box.originX = spec_.originX;
    box.originY = spec_.originY;
    return box;
}

GlyphCoverage SyntheticFace::Coverage(char16_t ch, GlyphLevels levels) {
    GlyphCoverage coverage;
    coverage.box = Box(ch);
    coverage.levels = levels;
    coverage.values.assign(size_t(coverage.box.width) * size_t(coverage.box.height), coverage.Full());
    return coverage;
}

std::vector<KerningPair> SyntheticFace::KerningPairs() {
    return spec_.kerning;
}

} // namespace platform
