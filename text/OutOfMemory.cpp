#include "text/OutOfMemory.h"

#include "platform/Window.h"

#include <unistd.h>

namespace {
platform::Window* gMessageWindow = nullptr;
}

void SetOutOfMemoryWindow(platform::Window* window) {
    gMessageWindow = window;
}

void KGEOutOfMemory() {
    platform::ShowMessageBox(gMessageWindow, u"Out of memory!", u"Error", platform::MessageBoxIcon::Error);
    _exit(3);
}
