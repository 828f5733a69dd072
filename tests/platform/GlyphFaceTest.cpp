#include "platform/GlyphFace.h"
#include "platform/SyntheticFace.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace platform;

namespace {

struct Canvas {
    Canvas(int32_t width, int32_t height, uint32_t fill = 0) : pixels(size_t(width) * size_t(height), fill) {
        surface = {pixels.data(), width, height, width};
    }
    uint32_t At(int32_t x, int32_t y) const { return pixels[size_t(y) * size_t(surface.pitch) + size_t(x)]; }
    std::vector<uint32_t> pixels;
    GlyphSurface surface;
};

SyntheticFaceSpec BoxSpec() {
    SyntheticFaceSpec spec;
    spec.boxWidth = 4;
    spec.boxHeight = 6;
    spec.originX = 1;
    spec.originY = 6;
    spec.advance = 7;
    spec.ascent = 8;
    spec.descent = 2;
    spec.internalLeading = 1;
    spec.glyphs = {{u'i', 3, 1}};
    spec.kerning = {{u'V', u'A', -2}, {u'A', u'V', -1}};
    return spec;
}

// A face with one fixed grey ramp, to pin down blending and clipping.
class RampFace final : public GlyphFace {
  public:
    RampFace() : GlyphFace(GlyphFaceRequest{}) {}
    std::u16string FaceName() const override { return u"Ramp"; }
    GlyphFaceMetrics Metrics() const override { return {4, 3, 1, 0, 0, 1, -1, 1}; }
    GlyphBox Box(char16_t) override { return {5, 3, 1, 1, 2}; }
    GlyphCoverage Coverage(char16_t ch, GlyphLevels levels) override {
        return {Box(ch), levels, {0, 128, 255}};
    }
    std::vector<KerningPair> KerningPairs() override { return {}; }
};

} // namespace

TEST(SyntheticFace, MeasuresWithItsFixedBoxes) {
    SyntheticFace face(BoxSpec());
    GlyphFaceMetrics metrics = face.Metrics();
    EXPECT_EQ(metrics.height, 10);
    EXPECT_EQ(metrics.ascent, 8);
    EXPECT_EQ(metrics.descent, 2);
    EXPECT_EQ(metrics.internalLeading, 1);

    GlyphBox a = face.Box(u'A');
    EXPECT_EQ(a.advance, 7);
    EXPECT_EQ(a.width, 4);
    EXPECT_EQ(a.height, 6);
    EXPECT_EQ(a.originX, 1);
    EXPECT_EQ(a.originY, 6);
    EXPECT_EQ(a.AbcA() + a.AbcB() + a.AbcC(), a.advance);
    EXPECT_EQ(face.Advance(u'i'), 3);
    EXPECT_EQ(face.Box(u'i').width, 1);

    GlyphBox space = face.Box(u' ');
    EXPECT_EQ(space.advance, 7);
    EXPECT_EQ(space.width, 0);
    EXPECT_EQ(space.height, 0);

    TextExtent extent = face.MeasureText(u"Ai A");
    EXPECT_EQ(extent.width, 7 + 3 + 7 + 7);
    EXPECT_EQ(extent.height, 10);
    EXPECT_EQ(face.MeasureText(u"").width, 0);

    GlyphCoverage levels65 = face.Coverage(u'A', GlyphLevels::k65);
    ASSERT_EQ(levels65.values.size(), 24u);
    EXPECT_TRUE(
        std::all_of(levels65.values.begin(), levels65.values.end(), [](uint8_t v) { return v == 64; }));
    GlyphCoverage levels256 = face.Coverage(u'A', GlyphLevels::k256);
    EXPECT_TRUE(
        std::all_of(levels256.values.begin(), levels256.values.end(), [](uint8_t v) { return v == 255; }));
    EXPECT_TRUE(face.Coverage(u' ', GlyphLevels::k256).values.empty());

    std::vector<KerningPair> pairs = face.KerningPairs();
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0].first, u'A');
    EXPECT_EQ(pairs[0].amount, -1);
    EXPECT_EQ(pairs[1].first, u'V');
    EXPECT_EQ(pairs[1].amount, -2);
}

TEST(SyntheticFace, DrawsItsBoxOnTheBaselineInsideTheCell) {
    SyntheticFace face(BoxSpec());
    const uint32_t kUntouched = 0x11223344;
    Canvas transparent(20, 16, kUntouched);
    GlyphPaint paint;
    paint.foreground = 0xFFFF0000;
    EXPECT_EQ(face.DrawChar(transparent.surface, 3, 2, u'A', paint), 7);
    // Ink: columns 3+1 .. 3+1+4, rows from the baseline (2+8) up 6.
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 20; ++x) {
            bool ink = x >= 4 && x < 8 && y >= 4 && y < 10;
            ASSERT_EQ(transparent.At(x, y), ink ? 0xFFFF0000 : kUntouched) << x << "," << y;
        }

    Canvas opaque(20, 16, kUntouched);
    paint.opaque = true;
    paint.background = 0xFF000080;
    face.DrawChar(opaque.surface, 3, 2, u'A', paint);
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 20; ++x) {
            bool ink = x >= 4 && x < 8 && y >= 4 && y < 10;
            bool cell = x >= 3 && x < 10 && y >= 2 && y < 12;
            uint32_t expected = ink ? 0xFFFF0000 : cell ? 0xFF000080 : kUntouched;
            ASSERT_EQ(opaque.At(x, y), expected) << x << "," << y;
        }

    // The clip rectangle and the surface edges both bound the drawing.
    Canvas clipped(20, 16, 0);
    paint.clipped = true;
    paint.clipLeft = 5;
    paint.clipTop = 0;
    paint.clipRight = 30;
    paint.clipBottom = 6;
    face.DrawChar(clipped.surface, 3, 2, u'A', paint);
    face.DrawChar(clipped.surface, 17, 2, u'A', paint);
    int inked = 0;
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 20; ++x)
            if (clipped.At(x, y) != 0) {
                ++inked;
                EXPECT_TRUE(x >= 5 && y < 6) << x << "," << y;
            }
    // First glyph: cell columns 5..9 by rows 2..5; second: columns 17..19.
    EXPECT_EQ(inked, 5 * 4 + 3 * 4);
}

TEST(SyntheticFace, UnderlineAndStrikeOutRunUnderTheWholeAdvance) {
    GlyphFaceRequest request;
    request.underline = true;
    request.strikeOut = true;
    SyntheticFace face(BoxSpec(), request);
    Canvas canvas(12, 12, 0);
    GlyphPaint paint;
    face.DrawChar(canvas.surface, 0, 0, u' ', paint);
    GlyphFaceMetrics metrics = face.Metrics();
    int32_t underline = metrics.ascent + metrics.underlineOffset;
    int32_t strikeOut = metrics.ascent + metrics.strikeOutOffset;
    ASSERT_NE(underline, strikeOut);
    for (int32_t y = 0; y < 12; ++y)
        for (int32_t x = 0; x < 12; ++x) {
            bool line = x < 7 && (y == underline || y == strikeOut);
            ASSERT_EQ(canvas.At(x, y), line ? 0xFFFFFFFFu : 0u) << x << "," << y;
        }
}

TEST(GlyphFace, BlendsEveryChannelByCoverage) {
    RampFace face;
    Canvas canvas(8, 4, 0x00000000);
    GlyphPaint paint;
    paint.foreground = 0xFFFFFFFF;
    face.DrawChar(canvas.surface, 0, 0, u'x', paint);
    // Box at x 1..3 on row ascent - originY = 1.
    EXPECT_EQ(canvas.At(1, 1), 0x00000000u);
    EXPECT_EQ(canvas.At(2, 1), 0x80808080u);
    EXPECT_EQ(canvas.At(3, 1), 0xFFFFFFFFu);

    // Over an opaque background the ink mixes with the background colour.
    Canvas opaque(8, 4, 0xFFFFFFFF);
    paint.foreground = 0xFF0000FF;
    paint.background = 0xFF00FF00;
    paint.opaque = true;
    face.DrawChar(opaque.surface, 0, 0, u'x', paint);
    EXPECT_EQ(opaque.At(1, 1), 0xFF00FF00u);
    EXPECT_EQ(opaque.At(2, 1), 0xFF007F80u);
    EXPECT_EQ(opaque.At(3, 1), 0xFF0000FFu);
    EXPECT_EQ(opaque.At(4, 3), 0xFF00FF00u);
    EXPECT_EQ(opaque.At(5, 0), 0xFFFFFFFFu); // outside the 5-pixel advance

    // A surface without pixels or a clip outside it draws nothing.
    GlyphSurface empty;
    EXPECT_EQ(face.DrawChar(empty, 0, 0, u'x', paint), 5);
}

TEST(GlyphFace, OpenerCanBeReplacedForTests) {
    GlyphFaceRequest request;
    request.faceName = u"Arial";
    request.height = -13;
    request.weight = 600;
    GlyphFaceOpener previous = SetGlyphFaceOpener([](const GlyphFaceRequest& r, std::string*) {
        return std::make_unique<SyntheticFace>(BoxSpec(), r);
    });
    std::unique_ptr<GlyphFace> synthetic = OpenGlyphFace(request);
    ASSERT_TRUE(synthetic);
    EXPECT_EQ(synthetic->FaceName(), u"Synthetic");
    EXPECT_EQ(synthetic->Request().height, -13);
    EXPECT_EQ(synthetic->Request().weight, 600);

    SetGlyphFaceOpener(previous);
    std::unique_ptr<GlyphFace> real = OpenGlyphFace(request);
    ASSERT_TRUE(real);
    EXPECT_EQ(real->FaceName(), u"DejaVu Sans");
}

namespace {

std::unique_ptr<GlyphFace> Open(std::u16string name, int32_t height, int32_t weight = 400,
                                bool italic = false) {
    GlyphFaceRequest request;
    request.faceName = std::move(name);
    request.height = height;
    request.weight = weight;
    request.italic = italic;
    std::string error;
    std::unique_ptr<GlyphFace> face = OpenGlyphFace(request, &error);
    EXPECT_TRUE(face) << error;
    return face;
}

int64_t InkSum(GlyphFace& face, std::u16string_view text) {
    int64_t sum = 0;
    for (char16_t ch : text)
        for (uint8_t v : face.Coverage(ch, GlyphLevels::k256).values)
            sum += v;
    return sum;
}

} // namespace

TEST(FreeTypeFace, FaceNamesMapToTheDejaVuFamilies) {
    struct Case {
        std::u16string requested;
        std::u16string family;
    };
    const Case cases[] = {
        {u"Arial", u"DejaVu Sans"},
        {u"Tahoma", u"DejaVu Sans"},
        {u"Verdana", u"DejaVu Sans"},
        {u"No Such Face", u"DejaVu Sans"},
        {u"", u"DejaVu Sans"},
        {u"Times New Roman", u"DejaVu Serif"},
        {u"georgia", u"DejaVu Serif"},
        {u"Courier New", u"DejaVu Sans Mono"},
        {u"CONSOLAS", u"DejaVu Sans Mono"},
        {std::u16string(u"Courier New\0junk", 16), u"DejaVu Sans Mono"},
    };
    for (const Case& c : cases) {
        std::unique_ptr<GlyphFace> face = Open(c.requested, -16);
        ASSERT_TRUE(face);
        EXPECT_EQ(face->FaceName(), c.family) << std::string(c.requested.begin(), c.requested.end());
    }
}

TEST(FreeTypeFace, HeightsFollowTheCharacterAndCellConvention) {
    std::unique_ptr<GlyphFace> face = Open(u"Arial", -16);
    GlyphFaceMetrics metrics = face->Metrics();
    EXPECT_EQ(metrics.ascent + metrics.descent, metrics.height);
    EXPECT_GE(metrics.height, 17);
    EXPECT_LE(metrics.height, 20);
    EXPECT_GE(metrics.ascent, 13);
    EXPECT_GE(metrics.descent, 3);
    EXPECT_EQ(metrics.internalLeading, metrics.height - 16);
    EXPECT_GE(metrics.underlineOffset, 1);
    EXPECT_LE(metrics.underlineOffset + metrics.underlineThickness, metrics.descent);
    EXPECT_LT(metrics.strikeOutOffset, 0);
    EXPECT_GT(metrics.strikeOutOffset, -metrics.ascent);
    // A capital sits on the baseline and reaches most of the way up the cell.
    GlyphBox h = face->Box(u'H');
    EXPECT_GE(h.originY, 10);
    EXPECT_LE(h.originY, metrics.ascent);
    EXPECT_EQ(h.height, h.originY);
    EXPECT_EQ(face->MeasureText(u"Hello").height, metrics.height);

    // A positive height is the cell height exactly.
    for (int32_t cell = 6; cell <= 64; cell += 7) {
        std::unique_ptr<GlyphFace> byCell = Open(u"Arial", cell);
        EXPECT_EQ(byCell->Metrics().height, cell);
        EXPECT_EQ(byCell->Metrics().ascent + byCell->Metrics().descent, cell);
        EXPECT_GE(byCell->Metrics().internalLeading, 0);
    }
    // Height 0 is the default character height of 16.
    EXPECT_EQ(Open(u"Arial", 0)->Metrics().height, metrics.height);
}

TEST(FreeTypeFace, BoxesAndCoverageAgree) {
    std::unique_ptr<GlyphFace> face = Open(u"Arial", -16);
    for (char16_t ch : std::u16string_view(u"AHgl.W")) {
        GlyphBox box = face->Box(ch);
        GlyphCoverage fine = face->Coverage(ch, GlyphLevels::k256);
        GlyphCoverage coarse = face->Coverage(ch, GlyphLevels::k65);
        EXPECT_EQ(fine.box.width, box.width);
        EXPECT_EQ(fine.box.height, box.height);
        EXPECT_EQ(fine.box.originX, box.originX);
        EXPECT_EQ(fine.box.originY, box.originY);
        EXPECT_EQ(fine.box.advance, box.advance);
        EXPECT_GT(box.width, 0);
        ASSERT_EQ(fine.values.size(), size_t(box.width) * size_t(box.height));
        ASSERT_EQ(coarse.values.size(), fine.values.size());
        for (size_t i = 0; i < fine.values.size(); ++i)
            ASSERT_EQ(coarse.values[i], (fine.values[i] * 64 + 127) / 255);
        // Every row and column of a black box holds ink.
        for (int32_t y = 0; y < box.height; ++y) {
            int rowInk = 0;
            for (int32_t x = 0; x < box.width; ++x)
                rowInk += fine.At(x, y);
            EXPECT_GT(rowInk, 0) << char(ch) << " row " << y;
        }
    }
    // The stems of an H are solid.
    GlyphCoverage h = face->Coverage(u'H', GlyphLevels::k256);
    EXPECT_EQ(*std::max_element(h.values.begin(), h.values.end()), 255);
    GlyphCoverage coarseH = face->Coverage(u'H', GlyphLevels::k65);
    EXPECT_EQ(*std::max_element(coarseH.values.begin(), coarseH.values.end()), 64);

    GlyphBox space = face->Box(u' ');
    EXPECT_GT(space.advance, 0);
    EXPECT_EQ(space.width, 0);
    EXPECT_TRUE(face->Coverage(u' ', GlyphLevels::k256).values.empty());
}

TEST(FreeTypeFace, DrawnWordHasInkWithinItsExtent) {
    std::unique_ptr<GlyphFace> face = Open(u"Arial", -16);
    const std::u16string word = u"Hello";
    TextExtent extent = face->MeasureText(word);
    Canvas canvas(80, 30, 0);
    GlyphPaint paint;
    const int32_t left = 6, top = 4;
    int32_t pen = left;
    std::vector<int32_t> starts;
    for (char16_t ch : word) {
        starts.push_back(pen);
        pen += face->DrawChar(canvas.surface, pen, top, ch, paint);
    }
    EXPECT_EQ(pen - left, extent.width);

    int inked = 0;
    for (int32_t y = 0; y < canvas.surface.height; ++y)
        for (int32_t x = 0; x < canvas.surface.width; ++x) {
            uint32_t pixel = canvas.At(x, y);
            if (pixel == 0) continue;
            ++inked;
            // White over transparent black: all channels carry the coverage.
            ASSERT_EQ(pixel, (pixel >> 24) * 0x01010101u);
            EXPECT_GE(x, left);
            EXPECT_LT(x, left + extent.width);
            EXPECT_GE(y, top);
            EXPECT_LT(y, top + extent.height);
        }
    EXPECT_GE(inked, 80);

    // Each letter's ink lies under its own advance.
    for (size_t i = 0; i < word.size(); ++i) {
        int32_t end = i + 1 < word.size() ? starts[i + 1] : pen;
        int letterInk = 0;
        for (int32_t y = top; y < top + extent.height; ++y)
            for (int32_t x = starts[i]; x < end; ++x)
                letterInk += canvas.At(x, y) >> 24 >= 128;
        EXPECT_GE(letterInk, 5) << "letter " << i;
    }
    // Nothing hangs below the baseline in "Hello".
    int32_t baseline = top + face->Metrics().ascent;
    for (int32_t y = baseline + 1; y < canvas.surface.height; ++y)
        for (int32_t x = 0; x < canvas.surface.width; ++x)
            ASSERT_EQ(canvas.At(x, y), 0u) << x << "," << y;
}

TEST(FreeTypeFace, BoldIsWiderAndHeavier) {
    std::unique_ptr<GlyphFace> regular = Open(u"Arial", -16, 400);
    std::unique_ptr<GlyphFace> bold = Open(u"Arial", -16, 700);
    std::unique_ptr<GlyphFace> semiBold = Open(u"Arial", -16, 600);
    std::unique_ptr<GlyphFace> medium = Open(u"Arial", -16, 500);
    const std::u16string_view text = u"Hello world";
    EXPECT_GT(bold->MeasureText(text).width, regular->MeasureText(text).width);
    EXPECT_GT(InkSum(*bold, text), InkSum(*regular, text) * 5 / 4);
    EXPECT_EQ(semiBold->MeasureText(text).width, bold->MeasureText(text).width);
    EXPECT_EQ(medium->MeasureText(text).width, regular->MeasureText(text).width);
    EXPECT_EQ(regular->Metrics().height, bold->Metrics().height);
}

TEST(FreeTypeFace, KerningPairsComeFromTheKernTable) {
    // DejaVu Sans and Serif carry a 'kern' table; DejaVu Sans Mono has none.
    std::unique_ptr<GlyphFace> small = Open(u"Arial", -16);
    std::unique_ptr<GlyphFace> large = Open(u"Arial", -64);
    auto amountOf = [](const std::vector<KerningPair>& pairs, char16_t first, char16_t second) {
        for (const KerningPair& pair : pairs)
            if (pair.first == first && pair.second == second) return pair.amount;
        return 1000;
    };
    std::vector<KerningPair> pairs = small->KerningPairs();
    ASSERT_GT(pairs.size(), 1000u);
    EXPECT_TRUE(std::is_sorted(pairs.begin(), pairs.end(), [](const KerningPair& a, const KerningPair& b) {
        return a.first != b.first ? a.first < b.first : a.second < b.second;
    }));
    int32_t smallAV = amountOf(pairs, u'A', u'V');
    int32_t largeAV = amountOf(large->KerningPairs(), u'A', u'V');
    EXPECT_LT(smallAV, 0);
    EXPECT_LT(largeAV, smallAV);
    EXPECT_EQ(amountOf(pairs, u'H', u'H'), 1000);
    EXPECT_EQ(large->KerningPairs().size(), pairs.size());

    EXPECT_FALSE(Open(u"Times New Roman", -16)->KerningPairs().empty());
    EXPECT_TRUE(Open(u"Courier New", -16)->KerningPairs().empty());
}

TEST(FreeTypeFace, NonAntialiasedQualityGivesHardEdges) {
    GlyphFaceRequest request;
    request.faceName = u"Arial";
    request.height = -16;
    request.quality = kGlyphQualityNonAntialiased;
    std::unique_ptr<GlyphFace> face = OpenGlyphFace(request);
    ASSERT_TRUE(face);
    for (GlyphLevels levels : {GlyphLevels::k65, GlyphLevels::k256}) {
        GlyphCoverage coverage = face->Coverage(u'W', levels);
        ASSERT_FALSE(coverage.values.empty());
        for (uint8_t v : coverage.values)
            ASSERT_TRUE(v == 0 || v == coverage.Full());
    }
    // Antialiased faces (ClearType asked for included) have grey edges.
    request.quality = kGlyphQualityClearType;
    GlyphCoverage smooth = OpenGlyphFace(request)->Coverage(u'W', GlyphLevels::k256);
    EXPECT_TRUE(
        std::any_of(smooth.values.begin(), smooth.values.end(), [](uint8_t v) { return v > 0 && v < 255; }));
}

TEST(FreeTypeFace, MissingStyleFilesAreSynthesisedAndMissingFontsReported) {
    testsupport::TempDir folder;
    GlyphFaceRequest request;
    request.faceName = u"Times New Roman";
    request.height = -20;
    std::string error;
    EXPECT_FALSE(OpenFreeTypeFace(request, folder.Path().string(), &error));
    EXPECT_NE(error.find("DejaVuSerif.ttf"), std::string::npos) << error;
    EXPECT_NE(error.find("DejaVuSans.ttf"), std::string::npos) << error;
    EXPECT_NE(error.find(folder.Path().string()), std::string::npos) << error;

    // With only the upright Sans installed, every request is served from it.
    std::filesystem::create_symlink(std::string(kDejaVuFolder) + "/DejaVuSans.ttf",
                                    folder.Path() / "DejaVuSans.ttf");
    std::unique_ptr<GlyphFace> upright = OpenFreeTypeFace(request, folder.Path().string(), &error);
    ASSERT_TRUE(upright) << error;
    EXPECT_EQ(upright->FaceName(), u"DejaVu Sans");

    request.italic = true;
    std::unique_ptr<GlyphFace> slanted = OpenFreeTypeFace(request, folder.Path().string());
    ASSERT_TRUE(slanted);
    // A slanted 'l' leans right: its top row starts further right than its bottom row.
    auto firstInk = [](const GlyphCoverage& c, int32_t y) {
        for (int32_t x = 0; x < c.box.width; ++x)
            if (c.At(x, y) > 128) return x + c.box.originX;
        return -1000;
    };
    GlyphCoverage straight = upright->Coverage(u'l', GlyphLevels::k256);
    GlyphCoverage leaning = slanted->Coverage(u'l', GlyphLevels::k256);
    EXPECT_EQ(firstInk(straight, 0), firstInk(straight, straight.box.height - 1));
    EXPECT_GE(firstInk(leaning, 0) - firstInk(leaning, leaning.box.height - 1), 2);

    request.italic = false;
    request.weight = 700;
    std::unique_ptr<GlyphFace> emboldened = OpenFreeTypeFace(request, folder.Path().string());
    ASSERT_TRUE(emboldened);
    EXPECT_GT(InkSum(*emboldened, u"Hello"), InkSum(*upright, u"Hello") * 5 / 4);
    EXPECT_GT(emboldened->MeasureText(u"Hello").width, upright->MeasureText(u"Hello").width);
}
