#include <cstdio>
#include <cstdlib>
#include <cstring>

// The game program. It grows with the engine: for now it checks that it can
// reach a display and stops cleanly.
int main(int argc, char** argv) {
    bool headless = false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--headless") == 0) headless = true;
    if (!headless && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "verbolunde: no display found (DISPLAY is not set). "
                             "Run it under a desktop session or Xvfb, or pass --headless.\n");
        return 2;
    }
    std::printf("verbolunde: started and stopped cleanly.\n");
    return 0;
}
