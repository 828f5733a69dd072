#include "levelui/LevelWindowsModel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

const std::array<MenuCommand, 6> kLevelMenuCommands = {{
    {kMenuContinue, u"continue"},
    {kMenuRestart, u"restart"},
    {kMenuAwards, u"awards"},
    {kMenuOptions, u"options"},
    {kMenuToMap, u"to_map"},
    {kMenuQuit, u"quit"},
}};

const char16_t* MenuCommandKey(uint32_t id) {
    for (const MenuCommand& c : kLevelMenuCommands)
        if (c.id == id) return c.key;
    return nullptr;
}

MenuDecision DecideMenuResult(uint32_t id) {
    switch (id) {
    case kMenuContinue:
        return {MenuAction::CloseMenu, 0};
    case kMenuQuit:
        return {MenuAction::AskQuit, 2};
    case kMenuRestart:
        return {MenuAction::OpenRestartWindow, 2};
    case kMenuToMap:
        return {MenuAction::LeaveToMap, 2};
    case kMenuOptions:
        return {MenuAction::OpenOptions, 2};
    case kMenuAwards:
        return {MenuAction::OpenAwards, 2};
    default:
        return {MenuAction::None, 0};
    }
}

// ---------------------------------------------------------------- information page

int32_t InfoRowHeight(uint32_t rowKind) {
    switch (rowKind) {
    case kInfoPictureRow:
        return 144;
    case kInfoLineRow:
        return 48;
    case kInfoSeparator16:
        return 16;
    case kInfoSeparator4:
        return 4;
    default:
        return 0;
    }
}

InfoPageLayout LayoutInfoPage(const std::vector<InfoEntry>& entries) {
    InfoPageLayout page;
    int32_t height = 0;
    int32_t below = kInfoMarginTop;
    for (const InfoEntry& e : entries) {
        const int32_t space = std::max(e.spaceAbove, below);
        page.rowTops.push_back(height + space);
        height += space + InfoRowHeight(e.rowKind);
        below = e.spaceBelow;
    }
    height += entries.empty() ? kInfoMarginBottom : std::max(entries.back().spaceBelow, kInfoMarginBottom);
    page.height = std::max(height, 64) - 5;
    return page;
}

int32_t InfoStripWidth(int32_t width, int32_t level, bool withLevelBox) {
    return level > 0 && withLevelBox ? width + kInfoLevelBoxWidth : width;
}

void InfoPagePosition(int32_t screenW, int32_t screenH, int32_t w, int32_t h, int32_t* x, int32_t* y) {
    *x = std::max(0, (screenW - w) / 2);
    int32_t top = (screenH - h) / 2 - 20;
    if (top < 20) top += 20;
    *y = std::max(0, top);
}

// ---------------------------------------------------------------- level window

std::vector<uint32_t> LevelWindowButtons(uint32_t mode, bool savedGame) {
    const bool cont = ContinueOffered(mode, savedGame);
    std::vector<uint32_t> buttons{kLevelWindowCancel};
    buttons.push_back(mode == kLevelWindowFromMenu || cont ? kLevelWindowRestart : kLevelWindowPlay);
    if (cont) buttons.push_back(kLevelWindowContinue);
    return buttons;
}

LevelWindowGo LevelWindowKey(uint32_t key, uint32_t mode, bool savedGame) {
    if (key == 27) return LevelWindowGo::Cancel;
    // Enter goes on with the saved game when there is one: starting afresh
    // would delete it without the restart button's confirmation.
    if (key == 13)
        return ContinueOffered(mode, savedGame) ? LevelWindowGo::Continue : LevelWindowGo::PlayAfresh;
    return LevelWindowGo::Nothing;
}

LevelWindowGo LevelWindowCommand(uint32_t command, uint32_t mode, bool savedGame) {
    switch (command) {
    case kLevelWindowCancel:
        return LevelWindowGo::Cancel;
    case kLevelWindowPlay:
        return LevelWindowGo::PlayAfresh;
    case kLevelWindowRestart:
        return ContinueOffered(mode, savedGame) ? LevelWindowGo::ConfirmRestart : LevelWindowGo::PlayAfresh;
    case kLevelWindowContinue:
        return LevelWindowGo::Continue;
    case kLevelWindowSelectBonuses:
        return LevelWindowGo::SelectBonuses;
    default:
        return LevelWindowGo::Nothing;
    }
}

std::vector<int32_t> MedalRowOffsets(uint32_t regime) {
    const int32_t rows = regime != 0 ? 3 : 2;
    const int32_t step = rows == 2 ? 40 : 32;
    std::vector<int32_t> ys;
    for (int32_t i = 0; i < rows; ++i)
        ys.push_back(53 - step * (rows - 1) / 2 + step * i);
    return ys;
}

std::vector<GoalColumn> GoalColumns(uint32_t count, int32_t windowWidth) {
    std::vector<GoalColumn> columns;
    const double part = double(windowWidth - 29) / double(std::max<uint32_t>(count, 1));
    for (uint32_t i = 0; i < count; ++i) {
        const int32_t left = int32_t(std::lround(part * i));
        const int32_t right = int32_t(std::lround(part * (i + 1)));
        columns.push_back({12 + left, right - left + 1});
    }
    return columns;
}

bool SameBonuses(const BonusSelection& a, const BonusSelection& b) {
    if (a.count != b.count || a.count > a.ids.size()) return false;
    return std::is_permutation(a.ids.begin(), a.ids.begin() + a.count, b.ids.begin());
}

int32_t TakeNewBonus(uint32_t* word0, bool tutorialOn) {
    const int32_t id = CheckedBonusId(int64_t(*word0 >> 24) - 1);
    *word0 &= 0x00FFFFFFu;
    return tutorialOn ? id : -1;
}

// ---------------------------------------------------------------- result reveal

namespace {
float Ramp(int64_t start, uint32_t duration, uint32_t now, float from, float to) {
    if (start < 0 || int64_t(now) <= start) return from;
    const float t = std::min(1.0f, float(int64_t(now) - start) / float(duration));
    return from + (to - from) * t;
}
} // namespace

void ResultReveal::Start(uint32_t now, uint32_t delay, bool newRecord) {
    newRecord_ = newRecord;
    int64_t d = int64_t(now) + delay;
    marks_ = {d + 800, d + 400, d}; // gold first
    d += 1200;
    if (newRecord) {
        record_ = d;
        d += 600;
    }
    before_ = medal_ = d;
    finished_ = replayed_ = false;
}

bool ResultReveal::Animating(uint32_t now) const {
    return medal_ >= 0 && int64_t(now) < medal_ + 200;
}

void ResultReveal::Finish(uint32_t now, bool final) {
    if (!Animating(now)) return;
    before_ = -1;
    if (final)
        medal_ = -2; // no effects: drawn as it stands
    else if (!replayed_) {
        medal_ = int64_t(now) + 250;
        replayed_ = true;
    }
    finished_ = true;
}

bool ResultReveal::MarkShown(int32_t column, uint32_t now) const {
    if (column < 0 || column > 2) return false;
    return finished_ || (marks_[size_t(column)] >= 0 && int64_t(now) >= marks_[size_t(column)]);
}

uint32_t ResultReveal::MarkFrame(int32_t column, uint32_t now, uint32_t frames) const {
    if (frames == 0 || !MarkShown(column, now)) return 0;
    if (finished_) return frames - 1;
    const uint32_t frame = uint32_t(int64_t(now) - marks_[size_t(column)]) / kMarkFrameMs;
    return std::min(frame, frames - 1);
}

float ResultReveal::RecordAlpha(uint32_t now) const {
    if (!newRecord_) return 1.0f;
    if (finished_) return 0.0f;
    return Ramp(record_, 200, now, 1.0f, 0.0f);
}

float ResultReveal::RecordScale(uint32_t now) const {
    return newRecord_ && !finished_ ? Ramp(record_, 200, now, 1.0f, 0.5f) : 1.0f;
}

bool ResultReveal::NewRecordShown(uint32_t now) const {
    return newRecord_ && (finished_ || int64_t(now) >= record_ + 200);
}

float ResultReveal::NewRecordScale(uint32_t now) const {
    return finished_ ? 1.0f : Ramp(record_ + 200, 200, now, 4.0f, 1.0f);
}

float ResultReveal::NewRecordAlpha(uint32_t now) const {
    return finished_ ? 1.0f : Ramp(record_ + 200, 100, now, 0.0f, 1.0f);
}

float ResultReveal::BeforeAlpha(uint32_t now) const {
    if (before_ < 0) return 0.0f;
    return Ramp(before_, 200, now, 1.0f, 0.0f);
}

bool ResultReveal::MedalShown(uint32_t now) const {
    return medal_ == -2 || (medal_ >= 0 && int64_t(now) >= medal_);
}

float ResultReveal::MedalScale(uint32_t now) const {
    return medal_ == -2 ? 1.0f : Ramp(medal_, 200, now, 8.0f, 1.0f);
}

float ResultReveal::MedalAlpha(uint32_t now) const {
    return medal_ == -2 ? 1.0f : Ramp(medal_, 100, now, 0.0f, 1.0f);
}
