#pragma once
#include "engine/ResultNames.h"

#include <cstdint>
#include <memory>

// Keyboard and mouse input. An InputManager owns the input system and up to
// three devices addressed by flag bits; the main loop polls them once per
// frame and each device turns its state into events delivered through plain
// function pointers the program installs: key down, key up and auto-repeat
// for the keyboard; button down, button up, move, double click and wheel for
// the mouse. While the program is in the background the devices are
// deactivated (held keys and buttons are reported released) and later
// reactivated silently.

namespace platform {
class Input;
class Window;
} // namespace platform

class InputManager;

// Device flags.
constexpr uint32_t kInputMouse = 1;
constexpr uint32_t kInputKeyboard = 2;
constexpr uint32_t kInputThirdDevice = 4; // nothing creates it

// Mouse button codes as the callbacks receive them, and bits of the button mask.
constexpr uint32_t kMouseLeft = 1;
constexpr uint32_t kMouseMiddle = 2;
constexpr uint32_t kMouseRight = 4;

// Modifier bits given with every key event.
constexpr uint32_t kModifierCtrl = 1;
constexpr uint32_t kModifierShift = 2;
constexpr uint32_t kModifierAlt = 4;

// Cooperative-level flags a device is set up with.
constexpr uint32_t kCooperativeExclusive = 0x1;
constexpr uint32_t kCooperativeNonExclusive = 0x2;
constexpr uint32_t kCooperativeForeground = 0x4;
constexpr uint32_t kCooperativeBackground = 0x8;

// Results of the input system's devices.
constexpr HResult kResultInputLost = MakeResult(0x8007001E);        // acquisition was lost
constexpr HResult kResultNotAcquired = MakeResult(0x8007000C);      // the device is not acquired
constexpr HResult kResultOtherHasPriority = MakeResult(0x80070005); // acquiring refused: no focus
constexpr HResult kResultNotBuffered = MakeResult(0x80040207);      // buffered read without a buffer

// The offset of a keyboard record that carries typed text.
constexpr uint32_t kKeyboardTextOffset = 0x100;

// Sizes of the whole-state reads.
constexpr uint32_t kKeyboardStateSize = 256;
constexpr uint32_t kMouseStateSize = 20;

// The mouse's whole state: movement and wheel since the last read, buttons
// 0 left, 1 right, 2 middle (bit 0x80 while held).
struct DXLMouseState {
    int32_t x;
    int32_t y;
    int32_t z;
    uint8_t buttons[8];
};
static_assert(sizeof(DXLMouseState) == kMouseStateSize);

// One record of buffered device data. Keyboard: the offset is the key code
// and bit 0x80 of data is set for a press; offset kKeyboardTextOffset is a
// typed character, data its UTF-16 unit. Mouse: the offset says what
// changed (the byte offset of that field in DXLMouseState), data holds the
// signed movement or wheel delta, or bit 0x80 for a button press.
struct DXLDeviceObjectData {
    uint32_t offset;
    uint32_t data;
    uint32_t timeStamp;
    uint32_t sequence;
    uint32_t appData;
};
static_assert(sizeof(DXLDeviceObjectData) == 20);

// One device of the input system.
class DXLInputDeviceInterface {
  public:
    virtual ~DXLInputDeviceInterface() = default;
    // kKeyboardStateSize or kMouseStateSize.
    virtual HResult SetDataFormat(uint32_t stateSize) = 0;
    virtual HResult SetCooperativeLevel(platform::Window* window, uint32_t flags) = 0;
    // Records kept for buffered reading; 0 turns buffering off.
    virtual HResult SetBufferSize(uint32_t records) = 0;
    virtual HResult Acquire() = 0;
    virtual HResult Unacquire() = 0;
    virtual HResult GetDeviceState(uint32_t size, void* state) = 0;
    // count: the room on entry, the records written on return.
    virtual HResult GetDeviceData(DXLDeviceObjectData* records, uint32_t* count) = 0;
};

// The input system the devices come from.
class DXLInputSystem {
  public:
    virtual ~DXLInputSystem() = default;
    // kInputMouse or kInputKeyboard.
    virtual HResult CreateDevice(uint32_t deviceType, std::unique_ptr<DXLInputDeviceInterface>* out) = 0;
    // The pointer's position. The platform reports it in the window's own
    // frame pixels, so screen and client coordinates are the same here.
    virtual void GetCursorPos(int32_t* x, int32_t* y) = 0;
};

// The input system over the backend's input: devices are acquired only while
// the window has the focus; losing it loses their acquisition.
std::unique_ptr<DXLInputSystem> CreatePlatformInputSystem(platform::Input* input);

// The clock key repeat and double click read (milliseconds); null restores
// the platform clock. Tests install their own.
void SetInputClock(uint32_t (*now)());

using DXLKeyCallback = void (*)(uint32_t key, uint32_t modifiers);
// One UTF-16 unit of typed text (the system's text input: the keyboard
// layout, Shift and dead keys applied).
using DXLTextCallback = void (*)(char16_t character);
using DXLMouseButtonCallback = void (*)(int32_t x, int32_t y, uint32_t button);
using DXLMouseMoveCallback = void (*)(int32_t x, int32_t y, uint32_t buttonMask);
using DXLMouseDoubleClickCallback = void (*)(int32_t x, int32_t y);
using DXLMouseWheelCallback = void (*)(int32_t x, int32_t y, int32_t delta, uint32_t buttonMask);

// ---------------------------------------------------------------- devices

class DXLInputDevice {
  public:
    explicit DXLInputDevice(InputManager* owner) : owner_(owner) {}
    virtual ~DXLInputDevice() = default;
    DXLInputDevice(const DXLInputDevice&) = delete;
    DXLInputDevice& operator=(const DXLInputDevice&) = delete;

    // kInputMouse or kInputKeyboard.
    virtual uint32_t GetDeviceType() const = 0;
    // Creates the system device and acquires it; 0 or the failing step's code.
    virtual HResult SetUp() = 0;
    // Unacquires and drops the system device; SetUp may run again.
    virtual void Release();
    // Turns the device's state into events; 0xA3E93120 when not set up.
    virtual HResult Poll() = 0;
    // When inactive: one poll that delivers no events, then active on success.
    virtual HResult Activate();
    // When active: reports everything held as released, then inactive.
    virtual HResult Deactivate();
    // Reports every held key or button as released (set up and active only).
    // No player made these releases: while they are reported IsLettingGo()
    // is true, so that a receiver lets go of what the press held without
    // taking the release as a click.
    virtual void ReleaseAll() = 0;
    bool IsLettingGo() const { return lettingGo_; }

    bool IsSetUp() const { return device_ != nullptr; }
    bool IsActive() const { return active_; }
    InputManager* GetOwner() const { return owner_; }

    // Set-up options, read by the next SetUp.
    void SetExclusive(bool exclusive) { exclusive_ = exclusive; }
    void SetForeground(bool foreground) { foreground_ = foreground; }
    // Immediate devices read their whole state each poll; the others read
    // buffered records. Devices are buffered unless told otherwise: a state
    // read once a frame misses a press and release that both fall between
    // two polls (a tap on a touchpad, a quick click or key), where the
    // records keep every change in order.
    void SetImmediate(bool immediate) { immediate_ = immediate; }
    void SetBufferSize(uint32_t records) { bufferSize_ = records; }
    bool IsImmediate() const { return immediate_; }
    uint32_t GetBufferSize() const { return bufferSize_; }

    // The log texts of one kind of device.
    struct Messages {
        const char* invalid;
        const char* background;
        const char* createDevice;
        const char* dataFormat;
        const char* cooperativeLevel;
        const char* bufferSize;
    };

  protected:
    // Set-up steps shared by both kinds, up to and including acquiring.
    HResult CreateInterface(uint32_t stateSize, const Messages& messages);
    // Reads the whole state. A failed read tries to acquire the device once;
    // when that succeeds the state is read again, so that a device that only
    // lost its acquisition does not report every held key released.
    HResult ReadState(void* state, uint32_t size);
    // Reads buffered records into the record array, with the same repair;
    // count gets the number of records read. A read that fails releases every
    // held key or button (ReleaseAll).
    HResult ReadRecords(uint32_t* count);
    // Reads the records in batches of the buffer size and hands each one to
    // `handle` in order, until the device has no more: a frame with more
    // changes than the buffer holds neither loses them nor leaves them
    // waiting for later frames.
    template <class Handle> HResult DrainRecords(Handle handle);
    void DropInterface();
    uint32_t Now() const;

    InputManager* owner_;
    std::unique_ptr<DXLInputDeviceInterface> device_;
    bool exclusive_ = false;
    bool foreground_ = true;
    bool immediate_ = false;
    bool active_ = true;
    uint32_t bufferSize_ = 0;
    std::unique_ptr<DXLDeviceObjectData[]> records_;
    bool lettingGo_ = false; // ReleaseAll is reporting its releases
};

class DXLKeyboard : public DXLInputDevice {
  public:
    explicit DXLKeyboard(InputManager* owner);
    ~DXLKeyboard() override;

    uint32_t GetDeviceType() const override { return kInputKeyboard; }
    HResult SetUp() override;
    void Release() override;
    HResult Poll() override;
    void ReleaseAll() override;

    // Ctrl, Shift and Alt held now (either side).
    uint32_t GetModifiers() const;
    // 256 entries indexed by key code, 1 while held.
    const uint8_t* GetKeyStates() const { return keys_; }
    bool IsKeyDown(uint8_t key) const { return keys_[key] != 0; }
    // The state byte of a key code, non-zero while held; codes above 255
    // have no entry and read 0.
    uint8_t GetKeyState(uint16_t key) const { return key < 256 ? keys_[key] : 0; }
    // The virtual-key code of a key code (built at set-up), 0 for none.
    uint8_t GetVirtualKey(uint8_t key) const { return virtualKeys_[key]; }
    uint16_t GetRepeatingKey() const { return repeatingKey_; }

    void SetKeyDownCallback(DXLKeyCallback callback) { keyDown_ = callback; }
    void SetKeyUpCallback(DXLKeyCallback callback) { keyUp_ = callback; }
    void SetKeyRepeatCallback(DXLKeyCallback callback) { keyRepeat_ = callback; }
    // Typed text comes in order with the key events of buffered keyboards;
    // an immediate keyboard reads no text.
    void SetTextCallback(DXLTextCallback callback) { text_ = callback; }

    static constexpr uint32_t kFirstRepeatDelay = 605; // ms
    static constexpr uint32_t kRepeatInterval = 40;    // ms

  private:
    void KeyEvent(uint8_t key, bool down);
    void RepeatTick();

    uint8_t keys_[256] = {};
    uint8_t virtualKeys_[256] = {};
    uint16_t repeatingKey_ = 0;
    uint32_t lastRepeatTime_ = 0;
    uint32_t nextRepeat_ = 0;
    DXLKeyCallback keyDown_ = nullptr;
    DXLKeyCallback keyUp_ = nullptr;
    DXLKeyCallback keyRepeat_ = nullptr;
    DXLTextCallback text_ = nullptr;
};

class DXLMouse : public DXLInputDevice {
  public:
    explicit DXLMouse(InputManager* owner);
    ~DXLMouse() override;

    uint32_t GetDeviceType() const override { return kInputMouse; }
    HResult SetUp() override;
    void Release() override;
    HResult Poll() override;
    void ReleaseAll() override;

    // The pointer position in client coordinates of the window.
    void GetPosition(int32_t* x, int32_t* y) const;
    uint32_t GetButtonMask() const { return buttonMask_; }
    bool IsButtonDown(uint32_t button) const;

    // Set by the program: move to the system pointer at every poll.
    void SetAlwaysRefresh(bool on) { alwaysRefresh_ = on; }
    void SetDoubleClickEnabled(bool on) { doubleClickEnabled_ = on; }
    void SetDoubleClickTime(uint32_t ms) { doubleClickTime_ = ms; }
    void SetDoubleClickArea(int32_t width, int32_t height) {
        doubleClickWidth_ = width;
        doubleClickHeight_ = height;
    }

    void SetButtonDownCallback(DXLMouseButtonCallback callback) { buttonDown_ = callback; }
    void SetButtonUpCallback(DXLMouseButtonCallback callback) { buttonUp_ = callback; }
    void SetMoveCallback(DXLMouseMoveCallback callback) { move_ = callback; }
    void SetDoubleClickCallback(DXLMouseDoubleClickCallback callback) { doubleClick_ = callback; }
    void SetWheelCallback(DXLMouseWheelCallback callback) { wheel_ = callback; }

  private:
    void Move(int32_t x, int32_t y);
    void Wheel(int32_t delta);
    void ButtonEvent(uint32_t button, bool held);
    void CursorPos(int32_t* x, int32_t* y) const;

    bool doubleClickEnabled_ = true;
    int32_t doubleClickWidth_;
    int32_t doubleClickHeight_;
    uint32_t doubleClickTime_;
    bool buttons_[3] = {}; // left, middle, right
    uint32_t buttonMask_ = 0;
    int32_t x_ = 0, y_ = 0;
    int32_t lastClickX_ = -1, lastClickY_ = -1;
    bool alwaysRefresh_ = false;
    uint32_t lastClickTime_ = 0; // 0: no click to pair with
    DXLMouseButtonCallback buttonDown_ = nullptr;
    DXLMouseButtonCallback buttonUp_ = nullptr;
    DXLMouseMoveCallback move_ = nullptr;
    DXLMouseDoubleClickCallback doubleClick_ = nullptr;
    DXLMouseWheelCallback wheel_ = nullptr;
};

// ---------------------------------------------------------------- manager

// Every operation taking flags acts on each selected device that exists and
// gives the result of the last one called (0 when none was).
class InputManager {
  public:
    // The window the devices belong to, and the backend's input that
    // CreateDirectInput makes the input system over (both not owned).
    InputManager(platform::Window* window, platform::Input* input);
    ~InputManager();
    InputManager(const InputManager&) = delete;
    InputManager& operator=(const InputManager&) = delete;

    // Makes the input system when there is none yet.
    HResult CreateDirectInput();
    // Uses the given input system in place of the platform's one.
    void SetInputSystem(std::unique_ptr<DXLInputSystem> system);
    // 0x80004005 without an input system; creates the mouse (1) and the
    // keyboard (2) when absent; flag 4 is ignored.
    HResult CreateDevices(uint32_t flags);
    // The OR of the codes of the devices that are missing or fail, or 0.
    HResult SetUpDevices(uint32_t flags);
    HResult PollDevices(uint32_t flags);
    HResult ActivateDevices(uint32_t flags);
    HResult DeactivateDevices(uint32_t flags);
    void ReleaseAllKeys(uint32_t flags);
    bool HasDevice(uint32_t flag) const;
    bool IsDeviceSetUp(uint32_t flag) const;
    void ReleaseDevices(uint32_t flags);
    // Releases every device, then the input system.
    void ReleaseDirectInput();
    void DestroyDevices(uint32_t flags);
    void Shutdown();

    platform::Window* GetWindow() const { return window_; }
    DXLInputSystem* GetInputSystem() const { return system_.get(); }
    DXLMouse* GetMouse() const { return mouse_.get(); }
    DXLKeyboard* GetKeyboard() const { return keyboard_.get(); }

  private:
    DXLInputDevice* Device(uint32_t flag) const;

    platform::Window* window_;
    platform::Input* input_;
    std::unique_ptr<DXLInputSystem> system_;
    std::unique_ptr<DXLMouse> mouse_;
    std::unique_ptr<DXLKeyboard> keyboard_;
    std::unique_ptr<DXLInputDevice> third_; // never created
};
