#include "tutorials/Tutorial.h"

#include "gui/Window.h"
#include "level/SaveStream.h"
#include "tutorials/TutorialLayer.h"

#include <algorithm>
#include <cstdio>

namespace tut {

// ---------------------------------------------------------------- StepTimer

void StepTimer::Set(uint32_t ms) {
    remaining = ms;
    state = ms == 0 ? 2 : 1;
}

bool StepTimer::Tick(uint32_t dt) {
    if (state == 1) {
        remaining = remaining > dt ? remaining - dt : 0;
        if (remaining <= dt) {
            remaining = 0;
            state = 2;
        }
    }
    return state == 2;
}

// ---------------------------------------------------------------- TutorialStep

TutorialStep::TutorialStep(GameTutorial& owner, uint32_t id, uint32_t windowTag)
    : owner_(owner), id_(id), windowTag_(windowTag) {}

TutorialStep::~TutorialStep() {
    if (layer_) {
        TutorialLayer* layer = layer_;
        layer->step_ = nullptr;
        layer_ = nullptr;
        layer->Manager().Destroy(layer); // no fade
    }
}

std::u16string TutorialStep::GetText(const std::u16string& key) const {
    if (WindowManager* windows = owner_.Windows()) return windows->Text(u"tutorial", key.c_str());
    return key;
}

void TutorialStep::Show() {
    if (layer_ || windowTag_ == 0) return;
    WindowManager* windows = owner_.Windows();
    if (!windows) return;
    clickedBeforeActive_ = false;
    // Opened on top, then moved down to stand directly above the step's
    // window: the windows opened over that one stay over its overlay.
    windows->SetWindowLayer(windows->Open<TutorialLayer>(*this), windowTag_, kLayerTag);
    Begin();
    OnLayout();
    if (layer_) layer_->SetLayerState(kLayerFadingIn);
}

void TutorialStep::Activate() {
    if (active_) return;
    if (owner_.current_ && owner_.current_ != this) owner_.current_->Complete();
    owner_.current_ = this;
    owner_.pending_ = nullptr;
    OnActivate();
    active_ = true;
    // Its box took a click while it was shown and not yet current.
    if (clickedBeforeActive_) {
        clickedBeforeActive_ = false;
        Complete();
    }
}

void TutorialStep::Complete() {
    if (!active_) return;
    if (layer_) layer_->SetLayerState(kLayerClosing);
    if (owner_.current_ == this) owner_.current_ = nullptr;
    owner_.delay_ = kCompleteDelayMs;
    active_ = false;
    OnDeactivate();
    if (nextId_ != 0)
        owner_.GoToStep(nextId_);
    else
        owner_.Finish();
}

void TutorialStep::WaitForClick() {
    if (layer_) layer_->AddClickWait();
}

// A step is shown some time before it becomes current; a click on its box
// in that time is kept rather than lost.
void TutorialStep::OnLayerClick() {
    if (active_)
        Complete();
    else
        clickedBeforeActive_ = true;
}

bool TutorialStep::SaveState(SaveWriter& stream) {
    size_t record = owner_.SaveRecord();
    if (record == GameTutorial::kNoRecord) return false;
    stream.PatchU32(record + 8, id_);
    return !stream.Failed();
}

// ---------------------------------------------------------------- GameTutorial

GameTutorial::GameTutorial(TutorialRunner& runner, uint32_t id) : runner_(runner), id_(id) {
    runner_.BeginNew(this);
}

GameTutorial::~GameTutorial() {
    // The layers go with their steps (each step destroys its own); detach the
    // closing ones that no step holds any more.
    for (TutorialLayer* layer : layers_) {
        layer->tutorial_ = nullptr;
        if (!layer->step_) layer->Manager().Destroy(layer);
    }
    layers_.clear();
    current_ = pending_ = nullptr;
    steps_.clear();
    if (runner_.running_ == this) {
        runner_.running_ = nullptr;
        SetRunningTutorial(nullptr);
    }
}

WindowManager* GameTutorial::Windows() const {
    return runner_.Services().windows;
}

TutorialStep* GameTutorial::FindStep(uint32_t id) const {
    for (auto it = steps_.rbegin(); it != steps_.rend(); ++it)
        if ((*it)->Id() == id) return it->get();
    return nullptr;
}

void GameTutorial::Start() {
    if (state_ >= kRunning) return;
    state_ = kRunning;
    SetFlags(defaultFlags_);
    OnStart();
    ActivatePending();
}

void GameTutorial::GoToStep(uint32_t id) {
    if (current_) {
        if (current_->Id() == id) return;
        current_->Complete();
    }
    pending_ = nullptr;
    phase_ = 0;
    if (state_ < kFinishing) {
        pending_ = FindStep(id);
        ActivatePending();
    }
}

void GameTutorial::ActivatePending() {
    if (state_ != kRunning || !pending_ || delay_ > 0 || !pending_->CanBegin()) return;
    switch (phase_) {
    case 0:
        delay_ = kShowDelayMs;
        phase_ = 1;
        break;
    case 1:
        delay_ = kActivateDelayMs;
        phase_ = 2;
        pending_->Show();
        break;
    default:
        if (!firstStepShown_) {
            firstStepShown_ = true;
            OnFirstStepShown();
        }
        phase_ = 0;
        pending_->Activate();
        break;
    }
}

void GameTutorial::Finish() {
    if (state_ >= kFinishing) return;
    state_ = kFinishing;
    if (current_) current_->Complete();
    if (pending_) {
        if (TutorialLayer* layer = pending_->Layer()) layer->SetLayerState(kLayerClosing);
        pending_ = nullptr;
    }
    SetFlags(0);
    OnFinish();
    OnEnd();
}

void GameTutorial::Done() {
    Finish();
    if (state_ == kDone) return;
    state_ = kDone;
    runner_.MarkFinished(this);
}

void GameTutorial::SetFlags(uint32_t flags) {
    if (state_ == kDone || flags == flags_) return;
    OnFlagsChanged(flags);
    flags_ = flags;
}

bool GameTutorial::AllowsAction(TutorialAction action, uint32_t tag, TutorialObject data) {
    if (state_ >= kFinishing) return true;
    return IsActionAllowed(action, tag, data);
}

bool GameTutorial::IsActionAllowed(TutorialAction action, uint32_t tag, TutorialObject data) {
    if ((action == TutorialAction::Drag || action == TutorialAction::Control) && !(flags_ & kFlagWindows))
        return false;
    if (action == TutorialAction::Key) return CanUse(tag, data.As<GameWindow>());
    if (action == TutorialAction::Message && !(flags_ & kFlagMessages)) return false;
    return current_ ? current_->IsActionAllowed(action, tag, data) : true;
}

void GameTutorial::OnEvent(TutorialEvent event, uint32_t a, TutorialObject b) {
    if (current_) current_->OnEvent(event, a, b);
}

void GameTutorial::Relayout() {
    if (state_ == kDone) return;
    if (current_) current_->OnLayout();
    for (TutorialLayer* layer : layers_)
        if (layer->LayerState() < kLayerClosed) layer->Relayout();
}

void RelayoutRunningTutorial() {
    if (auto* running = dynamic_cast<GameTutorial*>(RunningTutorial())) running->Relayout();
}

void GameTutorial::Update(uint32_t dt) {
    if (state_ == kDone) return;
    delay_ = delay_ > dt ? delay_ - dt : 0;
    if (pending_) ActivatePending();
    if (current_) current_->Update(dt);
    for (size_t i = 0; i < layers_.size();) {
        TutorialLayer* layer = layers_[i];
        uint32_t s = layer->LayerState();
        if (s >= kLayerFadingIn && s <= kLayerClosing) layer->Step(dt);
        if (layer->LayerState() == kLayerClosed) {
            layers_.erase(layers_.begin() + ptrdiff_t(i));
            layer->tutorial_ = nullptr;
            if (layer->step_) layer->step_->layer_ = nullptr, layer->step_ = nullptr;
            layer->Manager().Destroy(layer);
            continue;
        }
        ++i;
    }
    if (state_ == kFinishing && layers_.empty()) Done();
}

bool GameTutorial::SaveState(uint32_t size, SaveWriter& stream) {
    uint32_t bytes = std::max(size, kRecordBaseSize);
    size_t offset = stream.Size();
    if (!stream.Alloc(bytes)) return false;
    stream.PatchU32(offset, bytes);
    stream.PatchU32(offset + 4, defaultFlags_);
    stream.PatchU32(offset + 8, pending_ ? pending_->Id() : 0);
    stream.PatchU32(offset + 12, 0);
    saveRecord_ = offset;
    return !stream.Failed();
}

bool GameTutorial::LoadState(const uint32_t* record, uint32_t size) {
    // The flags a tutorial holds the level with between its steps are its
    // own, set when it is made: saved ones of another tutorial could stop
    // the clock for good.
    return size >= kRecordBaseSize && record[1] == defaultFlags_;
}

bool GameTutorial::Save(SaveWriter& stream) {
    stream.PutU32(state_);
    if (stream.Failed()) return false;
    if (state_ == kCreated || state_ >= kFinishing) return true;
    bool ok = SaveState(0, stream) && (!current_ || current_->SaveState(stream));
    saveRecord_ = kNoRecord;
    return ok;
}

bool GameTutorial::ReadRecord(SaveReader& stream, uint32_t minSize, std::vector<uint32_t>* words) {
    SaveReader block = stream.ReadBlock(minSize);
    if (block.Failed()) return false;
    const uint32_t size = uint32_t(block.Remaining() + 4);
    words->assign(size / 4, 0);
    (*words)[0] = size;
    for (size_t i = 1; i < words->size(); ++i)
        (*words)[i] = block.ReadU32();
    return !block.Failed();
}

bool GameTutorial::Load(SaveReader& stream) {
    uint32_t state = stream.ReadU32();
    // A state none of the tutorial's: refused, not read as an end.
    if (stream.Failed() || state > kDone || (state > kCreated && state < kRunning)) return false;
    if (state == kCreated) return true;
    if (state >= kFinishing) {
        Finish();
        return true;
    }
    // A sized block of at least 16 bytes that fits in the bytes left.
    std::vector<uint32_t> words;
    if (!ReadRecord(stream, kRecordBaseSize, &words)) return false;
    const uint32_t size = words[0];
    if (!LoadState(words.data(), size)) return false;
    startStepId_ = words[2];
    delay_ = 0;
    if (!FindStep(startStepId_)) {
        // A record whose resume step does not exist would leave the tutorial
        // waiting for ever with its flags in force: the level goes on without it.
        std::fprintf(stderr,
                     "verbolunde: tutorial %08X: saved step %08X does not exist; the tutorial is dropped.\n",
                     id_, startStepId_);
        Done();
    }
    // A step that kept a block of its own behind the record reads it back.
    if (words[3] == 0) return true;
    std::vector<uint32_t> stepWords;
    if (!ReadRecord(stream, 4, &stepWords)) return false;
    TutorialStep* step = FindStep(words[3]);
    return step && step->LoadState(stepWords.data(), stepWords[0]);
}

// ---------------------------------------------------------------- TutorialRunner

TutorialRunner::~TutorialRunner() {
    DeleteAll();
}

void TutorialRunner::BeginNew(GameTutorial* tutorial) {
    if (running_) running_->Done();
    running_ = tutorial;
    SetRunningTutorial(tutorial);
}

void TutorialRunner::Adopt(std::unique_ptr<GameTutorial> tutorial) {
    owned_.push_back(std::move(tutorial));
}

void TutorialRunner::MarkFinished(GameTutorial* tutorial) {
    finished_.push_back(tutorial);
    if (running_ == tutorial) {
        running_ = nullptr;
        SetRunningTutorial(nullptr);
    }
}

void TutorialRunner::Update(uint32_t dt) {
    if (running_) running_->Update(dt);
    for (GameTutorial* done : finished_)
        std::erase_if(owned_, [done](const std::unique_ptr<GameTutorial>& t) { return t.get() == done; });
    finished_.clear();
}

void TutorialRunner::DeleteAll() {
    finished_.clear();
    running_ = nullptr;
    SetRunningTutorial(nullptr);
    owned_.clear();
}

} // namespace tut
