#pragma once
// The tutorial engine: one scripted tutorial at a time runs a chain of
// numbered steps over the running level or the level-select map. The current
// step shows arrows and hint boxes on its own overlay window, restricts what
// the player may do, and completes on a game event, a condition tested every
// frame or a click; the tutorial then waits and shows the next step.

#include "app/GameShell.h"
#include "foundation/Helpers.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class GameWindow;
class SaveReader;
class SaveWriter;
class WindowManager;

namespace tut {

class GameTutorial;
class TutorialLayer;
class TutorialRunner;

// Ids: bit 31 a level tutorial, bit 30 a map tutorial, bits 16-23 the
// tutorial number, bits 0-15 the step number (0 in a tutorial's own id).
constexpr uint32_t kLevelTutorialBit = 0x80000000;
constexpr uint32_t kMapTutorialBit = 0x40000000;
constexpr uint32_t TutorialNumber(uint32_t id) {
    return (id >> 16) & 0xFF;
}
constexpr int32_t StepNumber(uint32_t id) {
    return int16_t(uint16_t(id & 0xFFFF));
}

// Tutorial states.
enum TutorialState : uint32_t { kCreated = 0, kRunning = 2, kFinishing = 3, kDone = 4 };

// Activation delays (ms).
constexpr uint32_t kShowDelayMs = 100;     // the delay's end until the pending step is shown
constexpr uint32_t kActivateDelayMs = 200; // shown until current
constexpr uint32_t kCompleteDelayMs = 200; // a completed step until the next one's activation starts
constexpr uint32_t kInitialDelayMs = 500;  // level and map tutorials

// Restriction flags of the base rule.
constexpr uint32_t kFlagWindows = 0x1000000;  // TutorialAction::Drag and TutorialAction::Control
constexpr uint32_t kFlagMessages = 0x2000000; // TutorialAction::Message

// Four-character window tags, first character in the high byte.
constexpr uint32_t Tag4(const char (&s)[5]) {
    return uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 | uint32_t(uint8_t(s[2])) << 8 |
           uint32_t(uint8_t(s[3]));
}

// A step's countdown: 0 idle, 1 running, 2 expired.
struct StepTimer {
    uint32_t state = 0;
    uint32_t remaining = 0;
    void Set(uint32_t ms);
    // While running: remaining falls by dt, and when it is then not above dt
    // it becomes 0 and the timer expires. True when expired.
    bool Tick(uint32_t dt);
};

// The tutorial record in the level save, all u32: size, default flags, resume
// step id, id of a step that saved a block behind it (always 0); level
// tutorials add the selected point.
constexpr uint32_t kRecordBaseSize = 16;

class TutorialStep {
  public:
    // Made through the owner's AddStep, whose step list owns it.
    TutorialStep(GameTutorial& owner, uint32_t id, uint32_t windowTag);
    TutorialStep(const TutorialStep&) = delete;
    TutorialStep& operator=(const TutorialStep&) = delete;

    // ---- virtual operations, in slot order
    // Creates the step's arrows, boxes and click wait.
    virtual void Begin() {}
    virtual void OnActivate() = 0;
    virtual void OnDeactivate() = 0;
    virtual ~TutorialStep();
    // The text of the key in the group "tutorial" (the key itself when missing).
    virtual std::u16string GetText(const std::u16string& key) const;
    virtual bool CanBegin() { return true; }
    virtual void OnLayout() {}
    virtual void Update(uint32_t dt) { (void)dt; }
    virtual bool IsActionAllowed(TutorialAction action, uint32_t tag, TutorialObject data) {
        (void)action, (void)tag, (void)data;
        return false;
    }
    virtual void OnEvent(TutorialEvent event, uint32_t a, TutorialObject b) { (void)event, (void)a, (void)b; }
    // What the step's boxes leave in sight besides their arrows (screen
    // rectangles, added to the list): none here.
    virtual void AddSightRects(std::vector<kis::Rect>& rects) const { (void)rects; }
    // Of those, what no box may cover even where it finds no other place:
    // the screen's own controls (a level panel's buttons, bars, clock and
    // goals) and what grows or appears where the player watches. None here.
    virtual void AddNeverCoveredRects(std::vector<kis::Rect>& rects) const { (void)rects; }
    // What the step's arrows lie over none of (screen rectangles, added to
    // the list): an arrow that would is turned to point from another side.
    virtual void AddArrowKeepOffRects(std::vector<kis::Rect>& rects) const { (void)rects; }
    // The screen rectangle the step's boxes stay inside (the face of the
    // window they explain); false: the whole screen.
    virtual bool BoxRoom(kis::Rect& room) const {
        (void)room;
        return false;
    }
    // A click that completes the current step also reaches what lies under
    // its layer, as far as the tutorial then allows.
    virtual bool PassesCompletingClick() const { return false; }
    // Screen point where a click completes a step waiting for one.
    virtual bool IsClickArea(int32_t x, int32_t y) const {
        (void)x, (void)y;
        return false;
    }
    virtual void Complete();
    // Writes the step's id as the resume id of the record being saved.
    virtual bool SaveState(SaveWriter& stream);
    // A block of the step's own that a save holds behind the tutorial's
    // record (words: its size first); false refuses the save.
    virtual bool LoadState(const uint32_t* record, uint32_t size) {
        (void)record, (void)size;
        return true;
    }

    // Creates the layer above the window with the step's tag, runs Begin and
    // OnLayout, and fades the layer in; nothing with a layer or tag 0.
    void Show();
    void Activate();
    // Step tools for Begin: a click on the layer completes the step.
    void WaitForClick();
    // The player clicked the step's layer: the step completes, at once when
    // it is current, else as soon as it becomes current.
    void OnLayerClick();

    GameTutorial& Owner() const { return owner_; }
    uint32_t Id() const { return id_; }
    uint32_t WindowTag() const { return windowTag_; }
    bool IsActive() const { return active_; }
    TutorialLayer* Layer() const { return layer_; }
    uint32_t NextId() const { return nextId_; }
    void SetNextId(uint32_t id) { nextId_ = id; }

  private:
    friend class TutorialLayer;
    friend class GameTutorial;
    GameTutorial& owner_;
    uint32_t id_;
    uint32_t windowTag_;
    bool active_ = false;
    bool clickedBeforeActive_ = false; // on the layer of a step shown, not yet current
    TutorialLayer* layer_ = nullptr;   // in the window stack, which owns it
    uint32_t nextId_ = 0;
};

// What the engine needs of the program: the window stack for the layers (null:
// steps show no layer) and the screen size.
struct TutorialServices {
    WindowManager* windows = nullptr;
};

class GameTutorial : public TutorialHooks {
  public:
    GameTutorial(TutorialRunner& runner, uint32_t id);
    GameTutorial(const GameTutorial&) = delete;
    GameTutorial& operator=(const GameTutorial&) = delete;

    // ---- virtual operations, in slot order
    // Called before the new flags are stored.
    virtual void OnFlagsChanged(uint32_t flags) { (void)flags; }
    virtual void OnStart() {}
    virtual void OnFinish() {}
    virtual void OnFirstStepShown() {}
    virtual void OnEnd() {}
    virtual bool CanUse(uint32_t key, const GameWindow* window) {
        (void)key, (void)window;
        return true;
    }
    virtual bool IsActionAllowed(TutorialAction action, uint32_t tag, TutorialObject data);
    // Writes a record of at least 16 bytes (size, flags, resume id, 0) and
    // keeps its offset while the save runs.
    virtual bool SaveState(uint32_t size, SaveWriter& stream);
    // The record's words (size checked by the caller); restores the flags.
    virtual bool LoadState(const uint32_t* record, uint32_t size);
    ~GameTutorial() override;
    virtual void Relayout();
    virtual void Update(uint32_t dt);
    virtual bool IsSavedWithLevel() const { return savedWithLevel_; }
    void OnEvent(TutorialEvent event, uint32_t a, TutorialObject b) override;

    // ---- operations
    void Start();
    void GoToStep(uint32_t id);
    void Finish();
    void Done();
    void SetFlags(uint32_t flags);
    bool AllowsAction(TutorialAction action, uint32_t tag, TutorialObject data) override;
    bool Save(SaveWriter& stream);
    // False when the stream is unreadable. A well-formed record whose resume
    // id names no step loads as no tutorial: the tutorial ends (Done) and the
    // call succeeds, so the rest of the save is kept.
    bool Load(SaveReader& stream);
    // Reads a sized block of at least minSize bytes as words, its size first.
    static bool ReadRecord(SaveReader& stream, uint32_t minSize, std::vector<uint32_t>* words);

    // ---- fields
    uint32_t Id() const { return id_; }
    uint32_t State() const { return state_; }
    uint32_t Flags() const { return flags_; }
    uint32_t DefaultFlags() const { return defaultFlags_; }
    uint32_t StartStepId() const { return startStepId_; }
    uint32_t Delay() const { return delay_; }
    void SetDelay(uint32_t ms) { delay_ = ms; }
    TutorialStep* Current() const { return current_; }
    TutorialStep* Pending() const { return pending_; }
    TutorialStep* FindStep(uint32_t id) const;
    const std::vector<TutorialLayer*>& Layers() const { return layers_; }
    TutorialRunner& Runner() const { return runner_; }
    // Makes a step; the tutorial owns it. Scripted tutorials build their
    // chains with it.
    template <class S, class... A> S* AddStep(A&&... args) {
        auto made = std::make_unique<S>(std::forward<A>(args)...);
        S* raw = made.get();
        steps_.push_back(std::move(made));
        return raw;
    }
    WindowManager* Windows() const;
    // Offset of the record being written, or kNoRecord.
    static constexpr size_t kNoRecord = ~size_t(0);
    size_t SaveRecord() const { return saveRecord_; }

  protected:
    uint32_t defaultFlags_ = 0;
    uint32_t startStepId_ = 0;
    uint32_t delay_ = 0;
    bool savedWithLevel_ = true;

  private:
    friend class TutorialStep;
    friend class TutorialLayer;
    void ActivatePending();

    TutorialRunner& runner_;
    uint32_t id_;
    uint32_t flags_ = 0;
    uint32_t state_ = kCreated;
    std::vector<std::unique_ptr<TutorialStep>> steps_;
    TutorialStep* current_ = nullptr; // in steps_
    TutorialStep* pending_ = nullptr; // in steps_
    uint32_t phase_ = 0;
    bool firstStepShown_ = false;
    std::vector<TutorialLayer*> layers_; // in the window stack, which owns them
    size_t saveRecord_ = kNoRecord;
};

// Owns the tutorials: the running one and the finished ones, which go after
// the running tutorial's update of each frame. Installs the running one as the
// shell's TutorialNotify/TutorialAllows target.
class TutorialRunner {
  public:
    explicit TutorialRunner(TutorialServices services) : services_(services) {}
    ~TutorialRunner();
    TutorialRunner(const TutorialRunner&) = delete;
    TutorialRunner& operator=(const TutorialRunner&) = delete;

    // Ends the running tutorial (Done) and makes a new one running.
    template <class T, class... A> T* Make(A&&... args) {
        auto made = std::make_unique<T>(*this, std::forward<A>(args)...);
        T* raw = made.get();
        Adopt(std::move(made));
        return raw;
    }
    GameTutorial* Running() const { return running_; }
    // The frame step: the running tutorial's update, then the finished ones go.
    void Update(uint32_t dt);
    // Deletes every tutorial at once (map close, profile reload).
    void DeleteAll();
    size_t Count() const { return owned_.size(); }
    const TutorialServices& Services() const { return services_; }

  private:
    friend class GameTutorial;
    void BeginNew(GameTutorial* tutorial);
    void Adopt(std::unique_ptr<GameTutorial> tutorial);
    void MarkFinished(GameTutorial* tutorial);

    TutorialServices services_;
    std::vector<std::unique_ptr<GameTutorial>> owned_;
    GameTutorial* running_ = nullptr;     // in owned_
    std::vector<GameTutorial*> finished_; // in owned_
};

// The tutorials' part of the screen: after a change of screen size the
// running tutorial's arrows and boxes find their targets again (Relayout).
// Registered with the shell's screen parts; nothing when no tutorial runs.
void RelayoutRunningTutorial();

} // namespace tut
