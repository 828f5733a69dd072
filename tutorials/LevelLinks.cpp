// The level's link to its tutorial (LevelTutorialLink).

#include "level/SaveStream.h"
#include "tutorials/LevelTutorialLink.h"

namespace tut {

LevelTutorial* LevelTutorialLink::Tutorial() const {
    return dynamic_cast<LevelTutorial*>(runner_.Running());
}

void LevelTutorialLink::Notify(TutorialEvent event, uint32_t a, TutorialObject b) {
    if (LevelTutorial* t = Tutorial()) t->OnEvent(event, a, b);
}

bool LevelTutorialLink::Allows(TutorialAction action, uint32_t tag, TutorialObject data) const {
    LevelTutorial* t = Tutorial();
    return !t || t->AllowsAction(action, tag, data);
}

void LevelTutorialLink::GoToStartStep() {
    if (LevelTutorial* t = Tutorial()) t->GoToStep(t->StartStepId());
}

void LevelTutorialLink::Finish() {
    if (LevelTutorial* t = Tutorial()) t->Finish();
}

bool LevelTutorialLink::IsSavedWithLevel() const {
    LevelTutorial* t = Tutorial();
    return t && t->IsSavedWithLevel();
}

void LevelTutorialLink::Save(SaveWriter& stream) const {
    if (LevelTutorial* t = Tutorial()) t->Save(stream);
}

bool LevelTutorialLink::Load(SaveReader& stream) {
    LevelTutorial* t = Tutorial();
    if (!t) return false;
    if (t->Load(stream)) {
        // The set-up went to the first step; a loaded tutorial goes on at its
        // resume step instead (unless its record dropped it).
        if (Tutorial() == t) t->GoToStep(t->StartStepId());
        return true;
    }
    stream.Fail();
    return false;
}

void LevelTutorialLink::Drop() {
    if (LevelTutorial* t = Tutorial()) t->Done();
}

} // namespace tut
