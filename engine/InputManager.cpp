// Sections:
//   platform devices
//   device base
//   keyboard
//   mouse
//   manager

#include "engine/InputManager.h"

#include "engine/Log.h"
#include "engine/VirtualKeys.h"
#include "platform/Clock.h"
#include "platform/Input.h"

#include <cstdlib>
#include <cstring>

namespace {

uint32_t (*g_clock)() = platform::Milliseconds;

bool IsWindowValid(const platform::Window* window) {
    return window && reinterpret_cast<uintptr_t>(window) != ~uintptr_t(0);
}

// ---------------------------------------------------------------- platform devices

// A device over the backend's input. Acquisition follows the window's focus:
// a device acquired while the window had it loses its acquisition when it is
// found gone, and can be acquired again only once the focus is back.
class PlatformDevice final : public DXLInputDeviceInterface {
  public:
    PlatformDevice(platform::Input& input, uint32_t type) : input_(input), type_(type) {}

    HResult SetDataFormat(uint32_t stateSize) override {
        uint32_t expected = type_ == kInputKeyboard ? kKeyboardStateSize : kMouseStateSize;
        if (stateSize != expected) return kResultInvalidArg;
        stateSize_ = stateSize;
        return kResultOk;
    }
    HResult SetCooperativeLevel(platform::Window* window, uint32_t flags) override {
        if (!IsWindowValid(window) || !(flags & (kCooperativeExclusive | kCooperativeNonExclusive)))
            return kResultInvalidArg;
        return kResultOk;
    }
    // The buffer starts empty: changes from before the set-up are already in
    // the pointer's position and the device's cleared state, and reading
    // them again would move the pointer twice.
    HResult SetBufferSize(uint32_t records) override {
        bufferSize_ = records;
        if (type_ == kInputKeyboard) {
            platform::KeyRecord dropped[64];
            while (input_.ReadKeyRecords(dropped, 64) != 0) {
            }
        } else {
            platform::MouseRecord dropped[64];
            while (input_.ReadMouseRecords(dropped, 64) != 0) {
            }
        }
        return kResultOk;
    }
    HResult Acquire() override {
        if (stateSize_ == 0) return kResultInvalidArg;
        if (!input_.Acquired()) return kResultOtherHasPriority;
        acquired_ = true;
        return kResultOk;
    }
    HResult Unacquire() override {
        if (!acquired_) return kResultFalse;
        acquired_ = false;
        return kResultOk;
    }
    HResult GetDeviceState(uint32_t size, void* state) override {
        if (HResult hr = CheckAcquired(); Failed(hr)) return hr;
        if (size != stateSize_ || !state) return kResultInvalidArg;
        if (type_ == kInputKeyboard) {
            input_.ReadKeyboardState(static_cast<uint8_t*>(state));
            return kResultOk;
        }
        platform::MouseState mouse;
        input_.ReadMouseState(mouse);
        DXLMouseState out = {mouse.x, mouse.y, mouse.wheel, {}};
        std::memcpy(out.buttons, mouse.buttons, sizeof out.buttons);
        std::memcpy(state, &out, sizeof out);
        return kResultOk;
    }
    HResult GetDeviceData(DXLDeviceObjectData* records, uint32_t* count) override {
        if (!count) return kResultPointer;
        uint32_t room = *count;
        *count = 0;
        if (HResult hr = CheckAcquired(); Failed(hr)) return hr;
        if (bufferSize_ == 0) return kResultNotBuffered;
        if (!records) return kResultPointer;
        if (room > bufferSize_) room = bufferSize_;
        uint32_t n = 0;
        if (type_ == kInputKeyboard) {
            platform::KeyRecord record;
            while (n < room && input_.ReadKeyRecords(&record, 1) == 1)
                records[n++] = record.key == 0 ? DXLDeviceObjectData{kKeyboardTextOffset, record.character,
                                                                     record.time, sequence_++, 0}
                                               : DXLDeviceObjectData{record.key, record.state, record.time,
                                                                     sequence_++, 0};
        } else {
            platform::MouseRecord record;
            while (n < room && input_.ReadMouseRecords(&record, 1) == 1)
                records[n++] = {record.offset, uint32_t(record.data), record.time, sequence_++, 0};
        }
        *count = n;
        return kResultOk;
    }

  private:
    HResult CheckAcquired() {
        if (!acquired_) return kResultNotAcquired;
        if (!input_.Acquired()) {
            acquired_ = false;
            return kResultInputLost;
        }
        return kResultOk;
    }

    platform::Input& input_;
    uint32_t type_;
    uint32_t stateSize_ = 0;
    uint32_t bufferSize_ = 0;
    uint32_t sequence_ = 0;
    bool acquired_ = false;
};

class PlatformInputSystem final : public DXLInputSystem {
  public:
    explicit PlatformInputSystem(platform::Input& input) : input_(input) {}

    HResult CreateDevice(uint32_t deviceType, std::unique_ptr<DXLInputDeviceInterface>* out) override {
        if (!out) return kResultPointer;
        if (deviceType != kInputMouse && deviceType != kInputKeyboard) return kResultNoInterface;
        *out = std::make_unique<PlatformDevice>(input_, deviceType);
        return kResultOk;
    }
    void GetCursorPos(int32_t* x, int32_t* y) override {
        int px = 0, py = 0;
        input_.CursorPosition(px, py);
        *x = px;
        *y = py;
    }

  private:
    platform::Input& input_;
};

} // namespace

std::unique_ptr<DXLInputSystem> CreatePlatformInputSystem(platform::Input* input) {
    if (!input) return nullptr;
    return std::make_unique<PlatformInputSystem>(*input);
}

void SetInputClock(uint32_t (*now)()) {
    g_clock = now ? now : platform::Milliseconds;
}

// ---------------------------------------------------------------- device base

uint32_t DXLInputDevice::Now() const {
    return g_clock();
}

HResult DXLInputDevice::CreateInterface(uint32_t stateSize, const Messages& messages) {
    DXLInputSystem* system = owner_ ? owner_->GetInputSystem() : nullptr;
    if (!owner_ || !IsWindowValid(owner_->GetWindow()) || !system) {
        LogLine(kLogIndent, messages.invalid);
        return kResultInputNotReady;
    }
    if (exclusive_ && !foreground_) {
        LogLine(kLogIndent, messages.background);
        return kResultFail;
    }
    uint32_t flags = (exclusive_ ? kCooperativeExclusive : kCooperativeNonExclusive) |
                     (foreground_ ? kCooperativeForeground : kCooperativeBackground);

    HResult hr = system->CreateDevice(GetDeviceType(), &device_);
    if (Failed(hr)) {
        device_.reset();
        LogError(kLogIndent, messages.createDevice, hr);
        return hr;
    }
    // A device whose data format is refused keeps its interface.
    hr = device_->SetDataFormat(stateSize);
    if (Failed(hr)) {
        LogError(kLogIndent, messages.dataFormat, hr);
        return hr;
    }
    hr = device_->SetCooperativeLevel(owner_->GetWindow(), flags);
    if (Failed(hr)) {
        LogError(kLogIndent, messages.cooperativeLevel, hr);
        device_.reset();
        return hr;
    }
    if (!immediate_) {
        hr = device_->SetBufferSize(bufferSize_);
        if (Failed(hr)) {
            LogError(kLogIndent, messages.bufferSize, hr);
            device_.reset();
            return hr;
        }
        if (bufferSize_ < 1) bufferSize_ = 1;
        records_ = std::make_unique<DXLDeviceObjectData[]>(bufferSize_);
    }
    device_->Acquire(); // a window without the focus is acquired at a later poll
    return kResultOk;
}

HResult DXLInputDevice::ReadState(void* state, uint32_t size) {
    HResult hr = device_->GetDeviceState(size, state);
    if (Succeeded(hr)) return hr;
    HResult acquired = device_->Acquire();
    if (Failed(acquired)) return acquired;
    return device_->GetDeviceState(size, state);
}

HResult DXLInputDevice::ReadRecords(uint32_t* count) {
    HResult hr = kResultNotBuffered;
    *count = 0;
    if (records_) {
        const uint32_t room = bufferSize_;
        *count = room;
        hr = device_->GetDeviceData(records_.get(), count);
        if (Succeeded(hr)) return hr;
        hr = device_->Acquire();
        *count = 0;
        if (Succeeded(hr)) {
            *count = room;
            hr = device_->GetDeviceData(records_.get(), count);
            if (Failed(hr)) *count = 0;
        }
    }
    if (Failed(hr)) ReleaseAll();
    return hr;
}

template <class Handle> HResult DXLInputDevice::DrainRecords(Handle handle) {
    // Bounded: the platform keeps at most kInputRecordLimit records, so a
    // device that never runs dry is cut off rather than looped on.
    const uint32_t batches = uint32_t(platform::kInputRecordLimit) / (bufferSize_ ? bufferSize_ : 1) + 2;
    for (uint32_t batch = 0; batch < batches; ++batch) {
        uint32_t count = 0;
        HResult hr = ReadRecords(&count);
        if (Failed(hr)) return hr;
        for (uint32_t i = 0; i < count; ++i)
            handle(records_[i]);
        if (count < bufferSize_) break;
    }
    return kResultOk;
}

void DXLInputDevice::DropInterface() {
    records_.reset();
    if (!device_) return;
    device_->Unacquire();
    device_.reset();
}

void DXLInputDevice::Release() {
    DropInterface();
}

HResult DXLInputDevice::Activate() {
    if (active_) return kResultOk;
    HResult hr = Poll();
    if (Succeeded(hr)) active_ = true;
    return hr;
}

HResult DXLInputDevice::Deactivate() {
    if (!active_) return kResultOk;
    ReleaseAll();
    active_ = false;
    return kResultOk;
}

// ---------------------------------------------------------------- keyboard

namespace {

constexpr DXLInputDevice::Messages kKeyboardMessages = {
    "Keyboard: Invalid DirectInput.",
    "Keyboard: For security reasons, background exclusive Keyboard access is not allowed.",
    "Keyboard: Create Device ",
    "Keyboard: SetDataFormat ",
    "Keyboard: SetCooperativeLevel ",
    "Keyboard: SetBufferSize ",
};

constexpr DXLInputDevice::Messages kMouseMessages = {
    "Mouse: Invalid DirectInput.",
    "Mouse: For security reasons, background exclusive Mouse access is not allowed.",
    "Mouse: CreateDevice ",
    "Mouse: SetDataFormat ",
    "Mouse: SetCooperativeLevel ",
    "Mouse: SetBufferSize ",
};

// Shared by every keyboard: the state is read into it and used at once.
uint8_t g_keyboardState[kKeyboardStateSize];

// Marks a device's releases as its own while ReleaseAll reports them. A
// receiver may change the game state as it hears one, which releases again
// from inside: the mark is given back as it was.
class LettingGo {
  public:
    explicit LettingGo(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
    ~LettingGo() { flag_ = was_; }
    LettingGo(const LettingGo&) = delete;
    LettingGo& operator=(const LettingGo&) = delete;

  private:
    bool& flag_;
    bool was_;
};

} // namespace

DXLKeyboard::DXLKeyboard(InputManager* owner) : DXLInputDevice(owner) {
    bufferSize_ = 8;
}

DXLKeyboard::~DXLKeyboard() {
    DXLKeyboard::Release();
}

HResult DXLKeyboard::SetUp() {
    std::memset(keys_, 0, sizeof keys_);
    HResult hr = CreateInterface(kKeyboardStateSize, kKeyboardMessages);
    if (Failed(hr)) return hr;
    BuildVirtualKeyTable(virtualKeys_);
    return kResultOk;
}

void DXLKeyboard::Release() {
    std::memset(keys_, 0, sizeof keys_);
    repeatingKey_ = 0;
    DropInterface();
}

HResult DXLKeyboard::Poll() {
    if (!device_) return kResultInputNotSetUp;
    if (immediate_) {
        std::memset(g_keyboardState, 0, sizeof g_keyboardState);
        // A device that cannot be read (or re-acquired) reads as every key up.
        if (Failed(ReadState(g_keyboardState, kKeyboardStateSize)))
            std::memset(g_keyboardState, 0, sizeof g_keyboardState);
        for (int key = 0; key < 256; ++key) {
            bool down = g_keyboardState[key] >= 0x80;
            if (down && !keys_[key])
                KeyEvent(uint8_t(key), true);
            else if (!down && keys_[key])
                KeyEvent(uint8_t(key), false);
        }
    } else {
        HResult hr = DrainRecords([this](const DXLDeviceObjectData& record) {
            if (record.offset == kKeyboardTextOffset) {
                if (active_ && text_) text_(char16_t(record.data));
                return;
            }
            if (record.offset > 255) return;
            uint8_t key = uint8_t(record.offset);
            bool down = (record.data & 0x80) != 0;
            if (down && !keys_[key])
                KeyEvent(key, true);
            else if (!down && keys_[key])
                KeyEvent(key, false);
        });
        if (Failed(hr)) return hr;
    }
    RepeatTick();
    return kResultOk;
}

void DXLKeyboard::ReleaseAll() {
    if (!device_ || !active_) return;
    const LettingGo scope(lettingGo_);
    for (int key = 0; key < 256; ++key)
        if (keys_[key]) KeyEvent(uint8_t(key), false);
}

uint32_t DXLKeyboard::GetModifiers() const {
    using namespace platform;
    uint32_t bits = 0;
    if (keys_[kDikLcontrol] || keys_[kDikRcontrol]) bits |= kModifierCtrl;
    if (keys_[kDikLshift] || keys_[kDikRshift]) bits |= kModifierShift;
    if (keys_[kDikLmenu] || keys_[kDikRmenu]) bits |= kModifierAlt;
    return bits;
}

void DXLKeyboard::KeyEvent(uint8_t key, bool down) {
    keys_[key] = down ? 1 : 0;
    if (down) {
        repeatingKey_ = key;
        if (active_ && keyDown_) keyDown_(key, GetModifiers());
        lastRepeatTime_ = Now();
        nextRepeat_ = kFirstRepeatDelay;
        if (active_ && keyRepeat_) keyRepeat_(key, GetModifiers());
        return;
    }
    if (repeatingKey_ == key) repeatingKey_ = 0;
    if (active_ && keyUp_) keyUp_(key, GetModifiers());
}

void DXLKeyboard::RepeatTick() {
    if (!repeatingKey_) return;
    uint32_t now = Now();
    uint32_t elapsed = now - lastRepeatTime_;
    uint32_t repeats = 0;
    while (elapsed >= nextRepeat_) {
        elapsed -= nextRepeat_;
        nextRepeat_ = kRepeatInterval;
        ++repeats;
    }
    nextRepeat_ -= elapsed;
    lastRepeatTime_ = now;
    if (!active_ || !keyRepeat_) return;
    // A late frame delivers the repeats it missed together.
    for (uint32_t i = 0; i < repeats; ++i)
        keyRepeat_(repeatingKey_, GetModifiers());
}

// ---------------------------------------------------------------- mouse

namespace {

int ButtonIndex(uint32_t button) {
    return button == kMouseLeft ? 0 : button == kMouseMiddle ? 1 : 2;
}

} // namespace

DXLMouse::DXLMouse(InputManager* owner)
    : DXLInputDevice(owner), doubleClickWidth_(platform::kDoubleClickWidth),
      doubleClickHeight_(platform::kDoubleClickHeight), doubleClickTime_(platform::kDoubleClickTime) {
    bufferSize_ = 16;
}

DXLMouse::~DXLMouse() {
    DXLMouse::Release();
}

HResult DXLMouse::SetUp() {
    std::memset(buttons_, 0, sizeof buttons_);
    HResult hr = CreateInterface(kMouseStateSize, kMouseMessages);
    if (Failed(hr)) return hr;
    CursorPos(&x_, &y_);
    return kResultOk;
}

void DXLMouse::Release() {
    std::memset(buttons_, 0, sizeof buttons_);
    DropInterface();
}

void DXLMouse::CursorPos(int32_t* x, int32_t* y) const {
    DXLInputSystem* system = owner_ ? owner_->GetInputSystem() : nullptr;
    if (system) system->GetCursorPos(x, y);
}

void DXLMouse::GetPosition(int32_t* x, int32_t* y) const {
    // Screen and client coordinates coincide for the platform's pointer, so
    // the conversion the set-up device would make changes nothing.
    *x = x_;
    *y = y_;
}

bool DXLMouse::IsButtonDown(uint32_t button) const {
    return (buttonMask_ & button) != 0;
}

HResult DXLMouse::Poll() {
    if (!device_) return kResultInputNotSetUp;
    if (immediate_) {
        DXLMouseState state = {};
        if (Failed(ReadState(&state, kMouseStateSize))) state = {};
        if (state.x || state.y || alwaysRefresh_ || !active_) {
            int32_t x = x_, y = y_;
            CursorPos(&x, &y);
            Move(x, y);
        }
        ButtonEvent(kMouseLeft, (state.buttons[0] & 0x80) != 0);
        ButtonEvent(kMouseMiddle, (state.buttons[2] & 0x80) != 0);
        ButtonEvent(kMouseRight, (state.buttons[1] & 0x80) != 0);
        if (state.z) Wheel(state.z);
        return kResultOk;
    }

    // Movement records in a row (the x and the y of one motion, or several
    // motions) become one move to where they end: the places in between,
    // such as the new x with the old y, are not places the pointer was.
    // Buttons and the wheel find the pointer where their record puts it.
    int32_t moveX = x_, moveY = y_;
    bool moved = false;
    auto move = [&] {
        if (moved) Move(moveX, moveY);
        moved = false;
    };
    HResult hr = DrainRecords([&](const DXLDeviceObjectData& record) {
        int32_t data = int32_t(record.data);
        bool held = (record.data & 0x80) != 0;
        switch (record.offset) {
        case 0:
            moveX += data;
            moved = true;
            break;
        case 4:
            moveY += data;
            moved = true;
            break;
        case 8:
            move();
            Wheel(data);
            break;
        case 12:
            move();
            ButtonEvent(kMouseLeft, held);
            break;
        case 13:
            move();
            ButtonEvent(kMouseRight, held);
            break;
        case 14:
            move();
            ButtonEvent(kMouseMiddle, held);
            break;
        default:
            break;
        }
    });
    if (Failed(hr)) {
        move();
        return hr;
    }
    // The system pointer has the last word; always-refresh reports it at
    // every poll, as the whole-state read does.
    int32_t x = moveX, y = moveY;
    CursorPos(&x, &y);
    if (x != moveX || y != moveY || alwaysRefresh_) moved = true;
    moveX = x;
    moveY = y;
    move();
    return kResultOk;
}

void DXLMouse::ReleaseAll() {
    if (!device_ || !active_) return;
    const LettingGo scope(lettingGo_);
    ButtonEvent(kMouseLeft, false);
    ButtonEvent(kMouseRight, false);
    ButtonEvent(kMouseMiddle, false);
}

void DXLMouse::Move(int32_t x, int32_t y) {
    x_ = x;
    y_ = y;
    if (!active_ || !move_) return;
    int32_t cx, cy;
    GetPosition(&cx, &cy);
    move_(cx, cy, buttonMask_);
}

void DXLMouse::Wheel(int32_t delta) {
    if (!active_ || !wheel_) return;
    int32_t x, y;
    GetPosition(&x, &y);
    wheel_(x, y, delta, buttonMask_);
}

void DXLMouse::ButtonEvent(uint32_t button, bool held) {
    bool& state = buttons_[ButtonIndex(button)];
    if (state == held) {
        if (held)
            buttonMask_ |= button;
        else
            buttonMask_ &= ~button;
        return;
    }
    int32_t x, y;
    GetPosition(&x, &y);
    state = held;

    if (!held) {
        buttonMask_ &= ~button;
        if (button != kMouseLeft) lastClickTime_ = 0;
        if (active_ && buttonUp_) buttonUp_(x, y, button);
        return;
    }

    buttonMask_ |= button;
    uint32_t now = Now();
    if (!active_) return;
    if (doubleClickEnabled_ && button == kMouseLeft && lastClickTime_ != 0) {
        uint32_t since = now - lastClickTime_;
        // A second click too close to the end of the double-click time is
        // taken as a new first click.
        if (since <= doubleClickTime_ && doubleClickTime_ - since > 100 &&
            std::abs(x - lastClickX_) <= doubleClickWidth_ &&
            std::abs(y - lastClickY_) <= doubleClickHeight_) {
            if (doubleClick_) doubleClick_(x, y);
            lastClickTime_ = 0;
            return;
        }
    }
    if (button == kMouseLeft) {
        lastClickX_ = x;
        lastClickY_ = y;
        lastClickTime_ = now;
    } else {
        lastClickTime_ = 0;
    }
    if (buttonDown_) buttonDown_(x, y, button);
}

// ---------------------------------------------------------------- manager

InputManager::InputManager(platform::Window* window, platform::Input* input)
    : window_(window), input_(input) {}

InputManager::~InputManager() {
    Shutdown();
}

HResult InputManager::CreateDirectInput() {
    if (system_) return kResultOk;
    system_ = CreatePlatformInputSystem(input_);
    if (!system_) {
        LogError(kLogIndent, "DirectInput8Create: ", kResultFail);
        return kResultFail;
    }
    return kResultOk;
}

void InputManager::SetInputSystem(std::unique_ptr<DXLInputSystem> system) {
    ReleaseDevices(kInputMouse | kInputKeyboard | kInputThirdDevice);
    system_ = std::move(system);
}

HResult InputManager::CreateDevices(uint32_t flags) {
    if (!system_) return kResultFail;
    if ((flags & kInputMouse) && !mouse_) mouse_ = std::make_unique<DXLMouse>(this);
    if ((flags & kInputKeyboard) && !keyboard_) keyboard_ = std::make_unique<DXLKeyboard>(this);
    return kResultOk;
}

DXLInputDevice* InputManager::Device(uint32_t flag) const {
    switch (flag) {
    case kInputMouse:
        return mouse_.get();
    case kInputKeyboard:
        return keyboard_.get();
    case kInputThirdDevice:
        return third_.get();
    default:
        return nullptr;
    }
}

namespace {
constexpr uint32_t kDeviceFlags[] = {kInputMouse, kInputKeyboard, kInputThirdDevice};
}

HResult InputManager::SetUpDevices(uint32_t flags) {
    uint32_t failed = 0;
    for (uint32_t flag : kDeviceFlags) {
        if (!(flags & flag)) continue;
        DXLInputDevice* device = Device(flag);
        if (!device || Failed(device->SetUp())) failed |= flag;
    }
    return failed ? MakeResult(0xA3E93100u | failed) : kResultOk;
}

HResult InputManager::PollDevices(uint32_t flags) {
    HResult result = kResultOk;
    for (uint32_t flag : kDeviceFlags)
        if ((flags & flag) && Device(flag)) result = Device(flag)->Poll();
    return result;
}

HResult InputManager::ActivateDevices(uint32_t flags) {
    HResult result = kResultOk;
    for (uint32_t flag : kDeviceFlags)
        if ((flags & flag) && Device(flag)) result = Device(flag)->Activate();
    return result;
}

HResult InputManager::DeactivateDevices(uint32_t flags) {
    HResult result = kResultOk;
    for (uint32_t flag : kDeviceFlags)
        if ((flags & flag) && Device(flag)) result = Device(flag)->Deactivate();
    return result;
}

void InputManager::ReleaseAllKeys(uint32_t flags) {
    for (uint32_t flag : kDeviceFlags)
        if ((flags & flag) && Device(flag)) Device(flag)->ReleaseAll();
}

bool InputManager::HasDevice(uint32_t flag) const {
    return Device(flag) != nullptr;
}

bool InputManager::IsDeviceSetUp(uint32_t flag) const {
    DXLInputDevice* device = Device(flag);
    return device && device->IsSetUp();
}

void InputManager::ReleaseDevices(uint32_t flags) {
    for (uint32_t flag : kDeviceFlags)
        if ((flags & flag) && IsDeviceSetUp(flag)) Device(flag)->Release();
}

void InputManager::ReleaseDirectInput() {
    ReleaseDevices(kInputMouse | kInputKeyboard | kInputThirdDevice);
    system_.reset();
}

void InputManager::DestroyDevices(uint32_t flags) {
    if (flags & kInputMouse) mouse_.reset();
    if (flags & kInputKeyboard) keyboard_.reset();
    if (flags & kInputThirdDevice) third_.reset();
}

void InputManager::Shutdown() {
    DestroyDevices(kInputMouse | kInputKeyboard | kInputThirdDevice);
    ReleaseDirectInput();
}
