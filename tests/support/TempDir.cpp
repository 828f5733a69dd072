#include "tests/support/TempDir.h"

#include "tests/support/Pattern.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <stdexcept>
#include <sys/resource.h>
#include <unistd.h>

namespace testsupport {

namespace {

// Copies what a run wrote (screenshots, logs, user folders) under the test's
// name, leaving out the copied program and its packs (files of 4 MB and more),
// so that two builds' runs can be compared byte for byte.
void KeepRun(const std::filesystem::path& from, const std::filesystem::path& keep) {
    namespace fs = std::filesystem;
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name =
        test ? std::string(test->test_suite_name()) + "." + test->name() : "outside-tests";
    // Numbered in the order the test's folders go away: the random folder
    // names differ from run to run.
    static std::string lastTest;
    static int number = 0;
    number = name == lastTest ? number + 1 : 1;
    lastTest = name;
    const fs::path into = keep / name / std::to_string(number);
    std::error_code ignored;
    for (auto it = fs::recursive_directory_iterator(from, ignored); it != fs::recursive_directory_iterator();
         it.increment(ignored)) {
        if (!it->is_regular_file(ignored) || it->file_size(ignored) >= (4u << 20)) continue;
        const fs::path to = into / fs::relative(it->path(), from, ignored);
        fs::create_directories(to.parent_path(), ignored);
        fs::copy_file(it->path(), to, fs::copy_options::overwrite_existing, ignored);
    }
}

// Runs `run` with the process's limit of the resource lowered to `value` and a write past a file size
// limit failing rather than raising its signal; both are restored before it returns.
bool WithLimit(int resource, rlim_t value, const std::function<void()>& run) {
    rlimit saved{};
    if (getrlimit(resource, &saved) != 0) return false;
    const rlimit lowered{value, saved.rlim_max};
    if (setrlimit(resource, &lowered) != 0) return false;
    const auto signalBefore = std::signal(SIGXFSZ, SIG_IGN);
    run();
    std::signal(SIGXFSZ, signalBefore);
    return setrlimit(resource, &saved) == 0;
}

} // namespace

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vbtest-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    // VB_KEEP_RUNS names a folder that keeps every run's files (screenshots,
    // logs, user folders) under the test's name, so that two builds' runs can
    // be compared byte for byte.
    if (const char* keep = std::getenv("VB_KEEP_RUNS")) KeepRun(path_, keep);
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
    const Pattern line("Game state +0x([0-9A-F]{8}) -> 0x([0-9A-F]{8})");
    for (const auto& change : line.FindAll(log))
        states.push_back(change[2]);
    return states;
}

bool WithNoFreeDescriptor(const std::function<void()>& run) {
    const int next = dup(0); // the lowest free descriptor
    return next >= 0 && close(next) == 0 && WithLimit(RLIMIT_NOFILE, rlim_t(next), run);
}

bool WithFileSizeLimit(size_t bytes, const std::function<void()>& run) {
    return WithLimit(RLIMIT_FSIZE, rlim_t(bytes), run);
}

} // namespace testsupport
