#pragma once
// The middle of the level panel: the child panel framework (attach and
// detach, the priced button lists), the 76-px panel buttons, the level
// block with a point's picture and level marks, and the empty panel with the
// medal times and the running clock.

#include "gui/ImageButton.h"
#include "gui/Skin.h"
#include "levelui/PanelLayout.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class BaseLevelPoint;
class CLPLevelBlock;
class GameControls;
class RunningLevelView;
class LevelPanel;
class LevelPanelButton;
class Sprite;
class SpriteInstance;
struct PRODUCT;

// A child panel: registered with the level panel while it lives, shown while
// attached. The level panel's current child is at most one.
class ChildLevelPanel {
  public:
    explicit ChildLevelPanel(LevelPanel& owner);
    virtual ~ChildLevelPanel();
    ChildLevelPanel(const ChildLevelPanel&) = delete;
    ChildLevelPanel& operator=(const ChildLevelPanel&) = delete;

    // ---- virtual operations, in slot order
    virtual void GetSize(int32_t* width, int32_t* height) const;
    virtual void OnAttached() {}
    // Builds the skin and places the buttons; none in the base.
    virtual void Layout() {}
    virtual void Draw(DXLViewer& viewer);
    virtual void RefreshMoneyButtons();
    // product null: every button priced in a product.
    virtual void RefreshProductButtons(const PRODUCT* product);
    virtual void Refresh() {}
    // The click flags of the toolkit; the base handles the remove command.
    virtual uint32_t OnButtonCommand(GameButton* button);

    void Attach();
    void Detach();
    void ApplyLayout();
    void RefreshRemoveButton();
    // The background: the plain piece outside [from, to + 2], the framed strip inside.
    void AddStrip(int32_t from, int32_t to);

    // The price lists: 0 priced in money, 1 priced in a product.
    void AddToPriceList(LevelPanelButton* button, int32_t list);
    void RemoveFromPriceList(LevelPanelButton* button);

    LevelPanel& Owner() const { return owner_; }
    GameControls& Buttons() { return *group_; }
    bool IsAttached() const { return attached_; }
    int32_t id = -1;
    int32_t x = 0, y = 0, width = 0, height = 0;
    CLPLevelBlock* levelBlock = nullptr;      // in the button group
    LevelPanelButton* removeButton = nullptr; // in the button group

  protected:
    LevelPanel& owner_;
    std::unique_ptr<GameControls> group_;
    std::vector<SkinQuads> skin_;
    std::vector<LevelPanelButton*> prices_[2]; // in the button group
    bool attached_ = false;
    uint32_t layoutCopy_ = 0;
};

// A 76-px panel button in its part of the panel's width.
class LevelPanelButton : public ImageButton {
  public:
    static constexpr uint32_t kKindMask = 0xF, kKindIcon = 1, kIconHigh = 0x10;
    static constexpr uint32_t kCannotPay = 0x10000, kDisabled = 0x20000, kFirst = 0x10000000,
                              kLast = 0x20000000;
    static constexpr int32_t kHeight = 76;

    LevelPanelButton(GameWindow* window, GameControls* group, ChildLevelPanel* panel,
                     const ButtonParts& parts, uint32_t index, uint32_t command, uint32_t flags,
                     Sprite* icon);
    ~LevelPanelButton() override;

    void Draw(DXLViewer& viewer, float alpha) override;
    void SetIcon(Sprite* icon, int32_t frame) override;
    void SetPosition(int32_t x, int32_t y) override;
    void LayoutContent();

    // count < 0 counts as 0; product null: the price is money.
    void SetProduct(int32_t count, const PRODUCT* product, Sprite* productIcon = nullptr);
    void SetEnabled(bool enabled);
    void RefreshPrice();
    // At (panel x + x, panel y + 7).
    void Place(int32_t x);
    void ChangeIcon(Sprite* icon);

    uint32_t Flags() const { return flags_; }
    int32_t Count() const { return count_; }
    const PRODUCT* Product() const { return product_; }
    int32_t PriceList() const { return list_; }
    void SetPriceList(int32_t list) { list_ = list; }
    int32_t PartX() const { return partX_; }
    int32_t PartWidth() const { return partWidth_; }

  private:
    void ApplyStateRule();

    ChildLevelPanel* panel_; // the owner of the group
    uint32_t flags_;
    int32_t partX_, partWidth_;
    int32_t count_ = 0;
    const PRODUCT* product_ = nullptr; // owned by the product table
    std::unique_ptr<SpriteInstance> productIcon_;
    SkinText countText_;
    int32_t list_ = -1;
    std::vector<SkinQuads> frames_[4];
};

// A point's picture and its level marks (100 x 77).
class CLPLevelBlock : public ActiveButton {
  public:
    static constexpr int32_t kWidth = 100, kHeight = 77;
    CLPLevelBlock(GameWindow* window, GameControls* group, ChildLevelPanel* panel);
    ~CLPLevelBlock() override;
    // The level count, the stage, the picture (frame 1, half scale).
    void Show(uint32_t levelCount, uint32_t stage, Sprite* picture);
    void SetHintText(const std::u16string& text, uint32_t tagKind, uintptr_t value);
    void SetValue(uintptr_t value);
    BaseHintWindow* GetHintWindow() override;
    uint32_t GetCursor() override { return kDefaultCursor; }
    void Draw(DXLViewer& viewer, float alpha) override;
    // At (panel x + x, panel y + 7).
    void Place(int32_t x);
    const std::vector<LevelMark>& Marks() const { return marks_; }

  private:
    ChildLevelPanel* panel_;
    uint32_t levels_ = 0, stage_ = 0;
    Sprite* picture_ = nullptr;
    std::unique_ptr<SpriteInstance> instance_;
    std::vector<LevelMark> marks_;
    std::u16string text_;
    uint32_t tagKind_ = 0;
    uintptr_t tagValue_ = 0;
    bool refresh_ = false;
};

// Nothing selected: the medal times and the running clock.
class EmptyPanel : public ChildLevelPanel {
  public:
    explicit EmptyPanel(LevelPanel& owner);
    void Layout() override;
    void Draw(DXLViewer& viewer) override;

    struct Row {
        Sprite* icon; // owned by library 1
        SkinText text;
        int32_t y;
    };
    const std::vector<Row>& MedalRows() const { return rows_; }
    const std::u16string& ClockText() const { return clock_.text.Text(); }
    int32_t LeftColumn() const { return left_; }
    int32_t RightColumn() const { return width - left_; }
    // Reformats the clock when the whole second changed.
    void UpdateClock();

  private:
    void DrawRow(DXLViewer& viewer, Row& row, int32_t column);
    std::vector<Row> rows_;
    Row clock_;
    SkinText caption_;
    int32_t left_ = 0;
    int64_t shownSecond_ = -1;
};

// The panel button makers (each keeps its icon once looked up).
LevelPanelButton* CreateRemoveButton(ChildLevelPanel* panel);
LevelPanelButton* CreateUpgradeButton(ChildLevelPanel* panel, const ButtonParts& parts, uint32_t index);
LevelPanelButton* CreateBackButton(ChildLevelPanel* panel, const ButtonParts& parts);
LevelPanelButton* CreateEmptyButton(ChildLevelPanel* panel, const ButtonParts& parts, uint32_t index,
                                    uint32_t command);
LevelPanelButton* CreatePanelButton(ChildLevelPanel* panel, const ButtonParts& parts, uint32_t index,
                                    uint32_t command, Sprite* icon, int32_t count, const PRODUCT* product);
