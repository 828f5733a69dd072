#include "showcase/TutorialShowcase.h"

#include "engine/VirtualKeys.h"
#include "gui/Window.h"
#include "tutorials/TutorialLayer.h"

#include <memory>

namespace {

constexpr uint32_t kShowcaseTutorial = 0x00630000; // neither a level nor a map tutorial
// The click counter of the showcase screen: the arrow points at its
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
    bool IsActionAllowed(TutorialAction, uint32_t, TutorialObject) override { return true; }
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

} // namespace

TutorialShowcase::TutorialShowcase() = default;

TutorialShowcase::~TutorialShowcase() {
    Close();
}

bool TutorialShowcase::Key(uint32_t virtualKey) {
    if (virtualKey != kVkF1 + 7) return false;
    WindowManager* windows = GetWindowManager();
    if (!windows) return true;
    if (runner_ && runner_->Running()) {
        runner_->Running()->Finish();
        return true;
    }
    if (!runner_) runner_ = std::make_unique<tut::TutorialRunner>(tut::TutorialServices{windows});
    runner_->Make<ShowcaseTutorial>();
    return true;
}

void TutorialShowcase::Update(uint32_t ms) {
    if (runner_) runner_->Update(ms);
}

void TutorialShowcase::Close() {
    runner_.reset();
}
