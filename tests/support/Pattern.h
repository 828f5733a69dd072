#pragma once
// Regular expressions (ECMAScript grammar) for the tests, compiled in one
// place: <regex> takes seconds to compile in every file that includes it.
#include <memory>
#include <string>
#include <vector>

namespace testsupport {

class Pattern {
  public:
    explicit Pattern(const std::string& expression);
    ~Pattern();
    Pattern(const Pattern&) = delete;
    Pattern& operator=(const Pattern&) = delete;

    // Whether the pattern occurs in the text (Search) or is the whole text
    // (Matches); with groups, the match (0) and its groups.
    bool Search(const std::string& text, std::vector<std::string>* groups = nullptr) const;
    bool Matches(const std::string& text, std::vector<std::string>* groups = nullptr) const;
    // Every match in text order, each as the match and its groups.
    std::vector<std::vector<std::string>> FindAll(const std::string& text) const;
    // The text with every match replaced ($1 and the like name groups).
    std::string ReplaceAll(const std::string& text, const std::string& with) const;

  private:
    struct Compiled;
    std::unique_ptr<Compiled> compiled_;
};

} // namespace testsupport
