// The medal-time line, the medal pictures and the hint boxes' placement.
#include "gui/ProgressLine.h"
#include "gui/Hint.h"
#include "gui/Window.h"
#include "sprites/Sprite.h"
#include "tests/sprites/SpriteTestHost.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgressLine, InitLaysOutNinePiecesWhoseZonesHaveTheirWidths) {
    ProgressLine line;
    line.Init(kRegimeHard, 90000, 60000, 30000, 100, 80, 120, 10, 20);
    const ProgressPiece expected[9] = {{8, 0, 8},  {90, 8, 4}, {2, 12, 2},   {3, 14, 3}, {74, 17, 4},
                                       {3, 21, 3}, {2, 24, 2}, {110, 26, 4}, {8, 30, 8}};
    int32_t total = 0;
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(line.Piece(i).width, expected[i].width) << i;
        EXPECT_EQ(line.Piece(i).sourceX, expected[i].sourceX) << i;
        EXPECT_EQ(line.Piece(i).sourceWidth, expected[i].sourceWidth) << i;
        total += line.Piece(i).width;
    }
    EXPECT_EQ(total, 300); // Z1 + Z2 + Z3
    EXPECT_EQ(line.SourceRow(), 0);
    line.Init(kRegimeEasy, 90000, 60000, 30000, 100, 80, 120, 10, 20);
    EXPECT_EQ(line.SourceRow(), 14);
}

TEST(ProgressLine, TheFilledLengthFollowsTheZonesAndRoundsUp) {
    struct Case {
        int32_t regime;
        uint32_t bronze, silver, gold, t;
        int32_t length;
    };
    // Zones 100, 80, 120.
    const Case cases[] = {
        {kRegimeHard, 90000, 60000, 30000, 0, 300},
        {kRegimeHard, 90000, 60000, 30000, 15000, 240},
        {kRegimeHard, 90000, 60000, 30000, 29999, 181}, // 180.004 rounds up
        {kRegimeHard, 90000, 60000, 30000, 30000, 180},
        {kRegimeHard, 90000, 60000, 30000, 45000, 140},
        {kRegimeHard, 90000, 60000, 30000, 60000, 100},
        {kRegimeHard, 90000, 60000, 30000, 75000, 50},
        {kRegimeHard, 90000, 60000, 30000, 90000, 0},
        {kRegimeHard, 90000, 60000, 30000, 90001, 0},
        {kRegimeEasy, 90000, 60000, 30000, 75000, 100}, // the bronze zone stays full
        {kRegimeEasy, 0, 60000, 30000, 600000, 100},    // and its limit is not used
        {kRegimeEasy, 90000, 60000, 30000, 45000, 140},
        // Equal limits: a full or an empty zone, never a division by zero.
        {kRegimeHard, 90000, 30000, 30000, 30000, 180},
        {kRegimeHard, 90000, 30000, 30000, 30001, 100}, // past silver, into bronze (99.998 up)
        {kRegimeHard, 60000, 60000, 30000, 60001, 0},
        {kRegimeHard, 60000, 60000, 0, 0, 300},
        {kRegimeHard, 60000, 60000, 0, 1, 180},
    };
    for (const Case& c : cases) {
        const int32_t length = ProgressLength(c.regime, c.bronze, c.silver, c.gold, 100, 80, 120, c.t);
        EXPECT_EQ(length, c.length) << c.regime << " " << c.bronze << " " << c.silver << " " << c.gold
                                    << " t " << c.t;
    }
}

TEST(ProgressLine, QuadsCoverWholePiecesThenTheStretchedPieceThenATintedEndColumn) {
    ProgressLine line;
    line.Init(kRegimeHard, 90000, 60000, 30000, 100, 80, 120, 10, 20);
    line.SetValue(45000); // length 140: pieces 0-3 whole (8 + 90 + 2 + 3 = 103), ends in the silver fill
    ASSERT_EQ(line.FilledLength(), 140);
    ASSERT_EQ(line.QuadCount(), 6);
    const float shift = -0.5f; // quads sit half a pixel up and left
    EXPECT_FLOAT_EQ(line.Quad(4).v[0].x, 10 + 103 + shift);
    EXPECT_FLOAT_EQ(line.Quad(4).v[1].x, 10 + 139 + shift);
    EXPECT_FLOAT_EQ(line.Quad(5).v[0].x, 10 + 139 + shift);
    EXPECT_FLOAT_EQ(line.Quad(5).v[1].x, 10 + 140 + shift);
    EXPECT_EQ(line.Quad(5).v[0].colour, ProgressLine::kEndColour);
    EXPECT_FLOAT_EQ(line.Quad(0).v[0].y, 20 + shift);
    EXPECT_FLOAT_EQ(line.Quad(0).v[2].y, 34 + shift);
    line.SetValue(0); // full: all nine pieces, no end column
    EXPECT_EQ(line.QuadCount(), 9);
    line.SetValue(90000);
    EXPECT_EQ(line.QuadCount(), 0);
}

struct Library {
    SpriteLibraries libraries;
    Library() {
        SpriteLibrary* one = libraries.Make(1, nullptr);
        const struct {
            const char16_t* name;
            int32_t w, h;
        } sprites[] = {{u"gold_medal", 84, 108},   {u"silver_medal", 84, 108}, {u"bronze_medal", 84, 108},
                       {u"level_uncompl", 60, 60}, {u"info", 32, 32},          {u"time_bar_indic", 38, 28}};
        for (const auto& s : sprites)
            one->AddSprite(s.name)->SetFrames({{0, 0, s.w, s.h}});
        SetSpriteLibraries(&libraries);
    }
    ~Library() { SetSpriteLibraries(nullptr); }
};

TEST(Medals, EachGradeGetsItsSpriteScaleAndOffset) {
    Library library;
    struct Case {
        int32_t grade;
        const char16_t* name;
        float scaleX, scaleY, dx, dy;
    };
    const Case cases[] = {
        {6, u"gold_medal", 0.5f, 0.5f, 46, 49},    {5, u"silver_medal", 0.5f, 0.5f, 46, 49},
        {4, u"bronze_medal", 0.5f, 0.5f, 46, 49},  {3, u"bronze_medal", 0.5f, 0.5f, 46, 49},
        {2, u"level_uncompl", 0.5f, 0.5f, 43, 42}, {0, u"level_uncompl", 0.5f, 0.5f, 43, 42},
    };
    for (const Case& c : cases) {
        kis::Vector2 position{100, 200};
        auto medal = GetMedalSprite(c.grade, &position);
        ASSERT_NE(medal, nullptr) << c.grade;
        EXPECT_EQ(std::u16string(medal->definition->GetName()), c.name) << c.grade;
        EXPECT_FLOAT_EQ(medal->scaleX, c.scaleX) << c.grade;
        EXPECT_FLOAT_EQ(medal->scaleY, c.scaleY) << c.grade;
        EXPECT_FLOAT_EQ(position.x, 100 + c.dx) << c.grade;
        EXPECT_FLOAT_EQ(position.y, 200 + c.dy) << c.grade;
    }
    // 42 x 54 whatever the art's size.
    library.libraries.Get(1)->FindSprite(u"gold_medal")->SetFrames({{0, 0, 21, 27}});
    auto small = GetMedalSprite(6, nullptr);
    EXPECT_FLOAT_EQ(small->scaleX, 2.0f);
    EXPECT_FLOAT_EQ(small->scaleY, 2.0f);
    EXPECT_EQ(GetInfoSpriteGroup(), library.libraries.Get(1)->FindSprite(u"info"));
}

// A time's grade at the medal times' edges (bronze 90 s, silver 60 s, gold
// 30 s): a time equal to a medal's still earns it; past the bronze time the
// hard regime has failed and the easy regime keeps bronze however slow.
TEST(Medals, ATimeEarnsTheMedalWhoseTimeItKeeps) {
    struct Case {
        int32_t regime;
        uint32_t t, grade;
    };
    const Case cases[] = {
        {kRegimeEasy, 1, kGradeGold},         {kRegimeEasy, 30000, kGradeGold},
        {kRegimeEasy, 30001, kGradeSilver},   {kRegimeEasy, 60000, kGradeSilver},
        {kRegimeEasy, 60001, kGradeBronze},   {kRegimeEasy, 90001, kGradeBronze},
        {kRegimeEasy, 3600000, kGradeBronze}, {kRegimeHard, 30000, kGradeGold},
        {kRegimeHard, 60001, kGradeBronze},   {kRegimeHard, 90000, kGradeBronze},
        {kRegimeHard, 90001, kGradeFailed},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GradeForTime(c.regime, c.t, 90000, 60000, 30000), c.grade) << c.regime << " " << c.t;
}

TEST(Medals, WithoutTheArtThereIsNoMedal) {
    spritetest::TestHost host;
    kis::Vector2 position{1, 2};
    EXPECT_EQ(GetMedalSprite(6, &position), nullptr);
    EXPECT_FLOAT_EQ(position.x, 1.0f);
}

TEST(HintBox, TheBoxStandsBelowItsAnchorAndAboveItWithoutRoom) {
    spritetest::TestHost host;
    WindowManager manager(nullptr, nullptr);
    HintWindow hint(manager);
    struct Case {
        kis::Rect anchor;
        int32_t left, top;
        const kis::Rect* bounds = nullptr;
    };
    const kis::Rect window{120, 50, 400, 200};
    const Case cases[] = {
        {{100, 100, 200, 130}, 150 - 8, 134},                   // centred under it
        {{100, 740, 200, 760}, 150 - 8, 740 - 4 - 16},          // no room below
        {{-50, 10, 0, 20}, 0, 24},                              // kept on the screen
        {{100, 100, 110, 130}, 120, 134, &window},              // kept inside its window
        {{390, 100, 420, 130}, 400 - 16, 134, &window},         // at the window's right
        {{200, 185, 220, 195}, 210 - 8, 185 - 4 - 16, &window}, // no room below in it
        {{1010, 100, 1040, 130}, 400 - 16, 134, &window},       // its anchor beyond it
    };
    for (const Case& c : cases) {
        hint.SetAnchor(c.anchor);
        hint.SetBounds(c.bounds);
        hint.Show();
        EXPECT_EQ(hint.Box().left, c.left);
        EXPECT_EQ(hint.Box().top, c.top);
        EXPECT_EQ(hint.Box().right - hint.Box().left, 16); // padding only: no font in the tests
    }
}

} // namespace
