#pragma once
// The pieces the scripted level tutorials build their steps from: a level
// tutorial of ScriptSteps, and the step kinds that several levels share
// (click to go on, select a point, press a panel button, open the warehouse).

#include "levelui/TextTags.h"
#include "tutorials/LevelScripts.h"

namespace tut::script {

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
    // A step of the chain, numbered in this tutorial; the previous one made leads to it.
    ScriptStep& Step(uint32_t number, uint32_t windowTag, uint32_t flagsActive, uint32_t flagsAfter) {
        return StepWithId(Id() | number, windowTag, flagsActive, flagsAfter);
    }
    ScriptStep& StepWithId(uint32_t id, uint32_t windowTag, uint32_t flagsActive, uint32_t flagsAfter) {
        ScriptStep* step = AddStep<ScriptStep>(*this, level_, id, windowTag, flagsActive, flagsAfter);
        if (last_) last_->SetNextId(step->Id());
        if (!last_) startStepId_ = step->Id();
        last_ = step;
        return *step;
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
    ScriptStep* last_ = nullptr;
};

// ---- tests of actions and events

// The data a control carries (its user data), 0 for none.
uintptr_t ControlData(TutorialObject control);
// Action 2 on a control of the window.
bool IsControl(TutorialAction action, uint32_t tag, TutorialObject data, uint32_t windowTag,
               uint32_t command);
// Event 1 from a control of the window.
bool FromControl(TutorialEvent event, uint32_t a, TutorialObject b, uint32_t windowTag, uint32_t command);
// Action 100 on a point's overhead button with that command (any point's
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
// Steps first to first + 2 of a factory built on the site at the point: the
// site selected, its buildings opened, the factory built.
void BuildFactorySteps(ScriptTutorial& t, uint32_t first, int32_t point, std::u16string type);
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
