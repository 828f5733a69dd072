#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Keys are numbered by their keyboard scan codes as the game stores them
// (the DirectInput numbering): ENTRY(constant suffix, name, code).
#define VB_DIK_KEYS(ENTRY)                                                                                   \
    ENTRY(Escape, "ESCAPE", 0x01)                                                                            \
    ENTRY(Digit1, "1", 0x02)                                                                                 \
    ENTRY(Digit2, "2", 0x03)                                                                                 \
    ENTRY(Digit3, "3", 0x04)                                                                                 \
    ENTRY(Digit4, "4", 0x05)                                                                                 \
    ENTRY(Digit5, "5", 0x06)                                                                                 \
    ENTRY(Digit6, "6", 0x07)                                                                                 \
    ENTRY(Digit7, "7", 0x08)                                                                                 \
    ENTRY(Digit8, "8", 0x09)                                                                                 \
    ENTRY(Digit9, "9", 0x0A)                                                                                 \
    ENTRY(Digit0, "0", 0x0B)                                                                                 \
    ENTRY(Minus, "MINUS", 0x0C)                                                                              \
    ENTRY(Equals, "EQUALS", 0x0D)                                                                            \
    ENTRY(Back, "BACK", 0x0E)                                                                                \
    ENTRY(Tab, "TAB", 0x0F)                                                                                  \
    ENTRY(Q, "Q", 0x10)                                                                                      \
    ENTRY(W, "W", 0x11)                                                                                      \
    ENTRY(E, "E", 0x12)                                                                                      \
    ENTRY(R, "R", 0x13)                                                                                      \
    ENTRY(T, "T", 0x14)                                                                                      \
    ENTRY(Y, "Y", 0x15)                                                                                      \
    ENTRY(U, "U", 0x16)                                                                                      \
    ENTRY(I, "I", 0x17)                                                                                      \
    ENTRY(O, "O", 0x18)                                                                                      \
    ENTRY(P, "P", 0x19)                                                                                      \
    ENTRY(Lbracket, "LBRACKET", 0x1A)                                                                        \
    ENTRY(Rbracket, "RBRACKET", 0x1B)                                                                        \
    ENTRY(Return, "RETURN", 0x1C)                                                                            \
    ENTRY(Lcontrol, "LCONTROL", 0x1D)                                                                        \
    ENTRY(A, "A", 0x1E)                                                                                      \
    ENTRY(S, "S", 0x1F)                                                                                      \
    ENTRY(D, "D", 0x20)                                                                                      \
    ENTRY(F, "F", 0x21)                                                                                      \
    ENTRY(G, "G", 0x22)                                                                                      \
    ENTRY(H, "H", 0x23)                                                                                      \
    ENTRY(J, "J", 0x24)                                                                                      \
    ENTRY(K, "K", 0x25)                                                                                      \
    ENTRY(L, "L", 0x26)                                                                                      \
    ENTRY(Semicolon, "SEMICOLON", 0x27)                                                                      \
    ENTRY(Apostrophe, "APOSTROPHE", 0x28)                                                                    \
    ENTRY(Grave, "GRAVE", 0x29)                                                                              \
    ENTRY(Lshift, "LSHIFT", 0x2A)                                                                            \
    ENTRY(Backslash, "BACKSLASH", 0x2B)                                                                      \
    ENTRY(Z, "Z", 0x2C)                                                                                      \
    ENTRY(X, "X", 0x2D)                                                                                      \
    ENTRY(C, "C", 0x2E)                                                                                      \
    ENTRY(V, "V", 0x2F)                                                                                      \
    ENTRY(B, "B", 0x30)                                                                                      \
    ENTRY(N, "N", 0x31)                                                                                      \
    ENTRY(M, "M", 0x32)                                                                                      \
    ENTRY(Comma, "COMMA", 0x33)                                                                              \
    ENTRY(Period, "PERIOD", 0x34)                                                                            \
    ENTRY(Slash, "SLASH", 0x35)                                                                              \
    ENTRY(Rshift, "RSHIFT", 0x36)                                                                            \
    ENTRY(Multiply, "MULTIPLY", 0x37)                                                                        \
    ENTRY(Lmenu, "LMENU", 0x38)                                                                              \
    ENTRY(Space, "SPACE", 0x39)                                                                              \
    ENTRY(Capital, "CAPITAL", 0x3A)                                                                          \
    ENTRY(F1, "F1", 0x3B)                                                                                    \
    ENTRY(F2, "F2", 0x3C)                                                                                    \
    ENTRY(F3, "F3", 0x3D)                                                                                    \
    ENTRY(F4, "F4", 0x3E)                                                                                    \
    ENTRY(F5, "F5", 0x3F)                                                                                    \
    ENTRY(F6, "F6", 0x40)                                                                                    \
    ENTRY(F7, "F7", 0x41)                                                                                    \
    ENTRY(F8, "F8", 0x42)                                                                                    \
    ENTRY(F9, "F9", 0x43)                                                                                    \
    ENTRY(F10, "F10", 0x44)                                                                                  \
    ENTRY(Numlock, "NUMLOCK", 0x45)                                                                          \
    ENTRY(Scroll, "SCROLL", 0x46)                                                                            \
    ENTRY(Numpad7, "NUMPAD7", 0x47)                                                                          \
    ENTRY(Numpad8, "NUMPAD8", 0x48)                                                                          \
    ENTRY(Numpad9, "NUMPAD9", 0x49)                                                                          \
    ENTRY(Subtract, "SUBTRACT", 0x4A)                                                                        \
    ENTRY(Numpad4, "NUMPAD4", 0x4B)                                                                          \
    ENTRY(Numpad5, "NUMPAD5", 0x4C)                                                                          \
    ENTRY(Numpad6, "NUMPAD6", 0x4D)                                                                          \
    ENTRY(Add, "ADD", 0x4E)                                                                                  \
    ENTRY(Numpad1, "NUMPAD1", 0x4F)                                                                          \
    ENTRY(Numpad2, "NUMPAD2", 0x50)                                                                          \
    ENTRY(Numpad3, "NUMPAD3", 0x51)                                                                          \
    ENTRY(Numpad0, "NUMPAD0", 0x52)                                                                          \
    ENTRY(Decimal, "DECIMAL", 0x53)                                                                          \
    ENTRY(Oem102, "OEM_102", 0x56)                                                                           \
    ENTRY(F11, "F11", 0x57)                                                                                  \
    ENTRY(F12, "F12", 0x58)                                                                                  \
    ENTRY(F13, "F13", 0x64)                                                                                  \
    ENTRY(F14, "F14", 0x65)                                                                                  \
    ENTRY(F15, "F15", 0x66)                                                                                  \
    ENTRY(Kana, "KANA", 0x70)                                                                                \
    ENTRY(AbntC1, "ABNT_C1", 0x73)                                                                           \
    ENTRY(Convert, "CONVERT", 0x79)                                                                          \
    ENTRY(Noconvert, "NOCONVERT", 0x7B)                                                                      \
    ENTRY(Yen, "YEN", 0x7D)                                                                                  \
    ENTRY(AbntC2, "ABNT_C2", 0x7E)                                                                           \
    ENTRY(Numpadequals, "NUMPADEQUALS", 0x8D)                                                                \
    ENTRY(Prevtrack, "PREVTRACK", 0x90)                                                                      \
    ENTRY(At, "AT", 0x91)                                                                                    \
    ENTRY(Colon, "COLON", 0x92)                                                                              \
    ENTRY(Underline, "UNDERLINE", 0x93)                                                                      \
    ENTRY(Kanji, "KANJI", 0x94)                                                                              \
    ENTRY(Stop, "STOP", 0x95)                                                                                \
    ENTRY(Ax, "AX", 0x96)                                                                                    \
    ENTRY(Unlabeled, "UNLABELED", 0x97)                                                                      \
    ENTRY(Nexttrack, "NEXTTRACK", 0x99)                                                                      \
    ENTRY(Numpadenter, "NUMPADENTER", 0x9C)                                                                  \
    ENTRY(Rcontrol, "RCONTROL", 0x9D)                                                                        \
    ENTRY(Mute, "MUTE", 0xA0)                                                                                \
    ENTRY(Calculator, "CALCULATOR", 0xA1)                                                                    \
    ENTRY(Playpause, "PLAYPAUSE", 0xA2)                                                                      \
    ENTRY(Mediastop, "MEDIASTOP", 0xA4)                                                                      \
    ENTRY(Volumedown, "VOLUMEDOWN", 0xAE)                                                                    \
    ENTRY(Volumeup, "VOLUMEUP", 0xB0)                                                                        \
    ENTRY(Webhome, "WEBHOME", 0xB2)                                                                          \
    ENTRY(Numpadcomma, "NUMPADCOMMA", 0xB3)                                                                  \
    ENTRY(Divide, "DIVIDE", 0xB5)                                                                            \
    ENTRY(Sysrq, "SYSRQ", 0xB7)                                                                              \
    ENTRY(Rmenu, "RMENU", 0xB8)                                                                              \
    ENTRY(Pause, "PAUSE", 0xC5)                                                                              \
    ENTRY(Home, "HOME", 0xC7)                                                                                \
    ENTRY(Up, "UP", 0xC8)                                                                                    \
    ENTRY(Prior, "PRIOR", 0xC9)                                                                              \
    ENTRY(Left, "LEFT", 0xCB)                                                                                \
    ENTRY(Right, "RIGHT", 0xCD)                                                                              \
    ENTRY(End, "END", 0xCF)                                                                                  \
    ENTRY(Down, "DOWN", 0xD0)                                                                                \
    ENTRY(Next, "NEXT", 0xD1)                                                                                \
    ENTRY(Insert, "INSERT", 0xD2)                                                                            \
    ENTRY(Delete, "DELETE", 0xD3)                                                                            \
    ENTRY(Lwin, "LWIN", 0xDB)                                                                                \
    ENTRY(Rwin, "RWIN", 0xDC)                                                                                \
    ENTRY(Apps, "APPS", 0xDD)                                                                                \
    ENTRY(Power, "POWER", 0xDE)                                                                              \
    ENTRY(Sleep, "SLEEP", 0xDF)                                                                              \
    ENTRY(Wake, "WAKE", 0xE3)                                                                                \
    ENTRY(Websearch, "WEBSEARCH", 0xE5)                                                                      \
    ENTRY(Webfavorites, "WEBFAVORITES", 0xE6)                                                                \
    ENTRY(Webrefresh, "WEBREFRESH", 0xE7)                                                                    \
    ENTRY(Webstop, "WEBSTOP", 0xE8)                                                                          \
    ENTRY(Webforward, "WEBFORWARD", 0xE9)                                                                    \
    ENTRY(Webback, "WEBBACK", 0xEA)                                                                          \
    ENTRY(Mycomputer, "MYCOMPUTER", 0xEB)                                                                    \
    ENTRY(Mail, "MAIL", 0xEC)                                                                                \
    ENTRY(Mediaselect, "MEDIASELECT", 0xED)

enum Dik : uint8_t {
#define VB_DIK_CONSTANT(suffix, name, code) kDik##suffix = code,
    VB_DIK_KEYS(VB_DIK_CONSTANT)
#undef VB_DIK_CONSTANT
};

// The key code of an SDL scancode (the USB usage numbers SDL uses); 0 for
// keys the numbering has no code for.
uint8_t DikFromSdlScancode(int scancode);
// The code of a key name such as "ESCAPE", "A" or "NUMPADENTER" (ignoring
// case), or of a number ("0x1C", "28"); 0 when there is none.
uint8_t DikFromName(std::string_view name);
// The name of a key code; empty for codes without a name.
std::string_view DikName(uint8_t code);

// System settings the engine reads where the game asked Windows for them.
constexpr int kDoubleClickWidth = 4;       // pixels
constexpr int kDoubleClickHeight = 4;      // pixels
constexpr uint32_t kDoubleClickTime = 500; // ms
constexpr uint32_t kCaretBlinkTime = 530;  // ms
constexpr int kWheelDelta = 120;           // per notch of the wheel

constexpr uint8_t kKeyDown = 0x80;

// Buffered keyboard data: one record per change of a key, and one per
// UTF-16 unit of typed text (key 0), in the order they came, so that a
// character typed just before a Backspace or Enter is taken before it.
struct KeyRecord {
    uint8_t key;            // key code; 0 for typed text
    uint8_t state;          // kKeyDown or 0
    uint32_t time;          // ms, the clock of platform/Clock.h
    char16_t character = 0; // the typed unit when key is 0
};

// Buffered mouse data: the record's offset says what changed, as in the
// mouse state below: movement along x or y, the wheel, or a button.
enum MouseOffset : uint32_t {
    kMouseOffsetX = 0,
    kMouseOffsetY = 4,
    kMouseOffsetWheel = 8,
    kMouseOffsetButton0 = 12, // left
    kMouseOffsetButton1 = 13, // right
    kMouseOffsetButton2 = 14, // middle
};
struct MouseRecord {
    uint32_t offset;
    int32_t data;  // movement, wheel delta, or kKeyDown / 0 for a button
    uint32_t time; // ms
};

// The whole mouse state: movement and wheel since the last read, buttons held
// (0 left, 1 right, 2 middle; kKeyDown when held).
struct MouseState {
    int32_t x;
    int32_t y;
    int32_t wheel;
    uint8_t buttons[8];
};
static_assert(sizeof(MouseState) == 20);

constexpr size_t kInputRecordLimit = 1024;

// Keyboard and mouse as the engine reads them, whole or as buffered records.
// The devices are acquired only while the window has the focus: losing it
// releases every held key and button (buffered readers get the release
// records) and nothing more arrives until the focus returns.
//
// The backend feeds it from the system's events; the game thread reads it.
class Input {
  public:
    bool Acquired() const { return acquired_; }

    // 256 bytes indexed by key code, kKeyDown for held keys.
    void ReadKeyboardState(uint8_t state[256]) const;
    // Movement and wheel accumulate until read; reading resets them.
    void ReadMouseState(MouseState& state);
    size_t ReadKeyRecords(KeyRecord* out, size_t capacity);
    size_t ReadMouseRecords(MouseRecord* out, size_t capacity);
    // The pointer in frame pixels (the window's client area mapped onto the
    // last presented frame). It follows the pointer also without the focus.
    void CursorPosition(int& x, int& y) const;
    // Backend side.
    void OnFocus(bool focused, uint32_t time);
    void OnKey(uint8_t key, bool down, uint32_t time);
    void OnMouseMove(int dx, int dy, uint32_t time);
    void OnCursor(int x, int y);
    // The pointer is now at (x, y) in frame pixels: the movement from the
    // last position becomes records (so that buffered readers that add them
    // up stand where the pointer stands), then the position is taken.
    void OnPointer(int x, int y, uint32_t time);
    void OnWheel(int delta, uint32_t time);
    void OnButton(int button, bool down, uint32_t time);
    // Text the system's text input typed (after the keyboard layout, Shift
    // and dead keys): each UTF-16 unit becomes a key record.
    void OnText(std::u16string_view text, uint32_t time);

  private:
    // The buffered records: a ring of fixed size, so that events arriving
    // every frame never allocate. A reader that never reads loses the oldest
    // records, not the newest.
    template <class Record> class RecordRing {
      public:
        void Push(const Record& record);
        size_t Read(Record* out, size_t capacity);

      private:
        std::array<Record, kInputRecordLimit> records_{};
        size_t first_ = 0;
        size_t count_ = 0;
    };

    void ReleaseAll(uint32_t time);

    bool acquired_ = false;
    uint8_t keys_[256] = {};
    MouseState mouse_ = {};
    int cursorX_ = 0;
    int cursorY_ = 0;
    RecordRing<KeyRecord> keyRecords_;
    RecordRing<MouseRecord> mouseRecords_;
};

// Mouse pointer images. An image comes in as A8R8G8B8 pixels (row after row,
// no padding) with its hot spot.
class Cursors {
  public:
    virtual ~Cursors() = default;
    // 0 when the image cannot be made into a cursor.
    virtual uint32_t CreateCursor(const uint32_t* argb, int width, int height, int hotX, int hotY) = 0;
    virtual void DestroyCursor(uint32_t cursor) = 0;
    // Shows the cursor over the window; false for an unknown one.
    virtual bool SetCursor(uint32_t cursor) = 0;
    // A hidden pointer shows nothing over the window.
    virtual void SetCursorHidden(bool hidden) = 0;
};

} // namespace platform
