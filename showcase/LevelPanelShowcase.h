#pragma once
#include <cstdint>
#include <memory>

// The level panel on the showcase screen: F5 opens the bottom panel over the
// sample level (goals: 50 coins, 5 wheat in stock, the warehouse; 10 wheat
// in stock; two bonuses ready) with its empty panel, time bar, money strip
// and the pulsing start text; a click on a bonus starts the clock and the
// bonus. F5 again closes it.
class LevelPanelShowcase {
  public:
    LevelPanelShowcase();
    ~LevelPanelShowcase();
    LevelPanelShowcase(const LevelPanelShowcase&) = delete;
    LevelPanelShowcase& operator=(const LevelPanelShowcase&) = delete;

    // True when the key was F5.
    bool Key(uint32_t virtualKey);
    // Moves the sample level on (its clock and bonuses) by a frame.
    void Update(uint32_t ms);
    void Close();

  private:
    struct Sample;
    void Open();

    std::unique_ptr<Sample> sample_; // while the panel is open
};
