#include "levelui/LevelWindows.h"

#include "engine/Viewer.h"
#include "farm/Buildings.h"
#include "farm/FarmData.h"
#include "farm/FarmResources.h"
#include "farm/Plants.h"
#include "foundation/NumberText.h"
#include "gui/ProgressLine.h"
#include "gui/Regime.h"
#include "level/Bonuses.h"
#include "level/LevelData.h"
#include "levelui/InstanceDrawing.h"
#include "levelui/PanelLayout.h"
#include "sprites/Sprite.h"
#include "text/FontSlots.h"
#include "text/KGEFont.h"
#include "text/Language.h"
#include "text/TextLayout.h"

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
// A result row's 16-px clock is centred on the row's origin, so that it ends
// 8 px before the time.
constexpr int32_t kResultClockHalf = 8;

std::unique_ptr<SpriteInstance> MakeIcon(int32_t library, const char16_t* name, float scale) {
    Sprite* sprite = name && *name ? GetSprite(library, name) : nullptr;
    if (!sprite || !sprite->GetLibrary()) return nullptr;
    auto instance = sprite->GetLibrary()->CreateInstance(sprite, 0);
    if (!instance) return nullptr;
    instance->scaleX = instance->scaleY = scale;
    return instance;
}

// Draws the instance in its own colour faded by the alpha, which it keeps.
void DrawInstance(DXLViewer& viewer, SpriteInstance& instance, float x, float y, float alpha) {
    const uint32_t colour = instance.colour;
    DrawInstanceAt(viewer, instance, x, y, ScaleAlpha(colour, alpha));
    instance.colour = colour;
}

// Draws an instance with the middle of its picture at (x, y), whatever its own origin.
void DrawCentred(DXLViewer& viewer, SpriteInstance& instance, float x, float y, float alpha) {
    const DXLRectF picture = PictureBounds(instance);
    const float ox = instance.originX, oy = instance.originY;
    instance.originX = instance.originY = 0.0f;
    DrawInstance(viewer, instance, x - instance.scaleX * (picture.left + picture.right) / 2.0f,
                 y - instance.scaleY * (picture.top + picture.bottom) / 2.0f, alpha);
    instance.originX = ox, instance.originY = oy;
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
    : SpritesWindow(manager, kMenuWindowTag, {.modal = true}), callback_(std::move(callback)) {
    int32_t count = 0;
    for (uint32_t id : ids)
        if (MenuCommandKey(id)) ++count;
    // The buttons stand in the middle, as far from either side.
    AddBackground(2 * kMenuButtonX + kMenuButtonWidth, MenuButtonY(count) + 8);
    AddCaptionFrame(kMenuButtonWidth);
    Show(0, animate);
    SetCaptionText(manager.Text(u"menu_window", u"caption"));
    for (uint32_t id : ids) {
        const char16_t* key = MenuCommandKey(id);
        if (!key) continue;
        buttons_.push_back(CreateListButton(this, &controls_, id, kMenuButtonX,
                                            MenuButtonY(int32_t(buttons_.size())), kMenuButtonWidth,
                                            manager.Text(u"menu_window", key)));
        buttons_.back()->SetTextLayout(kButtonFont, 1, 0, 0); // the labels centred too
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

void MenuWindow::GetCenteredPosition(int32_t* x, int32_t* y) const {
    SpritesWindow::GetCenteredPosition(x, y);
    const int32_t top = kMoneyStripHeight + kBelowMoneyStrip;
    if (*y < top && top + (rect.bottom - rect.top) <= manager_.ScreenHeight()) *y = top;
}

// ---------------------------------------------------------------- information page

namespace {
constexpr uint32_t kInfoNameOutline = 0xFFFFE29C;
constexpr float kInfoNameOutlineWidth = 2.0f;
constexpr uint32_t kInfoBodyShadow = 0x80FFF7DD;
constexpr int32_t kInfoLinePitch = 23;
constexpr int32_t kInfoStripHeight = 48;
constexpr int32_t kInfoNameFont = 4, kInfoBodyFont = 3;
// The close button's three looks (normal, hover, pressed) one under another in the second frame of "info".
constexpr int32_t kInfoCloseFrame = 1;
constexpr int32_t kInfoCloseLooks[8] = {-1, 0, 1, 2, -1, 0, 0, 0};

const char16_t* IndexedText(const WindowManager& manager, const char16_t* group, const char16_t* key) {
    if (const DXLLanguage* language = manager.Language())
        if (const char16_t* text = language->GetIndexedText(group, key, 0, true)) return text;
    return key;
}
} // namespace

bool DescribeInfoObject(const WindowManager& manager, const InfoEntry& entry, InfoObject* out) {
    const std::u16string name = Field(entry.name);
    *out = {};
    switch (entry.objectKind) {
    case kInfoOwnText: {
        const std::u16string icon = Field(entry.icon);
        out->icon = icon.empty() ? nullptr : GetSprite(1, icon.c_str());
        out->name = manager.Text(u"info_panel", name.c_str());
        return true;
    }
    case kInfoPlant: {
        const FarmData* farm = GameFarmData();
        const PLANT* plant = farm ? farm->plants.FindPlantByName(name.c_str()) : nullptr;
        if (!plant || plant->highestStage < 1) return false;
        out->icon = plant->icon ? plant->icon : GetSprite(kIconLibrary, plant->record.iconName);
        out->name = IndexedText(manager, u"plants", plant->record.label);
        out->level = plant->highestStage;
        return true;
    }
    case kInfoBuilding: {
        const FarmData* farm = GameFarmData();
        const BUILDING* type = farm ? farm->buildings.FindBuildingByName(name.c_str()) : nullptr;
        if (!type || type->highestLevel < 1) return false;
        const BuildingLevel& first = type->levels[0];
        out->icon = first.icon ? first.icon : GetSprite(kIconLibrary, first.record.iconName);
        out->name = IndexedText(manager, u"buildings", type->header.label);
        out->level = type->highestLevel;
        return true;
    }
    case kInfoBonus: {
        const Bonuses& bonuses = GameBonuses();
        const BONUS* bonus = bonuses.FindByName(name.c_str());
        if (!bonus) return false;
        out->icon = bonuses.Icon(int32_t(bonus->id));
        if (!out->icon) out->icon = GetSprite(kBonusIconLibrary, bonus->name);
        out->frame = kBonusIconReadyFrame;
        out->name = manager.Text(u"bonuses", bonus->title);
        return true;
    }
    default:
        return false;
    }
}

kis::Vector2 InfoWindow::Text::Corner() {
    float height = float(text.Height());
    if (heightLimit > 0) height = std::min(height, float(heightLimit));
    return {centreX ? x - float(text.Width()) / 2.0f : x, centreY ? y - height / 2.0f : y};
}

InfoWindow::InfoWindow(WindowManager& manager, std::vector<InfoEntry> entries, PassThrough passThrough,
                       RealClock realClock, InfoObjectSource objects)
    : SpritesWindow(manager, kInfoWindowTag, {}), entries_(std::move(entries)), objects_(std::move(objects)),
      passThrough_(std::move(passThrough)), realClock_(std::move(realClock)) {
    manager.infoWindow = this;
    if (!objects_)
        objects_ = [&manager](const InfoEntry& e, InfoObject* out) {
            return DescribeInfoObject(manager, e, out);
        };
    layout_ = LayoutInfoPage(entries_);
    // The page's frame is the information sheet's panel over the whole window.
    rect = kis::MakeRectWH(rect.left, rect.top, layout_.width, layout_.height);
    contentTop = kInfoMarginTop;
    InitInfoPanel(&frame_, 0, 0, layout_.width, layout_.height);
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
            // The body begins after the strip as built: a level box widens it.
            const int32_t strip = AddStrip(e, kInfoMarginLeft, top, kInfoLineStripWidth, true, 70);
            const int32_t x = kInfoMarginLeft + 16 + strip;
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
    // The close button: three looks of the "info" sheet, 26 x 27.
    close_ = controls_.Make<ImageButton>(kInfoCloseCommand, kInfoCloseLooks, u"", nullptr);
    kis::Rect frame{0, 0, kInfoCloseWidth, 3 * kInfoCloseHeight};
    Sprite* sheet = GetInfoSpriteGroup();
    if (sheet && sheet->GetFrameRect(kInfoCloseFrame, &frame))
        frame = kis::MakeRectWH(frame.left, frame.top, kInfoCloseWidth, 3 * kInfoCloseHeight);
    else
        sheet = nullptr;
    close_->SetImageQuad(sheet, frame, kInfoCloseHeight);
    close_->SetPosition(InfoCloseX(layout_.width), 2);
}

InfoWindow::~InfoWindow() {
    if (manager_.infoWindow == this) manager_.infoWindow = nullptr;
}

void InfoWindow::AddName(const std::u16string& text, float x, float middle) {
    Text t{x, middle, kNameColour, {}};
    t.text.Set(kInfoNameFont, text);
    t.text.SetOutline(kInfoNameOutlineWidth, kInfoNameOutline);
    t.centreY = true;
    texts_.push_back(std::move(t));
}

int32_t InfoWindow::AddStrip(const InfoEntry& e, int32_t x, int32_t y, int32_t width, bool levelBox,
                             int32_t nameX) {
    InfoObject object;
    if (!objects_(e, &object)) return width; // the row keeps its space
    const int32_t w = InfoStripWidth(width, object.level, levelBox);
    const bool box = w != width;
    content_.AddFrame(kSkinEditField, kis::MakeRectWH(x, y, w, kInfoStripHeight));
    // The icon plays its sprite's own frame sequence when it has one.
    if (object.icon && object.icon->GetLibrary())
        if (auto icon = object.icon->GetLibrary()->CreateInstance(object.icon, 1)) {
            icon->scaleX = icon->scaleY = 0.5f;
            if (object.frame > 0) icon->frame = std::min(object.frame, object.icon->GetFrameCount() - 1);
            icons_.emplace_back(kis::Vector2{float(x + 28), float(y + kInfoStripHeight / 2)},
                                std::move(icon));
        }
    AddName(object.name, float(x + nameX), float(y + kInfoStripHeight / 2));
    if (box) {
        // The level box: a divider, then "level N" centred in the last 70 px, 6 px left of the middle.
        const int32_t left = x + w - kInfoLevelBoxWidth;
        content_.AddFrame(kSkinSeparator, kis::MakeRectWH(left, y + 8, 2, kInfoStripHeight - 16));
        AddName(std::u16string(manager_.Text(u"info_panel", u"level")) + u" " +
                    kis::DecimalText(object.level),
                float(left + kInfoLevelBoxWidth / 2 - 6), float(y + kInfoStripHeight / 2));
        texts_.back().centreX = true;
    }
    strips_.push_back({kis::MakeRectWH(x, y, w, kInfoStripHeight), box ? object.level : 0});
    return w;
}

void InfoWindow::AddBody(int32_t x, int32_t y, int32_t width, int32_t lines, bool centred,
                         const InfoEntry& e) {
    const std::u16string key = Field(e.bodyKey);
    if (key.empty()) return;
    Text t{float(x), float(y), kBodyColour, {}};
    t.text.Set(kInfoBodyFont, manager_.Text(u"info_panel", key.c_str()), kTextWrap, width);
    t.text.SetShadow(1, 1, kInfoBodyShadow);
    t.text.SetLinePitch(kInfoLinePitch);
    const KGEFont* font = GetFont(kInfoBodyFont);
    t.heightLimit = (lines - 1) * kInfoLinePitch + 1 + (font ? font->GetHeight() : kInfoLinePitch);
    t.centreY = centred;
    texts_.push_back(std::move(t));
}

void InfoWindow::GetCenteredPosition(int32_t* x, int32_t* y) const {
    InfoPagePosition(manager_.ScreenWidth(), manager_.ScreenHeight(), rect.right - rect.left,
                     rect.bottom - rect.top, x, y);
}

bool InfoWindow::HitTest(int32_t x, int32_t y) const {
    // Everything but the level's own buttons (screen pixels): a click anywhere closes the page.
    return !(passThrough_ && passThrough_(x, y));
}

bool InfoWindow::OnMouseDown(int32_t x, int32_t y, uint32_t button) {
    // A press on the level's own buttons goes on to them, the page stays.
    if (!HitTest(x + rect.left, y + rect.top)) return false;
    // A press anywhere else arms the close on release (a drag moves the page).
    pressed_ = true;
    SpritesWindow::OnMouseDown(x, y, button);
    return true;
}

bool InfoWindow::OnMouseUp(int32_t x, int32_t y, uint32_t button) {
    if (!pressed_ && !HitTest(x + rect.left, y + rect.top)) return false;
    SpritesWindow::OnMouseUp(x, y, button);
    if (pressed_ && !closing && !manager_.IsLettingGo()) Close();
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
    if (frame_.count) DrawSkinQuads(viewer, frame_, alpha);
    for (auto& [at, picture] : pictures_)
        DrawInstance(viewer, *picture, at.x, at.y, alpha);
    content_.Draw(viewer, alpha);
    for (auto& [at, icon] : icons_)
        DrawCentred(viewer, *icon, at.x, at.y, alpha);
    for (Text& t : texts_) {
        const kis::Vector2 corner = t.Corner();
        t.text.Draw(viewer, corner.x, corner.y, ScaleAlpha(t.colour, alpha));
    }
    SpritesWindow::DrawChildren(viewer);
}

// ---------------------------------------------------------------- level window bonus slot

namespace {
// The slots' faces on "bonus_slot": the first slot's at the right, the others' at the left.
constexpr kis::Rect kFirstBonusSlotQuad{64, 0, 127, 134};
constexpr kis::Rect kBonusSlotQuad{0, 0, 63, 134};
// Every look shows the one face.
constexpr int32_t kBonusSlotLooks[8] = {-1, 0, 0, 0, -1, 0, 0, 0};
constexpr int32_t kBonusHintWidth = 256;
} // namespace

LevelWindowBonus::LevelWindowBonus(GameWindow* window, GameControls* group, int32_t place)
    : ImageButton(window, group, kLevelWindowBonusSlot, kBonusSlotLooks, u"", nullptr) {
    SetImageQuad(GetSprite(1, u"bonus_slot"), place == 0 ? kFirstBonusSlotQuad : kBonusSlotQuad,
                 kBonusSlotQuad.bottom - kBonusSlotQuad.top);
    clickSound = 0; // a slot only shows its bonus
    SetVisible(false);
}

void LevelWindowBonus::SetBonus(int32_t id, Sprite* icon, const BONUS* record) {
    if (id == bonus_) return;
    bonus_ = id;
    userData = LevelWindow::BonusSlotData(id);
    if (id < 0 || !record) {
        record_ = nullptr;
        SetIcon(nullptr, 0);
        SetVisible(false);
        SetHint(u"", u"");
        return;
    }
    record_ = record;
    SetIcon(icon, kBonusIconReadyFrame);
    SetVisible(true);
    SetHint(Manager().Text(u"bonuses", record->title), Manager().Text(u"bonuses", record->description));
}

void LevelWindowBonus::Draw(DXLViewer& viewer, float alpha) {
    // The icon stands in the middle of the face, not at the base's left edge.
    std::unique_ptr<SpriteInstance> icon = std::move(icon_);
    ImageButton::Draw(viewer, alpha);
    icon_ = std::move(icon);
    if (!icon_) return;
    DrawCentred(viewer, *icon_, float(rect.left + rect.right) / 2.0f, float(rect.top + rect.bottom) / 2.0f,
                alpha * EffectAlpha());
}

BaseHintWindow* LevelWindowBonus::GetHintWindow() {
    if (!HasHint()) return nullptr;
    const kis::Rect anchor = ScreenRect();
    if (!hint_)
        hint_ = std::make_unique<CaptionHintWindow>(Manager(), this, hintCaption_.c_str(), hintBody_.c_str(),
                                                    &anchor, kBonusHintWidth);
    else if (!hint_->IsShown())
        hint_->SetAnchor(anchor);
    return hint_.get();
}

// ---------------------------------------------------------------- level window

namespace {
constexpr int32_t kGoalsHeight = 150; // the goal buttons from 38 px down, 105 px high
constexpr int32_t kBonusAreaHeight = 146;
// A bonus slot's place in the bonus area, and the step to the next one.
constexpr int32_t kBonusSlotWidth = 63, kBonusSlotHeight = 134, kBonusSlotStep = 64;
constexpr const char16_t* kMedalSprites[3] = {u"gold_small", u"silver_small", u"bronze_small"};
} // namespace

LevelWindowMarks TakeLevelWindowMarks(const LevelWindowsHost& host) {
    LevelWindowMarks marks;
    Profile* profile = host.profile;
    if (!profile) return marks;
    // The first window with more than three owned bonuses points at the bonuses button, once.
    if (profile->ListBonuses(nullptr) > kChosenBonusLimit &&
        !(profile->Record().flags & kProfileFlagBonusHint)) {
        profile->MutableRecord().flags |= kProfileFlagBonusHint;
        if (host.saveProfiles) host.saveProfiles();
        marks.selectionHint = profile->Record().results.tutorial != 0;
    }
    // The newly earned bonus mark is used up by the first level window.
    RegimeProgress& progress = profile->MutableRecord().results.regimes[profile->Regime() != 0 ? 1 : 0];
    if ((progress.newBonus >> 24) != 0) {
        marks.newBonus = TakeNewBonus(&progress.newBonus, profile->Record().results.tutorial != 0);
        if (host.saveProfiles) host.saveProfiles();
    }
    return marks;
}

LevelWindow::LevelWindow(WindowManager& manager, uint32_t level, uint32_t mode, LevelWindowCallback callback,
                         LevelWindowsHost host, LevelWindowMarks marks, const char16_t* playKey,
                         const char16_t* cancelKey)
    : SpritesWindow(manager, kLevelWindowTag, {.modal = true}), level_(level), mode_(mode),
      callback_(std::move(callback)), host_(std::move(host)), newBonus_(marks.newBonus) {
    manager.levelWindow = this;
    const RegimeProgress* progress = ReadProfile();
    if (host_.regimeBlock) host_.regimeBlock(level, regime_, &block_);
    continue_ = ContinueOffered(mode, host_.hasSavedGame && host_.hasSavedGame(level));
    const int32_t top = 8 + kCaptionHeight + 12;
    MakeFrames(top);
    MakeMedalRows(progress && level < kProfileLevelCount ? progress->levels[level] : LevelProgress{});
    MakeBottomRow(playKey, cancelKey);
    MakeGoals(top);
    MakeBonusSlots(marks.selectionHint);
    SetCaptionText(host_.title ? host_.title(level) : std::u16string());
}

const RegimeProgress* LevelWindow::ReadProfile() {
    Profile* profile = host_.profile;
    if (!profile) return nullptr;
    regime_ = profile->Regime() != 0 ? 1 : 0;
    const RegimeProgress& progress = profile->Record().results.regimes[regime_];
    owned_ = profile->ListBonuses(nullptr);
    // Ids outside the six bonuses show as none.
    selection_.count = std::min<uint32_t>(progress.chosenCount, kChosenBonusLimit);
    for (size_t i = 0; i < selection_.ids.size(); ++i)
        selection_.ids[i] = CheckedBonusId(progress.chosen[i]);
    return &progress;
}

void LevelWindow::MakeFrames(int32_t top) {
    // Caption, goals area, medal strip and the bonus area below it.
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
}

void LevelWindow::MakeMedalRows(const LevelProgress& best) {
    // The best grade's medal, the medal times and the record.
    medal_ = MakeMedalIcon(int32_t(best.status), 19.0f, float(stripTop_ + 11));
    for (int32_t y : MedalRowOffsets(regime_))
        rowYs_.push_back(stripTop_ + y);
    for (size_t i = 0; i + 1 < rowYs_.size(); ++i)
        sprites_.AddFrame(kSkinSeparator, kis::MakeRectWH(113, (rowYs_[i] + rowYs_[i + 1]) / 2, 200, 2));
    const uint32_t limits[3] = {block_.goldMs, block_.silverMs, block_.bronzeMs};
    rows_.resize(rowYs_.size());
    for (size_t i = 0; i < rows_.size(); ++i)
        MakeRow(rows_[i], kMedalSprites[i], limits[i], 212.0f, float(rowYs_[i]), true);
    recordText_.Set(kLabelFont, manager_.Text(u"level_window", u"record"));
    MakeRow(record_, u"small_ico_clock", best.bestMs, 458.0f, float(stripTop_ + 73), true);
}

void LevelWindow::MakeBottomRow(const char16_t* playKey, const char16_t* cancelKey) {
    for (uint32_t command : LevelWindowButtons(mode_, continue_ ? true : false)) {
        const char16_t* key = command == kLevelWindowCancel    ? (cancelKey ? cancelKey : u"cancel")
                              : command == kLevelWindowPlay    ? (playKey ? playKey : u"play")
                              : command == kLevelWindowRestart ? (playKey ? playKey : u"restart")
                                                               : u"continue";
        AddBottomButton(command, manager_.Text(u"level_window", key));
    }
}

void LevelWindow::MakeGoals(int32_t top) {
    tasksText_.Set(kLabelFont, manager_.Text(u"level_window", u"tasks_caption"));
    goals_ = GoalColumns(std::min<uint32_t>(block_.goalCount, kMaxLevelGoals));
    const int32_t sites = host_.garbageSites ? host_.garbageSites(level_) : 0;
    for (size_t i = 0; i < goals_.size(); ++i) {
        const GoalRecord& goal = block_.goals[i];
        goalButtons_.push_back(MakeLevelWindowGoal(
            this, &controls_, uint32_t(i), goal, goals_[i].x, top + kGoalTopOffset, goals_[i].width,
            goal.kind == kGoalGarbageSites ? sites : 0, host_.goalIcon ? host_.goalIcon(goal) : nullptr,
            host_.goalHasIngredients && host_.goalHasIngredients(goal)));
    }
}

void LevelWindow::MakeBonusSlots(bool selectionHint) {
    if (owned_ <= 0) return;
    // The tutorials find a slot by its bonus (the button's data).
    for (size_t i = 0; i < slotButtons_.size(); ++i) {
        slotButtons_[i] = controls_.Make<LevelWindowBonus>(int32_t(i));
        slotButtons_[i]->SetPosition(bonusX_ + 6 + int32_t(i) * kBonusSlotStep, bonusY_ + 6);
    }
    ShowBonuses();
    if (owned_ > kChosenBonusLimit) {
        select_ = controls_.Make<ImageButton>(kLevelWindowSelectBonuses, bonusX_ + 262, bonusY_ + 7, 166,
                                              manager_.Text(u"level_window", u"select_bonuses"));
        selectionHint_ = selectionHint;
    }
}

LevelWindow::~LevelWindow() {
    if (manager_.levelWindow == this) manager_.levelWindow = nullptr;
}

void LevelWindow::MakeRow(TimeRow& row, const char16_t* sprite, uint32_t ms, float x, float y, bool centre) {
    row.icon = MakeIcon(1, sprite, 0.5f);
    // The icon is centred on the row's origin so that it ends before the
    // time, which starts 16 px to the right.
    if (row.icon) row.icon->originX = row.icon->originY = 0.5f;
    row.text.Set(kTimeFont, FormatLevelTime(ms));
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

std::array<int32_t, kChosenBonusLimit> LevelWindow::ShownBonuses() const {
    std::array<int32_t, kChosenBonusLimit> shown;
    shown.fill(-1);
    for (size_t i = 0; i < shown.size(); ++i)
        if (slotButtons_[i] && slotButtons_[i]->Record()) shown[i] = slotButtons_[i]->Bonus();
    return shown;
}

void LevelWindow::ShowBonuses() {
    if (owned_ <= 0) return;
    for (uint32_t i = 0; i < slotButtons_.size(); ++i) {
        const int32_t id = i < selection_.count ? selection_.ids[i] : -1;
        const BONUS* record = id >= 0 && host_.bonusRecord ? host_.bonusRecord(id) : nullptr;
        // An id the table does not know leaves the slot empty.
        if (!record) {
            slotButtons_[i]->SetBonus(-1, nullptr, nullptr);
            continue;
        }
        slotButtons_[i]->SetBonus(id, host_.bonusIcon ? host_.bonusIcon(id) : nullptr, record);
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
            host_.selectBonuses(selection_, [manager](const BonusSelection& chosen) {
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
    BonusSelection stored;
    stored.count = std::min<uint32_t>(progress.chosenCount, kChosenBonusLimit);
    for (size_t i = 0; i < stored.ids.size(); ++i)
        stored.ids[i] = CheckedBonusId(progress.chosen[i]);
    if (SameBonuses(stored, selection_)) return false;
    progress.chosenCount = selection_.count;
    for (size_t i = 0; i < selection_.ids.size(); ++i)
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
    : SpritesWindow(manager, kResultWindowTag, {.modal = true}), result_(result), host_(std::move(host)) {
    manager.levelResultWindow = this;
    const int32_t top = 8 + kCaptionHeight + 12 - 2;
    const int32_t lower = top + 91;
    AddBackground(kResultWidth, lower + 110 + kButtonHeight + kBottomRowMargin);
    AddCaptionFrame(kResultWidth - 120);
    contentTop = top;
    sprites_.AddFrame(kTimeInset, kis::MakeRectWH(0, top, kResultWidth, 91));
    // The easy regime has no bronze column: a wooden sign with a picture
    // fills its place in the band, so that it does not read as an empty box.
    if (result.regime == 0) plate_ = MakeIcon(1, u"result_plate", 1.0f);
    sprites_.AddFrame(kSkinFrame, kis::MakeRectWH(18, lower + 10, 82, 82));
    sprites_.AddFrame(kSkinSeparator, kis::MakeRectWH(111, lower + 49, kResultWidth - 139, 2));

    clock_ = MakeIcon(1, u"small_ico_clock", 0.5f);
    if (clock_) clock_->originX = clock_->originY = 0.5f;
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
        const int32_t left = int32_t(row->x) + 24 - kResultClockHalf - kResultInsetPad;
        sprites_.AddFrame(kTimeInset, kis::MakeRectWH(left, int32_t(row->y) - kResultInsetHeight / 2,
                                                      kResultInsetPad + kResultClockHalf + 16 + timesWidth +
                                                          kResultInsetPad,
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
    row.time.Set(kTimeFont, FormatLevelTime(ms));
    row.colour = ms ? kResultTimeColour : kResultNoTimeColour;
    row.x = x, row.y = y;
}

void LevelResultWindow::DrawRow(DXLViewer& viewer, Row& row, float alpha, float scale) {
    // A labelled row: the label right-aligned 8 px before the origin, the time row 24 px after it.
    // A record row shrinking or growing is scaled about its origin.
    const DXLMatrix saved = viewer.CurrentTransform();
    if (scale != 1.0f) {
        viewer.Translate(row.x, row.y);
        viewer.Scale(scale);
        viewer.Translate(-row.x, -row.y);
        viewer.ApplyTransform();
    }
    const float origin = row.label.Text().empty() ? row.x : row.x + 24.0f;
    if (!row.label.Text().empty())
        row.label.Draw(viewer, row.x - 8.0f - float(row.label.Width()),
                       row.y - float(row.label.Height()) / 2.0f, ScaleAlpha(kLabelColour, alpha));
    if (clock_) DrawInstance(viewer, *clock_, origin, row.y, alpha);
    row.time.Draw(viewer, origin + 16.0f, row.y - float(row.time.Height()) / 2.0f,
                  ScaleAlpha(row.colour, alpha));
    if (scale != 1.0f) {
        viewer.SetTransform(&saved);
        viewer.ApplyTransform();
    }
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
    if (plate_) DrawInstance(viewer, *plate_, 12.0f, float(contentTop + 5), alpha);
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
    if (reveal_.RecordAlpha(now) > 0.0f)
        DrawRow(viewer, record_, alpha * reveal_.RecordAlpha(now), reveal_.RecordScale(now));
    if (reveal_.NewRecordShown(now))
        DrawRow(viewer, newRecord_, alpha * reveal_.NewRecordAlpha(now), reveal_.NewRecordScale(now));
}
