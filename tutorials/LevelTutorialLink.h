#pragma once
// The link between the level and its tutorial.

#include "level/LevelHooks.h"
#include "level/LevelPoint.h" // completes the point type that the hooks hand out
#include "tutorials/LevelTutorial.h"

namespace tut {

// The level's view of its tutorial: forwards to the runner's running level
// tutorial (none when another kind runs). Owned by the code that wires the
// level; the runner outlives it.
class LevelTutorialLink : public LevelTutorialHooks {
  public:
    explicit LevelTutorialLink(TutorialRunner& runner) : runner_(runner) {}
    LevelTutorial* Tutorial() const;
    bool IsRunning() const override { return Tutorial() != nullptr; }
    void Notify(TutorialEvent event, uint32_t a, TutorialObject b) override;
    bool Allows(TutorialAction action, uint32_t tag, TutorialObject data) const override;
    void GoToStartStep() override;
    void Finish() override;
    bool IsSavedWithLevel() const override;
    void Save(SaveWriter& stream) const override;
    // A refused record fails the reader, so the level treats the save as
    // unreadable; a record whose step is gone drops the tutorial only.
    bool Load(SaveReader& stream) override;
    void Drop() override;

  private:
    TutorialRunner& runner_;
};

} // namespace tut
