#pragma once
#include <cstdint>
#include <memory>

class WindowManager;
struct LevelWindowsHost;

// The windows around a level on the showcase screen: F9 steps through them
// over the sample level (index 33): the information page, then the pause
// menu (its restart opens the level window in restart mode, "to the map"
// closes the windows), then the result window of a gold finish with a new
// record; F9 once more closes them.
class LevelWindowsShowcase {
  public:
    LevelWindowsShowcase();
    ~LevelWindowsShowcase();
    LevelWindowsShowcase(const LevelWindowsShowcase&) = delete;
    LevelWindowsShowcase& operator=(const LevelWindowsShowcase&) = delete;

    // True when the key was F9.
    bool Key(uint32_t virtualKey);
    void Close();

  private:
    struct Sample;
    void Step();
    LevelWindowsHost Host(WindowManager& windows);

    std::unique_ptr<Sample> sample_; // from the first F9 to the close
};
