#include "levelui/PanelLayout.h"

#include "foundation/NumberText.h"

#include <algorithm>
#include <cmath>
#include <numbers>

PanelLayout ComputePanelLayout(int32_t screenWidth, int32_t screenHeight) {
    PanelLayout l{};
    const int32_t w = std::max(screenWidth, kPanelMinWidth);
    l.contentWidth = w;
    l.goalsLeft = 0;
    l.goalsWidth = kGoalsBlockWidth;
    int32_t content = w;
    if (w > kPanelMinWidth) {
        content = std::min(w, kPanelMaxContent);
        l.goalsWidth += (content - kPanelMinWidth) / 2;
        const int32_t beyond = w - content;
        l.padLeft = beyond / 2;
        l.padRight = beyond - l.padLeft;
        l.goalsLeft = l.padLeft;
    }
    l.childLeft = l.goalsLeft + l.goalsWidth;
    l.childWidth = content - l.goalsWidth - kWarehouseBlockWidth;
    l.warehouseLeft = content - kWarehouseBlockWidth + l.goalsLeft;
    l.panel = {0, screenHeight - kPanelHeight, screenWidth, screenHeight};
    return l;
}

std::vector<Span> LayoutGoalSpans(int32_t goalsLeft, int32_t goalsWidth, uint32_t count) {
    std::vector<Span> spans;
    // The level record allows three goals; a larger count from the data shows three.
    count = std::min(count, 3u);
    if (count == 0) return spans;
    const float step = float(goalsWidth - 9) / float(count);
    float sum = 0.0f;
    int32_t previous = 0;
    for (uint32_t i = 0; i < count; ++i) {
        sum += step;
        const int32_t r = int32_t(std::lround(sum));
        spans.push_back({goalsLeft + 4 + previous, r - previous + 1});
        previous = r;
    }
    return spans;
}

std::vector<int32_t> LayoutBonusRow(int32_t screenWidth, const std::vector<int32_t>& widths) {
    std::vector<int32_t> xs;
    int32_t total = 0;
    for (size_t i = 0; i < widths.size(); ++i)
        total += widths[i] - (i ? kBonusOverlap : 0);
    if (total == 0) return xs;
    int32_t x = (screenWidth - total) / 2;
    for (int32_t w : widths) {
        xs.push_back(x);
        x += w - kBonusOverlap;
    }
    return xs;
}

PanelPoint PlaceTutorialButton(int32_t buttonWidth, int32_t moneyStripLeft, int32_t screenWidth) {
    // Where it does not fit left of the money strip it stands clear below it.
    if (3 + buttonWidth > moneyStripLeft - 2)
        return {screenWidth - 3 - buttonWidth, kMoneyStripHeight + kBelowMoneyStrip};
    return {3, 3};
}

bool AreMedalTimesOrdered(uint32_t regime, uint32_t bronzeMs, uint32_t silverMs, uint32_t goldMs) {
    if (goldMs == 0 || goldMs >= silverMs) return false;
    return regime == 0 || silverMs < bronzeMs;
}

std::array<int32_t, 3> TimeBarZones(uint32_t regime, uint32_t bronzeMs, uint32_t silverMs, uint32_t goldMs,
                                    int32_t childWidth) {
    const int32_t length = std::max(childWidth + 2 - 8, 3 * kMinTimeZone);
    if (!AreMedalTimesOrdered(regime, bronzeMs, silverMs, goldMs)) {
        // Times the zones cannot follow: three equal zones, the rest to gold.
        const int32_t third = length / 3;
        return {third, third, length - 2 * third};
    }
    if (regime == 0) {
        // No time limit in the easy regime: the bronze zone is the fixed left end.
        const int32_t rest = length - kMinTimeZone;
        int32_t gold = std::max(int32_t(std::lround(double(goldMs) / double(silverMs) * rest)), kMinTimeZone);
        int32_t silver = rest - gold;
        if (silver < kMinTimeZone) {
            silver = kMinTimeZone;
            gold = rest - kMinTimeZone;
        }
        return {kMinTimeZone, silver, gold};
    }
    const double b = double(bronzeMs);
    const double fg = goldMs / b, fs = (double(silverMs) - goldMs) / b, fb = 1.0 - fs - fg;
    const int32_t gold = int32_t(std::lround(length * fg));
    const int32_t silver = int32_t(std::ceil(length * fs));
    std::array<int32_t, 3> z = {length - gold - silver, silver, gold};
    const std::array<double, 3> f = {fb, fs, fg};
    std::array<bool, 3> raised{};
    int32_t marked = 0;
    for (int i = 0; i < 3; ++i)
        if (z[i] < kMinTimeZone) z[i] = kMinTimeZone, raised[i] = true, ++marked;
    if (marked == 1) {
        int first = -1, second = -1;
        for (int i = 0; i < 3; ++i)
            if (!raised[i]) (first < 0 ? first : second) = i;
        const int32_t share = length - kMinTimeZone;
        const double sum = f[first] + f[second];
        int32_t a = f[first] == 0.0 ? 0 : int32_t(std::lround(share * f[first] / sum));
        a = std::max(a, kMinTimeZone);
        z[first] = a;
        z[second] = share - a;
    } else if (marked == 2) {
        for (int i = 0; i < 3; ++i)
            if (!raised[i]) z[i] = length - 2 * kMinTimeZone;
    }
    return z;
}

bool TimeToNextLoss(uint32_t regime, uint32_t grade, uint32_t bronzeMs, uint32_t silverMs, uint32_t goldMs,
                    uint32_t levelMs, int64_t* left) {
    if (grade >= 6)
        *left = int64_t(goldMs) - levelMs;
    else if (grade == 5)
        *left = int64_t(silverMs) - levelMs;
    else if (grade == 4 && regime == 1)
        *left = int64_t(bronzeMs) - levelMs;
    else
        return false;
    return true;
}

bool TimeBarWarning(uint32_t regime, uint32_t grade, bool hasLeft, int64_t leftMs, bool animate, bool playing,
                    bool levelOver) {
    if (levelOver) return false;
    if (hasLeft && leftMs <= 5000) return leftMs >= 1001 || (animate && playing);
    return regime == 1 && grade < 4;
}

std::array<int32_t, 3> TimeBarIconX(const std::array<int32_t, 3>& z) {
    return {(z[0] - 27) / 2 - 7 + 26, z[0] + 18 + (z[1] - 27) / 2,
            z[0] + z[1] + 19 + z[2] - ((z[2] - 27) / 2 - 7) - 36};
}

CrossStampLook CrossStampAt(uint32_t elapsedMs) {
    const float t = float(elapsedMs);
    return {t < 100.0f ? 0.25f + 0.75f * t / 100.0f : 1.0f, t < 200.0f ? 3.0f - 2.0f * t / 200.0f : 1.0f};
}

void SplitIntoParts(ButtonParts* record, int32_t length, int32_t count) {
    uint32_t n = uint32_t(count);
    if (n > kMaxButtonParts) n = kMaxButtonParts;
    record->length = length;
    record->count = n;
    if (n == 0) return;
    const float step = float(length) / float(n);
    float sum = 0.0f;
    for (uint32_t i = 0; i < n; ++i) {
        const int32_t start = int32_t(std::lround(sum));
        sum += step;
        record->parts[i] = {start, int32_t(std::lround(sum)) - start};
    }
}

std::vector<LevelMark> LevelBlockMarks(uint32_t levelCount, uint32_t stage) {
    static constexpr int32_t kOffsets[3][3][2] = {
        {{0, 0}, {0, 0}, {0, 0}}, {{-11, 0}, {10, 0}, {0, 0}}, {{-17, 0}, {0, 5}, {17, 0}}};
    std::vector<LevelMark> marks;
    if (levelCount < 2) return marks;
    // The table has rows for one to three marks: more levels show three.
    const uint32_t n = std::min(levelCount - 1, kMaxMarks);
    for (uint32_t i = 0; i < n; ++i)
        marks.push_back({kOffsets[n - 1][i][0], kOffsets[n - 1][i][1], i + 1 < stage});
    return marks;
}

float ClickToStartScale(uint32_t clockMs) {
    const double phase = 2.0 * std::numbers::pi * double(clockMs % 1200) / 1200.0 - std::numbers::pi / 2.0;
    return float(1.5 + ((std::sin(phase) + 1.0) / 2.0) / 5.0);
}

float ClickToStartAlpha(uint32_t clockMs, int64_t fadeIn, int64_t fadeOut) {
    if (fadeOut >= 0) return 1.0f - float(int64_t(clockMs) - fadeOut) / 200.0f;
    if (fadeIn >= 0) return std::min(1.0f, float(int64_t(clockMs) - fadeIn) / 500.0f);
    return 1.0f;
}

MedalRows EmptyPanelRows(uint32_t regime) {
    MedalRows rows{};
    rows.count = regime ? 3 : 2;
    const int32_t spacing = rows.count == 2 ? 32 : 24;
    // Three rows stand 4 px higher round 42, so that the bronze medal's disc
    // clears the frame over the panel's bottom edge.
    const int32_t middle = rows.count == 2 ? 46 : 42;
    const int32_t first = middle - int32_t(rows.count - 1) * spacing / 2;
    for (uint32_t i = 0; i < rows.count; ++i)
        rows.y[i] = first + int32_t(i) * spacing;
    return rows;
}

int32_t EmptyPanelLeftColumn(int32_t width) {
    return ((width / 2) + 8) / 2;
}

GoalText GoalProgressText(uint32_t kind, uint32_t target, int32_t value, bool slash) {
    GoalText g;
    g.met = int64_t(target) <= value;
    // A garbage goal counts the sites still to clear.
    g.shown = kind == 4 ? int32_t(std::max<int64_t>(int64_t(target) - value, 0)) : value;
    g.text = kis::DecimalText(g.shown);
    if (slash) g.text.append(u"/").append(kis::DecimalText(target));
    if (g.met) g.text = std::u16string(u"<c=80ff80>").append(g.text).append(u"</c>");
    return g;
}

int32_t IconRowsAbove(int32_t line, int32_t iconTop, int32_t iconHeight) {
    return std::clamp(line - iconTop, 0, std::max(iconHeight, 0));
}

RunLineLength RunLineIndicator(int32_t room, float fraction) {
    const double exact = double(std::max(room, 0)) * double(std::clamp(fraction, 0.0f, 1.0f));
    const int32_t whole = int32_t(std::floor(exact));
    const int32_t alpha = whole < room ? int32_t(std::lround((exact - whole) * 255.0)) : 0;
    return {whole, alpha};
}

RunLineLook RunLineEffect(bool growing, uint32_t t) {
    if (growing) {
        if (t >= 130) return {1.0f, 1.0f, true};
        return {0.5f + 0.5f * float(t) / 130.0f, std::min(float(t) / 65.0f, 1.0f), false};
    }
    if (t >= 65) return {0.5f, 0.0f, true};
    const float p = float(t) / 65.0f;
    return {1.0f - 0.5f * p, 1.0f - p, false};
}

uint32_t BonusFlashColour(uint32_t t) {
    if (t >= 500) return 0;
    const float f = t < 200 ? float(t) / 200.0f : t < 300 ? 1.0f : 1.0f - float(t - 300) / 200.0f;
    const uint32_t c = uint32_t(std::lround(128.0f * f));
    return 0xFF000000u | c << 16 | c << 8 | c;
}

uint32_t BonusDisplayState(bool running, bool ready) {
    if (running) return 3;
    return ready ? 1 : 2;
}

RechargeSplit RechargeSplitLine(int32_t buttonHeight, float fraction) {
    const float f = std::clamp(fraction, 0.0f, 1.0f);
    RechargeSplit s{f == 0.0f, f == 1.0f, 0, 0};
    if (s.none || s.whole) return s;
    const double exact = double(buttonHeight - 6) * f + 3.0;
    s.line = int32_t(std::ceil(exact));
    s.alpha = int32_t(std::lround((s.line - exact) * 255.0));
    return s;
}
