#pragma once
#include <cstdint>
#include <memory>

namespace tut {
class TutorialRunner;
}

// The tutorial overlay on the showcase screen: F8 starts a one-step tutorial
// whose arrow points at the click counter and whose hint box asks for a
// click; a click ends it. F8 again ends a running one.
class TutorialShowcase {
  public:
    TutorialShowcase();
    ~TutorialShowcase();
    TutorialShowcase(const TutorialShowcase&) = delete;
    TutorialShowcase& operator=(const TutorialShowcase&) = delete;

    // True when the key was F8.
    bool Key(uint32_t virtualKey);
    // Moves the tutorial on by a frame; deletes it once it has faded out.
    void Update(uint32_t ms);
    void Close();

  private:
    std::unique_ptr<tut::TutorialRunner> runner_; // from the first F8 to the close
};
