#pragma once
// The application's global objects and its entry, start-up and shut-down.

#include <cstdint>
#include <string>

class DXLWindowViewer;
class GameLanguage;
class InputManager;
namespace platform {
class Backend;
class Window;
} // namespace platform

// The short program name: the window class and the single-instance name.
constexpr const char16_t* kProgramName = u"Verbolunde";
// The per-user folder's maker and product folders.
constexpr const char16_t* kMakerFolder = u"Quenmoor";
constexpr const char16_t* kProductFolder = u"Verbolunde";

extern DXLWindowViewer* AppViewer;
extern platform::Window* AppMainWindow;
extern GameLanguage* AppLanguage;
extern InputManager* AppInput;

// The folders found at start-up (game form).
const std::u16string& AppProgramFolder();
const std::u16string& AppUserFolder();

// Makes the language current: releases a loaded one, loads it, sets the
// window title, makes the loading screen (image "loading_logo", caption
// "caption" of group "loading" in font 2). False when it cannot be loaded.
bool AppLoadLanguage();

// A fatal data error: logged, shown in a message box, and the game quits
// with exit code 1 after shutting down in order.
void AppFatalDataError(const char16_t* text);
int AppExitCode();

// Start-up, main loop and shut-down. Arguments: "-lang FILE", and for
// automatic runs "--headless", "--frames N", "--screenshot FILE.png",
// "--input-script FILE" (headless scripted input). The process's exit code.
int WinMain(int argc, char** argv);
