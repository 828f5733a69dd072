#include "tests/support/TempDir.h"

#include <fstream>
#include <iterator>
#include <regex>
#include <stdexcept>
#include <unistd.h>

namespace testsupport {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vbtest-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

size_t Occurrences(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

std::vector<std::string> LogLines(const std::string& log, const std::string& text) {
    std::vector<std::string> lines;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) {
        const size_t newline = log.rfind('\n', at);
        const size_t start = newline == std::string::npos ? 0 : newline + 1;
        const size_t end = log.find_first_of("\r\n", at);
        lines.push_back(log.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        at = end;
    }
    return lines;
}

std::vector<std::string> StateChanges(const std::string& log) {
    std::vector<std::string> states;
    const std::regex line("Game state +0x([0-9A-F]{8}) -> 0x([0-9A-F]{8})");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), line); it != std::sregex_iterator(); ++it)
        states.push_back((*it)[2]);
    return states;
}

} // namespace testsupport
