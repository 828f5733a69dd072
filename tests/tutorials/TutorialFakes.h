#pragma once
// Fakes of the level and the map that the tutorial tests run against, and
// scripted test tutorials whose steps use every tool.

#include "tutorials/LevelTutorial.h"
#include "tutorials/MapTutorial.h"

#include <cmath>
#include <map>
#include <optional>
#include <vector>

namespace tutest {

struct FakeLevel : tut::TutorialLevel {
    uint32_t pauseWord = 0;
    bool clockStopped = false;
    int32_t selected = -1;
    int32_t pointCount = 10;
    int32_t buttonShown = 0; // +1 shown, -1 hidden
    int32_t panelTop = 700;  // the panel covers y >= panelTop
    void Pause(uint32_t r) override { pauseWord |= r; }
    void Resume(uint32_t r) override { pauseWord &= ~r; }
    void SetClockStop(bool on) override { clockStopped = on; }
    bool IsPausedExcept(uint32_t mask) const override { return (pauseWord & ~mask) != 0; }
    void SelectPoint(int32_t i) override { selected = i >= -1 && i < pointCount ? i : selected; }
    int32_t SelectedPoint() const override { return selected; }
    void ShowTutorialButton(bool show) override { buttonShown = show ? 1 : -1; }
    bool IsOverPanel(int32_t, int32_t y) const override { return y >= panelTop; }
};

struct FakeMap : tut::TutorialMap {
    std::map<uint32_t, kis::Vector2> levels;
    int32_t checks = 0;
    std::vector<bool> shown; // ShowLevels calls
    bool villainsGone = false;
    bool modal = false;
    int32_t interfaceTop = 720;
    bool Locate(uint32_t level, kis::Vector2& out) const override {
        auto it = levels.find(level);
        if (it == levels.end()) return false;
        out = it->second;
        return true;
    }
    // The map is drawn shifted by (10, 20).
    kis::Point ToScreen(const kis::Vector2& p) const override {
        return {int32_t(std::lround(p.x)) + 10, int32_t(std::lround(p.y)) + 20};
    }
    void CheckTutorials() override { ++checks; }
    void ShowLevels(bool instant) override { shown.push_back(instant); }
    bool IsOverInterface(int32_t, int32_t y) const override { return y >= interfaceTop; }
    void AddInterfaceRects(std::vector<kis::Rect>& rects) const override {
        rects.push_back({0, interfaceTop, 1024, 768});
    }
    bool VillainsGone() const override { return villainsGone; }
    bool ModalOpen() const override { return modal; }
};

// A step of a scripted level tutorial that completes on an event id or a
// click, with an arrow and a box on a custom target.
class EventStep : public tut::LevelTutorialStep {
  public:
    EventStep(tut::LevelTutorial& owner, uint32_t id, uint32_t flagsActive, uint32_t flagsAfter,
              std::optional<TutorialEvent> event, bool click, bool allowAll = false)
        : LevelTutorialStep(owner, id, tut::kTagLevelPanel, flagsActive, flagsAfter), event_(event),
          click_(click), allowAll_(allowAll) {}
    void Begin() override {
        ++begun;
        tut::TutorialLayer* layer = Layer();
        auto where = [](kis::Point& out, float&, uint32_t a, uint32_t b) {
            out = {int32_t(a), int32_t(b)};
            return true;
        };
        tut::TutTargetCustom target(where, 300, 200, 0, 0);
        layer->AddArrow(std::make_unique<tut::TutorialArrow>(*layer, 1), target.Clone(0));
        layer->AddInfoAtPoint(std::make_unique<tut::TutorialInfo>(*layer, GetText(u""), click_), target,
                              false, 84);
        if (click_) WaitForClick();
    }
    bool CanBegin() override { return canBegin; }
    bool IsActionAllowed(TutorialAction, uint32_t, TutorialObject) override { return allowAll_; }
    void OnEvent(TutorialEvent event, uint32_t, TutorialObject) override {
        if (event == event_) Complete();
    }
    bool LoadState(const uint32_t* record, uint32_t size) override {
        loaded.assign(record, record + size / 4);
        return !refuseLoad;
    }
    bool canBegin = true;
    int32_t begun = 0;
    std::vector<uint32_t> loaded; // the step's own block of the last load
    bool refuseLoad = false;

  private:
    std::optional<TutorialEvent> event_;
    bool click_;
    bool allowAll_;
};

// Tutorial 1 of the test: step 1 completes on JobOrdered, step 2 on a click,
// step 3 on PlantRipe and ends it.
class TestLevelTutorial : public tut::LevelTutorial {
  public:
    TestLevelTutorial(tut::TutorialRunner& runner, tut::TutorialLevel& level, uint32_t number = 1)
        : LevelTutorial(runner, 0x80000000 | number << 16, level) {
        const uint32_t base = 0x80000000 | number << 16;
        s1 = AddStep<EventStep>(*this, base | 1, tut::kStopClock | tut::kAllowClickPoint,
                                tut::kLevelDefaultFlags, TutorialEvent::JobOrdered, false, true);
        s2 = AddStep<EventStep>(*this, base | 2, tut::kLevelDefaultFlags, tut::kLevelDefaultFlags,
                                std::nullopt, true);
        s3 = AddStep<EventStep>(*this, base | 3, tut::kAllowVillains | tut::kAllowStepAside, 0,
                                TutorialEvent::PlantRipe, false);
        s1->SetNextId(base | 2);
        s2->SetNextId(base | 3);
        startStepId_ = base | 1;
    }
    EventStep *s1, *s2, *s3;
};

} // namespace tutest
