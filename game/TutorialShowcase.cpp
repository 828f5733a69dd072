#include "game/TutorialShowcase.h"

#include "engine/VirtualKeys.h"
#include "gui/Window.h"
#include "tutorials/TutorialLayer.h"

#include <memory>

namespace {

constexpr uint32_t kShowcaseTutorial = 0x00630000; // neither a level nor a map tutorial
// The click counter of the screen after loading: the arrow points at its
// left side from below and to the left.
constexpr int32_t kCounterOffsetX = -20, kCounterY = 482;

class ShowcaseStep : public tut::TutorialStep {
  public:
    explicit ShowcaseStep(tut::GameTutorial& owner)
        : TutorialStep(owner, kShowcaseTutorial | 1, tut::Tag4("Show")) {}
    void Begin() override {
        tut::TutorialLayer* layer = Layer();
        WindowManager* windows = &layer->Manager();
        auto counter = [windows](kis::Point& out, float&, uint32_t, uint32_t) {
            out = {windows->ScreenWidth() / 2 + kCounterOffsetX, kCounterY};
            return true;
        };
        tut::TutTargetCustom target(counter, 0, 0, 135, 6);
        layer->AddArrow(std::make_unique<tut::TutorialArrow>(*layer, 1), target.Clone(target.distance));
        layer->AddInfoAtPoint(std::make_unique<tut::TutorialInfo>(*layer, GetText(u"demo_1"), true), target,
                              false, 84);
        WaitForClick();
    }
    void OnActivate() override {}
    void OnDeactivate() override {}
    bool IsActionAllowed(uint32_t, uint32_t, uintptr_t) override { return true; }
    bool IsClickArea(int32_t, int32_t) const override { return true; }
};

class ShowcaseTutorial : public tut::GameTutorial {
  public:
    explicit ShowcaseTutorial(tut::TutorialRunner& runner) : GameTutorial(runner, kShowcaseTutorial) {
        AddStep<ShowcaseStep>(*this);
        startStepId_ = kShowcaseTutorial | 1;
        delay_ = tut::kInitialDelayMs;
        savedWithLevel_ = false;
        GoToStep(startStepId_);
        Start();
    }
};

std::unique_ptr<tut::TutorialRunner>& Runner() {
    static std::unique_ptr<tut::TutorialRunner> runner;
    return runner;
}

} // namespace

bool TutorialShowcaseKey(uint32_t virtualKey) {
    if (virtualKey != kVkF1 + 7) return false;
    WindowManager* windows = GetWindowManager();
    if (!windows) return true;
    auto& runner = Runner();
    if (runner && runner->Running()) {
        runner->Running()->Finish();
        return true;
    }
    if (!runner) runner = std::make_unique<tut::TutorialRunner>(tut::TutorialServices{windows});
    runner->Make<ShowcaseTutorial>();
    return true;
}

void UpdateTutorialShowcase(uint32_t ms) {
    if (Runner()) Runner()->Update(ms);
}

void CloseTutorialShowcase() {
    Runner().reset();
}
