#pragma once
#include <string>
#include <string_view>

namespace platform {

// The system clipboard's text, as UTF-16.
class Clipboard {
  public:
    virtual ~Clipboard() = default;
    virtual bool SetText(std::u16string_view text) = 0;
    // Empty when the clipboard holds no text.
    virtual std::u16string Text() const = 0;
};

// A clipboard that lives only inside this process (headless runs and tests).
class InProcessClipboard final : public Clipboard {
  public:
    bool SetText(std::u16string_view text) override {
        text_ = text;
        return true;
    }
    std::u16string Text() const override { return text_; }

  private:
    std::u16string text_;
};

} // namespace platform
