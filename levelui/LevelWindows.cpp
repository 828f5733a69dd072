#include "levelui/LevelWindows.h"

#include "engine/Viewer.h"
#include "level/Bonuses.h"
#include "sprites/Sprite.h"

#include <algorithm>

namespace {

constexpr uint32_t kNameColour = 0xFF003C80;
constexpr uint32_t kBodyColour = 0xFF872900;
constexpr uint32_t kLabelColour = 0xFF5A3412;
constexpr int32_t kLabelFont = 3, kTimeFont = 4;
// The medal times are pale yellow: they stand on dark wood insets (the
// scroll track's piece), and a label beside them in light parchment.
constexpr int32_t kTimeInset = kSkinScrollTrack;
constexpr uint32_t kInsetLabelColour = 0xFFF8ECC8;
// The result window's time insets: their height, the margin round the clock
// and time, and the least room for the time.
constexpr int32_t kResultInsetHeight = 26, kResultInsetPad = 10, kResultInsetMinText = 64;

std::unique_ptr<SpriteInstance> MakeIcon(int32_t library, const char16_t* name, float scale) {
    Sprite* sprite = name && *name ? GetSprite(library, name) : nullptr;
    if (!sprite || !sprite->GetLibrary()) return nullptr;
    auto instance = sprite->GetLibrary()->CreateInstance(sprite, 0);
    if (!instance) return nullptr;
    instance->scaleX = instance->scaleY = scale;
    return instance;
}

void DrawInstance(DXLViewer& viewer, SpriteInstance& instance, float x, float y, float alpha) {
    const DXLMatrix saved = viewer.CurrentTransform();
    viewer.Translate(x, y);
    viewer.ApplyTransform();
    const uint32_t colour = instance.colour;
    instance.colour = ScaleAlpha(colour, alpha);
    instance.Draw(viewer);
    instance.colour = colour;
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}

// Draws an instance scaled around its centre (the reveal's grow and drop).
void DrawScaled(DXLViewer& viewer, SpriteInstance& instance, float scale, float alpha) {
    const float sx = instance.scaleX, sy = instance.scaleY;
    instance.scaleX = sx * scale, instance.scaleY = sy * scale;
    DrawInstance(viewer, instance, instance.position.x, instance.position.y, alpha);
    instance.scaleX = sx, instance.scaleY = sy;
}

std::u16string Field(const char16_t (&s)[32]) {
    return std::u16string(s, std::find(s, s + 32, u'\0'));
}

} // namespace

// ---------------------------------------------------------------- pause menu

MenuWindow::MenuWindow(WindowManager& manager, bool animate, MenuCallback callback,
                       const std::vector<uint32_t>& ids)
    : SpritesWindow(manager, kMenuWindowTag, false, true), callback_(std::move(callback)) {
    int32_t count = 0;
    for (uint32_t id : ids)
        if (MenuCommandKey(id)) ++count;
    AddBackground(2 * kMenuButtonX + kMenuButtonWidth + 16, MenuButtonY(count) + 8);
    AddCaptionFrame(kMenuButtonWidth);
    Show(0, animate);
    SetCaptionText(manager.Text(u"menu_window", u"caption"));
    for (uint32_t id : ids) {
        const char16_t* key = MenuCommandKey(id);
        if (!key) continue;
        buttons_.push_back(CreateListButton(this, &controls_, id, kMenuButtonX,
                                            MenuButtonY(int32_t(buttons_.size())), kMenuButtonWidth,
                                            manager.Text(u"menu_window", key)));
    }
    manager.menuWindow = this;
}

MenuWindow::~MenuWindow() {
    if (manager_.menuWindow == this) manager_.menuWindow = nullptr;
}

bool MenuWindow::OnKeyDown(uint32_t key, uint32_t flags) {
    if (key == kKeyEscape) {
        Close();
        return true;
    }
    return SpritesWindow::OnKeyDown(key, flags);
}

uint32_t MenuWindow::OnButtonClick(GameButton* button) {
    return callback_ ? callback_(button->Command()) : 0;
}

void MenuWindow::Close() {
    SpritesWindow::Close();
    if (manager_.menuWindow == this) manager_.menuWindow = nullptr;
}

// ---------------------------------------------------------------- information page

InfoWindow::InfoWindow(WindowManager& manager, std::vector<InfoEntry> entries, PassThrough passThrough,
                       RealClock realClock)
    : SpritesWindow(manager, kInfoWindowTag, false, false), entries_(std::move(entries)),
      passThrough_(std::move(passThrough)), realClock_(std::move(realClock)) {
    manager.infoWindow = this;
    layout_ = LayoutInfoPage(entries_);
    AddBackground(layout_.width, layout_.height);
    for (size_t i = 0; i < entries_.size(); ++i) {
        const InfoEntry& e = entries_[i];
        const int32_t top = layout_.rowTops[i];
        switch (e.rowKind) {
        case kInfoSeparator16:
        case kInfoSeparator4:
            content_.AddFrame(kSkinSeparator, kis::MakeRectWH(4, top, layout_.width - 8, 2));
            break;
        case kInfoPictureRow:
            if (auto picture = MakeIcon(9, e.picture, 1.0f))
                pictures_.emplace_back(
                    kis::Vector2{float(kInfoMarginLeft - 1 + e.pictureDx), float(top - 1 + e.pictureDy)},
                    std::move(picture));
            AddStrip(e, kInfoMarginLeft + 224, top, kInfoPictureStripWidth, false, 74);
            AddBody(kInfoMarginLeft + 240, top + 53, 372, 4, false, e);
            break;
        case kInfoLineRow: {
            AddStrip(e, kInfoMarginLeft, top, kInfoLineStripWidth, true, 70);
            const int32_t x = kInfoMarginLeft + 16 + kInfoLineStripWidth;
            AddBody(x, top + 24, layout_.width - x - 32 - kInfoMarginRight, 2, true, e);
            break;
        }
        default:
            break;
        }
    }
    realStart_ = realClock_ ? realClock_() : 0;
    gameStart_ = manager.Now();
    Show(kInfoShowDelay, true);
    if (realClock_ && Effects()) {
        realNow_ = gameStart_;
        Effects()->timeOverride = &realNow_;
    }
    close_ =
        controls_.Make<ImageButton>(kInfoCloseCommand, InfoCloseX(layout_.width), 2, kInfoCloseWidth, u"x");
}

InfoWindow::~InfoWindow() {
    if (manager_.infoWindow == this) manager_.infoWindow = nullptr;
}

void InfoWindow::AddStrip(const InfoEntry& e, int32_t x, int32_t y, int32_t width, bool levelBox,
                          int32_t nameX) {
    // Only own-text strips: plants, buildings and bonuses need the farm's
    // tables, which the level passes in its entries' names.
    if (e.objectKind != kInfoOwnText) return;
    const int32_t w = InfoStripWidth(width, 0, levelBox);
    content_.AddFrame(kSkinEditField, kis::MakeRectWH(x, y, w, 48));
    if (auto icon = MakeIcon(1, e.icon, 0.5f)) {
        icon->originX = icon->originY = 0.5f;
        icons_.emplace_back(kis::Vector2{float(x + 28), float(y + 24)}, std::move(icon));
    }
    Text t{float(x + nameX), 0, kNameColour, {}};
    t.text.Set(4, manager_.Text(u"info_panel", Field(e.name).c_str()));
    t.y = float(y + 24 - t.text.Height() / 2);
    texts_.push_back(std::move(t));
}

void InfoWindow::AddBody(int32_t x, int32_t y, int32_t width, int32_t lines, bool centred,
                         const InfoEntry& e) {
    const std::u16string key = Field(e.bodyKey);
    if (key.empty()) return;
    content_.AddTextLines(3, manager_.Text(u"info_panel", key.c_str()),
                          kis::MakeRectWH(x, centred ? y - (lines * 23) / 2 : y, width, lines * 23),
                          kBodyColour, false);
}

void InfoWindow::GetCenteredPosition(int32_t* x, int32_t* y) const {
    InfoPagePosition(manager_.ScreenWidth(), manager_.ScreenHeight(), rect.right - rect.left,
                     rect.bottom - rect.top, x, y);
}

bool InfoWindow::HitTest(int32_t x, int32_t y) const {
    // Everything but the level's own buttons: a click anywhere closes the page.
    int32_t sx = x, sy = y;
    LocalToScreen(&sx, &sy);
    return !(passThrough_ && passThrough_(sx, sy));
}

bool InfoWindow::OnMouseDown(int32_t x, int32_t y, uint32_t button) {
    // A press anywhere arms the close on release (a drag moves the page).
    pressed_ = true;
    SpritesWindow::OnMouseDown(x, y, button);
    return true;
}

bool InfoWindow::OnMouseUp(int32_t x, int32_t y, uint32_t button) {
    SpritesWindow::OnMouseUp(x, y, button);
    if (pressed_ && !closing) Close();
    pressed_ = false;
    return true;
}

bool InfoWindow::OnKeyDown(uint32_t key, uint32_t flags) {
    if (key == kKeyReturn) {
        Close();
        return true;
    }
    return SpritesWindow::OnKeyDown(key, flags);
}

uint32_t InfoWindow::OnButtonClick(GameButton* button) {
    if (button->Command() != kInfoCloseCommand) return 0;
    Close();
    return kClickResetLook;
}

void InfoWindow::Draw(DXLViewer& viewer) {
    // The slide-in runs on real time: the game clock may stand while the
    // page opens at the level's start.
    if (realClock_) realNow_ = gameStart_ + (realClock_() - realStart_);
    SpritesWindow::Draw(viewer);
}

void InfoWindow::DrawChildren(DXLViewer& viewer) {
    const float alpha = EffectAlpha();
    for (auto& [at, picture] : pictures_)
        DrawInstance(viewer, *picture, at.x, at.y, alpha);
    content_.Draw(viewer, alpha);
    for (auto& [at, icon] : icons_)
        DrawInstance(viewer, *icon, at.x, at.y, alpha);
    for (Text& t : texts_)
        t.text.Draw(viewer, t.x, t.y, ScaleAlpha(t.colour, alpha));
    SpritesWindow::DrawChildren(viewer);
}

// ---------------------------------------------------------------- level window

namespace {
constexpr int32_t kGoalsHeight = 150; // the goal buttons from 38 px down, 105 px high
constexpr int32_t kBonusAreaHeight = 146;
// A bonus slot's place in the bonus area, and the step to the next one.
constexpr int32_t kBonusSlotWidth = 63, kBonusSlotHeight = 134, kBonusSlotStep = 64;
constexpr const char16_t* kMedalSprites[3] = {u"gold_small", u"silver_small", u"bronze_small"};
} // namespace

LevelWindow::LevelWindow(WindowManager& manager, uint32_t level, uint32_t mode, LevelWindowCallback callback,
                         LevelWindowsHost host, const char16_t* playKey, const char16_t* cancelKey)
    : SpritesWindow(manager, kLevelWindowTag, false, true), level_(level), mode_(mode),
      callback_(std::move(callback)), host_(std::move(host)) {
    manager.levelWindow = this;
    Profile* profile = host_.profile;
    RegimeProgress* progress = nullptr;
    if (profile) {
        regime_ = profile->Regime() != 0 ? 1 : 0;
        progress = &profile->MutableRecord().results.regimes[regime_];
        owned_ = profile->ListBonuses(nullptr);
        // Ids outside the six bonuses show as none.
        selection_.count = std::min<uint32_t>(progress->chosenCount, 3);
        for (uint32_t i = 0; i < 3; ++i)
            selection_.ids[i] = CheckedBonusId(progress->chosen[i]);
    }
    if (host_.regimeBlock) host_.regimeBlock(level, regime_, &block_);
    continue_ = ContinueOffered(mode, host_.hasSavedGame && host_.hasSavedGame(level));

    // Caption, goals area, medal strip and the bonus area below it.
    const int32_t top = 8 + kCaptionHeight + 12;
    stripTop_ = top + kGoalsHeight;
    const int32_t bonusTop = stripTop_ + kMedalStripHeight + 5;
    const int32_t height = (owned_ > 0 ? bonusTop + kBonusAreaHeight : stripTop_ + kMedalStripHeight) + 16 +
                           kButtonHeight + kBottomRowMargin;
    AddBackground(kLevelWindowWidth, height);
    AddCaptionFrame(kLevelWindowWidth - 120);
    sprites_.AddFrame(kSkinEditField, kis::MakeRectWH(12, top, kLevelWindowWidth - 24, kGoalsHeight - 4));
    const int32_t split = kLevelWindowWidth / 2 + 30;
    sprites_.AddFrame(kTimeInset, kis::MakeRectWH(12, stripTop_, split - 12, kMedalStripHeight));
    sprites_.AddFrame(kTimeInset,
                      kis::MakeRectWH(split, stripTop_, kLevelWindowWidth - 12 - split, kMedalStripHeight));
    sprites_.AddFrame(kSkinFrame, kis::MakeRectWH(20, stripTop_ + 12, 82, 82));
    if (owned_ > 0) {
        const int32_t w = owned_ > 3 ? 437 : 204;
        bonusX_ = (kLevelWindowWidth - w) / 2, bonusY_ = bonusTop;
        sprites_.AddFrame(kSkinEditField, kis::MakeRectWH(bonusX_, bonusY_, w, kBonusAreaHeight));
    }
    contentTop = top;
    Show(0, true);

    // The best grade's medal, the medal times and the record.
    const LevelProgress best =
        progress && level < kProfileLevelCount ? progress->levels[level] : LevelProgress{};
    medal_ = MakeMedalIcon(int32_t(best.status), 19.0f, float(stripTop_ + 11));
    for (int32_t y : MedalRowOffsets(regime_))
        rowYs_.push_back(stripTop_ + y);
    for (size_t i = 0; i + 1 < rowYs_.size(); ++i)
        sprites_.AddFrame(kSkinSeparator, kis::MakeRectWH(113, (rowYs_[i] + rowYs_[i + 1]) / 2, 200, 2));
    const uint32_t limits[3] = {block_.goldMs, block_.silverMs, block_.bronzeMs};
    rows_.resize(rowYs_.size());
    for (size_t i = 0; i < rows_.size(); ++i)
        MakeRow(rows_[i], kMedalSprites[i], limits[i], 212.0f, float(rowYs_[i]), true);
    recordText_.Set(kLabelFont, manager.Text(u"level_window", u"record"));
    MakeRow(record_, u"small_ico_clock", best.bestMs, 458.0f, float(stripTop_ + 73), true);

    // The bottom row.
    for (uint32_t command : LevelWindowButtons(mode, continue_ ? true : false)) {
        const char16_t* key = command == kLevelWindowCancel    ? (cancelKey ? cancelKey : u"cancel")
                              : command == kLevelWindowPlay    ? (playKey ? playKey : u"play")
                              : command == kLevelWindowRestart ? (playKey ? playKey : u"restart")
                                                               : u"continue";
        AddBottomButton(command, manager.Text(u"level_window", key));
    }

    // Goals.
    tasksText_.Set(kLabelFont, manager.Text(u"level_window", u"tasks_caption"));
    goals_ = GoalColumns(std::min<uint32_t>(block_.goalCount, kMaxLevelGoals));
    const int32_t sites = host_.garbageSites ? host_.garbageSites(level) : 0;
    for (size_t i = 0; i < goals_.size(); ++i) {
        const GoalRecord& goal = block_.goals[i];
        goalButtons_.push_back(MakeLevelWindowGoal(
            this, &controls_, uint32_t(i), goal, goals_[i].x, top + kGoalTopOffset, goals_[i].width,
            goal.kind == kGoalGarbageSites ? sites : 0, host_.goalIcon ? host_.goalIcon(goal) : nullptr));
    }

    // Bonus slots and the select button.
    if (owned_ > 0) {
        // The slots' places take clicks as buttons (the window ignores their
        // command); the tutorials find a slot by its bonus.
        static constexpr int32_t kNoLook[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
        for (size_t i = 0; i < slotButtons_.size(); ++i) {
            slotButtons_[i] = controls_.Make<ImageButton>(kLevelWindowBonusSlot, kNoLook, u"", nullptr);
            slotButtons_[i]->rect = kis::MakeRectWH(bonusX_ + 6 + int32_t(i) * kBonusSlotStep, bonusY_ + 6,
                                                    kBonusSlotWidth, kBonusSlotHeight);
        }
        ShowBonuses();
        if (owned_ > 3) {
            select_ = controls_.Make<ImageButton>(kLevelWindowSelectBonuses, bonusX_ + 262, bonusY_ + 7, 166,
                                                  manager.Text(u"level_window", u"select_bonuses"));
            if (profile && !(profile->Record().flags & 4)) {
                profile->MutableRecord().flags |= 4;
                if (host_.saveProfiles) host_.saveProfiles();
                selectionHint_ = profile->Record().results.tutorial != 0;
            }
        }
    }
    // The newly earned bonus mark is used up by the first level window.
    if (progress && (progress->newBonus >> 24) != 0) {
        newBonus_ = TakeNewBonus(&progress->newBonus, profile->Record().results.tutorial != 0);
        if (host_.saveProfiles) host_.saveProfiles();
    }
    SetCaptionText(host_.title ? host_.title(level) : std::u16string());
}

LevelWindow::~LevelWindow() {
    if (manager_.levelWindow == this) manager_.levelWindow = nullptr;
}

void LevelWindow::MakeRow(TimeRow& row, const char16_t* sprite, uint32_t ms, float x, float y, bool centre) {
    row.icon = MakeIcon(1, sprite, 0.5f);
    if (row.icon) row.icon->originY = 0.5f;
    row.text.Set(kTimeFont, FormatTimeRow(ms));
    row.colour = ms ? kLevelWindowTimeColour : kLevelWindowNoTimeColour;
    row.x = centre ? x - float(row.text.Width() + 27) / 2.0f + 10.0f : x;
    row.y = y;
}

void LevelWindow::DrawRow(DXLViewer& viewer, TimeRow& row) {
    const float alpha = EffectAlpha();
    if (row.icon) DrawInstance(viewer, *row.icon, row.x, row.y, alpha);
    row.text.Draw(viewer, row.x + 16.0f, row.y - float(row.text.Height()) / 2.0f,
                  ScaleAlpha(row.colour, alpha));
}

std::array<int32_t, 3> LevelWindow::ShownBonuses() const {
    return slotIds_;
}

void LevelWindow::ShowBonuses() {
    if (owned_ <= 0) return;
    for (uint32_t i = 0; i < 3; ++i) {
        const int32_t id = i < selection_.count ? selection_.ids[i] : -1;
        if (id == slotIds_[i] && (id < 0 || slots_[i])) continue;
        slotIds_[i] = id;
        slots_[i].reset();
        if (slotButtons_[i]) slotButtons_[i]->userData = BonusSlotData(id);
        Sprite* icon = id >= 0 && host_.bonusIcon ? host_.bonusIcon(id) : nullptr;
        if (icon && icon->GetLibrary()) slots_[i] = icon->GetLibrary()->CreateInstance(icon, 0);
    }
}

bool LevelWindow::OnKeyDown(uint32_t key, uint32_t flags) {
    switch (LevelWindowKey(key, mode_, continue_)) {
    case LevelWindowGo::Cancel:
        if (callback_) callback_(0, level_, 0);
        return true;
    case LevelWindowGo::PlayAfresh:
        Play(1);
        return true;
    case LevelWindowGo::Continue:
        Play(0);
        return true;
    default:
        return SpritesWindow::OnKeyDown(key, flags);
    }
}

uint32_t LevelWindow::OnButtonClick(GameButton* button) {
    switch (LevelWindowCommand(button->Command(), mode_, continue_)) {
    case LevelWindowGo::Cancel:
        if (callback_) callback_(0, level_, 0);
        return kClickResetLook;
    case LevelWindowGo::PlayAfresh:
        Play(1);
        return kClickResetLook;
    case LevelWindowGo::Continue:
        Play(0);
        return kClickResetLook;
    case LevelWindowGo::ConfirmRestart:
        // Starting afresh throws the saved game away: the player says so first.
        manager_.Open<DialogWindow>(DialogParams::Make(kDialogYes, kDialogNo, nullptr, nullptr), u"restart_c",
                                    u"restart", &LevelWindow::OnRestartConfirmed,
                                    reinterpret_cast<uintptr_t>(&manager_), 0);
        return kClickResetLook;
    case LevelWindowGo::SelectBonuses:
        if (host_.selectBonuses) {
            // The answer reaches the open level window through the manager:
            // the window the choice began in may have gone by then.
            WindowManager* manager = &manager_;
            host_.selectBonuses(selection_, [manager](const BonusPick& chosen) {
                if (auto* window = static_cast<LevelWindow*>(manager->levelWindow)) {
                    window->Selection() = chosen;
                    window->ShowBonuses();
                }
            });
        }
        return kClickResetLook;
    default:
        return 0;
    }
}

// The answer may come after this window has gone: it reaches the open level
// window through the manager, when there is one.
uint32_t LevelWindow::OnRestartConfirmed(uintptr_t manager, uintptr_t, uint32_t command) {
    auto* windows = reinterpret_cast<WindowManager*>(manager);
    if ((command == kDialogOk || command == kDialogYes) && windows->levelWindow)
        static_cast<LevelWindow*>(windows->levelWindow)->Play(1);
    return 1;
}

void LevelWindow::Play(uint32_t restart) {
    if (Profile* profile = host_.profile; profile && level_ < kProfileLevelCount) {
        LevelProgress& p = profile->MutableRecord().results.regimes[regime_].levels[level_];
        if (p.status < 2) p.status = 2; // the level counts as opened
    }
    StoreBonusSelection();
    if (callback_) callback_(1, level_, restart);
}

bool LevelWindow::StoreBonusSelection() {
    Profile* profile = host_.profile;
    if (!profile) return false;
    RegimeProgress& progress = profile->MutableRecord().results.regimes[regime_];
    BonusPick stored;
    stored.count = std::min<uint32_t>(progress.chosenCount, 3);
    for (uint32_t i = 0; i < 3; ++i)
        stored.ids[i] = CheckedBonusId(progress.chosen[i]);
    if (SameBonuses(stored, selection_)) return false;
    progress.chosenCount = selection_.count;
    for (uint32_t i = 0; i < 3; ++i)
        progress.chosen[i] = selection_.ids[i];
    if (host_.saveProfiles) host_.saveProfiles();
    return true;
}

void LevelWindow::DrawChildren(DXLViewer& viewer) {
    SpritesWindow::DrawChildren(viewer);
    const float alpha = EffectAlpha();
    if (medal_) DrawInstance(viewer, *medal_, medal_->position.x, medal_->position.y, alpha);
    for (TimeRow& row : rows_)
        DrawRow(viewer, row);
    // The bonus slots side by side from the area's corner, each 1 px after the previous one.
    float x = float(bonusX_ + 6);
    for (auto& slot : slots_) {
        if (slot) DrawInstance(viewer, *slot, x, float(bonusY_ + 6), alpha);
        x += float(kBonusSlotStep);
    }
    DrawRow(viewer, record_);
    recordText_.Draw(viewer, 458.0f - float(recordText_.Width()) / 2.0f,
                     float(stripTop_ + 33) - float(recordText_.Height()) / 2.0f,
                     ScaleAlpha(kInsetLabelColour, alpha));
    tasksText_.Draw(viewer, float(kLevelWindowWidth - tasksText_.Width()) / 2.0f,
                    float(contentTop + 21) - float(tasksText_.Height()) / 2.0f,
                    ScaleAlpha(kLabelColour, alpha));
}

// ---------------------------------------------------------------- result window

LevelResultWindow::LevelResultWindow(WindowManager& manager, const LevelResult& result, LevelWindowsHost host)
    : SpritesWindow(manager, kResultWindowTag, false, true), result_(result), host_(std::move(host)) {
    manager.levelResultWindow = this;
    const int32_t top = 8 + kCaptionHeight + 12 - 2;
    const int32_t lower = top + 91;
    AddBackground(kResultWidth, lower + 110 + kButtonHeight + kBottomRowMargin);
    AddCaptionFrame(kResultWidth - 120);
    contentTop = top;
    sprites_.AddFrame(kTimeInset, kis::MakeRectWH(0, top, kResultWidth, 91));
    // The easy regime has no bronze column: a wooden plate (the caption's
    // plank) fills its place in the band.
    if (result.regime == 0) sprites_.AddFrame(kSkinCaption, kis::MakeRectWH(12, top + 5, 160, 83));
    sprites_.AddFrame(kSkinFrame, kis::MakeRectWH(18, lower + 10, 82, 82));
    sprites_.AddFrame(kSkinSeparator, kis::MakeRectWH(111, lower + 49, kResultWidth - 139, 2));

    clock_ = MakeIcon(1, u"small_ico_clock", 0.5f);
    if (clock_) clock_->originY = 0.5f;
    progress_ = MakeResultProgress(int32_t(result.regime), result.limits, (kResultWidth - 453) / 2, top + 73,
                                   result.timeMs);
    const float rowX = float((kResultWidth - 127) / 2 + 105);
    MakeRow(yourTime_, u"your_time", result.timeMs, rowX, float(top + 121));
    for (int32_t i = 0; i < 3; ++i) {
        if (!ResultColumnShown(i, result.regime)) continue;
        const float x = float(ResultColumnX(i)), y = float(top + kResultColumnTop);
        MakeRow(columns_[size_t(i)], nullptr, result.limits[i], x, y);
        const bool tick = ResultColumnTicked(i, result.grade);
        marks_[size_t(i)] = MakeIcon(1, tick ? u"green_check_big" : u"red_cross_big", 1.0f);
        if (SpriteInstance* mark = marks_[size_t(i)].get()) {
            kis::Rect r{0, 0, 0, 0};
            mark->definition->GetFrameRect(0, &r);
            const float w = float(std::max(1, r.right - r.left)), h = float(std::max(1, r.bottom - r.top));
            mark->scaleX = (tick ? 38.0f : 31.0f) / w;
            mark->scaleY = (tick ? 60.0f : 41.0f) / h;
            mark->position =
                tick ? kis::Vector2{x + 53.0f, y + 12.0f - 60.0f} : kis::Vector2{x + 51.0f, y - 8.0f - 41.0f};
        }
    }
    MakeRow(record_, u"record", result.bestBefore, rowX, float(top + 166));
    MakeRow(newRecord_, u"new_record", result.timeMs, rowX, float(top + 166));
    // The pale times stand on dark insets, as the medal times do, from the
    // clock to a little past the widest time.
    const int32_t timesWidth = std::max(
        {yourTime_.time.Width(), record_.time.Width(), newRecord_.time.Width(), kResultInsetMinText});
    for (const Row* row : {&yourTime_, &record_}) {
        const int32_t left = int32_t(row->x) + 24 - kResultInsetPad;
        sprites_.AddFrame(kTimeInset, kis::MakeRectWH(left, int32_t(row->y) - kResultInsetHeight / 2,
                                                      kResultInsetPad + 16 + timesWidth + kResultInsetPad,
                                                      kResultInsetHeight));
    }
    Show(0, true);
    medal_ = MakeMedalIcon(int32_t(result.grade), 17.0f, float(lower + 9));
    before_ = MakeMedalIcon(2, 17.0f, float(lower + 9));
    SetCaptionText(manager.Text(u"level_result_window", u"caption"));
    AddBottomButton(kResultWindowOk, manager.Text(u"level_result_window", u"ok"));
    StartReveal(1000);
}

LevelResultWindow::~LevelResultWindow() {
    if (manager_.levelResultWindow == this) manager_.levelResultWindow = nullptr;
}

void LevelResultWindow::MakeRow(Row& row, const char16_t* key, uint32_t ms, float x, float y) {
    if (key) row.label.Set(kLabelFont, manager_.Text(u"level_result_window", key));
    row.time.Set(kTimeFont, FormatTimeRow(ms));
    row.colour = ms ? kResultTimeColour : kResultNoTimeColour;
    row.x = x, row.y = y;
}

void LevelResultWindow::DrawRow(DXLViewer& viewer, Row& row, float alpha, float scale) {
    // A labelled row: the label right-aligned 8 px before the origin, the time row 24 px after it.
    const float origin = row.label.Text().empty() ? row.x : row.x + 24.0f;
    if (!row.label.Text().empty())
        row.label.Draw(viewer, row.x - 8.0f - float(row.label.Width()) * scale,
                       row.y - float(row.label.Height()) / 2.0f, ScaleAlpha(kLabelColour, alpha));
    if (clock_) DrawInstance(viewer, *clock_, origin, row.y, alpha);
    row.time.Draw(viewer, origin + 16.0f, row.y - float(row.time.Height()) / 2.0f,
                  ScaleAlpha(row.colour, alpha));
}

void LevelResultWindow::StartReveal(uint32_t delay) {
    reveal_.Start(manager_.Now(), delay, (result_.flags & kResultNewBest) != 0);
}

void LevelResultWindow::FinishReveal(bool final) {
    reveal_.Finish(manager_.Now(), final);
}

bool LevelResultWindow::OnMouseDown(int32_t x, int32_t y, uint32_t button) {
    const bool taken = SpritesWindow::OnMouseDown(x, y, button);
    if (button == 1) FinishReveal(false);
    return taken;
}

bool LevelResultWindow::OnMouseDblClick(int32_t x, int32_t y) {
    const bool taken = SpritesWindow::OnMouseDblClick(x, y);
    FinishReveal(false);
    return taken;
}

bool LevelResultWindow::OnKeyDown(uint32_t key, uint32_t flags) {
    if (key == kKeyEscape || key == kKeyReturn) {
        FinishReveal(true);
        if (!left_ && host_.leaveLevel) {
            left_ = true;
            host_.leaveLevel();
        }
        return true;
    }
    return SpritesWindow::OnKeyDown(key, flags);
}

uint32_t LevelResultWindow::OnButtonClick(GameButton* button) {
    if (button->Command() != kResultWindowOk) return 0;
    FinishReveal(true);
    if (!left_ && host_.leaveLevel) {
        left_ = true;
        host_.leaveLevel();
    }
    return kClickResetLook;
}

void LevelResultWindow::DrawChildren(DXLViewer& viewer) {
    SpritesWindow::DrawChildren(viewer);
    const uint32_t now = manager_.Now();
    const float alpha = EffectAlpha();
    if (progress_) DrawProgressLine(*progress_, viewer);
    if (before_ && reveal_.BeforeAlpha(now) > 0.0f)
        DrawScaled(viewer, *before_, 1.0f, alpha * reveal_.BeforeAlpha(now));
    if (medal_ && reveal_.MedalShown(now))
        DrawScaled(viewer, *medal_, reveal_.MedalScale(now), alpha * reveal_.MedalAlpha(now));
    for (int32_t i = 0; i < 3; ++i) {
        if (!ResultColumnShown(i, result_.regime)) continue;
        DrawRow(viewer, columns_[size_t(i)], alpha, 1.0f);
        SpriteInstance* mark = marks_[size_t(i)].get();
        if (mark && reveal_.MarkShown(i, now)) {
            mark->frame = int32_t(reveal_.MarkFrame(i, now, uint32_t(mark->definition->GetFrameCount())));
            DrawInstance(viewer, *mark, mark->position.x, mark->position.y, alpha);
        }
    }
    DrawRow(viewer, yourTime_, alpha, 1.0f);
    if (reveal_.RecordAlpha(now) > 0.0f) DrawRow(viewer, record_, alpha * reveal_.RecordAlpha(now), 1.0f);
    if (reveal_.NewRecordShown(now)) DrawRow(viewer, newRecord_, alpha * reveal_.NewRecordAlpha(now), 1.0f);
}
