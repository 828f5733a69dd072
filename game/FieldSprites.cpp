#include "game/FieldSprites.h"

#include "app/App.h"
#include "engine/Log.h"
#include "engine/SoundManager.h"
#include "farm/AnimalHouses.h"
#include "farm/BuildingPoints.h"
#include "farm/Products.h"
#include "gui/Window.h"
#include "level/GameLevel.h"
#include "level/MapCharacter.h"
#include "level/PointJobs.h"
#include "levelui/LevelPanel.h"
#include "levelui/ScreenSpriteKinds.h"
#include "platform/Utf.h"
#include "sprites/Sprite.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// Buttons appear popping up and go fading and shrinking.
constexpr int32_t kShowMode = SEffect_SSShowHide::kAlpha | SEffect_SSShowHide::kOvershoot;
constexpr int32_t kHideMode = SEffect_SSShowHide::kAlpha | SEffect_SSShowHide::kScale;
constexpr uint32_t kShowHideMs = 200;
// Where a garbage site's clear button, a damaged point's repair button and
// their jobs' marks stand above the point.
constexpr int32_t kClearButtonLift = 24;
constexpr int32_t kRepairButtonLift = 24;
constexpr int32_t kWorkIconLift = 64;
constexpr int32_t kWorkBarLift = 40;
constexpr int32_t kWorkBarWidth = 48;
constexpr uint32_t kWorkIconBack = 0xFFF4E4C0;
constexpr uint32_t kWorkIconBorder = 0xFF8A5E28;
// A level point's progress line.
constexpr int32_t kPointBarWidth = 48;
// The language group of the field buttons' hints.
constexpr const char16_t* kHintGroup = u"level_interface";

void ShowSprite(ScreenSprite* sprite, bool animated, uint32_t delay) {
    if (animated)
        sprite->Show(false, delay, kShowMode, kShowHideMs);
    else
        sprite->Show(true, 0, kShowMode, kShowHideMs);
}

std::u16string Text(WindowManager& windows, const char16_t* group, const char16_t* key) {
    const char16_t* text = windows.Text(group, key);
    return text ? std::u16string(text) : std::u16string();
}

// The hint of a field button: its caption and body from the language.
void SetButtonHint(ActiveScreenSprite* sprite, WindowManager& windows, const char16_t* key) {
    const std::u16string name(key);
    sprite->SetHint(Text(windows, kHintGroup, key), Text(windows, kHintGroup, (name + u"_hint").c_str()));
}

// A click on a button over a point that its own command did not take (a
// free production slot, a greyed button) is a click on the point's picture:
// it selects the point.
uint32_t PickPoint(const LevelPoint* point) {
    if (point && point->Level()) point->Level()->PickPoint(int32_t(point->Index()));
    return 0;
}

// ---------------------------------------------------------------- a factory's buttons

// The handle a factory keeps of one of its buttons: the host owns the
// sprite; the handle lets go of it when hidden and ends it when dropped.
template <class Sprite> class FactoryButton : public OverheadButton {
  public:
    FactoryButton(ScreenSprites& host, Sprite* sprite) : host_(host), sprite_(sprite) {}
    ~FactoryButton() override {
        if (sprite_) host_.Destroy(sprite_);
    }
    void SetEnabled(bool enabled) override {
        if (sprite_) sprite_->SetEnabled(enabled);
    }
    void SetProgress(float fraction) override {
        if (sprite_) sprite_->SetFill(fraction);
    }
    void Hide(bool animated, uint32_t delay) override {
        if (!sprite_) return;
        sprite_->Hide(ScreenSprite::AfterHiding::Remove, ScreenSprite::FadeIf(animated), delay, kHideMode,
                      kShowHideMs);
        sprite_ = nullptr;
    }
    void GetRect(int32_t* left, int32_t* top, int32_t* width, int32_t* height) const override {
        const kis::Rect r = sprite_ ? sprite_->Rect() : kis::Rect{0, 0, 0, 0};
        *left = r.left, *top = r.top, *width = r.right - r.left, *height = r.bottom - r.top;
    }

  private:
    ScreenSprites& host_;
    Sprite* sprite_; // owned by the host; null once let go
};

// A field button the level switches on and off: greyed while off, and its
// switch answers the screen sprites' question whether it is disabled.
template <class Base> class SwitchedButton : public Base {
  public:
    using Base::Base;
    void SetEnabled(bool enabled) {
        enabled_ = enabled;
        this->SetDisabled(!enabled);
    }
    void SetFill(float) {}

  protected:
    static uint8_t Disabled(ActiveScreenSprite* sprite, void*) {
        return static_cast<SwitchedButton*>(sprite)->enabled_ ? 0 : 1;
    }

    bool enabled_ = true;
};

// A product button of a factory: starts the product in a free slot.
class ProductionButton : public SwitchedButton<ASSProductionButton> {
  public:
    ProductionButton(ScreenSprites& host, PointFactory* factory, int32_t recipe, int32_t count,
                     const PRODUCT* product, int32_t x, int32_t y)
        : SwitchedButton(host, const_cast<PRODUCT*>(product), x, y, recipe, count,
                         product ? product->secondIcon : nullptr),
          factory_(factory), recipe_(recipe) {
        SetCommand(this, Click, Disabled);
        // The product's name, then what one unit takes.
        WindowManager& windows = host.Level().Windows();
        std::u16string needs = Text(windows, u"buttons", u"production");
        for (int32_t i = 0; product && i < product->record.ingredientCount; ++i) {
            const PRODUCT* ingredient = product->ingredients[i];
            if (!ingredient) continue;
            needs += u'\n';
            needs += platform::Utf8ToUtf16(std::to_string(product->record.ingredients[i].units));
            needs += u' ';
            needs += Text(windows, u"products", ingredient->record.name);
        }
        SetHint(product ? Text(windows, u"products", product->record.name) : std::u16string(), needs);
    }

  private:
    static uint32_t Click(ActiveScreenSprite* sprite, void*, uint32_t buttons) {
        auto* self = static_cast<ProductionButton*>(sprite);
        if (self->factory_->OnProductionButton(self->recipe_, buttons)) return kClickSound;
        return buttons == kLevelMouseLeft ? PickPoint(self->factory_) : 0;
    }

    PointFactory* factory_; // the level owns it; it drops this button first
    int32_t recipe_;
};

// A production slot of a factory: shows what it makes and how far; a click
// cancels it.
class SlotButton : public SwitchedButton<ASSProductionSlot> {
  public:
    SlotButton(ScreenSprites& host, PointFactory* factory, int32_t slot, int32_t count, int32_t x, int32_t y)
        : SwitchedButton(host, x, y, slot, count), factory_(factory), slot_(slot) {
        enabled_ = false;
        SetCommand(this, Click, Disabled);
    }
    void SetEnabled(bool enabled) {
        SwitchedButton::SetEnabled(enabled);
        const PointFactory::Slot& slot = factory_->GetSlot(slot_);
        PRODUCT* product = enabled && slot.recipe ? slot.recipe->product : nullptr;
        if (product != Product())
            SetProduct(product, product ? product->secondIcon : nullptr,
                       product ? product->record.name : nullptr);
    }
    void SetFill(float fraction) { SetProgress(fraction); }

  private:
    static uint32_t Click(ActiveScreenSprite* sprite, void*, uint32_t buttons) {
        auto* self = static_cast<SlotButton*>(sprite);
        if (self->factory_->OnSlotButton(self->slot_)) return kClickSound;
        return buttons == kLevelMouseLeft ? PickPoint(self->factory_) : 0;
    }

    PointFactory* factory_; // the level owns it; it drops this button first
    int32_t slot_;
};

// ---------------------------------------------------------------- an animal house's buttons

// The "Feed" button of an animal house: the feed product and the units one
// feeding takes; greyed while the stock holds fewer.
class AnimalFeedButton : public SwitchedButton<ASSPriceButton> {
  public:
    AnimalFeedButton(ScreenSprites& host, PointPetshouse* house, const PRODUCT* product, int32_t price,
                     int32_t x, int32_t y)
        : SwitchedButton(host, kFeedButtonCommand, x, y, product ? product->secondIcon : nullptr, price),
          house_(house) {
        SetCommand(this, Click, NoFeed);
    }

  private:
    // The stock is asked itself: the house greys the button on its ticks, and
    // before the level's first tick the stock may already hold the feed (the
    // level's first press may be on this button).
    static uint8_t NoFeed(ActiveScreenSprite* sprite, void*) {
        return static_cast<AnimalFeedButton*>(sprite)->house_->HasFeed() ? 0 : 1;
    }
    static uint32_t Click(ActiveScreenSprite* sprite, void*, uint32_t buttons) {
        auto* self = static_cast<AnimalFeedButton*>(sprite);
        if (buttons != kLevelMouseLeft) return 0;
        if (!self->house_->HasFeed() || !self->house_->OnOverheadCommand(kFeedCommand))
            return PickPoint(self->house_);
        LogLabelPrintf(kLogIndent, "Feeding ordered", "point %u", self->house_->Index());
        return kClickSound;
    }

    PointPetshouse* house_; // the level owns it; it drops this button first
};

// The arrow button that sends the farmer for a house's produce.
class AnimalProduceButton : public SwitchedButton<ASSArrowButton> {
  public:
    AnimalProduceButton(ScreenSprites& host, PointPetshouse* house, uint32_t command, int32_t x, int32_t y,
                        Sprite* icon)
        : SwitchedButton(host, command, x, y, icon), house_(house), command_(command) {
        SetCommand(this, Click, Disabled);
    }

  private:
    static uint32_t Click(ActiveScreenSprite* sprite, void*, uint32_t buttons) {
        auto* self = static_cast<AnimalProduceButton*>(sprite);
        if (buttons != kLevelMouseLeft) return 0;
        // The house lets go of this button as it orders the job.
        PointPetshouse* house = self->house_;
        const uint32_t command = self->command_;
        if (!self->enabled_ || !house->OnOverheadCommand(command)) return PickPoint(house);
        const char name[5] = {char(command >> 24), char(command >> 16), char(command >> 8), char(command), 0};
        LogLabelPrintf(kLogIndent, "Produce ordered", "%s at point %u", name, house->Index());
        return kClickSound;
    }

    PointPetshouse* house_; // the level owns it; it drops this button first
    uint32_t command_;
};

} // namespace

// ---------------------------------------------------------------- arrow buttons

// An arrow button over a level point with its click handler; it leaves the
// host's handle table when it goes.
class FieldSprites::FieldArrow : public ASSArrowButton {
  public:
    FieldArrow(ScreenSprites& host, FieldSprites& owner, uint32_t handle, uint32_t command, int32_t x,
               int32_t y, Sprite* icon, std::function<uint32_t()> onClick)
        : ASSArrowButton(host, command, x, y, icon), owner_(owner), handle_(handle),
          onClick_(std::move(onClick)) {
        SetCommand(nullptr, ClickArrow, Disabled);
    }
    ~FieldArrow() override { owner_.ForgetArrow(handle_); }
    uint32_t OnClick() { return onClick_ ? onClick_() : 0; }
    // Whether the button is greyed now (null: never); refreshed every tick.
    std::function<bool()> disabled;

  private:
    static uint8_t Disabled(ActiveScreenSprite* sprite, void*) {
        auto* self = static_cast<FieldArrow*>(sprite);
        return self->disabled && self->disabled() ? 1 : 0;
    }

    FieldSprites& owner_;
    uint32_t handle_;
    std::function<uint32_t()> onClick_;
};

// A farm button's click result reaches the screen sprite as it is.
static_assert(OverheadButtons::kClickSound == ActiveScreenSprite::kClickSound);

uint32_t FieldSprites::ClickArrow(ActiveScreenSprite* sprite, void*, uint32_t buttons) {
    if (buttons != kLevelMouseLeft) return 0;
    return static_cast<FieldArrow*>(sprite)->OnClick();
}

// ---------------------------------------------------------------- the host

FieldSprites::FieldSprites(GameLevel& level) : level_(level), host_(std::make_unique<ScreenSprites>(*this)) {}

FieldSprites::~FieldSprites() {
    // The sprites go first: the arrow buttons leave the tables as they go.
    host_.reset();
}

kis::Rect FieldSprites::MoneyWindowRect() const {
    const GameWindow* money = Windows().FindWindowByLayer(kMoneyWindowTag);
    return money ? money->rect : kis::Rect{0, 0, 0, 0};
}

DXLMatrix FieldSprites::ViewTransform() const {
    float ox = 0.0f, oy = 0.0f;
    level_.FieldToScreen(0.0f, 0.0f, &ox, &oy);
    DXLMatrix m = kIdentityMatrix;
    const float s = level_.FieldScale();
    m.m[0][0] = s;
    m.m[1][1] = s;
    m.m[3][0] = ox;
    m.m[3][1] = oy;
    return m;
}

bool FieldSprites::FieldScaled() const {
    return level_.IsFieldScaled();
}

float FieldSprites::FieldScale() const {
    return level_.FieldScale();
}

bool FieldSprites::MouseInField() const {
    float x = 0.0f, y = 0.0f;
    level_.ScreenToField(float(mouseX_), float(mouseY_), &x, &y);
    const LevelRecord& r = level_.Record().record;
    return mouseX_ >= 0 && x >= 0.0f && y >= 0.0f && x < float(r.fieldWidth) && y < float(r.fieldHeight);
}

WindowManager& FieldSprites::Windows() const {
    return *GetWindowManager();
}

void FieldSprites::PlayClickSound() {
    SoundManager& sound = GetSoundManager();
    sound.PlayById(sound.FindSample(u"click"), kSoundCategoryScreen, kLoopAsLoaded);
}

bool FieldSprites::RouteMouse(int32_t sx, int32_t sy, uint32_t button, bool down) {
    if (!GetWindowManager()) return false;
    mouseX_ = sx;
    mouseY_ = sy;
    float fx = 0.0f, fy = 0.0f;
    level_.ScreenToField(float(sx), float(sy), &fx, &fy);
    const int32_t x = int32_t(std::floor(fx)), y = int32_t(std::floor(fy));
    // The level's button codes are the screen sprites' button bits.
    if (button == kLevelMouseMove) {
        host_->UpdateHover(x, y);
        return false;
    }
    if (!down) {
        host_->OnMouseUp(x, y, button);
        return false;
    }
    if (level_.IsEnded()) {
        host_->UpdateHover(x, y);
        return false;
    }
    // The level's first press starts its clock wherever it lands: on the
    // field, which starts it, or on a button over the field, which it
    // starts here and then presses as any later press would (a tutorial
    // that starts with the clock may still refuse the button).
    if (!level_.IsClockRunning()) {
        host_->UpdateHover(x, y);
        if (!host_->Hovered()) return false;
        level_.StartClock();
        // The buttons take the running level's looks (greyed until now) before the press.
        host_->RefreshDisabled();
    }
    return host_->OnMouseDown(x, y, button);
}

int32_t FieldSprites::PointMarkAt(int32_t x, int32_t y) const {
    auto shows = [x, y](const ScreenSprite* sprite) { return sprite && sprite->ShowsAt(x, y); };
    for (const WorkMark& mark : workMarks_)
        if (shows(mark.icon) || shows(mark.bar)) return mark.index;
    for (size_t i = 0; i < pointMarks_.size(); ++i)
        if (shows(pointMarks_[i].bar) || shows(pointMarks_[i].stars)) return int32_t(i);
    return -1;
}

void FieldSprites::Tick() {
    TickWorkMarks();
    FollowPoints();
    host_->Update();
}

void FieldSprites::Draw(DXLViewer& viewer) {
    // The marks of the farmer's jobs follow her queue as well: a restarted
    // level's new farmer has none, and no tick runs before its first click.
    TickWorkMarks();
    FollowPoints();
    host_->Draw(viewer);
}

// ---------------------------------------------------------------- the points' lines and stars

void FieldSprites::FollowPoints() {
    const uint32_t count = std::min<uint32_t>(level_.PointCount(), kMaxLevelPoints);
    for (uint32_t i = 0; i < kMaxLevelPoints; ++i) {
        const auto* point =
            i < count ? dynamic_cast<const LevelPoint*>(level_.GetPoint(int32_t(i))) : nullptr;
        FollowPoint(pointMarks_[i], point);
    }
}

void FieldSprites::FollowPoint(PointMarks& marks, const LevelPoint* point) {
    auto drop = [](auto*& sprite) {
        if (sprite)
            sprite->Hide(ScreenSprite::AfterHiding::Remove, ScreenSprite::HideSpeed::Fade, 0, kHideMode,
                         kShowHideMs);
        sprite = nullptr;
    };
    if (marks.point != point) {
        // A point replaced by another (a stage change, a pull-down) takes its marks along.
        drop(marks.bar);
        drop(marks.stars);
        marks = PointMarks{point};
    }
    if (!point) return;
    const bool animated = level_.IsBegun();
    const int32_t progress = point->IsBeingRemoved() ? -1 : point->Progress();
    // A green line stays full once it reached 100: a new round needs a new line.
    if (marks.bar && (progress < 0 || (marks.bar->IsLatched() && progress < 100))) drop(marks.bar);
    if (progress >= 0) {
        if (!marks.bar) {
            float x = 0.0f, y = 0.0f;
            point->GetProgressPosition(&x, &y);
            marks.bar = host_->Create<SSProgressLine>(int32_t(std::lround(x)), int32_t(std::lround(y)),
                                                      kPointBarWidth, true);
            host_->MoveUnderButtons(marks.bar);
            ShowSprite(marks.bar, animated, 0);
        }
        marks.bar->SetPercent(float(progress));
    }
    const int32_t maximum = point->StageStars();
    const bool stars =
        !point->IsBeingRemoved() && maximum >= 2 && point->Stage() >= 1 && point->StarsDelay() == 0;
    if (marks.stars && (!stars || maximum != marks.starsMaximum)) drop(marks.stars);
    if (!stars) return;
    if (!marks.stars) {
        float x = 0.0f, y = 0.0f;
        point->GetStarsPosition(&x, &y);
        marks.stars =
            host_->Create<SSStars>(int32_t(std::lround(x)), int32_t(std::lround(y)), maximum, point->Stage());
        marks.starsMaximum = maximum;
        // The marks follow the point, made whenever it sets them: a round
        // button shown before them stays on top.
        host_->MoveUnderButtons(marks.stars);
        ShowSprite(marks.stars, animated && point->StarsAnimated(), 0);
    }
    marks.stars->SetCount(point->Stage());
}

void FieldSprites::Relayout() {
    host_->RelayoutAll();
}

// ---------------------------------------------------------------- arrow buttons

uint32_t FieldSprites::ShowArrowButton(uint32_t command, const char16_t* icon, float x, float y,
                                       std::function<uint32_t()> onClick, bool animated, int32_t delay) {
    const uint32_t handle = nextHandle_++;
    auto* button =
        host_->Create<FieldArrow>(*this, handle, command, int32_t(std::lround(x)), int32_t(std::lround(y)),
                                  GetSprite(kIconLibrary, icon), std::move(onClick));
    const char16_t* key = command == kCommandWater     ? u"water"
                          : command == kCommandHarvest ? u"harvest"
                          : command == kCommandClear   ? u"clear"
                          : command == kCommandRepair  ? u"repair"
                                                       : nullptr;
    if (key && GetWindowManager()) SetButtonHint(button, Windows(), key);
    arrows_[handle] = button;
    ShowSprite(button, animated, uint32_t(std::max(delay, 0)));
    return handle;
}

void FieldSprites::HideButton(uint32_t handle, bool animated, bool remove, uint32_t delay) {
    auto it = arrows_.find(handle);
    if (it == arrows_.end()) return;
    it->second->Hide(remove ? ScreenSprite::AfterHiding::Remove : ScreenSprite::AfterHiding::Keep,
                     ScreenSprite::FadeIf(animated), delay, kHideMode, kShowHideMs);
}

void FieldSprites::SetHintKey(uint32_t handle, const char16_t* key) {
    auto it = arrows_.find(handle);
    if (it != arrows_.end() && GetWindowManager()) SetButtonHint(it->second, Windows(), key);
}

ActiveScreenSprite* FieldSprites::ArrowButton(uint32_t handle) const {
    auto it = arrows_.find(handle);
    return it == arrows_.end() ? nullptr : it->second;
}

void FieldSprites::ForgetArrow(uint32_t handle) {
    arrows_.erase(handle);
    for (auto it = clearButtons_.begin(); it != clearButtons_.end();)
        it = it->second == handle ? clearButtons_.erase(it) : std::next(it);
}

// ---------------------------------------------------------------- a factory's buttons

int32_t FieldSprites::FactoryRowsDrop(const PointFactory* factory, int32_t x, int32_t anchorY) const {
    // The production row and the slot row move down together, so that they
    // keep their order and spacing while the higher one clears the top bar.
    const auto& offsets = factory->Type()->header.factory;
    const int32_t highest = anchorY + std::min(offsets.buttonOffset[1], offsets.slotOffset[1]);
    return OverheadRowDrop(host_->Level(), x, highest, ASSProductionButton::kCellSize / 2);
}

std::unique_ptr<OverheadButton> FieldSprites::ShowProductionButton(PointFactory* factory, int32_t recipe,
                                                                   int32_t recipeCount,
                                                                   const PRODUCT* product, int32_t x,
                                                                   int32_t y, bool animated, uint32_t delay) {
    y += FactoryRowsDrop(factory, x, y - factory->Type()->header.factory.buttonOffset[1]);
    auto* button = host_->Create<ProductionButton>(factory, recipe, recipeCount, product, x, y);
    ShowSprite(button, animated, delay);
    return std::make_unique<FactoryButton<ProductionButton>>(*host_, button);
}

std::unique_ptr<OverheadButton> FieldSprites::ShowSlotButton(PointFactory* factory, int32_t slot,
                                                             int32_t slotCount, int32_t x, int32_t y,
                                                             bool animated, uint32_t delay) {
    y += FactoryRowsDrop(factory, x, y - factory->Type()->header.factory.slotOffset[1]);
    auto* button = host_->Create<SlotButton>(factory, slot, slotCount, x, y);
    ShowSprite(button, animated, delay);
    return std::make_unique<FactoryButton<SlotButton>>(*host_, button);
}

// ---------------------------------------------------------------- an animal house's buttons

std::unique_ptr<OverheadButton> FieldSprites::ShowAnimalButton(PointBuilding* point, uint32_t command,
                                                               const PRODUCT* product, int32_t price,
                                                               int32_t x, int32_t y, bool animated,
                                                               uint32_t delay) {
    auto* house = dynamic_cast<PointPetshouse*>(point);
    if (!house) return nullptr;
    if (command == kFeedCommand) {
        auto* button = host_->Create<AnimalFeedButton>(house, product, price, x, y);
        if (GetWindowManager()) SetButtonHint(button, Windows(), u"feed");
        ShowSprite(button, animated, delay);
        return std::make_unique<FactoryButton<AnimalFeedButton>>(*host_, button);
    }
    auto* button =
        host_->Create<AnimalProduceButton>(house, command, x, y, GetSprite(kIconLibrary, u"small_ico_hand"));
    ShowSprite(button, animated, delay);
    return std::make_unique<FactoryButton<AnimalProduceButton>>(*host_, button);
}

// ---------------------------------------------------------------- a garbage site's clearing

bool FieldSprites::OfferPointOrder(int32_t index, uint32_t job) {
    auto* site = dynamic_cast<EmptyLevelPoint*>(level_.GetPoint(index));
    if (job != JOBID_CLEAR || !site || !site->HasGarbage()) return false;
    // One button a site; none while its clearing is under way.
    if (clearButtons_.count(index)) return true;
    for (const WorkMark& mark : workMarks_)
        if (mark.index == index && mark.job == JOBID_CLEAR) return true;
    const uint32_t handle = ShowArrowButton(
        kCommandClear, u"small_ico_clear", float(site->X()), float(site->Y() - kClearButtonLift),
        [this, index] { return OrderClear(index); }, true, 0);
    clearButtons_[index] = handle;
    // Short of money the button stays, greyed, until the money is there.
    arrows_[handle]->disabled = [this, index] {
        const auto* garbage = dynamic_cast<const EmptyLevelPoint*>(level_.GetPoint(index));
        return garbage && garbage->GarbagePrice() > level_.Money().Get();
    };
    return true;
}

uint32_t FieldSprites::OrderClear(int32_t index) {
    auto* site = dynamic_cast<EmptyLevelPoint*>(level_.GetPoint(index));
    if (!site || !site->RequestClear()) return 0;
    LogLabelPrintf(kLogIndent, "Clearing ordered", "point %d", index);
    auto it = clearButtons_.find(index);
    if (it != clearButtons_.end()) {
        HideButton(it->second, /*animated=*/true, /*remove=*/true, 0);
        clearButtons_.erase(it);
    }
    AddWorkMark(index, JOBID_CLEAR, u"small_ico_clear", float(site->X()), float(site->Y()));
    return ActiveScreenSprite::kClickSound;
}

void FieldSprites::AddWorkMark(int32_t index, uint32_t job, const char16_t* icon, float x, float y) {
    const int32_t ix = int32_t(std::lround(x)), iy = int32_t(std::lround(y));
    WorkMark mark{index, job, nullptr, nullptr};
    mark.icon = host_->Create<SSColorIcon>(ix, iy - kWorkIconLift, GetSprite(kIconLibrary, icon),
                                           kWorkIconBack, kWorkIconBorder);
    ShowSprite(mark.icon, true, 0);
    mark.bar = host_->Create<SSProgressLine>(ix, iy - kWorkBarLift, kWorkBarWidth, true);
    workMarks_.push_back(mark);
}

// ---------------------------------------------------------------- a damaged point's repair

uint32_t FieldSprites::ShowRepairButton(int32_t index, bool animated) {
    const BaseLevelPoint* point = level_.GetPoint(index);
    if (!point) return 0;
    float x = 0.0f, y = 0.0f;
    point->GetPosition(&x, &y);
    return ShowArrowButton(
        kCommandRepair, u"small_ico_repair", x, y - float(kRepairButtonLift),
        [this, index] { return OrderRepair(index); }, animated, 0);
}

uint32_t FieldSprites::OrderRepair(int32_t index) {
    BaseLevelPoint* point = level_.GetPoint(index);
    // The point takes its button away as it orders the job.
    if (!point || !point->RequestRepair()) return 0;
    LogLabelPrintf(kLogIndent, "Repair ordered", "point %d", index);
    float x = 0.0f, y = 0.0f;
    point->GetPosition(&x, &y);
    AddWorkMark(index, JOBID_REPAIR, u"small_ico_repair", x, y);
    return ActiveScreenSprite::kClickSound;
}

void FieldSprites::TickWorkMarks() {
    MapPlayer* player = level_.World().Player();
    for (size_t i = 0; i < workMarks_.size();) {
        WorkMark& mark = workMarks_[i];
        const Job* job = nullptr;
        for (int32_t j = 0; player && j < player->JobCount() && !job; ++j) {
            const Job* candidate = player->GetJob(j);
            if (candidate->JobId() == mark.job && candidate->TargetPoint() == mark.index &&
                !candidate->IsFinished())
                job = candidate;
        }
        if (!job) {
            mark.icon->Hide(ScreenSprite::AfterHiding::Remove, ScreenSprite::HideSpeed::Fade, 0, kHideMode,
                            kShowHideMs);
            mark.bar->Hide(ScreenSprite::AfterHiding::Remove, ScreenSprite::HideSpeed::Fade, 0, kHideMode,
                           kShowHideMs);
            workMarks_.erase(workMarks_.begin() + ptrdiff_t(i));
            continue;
        }
        if (job->State() == JobState::Animating) {
            if (!mark.bar->IsShown()) ShowSprite(mark.bar, false, 0);
            mark.bar->SetPercent(float(job->Progress().elapsed) * 100.0f / float(Job_AtPoint::kWorkMs));
        }
        ++i;
    }
    // A site that lost its garbage (cleared, or pulled away) lets its button go.
    for (auto it = clearButtons_.begin(); it != clearButtons_.end();) {
        auto* site = dynamic_cast<EmptyLevelPoint*>(level_.GetPoint(it->first));
        if (site && site->HasGarbage()) {
            ++it;
            continue;
        }
        const uint32_t handle = it->second;
        it = clearButtons_.erase(it);
        HideButton(handle, /*animated=*/true, /*remove=*/true, 0);
    }
}

// ---------------------------------------------------------------- labels

void FieldSprites::ShowMoneyChange(int32_t amount, int32_t x, int32_t y, int32_t offset) {
    host_->ShowMoneyChange(amount, x, y, offset, 0);
}

void FieldSprites::ShowProductChange(const PRODUCT* product, int32_t units, int32_t x, int32_t y,
                                     uint32_t delay, int32_t labelOffset) {
    if (!product || units == 0) return;
    LogLabelPrintf(kLogIndent, "Stock label", "%+d %s at (%d, %d)", units,
                   platform::Utf16ToUtf8(std::u16string_view(product->record.name)).c_str(), x, y);
    host_->ShowProductChange(product->secondIcon, units, x, y, 0, delay, labelOffset);
}
