#pragma once
// The pieces the scripted level tutorials build their steps from: the
// targets their arrows and boxes point at, a level tutorial of ScriptSteps,
// and the step kinds that several levels share (click to go on, select a
// point, press a panel button, open the warehouse).

#include "levelui/TextTags.h"
#include "tutorials/LevelScripts.h"

#include <span>
#include <vector>

namespace tut {

// ---- targets
std::unique_ptr<TutorialTarget> PanelButton(ScriptLevel& level, uint32_t command, uintptr_t data, float angle,
                                            float distance = 4);
std::unique_ptr<TutorialTarget> WarehouseButton(ScriptLevel& level, uint32_t command, uintptr_t data,
                                                float angle, float distance = 4);
std::unique_ptr<TutorialTarget> LevelPoint(ScriptLevel& level, int32_t point, float angle = 90,
                                           float distance = 64);
// A point's overhead button: the edge point of its rectangle at the angle.
std::unique_ptr<TutorialTarget> PointButton(ScriptLevel& level, int32_t point, uint32_t command, float angle,
                                            float distance = 4);
// The field area's centre.
std::unique_ptr<TutorialTarget> FieldCentreTarget(ScriptLevel& level, float angle, float distance = 0);
// A point of the field (field coordinates).
std::unique_ptr<TutorialTarget> FieldSpot(ScriptLevel& level, kis::Vector2 field, float angle,
                                          float distance = 0);

} // namespace tut

namespace tut::script {

// One row of a tutorial's step table: the step's number, its window, its
// flags while it is current and after it, and what it does. A named piece
// (a step kind below) gives it several of its parts at once; the row's own
// parts, set after the piece, add to it or replace its parts. Parts left
// empty do the base thing.
struct StepRow {
    // The step's number in its tutorial, or a whole step id (level tutorial
    // bit set) for a step numbered in another tutorial.
    uint32_t step = 0;
    uint32_t window = kTagLevelPanel;
    struct Flags {
        uint32_t whileCurrent = 0;
        uint32_t after = 0;
    } flags = {};
    // Asked every frame while the step is pending: it shows only once true.
    std::function<bool(ScriptStep&)> beginsWhen = nullptr;
    std::function<void(ScriptStep&)> piece = nullptr;
    // The text-tag context of the step's boxes (a kind 0 leaves it unset).
    // Its constructors build the object in every row, the rows that leave
    // it out included (as a nested aggregate, an optimising build cannot
    // tell that the rows' copies of it were ever made).
    struct BoxContext {
        BoxContext() = default;
        BoxContext(uint32_t kind, std::function<uintptr_t(ScriptLevel&)> object)
            : kind(kind), object(std::move(object)) {}
        uint32_t kind = 0;
        std::function<uintptr_t(ScriptLevel&)> object;
    } context{};
    // The arrows and boxes (and a click wait) when the step is shown.
    std::function<void(ScriptStep&)> show = nullptr;
    // What the player may do while the step is current.
    std::function<bool(ScriptStep&, TutorialAction, uint32_t, TutorialObject)> mayDo = nullptr;
    // What completes the step: an event, a test every frame; an event may
    // also close the hint and change the flags short of completing it.
    std::function<void(ScriptStep&, TutorialEvent, uint32_t, TutorialObject)> onEvent = nullptr;
    std::function<void(ScriptStep&, uint32_t)> everyFrame = nullptr;
    // The tutorial's delay after the step completed (-1: the engine's or the piece's).
    int32_t delayAfter = -1;
    // What the step changes while it is current and puts back after it.
    std::function<void(ScriptStep&)> onActivate = nullptr, onDeactivate = nullptr;
    // The number of the step a save resumes at (0: the step itself, or the piece's choice).
    uint32_t resumeAt = 0;
    std::vector<int32_t> sightPoints = {};
    std::function<bool(int32_t, int32_t)> notClickArea = nullptr;
};

// A level tutorial whose steps are ScriptSteps; a start delay other than -1
// replaces the delay when it starts.
class ScriptTutorial : public LevelTutorial {
  public:
    ScriptTutorial(TutorialRunner& runner, uint32_t id, ScriptLevel& level,
                   uint32_t defaultFlags = kLevelDefaultFlags)
        : LevelTutorial(runner, id, level), level_(level) {
        defaultFlags_ = defaultFlags;
    }
    void OnStart() override {
        if (startDelay >= 0) SetDelay(uint32_t(startDelay));
    }
    // Makes a step of each row, in the table's order, each leading to the next.
    void AddSteps(std::span<const StepRow> table) {
        for (const StepRow& row : table) {
            const uint32_t id = row.step & kLevelTutorialBit ? row.step : StepId(row.step);
            ScriptStep& s =
                *AddStep<ScriptStep>(*this, level_, id, row.window, row.flags.whileCurrent, row.flags.after);
            if (last_) last_->SetNextId(id);
            if (!last_) startStepId_ = id;
            last_ = &s;
            if (row.piece) row.piece(s);
            if (row.beginsWhen) s.canBegin = row.beginsWhen;
            if (row.context.kind) s.SetContext(row.context.kind, row.context.object);
            if (row.show) s.begin = row.show;
            if (row.mayDo) s.allows = row.mayDo;
            if (row.onEvent) s.onEvent = row.onEvent;
            if (row.everyFrame) s.update = row.everyFrame;
            if (row.delayAfter >= 0) s.delayAfter = row.delayAfter;
            if (row.onActivate) s.activate = row.onActivate;
            if (row.onDeactivate) s.deactivate = row.onDeactivate;
            if (row.resumeAt) s.resume = [resumeId = StepId(row.resumeAt)](ScriptStep&) { return resumeId; };
            if (!row.sightPoints.empty()) s.sightPoints = row.sightPoints;
            if (row.notClickArea) s.notClickArea = row.notClickArea;
        }
    }
    void StartAtOnce() {
        savedWithLevel_ = false;
        GoToStep(startStepId_);
        Start();
    }
    // The id of step number n of this tutorial.
    uint32_t StepId(uint32_t number) const { return Id() | number; }
    ScriptLevel& View() const { return level_; }
    int32_t startDelay = -1;

  protected:
    ScriptLevel& level_;

  private:
    ScriptStep* last_ = nullptr;
};

// ---- tests of actions and events

// The data a control carries (its user data), 0 for none.
uintptr_t ControlData(TutorialObject control);
// TutorialAction::Control on a control of the window.
bool IsControl(TutorialAction action, uint32_t tag, TutorialObject data, uint32_t windowTag,
               uint32_t command);
// TutorialEvent::Button from a control of the window.
bool FromControl(TutorialEvent event, uint32_t a, TutorialObject b, uint32_t windowTag, uint32_t command);
// TutorialAction::ClickPoint on a point's overhead button with that command (any point's
// when point is -1, and any button of the command when the level cannot
// tell whose it is).
bool ClicksButton(ScriptStep& t, TutorialAction action, uint32_t tag, TutorialObject sprite, uint32_t command,
                  int32_t point);
// TutorialEvent::JobOrdered for a job of that id.
inline bool JobOrdered(TutorialEvent event, uint32_t a, uint32_t jobId) {
    return event == TutorialEvent::JobOrdered && a == jobId;
}
// The farmer works at a job of that id and is nearer than the distance to its place.
bool WorksNear(const ScriptLevel& level, uint32_t jobId, float distance);

// ---- step kinds

// The step completes on a click.
void ClickToGoOn(ScriptStep& s);
// A box centred on the field centre, the distance along the angle; with the
// click line the step waits for a click.
void FieldBox(ScriptStep& s, float angle, float distance, bool clickLine = true);
// An arrow and the step's box at a target.
void ArrowAndBox(ScriptStep& t, const TutorialTarget& target, bool clickLine = false);
// An arrow at a panel button with the default box, the step going on when
// the button is pressed (with that data, when given).
void PressPanelButton(ScriptStep& s, uint32_t command, std::function<uintptr_t(ScriptLevel&)> data = nullptr);
// A level arrow at a point; hovering and selecting that point only; done when it is selected.
void SelectPoint(ScriptStep& s, int32_t point, float angle = 90);
// A level arrow at a plant point while it grows; done when it is selected and fully ripe.
void GrowUntilRipe(ScriptStep& s, int32_t point);
// The goal button (with the first goal).
std::unique_ptr<TutorialTarget> GoalButton(ScriptLevel& level);
// The warehouse button with a second arrow at the warehouse itself; done
// when it is pressed or the warehouse window is open however it was opened.
void OpenWarehouse(ScriptStep& s);
// The warehouse window's close button; the tutorial's delay after it is 400 ms.
void CloseWarehouse(ScriptStep& s);
// Builds the named type on a point through the building (or house) choice:
// the choice's arrow while the point is an empty site; once the choice was
// pressed, or when the point is a building already, the flags are kGrowAndStepAside and
// the step waits for the building to stand (stage 1). A save resumes at the
// step before while the point is still an empty site.
void BuildOnSite(ScriptStep& s, int32_t point, uint32_t choice, std::u16string type);
// A job ordered at a point's overhead button (arrow only while the button
// shows): only that button may be pressed; the flags kAllowStepAside once the job is
// ordered, or when the farmer's last queued job is of its kind. What ends
// the step is the caller's (its update, or an event handled before these).
void OrderAtButton(ScriptStep& s, int32_t point, float angle, uint32_t button, uint32_t job);

// Harvest at a point's harvest button (arrow only while it shows one): the
// flags kAllowStepAside once the harvest is ordered, or when the farmer's last queued
// job is a harvest; done when the stock holds the units of wheat.
void HarvestForWheat(ScriptStep& s, int32_t point, float angle, uint32_t units);

// The eggs of the henhouse at a point: its eggs button (flags kGrowAndStepAside
// and kAllowClickPoint while it shows, so that it can be pressed); done when a building's products reach the
// warehouse; the take-eggs order closes the hint.
void TakeEggs(ScriptStep& s, int32_t point, float angle);

// Flags of a step waiting for a job it ordered: plants grow and the farmer
// may step aside; plants grow and factories produce.
constexpr uint32_t kGrowAndStepAside = kAllowPlantGrows | kAllowStepAside;
constexpr uint32_t kGrowAndProduce = kAllowPlantGrows | kAllowProduce;

uint32_t Wheat(ScriptLevel& level);
uintptr_t WheatPlant(ScriptLevel& level);

// The objects the steps give their boxes' text tags: the first goal, the
// wheat product, the product of the stock's first record.
uintptr_t FirstGoal(ScriptLevel& level);
uintptr_t WheatRecord(ScriptLevel& level);
uintptr_t FirstStockRecord(ScriptLevel& level);

// ---- the scripted tutorials
GameTutorial* MakeLevel2(TutorialRunner& runner, ScriptLevel& level);
GameTutorial* MakeLevel3(TutorialRunner& runner, ScriptLevel& level);
GameTutorial* MakeLevel4(TutorialRunner& runner, ScriptLevel& level);
GameTutorial* MakeLevel5(TutorialRunner& runner, ScriptLevel& level);
GameTutorial* MakeLevel6(TutorialRunner& runner, ScriptLevel& level);
GameTutorial* MakeLevel8(TutorialRunner& runner, ScriptLevel& level);

} // namespace tut::script
