#pragma once
// The running level's screen sprites in the program: the host of the
// buttons, icons, bars and flying labels over the field (ScreenSprites) with
// the level's side of it (the field's view transform, the mouse, the window
// manager), and what the farm and the level ask of it:
//
// - the plant points' arrow buttons ("Wate", "Harv"), by handle
//   (OverheadButtons);
// - a factory's production buttons and slot buttons (OverheadButton handles
//   the factory owns; the host owns their sprites);
// - an animal house's overhead button: the "Feed" price button or its
//   arrow button for the produce ('Eggs', 'Milk', 'CutS');
// - the clear button a garbage site offers when clicked ("Clea"), the
//   repair button over a damaged point ("Repa"), and, while the farmer
//   clears the site or repairs the point, the job's icon and progress bar
//   over it;
// - the labels that fly when money or the stock changes;
// - each level point's progress line and stage stars, as the point sets
//   them (LevelPoint::SetProgress, ShowStageStars).
//
// The program's level world owns it (so the level owns it through its
// world); it outlives every level point, whose buttons it holds. Input
// arrives in screen pixels; presses reach the sprites only while the level
// clock runs, moves and releases always.

#include "farm/FarmHost.h"
#include "farm/PlantPoints.h"
#include "level/LevelTable.h"
#include "levelui/ScreenSprites.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class ActiveScreenSprite;
class GameLevel;
class LevelPoint;
class SSStars;
class PointFactory;
class SSColorIcon;
class SSProgressLine;
struct PRODUCT;

// Commands of the buttons the level itself shows.
constexpr uint32_t kCommandClear = 0x436C6561;  // 'Clea'
constexpr uint32_t kCommandRepair = 0x52657061; // 'Repa'

class FieldSprites : public ScreenSpriteLevel, public OverheadButtons {
  public:
    // The level outlives the host.
    explicit FieldSprites(GameLevel& level);
    ~FieldSprites() override;
    FieldSprites(const FieldSprites&) = delete;
    FieldSprites& operator=(const FieldSprites&) = delete;

    ScreenSprites& Host() { return *host_; }

    // ---- the level's routing (screen pixels; button 0 a move, 1 left,
    // 2 right): true when the sprites took the event.
    bool RouteMouse(int32_t x, int32_t y, uint32_t button, bool down);
    // The point whose marks (progress line, stage stars, a job's icon and
    // bar) show at the screen pixel (x, y); -1 none.
    int32_t PointMarkAt(int32_t x, int32_t y) const;
    // One 10-ms level tick: the sprites' updates, the clearing jobs' marks
    // and the points' progress lines and stars.
    void Tick();
    // Before the clock starts the level does not tick: the points' lines and
    // stars follow their points as each frame is drawn too.
    void Draw(DXLViewer& viewer);
    // The screen size changed: the buttons find their places again.
    void Relayout();
    // The buttons take the disabled look their tests give now.
    void RefreshDisabled() { host_->RefreshDisabled(); }

    // ---- ScreenSpriteLevel
    DXLMatrix ViewTransform() const override;
    bool FieldScaled() const override;
    float FieldScale() const override;
    int32_t MouseX() const override { return mouseX_; }
    int32_t MouseY() const override { return mouseY_; }
    bool MouseInField() const override;
    WindowManager& Windows() const override;
    // The money window's screen rectangle (the strip at the top), empty
    // while there is none: buttons over the field keep clear of it.
    kis::Rect MoneyWindowRect() const override;
    // The interface's click, in the screen's category.
    void PlayClickSound() override;

    // ---- OverheadButtons (the plant points)
    uint32_t ShowArrowButton(uint32_t command, const char16_t* icon, float x, float y,
                             std::function<uint32_t()> onClick, bool animated, int32_t delay) override;
    void HideButton(uint32_t handle, bool animated, bool remove, uint32_t delay) override;
    void SetHintKey(uint32_t handle, const char16_t* key) override;
    // The arrow button of a handle; null once it is gone.
    ActiveScreenSprite* ArrowButton(uint32_t handle) const;

    // ---- a factory's buttons
    std::unique_ptr<OverheadButton> ShowProductionButton(PointFactory* factory, int32_t recipe,
                                                         int32_t recipeCount, const PRODUCT* product,
                                                         int32_t x, int32_t y, bool animated, uint32_t delay);
    std::unique_ptr<OverheadButton> ShowSlotButton(PointFactory* factory, int32_t slot, int32_t slotCount,
                                                   int32_t x, int32_t y, bool animated, uint32_t delay);

    // ---- an animal house's buttons: "Feed" (kFeedCommand: the feed
    // product's icon and its price) or the produce's arrow button; clicks go
    // to the house's overhead command.
    std::unique_ptr<OverheadButton> ShowAnimalButton(PointBuilding* point, uint32_t command,
                                                     const PRODUCT* product, int32_t price, int32_t x,
                                                     int32_t y, bool animated, uint32_t delay);

    // ---- a level point's order (a click on a garbage site): true when a
    // button offers it.
    bool OfferPointOrder(int32_t index, uint32_t job);
    // ---- a damaged point's repair button over its puddle: its click orders
    // the point's repair. The button's handle (HideButton takes it away).
    uint32_t ShowRepairButton(int32_t index, bool animated);

    // ---- flying labels (field pixels)
    void ShowMoneyChange(int32_t amount, int32_t x, int32_t y, int32_t offset);
    void ShowProductChange(const PRODUCT* product, int32_t units, int32_t x, int32_t y, uint32_t delay,
                           int32_t labelOffset);

  private:
    class FieldArrow;
    // The marks of a job the level ordered at a point (clearing, repair):
    // its icon, and the bar that fills while the farmer works.
    struct WorkMark {
        int32_t index;
        uint32_t job;        // its JOBID
        SSColorIcon* icon;   // owned by the host
        SSProgressLine* bar; // owned by the host
    };
    // How far a factory's production and slot rows (its anchor at anchorY)
    // move down to stay clickable below the top bar.
    int32_t FactoryRowsDrop(const PointFactory* factory, int32_t x, int32_t anchorY) const;
    static uint32_t ClickArrow(ActiveScreenSprite* sprite, void* owner, uint32_t buttons);
    uint32_t OrderClear(int32_t index);
    uint32_t OrderRepair(int32_t index);
    void AddWorkMark(int32_t index, uint32_t job, const char16_t* icon, float x, float y);
    void ForgetArrow(uint32_t handle);
    void TickWorkMarks();
    // A level point's progress line and stage stars, made as the point sets
    // them and let go when it takes them away or is replaced.
    struct PointMarks {
        const LevelPoint* point = nullptr; // the point they were made for
        SSProgressLine* bar = nullptr;     // owned by the host
        SSStars* stars = nullptr;          // owned by the host
        int32_t starsMaximum = 0;
    };
    void FollowPoints();
    void FollowPoint(PointMarks& marks, const LevelPoint* point);

    GameLevel& level_;
    std::unique_ptr<ScreenSprites> host_;
    int32_t mouseX_ = -1, mouseY_ = -1;
    uint32_t nextHandle_ = 1;
    std::map<uint32_t, FieldArrow*> arrows_;   // by handle; owned by the host
    std::map<int32_t, uint32_t> clearButtons_; // point index -> arrow handle
    std::vector<WorkMark> workMarks_;
    std::array<PointMarks, kMaxLevelPoints> pointMarks_{};
};
