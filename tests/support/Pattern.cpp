#include "tests/support/Pattern.h"

#include <regex>

namespace testsupport {

struct Pattern::Compiled {
    std::regex expression;
};

namespace {

std::vector<std::string> Groups(const std::smatch& match) {
    std::vector<std::string> groups;
    groups.reserve(match.size());
    for (const auto& group : match)
        groups.push_back(group.str());
    return groups;
}

} // namespace

Pattern::Pattern(const std::string& expression) : compiled_(new Compiled{std::regex(expression)}) {}

Pattern::~Pattern() = default;

bool Pattern::Search(const std::string& text, std::vector<std::string>* groups) const {
    std::smatch match;
    if (!std::regex_search(text, match, compiled_->expression)) return false;
    if (groups) *groups = Groups(match);
    return true;
}

bool Pattern::Matches(const std::string& text, std::vector<std::string>* groups) const {
    std::smatch match;
    if (!std::regex_match(text, match, compiled_->expression)) return false;
    if (groups) *groups = Groups(match);
    return true;
}

std::vector<std::vector<std::string>> Pattern::FindAll(const std::string& text) const {
    std::vector<std::vector<std::string>> all;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), compiled_->expression);
         it != std::sregex_iterator(); ++it)
        all.push_back(Groups(*it));
    return all;
}

std::string Pattern::ReplaceAll(const std::string& text, const std::string& with) const {
    return std::regex_replace(text, compiled_->expression, with);
}

} // namespace testsupport
